#include "core/routes.h"

#include "core/model.h"
#include "core/rules.h"

static int NextHopWith(const std::vector<int>& dist, int start);

// The search as the rules word it: take the nearest system not yet expanded
// and scan the whole lane table, in index order, for its passable lanes.
static void PlainHops(int start, std::vector<int>& dist)
{
    std::vector<int> queue{start};
    dist[(size_t)start] = 0;
    for (size_t head = 0; head < queue.size(); head++) {
        int s = queue[head];
        for (int l = 0; l < Game.Header.LaneCount; l++) {
            const TLane& ln = Game.Lanes[l];
            if (!LanePassable(l) || (ln.A != s && ln.B != s)) continue;
            int t = LaneOther(l, s);
            if (IsSystem(t) && dist[(size_t)t] < 0) {
                dist[(size_t)t] = dist[(size_t)s] + 1;
                queue.push_back(t);
            }
        }
    }
}

static bool LanePassableFilter(int lane) { return LanePassable(lane); }

void BuildLaneLists(TLaneLists& lists, bool (*keep)(int lane))
{
    int n = Game.Header.SystemCount < 0 ? 0 : Game.Header.SystemCount;
    lists.Head.assign((size_t)n, -1);
    lists.Link.clear();
    lists.Other.clear();
    // Pushed in reverse so each list runs in lane index order, as the plain
    // scan meets the lanes: systems are reached in the very same order.
    for (int l = Game.Header.LaneCount - 1; l >= 0; l--) {
        if (keep && !keep(l)) continue;
        int a = Game.Lanes[l].A, b = Game.Lanes[l].B;
        if (!IsSystem(a) || !IsSystem(b)) continue;
        lists.Other.push_back(b), lists.Link.push_back(lists.Head[(size_t)a]);
        lists.Head[(size_t)a] = (int)lists.Other.size() - 1;
        if (a == b) continue;
        lists.Other.push_back(a), lists.Link.push_back(lists.Head[(size_t)b]);
        lists.Head[(size_t)b] = (int)lists.Other.size() - 1;
    }
}

int SearchHops(const TLaneLists& lists, int start, std::vector<int>& dist)
{
    if (start < 0 || (size_t)start >= lists.Head.size() || dist.size() < lists.Head.size()) return 0;
    int queue[MaxSystems], tail = 0;
    queue[tail++] = start;
    dist[(size_t)start] = 0;
    for (int q = 0; q < tail; q++) {
        int at = queue[q];
        for (int k = lists.Head[(size_t)at]; k >= 0; k = lists.Link[(size_t)k]) {
            int t = lists.Other[(size_t)k];
            if (dist[(size_t)t] < 0 && tail < MaxSystems) {
                dist[(size_t)t] = dist[(size_t)at] + 1;
                queue[tail++] = t;
            }
        }
    }
    return tail;
}

std::vector<int> HopDistances(int start)
{
    int n = Game.Header.SystemCount < 0 ? 0 : Game.Header.SystemCount;
    std::vector<int> dist((size_t)n, -1);
    if (!IsSystem(start)) return dist;
    TLaneLists lists;
    BuildLaneLists(lists, LanePassableFilter);
    SearchHops(lists, start, dist);
    return dist;
}

int NextHop(int start, int goal)
{
    if (goal == start || goal < 0 || !IsSystem(start) || !IsSystem(goal)) return -1;
    return NextHopWith(HopDistances(goal), start);
}

// The step from start given the hop counts towards the goal.
static int NextHopWith(const std::vector<int>& dist, int start)
{
    if (!IsSystem(start) || (size_t)start >= dist.size()) return -1;
    int here = dist[(size_t)start];
    if (here <= 0) return -1;
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        const TLane& ln = Game.Lanes[l];
        if (!LanePassable(l) || (ln.A != start && ln.B != start)) continue;
        int t = LaneOther(l, start);
        if (IsSystem(t) && dist[(size_t)t] == here - 1) return t;
    }
    return -1;
}

const std::vector<int>& THopMemo::From(int s)
{
    size_t n = (size_t)(Game.Header.SystemCount < 0 ? 0 : Game.Header.SystemCount);
    if (Known.size() != n + 1) {
        Known.assign(n + 1, 0);
        Hops.assign(n + 1, {});
    }
    // Every number outside the map shares the last entry: -1 everywhere.
    size_t i = IsSystem(s) ? (size_t)s : n;
    if (Known[i]) return Hops[i];
    Hops[i].assign(n, -1);
    if (!IsSystem(s)) {
        Known[i] = 1;
        return Hops[i];
    }
    if (Plain) {   // searched anew every time, by the scan of the lane table
        PlainHops(s, Hops[i]);
        return Hops[i];
    }
    Known[i] = 1;
    if (Lists.Head.size() != n) BuildLaneLists(Lists, LanePassableFilter);
    SearchHops(Lists, s, Hops[i]);
    return Hops[i];
}

int THopMemo::Next(int start, int goal)
{
    if (goal == start || goal < 0 || !IsSystem(start) || !IsSystem(goal)) return -1;
    return NextHopWith(From(goal), start);
}

std::vector<int> Neighbours(int s)
{
    std::vector<int> out;
    for (int l = 0; l < Game.Header.LaneCount && out.size() < 8; l++) {
        const TLane& ln = Game.Lanes[l];
        if (LanePassable(l) && (ln.A == s || ln.B == s)) out.push_back(LaneOther(l, s));
    }
    return out;
}

int HouseWorldCount(int h)
{
    int n = 0;
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == h) n++;
    return n;
}

int64_t HousePower(int h)
{
    int64_t power = 0;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h) power += FleetPower(f);
    return power;
}

int FleetMoveSpeed(int f)
{
    int speed = FleetSpeed(f);
    if (speed != 1) return speed;
    const TFleet& fl = Game.Fleets[f];
    if (IsHouse(fl.House) && ResearchLevel(fl.House, TrackDrives) >= 3 && fl.Ships[ShipWarden] == 0 &&
        fl.Ships[ShipBreaker] == 0 && fl.Ships[ShipHauler] == 0 && fl.Ships[ShipSeeder] == 0)
        return 2;
    return speed;
}

int64_t FleetFuelCost(int f)
{
    if (!IsFleet(f)) return 0;
    const TFleet& fl = Game.Fleets[f];
    int64_t fuel = 0;
    for (int c = 0; c < ShipClasses; c++) fuel += (int64_t)fl.Ships[c] * ShipClassTable[c].FuelPerLane;
    if (IsHouse(fl.House)) fuel = fuel * (100 - 15 * ResearchLevel(fl.House, TrackDrives)) / 100;
    return fuel;
}
