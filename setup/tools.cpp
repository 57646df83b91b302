// The setup program's tools for the running game: the house list and
// editor, adding a computer house, notices, ending the game and changing
// it.  Each asks first, then takes the lock, re-reads the game, checks
// again on what it read, changes, saves and lets go; no question is ever
// asked while the lock is held.
#include <cstdio>

#include "core/access.h"
#include "core/chronicle.h"
#include "core/diplomacy.h"
#include "core/founding.h"
#include "core/model.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/score.h"
#include "core/settings.h"
#include "core/stores.h"
#include "core/text.h"
#include "setup/setup.h"

enum { AmountMax = 9999999, NoticeLines = 4, NoticeLineMax = 72 };

static std::string HouseStatusText(int h)
{
    const THouse& hr = HouseRec(h);
    if (hr.Computer) return "computer";
    switch (hr.Status) {
    case StatusActive: return "active";
    case StatusAutopilot: return "autopilot";
    case StatusOut: return "out";
    default: return "free";
    }
}

void RemoveHouse(int h)
{
    if (!IsHouse(h)) return;
    HouseLeaves(h);
    StrSet(HouseRec(h).Player, "");   // the player may found a house again
}

void HouseList()
{
    // Laid out to stay within 79 columns up to day 999.
    ConLine("`F #  House                   Player              Status     Worlds  Score Last");
    for (int h = 1; h <= MaxHouseSlots; h++) {
        const THouse& hr = HouseRec(h);
        if (hr.Status == StatusFree) continue;
        std::printf("%s\n", (PadLeft(IntToText(h), 2) + "  " + PadRight(StrGet(hr.Name), HouseNameMax) + " " +
                             PadRight(StrGet(hr.Player).substr(0, 19), 19) + " " + PadRight(HouseStatusText(h), 10) +
                             PadLeft(IntToText(HouseWorldCount(h)), 6) + PadLeft(GroupThousands(hr.Score), 7) +
                             " day " + IntToText(hr.LastOnDay))
                                .c_str());
    }
}

// Looks at the game; without one, says so and waits for Enter.
static bool PeekGameOrSayNone()
{
    if (PeekGame()) return true;
    ConBad("No game yet.");
    ConPressEnter();
    return false;
}

void HousesScreen()
{
    if (!PeekGameOrSayNone()) return;
    while (PeekGame()) {
        ConTitle("Houses in \"" + StrGet(Game.Header.GameName) + "\", day " + IntToText(ShownDay()));
        HouseList();
        ConLine("");
        int64_t h;
        if (!ConNumber("House number to edit, or Enter to go back: ", 1, MaxHouseSlots, h)) return;
        if (HouseRec((int)h).Status == StatusFree)
            ConBad("There is no house " + IntToText(h) + ".");
        else
            HouseEditor((int)h);
    }
}

// The house the sysop looked at, to be found again in the slot under the lock.
struct TLooked {
    std::string Name, Player;
};

static bool SameHouse(int h, const TLooked& looked)
{
    return HouseRec(h).Status != StatusFree && StrGet(HouseRec(h).Name) == looked.Name &&
           StrGet(HouseRec(h).Player) == looked.Player;
}

void HouseEditor(int h)
{
    while (PeekGame() && HouseRec(h).Status != StatusFree) {
        const THouse& hr = HouseRec(h);
        TLooked looked{StrGet(hr.Name), StrGet(hr.Player)};
        ConTitle("House " + looked.Name);
        std::printf("Player       %s\n", looked.Player.c_str());
        std::printf("Status       %s   joined day %d, last played day %d\n", HouseStatusText(h).c_str(),
                    (int)hr.JoinedDay, (int)hr.LastOnDay);
        std::printf("Worlds       %d   score %s\n", HouseWorldCount(h), GroupThousands(hr.Score).c_str());
        std::printf("Resources    ore %s   fuel %s   influence %s\n", GroupThousands(hr.Ore).c_str(),
                    GroupThousands(hr.Fuel).c_str(), GroupThousands(hr.Influence).c_str());
        std::printf("\n");
        ConLine("  `FN`7  rename the house          `FP`7  change the player (BBS user name)");
        ConLine("  `FO`7  set ore   `FF`7  set fuel   `FI`7  set influence");
        ConLine("  `FA`7  active (off autopilot)    `FU`7  put on autopilot");
        ConLine("  `FX`7  remove the house: its worlds go independent, the player may start again");
        std::string a = UpperText(ConAsk("Choice, or Q to go back: "));
        if (a.empty() || a[0] == 'Q') return;
        char c = a[0];
        std::string text, typed;
        int64_t amount = 0;
        switch (c) {
        case 'N':
            text = ConAsk("New house name (3 to 23 letters): ");
            if (text.empty()) continue;
            // Refused whole rather than cut: the name kept is the name typed.
            if (std::string refusal = HouseNameRefusal(text); !refusal.empty()) {
                ConBad(refusal);   // shown again above the next question
                continue;
            }
            break;
        case 'P':
            typed = ConAsk("BBS user name of the player: ");
            if (typed.empty()) continue;
            text = typed.substr(0, PlayerNameMax);   // as founding keeps it, so the test below sees it
            break;
        case 'O':
        case 'F':
        case 'I':
            if (!ConNumber("New amount: ", 0, AmountMax, amount)) continue;
            break;
        case 'X':
            if (!ConYesNo("Remove " + looked.Name + " from the game?")) continue;
            break;
        case 'A':
        case 'U': break;
        default: continue;
        }
        if (!OpenGame()) {
            ConPressEnter();
            continue;
        }
        THouse& fresh = HouseRec(h);
        std::string refusal;
        if (!SameHouse(h, looked)) {
            refusal = "House " + IntToText(h) + " has changed since you looked; nothing was changed.";
        } else {
            switch (c) {
            case 'A':
                if (fresh.Status != StatusAutopilot) refusal = "Only a house on autopilot can be made active.";
                else fresh.Status = StatusActive, fresh.LastOnDay = Game.Header.Day;
                break;
            case 'U':
                if (fresh.Status != StatusActive) refusal = "Only an active house can go on autopilot.";
                else fresh.Status = StatusAutopilot;
                break;
            case 'O': fresh.Ore = (int32_t)amount; break;
            case 'F': fresh.Fuel = (int32_t)amount; break;
            case 'I': fresh.Influence = (int32_t)amount; break;
            case 'N':
                if (HouseNameTaken(text, h)) refusal = "Another house has that name.";
                else StrSet(fresh.Name, text);
                break;
            case 'P':
                if (FindHouseByPlayer(text) >= 0) refusal = typed + " already has a house.";
                else StrSet(fresh.Player, text);
                break;
            case 'X': RemoveHouse(h); break;
            }
        }
        if (!refusal.empty()) ConBad(refusal);
        CloseGame(refusal.empty());
        if (c == 'X') {
            ConPressEnter();
            return;
        }
    }
}

void AddComputerHouse()
{
    if (!PeekGameOrSayNone()) return;
    std::string answer = ConAsk("Name for the computer house (3 to 23 letters), or Enter to go back: ");
    if (answer.empty()) return;
    // Refused whole rather than cut; shown again above the next question.
    if (std::string refusal = HouseNameRefusal(answer); !refusal.empty()) {
        ConBad(refusal);
        return;
    }
    if (OpenGame()) {
        int computers = 0;
        for (int h = 1; h <= MaxHouseSlots; h++) computers += HouseRec(h).Status != StatusFree && HouseRec(h).Computer;
        std::string name = answer.substr(0, HouseNameMax);
        if (HouseNameTaken(name, 0)) {
            ConBad("A house called " + answer + " is already in the game.");
            CloseGame(false);
        } else {
            // A game closed to new houses still takes a computer house.
            uint16_t joinDays = Game.Header.JoinDays;
            Game.Header.JoinDays = 0;
            int h = FoundHouse(name, "Computer " + IntToText(computers + 1), 1);
            Game.Header.JoinDays = joinDays;
            if (h < 0)
                ConBad("There is no room: the game is full, or no home system is free.");
            else
                ConGood(answer + " joins the game as house " + IntToText(h) + " at " +
                        SystemName(Game.Worlds[HouseRec(h).HomeWorld].System) + ".");
            CloseGame(h >= 0);
        }
    }
    ConPressEnter();
}

// A notice line typed longer than a stored line: pieces of at most
// NoticeLineMax characters, each cut at its last blank where it has one.
static std::vector<std::string> NoticePieces(std::string text)
{
    std::vector<std::string> pieces;
    while (text.size() > (size_t)NoticeLineMax) {
        size_t cut = text.rfind(' ', NoticeLineMax);
        if (cut == std::string::npos || cut == 0) {
            pieces.push_back(text.substr(0, NoticeLineMax));
            text = TrimText(text.substr(NoticeLineMax));
        } else {
            pieces.push_back(TrimText(text.substr(0, cut)));
            text = TrimText(text.substr(cut + 1));
        }
    }
    if (!text.empty()) pieces.push_back(text);
    return pieces;
}

void SendSysopNotice()
{
    if (!PeekGameOrSayNone()) return;
    ConTitle("A notice from the sysop");
    ConDim("The players find it among their messages as a new notice.");
    int chosen = 0;
    if (!ConYesNo("Send it to every house?")) {
        HouseList();
        int64_t h;
        if (!ConNumber("House number: ", 1, MaxHouseSlots, h) || HouseRec((int)h).Status == StatusFree) return;
        chosen = (int)h;
    }
    ConDim("Up to " + IntToText(NoticeLines) + " lines of " + IntToText(NoticeLineMax) +
           " letters; an empty line ends it.");
    std::vector<std::string> lines;
    while ((int)lines.size() < NoticeLines) {
        std::string answer = ConAsk(IntToText((int64_t)lines.size() + 1) + ": ");
        if (answer.empty()) break;
        // A long line goes on over the next lines, cut at blanks; what
        // would not fit in the notice is refused, never cut silently.
        std::vector<std::string> pieces = NoticePieces(answer);
        int room = NoticeLines - (int)lines.size();
        if ((int)pieces.size() > room) {
            ConBad("That needs " + IntToText((int64_t)pieces.size()) + " lines of " + IntToText(NoticeLineMax) +
                   " letters and the notice has room for " + IntToText(room) + "; type it shorter.");
            continue;
        }
        if (pieces.size() > 1)
            for (size_t i = 0; i < pieces.size(); i++)
                ConDim("   " + IntToText((int64_t)(lines.size() + i + 1)) + ": " + pieces[i]);
        lines.insert(lines.end(), pieces.begin(), pieces.end());
    }
    if (lines.empty()) return;
    if (OpenGame()) {
        int sent = 0;
        for (int h = 1; h <= MaxHouseSlots; h++) {
            const THouse& hr = HouseRec(h);
            if (!Playing(h) || hr.Computer || (chosen != 0 && h != chosen)) continue;
            sent += SendMessage(SetupFolder, 0, h, Game.Header.Day, lines) ? 1 : 0;
        }
        CloseGame(false);
        ConGood("Sent to " + Counted(sent, "house") + ".");
    }
    ConPressEnter();
}

static void AfterTheEnd()
{
    TSettings s = ReadSettings(SetupFolder);
    if (ConYesNo("Start a new game now?")) {
        StartGameScreen(false);
        return;
    }
    if (s.AutoRestart)
        ConDim("A new game starts at the next nightly maintenance (AutoRestart is on).");
    else
        ConDim("Start a new game with option 7 when you are ready (AutoRestart is off).");
}

void EndGame()
{
    if (!PeekGameOrSayNone()) return;
    ConTitle("End the running game");
    if (Game.Header.Ended) {
        std::printf("This game is already over.\n");
        if (ConYesNo("Start a new game now?")) StartGameScreen(false);
        return;
    }
    ComputeScores();
    int leader = LeadingHouse();
    if (leader)
        std::printf("The highest score now: %s with %s.\n", StrGet(HouseRec(leader).Name).c_str(),
                    GroupThousands(HouseRec(leader).Score).c_str());
    else
        ConDim("No house is playing, so there will be no winner.");
    ConDim("Ending the game makes that house the winner, writes the result to the");
    ConDim("Hall of Fame and the news, and stops the turns. Players can still look around.");
    if (UpperText(ConAsk("Type END to end the game now: ")) != "END") {
        ConDim("Nothing changed: the game goes on.");
        ConPressEnter();
        return;
    }
    if (!OpenGame()) {
        ConPressEnter();
        return;
    }
    TGameHeader& hd = Game.Header;
    // The night may have ended it since the look above.
    if (hd.Ended) {
        CloseGame(false);
        ConBad("This game is already over.");
        ConPressEnter();
        return;
    }
    ComputeScores();
    leader = LeadingHouse();
    EndGameWith(leader, WinSysopEnded);
    int day = (int)Max(1, (int)hd.Day - 1);
    std::string leaderName = leader ? StrGet(HouseRec(leader).Name) : "";
    TEventWriter ev;
    if (EventsBegin(ev, SetupFolder, day, false)) {
        AddNews(ev, leader ? "*** The sysop has ended the game. " + leaderName + " wins with the highest score. ***"
                       : "*** The sysop has ended the game. ***");
        EventsEnd(ev);
    }
    WriteFame(SetupFolder);
    WriteNews(SetupFolder, day);
    CloseGame(true);
    MaintLog(SetupFolder, leader ? "game ended by the sysop with THYRECFG; " + leaderName + " wins"
                                 : "game ended by the sysop with THYRECFG; no winner");
    ConGood("The game is over and in the Hall of Fame.");
    AfterTheEnd();
    ConPressEnter();
}

// ------------------------------------------------------ the running game

// The rows of the running game's editor: the settings a game keeps in its
// header, with the settings table's labels, hints, questions and ranges.
// A row that shows them otherwise names its own.
struct TRunningRow {
    const TSettingField* Field;
    const char* Label;   // nullptr: the table's label
    const char* Hint;    // nullptr: the table's hint
};
enum { RunningRowCount = 11 };
static const TRunningRow RunningRows[RunningRowCount] = {
    {SettingField("GAMENAME"), nullptr, nullptr},
    {SettingField("DAYS"), "Last day", nullptr},
    {SettingField("JOINDAYS"), nullptr, ""},
    {SettingField("HOLLOW"), nullptr, nullptr},
    {SettingField("DOMINIONVICTORY"), nullptr, ""},
    {SettingField("RELICVICTORY"), nullptr, ""},
    {SettingField("LASTHOUSEVICTORY"), nullptr, nullptr},
    {SettingField("AUTOPILOTAFTER"), nullptr, nullptr},
    {SettingField("DISSOLVEAFTER"), nullptr, nullptr},
    {SettingField("PEACEDAYS"), nullptr, nullptr},
    {SettingField("DIFFICULTY"), nullptr, nullptr},
};

static std::string VictoryValue(int bit) { return ConYesNoText((Game.Header.Victories & bit) != 0); }

static void ShowRunningGame()
{
    const TGameHeader& hd = Game.Header;
    ConTitle("Change the running game \"" + StrGet(hd.GameName) + "\" (now on day " + IntToText(hd.Day) + ")");
    ConDim("Changes take effect at once. Settings for the next game are under option 1.");
    ConLine("");
    const std::string values[RunningRowCount] = {
        StrGet(hd.GameName),
        hd.LastDay ? IntToText(hd.LastDay) : "none (open-ended)",
        hd.JoinDays ? IntToText(hd.JoinDays) : "any day",
        IntToText(hd.Hollow),
        VictoryValue(VictoryDominion),
        VictoryValue(VictoryRelics),
        VictoryValue(VictoryLastHouse),
        IntToText(hd.AutopilotAfter),
        IntToText(hd.DissolveAfter),
        IntToText(hd.PeaceDays),
        DifficultyText(hd.Difficulty),
    };
    for (int i = 0; i < RunningRowCount; i++) {
        const TRunningRow& row = RunningRows[i];
        std::string hint = row.Hint ? row.Hint : row.Field->Hint;
        std::vector<std::string> shown = {values[i]};
        if (!hint.empty()) shown.push_back(hint);
        ConMenuItem(IntToText(i + 1), row.Label ? row.Label : row.Field->Label, shown);
    }
    if (hd.Ended) ConDim("This game is over; to play on, start a new game (option 7).");
    ConLine("");
}

// The log line of a saved change of row n.
static std::string ChangeLogText(int n)
{
    const TGameHeader& hd = Game.Header;
    switch (n) {
    case 1: return "name = " + StrGet(hd.GameName);
    case 2: return "last day = " + IntToText(hd.LastDay);
    case 3: return "join until day = " + IntToText(hd.JoinDays);
    case 4: return "Hollow = " + IntToText(hd.Hollow);
    case 5:
    case 6:
    case 7: return "victories = " + IntToText(hd.Victories);
    case 8:
    case 9: return "autopilot/dissolve days = " + IntToText(hd.AutopilotAfter) + "/" + IntToText(hd.DissolveAfter);
    case 10: return "peace days = " + IntToText(hd.PeaceDays);
    default: return "difficulty = " + DifficultyText(hd.Difficulty);
    }
}

void ChangeRunningGame()
{
    if (!PeekGameOrSayNone()) return;
    while (PeekGame()) {
        ShowRunningGame();
        std::string a = ConAsk("Number to change, or Enter to go back: ");
        if (a.empty()) return;
        int64_t n;
        if (!ParseInt64(a, n) || n < 1 || n > RunningRowCount) continue;
        std::string text;
        int64_t value = 0;
        bool asked = true;
        switch (n) {
        case 1:
            text = ConAsk(RunningRows[0].Field->Question);
            asked = !text.empty();
            break;
        case 2:
            ConDim("0 = no last day (the game runs until someone wins early, or you end it).");
            asked = ConNumber("Last day (0, or " + IntToText(Game.Header.Day) + " or later): ", SettingField("DAYS")->Low,
                              SettingField("DAYS")->High, value);
            break;
        default:
            if (const TSettingField* f = RunningRows[n - 1].Field; f && f->Kind == SettingNumber)
                asked = ConNumber(f->Question, f->Low, f->High, value);
        }
        if (!asked) continue;
        if (!OpenGame()) {
            ConPressEnter();
            continue;
        }
        // Applied to the game as read now; a refusal is noted, the lock let
        // go, and only then shown.
        TGameHeader& hd = Game.Header;
        std::string refusal;
        switch (n) {
        case 1: StrSet(hd.GameName, text.substr(0, 39)); break;
        case 2:
            if (value > 0 && value < hd.Day) refusal = "The game is already on day " + IntToText(hd.Day) + ".";
            else hd.LastDay = (uint16_t)value;
            break;
        case 3: hd.JoinDays = (uint16_t)value; break;
        case 4: hd.Hollow = (uint8_t)value; break;
        case 5: hd.Victories ^= VictoryDominion; break;
        case 6: hd.Victories ^= VictoryRelics; break;
        case 7: hd.Victories ^= VictoryLastHouse; break;
        case 8:
            hd.AutopilotAfter = (uint8_t)value;
            if (hd.DissolveAfter < hd.AutopilotAfter) hd.DissolveAfter = hd.AutopilotAfter;
            break;
        case 9:
            if (value < hd.AutopilotAfter)
                refusal = "It must be at least the autopilot days (" + IntToText(hd.AutopilotAfter) + ").";
            else hd.DissolveAfter = (uint8_t)value;
            break;
        case 10: hd.PeaceDays = (uint8_t)value; break;
        case 11: hd.Difficulty = (uint8_t)(hd.Difficulty >= 1 && hd.Difficulty <= 3 ? hd.Difficulty % 3 + 1 : 3); break;
        }
        std::string logText = ChangeLogText((int)n);
        bool saved = CloseGame(refusal.empty());
        if (!refusal.empty()) {
            ConBad(refusal);
            if (n == 2) ConPressEnter();
            continue;
        }
        if (saved) MaintLog(SetupFolder, "THYRECFG changed the running game: " + logText);
    }
}
