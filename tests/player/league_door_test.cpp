// A caller on a league member's board, through the real door: founding is a
// request for the host; once the host has founded it the caller finds the
// house of this board (not another board's player of the same name), the
// bar and the standings name the league and the boards, and every change
// lands in the journal as well as in the copy.
#include <gtest/gtest.h>

#include "core/founding.h"
#include "core/league.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/stores.h"
#include "core/diplomacy.h"
#include "tests/player/door_session.h"

TEST(LeagueDoor, AMembersCallerRequestsAHouseThenPlaysIt)
{
    TGameFolder g;
    const std::string dir = g.S.Dir;
    WriteFile(dir + "LEAGUE.CFG", "League = Thyre Cup\nRole = member\nNode = 21:1/101\nBoard = One BBS\n"
                                  "Host = 21:1/100\nInbound = " + dir + "\nOutbound = " + dir + "\n");
    // The host refused this caller's last request: told once, on the next call.
    WriteFile(dir + "LEAGUE.DAT", "Refused = 21:1/101, 3, 1, 20, Sam, Capella, the name was taken on another board\r\n"
                                  "RefusedSeen = 3\r\n");
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket, "Sam"));
    ASSERT_TRUE(s.Expect("Your house Capella could not be founded: the name was taken on another board."));
    s.Key("\r");
    ASSERT_TRUE(s.Expect("Will you found a house in the Thyre?"));
    EXPECT_EQ(ReadFile(dir + "LEAGUE.DAT").find("Capella"), std::string::npos);
    s.Key("Y");
    ASSERT_TRUE(s.Expect(": "));
    s.Key("Astra\r");
    ASSERT_TRUE(s.Expect("will be founded at the host's next exchange"));
    s.Key("\r");
    EXPECT_EQ(s.Exit(), 0);
    // A second call is told the house is on its way, and asks nothing.
    TSession waiting;
    ASSERT_TRUE(waiting.Start(g, ViaSocket, "Sam"));
    ASSERT_TRUE(waiting.Expect("House Astra will be founded at the host's next exchange"));
    waiting.Key("\r");
    EXPECT_EQ(waiting.Exit(), 0);
    // The request waits in the journal; the copy has no such house.
    std::vector<TJournalEntry> journal;
    ASSERT_TRUE(ReadJournal(dir, journal));
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].Change.Kind, ChangeFound);
    EXPECT_EQ(journal[0].Change.Text, "Astra");
    EXPECT_EQ(journal[0].Change.Player, "Sam");
    g.Load();
    EXPECT_FALSE(HouseNameTaken("Astra", 0));

    // The host founded it, after another board's Sam founded Bravo.
    int bravo = FoundHouse("Bravo", "Sam", 0), astra = FoundHouse("Astra", "Sam", 0);
    ASSERT_GT(astra, bravo);
    // Bravo offers peace, and writes.
    Relation(bravo, astra).Offer = TreatyPeace;
    HouseRec(bravo).Influence = HouseRec(astra).Influence = 500;
    g.Save();
    ASSERT_TRUE(SendMessage(dir, bravo, astra, Game.Header.Day, {"Peace?"}));
    TLeagueState st = ReadLeagueState(dir);
    st.HouseBoard[bravo] = "21:1/102";
    st.HouseBoard[astra] = "21:1/101";
    st.Boards = {{"21:1/100", "Host BBS"}, {"21:1/101", "One BBS"}, {"21:1/102", "Two BBS"}};
    ASSERT_TRUE(WriteLeagueState(dir, st));
    ASSERT_TRUE(JournalTrim(dir, 1));

    // The first call after it shows the first steps, as founding does on
    // a single board; the next call goes straight to the menu.
    TSession again;
    ASSERT_TRUE(again.Start(g, ViaSocket, "Sam"));
    ASSERT_TRUE(again.Expect("Good first steps"));
    EXPECT_NE(again.Screen.Row(0).find("House Astra is founded at"), std::string::npos) << again.Screen.Row(0);
    again.Key("\r");
    ASSERT_TRUE(again.Expect("Your command: "));
    EXPECT_EQ(again.Screen.Row(0).substr(0, 11), " Thyre Cup ");
    EXPECT_NE(again.Screen.Row(0).find("House Astra"), std::string::npos) << again.Screen.Row(0);
    again.Key("T");
    ASSERT_TRUE(again.Expect("back: "));
    g.Load();
    int track = HouseRec(astra).ResTrack == 2 ? 3 : 2;
    again.Key(std::to_string(track + 1));
    ASSERT_TRUE(again.Expect("Research changed."));
    again.Key("\r");
    ASSERT_TRUE(again.Expect("back: "));
    again.Key("Q");
    ASSERT_TRUE(again.Expect("Your command: "));
    again.Key("N");
    ASSERT_TRUE(again.Expect("key to go back: "));
    std::string standings;
    for (int r = 0; r < 24; r++) standings += again.Screen.Row(r) + "\n";
    EXPECT_NE(standings.find("worlds  One BBS"), std::string::npos) << standings;
    EXPECT_NE(standings.find("worlds  Two BBS"), std::string::npos) << standings;
    again.Key("\r");
    ASSERT_TRUE(again.Expect("Your command: "));
    // Accepting Bravo's offer: signed at the host, and said so; no notice
    // of a signed treaty goes from this board.
    again.Key("D");
    ASSERT_TRUE(again.Expect("back: "));
    again.Key("A");
    ASSERT_TRUE(again.Expect("Accept an offer from which house? "));
    again.Key("1\r");
    ASSERT_TRUE(again.Expect("The league's host signs it tonight (or writes to say why not)."));
    EXPECT_NE(again.Screen.Text().find("Accepted: Peace with Bravo."), std::string::npos) << again.Screen.Text();
    again.Key("\r");
    ASSERT_TRUE(again.Expect("back: "));
    again.Key("Q");
    ASSERT_TRUE(again.Expect("Your command: "));
    again.Key("QY");
    EXPECT_EQ(again.Exit(), 0);
    EXPECT_EQ(ReadFile(dir + "MSGS.DAT").find("has accepted your"), std::string::npos);
    TSession third;
    ASSERT_TRUE(third.Start(g, ViaSocket, "Sam"));
    ASSERT_TRUE(third.Expect("Your command: "));
    EXPECT_EQ(third.Screen.Text().find("Good first steps"), std::string::npos);
    third.Key("QY");
    EXPECT_EQ(third.Exit(), 0);

    // The change is in the copy and in the journal, for Astra only.
    g.Load();
    EXPECT_EQ(HouseRec(astra).ResTrack, track);
    ASSERT_TRUE(ReadJournal(dir, journal));
    bool research = false, accepted = false;
    for (const TJournalEntry& e : journal) {
        EXPECT_EQ(e.Change.House, astra);
        research = research || (e.Change.Kind == ChangeResearch && e.Change.Args[0] == track);
        accepted = accepted || (e.Change.Kind == ChangeAcceptTreaty && e.Change.Args[0] == bravo);
        EXPECT_NE(e.Change.Kind, ChangeLetter);
    }
    EXPECT_TRUE(research);
    EXPECT_TRUE(accepted);
}
