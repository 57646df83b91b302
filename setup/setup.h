// thyrecfg, the sysop's setup program: console operations, game access,
// the main screen and settings editor, and the tools for the running game.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The console (console.cpp, the only setup file that touches the terminal).
void ConWrite(const std::string& text);
void ConLine(const std::string& text);
// A plain text (a backtick in it is shown as it is), wrapped at blanks
// within 79 columns.
void ConPlain(const std::string& text);
void ConGood(const std::string& text);
void ConBad(const std::string& text);
void ConDim(const std::string& text);
void ConTitle(const std::string& text);
// Ends the program (code 0, the lock released) when standard input ends.
std::string ConAsk(const std::string& prompt);
bool ConYesNo(const std::string& question);
bool ConNumber(const std::string& prompt, int64_t low, int64_t high, int64_t& out);
void ConPressEnter();
// A menu line: the key, the label, and the values shown after it.
void ConMenuItem(const std::string& key, const std::string& label, const std::vector<std::string>& values = {});
void ConPager(const std::string& text);
std::string ConYesNoText(bool b);

// Game access (menu.cpp).
extern std::string SetupFolder;   // the game folder, with its delimiter
enum { SetupWaitSeconds = 10, SetupStartWaitSeconds = 30, SetupHoldSeconds = 1800 };
bool PeekGame();
bool OpenGame();
bool CloseGame(bool save);

// The program and its screens.
int SetupMain(int argc, char** argv);
void SettingsEditor();
void StartGameScreen(bool ask);

// The tools for the running game (tools.cpp).
void HouseList();
void HousesScreen();
void HouseEditor(int h);
void AddComputerHouse();
void SendSysopNotice();
void EndGame();
void ChangeRunningGame();
void RemoveHouse(int h);
