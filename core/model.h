// The one game state of a process: a fixed header and eight tables of packed
// little-endian records.  The byte layout of every record is at the same time
// the layout of THYRE.DAT, so the tables are read and written as they stand.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

static_assert(std::endian::native == std::endian::little,
              "records are stored as little-endian memory images");

// Limits of the tables and of the names inside records.
enum {
    MaxHouseSlots = 25,
    MaxSystems = 300,
    MaxLanes = 1000,
    MaxWorlds = 1000,
    MaxFleets = 1000,
    MaxBuilds = 600,
    MaxWorldsPerSystem = 6,
    MaxBuildingSlots = 6,
    ResearchTracks = 4,
    MaxResearchLevel = 4,
    ShipClasses = 7,
    RelicCount = 12,
};

// House numbers beyond the 25 house slots.
enum { HouseNobody = 0, HouseHollow = 26, HouseIndependents = 27 };

enum { StatusFree = 0, StatusActive = 1, StatusAutopilot = 2, StatusOut = 3 };
enum { KindTemperate = 0, KindRock = 1, KindGasGiant = 2, KindIce = 3, KindRuin = 4 };
enum { FocusBalanced = 0, FocusMining = 1, FocusFuel = 2, FocusGrowth = 3, FocusDefence = 4 };
enum { BuildNone = 0, BuildMine = 1, BuildRefinery = 2, BuildShipyard = 3, BuildShield = 4,
       BuildBarracks = 5, BuildAcademy = 6 };
enum { ShipSkiff = 0, ShipLancer = 1, ShipWarden = 2, ShipBreaker = 3, ShipHauler = 4,
       ShipSeeder = 5, ShipOutpost = 6 };
enum { TrackDrives = 0, TrackArms = 1, TrackIndustry = 2, TrackStatecraft = 3 };
enum { OrderHold = 0, OrderMove = 1, OrderPatrol = 2, OrderBlockade = 3, OrderInvade = 4,
       OrderSettle = 5, OrderReturn = 6, OrderEscort = 7 };
enum { DoctrineHold = 0, DoctrineStrike = 1, DoctrineScreen = 2 };
enum { TreatyPeace = 1, TreatyTrade = 2, TreatyCharts = 4, TreatyAlliance = 8 };
enum { LaneClosed = 0, LaneOpen = 1, LaneClosing = 2, LaneOpening = 3 };
enum { SysNest = 1, SysExchange = 2, SysHome = 4 };
enum { VictoryDominion = 1, VictoryRelics = 2, VictoryLastHouse = 4 };

#pragma pack(push, 1)

// A name inside a record: one length byte and exactly N character bytes.
// Bytes past the length are whatever they were and are kept as they are.
template <int N>
struct TStr {
    uint8_t Len;
    char Ch[N];
};

template <int N>
std::string StrGet(const TStr<N>& s)
{
    int n = s.Len > N ? N : s.Len;
    return std::string(s.Ch, s.Ch + n);
}

// Stores a value, cut to the capacity; only the bytes of the value are written.
template <int N>
void StrSet(TStr<N>& s, const std::string& v)
{
    int n = (int)v.size() > N ? N : (int)v.size();
    for (int i = 0; i < n; i++) s.Ch[i] = v[i];
    s.Len = (uint8_t)n;
}

struct TGameHeader {
    char Magic[4];
    uint16_t Version;
    uint16_t Day;
    uint16_t LastDay;
    uint16_t JoinDays;
    uint8_t MaxHouses;
    uint8_t SystemsPerHouse;
    uint8_t Victories;
    uint8_t Hollow;
    uint32_t Seed;
    int16_t SystemCount;
    int16_t LaneCount;
    int16_t WorldCount;
    int16_t FleetCount;
    int16_t BuildCount;
    int16_t ExchangeSystem;
    uint16_t Price[3];
    uint8_t DominionDays;
    uint8_t DominionHouse;
    uint8_t Ended;
    uint8_t Winner;
    TStr<39> GameName;
    uint8_t Unused1[17];
    uint8_t AutopilotAfter;
    uint8_t DissolveAfter;
    uint8_t WinKind;
    uint8_t FameWritten;
    uint8_t PeaceDays;
    uint8_t Difficulty;
    uint8_t Unused2[60];
};

struct THouse {
    uint8_t Status;
    uint8_t Computer;
    TStr<23> Name;
    TStr<35> Player;
    uint8_t Unused1;
    int16_t HomeWorld;
    int16_t Capital;
    int32_t Ore;
    int32_t Fuel;
    int32_t Influence;
    uint8_t Research[4];
    uint8_t ResTrack;
    uint16_t ResPoints;
    int32_t Score;
    uint16_t JoinedDay;
    uint16_t LastOnDay;
    uint8_t Colour;
    uint8_t NestsDestroyed;
    uint8_t Unused2[16];
};

struct TRelation {
    uint8_t Treaties;
    uint8_t Offer;
    uint16_t NoticeDay;
    uint16_t Tribute;
    uint8_t Unused[2];
};

struct TSystem {
    TStr<15> Name;
    int16_t X;
    int16_t Y;
    uint8_t Star;
    uint8_t Flags;
    int16_t FirstWorld;
    uint8_t WorldCount;
    uint8_t NestStrength;
    uint8_t Unused[2];
};

struct TLane {
    int16_t A;
    int16_t B;
    uint8_t State;
    uint8_t Unused;
};

struct TWorld {
    int16_t System;
    uint8_t Kind;
    uint8_t Owner;
    int32_t Pop;
    int32_t MaxPop;
    uint8_t Focus;
    uint8_t Loyalty;
    uint8_t Slots;
    uint8_t Buildings[6];
    int16_t Shield;
    int16_t Garrison;
    uint8_t Relic;
    uint8_t Unrest;
    int16_t Guard;
    uint8_t Blockaded;
    uint8_t Unused;
};

struct TFleet {
    uint8_t House;
    TStr<15> Name;
    int16_t Loc;
    int16_t Dest;
    uint8_t Order;
    uint8_t Doctrine;
    int16_t Target;
    uint16_t Ships[7];
    uint16_t Troops;
    uint8_t MoveFlags;
    uint8_t Unused;
};

struct TBuildOrder {
    uint8_t House;
    uint8_t Item;
    int16_t World;
    uint16_t Count;
};

struct TChartEntry {
    uint16_t SeenDay;
    uint8_t SeenOwner;
};

#pragma pack(pop)

// The whole game: header and tables at full capacity, filled from the front.
struct TGame {
    TGameHeader Header;
    THouse Houses[MaxHouseSlots];
    TRelation Relations[MaxHouseSlots * MaxHouseSlots];
    TSystem Systems[MaxSystems];
    TLane Lanes[MaxLanes];
    TWorld Worlds[MaxWorlds];
    TFleet Fleets[MaxFleets];
    TBuildOrder Builds[MaxBuilds];
    TChartEntry Charts[MaxHouseSlots * MaxSystems];
};

extern TGame Game;

// Record access by number.  House h (1..25) is entry h-1; callers check the
// number first (IsHouse), as every operation below does.
inline bool IsHouse(int h) { return h >= 1 && h <= MaxHouseSlots; }
inline THouse& HouseRec(int h) { return Game.Houses[h - 1]; }
inline TRelation& Relation(int a, int b) { return Game.Relations[(a - 1) * MaxHouseSlots + (b - 1)]; }
inline TChartEntry& Chart(int h, int s) { return Game.Charts[(h - 1) * MaxSystems + s]; }
inline bool IsSystem(int s) { return s >= 0 && s < Game.Header.SystemCount; }
inline bool IsWorld(int w) { return w >= 0 && w < Game.Header.WorldCount; }
inline bool IsLane(int l) { return l >= 0 && l < Game.Header.LaneCount; }
inline bool IsFleet(int f) { return f >= 0 && f < Game.Header.FleetCount; }
inline bool IsBuild(int b) { return b >= 0 && b < Game.Header.BuildCount; }

// The model's operations.
void ResetGame();
std::string HouseName(int h);
std::string WorldName(int w);
bool AtRest(int f);
int ShipTotal(int f);
int FleetSpeed(int f);
bool AtPeace(int a, int b);
bool Allied(int a, int b);
bool Hostile(int a, int b);
int SystemOwner(int s);
int NewFleet(int house, int system, const std::string& name);
int CountBuildings(int w, int kind);
int LaneOther(int l, int s);
bool LanePassable(int l);
int FindLane(int a, int b);
int LaneDegree(int s, bool onlyOpenOrOpening);
int FindHouseByPlayer(const std::string& name);
int CapitalSystem(int h);
// A house's level in a research track, 0 for anything that is not a house;
// levels above the last are read as the last.
int ResearchLevel(int h, int track);
std::string SystemName(int s);   // "?" for a number outside the map
// A house still in the game: active or on autopilot.
inline bool Playing(int h) { return IsHouse(h) && (HouseRec(h).Status == StatusActive || HouseRec(h).Status == StatusAutopilot); }
// What house h knows of system s: seen at some time, and seen in the last
// night's sighting (on the day before the game day, or later).
bool Known(int h, int s);
bool SeenNow(int h, int s);
