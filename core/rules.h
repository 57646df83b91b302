// The rules of the game as compiled-in tables: ship classes, buildings,
// research, world kinds, focuses, combat factors, system-name parts and the
// display names of every enumeration.  Never stored, never changed.
#pragma once
#include <cstdint>
#include <string>

struct TShipClass {
    const char* Name;
    const char* Short;
    int16_t Attack;
    int16_t Hull;
    int16_t Speed;
    int16_t Cost;
    int16_t FuelPerLane;
    int16_t Upkeep;
    int16_t Capacity;
};

struct TBuildingKind {
    const char* Name;
    const char* Short;
    int16_t Cost;
};

struct TWorldKind {
    const char* Name;
    int32_t MaxPopBase;
    int16_t KindSlots;
    int16_t BaseOre;
    int16_t BaseFuel;
    int16_t Share;   // percent of ordinary worlds made of this kind
};

struct TFocusKind {
    const char* Name;
    const char* Effect;
};

extern const TShipClass ShipClassTable[7];
extern const TBuildingKind BuildingTable[7];
extern const TWorldKind WorldKindTable[5];
extern const TFocusKind FocusTable[5];
extern const char* const TrackNames[4];
extern const int LevelCost[5];             // points for level 1..4; [0] unused
extern const char* const OrderNames[8];
extern const char* const DoctrineNames[3];
extern const char* const TreatyNames[4];   // bits 1, 2, 4, 8
extern const char* const HouseColourCodes[6];
extern const char* const RomanNumerals[6];
extern const char* const NameFirst[40];
extern const char* const NameSecond[20];
extern const char* const NameThird[24];
extern const char* const WinKindTexts[6];
extern const char* const BuildLegend;

// Names by number, "?" for a number outside the table, so a damaged record
// can never send a lookup outside it.
std::string ShipName(int c);
std::string ShipShort(int c);
std::string BuildingName(int k);
std::string BuildingShort(int k);
std::string WorldKindName(int k);
std::string FocusName(int f);
std::string TrackName(int t);
std::string OrderName(int o);
std::string DoctrineName(int d);
std::string WinKindText(int k);   // "game over" for anything but 1..5

// The fleet new ships gather in: "Reserve", or "Reserve 2" and on when the
// house's Reserve is away (no two of a house's fleets are called alike).
bool IsReserveName(const std::string& name);

// Costs after the Industry discount of house h (level 0 for a non-house).
int64_t ShipCost(int h, int c);
int64_t BuildingCost(int h, int k);
// Sum over classes of count * (Hull + 2 * Attack).
int64_t FleetPower(int f);

// Combat factors.  Units 0..6 are ship classes, 7 a shield point, 8 a point
// of Hollow strength.
enum { UnitShield = 7, UnitHollow = 8 };
int AttackValue(int unit);
int HullValue(int unit);
int ClassFactor(int attacker, int target);
int DealtFactor(int doctrine);
int TakenFactor(int doctrine);

// What buildings do, per building of the kind on a world.
enum {
    MineOre = 12,              // ore a day
    RefineryFuel = 8,          // fuel a day
    ShieldPoints = 40,         // added to the world's shield ceiling
    BarracksGarrison = 15,     // added to the world's garrison ceiling
    AcademyPoints = 10,        // research points a day
    StatecraftInfluence = 15,  // percent more influence per Statecraft level
};

// Build orders name ships by class (0..6) and buildings by kind + 100.
enum { BuildItemBuilding = 100 };
inline int BuildingItem(int kind) { return BuildItemBuilding + kind; }
inline bool IsShipItem(int item) { return item >= 0 && item < 7; }
inline bool IsBuildingItem(int item) { return item >= BuildItemBuilding + 1 && item <= BuildItemBuilding + 6; }

// The score's weights: per world, per hundred people, per relic, per nest
// destroyed, per research level, and the fleet power that makes one point.
enum {
    ScoreHomeWorld = 40,
    ScoreOtherWorld = 20,
    ScorePopUnit = 100,
    ScoreRelic = 60,
    ScoreNest = 100,
    ScoreResearchLevel = 10,
    ScorePowerUnit = 50,
};

// The Exchange's prices in ore, per resource (ore, fuel, influence): where a
// price starts and drifts back to each night, and how far it drifts a night.
// A trade never pushes a price below its floor or above its ceiling.
extern const int ExchangeRestPrice[3];
extern const int ExchangeDriftStep[3];
inline int64_t ExchangePriceFloor(int r) { return 20 * (int64_t)r + 40; }
inline int64_t ExchangePriceCeiling(int r) { return 300 * (int64_t)r + 400; }

// How a game was won (the header's WinKind), with WinKindTexts.
enum { WinNone = 0, WinLastHouse = 1, WinRelics = 2, WinDominion = 3, WinScore = 4, WinSysopEnded = 5 };
