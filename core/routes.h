// Routes over the lane network and the counts every program shows: hop
// distances, the next step of a route, neighbours, a house's worlds and power.
#pragma once
#include <cstdint>
#include <vector>

// Hops from start to every system over passable lanes, -1 where there is no
// path; -1 everywhere when start is not a system.
std::vector<int> HopDistances(int start);
// The system to step to from start towards goal, or -1.
int NextHop(int start, int goal);
// Other ends of the passable lanes at s, in lane order, at most 8.
std::vector<int> Neighbours(int s);
int HouseWorldCount(int h);
int64_t HousePower(int h);

// A fleet's lanes a night: its slowest class, raised from 1 to 2 for light
// fleets (no Wardens, Breakers, Haulers or Seeders) of a house at Drives 3.
int FleetMoveSpeed(int f);
// Fuel for one lane, after the Drives discount of a real house.
int64_t FleetFuelCost(int f);
