#include "core/gamefile.h"

#include <cstring>

#include "core/model.h"
#include "core/rules.h"
#include "core/osfs.h"
#include "core/replace.h"

std::string NewFileName(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t delim = path.find_last_of("/\\");
    if (dot == std::string::npos || (delim != std::string::npos && dot < delim)) return path + ".NEW";
    return path.substr(0, dot) + ".NEW";
}

std::string OldFileName(const std::string& path)
{
    std::string n = NewFileName(path);
    return n.substr(0, n.size() - 3) + "OLD";
}

// One block of the file: where it lives in memory and how many bytes it has.
struct TBlock {
    void* Data;
    int64_t Bytes;
};

static int Count(int16_t n) { return n; }

// Blocks 2..9; sizes follow the header's counts, which may be negative in a
// damaged file (such a block never reads in full).
static void GameBlocks(TBlock blocks[8])
{
    const TGameHeader& h = Game.Header;
    blocks[0] = {Game.Houses, (int64_t)sizeof Game.Houses};
    blocks[1] = {Game.Relations, (int64_t)sizeof Game.Relations};
    blocks[2] = {Game.Systems, (int64_t)sizeof(TSystem) * Count(h.SystemCount)};
    blocks[3] = {Game.Lanes, (int64_t)sizeof(TLane) * Count(h.LaneCount)};
    blocks[4] = {Game.Worlds, (int64_t)sizeof(TWorld) * Count(h.WorldCount)};
    blocks[5] = {Game.Fleets, (int64_t)sizeof(TFleet) * Count(h.FleetCount)};
    blocks[6] = {Game.Builds, (int64_t)sizeof(TBuildOrder) * Count(h.BuildCount)};
    blocks[7] = {Game.Charts, (int64_t)sizeof Game.Charts};
}

int64_t GameFileSize()
{
    TBlock blocks[8];
    GameBlocks(blocks);
    int64_t size = HeaderSize;
    for (const TBlock& b : blocks) size += b.Bytes > 0 ? b.Bytes : 0;
    return size;
}

// Whether a file holds a whole game: a header we know, counts within the
// tables, and exactly the bytes those counts need (a save cut short is not).
static bool GameFileComplete(const std::string& path)
{
    TFileHandle fd = FileOpenRead(path);
    if (fd < 0) return false;
    TGameHeader h;
    bool ok = FileRead(fd, &h, HeaderSize) == HeaderSize;
    FileClose(fd);
    if (!ok || std::string(h.Magic, 4) != "YVRN" || h.Version != 1) return false;
    if (h.SystemCount < 0 || h.LaneCount < 0 || h.WorldCount < 0 || h.FleetCount < 0 || h.BuildCount < 0) return false;
    if (h.SystemCount > MaxSystems || h.LaneCount > MaxLanes || h.WorldCount > MaxWorlds || h.FleetCount > MaxFleets ||
        h.BuildCount > MaxBuilds)
        return false;
    int64_t size = HeaderSize + (int64_t)sizeof Game.Houses + (int64_t)sizeof Game.Relations +
                   (int64_t)sizeof(TSystem) * h.SystemCount + (int64_t)sizeof(TLane) * h.LaneCount +
                   (int64_t)sizeof(TWorld) * h.WorldCount + (int64_t)sizeof(TFleet) * h.FleetCount +
                   (int64_t)sizeof(TBuildOrder) * h.BuildCount + (int64_t)sizeof Game.Charts;
    return FileSize(path) == size;
}

void RecoverGameFile(const std::string& path)
{
    if (CanOpenRead(path)) return;
    // THYRE.NEW only when it was written whole; a cut one would leave a game
    // nobody can read while THYRE.OLD holds a good one.
    if (CanOpenRead(NewFileName(path)) && (GameFileComplete(NewFileName(path)) || !CanOpenRead(OldFileName(path))))
        RenameFile(NewFileName(path), path);
    else if (CanOpenRead(OldFileName(path)))
        RenameFile(OldFileName(path), path);
}

bool GameFileExists(const std::string& path)
{
    RecoverGameFile(path);
    return CanOpenRead(path);
}

static bool CountsWithinTables()
{
    const TGameHeader& h = Game.Header;
    return h.SystemCount <= MaxSystems && h.LaneCount <= MaxLanes && h.WorldCount <= MaxWorlds &&
           h.FleetCount <= MaxFleets && h.BuildCount <= MaxBuilds;
}

static bool NoneOr(int v, int limit) { return v < 0 || v < limit; }

bool GameReferencesValid()
{
    const TGameHeader& h = Game.Header;
    if (h.SystemCount < 0 || h.LaneCount < 0 || h.WorldCount < 0 || h.FleetCount < 0 || h.BuildCount < 0)
        return false;
    if (!CountsWithinTables() || !NoneOr(h.ExchangeSystem, h.SystemCount)) return false;
    for (int s = 0; s < h.SystemCount; s++) {
        const TSystem& sys = Game.Systems[s];
        if (sys.WorldCount > MaxWorldsPerSystem) return false;
        if (sys.WorldCount > 0 && (sys.FirstWorld < 0 || sys.FirstWorld + sys.WorldCount > h.WorldCount))
            return false;
    }
    for (int l = 0; l < h.LaneCount; l++)
        if (!IsSystem(Game.Lanes[l].A) || !IsSystem(Game.Lanes[l].B)) return false;
    for (int w = 0; w < h.WorldCount; w++)
        if (!IsSystem(Game.Worlds[w].System)) return false;
    for (int f = 0; f < h.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (fl.House == 0) continue;
        if (!IsSystem(fl.Loc) || !NoneOr(fl.Dest, h.SystemCount)) return false;
        // The target is a world for landings and a fleet for an escort.
        if ((fl.Order == OrderInvade || fl.Order == OrderSettle) && !NoneOr(fl.Target, h.WorldCount)) return false;
        if (fl.Order == OrderEscort && !NoneOr(fl.Target, h.FleetCount)) return false;
    }
    for (int b = 0; b < h.BuildCount; b++) {
        const TBuildOrder& bo = Game.Builds[b];
        bool ship = IsShipItem(bo.Item), building = IsBuildingItem(bo.Item);
        if (!IsWorld(bo.World) || !(ship || building)) return false;
    }
    for (int house = 1; house <= MaxHouseSlots; house++) {
        const THouse& hr = HouseRec(house);
        if (hr.Status == StatusFree) continue;
        if (!IsWorld(hr.HomeWorld) || !NoneOr(hr.Capital, h.WorldCount)) return false;
    }
    return true;
}

// The game from a source that gives the file's bytes in order; read(p, n)
// is false when n bytes are not there.
template <class Read> static bool LoadFrom(Read read)
{
    if (!read(&Game.Header, HeaderSize) || std::string(Game.Header.Magic, 4) != "YVRN" || Game.Header.Version != 1 ||
        !CountsWithinTables())
        return false;
    TBlock blocks[8];
    GameBlocks(blocks);
    for (const TBlock& b : blocks)
        if (b.Bytes < 0 || !read(b.Data, (size_t)b.Bytes)) return false;
    // A file whose records point outside the tables is as unreadable as a
    // short one: no program may ever index with them.
    return GameReferencesValid();
}

bool LoadGame(const std::string& path)
{
    ResetGame();
    RecoverGameFile(path);
    TFileHandle fd = FileOpenRead(path);
    if (fd < 0) return false;
    bool ok = LoadFrom([fd](void* p, size_t n) { return FileRead(fd, p, n) == (int64_t)n; });
    FileClose(fd);
    return ok;
}

bool LoadGameBytes(const std::string& data)
{
    ResetGame();
    size_t pos = 0;
    return LoadFrom([&](void* p, size_t n) {
        if (data.size() - pos < n) return false;
        std::memcpy(p, data.data() + pos, n);
        pos += n;
        return true;
    });
}

bool SaveGame(const std::string& path, bool* ioError)
{
    if (ioError) *ioError = false;
    TBlock blocks[8];
    GameBlocks(blocks);
    std::string data((const char*)&Game.Header, HeaderSize);
    for (const TBlock& b : blocks)
        if (b.Bytes > 0) data.append((const char*)b.Data, (size_t)b.Bytes);
    // THYRE.OLD is kept as a second name of the game before this save.
    TReplaceOpts opts;
    opts.Temp = NewFileName(path);
    opts.KeepOld = OldFileName(path);
    TReplaceResult r = ReplaceFile(path, data, opts);
    if (r == ReplaceWriteError && ioError) *ioError = true;
    return r == ReplaceDone;
}
