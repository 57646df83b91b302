#include "core/founding.h"

#include <cstring>

#include "core/diplomacy.h"
#include "core/model.h"
#include "core/rules.h"
#include "core/text.h"

// The first home position nobody holds yet.  A home position always has its
// three worlds; a damaged one without them is passed over.
static int FreeHomeSystem()
{
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        const TSystem& sys = Game.Systems[s];
        if ((sys.Flags & SysHome) && SystemOwner(s) == 0 && sys.WorldCount >= 3) return s;
    }
    return -1;
}

static void SetBuildings(TWorld& w, int a, int b, int c)
{
    std::memset(w.Buildings, 0, sizeof w.Buildings);
    w.Buildings[0] = (uint8_t)a;
    w.Buildings[1] = (uint8_t)b;
    w.Buildings[2] = (uint8_t)c;
}

static void GiveFleet(int h, int s, const char* name, int order, int doctrine, int cls1, int n1, int cls2, int n2,
                      int troops)
{
    int f = NewFleet(h, s, name);
    if (f < 0) return;
    TFleet& fl = Game.Fleets[f];
    fl.Order = (uint8_t)order;
    fl.Doctrine = (uint8_t)doctrine;
    fl.Ships[cls1] = (uint16_t)n1;
    if (cls2 >= 0) fl.Ships[cls2] = (uint16_t)n2;
    fl.Troops = (uint16_t)troops;
}

// The slot a house founded now would take, or -1 when the game is closed
// to new houses or has no free slot or home system left.
static int FoundingSlot()
{
    const TGameHeader& hd = Game.Header;
    if (hd.JoinDays != 0 && hd.JoinDays < hd.Day) return -1;
    for (int i = 1; i <= hd.MaxHouses && i <= MaxHouseSlots; i++)
        if (HouseRec(i).Status == StatusFree) return FreeHomeSystem() < 0 ? -1 : i;
    return -1;
}

bool RoomToFound() { return FoundingSlot() >= 0; }

int FoundHouse(const std::string& name, const std::string& player, int computer)
{
    TGameHeader& hd = Game.Header;
    int h = FoundingSlot();
    if (h < 0) return -1;
    int s = FreeHomeSystem();

    // A house that joins late starts richer, for the days the game has run.
    int d = hd.Day > 0 ? hd.Day - 1 : 0;
    THouse& hr = HouseRec(h);
    std::memset(&hr, 0, sizeof hr);
    hr.Status = StatusActive;
    hr.Computer = (uint8_t)computer;
    StrSet(hr.Name, name.substr(0, HouseNameMax));
    StrSet(hr.Player, player.substr(0, PlayerNameMax));
    hr.JoinedDay = hr.LastOnDay = hd.Day;
    hr.Colour = (uint8_t)((h - 1) % 6 + 1);
    hr.Ore = 300 + 40 * d;
    hr.Fuel = 150 + 15 * d;
    hr.Influence = 30 + 5 * d;

    int w = Game.Systems[s].FirstWorld;
    hr.HomeWorld = hr.Capital = (int16_t)w;
    TWorld& home = Game.Worlds[w];
    home.Owner = (uint8_t)h;
    home.Pop = 8000 + 150 * d;
    home.MaxPop = 20000;
    home.Loyalty = 90;
    home.Focus = FocusBalanced;
    SetBuildings(home, BuildShipyard, BuildMine, BuildShield);
    home.Shield = 60;
    home.Garrison = 30;
    TWorld& rock = Game.Worlds[w + 1];
    rock.Owner = (uint8_t)h;
    rock.Pop = 1000;
    rock.Loyalty = 80;
    rock.Focus = FocusMining;
    SetBuildings(rock, BuildMine, BuildNone, BuildNone);
    rock.Garrison = 5;
    TWorld& gas = Game.Worlds[w + 2];
    gas.Owner = (uint8_t)h;
    gas.Pop = 0;
    gas.Loyalty = 80;
    gas.Focus = FocusFuel;

    GiveFleet(h, s, "Home Guard", OrderPatrol, DoctrineHold, ShipLancer, 4 + d / 4, ShipWarden, 2 + d / 6, 0);
    GiveFleet(h, s, "Scouts", OrderHold, DoctrineHold, ShipSkiff, 2, -1, 0, 0);
    GiveFleet(h, s, "Settlers", OrderHold, DoctrineScreen, ShipHauler, 1, ShipSeeder, 1, 10);

    Chart(h, s).SeenDay = hd.Day;
    Chart(h, s).SeenOwner = (uint8_t)h;
    for (int l = 0; l < hd.LaneCount; l++) {
        const TLane& ln = Game.Lanes[l];
        if (!LanePassable(l) || (ln.A != s && ln.B != s)) continue;
        int t = LaneOther(l, s);
        Chart(h, t).SeenDay = hd.Day;
        Chart(h, t).SeenOwner = (uint8_t)SystemOwner(t);
    }
    return h;
}

bool HouseNameFree(const std::string& name) { return HouseNameRefusal(name).empty() && !HouseNameTaken(name, 0); }

std::string HouseNameRefusal(const std::string& name)
{
    if (name.size() > HouseNameMax) return "A house name has at most " + IntToText(HouseNameMax) + " letters.";
    if (name.size() < HouseNameMin) return "A house name has at least " + IntToText(HouseNameMin) + " letters.";
    if (name.find('`') != std::string::npos) return "A house name can't hold colour codes.";
    if (!HasLetter(name)) return "A house name needs at least one letter.";
    return "";
}

bool HouseNameTaken(const std::string& name, int skip)
{
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (h != skip && HouseRec(h).Status != StatusFree && SameText(StrGet(HouseRec(h).Name), name)) return true;
    return false;
}

void HouseCameOn(int h)
{
    if (!IsHouse(h)) return;
    THouse& hr = HouseRec(h);
    hr.LastOnDay = Game.Header.Day;
    hr.FirstCall = 0;
    if (hr.Status == StatusAutopilot) hr.Status = StatusActive;
}

void HouseLeaves(int h)
{
    if (!IsHouse(h)) return;
    HouseRec(h).Status = StatusOut;
    ClearTributes(h);
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == h) Game.Worlds[w].Owner = HouseIndependents;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h) FreeFleet(f);
}
