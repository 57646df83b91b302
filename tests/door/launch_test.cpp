// A door program started as Linux BBSes start one: on an inherited telnet
// socket, on plain pipes, and on a cooked pseudo-terminal; and the caller
// hanging up in each.
#include "core/osfs.h"
#include "tests/door/harness.h"
#include "tests/testutil.h"
#include <csignal>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::string_literals;

TLaunch Probe(const TScratch& s, THarnessMode mode, const std::string& how = "keys")
{
    TLaunch l;
    l.Mode = mode;
    l.Program = DOOR_PROBE_PATH;
    l.Folder = s.Dir;
    l.Args = {s.Dir, how};
    if (!OnSocket(mode)) {
        l.CommType = "0";
        l.Handle = "0";
    }
    return l;
}

// The BBS's copy of the socket still works both ways once the door is gone:
// the door neither closed nor shut it down.
void ExpectSocketStillOpen(TBbs& bbs)
{
    ASSERT_EQ(send(bbs.Accepted, "after", 5, MSG_NOSIGNAL), 5);
    char buf[16] = {};
    ASSERT_EQ(recv(bbs.Caller, buf, sizeof buf, 0), 5);
    EXPECT_EQ(std::string(buf, 5), "after");
    ASSERT_EQ(send(bbs.Caller, "back", 4, MSG_NOSIGNAL), 4);
    ASSERT_EQ(recv(bbs.Accepted, buf, sizeof buf, 0), 4);
    EXPECT_EQ(std::string(buf, 4), "back");
}

} // namespace

TEST(DoorLaunch, SocketKeysSplitAcrossPacketsWithTelnet)
{
    TScratch s;
    TBbs bbs;
    ASSERT_TRUE(bbs.Start(Probe(s, ViaSocket)));
    ASSERT_TRUE(bbs.WaitFor("READY socket")) << bbs.Screen << bbs.Errors;
    EXPECT_NE(bbs.Screen.find("\x1b[0;1;37;40mREADY socket\x1b[0;37;40m\r\n"), std::string::npos);
    // A telnet client's opening negotiation, a key among it, an arrow key
    // split across packets, a subnegotiation split likewise.
    bbs.SendSplit({"\xff\xfb\x18\xff\xfd", "\x01" "a\x1b", "[", "A\xff\xfa\x18\x00VT", "100\xff\xf0" "b\r\n"s,
                   "\xff\xff", "q"});
    ASSERT_TRUE(bbs.WaitFor("BYE")) << bbs.Screen;
    EXPECT_NE(bbs.Screen.find("<a><KEY_UP><b><CR><ff><q>BYE\r\n"), std::string::npos) << bbs.Screen;
    EXPECT_EQ(bbs.WaitExit(), 0) << bbs.Errors;
    EXPECT_EQ(bbs.Errors, "");
    ExpectSocketStillOpen(bbs);
    std::string log = ReadFile(s.Path("PROBE.LOG"));
    EXPECT_NE(log.find("user Ann Caller\r\n"), std::string::npos);
    EXPECT_NE(log.find("seconds 1800\r\n"), std::string::npos);
    EXPECT_NE(log.find("channel socket\r\n"), std::string::npos);
}

TEST(DoorLaunch, CallersBytes255OnTelnetAndDecodedSockets)
{
    // Every received byte shown in hex, as the door layer hands it up.
    auto run = [](THarnessMode mode, bool plain, const std::vector<std::string>& packets) {
        TScratch s;
        TBbs bbs;
        TLaunch l = Probe(s, mode, "bytes");
        if (plain) l.Args.push_back("plain");
        EXPECT_TRUE(bbs.Start(l));
        EXPECT_TRUE(bbs.WaitFor("a b\r\n")) << bbs.Errors;
        bbs.Screen.clear();
        for (const std::string& p : packets) {
            if (p == "pause") SleepMs(1200);
            else bbs.Send(p);
            SleepMs(60);
        }
        bbs.Send("q");
        EXPECT_EQ(bbs.WaitExit(), 0) << bbs.Errors;
        std::string all;   // the hex of every receive, run together
        for (char c : bbs.Screen)
            if (c != '\r' && c != '\n') all += c;
        return all.substr(0, all.find("BYE"));
    };
    // Telnet: a client that forgot to double 0xFF before a letter or a CR
    // keeps both bytes; a doubled one is one byte; commands 240-249 vanish.
    EXPECT_EQ(run(ViaSocket, false, {"\xff" "A", "\xff\r", "\xff\xff", "\xff\xf1" "B", "\x82\xff\x00"s}),
              "ff 41 ff 0d ff 42 82 ff 00 71 ");
    // A lone 0xFF 0xFA is not allowed to take the caller's ears: after a second the
    // bytes are the caller's again; a real sub-negotiation still vanishes,
    // also when split.
    EXPECT_EQ(run(ViaSocket, false, {"\xff\xfa" "xyz", "pause", "C", "\xff\xfa\x18", "\x00VT100\xff\xf0" "D"s}),
              "43 44 71 ");
    // One that runs past its limit ends there.
    EXPECT_EQ(run(ViaSocket, false, {"\xff\xfa" + std::string(257, 'x') + "E"}), "45 71 ");
    // A decoded socket with the switch: every byte as the caller sent it.
    EXPECT_EQ(run(ViaDecodedSocket, true, {"\xff\xfa" "A", "\xff\xff", "\xfb"}), "ff fa 41 ff ff fb 71 ");
}

TEST(DoorLaunch, SocketNeverSendsByte255)
{
    TScratch s;
    TBbs bbs;
    ASSERT_TRUE(bbs.Start(Probe(s, ViaSocket, "bytes")));
    ASSERT_TRUE(bbs.WaitFor("a b\r\n")) << bbs.Screen;
    EXPECT_EQ(bbs.Screen.find('\xff'), std::string::npos);
    bbs.Send("q");
    EXPECT_EQ(bbs.WaitExit(), 0);
}

TEST(DoorLaunch, SocketCallerHangsUp)
{
    for (bool ignored : {false, true}) {
        TScratch s;
        TBbs bbs;
        TLaunch l = Probe(s, ViaSocket, "line");
        l.IgnoreSigpipe = ignored;
        ASSERT_TRUE(bbs.Start(l));
        ASSERT_TRUE(bbs.WaitFor("READY socket"));
        bbs.Send("half a li");
        ASSERT_TRUE(bbs.WaitFor("half a li"));
        bbs.CloseCaller();
        // The BBS keeps its own copy open and sends no signal: the door must
        // see the end of the stream itself and leave promptly.
        EXPECT_EQ(bbs.WaitExit(3000), 3) << bbs.Errors;
        EXPECT_NE(bbs.Errors.find("probe: hang-up: connection closed"), std::string::npos) << bbs.Errors;
        EXPECT_EQ(bbs.Errors.find("socket was closed"), std::string::npos);
    }
}

TEST(DoorLaunch, SocketWriteToGoneCaller)
{
    // The caller reset the connection: the door's next write fails with a
    // broken pipe instead of killing it, and it ends as a hang-up.
    for (bool ignored : {false, true}) {
        TScratch s;
        TBbs bbs;
        TLaunch l = Probe(s, ViaSocket, "keys");
        l.IgnoreSigpipe = ignored;
        ASSERT_TRUE(bbs.Start(l));
        ASSERT_TRUE(bbs.WaitFor("READY socket"));
        struct linger hard = {1, 0};
        setsockopt(bbs.Caller, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        bbs.Send("x");
        bbs.CloseCaller();
        EXPECT_EQ(bbs.WaitExit(3000), 3) << bbs.Errors;
    }
}

TEST(DoorLaunch, PipesAndHangUps)
{
    TScratch s;
    {
        TBbs bbs;
        ASSERT_TRUE(bbs.Start(Probe(s, ViaPipes, "line")));
        ASSERT_TRUE(bbs.WaitFor("READY handles")) << bbs.Screen << bbs.Errors;
        bbs.Send("hello\r");
        ASSERT_TRUE(bbs.WaitFor("[hello]\r\n"));
        EXPECT_NE(bbs.Screen.find("hello\r\n[hello]"), std::string::npos);   // the door echoes
        bbs.Send("q\n");
        EXPECT_EQ(bbs.WaitExit(), 0);
        EXPECT_NE(bbs.Screen.find("BYE"), std::string::npos);
    }
    {
        // The BBS closes the caller's side: end of input is a hang-up.
        TBbs bbs;
        ASSERT_TRUE(bbs.Start(Probe(s, ViaPipes)));
        ASSERT_TRUE(bbs.WaitFor("READY handles"));
        bbs.CloseCaller();
        EXPECT_EQ(bbs.WaitExit(3000), 3);
    }
    for (bool ignored : {false, true}) {
        // Nobody reads the door's output any more: the write fails with
        // EPIPE, never a SIGPIPE death, and the door ends as a hang-up.
        TBbs bbs;
        TLaunch l = Probe(s, ViaPipes);
        l.IgnoreSigpipe = ignored;
        ASSERT_TRUE(bbs.Start(l));
        ASSERT_TRUE(bbs.WaitFor("READY handles"));
        bbs.CloseCallerOutput();
        bbs.Send("x");
        EXPECT_EQ(bbs.WaitExit(3000), 3) << "SIGPIPE ignored: " << ignored;
    }
}

TEST(DoorLaunch, CookedTerminalSetRawAndRestored)
{
    // Three ways BBSes describe a caller on the standard handles.
    const char* forms[][2] = {{"0", "-1"}, {"2", "-1"}, {"0", "17"}};
    for (const auto& form : forms) {
        TScratch s;
        TBbs bbs;
        TLaunch l = Probe(s, ViaTerminal, "bytes");
        l.CommType = form[0];
        l.Handle = form[1];
        ASSERT_TRUE(bbs.Start(l));
        const struct termios& before = bbs.Handed;   // the door may have set it raw already
        ASSERT_TRUE(bbs.WaitFor("READY console")) << form[0] << " " << form[1] << bbs.Screen << bbs.Errors;
        // Output goes out untranslated, and never a byte 255.
        ASSERT_TRUE(bbs.WaitFor("a b\r\n"));
        EXPECT_NE(bbs.Screen.find("one\ntwo\r\n"), std::string::npos);
        EXPECT_EQ(bbs.Screen.find('\xff'), std::string::npos);
        struct termios raw;
        ASSERT_EQ(tcgetattr(bbs.PtySlave, &raw), 0);
        EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(raw.c_iflag & (ICRNL | ISTRIP), 0u);
        // Keys arrive one by one without Enter, unechoed, CR kept, the high
        // bit kept, Ctrl-C a byte rather than a signal.
        bbs.Screen.clear();
        bbs.Send("\r");
        ASSERT_TRUE(bbs.WaitFor("0d \r\n"));
        bbs.Send("\xe9");
        ASSERT_TRUE(bbs.WaitFor("e9 \r\n"));
        bbs.Send("\x03");
        ASSERT_TRUE(bbs.WaitFor("03 \r\n"));
        bbs.Send("z");
        ASSERT_TRUE(bbs.WaitFor("7a \r\n"));
        EXPECT_EQ(bbs.Screen.find('z'), std::string::npos);   // no echo
        bbs.Send("q");
        EXPECT_EQ(bbs.WaitExit(), 0) << bbs.Errors;
        struct termios after;
        ASSERT_EQ(tcgetattr(bbs.PtySlave, &after), 0);
        EXPECT_EQ(after.c_lflag, before.c_lflag);
        EXPECT_EQ(after.c_iflag, before.c_iflag);
        EXPECT_EQ(after.c_oflag, before.c_oflag);
        EXPECT_EQ(after.c_cflag, before.c_cflag);
    }
}

TEST(DoorLaunch, TerminalHangUpSignals)
{
    for (int sig : {SIGHUP, SIGTERM}) {
        TScratch s;
        TBbs bbs;
        ASSERT_TRUE(bbs.Start(Probe(s, ViaTerminal, "line")));
        const struct termios& before = bbs.Handed;
        ASSERT_TRUE(bbs.WaitFor("READY console"));
        bbs.Send("typing");
        ASSERT_TRUE(bbs.WaitFor("typing"));
        kill(bbs.Pid, sig);
        EXPECT_EQ(bbs.WaitExit(3000), 3) << strsignal(sig);
        EXPECT_NE(bbs.Errors.find("connection closed"), std::string::npos);
        struct termios after;
        ASSERT_EQ(tcgetattr(bbs.PtySlave, &after), 0);
        EXPECT_EQ(after.c_lflag, before.c_lflag);
    }
    {
        // The BBS closes its end of the terminal: the kernel hangs it up.
        TScratch s;
        TBbs bbs;
        ASSERT_TRUE(bbs.Start(Probe(s, ViaTerminal)));
        ASSERT_TRUE(bbs.WaitFor("READY console"));
        close(bbs.PtySlave);
        bbs.PtySlave = -1;
        bbs.CloseCaller();
        EXPECT_EQ(bbs.WaitExit(3000), 3) << bbs.Errors;
    }
}

TEST(DoorLaunch, RefusedConnections)
{
    TScratch s;
    auto refusal = [&](const std::string& comm, const std::string& handle) {
        WriteFile(s.Path("DOOR32.SYS"), comm + "\n" + handle + "\n0\nBBS\n1\nAnn\nRaven\n10\n30\n1\n1\n");
        return RunProgram(DOOR_PROBE_PATH, {s.Dir, "keys"});
    };
    const std::string notSocket = " is not a socket this program can use ";
    const struct {
        const char *Comm, *Handle;
        std::string Said;
    } cases[] = {
        {"1", "3", "Door: DOOR32.SYS comm type 1 (serial) is not supported on Linux; use telnet (2)\n"},
        {"2", "0", "Door: DOOR32.SYS socket handle 0" + notSocket + "(error 88)\n"},   // /dev/null, not a socket
        {"2", "250", "Door: DOOR32.SYS socket handle 250" + notSocket + "(error 9)\n"},   // nothing open there
        {"2", "99999999999", "Door: DOOR32.SYS socket handle 99999999999" + notSocket + "(error 9)\n"},
    };
    for (const auto& c : cases) {
        TRun r = refusal(c.Comm, c.Handle);
        EXPECT_EQ(r.Exit, 1) << c.Handle;
        EXPECT_EQ(r.Out, c.Said);
    }
    EXPECT_FALSE(PathExists(s.Path("PROBE.LOG")));   // refused before anything was written

    // A socket BBS puts standard output on /dev/null and logs standard
    // error: the refusal must reach that log too.
    TBbs bbs;
    TLaunch l = Probe(s, ViaSocket);
    l.Handle = "250";
    ASSERT_TRUE(bbs.Start(l));
    EXPECT_EQ(bbs.WaitExit(), 1);
    EXPECT_EQ(bbs.Errors, "Door: DOOR32.SYS socket handle 250 is not a socket this program can use (error 9)\n");
    EXPECT_EQ(bbs.Screen, "");
}

TEST(DoorLaunch, PasswordNeverLoggedAndFilesReadable)
{
    TScratch s;
    std::string lines;
    for (int i = 1; i <= 52; i++) {
        std::string v = i == 1 ? "COM1:" : i == 4 ? "2" : i == 10 ? "Bob Jones" : i == 14 ? "Sw0rdf1sh" : i == 19 ? "20" : i == 20 ? "GR" : "";
        lines += v + "\n";
    }
    WriteFile(s.Path("DOOR.SYS"), lines);
    for (bool hangUp : {false, true}) {
        TBbs bbs;
        TLaunch l = Probe(s, ViaPipes, "keys");
        l.CommType = "";   // no DOOR32.SYS: the door finds DOOR.SYS
        l.Umask = 077;
        ASSERT_TRUE(bbs.Start(l));
        ASSERT_TRUE(bbs.WaitFor("READY handles")) << bbs.Screen << bbs.Errors;
        if (hangUp) bbs.CloseCaller();
        else bbs.Send("q");
        EXPECT_EQ(bbs.WaitExit(), hangUp ? 3 : 0);
        EXPECT_EQ(bbs.Screen.find("Sw0rdf1sh"), std::string::npos);
        EXPECT_EQ(bbs.Errors.find("Sw0rdf1sh"), std::string::npos);
    }
    std::vector<std::string> names;
    ASSERT_TRUE(ListFolder(s.Dir, names));
    for (const std::string& n : names) {
        if (n == "DOOR.SYS") continue;
        EXPECT_EQ(ReadFile(s.Path(n)).find("Sw0rdf1sh"), std::string::npos) << n;
    }
    std::string log = ReadFile(s.Path("PROBE.LOG"));
    EXPECT_NE(log.find("user Bob Jones\r\n"), std::string::npos);
    EXPECT_NE(log.find("node 2\r\n"), std::string::npos);
    // Written under umask 077, still readable by the other programs.
    struct stat st;
    ASSERT_EQ(stat(s.Path("PROBE.LOG").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
}
