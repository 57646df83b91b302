// What a caller's ANSI terminal shows: a small screen model fed with the
// bytes the door sent.  Enough of ANSI for the door's output: colours,
// clear screen, home, clear to end of line, cursor right and left, form
// feed, CR, LF, backspace, and scrolling at the bottom.
#pragma once
#include <string>
#include <vector>

struct TScreen {
    enum { Rows = 25, Cols = 80 };
    TScreen();
    void Feed(const std::string& bytes);
    std::string Row(int r) const;              // without trailing blanks
    int Colour(int r, int c) const;           // the PC colour 0-15 of a cell
    std::string Text() const;                 // every row, one per line
    bool Has(const std::string& text) const;  // on some row
    int Find(const std::string& text) const;  // the row that shows it, -1
    int CursorRow = 0, CursorCol = 0;
    int Clears = 0;                           // screens cleared so far

private:
    std::vector<std::string> Cells;
    std::vector<std::vector<int>> Colours;
    int Attr = 7;
    int State = 0;
    std::string Params;
    void Put(char c);
    void LineFeed();
    void Csi(char final);
    void Clear();
};
