// Turning received bytes into keys, and the line editor built on them.
#include "door/keys.h"
#include "door/door.h"

// How long the rest of an escape sequence may take to arrive: a terminal
// sends it in one go, a slow link may split it into two packets.
static const int SequenceWaitMs = 100;

static bool TakeByte(unsigned char& b)
{
    std::string& in = DoorInputBuffer();
    if (in.empty()) return false;
    b = (unsigned char)in[0];
    in.erase(0, 1);
    return true;
}

static bool MoreWithin(int ms)
{
    return !DoorInputBuffer().empty() || DoorWaitInput(ms);
}

static std::string KeyOfSequence(const std::string& s)
{
    static const struct {
        const char* Seq;
        const char* Key;
    } Table[] = {
        {"[A", "KEY_UP"},    {"OA", "KEY_UP"},    {"[B", "KEY_DOWN"},  {"OB", "KEY_DOWN"},
        {"[C", "KEY_RIGHT"}, {"OC", "KEY_RIGHT"}, {"[D", "KEY_LEFT"},  {"OD", "KEY_LEFT"},
        {"OH", "KEY_HOME"},  {"[1~", "KEY_HOME"}, {"[H", "KEY_HOME"},  {"OF", "KEY_END"},
        {"[4~", "KEY_END"},  {"[F", "KEY_END"},   {"[K", "KEY_END"},   {"[3~", "KEY_DEL"},
        {"[2~", "KEY_INS"},  {"[5~", "KEY_PGUP"}, {"[6~", "KEY_PGDN"},
    };
    for (const auto& t : Table)
        if (s == t.Seq) return t.Key;
    return "KEY_UNKNOWN";
}

static bool EndsSequence(unsigned char b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '~';
}

std::string DoorReadKey(int timeoutMs)
{
    for (;;) {
        if (DoorInputBuffer().empty() && !DoorWaitInput(timeoutMs)) return "";
        unsigned char b = 0;
        TakeByte(b);
        if (b == 27) {
            std::string& in = DoorInputBuffer();
            if (!MoreWithin(SequenceWaitMs) || (in[0] != 'O' && in[0] != '[')) return "\x1b";
            std::string seq(1, in[0]);
            in.erase(0, 1);
            while (seq.size() < 12 && MoreWithin(SequenceWaitMs)) {
                unsigned char next = 0;
                TakeByte(next);
                seq += (char)next;
                if (EndsSequence(next)) break;
            }
            return KeyOfSequence(seq);
        }
        if (b == 13) {
            std::string& in = DoorInputBuffer();
            if (!in.empty() && (in[0] == 0 || in[0] == 10)) in.erase(0, 1);
            return "\r";
        }
        if (b == 10) return "\r";
        if (b == 0) continue;
        return std::string(1, (char)b);
    }
}

static int Swapped(int a)
{
    return ((a & 7) << 4) | (a & 0x88) | ((a >> 4) & 7);
}

// The editor's state: the text, the cursor within it, and whether a
// highlighted default still waits for the first key.
struct TLineEdit {
    std::string Text;
    size_t Pos = 0;
    bool Highlighted = false;
};

static void MoveBy(int64_t n)
{
    DoorMoveCursor((int)n);
}

// Enter or a cursor key takes the highlighted default as it is.
static void EndHighlightKeep(TLineEdit& e)
{
    if (!e.Highlighted) return;
    MoveBy(-(int64_t)e.Pos);
    DoorWrite(e.Text);
    e.Pos = e.Text.size();
    e.Highlighted = false;
}

// Blanks the field on the screen and empties it, the cursor at its start.
static void WipeField(TLineEdit& e)
{
    MoveBy(-(int64_t)e.Pos);
    DoorWrite(std::string(e.Text.size(), ' '));
    MoveBy(-(int64_t)e.Text.size());
    e.Text.clear();
    e.Pos = 0;
}

// A printable key, backspace or delete replaces it.
static void EndHighlightErase(TLineEdit& e)
{
    if (!e.Highlighted) return;
    WipeField(e);
    e.Highlighted = false;
}

// Rewrites the line from the cursor on, with `extra` blanks after it for
// characters that went away, and returns the cursor to its place.
static void RedrawTail(const TLineEdit& e, int extra)
{
    std::string tail = e.Text.substr(e.Pos) + std::string((size_t)extra, ' ');
    DoorWrite(tail);
    MoveBy(-(int64_t)tail.size());
}

static bool AcceptedDigit(const TLineEdit& e, char c)
{
    if (c >= '0' && c <= '9') return true;
    return c == '-' && e.Pos == 0 && e.Text.find('-') == std::string::npos;
}

// Prose that runs past the field: the line keeps what comes before its last
// blank, the rest moves on; the moved words are blanked on the screen.
static void WrapLine(TLineEdit& e, char c, size_t maxLen, std::string& rest)
{
    std::string all = e.Text;
    all.insert(e.Pos, 1, c);
    size_t cut = all.rfind(' ', maxLen);
    size_t restFrom = cut + 1;
    if (cut == std::string::npos || cut == 0) cut = restFrom = maxLen;
    rest = all.substr(restFrom);
    std::string kept = all.substr(0, cut);
    MoveBy(-(int64_t)e.Pos);
    DoorWrite(kept + std::string(e.Text.size() > kept.size() ? e.Text.size() - kept.size() : 0, ' '));
    e.Text = kept;
    e.Pos = kept.size();
}

std::string DoorGetStr(const TGetStrOpts& opts, bool* escaped)
{
    if (escaped) *escaped = false;
    if (opts.WrapRest) opts.WrapRest->clear();
    int noted = DoorAttr();
    if (opts.Attr >= 0) DoorSetAttr(opts.Attr);
    size_t maxLen = opts.MaxLen > 0 ? (size_t)opts.MaxLen : 0;
    TLineEdit e;
    e.Text = opts.Default;
    e.Highlighted = opts.Highlight && !e.Text.empty();
    if (opts.ShowField) {
        DoorWrite(std::string(maxLen, ' '));
        MoveBy(-(int64_t)maxLen);
    }
    int attr = DoorAttr();
    if (e.Highlighted) {
        DoorSetAttr(Swapped(attr));
        DoorWrite(e.Text);
        DoorSetAttr(attr);
    } else {
        DoorWrite(e.Text);
    }
    e.Pos = e.Text.size();
    for (;;) {
        std::string key = DoorReadKey(opts.TimeoutMs);
        if (opts.UpperKeys && key.size() == 1 && key[0] >= 'a' && key[0] <= 'z') key[0] = (char)(key[0] - 32);
        if (key.empty()) {
            if (opts.TimeoutMs < 0) continue;
            break;
        }
        if (key == "KEY_HOME") {
            EndHighlightKeep(e);
            MoveBy(-(int64_t)e.Pos);
            e.Pos = 0;
        } else if (key == "KEY_END") {
            EndHighlightKeep(e);
            MoveBy((int64_t)(e.Text.size() - e.Pos));
            e.Pos = e.Text.size();
        } else if (key == "KEY_LEFT") {
            EndHighlightKeep(e);
            if (e.Pos > 0) {
                MoveBy(-1);
                e.Pos--;
            }
        } else if (key == "KEY_RIGHT") {
            EndHighlightKeep(e);
            if (e.Pos < e.Text.size()) {
                MoveBy(1);
                e.Pos++;
            }
        } else if (key == "\b" || key == "\x7f") {
            EndHighlightErase(e);
            if (e.Pos > 0) {
                e.Text.erase(e.Pos - 1, 1);
                e.Pos--;
                MoveBy(-1);
                RedrawTail(e, 1);
            }
        } else if (key == "KEY_DEL") {
            EndHighlightErase(e);
            if (e.Pos < e.Text.size()) {
                e.Text.erase(e.Pos, 1);
                RedrawTail(e, 1);
            }
        } else if (key == "\r") {
            EndHighlightKeep(e);
            break;
        } else if (key == "\x1b" && opts.EscapeCancels) {
            // The field is wiped on the screen as well: nothing was answered.
            EndHighlightKeep(e);
            WipeField(e);
            if (escaped) *escaped = true;
            break;
        } else if (key.size() == 1 && key[0] >= 32 && key[0] <= 126) {
            char c = key[0];
            if (opts.DigitsOnly && !AcceptedDigit(e, c)) continue;
            EndHighlightErase(e);
            if (e.Text.size() < maxLen) {
                e.Text.insert(e.Pos, 1, c);
                DoorWrite(std::string(1, c));
                e.Pos++;
                RedrawTail(e, 0);
            } else if (opts.WrapRest) {
                WrapLine(e, c, maxLen, *opts.WrapRest);
                break;
            } else if (opts.Overflowed) {
                *opts.Overflowed = true;
            }
        }
        // A field edited back under its limit holds all that was typed into it.
        if (opts.Overflowed && e.Text.size() < maxLen) *opts.Overflowed = false;
        // Escape, other key names and control bytes do nothing here.
    }
    if (opts.NewLine) DoorWrite("\r\n");
    DoorSetAttr(noted);
    return e.Text;
}

std::string DoorInput(int maxLen, bool digitsOnly)
{
    TGetStrOpts opts;
    opts.MaxLen = maxLen;
    opts.DigitsOnly = digitsOnly;
    return DoorGetStr(opts);
}
