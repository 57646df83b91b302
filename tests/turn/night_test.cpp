// Whole nights: the pipeline, lane drift, sight, standing and victory, and
// invariants over many nights of computer houses.
#include <gtest/gtest.h>
#include <set>

#include "core/founding.h"
#include "core/galaxy.h"
#include "core/gamefile.h"
#include "core/model.h"
#include "core/random.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/score.h"
#include "core/stores.h"
#include "tests/testutil.h"
#include "turn/planner.h"
#include "turn/turn.h"

static void ComputerGame(int houses, int perHouse, int seed, int hollow = 2)
{
    TNewGame p;
    p.Players = houses;
    p.SystemsPerHouse = perHouse;
    p.Seed = seed;
    p.Hollow = hollow;
    p.Days = 0;
    GenerateGalaxy(p);
    for (int i = 0; i < houses; i++) FoundHouse("House " + std::to_string(i), "ai" + std::to_string(i), 1);
}

// Lane drift never takes a home position below three counted-open lanes,
// and never closes a lane of one that has three or fewer.
static std::vector<int> HomeDegrees()
{
    std::vector<int> d;
    for (int s = 0; s < Game.Header.SystemCount; s++) d.push_back(LaneDegree(s, true));
    return d;
}

static void CheckHomeDegrees(std::vector<int>& before)
{
    std::vector<int> now = HomeDegrees();
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        if (Game.Systems[s].Flags & SysHome) {
            ASSERT_GE(now[(size_t)s], std::min(3, before[(size_t)s])) << "home " << s;
        }
        ASSERT_GE(now[(size_t)s], 1);
    }
    before = now;
}

static void CheckInvariants()
{
    const TGameHeader& h = Game.Header;
    ASSERT_GE(h.FleetCount, 0);
    ASSERT_LE(h.FleetCount, MaxFleets);
    ASSERT_LE(h.WorldCount, MaxWorlds);
    ASSERT_LE(h.BuildCount, MaxBuilds);
    for (int f = 0; f < h.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (fl.House == 0) continue;
        ASSERT_GT(ShipTotal(f), 0) << "fleet " << f << " in use without ships";
        ASSERT_LE((int)fl.Troops, fl.Ships[ShipHauler] * 10) << "fleet " << f;
        ASSERT_TRUE(IsSystem(fl.Loc));
        ASSERT_TRUE(fl.Dest < 0 || IsSystem(fl.Dest));
    }
    for (int house = 1; house <= MaxHouseSlots; house++) {
        const THouse& hr = HouseRec(house);
        ASSERT_GE(+hr.Ore, 0);
        ASSERT_GE(+hr.Fuel, 0);
        ASSERT_GE(+hr.Influence, 0);
        for (int t = 0; t < 4; t++) ASSERT_LE(hr.Research[t], 4);
    }
    for (int w = 0; w < h.WorldCount; w++) {
        ASSERT_GE(+Game.Worlds[w].Pop, 0);
        ASSERT_LE(+Game.Worlds[w].Pop, Game.Worlds[w].MaxPop > 0 ? Game.Worlds[w].MaxPop : 0);
        ASSERT_GE(+Game.Worlds[w].Shield, 0);
        ASSERT_GE(+Game.Worlds[w].Garrison, 0);
        ASSERT_GE(+Game.Worlds[w].Guard, 0);
    }
    ASSERT_TRUE(GameReferencesValid());
}

TEST(Night, InvariantsHoldNightAfterNight)
{
    for (int seed = 1; seed <= 3; seed++) {
        TScratch dir;
        ComputerGame(4 + seed * 2, 6 + seed, seed, seed);
        std::vector<int> degree = HomeDegrees();
        for (int night = 0; night < 45; night++) {
            ASSERT_TRUE(PlayNight(dir.Dir));
            SCOPED_TRACE("seed " + std::to_string(seed) + " night " + std::to_string(night));
            CheckInvariants();
            ASSERT_TRUE(Connected(true)) << "lane drift cut the map";
            CheckHomeDegrees(degree);
        }
        EXPECT_EQ(Game.Header.Day, 46);
    }
}

// The same saved game and orders give the same night, byte for byte,
// whatever the process drew before: also when the planner must draw (a
// computer house's scout in a system cut off from every other).
TEST(Night, ReplayingANightGivesTheSameBytes)
{
    TScratch a, b;
    ComputerGame(6, 8, 99);
    for (int n = 0; n < 12; n++) PlayNight(a.Dir);
    int lost = NewFleet(1, 0, "Lost");
    ASSERT_GE(lost, 0);
    Game.Fleets[lost].Ships[ShipSkiff] = 1;
    for (int l = 0; l < Game.Header.LaneCount; l++)
        if (Game.Lanes[l].A == 0 || Game.Lanes[l].B == 0) Game.Lanes[l].State = LaneClosed;
    ASSERT_TRUE(SaveGame(a.Path("THYRE.DAT")));
    ASSERT_TRUE(SaveGame(b.Path("THYRE.DAT")));
    WriteFile(b.Path("EVENTS.DAT"), ReadFile(a.Path("EVENTS.DAT")));
    uint32_t processSeed = 4242;
    for (const TScratch* d : {&a, &b}) {
        ASSERT_TRUE(LoadGame(d->Path("THYRE.DAT")));
        SeedRandom(processSeed);   // what the process drew before differs
        processSeed = 7;
        for (int n = 0; n < 5; n++) ASSERT_TRUE(PlayNight(d->Dir));
        ASSERT_TRUE(SaveGame(d->Path("THYRE.DAT")));
    }
    EXPECT_EQ(ReadFile(a.Path("THYRE.DAT")), ReadFile(b.Path("THYRE.DAT")));
    EXPECT_EQ(ReadFile(a.Path("EVENTS.DAT")), ReadFile(b.Path("EVENTS.DAT")));
    EXPECT_GT(ReadFile(a.Path("EVENTS.DAT")).size(), 1000u);
}

TEST(Night, TheSeedAndTheDayCarryOver)
{
    TScratch dir;
    BuildRowMap(3);
    Game.Header.Seed = 1;
    Game.Header.Day = 4;
    ASSERT_TRUE(RunTurn(dir.Dir));
    EXPECT_EQ(Game.Header.Day, 5);
    EXPECT_EQ(Game.Header.Seed, 1u);   // nothing drew tonight
    Game.Header.Ended = 1;
    ASSERT_TRUE(RunTurn(dir.Dir));
    EXPECT_EQ(Game.Header.Day, 5);     // an ended game plays no more nights
}

TEST(LaneDrift, WeeklyCadenceAndLimits)
{
    for (int seed = 1; seed <= 8; seed++) {
        TNewGame p;
        p.Seed = seed;
        p.Players = 3 + seed;
        GenerateGalaxy(p);
        FoundHouse("Watchers", "w", 0);
        TScratch dir;
        std::vector<int> degree = HomeDegrees();
        for (int week = 0; week < 6; week++)
            for (int d = 0; d < 7; d++) {
                int day = Game.Header.Day;
                std::vector<int> before;
                for (int l = 0; l < Game.Header.LaneCount; l++) before.push_back(Game.Lanes[l].State);
                EventDay = day;
                TNight night;
                ASSERT_TRUE(EventsBegin(night.Events, dir.Dir, day));
                LaneDrift(night);
                ASSERT_TRUE(EventsEnd(night.Events));
                int marked = 0, opening = 0;
                for (int l = 0; l < Game.Header.LaneCount; l++) {
                    int was = before[(size_t)l], now = Game.Lanes[l].State;
                    if (day % 7 == 5) {
                        marked += was != now && now == LaneClosing;
                        opening += was != now && now == LaneOpening;
                    } else if (day % 7 == 0) {
                        ASSERT_TRUE(now == was || (was == LaneClosing && now == LaneClosed) ||
                                    (was == LaneOpening && now == LaneOpen));
                    } else {
                        ASSERT_EQ(now, was) << "a lane changed on day " << day;
                    }
                }
                int n = std::max(1, Game.Header.LaneCount / 12);
                ASSERT_LE(marked, n);
                ASSERT_LE(opening, n);
                ASSERT_TRUE(Connected(true));
                CheckHomeDegrees(degree);
                Game.Header.Day++;
            }
        // Only a house that has seen an end of a lane hears about it.
        std::vector<TEventRec> events;
        ASSERT_TRUE(ReadEvents(dir.Dir, events));
        for (const TEventRec& e : events) {
            if (e.Kind != EventLane) continue;
            EXPECT_EQ(e.House, 1);
            std::string text = EventText(e);
            bool seen = false;
            for (int l = 0; l < Game.Header.LaneCount; l++) {
                std::string a = StrGet(Game.Systems[Game.Lanes[l].A].Name), b = StrGet(Game.Systems[Game.Lanes[l].B].Name);
                if (text.rfind("The lane " + a + " - " + b + " ", 0) == 0)
                    seen |= Chart(1, Game.Lanes[l].A).SeenDay > 0 || Chart(1, Game.Lanes[l].B).SeenDay > 0;
            }
            EXPECT_TRUE(seen) << text;
        }
    }
}

TEST(LaneDrift, SmallMapsStillDrift)
{
    BuildRowMap(4);
    // A ring of four with a spare closed chord: 5 lanes, N is 1.
    Game.Lanes[Game.Header.LaneCount++] = {3, 0, LaneOpen, 0};
    Game.Lanes[Game.Header.LaneCount++] = {0, 2, LaneClosed, 0};
    TScratch dir;
    EventDay = 5;
    TNight night;
    ASSERT_TRUE(EventsBegin(night.Events, dir.Dir, 5));
    LaneDrift(night);
    ASSERT_TRUE(EventsEnd(night.Events));
    int closing = 0, opening = 0;
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        closing += Game.Lanes[l].State == LaneClosing;
        opening += Game.Lanes[l].State == LaneOpening;
    }
    EXPECT_EQ(closing, 1);
    EXPECT_EQ(opening, 1);
    EventDay = 7;
    ASSERT_TRUE(EventsBegin(night.Events, dir.Dir, 7));
    LaneDrift(night);
    ASSERT_TRUE(EventsEnd(night.Events));
    std::vector<TEventRec> events;
    ASSERT_TRUE(ReadEvents(dir.Dir, events));
    EXPECT_EQ(EventText(events.back()), "Lane drift: 1 lane closed and 1 opened across the Thyre.");
    // A change day with nothing pending writes no news.
    EventDay = 14;
    ASSERT_TRUE(EventsBegin(night.Events, dir.Dir, 14));
    LaneDrift(night);
    EXPECT_EQ(night.Events.Written, 0);
    ASSERT_TRUE(EventsEnd(night.Events));
}

TEST(Sight, ChartsTreatiesShareWhatIsSeen)
{
    BuildRowMap(4);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 3);
    Relation(1, 2).Treaties = TreatyCharts;
    AddTestFleet(1, 1, ShipSkiff, 1, "Eyes");
    EventDay = Game.Header.Day = 6;
    TNight night;
    RunSight(night);
    EXPECT_EQ(+Chart(1, 0).SeenDay, 6);
    EXPECT_EQ(Chart(1, 0).SeenOwner, 1);
    EXPECT_EQ(+Chart(1, 2).SeenDay, 6);   // a Skiff sees one lane further
    EXPECT_EQ(+Chart(2, 2).SeenDay, 6);   // copied to the partner
    EXPECT_EQ(+Chart(1, 3).SeenDay, 0);   // the partner does not share back
    EXPECT_EQ(+Chart(2, 3).SeenDay, 6);
}

TEST(Routes, FleetSpeedsAndFuel)
{
    BuildRowMap(2);
    AddTestHouse(1, "Reds", 0);
    int skiffs = AddTestFleet(1, 0, ShipSkiff, 3);
    int lancers = AddTestFleet(1, 0, ShipLancer, 3);
    int mixed = AddTestFleet(1, 0, ShipLancer, 3);
    Game.Fleets[mixed].Ships[ShipWarden] = 1;
    int outpost = AddTestFleet(1, 0, ShipLancer, 3);
    Game.Fleets[outpost].Ships[ShipOutpost] = 1;
    EXPECT_EQ(FleetMoveSpeed(skiffs), 2);
    EXPECT_EQ(FleetMoveSpeed(lancers), 1);
    HouseRec(1).Research[TrackDrives] = 3;
    EXPECT_EQ(FleetMoveSpeed(lancers), 2);
    EXPECT_EQ(FleetMoveSpeed(mixed), 1);
    EXPECT_EQ(FleetMoveSpeed(outpost), 0);
    EXPECT_EQ(FleetFuelCost(mixed), 4 * 55 / 100);
    int raiders = AddTestFleet(HouseHollow, 0, ShipLancer, 3);
    EXPECT_EQ(FleetMoveSpeed(raiders), 1);
    EXPECT_EQ(FleetFuelCost(raiders), 3);
}

// Runs one phase of the night's end with the event store open; the lines it wrote.
static int EndOfNight(TScratch& dir, void (*phase)(TNight&))
{
    EventDay = Game.Header.Day;
    TNight night;
    EXPECT_TRUE(EventsBegin(night.Events, dir.Dir, EventDay));
    phase(night);
    EXPECT_TRUE(EventsEnd(night.Events));
    return night.Events.Written;
}

TEST(Standing, AbsenceOnTheExactDay)
{
    TScratch dir;
    BuildRowMap(4);
    AddTestHouse(1, "Player", 0);
    AddTestHouse(2, "Machine", 1);
    HouseRec(2).Computer = 1;
    HouseRec(1).LastOnDay = 1;
    HouseRec(2).LastOnDay = 1;
    Game.Header.Day = 7;   // away 6 days
    EndOfNight(dir, RunAbsence);
    EXPECT_EQ(HouseRec(1).Status, StatusActive);
    Game.Header.Day = 8;   // away 7 days
    EndOfNight(dir, RunAbsence);
    EXPECT_EQ(HouseRec(1).Status, StatusAutopilot);
    std::vector<TEventRec> events;
    ASSERT_TRUE(ReadEvents(dir.Dir, events));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(EventText(events.back()), "You have been away 7 days: your house is on autopilot.");
    EXPECT_EQ(events.back().House, 1);
    Game.Header.Day = 21;
    EndOfNight(dir, RunAbsence);
    EXPECT_EQ(HouseRec(1).Status, StatusAutopilot);
    AddTestFleet(1, 0, ShipLancer, 1);
    Game.Header.Day = 22;   // away 21 days
    EndOfNight(dir, RunAbsence);
    EXPECT_EQ(HouseRec(1).Status, StatusOut);
    EXPECT_EQ(Game.Worlds[0].Owner, HouseIndependents);
    EXPECT_EQ(Game.Fleets[0].House, 0);
    EXPECT_EQ(HouseRec(2).Status, StatusActive);   // computer houses are never absent
    // A computer house with no world left stays in the game (the next night:
    // a night of the same day would replace the day's lines).
    Game.Worlds[1].Owner = 0;
    Game.Header.Day = 23;
    EndOfNight(dir, RunAbsence);
    EXPECT_EQ(HouseRec(2).Status, StatusActive);
    ASSERT_TRUE(ReadEvents(dir.Dir, events));
    bool silent = false;
    for (const TEventRec& e : events) silent |= EventText(e) == "House Player has fallen silent; its worlds go their own way.";
    EXPECT_TRUE(silent);
}

TEST(Standing, VictoriesInOrder)
{
    TScratch dir;
    // The last house needs two founded houses.
    BuildRowMap(4);
    Game.Header.Victories = 7;
    AddTestHouse(1, "Alone", 0);
    EndOfNight(dir, CheckVictory);
    EXPECT_EQ(Game.Header.Ended, 0);
    AddTestHouse(2, "Gone", 1);
    HouseRec(2).Status = StatusOut;
    EndOfNight(dir, CheckVictory);
    EXPECT_EQ(Game.Header.Ended, 1);
    EXPECT_EQ(Game.Header.Winner, 1);
    EXPECT_EQ(Game.Header.WinKind, 1);

    // Every relic in one real house's hands.
    BuildRowMap(6);
    Game.Header.Victories = VictoryRelics;
    AddTestHouse(1, "Keeper", 0);
    AddTestHouse(2, "Other", 5);
    Game.Worlds[1].Relic = 1;
    Game.Worlds[2].Relic = 2;
    Game.Worlds[1].Owner = 1;
    Game.Worlds[2].Owner = HouseIndependents;
    EndOfNight(dir, CheckVictory);
    EXPECT_EQ(Game.Header.Ended, 0);
    Game.Worlds[2].Owner = 1;
    EndOfNight(dir, CheckVictory);
    EXPECT_EQ(Game.Header.Winner, 1);
    EXPECT_EQ(Game.Header.WinKind, 2);

    // Dominion: 60% of all worlds with allies, announced on the first
    // night, won on the third.
    BuildRowMap(10);
    Game.Header.Victories = VictoryDominion;
    AddTestHouse(1, "Big", 0);
    AddTestHouse(2, "Friend", 1);
    AddTestHouse(3, "Small", 9);
    for (int w = 2; w < 5; w++) Game.Worlds[w].Owner = 1;
    Game.Worlds[5].Owner = 2;
    EndOfNight(dir, CheckVictory);   // 4 + 1 of 10 is not enough
    EXPECT_EQ(Game.Header.DominionDays, 0);
    Relation(1, 2).Treaties = Relation(2, 1).Treaties = TreatyAlliance;
    Game.Worlds[6].Owner = 1;        // 6 of 10 with the ally
    for (int night = 1; night <= 3; night++) {
        EndOfNight(dir, CheckVictory);
        EXPECT_EQ(Game.Header.DominionDays, night);
        EXPECT_EQ(Game.Header.Ended, night == 3 ? 1 : 0);
    }
    EXPECT_EQ(Game.Header.Winner, 1);
    EXPECT_EQ(Game.Header.WinKind, 3);

    // Time: the highest score, the lower slot among equals.
    BuildRowMap(4);
    Game.Header.Victories = 0;
    Game.Header.LastDay = 30;
    Game.Header.Day = 29;
    AddTestHouse(1, "First", 0);
    AddTestHouse(2, "Second", 1);
    HouseRec(1).Score = HouseRec(2).Score = 50;
    EndOfNight(dir, CheckVictory);
    EXPECT_EQ(Game.Header.Ended, 0);
    Game.Header.Day = 30;
    EndOfNight(dir, CheckVictory);
    EXPECT_EQ(Game.Header.Winner, 1);
    EXPECT_EQ(Game.Header.WinKind, 4);
    std::vector<TEventRec> events;
    ASSERT_TRUE(ReadEvents(dir.Dir, events));
    EXPECT_EQ(EventText(events.back()), "*** First has won the game: the highest score when time ran out ***");
}

TEST(Standing, TreatiesScoresAndPeace)
{
    TScratch dir;
    BuildRowMap(4);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 1);
    Game.Header.Day = 9;
    Relation(1, 2) = {TreatyPeace | TreatyTrade, 0, 9, 40, {0, 0}};
    Relation(2, 1) = {TreatyPeace | TreatyTrade, 0, 9, 0, {0, 0}};
    EndOfNight(dir, EndTreatiesOnNotice);
    EXPECT_EQ(Relation(1, 2).Treaties, 0);
    EXPECT_EQ(Relation(2, 1).Treaties, 0);
    EXPECT_EQ(+Relation(1, 2).Tribute, 40);   // tribute is not touched

    Game.Worlds[0].Pop = 5000;   // 50 + 40 home
    Game.Worlds[2].Owner = 1;    // 20 + 60 relic
    Game.Worlds[2].Relic = 3;
    Game.Worlds[2].Pop = 999;    // 9
    HouseRec(1).NestsDestroyed = 2;
    HouseRec(1).Research[0] = 3;
    AddTestFleet(1, 0, ShipBreaker, 10);   // power 230 -> 4
    HouseRec(2).Status = StatusOut;
    HouseRec(2).Score = 99;
    ComputeScores();
    EXPECT_EQ(+HouseRec(1).Score, 50 + 40 + 9 + 20 + 60 + 200 + 30 + 4);
    EXPECT_EQ(+HouseRec(2).Score, 0);

    // The peace-over warning on the last protected night.
    BuildRowMap(4);
    AddTestHouse(1, "Player", 0);
    AddTestHouse(2, "Machine", 1);
    HouseRec(2).Computer = 1;
    Game.Header.PeaceDays = 10;
    HouseRec(1).JoinedDay = 3;
    Game.Header.Day = 12;
    EXPECT_EQ(EndOfNight(dir, WarnPeaceOver), 1);
    Game.Header.Day = 11;
    EXPECT_EQ(EndOfNight(dir, WarnPeaceOver), 0);
}
