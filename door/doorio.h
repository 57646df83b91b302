// The operating-system side of the caller's connection: the inherited
// socket, the terminal and the standard handles, and the signals that mean
// "the caller is gone".  The rest of the door layer sees only these calls,
// so a port replaces this one file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// A byte stream: the inherited socket, or standard input and output (on
// Windows a socket is a pointer-sized handle).
typedef intptr_t TIoHandle;
const TIoHandle IoStdIn = 0;
const TIoHandle IoStdOut = 1;

// Hang-up, interrupt and termination signals only raise a flag, read
// between waits; a broken pipe is reported by the write instead of killing
// the process.
void IoInstallSignals();
bool IoSignalled();
// The signal or event that raised the flag, in a few words ("SIGHUP").
std::string IoSignalText();
void IoClearSignalled();   // for a second connection in the same process (tests)

// True when the number is an open socket we can use; otherwise false and
// the operating system's error number in `error`.
bool IoSocketUsable(uint64_t handle, int& error);

bool IoIsTerminal(TIoHandle h);
// What the system says of a handle, in a few words for the sysop's
// diagnostics: a socket's type and peer, a terminal's settings, a pipe, a
// file or a device.
std::string IoDescribe(TIoHandle h, bool socket);
// Where a socket's other end is, and its address in `address`: another
// machine, this machine (a loopback address), a socket pair within this
// machine, or not known.
enum TIoPeer { PeerUnknown, PeerRemote, PeerLoopback, PeerLocalPair };
TIoPeer IoSocketPeer(TIoHandle h, std::string& address);
// Why standard input holds no caller, or empty when it may: the null device
// ("/dev/null"), an empty file or one read to its end, a pipe whose writer
// has gone without writing.  Looks without taking any byte away.
std::string IoNoCallerOnInput();
// True when standard output may reach a caller (a terminal, a pipe, a
// socket), not a device that swallows it or a file.
bool IoOutputMayReachCaller();
// True when standard error is a stream of its own, not the same file or
// pipe as standard output (a BBS that sends the door's output to /dev/null
// and logs only standard error).
bool IoErrorsApart();
// Puts the terminal into raw mode (no line editing, no echo, no signals from
// keys, no translation of bytes either way) and remembers how it was; the
// saved mode is restored by IoRestoreTerminal and at process exit.
bool IoSetRawTerminal(TIoHandle h);
void IoRestoreTerminal();

enum TIoResult { IoData, IoNothing, IoClosed };

// The platform's name in the door's refusal messages.
extern const char* const IoPlatformName;

// Waits up to ms milliseconds (0 polls) until the handle can be read.
// IoClosed when the peer is gone in a way a wait can see.
TIoResult IoWaitReadable(TIoHandle h, bool socket, int ms);
// Reads what is there, at most n bytes.  Returns the count, 0 when nothing
// could be read just now, -1 when the stream has ended or failed.
long IoRead(TIoHandle h, bool socket, void* buf, size_t n);
// Writes all n bytes, waiting while the stream is full.  False when the
// caller is gone (closed connection, broken pipe) or the signal flag rose.
bool IoWriteAll(TIoHandle h, bool socket, const void* buf, size_t n);
