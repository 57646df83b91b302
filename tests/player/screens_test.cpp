// The prompts, pickers, map and failure handling in one process: the door
// attached to one end of a socket pair, keys queued at the other end before
// a screen runs, and what it sent rendered by the terminal model.
#include <gtest/gtest.h>
#include <stdexcept>

#include "core/access.h"
#include "core/files.h"
#include "core/founding.h"
#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/settings.h"
#include "core/startgame.h"
#include "core/text.h"
#include "door/door.h"
#include "door/dropfile.h"
#include "player/map.h"
#include "player/prompts.h"
#include "player/visit.h"
#include "tests/player/screen.h"
#include "tests/testutil.h"

namespace {

// The caller's end of an in-process connection.
struct TLine {
    TSocketPair Pair;
    TScreen Screen;
    std::string Raw;
    TLine() { DoorAttach(ChannelSocket, Pair.Door, Pair.Door, true, 3600); }
    ~TLine() { DoorClose(); }
    void Keys(const std::string& k) { ASSERT_TRUE(Pair.Send(k)); }
    // Renders everything the door sent so far.
    const TScreen& Seen()
    {
        DoorFlush();
        std::string got = Pair.Receive();
        Raw += got;
        Screen.Feed(got);
        return Screen;
    }
};

// A row of systems named as given, all known to house 1 on day 5.
void NamedRow(const std::vector<std::string>& names)
{
    BuildRowMap((int)names.size());
    for (size_t i = 0; i < names.size(); i++) StrSet(Game.Systems[i].Name, names[i]);
    AddTestHouse(1, "House Vey", 0);
    Game.Header.Day = 5;
    for (size_t i = 0; i < names.size(); i++) Chart(1, (int)i).SeenDay = 4;
    Caller = TCaller();
    Caller.House = 1;
}

} // namespace

TEST(Prompts, SystemMatchingPrefersTheExactNameAndCountsEveryMatch)
{
    std::vector<std::string> names = {"Kelda", "Kel", "Kelmar", "Oster"};
    for (int i = 0; i < 17; i++) names.push_back("Zed" + IntToText(i));
    NamedRow(names);
    TSystemMatch m = MatchSystems("KEL", 1, true);
    EXPECT_EQ(m.Exact, 1);
    EXPECT_EQ(m.Total, 3);
    m = MatchSystems("KELD", 1, true);
    EXPECT_EQ(m.Exact, -1);
    EXPECT_EQ(m.Total, 1);
    m = MatchSystems("ZED", 1, true);
    EXPECT_EQ(m.Total, 17);
    EXPECT_EQ(m.ListedCount, 16);
    // A system never seen is found only when unknown ones may be named.
    Chart(1, 3).SeenDay = 0;
    EXPECT_EQ(MatchSystems("OST", 1, true).Total, 0);
    EXPECT_EQ(MatchSystems("OST", 1, false).Total, 1);

    TLine line;
    line.Keys("kelm\r");
    EXPECT_EQ(PickSystem("System name: ", true), 2);
    line.Keys("k\r2\r");   // three listed, the second chosen
    EXPECT_EQ(PickSystem("System name: ", true), 1);
    EXPECT_TRUE(line.Seen().Has("   3  Kelmar"));
    EXPECT_TRUE(line.Seen().Has("Which one? 2"));
    line.Keys("zed\r");
    EXPECT_EQ(PickSystem("System name: ", true), -1);
    EXPECT_TRUE(line.Seen().Has("17 systems match; type more of the name."));
    line.Keys("ost\r");
    EXPECT_EQ(PickSystem("System name: ", true), -1);
    EXPECT_TRUE(line.Seen().Has("No system you know of starts with \"ost\"."));   // as typed
    Chart(1, 3).SeenDay = 4;
    line.Keys("zed1\r");   // Zed1 exactly, though Zed10 and more begin with it
    EXPECT_EQ(PickSystem("System name: ", true), 5);
}

TEST(Prompts, AnswersKeysPagingAndColours)
{
    NamedRow({"Kel", "Oster"});
    TLine line;
    line.Keys("0\r");
    EXPECT_EQ(AskNumber("How many? ", 1, 5), -1);
    EXPECT_TRUE(line.Seen().Has("Please give a number from 1 to 5."));
    line.Keys("q\r");
    EXPECT_EQ(AskNumber("How many? ", 1, 5), -1);
    line.Keys(" 4 \r");
    EXPECT_EQ(AskNumber("How many? ", 1, 5), 4);
    // Said once, after the 0 and the empty line that follows every answer.
    EXPECT_EQ(line.Seen().Find("Please give"), line.Screen.Find("How many? 0") + 2);
    line.Keys("\rxy");
    EXPECT_TRUE(AskYesNo("Sure?"));
    EXPECT_TRUE(line.Seen().Has("Sure? (Y/N) Y"));
    line.Keys("\x1b[Bn");
    EXPECT_EQ(AskKey("Go: ", "NQ\r"), 'N');

    // Paging at 24 rows: 22 lines, then the pause; Q stops this list for good.
    DoorInfo.ScreenRows = 24;
    EXPECT_EQ(ScreenRows(), 24);
    ClearPage();
    PageReset();
    line.Keys("Q");
    int shown = 0;
    for (int i = 0; i < 40 && PageMore(); i++) {
        SayLine("item " + IntToText(i));
        shown++;
    }
    EXPECT_EQ(shown, 22);
    EXPECT_FALSE(PageMore());
    PageReset();
    EXPECT_TRUE(PageMore());
    // A drop file's screen of 5 rows would pause every three lines.
    DoorInfo.ScreenRows = 5;
    EXPECT_EQ(ScreenRows(), 24);
    DoorInfo.ScreenRows = 24;

    EXPECT_EQ(HouseColour(1), "`F");   // the caller's own
    EXPECT_EQ(HouseColour(7), "`B");
    EXPECT_EQ(HouseColour(2), "`E");
    EXPECT_EQ(HouseColour(6), "`C");
    EXPECT_EQ(HouseColour(26), "`5");
    EXPECT_EQ(HouseColour(27), "`6");
    EXPECT_EQ(HouseColour(0), "`8");
    int f = AddTestFleet(1, 0, ShipSkiff, 2);
    Game.Fleets[f].Ships[ShipHauler] = 1;
    EXPECT_EQ(ShipList(Game.Fleets[f]), "2 Skiff 1 Hauler");
    Game.Fleets[f] = TFleet{};
    EXPECT_EQ(ShipList(Game.Fleets[f]), "no ships");
}

TEST(Map, SymbolsLanesAndLabels)
{
    NamedRow({"Alpha", "Beta", "Gamma", "Delta", "Epsilon"});
    // Positions at zoom 1 (width 1000, centre 500): column x * 77 / 1000.
    int xs[5] = {100, 300, 500, 700, 980};
    for (int s = 0; s < 5; s++) {
        Game.Systems[s].X = (int16_t)xs[s];
        Game.Systems[s].Y = 500;
    }
    Game.Worlds[0].Owner = 1;   // the capital
    HouseRec(1).Capital = HouseRec(1).HomeWorld = 0;
    Game.Worlds[2].Owner = 2;
    AddTestHouse(2, "House Mor", 2);
    Game.Worlds[2].Owner = 2;
    Game.Systems[3].Flags = SysExchange;
    Game.Lanes[1].State = LaneClosing;   // Beta - Gamma
    Chart(1, 4).SeenDay = 1;             // Epsilon: long ago
    TMapView v;
    v.Zoom = 1;
    TMapGrid g;
    DrawMap(1, v, g);
    int row = (500 + 500 - 500) * 16 / 1000;
    EXPECT_EQ(g.Ch[row][7], '@');
    EXPECT_EQ(g.Colour[row][7], 15);
    EXPECT_EQ(g.Ch[row][38], 'O');
    EXPECT_EQ(g.Colour[row][38], 14);   // house 2's colour
    EXPECT_EQ(g.Ch[row][53], '$');
    EXPECT_EQ(g.Ch[row][75], 'o');
    EXPECT_EQ(g.Colour[row][75], 8);    // not seen now
    EXPECT_EQ(g.Ch[row][10], '.');
    EXPECT_EQ(g.Ch[row][30], ':');
    EXPECT_EQ(g.Colour[row][30], 12);
    EXPECT_EQ(g.Ch[row][1], ' ');       // no labels at zoom 1
    std::vector<std::string> lines = MapLines(g);
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[row].substr(0, 12), "`7       `F@");

    // At zoom 2 centred on Gamma: labels where three cells are free, none
    // beyond column 73; a closing lane turns dots into colons, never back.
    v.Zoom = 2;
    v.CentreX = 500;
    v.CentreY = 500;
    Game.Systems[4].X = 748;   // column (260 + 248) * 77 / 520 = 75
    Game.Lanes[0].State = LaneOpen;
    DrawMap(1, v, g);
    row = 8;
    int beta = (260 + 300 - 500) * 77 / 520, gamma = (260 + 500 - 500) * 77 / 520;
    EXPECT_EQ(std::string(&g.Ch[row][beta], 2), "o:");   // the closing lane leaves no room
    EXPECT_EQ(std::string(&g.Ch[row][gamma], 4), "OGam");
    EXPECT_EQ(g.Colour[row][gamma + 1], 3);
    EXPECT_EQ(g.Ch[row][75], 'o');
    EXPECT_EQ(g.Ch[row][76], ' ');
    EXPECT_EQ(g.Ch[row][gamma - 2], ':');

    // Two systems in one cell: the later one in system order wins it.
    Game.Systems[1].X = 500;
    DrawMap(1, v, g);
    EXPECT_EQ(g.Ch[row][gamma], 'O');
    Game.Systems[1].X = 300;
    Game.Systems[2].X = 300;
    Game.Worlds[2].Owner = 0;
    DrawMap(1, v, g);
    EXPECT_EQ(g.Ch[row][beta], 'o');
}

TEST(Map, SystemViewOfASystemNeverSeen)
{
    NamedRow({"Alpha", "Beta", "Gamma"});
    Chart(1, 2).SeenDay = 0;
    Chart(1, 1).SeenDay = 2;   // seen long ago, owned by house 2 then
    Chart(1, 1).SeenOwner = 2;
    AddTestHouse(2, "House Mor", 1);
    Game.Worlds[1].Owner = 2;
    Game.Worlds[2].Owner = 2;
    AddTestFleet(2, 2, ShipLancer, 3);
    HouseRec(1).Capital = HouseRec(1).HomeWorld = 0;
    Game.Worlds[0].Owner = 1;
    TLine line;
    line.Keys(" ");
    SystemView(2);
    const TScreen& s = line.Seen();
    EXPECT_EQ(s.Row(0), "Gamma   never seen");
    EXPECT_EQ(s.Row(1), "2 lanes from your capital");
    EXPECT_EQ(s.Row(4).substr(0, 30), "  " + PadRight(WorldName(2), 18) + PadRight("Temperate", 10));
    EXPECT_NE(s.Row(4).find("unclaimed when last seen"), std::string::npos);
    EXPECT_FALSE(s.Has("Fleets here"));
    EXPECT_FALSE(s.Has("Lancer"));
    EXPECT_TRUE(s.Has("  to Beta"));
    line.Keys(" ");
    SystemView(1);
    EXPECT_TRUE(line.Seen().Has("last seen on day 2"));
    EXPECT_TRUE(line.Screen.Has("(no current information)"));
    EXPECT_TRUE(line.Screen.Has("  to Gamma            (unexplored)"));
}

TEST(Visit, UnexpectedFailuresAreLoggedAndReleaseTheLock)
{
    TScratch dir;
    NamedRow({"Alpha", "Beta"});
    ASSERT_TRUE(SaveGame(dir.Path(GameFileName)));
    Caller.House = 0;
    Caller.Folder = dir.Dir;
    Caller.Node = 7;
    Caller.Player = "Ann Caller";
    TLine line;
    GuardedVisit([] { throw std::runtime_error("a test failure"); });
    EXPECT_TRUE(line.Seen().Has("Something went wrong; the sysop has been told. Your orders are saved."));
    std::string log = ReadFile(dir.Path(ErrorsLogName));
    ASSERT_EQ(Lines(log).size(), 1u);
    EXPECT_EQ(log.substr(4, 1), "-");
    EXPECT_NE(log.find("  node 7  Ann Caller  std::runtime_error: a test failure\r\n"), std::string::npos);
    // Inside a change: the lock goes, and no saved orders are promised.
    GuardedVisit([] {
        ASSERT_TRUE(GameBegin());
        throw std::out_of_range("in a change");
    });
    EXPECT_FALSE(PathExists(LockFolderPath(dir.Dir)));
    EXPECT_FALSE(GameLockHeld());
    EXPECT_TRUE(line.Seen().Has("Your last change was not saved."));
    EXPECT_EQ(Lines(ReadFile(dir.Path(ErrorsLogName))).size(), 2u);
    // A hang-up is no failure: nothing logged.
    GuardedVisit([] { throw EHangup(); });
    EXPECT_EQ(Lines(ReadFile(dir.Path(ErrorsLogName))).size(), 2u);
}

TEST(Visit, ANameTakenOnAnotherNodeMeanwhileIsRefusedAfterTheLock)
{
    TScratch dir;
    std::string summary;
    ASSERT_TRUE(StartGame(dir.Dir, DefaultSettings(), 5, summary));
    ASSERT_TRUE(SaveGame(dir.Path("LOOK.DAT")));   // the caller's look, before
    // Meanwhile another caller founds "Astra" on another node.
    ASSERT_GT(FoundHouse("Astra", "Bob", 0), 0);
    ASSERT_TRUE(SaveGame(dir.Path(GameFileName)));
    ASSERT_TRUE(LoadGame(dir.Path("LOOK.DAT")));
    Caller = TCaller();
    Caller.Folder = dir.Dir;
    Caller.Player = "Ann Caller";
    TLine line;
    line.Keys("YAstra\r\r ");
    EXPECT_EQ(JoinScreen(), 0);
    EXPECT_TRUE(line.Seen().Has("That name is too short, too long, or taken."));
    EXPECT_FALSE(PathExists(LockFolderPath(dir.Dir)));
    ASSERT_TRUE(LoadGame(dir.Path(GameFileName)));
    EXPECT_EQ(FindHouseByPlayer("Ann Caller"), -1);
    EXPECT_EQ(FindHouseByPlayer("Bob"), 3);
}
