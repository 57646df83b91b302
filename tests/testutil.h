// Helpers shared by the tests: scratch folders, running the programs as
// processes, and small hand-built games.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed afterwards.
struct TScratch {
    std::string Dir;   // ends in '/'
    TScratch();
    ~TScratch();
    std::string Path(const std::string& name) const { return Dir + name; }
};

struct TRun {
    int Exit;
    std::string Out;
};
// Runs a program with arguments, stdin from /dev/null, and collects its
// standard output and standard error together.
TRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd = "");

// The same with standard input read from the given text.
TRun RunWithInput(const std::string& program, const std::vector<std::string>& args, const std::string& input);

// A connected pair of stream sockets in this process, for a door attached
// to one end (a Unix socket pair; a loopback connection on Windows).
struct TSocketPair {
    intptr_t Door = -1, Peer = -1;
    TSocketPair();
    ~TSocketPair();
    bool Send(const std::string& bytes) const;   // from the peer's end
    // What reaches the peer's end until nothing more comes for `ms`.
    std::string Receive(int ms = 20) const;
    void ClosePeer();                            // the caller hangs up
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
std::vector<std::string> Lines(const std::string& text);
// The text with every CR LF made a LF (console programs on Windows end
// their lines with both).
std::string UnixLines(const std::string& text);

// A small game in memory: 2 houses, 4 systems in a ring of lanes, a few
// worlds and fleets; enough for every report to have something to show.
void BuildSmallGame();

// A bare map for the night's tests: systems 0..n-1 in a row joined by open
// lanes (i, i+1), each with one world of the given kind, nothing owned.
// Houses are added with AddTestHouse; fleets with AddTestFleet.
void BuildRowMap(int systems, int kind = 0);
int AddTestHouse(int h, const char* name, int homeWorld);
int AddTestFleet(int house, int system, int cls, int count, const char* name = "Fleet");
// The game state's bytes, for comparing two runs.
std::string GameBytes();
