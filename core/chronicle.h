// What people outside the game read: MAINT.LOG (every maintenance run),
// FAME.TXT (every finished game, kept for ever) and NEWS.TXT (the last
// night's news and the standings).  All CR LF text.
#pragma once
#include <string>
#include <vector>

std::string Timestamp();   // local "2026-03-07 09:05"
void MaintLog(const std::string& folder, const std::string& text);
std::vector<int> RankedHouses(bool countOut);
void WriteFame(const std::string& folder);
std::string BuildNews(const std::string& folder, int day);
void WriteNews(const std::string& folder, int day);

enum { MaintLogLimit = 262144 };
