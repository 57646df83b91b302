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

// The lengths of the names the records keep, written once for every program.
enum { HouseNameMin = 3, HouseNameMax = 23, PlayerNameMax = 35, FleetNameMax = 15 };

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
    char Magic[4];   // "YVRN"; written by generation
    uint16_t Version;   // always 1
    uint16_t Day;   // the game day, 1 on the first; the night adds one
    uint16_t LastDay;   // the last day of the game; 0 open-ended (settings, setup program)
    uint16_t JoinDays;   // last day new houses may join; 0 any day (settings, setup program)
    uint8_t MaxHouses;   // houses this game takes, 2..25 (generation)
    uint8_t SystemsPerHouse;   // map size at generation, 5..12
    uint8_t Victories;   // early victories allowed: VictoryDominion, VictoryRelics, VictoryLastHouse bits
    uint8_t Hollow;   // the Hollow's strength: 0 off, 1 low, 2 normal, 3 high
    uint32_t Seed;   // the random generator between nights (the night reads and stores it)
    int16_t SystemCount;   // systems in use, 0..300
    int16_t LaneCount;   // lanes in use, 0..1000
    int16_t WorldCount;   // worlds in use, 0..1000
    int16_t FleetCount;   // fleet slots in use, free ones included, 0..1000
    int16_t BuildCount;   // build orders in use, 0..600
    int16_t ExchangeSystem;   // the system of the Exchange; -1 none
    uint16_t Price[3];   // Exchange prices of ore, fuel, influence (night; trades)
    uint8_t DominionDays;   // nights in a row the dominion leader held enough of the map (night)
    uint8_t DominionHouse;   // the house those nights count for (night)
    uint8_t Ended;   // 1 once the game is over (night, setup program)
    uint8_t Winner;   // the winning house; 0 none
    TStr<39> GameName;   // shown to players (settings at the start)
    uint8_t Unused1[17];   // zero
    uint8_t AutopilotAfter;   // days away before autopilot (settings at the start)
    uint8_t DissolveAfter;   // days away before a house is dissolved (settings at the start)
    uint8_t WinKind;   // how the game ended: WinNone .. WinSysopEnded
    uint8_t FameWritten;   // 1 once entered in FAME.TXT
    uint8_t PeaceDays;   // days the computer houses leave a new player alone, 0..250
    uint8_t Difficulty;   // computer houses' play: 1 easy, 2 normal, 3 hard
    uint8_t Unused2[60];   // zero
};

struct THouse {
    uint8_t Status;   // StatusFree, StatusActive, StatusAutopilot or StatusOut (night, door, setup)
    uint8_t Computer;   // 1 for a computer house (founding, setup program)
    TStr<HouseNameMax> Name;   // the house's name, 3..23 characters, no colour codes (founding)
    TStr<PlayerNameMax> Player;   // the player's BBS name, or "Computer n" (founding)
    uint8_t FirstCall;   // 1 until its player's first call: a house founded by hand (ydmaint join)
    int16_t HomeWorld;   // the world it was founded on (founding)
    int16_t Capital;   // the capital world; -1 none (founding, night)
    int32_t Ore;   // ore in store (night, orders, trades)
    int32_t Fuel;   // fuel in store (night, trades)
    int32_t Influence;   // influence in store (night, treaties, trades)
    uint8_t Research[4];   // level in each track, 0..4; 4 is complete (night)
    uint8_t ResTrack;   // the track being researched, 0..3 (door, planner)
    uint16_t ResPoints;   // points toward the next level of ResTrack (night)
    int32_t Score;   // recomputed every night and on every look (ComputeScores)
    uint16_t JoinedDay;   // the day it was founded
    uint16_t LastOnDay;   // the last day its player came on (door)
    uint8_t Colour;   // colour index 1..6, (h - 1) % 6 + 1
    uint8_t NestsDestroyed;   // Hollow nests it destroyed (night)
    uint8_t Unused2[16];   // zero
};

struct TRelation {
    uint8_t Treaties;   // treaties in force between a and b: Treaty bits (door, night)
    uint8_t Offer;   // treaties a offered b and b has not accepted (door, planner)
    uint16_t NoticeDay;   // the day a's treaties with b end after notice; 0 none
    uint16_t Tribute;   // ore a pays b each day; 0 none (door; the night pays it)
    uint8_t Unused[2];   // zero
};

struct TSystem {
    TStr<15> Name;   // unique in the game, at most 15 characters (generation)
    int16_t X;   // map position, 20..980
    int16_t Y;   // map position, 20..980
    uint8_t Star;   // star type 0..4; no rule reads it
    uint8_t Flags;   // SysNest, SysExchange, SysHome bits (generation, night)
    int16_t FirstWorld;   // the first of its worlds
    uint8_t WorldCount;   // its worlds are FirstWorld .. FirstWorld + WorldCount - 1, 0..6
    uint8_t NestStrength;   // strength of the Hollow nest here; 0 none (night)
    uint8_t Unused[2];   // zero
};

struct TLane {
    int16_t A;   // one end (a system)
    int16_t B;   // the other end (a system)
    uint8_t State;   // LaneClosed, LaneOpen, LaneClosing or LaneOpening (night's lane drift)
    uint8_t Unused;   // zero
};

struct TWorld {
    int16_t System;   // the system it lies in
    uint8_t Kind;   // KindTemperate .. KindRuin
    uint8_t Owner;   // house 1..25, 0 nobody, 27 the independents (night, founding)
    int32_t Pop;   // people, in thousands (night)
    int32_t MaxPop;   // population ceiling, in thousands
    uint8_t Focus;   // FocusBalanced .. FocusDefence (door, planner)
    uint8_t Loyalty;   // loyalty to the owner, 0..100 (night)
    uint8_t Slots;   // building slots, from its kind, 0..6
    uint8_t Buildings[6];   // the building in each slot, BuildNone .. BuildAcademy (night's builds)
    int16_t Shield;   // shield strength (night)
    int16_t Garrison;   // troops on the world (night)
    uint8_t Relic;   // the relic kept here, 1..12; 0 none
    uint8_t Unrest;   // days of unrest left; output halved while above 0 (night)
    int16_t Guard;   // defenders of an unowned Ruin (generation, night)
    uint8_t Blockaded;   // not 0 while blockaded tonight (night)
    uint8_t Unused;   // zero
};

struct TFleet {
    uint8_t House;   // owner; 0 a free slot, 26 the Hollow
    TStr<FleetNameMax> Name;   // at most 15 characters (door, founding, night)
    int16_t Loc;   // the system it is in
    int16_t Dest;   // the system it heads for; -1 none (orders)
    uint8_t Order;   // OrderHold .. OrderEscort (orders)
    uint8_t Doctrine;   // DoctrineHold, DoctrineStrike, DoctrineScreen (door, planner)
    int16_t Target;   // world of an Invade or Settle, fleet of an Escort; -1 none (orders)
    uint16_t Ships[7];   // ships of each class, Skiff .. Outpost, 0..65535
    uint16_t Troops;   // troops carried by its Haulers
    uint8_t MoveFlags;   // the night's movement scratch: bit 0 moved, bit 1 stopped
    uint8_t Unused;   // zero
};

struct TBuildOrder {
    uint8_t House;   // the ordering house (orders)
    uint8_t Item;   // a ship class 0..6, or BuildItemBuilding + building kind
    int16_t World;   // where it is built
    uint16_t Count;   // ships ordered, 1 for a building
};

struct TChartEntry {
    uint16_t SeenDay;   // the day the house last saw the system; 0 never (night's sight, founding)
    uint8_t SeenOwner;   // the system's owner as seen then
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
// Frees a fleet's slot.  Escorts that followed it lose their charge at once
// (no target; the night turns them to Hold and says why), so none of them
// ever follows a fleet that takes the slot later.
void FreeFleet(int f);
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
// What tells the map of the game in memory from another game's (no night
// changes it): its systems' names and places.
std::string MapMark();
// A house still in the game: active or on autopilot.
inline bool Playing(int h) { return IsHouse(h) && (HouseRec(h).Status == StatusActive || HouseRec(h).Status == StatusAutopilot); }
// What house h knows of system s: seen at some time, and seen in the last
// night's sighting (on the day before the game day, or later).
bool Known(int h, int s);
// The day every program shows for the game: the day being played, or, once
// the game is over, the last day that was played (never below 1).
inline int ShownDay() { return Game.Header.Ended ? (Game.Header.Day > 1 ? Game.Header.Day - 1 : 1) : Game.Header.Day; }
bool SeenNow(int h, int s);
