#include "maint/startgame.h"

#include <climits>

#include "core/access.h"
#include "core/osfs.h"
#include "core/startgame.h"
#include "core/text.h"
#include "core/chronicle.h"
#include "maint/maintcmd.h"

bool StartNewGame(uint32_t seed, std::string& message)
{
    TSettings s = ReadSettings(GameFolder);
    if (!PathExists(GameFolder + SettingsFileName)) WriteSettings(GameFolder, s);
    // The command line's numbers within the same ranges THYRE.CFG allows;
    // anything else is refused rather than wrapped.
    struct TOverride {
        const char* Option;
        int32_t& Field;
        int Low, High;
    } overrides[] = {
        {"-players", s.MaxHouses, 2, 25},
        {"-days", s.Days, 0, 999},
        {"-hollow", s.Hollow, 0, 3},
        {"-systems", s.SystemsPerHouse, 5, 12},
    };
    for (const TOverride& o : overrides) {
        if (!HasOption(o.Option)) continue;
        int v = IntOption(o.Option, INT32_MIN);
        if (v < o.Low || v > o.High) {
            message = std::string(o.Option) + " must be a whole number from " + IntToText(o.Low) + " to " +
                      IntToText(o.High);
            return false;
        }
        o.Field = v;
    }
    s.PeaceDays = (int32_t)Clamp(IntOption("-peace", s.PeaceDays), 0, 250);
    s.Difficulty = (int32_t)Clamp(IntOption("-difficulty", s.Difficulty), 1, 3);
    if (!MaintenanceBegin(GameFolder, 60, 1800)) {
        message = GameAccessFailure().empty() ? "the game stayed locked for a minute; is a door stuck?"
                                              : GameAccessFailure();
        return false;
    }
    bool ok = StartGame(GameFolder, s, seed, message);
    GameRelease();
    return ok;
}
