#include "door/ansiconsole.h"

#include <cstdlib>
#include <vector>

// ANSI colour numbers to console colours.
static const int ConsoleColour[8] = {0, 4, 2, 6, 1, 5, 3, 7};

static int Attribute(const TAnsiState& st)
{
    int fg = ConsoleColour[st.Fg & 7] + (st.Bold ? 8 : 0), bg = ConsoleColour[st.Bg & 7];
    if (st.Reverse) {
        int t = fg;
        fg = bg;
        bg = t;
    }
    return fg + 16 * bg;
}

// The ";"-separated numbers; an empty or unreadable one is -1 (its default).
static std::vector<int> Numbers(const std::string& text)
{
    std::vector<int> out;
    size_t at = 0;
    for (;;) {
        size_t semi = text.find(';', at);
        std::string piece = text.substr(at, semi == std::string::npos ? std::string::npos : semi - at);
        bool digits = !piece.empty() && piece.size() < 6 && piece.find_first_not_of("0123456789") == std::string::npos;
        out.push_back(digits ? std::atoi(piece.c_str()) : -1);
        if (semi == std::string::npos) break;
        at = semi + 1;
    }
    return out;
}

static int Param(const std::vector<int>& p, size_t i, int def) { return i < p.size() && p[i] >= 0 ? p[i] : def; }

static void Carry(TAnsiState& st, const TConsoleOps& con, char final)
{
    std::vector<int> p = Numbers(st.Params);
    int col, row, width, top, bottom;
    con.GetCursor(con.Console, col, row);
    con.Window(con.Console, width, top, bottom);
    int startCol = col, startRow = row;
    int n = Param(p, 0, 1);
    switch (final) {
    case 'A': row -= n; break;
    case 'B': row += n; break;
    case 'C': col += n; break;
    case 'D': col -= n; break;
    case 'H':
    case 'f':
        row = top + Param(p, 0, 1) - 1;
        col = Param(p, 1, 1) - 1;
        break;
    case 'J': {
        int mode = Param(p, 0, 0);
        if (mode == 0) {
            con.Fill(con.Console, col, row, (width - col) + (bottom - row) * width);
        } else if (mode == 1) {
            con.Fill(con.Console, 0, top, (row - top) * width + col + 1);
        } else {
            con.Fill(con.Console, 0, top, (bottom - top + 1) * width);
            col = 0;
            row = top;
        }
        break;
    }
    case 'K': {
        int mode = Param(p, 0, 0);
        if (mode == 0) con.Fill(con.Console, col, row, width - col);
        else if (mode == 1) con.Fill(con.Console, 0, row, col + 1);
        else con.Fill(con.Console, 0, row, width);
        break;
    }
    case 'm':
        if (p.size() == 1 && p[0] < 0) p[0] = 0;   // an empty list is one 0
        for (int v : p) {
            if (v == 0) st.Fg = 7, st.Bg = 0, st.Bold = false, st.Reverse = false;
            else if (v == 1) st.Bold = true;
            else if (v == 7) st.Reverse = true;
            else if (v == 22) st.Bold = false;
            else if (v == 27) st.Reverse = false;
            else if (v >= 30 && v <= 37) st.Fg = v - 30;
            else if (v == 39) st.Fg = 7;
            else if (v >= 40 && v <= 47) st.Bg = v - 40;
            else if (v == 49) st.Bg = 0;
        }
        con.SetAttr(con.Console, Attribute(st));
        break;
    case 's':
        st.SavedCol = col;
        st.SavedRow = row;
        break;
    case 'u':
        col = st.SavedCol;
        row = st.SavedRow;
        break;
    default: break;
    }
    // Into the window, and moved only when it changed.
    col = col < 0 ? 0 : col > width - 1 ? width - 1 : col;
    row = row < top ? top : row > bottom ? bottom : row;
    if (col != startCol || row != startRow) con.SetCursor(con.Console, col, row);
}

void AnsiInterpret(TAnsiState& st, const TConsoleOps& con, const std::string& bytes)
{
    std::string run;
    for (char ch : bytes) {
        unsigned char b = (unsigned char)ch;
        if (st.State == 0) {
            if (b == 27) {
                if (!run.empty()) con.Write(con.Console, run);
                run.clear();
                st.State = 1;
            } else {
                run += ch;
            }
        } else if (st.State == 1) {
            if (b == '[') {
                st.Params.clear();
                st.State = 2;
            } else {
                st.State = 0;   // dropped with its escape
            }
        } else {
            if ((b >= '0' && b <= '9') || b == ';' || b == '=' || b == '?') {
                if (st.Params.size() < 64) st.Params += ch;
            } else {
                if (st.Params.empty() || (st.Params[0] != '=' && st.Params[0] != '?')) Carry(st, con, ch);
                st.State = 0;
            }
        }
    }
    if (st.State == 0 && !run.empty()) con.Write(con.Console, run);
}
