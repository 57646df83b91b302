#include "tests/player/screen.h"

#include <algorithm>
#include <cstdlib>

TScreen::TScreen() { Clear(); }

void TScreen::Clear()
{
    Cells.assign(Rows, std::string(Cols, ' '));
    Colours.assign(Rows, std::vector<int>(Cols, 7));
    CursorRow = CursorCol = 0;
}

void TScreen::LineFeed()
{
    if (++CursorRow < Rows) return;
    Cells.erase(Cells.begin());
    Cells.push_back(std::string(Cols, ' '));
    Colours.erase(Colours.begin());
    Colours.push_back(std::vector<int>(Cols, 7));
    CursorRow = Rows - 1;
}

void TScreen::Put(char c)
{
    if (CursorCol >= Cols) {
        CursorCol = 0;
        LineFeed();
    }
    Cells[CursorRow][CursorCol] = c;
    Colours[CursorRow][CursorCol] = Attr & 15;
    CursorCol++;
}

// ANSI colour digits back to PC colour numbers.
static const int PcOf[8] = {0, 4, 2, 6, 1, 5, 3, 7};

void TScreen::Csi(char final)
{
    std::vector<int> p;
    size_t at = 0;
    while (at <= Params.size()) {
        size_t semi = Params.find(';', at);
        if (semi == std::string::npos) semi = Params.size();
        p.push_back(std::atoi(Params.substr(at, semi - at).c_str()));
        at = semi + 1;
    }
    int n = p.empty() || p[0] == 0 ? 1 : p[0];
    switch (final) {
    case 'm': {
        int fg = Attr & 7, bright = Attr & 8;
        for (int v : p) {
            if (v == 0) fg = 7, bright = 0;
            if (v == 1) bright = 8;
            if (v == 22) bright = 0;
            if (v >= 30 && v <= 37) fg = PcOf[v - 30];
            if (v == 39) fg = 7;
            if (v >= 90 && v <= 97) fg = PcOf[v - 90], bright = 8;   // the bright colours some consoles send
        }
        Attr = fg | bright;
        break;
    }
    case 'J': Clear(); Clears++; break;
    case 'H':
        CursorRow = std::clamp(p[0] > 0 ? p[0] - 1 : 0, 0, Rows - 1);
        CursorCol = std::clamp(p.size() > 1 && p[1] > 0 ? p[1] - 1 : 0, 0, Cols - 1);
        break;
    case 'K':
        for (int c = CursorCol; c < Cols; c++) Cells[CursorRow][c] = ' ';
        break;
    case 'C': CursorCol = std::min(Cols - 1, CursorCol + n); break;
    case 'D': CursorCol = std::max(0, CursorCol - n); break;
    }
}

void TScreen::Feed(const std::string& bytes)
{
    for (char ch : bytes) {
        unsigned char c = (unsigned char)ch;
        if (State == 1) {
            State = c == '[' ? 2 : 0;
            Params.clear();
            continue;
        }
        if (State == 2) {
            if ((c >= '0' && c <= '9') || c == ';' || c == '?' || c == '=') {
                Params += (char)c;
            } else {
                Csi((char)c);
                State = 0;
            }
            continue;
        }
        switch (c) {
        case 27: State = 1; break;
        case '\r': CursorCol = 0; break;
        case '\n': LineFeed(); break;
        case '\b':
            if (CursorCol > 0) CursorCol--;
            break;
        case '\f':
            Clear();
            Clears++;
            break;
        default:
            if (c >= 32) Put((char)c);
        }
    }
}

std::string TScreen::Row(int r) const
{
    if (r < 0 || r >= Rows) return "";
    std::string s = Cells[r];
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

int TScreen::Colour(int r, int c) const { return r >= 0 && r < Rows && c >= 0 && c < Cols ? Colours[r][c] : -1; }

std::string TScreen::Text() const
{
    std::string t;
    for (int r = 0; r < Rows; r++) t += Row(r) + "\n";
    return t;
}

int TScreen::Find(const std::string& text) const
{
    for (int r = 0; r < Rows; r++)
        if (Cells[r].find(text) != std::string::npos) return r;
    return -1;
}

bool TScreen::Has(const std::string& text) const { return Find(text) >= 0; }
