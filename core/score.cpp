#include "core/score.h"

#include "core/model.h"
#include "core/routes.h"
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
        score += wd.Pop / 100 + (w == hr.HomeWorld ? 40 : 20) + (wd.Relic != 0 ? 60 : 0);
    }
    score += 100 * (int64_t)hr.NestsDestroyed;
    for (int t = 0; t < ResearchTracks; t++) score += 10 * (int64_t)hr.Research[t];
    return score + HousePower(h) / 50;
}

void ComputeScores()
{
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (HouseRec(h).Status != StatusFree) HouseRec(h).Score = (int32_t)Clamp(HouseScore(h), INT32_MIN, INT32_MAX);
}
