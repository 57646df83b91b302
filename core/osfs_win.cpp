// Windows implementation of the file system and clock layer.  Files are
// opened with every share mode, so a reader never keeps the night from
// replacing THYRE.DAT, and the replace itself is one MoveFileEx with
// write-through.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#undef DeleteFile

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "core/osfs.h"
#include "core/osfs_platform.h"

// The Windows error of the last failed call that callers may ask about.
static DWORD LastError = 0;

static bool Failed()
{
    LastError = GetLastError();
    return false;
}

void SetFaultError()
{
    LastError = ERROR_WRITE_FAULT;
    SetLastError(ERROR_WRITE_FAULT);
}

const char PathDelim = '\\';

std::string FullPath(const std::string& path)
{
    char buf[4096];
    DWORD n = GetFullPathNameA(path.empty() ? "." : path.c_str(), sizeof buf, buf, nullptr);
    if (n == 0 || n >= sizeof buf) return path;
    std::string full(buf, n);
    // A folder given with a trailing slash keeps it, in the platform's form.
    if (!path.empty() && IsPathDelim(path.back()) && !full.empty() && !IsPathDelim(full.back())) full += PathDelim;
    return full;
}

std::string ProgramFolder()
{
    char buf[4096];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return "";
    std::string exe(buf, n);
    size_t cut = exe.find_last_of("\\/");
    return cut == std::string::npos ? "" : exe.substr(0, cut + 1);
}

int64_t ProcessId() { return (int64_t)GetCurrentProcessId(); }

// A Windows process id means nothing to the POSIX programs of the same
// machine (a sysop may share the folder between Wine and native programs),
// so the name the lock's stamps carry names the platform as well.
std::string HostName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {0};
    DWORD n = sizeof name;
    if (!GetComputerNameA(name, &n)) return "";
    std::string host(name, n);
    for (char& c : host)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return host + "~win";
}

bool RestrictToOwner(const std::string& path) { return PathExists(path); }

std::string LocalUserName()
{
    const char* user = std::getenv("USERNAME");
    return user ? user : "";
}

bool ProcessAlive(int64_t pid)
{
    if (pid <= 0 || pid > 0xffffffffLL) return true;   // nothing we can ask about
    HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, (DWORD)pid);
    if (!p) return GetLastError() != ERROR_INVALID_PARAMETER;   // no such process
    bool running = WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
    CloseHandle(p);
    return running;
}

std::string LastErrorText()
{
    char buf[512] = {0};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, LastError, 0, buf,
                             sizeof buf, nullptr);
    std::string text(buf, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "error " + std::to_string(LastError) : text;
}

bool LastErrorWasExists()
{
    return LastError == ERROR_ALREADY_EXISTS || LastError == ERROR_FILE_EXISTS || LastError == ERROR_DIR_NOT_EMPTY;
}

bool StdoutIsTerminal()
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

bool StdinIsTerminal()
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

static const DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool CanOpenRead(const std::string& path)
{
    DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A file that is open cannot be replaced on Windows, even when every opener
// shares it; callers reading THYRE.DAT without the lock, a scanner or an
// indexer hold it for moments only, so a rename that meets one tries again
// for up to five seconds before it fails.
static bool Transient(DWORD e) { return e == ERROR_ACCESS_DENIED || e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION; }

static bool Move(const std::string& from, const std::string& to, DWORD flags)
{
    for (int tries = 0;; tries++) {
        if (MoveFileExA(from.c_str(), to.c_str(), flags | MOVEFILE_WRITE_THROUGH)) return true;
        DWORD e = GetLastError();
        if (!Transient(e) || tries >= 500) {
            LastError = e;
            return false;
        }
        Sleep(10);
    }
}

bool RenameFile(const std::string& from, const std::string& to)
{
    if (FaultNow()) return false;
    return Move(from, to, MOVEFILE_REPLACE_EXISTING);
}

bool RenameNoReplace(const std::string& from, const std::string& to)
{
    if (FaultNow()) return false;
    return Move(from, to, 0);
}

bool DeleteFile(const std::string& path)
{
    if (FaultNow()) return false;
    return DeleteFileA(path.c_str()) != 0 || Failed();
}

bool MakeFolder(const std::string& path)
{
    if (FaultNow()) return false;
    return CreateDirectoryA(path.c_str(), nullptr) != 0 || Failed();
}

bool RemoveFolder(const std::string& path) { return !FaultNow() && (RemoveDirectoryA(path.c_str()) != 0 || Failed()); }

// MoveFileEx with write-through has the folder's entries on disk when it
// returns; there is nothing more to flush.
void SyncFolderOf(const std::string&) {}

static int64_t UnixFromFileTime(const FILETIME& ft)
{
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return (int64_t)(u.QuadPart / 10000000ULL) - 11644473600LL;
}

int64_t FileModifiedSeconds(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return UnixFromFileTime(data.ftLastWriteTime);
}

int64_t FileModifiedNanoseconds(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    ULARGE_INTEGER u;
    u.LowPart = data.ftLastWriteTime.dwLowDateTime;
    u.HighPart = data.ftLastWriteTime.dwHighDateTime;
    // FILETIME counts 100 ns steps from 1601.
    return ((int64_t)u.QuadPart - 116444736000000000LL) * 100;
}

int64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (int64_t)(((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow);
}

bool IsFolder(const std::string& path)
{
    DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool ListFolder(const std::string& folder, std::vector<std::string>& names)
{
    names.clear();
    std::string pattern = FolderWithDelim(folder.empty() ? "." : folder) + "*";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return true;
}

// Handles are carried as C runtime descriptors, so the shared code keeps one
// small integer type on every platform.
static TFileHandle Wrap(HANDLE h, int flags)
{
    if (h == INVALID_HANDLE_VALUE) return Failed(), -1;
    int fd = _open_osfhandle((intptr_t)h, flags | _O_BINARY);
    if (fd < 0) CloseHandle(h);
    return fd;
}

static HANDLE Unwrap(TFileHandle fd) { return (HANDLE)_get_osfhandle(fd); }

TFileHandle FileOpenRead(const std::string& path)
{
    return Wrap(CreateFileA(path.c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                _O_RDONLY);
}

TFileHandle FileCreate(const std::string& path)
{
    if (FaultNow()) return -1;
    return Wrap(CreateFileA(path.c_str(), GENERIC_WRITE, ShareAll, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                _O_WRONLY);
}

TFileHandle FileCreateNew(const std::string& path)
{
    if (FaultNow()) return -1;
    return Wrap(CreateFileA(path.c_str(), GENERIC_WRITE, ShareAll, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
                _O_WRONLY);
}

TFileHandle FileOpenAppend(const std::string& path)
{
    if (FaultNow()) return -1;
    // Append-only access: every write lands at the end, also when another
    // program appends at the same time.
    return Wrap(CreateFileA(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, ShareAll, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr),
                _O_WRONLY | _O_APPEND);
}

int64_t FileRead(TFileHandle fd, void* buf, size_t n)
{
    HANDLE h = Unwrap(fd);
    if (h == INVALID_HANDLE_VALUE) return -1;
    size_t got = 0;
    while (got < n) {
        DWORD chunk = (DWORD)std::min<size_t>(n - got, 1u << 20), r = 0;
        if (!ReadFile(h, (char*)buf + got, chunk, &r, nullptr)) {
            DWORD e = GetLastError();
            if (e == ERROR_BROKEN_PIPE || e == ERROR_HANDLE_EOF) break;
            return -1;
        }
        if (r == 0) break;
        got += r;
    }
    return (int64_t)got;
}

bool FileWrite(TFileHandle fd, const void* buf, size_t n)
{
    if (FaultNow()) return false;
    HANDLE h = Unwrap(fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    size_t put = 0;
    while (put < n) {
        DWORD chunk = (DWORD)std::min<size_t>(n - put, 1u << 20), w = 0;
        if (!WriteFile(h, (const char*)buf + put, chunk, &w, nullptr) || w == 0) return Failed();
        put += w;
    }
    return true;
}

bool FileSync(TFileHandle fd)
{
    if (FaultNow()) return false;
    return FlushFileBuffers(Unwrap(fd)) != 0 || Failed();
}

bool FileWriteAt(const std::string& path, int64_t offset, const void* buf, size_t n)
{
    if (FaultNow()) return false;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, ShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed();
    OVERLAPPED at{};
    at.Offset = (DWORD)((uint64_t)offset & 0xffffffffu);
    at.OffsetHigh = (DWORD)((uint64_t)offset >> 32);
    DWORD w = 0;
    bool ok = n <= 0xffffffffu && WriteFile(h, buf, (DWORD)n, &w, &at) && w == n;
    if (!ok) Failed();
    return CloseHandle(h) && ok;
}

bool FileClose(TFileHandle fd)
{
    bool closed = _close(fd) == 0;
    return !FaultNow() && closed;
}

bool LinkOrCopy(const std::string& from, const std::string& to)
{
    if (FaultNow()) return false;
    return CreateHardLinkA(to.c_str(), from.c_str(), nullptr) || CopyWholeFile(from, to);
}

void CloseUnchecked(TFileHandle fd) { _close(fd); }

// Now, in 100-nanosecond steps since 1601, with the test clock's shift.
static FILETIME ShiftedNow()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    u.QuadPart += (uint64_t)(FakeClockShiftMs() * 10000);
    ft.dwLowDateTime = u.LowPart;
    ft.dwHighDateTime = u.HighPart;
    return ft;
}

static TDateTime FromSystemTime(const SYSTEMTIME& s)
{
    return TDateTime{s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond, s.wMilliseconds / 10};
}

TDateTime LocalNow()
{
    FILETIME utc = ShiftedNow(), local;
    SYSTEMTIME s;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &s);
    return FromSystemTime(s);
}

TDateTime UtcNow()
{
    FILETIME utc = ShiftedNow();
    SYSTEMTIME s;
    FileTimeToSystemTime(&utc, &s);
    return FromSystemTime(s);
}

TDateTime UtcAt(int64_t unixSeconds)
{
    // FILETIME counts 100-nanosecond steps from 1601.
    if (unixSeconds < -11644473600LL || unixSeconds > 900000000000LL) return TDateTime{};
    ULARGE_INTEGER u;
    u.QuadPart = (ULONGLONG)(unixSeconds + 11644473600LL) * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = u.LowPart;
    ft.dwHighDateTime = u.HighPart;
    SYSTEMTIME s{};
    if (!FileTimeToSystemTime(&ft, &s)) return TDateTime{};
    return FromSystemTime(s);
}

// The performance counter, not the tick count: the tick moves in steps of
// about 16 ms, so a 50 ms wait could be measured as 39.
static int64_t CounterMs()
{
    static const int64_t perSecond = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart > 0 ? (int64_t)f.QuadPart : (int64_t)1;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return (int64_t)(c.QuadPart / perSecond) * 1000 + (int64_t)(c.QuadPart % perSecond) * 1000 / perSecond;
}

int64_t MonotonicMs() { return CounterMs() + FakeClockShiftMs(); }

void SleepMs(int ms)
{
    if (FakeClockSleep(ms)) return;
    if (ms <= 0) { Sleep(0); return; }
    // Sleep may wake a little early (timer granularity): a wait lasts at
    // least what was asked, as on POSIX.
    int64_t until = CounterMs() + ms;
    for (int64_t left = ms; left > 0; left = until - CounterMs())
        Sleep((DWORD)left);
}

int64_t UnixSeconds() { return UnixFromFileTime(ShiftedNow()); }

void HoldInterrupts(bool hold)
{
    // A Ctrl-C while held is not kept for later: the night finishes.
    SetConsoleCtrlHandler(nullptr, hold ? TRUE : FALSE);
}

bool InterruptPending() { return false; }

int64_t ProcessStartNanoseconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
    ULARGE_INTEGER u;
    u.LowPart = created.dwLowDateTime;
    u.HighPart = created.dwHighDateTime;
    return ((int64_t)u.QuadPart - 116444736000000000LL) * 100 + FakeClockShiftMs() * 1000000;
}

int64_t UnixNanoseconds()
{
    FILETIME ft = ShiftedNow();
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return ((int64_t)u.QuadPart - 116444736000000000LL) * 100;
}

void SetStdoutColour(int colour)
{
    std::fflush(stdout);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    if (GetConsoleMode(out, &mode)) SetConsoleTextAttribute(out, (WORD)(colour & 0x0F));
}
