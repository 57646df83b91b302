// The web page: one XHTML-clean HTML file with the chart inline, its
// pictures as SVG beside it and one style sheet.  Every text that comes from
// a player is escaped and stripped of colour codes; while a game runs no
// map is shown (callers must not learn from it what they have not seen).
#include "maint/web.h"

#include <algorithm>
#include <vector>

#include "core/chronicle.h"
#include "core/files.h"
#include "core/gamefile.h"
#include "core/history.h"
#include "core/league.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/score.h"
#include "core/stores.h"
#include "core/text.h"
#include "maint/maintcmd.h"

enum { WebNewsNights = 7, ChartWidth = 800, ChartHeight = 420, MapSize = 1000 };
inline constexpr const char* MapListName = "maps.txt";   // in the web folder: past games' maps and captions

// The houses' colours as the door's screens show them (the bright ANSI
// colours of HouseColourCodes).
static std::string HouseWebColour(int h)
{
    static const char* const Hex[16] = {"#000000", "#0000aa", "#00aa00", "#00aaaa", "#aa0000", "#aa00aa",
                                        "#aa5500", "#aaaaaa", "#555555", "#5555ff", "#55ff55", "#55ffff",
                                        "#ff5555", "#ff55ff", "#ffff55", "#ffffff"};
    if (!IsHouse(h)) return "#888888";
    int v = ColourCodeValue(HouseColourCodes[(h - 1) % 6][0]);
    return v >= 0 && v < 16 ? Hex[v] : "#aaaaaa";
}

// Text for the page: colour codes gone, control bytes gone (but for line
// ends in a block of lines), markup escaped.
static std::string Html(const std::string& text, bool lines = false)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (c == '`' && i + 1 < text.size() && ColourCodeValue(text[i + 1]) >= 0) {
            i++;
            continue;
        }
        unsigned char u = (unsigned char)c;
        if (lines && c == '\n') {
            out += c;
            continue;
        }
        if (u < 32 || u == 127) continue;
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            // Bytes above 127 are the BBS's code page, not UTF-8: shown as a
            // neutral mark rather than as broken text.
            out += u >= 128 ? std::string("?") : std::string(1, c);
        }
    }
    return out;
}

static std::string HouseHtml(int h) { return Html(StrGet(HouseRec(h).Name)); }

// ---------------------------------------------------------------- chart

static std::string ChartSvg(const std::vector<TScoreRec>& history, bool standalone)
{
    int64_t top = 10;
    int lastDay = 1, firstDay = history.empty() ? 1 : history.front().Day;
    for (const TScoreRec& r : history) {
        lastDay = std::max(lastDay, (int)r.Day);
        for (int h = 0; h < MaxHouseSlots; h++)
            if (r.Status[h] != StatusFree) top = std::max<int64_t>(top, r.Score[h]);
    }
    // The scale's top rounded up to a round step.
    int64_t step = 1;
    while (step * 10 < top) step *= 10;
    if (step * 5 >= top) step = step / 2 > 0 ? step / 2 : 1;
    top = (top + step - 1) / step * step;
    const int left = 60, right = 150, topPad = 20, bottom = 40;
    int w = ChartWidth - left - right, hgt = ChartHeight - topPad - bottom;
    auto x = [&](int day) { return left + (lastDay == firstDay ? 0 : (day - firstDay) * w / (lastDay - firstDay)); };
    auto y = [&](int64_t v) { return topPad + hgt - (int)(v * hgt / top); };
    std::string s = std::string(standalone ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" : "") +
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + IntToText(ChartWidth) + " " +
                    IntToText(ChartHeight) + "\" class=\"chart\" role=\"img\" aria-label=\"Every house's score night by night\">\n";
    s += "<title>Scores night by night</title>\n";
    s += "<rect x=\"0\" y=\"0\" width=\"" + IntToText(ChartWidth) + "\" height=\"" + IntToText(ChartHeight) +
         "\" fill=\"#101018\"/>\n";
    for (int64_t v = 0; v <= top; v += step) {
        s += "<line x1=\"" + IntToText(left) + "\" y1=\"" + IntToText(y(v)) + "\" x2=\"" + IntToText(left + w) +
             "\" y2=\"" + IntToText(y(v)) + "\" stroke=\"#333344\" stroke-width=\"1\"/>\n";
        s += "<text x=\"" + IntToText(left - 6) + "\" y=\"" + IntToText(y(v) + 4) +
             "\" fill=\"#aaaaaa\" font-size=\"12\" text-anchor=\"end\">" + GroupThousands(v) + "</text>\n";
    }
    int dayStep = std::max(1, (lastDay - firstDay) / 10);
    for (int d = firstDay; d <= lastDay; d += dayStep)
        s += "<text x=\"" + IntToText(x(d)) + "\" y=\"" + IntToText(topPad + hgt + 18) +
             "\" fill=\"#aaaaaa\" font-size=\"12\" text-anchor=\"middle\">" + IntToText(d) + "</text>\n";
    s += "<text x=\"" + IntToText(left + w / 2) + "\" y=\"" + IntToText(ChartHeight - 4) +
         "\" fill=\"#aaaaaa\" font-size=\"12\" text-anchor=\"middle\">night</text>\n";
    // One line a house, labelled at its last night; labels pushed apart so
    // that none covers another.
    struct TLabel {
        int Y;
        int House;
    };
    std::vector<TLabel> labels;
    for (int h = 1; h <= MaxHouseSlots; h++) {
        std::string points;
        int lastY = -1;
        for (const TScoreRec& r : history) {
            if (r.Status[h - 1] == StatusFree) continue;
            lastY = y(r.Score[h - 1]);
            points += (points.empty() ? "" : " ") + IntToText(x(r.Day)) + "," + IntToText(lastY);
        }
        if (points.empty()) continue;
        s += "<polyline class=\"score\" data-house=\"" + HouseHtml(h) + "\" points=\"" + points +
             "\" fill=\"none\" stroke=\"" + HouseWebColour(h) + "\" stroke-width=\"2\"/>\n";
        labels.push_back({lastY, h});
    }
    std::sort(labels.begin(), labels.end(), [](const TLabel& a, const TLabel& b) { return a.Y < b.Y; });
    int gap = labels.empty() ? 14 : std::min(14, hgt / (int)labels.size() + 1);
    for (size_t i = 1; i < labels.size(); i++) labels[i].Y = std::max(labels[i].Y, labels[i - 1].Y + gap);
    for (const TLabel& l : labels)
        s += "<text x=\"" + IntToText(left + w + 6) + "\" y=\"" + IntToText(l.Y + 4) + "\" fill=\"" +
             HouseWebColour(l.House) + "\" font-size=\"" + IntToText(std::max(8, gap - 2)) + "\">" +
             HouseHtml(l.House) + "</text>\n";
    return s + "</svg>\n";
}

// ------------------------------------------------------------------ map

static std::string MapSvg()
{
    const TGameHeader& hd = Game.Header;
    std::string s;   // the picture; its frame is put around it once the legend's height is known
    static const char* const LaneStyle[4] = {"stroke=\"#332222\" stroke-dasharray=\"2,6\"",
                                             "stroke=\"#667788\"", "stroke=\"#aa5555\" stroke-dasharray=\"8,4\"",
                                             "stroke=\"#55aa55\" stroke-dasharray=\"3,3\""};
    for (int l = 0; l < hd.LaneCount; l++) {
        const TLane& ln = Game.Lanes[l];
        if (!IsSystem(ln.A) || !IsSystem(ln.B)) continue;
        const TSystem &a = Game.Systems[ln.A], &b = Game.Systems[ln.B];
        s += "<line x1=\"" + IntToText(a.X) + "\" y1=\"" + IntToText(a.Y) + "\" x2=\"" + IntToText(b.X) + "\" y2=\"" +
             IntToText(b.Y) + "\" " + LaneStyle[ln.State < 4 ? ln.State : 0] + " stroke-width=\"2\"/>\n";
    }
    for (int sys = 0; sys < hd.SystemCount; sys++) {
        const TSystem& sy = Game.Systems[sys];
        int owner = SystemOwner(sys);
        std::string x = IntToText(sy.X), y = IntToText(sy.Y);
        if (sy.Flags & SysExchange)
            s += "<rect x=\"" + IntToText(sy.X - 11) + "\" y=\"" + IntToText(sy.Y - 11) +
                 "\" width=\"22\" height=\"22\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"2\"/>\n";
        if (sy.NestStrength > 0)
            s += "<circle cx=\"" + x + "\" cy=\"" + y + "\" r=\"13\" fill=\"none\" stroke=\"#aa00aa\" stroke-width=\"3\"/>\n";
        s += "<circle class=\"system\" cx=\"" + x + "\" cy=\"" + y + "\" r=\"7\" fill=\"" +
             (owner ? HouseWebColour(owner) : std::string("#555555")) + "\"><title>" + Html(StrGet(sy.Name)) +
             (owner ? " (" + HouseHtml(owner) + ")" : std::string()) + "</title></circle>\n";
    }
    // The legend, below the map: lanes, marks, and every house's colour.
    int ly = MapSize + 20;
    auto text = [&](int x, int y, const std::string& t, const std::string& colour) {
        s += "<text x=\"" + IntToText(x) + "\" y=\"" + IntToText(y) + "\" fill=\"" + colour + "\" font-size=\"16\">" +
             t + "</text>\n";
    };
    const char* const laneNames[4] = {"closed lane", "open lane", "closing lane", "opening lane"};
    for (int i = 0; i < 4; i++) {
        int x = 20 + i * 240;
        s += "<line x1=\"" + IntToText(x) + "\" y1=\"" + IntToText(ly) + "\" x2=\"" + IntToText(x + 40) + "\" y2=\"" +
             IntToText(ly) + "\" " + LaneStyle[i] + " stroke-width=\"3\"/>\n";
        text(x + 48, ly + 5, laneNames[i], "#cccccc");
    }
    ly += 30;
    s += "<rect x=\"20\" y=\"" + IntToText(ly - 10) + "\" width=\"20\" height=\"20\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"2\"/>\n";
    text(48, ly + 5, "the Exchange", "#cccccc");
    s += "<circle cx=\"270\" cy=\"" + IntToText(ly) + "\" r=\"10\" fill=\"none\" stroke=\"#aa00aa\" stroke-width=\"3\"/>\n";
    text(288, ly + 5, "a nest of the Hollow", "#cccccc");
    s += "<circle cx=\"510\" cy=\"" + IntToText(ly) + "\" r=\"7\" fill=\"#555555\"/>\n";
    text(528, ly + 5, "no house", "#cccccc");
    ly += 30;
    int x = 20;
    for (int h = 1; h <= MaxHouseSlots; h++) {
        if (HouseRec(h).Status == StatusFree) continue;
        std::string name = HouseHtml(h);
        int width = 30 + 9 * (int)StrGet(HouseRec(h).Name).size();
        if (x + width > MapSize) {
            x = 20;
            ly += 24;
        }
        s += "<circle cx=\"" + IntToText(x + 7) + "\" cy=\"" + IntToText(ly) + "\" r=\"7\" fill=\"" + HouseWebColour(h) + "\"/>\n";
        text(x + 20, ly + 5, name, HouseWebColour(h));
        x += width;
    }
    int height = ly + 24;
    std::string frame = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + IntToText(MapSize) + " " +
                        IntToText(height) + "\" role=\"img\" aria-label=\"The galaxy when the game ended\">\n";
    frame += "<title>" + Html(StrGet(hd.GameName)) + ": the galaxy when the game ended</title>\n";
    frame += "<rect x=\"0\" y=\"0\" width=\"" + IntToText(MapSize) + "\" height=\"" + IntToText(height) +
             "\" fill=\"#05050c\"/>\n";
    return frame + s + "</svg>\n";
}

// A game's map keeps its name for ever: a hash of the galaxy's system names,
// the same whenever the page is written again.
static std::string MapFileName()
{
    uint32_t hash = 2166136261u;
    for (int sys = 0; sys < Game.Header.SystemCount; sys++)
        for (char c : StrGet(Game.Systems[sys].Name)) hash = (hash ^ (uint8_t)c) * 16777619u;
    return "map-" + HexText(hash, 8) + ".svg";
}

// ----------------------------------------------------------------- page

static const char* const StyleSheet =
    "body{margin:0;background:#0a0a12;color:#dddddd;font-family:Verdana,Geneva,sans-serif;line-height:1.4}\n"
    "main,header{max-width:800px;margin:0 auto;padding:0 12px;box-sizing:border-box}\n"
    "h1{color:#ffff55;margin:16px 0 4px}\nh2{color:#55ffff;border-bottom:1px solid #333344;padding-bottom:2px}\n"
    "table{width:100%;border-collapse:collapse;table-layout:fixed}\n"
    "th,td{text-align:left;padding:3px 4px;overflow-wrap:anywhere;word-break:break-word}\n"
    "th{color:#aaaaaa;font-weight:normal;border-bottom:1px solid #333344}\n"
    "td.n,th.n{text-align:right}\ntr:nth-child(even) td{background:#12121c}\n"
    ".swatch{display:inline-block;width:10px;height:10px;margin-right:6px;border-radius:5px}\n"
    "svg,img{display:block;width:100%;height:auto;max-width:100%}\n"
    "pre{white-space:pre-wrap;overflow-wrap:anywhere;font-size:13px;color:#cccccc}\n"
    ".day{color:#aaaaaa;margin:0}\n.news li{overflow-wrap:anywhere}\n"
    "@media (max-width:480px){.wide{display:none}body{font-size:14px}}\n";

static std::string PageHead(const std::string& title)
{
    return "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
           "<meta charset=\"utf-8\"/>\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
           "<title>" + title + "</title>\n<link rel=\"stylesheet\" href=\"style.css\"/>\n</head>\n<body>\n";
}

std::string WriteWebSite(const std::string& folder, const std::string& outFolder)
{
    if (!LoadGame(folder + GameFileName)) return "no game in " + folder + GameFileName;
    ComputeScores();
    if (!IsFolder(outFolder) && !MakeFolder(outFolder)) return "the folder " + outFolder + " could not be made";
    std::string out = FolderWithDelim(outFolder);
    const TGameHeader& hd = Game.Header;
    TLeagueLook league = LookAtLeague(folder);
    int day = hd.Ended ? std::max(1, hd.Day - 1) : hd.Day;
    std::string name = Html(StrGet(hd.GameName));
    std::string page = PageHead(name);
    page += "<header>\n<h1>" + name + "</h1>\n<p class=\"day\">Day " + IntToText(day) +
            (hd.LastDay ? " of " + IntToText(hd.LastDay) : std::string()) + (hd.Ended ? " (the game is over)" : "") + "</p>\n";
    if (!league.Name.empty()) page += "<p class=\"day\">Played in the league " + Html(league.Name) + "</p>\n";
    if (hd.Ended)
        page += IsHouse(hd.Winner) ? "<p>Won by <strong>" + HouseHtml(hd.Winner) + "</strong> (" +
                                         Html(WinKindText(hd.WinKind)) + ").</p>\n"
                                   : std::string("<p>The game ended without a winner.</p>\n");
    page += "</header>\n<main>\n";

    // Standings.
    page += "<section id=\"standings\">\n<h2>Standings</h2>\n<table>\n<thead><tr><th class=\"n\" style=\"width:3em\">#</th>"
            "<th>House</th><th>Player</th>";
    if (!league.Name.empty()) page += "<th class=\"wide\">Board</th>";
    page += "<th class=\"n\" style=\"width:4em\">Worlds</th><th class=\"n\" style=\"width:5em\">Score</th></tr></thead>\n<tbody>\n";
    std::vector<int> ranked = RankedHouses(true);
    for (int h : ranked) {
        const THouse& hr = HouseRec(h);
        std::string player = hr.Computer ? "computer" : Html(StrGet(hr.Player));
        if (hr.Status == StatusOut) player += ", out";
        page += "<tr class=\"house\"><td class=\"n\">" + IntToText(ScoreRank(h, true)) + "</td><td><span class=\"swatch\" style=\"background:" +
                HouseWebColour(h) + "\"></span>" + HouseHtml(h) + "</td><td>" + player + "</td>";
        if (!league.Name.empty()) page += "<td class=\"wide\">" + Html(league.HouseBoardName[h]) + "</td>";
        page += "<td class=\"n\">" + IntToText(HouseWorldCount(h)) + "</td><td class=\"n\">" + GroupThousands(hr.Score) +
                "</td></tr>\n";
    }
    if (ranked.empty()) page += "<tr><td colspan=\"5\">No houses yet.</td></tr>\n";
    page += "</tbody>\n</table>\n</section>\n";

    // The chart, inline (and as chart.svg for other pages to use).
    std::vector<TScoreRec> history;
    ReadScoreHistory(folder, history);
    page += "<section id=\"chart\">\n<h2>Scores night by night</h2>\n";
    if (history.empty())
        page += "<p>The chart starts after the first night.</p>\n";
    else
        page += ChartSvg(history, false);
    page += "</section>\n";

    // The last seven nights' news.
    std::vector<TEventRec> events;
    ReadEvents(folder, events);
    page += "<section id=\"news\">\n<h2>News of the last nights</h2>\n";
    bool any = false;
    for (int d = day; d > day - WebNewsNights && d >= 1; d--) {
        std::string items;
        for (const TEventRec& e : events)
            if (e.House == 0 && e.Day == d) items += "<li>" + Html(EventText(e)) + "</li>\n";
        if (items.empty()) continue;
        any = true;
        page += "<h3>Night of day " + IntToText(d) + "</h3>\n<ul class=\"news\">\n" + items + "</ul>\n";
    }
    if (!any) page += "<p>A quiet week in the Thyre.</p>\n";
    page += "</section>\n";

    // The map of an ended game, kept beside the maps of the games before.
    std::string maps;
    ReadWholeFile(out + MapListName, maps);
    if (hd.Ended) {
        std::string file = MapFileName();
        if (!ReplaceFileSafely(out + file, MapSvg())) return out + file + " could not be written";
        if (maps.find(file + "|") == std::string::npos) {
            maps += file + "|" + StrGet(hd.GameName) + ", ended on day " + IntToText(day) + "\n";
            if (!ReplaceFileSafely(out + MapListName, maps)) return out + MapListName + " could not be written";
        }
        page += "<section id=\"map\">\n<h2>The galaxy at the end</h2>\n<img src=\"" + file +
                "\" alt=\"The galaxy when the game ended: systems in their owners' colours\"/>\n</section>\n";
    } else {
        page += "<section id=\"map\">\n<h2>The galaxy</h2>\n<p>The map is shown here when the game has ended.</p>\n</section>\n";
    }

    // The Hall of Fame, and the maps of past games.
    std::string fame;
    ReadWholeFile(folder + FameFileName, fame);
    page += "<section id=\"fame\">\n<h2>Hall of Fame</h2>\n";
    page += fame.empty() ? "<p>No game has ended here yet.</p>\n" : "<pre>" + Html(fame, true) + "</pre>\n";
    for (const std::string& line : SplitLines(maps)) {
        size_t bar = line.find('|');
        if (bar == std::string::npos || line.compare(0, 4, "map-") != 0) continue;
        page += "<figure><img src=\"" + Html(line.substr(0, bar)) + "\" alt=\"" + Html(line.substr(bar + 1)) +
                "\"/><figcaption>" + Html(line.substr(bar + 1)) + "</figcaption></figure>\n";
    }
    page += "</section>\n</main>\n</body>\n</html>\n";

    if (!ReplaceFileSafely(out + "style.css", StyleSheet)) return out + "style.css could not be written";
    if (!history.empty() && !ReplaceFileSafely(out + "chart.svg", ChartSvg(history, true)))
        return out + "chart.svg could not be written";
    if (!ReplaceFileSafely(out + "index.html", page)) return out + "index.html could not be written";
    return "";
}

void CmdWeb()
{
    if (CommandArgs.empty()) Fatal("web needs the folder to write the page into");
    std::string problem = WriteWebSite(GameFolder, FullPath(CommandArgs[0]));
    if (!problem.empty()) Fatal(problem);
    Say("The page is in " + FolderWithDelim(FullPath(CommandArgs[0])) + "index.html.");
}
