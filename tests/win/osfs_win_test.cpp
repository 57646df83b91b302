// The Windows file system and clock layer: paths with either slash, the
// safe replace while readers open and read the file, the lock's building blocks
// and the clock.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#undef DeleteFile

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/lock.h"
#include "core/osfs.h"
#include "core/text.h"
#include "core/replace.h"
#include "tests/testutil.h"

namespace {

// A finished process's id, for stamps of holders that are gone.
int64_t GoneProcess()
{
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = std::string("\"") + YDMAINT_PATH + "\"";
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return 0;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return pi.dwProcessId;
}

TEST(WinFiles, PathsTakeEitherSlashAndAppendABackslash)
{
    EXPECT_EQ(PathDelim, '\\');
    EXPECT_EQ(FolderWithDelim("C:\\games\\thyre"), "C:\\games\\thyre\\");
    EXPECT_EQ(FolderWithDelim("C:/games/thyre/"), "C:/games/thyre/");
    EXPECT_EQ(FolderWithDelim(""), "");
    EXPECT_EQ(FullPath("C:\\games\\thyre\\"), "C:\\games\\thyre\\");
    EXPECT_EQ(FullPath("C:/games/thyre/"), "C:\\games\\thyre\\");
    std::string prog = ProgramFolder();
    ASSERT_FALSE(prog.empty());
    EXPECT_EQ(prog.back(), '\\');
    // A game folder given with forward slashes is the same folder.
    TScratch s;
    std::string forward = s.Dir;
    for (char& c : forward)
        if (c == '\\') c = '/';
    TRun r = RunProgram(YDMAINT_PATH, {"-d", forward, "new", "-seed", "3"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    EXPECT_TRUE(CanOpenRead(s.Path("THYRE.DAT")));
    std::string bare = s.Dir.substr(0, s.Dir.size() - 1);
    r = RunProgram(YDMAINT_PATH, {"-d", bare, "join", "Astra", "Ann"});
    EXPECT_EQ(r.Exit, 0) << r.Out;
}

TEST(WinFiles, ReplacingAFileThatReadersKeepOpening)
{
    TScratch s;
    std::string path = s.Path("THYRE.DAT");
    ASSERT_TRUE(ReplaceFileSafely(path, std::string(5000, 'a')));
    // A reader that holds the file open for a moment delays the replace
    // (the rename tries again) but does not make it fail, and reads the
    // old content to its end.
    TFileHandle reader = FileOpenRead(path);
    ASSERT_GE(reader, 0);
    std::string old;
    std::thread slowReader([&] {
        SleepMs(200);
        char buf[5000];
        if (FileRead(reader, buf, sizeof buf) == 5000) old.assign(buf, sizeof buf);
        FileClose(reader);
    });
    EXPECT_TRUE(ReplaceFileSafely(path, std::string(7000, 'b')));
    slowReader.join();
    EXPECT_EQ(old, std::string(5000, 'a'));
    std::string now;
    ASSERT_TRUE(ReadWholeFile(path, now));
    EXPECT_EQ(now, std::string(7000, 'b'));
    EXPECT_EQ(FileSize(path), 7000);
    EXPECT_FALSE(PathExists(path + ".TMP"));
    // Readers opening it again and again (callers on many nodes, each read
    // a moment long) never find it missing or short, and every replace lands.
    std::atomic<bool> done{false};
    std::atomic<int> missing{0}, torn{0}, reads{0};
    std::thread watcher([&] {
        while (!done) {
            std::string data;
            if (!ReadWholeFile(path, data)) missing++;
            else if (data.size() != 7000 && data.size() != 9000) torn++;
            reads++;
            SleepMs(1);
        }
    });
    for (int i = 0; i < 200; i++) ASSERT_TRUE(ReplaceFileSafely(path, std::string(i % 2 ? 7000 : 9000, (char)('c' + i % 2))));
    done = true;
    watcher.join();
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_GT(reads, 0);
}

TEST(WinFiles, TheLocksBuildingBlocks)
{
    TScratch s;
    // A folder that exists already is refused as existing.
    ASSERT_TRUE(MakeFolder(s.Path("THYRE.LCK")));
    EXPECT_FALSE(MakeFolder(s.Path("THYRE.LCK")));
    EXPECT_TRUE(LastErrorWasExists());
    // A rename without replace refuses a name in use, folder or file.
    ASSERT_TRUE(MakeFolder(s.Path("THYRE.LCK.mine")));
    EXPECT_FALSE(RenameNoReplace(s.Path("THYRE.LCK.mine"), s.Path("THYRE.LCK")));
    EXPECT_TRUE(LastErrorWasExists());
    WriteFile(s.Path("A"), "one");
    WriteFile(s.Path("B"), "two");
    EXPECT_FALSE(RenameNoReplace(s.Path("A"), s.Path("B")));
    EXPECT_EQ(ReadFile(s.Path("B")), "two");
    EXPECT_TRUE(RenameFile(s.Path("A"), s.Path("B")));
    EXPECT_EQ(ReadFile(s.Path("B")), "one");
    EXPECT_TRUE(LinkOrCopy(s.Path("B"), s.Path("C")));
    EXPECT_EQ(ReadFile(s.Path("C")), "one");
    EXPECT_TRUE(RemoveFolder(s.Path("THYRE.LCK")));
    std::vector<std::string> names;
    ASSERT_TRUE(ListFolder(s.Dir, names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B", "C", "THYRE.LCK.mine"}));
    EXPECT_FALSE(ListFolder(s.Path("nothing"), names));
    // Why a call failed, in the system's words.
    EXPECT_FALSE(MakeFolder(s.Path("nothing\\deeper")));
    EXPECT_FALSE(LastErrorWasExists());
    EXPECT_FALSE(LastErrorText().empty());
    // The stamp's host names the platform, so POSIX programs sharing the
    // folder never judge a Windows process id, nor the reverse.
    std::string host = HostName();
    ASSERT_GT(host.size(), 4u);
    EXPECT_EQ(host.substr(host.size() - 4), "~win");
    EXPECT_TRUE(ProcessAlive(ProcessId()));
    int64_t gone = GoneProcess();
    ASSERT_GT(gone, 0);
    EXPECT_FALSE(ProcessAlive(gone));
}

void HeldBy(const TScratch& s, int64_t pid, const std::string& host)
{
    ASSERT_TRUE(MakeFolder(LockFolderPath(s.Dir)));
    WriteFile(LockOwnerPath(s.Dir), IntToText(LockClockNow()) + " 600 " + IntToText(pid) + " " + host + " t\r\n");
}

TEST(WinLock, OnlyThisPlatformsDeadHoldersAreClearedAtOnce)
{
    int64_t gone = GoneProcess();
    ASSERT_GT(gone, 0);
    // A Windows process of this machine that is gone: its lock is taken at once.
    TScratch a;
    HeldBy(a, gone, HostName());
    int64_t t0 = MonotonicMs();
    ASSERT_TRUE(TakeLock(a.Dir, 5, 20)) << LockTakeFailure();
    EXPECT_LT(MonotonicMs() - t0, 3000);
    ReleaseLock(a.Dir);
    EXPECT_FALSE(PathExists(LockFolderPath(a.Dir)));
    // The same number written by a POSIX program sharing the folder (the
    // host without the platform's mark) names no Windows process: the lock
    // stands until its hold runs out.
    TScratch b;
    std::string host = HostName();
    HeldBy(b, gone, host.substr(0, host.size() - 4));
    EXPECT_FALSE(TakeLock(b.Dir, 1, 20));
    EXPECT_TRUE(PathExists(LockOwnerPath(b.Dir)));
}

TEST(WinFiles, TheClock)
{
    TDateTime utc = UtcNow(), local = LocalNow();
    EXPECT_GE(utc.Year, 2024);
    EXPECT_TRUE(utc.Month >= 1 && utc.Month <= 12 && utc.Day >= 1 && utc.Day <= 31);
    EXPECT_TRUE(local.Hundredths >= 0 && local.Hundredths < 100);
    EXPECT_LE(std::llabs(UnixSeconds() - (int64_t)time(nullptr)), 2);
    int64_t t0 = MonotonicMs();
    SleepMs(50);
    EXPECT_GE(MonotonicMs() - t0, 40);
    // The test clock moves without waiting.
    FakeClock(true);
    int64_t u0 = UnixSeconds(), m0 = MonotonicMs();
    SleepMs(20000);
    EXPECT_GE(UnixSeconds() - u0, 19);
    EXPECT_GE(MonotonicMs() - m0, 20000);
    FakeClock(false);
    TScratch s;
    WriteFile(s.Path("F"), "x");
    EXPECT_LE(std::llabs(FileModifiedSeconds(s.Path("F")) - UnixSeconds()), 5);
    EXPECT_EQ(FileModifiedSeconds(s.Path("none")), -1);
    EXPECT_EQ(FileSize(s.Path("none")), -1);
}

}   // namespace
