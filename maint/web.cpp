// The web page: one XHTML-clean HTML file with the chart inline, its
// pictures as SVG beside it and one style sheet.  Every text that comes from
// a player is escaped and stripped of colour codes; while a game runs no
// map is shown (callers must not learn from it what they have not seen).
#include "maint/web.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>
#include <vector>

#include "core/chronicle.h"
#include "core/files.h"
#include "core/founding.h"
#include "core/gamefile.h"
#include "core/history.h"
#include "core/league.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/score.h"
#include "core/settings.h"
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

// A number for SVG with one decimal.
static std::string Num(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    std::string t = buf;
    if (t.size() > 2 && t.compare(t.size() - 2, 2, ".0") == 0) t.resize(t.size() - 2);
    return t == "-0" ? "0" : t;
}

// ---------------------------------------------------------------- marks

// Six colours for 25 houses: the houses of one colour (slots six apart)
// each get a shape of their own, so colour and shape together tell every
// house apart on the map, on the chart, in the legends and the standings.
static const char* const MarkShapes[5] = {"circle", "square", "triangle", "diamond", "star"};
static int HouseShape(int h) { return IsHouse(h) ? (h - 1) / 6 % 5 : 0; }

// The mark of the house in slot h (named nameHtml) centred on (cx, cy),
// about r across from the centre; inner is put inside it (a <title>).
static std::string NamedMarkSvg(int h, const std::string& nameHtml, double cx, double cy, double r,
                                const std::string& inner = "")
{
    std::string shape = MarkShapes[HouseShape(h)];
    std::string attrs = " class=\"mark\" data-house=\"" + nameHtml + "\" data-shape=\"" + shape + "\" fill=\"" +
                        HouseWebColour(h) + "\" stroke=\"#05050c\" stroke-width=\"1\"";
    std::string close = inner.empty() ? "/>" : ">" + inner;
    auto polygon = [&](const std::vector<std::pair<double, double>>& pts) {
        std::string p;
        for (auto [x, y] : pts) p += (p.empty() ? "" : " ") + Num(cx + x * r) + "," + Num(cy + y * r);
        return "<polygon" + attrs + " points=\"" + p + "\"" + close + (inner.empty() ? "" : "</polygon>");
    };
    switch (HouseShape(h)) {
    case 1:
        return "<rect" + attrs + " x=\"" + Num(cx - 0.9 * r) + "\" y=\"" + Num(cy - 0.9 * r) + "\" width=\"" +
               Num(1.8 * r) + "\" height=\"" + Num(1.8 * r) + "\"" + close + (inner.empty() ? "" : "</rect>");
    case 2: return polygon({{0, -1.25}, {1.1, 0.75}, {-1.1, 0.75}});
    case 3: return polygon({{0, -1.3}, {1.1, 0}, {0, 1.3}, {-1.1, 0}});
    case 4: {
        std::vector<std::pair<double, double>> pts;
        for (int i = 0; i < 10; i++) {
            double a = 3.14159265358979 * i / 5, len = i % 2 ? 0.6 : 1.35;
            pts.push_back({len * std::sin(a), -len * std::cos(a)});
        }
        return polygon(pts);
    }
    default:
        return "<circle" + attrs + " cx=\"" + Num(cx) + "\" cy=\"" + Num(cy) + "\" r=\"" + Num(r) + "\"" + close +
               (inner.empty() ? "" : "</circle>");
    }
}

static std::string MarkSvg(int h, double cx, double cy, double r, const std::string& inner = "")
{
    return NamedMarkSvg(h, HouseHtml(h), cx, cy, r, inner);
}

// The mark as a small picture of its own, for a line of text.
static std::string MarkIcon(int h)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"swatch\" viewBox=\"0 0 20 20\" aria-hidden=\"true\">" +
           MarkSvg(h, 10, 10.5, 7) + "</svg>";
}

// ---------------------------------------------------------------- chart

enum { ChartFont = 15 };   // the chart is never drawn narrower than 620 px: 11.6 px at the least

// The houses' points night by night.  Equal scores on one night are drawn
// a little apart (a line's width between two lines while few are tied), so
// that tied houses stay so many lines.
// key, when given, gets the houses' marks and names as a list for the
// page, in the order of the labels at the lines' ends: a phone, on which the
// chart scrolls sideways, shows it below the chart.
static std::string ChartSvg(const std::vector<TScoreRec>& history, bool standalone, std::string* key = nullptr)
{
    int64_t top = 10;
    int lastDay = 1, firstDay = history.empty() ? 1 : history.front().Day;
    std::vector<int> houses;
    size_t longest = 4;
    for (int h = 1; h <= MaxHouseSlots; h++) {
        bool seen = false;
        for (const TScoreRec& r : history)
            if (r.Status[h - 1] != StatusFree) {
                seen = true;
                top = std::max<int64_t>(top, r.Score[h - 1]);
            }
        if (!seen) continue;
        houses.push_back(h);
        longest = std::max(longest, StrGet(HouseRec(h).Name).size());
    }
    int64_t low = top;
    for (const TScoreRec& r : history) {
        lastDay = std::max(lastDay, (int)r.Day);
        for (int h : houses)
            if (r.Status[h - 1] != StatusFree) low = std::min<int64_t>(low, r.Score[h - 1]);
    }
    // The scale from a round step below the lowest score (0 when the scores
    // lie far apart) to one above the highest, so that close scores are seen
    // to differ.
    if (low > top - low) low = std::max<int64_t>(0, low);
    else low = std::min<int64_t>(0, low);
    top = std::max<int64_t>(top, low + 10);
    int64_t step = 1;
    while (step * 10 < top - low) step *= 10;
    if (step * 5 >= top - low) step = step / 2 > 0 ? step / 2 : 1;
    top = (top + step - 1) / step * step;
    low = low >= 0 ? low / step * step : -((-low + step - 1) / step * step);
    const int labelGap = ChartFont + 3;
    const int height = std::max<int>(ChartHeight, 70 + labelGap * (int)houses.size());
    const int left = 64, right = std::clamp(40 + 9 * (int)longest, 120, 260), topPad = 20, bottom = 46;
    int w = ChartWidth - left - right, hgt = height - topPad - bottom;
    auto x = [&](int day) {
        return left + (lastDay == firstDay ? w / 2 : (day - firstDay) * w / (lastDay - firstDay));
    };
    auto y = [&](int64_t v) { return topPad + hgt - (double)(v - low) * hgt / (double)(top - low); };
    std::string s = std::string(standalone ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" : "") +
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + IntToText(ChartWidth) + " " +
                    IntToText(height) + "\" class=\"chart\" font-family=\"Verdana,Geneva,sans-serif\" role=\"img\" "
                    "aria-label=\"Every house's score night by night\">\n";
    s += "<title>Scores night by night</title>\n";
    s += "<rect x=\"0\" y=\"0\" width=\"" + IntToText(ChartWidth) + "\" height=\"" + IntToText(height) +
         "\" fill=\"#101018\"/>\n";
    const std::string font = "\" font-size=\"" + IntToText(ChartFont) + "\"";
    for (int64_t v = low; v <= top; v += step) {
        s += "<line x1=\"" + IntToText(left) + "\" y1=\"" + Num(y(v)) + "\" x2=\"" + IntToText(left + w) + "\" y2=\"" +
             Num(y(v)) + "\" stroke=\"#333344\" stroke-width=\"1\"/>\n";
        s += "<text x=\"" + IntToText(left - 6) + "\" y=\"" + Num(y(v) + 5) + "\" fill=\"#aaaaaa" + font +
             " text-anchor=\"end\">" + GroupThousands(v) + "</text>\n";
    }
    int dayStep = std::max(1, (lastDay - firstDay + 9) / 10);
    // The last night is always named (where the lines end); a step's label
    // too close before it gives way.
    for (int d = firstDay; d <= lastDay; d += dayStep) {
        if (d != lastDay && x(lastDay) - x(d) < 3 * ChartFont) d = lastDay;
        s += "<text class=\"night\" x=\"" + IntToText(x(d)) + "\" y=\"" + IntToText(topPad + hgt + 20) +
             "\" fill=\"#aaaaaa" + font + " text-anchor=\"middle\">" + IntToText(d) + "</text>\n";
        if (d != lastDay && d + dayStep > lastDay) d = lastDay - dayStep;
    }
    s += "<text x=\"" + IntToText(left + w / 2) + "\" y=\"" + IntToText(height - 6) + "\" fill=\"#aaaaaa" + font +
         " text-anchor=\"middle\">night</text>\n";

    // Each night's points, ties spread over a few units.  While the chart
    // has one night only there are points and no lines: tied points then
    // stand side by side, a mark's width apart, so that each one is seen.
    const bool oneNight = lastDay == firstDay;
    std::vector<std::vector<double>> py(history.size(), std::vector<double>(MaxHouseSlots + 1, 0));
    std::vector<double> px(MaxHouseSlots + 1, x(firstDay));
    for (size_t i = 0; i < history.size(); i++) {
        const TScoreRec& r = history[i];
        std::vector<int> here;
        for (int h : houses)
            if (r.Status[h - 1] != StatusFree) here.push_back(h);
        std::stable_sort(here.begin(), here.end(), [&](int a, int b) { return r.Score[a - 1] < r.Score[b - 1]; });
        for (size_t a = 0; a < here.size();) {
            size_t b = a;
            while (b < here.size() && r.Score[here[b] - 1] == r.Score[here[a] - 1]) b++;
            double spread = b - a > 1 && !oneNight ? std::min(5.0, 30.0 / (double)(b - a - 1)) : 0;
            for (size_t k = a; k < b; k++) {
                double offset = (double)(k - a) - (double)(b - a - 1) / 2;
                py[i][here[k]] = y(r.Score[here[k] - 1]) + offset * spread;
                if (oneNight) px[here[k]] = x(firstDay) + offset * 12;
            }
            a = b;
        }
    }
    // Marks on every night while there are few, else on the labelled nights.
    auto marked = [&](const TScoreRec& r) { return lastDay - firstDay <= 20 || (r.Day - firstDay) % dayStep == 0; };
    struct TLabel {
        double Y;
        int House;
    };
    std::vector<TLabel> labels;
    for (int h : houses) {
        std::string points, marks;
        double lastY = 0;
        for (size_t i = 0; i < history.size(); i++) {
            const TScoreRec& r = history[i];
            if (r.Status[h - 1] == StatusFree) continue;
            lastY = py[i][h];
            double atX = oneNight ? px[h] : x(r.Day);
            points += (points.empty() ? "" : " ") + Num(atX) + "," + Num(lastY);
            if (marked(r) || i + 1 == history.size())
                marks += MarkSvg(h, atX, lastY, 4.5, "<title>" + HouseHtml(h) + ", night " + IntToText(r.Day) +
                                                               ": " + GroupThousands(r.Score[h - 1]) + "</title>") + "\n";
        }
        s += "<polyline class=\"score\" data-house=\"" + HouseHtml(h) + "\" points=\"" + points +
             "\" fill=\"none\" stroke=\"" + HouseWebColour(h) + "\" stroke-width=\"2\"/>\n" + marks;
        labels.push_back({lastY, h});
    }
    // Labels at the lines' ends, pushed apart so that none covers another.
    std::sort(labels.begin(), labels.end(), [](const TLabel& a, const TLabel& b) { return a.Y < b.Y; });
    for (size_t i = 1; i < labels.size(); i++) labels[i].Y = std::max(labels[i].Y, labels[i - 1].Y + labelGap);
    double bottomY = topPad + hgt + 4;
    for (size_t i = labels.size(); i-- > 0;) {
        double limit = i + 1 < labels.size() ? labels[i + 1].Y - labelGap : bottomY;
        labels[i].Y = std::min(labels[i].Y, limit);
    }
    if (key) {
        *key = "<ul class=\"legend chartkey\">\n";
        for (const TLabel& l : labels)
            *key += "<li>" + MarkIcon(l.House) + "<span class=\"hname\" style=\"color:" + HouseWebColour(l.House) +
                    "\">" + HouseHtml(l.House) + "</span></li>\n";
        *key += "</ul>\n";
    }
    for (const TLabel& l : labels)
        s += MarkSvg(l.House, left + w + 14, l.Y, 5) + "\n<text class=\"hname\" x=\"" + IntToText(left + w + 24) +
             "\" y=\"" + Num(l.Y + 5) + "\" fill=\"" + HouseWebColour(l.House) + font + ">" + HouseHtml(l.House) +
             "</text>\n";
    return s + "</svg>\n";
}

// ------------------------------------------------------------------ map

static const char* const LaneStyle[4] = {"stroke=\"#332222\" stroke-dasharray=\"2,6\"", "stroke=\"#667788\"",
                                         "stroke=\"#aa5555\" stroke-dasharray=\"8,4\"",
                                         "stroke=\"#55aa55\" stroke-dasharray=\"3,3\""};

// The galaxy as a picture without a word in it (its legend is the page's
// text, readable at any width): lanes by state, systems by their owners'
// marks, the Exchange and the Hollow's nests ringed.
static std::string MapSvg(bool standalone)
{
    const TGameHeader& hd = Game.Header;
    std::string s = std::string(standalone ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" : "") +
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + IntToText(MapSize) + " " +
                    IntToText(MapSize) + "\" class=\"map\" role=\"img\" aria-label=\"The galaxy when the game ended\">\n";
    s += "<title>" + Html(StrGet(hd.GameName)) + ": the galaxy when the game ended</title>\n";
    s += "<rect x=\"0\" y=\"0\" width=\"" + IntToText(MapSize) + "\" height=\"" + IntToText(MapSize) +
         "\" fill=\"#05050c\"/>\n";
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
            s += "<rect x=\"" + IntToText(sy.X - 14) + "\" y=\"" + IntToText(sy.Y - 14) +
                 "\" width=\"28\" height=\"28\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"2\"/>\n";
        if (sy.NestStrength > 0)
            s += "<circle cx=\"" + x + "\" cy=\"" + y + "\" r=\"16\" fill=\"none\" stroke=\"#aa00aa\" stroke-width=\"3\"/>\n";
        std::string title = "<title>" + Html(StrGet(sy.Name)) + (IsHouse(owner) ? " (" + HouseHtml(owner) + ")" : "") +
                            "</title>";
        if (IsHouse(owner))
            s += MarkSvg(owner, sy.X, sy.Y, 9, title) + "\n";
        else
            s += "<circle class=\"system\" cx=\"" + x + "\" cy=\"" + y + "\" r=\"6\" fill=\"#555555\">" + title +
                 "</circle>\n";
    }
    return s + "</svg>\n";
}

// The map's legend, text of the page: what the lines and rings mean, and
// each house's mark with its name.  houses: (slot, name) of the game shown,
// which may be a past one: a mark follows from the slot alone.
static std::string MapLegend(const std::vector<std::pair<int, std::string>>& houses)
{
    auto icon = [](const std::string& inner) {
        return "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"swatch\" viewBox=\"0 0 20 20\" aria-hidden=\"true\">" +
               inner + "</svg>";
    };
    std::string s = "<ul class=\"legend\">\n";
    const char* const laneNames[4] = {"closed lane", "open lane", "closing lane", "opening lane"};
    for (int i = 0; i < 4; i++)
        s += "<li>" + icon("<line x1=\"0\" y1=\"10\" x2=\"20\" y2=\"10\" " + std::string(LaneStyle[i]) +
                           " stroke-width=\"3\"/>") + "<span>" + laneNames[i] + "</span></li>\n";
    s += "<li>" + icon("<rect x=\"2\" y=\"2\" width=\"16\" height=\"16\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"2\"/>") +
         "<span>the Exchange</span></li>\n";
    s += "<li>" + icon("<circle cx=\"10\" cy=\"10\" r=\"8\" fill=\"none\" stroke=\"#aa00aa\" stroke-width=\"3\"/>") +
         "<span>a nest of the Hollow</span></li>\n";
    s += "<li>" + icon("<circle cx=\"10\" cy=\"10\" r=\"5\" fill=\"#555555\"/>") + "<span>no house</span></li>\n";
    s += "</ul>\n<ul class=\"legend houses\">\n";
    for (const auto& [h, name] : houses)
        s += "<li>" + icon(NamedMarkSvg(h, Html(name), 10, 10.5, 7)) + "<span class=\"hname\" style=\"color:" +
             HouseWebColour(h) + "\">" + Html(name) + "</span></li>\n";
    return s + "</ul>\n";
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

// ----------------------------------------------------------- hall of fame

// FAME.TXT, entry by entry, as tables: each entry's heading line, its
// winner line and one row a house.  A line that does not read as a row is
// kept as a row of its own.
static std::string FameHtml(const std::string& fame)
{
    struct TEntry {
        std::string Title, Winner;
        std::vector<std::string> Rows;
    };
    std::vector<TEntry> entries;
    for (const std::string& line : SplitLines(fame)) {
        std::string t = TrimText(line);
        if (t.empty()) continue;
        if (t.size() >= 10 && t.find_first_not_of('=') == std::string::npos) {
            entries.push_back({});
            continue;
        }
        if (entries.empty()) entries.push_back({});
        TEntry& e = entries.back();
        if (e.Title.empty() && e.Rows.empty()) e.Title = t;
        else if (e.Winner.empty() && e.Rows.empty() && (t.rfind("Won by ", 0) == 0 || t == "No winner")) e.Winner = t;
        else e.Rows.push_back(line);
    }
    static const std::regex Row(R"(^\s*(\d+)\. (.*?)\s*(-?[0-9,]+)\s+(\d+) worlds\s*(.*)$)");
    std::string s;
    for (size_t i = entries.size(); i-- > 0;) {   // the newest game first
        const TEntry& e = entries[i];
        if (e.Title.empty() && e.Rows.empty()) continue;
        s += "<article class=\"fame\">\n<h3>" + Html(e.Title) + "</h3>\n";
        if (!e.Winner.empty()) s += "<p>" + Html(e.Winner) + "</p>\n";
        s += "<div class=\"tablebox\"><table>\n<thead><tr><th class=\"n\">#</th><th>House</th><th>Player</th>"
             "<th class=\"n\">Worlds</th><th class=\"n\">Score</th></tr></thead>\n<tbody>\n";
        for (const std::string& row : e.Rows) {
            std::smatch m;
            if (std::regex_match(row, m, Row))
                s += "<tr><td class=\"n\">" + Html(m[1]) + "</td><td><span class=\"hname\">" + Html(m[2]) +
                     "</span></td><td>" + Html(TrimText(m[5])) + "</td><td class=\"n\">" + Html(m[4]) +
                     "</td><td class=\"n\">" + Html(m[3]) + "</td></tr>\n";
            else
                s += "<tr><td colspan=\"5\">" + Html(TrimText(row)) + "</td></tr>\n";
        }
        s += "</tbody>\n</table></div>\n</article>\n";
    }
    return s;
}

// ----------------------------------------------------------------- page

static const char* const StyleSheet =
    "body{margin:0;background:#0a0a12;color:#dddddd;font-family:Verdana,Geneva,sans-serif;line-height:1.4}\n"
    "main,header{max-width:800px;margin:0 auto;padding:0 12px;box-sizing:border-box}\n"
    "h1{color:#ffff55;margin:16px 0 4px}\nh2{color:#55ffff;border-bottom:1px solid #333344;padding-bottom:2px}\n"
    "h3{color:#ffffff;font-size:1em;margin:14px 0 4px}\n"
    ".board{font-size:1.15em;margin:0}\n.join{margin:4px 0;color:#55ff55}\n"
    ".tablebox{overflow-x:auto}\ntable{width:100%;border-collapse:collapse}\n"
    "th,td{text-align:left;padding:3px 4px;vertical-align:top;overflow-wrap:normal;word-break:normal;hyphens:none}\n"
    "th{color:#aaaaaa;font-weight:normal;border-bottom:1px solid #333344}\n"
    "td.n,th.n{text-align:right;white-space:nowrap}\ntr:nth-child(even) td{background:#12121c}\n"
    ".who{display:flex;align-items:flex-start;gap:6px}\n"
    ".swatch{flex:none;display:inline-block;width:16px;height:16px;margin-top:.15em;vertical-align:top}\n"
    ".chg{display:block;font-size:12px}\n.up{color:#55ff55}\n.down{color:#ff5555}\n.same{color:#888888}\n"
    ".picture{overflow-x:auto;margin:0 0 8px}\n.picture svg,.picture img{display:block;width:100%;height:auto}\n"
    ".picture svg.chart{min-width:620px}\n.picture svg.map,.picture img{min-width:600px}\n"
    ".legend{list-style:none;padding:0;margin:6px 0;display:flex;flex-wrap:wrap;gap:4px 18px}\n"
    ".legend li{display:flex;align-items:flex-start;gap:6px}\n"
    ".note,.day{color:#aaaaaa;margin:0}\n.news{margin:0;padding-left:20px}\n"
    ".news li.victory{color:#ffff55;font-weight:bold;list-style:none;margin:4px 0 4px -20px;padding:4px 8px;"
    "border:1px solid #ffff55}\n"
    "figure{margin:16px 0}\nfigcaption{color:#aaaaaa}\n"
    "ul.chartkey{display:none}\n@media (max-width:660px){ul.chartkey{display:flex}}\n"
    "@media (max-width:480px){.wide{display:none}body{font-size:14px}}\n";

static std::string PageHead(const std::string& title)
{
    return "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
           "<meta charset=\"utf-8\"/>\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
           "<title>" + title + "</title>\n<link rel=\"stylesheet\" href=\"style.css\"/>\n</head>\n<body>\n";
}

// A change since the night before, as a small second line: up, down, same.
static std::string ChangeHtml(int64_t change, const std::string& what)
{
    std::string data = " data-change=\"" + std::string(change > 0 ? "+" : "") + IntToText(change) + "\"";
    if (change > 0)
        return "<span class=\"chg up\"" + data + " title=\"" + what + " up since the night before\">&#9650;" +
               GroupThousands(change) + "</span>";
    if (change < 0)
        return "<span class=\"chg down\"" + data + " title=\"" + what + " down since the night before\">&#9660;" +
               GroupThousands(-change) + "</span>";
    return "<span class=\"chg same\"" + data + " title=\"" + what + " as the night before\">=</span>";
}

// Whether new players can join the running game, in a sentence.
static std::string JoinText()
{
    const TGameHeader& hd = Game.Header;
    if (hd.JoinDays != 0 && hd.JoinDays < hd.Day)
        return "New players can no longer join this game: joining closed after day " + IntToText(hd.JoinDays) + ".";
    // The same test as a joining player meets: a free slot and a free home system.
    if (!RoomToFound()) return "The game is full: new players cannot join it.";
    return hd.JoinDays == 0 ? "New players can join any day."
                            : "New players can still join, until day " + IntToText(hd.JoinDays) + ".";
}

// One past map of maps.txt ("file|caption|slot=name|..."), with its legend.
static std::string PastMapHtml(const std::string& line)
{
    std::vector<std::string> parts;
    for (size_t at = 0;;) {
        size_t bar = line.find('|', at);
        parts.push_back(line.substr(at, bar == std::string::npos ? std::string::npos : bar - at));
        if (bar == std::string::npos) break;
        at = bar + 1;
    }
    if (parts.size() < 2 || parts[0].compare(0, 4, "map-") != 0) return "";
    std::vector<std::pair<int, std::string>> houses;
    for (size_t i = 2; i < parts.size(); i++) {
        size_t eq = parts[i].find('=');
        int h = eq == std::string::npos ? 0 : ParseInt(parts[i].substr(0, eq), 0);
        if (IsHouse(h)) houses.push_back({h, parts[i].substr(eq + 1)});
    }
    std::string s = "<figure>\n<figcaption>" + Html(parts[1]) + "</figcaption>\n<div class=\"picture\"><img src=\"" +
                    Html(parts[0]) + "\" alt=\"The galaxy of " + Html(parts[1]) + "\"/></div>\n";
    return s + MapLegend(houses) + "</figure>\n";
}

// The loaded game, which has ended: its map written into the web folder
// out and, the first time, its entry added to maps (maps.txt).  caption and
// houses: as the entry tells them (its date the day the map was first kept).
static std::string KeepEndedMap(const std::string& out, std::string& maps, std::string& caption,
                                std::vector<std::pair<int, std::string>>& houses)
{
    const TGameHeader& hd = Game.Header;
    std::string file = MapFileName();
    if (!ReplaceFileSafely(out + file, MapSvg(true))) return out + file + " could not be written: " + LastErrorText();
    caption = StrGet(hd.GameName) + ", ended " + Timestamp().substr(0, 10) + " on day " +
              IntToText(std::max(1, hd.Day - 1)) + (IsHouse(hd.Winner) ? ", won by " + StrGet(HouseRec(hd.Winner).Name) : "");
    std::string entry = file + "|" + caption;
    houses.clear();
    for (int h = 1; h <= MaxHouseSlots; h++) {
        if (HouseRec(h).Status == StatusFree) continue;
        std::string n = StrGet(HouseRec(h).Name);
        std::replace(n.begin(), n.end(), '|', '/');
        houses.push_back({h, n});
        entry += "|" + IntToText(h) + "=" + n;
    }
    for (char& c : entry)
        if ((unsigned char)c < 32 || c == '\n') c = ' ';
    for (const std::string& line : SplitLines(maps))
        if (line.compare(0, file.size() + 1, file + "|") == 0) {
            size_t from = file.size() + 1, bar = line.find('|', from);
            caption = line.substr(from, bar == std::string::npos ? std::string::npos : bar - from);
            return "";
        }
    maps += entry + "\n";
    if (!ReplaceFileSafely(out + MapListName, maps)) return std::string(out + MapListName) + " could not be written: " + LastErrorText();
    return "";
}

std::string WriteWebSite(const std::string& folder, const std::string& outFolder)
{
    if (!PathExists(folder + GameFileName)) return "no game in " + folder + GameFileName;
    if (!IsFolder(outFolder) && !MakeFolder(outFolder)) return "the folder " + outFolder + " could not be made: " + LastErrorText();
    std::string out = FolderWithDelim(outFolder);
    std::string maps;
    ReadWholeFile(out + MapListName, maps);
    // A game that ended and was replaced before any page showed its end (the
    // sysop ended it and a new game began before the next page): its map
    // from the archive, kept with the maps of the games before.
    if (LoadGame(folder + OldGameName) && Game.Header.Ended) {
        std::string caption;
        std::vector<std::pair<int, std::string>> houses;
        std::string problem = KeepEndedMap(out, maps, caption, houses);
        if (!problem.empty()) return problem;
    }
    if (!LoadGame(folder + GameFileName)) return "no game in " + folder + GameFileName;
    ComputeScores();
    const TGameHeader& hd = Game.Header;
    TSettings settings = ReadSettings(folder);
    TLeagueLook league = LookAtLeague(folder);
    int lastNight = hd.Day - 1;   // the night last played, 0 before the first
    int day = hd.Ended ? std::max(1, lastNight) : hd.Day;
    std::string name = Html(StrGet(hd.GameName));
    std::string page = PageHead(name);
    page += "<header>\n<h1>" + name + "</h1>\n";
    if (!settings.WebBoard.empty()) page += "<p class=\"board\">Played on <strong>" + Html(settings.WebBoard) + "</strong></p>\n";
    if (!settings.WebHowToJoin.empty()) page += "<p class=\"join\">To play: " + Html(settings.WebHowToJoin) + "</p>\n";
    page += "<p class=\"day\">Day " + IntToText(day) + (hd.LastDay ? " of " + IntToText(hd.LastDay) : std::string()) +
            (hd.Ended ? " (the game is over)" : "") + ", " +
            (lastNight >= 1 ? "as of the night of day " + IntToText(lastNight) : std::string("before the first night")) +
            ", written " + Timestamp() + ".</p>\n";
    if (!league.Name.empty()) page += "<p class=\"day\">Played in the league " + Html(league.Name) + "</p>\n";
    if (!hd.Ended) page += "<p class=\"note\">" + JoinText() + "</p>\n";
    if (hd.Ended)
        page += IsHouse(hd.Winner) ? "<p>Won by <strong>" + HouseHtml(hd.Winner) + "</strong> (" +
                                         Html(WinKindText(hd.WinKind)) + ").</p>\n"
                                   : std::string("<p>The game ended without a winner.</p>\n");
    page += "</header>\n<main>\n";

    // Standings, with each house's change since the night before.
    // Only the nights of the game as it now is: after a restore no night
    // past today and no house that is gone.
    std::vector<TScoreRec> history;
    ReadScoreHistory(folder, history);
    while (!history.empty() && history.back().Day >= hd.Day) history.pop_back();
    for (TScoreRec& r : history)
        for (int h = 1; h <= MaxHouseSlots; h++)
            if (HouseRec(h).Status == StatusFree) r.Status[h - 1] = StatusFree;
    const TScoreRec* before = nullptr;
    for (const TScoreRec& r : history)
        if (r.Day == lastNight - 1) before = &r;
    page += "<section id=\"standings\">\n<h2>Standings</h2>\n<div class=\"tablebox\"><table>\n<thead><tr>"
            "<th class=\"n\">#</th><th>House</th><th>Player</th>";
    if (!league.Name.empty()) page += "<th class=\"wide\">Board</th>";
    page += "<th class=\"n\">Worlds</th><th class=\"n\">Score</th></tr></thead>\n<tbody>\n";
    std::vector<int> ranked = RankedHouses(true);
    for (size_t i = 0; i < ranked.size(); i++) {
        int h = ranked[i];
        const THouse& hr = HouseRec(h);
        std::string player = hr.Computer ? "computer" : Html(StrGet(hr.Player));
        // A house the sysop removed has no player left to name.
        if (hr.Status == StatusOut) player += player.empty() ? "out" : ", out";
        std::string worldChange, scoreChange;
        if (before && before->Status[h - 1] != StatusFree) {
            scoreChange = ChangeHtml((int64_t)hr.Score - before->Score[h - 1], "score");
            if (before->Worlds[h - 1] != WorldsUnknown)
                worldChange = ChangeHtml(HouseWorldCount(h) - before->Worlds[h - 1], "worlds");
        } else if (before) {
            scoreChange = "<span class=\"chg up\" title=\"joined since the night before\">new</span>";
        }
        page += "<tr class=\"house\"><td class=\"n\">" + IntToText(ScoreRank(h, true)) + "</td><td><span class=\"who\">" +
                MarkIcon(h) + "<span class=\"hname\">" + HouseHtml(h) + "</span></span></td><td>" + player + "</td>";
        if (!league.Name.empty()) page += "<td class=\"wide\">" + Html(league.HouseBoardName[h]) + "</td>";
        page += "<td class=\"n\">" + IntToText(HouseWorldCount(h)) + worldChange + "</td><td class=\"n\">" +
                GroupThousands(hr.Score) + scoreChange + "</td></tr>\n";
    }
    if (ranked.empty()) page += "<tr><td colspan=\"5\">No houses yet.</td></tr>\n";
    page += "</tbody>\n</table></div>\n";
    if (before)
        page += "<p class=\"note\">Under each number: its change since the night of day " + IntToText(before->Day) +
                ".</p>\n";
    page += "</section>\n";

    // The chart, inline (and as chart.svg for other pages to use).
    page += "<section id=\"chart\">\n<h2>Scores night by night</h2>\n";
    if (history.empty())
        page += "<p>The chart begins after the first night.</p>\n";
    else {
        std::string key;
        page += "<div class=\"picture\">\n" + ChartSvg(history, false, &key) + "</div>\n" + key;
    }
    if (history.size() == 1)
        page += "<p class=\"note\">Each house's score after the first night; the lines begin after the second night.</p>\n";
    page += "</section>\n";

    // The last seven nights' news, night by night as the door tells it;
    // the line of a victory stands out.
    std::vector<TEventRec> events;
    ReadEvents(folder, events);
    page += "<section id=\"news\">\n<h2>News of the last nights</h2>\n";
    bool any = false;
    for (int d = std::max(1, day - WebNewsNights + 1); d <= day; d++) {
        // A news text longer than one record was stored in pieces of the
        // record's full length: a full piece runs on into the next record of
        // its night and kind, and the page shows them as the one line.
        std::vector<std::string> lines;
        const TEventRec* piece = nullptr;
        for (const TEventRec& e : events) {
            if (e.House != 0 || e.Day != d) continue;
            if (piece && piece->Kind == e.Kind && !lines.empty()) lines.back() += EventText(e);
            else lines.push_back(EventText(e));
            piece = e.Len == EventTextMax ? &e : nullptr;
        }
        std::string items;
        for (const std::string& line : lines) {
            std::string text = Html(line);
            bool victory = text.rfind("***", 0) == 0;
            items += victory ? "<li class=\"victory\">" + text + "</li>\n" : "<li>" + text + "</li>\n";
        }
        if (items.empty()) continue;
        any = true;
        page += (d > lastNight ? "<h3>Today, day " : "<h3>The night of day ") + IntToText(d) + "</h3>\n<ul class=\"news\">\n" + items + "</ul>\n";
    }
    if (!any)
        page += lastNight < 1 ? "<p>No news yet: the first night is still to come.</p>\n"
                              : "<p>A quiet week in the Thyre.</p>\n";
    page += "</section>\n";

    // The map of an ended game, kept beside the maps of the games before.
    std::string current;   // this game's map file, shown here and not again with the past games
    if (hd.Ended) {
        current = MapFileName();
        std::string caption;
        std::vector<std::pair<int, std::string>> houses;
        std::string problem = KeepEndedMap(out, maps, caption, houses);
        if (!problem.empty()) return problem;
        page += "<section id=\"map\">\n<h2>The galaxy at the end</h2>\n<p class=\"note\">" + Html(caption) +
                "</p>\n<div class=\"picture\">\n" + MapSvg(false) + "</div>\n" + MapLegend(houses) + "</section>\n";
    } else {
        page += "<section id=\"map\">\n<h2>The galaxy</h2>\n<p>The map is shown here when the game has ended.</p>\n</section>\n";
    }

    // The Hall of Fame, and the maps of past games.
    std::string fame, pastMaps;
    ReadWholeFile(folder + FameFileName, fame);
    for (const std::string& line : SplitLines(maps))
        if (current.empty() || line.compare(0, current.size() + 1, current + "|") != 0) pastMaps += PastMapHtml(line);
    std::string fameTables = FameHtml(fame);
    page += "<section id=\"fame\">\n<h2>Hall of Fame</h2>\n";
    if (!fameTables.empty())
        page += fameTables;
    else
        page += hd.Ended || !pastMaps.empty() ? "<p>No game with a player in it has ended here yet.</p>\n"
                                              : "<p>No game has ended here yet.</p>\n";
    if (!pastMaps.empty()) page += "<h3>Maps of past games</h3>\n" + pastMaps;
    page += "</section>\n</main>\n</body>\n</html>\n";

    if (!ReplaceFileSafely(out + "style.css", StyleSheet)) return out + "style.css could not be written: " + LastErrorText();
    // Before a new game's first night there is no chart: the last game's
    // goes, not to be taken for this one's.
    if (history.empty()) {
        if (PathExists(out + "chart.svg") && !DeleteFile(out + "chart.svg"))
            return out + "chart.svg could not be removed: " + LastErrorText();
    } else if (!ReplaceFileSafely(out + "chart.svg", ChartSvg(history, true))) {
        return out + "chart.svg could not be written: " + LastErrorText();
    }
    if (!ReplaceFileSafely(out + "index.html", page)) return out + "index.html could not be written: " + LastErrorText();
    return "";
}

void CmdWeb()
{
    if (CommandArgs.empty()) Fatal("web needs the folder to write the page into");
    std::string problem = WriteWebSite(GameFolder, FullPath(CommandArgs[0]));
    if (!problem.empty()) Fatal(problem);
    Say("The page is in " + FolderWithDelim(FullPath(CommandArgs[0])) + "index.html.");
}

std::string ConfiguredWebFolder(const std::string& gameFolder, const TSettings& s)
{
    if (s.WebFolder.empty()) return "";
    bool whole = IsPathDelim(s.WebFolder[0]) || (s.WebFolder.size() > 1 && s.WebFolder[1] == ':');
    return whole ? s.WebFolder : gameFolder + s.WebFolder;
}
