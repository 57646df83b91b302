#include "maint/startgame.h"

#include <climits>
#include <utility>

#include "core/access.h"
#include "core/osfs.h"
#include "core/startgame.h"
#include "core/text.h"
#include "core/chronicle.h"
#include "core/gamefile.h"
#include "maint/maintcmd.h"

bool StartNewGame(uint32_t seed, std::string& message, bool (*stillWanted)())
{
    TSettings s = ReadSettings(GameFolder);
    if (!PathExists(GameFolder + SettingsFileName)) WriteSettings(GameFolder, s);
    // The command line's numbers within the ranges THYRE.CFG allows (the
    // settings table's); anything else is refused rather than wrapped.
    struct TOverride {
        const char* Option;
        const char* Key;
    } overrides[] = {
        {"-players", "MAXHOUSES"},
        {"-days", "DAYS"},
        {"-hollow", "HOLLOW"},
        {"-systems", "SYSTEMSPERHOUSE"},
    };
    for (const TOverride& o : overrides) {
        const TSettingField& f = *SettingField(o.Key);
        if (!HasOption(o.Option)) continue;
        int v = IntOption(o.Option, INT32_MIN);
        if (v < f.Low || v > f.High) {
            message = std::string(o.Option) + " must be a whole number from " + IntToText(f.Low) + " to " +
                      IntToText(f.High);
            return false;
        }
        s.*f.Number = v;
    }
    // These two are clamped, as THYRE.CFG's reader clamps them.
    for (const auto& [option, key] : {std::pair{"-peace", "PEACEDAYS"}, std::pair{"-difficulty", "DIFFICULTY"}}) {
        const TSettingField& f = *SettingField(key);
        s.*f.Number = (int32_t)Clamp(IntOption(option, s.*f.Number), f.Low, f.High);
    }
    // Half an archive (the messages moved aside, the new map not yet saved)
    // would cost the running game its letters: a Ctrl-C waits until the
    // start is logged.
    if (!MaintenanceBeginHeld(60, 1800)) {
        message = GameAccessFailure().empty() ? "the game stayed locked for a minute; is a door stuck?"
                                              : GameAccessFailure();
        return false;
    }
    if (stillWanted && !stillWanted()) {
        GameRelease();
        message.clear();
        return true;
    }
    bool ok = StartGame(GameFolder, s, seed, message);
    GameRelease();
    return ok;
}
