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

static void WriteErrorLog(const std::string& className, const std::string& message,
                          const std::string& who = Caller.Player);
static TAccess LastRefusal = AccessOk;   // the last refusal of the game access, said once

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

static void DiagnoseDropFile(const std::string& path, const std::optional<TDoorInfo>& info)
{
    Diagnose("drop file: " + path);
    for (const std::string& field : DropFieldsRead()) Diagnose("  " + field);
    if (!info) {
        Diagnose("  not read: " + DropFileFailure());
        return;
    }
    const TDoorInfo& d = *info;
    Diagnose("  read as: user \"" + d.UserName + "\", alias \"" + d.Alias + "\", " + IntToText(d.SecondsLeft) +
             " seconds, ANSI " + (d.Ansi ? "yes" : "no") + ", node " + IntToText(d.Node) + ", " +
             IntToText(d.ScreenRows) + " rows, comm type " + IntToText(d.CommType) + ", socket handle " +
             IntToText((int64_t)d.SocketHandle));
}

// How the door ended, for the closing line of the diagnostics.
static std::string Ending;

// A start-up refusal: told to the caller, the BBS's log and ERRORS.LOG,
// whose name column holds `who` until the drop file has named the caller.
static int Refuse(const std::string& text, const std::string& who = "")
{
    Diagnose("refused: " + text);
    Ending = "refused at start-up";
    std::string logged = text;
    for (char& c : logged)
        if (c == '\n') c = ' ';
    WriteErrorLog("start-up refused", logged, Caller.Player.empty() ? who : Caller.Player);
    DoorRefuse(text);
    return 1;
}

// The node as -n gives it: a whole number from 0 up, or nothing.
static bool ParseNode(const std::string& text, int& node)
{
    int64_t n = 1;
    if (!text.empty() && (!ParseInt64(text, n) || n < 0 || n > INT32_MAX)) return false;
    node = (int)n;
    return true;
}

// How the visit ended, and why, as far as the door can tell.
static std::string VisitEnding(const std::string& guarded)
{
    if (!guarded.empty()) return guarded;
    if (Caller.FolderFailed) return "the game folder refused the lock: " + GameAccessFailure();
    if (Caller.Lost) return "the caller's house is no longer theirs (a new game was started)";
    if (LastRefusal == AccessMaintenance) return "the nightly maintenance was running";
    if (LastRefusal == AccessBusy) return "the game was busy (the folder lock could not be had)";
    if (LastRefusal != AccessOk) return "the game file could not be read";
    if (DoorSecondsLeft() < 1) return "the caller's time ran out";
    return "the caller left the game";
}

static int StartDoor(int argc, char** argv)
{
    TCommandLine cl;
    std::string first = argc > 1 ? argv[1] : "";
    if (first == "--version") {
        Print(std::string("thyre (Yvarn Thyre) ") + Version);
        return 0;
    }
    if (first == "-h" || first == "--help" || first == "-?" || first == "/?") return Usage(0);
    bool understood = ParseCommandLine(argc, argv, cl);
    Caller = TCaller();
    Caller.Folder = cl.GameFolder.empty() ? ProgramFolder() : FolderWithDelim(FullPath(cl.GameFolder));
    Diagnosing = cl.Diagnose;
    DoorInfo = TDoorInfo();
    if (Diagnosing) {
        std::string line = "started:";
        for (int i = 0; i < argc; i++) line += std::string(" ") + argv[i];
        Diagnose(line);
        Diagnose("game folder: " + Caller.Folder + (IsFolder(Caller.Folder) ? "" : " (no such folder)"));
        DoorSetTrace(Diagnose);
    }
    if (!understood) {
        Ending = "the command line was not understood (the usage was shown)";
        return Usage();
    }
    TLeagueConfig league = ReadLeagueConfig(Caller.Folder);
    Caller.LeagueMember = league.Present && !league.Host;
    Caller.LeagueName = league.Present ? league.Name : "";
    Caller.Local = cl.Local;
    // A BBS's placeholder for the node's folder given where its number
    // belongs would silently make every caller node 1.  Refused once the
    // drop file named the caller and their socket, so they read it too;
    // at once when the node is needed to find the drop file.
    bool nodeKnown = ParseNode(cl.NodeText, Caller.Node);
    auto refuseNode = [&] {
        return Refuse("-n " + cl.NodeText + " is not a node number: the door entry must give the node's number there",
                      "-n");
    };
    if (!nodeKnown && (cl.DropPath.empty() || IsFolder(cl.DropPath))) return refuseNode();
    if (!cl.DropPath.empty()) {
        std::string path = cl.DropPath;
        if (IsFolder(path)) {
            path = FindDropFile(path, Caller.Node);
            if (path.empty()) return Refuse("No drop file found in " + cl.DropPath, cl.DropPath);
            Diagnose("drop folder " + cl.DropPath + ", node " + IntToText(Caller.Node) + ": the newest drop file is " +
                     path);
        }
        std::optional<TDoorInfo> info = ReadDropFile(path);
        DiagnoseDropFile(path, info);
        if (!info) {
            std::string text = "Unable to read drop file " + path;
            // A file of a kind the door does not read is told as such: the
            // sysop picked the wrong drop file in the door entry.
            if (!DropFileKindKnown(path)) text += "\n" + DropFileFailure();
            return Refuse(text, FileNameOf(path));
        }
        DoorInfo = *info;
    } else if (cl.Local) {
        std::string user = LocalUserName();
        std::string name = !cl.UserName.empty() ? cl.UserName : (!user.empty() ? user : "Sysop");
        DoorInfo.UserName = DoorInfo.Alias = name;
        DoorInfo.SecondsLeft = 86400;
        Diagnose("local play as \"" + name + "\"");
    } else {
        Ending = "no drop file and no local play were asked for (the usage was shown)";
        return Usage();
    }
    DoorInfo.Node = Caller.Node;
    // Founding keeps 35 characters of the name; so does the search for it.
    Caller.Player = (DoorInfo.UserName.empty() ? DoorInfo.Alias : DoorInfo.UserName).substr(0, PlayerNameMax);
    Diagnose("player: \"" + Caller.Player + "\", screen of " + IntToText(DoorInfo.ScreenRows) + " rows");
    if (!nodeKnown) return refuseNode();
    if (!GameFilePresent(Caller.Folder))
        return Refuse("No game has been started in " + Caller.Folder + " - the sysop runs \"ydmaint new\" first.");
    DoorSetSocketTelnet(!cl.Plain);
    // The sysop at the console may feed local play from anywhere; a BBS's
    // caller must be on the socket, a terminal or a live stream.
    std::string refusal = DoorConnect(!cl.DropPath.empty());
    if (!refusal.empty()) return Refuse(refusal);
    Diagnose("the visit starts");
    std::string guarded = GuardedVisit(Visit);
    DoorFlush();
    Ending = VisitEnding(guarded);
    DoorClose();
    return Caller.FolderFailed ? 1 : 0;
}

int ThyreMain(int argc, char** argv)
{
    Ending.clear();
    int code = StartDoor(argc, argv);
    Diagnose("the door ends: " + Ending + " (exit code " + IntToText(code) + ")");
    return code;
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

// Whether the last GameLook told the caller of a new day.
static bool NewDayJustTold = false;

bool GameLook()
{
    NewDayJustTold = false;
    if (!Opened(OpenGame(true))) return false;
    GameRelease();
    CheckLoaded();
    if (Caller.Lost) return false;
    ComputeScores();
    NewDayJustTold = Caller.NewDay && Caller.House != 0;
    TellNewDay();
    return true;
}

bool StillToday() { return GameLook() && !NewDayJustTold; }

bool GameTurnedAway() { return LastRefusal == AccessBusy; }

void RefusalRead() { LastRefusal = AccessOk; }

bool GameBegin()
{
    for (;;) {
        if (!Opened(OpenGame(true))) return false;
        CheckLoaded();
        if (Caller.Lost) {
            GameRelease();
            return false;
        }
        if (!Caller.NewDay || Caller.House == 0) break;
        // The night ran while the caller was choosing: the new day is told
        // (never with the lock held while the caller reads), then the change
        // goes to today's game, whose checks refuse what no longer holds.
        GameRelease();
        TellNewDay();
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

static void WriteErrorLog(const std::string& className, const std::string& message, const std::string& who)
{
    std::string line = Timestamp(true) + "  node " + IntToText(Caller.Node) + "  " + who + "  " +
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

std::string GuardedVisit(const std::function<void()>& body)
{
    // Whatever ends the visit, the lock is not left behind for the others.
    try {
        body();
        return "";
    } catch (const EHangup&) {
        GameAbandon();
        std::string why = DoorHangupReason();
        if (DoorChannel() == ChannelHandles && DoorBytesReceived() == 0)
            return "a hang-up before the first key: standard input ended with no caller on it (" +
                   (why.empty() ? std::string("connection closed") : why) + ")";
        return "a hang-up: " + (why.empty() ? std::string("connection closed") : why);
    } catch (const std::exception& e) {
        bool inChange = Caller.InChange || GameLockHeld();
        GameAbandon();
        WriteErrorLog(ReadableTypeName(typeid(e)), e.what());
        Apologise(inChange);
        return "an error, written to ERRORS.LOG: " + ReadableTypeName(typeid(e)) + ": " + e.what();
    } catch (...) {
        bool inChange = Caller.InChange || GameLockHeld();
        GameAbandon();
        WriteErrorLog("unknown", "an exception of no known class");
        Apologise(inChange);
        return "an error, written to ERRORS.LOG: an exception of no known class";
    }
}
