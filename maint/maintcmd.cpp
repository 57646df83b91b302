#include "maint/maintcmd.h"

#include "maint/league.h"
#include "maint/web.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "core/access.h"
#include "core/files.h"
#include "core/lock.h"
#include "core/osfs.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/chronicle.h"

std::string GameFolder;
std::string CommandWord;
std::vector<std::string> CommandArgs;

std::string GamePath() { return GameFolder + GameFileName; }

void Say(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
}

void Fatal(const std::string& message)
{
    Say("ydmaint: " + message);
    std::fflush(stdout);
    std::exit(1);
}

void Warn(const std::string& text)
{
    MaintLog(GameFolder, "WARNING: " + text);
    std::fflush(stdout);
    std::string line = "ydmaint: WARNING: " + text + ".\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

static void InterruptWhileWaiting(int64_t)
{
    if (!InterruptPending()) return;
    GameRelease();
    HoldInterrupts(false);
}

bool MaintenanceBeginHeld(int waitSeconds, int holdSeconds)
{
    HoldInterrupts(true);
    SetLockWaiting(InterruptWhileWaiting);
    bool had = MaintenanceBegin(GameFolder, waitSeconds, holdSeconds);
    SetLockWaiting(nullptr);
    return had;
}

TSettings SettingsWarned()
{
    for (const std::string& p : SettingsProblemTexts(GameFolder)) Warn(p);
    return ReadSettings(GameFolder);
}

int CmdCheck()
{
    std::vector<std::string> problems = SettingsProblemTexts(GameFolder);
    for (const std::string& p : problems) Say(p + ".");
    if (problems.empty())
        Say(PathExists(GameFolder + SettingsFileName) ? "THYRE.CFG: every line is understood."
                                                        : "There is no THYRE.CFG: the defaults are used.");
    return problems.empty() ? 0 : 1;
}

int IntOption(const std::string& name, int def)
{
    int result = def;
    for (size_t i = 0; i + 1 < CommandArgs.size(); i++)
        if (CommandArgs[i] == name) result = ParseInt(CommandArgs[i + 1], result);
    return result;
}

int ArgInt(size_t i, int def)
{
    return i < CommandArgs.size() ? ParseInt(CommandArgs[i], def) : def;
}

bool HasOption(const std::string& name)
{
    for (const std::string& a : CommandArgs)
        if (a == name) return true;
    return false;
}

static void Usage()
{
    Say("Yvarn Thyre maintenance");
    Say("  ydmaint [-d dir] daily                (the nightly run)");
    Say("  ydmaint [-d dir] new [-force] [-players N] [-days N] [-hollow 0-3] [-peace N] [-difficulty 1-3] [-seed N]");
    Say("  ydmaint [-d dir] join \"House name\" \"Player name\" [-ai]");
    Say("  ydmaint [-d dir] turn");
    Say("  ydmaint [-d dir] status | check     (check: the lines of THYRE.CFG that are not understood)");
    Say("  ydmaint [-d dir] sim HOUSES DAYS [SEED]");
    Say("  ydmaint [-d dir] fame | news");
    Say("  ydmaint [-d dir] events HOUSE [DAY] | dump HOUSE   (a house's report lines; its view as JSON)");
    Say("  ydmaint [-d dir] bulletin FILE        (news and standings for the BBS; .TXT: plain)");
    Say("  ydmaint [-d dir] backup FOLDER [-keep N]   (a copy of the game's files; -keep: the newest N only)");
    Say("  ydmaint [-d dir] restore [N|FILE] [-yes]   (the backups, or going back to one)");
    Say("  ydmaint [-d dir] league init|keygen|status|send|receive   (one galaxy played from several boards)");
    Say("  ydmaint [-d dir] web FOLDER           (the game's web page: standings, news, a score chart)");
    Say("  daily -quiet prints nothing on success; daily -force plays a night even just after another run;");
    Say("  new also takes -systems 5-12; sim -hollow 0-3.");
    Say("  Without -d the game folder is the current folder.");
    Say("Settings for new games are in THYRE.CFG (edit it, or run THYRECFG).");
}

struct TCommand {
    const char* Word;
    int (*Run)();
};

template <void (*Command)()>
static int Done()
{
    Command();
    return 0;
}

// The commands by their words; any other word is refused as unknown.
static const TCommand Commands[] = {
    {"new", Done<CmdNew>},
    {"join", Done<CmdJoin>},
    {"turn", Done<CmdTurn>},
    {"daily", CmdDaily},
    {"fame", Done<CmdFame>},
    {"news", Done<CmdNews>},
    {"status", Done<CmdStatus>},
    {"check", CmdCheck},
    {"sim", Done<CmdSim>},
    {"events", Done<CmdEvents>},
    {"dump", Done<CmdDump>},
    {"bulletin", Done<CmdBulletin>},
    {"backup", Done<CmdBackup>},
    {"restore", Done<CmdRestore>},
    {"league", CmdLeague},
    {"web", Done<CmdWeb>},
};

int MaintMain(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    size_t first = 0;
    if (!args.empty() && args[0] == "--version") {
        Say(std::string("ydmaint (Yvarn Thyre) ") + THYRE_VERSION);
        return 0;
    }
    if (args.size() >= 2 && args[0] == "-d") {
        // A switch is never a folder: "-d -h" or "-d daily" lost its folder.
        if (args[1].size() > 1 && args[1][0] == '-') Fatal("-d needs the game folder before " + args[1]);
        GameFolder = FolderWithDelim(args[1]);
        first = 2;
    }
    if (first >= args.size()) {
        Usage();
        return 0;
    }
    if (args[first] == "-h" || args[first] == "--help" || args[first] == "help") {
        Usage();
        return 0;
    }
    if (args[first] == "--version") {
        Say(std::string("ydmaint (Yvarn Thyre) ") + THYRE_VERSION);
        return 0;
    }
    CommandWord = args[first];
    CommandArgs.assign(args.begin() + (long)first + 1, args.end());
    for (const TCommand& c : Commands) {
        if (CommandWord == c.Word) {
            int code = c.Run();
            std::fflush(stdout);
            return code;
        }
    }
    Fatal("unknown command " + CommandWord);
}
