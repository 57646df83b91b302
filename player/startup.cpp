// The door's start-up and its way into the game: the command line, the drop
// file, the refusals and the sysop's diagnostics, the game access under the
// folder lock, and ERRORS.LOG for what goes wrong during a visit.
#include "player/visit.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <typeinfo>

#include "core/access.h"
#include "core/chronicle.h"
#include "core/files.h"
#include "core/gamefile.h"
#include "core/league.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/score.h"
#include "core/text.h"
#include "door/door.h"
#include "door/dropfile.h"
#include "player/prompts.h"

TCaller Caller;

static const char* const Version = THYRE_VERSION;

// ---------------------------------------------------------------- start-up

static void Print(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

static int Usage(int code = 1)
{
    Print(std::string("Yvarn Thyre ") + Version);
    Print("  thyre -d <drop file or folder> [-g game folder] [-n node]");
    Print("  thyre -l [-u name] [-g game folder]     local play");
    Print("  -plain  for BBSes that decode telnet themselves: the socket carries plain data");
    Print("  -diag   write what the door reads and chooses to standard error and DIAG.LOG");
    return code;
}

struct TCommandLine {
    std::string DropPath, GameFolder, NodeText, UserName;
    bool Local = false;
    bool Plain = false;      // the BBS speaks telnet to the caller; our socket carries plain data
    bool Diagnose = false;   // tell the sysop what the door read and chose
};

// A switch as "-name", or "/name" in any case as Windows sysops write them.
static bool IsSwitch(const std::string& arg, const char* name)
{
    return arg == std::string("-") + name || SameText(arg, std::string("/") + name);
}

static bool ParseCommandLine(int argc, char** argv, TCommandLine& cl)
{
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        std::string* value = nullptr;
        if (a == "-d") value = &cl.DropPath;
        else if (a == "-g") value = &cl.GameFolder;
        else if (a == "-n") value = &cl.NodeText;
        else if (a == "-u") value = &cl.UserName;
        else if (a == "-l" || SameText(a, "/L")) {
            cl.Local = true;
            continue;
        } else if (IsSwitch(a, "plain")) {
            cl.Plain = true;
            continue;
        } else if (IsSwitch(a, "diag")) {
            cl.Diagnose = true;
            continue;
        } else
            return false;
        if (i + 1 >= argc) return false;
        // A switch is never a drop file or a folder: "-g -l" lost its folder.
        std::string next = argv[i + 1];
        if ((value == &cl.DropPath || value == &cl.GameFolder) && next.size() > 1 && next[0] == '-') return false;
        *value = argv[++i];
    }
    return true;
}

// Whether the folder holds a game, also one caught in the middle of a save
// (the first load puts it back in place under the lock).
static bool GameFilePresent(const std::string& folder)
{
    std::string path = folder + GameFileName;
    return CanOpenRead(path) || CanOpenRead(NewFileName(path)) || CanOpenRead(OldFileName(path));
}

static void WriteErrorLog(const std::string& className, const std::string& message);

// -diag: each thing the door read and chose, on standard error (which BBSes
// log) and in DIAG.LOG of the game folder, before the visit starts.
static bool Diagnosing = false;

static void Diagnose(const std::string& line)
{
    if (!Diagnosing) return;
    std::string err = "thyre: " + line + "\n";
    FileWrite(2, err.data(), err.size());
    AppendLog(Caller.Folder + DiagLogName, Caller.Folder + DiagLogOldName,
              Timestamp(true) + "  node " + IntToText(Caller.Node) + "  " + line + "\r\n");
}

static void DiagnoseDropFile(const std::string& path)
{
    Diagnose("drop file: " + path);
    for (const std::string& field : DropFieldsRead()) Diagnose("  " + field);
    const TDoorInfo& d = DoorInfo;
    Diagnose("  read as: user \"" + d.UserName + "\", alias \"" + d.Alias + "\", " + IntToText(d.SecondsLeft) +
             " seconds, ANSI " + (d.Ansi ? "yes" : "no") + ", node " + IntToText(d.Node) + ", " +
             IntToText(d.ScreenRows) + " rows, comm type " + IntToText(d.CommType) + ", socket handle " +
             std::to_string(d.SocketHandle));
}

// A start-up refusal: told to the caller, the BBS's log and ERRORS.LOG.
static int Refuse(const std::string& text)
{
    Diagnose("refused: " + text);
    WriteErrorLog("start-up refused", text);
    DoorRefuse(text);
    return 1;
}

int ThyreMain(int argc, char** argv)
{
    TCommandLine cl;
    std::string first = argc > 1 ? argv[1] : "";
    if (first == "--version") {
        Print(std::string("thyre (Yvarn Thyre) ") + Version);
        return 0;
    }
    if (first == "-h" || first == "--help" || first == "-?" || first == "/?") return Usage(0);
    if (!ParseCommandLine(argc, argv, cl)) return Usage();
    Caller = TCaller();
    Caller.Folder = cl.GameFolder.empty() ? ProgramFolder() : FolderWithDelim(FullPath(cl.GameFolder));
    TLeagueConfig league = ReadLeagueConfig(Caller.Folder);
    Caller.LeagueMember = league.Present && !league.Host;
    Caller.LeagueName = league.Present ? league.Name : "";
    int64_t node = 1;
    if (!cl.NodeText.empty() && !ParseInt64(cl.NodeText, node)) node = 1;
    Caller.Node = (int)Clamp(node, INT32_MIN, INT32_MAX);
    Caller.Local = cl.Local;
    Diagnosing = cl.Diagnose;
    DoorInfo = TDoorInfo();
    if (Diagnosing) {
        std::string line = "started:";
        for (int i = 0; i < argc; i++) line += std::string(" ") + argv[i];
        Diagnose(line);
        Diagnose("game folder: " + Caller.Folder + (IsFolder(Caller.Folder) ? "" : " (no such folder)"));
        DoorSetTrace(Diagnose);
    }
    if (!cl.DropPath.empty()) {
        std::string path = cl.DropPath;
        if (IsFolder(path)) {
            path = FindDropFile(path, Caller.Node);
            if (path.empty()) return Refuse("No drop file found in " + cl.DropPath);
            Diagnose("drop folder " + cl.DropPath + ", node " + IntToText(Caller.Node) + ": the newest drop file is " +
                     path);
        }
        std::optional<TDoorInfo> info = ReadDropFile(path);
        if (!info) {
            DiagnoseDropFile(path);
            return Refuse("Unable to read drop file " + path);
        }
        DoorInfo = *info;
        DiagnoseDropFile(path);
    } else if (cl.Local) {
        std::string user = LocalUserName();
        std::string name = !cl.UserName.empty() ? cl.UserName : (!user.empty() ? user : "Sysop");
        DoorInfo.UserName = DoorInfo.Alias = name;
        DoorInfo.SecondsLeft = 86400;
        Diagnose("local play as \"" + name + "\"");
    } else {
        return Usage();
    }
    DoorInfo.Node = Caller.Node;
    // Founding keeps 35 characters of the name; so does the search for it.
    Caller.Player = (DoorInfo.UserName.empty() ? DoorInfo.Alias : DoorInfo.UserName).substr(0, PlayerNameMax);
    Diagnose("player: \"" + Caller.Player + "\", screen of " + IntToText(DoorInfo.ScreenRows) + " rows");
    if (!GameFilePresent(Caller.Folder))
        return Refuse("No game has been started in " + Caller.Folder + " - the sysop runs \"ydmaint new\" first.");
    DoorSetSocketTelnet(!cl.Plain);
    std::string refusal = DoorConnect();
    if (!refusal.empty()) return Refuse(refusal);
    Diagnose("the visit starts");
    GuardedVisit(Visit);
    DoorFlush();
    DoorClose();
    return Caller.FolderFailed ? 1 : 0;
}

// ------------------------------------------------------------- game access

// After every load: the new-day flag, and whether the caller's house slot
// still holds the caller's house (a night may have started a new game).
static void CheckLoaded()
{
    int day = Game.Header.Day;
    if (Caller.DaySeen != 0 && day != Caller.DaySeen) Caller.NewDay = true;
    if (Caller.House != 0) {
        const THouse& hr = HouseRec(Caller.House);
        if (hr.Status == StatusFree || hr.Computer || !SameText(StrGet(hr.Player), Caller.Player)) Caller.Lost = true;
    }
}

// While another program holds the lock, the caller is told within a second
// and sees a dot for every second of the wait, not a silent screen.
static const int64_t BusyShownAfterMs = 500;
static int64_t BusyDots = -1;   // dots shown so far; -1 before the line is shown

static void WaitingForLock(int64_t waitedMs)
{
    if (waitedMs < BusyShownAfterMs) return;
    if (BusyDots < 0) {
        SayText("`8Please wait: the game is busy...");
        BusyDots = 0;
    }
    int64_t due = (waitedMs - BusyShownAfterMs) / 1000;
    for (; BusyDots < due; BusyDots++) SayText(".");
    SayFlush();
}

static TAccess OpenGame(bool loadGame)
{
    BusyDots = -1;
    SetLockWaiting(WaitingForLock);
    TAccess a = loadGame ? GameOpen(Caller.Folder, LookWaitSeconds, LookHoldSeconds, true)
                         : FolderOpen(Caller.Folder, LookWaitSeconds, LookHoldSeconds, true);
    SetLockWaiting(nullptr);
    if (BusyDots >= 0) {
        SayText("`7\r");
        DoorClearEol();
    }
    BusyDots = -1;
    return a;
}

// A refusal is said once: a screen that fails to load and the menu that
// then fails too do not repeat it.  A load that succeeds forgets it.
static TAccess LastRefusal = AccessOk;

static bool Opened(TAccess a)
{
    TAccess before = LastRefusal;
    LastRefusal = a;
    if (a == AccessOk) return true;
    if (a == before) return false;
    switch (a) {
    case AccessMaintenance:
        SayLine("`CThe nightly maintenance is running. Please come back in a few minutes.`7");
        return false;
    case AccessBusy: SayLine("`CThe game is busy. Please try again in a moment.`7"); return false;
    case AccessFailed: {
        // A folder the door may not write (permissions, a read-only disk):
        // the caller is asked to tell the sysop, the sysop is told why.
        SayLine("`CThe game's folder can't be written. Please tell your sysop about the folder.`7");
        std::string why = "thyre: the game folder refused the lock: " + GameAccessFailure() + "\n";
        FileWrite(2, why.data(), why.size());
        WriteErrorLog("game folder refused", GameAccessFailure());
        Caller.FolderFailed = true;
        return false;
    }
    default: SayLine("`CThe game file can't be read. Please tell your sysop.`7"); return false;
    }
}

// Before the first screen that shows a new day, the caller is told of it.
static void TellNewDay()
{
    if (!Caller.NewDay || Caller.Lost || Caller.House == 0) return;
    ClearPage();
    SayLine("`EA new day has dawned in the Thyre while you played.`7 Read your report.");
    Caller.NewDay = false;
    Caller.DaySeen = Game.Header.Day;
    PressKey();
}

bool GameLook()
{
    if (!Opened(OpenGame(true))) return false;
    GameRelease();
    CheckLoaded();
    if (Caller.Lost) return false;
    ComputeScores();
    TellNewDay();
    return true;
}

bool GameBegin()
{
    if (!Opened(OpenGame(true))) return false;
    CheckLoaded();
    if (Caller.Lost) {
        GameRelease();
        return false;
    }
    Caller.InChange = true;
    return true;
}

bool GameCommit()
{
    bool saved = GameSave();
    GameRelease();
    Caller.InChange = false;
    if (!saved) SayLine("`CYour change couldn't be saved. Please tell your sysop.`7");
    return saved;
}

void GameAbandon()
{
    GameRelease();
    Caller.InChange = false;
}

bool StoreBegin(bool quiet)
{
    TAccess a = OpenGame(false);
    if (a != AccessOk) {
        if (!quiet) Opened(a);
        return false;
    }
    Caller.InChange = true;
    return true;
}

// ------------------------------------------------------------ ERRORS.LOG

static void WriteErrorLog(const std::string& className, const std::string& message)
{
    std::string line = Timestamp(true) + "  node " + IntToText(Caller.Node) + "  " + Caller.Player + "  " +
                       className + ": " + message + "\r\n";
    AppendLog(Caller.Folder + ErrorsLogName, Caller.Folder + ErrorsLogOldName, line);
}

static void Apologise(bool inChange)
{
    try {
        SayLine("");
        // A change cut short was not saved, so its orders must not be promised.
        SayLine(inChange ? "`CSomething went wrong; the sysop has been told. Your last change was not saved.`7"
                         : "`CSomething went wrong; the sysop has been told. Your orders are saved.`7");
        DoorFlush();
    } catch (...) {
    }
}

void GuardedVisit(const std::function<void()>& body)
{
    // Whatever ends the visit, the lock is not left behind for the others.
    try {
        body();
        return;
    } catch (const EHangup&) {
        GameAbandon();
        return;
    } catch (const std::exception& e) {
        bool inChange = Caller.InChange || GameLockHeld();
        GameAbandon();
        WriteErrorLog(ReadableTypeName(typeid(e)), e.what());
        Apologise(inChange);
    } catch (...) {
        bool inChange = Caller.InChange || GameLockHeld();
        GameAbandon();
        WriteErrorLog("unknown", "an exception of no known class");
        Apologise(inChange);
    }
}
