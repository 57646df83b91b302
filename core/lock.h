// The folder lock (THYRE.LCK with its OWNER stamp) that gives one process at a
// time the right to load, change and save the game, and the maintenance
// marker MAINT.RUN that turns doors away while the night is played.
#pragma once
#include <cstdint>
#include <string>

// folder is the game folder with its delimiter, or empty.
bool TakeLock(const std::string& folder, int waitSeconds, int holdSeconds);
// Why the last TakeLock failed when the folder itself refused it (read-only,
// missing): the folder and the system's words; empty when a holder kept it.
std::string LockTakeFailure();
void ReleaseLock(const std::string& folder);
// Called about every tenth of a second while TakeLock waits for a holder,
// with the milliseconds waited so far: a program with a person in front of
// it shows a sign of life.  None by default.
typedef void (*TLockWaiting)(int64_t waitedMs);
void SetLockWaiting(TLockWaiting hook);
void SetRunMarker(const std::string& folder, bool on);
bool RunMarkerFresh(const std::string& folder);

// Seconds since 1 March 2000, 00:00, counted in UTC so that a change of the
// local clock (summer time) never makes a fresh stamp look old.
int64_t LockClockNow();
int64_t LockClockFrom(int year, int month, int day, int hour, int minute, int second);
// Writes a stamp file: the time and the hold, one line.
bool WriteStamp(const std::string& path, int64_t time, int64_t hold);
bool ReadStamp(const std::string& path, int64_t& time, int64_t& hold);

std::string LockFolderPath(const std::string& folder);
std::string LockOwnerPath(const std::string& folder);
std::string RunMarkerPath(const std::string& folder);
