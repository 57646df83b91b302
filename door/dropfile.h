// The caller as the BBS describes them in its drop file.  Eight common
// formats are read into one record; the connection is opened from it later.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TDoorInfo {
    std::string UserName;          // the caller's full name as the BBS knows it
    std::string Alias;             // the caller's handle
    int64_t SecondsLeft = 3600;    // the caller's time for this call
    bool Ansi = true;              // the terminal understands ANSI colour and cursor control
    int Node = 1;                  // the BBS node number
    int ScreenRows = 24;           // lines on the caller's screen, for paging
    int CommType = -1;             // DOOR32.SYS: 0 local, 1 serial, 2 telnet; -1 other formats
    uint64_t SocketHandle = 0;     // DOOR32.SYS line 2 (a negative number wraps and stays negative as int64)
};

// The caller of this process, from the drop file read at start-up.
extern TDoorInfo DoorInfo;

// A drop file as its lines: trailing blanks and control bytes cut, every
// end-of-file byte (26) removed.
typedef std::vector<std::string> TDropLines;

// Reads the drop file at `path` into a record, starting from its initial
// values.  The format follows from the file's name.  Nothing for an unknown
// name, a file that cannot be read, one shorter than its format needs, or
// one that names nobody.
std::optional<TDoorInfo> ReadDropFile(const std::string& path);

// Why the last ReadDropFile gave nothing, in a few words for the sysop
// ("XTRN.DAT is not a kind of drop file the door reads; ...", "it is too
// short: ..."); empty after a file that was read.
const std::string& DropFileFailure();
// Whether the file's name is of a kind the door reads.
bool DropFileKindKnown(const std::string& path);
// The kinds of drop file the door reads, by name, for the sysop.
extern const char* const DropFileKinds;

// What the last ReadDropFile took from its file, one entry per field read
// ("line 6: Ann Caller", "offset 84: ..."), for the sysop's diagnostics.
// Lines the door never reads (a caller's password) are never in it.
const TDropLines& DropFieldsRead();

// The best drop file in a folder for a node, spelled as the file system
// spells it, or empty when the folder holds none.
std::string FindDropFile(const std::string& folder, int node);
