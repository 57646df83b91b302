// Making the map of a new game: systems, names, lanes, home positions,
// worlds, the Exchange, the Hollow's nests and the relics, all from one seed.
#pragma once
#include <cstdint>
#include <string>

struct TNewGame {
    std::string Name = "Yvarn Thyre";
    int32_t Players = 12;
    int32_t SystemsPerHouse = 8;
    int32_t Days = 60;
    int32_t JoinDays = 10;
    int32_t Hollow = 2;
    int32_t Victories = 7;
    int32_t Seed = 12345;
};

bool GenerateGalaxy(const TNewGame& params);

std::string MakeSystemName();
int32_t SquaredDistance(int s, int t);
bool Crosses(int a, int b);
bool AddLane(int a, int b, int state);
void CreateWorld(int s, int kind);
int RandomKind();
