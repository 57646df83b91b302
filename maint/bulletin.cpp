// ydmaint bulletin FILE: the last night's news and the standings as a
// screen a BBS shows at logon: ANSI colours, or plain text for a .TXT file.
#include "core/league.h"
#include "core/chronicle.h"
#include "core/gamefile.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/score.h"
#include "core/text.h"
#include "maint/maintcmd.h"
#include "core/stores.h"

enum { BulletinStandings = 10, BulletinNews = 12 };

// A text with colour codes rendered for a terminal, or with them dropped.
static std::string RenderColour(const std::string& text, bool ansi)
{
    std::string out;
    WalkColourCodes(text, [&](const std::string& run) { out += run; },
                    [&](int attr) {
                        if (ansi) out += AnsiAttrSequence(attr);
                    });
    return out;
}

static std::string BulletinText(const std::string& folder, int day)
{
    const TGameHeader& hd = Game.Header;
    std::vector<std::string> lines;
    std::string when = "day " + IntToText(day) + (hd.LastDay ? " of " + IntToText(hd.LastDay) : "");
    lines.push_back("`E YVARN THYRE`7  `F" + StrGet(hd.GameName) + "`7   `8" + when + "`7");
    lines.push_back("`8" + std::string(78, '-') + "`7");
    lines.push_back("`FNews of the night`7");
    std::vector<TEventRec> events;
    std::vector<std::string> news;
    if (ReadEvents(folder, events))
        for (const TEventRec& e : events)
            if (e.House == 0 && e.Day == day) news.push_back("  " + EventText(e));
    if (news.size() > BulletinNews) news.erase(news.begin(), news.end() - BulletinNews);
    if (news.empty()) news.push_back("  `8" + std::string(QuietDayText) + "`7");
    lines.insert(lines.end(), news.begin(), news.end());
    if (hd.Ended) {
        if (IsHouse(hd.Winner))
            lines.push_back("  `EThe game is over: " + StrGet(HouseRec(hd.Winner).Name) + " won (" + WinKindText(Game.Header.WinKind) + ").`7");
        else
            lines.push_back("  `EThe game is over.`7");
    }
    lines.push_back("`8" + std::string(78, '-') + "`7");
    lines.push_back("`FStandings`7");
    std::vector<int> ranked = RankedHouses(false);
    TLeagueLook league = LookAtLeague(folder);
    for (size_t i = 0; i < ranked.size() && i < BulletinStandings; i++) {
        int h = ranked[i];
        std::string board = league.HouseBoardName[h].empty() ? "" : "  " + league.HouseBoardName[h];
        lines.push_back("  " + PadLeft(IntToText(ScoreRank(h, false)), 2) + ". `" + HouseColourCodes[(h - 1) % 6] +
                        PadRight(StrGet(HouseRec(h).Name), 24) + "`7" + PadLeft(GroupThousands(HouseRec(h).Score), 8) +
                        "  `8" + PadLeft(IntToText(HouseWorldCount(h)), 3) +
                        (HouseWorldCount(h) == 1 ? " world" : " worlds") + board + "`7");
    }
    if (ranked.empty()) lines.push_back("  `8No houses yet.`7");
    lines.push_back("`8" + std::string(78, '-') + "`7");
    lines.push_back("`8Play Yvarn Thyre from the doors menu.`7");
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

void CmdBulletin()
{
    if (CommandArgs.empty()) Fatal("bulletin needs a file name");
    const std::string& file = CommandArgs[0];
    if (!LoadGame(GamePath())) Fatal("no game in " + GamePath());
    ComputeScores();
    int day = Game.Header.Day < 2 ? 1 : Game.Header.Day - 1;
    bool plain = file.size() >= 4 && UpperText(file.substr(file.size() - 4)) == ".TXT";
    std::string text = BulletinText(GameFolder, day);
    std::string out = plain ? RenderColour(text, false) : "\x1b[0m\x1b[2J\x1b[H" + RenderColour(text, true) + "\x1b[0m";
    if (!ReplaceFileSafely(file, out)) Fatal("could not write " + file + ": " + LastErrorText());
}
