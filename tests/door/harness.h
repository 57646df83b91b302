// Plays the BBS for door tests: starts a door program the way Linux BBSes
// start one, and plays the caller at the other end of the connection.
//
//   ViaSocket    a loopback telnet connection; the accepted socket is
//                inherited by the door and named on DOOR32.SYS line 2;
//                standard input and output are /dev/null.
//   ViaDecodedSocket  the same socket, but the BBS speaks telnet to the
//                caller itself: the door's socket carries the caller's
//                bytes as they are.
//   ViaPipes     the caller on plain pipes as standard input and output.
//   ViaTerminal  the caller on a pseudo-terminal in cooked mode with echo,
//                as a BBS hands it over; the door is its session leader.
//
// Standard error is always a pipe, as the BBS logs it; a BBS may show it to
// the caller as well (ErrorsToCaller), each line end as a NUL byte.
#pragma once
#include <string>
#include <sys/types.h>
#include <termios.h>
#include <vector>

enum THarnessMode { ViaSocket, ViaPipes, ViaTerminal, ViaDecodedSocket };

inline bool OnSocket(THarnessMode m) { return m == ViaSocket || m == ViaDecodedSocket; }

struct TLaunch {
    THarnessMode Mode = ViaSocket;
    std::string Program;
    std::vector<std::string> Args;
    std::string Folder;                // where DOOR32.SYS is written, ends in '/'
    // DOOR32.SYS lines 1 and 2; "@" in Handle is replaced by the accepted
    // socket's number.  An empty CommType writes no DOOR32.SYS.
    std::string CommType = "2";
    std::string Handle = "@";
    std::string UserName = "Ann Caller";   // DOOR32.SYS lines 6, 7 and 9
    std::string Alias = "Raven";
    std::string Minutes = "30";
    bool IgnoreSigpipe = false;        // start the door with SIGPIPE ignored
    bool ErrorsToCaller = false;       // the BBS relays standard error to the caller too
    int Umask = 022;
};

struct TBbs {
    THarnessMode Mode = ViaSocket;
    pid_t Pid = -1;
    int Caller = -1;        // the caller's end: client socket, pty master, or pipe to the door's input
    int CallerIn = -1;      // pipes only: the door's output
    int Accepted = -1;      // socket mode: the BBS's own copy of the door's socket
    int PtySlave = -1;      // terminal mode: the BBS's copy of the terminal, for its settings
    struct termios Handed{};   // terminal mode: its settings as the door was given it
    int ErrPipe = -1;
    bool ErrorsToCaller = false;
    std::string Screen;     // everything the caller saw so far
    std::string Errors;     // the door's standard error so far
    int ExitCode = -1;

    ~TBbs();
    bool Start(const TLaunch& launch);
    // Bytes on the wire as they are (telnet commands included).
    void Send(const std::string& bytes);
    // What the caller types: a telnet client doubles every byte 255 on a
    // telnet socket; everywhere else the bytes go as they are.
    void Type(const std::string& text);
    // Sends the pieces as separate packets, a pause between them.
    void SendSplit(const std::vector<std::string>& pieces, int pauseMs = 30);
    // Reads until the screen holds `text`; false after `ms` without it.
    bool WaitFor(const std::string& text, int ms = 5000);
    // Waits for the door to end; its exit code (128 + signal when killed),
    // or -1 after `ms` (the door is then killed).
    int WaitExit(int ms = 5000);
    void CloseCaller();     // the caller hangs up (both directions)
    void CloseCallerOutput();   // pipes only: nobody reads the door's output any more
    void Pump(int ms);      // collects output and errors for a while
};
