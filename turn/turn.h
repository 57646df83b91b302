// One night of the game: the phases in their fixed order over the loaded
// game, every random draw from the generator stored in the game, and every
// line the night writes to the event store.
#pragma once
#include <string>

#include "core/model.h"
#include "core/output.h"
#include "core/rules.h"
#include "core/stores.h"

// The day whose orders the night carries out; set by RunTurn.
extern int EventDay;

// What a night is handed: the writer its lines go to, and how it searches.
struct TNight {
    TEventWriter Events;
    // The plain scans of routes and of the planner's threats, which the fast
    // searches must match exactly: the tests and the benchmark compare them.
    bool PlainSearches = false;
};

// Plays one night; false only when the event store could not be written
// (the night's result must then not be saved).  night.Events.Written then
// holds the number of lines written.
bool RunTurn(const std::string& folder, TNight& night);
bool RunTurn(const std::string& folder);
// The whole night: the planner for every computer house and house on
// autopilot, then RunTurn.
bool PlayNight(const std::string& folder, TNight& night);
bool PlayNight(const std::string& folder);

// The phases, in the order RunTurn calls them.
void LaneDrift(TNight& night);
void MoveFleets(TNight& night);
void FightBattles(TNight& night);
void LandFleets(TNight& night);
void HollowRaids(TNight& night);
void RunEconomy(TNight& night);
void CompleteBuilds(TNight& night);
void HollowSpawn(TNight& night);
void RunSight(TNight& night);
void RunAbsence(TNight& night);
void EndTreatiesOnNotice(TNight& night);
void CheckVictory(TNight& night);
void WarnPeaceOver(TNight& night);

// Shared pieces of the phases.
void MarkSeen(int h, int s);
std::string ShipListText(const int64_t counts[UnitHollow + 1]);
bool HostileArmedAt(int house, int system);
void MoveCapital(TEventWriter& ev, int house);
bool Connected(bool countedOpenOnly);   // every system reaches system 0

