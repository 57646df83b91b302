// ydmaint as the sysop runs it: a process in a scratch folder.
#include <gtest/gtest.h>
#include <set>
#include <thread>

#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "tests/testutil.h"

static TRun Ydmaint(const std::vector<std::string>& args, const std::string& cwd = "")
{
    return RunProgram(YDMAINT_PATH, args, cwd);
}

TEST(Ydmaint, UsageAndUnknownCommands)
{
    TRun r = Ydmaint({});
    EXPECT_EQ(r.Exit, 0);
    std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[0], "Yvarn Thyre maintenance");
    EXPECT_EQ(lines[3], "  ydmaint [-d dir] join \"House name\" \"Player name\" [-ai]");
    EXPECT_EQ(lines[17], "Settings for new games are in THYRE.CFG (edit it, or run THYRECFG).");
    // Every command is named, and -h and --help say the same.
    for (const char* word : {" daily", " new", " join", " turn", " status", " sim", " fame", " news", " events",
                             " dump", " bulletin", " backup", " restore", " league", " web", "-systems", "-quiet",
                             " check", "-keep", "-force"})
        EXPECT_NE(r.Out.find(word), std::string::npos) << word;
    EXPECT_EQ(Ydmaint({"-h"}).Out, r.Out);
    EXPECT_EQ(Ydmaint({"--help"}).Out, r.Out);

    r = Ydmaint({"Status"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: unknown command Status\n");
    // "-d" alone is the command word.
    r = Ydmaint({"-d"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: unknown command -d\n");
    // A folder and no command: the usage.
    r = Ydmaint({"-d", "/tmp"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(Lines(r.Out).size(), 18u);
}

TEST(Ydmaint, BackupsWhileNightsRunAndARestore)
{
    TScratch s, copies;
    ASSERT_EQ(Ydmaint({"-d", s.Dir, "new", "-seed", "7"}).Exit, 0);
    // Nights play in another process while copies are taken: every copy is
    // a whole game, and none holds the lock, the marker or a temporary file.
    std::thread nights([&] {
        for (int n = 0; n < 8; n++) Ydmaint({"-d", s.Dir, "daily", "-quiet"});
    });
    for (int n = 0; n < 6; n++) {
        TRun r = Ydmaint({"-d", s.Dir, "backup", copies.Dir});
        EXPECT_EQ(r.Exit, 0) << r.Out;
    }
    nights.join();
    std::vector<std::string> made;
    ASSERT_TRUE(ListFolder(copies.Dir, made));
    EXPECT_EQ(made.size(), 6u);
    for (const std::string& m : made) {
        std::string folder = copies.Path(m) + "/";
        EXPECT_TRUE(LoadGame(folder + "THYRE.DAT")) << m;
        std::vector<std::string> files;
        ASSERT_TRUE(ListFolder(folder, files));
        for (const std::string& f : files) {
            EXPECT_EQ(f.find(".TMP"), std::string::npos) << f;
            EXPECT_NE(f, "THYRE.LCK");
            EXPECT_NE(f, "MAINT.RUN");
        }
    }
    ASSERT_TRUE(LoadGame(s.Path("THYRE.DAT")));
    EXPECT_EQ(Game.Header.Day, 9);
    // The backups listed; a restore in a script needs -yes, then leaves the
    // chosen day in place and the game before as THYRE.UND.
    TRun r = Ydmaint({"-d", s.Dir, "restore"});
    EXPECT_NE(r.Out.find("  THYRE.BK5  day 5, 2 houses"), std::string::npos) << r.Out;
    r = Ydmaint({"-d", s.Dir, "restore", "5"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Out.find("ydmaint: restore asks before it changes the game; add -yes in a script"), std::string::npos);
    ASSERT_TRUE(LoadGame(s.Path("THYRE.DAT")));
    EXPECT_EQ(Game.Header.Day, 9);
    r = Ydmaint({"-d", s.Dir, "restore", "5", "-yes"});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    EXPECT_NE(r.Out.find("Going back loses every order and change since day 5 (4 nights)."), std::string::npos);
    ASSERT_TRUE(LoadGame(s.Path("THYRE.DAT")));
    EXPECT_EQ(Game.Header.Day, 5);
    ASSERT_TRUE(LoadGame(s.Path("THYRE.UND")));
    EXPECT_EQ(Game.Header.Day, 9);
    EXPECT_FALSE(PathExists(s.Path("MAINT.RUN")));
    EXPECT_FALSE(PathExists(s.Path("THYRE.LCK")));
    EXPECT_NE(ReadFile(s.Path("MAINT.LOG")).find("restored day 5 from "), std::string::npos);
}

TEST(Ydmaint, StatusNamesTheGameFileItLookedFor)
{
    TScratch dir;
    std::string folder = dir.Dir.substr(0, dir.Dir.size() - 1);   // without the slash
    TRun r = Ydmaint({"-d", folder, "status"});
    EXPECT_EQ(r.Exit, 1);
    // The platform's delimiter is appended (a backslash on Windows).
    EXPECT_EQ(r.Out, "ydmaint: no game in " + folder + PathDelim + "THYRE.DAT\n");
    r = Ydmaint({"-d", dir.Dir, "status"});   // its slash is kept, nothing added
    EXPECT_EQ(r.Out, "ydmaint: no game in " + dir.Dir + "THYRE.DAT\n");
    // "-d" after the command word is an argument; the folder is the current one.
    r = Ydmaint({"status", "-d", "/elsewhere"}, dir.Dir);
    EXPECT_EQ(r.Out, "ydmaint: no game in THYRE.DAT\n");
}

TEST(Ydmaint, StatusReport)
{
    TScratch dir;
    BuildSmallGame();
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    TRun r = Ydmaint({"-d", dir.Dir, "status"});
    EXPECT_EQ(r.Exit, 0);
    std::vector<std::string> expected = {
        "Day 3 of 60   systems 4  worlds 7  fleets 3  lanes 2 open (1 closing, 1 opening)",
        "Hollow: 1 nest (strength 12), 4 raiders",
        "House                   Worlds  Pop(k)    Ore  Fuel  Infl Ships  Power  Res    Score  State",
        "House Vey                    2    6000    250    40    12     3     37  1020     321  active",
        "House Mor                    2    5500     75     0     0     5     25  0000       0  autopilot",
    };
    EXPECT_EQ(Lines(r.Out), expected);

    // An ended, open-ended game with a long house name and a house out.
    BuildSmallGame();
    Game.Header.LastDay = 0;
    Game.Header.Ended = 1;
    Game.Header.Winner = 2;
    StrSet(HouseRec(1).Name, "The Twenty Three Letter");
    HouseRec(1).Status = StatusOut;
    HouseRec(1).Research[3] = 4;
    HouseRec(1).Score = -5;
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    r = Ydmaint({"-d", dir.Dir, "status"});
    std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 6u);
    // The day the door shows for an ended game: the last day played.
    EXPECT_EQ(lines[0], "Day 2   systems 4  worlds 7  fleets 3  lanes 2 open (1 closing, 1 opening)");
    EXPECT_EQ(lines[2], "GAME OVER - won by House Mor");
    // The longest name keeps the columns.
    EXPECT_EQ(lines[4], "The Twenty Three Letter      2    6000    250    40    12     3     37  1024      -5  out");
    EXPECT_EQ(lines[4].find("  2 "), lines[5].find("  2 "));

    Game.Header.Winner = 0;
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    EXPECT_EQ(Lines(Ydmaint({"-d", dir.Dir, "status"}).Out)[2], "GAME OVER");
}

TEST(Ydmaint, StatusRefusesADamagedGame)
{
    TScratch dir;
    BuildSmallGame();
    Game.Fleets[1].Loc = 250;   // outside the four systems
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    TRun r = Ydmaint({"-d", dir.Dir, "status"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: no game in " + dir.Dir + "THYRE.DAT\n");
}

TEST(Ydmaint, CommandLineNamesAndNumbersAreBounded)
{
    TScratch dir;
    TRun r = Ydmaint({"-d", dir.Dir, "new", "-days", "70000"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "ydmaint: -days must be a whole number from 0 to 999\n");
    r = Ydmaint({"-d", dir.Dir, "new", "-days", "-1"});
    EXPECT_EQ(r.Out, "ydmaint: -days must be a whole number from 0 to 999\n");
    r = Ydmaint({"-d", dir.Dir, "new", "-players", "99"});
    EXPECT_EQ(r.Out, "ydmaint: -players must be a whole number from 2 to 25\n");
    EXPECT_FALSE(GameFileExists(dir.Path("THYRE.DAT")));
    ASSERT_EQ(Ydmaint({"-d", dir.Dir, "new", "-seed", "3", "-days", "999"}).Exit, 0);
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    EXPECT_EQ(+Game.Header.LastDay, 999);
    for (const std::vector<std::string>& names :
         {std::vector<std::string>{"", "Ann"}, {"Ho\x1b[2Jme", "Ann"}, {"Home", ""}, {"Home", "An\x01n"},
          {"Ho`Cme", "Ann"}}) {
        r = Ydmaint({"-d", dir.Dir, "join", names[0], names[1]});
        EXPECT_EQ(r.Exit, 1) << names[0];
        EXPECT_EQ(r.Out.find('\x1b'), std::string::npos);
    }
    r = Ydmaint({"-d", dir.Dir, "sim", "2147483647", "1"});
    EXPECT_EQ(r.Out, "ydmaint: sim takes 1 to 25 houses\n");
}

TEST(Ydmaint, BulletinForTheBbs)
{
    TScratch dir;
    ASSERT_EQ(Ydmaint({"-d", dir.Dir, "sim", "4", "12", "3"}).Exit, 0);
    // One house down to its home world at most, beside others with ten or more.
    ASSERT_TRUE(LoadGame(dir.Path("THYRE.DAT")));
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == 4 && w != HouseRec(4).HomeWorld) Game.Worlds[w].Owner = 27;
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    TRun r = Ydmaint({"-d", dir.Dir, "bulletin", dir.Path("THYRE.TXT")});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    EXPECT_EQ(r.Out, "");
    std::vector<std::string> lines = Lines(ReadFile(dir.Path("THYRE.TXT")));
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[0].substr(0, 13), " YVARN THYRE ");
    EXPECT_NE(lines[0].find("day 12 of 12"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], std::string(78, '-') + "\r");
    EXPECT_EQ(lines[2], "News of the night\r");
    size_t standings = 0;
    for (size_t i = 0; i < lines.size(); i++)
        if (lines[i] == "Standings\r") standings = i;
    ASSERT_GT(standings, 3u);
    EXPECT_EQ(lines[standings + 1].substr(0, 6), "   1. ");
    // The worlds line up under each other, whatever their number of digits.
    std::set<size_t> worldsEnd;
    for (size_t i = standings + 1; i < standings + 5; i++) worldsEnd.insert(lines[i].find(" world") + 6);
    EXPECT_EQ(worldsEnd.size(), 1u) << ReadFile(dir.Path("THYRE.TXT"));
    EXPECT_EQ(ReadFile(dir.Path("THYRE.TXT")).find('\x1b'), std::string::npos);
    EXPECT_EQ(ReadFile(dir.Path("THYRE.TXT")).find('`'), std::string::npos);
    // The ANSI screen: cleared, coloured, the same words.
    ASSERT_EQ(Ydmaint({"-d", dir.Dir, "bulletin", dir.Path("THYRE.ANS")}).Exit, 0);
    std::string ans = ReadFile(dir.Path("THYRE.ANS"));
    EXPECT_EQ(ans.substr(0, 11), "\x1b[0m\x1b[2J\x1b[H");
    EXPECT_NE(ans.find("\x1b[0;1;33;40m YVARN THYRE"), std::string::npos);
    EXPECT_NE(ans.find("Standings"), std::string::npos);
    EXPECT_EQ(Ydmaint({"-d", dir.Path("none"), "bulletin", dir.Path("X.TXT")}).Exit, 1);
}
