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
