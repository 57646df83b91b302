#include "core/score.h"

#include "core/model.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/text.h"

// Worlds (people, home, relics), nests destroyed, research and fleet power.
static int64_t HouseScore(int h)
{
    const THouse& hr = HouseRec(h);
    if (hr.Status == StatusOut) return 0;
    int64_t score = 0;
    for (int w = 0; w < Game.Header.WorldCount; w++) {
        const TWorld& wd = Game.Worlds[w];
        if (wd.Owner != h) continue;
        score += wd.Pop / ScorePopUnit + (w == hr.HomeWorld ? ScoreHomeWorld : ScoreOtherWorld) + (wd.Relic != 0 ? ScoreRelic : 0);
    }
    score += ScoreNest * (int64_t)hr.NestsDestroyed;
    for (int t = 0; t < ResearchTracks; t++) score += ScoreResearchLevel * (int64_t)hr.Research[t];
    return score + HousePower(h) / ScorePowerUnit;
}

void ComputeScores()
{
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (HouseRec(h).Status != StatusFree) HouseRec(h).Score = (int32_t)Clamp(HouseScore(h), INT32_MIN, INT32_MAX);
}

static bool InStandings(int h, bool countOut)
{
    int st = HouseRec(h).Status;
    return st == StatusActive || st == StatusAutopilot || (countOut && st == StatusOut);
}

std::vector<int> RankedHouses(bool countOut)
{
    std::vector<int> list;
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (InStandings(h, countOut)) list.push_back(h);
    // The plain exchange sort: how it orders equal scores is part of the ranking.
    for (size_t i = 0; i + 1 < list.size(); i++)
        for (size_t j = i + 1; j < list.size(); j++)
            if (HouseRec(list[j]).Score > HouseRec(list[i]).Score) std::swap(list[i], list[j]);
    return list;
}

int ScoreRank(int h, bool countOut)
{
    if (!IsHouse(h) || !InStandings(h, countOut)) return 0;
    int rank = 1;
    for (int o = 1; o <= MaxHouseSlots; o++)
        if (o != h && InStandings(o, countOut) && HouseRec(o).Score > HouseRec(h).Score) rank++;
    return rank;
}

int LeadingHouse()
{
    std::vector<int> ranked = RankedHouses(false);
    return ranked.empty() ? 0 : ranked[0];
}

void EndGameWith(int winner, int kind)
{
    TGameHeader& hd = Game.Header;
    hd.Ended = 1;
    hd.Winner = (uint8_t)(IsHouse(winner) ? winner : 0);
    hd.WinKind = (uint8_t)(IsHouse(winner) || kind == WinSysopEnded ? kind : WinNone);
}
