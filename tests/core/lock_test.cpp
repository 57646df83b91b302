#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef DeleteFile
#else
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>
#endif

#include "core/files.h"
#include "core/lock.h"
#include "core/osfs.h"
#include "tests/testutil.h"
#include <filesystem>

// A leftover lock as a crashed holder leaves it.
static void LeaveLock(const TScratch& dir, int64_t age, int64_t hold)
{
    ASSERT_TRUE(MakeFolder(LockFolderPath(dir.Dir)));
    ASSERT_TRUE(WriteStamp(LockOwnerPath(dir.Dir), LockClockNow() - age, hold));
}

TEST(Lock, ClockAndStamps)
{
    EXPECT_EQ(LockClockFrom(2000, 3, 1, 0, 0, 0), 0);
    EXPECT_EQ(LockClockFrom(2000, 3, 2, 1, 2, 3), 86400 + 3723);
    EXPECT_EQ(LockClockFrom(2001, 3, 1, 0, 0, 0), 365 * 86400);
    EXPECT_EQ(LockClockFrom(2024, 3, 1, 0, 0, 0) - LockClockFrom(2024, 2, 28, 0, 0, 0), 2 * 86400);   // leap day
    TScratch dir;
    int64_t t, h;
    ASSERT_TRUE(WriteStamp(dir.Path("S"), 123456, 20));
    ASSERT_TRUE(ReadStamp(dir.Path("S"), t, h));
    EXPECT_EQ(t, 123456);
    EXPECT_EQ(h, 20);
    WriteFile(dir.Path("S"), "12 x\r\n");
    EXPECT_FALSE(ReadStamp(dir.Path("S"), t, h));
    WriteFile(dir.Path("S"), "");
    EXPECT_FALSE(ReadStamp(dir.Path("S"), t, h));
    EXPECT_FALSE(ReadStamp(dir.Path("missing"), t, h));
}

TEST(Lock, TakeAndRelease)
{
    TScratch dir;
    ASSERT_TRUE(TakeLock(dir.Dir, 1, 20));
    int64_t t, h;
    ASSERT_TRUE(ReadStamp(LockOwnerPath(dir.Dir), t, h));
    EXPECT_EQ(h, 20);
    EXPECT_LE(LockClockNow() - t, 1);
    EXPECT_FALSE(TakeLock(dir.Dir, 0, 20));   // held, and fresh
    ReleaseLock(dir.Dir);
    EXPECT_FALSE(PathExists(LockFolderPath(dir.Dir)));
    ReleaseLock(dir.Dir);   // already gone stays gone
    EXPECT_TRUE(TakeLock(dir.Dir, 0, 20));
    ReleaseLock(dir.Dir);
}

// Stale means older than the hold, strictly.  The clock may tick between
// leaving the lock and looking at it, so a look that straddled a second is
// tried again.
TEST(Lock, StaleLockBrokenOnlyPastItsHold)
{
    for (int tries = 0; tries < 5; tries++) {
        TScratch dir;
        int64_t before = LockClockNow();
        LeaveLock(dir, 20, 20);
        bool took = TakeLock(dir.Dir, 0, 20);
        if (LockClockNow() != before) continue;
        EXPECT_FALSE(took);
        EXPECT_TRUE(PathExists(LockOwnerPath(dir.Dir)));
        break;
    }
    TScratch dir;
    LeaveLock(dir, 21, 20);
    EXPECT_TRUE(TakeLock(dir.Dir, 1, 20));   // broken at the first look, then taken
    int64_t t, h;
    ASSERT_TRUE(ReadStamp(LockOwnerPath(dir.Dir), t, h));
    EXPECT_LE(LockClockNow() - t, 1);        // the stamp is ours now
}

TEST(Lock, FreshMarkerProtectsTheLock)
{
    TScratch dir;
    LeaveLock(dir, 100, 20);
    ASSERT_TRUE(WriteStamp(RunMarkerPath(dir.Dir), LockClockNow() - 600, 0));
    EXPECT_TRUE(RunMarkerFresh(dir.Dir));
    EXPECT_FALSE(TakeLock(dir.Dir, 1, 20));
    EXPECT_TRUE(PathExists(LockOwnerPath(dir.Dir)));
    // The run that set the marker may break it.
    SetRunMarker(dir.Dir, true);
    EXPECT_TRUE(TakeLock(dir.Dir, 1, 1800));
    ReleaseLock(dir.Dir);
    SetRunMarker(dir.Dir, false);
    EXPECT_FALSE(PathExists(RunMarkerPath(dir.Dir)));
    EXPECT_FALSE(RunMarkerFresh(dir.Dir));

    // A marker older than half an hour is ignored.
    LeaveLock(dir, 100, 20);
    ASSERT_TRUE(WriteStamp(RunMarkerPath(dir.Dir), LockClockNow() - 1860, 0));
    EXPECT_FALSE(RunMarkerFresh(dir.Dir));
    EXPECT_TRUE(TakeLock(dir.Dir, 1, 20));
    ReleaseLock(dir.Dir);
    // An unreadable marker counts as fresh.
    WriteFile(RunMarkerPath(dir.Dir), "garbage");
    EXPECT_TRUE(RunMarkerFresh(dir.Dir));
}

// Without OWNER the holder may be about to write it: only a waiter of 20
// seconds or more breaks such a lock.  On the settable clock, no real wait.
TEST(Lock, LockWithoutOwnerNeedsTwentySecondsOfWaiting)
{
    TScratch door, maint;
    ASSERT_TRUE(MakeFolder(LockFolderPath(door.Dir)));
    ASSERT_TRUE(MakeFolder(LockFolderPath(maint.Dir)));
    FakeClock(true);
    int64_t start = MonotonicMs();
    EXPECT_FALSE(TakeLock(door.Dir, 15, 20));
    EXPECT_GE(MonotonicMs() - start, 15000);
    EXPECT_TRUE(PathExists(LockFolderPath(door.Dir)));   // not broken
    start = MonotonicMs();
    EXPECT_TRUE(TakeLock(maint.Dir, 30, 1800));
    int64_t maintMs = MonotonicMs() - start;
    FakeClock(false);
    EXPECT_GE(maintMs, 20000);
    EXPECT_LT(maintMs, 25000);
    ReleaseLock(maint.Dir);
}

#ifndef _WIN32   // processes made with fork
// Two processes after the lock at the same moment: one at once, the other
// after the release, never both.
TEST(Lock, TwoProcessesTakeTurns)
{
    TScratch dir;
    int64_t go = MonotonicMs() + 300;
    pid_t kids[2];
    for (int k = 0; k < 2; k++) {
        kids[k] = fork();
        if (kids[k] == 0) {
            while (MonotonicMs() < go) SleepMs(1);
            if (!TakeLock(dir.Dir, 5, 20)) _exit(2);
            int64_t got = MonotonicMs();
            SleepMs(400);
            int64_t until = MonotonicMs();
            ReleaseLock(dir.Dir);
            std::string line = std::to_string(got) + " " + std::to_string(until) + "\n";
            TFileHandle fd = FileOpenAppend(dir.Path("held"));
            FileWrite(fd, line.data(), line.size());
            FileClose(fd);
            _exit(0);
        }
    }
    for (pid_t pid : kids) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<std::string> lines = Lines(ReadFile(dir.Path("held")));
    ASSERT_EQ(lines.size(), 2u);
    long long g1, u1, g2, u2;
    sscanf(lines[0].c_str(), "%lld %lld", &g1, &u1);
    sscanf(lines[1].c_str(), "%lld %lld", &g2, &u2);
    EXPECT_TRUE(u1 <= g2 || u2 <= g1) << "held at the same time";
    EXPECT_LT(std::min(g1, g2) - go, 200);   // the first got it at once
}
#endif

#ifndef _WIN32   // processes made with fork
// Stamps anybody may have damaged, or written by a clock far from ours: the
// arithmetic stays within bounds, and no lock or marker stands for ever.
TEST(Lock, DamagedSkewedAndDeadStamps)
{
    TScratch dir;
    ASSERT_TRUE(MakeFolder(LockFolderPath(dir.Dir)));
    WriteFile(LockOwnerPath(dir.Dir), "-9223372036854775807 20\r\n");
    EXPECT_TRUE(TakeLock(dir.Dir, 2, 20));   // stale at once
    ReleaseLock(dir.Dir);
    // A stamp an hour ahead with a hold of 20 seconds is stale; 10 seconds
    // ahead is within its hold.
    LeaveLock(dir, -3600, 20);
    EXPECT_TRUE(TakeLock(dir.Dir, 2, 20));
    ReleaseLock(dir.Dir);
    LeaveLock(dir, -10, 20);
    EXPECT_FALSE(TakeLock(dir.Dir, 0, 20));
    ReleaseLock(dir.Dir);
    // The holder was a process of this machine that is gone: broken at once,
    // whatever its hold.
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    char host[256] = {0};
    gethostname(host, sizeof host - 1);
    ASSERT_TRUE(MakeFolder(LockFolderPath(dir.Dir)));
    WriteFile(LockOwnerPath(dir.Dir), std::to_string(LockClockNow()) + " 1800 " + std::to_string(gone) + " " + host +
                                          " t\r\n");
    int64_t start = MonotonicMs();
    EXPECT_TRUE(TakeLock(dir.Dir, 5, 20));
    EXPECT_LT(MonotonicMs() - start, 1000);
    // Our own stamp carries the process and the machine after the two numbers.
    std::string stamp = ReadFile(LockOwnerPath(dir.Dir));
    EXPECT_NE(stamp.find(" 20 " + std::to_string(getpid()) + " " + host + " "), std::string::npos) << stamp;
    ReleaseLock(dir.Dir);
    // A holder killed while its stamp was moved aside (releasing, or
    // breaking another's) left it under its own name: free at once.
    ASSERT_TRUE(MakeFolder(LockFolderPath(dir.Dir)));
    WriteFile(LockOwnerPath(dir.Dir) + "." + host + "." + std::to_string(gone) + ".1",
              std::to_string(LockClockNow()) + " 1800\r\n");
    // And one that died before renaming its new lock into place.
    std::string half = LockFolderPath(dir.Dir) + "." + host + "." + std::to_string(gone) + ".2";
    ASSERT_TRUE(MakeFolder(half));
    start = MonotonicMs();
    EXPECT_TRUE(TakeLock(dir.Dir, 5, 20));
    EXPECT_LT(MonotonicMs() - start, 1000);
    EXPECT_FALSE(PathExists(half));
    ReleaseLock(dir.Dir);
    // A live holder elsewhere keeps its lock.
    ASSERT_TRUE(MakeFolder(LockFolderPath(dir.Dir)));
    WriteFile(LockOwnerPath(dir.Dir), std::to_string(LockClockNow()) + " 1800 " + std::to_string(getppid()) + " " +
                                          host + " t\r\n");
    EXPECT_FALSE(TakeLock(dir.Dir, 0, 20));
    std::filesystem::remove_all(LockFolderPath(dir.Dir));

    // Markers: two hours ahead is not fresh; unreadable, fresh only while young.
    ASSERT_TRUE(WriteStamp(RunMarkerPath(dir.Dir), LockClockNow() + 7200, 0));
    EXPECT_FALSE(RunMarkerFresh(dir.Dir));
    WriteFile(RunMarkerPath(dir.Dir), "garbage");
    EXPECT_TRUE(RunMarkerFresh(dir.Dir));
    struct utimbuf old{time(nullptr) - 3600, time(nullptr) - 3600};
    ASSERT_EQ(utime(RunMarkerPath(dir.Dir).c_str(), &old), 0);
    EXPECT_FALSE(RunMarkerFresh(dir.Dir));
}
#endif

// A folder that cannot hold the lock at all is told at once, with the
// system's reason, instead of after a long wait blamed on a door.
#ifdef _WIN32
// The system's own words for a path that is not there.
static std::string NoSuchFolderWords()
{
    char buf[512] = {0};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_PATH_NOT_FOUND, 0,
                             buf, sizeof buf, nullptr);
    std::string text(buf, n);
    while (!text.empty() && std::string("\r\n .").find(text.back()) != std::string::npos) text.pop_back();
    return text;
}
static const std::string NoSuchFolderText = NoSuchFolderWords();
#else
static const std::string NoSuchFolderText = "No such file or directory";
#endif
TEST(Lock, AMissingFolderFailsAtOnceAndSaysWhy)
{
    TScratch dir;
    int64_t start = MonotonicMs();
    EXPECT_FALSE(TakeLock(dir.Path("missing/"), 30, 20));
    EXPECT_LT(MonotonicMs() - start, 1000);
    EXPECT_NE(LockTakeFailure().find(NoSuchFolderText), std::string::npos) << LockTakeFailure();
    // The lock is named by its full path, in the system's own spelling.
    EXPECT_NE(LockTakeFailure().find(FullPath(dir.Path("missing/"))), std::string::npos) << LockTakeFailure();
    EXPECT_NE(LockTakeFailure().find("THYRE.LCK"), std::string::npos) << LockTakeFailure();
    TRun r = RunProgram(YDMAINT_PATH, {"-d", dir.Path("missing"), "turn"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Out.find(NoSuchFolderText), std::string::npos) << r.Out;
}

#ifndef _WIN32   // processes made with fork
// Eight processes at a stale lock, round after round: exactly one holds it
// at any moment (each proves it by making a folder only one can make), and
// every one of them gets its turn.
TEST(Lock, EightWaitersOnAStaleLockNeverHoldItTogether)
{
    TScratch dir;
    const char* scale = std::getenv("THYRE_SOAK_SCALE");
    const int Rounds = 6 * (scale && std::atoi(scale) > 1 ? std::atoi(scale) : 1), Waiters = 8;
    for (int round = 0; round < Rounds; round++) {
        LeaveLock(dir, 100, 20);
        int64_t go = MonotonicMs() + 200;
        std::vector<pid_t> kids;
        for (int k = 0; k < Waiters; k++) {
            pid_t pid = fork();
            if (pid == 0) {
                while (MonotonicMs() < go) SleepMs(1);
                if (!TakeLock(dir.Dir, 20, 20)) _exit(2);
                if (!MakeFolder(dir.Path("INSIDE"))) _exit(3);   // somebody else holds it too
                SleepMs(2);
                RemoveFolder(dir.Path("INSIDE"));
                ReleaseLock(dir.Dir);
                _exit(0);
            }
            kids.push_back(pid);
        }
        for (pid_t pid : kids) {
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round << " status " << status;
        }
        EXPECT_FALSE(PathExists(LockFolderPath(dir.Dir)));
    }
    std::printf("[ figures  ] %d rounds of %d waiters on a stale lock, never two holders\n", Rounds, Waiters);
}
#endif

#ifndef _WIN32   // processes made with fork
// A process killed before any single step of breaking a stale lock, taking
// it and letting it go never leaves a lock the next process must wait out:
// the lock folder is never left empty, and the next taker gets in at once.
TEST(Lock, KilledAtEveryStepOfTakingBreakingAndReleasing)
{
    TScratch dir;
    int points = 0;
    for (int n = 1; n < 200; n++) {
        LeaveLock(dir, 100, 20);   // stale: the child breaks it first
        pid_t pid = fork();
        if (pid == 0) {
            FaultAfter(n, true);
            bool ok = TakeLock(dir.Dir, 5, 20);
            ReleaseLock(dir.Dir);
            ok = ok && TakeLock(dir.Dir, 5, 20);
            ReleaseLock(dir.Dir);
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << n;
        if (WEXITSTATUS(status) == 0) break;   // past the last step
        ASSERT_EQ(WEXITSTATUS(status), FaultDeathCode) << n;
        points++;
        std::vector<std::string> inLock;
        if (PathExists(LockFolderPath(dir.Dir))) {
            ASSERT_TRUE(ListFolder(LockFolderPath(dir.Dir), inLock));
            EXPECT_FALSE(inLock.empty()) << "killed before step " << n << " left an empty lock folder";
        }
        int64_t start = MonotonicMs();
        ASSERT_TRUE(TakeLock(dir.Dir, 2, 20)) << n;
        EXPECT_LT(MonotonicMs() - start, 1000) << n;
        EXPECT_NE(ReadFile(LockOwnerPath(dir.Dir)).find(" " + std::to_string(getpid()) + " "), std::string::npos);
        ReleaseLock(dir.Dir);
        EXPECT_FALSE(PathExists(LockFolderPath(dir.Dir))) << n;
        // Nor is anything the dead process made under its own name left.
        std::vector<std::string> names;
        ASSERT_TRUE(ListFolder(dir.Dir, names));
        for (const std::string& name : names)
            EXPECT_EQ(name.find(LockFolderName), std::string::npos) << name << " " << n;
    }
    EXPECT_GT(points, 10);
    std::printf("[ figures  ] killed before each of %d steps; the next taker never waited\n", points);
}
#endif
