// EVENTS.DAT, the night's lines for every house and the news, and MSGS.DAT,
// the letters, bulletins and sysop notices.  Both are files of fixed-size
// packed records shared by all three programs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum { EventTextMax = 79, MessageLineMax = 72, MessageLines = 4 };

enum {
    EventNotice = 0,
    EventBattle = 1,
    EventWorld = 2,
    EventMove = 3,
    EventLane = 4,
    EventHollow = 5,
    EventTreaty = 6,
    EventResearch = 8,
};

#pragma pack(push, 1)
struct TEventRec {
    uint8_t House;       // the house told; 0 the news for everybody (night, setup program)
    uint16_t Day;        // the day whose night wrote it
    uint8_t Kind;        // EventNotice .. EventResearch: the line's colour in the report
    uint8_t Len;         // characters of Text in use, 0..79
    char Text[80 - 1];   // the line, colour codes allowed
};

struct TMsgLine {
    uint8_t Len;                // characters in use, 0..72
    char Ch[MessageLineMax];    // the text
};

struct TMessageRec {
    uint8_t From;                  // the sending house; 0 the sysop (door, setup program)
    uint8_t To;                    // the house it is for; 0 a bulletin for everybody
    uint16_t Day;                  // the game day it was sent; the night drops it after 14 days
    uint8_t Read;                  // 1 once its reader has seen it (door)
    uint8_t Zero;                  // zero
    TMsgLine Lines[MessageLines];  // up to four lines, empty ones unused
};
#pragma pack(pop)
static_assert(sizeof(TEventRec) == 84 && sizeof(TMessageRec) == 298);

std::string EventText(const TEventRec& e);
std::string MessageLine(const TMessageRec& m, int i);

// The event writer: a night (or the sysop ending a game) makes one, opens it,
// hands it to whatever writes lines, and closes it.  The lines are kept in
// memory and written out at the end in one replace.
struct TEventWriter {
    int KeepDays = 7;       // nights of lines kept; the simulator keeps everything
    // Whether EVENTS.NEW reaches the disk before it is renamed into place;
    // the simulator, playing a scratch game night after night, does without.
    bool Sync = true;
    bool Open = false;
    int Day = 0;            // the day the lines are written for
    int Written = 0;        // lines added since it was opened
    int Stray = 0;          // lines added while it was not open: an error at the end
    std::string Path;
    std::string Data;       // EVENTS.NEW's records
};
// A night replaces whatever lines of its day a night that did not complete
// left behind (replaceDay); a line added afterwards (the sysop ending the
// game) keeps the day's lines.
bool EventsBegin(TEventWriter& ev, const std::string& folder, int day, bool replaceDay = true);
void AddEvent(TEventWriter& ev, int house, int kind, const std::string& text);
void AddNews(TEventWriter& ev, const std::string& text);
// False when the store could not be replaced, or when a line was added to
// the writer while it was not open (that line would have been lost).
bool EventsEnd(TEventWriter& ev);
// Every stored record, in file order; false when EVENTS.DAT cannot be read.
bool ReadEvents(const std::string& folder, std::vector<TEventRec>& out);

bool SendMessage(const std::string& folder, int from, int to, int day, const std::vector<std::string>& lines);
int CountUnread(const std::string& folder, int house);
// The letters of one mailbox (0 the bulletins), newest first.
bool ReadMailbox(const std::string& folder, int to, std::vector<TMessageRec>& out);
bool GetMessage(const std::string& folder, int to, int index, TMessageRec& out);
void MarkAllRead(const std::string& folder, int house);
// Marks read those unread letters of the house that are among `shown`
// (equal in every byte but the read flag); letters that arrived after the
// list was drawn stay unread.
void MarkShownRead(const std::string& folder, int house, const std::vector<TMessageRec>& shown);
bool TrimMessages(const std::string& folder, int newDay);
