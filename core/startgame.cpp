// Starting a game in a folder: the old game and its stores archived, a new
// map made from the settings, the computer houses founded, the game saved.
#include "core/history.h"
#include "core/league.h"
#include "core/startgame.h"

#include "core/chronicle.h"

#include "core/files.h"
#include "core/founding.h"
#include "core/galaxy.h"
#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/text.h"

// An archive replaces its older self in one rename, and only when there is
// something to archive.
static void MoveAside(const std::string& from, const std::string& to)
{
    if (PathExists(from)) RenameFile(from, to);
}

// The old game is copied to OLDGAME.DAT and stays THYRE.DAT until the new
// game replaces it in one rename: a start that fails half-way (a full disk)
// leaves the old game playing, never a folder without a game.  Its stores
// are moved aside, and moved back if the new game cannot be saved.
static bool ArchiveOldGame(const std::string& folder)
{
    std::string path = folder + GameFileName;
    if (LoadGame(path) && Game.Header.Ended && !Game.Header.FameWritten) {
        WriteFame(folder);
        SaveGame(path);
    }
    std::string old;
    if (!ReadWholeFile(path, old) || !ReplaceFileSafely(folder + OldGameName, old)) return false;
    MoveAside(folder + EventsFileName, folder + OldEventsName);
    MoveAside(folder + MessagesFileName, folder + OldMessagesName);
    return true;
}

static void UndoArchive(const std::string& folder)
{
    if (!PathExists(folder + EventsFileName)) MoveAside(folder + OldEventsName, folder + EventsFileName);
    if (!PathExists(folder + MessagesFileName)) MoveAside(folder + OldMessagesName, folder + MessagesFileName);
}

static void ClearOldFiles(const std::string& folder)
{
    std::string path = folder + GameFileName;
    DeleteFile(NewFileName(path));
    DeleteFile(OldFileName(path));
    for (int i = 0; i < 7; i++) DeleteFile(folder + BackupPrefix + IntToText(i));
    DeleteFile(folder + NewsFileName);
    DeleteFile(folder + ScoresFileName);
}

// The ComputerHouses list: names separated by commas; pieces shorter than
// three characters are passed over, and only houses actually founded use up
// a "Computer n" number.
static int FoundComputerHouses(const std::string& list)
{
    int n = 0;
    std::string text = list + ",";
    size_t start = 0;
    for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
        std::string piece = TrimText(text.substr(start, comma - start));
        if (piece.size() < 3) continue;
        if (FoundHouse(piece.substr(0, HouseNameMax), "Computer " + IntToText(n + 1), 1) >= 0) n++;
    }
    return n;
}

bool StartGame(const std::string& folder, const TSettings& settings, uint32_t seed, std::string& summary)
{
    summary.clear();
    std::string path = folder + GameFileName;
    bool archived = false;
    if (GameFileExists(path)) {
        if (!ArchiveOldGame(folder)) {
            summary = "the old game could not be kept as OLDGAME.DAT";
            return false;
        }
        archived = true;
        summary = "the old game is kept as OLDGAME.DAT; ";
    }
    TNewGame params;
    params.Name = settings.GameName;
    params.Players = settings.MaxHouses;
    params.SystemsPerHouse = settings.SystemsPerHouse;
    params.Days = settings.Days;
    params.JoinDays = settings.JoinDays;
    params.Hollow = settings.Hollow;
    params.Victories = (settings.DominionVictory ? VictoryDominion : 0) | (settings.RelicVictory ? VictoryRelics : 0) |
                       (settings.LastHouseVictory ? VictoryLastHouse : 0);
    params.Seed = (int32_t)seed;
    if (!GenerateGalaxy(params)) {
        if (archived) UndoArchive(folder);
        summary += "the galaxy could not be made";
        return false;
    }
    TGameHeader& hd = Game.Header;
    hd.AutopilotAfter = (uint8_t)(settings.AutopilotAfter & 0xFF);
    hd.DissolveAfter = (uint8_t)(settings.DissolveAfter & 0xFF);
    hd.PeaceDays = (uint8_t)Clamp(settings.PeaceDays, 0, 250);
    hd.Difficulty = (uint8_t)Clamp(settings.Difficulty, 1, 3);
    int computers = FoundComputerHouses(settings.ComputerHouses);
    if (!SaveGame(path)) {
        std::string why = LastErrorText();
        if (archived) UndoArchive(folder);
        summary = archived ? "THYRE.DAT could not be written (" + why + "); the old game goes on"
                           : "THYRE.DAT could not be written (" + why + ")";
        return false;
    }
    ClearOldFiles(folder);
    ForgetLeagueHouses(folder);
    summary += "new game \"" + StrGet(hd.GameName) + "\": " + IntToText(hd.SystemCount) + " systems, " +
               IntToText(hd.WorldCount) + " worlds, room for " + IntToText(hd.MaxHouses) + " houses, " +
               Counted(computers, "computer house");
    return true;
}
