// A league: one galaxy played from several boards.  The host runs the night;
// each member runs the door on a copy of the game, keeps its callers'
// changes in a journal and sends them to the host; after each night the host
// sends the new game to every member.  LEAGUE.CFG (the sysop's) says who is
// who; LEAGUE.DAT (the program's) says how far each exchange has come.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/change.h"

inline constexpr const char* LeagueConfigName = "LEAGUE.CFG";
inline constexpr const char* LeagueStateName = "LEAGUE.DAT";
inline constexpr const char* LeagueKeyName = "LEAGUE.KEY";
inline constexpr const char* JournalName = "JOURNAL.DAT";

enum { LeagueMembersMax = 24, LeagueNodeMax = 40, LeagueNameMax = 39 };

struct TLeagueMember {
    std::string Node;       // its address, such as 21:1/101
    std::string Board;      // the board's name, shown beside its houses
    int Houses = 0;         // how many houses its callers may found
};

// A FidoNet-technology address: zone:net/node[.point][@domain].
struct TFtnAddress {
    int Zone = 0, Net = 0, Node = 0, Point = 0;
    std::string Domain;
};
bool ParseFtnAddress(const std::string& text, TFtnAddress& a);

enum TLeagueTransport { TransportFolder, TransportMailer };

struct TLeagueConfig {
    bool Present = false;   // LEAGUE.CFG exists: this board is in a league
    std::string Name;       // the league's name
    bool Host = false;      // this board runs the night
    std::string Node;       // this board's address
    std::string Board;      // this board's name
    std::string HostNode;
    std::vector<TLeagueMember> Members;   // the host's list
    std::vector<std::string> Inbounds;    // where packets arrive (a mailer may have two), with delimiters
    std::string Outbound;                 // where packets are left; for a mailer its BinkleyTerm-style outbound
    TLeagueTransport Transport = TransportFolder;
    int OutboundZone = 0;                 // a mailer's outbound: the zone its root folder is for
    std::vector<std::pair<std::string, std::string>> Keys;   // node, public key in hex
    int64_t PacketLimit = 8 * 1024 * 1024;
    std::vector<std::string> Ignored;     // Member and Key lines not taken, and why
    std::string Problem;    // why the file cannot be used, or ""
};

// Reads folder's LEAGUE.CFG; Present is false when there is none.
TLeagueConfig ReadLeagueConfig(const std::string& folder);
// A mailer's flow file for an address, and the busy flag that guards it.
std::string FlowFilePath(const TLeagueConfig& c, const TFtnAddress& a);
std::string BusyFlagPath(const std::string& flowFile);
std::string LeagueConfigText(const TLeagueConfig& c);
const TLeagueMember* LeagueMember(const TLeagueConfig& c, const std::string& node);
std::string LeagueKeyOf(const TLeagueConfig& c, const std::string& node);

// How far the exchanges have come, per board this one trades with.
struct TLeaguePeer {
    std::string Node;
    uint32_t Applied = 0;     // host: the member's last journal entry applied; member: the host's word of it
    uint32_t NumberIn = 0;    // the last packet number taken from it
    uint32_t NumberOut = 0;   // the last packet number sent to it
    int64_t TimeIn = 0, TimeOut = 0;   // when (Unix seconds)
    // A member: how far the host had read its journals when it made the game
    // taken last.  A game made after a later journal is newer whatever its
    // number (the host restored with its folder counts from an older point).
    uint32_t Heard = 0;
};
// A member's entry the host refused, told to that member: its MAINT.LOG
// names every one, and a founding's caller is told on the next call.
struct TRefusedEntry {
    std::string Node;
    uint32_t Entry = 0;       // the member's journal entry
    uint16_t Day = 0;
    uint8_t Kind = 0;         // the change's kind (ChangeFound: Name is the house asked for)
    std::string Player, Name, Why;
};
// A fleet a member's change made, by the entry that made it: on the member
// its number in the copy, on the host its number in the game.
struct TMadeFleet {
    std::string Node;
    uint32_t Entry = 0;
    int Fleet = -1;
};
// The host's marks of a member's last entries applied (see JournalMark).
struct TEntryMark {
    std::string Node;
    uint32_t Entry = 0, Mark = 0;
};
enum { EntryMarksKept = 64 };   // per member
struct TLeagueState {
    std::vector<TLeaguePeer> Peers;
    std::vector<TMadeFleet> Made;
    std::vector<TEntryMark> Marks;
    uint32_t NextEntry = 1;   // member: the number of its next journal entry
    std::string HouseBoard[26];   // the node each house plays from, "" unknown
    std::string HouseName[26];    // the house it was noted for ("" any: an older file's note)
    uint16_t HouseDay[26] = {};   // and the day that house was founded
    std::vector<TRefusedEntry> Refused;   // host: recent refusals; member: those its callers have not seen
    uint32_t RefusedSeen = 0;     // member: the last refused entry the host has told of
    std::vector<std::pair<std::string, std::string>> Boards;   // node, board name: every board of the league
};
TLeagueState ReadLeagueState(const std::string& folder);
std::string LeagueStateText(const TLeagueState& s);
bool ParseLeagueState(const std::string& text, TLeagueState& s);
bool WriteLeagueState(const std::string& folder, const TLeagueState& s);
TLeaguePeer& LeaguePeer(TLeagueState& s, const std::string& node);
// Notes house h of the game in memory as playing from node.
void NoteHouseBoard(TLeagueState& s, int h, const std::string& node);
// Forgets the notes of houses the game in memory does not have (a game
// restored to an earlier day, or a new one): a slot noted for a house
// founded on a member is never handed to whoever founds in it next.
void FitHousesToGame(TLeagueState& s);

// The member's journal: every change its callers made, numbered.
struct TJournalEntry {
    uint32_t Number = 0;
    uint16_t Day = 0;
    TChange Change;
};
// Appends one entry (under the folder lock), numbered from LEAGUE.DAT; a
// fleet the member's own unapplied changes made is named by its entry, and
// madeFleet (a split's new fleet, or -1) is noted as made by this entry.
bool JournalAppend(const std::string& folder, int day, const TChange& c, int madeFleet = -1);
// A made fleet noted (replacing any other note of that fleet number), and
// the change's made-by names turned into fleet numbers: false when one is
// not known.
void NoteMadeFleet(TLeagueState& s, const std::string& node, uint32_t entry, int fleet);
bool ResolveMadeFleets(const TLeagueState& s, const std::string& node, TChange& c);
bool ReadJournal(const std::string& folder, std::vector<TJournalEntry>& out);
// Keeps only the entries after `applied`.
bool JournalTrim(const std::string& folder, uint32_t applied);
void EncodeJournal(const std::vector<TJournalEntry>& entries, std::string& out);
bool DecodeJournal(const std::string& in, std::vector<TJournalEntry>& out);
// A short mark of one entry, so that a member can tell the entry the host
// applied under a number from another entry given that number since (a
// member restored from a backup).
uint32_t JournalMark(const TJournalEntry& e);
// The caller's founding the host refused, taken out of LEAGUE.DAT (under the
// folder lock): the refusal's text, or "".
std::string TakeFoundingRefusal(const std::string& folder, const std::string& player);

// What callers and bulletins show of a league: its name ("" when the
// folder's game is no league's) and the name of the board each house plays
// from ("" for none known).
struct TLeagueLook {
    std::string Name;
    std::string HouseBoardName[26];
};
TLeagueLook LookAtLeague(const std::string& folder);

// A new game on a host: no house plays from any board yet, and no fleet is
// noted as made (the exchanges' numbers go on).
void ForgetLeagueHouses(const std::string& folder);
// Why a command that changes the game by itself may not run on this board
// (a league member's game is the host's), or "".
std::string LeagueMemberRefusal(const std::string& folder);

// Whether this board's door may change the game for a house: in a league,
// only for houses that play from this board.
bool LeagueHouseHere(const std::string& folder, int house);
