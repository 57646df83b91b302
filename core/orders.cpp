#include "core/orders.h"

#include <climits>

#include "core/model.h"
#include "core/rules.h"
#include "core/text.h"

// No stored count may wrap: a ship order or a fleet holds at most this many.
static const int CountLimit = 65535;

static bool OwnsWorld(int h, int w) { return IsHouse(h) && IsWorld(w) && Game.Worlds[w].Owner == h; }
static bool OwnsFleet(int h, int f) { return IsHouse(h) && IsFleet(f) && Game.Fleets[f].House == h; }

static void AddOre(int h, int64_t amount)
{
    HouseRec(h).Ore = (int32_t)Clamp(HouseRec(h).Ore + amount, INT32_MIN, INT32_MAX);
}

int SlotCount(int w)
{
    if (!IsWorld(w)) return 0;
    const TWorld& wd = Game.Worlds[w];
    int slots = wd.Slots;
    if (IsHouse(wd.Owner) && ResearchLevel(wd.Owner, TrackIndustry) >= 3 && wd.Kind != KindGasGiant) slots++;
    return slots > MaxBuildingSlots ? MaxBuildingSlots : slots;
}

int FreeSlots(int w)
{
    if (!IsWorld(w)) return 0;
    int free = 0;
    for (int i = 0; i < SlotCount(w); i++) free += Game.Worlds[w].Buildings[i] == BuildNone;
    for (int b = 0; b < Game.Header.BuildCount; b++)
        if (Game.Builds[b].World == w && Game.Builds[b].Item >= BuildItemBuilding) free--;
    return free;
}

static std::string NotEnoughOre(int64_t cost) { return "Not enough ore (" + IntToText(cost) + " needed)."; }

// The count an existing ship order of this house, world and class already has.
static int QueuedShips(int h, int w, int c)
{
    for (int b = 0; b < Game.Header.BuildCount; b++) {
        const TBuildOrder& bo = Game.Builds[b];
        if (bo.House == h && bo.World == w && bo.Item == c) return bo.Count;
    }
    return 0;
}

std::string BuildShips(int h, int w, int c, int n)
{
    if (!OwnsWorld(h, w)) return "That is not your world.";
    if (c < 0 || c > 6) return "No such ship.";
    if (n < 1) return "Nothing to build.";
    if (CountBuildings(w, BuildShipyard) < 1) return "That world has no shipyard.";
    int64_t cost = ShipCost(h, c) * (int64_t)n;
    if (cost > HouseRec(h).Ore) return NotEnoughOre(cost);
    if ((int64_t)QueuedShips(h, w, c) + n > CountLimit) return "One order can hold at most 65535 ships.";
    if (!AddBuildOrder(h, w, c, n)) return "The build queue is full.";
    AddOre(h, -cost);
    return "";
}

std::string BuildingRefusal(int h, int w)
{
    if (!OwnsWorld(h, w)) return "That is not your world.";
    if (Game.Worlds[w].Kind == KindGasGiant) return "Nothing can be built on a gas giant station.";
    if (FreeSlots(w) < 1) return "That world has no free building slots.";
    return "";
}

std::string BuildBuilding(int h, int w, int k)
{
    if (!OwnsWorld(h, w)) return "That is not your world.";
    if (k < 1 || k > 6) return "No such building.";
    std::string refusal = BuildingRefusal(h, w);
    if (!refusal.empty()) return refusal;
    int64_t cost = BuildingCost(h, k);
    if (cost > HouseRec(h).Ore) return NotEnoughOre(cost);
    if (!AddBuildOrder(h, w, BuildingItem(k), 1)) return "The build queue is full.";
    AddOre(h, -cost);
    return "";
}

bool AddBuildOrder(int h, int w, int item, int n)
{
    if (item < 100)
        for (int b = 0; b < Game.Header.BuildCount; b++) {
            TBuildOrder& bo = Game.Builds[b];
            if (bo.House == h && bo.World == w && bo.Item == item) {
                if ((int64_t)bo.Count + n > CountLimit) return false;
                bo.Count = (uint16_t)(bo.Count + n);
                return true;
            }
        }
    if (Game.Header.BuildCount >= MaxBuilds || n < 1 || n > CountLimit) return false;
    TBuildOrder& bo = Game.Builds[Game.Header.BuildCount++];
    bo.House = (uint8_t)h;
    bo.Item = (uint8_t)item;
    bo.World = (int16_t)w;
    bo.Count = (uint16_t)n;
    return true;
}

std::string CancelBuild(int h, int i)
{
    if (!IsHouse(h) || !IsBuild(i) || Game.Builds[i].House != h) return "No such order.";
    const TBuildOrder& bo = Game.Builds[i];
    // Refunded at today's prices.
    int64_t refund = bo.Item < BuildItemBuilding ? ShipCost(h, bo.Item) * bo.Count : BuildingCost(h, bo.Item - BuildItemBuilding);
    AddOre(h, refund);
    Game.Builds[i] = Game.Builds[Game.Header.BuildCount - 1];
    Game.Header.BuildCount--;
    return "";
}

std::string SetFocus(int h, int w, int focus)
{
    if (!OwnsWorld(h, w)) return "That is not your world.";
    if (focus < 0 || focus > 4) return "No such focus.";
    Game.Worlds[w].Focus = (uint8_t)focus;
    return "";
}

std::string SetResearch(int h, int t)
{
    if (t < 0 || t > 3) return "No such research track.";
    if (!IsHouse(h)) return "No such research track.";
    THouse& hr = HouseRec(h);
    if (hr.Research[t] >= MaxResearchLevel) return "That track is already complete.";
    hr.ResPoints = (uint16_t)(hr.ResPoints - ResearchPointsLost(h, t));
    hr.ResTrack = (uint8_t)t;
    return "";
}

int ResearchPointsLost(int h, int t)
{
    if (!IsHouse(h)) return 0;
    const THouse& hr = HouseRec(h);
    // Half the progress (rounded down) is kept on every change of track.
    return t == hr.ResTrack ? 0 : hr.ResPoints - hr.ResPoints / 2;
}

std::string InvasionRefusal(int h, int w)
{
    if (!IsWorld(w)) return "Pick a world.";
    int holder = Game.Worlds[w].Owner;
    if (holder == h) return WorldName(w) + " is already yours.";
    if (holder == HouseNobody) return WorldName(w) + " is unclaimed; settle it with a Seeder.";
    if (IsHouse(holder) && AtPeace(h, holder))
        return "You are at peace with " + HouseName(holder) + "; the invasion is called off.";
    return "";
}

std::string SettleRefusal(int h, int w)
{
    if (!IsWorld(w)) return "Pick a world.";
    int holder = Game.Worlds[w].Owner;
    if (holder == h) return WorldName(w) + " is already yours.";
    if (holder != HouseNobody) return WorldName(w) + " is already held by " + HouseName(holder) + ".";
    return "";
}

// The fleet of house h other than `except` called `name` (in any letter
// case), or -1.
static int FleetNamed(int h, const std::string& name, int except)
{
    for (int g = 0; g < Game.Header.FleetCount; g++)
        if (g != except && Game.Fleets[g].House == h && SameText(StrGet(Game.Fleets[g].Name), name)) return g;
    return -1;
}

std::string FleetNameRefusal(int h, const std::string& name, int except)
{
    int other = FleetNamed(h, name.substr(0, FleetNameMax), except);
    return other < 0 ? "" : "Another of your fleets is called " + StrGet(Game.Fleets[other].Name) + ".";
}

std::string FreeFleetName(int h, const std::string& base)
{
    std::string name = base;
    for (int n = 2; FleetNamed(h, name, -1) >= 0 && n <= MaxFleets; n++) name = base + " " + IntToText(n);
    return name;
}

std::string LandingRefusal(int h, int f, int order, int target)
{
    if (!IsWorld(target)) return "Pick a world.";
    const TFleet& fl = Game.Fleets[f];
    if (order == OrderInvade) {
        if (std::string refusal = InvasionRefusal(h, target); !refusal.empty()) return refusal;
        if (fl.Troops == 0 && Game.Worlds[target].Kind != KindRuin) return "Invading needs Haulers carrying troops.";
    } else if (order == OrderSettle) {
        if (fl.Ships[ShipSeeder] == 0) return "Settling needs a Seeder in the fleet.";
        if (std::string refusal = SettleRefusal(h, target); !refusal.empty()) return refusal;
    }
    return "";
}

std::string OrderFleet(int h, int f, int order, int s, int target)
{
    if (!OwnsFleet(h, f)) return "That is not your fleet.";
    if (order < 0 || order > 7) return "No such order.";
    bool toSystem = order == OrderMove || order == OrderPatrol || order == OrderBlockade;
    if (toSystem && !IsSystem(s)) return "Pick a system.";
    TFleet& fl = Game.Fleets[f];
    if (FleetSpeed(f) == 0 && !((order == OrderHold || order == OrderPatrol) && (s < 0 || s == fl.Loc)))
        return "Outposts can't move.";
    int dest = -1;
    switch (order) {
    case OrderMove:
    case OrderPatrol:
    case OrderBlockade:
        dest = s;
        break;
    case OrderInvade:
    case OrderSettle:
        if (std::string refusal = LandingRefusal(h, f, order, target); !refusal.empty()) return refusal;
        dest = Game.Worlds[target].System;
        break;
    case OrderReturn:
        dest = CapitalSystem(h);
        break;
    case OrderEscort:
        if (!IsFleet(target) || target == f || Game.Fleets[target].House == 0 ||
            !AtPeace(h, Game.Fleets[target].House))
            return "Pick a friendly fleet.";
        dest = Game.Fleets[target].Loc;
        break;
    }
    fl.Order = (uint8_t)order;
    fl.Dest = (int16_t)dest;
    fl.Target = (int16_t)Clamp(target, INT16_MIN, INT16_MAX);
    return "";
}

std::string SetDoctrine(int h, int f, int d)
{
    if (!OwnsFleet(h, f)) return "That is not your fleet.";
    if (d < 0 || d > 2) return "No such doctrine.";
    Game.Fleets[f].Doctrine = (uint8_t)d;
    return "";
}

std::string SplitFleet(int h, int f, const int counts[7], int troops, const std::string& name, int* newFleet)
{
    if (newFleet) *newFleet = -1;
    if (!OwnsFleet(h, f)) return "That is not your fleet.";
    TFleet& fl = Game.Fleets[f];
    for (int c = 0; c < ShipClasses; c++)
        if (counts[c] > fl.Ships[c]) return "The fleet doesn't have that many " + ShipName(c) + "s.";
    bool any = false, negative = false;
    for (int c = 0; c < ShipClasses; c++) {
        any |= counts[c] > 0;
        negative |= counts[c] < 0;
    }
    if (!any || negative) return "Pick some ships.";
    if (troops < 0 || troops > fl.Troops) return "The fleet doesn't carry that many troops.";
    int capacity = ShipClassTable[ShipHauler].Capacity;
    if ((int64_t)counts[ShipHauler] * capacity < troops) return "Not enough Haulers to carry the troops.";
    if ((int64_t)(fl.Ships[ShipHauler] - counts[ShipHauler]) * capacity < fl.Troops - troops)
        return "Not enough Haulers left to carry the troops that stay.";
    int n = NewFleet(h, fl.Loc, name);
    if (n < 0) return "Too many fleets in the game.";
    TFleet& nf = Game.Fleets[n];
    for (int c = 0; c < ShipClasses; c++) {
        nf.Ships[c] = (uint16_t)counts[c];
        fl.Ships[c] = (uint16_t)(fl.Ships[c] - counts[c]);
    }
    nf.Troops = (uint16_t)troops;
    fl.Troops = (uint16_t)(fl.Troops - troops);
    nf.Doctrine = fl.Doctrine;
    if (ShipTotal(f) == 0) FreeFleet(f);
    if (newFleet) *newFleet = n;
    return "";
}

std::string JoinFleets(int h, int a, int b)
{
    if (!OwnsFleet(h, a) || !OwnsFleet(h, b) || a == b) return "Pick two of your fleets.";
    TFleet &fa = Game.Fleets[a], &fb = Game.Fleets[b];
    if (fa.Loc != fb.Loc) return "The fleets must be in the same system.";
    for (int c = 0; c < ShipClasses; c++)
        if ((int)fa.Ships[c] + fb.Ships[c] > CountLimit) return "That would exceed 65535 ships of a class.";
    if ((int)fa.Troops + fb.Troops > CountLimit) return "That would exceed 65535 troops.";
    for (int c = 0; c < ShipClasses; c++) fa.Ships[c] = (uint16_t)(fa.Ships[c] + fb.Ships[c]);
    fa.Troops = (uint16_t)(fa.Troops + fb.Troops);
    FreeFleet(b);
    return "";
}

std::string CancelListedBuild(int h, int i, int world, int item, int count)
{
    if (!IsHouse(h) || !IsBuild(i)) return "That order has changed; look again.";
    const TBuildOrder& bo = Game.Builds[i];
    if (bo.House != h || bo.World != world || bo.Item != item || bo.Count != count)
        return "That order has changed; look again.";
    return CancelBuild(h, i);
}

std::string RenameFleet(int h, int f, const std::string& name)
{
    if (!OwnsFleet(h, f)) return "That fleet is gone.";
    if (name.empty()) return "Pick a name.";
    if (name.find('`') != std::string::npos) return "Fleet names can't hold colour codes.";
    std::string kept = name.substr(0, FleetNameMax);
    if (std::string refusal = FleetNameRefusal(h, kept, f); !refusal.empty()) return refusal;
    StrSet(Game.Fleets[f].Name, kept);
    return "";
}
