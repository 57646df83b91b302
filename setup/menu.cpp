// thyrecfg's command line, game access, main screen, settings editor, the
// news and Hall of Fame viewers, and starting a game.
#include <cstdio>

#include "core/league.h"
#include "core/access.h"
#include "core/files.h"
#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/random.h"
#include "core/score.h"
#include "core/settings.h"
#include "core/startgame.h"
#include "core/text.h"
#include "core/chronicle.h"
#include "setup/setup.h"

static void MainScreen();
static void NewsViewer();
static void FameViewer();

std::string SetupFolder;

// The folder thyrecfg defaults to is its own: right for a door folder that
// is the game folder (as on most Windows BBSes), wrong for a system folder of
// programs (/usr/games, /usr/local/bin), where no game may be started.
static bool IsProgramsFolder(const std::string& folder)
{
    if (GameFileExists(GameFilePath(folder)) || PathExists(folder + SettingsFileName)) return false;
    std::string name = folder;
    while (!name.empty() && IsPathDelim(name.back())) name.pop_back();
    size_t cut = name.size();
    while (cut > 0 && !IsPathDelim(name[cut - 1])) cut--;
    name = UpperText(name.substr(cut));
    return name == "BIN" || name == "SBIN" || name == "GAMES";
}

static const char* const SetupUsage =
    "Yvarn Thyre setup.   thyrecfg [game folder]   (default: the folder thyrecfg is in)";

// The lines of THYRE.CFG that are not understood, in red; none: nothing.
static void ShowSettingsProblems(const std::vector<TSettingsProblem>& problems)
{
    for (const TSettingsProblem& p : problems) ConBad(p.Text + ".");
}

int SetupMain(int argc, char** argv)
{
    std::string first = argc > 1 ? argv[1] : "";
    if (first == "-?" || first == "-h" || first == "/?" || first == "--help") {
        std::puts(SetupUsage);
        return 0;
    }
    if (first == "--version") {
        std::printf("thyrecfg (Yvarn Thyre) %s\n", THYRE_VERSION);
        return 0;
    }
    // A switch is never taken for a folder.
    if (first.size() > 1 && first[0] == '-') {
        std::puts(("thyrecfg: unknown switch " + first).c_str());
        std::puts(SetupUsage);
        return 1;
    }
    SetupFolder = argc > 1 ? FolderWithDelim(first) : ProgramFolder();
    if (argc <= 1 && IsProgramsFolder(SetupFolder)) {
        std::puts(("thyrecfg: " + SetupFolder + " holds the programs, not a game. Name the game folder, for example:")
                      .c_str());
        std::puts("  thyrecfg /var/games/thyre/");
        return 1;
    }
    // Said before any form is filled in, not when the first save fails.
    if (!IsFolder(SetupFolder)) {
        std::puts(("thyrecfg: there is no folder " + SetupFolder + "; make it first, or name the game folder.").c_str());
        return 1;
    }
    std::vector<TSettingsProblem> problems;
    ReadSettings(SetupFolder, &problems);
    ShowSettingsProblems(problems);
    MainScreen();
    ConWrite("`7");
    std::fflush(stdout);
    return 0;
}

// ------------------------------------------------------------ game access

// A failed write, and why in the system's words.
static void SayWriteFailed(const std::string& text, const std::string& path)
{
    std::string why = LastErrorText();
    ConBad(text);
    ConDim("(" + path + ": " + why + ")");
}

bool PeekGame() { return GameFileExists(GameFilePath(SetupFolder)) && LoadGame(GameFilePath(SetupFolder)); }

bool OpenGame()
{
    switch (GameOpen(SetupFolder, SetupWaitSeconds, SetupHoldSeconds, true)) {
    case AccessOk: return true;
    case AccessMaintenance: ConBad("The nightly maintenance is running; try again in a minute."); return false;
    case AccessBusy: ConBad("The game is busy (locked); try again in a moment."); return false;
    case AccessFailed: ConBad("The game folder can't be locked: " + GameAccessFailure()); return false;
    default: ConBad("THYRE.DAT could not be read."); return false;
    }
}

bool CloseGame(bool save)
{
    bool saved = false;
    if (save) {
        saved = GameSave();
        if (saved)
            ConGood("Saved.");
        else
            SayWriteFailed("THYRE.DAT could not be written!", GameFilePath(SetupFolder));
    }
    GameRelease();
    return saved;
}

// ------------------------------------------------------------ main screen

static void GameSummary()
{
    if (!GameFileExists(GameFilePath(SetupFolder))) {
        ConBad("No game yet: start one with option 7.");
        return;
    }
    if (!LoadGame(GameFilePath(SetupFolder))) {
        ConBad("THYRE.DAT could not be read.");
        return;
    }
    const TGameHeader& hd = Game.Header;
    std::string line = "Game `B" + StrGet(hd.GameName) + "`7: day `F" + IntToText(ShownDay()) + "`7";
    line += hd.LastDay ? " of `F" + IntToText(hd.LastDay) + "`7" : std::string(" `8(open-ended)`7");
    if (hd.Ended) {
        line += ", `COVER`7";
        if (IsHouse(hd.Winner)) line += " - `E" + StrGet(HouseRec(hd.Winner).Name) + " won`7";
    } else {
        line += ", `Arunning`7";
    }
    ConLine(line);
}

struct TSetupEntry {
    const char* Key;
    const char* Label;
    void (*Run)();
    bool ChangesGame;   // refused on a league member, whose game is the host's
};

static void StartAsked() { StartGameScreen(true); }

static const TSetupEntry SetupMenu[10] = {
    {"1", "Settings for new games", SettingsEditor, false},
    {"2", "Houses (player editor)", HousesScreen, true},
    {"3", "Add a computer house", AddComputerHouse, true},
    {"4", "Send a notice to the players", SendSysopNotice, true},
    {"5", "News and standings", NewsViewer, false},
    {"6", "Hall of Fame", FameViewer, false},
    {"7", "Start a new game now", StartAsked, true},
    {"8", "End the running game now", EndGame, true},
    {"9", "Change the running game (length, joining, victories)", ChangeRunningGame, true},
    {"Q", "Quit", nullptr, false},
};

static void MainScreen()
{
    for (;;) {
        ConTitle("YVARN THYRE SETUP   folder: " + SetupFolder);
        GameSummary();
        ConLine("");
        for (const TSetupEntry& e : SetupMenu) ConMenuItem(e.Key, e.Label);
        std::string choice = UpperText(ConAsk("Choice: "));
        if (choice == "Q" || choice == "X") return;
        for (const TSetupEntry& e : SetupMenu) {
            if (choice != e.Key || !e.Run) continue;
            std::string refusal = e.ChangesGame ? LeagueMemberRefusal(SetupFolder) : "";
            if (refusal.empty()) {
                e.Run();
            } else {
                ConBad(CapitalFirst(refusal) + ".");
                ConDim("Make this change on the host's board.");
                ConPressEnter();
            }
        }
    }
}

// -------------------------------------------------------- settings editor

static std::vector<std::string> SettingValues(const TSettings& s, const TSettingField& f)
{
    std::string value;
    switch (f.Kind) {
    case SettingText:
    case SettingList: value = s.*f.Text; break;
    case SettingNumber: value = IntToText(s.*f.Number); break;
    case SettingYesNo: value = ConYesNoText(s.*f.Flag); break;
    case SettingDifficulty: value = DifficultyText(s.*f.Number); break;
    }
    std::vector<std::string> values{value};
    if (*f.Hint) values.push_back(f.Hint);
    return values;
}

// Asks for one setting's new value and sets it; false when nothing changed.
static bool ChangeSetting(TSettings& s, const TSettingField& f)
{
    switch (f.Kind) {
    case SettingText: {
        std::string a = ConAsk(f.Question);
        if (a.empty()) return false;
        s.*f.Text = a.substr(0, 39);
        return true;
    }
    case SettingList: {
        ConDim("Names separated by commas, e.g.  Varro, Ostrel   (a single - for none)");
        std::string a = ConAsk(f.Question);
        if (a.empty()) return false;
        s.*f.Text = a == "-" ? "" : a;
        return true;
    }
    case SettingNumber: {
        int64_t n;
        if (!ConNumber(f.Question, f.Low, f.High, n)) return false;
        s.*f.Number = (int32_t)n;
        return true;
    }
    case SettingYesNo: s.*f.Flag = !(s.*f.Flag); return true;
    case SettingDifficulty: s.*f.Number = s.*f.Number % 3 + 1; return true;
    }
    return false;
}

// Saves the settings; lines of the file that were not understood are kept
// in it as comments, and the sysop is told so.
static bool SaveSettings(const TSettings& s, const std::vector<TSettingsProblem>& problems)
{
    std::vector<std::string> kept;
    for (const TSettingsProblem& p : problems)
        if (kept.empty() || kept.back() != p.Written) kept.push_back(p.Written);
    if (!WriteSettings(SetupFolder, s, kept)) return false;
    if (!kept.empty()) ConDim("Lines not understood are kept at the end of THYRE.CFG as comments.");
    return true;
}

void SettingsEditor()
{
    std::vector<TSettingsProblem> problems;
    TSettings s = ReadSettings(SetupFolder, &problems);
    bool changed = false;
    for (;;) {
        ConTitle("Settings for new games (THYRE.CFG)");
        ConDim("These are for the NEXT game. To change the game running now, use option 9");
        ConDim("on the main menu.");
        ShowSettingsProblems(problems);
        ConLine("");
        for (int i = 0; i < SettingFieldCount; i++)
            ConMenuItem(IntToText(i + 1), SettingFields[i].Label, SettingValues(s, SettingFields[i]));
        ConLine("");
        std::string a = UpperText(ConAsk("Number to change, S to save, Q to go back: "));
        if (a == "S") {
            if (SaveSettings(s, problems)) {
                ConGood("Saved to THYRE.CFG.");
                changed = false;
                problems.clear();
            } else {
                SayWriteFailed("THYRE.CFG could not be written!", SetupFolder + SettingsFileName);
            }
            continue;
        }
        if (a == "Q" || a.empty()) break;
        int64_t n;
        if (!ParseInt64(a, n) || n < 1 || n > SettingFieldCount) {
            ConBad("Please give a number from 1 to " + IntToText(SettingFieldCount) + ", S or Q.");
            continue;
        }
        if (!ChangeSetting(s, SettingFields[n - 1])) continue;
        changed = true;
        if (s.DissolveAfter < s.AutopilotAfter) s.DissolveAfter = s.AutopilotAfter;
    }
    if (changed && ConYesNo("Save your changes?") && !SaveSettings(s, problems))
        SayWriteFailed("THYRE.CFG could not be written!", SetupFolder + SettingsFileName);
}

// ---------------------------------------------------------------- viewers

static void NewsViewer()
{
    if (PeekGame()) {
        ComputeScores();
        std::string text = BuildNews(SetupFolder, (int)Max(1, (int)Game.Header.Day - 1));
        ConTitle("News");
        ConPager(text);
    } else {
        ConBad("No game yet.");
    }
    ConPressEnter();
}

static void FameViewer()
{
    std::string raw, text;
    if (ReadWholeFile(SetupFolder + FameFileName, raw))
        for (const std::string& line : SplitLines(raw)) text += line + "\n";
    ConTitle("Hall of Fame");
    if (text.empty())
        ConDim("No game has finished yet.");
    else
        ConPager(text);
    ConPressEnter();
}

// ---------------------------------------------------------- starting a game

void StartGameScreen(bool ask)
{
    std::vector<TSettingsProblem> problems;
    TSettings s = ReadSettings(SetupFolder, &problems);
    ConTitle("Start a new game");
    ConPlain("Settings: \"" + s.GameName + "\", " + IntToText(s.Days) + " days, up to " + IntToText(s.MaxHouses) +
             " houses, " + IntToText(s.SystemsPerHouse) + " systems per house, Hollow " + IntToText(s.Hollow) + ".");
    if (!s.ComputerHouses.empty()) ConPlain("Computer houses: " + s.ComputerHouses);
    ShowSettingsProblems(problems);
    if (ask) {
        if (!GameFileExists(GameFilePath(SetupFolder))) {
            if (!ConYesNo("Start the game?")) return;
        } else {
            ConDim("This ends the game that is running now. It is kept as OLDGAME.DAT, and");
            ConDim("goes into the Hall of Fame only if it had already finished.");
            if (UpperText(ConAsk("Type YES to start a new game: ")) != "YES") {
                ConDim("Nothing changed: the running game goes on.");
                ConPressEnter();
                return;
            }
        }
    }
    if (!PathExists(SetupFolder + SettingsFileName)) WriteSettings(SetupFolder, s);
    // A night under way keeps its own marker: starting now would overwrite it.
    if (RunMarkerFresh(SetupFolder)) {
        ConBad("The nightly maintenance is running; try again in a minute.");
        ConPressEnter();
        return;
    }
    if (!MaintenanceBegin(SetupFolder, SetupStartWaitSeconds, SetupHoldSeconds)) {
        if (GameAccessFailure().empty())
            ConBad("The game is busy (locked); try again in a moment.");
        else
            ConBad("The game folder can't be locked: " + GameAccessFailure());
        ConPressEnter();
        return;
    }
    std::string message;
    bool ok = StartGame(SetupFolder, s, ClockSeed(), message);
    GameRelease();
    for (const TSettingsProblem& p : problems) MaintLog(SetupFolder, "WARNING: " + p.Text);
    MaintLog(SetupFolder, ok ? "new game started with THYRECFG: " + message
                             : "PROBLEM: THYRECFG could not start a new game: " + message);
    ConPlain(message + ".");
    ConPressEnter();
}
