// Scratch folders and child processes for the tests, on Windows.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "tests/testutil.h"
#include "tests/win/cmdline.h"

TScratch::TScratch()
{
    static unsigned counter = 0;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int tries = 0; tries < 1000; tries++) {
        std::string name = "thyre-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
        std::string dir = (base / name).string();
        if (CreateDirectoryA(dir.c_str(), nullptr)) {
            Dir = dir + "\\";
            return;
        }
    }
    std::abort();
}

TScratch::~TScratch()
{
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
}

static TRun Run(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                const std::string& input, bool withInput)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE outRead, outWrite, inRead, inWrite;
    // The input pipe holds the whole input, so writing it never waits on a
    // child that is busy writing its output.
    DWORD inSize = (DWORD)(input.size() + 4096);
    if (!CreatePipe(&outRead, &outWrite, &sa, 0) || !CreatePipe(&inRead, &inWrite, &sa, inSize)) std::abort();
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    std::string cmd = QuoteArg(program);
    for (const std::string& a : args) cmd += " " + QuoteArg(a);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = outWrite;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd.empty() ? nullptr : cwd.c_str(),
                        &si, &pi))
        return TRun{127, "cannot start " + program};
    CloseHandle(outWrite);
    CloseHandle(inRead);
    if (withInput) {
        DWORD put = 0;
        WriteFile(inWrite, input.data(), (DWORD)input.size(), &put, nullptr);
    }
    CloseHandle(inWrite);
    TRun r{-1, ""};
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(outRead, buf, sizeof buf, &n, nullptr) && n > 0) r.Out.append(buf, n);
    CloseHandle(outRead);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    r.Exit = (int)code;
    // Console programs end their lines as Windows does; the expectations
    // the platforms share are written with line feeds.
    r.Out = UnixLines(r.Out);
    return r;
}

TRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd)
{
    return Run(program, args, cwd, "", false);
}

TRun RunWithInput(const std::string& program, const std::vector<std::string>& args, const std::string& input)
{
    return Run(program, args, "", input, true);
}

TSocketPair::TSocketPair()
{
    WSADATA data;
    WSAStartup(0x202, &data);
    SOCKET l = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    if (bind(l, (sockaddr*)&a, sizeof a) != 0 || listen(l, 1) != 0 || getsockname(l, (sockaddr*)&a, &len) != 0)
        std::abort();
    SOCKET peer = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connect(peer, (sockaddr*)&a, sizeof a) != 0) std::abort();
    SOCKET door = accept(l, nullptr, nullptr);
    if (door == INVALID_SOCKET) std::abort();
    closesocket(l);
    // No waiting for acknowledgements: what one end sends is there at once,
    // as on a socket pair.
    BOOL on = TRUE;
    setsockopt(door, IPPROTO_TCP, TCP_NODELAY, (const char*)&on, sizeof on);
    setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, (const char*)&on, sizeof on);
    Door = (intptr_t)door;
    Peer = (intptr_t)peer;
}

TSocketPair::~TSocketPair()
{
    ClosePeer();
    closesocket((SOCKET)Door);
}

bool TSocketPair::Send(const std::string& bytes) const
{
    return send((SOCKET)Peer, bytes.data(), (int)bytes.size(), 0) == (int)bytes.size();
}

std::string TSocketPair::Receive(int ms) const
{
    std::string out;
    char buf[65536];
    for (;;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET((SOCKET)Peer, &set);
        timeval tv{ms / 1000, (ms % 1000) * 1000};
        if (select(0, &set, nullptr, nullptr, &tv) <= 0) break;
        int n = recv((SOCKET)Peer, buf, sizeof buf, 0);
        if (n <= 0) break;
        out.append(buf, (size_t)n);
    }
    return out;
}

void TSocketPair::ClosePeer()
{
    if (Peer != -1) closesocket((SOCKET)Peer);
    Peer = -1;
}
