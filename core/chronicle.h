// What people outside the game read: MAINT.LOG (every maintenance run),
// FAME.TXT (every finished game, kept for ever) and NEWS.TXT (the last
// night's news and the standings).  All CR LF text.
#pragma once
#include <string>
#include <vector>

#include "core/osfs.h"

std::string Timestamp(bool seconds = false);   // local "2026-03-07 09:05", or "…09:05:31"
std::string DateTimeText(const TDateTime& t, bool seconds = false);   // the same, of any moment
std::string TwoDigits(int n);                   // "07"
// Appends a text to a file, made when missing; false when it could not be written.
bool AppendText(const std::string& path, const std::string& text);
// The same for a log that stays small: past MaintLogLimit bytes it becomes
// oldPath (replacing the older one) and a new log starts.
bool AppendLog(const std::string& path, const std::string& oldPath, const std::string& text);
void MaintLog(const std::string& folder, const std::string& text);
void WriteFame(const std::string& folder);
std::string BuildNews(const std::string& folder, int day);
// What a night without news reads, in NEWS.TXT, the bulletin and the door.
inline constexpr const char* QuietDayText = "A quiet day in the Thyre.";
void WriteNews(const std::string& folder, int day);

enum { MaintLogLimit = 262144 };
