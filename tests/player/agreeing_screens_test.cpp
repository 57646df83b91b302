// A player's second week, end to end: a house founded by the sysop's hand,
// orders the night would not carry out refused when given, numbers that
// agree between the screens and the night, words and widths, and the
// sysop's hand commands beside the door.
#include <gtest/gtest.h>

#include "core/chronicle.h"
#include "core/files.h"
#include "core/model.h"
#include "core/orders.h"
#include "core/output.h"
#include "core/stores.h"
#include "core/text.h"
#include "player/prompts.h"
#include "tests/player/door_session.h"

namespace {

int HouseNamed(const std::string& name)
{
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (HouseRec(h).Status != StatusFree && StrGet(HouseRec(h).Name) == name) return h;
    return -1;
}

int FleetNamed(int h, const std::string& name)
{
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h && StrGet(Game.Fleets[f].Name) == name) return f;
    return -1;
}

std::vector<std::string> NewsOfNight(const TGameFolder& g, int day)
{
    std::vector<TEventRec> events;
    std::vector<std::string> news;
    if (ReadEvents(g.S.Dir, events))
        for (const TEventRec& e : events)
            if (e.House == 0 && e.Day == day) news.push_back(EventText(e));
    return news;
}

// Quits from the main menu, answering a confirmation if one is asked.
void QuitDoor(TSession& s)
{
    s.Key("Q");
    if (s.Seen("(Y/N)")) s.Key("Y");
    ASSERT_TRUE(s.Expect("Orders are carried out tonight."));
    EXPECT_EQ(s.Exit(), 0);
}

// Every row of the caller's screen fits 79 columns.
void Within79(const TSession& s)
{
    for (int r = 0; r < TScreen::Rows; r++) EXPECT_LE(s.Screen.Row(r).size(), 79u) << s.Screen.Text();
}

} // namespace

TEST(SecondWeek, APlayerFoundedByHandPlaysOnScreensThatAgree)
{
    TGameFolder g;
    TRun join = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "join", "Astra", "Ann Caller"});
    ASSERT_EQ(join.Exit, 0) << join.Out;
    g.Load();
    int ann = HouseNamed("Astra"), varro = HouseNamed("Varro"), ostrel = HouseNamed("Ostrel");
    ASSERT_GT(ann, 0);
    ASSERT_GT(varro, 0);
    ASSERT_GT(ostrel, 0);
    EXPECT_EQ(+HouseRec(ann).FirstCall, 1);
    int home = HouseRec(ann).HomeWorld, homeSystem = Game.Worlds[home].System;
    // Three Breakers each (their upkeep is ore): the three scores stay tied.
    for (int h : {ann, varro, ostrel}) {
        int f = NewFleet(h, Game.Worlds[HouseRec(h).HomeWorld].System, "Breakers");
        Game.Fleets[f].Ships[ShipBreaker] = 3;
    }
    Relation(varro, ann).Tribute = 7;
    Relation(varro, ann).Treaties = Relation(ann, varro).Treaties = TreatyPeace;
    HouseRec(ann).ResPoints = 60;   // half way to Drives 1
    // A neighbour only the system view has named.
    int unexplored = -1;
    for (int l = 0; l < Game.Header.LaneCount && unexplored < 0; l++) {
        const TLane& ln = Game.Lanes[l];
        if (LanePassable(l) && (ln.A == homeSystem || ln.B == homeSystem)) unexplored = LaneOther(l, homeSystem);
    }
    ASSERT_GE(unexplored, 0);
    Chart(ann, unexplored).SeenDay = 0;
    ASSERT_FALSE(HouseKnown(ann, ostrel));
    g.Save();
    {
        // Ann's report shows a battle against Ostrel: Ostrel is a house Ann has met.
        TEventWriter ev;
        ASSERT_TRUE(EventsBegin(ev, g.S.Dir, 1));
        AddEvent(ev, ann, EventBattle, "Battle at " + SystemName(homeSystem) + " against Ostrel.");
        AddEvent(ev, ann, EventBattle, "  Ostrel lost: 2 Skiffs.");
        ASSERT_TRUE(EventsEnd(ev));
    }
    g.Load();
    TOutput income = HouseIncome(ann);
    int64_t produced = 0;
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == ann) produced += WorldOutput(w).Ore;
    EXPECT_EQ(income.Ore, produced - 3 + 7);   // Breakers' upkeep, Varro's tribute

    TSession s;
    ASSERT_TRUE(s.Start(g, ViaSocket));
    // The first call of a house the sysop founded greets it as the door would.
    ASSERT_TRUE(s.Expect("[press a key]")) << s.Bbs.Screen << s.Bbs.Errors;
    EXPECT_EQ(s.Screen.Row(0), "House Astra is founded at " + WorldName(home) + ".");
    EXPECT_EQ(s.Screen.Row(2), "You start with a home world, a rock world beside it, and three fleets:");
    s.Key(" ");
    ASSERT_TRUE(s.Expect("Your command: "));
    EXPECT_NE(s.Screen.Row(2).find("(+" + IntToText(income.Ore) + ")   Fuel"), std::string::npos) << s.Screen.Row(2);
    // Three houses tied at the top share rank 1; the research level is the one reached.
    EXPECT_NE(s.Screen.Row(3).find("(rank 1 of 3)   Research Drives 0 (50%)"), std::string::npos) << s.Screen.Row(3);

    // Fleets: a neighbour named by the system view is a destination; what
    // the caller typed is echoed as typed.
    s.Key("F");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    s.Key("2\rM");
    ASSERT_TRUE(s.Expect("Move to which system? "));
    s.Key("zzq\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_TRUE(s.Screen.Has("No system you know of starts with \"zzq\".")) << s.Screen.Text();
    s.Key(" M");
    ASSERT_TRUE(s.Expect("Move to which system? "));
    std::string typed = SystemName(unexplored);
    for (char& c : typed) c = (char)(c >= 'A' && c <= 'Z' ? c + 32 : c);
    s.Key(typed + "\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_TRUE(s.Screen.Has("Orders given.")) << s.Screen.Text();
    EXPECT_TRUE(s.Screen.Has("1 lane; up to ")) << s.Screen.Text();
    // The Home Guard may not take another fleet's name, nor invade its own world.
    s.Key(" Q1\rN");
    ASSERT_TRUE(s.Expect("New name: "));
    s.Key("scouts\r");
    ASSERT_TRUE(s.Expect("Fleet command, or"));
    EXPECT_TRUE(s.Screen.Has("Another of your fleets is called Scouts.")) << s.Screen.Text();
    s.Key("I");
    if (s.Seen("(Y/N)")) s.Key("Y");
    ASSERT_TRUE(s.Expect("Which world? "));
    s.Key("1\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    EXPECT_TRUE(s.Screen.Has(WorldName(home) + " is already yours.")) << s.Screen.Text();
    EXPECT_FALSE(s.Screen.Has("Orders given."));
    s.Key(" Q\r");
    ASSERT_TRUE(s.Expect("Your command: "));

    // Worlds: the station shows no slot to fill; a Mine on order shows in its slot.
    s.Key("W");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    s.Key("3\r");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_TRUE(s.Screen.Has("Buildings: none  (nothing can be built on a gas giant station)")) << s.Screen.Text();
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    s.Key("2\rB");
    ASSERT_TRUE(s.Expect("Build which (number)? "));
    s.Key("1\r");
    ASSERT_TRUE(s.Expect("[press a key]"));
    s.Key(" ");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_TRUE(s.Screen.Has("Buildings: Mimi....  (2 free)")) << s.Screen.Text();
    EXPECT_TRUE(s.Screen.Has("lower case: ordered, ready tomorrow"));
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Enter to go back: "));
    EXPECT_TRUE(s.Screen.Has(" Mimi....")) << s.Screen.Text();
    EXPECT_TRUE(s.Screen.Has("lower case: ordered, ready tomorrow"));
    s.Key("\r");
    ASSERT_TRUE(s.Expect("Your command: "));

    // Diplomacy: the tribute note whole; the house met in battle may be offered to.
    s.Key("D");
    ASSERT_TRUE(s.Expect("back: "));
    EXPECT_TRUE(s.Screen.Has("pays you 7/day")) << s.Screen.Text();
    s.Key("O");
    ASSERT_TRUE(s.Expect("Offer to which house? "));
    EXPECT_TRUE(s.Screen.Has("Ostrel")) << s.Screen.Text();
    s.Key("\r");
    ASSERT_TRUE(s.Expect("back: "));
    s.Key("Q");
    ASSERT_TRUE(s.Expect("Your command: "));
    // News: the same shared rank as the status bar.
    s.Key("N");
    ASSERT_TRUE(s.Expect("go back: "));
    for (const char* name : {". Astra", ". Varro", ". Ostrel"}) {
        int row = s.Screen.Find(name);
        ASSERT_GE(row, 0) << s.Screen.Text();
        EXPECT_EQ(s.Screen.Row(row).substr(0, 5), "   1.");
    }
    Within79(s);
    s.Key("x");
    ASSERT_TRUE(s.Expect("Your command: "));
    QuitDoor(s);

    // The night: ore grows by what the bar said; the Scouts went where sent.
    g.Load();
    EXPECT_EQ(+HouseRec(ann).FirstCall, 0);
    int scouts = FleetNamed(ann, "Scouts");
    ASSERT_GE(scouts, 0);
    EXPECT_EQ(+Game.Fleets[scouts].Dest, unexplored);
    int guard = FleetNamed(ann, "Home Guard");
    ASSERT_GE(guard, 0);
    EXPECT_NE(+Game.Fleets[guard].Order, OrderInvade);
    int64_t oreBefore = HouseRec(ann).Ore;
    TRun night = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "turn"});
    ASSERT_EQ(night.Exit, 0) << night.Out;
    g.Load();
    EXPECT_EQ(+HouseRec(ann).Ore, oreBefore + income.Ore);
    {
        // Something happened on day 1 after all: the news of night 2 is what is looked at.
        TEventWriter ev;
        ASSERT_TRUE(EventsBegin(ev, g.S.Dir, 1, false));
        AddNews(ev, "The sysop welcomes Astra.");
        ASSERT_TRUE(EventsEnd(ev));
    }
    ASSERT_EQ(RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "turn"}).Exit, 0);
    bool quiet = NewsOfNight(g, 2).empty();
    // The hand's night wrote NEWS.TXT as the nightly run would; the
    // bulletin and the door say a quiet night alike.
    std::string newsFile = ReadFile(g.S.Path("NEWS.TXT"));
    EXPECT_EQ(newsFile.find("A quiet day in the Thyre.") != std::string::npos, quiet) << newsFile;
    ASSERT_EQ(RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "bulletin", g.S.Path("BULL.TXT")}).Exit, 0);
    EXPECT_EQ(ReadFile(g.S.Path("BULL.TXT")).find("  A quiet day in the Thyre.") != std::string::npos, quiet);

    // Sixteen worlds and three orders: the build screen is taller than 24 rows.
    g.Load();
    for (int w = 0, more = 13; w < Game.Header.WorldCount && more > 0; w++)
        if (Game.Worlds[w].Owner == HouseNobody && Game.Worlds[w].Kind != KindRuin) {
            Game.Worlds[w].Owner = (uint8_t)ann;
            Game.Worlds[w].Pop = 500;
            more--;
        }
    for (int c : {ShipSkiff, ShipLancer, ShipWarden}) ASSERT_TRUE(AddBuildOrder(ann, home, c, 1));
    g.Save();

    TSession again;
    ASSERT_TRUE(again.Start(g, ViaSocket));
    ASSERT_TRUE(again.Expect("[press a key]"));
    EXPECT_EQ(again.Screen.Row(0), "Report for the night of day 2");   // no second welcome
    again.Key(" ");
    ASSERT_TRUE(again.Expect("Your command: "));
    again.Key("N");
    ASSERT_TRUE(again.Expect("go back: "));
    EXPECT_TRUE(again.Screen.Has("day   1  The sysop welcomes Astra."));
    EXPECT_EQ(again.Screen.Has("day   2  A quiet day in the Thyre."), quiet) << again.Screen.Text();
    again.Key("x");
    ASSERT_TRUE(again.Expect("Your command: "));
    again.Key("BB");
    ASSERT_TRUE(again.Expect("-- more (Q to stop) --")) << again.Screen.Text();
    EXPECT_EQ(again.Screen.Row(0).substr(0, 25), "Build orders for tomorrow");
    again.Key(" ");
    ASSERT_TRUE(again.Expect("On which world? "));
    // Backing out of the world's number returns to the orders at once.
    again.Key("\r");
    ASSERT_TRUE(again.Expect("back: "));
    EXPECT_FALSE(again.Screen.Has("[press a key]")) << again.Screen.Text();
    again.Key("Q");
    ASSERT_TRUE(again.Expect("Your command: "));
    QuitDoor(again);
}

TEST(SecondWeek, TheSysopsHandCommands)
{
    TGameFolder g;
    // Names: too long, too short, no letter, each refused whole; a house
    // made anyway is never cut to a name the sysop did not give.
    TRun cfg = RunWithInput(THYRECFG_PATH, {g.S.Dir},
                            "3\nThe Very Long House Name X\n3\nab\n3\n1234\n3\nSabre Nine\n\nQ\n");
    EXPECT_NE(cfg.Out.find("A house name has at most 23 letters."), std::string::npos) << cfg.Out;
    EXPECT_NE(cfg.Out.find("A house name has at least 3 letters."), std::string::npos);
    EXPECT_NE(cfg.Out.find("A house name needs at least one letter."), std::string::npos);
    EXPECT_NE(cfg.Out.find("Sabre Nine joins the game as house 3"), std::string::npos);
    g.Load();
    EXPECT_EQ(HouseNamed("The Very Long House Nam"), -1);
    EXPECT_EQ(HouseNamed("1234"), -1);

    TRun join = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "join", "1234", "Bo"});
    EXPECT_EQ(join.Exit, 1);
    EXPECT_EQ(join.Out, "ydmaint: a house name needs at least one letter\n");
    ASSERT_EQ(RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "join", "Twenty One Letters Ab", "Bo"}).Exit, 0);

    // status keeps its columns for a name of 21 letters.
    std::vector<std::string> status = Lines(RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "status"}).Out);
    ASSERT_EQ(status.size(), 7u);
    size_t worlds = status[2].find("Worlds") + 6;
    for (size_t i = 3; i < status.size(); i++) {
        ASSERT_GT(status[i].size(), worlds) << status[i];
        EXPECT_EQ(status[i][worlds - 1], '3') << status[i];   // every house holds its 3 worlds
        EXPECT_EQ(status[i][worlds], ' ') << status[i];
    }

    // A night by hand is logged as the nightly run's; events by a house's
    // name, and a name that is no house says so.
    TRun turn = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "turn"});
    ASSERT_EQ(turn.Exit, 0) << turn.Out;
    std::string log = ReadFile(g.S.Path("MAINT.LOG"));
    EXPECT_NE(log.find("  night played by hand: day 1 done: "), std::string::npos) << log;
    EXPECT_NE(ReadFile(g.S.Path("NEWS.TXT")).find(" - news of day 1"), std::string::npos);
    TRun events = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "events", "varro"});
    EXPECT_EQ(events.Exit, 0);
    TRun byNumber = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "events", "1"});
    EXPECT_EQ(events.Out, byNumber.Out);
    TRun nobody = RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "events", "Nobody"});
    EXPECT_EQ(nobody.Exit, 1);
    EXPECT_EQ(nobody.Out, "ydmaint: there is no house called Nobody\n");

    // The sysop ends the game: the door and status show the same day, and
    // the start summary stays within the console's width.
    TRun end = RunWithInput(THYRECFG_PATH, {g.S.Dir}, "8\nEND\nN\n\nQ\n");
    EXPECT_NE(end.Out.find("The game is over and in the Hall of Fame."), std::string::npos) << end.Out;
    std::string day = Lines(RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "status"}).Out)[0].substr(0, 6);
    EXPECT_EQ(day, "Day 1 ");
    TRun summary = RunWithInput(THYRECFG_PATH, {g.S.Dir}, "Q\n");
    EXPECT_NE(summary.Out.find(": day 1 of 60, OVER"), std::string::npos) << summary.Out;
    TSession s;
    ASSERT_TRUE(s.Start(g, ViaPipes, "Bo"));
    ASSERT_TRUE(s.Expect("House Twenty One Letters Ab is founded at ")) << s.Bbs.Screen;
    for (int i = 0; i < 3 && !s.Seen("Your command: ", 500); i++) s.Key(" ");   // the welcome, the report
    ASSERT_TRUE(s.Expect("Your command: ")) << s.Bbs.Screen;
    EXPECT_NE(s.Screen.Row(0).find("Day 1 of 60 (over)"), std::string::npos) << s.Screen.Row(0);
    // The winner's line, and the news of the end, go on under their own
    // text when they wrap, not at the left edge.
    g.Load();
    const std::string winner = StrGet(HouseRec(Game.Header.Winner).Name);
    int over = s.Screen.Find("  The game is over: " + winner + " has won (");
    ASSERT_GE(over, 0) << s.Screen.Text();
    if (winner.size() >= 5) {
        EXPECT_EQ(s.Screen.Row(over + 1).find("  game)."), 0u) << s.Screen.Text();
    }
    s.Key("N");
    ASSERT_TRUE(s.Expect("go back: "));
    int ended = s.Screen.Find("  *** The sysop has ended the game. " + winner + " wins");
    ASSERT_GE(ended, 0) << s.Screen.Text();
    EXPECT_EQ(s.Screen.Row(ended).substr(0, 9), "day   1  ");
    EXPECT_EQ(s.Screen.Row(ended + 1).substr(0, 9), std::string(9, ' ')) << s.Screen.Text();
    EXPECT_NE(s.Screen.Row(ended + 1).find("score. ***"), std::string::npos) << s.Screen.Text();
    s.Key("x");
    ASSERT_TRUE(s.Expect("Your command: "));
    QuitDoor(s);

    // The sysop starts the next game while Bo looks at the old one: the
    // next key tells Bo why the house is gone, before the closing line.
    TSession inside;
    ASSERT_TRUE(inside.Start(g, ViaSocket, "Bo"));
    for (int i = 0; i < 3 && !inside.Seen("Your command: ", 500); i++) inside.Key(" ");
    ASSERT_TRUE(inside.Expect("Your command: ")) << inside.Bbs.Screen;
    TRun start = RunWithInput(THYRECFG_PATH, {g.S.Dir}, "7\nYES\n\nQ\n");
    inside.Key("W");
    ASSERT_TRUE(inside.Expect("Orders are carried out tonight."));
    int told = inside.Screen.Find("A new game has begun while you played. Call again to found a house in it.");
    EXPECT_GE(told, 0) << inside.Screen.Text();
    EXPECT_EQ(inside.Screen.Find("The Thyre will wait for you."), told + 1);
    EXPECT_EQ(inside.Exit(), 0);
    EXPECT_NE(start.Out.find("computer houses."), std::string::npos) << start.Out;
    EXPECT_EQ(start.Out.find("(s)"), std::string::npos);
    // (The answer typed into the pipe is not echoed: the prompt shares the
    // summary's first line here.)
    const std::string prompt = "Type YES to start a new game: ";
    for (std::string line : Lines(start.Out)) {
        if (StartsWith(line, prompt)) line = line.substr(prompt.size());
        if (line.find("OLDGAME") != std::string::npos || line.find("computer houses") != std::string::npos ||
            line.find("Settings: ") != std::string::npos) {
            EXPECT_LE(line.size(), 79u) << line;
        }
    }
}
