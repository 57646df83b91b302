#include "core/settings.h"

#include <climits>

#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/text.h"


TSettings DefaultSettings()
{
    TSettings s;
    s.GameName = "Yvarn Thyre";
    s.Days = 60;
    s.JoinDays = 10;
    s.MaxHouses = 12;
    s.SystemsPerHouse = 8;
    s.Hollow = 2;
    s.DominionVictory = true;
    s.RelicVictory = true;
    s.LastHouseVictory = true;
    s.AutopilotAfter = 7;
    s.DissolveAfter = 21;
    s.ComputerHouses = "Varro, Ostrel";
    s.PeaceDays = 10;
    s.Difficulty = 2;
    s.AutoRestart = true;
    s.DailyReset = false;
    s.NewsFile = true;
    return s;
}

std::string YesNoText(bool b) { return b ? "Yes" : "No"; }

std::string DifficultyText(int d) { return d == 1 ? "Easy" : d == 3 ? "Hard" : "Normal"; }

int ParseInt(const std::string& text, int def)
{
    int64_t v;
    if (!ParseInt64(text, v) || v < INT32_MIN || v > INT32_MAX) return def;
    return (int)v;
}

bool ParseYesNo(const std::string& text, bool def)
{
    std::string t = UpperText(TrimText(text));
    if (t == "YES" || t == "Y" || t == "ON" || t == "1" || t == "TRUE") return true;
    if (t == "NO" || t == "N" || t == "OFF" || t == "0" || t == "FALSE") return false;
    return def;
}

int ParseDifficulty(const std::string& text, int def)
{
    std::string t = UpperText(TrimText(text));
    if (t == "EASY" || t == "1") return 1;
    if (t == "NORMAL" || t == "2") return 2;
    if (t == "HARD" || t == "3") return 3;
    return def;
}

#define TEXT(k, label, hint, q, m) {k, SettingText, 0, 0, label, hint, q, &TSettings::m, nullptr, nullptr}
#define LIST(k, label, hint, q, m) {k, SettingList, 0, 0, label, hint, q, &TSettings::m, nullptr, nullptr}
#define NUMBER(k, lo, hi, label, hint, q, m) {k, SettingNumber, lo, hi, label, hint, q, nullptr, &TSettings::m, nullptr}
#define YESNO(k, label, hint, m) {k, SettingYesNo, 0, 1, label, hint, "", nullptr, nullptr, &TSettings::m}

const TSettingField SettingFields[SettingFieldCount] = {
    TEXT("GAMENAME", "Game name", "", "Game name (up to 39 letters): ", GameName),
    NUMBER("DAYS", 0, 999, "Game length, days (0 = endless)", "", "Days (0 = no last day): ", Days),
    NUMBER("JOINDAYS", 0, 999, "New houses may join until day", "  (0 = any day)", "Last day to join (0 = any day): ",
           JoinDays),
    NUMBER("MAXHOUSES", 2, MaxHouseSlots, "Most houses (computers included)", "", "Most houses (2 to 25): ",
           MaxHouses),
    NUMBER("SYSTEMSPERHOUSE", 5, 12, "Map size: systems per house", "  (5 to 12)", "Systems per house (5 to 12): ",
           SystemsPerHouse),
    NUMBER("HOLLOW", 0, 3, "Hollow strength", "  (0 off, 1 low, 2 normal, 3 high)", "Hollow strength (0 to 3): ",
           Hollow),
    YESNO("DOMINIONVICTORY", "Dominion victory", "  (60% of the worlds for 3 days)", DominionVictory),
    YESNO("RELICVICTORY", "Relic victory", "  (every relic at once)", RelicVictory),
    YESNO("LASTHOUSEVICTORY", "Last house victory", "", LastHouseVictory),
    NUMBER("AUTOPILOTAFTER", 1, 250, "Autopilot after days away", "", "Days away before autopilot (1 to 250): ",
           AutopilotAfter),
    NUMBER("DISSOLVEAFTER", 1, 250, "Dissolve house after days away", "",
           "Days away before the house is dissolved (1 to 250): ", DissolveAfter),
    LIST("COMPUTERHOUSES", "Computer houses", "", "Computer houses: ", ComputerHouses),
    YESNO("AUTORESTART", "New game after one ends", "", AutoRestart),
    YESNO("DAILYRESET", "New game EVERY night (testing)", "", DailyReset),
    YESNO("NEWSFILE", "Write NEWS.TXT each night", "", NewsFile),
    NUMBER("PEACEDAYS", 0, 250, "Computers leave new players alone", " days  (0 = no peace)",
           "Days computer houses leave a new player alone (0 to 250): ", PeaceDays),
    {"DIFFICULTY", SettingDifficulty, 1, 3, "Computer difficulty", "  (Easy, Normal, Hard)", "", nullptr,
     &TSettings::Difficulty, nullptr},
};

#undef TEXT
#undef LIST
#undef NUMBER
#undef YESNO

// One line of THYRE.CFG: a number is read with the current value as its
// default, then clamped to its range.
static void ApplyLine(TSettings& s, const std::string& key, const std::string& value)
{
    for (const TSettingField& f : SettingFields) {
        if (key != f.Key) continue;
        switch (f.Kind) {
        case SettingText:
            // Cut, then trimmed again: a blank at the cut would be lost on
            // the next reading and the name would change by itself.
            if (!value.empty()) s.*f.Text = TrimText(value.substr(0, 39));
            break;
        case SettingList: s.*f.Text = value; break;
        case SettingNumber: s.*f.Number = (int32_t)Clamp(ParseInt(value, s.*f.Number), f.Low, f.High); break;
        case SettingYesNo: s.*f.Flag = ParseYesNo(value, s.*f.Flag); break;
        case SettingDifficulty: s.*f.Number = ParseDifficulty(value, s.*f.Number); break;
        }
        return;
    }
}

TSettings ReadSettings(const std::string& folder)
{
    TSettings s = DefaultSettings();
    std::string text;
    if (!ReadWholeFile(folder + SettingsFileName, text)) return s;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = TrimText(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        ApplyLine(s, UpperText(TrimText(line.substr(0, eq))), TrimText(line.substr(eq + 1)));
    }
    if (s.DissolveAfter < s.AutopilotAfter) s.DissolveAfter = s.AutopilotAfter;
    return s;
}

std::string SettingsText(const TSettings& s)
{
    const char* lines[] = {
        "; Yvarn Thyre settings.  Edit here or with THYRECFG.  They are used when",
        "; a new game starts; a game already running keeps the settings it began with.",
        ";",
        "; Name of the game, shown to players",
    };
    std::string out;
    auto line = [&out](const std::string& l) { out += l + "\r\n"; };
    for (const char* l : lines) line(l);
    line("GameName = " + s.GameName);
    line("; Game length in days (0 = no last day), and the last day new houses may");
    line("; join (0 = any day)");
    line("Days = " + IntToText(s.Days));
    line("JoinDays = " + IntToText(s.JoinDays));
    line("; Most houses in a game, computer houses included (2 to " + IntToText(MaxHouseSlots) + ")");
    line("MaxHouses = " + IntToText(s.MaxHouses));
    line("; Map size: star systems per house (5 to 12)");
    line("SystemsPerHouse = " + IntToText(s.SystemsPerHouse));
    line("; The Hollow: 0 off, 1 low, 2 normal, 3 high");
    line("Hollow = " + IntToText(s.Hollow));
    line("; Early victories (Yes/No): 60% of the worlds for 3 days, every relic,");
    line("; the last house left");
    line("DominionVictory = " + YesNoText(s.DominionVictory));
    line("RelicVictory = " + YesNoText(s.RelicVictory));
    line("LastHouseVictory = " + YesNoText(s.LastHouseVictory));
    line("; Days a player can be away before their house goes on autopilot, and");
    line("; before it is dissolved");
    line("AutopilotAfter = " + IntToText(s.AutopilotAfter));
    line("DissolveAfter = " + IntToText(s.DissolveAfter));
    line("; Computer houses that join each new game (names, comma separated;");
    line("; blank = none)");
    line("ComputerHouses = " + s.ComputerHouses);
    line("; Days the computer houses leave a new player alone after they join");
    line("; (0 = no peace)");
    line("PeaceDays = " + IntToText(s.PeaceDays));
    line("; How hard the computer houses play: Easy, Normal or Hard.  They never");
    line("; get extra resources; Easy waits longer and attacks with bigger odds,");
    line("; Hard attacks sooner and takes more risks.");
    line("Difficulty = " + DifficultyText(s.Difficulty));
    line("; Start a new game the night after a game ends (Yes/No)");
    line("AutoRestart = " + YesNoText(s.AutoRestart));
    line("; Start a brand-new game every night instead of playing on - for testing only");
    line("DailyReset = " + YesNoText(s.DailyReset));
    line("; Write NEWS.TXT each night (the news and standings, to post on the BBS)");
    line("NewsFile = " + YesNoText(s.NewsFile));
    return out;
}

// Every program reads THYRE.CFG without the lock, so it is replaced in one
// rename rather than truncated and rewritten in place.
bool WriteSettings(const std::string& folder, const TSettings& s)
{
    return ReplaceFileSafely(folder + SettingsFileName, SettingsText(s));
}

void ApplySettingsToHeader(const TSettings& s)
{
    TGameHeader& h = Game.Header;
    StrSet(h.GameName, s.GameName.substr(0, 39));
    h.LastDay = (uint16_t)Clamp(s.Days, 0, 65535);
    h.JoinDays = (uint16_t)Clamp(s.JoinDays, 0, 65535);
    h.MaxHouses = (uint8_t)Clamp(s.MaxHouses, 2, MaxHouseSlots);
    h.SystemsPerHouse = (uint8_t)Clamp(s.SystemsPerHouse, 5, 12);
    h.Hollow = (uint8_t)Clamp(s.Hollow, 0, 3);
    h.Victories = (uint8_t)((s.DominionVictory ? VictoryDominion : 0) | (s.RelicVictory ? VictoryRelics : 0) |
                            (s.LastHouseVictory ? VictoryLastHouse : 0));
    h.AutopilotAfter = (uint8_t)Clamp(s.AutopilotAfter, 1, 250);
    h.DissolveAfter = (uint8_t)Clamp(s.DissolveAfter, 1, 250);
    h.PeaceDays = (uint8_t)Clamp(s.PeaceDays, 0, 250);
    h.Difficulty = (uint8_t)Clamp(s.Difficulty, 1, 3);
}
