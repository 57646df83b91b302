#include <gtest/gtest.h>
#include <vector>

#include "core/galaxy.h"
#include "core/model.h"
#include "core/random.h"
#include "core/routes.h"

// The plain search: rounds over the whole lane table until nothing changes.
static std::vector<int> PlainHops(int start)
{
    int n = Game.Header.SystemCount;
    std::vector<int> d((size_t)n, -1);
    if (start < 0 || start >= n) return d;
    d[(size_t)start] = 0;
    for (bool changed = true; changed;) {
        changed = false;
        for (int l = 0; l < Game.Header.LaneCount; l++) {
            if (!LanePassable(l)) continue;
            int a = Game.Lanes[l].A, b = Game.Lanes[l].B;
            for (int k = 0; k < 2; k++, std::swap(a, b))
                if (d[(size_t)a] >= 0 && (d[(size_t)b] < 0 || d[(size_t)b] > d[(size_t)a] + 1)) {
                    d[(size_t)b] = d[(size_t)a] + 1;
                    changed = true;
                }
        }
    }
    return d;
}

TEST(Routes, HopsAndNextHopMatchAPlainSearch)
{
    for (int seed = 1; seed <= 6; seed++) {
        TNewGame p;
        p.Seed = seed;
        p.Players = 4 + seed * 3;
        GenerateGalaxy(p);
        // Close and announce some lanes so routes must go round.
        SeedRandom((uint32_t)seed);
        for (int l = 0; l < Game.Header.LaneCount; l++)
            if (Chance(25)) Game.Lanes[l].State = (uint8_t)Random(4);
        int n = Game.Header.SystemCount;
        for (int s = 0; s < n; s += 7) {
            std::vector<int> fast = HopDistances(s), plain = PlainHops(s);
            ASSERT_EQ(fast, plain) << "seed " << seed << " start " << s;
            for (int g = 0; g < n; g += 5) {
                int next = NextHop(s, g);
                std::vector<int> toGoal = PlainHops(g);
                if (g == s || toGoal[(size_t)s] < 0) {
                    EXPECT_EQ(next, -1);
                    continue;
                }
                ASSERT_GE(next, 0);
                EXPECT_EQ(toGoal[(size_t)next], toGoal[(size_t)s] - 1);
                int lane = FindLane(s, next);
                ASSERT_GE(lane, 0);
                EXPECT_TRUE(LanePassable(lane));
                // No passable lane of lower index at s leads one hop nearer.
                for (int l = 0; l < lane; l++)
                    if (LanePassable(l) && (Game.Lanes[l].A == s || Game.Lanes[l].B == s)) {
                        EXPECT_NE(toGoal[(size_t)LaneOther(l, s)], toGoal[(size_t)s] - 1);
                    }
            }
        }
    }
}

TEST(Routes, AnyNumberIsSafe)
{
    TNewGame p;
    GenerateGalaxy(p);
    for (int v : HopDistances(-1)) EXPECT_EQ(v, -1);
    for (int v : HopDistances(300)) EXPECT_EQ(v, -1);
    EXPECT_EQ(HopDistances(0)[0], 0);
    EXPECT_EQ(NextHop(0, -1), -1);
    EXPECT_EQ(NextHop(0, 0), -1);
    EXPECT_EQ(NextHop(-4, 3), -1);
    EXPECT_EQ(NextHop(0, 5000), -1);
    EXPECT_TRUE(Neighbours(-1).empty());
    EXPECT_LE(Neighbours(0).size(), 8u);
}
