// Houses' standing: absent players go on autopilot and are dissolved,
// treaties under notice end, victories are tested, and players are warned
// when the computer houses' peace runs out.
#include "core/founding.h"
#include "core/model.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/score.h"
#include "core/stores.h"
#include "core/text.h"
#include "turn/turn.h"

void RunAbsence(TNight& night)
{
    TEventWriter& ev = night.Events;
    const TGameHeader& hd = Game.Header;
    for (int h = 1; h <= MaxHouseSlots; h++) {
        THouse& hr = HouseRec(h);
        if (!Playing(h) || hr.Computer) continue;
        int away = EventDay - hr.LastOnDay;
        if (hr.Status == StatusActive && away >= hd.AutopilotAfter) {
            hr.Status = StatusAutopilot;
            AddEvent(ev, h, EventNotice, "You have been away " + IntToText(away) + " days: your house is on autopilot.");
        }
        if (away >= hd.DissolveAfter) {
            HouseLeaves(h);
            AddNews(ev, "House " + StrGet(hr.Name) + " has fallen silent; its worlds go their own way.");
        }
        if (hr.Status != StatusOut && HouseWorldCount(h) == 0) {
            HouseLeaves(h);
            AddNews(ev, "House " + StrGet(hr.Name) + " has lost its last world and is out of the game.");
        }
    }
}

void EndTreatiesOnNotice(TNight& night)
{
    TEventWriter& ev = night.Events;
    for (int a = 1; a <= MaxHouseSlots; a++)
        for (int b = 1; b <= MaxHouseSlots; b++) {
            TRelation& r = Relation(a, b);
            if (r.NoticeDay == 0 || r.NoticeDay > EventDay) continue;
            r.Treaties = 0;
            r.NoticeDay = 0;
            if (b > a) {
                AddEvent(ev, a, EventTreaty, "Your treaties with " + StrGet(HouseRec(b).Name) + " have ended.");
                AddEvent(ev, b, EventTreaty, "Your treaties with " + StrGet(HouseRec(a).Name) + " have ended.");
            }
        }
}

static void DeclareWinner(TEventWriter& ev, int house, int kind, const std::string& reason)
{
    EndGameWith(house, kind);
    AddNews(ev, "*** " + HouseName(house) + " has won the game: " + reason + " ***");
}

static bool LastHouseLeft(TEventWriter& ev)
{
    int founded = 0, playing = 0, last = 0;
    for (int h = 1; h <= MaxHouseSlots; h++) {
        founded += HouseRec(h).Status != StatusFree;
        if (Playing(h)) {
            playing++;
            last = h;
        }
    }
    if (founded < 2 || playing != 1) return false;
    DeclareWinner(ev, last, WinLastHouse, "the last house in the Thyre");
    return true;
}

static bool EveryRelicHeld(TEventWriter& ev)
{
    int holder = -1;
    for (int w = 0; w < Game.Header.WorldCount; w++) {
        if (Game.Worlds[w].Relic == 0) continue;
        int owner = Game.Worlds[w].Owner;
        if (holder < 0) holder = owner;
        if (owner != holder) return false;
    }
    if (!IsHouse(holder)) return false;
    DeclareWinner(ev, holder, WinRelics, "every relic of the Thyre");
    return true;
}

static bool Dominion(TEventWriter& ev)
{
    TGameHeader& hd = Game.Header;
    int64_t worlds = hd.WorldCount;
    int dominant = 0;
    for (int h = 1; h <= MaxHouseSlots && dominant == 0 && worlds > 0; h++) {
        if (!Playing(h)) continue;
        int64_t held = 0;
        for (int w = 0; w < hd.WorldCount; w++)
            if (IsHouse(Game.Worlds[w].Owner) && Allied(Game.Worlds[w].Owner, h)) held++;
        if (held * 100 >= worlds * 60) dominant = h;
    }
    if (dominant == 0) {
        hd.DominionDays = 0;
        return false;
    }
    if (dominant != hd.DominionHouse) {
        hd.DominionHouse = (uint8_t)dominant;
        hd.DominionDays = 0;
    }
    if (hd.DominionDays < 255) hd.DominionDays++;
    if (hd.DominionDays == 1)
        AddNews(ev, StrGet(HouseRec(dominant).Name) + " and its allies hold most of the Thyre. Three days to dominion!");
    if (hd.DominionDays >= 3) {
        DeclareWinner(ev, dominant, WinDominion, "dominion over the Thyre");
        return true;
    }
    return false;
}

static void TimeRunsOut(TEventWriter& ev)
{
    const TGameHeader& hd = Game.Header;
    if (hd.LastDay == 0 || EventDay < hd.LastDay) return;
    int best = LeadingHouse();
    if (best != 0)
        DeclareWinner(ev, best, WinScore, "the highest score when time ran out");
    else
        EndGameWith(0, WinNone);
}

void CheckVictory(TNight& night)
{
    TEventWriter& ev = night.Events;
    const TGameHeader& hd = Game.Header;
    if (hd.Ended) return;
    if ((hd.Victories & VictoryLastHouse) && LastHouseLeft(ev)) return;
    if ((hd.Victories & VictoryRelics) && EveryRelicHeld(ev)) return;
    if ((hd.Victories & VictoryDominion) && Dominion(ev)) return;
    TimeRunsOut(ev);
}

void WarnPeaceOver(TNight& night)
{
    TEventWriter& ev = night.Events;
    const TGameHeader& hd = Game.Header;
    if (hd.PeaceDays == 0) return;
    bool computerActive = false;
    for (int h = 1; h <= MaxHouseSlots; h++)
        computerActive |= HouseRec(h).Computer && HouseRec(h).Status == StatusActive;
    if (!computerActive) return;
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (!HouseRec(h).Computer && Playing(h) && hd.Day + 1 == HouseRec(h).JoinedDay + hd.PeaceDays)
            AddEvent(ev, h, EventNotice, "Peace over: from tonight the computer houses may attack your worlds.");
}
