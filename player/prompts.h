// The pieces every player screen is made of: coloured lines, the separator,
// "press a key", paged lists, hot-key menus, typed answers, numbers in a
// range, yes/no questions, and the pickers of systems, worlds and houses.
// The only player file that talks to the door layer directly.
#pragma once
#include <cstdint>
#include <string>

// Output.  No line reaches the last column of an 80-column screen.
enum { ScreenColumns = 79 };
void SayLine(const std::string& text);
// SayLine with the lines after a wrap starting `indent` columns in.
void SayHanging(const std::string& text, int indent);
bool SayError(const std::string& text);   // true when there was nothing to say
void ClearPage();
void SayRule();
void PressKey();
// Writes coloured text without a line end, and sends what is buffered.
void SayText(const std::string& text);
void SayFlush();

// Paging of long lists at the caller's screen height.
int ScreenRows();   // from the drop file; 24 when it gives fewer than 10
void PageReset();
bool PageMore();
// A second list below the first on the same page: its lines are counted on
// from the first one's, and Q at the first one's pause does not hide it.
void PageGoOn();

// Questions.  Wrong answers never raise: -1, an empty text or false.
char AskKey(const std::string& prompt, const std::string& keys);
std::string AskLine(const std::string& prompt, int maxLen);
// A line of prose (a letter): `start` is already in the field, and typing
// past maxLen ends the line at its last blank, the words after it coming
// back in *rest for the next line.  Without rest, as AskLine.
std::string AskProse(const std::string& prompt, int maxLen, const std::string& start, std::string* rest);
int64_t AskNumber(const std::string& prompt, int64_t low, int64_t high);
bool AskYesNo(const std::string& question);
// The last AskNumber was answered with something other than a number in
// its range (and the caller was told), not with "back".
bool NumberRefused();
// Whether the caller left the last question with Escape (or, for a number,
// with Q or an empty answer): a dialogue then ends and changes nothing.
bool PromptBackedOut();
// An answer of Q leaves the dialogue as Escape does: true, and nothing is
// waited for before going back.
bool AnsweredQuit(const std::string& answer);
// Waits for one key without a limit and gives it as DoorReadKey does.
std::string WaitKey();

// Pickers, for the caller's house.
// With neighbours, a system the caller has never seen but that a system
// view has shown by name (at the end of a lane from a known system) is
// known enough to be picked: a fleet may be sent there.
int PickSystem(const std::string& prompt, bool knownOnly, bool neighbours = false);
int PickWorld(int system, const std::string& prompt);
int PickHouse(const std::string& prompt);
// Lists the given houses, numbered from 1, and asks for one; the house or -1.
int PickListedHouse(const std::string& prompt, const int* listed, int count);
std::string HouseColour(int house);
bool HouseKnown(int a, int b);
// The other houses in the game the caller has met (HouseKnown, a letter
// from them in the caller's mailbox, or a battle against them in the
// caller's reports), in house order; their count.
int MetHouses(int* listed);
struct TFleet;
std::string ShipList(const TFleet& fleet);   // "2 Skiff 1 Hauler", or "no ships"

// The matching of PickSystem without the questions: the systems whose
// upper-cased name begins with `typed` (already upper-cased), the first 16
// of them, their total, and the exact match (-1 when none).
struct TSystemMatch {
    int Listed[16];
    int ListedCount;
    int Total;
    int Exact;
};
TSystemMatch MatchSystems(const std::string& typed, int house, bool knownOnly, bool neighbours = false);
