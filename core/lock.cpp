#include "core/lock.h"

#include "core/files.h"
#include "core/osfs.h"
#include "core/text.h"

static bool RunMarkerMine = false;

std::string LockFolderPath(const std::string& folder) { return folder + LockFolderName; }
std::string LockOwnerPath(const std::string& folder) { return folder + LockFolderName + PathDelim + LockOwnerName; }
std::string RunMarkerPath(const std::string& folder) { return folder + RunMarkerName; }

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

bool WriteStamp(const std::string& path, int64_t time, int64_t hold)
{
    std::string line = IntToText(time) + " " + IntToText(hold) + "\r\n";
    TFileHandle fd = FileCreate(path);
    if (fd < 0) return false;
    bool ok = FileWrite(fd, line.data(), line.size());
    return FileClose(fd) && ok;
}

bool ReadStamp(const std::string& path, int64_t& time, int64_t& hold)
{
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    std::string line = text.substr(0, text.find_first_of("\r\n"));
    size_t blank = line.find(' ');
    if (blank == std::string::npos) return false;
    return ParseInt64(line.substr(0, blank), time) && ParseInt64(line.substr(blank + 1, 30), hold);
}

void ReleaseLock(const std::string& folder)
{
    DeleteFile(LockOwnerPath(folder));
    RemoveFolder(LockFolderPath(folder));
}

// A lock whose holder has kept it past its declared hold is broken, but only
// after a second reading finds the very same stamp: a process that has just
// broken it and taken it anew has written a new one.
static bool BreakIfStale(const std::string& folder, int64_t elapsedMs)
{
    int64_t time, hold;
    if (ReadStamp(LockOwnerPath(folder), time, hold)) {
        if (LockClockNow() - time <= hold) return false;
        int64_t time2, hold2;
        if (!ReadStamp(LockOwnerPath(folder), time2, hold2) || time2 != time || hold2 != hold) return false;
    } else if (elapsedMs < 20000) {
        return false;   // a holder may be about to write its stamp
    }
    ReleaseLock(folder);
    return true;
}

bool TakeLock(const std::string& folder, int waitSeconds, int holdSeconds)
{
    int64_t start = MonotonicMs();
    for (;;) {
        if (MakeFolder(LockFolderPath(folder))) {
            WriteStamp(LockOwnerPath(folder), LockClockNow(), holdSeconds);
            return true;
        }
        SleepMs(100);
        int64_t elapsedMs = MonotonicMs() - start;
        // While the nightly run is under way nobody but the run itself breaks a lock.
        if (RunMarkerMine || !RunMarkerFresh(folder)) BreakIfStale(folder, elapsedMs);
        if (elapsedMs >= (int64_t)waitSeconds * 1000) return false;
    }
}

void SetRunMarker(const std::string& folder, bool on)
{
    RunMarkerMine = on;
    if (on)
        WriteStamp(RunMarkerPath(folder), LockClockNow(), 0);
    else
        DeleteFile(RunMarkerPath(folder));
}

bool RunMarkerFresh(const std::string& folder)
{
    int64_t time, hold;
    if (ReadStamp(RunMarkerPath(folder), time, hold)) return LockClockNow() - time < 1801;
    return PathExists(RunMarkerPath(folder));
}
