// Callers who do everything wrong: floods of binary bytes, overlong lines,
// and hanging up at every prompt.  The door never crashes, never leaves the
// lock, and never writes anything but whole games.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <random>
#include <unistd.h>

#include "core/files.h"
#include "core/founding.h"
#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "tests/player/door_session.h"

TEST(Hostile, FloodsOfBinaryBytesAndOverlongLines)
{
    TGameFolder g;
    std::mt19937 rnd(3);
    int caller = 0;
    for (THarnessMode mode : {ViaSocket, ViaPipes, ViaTerminal}) {
        TSession s;
        ASSERT_TRUE(s.Start(g, mode, "Caller " + std::to_string(++caller)));
        ASSERT_TRUE(s.Expect("(Y/N)"));
        s.Key("Y");
        ASSERT_TRUE(s.Expect("Name your house"));
        s.Key(std::string(5000, 'A') + "\r");   // an overlong name: cut to 23, then taken or founded
        std::string junk;
        for (int i = 0; i < 200000; i++) junk += (char)(rnd() & 0xFF);
        // In pieces, reading the door's answers between them as a terminal
        // would: a BBS never lets both sides block on full buffers.
        for (size_t at = 0; at < junk.size(); at += 1024) {
            s.Key(junk.substr(at, 1024));
            s.Bbs.Pump(2);
        }
        s.Bbs.Pump(300);
        s.Bbs.CloseCaller();
        int code = s.Exit(15000);
        EXPECT_TRUE(code == 0 || code == 128 + 1) << code << s.Bbs.Errors;
        EXPECT_FALSE(g.Locked());
        EXPECT_FALSE(PathExists(g.S.Path(ErrorsLogName))) << ReadFile(g.S.Path(ErrorsLogName));
        g.Load();
    }
    // Whatever the flood did, it did through the game's own rules.
    for (int h = 1; h <= MaxHouseSlots; h++) {
        std::string name = StrGet(HouseRec(h).Name);
        if (HouseRec(h).Status != StatusFree) {
            EXPECT_EQ(name.find('`'), std::string::npos);
        }
    }
}

TEST(Hostile, HangingUpAtEveryPromptLeavesNothingBehind)
{
    TGameFolder g;
    g.Load();
    FoundHouse("Astra", "Ann Caller", 0);
    g.Save();
    // A visit through most screens, one key at a time.
    const std::vector<std::string> keys = {"F", "1\r", "M", "Kel\r", " ", "Q", "\r", "W",  "1\r", "F", "M",
                                           "Q", "\r", "B", "S", "1\r", "1\r", " ", "Q", "D", "Q",  "S",
                                           "P", "Hi\r", "\r", " ", "Q", "X", " ", "T", "2", " ", "Q", "Q"};
    for (size_t cut = 0; cut <= keys.size(); cut += 3) {
        TSession s;
        ASSERT_TRUE(s.Start(g, cut % 2 ? ViaSocket : ViaTerminal));
        ASSERT_TRUE(s.Expect("Your command: "));
        for (size_t i = 0; i < cut; i++) {
            s.Key(keys[i]);
            s.Bbs.Pump(15);
        }
        s.Bbs.CloseCaller();
        int code = s.Exit(10000);
        EXPECT_TRUE(code == 0 || code == 128 + 1) << cut << " " << code;
        EXPECT_FALSE(g.Locked()) << cut;
        ASSERT_TRUE(LoadGame(g.S.Path(GameFileName))) << cut;
    }
    EXPECT_FALSE(PathExists(g.S.Path(ErrorsLogName)));
}

// Doors killed (SIGKILL) at random moments while they change the game: the
// game is whole every time, and the next caller gets in at once (a dead
// door's lock is broken without waiting out its hold).
TEST(Hostile, DoorsKilledInTheMiddleOfChanges)
{
    TGameFolder g;
    g.Load();
    int h = FoundHouse("Astra", "Ann Caller", 0);
    g.Save();
    const char* scale = std::getenv("THYRE_SOAK_SCALE");
    const int Kills = 40 * (scale && std::atoi(scale) > 1 ? std::atoi(scale) : 1);
    // Focus changes on the home world, back and forth, as fast as keys go.
    const std::string keys = std::string("W1\rFG") + "FA" + "FM" + "Q\rQY";
    // How long a whole visit takes on this machine now: the kills fall
    // within it, so a fast or a loaded machine kills as many mid-visit.
    int64_t whole = 0;
    {
        TSession s;
        ASSERT_TRUE(s.Start(g, ViaPipes));
        int64_t t0 = MonotonicMs();
        s.Key(keys);
        ASSERT_EQ(s.Exit(5000), 0);
        whole = MonotonicMs() - t0;
    }
    const uint32_t window = (uint32_t)std::clamp<int64_t>(whole * 1000 * 3 / 4, 1000, 200000);
    std::mt19937 rnd(5);
    int killed = 0;
    for (int i = 0; i < Kills; i++) {
        TSession s;
        ASSERT_TRUE(s.Start(g, ViaPipes));
        s.Key(keys);
        usleep((useconds_t)(rnd() % window));
        kill(s.Bbs.Pid, SIGKILL);
        killed += s.Exit(5000) == 128 + SIGKILL;
        ASSERT_TRUE(LoadGame(g.S.Path(GameFileName))) << i;
        EXPECT_EQ(FindHouseByPlayer("Ann Caller"), h);
    }
    TSession after;
    int64_t start = MonotonicMs();
    ASSERT_TRUE(after.Start(g, ViaSocket));
    if (!after.Expect("Your command: ", 10000)) {
        std::vector<std::string> names;
        ListFolder(g.S.Dir, names);
        std::string seen;
        for (const std::string& n : names) seen += n + " ";
        std::vector<std::string> inLock;
        ListFolder(g.S.Path("THYRE.LCK"), inLock);
        for (const std::string& n : inLock) seen += "[" + n + ": " + ReadFile(g.S.Path("THYRE.LCK/" + n)) + "] ";
        FAIL() << "no menu; the folder holds " << seen << " and the caller saw " << after.Bbs.Screen;
    }
    EXPECT_LT(MonotonicMs() - start, 10000);   // well before a hold of 20 seconds
    after.Key("QY");
    EXPECT_EQ(after.Exit(), 0);
    EXPECT_FALSE(g.Locked());
    EXPECT_GT(killed, Kills / 4);
    std::printf("[ figures  ] %d doors killed during changes\n", killed);
}
