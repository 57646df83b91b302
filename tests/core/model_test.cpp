#include <cstring>
#include <gtest/gtest.h>

#include "core/model.h"
#include "tests/testutil.h"

TEST(Model, ResetGiveEmptyGameWithMagic)
{
    BuildSmallGame();
    ResetGame();
    EXPECT_EQ(std::string(Game.Header.Magic, 4), "YVRN");
    EXPECT_EQ(+Game.Header.Version, 1);
    EXPECT_EQ(+Game.Header.SystemCount, 0);
    EXPECT_EQ(+Game.Header.FleetCount, 0);
    EXPECT_EQ(+HouseRec(1).Status, StatusFree);
    EXPECT_EQ(+Game.Worlds[0].Pop, 0);
}

TEST(Model, NamesOfHousesAndWorlds)
{
    BuildSmallGame();
    EXPECT_EQ(HouseName(0), "nobody");
    EXPECT_EQ(HouseName(26), "the Hollow");
    EXPECT_EQ(HouseName(27), "independents");
    EXPECT_EQ(HouseName(28), "?");
    EXPECT_EQ(HouseName(-1), "?");
    EXPECT_EQ(HouseName(1), "House Vey");
    EXPECT_EQ(HouseName(5), "");   // a free slot has an empty name
    EXPECT_EQ(WorldName(2), "Arad III");
    EXPECT_EQ(WorldName(0), "Arad I");
    EXPECT_EQ(WorldName(3), "Belis");
    EXPECT_EQ(WorldName(1000), "?");
}

TEST(Model, FixedStringsCutAndKeepTail)
{
    TStr<15> s{};
    StrSet(s, "A name far longer than fifteen");
    EXPECT_EQ(StrGet(s), "A name far long");
    StrSet(s, "Ab");
    EXPECT_EQ(+s.Len, 2);
    EXPECT_EQ(s.Ch[2], 'n');   // bytes past the length stay as they were
    s.Len = 200;               // a damaged length never reads past the field
    EXPECT_EQ(StrGet(s).size(), 15u);
}

TEST(Model, PeaceAllianceAndHostility)
{
    BuildSmallGame();
    EXPECT_TRUE(AtPeace(5, 5));
    EXPECT_FALSE(AtPeace(26, 3));
    EXPECT_FALSE(Hostile(0, 3));
    EXPECT_TRUE(Hostile(1, 2));
    EXPECT_TRUE(Hostile(1, 26));
    EXPECT_TRUE(Hostile(27, 1));
    Relation(1, 2).Treaties = Relation(2, 1).Treaties = TreatyPeace;
    EXPECT_TRUE(AtPeace(1, 2));
    EXPECT_FALSE(Allied(1, 2));
    EXPECT_FALSE(Hostile(1, 2));
    Relation(1, 2).Treaties = Relation(2, 1).Treaties = TreatyAlliance;
    EXPECT_TRUE(AtPeace(1, 2));
    EXPECT_TRUE(Allied(1, 2));
    EXPECT_TRUE(Allied(26, 26));
    EXPECT_FALSE(Allied(26, 27));
}

TEST(Model, SystemOwnerFollowsLargestPopulation)
{
    BuildSmallGame();
    EXPECT_EQ(SystemOwner(0), 1);
    EXPECT_EQ(SystemOwner(3), 27);
    Game.Worlds[6].Owner = 0;
    EXPECT_EQ(SystemOwner(3), 0);
    // An owned world of population 0 still owns its system.
    Game.Worlds[3].Pop = 0;
    EXPECT_EQ(SystemOwner(1), 2);
    // Largest population wins; a tie goes to the first world.
    Game.Worlds[5].Owner = 1;
    Game.Worlds[5].Pop = 4000;
    EXPECT_EQ(SystemOwner(2), 2);
    Game.Worlds[5].Pop = 4001;
    EXPECT_EQ(SystemOwner(2), 1);
    EXPECT_EQ(SystemOwner(-1), 0);
    EXPECT_EQ(SystemOwner(300), 0);
}

TEST(Model, NewFleetReusesLowestFreeSlotAndStopsWhenFull)
{
    BuildSmallGame();
    Game.Fleets[0].House = 0;
    int f = NewFleet(2, 1, "A fleet name longer than fifteen");
    EXPECT_EQ(f, 0);
    EXPECT_EQ(StrGet(Game.Fleets[0].Name), "A fleet name lo");
    EXPECT_EQ(+Game.Fleets[0].Ships[ShipLancer], 0);   // the slot was cleared
    EXPECT_EQ(+Game.Fleets[0].Dest, -1);
    EXPECT_EQ(+Game.Fleets[0].Target, -1);
    EXPECT_EQ(NewFleet(2, 1, "x"), 3);   // appended
    EXPECT_EQ(+Game.Header.FleetCount, 4);

    for (int i = 0; i < MaxFleets; i++) Game.Fleets[i].House = 1;
    Game.Header.FleetCount = MaxFleets;
    TFleet before = Game.Fleets[999];
    EXPECT_EQ(NewFleet(2, 1, "y"), -1);
    EXPECT_EQ(+Game.Header.FleetCount, MaxFleets);
    EXPECT_EQ(std::memcmp(&before, &Game.Fleets[999], sizeof before), 0);
}

TEST(Model, FleetSpeedAndTotals)
{
    BuildSmallGame();
    EXPECT_EQ(ShipTotal(0), 3);
    EXPECT_EQ(FleetSpeed(0), 1);
    EXPECT_EQ(FleetSpeed(1), 2);   // Skiffs only
    TFleet& f = Game.Fleets[1];
    f.Ships[ShipSkiff] = 0;
    EXPECT_EQ(FleetSpeed(1), 0);   // no ships
    f.Ships[ShipOutpost] = 3;
    EXPECT_EQ(FleetSpeed(1), 0);   // Outposts never move
    EXPECT_TRUE(AtRest(1));
    f.Dest = 2;                    // its own system
    EXPECT_TRUE(AtRest(1));
    f.Dest = 0;
    EXPECT_FALSE(AtRest(1));
}

TEST(Model, LanesAndCapital)
{
    BuildSmallGame();
    EXPECT_EQ(FindLane(1, 0), 0);
    EXPECT_EQ(FindLane(1, 3), -1);
    EXPECT_EQ(LaneOther(0, 0), 1);
    EXPECT_EQ(LaneOther(0, 1), 0);
    EXPECT_TRUE(LanePassable(1));    // closing is still usable
    EXPECT_FALSE(LanePassable(2));   // opening is not yet
    EXPECT_FALSE(LanePassable(3));
    EXPECT_EQ(LaneDegree(0, false), 3);
    EXPECT_EQ(LaneDegree(0, true), 2);
    EXPECT_EQ(LaneDegree(2, true), 2);   // the open and the opening lane
    EXPECT_EQ(CountBuildings(0, BuildNone), 6);
    EXPECT_EQ(FindHouseByPlayer("BOB"), 2);
    EXPECT_EQ(FindHouseByPlayer("Carol"), -1);
    EXPECT_EQ(CapitalSystem(1), 0);
    Game.Worlds[0].Owner = 2;
    EXPECT_EQ(CapitalSystem(1), -1);
    HouseRec(2).Capital = 5000;
    EXPECT_EQ(CapitalSystem(2), -1);
    EXPECT_EQ(CapitalSystem(26), -1);
}
