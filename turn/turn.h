// One night of the game: the phases in their fixed order over the loaded
// game, every random draw from the generator stored in the game, and every
// line the night writes to the event store.
#pragma once
#include <string>

#include "core/model.h"
#include "core/output.h"
#include "core/rules.h"

// The day whose orders the night carries out; set by RunTurn.
extern int EventDay;

// Plays one night; false only when the event store could not be written
// (the night's result must then not be saved).
bool RunTurn(const std::string& folder);
// The whole night: the planner for every computer house and house on
// autopilot, then RunTurn.
bool PlayNight(const std::string& folder);

// The phases, in the order RunTurn calls them.
void LaneDrift();
void MoveFleets();
void FightBattles();
void LandFleets();
void HollowRaids();
void RunEconomy();
void CompleteBuilds();
void HollowSpawn();
void RunSight();
void RunAbsence();
void EndTreatiesOnNotice();
void CheckVictory();
void WarnPeaceOver();

// Shared pieces of the phases.
void MarkSeen(int h, int s);
std::string ShipListText(const int64_t counts[UnitHollow + 1]);
bool HostileArmedAt(int house, int system);
void MoveCapital(int house);
bool Connected(bool countedOpenOnly);   // every system reaches system 0

