// The caller's connection on POSIX systems: an inherited socket, a terminal
// set raw, or plain pipes on the standard descriptors.
#include "door/doorio.h"
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <sys/stat.h>
#include <unistd.h>

static volatile sig_atomic_t Signalled = 0;

static void OnHangupSignal(int sig)
{
    Signalled = sig;
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

std::string IoSignalText()
{
    switch (Signalled) {
    case 0: return "no signal";
    case SIGHUP: return "SIGHUP";
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGQUIT: return "SIGQUIT";
    default: return "signal " + std::to_string((int)Signalled);
    }
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

static std::string TerminalSettings(int fd)
{
    struct termios t;
    if (tcgetattr(fd, &t) != 0) return "settings unreadable";
    std::string s;
    auto flag = [&](bool on, const char* name) { s += std::string(s.empty() ? "" : " ") + (on ? "" : "-") + name; };
    flag(t.c_lflag & ICANON, "icanon");
    flag(t.c_lflag & ECHO, "echo");
    flag(t.c_lflag & ISIG, "isig");
    flag(t.c_iflag & ICRNL, "icrnl");
    flag(t.c_iflag & ISTRIP, "istrip");
    flag(t.c_iflag & IXON, "ixon");
    flag(t.c_oflag & OPOST, "opost");
    flag(t.c_oflag & ONLCR, "onlcr");
    flag((t.c_cflag & CSIZE) == CS8, "cs8");
    struct winsize w{};
    if (ioctl(fd, TIOCGWINSZ, &w) == 0 && w.ws_col > 0)
        s += ", " + std::to_string(w.ws_col) + "x" + std::to_string(w.ws_row);
    return s;
}

std::string IoDescribe(TIoHandle h, bool socket)
{
    int fd = (int)h;
    if (socket) {
        int type = 0;
        socklen_t len = sizeof type;
        if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len) != 0) return "not a socket (error " + std::to_string(errno) + ")";
        std::string s = type == SOCK_STREAM ? "stream socket" : "socket of type " + std::to_string(type);
        sockaddr_storage peer{};
        len = sizeof peer;
        char text[INET6_ADDRSTRLEN] = "";
        if (getpeername(fd, (sockaddr*)&peer, &len) != 0) return s + ", no peer (error " + std::to_string(errno) + ")";
        if (peer.ss_family == AF_INET) {
            const sockaddr_in* a = (const sockaddr_in*)&peer;
            inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
            return s + ", peer " + text + ":" + std::to_string(ntohs(a->sin_port));
        }
        if (peer.ss_family == AF_INET6) {
            const sockaddr_in6* a = (const sockaddr_in6*)&peer;
            inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text);
            return s + ", peer [" + text + "]:" + std::to_string(ntohs(a->sin6_port));
        }
        return s + ", peer of family " + std::to_string(peer.ss_family);
    }
    if (isatty(fd)) return "terminal " + std::string(ttyname(fd) ? ttyname(fd) : "?") + ": " + TerminalSettings(fd);
    struct stat st;
    if (fstat(fd, &st) != 0) return "closed (error " + std::to_string(errno) + ")";
    if (S_ISFIFO(st.st_mode)) return "pipe";
    if (S_ISSOCK(st.st_mode)) return "socket";
    if (S_ISREG(st.st_mode)) return "file";
    if (S_ISCHR(st.st_mode)) return "character device";
    return "other";
}

TIoPeer IoSocketPeer(TIoHandle h, std::string& address)
{
    address.clear();
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (getpeername((int)h, (sockaddr*)&peer, &len) != 0) return PeerUnknown;
    char text[INET6_ADDRSTRLEN] = "";
    if (peer.ss_family == AF_UNIX) {
        address = "a local socket";
        return PeerLocalPair;
    }
    if (peer.ss_family == AF_INET) {
        const sockaddr_in* a = (const sockaddr_in*)&peer;
        inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
        address = text;
        return (ntohl(a->sin_addr.s_addr) >> 24) == 127 ? PeerLoopback : PeerRemote;
    }
    if (peer.ss_family == AF_INET6) {
        const sockaddr_in6* a = (const sockaddr_in6*)&peer;
        inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text);
        address = text;
        if (IN6_IS_ADDR_LOOPBACK(&a->sin6_addr)) return PeerLoopback;
        // An IPv4 address in IPv6 clothing: ::ffff:127.x.x.x is this machine.
        if (IN6_IS_ADDR_V4MAPPED(&a->sin6_addr) && a->sin6_addr.s6_addr[12] == 127) return PeerLoopback;
        return PeerRemote;
    }
    return PeerUnknown;
}

std::string IoNoCallerOnInput()
{
    struct stat in, null;
    if (fstat(0, &in) != 0) return "closed";
    if (S_ISCHR(in.st_mode) && stat("/dev/null", &null) == 0 && in.st_rdev == null.st_rdev) return "/dev/null";
    if (S_ISREG(in.st_mode)) {
        off_t at = lseek(0, 0, SEEK_CUR);
        if (at >= 0 && at >= in.st_size) return in.st_size == 0 ? "an empty file" : "a file read to its end";
        return "";
    }
    if (S_ISFIFO(in.st_mode) || S_ISSOCK(in.st_mode)) {
        struct pollfd p{0, POLLIN, 0};
        if (poll(&p, 1, 0) != 1) return "";
        if ((p.revents & POLLHUP) && !(p.revents & POLLIN)) return "a closed pipe";
        char b;
        if (S_ISSOCK(in.st_mode) && (p.revents & POLLIN) && recv(0, &b, 1, MSG_PEEK | MSG_DONTWAIT) == 0)
            return "a closed socket";
    }
    return "";
}

bool IoOutputMayReachCaller()
{
    struct stat out;
    if (fstat(1, &out) != 0) return false;
    return isatty(1) == 1 || S_ISFIFO(out.st_mode) || S_ISSOCK(out.st_mode);
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
