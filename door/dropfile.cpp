// Reading BBS drop files.  Text formats are read as lines (any of LF, CR LF
// or a lone CR ends a line); the fixed-layout ones as bytes at known offsets.
#include "door/dropfile.h"
#include "core/osfs.h"
#include "core/text.h"
#include <climits>

TDoorInfo DoorInfo;
static TDropLines FieldsRead;
static std::string Failure;

const char* const DropFileKinds =
    "DOOR32.SYS, DOOR.SYS, DORINFO*.DEF, CHAIN.TXT, CALLINFO.BBS, SFDOORS.DAT, PCBOARD.SYS and EXITINFO.BBS";

static TDropLines SplitDropLines(const std::string& raw)
{
    TDropLines lines;
    std::string line;
    bool pending = false;   // characters seen since the last line end
    for (size_t i = 0; i < raw.size(); i++) {
        char c = raw[i];
        if (c == 26) continue;
        if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') i++;
            lines.push_back(line);
            line.clear();
            pending = false;
            continue;
        }
        line += c;
        pending = true;
    }
    if (pending) lines.push_back(line);
    for (std::string& l : lines)
        while (!l.empty() && (unsigned char)l.back() < 33) l.pop_back();
    return lines;
}

// Line n counted from 1, cut of blanks and control bytes at both ends;
// empty beyond the end of the file.
static std::string Field(const TDropLines& lines, int n)
{
    std::string value;
    if (n >= 1 && (size_t)n <= lines.size()) {
        const std::string& l = lines[(size_t)n - 1];
        size_t a = 0;
        while (a < l.size() && (unsigned char)l[a] < 33) a++;
        value = l.substr(a);
    }
    FieldsRead.push_back("line " + IntToText(n) + ": " + value);
    return value;
}

static int64_t Number(const std::string& text, int64_t fallback)
{
    int64_t v;
    return ParseInt64(text, v) ? v : fallback;
}

// A whole number that must fit an int field; anything else is the default.
static int SmallNumber(const std::string& text, int fallback)
{
    int64_t v = Number(text, fallback);
    return v < INT_MIN || v > INT_MAX ? fallback : (int)v;
}

static int64_t MinutesToSeconds(int64_t minutes)
{
    return MulDiv(minutes, 60, 1);   // saturates instead of wrapping
}

// "JOHN" and "SMITH" become "John Smith": lower-cased, then each word's
// first letter raised.
static std::string NameCase(const std::string& text)
{
    std::string s = text;
    bool wordStart = true;
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
        if (wordStart && c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
        wordStart = c == ' ';
    }
    return s;
}

// DORINFO.DEF and DORINFO1.DEF are node 1, DORINFO7.DEF node 7, and a
// single letter counts on from 10: DORINFOA.DEF is 10, DORINFOZ.DEF 35.
static int DorinfoNode(const std::string& upperName)
{
    std::string mid = upperName.substr(7, upperName.size() - 7 - 4);
    int node = SmallNumber(mid, 0);
    if (node != 0) return node;
    if (mid.size() == 1 && mid[0] >= 'A' && mid[0] <= 'Z') return 10 + (mid[0] - 'A');
    return 1;
}

static void ReadDoor32(const TDropLines& l, TDoorInfo& d)
{
    d.CommType = SmallNumber(Field(l, 1), -1);
    d.SocketHandle = (uint64_t)Number(Field(l, 2), 0);
    d.UserName = Field(l, 6);
    d.Alias = Field(l, 7);
    d.SecondsLeft = MinutesToSeconds(Number(Field(l, 9), 60));
    d.Ansi = Number(Field(l, 10), 1) != 0;
    d.Node = SmallNumber(Field(l, 11), 1);
}

static void ReadDoorSys(const TDropLines& l, TDoorInfo& d)
{
    d.Node = SmallNumber(Field(l, 4), 1);
    d.UserName = Field(l, 10);
    d.SecondsLeft = Number(Field(l, 18), -1);
    if (d.SecondsLeft < 0) d.SecondsLeft = MinutesToSeconds(Number(Field(l, 19), 60));
    d.Ansi = UpperText(Field(l, 20)) != "NG";
    // A page length of 0 (some BBSes write it for "no paging") would make
    // every line a page; such a value keeps the usual 24.
    int rows = SmallNumber(Field(l, 21), 24);
    d.ScreenRows = rows >= 1 ? rows : 24;
    d.Alias = Field(l, 36);
    if (d.Alias.empty()) d.Alias = d.UserName;
    // Line 14 is the caller's password: it is never read.
}

static void ReadDorinfo(const TDropLines& l, TDoorInfo& d, const std::string& upperName)
{
    d.UserName = NameCase(Field(l, 7) + " " + Field(l, 8));
    d.Alias = d.UserName;
    d.Ansi = Number(Field(l, 10), 1) > 0;
    d.SecondsLeft = MinutesToSeconds(Number(Field(l, 12), 60));
    d.Node = DorinfoNode(upperName);
}

static void ReadChainTxt(const TDropLines& l, TDoorInfo& d)
{
    d.Alias = Field(l, 2);
    d.UserName = Field(l, 3);
    if (d.UserName.empty()) d.UserName = d.Alias;
    int64_t rows = Number(Field(l, 10), 24);
    if (rows >= 10 && rows <= 200) d.ScreenRows = (int)rows;
    d.Ansi = Field(l, 14) == "1";
    std::string secs = Field(l, 16);
    size_t dot = secs.find('.');
    if (dot != std::string::npos) secs = secs.substr(0, dot);
    d.SecondsLeft = Number(secs, 3600);
}

static void ReadCallinfo(const TDropLines& l, TDoorInfo& d)
{
    d.UserName = Field(l, 1);
    d.Alias = d.UserName;
    d.SecondsLeft = MinutesToSeconds(Number(Field(l, 5), 60));
    d.Ansi = UpperText(Field(l, 6)) != "MONO";
}

static void ReadSfdoors(const TDropLines& l, TDoorInfo& d)
{
    d.UserName = Field(l, 2);
    d.Alias = d.UserName;
    d.SecondsLeft = MinutesToSeconds(Number(Field(l, 7), 60));
    d.Ansi = UpperText(Field(l, 10)) != "FALSE";
}

static unsigned Byte(const std::string& raw, size_t at)
{
    return at < raw.size() ? (unsigned char)raw[at] : 0;
}

static unsigned Word(const std::string& raw, size_t at)
{
    return at + 1 < raw.size() ? Byte(raw, at) | (Byte(raw, at + 1) << 8) : 0;
}

static void ReadPcboard(const std::string& raw, TDoorInfo& d)
{
    d.Ansi = raw[11] == '7' || raw[11] == 'Y';
    std::string name = raw.substr(84, 25);
    size_t zero = name.find('\0');
    if (zero != std::string::npos) name.resize(zero);
    d.UserName = name;
    d.Alias = name;
    d.SecondsLeft = (int64_t)Word(raw, 109) * 60;
    d.Node = Byte(raw, 111) == 0 ? 1 : (int)Byte(raw, 111);
    FieldsRead.push_back("offset 11: " + raw.substr(11, 1));
    FieldsRead.push_back("offset 84: " + name);
    FieldsRead.push_back("offset 109: " + IntToText(Word(raw, 109)));
    FieldsRead.push_back("offset 111: " + IntToText(Byte(raw, 111)));
}

static void ReadExitinfo(const std::string& raw, TDoorInfo& d)
{
    size_t n = (size_t)Min(Byte(raw, 241), 35);
    d.UserName = raw.substr(242, n);
    d.Alias = d.UserName;
    FieldsRead.push_back("offset 241: " + IntToText(Byte(raw, 241)));
    FieldsRead.push_back("offset 242: " + d.UserName);
}

// Nothing read, and why.
static std::optional<TDoorInfo> Fail(const std::string& why)
{
    Failure = why;
    return std::nullopt;
}

bool DropFileKindKnown(const std::string& path)
{
    std::string upper = UpperText(FileNameOf(path));
    if (StartsWith(upper, "DORINFO") && EndsWith(upper, ".DEF")) return true;
    for (const char* k : {"DOOR32.SYS", "DOOR.SYS", "CHAIN.TXT", "CALLINFO.BBS", "SFDOORS.DAT", "PCBOARD.SYS",
                          "EXITINFO.BBS"})
        if (upper == k) return true;
    return false;
}

std::optional<TDoorInfo> ReadDropFile(const std::string& path)
{
    std::string upper = UpperText(FileNameOf(path));
    FieldsRead.clear();
    Failure.clear();
    bool dorinfo = StartsWith(upper, "DORINFO") && EndsWith(upper, ".DEF");
    if (!DropFileKindKnown(path))
        return Fail(FileNameOf(path) + " is not a kind of drop file the door reads; it reads " + DropFileKinds);
    std::string raw;
    if (!ReadWholeFile(path, raw))
        return Fail(IsFolder(path) ? "it is a folder" : PathExists(path) ? "it cannot be read" : "there is no such file");
    TDoorInfo d;
    TDropLines l = SplitDropLines(raw);
    std::string kind = dorinfo ? "DORINFO*.DEF" : upper;
    auto enough = [&](size_t need) {
        if (l.size() >= need) return true;
        Failure = "it is too short: " + kind + " needs " + IntToText((int64_t)need) + " lines, it has " +
                  IntToText((int64_t)l.size());
        return false;
    };
    auto enoughBytes = [&](size_t need) {
        if (raw.size() >= need) return true;
        Failure = "it is too short: " + kind + " needs " + IntToText((int64_t)need) + " bytes, it has " +
                  IntToText((int64_t)raw.size());
        return false;
    };
    if (upper == "DOOR32.SYS") {
        if (!enough(11)) return std::nullopt;
        ReadDoor32(l, d);
    } else if (upper == "DOOR.SYS") {
        if (!enough(20)) return std::nullopt;
        ReadDoorSys(l, d);
    } else if (dorinfo) {
        if (!enough(12)) return std::nullopt;
        ReadDorinfo(l, d, upper);
    } else if (upper == "CHAIN.TXT") {
        if (!enough(16)) return std::nullopt;
        ReadChainTxt(l, d);
    } else if (upper == "CALLINFO.BBS") {
        if (!enough(8)) return std::nullopt;
        ReadCallinfo(l, d);
    } else if (upper == "SFDOORS.DAT") {
        if (!enough(11)) return std::nullopt;
        ReadSfdoors(l, d);
    } else if (upper == "PCBOARD.SYS") {
        if (!enoughBytes(112)) return std::nullopt;
        ReadPcboard(raw, d);
    } else {
        if (!enoughBytes(277)) return std::nullopt;
        ReadExitinfo(raw, d);
    }
    if (d.UserName.empty()) d.UserName = d.Alias;
    if (d.UserName.empty()) return Fail("it names nobody: the user name and the alias are both empty");
    return d;
}

std::string FindDropFile(const std::string& folder, int node)
{
    const std::string order[9] = {
        "DOOR32.SYS", "DOOR.SYS",
        node > 0 ? "DORINFO" + IntToText(node) + ".DEF" : "DORINFO1.DEF",
        "CHAIN.TXT", "PCBOARD.SYS", "CALLINFO.BBS", "SFDOORS.DAT", "DORINFO.DEF", "EXITINFO.BBS",
    };
    std::vector<std::string> names;
    if (!ListFolder(folder, names)) return "";
    // A BBS leaves the drop files of earlier doors in a node folder, so the
    // file written last is the one for this caller, to the file system's
    // full resolution (a caller may go from one door to the next within a
    // second); the list's order decides only an exact tie.
    int best = 9;
    int64_t bestTime = 0;
    std::string found;
    for (const std::string& name : names) {
        std::string upper = UpperText(name);
        for (int i = 0; i < 9; i++)
            if (upper == order[i]) {
                int64_t time = FileModifiedNanoseconds(FolderWithDelim(folder) + name);
                if (found.empty() || time > bestTime || (time == bestTime && i < best)) {
                    best = i;
                    bestTime = time;
                    found = name;
                }
                break;
            }
    }
    return found.empty() ? "" : FolderWithDelim(folder) + found;
}

const std::string& DropFileFailure()
{
    return Failure;
}

const TDropLines& DropFieldsRead()
{
    return FieldsRead;
}
