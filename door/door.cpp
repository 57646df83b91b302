// The connection, its buffers and the attribute sequences.
#include "door/door.h"
#include "core/osfs.h"
#include "core/text.h"
#include "door/doorio.h"
#include "door/dropfile.h"

// Module state of the door layer.
static TDoorChannel Channel = ChannelNone;
static TIoHandle InHandle = -1;
static TIoHandle OutHandle = -1;
static std::string OutBuffer;
static std::string InBuffer;
static bool Hangup = false;
static bool Ansi = true;
static int CurrentAttr = 7;
static int64_t StartTime = 0;
static int64_t SecondsAtStart = 3600;
static bool SocketTelnet = true;
static TDoorTrace Trace = nullptr;
static int TelnetState = 0;
static std::string HangupReason;   // what ended the connection, for the sysop
static int64_t BytesReceived = 0;  // every byte the caller sent, telnet commands aside
// A sub-negotiation is a few dozen bytes sent in one piece by the caller's
// client.  A caller's lone 0xFF 0xFA (a client that forgot to double the
// 0xFF, or a BBS that already speaks telnet for us) would otherwise swallow
// every later key: one ends after SubLimit bytes or SubMaxMs, whichever
// comes first, and what follows is the caller's data again.
static int SubBytes = 0;
static int64_t SubStartMs = 0;
static const int SubLimit = 256;
static const int64_t SubMaxMs = 1000;

static const size_t OutLimit = 4096;

void DoorAttach(TDoorChannel channel, intptr_t inHandle, intptr_t outHandle, bool ansi, int64_t secondsLeft)
{
    Channel = channel;
    InHandle = inHandle;
    OutHandle = outHandle;
    OutBuffer.clear();
    InBuffer.clear();
    Hangup = false;
    HangupReason.clear();
    BytesReceived = 0;
    IoClearSignalled();
    Ansi = ansi;
    CurrentAttr = 7;
    StartTime = UnixSeconds();
    SecondsAtStart = secondsLeft;
    TelnetState = 0;
    SubBytes = 0;
}

void DoorSetSocketTelnet(bool telnet)
{
    SocketTelnet = telnet;
}

void DoorSetTrace(TDoorTrace trace)
{
    Trace = trace;
}

static void Tell(const std::string& line)
{
    if (Trace) Trace(line);
}

// The standard handles, as a terminal when standard input is one.  Without
// a terminal, standard input that cannot hold a caller (the null device, a
// stream already at its end) is refused when a caller is required: the
// door entry names no socket and the BBS gave the door no terminal.
static std::string AttachStandard(bool callerRequired)
{
    if (IoIsTerminal(IoStdIn)) {
        Tell("channel: terminal on standard input (" + IoDescribe(IoStdIn, false) + ")");
        DoorAttach(ChannelConsole, IoStdIn, IoStdOut, DoorInfo.Ansi, DoorInfo.SecondsLeft);
        bool raw = IoSetRawTerminal(IoStdIn);
        Tell(std::string("terminal set raw: ") + (raw ? "yes" : "refused") + " (" + IoDescribe(IoStdIn, false) + ")");
        return "";
    }
    Tell("channel: standard handles (input " + IoDescribe(IoStdIn, false) + "; output " + IoDescribe(IoStdOut, false) +
         ")");
    std::string none = callerRequired ? IoNoCallerOnInput() : "";
    if (!none.empty())
        return "no caller on standard input (" + none + "): the door entry gives no socket and no terminal";
    DoorAttach(ChannelHandles, IoStdIn, IoStdOut, DoorInfo.Ansi, DoorInfo.SecondsLeft);
    return "";
}

// What can be seen of the socket's other end: the caller's own connection
// comes from another machine, a BBS relaying the caller speaks from this one.
static void TellPeer(TIoHandle h)
{
    std::string address;
    switch (IoSocketPeer(h, address)) {
    case PeerRemote:
        Tell("socket peer " + address + ", another machine: the caller's own connection, a telnet stream" +
             (SocketTelnet ? "" : " (-plain is given: the caller's telnet commands reach the door as keys)"));
        break;
    case PeerLoopback:
        Tell("socket peer " + address +
             ", this machine: the BBS relaying the caller, not the caller's own connection (a plain socket: " +
             (SocketTelnet ? "add -plain" : "-plain is given") + "), unless the caller called from this machine");
        break;
    case PeerLocalPair:
        Tell(std::string("socket peer: a socket pair within this machine: the BBS relaying the caller (a plain socket: ") +
             (SocketTelnet ? "add -plain" : "-plain is given") + ")");
        break;
    default: Tell("socket peer: not known"); break;
    }
}

std::string DoorConnect(bool callerRequired)
{
    if (DoorInfo.CommType == 2) {
        // Some BBSes write a handle of -1 when the caller is on the standard
        // handles (a pseudo-terminal) rather than on a socket of ours.
        if ((int64_t)DoorInfo.SocketHandle < 0) {
            Tell("DOOR32.SYS comm type 2 with a negative handle: the caller is on the standard handles");
            IoInstallSignals();
            return AttachStandard(callerRequired);
        }
        int error = 0;
        if (!IoSocketUsable(DoorInfo.SocketHandle, error))
            return "Door: DOOR32.SYS socket handle " + std::to_string(DoorInfo.SocketHandle) +
                   " is not a socket this program can use (error " + IntToText(error) + ")";
        Tell("channel: socket " + std::to_string(DoorInfo.SocketHandle) + " from DOOR32.SYS (" +
             IoDescribe((TIoHandle)DoorInfo.SocketHandle, true) + "), " +
             (SocketTelnet ? "telnet commands read and dropped" : "plain data, no telnet commands"));
        TellPeer((TIoHandle)DoorInfo.SocketHandle);
        IoInstallSignals();
        DoorAttach(ChannelSocket, (TIoHandle)DoorInfo.SocketHandle, (TIoHandle)DoorInfo.SocketHandle, DoorInfo.Ansi,
                   DoorInfo.SecondsLeft);
        return "";
    }
    if (DoorInfo.CommType == 1)
        return std::string("Door: DOOR32.SYS comm type 1 (serial) is not supported on ") + IoPlatformName +
               "; use telnet (2)";
    Tell(DoorInfo.CommType == 0 ? "DOOR32.SYS comm type 0 (local): the caller is on the standard handles"
                                 : "no socket named: the caller is on the standard handles");
    IoInstallSignals();
    return AttachStandard(callerRequired);
}

void DoorOpen()
{
    std::string refusal = DoorConnect();
    if (refusal.empty()) return;
    DoorRefuse(refusal);
    std::exit(1);
}

static const int RefusalWaitMs = 2000;

void DoorRefuse(const std::string& text)
{
    IoInstallSignals();
    int error = 0;
    bool onSocket = DoorInfo.CommType == 2 && (int64_t)DoorInfo.SocketHandle >= 0 &&
                    IoSocketUsable(DoorInfo.SocketHandle, error);
    // Off the socket, a terminal or a pipe on standard output is the
    // caller's; standard error may reach them as well (a BBS that shows it
    // too, or the same terminal), so it is said once, there.  Socket doors
    // often run with standard output on /dev/null while the BBS logs
    // standard error: it is said there too, so the sysop sees why.
    bool callerOnOutput = !onSocket && IoOutputMayReachCaller();
    std::string line = text + "\n";
    FileWrite(1, line.data(), line.size());
    if (!callerOnOutput && IoErrorsApart()) FileWrite(2, line.data(), line.size());
    if (onSocket) {
        TIoHandle h = (TIoHandle)DoorInfo.SocketHandle;
        DoorAttach(ChannelSocket, h, h, DoorInfo.Ansi, 0);
        std::string crlf;
        for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        DoorWrite(crlf + "\r\n");
    } else if (callerOnOutput && IoNoCallerOnInput().empty()) {
        // Only to wait: what was said went to standard output above.  A
        // terminal is set raw meanwhile, so one key ends the wait.
        DoorAttach(ChannelHandles, IoStdIn, IoStdOut, false, 0);
        if (IoIsTerminal(IoStdIn)) IoSetRawTerminal(IoStdIn);
    } else {
        // Nobody sees it but the sysop: no pause.
        Channel = ChannelNone;
        return;
    }
    // The caller reads it before the BBS draws its menu again.
    try {
        DoorWaitInput(RefusalWaitMs);
    } catch (const EHangup&) {
    }
    IoRestoreTerminal();
    Channel = ChannelNone;
}

void DoorClose()
{
    DoorFlush();
    IoRestoreTerminal();
    Channel = ChannelNone;
}

TDoorChannel DoorChannel()
{
    return Channel;
}

bool DoorHungUp()
{
    return Hangup || IoSignalled();
}

std::string DoorHangupReason()
{
    if (!HangupReason.empty()) return HangupReason;
    if (IoSignalled()) return "a hang-up signal (" + IoSignalText() + ")";
    return Hangup ? "the connection closed" : "";
}

int64_t DoorBytesReceived()
{
    return BytesReceived;
}

static void SetHangup(const char* why = nullptr)
{
    if (HangupReason.empty()) {
        if (IoSignalled()) HangupReason = "a hang-up signal (" + IoSignalText() + ")";
        else if (why) HangupReason = why;
    }
    Hangup = true;
    OutBuffer.clear();
}

void DoorWrite(const std::string& bytes)
{
    if (DoorHungUp()) return;   // nobody is listening any more
    OutBuffer += bytes;
    if (OutBuffer.size() > OutLimit) DoorFlush();
}

void DoorFlush()
{
    if (OutBuffer.empty()) return;
    if (DoorHungUp() || Channel == ChannelNone) {
        OutBuffer.clear();
        return;
    }
    // Byte 255 starts a telnet command: a caller's client would take it and
    // the byte after it as one, whether it reaches them over our socket or
    // through the BBS's pseudo-terminal.  The door sends none.
    for (char& c : OutBuffer)
        if ((unsigned char)c == 255) c = ' ';
    if (!IoWriteAll(OutHandle, Channel == ChannelSocket, OutBuffer.data(), OutBuffer.size()))
        SetHangup("a write to the caller failed (the connection is gone)");
    OutBuffer.clear();
}

// Strips telnet commands from received bytes; the state carries a command
// split across two receives.  An 0xFF before a byte that is no command
// (below 240) is a client's undoubled data byte: both bytes are the caller's.
static std::string TelnetFilter(const char* data, size_t n)
{
    std::string kept;
    for (size_t i = 0; i < n; i++) {
        unsigned char b = (unsigned char)data[i];
        if ((TelnetState == 3 || TelnetState == 4) && MonotonicMs() - SubStartMs > SubMaxMs)
            TelnetState = 0;   // a sub-negotiation that never ended: this byte is data
        switch (TelnetState) {
        case 0:
            if (b == 255) TelnetState = 1;
            else kept += (char)b;
            break;
        case 1:
            if (b == 250) {
                TelnetState = 3;
                SubBytes = 0;
                SubStartMs = MonotonicMs();
            } else if (b >= 251 && b <= 254) {
                TelnetState = 2;
            } else {
                if (b == 255) {
                    kept += (char)b;
                } else if (b < 240) {
                    kept += (char)255;
                    kept += (char)b;
                }
                TelnetState = 0;
            }
            break;
        case 2:
            TelnetState = 0;
            break;
        case 3:
            if (b == 255) TelnetState = 4;
            else if (++SubBytes > SubLimit) TelnetState = 0;
            break;
        default:
            TelnetState = b == 240 ? 0 : 3;
            if (TelnetState == 3 && ++SubBytes > SubLimit) TelnetState = 0;
            break;
        }
    }
    return kept;
}

[[noreturn]] static void RaiseHangup(const char* why = nullptr)
{
    SetHangup(why);
    throw EHangup();
}

bool DoorWaitInput(int ms)
{
    if (DoorHungUp()) RaiseHangup();
    DoorFlush();
    if (DoorHungUp()) RaiseHangup();
    if (Channel == ChannelNone) RaiseHangup("no connection is open");
    bool unlimited = ms < 0;
    int64_t deadline = MonotonicMs() + (ms >= 1 ? ms : 0);
    bool socket = Channel == ChannelSocket;
    for (;;) {
        // Waits are cut into slices so a hang-up signal is noticed within a
        // tenth of a second even if it came just before the wait began.
        int slice = unlimited ? 100 : (int)Clamp(deadline - MonotonicMs(), 0, 100);
        TIoResult ready = IoWaitReadable(InHandle, socket, slice);
        if (ready == IoClosed) RaiseHangup("the connection closed");
        if (ready == IoData) {
            char buf[1024];
            long got = IoRead(InHandle, socket, buf, socket ? 1024 : 512);
            if (got < 0) RaiseHangup("the caller's input ended (the caller hung up, or the stream closed)");
            if (got > 0) {
                if (socket && SocketTelnet) {
                    std::string kept = TelnetFilter(buf, (size_t)got);
                    if (!kept.empty()) {
                        BytesReceived += (int64_t)kept.size();
                        InBuffer += kept;
                        return true;
                    }
                } else {
                    BytesReceived += got;
                    InBuffer.append(buf, (size_t)got);
                    return true;
                }
            }
        }
        if (DoorHungUp()) RaiseHangup();
        if (!unlimited && MonotonicMs() >= deadline) return false;
    }
}

std::string& DoorInputBuffer()
{
    return InBuffer;
}

int64_t DoorSecondsLeft()
{
    return SecondsAtStart - (UnixSeconds() - StartTime);
}

void DoorSetAttr(int attr)
{
    attr &= 0xFF;
    if (attr == CurrentAttr) return;
    CurrentAttr = attr;
    if (!Ansi) return;
    DoorWrite(AnsiAttrSequence(attr));
}

int DoorAttr()
{
    return CurrentAttr;
}

void DoorClearScreen()
{
    DoorWrite(Ansi ? "\x1b[2J\x1b[H" : "\f");
}

void DoorClearEol()
{
    if (Ansi) DoorWrite("\x1b[K");
}

void DoorMoveCursor(int n)
{
    if (n > 0) {
        if (Ansi) DoorWrite("\x1b[" + IntToText(n) + "C");
    } else if (n < 0) {
        int64_t back = -(int64_t)n;
        if (Ansi) DoorWrite("\x1b[" + IntToText(back) + "D");
        else DoorWrite(std::string((size_t)back, '\b'));
    }
}

void WriteColour(const std::string& text)
{
    WalkColourCodes(text, [](const std::string& run) { DoorWrite(run); }, [](int attr) { DoorSetAttr(attr); });
}
