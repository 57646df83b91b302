#include "turn/turn.h"

#include "core/model.h"
#include "core/random.h"
#include "core/routes.h"
#include "core/score.h"
#include "core/text.h"
#include "core/stores.h"
#include "turn/planner.h"

int EventDay = 0;

// The planner's few random draws come from a generator state of their own,
// derived from the game alone, so a night is the same whatever the process
// drew before it (a sim and a turn of one saved game agree).  RunTurn then
// restores the night's own generator from the game.
static const uint32_t PlannerStream = 0x9E3779B9u;

bool PlayNight(const std::string& folder, TNight& night)
{
    SeedRandom(Game.Header.Seed ^ PlannerStream);
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (HouseRec(h).Computer || HouseRec(h).Status == StatusAutopilot) PlanHouse(h, night.PlainSearches);
    return RunTurn(folder, night);
}

bool PlayNight(const std::string& folder)
{
    TNight night;
    return PlayNight(folder, night);
}

bool RunTurn(const std::string& folder, TNight& night)
{
    TGameHeader& h = Game.Header;
    if (h.Ended) return true;
    EventDay = h.Day;
    SeedRandom(h.Seed);
    if (!EventsBegin(night.Events, folder, EventDay)) return false;
    LaneDrift(night);
    MoveFleets(night);
    FightBattles(night);
    LandFleets(night);
    HollowRaids(night);
    RunEconomy(night);
    CompleteBuilds(night);
    HollowSpawn(night);
    RunSight(night);
    RunAbsence(night);
    EndTreatiesOnNotice(night);
    ComputeScores();
    CheckVictory(night);
    WarnPeaceOver(night);
    h.Seed = RandomState();
    h.Day++;
    return EventsEnd(night.Events);
}

bool RunTurn(const std::string& folder)
{
    TNight night;
    return RunTurn(folder, night);
}

// ---- Lane drift: announced on days 5 mod 7, carried out on days 0 mod 7.

static bool CountedOpen(int l) { return Game.Lanes[l].State == LaneOpen || Game.Lanes[l].State == LaneOpening; }

bool Connected(bool countedOpenOnly)
{
    int n = Game.Header.SystemCount;
    if (n == 0) return true;
    TLaneLists lists;
    BuildLaneLists(lists, countedOpenOnly ? CountedOpen : nullptr);
    std::vector<int> dist((size_t)n, -1);
    return SearchHops(lists, 0, dist) == n;
}

static void AnnounceLane(TEventWriter& ev, int l, const std::string& text)
{
    int a = Game.Lanes[l].A, b = Game.Lanes[l].B;
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (Playing(h) && (Chart(h, a).SeenDay > 0 || Chart(h, b).SeenDay > 0))
            AddEvent(ev, h, EventLane, "The lane " + SystemName(a) + " - " + SystemName(b) + " " + text);
}

static void DriftChange(TEventWriter& ev)
{
    int closed = 0, opened = 0;
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        TLane& ln = Game.Lanes[l];
        if (ln.State == LaneClosing) {
            ln.State = LaneClosed;
            AnnounceLane(ev, l, "has closed.");
            closed++;
        } else if (ln.State == LaneOpening) {
            ln.State = LaneOpen;
            AnnounceLane(ev, l, "is now open.");
            opened++;
        }
    }
    if (closed + opened > 0)
        AddNews(ev, "Lane drift: " + Counted(closed, "lane") + " closed and " + IntToText(opened) +
                " opened across the Thyre.");
}

// A closing may not strand anyone: both ends keep a lane, home positions
// keep three, and the whole map stays joined to system 0.
static bool ClosingAllowed(int l)
{
    int ends[2] = {Game.Lanes[l].A, Game.Lanes[l].B};
    for (int s : ends)
        if ((Game.Systems[s].Flags & SysHome) && LaneDegree(s, true) < 3) return false;
    return Connected(true);
}

static void DriftWarnings(TEventWriter& ev)
{
    int lanes = Game.Header.LaneCount;
    int n = (int)Max(1, lanes / 12);
    int marked = 0;
    for (int draws = 0; marked < n && draws < 3 * lanes;) {
        int l = Random(lanes);
        draws++;
        TLane& ln = Game.Lanes[l];
        if (ln.State != LaneOpen) continue;
        if (LaneDegree(ln.A, true) <= 1 || LaneDegree(ln.B, true) <= 1) continue;
        ln.State = LaneClosing;
        if (ClosingAllowed(l)) {
            AnnounceLane(ev, l, "is unstable and will close in 2 days.");
            marked++;
        } else {
            ln.State = LaneOpen;
        }
    }
    marked = 0;
    for (int draws = 0; marked < n && draws < 3 * lanes;) {
        int l = Random(lanes);
        draws++;
        TLane& ln = Game.Lanes[l];
        if (ln.State != LaneClosed) continue;
        if (LaneDegree(ln.A, true) >= 5 || LaneDegree(ln.B, true) >= 5) continue;
        ln.State = LaneOpening;
        AnnounceLane(ev, l, "is forming and will open in 2 days.");
        marked++;
    }
}

void LaneDrift(TNight& night)
{
    TEventWriter& ev = night.Events;
    if (EventDay % 7 == 0) DriftChange(ev);
    if (EventDay % 7 == 5) DriftWarnings(ev);
}

// ---- Sight: the charts show the night's end state.

void MarkSeen(int h, int s)
{
    if (!IsHouse(h) || !IsSystem(s)) return;
    TChartEntry seen{(uint16_t)EventDay, (uint8_t)SystemOwner(s)};
    Chart(h, s) = seen;
    for (int k = 1; k <= MaxHouseSlots; k++)
        if (k != h && (Relation(h, k).Treaties & TreatyCharts)) Chart(k, s) = seen;
}

void RunSight(TNight&)
{
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (IsHouse(Game.Worlds[w].Owner)) MarkSeen(Game.Worlds[w].Owner, Game.Worlds[w].System);
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (!IsHouse(fl.House)) continue;
        MarkSeen(fl.House, fl.Loc);
        if (fl.Ships[ShipSkiff] > 0)
            for (int t : Neighbours(fl.Loc)) MarkSeen(fl.House, t);
    }
}
