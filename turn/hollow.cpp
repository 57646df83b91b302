// The Hollow: raiders rob unshielded worlds and wander on; nests grow and
// send out new raiders.
#include <vector>

#include "core/model.h"
#include "core/random.h"
#include "core/routes.h"
#include "core/text.h"
#include "core/stores.h"
#include "turn/turn.h"

enum { NestMax = 200, MaxRaidTargets = 64 };

static void Raid(TEventWriter& ev, const TFleet& fl)
{
    const TSystem& sys = Game.Systems[fl.Loc];
    for (int w = sys.FirstWorld; w < sys.FirstWorld + sys.WorldCount; w++) {
        TWorld& wd = Game.Worlds[w];
        if (!IsHouse(wd.Owner) || wd.Shield >= 1) continue;
        THouse& owner = HouseRec(wd.Owner);
        int32_t stolen = (int32_t)Min(Max(0, owner.Ore / 10), 200);
        owner.Ore -= stolen;
        wd.Pop = (int32_t)((int64_t)wd.Pop * 95 / 100);
        wd.Loyalty = (uint8_t)Max(0, wd.Loyalty - 5);
        AddEvent(ev, wd.Owner, EventHollow, "The Hollow raided " + WorldName(w) + " and carried off " + IntToText(stolen) + " ore.");
    }
}

void HollowRaids(TNight& night)
{
    TEventWriter& ev = night.Events;
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        TFleet& fl = Game.Fleets[f];
        if (fl.House != HouseHollow || fl.Dest != -1) continue;
        Raid(ev, fl);
        std::vector<int> around = Neighbours(fl.Loc);
        if (!around.empty()) {
            fl.Dest = (int16_t)around[(size_t)Random((int)around.size())];
            fl.Order = OrderMove;
        }
        if (Chance(10)) FreeFleet(f);   // the raiders disperse
    }
}

void HollowSpawn(TNight&)
{
    int level = Game.Header.Hollow;
    if (level == 0) return;
    int day = EventDay;
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        TSystem& sys = Game.Systems[s];
        if (sys.NestStrength == 0) continue;
        if (sys.NestStrength < NestMax) sys.NestStrength = (uint8_t)Min(NestMax, sys.NestStrength + level);
        int cadence = 7 - 2 * level;
        if (day <= 7 || cadence <= 0 || (s + day) % cadence != 0 || !Chance(50)) continue;
        std::vector<int> hops = HopDistances(s), targets;
        for (int t = 0; t < Game.Header.SystemCount && (int)targets.size() < MaxRaidTargets; t++)
            if (hops[(size_t)t] >= 1 && hops[(size_t)t] <= 3) targets.push_back(t);
        if (targets.empty()) continue;
        int f = NewFleet(HouseHollow, s, "Hollow raiders");
        if (f < 0) return;   // the fleet table is full for tonight
        TFleet& fl = Game.Fleets[f];
        fl.Ships[ShipLancer] = (uint16_t)(sys.NestStrength / 10 + 1);
        fl.Ships[ShipWarden] = (uint16_t)(sys.NestStrength / 20);
        fl.Doctrine = DoctrineStrike;
        fl.Order = OrderMove;
        fl.Dest = (int16_t)targets[(size_t)Random((int)targets.size())];
    }
}
