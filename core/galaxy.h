// Making the map of a new game: systems, names, lanes, home positions,
// worlds, the Exchange, the Hollow's nests and the relics, all from one seed.
#pragma once
#include <cstdint>
#include <string>

#include "core/model.h"
#include "core/settings.h"

struct TNewGame {
    std::string Name = DefaultGameName;
    int32_t Players = DefaultMaxHouses;
    int32_t SystemsPerHouse = DefaultSystemsPerHouse;
    int32_t Days = DefaultDays;
    int32_t JoinDays = DefaultJoinDays;
    int32_t Hollow = DefaultHollow;
    int32_t Victories = VictoryDominion | VictoryRelics | VictoryLastHouse;
    int32_t Seed = 12345;
};

bool GenerateGalaxy(const TNewGame& params);

std::string MakeSystemName();
int32_t SquaredDistance(int s, int t);
bool Crosses(int a, int b);
bool AddLane(int a, int b, int state);
void CreateWorld(int s, int kind);
int RandomKind();
