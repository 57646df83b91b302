// Safe replacement of a whole file, the one way every program rewrites a
// file that another program may read without the lock: the new content goes
// to a temporary name beside it, is flushed, and is renamed over the old file
// in one step, then the folder's entry list is flushed.  A reader sees the
// old file or the new one, never a part of one and never none.
#pragma once
#include <string>

enum TReplaceResult {
    ReplaceDone,
    ReplaceNotCreated,   // the temporary file could not be made; nothing changed
    ReplaceWriteError,   // writing or flushing it failed (a full disk); the old file stands
    ReplaceNotRenamed,   // it could not be put in place; the old file stands
};

struct TReplaceOpts {
    std::string Temp;      // the temporary name; empty: the path + ".TMP"
    std::string KeepOld;   // when set, made a second name of the old file first
    bool Sync = true;      // flush to the disk before the rename and after it
};

TReplaceResult ReplaceFile(const std::string& path, const std::string& data, const TReplaceOpts& opts);
// ReplaceFile with the usual options; true when the new file is in place.
bool ReplaceFileSafely(const std::string& path, const std::string& data);
