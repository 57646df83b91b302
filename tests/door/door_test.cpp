// The connection and the keys in one process: the door attached to one end
// of a socket pair, the test playing the caller's telnet client at the
// other.
#include "core/osfs.h"
#include "door/door.h"
#include "door/keys.h"
#include <gtest/gtest.h>
#include <thread>

#include "tests/testutil.h"

namespace {

struct TCaller {
    TSocketPair Pair;
    explicit TCaller(bool ansi = true, int64_t seconds = 3600)
    {
        DoorAttach(ChannelSocket, Pair.Door, Pair.Door, ansi, seconds);
    }
    ~TCaller() { DoorClose(); }
    void Send(const std::string& bytes) const { ASSERT_TRUE(Pair.Send(bytes)); }
    // Everything the door has sent so far.
    std::string Seen() const
    {
        DoorFlush();
        return Pair.Receive();
    }
    void HangUp() { Pair.ClosePeer(); }
};

using namespace std::string_literals;
const std::string Esc = "\x1b";

// Every key the door reads from what was sent, until the input runs dry.
std::vector<std::string> Keys(int timeoutMs = 0)
{
    std::vector<std::string> keys;
    for (;;) {
        std::string k = DoorReadKey(timeoutMs);
        if (k.empty()) break;
        keys.push_back(k);
    }
    return keys;
}

int64_t ElapsedMs(int64_t t0)
{
    return MonotonicMs() - t0;
}

} // namespace

TEST(DoorOutput, ColourCodes)
{
    TCaller c;
    WriteColour("`Fabc`");
    EXPECT_EQ(c.Seen(), Esc + "[0;1;37;40mabc`");
    EXPECT_EQ(DoorAttr(), 15);
    WriteColour("`Gx");
    EXPECT_EQ(c.Seen(), "x");
    EXPECT_EQ(DoorAttr(), 15);
    WriteColour("`f`Fy");   // lower-case hex, then the same attribute again
    EXPECT_EQ(c.Seen(), "y");
    WriteColour("`7a`8b`Cc`Ed`Ae`Bf`1g`0");
    EXPECT_EQ(c.Seen(), Esc + "[0;37;40ma" + Esc + "[0;1;30;40mb" + Esc + "[0;1;31;40mc" + Esc + "[0;1;33;40md" +
                            Esc + "[0;1;32;40me" + Esc + "[0;1;36;40mf" + Esc + "[0;34;40mg" + Esc + "[0;30;40m");
    DoorSetAttr(0x9E);   // blink, blue background, bright yellow
    EXPECT_EQ(c.Seen(), Esc + "[0;1;5;33;44m");
    DoorSetAttr(0x9E);
    EXPECT_EQ(c.Seen(), "");
    WriteColour("`");
    WriteColour("plain");
    EXPECT_EQ(c.Seen(), "`plain");

    DoorClearScreen();
    DoorClearEol();
    DoorMoveCursor(3);
    DoorMoveCursor(-12);
    DoorMoveCursor(0);
    EXPECT_EQ(c.Seen(), Esc + "[2J" + Esc + "[H" + Esc + "[K" + Esc + "[3C" + Esc + "[12D");
}

TEST(DoorOutput, AnsiOff)
{
    TCaller c(false);
    WriteColour("`Fbold`7 plain`Gz");
    DoorClearScreen();
    DoorClearEol();
    DoorMoveCursor(4);
    DoorMoveCursor(-2);
    EXPECT_EQ(c.Seen(), "bold plainz\f\b\b");
    EXPECT_EQ(DoorAttr(), 7);   // the attribute is still tracked
    WriteColour("`C");
    EXPECT_EQ(DoorAttr(), 12);
}

TEST(DoorOutput, ColourPrefix)
{
    EXPECT_EQ(ColourPrefix("`Fab`7cd", 3), "`Fab`7c");
    EXPECT_EQ(ColourPrefix("`Fab`7cd", 2), "`Fab`7");
    EXPECT_EQ(ColourPrefix("`Fab`7cd", 4), "`Fab`7cd");
    EXPECT_EQ(ColourPrefix("`Fab`7cd", 10), "`Fab`7cd");
    EXPECT_EQ(ColourPrefix("abc", 0), "");
    EXPECT_EQ(ColourPrefix("ab`", 2), "ab");
    EXPECT_EQ(ColourPrefix("ab`", 3), "ab`");
}

TEST(DoorOutput, ByteTwoFiftyFiveAndLargeWrites)
{
    TCaller c;
    DoorWrite(std::string("a\xff" "b\xff\xff", 5));
    EXPECT_EQ(c.Seen(), "a b  ");
    // More than the buffer's limit goes out without an explicit flush.
    DoorWrite(std::string(5000, 'z'));
    std::string got;
    while (got.size() < 5000) {
        std::string part = c.Pair.Receive(1000);
        if (part.empty()) break;
        got += part;
    }
    EXPECT_EQ(got, std::string(5000, 'z'));
}

TEST(DoorInput, TelnetFilterAcrossReceives)
{
    TCaller c;
    c.Send("\xff\xff");
    ASSERT_TRUE(DoorWaitInput(1000));
    EXPECT_EQ(DoorInputBuffer(), "\xff");
    DoorInputBuffer().clear();

    // IAC WILL with its option split from it: nothing arrives.
    c.Send("\xff\xfb");
    EXPECT_FALSE(DoorWaitInput(50));
    c.Send("\x01" "a");
    ASSERT_TRUE(DoorWaitInput(1000));
    EXPECT_EQ(DoorInputBuffer(), "a");
    DoorInputBuffer().clear();

    // A subnegotiation block in three receives, holding an IAC of its own.
    c.Send("b\xff\xfa\x18");
    ASSERT_TRUE(DoorWaitInput(1000));
    c.Send("\x01VT100\xff");
    EXPECT_FALSE(DoorWaitInput(50));
    c.Send("\xf0" "c\xff\xf1" "d");   // SE, then c, IAC NOP, d
    ASSERT_TRUE(DoorWaitInput(1000));
    EXPECT_EQ(DoorInputBuffer(), "bcd");
    DoorInputBuffer().clear();

    c.Send("\xff\xfd\x03\xff\xfe\x01\xff\xfc\x22" "e");
    ASSERT_TRUE(DoorWaitInput(1000));
    EXPECT_EQ(DoorInputBuffer(), "e");
    DoorInputBuffer().clear();

    // A caller's lone 0xFF 0xFA (a BBS that handles telnet itself): the
    // sub-negotiation it seems to open ends after 256 bytes, and keys come
    // through again.
    c.Send("\xff\xfa" + std::string(256, 'x'));
    EXPECT_FALSE(DoorWaitInput(50));
    c.Send("xkeys");
    ASSERT_TRUE(DoorWaitInput(1000));
    EXPECT_EQ(DoorInputBuffer(), "keys");
}

TEST(DoorInput, WaitTimesOutAndCallerTime)
{
    TCaller c(true, 90);
    int64_t t0 = MonotonicMs();
    EXPECT_FALSE(DoorWaitInput(300));
    int64_t ms = ElapsedMs(t0);
    EXPECT_GE(ms, 290);
    EXPECT_LT(ms, 2000);
    t0 = MonotonicMs();
    EXPECT_FALSE(DoorWaitInput(0));
    EXPECT_LT(ElapsedMs(t0), 500);
    EXPECT_LE(DoorSecondsLeft(), 90);
    EXPECT_GE(DoorSecondsLeft(), 85);
    // A wait without limit returns on input.
    std::thread late([&] {
        SleepMs(150);
        c.Send("k");
    });
    EXPECT_TRUE(DoorWaitInput(-1));
    late.join();
    EXPECT_EQ(DoorInputBuffer(), "k");
}

TEST(DoorInput, KeysAndSequences)
{
    TCaller c;
    struct {
        const char* Sent;
        const char* Key;
    } table[] = {
        {"\x1b[A", "KEY_UP"},   {"\x1bOA", "KEY_UP"},     {"\x1b[B", "KEY_DOWN"}, {"\x1bOB", "KEY_DOWN"},
        {"\x1b[C", "KEY_RIGHT"}, {"\x1bOC", "KEY_RIGHT"}, {"\x1b[D", "KEY_LEFT"}, {"\x1bOD", "KEY_LEFT"},
        {"\x1bOH", "KEY_HOME"}, {"\x1b[1~", "KEY_HOME"},  {"\x1b[H", "KEY_HOME"}, {"\x1bOF", "KEY_END"},
        {"\x1b[4~", "KEY_END"}, {"\x1b[F", "KEY_END"},    {"\x1b[K", "KEY_END"},  {"\x1b[3~", "KEY_DEL"},
        {"\x1b[2~", "KEY_INS"}, {"\x1b[5~", "KEY_PGUP"},  {"\x1b[6~", "KEY_PGDN"}, {"\x1b[Z", "KEY_UNKNOWN"},
        {"\x1b[15~", "KEY_UNKNOWN"},
    };
    for (const auto& t : table) {
        c.Send(std::string(t.Sent) + "q");
        EXPECT_EQ(Keys(30), (std::vector<std::string>{t.Key, "q"})) << t.Sent + 1;
    }
    // A sequence runs to 12 bytes at most; the rest are keys of their own.
    c.Send("\x1b[" + std::string(13, '1'));
    EXPECT_EQ(Keys(30), (std::vector<std::string>{"KEY_UNKNOWN", "1", "1"}));

    c.Send("\x1bx");
    EXPECT_EQ(Keys(200), (std::vector<std::string>{Esc, "x"}));
    c.Send("\x1b");
    int64_t t0 = MonotonicMs();
    EXPECT_EQ(DoorReadKey(-1), Esc);
    int64_t ms = ElapsedMs(t0);
    EXPECT_GE(ms, 90);
    EXPECT_LT(ms, 1000);

    // Enter in all its forms; NUL never a key.
    c.Send("\r\n" "a\r\0" "b\r" "c\n" "\0d" "\n\r"s);
    EXPECT_EQ(Keys(200), (std::vector<std::string>{"\r", "a", "\r", "b", "\r", "c", "\r", "d", "\r", "\r"}));
    c.Send("x\r\0"s);
    EXPECT_EQ(Keys(200), (std::vector<std::string>{"x", "\r"}));
    c.Send("\0"s);
    EXPECT_EQ(DoorReadKey(100), "");
    // The CR's LF in a later receive is a second Enter.
    c.Send("\r");
    EXPECT_EQ(DoorReadKey(-1), "\r");
    c.Send("\n");
    EXPECT_EQ(DoorReadKey(-1), "\r");
    EXPECT_EQ(DoorReadKey(50), "");
}

TEST(DoorInput, SplitSequenceWithinTheWait)
{
    TCaller c;
    std::thread rest([&] {
        SleepMs(40);
        c.Send("[");
        SleepMs(40);
        c.Send("3");
        SleepMs(40);
        c.Send("~");
    });
    c.Send("\x1b");
    EXPECT_EQ(DoorReadKey(-1), "KEY_DEL");
    rest.join();
}

TEST(DoorInput, LineEditor)
{
    TCaller c;
    c.Send("abcd\r");
    EXPECT_EQ(DoorInput(3, false), "abc");
    EXPECT_EQ(c.Seen(), "abc\r\n");

    c.Send("\b\x7f" "x\r");
    EXPECT_EQ(DoorInput(10, false), "x");
    c.Seen();

    c.Send("-5\r");
    EXPECT_EQ(DoorInput(5, true), "-5");
    c.Send("5-a9\r");
    EXPECT_EQ(DoorInput(5, true), "59");
    c.Send("\x1b" "\r");
    EXPECT_EQ(DoorInput(5, false), "");
    c.Seen();

    // Editing in the middle: left twice, backspace, insert, delete.
    c.Send("abcd\x1b[D\x1b[D\bX\x1b[3~\r");
    EXPECT_EQ(DoorInput(10, false), "aXd");
    c.Send("abc\x1b[H" "Z\x1b[F" "!\r");
    EXPECT_EQ(DoorInput(10, false), "Zabc!");
    c.Seen();

    // A highlighted default: Enter keeps it, a key replaces it.
    TGetStrOpts o;
    o.Default = "42";
    o.MaxLen = 4;
    DoorSetAttr(7);
    c.Seen();
    c.Send("\r");
    EXPECT_EQ(DoorGetStr(o), "42");
    EXPECT_EQ(c.Seen(), Esc + "[0;30;47m42" + Esc + "[0;37;40m" + Esc + "[2D42\r\n");
    c.Send("7\r");
    EXPECT_EQ(DoorGetStr(o), "7");
    EXPECT_EQ(c.Seen(), Esc + "[0;30;47m42" + Esc + "[0;37;40m" + Esc + "[2D  " + Esc + "[2D7\r\n");
    c.Send("\x1b[D" "1\r");
    EXPECT_EQ(DoorGetStr(o), "412");
    c.Send("\b\r");
    EXPECT_EQ(DoorGetStr(o), "");
    // With digits only, a letter leaves the highlighted default alone.
    o.DigitsOnly = true;
    c.Send("x\r");
    EXPECT_EQ(DoorGetStr(o), "42");
    o.DigitsOnly = false;
    o.Highlight = false;
    c.Send("9\r");
    EXPECT_EQ(DoorGetStr(o), "429");
    c.Seen();

    // Field, colour, upper-casing, no new line, and a time-out accepting.
    TGetStrOpts f;
    f.MaxLen = 3;
    f.ShowField = true;
    f.UpperKeys = true;
    f.NewLine = false;
    f.Attr = 0x1F;
    f.TimeoutMs = 100;
    c.Send("ab");
    EXPECT_EQ(DoorGetStr(f), "AB");
    EXPECT_EQ(c.Seen(), Esc + "[0;1;37;44m   " + Esc + "[3DAB" + Esc + "[0;37;40m");
    EXPECT_EQ(DoorAttr(), 7);
}

TEST(DoorInput, HangUpRaisesAndSilencesOutput)
{
    TCaller c;
    c.Send("z");
    c.HangUp();
    // What arrived before the hang-up is still read.
    EXPECT_EQ(DoorReadKey(-1), "z");
    try {
        DoorReadKey(-1);
        FAIL() << "no hang-up";
    } catch (const EHangup& e) {
        EXPECT_STREQ(e.what(), "connection closed");
    }
    EXPECT_TRUE(DoorHungUp());
    DoorWrite("lost");
    DoorFlush();
    EXPECT_THROW(DoorWaitInput(0), EHangup);
    EXPECT_THROW(DoorGetStr(TGetStrOpts()), EHangup);
}

TEST(DoorInput, WriteToGoneCallerIsAHangUp)
{
    TCaller c;
    c.HangUp();
    DoorWrite("hello");
    DoorFlush();
#ifndef _WIN32
    EXPECT_TRUE(DoorHungUp());   // EPIPE on a socket pair: no signal, the flag rises
#endif
    // Over TCP (the Windows test's loopback) the first write may still be
    // taken; the next wait knows.
    EXPECT_THROW(DoorWaitInput(100), EHangup);
    EXPECT_TRUE(DoorHungUp());
}
