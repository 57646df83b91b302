// THYRE.CFG: the sysop's settings for new games and the nightly run's
// switches, as "Key = value" lines with ";" comments.
#pragma once
#include "core/files.h"
#include <cstdint>
#include <string>
#include <vector>

// The defaults of a new game, for THYRE.CFG and the galaxy generator alike.
enum {
    DefaultDays = 60,
    DefaultJoinDays = 10,
    DefaultMaxHouses = 12,
    DefaultSystemsPerHouse = 8,
    DefaultHollow = 2,
    DefaultAutopilotAfter = 7,
    DefaultDissolveAfter = 21,
    DefaultPeaceDays = 10,
    DefaultDifficulty = 2,
};
inline constexpr const char* DefaultGameName = "Yvarn Thyre";

struct TSettings {
    std::string GameName;
    int32_t Days;
    int32_t JoinDays;
    int32_t MaxHouses;
    int32_t SystemsPerHouse;
    int32_t Hollow;
    bool DominionVictory;
    bool RelicVictory;
    bool LastHouseVictory;
    int32_t AutopilotAfter;
    int32_t DissolveAfter;
    std::string ComputerHouses;
    int32_t PeaceDays;
    int32_t Difficulty;
    bool AutoRestart;
    bool DailyReset;
    bool NewsFile;
    // Where the nightly run writes the game's web page; empty: nowhere.  Not
    // in the setup program's table: THYRE.CFG names it only once it is set.
    std::string WebFolder;
    // What the page says of the board (its name) and of how to reach the
    // game (a telnet address, the door's menu key, a line of the sysop's).
    std::string WebBoard;
    std::string WebHowToJoin;
};


// Every setting as one row: its key in THYRE.CFG, how it is read, its range,
// how the setup program shows and asks for it (in the editor's order), and
// how THYRE.CFG writes it (its name there and the comment above it, where
// "{range}" stands for "Low to High").
enum TSettingKind { SettingText, SettingNumber, SettingYesNo, SettingDifficulty, SettingList };
struct TSettingField {
    const char* Key;        // the key in THYRE.CFG
    TSettingKind Kind;
    int32_t Low, High;      // the range of a number
    const char* Label;      // the setup program's row
    const char* Hint;       // shown after the value, or ""
    const char* Question;   // the setup program's question, or "" for a toggle
    std::string TSettings::*Text;
    int32_t TSettings::*Number;
    bool TSettings::*Flag;
    const char* FileName;   // the key as THYRE.CFG writes it
    const char* Comment;    // the lines above it in THYRE.CFG, "\n" apart, or ""
};
enum { SettingFieldCount = 17 };
extern const TSettingField SettingFields[SettingFieldCount];

// The row of a key, or nullptr.
const TSettingField* SettingField(const char* key);

TSettings DefaultSettings();
// folder is the game folder with its delimiter (or empty for the current one).
// A line of THYRE.CFG that could not be used as written: its number, the
// line as written, and what was made of it ("THYRE.CFG line 4: Days = 9O is
// not a number; 60 kept").
struct TSettingsProblem {
    int Line;
    std::string Written;
    std::string Text;
};
// Never fails; with `problems`, each line that could not be used as written
// is named there: unknown keys, lines without "=", values that are no
// number, no Yes/No or no difficulty, and numbers out of range (clamped).
TSettings ReadSettings(const std::string& folder, std::vector<TSettingsProblem>* problems = nullptr);
// The problems' texts alone.
std::vector<std::string> SettingsProblemTexts(const std::string& folder);
// `kept`: lines the reader could not use, written after the settings as
// comments so that the sysop's text is not lost.
bool WriteSettings(const std::string& folder, const TSettings& s, const std::vector<std::string>& kept = {});
std::string SettingsText(const TSettings& s);

std::string YesNoText(bool b);
std::string DifficultyText(int d);
bool ParseYesNo(const std::string& text, bool def);
int ParseDifficulty(const std::string& text, int def);
int ParseInt(const std::string& text, int def);

