// The local ANSI interpreter: for a console that cannot interpret ANSI
// itself, the bytes the door writes are turned into console operations
// (runs of text, cursor moves, clears, attributes).  The console is reached
// through a small table of operations, so the interpreter is the same on
// every platform and is tested against a console in memory.
#pragma once
#include <string>

struct TConsoleOps {
    void* Console;                                      // passed back to every operation
    void (*Write)(void* c, const std::string& text);    // at the cursor, in the current attribute
    void (*GetCursor)(void* c, int& col, int& row);
    void (*SetCursor)(void* c, int col, int row);
    void (*Window)(void* c, int& width, int& top, int& bottom);   // visible rows top..bottom
    void (*Fill)(void* c, int col, int row, int count);  // blanks in the current attribute, row-wise
    void (*SetAttr)(void* c, int attr);                  // PC attribute byte
};

// The interpreter's state, kept across flushes.
struct TAnsiState {
    int State = 0;             // 0 text, 1 after ESC, 2 in a sequence
    std::string Params;
    int Fg = 7, Bg = 0;        // ANSI colour numbers
    bool Bold = false, Reverse = false;
    int SavedCol = 0, SavedRow = 0;
};

void AnsiInterpret(TAnsiState& st, const TConsoleOps& con, const std::string& bytes);
