// Fleet movement: every fleet with somewhere to go steps along the shortest
// open route, up to two lanes a night, in a random order drawn each night.
#include <vector>

#include "core/model.h"
#include "core/random.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/stores.h"
#include "turn/turn.h"

enum { MovedBit = 1, StoppedBit = 2 };


static std::vector<int> RandomFleetOrder()
{
    int n = Game.Header.FleetCount;
    std::vector<int> order((size_t)n);
    for (int i = 0; i < n; i++) order[(size_t)i] = i;
    for (int i = n - 1; i >= 1; i--) std::swap(order[(size_t)i], order[(size_t)Random(i + 1)]);
    return order;
}

static void PrepareFleet(TEventWriter& ev, int f, int& steps)
{
    TFleet& fl = Game.Fleets[f];
    steps = 0;
    fl.MoveFlags &= (uint8_t)~(MovedBit | StoppedBit);
    if (fl.House == 0) return;
    steps = FleetMoveSpeed(f);
    if (fl.Order != OrderEscort) return;
    // An escort takes over the course of the fleet it follows; one whose
    // charge is gone holds, and its house is told why.
    if (IsFleet(fl.Target) && Game.Fleets[fl.Target].House != 0) {
        fl.Dest = Game.Fleets[fl.Target].Dest;
    } else {
        fl.Order = OrderHold;
        fl.Dest = -1;
        if (IsHouse(fl.House))
            AddEvent(ev, fl.House, EventMove, StrGet(fl.Name) + " holds: the fleet it escorted is gone.");
    }
}

static bool PatrolledAgainst(int f, int s)
{
    for (int g = 0; g < Game.Header.FleetCount; g++) {
        const TFleet& other = Game.Fleets[g];
        if (g == f || other.House == 0 || other.Loc != s) continue;
        if ((other.Order == OrderPatrol || other.Order == OrderBlockade) && Hostile(other.House, Game.Fleets[f].House) &&
            FleetPower(g) > 0)
            return true;
    }
    return false;
}

static void StepFleet(TEventWriter& ev, int f, int pass, int& steps, THopMemo& routes)
{
    TFleet& fl = Game.Fleets[f];
    bool house = IsHouse(fl.House);
    std::string name = StrGet(fl.Name);
    int next = routes.Next(fl.Loc, fl.Dest);
    if (next < 0) {
        if (house) AddEvent(ev, fl.House, EventMove, name + " has no route to " + SystemName(fl.Dest) + " and waits.");
        steps = 0;
        return;
    }
    // Own and allied systems are free to enter; a Peace treaty alone is not enough.
    int owner = SystemOwner(next);
    if (house && !(owner != 0 && Allied(owner, fl.House))) {
        int64_t cost = FleetFuelCost(f);
        if (cost > HouseRec(fl.House).Fuel) {
            if (pass == 1) AddEvent(ev, fl.House, EventMove, name + " is out of fuel at " + SystemName(fl.Loc) + ".");
            steps = 0;
            return;
        }
        HouseRec(fl.House).Fuel = (int32_t)(HouseRec(fl.House).Fuel - cost);
    }
    fl.Loc = (int16_t)next;
    fl.MoveFlags |= MovedBit;
    if (fl.Loc != fl.Dest && PatrolledAgainst(f, fl.Loc)) {
        fl.MoveFlags |= StoppedBit;
        if (house) AddEvent(ev, fl.House, EventMove, name + " was stopped by a patrol at " + SystemName(fl.Loc) + ".");
    }
    if (fl.Loc == fl.Dest) {
        if (house) AddEvent(ev, fl.House, EventMove, name + " arrived at " + SystemName(fl.Loc) + ".");
        if (fl.Order == OrderMove || fl.Order == OrderReturn) {
            fl.Order = OrderHold;
            fl.Dest = -1;
        }
    }
}

void MoveFleets(TNight& night)
{
    TEventWriter& ev = night.Events;
    std::vector<int> order = RandomFleetOrder();
    std::vector<int> steps((size_t)Game.Header.FleetCount, 0);
    for (int f : order) PrepareFleet(ev, f, steps[(size_t)f]);
    // The hops towards each destination are searched once for the phase:
    // lanes do not change while fleets move.  The plain form searches anew
    // at every step.
    THopMemo routes;
    routes.Plain = night.PlainSearches;
    for (int pass = 1; pass <= 2; pass++)
        for (int f : order) {
            const TFleet& fl = Game.Fleets[f];
            if (fl.House == 0 || steps[(size_t)f] < pass || AtRest(f) || (fl.MoveFlags & StoppedBit)) continue;
            StepFleet(ev, f, pass, steps[(size_t)f], routes);
        }
}
