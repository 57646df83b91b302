// Replays the loader's fuzz corpus, and a deterministic stream of damaged
// games, through the fuzz target on every test run.
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>

#include "core/gamefile.h"
#include "core/model.h"
#include "core/random.h"
#include "tests/testutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int Feed(const std::string& bytes)
{
    return LLVMFuzzerTestOneInput((const uint8_t*)bytes.data(), bytes.size());
}

TEST(LoadCorpus, EveryCorpusFileLoadsOrFailsCleanly)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FUZZ_CORPUS)) {
        EXPECT_EQ(Feed(ReadFile(entry.path().string())), 0);
        files++;
    }
    EXPECT_GT(files, 0);
}

TEST(LoadCorpus, MutatedGamesNeverCrashTheLoader)
{
    TScratch dir;
    BuildSmallGame();
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    std::string good = ReadFile(dir.Path("THYRE.DAT"));
    EXPECT_EQ(Feed(good), 0);
    SeedRandom(2024);
    for (int i = 0; i < 400; i++) {
        std::string bad = good;
        int flips = 1 + Random(8);
        for (int k = 0; k < flips; k++) {
            // Mostly the header and the small tables, where the counts and
            // cross-references live.
            size_t at = Chance(50) ? (size_t)Random(165) : (size_t)Random((int)bad.size());
            bad[at] = (char)Random(256);
        }
        if (Chance(20)) bad.resize((size_t)Random((int)bad.size()));
        ASSERT_EQ(Feed(bad), 0);
    }
}
