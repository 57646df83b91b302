#include <gtest/gtest.h>

#include "core/model.h"
#include "core/settings.h"
#include "tests/testutil.h"

static TSettings ReadFrom(const TScratch& dir, const std::string& text)
{
    WriteFile(dir.Path("THYRE.CFG"), text);
    return ReadSettings(dir.Dir);
}

TEST(Settings, MissingFileGivesDefaults)
{
    TScratch dir;
    TSettings s = ReadSettings(dir.Dir);
    TSettings d = DefaultSettings();
    EXPECT_EQ(s.GameName, "Yvarn Thyre");
    EXPECT_EQ(s.Days, 60);
    EXPECT_EQ(s.JoinDays, 10);
    EXPECT_EQ(s.MaxHouses, 12);
    EXPECT_EQ(s.ComputerHouses, d.ComputerHouses);
    EXPECT_FALSE(s.DailyReset);
}

TEST(Settings, ClampsParsersAndComments)
{
    TScratch dir;
    TSettings s = ReadFrom(dir, "MaxHouses = 40\nDays=5\n   ; Days = 7\n# Days = 8\nno equals sign\n");
    EXPECT_EQ(s.MaxHouses, 25);
    EXPECT_EQ(s.Days, 5);
    EXPECT_EQ(ReadFrom(dir, "MaxHouses = 1\n").MaxHouses, 2);
    EXPECT_EQ(ReadFrom(dir, "MaxHouses = 7\r\nmaxhouses = lots\r\n").MaxHouses, 7);
    s = ReadFrom(dir, "AutopilotAfter = 30\nDissolveAfter = 10\n");
    EXPECT_EQ(s.DissolveAfter, 30);
    EXPECT_TRUE(ReadFrom(dir, "DailyReset = oN\n").DailyReset);
    EXPECT_FALSE(ReadFrom(dir, "DailyReset = maybe\n").DailyReset);
    EXPECT_EQ(ReadFrom(dir, "Difficulty = hard\n").Difficulty, 3);
    EXPECT_EQ(ReadFrom(dir, "Difficulty = 3\n").Difficulty, 3);
    EXPECT_EQ(ReadFrom(dir, "Difficulty = 1\nDifficulty = 4\n").Difficulty, 1);
    EXPECT_EQ(ReadFrom(dir, "GameName = \n").GameName, "Yvarn Thyre");
    EXPECT_EQ(ReadFrom(dir, "GameName = " + std::string(50, 'x') + "\n").GameName, std::string(39, 'x'));
    EXPECT_EQ(ReadFrom(dir, "GameName = a=b\n").GameName, "a=b");
    EXPECT_EQ(ReadFrom(dir, "ComputerHouses =\n").ComputerHouses, "");
    EXPECT_EQ(ReadFrom(dir, "Hollow = -3\nSystemsPerHouse = 99\n").SystemsPerHouse, 12);
    EXPECT_EQ(ReadFrom(dir, "Days = 99999999999\n").Days, 60);   // not a 32-bit number

    EXPECT_TRUE(ParseYesNo(" true ", false));
    EXPECT_FALSE(ParseYesNo("n", true));
    EXPECT_TRUE(ParseYesNo("", true));
    EXPECT_EQ(ParseDifficulty("Normal", 1), 2);
    EXPECT_EQ(ParseInt("12a", 5), 5);
    EXPECT_EQ(ParseInt(" -12 ", 5), -12);
    EXPECT_EQ(DifficultyText(7), "Normal");
    EXPECT_EQ(YesNoText(false), "No");
}

TEST(Settings, WriteThenReadGivesTheSameValues)
{
    TScratch dir;
    ASSERT_TRUE(WriteSettings(dir.Dir, DefaultSettings()));
    std::string text = ReadFile(dir.Path("THYRE.CFG"));
    std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_EQ(lines[0], "; Yvarn Thyre settings.  Edit here or with THYRECFG.  They are used when\r");
    EXPECT_EQ(lines[9], "; Most houses in a game, computer houses included (2 to 25)\r");
    EXPECT_EQ(lines[33], "Difficulty = Normal\r");
    EXPECT_EQ(lines[39], "NewsFile = Yes\r");
    TSettings s = ReadSettings(dir.Dir);
    TSettings d = DefaultSettings();
    EXPECT_EQ(SettingsText(s), SettingsText(d));

    d.GameName = "Other";
    d.Difficulty = 3;
    d.DailyReset = true;
    d.ComputerHouses = "";
    // The web page's lines come back as written, an "=" in them included.
    d.WebBoard = "The Rusty Modem = BBS";
    d.WebHowToJoin = "telnet rusty.example.org:2323, then T";
    ASSERT_TRUE(WriteSettings(dir.Dir, d));
    EXPECT_EQ(SettingsText(ReadSettings(dir.Dir)), SettingsText(d));
    EXPECT_EQ(ReadSettings(dir.Dir).WebBoard, "The Rusty Modem = BBS");
    EXPECT_EQ(ReadSettings(dir.Dir).WebHowToJoin, "telnet rusty.example.org:2323, then T");
    EXPECT_FALSE(WriteSettings(dir.Path("nowhere/"), d));
}

