// Starting games and founding houses, in process and through ydmaint.
#include <gtest/gtest.h>

#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/settings.h"
#include "core/startgame.h"
#include "core/chronicle.h"
#include "maint/startgame.h"
#include "core/stores.h"
#include "tests/testutil.h"

static TRun Ydmaint(const std::vector<std::string>& args) { return RunProgram(YDMAINT_PATH, args); }

TEST(StartGame, InAnEmptyFolder)
{
    TScratch dir;
    TSettings s = DefaultSettings();
    std::string summary;
    ASSERT_TRUE(StartGame(dir.Dir, s, 31, summary));
    EXPECT_EQ(summary.rfind("new game \"Yvarn Thyre\": 96 systems, ", 0), 0u) << summary;
    EXPECT_NE(summary.find(" worlds, room for 12 houses, 2 computer houses"), std::string::npos);
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    EXPECT_EQ(StrGet(HouseRec(1).Name), "Varro");
    EXPECT_EQ(StrGet(HouseRec(1).Player), "Computer 1");
    EXPECT_EQ(StrGet(HouseRec(2).Name), "Ostrel");
    EXPECT_EQ(StrGet(HouseRec(2).Player), "Computer 2");
    EXPECT_EQ(+HouseRec(2).Computer, 1);
    EXPECT_EQ(+Game.Header.PeaceDays, 10);
    EXPECT_EQ(+Game.Header.Difficulty, 2);
    EXPECT_FALSE(PathExists(dir.Path("THYRE.OLD")));
    EXPECT_FALSE(PathExists(dir.Path("OLDGAME.DAT")));

    // Short pieces are passed over and do not use up a number.
    s.ComputerHouses = " , Al,Varro,,Ostrel the Long Name of a House";
    s.PeaceDays = 900;
    s.AutopilotAfter = 3;
    s.DissolveAfter = 260;
    ASSERT_TRUE(StartGame(dir.Dir, s, 31, summary));
    EXPECT_EQ(summary.rfind("the old game is kept as OLDGAME.DAT; new game", 0), 0u);
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    EXPECT_EQ(StrGet(HouseRec(1).Name), "Varro");
    EXPECT_EQ(StrGet(HouseRec(1).Player), "Computer 1");
    EXPECT_EQ(StrGet(HouseRec(2).Name), "Ostrel the Long Name of");
    EXPECT_EQ(StrGet(HouseRec(2).Player), "Computer 2");
    EXPECT_EQ(+HouseRec(3).Status, StatusFree);
    EXPECT_EQ(+Game.Header.PeaceDays, 250);
    EXPECT_EQ(+Game.Header.AutopilotAfter, 3);
    EXPECT_EQ(+Game.Header.DissolveAfter, 4);   // the low byte of 260
}

TEST(StartGame, OverARunningGameArchivesIt)
{
    TScratch dir;
    std::string summary;
    ASSERT_TRUE(StartGame(dir.Dir, DefaultSettings(), 5, summary));
    // The old game ended without entering the Hall of Fame, with stores,
    // backups and news about.
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    Game.Header.Ended = 1;
    HouseRec(1).Computer = 0;
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    std::string oldGame;
    TEventWriter ev;
    ASSERT_TRUE(EventsBegin(ev, dir.Dir, 1));
    AddNews(ev, "old news");
    ASSERT_TRUE(EventsEnd(ev));
    ASSERT_TRUE(SendMessage(dir.Dir, 1, 2, 1, {"old letter"}));
    for (const char* f : {"THYRE.BK0", "THYRE.BK6", "NEWS.TXT", "THYRE.NEW", "OLDGAME.DAT", "OLDMSGS.DAT"})
        WriteFile(dir.Path(f), "x");
    ASSERT_TRUE(StartGame(dir.Dir, DefaultSettings(), 6, summary));
    EXPECT_EQ(summary.rfind("the old game is kept as OLDGAME.DAT; ", 0), 0u);
    for (const char* f : {"THYRE.BK0", "THYRE.BK6", "NEWS.TXT", "THYRE.NEW", "THYRE.OLD", "EVENTS.DAT", "MSGS.DAT"})
        EXPECT_FALSE(PathExists(dir.Path(f))) << f;
    EXPECT_TRUE(PathExists(dir.Path("OLDEVENT.DAT")));
    EXPECT_EQ(ReadFile(dir.Path("OLDMSGS.DAT")).size(), 298u);
    EXPECT_TRUE(PathExists(dir.Path("FAME.TXT")));
    ASSERT_TRUE(LoadGame(dir.Path("OLDGAME.DAT")));
    EXPECT_EQ(+Game.Header.Ended, 1);
    EXPECT_EQ(+Game.Header.FameWritten, 1);
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    EXPECT_EQ(+Game.Header.Ended, 0);
    EXPECT_EQ(+Game.Header.Day, 1);
}

TEST(StartGame, NewByHand)
{
    TScratch dir;
    TRun r = Ydmaint({"-d", dir.Dir, "new", "-seed", "42", "-players", "5", "-peace", "900", "-difficulty", "0"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    EXPECT_EQ(r.Out.rfind("new game \"Yvarn Thyre\": 40 systems, ", 0), 0u) << r.Out;
    EXPECT_EQ(r.Out.substr(r.Out.size() - 17), "computer houses.\n");
    std::string first = ReadFile(dir.Path("THYRE.DAT"));
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    EXPECT_EQ(+Game.Header.MaxHouses, 5);
    EXPECT_EQ(+Game.Header.PeaceDays, 250);
    EXPECT_EQ(+Game.Header.Difficulty, 1);
    // The settings file is written for the sysop, without the overrides.
    EXPECT_EQ(ReadSettings(dir.Dir).MaxHouses, 12);
    std::vector<std::string> log = Lines(ReadFile(dir.Path("MAINT.LOG")));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].substr(16, 29), "  new game started by hand: n");
    EXPECT_FALSE(PathExists(RunMarkerPath(dir.Dir)));
    EXPECT_FALSE(PathExists(LockFolderPath(dir.Dir)));

    // Without -force nothing changes.
    r = Ydmaint({"-d", dir.Dir, "new", "-seed", "43"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: a game is already running here; add -force to replace it (it is kept as OLDGAME.DAT)\n");
    EXPECT_EQ(ReadFile(dir.Path("THYRE.DAT")), first);
    EXPECT_FALSE(PathExists(dir.Path("OLDGAME.DAT")));

    // The same seed gives the same game file; a seed that is not a number is 1.
    r = Ydmaint({"-d", dir.Dir, "new", "-force", "-seed", "42", "-players", "5", "-peace", "900", "-difficulty", "0"});
    ASSERT_EQ(r.Exit, 0);
    EXPECT_EQ(ReadFile(dir.Path("THYRE.DAT")), first);
    EXPECT_EQ(ReadFile(dir.Path("OLDGAME.DAT")), first);
    Ydmaint({"-d", dir.Dir, "new", "-force", "-seed", "1"});
    std::string one = ReadFile(dir.Path("THYRE.DAT"));
    Ydmaint({"-d", dir.Dir, "new", "-force", "-seed", "x"});
    EXPECT_EQ(ReadFile(dir.Path("THYRE.DAT")), one);
    Ydmaint({"-d", dir.Dir, "new", "-force", "-seed"});
    EXPECT_EQ(ReadFile(dir.Path("THYRE.DAT")), one);
}

TEST(StartGame, JoinByHand)
{
    TScratch dir;
    TRun r = Ydmaint({"-d", dir.Dir, "join", "Only one"});
    EXPECT_EQ(r.Out, "ydmaint: join needs a house name and a player name\n");
    r = Ydmaint({"-d", dir.Dir, "join", "House", "Alice"});
    EXPECT_EQ(r.Out, "ydmaint: no game in " + dir.Dir + "THYRE.DAT\n");
    EXPECT_FALSE(PathExists(LockFolderPath(dir.Dir)));   // released before failing

    ASSERT_EQ(Ydmaint({"-d", dir.Dir, "new", "-seed", "3", "-players", "3"}).Exit, 0);
    r = Ydmaint({"-d", dir.Dir, "join", "House Ash", "Alice"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    int home = HouseRec(3).HomeWorld;
    EXPECT_EQ(r.Out, "House 3: House Ash at " + StrGet(Game.Systems[Game.Worlds[home].System].Name) + "\n");
    EXPECT_EQ(+HouseRec(3).Computer, 0);
    r = Ydmaint({"-d", dir.Dir, "join", "Another", "ALICE"});
    EXPECT_EQ(r.Out, "ydmaint: that player already has a house\n");
    r = Ydmaint({"-d", dir.Dir, "join", "Another", "Bob"});
    EXPECT_EQ(r.Out, "ydmaint: the game is full or closed to new houses\n");
    EXPECT_EQ(r.Exit, 1);

    // The names are the first two arguments; -ai counts anywhere.
    ASSERT_EQ(Ydmaint({"-d", dir.Dir, "new", "-force", "-seed", "3"}).Exit, 0);
    r = Ydmaint({"-d", dir.Dir, "join", "-ai", "Bob"});
    ASSERT_EQ(r.Exit, 0);
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    EXPECT_EQ(StrGet(HouseRec(3).Name), "-ai");
    EXPECT_EQ(StrGet(HouseRec(3).Player), "Bob");
    EXPECT_EQ(+HouseRec(3).Computer, 1);
}

TEST(StartGame, EventsListing)
{
    TScratch dir;
    TRun r = Ydmaint({"-d", dir.Dir, "events", "3"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: no EVENTS.DAT\n");
    for (int day = 11; day <= 12; day++) {
        TEventWriter ev;
        ASSERT_TRUE(EventsBegin(ev, dir.Dir, day));
        AddEvent(ev, 3, EventMove, "moved on " + std::to_string(day));
        AddEvent(ev, 4, EventMove, "not ours");
        AddNews(ev, "news of " + std::to_string(day));
        ASSERT_TRUE(EventsEnd(ev));
    }
    r = Ydmaint({"-d", dir.Dir, "events", "3"});
    EXPECT_EQ(r.Out, " 11 moved on 11\n 12 moved on 12\n");
    r = Ydmaint({"-d", dir.Dir, "events", "3", "12"});
    EXPECT_EQ(r.Out, " 12 moved on 12\n");
    r = Ydmaint({"-d", dir.Dir, "events"});
    EXPECT_EQ(r.Out, " 11 news of 11\n 12 news of 12\n");
}
