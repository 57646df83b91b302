#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "core/galaxy.h"
#include "core/model.h"
#include "core/routes.h"

static std::string Snapshot() { return std::string((const char*)&Game, sizeof Game); }

// Systems reached from s over open lanes only.
static int ReachedOverOpenLanes(int s)
{
    std::vector<char> seen((size_t)Game.Header.SystemCount, 0);
    std::vector<int> queue{s};
    seen[(size_t)s] = 1;
    for (size_t i = 0; i < queue.size(); i++)
        for (int l = 0; l < Game.Header.LaneCount; l++) {
            const TLane& ln = Game.Lanes[l];
            if (ln.State != LaneOpen || (ln.A != queue[i] && ln.B != queue[i])) continue;
            int t = LaneOther(l, queue[i]);
            if (!seen[(size_t)t]) {
                seen[(size_t)t] = 1;
                queue.push_back(t);
            }
        }
    return (int)queue.size();
}

static void CheckMap(const TNewGame& p)
{
    ASSERT_TRUE(GenerateGalaxy(p));
    const TGameHeader& h = Game.Header;
    ASSERT_LE(h.SystemCount, MaxSystems);
    ASSERT_LE(h.LaneCount, MaxLanes);
    ASSERT_LE(h.WorldCount, MaxWorlds);
    EXPECT_EQ(ReachedOverOpenLanes(0), h.SystemCount);
    std::set<std::string> names;
    int homes = 0, worlds = 0;
    for (int s = 0; s < h.SystemCount; s++) {
        const TSystem& sys = Game.Systems[s];
        std::string name = StrGet(sys.Name);
        EXPECT_LE(name.size(), 15u);
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_GE(+sys.X, 20);
        EXPECT_LE(+sys.X, 980);
        ASSERT_GE(+sys.WorldCount, 1);
        ASSERT_EQ(+sys.FirstWorld, worlds);   // consecutive, in system order
        worlds += sys.WorldCount;
        for (int w = sys.FirstWorld; w < sys.FirstWorld + sys.WorldCount; w++) EXPECT_EQ(+Game.Worlds[w].System, s);
        if (sys.Flags & SysHome) {
            homes++;
            ASSERT_EQ(+sys.WorldCount, 3);
            EXPECT_EQ(+Game.Worlds[sys.FirstWorld].Kind, KindTemperate);
            EXPECT_EQ(+Game.Worlds[sys.FirstWorld + 1].Kind, KindRock);
            EXPECT_EQ(+Game.Worlds[sys.FirstWorld + 2].Kind, KindGasGiant);
            EXPECT_FALSE(sys.Flags & (SysNest | SysExchange));
        }
    }
    EXPECT_EQ(worlds, h.WorldCount);
    EXPECT_EQ(homes, h.MaxHouses);
    for (int l = 0; l < h.LaneCount; l++) {
        EXPECT_NE(+Game.Lanes[l].A, +Game.Lanes[l].B);
        EXPECT_EQ(FindLane(Game.Lanes[l].A, Game.Lanes[l].B), l);   // one lane per pair
    }
    // Relics numbered 1, 2, 3 .. with no gaps; one in every nest.
    std::set<int> relics;
    for (int w = 0; w < h.WorldCount; w++)
        if (Game.Worlds[w].Relic) {
            EXPECT_EQ(+Game.Worlds[w].Kind, KindRuin);
            relics.insert(Game.Worlds[w].Relic);
        }
    if (!relics.empty()) {
        EXPECT_EQ(*relics.rbegin(), (int)relics.size());
    }
    for (int s = 0; s < h.SystemCount; s++) {
        const TSystem& sys = Game.Systems[s];
        if (!(sys.Flags & SysNest)) continue;
        EXPECT_GT(+sys.NestStrength, 0);
        bool guarded = false;
        for (int w = sys.FirstWorld; w < sys.FirstWorld + sys.WorldCount; w++) guarded |= Game.Worlds[w].Relic != 0;
        EXPECT_TRUE(guarded);
    }
}

TEST(Galaxy, SameParametersGiveTheSameBytes)
{
    TNewGame p;
    p.Seed = 99;
    GenerateGalaxy(p);
    std::string first = Snapshot();
    GenerateGalaxy(p);
    EXPECT_EQ(Snapshot(), first);
    p.Seed = 100;
    GenerateGalaxy(p);
    EXPECT_NE(Snapshot(), first);
}

TEST(Galaxy, HeaderFromTheParameters)
{
    TNewGame p;
    p.Players = 40;
    p.SystemsPerHouse = 20;
    p.Victories = 0x105;
    p.Name = std::string(45, 'n');
    GenerateGalaxy(p);
    EXPECT_EQ(+Game.Header.MaxHouses, 25);
    EXPECT_EQ(+Game.Header.SystemsPerHouse, 12);
    EXPECT_EQ(+Game.Header.SystemCount, 300);
    EXPECT_EQ(+Game.Header.Victories, 5);
    EXPECT_EQ(StrGet(Game.Header.GameName), std::string(39, 'n'));
    EXPECT_EQ(+Game.Header.Day, 1);
    EXPECT_EQ(+Game.Header.Price[2], 300);
    EXPECT_EQ(+Game.Header.Seed, 0u);
    p.Players = 1;
    p.SystemsPerHouse = 1;
    GenerateGalaxy(p);
    EXPECT_EQ(+Game.Header.MaxHouses, 2);
    EXPECT_EQ(+Game.Header.SystemCount, 10);
}

TEST(Galaxy, MapsOfEverySizeHoldTogether)
{
    for (int seed = 1; seed <= 12; seed++) {
        TNewGame p;
        p.Seed = seed;
        p.Players = 2 + (seed * 7) % 24;
        p.SystemsPerHouse = 5 + seed % 8;
        p.Hollow = seed % 4;
        SCOPED_TRACE(seed);
        CheckMap(p);
    }
}

TEST(Galaxy, NestCountsAndTheHollowOff)
{
    auto nests = [] {
        int n = 0;
        for (int s = 0; s < Game.Header.SystemCount; s++) n += (Game.Systems[s].Flags & SysNest) != 0;
        return n;
    };
    TNewGame p;
    p.Players = 25;
    p.SystemsPerHouse = 12;
    p.Hollow = 3;
    GenerateGalaxy(p);
    EXPECT_EQ(nests(), 9);   // 25 div 3 + 3 - 2
    p.Players = 2;
    p.Hollow = 1;
    GenerateGalaxy(p);
    EXPECT_LE(nests(), 1);
    p.Players = 12;
    p.Hollow = 0;
    p.Seed = 5;
    GenerateGalaxy(p);
    EXPECT_EQ(nests(), 0);
    for (int s = 0; s < Game.Header.SystemCount; s++) EXPECT_EQ(+Game.Systems[s].NestStrength, 0);
}

// The largest maps ask for more worlds than the table holds; generation keeps
// within it and still gives every home its three worlds.
TEST(Galaxy, LargestMapsStayWithinTheTables)
{
    for (int seed = 1; seed <= 30; seed++) {
        TNewGame p;
        p.Players = 25;
        p.SystemsPerHouse = 12;
        p.Hollow = 3;
        p.Seed = seed;
        SCOPED_TRACE(seed);
        CheckMap(p);
    }
}

TEST(Galaxy, LanesNeverCross)
{
    TNewGame p;
    p.Seed = 4242;
    GenerateGalaxy(p);
    // Every lane was added only when it crossed none before it, except the
    // rare connecting lane that had no crossing-free choice; check most.
    int crossing = 0;
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        int saved = Game.Header.LaneCount;
        Game.Header.LaneCount = (int16_t)l;
        crossing += Crosses(Game.Lanes[l].A, Game.Lanes[l].B);
        Game.Header.LaneCount = (int16_t)saved;
    }
    EXPECT_LE(crossing, 2);
    EXPECT_FALSE(AddLane(Game.Lanes[0].B, Game.Lanes[0].A, LaneOpen));   // a pair has one lane
    EXPECT_FALSE(AddLane(3, 3, LaneOpen));
}
