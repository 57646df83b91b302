#include "core/settings.h"

#include <algorithm>
#include <climits>

#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/text.h"


TSettings DefaultSettings()
{
    TSettings s;
    s.GameName = DefaultGameName;
    s.Days = DefaultDays;
    s.JoinDays = DefaultJoinDays;
    s.MaxHouses = DefaultMaxHouses;
    s.SystemsPerHouse = DefaultSystemsPerHouse;
    s.Hollow = DefaultHollow;
    s.DominionVictory = true;
    s.RelicVictory = true;
    s.LastHouseVictory = true;
    s.AutopilotAfter = DefaultAutopilotAfter;
    s.DissolveAfter = DefaultDissolveAfter;
    s.ComputerHouses = "Varro, Ostrel";
    s.PeaceDays = DefaultPeaceDays;
    s.Difficulty = DefaultDifficulty;
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

#define TEXT(k, label, hint, q, m, name, comment) \
    {k, SettingText, 0, 0, label, hint, q, &TSettings::m, nullptr, nullptr, name, comment}
#define LIST(k, label, hint, q, m, name, comment) \
    {k, SettingList, 0, 0, label, hint, q, &TSettings::m, nullptr, nullptr, name, comment}
#define NUMBER(k, lo, hi, label, hint, q, m, name, comment) \
    {k, SettingNumber, lo, hi, label, hint, q, nullptr, &TSettings::m, nullptr, name, comment}
#define YESNO(k, label, hint, m, name, comment) \
    {k, SettingYesNo, 0, 1, label, hint, "", nullptr, nullptr, &TSettings::m, name, comment}

const TSettingField SettingFields[SettingFieldCount] = {
    TEXT("GAMENAME", "Game name", "", "Game name (up to 39 letters): ", GameName, "GameName",
         "; Name of the game, shown to players"),
    NUMBER("DAYS", 0, 999, "Game length, days (0 = endless)", "", "Days (0 = no last day): ", Days, "Days",
           "; Game length in days (0 = no last day), and the last day new houses may\n; join (0 = any day)"),
    NUMBER("JOINDAYS", 0, 999, "New houses may join until day", "  (0 = any day)", "Last day to join (0 = any day): ",
           JoinDays, "JoinDays", ""),
    NUMBER("MAXHOUSES", 2, MaxHouseSlots, "Most houses (computers included)", "", "Most houses (2 to 25): ",
           MaxHouses, "MaxHouses", "; Most houses in a game, computer houses included ({range})"),
    NUMBER("SYSTEMSPERHOUSE", 5, 12, "Map size: systems per house", "  (5 to 12)", "Systems per house (5 to 12): ",
           SystemsPerHouse, "SystemsPerHouse", "; Map size: star systems per house ({range})"),
    NUMBER("HOLLOW", 0, 3, "Hollow strength", "  (0 off, 1 low, 2 normal, 3 high)", "Hollow strength (0 to 3): ",
           Hollow, "Hollow", "; The Hollow: 0 off, 1 low, 2 normal, 3 high"),
    YESNO("DOMINIONVICTORY", "Dominion victory", "  (60% of the worlds for 3 days)", DominionVictory,
          "DominionVictory",
          "; Early victories (Yes/No): 60% of the worlds for 3 days, every relic,\n; the last house left"),
    YESNO("RELICVICTORY", "Relic victory", "  (every relic at once)", RelicVictory, "RelicVictory", ""),
    YESNO("LASTHOUSEVICTORY", "Last house victory", "", LastHouseVictory, "LastHouseVictory", ""),
    NUMBER("AUTOPILOTAFTER", 1, 250, "Autopilot after days away", "", "Days away before autopilot (1 to 250): ",
           AutopilotAfter, "AutopilotAfter",
           "; Days a player can be away before their house goes on autopilot, and\n; before it is dissolved"),
    NUMBER("DISSOLVEAFTER", 1, 250, "Dissolve house after days away", "",
           "Days away before the house is dissolved (1 to 250): ", DissolveAfter, "DissolveAfter", ""),
    LIST("COMPUTERHOUSES", "Computer houses", "", "Computer houses: ", ComputerHouses, "ComputerHouses",
         "; Computer houses that join each new game (names, comma separated;\n; blank = none)"),
    YESNO("AUTORESTART", "New game after one ends", "", AutoRestart, "AutoRestart",
          "; Start a new game the night after a game ends (Yes/No)"),
    YESNO("DAILYRESET", "New game EVERY night (testing)", "", DailyReset, "DailyReset",
          "; Start a brand-new game every night instead of playing on - for testing only"),
    YESNO("NEWSFILE", "Write NEWS.TXT each night", "", NewsFile, "NewsFile",
          "; Write NEWS.TXT each night (the news and standings, to post on the BBS)"),
    NUMBER("PEACEDAYS", 0, 250, "Computers leave new players alone", " days  (0 = no peace)",
           "Days computer houses leave a new player alone (0 to 250): ", PeaceDays, "PeaceDays",
           "; Days the computer houses leave a new player alone after they join\n; (0 = no peace)"),
    {"DIFFICULTY", SettingDifficulty, 1, 3, "Computer difficulty", "  (Easy, Normal, Hard)", "", nullptr,
     &TSettings::Difficulty, nullptr, "Difficulty",
     "; How hard the computer houses play: Easy, Normal or Hard.  They never\n"
     "; get extra resources; Easy waits longer and attacks with bigger odds,\n"
     "; Hard attacks sooner and takes more risks."},
};

// THYRE.CFG lists the settings in an order of its own: the game, the
// houses, then the night's switches.
static const int FileOrder[SettingFieldCount] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15, 16, 12, 13, 14};

#undef TEXT
#undef LIST
#undef NUMBER
#undef YESNO

// One line of THYRE.CFG: a number is read with the current value as its
// default, then clamped to its range.  What could not be used as written
// is told in `problem` (the value kept or used instead); the setting is
// then as the reader's rules make it.
static void ApplyLine(TSettings& s, const std::string& key, const std::string& value, std::string& problem)
{
    if (key == "WEBFOLDER" || key == "WEBBOARD" || key == "WEBHOWTOJOIN") {
        (key == "WEBFOLDER" ? s.WebFolder : key == "WEBBOARD" ? s.WebBoard : s.WebHowToJoin) = value;
        return;
    }
    for (const TSettingField& f : SettingFields) {
        if (key != f.Key) continue;
        switch (f.Kind) {
        case SettingText:
            // Cut, then trimmed again: a blank at the cut would be lost on
            // the next reading and the name would change by itself.
            if (!value.empty()) s.*f.Text = TrimText(value.substr(0, 39));
            if (value.size() > 39) problem = "is longer than 39 letters; \"" + s.*f.Text + "\" used";
            break;
        case SettingList: s.*f.Text = value; break;
        case SettingNumber: {
            int64_t v;
            if (!ParseInt64(value, v) || v < INT32_MIN || v > INT32_MAX) {
                problem = "is not a number; " + IntToText(s.*f.Number) + " kept";
                break;
            }
            s.*f.Number = (int32_t)Clamp(v, f.Low, f.High);
            if (v != s.*f.Number)
                problem = "is outside " + IntToText(f.Low) + " to " + IntToText(f.High) + "; " + IntToText(s.*f.Number) +
                          " used";
            break;
        }
        case SettingYesNo: {
            bool was = s.*f.Flag;
            s.*f.Flag = ParseYesNo(value, was);
            if (ParseYesNo(value, !was) != s.*f.Flag) problem = "is not Yes or No; " + YesNoText(was) + " kept";
            break;
        }
        case SettingDifficulty: {
            int was = s.*f.Number;
            s.*f.Number = ParseDifficulty(value, was);
            if (ParseDifficulty(value, 0) == 0) problem = "is not Easy, Normal or Hard; " + DifficultyText(was) + " kept";
            break;
        }
        }
        return;
    }
    problem = "is not a setting; the line is ignored";
}

TSettings ReadSettings(const std::string& folder, std::vector<TSettingsProblem>* problems)
{
    TSettings s = DefaultSettings();
    std::string text;
    if (problems) problems->clear();
    if (!ReadWholeFile(folder + SettingsFileName, text)) return s;
    int lineNo = 0, dissolveLine = 0;
    std::string dissolveText;
    for (const std::string& raw : SplitLines(text)) {
        lineNo++;
        std::string line = TrimText(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        std::string where = std::string(SettingsFileName) + " line " + IntToText(lineNo) + ": ";
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            if (problems) problems->push_back({lineNo, line, where + "\"" + line + "\" has no \"=\"; the line is ignored"});
            continue;
        }
        std::string name = TrimText(line.substr(0, eq)), value = TrimText(line.substr(eq + 1));
        std::string key = UpperText(name), problem;
        ApplyLine(s, key, value, problem);
        if (key == "DISSOLVEAFTER") {
            dissolveLine = lineNo;
            dissolveText = line;
        }
        if (problems && !problem.empty()) problems->push_back({lineNo, line, where + name + " = " + value + " " + problem});
    }
    if (s.DissolveAfter < s.AutopilotAfter) {
        s.DissolveAfter = s.AutopilotAfter;
        if (problems && dissolveLine > 0)
            problems->push_back({dissolveLine, dissolveText,
                                 std::string(SettingsFileName) + " line " + IntToText(dissolveLine) + ": " +
                                     dissolveText + " is below AutopilotAfter; " + IntToText(s.DissolveAfter) + " used"});
    }
    return s;
}

std::vector<std::string> SettingsProblemTexts(const std::string& folder)
{
    std::vector<TSettingsProblem> problems;
    ReadSettings(folder, &problems);
    std::vector<std::string> texts;
    for (const TSettingsProblem& p : problems) texts.push_back(p.Text);
    return texts;
}

const TSettingField* SettingField(const char* key)
{
    for (const TSettingField& f : SettingFields)
        if (std::string(key) == f.Key) return &f;
    return nullptr;
}

static std::string SettingValueText(const TSettings& s, const TSettingField& f)
{
    switch (f.Kind) {
    case SettingText:
    case SettingList: return s.*f.Text;
    case SettingNumber: return IntToText(s.*f.Number);
    case SettingYesNo: return YesNoText(s.*f.Flag);
    case SettingDifficulty: return DifficultyText(s.*f.Number);
    }
    return "";
}

std::string SettingsText(const TSettings& s)
{
    std::string out = "; Yvarn Thyre settings.  Edit here or with THYRECFG.  They are used when\r\n"
                      "; a new game starts; a game already running keeps the settings it began with.\r\n"
                      ";\r\n";
    for (int i : FileOrder) {
        const TSettingField& f = SettingFields[i];
        std::string comment = f.Comment;
        size_t at = comment.find("{range}");
        if (at != std::string::npos) comment.replace(at, 7, IntToText(f.Low) + " to " + IntToText(f.High));
        for (const std::string& line : SplitLines(comment)) out += line + "\r\n";
        out += std::string(f.FileName) + " = " + SettingValueText(s, f) + "\r\n";
    }
    if (!s.WebFolder.empty()) {
        out += "; Where the nightly run writes the game's web page\r\n";
        out += "WebFolder = " + s.WebFolder + "\r\n";
    }
    if (!s.WebBoard.empty() || !s.WebHowToJoin.empty()) {
        out += "; What the web page says of the board and of how to reach the game\r\n";
        if (!s.WebBoard.empty()) out += "WebBoard = " + s.WebBoard + "\r\n";
        if (!s.WebHowToJoin.empty()) out += "WebHowToJoin = " + s.WebHowToJoin + "\r\n";
    }
    return out;
}

// Every program reads THYRE.CFG without the lock, so it is replaced in one
// rename rather than truncated and rewritten in place.
bool WriteSettings(const std::string& folder, const TSettings& s, const std::vector<std::string>& kept)
{
    // The lines kept by an earlier save stay, with the new ones after them.
    static const std::string KeptTitle = "; Lines that were not understood, kept as they were written:";
    std::vector<std::string> all;
    std::string old;
    if (ReadWholeFile(folder + SettingsFileName, old)) {
        bool in = false;
        for (const std::string& raw : SplitLines(old)) {
            std::string line = TrimText(raw);
            if (in && line.compare(0, 2, "; ") == 0) all.push_back(line.substr(2));
            in = in || line == KeptTitle;
        }
    }
    for (const std::string& line : kept)
        if (std::find(all.begin(), all.end(), line) == all.end()) all.push_back(line);
    std::string text = SettingsText(s);
    if (!all.empty()) {
        text += ";\r\n" + KeptTitle + "\r\n";
        for (const std::string& line : all) text += "; " + line + "\r\n";
    }
    return ReplaceFileSafely(folder + SettingsFileName, text);
}
