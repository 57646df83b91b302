// The Windows programs under Wine beside the Linux ones, on the same game
// folders: the files both builds write are the same bytes, each reads what
// the other wrote, and a caller plays thyre.exe as a Windows BBS starts it.
// Run by `make test` after `make windows` when Wine is installed; the
// Windows build's folder comes in THYRE_WIN_BUILD.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <sys/wait.h>

#include "core/gamefile.h"
#include "core/league.h"
#include "core/model.h"
#include "core/osfs.h"
#include "tests/player/door_session.h"
#include "tests/testutil.h"

namespace {

std::string WinBuild()
{
    const char* dir = std::getenv("THYRE_WIN_BUILD");
    return dir && *dir ? FolderWithDelim(FullPath(dir)) : "";
}

std::string Wine()
{
    const char* w = std::getenv("WINE");
    return w && *w ? w : "/usr/bin/wine";
}

// Wine's server stays up between the programs the tests start, so that
// many of them starting at once never meet one that is shutting down.
void KeepWineUp()
{
    static bool started = false;
    if (started) return;
    started = true;
    setenv("WINEDEBUG", "-all", 1);
    if (std::system("wineserver -p 120 >/dev/null 2>&1") != 0) {}
}

#define NEED_WINDOWS_BUILD()                                                   \
    do {                                                                       \
        if (WinBuild().empty()) GTEST_SKIP() << "THYRE_WIN_BUILD is not set"; \
        KeepWineUp();                                                          \
    } while (0)

TRun Linux(const std::string& program, const std::vector<std::string>& args, const std::string& input = "")
{
    std::string path = std::string(YDMAINT_PATH);
    path = path.substr(0, path.find_last_of('/') + 1) + program;
    return input.empty() ? RunProgram(path, args) : RunWithInput(path, args, input);
}

TRun Windows(const std::string& program, const std::vector<std::string>& args, const std::string& input = "")
{
    std::vector<std::string> all = {WinBuild() + program + ".exe"};
    all.insert(all.end(), args.begin(), args.end());
    TRun r = input.empty() ? RunProgram(Wine(), all) : RunWithInput(Wine(), all, input);
    r.Out = UnixLines(r.Out);
    return r;
}

// Both folders hold the same bytes in every file the programs share.
void ExpectSameFiles(const TScratch& a, const TScratch& b, const char* when)
{
    for (const char* f : {"THYRE.DAT", "THYRE.CFG", "EVENTS.DAT", "MSGS.DAT", "NEWS.TXT", "FAME.TXT", "THYRE.BK1"}) {
        bool inA = PathExists(a.Path(f)), inB = PathExists(b.Path(f));
        EXPECT_EQ(inA, inB) << f << " " << when;
        if (inA && inB) {
            EXPECT_TRUE(ReadFile(a.Path(f)) == ReadFile(b.Path(f))) << f << " differs " << when;
        }
    }
}

TEST(CrossPlatform, BothBuildsWriteTheSameBytesAndReadEachOther)
{
    NEED_WINDOWS_BUILD();
    TScratch lin, win;
    TRun l = Linux("ydmaint", {"-d", lin.Dir, "new", "-seed", "11"});
    TRun r = Windows("ydmaint", {"-d", win.Dir, "new", "-seed", "11"});
    ASSERT_EQ(l.Exit, 0) << l.Out;
    ASSERT_EQ(r.Exit, 0) << r.Out;
    EXPECT_EQ(l.Out, r.Out);
    ExpectSameFiles(lin, win, "after new");

    // Each build joins a house in the other's folder.
    ASSERT_EQ(Windows("ydmaint", {"-d", lin.Dir, "join", "Astra", "Ann Caller"}).Exit, 0);
    ASSERT_EQ(Linux("ydmaint", {"-d", win.Dir, "join", "Astra", "Ann Caller"}).Exit, 0);
    ExpectSameFiles(lin, win, "after join");

    // A notice from each setup program, the same answers.
    const std::string notice = "4\nY\nThe BBS is down on Sunday.\nBack on Monday.\n\n\nQ\n";
    r = Windows("thyrecfg", {lin.Dir}, notice);
    EXPECT_NE(r.Out.find("Sent to 1 house."), std::string::npos) << r.Out;
    // Into a pipe the colour codes vanish; no console, no colours.
    EXPECT_EQ(r.Out.find('`'), std::string::npos);
    EXPECT_EQ(r.Out.find('\x1b'), std::string::npos);
    r = Linux("thyrecfg", {win.Dir}, notice);
    EXPECT_NE(r.Out.find("Sent to 1 house."), std::string::npos) << r.Out;
    ExpectSameFiles(lin, win, "after the notices");

    // Nights taken in turns: each build plays on what the other wrote.
    for (int night = 1; night <= 4; night++) {
        bool linuxFirst = night % 2 == 1;
        TRun a = linuxFirst ? Linux("ydmaint", {"-d", lin.Dir, "daily"}) : Windows("ydmaint", {"-d", lin.Dir, "daily"});
        TRun b = linuxFirst ? Windows("ydmaint", {"-d", win.Dir, "daily"}) : Linux("ydmaint", {"-d", win.Dir, "daily"});
        ASSERT_EQ(a.Exit, 0) << a.Out;
        ASSERT_EQ(b.Exit, 0) << b.Out;
        ExpectSameFiles(lin, win, ("after night " + std::to_string(night)).c_str());
    }

    for (const char* f : {"EVENTS.DAT", "MSGS.DAT", "NEWS.TXT", "THYRE.BK1"}) EXPECT_TRUE(PathExists(lin.Path(f))) << f;

    // The same house's view, from either program on either folder.
    TRun d1 = Linux("ydmaint", {"-d", win.Dir, "dump", "1"});
    TRun d2 = Windows("ydmaint", {"-d", lin.Dir, "dump", "1"});
    EXPECT_EQ(d1.Exit, 0);
    EXPECT_EQ(d1.Out, d2.Out);
    EXPECT_NE(d1.Out.find("\"name\":\"Astra\""), std::string::npos) << d1.Out;
    EXPECT_FALSE(PathExists(lin.Path("THYRE.LCK")));
    EXPECT_FALSE(PathExists(win.Path("THYRE.LCK")));
}

// Writers of both builds at once on one folder take turns through the same
// lock while readers of both builds look at the game: every house joins,
// none is lost to another's save, and no reader finds the game missing.
TEST(CrossPlatform, WritersOfBothBuildsAtOnceLoseNothing)
{
    NEED_WINDOWS_BUILD();
    TScratch dir;
    ASSERT_EQ(Linux("ydmaint", {"-d", dir.Dir, "new", "-seed", "4"}).Exit, 0);
    const int writers = 10, readers = 6;   // room for 12 houses, 2 are computers
    std::vector<std::thread> all;
    std::vector<TRun> runs(writers + readers);
    for (int i = 0; i < writers + readers; i++)
        all.emplace_back([&, i] {
            std::vector<std::string> args = {"-d", dir.Dir, "join", "House" + std::to_string(i), "Player " + std::to_string(i)};
            if (i >= writers) args = {"-d", dir.Dir, "status"};
            runs[i] = i % 2 ? Windows("ydmaint", args) : Linux("ydmaint", args);
        });
    for (std::thread& t : all) t.join();
    for (int i = 0; i < writers + readers; i++) EXPECT_EQ(runs[i].Exit, 0) << i << ": " << runs[i].Out;
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    for (int i = 0; i < writers; i++) EXPECT_GT(FindHouseByPlayer("Player " + std::to_string(i)), 0) << i;
    EXPECT_FALSE(PathExists(dir.Path("THYRE.LCK")));
}

// thyre.exe started as a Windows BBS starts a door on the standard handles:
// the caller on anonymous pipes, DOOR32.SYS comm type 0.
TLaunch WindowsBbs(const TGameFolder& g, const std::string& mode)
{
    TLaunch l;
    l.Mode = ViaPipes;
    l.Program = Wine();
    l.Folder = g.S.Dir;
    l.CommType = "";   // the Windows BBS writes its own DOOR32.SYS
    l.Args = {WinBuild() + "tests/win/winbbs.exe", mode, g.S.Dir, WinBuild() + "thyre.exe",
              "-d", g.S.Path("DOOR32.SYS"), "-g", g.S.Dir};
    return l;
}

TEST(WineDoor, ACallerFoundsAHouseInThyreExeOnAGameTheLinuxBuildStarted)
{
    NEED_WINDOWS_BUILD();
    TGameFolder g;   // started by the Linux build's code
    TSession s;
    ASSERT_TRUE(s.Start(WindowsBbs(g, "pipes")));
    ASSERT_TRUE(s.Expect("Will you found a house in the Thyre?", 20000)) << s.Bbs.Screen << s.Bbs.Errors;
    EXPECT_EQ(s.Screen.Row(0), "YVARN THYRE");
    EXPECT_EQ(s.Screen.Colour(0, 0), 14);
    EXPECT_EQ(s.Screen.Row(7), "Will you found a house in the Thyre? (Y/N)");
    s.Key("Y");
    ASSERT_TRUE(s.Expect("e.g. "));
    s.Key("Astra\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    g.Load();
    int h = FindHouseByPlayer("Ann Caller");
    ASSERT_GT(h, 0);
    EXPECT_EQ(s.Screen.Row(0), "House Astra is founded at " + WorldName(HouseRec(h).HomeWorld) + ".");
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    EXPECT_EQ(s.Screen.Row(0), " YVARN THYRE              Day 1 of 60            House Astra");
    s.Key("QY");
    ASSERT_TRUE(s.Expect("Orders are carried out tonight."));
    EXPECT_EQ(s.Exit(20000), 0);
    EXPECT_FALSE(g.Locked());
    // The Linux night plays the house the Windows door founded.
    TRun r = Linux("ydmaint", {"-d", g.S.Dir, "turn"});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    g.Load();
    EXPECT_EQ((int)Game.Header.Day, 2);
    EXPECT_EQ(StrGet(HouseRec(h).Name), "Astra");
}

// The caller on the socket the BBS lets the door inherit, its handle on
// DOOR32.SYS line 2.  Wine 8's Windows Sockets answers "not a socket"
// (10038) for a socket a process inherited rather than made; the door then
// refuses it with its message, and the test says so instead of playing.
TEST(WineDoor, ACallerPlaysThyreExeOverAnInheritedSocket)
{
    NEED_WINDOWS_BUILD();
    TGameFolder g;
    TSession s;
    ASSERT_TRUE(s.Start(WindowsBbs(g, "socket")));
    s.Expect("Will you found a house in the Thyre?", 20000);
    if (s.Bbs.Screen.empty()) {
        EXPECT_EQ(s.Exit(20000), 1);
        std::string errors = UnixLines(s.Bbs.Errors);
        if (errors.find("is not a socket this program can use (error 10038)") != std::string::npos)
            GTEST_SKIP() << "this Wine does not let a process use an inherited socket: " << errors;
        FAIL() << "no screen and no refusal: " << errors;
    }
    ASSERT_TRUE(s.Screen.Has("Will you found a house in the Thyre?")) << s.Bbs.Screen;
    s.Key("Y");
    ASSERT_TRUE(s.Expect("e.g. "));
    s.Key("Astra\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    ASSERT_TRUE(s.Expect("Orders are carried out tonight."));
    EXPECT_EQ(s.Exit(20000), 0);
    g.Load();
    EXPECT_GT(FindHouseByPlayer("Ann Caller"), 0);
    EXPECT_FALSE(g.Locked());
}

// Local play on the console: thyre.exe started on a terminal, which Wine
// turns into a Windows console; keys come as console input records, and
// the door gives the console back its modes when it ends.
TEST(WineDoor, LocalPlayOnTheConsole)
{
    NEED_WINDOWS_BUILD();
    TGameFolder g;
    TLaunch l;
    l.Mode = ViaTerminal;
    l.Program = Wine();
    l.Folder = g.S.Dir;
    l.CommType = "";
    l.Args = {WinBuild() + "thyre.exe", "-l", "-u", "Ann Caller", "-g", g.S.Dir};
    TSession s;
    ASSERT_TRUE(s.Start(l));
    ASSERT_TRUE(s.Expect("Will you found a house in the Thyre?", 20000)) << s.Bbs.Screen << s.Bbs.Errors;
    EXPECT_TRUE(s.Screen.Has("YVARN THYRE"));
    s.Key("Y");
    ASSERT_TRUE(s.Expect("e.g. ")) << s.Bbs.Screen;
    s.Key("Astra\r");
    ASSERT_TRUE(s.Expect("[press a key]")) << s.Bbs.Screen;
    s.Key(" ");
    // Wine draws the console on the terminal itself: blanks at the end of
    // a line become an erase to its end.
    ASSERT_TRUE(s.Expect("Your command:")) << s.Bbs.Screen;
    s.Key("QY");
    ASSERT_TRUE(s.Expect("Orders are carried out tonight."));
    EXPECT_EQ(s.Exit(20000), 0);
    g.Load();
    int h = FindHouseByPlayer("Ann Caller");
    ASSERT_GT(h, 0);
    EXPECT_EQ(StrGet(HouseRec(h).Name), "Astra");
    EXPECT_FALSE(g.Locked());
}

// thyrecfg.exe on a console: the colour codes become console text colours.
TEST(WineDoor, TheSetupProgramColoursTheConsole)
{
    NEED_WINDOWS_BUILD();
    TGameFolder g;
    TLaunch l;
    l.Mode = ViaTerminal;
    l.Program = Wine();
    l.Folder = g.S.Dir;
    l.CommType = "";
    l.Args = {WinBuild() + "thyrecfg.exe", g.S.Dir};
    TSession s;
    ASSERT_TRUE(s.Start(l));
    // Wine draws a console cell by cell, so the text is looked for on the
    // rendered screen rather than in the bytes.
    for (int i = 0; i < 200 && !s.Screen.Has("Choice:"); i++) {
        s.Bbs.Pump(100);
        s.Render();
    }
    ASSERT_TRUE(s.Screen.Has("Choice:")) << s.Bbs.Screen << s.Bbs.Errors;
    int title = -1;
    for (int r = 0; r < 25 && title < 0; r++)
        if (s.Screen.Row(r).rfind("YVARN THYRE SETUP", 0) == 0) title = r;
    ASSERT_GE(title, 0) << s.Bbs.Screen;
    EXPECT_EQ(s.Screen.Colour(title, 0), 14);       // "`E" yellow
    EXPECT_EQ(s.Screen.Colour(title + 1, 0), 8);    // "`8" dark grey
    EXPECT_EQ(s.Screen.Row(title + 1).substr(0, 10), std::string(10, '-'));
    // Wine's console may still be drawing when the keys come, and drop them
    // (seen under load): the quit is typed again until the program ends.
    int code = -1;
    for (int tries = 0; tries < 4 && code < 0; tries++) {
        s.Key("Q\r");
        for (int i = 0; i < 50 && code < 0; i++) {
            s.Bbs.Pump(100);
            int status = 0;
            if (waitpid(s.Bbs.Pid, &status, WNOHANG) == s.Bbs.Pid)
                code = s.Bbs.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }
    if (code < 0) code = s.Exit(1000);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(g.Locked());
}

TEST(WineDoor, TheCallerHangingUpEndsThyreExeWithNothingLocked)
{
    NEED_WINDOWS_BUILD();
    TGameFolder g;
    TSession s;
    ASSERT_TRUE(s.Start(WindowsBbs(g, "pipes")));
    ASSERT_TRUE(s.Expect("Will you found a house in the Thyre?", 20000)) << s.Bbs.Screen << s.Bbs.Errors;
    s.Key("Y");
    ASSERT_TRUE(s.Expect("e.g. "));
    s.Bbs.CloseCaller();
    EXPECT_EQ(s.Exit(20000), 0);
    EXPECT_FALSE(g.Locked());
    g.Load();
    EXPECT_EQ(FindHouseByPlayer("Ann Caller"), -1);
}

TEST(WineDoor, TheLinuxDoorPlaysAGameYdmaintExeStarted)
{
    NEED_WINDOWS_BUILD();
    TGameFolder g;
    TRun r = Windows("ydmaint", {"-d", g.S.Dir, "new", "-force", "-seed", "21"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Will you found a house in the Thyre?")) << s.Bbs.Screen << s.Bbs.Errors;
    s.Key("Y");
    ASSERT_TRUE(s.Expect("e.g. "));
    s.Key("Borea\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);
    // ydmaint.exe plays the night on the Linux door's founding.
    r = Windows("ydmaint", {"-d", g.S.Dir, "turn"});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    r = Windows("ydmaint", {"-d", g.S.Dir, "status"});
    EXPECT_NE(r.Out.find("Borea"), std::string::npos) << r.Out;
    g.Load();
    EXPECT_EQ((int)Game.Header.Day, 2);
}

TEST(WineDoor, RefusalsNameWindowsAndItsSocketError)
{
    NEED_WINDOWS_BUILD();
    TGameFolder g;
    // A handle that is no socket: the Windows Sockets error number, on
    // standard error too, as standard output leads to NUL here.
    std::vector<std::string> args = {WinBuild() + "tests/win/winbbs.exe", "badsocket", g.S.Dir, WinBuild() + "thyre.exe",
                                     "-d", g.S.Path("DOOR32.SYS"), "-g", g.S.Dir};
    TRun r = RunProgram(Wine(), args);
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(UnixLines(r.Out), "Door: DOOR32.SYS socket handle 4242 is not a socket this program can use (error 10038)\n");
    // A serial line.
    WriteFile(g.S.Path("DOOR32.SYS"), "1\r\n1\r\n38400\r\nTest BBS\r\n1\r\nAnn Caller\r\nRaven\r\n10\r\n30\r\n1\r\n1\r\n");
    r = Windows("thyre", {"-d", g.S.Path("DOOR32.SYS"), "-g", g.S.Dir});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "Door: DOOR32.SYS comm type 1 (serial) is not supported on Windows; use telnet (2)\n");
    EXPECT_FALSE(g.Locked());
}

// A Linux host and a Windows member of one league: each sets itself up with
// its own program, they exchange packets over a shared folder, and a packet
// is the same bytes whichever build wrote it.
TEST(CrossPlatform, ALinuxHostAndAWindowsMemberPlayOneLeague)
{
    NEED_WINDOWS_BUILD();
    TScratch host, win, twin, wire, other;
    ASSERT_EQ(Linux("ydmaint", {"-d", host.Dir, "new", "-seed", "21"}).Exit, 0);
    TRun h = Linux("ydmaint", {"-d", host.Dir, "league", "init", "-league", "Cup", "-role", "host", "-node", "2:5/1",
                               "-inbound", wire.Dir, "-outbound", wire.Dir});
    TRun w = Windows("ydmaint", {"-d", win.Dir, "league", "init", "-league", "Cup", "-role", "member", "-node", "2:5/2",
                                 "-host", "2:5/1", "-inbound", wire.Dir, "-outbound", wire.Dir});
    ASSERT_EQ(h.Exit, 0) << h.Out;
    ASSERT_EQ(w.Exit, 0) << w.Out;
    std::string keys = Lines(h.Out).back() + "\n" + Lines(w.Out).back() + "\n";
    for (const TScratch* b : {&host, &win}) {
        std::string cfg = ReadFile(b->Path("LEAGUE.CFG"));
        cfg = cfg.substr(0, cfg.find("Key = ")) + keys;
        if (b == &host) cfg += "Member = 2:5/2, Windows BBS, 1\n";
        WriteFile(b->Path("LEAGUE.CFG"), cfg);
    }
    ASSERT_EQ(Linux("ydmaint", {"-d", host.Dir, "league", "send"}).Exit, 0);
    TRun r = Windows("ydmaint", {"-d", win.Dir, "league", "receive"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    EXPECT_TRUE(ReadFile(win.Path("THYRE.DAT")) == ReadFile(host.Path("THYRE.DAT")));

    // A founding request waits in the Windows member's journal; a copy of
    // the folder sends from Linux: the two packets are the same bytes.
    TChange found;
    found.Kind = ChangeFound;
    found.Text = "Wina";
    found.Player = "Sam";
    ASSERT_TRUE(JournalAppend(win.Dir, 1, found));
    for (const char* f : {"THYRE.DAT", "LEAGUE.DAT", "LEAGUE.KEY", "JOURNAL.DAT", "EVENTS.DAT", "MSGS.DAT"})
        CopyWholeFile(win.Path(f), twin.Path(f));
    std::string cfg = ReadFile(win.Path("LEAGUE.CFG"));
    size_t at = cfg.find("Outbound = ");
    cfg = cfg.substr(0, at) + "Outbound = " + other.Dir + cfg.substr(cfg.find('\n', at));
    WriteFile(twin.Path("LEAGUE.CFG"), cfg);
    ASSERT_EQ(Windows("ydmaint", {"-d", win.Dir, "league", "send"}).Exit, 0);
    ASSERT_EQ(Linux("ydmaint", {"-d", twin.Dir, "league", "send"}).Exit, 0);
    const std::string packet = "thyre_j_2-5-2_2-5-1_00000001.ytp";
    ASSERT_TRUE(PathExists(wire.Path(packet)));
    EXPECT_TRUE(ReadFile(wire.Path(packet)) == ReadFile(other.Path(packet)));

    // The host's night founds the house; the member takes the new game.
    r = Linux("ydmaint", {"-d", host.Dir, "daily"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    r = Windows("ydmaint", {"-d", win.Dir, "daily"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    EXPECT_TRUE(ReadFile(win.Path("THYRE.DAT")) == ReadFile(host.Path("THYRE.DAT")));
    r = Windows("ydmaint", {"-d", win.Dir, "status"});
    EXPECT_NE(r.Out.find("Wina"), std::string::npos) << r.Out;
    r = Linux("ydmaint", {"-d", host.Dir, "league", "status"});
    EXPECT_NE(r.Out.find("houses: Wina"), std::string::npos) << r.Out;
}

}   // namespace
