#include "core/routes.h"

#include "core/model.h"
#include "core/rules.h"

std::vector<int> HopDistances(int start)
{
    int n = Game.Header.SystemCount < 0 ? 0 : Game.Header.SystemCount;
    std::vector<int> dist((size_t)n, -1);
    if (!IsSystem(start)) return dist;
    // Lanes at each system in lane order, so the search examines lanes in
    // index order as a scan of the whole table would.
    std::vector<std::vector<int>> at((size_t)n);
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        if (!LanePassable(l)) continue;
        const TLane& ln = Game.Lanes[l];
        if (!IsSystem(ln.A) || !IsSystem(ln.B)) continue;
        at[(size_t)ln.A].push_back(l);
        if (ln.B != ln.A) at[(size_t)ln.B].push_back(l);
    }
    std::vector<int> queue;
    queue.reserve((size_t)n);
    dist[(size_t)start] = 0;
    queue.push_back(start);
    for (size_t head = 0; head < queue.size(); head++) {
        int s = queue[head];
        for (int l : at[(size_t)s]) {
            int t = LaneOther(l, s);
            if (dist[(size_t)t] < 0) {
                dist[(size_t)t] = dist[(size_t)s] + 1;
                queue.push_back(t);
            }
        }
    }
    return dist;
}

int NextHop(int start, int goal)
{
    if (goal == start || goal < 0 || !IsSystem(start) || !IsSystem(goal)) return -1;
    std::vector<int> dist = HopDistances(goal);
    int here = dist[(size_t)start];
    if (here < 0) return -1;
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        const TLane& ln = Game.Lanes[l];
        if (!LanePassable(l) || (ln.A != start && ln.B != start)) continue;
        int t = LaneOther(l, start);
        if (IsSystem(t) && dist[(size_t)t] == here - 1) return t;
    }
    return -1;
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
