// Plays a Windows BBS for the door tests: starts the door the way Windows
// BBSes start one, and passes the caller's bytes between its own standard
// handles (where the test program plays the caller) and the door.
//
//   winbbs socket DROPFOLDER DOOR.EXE ARGS...
//       a loopback telnet connection; the accepted socket is inherited by
//       the door and its handle written on DOOR32.SYS line 2 (comm type 2).
//   winbbs pipes DROPFOLDER DOOR.EXE ARGS...
//       the caller on anonymous pipes as the door's standard handles
//       (DOOR32.SYS comm type 0).
//   winbbs badsocket DROPFOLDER DOOR.EXE ARGS...
//       DOOR32.SYS names a handle that is no socket.
//
// In the socket modes the door's standard input and output are NUL and its
// standard error is the launcher's, which the BBS logs.
//
// DOOR32.SYS is written into DROPFOLDER before the door starts.  The
// launcher ends with the door's exit code once the door has ended and its
// last output has been passed on; the end of its own input hangs up.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/win/cmdline.h"

static HANDLE StdIn, StdOut;
static SOCKET CallerSocket = INVALID_SOCKET;   // the caller's end of the loopback connection
static HANDLE ToDoor = nullptr;                // pipes: the door's standard input, our end
static HANDLE FromDoor = nullptr;              // pipes: the door's standard output, our end

[[noreturn]] static void Fail(const char* what)
{
    std::fprintf(stderr, "winbbs: %s failed (%lu, %d)\n", what, GetLastError(), WSAGetLastError());
    std::exit(120);
}

static void WriteDropFile(const std::string& folder, int commType, unsigned long long handle)
{
    std::string path = folder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += "DOOR32.SYS";
    std::string text = std::to_string(commType) + "\r\n" + std::to_string(handle) +
                       "\r\n38400\r\nTest BBS\r\n1\r\nAnn Caller\r\nRaven\r\n10\r\n30\r\n1\r\n1\r\n";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) Fail("writing DOOR32.SYS");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// The caller's keys: our standard input to the door.
static DWORD WINAPI KeysToDoor(void*)
{
    char buf[1024];
    DWORD n = 0;
    while (ReadFile(StdIn, buf, sizeof buf, &n, nullptr) && n > 0) {
        if (CallerSocket != INVALID_SOCKET) {
            if (send(CallerSocket, buf, (int)n, 0) != (int)n) break;
        } else {
            DWORD put = 0;
            if (!WriteFile(ToDoor, buf, n, &put, nullptr)) break;
        }
    }
    // The caller hung up.
    if (CallerSocket != INVALID_SOCKET) shutdown(CallerSocket, SD_BOTH);
    else CloseHandle(ToDoor);
    return 0;
}

// The door's screens: to our standard output, until the door's side closes.
static DWORD WINAPI ScreensToCaller(void*)
{
    char buf[4096];
    for (;;) {
        int n = 0;
        if (CallerSocket != INVALID_SOCKET) {
            n = recv(CallerSocket, buf, sizeof buf, 0);
        } else {
            DWORD got = 0;
            n = ReadFile(FromDoor, buf, sizeof buf, &got, nullptr) ? (int)got : -1;
        }
        if (n <= 0) break;
        DWORD put = 0;
        if (!WriteFile(StdOut, buf, (DWORD)n, &put, nullptr)) break;
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: winbbs socket|pipes|badsocket DROPFOLDER DOOR.EXE ARGS...\n");
        return 2;
    }
    std::string mode = argv[1], folder = argv[2];
    std::string cmd = QuoteArg(argv[3]);
    for (int i = 4; i < argc; i++) cmd += " " + QuoteArg(argv[i]);
    StdIn = GetStdHandle(STD_INPUT_HANDLE);
    StdOut = GetStdHandle(STD_OUTPUT_HANDLE);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE doorIn = nullptr, doorOut = nullptr;
    SOCKET accepted = INVALID_SOCKET;

    if (mode == "socket" || mode == "badsocket") {
        WSADATA data;
        if (WSAStartup(0x202, &data) != 0) Fail("WSAStartup");
        SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        int len = sizeof addr;
        if (bind(listener, (sockaddr*)&addr, sizeof addr) != 0 || listen(listener, 1) != 0 ||
            getsockname(listener, (sockaddr*)&addr, &len) != 0)
            Fail("listen");
        CallerSocket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (connect(CallerSocket, (sockaddr*)&addr, sizeof addr) != 0) Fail("connect");
        accepted = accept(listener, nullptr, nullptr);
        if (accepted == INVALID_SOCKET) Fail("accept");
        closesocket(listener);
        // The door inherits a copy of the accepted socket made inheritable,
        // as BBSes do; its number goes on line 2.
        HANDLE shared = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), (HANDLE)accepted, GetCurrentProcess(), &shared, 0, TRUE,
                             DUPLICATE_SAME_ACCESS))
            Fail("DuplicateHandle");
        WriteDropFile(folder, 2, mode == "socket" ? (unsigned long long)(uintptr_t)shared : 4242ULL);
        // Standard handles of a socket door lead nowhere the caller sees.
        doorIn = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
        doorOut = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
        si.hStdInput = doorIn;
        si.hStdOutput = doorOut;
    } else if (mode == "pipes") {
        if (!CreatePipe(&doorIn, &ToDoor, &inherit, 0) || !CreatePipe(&FromDoor, &doorOut, &inherit, 0)) Fail("CreatePipe");
        SetHandleInformation(ToDoor, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(FromDoor, HANDLE_FLAG_INHERIT, 0);
        WriteDropFile(folder, 0, 0);
        si.hStdInput = doorIn;
        si.hStdOutput = doorOut;
    } else {
        std::fprintf(stderr, "winbbs: unknown mode %s\n", mode.c_str());
        return 2;
    }

    PROCESS_INFORMATION pi{};
    std::string line = cmd;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) Fail("CreateProcess");
    // Only the door holds its ends now.
    if (doorIn) CloseHandle(doorIn);
    if (doorOut) CloseHandle(doorOut);

    HANDLE screens = CreateThread(nullptr, 0, ScreensToCaller, nullptr, 0, nullptr);
    if (mode != "badsocket") CreateThread(nullptr, 0, KeysToDoor, nullptr, 0, nullptr);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    // The socket belongs to the BBS: the door has left it open, and the BBS
    // closes it now, after the door's last screen reached the caller.
    if (accepted != INVALID_SOCKET) {
        shutdown(accepted, SD_SEND);
        closesocket(accepted);
    }
    WaitForSingleObject(screens, 3000);
    ExitProcess(code);
}
