#include "core/output.h"

#include "core/model.h"
#include "core/rules.h"

TOutput WorldOutput(int w)
{
    TOutput out{0, 0, 0};
    if (!IsWorld(w)) return out;
    const TWorld& wd = Game.Worlds[w];
    int64_t pop = wd.Pop;
    bool known = wd.Kind < 5;
    out.Ore = (known ? WorldKindTable[wd.Kind].BaseOre : 0) + MineOre * CountBuildings(w, BuildMine) + pop / 2000;
    out.Fuel = (known ? WorldKindTable[wd.Kind].BaseFuel : 0) + RefineryFuel * CountBuildings(w, BuildRefinery);
    out.Influence = pop / 1000 + 1;
    if (wd.Kind == KindTemperate) out.Influence += pop / 2000;
    switch (wd.Focus) {
    case FocusMining: out.Ore = out.Ore * 3 / 2; break;
    case FocusFuel: out.Fuel = out.Fuel * 3 / 2; break;
    case FocusGrowth: out.Influence = out.Influence * 3 / 2; break;
    case FocusDefence:
        out.Ore = out.Ore * 3 / 4;
        out.Fuel = out.Fuel * 3 / 4;
        out.Influence = out.Influence * 3 / 4;
        break;
    }
    if (IsHouse(wd.Owner)) out.Influence = out.Influence * (100 + StatecraftInfluence * ResearchLevel(wd.Owner, TrackStatecraft)) / 100;
    if (wd.Unrest > 0) {
        out.Ore /= 2;
        out.Fuel /= 2;
        out.Influence /= 2;
    }
    if (wd.Blockaded) {
        out.Ore /= 2;
        out.Fuel /= 2;
        out.Influence /= 2;
    }
    return out;
}

TOutput FleetUpkeep(int f)
{
    TOutput up{0, 0, 0};
    if (!IsFleet(f) || !IsHouse(Game.Fleets[f].House)) return up;
    const TFleet& fl = Game.Fleets[f];
    for (int c = 0; c < ShipClasses; c++) up.Ore += (int64_t)fl.Ships[c] * ShipClassTable[c].Upkeep;
    if (!Allied(SystemOwner(fl.Loc), fl.House)) up.Fuel = ShipTotal(f) / 5;
    return up;
}

TOutput HouseIncome(int h)
{
    TOutput in{0, 0, 0};
    if (!IsHouse(h)) return in;
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == h) {
            TOutput o = WorldOutput(w);
            in.Ore += o.Ore;
            in.Fuel += o.Fuel;
            in.Influence += o.Influence;
        }
    // Upkeep never takes a store below 0.
    int64_t ore = HouseRec(h).Ore + in.Ore, fuel = HouseRec(h).Fuel + in.Fuel;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h) {
            TOutput up = FleetUpkeep(f);
            int64_t paidOre = up.Ore < ore ? up.Ore : ore, paidFuel = up.Fuel < fuel ? up.Fuel : fuel;
            ore -= paidOre < 0 ? 0 : paidOre;
            fuel -= paidFuel < 0 ? 0 : paidFuel;
        }
    for (int o = 1; o <= MaxHouseSlots; o++) {
        if (o == h) continue;
        int64_t owed = Relation(h, o).Tribute, due = Relation(o, h).Tribute;
        if (owed > 0 && Playing(h)) ore -= owed < ore ? owed : (ore > 0 ? ore : 0);
        if (due > 0 && Playing(o)) ore += due < HouseRec(o).Ore ? due : (HouseRec(o).Ore > 0 ? HouseRec(o).Ore : 0);
    }
    in.Ore = ore - HouseRec(h).Ore;
    in.Fuel = fuel - HouseRec(h).Fuel;
    return in;
}
