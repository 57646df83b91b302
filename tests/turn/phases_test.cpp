// The night's phases on small hand-made maps.
#include <gtest/gtest.h>

#include "core/model.h"
#include "core/orders.h"
#include "core/random.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/stores.h"
#include "tests/testutil.h"
#include "turn/turn.h"

// Runs one phase with the event store open, and gives back the lines.
struct TPhaseNight {
    TScratch Dir;
    std::vector<TEventRec> Events;
    template <typename F>
    void Run(F phase, int seed = 1)
    {
        EventDay = Game.Header.Day;
        SeedRandom((uint32_t)seed);
        TNight run;
        ASSERT_TRUE(EventsBegin(run.Events, Dir.Dir, EventDay));
        phase(run);
        ASSERT_TRUE(EventsEnd(run.Events));
        ASSERT_TRUE(ReadEvents(Dir.Dir, Events));
    }
    bool Has(int house, const std::string& text) const
    {
        for (const TEventRec& e : Events)
            if (e.House == house && EventText(e) == text && e.Day == EventDay) return true;
        return false;
    }
    int Count(int house) const
    {
        int n = 0;
        for (const TEventRec& e : Events) n += e.House == house && e.Day == EventDay;
        return n;
    }
};

TEST(Battle, TenLancersAgainstTwentySkiffs)
{
    BuildRowMap(3);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 2);
    int lancers = AddTestFleet(1, 1, ShipLancer, 10, "Lances");
    Game.Fleets[lancers].Doctrine = DoctrineStrike;
    int skiffs = AddTestFleet(2, 1, ShipSkiff, 20, "Skiffs");
    TPhaseNight night;
    night.Run(FightBattles);
    EXPECT_EQ(Game.Fleets[skiffs].House, 0);   // all twenty lost in the first volley
    EXPECT_EQ(Game.Fleets[lancers].House, 1);
    EXPECT_TRUE(night.Has(1, "Battle at Sys1 against Blues."));
    EXPECT_TRUE(night.Has(1, "  Blues lost: 20 Skiffs."));
    EXPECT_TRUE(night.Has(2, "Battle at Sys1 against Reds."));
    EXPECT_TRUE(night.Has(2, "  You lost: 20 Skiffs."));
    int lost = 10 - Game.Fleets[lancers].Ships[ShipLancer];
    EXPECT_TRUE(night.Has(1, "  You lost: " + (lost == 0 ? std::string("nothing") : std::to_string(lost) + " Lancer" + (lost > 1 ? "s" : "")) + "."));
    EXPECT_TRUE(night.Has(0, "Battle at Sys1.") == (lost > 0));
}

TEST(Battle, WhoFightsWhom)
{
    BuildRowMap(3);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 2);
    AddTestHouse(3, "Greens", 1);
    AddTestFleet(1, 1, ShipLancer, 5);
    AddTestFleet(2, 1, ShipLancer, 5);
    Relation(1, 2).Treaties = Relation(2, 1).Treaties = TreatyPeace;
    Game.Worlds[1].Owner = 0;   // Greens hold nothing there
    TPhaseNight quiet;
    quiet.Run(FightBattles);
    EXPECT_EQ(quiet.Count(1) + quiet.Count(2), 0);   // houses at peace fight nothing
    AddTestFleet(3, 1, ShipLancer, 5);
    TPhaseNight war;
    war.Run(FightBattles);
    EXPECT_TRUE(war.Has(3, "Battle at Sys1 against Reds and Blues."));
    EXPECT_TRUE(war.Has(1, "Battle at Sys1 against Greens."));

    // Unarmed ships cannot start a fight, but are fired on.
    BuildRowMap(2);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 1);
    AddTestFleet(1, 1, ShipHauler, 5);
    TPhaseNight none;
    none.Run(FightBattles);   // Blues' world has no shield and no fleet there
    EXPECT_EQ(none.Count(1), 0);
}

TEST(Battle, ShieldsOfIndependentsOnlyAgainstInvaders)
{
    BuildRowMap(2);
    AddTestHouse(1, "Reds", 0);
    Game.Worlds[1].Owner = HouseIndependents;
    Game.Worlds[1].Shield = 30;
    int f = AddTestFleet(1, 1, ShipLancer, 3);
    TPhaseNight passing;
    passing.Run(FightBattles);
    EXPECT_EQ(passing.Count(1), 0);
    EXPECT_EQ(+Game.Worlds[1].Shield, 30);
    Game.Fleets[f].Order = OrderInvade;
    Game.Fleets[f].Target = 1;
    TPhaseNight invading;
    invading.Run(FightBattles);
    EXPECT_TRUE(invading.Has(1, "Battle at Sys1 against independents."));
    EXPECT_LT(+Game.Worlds[1].Shield, 30);
}

TEST(Battle, NestsFightHousesAndAreCredited)
{
    BuildRowMap(2);
    AddTestHouse(1, "Reds", 0);
    Game.Systems[1].NestStrength = 3;
    Game.Systems[1].Flags = SysNest;
    TPhaseNight empty;
    empty.Run(FightBattles);
    EXPECT_EQ(Game.Systems[1].NestStrength, 3);   // nobody there: no fight
    int f = AddTestFleet(1, 1, ShipBreaker, 20);
    Game.Fleets[f].Doctrine = DoctrineStrike;
    TPhaseNight night;
    night.Run(FightBattles);
    EXPECT_EQ(Game.Systems[1].NestStrength, 0);
    EXPECT_EQ(Game.Systems[1].Flags & SysNest, 0);
    EXPECT_EQ(HouseRec(1).NestsDestroyed, 1);
    EXPECT_TRUE(night.Has(1, "The Hollow nest at Sys1 is destroyed!"));
    EXPECT_TRUE(night.Has(0, "The Hollow nest at Sys1 has been destroyed."));
    EXPECT_TRUE(night.Has(1, "  The Hollow lost: 3 strength."));
}

TEST(Battle, FallingBack)
{
    // Any side with fleets falls back below a third of its strength.
    BuildRowMap(3);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 2);
    int weak = AddTestFleet(1, 1, ShipLancer, 6, "Weak");
    int strong = AddTestFleet(2, 1, ShipBreaker, 40, "Strong");
    Game.Fleets[strong].Doctrine = DoctrineStrike;
    TPhaseNight night;
    night.Run(FightBattles);
    // It falls back towards its capital, or, destroyed in the exchange, is
    // reported lost: either way the night says which.
    if (Game.Fleets[weak].House == 1) {
        EXPECT_EQ(+Game.Fleets[weak].Loc, 0);
        EXPECT_TRUE(night.Has(1, "Weak fell back to Sys0."));
    } else {
        EXPECT_EQ(+Game.Fleets[weak].House, 0);
        EXPECT_TRUE(night.Has(1, "  You lost: 6 Lancers."));
    }
    // Screen falls back once below 60% of the hostile strength.
    BuildRowMap(3);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 2);
    int screen = AddTestFleet(1, 1, ShipWarden, 30, "Screen");
    Game.Fleets[screen].Doctrine = DoctrineScreen;
    Game.Fleets[screen].Ships[ShipHauler] = 5;
    int attackers = AddTestFleet(2, 1, ShipLancer, 80, "Lancers");
    Game.Fleets[attackers].Doctrine = DoctrineHold;
    TPhaseNight second;
    second.Run(FightBattles);
    ASSERT_EQ(Game.Fleets[screen].House, 1);
    EXPECT_EQ(+Game.Fleets[screen].Loc, 0);
    EXPECT_TRUE(second.Has(1, "Screen fell back to Sys0."));
    EXPECT_EQ(Game.Fleets[screen].Order, OrderHold);
}

// Screen hides transports behind warships; a lone group of Haulers is not
// screened.  Same draws, different doctrine: fewer Haulers lost under Screen.
TEST(Battle, ScreenProtectsTransports)
{
    auto haulersLost = [](int doctrine, int wardens) {
        BuildRowMap(3);
        AddTestHouse(1, "Reds", 0);
        AddTestHouse(2, "Blues", 2);
        int convoy = AddTestFleet(1, 1, ShipHauler, 30, "Convoy");
        Game.Fleets[convoy].Ships[ShipWarden] = (uint16_t)wardens;
        Game.Fleets[convoy].Doctrine = (uint8_t)doctrine;
        AddTestFleet(2, 1, ShipLancer, 8, "Raid");
        TPhaseNight night;
        night.Run(FightBattles, 5);
        return 30 - (Game.Fleets[convoy].House ? Game.Fleets[convoy].Ships[ShipHauler] : 0);
    };
    EXPECT_LT(haulersLost(DoctrineScreen, 20), haulersLost(DoctrineStrike, 20));
    EXPECT_EQ(haulersLost(DoctrineScreen, 0) > 0, true);   // alone, they take full fire
    // Hold makes Wardens draw fire away from the Haulers.
    EXPECT_LT(haulersLost(DoctrineHold, 20), haulersLost(DoctrineStrike, 20));
}

TEST(Movement, PatrolsFuelAndArrival)
{
    BuildRowMap(5);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 4);
    int skiffs = AddTestFleet(1, 0, ShipSkiff, 2, "Fast");
    OrderFleet(1, skiffs, OrderMove, 3, -1);
    int patrol = AddTestFleet(2, 2, ShipLancer, 1, "Guard");
    Game.Fleets[patrol].Order = OrderPatrol;
    HouseRec(1).Fuel = 100;
    TPhaseNight night;
    night.Run(MoveFleets);
    EXPECT_EQ(+Game.Fleets[skiffs].Loc, 2);
    EXPECT_TRUE(night.Has(1, "Fast was stopped by a patrol at Sys2."));
    EXPECT_EQ(+HouseRec(1).Fuel, 96);   // two lanes into unowned systems, 2 fuel each
    // A fleet heading for the patrolled system itself arrives.
    OrderFleet(1, skiffs, OrderMove, 3, -1);
    Game.Fleets[skiffs].Loc = 1;
    Game.Fleets[patrol].Loc = 3;
    TPhaseNight arrive;
    arrive.Run(MoveFleets);
    EXPECT_EQ(+Game.Fleets[skiffs].Loc, 3);
    EXPECT_TRUE(arrive.Has(1, "Fast arrived at Sys3."));
    EXPECT_EQ(Game.Fleets[skiffs].Order, OrderHold);
    EXPECT_EQ(+Game.Fleets[skiffs].Dest, -1);

    // Allied systems are free to enter; peaceful ones are not.
    Game.Fleets[skiffs].Loc = 3;
    Game.Fleets[patrol].House = 0;
    OrderFleet(1, skiffs, OrderMove, 4, -1);
    Relation(1, 2).Treaties = Relation(2, 1).Treaties = TreatyPeace;
    HouseRec(1).Fuel = 10;
    TPhaseNight peace;
    peace.Run(MoveFleets);
    EXPECT_EQ(+HouseRec(1).Fuel, 8);
    Game.Fleets[skiffs].Loc = 3;
    OrderFleet(1, skiffs, OrderMove, 4, -1);
    Relation(1, 2).Treaties = Relation(2, 1).Treaties = TreatyAlliance;
    TPhaseNight allied;
    allied.Run(MoveFleets);
    EXPECT_EQ(+HouseRec(1).Fuel, 8);
    EXPECT_EQ(+Game.Fleets[skiffs].Loc, 4);

    // Out of fuel: told once, in the first pass.
    Game.Fleets[skiffs].Loc = 0;
    OrderFleet(1, skiffs, OrderMove, 3, -1);
    HouseRec(1).Fuel = 3;
    TPhaseNight dry;
    dry.Run(MoveFleets);
    EXPECT_EQ(+Game.Fleets[skiffs].Loc, 1);   // paid for one lane, stopped silently
    EXPECT_EQ(dry.Count(1), 0);
    TPhaseNight empty;
    empty.Run(MoveFleets);
    EXPECT_TRUE(empty.Has(1, "Fast is out of fuel at Sys1."));
    // No route.
    Game.Lanes[2].State = LaneClosed;
    HouseRec(1).Fuel = 100;
    TPhaseNight cut;
    cut.Run(MoveFleets);
    EXPECT_TRUE(cut.Has(1, "Fast has no route to Sys3 and waits."));
    EXPECT_EQ(+Game.Fleets[skiffs].Dest, 3);
}

TEST(Movement, EscortsFollow)
{
    BuildRowMap(4);
    AddTestHouse(1, "Reds", 0);
    int lead = AddTestFleet(1, 0, ShipLancer, 1, "Lead");
    int escort = AddTestFleet(1, 0, ShipLancer, 1, "Escort");
    HouseRec(1).Fuel = 100;
    EXPECT_EQ(OrderFleet(1, escort, OrderEscort, -1, lead), "");
    TPhaseNight still;
    still.Run(MoveFleets);
    EXPECT_EQ(+Game.Fleets[escort].Dest, -1);   // the lead goes nowhere
    OrderFleet(1, lead, OrderMove, 2, -1);
    TPhaseNight go;
    go.Run(MoveFleets);
    EXPECT_EQ(+Game.Fleets[escort].Loc, 1);
    EXPECT_EQ(+Game.Fleets[lead].Loc, 1);
    Game.Fleets[lead].House = 0;
    TPhaseNight lost;
    lost.Run(MoveFleets);
    EXPECT_EQ(Game.Fleets[escort].Order, OrderHold);
    EXPECT_EQ(+Game.Fleets[escort].Dest, -1);
}

TEST(Landings, SettlersAndInvasions)
{
    BuildRowMap(3);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 2);
    Game.Worlds[1].Relic = 4;
    int a = AddTestFleet(1, 1, ShipSeeder, 1, "First");
    int b = AddTestFleet(1, 1, ShipSeeder, 1, "Second");
    Game.Fleets[a].Order = Game.Fleets[b].Order = OrderSettle;
    Game.Fleets[a].Target = Game.Fleets[b].Target = 1;
    TPhaseNight night;
    night.Run(LandFleets);
    EXPECT_EQ(Game.Worlds[1].Owner, 1);
    EXPECT_EQ(+Game.Worlds[1].Pop, 500);
    EXPECT_EQ(Game.Fleets[a].House, 0);   // its only ship landed
    EXPECT_TRUE(night.Has(1, "First has founded a colony on Sys1."));
    EXPECT_TRUE(night.Has(1, "Your settlers found an ancient relic on Sys1!"));
    EXPECT_TRUE(night.Has(0, "Reds has claimed a relic at Sys1."));
    EXPECT_TRUE(night.Has(1, "Sys1 is already held by Reds; Second waits."));
    EXPECT_EQ(Game.Fleets[b].Order, OrderHold);

    // A guarded Ruin waits for its guard to be beaten.
    Game.Worlds[2].Owner = 0;
    Game.Worlds[2].Kind = KindRuin;
    Game.Worlds[2].Guard = 5;
    int c = AddTestFleet(2, 2, ShipSeeder, 1, "Third");
    Game.Fleets[c].Order = OrderSettle;
    Game.Fleets[c].Target = 2;
    TPhaseNight guarded;
    guarded.Run(LandFleets);
    EXPECT_EQ(Game.Worlds[2].Owner, 0);
    EXPECT_EQ(Game.Fleets[c].Order, OrderSettle);
}

TEST(Landings, TenTroopsAgainstAGarrisonOfFive)
{
    int taken = 0;
    for (int seed = 1; seed <= 40; seed++) {
        BuildRowMap(3);
        AddTestHouse(1, "Reds", 0);
        AddTestHouse(2, "Blues", 1);
        AddTestHouse(3, "Greens", 2);
        HouseRec(2).Capital = 1;
        Game.Worlds[2].Owner = 2;   // Blues' second world
        Game.Worlds[2].Pop = 100;
        Game.Worlds[1].Garrison = 5;
        Game.Worlds[1].Pop = 5001;
        int f = AddTestFleet(1, 1, ShipHauler, 1, "Landing");
        Game.Fleets[f].Troops = 10;
        Game.Fleets[f].Order = OrderInvade;
        Game.Fleets[f].Target = 1;
        TPhaseNight night;
        night.Run(LandFleets, seed);
        EXPECT_EQ(+Game.Fleets[f].Troops, 0);
        EXPECT_EQ(Game.Fleets[f].Order, OrderHold);
        if (Game.Worlds[1].Owner == 1) {
            taken++;
            EXPECT_GE(+Game.Worlds[1].Garrison, 1);
            EXPECT_LE(+Game.Worlds[1].Garrison, 5);   // (115 - 64) / 10 at best
            EXPECT_EQ(+Game.Worlds[1].Pop, 2500);
            EXPECT_EQ(Game.Worlds[1].Unrest, 5);
            EXPECT_TRUE(night.Has(1, "Your troops have taken Sys1 from Blues!"));
            EXPECT_TRUE(night.Has(2, "Sys1 has fallen to Reds."));
            EXPECT_EQ(+HouseRec(2).Capital, 2);   // the capital moves on
            EXPECT_TRUE(night.Has(2, "Your capital moves to Sys2."));
        } else {
            EXPECT_EQ(+Game.Worlds[1].Garrison, 0);   // 5 - 10 * 2 / 3, not below 0
            EXPECT_TRUE(night.Has(1, "Your landing on Sys1 was thrown back."));
        }
    }
    EXPECT_GT(taken, 30);
}

// Battles come before landings: shields beaten down tonight let the
// invaders land tonight.
TEST(Landings, InvasionAfterTheShieldsFall)
{
    BuildRowMap(2);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 1);
    Game.Worlds[1].Shield = 4;
    int f = AddTestFleet(1, 1, ShipBreaker, 30, "Siege");
    Game.Fleets[f].Ships[ShipHauler] = 4;
    Game.Fleets[f].Troops = 40;
    Game.Fleets[f].Order = OrderInvade;
    Game.Fleets[f].Target = 1;
    Game.Fleets[f].Dest = 1;
    TPhaseNight night;
    night.Run([](TNight& n) {
        FightBattles(n);
        LandFleets(n);
    });
    EXPECT_EQ(+Game.Worlds[1].Shield, 0);
    EXPECT_EQ(Game.Worlds[1].Owner, 1);
    // Peace calls an invasion off.
    Game.Worlds[0].Owner = 2;
    Relation(1, 2).Treaties = Relation(2, 1).Treaties = TreatyPeace;
    Game.Fleets[f].Loc = 0;
    Game.Fleets[f].Order = OrderInvade;
    Game.Fleets[f].Target = 0;
    Game.Fleets[f].Troops = 10;
    TPhaseNight peace;
    peace.Run(LandFleets);
    EXPECT_TRUE(peace.Has(1, "You are at peace with Blues; the invasion is called off."));
    EXPECT_EQ(Game.Worlds[0].Owner, 2);
    // The order is refused for the very reason the night calls it off.
    EXPECT_EQ(OrderFleet(1, f, OrderInvade, -1, 0), "You are at peace with Blues; the invasion is called off.");
    // Landing on one's own world is called off without a word.
    Game.Fleets[f].Loc = 1;
    Game.Fleets[f].Order = OrderInvade;
    Game.Fleets[f].Target = 1;
    TPhaseNight own;
    own.Run(LandFleets);
    EXPECT_EQ(own.Count(1), 0);
    EXPECT_EQ(Game.Fleets[f].Order, OrderHold);
    EXPECT_EQ(OrderFleet(1, f, OrderInvade, -1, 1), "Sys1 is already yours.");
}

TEST(Economy, WorkedOutputs)
{
    BuildRowMap(2);
    AddTestHouse(1, "Reds", 0);
    TWorld& w = Game.Worlds[0];
    w.Pop = 4000;
    w.Buildings[0] = BuildMine;
    HouseRec(1).Research[TrackStatecraft] = 1;
    TOutput o = WorldOutput(0);
    EXPECT_EQ(o.Ore, 19);
    EXPECT_EQ(o.Fuel, 0);
    EXPECT_EQ(o.Influence, 8);
    w.Unrest = 5;
    w.Blockaded = 1;
    w.Pop = 40000;
    w.Buildings[1] = BuildRefinery;
    TOutput q = WorldOutput(0);
    w.Unrest = 0;
    w.Blockaded = 0;
    TOutput full = WorldOutput(0);
    EXPECT_EQ(q.Ore, full.Ore / 2 / 2);
    EXPECT_EQ(q.Fuel, full.Fuel / 2 / 2);
    EXPECT_EQ(q.Influence, full.Influence / 2 / 2);
    EXPECT_EQ(WorldOutput(-1).Ore, 0);
}

TEST(Economy, GrowthShieldsAndResearch)
{
    BuildRowMap(4);
    AddTestHouse(1, "Reds", 0);
    Game.Worlds[0].Pop = 1000;
    Game.Worlds[1].Owner = 1;
    Game.Worlds[1].Pop = 1000;
    Game.Worlds[1].Focus = FocusGrowth;
    Game.Worlds[2].Owner = 1;
    Game.Worlds[2].Kind = KindRock;
    Game.Worlds[2].Pop = 100;
    Game.Worlds[3].Owner = 1;
    Game.Worlds[3].Kind = KindGasGiant;
    Game.Worlds[0].Shield = 58;
    Game.Worlds[0].Buildings[0] = BuildShield;   // capital: rests at 100
    Game.Worlds[1].Shield = 18;                  // rests at 20
    TPhaseNight night;
    night.Run(RunEconomy);
    EXPECT_EQ(+Game.Worlds[0].Pop, 1030);
    EXPECT_EQ(+Game.Worlds[1].Pop, 1060);
    EXPECT_EQ(+Game.Worlds[2].Pop, 105);
    EXPECT_EQ(+Game.Worlds[3].Pop, 0);
    EXPECT_EQ(+Game.Worlds[0].Shield, 63);
    EXPECT_EQ(+Game.Worlds[1].Shield, 20);
    HouseRec(1).Research[TrackArms] = 2;
    for (int i = 0; i < 20; i++) night.Run(RunEconomy);
    EXPECT_EQ(+Game.Worlds[0].Shield, 120);
    EXPECT_EQ(+Game.Worlds[1].Shield, 40);

    // Research stops when every track is done.
    THouse& hr = HouseRec(1);
    for (int t = 0; t < 4; t++) hr.Research[t] = 4;
    hr.ResPoints = 7;
    night.Run(RunEconomy);
    EXPECT_EQ(+hr.ResPoints, 7);
    hr.Research[TrackIndustry] = 3;
    hr.ResTrack = 9;   // a track no order can set counts as finished
    hr.ResPoints = 999;
    night.Run(RunEconomy);
    EXPECT_EQ(hr.ResTrack, TrackIndustry);
    EXPECT_TRUE(night.Has(1, "Research moves on to Industry."));
    EXPECT_TRUE(night.Has(1, "Research complete: Industry 4."));
}

TEST(Economy, TributeRevoltsAndPrices)
{
    BuildRowMap(3);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 1);
    Relation(1, 2).Tribute = 500;
    HouseRec(1).Ore = 0;
    HouseRec(2).Ore = 0;
    Game.Worlds[0].Pop = 0;
    Game.Worlds[0].Kind = KindGasGiant;   // no ore to speak of
    Game.Header.Price[0] = 101;
    Game.Header.Price[1] = 119;
    Game.Header.Price[2] = 301;
    TPhaseNight night;
    night.Run(RunEconomy);
    EXPECT_EQ(+HouseRec(1).Ore, 0);   // paid only as far as its ore went
    EXPECT_EQ(Game.Header.Price[0], 100);
    EXPECT_EQ(Game.Header.Price[1], 120);
    EXPECT_EQ(Game.Header.Price[2], 300);   // lands on rest, never past it
    Game.Header.Price[2] = 299;
    night.Run(RunEconomy);
    EXPECT_EQ(Game.Header.Price[2], 300);

    int revolts = 0;
    for (int seed = 1; seed <= 60; seed++) {
        Game.Worlds[2].Owner = 1;
        Game.Worlds[2].Loyalty = 15;
        Game.Worlds[2].Garrison = 0;
        Game.Worlds[2].Pop = 0;
        TPhaseNight n;
        n.Run(RunEconomy, seed);
        if (Game.Worlds[2].Owner == HouseIndependents) {
            revolts++;
            EXPECT_EQ(Game.Worlds[2].Loyalty, 50);
            EXPECT_TRUE(n.Has(1, "Sys2 has revolted and declared itself independent!"));
            EXPECT_TRUE(n.Has(0, "Sys2 has broken away from Reds."));
        } else {
            EXPECT_EQ(Game.Worlds[2].Loyalty, 17);
        }
    }
    EXPECT_GT(revolts, 3);
    EXPECT_LT(revolts, 25);
    // Loyalty 19 rises to 21: no revolt.
    Game.Worlds[2].Owner = 1;
    Game.Worlds[2].Loyalty = 19;
    night.Run(RunEconomy);
    EXPECT_EQ(Game.Worlds[2].Owner, 1);
}

TEST(Builds, DeliveriesAndLostOrders)
{
    BuildRowMap(3);
    AddTestHouse(1, "Reds", 0);
    AddTestHouse(2, "Blues", 2);
    Game.Worlds[0].Buildings[0] = BuildShipyard;
    Game.Worlds[1].Owner = 1;
    Game.Worlds[1].Buildings[0] = BuildShipyard;
    int guard = AddTestFleet(1, 0, ShipLancer, 5, "Home Guard");
    HouseRec(1).Ore = 100000;
    EXPECT_EQ(BuildShips(1, 0, ShipLancer, 3), "");
    EXPECT_EQ(BuildShips(1, 0, ShipHauler, 2), "");
    EXPECT_EQ(BuildBuilding(1, 0, BuildMine), "");
    EXPECT_EQ(BuildShips(1, 1, ShipSkiff, 1), "");
    Game.Worlds[1].Owner = 2;   // captured before the builds
    TPhaseNight night;
    night.Run(CompleteBuilds);
    EXPECT_EQ(+Game.Fleets[guard].Ships[ShipLancer], 8);
    EXPECT_TRUE(night.Has(1, "3 Lancers built at Sys0, joining Home Guard."));
    int reserve = -1;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == 1 && StrGet(Game.Fleets[f].Name) == "Reserve") reserve = f;
    ASSERT_GE(reserve, 0);
    EXPECT_EQ(+Game.Fleets[reserve].Troops, 20);   // Haulers come loaded
    EXPECT_TRUE(night.Has(1, "A new Mine is working on Sys0."));
    EXPECT_TRUE(night.Has(1, "An order at Sys1 was lost with the world."));
    EXPECT_EQ(Game.Header.BuildCount, 0);

    // Deliveries never wrap a count.
    Game.Fleets[guard].Ships[ShipLancer] = 65000;
    Game.Fleets[reserve].Troops = 65530;
    AddBuildOrder(1, 0, ShipLancer, 1000);
    AddBuildOrder(1, 0, ShipHauler, 5);
    night.Run(CompleteBuilds);
    EXPECT_EQ(+Game.Fleets[guard].Ships[ShipLancer], 65535);
    EXPECT_EQ(+Game.Fleets[reserve].Troops, 65535);
    // Orders no order could make are passed over.
    Game.Builds[0] = {30, 1, 0, 1};
    Game.Builds[1] = {1, 77, 0, 1};
    Game.Header.BuildCount = 2;
    night.Run(CompleteBuilds);
    EXPECT_EQ(Game.Header.BuildCount, 0);

    // With the Reserve away, new ships gather in a second one, never in a
    // second fleet called Reserve; and a fleet may not be renamed after it.
    Game.Fleets[reserve].Order = OrderMove;
    Game.Fleets[reserve].Dest = 1;
    AddBuildOrder(1, 0, ShipSkiff, 2);
    night.Run(CompleteBuilds);
    EXPECT_TRUE(night.Has(1, "2 Skiffs built at Sys0, joining Reserve 2."));
    AddBuildOrder(1, 0, ShipSkiff, 1);
    night.Run(CompleteBuilds);
    EXPECT_TRUE(night.Has(1, "1 Skiff built at Sys0, joining Reserve 2."));
    EXPECT_EQ(RenameFleet(1, guard, "reserve 2"), "Another of your fleets is called Reserve 2.");
    EXPECT_EQ(RenameFleet(1, guard, "Vanguard"), "");
}

TEST(Hollow, RaidsAndSpawning)
{
    BuildRowMap(5);
    AddTestHouse(1, "Reds", 2);
    HouseRec(1).Ore = 5;
    Game.Worlds[2].Pop = 1000;
    Game.Worlds[2].Loyalty = 50;
    int raiders = AddTestFleet(HouseHollow, 2, ShipLancer, 3, "Hollow raiders");
    TPhaseNight night;
    night.Run(HollowRaids);
    EXPECT_EQ(+HouseRec(1).Ore, 5);   // 5 / 10 is nothing
    EXPECT_EQ(+Game.Worlds[2].Pop, 950);
    EXPECT_EQ(Game.Worlds[2].Loyalty, 45);
    EXPECT_TRUE(night.Has(1, "The Hollow raided Sys2 and carried off 0 ore."));
    // The raiders move on to a neighbour, unless they dispersed.
    if (Game.Fleets[raiders].House == HouseHollow) {
        EXPECT_TRUE(Game.Fleets[raiders].Dest == 1 || Game.Fleets[raiders].Dest == 3);
    } else {
        EXPECT_EQ(+Game.Fleets[raiders].House, 0);
    }
    Game.Worlds[2].Shield = 1;
    Game.Fleets[raiders].House = HouseHollow;
    Game.Fleets[raiders].Dest = -1;
    TPhaseNight shielded;
    shielded.Run(HollowRaids);
    EXPECT_EQ(shielded.Count(1), 0);   // shields keep them off

    // A nest at 45 after growth sends 5 Lancers and 2 Wardens.
    BuildRowMap(5);
    Game.Header.Hollow = 3;
    Game.Header.Day = 10;
    Game.Systems[0].NestStrength = 42;
    bool spawned = false;
    for (int seed = 1; seed < 20 && !spawned; seed++) {
        Game.Systems[0].NestStrength = 42;
        Game.Header.FleetCount = 0;
        TPhaseNight n;
        n.Run(HollowSpawn, seed);
        EXPECT_EQ(Game.Systems[0].NestStrength, 45);
        if (Game.Header.FleetCount == 1) {
            spawned = true;
            const TFleet& fl = Game.Fleets[0];
            EXPECT_EQ(fl.House, HouseHollow);
            EXPECT_EQ(+fl.Ships[ShipLancer], 5);
            EXPECT_EQ(+fl.Ships[ShipWarden], 2);
            EXPECT_GE(+fl.Dest, 1);
            EXPECT_LE(+fl.Dest, 3);
            EXPECT_EQ(fl.Doctrine, DoctrineStrike);
        }
    }
    EXPECT_TRUE(spawned);
    // Never in the first week, and not at all with the Hollow off.
    Game.Header.FleetCount = 0;
    Game.Header.Day = 7;
    for (int seed = 1; seed < 10; seed++) {
        TPhaseNight n;
        n.Run(HollowSpawn, seed);
    }
    EXPECT_EQ(Game.Header.FleetCount, 0);
    Game.Header.Hollow = 0;
    Game.Header.Day = 20;
    int before = Game.Systems[0].NestStrength;
    night.Run(HollowSpawn);
    EXPECT_EQ(Game.Systems[0].NestStrength, before);
}
