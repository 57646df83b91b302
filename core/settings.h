// THYRE.CFG: the sysop's settings for new games and the nightly run's
// switches, as "Key = value" lines with ";" comments.
#pragma once
#include "core/files.h"
#include <cstdint>
#include <string>

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
};


// Every setting as one row: its key in THYRE.CFG, how it is read, its range,
// and how the setup program shows and asks for it (in the editor's order).
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
};
enum { SettingFieldCount = 17 };
extern const TSettingField SettingFields[SettingFieldCount];

TSettings DefaultSettings();
// folder is the game folder with its delimiter (or empty for the current one).
TSettings ReadSettings(const std::string& folder);
bool WriteSettings(const std::string& folder, const TSettings& s);
std::string SettingsText(const TSettings& s);

std::string YesNoText(bool b);
std::string DifficultyText(int d);
bool ParseYesNo(const std::string& text, bool def);
int ParseDifficulty(const std::string& text, int def);
int ParseInt(const std::string& text, int def);

// Copies the values a running game keeps into the game header.
void ApplySettingsToHeader(const TSettings& s);
