// The computer houses' planner: the night's orders for every computer house
// and every house on autopilot, given through the ordinary order operations.
#pragma once
#include <cstdint>

struct TDifficulty {
    int StrikeStartDay;
    int StrikeMargin;   // tenths
    int AttackOdds;     // tenths
    int HaulerStartDay;
    int OreReserve;
};

// The threat and target searches come in two forms that give the same
// answers: the plain scans (plain), and fast ones over a table of each
// system's hostile fleet power built once per planned house.
void PlanHouse(int h, bool plain = false);

// The queries of the plan, as a player would see the game through the
// house's charts.
bool PeaceProtected(int o);
bool Fresh(int h, int s);
bool ValidTarget(int h, int o);
int64_t Threat(int h, int s, int w);
int64_t ShipsOf(int h, int c);
int64_t TroopsAt(int h, int s);
int BlockaderAt(int h, int s);
int WeakestWorld(int h, int s);
int SettleTarget(int h, int from);
struct TAttackTarget {
    int Target;   // a world, or a system when Nest is set; -1 none
    bool Nest;
};
TAttackTarget AttackTarget(int h, int from, int64_t strength);
