#include "core/replace.h"

#include "core/osfs.h"

TReplaceResult ReplaceFile(const std::string& path, const std::string& data, const TReplaceOpts& opts)
{
    std::string temp = opts.Temp.empty() ? path + ".TMP" : opts.Temp;
    TFileHandle fd = FileCreate(temp);
    if (fd < 0) return ReplaceNotCreated;
    bool written = FileWrite(fd, data.data(), data.size());
    // On the disk before the rename: a power cut must never leave an empty
    // file behind a completed rename.
    if (written && opts.Sync) written = FileSync(fd);
    bool closed = FileClose(fd);
    if (!written || !closed) {
        DeleteFile(temp);
        return written ? ReplaceNotRenamed : ReplaceWriteError;
    }
    if (!opts.KeepOld.empty()) {
        // The old copy becomes a second name of the current file, so the
        // rename below replaces the file without a moment of its absence.
        DeleteFile(opts.KeepOld);
        if (CanOpenRead(path)) LinkOrCopy(path, opts.KeepOld);
    }
    if (!RenameFile(temp, path)) return ReplaceNotRenamed;
    if (opts.Sync) SyncFolderOf(path);
    return ReplaceDone;
}

bool ReplaceFileSafely(const std::string& path, const std::string& data)
{
    return ReplaceFile(path, data, TReplaceOpts()) == ReplaceDone;
}
