#include "player/reports.h"

#include <deque>
#include <vector>

#include "core/league.h"
#include "core/chronicle.h"
#include "core/files.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/output.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/score.h"
#include "core/stores.h"
#include "core/text.h"
#include "player/prompts.h"
#include "player/texts.h"
#include "player/visit.h"

enum { NewsKept = 40, NewsShown = 12, StandingsShown = 10 };
// How far back the report browser goes: the event store's keep window.
enum { ReportNights = 7 };

// The status bar's research piece: the track studied and its progress.
static std::string ResearchText(int house)
{
    const THouse& hr = HouseRec(house);
    int track = hr.ResTrack < ResearchTracks ? hr.ResTrack : 0;
    int level = hr.Research[track];
    if (level > 3) return "all done";
    int64_t cost = LevelCost[level + 1];
    int64_t percent = cost == 0 ? 0 : MulDiv(hr.ResPoints, 100, cost);
    // The level reached, as the research screen shows it, and the way to the next.
    return TrackName(track) + " " + IntToText(level) + " (" + IntToText(percent) + "%)";
}

// The first closing lane, in table order, that ends where the caller holds a world.
static int WarningLane(int house)
{
    std::vector<char> held(Game.Header.SystemCount, 0);
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == house) held[Game.Worlds[w].System] = 1;
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        const TLane& ln = Game.Lanes[l];
        if (ln.State == LaneClosing && (held[ln.A] || held[ln.B])) return l;
    }
    return -1;
}

void ShowStatusBar()
{
    int h = Caller.House;
    const THouse& hr = HouseRec(h);
    const TGameHeader& hd = Game.Header;
    int day = ShownDay();
    // In a league the bar names the league where the game's title stands.
    std::string league = Caller.LeagueName.empty() ? "YVARN THYRE" : Caller.LeagueName.substr(0, 24);
    std::string top = "`E " + league + "`7" + std::string(25 - league.size(), ' ') + "`FDay " + IntToText(day);
    if (hd.LastDay != 0) top += " of " + IntToText(hd.LastDay);
    top += hd.Ended ? " (over)" + std::string(5, ' ') : std::string(12, ' ');
    SayLine(top + "`7House `F" + StrGet(hr.Name) + "`7");
    SayRule();
    // What the stores really grow by tonight: upkeep and tribute included.
    TOutput day1 = HouseIncome(h);
    auto change = [](int64_t n) { return n < 0 ? " (" + IntToText(n) + ")" : " (+" + IntToText(n) + ")"; };
    SayLine("  Ore `F" + GroupThousands(hr.Ore) + "`7" + change(day1.Ore) + "   Fuel `F" + GroupThousands(hr.Fuel) +
            "`7" + change(day1.Fuel) + "   Influence `F" + GroupThousands(hr.Influence) + "`7" +
            change(day1.Influence));
    int fleets = 0;
    for (int f = 0; f < hd.FleetCount; f++) fleets += Game.Fleets[f].House == h;
    int ranked = (int)RankedHouses(false).size();
    // A house out of the game is behind every house still in it.
    int rank = ScoreRank(h, false);
    if (rank == 0) rank = ranked + 1;
    SayLine(ColourPrefix("  Worlds " + IntToText(HouseWorldCount(h)) + "   Fleets " + IntToText(fleets) +
                             "   Score `F" + IntToText(hr.Score) + "`7 (rank " + IntToText(rank) + " of " +
                             IntToText(ranked) + ")   Research " + ResearchText(h),
                         79));
    int l = WarningLane(h);
    if (l >= 0)
        SayLine(ColourPrefix("  `C! The lane " + SystemName(Game.Lanes[l].A) + " - " + SystemName(Game.Lanes[l].B) +
                                 " by your worlds is unstable and will close soon.`7",
                             79));
    SayRule();
}

static std::string EventLine(const TEventRec& e)
{
    const char* colour = nullptr;
    switch (e.Kind) {
    case EventBattle: colour = "`C"; break;
    case EventWorld: colour = "`A"; break;
    case EventLane: colour = "`3"; break;
    case EventHollow: colour = "`5"; break;
    case EventResearch: colour = "`E"; break;
    }
    return colour ? colour + EventText(e) + "`7" : EventText(e);
}

void ShowNightReport(int day)
{
    ClearPage();
    PageReset();
    SayLine("`FReport for the night of day " + IntToText(day) + "`7");
    SayRule();
    std::vector<TEventRec> events;
    int shown = 0;
    if (ReadEvents(Caller.Folder, events))
        for (const TEventRec& e : events) {
            if (e.House != Caller.House || e.Day != day) continue;
            if (!PageMore()) break;
            SayLine(EventLine(e));
            shown++;
        }
    if (shown == 0) SayLine("`8A quiet night.`7");
}

void BrowseReports()
{
    if (!GameLook()) return;   // the night may have run while the menu waited
    int today = Game.Header.Day;
    if (today <= 1) {
        ClearPage();
        SayLine("`8The game has just begun: there is no report yet.`7");
        PressKey();
        return;
    }
    int n = today - 1;
    for (;;) {
        ShowNightReport(n);
        SayRule();
        char key = AskKey("`F[O]`7lder  `F[N]`7ewer  `F[Q]`7 back: ", "ONQ\r\x1b");
        // A night run meanwhile is told, and the menu shows its day.
        if ((key == 'O' || key == 'N') && !StillToday()) return;
        if (key == 'O') {
            if (n > 1 && n > today - ReportNights) n--;
        } else if (key == 'N') {
            if (n < today - 1) n++;
        } else {
            return;
        }
    }
}

void DrawNews()
{
    ClearPage();
    PageReset();
    SayLine("`FNews of the Thyre`7");
    SayRule();
    std::deque<std::string> kept;
    std::vector<TEventRec> events;
    auto dayLine = [](int day, const std::string& text) { return "`8day " + PadLeft(IntToText(day), 3) + "`7  " + text; };
    int lastNight = Game.Header.Ended ? 0 : Game.Header.Day - 1;
    bool lastNightSaid = false;
    bool eventsRead = ReadEvents(Caller.Folder, events);
    if (eventsRead)
        for (const TEventRec& e : events) {
            if (e.House != 0) continue;
            kept.push_back(dayLine(e.Day, EventText(e)));
            lastNightSaid = lastNightSaid || e.Day == lastNight;
            if (kept.size() > NewsKept) kept.pop_front();
        }
    // Last night without news reads as NEWS.TXT and the bulletin have it,
    // the first quiet night of a game too.
    if (eventsRead && lastNight >= 1 && !lastNightSaid) {
        kept.push_back(dayLine(lastNight, QuietDayText));
        if (kept.size() > NewsKept) kept.pop_front();
    }
    size_t first = kept.size() > NewsShown ? kept.size() - NewsShown : 0;
    // A long news line goes on under its text, clear of the day column.
    for (size_t i = first; i < kept.size(); i++) SayHanging(kept[i], 9);
    if (kept.empty()) SayLine("`8No news yet.`7");
    SayRule();
    SayLine("`FStandings`7");
    std::vector<int> ranked = RankedHouses(false);
    TLeagueLook league = LookAtLeague(Caller.Folder);
    for (size_t i = 0; i < ranked.size() && i < StandingsShown; i++) {
        if (!PageMore()) break;
        int h = ranked[i];
        std::string board = league.HouseBoardName[h].empty() ? "" : "  " + league.HouseBoardName[h];
        SayLine("  " + PadLeft(IntToText(ScoreRank(h, false)), 2) + ". " + HouseColour(h) +
                PadRight(StrGet(HouseRec(h).Name), 24) + "`7" + PadLeft(IntToText(HouseRec(h).Score), 7) + "  `8" +
                Counted(HouseWorldCount(h), "world") + board + "`7");
    }
}

void ShowNews()
{
    // Today's scores and worlds, and a new day told before they are shown.
    if (!GameLook()) return;
    DrawNews();
    SayText("`F[F]`7 Hall of Fame, or any other key to go back: ");
    std::string key = WaitKey();
    if (key == "f" || key == "F") ShowHallOfFame();
}

static std::string FameLine(const std::string& line)
{
    if (line.compare(0, 3, "===") == 0) return "`8" + ColourPrefix(line, 78) + "`7";
    if (line.compare(0, 7, "Won by ") == 0) return "`E" + ColourPrefix(line, 79) + "`7";
    if (line.empty()) return "";
    if (line[0] == ' ') return ColourPrefix(line, 79);
    return "`F" + ColourPrefix(line, 79) + "`7";
}

void ShowHallOfFame()
{
    ClearPage();
    PageReset();
    SayLine("`EHall of Fame`7");
    SayRule();
    std::string text;
    int shown = 0;
    if (ReadWholeFile(Caller.Folder + FameFileName, text))
        for (const std::string& line : SplitLines(text)) {
            if (!PageMore()) break;
            SayLine(FameLine(line));
            shown++;
        }
    if (shown == 0) SayLine("`8No game has finished here yet. The first winner goes here.`7");
    PressKey();
}

void ShowHelp()
{
    ClearPage();
    SayLine("`FHow to play Yvarn Thyre`7");
    SayRule();
    for (const char* line : HelpLines) SayLine(line);
    PressKey();
}
