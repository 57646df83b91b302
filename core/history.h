// SCORES.DAT: every house's score and standing after each night since the
// game began, for the web page's chart.  Kept beside THYRE.DAT, never in it:
// the night writes one record a night, replacing the file safely.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* ScoresFileName = "SCORES.DAT";
// The history that goes with THYRE.UND, the game before the last restore:
// undoing the restore brings back its chart as well.
inline constexpr const char* ScoresUndoName = "SCORES.UND";

// A record of the first layout (132 bytes) had zeros where Mark is; a file
// of such records reads with every world count unknown, and the next night
// writes it again in the present layout.
inline constexpr char ScoreRecMark[2] = {'W', '1'};
enum { ScoreRecOldSize = 132, WorldsUnknown = -1 };

#pragma pack(push, 1)
struct TScoreRec {
    uint16_t Day;          // the night's game day
    char Mark[2];          // ScoreRecMark
    int32_t Score[25];     // each house slot's score after that night
    uint8_t Status[25];    // each slot's status (StatusFree: no house)
    uint8_t Pad[3];        // zero
    int16_t Worlds[25];    // each slot's worlds after that night, or WorldsUnknown
};
#pragma pack(pop)
static_assert(sizeof(TScoreRec) == 182);

// Adds the loaded game's scores as the record of the night just played
// (the game day before the current one); a record of that day or later,
// left by a night played again or a game restored, is replaced.
bool RecordScores(const std::string& folder);
// Drops the records of the day given and later: the nights a restore undid.
bool TrimScoreHistory(const std::string& folder, int fromDay);
// The records, in day order.  Damaged ones (a partial record at the end,
// days out of order, statuses outside the table) are left out.
bool ReadScoreHistory(const std::string& folder, std::vector<TScoreRec>& out);
