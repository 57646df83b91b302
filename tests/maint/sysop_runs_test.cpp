// What a sysop does by the book, and carelessly: two nightly runs at once,
// restores, a scheduler line without its folder, THYRE.CFG with typos, a
// web folder the night cannot write, copies that would fill the disk.
// Every program runs as a process on a scratch folder.
#include <algorithm>
#include <gtest/gtest.h>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/files.h"
#include "core/gamefile.h"
#include "core/history.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "tests/testutil.h"

namespace {

TRun Ydmaint(const std::vector<std::string>& args, const std::string& cwd = "")
{
    return RunProgram(YDMAINT_PATH, args, cwd);
}

int DayOf(const std::string& path)
{
    return LoadGame(path) ? Game.Header.Day : -1;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST(SysopRuns, TwoNightlyRunsPlayOneNightAndRestoresKeepTheirUndo)
{
    TScratch s, elsewhere;
    // A scheduler line without -d: the game is started where the run stands,
    // and said even with -quiet.
    TRun r = Ydmaint({"daily", "-quiet"}, s.Dir);
    EXPECT_EQ(r.Exit, 0) << r.Out;
    EXPECT_EQ(r.Out, "no game yet: a new game was started in " + s.Dir + ".\n");
    EXPECT_TRUE(Has(ReadFile(s.Path("MAINT.LOG")), "  no game yet: new game \"Yvarn Thyre\""));
    ASSERT_EQ(DayOf(s.Path("THYRE.DAT")), 1);

    // Cron and a timer both enabled: two runs started together play one
    // night, five times in five; the one that waited says so and succeeds.
    // (A door holds the lock a moment, so both are surely under way.)
    for (int round = 0; round < 5; round++) {
        int day = DayOf(s.Path("THYRE.DAT"));
        TRun a, b;
        ASSERT_TRUE(TakeLock(s.Dir, 5, 20));
        std::thread one([&] { a = Ydmaint({"-d", s.Dir, "daily", "-quiet"}); });
        std::thread other([&] { b = Ydmaint({"-d", s.Dir, "daily", "-quiet"}); });
        SleepMs(700);
        ReleaseLock(s.Dir);
        one.join();
        other.join();
        EXPECT_EQ(a.Exit, 0) << a.Out;
        EXPECT_EQ(b.Exit, 0) << b.Out;
        ASSERT_EQ(DayOf(s.Path("THYRE.DAT")), day + 1) << a.Out << b.Out;
        std::string said = "the night of day " + std::to_string(day) + " was just played by another run.\n";
        EXPECT_EQ(a.Out + b.Out, said) << round;
        EXPECT_TRUE(Has(ReadFile(s.Path("MAINT.LOG")), "  " + said.substr(0, said.size() - 2) + "\r\n"));
    }
    // On purpose: -force plays a night whatever ran just before, and hand
    // runs one after the other each play theirs.
    int day = DayOf(s.Path("THYRE.DAT"));
    std::thread forced([&] { Ydmaint({"-d", s.Dir, "daily", "-force"}); });
    r = Ydmaint({"-d", s.Dir, "daily", "-force"});
    forced.join();
    EXPECT_EQ(r.Exit, 0) << r.Out;
    EXPECT_EQ(DayOf(s.Path("THYRE.DAT")), day + 2);
    EXPECT_TRUE(Has(Ydmaint({"-d", s.Dir, "daily"}).Out, "day " + std::to_string(day + 2) + " done: "));
    // A house that joins on the last day before the restore's: a restore
    // to before it leaves no trace of it on the page.
    ASSERT_EQ(Ydmaint({"-d", s.Dir, "join", "Latecomer", "Lee Late"}).Exit, 0);
    EXPECT_TRUE(Has(Ydmaint({"-d", s.Dir, "turn"}).Out, "day " + std::to_string(day + 3) + " done: "));
    int now = day + 4;
    ASSERT_EQ(DayOf(s.Path("THYRE.DAT")), now);

    // Back three nights; the backups of the nights undone are marked, and
    // the web page shows the day gone back to.
    WriteFile(s.Path("THYRE.CFG"), ReadFile(s.Path("THYRE.CFG")) + "WebFolder = web\r\n");
    int back = now - 3;
    r = Ydmaint({"-d", s.Dir, "restore", std::to_string(back % 7), "-yes"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    ASSERT_EQ(DayOf(s.Path("THYRE.DAT")), back);
    std::string undo = ReadFile(s.Path("THYRE.UND"));
    EXPECT_EQ(DayOf(s.Path("THYRE.UND")), now);
    r = Ydmaint({"-d", s.Dir, "restore"});
    std::string undone = "  (undone: the game went back to day " + std::to_string(back) + ")";
    EXPECT_TRUE(Has(r.Out, "THYRE.BK" + std::to_string((back + 1) % 7) + "  day " + std::to_string(back + 1) +
                               ", 2 houses" + undone + "\n"))
        << r.Out;
    EXPECT_TRUE(Has(r.Out, "THYRE.BK" + std::to_string(back % 7) + "  day " + std::to_string(back) + ", 2 houses\n"));
    EXPECT_TRUE(Has(ReadFile(s.Path("web/index.html")), "<p class=\"day\">Day " + std::to_string(back) + " of 60, "));
    // The chart forgets the undone nights.
    std::vector<TScoreRec> history;
    ASSERT_TRUE(ReadScoreHistory(s.Dir, history));
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back().Day, back - 1);
    EXPECT_FALSE(Has(ReadFile(s.Path("web/chart.svg")), "Latecomer"));
    EXPECT_FALSE(Has(ReadFile(s.Path("web/index.html")), "Latecomer"));

    // The live game onto itself (the guide's own example), and the backup
    // that is the game as it now is: refused, THYRE.UND kept.
    for (const std::string& same : std::vector<std::string>{"THYRE.DAT", std::to_string(back % 7)}) {
        r = Ydmaint({"-d", s.Dir, "restore", same, "-yes"});
        EXPECT_EQ(r.Exit, 1) << same;
        EXPECT_TRUE(Has(r.Out, " is the game as it is now; nothing changed (THYRE.UND is kept)\n")) << r.Out;
        EXPECT_EQ(ReadFile(s.Path("THYRE.UND")), undo);
        EXPECT_EQ(DayOf(s.Path("THYRE.DAT")), back);
    }
    // THYRE.UND named alone, from another folder, is the game folder's: the
    // restore is undone, and can be undone in turn.
    r = Ydmaint({"-d", s.Dir, "restore", "THYRE.UND", "-yes"}, elsewhere.Dir);
    EXPECT_EQ(r.Exit, 0) << r.Out;
    EXPECT_TRUE(Has(r.Out, "restored day " + std::to_string(now) + " from " + s.Dir + "THYRE.UND;")) << r.Out;
    EXPECT_EQ(DayOf(s.Path("THYRE.DAT")), now);
    EXPECT_EQ(DayOf(s.Path("THYRE.UND")), back);
    EXPECT_FALSE(PathExists(elsewhere.Path("THYRE.DAT")));
    // Undoing the restore brings the chart's nights back with the game, on
    // the page as well; undoing that again forgets them once more.
    ASSERT_TRUE(ReadScoreHistory(s.Dir, history));
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back().Day, now - 1);
    EXPECT_EQ((int)history.size(), now - 1);
    EXPECT_TRUE(Has(ReadFile(s.Path("web/chart.svg")), "night " + std::to_string(now - 1) + ": "));
    EXPECT_TRUE(Has(ReadFile(s.Path("web/chart.svg")), "Latecomer"));
    r = Ydmaint({"-d", s.Dir, "restore", "THYRE.UND", "-yes"});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    ASSERT_TRUE(ReadScoreHistory(s.Dir, history));
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back().Day, back - 1);
    EXPECT_FALSE(Has(ReadFile(s.Path("web/chart.svg")), "night " + std::to_string(back) + ": "));
    EXPECT_FALSE(Has(ReadFile(s.Path("web/chart.svg")), "Latecomer"));

    // A player's house the sysop removed (out, its player cleared): the page
    // says out, with no player to name.
    ASSERT_TRUE(LoadGame(s.Path("THYRE.DAT")));
    HouseRec(2).Computer = 0;
    HouseRec(2).Status = StatusOut;
    StrSet(HouseRec(2).Player, "");
    ASSERT_TRUE(SaveGame(s.Path("THYRE.DAT")));
    r = Ydmaint({"-d", s.Dir, "web", s.Path("web")});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    std::string page = ReadFile(s.Path("web/index.html"));
    EXPECT_TRUE(Has(page, "<span class=\"hname\">" + StrGet(HouseRec(2).Name) + "</span></span></td><td>out</td>")) << page;
    EXPECT_FALSE(Has(page, "<td>, out</td>"));

    // A file of another game (another folder's, started elsewhere) is told
    // as such, not as a going back; THYRE.UND brings the game back.
    ASSERT_EQ(Ydmaint({"-d", elsewhere.Dir, "new", "-seed", "77"}).Exit, 0);
    int today = DayOf(s.Path("THYRE.DAT"));
    r = Ydmaint({"-d", s.Dir, "restore", elsewhere.Path("THYRE.DAT"), "-yes"});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    EXPECT_TRUE(Has(r.Out, "The game is on day " + std::to_string(today) + "; " + elsewhere.Path("THYRE.DAT") +
                               " holds another game (another map), on day 1.\nRestoring it replaces the running game, "
                               "which is kept as THYRE.UND.\n"))
        << r.Out;
    EXPECT_FALSE(Has(r.Out, "Going back loses"));
    r = Ydmaint({"-d", s.Dir, "restore", "THYRE.UND", "-yes"});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    EXPECT_TRUE(Has(r.Out, "THYRE.UND holds another game (another map), on day " + std::to_string(today) + ".\n")) << r.Out;
    EXPECT_EQ(DayOf(s.Path("THYRE.DAT")), today);
}

TEST(SysopRuns, TyposAndUnwritableFoldersAreToldAndTheNightStillCounts)
{
    TScratch s, copies;
    WriteFile(s.Path("THYRE.CFG"), "; mine\r\nGameName = Typos\r\nMaxHouse = 20\r\nDays = 9O\r\nHollow = hi\r\n"
                                   "Difficulty = Hardest\r\nMaxHouses = 40\r\nAutoRestart = sometimes\r\n"
                                   "PeaceDays 5\r\nWebFolder = " + s.Dir + "NEWS.TXT/web\r\n");
    const std::vector<std::string> told = {
        "THYRE.CFG line 3: MaxHouse = 20 is not a setting; the line is ignored.",
        "THYRE.CFG line 4: Days = 9O is not a number; 60 kept.",
        "THYRE.CFG line 5: Hollow = hi is not a number; 2 kept.",
        "THYRE.CFG line 6: Difficulty = Hardest is not Easy, Normal or Hard; Normal kept.",
        "THYRE.CFG line 7: MaxHouses = 40 is outside 2 to 25; 25 used.",
        "THYRE.CFG line 8: AutoRestart = sometimes is not Yes or No; Yes kept.",
        "THYRE.CFG line 9: \"PeaceDays 5\" has no \"=\"; the line is ignored.",
    };
    // new: each line named on screen and in MAINT.LOG; the reader's rules hold.
    TRun r = Ydmaint({"-d", s.Dir, "new", "-seed", "3"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    for (const std::string& t : told) {
        EXPECT_TRUE(Has(r.Out, "ydmaint: WARNING: " + t + "\n")) << t << r.Out;
        EXPECT_TRUE(Has(ReadFile(s.Path("MAINT.LOG")), "  WARNING: " + t.substr(0, t.size() - 1) + "\r\n")) << t;
    }
    ASSERT_TRUE(LoadGame(s.Path("THYRE.DAT")));
    EXPECT_EQ(Game.Header.LastDay, 60);
    EXPECT_EQ(Game.Header.MaxHouses, 25);
    EXPECT_EQ(Game.Header.Hollow, 2);
    // check lists them for a sysop who asks, and so does status.
    r = Ydmaint({"-d", s.Dir, "check"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(Lines(r.Out), told);
    r = Ydmaint({"-d", s.Dir, "status"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_TRUE(Has(r.Out, "  State\n")) << r.Out;
    EXPECT_TRUE(Has(r.Out, told.back() + "\n"));

    // A web folder that cannot be made (its parent is a file): the night is
    // played and counted, NEWS.TXT written, the page a warning with the
    // system's reason.
    r = Ydmaint({"-d", s.Dir, "daily"});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    EXPECT_TRUE(Has(r.Out, "day 1 done: ")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "ydmaint: WARNING: web page: the folder " + s.Dir + "NEWS.TXT/web could not be made: "
                           "Not a directory.\n"))
        << r.Out;
    EXPECT_TRUE(Has(ReadFile(s.Path("MAINT.LOG")), "  WARNING: web page: the folder ")) << ReadFile(s.Path("MAINT.LOG"));
    EXPECT_TRUE(Has(ReadFile(s.Path("NEWS.TXT")), "Typos - news of day 1"));
    EXPECT_EQ(DayOf(s.Path("THYRE.DAT")), 2);

    // A save that fails says why, never "Success".
    WriteFile(s.Path("THYRE.CFG"), "NewsFile = No\r\n");
    r = Ydmaint({"-d", s.Dir, "check"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, "THYRE.CFG: every line is understood.\n");
    ASSERT_TRUE(MakeFolder(s.Path("THYRE.NEW")));
    r = Ydmaint({"-d", s.Dir, "turn"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: could not write " + s.Dir + "THYRE.DAT: Is a directory\n");
    RemoveFolder(s.Path("THYRE.NEW"));
    EXPECT_EQ(DayOf(s.Path("THYRE.DAT")), 2);
#ifndef _WIN32
    // A game folder the night may read but not write (the wrong user): the
    // refusal names the lock as the sysop knows it, not a passing name.
    // Root writes anywhere, so as root the night runs as nobody.
    ASSERT_EQ(chmod(s.Dir.c_str(), 0555), 0);
    std::vector<std::string> night = {"-d", s.Dir, "daily"};
    if (geteuid() == 0) night.insert(night.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", YDMAINT_PATH});
    r = geteuid() == 0 ? RunProgram("/usr/bin/setpriv", night) : Ydmaint(night);
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: PROBLEM: cannot make the lock " + s.Dir + "THYRE.LCK: Permission denied.\n");
    // Without -d (a scheduler line that lost it) the folder is named too.
    night.erase(night.end() - 3, night.end() - 1);
    r = geteuid() == 0 ? RunProgram("/usr/bin/setpriv", night, s.Dir) : Ydmaint(night, s.Dir);
    chmod(s.Dir.c_str(), 0700);
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: PROBLEM: cannot make the lock " + s.Dir + "THYRE.LCK: Permission denied.\n");
    EXPECT_EQ(DayOf(s.Path("THYRE.DAT")), 2);
    EXPECT_FALSE(PathExists(s.Path("THYRE.LCK")));

    // Ctrl-C in daily, again and again, at every moment of the night: every
    // night played is in MAINT.LOG, and nothing is left locked or half
    // written for the next program.  The moments spread over what one whole
    // run takes on this machine (a third of a second here, seconds under an
    // emulator or on a small board), from the start to half as long again.
    int64_t t0 = MonotonicMs();
    ASSERT_EQ(Ydmaint({"-d", s.Dir, "daily", "-force"}).Exit, 0);
    const int64_t whole = std::max<int64_t>(MonotonicMs() - t0, 100);
    const int startDay = DayOf(s.Path("THYRE.DAT"));
    for (int i = 0; i < 30; i++) {
        int before = DayOf(s.Path("THYRE.DAT"));
        const int64_t ms = whole * 3 / 2 * (i * 10 + 5) / 300;
        std::string delay = std::to_string((double)ms / 1000);
        r = RunProgram("/usr/bin/timeout", {"-s", "INT", delay, YDMAINT_PATH, "-d", s.Dir, "daily"});
        int after = DayOf(s.Path("THYRE.DAT"));
        ASSERT_TRUE(after == before || after == before + 1) << delay;
        EXPECT_EQ(Has(ReadFile(s.Path("MAINT.LOG")), "  day " + std::to_string(before) + " done: "), after > before)
            << delay;
        std::vector<std::string> names;
        ASSERT_TRUE(ListFolder(s.Dir, names));
        for (const std::string& n : names)
            EXPECT_TRUE(n != "THYRE.LCK" && n != "MAINT.RUN" && n != "EVENTS.NEW" && n != "THYRE.NEW" &&
                        n.find(".TMP") == std::string::npos)
                << n << " left after Ctrl-C at " << delay;
    }
    EXPECT_GT(DayOf(s.Path("THYRE.DAT")), startDay);
    // The same for a new game started by hand: a game that was replaced is
    // logged, and the one that stays keeps its messages.
    WriteFile(s.Path("MSGS.DAT"), "");
    for (int i = 0; i < 12; i++) {
        std::string game = ReadFile(s.Path("THYRE.DAT")), log = ReadFile(s.Path("MAINT.LOG"));
        std::string delay = "0.0" + std::to_string(i * 7 + 5);
        // A seed of its own: two games started in the same hundredth of a
        // second from the clock are the same game, byte for byte.
        r = RunProgram("/usr/bin/timeout",
                       {"-s", "INT", delay, YDMAINT_PATH, "-d", s.Dir, "new", "-force", "-seed", std::to_string(100 + i)});
        bool replaced = ReadFile(s.Path("THYRE.DAT")) != game;
        size_t logged = 0;
        for (size_t at = 0; (at = ReadFile(s.Path("MAINT.LOG")).find("new game started by hand", at)) != std::string::npos; at++)
            logged++;
        size_t before = 0;
        for (size_t at = 0; (at = log.find("new game started by hand", at)) != std::string::npos; at++) before++;
        EXPECT_EQ(logged, before + (replaced ? 1 : 0)) << delay;
        EXPECT_TRUE(replaced || PathExists(s.Path("MSGS.DAT"))) << delay;
        WriteFile(s.Path("MSGS.DAT"), "");
        std::vector<std::string> names;
        ASSERT_TRUE(ListFolder(s.Dir, names));
        for (const std::string& n : names)
            EXPECT_TRUE(n != "THYRE.LCK" && n != "MAINT.RUN" && n.find(".TMP") == std::string::npos)
                << n << " left after Ctrl-C at " << delay;
    }
#endif

    // Copies that do not fill the disk: -keep removes all but the newest,
    // and only what backup itself made.
    ASSERT_TRUE(MakeFolder(copies.Path("thyre-20200101-000000")));
    WriteFile(copies.Path("thyre-20200101-000000/THYRE.DAT"), "old");
    ASSERT_TRUE(MakeFolder(copies.Path("thyre-20200102-000000")));
    WriteFile(copies.Path("thyre-20200102-000000/THYRE.DAT"), "old");
    WriteFile(copies.Path("thyre-20200102-000000/notes.txt"), "the sysop's own");
    ASSERT_TRUE(MakeFolder(copies.Path("mine")));
    for (int n = 0; n < 3; n++) ASSERT_EQ(Ydmaint({"-d", s.Dir, "backup", copies.Dir}).Exit, 0);
    r = Ydmaint({"-d", s.Dir, "backup", "-keep", "2", copies.Dir});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    EXPECT_TRUE(Has(r.Out, "removed 3 older copies from " + copies.Dir + " (-keep 2)\n")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "ydmaint: WARNING: the old copy " + copies.Dir + "thyre-20200102-000000/ stays: ")) << r.Out;
    std::vector<std::string> left;
    ASSERT_TRUE(ListFolder(copies.Dir, left));
    EXPECT_EQ(left.size(), 4u);   // mine, the sysop's notes, the newest two
    EXPECT_TRUE(PathExists(copies.Path("mine")));
    EXPECT_TRUE(PathExists(copies.Path("thyre-20200102-000000/notes.txt")));
    EXPECT_FALSE(PathExists(copies.Path("thyre-20200101-000000")));
    int games = 0;
    for (const std::string& name : left) games += LoadGame(copies.Path(name + "/THYRE.DAT")) ? 1 : 0;
    EXPECT_EQ(games, 2);
    r = Ydmaint({"-d", s.Dir, "backup", copies.Dir, "-keep", "0"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: -keep needs the number of copies to keep, 1 or more\n");

    // Versions, and a switch is never a folder.
    r = Ydmaint({"--version"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, "ydmaint (Yvarn Thyre) 0.5\n");
    r = Ydmaint({"-d", "--help", "status"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: -d needs the game folder before --help\n");
    // A simulation in the live game's folder would replace the game and its
    // events: refused once a player has a house in it, nothing changed.  In
    // a folder of its own it plays, and plays again over its own earlier run.
    // (A new game first: on a slow machine every start above was
    // interrupted, and the game they left is closed to new houses.)
    ASSERT_EQ(Ydmaint({"-d", s.Dir, "new", "-force", "-seed", "200"}).Exit, 0);
    r = Ydmaint({"-d", s.Dir, "join", "Astra", "Ann"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    std::string game = ReadFile(s.Path("THYRE.DAT")), events = ReadFile(s.Path("EVENTS.DAT"));
    r = Ydmaint({"-d", s.Dir, "sim", "4", "5"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: there is a game in " + s.Dir + "; sim would replace it: give sim a folder of its own\n");
    EXPECT_TRUE(ReadFile(s.Path("THYRE.DAT")) == game);
    EXPECT_TRUE(ReadFile(s.Path("EVENTS.DAT")) == events);
    TScratch sims;
    for (const char* houses : {"3", "5"}) {
        r = Ydmaint({"-d", sims.Dir, "sim", houses, "10"});
        EXPECT_EQ(r.Exit, 0) << r.Out;
        EXPECT_TRUE(Has(r.Out, std::string("Simulating ") + houses + " houses for 10 days (seed 1)\n")) << r.Out;
    }
}
