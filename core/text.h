// Text and number helpers shared by every program: padding, thousands
// separators, case folding and safe 64-bit arithmetic.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

std::string IntToText(int64_t n);
std::string PadLeft(const std::string& s, int n);
std::string PadRight(const std::string& s, int n);
std::string GroupThousands(int64_t n);
// v in lower-case hexadecimal, `digits` wide (its low digits when longer).
std::string HexText(uint64_t v, int digits);
std::string UpperText(const std::string& s);
std::string TrimText(const std::string& s);
bool SameText(const std::string& a, const std::string& b);

inline int64_t Min(int64_t a, int64_t b) { return a < b ? a : b; }
inline int64_t Max(int64_t a, int64_t b) { return a > b ? a : b; }
inline int64_t Clamp(int64_t x, int64_t lo, int64_t hi) { return x < lo ? lo : (x > hi ? hi : x); }

// a * b / c truncated toward zero; 0 when c is 0.  The product is formed in
// 128 bits (by hand, the same on 32- and 64-bit machines) so no pair of
// 64-bit inputs can overflow it; a quotient that does not fit 64 bits is
// saturated.
int64_t MulDiv(int64_t a, int64_t b, int64_t c);

bool StartsWith(const std::string& s, const std::string& prefix);
bool HasLetter(const std::string& s);   // some A..Z or a..z in it
bool EndsWith(const std::string& s, const std::string& suffix);

// The lines of a text, without their CR LF or LF ends.
std::vector<std::string> SplitLines(const std::string& text);

// The "Key = value" lines of a settings file, in order: blank lines, lines
// starting with ";" or "#" and lines without "=" skipped; the key upper-cased,
// both sides trimmed.
std::vector<std::pair<std::string, std::string>> KeyValueLines(const std::string& text);

// Colour codes (a backtick and a hex digit): the attribute a digit selects,
// -1 for a character that selects none; and the ANSI sequence that selects
// a PC attribute (bright, blink, foreground, background).
int ColourCodeValue(char c);
std::string AnsiAttrSequence(int attr);
// The ANSI colour digit of a PC colour number (0-7).
char AnsiColourDigit(int pcColour);
// Walks a text with colour codes: `plain` is given each run of plain
// characters, `code` the attribute each code selects.  A backtick and a
// character that is no hex digit vanish together; a backtick that ends the
// text is plain.
template <class Plain, class Code> void WalkColourCodes(const std::string& text, Plain plain, Code code)
{
    size_t run = 0, i = 0;   // run: start of the plain characters not yet given
    while (i < text.size()) {
        if (text[i] == '`' && i + 1 < text.size()) {
            if (i > run) plain(text.substr(run, i - run));
            int v = ColourCodeValue(text[i + 1]);
            if (v >= 0) code(v);
            i += 2;
            run = i;
        } else {
            i++;
        }
    }
    if (run < text.size()) plain(text.substr(run));
}

// English for the screens and reports: "1 Skiff", "2 Skiffs"; "an
// Academy", "a Lancer"; a sentence's first letter raised; "A, B and C".
std::string Counted(int64_t n, const std::string& noun);
std::string WithArticle(const std::string& noun);
std::string CapitalFirst(const std::string& text);
std::string WordList(const std::vector<std::string>& words);

// The text up to (not including) its (n+1)-th visible character, every
// colour code kept and not counted: how screens fit coloured lines into 79
// columns.
std::string ColourPrefix(const std::string& text, int n);
// A player's text with every backtick made an apostrophe: a letter cannot
// put colour codes on its reader's screen.
std::string WithoutColourCodes(const std::string& text);
// The characters a text shows, its colour codes left out.
int VisibleLength(const std::string& text);
// A coloured text cut into lines of at most `width` visible characters, at
// blanks where it has them (a word longer than a line is cut); each further
// line starts with the colour code in force where the text was cut.
std::vector<std::string> WrapColour(const std::string& text, int width);

// Reads a whole signed decimal number (optional sign, digits only, after
// trimming).  False for anything else, including values outside 64 bits.
bool ParseInt64(const std::string& text, int64_t& out);
