// The door's start on a real BBS: the caller's bytes on both kinds of
// socket, the newest drop file to the sub-second, refusals the caller and
// the sysop can read, and the sysop's diagnostics.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/files.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/text.h"
#include "tests/player/door_session.h"

namespace {

// A DOOR.SYS for Bob Jones, with his password on line 14.
std::string DoorSys()
{
    std::vector<std::string> l(52);
    l[0] = "COM0:";
    l[3] = "1";
    l[9] = "Bob Jones";
    l[13] = "Sw0rdf1sh";
    l[17] = "1500";
    l[19] = "GR";
    l[20] = "24";
    std::string text;
    for (const std::string& line : l) text += line + "\r\n";
    return text;
}

// The file's modification time: whole second `sec`, then `ms` into it.
void SetModified(const std::string& path, int64_t sec, int ms)
{
    struct timespec t[2];
    t[0].tv_sec = t[1].tv_sec = (time_t)sec;
    t[0].tv_nsec = t[1].tv_nsec = (long)ms * 1000000;
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
}

} // namespace

TEST(StartUp, NamesWithBytes130And255OnBothKindsOfSocket)
{
    // The BBS passes the caller's own telnet stream, or speaks telnet itself
    // and passes plain data; the sysop's switch right, and wrong.
    const struct {
        THarnessMode Mode;
        bool Plain;
    } cases[] = {{ViaSocket, false}, {ViaSocket, true}, {ViaDecodedSocket, false}, {ViaDecodedSocket, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Mode == ViaSocket ? "telnet" : "decoded") + (c.Plain ? " with -plain" : ""));
        TGameFolder g;
        TSession s;
        TLaunch l = ThyreLaunch(g, c.Mode);
        if (c.Plain) l.Args.push_back("-plain");
        ASSERT_TRUE(s.Start(l));
        ASSERT_TRUE(s.Expect("(Y/N)")) << s.Bbs.Errors;
        // A caller's 255 250 never leaves the door deaf: at worst the keys
        // of the next second are lost.
        s.Bbs.Type("\xff\xfa");
        if (c.Mode == ViaDecodedSocket && !c.Plain) SleepMs(1200);
        s.Bbs.Type("Y");
        ASSERT_TRUE(s.Expect("Name your house"));
        s.Bbs.Type("A\xffs\x82tr\xff" "a\r");
        ASSERT_TRUE(s.Expect("[press a key]")) << s.Bbs.Screen;
        EXPECT_EQ(s.Screen.Row(0).substr(0, 26), "House Astra is founded at ");
        s.Key(" ");
        ASSERT_TRUE(s.Expect("Your command: "));
        s.Key("QY");
        EXPECT_EQ(s.Exit(), 0);
        g.Load();
        int h = FindHouseByPlayer("Ann Caller");
        ASSERT_GT(h, 0);
        EXPECT_EQ(StrGet(HouseRec(h).Name), "Astra");
    }
}

TEST(StartUp, NewestDropFileToTheSubSecondAndRefusalsSeen)
{
    int64_t second = UnixSeconds() - 10;
    for (bool door32Newer : {false, true}) {
        SCOPED_TRACE(door32Newer ? "DOOR32.SYS 0.1 s newer" : "DOOR.SYS 0.1 s newer");
        TGameFolder g;
        TScratch node;
        // An older door's DOOR32.SYS names a socket that is long gone.
        WriteFile(node.Path("DOOR32.SYS"), "2\n250\n38400\nBBS\n1\nAnn Caller\nRaven\n10\n30\n1\n1\n");
        WriteFile(node.Path("DOOR.SYS"), DoorSys());
        SetModified(node.Path("DOOR32.SYS"), second, door32Newer ? 400 : 300);
        SetModified(node.Path("DOOR.SYS"), second, door32Newer ? 300 : 400);
        TLaunch l = ThyreLaunch(g, ViaPipes);
        l.CommType = "";
        l.Args = {"-d", node.Dir, "-g", g.S.Dir};
        TSession s;
        ASSERT_TRUE(s.Start(l));
        if (!door32Newer) {
            ASSERT_TRUE(s.Expect("Will you found a house in the Thyre?")) << s.Bbs.Screen << s.Bbs.Errors;
            s.Key("N ");
            EXPECT_EQ(s.Exit(), 0);
            EXPECT_FALSE(PathExists(g.S.Path(ErrorsLogName)));
            continue;
        }
        // The refusal reaches the caller (standard output here) and the
        // sysop's ERRORS.LOG, and is said once: standard error may reach the
        // caller too.  A key ends the pause at once.
        const std::string said = "Door: DOOR32.SYS socket handle 250 is not a socket this program can use (error 9)";
        ASSERT_TRUE(s.Expect(said)) << s.Bbs.Screen << s.Bbs.Errors;
        int64_t keyAt = MonotonicMs();
        s.Key(" ");
        EXPECT_EQ(s.Exit(), 1);
        EXPECT_LT(MonotonicMs() - keyAt, 1500);
        EXPECT_EQ(s.Bbs.Errors, "");
        std::string log = ReadFile(g.S.Path(ErrorsLogName));
        EXPECT_NE(log.find("  node 1  Ann Caller  start-up refused: " + said + "\r\n"), std::string::npos) << log;
    }

    // No game yet, the caller on a socket: they read why, with CR LF, and the
    // door waits about two seconds before the BBS takes them back.
    TScratch empty;
    TLaunch l;
    l.Program = THYRE_PATH;
    l.Folder = empty.Dir;
    l.Args = {"-d", empty.Path("DOOR32.SYS"), "-g", empty.Dir};
    TBbs bbs;
    int64_t started = MonotonicMs();
    ASSERT_TRUE(bbs.Start(l));
    const std::string said = "No game has been started in " + empty.Dir + " - the sysop runs \"ydmaint new\" first.";
    ASSERT_TRUE(bbs.WaitFor(said + "\r\n")) << bbs.Screen << bbs.Errors;
    EXPECT_EQ(bbs.WaitExit(), 1);
    EXPECT_GE(MonotonicMs() - started, 1800);
    EXPECT_EQ(bbs.Errors, said + "\n");
    EXPECT_NE(ReadFile(empty.Path(ErrorsLogName)).find("Ann Caller  start-up refused: " + said), std::string::npos);
}

TEST(StartUp, DiagnosticsTellWhatTheDoorReadAndChose)
{
    TGameFolder g;
    WriteFile(g.S.Path("DOOR.SYS"), DoorSys());
    // A DIAG.LOG past 256 KB is put aside as DIAG.OLD, as ERRORS.LOG is.
    const std::string old(262145, 'x');
    WriteFile(g.S.Path(DiagLogName), old);
    TLaunch l = ThyreLaunch(g, ViaTerminal);
    l.CommType = "";
    l.Args = {"-d", g.S.Dir, "-g", g.S.Dir, "-diag"};
    TSession s;
    ASSERT_TRUE(s.Start(l));
    ASSERT_TRUE(s.Expect("(Y/N)")) << s.Bbs.Errors;
    s.Key("N ");
    EXPECT_EQ(s.Exit(), 0);
    std::string log = ReadFile(g.S.Path(DiagLogName));
    EXPECT_EQ(ReadFile(g.S.Path(DiagLogOldName)), old);
    EXPECT_LT(log.size(), 20000u);
    for (const std::string& said : std::vector<std::string>{
             "thyre: game folder: " + g.S.Dir + "\n",
             "thyre: drop folder " + g.S.Dir + ", node 1: the newest drop file is " + g.S.Path("DOOR.SYS") + "\n",
             "thyre:   line 10: Bob Jones\n",
             "thyre:   read as: user \"Bob Jones\", alias \"Bob Jones\", 1500 seconds, ANSI yes, node 1, 24 rows, "
             "comm type -1, socket handle 0\n",
             "thyre: channel: terminal on standard input (terminal /dev/pts/",
             "thyre: terminal set raw: yes (terminal /dev/pts/",
             "thyre: the visit starts\n",
             "thyre: the door ends: the caller left the game (exit code 0)\n",
         }) {
        EXPECT_NE(s.Bbs.Errors.find(said), std::string::npos) << said << s.Bbs.Errors;
        EXPECT_NE(log.find(said.substr(7, said.size() - 8)), std::string::npos) << said << log;
    }
    // Before: the cooked terminal the BBS handed over; after: raw.
    EXPECT_NE(s.Bbs.Errors.find("icanon echo isig icrnl"), std::string::npos) << s.Bbs.Errors;
    EXPECT_NE(s.Bbs.Errors.find("-icanon -echo -isig -icrnl"), std::string::npos) << s.Bbs.Errors;
    EXPECT_EQ(log.find("Sw0rdf1sh"), std::string::npos);
    EXPECT_EQ(s.Bbs.Errors.find("Sw0rdf1sh"), std::string::npos);
    EXPECT_EQ(log.find("line 14"), std::string::npos);
}

TEST(StartUp, WrongDoorEntriesSaySoOnceAndDiagnosticsCloseEveryEnding)
{
    TGameFolder g;
    // The door started on the drop file the test wrote (no DOOR32.SYS of the harness).
    auto start = [&](TBbs& bbs, THarnessMode mode, const std::string& drop) {
        TLaunch l = ThyreLaunch(g, mode);
        l.CommType = "";
        l.Args = {"-d", g.S.Path(drop), "-g", g.S.Dir, "-n", "1", "-diag"};
        EXPECT_TRUE(bbs.Start(l));
    };
    auto ended = [&](const std::string& how) {
        std::string diag = ReadFile(g.S.Path(DiagLogName));
        std::vector<std::string> lines = Lines(diag);
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find("  node 1  the door ends: " + how), std::string::npos) << diag;
    };

    // A socket entry given DOOR.SYS: no socket named, /dev/null on standard
    // input.  Not a caller who hung up at once: refused, told to the BBS's
    // log and ERRORS.LOG, without a pause nobody would see.
    WriteFile(g.S.Path("DOOR.SYS"), DoorSys());
    {
        TBbs bbs;
        int64_t began = MonotonicMs();
        start(bbs, ViaSocket, "DOOR.SYS");
        EXPECT_EQ(bbs.WaitExit(), 1);
        EXPECT_LT(MonotonicMs() - began, 1500);
        const std::string said = "no caller on standard input (/dev/null): the door entry gives no socket and no terminal";
        EXPECT_NE(bbs.Errors.find("\n" + said + "\n"), std::string::npos) << bbs.Errors;
        EXPECT_NE(bbs.Errors.find("thyre: channel: standard handles (input character device"), std::string::npos);
        EXPECT_NE(ReadFile(g.S.Path(ErrorsLogName)).find("  node 1  Bob Jones  start-up refused: " + said + "\r\n"),
                  std::string::npos);
        ended("refused at start-up (exit code 1)");
        EXPECT_EQ(bbs.Screen, "");
    }

    // A drop file of a kind the door does not read, and one cut short: said
    // as such, never "read as", the file's name in ERRORS.LOG.
    WriteFile(g.S.Path("XTRN.DAT"), "Bob Jones\n1\n30\n");
    WriteFile(g.S.Path("DOOR32.SYS"), "2\n-1\n");
    for (const char* drop : {"XTRN.DAT", "DOOR32.SYS"}) {
        TBbs bbs;
        start(bbs, ViaSocket, drop);
        EXPECT_EQ(bbs.WaitExit(), 1);
        const std::string why = std::string(drop) == "XTRN.DAT"
                                    ? "XTRN.DAT is not a kind of drop file the door reads; it reads DOOR32.SYS, "
                                      "DOOR.SYS, DORINFO*.DEF, CHAIN.TXT, CALLINFO.BBS, SFDOORS.DAT, PCBOARD.SYS "
                                      "and EXITINFO.BBS"
                                    : "it is too short: DOOR32.SYS needs 11 lines, it has 2";
        const std::string said = "Unable to read drop file " + g.S.Path(drop);
        EXPECT_NE(bbs.Errors.find("thyre:   not read: " + why + "\n"), std::string::npos) << bbs.Errors;
        EXPECT_EQ(bbs.Errors.find("read as"), std::string::npos) << bbs.Errors;
        if (std::string(drop) == "XTRN.DAT") EXPECT_NE(bbs.Errors.find("\n" + said + "\n" + why + "\n"), std::string::npos);
        else EXPECT_NE(bbs.Errors.find("\n" + said + "\n"), std::string::npos) << bbs.Errors;
        EXPECT_NE(ReadFile(g.S.Path(ErrorsLogName)).find(std::string("  node 1  ") + drop + "  start-up refused: " + said),
                  std::string::npos);
        ended("refused at start-up (exit code 1)");
    }

    // Socket handle -1: the caller on the terminal, the handle shown as
    // written.  The terminal hangs up before any key: the closing line says so.
    WriteFile(g.S.Path("DOOR32.SYS"), "2\n-1\n38400\nBBS\n1\nAnn Caller\nRaven\n10\n30\n1\n1\n");
    {
        TSession s;
        TLaunch l = ThyreLaunch(g, ViaTerminal);
        l.CommType = "";
        l.Args = {"-d", g.S.Path("DOOR32.SYS"), "-g", g.S.Dir, "-diag"};
        ASSERT_TRUE(s.Start(l));
        ASSERT_TRUE(s.Expect("(Y/N)")) << s.Bbs.Errors;
        EXPECT_NE(s.Bbs.Errors.find("comm type 2, socket handle -1\n"), std::string::npos) << s.Bbs.Errors;
        close(s.Bbs.PtySlave);
        s.Bbs.PtySlave = -1;
        s.Bbs.CloseCaller();
        EXPECT_EQ(s.Exit(), 0);
        ended("a hang-up");
    }
    // On pipes, standard input ending before the first key: no caller was there.
    {
        TSession s;
        TLaunch l = ThyreLaunch(g, ViaPipes);
        l.Args.push_back("-diag");
        ASSERT_TRUE(s.Start(l));
        ASSERT_TRUE(s.Expect("(Y/N)")) << s.Bbs.Errors;
        s.Bbs.CloseCaller();
        EXPECT_EQ(s.Exit(), 0);
        ended("a hang-up before the first key: standard input ended with no caller on it");
    }
    // The BBS relays the caller through a socket of its own: -diag says
    // what it sees at the other end.
    {
        TSession s;
        TLaunch l = ThyreLaunch(g, ViaDecodedSocket);
        l.Args.insert(l.Args.end(), {"-plain", "-diag"});
        ASSERT_TRUE(s.Start(l));
        ASSERT_TRUE(s.Expect("(Y/N)")) << s.Bbs.Errors;
        s.Key("N");
        ASSERT_TRUE(s.Expect("No house was founded. Call again when you want to join the Thyre."));
        ASSERT_TRUE(s.Expect("[press a key]"));
        s.Key(" ");
        EXPECT_EQ(s.Exit(), 0);
        EXPECT_NE(s.Bbs.Errors.find("thyre: socket peer 127.0.0.1, this machine: the BBS relaying the caller, not "
                                    "the caller's own connection (a plain socket: -plain is given)"),
                  std::string::npos)
            << s.Bbs.Errors;
        ended("the caller left the game (exit code 0)");
    }

    // A terminal whose standard error the BBS shows the caller too: the
    // refusal arrives once, on standard output, and the caller reads it.
    TScratch empty;
    TBbs bbs;
    TLaunch l = ThyreLaunch(g, ViaTerminal);
    l.Folder = empty.Dir;
    l.Args = {"-d", empty.Path("DOOR32.SYS"), "-g", empty.Dir};
    l.ErrorsToCaller = true;
    ASSERT_TRUE(bbs.Start(l));
    const std::string said = "No game has been started in " + empty.Dir + " - the sysop runs \"ydmaint new\" first.";
    ASSERT_TRUE(bbs.WaitFor(said)) << bbs.Screen;
    bbs.Send(" ");
    EXPECT_EQ(bbs.WaitExit(), 1);
    size_t first = bbs.Screen.find(said);
    EXPECT_EQ(bbs.Screen.find(said, first + 1), std::string::npos) << bbs.Screen;
    EXPECT_EQ(bbs.Screen.find('\0'), std::string::npos);
}

TEST(StartUp, AGameFolderTheDoorCannotWriteIsToldToTheSysop)
{
    TGameFolder g;
    ASSERT_EQ(chmod(g.S.Dir.c_str(), 0555), 0);
    TLaunch l = ThyreLaunch(g, ViaPipes);
    // Root writes anywhere: the door is then started as nobody, as a BBS
    // user without the folder's group would be.
    if (geteuid() == 0) {
        if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "no setpriv to drop root";
        l.Args.insert(l.Args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", l.Program});
        l.Program = "/usr/bin/setpriv";
    }
    TSession s;
    ASSERT_TRUE(s.Start(l));
    ASSERT_TRUE(s.Expect("The game's folder can't be written. Please tell your sysop about the folder.")) << s.Bbs.Errors;
    s.Key(" ");
    EXPECT_EQ(s.Exit(), 1);
    EXPECT_NE(s.Bbs.Errors.find("thyre: the game folder refused the lock: "), std::string::npos) << s.Bbs.Errors;
    EXPECT_NE(s.Bbs.Errors.find(g.S.Dir), std::string::npos) << s.Bbs.Errors;
    chmod(g.S.Dir.c_str(), 0775);
}
