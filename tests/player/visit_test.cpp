// The caller's visit end to end: thyre started as a BBS starts it, keys
// sent, the screen read back, and the game folder looked at afterwards.
#include <gtest/gtest.h>

#include "core/files.h"
#include "core/founding.h"
#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/text.h"
#include "core/stores.h"
#include "tests/player/door_session.h"

namespace {

const char* const MenuLines[6] = {
    "   [R] Overnight report          [M] Map of the Thyre",
    "   [W] Worlds and production     [F] Fleets and orders",
    "   [B] Build                     [T] Research",
    "   [D] Diplomacy and treaties    [X] Exchange (market)",
    "   [S] Messages                  [N] News and standings",
    "   [H] Help                      [Q] Quit to the BBS",
};

// A house for the caller, founded in the folder's game by hand.
int FoundFor(const TGameFolder& g, const std::string& name, const std::string& player)
{
    g.Load();
    int h = FoundHouse(name, player, 0);
    EXPECT_GT(h, 0);
    g.Save();
    return h;
}

void AddEvents(const TGameFolder& g, int day, int house, int kind, int count, const std::string& text)
{
    TEventWriter ev;
    ASSERT_TRUE(EventsBegin(ev, g.S.Dir, day));
    for (int i = 1; i <= count; i++) AddEvent(ev, house, kind, text + " " + IntToText(i) + ".");
    ASSERT_TRUE(EventsEnd(ev));
}

} // namespace

TEST(Visit, NewCallerFoundsAHouseOverTheSocket)
{
    TGameFolder g;
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Will you found a house in the Thyre?")) << s.Bbs.Screen << s.Bbs.Errors;
    EXPECT_EQ(s.Screen.Row(0), "YVARN THYRE");
    EXPECT_EQ(s.Screen.Colour(0, 0), 14);
    EXPECT_EQ(s.Screen.Row(1), std::string(78, '-'));
    EXPECT_EQ(s.Screen.Row(2), "The old lanes of the Thyre are failing. Its stars burn low, and new lanes");
    EXPECT_EQ(s.Screen.Row(5), "Somewhere in the dark systems, the Hollow is waking.");
    EXPECT_EQ(s.Screen.Row(7), "Will you found a house in the Thyre? (Y/N)");
    s.Key("x\rY");
    ASSERT_TRUE(s.Expect("e.g. "));
    EXPECT_EQ(s.Screen.Row(7), "Will you found a house in the Thyre? (Y/N) Y");
    // Too short, a colour code, a computer house's name in another case.
    for (const char* name : {"ab", "Va`Crro", "vARRO"}) {
        s.Key(std::string(name) + "\r");
        ASSERT_TRUE(s.Expect("That name is too short, too long, or taken.")) << name;
        ASSERT_TRUE(s.Expect("Name your house"));
    }
    s.Key("1234\r");   // no letter in it
    ASSERT_TRUE(s.Expect("A house name needs at least one letter."));
    ASSERT_TRUE(s.Expect("Name your house"));
    s.Key("Astra\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    g.Load();
    int h = FindHouseByPlayer("Ann Caller");
    ASSERT_GT(h, 0);
    EXPECT_EQ(StrGet(HouseRec(h).Name), "Astra");
    EXPECT_EQ((int)HouseRec(h).Computer, 0);
    EXPECT_EQ(s.Screen.Row(0), "House Astra is founded at " + WorldName(HouseRec(h).HomeWorld) + ".");
    EXPECT_EQ(s.Screen.Row(2), "You start with a home world, a rock world beside it, and three fleets:");
    EXPECT_EQ(s.Screen.Row(9), "");
    EXPECT_EQ(s.Screen.Row(10), "The computer houses will leave your worlds alone for your first 10 days.");
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    std::string top = s.Screen.Row(0);
    EXPECT_EQ(top, " YVARN THYRE              Day 1 of 60            House Astra");
    EXPECT_EQ(s.Screen.Row(3).substr(0, 39), "  Worlds 3   Fleets 3   Score 171 (rank");
    for (int i = 0; i < 6; i++) EXPECT_EQ(s.Screen.Row(5 + i), MenuLines[i]);
    EXPECT_EQ(s.Screen.Colour(5, 4), 15);   // the key letters stand out
    s.Key("F");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    s.Key("\r");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    ASSERT_TRUE(s.Expect("Orders are carried out tonight."));
    EXPECT_EQ(s.Screen.Row(0), "The Thyre will wait for you. Orders are carried out tonight.");
    EXPECT_EQ(s.Exit(), 0);
    EXPECT_FALSE(g.Locked());
    EXPECT_EQ(s.Bbs.Errors, "");
}

TEST(Visit, ClosedAndFullGamesFoundNothing)
{
    TGameFolder g;
    g.Load();
    Game.Header.JoinDays = 5;
    Game.Header.Day = 6;
    g.Save();
    {
        TSession s;
        ASSERT_TRUE(s.Start(g, ViaPipes));
        ASSERT_TRUE(s.Expect("Wait for the next one!"));
        EXPECT_EQ(s.Screen.Row(7), "This game is closed to new houses. Wait for the next one!");
        EXPECT_FALSE(s.Screen.Has("Will you found"));
        s.Key(" ");
        EXPECT_EQ(s.Exit(), 0);
    }
    g.Load();
    Game.Header.JoinDays = 0;
    Game.Header.MaxHouses = 2;   // the two computer houses fill it
    g.Save();
    // A full game says so before it asks anything.
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaPipes));
    ASSERT_TRUE(s.Expect("The Thyre is full. Wait for the next game!"));
    EXPECT_FALSE(s.Screen.Has("Will you found"));
    s.Key(" ");
    EXPECT_EQ(s.Exit(), 0);
    g.Load();
    EXPECT_EQ(FindHouseByPlayer("Ann Caller"), -1);
    EXPECT_FALSE(g.Locked());
}

TEST(Visit, ReturningCallerOnAutopilotReadsTheReportOnATerminal)
{
    TGameFolder g;
    int h = FoundFor(g, "Astra", "ann CALLER");   // the BBS name in another case
    g.Load();
    HouseRec(h).Status = StatusAutopilot;
    Game.Header.Day = 3;
    g.Save();
    AddEvents(g, 1, h, EventMove, 1, "Scouts arrived at Old");
    AddEvents(g, 2, h, EventBattle, 3, "Battle at Kel");
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaTerminal));
    ASSERT_TRUE(s.Expect("[press a key]")) << s.Bbs.Screen;
    EXPECT_EQ(s.Screen.Row(0), "Report for the night of day 2");
    EXPECT_EQ(s.Screen.Row(2), "Battle at Kel 1.");
    EXPECT_EQ(s.Screen.Colour(2, 0), 12);
    EXPECT_EQ(s.Screen.Row(4), "Battle at Kel 3.");
    g.Load();
    EXPECT_EQ((int)HouseRec(h).Status, (int)StatusActive);
    EXPECT_EQ((int)HouseRec(h).LastOnDay, 3);
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    // The browser: older to night 1 and no further, newer back to night 2.
    s.Key("R");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(0), "Report for the night of day 2");
    s.Key("O");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(0), "Report for the night of day 1");
    EXPECT_EQ(s.Screen.Row(2), "Scouts arrived at Old 1.");
    s.Key("o");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(0), "Report for the night of day 1");
    s.Key("NN");
    ASSERT_TRUE(s.Expect("back: "));
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(0), "Report for the night of day 2");
    s.Key("\x1b");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("qy");
    ASSERT_TRUE(s.Expect("Orders are carried out tonight."));
    EXPECT_EQ(s.Exit(), 0);

    // On the day the house was founded there is no report at entry.
    g.Load();
    HouseRec(h).JoinedDay = 3;
    g.Save();
    TSession again;
    ASSERT_TRUE(again.Start(g, ViaTerminal));
    ASSERT_TRUE(again.Expect("Your command: "));
    EXPECT_EQ(again.Bbs.Screen.find("Report for the night"), std::string::npos);
    again.Key("QY");
    EXPECT_EQ(again.Exit(), 0);
}

TEST(Visit, LongReportPausesAtTheScreenHeightAndStopsOnQ)
{
    TGameFolder g;
    int h = FoundFor(g, "Astra", "Bob Jones");
    g.Load();
    Game.Header.Day = 3;
    g.Save();
    AddEvents(g, 2, h, EventNotice, 30, "Line");
    // A DOOR.SYS door on pipes, 24 rows.
    std::vector<std::string> l(52);
    l[0] = "COM0:";
    l[3] = "1";
    l[9] = "Bob Jones";
    l[17] = "1500";
    l[19] = "GR";
    l[20] = "24";
    std::string text;
    for (const std::string& line : l) text += line + "\r\n";
    WriteFile(g.S.Path("DOOR.SYS"), text);
    TLaunch launch = ThyreLaunch(g, ViaPipes);
    launch.CommType = "";
    launch.Args = {"-d", g.S.Path("DOOR.SYS"), "-g", g.S.Dir};
    TSession s;
    ASSERT_TRUE(s.Start(launch));
    ASSERT_TRUE(s.Expect("-- more (Q to stop) --")) << s.Bbs.Screen;
    EXPECT_TRUE(s.Screen.Has("Line 20."));
    EXPECT_FALSE(s.Screen.Has("Line 21."));
    s.Key("q");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_FALSE(s.Screen.Has("Line 21."));
    EXPECT_FALSE(s.Screen.Has("A quiet night."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);
}

TEST(Visit, MapZoomsAndLooksAtTheCapital)
{
    TGameFolder g;
    int h = FoundFor(g, "Astra", "Ann Caller");
    g.Load();
    int capital = CapitalSystem(h);
    std::string name = SystemName(capital);
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("M");
    ASSERT_TRUE(s.Expect("uit: "));
    EXPECT_EQ(s.Screen.Row(0), "Map of the Thyre  zoom 2  day 1");
    // The capital sits in the middle of the view at zoom 2 and 3.
    EXPECT_EQ(s.Screen.Row(1 + 8).substr(38, 4), "@" + name.substr(0, 3));
    EXPECT_EQ(s.Screen.Colour(9, 38), 15);
    EXPECT_EQ(s.Screen.Colour(9, 39), 3);
    EXPECT_EQ(s.Screen.Row(18), "@capital *yours +fleet Ohouse iindep xHollow $Exchange oempty :closing :opening");
    s.Key("+");
    ASSERT_TRUE(s.Expect("uit: "));
    EXPECT_EQ(s.Screen.Row(0), "Map of the Thyre  zoom 3  day 1");
    s.Key("+");   // no further in
    ASSERT_TRUE(s.Expect("uit: "));
    EXPECT_EQ(s.Screen.Row(0), "Map of the Thyre  zoom 3  day 1");
    s.Key("--");
    ASSERT_TRUE(s.Expect("uit: "));
    ASSERT_TRUE(s.Expect("uit: "));
    EXPECT_EQ(s.Screen.Row(0), "Map of the Thyre  zoom 1  day 1");
    std::string zoomedOut = s.Screen.Text();
    s.Key("N");   // at zoom 1 the view never moves
    ASSERT_TRUE(s.Expect("uit: "));
    EXPECT_EQ(s.Screen.Text(), zoomedOut);
    s.Key("L" + UpperText(name) + "\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_EQ(s.Screen.Row(0), name + "  (a founding world)   seen today");
    EXPECT_EQ(s.Screen.Row(1), "0 lanes from your capital");
    EXPECT_TRUE(s.Screen.Has("Fleets here"));
    EXPECT_TRUE(s.Screen.Has("  Home Guard: "));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("uit: "));
    s.Key("\r");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);
}

TEST(Visit, NewsStandingsHallOfFameAndHelp)
{
    TGameFolder g;
    FoundFor(g, "Astra", "Ann Caller");
    for (int day = 1; day <= 3; day++) AddEvents(g, day, 0, EventNotice, 5, "News of day " + IntToText(day));
    WriteFile(g.S.Path(FameFileName), std::string(78, '=') + "\r\nOld Game   ended 2026-01-01 on day 9\r\n"
                                                             "Won by Kel (Bob): the last house left\r\n"
                                                             "   1. Kel      55   3 worlds   Bob\r\n");
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("N");
    ASSERT_TRUE(s.Expect("any other key to go back: "));
    EXPECT_EQ(s.Screen.Row(0), "News of the Thyre");
    // Fifteen news lines: the newest twelve, oldest first.
    EXPECT_EQ(s.Screen.Row(2), "day   1  News of day 1 4.");
    EXPECT_EQ(s.Screen.Row(13), "day   3  News of day 3 5.");
    EXPECT_EQ(s.Screen.Row(15), "Standings");
    EXPECT_EQ(s.Screen.Row(16).substr(0, 6), "   1. ");
    EXPECT_TRUE(s.Screen.Has("3 worlds"));
    s.Key("f");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_EQ(s.Screen.Row(0), "Hall of Fame");
    EXPECT_EQ(s.Screen.Row(2), std::string(78, '='));
    EXPECT_EQ(s.Screen.Colour(2, 0), 8);
    EXPECT_EQ(s.Screen.Row(3), "Old Game   ended 2026-01-01 on day 9");
    EXPECT_EQ(s.Screen.Colour(4, 0), 14);
    EXPECT_EQ(s.Screen.Row(5), "   1. Kel      55   3 worlds   Bob");
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("N");
    ASSERT_TRUE(s.Expect("any other key to go back: "));
    s.Key("\x1b[A");   // an arrow key goes back
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("H");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_EQ(s.Screen.Row(0), "How to play Yvarn Thyre");
    EXPECT_EQ(s.Screen.Row(20), "3 days, or every relic, or be the last house left.");
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);
}

TEST(Visit, ANightDuringTheVisitIsAnnouncedOnce)
{
    TGameFolder g;
    FoundFor(g, "Astra", "Ann Caller");
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Your command: "));
    TRun night = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "turn"});
    ASSERT_EQ(night.Exit, 0) << night.Out;
    s.Key("H");
    ASSERT_TRUE(s.Expect("[press a key]"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_EQ(s.Screen.Row(0), "A new day has dawned in the Thyre while you played. Read your report.");
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    EXPECT_NE(s.Screen.Row(0).find("Day 2 of 60"), std::string::npos);
    s.Key("H");
    ASSERT_TRUE(s.Expect("[press a key]"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    EXPECT_EQ(s.Bbs.Screen.find("A new day", s.Bbs.Screen.find("Day 2 of 60")), std::string::npos);
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);
}

TEST(Visit, MaintenanceAndBusyLockTurnCallersAway)
{
    TGameFolder g;
    FoundFor(g, "Astra", "Ann Caller");
    // A fresh marker: turned away at once, with time to read why.
    ASSERT_TRUE(WriteStamp(RunMarkerPath(g.S.Dir), LockClockNow(), 0));
    {
        TSession s;
        ASSERT_TRUE(s.Start(g, ViaSocket));
        ASSERT_TRUE(s.Expect("[press a key]"));
        EXPECT_EQ(s.Screen.Row(0), "The nightly maintenance is running. Please come back in a few minutes.");
        s.Key(" ");
        EXPECT_EQ(s.Exit(), 0);
    }
    // A marker left by a run that died hours ago turns nobody away.
    ASSERT_TRUE(WriteStamp(RunMarkerPath(g.S.Dir), LockClockNow() - 7200, 0));
    {
        TSession s;
        ASSERT_TRUE(s.Start(g, ViaSocket));
        ASSERT_TRUE(s.Expect("Your command: "));
        // The night starts while the caller is in a screen: the menu's own
        // load is refused, and the refusal waits for a key.
        ASSERT_TRUE(WriteStamp(RunMarkerPath(g.S.Dir), LockClockNow(), 0));
        s.Key("H");
        ASSERT_TRUE(s.Expect("[press a key]"));
        s.Key(" ");
        ASSERT_TRUE(s.Expect("[press a key]"));
        EXPECT_TRUE(s.Screen.Has("The nightly maintenance is running. Please come back in a few minutes."));
        EXPECT_FALSE(s.Seen("Orders are carried out tonight."));
        s.Key(" ");
        ASSERT_TRUE(s.Expect("Orders are carried out tonight."));
        EXPECT_EQ(s.Exit(), 0);
    }
    DeleteFile(RunMarkerPath(g.S.Dir));
    // A lock held by another program for longer than the wait.
    ASSERT_TRUE(MakeFolder(LockFolderPath(g.S.Dir)));
    ASSERT_TRUE(WriteStamp(LockOwnerPath(g.S.Dir), LockClockNow(), 3600));
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaPipes));
    ASSERT_TRUE(s.Expect("[press a key]", 25000));
    EXPECT_EQ(s.Screen.Row(0), "The game is busy. Please try again in a moment.");
    s.Key(" ");
    EXPECT_EQ(s.Exit(), 0);
    EXPECT_TRUE(PathExists(LockOwnerPath(g.S.Dir)));   // somebody else's lock stays
}

TEST(Visit, HangingUpEndsTheVisitQuietlyWithoutALock)
{
    TGameFolder g;
    for (THarnessMode mode : {ViaSocket, ViaTerminal}) {
        TSession s;
        ASSERT_TRUE(s.Start(g, mode));
        ASSERT_TRUE(s.Expect("(Y/N)"));
        s.Key("Y");
        ASSERT_TRUE(s.Expect("Name your house"));
        s.Key("Ast");
        s.Bbs.Pump(100);
        s.Bbs.CloseCaller();
        int code = s.Exit();
        EXPECT_TRUE(code == 0 || code == 128 + 1) << code;   // a terminal's hang-up may be SIGHUP's
        EXPECT_FALSE(g.Locked());
        EXPECT_FALSE(PathExists(g.S.Path(ErrorsLogName)));
    }
    g.Load();
    EXPECT_EQ(FindHouseByPlayer("Ann Caller"), -1);
}

TEST(Visit, NamesThatAreNotTheCallersHouse)
{
    TGameFolder g;
    // The BBS name of a computer house's player founds a house of its own.
    {
        TSession s;
        ASSERT_TRUE(s.Start(g, ViaSocket, "Computer 1"));
        ASSERT_TRUE(s.Expect("Will you found a house in the Thyre?"));
        s.Key("N");
        ASSERT_TRUE(s.Expect("No house was founded. Call again when you want to join the Thyre."));
        s.Key(" ");
        EXPECT_EQ(s.Exit(), 0);
    }
    // A BBS name of 40 characters finds the house founded for it.
    std::string longName = "Bartholomew Fitzgerald-Montgomery Junior";
    ASSERT_EQ(longName.size(), 40u);
    {
        TSession s;
        ASSERT_TRUE(s.Start(g, ViaSocket, longName));
        ASSERT_TRUE(s.Expect("(Y/N)"));
        s.Key("YLongname\r");
        ASSERT_TRUE(s.Expect("[press a key]"));
        s.Key(" ");
        ASSERT_TRUE(s.Expect("Your command: "));
        s.Key("QY");
        EXPECT_EQ(s.Exit(), 0);
    }
    {
        TSession s;
        ASSERT_TRUE(s.Start(g, ViaSocket, longName));
        ASSERT_TRUE(s.Expect("Your command: "));
        EXPECT_EQ(s.Bbs.Screen.find("Will you found"), std::string::npos);
        // A new game started while the caller plays: the slot is somebody
        // else's (or nobody's) now, so the caller is seen off.
        TRun fresh = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "new", "-force", "-seed", "9"});
        ASSERT_EQ(fresh.Exit, 0) << fresh.Out;
        s.Key("H");
        ASSERT_TRUE(s.Expect("[press a key]"));
        s.Key(" ");
        ASSERT_TRUE(s.Expect("Orders are carried out tonight."));
        EXPECT_EQ(s.Exit(), 0);
    }
    g.Load();
    int houses = 0;
    for (int h = 1; h <= MaxHouseSlots; h++) houses += HouseRec(h).Status != StatusFree;
    EXPECT_EQ(houses, 2);   // the new game's computer houses only
}

TEST(Visit, CommandLineAndStartUpMessages)
{
    TScratch empty;
    TRun r = RunProgram(THYRE_PATH, {});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "Yvarn Thyre 0.5\n  thyre -d <drop file or folder> [-g game folder] [-n node]\n"
                     "  thyre -l [-u name] [-g game folder]     local play\n"
                     "  -plain  for BBSes that decode telnet themselves: the socket carries plain data\n"
                     "  -diag   write what the door reads and chooses to standard error and DIAG.LOG\n");
    EXPECT_EQ(RunProgram(THYRE_PATH, {"-l", "-g"}).Exit, 1);
    EXPECT_EQ(RunProgram(THYRE_PATH, {"-l", "-x"}).Out.substr(0, 15), "Yvarn Thyre 0.5");
    // Asked for, the usage is no failure; a switch is never the game folder.
    TRun help = RunProgram(THYRE_PATH, {"-h"});
    EXPECT_EQ(help.Exit, 0);
    EXPECT_EQ(help.Out, r.Out);
    help = RunProgram(THYRE_PATH, {"--version"});
    EXPECT_EQ(help.Exit, 0);
    EXPECT_EQ(help.Out, "thyre (Yvarn Thyre) 0.5\n");
    help = RunProgram(THYRE_PATH, {"-g", "-l"});
    EXPECT_EQ(help.Exit, 1);
    EXPECT_EQ(help.Out, r.Out);
    r = RunProgram(THYRE_PATH, {"-d", empty.Dir, "-g", empty.Dir});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "No drop file found in " + empty.Dir + "\n");
    WriteFile(empty.Path("DOOR32.SYS"), "2\n");
    r = RunProgram(THYRE_PATH, {"-d", empty.Path("DOOR32.SYS"), "-g", empty.Dir});
    EXPECT_EQ(r.Out, "Unable to read drop file " + empty.Path("DOOR32.SYS") + "\n");
    r = RunProgram(THYRE_PATH, {"-l", "-g", empty.Dir});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, "No game has been started in " + empty.Dir +
                         " - the sysop runs \"ydmaint new\" first.\n");
    // Local play with no name anywhere is the sysop's, with a day of time;
    // the end of input ends the visit after the house was seen today.
    TGameFolder g;
    int h = FoundFor(g, "Sysops", "Sysop");
    g.Load();
    Game.Header.Day = 4;
    HouseRec(h).LastOnDay = 1;
    g.Save();
    r = RunProgram("/usr/bin/env", {"-u", "USER", THYRE_PATH, "-l", "-g", g.S.Dir});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    g.Load();
    EXPECT_EQ((int)HouseRec(h).LastOnDay, 4);
    EXPECT_FALSE(g.Locked());
}

TEST(Visit, AChangeThatCannotBeSavedSaysSoAndFoundsNothing)
{
    TGameFolder g;
    // THYRE.NEW cannot be created where a folder of that name stands.
    ASSERT_TRUE(MakeFolder(g.S.Path("THYRE.NEW")));
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("(Y/N)"));
    s.Key("YAstra\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_TRUE(s.Screen.Has("Your change couldn't be saved. Please tell your sysop."));
    EXPECT_FALSE(s.Screen.Has("is founded at"));
    s.Key(" ");
    EXPECT_EQ(s.Exit(), 0);
    EXPECT_FALSE(g.Locked());
    RemoveFolder(g.S.Path("THYRE.NEW"));
    g.Load();
    EXPECT_EQ(FindHouseByPlayer("Ann Caller"), -1);
}
