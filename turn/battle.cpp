// Battles: wherever hostile forces meet, up to three volleys fired by every
// side at once, with class matchups, doctrines, Arms research and a spread.
#include <cstring>

#include "core/model.h"
#include "core/random.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/text.h"
#include "core/stores.h"
#include "turn/turn.h"

enum { MaxSides = 12, MaxSideFleets = 60, BattleClasses = UnitHollow + 1 };

struct TSide {
    int House;
    int Fleets[MaxSideFleets];
    int FleetCount;
    int ShieldWorld, NestSystem, RuinWorld;
    int64_t Count[BattleClasses];
    int64_t Loss[BattleClasses];
    int Doctrine;
    int64_t Start;
    bool Out;
    bool Applied;
};

static TSide Sides[MaxSides];
static int SideCount;

// Doctrines outside the table fight as Hold.
static int Doctrine(const TSide& s) { return s.Doctrine == DoctrineStrike || s.Doctrine == DoctrineScreen ? s.Doctrine : DoctrineHold; }

static int64_t Strength(const TSide& s)
{
    int64_t sum = 0;
    for (int t = 0; t < BattleClasses; t++) sum += s.Count[t] * (AttackValue(t) + 5 * HullValue(t));
    return sum;
}

static int64_t AttackOf(const TSide& s)
{
    int64_t sum = 0;
    for (int t = 0; t < BattleClasses; t++) sum += s.Count[t] * AttackValue(t);
    return sum;
}

static int64_t HullOf(const TSide& s)
{
    int64_t sum = 0;
    for (int t = 0; t < BattleClasses; t++) sum += s.Count[t] * HullValue(t);
    return sum;
}

static bool SidesHostile(int a, int b) { return Hostile(Sides[a].House, Sides[b].House); }

static int FindOrAddSide(int house)
{
    for (int i = 0; i < SideCount; i++)
        if (Sides[i].House == house) return i;
    if (SideCount >= MaxSides) return -1;
    TSide& s = Sides[SideCount];
    std::memset(&s, 0, sizeof s);
    s.House = house;
    s.ShieldWorld = s.NestSystem = s.RuinWorld = -1;
    return SideCount++;
}

std::string ShipListText(const int64_t counts[BattleClasses])
{
    std::string out;
    auto part = [&out](const std::string& p) { out += (out.empty() ? "" : ", ") + p; };
    for (int c = 0; c < ShipClasses; c++)
        if (counts[c] > 0) part(IntToText(counts[c]) + " " + ShipName(c) + (counts[c] > 1 ? "s" : ""));
    if (counts[UnitShield] > 0) part(Counted(counts[UnitShield], "shield"));
    if (counts[UnitHollow] > 0) part(IntToText(counts[UnitHollow]) + " strength");
    return out.empty() ? "nothing" : out;
}

// A fleet threatens an independent world only by invading it, any other
// world by being hostile to its owner.
static bool ThreatensWorld(int f, int w)
{
    const TFleet& fl = Game.Fleets[f];
    int owner = Game.Worlds[w].Owner;
    if (owner == HouseIndependents) return fl.Order == OrderInvade && fl.Target == w;
    return Hostile(fl.House, owner);
}

static bool GatherSides(int s)
{
    SideCount = 0;
    int64_t best[MaxSides] = {0};
    std::vector<int> here;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House != 0 && Game.Fleets[f].Loc == s) here.push_back(f);
    for (int f : here) {
        const TFleet& fl = Game.Fleets[f];
        if (ShipTotal(f) < 1) continue;
        int i = FindOrAddSide(fl.House);
        if (i < 0 || Sides[i].FleetCount >= MaxSideFleets) continue;
        TSide& side = Sides[i];
        side.Fleets[side.FleetCount++] = f;
        for (int c = 0; c < ShipClasses; c++) side.Count[c] += fl.Ships[c];
        if (FleetPower(f) > best[i]) {
            best[i] = FleetPower(f);
            side.Doctrine = fl.Doctrine;
        }
    }
    if (SideCount == 0) return false;
    const TSystem& sys = Game.Systems[s];
    for (int w = sys.FirstWorld; w < sys.FirstWorld + sys.WorldCount; w++) {
        const TWorld& wd = Game.Worlds[w];
        if (wd.Owner == 0 || wd.Shield < 1) continue;
        bool threatened = false;
        for (int f : here) threatened |= ThreatensWorld(f, w);
        if (!threatened) continue;
        int i = FindOrAddSide(wd.Owner);
        if (i < 0) continue;
        Sides[i].Count[UnitShield] += wd.Shield;
        if (Sides[i].ShieldWorld < 0) Sides[i].ShieldWorld = w;
    }
    bool houseHere = false;
    for (int i = 0; i < SideCount; i++) houseHere |= Sides[i].House != HouseHollow;
    if (sys.NestStrength > 0 && houseHere) {
        int i = FindOrAddSide(HouseHollow);
        if (i >= 0) {
            Sides[i].Count[UnitHollow] += sys.NestStrength;
            Sides[i].NestSystem = s;
        }
    }
    for (int w = sys.FirstWorld; w < sys.FirstWorld + sys.WorldCount; w++) {
        const TWorld& wd = Game.Worlds[w];
        if (wd.Kind != KindRuin || wd.Guard < 1) continue;
        bool landing = false;
        for (int f : here)
            landing |= (Game.Fleets[f].Order == OrderInvade || Game.Fleets[f].Order == OrderSettle) &&
                       Game.Fleets[f].Target == w;
        if (!landing) continue;
        int i = FindOrAddSide(HouseHollow);
        if (i >= 0 && Sides[i].RuinWorld < 0) {
            Sides[i].Count[UnitHollow] += wd.Guard;
            Sides[i].RuinWorld = w;
        }
    }
    for (int i = 0; i < SideCount; i++) Sides[i].Start = Strength(Sides[i]);
    return true;
}

static bool FightNeeded()
{
    for (int a = 0; a < SideCount; a++)
        for (int b = a + 1; b < SideCount; b++)
            if (!Sides[a].Out && !Sides[b].Out && SidesHostile(a, b) &&
                (AttackOf(Sides[a]) > 0 || AttackOf(Sides[b]) > 0))
                return true;
    return false;
}

static int64_t Weight(const TSide& b, int t, bool screened)
{
    int64_t w = HullValue(t) * b.Count[t] * 100;
    if ((t == ShipHauler || t == ShipSeeder) && screened && Doctrine(b) == DoctrineScreen) w /= 3;
    if (t == ShipWarden && Doctrine(b) == DoctrineHold) w = w * 3 / 2;
    return w;
}

static void Volley()
{
    int64_t damage[MaxSides][BattleClasses];
    std::memset(damage, 0, sizeof damage);
    for (int a = 0; a < SideCount; a++) {
        const TSide& A = Sides[a];
        if (A.Out || AttackOf(A) <= 0) continue;
        int64_t hull = 0;
        for (int b = 0; b < SideCount; b++)
            if (b != a && !Sides[b].Out && SidesHostile(a, b)) hull += HullOf(Sides[b]);
        if (hull == 0) continue;
        int arms = IsHouse(A.House) ? ResearchLevel(A.House, TrackArms) : 0;
        for (int b = 0; b < SideCount; b++) {
            const TSide& B = Sides[b];
            if (b == a || B.Out || !SidesHostile(a, b)) continue;
            bool screened = false;
            for (int t = 0; t < BattleClasses; t++)
                if (t != ShipHauler && t != ShipSeeder && B.Count[t] > 0) screened = true;
            int64_t w[BattleClasses], total = 0;
            for (int t = 0; t < BattleClasses; t++) total += w[t] = Weight(B, t, screened);
            if (total == 0) continue;
            int64_t hB = HullOf(B);
            for (int t = 0; t < BattleClasses; t++) {
                if (w[t] <= 0) continue;
                int64_t raw = 0;
                for (int c = 0; c < BattleClasses; c++)
                    if (A.Count[c] > 0) raw += A.Count[c] * AttackValue(c) * ClassFactor(c, t) / 100;
                int64_t x = MulDiv(raw, hB, hull);
                x = MulDiv(x, w[t], total);
                x = x * DealtFactor(Doctrine(A)) / 100;
                x = x * TakenFactor(Doctrine(B)) / 100;
                x = x * (100 + 10 * arms) / 100;
                x = Vary(x, 15);
                int hv = HullValue(t) * 10;
                int64_t kills = x / hv;
                if (Random(hv) < x % hv) kills++;
                damage[b][t] += kills;
            }
        }
    }
    for (int b = 0; b < SideCount; b++)
        for (int t = 0; t < BattleClasses; t++) {
            int64_t k = Min(damage[b][t], Sides[b].Count[t]);
            Sides[b].Count[t] -= k;
            Sides[b].Loss[t] += k;
        }
}

static void ApplyLosses(TSide& side)
{
    if (side.Applied) return;
    side.Applied = true;
    for (int c = 0; c < ShipClasses; c++) {
        int64_t left = side.Loss[c];
        for (int i = 0; i < side.FleetCount && left > 0; i++) {
            TFleet& fl = Game.Fleets[side.Fleets[i]];
            int64_t take = Min(left, fl.Ships[c]);
            fl.Ships[c] = (uint16_t)(fl.Ships[c] - take);
            left -= take;
        }
    }
    int capacity = ShipClassTable[ShipHauler].Capacity;
    for (int i = 0; i < side.FleetCount; i++) {
        int f = side.Fleets[i];
        TFleet& fl = Game.Fleets[f];
        if (fl.Troops > fl.Ships[ShipHauler] * capacity) fl.Troops = (uint16_t)(fl.Ships[ShipHauler] * capacity);
        if (ShipTotal(f) == 0) FreeFleet(f);
    }
    if (side.Loss[UnitShield] > 0 && side.ShieldWorld >= 0) {
        int64_t left = side.Loss[UnitShield];
        const TSystem& sys = Game.Systems[Game.Worlds[side.ShieldWorld].System];
        for (int w = side.ShieldWorld; w < sys.FirstWorld + sys.WorldCount && left > 0; w++) {
            TWorld& wd = Game.Worlds[w];
            if (wd.Owner != side.House) continue;
            int64_t take = Min(left, Max(0, wd.Shield));
            wd.Shield = (int16_t)(wd.Shield - take);
            left -= take;
        }
    }
    int64_t left = side.Loss[UnitHollow];
    if (side.NestSystem >= 0) {
        TSystem& sys = Game.Systems[side.NestSystem];
        int64_t take = Min(left, sys.NestStrength);
        sys.NestStrength = (uint8_t)(sys.NestStrength - take);
        left -= take;
    }
    if (side.RuinWorld >= 0 && left > 0) {
        TWorld& wd = Game.Worlds[side.RuinWorld];
        wd.Guard = (int16_t)Max(0, wd.Guard - left);
    }
}

static void Withdraw(TEventWriter& ev, const TSide& side)
{
    for (int i = 0; i < side.FleetCount; i++) {
        int f = side.Fleets[i];
        TFleet& fl = Game.Fleets[f];
        if (fl.House == 0 || FleetMoveSpeed(f) <= 0) continue;
        int target = -1;
        if (IsHouse(fl.House) && CapitalSystem(fl.House) != -1) target = NextHop(fl.Loc, CapitalSystem(fl.House));
        if (target == -1) {
            std::vector<int> around = Neighbours(fl.Loc);
            if (!around.empty()) target = around[(size_t)Random((int)around.size())];
        }
        if (target == -1) continue;
        fl.Loc = (int16_t)target;
        fl.Order = OrderHold;
        fl.Dest = -1;
        if (IsHouse(fl.House)) AddEvent(ev, fl.House, EventBattle, StrGet(fl.Name) + " fell back to " + SystemName(target) + ".");
    }
}

static void AfterVolley(TEventWriter& ev)
{
    for (int i = 0; i < SideCount; i++) {
        TSide& side = Sides[i];
        if (side.Out || side.FleetCount == 0) continue;
        int64_t strength = Strength(side);
        if (strength == 0) {
            side.Out = true;
            continue;
        }
        int64_t enemy = 0;
        for (int j = 0; j < SideCount; j++)
            if (j != i && !Sides[j].Out && SidesHostile(i, j)) enemy += Strength(Sides[j]);
        if (enemy <= 0) continue;
        bool screenBack = Doctrine(side) == DoctrineScreen && strength * 100 < enemy * 60;
        if (screenBack || strength * 3 < side.Start) {
            ApplyLosses(side);
            Withdraw(ev, side);
            side.Out = true;
        }
    }
}

static bool LostShips(const TSide& side)
{
    for (int c = 0; c < ShipClasses; c++)
        if (side.Loss[c] > 0) return true;
    return false;
}

static void Report(TEventWriter& ev, int s)
{
    std::string where = SystemName(s);
    int losers = 0;
    for (int i = 0; i < SideCount; i++) {
        const TSide& side = Sides[i];
        if (!IsHouse(side.House)) continue;
        losers += LostShips(side);
        std::string opponents;
        for (int j = 0; j < SideCount; j++)
            if (j != i && SidesHostile(i, j)) opponents += (opponents.empty() ? "" : " and ") + HouseName(Sides[j].House);
        AddEvent(ev, side.House, EventBattle, "Battle at " + where + " against " + opponents + ".");
        AddEvent(ev, side.House, EventBattle, "  You lost: " + ShipListText(side.Loss) + ".");
        for (int j = 0; j < SideCount; j++)
            if (j != i && SidesHostile(i, j))
                AddEvent(ev, side.House, EventBattle,
                         "  " + CapitalFirst(HouseName(Sides[j].House)) + " lost: " + ShipListText(Sides[j].Loss) + ".");
    }
    if (losers >= 2) AddNews(ev, "Battle at " + where + ".");
    for (int i = 0; i < SideCount; i++) {
        const TSide& side = Sides[i];
        if (side.House != HouseHollow || side.NestSystem < 0) continue;
        TSystem& sys = Game.Systems[side.NestSystem];
        if (sys.NestStrength != 0) continue;
        sys.Flags &= (uint8_t)~SysNest;
        for (int j = 0; j < SideCount; j++) {
            if (!IsHouse(Sides[j].House)) continue;
            THouse& hr = HouseRec(Sides[j].House);
            if (hr.NestsDestroyed < 255) hr.NestsDestroyed++;
            AddEvent(ev, Sides[j].House, EventHollow, "The Hollow nest at " + SystemName(side.NestSystem) + " is destroyed!");
        }
        AddNews(ev, "The Hollow nest at " + SystemName(side.NestSystem) + " has been destroyed.");
    }
}

static void FightAt(TEventWriter& ev, int s)
{
    if (!GatherSides(s) || !FightNeeded()) return;
    for (int v = 0; v < 3 && FightNeeded(); v++) {
        Volley();
        AfterVolley(ev);
    }
    for (int i = 0; i < SideCount; i++) ApplyLosses(Sides[i]);
    Report(ev, s);
}

void FightBattles(TNight& night)
{
    TEventWriter& ev = night.Events;
    for (int s = 0; s < Game.Header.SystemCount; s++) FightAt(ev, s);
}
