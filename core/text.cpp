#include "core/text.h"

#include <climits>

std::string IntToText(int64_t n) { return std::to_string(n); }

std::string PadLeft(const std::string& s, int n)
{
    if ((int)s.size() >= n) return s;
    return std::string(n - s.size(), ' ') + s;
}

std::string HexText(uint64_t v, int digits)
{
    static const char* const d = "0123456789abcdef";
    std::string out((size_t)(digits > 0 ? digits : 0), '0');
    for (size_t i = out.size(); i-- > 0; v >>= 4) out[i] = d[v & 15];
    return out;
}

std::string PadRight(const std::string& s, int n)
{
    if ((int)s.size() >= n) return s;
    return s + std::string(n - s.size(), ' ');
}

std::string GroupThousands(int64_t n)
{
    // abs(INT64_MIN) does not fit, so take the magnitude unsigned.
    uint64_t v = n < 0 ? 0 - (uint64_t)n : (uint64_t)n;
    std::string digits = std::to_string(v), out;
    int lead = (int)digits.size() % 3;
    for (size_t i = 0; i < digits.size(); i++) {
        if (i > 0 && ((int)i - lead) % 3 == 0) out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

std::string UpperText(const std::string& s)
{
    std::string r = s;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return r;
}

std::string TrimText(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (unsigned char)s[b] < 33) b++;
    while (e > b && (unsigned char)s[e - 1] < 33) e--;
    return s.substr(b, e - b);
}

bool SameText(const std::string& a, const std::string& b) { return UpperText(a) == UpperText(b); }

// The product's magnitude in two 64-bit halves, then a long division by
// |c|: the same results on every machine, whether or not its compiler has a
// 128-bit type (32-bit arm has none).
static void MulWide(uint64_t a, uint64_t b, uint64_t& hi, uint64_t& lo)
{
    const uint64_t mask = 0xFFFFFFFFu;
    uint64_t a0 = a & mask, a1 = a >> 32, b0 = b & mask, b1 = b >> 32;
    uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    uint64_t mid = (p00 >> 32) + (p01 & mask) + (p10 & mask);
    lo = (mid << 32) | (p00 & mask);
    hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
}

static uint64_t Magnitude(int64_t v) { return v < 0 ? 0 - (uint64_t)v : (uint64_t)v; }

int64_t MulDiv(int64_t a, int64_t b, int64_t c)
{
    if (c == 0) return 0;
    const bool negative = ((a < 0) != (b < 0)) != (c < 0);
    const uint64_t divisor = Magnitude(c);
    uint64_t hi, lo, q;
    MulWide(Magnitude(a), Magnitude(b), hi, lo);
    if (hi == 0) {
        q = lo / divisor;
    } else if (hi >= divisor) {
        q = UINT64_MAX;   // the quotient needs more than 64 bits
    } else {
        // hi < divisor, so the quotient fits 64 bits: one bit at a time.
        uint64_t rem = hi;
        q = 0;
        for (int i = 63; i >= 0; i--) {
            bool carry = (rem >> 63) != 0;
            rem = (rem << 1) | ((lo >> i) & 1);
            q <<= 1;
            if (carry || rem >= divisor) {
                rem -= divisor;
                q |= 1;
            }
        }
    }
    const uint64_t limit = (uint64_t)INT64_MAX;
    if (!negative) return q > limit ? INT64_MAX : (int64_t)q;
    return q > limit ? INT64_MIN : -(int64_t)q;
}

bool ParseInt64(const std::string& text, int64_t& out)
{
    std::string t = TrimText(text);
    size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
    if (i >= t.size()) return false;
    uint64_t v = 0;
    for (; i < t.size(); i++) {
        if (t[i] < '0' || t[i] > '9') return false;
        uint64_t d = (uint64_t)(t[i] - '0');
        if (v > (UINT64_MAX - d) / 10) return false;
        v = v * 10 + d;
    }
    if (neg) {
        if (v > (uint64_t)INT64_MAX + 1) return false;
        out = v == (uint64_t)INT64_MAX + 1 ? INT64_MIN : -(int64_t)v;
    } else {
        if (v > (uint64_t)INT64_MAX) return false;
        out = (int64_t)v;
    }
    return true;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

std::vector<std::pair<std::string, std::string>> KeyValueLines(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const std::string& raw : SplitLines(text)) {
        std::string line = TrimText(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        out.push_back({UpperText(TrimText(line.substr(0, eq))), TrimText(line.substr(eq + 1))});
    }
    return out;
}

std::string Counted(int64_t n, const std::string& noun)
{
    if (n == 1 || noun.empty() || noun.back() == 's') return IntToText(n) + " " + noun;
    // "entry", "entries"; "day", "days".
    if (noun.size() > 1 && noun.back() == 'y' && std::string("aeiou").find(noun[noun.size() - 2]) == std::string::npos)
        return IntToText(n) + " " + noun.substr(0, noun.size() - 1) + "ies";
    return IntToText(n) + " " + noun + "s";
}

std::string WithArticle(const std::string& noun)
{
    char c = noun.empty() ? 'x' : (char)(noun[0] | 0x20);
    bool vowel = c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u';
    return (vowel ? "an " : "a ") + noun;
}

std::string CapitalFirst(const std::string& text)
{
    std::string s = text;
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = (char)(s[0] - 32);
    return s;
}

std::string WordList(const std::vector<std::string>& words)
{
    std::string out;
    for (size_t i = 0; i < words.size(); i++)
        out += (i == 0 ? "" : i + 1 == words.size() ? " and " : ", ") + words[i];
    return out;
}

std::string WithoutColourCodes(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        if (c == '`') c = '\'';
    return out;
}

std::string ColourPrefix(const std::string& text, int n)
{
    int visible = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '`' && i + 1 < text.size()) {
            i += 2;
            continue;
        }
        if (visible >= n) return text.substr(0, i);
        visible++;
        i++;
    }
    return text;
}

int VisibleLength(const std::string& text)
{
    int n = 0;
    WalkColourCodes(text, [&](const std::string& run) { n += (int)run.size(); }, [](int) {});
    return n;
}

// A short last word ("***", "5/day") never stands alone on the last line:
// the word before it goes down with it, when the two fit.
static void KeepLastWordCompany(std::vector<std::string>& lines, int width)
{
    enum { LoneWordMost = 5 };
    if (lines.size() < 2) return;
    std::string& prev = lines[lines.size() - 2];
    std::string& last = lines.back();
    int lastShown = VisibleLength(last);
    if (lastShown < 1 || lastShown > LoneWordMost || WithoutColourCodes(last).find(' ') != std::string::npos) return;
    size_t blank = std::string::npos;
    std::string code, codeAtBlank;   // the colour in force there
    for (size_t i = 0; i < prev.size(); i++) {
        if (prev[i] == '`' && i + 1 < prev.size()) {
            if (ColourCodeValue(prev[i + 1]) >= 0) code = prev.substr(i, 2);
            i++;
            continue;
        }
        if (prev[i] == ' ') {
            blank = i;
            codeAtBlank = code;
        }
    }
    if (blank == std::string::npos) return;
    std::string tail = prev.substr(blank + 1);
    std::string head = prev.substr(0, blank);
    if (VisibleLength(head) == 0 || VisibleLength(tail) + 1 + lastShown > width) return;
    // The last line began with the colour in force where the tail ends.
    if (!code.empty() && StartsWith(last, code)) last = last.substr(code.size());
    last = codeAtBlank + tail + " " + last;
    prev = head;
}

std::vector<std::string> WrapColour(const std::string& text, int width)
{
    std::vector<std::string> lines;
    if (width < 1 || VisibleLength(text) <= width) return {text};
    std::string line;          // the line being filled
    int shown = 0;             // its visible characters
    std::string code;          // the colour code in force at the end of `line`
    size_t blank = std::string::npos;   // where in `line` its last blank is
    int shownAtBlank = 0;
    std::string codeAtBlank;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '`' && i + 1 < text.size()) {
            line += text.substr(i, 2);
            if (ColourCodeValue(text[i + 1]) >= 0) code = text.substr(i, 2);
            i++;
            continue;
        }
        if (shown == width) {
            if (blank != std::string::npos && text[i] != ' ') {
                std::string rest = line.substr(blank + 1);
                line.resize(blank);
                lines.push_back(line);
                line = codeAtBlank + rest;
                shown -= shownAtBlank + 1;
            } else {
                lines.push_back(line);
                line = code;
                shown = 0;
                if (text[i] == ' ') {   // a line never starts with the blank it was cut at
                    blank = std::string::npos;
                    continue;
                }
            }
            blank = std::string::npos;
        }
        if (text[i] == ' ') {
            blank = line.size();
            shownAtBlank = shown;
            codeAtBlank = code;
        }
        line += text[i];
        shown++;
    }
    if (!line.empty()) lines.push_back(line);
    KeepLastWordCompany(lines, width);
    return lines;
}

int ColourCodeValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

char AnsiColourDigit(int pcColour)
{
    static const char AnsiDigit[] = "04261537";   // PC colour order to ANSI's
    return AnsiDigit[pcColour & 7];
}

std::string AnsiAttrSequence(int attr)
{
    std::string seq = "\x1b[0";
    if (attr & 8) seq += ";1";
    if (attr & 128) seq += ";5";
    seq += ";3";
    seq += AnsiColourDigit(attr);
    seq += ";4";
    seq += AnsiColourDigit(attr >> 4);
    return seq + "m";
}

bool HasLetter(const std::string& s)
{
    for (char c : s)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    return false;
}

bool StartsWith(const std::string& s, const std::string& prefix)
{
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}
