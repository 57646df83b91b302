// Every build this machine can run, on the same game folders: this one
// (x86-64), the arm64 and armhf builds under qemu-user and the Windows build
// under Wine.  The game's files are little-endian packed records and the
// night is whole-number arithmetic, so each build must write the same bytes,
// and a folder one build wrote must play on in any other.  Run by `make
// test` after `make arm`: the builds' folders come in THYRE_ARM64_BUILD and
// THYRE_ARMHF_BUILD (their sysroots in THYRE_ARM64_SYSROOT and
// THYRE_ARMHF_SYSROOT) and THYRE_WIN_BUILD; a build not named is left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "core/league.h"
#include "core/osfs.h"
#include "tests/testutil.h"

namespace {

struct TBuild {
    std::string Name;
    std::vector<std::string> Runner;   // the emulator and its arguments; empty for this build
    std::string Folder;                // the programs' folder, ends in '/'
    std::string Suffix;                // ".exe" for Windows
};

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

// A program on the PATH, by its full path (the tests start programs by path).
std::string OnPath(const std::string& name)
{
    std::string path = Env("PATH");
    for (size_t at = 0; at <= path.size();) {
        size_t end = path.find(':', at);
        if (end == std::string::npos) end = path.size();
        std::string candidate = path.substr(at, end - at) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        at = end + 1;
    }
    return "";
}

const std::vector<TBuild>& Builds()
{
    static std::vector<TBuild> all;
    if (!all.empty()) return all;
    std::string here = YDMAINT_PATH;
    all.push_back({"x86-64", {}, here.substr(0, here.find_last_of('/') + 1), ""});
    auto arm = [](const std::string& name, const std::string& arch, const std::string& qemu) {
        std::string build = Env(("THYRE_" + arch + "_BUILD").c_str());
        if (build.empty()) return;
        std::string root = Env(("THYRE_" + arch + "_SYSROOT").c_str());
        std::string folder = FolderWithDelim(FullPath(build));
        if (root.empty()) root = folder.substr(0, folder.size() - 1) + "-sysroot";
        std::string emulator = OnPath(qemu);
        EXPECT_FALSE(emulator.empty()) << qemu << " is not on the PATH";
        all.push_back({name, {emulator, "-L", root}, folder, ""});
    };
    arm("arm64", "ARM64", "qemu-aarch64");
    arm("armhf", "ARMHF", "qemu-arm");
    if (!Env("THYRE_WIN_BUILD").empty()) {
        setenv("WINEDEBUG", "-all", 1);
        if (std::system("wineserver -p 120 >/dev/null 2>&1") != 0) {}
        std::string wine = Env("WINE").empty() ? OnPath("wine") : Env("WINE");
        all.push_back({"windows", {wine}, FolderWithDelim(FullPath(Env("THYRE_WIN_BUILD"))), ".exe"});
    }
    return all;
}

#define NEED_OTHER_BUILDS()                                                                        \
    do {                                                                                           \
        if (Builds().size() < 2) GTEST_SKIP() << "no other build named (THYRE_ARM64_BUILD, ...)"; \
    } while (0)

TRun RunIn(const TBuild& b, const std::string& program, const std::vector<std::string>& args,
         const std::string& input = "")
{
    std::string path = b.Folder + program + b.Suffix;
    std::string exe = path;
    std::vector<std::string> all;
    if (!b.Runner.empty()) {
        exe = b.Runner[0];
        all.assign(b.Runner.begin() + 1, b.Runner.end());
        all.push_back(path);
    }
    all.insert(all.end(), args.begin(), args.end());
    TRun r = input.empty() ? RunProgram(exe, all) : RunWithInput(exe, all, input);
    r.Out = UnixLines(r.Out);
    return r;
}

// Every file the programs write into a game folder.
const char* const SharedFiles[] = {"THYRE.DAT", "THYRE.CFG", "EVENTS.DAT", "MSGS.DAT", "SCORES.DAT",
                                   "NEWS.TXT",  "FAME.TXT",  "THYRE.BK1",  "THYRE.BK2"};

// The first folder's files are in every other folder, the same bytes.
void ExpectSameFiles(const std::vector<TScratch>& dirs, const std::string& when)
{
    for (const char* f : SharedFiles) {
        bool there = PathExists(dirs[0].Path(f));
        std::string bytes = there ? ReadFile(dirs[0].Path(f)) : "";
        for (size_t i = 1; i < dirs.size(); i++) {
            const std::string who = Builds()[i].Name + "'s folder " + when;
            EXPECT_EQ(PathExists(dirs[i].Path(f)), there) << f << " in " << who;
            if (there) {
                EXPECT_TRUE(ReadFile(dirs[i].Path(f)) == bytes) << f << " differs in " << who;
            }
        }
    }
}

void CopyFolder(const TScratch& from, const TScratch& to)
{
    for (const auto& e : std::filesystem::directory_iterator(from.Dir))
        if (e.is_regular_file()) {
            ASSERT_TRUE(CopyWholeFile(e.path().string(), to.Path(e.path().filename().string())));
        }
}

// A whole simulated game of computer houses, from one seed, in each build:
// every night's planner, movement, battles and economy must agree.
TEST(CrossPlatform, EveryBuildSimulatesTheSameGame)
{
    NEED_OTHER_BUILDS();
    std::vector<TScratch> dirs(Builds().size());
    std::string first;
    for (size_t i = 0; i < dirs.size(); i++) {
        TRun r = RunIn(Builds()[i], "ydmaint", {"-d", dirs[i].Dir, "sim", "8", "20", "5"});
        ASSERT_EQ(r.Exit, 0) << Builds()[i].Name << ": " << r.Out;
        if (i == 0) first = r.Out;
        EXPECT_EQ(r.Out, first) << Builds()[i].Name;
    }
    EXPECT_NE(first.find("Simulating 8 houses for 20 days (seed 5)"), std::string::npos) << first;
    for (const char* f : {"THYRE.DAT", "EVENTS.DAT", "SCORES.DAT"}) EXPECT_TRUE(PathExists(dirs[0].Path(f))) << f;
    ExpectSameFiles(dirs, "after the simulated game");
}

// One folder per build, started from the same seed; then every night each
// folder is played by another build than the night before, so each build
// plays on folders every other build wrote.  After each step all folders
// hold the same bytes.
TEST(CrossPlatform, FoldersPassFromBuildToBuildAndStayTheSame)
{
    NEED_OTHER_BUILDS();
    const std::vector<TBuild>& b = Builds();
    const size_t n = b.size();
    std::vector<TScratch> dirs(n);
    std::string said;
    for (size_t i = 0; i < n; i++) {
        TRun r = RunIn(b[i], "ydmaint", {"-d", dirs[i].Dir, "new", "-seed", "11"});
        ASSERT_EQ(r.Exit, 0) << b[i].Name << ": " << r.Out;
        if (i == 0) said = r.Out;
        EXPECT_EQ(r.Out, said) << b[i].Name;
    }
    ExpectSameFiles(dirs, "after new");

    // The next build joins a house, the one after sends a notice from the
    // setup program.
    for (size_t i = 0; i < n; i++) {
        TRun r = RunIn(b[(i + 1) % n], "ydmaint", {"-d", dirs[i].Dir, "join", "Astra", "Ann Caller"});
        ASSERT_EQ(r.Exit, 0) << b[(i + 1) % n].Name << ": " << r.Out;
        r = RunIn(b[(i + 2) % n], "thyrecfg", {dirs[i].Dir}, "4\nY\nThe BBS is down on Sunday.\n\n\nQ\n");
        EXPECT_NE(r.Out.find("Sent to 1 house."), std::string::npos) << b[(i + 2) % n].Name << ": " << r.Out;
    }
    ExpectSameFiles(dirs, "after the joins and notices");

    const size_t nights = n < 4 ? 4 : n;
    for (size_t night = 1; night <= nights; night++) {
        for (size_t i = 0; i < n; i++) {
            const TBuild& player = b[(i + night) % n];
            TRun r = RunIn(player, "ydmaint", {"-d", dirs[i].Dir, "daily"});
            ASSERT_EQ(r.Exit, 0) << player.Name << " on night " << night << ": " << r.Out;
        }
        ExpectSameFiles(dirs, "after night " + std::to_string(night));
    }
    EXPECT_TRUE(PathExists(dirs[0].Path("THYRE.BK1")));
    EXPECT_NE(ReadFile(dirs[0].Path("MSGS.DAT")).find("The BBS is down on Sunday."), std::string::npos);

    // What each build reads back from another's folder is the same too.
    std::string dump, status;
    for (size_t i = 0; i < n; i++) {
        TRun d = RunIn(b[i], "ydmaint", {"-d", dirs[(i + 1) % n].Dir, "dump", "3"});
        TRun s = RunIn(b[i], "ydmaint", {"-d", dirs[(i + 1) % n].Dir, "status"});
        ASSERT_EQ(d.Exit, 0) << b[i].Name << ": " << d.Out;
        if (i == 0) dump = d.Out, status = s.Out;
        EXPECT_EQ(d.Out, dump) << b[i].Name;
        EXPECT_EQ(s.Out, status) << b[i].Name;
    }
    EXPECT_NE(dump.find("\"name\":\"Astra\""), std::string::npos) << dump;
    EXPECT_NE(status.find("Day " + std::to_string(nights + 1)), std::string::npos) << status;
    for (const TScratch& d : dirs) EXPECT_FALSE(PathExists(d.Path("THYRE.LCK")));
}

// A league host and member set up by this build; each build then makes the
// member's packet and the host's packet from copies of the same folders:
// the same bytes (compressed, signed) from every build, and the host's
// game, taken in by each build, is the same game.
TEST(CrossPlatform, LeaguePacketsAreTheSameBytesFromEveryBuild)
{
    NEED_OTHER_BUILDS();
    const std::vector<TBuild>& b = Builds();
    TScratch host, member, wire;
    ASSERT_EQ(RunIn(b[0], "ydmaint", {"-d", host.Dir, "new", "-seed", "21"}).Exit, 0);
    TRun h = RunIn(b[0], "ydmaint", {"-d", host.Dir, "league", "init", "-league", "Cup", "-role", "host", "-node",
                                   "2:5/1", "-inbound", wire.Dir, "-outbound", wire.Dir});
    TRun m = RunIn(b[0], "ydmaint", {"-d", member.Dir, "league", "init", "-league", "Cup", "-role", "member", "-node",
                                   "2:5/2", "-host", "2:5/1", "-inbound", wire.Dir, "-outbound", wire.Dir});
    ASSERT_EQ(h.Exit, 0) << h.Out;
    ASSERT_EQ(m.Exit, 0) << m.Out;
    const std::string keys = Lines(h.Out).back() + "\n" + Lines(m.Out).back() + "\n";
    for (const TScratch* f : {&host, &member}) {
        std::string cfg = ReadFile(f->Path("LEAGUE.CFG"));
        cfg = cfg.substr(0, cfg.find("Key = ")) + keys;
        if (f == &host) cfg += "Member = 2:5/2, Pi BBS, 1\n";
        WriteFile(f->Path("LEAGUE.CFG"), cfg);
    }
    ASSERT_EQ(RunIn(b[0], "ydmaint", {"-d", host.Dir, "league", "send"}).Exit, 0);
    ASSERT_EQ(RunIn(b[0], "ydmaint", {"-d", member.Dir, "league", "receive"}).Exit, 0);
    // A caller of the member's board has asked for a house.
    TChange found;
    found.Kind = ChangeFound;
    found.Text = "Pia";
    found.Player = "Pat Caller";
    ASSERT_TRUE(JournalAppend(member.Dir, 1, found));
    TRun r;

    // Each build sends from its own copies of both folders, to its own wire.
    auto ownCopy = [](const TScratch& from, const TScratch& to, const TScratch& out) {
        CopyFolder(from, to);
        std::string cfg = ReadFile(to.Path("LEAGUE.CFG"));
        size_t at = cfg.find("Outbound = ");
        cfg = cfg.substr(0, at) + "Outbound = " + out.Dir + cfg.substr(cfg.find('\n', at));
        WriteFile(to.Path("LEAGUE.CFG"), cfg);
    };
    std::vector<TScratch> hosts(b.size()), members(b.size()), wires(b.size());
    std::vector<std::string> sent;
    for (size_t i = 0; i < b.size(); i++) {
        ownCopy(host, hosts[i], wires[i]);
        ownCopy(member, members[i], wires[i]);
        r = RunIn(b[i], "ydmaint", {"-d", members[i].Dir, "league", "send"});
        ASSERT_EQ(r.Exit, 0) << b[i].Name << ": " << r.Out;
        r = RunIn(b[i], "ydmaint", {"-d", hosts[i].Dir, "league", "send"});
        ASSERT_EQ(r.Exit, 0) << b[i].Name << ": " << r.Out;
        std::vector<std::string> names;
        ASSERT_TRUE(ListFolder(wires[i].Dir, names));
        std::sort(names.begin(), names.end());
        if (i == 0) sent = names;
        ASSERT_EQ(names, sent) << b[i].Name;
        for (const std::string& p : names)
            EXPECT_TRUE(ReadFile(wires[i].Path(p)) == ReadFile(wires[0].Path(p))) << p << " from " << b[i].Name;
    }
    ASSERT_GE(sent.size(), 2u);   // the member's journal and the host's game

    // Each build's host takes in the member's journal from its own wire and
    // plays the night: the same game everywhere, with the member's house.
    for (size_t i = 0; i < b.size(); i++) {
        std::string cfg = ReadFile(hosts[i].Path("LEAGUE.CFG"));
        size_t at = cfg.find("Inbound = ");
        cfg = cfg.substr(0, at) + "Inbound = " + wires[i].Dir + cfg.substr(cfg.find('\n', at));
        WriteFile(hosts[i].Path("LEAGUE.CFG"), cfg);
        r = RunIn(b[i], "ydmaint", {"-d", hosts[i].Dir, "daily"});
        ASSERT_EQ(r.Exit, 0) << b[i].Name << ": " << r.Out;
        EXPECT_TRUE(ReadFile(hosts[i].Path("THYRE.DAT")) == ReadFile(hosts[0].Path("THYRE.DAT"))) << b[i].Name;
    }
    r = RunIn(b.back(), "ydmaint", {"-d", hosts[0].Dir, "status"});
    EXPECT_NE(r.Out.find("Pia"), std::string::npos) << r.Out;
}

}   // namespace
