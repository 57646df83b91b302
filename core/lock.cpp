#include "core/lock.h"

#include "core/files.h"
#include "core/osfs.h"
#include "core/text.h"

#include <cstdint>
#include <vector>

// Per thread, so tests that take locks of two folders from two threads stay
// apart (each program has one thread); plain buffers, so they are still
// there for the release that runs when the process ends.
static thread_local bool RunMarkerMine = false;
static thread_local char TakeFailure[600];   // why the last TakeLock failed, when not for a holder
static thread_local char MyStamp[600];       // the OWNER line of the lock this thread took
static thread_local int64_t Uniques = 0;

static void Keep(char* buffer, size_t size, const std::string& text)
{
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    text.copy(buffer, n);
    buffer[n] = 0;
}

// Stamps are read from files anybody may damage: their numbers are bounded
// so no arithmetic on them can overflow.
enum : int64_t { StampTimeLimit = 1000000000000LL, StampHoldLimit = 1000000000LL };
enum { OwnerlessBreakMs = 20000, MarkerFreshSeconds = 1801, ReleaseTries = 200 };

std::string LockFolderPath(const std::string& folder) { return folder + LockFolderName; }
std::string LockOwnerPath(const std::string& folder) { return folder + LockFolderName + PathDelim + LockOwnerName; }
std::string RunMarkerPath(const std::string& folder) { return folder + RunMarkerName; }
std::string LockTakeFailure() { return TakeFailure; }

int64_t LockClockFrom(int year, int month, int day, int hour, int minute, int second)
{
    int64_t y = year - 2000, m = month;
    if (m < 3) {
        y -= 1;
        m += 12;
    }
    int64_t days = (153 * (m - 3) + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 + day - 1;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

int64_t LockClockNow()
{
    TDateTime t = UtcNow();
    return LockClockFrom(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second);
}

// This machine's name as stamps carry it: short, never empty.
static std::string StampHost()
{
    std::string h = HostName().substr(0, 64);
    return h.empty() ? "-" : h;
}

static std::string StampLine(int64_t time, int64_t hold, const std::string& extra)
{
    return IntToText(time) + " " + IntToText(hold) + (extra.empty() ? "" : " " + extra) + "\r\n";
}

static bool WriteLine(const std::string& path, const std::string& line)
{
    TFileHandle fd = FileCreate(path);
    if (fd < 0) return false;
    bool ok = FileWrite(fd, line.data(), line.size());
    return FileClose(fd) && ok;
}

bool WriteStamp(const std::string& path, int64_t time, int64_t hold) { return WriteLine(path, StampLine(time, hold, "")); }

// The line: the time and the hold, then (from our own programs) the
// holder's process id, host name and a token; readers take the first two.
struct TStamp {
    int64_t Time = 0, Hold = 0, Pid = 0;
    std::string Host;
};

static bool ParseStamp(const std::string& text, TStamp& st)
{
    std::string line = text.substr(0, text.find_first_of("\r\n"));
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos < line.size() && parts.size() < 4) {
        size_t blank = line.find(' ', pos);
        if (blank == std::string::npos) blank = line.size();
        if (blank > pos) parts.push_back(line.substr(pos, blank - pos));
        pos = blank + 1;
    }
    if (parts.size() < 2 || !ParseInt64(parts[0], st.Time) || !ParseInt64(parts[1], st.Hold)) return false;
    st.Time = Clamp(st.Time, -StampTimeLimit, StampTimeLimit);
    st.Hold = Clamp(st.Hold, 0, StampHoldLimit);
    if (parts.size() >= 4 && !ParseInt64(parts[2], st.Pid)) st.Pid = 0;
    if (parts.size() >= 4) st.Host = parts[3];
    return true;
}

bool ReadStamp(const std::string& path, int64_t& time, int64_t& hold)
{
    std::string text;
    TStamp st;
    if (!ReadWholeFile(path, text) || !ParseStamp(text, st)) return false;
    time = st.Time;
    hold = st.Hold;
    return true;
}

// A holder is gone when its hold has passed, when its stamp lies further in
// the future than its own hold (another machine's clock, a clock set back),
// or when it was a process of this machine that no longer runs.
// The stamp's writer was a process of this machine that no longer runs.
static bool WriterGone(const TStamp& st)
{
    return st.Pid > 0 && st.Host == StampHost() && StampHost() != "-" && !ProcessAlive(st.Pid);
}

static bool StampStale(const TStamp& st)
{
    int64_t now = LockClockNow();
    return now - st.Time > st.Hold || st.Time - now > st.Hold || WriterGone(st);
}

static std::string UniqueSuffix()
{
    return "." + StampHost() + "." + IntToText(ProcessId()) + "." + IntToText(++Uniques);
}

// The process of this machine that named a file or folder NAME.host.pid.n,
// when it no longer runs.
static bool NamedByDeadProcess(const std::string& name, const std::string& prefix)
{
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    std::string rest = name.substr(prefix.size());
    std::string host = StampHost() + ".";
    if (rest.compare(0, host.size(), host) != 0) return false;
    rest = rest.substr(host.size());
    int64_t pid;
    return ParseInt64(rest.substr(0, rest.find('.')), pid) && pid > 0 && !ProcessAlive(pid);
}

// The moved-aside stamps of dead processes in the lock folder, when nothing
// else is in it.
static bool OnlyDeadAsides(const std::string& folder, std::vector<std::string>& asides)
{
    std::vector<std::string> names;
    if (!ListFolder(LockFolderPath(folder), names) || names.empty()) return false;
    for (const std::string& n : names) {
        if (!NamedByDeadProcess(n, std::string(LockOwnerName) + ".")) return false;
        asides.push_back(LockFolderPath(folder) + PathDelim + n);
    }
    return true;
}

// Deletes the files of a lock folder no longer in place, then the folder.
static void ClearAside(const std::string& path)
{
    std::vector<std::string> names;
    if (ListFolder(path, names))
        for (const std::string& n : names) DeleteFile(path + PathDelim + n);
    RemoveFolder(path);
}

// Folders under a private name left by a process that died: a taker before
// renaming its new lock into place, or a releaser or breaker after moving
// the lock out of place.
static void ClearDeadTakes(const std::string& folder)
{
    std::vector<std::string> names;
    if (!ListFolder(folder.empty() ? "." : folder, names)) return;
    for (const std::string& n : names)
        if (NamedByDeadProcess(n, std::string(LockFolderName) + ".")) ClearAside(folder + n);
}

// Takes away a lock folder that holds only the stamps its remover moved
// aside (or found there, left by dead processes).  The folder leaves its
// place in one rename, so a remover killed at any moment leaves either the
// lock with that stamp (cleared at once as a dead process's) or a private
// folder, never an empty THYRE.LCK that others would have to wait out.
// Where the rename is refused (a listing open on it), the stamps and the
// folder go one after the other.
static bool RemoveLockFolder(const std::string& folder, const std::vector<std::string>& asides)
{
    std::string gone = LockFolderPath(folder) + UniqueSuffix();
    if (RenameNoReplace(LockFolderPath(folder), gone)) {
        ClearAside(gone);
        return true;
    }
    for (const std::string& aside : asides) DeleteFile(aside);
    return RemoveFolder(LockFolderPath(folder));
}

// Breaking never removes a lock taken after the stale stamp was read: the
// stamp is first moved aside (one rename, so one breaker at a time), and
// only when the moved stamp is still the stale one is the lock removed;
// otherwise it is put back at once.  While the stamp is aside nobody else
// can take the lock or move its stamp, so the folder can go as a whole.
static bool BreakIfStale(const std::string& folder, int64_t elapsedMs)
{
    std::string owner = LockOwnerPath(folder), seen;
    TStamp st;
    if (ReadWholeFile(owner, seen) && ParseStamp(seen, st)) {
        if (!StampStale(st)) return false;
        std::string aside = owner + UniqueSuffix(), moved;
        if (!RenameFile(owner, aside)) return false;
        if (!ReadWholeFile(aside, moved) || moved != seen) {
            RenameFile(aside, owner);
            return false;
        }
        return RemoveLockFolder(folder, {aside});
    } else {
        // No readable stamp.  A holder or breaker of this machine killed
        // while its stamp was moved aside left the stamp under its own name:
        // when that process is gone, the lock is free at once.
        std::vector<std::string> asides;
        if (OnlyDeadAsides(folder, asides)) return RemoveLockFolder(folder, asides);
        // Otherwise a holder that died between making the folder and
        // stamping it (an older program) or a damaged file: after 20 seconds
        // of waiting it goes, moved aside like any stamp.  Only an empty
        // folder is removed here: a stamp another process holds aside for a
        // moment keeps it.
        if (elapsedMs < OwnerlessBreakMs) return false;
        std::string aside = owner + UniqueSuffix();
        if (PathExists(owner)) {
            if (!RenameFile(owner, aside)) return false;
            DeleteFile(aside);
        }
        return RemoveFolder(LockFolderPath(folder));
    }
}

static TLockWaiting Waiting = nullptr;

void SetLockWaiting(TLockWaiting hook)
{
    Waiting = hook;
}

enum { LockRetryFirstMs = 2, LockRetryMaxMs = 100 };

bool TakeLock(const std::string& folder, int waitSeconds, int holdSeconds)
{
    TakeFailure[0] = 0;
    int64_t start = MonotonicMs();
    int retryMs = LockRetryFirstMs;
    for (;;) {
        // The lock comes into place with its stamp in one rename: nobody
        // ever sees it without its OWNER.
        std::string mine = LockFolderPath(folder) + UniqueSuffix();
        if (!MakeFolder(mine)) {
            // Named as the sysop knows it, not by the passing name it is made under.
            Keep(TakeFailure, sizeof TakeFailure, "cannot make the lock " + FullPath(LockFolderPath(folder)) + ": " + LastErrorText());
            return false;
        }
        std::string stamp = StampLine(LockClockNow(), holdSeconds,
                                      IntToText(ProcessId()) + " " + StampHost() + " " +
                                          IntToText(MonotonicMs()) + "-" + IntToText(Uniques) + "-" +
                                          IntToText((int64_t)(intptr_t)&Uniques));
        std::string mineOwner = mine + PathDelim + LockOwnerName;
        if (!WriteLine(mineOwner, stamp)) {
            Keep(TakeFailure, sizeof TakeFailure, "cannot write the lock " + FullPath(LockFolderPath(folder)) + ": " + LastErrorText());
            DeleteFile(mineOwner);
            RemoveFolder(mine);
            return false;
        }
        if (RenameNoReplace(mine, LockFolderPath(folder))) {
            Keep(MyStamp, sizeof MyStamp, stamp);
            ClearDeadTakes(folder);   // what a killed taker or releaser left
            return true;
        }
        bool held = LastErrorWasExists();
        std::string why = LastErrorText();
        DeleteFile(mineOwner);
        RemoveFolder(mine);
        if (!held) {
            Keep(TakeFailure, sizeof TakeFailure, "cannot lock " + LockFolderPath(folder) + ": " + why);
            return false;
        }
        // A lock is held for about a millisecond: the first retries come
        // soon, then every 100 ms.  A change that meets another one waits
        // a few milliseconds, not a tenth of a second.
        SleepMs(retryMs);
        retryMs = retryMs * 2 > LockRetryMaxMs ? (int)LockRetryMaxMs : retryMs * 2;
        int64_t elapsedMs = MonotonicMs() - start;
        if (Waiting) Waiting(elapsedMs);
        // While the nightly run is under way nobody but the run itself breaks a lock.
        if (RunMarkerMine || !RunMarkerFresh(folder)) BreakIfStale(folder, elapsedMs);
        if (elapsedMs >= (int64_t)waitSeconds * 1000) return false;
    }
}

// Lets go of this process's own lock only: a lock that was broken as stale
// and taken by another is left to its holder.
void ReleaseLock(const std::string& folder)
{
    std::string owner = LockOwnerPath(folder);
    for (int i = 0; i < ReleaseTries; i++) {
        std::string aside = owner + UniqueSuffix(), moved;
        if (RenameFile(owner, aside)) {
            // A disk that fails once must not leave the lock behind: each
            // step is tried again a few times.
            if (ReadWholeFile(aside, moved) && (moved == MyStamp || MyStamp[0] == 0)) {
                for (int t = 0; t < 5 && PathExists(LockFolderPath(folder)) && !RemoveLockFolder(folder, {aside}); t++)
                    SleepMs(5);
            } else {
                for (int t = 0; t < 5 && !RenameFile(aside, owner); t++) SleepMs(5);
            }
            break;
        }
        if (!PathExists(LockFolderPath(folder))) break;
        SleepMs(5);   // a breaker holds the stamp aside for a moment
    }
    MyStamp[0] = 0;
}

void SetRunMarker(const std::string& folder, bool on)
{
    RunMarkerMine = on;
    if (on)
        WriteLine(RunMarkerPath(folder), StampLine(LockClockNow(), 0, IntToText(ProcessId()) + " " + StampHost() + " m"));
    else
        for (int t = 0; t < 5 && PathExists(RunMarkerPath(folder)) && !DeleteFile(RunMarkerPath(folder)); t++) SleepMs(5);
}

// A marker is fresh for half an hour from its stamp, never from a stamp in
// the future beyond that; an unreadable one only while the file is young.
bool RunMarkerFresh(const std::string& folder)
{
    std::string text;
    TStamp st;
    if (ReadWholeFile(RunMarkerPath(folder), text) && ParseStamp(text, st)) {
        // The run that wrote it died on this machine: nobody is at work.
        if (WriterGone(st)) return false;
        int64_t age = LockClockNow() - st.Time;
        return age < MarkerFreshSeconds && age > -MarkerFreshSeconds;
    }
    if (!PathExists(RunMarkerPath(folder))) return false;
    int64_t written = FileModifiedSeconds(RunMarkerPath(folder));
    int64_t age = UnixSeconds() - written;
    return written >= 0 && age < MarkerFreshSeconds && age > -MarkerFreshSeconds;
}
