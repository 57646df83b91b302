// The file system and clock as the programs use them.  Every operating-system
// call of the shared code lives behind these few functions, so a port to
// another platform replaces one source file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <typeinfo>
#include <vector>

// The delimiter that joins a folder and a file name on this platform.
extern const char PathDelim;
bool IsPathDelim(char c);   // either slash counts when reading a path
// A folder as given, with the platform's delimiter appended unless it is
// empty or already ends in a slash or backslash.
std::string FolderWithDelim(const std::string& folder);
// The last piece of a path: the file's name.
std::string FileNameOf(const std::string& path);

// A path made absolute against the working folder ("." and ".." left as
// they are); the folder that holds the running program, with its delimiter.
std::string FullPath(const std::string& path);
std::string ProgramFolder();

// This process and this machine, for the lock's stamp; whether a process of
// this machine still runs.
int64_t ProcessId();
std::string HostName();
bool ProcessAlive(int64_t pid);
// The name of the person logged in at this machine (USER, or USERNAME on
// Windows), or empty.
std::string LocalUserName();
// A C++ type's name as its source spells it, for a line in ERRORS.LOG.
std::string ReadableTypeName(const std::type_info& type);
// Why the last file-system call failed, in the system's words; and whether
// it failed because the name exists already.
std::string LastErrorText();
bool LastErrorWasExists();

// Whether standard output is a terminal (colour sequences are wanted).
bool StdoutIsTerminal();
bool StdinIsTerminal();
// Sets the text colour (0-15, PC order) of standard output when it is a
// terminal or console; nothing when it goes to a file or a pipe.
void SetStdoutColour(int colour);

bool CanOpenRead(const std::string& path);
bool PathExists(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);   // replaces `to` atomically
// Renames a folder (or file) to a name that must not exist yet, not even
// as an empty folder; fails with LastErrorWasExists() when it does.
bool RenameNoReplace(const std::string& from, const std::string& to);
bool DeleteFile(const std::string& path);
// Makes `to` a second name of `from` (a hard link), or a full copy where the
// file system has no links.  `to` must not exist.
bool LinkOrCopy(const std::string& from, const std::string& to);
// Makes a file readable and writable by its owner alone (a private key);
// on Windows, where the folder's permissions govern, it does nothing.
bool RestrictToOwner(const std::string& path);
bool MakeFolder(const std::string& path);   // fails when it already exists
bool RemoveFolder(const std::string& path);
// Flushes the folder's entry list so a rename inside it survives a power cut.
void SyncFolderOf(const std::string& path);
int64_t FileSize(const std::string& path);   // -1 when it cannot be read
// When the file was last written, whole seconds since 1970; -1 when unknown.
int64_t FileModifiedSeconds(const std::string& path);
// The same to the file system's full resolution, in nanoseconds since 1970
// (100 ns steps on Windows); -1 when unknown.
int64_t FileModifiedNanoseconds(const std::string& path);
bool IsFolder(const std::string& path);
// The names of a folder's entries ("." and ".." left out), in the order the
// file system lists them; false when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<std::string>& names);

// A file opened by one of the calls below; -1 is "not open".
typedef int TFileHandle;
TFileHandle FileOpenRead(const std::string& path);
TFileHandle FileCreate(const std::string& path);   // create or truncate
TFileHandle FileOpenAppend(const std::string& path);
// Creates the file only when it does not exist yet (a mailer's .bsy flag):
// -1 when it exists or cannot be made.
TFileHandle FileCreateNew(const std::string& path);
// Reads up to n bytes, looping over short reads; the count read, -1 on error.
int64_t FileRead(TFileHandle fd, void* buf, size_t n);
bool FileWrite(TFileHandle fd, const void* buf, size_t n);
bool FileSync(TFileHandle fd);
// Writes n bytes at an offset of an existing file, in place.
bool FileWriteAt(const std::string& path, int64_t offset, const void* buf, size_t n);
bool FileClose(TFileHandle fd);

// Reads a whole file into `out`; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out);
// Writes a full copy of `from` as `to`, flushed to the disk.
bool CopyWholeFile(const std::string& from, const std::string& to);
// For the fault tests: the n-th file operation that changes something
// (create, write, flush, close, rename, delete, make or remove a folder,
// link) from now on fails; 0 disarms.  FaultHit: the armed failure has
// happened.
// With `die`, the process ends there with FaultDeathCode instead, as if
// killed just before that operation.
enum { FaultDeathCode = 137 };
void FaultAfter(int64_t n, bool die = false);
bool FaultHit();
// For the tests: while on, SleepMs moves the clock (MonotonicMs, the dates,
// UnixSeconds) forward instead of sleeping.  Off resets it.
void FakeClock(bool on);

// The local date and time.
struct TDateTime {
    int Year, Month, Day, Hour, Minute, Second, Hundredths;
};
TDateTime LocalNow();
TDateTime UtcNow();
// A moment given in Unix seconds, in UTC (all zero when the system cannot say).
TDateTime UtcAt(int64_t unixSeconds);
int64_t MonotonicMs();
int64_t UnixSeconds();   // whole seconds since 1970, UTC
// The same in nanoseconds, on the clock the file system stamps files with.
int64_t UnixNanoseconds();
// When this process was started on that clock, never earlier than it was
// (where the system counts coarsely, the end of its step); -1 when unknown.
int64_t ProcessStartNanoseconds();
// While held, an interrupt (Ctrl-C, a hang-up, a plain kill) waits: the
// nightly run finishes the night it is storing, logs it and lets go of the
// folder, then ends as asked when the hold is let go.
void HoldInterrupts(bool hold);
// An interrupt came while held and waits.
bool InterruptPending();
void SleepMs(int ms);
