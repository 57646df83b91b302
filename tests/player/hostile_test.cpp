// Callers who do everything wrong: floods of binary bytes, overlong lines,
// and hanging up at every prompt.  The door never crashes, never leaves the
// lock, and never writes anything but whole games.
#include <gtest/gtest.h>

#include <random>

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
