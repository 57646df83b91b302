// What a world gives its owner in a day: the night adds it to the house's
// stores, the screens show it.
#pragma once
#include <cstdint>

struct TOutput {
    int64_t Ore, Fuel, Influence;
};
TOutput WorldOutput(int w);
