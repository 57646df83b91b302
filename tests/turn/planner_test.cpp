#include <gtest/gtest.h>

#include "core/founding.h"
#include "core/galaxy.h"
#include "core/model.h"
#include "core/orders.h"
#include "core/random.h"
#include "core/routes.h"
#include "core/rules.h"
#include "tests/testutil.h"
#include "turn/planner.h"
#include "turn/turn.h"

TEST(Planner, PeaceAndOdds)
{
    BuildRowMap(5);
    Game.Header.PeaceDays = 10;
    Game.Header.Day = 5;
    AddTestHouse(1, "Machine", 0);
    HouseRec(1).Computer = 1;
    AddTestHouse(2, "Player", 4);
    HouseRec(2).JoinedDay = 1;
    EXPECT_TRUE(PeaceProtected(2));
    EXPECT_FALSE(ValidTarget(1, 2));
    EXPECT_TRUE(ValidTarget(1, HouseIndependents));
    EXPECT_FALSE(ValidTarget(1, 0));
    EXPECT_FALSE(ValidTarget(1, 1));
    Game.Header.Day = 11;
    EXPECT_FALSE(PeaceProtected(2));
    EXPECT_TRUE(ValidTarget(1, 2));
    HouseRec(2).Computer = 1;
    Game.Header.Day = 5;
    EXPECT_FALSE(PeaceProtected(2));   // computer houses are never protected

    // The odds: a target with threat 100 needs strength 300 / 200 / 150.
    BuildRowMap(3);
    AddTestHouse(1, "Machine", 0);
    Game.Worlds[1].Owner = HouseIndependents;
    Game.Worlds[1].Shield = 30;
    Game.Worlds[1].Garrison = 10;   // threat 100
    Chart(1, 1).SeenDay = Game.Header.Day;
    const int need[3] = {300, 200, 150};
    for (int d = 1; d <= 3; d++) {
        Game.Header.Difficulty = (uint8_t)d;
        EXPECT_EQ(AttackTarget(1, 0, need[d - 1] - 1).Target, -1) << d;
        EXPECT_EQ(AttackTarget(1, 0, need[d - 1]).Target, 1) << d;
    }
    Chart(1, 1).SeenDay = 0;   // only what the charts show as fresh
    EXPECT_EQ(AttackTarget(1, 0, 1000).Target, -1);
}

TEST(Planner, HomeGuardKeepsWhatItMust)
{
    // Day 12 at Normal: keep 222, strike only above 444.
    for (int power : {444, 456}) {
        BuildRowMap(3);
        Game.Header.Day = 12;
        Game.Header.Difficulty = 2;
        AddTestHouse(1, "Machine", 0);
        HouseRec(1).Computer = 1;
        Game.Worlds[1].Owner = HouseIndependents;
        Chart(1, 1).SeenDay = 12;
        int guard = AddTestFleet(1, 0, ShipLancer, power / 12, "Home Guard");
        ASSERT_EQ(FleetPower(guard), power);
        PlanHouse(1);
        int strike = -1;
        for (int f = 0; f < Game.Header.FleetCount; f++)
            if (Game.Fleets[f].House == 1 && StrGet(Game.Fleets[f].Name) == "Strike") strike = f;
        EXPECT_EQ(strike >= 0, power > 444) << power;
        if (strike >= 0) {
            EXPECT_EQ(+Game.Fleets[strike].Ships[ShipLancer], power / 12 * 6 / 10);
            EXPECT_EQ(Game.Fleets[strike].Doctrine, DoctrineStrike);
            EXPECT_EQ(Game.Fleets[strike].Order, OrderBlockade);   // no troops
        }
    }
}

TEST(Planner, NoShipyardScoutsAndNoWorlds)
{
    BuildRowMap(6);
    Game.Header.Day = 3;
    AddTestHouse(1, "Machine", 0);
    HouseRec(1).Computer = 1;
    HouseRec(1).Ore = 1000;
    Game.Worlds[0].Pop = 2000;
    PlanHouse(1);
    // A Shield from the worlds step, then the Shipyard at the capital and no ships.
    ASSERT_EQ(Game.Header.BuildCount, 2);
    EXPECT_EQ(Game.Builds[0].Item, 100 + BuildShield);
    EXPECT_EQ(Game.Builds[1].Item, 100 + BuildShipyard);
    EXPECT_EQ(+Game.Builds[1].World, 0);
    EXPECT_EQ(+HouseRec(1).LastOnDay, 3);

    // A scout with everything seen goes to what it saw longest ago.
    for (int s = 0; s < 6; s++) Chart(1, s).SeenDay = 2;
    Chart(1, 4).SeenDay = 1;
    int scout = AddTestFleet(1, 0, ShipSkiff, 1, "Scouts");
    PlanHouse(1);
    EXPECT_EQ(Game.Fleets[scout].Order, OrderMove);
    EXPECT_EQ(+Game.Fleets[scout].Dest, 4);
    Chart(1, 5).SeenDay = 0;   // an unseen one comes first
    Game.Fleets[scout].Order = OrderHold;
    Game.Fleets[scout].Dest = -1;
    PlanHouse(1);
    EXPECT_EQ(+Game.Fleets[scout].Dest, 5);

    // No world left: research only.
    BuildRowMap(3);
    AddTestHouse(1, "Machine", -1);
    HouseRec(1).Computer = 1;
    HouseRec(1).Capital = -1;
    HouseRec(1).Ore = 1000;
    HouseRec(1).ResTrack = TrackDrives;
    int f = AddTestFleet(1, 1, ShipLancer, 5, "Away");
    PlanHouse(1);
    EXPECT_EQ(Game.Header.BuildCount, 0);
    EXPECT_EQ(Game.Fleets[f].Order, OrderHold);
    EXPECT_EQ(HouseRec(1).ResTrack, TrackDrives + 1);   // house 1 starts its rotation at Arms
}

// The fast searches give exactly the plain results, night after night.
TEST(Planner, FastAndPlainNightsAgree)
{
    for (int seed = 1; seed <= 3; seed++) {
        TScratch a, b;
        TNewGame p;
        p.Players = 6 + seed * 2;
        p.SystemsPerHouse = 6 + seed;
        p.Seed = seed * 11;
        p.Days = 0;
        GenerateGalaxy(p);
        for (int i = 0; i < p.Players; i++) FoundHouse("H" + std::to_string(i), "ai" + std::to_string(i), 1);
        TGame start = Game;
        std::string fast, plain;
        for (int mode = 0; mode < 2; mode++) {
            Game = start;
            TNight night;
            night.PlainSearches = mode == 1;
            SeedRandom(99);
            for (int n = 0; n < 30; n++) PlayNight(mode == 0 ? a.Dir : b.Dir, night);
            (mode == 0 ? fast : plain) = GameBytes();
        }
        EXPECT_TRUE(fast == plain) << "seed " << seed;
        EXPECT_EQ(ReadFile(a.Path("EVENTS.DAT")), ReadFile(b.Path("EVENTS.DAT")));
    }
}
