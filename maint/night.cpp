// The commands that play the game: the nightly run (daily), a single night
// by hand (turn), a simulated game of computer houses (sim), and the two
// printers of the Hall of Fame and the news.
#include "maint/night.h"

#include <cstdio>

#include "core/files.h"
#include "core/access.h"
#include "core/founding.h"
#include "core/galaxy.h"
#include "core/gamefile.h"
#include "core/history.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/random.h"
#include "core/rules.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/chronicle.h"
#include "maint/league.h"
#include "maint/maintcmd.h"
#include "maint/startgame.h"
#include "maint/web.h"
#include "core/stores.h"
#include "turn/turn.h"

// THYRE.BKn, n the day before the night modulo 7: a week of rotating copies.
static void Backup()
{
    std::string data;
    if (!ReadWholeFile(GamePath(), data)) return;
    ReplaceFileSafely(GameFolder + BackupPrefix + IntToText(Game.Header.Day % 7), data);
}

static bool PlayLockedNight(std::string& message)
{
    if (!LoadGame(GamePath())) {
        message = "no game in " + GamePath();
        return false;
    }
    if (Game.Header.Ended) {
        message = "the game is over";
        return true;
    }
    Backup();
    TNight night;
    if (!PlayNight(GameFolder, night)) {
        message = "could not write " + GameFolder + EventsFileName;
        return false;
    }
    if (Game.Header.Ended) WriteFame(GameFolder);
    // The chart's history, before the game is saved: a night that could not
    // add to it is played again, like one that could not store its events.
    if (!RecordScores(GameFolder)) {
        message = "could not write " + GameFolder + ScoresFileName;
        return false;
    }
    if (!SaveGame(GamePath())) {
        message = "could not write " + GamePath();
        return false;
    }
    TrimMessages(GameFolder, Game.Header.Day);
    message = "day " + IntToText(Game.Header.Day - 1) + " done: " + IntToText(night.Events.Written) + " events";
    if (Game.Header.Ended) message += "; THE GAME HAS ENDED (" + WinKindText(Game.Header.WinKind) + ")";
    return true;
}

bool RunNight(std::string& message)
{
    if (!MaintenanceBegin(GameFolder, 60, 1800)) {
        message = GameAccessFailure().empty() ? "the game stayed locked for a minute; is a door stuck?"
                                              : GameAccessFailure();
        return false;
    }
    bool ok = PlayLockedNight(message);
    GameRelease();
    return ok;
}

static bool DailyDecision(const TSettings& s, std::string& message)
{
    std::string started;
    if (!GameFileExists(GamePath())) {
        bool ok = StartNewGame(ClockSeed(), started);
        message = "no game yet: " + started;
        return ok;
    }
    if (s.DailyReset) {
        bool ok = StartNewGame(ClockSeed(), started);
        message = "daily reset (DailyReset = Yes): " + started;
        return ok;
    }
    if (!LoadGame(GamePath())) {
        message = "THYRE.DAT could not be read";
        return false;
    }
    if (Game.Header.Ended && s.AutoRestart) {
        bool ok = StartNewGame(ClockSeed(), started);
        message = "the last game is over (AutoRestart = Yes): " + started;
        return ok;
    }
    if (Game.Header.Ended) {
        message = "the game is over; start a new one with THYRECFG or \"ydmaint new -force\" (or set AutoRestart = Yes)";
        return true;
    }
    return RunNight(message);
}

// A league's part of the nightly run: the host takes the members' journals
// before its night and sends the new game after it; a member takes the
// host's game and sends its journal, and never plays a night of its own.
// Lines that went well go to message, failures to problems.
static bool LeagueStep(const TLeagueConfig& c, bool send, std::string& message, std::string& problems)
{
    std::string summary;
    bool ok = send ? LeagueSend(c, summary) : LeagueReceive(c, summary);
    std::string line = std::string("league ") + (send ? "send" : "receive") + ": " + summary;
    MaintLog(GameFolder, ok ? line : "PROBLEM: " + line);
    std::string& to = ok ? message : problems;
    to += (to.empty() ? "" : "; ") + line;
    return ok;
}

// For a scheduler that mails every line: with -quiet only a problem is said.
static void SayOutcome(const std::string& message, const std::string& problems)
{
    if (!problems.empty()) Say("ydmaint: PROBLEM: " + problems + ".");
    if (!message.empty() && !HasOption("-quiet")) Say(message + ".");
}

// NEWS.TXT and the web page, when THYRE.CFG asks for them: after the night
// on a single board or a host, after the host's game arrives on a member.
static bool WritePages(const TSettings& s, std::string& problems)
{
    bool ok = true;
    if (s.NewsFile && LoadGame(GamePath())) {
        int day = Game.Header.Day < 2 ? 1 : Game.Header.Day - 1;
        WriteNews(GameFolder, day);
    }
    if (!s.WebFolder.empty()) {
        // A folder not written as a whole path lies in the game folder.
        bool whole = IsPathDelim(s.WebFolder[0]) || (s.WebFolder.size() > 1 && s.WebFolder[1] == ':');
        std::string problem = WriteWebSite(GameFolder, whole ? s.WebFolder : GameFolder + s.WebFolder);
        MaintLog(GameFolder, problem.empty() ? "web page written to " + s.WebFolder : "PROBLEM: web page: " + problem);
        if (!problem.empty()) {
            problems += (problems.empty() ? "" : "; ") + std::string("web page: ") + problem;
            ok = false;
        }
    }
    return ok;
}

int CmdDaily()
{
    TSettings s = ReadSettings(GameFolder);
    if (!PathExists(GameFolder + SettingsFileName)) WriteSettings(GameFolder, s);
    std::string message, problems;
    TLeagueConfig league = ReadLeagueConfig(GameFolder);
    if (league.Present && !league.Problem.empty()) {
        message = "LEAGUE.CFG: " + league.Problem;
        MaintLog(GameFolder, "PROBLEM: " + message);
        Say("ydmaint: PROBLEM: " + message + ".");
        return 1;
    }
    if (league.Present && !league.Host) {
        bool ok = LeagueStep(league, false, message, problems);
        ok = LeagueStep(league, true, message, problems) && ok;
        // The pages show the host's game as it arrived (even a stale one).
        if (PathExists(GamePath())) ok = WritePages(s, problems) && ok;
        SayOutcome(message, problems);
        return ok ? 0 : 1;
    }
    std::string received, leagueProblems;
    bool leagueOk = !league.Present || LeagueStep(league, false, received, leagueProblems);
    std::string night;
    bool ok = DailyDecision(s, night);
    (ok ? message : problems) = night;
    if (league.Present) {
        leagueOk = LeagueStep(league, true, received, leagueProblems) && leagueOk;
        ok = ok && leagueOk;
        if (!received.empty()) message += (message.empty() ? "" : "; ") + received;
        if (!leagueProblems.empty()) problems += (problems.empty() ? "" : "; ") + leagueProblems;
    }
    MaintLog(GameFolder, problems.empty() ? message : "PROBLEM: " + problems + (message.empty() ? "" : "; " + message));
    if (ok) ok = WritePages(s, problems);
    SayOutcome(message, problems);
    return ok ? 0 : 1;
}

void CmdTurn()
{
    if (std::string why = LeagueMemberRefusal(GameFolder); !why.empty()) Fatal(why);
    std::string message;
    if (!RunNight(message)) Fatal(message);
    Say(message + ".");
}

static const char* const SimNames[12] = {"Varro",   "Ostrel", "Kain",  "Meridel", "Thane",  "Isolde",
                                         "Corvane", "Ashby",  "Delmar", "Fenwick", "Larkin", "Sabre"};

void CmdSim()
{
    if (CommandArgs.size() < 2) Fatal("sim needs HOUSES and DAYS");
    int houses = ArgInt(0, 0), days = ArgInt(1, 0), seed = ArgInt(2, 1);
    if (houses < 1 || houses > MaxHouseSlots) Fatal("sim takes 1 to 25 houses");
    if (days > 9999) Fatal("sim plays at most 9999 days");
    TNewGame p;
    p.Players = houses;
    p.Days = days;
    p.Seed = seed;
    p.Hollow = IntOption("-hollow", p.Hollow);
    GenerateGalaxy(p);
    for (int i = 0; i < houses; i++) FoundHouse("House " + std::string(SimNames[i % 12]), "ai" + IntToText(i), 1);
    Say("Simulating " + IntToText(houses) + " houses for " + IntToText(days) + " days (seed " + IntToText(seed) + ")");
    // A status report after every tenth night and after the night the game
    // ends; a length below 1 plays one night.
    // On a terminal a progress line tells where the simulation is; into a
    // file or a pipe nothing extra is written.
    bool progress = StdoutIsTerminal();
    TNight night;
    night.Events.KeepDays = 9999;
    night.Events.Sync = false;   // a scratch game: the whole of it is saved at the end
    for (int d = 1;; d++) {
        if (progress) {
            std::printf("\r  night %d of %d ", d, days < 1 ? 1 : days);
            std::fflush(stdout);
        }
        if (!PlayNight(GameFolder, night)) Fatal("could not write " + GameFolder + EventsFileName);
        RecordScores(GameFolder);
        if (d % 10 == 0 || Game.Header.Ended) {
            if (progress) std::printf("\r%20s\r", "");
            Say("");
            PrintStatus();
        }
        if (Game.Header.Ended || d >= days) break;
    }
    if (progress) std::printf("\r%20s\r", "");
    SaveGame(GamePath());
}

static void PrintFile(const std::string& name, const std::string& missing)
{
    std::string text;
    if (!ReadWholeFile(GameFolder + name, text)) {
        Say(missing);
        return;
    }
    for (const std::string& line : SplitLines(text)) Say(line);
}

void CmdFame() { PrintFile(FameFileName, "No game has finished yet."); }
void CmdNews() { PrintFile(NewsFileName, "No news yet: NEWS.TXT is written each night."); }
