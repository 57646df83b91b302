// The part of the file system layer that is the same on every platform:
// path text, whole-file reads and copies, and the tests' fault and clock
// hooks.  The operating-system calls are in osfs_posix.cpp and osfs_win.cpp.
#include "core/osfs.h"

#include "core/osfs_platform.h"

#include <cstdlib>
#include <cxxabi.h>

// The compiler's own name of a type made readable (the same ABI on both
// builds).
std::string ReadableTypeName(const std::type_info& type)
{
    int status = 0;
    char* plain = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && plain ? plain : type.name();
    std::free(plain);
    return name;
}

bool IsPathDelim(char c) { return c == '/' || c == '\\'; }

std::string FolderWithDelim(const std::string& folder)
{
    if (folder.empty() || IsPathDelim(folder.back())) return folder;
    return folder + PathDelim;
}

// Fault injection for the tests: when armed, the n-th changing file
// operation from then on fails as a full or broken disk would.
// Armed to die, the process ends there instead, as a killed one would.
static int64_t FaultCountdown = 0;
static bool FaultDies = false;
void FaultAfter(int64_t n, bool die)
{
    FaultCountdown = n > 0 ? n : 0;
    FaultDies = die;
}
bool FaultHit() { return FaultCountdown == 0; }

bool FaultNow()
{
    if (FaultCountdown <= 0 || --FaultCountdown > 0) return false;
    if (FaultDies) std::_Exit(FaultDeathCode);
    SetFaultError();
    return true;
}

// A settable clock for the tests: while it is on, sleeping only moves the
// clock forward, so waits of twenty seconds take no real time.
static bool ClockIsFake = false;
static int64_t ClockShiftMs = 0;

void FakeClock(bool on)
{
    ClockIsFake = on;
    ClockShiftMs = 0;
}

int64_t FakeClockShiftMs() { return ClockShiftMs; }

bool FakeClockSleep(int ms)
{
    if (!ClockIsFake) return false;
    ClockShiftMs += ms;
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& out)
{
    out.clear();
    TFileHandle fd = FileOpenRead(path);
    if (fd < 0) return false;
    // Read straight into the text at the size the file has now, with room
    // for a file that grew meanwhile: no buffer is copied or grown twice.
    int64_t size = FileSize(path);
    size_t have = 0;
    out.resize(size > 0 ? (size_t)size + 1 : 65536);
    for (;;) {
        int64_t r = FileRead(fd, &out[have], out.size() - have);
        if (r < 0) {
            CloseUnchecked(fd);
            out.clear();
            return false;
        }
        have += (size_t)r;
        if (have < out.size()) break;
        out.resize(out.size() * 2);
    }
    out.resize(have);
    CloseUnchecked(fd);
    return true;
}

bool CopyWholeFile(const std::string& from, const std::string& to)
{
    std::string data;
    if (!ReadWholeFile(from, data)) return false;
    TFileHandle fd = FileCreate(to);
    if (fd < 0) return false;
    bool ok = FileWrite(fd, data.data(), data.size()) && FileSync(fd);
    return FileClose(fd) && ok;
}

std::string FileNameOf(const std::string& path)
{
    size_t i = path.size();
    while (i > 0 && !IsPathDelim(path[i - 1])) i--;
    return path.substr(i);
}
