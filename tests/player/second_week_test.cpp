// A player's second week, played end to end with thyre started as a BBS
// starts it: what another node, the sysop's program and the nightly run
// change between two keys is what the next screen shows and acts on; a game
// busy for the whole wait keeps the caller; words typed past a line go on to
// the next; and every key that cannot do what it asks says why.
#include <gtest/gtest.h>

#include "core/files.h"
#include "core/founding.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/orders.h"
#include "core/osfs.h"
#include "core/routes.h"
#include "core/stores.h"
#include "core/text.h"
#include "tests/player/door_session.h"

namespace {

// The standings line of a house on the news screen, or empty.
std::string StandingsRow(const TSession& s, const std::string& house)
{
    int row = s.Screen.Find(". " + house);
    return row < 0 ? "" : s.Screen.Row(row);
}

// The bytes the caller was sent since the last occurrence of `from`.
std::string SentSince(const TSession& s, const std::string& from)
{
    size_t at = s.Bbs.Screen.rfind(from);
    return at == std::string::npos ? "" : s.Bbs.Screen.substr(at);
}

// House h's fleet called name, or -1.
int FleetNamed(int h, const std::string& name)
{
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h && StrGet(Game.Fleets[f].Name) == name) return f;
    return -1;
}

} // namespace

TEST(SecondWeek, EveryScreenShowsTodayAndABusyGameKeepsTheCaller)
{
    TGameFolder g;
    g.Load();
    int ann = FoundHouse("Astra", "Ann Caller", 0);
    int bob = FoundHouse("Borel", "Bob Jones", 0);
    // Each has seen the other's home.
    Chart(ann, CapitalSystem(bob)).SeenDay = 1;
    Chart(bob, CapitalSystem(ann)).SeenDay = 1;
    HouseRec(ann).Influence = HouseRec(bob).Influence = 500;
    HouseRec(ann).ResPoints = 89;
    g.Save();

    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("D");
    ASSERT_TRUE(s.Expect("back: "));
    ASSERT_GE(s.Screen.Find("Borel"), 0);
    EXPECT_EQ(s.Screen.Row(s.Screen.Find("Borel")).find("offers"), std::string::npos);

    // Bob, on another node, offers peace while Ann looks at the list; he
    // presses Q on the menu, is asked once, stays, then leaves.
    TSession bobs;
    ASSERT_TRUE(bobs.Start(g, ViaPipes, "Bob Jones"));
    ASSERT_TRUE(bobs.Expect("Your command: "));
    bobs.Key("DO");
    ASSERT_TRUE(bobs.Expect("Offer to which house? "));
    bobs.Key("1\rP");
    ASSERT_TRUE(bobs.Expect("Offer sent."));
    bobs.Key(" Q");
    ASSERT_TRUE(bobs.Expect("Your command: "));
    bobs.Key("Q");
    ASSERT_TRUE(bobs.Expect("(Y/N)"));
    EXPECT_TRUE(bobs.Screen.Has("Leave the Thyre? (Y/N)")) << bobs.Screen.Text();
    bobs.Key("N");
    ASSERT_TRUE(bobs.Expect("Your command: "));
    EXPECT_FALSE(bobs.Seen("The Thyre will wait for you"));
    bobs.Key("QY");
    ASSERT_TRUE(bobs.Expect("The Thyre will wait for you."));
    EXPECT_EQ(bobs.Exit(), 0);

    // Ann's Accept acts on the offer made a minute ago, not on her list.
    s.Key("A");
    ASSERT_TRUE(s.Expect("Accept an offer from which house? "));
    EXPECT_FALSE(s.Screen.Has("Nobody has offered you anything."));
    s.Key("1\r");
    ASSERT_TRUE(s.Expect("Signed: Peace with Borel."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_NE(s.Screen.Row(s.Screen.Find("Borel")).find("Peace"), std::string::npos);
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Your command: "));

    // Research: the switch says what it costs, in the game's own numbers,
    // and No keeps every point.
    s.Key("T2");
    ASSERT_TRUE(s.Expect("(Y/N)"));
    EXPECT_TRUE(s.Screen.Has("Switch to Arms? You lose 45 of 89 points. (Y/N)")) << s.Screen.Text();
    s.Key("N");
    ASSERT_TRUE(s.Expect("back: "));
    g.Load();
    EXPECT_EQ(+HouseRec(ann).ResPoints, 89);
    EXPECT_EQ(+HouseRec(ann).ResTrack, 0);
    s.Key("2");
    ASSERT_TRUE(s.Expect("(Y/N)"));
    s.Key("Y");
    ASSERT_TRUE(s.Expect("Research changed."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    g.Load();
    EXPECT_EQ(+HouseRec(ann).ResPoints, 44);
    EXPECT_EQ(+HouseRec(ann).ResTrack, 1);
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Your command: "));

    // A second caller on Ann's house, on a third node, orders ships while
    // her build screen shows nothing on order: Cancel draws the orders
    // again and asks over them.
    s.Key("B");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_TRUE(s.Screen.Has("Nothing on order."));
    g.Load();
    int capital = HouseRec(ann).Capital;
    TSession twin;
    ASSERT_TRUE(twin.Start(g, ViaTerminal, "Ann Caller"));
    ASSERT_TRUE(twin.Expect("Your command: "));
    twin.Key("BS");
    ASSERT_TRUE(twin.Expect("Build which ship (number)? "));
    twin.Key("1\r");
    ASSERT_TRUE(twin.Expect("How many (up to "));
    twin.Key("2\r");
    ASSERT_TRUE(twin.Expect("2 Skiffs ordered at " + WorldName(capital) + "; ready tomorrow."))
        << twin.Screen.Text();
    twin.Key(" ");
    ASSERT_TRUE(twin.Expect("back: "));
    s.Key("C");
    ASSERT_TRUE(s.Expect("Cancel which order (refunded in full)? "));
    EXPECT_FALSE(s.Screen.Has("Nothing on order.")) << s.Screen.Text();
    int listed = s.Screen.Find(" 1  " + WorldName(capital));
    ASSERT_GE(listed, 0) << s.Screen.Text();
    EXPECT_NE(s.Screen.Row(listed).find("2 Skiff"), std::string::npos);
    s.Key("1\r");
    ASSERT_TRUE(s.Expect("Order cancelled."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_TRUE(s.Screen.Has("Nothing on order."));
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Your command: "));
    g.Load();
    for (int b = 0; b < Game.Header.BuildCount; b++) EXPECT_NE(Game.Builds[b].House, ann);
    // The twin's screen, redrawn by its next key, shows the cancel.
    twin.Key("S");
    ASSERT_TRUE(twin.Expect("Build which ship (number)? "));
    twin.Key("\r");
    ASSERT_TRUE(twin.Expect("back: "));
    EXPECT_TRUE(twin.Screen.Has("Nothing on order.")) << twin.Screen.Text();
    twin.Key("QQY");
    ASSERT_TRUE(twin.Expect("The Thyre will wait for you."));
    EXPECT_EQ(twin.Exit(), 0);

    // Another program gives Bob five worlds while Ann's menu waits: the
    // news she opens next counts them.
    ASSERT_TRUE(TakeLock(g.S.Dir, 5, 20));
    g.Load();
    int given = 0;
    for (int w = 0; w < Game.Header.WorldCount && given < 5; w++)
        if (Game.Worlds[w].Owner == 0) {
            Game.Worlds[w].Owner = (uint8_t)bob;
            given++;
        }
    int bobWorlds = HouseWorldCount(bob);
    g.Save();
    ReleaseLock(g.S.Dir);
    s.Key("N");
    ASSERT_TRUE(s.Expect("go back: "));
    EXPECT_NE(StandingsRow(s, "Borel").find(IntToText(bobWorlds) + " worlds"), std::string::npos)
        << s.Screen.Text();
    s.Key("x");
    ASSERT_TRUE(s.Expect("Your command: "));

    // The night runs while the menu waits: the first key tells of the new
    // day before anything of it is drawn, then the news is today's.
    TRun night = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "turn"});
    ASSERT_EQ(night.Exit, 0) << night.Out;
    g.Load();
    int annScore = HouseRec(ann).Score;
    s.Key("N");
    ASSERT_TRUE(s.Expect("A new day has dawned in the Thyre while you played."));
    EXPECT_EQ(SentSince(s, "A new day has dawned").find("News of the Thyre"), std::string::npos);
    EXPECT_FALSE(s.Screen.Has("News of the Thyre"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("go back: "));
    std::string annRow = StandingsRow(s, "Astra");
    ASSERT_FALSE(annRow.empty()) << s.Screen.Text();
    EXPECT_EQ(TrimText(annRow.substr(30, 7)), IntToText(annScore)) << annRow;
    // The first night without news reads as NEWS.TXT has it.
    bool quiet = true;
    std::vector<TEventRec> events;
    ASSERT_TRUE(ReadEvents(g.S.Dir, events));
    for (const TEventRec& e : events) quiet = quiet && !(e.House == 0 && e.Day == 1);
    EXPECT_EQ(s.Screen.Has("day   1  A quiet day in the Thyre."), quiet) << s.Screen.Text();
    EXPECT_FALSE(s.Screen.Has("No news yet."));
    s.Key("x");
    ASSERT_TRUE(s.Expect("Your command: "));
    EXPECT_NE(s.Screen.Row(0).find("Day 2"), std::string::npos) << s.Screen.Row(0);
    EXPECT_FALSE(s.Seen("A new day has dawned"));

    // A game busy for the whole wait: told, and back at the menu after a
    // key, the visit going on; once the lock is gone the screens work.
    ASSERT_TRUE(TakeLock(g.S.Dir, 5, 120));
    s.Key("W");
    ASSERT_TRUE(s.Expect("The game is busy. Please try again in a moment.", 30000));
    ASSERT_TRUE(s.Expect("[press a key]"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: ", 3000));
    EXPECT_LT(s.Bbs.ExitCode, 0);
    ReleaseLock(g.S.Dir);
    s.Key("W");
    ASSERT_TRUE(s.Expect("World number, or Enter to go back: "));
    s.Key("\r");
    ASSERT_TRUE(s.Expect("Your command: "));
    s.Key("QY");
    ASSERT_TRUE(s.Expect("The Thyre will wait for you."));
    EXPECT_EQ(s.Exit(), 0);
    EXPECT_FALSE(g.Locked());
}

TEST(SecondWeek, WordsAreKeptAndEveryKeySaysWhy)
{
    TGameFolder g;
    g.Load();
    int ann = FoundHouse("Astra", "Ann Caller", 0);
    int home = CapitalSystem(ann);
    Chart(ann, Game.Header.ExchangeSystem).SeenDay = 1;
    int settlers = -1;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == ann && StrGet(Game.Fleets[f].Name) == "Settlers") settlers = f;
    ASSERT_GE(settlers, 0);
    Game.Fleets[settlers].Dest = (int16_t)home;   // arrived where it was sent
    g.Save();

    // Escape at founding goes back to the BBS with a word.
    {
        TSession cy;
        ASSERT_TRUE(cy.Start(g, ViaSocket, "Cy Dunn"));
        ASSERT_TRUE(cy.Expect("(Y/N)"));
        cy.Key("\x1b");
        ASSERT_TRUE(cy.Expect("No house was founded. Call again when you want to join the Thyre."));
        cy.Key(" ");
        EXPECT_EQ(cy.Exit(), 0);
    }

    // The sysop's notice longer than a line goes on over the next.
    std::string notice = "The board moves to a new machine on Sunday night, so the nightly run "
                         "comes two hours late.";
    TRun cfg = RunWithInput(THYRECFG_PATH, {g.S.Dir}, "4\nY\n" + notice + "\n\n\nQ\n");
    ASSERT_EQ(cfg.Exit, 0) << cfg.Out;

    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    ASSERT_TRUE(s.Expect("Your command: "));

    // A bulletin typed past its 72 columns wraps at the last blank.
    std::string first = "Greetings from Astra to every house of the Thyre: we come in peace and we ";
    std::string second = "trade fair.";
    ASSERT_GT(first.size(), 72u);
    s.Key("SP");
    ASSERT_TRUE(s.Expect("an empty line ends the message."));
    s.Key(first);
    ASSERT_TRUE(s.Expect("we "));
    s.Render();
    EXPECT_TRUE(s.Screen.Has("> we")) << s.Screen.Text();
    // Escape after lines are typed asks before throwing them away; No goes
    // on writing.
    s.Key(second + "\r\x1b");
    ASSERT_TRUE(s.Expect("Throw away the 2 lines typed? "));
    s.Key("N\r");
    ASSERT_TRUE(s.Expect("Sent."));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    std::vector<TMessageRec> board;
    ASSERT_TRUE(ReadMailbox(g.S.Dir, 0, board));
    ASSERT_EQ(board.size(), 1u);
    EXPECT_EQ(MessageLine(board[0], 0), "Greetings from Astra to every house of the Thyre: we come in peace and");
    EXPECT_EQ(MessageLine(board[0], 1), "we trade fair.");
    // The notice reads as the sysop typed it, over two lines.
    std::vector<TMessageRec> mail;
    ASSERT_TRUE(ReadMailbox(g.S.Dir, ann, mail));
    ASSERT_EQ(mail.size(), 1u);
    EXPECT_LE(MessageLine(mail[0], 0).size(), 72u);
    EXPECT_EQ(MessageLine(mail[0], 0) + " " + MessageLine(mail[0], 1), notice);
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Your command: "));

    // Before meeting anyone, offers, tribute, gifts and ending treaties say why.
    for (const char* key : {"O", "T", "G", "E"}) {
        s.Key(std::string("D") + key);
        ASSERT_TRUE(s.Expect("You haven't met any other house yet.")) << key;
        ASSERT_TRUE(s.Expect("[press a key]")) << key;
        s.Key(" ");
        ASSERT_TRUE(s.Expect("back: "));
        s.Key("Q");
        ASSERT_TRUE(s.Expect("Your command: "));
    }

    // Selling fuel for fuel at the Exchange is answered.
    s.Key("XFF");
    ASSERT_TRUE(s.Expect("The Exchange trades fuel only for something else."));
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Your command: "));

    // A number past the fleet list is told, and the list stays.
    s.Key("F9\r");
    ASSERT_TRUE(s.Expect("Please give a number from 1 to 3."));
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    EXPECT_GE(s.Screen.Find("Settlers"), 0);
    // A rename typed past the field, then erased and typed again, is taken.
    s.Key("1\r");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("N" + std::string(20, 'x') + std::string(20, '\b') + "Eye\r");
    ASSERT_TRUE(s.Expect("The fleet is now called Eye."));
    EXPECT_FALSE(s.Seen("more than the 15 characters"));
    ASSERT_TRUE(s.Expect("back: "));
    // Ships taken off under a name another fleet has are refused it, and
    // none leave; a second nameless detachment is not the first's twin.
    g.Load();
    int eye = FleetNamed(ann, "Eye");
    ASSERT_GE(eye, 0);
    int lancers = Game.Fleets[eye].Ships[ShipLancer];
    s.Key("T");
    std::string answers = "Scouts\r";
    for (int c = ShipClasses - 1; c >= 0; c--)
        if (Game.Fleets[eye].Ships[c] > 0) answers = (c == ShipLancer ? "1\r" : "0\r") + answers;
    s.Key(answers);
    ASSERT_TRUE(s.Expect("Another of your fleets is called Scouts."));
    ASSERT_TRUE(s.Expect("[press a key]"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    for (const char* made : {"Detachment is formed.", "Detachment 2 is formed."}) {
        s.Key("T" + answers.substr(0, answers.size() - 7) + "\r");
        ASSERT_TRUE(s.Expect(made)) << s.Screen.Text();
        s.Key(" ");
        ASSERT_TRUE(s.Expect("back: "));
    }
    // A fleet without a Seeder is told so before being asked where to settle.
    s.Key("S");
    ASSERT_TRUE(s.Expect("Settling needs a Seeder in the fleet."));
    EXPECT_EQ(SentSince(s, "Fleet command").find("Here at"), std::string::npos);
    EXPECT_EQ(SentSince(s, "Fleet command").find("Which system?"), std::string::npos);
    ASSERT_TRUE(s.Expect("[press a key]"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    g.Load();
    EXPECT_EQ(Game.Fleets[eye].Ships[ShipLancer], lancers - 2);
    int scoutsCalled = 0;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        scoutsCalled += Game.Fleets[f].House == ann && StrGet(Game.Fleets[f].Name) == "Scouts";
    EXPECT_EQ(scoutsCalled, 1);
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Enter to go back: "));

    // Settling asks where once; backing out of the world returns to the
    // fleet's menu without a bare "[press a key]".
    int place = 0;
    for (int f = 0; f <= settlers; f++) place += Game.Fleets[f].House == ann;
    s.Key(IntToText(place) + "\r");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("S");
    ASSERT_TRUE(s.Expect("(Y/N)"));
    EXPECT_TRUE(s.Screen.Has("Here at " + SystemName(home) + "? (Y/N)")) << s.Screen.Text();
    EXPECT_EQ(SentSince(s, "Fleet command").find("At " + SystemName(home)), std::string::npos);
    s.Key("Y");
    ASSERT_TRUE(s.Expect("Which world? "));
    // A world already held, the house's own, is refused at the order, as
    // the night would refuse it.
    int held = s.Screen.Find("held by Astra");
    ASSERT_GE(held, 0) << s.Screen.Text();
    s.Key(TrimText(s.Screen.Row(held).substr(0, 4)) + "\r");
    ASSERT_TRUE(s.Expect(" is already yours."));
    ASSERT_TRUE(s.Expect("[press a key]"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("SY");
    ASSERT_TRUE(s.Expect("Which world? "));
    s.Key("\x1b");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(SentSince(s, "Which world? ").find("[press a key]"), std::string::npos);
    // Q while taking ships off leaves that dialogue the same way.
    s.Key("T");
    ASSERT_TRUE(s.Expect("How many "));
    s.Key("q\r");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_EQ(SentSince(s, "How many ").find("[press a key]"), std::string::npos);
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    s.Key("\rQY");
    EXPECT_EQ(s.Exit(), 0);
    g.Load();
    EXPECT_EQ(+Game.Fleets[settlers].Order, OrderHold);

    // A standing order to settle says so once its Seeder is gone (lost in a
    // battle, say), where the night would go on doing nothing in silence.
    int target = -1;
    for (int l = 0; l < Game.Header.LaneCount && target < 0; l++) {
        const TLane& ln = Game.Lanes[l];
        int other = ln.A == home ? ln.B : ln.B == home ? ln.A : -1;
        if (other < 0 || ln.State == LaneClosed) continue;
        for (int i = 0; i < Game.Systems[other].WorldCount && target < 0; i++)
            if (Game.Worlds[Game.Systems[other].FirstWorld + i].Owner == 0) target = Game.Systems[other].FirstWorld + i;
    }
    ASSERT_GE(target, 0);
    ASSERT_EQ(OrderFleet(ann, settlers, OrderSettle, -1, target), "");
    g.Save();
    TSession t;
    ASSERT_TRUE(t.Start(g, ViaPipes));
    ASSERT_TRUE(t.Expect("Your command: "));
    t.Key("F" + IntToText(place) + "\r");
    ASSERT_TRUE(t.Expect("back: "));
    int orders = t.Screen.Find("Orders:    Settle " + WorldName(target));
    ASSERT_GE(orders, 0) << t.Screen.Text();
    EXPECT_EQ(t.Screen.Row(orders + 1).find("Settling needs a Seeder"), std::string::npos);
    g.Load();
    Game.Fleets[settlers].Ships[ShipSeeder] = 0;
    g.Save();
    t.Key("L");
    ASSERT_TRUE(t.Expect("[press a key]"));
    t.Key(" ");
    ASSERT_TRUE(t.Expect("back: "));
    orders = t.Screen.Find("Orders:    Settle " + WorldName(target));
    ASSERT_GE(orders, 0) << t.Screen.Text();
    EXPECT_EQ(t.Screen.Row(orders + 1), "           Settling needs a Seeder in the fleet.") << t.Screen.Text();
    t.Key("Q\rQY");
    EXPECT_EQ(t.Exit(), 0);
}
