// The sysop's copies of the game: a whole, consistent copy of the folder's
// files taken under the lock (backup), and going back to one of the nightly
// backups or to any saved game (restore) with the callers kept out meanwhile.
#include <cstdio>
#include <iostream>
#include <vector>

#include "core/history.h"
#include "core/league.h"
#include "core/access.h"
#include "core/files.h"
#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/text.h"
#include "core/chronicle.h"
#include "maint/maintcmd.h"

enum { BackupCount = 7, BackupWaitSeconds = 60, BackupHoldSeconds = 1800 };

// Every file of the game a copy keeps; never the lock, the marker or a
// temporary file.
static const char* const CopiedFiles[] = {
    GameFileName,    SettingsFileName, EventsFileName, MessagesFileName, FameFileName,   NewsFileName,
    MaintLogName,    MaintLogOldName,  ErrorsLogName,  ErrorsLogOldName, OldGameName,    OldEventsName,
    OldMessagesName, UndoGameName,     "THYRE.ANS",    "THYRE.TXT",      LeagueConfigName, LeagueStateName,
    LeagueKeyName,   JournalName,      ScoresFileName,
};

static std::string BackupName(int n) { return std::string(BackupPrefix) + IntToText(n); }

void CmdBackup()
{
    if (CommandArgs.empty()) Fatal("backup needs the folder to put the copy in");
    std::string into = FolderWithDelim(FullPath(CommandArgs[0]));
    if (!IsFolder(into) && !MakeFolder(into)) Fatal("cannot make the folder " + into + ": " + LastErrorText());
    TDateTime t = LocalNow();
    std::string base = into + "thyre-" + IntToText(t.Year) + TwoDigits(t.Month) + TwoDigits(t.Day) + "-" + TwoDigits(t.Hour) +
                       TwoDigits(t.Minute) + TwoDigits(t.Second);
    std::string folder = base;
    for (int n = 2; PathExists(folder); n++) folder = base + "-" + IntToText(n);
    if (!MakeFolder(folder)) Fatal("cannot make the folder " + folder + ": " + LastErrorText());
    folder = FolderWithDelim(folder);
    // The lock alone: a night under way is waited for, callers wait a moment.
    TAccess a = FolderOpen(GameFolder, BackupWaitSeconds, BackupHoldSeconds, false);
    if (a != AccessOk)
        Fatal(a == AccessFailed ? GameAccessFailure() : "the game stayed locked for a minute; nothing was copied");
    int copied = 0;
    std::string failed;
    std::vector<std::string> names(std::begin(CopiedFiles), std::end(CopiedFiles));
    for (int n = 0; n < BackupCount; n++) names.push_back(BackupName(n));
    for (const std::string& name : names) {
        std::string data;
        if (!PathExists(GameFolder + name)) continue;
        // The league's private key stays readable by its owner alone.
        if (!ReadWholeFile(GameFolder + name, data) || !ReplaceFileSafely(folder + name, data) ||
            (name == LeagueKeyName && !RestrictToOwner(folder + name))) {
            failed = name;
            break;
        }
        copied++;
    }
    GameRelease();
    if (!failed.empty()) Fatal("could not copy " + failed + " into " + folder);
    if (!PathExists(folder + GameFileName) || !LoadGame(folder + GameFileName))
        Fatal("the copy of " + std::string(GameFileName) + " in " + folder + " does not load");
    std::string line = "backup of day " + IntToText(Game.Header.Day) + ": " + IntToText(copied) + " files in " + folder;
    MaintLog(GameFolder, line);
    Say(line);
}

// The houses of the game in memory, by name.
static std::vector<std::string> HouseNames()
{
    std::vector<std::string> names;
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (HouseRec(h).Status != StatusFree) names.push_back(StrGet(HouseRec(h).Name));
    return names;
}

static std::string Described(const std::string& path)
{
    if (!LoadGame(path)) return "does not load";
    int houses = (int)HouseNames().size();
    return "day " + IntToText(Game.Header.Day) + ", " + Counted(houses, "house") +
           (Game.Header.Ended ? ", the game over" : "");
}

// The backup named on the command line: a number 0-6 or a file.
static std::string RestoreSource(const std::string& arg)
{
    int64_t n;
    if (ParseInt64(arg, n)) {
        if (n < 0 || n >= BackupCount) Fatal("the nightly backups are numbered 0 to 6");
        return GameFolder + BackupName((int)n);
    }
    return FullPath(arg);
}

void CmdRestore()
{
    std::vector<std::string> args;
    for (const std::string& a : CommandArgs)
        if (a != "-yes") args.push_back(a);
    if (args.empty()) {
        Say("The nightly backups of " + GameFolder + " (THYRE.BKn is the game before the night of a day n,");
        Say("counting modulo 7; restore one with \"ydmaint restore N\"):");
        for (int n = 0; n < BackupCount; n++) {
            std::string path = GameFolder + BackupName(n);
            if (PathExists(path)) Say("  " + BackupName(n) + "  " + Described(path));
        }
        if (PathExists(GameFolder + UndoGameName))
            Say("  " + std::string(UndoGameName) + "  " + Described(GameFolder + UndoGameName) +
                "  (the game before the last restore)");
        if (PathExists(GamePath())) Say("Now: " + Described(GamePath()) + ".");
        return;
    }
    std::string source = RestoreSource(args[0]);
    std::string data;
    if (!ReadWholeFile(source, data)) Fatal("cannot read " + source);
    if (!LoadGame(source)) Fatal(source + " is no game this program can load");
    int day = Game.Header.Day;
    std::vector<std::string> then = HouseNames();
    // What going back loses, told before anything changes.
    if (PathExists(GamePath()) && LoadGame(GamePath())) {
        int now = Game.Header.Day;
        std::vector<std::string> since;
        for (const std::string& name : HouseNames()) {
            bool old = false;
            for (const std::string& t : then) old = old || SameText(t, name);
            if (!old) since.push_back(name);
        }
        Say("The game is on day " + IntToText(now) + "; " + source + " holds day " + IntToText(day) + ".");
        if (now > day)
            Say("Going back loses every order and change since day " + IntToText(day) + " (" +
                Counted(now - day, "night") + ").");
        if (!since.empty()) Say("Houses founded since then are lost: " + WordList(since) + ".");
    }
    if (!HasOption("-yes")) {
        if (!StdinIsTerminal()) Fatal("restore asks before it changes the game; add -yes in a script");
        std::fputs("Restore it? (Y/N) ", stdout);
        std::fflush(stdout);
        std::string answer;
        if (!std::getline(std::cin, answer) || answer.empty() || (answer[0] != 'y' && answer[0] != 'Y')) {
            Say("Nothing changed.");
            return;
        }
    }
    // As during a night: callers are turned away while the game is replaced.
    if (!MaintenanceBegin(GameFolder, BackupWaitSeconds, BackupHoldSeconds))
        Fatal(GameAccessFailure().empty() ? "the game stayed locked for a minute; nothing changed" : GameAccessFailure());
    std::string current;
    bool kept = !PathExists(GamePath()) ||
                (ReadWholeFile(GamePath(), current) && ReplaceFileSafely(GameFolder + UndoGameName, current));
    bool replaced = kept && ReplaceFileSafely(GamePath(), data);
    // A league's host: the houses' boards go with the game.  Notes of the
    // houses the restored game has are taken from a backup's LEAGUE.DAT
    // beside it when today's do not fit; the members hear of them with the
    // next game sent.
    if (replaced && PathExists(GameFolder + LeagueStateName) && LoadGame(GamePath())) {
        TLeagueState now = ReadLeagueState(GameFolder), fit = now;
        FitHousesToGame(fit);
        std::string beside = source.substr(0, source.size() - FileNameOf(source).size());
        if (PathExists(beside + LeagueStateName) && FullPath(beside) != FullPath(GameFolder)) {
            TLeagueState backup = ReadLeagueState(beside);
            FitHousesToGame(backup);
            for (int h = 1; h <= MaxHouseSlots; h++)
                if (fit.HouseBoard[h].empty() && !backup.HouseBoard[h].empty()) {
                    now.HouseBoard[h] = backup.HouseBoard[h];
                    now.HouseName[h] = backup.HouseName[h];
                    now.HouseDay[h] = backup.HouseDay[h];
                }
            if (!WriteLeagueState(GameFolder, now)) Say("LEAGUE.DAT could not be written: " + LastErrorText());
        }
    }
    GameRelease();
    if (!kept) Fatal("could not keep the current game as " + GameFolder + UndoGameName + "; nothing changed");
    if (!replaced) Fatal("could not write " + GamePath() + "; nothing changed");
    std::string line = "restored day " + IntToText(day) + " from " + source + "; the game before is " + UndoGameName;
    MaintLog(GameFolder, line);
    Say(line + ".");
}
