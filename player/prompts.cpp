#include "player/prompts.h"

#include <vector>

#include "core/model.h"
#include "core/rules.h"
#include "core/text.h"
#include "core/stores.h"
#include "door/door.h"
#include "door/dropfile.h"
#include "door/keys.h"
#include "player/visit.h"

// Lines written since the last clear, key wait or page break, and whether
// the caller stopped the list being drawn.
static int LineCount = 0;
static bool PageStop = false;
// Refusals and confirmations said since the caller last pressed a key, and
// those a cleared page took with it: the next prompt shows them again, so a
// message said just before a screen is drawn anew is never lost unread.
static std::vector<std::string> Unseen, Carried;
// The last question was left with Escape.
static bool BackedOut = false;
// The last question was left with Escape or without an answer, and nothing
// has been said since: there is nothing to read before going back.
static bool QuietBack = false;
// The last number asked for was refused with the range line.
static bool Refused = false;

enum { FewestRows = 10, DefaultRows = 24 };

static void NewLine()
{
    DoorWrite("\r\n");
    LineCount++;
}

// Red lines are refusals and errors, green ones confirmations.
static bool IsMessage(const std::string& text)
{
    return text.size() > 2 && text[0] == '`' && (text[1] == 'C' || text[1] == 'A');
}

// The blanks a line starts with, past its colour codes.
static int LeadingBlanks(const std::string& text)
{
    int blanks = 0;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '`' && i + 1 < text.size()) {
            i++;
            continue;
        }
        if (text[i] != ' ') break;
        blanks++;
    }
    return blanks;
}

// Lines longer than the screen's 79 columns are wrapped at blanks (most
// terminals would wrap or scroll at the 80th); what goes on to the next
// line starts under the text, not at the left edge.
void SayLine(const std::string& text) { SayHanging(text, LeadingBlanks(text)); }

void SayHanging(const std::string& text, int indent)
{
    QuietBack = false;
    std::vector<std::string> lines = WrapColour(text, ScreenColumns);
    if (lines.size() > 1 && indent > 0 && indent <= ScreenColumns / 2) {
        lines = WrapColour(text, ScreenColumns - indent);
        for (size_t i = 1; i < lines.size(); i++) lines[i] = std::string((size_t)indent, ' ') + lines[i];
    }
    for (const std::string& line : lines) {
        WriteColour(line);
        NewLine();
    }
    if (IsMessage(text)) Unseen.push_back(text);
}

// Before a prompt: what the last page took with it, above the question.
static void ShowCarried()
{
    std::vector<std::string> lines;
    lines.swap(Carried);
    for (const std::string& line : lines) SayLine(line);
}

bool SayError(const std::string& text)
{
    if (text.empty()) return true;
    SayLine("`C" + text + "`7");
    return false;
}

void ClearPage()
{
    if (!Unseen.empty()) {
        Carried.insert(Carried.end(), Unseen.begin(), Unseen.end());
        Unseen.clear();
    }
    QuietBack = false;
    DoorSetAttr(7);
    DoorClearScreen();
    LineCount = 0;
}

void SayRule() { SayLine("`8" + std::string(78, '-') + "`7"); }

void SayText(const std::string& text)
{
    QuietBack = false;
    WriteColour(text);
}

void SayFlush() { DoorFlush(); }

std::string WaitKey()
{
    DoorFlush();
    std::string key = DoorReadKey(-1);
    Unseen.clear();
    Carried.clear();
    return key;
}

bool PromptBackedOut() { return BackedOut; }

void PressKey()
{
    // After a question the caller backed out of, a bare "[press a key]"
    // would be one more key for nothing.
    if (QuietBack) {
        QuietBack = false;
        return;
    }
    WriteColour("`8[press a key]`7");
    WaitKey();
    DoorWrite("\r");
    DoorClearEol();
    LineCount = 0;
}

// A screen height that would pause after every line or two is a fault of
// the drop file, not of the caller's screen.
int ScreenRows() { return DoorInfo.ScreenRows < FewestRows ? DefaultRows : DoorInfo.ScreenRows; }

void PageReset()
{
    LineCount = 0;
    PageStop = false;
}

void PageGoOn() { PageStop = false; }

bool PageMore()
{
    if (PageStop) return false;
    if (LineCount < ScreenRows() - 2) return true;
    WriteColour("`8-- more (Q to stop) --`7");
    std::string key = WaitKey();
    DoorWrite("\r");
    DoorClearEol();
    LineCount = 0;
    if (key == "q" || key == "Q") {
        PageStop = true;
        return false;
    }
    return true;
}

static char UpperChar(char c) { return c >= 'a' && c <= 'z' ? (char)(c - 32) : c; }

char AskKey(const std::string& prompt, const std::string& keys)
{
    ShowCarried();
    WriteColour(prompt);
    for (;;) {
        std::string key = WaitKey();
        if (key == KeyEnterName) key = KeyEnter;
        if (key == KeyEscName) key = KeyEscape;
        if (key.size() != 1) continue;
        char c = UpperChar(key[0]);
        // Escape backs out of a question that offers no way back of its own
        // (a yes/no question is then a no); menus that list it get it.
        if (c == KeyEscape[0] && keys.find(c) == std::string::npos) {
            BackedOut = QuietBack = true;
            NewLine();
            return c;
        }
        if (keys.find(c) == std::string::npos) continue;
        BackedOut = QuietBack = c == KeyEscape[0];
        if ((unsigned char)c > 31) DoorWrite(std::string(1, c));
        NewLine();
        return c;
    }
}

// A typed answer, or a line of prose (see AskProse).  An answer typed past
// its field is refused, never cut silently; prose that cannot wrap (the
// last line of a letter) is asked again with what the field took, to be
// edited rather than typed anew.
static std::string AskText(const std::string& prompt, int maxLen, const std::string& start, std::string* rest,
                           bool prose)
{
    std::string kept = start;
    for (;;) {
        ShowCarried();
        WriteColour(prompt);
        DoorFlush();
        TGetStrOpts opts;
        opts.MaxLen = maxLen;
        opts.Default = kept;
        opts.Highlight = false;
        opts.EscapeCancels = true;
        opts.WrapRest = rest;
        bool escaped = false, overflowed = false;
        opts.Overflowed = &overflowed;
        std::string typed = DoorGetStr(opts, &escaped);
        std::string answer = TrimText(typed);
        Unseen.clear();
        BackedOut = escaped;
        NewLine();
        if (overflowed && !escaped) {
            SayLine("`CThat is more than the " + IntToText(maxLen) + " characters this answer can hold.`7");
            if (prose) kept = typed;
            continue;
        }
        QuietBack = escaped || (answer.empty() && (!rest || rest->empty()));
        return answer;
    }
}

std::string AskLine(const std::string& prompt, int maxLen) { return AskText(prompt, maxLen, "", nullptr, false); }

std::string AskProse(const std::string& prompt, int maxLen, const std::string& start, std::string* rest)
{
    return AskText(prompt, maxLen, start, rest, true);
}

bool AnsweredQuit(const std::string& answer)
{
    if (answer != "q" && answer != "Q") return false;
    BackedOut = QuietBack = true;
    return true;
}

int64_t AskNumber(const std::string& prompt, int64_t low, int64_t high)
{
    Refused = false;
    std::string answer = AskLine(prompt, 9);
    if (AnsweredQuit(answer)) return -1;
    if (answer.empty()) {
        QuietBack = true;
        return -1;
    }
    int64_t n;
    if (!ParseInt64(answer, n) || n < low || n > high) {
        SayLine("`CPlease give a number from " + IntToText(low) + " to " + IntToText(high) + ".`7");
        Refused = true;
        return -1;
    }
    return n;
}

bool NumberRefused() { return Refused; }

bool AskYesNo(const std::string& question) { return AskKey(question + " `F(Y/N)`7 ", "YN") == 'Y'; }

TSystemMatch MatchSystems(const std::string& typed, int house, bool knownOnly, bool neighbours)
{
    TSystemMatch m;
    m.ListedCount = m.Total = 0;
    m.Exact = -1;
    // The systems the system view names: known ones, and with neighbours
    // the other ends of their lanes.
    std::vector<char> shown((size_t)Max(0, Game.Header.SystemCount), 0);
    for (int s = 0; s < Game.Header.SystemCount; s++) shown[(size_t)s] = Known(house, s);
    if (neighbours)
        for (int l = 0; l < Game.Header.LaneCount; l++) {
            const TLane& ln = Game.Lanes[l];
            if (ln.State == LaneClosed || !IsSystem(ln.A) || !IsSystem(ln.B)) continue;
            if (Known(house, ln.A)) shown[(size_t)ln.B] = 1;
            if (Known(house, ln.B)) shown[(size_t)ln.A] = 1;
        }
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        if (knownOnly && !shown[(size_t)s]) continue;
        std::string name = UpperText(SystemName(s));
        if (name.compare(0, typed.size(), typed) != 0) continue;
        if (m.ListedCount < 16) m.Listed[m.ListedCount++] = s;
        m.Total++;
        if (name == typed) m.Exact = s;
    }
    return m;
}

static std::string ListNumber(int n) { return "  `F" + PadLeft(IntToText(n), 2) + "`7  "; }

int PickSystem(const std::string& prompt, bool knownOnly, bool neighbours)
{
    std::string answer = AskLine(prompt, 15), typed = UpperText(answer);
    if (typed.empty()) return -1;
    TSystemMatch m = MatchSystems(typed, Caller.House, knownOnly, neighbours);
    if (m.Exact >= 0) return m.Exact;
    if (m.Total == 0) {
        // The caller's words as typed.
        SayLine("`CNo system you know of starts with \"" + answer + "\".`7");
        return -1;
    }
    if (m.Total == 1) return m.Listed[0];
    if (m.Total > 16) {
        SayLine("`C" + IntToText(m.Total) + " systems match; type more of the name.`7");
        return -1;
    }
    for (int i = 0; i < m.ListedCount; i++) SayLine(ListNumber(i + 1) + SystemName(m.Listed[i]));
    int64_t n = AskNumber("Which one? ", 1, m.ListedCount);
    return n < 0 ? -1 : m.Listed[n - 1];
}

int PickWorld(int system, const std::string& prompt)
{
    if (!IsSystem(system)) return -1;
    const TSystem& sys = Game.Systems[system];
    if (sys.WorldCount == 1) return sys.FirstWorld;
    for (int i = 0; i < sys.WorldCount; i++) {
        int w = sys.FirstWorld + i;
        const TWorld& wd = Game.Worlds[w];
        std::string line = "  `F" + IntToText(i + 1) + "`7  " + PadRight(WorldName(w), 18) +
                           PadRight(WorldKindName(wd.Kind), 10);
        if (wd.Owner != HouseNobody)
            line += " held by " + HouseColour(wd.Owner) + HouseName(wd.Owner) + "`7";
        else
            line += " `8unclaimed`7";
        if (wd.Kind == KindRuin && wd.Guard > 0) line += " `C(guarded)`7";
        SayLine(line);
    }
    int64_t n = AskNumber(prompt, 1, sys.WorldCount);
    return n < 0 ? -1 : sys.FirstWorld + (int)n - 1;
}

int MetHouses(int* listed)
{
    // Letters and reports are in MSGS.DAT and EVENTS.DAT, not in the game:
    // read once for the list.
    std::vector<TMessageRec> letters;
    ReadMailbox(Caller.Folder, Caller.House, letters);
    bool met[MaxHouseSlots + 1] = {};
    for (const TMessageRec& m : letters)
        if (m.From >= 1 && m.From <= MaxHouseSlots) met[m.From] = true;
    // A house the caller's report shows in a battle ("  Blues lost: ...").
    std::vector<TEventRec> events;
    std::vector<std::string> fought;
    if (ReadEvents(Caller.Folder, events))
        for (const TEventRec& e : events)
            if (e.House == Caller.House && e.Kind == EventBattle) fought.push_back(EventText(e));
    for (int h = 1; h <= MaxHouseSlots && !fought.empty(); h++) {
        if (h == Caller.House || !Playing(h) || met[h]) continue;
        std::string lost = "  " + CapitalFirst(StrGet(HouseRec(h).Name)) + " lost: ";
        for (const std::string& line : fought)
            if (StartsWith(line, lost)) met[h] = true;
    }
    int count = 0;
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (h != Caller.House && Playing(h) && (met[h] || HouseKnown(Caller.House, h))) listed[count++] = h;
    return count;
}

int PickHouse(const std::string& prompt)
{
    int listed[MaxHouseSlots];
    int count = MetHouses(listed);
    return PickListedHouse(prompt, listed, count);
}

int PickListedHouse(const std::string& prompt, const int* listed, int count)
{
    if (count == 0) {
        SayLine("`8You haven't met any other house yet.`7");
        return -1;
    }
    // Below a screen's own list: a long one pauses rather than scroll.
    PageGoOn();
    for (int i = 0; i < count; i++) {
        if (!PageMore()) break;
        SayLine(ListNumber(i + 1) + HouseColour(listed[i]) + StrGet(HouseRec(listed[i]).Name) + "`7");
    }
    int64_t n = AskNumber(prompt, 1, count);
    return n < 0 ? -1 : listed[n - 1];
}

std::string HouseColour(int house)
{
    if (house == Caller.House && IsHouse(house)) return "`F";
    if (IsHouse(house)) return std::string("`") + HouseColourCodes[(house - 1) % 6];
    if (house == HouseHollow) return "`5";
    if (house == HouseIndependents) return "`6";
    return "`8";
}

// Some fleet or world of house h is in system s.
static bool HouseIn(int h, int s)
{
    for (int g = 0; g < Game.Header.FleetCount; g++)
        if (Game.Fleets[g].House == h && Game.Fleets[g].Loc == s) return true;
    const TSystem& sys = Game.Systems[s];
    for (int i = 0; i < sys.WorldCount; i++)
        if (IsWorld(sys.FirstWorld + i) && Game.Worlds[sys.FirstWorld + i].Owner == h) return true;
    return false;
}

bool HouseKnown(int a, int b)
{
    if (a == b) return true;
    if (!IsHouse(a) || !IsHouse(b)) return false;
    if (Relation(a, b).Treaties != 0) return true;
    // A house that offers you a treaty has spoken to you.
    if (Relation(b, a).Offer != 0) return true;
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == b && Known(a, Game.Worlds[w].System)) return true;
    // Its fleets are face to face with yours, in a system where you hold a
    // world or a fleet and see today: where the two would have fought.
    for (int g = 0; g < Game.Header.FleetCount; g++) {
        const TFleet& fl = Game.Fleets[g];
        if (fl.House == b && SeenNow(a, fl.Loc) && HouseIn(a, fl.Loc)) return true;
    }
    return false;
}


std::string ShipList(const TFleet& fleet)
{
    std::string text;
    for (int c = 0; c < ShipClasses; c++) {
        int count = fleet.Ships[c];
        if (count == 0) continue;
        if (!text.empty()) text += " ";
        text += IntToText(count) + " " + ShipName(c);
    }
    return text.empty() ? "no ships" : text;
}
