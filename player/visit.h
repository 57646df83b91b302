// The caller's visit: the command line, the game access under the folder
// lock, the house found or founded, the main menu, and ERRORS.LOG.
#pragma once
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/change.h"

// The caller, the one thing a visit keeps between two loads of the game.
struct TCaller {
    std::string Folder;     // game folder, with its delimiter
    int Node = 1;           // the -n argument
    bool Local = false;     // -l: local play on the console
    std::string Player;     // the BBS name, at most 35 characters
    int House = 0;          // 1..25 once found or founded, 0 before
    int DaySeen = 0;        // the game day when the house was found; 0 before
    bool NewDay = false;    // a load found a game day other than DaySeen
    bool Lost = false;      // a load found the house slot no longer the caller's
    bool InChange = false;  // between GameBegin and GameCommit or GameAbandon
    bool FolderFailed = false;  // the game folder refused the lock: the door ends with exit code 1
    bool LeagueMember = false;  // a league member's door: every change also goes to the journal
    std::string LeagueName;     // the league's name when the game is a league's, else empty
    std::string MapSeen;        // the map the house was found on (MapMark), empty before
};
extern TCaller Caller;

enum { LookWaitSeconds = 15, LookHoldSeconds = 20 };

// The game access of every screen.  GameLook loads and lets go at once;
// GameBegin keeps the lock until GameCommit (which saves) or GameAbandon.
bool GameLook();
// The reload before a screen acts on a key: false when the game could not
// be loaded, or when a new day was just announced (the screen then draws
// today's game again rather than act on what the caller saw yesterday).
bool StillToday();
// The last load was turned away by a game busy for the whole wait, and the
// caller has not yet been back at the menu since; RefusalRead forgets it.
bool GameTurnedAway();
void RefusalRead();
bool GameBegin();
bool GameCommit();
void GameAbandon();
// The folder lock alone, for the letters in MSGS.DAT (the night rewrites
// that file under the lock); GameAbandon lets it go.  Quiet: no refusal shown.
bool StoreBegin(bool quiet);
// A notice of one line from the game to a house, dated today.
void SendNotice(int house, const std::string& text);
// A change by the caller's house, its arguments in the record's order.
TChange CallerChange(uint8_t kind, std::initializer_list<int64_t> args, const std::string& text = "");
// One change to the game: GameBegin, the screen's check of what the caller
// saw (a refusal, or empty), the change applied, kept in the journal on a
// league member, SayError, then GameCommit or GameAbandon.  True only when
// the change was saved; *result as ApplyChange gives it.
bool ChangeGame(const TChange& change, const std::function<std::string()>& check = {}, int64_t* result = nullptr);
// A letter or bulletin from the caller's house (notice: a line from the
// game itself, as for a treaty signed), kept with MSGS.DAT's lock.
bool SendLetter(int mailbox, const std::vector<std::string>& lines, bool notice = false);

// The whole program: command line, drop file, connection, visit; the exit code.
int ThyreMain(int argc, char** argv);
// Runs a visit's body and handles its failures: a hang-up ends it silently,
// anything else is written to ERRORS.LOG and the caller gets an apology.
// Says how a visit cut short ended, for the sysop; empty when the body ran
// to its end.
std::string GuardedVisit(const std::function<void()>& body);
void Visit();
int JoinScreen();   // the house founded (or found by now), or 0
// The main menu as drawn from the loaded game; the keys it offers.
std::string DrawMainMenu();
