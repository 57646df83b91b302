#include "core/access.h"

#include <cstdlib>

#include "core/files.h"
#include "core/gamefile.h"
#include "core/lock.h"

// What this process holds, so it can always be let go, also by the
// release at exit.  Process-wide on purpose: a thread's own variables are
// gone before the functions run at exit, and the lock would stay.
static std::string HeldFolder;
static bool LockHeld = false;
static bool MarkerHeld = false;

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
