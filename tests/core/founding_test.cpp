#include <cstring>
#include <gtest/gtest.h>
#include <set>

#include "core/founding.h"
#include "core/galaxy.h"
#include "core/model.h"
#include "core/routes.h"

static void NewMap(int players = 6)
{
    TNewGame p;
    p.Players = players;
    p.Seed = 77;
    GenerateGalaxy(p);
}

static int FleetNamed(int h, const std::string& name)
{
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h && StrGet(Game.Fleets[f].Name) == name) return f;
    return -1;
}

TEST(Founding, AHouseOnDayOne)
{
    NewMap();
    int h = FoundHouse("A house name of more than 23 letters", "Alice", 0);
    ASSERT_EQ(h, 1);
    const THouse& hr = HouseRec(h);
    EXPECT_EQ(StrGet(hr.Name), "A house name of more th");
    EXPECT_EQ(+hr.Status, StatusActive);
    EXPECT_EQ(+hr.Ore, 300);
    EXPECT_EQ(+hr.Fuel, 150);
    EXPECT_EQ(+hr.Influence, 30);
    EXPECT_EQ(+hr.Colour, 1);
    int w = hr.HomeWorld;
    EXPECT_EQ(+hr.Capital, w);
    int s = Game.Worlds[w].System;
    EXPECT_TRUE(Game.Systems[s].Flags & SysHome);
    EXPECT_EQ(+Game.Worlds[w].Pop, 8000);
    EXPECT_EQ(+Game.Worlds[w].MaxPop, 20000);
    EXPECT_EQ(+Game.Worlds[w].Buildings[0], BuildShipyard);
    EXPECT_EQ(+Game.Worlds[w].Buildings[1], BuildMine);
    EXPECT_EQ(+Game.Worlds[w].Buildings[2], BuildShield);
    EXPECT_EQ(+Game.Worlds[w].Shield, 60);
    EXPECT_EQ(+Game.Worlds[w + 1].Pop, 1000);
    EXPECT_EQ(+Game.Worlds[w + 1].Focus, FocusMining);
    EXPECT_EQ(+Game.Worlds[w + 2].Focus, FocusFuel);
    EXPECT_EQ(+Game.Worlds[w + 2].Owner, h);
    int guard = FleetNamed(h, "Home Guard");
    ASSERT_GE(guard, 0);
    EXPECT_EQ(+Game.Fleets[guard].Ships[ShipLancer], 4);
    EXPECT_EQ(+Game.Fleets[guard].Ships[ShipWarden], 2);
    EXPECT_EQ(+Game.Fleets[guard].Order, OrderPatrol);
    int settlers = FleetNamed(h, "Settlers");
    ASSERT_GE(settlers, 0);
    EXPECT_EQ(+Game.Fleets[settlers].Troops, 10);
    EXPECT_EQ(+Game.Fleets[settlers].Doctrine, DoctrineScreen);
    EXPECT_EQ(+Game.Fleets[FleetNamed(h, "Scouts")].Ships[ShipSkiff], 2);
    // It sees its home and the systems one open lane away.
    EXPECT_EQ(+Chart(h, s).SeenDay, 1);
    EXPECT_EQ(+Chart(h, s).SeenOwner, h);
    for (int t : Neighbours(s)) EXPECT_EQ(+Chart(h, t).SeenDay, 1);
}

TEST(Founding, LateHousesStartRicher)
{
    NewMap();
    Game.Header.JoinDays = 0;
    Game.Header.Day = 25;
    int h = FoundHouse("Late", "Bob", 0);
    ASSERT_GE(h, 1);
    EXPECT_EQ(+HouseRec(h).Ore, 1260);
    EXPECT_EQ(+HouseRec(h).Fuel, 510);
    EXPECT_EQ(+HouseRec(h).Influence, 150);
    EXPECT_EQ(+Game.Worlds[HouseRec(h).HomeWorld].Pop, 11600);
    int guard = FleetNamed(h, "Home Guard");
    EXPECT_EQ(+Game.Fleets[guard].Ships[ShipLancer], 10);
    EXPECT_EQ(+Game.Fleets[guard].Ships[ShipWarden], 6);
}

TEST(Founding, ClosedAndFullGames)
{
    NewMap();
    Game.Header.JoinDays = 10;
    Game.Header.Day = 10;
    EXPECT_EQ(FoundHouse("On ten", "a", 0), 1);
    Game.Header.Day = 11;
    TGame before = Game;
    EXPECT_EQ(FoundHouse("On eleven", "b", 0), -1);
    EXPECT_EQ(std::memcmp(&before, &Game, sizeof Game), 0);   // a refusal changes nothing

    NewMap(4);
    for (int i = 0; i < 4; i++) EXPECT_EQ(FoundHouse("H" + std::to_string(i), "p" + std::to_string(i), 0), i + 1);
    EXPECT_EQ(FoundHouse("Fifth", "p5", 0), -1);   // slots 5..25 are free but MaxHouses is 4
    // Every house is on its own home position.
    std::set<int> homes;
    for (int h = 1; h <= 4; h++) homes.insert(Game.Worlds[HouseRec(h).HomeWorld].System);
    EXPECT_EQ(homes.size(), 4u);
}
