// Fuzz target for the game-file loader: any bytes as THYRE.DAT must load or
// fail without a crash, and a game that loads must be safe to walk with the
// model's operations and to save again byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/rules.h"
#include "tests/fuzz/fuzz_folder.h"

static void WalkGame()
{
    volatile int64_t sink = 0;
    for (int h = 0; h <= 28; h++) sink = sink + (int64_t)HouseName(h).size() + CapitalSystem(h);
    for (int s = 0; s < Game.Header.SystemCount; s++) sink = sink + SystemOwner(s) + LaneDegree(s, true);
    for (int w = 0; w < Game.Header.WorldCount; w++)
        sink = sink + (int64_t)WorldName(w).size() + (int64_t)WorldKindName(Game.Worlds[w].Kind).size();
    for (int l = 0; l < Game.Header.LaneCount; l++) sink = sink + LaneOther(l, Game.Lanes[l].A);
    for (int f = 0; f < Game.Header.FleetCount; f++) sink = sink + FleetSpeed(f) + FleetPower(f) + AtRest(f);
    for (int b = 0; b < Game.Header.BuildCount; b++) sink = sink + ShipCost(Game.Builds[b].House, Game.Builds[b].Item);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = FuzzFolder() + "THYRE.DAT";
    TFileHandle fd = FileCreate(path);
    if (fd < 0) std::abort();
    FileWrite(fd, data, size);
    FileClose(fd);
    if (LoadGame(path)) {
        WalkGame();
        int64_t bytes = GameFileSize();
        if (bytes > (int64_t)size) std::abort();
        if (!SaveGame(path)) std::abort();
        std::string again;
        if (!ReadWholeFile(path, again) || again != std::string((const char*)data, (size_t)bytes)) std::abort();
    }
    return 0;
}
