// Keys and the line editor.  A key is a text: one character, "\r" for
// Enter, the escape byte alone for Escape, or a key name such as "KEY_UP".
// An empty key means the wait timed out.
#pragma once
#include <cstdint>
#include <string>

// The keys as DoorReadKey gives them.
inline constexpr const char* KeyEnter = "\r";
inline constexpr const char* KeyEscape = "\x1b";
inline constexpr const char* KeyEnterName = "KEY_ENTER";
inline constexpr const char* KeyEscName = "KEY_ESC";
inline constexpr const char* KeyUp = "KEY_UP";
inline constexpr const char* KeyDown = "KEY_DOWN";
inline constexpr const char* KeyLeft = "KEY_LEFT";
inline constexpr const char* KeyRight = "KEY_RIGHT";
inline constexpr const char* KeyHome = "KEY_HOME";
inline constexpr const char* KeyEnd = "KEY_END";
inline constexpr const char* KeyDel = "KEY_DEL";
inline constexpr const char* KeyIns = "KEY_INS";
inline constexpr const char* KeyPageUp = "KEY_PGUP";
inline constexpr const char* KeyPageDown = "KEY_PGDN";
inline constexpr const char* KeyUnknown = "KEY_UNKNOWN";

struct TGetStrOpts {
    int32_t MaxLen = 80;        // most characters the line may hold
    std::string Default;        // text placed in the field at the start
    bool DigitsOnly = false;    // only digits and one leading minus sign
    bool ShowField = false;     // first draw MaxLen blanks
    bool Highlight = true;      // show a non-empty Default in swapped colours until the first key
    bool NewLine = true;        // write CR LF when the line is accepted
    bool UpperKeys = false;     // upper-case every single-character key
    int32_t Attr = -1;          // attribute to edit in; -1 keeps the current one
    int32_t TimeoutMs = -1;     // wait per key; -1 waits without limit
    bool EscapeCancels = false; // Escape empties the field and ends the line
    bool* Overflowed = nullptr; // when given: set while a character typed past MaxLen was refused,
                                // cleared once the field is edited back under MaxLen
    // When given, prose: a character typed past MaxLen ends the line at its
    // last blank, and the words after it (with that character) come back
    // here for the next line; without a blank the line ends at MaxLen.
    std::string* WrapRest = nullptr;
};

std::string DoorReadKey(int timeoutMs);
// With EscapeCancels, *escaped (when given) tells whether Escape ended it.
std::string DoorGetStr(const TGetStrOpts& opts, bool* escaped = nullptr);
std::string DoorInput(int maxLen, bool digitsOnly);
