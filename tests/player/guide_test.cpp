// The door entries of the sysop's guide, taken from docs/SYSOP.md as they
// stand and started by the harness in the launch mode each describes.
#include <gtest/gtest.h>

#include <regex>

#include "core/osfs.h"
#include "tests/player/door_session.h"

namespace {

// The guide's "/usr/games/thyre -d ..." lines, in order.
std::vector<std::string> GuideEntries()
{
    std::vector<std::string> entries;
    std::string guide = ReadFile(std::string(SOURCE_DIR) + "/docs/SYSOP.md");
    for (const std::string& line : Lines(guide))
        if (line.rfind("/usr/games/thyre -d ", 0) == 0) entries.push_back(line);
    return entries;
}

// The entry as the BBS expands it for node 1 and a folder of its own.
std::vector<std::string> Expand(const std::string& entry, const TGameFolder& g)
{
    std::string line = std::regex_replace(entry, std::regex("%N"), "1");
    line = std::regex_replace(line, std::regex("/bbs/node1/"), g.S.Dir);
    line = std::regex_replace(line, std::regex("/var/games/thyre/"), g.S.Dir);
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

} // namespace

TEST(Guide, EveryDoorEntryOfTheGuideReachesTheCaller)
{
    std::vector<std::string> entries = GuideEntries();
    ASSERT_EQ(entries.size(), 2u);   // the socket door; the terminal and stdio door
    struct TCase {
        size_t Entry;
        THarnessMode Mode;
    } cases[] = {{0, ViaSocket}, {1, ViaTerminal}, {1, ViaPipes}};
    for (const TCase& c : cases) {
        TGameFolder g;
        TLaunch l = ThyreLaunch(g, c.Mode);
        l.Args = Expand(entries[c.Entry], g);
        TSession s;
        ASSERT_TRUE(s.Start(l));
        ASSERT_TRUE(s.Expect("Will you found a house in the Thyre?")) << entries[c.Entry] << s.Bbs.Errors;
        s.Key("N ");
        EXPECT_EQ(s.Exit(), 0);
        EXPECT_FALSE(g.Locked());
    }
}
