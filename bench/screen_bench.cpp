// One screen as a caller meets it, on a game at every limit (25 houses on
// 300 systems, 40 nights in): take the lock, load, release, recompute the
// scores and draw the main menu, the map at each zoom, and the news; and one
// change, saved safely.  The
// output goes to /dev/null through the door layer, as a caller's bytes go.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/founding.h"
#include "core/galaxy.h"
#include "core/gamefile.h"
#include "core/model.h"
#include "core/orders.h"
#include "door/door.h"
#include "door/dropfile.h"
#include "turn/turn.h"
#include "player/map.h"
#include "player/reports.h"
#include "player/visit.h"

static std::string MakeGame()
{
    char tmpl[] = "/tmp/thyre-screens-XXXXXX";
    char* made = mkdtemp(tmpl);
    if (!made) std::exit(1);
    std::string folder = std::string(made) + "/";
    TNewGame p;
    p.Players = 25;
    p.SystemsPerHouse = 12;
    p.Seed = 2026;
    p.Days = 0;
    GenerateGalaxy(p);
    for (int i = 0; i < 25; i++) FoundHouse("House " + std::to_string(i), "ai" + std::to_string(i), 1);
    for (int n = 0; n < 40; n++) PlayNight(folder);
    HouseRec(1).Computer = 0;   // the caller's
    SaveGame(folder + "THYRE.DAT");
    return folder;
}

// Median and worst of many runs, in milliseconds.
static void Time(const char* name, void (*screen)())
{
    std::vector<double> ms;
    for (int i = 0; i < 300; i++) {
        auto t0 = std::chrono::steady_clock::now();
        if (!GameLook()) std::exit(1);
        screen();
        DoorFlush();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-12s median %.3f ms   worst %.3f ms\n", name, ms[ms.size() / 2], ms.back());
}

// One change as a caller makes it: lock, load, check, apply, the safe save
// with its flush to the disk, release.
static void TimeChange()
{
    int w = HouseRec(Caller.House).HomeWorld;
    std::vector<double> ms;
    for (int i = 0; i < 100; i++) {
        auto t0 = std::chrono::steady_clock::now();
        if (!ChangeGame(CallerChange(ChangeFocus, {w, i % 5}))) std::exit(1);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-12s median %.3f ms   worst %.3f ms\n", "one change", ms[ms.size() / 2], ms.back());
}

static void Map(int zoom)
{
    TMapView v;
    v.Zoom = zoom;
    int s = CapitalSystem(Caller.House);
    if (s >= 0) v.CentreX = Game.Systems[s].X, v.CentreY = Game.Systems[s].Y;
    ShowMap(v);
}

int main()
{
    std::string folder = MakeGame();
    Caller.Folder = folder;
    Caller.House = 1;
    Caller.Player = StrGet(HouseRec(1).Player);
    int out = open("/dev/null", O_WRONLY);
    DoorAttach(ChannelHandles, out, out, true, 3600);
    DoorInfo.ScreenRows = 1000;   // no pauses: nobody answers them
    std::printf("game at day %d: %d systems, %d worlds, %d fleet slots\n", Game.Header.Day,
                Game.Header.SystemCount, Game.Header.WorldCount, Game.Header.FleetCount);
    Time("look only", [] {});
    Time("main menu", [] { DrawMainMenu(); });
    Time("map zoom 1", [] { Map(1); });
    Time("map zoom 2", [] { Map(2); });
    Time("map zoom 3", [] { Map(3); });
    Time("news", [] { DrawNews(); });
    TimeChange();
    DoorClose();
    std::system(("rm -rf " + folder).c_str());
    return 0;
}
