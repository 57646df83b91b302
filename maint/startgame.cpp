#include "maint/startgame.h"

#include "core/founding.h"
#include "core/galaxy.h"
#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/text.h"
#include "maint/chronicle.h"
#include "maint/maintcmd.h"

// An archive replaces its older self in one rename, and only when there is
// something to archive.
static void MoveAside(const std::string& from, const std::string& to)
{
    if (PathExists(from)) RenameFile(from, to);
}

static void ArchiveOldGame(const std::string& folder)
{
    std::string path = folder + "THYRE.DAT";
    if (LoadGame(path) && Game.Header.Ended && !Game.Header.FameWritten) {
        WriteFame(folder);
        SaveGame(path);
    }
    MoveAside(path, folder + "OLDGAME.DAT");
    DeleteFile(NewFileName(path));
    DeleteFile(OldFileName(path));
    MoveAside(folder + "EVENTS.DAT", folder + "OLDEVENT.DAT");
    MoveAside(folder + "MSGS.DAT", folder + "OLDMSGS.DAT");
    for (int i = 0; i < 7; i++) DeleteFile(folder + "THYRE.BK" + IntToText(i));
    DeleteFile(folder + "NEWS.TXT");
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
        if (FoundHouse(piece.substr(0, 23), "Computer " + IntToText(n + 1), 1) >= 0) n++;
    }
    return n;
}

bool StartGame(const std::string& folder, const TSettings& settings, uint32_t seed, std::string& summary)
{
    summary.clear();
    std::string path = folder + "THYRE.DAT";
    if (GameFileExists(path)) {
        ArchiveOldGame(folder);
        summary = "the old game is kept as OLDGAME.DAT; ";
    }
    TNewGame params;
    params.Name = settings.GameName;
    params.Players = settings.MaxHouses;
    params.SystemsPerHouse = settings.SystemsPerHouse;
    params.Days = settings.Days;
    params.JoinDays = settings.JoinDays;
    params.Hollow = settings.Hollow;
    params.Victories = (settings.DominionVictory ? 1 : 0) + (settings.RelicVictory ? 2 : 0) +
                       (settings.LastHouseVictory ? 4 : 0);
    params.Seed = (int32_t)seed;
    if (!GenerateGalaxy(params)) {
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
        summary += "THYRE.DAT could not be written";
        return false;
    }
    summary += "new game \"" + StrGet(hd.GameName) + "\": " + IntToText(hd.SystemCount) + " systems, " +
               IntToText(hd.WorldCount) + " worlds, room for " + IntToText(hd.MaxHouses) + " houses, " +
               IntToText(computers) + " computer house(s)";
    return true;
}

bool StartNewGame(uint32_t seed, std::string& message)
{
    TSettings s = ReadSettings(GameFolder);
    if (!PathExists(GameFolder + SettingsFileName)) WriteSettings(GameFolder, s);
    s.MaxHouses = IntOption("-players", s.MaxHouses);
    s.Days = IntOption("-days", s.Days);
    s.Hollow = IntOption("-hollow", s.Hollow);
    s.SystemsPerHouse = IntOption("-systems", s.SystemsPerHouse);
    s.PeaceDays = (int32_t)Clamp(IntOption("-peace", s.PeaceDays), 0, 250);
    s.Difficulty = (int32_t)Clamp(IntOption("-difficulty", s.Difficulty), 1, 3);
    SetRunMarker(GameFolder, true);
    if (!TakeLock(GameFolder, 60, 1800)) {
        SetRunMarker(GameFolder, false);
        message = "the game stayed locked for a minute; is a door stuck?";
        return false;
    }
    bool ok = StartGame(GameFolder, s, seed, message);
    ReleaseLock(GameFolder);
    SetRunMarker(GameFolder, false);
    return ok;
}
