#include <gtest/gtest.h>

#include "core/chronicle.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/rules.h"
#include "core/score.h"
#include "core/stores.h"
#include "tests/testutil.h"

TEST(Chronicle, RankingIsTheExchangeSort)
{
    ResetGame();
    for (int h = 1; h <= 3; h++) HouseRec(h).Status = StatusActive;
    HouseRec(1).Score = 5;
    HouseRec(2).Score = 5;
    HouseRec(3).Score = 7;
    EXPECT_EQ(RankedHouses(false), (std::vector<int>{3, 2, 1}));
    // Tied scores share a place, whatever order the sort left them in.
    EXPECT_EQ(ScoreRank(3, false), 1);
    EXPECT_EQ(ScoreRank(2, false), 2);
    EXPECT_EQ(ScoreRank(1, false), 2);
    HouseRec(3).Score = 5;
    EXPECT_EQ(ScoreRank(1, false) + ScoreRank(2, false) + ScoreRank(3, false), 3);
    HouseRec(3).Score = 7;
    HouseRec(2).Status = StatusOut;
    EXPECT_EQ(RankedHouses(false), (std::vector<int>{3, 1}));
    EXPECT_EQ(RankedHouses(true), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(ScoreRank(2, false), 0);   // out of the standings
    EXPECT_EQ(ScoreRank(2, true), 2);
    Game.Header.WinKind = 3;
    EXPECT_EQ(WinKindText(Game.Header.WinKind), "dominion over the Thyre");
    Game.Header.WinKind = 9;
    EXPECT_EQ(WinKindText(Game.Header.WinKind), "game over");
}

TEST(Chronicle, LogLinesAndRotation)
{
    TScratch dir;
    MaintLog(dir.Dir, "first");
    std::string log = ReadFile(dir.Path("MAINT.LOG"));
    ASSERT_EQ(log.size(), 16u + 2 + 5 + 2);
    EXPECT_EQ(log.substr(16), "  first\r\n");
    EXPECT_EQ(log[4], '-');
    EXPECT_EQ(log[13], ':');
    // Exactly the limit is appended to; one byte more is moved aside first.
    WriteFile(dir.Path("MAINT.LOG"), std::string(262144, 'x'));
    MaintLog(dir.Dir, "second");
    EXPECT_EQ(FileSize(dir.Path("MAINT.LOG")), 262144 + 16 + 10);
    EXPECT_FALSE(PathExists(dir.Path("MAINT.OLD")));
    MaintLog(dir.Dir, "third");
    EXPECT_EQ(FileSize(dir.Path("MAINT.OLD")), 262144 + 16 + 10);
    EXPECT_EQ(ReadFile(dir.Path("MAINT.LOG")).substr(16), "  third\r\n");
}

static void EndedGame()
{
    BuildSmallGame();
    StrSet(HouseRec(1).Name, "A house name at 23 max.");   // the longest name a house can have
    Game.Header.Day = 41;
    Game.Header.Ended = 1;
    Game.Header.Winner = 1;
    Game.Header.WinKind = 4;
    HouseRec(2).Status = StatusOut;
    HouseRec(3).Status = StatusActive;
    HouseRec(3).Computer = 1;
    StrSet(HouseRec(3).Name, "Varro");
    StrSet(HouseRec(3).Player, "Computer 1");
}

TEST(Chronicle, HallOfFameOncePerGame)
{
    TScratch dir;
    EndedGame();
    WriteFame(dir.Dir);
    EXPECT_EQ(+Game.Header.FameWritten, 1);
    std::vector<std::string> lines = Lines(ReadFile(dir.Path("FAME.TXT")));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], std::string(78, '=') + "\r");
    EXPECT_EQ(lines[1].substr(0, 18), "Test Game   ended ");
    EXPECT_EQ(lines[1].substr(28), " on day 40\r");
    EXPECT_EQ(lines[2], "Won by A house name at 23 max. (Alice): highest score at the end\r");
    // Scores come from the worlds: 5000/100+40 + 1000/100+20 + 10*3 + 37/50 = 150.
    EXPECT_EQ(lines[3], "   1. A house name at 23 max.      150    2 worlds   Alice\r");
    // Equal scores keep their slot order, the out house before the
    // computer, and share their place.
    EXPECT_EQ(lines[4], "   2. House Mor                      0    2 worlds   Bob, out\r");
    EXPECT_EQ(lines[5], "   2. Varro                          0    0 worlds   computer\r");
    WriteFame(dir.Dir);   // once only
    EXPECT_EQ(Lines(ReadFile(dir.Path("FAME.TXT"))).size(), 6u);

    // No winner, ended on its first day.
    EndedGame();
    Game.Header.Winner = 0;
    Game.Header.Day = 1;
    WriteFame(dir.Dir);
    lines = Lines(ReadFile(dir.Path("FAME.TXT")));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[7].substr(28), " on day 1\r");
    EXPECT_EQ(lines[8], "No winner\r");

    // Computer houses alone leave no entry but count as written.
    EndedGame();
    for (int h = 1; h <= 2; h++) HouseRec(h).Status = StatusFree;
    WriteFame(dir.Dir);
    EXPECT_EQ(+Game.Header.FameWritten, 1);
    EXPECT_EQ(Lines(ReadFile(dir.Path("FAME.TXT"))).size(), 12u);
    // A Hall of Fame that cannot be written leaves the flag for next time.
    EndedGame();
    WriteFame(dir.Path("nowhere/"));
    EXPECT_EQ(+Game.Header.FameWritten, 0);
}

TEST(Chronicle, NewsOfTheDay)
{
    TScratch dir;
    BuildSmallGame();
    HouseRec(1).Score = 1234567;
    std::string text = BuildNews(dir.Dir, 2);
    std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Test Game - news of day 2\r");
    EXPECT_EQ(lines[1], std::string(78, '-') + "\r");
    EXPECT_EQ(lines[2], "A quiet day in the Thyre.\r");
    EXPECT_EQ(lines[4], "Standings after day 2 of 60\r");
    EXPECT_EQ(lines[5], "   1. House Vey               1,234,567    2 worlds\r");
    EXPECT_EQ(lines[6], "   2. House Mor                      0    2 worlds\r");

    TEventWriter ev;
    ASSERT_TRUE(EventsBegin(ev, dir.Dir, 2));
    AddNews(ev, "Big news.");
    AddEvent(ev, 1, EventBattle, "private");
    AddNews(ev, "More news.");
    ASSERT_TRUE(EventsEnd(ev));
    Game.Header.LastDay = 0;
    HouseRec(2).Status = StatusOut;
    WriteNews(dir.Dir, 2);
    lines = Lines(ReadFile(dir.Path("NEWS.TXT")));
    EXPECT_EQ(lines[2], "Big news.\r");
    EXPECT_EQ(lines[3], "More news.\r");
    EXPECT_EQ(lines[5], "Standings after day 2\r");
    EXPECT_EQ(lines.size(), 7u);   // the house that is out is left out

    Game.Header.Ended = 1;
    Game.Header.Winner = 1;
    Game.Header.WinKind = 1;
    lines = Lines(BuildNews(dir.Dir, 2));
    EXPECT_EQ(lines[5], "The game is over: House Vey won (the last house left).\r");
    EXPECT_EQ(lines[6], "Final standings\r");
    Game.Header.Winner = 0;
    EXPECT_EQ(Lines(BuildNews(dir.Dir, 2))[5], "The game is over.\r");
    for (int h = 1; h <= 25; h++) HouseRec(h).Status = StatusFree;
    EXPECT_EQ(Lines(BuildNews(dir.Dir, 2)).back(), "  No houses yet.\r");
}

// A night whose game was never saved (a crash, a full disk) is played again
// the next run: its lines replace those it left, and its Hall of Fame entry
// is not written a second time.
TEST(Chronicle, ANightPlayedTwiceStoresItsOutputOnce)
{
    TScratch dir;
    for (int run = 0; run < 2; run++) {
        TEventWriter ev;
        ASSERT_TRUE(EventsBegin(ev, dir.Dir, 7));
        AddEvent(ev, 1, EventBattle, "Battle at Kel.");
        AddNews(ev, "House Vey takes Kel.");
        ASSERT_TRUE(EventsEnd(ev));
        EndedGame();   // the saved game still says the entry is not written
        WriteFame(dir.Dir);
        EXPECT_EQ(+Game.Header.FameWritten, 1);
    }
    std::vector<TEventRec> all;
    ASSERT_TRUE(ReadEvents(dir.Dir, all));
    EXPECT_EQ(all.size(), 2u);
    EXPECT_EQ(Lines(ReadFile(dir.Path("FAME.TXT"))).size(), 6u);
    // Another game (or the same one ended another day) is an entry of its own.
    EndedGame();
    Game.Header.Day = 50;
    WriteFame(dir.Dir);
    EXPECT_EQ(Lines(ReadFile(dir.Path("FAME.TXT"))).size(), 12u);
}
