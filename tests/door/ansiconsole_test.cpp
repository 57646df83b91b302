// The local ANSI interpreter against a console in memory: cursor moves,
// clears, attributes, saving the cursor, clamping, and sequences split
// across flushes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "door/ansiconsole.h"

namespace {

struct TMemConsole {
    int Width = 20, Top = 0, Bottom = 4;
    std::vector<std::string> Rows = std::vector<std::string>(5, std::string(20, ' '));
    std::vector<std::vector<int>> Attrs = std::vector<std::vector<int>>(5, std::vector<int>(20, 7));
    int Col = 0, Row = 0, Attr = 7, Moves = 0;
};

TConsoleOps OpsOf(TMemConsole& mem)
{
    TConsoleOps ops;
    ops.Console = &mem;
    ops.Write = [](void* c, const std::string& text) {
        TMemConsole& m = *(TMemConsole*)c;
        for (char ch : text) {
            if (ch == '\r') m.Col = 0;
            else if (ch == '\n') m.Row = m.Row < m.Bottom ? m.Row + 1 : m.Bottom;
            else if (m.Col < m.Width) {
                m.Rows[m.Row][m.Col] = ch;
                m.Attrs[m.Row][m.Col++] = m.Attr;
            }
        }
    };
    ops.GetCursor = [](void* c, int& col, int& row) {
        col = ((TMemConsole*)c)->Col;
        row = ((TMemConsole*)c)->Row;
    };
    ops.SetCursor = [](void* c, int col, int row) {
        TMemConsole& m = *(TMemConsole*)c;
        m.Col = col;
        m.Row = row;
        m.Moves++;
    };
    ops.Window = [](void* c, int& width, int& top, int& bottom) {
        TMemConsole& m = *(TMemConsole*)c;
        width = m.Width;
        top = m.Top;
        bottom = m.Bottom;
    };
    ops.Fill = [](void* c, int col, int row, int count) {
        TMemConsole& m = *(TMemConsole*)c;
        for (int i = 0; i < count && row <= m.Bottom; i++) {
            m.Rows[row][col] = ' ';
            m.Attrs[row][col] = m.Attr;
            if (++col == m.Width) col = 0, row++;
        }
    };
    ops.SetAttr = [](void* c, int attr) { ((TMemConsole*)c)->Attr = attr; };
    return ops;
}

} // namespace

TEST(AnsiConsole, MovesClearsAttributesAndClamping)
{
    TMemConsole m;
    TConsoleOps ops = OpsOf(m);
    TAnsiState st;
    AnsiInterpret(st, ops, "hello\x1b[3;5HX");
    EXPECT_EQ(m.Rows[0].substr(0, 5), "hello");
    EXPECT_EQ(m.Rows[2][4], 'X');
    // Colours: bold red on blue is console 4 + 8 on 1; reverse swaps them.
    AnsiInterpret(st, ops, "\x1b[1;31;44mR\x1b[7mV\x1b[0mN");
    EXPECT_EQ(m.Attrs[2][5], 12 + 16 * 1);
    EXPECT_EQ(m.Attrs[2][6], 1 + 16 * 12);
    EXPECT_EQ(m.Attrs[2][7], 7);
    AnsiInterpret(st, ops, "\x1b[m\x1b[22;39;49m");
    EXPECT_EQ(m.Attr, 7);
    // Moves by a count, clamped into the window; no move, no call.
    AnsiInterpret(st, ops, "\x1b[99A");
    EXPECT_EQ(m.Row, 0);
    AnsiInterpret(st, ops, "\x1b[99C");
    EXPECT_EQ(m.Col, 19);
    AnsiInterpret(st, ops, "\x1b[2D\x1b[B");
    EXPECT_EQ(m.Col, 17);
    EXPECT_EQ(m.Row, 1);
    int moves = m.Moves;
    AnsiInterpret(st, ops, "\x1b[0A");   // a count of 0 moves nothing
    AnsiInterpret(st, ops, "\x1b[s\x1b[u");
    EXPECT_EQ(m.Moves, moves);
    // Clear to the end of the line, the line, the window.
    AnsiInterpret(st, ops, "\x1b[1;1H");
    AnsiInterpret(st, ops, "\x1b[1;3H\x1b[K");
    EXPECT_EQ(m.Rows[0], "he" + std::string(18, ' '));
    AnsiInterpret(st, ops, "\x1b[3;6H\x1b[1K");
    EXPECT_EQ(m.Rows[2].substr(0, 8), "      VN");
    AnsiInterpret(st, ops, "\x1b[2J");
    for (const std::string& r : m.Rows) EXPECT_EQ(r, std::string(20, ' '));
    EXPECT_EQ(m.Col + m.Row, 0);
    // Private sequences are ignored; an ESC without "[" is dropped with its byte.
    AnsiInterpret(st, ops, "\x1b[?25lA\x1bZB");
    EXPECT_EQ(m.Rows[0].substr(0, 2), "AB");
    // A sequence split across two flushes.
    AnsiInterpret(st, ops, "\x1b[5");
    AnsiInterpret(st, ops, ";2Hq");
    EXPECT_EQ(m.Rows[4][1], 'q');
    // Saved and restored cursor.
    AnsiInterpret(st, ops, "\x1b[2;2H\x1b[s\x1b[5;5H\x1b[uw");
    EXPECT_EQ(m.Rows[1][1], 'w');
}
