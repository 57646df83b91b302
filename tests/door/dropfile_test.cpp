// Drop files as BBSes write them: every format's fields, its minimum size,
// the line-end styles, and picking the right file out of a folder.
#include "door/dropfile.h"
#include "tests/testutil.h"
#include <gtest/gtest.h>
#include <utime.h>

// Sets when a file was last written.
static void SetWritten(const std::string& path, long seconds)
{
    struct utimbuf t{seconds, seconds};
    ASSERT_EQ(utime(path.c_str(), &t), 0);
}

// A text drop file whose lines 1..n are given (missing lines blank).
static std::string TextFile(const std::vector<std::string>& lines, const std::string& eol = "\n")
{
    std::string s;
    for (const std::string& l : lines) s += l + eol;
    return s;
}

// Reads a drop file into the process's caller record, as the door does.
static bool ReadInto(const std::string& path)
{
    std::optional<TDoorInfo> d = ReadDropFile(path);
    if (d) DoorInfo = *d;
    return d.has_value();
}

// Writes the lines as the named drop file and reads it back.
static bool Reads(const std::string& path, const std::vector<std::string>& lines, const std::string& eol = "\n")
{
    WriteFile(path, TextFile(lines, eol));
    return ReadInto(path);
}

static std::vector<std::string> Blank(int n)
{
    return std::vector<std::string>((size_t)n, "");
}

static std::vector<std::string> Door32(const std::string& comm, const std::string& handle)
{
    return {comm, handle, "38400", "Night Owl BBS", "17", "Ann Smith", "Raven", "50", "42", "1", "3"};
}

// A 52-line DOOR.SYS as the common BBSes write it; line 14 the password.
static std::vector<std::string> DoorSys()
{
    std::vector<std::string> l = Blank(52);
    l[0] = "COM1:";
    l[1] = "38400";
    l[2] = "8";
    l[3] = "4";
    l[9] = "Bob Jones";
    l[13] = "SECRETPW";
    l[17] = "1500";
    l[18] = "25";
    l[19] = "GR";
    l[20] = "30";
    l[35] = "Bobby";
    return l;
}

TEST(DropFile, Door32AllFieldsLfAndCrLf)
{
    TScratch s;
    for (const char* eol : {"\n", "\r\n"}) {
        ASSERT_TRUE(Reads(s.Path("DOOR32.SYS"), Door32("2", "12"), eol));
        EXPECT_EQ(DoorInfo.CommType, 2);
        EXPECT_EQ(DoorInfo.SocketHandle, 12u);
        EXPECT_EQ(DoorInfo.UserName, "Ann Smith");
        EXPECT_EQ(DoorInfo.Alias, "Raven");
        EXPECT_EQ(DoorInfo.SecondsLeft, 42 * 60);
        EXPECT_TRUE(DoorInfo.Ansi);
        EXPECT_EQ(DoorInfo.Node, 3);
        EXPECT_EQ(DoorInfo.ScreenRows, 24);
    }
    // Emulation 0 is plain text; blank numbers take their defaults.
    std::vector<std::string> l = Door32("", "");
    l[8] = "";
    l[9] = "0";
    l[10] = "x";
    ASSERT_TRUE(Reads(s.Path("door32.sys"), l));
    EXPECT_EQ(DoorInfo.CommType, -1);
    EXPECT_EQ(DoorInfo.SocketHandle, 0u);
    EXPECT_EQ(DoorInfo.SecondsLeft, 3600);
    EXPECT_FALSE(DoorInfo.Ansi);
    EXPECT_EQ(DoorInfo.Node, 1);
    // A negative handle (written for a caller on the standard handles)
    // stays recognisably negative.
    ASSERT_TRUE(Reads(s.Path("DOOR32.SYS"), Door32("2", "-1")));
    EXPECT_EQ((int64_t)DoorInfo.SocketHandle, -1);
}

TEST(DropFile, Door32MinimumAndNobody)
{
    TScratch s;
    std::vector<std::string> l = Door32("0", "0");
    l.pop_back();
    EXPECT_FALSE(Reads(s.Path("DOOR32.SYS"), l));
    l = Door32("0", "0");
    l[5] = "";
    ASSERT_TRUE(Reads(s.Path("DOOR32.SYS"), l));
    EXPECT_EQ(DoorInfo.UserName, "Raven");   // the alias stands in
    l[6] = "   ";
    EXPECT_FALSE(Reads(s.Path("DOOR32.SYS"), l));
    EXPECT_FALSE(ReadInto(s.Path("MISSING.SYS")));
    EXPECT_FALSE(ReadInto(s.Path("DOOR32.TXT")));
}

TEST(DropFile, CrLfAndEndOfFileByteReadLikeClean)
{
    TScratch s;
    ASSERT_TRUE(Reads(s.Path("DOOR.SYS"), DoorSys()));
    TDoorInfo clean = DoorInfo;
    // Trailing blanks, tabs and an end-of-file byte at the very end.
    std::vector<std::string> l = DoorSys();
    l[9] = "  Bob Jones \t";
    WriteFile(s.Path("DOOR.SYS"), TextFile(l, "\r\n") + "\x1a");
    ASSERT_TRUE(ReadInto(s.Path("DOOR.SYS")));
    EXPECT_EQ(DoorInfo.UserName, clean.UserName);
    EXPECT_EQ(DoorInfo.Alias, clean.Alias);
    EXPECT_EQ(DoorInfo.SecondsLeft, clean.SecondsLeft);
    EXPECT_EQ(DoorInfo.Node, clean.Node);
    EXPECT_EQ(DoorInfo.ScreenRows, clean.ScreenRows);
    EXPECT_EQ(DoorInfo.Ansi, clean.Ansi);
}

TEST(DropFile, DoorSysFields)
{
    TScratch s;
    std::string p = s.Path("DOOR.SYS");
    ASSERT_TRUE(Reads(p, DoorSys()));
    EXPECT_EQ(DoorInfo.Node, 4);
    EXPECT_EQ(DoorInfo.UserName, "Bob Jones");
    EXPECT_EQ(DoorInfo.Alias, "Bobby");
    EXPECT_EQ(DoorInfo.SecondsLeft, 1500);
    EXPECT_TRUE(DoorInfo.Ansi);
    EXPECT_EQ(DoorInfo.ScreenRows, 30);
    EXPECT_EQ(DoorInfo.CommType, -1);

    std::vector<std::string> l = DoorSys();
    l[17] = "0";   // no time left at all: minutes are not consulted
    l[19] = "ng";
    ASSERT_TRUE(Reads(p, l));
    EXPECT_EQ(DoorInfo.SecondsLeft, 0);
    EXPECT_FALSE(DoorInfo.Ansi);

    l[17] = "";    // no seconds: the minutes count
    ASSERT_TRUE(Reads(p, l));
    EXPECT_EQ(DoorInfo.SecondsLeft, 25 * 60);
    l[18] = "abc";
    ASSERT_TRUE(Reads(p, l));
    EXPECT_EQ(DoorInfo.SecondsLeft, 3600);

    // Twenty lines: no alias line, no screen rows line.
    l = DoorSys();
    l.resize(20);
    ASSERT_TRUE(Reads(p, l));
    EXPECT_EQ(DoorInfo.Alias, "Bob Jones");
    EXPECT_EQ(DoorInfo.ScreenRows, 24);
    l.resize(19);
    EXPECT_FALSE(Reads(p, l));

    // A page length of 0 or less would page every line: it keeps 24.
    l = DoorSys();
    l[20] = "0";
    ASSERT_TRUE(Reads(p, l));
    EXPECT_EQ(DoorInfo.ScreenRows, 24);
    // A minute count that would overflow the seconds saturates.
    l[17] = "-1";
    l[18] = "9223372036854775807";
    ASSERT_TRUE(Reads(p, l));
    EXPECT_GT(DoorInfo.SecondsLeft, 0);
}

TEST(DropFile, DorinfoNodesAndNames)
{
    TScratch s;
    std::vector<std::string> l = Blank(13);
    l[0] = "NIGHT OWL";
    l[6] = "JOHN";
    l[7] = "mcSMITH-JONES";
    l[9] = "1";
    l[11] = "15";
    struct {
        const char* Name;
        int Node;
    } cases[] = {{"DORINFO.DEF", 1}, {"DORINFO1.DEF", 1}, {"dorinfo7.def", 7}, {"DORINFOB.DEF", 11},
                 {"DORINFOZ.DEF", 35}, {"DORINFO0.DEF", 1}, {"DORINFO12.DEF", 12}, {"DORINFOAB.DEF", 1}};
    for (const auto& c : cases) {
        ASSERT_TRUE(Reads(s.Path(c.Name), l)) << c.Name;
        EXPECT_EQ(DoorInfo.Node, c.Node) << c.Name;
    }
    EXPECT_EQ(DoorInfo.UserName, "John Mcsmith-jones");
    EXPECT_EQ(DoorInfo.Alias, "John Mcsmith-jones");
    EXPECT_EQ(DoorInfo.SecondsLeft, 15 * 60);
    EXPECT_TRUE(DoorInfo.Ansi);

    l[7] = "SMITH";
    l[9] = "0";
    ASSERT_TRUE(Reads(s.Path("DORINFO1.DEF"), l));
    EXPECT_EQ(DoorInfo.UserName, "John Smith");
    EXPECT_FALSE(DoorInfo.Ansi);
    l[9] = "-1";
    ASSERT_TRUE(Reads(s.Path("DORINFO1.DEF"), l));
    EXPECT_FALSE(DoorInfo.Ansi);

    l.resize(11);
    EXPECT_FALSE(Reads(s.Path("DORINFO1.DEF"), l));
}

TEST(DropFile, ChainTxt)
{
    TScratch s;
    std::string p = s.Path("CHAIN.TXT");
    std::vector<std::string> l = Blank(16);
    l[1] = "Raven";
    l[2] = "Ann Smith";
    l[9] = "50";
    l[13] = "1";
    l[15] = "1234.56";
    ASSERT_TRUE(Reads(p, l));
    EXPECT_EQ(DoorInfo.Alias, "Raven");
    EXPECT_EQ(DoorInfo.UserName, "Ann Smith");
    EXPECT_EQ(DoorInfo.ScreenRows, 50);
    EXPECT_TRUE(DoorInfo.Ansi);
    EXPECT_EQ(DoorInfo.SecondsLeft, 1234);

    l[2] = "";
    l[9] = "5";
    l[13] = "2";
    l[15] = "";
    ASSERT_TRUE(Reads(p, l));
    EXPECT_EQ(DoorInfo.UserName, "Raven");
    EXPECT_EQ(DoorInfo.ScreenRows, 24);
    EXPECT_FALSE(DoorInfo.Ansi);
    EXPECT_EQ(DoorInfo.SecondsLeft, 3600);
    l[9] = "201";
    ASSERT_TRUE(Reads(p, l));
    EXPECT_EQ(DoorInfo.ScreenRows, 24);
    l[9] = "200";
    ASSERT_TRUE(Reads(p, l));
    EXPECT_EQ(DoorInfo.ScreenRows, 200);

    l.resize(15);
    EXPECT_FALSE(Reads(p, l));
}

TEST(DropFile, CallinfoAndSfdoors)
{
    TScratch s;
    std::vector<std::string> c = Blank(8);
    c[0] = "Cal Caller";
    c[4] = "20";
    c[5] = "mono";
    ASSERT_TRUE(Reads(s.Path("CALLINFO.BBS"), c));
    EXPECT_EQ(DoorInfo.UserName, "Cal Caller");
    EXPECT_EQ(DoorInfo.Alias, "Cal Caller");
    EXPECT_EQ(DoorInfo.SecondsLeft, 1200);
    EXPECT_FALSE(DoorInfo.Ansi);
    c[5] = "COLOR";
    c.pop_back();
    EXPECT_FALSE(Reads(s.Path("CALLINFO.BBS"), c));

    std::vector<std::string> f = Blank(11);
    f[1] = "SF USER";
    f[6] = "7";
    f[9] = "false";
    ASSERT_TRUE(Reads(s.Path("SFDOORS.DAT"), f, "\r\n"));
    EXPECT_EQ(DoorInfo.UserName, "SF USER");
    EXPECT_EQ(DoorInfo.SecondsLeft, 420);
    EXPECT_FALSE(DoorInfo.Ansi);
    f[9] = "TRUE";
    ASSERT_TRUE(Reads(s.Path("SFDOORS.DAT"), f));
    EXPECT_TRUE(DoorInfo.Ansi);
    f.pop_back();
    EXPECT_FALSE(Reads(s.Path("SFDOORS.DAT"), f));
}

TEST(DropFile, FixedLayouts)
{
    TScratch s;
    std::string pcb(128, ' ');
    pcb[11] = 'Y';
    std::string name = "PAT PCB";
    pcb.replace(84, 25, std::string(25, '\0'));
    pcb.replace(84, name.size(), name);
    pcb[109] = (char)0x2c;   // 300 minutes
    pcb[110] = (char)0x01;
    pcb[111] = 0;
    WriteFile(s.Path("PCBOARD.SYS"), pcb);
    ASSERT_TRUE(ReadInto(s.Path("PCBOARD.SYS")));
    EXPECT_EQ(DoorInfo.UserName, "PAT PCB");
    EXPECT_EQ(DoorInfo.Alias, "PAT PCB");
    EXPECT_TRUE(DoorInfo.Ansi);
    EXPECT_EQ(DoorInfo.SecondsLeft, 300 * 60);
    EXPECT_EQ(DoorInfo.Node, 1);
    pcb[11] = 'N';
    pcb[111] = 9;
    WriteFile(s.Path("PCBOARD.SYS"), pcb);
    ASSERT_TRUE(ReadInto(s.Path("PCBOARD.SYS")));
    EXPECT_FALSE(DoorInfo.Ansi);
    EXPECT_EQ(DoorInfo.Node, 9);
    pcb[11] = '7';
    WriteFile(s.Path("PCBOARD.SYS"), pcb.substr(0, 112));
    ASSERT_TRUE(ReadInto(s.Path("PCBOARD.SYS")));
    EXPECT_TRUE(DoorInfo.Ansi);
    WriteFile(s.Path("PCBOARD.SYS"), pcb.substr(0, 111));
    EXPECT_FALSE(ReadInto(s.Path("PCBOARD.SYS")));

    std::string ex(300, 'x');
    ex[241] = 5;
    ex.replace(242, 5, "Ellen");
    WriteFile(s.Path("EXITINFO.BBS"), ex);
    ASSERT_TRUE(ReadInto(s.Path("EXITINFO.BBS")));
    EXPECT_EQ(DoorInfo.UserName, "Ellen");
    EXPECT_EQ(DoorInfo.Alias, "Ellen");
    EXPECT_EQ(DoorInfo.SecondsLeft, 3600);
    ex[241] = (char)200;   // longer than the field: 35 bytes
    WriteFile(s.Path("EXITINFO.BBS"), ex);
    ASSERT_TRUE(ReadInto(s.Path("EXITINFO.BBS")));
    EXPECT_EQ(DoorInfo.UserName.size(), 35u);
    ex[241] = 0;
    WriteFile(s.Path("EXITINFO.BBS"), ex);
    EXPECT_FALSE(ReadInto(s.Path("EXITINFO.BBS")));
    WriteFile(s.Path("EXITINFO.BBS"), ex.substr(0, 276));
    EXPECT_FALSE(ReadInto(s.Path("EXITINFO.BBS")));
}

TEST(DropFile, EachTextFormatWithBareLineFeeds)
{
    // As a Linux BBS writes them: LF only, no end-of-file byte, and DOOR.SYS
    // naming COM1: even for a caller on a socket.
    TScratch s;
    struct {
        const char* Name;
        std::vector<std::string> Lines;
        const char* User;
    } files[] = {
        {"DOOR32.SYS", Door32("2", "14"), "Ann Smith"},
        {"DOOR.SYS", DoorSys(), "Bob Jones"},
        {"DORINFO1.DEF", {"BBS", "SYSOP", "", "COM0", "0 BAUD", "0", "DORA", "DOOR", "Here", "1", "100", "30"},
         "Dora Door"},
        {"CHAIN.TXT", {"1", "al", "Al Chain", "", "", "", "", "", "", "24", "", "", "", "1", "", "600.0"},
         "Al Chain"},
        {"CALLINFO.BBS", {"Cal", "", "", "", "5", "COLOR", "", ""}, "Cal"},
        {"SFDOORS.DAT", {"1", "Sfu", "", "", "", "", "9", "", "", "TRUE", ""}, "Sfu"},
    };
    for (const auto& f : files) {
        std::string raw = TextFile(f.Lines);
        ASSERT_EQ(raw.find('\r'), std::string::npos);
        WriteFile(s.Path(f.Name), raw);
        ASSERT_TRUE(ReadInto(s.Path(f.Name))) << f.Name;
        EXPECT_EQ(DoorInfo.UserName, f.User) << f.Name;
    }
}

TEST(DropFile, FindDropFileOrderAndSpelling)
{
    // Files written in the same second: the list's order decides.
    auto Write = [](const std::string& path, const std::string& data) {
        WriteFile(path, data);
        SetWritten(path, 1700000000);
    };
    TScratch s;
    EXPECT_EQ(FindDropFile(s.Dir, 1), "");
    Write(s.Path("readme.txt"), "x");
    Write(s.Path("EXITINFO.BBS"), "x");
    EXPECT_EQ(FindDropFile(s.Dir, 1), s.Dir + "EXITINFO.BBS");
    Write(s.Path("DORINFO.DEF"), "x");
    EXPECT_EQ(FindDropFile(s.Dir, 3), s.Dir + "DORINFO.DEF");
    Write(s.Path("DORINFO1.DEF"), "x");
    // Node 3 looks for DORINFO3.DEF; DORINFO1.DEF is not its file.
    EXPECT_EQ(FindDropFile(s.Dir, 3), s.Dir + "DORINFO.DEF");
    EXPECT_EQ(FindDropFile(s.Dir, 1), s.Dir + "DORINFO1.DEF");
    EXPECT_EQ(FindDropFile(s.Dir, 0), s.Dir + "DORINFO1.DEF");
    Write(s.Path("Dorinfo3.Def"), "x");
    EXPECT_EQ(FindDropFile(s.Dir, 3), s.Dir + "Dorinfo3.Def");
    Write(s.Path("chain.txt"), "x");
    EXPECT_EQ(FindDropFile(s.Dir, 3), s.Dir + "Dorinfo3.Def");
    Write(s.Path("DOOR.SYS"), "x");
    EXPECT_EQ(FindDropFile(s.Dir, 3), s.Dir + "DOOR.SYS");
    Write(s.Path("door32.sys"), "x");
    EXPECT_EQ(FindDropFile(s.Dir, 3), s.Dir + "door32.sys");
    // The folder given without its delimiter gets one.
    std::string bare = s.Dir.substr(0, s.Dir.size() - 1);
    EXPECT_EQ(FindDropFile(bare, 3), s.Dir + "door32.sys");
    EXPECT_EQ(FindDropFile(s.Path("nothere"), 1), "");
}

TEST(DropFile, FindDropFileTakesTheNewestOfSeveral)
{
    // A node folder that served a DOOR32.SYS door yesterday and a DOOR.SYS
    // door now: the stale DOOR32.SYS names yesterday's caller.
    TScratch s;
    WriteFile(s.Path("DOOR32.SYS"), "x");
    SetWritten(s.Path("DOOR32.SYS"), 1700000000);
    WriteFile(s.Path("DOOR.SYS"), "x");
    SetWritten(s.Path("DOOR.SYS"), 1700086400);
    EXPECT_EQ(FindDropFile(s.Dir, 1), s.Dir + "DOOR.SYS");
    WriteFile(s.Path("chain.txt"), "x");
    SetWritten(s.Path("chain.txt"), 1700086400);   // the same second: the list's order
    EXPECT_EQ(FindDropFile(s.Dir, 1), s.Dir + "DOOR.SYS");
    SetWritten(s.Path("DOOR32.SYS"), 1700090000);
    EXPECT_EQ(FindDropFile(s.Dir, 1), s.Dir + "DOOR32.SYS");
}
