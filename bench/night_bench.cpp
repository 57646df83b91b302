// One whole night (the planner for every house, then the turn) on a game at
// every limit: 25 computer houses on 300 systems, played some nights in so
// that the fleet and world tables are well filled.  The plain and the fast
// searches are timed side by side on the same game, and the speed-up printed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "core/founding.h"
#include "core/galaxy.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/random.h"
#include "core/stores.h"
#include "turn/turn.h"

static TGame Start;
static std::string Folder, StartEvents;

static void PrepareGame()
{
    if (!Folder.empty()) return;
    char tmpl[] = "/dev/shm/thyre-bench-XXXXXX";
    char* made = mkdtemp(tmpl);
    if (!made) {
        char fallback[] = "/tmp/thyre-bench-XXXXXX";
        made = mkdtemp(fallback);
    }
    Folder = std::string(made) + "/";
    TNewGame p;
    p.Players = 25;
    p.SystemsPerHouse = 12;
    p.Seed = 2026;
    p.Days = 0;
    GenerateGalaxy(p);
    for (int i = 0; i < 25; i++) FoundHouse("House " + std::to_string(i), "ai" + std::to_string(i), 1);
    for (int n = 0; n < 40; n++) PlayNight(Folder);
    Start = Game;
    ReadWholeFile(Folder + "EVENTS.DAT", StartEvents);
    int fleets = 0;
    for (int f = 0; f < Game.Header.FleetCount; f++) fleets += Game.Fleets[f].House != 0;
    std::printf("game at day %d: %d systems, %d lanes, %d worlds, %d fleets in use (%d slots)\n", Game.Header.Day,
                Game.Header.SystemCount, Game.Header.LaneCount, Game.Header.WorldCount, fleets, Game.Header.FleetCount);
}

static double NightSeconds(bool fast)
{
    Game = Start;
    ReplaceFileSafely(Folder + "EVENTS.DAT", StartEvents);   // the same store each night
    SeedRandom(7);
    TNight night;
    night.PlainSearches = !fast;
    auto t0 = std::chrono::steady_clock::now();
    PlayNight(Folder, night);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

static void BM_NightFast(benchmark::State& state)
{
    PrepareGame();
    for (auto _ : state) state.SetIterationTime(NightSeconds(true));
}

static void BM_NightPlain(benchmark::State& state)
{
    PrepareGame();
    for (auto _ : state) state.SetIterationTime(NightSeconds(false));
}

BENCHMARK(BM_NightFast)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_NightPlain)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    // The two forms side by side on the same night, and the same result.
    PrepareGame();
    double fast = 1e9, plain = 1e9;
    std::string fastGame, plainGame;
    for (int i = 0; i < 5; i++) {
        fast = std::min(fast, NightSeconds(true));
        fastGame.assign((const char*)&Game, sizeof Game);
        plain = std::min(plain, NightSeconds(false));
        plainGame.assign((const char*)&Game, sizeof Game);
    }
    std::printf("best night: fast %.3f ms, plain %.3f ms, speed-up %.0fx, same result: %s\n", fast * 1e3,
                plain * 1e3, plain / fast, fastGame == plainGame ? "yes" : "NO");
    benchmark::Shutdown();
    return fastGame == plainGame ? 0 : 1;
}
