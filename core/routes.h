// Routes over the lane network and the counts every program shows: hop
// distances, the next step of a route, neighbours, a house's worlds and power.
#pragma once
#include <cstdint>
#include <vector>

// Each system's lanes, as lists in lane index order, of the lanes a filter
// keeps (nullptr: every lane in the table).  One breadth-first search over
// them serves every program: routes, the generator's and the night's
// connection checks.
struct TLaneLists {
    std::vector<int> Head, Link, Other;
};
void BuildLaneLists(TLaneLists& lists, bool (*keep)(int lane));
// Hops from start over the lists into dist, which holds -1 for every system
// on the map; returns how many systems were reached.
int SearchHops(const TLaneLists& lists, int start, std::vector<int>& dist);

// Hops from start to every system over passable lanes, -1 where there is no
// path; -1 everywhere when start is not a system.
std::vector<int> HopDistances(int start);
// The system to step to from start towards goal, or -1.
int NextHop(int start, int goal);
// Other ends of the passable lanes at s, in lane order, at most 8.
std::vector<int> Neighbours(int s);
// Hop counts from each system, searched once and kept while the lanes stand
// still (within one phase, or while one house is planned).  The plain form
// keeps nothing and scans the whole lane table for every system reached, as
// the rules word the search: the fast form must give exactly its answers,
// and the tests and the benchmark compare the two.
struct THopMemo {
    bool Plain = false;
    std::vector<std::vector<int>> Hops;
    std::vector<char> Known;
    TLaneLists Lists;   // each system's passable lanes, built on the first search
    const std::vector<int>& From(int s);
    int Next(int start, int goal);   // NextHop, with the search towards goal kept
};

int HouseWorldCount(int h);
int64_t HousePower(int h);

// A fleet's lanes a night: its slowest class, raised from 1 to 2 for light
// fleets (no Wardens, Breakers, Haulers or Seeders) of a house at Drives 3.
int FleetMoveSpeed(int f);
// Fuel for one lane, after the Drives discount of a real house.
int64_t FleetFuelCost(int f);
