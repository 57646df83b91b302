// The economy of the night: blockades, production, growth, shields,
// garrisons, loyalty and revolts, upkeep, tribute, research and the
// Exchange's prices; then the delivery of the day's build orders.
#include <climits>

#include "core/model.h"
#include "core/orders.h"
#include "core/output.h"
#include "core/random.h"
#include "core/rules.h"
#include "core/text.h"
#include "core/stores.h"
#include "turn/turn.h"

static const int CountLimit = 65535;

static void AddClamped(int32_t& field, int64_t amount) { field = (int32_t)Clamp(field + amount, INT32_MIN, INT32_MAX); }

static void MarkBlockades()
{
    for (int w = 0; w < Game.Header.WorldCount; w++) Game.Worlds[w].Blockaded = 0;
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (fl.House == 0 || fl.Order != OrderBlockade || !AtRest(f)) continue;
        const TSystem& sys = Game.Systems[fl.Loc];
        for (int w = sys.FirstWorld; w < sys.FirstWorld + sys.WorldCount; w++)
            if (Game.Worlds[w].Owner != 0 && Hostile(fl.House, Game.Worlds[w].Owner)) Game.Worlds[w].Blockaded = 1;
    }
}

static void RunWorld(TEventWriter& ev, int w, int64_t points[])
{
    TWorld& wd = Game.Worlds[w];
    int o = wd.Owner;
    if (o == HouseIndependents) {
        if (wd.Shield < 30) wd.Shield = (int16_t)Min(30, wd.Shield + 2);
        if (wd.Garrison < 20) wd.Garrison = (int16_t)Min(20, wd.Garrison + 1);
        return;
    }
    if (!IsHouse(o)) return;   // unclaimed, or an owner no order can make
    THouse& hr = HouseRec(o);
    bool capital = hr.Capital == w, defence = wd.Focus == FocusDefence;

    TOutput out = WorldOutput(w);
    AddClamped(hr.Ore, out.Ore);
    AddClamped(hr.Fuel, out.Fuel);
    AddClamped(hr.Influence, out.Influence);
    points[o] += out.Influence + AcademyPoints * CountBuildings(w, BuildAcademy);

    if (wd.Unrest > 0) wd.Unrest--;

    if (wd.Kind != KindGasGiant && wd.Pop < wd.MaxPop) {
        int64_t rate = wd.Kind == KindTemperate ? 30 : 20;
        if (wd.Focus == FocusGrowth) rate *= 2;
        int64_t growth = Max(5, rate * wd.Pop / 1000);
        if (wd.Blockaded) growth /= 2;
        wd.Pop = (int32_t)Min(wd.MaxPop, wd.Pop + growth);
    }

    int64_t shield = (capital ? 60 : 20) + ShieldPoints * CountBuildings(w, BuildShield);
    if (ResearchLevel(o, TrackArms) > 1) shield += 20;
    if (defence) shield += 20;
    if (wd.Shield < shield) wd.Shield = (int16_t)Min(shield, wd.Shield + (defence ? 10 : 5));

    int64_t garrison = 5 + BarracksGarrison * CountBuildings(w, BuildBarracks) + wd.Pop / 2000;
    if (wd.Garrison < garrison) wd.Garrison = (int16_t)Min(garrison, wd.Garrison + (defence ? 3 : 1));

    int rest = capital ? 90 : 70;
    int loyalty = wd.Loyalty;
    if (loyalty < rest)
        loyalty = (int)Min(rest, loyalty + ResearchLevel(o, TrackStatecraft) + 2);
    else if (loyalty > rest)
        loyalty--;
    if (wd.Blockaded) loyalty -= 5;
    if (HostileArmedAt(o, wd.System)) loyalty -= 3;
    wd.Loyalty = (uint8_t)Max(0, loyalty);

    if (wd.Loyalty < 20 && wd.Garrison < 5 && !capital && Chance(20)) {
        AddEvent(ev, o, EventWorld, WorldName(w) + " has revolted and declared itself independent!");
        AddNews(ev, WorldName(w) + " has broken away from " + StrGet(hr.Name) + ".");
        wd.Owner = HouseIndependents;
        wd.Loyalty = 50;
    }
}

static void PayUpkeep()
{
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (!IsHouse(fl.House)) continue;
        TOutput up = FleetUpkeep(f);
        THouse& hr = HouseRec(fl.House);
        hr.Ore = (int32_t)Max(0, hr.Ore - up.Ore);
        hr.Fuel = (int32_t)Max(0, hr.Fuel - up.Fuel);
    }
}

static void PayTribute()
{
    for (int p = 1; p <= MaxHouseSlots; p++)
        for (int r = 1; r <= MaxHouseSlots; r++) {
            int tribute = Relation(p, r).Tribute;
            if (tribute == 0 || !Playing(p)) continue;
            int64_t pay = Max(0, Min(tribute, HouseRec(p).Ore));
            HouseRec(p).Ore = (int32_t)(HouseRec(p).Ore - pay);
            AddClamped(HouseRec(r).Ore, pay);
        }
}

// A track at level 4, or a track number outside the four, is finished.
static bool TrackDone(const THouse& hr, int t) { return t < 0 || t > 3 || hr.Research[t] >= MaxResearchLevel; }

static void Research(TEventWriter& ev, int h, int64_t points)
{
    THouse& hr = HouseRec(h);
    if (TrackDone(hr, hr.ResTrack)) {
        int next = -1;
        for (int t = 0; t < ResearchTracks; t++)
            if (!TrackDone(hr, t) && (next < 0 || hr.Research[t] < hr.Research[next])) next = t;
        if (next < 0) return;   // everything is known
        hr.ResTrack = (uint8_t)next;
        AddEvent(ev, h, EventResearch, "Research moves on to " + TrackName(next) + ".");
    }
    hr.ResPoints = (uint16_t)Min(65000, hr.ResPoints + points);
    int level = hr.Research[hr.ResTrack];
    int cost = LevelCost[level + 1];
    if (hr.ResPoints >= cost) {
        hr.ResPoints = (uint16_t)(hr.ResPoints - cost);
        hr.Research[hr.ResTrack] = (uint8_t)(level + 1);
        AddEvent(ev, h, EventResearch, "Research complete: " + TrackName(hr.ResTrack) + " " + IntToText(level + 1) + ".");
    }
}

// Prices drift back towards rest by their step, landing on the rest value.
static void DriftPrice(uint16_t& price, int rest, int step)
{
    if (price > rest)
        price = (uint16_t)Max(rest, price - step);
    else if (price < rest)
        price = (uint16_t)Min(rest, price + step);
}

void RunEconomy(TNight& night)
{
    TEventWriter& ev = night.Events;
    MarkBlockades();
    int64_t points[MaxHouseSlots + 1] = {0};
    for (int w = 0; w < Game.Header.WorldCount; w++) RunWorld(ev, w, points);
    PayUpkeep();
    PayTribute();
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (Playing(h)) Research(ev, h, points[h]);
    for (int r = 0; r < 3; r++) DriftPrice(Game.Header.Price[r], ExchangeRestPrice[r], ExchangeDriftStep[r]);
}

static bool NamedReserve(int f) { return IsReserveName(StrGet(Game.Fleets[f].Name)); }

static bool HouseHasFleetNamed(int h, const std::string& name)
{
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h && SameText(StrGet(Game.Fleets[f].Name), name)) return true;
    return false;
}

static int NewReserve(int h, int s)
{
    std::string name = "Reserve";
    for (int n = 2; HouseHasFleetNamed(h, name) && n <= MaxFleets; n++) name = "Reserve " + IntToText(n);
    return NewFleet(h, s, name);
}

// Warships join the strongest fleet at rest there; everything else, or
// warships with nowhere to go, gathers in the Reserve.
static int JoiningFleet(int h, int s, int c)
{
    bool warship = c == ShipLancer || c == ShipWarden || c == ShipBreaker || c == ShipOutpost;
    int best = -1;
    int64_t bestPower = -1;
    for (int f = 0; warship && f < Game.Header.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (fl.House != h || fl.Loc != s || !AtRest(f) || (fl.Order != OrderHold && fl.Order != OrderPatrol) ||
            NamedReserve(f) || fl.Ships[ShipSeeder] > 0)
            continue;
        if (FleetPower(f) > bestPower) {
            bestPower = FleetPower(f);
            best = f;
        }
    }
    if (best >= 0) return best;
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (fl.House == h && fl.Loc == s && NamedReserve(f) && (fl.Order == OrderHold || fl.Order == OrderPatrol)) return f;
    }
    return NewReserve(h, s);
}

static void DeliverShips(TEventWriter& ev, const TBuildOrder& bo)
{
    int s = Game.Worlds[bo.World].System;
    int f = JoiningFleet(bo.House, s, bo.Item);
    if (f < 0) return;   // no fleet slot: the ships are lost
    TFleet& fl = Game.Fleets[f];
    fl.Ships[bo.Item] = (uint16_t)Min(CountLimit, fl.Ships[bo.Item] + bo.Count);
    if (bo.Item == ShipHauler)
        fl.Troops = (uint16_t)Min(CountLimit, fl.Troops + (int64_t)bo.Count * ShipClassTable[ShipHauler].Capacity);
    AddEvent(ev, bo.House, EventWorld,
             Counted(bo.Count, ShipName(bo.Item)) + " built at " + WorldName(bo.World) + ", joining " +
                 StrGet(fl.Name) + ".");
}

static void DeliverBuilding(TEventWriter& ev, const TBuildOrder& bo)
{
    TWorld& wd = Game.Worlds[bo.World];
    for (int i = 0; i < SlotCount(bo.World); i++)
        if (wd.Buildings[i] == BuildNone) {
            wd.Buildings[i] = (uint8_t)(bo.Item - BuildItemBuilding);
            AddEvent(ev, bo.House, EventWorld, "A new " + BuildingName(bo.Item - BuildItemBuilding) + " is working on " + WorldName(bo.World) + ".");
            return;
        }
}

void CompleteBuilds(TNight& night)
{
    TEventWriter& ev = night.Events;
    for (int b = 0; b < Game.Header.BuildCount; b++) {
        const TBuildOrder& bo = Game.Builds[b];
        bool ship = IsShipItem(bo.Item), building = IsBuildingItem(bo.Item);
        if (!IsHouse(bo.House) || !IsWorld(bo.World) || !(ship || building)) continue;
        if (Game.Worlds[bo.World].Owner != bo.House) {
            AddEvent(ev, bo.House, EventWorld, "An order at " + WorldName(bo.World) + " was lost with the world.");
            continue;
        }
        if (ship)
            DeliverShips(ev, bo);
        else
            DeliverBuilding(ev, bo);
    }
    Game.Header.BuildCount = 0;
}
