// The door on Windows Sockets, in one process: a loopback connection whose
// accepted socket is the one DOOR32.SYS names, the test playing the
// caller's telnet client at the other end.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "door/door.h"
#include "door/dropfile.h"
#include "player/visit.h"
#include "tests/testutil.h"

namespace {

TDoorInfo SocketInfo(uint64_t handle)
{
    TDoorInfo d;
    d.CommType = 2;
    d.SocketHandle = handle;
    d.UserName = d.Alias = "Ann Caller";
    d.SecondsLeft = 1800;
    return d;
}

TEST(WinSocket, TheNamedSocketIsValidatedUsedAndLeftOpen)
{
    TSocketPair c;
    DoorInfo = SocketInfo((uint64_t)c.Door);
    ASSERT_EQ(DoorConnect(), "");
    EXPECT_EQ(DoorChannel(), ChannelSocket);
    // Colour codes become attribute sequences; byte 255 goes out as a space.
    WriteColour("`Fabc\xff`");
    DoorFlush();
    EXPECT_EQ(c.Receive(200), "\x1b[0;1;37;40mabc `");
    // Telnet commands are dropped, also split across two packets; IAC IAC is 255.
    c.Send("\xff\xfb");
    EXPECT_FALSE(DoorWaitInput(150));
    const char rest[] = "\x01" "x\xff\xff" "y\xff\xfa\x18\x01\xff\xf0z";
    c.Send(std::string(rest, sizeof rest - 1));
    std::string got;
    while (got.size() < 4 && DoorWaitInput(2000)) got = DoorInputBuffer();
    EXPECT_EQ(DoorInputBuffer(), "x\xff" "yz");
    DoorInputBuffer().clear();
    // A limited wait with nothing received runs out.
    int64_t start = MonotonicMs();
    EXPECT_FALSE(DoorWaitInput(300));
    EXPECT_GE(MonotonicMs() - start, 250);
    // The caller hangs up: the next wait raises the hang-up.
    c.ClosePeer();
    try {
        DoorWaitInput(-1);
        ADD_FAILURE() << "no hang-up";
    } catch (const EHangup& e) {
        EXPECT_STREQ(e.what(), "connection closed");
    }
    DoorClose();
    // The socket is the BBS's: the door has not closed it.
    int type = 0, len = sizeof type;
    EXPECT_EQ(getsockopt((SOCKET)c.Door, SOL_SOCKET, SO_TYPE, (char*)&type, &len), 0);
    EXPECT_EQ(type, SOCK_STREAM);
}

// A BBS that drives its sockets by events hands over a non-blocking one:
// a screen larger than the socket's buffer still reaches a slow reader whole.
TEST(WinSocket, ANonBlockingSocketThatFillsUpIsWaitedOn)
{
    TSocketPair c;
    u_long on = 1;
    ASSERT_EQ(ioctlsocket((SOCKET)c.Door, FIONBIO, &on), 0);
    int small = 4096;
    setsockopt((SOCKET)c.Door, SOL_SOCKET, SO_SNDBUF, (const char*)&small, sizeof small);
    setsockopt((SOCKET)c.Peer, SOL_SOCKET, SO_RCVBUF, (const char*)&small, sizeof small);
    DoorInfo = SocketInfo((uint64_t)c.Door);
    ASSERT_EQ(DoorConnect(), "");
    std::string screen;
    for (int i = 0; i < 8000; i++) screen += "line " + std::to_string(i) + "\r\n";
    std::string got;
    std::thread reader([&] {
        // A slow caller: small reads with pauses, until all is there or
        // nothing has come for two seconds.
        for (int quiet = 0; got.size() < screen.size() && quiet < 40;) {
            Sleep(5);
            std::string part = c.Receive(50);
            quiet = part.empty() ? quiet + 1 : 0;
            got += part;
        }
    });
    DoorWrite(screen);
    DoorFlush();
    reader.join();
    EXPECT_FALSE(DoorHungUp());
    EXPECT_EQ(got.size(), screen.size());
    EXPECT_TRUE(got == screen);
    DoorClose();
}

TEST(WinSocket, AHandleThatIsNoSocketIsRefusedWithTheWindowsError)
{
    DoorInfo = SocketInfo(4242);
    EXPECT_EQ(DoorConnect(), "Door: DOOR32.SYS socket handle 4242 is not a socket this program can use (error 10038)");
    DoorInfo.CommType = 1;
    EXPECT_EQ(DoorConnect(), "Door: DOOR32.SYS comm type 1 (serial) is not supported on Windows; use telnet (2)");
}

// The whole door over the socket DOOR32.SYS names: a new caller founds a
// house and leaves.
TEST(WinSocket, ACallerFoundsAHouseOverTheNamedSocket)
{
    TScratch s;
    TRun r = RunProgram(YDMAINT_PATH, {"-d", s.Dir, "new", "-seed", "5"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    TSocketPair c;
    WriteFile(s.Path("DOOR32.SYS"), "2\r\n" + std::to_string((unsigned long long)c.Door) +
                                        "\r\n38400\r\nTest BBS\r\n1\r\nAnn Caller\r\nRaven\r\n10\r\n30\r\n1\r\n1\r\n");
    std::string screen;
    std::atomic<bool> ok{true};
    std::thread caller([&] {
        auto expect = [&](const std::string& text) {
            for (int i = 0; i < 100 && screen.find(text) == std::string::npos; i++) screen += c.Receive(100);
            if (screen.find(text) == std::string::npos) ok = false;
            return (bool)ok;
        };
        if (!expect("Will you found a house in the Thyre?")) return;
        c.Send("Y");
        if (!expect("e.g. ")) return;
        c.Send("Astra\r");
        if (!expect("[press a key]")) return;
        c.Send(" ");
        if (!expect("Your command: ")) return;
        c.Send("QY");
        expect("Orders are carried out tonight.");
    });
    std::string drop = s.Path("DOOR32.SYS");
    std::vector<std::string> args = {"thyre", "-d", drop, "-g", s.Dir};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    int code = ThyreMain((int)argv.size(), argv.data());
    caller.join();
    EXPECT_TRUE(ok) << screen;
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(LoadGame(s.Path("THYRE.DAT")));
    int h = FindHouseByPlayer("Ann Caller");
    ASSERT_GT(h, 0);
    EXPECT_EQ(StrGet(HouseRec(h).Name), "Astra");
    EXPECT_FALSE(PathExists(s.Path("THYRE.LCK")));
}

}   // namespace
