// Any bytes as the lock's OWNER and as MAINT.RUN: the stamps are read
// within bounds (no overflow under the sanitizers), and taking the lock
// with no wait comes back at once, taken or not, leaving nothing behind.
#include <cstdint>
#include <cstdlib>

#include "core/lock.h"
#include "tests/fuzz/fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string folder = FuzzFolder();
    size_t half = size / 2;
    MakeFolder(LockFolderPath(folder));
    FuzzFile("THYRE.LCK/OWNER", data, half);
    FuzzFile("MAINT.RUN", data + half, size - half);
    int64_t t, h;
    ReadStamp(LockOwnerPath(folder), t, h);
    RunMarkerFresh(folder);
    int64_t start = MonotonicMs();
    bool took = TakeLock(folder, 0, 20);
    if (MonotonicMs() - start > 2000) std::abort();
    if (took) ReleaseLock(folder);
    // Whatever is left is removed for the next input.
    DeleteFile(LockOwnerPath(folder));
    RemoveFolder(LockFolderPath(folder));
    DeleteFile(folder + "MAINT.RUN");
    return 0;
}
