#include "player/map.h"

#include <cstdlib>
#include <vector>

#include "core/model.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/text.h"
#include "player/prompts.h"
#include "player/visit.h"

enum { LaneSteps = 400, LabelLength = 3, LabelLastColumn = 73 };
enum { ColourOpenLane = 8, ColourClosingLane = 12, ColourOpeningLane = 3, ColourLabel = 3 };

static const int ZoomWidth[3] = {1000, 520, 300};
static const int HouseMapColour[6] = {11, 14, 13, 10, 9, 12};

static int MapWidth(int zoom) { return ZoomWidth[Clamp(zoom, MapMinZoom, MapMaxZoom) - 1]; }

static int CapitalOrFirst(int house)
{
    int c = CapitalSystem(house);
    return c < 0 ? 0 : c;
}

struct TCell {
    int Col, Row;
};

static TCell CellOf(int s, const TMapView& v)
{
    int width = MapWidth(v.Zoom);
    int cx = v.Zoom == MapMinZoom ? MapMiddle : v.CentreX, cy = v.Zoom == MapMinZoom ? MapMiddle : v.CentreY;
    const TSystem& sys = Game.Systems[s];
    return TCell{(width / 2 + sys.X - cx) * (MapCols - 1) / width, (width / 2 + sys.Y - cy) * (MapRows - 1) / width};
}

static bool OnGrid(int col, int row) { return col >= 0 && col < MapCols && row >= 0 && row < MapRows; }

static void Put(TMapGrid& g, int col, int row, char ch, int colour)
{
    if (!OnGrid(col, row)) return;
    g.Ch[row][col] = ch;
    g.Colour[row][col] = (unsigned char)colour;
}

// A lane cell goes only where nothing is, or turns an open lane's dot into
// the colon of a lane about to change.
static void PutLaneCell(TMapGrid& g, int col, int row, char ch, int colour)
{
    if (!OnGrid(col, row)) return;
    char here = g.Ch[row][col];
    if (here == ' ' || (here == '.' && ch == ':')) Put(g, col, row, ch, colour);
}

static void DrawLane(TMapGrid& g, TCell a, TCell b, char ch, int colour)
{
    int dx = std::abs(b.Col - a.Col), sx = a.Col < b.Col ? 1 : -1;
    int dy = -std::abs(b.Row - a.Row), sy = a.Row < b.Row ? 1 : -1;
    int err = dx + dy;
    int col = a.Col, row = a.Row;
    for (int step = 0; step <= LaneSteps; step++) {
        PutLaneCell(g, col, row, ch, colour);
        if (col == b.Col && row == b.Row) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            col += sx;
        }
        if (e2 <= dx) {
            err += dx;
            row += sy;
        }
    }
}

static int ShownOwner(int house, int s) { return SeenNow(house, s) ? SystemOwner(s) : Chart(house, s).SeenOwner; }

static bool FleetOf(int house, int s)
{
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == house && Game.Fleets[f].Loc == s) return true;
    return false;
}

static void SystemSymbol(int house, int s, char& ch, int& colour)
{
    const TSystem& sys = Game.Systems[s];
    int owner = ShownOwner(house, s);
    if (sys.Flags & SysExchange) {
        ch = '$', colour = 14;
    } else if (owner == house) {
        ch = s == CapitalSystem(house) ? '@' : '*', colour = 15;
    } else if (IsHouse(owner)) {
        ch = 'O', colour = HouseMapColour[(owner - 1) % 6];
    } else if (owner == HouseIndependents) {
        ch = 'i', colour = 6;
    } else if (sys.NestStrength > 0 && SeenNow(house, s)) {
        ch = 'x', colour = 5;
    } else if (FleetOf(house, s)) {
        ch = '+', colour = 15;
    } else {
        ch = 'o', colour = SeenNow(house, s) ? 7 : 8;
    }
}

void DrawMap(int house, const TMapView& view, TMapGrid& g)
{
    for (int r = 0; r < MapRows; r++)
        for (int c = 0; c < MapCols; c++) {
            g.Ch[r][c] = ' ';
            g.Colour[r][c] = 7;
        }
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        const TLane& ln = Game.Lanes[l];
        if (!Known(house, ln.A) || !Known(house, ln.B)) continue;
        if (ln.State == LaneOpen)
            DrawLane(g, CellOf(ln.A, view), CellOf(ln.B, view), '.', ColourOpenLane);
        else if (ln.State == LaneClosing)
            DrawLane(g, CellOf(ln.A, view), CellOf(ln.B, view), ':', ColourClosingLane);
        else if (ln.State == LaneOpening)
            DrawLane(g, CellOf(ln.A, view), CellOf(ln.B, view), ':', ColourOpeningLane);
    }
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        if (!Known(house, s)) continue;
        char ch;
        int colour;
        SystemSymbol(house, s, ch, colour);
        TCell c = CellOf(s, view);
        Put(g, c.Col, c.Row, ch, colour);
    }
    if (view.Zoom < 2) return;
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        if (!Known(house, s)) continue;
        TCell c = CellOf(s, view);
        if (c.Col < 0 || c.Col > LabelLastColumn || c.Row < 0 || c.Row >= MapRows) continue;
        bool room = true;
        for (int i = 1; i <= LabelLength; i++) {
            char here = g.Ch[c.Row][c.Col + i];
            room = room && (here == ' ' || here == '.');
        }
        if (!room) continue;
        std::string name = SystemName(s).substr(0, LabelLength);
        for (size_t i = 0; i < name.size(); i++) Put(g, c.Col + 1 + (int)i, c.Row, name[i], ColourLabel);
    }
}

std::vector<std::string> MapLines(const TMapGrid& g)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::vector<std::string> lines;
    for (int r = 0; r < MapRows; r++) {
        std::string line;
        int colour = -1;
        for (int c = 0; c < MapCols; c++) {
            if (g.Colour[r][c] != colour) {
                colour = g.Colour[r][c];
                line += '`';
                line += Hex[colour & 15];
            }
            line += g.Ch[r][c];
        }
        lines.push_back(line);
    }
    return lines;
}

void ShowMap(const TMapView& view)
{
    TMapGrid grid;
    DrawMap(Caller.House, view, grid);
    ClearPage();
    SayLine("`FMap of the Thyre`7  `8zoom " + IntToText(view.Zoom) + "  day " + IntToText(Game.Header.Day) + "`7");
    for (const std::string& line : MapLines(grid)) SayLine(line);
    SayLine("`F@`7capital `F*`7yours `F+`7fleet `BO`7house `6i`7indep `5x`7Hollow `E$`7Exchange o`7empty "
            "`C:`7closing `3:`7opening");
}

static void CentreOn(TMapView& v, int s)
{
    v.CentreX = Game.Systems[s].X;
    v.CentreY = Game.Systems[s].Y;
}

void MapScreen()
{
    if (!GameLook()) return;
    TMapView v;
    CentreOn(v, CapitalOrFirst(Caller.House));
    for (;;) {
        if (v.Zoom == MapMinZoom) v.CentreX = v.CentreY = MapMiddle;
        ShowMap(v);
        char key = AskKey("`F[N S E W]`7 move  `F[+ -]`7 zoom  `F[L]`7ook at a system  `F[C]`7entre  `F[Q]`7uit: ",
                          "NSEW+-LCQ\r\x1b");
        int step = MapWidth(v.Zoom) / 3;
        switch (key) {
        case 'N': v.CentreY -= step; break;
        case 'S': v.CentreY += step; break;
        case 'W': v.CentreX -= step; break;
        case 'E': v.CentreX += step; break;
        case '+':
            if (v.Zoom < MapMaxZoom) v.Zoom++;
            break;
        case '-':
            if (v.Zoom == MapMaxZoom) CentreOn(v, CapitalOrFirst(Caller.House));
            if (v.Zoom > MapMinZoom) v.Zoom--;
            break;
        case 'C': {
            if (!StillToday()) break;
            int s = PickSystem("Centre on: ", true);
            if (s >= 0) {
                CentreOn(v, s);
                if (v.Zoom == MapMinZoom) v.Zoom = 2;
            }
            break;
        }
        case 'L': {
            if (!StillToday()) break;
            int s = PickSystem("System name: ", true);
            if (s >= 0) SystemView(s);
            break;
        }
        default: return;
        }
        v.CentreX = (int)Clamp(v.CentreX, 0, MapEdge);
        v.CentreY = (int)Clamp(v.CentreY, 0, MapEdge);
        if (!GameLook()) return;
    }
}

static std::vector<std::string> WorldLines(int house, int s, int w)
{
    const TWorld& wd = Game.Worlds[w];
    std::string line = "  " + PadRight(WorldName(w), 18) + PadRight(WorldKindName(wd.Kind), 10);
    bool mine = wd.Owner == house;
    if (!SeenNow(house, s) && !mine) {
        line += Chart(house, s).SeenOwner == 0 ? " `8unclaimed when last seen`7" : " `8(no current information)`7";
        return {line + "`7"};
    }
    if (wd.Owner != HouseNobody)
        line += " " + HouseColour(wd.Owner) + HouseName(wd.Owner) + "`7";
    else
        line += " `8unclaimed`7";
    // The facts after the owner, each "  " and its value; those that would
    // reach the last column go on a second line under the owner.
    std::vector<std::string> facts;
    if (wd.Owner != HouseNobody) facts.push_back("  pop " + GroupThousands(wd.Pop) + "k");
    if (mine || wd.Owner == HouseNobody) facts.push_back("  `8max " + GroupThousands(wd.MaxPop) + "k`7");
    if (mine)
        facts.push_back("  shd " + IntToText(wd.Shield) + "  gar " + IntToText(wd.Garrison));
    else if (wd.Shield > 0)
        facts.push_back("  `Cshields up`7");
    if (wd.Kind == KindRuin && wd.Guard > 0) facts.push_back("  `Cguarded`7");
    if (wd.Relic) facts.push_back("  `Erelic`7");
    std::string more;
    for (const std::string& fact : facts) {
        if (more.empty() && VisibleLength(line + fact) <= ScreenColumns)
            line += fact;
        else
            more += more.empty() ? std::string(29, ' ') + fact.substr(2) : fact;
    }
    if (more.empty()) return {line + "`7"};
    return {line + "`7", more + "`7"};
}

void SystemView(int s)
{
    if (!IsSystem(s)) return;
    int house = Caller.House;
    const TSystem& sys = Game.Systems[s];
    ClearPage();
    PageReset();
    std::string head = "`F" + SystemName(s) + "`7";
    if (sys.Flags & SysExchange) head += "  `E(the Exchange)`7";
    if (sys.Flags & SysHome) head += "  `8(a founding world)`7";
    if (SeenNow(house, s))
        head += "   `Aseen today`7";
    else if (Known(house, s))
        head += "   `8last seen on day " + IntToText(Chart(house, s).SeenDay) + "`7";
    else
        head += "   `8never seen`7";
    SayLine(head);
    int capital = CapitalSystem(house);
    if (capital >= 0) {
        int hops = HopDistances(capital)[s];
        if (hops >= 0) SayLine("`8" + Counted(hops, "lane") + " from your capital`7");
    }
    if (SeenNow(house, s) && sys.NestStrength > 0)
        SayLine("`5A Hollow nest festers here (strength " + IntToText(sys.NestStrength) + ").`7");
    // A busy system (many fleets, many lanes) pauses where the caller's
    // screen ends; Q there ends the view.
    auto say = [](const std::string& line) {
        if (!PageMore()) return false;
        SayLine(line);
        return true;
    };
    const std::string rule = "`8" + std::string(78, '-') + "`7";   // as SayRule draws it
    std::vector<std::string> lines = {rule, "`FWorlds`7"};
    for (int i = 0; i < sys.WorldCount; i++)
        for (const std::string& line : WorldLines(house, s, sys.FirstWorld + i)) lines.push_back(line);
    lines.push_back(rule);
    lines.push_back("`FLanes`7");
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        const TLane& ln = Game.Lanes[l];
        if (ln.State == LaneClosed || (ln.A != s && ln.B != s)) continue;
        int other = LaneOther(l, s);
        std::string line = "  to " + PadRight(SystemName(other), 16);
        if (ln.State == LaneClosing) line += " `Cunstable - closing`7";
        if (ln.State == LaneOpening) line += " `3forming - opens soon`7";
        if (!Known(house, other)) line += " `8(unexplored)`7";
        lines.push_back(line);
    }
    if (SeenNow(house, s)) {
        lines.push_back(rule);
        lines.push_back("`FFleets here`7");
        int shown = 0;
        for (int f = 0; f < Game.Header.FleetCount; f++) {
            const TFleet& fl = Game.Fleets[f];
            if (fl.House == HouseNobody || fl.Loc != s) continue;
            if (fl.House == house)
                lines.push_back("  `F" + StrGet(fl.Name) + "`7: " + ShipList(fl));
            else
                lines.push_back("  " + HouseColour(fl.House) + HouseName(fl.House) + "`7: " + ShipList(fl) + "  `8(" +
                                OrderName(fl.Order) + ")`7");
            shown++;
        }
        if (shown == 0) lines.push_back("  `8none`7");
    }
    for (const std::string& line : lines)
        if (!say(line)) break;
    PressKey();
}
