// The caller's visit: the change helpers every screen uses, the house found
// or founded, the main menu and the closing line.
#include "player/visit.h"

#include "core/league.h"
#include "core/access.h"
#include "core/files.h"
#include "core/founding.h"
#include "core/model.h"
#include "core/rules.h"
#include "core/settings.h"
#include "core/stores.h"
#include "core/text.h"
#include "door/door.h"
#include "player/diplomacy.h"
#include "player/exchange.h"
#include "player/fleets.h"
#include "player/map.h"
#include "player/messages.h"
#include "player/prompts.h"
#include "player/research.h"
#include "player/reports.h"
#include "player/texts.h"
#include "player/worlds.h"

static void MainMenu();
static void ShowFounded(int h, const std::string& name);

// ------------------------------------------------------ change helpers

void SendNotice(int house, const std::string& text)
{
    SendLetter(house, {text}, true);
}

TChange CallerChange(uint8_t kind, std::initializer_list<int64_t> args, const std::string& text)
{
    TChange c;
    c.Kind = kind;
    c.House = (uint8_t)Caller.House;
    c.Player = Caller.Player;
    c.Text = text;
    int i = 0;
    for (int64_t a : args)
        if (i < ChangeArgs) c.Args[i++] = a;
    return c;
}

bool ChangeGame(const TChange& change, const std::function<std::string()>& check, int64_t* result)
{
    if (!GameBegin()) return false;
    std::string refusal = check ? check() : "";
    int64_t made = -1;
    if (refusal.empty()) refusal = ApplyChange(change, Caller.Folder, Game.Header.Day, &made);
    if (result) *result = made;
    // On a league member the host must hear of it: a change that cannot be
    // kept for the host is not made here either.
    if (refusal.empty() && Caller.LeagueMember &&
        !JournalAppend(Caller.Folder, Game.Header.Day, change, change.Kind == ChangeSplitFleet ? (int)made : -1))
        refusal = "The change could not be kept for the league's host; try again.";
    if (!SayError(refusal)) {
        GameAbandon();
        return false;
    }
    return GameCommit();
}

bool SendLetter(int mailbox, const std::vector<std::string>& lines, bool notice)
{
    int day = Game.Header.Day;
    if (!StoreBegin(notice)) return false;
    bool sent = SendMessage(Caller.Folder, notice ? 0 : Caller.House, mailbox, day, lines);
    if (sent && Caller.LeagueMember)
        sent = JournalAppend(Caller.Folder, day, CallerChange(ChangeLetter, {mailbox, notice ? 1 : 0}, JoinLines(lines)));
    GameAbandon();
    return sent;
}

// ----------------------------------------------------------------- visit

static int FindCallerHouse(const std::string& player)
{
    for (int h = 1; h <= MaxHouseSlots; h++) {
        const THouse& hr = HouseRec(h);
        // In a league a player is known by name and board.
        if (hr.Status != StatusFree && !hr.Computer && SameText(StrGet(hr.Player), player) &&
            LeagueHouseHere(Caller.Folder, h))
            return h;
    }
    return 0;
}

static void ShowFounded(int h, const std::string& name);

// On a member: whether the house's caller has come on since the host
// founded it (a visit the host has not applied yet waits in the journal).
static bool CalledSinceFounding(int h)
{
    std::vector<TJournalEntry> journal;
    if (!ReadJournal(Caller.Folder, journal)) return true;
    for (const TJournalEntry& e : journal)
        if (e.Change.Kind == ChangeCameOn && e.Change.House == h) return true;
    return false;
}

// A founding this member's caller asked for and the host refused, told once.
static void TellFoundingRefused()
{
    if (!StoreBegin(true)) return;
    std::string refusal = TakeFoundingRefusal(Caller.Folder, Caller.Player);
    GameAbandon();
    if (refusal.empty()) return;
    ClearPage();
    SayLine("`C" + refusal + "`7");
    PressKey();
}

void Visit()
{
    if (!GameLook()) {
        PressKey();
        return;
    }
    if (Caller.LeagueMember) TellFoundingRefused();
    int h = FindCallerHouse(Caller.Player);
    if (h == 0) {
        if (JoinScreen() == 0) return;
        if (!GameLook()) {
            PressKey();
            return;
        }
        h = FindCallerHouse(Caller.Player);
        if (h == 0) return;
    }
    Caller.House = h;
    Caller.DaySeen = Game.Header.Day;
    Caller.MapSeen = MapMark();
    // A house the sysop founded by hand greets its player as one founded
    // here; so does a league member's house, founded at the host, on its
    // caller's first call after that.
    const THouse& hr = HouseRec(h);
    bool firstCall = hr.FirstCall != 0 ||
                     (Caller.LeagueMember && hr.LastOnDay == hr.JoinedDay && !CalledSinceFounding(h));
    ChangeGame(CallerChange(ChangeCameOn, {}));
    if (firstCall && !Caller.Lost) ShowFounded(h, StrGet(HouseRec(h).Name));
    int day = Game.Header.Day;
    if (!Caller.Lost && day > 1 && day - 1 >= (int)HouseRec(h).JoinedDay) {
        ShowNightReport(day - 1);
        PressKey();
    }
    if (!Caller.Lost) MainMenu();
    ClearPage();
    // A house gone while its caller played is not left unexplained: a new
    // game comes with a new map, a house the sysop removed leaves the map.
    if (Caller.Lost && MapMark() != Caller.MapSeen)
        SayLine("`EA new game has begun while you played. Call again to found a house in it.`7");
    else if (Caller.Lost)
        SayLine("`CYour house is no longer in the game. Please ask your sysop.`7");
    SayLine("`8The Thyre will wait for you. Orders are carried out tonight.`7");
    if (DoorSecondsLeft() < 1) SayLine("`CYour time for this call is up.`7");
}

// The house this caller asked a league's host to found, still waiting in
// the journal, or empty.
static std::string PendingFounding()
{
    std::vector<TJournalEntry> journal;
    if (!ReadJournal(Caller.Folder, journal)) return "";
    for (const TJournalEntry& e : journal)
        if (e.Change.Kind == ChangeFound && SameText(e.Change.Player, Caller.Player)) return e.Change.Text;
    return "";
}

// On a league member the host founds the house (it owns the slots and the
// draws): the request waits in the journal for the next exchange.
static int RequestFounding(const std::string& name)
{
    TChange c;
    c.Kind = ChangeFound;
    c.Text = name;
    c.Player = Caller.Player;
    if (!StoreBegin(false)) return 0;
    bool kept = JournalAppend(Caller.Folder, Game.Header.Day, c);
    GameAbandon();
    SayLine(kept ? "`AHouse " + name + " will be founded at the host's next exchange. Call again after it to play.`7"
                 : "`CThe request couldn't be saved; try again later.`7");
    PressKey();
    return 0;
}

static void ShowFounded(int h, const std::string& name)
{
    ClearPage();
    SayLine("`AHouse " + name + " is founded at " + WorldName(HouseRec(h).HomeWorld) + ".`7");
    SayRule();
    for (const char* line : FoundedLines) SayLine(line);
    bool computerPlays = false;
    for (int c = 1; c <= MaxHouseSlots; c++)
        computerPlays = computerPlays || (HouseRec(c).Computer && HouseRec(c).Status == StatusActive);
    if (Game.Header.PeaceDays > 0 && computerPlays) {
        SayLine("");
        SayLine("The computer houses will leave your worlds alone for your first `F" +
                IntToText(Game.Header.PeaceDays) + "`7 days.");
    }
    PressKey();
}

// The join prompt's example: a name no house of this game has.
static std::string ExampleHouseName()
{
    static const char* const Examples[] = {"Varro", "Ostrel", "Caldera", "Meridian", "Solenne", "Tarkas", "Vesper"};
    for (const char* name : Examples)
        if (!HouseNameTaken(name, 0)) return name;
    return "Aurelle";
}

static int GameFull()
{
    SayLine("`CThe Thyre is full. Wait for the next game!`7");
    PressKey();
    return 0;
}

// The caller chose not to found a house (No, Escape or no name): told
// before the door goes back to the BBS.
static int NoHouseFounded()
{
    SayLine("`8No house was founded. Call again when you want to join the Thyre.`7");
    PressKey();
    return 0;
}

int JoinScreen()
{
    ClearPage();
    SayLine("`EYVARN THYRE`7");
    SayRule();
    for (const char* line : JoinStory) SayLine(line);
    SayLine("");
    if (Game.Header.JoinDays != 0 && Game.Header.JoinDays < Game.Header.Day) {
        SayLine("`CThis game is closed to new houses. Wait for the next one!`7");
        PressKey();
        return 0;
    }
    if (Caller.LeagueMember && !PendingFounding().empty()) {
        SayLine("`AHouse " + PendingFounding() + " will be founded at the host's next exchange. Call again after it to play.`7");
        PressKey();
        return 0;
    }
    // A game with no room says so before the caller chooses a name.
    if (!RoomToFound()) return GameFull();
    if (!AskYesNo("Will you found a house in the Thyre?")) return NoHouseFounded();
    const char* const taken = "`CThat name is too short, too long, or taken.`7";
    for (;;) {
        std::string name =
            AskLine("Name your house (3 to 23 letters), e.g. `F" + ExampleHouseName() + "`7: ", HouseNameMax);
        if (name.empty()) return NoHouseFounded();
        // A name without a letter is refused for what it is.
        if (!HasLetter(name)) {
            SayError(HouseNameRefusal(name));
            continue;
        }
        if (!HouseNameFree(name)) {
            SayLine(taken);
            continue;
        }
        if (Caller.LeagueMember) return RequestFounding(name);
        if (!GameBegin()) return 0;
        // Another node may have founded this caller's house, or taken the
        // name, since the look above.
        int existing = FindCallerHouse(Caller.Player);
        if (existing != 0) {
            GameAbandon();
            return existing;
        }
        if (!HouseNameFree(name)) {
            GameAbandon();
            SayLine(taken);
            continue;
        }
        int h = FoundHouse(name, Caller.Player, 0);
        if (h < 0) {
            GameAbandon();
            return GameFull();
        }
        if (!GameCommit()) {
            PressKey();
            return 0;
        }
        ShowFounded(h, name);
        return h;
    }
}

// ------------------------------------------------------------- main menu

struct TMenuEntry {
    char Key;
    const char* Label;
    void (*Screen)();   // none for Q
};

static const TMenuEntry MainMenuTable[12] = {
    {'R', "Overnight report", BrowseReports},     {'M', "Map of the Thyre", MapScreen},
    {'W', "Worlds and production", WorldsScreen}, {'F', "Fleets and orders", FleetsScreen},
    {'B', "Build", BuildScreen},                  {'T', "Research", ResearchScreen},
    {'D', "Diplomacy and treaties", DiplomacyScreen}, {'X', "Exchange (market)", ExchangeScreen},
    {'S', "Messages", MessagesScreen},            {'N', "News and standings", ShowNews},
    {'H', "Help", ShowHelp},                      {'Q', "Quit to the BBS", nullptr},
};

static std::string MenuItem(const TMenuEntry& e) { return std::string("`F[") + e.Key + "]`7 " + e.Label; }

static void ShowGameOver()
{
    const TGameHeader& hd = Game.Header;
    if (IsHouse(hd.Winner) && HouseRec(hd.Winner).Status != StatusFree)
        SayLine("`E  The game is over: " + StrGet(HouseRec(hd.Winner).Name) + " has won (" + WinKindText(hd.WinKind) +
                ").`7");
    else
        SayLine("`E  The game is over.`7");
    if (ReadSettings(Caller.Folder).AutoRestart)
        SayLine("`8  A new game starts after tonight's maintenance. See News > Hall of Fame.`7");
    else
        SayLine("`8  The sysop will start a new game. See News > Hall of Fame.`7");
}

std::string DrawMainMenu()
{
    ClearPage();
    ShowStatusBar();
    if (Game.Header.Ended) ShowGameOver();
    std::string keys;
    for (int i = 0; i < 12; i += 2)
        SayLine("   " + MenuItem(MainMenuTable[i]) + std::string(26 - std::string(MainMenuTable[i].Label).size(), ' ') +
                MenuItem(MainMenuTable[i + 1]));
    for (const TMenuEntry& e : MainMenuTable) keys += e.Key;
    SayRule();
    int unread = CountUnread(Caller.Folder, Caller.House);
    if (unread > 0) SayLine("  `E" + Counted(unread, "new message") + ".`7");
    return keys;
}

static void MainMenu()
{
    for (;;) {
        // A game busy for the whole wait does not end the visit: once its
        // line is read the menu is drawn from the game as last loaded (a
        // screen the busy game turned away is not waited for a second time),
        // and the next screen tries again.
        bool turnedAway = GameTurnedAway();
        if (turnedAway || !GameLook()) {
            if (Caller.Lost) return;
            // The refusal stays on the screen until the caller has read it.
            PressKey();
            if (!GameTurnedAway()) return;
            RefusalRead();
        }
        if (HouseRec(Caller.House).Status == StatusOut) {
            ClearPage();
            SayLine("`CYour house has fallen. Wait for the next game to rise again.`7");
            PressKey();
            return;
        }
        std::string keys = DrawMainMenu();
        int64_t left = DoorSecondsLeft();
        if (left < 120) SayLine("  `CYou have less than 2 minutes left.`7");
        if (left < 1) return;
        char key = AskKey("Your command: ", keys);
        for (const TMenuEntry& e : MainMenuTable)
            if (e.Key == key) {
                // Q is "back" on every other screen: here it is asked once.
                if (!e.Screen) {
                    if (AskYesNo("Leave the Thyre?")) return;
                    break;
                }
                e.Screen();
            }
    }
}
