// A busy BBS: many callers in the door at once on a game at every limit (25
// houses, 300 systems, 40 nights in), each started as a BBS starts a door
// (an inherited socket, every fifth on a pseudo-terminal) and playing its
// own house as a player does: reading screens, building, changing research,
// trading at the Exchange, posting bulletins, with human pauses (0.2 to 3 s,
// from a seeded generator) or none at all (burst).  The nightly run starts
// in the middle and the setup program makes a change.  Prints, per screen
// and per change, the time from the caller's key to the last byte of the
// answer; then checks that every change a caller saw confirmed is in the
// game, that ERRORS.LOG stayed empty and that no lock is left.
//
//   load_run [-callers N] [-seconds S] [-burst] [-seed N] [-quiet]
// The exit code is 0 when every check held.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/files.h"
#include "core/founding.h"
#include "core/galaxy.h"
#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/settings.h"
#include "core/stores.h"
#include "tests/door/harness.h"
#include "tests/testutil.h"
#include "turn/turn.h"

namespace {

enum { Houses = 25, WaitLimitMs = 30000, StepLimitMs = 15000 };

struct TSample {
    std::string What;
    double Ms;
};

std::mutex Lock;
std::vector<TSample> Samples;
std::atomic<int> Failures{0}, BusyWaits{0}, TurnedAway{0}, TurnedAwayAtNight{0};

double NowMs() { return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

struct TCallerRun {
    int Index = 0, House = 0;
    TBbs Bbs;
    std::string Seen;        // everything read so far
    size_t Mark = 0;         // where the next wait starts looking
    uint32_t Random = 1;
    bool Burst = false;
    bool Lost = false;       // the script lost its place (a notice came between)
    bool Night = false;      // sent away by the nightly run
    int Resyncs = 0;
    int LastTrack = -1;      // the research track last confirmed
    int Bulletins = 0;       // bulletins confirmed
    std::string Problem;

    int Fd() const { return Bbs.CallerIn >= 0 ? Bbs.CallerIn : Bbs.Caller; }

    // What the caller reads, without the colour sequences (ESC [ ... letter)
    // and telnet commands (IAC and its bytes), which may split across reads.
    std::string Pending;
    void Keep(const char* buf, size_t n)
    {
        Pending.append(buf, n);
        size_t i = 0;
        while (i < Pending.size()) {
            unsigned char c = (unsigned char)Pending[i];
            if (c == 0x1b) {
                size_t j = i + 1;
                if (j >= Pending.size()) break;
                if (Pending[j] == '[') {
                    j++;
                    while (j < Pending.size() && !std::isalpha((unsigned char)Pending[j])) j++;
                    if (j >= Pending.size()) break;
                }
                i = j + 1;
            } else if (c == 0xff) {
                if (i + 1 >= Pending.size()) break;
                unsigned char cmd = (unsigned char)Pending[i + 1];
                if (cmd == 0xff) {
                    Seen += (char)0xff;
                    i += 2;
                } else if (cmd >= 251 && cmd <= 254) {
                    if (i + 2 >= Pending.size()) break;
                    i += 3;
                } else {
                    i += 2;
                }
            } else {
                Seen += (char)c;
                i++;
            }
        }
        Pending.erase(0, i);
        size_t from = SeenBefore > 40 ? SeenBefore - 40 : 0;   // the text may straddle two reads
        if (Seen.find("The nightly maintenance is running", from) != std::string::npos) NightSeen = true;
        SeenBefore = Seen.size();
    }
    size_t SeenBefore = 0;
    bool NightSeen = false;   // the door said the nightly run is under way

    int Draw(int n)
    {
        Random = Random * 1103515245u + 12345u;
        return (int)((Random >> 16) % (uint32_t)n);
    }

    // Reads until one of the texts has come since the mark; its index, or -1.
    // A "[press a key]" that interrupts (a new day, a refusal) is answered,
    // and so is a page's "more".
    int WaitFor(const std::vector<std::string>& texts, int limitMs = WaitLimitMs)
    {
        double end = NowMs() + (double)limitMs;
        for (;;) {
            for (size_t i = 0; i < texts.size(); i++) {
                size_t at = Seen.find(texts[i], Mark);
                if (at != std::string::npos) {
                    Mark = at + texts[i].size();
                    return (int)i;
                }
            }
            // A caller inside when the night begins is sent away, as the
            // door does during the nightly run: its visit ends there.
            if (NightSeen) {
                if (!Night) TurnedAwayAtNight++;
                Night = true;
                return -1;
            }
            size_t busy = Seen.find("Please wait: the game is busy", Mark);
            if (busy != std::string::npos) {
                BusyWaits++;
                Mark = busy + 1;
            }
            // A long page stops for "more": the player has read enough.
            size_t more = Seen.find("-- more (Q to stop) --", Mark);
            if (more != std::string::npos) {
                Mark = more + 22;
                Bbs.Send("Q");
                continue;
            }
            size_t press = Seen.find("[press a key]", Mark);
            if (press != std::string::npos &&
                std::find(texts.begin(), texts.end(), "[press a key]") == texts.end()) {
                Mark = press + 13;
                Bbs.Send(" ");
                continue;
            }
            double left = end - NowMs();
            if (left <= 0) return -1;
            struct pollfd p = {Fd(), POLLIN, 0};
            if (poll(&p, 1, (int)std::min(left, 20.0)) > 0) {
                char buf[8192];
                ssize_t got = read(Fd(), buf, sizeof buf);
                if (got > 0) Keep(buf, (size_t)got);
                else if (got == 0 || (errno != EAGAIN && errno != EINTR)) return -1;
            }
        }
    }

    // Sends keys and waits for the answer; the time is a sample of `what`.
    // No answer within the limit: -1, and the caller's script is lost (the
    // run counts it and finds the main menu again).
    int Step(const std::string& what, const std::string& keys, const std::vector<std::string>& texts)
    {
        if (!Problem.empty() || Lost || Night) return -1;
        Mark = Seen.size();
        double t0 = NowMs();
        Bbs.Send(keys);
        int got = WaitFor(texts, StepLimitMs);
        double ms = NowMs() - t0;
        if (got < 0) {
            Lost = true;
            return -1;
        }
        if (!what.empty()) {
            std::lock_guard<std::mutex> g(Lock);
            Samples.push_back({what, ms});
        }
        return got;
    }

    bool TailIs(const std::string& text) const
    {
        size_t end = Seen.find_last_not_of(" \r\n");
        if (end == std::string::npos) return false;
        std::string want = text.substr(0, text.find_last_not_of(' ') + 1);
        return end + 1 >= want.size() && Seen.compare(end + 1 - want.size(), want.size(), want) == 0;
    }

    // Back to the main menu from wherever the caller is: Escape leaves a
    // question, Q leaves a screen, until the menu shows.
    void BackToMenu()
    {
        if (!Problem.empty() || Night) return;
        Resyncs += Lost;
        Lost = false;
        WaitFor({"The nightly maintenance is running"}, 500);
        if (NightSeen || Night) {
            if (!Night) TurnedAwayAtNight++;
            Night = true;
            return;
        }
        for (int tries = 0; tries < 8; tries++) {
            if (TailIs("Your command: ")) return;
            Mark = Seen.size();
            Bbs.Send(TailIs("back: ") || TailIs("uit: ") || TailIs("[press a key]") ? "Q" : "\x1b");
            WaitFor({"Your command: "}, 1500);
            if (NightSeen) {   // the night began while finding the menu: the visit ends there
                TurnedAwayAtNight++;
                Night = true;
                return;
            }
        }
        if (TailIs("Your command: ")) return;
        Problem = "caller " + std::to_string(Index) + " could not get back to the main menu; it saw: " +
                  Seen.substr(Seen.size() > 240 ? Seen.size() - 240 : 0);
    }

    void Think()
    {
        if (!Burst) usleep((useconds_t)(200000 + Draw(2800) * 1000));
    }

    // One thing a player does, back at the main menu afterwards.
    void Act()
    {
        const std::string menu = "Your command: ";
        switch (Draw(8)) {
        case 0:
            Step("screen: news and standings", "N", {"key to go back: "});
            Think();
            Step("", "\r", {menu});
            break;
        case 1:
            Step("screen: fleets", "F", {"Enter to go back: "});
            Think();
            Step("", "\r", {menu});
            break;
        case 2:
            Step("screen: worlds", "W", {"Enter to go back: "});
            Think();
            Step("", "\r", {menu});
            break;
        case 3:
            Step("screen: map", "M", {"uit: "});
            Think();
            Step("screen: map moved", "E", {"uit: "});
            BackToMenu();
            break;
        case 4: {
            // Research: a change when the track is another than today's.
            Step("screen: research", "T", {"back: "});
            Think();
            int track = Draw(4);
            int got = Step("change: research", std::to_string(track + 1), {"Research changed.", "back: ", "(Y/N)"});
            // Points saved toward the old track are given up when asked.
            if (got == 2) got = Step("", "Y", {"Research changed.", "back: "});
            if (got == 0) {
                LastTrack = track;
                Step("", " ", {"back: "});
            }
            BackToMenu();
            break;
        }
        case 5: {
            Step("screen: build orders", "B", {"back: "});
            Think();
            int got = Step("screen: ships to build", "S", {"Build which ship (number)? ", "At which shipyard? ", "back: "});
            if (got == 2) {
                BackToMenu();
                break;
            }
            if (got == 1) got = Step("", "1\r", {"Build which ship (number)? "});
            if (got < 0) break;
            got = Step("", "1\r", {"How many (up to ", "[press a key]"});
            if (got == 0) Step("change: build ships", "1\r", {"[press a key]"});
            if (got >= 0) Step("", " ", {"back: "});
            BackToMenu();
            break;
        }
        case 6: {
            int got = Step("screen: the Exchange", "X", {"Q] back: ", "Your command: "});
            if (got != 0) break;
            Think();
            got = Step("", "O", {"For "});
            if (got >= 0) got = Step("", "F", {"How much ore"});
            if (got >= 0) got = Step("change: trade", "5\r", {"[press a key]"});
            if (got >= 0) Step("", " ", {"back: "});
            BackToMenu();
            break;
        }
        default: {
            Step("screen: messages", "S", {"back: "});
            Think();
            int got = Step("", "P", {"> "});
            if (got >= 0) got = Step("", "Load test bulletin " + std::to_string(Index) + "\r", {"> "});
            if (got >= 0) got = Step("change: bulletin", "\r", {"Sent.", "couldn't be saved"});
            if (got == 0) Bulletins++;
            if (got >= 0) Step("", " ", {"back: "});
            BackToMenu();
        }
        }
    }
};

std::string Folder;
std::vector<int> Standing;   // the houses the callers play

void PrepareGame()
{
    char tmpl[] = "/tmp/thyre-load-XXXXXX";
    Folder = std::string(mkdtemp(tmpl)) + "/";
    TNewGame p;
    p.Players = Houses;
    p.SystemsPerHouse = 12;
    p.Seed = 2026;
    p.Days = 0;
    GenerateGalaxy(p);
    // Forty nights played by the computer, then the houses still standing
    // are handed to their callers.
    for (int i = 1; i <= Houses; i++) FoundHouse("House " + std::to_string(i), "ai", 1);
    for (int n = 0; n < 40; n++) PlayNight(Folder);
    for (int h = 1; h <= MaxHouseSlots; h++) {
        THouse& hr = Game.Houses[h - 1];
        if (!Playing(h)) continue;
        hr.Computer = 0;
        hr.Status = StatusActive;
        hr.LastOnDay = Game.Header.Day;
        StrSet(hr.Player, "Caller " + std::to_string(h));
        Standing.push_back(h);
    }
    SaveGame(Folder + GameFileName);
    WriteSettings(Folder, DefaultSettings());
}

double Percentile(std::vector<double> v, double q)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t i = (size_t)std::min<double>((double)v.size() - 1, q * (double)(v.size() - 1) + 0.5);
    return v[i];
}

}   // namespace

int main(int argc, char** argv)
{
    int callers = 25, seconds = 60;
    uint32_t seed = 1;
    bool burst = false, quiet = false;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "-callers" && i + 1 < argc) callers = std::max(1, std::atoi(argv[++i]));
        else if (a == "-seconds" && i + 1 < argc) seconds = std::max(1, std::atoi(argv[++i]));
        else if (a == "-seed" && i + 1 < argc) seed = (uint32_t)std::atoi(argv[++i]);
        else if (a == "-burst") burst = true;
        else if (a == "-quiet") quiet = true;
    }
    PrepareGame();
    std::printf("load: %d callers, %s, %d s, on a game of %d houses, %d systems, day %d (%s)\n", callers,
                burst ? "burst (no pauses)" : "human pauses 0.2-3 s", seconds, Houses, Game.Header.SystemCount,
                Game.Header.Day, Folder.c_str());
    std::vector<TCallerRun> runs((size_t)callers);
    for (int i = 0; i < callers; i++) {
        TCallerRun& r = runs[(size_t)i];
        r.Index = i + 1;
        r.House = Standing[(size_t)i % Standing.size()];
        r.Random = seed * 7919u + (uint32_t)i;
        r.Burst = burst;
        std::string node = Folder + "node" + std::to_string(i + 1) + "/";
        MakeFolder(node);
        TLaunch l;
        l.Mode = i % 5 == 4 ? ViaTerminal : ViaSocket;
        l.Program = THYRE_PATH;
        l.Folder = node;
        l.Args = {"-d", node + "DOOR32.SYS", "-g", Folder, "-n", std::to_string(i + 1)};
        l.UserName = "Caller " + std::to_string(r.House);
        l.Minutes = "120";
        if (!OnSocket(l.Mode)) {
            l.CommType = "0";
            l.Handle = "0";
        }
        if (!r.Bbs.Start(l)) {
            std::printf("caller %d could not start\n", i + 1);
            return 1;
        }
        r.Keep(r.Bbs.Screen.data(), r.Bbs.Screen.size());   // what the start already read
    }
    double start = NowMs(), stop = start + seconds * 1000.0;
    std::atomic<bool> nightDone{false};
    std::vector<std::thread> threads;
    for (TCallerRun& r : runs)
        threads.emplace_back([&r, stop] {
            if (r.WaitFor({"Your command: "}) < 0 && !r.Night) {
                r.Problem = "caller " + std::to_string(r.Index) + " never reached the main menu; it saw: " +
                            r.Seen.substr(r.Seen.size() > 300 ? r.Seen.size() - 300 : 0);
                TurnedAway++;
                return;
            }
            while (NowMs() < stop && r.Problem.empty() && !r.Night) {
                r.Act();
                if (r.Lost) r.BackToMenu();
                r.Think();
            }
            if (r.Problem.empty() && !r.Night) r.Step("", "QY", {"The Thyre will wait for you"});
        });
    // The sysop in the middle: the setup program changes the running game,
    // then the nightly run plays a night while everyone is inside.
    std::thread sysop([&] {
        usleep((useconds_t)(seconds * 1000000 / 3));
        TRun cfg = RunWithInput(THYRECFG_PATH, {Folder}, "9\n4\n1\n\nQ\n");
        if (cfg.Exit != 0) std::printf("PROBLEM: thyrecfg: %s\n", cfg.Out.c_str()), Failures++;
        usleep((useconds_t)(seconds * 1000000 / 6));
        double t0 = NowMs();
        TRun night = RunProgram(YDMAINT_PATH, {"-d", Folder, "daily"});
        std::printf("the night (ydmaint daily) took %.0f ms with %d callers inside: %s", NowMs() - t0, callers,
                    night.Out.c_str());
        if (night.Exit != 0) Failures++;
        nightDone = true;
    });
    for (std::thread& t : threads) t.join();
    sysop.join();
    int exits = 0;
    for (TCallerRun& r : runs) {
        if (!r.Problem.empty()) {
            std::printf("PROBLEM: %s\n", r.Problem.c_str());
            Failures++;
        }
        exits += r.Bbs.WaitExit(10000) == 0 || r.Night;
    }

    // What the callers saw confirmed is in the game.
    LoadGame(Folder + GameFileName);
    int wrongTrack = 0, missingBulletins = 0;
    std::map<int, int> bulletinsSeen;
    std::vector<TMessageRec> board;
    ReadMailbox(Folder, 0, board);
    for (const TMessageRec& m : board) bulletinsSeen[m.From]++;
    std::map<int, int> confirmed, callersOf;
    for (TCallerRun& r : runs) confirmed[r.House] += r.Bulletins, callersOf[r.House]++;
    for (TCallerRun& r : runs)
        if (callersOf[r.House] == 1 && r.LastTrack >= 0 && HouseRec(r.House).ResTrack != r.LastTrack) wrongTrack++;
    for (auto [h, n] : confirmed)
        if (bulletinsSeen[h] < n) missingBulletins += n - bulletinsSeen[h];
    bool errors = PathExists(Folder + ErrorsLogName), locked = PathExists(Folder + LockFolderName);

    // The table.
    std::map<std::string, std::vector<double>> by;
    for (const TSample& s : Samples) by[s.What].push_back(s.Ms);
    std::vector<double> changes;
    if (!quiet) std::printf("%-28s %7s %9s %9s %9s\n", "key to the answer's last byte", "count", "median", "99th", "worst");
    for (auto& [what, v] : by) {
        if (what.rfind("change:", 0) == 0) changes.insert(changes.end(), v.begin(), v.end());
        if (!quiet)
            std::printf("%-28s %7zu %7.1f ms %6.1f ms %6.1f ms\n", what.c_str(), v.size(), Percentile(v, 0.5),
                        Percentile(v, 0.99), *std::max_element(v.begin(), v.end()));
    }
    std::vector<double> all;
    for (const TSample& s : Samples) all.push_back(s.Ms);
    std::printf("all: %zu answers, median %.1f ms, 99th %.1f ms, worst %.1f ms; changes: 99th %.1f ms\n", all.size(),
                Percentile(all, 0.5), Percentile(all, 0.99), all.empty() ? 0.0 : *std::max_element(all.begin(), all.end()),
                Percentile(changes, 0.99));
    int resyncs = 0;
    for (TCallerRun& r : runs) resyncs += r.Resyncs;
    std::printf("waits on the lock long enough to say so: %d; callers turned away: %d; doors ended cleanly: %d of %d;"
                " scripts that lost their place and found the menu again: %d\n",
                BusyWaits.load(), TurnedAway.load(), exits, callers, resyncs);
    std::printf("callers sent away because they were inside when the night began: %d\n", TurnedAwayAtNight.load());
    std::printf("confirmed changes missing: research %d, bulletins %d; ERRORS.LOG %s; lock left %s\n", wrongTrack,
                missingBulletins, errors ? "WRITTEN" : "none", locked ? "YES" : "no");
    bool ok = Failures == 0 && TurnedAway == 0 && wrongTrack == 0 && missingBulletins == 0 && !errors && !locked &&
              exits == callers && nightDone;
    if (ok) {
        std::vector<std::string> names;
        ListFolder(Folder, names);
        std::system(("rm -rf '" + Folder + "'").c_str());
    }
    std::printf("%s\n", ok ? "load run: every check held" : "load run: FAILED");
    return ok ? 0 : 1;
}
