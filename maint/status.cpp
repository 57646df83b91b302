// The status report: the game at a glance, read without the lock.
#include <string>

#include "core/gamefile.h"
#include "core/model.h"
#include "core/rules.h"
#include "core/text.h"
#include "maint/maintcmd.h"
#include "core/settings.h"

// The house column holds the longest name a house can have, so every row
// keeps the header's columns.
enum { HouseColumn = HouseNameMax };

// A number column: one blank, then the number right-aligned in width - 1.
static std::string NumCol(int64_t n, int width) { return " " + PadLeft(IntToText(n), width - 1); }

static std::string StatusWord(int status)
{
    if (status == StatusAutopilot) return "autopilot";
    if (status == StatusOut) return "out";
    return "active";
}

static std::string FirstLine()
{
    const TGameHeader& h = Game.Header;
    int open = 0, closing = 0, opening = 0;
    for (int l = 0; l < h.LaneCount; l++) {
        int st = Game.Lanes[l].State;
        open += st == LaneOpen;
        closing += st == LaneClosing;
        opening += st == LaneOpening;
    }
    // The day the door shows too: once the game is over, the last day played.
    std::string line = "Day " + IntToText(ShownDay());
    if (h.LastDay != 0) line += " of " + IntToText(h.LastDay);
    line += "   systems " + IntToText(h.SystemCount);
    line += "  worlds " + IntToText(h.WorldCount) + "  fleets " + IntToText(h.FleetCount);
    line += "  lanes " + IntToText(open) + " open (" + IntToText(closing) + " closing, " + IntToText(opening) +
            " opening)";
    return line;
}

static std::string HollowLine()
{
    int nests = 0;
    int64_t strength = 0, raiders = 0;
    for (int s = 0; s < Game.Header.SystemCount; s++)
        if (Game.Systems[s].NestStrength != 0) {
            nests++;
            strength += Game.Systems[s].NestStrength;
        }
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == HouseHollow) raiders += ShipTotal(f);
    return "Hollow: " + Counted(nests, "nest") + " (strength " + IntToText(strength) + "), " + Counted(raiders, "raider");
}

static std::string HouseRow(int h)
{
    const THouse& hr = HouseRec(h);
    int worlds = 0;
    int64_t pop = 0, ships = 0, power = 0;
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == h) {
            worlds++;
            pop += Game.Worlds[w].Pop;
        }
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h) {
            ships += ShipTotal(f);
            power += FleetPower(f);
        }
    std::string row = PadRight(StrGet(hr.Name), HouseColumn) + NumCol(worlds, 7) + NumCol(pop, 8) + NumCol(hr.Ore, 7) +
                      NumCol(hr.Fuel, 6) + NumCol(hr.Influence, 6) + NumCol(ships, 6) + NumCol(power, 7) + "  ";
    for (int t = 0; t < ResearchTracks; t++) row += IntToText(hr.Research[t]);
    return row + " " + NumCol(hr.Score, 7) + "  " + StatusWord(hr.Status);
}

void CmdStatus()
{
    if (!LoadGame(GamePath())) Fatal("no game in " + GamePath());
    PrintStatus();
    // The settings file's lines that were not understood, for the next game.
    for (const std::string& p : SettingsProblemTexts(GameFolder)) Say(p + ".");
}

void PrintStatus()
{
    Say(FirstLine());
    Say(HollowLine());
    if (Game.Header.Ended) {
        int winner = Game.Header.Winner;
        Say(winner != 0 ? "GAME OVER - won by " + HouseName(winner) : "GAME OVER");
    }
    Say(PadRight("House", HouseColumn) + PadLeft("Worlds", 7) + PadLeft("Pop(k)", 8) + PadLeft("Ore", 7) + PadLeft("Fuel", 6) +
        PadLeft("Infl", 6) + PadLeft("Ships", 6) + PadLeft("Power", 7) + "  Res   " + PadLeft("Score", 6) +
        "  State");
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (HouseRec(h).Status != StatusFree) Say(HouseRow(h));
}
