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
