// Helpers shared by the tests: scratch folders, running the programs as
// processes, and small hand-built games.
#pragma once
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

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
std::vector<std::string> Lines(const std::string& text);

// A small game in memory: 2 houses, 4 systems in a ring of lanes, a few
// worlds and fleets; enough for every report to have something to show.
void BuildSmallGame();
