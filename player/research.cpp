// The research screen: the four tracks, their levels and the points saved.
#include "player/research.h"

#include "core/model.h"
#include "core/orders.h"
#include "core/rules.h"
#include "core/text.h"
#include "player/prompts.h"
#include "player/visit.h"

static const char* const TrackDescriptions[4] = {
    "-15% fuel a lane per level; at 3, Skiff and Lancer fleets move 2 lanes",
    "+10% damage per level; at 2, +20 shields on every world",
    "ships and buildings 5% cheaper per level; at 3, +1 building slot",
    "+15% influence per level; loyalty recovers faster",
};

void ResearchScreen()
{
    while (GameLook()) {
        const THouse& hr = HouseRec(Caller.House);
        ClearPage();
        SayLine("`FResearch`7");
        SayRule();
        for (int t = 0; t < ResearchTracks; t++) {
            bool current = t == hr.ResTrack;
            int level = hr.Research[t];
            std::string line = std::string(current ? "`E> " : "  ") + "`F" + IntToText(t + 1) + "`7  " +
                               PadRight(TrackName(t), 11) + "level " + IntToText(level) + " of " +
                               IntToText(MaxResearchLevel);
            if (current)
                line += level > 3 ? "   complete"
                                  : "   `F" + IntToText(hr.ResPoints) + "`7 of " + IntToText(LevelCost[level + 1]) +
                                        " points";
            SayLine(line + "`7");
            SayLine("     `8" + std::string(TrackDescriptions[t]) + "`7");
        }
        SayRule();
        SayLine("`8Research points come from influence produced each day, plus 10 per Academy.");
        SayLine("Switching tracks loses half the points saved so far.`7");
        char key = AskKey("Research which track `F[1-4]`7, or `F[Q]`7 back: ", "1234Q\r\x1b");
        if (key < '1' || key > '4') return;
        if (!StillToday()) continue;
        int t = key - '1';
        if (t == hr.ResTrack) continue;
        // Points given up are asked for first, in today's numbers; the
        // switch is refused if they are no longer what the caller agreed to.
        int points = hr.ResPoints, track = hr.ResTrack;
        int lost = ResearchPointsLost(Caller.House, t);
        if (lost > 0 && hr.Research[t] < MaxResearchLevel &&
            !AskYesNo("Switch to " + TrackName(t) + "? You lose " + IntToText(lost) + " of " + IntToText(points) +
                      " points."))
            continue;
        if (ChangeGame(CallerChange(ChangeResearch, {t}), [&]() -> std::string {
                const THouse& now = HouseRec(Caller.House);
                return now.ResPoints == points && now.ResTrack == track ? "" : "Your research has changed; look again.";
            }))
            SayLine("`AResearch changed.`7");
        PressKey();
    }
}
