// A league of three boards over a shared folder: scripted callers on every
// board, each board's nightly run, and one single board that sees the same
// changes in the order the host applies them.  The host's game must be the
// single board's, byte for byte, every night.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstddef>
#include <cstring>
#include <map>
#include <thread>

#include "core/access.h"
#include "core/change.h"
#include "core/diplomacy.h"
#include "core/gamefile.h"
#include "core/league.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/routes.h"
#include "core/stores.h"
#include "core/text.h"
#include "core/rules.h"
#include "tests/testutil.h"

static TRun Ydmaint(const std::vector<std::string>& args) { return RunProgram(YDMAINT_PATH, args); }

namespace {

struct TBoard {
    std::string Folder, Node;
    bool Member = false;
    std::vector<int> Houses = {};             // the houses its callers play
    std::vector<TChange> Today = {};          // its changes of the day, in order, with its own fleet numbers
    std::vector<int64_t> Made = {};           // each change's made fleet on this board (-1 none)
    std::vector<TChange> Journal = {};        // a member: every entry, entry n at n - 1
    std::vector<int64_t> JournalMade = {};
};

// A change made by a caller of a board: applied to its game (a member also
// keeps it in its journal), and remembered for the single board.
static std::string Call(TBoard& b, const TChange& c)
{
    if (b.Member && c.Kind == ChangeFound) {
        EXPECT_TRUE(JournalAppend(b.Folder, 1, c));
        b.Today.push_back(c);
        b.Made.push_back(-1);
        b.Journal.push_back(c);
        b.JournalMade.push_back(-1);
        return "";
    }
    EXPECT_TRUE(LoadGame(b.Folder + "THYRE.DAT"));
    int64_t made = -1;
    std::string refusal = ApplyChange(c, b.Folder, Game.Header.Day, &made);
    if (refusal.empty()) {
        if (b.Member) {
            EXPECT_TRUE(JournalAppend(b.Folder, Game.Header.Day, c, c.Kind == ChangeSplitFleet ? (int)made : -1));
        }
        EXPECT_TRUE(SaveGame(b.Folder + "THYRE.DAT"));
        b.Today.push_back(c);
        b.Made.push_back(c.Kind == ChangeSplitFleet ? made : -1);
        if (b.Member) {
            b.Journal.push_back(c);
            b.JournalMade.push_back(b.Made.back());
        }
    }
    return refusal;
}

static TChange Change(uint8_t kind, int house, std::initializer_list<int64_t> args, const std::string& text = "")
{
    TChange c;
    c.Kind = kind;
    c.House = (uint8_t)house;
    int i = 0;
    for (int64_t a : args) c.Args[i++] = a;
    c.Text = text;
    c.Player = "caller";
    return c;
}

static int FirstFleet(int h, int skip = -1)
{
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h && f != skip && Game.Fleets[f].Ships[ShipSkiff] + Game.Fleets[f].Ships[ShipLancer] > 0)
            return f;
    return -1;
}

// One day of a house's caller: every kind of change, chosen from what the
// board's game shows.
static void PlayDay(TBoard& b, int h, int day, const std::vector<int>& others)
{
    ASSERT_TRUE(LoadGame(b.Folder + "THYRE.DAT"));
    if (!Playing(h)) return;
    const THouse& hr = HouseRec(h);
    int home = hr.HomeWorld;
    int other = others[(size_t)(day + h) % others.size()];
    Call(b, Change(ChangeCameOn, h, {}));
    Call(b, Change(ChangeResearch, h, {(day + h) % ResearchTracks}));
    Call(b, Change(ChangeFocus, h, {home, day % 3}));
    Call(b, Change(ChangeBuildShips, h, {home, day % 2 ? (int64_t)ShipSkiff : (int64_t)ShipLancer, 1}));
    if (day % 3 == 0) Call(b, Change(ChangeBuildBuilding, h, {home, 1 + day % 6}));
    LoadGame(b.Folder + "THYRE.DAT");
    int f = FirstFleet(h);
    if (f >= 0) {
        std::vector<int> next = Neighbours(Game.Fleets[f].Loc);
        int counts[7] = {0};
        counts[ShipSkiff] = Game.Fleets[f].Ships[ShipSkiff] > 1 ? 1 : 0;
        counts[ShipLancer] = counts[ShipSkiff] ? 0 : (Game.Fleets[f].Ships[ShipLancer] > 1 ? 1 : 0);
        // A split, then orders to the new fleet: a member names it by the
        // entry that made it.
        size_t at = b.Today.size();
        if (Call(b, Change(ChangeSplitFleet, h, {f, 0, counts[0], counts[1], counts[2], counts[3], counts[4], counts[5],
                                                 counts[6]},
                           "Wing " + std::to_string(day)))
                .empty()) {
            int made = (int)b.Made[at];
            Call(b, Change(ChangeRenameFleet, h, {made}, "Blade " + std::to_string(day)));
            Call(b, Change(ChangeDoctrine, h, {made, day % 3}));
            if (!next.empty()) Call(b, Change(ChangeOrderFleet, h, {made, OrderMove, next[(size_t)day % next.size()], -1}));
            if (day % 4 == 1) Call(b, Change(ChangeJoinFleets, h, {f, made}));
        }
    }
    Call(b, Change(ChangeLetter, h, {other, 0}, "Day " + std::to_string(day) + " from " + std::to_string(h)));
    if (day % 5 == 0) Call(b, Change(ChangeLetter, h, {0, 0}, "A bulletin"));
    Call(b, Change(ChangeTrade, h, {ResourceOre, ResourceFuel, 10 + day}));
    Call(b, Change(day % 2 ? ChangeTribute : ChangeGift, h, {other, day % 2 ? 5 : ResourceOre, day % 2 ? 0 : 7}));
    Call(b, Change(ChangeOfferTreaty, h, {other, TreatyPeace}));
    LoadGame(b.Folder + "THYRE.DAT");
    for (int o : others)
        if (Relation(o, h).Offer != 0) Call(b, Change(ChangeAcceptTreaty, h, {o}));
    if (day == 7) Call(b, Change(ChangeGiveNotice, h, {other}));
    if (day == 9) Call(b, Change(ChangeBreakTreaties, h, {other}));
    // A change the board's own checks refuse is never kept.
    EXPECT_FALSE(Call(b, Change(ChangeBuildShips, h, {home, (int64_t)ShipSkiff, 100000})).empty());
}

// The single board replays changes of a board: fleets the board made get
// the single board's numbers (made: the board's number to the single's).
static void ReplayChanges(const std::string& single, const std::vector<TChange>& changes,
                          const std::vector<int64_t>& madeOn, size_t from, size_t to, std::map<int64_t, int64_t>& made,
                          bool mustSucceed, bool member = true)
{
    ASSERT_TRUE(LoadGame(single + "THYRE.DAT"));
    for (size_t i = from; i < to && i < changes.size(); i++) {
        TChange c = changes[i];
        int which[2];
        FleetArgs(c, which);
        for (int a : which)
            if (a >= 0 && made.count(c.Args[a])) c.Args[a] = made[c.Args[a]];
        int64_t result = -1;
        std::string refusal = ApplyChange(c, single, Game.Header.Day, &result);
        if (mustSucceed) {
            EXPECT_EQ(refusal, "") << " change " << i;
        }
        if (madeOn[i] >= 0 && refusal.empty()) made[madeOn[i]] = result;
        // A member's acceptance is told to the other house by the host.
        if (member && refusal.empty() && c.Kind == ChangeAcceptTreaty)
            SendMessage(single, 0, (int)c.Args[0], Game.Header.Day,
                        {StrGet(HouseRec(c.House).Name) + " has accepted your " + TreatyWords((int)result) + " treaty."});
    }
    ASSERT_TRUE(SaveGame(single + "THYRE.DAT"));
}

static void Replay(const std::string& single, const TBoard& b)
{
    std::map<int64_t, int64_t> made;
    ReplayChanges(single, b.Today, b.Made, 0, b.Today.size(), made, true, b.Member);
}

}   // namespace

// Three boards and a single one in a scratch folder, the league set up as
// sysops set it up (init on each board, the keys passed around), and the
// host's first game sent to the members.
struct TLeagueRig {
    TScratch s;
    std::string wire = s.Path("wire/"), single = s.Path("single/");
    TBoard host{s.Path("host/"), "21:1/100"}, m1{s.Path("m1/"), "21:1/101", true}, m2{s.Path("m2/"), "21:1/102", true};
};

static void SetUpLeague(TLeagueRig& rig, const std::string& outbound)
{
    std::string &wire = rig.wire, &single = rig.single;
    TBoard &host = rig.host, &m1 = rig.m1, &m2 = rig.m2;
    for (const std::string& d : {wire, single, host.Folder, m1.Folder, m2.Folder, outbound})
        if (!IsFolder(d)) {
            ASSERT_TRUE(MakeFolder(d));
        }
    ASSERT_EQ(Ydmaint({"-d", host.Folder, "new", "-seed", "11", "-players", "10"}).Exit, 0);
    CopyWholeFile(host.Folder + "THYRE.DAT", single + "THYRE.DAT");
    CopyWholeFile(host.Folder + "THYRE.CFG", single + "THYRE.CFG");

    std::string keys;
    for (TBoard* b : {&host, &m1, &m2}) {
        TRun r = Ydmaint({"-d", b->Folder, "league", "init", "-league", "Thyre Cup", "-role", b->Member ? "member" : "host",
                          "-node", b->Node, "-host", host.Node, "-inbound", wire, "-outbound", outbound});
        ASSERT_EQ(r.Exit, 0) << r.Out;
        keys += Lines(r.Out).back() + "\n";
    }
    for (TBoard* b : {&host, &m1, &m2}) {
        std::string cfg = ReadFile(b->Folder + "LEAGUE.CFG");
        cfg = cfg.substr(0, cfg.find("Key = ")) + keys;
        if (!b->Member) cfg += "Member = 21:1/101, One BBS, 2\nMember = 21:1/102, Two BBS, 1\n";
        WriteFile(b->Folder + "LEAGUE.CFG", cfg);
    }
    EXPECT_EQ(FileSize(host.Folder + "LEAGUE.KEY"), 130);
    ASSERT_EQ(Ydmaint({"-d", host.Folder, "league", "send"}).Exit, 0);
    std::vector<std::string> names;
    ListFolder(outbound, names);
    for (const std::string& n : names)
        if (outbound != wire) RenameFile(outbound + n, wire + n);
    ASSERT_EQ(Ydmaint({"-d", m1.Folder, "league", "receive"}).Exit, 0);
    ASSERT_EQ(Ydmaint({"-d", m2.Folder, "league", "receive"}).Exit, 0);
    EXPECT_TRUE(ReadFile(m1.Folder + "THYRE.DAT") == ReadFile(host.Folder + "THYRE.DAT"));

}

TEST(League, ThreeBoardsPlayTheGameOfOneBoard)
{
    TLeagueRig rig;
    SetUpLeague(rig, rig.wire);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    std::string &wire = rig.wire, &single = rig.single;
    TBoard &host = rig.host, &m1 = rig.m1, &m2 = rig.m2;
    // Founding: the host's caller at once; the members' by request, the
    // third over m2's share refused.
    TChange found = Change(ChangeFound, 0, {}, "Hosta");
    found.Player = "Sam";
    Call(host, found);
    for (TBoard* b : {&m1, &m2})
        for (const char* name : {"Mira", "Nadir"}) {
            TChange c = Change(ChangeFound, 0, {}, std::string(name) + (b == &m1 ? "" : "x"));
            c.Player = "Sam";   // the same name on every board: three players
            Call(*b, c);
        }
    // The host refuses m2's second house: the single board never sees it.
    m2.Today.pop_back();
    m2.Made.pop_back();
    // Day 1: no member house yet; the exchange founds them at the host.
    for (int day = 1; day <= 10; day++) {
        SCOPED_TRACE("day " + std::to_string(day));
        std::vector<int> all;
        LoadGame(host.Folder + "THYRE.DAT");
        for (int h = 1; h <= MaxHouseSlots; h++)
            if (Playing(h)) all.push_back(h);
        for (TBoard* b : {&host, &m1, &m2})
            for (int h : b->Houses) PlayDay(*b, h, day, all);
        for (TBoard* b : {&m1, &m2}) {
            TRun r = Ydmaint({"-d", b->Folder, "daily"});
            ASSERT_EQ(r.Exit, 0) << r.Out;
        }
        TRun r = Ydmaint({"-d", host.Folder, "daily"});
        ASSERT_EQ(r.Exit, 0) << r.Out;
        // The single board: the host's callers first, then the members'
        // journals in the order the host takes them.
        Replay(single, host);
        Replay(single, m1);
        Replay(single, m2);
        ASSERT_EQ(Ydmaint({"-d", single, "daily"}).Exit, 0);
        for (const char* file : {"THYRE.DAT", "MSGS.DAT", "EVENTS.DAT"})
            ASSERT_TRUE(ReadFile(host.Folder + file) == ReadFile(single + file)) << file;
        for (TBoard* b : {&host, &m1, &m2}) {
            b->Today.clear();
            b->Made.clear();
        }
        if (day == 1) {
            // Who plays from where: the host's LEAGUE.DAT; m2 founded one.
            TLeagueState st = ReadLeagueState(host.Folder);
            LoadGame(host.Folder + "THYRE.DAT");
            for (int h = 1; h <= MaxHouseSlots; h++) {
                std::string name = StrGet(HouseRec(h).Name);
                if (name == "Hosta") host.Houses.push_back(h);
                if (name == "Mira" || name == "Nadir") {
                    m1.Houses.push_back(h);
                    EXPECT_EQ(st.HouseBoard[h], m1.Node);
                }
                if (name == "Mirax") {
                    m2.Houses.push_back(h);
                    EXPECT_EQ(st.HouseBoard[h], m2.Node);
                }
                EXPECT_NE(name, "Nadirx");
            }
            ASSERT_EQ(m1.Houses.size(), 2u);
            ASSERT_EQ(m2.Houses.size(), 1u);
            EXPECT_NE(ReadFile(host.Folder + "MAINT.LOG").find("all the houses the league allows"), std::string::npos);
        }
    }
    // The host refused nothing but m2's second founding.
    std::string hostLog = ReadFile(host.Folder + "MAINT.LOG");
    size_t refusals = 0;
    for (size_t at = hostLog.find("league: refused "); at != std::string::npos; at = hostLog.find("league: refused ", at + 1))
        refusals++;
    EXPECT_EQ(refusals, 1u) << hostLog;
    // The members take the last night: their copies are the host's game,
    // and hold only their own houses' letters and the bulletins.
    for (TBoard* b : {&m1, &m2}) ASSERT_EQ(Ydmaint({"-d", b->Folder, "league", "receive"}).Exit, 0);
    EXPECT_TRUE(ReadFile(m1.Folder + "THYRE.DAT") == ReadFile(host.Folder + "THYRE.DAT"));
    EXPECT_TRUE(ReadFile(m2.Folder + "THYRE.DAT") == ReadFile(host.Folder + "THYRE.DAT"));
    std::string letters = ReadFile(m2.Folder + "MSGS.DAT");
    ASSERT_EQ(letters.size() % sizeof(TMessageRec), 0u);
    for (size_t at = 0; at < letters.size(); at += sizeof(TMessageRec)) {
        TMessageRec m;
        std::memcpy(&m, letters.data() + at, sizeof m);
        EXPECT_TRUE(m.To == 0 || m.To == m2.Houses[0] || m.From == m2.Houses[0]);
    }
    EXPECT_LT(letters.size(), ReadFile(host.Folder + "MSGS.DAT").size());

    // Packets the host must refuse leave the game as it is and are kept
    // aside: one seen before, one with a byte changed, one of another
    // league's key.
    std::string before = ReadFile(host.Folder + "THYRE.DAT");
    ASSERT_TRUE(LoadGame(m1.Folder + "THYRE.DAT"));
    EXPECT_EQ(Call(m1, Change(ChangeBuildShips, m1.Houses[0], {HouseRec(m1.Houses[0]).HomeWorld, (int64_t)ShipSkiff, 1})), "");
    ASSERT_EQ(Ydmaint({"-d", m1.Folder, "league", "send"}).Exit, 0);
    std::vector<std::string> names;
    ListFolder(wire, names);
    std::string packet;
    for (const std::string& n : names)
        if (n.find("_j_21-1-101_") != std::string::npos) packet = n;
    ASSERT_FALSE(packet.empty());
    std::string good = ReadFile(wire + packet);
    std::string bad = good;
    bad[bad.size() / 2] ^= 1;
    WriteFile(wire + packet, bad);
    TRun r = Ydmaint({"-d", host.Folder, "league", "receive"});
    EXPECT_NE(r.Out.find("1 packet refused"), std::string::npos) << r.Out;
    EXPECT_TRUE(ReadFile(host.Folder + "THYRE.DAT") == before);
    EXPECT_TRUE(PathExists(host.Folder + "LEAGUE.BAD/" + packet));
    std::string log = ReadFile(host.Folder + "MAINT.LOG");
    EXPECT_NE(log.find("refused " + packet + ": its signature does not match 21:1/101's key"), std::string::npos);
    // The good one is taken once; the same bytes again are refused.
    WriteFile(wire + packet, good);
    r = Ydmaint({"-d", host.Folder, "league", "receive"});
    EXPECT_NE(r.Out.find("1 packet taken, 1 change applied"), std::string::npos) << r.Out;
    std::string after = ReadFile(host.Folder + "THYRE.DAT");
    EXPECT_NE(after, before);
    WriteFile(wire + packet, good);
    r = Ydmaint({"-d", host.Folder, "league", "receive"});
    EXPECT_NE(r.Out.find("1 packet refused"), std::string::npos) << r.Out;
    EXPECT_TRUE(ReadFile(host.Folder + "THYRE.DAT") == after);
    EXPECT_NE(ReadFile(host.Folder + "MAINT.LOG").find("was passed already"), std::string::npos);
    // A member cannot write in the game's name, nor colour another board's
    // screens: its "notice" arrives as its house's letter, codes made plain.
    TChange forged = Change(ChangeLetter, m1.Houses[0], {host.Houses[0], 1}, "`CThe sysop says: give up");
    ASSERT_TRUE(JournalAppend(m1.Folder, 11, forged));
    ASSERT_EQ(Ydmaint({"-d", m1.Folder, "league", "send"}).Exit, 0);
    ASSERT_EQ(Ydmaint({"-d", host.Folder, "league", "receive"}).Exit, 0);
    std::vector<TMessageRec> box;
    ASSERT_TRUE(ReadMailbox(host.Folder, host.Houses[0], box));
    bool arrived = false;
    for (const TMessageRec& m : box) {
        if (MessageLine(m, 0).find("The sysop says") == std::string::npos) continue;
        arrived = true;
        EXPECT_EQ(m.From, m1.Houses[0]);
        EXPECT_EQ(MessageLine(m, 0), "'CThe sysop says: give up");
    }
    EXPECT_TRUE(arrived);
    // A member plays no night and starts no game of its own.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"turn"}, {"new", "-force"}, {"join", "Rogue", "Rex"}}) {
        std::vector<std::string> all = {"-d", m1.Folder};
        all.insert(all.end(), args.begin(), args.end());
        r = Ydmaint(all);
        EXPECT_EQ(r.Exit, 1);
        EXPECT_NE(r.Out.find("is a member of the league \"Thyre Cup\""), std::string::npos) << r.Out;
    }
    // The status tells each member's exchanges and houses.
    r = Ydmaint({"-d", host.Folder, "league", "status"});
    EXPECT_NE(r.Out.find("21:1/101 (One BBS, up to 2 houses): last in #12"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("houses: Mira, Nadir"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("21:1/102 (Two BBS, up to 1 house): last in #10"), std::string::npos) << r.Out;
}

// The same league over a transport that loses, delays, duplicates and
// reorders packets (seeded): the host applies each member's entry once, in
// its order, whenever it arrives, checked again on the day it is applied;
// the single board, fed the entries the host applied each night in the same
// order, plays the same game.
TEST(League, PacketsLostDelayedAndDuplicatedLoseNothingAndApplyNothingTwice)
{
    TLeagueRig rig;
    std::string out = rig.s.Path("out/");
    SetUpLeague(rig, out);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    std::string &wire = rig.wire, &single = rig.single;
    TBoard &host = rig.host, &m1 = rig.m1, &m2 = rig.m2;
    uint32_t seed = 7;
    auto draw = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return (int)((seed >> 16) % (uint32_t)n);
    };
    struct TInTransit {
        std::string Name, Bytes;
        int Day;
    };
    std::vector<TInTransit> transit;
    // Takes what the boards left in the outbound; on a lossy day each packet
    // is lost, delayed, doubled or carried, and what arrives comes in any order.
    auto courier = [&](int day, bool lossy) {
        std::vector<std::string> names;
        ListFolder(out, names);
        for (const std::string& n : names) {
            std::string bytes = ReadFile(out + n);
            DeleteFile(out + n);
            int fate = lossy ? draw(10) : 9;
            if (fate < 2) continue;   // lost
            if (fate < 4) transit.push_back({n, bytes, day + 1 + draw(2)});
            else transit.push_back({n, bytes, day});
            if (fate == 4 || fate == 5) transit.push_back({n, bytes, day + 1});   // and once more
        }
        std::vector<TInTransit> now, later;
        for (const TInTransit& t : transit) (t.Day <= day ? now : later).push_back(t);
        for (size_t i = now.size(); i > 1; i--) std::swap(now[i - 1], now[(size_t)draw((int)i)]);
        for (const TInTransit& t : now) WriteFile(wire + t.Name, t.Bytes);
        transit = later;
    };
    for (TBoard* b : {&m1, &m2}) {
        TChange c = Change(ChangeFound, 0, {}, b == &m1 ? "Mira" : "Mirax");
        c.Player = "Sam";
        Call(*b, c);
    }
    std::map<int64_t, int64_t> made1, made2;
    uint32_t applied1 = 0, applied2 = 0;
    int lagging = 0;   // nights the host had not yet got a member's changes of the day
    for (int day = 1; day <= 14; day++) {
        SCOPED_TRACE("day " + std::to_string(day));
        bool lossy = day >= 3 && day <= 10;
        if (day == 2) {
            TLeagueState st = ReadLeagueState(host.Folder);
            for (int h = 1; h <= MaxHouseSlots; h++) {
                if (st.HouseBoard[h] == m1.Node) m1.Houses.push_back(h);
                if (st.HouseBoard[h] == m2.Node) m2.Houses.push_back(h);
            }
            ASSERT_EQ(m1.Houses.size() + m2.Houses.size(), 2u);
        }
        std::vector<int> all;
        LoadGame(host.Folder + "THYRE.DAT");
        for (int h = 1; h <= MaxHouseSlots; h++)
            if (Playing(h)) all.push_back(h);
        if (day <= 11)
            for (TBoard* b : {&m1, &m2})
                for (int h : b->Houses) PlayDay(*b, h, day, all);
        for (TBoard* b : {&m1, &m2}) ASSERT_EQ(Ydmaint({"-d", b->Folder, "daily"}).Exit, 0);
        courier(day, lossy);
        ASSERT_EQ(Ydmaint({"-d", host.Folder, "daily"}).Exit, 0);
        courier(day, lossy);
        // What the host applied tonight, in its order: m1's, then m2's.
        TLeagueState st = ReadLeagueState(host.Folder);
        uint32_t now1 = LeaguePeer(st, m1.Node).Applied, now2 = LeaguePeer(st, m2.Node).Applied;
        ASSERT_GE(now1, applied1);
        ASSERT_GE(now2, applied2);
        ReplayChanges(single, m1.Journal, m1.JournalMade, applied1, now1, made1, false);
        ReplayChanges(single, m2.Journal, m2.JournalMade, applied2, now2, made2, false);
        lagging += now1 < m1.Journal.size() || now2 < m2.Journal.size();
        applied1 = now1;
        applied2 = now2;
        ASSERT_EQ(Ydmaint({"-d", single, "daily"}).Exit, 0);
        ASSERT_TRUE(ReadFile(host.Folder + "THYRE.DAT") == ReadFile(single + "THYRE.DAT"));
    }
    // Nothing lost: after the calm days every entry reached the host, and
    // the members' copies are the host's game again.
    EXPECT_GE(lagging, 3);
    EXPECT_EQ(applied1, m1.Journal.size());
    EXPECT_EQ(applied2, m2.Journal.size());
    for (TBoard* b : {&m1, &m2}) ASSERT_EQ(Ydmaint({"-d", b->Folder, "league", "receive"}).Exit, 0);
    EXPECT_TRUE(ReadFile(m1.Folder + "THYRE.DAT") == ReadFile(host.Folder + "THYRE.DAT"));
    std::string log = ReadFile(host.Folder + "MAINT.LOG") + ReadFile(m1.Folder + "MAINT.LOG");
    EXPECT_NE(log.find("was passed already"), std::string::npos);
}

// A season as sysops run it: a founding refused at the host, letters read
// on a member, offers accepted on two boards at once, the host restored to a
// day before a member's founding, a member restored from its own backup,
// counts damaged far ahead, damaged and repeated packets, a second member
// line for one address and init run again on a configured host.  Nothing a
// caller was told is lost or wrong, and every packet not taken is named.
TEST(League, ASeasonOfRestoresRefusalsAndDamagedPacketsLosesNothingACallerWasTold)
{
    TLeagueRig rig;
    SetUpLeague(rig, rig.wire);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    std::string& wire = rig.wire;
    TBoard &host = rig.host, &m1 = rig.m1, &m2 = rig.m2;
    auto daily = [](TBoard& b) {
        TRun r = Ydmaint({"-d", b.Folder, "daily"});
        EXPECT_EQ(r.Exit, 0) << b.Folder << "\n" << r.Out;
        return r;
    };
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
        return n;
    };
    auto found = [](const std::string& name, const std::string& player) {
        TChange c = Change(ChangeFound, 0, {}, name);
        c.Player = player;
        return c;
    };
    auto letters = [](const std::string& folder) {
        std::vector<TMessageRec> out;
        std::string all = ReadFile(folder + "MSGS.DAT");
        for (size_t at = 0; at + sizeof(TMessageRec) <= all.size(); at += sizeof(TMessageRec)) {
            out.emplace_back();
            std::memcpy(&out.back(), all.data() + at, sizeof(TMessageRec));
        }
        return out;
    };
    auto slot = [](const std::string& folder, const std::string& name) {
        EXPECT_TRUE(LoadGame(folder + "THYRE.DAT"));
        for (int h = 1; h <= MaxHouseSlots; h++)
            if (HouseRec(h).Status != StatusFree && StrGet(HouseRec(h).Name) == name) return h;
        return 0;
    };

    // A second board set up with m1's address over the same folder: its
    // packet never replaces the one m1 left for the host, and it says so.
    std::string m3 = rig.s.Path("m3/");
    ASSERT_TRUE(MakeFolder(m3));
    ASSERT_EQ(Ydmaint({"-d", m3, "league", "init", "-league", "Thyre Cup", "-role", "member", "-node", m1.Node, "-host",
                       host.Node, "-inbound", wire, "-outbound", wire})
                  .Exit,
              0);
    ASSERT_EQ(Ydmaint({"-d", m1.Folder, "league", "send"}).Exit, 0);
    std::string fromM1 = wire + "thyre_j_21-1-101_21-1-100_00000001.ytp", m1Packet = ReadFile(fromM1);
    ASSERT_FALSE(m1Packet.empty());
    TRun twin = Ydmaint({"-d", m3, "league", "send"});
    EXPECT_EQ(twin.Exit, 1) << twin.Out;
    EXPECT_TRUE(ReadFile(fromM1) == m1Packet);
    EXPECT_NE(ReadFile(m3 + "MAINT.LOG").find("not signed with this board's key (does another board use the address 21:1/101?)"),
              std::string::npos);

    // A founding the host refuses (the name was taken there meanwhile)
    // reaches the caller who asked, once.
    Call(host, found("Capella", "Hal"));
    Call(m1, found("Mira", "Sam"));
    Call(m2, found("Capella", "Sam"));
    daily(m1), daily(m2), daily(host);
    WriteFile(m1.Folder + "THYRE.CFG", ReadFile(m1.Folder + "THYRE.CFG") + "WebFolder = web\r\n");
    daily(m1), daily(m2);
    int capella = slot(host.Folder, "Capella"), mira = slot(host.Folder, "Mira");
    ASSERT_GT(capella, 0);
    ASSERT_GT(mira, 0);
    EXPECT_NE(ReadFile(m2.Folder + "MAINT.LOG").find("the host refused Sam's house Capella: the name was taken on another board"),
              std::string::npos);
    EXPECT_EQ(TakeFoundingRefusal(m2.Folder, "Sam"),
              "Your house Capella could not be founded: the name was taken on another board.");
    EXPECT_EQ(TakeFoundingRefusal(m2.Folder, "Sam"), "");

    // Day 2: a letter for Mira and offers both ways; the member reads it.
    Call(host, Change(ChangeLetter, capella, {mira, 0}, "Hello Mira"));
    Call(host, Change(ChangeOfferTreaty, capella, {mira, TreatyPeace}));
    Call(m1, Change(ChangeOfferTreaty, mira, {capella, TreatyPeace}));
    daily(m1), daily(m2), daily(host), daily(m1), daily(m2);
    EXPECT_EQ(TakeFoundingRefusal(m2.Folder, "Sam"), "");   // told again by the host, kept once
    std::string box = ReadFile(m1.Folder + "MSGS.DAT");
    size_t hello = 0;
    for (const TMessageRec& m : letters(m1.Folder)) {
        if (MessageLine(m, 0) == "Hello Mira") break;
        hello++;
    }
    ASSERT_LT(hello * sizeof(TMessageRec), box.size());
    box[hello * sizeof(TMessageRec) + offsetof(TMessageRec, Read)] = 1;
    WriteFile(m1.Folder + "MSGS.DAT", box);
    // Day 3: both accept; the host signs its own at once and refuses
    // Mira's by a letter that names it.
    Call(host, Change(ChangeAcceptTreaty, capella, {mira}));
    EXPECT_EQ(Call(m1, Change(ChangeAcceptTreaty, mira, {capella})), "");
    daily(m1), daily(m2), daily(host), daily(m1), daily(m2);
    bool read = false, refusal = false;
    for (const TMessageRec& m : letters(m1.Folder)) {
        if (MessageLine(m, 0) == "Hello Mira") read = m.Read == 1;
        if (MessageLine(m, 0) == "Your acceptance of Capella's offer of day 3 could not be carried out:") {
            refusal = m.To == mira && m.Read == 0;
            EXPECT_EQ(MessageLine(m, 1), "That house offers you nothing.");
        }
    }
    EXPECT_TRUE(read);
    EXPECT_TRUE(refusal);
    EXPECT_NE(ReadFile(m1.Folder + "MAINT.LOG").find("caller's acceptance of Capella's offer of day 3: That house offers you nothing."),
              std::string::npos);
    // A member's copy holds the news and its own houses' reports; its page
    // and NEWS.TXT are written from the host's scores.
    std::string events = ReadFile(m1.Folder + "EVENTS.DAT");
    ASSERT_EQ(events.size() % sizeof(TEventRec), 0u);
    EXPECT_LT(events.size(), ReadFile(host.Folder + "EVENTS.DAT").size());
    for (size_t at = 0; at < events.size(); at += sizeof(TEventRec)) EXPECT_TRUE(events[at] == 0 || events[at] == mira);
    EXPECT_TRUE(ReadFile(m1.Folder + "SCORES.DAT") == ReadFile(host.Folder + "SCORES.DAT"));
    EXPECT_NE(ReadFile(m1.Folder + "web/index.html").find("Scores night by night"), std::string::npos);
    EXPECT_TRUE(PathExists(m1.Folder + "NEWS.TXT"));

    // The host restored to a day before m2's founding: the slot goes back
    // to whoever founds in it next, here a host caller; Mira stays m1's.
    ASSERT_EQ(Ydmaint({"-d", host.Folder, "backup", rig.s.Path("hostcopy")}).Exit, 0);
    std::vector<std::string> copies;
    ASSERT_TRUE(ListFolder(rig.s.Path("hostcopy/"), copies));
    ASSERT_EQ(copies.size(), 1u);
    Call(m2, found("Vega", "Sam"));
    daily(m1), daily(m2), daily(host), daily(m2);
    int vega = slot(host.Folder, "Vega");
    ASSERT_GT(vega, 0);
    EXPECT_TRUE(LeagueHouseHere(m2.Folder, vega));
    TRun r = Ydmaint({"-d", host.Folder, "restore", rig.s.Path("hostcopy/") + copies[0] + "/THYRE.DAT", "-yes"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    Call(host, found("Hostb", "Sam"));
    int hostb = slot(host.Folder, "Hostb");
    ASSERT_GT(hostb, 0);
    EXPECT_TRUE(LeagueHouseHere(host.Folder, hostb));
    EXPECT_EQ(LookAtLeague(host.Folder).HouseBoardName[hostb], "21:1/100");
    EXPECT_EQ(LookAtLeague(host.Folder).HouseBoardName[mira], "One BBS");
    daily(m1), daily(m2), daily(host), daily(m1), daily(m2);
    EXPECT_EQ(slot(m2.Folder, "Vega"), 0);
    EXPECT_FALSE(LeagueHouseHere(m2.Folder, hostb));
    EXPECT_EQ(LookAtLeague(m2.Folder).HouseBoardName[hostb], "21:1/100");

    // m1 restored from its own backup two exchanges old: the orders given
    // on the stale copy reach the host, numbered again, none refused.
    ASSERT_EQ(Ydmaint({"-d", m1.Folder, "backup", rig.s.Path("m1copy")}).Exit, 0);
    ASSERT_TRUE(ListFolder(rig.s.Path("m1copy/"), copies));
    std::string m1copy = rig.s.Path("m1copy/") + copies[0] + "/";
    for (int day = 0; day < 2; day++) {
        Call(m1, Change(ChangeLetter, mira, {capella, 0}, "Before the restore " + std::to_string(day)));
        Call(m1, Change(ChangeCameOn, mira, {}));
        daily(m1), daily(m2), daily(host);
    }
    for (const char* f : {"THYRE.DAT", "LEAGUE.DAT", "JOURNAL.DAT", "MSGS.DAT", "EVENTS.DAT"})
        if (PathExists(m1copy + f)) WriteFile(m1.Folder + f, ReadFile(m1copy + f));
    size_t passed = count(ReadFile(host.Folder + "MAINT.LOG"), "was passed already");
    EXPECT_EQ(Call(m1, Change(ChangeLetter, mira, {capella, 0}, "From the restored copy")), "");
    daily(m1), daily(m2), daily(host);
    EXPECT_NE(ReadFile(m1.Folder + "MAINT.LOG").find("numbered again"), std::string::npos);
    std::vector<TMessageRec> mailbox;
    ASSERT_TRUE(ReadMailbox(host.Folder, capella, mailbox));
    size_t restored = 0, before = 0;
    for (const TMessageRec& m : mailbox) {
        restored += MessageLine(m, 0) == "From the restored copy";
        before += MessageLine(m, 0).rfind("Before the restore", 0) == 0;
    }
    EXPECT_EQ(restored, 1u);
    EXPECT_EQ(before, 2u);
    std::string hostLog = ReadFile(host.Folder + "MAINT.LOG");
    EXPECT_EQ(count(hostLog, "was passed already"), passed) << hostLog;
    EXPECT_EQ(count(hostLog, "refused 21:1/101's entry"), 1u) << hostLog;   // the crossed acceptance alone
    // An edited copy sends a fleet to a system its house never saw: the
    // host refuses it as the door does.
    ASSERT_TRUE(LoadGame(host.Folder + "THYRE.DAT"));
    int unseen = 0;
    while (unseen < Game.Header.SystemCount && Known(mira, unseen)) unseen++;
    ASSERT_LT(unseen, Game.Header.SystemCount);
    ASSERT_GE(FirstFleet(mira), 0);
    ASSERT_TRUE(JournalAppend(m1.Folder, 9, Change(ChangeOrderFleet, mira, {FirstFleet(mira), OrderMove, unseen, -1})));

    // A count damaged far ahead does not shut the host's games out.
    std::string state = ReadFile(m1.Folder + "LEAGUE.DAT");
    size_t peer = state.find("Peer = 21:1/100, ");
    ASSERT_NE(peer, std::string::npos);
    size_t end = state.find('\r', peer);
    std::string line = state.substr(peer, end - peer);
    size_t c1 = line.find(',', 17), c2 = line.find(',', c1 + 1);
    WriteFile(m1.Folder + "LEAGUE.DAT", state.substr(0, peer) + line.substr(0, c1 + 2) + "500" + line.substr(c2) +
                                            state.substr(end));
    daily(m1), daily(m2), daily(host);
    r = daily(m1);
    EXPECT_NE(r.Out.find("league receive: 1 packet taken"), std::string::npos) << r.Out;
    EXPECT_NE(ReadFile(host.Folder + "MAINT.LOG").find("(fleet order): That system is not on your charts."), std::string::npos);
    EXPECT_NE(ReadFile(m1.Folder + "MAINT.LOG").find("'s fleet order of day 9: That system is not on your charts."),
              std::string::npos);
    TLeagueState told = ReadLeagueState(m1.Folder);
    EXPECT_LT(LeaguePeer(told, host.Node).NumberIn, 500u);

    // A damaged game from the host: the member says so, even with -quiet,
    // and its sending is no problem.
    daily(m2), daily(host);
    std::vector<std::string> names;
    ListFolder(wire, names);
    std::string forM1;
    for (const std::string& n : names)
        if (n.find("_s_21-1-100_21-1-101_") != std::string::npos) forM1 = n;
    ASSERT_FALSE(forM1.empty());
    std::string bytes = ReadFile(wire + forM1);
    bytes[bytes.size() / 2] ^= 4;
    WriteFile(wire + forM1, bytes);
    r = Ydmaint({"-d", m1.Folder, "daily", "-quiet"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Out.find("ydmaint: PROBLEM: league receive: 0 packets taken, 0 changes made again, 1 packet refused"),
              std::string::npos) << r.Out;
    EXPECT_EQ(r.Out.find("league send"), std::string::npos) << r.Out;

    // A mailer's second copy of a packet taken is moved aside; a packet
    // whose header names another league (a damaged byte) is left, and named.
    ASSERT_EQ(Ydmaint({"-d", m2.Folder, "league", "send"}).Exit, 0);
    ListFolder(wire, names);
    std::string fromM2;
    for (const std::string& n : names)
        if (n.find("_j_21-1-102_") != std::string::npos) fromM2 = n;
    ASSERT_FALSE(fromM2.empty());
    std::string good = ReadFile(wire + fromM2);
    ASSERT_EQ(Ydmaint({"-d", host.Folder, "league", "receive"}).Exit, 0);
    WriteFile(wire + fromM2 + ".1", good);
    std::string other = good;
    size_t name = other.find("Thyre Cup");
    ASSERT_NE(name, std::string::npos);
    other[name + 6] = 'K';
    WriteFile(wire + "thyre_j_21-1-102_21-1-100_00000999.ytp", other);
    r = Ydmaint({"-d", host.Folder, "league", "receive"});
    EXPECT_NE(r.Out.find("1 packet refused, 1 packet of another league left in the inbound"), std::string::npos) << r.Out;
    EXPECT_TRUE(PathExists(host.Folder + "LEAGUE.BAD/" + fromM2 + ".1"));
    EXPECT_TRUE(PathExists(wire + "thyre_j_21-1-102_21-1-100_00000999.ytp"));
    EXPECT_NE(ReadFile(host.Folder + "MAINT.LOG")
                  .find("not taken, left in the inbound: thyre_j_21-1-102_21-1-100_00000999.ytp (it names the league "
                        "\"Thyre Kup\")"),
              std::string::npos);

    // A packet for the host whose header cannot be read is the host's to
    // refuse, not another board's of the shared folder.
    std::string garbled = good, garbledName = "thyre_j_21-1-102_21-1-100_00000998.ytp";
    garbled[2] ^= 0x55;
    garbled[3] ^= 0x55;
    WriteFile(wire + garbledName, garbled);
    r = Ydmaint({"-d", m1.Folder, "league", "receive"});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    EXPECT_TRUE(PathExists(wire + garbledName));
    r = Ydmaint({"-d", host.Folder, "league", "receive"});
    EXPECT_NE(r.Out.find("1 packet refused"), std::string::npos) << r.Out;
    EXPECT_TRUE(PathExists(host.Folder + "LEAGUE.BAD/" + garbledName));

    // A second Member line for one address is refused, and said so; init
    // run again keeps the members and keys.
    WriteFile(host.Folder + "LEAGUE.CFG", ReadFile(host.Folder + "LEAGUE.CFG") + "Member = 21:1/101, Copy BBS, 1\r\n");
    r = Ydmaint({"-d", host.Folder, "league", "status"});
    EXPECT_NE(r.Out.find("LEAGUE.CFG: the Member line \"21:1/101, Copy BBS, 1\" repeats the address 21:1/101; it is ignored."),
              std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Not taken, left in the inbound: thyre_j_21-1-102_21-1-100_00000999.ytp"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("refused packet"), std::string::npos) << r.Out;
    EXPECT_EQ(r.Out.find("Copy BBS, up to"), std::string::npos) << r.Out;
    r = Ydmaint({"-d", host.Folder, "league", "init", "-force", "-league", "Thyre Cup", "-role", "host", "-node", host.Node,
                 "-board", "Host BBS", "-inbound", wire, "-outbound", wire});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    EXPECT_NE(r.Out.find("Kept from the old LEAGUE.CFG: 2 Member lines and 2 other board's Key lines."), std::string::npos)
        << r.Out;
    std::string cfg = ReadFile(host.Folder + "LEAGUE.CFG");
    EXPECT_NE(cfg.find("Member = 21:1/102, Two BBS, 1"), std::string::npos) << cfg;
    EXPECT_EQ(count(cfg, "Key = "), 3u) << cfg;
    r = Ydmaint({"-d", host.Folder, "league", "send"});
    EXPECT_NE(r.Out.find("league send: 2 packets sent."), std::string::npos) << r.Out;

    // The host's folder put back whole from a backup copy: its LEAGUE.DAT
    // counts from older numbers than the members took.  The members take
    // its games all the same, a caller's letter made after it is carried
    // out, and a game of the lost nights arriving late is refused.
    daily(m1), daily(m2);
    ASSERT_EQ(Ydmaint({"-d", host.Folder, "backup", rig.s.Path("hostwhole")}).Exit, 0);
    ASSERT_TRUE(ListFolder(rig.s.Path("hostwhole/"), copies));
    ASSERT_EQ(copies.size(), 1u);
    std::string hostWhole = rig.s.Path("hostwhole/") + copies[0] + "/", lost, lostName;
    for (int day = 0; day < 2; day++) {
        daily(m1), daily(m2), daily(host);
        ListFolder(wire, names);
        for (const std::string& n : names)
            if (n.find("_s_21-1-100_21-1-101_") != std::string::npos) lost = ReadFile(wire + (lostName = n));
        daily(m1), daily(m2);
    }
    ASSERT_FALSE(lost.empty());
    ASSERT_TRUE(ListFolder(hostWhole, copies));
    for (const std::string& f : copies) WriteFile(host.Folder + f, ReadFile(hostWhole + f));
    EXPECT_EQ(Call(m1, Change(ChangeLetter, mira, {capella, 0}, "After the host's restore")), "");
    daily(m1), daily(m2), daily(host);
    r = daily(m1);
    EXPECT_NE(r.Out.find("league receive: 1 packet taken"), std::string::npos) << r.Out;
    daily(m2);
    EXPECT_TRUE(ReadFile(m1.Folder + "THYRE.DAT") == ReadFile(host.Folder + "THYRE.DAT"));
    EXPECT_TRUE(ReadFile(m2.Folder + "THYRE.DAT") == ReadFile(host.Folder + "THYRE.DAT"));
    EXPECT_NE(ReadFile(m1.Folder + "MAINT.LOG").find("the host counts again from an older number"), std::string::npos);
    WriteFile(wire + lostName, lost);   // a later number and day than the copy's, of the lost line
    r = Ydmaint({"-d", m1.Folder, "league", "receive"});
    EXPECT_EQ(r.Exit, 0) << r.Out;
    EXPECT_NE(r.Out.find("0 packets taken, 0 changes made again, 1 packet refused"), std::string::npos) << r.Out;
    EXPECT_NE(ReadFile(m1.Folder + "MAINT.LOG").find("it was made before the game taken last"), std::string::npos);
    EXPECT_TRUE(ReadFile(m1.Folder + "THYRE.DAT") == ReadFile(host.Folder + "THYRE.DAT"));
    daily(m1), daily(m2), daily(host), daily(m1), daily(m2);
    EXPECT_TRUE(ReadFile(m1.Folder + "THYRE.DAT") == ReadFile(host.Folder + "THYRE.DAT"));
    ASSERT_TRUE(ReadMailbox(host.Folder, capella, mailbox));
    restored = 0;
    for (const TMessageRec& m : mailbox) restored += MessageLine(m, 0) == "After the host's restore";
    EXPECT_EQ(restored, 1u);
}

// ------------------------------------------------------------ over binkd

namespace {

const char* const Binkd = "/usr/sbin/binkd";

// One board's mailer: its configuration, its outbound and inbound.  The
// host's listens on loopback; the members poll it.
struct TMailer {
    std::string Dir, Address, Config = "";
    int Port = 0;
    int64_t Pid = 0;
};

static void WriteMailerConfig(TMailer& m, const std::string& peers)
{
    for (const char* d : {"out", "in", "tmp"})
        if (!IsFolder(m.Dir + d)) MakeFolder(m.Dir + d);
    m.Config = m.Dir + "binkd.cfg";
    std::string cfg = "domain fidonet " + m.Dir + "out 21\naddress " + m.Address +
                      "@fidonet\nsysname \"Test\"\nsysop \"Sysop\"\nlocation \"Here\"\nnodeinfo 115200,TCP,BINKP\n"
                      "inbound " + m.Dir + "in\ninbound-nonsecure " + m.Dir + "tmp\ntemp-inbound " + m.Dir +
                      "tmp\nlog " + m.Dir + "binkd.log\nloglevel 4\npid-file " + m.Dir + "binkd.pid\n" + peers;
    if (m.Port) cfg += "iport " + std::to_string(m.Port) + "\nlisten 127.0.0.1:" + std::to_string(m.Port) + "\n";
    WriteFile(m.Config, cfg);
}

static bool StartListening(TMailer& m)
{
    if (std::system((std::string(Binkd) + " -D " + m.Config + " >/dev/null 2>&1").c_str()) != 0) return false;
    for (int i = 0; i < 50 && m.Pid == 0; i++) {
        int64_t pid = 0;
        if (ParseInt64(TrimText(ReadFile(m.Dir + "binkd.pid")), pid) && pid > 0) m.Pid = pid;
        else SleepMs(100);
    }
    SleepMs(200);
    return m.Pid > 0;
}

static void Stop(TMailer& m)
{
    if (m.Pid <= 0) return;
    kill((pid_t)m.Pid, SIGTERM);
    for (int i = 0; i < 50 && ProcessAlive(m.Pid); i++) SleepMs(100);
    m.Pid = 0;
}

// A member's mailer calls the host once and exchanges what is queued.
static TRun Poll(const TMailer& m, const std::string& host) { return RunProgram(Binkd, {"-p", "-P", host, m.Config}); }

}   // namespace

TEST(LeagueMailer, AWeekOverBinkdThenADownMemberABadPasswordABadKeyAndACutPacket)
{
    if (!PathExists(Binkd)) GTEST_SKIP() << "binkd is not installed";
    TScratch s;
    std::string single = s.Path("single/");
    TBoard host{s.Path("host/"), "21:1/100"}, m1{s.Path("m1/"), "21:1/101", true}, m2{s.Path("m2/"), "21:1/102", true};
    TMailer hm{s.Path("host-mail/"), "21:1/100"}, mm1{s.Path("m1-mail/"), "21:1/101"}, mm2{s.Path("m2-mail/"), "21:1/102"};
    hm.Port = 20000 + (int)(ProcessId() % 20000);
    for (const std::string& d : {single, host.Folder, m1.Folder, m2.Folder, hm.Dir, mm1.Dir, mm2.Dir}) ASSERT_TRUE(MakeFolder(d));
    std::string port = "127.0.0.1:" + std::to_string(hm.Port);
    WriteMailerConfig(hm, "node 21:1/101@fidonet - pw101\nnode 21:1/102@fidonet - pw102\n");
    WriteMailerConfig(mm1, "node 21:1/100@fidonet " + port + " pw101\n");
    WriteMailerConfig(mm2, "node 21:1/100@fidonet " + port + " pw102\n");
    ASSERT_TRUE(StartListening(hm)) << ReadFile(hm.Dir + "binkd.log");
    struct TStopAtEnd {
        TMailer& M;
        ~TStopAtEnd() { Stop(M); }
    } stopAtEnd{hm};

    ASSERT_EQ(Ydmaint({"-d", host.Folder, "new", "-seed", "31", "-players", "10"}).Exit, 0);
    CopyWholeFile(host.Folder + "THYRE.DAT", single + "THYRE.DAT");
    CopyWholeFile(host.Folder + "THYRE.CFG", single + "THYRE.CFG");
    std::string keys;
    std::vector<std::pair<TBoard*, TMailer*>> boards = {{&host, &hm}, {&m1, &mm1}, {&m2, &mm2}};
    for (auto [b, m] : boards) {
        TRun r = Ydmaint({"-d", b->Folder, "league", "init", "-league", "Mail Cup", "-role", b->Member ? "member" : "host",
                          "-node", b->Node, "-host", host.Node, "-transport", "mailer", "-zone", "21", "-inbound",
                          m->Dir + "in", "-outbound", m->Dir + "out"});
        ASSERT_EQ(r.Exit, 0) << r.Out;
        keys += Lines(r.Out).back() + "\n";
    }
    for (auto [b, m] : boards) {
        std::string cfg = ReadFile(b->Folder + "LEAGUE.CFG");
        cfg = cfg.substr(0, cfg.find("Key = ")) + keys;
        if (!b->Member) cfg += "Member = 21:1/101, One BBS, 2\nMember = 21:1/102, Two BBS, 2\n";
        WriteFile(b->Folder + "LEAGUE.CFG", cfg);
    }
    // The host's first game, queued for each member in the mailer's
    // outbound: a flow file per node, the packet marked to delete once sent.
    ASSERT_EQ(Ydmaint({"-d", host.Folder, "league", "send"}).Exit, 0);
    std::string flow = ReadFile(hm.Dir + "out/00010065.flo");
    EXPECT_EQ(flow.substr(0, 1), "^");
    EXPECT_NE(flow.find("thyre_s_21-1-100_21-1-101_00000001.ytp"), std::string::npos) << flow;
    EXPECT_TRUE(PathExists(hm.Dir + "out/00010066.flo"));
    for (TMailer* m : {&mm1, &mm2}) ASSERT_EQ(Poll(*m, host.Node).Exit, 0) << ReadFile(m->Dir + "binkd.log");
    EXPECT_FALSE(PathExists(hm.Dir + "out/00010065.flo"));   // sent, and the packet with it
    for (TBoard* b : {&m1, &m2}) ASSERT_EQ(Ydmaint({"-d", b->Folder, "league", "receive"}).Exit, 0);
    ASSERT_TRUE(ReadFile(m1.Folder + "THYRE.DAT") == ReadFile(host.Folder + "THYRE.DAT"));

    TChange found = Change(ChangeFound, 0, {}, "Hosta");
    found.Player = "Sam";
    Call(host, found);
    for (TBoard* b : {&m1, &m2}) {
        TChange c = Change(ChangeFound, 0, {}, b == &m1 ? "Mira" : "Mirax");
        c.Player = "Sam";
        Call(*b, c);
    }
    int64_t bytesIn = 0, packets = 0;
    // A week; then m2 is down three days, and comes back.
    for (int day = 1; day <= 11; day++) {
        SCOPED_TRACE("day " + std::to_string(day));
        bool m2Up = day < 8 || day > 10;
        std::vector<int> all;
        LoadGame(host.Folder + "THYRE.DAT");
        for (int h = 1; h <= MaxHouseSlots; h++)
            if (Playing(h)) all.push_back(h);
        for (TBoard* b : {&host, &m1, &m2})
            if (b != &m2 || m2Up)
                for (int h : b->Houses) PlayDay(*b, h, day, all);
        for (auto [b, m] : boards) {
            if (!b->Member || (b == &m2 && !m2Up)) continue;
            ASSERT_EQ(Ydmaint({"-d", b->Folder, "daily"}).Exit, 0);
            ASSERT_EQ(Poll(*m, host.Node).Exit, 0);
        }
        std::vector<std::string> in;
        ListFolder(hm.Dir + "in", in);
        for (const std::string& n : in) bytesIn += FileSize(hm.Dir + "in/" + n), packets++;
        TRun r = Ydmaint({"-d", host.Folder, "daily"});
        ASSERT_EQ(r.Exit, 0) << r.Out;
        ASSERT_EQ(Poll(mm1, host.Node).Exit, 0);
        if (m2Up) {
            ASSERT_EQ(Poll(mm2, host.Node).Exit, 0);
        }
        Replay(single, host);
        Replay(single, m1);
        // Back from three days down, m2's callers played on a copy three
        // nights old: the host checks their changes again and refuses what
        // no longer holds, as the single board does.
        std::map<int64_t, int64_t> made;
        if (m2Up) ReplayChanges(single, m2.Today, m2.Made, 0, m2.Today.size(), made, day != 11);
        ASSERT_EQ(Ydmaint({"-d", single, "daily"}).Exit, 0);
        ASSERT_TRUE(ReadFile(host.Folder + "THYRE.DAT") == ReadFile(single + "THYRE.DAT"));
        for (TBoard* b : {&host, &m1, &m2}) {
            b->Today.clear();
            b->Made.clear();
        }
        if (day == 1) {
            TLeagueState st = ReadLeagueState(host.Folder);
            for (int h = 1; h <= MaxHouseSlots; h++) {
                if (StrGet(HouseRec(h).Name) == "Hosta") host.Houses.push_back(h);
                if (st.HouseBoard[h] == m1.Node) m1.Houses.push_back(h);
                if (st.HouseBoard[h] == m2.Node) m2.Houses.push_back(h);
            }
            ASSERT_EQ(m1.Houses.size() + m2.Houses.size() + host.Houses.size(), 3u);
        }
        if (day == 10) {
            // m2 missed three nights: three games wait for it at the host.
            std::string queued = ReadFile(hm.Dir + "out/00010066.flo");
            EXPECT_EQ(std::count(queued.begin(), queued.end(), '\n'), 3) << queued;
        }
    }
    std::printf("[ figures  ] the host took %lld packets, %lld bytes, from two members in 11 days\n", (long long)packets,
                (long long)bytesIn);
    // Every board takes the last night: each copy is the host's game, and
    // the host applied every change each member made.
    for (TBoard* b : {&m1, &m2}) ASSERT_EQ(Ydmaint({"-d", b->Folder, "league", "receive"}).Exit, 0);
    for (TBoard* b : {&m1, &m2}) EXPECT_TRUE(ReadFile(b->Folder + "THYRE.DAT") == ReadFile(host.Folder + "THYRE.DAT"));
    TLeagueState st = ReadLeagueState(host.Folder);
    EXPECT_EQ(LeaguePeer(st, m1.Node).Applied, m1.Journal.size());
    EXPECT_EQ(LeaguePeer(st, m2.Node).Applied, m2.Journal.size());

    // A wrong password: the host's mailer refuses the session; nothing moves.
    std::string before = ReadFile(host.Folder + "THYRE.DAT");
    LoadGame(m1.Folder + "THYRE.DAT");
    EXPECT_EQ(Call(m1, Change(ChangeResearch, m1.Houses[0], {(HouseRec(m1.Houses[0]).ResTrack + 1) % 4})), "");
    ASSERT_EQ(Ydmaint({"-d", m1.Folder, "league", "send"}).Exit, 0);
    WriteMailerConfig(mm1, "node 21:1/100@fidonet " + port + " wrong\n");
    Poll(mm1, host.Node);
    EXPECT_TRUE(PathExists(mm1.Dir + "out/00010064.flo"));   // still queued
    ASSERT_EQ(Ydmaint({"-d", host.Folder, "league", "receive"}).Exit, 0);
    EXPECT_TRUE(ReadFile(host.Folder + "THYRE.DAT") == before);
    EXPECT_NE(ReadFile(hm.Dir + "binkd.log").find("ncorrect password"), std::string::npos);
    // The right password again: it arrives and is applied once.
    WriteMailerConfig(mm1, "node 21:1/100@fidonet " + port + " pw101\n");
    ASSERT_EQ(Poll(mm1, host.Node).Exit, 0);
    TRun r = Ydmaint({"-d", host.Folder, "league", "receive"});
    EXPECT_NE(r.Out.find("1 change applied"), std::string::npos) << r.Out;
    before = ReadFile(host.Folder + "THYRE.DAT");

    // A wrong key: m1 makes a new pair and tells nobody.
    std::string oldKey = ReadFile(m1.Folder + "LEAGUE.KEY");
    ASSERT_EQ(Ydmaint({"-d", m1.Folder, "league", "keygen", "-force"}).Exit, 0);
    ASSERT_EQ(Ydmaint({"-d", m1.Folder, "league", "send"}).Exit, 0);
    ASSERT_EQ(Poll(mm1, host.Node).Exit, 0);
    r = Ydmaint({"-d", host.Folder, "league", "receive"});
    EXPECT_NE(r.Out.find("1 packet refused"), std::string::npos) << r.Out;
    EXPECT_TRUE(ReadFile(host.Folder + "THYRE.DAT") == before);
    EXPECT_NE(ReadFile(host.Folder + "MAINT.LOG").find("its signature does not match 21:1/101's key"), std::string::npos);
    WriteFile(m1.Folder + "LEAGUE.KEY", oldKey);

    // A packet cut short in the inbound: refused and kept aside.
    ASSERT_EQ(Ydmaint({"-d", m1.Folder, "league", "send"}).Exit, 0);
    ASSERT_EQ(Poll(mm1, host.Node).Exit, 0);
    std::vector<std::string> in;
    ListFolder(hm.Dir + "in", in);
    ASSERT_EQ(in.size(), 1u);
    std::string cut = ReadFile(hm.Dir + "in/" + in[0]);
    WriteFile(hm.Dir + "in/" + in[0], cut.substr(0, cut.size() / 2));
    r = Ydmaint({"-d", host.Folder, "league", "receive"});
    EXPECT_NE(r.Out.find("1 packet refused"), std::string::npos) << r.Out;
    EXPECT_TRUE(ReadFile(host.Folder + "THYRE.DAT") == before);
    EXPECT_TRUE(PathExists(host.Folder + "LEAGUE.BAD/" + in[0]));
    EXPECT_NE(ReadFile(host.Folder + "MAINT.LOG").find("cut short"), std::string::npos);

    // Nothing of ours listens anywhere but on loopback, and it stops by its pid.
    char portHex[8];
    std::snprintf(portHex, sizeof portHex, ":%04X", hm.Port);
    int onLoopback = 0, elsewhere = 0;
    for (const std::string& line : Lines(ReadFile("/proc/net/tcp") + ReadFile("/proc/net/tcp6"))) {
        std::vector<std::string> f;
        for (size_t at = 0; at < line.size();) {
            size_t from = line.find_first_not_of(' ', at);
            if (from == std::string::npos) break;
            at = line.find(' ', from);
            f.push_back(line.substr(from, at == std::string::npos ? std::string::npos : at - from));
        }
        if (f.size() < 4 || f[3] != "0A" || f[1].find(portHex) == std::string::npos) continue;
        (f[1] == std::string("0100007F") + portHex ? onLoopback : elsewhere)++;
    }
    EXPECT_EQ(onLoopback, 1);
    EXPECT_EQ(elsewhere, 0);
    int64_t pid = hm.Pid;
    Stop(hm);
    EXPECT_FALSE(ProcessAlive(pid));
}

// A member's callers keep changing the game while its sysop sends again and
// again: the journal's numbers and LEAGUE.DAT's count of them never go back
// (each side changes LEAGUE.DAT only under the folder lock).
TEST(League, SendingWhileCallersChangeLosesNoEntry)
{
    TLeagueRig rig;
    SetUpLeague(rig, rig.wire);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    const std::string dir = rig.m1.Folder;
    const int changes = 150;
    std::thread callers([&] {
        for (int i = 0; i < changes; i++) {
            ASSERT_EQ(FolderOpen(dir, 30, 20, false), AccessOk);
            TChange c = Change(ChangeCameOn, 1, {});
            EXPECT_TRUE(JournalAppend(dir, 1, c));
            GameRelease();
        }
    });
    int sends = 0;
    for (; sends < 12; sends++) EXPECT_EQ(Ydmaint({"-d", dir, "league", "send"}).Exit, 0);
    callers.join();
    std::vector<TJournalEntry> journal;
    ASSERT_TRUE(ReadJournal(dir, journal));
    ASSERT_EQ(journal.size(), (size_t)changes);
    for (size_t i = 0; i < journal.size(); i++) EXPECT_EQ(journal[i].Number, i + 1);
    TLeagueState st = ReadLeagueState(dir);
    EXPECT_EQ(st.NextEntry, (uint32_t)changes + 1);
    EXPECT_EQ(LeaguePeer(st, rig.host.Node).NumberOut, (uint32_t)sends);
}
