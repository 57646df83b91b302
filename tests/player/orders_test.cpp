// The order screens end to end: thyre started as a BBS starts it, orders
// given through the screens, checked in THYRE.DAT, and carried out by the
// night (ydmaint turn).
#include <gtest/gtest.h>

#include "core/files.h"
#include "core/founding.h"
#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/routes.h"
#include "core/text.h"
#include "core/stores.h"
#include "tests/player/door_session.h"

namespace {

// Ann's house Astra, and Bob's house Borel; both have seen each other's home.
struct TTwoHouses {
    TGameFolder G;
    int Ann = 0, Bob = 0;
    TTwoHouses()
    {
        G.Load();
        Ann = FoundHouse("Astra", "Ann Caller", 0);
        Bob = FoundHouse("Borel", "Bob Jones", 0);
        Chart(Ann, CapitalSystem(Bob)).SeenDay = 1;
        Chart(Bob, CapitalSystem(Ann)).SeenDay = 1;
        G.Save();
    }
    std::string Bytes() const { return ReadFile(G.S.Path(GameFileName)); }
};

// A session at the main menu.
bool AtMenu(TSession& s, const TGameFolder& g, THarnessMode mode, const std::string& user)
{
    return s.Start(g, mode, user) && s.Expect("Your command: ");
}

void Night(const TGameFolder& g)
{
    TRun r = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "turn"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
}

// A neighbour of the system with a world nobody holds that a Seeder may
// settle: the system, and the world's place in the system's list.
bool FreeWorldNear(int s, int& system, int& place)
{
    for (int n : Neighbours(s)) {
        const TSystem& sys = Game.Systems[n];
        for (int i = 0; i < sys.WorldCount; i++) {
            const TWorld& w = Game.Worlds[sys.FirstWorld + i];
            if (w.Owner == 0 && w.Kind != KindRuin) {
                system = n;
                place = i;
                return true;
            }
        }
    }
    return false;
}

int FleetNamed(int h, const std::string& name)
{
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h && StrGet(Game.Fleets[f].Name) == name) return f;
    return -1;
}

} // namespace

TEST(Orders, MoveSettleAndInvadeAreCarriedOutAtNight)
{
    TTwoHouses t;
    t.G.Load();
    int home = CapitalSystem(t.Ann);
    int target = -1, place = -1;
    ASSERT_TRUE(FreeWorldNear(home, target, place));
    int world = Game.Systems[target].FirstWorld + place;
    // An independent world next door, weakly held, and an army to take it.
    int prey = -1;
    for (int n : Neighbours(home))
        for (int i = 0; i < Game.Systems[n].WorldCount && prey < 0; i++) {
            int w = Game.Systems[n].FirstWorld + i;
            if (w != world && Game.Worlds[w].Owner == 0 && Game.Worlds[w].Kind != KindRuin) prey = w;
        }
    ASSERT_GE(prey, 0);
    TWorld& pw = Game.Worlds[prey];
    pw.Owner = HouseIndependents;
    pw.Pop = 500;
    pw.Garrison = 1;
    pw.Shield = 0;
    int army = NewFleet(t.Ann, home, "Army");
    Game.Fleets[army].Ships[ShipLancer] = 20;
    Game.Fleets[army].Ships[ShipHauler] = 5;
    Game.Fleets[army].Troops = 50;
    t.G.Save();
    std::string scoutsTo = SystemName(target), preySystem = SystemName(pw.System);

    TSession s;
    ASSERT_TRUE(AtMenu(s, t.G, ViaSocket, "Ann Caller"));
    s.Key("F");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    EXPECT_EQ(s.Screen.Row(0), " #  Fleet           At              Heading for          Order    Ships");
    EXPECT_EQ(s.Screen.Row(2).substr(0, 20), " 2  Scouts          ");
    EXPECT_NE(s.Screen.Row(3).find("1Ha 1Se +10tr"), std::string::npos);
    s.Key("2\r");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(0), "Scouts at " + SystemName(home));
    EXPECT_EQ(s.Screen.Row(2), "Ships:     2 Skiff");
    s.Key("M" + scoutsTo + "\r");
    ASSERT_TRUE(s.Expect("Orders given."));
    EXPECT_TRUE(s.Screen.Has("1 lane; up to "));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(4), "Heading:   " + scoutsTo + " (1d)");
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    s.Key("3\rS");
    ASSERT_TRUE(s.Expect("(Y/N)"));
    EXPECT_TRUE(s.Screen.Has("Here at " + SystemName(home) + "?"));
    s.Key("N" + scoutsTo + "\r");
    if (Game.Systems[target].WorldCount > 1) {
        ASSERT_TRUE(s.Expect("Which world? "));
        s.Key(IntToText(place + 1) + "\r");
    }
    ASSERT_TRUE(s.Expect("Orders given."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    s.Key("4\rI");   // the army
    ASSERT_TRUE(s.Expect("(Y/N)"));
    s.Key("N" + preySystem + "\r");
    ASSERT_TRUE(s.Expect("Which world? "));
    s.Key(IntToText(prey - Game.Systems[pw.System].FirstWorld + 1) + "\r");
    ASSERT_TRUE(s.Expect("Orders given."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("Q\r");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);

    t.G.Load();
    int scouts = FleetNamed(t.Ann, "Scouts");
    EXPECT_EQ((int)Game.Fleets[scouts].Order, (int)OrderMove);
    EXPECT_EQ((int)Game.Fleets[scouts].Dest, target);
    EXPECT_EQ((int)Game.Fleets[FleetNamed(t.Ann, "Settlers")].Target, world);
    EXPECT_EQ((int)Game.Fleets[army].Order, (int)OrderInvade);
    for (int night = 0; night < 3; night++) {
        Night(t.G);
        t.G.Load();
        if (Game.Worlds[world].Owner == t.Ann && Game.Worlds[prey].Owner == t.Ann) break;
    }
    EXPECT_EQ((int)Game.Fleets[scouts].Loc, target);
    EXPECT_EQ((int)Game.Worlds[world].Owner, t.Ann);
    EXPECT_EQ((int)Game.Worlds[prey].Owner, t.Ann);
}

TEST(Orders, SplitJoinRenameAndTheirRefusals)
{
    TTwoHouses t;
    TSession s;
    ASSERT_TRUE(AtMenu(s, t.G, ViaPipes, "Ann Caller"));
    s.Key("F1\r");
    ASSERT_TRUE(s.Expect("back: "));
    std::string before = t.Bytes();
    // A count the fleet can't give ends the dialogue.
    s.Key("T9\r");
    ASSERT_TRUE(s.Expect("Please give a number from 0 to 4."));
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_FALSE(s.Screen.Has("Name for the new fleet"));
    // Nothing taken: the name is still asked, the split refused.
    s.Key(" T0\r0\r\r");
    ASSERT_TRUE(s.Expect("Pick some ships."));
    s.Key(" N");
    ASSERT_TRUE(s.Expect("New name: "));
    s.Key("Va`Cnish\r");
    ASSERT_TRUE(s.Expect("Fleet names can't hold colour codes."));
    EXPECT_EQ(t.Bytes(), before);
    s.Key("T2\r1\r\r");
    ASSERT_TRUE(s.Expect("Detachment is formed."));
    s.Key(" J");
    ASSERT_TRUE(s.Expect("Join which fleet into this one? "));
    EXPECT_TRUE(s.Screen.Has("   3  Detachment      2La 1Wa"));
    s.Key("3\r");
    ASSERT_TRUE(s.Expect("The fleets are joined."));
    s.Key(" NGuard\r");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(0).substr(0, 9), "Guard at ");
    s.Key("Q\rQY");
    EXPECT_EQ(s.Exit(), 0);
    t.G.Load();
    int f = FleetNamed(t.Ann, "Guard");
    ASSERT_GE(f, 0);
    EXPECT_EQ((int)Game.Fleets[f].Ships[ShipLancer], 4);
    EXPECT_EQ((int)Game.Fleets[f].Ships[ShipWarden], 2);
    EXPECT_EQ(FleetNamed(t.Ann, "Detachment"), -1);
}

TEST(Orders, BuildCancelFocusAndResearch)
{
    TTwoHouses t;
    t.G.Load();
    HouseRec(t.Ann).ResPoints = 101;
    int ore = HouseRec(t.Ann).Ore;
    int home = HouseRec(t.Ann).HomeWorld;
    t.G.Save();
    TSession s;
    ASSERT_TRUE(AtMenu(s, t.G, ViaTerminal, "Ann Caller"));
    s.Key("BS");
    ASSERT_TRUE(s.Expect("Build which ship (number)? "));
    EXPECT_TRUE(s.Screen.Has(" 1  Skiff       10       1     3      2  scout: explores, sees one lane ahead"));
    s.Key("1\r");
    ASSERT_TRUE(s.Expect("How many (up to " + IntToText(ore / 10) + ")? "));
    s.Key("2\r");
    ASSERT_TRUE(s.Expect("ready tomorrow."));
    EXPECT_TRUE(s.Screen.Has("2 Skiffs ordered at " + WorldName(home) + "; ready tomorrow."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(s.Screen.Row(2), " 1  " + PadRight(WorldName(home), 18) + "2 Skiff");
    t.G.Load();
    EXPECT_EQ((int)HouseRec(t.Ann).Ore, ore - 20);
    // A building: the table, then Enter orders nothing.
    s.Key("B1\r");
    ASSERT_TRUE(s.Expect("Build which (number)? ")) << s.Bbs.Screen;
    s.Key("\r");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("C1\r");
    ASSERT_TRUE(s.Expect("Order cancelled."));
    t.G.Load();
    EXPECT_EQ((int)HouseRec(t.Ann).Ore, ore);
    EXPECT_EQ((int)Game.Header.BuildCount, 0);
    s.Key(" Q");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("W");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    EXPECT_EQ(s.Screen.Colour(1, 3), 14);   // the capital stands out
    EXPECT_EQ(s.Screen.Colour(2, 3), 7);
    s.Key("1\rFM");
    ASSERT_TRUE(s.Expect("back: "));
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_TRUE(s.Screen.Has("Focus: Mining"));
    s.Key("Q\rT");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_TRUE(s.Screen.Has("> 1  Drives     level 0 of 4   101 of 120 points"));
    s.Key("2");
    ASSERT_TRUE(s.Expect("(Y/N)"));
    EXPECT_TRUE(s.Screen.Has("Switch to Arms? You lose 51 of 101 points. (Y/N)")) << s.Screen.Text();
    s.Key("Y");
    ASSERT_TRUE(s.Expect("Research changed."));
    s.Key(" Q");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);
    t.G.Load();
    EXPECT_EQ((int)Game.Worlds[home].Focus, (int)FocusMining);
    EXPECT_EQ((int)HouseRec(t.Ann).ResTrack, 1);
    EXPECT_EQ((int)HouseRec(t.Ann).ResPoints, 50);
}

TEST(Orders, TwoCallersOnTwoNodesSignWriteAndTrade)
{
    TTwoHouses t;
    TSession ann, bob;
    ASSERT_TRUE(AtMenu(ann, t.G, ViaSocket, "Ann Caller"));
    ASSERT_TRUE(AtMenu(bob, t.G, ViaTerminal, "Bob Jones"));
    t.G.Load();
    int influence = HouseRec(t.Ann).Influence;
    ann.Key("D");
    ASSERT_TRUE(ann.Expect("back: "));
    EXPECT_EQ(ann.Screen.Row(3).substr(0, 30), "Borel                    none");
    ann.Key("O1\rP");
    ASSERT_TRUE(ann.Expect("Offer sent."));
    ann.Key(" ");
    ASSERT_TRUE(ann.Expect("back: "));
    EXPECT_NE(ann.Screen.Row(3).find("you offered Peace"), std::string::npos);
    // A gift needs a Trade treaty: refused before anything is locked.
    std::string before = t.Bytes();
    ann.Key("G1\r");
    ASSERT_TRUE(ann.Expect("You need a Trade treaty with them to send resources."));
    ann.Key(" T\r");   // Enter at the house stops the tribute dialogue
    ASSERT_TRUE(ann.Expect("back: "));
    ASSERT_TRUE(ann.Expect("back: "));
    EXPECT_EQ(t.Bytes(), before);

    bob.Key("D");
    ASSERT_TRUE(bob.Expect("back: "));
    EXPECT_NE(bob.Screen.Row(3).find("offers Peace"), std::string::npos);
    bob.Key("A1\r");
    ASSERT_TRUE(bob.Expect("Signed: Peace with Astra."));
    bob.Key(" Q");
    ASSERT_TRUE(bob.Expect("Your command: "));
    t.G.Load();
    EXPECT_EQ((int)Relation(t.Ann, t.Bob).Treaties, (int)TreatyPeace);
    EXPECT_EQ((int)Relation(t.Bob, t.Ann).Treaties, (int)TreatyPeace);
    EXPECT_EQ((int)HouseRec(t.Ann).Influence, influence - 20);
    EXPECT_EQ((int)Relation(t.Ann, t.Bob).Offer, 0);

    // Ann's screen still shows the look from before the signing: a new look.
    ann.Key("QD");
    ASSERT_TRUE(ann.Expect("back: "));
    EXPECT_NE(ann.Screen.Row(3).find("Peace"), std::string::npos);
    ann.Key("E1\r");
    ASSERT_TRUE(ann.Expect("Giving notice ends them in 3 days."));
    ann.Key("N");
    ASSERT_TRUE(ann.Expect("[press a key]"));
    ann.Key(" T1\r25\r");
    ASSERT_TRUE(ann.Expect("[press a key]"));
    ann.Key(" Q");
    ASSERT_TRUE(ann.Expect("Your command: "));
    t.G.Load();
    EXPECT_EQ((int)Relation(t.Bob, t.Ann).NoticeDay, 4);
    EXPECT_EQ((int)Relation(t.Ann, t.Bob).Tribute, 25);
    // A letter, with a colour code made harmless.
    ann.Key("SS1\rHello `CBob\r\r");
    ASSERT_TRUE(ann.Expect("Sent."));
    ann.Key(" Q");
    ASSERT_TRUE(ann.Expect("Your command: "));
    ann.Key("QY");
    EXPECT_EQ(ann.Exit(), 0);

    // Bob: the notices and the letter wait for him.
    EXPECT_EQ(CountUnread(t.G.S.Dir, t.Bob), 4);
    bob.Key("H");
    ASSERT_TRUE(bob.Expect("[press a key]"));
    bob.Key(" ");
    ASSERT_TRUE(bob.Expect("Your command: "));
    EXPECT_TRUE(bob.Screen.Has("  4 new messages."));
    bob.Key("SR");
    ASSERT_TRUE(bob.Expect("[press a key]"));
    EXPECT_TRUE(bob.Screen.Has("Day 1  from Astra  (new)"));
    EXPECT_TRUE(bob.Screen.Has("  Hello 'CBob"));
    EXPECT_TRUE(bob.Screen.Has("  Astra offers you a Peace treaty (see Diplomacy)."));
    EXPECT_TRUE(bob.Screen.Has("  Astra will pay you 25 ore a day in tribute."));
    bob.Key(" Q");
    ASSERT_TRUE(bob.Expect("Your command: "));
    EXPECT_EQ(CountUnread(t.G.S.Dir, t.Bob), 0);
    bob.Key("QY");
    EXPECT_EQ(bob.Exit(), 0);
    EXPECT_FALSE(t.G.Locked());

    // The night pays the tribute: the same night in a copy of the game
    // without it leaves Bob 25 ore poorer and Ann 25 richer.
    TScratch copy;
    t.G.Load();
    Relation(t.Ann, t.Bob).Tribute = 0;
    ASSERT_TRUE(SaveGame(copy.Path(GameFileName)));
    Night(t.G);
    TRun r = RunProgram(YDMAINT_PATH, {"-d", copy.Dir, "turn"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    ASSERT_TRUE(LoadGame(copy.Path(GameFileName)));
    int64_t annWithout = HouseRec(t.Ann).Ore, bobWithout = HouseRec(t.Bob).Ore;
    t.G.Load();
    EXPECT_EQ(HouseRec(t.Ann).Ore - annWithout, -25);
    EXPECT_EQ(HouseRec(t.Bob).Ore - bobWithout, 25);
}

TEST(Orders, TheExchangeOnlyOnceFound)
{
    TTwoHouses t;
    t.G.Load();
    int ex = Game.Header.ExchangeSystem;
    ASSERT_GE(ex, 0);
    Chart(t.Ann, ex).SeenDay = 0;
    t.G.Save();
    std::string hidden = SystemName(ex);
    TSession s;
    ASSERT_TRUE(AtMenu(s, t.G, ViaSocket, "Ann Caller"));
    s.Key("X");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_EQ(s.Screen.Row(0), "The Exchange");
    EXPECT_EQ(s.Screen.Row(2) + " " + s.Screen.Row(3),
              "You haven't found the Exchange yet. It lies somewhere near the middle of the Thyre.");
    s.Key(" QY");
    EXPECT_EQ(s.Exit(), 0);

    t.G.Load();
    Chart(t.Ann, ex).SeenDay = 1;
    int scouts = FleetNamed(t.Ann, "Scouts");
    Game.Fleets[scouts].Loc = (int16_t)ex;
    HouseRec(t.Ann).Fuel = 100;
    int ore = HouseRec(t.Ann).Ore;
    Game.Header.Price[1] = 120;
    t.G.Save();
    TSession again;
    ASSERT_TRUE(AtMenu(again, t.G, ViaSocket, "Ann Caller"));
    again.Key("X");
    ASSERT_TRUE(again.Expect("back: "));
    EXPECT_EQ(again.Screen.Row(0), "The Exchange at " + hidden);
    EXPECT_EQ(again.Screen.Row(2), "Prices today, in ore:  1 ore = 1.00   1 fuel = 1.20   1 influence = 3.00");
    EXPECT_EQ(again.Screen.Row(4), "You have a presence here: no broker's fee.");
    again.Key("FO100\r");
    ASSERT_TRUE(again.Expect("You sold 100 fuel for 108 ore."));
    again.Key(" ");
    ASSERT_TRUE(again.Expect("back: "));
    EXPECT_EQ(again.Screen.Row(2), "Prices today, in ore:  1 ore = 1.00   1 fuel = 1.13   1 influence = 3.00");
    again.Key("Q");
    ASSERT_TRUE(again.Expect("Your command: "));
    again.Key("QY");
    EXPECT_EQ(again.Exit(), 0);
    t.G.Load();
    EXPECT_EQ((int)HouseRec(t.Ann).Ore, ore + 108);
    EXPECT_EQ((int)HouseRec(t.Ann).Fuel, 0);
}
