// The one way in to the game for all three programs: the maintenance marker,
// the folder lock, loading, saving, and letting go of both on every way out
// (an early return, a failure, or the end of the process).
#pragma once
#include <string>

enum TAccess {
    AccessOk,            // the lock is held and the game loaded
    AccessMaintenance,   // a fresh MAINT.RUN: the night (or a new game) is under way
    AccessBusy,          // the lock could not be had in time
    AccessUnreadable,    // THYRE.DAT is missing or damaged
    AccessFailed,        // the folder refused the lock (missing, read-only): GameAccessFailure says why
};
// Why the lock could not even be tried: the folder and the system's words.
std::string GameAccessFailure();

// Takes the folder lock and loads THYRE.DAT of the folder (given with its
// delimiter).  With refuseDuringMaintenance a fresh marker turns the caller
// away before any wait.  Anything but AccessOk leaves nothing held.
TAccess GameOpen(const std::string& folder, int waitSeconds, int holdSeconds, bool refuseDuringMaintenance);
// The lock alone, for the stores that are changed in place (the letters):
// the same refusals as GameOpen but AccessUnreadable, nothing loaded.
TAccess FolderOpen(const std::string& folder, int waitSeconds, int holdSeconds, bool refuseDuringMaintenance);
// For the night and for starting a game: sets MAINT.RUN, then takes the lock
// (nothing loaded).  False, with nothing held, when the lock stays taken.
bool MaintenanceBegin(const std::string& folder, int waitSeconds, int holdSeconds);
// Saves the game held by GameOpen; false (and *ioError on a write error)
// when it could not be saved.  The lock stays held.
bool GameSave(bool* ioError = nullptr);
// Releases the lock and the marker, whichever this process holds.  Safe to
// call at any time; also run when the process ends.
void GameRelease();
bool GameLockHeld();
// THYRE.DAT of the folder now held, or of any folder.
std::string GameFilePath(const std::string& folder);
