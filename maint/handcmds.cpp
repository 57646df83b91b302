// The hand commands that put a game or a house in place, and the event list.
#include <cstdio>

#include "core/league.h"
#include "core/access.h"
#include "core/founding.h"
#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/random.h"
#include "core/text.h"
#include "core/chronicle.h"
#include "maint/maintcmd.h"
#include "maint/startgame.h"
#include "core/stores.h"

void CmdNew()
{
    if (std::string why = LeagueMemberRefusal(GameFolder); !why.empty()) Fatal(why);
    if (GameFileExists(GamePath()) && !HasOption("-force"))
        Fatal("a game is already running here; add -force to replace it (it is kept as OLDGAME.DAT)");
    SettingsWarned();
    uint32_t seed = HasOption("-seed") ? (uint32_t)IntOption("-seed", 1) : ClockSeed();
    std::string message;
    if (!StartNewGame(seed, message)) Fatal(message);
    MaintLog(GameFolder, "new game started by hand: " + message);
    HoldInterrupts(false);
    Say(message + ".");
}

void CmdJoin()
{
    if (std::string why = LeagueMemberRefusal(GameFolder); !why.empty()) Fatal(why);
    if (CommandArgs.size() < 2) Fatal("join needs a house name and a player name");
    const std::string houseName = TrimText(CommandArgs[0]), playerName = TrimText(CommandArgs[1]);
    auto printable = [](const std::string& t) {
        for (char c : t)
            if ((unsigned char)c < 32 || c == 127) return false;
        return true;
    };
    if (houseName.size() < HouseNameMin || houseName.size() > HouseNameMax || !printable(houseName) || houseName.find('`') != std::string::npos)
        Fatal("a house name is 3 to 23 characters, without control characters or colour codes");
    if (playerName.empty() || playerName.size() > PlayerNameMax || !printable(playerName))
        Fatal("a player name is 1 to 35 characters, without control characters");
    int computer = HasOption("-ai") ? 1 : 0;
    if (!HasLetter(houseName)) Fatal("a house name needs at least one letter");
    // Fatal ends the process, and the lock goes with it.
    TAccess a = GameOpen(GameFolder, 30, 20, false);
    if (a == AccessBusy) Fatal("the game is busy");
    if (a == AccessFailed) Fatal(GameAccessFailure());
    if (a != AccessOk) Fatal("no game in " + GamePath());
    if (FindHouseByPlayer(playerName) >= 0) Fatal("that player already has a house");
    int h = FoundHouse(houseName, playerName, computer);
    if (h < 0) Fatal("the game is full or closed to new houses");
    // Its player first sees what a house founded in the door shows.
    if (!computer) HouseRec(h).FirstCall = 1;
    if (!GameSave()) Fatal("could not write " + GamePath() + ": " + LastErrorText());
    GameRelease();
    int home = HouseRec(h).HomeWorld;
    Say("House " + IntToText(h) + ": " + StrGet(HouseRec(h).Name) + " at " +
        StrGet(Game.Systems[Game.Worlds[home].System].Name));
}

// The house an events command names: a number (0 the news), or a house's
// name in any letter case.  A name no house has ends the command.
static int EventsHouse()
{
    if (CommandArgs.empty()) return 0;
    const std::string& arg = CommandArgs[0];
    int64_t n;
    if (ParseInt64(arg, n)) return ArgInt(0, 0);
    if (!LoadGame(GamePath())) Fatal("no game in " + GamePath());
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (HouseRec(h).Status != StatusFree && SameText(StrGet(HouseRec(h).Name), TrimText(arg))) return h;
    Fatal("there is no house called " + arg);
}

void CmdEvents()
{
    int house = EventsHouse(), day = ArgInt(1, 0);
    std::vector<TEventRec> events;
    if (!ReadEvents(GameFolder, events)) Fatal("no EVENTS.DAT");
    for (const TEventRec& e : events)
        if (e.House == house && (day == 0 || e.Day == day)) Say(PadLeft(IntToText(e.Day), 3) + " " + EventText(e));
}
