// thyrecfg driven as a sysop drives it: answers line by line on standard
// input (and on a pseudo-terminal), the game folder checked afterwards.
#include <gtest/gtest.h>

#include "core/diplomacy.h"
#include "core/files.h"
#include "core/founding.h"
#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/settings.h"
#include "core/startgame.h"
#include "core/text.h"
#include "core/stores.h"
#ifndef _WIN32
#include "tests/door/harness.h"
#endif
#include "tests/testutil.h"

namespace {

TRun Thyrecfg(const TScratch& s, const std::string& answers) { return RunWithInput(THYRECFG_PATH, {s.Dir}, answers); }

void NewGame(const TScratch& s)
{
    std::string summary;
    ASSERT_TRUE(StartGame(s.Dir, DefaultSettings(), 5, summary));
}

void Load(const TScratch& s) { ASSERT_TRUE(LoadGame(s.Path(GameFileName))); }
void Save(const TScratch& s) { ASSERT_TRUE(SaveGame(s.Path(GameFileName))); }

bool Has(const TRun& r, const std::string& text) { return r.Out.find(text) != std::string::npos; }

void NoLockLeft(const TScratch& s)
{
    EXPECT_FALSE(PathExists(LockFolderPath(s.Dir)));
    EXPECT_FALSE(PathExists(RunMarkerPath(s.Dir)));
}

} // namespace

TEST(Setup, UsageAndFolder)
{
    TRun r = RunProgram(THYRECFG_PATH, {"-h"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, "Yvarn Thyre setup.   thyrecfg [game folder]   (default: the folder thyrecfg is in)\n");
    TScratch s;
    r = Thyrecfg(s, "q\n");
    EXPECT_EQ(r.Exit, 0);
    EXPECT_TRUE(Has(r, "YVARN THYRE SETUP   folder: " + s.Dir + "\n"));
    EXPECT_TRUE(Has(r, "No game yet: start one with option 7."));
    EXPECT_TRUE(Has(r, "   7  Start a new game now\n"));
    // Without an argument: the program's own folder.
    r = RunProgram(THYRECFG_PATH, {});
    // (as the system spells it: on Windows with its drive and backslashes)
    std::string own = FullPath(std::string(THYRECFG_PATH).substr(0, std::string(THYRECFG_PATH).rfind('/') + 1));
    EXPECT_TRUE(Has(r, "folder: " + own + "\n")) << r.Out;
    EXPECT_EQ(r.Exit, 0);   // the end of input ends it
}

TEST(Setup, SettingsEditor)
{
    TScratch s;
    // Autopilot 30 lifts dissolve to 30; 0 houses is refused; difficulty
    // cycles Normal, Hard, Easy, Normal, Hard; Q asks to save.
    TRun r = Thyrecfg(s, "1\n10\n30\n4\n0\n17\n17\n17\n17\n7\n12\n-\n1\nMy Game\nQ\ny\nQ\n");
    EXPECT_EQ(r.Exit, 0);
    EXPECT_TRUE(Has(r, "Please give a number from 2 to 25."));
    EXPECT_TRUE(Has(r, "  11  Dissolve house after days away    30\n"));
    EXPECT_TRUE(Has(r, "  17  Computer difficulty               Easy  (Easy, Normal, Hard)\n"));
    EXPECT_TRUE(Has(r, "Save your changes? (Y/N) "));
    TSettings cfg = ReadSettings(s.Dir);
    EXPECT_EQ(cfg.AutopilotAfter, 30);
    EXPECT_EQ(cfg.DissolveAfter, 30);
    EXPECT_EQ(cfg.MaxHouses, 12);
    EXPECT_EQ(cfg.Difficulty, 3);
    EXPECT_FALSE(cfg.DominionVictory);
    EXPECT_EQ(cfg.ComputerHouses, "");
    EXPECT_EQ(cfg.GameName, "My Game");
    // Saved with S: leaving asks nothing.
    r = Thyrecfg(s, "1\n2\n90\nS\nQ\nQ\n");
    EXPECT_TRUE(Has(r, "Saved to THYRE.CFG."));
    EXPECT_FALSE(Has(r, "Save your changes?"));
    EXPECT_EQ(ReadSettings(s.Dir).Days, 90);
    // More than nine digits is no number.
    r = Thyrecfg(s, "1\n2\n12345678901\nQ\nQ\n");
    EXPECT_TRUE(Has(r, "Please give a number from 0 to 999."));
}

TEST(Setup, StartingAndEndingGames)
{
    TScratch s;
    TRun r = Thyrecfg(s, "7\nY\n\nQ\n");
    EXPECT_EQ(r.Exit, 0);
    // Within the console's 79 columns, "Hollow 2." kept together.
    EXPECT_TRUE(Has(r, "Settings: \"Yvarn Thyre\", 60 days, up to 12 houses, 8 systems per house,\nHollow 2.\n"));
    EXPECT_TRUE(Has(r, "Computer houses: Varro, Ostrel\n"));
    ASSERT_TRUE(PathExists(s.Path(GameFileName)));
    EXPECT_NE(ReadFile(s.Path(MaintLogName)).find("new game started with THYRECFG: new game \"Yvarn Thyre\""),
              std::string::npos);
    // Anything but YES keeps the game; yes in lower case replaces it.
    r = Thyrecfg(s, "7\nno\n\nQ\n");
    EXPECT_TRUE(Has(r, "Nothing changed: the running game goes on."));
    EXPECT_FALSE(PathExists(s.Path(OldGameName)));
    r = Thyrecfg(s, "7\nyes\n\nQ\n");
    EXPECT_TRUE(PathExists(s.Path(OldGameName)));
    NoLockLeft(s);

    // A player's house leads: ending the game makes it the winner.
    Load(s);
    int h = FoundHouse("Astra", "Ann Caller", 0);
    HouseRec(h).Ore = 100000;
    Game.Worlds[HouseRec(h).HomeWorld].Pop = 20000;
    Save(s);
    r = Thyrecfg(s, "8\nend\nN\n\nQ\n");
    EXPECT_TRUE(Has(r, "The highest score now: Astra with ")) << r.Out;
    EXPECT_TRUE(Has(r, "The game is over and in the Hall of Fame."));
    EXPECT_TRUE(Has(r, "A new game starts at the next nightly maintenance (AutoRestart is on)."));
    Load(s);
    EXPECT_EQ((int)Game.Header.Ended, 1);
    EXPECT_EQ((int)Game.Header.Winner, h);
    EXPECT_EQ((int)Game.Header.WinKind, 5);
    EXPECT_NE(ReadFile(s.Path(NewsFileName)).find("*** The sysop has ended the game. Astra wins with the highest score. ***"),
              std::string::npos);
    EXPECT_NE(ReadFile(s.Path(FameFileName)).find("Won by Astra (Ann Caller)"), std::string::npos);
    EXPECT_NE(ReadFile(s.Path(MaintLogName)).find("game ended by the sysop with THYRECFG; Astra wins"), std::string::npos);
    // Once over, it stays over: no second entry anywhere.
    std::string fame = ReadFile(s.Path(FameFileName));
    r = Thyrecfg(s, "8\nN\nQ\n");
    EXPECT_TRUE(Has(r, "This game is already over.\n"));
    EXPECT_EQ(ReadFile(s.Path(FameFileName)), fame);

    // With nobody playing there is no winner.
    r = Thyrecfg(s, "7\nYES\n\nQ\n");
    Load(s);
    for (int x = 1; x <= MaxHouseSlots; x++)
        if (HouseRec(x).Status != StatusFree) HouseRec(x).Status = StatusOut;
    Save(s);
    r = Thyrecfg(s, "8\nEND\nn\n\nQ\n");
    EXPECT_TRUE(Has(r, "No house is playing, so there will be no winner."));
    Load(s);
    EXPECT_EQ((int)Game.Header.Winner, 0);
    EXPECT_NE(ReadFile(s.Path(MaintLogName)).find("game ended by the sysop with THYRECFG; no winner"), std::string::npos);
    NoLockLeft(s);
}

TEST(Setup, HouseEditor)
{
    TScratch s;
    NewGame(s);
    Load(s);
    int ann = FoundHouse("Astra", "Ann Caller", 0);
    int bob = FoundHouse("Borel", "Bob Jones", 0);
    Relation(ann, bob).Tribute = 20;
    Relation(bob, ann).Tribute = 5;
    Save(s);
    std::string before = ReadFile(s.Path(GameFileName));
    std::string slot = IntToText(ann) + "\n";
    TRun r = Thyrecfg(s, "2\n" + slot + "A\nU\nN\nostrel\nN\nA`Cb\nP\nbob jones\nP\n" + std::string(35, 'z') +
                          "XYZ\nO\n9999999999\nO\n1234\nQ\n\nQ\n");
    EXPECT_EQ(r.Exit, 0);
    EXPECT_TRUE(Has(r, " #  House                   Player              Status     Worlds  Score Last\n"));
    EXPECT_TRUE(Has(r, PadLeft(IntToText(ann), 2) + "  Astra                   Ann Caller          active         3"));
    EXPECT_TRUE(Has(r, "Only a house on autopilot can be made active."));
    EXPECT_TRUE(Has(r, "Another house has that name."));
    EXPECT_TRUE(Has(r, "A house name can't hold colour codes."));
    EXPECT_TRUE(Has(r, "bob jones already has a house."));
    EXPECT_TRUE(Has(r, "Please give a number from 0 to 9999999."));
    Load(s);
    EXPECT_EQ((int)HouseRec(ann).Status, (int)StatusAutopilot);   // U worked
    EXPECT_EQ(StrGet(HouseRec(ann).Player), std::string(35, 'z'));
    EXPECT_EQ((int)HouseRec(ann).Ore, 1234);
    EXPECT_EQ(StrGet(HouseRec(ann).Name), "Astra");
    // A 40-letter name whose first 35 letters are a player's: taken.
    r = Thyrecfg(s, "2\n" + IntToText(bob) + "\nP\n" + std::string(35, 'z') + "QQQQQ\nQ\n\nQ\n");
    EXPECT_TRUE(Has(r, std::string(35, 'z') + "QQQQQ already has a house."));
    // Removing: worlds independent, fleets gone, the player free, tribute stopped.
    r = Thyrecfg(s, "2\n" + slot + "X\ny\n\n\nQ\n");
    EXPECT_EQ(r.Exit, 0);
    Load(s);
    EXPECT_EQ((int)HouseRec(ann).Status, (int)StatusOut);
    EXPECT_EQ(StrGet(HouseRec(ann).Player), "");
    int worlds = 0, fleets = 0;
    for (int w = 0; w < Game.Header.WorldCount; w++) worlds += Game.Worlds[w].Owner == ann;
    for (int f = 0; f < Game.Header.FleetCount; f++) fleets += Game.Fleets[f].House == ann;
    EXPECT_EQ(worlds + fleets, 0);
    EXPECT_EQ((int)Relation(ann, bob).Tribute + (int)Relation(bob, ann).Tribute, 0);
    (void)before;
    NoLockLeft(s);
}

TEST(Setup, ComputerHousesAndNotices)
{
    TScratch s;
    NewGame(s);
    Load(s);
    Game.Header.JoinDays = 2;
    Game.Header.Day = 5;   // closed to new houses
    int ann = FoundHouse("Astra", "Ann Caller", 0);
    EXPECT_EQ(ann, -1);
    Game.Header.JoinDays = 0;
    ann = FoundHouse("Astra", "Ann Caller", 0);
    Game.Header.JoinDays = 2;
    Save(s);
    TRun r = Thyrecfg(s, "3\nvarro\n\n3\nRobo\n\nQ\n");
    EXPECT_TRUE(Has(r, "A house called varro is already in the game."));
    EXPECT_TRUE(Has(r, "Robo joins the game as house "));
    Load(s);
    int robo = -1;
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (StrGet(HouseRec(h).Name) == "Robo") robo = h;
    ASSERT_GT(robo, 0);
    EXPECT_EQ(StrGet(HouseRec(robo).Player), "Computer 3");
    EXPECT_EQ((int)Game.Header.JoinDays, 2);
    // A notice to a computer house reaches nobody; to everyone, each player.
    r = Thyrecfg(s, "4\nN\n" + IntToText(robo) + "\nHello machine\n\n\nQ\n");
    EXPECT_TRUE(Has(r, "Sent to 0 houses."));
    r = Thyrecfg(s, "4\nY\nThe BBS is down on Sunday.\nBack on Monday.\n\n\nQ\n");
    EXPECT_TRUE(Has(r, "Sent to 1 house."));
    std::vector<TMessageRec> box;
    ASSERT_TRUE(ReadMailbox(s.Dir, ann, box));
    ASSERT_EQ(box.size(), 1u);
    EXPECT_EQ((int)box[0].From, 0);
    EXPECT_EQ(MessageLine(box[0], 1), "Back on Monday.");
    NoLockLeft(s);
}

TEST(Setup, ChangingTheRunningGame)
{
    TScratch s;
    NewGame(s);
    Load(s);
    Game.Header.Day = 5;
    Save(s);
    TRun r = Thyrecfg(s, "9\n2\n3\n\n2\n5\n5\n6\n8\n40\n9\n30\n11\n1\nNew Name\n\nQ\n");
    EXPECT_EQ(r.Exit, 0);
    EXPECT_TRUE(Has(r, "The game is already on day 5."));
    EXPECT_TRUE(Has(r, "It must be at least the autopilot days (40)."));
    Load(s);
    EXPECT_EQ((int)Game.Header.LastDay, 5);
    EXPECT_EQ((int)Game.Header.Victories, 7 ^ 1 ^ 2);   // dominion and relic off
    EXPECT_EQ((int)Game.Header.AutopilotAfter, 40);
    EXPECT_EQ((int)Game.Header.DissolveAfter, 40);
    EXPECT_EQ((int)Game.Header.Difficulty, 3);
    EXPECT_EQ(StrGet(Game.Header.GameName), "New Name");
    std::string log = ReadFile(s.Path(MaintLogName));
    EXPECT_NE(log.find("THYRECFG changed the running game: last day = 5"), std::string::npos);
    EXPECT_NE(log.find("THYRECFG changed the running game: victories = 4"), std::string::npos);
    EXPECT_NE(log.find("THYRECFG changed the running game: autopilot/dissolve days = 40/40"), std::string::npos);
    EXPECT_NE(log.find("THYRECFG changed the running game: difficulty = Hard"), std::string::npos);
    NoLockLeft(s);
}

TEST(Setup, LocksMarkersAndTheEndOfInput)
{
    TScratch s;
    NewGame(s);
    std::string before = ReadFile(s.Path(GameFileName));
    // The nightly run is marked: changes and new games are refused, and its
    // marker stays as it was.
    ASSERT_TRUE(WriteStamp(RunMarkerPath(s.Dir), LockClockNow(), 0));
    std::string marker = ReadFile(RunMarkerPath(s.Dir));
    TRun r = Thyrecfg(s, "9\n4\n1\n\n\n7\nYES\n\nQ\n");
    EXPECT_TRUE(Has(r, "The nightly maintenance is running; try again in a minute."));
    EXPECT_EQ(ReadFile(RunMarkerPath(s.Dir)), marker);
    EXPECT_EQ(ReadFile(s.Path(GameFileName)), before);
    EXPECT_FALSE(PathExists(s.Path(OldGameName)));
    DeleteFile(RunMarkerPath(s.Dir));
    // A door holds the lock: busy after the wait, and the door's lock stays.
    ASSERT_TRUE(MakeFolder(LockFolderPath(s.Dir)));
    ASSERT_TRUE(WriteStamp(LockOwnerPath(s.Dir), LockClockNow(), 3600));
    r = Thyrecfg(s, "9\n4\n1\n\n\nQ\n");
    EXPECT_TRUE(Has(r, "The game is busy (locked); try again in a moment."));
    EXPECT_TRUE(PathExists(LockOwnerPath(s.Dir)));
    EXPECT_EQ(ReadFile(s.Path(GameFileName)), before);
    ReleaseLock(s.Dir);
    // The end of the answers at any point ends the program, nothing held.
    const std::string script = "2\n3\nO\n55\n\n3\nRobo\n\n4\nY\nHi\n\n\n9\n2\n70\n\n8\nEND\nN\n\nQ\n";
    for (size_t cut = 0; cut < script.size(); cut += 3) {
        TScratch t;
        NewGame(t);
        r = Thyrecfg(t, script.substr(0, cut));
        EXPECT_EQ(r.Exit, 0) << cut;
        NoLockLeft(t);
    }
}

#ifndef _WIN32
// A POSIX terminal from the BBS harness.
TEST(Setup, RefusalsAreShownOnlyAfterTheLockIsFreeOnATerminal)
{
    TScratch s;
    NewGame(s);
    Load(s);
    Game.Header.Day = 5;
    Save(s);
    TLaunch l;
    l.Mode = ViaTerminal;
    l.Program = THYRECFG_PATH;
    l.Folder = s.Dir;
    l.Args = {s.Dir};
    l.CommType = "";
    TBbs con;
    ASSERT_TRUE(con.Start(l));
    ASSERT_TRUE(con.WaitFor("Choice: "));
    con.Send("9\r2\r3\r");
    ASSERT_TRUE(con.WaitFor("Press Enter to go on. ")) << con.Screen;
    EXPECT_NE(con.Screen.find("The game is already on day 5."), std::string::npos);
    EXPECT_FALSE(PathExists(LockFolderPath(s.Dir)));   // nobody waits on the sysop
    // A change made under the look: the house in slot changed meanwhile.
    con.Send("\r\r2\r1\r");
    ASSERT_TRUE(con.WaitFor("Choice, or Q to go back: "));
    Load(s);
    StrSet(HouseRec(1).Name, "Renamed");
    Save(s);
    con.Send("O\r77\r");
    ASSERT_TRUE(con.WaitFor("has changed since you looked; nothing was changed."));
    Load(s);
    EXPECT_NE((int)HouseRec(1).Ore, 77);
    con.CloseCaller();
    con.WaitExit();
    EXPECT_FALSE(PathExists(LockFolderPath(s.Dir)));
}
#endif

TEST(Setup, RefusalsStayAboveTheNextQuestion)
{
    // A value out of range, and a setting that does not exist: the settings
    // screen is drawn again, and each refusal is shown once more just above
    // its next question, not scrolled away with the old screen.
    TScratch s;
    TRun r = Thyrecfg(s, "1\n5\n99\n42\nQ\nQ\n");
    EXPECT_EQ(r.Exit, 0);
    const std::string prompt = "Number to change, S to save, Q to go back: ";
    for (const std::string& refusal : {std::string("Please give a number from 5 to 12."),
                                       "Please give a number from 1 to " + IntToText(SettingFieldCount) + ", S or Q."}) {
        size_t said = r.Out.find(refusal);
        ASSERT_NE(said, std::string::npos) << r.Out;
        size_t again = r.Out.find(refusal + "\n" + prompt, said + refusal.size());
        EXPECT_NE(again, std::string::npos) << r.Out;
    }
}

TEST(Setup, TyposAndWrongFoldersAreToldAtOnce)
{
    TRun r = RunProgram(THYRECFG_PATH, {"--version"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, "thyrecfg (Yvarn Thyre) 0.5\n");
    r = RunProgram(THYRECFG_PATH, {"--bogus"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(Lines(r.Out).front(), "thyrecfg: unknown switch --bogus");
    // A folder that is not there: said before any form, whatever is typed.
    TScratch s;
    r = RunWithInput(THYRECFG_PATH, {s.Dir + "nope"}, "1\n2\n30\nS\nQ\nQ\n");
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "thyrecfg: there is no folder " + FolderWithDelim(s.Dir + "nope") + "; make it first, or name the game folder.\n");
    EXPECT_FALSE(PathExists(s.Path("nope")));

    // THYRE.CFG with typos: named when the program starts and in the
    // editor; saving keeps them as comments, read no more, and a second
    // save keeps them once.
    WriteFile(s.Path("THYRE.CFG"), "Days = 9O\r\nMaxHouse = 20\r\nDifficulty = Hardest\r\n");
    const std::string days = "THYRE.CFG line 1: Days = 9O is not a number; 60 kept.\n";
    r = Thyrecfg(s, "1\n2\n30\nS\nQ\nQ\n");
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out.find(days), 0u) << r.Out;
    size_t editor = r.Out.find("Settings for new games (THYRE.CFG)");
    ASSERT_NE(editor, std::string::npos);
    EXPECT_NE(r.Out.find(days, editor), std::string::npos);
    EXPECT_NE(r.Out.find("THYRE.CFG line 2: MaxHouse = 20 is not a setting; the line is ignored.\n", editor),
              std::string::npos);
    EXPECT_TRUE(Has(r, "Lines not understood are kept at the end of THYRE.CFG as comments.\n"));
    EXPECT_TRUE(Has(r, "Saved to THYRE.CFG."));
    const std::string kept = ";\r\n; Lines that were not understood, kept as they were written:\r\n; Days = 9O\r\n"
                             "; MaxHouse = 20\r\n; Difficulty = Hardest\r\n";
    std::string cfg = ReadFile(s.Path("THYRE.CFG"));
    ASSERT_GE(cfg.size(), kept.size());
    EXPECT_EQ(cfg.substr(cfg.size() - kept.size()), kept);
    std::vector<TSettingsProblem> problems;
    TSettings read = ReadSettings(s.Dir, &problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(read.Days, 30);
    r = Thyrecfg(s, "1\n3\n20\nS\nQ\nQ\n");
    EXPECT_FALSE(Has(r, "THYRE.CFG line"));
    cfg = ReadFile(s.Path("THYRE.CFG"));
    EXPECT_EQ(cfg.substr(cfg.size() - kept.size()), kept);
    EXPECT_EQ(ReadSettings(s.Dir).JoinDays, 20);
}
