// One change a caller makes to the game, as a record: the screens make one
// and apply it; a league member also keeps it in its journal, and the host
// applies the very same record through the very same checks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum TChangeKind : uint8_t {
    ChangeNone = 0,
    ChangeCameOn,          // the house's player entered the game today
    ChangeBuildShips,      // world, class, count
    ChangeBuildBuilding,   // world, kind
    ChangeCancelBuild,     // index, world, item, count (the listed order)
    ChangeFocus,           // world, focus
    ChangeResearch,        // track
    ChangeOrderFleet,      // fleet, order, system, target
    ChangeDoctrine,        // fleet, doctrine
    ChangeSplitFleet,      // fleet, troops, 7 counts; Text the new name
    ChangeJoinFleets,      // fleet, fleet
    ChangeRenameFleet,     // fleet; Text the name
    ChangeOfferTreaty,     // other, treaty bit
    ChangeAcceptTreaty,    // offerer
    ChangeGiveNotice,      // other
    ChangeBreakTreaties,   // other
    ChangeTribute,         // other, amount
    ChangeGift,            // other, resource, amount
    ChangeTrade,           // resource sold, resource bought, amount
    ChangeLetter,          // mailbox (a house, or the bulletin board); Text the lines, "\n" apart
    ChangeFound,           // a founding request: Text the house name, Player the player
    ChangeKindCount
};

enum { ChangeArgs = 10, ChangeTextLimit = 4096 };

struct TChange {
    uint8_t Kind = ChangeNone;
    uint8_t House = 0;       // the house making the change (0 for a founding request)
    int64_t Args[ChangeArgs] = {};
    std::string Text;
    std::string Player;      // the caller's name as the board knows it
};

// A fleet made by a change the host has not applied yet has no number the
// host knows: a member's journal names it by the entry that made it.
inline constexpr int64_t FleetMadeByBase = -1000000;
inline int64_t FleetMadeBy(uint32_t entry) { return FleetMadeByBase - (int64_t)entry; }
inline bool IsFleetMadeBy(int64_t v) { return v <= FleetMadeByBase && v >= FleetMadeByBase - 0xFFFFFFFFLL; }
inline uint32_t FleetMadeByEntry(int64_t v) { return (uint32_t)(FleetMadeByBase - v); }
// Which of the change's arguments name fleets (up to two), -1 for none.
void FleetArgs(const TChange& c, int which[2]);

// Applies the change to the game in memory (and, for a letter, to the
// folder's MSGS.DAT, dated day).  The refusal, or "" once it changed the game.
// *result: a split's new fleet, a trade's amount got, a founding's house.
std::string ApplyChange(const TChange& c, const std::string& folder, int day, int64_t* result = nullptr);

// Numbers as little-endian bytes, the same on every platform, for the
// league's records and packets; Get is false when the bytes run out.
void PutLittle(std::string& out, uint64_t v, int bytes);
bool GetLittle(const std::string& in, size_t& pos, int bytes, uint64_t& v);
// Bytes after their length (in lengthBytes bytes); Get is false when the
// length is above limit or the bytes run out.
void PutCounted(std::string& out, const std::string& bytes, int lengthBytes);
bool GetCounted(const std::string& in, size_t& pos, int lengthBytes, uint64_t limit, std::string& bytes);

// The record as bytes (little-endian, the same on every platform) and back;
// false for bytes that are not one whole, valid record.
void EncodeChange(const TChange& c, std::string& out);
bool DecodeChange(const std::string& in, size_t& pos, TChange& c);

// Letters' lines as one text, "\n" apart (SplitLines reads it back).
std::string JoinLines(const std::vector<std::string>& lines);
