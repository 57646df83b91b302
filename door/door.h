// The caller's connection and screen output.  One caller per process: the
// drop file is read, the connection opened once, and everything the screens
// write is buffered here, coloured by the backtick codes and sent in large
// writes.  Nothing in the door layer knows about the game.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

#include "core/text.h"

// The caller is gone.  Raised by the next wait for input once a read or a
// write failed or a hang-up signal came; the door program ends quietly.
struct EHangup : std::runtime_error {
    EHangup() : std::runtime_error("connection closed") {}
};

enum TDoorChannel {
    ChannelNone,
    ChannelSocket,    // the telnet socket the BBS opened and handed over
    ChannelConsole,   // a terminal on the standard handles, set raw
    ChannelHandles,   // pipes, files or a socket on standard input and output
};

// Whether the socket carries the caller's own telnet stream (the default:
// telnet commands are read and dropped) or plain data from a BBS that
// speaks telnet to the caller itself (every byte is the caller's).  Set
// before the connection opens.
void DoorSetSocketTelnet(bool telnet);

// What the door layer saw and chose while opening the connection, told line
// by line to a listener the program installs for its diagnostics (none by
// default).
typedef void (*TDoorTrace)(const std::string& line);
void DoorSetTrace(TDoorTrace trace);

// Opens the connection DoorInfo describes.  An unusable DOOR32.SYS ends the
// process with its message on standard output and exit code 1.
void DoorOpen();
// The same choice without ending the process: the refusal text, empty once
// a channel is open.  With a caller required (a BBS started the door),
// standard input that cannot hold one (/dev/null, a stream at its end) is
// refused when neither a socket nor a terminal is there.
std::string DoorConnect(bool callerRequired = true);
// Opens a channel on given descriptors (the socket's for a socket channel);
// DoorConnect uses it, and tests attach to descriptors of their own.
void DoorAttach(TDoorChannel channel, intptr_t inHandle, intptr_t outHandle, bool ansi, int64_t secondsLeft);
// Tells why the door will not start wherever someone may read it, once per
// place: standard output (the caller on pipes or a terminal, or the BBS's
// log), the caller's socket when DoorInfo names a usable one (lines ended
// CR LF there), and standard error when it is a stream of its own and
// standard output is not the caller's.  Where the caller sees it, waits
// about two seconds, or until a key, so they can read it before the BBS
// draws its menu again.
void DoorRefuse(const std::string& text);
// Flushes and gives the terminal back as it was.  The socket stays open: it
// belongs to the BBS.
void DoorClose();

TDoorChannel DoorChannel();
bool DoorHungUp();
// What ended the connection, in a few words for the sysop; empty while it lasts.
std::string DoorHangupReason();
// Bytes the caller sent since the connection opened (telnet commands aside).
int64_t DoorBytesReceived();
void DoorWrite(const std::string& bytes);
void DoorFlush();
// True when input arrived, false when `ms` milliseconds passed without any
// (ms < 0 waits without limit, 0 polls once).  Raises EHangup once the
// caller is gone.
bool DoorWaitInput(int ms);
// Bytes received and not yet taken as keys.
std::string& DoorInputBuffer();
// The caller's time left: negative once it is used up.
int64_t DoorSecondsLeft();

// PC text attributes: bits 0-2 foreground, bit 3 bright, bits 4-6
// background, bit 7 blink.
void DoorSetAttr(int attr);
int DoorAttr();
void DoorClearScreen();
void DoorClearEol();
void DoorMoveCursor(int n);   // right for n > 0, left for n < 0

// Writes a text whose backtick codes select colours: a backtick and a hex
// digit sets that attribute; a backtick and any other character is dropped;
// a backtick that ends the text is printed.
void WriteColour(const std::string& text);
// ColourPrefix, the text up to its (n+1)-th visible character, is core/text's
// (the screens and the setup program use it without the door layer).
