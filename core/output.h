// What a world gives its owner in a day: the night adds it to the house's
// stores, the screens show it.
#pragma once
#include <cstdint>

struct TOutput {
    int64_t Ore, Fuel, Influence;
};
TOutput WorldOutput(int w);
// What fleet f costs its house in the night: ore for its Breakers, and fuel
// when it lies outside its own and its allies' systems.  Influence is 0.
TOutput FleetUpkeep(int f);
// What house h's stores will grow by in the night: its worlds' output, less
// its fleets' upkeep, plus the tribute paid to it and less the tribute it
// pays (as far as the payer's ore goes).
TOutput HouseIncome(int h);
