// The setup program's console: colour codes rendered as the sixteen text
// colours of the terminal or console, dropped when the output goes to a file
// or a pipe; answers read line by line from standard input.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "core/access.h"
#include "core/osfs.h"
#include "core/text.h"
#include "setup/setup.h"

static int ConsoleColour = -1;

static void SetColour(int c)
{
    if (c == ConsoleColour) return;
    ConsoleColour = c;
    SetStdoutColour(c);
}

void ConWrite(const std::string& text)
{
    WalkColourCodes(text, [](const std::string& run) { std::fputs(run.c_str(), stdout); }, SetColour);
}

// No line reaches the last column of an 80-column console: long texts are
// wrapped at blanks, their colour carried over.
void ConLine(const std::string& text)
{
    for (const std::string& line : WrapColour(text, 79)) {
        ConWrite(line + "`7");
        std::fputs("\n", stdout);
    }
}

void ConPlain(const std::string& text)
{
    // Wrapped as a coloured text would be, each backtick standing in as a
    // byte the wrapping counts as one character.
    std::string guarded;
    for (char c : text) guarded += c == '`' ? std::string("\x01") : std::string(1, c);
    for (std::string line : WrapColour(guarded, 79)) {
        for (char& c : line)
            if (c == '\x01') c = '`';
        std::fputs((line + "\n").c_str(), stdout);
    }
}

// Confirmations and refusals since the sysop last answered, and those a new
// screen's title came after: the next question shows them again just above
// itself, so a menu drawn anew never pushes them off the top unread.
static std::vector<std::string> Unseen, Carried;

void ConGood(const std::string& text)
{
    ConLine("`A" + text);
    Unseen.push_back("`A" + text);
}

void ConBad(const std::string& text)
{
    ConLine("`C" + text);
    Unseen.push_back("`C" + text);
}
void ConDim(const std::string& text) { ConLine("`8" + text); }

void ConTitle(const std::string& text)
{
    Carried.insert(Carried.end(), Unseen.begin(), Unseen.end());
    Unseen.clear();
    ConLine("");
    ConLine("`E" + text);
    ConLine("`8" + std::string(78, '-'));
}

std::string ConAsk(const std::string& prompt)
{
    std::vector<std::string> carried;
    carried.swap(Carried);
    for (const std::string& line : carried) ConLine(line);
    Unseen.clear();
    ConWrite("`F" + prompt + "`B");
    std::fflush(stdout);
    std::string line;
    if (!std::getline(std::cin, line)) {
        // The end of the answers: nothing may stay locked behind us.
        SetColour(7);
        std::fputs("\n", stdout);
        std::fflush(stdout);
        GameRelease();
        std::exit(0);
    }
    SetColour(7);
    return TrimText(line);
}

bool ConYesNo(const std::string& question)
{
    std::string a = ConAsk(question + " (Y/N) ");
    return !a.empty() && (a[0] == 'y' || a[0] == 'Y');
}

bool ConNumber(const std::string& prompt, int64_t low, int64_t high, int64_t& out)
{
    std::string a = ConAsk(prompt);
    if (a.empty()) return false;
    // More than nine digits is no number a sysop means.
    size_t digits = a.find_first_not_of("+-") == std::string::npos ? 0 : a.size() - a.find_first_not_of("+-");
    int64_t n;
    if (digits > 9 || !ParseInt64(a, n) || n < low || n > high) {
        ConBad("Please give a number from " + IntToText(low) + " to " + IntToText(high) + ".");
        return false;
    }
    out = n;
    return true;
}

void ConPressEnter() { ConAsk("`8Press Enter to go on. "); }

std::string ConYesNoText(bool b) { return b ? "Yes" : "No"; }

void ConMenuItem(const std::string& key, const std::string& label, const std::vector<std::string>& values)
{
    std::string line = "  `F" + PadLeft(key, 2) + "`7  ";
    if (values.empty()) {
        line += label;
    } else {
        line += PadRight(label, 34);
        for (size_t i = 0; i < values.size(); i++) line += (i == 0 ? "`B" : "`8") + values[i];
    }
    ConLine(line);
}

void ConPager(const std::string& text)
{
    std::vector<std::string> lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); i++) {
        std::fputs((lines[i] + "\n").c_str(), stdout);
        if ((i + 1) % 20 == 0 && UpperText(ConAsk("`8-- more, or Q to stop -- ")) == "Q") return;
    }
}
