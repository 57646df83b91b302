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

// What a nightly run saw when it started.  Two runs started together (cron
// and a timer both enabled, a hand run during cron's) must not play two
// nights: the one that waited for the lock finds the night already played.
// `daily -force` and `turn` play a night whatever ran before.
static struct {
    bool Check = false;
    int Day = 0;          // the game's day when this run started; 0 without a game
    int64_t Since = 0;    // nights played from this moment on were another run's
} DailyStart;

enum { RunUnderWaySeconds = 120, ProcessJustStartedSeconds = 10 };

static void NoteDailyStart()
{
    DailyStart.Check = !HasOption("-force");
    // From the moment the process was started: two runs launched together
    // (a shell's "&", cron and a timer) may reach this line only after the
    // other's night, on a busy machine.
    // (Only for the first run of a process that has just started.)
    static bool first = true;
    int64_t now = UnixNanoseconds(), started = first ? ProcessStartNanoseconds() : -1;
    first = false;
    bool fresh = started > 0 && started < now && now - started < (int64_t)ProcessJustStartedSeconds * 1000000000;
    DailyStart.Since = fresh ? started : now;
    // A run already under way may have begun its night a moment before
    // this one started (its backup is then older than this run): its
    // marker's age counts, within the last two minutes.
    if (RunMarkerFresh(GameFolder)) {
        int64_t marker = FileModifiedNanoseconds(RunMarkerPath(GameFolder));
        int64_t floor = now - (int64_t)RunUnderWaySeconds * 1000000000;
        if (marker > 0 && marker < now) DailyStart.Since = marker > floor ? marker : floor;
    }
    DailyStart.Day = GameFileExists(GamePath()) && LoadGame(GamePath()) ? Game.Header.Day : 0;
}

// The day whose night another run played since this run started, or 0:
// the game's day moved on, or the backup the night takes before it plays
// was written since.
static int NightPlayedMeanwhile()
{
    if (!DailyStart.Check) return 0;
    int day = Game.Header.Day;
    if (DailyStart.Day > 0 && day > DailyStart.Day) return day - 1;
    if (day < 2) return 0;
    int64_t backup = FileModifiedNanoseconds(GameFolder + BackupPrefix + IntToText((day - 1) % 7));
    return backup >= DailyStart.Since ? day - 1 : 0;
}

static std::string PlayedMeanwhileText(int day)
{
    return "the night of day " + IntToText(day) + " was just played by another run";
}

static bool PlayLockedNight(std::string& message, bool& skipped)
{
    if (!LoadGame(GamePath())) {
        message = "no game in " + GamePath();
        return false;
    }
    if (int played = NightPlayedMeanwhile()) {
        message = PlayedMeanwhileText(played);
        skipped = true;
        return true;
    }
    if (Game.Header.Ended) {
        message = "the game is over";
        return true;
    }
    Backup();
    TNight night;
    if (!PlayNight(GameFolder, night)) {
        message = "could not write " + GameFolder + EventsFileName + ": " + LastErrorText();
        return false;
    }
    if (Game.Header.Ended) WriteFame(GameFolder);
    // The chart's history, before the game is saved: a night that could not
    // add to it is played again, like one that could not store its events.
    if (!RecordScores(GameFolder)) {
        message = "could not write " + GameFolder + ScoresFileName + ": " + LastErrorText();
        return false;
    }
    if (!SaveGame(GamePath())) {
        message = "could not write " + GamePath() + ": " + LastErrorText();
        return false;
    }
    TrimMessages(GameFolder, Game.Header.Day);
    message = "day " + IntToText(Game.Header.Day - 1) + " done: " + Counted(night.Events.Written, "event");
    if (Game.Header.Ended) message += "; THE GAME HAS ENDED (" + WinKindText(Game.Header.WinKind) + ")";
    return true;
}

static bool RunNight(std::string& message, bool& skipped)
{
    // A night played must never be missing from MAINT.LOG, nor leave the
    // lock and the marker behind: a Ctrl-C waits until it is logged.
    if (!MaintenanceBeginHeld(60, 1800)) {
        message = GameAccessFailure().empty() ? "the game stayed locked for a minute; is a door stuck?"
                                              : GameAccessFailure();
        return false;
    }
    bool ok = PlayLockedNight(message, skipped);
    GameRelease();
    return ok;
}

bool RunNight(std::string& message)
{
    bool skipped = false;
    return RunNight(message, skipped);
}

// Asked under the lock before a game is started: another run started
// together with this one may have started it already.
static bool NoGameYet() { return !GameFileExists(GamePath()); }
static bool GameStillOver() { return LoadGame(GamePath()) && Game.Header.Ended; }

// What the nightly run did besides playing a night, for the lines it adds.
enum TDailyOutcome { DailyPlayed, DailyStarted, DailySkipped };

static bool DailyDecision(const TSettings& s, std::string& message, TDailyOutcome& outcome)
{
    std::string started;
    outcome = DailyPlayed;
    if (!GameFileExists(GamePath())) {
        // Two runs in an empty folder start one game: the second finds it.
        bool ok = StartNewGame(ClockSeed(), started, DailyStart.Check ? NoGameYet : nullptr);
        message = "no game yet: " + started;
        outcome = DailyStarted;
        if (ok && started.empty()) {
            message = "a new game was just started by another run";
            outcome = DailySkipped;
        }
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
    // A last night played by another run ends the game: this run does not
    // start the next one on the same night.
    if (int played = NightPlayedMeanwhile()) {
        message = PlayedMeanwhileText(played);
        outcome = DailySkipped;
        return true;
    }
    if (Game.Header.Ended && s.AutoRestart) {
        bool ok = StartNewGame(ClockSeed(), started, DailyStart.Check ? GameStillOver : nullptr);
        message = "the last game is over (AutoRestart = Yes): " + started;
        if (ok && started.empty()) {
            message = "a new game was just started by another run";
            outcome = DailySkipped;
        }
        return ok;
    }
    if (Game.Header.Ended) {
        message = "the game is over; start a new one with THYRECFG or \"ydmaint new -force\" (or set AutoRestart = Yes)";
        return true;
    }
    bool skipped = false;
    bool ok = RunNight(message, skipped);
    if (skipped) outcome = DailySkipped;
    return ok;
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
// A page that cannot be written leaves the night played: a warning, not a
// failure (a scheduler line chained with && goes on to the bulletins, and a
// rerun would play another night).
static void WritePages(const TSettings& s)
{
    if (s.NewsFile && LoadGame(GamePath())) {
        int day = Game.Header.Day < 2 ? 1 : Game.Header.Day - 1;
        WriteNews(GameFolder, day);
    }
    if (!s.WebFolder.empty()) {
        std::string problem = WriteWebSite(GameFolder, ConfiguredWebFolder(GameFolder, s));
        if (problem.empty())
            MaintLog(GameFolder, "web page written to " + s.WebFolder);
        else
            Warn("web page: " + problem);
    }
}

// The folder as the sysop would type it, for the lines that name it.
static std::string ShownFolder() { return FolderWithDelim(FullPath(GameFolder.empty() ? "." : GameFolder)); }

int CmdDaily()
{
    NoteDailyStart();
    TSettings s = SettingsWarned();
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
        SayOutcome(message, problems);
        // The pages show the host's game as it arrived (even a stale one).
        if (PathExists(GamePath())) WritePages(s);
        return ok ? 0 : 1;
    }
    std::string received, leagueProblems;
    bool leagueOk = !league.Present || LeagueStep(league, false, received, leagueProblems);
    TDailyOutcome outcome;
    std::string night;
    bool ok = DailyDecision(s, night, outcome);
    (ok ? message : problems) = night;
    if (league.Present) {
        leagueOk = LeagueStep(league, true, received, leagueProblems) && leagueOk;
        ok = ok && leagueOk;
        if (!received.empty()) message += (message.empty() ? "" : "; ") + received;
        if (!leagueProblems.empty()) problems += (problems.empty() ? "" : "; ") + leagueProblems;
    }
    MaintLog(GameFolder, problems.empty() ? message : "PROBLEM: " + problems + (message.empty() ? "" : "; " + message));
    HoldInterrupts(false);
    // A run that found nothing to do says so even with -quiet: two runs
    // every night (cron and a timer) are a mistake the sysop should hear
    // of.  So is a game started in a folder that had none, which is often
    // a scheduler line without its -d.
    if (ok && outcome == DailySkipped) {
        Say(message + ".");
        return 0;
    }
    if (ok && outcome == DailyStarted && HasOption("-quiet"))
        Say("no game yet: a new game was started in " + ShownFolder() + ".");
    else
        SayOutcome(message, problems);
    if (!ok) return 1;
    WritePages(s);
    return 0;
}

void CmdTurn()
{
    if (std::string why = LeagueMemberRefusal(GameFolder); !why.empty()) Fatal(why);
    std::string message;
    bool ok = RunNight(message);
    // A night played by hand is logged, and its news written, as the nightly
    // run's is.
    MaintLog(GameFolder, ok ? "night played by hand: " + message : "PROBLEM: night played by hand: " + message);
    HoldInterrupts(false);
    if (!ok) Fatal(message);
    Say(message + ".");
    if (ReadSettings(GameFolder).NewsFile && LoadGame(GamePath()))
        WriteNews(GameFolder, Game.Header.Day < 2 ? 1 : Game.Header.Day - 1);
}

static const char* const SimNames[12] = {"Varro",   "Ostrel", "Kain",  "Meridel", "Thane",  "Isolde",
                                         "Corvane", "Ashby",  "Delmar", "Fenwick", "Larkin", "Sabre"};

void CmdSim()
{
    if (CommandArgs.size() < 2) Fatal("sim needs HOUSES and DAYS");
    int houses = ArgInt(0, 0), days = ArgInt(1, 0), seed = ArgInt(2, 1);
    if (houses < 1 || houses > MaxHouseSlots) Fatal("sim takes 1 to 25 houses");
    if (days > 9999) Fatal("sim plays at most 9999 days");
    // A simulation replaces the folder's game and events without a lock:
    // never over a game that callers play (a house of a player in it).
    if (GameFileExists(GamePath()) && LoadGame(GamePath())) {
        for (int h = 1; h <= MaxHouseSlots; h++) {
            const THouse& hr = HouseRec(h);
            if (hr.Status != StatusFree && !hr.Computer)
                Fatal("there is a game in " + ShownFolder() + "; sim would replace it: give sim a folder of its own");
        }
    }
    TNewGame p;
    p.Players = houses;
    p.Days = days;
    p.Seed = seed;
    p.Hollow = IntOption("-hollow", p.Hollow);
    GenerateGalaxy(p);
    for (int i = 0; i < houses; i++) FoundHouse("House " + std::string(SimNames[i % 12]), "ai" + IntToText(i), 1);
    Say("Simulating " + Counted(houses, "house") + " for " + Counted(days, "day") + " (seed " + IntToText(seed) + ")");
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
        if (!PlayNight(GameFolder, night)) Fatal("could not write " + GameFolder + EventsFileName + ": " + LastErrorText());
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
