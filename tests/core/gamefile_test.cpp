#include <cstring>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "tests/testutil.h"

TEST(GameFile, SaveLoadRoundTripIsByteForByte)
{
    TScratch dir;
    std::string path = dir.Path("THYRE.DAT");
    BuildSmallGame();
    // Bytes past a name's length are kept as they stand.
    Game.Systems[0].Name.Ch[10] = 'Q';
    int64_t expected = 30465 + 28 * 4 + 6 * 5 + 31 * 7 + 43 * 3 + 6 * 1;
    EXPECT_EQ(GameFileSize(), expected);
    ASSERT_TRUE(SaveGame(path));
    std::string first = ReadFile(path);
    EXPECT_EQ((int64_t)first.size(), expected);
    EXPECT_EQ(first.substr(0, 4), "YVRN");
    ASSERT_TRUE(LoadGame(path));
    EXPECT_EQ(+Game.Systems[0].Name.Ch[10], 'Q');
    EXPECT_EQ(HouseName(2), "House Mor");
    ASSERT_TRUE(SaveGame(path));
    EXPECT_EQ(ReadFile(path), first);
    EXPECT_FALSE(PathExists(NewFileName(path)));
    EXPECT_EQ(ReadFile(OldFileName(path)), first);
}

TEST(GameFile, LayoutOfBlocks)
{
    TScratch dir;
    std::string path = dir.Path("THYRE.DAT");
    BuildSmallGame();
    Game.Header.BuildCount = 0;
    ASSERT_TRUE(SaveGame(path));
    std::string f = ReadFile(path);
    ASSERT_EQ(f.size(), 30465u + 28 * 4 + 6 * 5 + 31 * 7 + 43 * 3);
    // The charts follow the fleets directly when there are no build orders.
    size_t charts = f.size() - 22500;
    EXPECT_EQ((unsigned char)f[charts], 3);   // house 1 saw system 0 on day 3
    EXPECT_EQ((unsigned char)f[charts + 2], 1);
    // Houses start at 165, house 2's name at 165 + 112 + 2.
    EXPECT_EQ(f.substr(165 + 112 + 3, 9), "House Mor");
    // Little-endian header counts.
    EXPECT_EQ((unsigned char)f[20], 4);
    EXPECT_EQ((unsigned char)f[21], 0);
    // A fleet record's Dest of -1 is 0xFFFF.
    size_t fleets = 165 + 2800 + 5000 + 28 * 4 + 6 * 5 + 31 * 7;
    EXPECT_EQ((unsigned char)f[fleets + 19], 0xFF);
    EXPECT_EQ((unsigned char)f[fleets + 20], 0xFF);
}

TEST(GameFile, DamagedFilesFailToLoad)
{
    TScratch dir;
    std::string path = dir.Path("THYRE.DAT");
    BuildSmallGame();
    ASSERT_TRUE(SaveGame(path));
    std::string good = ReadFile(path);
    DeleteFile(OldFileName(path));

    // Cut short anywhere: every length from 0 to one byte short.
    for (size_t cut = 0; cut < good.size(); cut += (cut < 200 ? 1 : 97)) {
        WriteFile(path, good.substr(0, cut));
        EXPECT_FALSE(LoadGame(path)) << "cut at " << cut;
    }
    WriteFile(path, good.substr(0, good.size() - 1));
    EXPECT_FALSE(LoadGame(path));
    // Extra bytes at the end do not matter.
    WriteFile(path, good + "trailing bytes");
    EXPECT_TRUE(LoadGame(path));

    std::string bad = good;
    bad[0] = 'X';
    WriteFile(path, bad);
    EXPECT_FALSE(LoadGame(path));
    bad = good;
    bad[4] = 2;
    WriteFile(path, bad);
    EXPECT_FALSE(LoadGame(path));
    bad = good;
    bad[20] = (char)0x2D;   // 301 systems
    bad[21] = 1;
    WriteFile(path, bad);
    EXPECT_FALSE(LoadGame(path));
    bad = good;
    bad[22] = (char)0xFF;   // a negative lane count
    bad[23] = (char)0xFF;
    WriteFile(path, bad);
    EXPECT_FALSE(LoadGame(path));
}

// Records pointing outside their tables are refused like a short file.
TEST(GameFile, ReferencesOutsideTheTablesAreRefused)
{
    TScratch dir;
    std::string path = dir.Path("THYRE.DAT");
    struct TCase {
        const char* What;
        void (*Damage)();
    } cases[] = {
        {"world's system", [] { Game.Worlds[2].System = 4; }},
        {"negative world system", [] { Game.Worlds[2].System = -1; }},
        {"system's run of worlds", [] { Game.Systems[3].FirstWorld = 6; Game.Systems[3].WorldCount = 2; }},
        {"system's first world", [] { Game.Systems[1].FirstWorld = -3; }},
        {"lane end", [] { Game.Lanes[1].B = 9; }},
        {"fleet location", [] { Game.Fleets[0].Loc = 300; }},
        {"fleet destination", [] { Game.Fleets[0].Dest = 4; }},
        {"invasion target", [] { Game.Fleets[0].Order = OrderInvade; Game.Fleets[0].Target = 7; }},
        {"escort target", [] { Game.Fleets[0].Order = OrderEscort; Game.Fleets[0].Target = 3; }},
        {"build world", [] { Game.Builds[0].World = 7; }},
        {"build item", [] { Game.Builds[0].Item = 7; }},
        {"home world", [] { HouseRec(2).HomeWorld = 1000; }},
        {"capital", [] { HouseRec(1).Capital = 7; }},
        {"exchange", [] { Game.Header.ExchangeSystem = 4; }},
    };
    for (const TCase& c : cases) {
        BuildSmallGame();
        c.Damage();
        ASSERT_TRUE(SaveGame(path));
        EXPECT_FALSE(LoadGame(path)) << c.What;
    }
    // What no program indexes by stands as stored: a free fleet slot's
    // location, a free house's home, a capital of -1, a fleet's Hold target.
    BuildSmallGame();
    Game.Fleets[2].House = 0;
    Game.Fleets[2].Loc = 999;
    HouseRec(9).HomeWorld = 999;
    HouseRec(2).Capital = -1;
    Game.Fleets[0].Target = 555;
    Game.Fleets[0].Dest = -7;
    ASSERT_TRUE(SaveGame(path));
    EXPECT_TRUE(LoadGame(path));
}

TEST(GameFile, RecoveryAfterACrashedSave)
{
    TScratch dir;
    std::string path = dir.Path("THYRE.DAT");
    std::string newName = NewFileName(path), oldName = OldFileName(path);
    BuildSmallGame();
    ASSERT_TRUE(SaveGame(path));
    std::string v1 = ReadFile(path);
    Game.Header.Day = 4;
    ASSERT_TRUE(SaveGame(path));
    std::string v2 = ReadFile(path);

    // Only THYRE.OLD left.
    DeleteFile(path);
    EXPECT_TRUE(GameFileExists(path));
    EXPECT_EQ(ReadFile(path), v1);
    EXPECT_FALSE(PathExists(oldName));

    // THYRE.NEW and THYRE.OLD: the newer one wins.
    WriteFile(newName, v2);
    WriteFile(oldName, v1);
    DeleteFile(path);
    ASSERT_TRUE(LoadGame(path));
    EXPECT_EQ(+Game.Header.Day, 4);
    EXPECT_TRUE(PathExists(oldName));
    EXPECT_FALSE(PathExists(newName));

    // A present game file is never replaced by a leftover THYRE.NEW.
    WriteFile(newName, "partial");
    RecoverGameFile(path);
    EXPECT_EQ(ReadFile(path), v2);
    EXPECT_EQ(ReadFile(newName), "partial");
    // ...and the next save overwrites that partial file.
    ASSERT_TRUE(SaveGame(path));
    EXPECT_FALSE(PathExists(newName));

    // Nothing at all: no game.
    DeleteFile(path);
    DeleteFile(oldName);
    EXPECT_FALSE(GameFileExists(path));
    EXPECT_FALSE(LoadGame(path));
}

TEST(GameFile, DerivedNamesComeFromTheFileNameOnly)
{
    EXPECT_EQ(NewFileName("games.d/THYRE.DAT"), "games.d/THYRE.NEW");
    EXPECT_EQ(OldFileName("games.d/THYRE.DAT"), "games.d/THYRE.OLD");
    EXPECT_EQ(NewFileName("games.d/THYRE"), "games.d/THYRE.NEW");
    EXPECT_EQ(OldFileName("games.d\\THYRE"), "games.d\\THYRE.OLD");
    EXPECT_EQ(NewFileName("THYRE.DAT"), "THYRE.NEW");

    TScratch dir;
    std::string folder = dir.Path("my.games/");
    ASSERT_TRUE(MakeFolder(folder));
    BuildSmallGame();
    ASSERT_TRUE(SaveGame(folder + "THYRE.DAT"));
    ASSERT_TRUE(SaveGame(folder + "THYRE.DAT"));
    EXPECT_TRUE(PathExists(folder + "THYRE.OLD"));
    EXPECT_FALSE(PathExists(dir.Path("my.NEW")));
    EXPECT_FALSE(PathExists(dir.Path("my.OLD")));
}

TEST(GameFile, SaveFailsCleanlyWhereItCannotWrite)
{
    TScratch dir;
    BuildSmallGame();
    EXPECT_FALSE(SaveGame(dir.Path("missing-folder/THYRE.DAT")));

    // A full disk: the write error is reported and the game file is untouched.
    std::string path = dir.Path("THYRE.DAT");
    ASSERT_TRUE(SaveGame(path));
    std::string before = ReadFile(path);
#ifndef _WIN32
    if (PathExists("/dev/full")) {
        // THYRE.NEW as a link to the full device makes every write fail.
        ASSERT_EQ(symlink("/dev/full", NewFileName(path).c_str()), 0);
        bool ioError = false;
        Game.Header.Day = 9;
        EXPECT_FALSE(SaveGame(path, &ioError));
        EXPECT_TRUE(ioError);
        EXPECT_EQ(ReadFile(path), before);
    }
#endif
}

TEST(GameFile, RecoveryNeverPromotesACutThyreNew)
{
    TScratch dir;
    std::string path = dir.Path("THYRE.DAT");
    BuildSmallGame();
    Game.Header.Day = 3;
    ASSERT_TRUE(SaveGame(path));
    std::string complete = ReadFile(path);
    // The crash: THYRE.DAT gone, THYRE.NEW cut short, THYRE.OLD whole.
    WriteFile(NewFileName(path), complete.substr(0, complete.size() / 2));
    WriteFile(OldFileName(path), complete);
    DeleteFile(path);
    ASSERT_TRUE(LoadGame(path));
    EXPECT_EQ(+Game.Header.Day, 3);
    EXPECT_EQ(ReadFile(path), complete);
    // With nothing better beside it, a cut THYRE.NEW still goes in place
    // (the load then refuses it, and the sysop sees why).
    WriteFile(NewFileName(path), complete.substr(0, 100));
    DeleteFile(OldFileName(path));
    DeleteFile(path);
    EXPECT_FALSE(LoadGame(path));
    EXPECT_TRUE(PathExists(path));
}
