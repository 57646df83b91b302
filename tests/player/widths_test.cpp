// Every screen of a whole visit, and of the setup program, on a game at
// every limit (25 houses on 300 systems, 40 nights in): no line reaches the
// 80th column, and no page scrolls past the caller's 24 rows.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/files.h"
#include "core/founding.h"
#include "core/galaxy.h"
#include "core/gamefile.h"
#include "core/model.h"
#include "core/orders.h"
#include "core/rules.h"
#include "core/osfs.h"
#include "core/text.h"
#include "player/prompts.h"
#include "tests/player/door_session.h"

namespace {

// The widest column the bytes reach on an ANSI terminal, counted from 1.
int WidestColumn(const std::string& raw)
{
    int col = 0, widest = 0;
    for (size_t i = 0; i < raw.size(); i++) {
        unsigned char c = (unsigned char)raw[i];
        if (c == 27 && i + 1 < raw.size() && raw[i + 1] == '[') {
            size_t j = i + 2;
            std::string params;
            while (j < raw.size() && (raw[j] == ';' || (raw[j] >= '0' && raw[j] <= '9'))) params += raw[j++];
            if (j >= raw.size()) break;
            int n = params.empty() ? 1 : std::atoi(params.c_str());
            if (raw[j] == 'C') col += n;
            if (raw[j] == 'D') col = col > n ? col - n : 0;
            if (raw[j] == 'H' || raw[j] == 'J') col = 0;
            i = j;
        } else if (c == '\r' || c == '\f') {
            col = 0;
        } else if (c == '\b') {
            if (col > 0) col--;
        } else if (c >= 32) {
            col++;
            if (col > widest) widest = col;
        }
    }
    return widest;
}

// The lines written between two pauses of a screen (since its last clear):
// more than 23 and the first of them scrolled off a 24-row screen unread.
int LinesBetween(const std::string& raw, size_t from, size_t to)
{
    size_t clear = raw.rfind("\x1b[2J", to);
    if (clear != std::string::npos && clear >= from) from = clear;
    int lines = 0;
    for (size_t i = from; i < to && i < raw.size(); i++) lines += raw[i] == '\n';
    return lines;
}

// Answers pauses and "more" until the prompt comes; false when it never does.
bool Through(TSession& s, const std::string& prompt)
{
    for (int i = 0; i < 60; i++) {
        size_t start = s.Mark;
        size_t at = s.Bbs.Screen.find(prompt, s.Mark);
        size_t more = s.Bbs.Screen.find("-- more (Q to stop) --", s.Mark);
        size_t press = s.Bbs.Screen.find("[press a key]", s.Mark);
        size_t pause = std::min(more, press);
        if (at != std::string::npos && (pause == std::string::npos || at < pause)) {
            EXPECT_LE(LinesBetween(s.Bbs.Screen, start, at), 23) << prompt << "\n" << s.Bbs.Screen.substr(start, at - start);
            return s.Expect(prompt);
        }
        if (pause != std::string::npos) {
            EXPECT_LE(LinesBetween(s.Bbs.Screen, start, pause), 23) << s.Bbs.Screen.substr(start, pause - start);
            s.Expect(pause == more ? "-- more (Q to stop) --" : "[press a key]");
            s.Key(" ");
            continue;
        }
        s.Bbs.Pump(100);
        if (s.Bbs.ExitCode >= 0) return false;
    }
    return false;
}

} // namespace

TEST(Widths, EveryScreenOfAVisitAndOfTheSetupFitsAtEveryLimit)
{
    TScratch g;
    TNewGame p;
    p.Players = 25;
    p.SystemsPerHouse = 12;
    p.Seed = 11;
    p.Days = 0;
    GenerateGalaxy(p);
    for (int i = 1; i <= 25; i++) ASSERT_EQ(FoundHouse("House " + IntToText(i), "ai" + IntToText(i), 1), i);
    ASSERT_TRUE(SaveGame(g.Path(GameFileName)));
    for (int n = 0; n < 40; n++) ASSERT_EQ(RunProgram(YDMAINT_PATH, {"-d", g.Dir, "turn"}).Exit, 0);
    ASSERT_TRUE(LoadGame(g.Path(GameFileName)));
    ASSERT_EQ(Game.Header.SystemCount, 300);
    int h = 1;
    HouseRec(h).Computer = 0;
    StrSet(HouseRec(h).Player, "Ann Caller");
    // A treaty to end, with the first house Ann has met.
    int met = -1;
    for (int o = 2; o <= 25 && met < 0; o++)
        for (int w = 0; w < Game.Header.WorldCount; w++)
            if (Game.Worlds[w].Owner == o && Known(h, Game.Worlds[w].System)) met = o;
    ASSERT_GT(met, 0);
    Relation(h, met).Treaties = Relation(met, h).Treaties = TreatyPeace | TreatyTrade;
    Chart(h, Game.Header.ExchangeSystem).SeenDay = Game.Header.Day;
    // A crowded house: it has met every house (a few offer it treaties and
    // pay it tribute), a dozen fleets share its home, one of them of every
    // class, and two dozen build orders wait for the night.
    for (int o = 2; o <= 25; o++) {
        if (CapitalSystem(o) >= 0) Chart(h, CapitalSystem(o)).SeenDay = Game.Header.Day;
        if (o % 4 == 0) Relation(o, h).Offer = TreatyPeace | TreatyCharts;
        if (o % 5 == 0) Relation(o, h).Tribute = 250;
    }
    int home = CapitalSystem(h);
    ASSERT_GE(home, 0);
    int armada = NewFleet(h, home, "Armada");
    ASSERT_GE(armada, 0);
    const int armadaShips[ShipClasses] = {12, 25, 13, 4, 6, 2, 1};
    for (int c = 0; c < ShipClasses; c++) Game.Fleets[armada].Ships[c] = (int16_t)armadaShips[c];
    Game.Fleets[armada].Troops = 60;
    for (int i = 0; i < 11; i++) {
        int f = NewFleet(h, home, "Picket " + IntToText(i + 1));
        ASSERT_GE(f, 0);
        Game.Fleets[f].Ships[ShipLancer] = 2;
    }
    HouseRec(h).Ore = 1000000;
    for (int c = 0; c < ShipClasses; c++) ASSERT_EQ(BuildShips(h, HouseRec(h).Capital, c, 1), "");
    int orders = ShipClasses, lastWorld = -1;
    for (int w = 0; w < Game.Header.WorldCount && orders < 24; w++) {
        if (Game.Worlds[w].Owner != 0 || Game.Worlds[w].Kind == KindGasGiant || Game.Worlds[w].Kind == KindRuin) continue;
        Game.Worlds[w].Owner = (uint8_t)h;
        for (int k = 1; k <= 2; k++) orders += BuildBuilding(h, w, k).empty();
        lastWorld = w;
    }
    ASSERT_EQ(orders, 25);
    const std::string lastOrder = PadRight(WorldName(lastWorld), 18) + "Refinery";
    const std::string homeName = SystemName(home) + "\r";
    int place = 1;
    for (int o = 2; o < met; o++) place += Playing(o) && HouseKnown(h, o);
    const std::string endWith = IntToText(place) + "\r";
    ASSERT_TRUE(SaveGame(g.Path(GameFileName)));

    TLaunch l;
    l.Program = THYRE_PATH;
    l.Folder = g.Dir;
    l.Args = {"-d", g.Path("DOOR32.SYS"), "-g", g.Dir};
    TSession s;
    ASSERT_TRUE(s.Start(l));
    const std::string menu = "Your command: ";
    ASSERT_TRUE(Through(s, menu)) << s.Bbs.Errors;
    // Each screen with the keys that walk its parts, back to the menu.
    const struct {
        const char* Keys;
        const char* Prompt;
    } walk[] = {
        {"R", "ewer  "},          {"O", "ewer  "},         {"Q", menu.c_str()},
        {"M", "uit: "},           {"+", "uit: "},          {"+", "uit: "},
        {"-", "uit: "},           {"-", "uit: "},          {"L", "System name: "},
        {homeName.c_str(), "uit: "}, {"Q", menu.c_str()},
        {"W", "Enter to go back: "}, {"1\r", "back: "},     {"B\r", "back: "},
        {"S\r", "back: "},       {"L", "back: "},
        {"Q", "Enter to go back: "}, {"\r", menu.c_str()},
        {"F", "Enter to go back: "}, {"1\r", "back: "},     {"L", "back: "},
        {"E", "Escort which fleet (number)? "}, {"\r", "back: "}, {"Q", "Enter to go back: "},
        {"\r", menu.c_str()},
        {"B", "back: "},          {"Q", menu.c_str()},
        {"T", "back: "},          {"Q", menu.c_str()},
        {"D", "back: "},          {"E", "End treaties with which house? "}, {endWith.c_str(), "keep them: "},
        {"Q", "back: "},          {"O", "Offer to which house? "}, {"\r", "back: "}, {"Q", menu.c_str()},
        {"X", "back: "},          {"Q", menu.c_str()},
        {"S", "back: "},          {"R", "back: "},         {"B", "back: "},  {"Q", menu.c_str()},
        {"N", "go back: "},       {"F", menu.c_str()},     {"H", menu.c_str()},
    };
    for (const auto& step : walk) {
        s.Key(step.Keys);
        ASSERT_TRUE(Through(s, step.Prompt)) << step.Keys << "\n" << s.Screen.Text();
    }
    s.Key("QY");
    EXPECT_EQ(s.Exit(), 0);
    EXPECT_LE(WidestColumn(s.Bbs.Screen), 79);
    // Nothing was cut to make it fit: the Armada's ships in the fleet list,
    // the last of the crowd in the system view and the last build order, the
    // garrison of the first world in the system view, and every world's
    // building slots in the worlds list.
    EXPECT_NE(s.Bbs.Screen.find("12Sk 25La 13Wa 4Br 6Ha 2Se 1Ou +60tr"), std::string::npos);
    EXPECT_NE(s.Bbs.Screen.find("Picket 11"), std::string::npos);
    EXPECT_NE(s.Bbs.Screen.find(lastOrder), std::string::npos);
    int first = 0;
    while (Game.Worlds[first].Owner != h) first++;
    std::string garrison = "gar " + IntToText(Game.Worlds[first].Garrison);
    EXPECT_TRUE(s.Bbs.Screen.find(garrison + "\r") != std::string::npos ||
                s.Bbs.Screen.find(garrison + "\x1b") != std::string::npos);
    for (int w = 0; w < Game.Header.WorldCount; w++) {
        if (Game.Worlds[w].Owner != h) continue;
        std::string slots;
        for (int i = 0; i < SlotCount(w); i++) slots += BuildingShort(Game.Worlds[w].Buildings[i]);
        EXPECT_NE(s.Bbs.Screen.find(slots), std::string::npos) << WorldName(w) << " " << slots;
        if (WorldName(w).size() > 14) {
            EXPECT_NE(s.Bbs.Screen.find("(" + WorldName(w) + ")"), std::string::npos);
        }
    }

    // The setup program: its menu, settings, houses, news and Hall of Fame.
    TRun cfg = RunWithInput(THYRECFG_PATH, {g.Dir}, "1\n\n2\n1\nQ\n\n5\n\n6\n\n9\n\nQ\n");
    int widest = 0;
    for (const std::string& line : SplitLines(cfg.Out)) widest = std::max(widest, VisibleLength(line));
    EXPECT_LE(widest, 79) << cfg.Out;
}

TEST(Widths, TenNightsOfTwoHousesOnTwoNodesWithTheSysopBeside)
{
    TGameFolder g;
    g.Load();
    ASSERT_GT(FoundHouse("Astra", "Ann Caller", 0), 0);
    ASSERT_GT(FoundHouse("Borel", "Bob Jones", 0), 0);
    g.Save();
    const std::string menu = "Your command: ";
    int widest = 0;
    for (int night = 1; night <= 10; night++) {
        SCOPED_TRACE("night " + IntToText(night));
        // Ann on a socket: a fleet ordered home, then diplomacy; the sysop
        // changes the running game's last day in the middle of one visit.
        TSession ann;
        ASSERT_TRUE(ann.Start(g, ViaSocket, "Ann Caller"));
        ASSERT_TRUE(Through(ann, menu)) << ann.Bbs.Errors;
        for (const auto& step : std::vector<std::pair<std::string, std::string>>{
                 {"F", "Enter to go back: "}, {"1\r", "back: "}, {"R", "back: "}, {"Q", "Enter to go back: "},
                 {"\r", menu}}) {
            ann.Key(step.first);
            ASSERT_TRUE(Through(ann, step.second)) << step.first << "\n" << ann.Screen.Text();
        }
        if (night == 5) {
            TRun cfg = RunWithInput(THYRECFG_PATH, {g.S.Dir}, "9\n2\n90\n\nQ\n");
            ASSERT_EQ(cfg.Exit, 0) << cfg.Out;
        }
        ann.Key("D");
        ASSERT_TRUE(Through(ann, "back: "));
        ann.Key("Q");
        ASSERT_TRUE(Through(ann, menu));
        ann.Key("QY");
        EXPECT_EQ(ann.Exit(), 0);
        widest = std::max(widest, WidestColumn(ann.Bbs.Screen));
        // Bob on another node, on pipes; on one night the nightly run plays
        // while he reads his worlds, and the news that follows is the new day's.
        TSession bob;
        ASSERT_TRUE(bob.Start(g, ViaPipes, "Bob Jones"));
        ASSERT_TRUE(Through(bob, menu)) << bob.Bbs.Errors;
        bob.Key("W");
        ASSERT_TRUE(Through(bob, "Enter to go back: "));
        bool nightInside = night == 7;
        if (nightInside) {
            ASSERT_EQ(RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "daily", "-quiet"}).Exit, 0);
        }
        bob.Key("\r");
        ASSERT_TRUE(Through(bob, menu));
        bob.Key("N");
        ASSERT_TRUE(Through(bob, "go back: "));
        bob.Key("x");
        ASSERT_TRUE(Through(bob, menu));
        if (nightInside) {
            EXPECT_NE(bob.Bbs.Screen.find("A new day has dawned"), std::string::npos);
        }
        bob.Key("QY");
        EXPECT_EQ(bob.Exit(), 0);
        widest = std::max(widest, WidestColumn(bob.Bbs.Screen));
        if (!nightInside) {
            ASSERT_EQ(RunProgram(YDMAINT_PATH, {"-d", g.S.Dir, "daily", "-quiet"}).Exit, 0);
        }
    }
    EXPECT_LE(widest, 79);
    EXPECT_FALSE(PathExists(g.S.Path(ErrorsLogName))) << ReadFile(g.S.Path(ErrorsLogName));
    EXPECT_FALSE(g.Locked());
    g.Load();
    EXPECT_EQ(Game.Header.Day, 11);
    EXPECT_EQ(Game.Header.LastDay, 90);
    EXPECT_EQ(FindHouseByPlayer("Ann Caller") > 0 && FindHouseByPlayer("Bob Jones") > 0, true);
}
