#include "core/rules.h"

#include "core/model.h"
#include "core/text.h"

const TShipClass ShipClassTable[7] = {
    //  Name       Short  Att Hull Spd Cost Fuel Upk Cap
    {"Skiff",   "Sk", 1, 3,  2, 10, 1, 0, 0},
    {"Lancer",  "La", 4, 4,  1, 20, 1, 0, 0},
    {"Warden",  "Wa", 2, 9,  1, 30, 1, 0, 0},
    {"Breaker", "Br", 7, 9,  1, 60, 2, 1, 0},
    {"Hauler",  "Ha", 0, 3,  1, 12, 1, 0, 10},
    {"Seeder",  "Se", 0, 4,  1, 50, 1, 0, 0},
    {"Outpost", "Ou", 3, 12, 0, 40, 0, 0, 0},
};

const TBuildingKind BuildingTable[7] = {
    {"-",        "..", 0},
    {"Mine",     "Mi", 60},   // +12 ore a day
    {"Refinery", "Rf", 60},   // +8 fuel a day
    {"Shipyard", "Yd", 80},   // ships may be built here
    {"Shield",   "Sh", 70},   // +40 shield ceiling
    {"Barracks", "Bk", 50},   // +15 garrison ceiling
    {"Academy",  "Ac", 90},   // +10 research points a day
};

const TWorldKind WorldKindTable[5] = {
    //  Name        MaxPop Slots Ore Fuel Share
    {"Temperate", 20000, 5, 5,  0,  26},
    {"Rock",      6000,  4, 30, 0,  30},
    {"Gas giant", 0,     1, 0,  25, 20},
    {"Ice",       4000,  3, 10, 12, 19},
    {"Ruin",      5000,  3, 12, 3,  5},
};

const TFocusKind FocusTable[5] = {
    {"Balanced", "no bonus"},
    {"Mining",   "ore x 1.5"},
    {"Fuel",     "fuel x 1.5"},
    {"Growth",   "influence x 1.5, double growth"},
    {"Defence",  "stronger shields and garrison, output x 0.75"},
};

const char* const TrackNames[4] = {"Drives", "Arms", "Industry", "Statecraft"};
const int LevelCost[5] = {0, 120, 300, 600, 1000};
const char* const OrderNames[8] = {"Hold", "Move", "Patrol", "Blockade",
                                   "Invade", "Settle", "Return", "Escort"};
const char* const DoctrineNames[3] = {"Hold", "Strike", "Screen"};
const char* const TreatyNames[4] = {"Peace", "Trade", "Charts", "Alliance"};
const char* const HouseColourCodes[6] = {"B", "E", "D", "A", "9", "C"};
const char* const RomanNumerals[6] = {"I", "II", "III", "IV", "V", "VI"};

const char* const NameFirst[40] = {
    "Ar", "Bel", "Cor", "Dra", "El", "Fen", "Gal", "Hes", "Ith", "Jor",
    "Kel", "Lun", "Mor", "Nes", "Or", "Pyr", "Quel", "Ros", "Sel", "Tor",
    "Ul", "Var", "Wen", "Xan", "Yr", "Zel", "Ash", "Bry", "Cal", "Dun",
    "Esk", "Fal", "Gor", "Hal", "Isk", "Kar", "Lor", "Mae", "Nor", "Ost"};
const char* const NameSecond[20] = {
    "a", "e", "i", "o", "u", "ae", "ia", "or", "an", "en",
    "is", "ul", "ar", "ei", "on", "yr", "el", "ad", "om", "ir"};
const char* const NameThird[24] = {
    "d", "th", "n", "x", "ra", "nis", "mar", "dor", "les", "vin", "sa", "ros",
    "tis", "gard", "lon", "ne", "ria", "hal", "nor", "kas", "ven", "ta", "mos", "dun"};

const char* const WinKindTexts[6] = {
    "game over",
    "the last house left",
    "held every relic",
    "dominion over the Thyre",
    "highest score at the end",
    "highest score when the sysop ended the game",
};

const char* const BuildLegend =
    "`8Mi mine Rf refinery Yd shipyard Sh shield Bk barracks Ac academy .. empty slot`7";

template <int N>
static std::string Pick(const char* const (&names)[N], int i)
{
    return i >= 0 && i < N ? names[i] : "?";
}

std::string ShipName(int c) { return c >= 0 && c < 7 ? ShipClassTable[c].Name : "?"; }
std::string ShipShort(int c) { return c >= 0 && c < 7 ? ShipClassTable[c].Short : "?"; }
std::string BuildingName(int k) { return k >= 0 && k < 7 ? BuildingTable[k].Name : "?"; }
std::string BuildingShort(int k) { return k >= 0 && k < 7 ? BuildingTable[k].Short : "?"; }
std::string WorldKindName(int k) { return k >= 0 && k < 5 ? WorldKindTable[k].Name : "?"; }
std::string FocusName(int f) { return f >= 0 && f < 5 ? FocusTable[f].Name : "?"; }
std::string TrackName(int t) { return Pick(TrackNames, t); }
std::string OrderName(int o) { return Pick(OrderNames, o); }
std::string DoctrineName(int d) { return Pick(DoctrineNames, d); }
std::string WinKindText(int k) { return k >= 1 && k <= 5 ? WinKindTexts[k] : WinKindTexts[0]; }

// Industry cuts every cost by 5 percent a level.
static int64_t IndustryPercent(int h) { return 100 - 5 * ResearchLevel(h, TrackIndustry); }

int64_t ShipCost(int h, int c)
{
    if (c < 0 || c >= 7) return 0;
    int64_t cost = (int64_t)ShipClassTable[c].Cost * IndustryPercent(h) / 100;
    return cost < 1 ? 1 : cost;
}

int64_t BuildingCost(int h, int k)
{
    if (k < 0 || k >= 7) return 0;
    return (int64_t)BuildingTable[k].Cost * IndustryPercent(h) / 100;
}

int64_t FleetPower(int f)
{
    if (!IsFleet(f)) return 0;
    int64_t power = 0;
    for (int c = 0; c < 7; c++)
        power += (int64_t)Game.Fleets[f].Ships[c] * (ShipClassTable[c].Hull + 2 * ShipClassTable[c].Attack);
    return power;
}

int AttackValue(int unit)
{
    if (unit >= 0 && unit < 7) return 10 * ShipClassTable[unit].Attack;
    if (unit == UnitShield) return 2;
    if (unit == UnitHollow) return 5;
    return 0;
}

int HullValue(int unit)
{
    if (unit >= 0 && unit < 7) return ShipClassTable[unit].Hull;
    if (unit == UnitShield) return 1;
    if (unit == UnitHollow) return 2;
    return 0;
}

int ClassFactor(int attacker, int target)
{
    switch (attacker) {
    case ShipLancer:
        if (target == ShipSkiff || target == ShipHauler || target == ShipSeeder) return 200;
        if (target == ShipWarden) return 60;
        break;
    case ShipWarden:
        if (target == ShipLancer) return 140;
        break;
    case ShipBreaker:
        if (target == ShipWarden || target == ShipOutpost || target == UnitShield || target == UnitHollow)
            return 200;
        break;
    }
    return 100;
}

// An unknown doctrine fights as Hold.
int DealtFactor(int doctrine) { return doctrine == DoctrineStrike ? 130 : doctrine == DoctrineScreen ? 90 : 80; }
int TakenFactor(int doctrine) { return doctrine == DoctrineStrike ? 120 : doctrine == DoctrineScreen ? 100 : 70; }

const int ExchangeRestPrice[3] = {100, 120, 300};
const int ExchangeDriftStep[3] = {1, 1, 2};

bool IsReserveName(const std::string& name)
{
    if (name == "Reserve") return true;
    std::string number = name.substr(StartsWith(name, "Reserve ") ? 8 : name.size());
    int64_t n;
    return !number.empty() && ParseInt64(number, n) && n >= 2 && IntToText(n) == number;
}
