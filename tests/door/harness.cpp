#include "tests/door/harness.h"
#include "core/osfs.h"
#include "tests/testutil.h"
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// The exit code of a finished door, 128 + signal when it was killed.
static int ExitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

static void CloseFd(int& fd)
{
    if (fd >= 0) close(fd);
    fd = -1;
}

TBbs::~TBbs()
{
    if (Pid > 0 && ExitCode < 0) {
        kill(Pid, SIGKILL);
        waitpid(Pid, nullptr, 0);
    }
    if (CallerIn != Caller) CloseFd(CallerIn);
    CloseFd(Caller);
    CloseFd(Accepted);
    CloseFd(PtySlave);
    CloseFd(ErrPipe);
}

// A connected loopback pair: the caller's client and the BBS's accepted end.
static bool LoopbackPair(int& client, int& accepted)
{
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listener, (sockaddr*)&a, sizeof a) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, (sockaddr*)&a, &len) != 0) {
        close(listener);
        return false;
    }
    client = socket(AF_INET, SOCK_STREAM, 0);
    bool ok = client >= 0 && connect(client, (sockaddr*)&a, sizeof a) == 0;
    accepted = ok ? accept(listener, nullptr, nullptr) : -1;
    close(listener);
    return accepted >= 0;
}

static void WriteDoor32(const TLaunch& l, int socketNumber)
{
    if (l.CommType.empty()) return;
    std::string handle = l.Handle == "@" ? std::to_string(socketNumber) : l.Handle;
    WriteFile(l.Folder + "DOOR32.SYS", l.CommType + "\n" + handle + "\n38400\nTest BBS\n1\n" + l.UserName + "\n" +
                                           l.Alias + "\n10\n" + l.Minutes + "\n1\n1\n");
}

bool TBbs::Start(const TLaunch& l)
{
    // A caller typing into a door that has gone must not end the BBS.
    signal(SIGPIPE, SIG_IGN);
    Mode = l.Mode;
    ErrorsToCaller = l.ErrorsToCaller;
    int err[2];
    if (pipe(err) != 0) return false;
    int toDoor[2] = {-1, -1}, fromDoor[2] = {-1, -1};
    int master = -1;
    std::string slaveName;
    if (OnSocket(Mode)) {
        if (!LoopbackPair(Caller, Accepted)) return false;
    } else if (Mode == ViaPipes) {
        if (pipe(toDoor) != 0 || pipe(fromDoor) != 0) return false;
    } else {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
        slaveName = ptsname(master);
        PtySlave = open(slaveName.c_str(), O_RDWR | O_NOCTTY);
        if (PtySlave < 0) return false;
        // A fresh terminal as a BBS hands it over: line mode, echo, CR to
        // LF, signals from keys, LF to CR LF on output.
        struct termios t;
        tcgetattr(PtySlave, &t);
        t.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
        t.c_iflag |= ICRNL | ISTRIP;
        t.c_oflag |= OPOST | ONLCR;
        tcsetattr(PtySlave, TCSANOW, &t);
        tcgetattr(PtySlave, &Handed);
        Caller = master;
        // Keys typed into a terminal whose door has gone must not block the
        // BBS: the terminal's buffer fills and the rest is dropped.
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    WriteDoor32(l, Accepted);

    Pid = fork();
    if (Pid < 0) return false;
    if (Pid == 0) {
        int null = open("/dev/null", O_RDWR);
        if (OnSocket(Mode)) {
            dup2(null, 0);
            dup2(null, 1);
            close(Caller);
        } else if (Mode == ViaPipes) {
            dup2(toDoor[0], 0);
            dup2(fromDoor[1], 1);
            close(toDoor[0]);
            close(toDoor[1]);
            close(fromDoor[0]);
            close(fromDoor[1]);
        } else {
            setsid();
            int slave = open(slaveName.c_str(), O_RDWR);   // becomes the controlling terminal
            dup2(slave, 0);
            dup2(slave, 1);
            close(slave);
            close(master);
            close(PtySlave);
        }
        dup2(err[1], 2);
        close(err[0]);
        close(err[1]);
        close(null);
        signal(SIGPIPE, l.IgnoreSigpipe ? SIG_IGN : SIG_DFL);
        signal(SIGHUP, SIG_DFL);
        umask((mode_t)l.Umask);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(l.Program.c_str()));
        for (const std::string& a : l.Args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(l.Program.c_str(), argv.data());
        _exit(127);
    }
    close(err[1]);
    ErrPipe = err[0];
    if (Mode == ViaPipes) {
        close(toDoor[0]);
        close(fromDoor[1]);
        Caller = toDoor[1];
        CallerIn = fromDoor[0];
    } else {
        CallerIn = Caller;
    }
    return true;
}

void TBbs::Send(const std::string& bytes)
{
    if (Caller < 0) return;
    // A caller typing into a connection that is gone just loses the keys.
    if (OnSocket(Mode)) {
        ssize_t sent = send(Caller, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        (void)sent;
        return;
    }
    size_t put = 0;
    for (int waits = 0; put < bytes.size() && waits < 50;) {
        ssize_t n = write(Caller, bytes.data() + put, bytes.size() - put);
        if (n > 0) {
            put += (size_t)n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return;
        // A door that has ended reads nothing more: the keys are lost.
        int status;
        if (ExitCode < 0 && waitpid(Pid, &status, WNOHANG) == Pid) ExitCode = ExitCodeOf(status);
        if (ExitCode >= 0) return;
        Pump(10);   // the door reads as the terminal drains
        waits++;
    }
}

void TBbs::Type(const std::string& text)
{
    if (Mode != ViaSocket) return Send(text);
    std::string wire;
    for (char c : text) {
        wire += c;
        if ((unsigned char)c == 255) wire += c;
    }
    Send(wire);
}

void TBbs::SendSplit(const std::vector<std::string>& pieces, int pauseMs)
{
    for (size_t i = 0; i < pieces.size(); i++) {
        if (i > 0) SleepMs(pauseMs);
        Send(pieces[i]);
    }
}

void TBbs::Pump(int ms)
{
    int64_t end = MonotonicMs() + ms;
    for (;;) {
        struct pollfd p[2];
        int n = 0;
        if (CallerIn >= 0) p[n++] = {CallerIn, POLLIN, 0};
        if (ErrPipe >= 0) p[n++] = {ErrPipe, POLLIN, 0};
        int left = (int)(end - MonotonicMs());
        if (n == 0 || left <= 0) return;
        if (poll(p, (nfds_t)n, left) <= 0) return;
        for (int i = 0; i < n; i++) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            ssize_t got = read(p[i].fd, buf, sizeof buf);
            if (got > 0) {
                (p[i].fd == ErrPipe ? Errors : Screen).append(buf, (size_t)got);
                if (p[i].fd == ErrPipe && ErrorsToCaller)
                    for (ssize_t k = 0; k < got; k++) Screen += buf[k] == '\n' ? '\0' : buf[k];
            } else if (p[i].fd == ErrPipe) {
                CloseFd(ErrPipe);
            } else if (Mode == ViaPipes) {
                CloseFd(CallerIn);
            } else {
                return;   // the connection ended: nothing more will come
            }
        }
    }
}

bool TBbs::WaitFor(const std::string& text, int ms)
{
    int64_t end = MonotonicMs() + ms;
    while (Screen.find(text) == std::string::npos) {
        int left = (int)(end - MonotonicMs());
        if (left <= 0) return false;
        size_t before = Screen.size() + Errors.size();
        Pump(left < 50 ? left : 50);
        if (Screen.size() + Errors.size() == before && ExitCode < 0) {
            int status;
            if (waitpid(Pid, &status, WNOHANG) == Pid) {
                ExitCode = ExitCodeOf(status);
                Pump(50);
                return Screen.find(text) != std::string::npos;
            }
        }
    }
    return true;
}

int TBbs::WaitExit(int ms)
{
    int64_t end = MonotonicMs() + ms;
    while (ExitCode < 0) {
        int status;
        pid_t r = waitpid(Pid, &status, WNOHANG);
        if (r == Pid) {
            ExitCode = ExitCodeOf(status);
            break;
        }
        if (MonotonicMs() >= end) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
            ExitCode = -2;
            return -1;
        }
        Pump(20);
    }
    Pump(50);
    return ExitCode;
}

void TBbs::CloseCaller()
{
    if (CallerIn != Caller) CloseFd(CallerIn);
    CloseFd(Caller);
    CallerIn = -1;
}

void TBbs::CloseCallerOutput()
{
    if (CallerIn != Caller) CloseFd(CallerIn);
}
