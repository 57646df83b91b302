// Scratch folders and child processes for the tests, on POSIX systems.
#include "tests/testutil.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

TScratch::TScratch()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "thyre-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) std::abort();
    Dir = std::string(buf.data()) + "/";
}

TScratch::~TScratch()
{
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
}

static TRun Run(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
               const std::string& inputPath);

TRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd)
{
    return Run(program, args, cwd, "/dev/null");
}

TRun RunWithInput(const std::string& program, const std::vector<std::string>& args, const std::string& input)
{
    char path[] = "/tmp/thyre-input-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || write(fd, input.data(), input.size()) != (ssize_t)input.size()) std::abort();
    close(fd);
    TRun r = Run(program, args, "", path);
    unlink(path);
    return r;
}

static TRun Run(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
               const std::string& inputPath)
{
    int fds[2];
    if (pipe(fds) != 0) std::abort();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        int in = open(inputPath.c_str(), O_RDONLY);
        dup2(in, 0);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    TRun r{-1, ""};
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) r.Out.append(buf, (size_t)n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

TSocketPair::TSocketPair()
{
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) std::abort();
    Door = sv[0];
    Peer = sv[1];
}

TSocketPair::~TSocketPair()
{
    ClosePeer();
    close((int)Door);
}

bool TSocketPair::Send(const std::string& bytes) const
{
    return send((int)Peer, bytes.data(), bytes.size(), MSG_NOSIGNAL) == (ssize_t)bytes.size();
}

std::string TSocketPair::Receive(int ms) const
{
    std::string out;
    char buf[65536];
    for (;;) {
        struct pollfd p{(int)Peer, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0) break;
        ssize_t n = recv((int)Peer, buf, sizeof buf, 0);
        if (n <= 0) break;
        out.append(buf, (size_t)n);
    }
    return out;
}

void TSocketPair::ClosePeer()
{
    if (Peer >= 0) close((int)Peer);
    Peer = -1;
}
