// What a real player met: orders that landed on another fleet, houses that
// spoke and could not be answered, words that vanished before they could be
// read, a silent wait on a busy game, a day that changed unannounced.  Each
// played end to end with thyre started as a BBS starts it.
#include <gtest/gtest.h>

#include "core/files.h"
#include "core/founding.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/orders.h"
#include "core/routes.h"
#include "core/osfs.h"
#include "core/text.h"
#include "core/stores.h"
#include "tests/player/door_session.h"

namespace {

int FleetNamed(int h, const std::string& name)
{
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h && StrGet(Game.Fleets[f].Name) == name) return f;
    return -1;
}

void Night(const TGameFolder& g)
{
    TRun r = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "turn"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
}

std::string ReportOf(const TGameFolder& g, int house)
{
    std::vector<TEventRec> events;
    EXPECT_TRUE(ReadEvents(g.S.Dir, events));
    std::string all;
    for (const TEventRec& e : events)
        if (e.House == house) all += EventText(e) + "\n";
    return all;
}

} // namespace

TEST(CallerFaults, OrdersLandOnlyOnTheFleetTheCallerSaw)
{
    TGameFolder g;
    g.Load();
    int ann = FoundHouse("Astra", "Ann Caller", 0);
    int home = CapitalSystem(ann);
    g.Save();

    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("F");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    s.Key("2\r");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(0), "Scouts at " + SystemName(home));

    // Another node of the house merges the Scouts away and splits a new
    // fleet off into the freed slot while Ann reads the Scouts' detail.
    g.Load();
    int scouts = FleetNamed(ann, "Scouts"), guard = FleetNamed(ann, "Home Guard");
    ASSERT_EQ(JoinFleets(ann, guard, scouts), "");
    int counts[7] = {1, 0, 0, 0, 0, 0, 0};
    counts[ShipLancer] = 1;
    counts[ShipSkiff] = 0;
    int raiders = -1;
    ASSERT_EQ(SplitFleet(ann, guard, counts, 0, "Raiders", &raiders), "");
    ASSERT_EQ(raiders, scouts);   // the slot is reused
    g.Save();
    std::string before = ReadFile(g.S.Path(GameFileName));

    // Return to the fleet Ann saw, which is no longer there: refused, and
    // the menu then says the fleet is gone rather than show another.
    s.Key("R");
    ASSERT_TRUE(s.Expect("That fleet has changed; look again."));
    EXPECT_FALSE(s.Seen("Orders given."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("That fleet is gone."));
    EXPECT_EQ(ReadFile(g.S.Path(GameFileName)), before);
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    EXPECT_EQ(s.Screen.Row(2).substr(0, 20), " 2  Raiders         ");
    // The fleet in the slot now, picked from the list: Hold is confirmed.
    s.Key("2\r");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(0), "Raiders at " + SystemName(home));
    s.Key("H");
    ASSERT_TRUE(s.Expect("Orders given."));
    s.Key(" ");
    // Renaming is confirmed on the redrawn menu, not lost with the old page.
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("NVanguard\r");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(0), "Vanguard at " + SystemName(home));
    EXPECT_TRUE(s.Screen.Has("The fleet is now called Vanguard."));
    // Escape backs out of a move without a word or a change, straight back
    // to the fleet's menu.
    before = ReadFile(g.S.Path(GameFileName));
    s.Key("M");
    ASSERT_TRUE(s.Expect("Move to which system? "));
    s.Key("Sol\x1b");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Bbs.Screen.find("[press a key]", s.Bbs.Screen.rfind("Move to which system? ")), std::string::npos);
    // A take-ships-off dialogue ended with q asks no name and splits nothing.
    s.Key("T");
    ASSERT_TRUE(s.Expect("How many Lancers (of 1)? "));
    s.Key("q\r");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_FALSE(s.Screen.Has("Name for the new fleet"));
    EXPECT_EQ(ReadFile(g.S.Path(GameFileName)), before);
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    s.Key("\rQY");
    EXPECT_EQ(s.Exit(), 0);

    // An escort whose charge is merged away never follows the fleet that
    // takes the slot next: it holds, and the report says why.
    g.Load();
    int settlers = FleetNamed(ann, "Settlers");
    guard = FleetNamed(ann, "Home Guard");
    int vanguard = FleetNamed(ann, "Vanguard");
    ASSERT_EQ(OrderFleet(ann, settlers, OrderEscort, -1, vanguard), "");
    ASSERT_EQ(JoinFleets(ann, guard, vanguard), "");
    EXPECT_EQ(Game.Fleets[settlers].Target, -1);
    int newcomer = NewFleet(ann, home, "Newcomer");
    ASSERT_EQ(newcomer, vanguard);
    Game.Fleets[newcomer].Ships[ShipSkiff] = 1;
    int elsewhere = -1;
    for (int n = 0; n < Game.Header.SystemCount && elsewhere < 0; n++)
        if (n != home && HopDistances(home)[n] == 1) elsewhere = n;
    ASSERT_EQ(OrderFleet(ann, newcomer, OrderMove, elsewhere, -1), "");
    g.Save();
    Night(g);
    g.Load();
    EXPECT_EQ(Game.Fleets[settlers].Order, OrderHold);
    EXPECT_EQ(Game.Fleets[settlers].Loc, home);
    EXPECT_NE(ReportOf(g, ann).find("Settlers holds: the fleet it escorted is gone."), std::string::npos)
        << ReportOf(g, ann);
}

TEST(CallerFaults, EveryHouseThatSpeaksCanBeAnswered)
{
    TGameFolder g;
    g.Load();
    int ann = FoundHouse("Astra", "Ann Caller", 0);
    int bob = FoundHouse("Borel", "Bob Jones", 0);
    int cyd = FoundHouse("Cydon", "Cy Dunn", 0);
    // Nobody has seen anybody; Bob offers peace, Cy writes.
    Relation(bob, ann).Offer = TreatyPeace;
    HouseRec(ann).Influence = HouseRec(bob).Influence = 500;
    g.Save();
    ASSERT_TRUE(SendMessage(g.S.Dir, cyd, ann, 1, {"Hello from the dark."}));

    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("D");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_FALSE(s.Screen.Has("You haven't met any other house yet"));
    int row = s.Screen.Find("Borel");
    ASSERT_GE(row, 0);
    EXPECT_NE(s.Screen.Row(row).find("offers Peace"), std::string::npos);
    EXPECT_GE(s.Screen.Find("Cydon"), 0);
    s.Key("A");
    ASSERT_TRUE(s.Expect("Accept an offer from which house? "));
    s.Key("1\r");
    ASSERT_TRUE(s.Expect("Signed: Peace with Borel."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Your command: "));
    // The letter can be answered.
    s.Key("SS");
    ASSERT_TRUE(s.Expect("To which house? "));
    EXPECT_GE(s.Screen.Find("Cydon"), 0);
    s.Key("2\rWho are you?\r\r");
    ASSERT_TRUE(s.Expect("Sent."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);
    g.Load();
    EXPECT_EQ(Relation(ann, bob).Treaties & TreatyPeace, TreatyPeace);
    std::vector<TMessageRec> mail;
    ASSERT_TRUE(ReadMailbox(g.S.Dir, cyd, mail));
    ASSERT_EQ(mail.size(), 1u);
    EXPECT_EQ(MessageLine(mail[0], 0), "Who are you?");
}

TEST(CallerFaults, WordsStayLongEnoughToRead)
{
    TGameFolder g;
    g.Load();
    FoundHouse("Astra", "Ann Caller", 0);
    g.Save();
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Your command: "));

    // The map's refusal is still there when the map is drawn again.
    s.Key("MC");
    ASSERT_TRUE(s.Expect("Centre on: "));
    s.Key("ZZZ\r");
    ASSERT_TRUE(s.Expect("uit: ")) << s.Screen.Text() << s.Bbs.Errors;
    EXPECT_GE(s.Screen.Find("No system you know of starts with \"ZZZ\"."), 0) << s.Screen.Text();
    EXPECT_GE(s.Screen.Find("Map of the Thyre"), 0);
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Your command: "));

    // A busy game says so within a second and shows a sign of life.
    ASSERT_TRUE(TakeLock(g.S.Dir, 5, 20));
    s.Key("W");
    ASSERT_TRUE(s.Expect("Please wait: the game is busy...", 1500));
    ASSERT_TRUE(s.Expect(".", 1500));
    ReleaseLock(g.S.Dir);
    ASSERT_TRUE(s.Expect("World number, or Enter to go back: "));
    EXPECT_FALSE(s.Screen.Has("Please wait"));
    s.Key("\r");
    ASSERT_TRUE(s.Expect("Your command: "));

    // The night runs while Ann reads her fleets: the next screen first says
    // the day is new, and the report offered is the new night's.
    s.Key("F");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    Night(g);
    s.Key("1\r");
    ASSERT_TRUE(s.Expect("A new day has dawned in the Thyre while you played."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    s.Key("\r");
    ASSERT_TRUE(s.Expect("Your command: "));
    EXPECT_FALSE(s.Seen("A new day has dawned"));
    EXPECT_NE(s.Screen.Row(0).find("Day 2 of"), std::string::npos) << s.Screen.Row(0);
    s.Key("R");
    ASSERT_TRUE(s.Expect("Report for the night of day 1"));
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);
}

TEST(CallerFaults, WordsReadAsEnglishAndEveryScreenRanksAlike)
{
    TGameFolder g;   // the computer houses Varro and Ostrel are in it
    g.Load();
    int ann = FoundHouse("Astra", "Ann Caller", 0);
    int capital = HouseRec(ann).Capital;
    HouseRec(ann).Ore = 5000;
    // A gas giant station of Ann's.
    int station = -1;
    for (int w = 0; w < Game.Header.WorldCount && station < 0; w++)
        if (Game.Worlds[w].Kind == KindGasGiant && Game.Worlds[w].Owner == 0) station = w;
    ASSERT_GE(station, 0);
    Game.Worlds[station].Owner = (uint8_t)ann;
    g.Save();
    TLaunch l = ThyreLaunch(g, ViaSocket, "Ben Newman");
    TSession join;
    ASSERT_TRUE(join.Start(l));
    ASSERT_TRUE(join.Expect("(Y/N)"));
    join.Key("Y");
    // The example is no house's name; a name past the field is refused, not cut.
    ASSERT_TRUE(join.Expect("e.g. "));
    join.Bbs.Pump(200);
    join.Render();
    EXPECT_NE(join.Screen.Text().find("e.g. Caldera:"), std::string::npos) << join.Screen.Text();
    join.Key(std::string(30, 'x') + "\r");
    ASSERT_TRUE(join.Expect("That is more than the 23 characters this answer can hold."));
    join.Key("\r ");
    EXPECT_EQ(join.Exit(), 0);

    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Your command: "));
    // Buildings: an Academy, and no building table for the station.
    s.Key("W");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    int place = 0;
    for (int w = 0; w <= capital; w++) place += Game.Worlds[w].Owner == ann;
    s.Key(IntToText(place) + "\rB6\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_TRUE(s.Screen.Has("An Academy is ordered on " + WorldName(capital) + "; ready tomorrow.")) << s.Screen.Text();
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    place = 0;
    for (int w = 0; w <= station; w++) place += Game.Worlds[w].Owner == ann;
    s.Key(IntToText(place) + "\rB");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_TRUE(s.Screen.Has("Nothing can be built on a gas giant station."));
    EXPECT_FALSE(s.Screen.Has("Building   Cost"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("Q\r");
    ASSERT_TRUE(s.Expect("Your command: "));
    // The status bar ranks Ann where the news standings do (ties included:
    // the computer houses and Ann start with equal scores).
    s.Key("N");
    ASSERT_TRUE(s.Expect("go back: "));
    int annRow = s.Screen.Find(". Astra");
    ASSERT_GE(annRow, 0);
    std::string place1 = s.Screen.Row(annRow).substr(2, 2);
    s.Key("x");
    ASSERT_TRUE(s.Expect("Your command: "));
    EXPECT_NE(s.Screen.Row(3).find("(rank " + TrimText(place1) + " of "), std::string::npos) << s.Screen.Row(3);
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);
    g.Load();
    EXPECT_EQ(FindHouseByPlayer("Ben Newman"), -1);
}
