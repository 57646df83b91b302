// The nightly run and the simulator as the sysop runs them.
#include <gtest/gtest.h>

#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/settings.h"
#include "core/stores.h"
#include "tests/testutil.h"

static TRun Ydmaint(const std::vector<std::string>& args) { return RunProgram(YDMAINT_PATH, args); }

static std::vector<std::string> LogLines(const TScratch& dir)
{
    std::vector<std::string> out;
    for (std::string l : Lines(ReadFile(dir.Path("MAINT.LOG")))) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l.substr(18));
    }
    return out;
}

TEST(Daily, EmptyFolderResetAndEndedGames)
{
    TScratch dir;
    TRun r = Ydmaint({"-d", dir.Dir, "daily"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    EXPECT_EQ(r.Out.rfind("no game yet: new game \"Yvarn Thyre\"", 0), 0u) << r.Out;
    EXPECT_TRUE(PathExists(dir.Path("THYRE.CFG")));
    EXPECT_TRUE(PathExists(dir.Path("THYRE.DAT")));
    EXPECT_EQ(Lines(ReadFile(dir.Path("NEWS.TXT")))[0], "Yvarn Thyre - news of day 1\r");
    ASSERT_EQ(LogLines(dir).size(), 1u);
    EXPECT_EQ(LogLines(dir)[0].rfind("no game yet: new game", 0), 0u);

    // A night: day 1 played, backup of day 1 in THYRE.BK1.
    r = Ydmaint({"-d", dir.Dir, "daily"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    EXPECT_EQ(r.Out.rfind("day 1 done: ", 0), 0u) << r.Out;
    EXPECT_TRUE(PathExists(dir.Path("THYRE.BK1")));
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    EXPECT_EQ(Game.Header.Day, 2);
    EXPECT_FALSE(PathExists(dir.Path("MAINT.RUN")));
    EXPECT_FALSE(PathExists(dir.Path("THYRE.LCK")));

    // DailyReset starts a new game every night.
    TSettings s = ReadSettings(dir.Dir);
    s.DailyReset = true;
    ASSERT_TRUE(WriteSettings(dir.Dir, s));
    r = Ydmaint({"-d", dir.Dir, "daily"});
    EXPECT_EQ(r.Out.rfind("daily reset (DailyReset = Yes): the old game is kept as OLDGAME.DAT; new game", 0), 0u);
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    EXPECT_EQ(Game.Header.Day, 1);

    // An ended game without AutoRestart: nothing changes, exit 0.
    s.DailyReset = false;
    s.AutoRestart = false;
    ASSERT_TRUE(WriteSettings(dir.Dir, s));
    Game.Header.Ended = 1;
    Game.Header.FameWritten = 1;
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    std::string ended = ReadFile(dir.Path("THYRE.DAT"));
    r = Ydmaint({"-d", dir.Dir, "daily"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, "the game is over; start a new one with THYRECFG or \"ydmaint new -force\" (or set AutoRestart = Yes).\n");
    EXPECT_EQ(ReadFile(dir.Path("THYRE.DAT")), ended);
    r = Ydmaint({"-d", dir.Dir, "turn"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, "the game is over.\n");
    // With AutoRestart a new game begins.
    s.AutoRestart = true;
    ASSERT_TRUE(WriteSettings(dir.Dir, s));
    r = Ydmaint({"-d", dir.Dir, "daily"});
    EXPECT_EQ(r.Out.rfind("the last game is over (AutoRestart = Yes): ", 0), 0u);

    // A damaged game file is a problem: logged, exit 1.
    WriteFile(dir.Path("THYRE.DAT"), "garbage");
    r = Ydmaint({"-d", dir.Dir, "daily"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: PROBLEM: THYRE.DAT could not be read.\n");
    EXPECT_EQ(LogLines(dir).back(), "PROBLEM: THYRE.DAT could not be read");
    r = Ydmaint({"-d", dir.Dir, "turn"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: no game in " + dir.Dir + "THYRE.DAT\n");
}

TEST(Daily, BackupOfDayFifteen)
{
    TScratch dir;
    ASSERT_EQ(Ydmaint({"-d", dir.Dir, "new", "-seed", "5"}).Exit, 0);
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    Game.Header.Day = 15;
    Game.Header.JoinDays = 0;
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    std::string before = ReadFile(dir.Path("THYRE.DAT"));
    TRun r = Ydmaint({"-d", dir.Dir, "turn"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    EXPECT_EQ(r.Out.rfind("day 15 done: ", 0), 0u);
    EXPECT_EQ(ReadFile(dir.Path("THYRE.BK1")), before);
}

TEST(Sim, ReportsAndAnEnd)
{
    TScratch dir;
    TRun r = Ydmaint({"-d", dir.Dir, "sim", "4"});
    EXPECT_EQ(r.Out, "ydmaint: sim needs HOUSES and DAYS\n");
    r = Ydmaint({"-d", dir.Dir, "sim", "4", "25"});
    ASSERT_EQ(r.Exit, 0);
    std::vector<std::string> lines = Lines(r.Out);
    EXPECT_EQ(lines[0], "Simulating 4 houses for 25 days (seed 1)");
    std::vector<std::string> days;
    for (const std::string& l : lines)
        if (l.rfind("Day ", 0) == 0) days.push_back(l.substr(0, l.find("   ")));
    // Once the game is over, the last day played, as the door shows it.
    EXPECT_EQ(days, (std::vector<std::string>{"Day 11 of 25", "Day 21 of 25", "Day 25 of 25"}));
    EXPECT_NE(r.Out.find("GAME OVER - won by House "), std::string::npos);
    // Days below 1 play one night and stop.
    TScratch other;
    r = Ydmaint({"-d", other.Dir, "sim", "4", "0"});
    EXPECT_EQ(r.Exit, 0);
    ASSERT_TRUE(LoadGame(other.Path("THYRE.DAT")));
    EXPECT_EQ(Game.Header.Day, 2);
}

// Eight computer houses for sixty days: they settle, build, fight and take
// worlds, and the game ends with a winner.
TEST(Sim, ComputerHousesPlayAGame)
{
    TScratch dir;
    TRun r = Ydmaint({"-d", dir.Dir, "sim", "8", "60", "3"});
    ASSERT_EQ(r.Exit, 0);
    EXPECT_NE(r.Out.find("GAME OVER - won by House "), std::string::npos);
    std::vector<TEventRec> events;
    ASSERT_TRUE(ReadEvents(dir.Dir, events));
    int settled = 0, built = 0, battles = 0, taken = 0;
    for (const TEventRec& e : events) {
        std::string t = EventText(e);
        settled += t.find(" has founded a colony on ") != std::string::npos;
        built += t.find(" built at ") != std::string::npos;
        battles += t.rfind("Battle at ", 0) == 0;
        taken += t.rfind("Your troops have taken ", 0) == 0;
    }
    EXPECT_GT(settled, 8);
    EXPECT_GT(built, 100);
    EXPECT_GT(battles, 10);
    EXPECT_GT(taken, 0);
    EXPECT_EQ(+events.front().Day, 1);   // the whole game is kept

    r = Ydmaint({"-d", dir.Dir, "fame"});
    EXPECT_EQ(r.Out, "No game has finished yet.\n");   // computer houses only
    r = Ydmaint({"-d", dir.Dir, "news"});
    EXPECT_EQ(r.Out, "No news yet: NEWS.TXT is written each night.\n");
    WriteFile(dir.Path("NEWS.TXT"), "one\r\ntwo\r\n");
    EXPECT_EQ(Ydmaint({"-d", dir.Dir, "news"}).Out, "one\ntwo\n");
}
