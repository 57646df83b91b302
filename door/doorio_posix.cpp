// The caller's connection on POSIX systems: an inherited socket, a terminal
// set raw, or plain pipes on the standard descriptors.
#include "door/doorio.h"
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <sys/stat.h>
#include <unistd.h>

static volatile sig_atomic_t Signalled = 0;

static void OnHangupSignal(int)
{
    Signalled = 1;
}

void IoInstallSignals()
{
    struct sigaction sa{};
    sa.sa_handler = OnHangupSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;   // no restart: a blocked wait returns at once
    sigaction(SIGHUP, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // A caller's Ctrl-\ on a terminal the door has given back (while it
    // closes) must not kill it with a core dump: it is a hang-up like any.
    sigaction(SIGQUIT, &sa, nullptr);
    // Nor may Ctrl-Z there stop it, leaving the node hung.
    signal(SIGTSTP, SIG_IGN);
    signal(SIGTTIN, SIG_IGN);
    signal(SIGTTOU, SIG_IGN);
    // Some BBSes start doors with SIGPIPE ignored, others with the default
    // that would kill us on the first write to a gone caller.
    signal(SIGPIPE, SIG_IGN);
}

bool IoSignalled()
{
    return Signalled != 0;
}

void IoClearSignalled()
{
    Signalled = 0;
}

bool IoSocketUsable(uint64_t handle, int& error)
{
    error = 0;
    if (handle > (uint64_t)INT_MAX) {
        error = EBADF;
        return false;
    }
    int type = 0;
    socklen_t len = sizeof type;
    if (getsockopt((int)handle, SOL_SOCKET, SO_TYPE, &type, &len) != 0) {
        error = errno;
        return false;
    }
    return true;
}

bool IoIsTerminal(TIoHandle h)
{
    return isatty((int)h) == 1;
}

bool IoErrorsApart()
{
    struct stat out, err;
    if (fstat(2, &err) != 0) return false;
    if (fstat(1, &out) != 0) return true;
    return out.st_dev != err.st_dev || out.st_ino != err.st_ino;
}

static bool TerminalSaved = false;
static TIoHandle SavedTerminal = -1;
static struct termios SavedMode;

void IoRestoreTerminal()
{
    if (!TerminalSaved) return;
    tcsetattr((int)SavedTerminal, TCSANOW, &SavedMode);
    TerminalSaved = false;
}

bool IoSetRawTerminal(TIoHandle h)
{
    struct termios mode;
    if (tcgetattr((int)h, &mode) != 0) return false;
    if (!TerminalSaved) {
        static bool atExitSet = false;
        if (!atExitSet) atexit(IoRestoreTerminal);
        atExitSet = true;
        SavedMode = mode;
        SavedTerminal = h;
        TerminalSaved = true;
    }
    mode.c_iflag &= ~(tcflag_t)(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    mode.c_oflag &= ~(tcflag_t)OPOST;
    mode.c_lflag &= ~(tcflag_t)(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    mode.c_cflag &= ~(tcflag_t)(CSIZE | PARENB);
    mode.c_cflag |= CS8;
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    return tcsetattr((int)h, TCSADRAIN, &mode) == 0;
}

const char* const IoPlatformName = "Linux";

TIoResult IoWaitReadable(TIoHandle h, bool, int ms)
{
    struct pollfd p{(int)h, POLLIN, 0};
    int n = poll(&p, 1, ms < 0 ? 0 : ms);
    if (n < 0) return errno == EINTR ? IoNothing : IoClosed;
    if (n == 0) return IoNothing;
    if (p.revents & POLLNVAL) return IoClosed;
    // Readable, hung up or in error: the read that follows tells which.
    return IoData;
}

long IoRead(TIoHandle h, bool socket, void* buf, size_t n)
{
    for (;;) {
        ssize_t got = socket ? recv((int)h, buf, n, 0) : read((int)h, buf, n);
        if (got > 0) return (long)got;
        if (got == 0) return -1;   // end of file: the caller hung up
        if (errno == EINTR) return 0;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        return -1;
    }
}

bool IoWriteAll(TIoHandle h, bool socket, const void* buf, size_t n)
{
    const char* p = (const char*)buf;
    int stalledMs = 0;
    while (n > 0) {
        ssize_t put = socket ? send((int)h, p, n, MSG_NOSIGNAL) : write((int)h, p, n);
        if (put > 0) {
            p += put;
            n -= (size_t)put;
            stalledMs = 0;
            continue;
        }
        if (put < 0 && errno == EINTR) {
            if (Signalled) return false;
            continue;
        }
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking descriptor from the BBS: wait until it drains,
            // but not forever for a caller who no longer reads.
            if (Signalled || stalledMs >= 60000) return false;
            struct pollfd q{(int)h, POLLOUT, 0};
            poll(&q, 1, 100);
            stalledMs += 100;
            continue;
        }
        return false;   // EPIPE, ECONNRESET, EIO or a zero-length write
    }
    return true;
}
