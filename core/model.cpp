#include "core/model.h"

#include <cstring>

#include "core/rules.h"
#include "core/text.h"

TGame Game;

// The records are the file format: every size and offset is fixed.
#define AT(T, f, o) static_assert(offsetof(T, f) == (o), #T "." #f)
static_assert(sizeof(TGameHeader) == 165);
AT(TGameHeader, Version, 4); AT(TGameHeader, Day, 6); AT(TGameHeader, LastDay, 8);
AT(TGameHeader, JoinDays, 10); AT(TGameHeader, MaxHouses, 12); AT(TGameHeader, SystemsPerHouse, 13);
AT(TGameHeader, Victories, 14); AT(TGameHeader, Hollow, 15); AT(TGameHeader, Seed, 16);
AT(TGameHeader, SystemCount, 20); AT(TGameHeader, LaneCount, 22); AT(TGameHeader, WorldCount, 24);
AT(TGameHeader, FleetCount, 26); AT(TGameHeader, BuildCount, 28); AT(TGameHeader, ExchangeSystem, 30);
AT(TGameHeader, Price, 32); AT(TGameHeader, DominionDays, 38); AT(TGameHeader, DominionHouse, 39);
AT(TGameHeader, Ended, 40); AT(TGameHeader, Winner, 41); AT(TGameHeader, GameName, 42);
AT(TGameHeader, Unused1, 82); AT(TGameHeader, AutopilotAfter, 99); AT(TGameHeader, DissolveAfter, 100);
AT(TGameHeader, WinKind, 101); AT(TGameHeader, FameWritten, 102); AT(TGameHeader, PeaceDays, 103);
AT(TGameHeader, Difficulty, 104); AT(TGameHeader, Unused2, 105);

static_assert(sizeof(THouse) == 112);
AT(THouse, Computer, 1); AT(THouse, Name, 2); AT(THouse, Player, 26); AT(THouse, FirstCall, 62); AT(THouse, HomeWorld, 63);
AT(THouse, Capital, 65); AT(THouse, Ore, 67); AT(THouse, Fuel, 71); AT(THouse, Influence, 75);
AT(THouse, Research, 79); AT(THouse, ResTrack, 83); AT(THouse, ResPoints, 84); AT(THouse, Score, 86);
AT(THouse, JoinedDay, 90); AT(THouse, LastOnDay, 92); AT(THouse, Colour, 94);
AT(THouse, NestsDestroyed, 95); AT(THouse, Unused2, 96);

static_assert(sizeof(TRelation) == 8);
AT(TRelation, Offer, 1); AT(TRelation, NoticeDay, 2); AT(TRelation, Tribute, 4);

static_assert(sizeof(TSystem) == 28);
AT(TSystem, X, 16); AT(TSystem, Y, 18); AT(TSystem, Star, 20); AT(TSystem, Flags, 21);
AT(TSystem, FirstWorld, 22); AT(TSystem, WorldCount, 24); AT(TSystem, NestStrength, 25);

static_assert(sizeof(TLane) == 6);
AT(TLane, B, 2); AT(TLane, State, 4);

static_assert(sizeof(TWorld) == 31);
AT(TWorld, Kind, 2); AT(TWorld, Owner, 3); AT(TWorld, Pop, 4); AT(TWorld, MaxPop, 8);
AT(TWorld, Focus, 12); AT(TWorld, Loyalty, 13); AT(TWorld, Slots, 14); AT(TWorld, Buildings, 15);
AT(TWorld, Shield, 21); AT(TWorld, Garrison, 23); AT(TWorld, Relic, 25); AT(TWorld, Unrest, 26);
AT(TWorld, Guard, 27); AT(TWorld, Blockaded, 29);

static_assert(sizeof(TFleet) == 43);
AT(TFleet, Name, 1); AT(TFleet, Loc, 17); AT(TFleet, Dest, 19); AT(TFleet, Order, 21);
AT(TFleet, Doctrine, 22); AT(TFleet, Target, 23); AT(TFleet, Ships, 25); AT(TFleet, Troops, 39);
AT(TFleet, MoveFlags, 41);

static_assert(sizeof(TBuildOrder) == 6);
AT(TBuildOrder, Item, 1); AT(TBuildOrder, World, 2); AT(TBuildOrder, Count, 4);

static_assert(sizeof(TChartEntry) == 3);
AT(TChartEntry, SeenOwner, 2);
#undef AT

// The tables at their full capacities.
static_assert(sizeof(Game.Houses) == 2800 && sizeof(Game.Relations) == 5000);
static_assert(sizeof(Game.Systems) == 8400 && sizeof(Game.Lanes) == 6000);
static_assert(sizeof(Game.Worlds) == 31000 && sizeof(Game.Fleets) == 43000);
static_assert(sizeof(Game.Builds) == 3600 && sizeof(Game.Charts) == 22500);

void ResetGame()
{
    std::memset(&Game, 0, sizeof Game);
    std::memcpy(Game.Header.Magic, "YVRN", 4);
    Game.Header.Version = 1;
}

std::string HouseName(int h)
{
    if (h == HouseNobody) return "nobody";
    if (h == HouseHollow) return "the Hollow";
    if (h == HouseIndependents) return "independents";
    if (!IsHouse(h)) return "?";
    return StrGet(HouseRec(h).Name);
}

std::string WorldName(int w)
{
    if (!IsWorld(w)) return "?";
    int s = Game.Worlds[w].System;
    if (!IsSystem(s)) return "?";
    const TSystem& sys = Game.Systems[s];
    std::string name = StrGet(sys.Name);
    if (sys.WorldCount > 1) {
        int place = ((w - sys.FirstWorld) % 6 + 6) % 6;
        name += " " + std::string(RomanNumerals[place]);
    }
    return name;
}

bool AtRest(int f)
{
    if (!IsFleet(f)) return true;
    const TFleet& fl = Game.Fleets[f];
    return fl.Dest < 0 || fl.Dest == fl.Loc;
}

int ShipTotal(int f)
{
    if (!IsFleet(f)) return 0;
    int total = 0;
    for (int c = 0; c < ShipClasses; c++) total += Game.Fleets[f].Ships[c];
    return total;
}

int FleetSpeed(int f)
{
    if (!IsFleet(f)) return 0;
    int speed = -1;
    for (int c = 0; c < ShipClasses; c++)
        if (Game.Fleets[f].Ships[c] > 0 && (speed < 0 || ShipClassTable[c].Speed < speed))
            speed = ShipClassTable[c].Speed;
    return speed < 0 ? 0 : speed;
}

bool AtPeace(int a, int b)
{
    if (a == b) return true;
    if (!IsHouse(a) || !IsHouse(b)) return false;
    return (Relation(a, b).Treaties & (TreatyPeace | TreatyAlliance)) != 0;
}

bool Allied(int a, int b)
{
    if (a == b) return true;
    if (!IsHouse(a) || !IsHouse(b)) return false;
    return (Relation(a, b).Treaties & TreatyAlliance) != 0;
}

bool Hostile(int a, int b)
{
    if (a == 0 || b == 0 || a == b) return false;
    return !AtPeace(a, b);
}

int SystemOwner(int s)
{
    if (!IsSystem(s)) return 0;
    const TSystem& sys = Game.Systems[s];
    int owner = 0;
    int32_t best = 0;
    for (int i = 0; i < sys.WorldCount; i++) {
        int w = sys.FirstWorld + i;
        if (!IsWorld(w)) break;
        const TWorld& wd = Game.Worlds[w];
        if (wd.Owner != 0 && (owner == 0 || wd.Pop > best)) {
            owner = wd.Owner;
            best = wd.Pop;
        }
    }
    return owner;
}

int NewFleet(int house, int system, const std::string& name)
{
    int f = 0;
    while (f < Game.Header.FleetCount && Game.Fleets[f].House != 0) f++;
    if (f == Game.Header.FleetCount) {
        if (Game.Header.FleetCount >= MaxFleets) return -1;
        Game.Header.FleetCount++;
    }
    TFleet& fl = Game.Fleets[f];
    std::memset(&fl, 0, sizeof fl);
    fl.House = (uint8_t)house;
    StrSet(fl.Name, name);
    fl.Loc = (int16_t)system;
    fl.Dest = -1;
    fl.Target = -1;
    fl.Doctrine = DoctrineHold;
    fl.Order = OrderHold;
    return f;
}

void FreeFleet(int f)
{
    if (!IsFleet(f)) return;
    Game.Fleets[f].House = 0;
    for (int g = 0; g < Game.Header.FleetCount; g++) {
        TFleet& other = Game.Fleets[g];
        if (other.House != 0 && other.Order == OrderEscort && other.Target == f) other.Target = -1;
    }
}

int CountBuildings(int w, int kind)
{
    if (!IsWorld(w)) return 0;
    int n = 0;
    for (int i = 0; i < MaxBuildingSlots; i++)
        if (Game.Worlds[w].Buildings[i] == kind) n++;
    return n;
}

int LaneOther(int l, int s)
{
    if (!IsLane(l)) return -1;
    return Game.Lanes[l].A != s ? Game.Lanes[l].A : Game.Lanes[l].B;
}

bool LanePassable(int l)
{
    return IsLane(l) && (Game.Lanes[l].State == LaneOpen || Game.Lanes[l].State == LaneClosing);
}

int FindLane(int a, int b)
{
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        const TLane& ln = Game.Lanes[l];
        if ((ln.A == a && ln.B == b) || (ln.A == b && ln.B == a)) return l;
    }
    return -1;
}

int LaneDegree(int s, bool onlyOpenOrOpening)
{
    int n = 0;
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        const TLane& ln = Game.Lanes[l];
        if (ln.A != s && ln.B != s) continue;
        if (!onlyOpenOrOpening || ln.State == LaneOpen || ln.State == LaneOpening) n++;
    }
    return n;
}

int FindHouseByPlayer(const std::string& name)
{
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (HouseRec(h).Status != StatusFree && SameText(StrGet(HouseRec(h).Player), name)) return h;
    return -1;
}

int CapitalSystem(int h)
{
    if (!IsHouse(h)) return -1;
    int w = HouseRec(h).Capital;
    if (!IsWorld(w) || Game.Worlds[w].Owner != h) return -1;
    return IsSystem(Game.Worlds[w].System) ? Game.Worlds[w].System : -1;
}

int ResearchLevel(int h, int track)
{
    if (!IsHouse(h) || track < 0 || track >= ResearchTracks) return 0;
    int level = HouseRec(h).Research[track];
    return level > MaxResearchLevel ? MaxResearchLevel : level;
}

std::string SystemName(int s) { return IsSystem(s) ? StrGet(Game.Systems[s].Name) : "?"; }

std::string MapMark()
{
    std::string map;
    for (int i = 0; i < Game.Header.SystemCount && i < MaxSystems; i++)
        map += StrGet(Game.Systems[i].Name) + "@" + IntToText(Game.Systems[i].X) + "," + IntToText(Game.Systems[i].Y) + ";";
    return map;
}

bool Known(int h, int s) { return IsHouse(h) && IsSystem(s) && Chart(h, s).SeenDay != 0; }

bool SeenNow(int h, int s) { return Known(h, s) && (int)Chart(h, s).SeenDay >= (int)Game.Header.Day - 1; }
