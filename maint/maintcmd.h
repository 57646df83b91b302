// The maintenance program's entry point: the command line, the game folder
// and the dispatch to its commands.
#pragma once
#include <string>
#include <vector>

#include "core/settings.h"

// Set once by MaintMain, read by every command.
extern std::string GameFolder;               // with its delimiter, or empty
extern std::string CommandWord;
extern std::vector<std::string> CommandArgs;

std::string GamePath();                      // the game folder's THYRE.DAT

// Writes "ydmaint: " and the message and ends the program with exit code 1.
[[noreturn]] void Fatal(const std::string& message);
int IntOption(const std::string& name, int def);
bool HasOption(const std::string& name);
// Command argument i read as a whole number, or def when missing or unreadable.
int ArgInt(size_t i, int def);
// Prints one line to standard output.
void Say(const std::string& line);
// A problem that leaves the command's work done: "WARNING: " and the text in
// MAINT.LOG and on standard error.
void Warn(const std::string& text);
// MaintenanceBegin for a run that changes the game: from here a Ctrl-C waits
// until the caller has stored and logged its work and calls
// HoldInterrupts(false); while the lock is waited for it ends the run at
// once, the marker taken away.
bool MaintenanceBeginHeld(int waitSeconds, int holdSeconds);
// Warns of every line of THYRE.CFG that could not be used as written; the
// settings as read.
TSettings SettingsWarned();

// Runs a whole command line; the exit code.
int MaintMain(int argc, char** argv);

// The commands.
void CmdStatus();
int CmdCheck();       // the lines of THYRE.CFG not understood; 1 when there are any
void PrintStatus();   // the report of the game in memory
int CmdDaily();       // the exit code
void CmdTurn();
void CmdSim();
void CmdFame();
void CmdDump();
void CmdNews();
void CmdNew();
void CmdJoin();
void CmdEvents();
// The news and standings for the BBS to show: ANSI, or plain for a .TXT file.
void CmdBulletin();
// A consistent copy of the game folder's files, and going back to a backup.
void CmdBackup();
void CmdRestore();
