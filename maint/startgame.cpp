#include "maint/startgame.h"

#include "core/access.h"
#include "core/osfs.h"
#include "core/startgame.h"
#include "core/text.h"
#include "maint/chronicle.h"
#include "maint/maintcmd.h"

bool StartNewGame(uint32_t seed, std::string& message)
{
    TSettings s = ReadSettings(GameFolder);
    if (!PathExists(GameFolder + SettingsFileName)) WriteSettings(GameFolder, s);
    s.MaxHouses = IntOption("-players", s.MaxHouses);
    s.Days = IntOption("-days", s.Days);
    s.Hollow = IntOption("-hollow", s.Hollow);
    s.SystemsPerHouse = IntOption("-systems", s.SystemsPerHouse);
    s.PeaceDays = (int32_t)Clamp(IntOption("-peace", s.PeaceDays), 0, 250);
    s.Difficulty = (int32_t)Clamp(IntOption("-difficulty", s.Difficulty), 1, 3);
    if (!MaintenanceBegin(GameFolder, 60, 1800)) {
        message = "the game stayed locked for a minute; is a door stuck?";
        return false;
    }
    bool ok = StartGame(GameFolder, s, seed, message, WriteFame);
    GameRelease();
    return ok;
}
