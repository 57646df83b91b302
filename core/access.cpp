#include "core/access.h"

#include <cstdlib>

#include "core/files.h"
#include "core/gamefile.h"
#include "core/lock.h"

// What this thread holds, so it can always be let go: per thread, as the
// lock's own stamp is, so two threads never let go of each other's lock.
static thread_local std::string HeldFolder;
static thread_local bool LockHeld = false;
static thread_local bool MarkerHeld = false;

static void ReleaseAtExit()
{
    static bool registered = false;
    if (!registered) std::atexit(GameRelease);
    registered = true;
}

std::string GameFilePath(const std::string& folder) { return folder + GameFileName; }

bool GameLockHeld() { return LockHeld; }

std::string GameAccessFailure() { return LockTakeFailure(); }

static bool TakeHeld(const std::string& folder, int waitSeconds, int holdSeconds)
{
    ReleaseAtExit();
    if (!TakeLock(folder, waitSeconds, holdSeconds)) return false;
    HeldFolder = folder;
    LockHeld = true;
    return true;
}

TAccess FolderOpen(const std::string& folder, int waitSeconds, int holdSeconds, bool refuseDuringMaintenance)
{
    if (refuseDuringMaintenance && RunMarkerFresh(folder)) return AccessMaintenance;
    if (!TakeHeld(folder, waitSeconds, holdSeconds)) return LockTakeFailure().empty() ? AccessBusy : AccessFailed;
    return AccessOk;
}

TAccess GameOpen(const std::string& folder, int waitSeconds, int holdSeconds, bool refuseDuringMaintenance)
{
    TAccess locked = FolderOpen(folder, waitSeconds, holdSeconds, refuseDuringMaintenance);
    if (locked != AccessOk) return locked;
    if (!LoadGame(GameFilePath(folder))) {
        GameRelease();
        return AccessUnreadable;
    }
    return AccessOk;
}

bool MaintenanceBegin(const std::string& folder, int waitSeconds, int holdSeconds)
{
    ReleaseAtExit();
    SetRunMarker(folder, true);
    HeldFolder = folder;
    MarkerHeld = true;
    if (TakeHeld(folder, waitSeconds, holdSeconds)) return true;
    GameRelease();
    return false;
}

bool GameSave(bool* ioError)
{
    if (ioError) *ioError = false;
    if (!LockHeld) return false;
    return SaveGame(GameFilePath(HeldFolder), ioError);
}

void GameRelease()
{
    if (LockHeld) ReleaseLock(HeldFolder);
    if (MarkerHeld) SetRunMarker(HeldFolder, false);
    LockHeld = MarkerHeld = false;
}
