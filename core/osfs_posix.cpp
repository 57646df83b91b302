// POSIX implementation of the file system and clock layer.
#include "core/osfs.h"
#include "core/osfs_platform.h"
#include "core/text.h"

#include <cstdlib>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <dirent.h>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <sys/syscall.h>

// The errno of the last failed call that callers may ask about.
static int LastErrno = 0;

// Notes the reason of a call that just failed; always false.
static bool Failed()
{
    LastErrno = errno;
    return false;
}

static int FailedFd(int fd)
{
    if (fd < 0) LastErrno = errno;
    return fd;
}

void SetFaultError()
{
    LastErrno = EIO;
    errno = EIO;
}

const char PathDelim = '/';

// Files and folders the programs create stay readable by the other programs
// (the door may run as the BBS's user and the nightly run as the sysop's),
// whatever umask the caller started us with.
static const mode_t FileMode = 0664;
static const mode_t FolderMode = 0775;

bool CanOpenRead(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool regular = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    close(fd);
    return regular;
}

bool PathExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool RenameFile(const std::string& from, const std::string& to)
{
    if (FaultNow()) return false;
    if (rename(from.c_str(), to.c_str()) == 0) return true;
    LastErrno = errno;
    return false;
}
bool RenameNoReplace(const std::string& from, const std::string& to)
{
    if (FaultNow()) return false;
#if defined(__linux__) && defined(SYS_renameat2)
    if (syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1 /* RENAME_NOREPLACE */) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) {
        LastErrno = errno;
        return false;
    }
#endif
    // A file system without the flag (some network shares): a name that
    // exists is refused before the rename.
    struct stat st;
    if (lstat(to.c_str(), &st) == 0) {
        LastErrno = EEXIST;
        return false;
    }
    return RenameFile(from, to);
}

bool DeleteFile(const std::string& path) { return !FaultNow() && (unlink(path.c_str()) == 0 || Failed()); }
int64_t ProcessId() { return (int64_t)getpid(); }

std::string HostName()
{
    char name[256] = {0};
    if (gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}

std::string LocalUserName()
{
    const char* user = std::getenv("USER");
    return user ? user : "";
}

bool RestrictToOwner(const std::string& path) { return chmod(path.c_str(), 0600) == 0; }

bool ProcessAlive(int64_t pid)
{
    if (pid <= 0 || pid > 0x7fffffff) return true;   // nothing we can ask about
    return kill((pid_t)pid, 0) == 0 || errno != ESRCH;
}

std::string LastErrorText() { return std::strerror(LastErrno); }
bool LastErrorWasExists() { return LastErrno == EEXIST || LastErrno == ENOTEMPTY; }

bool StdoutIsTerminal() { return isatty(1) == 1; }
bool StdinIsTerminal() { return isatty(0) == 1; }

std::string FullPath(const std::string& path)
{
    if (!path.empty() && path[0] == '/') return path;
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return path;
    std::string base = cwd;
    if (path.empty() || path == ".") return base;
    if (path.compare(0, 2, "./") == 0) return base + path.substr(1);
    return base + "/" + path;
}

std::string ProgramFolder()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    std::string exe(buf, (size_t)n);
    size_t cut = exe.find_last_of('/');
    return cut == std::string::npos ? "" : exe.substr(0, cut + 1);
}

bool MakeFolder(const std::string& path)
{
    if (FaultNow()) return false;
    if (mkdir(path.c_str(), FolderMode) != 0) {
        LastErrno = errno;
        return false;
    }
    chmod(path.c_str(), FolderMode);
    return true;
}
bool RemoveFolder(const std::string& path) { return !FaultNow() && (rmdir(path.c_str()) == 0 || Failed()); }

static std::string FolderOf(const std::string& path)
{
    size_t p = path.find_last_of("/\\");
    if (p == std::string::npos) return ".";
    return p == 0 ? "/" : path.substr(0, p);
}

void SyncFolderOf(const std::string& path)
{
    int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

int64_t FileModifiedSeconds(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return -1;
    return (int64_t)st.st_mtime;
}

int64_t FileModifiedNanoseconds(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return -1;
    return (int64_t)st.st_mtim.tv_sec * 1000000000 + (int64_t)st.st_mtim.tv_nsec;
}

int64_t FileSize(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return -1;
    return (int64_t)st.st_size;
}

// Only plain files of our own get their mode set; a device or another
// owner's file is left alone.
static void KeepReadable(int fd)
{
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
        (st.st_mode & 0777) != FileMode)
        fchmod(fd, FileMode);
}

TFileHandle FileOpenRead(const std::string& path) { return FailedFd(open(path.c_str(), O_RDONLY | O_CLOEXEC)); }

TFileHandle FileCreate(const std::string& path)
{
    if (FaultNow()) return -1;
    int fd = FailedFd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, FileMode));
    KeepReadable(fd);
    return fd;
}

TFileHandle FileCreateNew(const std::string& path)
{
    if (FaultNow()) return -1;
    int fd = FailedFd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, FileMode));
    KeepReadable(fd);
    return fd;
}

TFileHandle FileOpenAppend(const std::string& path)
{
    if (FaultNow()) return -1;
    int fd = FailedFd(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, FileMode));
    KeepReadable(fd);
    return fd;
}

int64_t FileRead(TFileHandle fd, void* buf, size_t n)
{
    size_t got = 0;
    while (got < n) {
        ssize_t r = read(fd, (char*)buf + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            Failed();
            return -1;
        }
        if (r == 0) break;
        got += (size_t)r;
    }
    return (int64_t)got;
}

bool FileWrite(TFileHandle fd, const void* buf, size_t n)
{
    if (FaultNow()) return false;
    size_t put = 0;
    while (put < n) {
        ssize_t r = write(fd, (const char*)buf + put, n - put);
        if (r < 0) {
            if (errno == EINTR) continue;
            return Failed();
        }
        put += (size_t)r;
    }
    return true;
}

bool FileSync(TFileHandle fd) { return !FaultNow() && (fsync(fd) == 0 || Failed()); }

bool FileWriteAt(const std::string& path, int64_t offset, const void* buf, size_t n)
{
    if (FaultNow()) return false;
    int fd = FailedFd(open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd < 0) return false;
    bool ok = pwrite(fd, buf, n, (off_t)offset) == (ssize_t)n || Failed();
    bool closed = close(fd) == 0 || Failed();
    return closed && ok;
}
bool FileClose(TFileHandle fd)
{
    bool closed = close(fd) == 0 || Failed();
    return !FaultNow() && closed;
}

bool LinkOrCopy(const std::string& from, const std::string& to)
{
    if (FaultNow()) return false;
    return link(from.c_str(), to.c_str()) == 0 || CopyWholeFile(from, to);
}

void CloseUnchecked(TFileHandle fd) { close(fd); }

static TDateTime FromTm(const struct tm& t, int64_t usec)
{
    return TDateTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                     (int)(usec / 10000)};
}

static void ShiftedNow(struct timeval& tv)
{
    gettimeofday(&tv, nullptr);
    int64_t us = (int64_t)tv.tv_sec * 1000000 + tv.tv_usec + FakeClockShiftMs() * 1000;
    tv.tv_sec = (time_t)(us / 1000000);
    tv.tv_usec = (suseconds_t)(us % 1000000);
}

TDateTime LocalNow()
{
    struct timeval tv;
    ShiftedNow(tv);
    struct tm t;
    localtime_r(&tv.tv_sec, &t);
    return FromTm(t, tv.tv_usec);
}

TDateTime UtcNow()
{
    struct timeval tv;
    ShiftedNow(tv);
    struct tm t;
    gmtime_r(&tv.tv_sec, &t);
    return FromTm(t, tv.tv_usec);
}

TDateTime UtcAt(int64_t unixSeconds)
{
    time_t at = (time_t)unixSeconds;
    struct tm t;
    if (!gmtime_r(&at, &t)) return TDateTime{};
    return FromTm(t, 0);
}

int64_t MonotonicMs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000 + FakeClockShiftMs();
}

void SleepMs(int ms)
{
    if (FakeClockSleep(ms)) return;
    struct timespec ts{ms / 1000, (long)(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {}
}

int64_t UnixSeconds()
{
    return (int64_t)time(nullptr) + FakeClockShiftMs() / 1000;
}

void HoldInterrupts(bool hold)
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGQUIT);
    // Let go, a pending interrupt ends the program here, as it would have.
    sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

bool InterruptPending()
{
    sigset_t set;
    sigemptyset(&set);
    if (sigpending(&set) != 0) return false;
    return sigismember(&set, SIGINT) == 1 || sigismember(&set, SIGTERM) == 1 || sigismember(&set, SIGHUP) == 1 ||
           sigismember(&set, SIGQUIT) == 1;
}

int64_t ProcessStartNanoseconds()
{
    // /proc/self/stat: the 22nd field is the start in clock ticks after boot.
    char buf[1024];
    int fd = open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    ssize_t n = read(fd, buf, sizeof buf - 1);
    close(fd);
    if (n <= 0) return -1;
    buf[n] = 0;
    const char* p = std::strrchr(buf, ')');
    long hz = sysconf(_SC_CLK_TCK);
    struct timespec boot;
    if (!p || hz <= 0 || clock_gettime(CLOCK_BOOTTIME, &boot) != 0) return -1;
    int field = 2;
    for (; *p && field < 22; p++)
        if (*p == ' ') field++;
    char* end = nullptr;
    unsigned long long ticks = std::strtoull(p, &end, 10);
    if (end == p) return -1;
    int64_t started = (int64_t)((ticks + 1) * 1000000000ULL / (unsigned long long)hz);
    int64_t age = (int64_t)boot.tv_sec * 1000000000 + boot.tv_nsec - started;
    return UnixNanoseconds() - (age > 0 ? age : 0);
}

int64_t UnixNanoseconds()
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return (int64_t)ts.tv_sec * 1000000000 + ts.tv_nsec + FakeClockShiftMs() * 1000000;
}

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ListFolder(const std::string& folder, std::vector<std::string>& names)
{
    names.clear();
    DIR* d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return false;
    // The end of the folder and a failure both end readdir; only a failure
    // sets errno (a 32-bit program that meets a 64-bit entry, for one).
    errno = 0;
    while (struct dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
        errno = 0;
    }
    bool whole = errno == 0;
    closedir(d);
    return whole;
}

void SetStdoutColour(int colour)
{
    if (!StdoutIsTerminal()) return;
    std::string seq = "\x1b[0";
    if (colour & 8) seq += ";1";
    seq += ";3";
    seq += AnsiColourDigit(colour);
    seq += "m";
    std::fputs(seq.c_str(), stdout);
}
