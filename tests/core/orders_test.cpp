#include <climits>
#include <cstring>
#include <gtest/gtest.h>

#include "core/model.h"
#include "core/orders.h"
#include "core/rules.h"
#include "tests/testutil.h"

// Runs an order that must be refused and checks the state did not change.
#define EXPECT_REFUSED(call, message)                                  \
    do {                                                               \
        std::string before = GameBytes();                              \
        EXPECT_EQ(call, message);                                      \
        EXPECT_TRUE(before == GameBytes()) << "state changed: " #call; \
    } while (0)

static void Yard(int w) { Game.Worlds[w].Buildings[0] = BuildShipyard; }

TEST(Orders, BuildShipsChecksInOrder)
{
    BuildRowMap(3);
    AddTestHouse(1, "One", 0);
    AddTestHouse(2, "Two", 1);
    HouseRec(1).Ore = 59;
    EXPECT_REFUSED(BuildShips(1, 1, ShipLancer, 3), "That is not your world.");
    EXPECT_REFUSED(BuildShips(1, -1, ShipLancer, 3), "That is not your world.");
    EXPECT_REFUSED(BuildShips(1, 999, ShipLancer, 3), "That is not your world.");
    EXPECT_REFUSED(BuildShips(0, 2, ShipLancer, 3), "That is not your world.");   // nobody's world
    EXPECT_REFUSED(BuildShips(1, 0, 7, 3), "No such ship.");
    EXPECT_REFUSED(BuildShips(1, 0, -1, 0), "No such ship.");
    EXPECT_REFUSED(BuildShips(1, 0, ShipLancer, 0), "Nothing to build.");
    EXPECT_REFUSED(BuildShips(1, 0, ShipLancer, 3), "That world has no shipyard.");
    Yard(0);
    EXPECT_REFUSED(BuildShips(1, 0, ShipLancer, 3), "Not enough ore (60 needed).");
    // A huge count never wraps into a small price.
    EXPECT_REFUSED(BuildShips(1, 0, ShipBreaker, INT_MAX), "Not enough ore (128849018820 needed).");
    HouseRec(1).Ore = 60;
    EXPECT_EQ(BuildShips(1, 0, ShipLancer, 3), "");
    EXPECT_EQ(+HouseRec(1).Ore, 0);
    ASSERT_EQ(Game.Header.BuildCount, 1);
    EXPECT_EQ(Game.Builds[0].Item, ShipLancer);
    EXPECT_EQ(+Game.Builds[0].Count, 3);
}

TEST(Orders, ShipOrdersMergeAndNeverWrap)
{
    BuildRowMap(2);
    AddTestHouse(1, "One", 0);
    Yard(0);
    HouseRec(1).Ore = 2000000000;
    EXPECT_EQ(BuildShips(1, 0, ShipLancer, 2), "");
    EXPECT_EQ(BuildShips(1, 0, ShipLancer, 3), "");
    EXPECT_EQ(BuildShips(1, 0, ShipSkiff, 1), "");
    ASSERT_EQ(Game.Header.BuildCount, 2);
    EXPECT_EQ(+Game.Builds[0].Count, 5);
    EXPECT_EQ(BuildShips(1, 0, ShipSkiff, 65534), "");
    EXPECT_REFUSED(BuildShips(1, 0, ShipSkiff, 1), "One order can hold at most 65535 ships.");
    EXPECT_REFUSED(BuildShips(1, 0, ShipLancer, 70000), "One order can hold at most 65535 ships.");
    // A full queue refuses and takes nothing.
    Game.Header.BuildCount = MaxBuilds;
    for (int b = 2; b < MaxBuilds; b++) Game.Builds[b] = {2, 101, 1, 1};
    EXPECT_REFUSED(BuildShips(1, 0, ShipWarden, 1), "The build queue is full.");
    EXPECT_EQ(BuildShips(1, 0, ShipLancer, 1), "");   // merging needs no new entry
}

TEST(Orders, BuildingsSlotsAndCancel)
{
    BuildRowMap(3, KindRock);
    AddTestHouse(1, "One", 0);
    Game.Worlds[0].Slots = 4;
    Game.Worlds[1].Kind = KindGasGiant;
    Game.Worlds[1].Slots = 1;
    Game.Worlds[1].Owner = 1;
    HouseRec(1).Ore = 1000;
    EXPECT_REFUSED(BuildBuilding(1, 2, BuildMine), "That is not your world.");
    EXPECT_REFUSED(BuildBuilding(1, 0, 0), "No such building.");
    EXPECT_REFUSED(BuildBuilding(1, 0, 7), "No such building.");
    EXPECT_REFUSED(BuildBuilding(1, 1, BuildMine), "Nothing can be built on a gas giant station.");
    EXPECT_EQ(SlotCount(0), 4);
    HouseRec(1).Research[TrackIndustry] = 3;
    EXPECT_EQ(SlotCount(0), 5);
    EXPECT_EQ(SlotCount(1), 1);   // a gas giant gains no slot
    Game.Worlds[0].Slots = 6;
    EXPECT_EQ(SlotCount(0), 6);   // never more than six
    Game.Worlds[0].Slots = 4;
    HouseRec(1).Research[TrackIndustry] = 0;
    for (int i = 0; i < 3; i++) Game.Worlds[0].Buildings[i] = BuildMine;
    EXPECT_EQ(FreeSlots(0), 1);
    EXPECT_EQ(BuildBuilding(1, 0, BuildMine), "");
    EXPECT_EQ(+HouseRec(1).Ore, 940);
    EXPECT_EQ(FreeSlots(0), 0);
    EXPECT_REFUSED(BuildBuilding(1, 0, BuildMine), "That world has no free building slots.");
    Game.Worlds[0].Buildings[2] = BuildNone;
    EXPECT_EQ(BuildBuilding(1, 0, BuildMine), "");   // buildings are never merged
    EXPECT_EQ(Game.Header.BuildCount, 2);
    HouseRec(1).Ore = 10;
    Game.Worlds[0].Buildings[1] = BuildNone;
    EXPECT_REFUSED(BuildBuilding(1, 0, BuildAcademy), "Not enough ore (90 needed).");

    // Cancelling refunds at today's prices and moves the last order in.
    Yard(0);
    HouseRec(1).Ore = 50;
    EXPECT_EQ(BuildShips(1, 0, ShipSkiff, 5), "");
    EXPECT_EQ(+HouseRec(1).Ore, 0);
    ASSERT_EQ(Game.Header.BuildCount, 3);
    EXPECT_REFUSED(CancelBuild(2, 0), "No such order.");
    EXPECT_REFUSED(CancelBuild(1, 3), "No such order.");
    EXPECT_REFUSED(CancelBuild(1, -1), "No such order.");
    EXPECT_EQ(CancelBuild(1, 0), "");
    EXPECT_EQ(+HouseRec(1).Ore, 60);   // the first Mine
    EXPECT_EQ(Game.Header.BuildCount, 2);
    EXPECT_EQ(Game.Builds[0].Item, ShipSkiff);
    EXPECT_EQ(CancelBuild(1, 0), "");
    EXPECT_EQ(+HouseRec(1).Ore, 110);
}

TEST(Orders, FocusAndResearch)
{
    BuildRowMap(2);
    AddTestHouse(1, "One", 0);
    EXPECT_REFUSED(SetFocus(1, 1, 1), "That is not your world.");
    EXPECT_REFUSED(SetFocus(1, 0, 5), "No such focus.");
    EXPECT_EQ(SetFocus(1, 0, FocusDefence), "");
    EXPECT_EQ(Game.Worlds[0].Focus, FocusDefence);
    THouse& hr = HouseRec(1);
    hr.ResTrack = TrackArms;
    hr.ResPoints = 101;
    EXPECT_REFUSED(SetResearch(1, 4), "No such research track.");
    EXPECT_REFUSED(SetResearch(1, -1), "No such research track.");
    EXPECT_EQ(SetResearch(1, TrackArms), "");
    EXPECT_EQ(+hr.ResPoints, 101);
    EXPECT_EQ(SetResearch(1, TrackDrives), "");
    EXPECT_EQ(+hr.ResPoints, 50);
    EXPECT_EQ(SetResearch(1, TrackArms), "");
    EXPECT_EQ(+hr.ResPoints, 25);
    hr.Research[TrackStatecraft] = 4;
    EXPECT_REFUSED(SetResearch(1, TrackStatecraft), "That track is already complete.");
}

TEST(Orders, FleetOrders)
{
    BuildRowMap(4, KindRock);
    AddTestHouse(1, "One", 0);
    AddTestHouse(2, "Two", 3);
    Game.Worlds[2].Kind = KindRuin;
    int lancers = AddTestFleet(1, 0, ShipLancer, 3);
    int outposts = AddTestFleet(1, 0, ShipOutpost, 2);
    int theirs = AddTestFleet(2, 3, ShipLancer, 1);
    EXPECT_REFUSED(OrderFleet(1, theirs, OrderMove, 1, -1), "That is not your fleet.");
    EXPECT_REFUSED(OrderFleet(1, 50, OrderMove, 1, -1), "That is not your fleet.");
    EXPECT_REFUSED(OrderFleet(1, lancers, 8, 1, -1), "No such order.");
    EXPECT_REFUSED(OrderFleet(1, lancers, OrderPatrol, 4, -1), "Pick a system.");
    EXPECT_REFUSED(OrderFleet(1, lancers, OrderBlockade, -1, -1), "Pick a system.");
    EXPECT_EQ(OrderFleet(1, lancers, OrderMove, 2, 77), "");
    EXPECT_EQ(+Game.Fleets[lancers].Dest, 2);
    EXPECT_EQ(+Game.Fleets[lancers].Target, 77);   // stored as given

    // Outposts: Hold or Patrol where they stand, nothing else.
    EXPECT_EQ(OrderFleet(1, outposts, OrderPatrol, 0, -1), "");
    EXPECT_EQ(Game.Fleets[outposts].Order, OrderPatrol);
    EXPECT_REFUSED(OrderFleet(1, outposts, OrderMove, 1, -1), "Outposts can't move.");
    EXPECT_REFUSED(OrderFleet(1, outposts, OrderPatrol, 1, -1), "Outposts can't move.");
    EXPECT_REFUSED(OrderFleet(1, outposts, OrderHold, 2, -1), "Outposts can't move.");
    EXPECT_EQ(OrderFleet(1, outposts, OrderHold, -1, -1), "");
    EXPECT_EQ(+Game.Fleets[outposts].Dest, -1);

    // Landings.
    EXPECT_REFUSED(OrderFleet(1, lancers, OrderInvade, -1, 9), "Pick a world.");
    EXPECT_REFUSED(OrderFleet(1, lancers, OrderInvade, -1, 3), "Invading needs Haulers carrying troops.");
    // What the night would call off is refused at the order, for the same reason.
    EXPECT_REFUSED(OrderFleet(1, lancers, OrderInvade, -1, 2), "Sys2 is unclaimed; settle it with a Seeder.");
    EXPECT_REFUSED(OrderFleet(1, lancers, OrderInvade, -1, 0), "Sys0 is already yours.");
    Game.Worlds[2].Owner = HouseIndependents;
    EXPECT_EQ(OrderFleet(1, lancers, OrderInvade, -1, 2), "");   // a Ruin needs no troops
    EXPECT_EQ(+Game.Fleets[lancers].Dest, 2);
    EXPECT_REFUSED(OrderFleet(1, lancers, OrderSettle, -1, 1), "Settling needs a Seeder in the fleet.");
    Game.Fleets[lancers].Ships[ShipSeeder] = 1;
    EXPECT_EQ(OrderFleet(1, lancers, OrderSettle, -1, 1), "");
    EXPECT_EQ(+Game.Fleets[lancers].Dest, 1);

    // Return to the capital, or nowhere when it is lost.
    Game.Fleets[lancers].Loc = 2;
    EXPECT_EQ(OrderFleet(1, lancers, OrderReturn, -1, -1), "");
    EXPECT_EQ(+Game.Fleets[lancers].Dest, 0);
    Game.Worlds[0].Owner = 2;
    EXPECT_EQ(OrderFleet(1, lancers, OrderReturn, -1, -1), "");
    EXPECT_EQ(+Game.Fleets[lancers].Dest, -1);

    // Escorts follow friendly fleets only.
    EXPECT_REFUSED(OrderFleet(1, lancers, OrderEscort, -1, theirs), "Pick a friendly fleet.");
    EXPECT_REFUSED(OrderFleet(1, lancers, OrderEscort, -1, lancers), "Pick a friendly fleet.");
    EXPECT_REFUSED(OrderFleet(1, lancers, OrderEscort, -1, 500), "Pick a friendly fleet.");
    Relation(1, 2).Treaties = Relation(2, 1).Treaties = TreatyPeace;
    EXPECT_EQ(OrderFleet(1, lancers, OrderEscort, -1, theirs), "");
    EXPECT_EQ(+Game.Fleets[lancers].Dest, 3);

    EXPECT_REFUSED(SetDoctrine(2, lancers, 1), "That is not your fleet.");
    EXPECT_REFUSED(SetDoctrine(1, lancers, 3), "No such doctrine.");
    EXPECT_EQ(SetDoctrine(1, lancers, DoctrineScreen), "");
}

TEST(Orders, SplitAndJoin)
{
    BuildRowMap(2);
    AddTestHouse(1, "One", 0);
    int f = AddTestFleet(1, 0, ShipHauler, 3, "Big");
    Game.Fleets[f].Troops = 35;
    Game.Fleets[f].Ships[ShipLancer] = 2;
    Game.Fleets[f].Doctrine = DoctrineScreen;
    int c[7] = {0};
    int made = 7;
    c[ShipLancer] = 3;
    EXPECT_REFUSED(SplitFleet(1, f, c, 0, "x", &made), "The fleet doesn't have that many Lancers.");
    EXPECT_EQ(made, -1);
    c[ShipLancer] = 0;
    EXPECT_REFUSED(SplitFleet(2, f, c, 0, "x"), "That is not your fleet.");
    EXPECT_REFUSED(SplitFleet(1, f, c, 0, "x"), "Pick some ships.");
    c[ShipLancer] = 1;
    c[ShipWarden] = -1;
    EXPECT_REFUSED(SplitFleet(1, f, c, 0, "x"), "Pick some ships.");
    c[ShipWarden] = 0;
    EXPECT_REFUSED(SplitFleet(1, f, c, -1, "x"), "The fleet doesn't carry that many troops.");
    EXPECT_REFUSED(SplitFleet(1, f, c, 36, "x"), "The fleet doesn't carry that many troops.");
    c[ShipHauler] = 2;
    EXPECT_REFUSED(SplitFleet(1, f, c, 25, "x"), "Not enough Haulers to carry the troops.");
    EXPECT_REFUSED(SplitFleet(1, f, c, 20, "x"), "Not enough Haulers left to carry the troops that stay.");
    Game.Fleets[f].Troops = 30;
    EXPECT_EQ(SplitFleet(1, f, c, 20, "Detachment", &made), "");
    ASSERT_GE(made, 0);
    EXPECT_EQ(StrGet(Game.Fleets[made].Name), "Detachment");
    EXPECT_EQ(+Game.Fleets[made].Troops, 20);
    EXPECT_EQ(+Game.Fleets[made].Ships[ShipHauler], 2);
    EXPECT_EQ(Game.Fleets[made].Doctrine, DoctrineScreen);
    EXPECT_EQ(Game.Fleets[made].Order, OrderHold);
    EXPECT_EQ(+Game.Fleets[f].Troops, 10);
    EXPECT_EQ(+Game.Fleets[f].Ships[ShipLancer], 1);

    // Splitting everything frees the old slot; the new fleet has its own.
    int all[7] = {0, 1, 0, 0, 1, 0, 0};
    int whole = -1;
    EXPECT_EQ(SplitFleet(1, f, all, 10, "All", &whole), "");
    EXPECT_NE(whole, f);
    EXPECT_EQ(Game.Fleets[f].House, 0);

    // Joining.
    int a = AddTestFleet(1, 0, ShipLancer, 65000, "A");
    int b = AddTestFleet(1, 0, ShipLancer, 600, "B");
    int far = AddTestFleet(1, 1, ShipLancer, 1, "Far");
    EXPECT_REFUSED(JoinFleets(1, a, a), "Pick two of your fleets.");
    EXPECT_REFUSED(JoinFleets(2, a, b), "Pick two of your fleets.");
    EXPECT_REFUSED(JoinFleets(1, a, far), "The fleets must be in the same system.");
    EXPECT_REFUSED(JoinFleets(1, a, b), "That would exceed 65535 ships of a class.");
    Game.Fleets[b].Ships[ShipLancer] = 535;
    Game.Fleets[a].Troops = 65000;
    Game.Fleets[b].Troops = 536;
    EXPECT_REFUSED(JoinFleets(1, a, b), "That would exceed 65535 troops.");
    Game.Fleets[b].Troops = 535;
    EXPECT_EQ(JoinFleets(1, a, b), "");
    EXPECT_EQ(+Game.Fleets[a].Ships[ShipLancer], 65535);
    EXPECT_EQ(+Game.Fleets[a].Troops, 65535);
    EXPECT_EQ(Game.Fleets[b].House, 0);
    EXPECT_EQ(StrGet(Game.Fleets[a].Name), "A");
}
