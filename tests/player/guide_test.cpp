// The door entries of the sysop's guide, taken from docs/SYSOP.md as they
// stand, filled in as each BBS fills in its own placeholders, and started
// by the harness in the launch mode each describes.
#include <gtest/gtest.h>

#include <regex>

#include "core/files.h"
#include "core/osfs.h"
#include "tests/player/door_session.h"

namespace {

struct TEntry {
    std::string Bbs;    // the "### " heading the entry stands under
    std::string Line;
};

// The guide's "/usr/games/thyre -..." lines, in order, with their BBS.
std::vector<TEntry> GuideEntries()
{
    std::vector<TEntry> entries;
    std::string guide = ReadFile(std::string(SOURCE_DIR) + "/docs/SYSOP.md");
    std::string heading;
    for (const std::string& line : Lines(guide)) {
        if (line.rfind("#", 0) == 0) heading = line;
        if (line.rfind("/usr/games/thyre -", 0) == 0 && line.find(" -l ") == std::string::npos)
            entries.push_back({heading, line});
    }
    return entries;
}

// The entry as its BBS expands it for node 2, whose folder is `node`: on
// Synchronet %f is the drop file's path, %n the node's folder and %# the
// node's number; the generic entries write %N for the number.
std::vector<std::string> Expand(const TEntry& e, const std::string& node, const std::string& dropFile,
                                const TGameFolder& g)
{
    std::string line = e.Line;
    if (e.Bbs.find("Synchronet") != std::string::npos) {
        line = std::regex_replace(line, std::regex("%f"), node + dropFile);
        line = std::regex_replace(line, std::regex("%n"), node);
        line = std::regex_replace(line, std::regex("%#"), "2");
    } else {
        line = std::regex_replace(line, std::regex("/bbs/node%N/"), node);
        line = std::regex_replace(line, std::regex("%N"), "2");
    }
    line = std::regex_replace(line, std::regex("/var/games/thyre/"), g.S.Dir);
    EXPECT_EQ(line.find('%'), std::string::npos) << "a placeholder its BBS does not have: " << e.Line;
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size()) {
        size_t blank = line.find(' ', at);
        if (blank == std::string::npos) blank = line.size();
        if (blank > at) words.push_back(line.substr(at, blank - at));
        at = blank + 1;
    }
    return std::vector<std::string>(words.begin() + 1, words.end());
}

// A DOOR.SYS as a BBS writes it for a caller on its terminal.
std::string DoorSys()
{
    std::vector<std::string> l(52);
    l[0] = "COM0:";
    l[3] = "2";
    l[9] = "Ann Caller";
    l[18] = "30";
    l[19] = "GR";
    l[20] = "24";
    std::string text;
    for (const std::string& line : l) text += line + "\r\n";
    return text;
}

} // namespace

TEST(Guide, EveryDoorEntryOfTheGuideReachesTheCaller)
{
    std::vector<TEntry> entries = GuideEntries();
    // Synchronet's socket and terminal entries; the generic socket, plain
    // socket, and terminal and stdio entries.
    ASSERT_EQ(entries.size(), 5u);
    struct TCase {
        size_t Entry;
        THarnessMode Mode;
        const char* DropFile;   // what the BBS writes in the node's folder
    } cases[] = {{0, ViaDecodedSocket, "DOOR32.SYS"}, {1, ViaTerminal, "DOOR.SYS"}, {2, ViaSocket, "DOOR32.SYS"},
                 {3, ViaDecodedSocket, "DOOR32.SYS"}, {4, ViaTerminal, "DOOR.SYS"},   {4, ViaPipes, "DOOR32.SYS"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(entries[c.Entry].Line);
        TGameFolder g;
        TScratch node;
        TLaunch l = ThyreLaunch(g, c.Mode);
        l.Folder = node.Dir;
        if (std::string(c.DropFile) == "DOOR.SYS") {
            l.CommType = "";
            WriteFile(node.Path("DOOR.SYS"), DoorSys());
        }
        l.Args = Expand(entries[c.Entry], node.Dir, c.DropFile, g);
        TSession s;
        ASSERT_TRUE(s.Start(l));
        ASSERT_TRUE(s.Expect("Will you found a house in the Thyre?")) << s.Bbs.Screen << s.Bbs.Errors;
        s.Key("N ");
        EXPECT_EQ(s.Exit(), 0);
        EXPECT_FALSE(g.Locked());
        EXPECT_FALSE(PathExists(g.S.Path(ErrorsLogName))) << ReadFile(g.S.Path(ErrorsLogName));
    }
    // The mix-up the generic form invites on Synchronet, where %N is the
    // node's folder: the entry is refused, not played as node 1, and the
    // caller reads why.
    TGameFolder g;
    TScratch node;
    TLaunch l = ThyreLaunch(g, ViaDecodedSocket);
    l.Folder = node.Dir;
    TEntry generic = entries[3];
    generic.Line = std::regex_replace(generic.Line, std::regex("/bbs/node%N/DOOR32.SYS"), "%f");
    generic.Line = std::regex_replace(generic.Line, std::regex("%N"), node.Dir);
    generic.Bbs = "### Synchronet";
    l.Args = Expand(generic, node.Dir, "DOOR32.SYS", g);
    TSession s;
    ASSERT_TRUE(s.Start(l));
    const std::string said = "-n " + node.Dir + " is not a node number";
    ASSERT_TRUE(s.Expect(said)) << s.Bbs.Screen << s.Bbs.Errors;
    s.Key(" ");
    EXPECT_EQ(s.Exit(), 1);
    EXPECT_NE(s.Bbs.Errors.find(said), std::string::npos) << s.Bbs.Errors;
    EXPECT_NE(ReadFile(g.S.Path(ErrorsLogName)).find("  node 1  Ann Caller  start-up refused: " + said),
              std::string::npos);
}
