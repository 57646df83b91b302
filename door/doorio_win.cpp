// The caller's connection on Windows: the telnet socket the BBS hands over
// (Windows Sockets 2), the console with its saved modes and code page, or
// standard handles that are pipes or files.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "door/ansiconsole.h"
#include "door/doorio.h"

const char* const IoPlatformName = "Windows";

// Set by the console control handler, which runs on a thread of its own and
// touches nothing else.
static volatile LONG Signalled = 0;

static BOOL WINAPI OnControlEvent(DWORD event)
{
    InterlockedExchange(&Signalled, (LONG)event + 1);
    // Closing the window (or logging off, or shutting down) ends the process
    // as soon as the handler returns: wait here, within the five seconds
    // Windows allows, while the main thread notices the flag, abandons a
    // change, lets go of the folder lock and exits.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(4000);
    return TRUE;   // handled: the main thread ends the visit in order
}

void IoInstallSignals()
{
    static bool installed = false;
    if (!installed) SetConsoleCtrlHandler(OnControlEvent, TRUE);
    installed = true;
}

bool IoSignalled() { return Signalled != 0; }
void IoClearSignalled() { InterlockedExchange(&Signalled, 0); }

std::string IoSignalText()
{
    switch (Signalled) {
    case 0: return "no signal";
    case CTRL_C_EVENT + 1: return "Ctrl+C";
    case CTRL_BREAK_EVENT + 1: return "Ctrl+Break";
    case CTRL_CLOSE_EVENT + 1: return "the console window closed";
    default: return "console event " + std::to_string((long)Signalled - 1);
    }
}

static HANDLE StdHandle(TIoHandle h) { return GetStdHandle(h == IoStdIn ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE); }

static bool IsConsole(HANDLE h)
{
    DWORD mode;
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

bool IoSocketUsable(uint64_t handle, int& error)
{
    error = 0;
    static bool started = false;
    if (!started) {
        WSADATA data;
        int rc = WSAStartup(0x202, &data);
        if (rc != 0) {
            error = rc;
            return false;
        }
        started = true;
    }
    int type = 0;
    int len = sizeof type;
    if (getsockopt((SOCKET)handle, 0xFFFF, 0x1008, (char*)&type, &len) != 0) {
        error = WSAGetLastError();
        return false;
    }
    return true;
}

bool IoIsTerminal(TIoHandle h) { return IsConsole(StdHandle(h)); }

std::string IoDescribe(TIoHandle h, bool socket)
{
    if (socket) {
        int type = 0;
        int len = sizeof type;
        if (getsockopt((SOCKET)h, 0xFFFF, 0x1008, (char*)&type, &len) != 0)
            return "not a socket (error " + std::to_string(WSAGetLastError()) + ")";
        std::string s = type == SOCK_STREAM ? "stream socket" : "socket of type " + std::to_string(type);
        sockaddr_in peer{};
        len = sizeof peer;
        if (getpeername((SOCKET)h, (sockaddr*)&peer, &len) != 0)
            return s + ", no peer (error " + std::to_string(WSAGetLastError()) + ")";
        if (peer.sin_family != AF_INET) return s + ", peer of family " + std::to_string(peer.sin_family);
        const unsigned char* a = (const unsigned char*)&peer.sin_addr;
        return s + ", peer " + std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
               std::to_string(a[3]) + ":" + std::to_string(ntohs(peer.sin_port));
    }
    HANDLE handle = StdHandle(h);
    DWORD mode = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%lX", (unsigned long)mode);
        return std::string("console, mode ") + text;
    }
    switch (GetFileType(handle)) {
    case FILE_TYPE_PIPE: return "pipe";
    case FILE_TYPE_DISK: return "file";
    case FILE_TYPE_CHAR: return "character device";
    default: return "none";
    }
}

TIoPeer IoSocketPeer(TIoHandle h, std::string& address)
{
    address.clear();
    sockaddr_in peer{};
    int len = sizeof peer;
    if (getpeername((SOCKET)h, (sockaddr*)&peer, &len) != 0 || peer.sin_family != AF_INET) return PeerUnknown;
    const unsigned char* a = (const unsigned char*)&peer.sin_addr;
    address = std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
    return a[0] == 127 ? PeerLoopback : PeerRemote;
}

std::string IoNoCallerOnInput()
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE) return "closed";
    if (IsConsole(in)) return "";
    switch (GetFileType(in)) {
    case FILE_TYPE_CHAR: return "NUL";
    case FILE_TYPE_DISK: {
        LARGE_INTEGER size, at, zero;
        zero.QuadPart = 0;
        if (GetFileSizeEx(in, &size) && SetFilePointerEx(in, zero, &at, FILE_CURRENT) && at.QuadPart >= size.QuadPart)
            return size.QuadPart == 0 ? "an empty file" : "a file read to its end";
        return "";
    }
    case FILE_TYPE_PIPE: {
        DWORD waiting = 0;
        if (!PeekNamedPipe(in, nullptr, 0, nullptr, &waiting, nullptr) && GetLastError() == ERROR_BROKEN_PIPE)
            return "a closed pipe";
        return "";
    }
    default: return "";
    }
}

bool IoOutputMayReachCaller()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return IsConsole(out) || GetFileType(out) == FILE_TYPE_PIPE;
}

bool IoErrorsApart()
{
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE), out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE) return false;
    if (IsConsole(err) && IsConsole(out)) return false;   // one console shows both
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return true;
    // Standard output on NUL (a character device that is no console).
    if (GetFileType(out) == FILE_TYPE_CHAR && !IsConsole(out)) return true;
    // Two files on disk: apart unless they are the same file.
    BY_HANDLE_FILE_INFORMATION a, b;
    if (GetFileType(out) == FILE_TYPE_DISK && GetFileType(err) == FILE_TYPE_DISK &&
        GetFileInformationByHandle(out, &a) && GetFileInformationByHandle(err, &b))
        return a.dwVolumeSerialNumber != b.dwVolumeSerialNumber || a.nFileIndexHigh != b.nFileIndexHigh ||
               a.nFileIndexLow != b.nFileIndexLow;
    // Pipes cannot be told apart: standard output alone, as the BBS reads it.
    return false;
}

// The console's modes and code page as the door found them.
static bool InputSaved = false, OutputSaved = false, OutputTried = false;
static DWORD SavedInputMode = 0, SavedOutputMode = 0;
static UINT SavedCodePage = 0;
// The output console interprets ANSI itself; otherwise the local
// interpreter drives it.
static bool OutputAnsi = false;
static TAnsiState Interpreter;

void IoRestoreTerminal()
{
    if (InputSaved) SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), SavedInputMode);
    if (OutputSaved) {
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        SetConsoleMode(out, SavedOutputMode);
        if (SavedCodePage) SetConsoleOutputCP(SavedCodePage);
    }
    InputSaved = OutputSaved = OutputTried = false;
}

static void RestoreAtExit()
{
    static bool set = false;
    if (!set) atexit(IoRestoreTerminal);
    set = true;
}

// Standard output, when it is a console: virtual-terminal processing where
// the console accepts it, and code page 437 for the screens' line drawing.
static void PrepareOutputConsole()
{
    if (OutputTried) return;
    OutputTried = true;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    if (!GetConsoleMode(out, &mode)) return;
    RestoreAtExit();
    SavedOutputMode = mode;
    SavedCodePage = GetConsoleOutputCP();
    OutputSaved = true;
    SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    DWORD now = 0;
    OutputAnsi = GetConsoleMode(out, &now) && (now & ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    SetConsoleOutputCP(437);
    Interpreter = TAnsiState();
}

bool IoSetRawTerminal(TIoHandle h)
{
    HANDLE in = StdHandle(h);
    DWORD mode;
    if (!GetConsoleMode(in, &mode)) return false;
    if (!InputSaved) {
        RestoreAtExit();
        SavedInputMode = mode;
        InputSaved = true;
    }
    // Keys arrive as the sequences a terminal sends; where the console
    // refuses that, at least no line editing, echo or Ctrl+C processing.
    if (!SetConsoleMode(in, ENABLE_VIRTUAL_TERMINAL_INPUT)) SetConsoleMode(in, 0);
    PrepareOutputConsole();
    return true;
}

TIoResult IoWaitReadable(TIoHandle h, bool socket, int ms)
{
    if (ms < 0) ms = 0;
    if (socket) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET((SOCKET)h, &set);
        timeval tv{ms / 1000, (ms % 1000) * 1000};
        int n = select(0, &set, nullptr, nullptr, &tv);
        if (n == SOCKET_ERROR) return IoClosed;
        return n > 0 ? IoData : IoNothing;
    }
    HANDLE in = StdHandle(h);
    if (IsConsole(in)) {
        DWORD pending = 0;
        if (!GetNumberOfConsoleInputEvents(in, &pending)) return IoClosed;
        if (pending > 0) return IoData;
        DWORD w = WaitForSingleObject(in, (DWORD)ms);
        return w == WAIT_OBJECT_0 ? IoData : w == WAIT_TIMEOUT ? IoNothing : IoClosed;
    }
    DWORD avail = 0;
    if (!PeekNamedPipe(in, nullptr, 0, nullptr, &avail, nullptr)) {
        // A broken pipe is the caller gone; anything else (a file) reads.
        return GetLastError() == ERROR_BROKEN_PIPE ? IoClosed : IoData;
    }
    if (avail > 0) return IoData;
    if (ms > 0) Sleep((DWORD)std::min(ms, 10));
    return IoNothing;
}

// The characters of the pending key-down records, at most 64 records.
static long ReadConsoleKeys(HANDLE in, char* buf, size_t n)
{
    DWORD pending = 0;
    if (!GetNumberOfConsoleInputEvents(in, &pending)) return -1;
    if (pending == 0) return 0;
    INPUT_RECORD recs[64];
    DWORD got = 0;
    DWORD want = (DWORD)std::min<size_t>({(size_t)64, (size_t)pending, n});
    if (!ReadConsoleInputA(in, recs, want, &got)) return -1;
    long kept = 0;
    for (DWORD i = 0; i < got && (size_t)kept < n; i++) {
        const INPUT_RECORD& r = recs[i];
        if (r.EventType != KEY_EVENT || !r.Event.KeyEvent.bKeyDown) continue;
        char c = r.Event.KeyEvent.uChar.AsciiChar;
        if (c != 0) buf[kept++] = c;
    }
    return kept;
}

long IoRead(TIoHandle h, bool socket, void* buf, size_t n)
{
    if (socket) {
        int got = recv((SOCKET)h, (char*)buf, (int)std::min<size_t>(n, 0x7fffffff), 0);
        if (got > 0) return got;
        if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return 0;
        return -1;   // closed or failed: the caller hung up
    }
    HANDLE in = StdHandle(h);
    if (IsConsole(in)) return ReadConsoleKeys(in, (char*)buf, n);
    DWORD got = 0;
    if (!ReadFile(in, buf, (DWORD)std::min<size_t>(n, 0x7fffffff), &got, nullptr) || got == 0) return -1;
    return (long)got;
}

// The console operations the local ANSI interpreter drives.
static void ConWrite(void* c, const std::string& text)
{
    DWORD w = 0;
    WriteConsoleA((HANDLE)c, text.data(), (DWORD)text.size(), &w, nullptr);
}

static void ConGetCursor(void* c, int& col, int& row)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    col = row = 0;
    if (!GetConsoleScreenBufferInfo((HANDLE)c, &info)) return;
    col = info.dwCursorPosition.X;
    row = info.dwCursorPosition.Y;
}

static void ConSetCursor(void* c, int col, int row)
{
    SetConsoleCursorPosition((HANDLE)c, COORD{(SHORT)col, (SHORT)row});
}

static void ConWindow(void* c, int& width, int& top, int& bottom)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    width = 80, top = 0, bottom = 24;
    if (!GetConsoleScreenBufferInfo((HANDLE)c, &info)) return;
    width = info.srWindow.Right - info.srWindow.Left + 1;
    top = info.srWindow.Top;
    bottom = info.srWindow.Bottom;
}

static void ConFill(void* c, int col, int row, int count)
{
    if (count <= 0) return;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo((HANDLE)c, &info)) return;
    DWORD done = 0;
    COORD at{(SHORT)col, (SHORT)row};
    FillConsoleOutputCharacterA((HANDLE)c, ' ', (DWORD)count, at, &done);
    FillConsoleOutputAttribute((HANDLE)c, info.wAttributes, (DWORD)count, at, &done);
}

static void ConSetAttr(void* c, int attr) { SetConsoleTextAttribute((HANDLE)c, (WORD)attr); }

bool IoWriteAll(TIoHandle h, bool socket, const void* buf, size_t n)
{
    const char* p = (const char*)buf;
    if (socket) {
        int stalledMs = 0;
        while (n > 0) {
            int put = send((SOCKET)h, p, (int)std::min<size_t>(n, 0x7fffffff), 0);
            if (put > 0) {
                p += put;
                n -= (size_t)put;
                stalledMs = 0;
                continue;
            }
            // A BBS that drives its sockets by events hands over a
            // non-blocking one: wait while it drains, but not forever for a
            // caller who no longer reads.
            if (put == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK && !IoSignalled() && stalledMs < 60000) {
                fd_set set;
                FD_ZERO(&set);
                FD_SET((SOCKET)h, &set);
                timeval tv{0, 100000};
                select(0, nullptr, &set, nullptr, &tv);
                stalledMs += 100;
                continue;
            }
            return false;   // closed, reset, or gone quiet for a minute
        }
        return true;
    }
    HANDLE out = StdHandle(h);
    if (IsConsole(out)) {
        PrepareOutputConsole();
        if (!OutputAnsi) {
            TConsoleOps ops{out, ConWrite, ConGetCursor, ConSetCursor, ConWindow, ConFill, ConSetAttr};
            AnsiInterpret(Interpreter, ops, std::string(p, n));
            return true;
        }
    }
    while (n > 0) {
        DWORD put = 0;
        if (!WriteFile(out, p, (DWORD)std::min<size_t>(n, 1u << 20), &put, nullptr) || put == 0) return false;
        p += put;
        n -= put;
    }
    return true;
}
