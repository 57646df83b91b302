#include "turn/planner.h"

#include <vector>

#include "core/model.h"
#include "core/orders.h"
#include "core/random.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/text.h"
#include "turn/turn.h"

static const TDifficulty Difficulties[3] = {
    // strike day, strike margin, attack odds, Hauler day, ore reserve
    {20, 30, 30, 20, 300},   // Easy
    {12, 20, 20, 10, 120},   // Normal
    {8, 15, 15, 6, 60},      // Hard
};

static const TDifficulty& DifficultyRecord()
{
    int d = Game.Header.Difficulty;
    return Difficulties[d >= 1 && d <= 3 ? d - 1 : 1];
}

static const int Rotation[4] = {TrackIndustry, TrackArms, TrackDrives, TrackStatecraft};
static const int SettleValue[5] = {100, 70, 45, 50, 60};   // by world kind

static int Today() { return Game.Header.Day; }
static std::string NameOf(int f) { return StrGet(Game.Fleets[f].Name); }
static bool Mine(int h, int f) { return Game.Fleets[f].House == h; }

// ---- Queries.

bool PeaceProtected(int o)
{
    if (!IsHouse(o)) return false;
    const THouse& hr = HouseRec(o);
    return hr.Computer == 0 && Today() < hr.JoinedDay + Game.Header.PeaceDays;
}

bool Fresh(int h, int s)
{
    if (!IsHouse(h) || !IsSystem(s)) return false;
    int seen = Chart(h, s).SeenDay;
    return seen > 0 && Today() <= seen + 1;
}

bool ValidTarget(int h, int o)
{
    if (o == HouseIndependents) return true;
    if (!IsHouse(o) || AtPeace(h, o)) return false;
    return !PeaceProtected(o);
}

// The fleets that count against house h: the Hollow's, and those of real
// houses not at peace with h.
static bool Menacing(int h, int owner) { return owner == HouseHollow || (IsHouse(owner) && !AtPeace(h, owner)); }

static int64_t PlainFleetThreat(int h, int s)
{
    int64_t power = 0;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].Loc == s && Menacing(h, Game.Fleets[f].House)) power += FleetPower(f);
    return power;
}

// The fast form: each system's menacing fleet power for the house being
// planned, built once.  Planning a house moves none of the other houses'
// fleets and changes no treaty, so the table stays true while it plans.
static int Planned = 0;     // the house being planned; 0 between plans
static std::vector<int64_t> TablePower;
static THopMemo PlanHops;   // the planner moves no fleet and changes no lane

static std::vector<int> HopsFrom(int s)
{
    if (Planned != 0) return PlanHops.From(s);
    return HopDistances(s);
}

static void BuildThreatTable(int h)
{
    TablePower.assign((size_t)Game.Header.SystemCount, 0);
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (IsSystem(Game.Fleets[f].Loc) && Menacing(h, Game.Fleets[f].House))
            TablePower[(size_t)Game.Fleets[f].Loc] += FleetPower(f);
}

int64_t Threat(int h, int s, int w)
{
    if (!IsSystem(s)) return 0;
    int64_t threat = 0;
    if (IsWorld(w)) threat += (int64_t)Game.Worlds[w].Shield * 3 + Game.Worlds[w].Garrison;
    threat += Planned == h && !PlanHops.Plain ? TablePower[(size_t)s] : PlainFleetThreat(h, s);
    return threat + 9 * (int64_t)Game.Systems[s].NestStrength;
}

int64_t ShipsOf(int h, int c)
{
    int64_t n = 0;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Mine(h, f)) n += Game.Fleets[f].Ships[c];
    for (int b = 0; b < Game.Header.BuildCount; b++)
        if (Game.Builds[b].House == h && Game.Builds[b].Item == c) n += Game.Builds[b].Count;
    return n;
}

int64_t TroopsAt(int h, int s)
{
    int64_t n = 0;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Mine(h, f) && Game.Fleets[f].Loc == s) n += Game.Fleets[f].Troops;
    for (int b = 0; b < Game.Header.BuildCount; b++)
        if (Game.Builds[b].House == h && Game.Builds[b].Item == ShipHauler)
            n += (int64_t)ShipClassTable[ShipHauler].Capacity * Game.Builds[b].Count;
    return n;
}

int BlockaderAt(int h, int s)
{
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (Mine(h, f) && fl.Order == OrderBlockade && (fl.Dest == s || (AtRest(f) && fl.Loc == s))) return f;
    }
    return -1;
}

int WeakestWorld(int h, int s)
{
    if (!IsSystem(s)) return -1;
    const TSystem& sys = Game.Systems[s];
    int best = -1;
    int64_t bestDefence = 0;
    for (int w = sys.FirstWorld; w < sys.FirstWorld + sys.WorldCount; w++) {
        if (!ValidTarget(h, Game.Worlds[w].Owner)) continue;
        int64_t defence = (int64_t)Game.Worlds[w].Garrison * 15 + 40 * CountBuildings(w, BuildBarracks);
        if (best < 0 || defence < bestDefence) {
            best = w;
            bestDefence = defence;
        }
    }
    return best;
}

static bool SettlerAimedAt(int h, int w)
{
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Mine(h, f) && Game.Fleets[f].Order == OrderSettle && Game.Fleets[f].Target == w) return true;
    return false;
}

int SettleTarget(int h, int from)
{
    std::vector<int> hops = HopsFrom(from);
    int best = -1;
    int64_t bestScore = 0;
    for (int w = 0; w < Game.Header.WorldCount; w++) {
        const TWorld& wd = Game.Worlds[w];
        int s = wd.System;
        if (wd.Owner != 0 || hops[(size_t)s] < 0 || hops[(size_t)s] > 6 || SettlerAimedAt(h, w)) continue;
        bool fresh = Fresh(h, s);
        if (!fresh && !(Chart(h, s).SeenDay > 0 && Chart(h, s).SeenOwner == 0)) continue;
        if (fresh && (Game.Systems[s].NestStrength > 0 || wd.Guard > 0)) continue;
        int64_t threat = Threat(h, s, -1);
        if (hops[(size_t)s] == 0 && threat > 0) continue;
        int64_t value = (wd.Kind < 5 ? SettleValue[wd.Kind] : 0) + (wd.Relic != 0 ? 40 : 0);
        int64_t score = value * 10 / (hops[(size_t)s] + 2);
        if (fresh && threat > 0) score /= 4;
        if (best < 0 || score > bestScore) {
            best = w;
            bestScore = score;
        }
    }
    return best;
}

TAttackTarget AttackTarget(int h, int from, int64_t strength)
{
    std::vector<int> hops = HopsFrom(from);
    TAttackTarget t{-1, false};
    int64_t best = 0;
    int64_t odds = DifficultyRecord().AttackOdds;
    for (int w = 0; w < Game.Header.WorldCount; w++) {
        const TWorld& wd = Game.Worlds[w];
        int s = wd.System, d = hops[(size_t)s];
        if (d < 1 || d > 6 || !Fresh(h, s) || !ValidTarget(h, wd.Owner)) continue;
        if (Threat(h, s, w) * odds > strength * 10) continue;
        int64_t score = ((int64_t)wd.Pop / 100 + 30) * 10 / (d + 1) + (wd.Relic != 0 ? 200 : 0);
        if (score > best) {
            best = score;
            t = {w, false};
        }
    }
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        int d = hops[(size_t)s];
        if (Game.Systems[s].NestStrength == 0 || d < 1 || d > 6 || !Fresh(h, s)) continue;
        if (Threat(h, s, -1) * odds > strength * 10) continue;
        int64_t score = 400 / (d + 1);
        if (score > best) {
            best = score;
            t = {s, true};
        }
    }
    return t;
}

// ---- The plan.

static void PlanResearch(int h)
{
    const THouse& hr = HouseRec(h);
    int pick = -1;
    for (int i = 0; i < 4; i++) {
        int t = Rotation[(h + i) % 4];
        if (pick < 0 || hr.Research[t] < hr.Research[pick]) pick = t;
    }
    if (pick != hr.ResTrack && hr.Research[pick] < MaxResearchLevel) SetResearch(h, pick);
}

static void PlanWorlds(int h)
{
    int yards = 0;
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == h && CountBuildings(w, BuildShipyard) > 0) yards++;
    for (int w = 0; w < Game.Header.WorldCount; w++) {
        TWorld& wd = Game.Worlds[w];
        if (wd.Owner != h) continue;
        if (HouseRec(h).Capital != w) {
            if (wd.Kind == KindTemperate) wd.Focus = FocusGrowth;
            if (wd.Kind == KindRock) wd.Focus = FocusMining;
            if (wd.Kind == KindGasGiant || wd.Kind == KindIce) wd.Focus = FocusFuel;
        }
        if (wd.Kind == KindGasGiant || FreeSlots(w) < 1 || HouseRec(h).Ore < 250) continue;
        if (wd.Kind == KindRock) {
            BuildBuilding(h, w, BuildMine);
        } else if (wd.Kind == KindIce) {
            BuildBuilding(h, w, CountBuildings(w, BuildRefinery) == 0 ? BuildRefinery : BuildMine);
        } else if (wd.Kind == KindTemperate || wd.Kind == KindRuin) {
            if (yards < 2 && wd.Pop > 3000 && CountBuildings(w, BuildShipyard) == 0) {
                BuildBuilding(h, w, BuildShipyard);
                yards++;
            } else if (CountBuildings(w, BuildShield) == 0) {
                BuildBuilding(h, w, BuildShield);
            } else if (CountBuildings(w, BuildAcademy) > 0) {
                BuildBuilding(h, w, CountBuildings(w, BuildBarracks) == 0 ? BuildBarracks : BuildMine);
            } else {
                BuildBuilding(h, w, BuildAcademy);
            }
        }
    }
}

// Splits every ship of one class off into a new fleet; true when that
// emptied the old fleet.
static bool SplitClassOff(int h, int f, int c, const std::string& name)
{
    int counts[7] = {0};
    counts[c] = Game.Fleets[f].Ships[c];
    SplitFleet(h, f, counts, 0, name);
    return Game.Fleets[f].House != h;
}

static int FirstFleetNamed(int h, const std::string& name)
{
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Mine(h, f) && NameOf(f) == name) return f;
    return -1;
}

static void GatherReserves(int h, int& guard)
{
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        if (!Mine(h, f) || !IsReserveName(NameOf(f))) continue;
        if (Game.Fleets[f].Ships[ShipSeeder] > 0 && SplitClassOff(h, f, ShipSeeder, "Settlers")) continue;
        if (Game.Fleets[f].Ships[ShipSkiff] > 0 && SplitClassOff(h, f, ShipSkiff, "Scouts")) continue;
        if (guard >= 0 && Game.Fleets[guard].Loc == Game.Fleets[f].Loc) {
            JoinFleets(h, guard, f);
            continue;
        }
        if (guard >= 0) {
            OrderFleet(h, f, OrderMove, Game.Fleets[guard].Loc, -1);
        } else {
            StrSet(Game.Fleets[f].Name, "Home Guard");
            guard = f;
        }
    }
}

static void SendLanding(int h, int guard)
{
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (!Mine(h, f) || fl.Order != OrderBlockade || !AtRest(f)) continue;
        int w = WeakestWorld(h, fl.Loc);
        if (w < 0) continue;
        const TFleet& g = Game.Fleets[guard];
        int counts[7] = {0};
        counts[ShipLancer] = g.Ships[ShipLancer] / 5;
        counts[ShipWarden] = g.Ships[ShipWarden] / 5;
        counts[ShipBreaker] = g.Ships[ShipBreaker] / 5;
        counts[ShipHauler] = g.Ships[ShipHauler];
        int landing = -1;
        if (SplitFleet(h, guard, counts, g.Troops, "Landing", &landing).empty()) OrderFleet(h, landing, OrderInvade, -1, w);
        return;
    }
}

static void SendScout(int h, int f)
{
    int loc = Game.Fleets[f].Loc;
    std::vector<int> hops = HopsFrom(loc);
    int unseen = -1, oldest = -1;
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        int d = hops[(size_t)s];
        if (d < 1) continue;
        int seen = Chart(h, s).SeenDay;
        if (seen == 0) {
            if (unseen < 0 || d < hops[(size_t)unseen]) unseen = s;
        } else if (oldest < 0 || seen < Chart(h, oldest).SeenDay ||
                   (seen == Chart(h, oldest).SeenDay && d < hops[(size_t)oldest])) {
            oldest = s;
        }
    }
    int target = unseen >= 0 ? unseen : oldest;
    if (target < 0) target = Random(Game.Header.SystemCount);
    OrderFleet(h, f, OrderMove, target, -1);
}

static void PlanIdleFleet(int h, int f, int cap)
{
    const TFleet& fl = Game.Fleets[f];
    if (fl.Ships[ShipSeeder] > 0) {
        int t = SettleTarget(h, fl.Loc);
        if (t >= 0) OrderFleet(h, f, OrderSettle, -1, t);
        return;
    }
    if (fl.Ships[ShipSkiff] > 0 && FleetPower(f) < 40) {
        SendScout(h, f);
        return;
    }
    TAttackTarget t = AttackTarget(h, fl.Loc, FleetPower(f));
    bool ordered = false;
    if (t.Target >= 0 && t.Nest)
        ordered = OrderFleet(h, f, OrderMove, t.Target, -1).empty();
    else if (t.Target >= 0 && fl.Troops > 0)
        ordered = OrderFleet(h, f, OrderInvade, -1, t.Target).empty();
    if (!ordered && fl.Loc != cap && OrderFleet(h, f, OrderReturn, -1, -1).empty()) StrSet(Game.Fleets[f].Name, "Reserve");
}

static void SendStrike(int h, int guard, int cap)
{
    const TDifficulty& dif = DifficultyRecord();
    if (Game.Fleets[guard].Loc != cap || Today() < dif.StrikeStartDay) return;
    int64_t power = FleetPower(guard), keep = (int64_t)Today() * 6 + 150;
    if (power * 10 <= dif.StrikeMargin * keep) return;
    TAttackTarget t = AttackTarget(h, cap, (power - keep) * 9 / 10);
    if (t.Target < 0) return;
    const TFleet& g = Game.Fleets[guard];
    if (!t.Nest && g.Troops == 0 && BlockaderAt(h, Game.Worlds[t.Target].System) >= 0) return;
    int counts[7] = {0};
    for (int c = ShipSkiff; c <= ShipSeeder; c++) counts[c] = g.Ships[c] * 6 / 10;
    counts[ShipHauler] = g.Ships[ShipHauler];
    int strike = -1;
    if (!SplitFleet(h, guard, counts, g.Troops, "Strike", &strike).empty()) return;
    TFleet& sf = Game.Fleets[strike];
    sf.Doctrine = DoctrineStrike;
    if (t.Nest)
        OrderFleet(h, strike, OrderMove, t.Target, -1);
    else if (sf.Troops == 0)
        OrderFleet(h, strike, OrderBlockade, Game.Worlds[t.Target].System, -1);
    else
        OrderFleet(h, strike, OrderInvade, -1, t.Target);
}

static void PlanFleets(int h)
{
    int cap = CapitalSystem(h);
    if (cap < 0) return;
    int guard = FirstFleetNamed(h, "Home Guard");
    if (guard >= 0 && Game.Fleets[guard].Loc != cap && Game.Fleets[guard].Dest != cap)
        OrderFleet(h, guard, OrderReturn, -1, -1);
    GatherReserves(h, guard);
    if (guard >= 0 && Game.Fleets[guard].Loc == cap) OrderFleet(h, guard, OrderPatrol, cap, -1);
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Mine(h, f) && Game.Fleets[f].Order == OrderSettle && AtRest(f) && Threat(h, Game.Fleets[f].Loc, -1) > 0)
            OrderFleet(h, f, OrderHold, -1, -1);
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        if (!Mine(h, f) || Game.Fleets[f].Order != OrderBlockade || !AtRest(f)) continue;
        int b = BlockaderAt(h, Game.Fleets[f].Loc);
        if (b >= 0 && b != f && Game.Fleets[b].Loc == Game.Fleets[f].Loc) JoinFleets(h, b, f);
    }
    if (guard >= 0 && Game.Fleets[guard].Loc == cap && Game.Fleets[guard].Troops > 0) SendLanding(h, guard);
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (f != guard && Mine(h, f) && Game.Fleets[f].Order == OrderHold && AtRest(f)) PlanIdleFleet(h, f, cap);
    if (guard >= 0 && Mine(h, guard)) SendStrike(h, guard, cap);
}

static int ShipYard(int h)
{
    int cap = HouseRec(h).Capital;
    if (IsWorld(cap) && Game.Worlds[cap].Owner == h && CountBuildings(cap, BuildShipyard) > 0) return cap;
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == h && CountBuildings(w, BuildShipyard) > 0) return w;
    return -1;
}

static void PlanShips(int h)
{
    const TDifficulty& dif = DifficultyRecord();
    THouse& hr = HouseRec(h);
    int yard = ShipYard(h);
    if (yard < 0) {
        if (hr.Capital != -1) BuildBuilding(h, hr.Capital, BuildShipyard);
        return;
    }
    int s = Game.Worlds[yard].System;
    if (ShipsOf(h, ShipSeeder) < 2 && Today() < 40 && SettleTarget(h, s) >= 0 && hr.Ore >= ShipCost(h, ShipSeeder) + 40)
        BuildShips(h, yard, ShipSeeder, 1);
    if (ShipsOf(h, ShipSkiff) < 3) BuildShips(h, yard, ShipSkiff, 1);
    if (Today() >= dif.HaulerStartDay && TroopsAt(h, s) < 20) BuildShips(h, yard, ShipHauler, 2);
    int64_t spare = hr.Ore - dif.OreReserve;
    if (spare < 1) return;
    if (ResearchLevel(h, TrackIndustry) >= 1 || spare > 400) {
        int64_t n = spare / 3 / ShipCost(h, ShipBreaker);
        if (n > 0) BuildShips(h, yard, ShipBreaker, (int)Min(n, 65535));
        spare = hr.Ore - dif.OreReserve;
    }
    int64_t n = spare / 2 / ShipCost(h, ShipLancer);
    if (n > 0) BuildShips(h, yard, ShipLancer, (int)Min(n, 65535));
    spare = hr.Ore - dif.OreReserve;
    n = spare / ShipCost(h, ShipWarden);
    if (n > 0) BuildShips(h, yard, ShipWarden, (int)Min(n, 65535));
}

void PlanHouse(int h, bool plain)
{
    if (!Playing(h)) return;
    THouse& hr = HouseRec(h);
    if (hr.Computer) hr.LastOnDay = (uint16_t)Today();
    PlanHops = THopMemo();
    PlanHops.Plain = plain;
    if (!plain) BuildThreatTable(h);
    Planned = h;
    PlanResearch(h);
    PlanWorlds(h);
    PlanFleets(h);
    PlanShips(h);
    Planned = 0;   // the tables are this house's, tonight
    PlanHops = THopMemo();
}
