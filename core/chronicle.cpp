#include "core/chronicle.h"

#include "core/files.h"
#include "core/league.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/score.h"
#include "core/text.h"
#include "core/stores.h"

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + IntToText(n); }

std::string Timestamp(bool seconds) { return DateTimeText(LocalNow(), seconds); }

std::string DateTimeText(const TDateTime& t, bool seconds)
{
    return IntToText(t.Year) + "-" + TwoDigits(t.Month) + "-" + TwoDigits(t.Day) + " " + TwoDigits(t.Hour) + ":" +
           TwoDigits(t.Minute) + (seconds ? ":" + TwoDigits(t.Second) : "");
}

bool AppendText(const std::string& path, const std::string& text)
{
    TFileHandle fd = FileOpenAppend(path);
    if (fd < 0) return false;
    bool ok = FileWrite(fd, text.data(), text.size());
    return FileClose(fd) && ok;
}

bool AppendLog(const std::string& path, const std::string& oldPath, const std::string& text)
{
    // One older log is kept; the rename replaces it in one step.
    if (FileSize(path) > MaintLogLimit) RenameFile(path, oldPath);
    return AppendText(path, text);
}

void MaintLog(const std::string& folder, const std::string& text)
{
    AppendLog(folder + MaintLogName, folder + MaintLogOldName, Timestamp() + "  " + text + "\r\n");
}


// In a league each house's line also names the board it plays from.
static std::string RankLine(int rank, int h, const TLeagueLook& league)
{
    std::string line = "  " + PadLeft(IntToText(rank), 2) + ". " + PadRight(StrGet(HouseRec(h).Name), 24) +
                       PadLeft(GroupThousands(HouseRec(h).Score), 8) + PadLeft(IntToText(HouseWorldCount(h)), 5) +
                       (HouseWorldCount(h) == 1 ? " world" : " worlds");
    if (IsHouse(h) && !league.HouseBoardName[h].empty()) line += "  " + league.HouseBoardName[h];
    return line;
}

static bool WinnerIsHouse() { return IsHouse(Game.Header.Winner); }

// An entry with its date left out: the same game ended on the same day by
// a night played twice reads the same.
static std::string Undated(const std::string& entry)
{
    std::string out = entry;
    size_t at = out.find("   ended ");
    if (at != std::string::npos && at + 19 <= out.size()) out.replace(at + 9, 10, "");
    return out;
}

static bool FameHasEntry(const std::string& folder, const std::string& entry)
{
    std::string fame;
    if (!ReadWholeFile(folder + FameFileName, fame)) return false;
    std::string rule = std::string(78, '=') + "\r\n", want = Undated(entry);
    for (size_t at = fame.find(rule); at != std::string::npos; at = fame.find(rule, at + 1)) {
        size_t next = fame.find(rule, at + 1);
        std::string chunk = fame.substr(at, next == std::string::npos ? std::string::npos : next - at);
        if (Undated(chunk) == want) return true;
    }
    return false;
}

void WriteFame(const std::string& folder)
{
    TGameHeader& hd = Game.Header;
    if (!hd.Ended || hd.FameWritten) return;
    int players = 0;
    for (int h = 1; h <= MaxHouseSlots; h++) players += HouseRec(h).Status != StatusFree && !HouseRec(h).Computer;
    if (players == 0) {
        hd.FameWritten = 1;   // a game of computer houses only leaves no entry
        return;
    }
    ComputeScores();
    std::string text = std::string(78, '=') + "\r\n";
    text += StrGet(hd.GameName) + "   ended " + Timestamp().substr(0, 10) + " on day " +
            IntToText(Max(1, (int)hd.Day - 1)) + "\r\n";
    if (WinnerIsHouse()) {
        const THouse& w = HouseRec(hd.Winner);
        text += "Won by " + StrGet(w.Name) + " (" + StrGet(w.Player) + "): " + WinKindText(Game.Header.WinKind) + "\r\n";
    } else {
        text += "No winner\r\n";
    }
    TLeagueLook league = LookAtLeague(folder);
    if (!league.Name.empty()) text += "Played in the league \"" + league.Name + "\"\r\n";
    for (int h : RankedHouses(true)) {
        const THouse& hr = HouseRec(h);
        std::string who = hr.Computer ? "computer" : StrGet(hr.Player);
        if (hr.Status == StatusOut) who += ", out";
        text += RankLine(ScoreRank(h, true), h, TLeagueLook()) + "   " + who.substr(0, 26) +
                (league.HouseBoardName[h].empty() ? "" : ", " + league.HouseBoardName[h]) + "\r\n";
    }
    // A night that wrote the entry but could not save the game is played
    // again: the entry it left stands, and is not written twice.
    if (FameHasEntry(folder, text)) {
        hd.FameWritten = 1;
        return;
    }
    // The whole entry in one write, so an entry is never torn.
    if (!AppendText(folder + FameFileName, text)) return;
    hd.FameWritten = 1;
}

std::string BuildNews(const std::string& folder, int day)
{
    const TGameHeader& hd = Game.Header;
    std::string text;
    auto line = [&text](const std::string& l) { text += l + "\r\n"; };
    TLeagueLook league = LookAtLeague(folder);
    line(StrGet(hd.GameName) + " - news of day " + IntToText(day));
    if (!league.Name.empty()) line("Played in the league \"" + league.Name + "\"");
    line(std::string(78, '-'));
    std::vector<TEventRec> events;
    int news = 0;
    if (ReadEvents(folder, events))
        for (const TEventRec& e : events)
            if (e.House == 0 && e.Day == day) {
                line(EventText(e));
                news++;
            }
    if (news == 0) line(QuietDayText);
    line(std::string(78, '-'));
    if (hd.Ended) {
        if (WinnerIsHouse())
            line("The game is over: " + StrGet(HouseRec(hd.Winner).Name) + " won (" + WinKindText(Game.Header.WinKind) + ").");
        else
            line("The game is over.");
        line("Final standings");
    } else if (hd.LastDay != 0) {
        line("Standings after day " + IntToText(day) + " of " + IntToText(hd.LastDay));
    } else {
        line("Standings after day " + IntToText(day));
    }
    std::vector<int> ranked = RankedHouses(false);
    for (size_t i = 0; i < ranked.size() && i < 10; i++) line(RankLine(ScoreRank(ranked[i], false), ranked[i], league));
    if (ranked.empty()) line("  No houses yet.");
    return text;
}

void WriteNews(const std::string& folder, int day)
{
    ReplaceFileSafely(folder + NewsFileName, BuildNews(folder, day));
}
