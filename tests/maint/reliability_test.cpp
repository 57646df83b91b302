// What the programs promise under a sysop's worst night: killed at any
// moment they leave a complete game that plays on exactly as if nothing
// happened; many writers at once never lose an update nor see a half file.
// THYRE_SOAK_SCALE (default 1) multiplies the rounds for `make reliability`.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "core/files.h"
#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/stores.h"
#include "tests/testutil.h"

namespace {

int Scale()
{
    const char* s = std::getenv("THYRE_SOAK_SCALE");
    int n = s ? std::atoi(s) : 1;
    return n < 1 ? 1 : n;
}

pid_t Spawn(const std::vector<std::string>& args)
{
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(YDMAINT_PATH));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(YDMAINT_PATH, argv.data());
        _exit(127);
    }
    return pid;
}

int Wait(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void NewGameIn(const TScratch& s, int seed)
{
    TRun r = RunProgram(YDMAINT_PATH, {"-d", s.Dir, "new", "-seed", std::to_string(seed), "-players", "25"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
}

int Day(const TScratch& s)
{
    EXPECT_TRUE(LoadGame(s.Path(GameFileName)));
    return Game.Header.Day;
}

} // namespace

// Nights killed at random moments, again and again: each time the folder
// loads, the next night plays, and after as many completed nights the game
// and its events are byte for byte those of nights never interrupted.
TEST(Reliability, NightsKilledAtRandomMomentsLeaveTheSameGame)
{
    TScratch killed, plain;
    NewGameIn(killed, 11);
    NewGameIn(plain, 11);
    std::mt19937 rnd(7);
    const int Attempts = 150 * Scale();
    int kills = 0;
    for (int attempt = 0; attempt < Attempts; attempt++) {
        pid_t pid = Spawn({"-d", killed.Dir, "turn"});
        usleep((useconds_t)(rnd() % 9000));   // a night takes about five milliseconds here
        kill(pid, SIGKILL);
        if (Wait(pid) == 128 + SIGKILL) kills++;
        ASSERT_TRUE(LoadGame(killed.Path(GameFileName))) << "a killed night left no complete game";
    }
    TRun last = RunProgram(YDMAINT_PATH, {"-d", killed.Dir, "turn"});
    ASSERT_EQ(last.Exit, 0) << last.Out;
    int day = Day(killed);
    for (int d = 1; d < day; d++) ASSERT_EQ(RunProgram(YDMAINT_PATH, {"-d", plain.Dir, "turn"}).Exit, 0);
    EXPECT_GT(kills, Attempts / 4);
    EXPECT_EQ(ReadFile(killed.Path(GameFileName)), ReadFile(plain.Path(GameFileName)));
    EXPECT_EQ(ReadFile(killed.Path(EventsFileName)), ReadFile(plain.Path(EventsFileName)));
    // The last night ran to its end: nothing of the killed ones stays in the way.
    EXPECT_FALSE(PathExists(LockFolderPath(killed.Dir)));
    EXPECT_FALSE(RunMarkerFresh(killed.Dir));
    std::printf("[ figures  ] %d nights killed, %d nights played\n", kills, day - 1);
}

// Joins, nights and readers in one folder at once: every join reported as
// done is in the game, no slot is given twice, and a reader without the
// lock never finds THYRE.DAT missing or cut short.
TEST(Reliability, ManyWritersAtOnceLoseNothing)
{
    TScratch s;
    NewGameIn(s, 5);
    int64_t expect = FileSize(s.Path(GameFileName));
    const int Rounds = 3 * Scale(), Joiners = 8;
    int joined = 0, processes = 0;
    pid_t reader = fork();
    if (reader == 0) {
        // A door's look without the lock, as fast as it can.
        for (;;) {
            std::string data;
            if (!ReadWholeFile(s.Path(GameFileName), data)) _exit(3);
            if ((int64_t)data.size() < HeaderSize || data.compare(0, 4, "YVRN") != 0) _exit(4);
        }
    }
    for (int round = 0; round < Rounds; round++) {
        std::vector<pid_t> kids;
        for (int j = 0; j < Joiners; j++)
            kids.push_back(Spawn({"-d", s.Dir, "join", "House " + std::to_string(round * Joiners + j),
                                  "Player " + std::to_string(round * Joiners + j)}));
        pid_t night = Spawn({"-d", s.Dir, "turn"});
        for (pid_t k : kids) joined += Wait(k) == 0;
        EXPECT_EQ(Wait(night), 0);
        processes += Joiners + 1;
    }
    int status = 0;
    EXPECT_EQ(waitpid(reader, &status, WNOHANG), 0) << "the reader found a half-written game";
    kill(reader, SIGKILL);
    waitpid(reader, nullptr, 0);
    ASSERT_TRUE(LoadGame(s.Path(GameFileName)));
    int players = 0;
    for (int h = 1; h <= MaxHouseSlots; h++) players += HouseRec(h).Status != StatusFree && !HouseRec(h).Computer;
    EXPECT_EQ(players, joined);
    EXPECT_GT(expect, 0);
    EXPECT_FALSE(PathExists(LockFolderPath(s.Dir)));
    std::printf("[ figures  ] %d processes, %d joins done, %d houses kept\n", processes, joined, players);
}
