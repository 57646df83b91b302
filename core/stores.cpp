#include "core/stores.h"

#include <cstddef>
#include <cstring>

#include "core/gamefile.h"
#include "core/files.h"
#include "core/osfs.h"
#include "core/replace.h"

std::string EventText(const TEventRec& e) { return std::string(e.Text, e.Text + (e.Len > 79 ? 79 : e.Len)); }

std::string MessageLine(const TMessageRec& m, int i)
{
    if (i < 0 || i >= MessageLines) return "";
    const TMsgLine& l = m.Lines[i];
    return std::string(l.Ch, l.Ch + (l.Len > (int)MessageLineMax ? (int)MessageLineMax : (int)l.Len));
}

template <typename T>
static bool ReadRecords(const std::string& path, std::vector<T>& out)
{
    out.clear();
    std::string data;
    if (!ReadWholeFile(path, data)) return false;
    size_t n = data.size() / sizeof(T);   // a torn last record is not read
    out.resize(n);
    if (n) std::memcpy(out.data(), data.data(), n * sizeof(T));
    return true;
}

bool ReadEvents(const std::string& folder, std::vector<TEventRec>& out)
{
    return ReadRecords(folder + EventsFileName, out);
}

bool EventsBegin(TEventWriter& ev, const std::string& folder, int day, bool replaceDay)
{
    ev.Open = false;
    ev.Day = day;
    ev.Written = 0;
    ev.Path = folder + EventsFileName;
    ev.Data.clear();
    // The new file must be creatable before the night writes anything to it.
    TFileHandle fd = FileCreate(NewFileName(ev.Path));
    if (fd < 0) return false;
    FileClose(fd);
    std::string old;
    if (ReadWholeFile(ev.Path, old)) {
        ev.Data.reserve(old.size() + 65536);
        for (size_t at = 0; at + sizeof(TEventRec) <= old.size(); at += sizeof(TEventRec)) {
            uint16_t recordDay;
            std::memcpy(&recordDay, old.data() + at + offsetof(TEventRec, Day), sizeof recordDay);
            // Lines of this very day were left by a night that did not
            // complete (its game was never saved): this night writes them anew.
            if ((int64_t)recordDay + ev.KeepDays > day && (recordDay < day || !replaceDay)) ev.Data.append(old, at, sizeof(TEventRec));
        }
    }
    ev.Open = true;
    return true;
}

void AddEvent(TEventWriter& ev, int house, int kind, const std::string& text)
{
    if (!ev.Open) {
        ev.Stray++;
        return;
    }
    size_t pos = 0;
    do {
        TEventRec e;
        std::memset(&e, 0, sizeof e);
        e.House = (uint8_t)house;
        e.Day = (uint16_t)ev.Day;
        e.Kind = (uint8_t)kind;
        std::string piece = text.substr(pos, EventTextMax);
        e.Len = (uint8_t)piece.size();
        std::memcpy(e.Text, piece.data(), piece.size());
        ev.Data.append((const char*)&e, sizeof e);
        ev.Written++;
        pos += EventTextMax;
    } while (pos < text.size());
}

void AddNews(TEventWriter& ev, const std::string& text) { AddEvent(ev, 0, EventNotice, text); }

// EVENTS.NEW replaces EVENTS.DAT in one rename: readers see the old nights or
// the new, never a missing store.
bool EventsEnd(TEventWriter& ev)
{
    if (!ev.Open) return ev.Stray == 0;
    ev.Open = false;
    TReplaceOpts opts;
    opts.Temp = NewFileName(ev.Path);
    opts.Sync = ev.Sync;
    bool ok = ReplaceFile(ev.Path, ev.Data, opts) == ReplaceDone;
    ev.Data.clear();
    return ok && ev.Stray == 0;
}

static void SetLine(TMsgLine& l, const std::string& text)
{
    std::string t = text.substr(0, MessageLineMax);
    l.Len = (uint8_t)t.size();
    std::memcpy(l.Ch, t.data(), t.size());
}

// One record in one write in append mode: two doors sending at the same
// moment both keep their letters.
bool SendMessage(const std::string& folder, int from, int to, int day, const std::vector<std::string>& lines)
{
    TMessageRec m;
    std::memset(&m, 0, sizeof m);
    m.From = (uint8_t)from;
    m.To = (uint8_t)to;
    m.Day = (uint16_t)day;
    for (size_t i = 0; i < lines.size() && i < MessageLines; i++) SetLine(m.Lines[i], lines[i]);
    TFileHandle fd = FileOpenAppend(folder + MessagesFileName);
    if (fd < 0) return false;
    bool ok = FileWrite(fd, &m, sizeof m);
    return FileClose(fd) && ok;
}

int CountUnread(const std::string& folder, int house)
{
    std::vector<TMessageRec> all;
    ReadRecords(folder + MessagesFileName, all);
    int n = 0;
    for (const TMessageRec& m : all) n += m.To == house && m.Read == 0;
    return n;
}

bool ReadMailbox(const std::string& folder, int to, std::vector<TMessageRec>& out)
{
    std::vector<TMessageRec> all;
    out.clear();
    if (!ReadRecords(folder + MessagesFileName, all)) return false;
    for (size_t i = all.size(); i-- > 0;)
        if (all[i].To == to) out.push_back(all[i]);
    return true;
}

bool GetMessage(const std::string& folder, int to, int index, TMessageRec& out)
{
    std::vector<TMessageRec> all;
    if (!ReadRecords(folder + MessagesFileName, all) || index < 0) return false;
    for (size_t i = all.size(); i-- > 0;)
        if (all[i].To == to && index-- == 0) {
            out = all[i];
            return true;
        }
    return false;
}

void MarkAllRead(const std::string& folder, int house)
{
    std::string path = folder + MessagesFileName;
    std::vector<TMessageRec> all;
    if (!ReadRecords(path, all)) return;
    for (size_t i = 0; i < all.size(); i++)
        if (all[i].To == house && house != 0 && all[i].Read == 0) {
            all[i].Read = 1;
            FileWriteAt(path, (int64_t)(i * sizeof(TMessageRec)), &all[i], sizeof all[i]);
        }
}

static bool SameLetter(TMessageRec a, TMessageRec b)
{
    a.Read = b.Read = 0;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void MarkShownRead(const std::string& folder, int house, const std::vector<TMessageRec>& shown)
{
    std::string path = folder + MessagesFileName;
    std::vector<TMessageRec> all;
    if (house == 0 || !ReadRecords(path, all)) return;
    for (size_t i = 0; i < all.size(); i++) {
        if (all[i].To != house || all[i].Read != 0) continue;
        for (const TMessageRec& s : shown)
            if (SameLetter(all[i], s)) {
                all[i].Read = 1;
                FileWriteAt(path, (int64_t)(i * sizeof(TMessageRec)), &all[i], sizeof all[i]);
                break;
            }
    }
}

bool TrimMessages(const std::string& folder, int newDay)
{
    std::string path = folder + MessagesFileName, newPath = NewFileName(path);
    std::string data;
    if (!ReadWholeFile(path, data)) return true;
    std::string kept;
    size_t n = data.size() / sizeof(TMessageRec);
    for (size_t i = 0; i < n; i++) {
        TMessageRec m;
        std::memcpy(&m, data.data() + i * sizeof m, sizeof m);
        if ((int64_t)m.Day + 14 > newDay) kept.append((const char*)&m, sizeof m);
    }
    TReplaceOpts opts;
    opts.Temp = newPath;
    return ReplaceFile(path, kept, opts) == ReplaceDone;
}
