// The sysop's copies of the game: a whole, consistent copy of the folder's
// files taken under the lock (backup), and going back to one of the nightly
// backups or to any saved game (restore) with the callers kept out meanwhile.
#include <algorithm>
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
#include "maint/web.h"
#include "core/settings.h"

enum { BackupCount = 7, BackupWaitSeconds = 60, BackupHoldSeconds = 1800 };

// Every file of the game a copy keeps; never the lock, the marker or a
// temporary file.
static const char* const CopiedFiles[] = {
    GameFileName,    SettingsFileName, EventsFileName, MessagesFileName, FameFileName,   NewsFileName,
    MaintLogName,    MaintLogOldName,  ErrorsLogName,  ErrorsLogOldName, OldGameName,    OldEventsName,
    OldMessagesName, UndoGameName,     "THYRE.ANS",    "THYRE.TXT",      LeagueConfigName, LeagueStateName,
    LeagueKeyName,   JournalName,      ScoresFileName,   ScoresUndoName,
};

static std::string BackupName(int n) { return std::string(BackupPrefix) + IntToText(n); }

// A folder's name as backup makes it: thyre-YYYYMMDD-HHMMSS, and -n after
// it for a second copy in the same second.  Its order key: the stamp, then n.
static bool CopyFolderName(const std::string& name, std::string& key)
{
    if (name.size() < 21 || name.compare(0, 6, "thyre-") != 0 || name[14] != '-') return false;
    for (size_t i = 6; i < 21; i++)
        if (i != 14 && (name[i] < '0' || name[i] > '9')) return false;
    int64_t n = 1;
    if (name.size() > 21 && (name[21] != '-' || !ParseInt64(name.substr(22), n) || n < 2 || n > 99999)) return false;
    key = name.substr(0, 21) + PadLeft(IntToText(n), 5);
    return true;
}

static bool CopiedFileName(const std::string& name)
{
    for (const char* f : CopiedFiles)
        if (name == f) return true;
    for (int n = 0; n < BackupCount; n++)
        if (name == BackupName(n)) return true;
    // What a copy cut short leaves: a file still under its temporary name.
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".TMP") == 0 && CopiedFileName(name.substr(0, name.size() - 4));
}

// Removes all but the newest `keep` copies in the folder.  Only folders of
// backup's own naming are touched, and only files of a copy in them: a
// folder that holds anything else stays, and is told.
static void KeepNewestCopies(const std::string& into, int keep)
{
    std::vector<std::string> names;
    std::vector<std::pair<std::string, std::string>> copies;   // key, name
    if (!ListFolder(into, names)) {
        Warn("the copies in " + into + " could not be listed: " + LastErrorText());
        return;
    }
    for (const std::string& name : names) {
        std::string key;
        if (CopyFolderName(name, key) && IsFolder(into + name)) copies.push_back({key, name});
    }
    std::sort(copies.begin(), copies.end());
    int removed = 0;
    for (size_t i = 0; i + (size_t)keep < copies.size(); i++) {
        std::string folder = FolderWithDelim(into + copies[i].second);
        std::vector<std::string> files;
        ListFolder(folder, files);
        for (const std::string& f : files)
            if (CopiedFileName(f)) DeleteFile(folder + f);
        if (RemoveFolder(folder))
            removed++;
        else
            Warn("the old copy " + folder + " stays: " + LastErrorText());
    }
    if (removed == 0) return;
    std::string line = "removed " + IntToText(removed) + (removed == 1 ? " older copy" : " older copies") + " from " + into + " (-keep " + IntToText(keep) + ")";
    MaintLog(GameFolder, line);
    Say(line);
}

void CmdBackup()
{
    // The folder is the first argument that is not -keep or its number.
    std::string target;
    for (size_t i = 0; i < CommandArgs.size(); i++) {
        if (CommandArgs[i] == "-keep") {
            i++;
            continue;
        }
        if (target.empty()) target = CommandArgs[i];
    }
    if (target.empty()) Fatal("backup needs the folder to put the copy in");
    int keep = IntOption("-keep", 0);
    if (HasOption("-keep") && (keep < 1 || keep > 9999)) Fatal("-keep needs the number of copies to keep, 1 or more");
    std::string into = FolderWithDelim(FullPath(target));
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
            failed = name + " into " + folder + ": " + LastErrorText();
            break;
        }
        copied++;
    }
    GameRelease();
    if (!failed.empty()) Fatal("could not copy " + failed);
    if (!PathExists(folder + GameFileName) || !LoadGame(folder + GameFileName))
        Fatal("the copy of " + std::string(GameFileName) + " in " + folder + " does not load");
    std::string line = "backup of day " + IntToText(Game.Header.Day) + ": " + Counted(copied, "file") + " in " + folder;
    MaintLog(GameFolder, line);
    Say(line);
    if (keep > 0) KeepNewestCopies(into, keep);
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
    // A file named without a folder is one of the game folder's (THYRE.UND,
    // THYRE.OLD), wherever the command is given from.
    bool bare = true;
    for (char c : arg) bare = bare && !IsPathDelim(c) && c != ':';
    return FullPath(bare ? GameFolder + arg : arg);
}

void CmdRestore()
{
    std::vector<std::string> args;
    for (const std::string& a : CommandArgs)
        if (a != "-yes") args.push_back(a);
    if (args.empty()) {
        Say("The nightly backups of " + GameFolder + " (THYRE.BKn is the game before the night of a day n,");
        Say("counting modulo 7; restore one with \"ydmaint restore N\"):");
        int today = PathExists(GamePath()) && LoadGame(GamePath()) ? Game.Header.Day : 0;
        for (int n = 0; n < BackupCount; n++) {
            std::string path = GameFolder + BackupName(n);
            if (!PathExists(path)) continue;
            std::string line = "  " + BackupName(n) + "  " + Described(path);
            // Taken before a night that a restore undid: the game is back
            // on an earlier day.
            if (today > 0 && LoadGame(path) && Game.Header.Day > today)
                line += "  (undone: the game went back to day " + IntToText(today) + ")";
            Say(line);
        }
        if (PathExists(GameFolder + UndoGameName))
            Say("  " + std::string(UndoGameName) + "  " + Described(GameFolder + UndoGameName) +
                "  (the game before the last restore)");
        if (PathExists(GamePath())) Say("Now: " + Described(GamePath()) + ".");
        return;
    }
    std::string source = RestoreSource(args[0]);
    std::string data, current;
    if (!ReadWholeFile(source, data)) Fatal("cannot read " + source + ": " + LastErrorText());
    if (!LoadGame(source)) Fatal(source + " is no game this program can load");
    // The game restored onto itself would also become THYRE.UND, and the
    // game before the last restore could no longer be brought back.
    if (ReadWholeFile(GamePath(), current) && current == data)
        Fatal(source + " is the game as it is now; nothing changed (" + UndoGameName + " is kept)");
    int day = Game.Header.Day;
    std::vector<std::string> then = HouseNames();
    std::string map = MapMark();
    // What going back loses, told before anything changes.
    bool running = PathExists(GamePath()) && LoadGame(GamePath());
    if (running && MapMark() != map) {
        // Not a day of this game: nothing is "gone back to".
        Say("The game is on day " + IntToText(Game.Header.Day) + "; " + source + " holds another game (another map), on day " +
            IntToText(day) + ".");
        Say("Restoring it replaces the running game, which is kept as " + std::string(UndoGameName) + ".");
    } else if (running) {
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
    // THYRE.UND, THYRE.DAT and the chart are replaced together: a Ctrl-C
    // waits until the restore is logged.
    if (!MaintenanceBeginHeld(BackupWaitSeconds, BackupHoldSeconds))
        Fatal(GameAccessFailure().empty() ? "the game stayed locked for a minute; nothing changed" : GameAccessFailure());
    current.clear();
    bool exists = PathExists(GamePath());
    bool read = !exists || ReadWholeFile(GamePath(), current);
    if (read && exists && current == data) {
        GameRelease();
        Fatal(source + " is the game as it is now; nothing changed (" + UndoGameName + " is kept)");
    }
    // The chart's history goes with the game it belongs to: today's is kept
    // beside THYRE.UND, and the restored game takes the one that was kept
    // with it (THYRE.UND's, or a backup copy's beside it) when there is one.
    std::string scores, scoresThen;
    bool hadScores = PathExists(GameFolder + ScoresFileName) && ReadWholeFile(GameFolder + ScoresFileName, scores);
    std::string sourceFolder = source.substr(0, source.size() - FileNameOf(source).size());
    bool ownFolder = FullPath(sourceFolder.empty() ? "." : sourceFolder) == FullPath(GameFolder.empty() ? "." : GameFolder);
    std::string thenPath = ownFolder ? (FileNameOf(source) == UndoGameName ? GameFolder + ScoresUndoName : "")
                                     : sourceFolder + ScoresFileName;
    bool haveThen = !thenPath.empty() && PathExists(thenPath) && ReadWholeFile(thenPath, scoresThen);
    bool kept = !exists || (read && ReplaceFileSafely(GameFolder + UndoGameName, current));
    std::string why = kept ? "" : LastErrorText();
    bool replaced = kept && ReplaceFileSafely(GamePath(), data);
    if (kept && !replaced) why = LastErrorText();
    if (replaced && exists) {
        if (hadScores)
            ReplaceFileSafely(GameFolder + ScoresUndoName, scores);
        else
            DeleteFile(GameFolder + ScoresUndoName);
    }
    if (replaced && haveThen) ReplaceFileSafely(GameFolder + ScoresFileName, scoresThen);
    // The chart forgets the nights that are undone (played again, they are
    // recorded anew).
    if (replaced) TrimScoreHistory(GameFolder, day);
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
    if (!kept) Fatal("could not keep the current game as " + GameFolder + UndoGameName + ": " + why + "; nothing changed");
    if (!replaced) Fatal("could not write " + GamePath() + ": " + why + "; nothing changed");
    std::string line = "restored day " + IntToText(day) + " from " + source + "; the game before is " + UndoGameName;
    MaintLog(GameFolder, line);
    HoldInterrupts(false);
    Say(line + ".");
    // The web page shows the game as it now is, not the nights undone.
    std::string web = ConfiguredWebFolder(GameFolder, ReadSettings(GameFolder));
    if (!web.empty()) {
        std::string problem = WriteWebSite(GameFolder, web);
        if (problem.empty())
            MaintLog(GameFolder, "web page written to " + web);
        else
            Warn("web page: " + problem);
    }
}
