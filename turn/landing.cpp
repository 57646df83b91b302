// Landings: settlers found colonies, troops invade, and a house that loses
// its capital gets a new one.
#include "core/model.h"
#include "core/orders.h"
#include "core/random.h"
#include "core/rules.h"
#include "core/text.h"
#include "core/stores.h"
#include "turn/turn.h"

bool HostileArmedAt(int house, int system)
{
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (fl.House != 0 && fl.Loc == system && fl.House != HouseIndependents && Hostile(fl.House, house) &&
            FleetPower(f) > 0)
            return true;
    }
    return false;
}

void MoveCapital(TEventWriter& ev, int house)
{
    if (!IsHouse(house)) return;
    int best = -1;
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == house && (best < 0 || Game.Worlds[w].Pop > Game.Worlds[best].Pop)) best = w;
    HouseRec(house).Capital = (int16_t)best;
    if (best >= 0) AddEvent(ev, house, EventWorld, "Your capital moves to " + WorldName(best) + ".");
}

static void Settle(TEventWriter& ev, int f)
{
    TFleet& fl = Game.Fleets[f];
    int w = fl.Target;
    TWorld& wd = Game.Worlds[w];
    int h = fl.House;
    if (!SettleRefusal(h, w).empty()) {
        AddEvent(ev, h, EventWorld, WorldName(w) + " is already held by " + HouseName(wd.Owner) + "; " + StrGet(fl.Name) + " waits.");
        fl.Order = OrderHold;
        return;
    }
    if (wd.Guard >= 1) return;   // the guard must first be beaten in battle
    if (HostileArmedAt(h, wd.System)) {
        AddEvent(ev, h, EventWorld, "Enemy ships at " + SystemName(wd.System) + " stop your settlers landing.");
        return;
    }
    if (fl.Ships[ShipSeeder] == 0) return;
    fl.Ships[ShipSeeder]--;
    bool gas = wd.Kind == KindGasGiant;
    wd.Owner = (uint8_t)h;
    wd.Loyalty = 60;
    wd.Pop = gas ? 0 : 500;
    wd.Garrison = 2;
    wd.Focus = gas ? FocusFuel : FocusBalanced;
    AddEvent(ev, h, EventWorld, StrGet(fl.Name) + " has founded a colony on " + WorldName(w) + ".");
    if (wd.Relic != 0) {
        AddEvent(ev, h, EventWorld, "Your settlers found an ancient relic on " + WorldName(w) + "!");
        AddNews(ev, HouseName(h) + " has claimed a relic at " + SystemName(wd.System) + ".");
    }
    fl.Order = OrderHold;
    fl.Target = -1;
    if (ShipTotal(f) == 0) FreeFleet(f);
}

static void Invade(TEventWriter& ev, int f)
{
    TFleet& fl = Game.Fleets[f];
    int w = fl.Target;
    TWorld& wd = Game.Worlds[w];
    int invader = fl.House, holder = wd.Owner;
    // The rule the order was checked by: the world may have changed hands,
    // or a treaty been signed, since.  Landing on one's own world is called
    // off without a word.
    if (std::string refusal = InvasionRefusal(invader, w); !refusal.empty()) {
        if (holder != invader) AddEvent(ev, invader, EventWorld, refusal);
        fl.Order = OrderHold;
        return;
    }
    if (wd.Shield >= 1) return;   // shields must first be beaten down in battle
    if (HostileArmedAt(invader, wd.System) || fl.Troops == 0) return;
    int64_t attack = Vary((int64_t)fl.Troops * 10, 15);
    int64_t defence = Vary((int64_t)wd.Garrison * 15 + 40 * CountBuildings(w, BuildBarracks), 15);
    if (defence < attack) {
        bool wasCapital = IsHouse(holder) && HouseRec(holder).Capital == w;
        wd.Owner = (uint8_t)invader;
        wd.Pop /= 2;
        wd.Loyalty = 20;
        wd.Unrest = 5;
        wd.Garrison = (int16_t)Clamp((attack - defence) / 10, 1, 32767);
        AddEvent(ev, invader, EventWorld, "Your troops have taken " + WorldName(w) + " from " + HouseName(holder) + "!");
        if (IsHouse(holder)) {
            AddEvent(ev, holder, EventWorld, WorldName(w) + " has fallen to " + HouseName(invader) + ".");
            if (wasCapital) MoveCapital(ev, holder);
        }
        AddNews(ev, CapitalFirst(HouseName(invader)) + " has taken " + WorldName(w) + " from " + HouseName(holder) + ".");
    } else {
        wd.Garrison = (int16_t)Max(0, wd.Garrison - fl.Troops * 2 / 3);
        AddEvent(ev, invader, EventWorld, "Your landing on " + WorldName(w) + " was thrown back.");
        if (IsHouse(holder))
            AddEvent(ev, holder, EventWorld, "The garrison of " + WorldName(w) + " threw back a landing by " + HouseName(invader) + ".");
    }
    fl.Troops = 0;
    fl.Order = OrderHold;
    fl.Target = -1;
}

void LandFleets(TNight& night)
{
    TEventWriter& ev = night.Events;
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (!IsHouse(fl.House) || !IsWorld(fl.Target) || fl.Loc != Game.Worlds[fl.Target].System) continue;
        if (fl.Order == OrderSettle)
            Settle(ev, f);
        else if (fl.Order == OrderInvade)
            Invade(ev, f);
    }
}
