#include "tests/testutil.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/model.h"
#include "core/rules.h"

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

std::string UnixLines(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : text) {
        if (c == '\n') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

static void AddSystem(const char* name, int x, int y, int firstWorld, int worlds)
{
    TSystem& s = Game.Systems[Game.Header.SystemCount++];
    StrSet(s.Name, name);
    s.X = (int16_t)x;
    s.Y = (int16_t)y;
    s.FirstWorld = (int16_t)firstWorld;
    s.WorldCount = (uint8_t)worlds;
}

static void AddWorld(int system, int kind, int owner, int pop)
{
    TWorld& w = Game.Worlds[Game.Header.WorldCount++];
    w.System = (int16_t)system;
    w.Kind = (uint8_t)kind;
    w.Owner = (uint8_t)owner;
    w.Pop = pop;
    w.MaxPop = pop * 2;
    w.Loyalty = 50;
}

static void AddLane(int a, int b, int state)
{
    TLane& l = Game.Lanes[Game.Header.LaneCount++];
    l.A = (int16_t)a;
    l.B = (int16_t)b;
    l.State = (uint8_t)state;
}

static void AddHouse(int h, const char* name, const char* player, int home)
{
    THouse& hr = HouseRec(h);
    hr.Status = StatusActive;
    StrSet(hr.Name, name);
    StrSet(hr.Player, player);
    hr.HomeWorld = (int16_t)home;
    hr.Capital = (int16_t)home;
    hr.Colour = (uint8_t)((h - 1) % 6 + 1);
}

void BuildSmallGame()
{
    ResetGame();
    TGameHeader& h = Game.Header;
    h.Day = 3;
    h.LastDay = 60;
    h.MaxHouses = 4;
    h.SystemsPerHouse = 5;
    h.ExchangeSystem = 2;
    h.Price[0] = 100;
    h.Price[1] = 120;
    h.Price[2] = 300;
    h.Seed = 12345;
    StrSet(h.GameName, "Test Game");
    AddSystem("Arad", 100, 100, 0, 3);
    AddSystem("Belis", 300, 100, 3, 1);
    AddSystem("Corth", 300, 300, 4, 2);
    AddSystem("Dranis", 100, 300, 6, 1);
    Game.Systems[3].NestStrength = 12;
    Game.Systems[3].Flags = SysNest;
    AddWorld(0, KindTemperate, 1, 5000);
    AddWorld(0, KindRock, 1, 1000);
    AddWorld(0, KindGasGiant, 0, 0);
    AddWorld(1, KindIce, 2, 1500);
    AddWorld(2, KindTemperate, 2, 4000);
    AddWorld(2, KindRuin, 0, 0);
    AddWorld(3, KindRock, 27, 800);
    AddLane(0, 1, LaneOpen);
    AddLane(1, 2, LaneClosing);
    AddLane(2, 3, LaneOpening);
    AddLane(3, 0, LaneClosed);
    AddLane(0, 2, LaneOpen);
    AddHouse(1, "House Vey", "Alice", 0);
    AddHouse(2, "House Mor", "Bob", 4);
    HouseRec(1).Ore = 250;
    HouseRec(1).Fuel = 40;
    HouseRec(1).Influence = 12;
    HouseRec(1).Research[0] = 1;
    HouseRec(1).Research[2] = 2;
    HouseRec(1).Score = 321;
    HouseRec(2).Status = StatusAutopilot;
    HouseRec(2).Ore = 75;
    int f = NewFleet(1, 0, "First");
    Game.Fleets[f].Ships[ShipLancer] = 2;
    Game.Fleets[f].Ships[ShipWarden] = 1;
    f = NewFleet(2, 2, "Second");
    Game.Fleets[f].Ships[ShipSkiff] = 5;
    f = NewFleet(HouseHollow, 3, "Raiders");
    Game.Fleets[f].Ships[ShipLancer] = 4;
    TBuildOrder& b = Game.Builds[Game.Header.BuildCount++];
    b.House = 1;
    b.Item = ShipSkiff;
    b.World = 0;
    b.Count = 3;
    Chart(1, 0).SeenDay = 3;
    Chart(1, 0).SeenOwner = 1;
}


void BuildRowMap(int systems, int kind)
{
    ResetGame();
    TGameHeader& h = Game.Header;
    h.Day = 1;
    h.MaxHouses = 4;
    h.SystemsPerHouse = 5;
    h.Price[0] = 100;
    h.Price[1] = 120;
    h.Price[2] = 300;
    h.ExchangeSystem = -1;
    h.AutopilotAfter = 7;
    h.DissolveAfter = 21;
    h.Difficulty = 2;
    StrSet(h.GameName, "Row");
    for (int s = 0; s < systems; s++) {
        std::string name = "Sys" + std::to_string(s);
        AddSystem(name.c_str(), 100 + 60 * s, 500, s, 1);
        AddWorld(s, kind, 0, 0);
        Game.Worlds[s].MaxPop = 20000;
        Game.Worlds[s].Slots = (uint8_t)WorldKindTable[kind].KindSlots;
        if (s > 0) AddLane(s - 1, s, LaneOpen);
    }
}

int AddTestHouse(int h, const char* name, int homeWorld)
{
    AddHouse(h, name, name, homeWorld);
    HouseRec(h).JoinedDay = HouseRec(h).LastOnDay = Game.Header.Day;
    if (IsWorld(homeWorld)) {
        Game.Worlds[homeWorld].Owner = (uint8_t)h;
        Game.Worlds[homeWorld].Pop = 5000;
    }
    return h;
}

int AddTestFleet(int house, int system, int cls, int count, const char* name)
{
    int f = NewFleet(house, system, name);
    Game.Fleets[f].Ships[cls] = (uint16_t)count;
    return f;
}

std::string GameBytes() { return std::string((const char*)&Game, sizeof Game); }
