// The league's commands: setting a board up, its keys, the exchange of
// packets (a member's journal to the host, the host's game to each member)
// and what the nightly run does on each kind of board.
#include "maint/league.h"

#include <algorithm>
#include <cstring>

#include "core/access.h"
#include "core/chronicle.h"
#include "core/diplomacy.h"
#include "core/files.h"
#include "core/gamefile.h"
#include "core/history.h"
#include "core/league.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/packet.h"
#include "core/replace.h"
#include "core/settings.h"
#include "core/stores.h"
#include "core/text.h"
#include "maint/maintcmd.h"

inline constexpr const char* RefusedFolderName = "LEAGUE.BAD";   // packets refused, kept for the sysop
enum { MadeNotesKept = 10000 };   // the host's notes of fleets made, in a member's entries
enum { MailerBusyWaitSeconds = 60 };
enum { RefusalsToldDays = 14 };   // the host tells a member of a refused founding this long
inline constexpr const char* MailerPacketFolder = "thyre";   // in a mailer's outbound: packets waiting to go

static const char* const ChangeNames[ChangeKindCount] = {
    "",           "visit",         "ship order",     "building order", "cancelled order", "world focus",
    "research",   "fleet order",   "doctrine",       "fleet split",    "fleet join",      "fleet name",
    "treaty offer", "treaty accepted", "notice",     "treaties broken", "tribute",        "gift",
    "trade",      "letter",        "founding",
};

static void LeagueLog(const std::string& text) { MaintLog(GameFolder, "league: " + text); }

// A node as a file name's piece: 21:1/100 -> 21-1-100.
static std::string NodeFileText(const std::string& node)
{
    std::string out = node;
    for (char& c : out)
        if (c == ':' || c == '/' || c == '@' || c == '.') c = '-';
    return out;
}

static std::string PacketFileName(const TPacket& p)
{
    std::string number = IntToText(p.Number);
    while (number.size() < 8) number = "0" + number;
    return std::string("thyre_") + (p.Kind == PacketState ? "s_" : "j_") + NodeFileText(p.Sender) + "_" +
           NodeFileText(p.Receiver) + "_" + number + ".ytp";
}

static bool ReadPrivateKey(std::string& key)
{
    if (!ReadWholeFile(GameFolder + LeagueKeyName, key)) return false;
    key = TrimText(key);
    return key.size() == 128;
}

// -------------------------------------------------------------- sending

// What a member's copy holds of the game's letters: those to and from its
// own houses, and the bulletins.
static std::string MemberLetters(const std::string& all, const TLeagueState& s, const std::string& node)
{
    std::string out;
    auto here = [&](int h) { return h >= 1 && h <= MaxHouseSlots && s.HouseBoard[h] == node; };
    for (size_t at = 0; at + sizeof(TMessageRec) <= all.size(); at += sizeof(TMessageRec)) {
        TMessageRec m;
        std::memcpy(&m, all.data() + at, sizeof m);
        if (m.To == 0 || here(m.To) || here(m.From)) out.append(all, at, sizeof m);
    }
    return out;
}

// What a member's copy holds of the nights' events: the news for everybody
// and its own houses' reports.
static std::string MemberEvents(const std::string& all, const TLeagueState& s, const std::string& node)
{
    std::string out;
    for (size_t at = 0; at + sizeof(TEventRec) <= all.size(); at += sizeof(TEventRec)) {
        int h = (unsigned char)all[at + offsetof(TEventRec, House)];
        if (h == 0 || (h <= MaxHouseSlots && s.HouseBoard[h] == node)) out.append(all, at, sizeof(TEventRec));
    }
    return out;
}

// A mailer's flow file gets one line more: the packet, "^" for delete once
// sent.  The mailer's .bsy flag keeps it and us from the file at once: we
// make it (never taking one that exists), append, and let it go; a flag
// that stays a minute means a session with that node, and we try tomorrow.
static std::string QueueForMailer(const TLeagueConfig& c, const std::string& receiver, const std::string& packet)
{
    TFtnAddress a;
    if (!ParseFtnAddress(receiver, a)) return receiver + " is not an address";
    std::string flow = FlowFilePath(c, a), busy = BusyFlagPath(flow);
    std::string folder = flow.substr(0, flow.size() - FileNameOf(flow).size());
    if (!IsFolder(folder) && !MakeFolder(folder)) return "the outbound folder " + folder + " could not be made";
    TFileHandle flag = -1;
    for (int tries = 0; tries < MailerBusyWaitSeconds * 10 && flag < 0; tries++) {
        flag = FileCreateNew(busy);
        if (flag < 0) SleepMs(100);
    }
    if (flag < 0) return busy + " stayed for a minute (the mailer is busy with " + receiver + ")";
    FileClose(flag);
    // Appended, never rewritten: what another program queued stays.
    std::string line = "^" + packet + "\r\n";
    std::string old;
    if (ReadWholeFile(flow, old) && !old.empty() && old.back() != '\n') line = "\r\n" + line;
    bool queued = AppendText(flow, line);
    DeleteFile(busy);
    return queued ? "" : flow + " could not be written: " + LastErrorText();
}

static bool SendPacket(const TLeagueConfig& c, TPacket& p, const std::string& key)
{
    std::string bytes = MakePacket(p, key, c.PacketLimit);
    if (bytes.empty()) {
        LeagueLog("PROBLEM: the packet for " + p.Receiver + " could not be made (larger than PacketLimit, or no key)");
        return false;
    }
    // With a mailer the packets wait in a folder of their own beside its
    // flow files, until the mailer has sent and deleted them.
    std::string folder = c.Outbound;
    if (c.Transport == TransportMailer) {
        folder = c.Outbound + MailerPacketFolder;
        if (!IsFolder(folder) && !MakeFolder(folder)) {
            LeagueLog("PROBLEM: the folder " + folder + " could not be made: " + LastErrorText());
            return false;
        }
        folder = FolderWithDelim(FullPath(folder));
    }
    std::string path = folder + PacketFileName(p);
    // A packet of this name sent as this board but signed by another key
    // waits there: another board uses this board's address.  Its packet is
    // never replaced.
    std::string waiting;
    TPacket there;
    if (ReadWholeFile(path, waiting) && PeekPacket(waiting, there) && there.Sender == p.Sender &&
        key.size() == 128 && !OpenPacket(waiting, key.substr(64), c.PacketLimit, there).empty()) {
        LeagueLog("PROBLEM: " + FileNameOf(path) + " for " + p.Receiver + " was not sent: a packet of that name from " +
                  p.Sender + " waits already, not signed with this board's key (does another board use the address " +
                  p.Sender + "?)");
        return false;
    }
    if (!ReplaceFileSafely(path, bytes)) {
        LeagueLog("PROBLEM: " + path + " could not be written: " + LastErrorText());
        return false;
    }
    if (c.Transport == TransportMailer) {
        std::string why = QueueForMailer(c, p.Receiver, path);
        if (!why.empty()) {
            DeleteFile(path);
            LeagueLog("PROBLEM: " + FileNameOf(path) + " for " + p.Receiver + " was not queued: " + why);
            return false;
        }
    }
    LeagueLog("sent " + FileNameOf(path) + " to " + p.Receiver + " (" + IntToText((int64_t)bytes.size()) + " bytes)");
    return true;
}

static bool SendLocked(const TLeagueConfig& c, const std::string& key, std::string& summary);

bool LeagueSend(const TLeagueConfig& c, std::string& summary)
{
    std::string key;
    if (!ReadPrivateKey(key)) {
        summary = "no key: run ydmaint league keygen";
        return false;
    }
    // Under the folder lock: a caller's change writes the journal and
    // LEAGUE.DAT under it too, and the game, events and letters sent are of
    // one moment.  Held for the few milliseconds of making the packets.
    TAccess a = FolderOpen(GameFolder, 60, 1800, false);
    if (a != AccessOk) {
        summary = a == AccessFailed ? GameAccessFailure() : "the game stayed locked for a minute";
        return false;
    }
    bool ok = SendLocked(c, key, summary);
    GameRelease();
    return ok;
}

static bool SendLocked(const TLeagueConfig& c, const std::string& key, std::string& summary)
{
    TLeagueState s = ReadLeagueState(GameFolder);
    int sent = 0;
    bool ok = true;
    if (c.Host) {
        if (!LoadGame(GamePath())) {
            summary = "THYRE.DAT could not be read";
            return false;
        }
        std::string game, events, fame, letters, scores;
        ReadWholeFile(GamePath(), game);
        ReadWholeFile(GameFolder + ScoresFileName, scores);
        ReadWholeFile(GameFolder + EventsFileName, events);
        ReadWholeFile(GameFolder + FameFileName, fame);
        ReadWholeFile(GameFolder + MessagesFileName, letters);
        // What every member is told of the league: the houses of this game
        // and their boards; each its own applied point, the marks of its last
        // entries applied and its foundings refused.
        TLeagueState fit = s;
        FitHousesToGame(fit);
        std::erase_if(s.Refused, [](const TRefusedEntry& r) { return r.Day + RefusalsToldDays < Game.Header.Day; });
        TLeagueState told;
        for (int h = 1; h <= MaxHouseSlots; h++)
            if (HouseRec(h).Status != StatusFree)
                NoteHouseBoard(told, h, fit.HouseBoard[h].empty() ? c.Node : fit.HouseBoard[h]);
        told.Boards.push_back({c.Node, c.Board});
        for (const TLeagueMember& other : c.Members) told.Boards.push_back({other.Node, other.Board});
        for (const TLeagueMember& m : c.Members) {
            TLeaguePeer& peer = LeaguePeer(s, m.Node);
            told.Peers = {peer};
            told.Marks.clear();
            told.Refused.clear();
            for (const TEntryMark& mark : s.Marks)
                if (mark.Node == m.Node) told.Marks.push_back(mark);
            for (const TRefusedEntry& r : s.Refused)
                if (r.Node == m.Node) told.Refused.push_back(r);
            TPacket p;
            p.Kind = PacketState;
            p.League = c.Name;
            p.Sender = c.Node;
            p.Receiver = m.Node;
            p.Day = Game.Header.Day;
            p.Number = peer.NumberOut + 1;
            PutSection(p.Payload, GameFileName, game);
            PutSection(p.Payload, EventsFileName, MemberEvents(events, fit, m.Node));
            PutSection(p.Payload, MessagesFileName, MemberLetters(letters, fit, m.Node));
            PutSection(p.Payload, FameFileName, fame);
            if (!scores.empty()) PutSection(p.Payload, ScoresFileName, scores);
            PutSection(p.Payload, LeagueStateName, LeagueStateText(told));
            if (!SendPacket(c, p, key)) {
                ok = false;
                continue;
            }
            peer.NumberOut = p.Number;
            peer.TimeOut = UnixSeconds();
            sent++;
        }
    } else {
        std::vector<TJournalEntry> entries;
        if (!ReadJournal(GameFolder, entries)) {
            summary = "JOURNAL.DAT could not be read";
            return false;
        }
        TLeaguePeer& peer = LeaguePeer(s, c.HostNode);
        std::vector<TJournalEntry> waiting;
        for (const TJournalEntry& e : entries)
            if (e.Number > peer.Applied) waiting.push_back(e);
        // Everything the host has not applied goes with every exchange: a
        // lost packet costs nothing but a day.
        TPacket p;
        p.Kind = PacketJournal;
        p.League = c.Name;
        p.Sender = c.Node;
        p.Receiver = c.HostNode;
        p.Day = LoadGame(GamePath()) ? Game.Header.Day : 0;
        p.Number = peer.NumberOut + 1;
        EncodeJournal(waiting, p.Payload);
        if (SendPacket(c, p, key)) {
            peer.NumberOut = p.Number;
            peer.TimeOut = UnixSeconds();
            sent++;
        } else {
            ok = false;
        }
    }
    if (!WriteLeagueState(GameFolder, s)) {
        summary = "LEAGUE.DAT could not be written";
        return false;
    }
    summary = Counted(sent, "packet") + " sent";
    return ok;
}

// ------------------------------------------------------------ receiving

struct TWaiting {
    std::string Path;
    TPacket Header;
};

// A packet's file name: thyre_*.ytp, or a mailer's renamed second copy of
// one (thyre_*.ytp.1).
static bool PacketName(const std::string& name)
{
    std::string n = UpperText(name);
    if (!StartsWith(n, "THYRE_")) return false;
    size_t at = n.rfind(".YTP");
    if (at == std::string::npos) return false;
    for (size_t i = at + 4; i < n.size(); i++)
        if ((i == at + 4 && n[i] != '.') || (i > at + 4 && (n[i] < '0' || n[i] > '9'))) return false;
    return n.size() != at + 5;
}

// Whether a packet's file name (thyre_s_21-1-100_21-1-101_00000012.ytp) is
// for this board, or names no receiver.
static bool NamedFor(const std::string& name, const std::string& node)
{
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at = name.find('_'); at != std::string::npos; from = at + 1, at = name.find('_', from))
        parts.push_back(name.substr(from, at - from));
    parts.push_back(name.substr(from));
    if (parts.size() != 5 || parts[3].empty()) return true;
    return UpperText(parts[3]) == UpperText(NodeFileText(node));
}

// This league's packets for this board in the inbound, oldest number first;
// others names the packets that name another league (or a damaged name),
// which are left where they are.
static std::vector<TWaiting> Waiting(const TLeagueConfig& c, std::vector<std::string>* others = nullptr)
{
    std::vector<TWaiting> out;
    for (const std::string& inbound : c.Inbounds) {
        std::vector<std::string> names;
        if (!ListFolder(inbound, names)) continue;
        for (const std::string& n : names) {
            if (!PacketName(n)) continue;
            std::string bytes;
            TWaiting w;
            w.Path = inbound + n;
            if (!ReadWholeFile(w.Path, bytes) || !PeekPacket(bytes, w.Header)) w.Header = TPacket();
            if (!w.Header.League.empty() && w.Header.League != c.Name) {
                if (others) others->push_back(n + " (it names the league \"" + w.Header.League + "\")");
                continue;
            }
            // Another board's packets in a shared folder are left for it; one
            // whose header cannot be read is that board's to refuse when its
            // name says whom it is for.
            if (!w.Header.League.empty() && w.Header.Receiver != c.Node) continue;
            if (w.Header.League.empty() && !NamedFor(n, c.Node)) continue;
            out.push_back(w);
        }
    }
    std::sort(out.begin(), out.end(), [](const TWaiting& a, const TWaiting& b) {
        if (a.Header.Sender != b.Header.Sender) return a.Header.Sender < b.Header.Sender;
        if (a.Header.Number != b.Header.Number) return a.Header.Number < b.Header.Number;
        return a.Path < b.Path;
    });
    return out;
}

// A refused packet is kept aside, never deleted unseen.
static void Refuse(const std::string& path, const std::string& why)
{
    std::string aside = GameFolder + RefusedFolderName;
    if (!IsFolder(aside)) MakeFolder(aside);
    std::string to = FolderWithDelim(aside) + FileNameOf(path);
    bool kept = RenameFile(path, to) || (CopyWholeFile(path, to) && DeleteFile(path));
    LeagueLog("refused " + FileNameOf(path) + ": " + why + (kept ? "; kept in " + to : "; left in the inbound"));
}

static std::string ChangeName(const TChange& c)
{
    return c.Kind < ChangeKindCount ? ChangeNames[c.Kind] : "change";
}

static int HousesOf(const TLeagueState& s, const std::string& node)
{
    int n = 0;
    for (int h = 1; h <= MaxHouseSlots; h++) n += HouseRec(h).Status != StatusFree && s.HouseBoard[h] == node;
    return n;
}

// The host keeps the marks of each member's last entries it applied.
static void NoteMark(TLeagueState& s, const std::string& node, const TJournalEntry& e)
{
    s.Marks.push_back({node, e.Number, JournalMark(e)});
    size_t n = 0;
    for (const TEntryMark& m : s.Marks) n += m.Node == node;
    for (size_t i = 0; n > EntryMarksKept && i < s.Marks.size();)
        if (s.Marks[i].Node == node) {
            s.Marks.erase(s.Marks.begin() + (long)i);
            n--;
        } else {
            i++;
        }
}

// Why a founding was refused, as its caller is told ("Your house X could not
// be founded: ...").
static std::string FoundingRefusalText(const std::string& refusal)
{
    if (refusal.find("taken") != std::string::npos) return "the name was taken on another board";
    if (refusal == "The Thyre is full.") return "the Thyre is full";
    return refusal;
}

// A refused change as its house's letter names it.
static std::string ChangeDescription(const TChange& c)
{
    int other = c.Args[0] >= 1 && c.Args[0] <= MaxHouseSlots ? (int)c.Args[0] : 0;
    std::string name = other && HouseRec(other).Status != StatusFree ? StrGet(HouseRec(other).Name) : "";
    if (c.Kind == ChangeAcceptTreaty && !name.empty()) return "acceptance of " + name + "'s offer";
    if (c.Kind == ChangeOfferTreaty && !name.empty()) return "treaty offer to " + name;
    return ChangeName(c);
}

// What the door checks before it offers a change, and the rules alone do
// not: a fleet is sent only to a system its house has charted.
static std::string DoorCheck(const TChange& c)
{
    if (c.Kind != ChangeOrderFleet) return "";
    int order = (int)c.Args[1], target = -1;
    if (order == OrderMove || order == OrderPatrol || order == OrderBlockade) target = (int)c.Args[2];
    if ((order == OrderInvade || order == OrderSettle) && c.Args[3] >= 0 && c.Args[3] < Game.Header.WorldCount)
        target = Game.Worlds[c.Args[3]].System;
    if (target >= 0 && IsSystem(target) && !Known(c.House, target)) return "That system is not on your charts.";
    return "";
}

// The host: a member's journal entries it has not applied yet, each through
// the door's own checks, only for that member's houses.
static void ApplyJournal(const TLeagueConfig& c, TLeagueState& s, const TPacket& p, int& applied, int& refused)
{
    std::vector<TJournalEntry> entries;
    DecodeJournal(p.Payload, entries);
    TLeaguePeer& peer = LeaguePeer(s, p.Sender);
    const TLeagueMember* member = LeagueMember(c, p.Sender);
    int day = Game.Header.Day;
    // Notes of houses this game does not have (a restored game) are kept
    // for the game they belong to, and not used.
    TLeagueState fit = s;
    FitHousesToGame(fit);
    // Fleets made long ago are named by their numbers in the member's
    // entries now: the notes of them are let go.
    std::erase_if(s.Made, [&](const TMadeFleet& m) {
        return m.Node == p.Sender && (int64_t)m.Entry + MadeNotesKept < (int64_t)peer.Applied;
    });
    for (const TJournalEntry& e : entries) {
        if (e.Number <= peer.Applied) continue;   // applied from an earlier packet
        peer.Applied = e.Number;
        NoteMark(s, p.Sender, e);
        const TChange& ch = e.Change;
        std::string refusal;
        int64_t made = 0;
        if (ch.Kind == ChangeFound) {
            const TGameHeader& hd = Game.Header;
            if (HousesOf(fit, p.Sender) >= member->Houses)
                refusal = "the board has founded all the houses the league allows it";
            else if (hd.JoinDays != 0 && hd.JoinDays < hd.Day)
                refusal = "the game is closed to new houses";
        } else if (!IsHouse(ch.House) || fit.HouseBoard[ch.House] != p.Sender) {
            LeagueLog("refused " + p.Sender + "'s entry " + IntToText(e.Number) + " (" + ChangeName(ch) +
                      "): house " + IntToText(ch.House) + " does not play from that board");
            refused++;
            continue;
        }
        TChange resolved = ch;
        // A member's notice (a treaty signed, notice given) arrives as a
        // letter of its house: no board writes in the game's own name.
        if (resolved.Kind == ChangeLetter) resolved.Args[1] = 0;
        if (refusal.empty() && !ResolveMadeFleets(s, p.Sender, resolved)) refusal = "That fleet is gone.";
        if (refusal.empty()) refusal = DoorCheck(resolved);
        if (refusal.empty()) refusal = ApplyChange(resolved, GameFolder, day, &made);
        if (refusal.empty()) {
            applied++;
            if (ch.Kind == ChangeFound) {
                NoteHouseBoard(s, (int)made, p.Sender);
                NoteHouseBoard(fit, (int)made, p.Sender);
            }
            if (ch.Kind == ChangeSplitFleet) NoteMadeFleet(s, p.Sender, e.Number, (int)made);
            // A treaty signed here is told here: the member's caller was
            // told it waits for the host.
            if (ch.Kind == ChangeAcceptTreaty)
                SendMessage(GameFolder, 0, (int)ch.Args[0], day,
                            {StrGet(HouseRec(ch.House).Name) + " has accepted your " + TreatyWords((int)made) + " treaty."});
            continue;
        }
        refused++;
        LeagueLog("refused " + p.Sender + "'s entry " + IntToText(e.Number) + " (" + ChangeName(ch) + "): " + refusal);
        // Told to the member with its games, and by it to a founding's caller.
        TRefusedEntry r;
        r.Node = p.Sender;
        r.Entry = e.Number;
        r.Day = (uint16_t)day;
        r.Kind = ch.Kind;
        r.Player = ch.Player;
        r.Name = ch.Kind == ChangeFound ? ch.Text : ChangeDescription(ch) + " of day " + IntToText(e.Day);
        r.Why = ch.Kind == ChangeFound ? FoundingRefusalText(refusal) : refusal;
        s.Refused.push_back(r);
        if (ch.Kind != ChangeFound && IsHouse(ch.House)) {
            std::string what = "Your " + ChangeDescription(ch) + " of day " + IntToText(e.Day);
            std::vector<std::string> lines = {what + " could not be carried out:", refusal};
            if (lines[0].size() > MessageLineMax) lines = {what, "could not be carried out:", refusal};
            SendMessage(GameFolder, 0, ch.House, day, lines);
        }
    }
}

// The member's letters keep the read marks its callers made: a letter of
// the host's copy is the one read here when sender, reader, day and text agree.
static std::string KeepReadMarks(const std::string& letters)
{
    std::string old, out = letters;
    if (!ReadWholeFile(GameFolder + MessagesFileName, old)) return out;
    auto key = [](const std::string& bytes, size_t at) {
        TMessageRec m;
        std::memcpy(&m, bytes.data() + at, sizeof m);
        m.Read = 0;
        return std::string((const char*)&m, sizeof m);
    };
    std::vector<std::string> read;
    for (size_t at = 0; at + sizeof(TMessageRec) <= old.size(); at += sizeof(TMessageRec))
        if (old[at + offsetof(TMessageRec, Read)] != 0) read.push_back(key(old, at));
    std::sort(read.begin(), read.end());
    for (size_t at = 0; at + sizeof(TMessageRec) <= out.size(); at += sizeof(TMessageRec))
        if (std::binary_search(read.begin(), read.end(), key(out, at))) out[at + offsetof(TMessageRec, Read)] = 1;
    return out;
}

// A member's journal against the host's word of it: entries the host
// applied are dropped; entries given numbers the host has passed (a copy
// restored from a backup) are numbered again after them, so that none is
// skipped; a fleet made by a renumbered entry is named by its new number.
static bool MatchJournal(TLeagueState& s, const TLeagueState& told, uint32_t applied)
{
    std::vector<TJournalEntry> entries, kept;
    if (!ReadJournal(GameFolder, entries)) return false;
    uint32_t lowest = applied + 1;
    for (const TEntryMark& m : told.Marks) lowest = std::min(lowest, m.Entry);
    bool renumber = s.NextEntry <= applied;
    for (const TJournalEntry& e : entries) {
        if (e.Number > applied) {
            kept.push_back(e);
            continue;
        }
        auto mark = std::find_if(told.Marks.begin(), told.Marks.end(), [&](const TEntryMark& m) { return m.Entry == e.Number; });
        if (mark == told.Marks.end() ? e.Number < lowest : mark->Mark == JournalMark(e)) continue;   // applied
        renumber = true;
        kept.push_back(e);
    }
    if (!renumber) {
        s.NextEntry = std::max(s.NextEntry, applied + 1);
        return JournalTrim(GameFolder, applied);
    }
    // Numbered again, in their order, after the host's last.
    std::vector<std::pair<uint32_t, uint32_t>> renamed;
    uint32_t next = applied + 1;
    for (TJournalEntry& e : kept) {
        renamed.push_back({e.Number, next});
        e.Number = next++;
        int which[2];
        FleetArgs(e.Change, which);
        for (int i : which)
            if (i >= 0 && IsFleetMadeBy(e.Change.Args[i]))
                for (const auto& [from, to] : renamed)
                    if (FleetMadeByEntry(e.Change.Args[i]) == from) e.Change.Args[i] = FleetMadeBy(to);
    }
    s.NextEntry = next;
    std::string data;
    EncodeJournal(kept, data);
    LeagueLog("the journal's numbers had fallen behind the host's (" + IntToText(applied) + "): " +
              Counted((int64_t)kept.size(), "entry") + " numbered again from " + IntToText(applied + 1));
    return ReplaceFileSafely(GameFolder + JournalName, data);
}

// The game in memory's galaxy: its name and its systems' names and places.
static std::string GalaxyText()
{
    std::string out = StrGet(Game.Header.GameName);
    for (int i = 0; i < Game.Header.SystemCount && i < MaxSystems; i++)
        out += "|" + StrGet(Game.Systems[i].Name) + IntToText(Game.Systems[i].X) + "," + IntToText(Game.Systems[i].Y);
    return out;
}

// A member: the host's game replaces the copy, and the callers' changes the
// host has not yet applied are made again on it.
static std::string TakeState(TLeagueState& s, const std::string& node, const TPacket& p, int& reapplied)
{
    std::string game, events, letters, fame, scores, league;
    size_t pos = 0;
    std::string name, data;
    bool haveGame = false, haveLeague = false;
    while (pos < p.Payload.size()) {
        if (!GetSection(p.Payload, pos, name, data)) return "its sections are damaged";
        if (name == GameFileName) game = data, haveGame = true;
        else if (name == EventsFileName) events = data;
        else if (name == MessagesFileName) letters = data;
        else if (name == FameFileName) fame = data;
        else if (name == ScoresFileName) scores = data;
        else if (name == LeagueStateName) league = data, haveLeague = true;
    }
    TLeagueState told;
    if (!haveGame || !haveLeague || !ParseLeagueState(league, told)) return "it lacks the game or the league's state";
    // Another galaxy is a new game: the changes made for the old one are
    // dropped, but a house asked for is still asked for.  (A game whose day
    // went back in the same galaxy is the host's restored game: the
    // changes go to the host, which checks them again.)
    bool newGame = LoadGame(GamePath()) && p.Day < Game.Header.Day;
    std::string galaxy = newGame ? GalaxyText() : "";
    // The game is checked before it replaces anything.
    if (!LoadGameBytes(game)) return "the game it carries cannot be read";
    newGame = newGame && GalaxyText() != galaxy;
    letters = KeepReadMarks(letters);
    if (!ReplaceFileSafely(GamePath(), game) || !ReplaceFileSafely(GameFolder + EventsFileName, events) ||
        !ReplaceFileSafely(GameFolder + MessagesFileName, letters) ||
        (!fame.empty() && !ReplaceFileSafely(GameFolder + FameFileName, fame)) ||
        (!scores.empty() && !ReplaceFileSafely(GameFolder + ScoresFileName, scores)))
        return "the game's files could not be written: " + LastErrorText();
    TLeaguePeer told0 = told.Peers.empty() ? TLeaguePeer() : told.Peers[0];
    TLeaguePeer& peer = LeaguePeer(s, p.Sender);
    // The host's word is the truth of how far it has come: a copy restored
    // from a backup, or a count damaged far ahead, follows it.
    peer.Applied = told0.Applied;
    peer.NumberOut = std::max(peer.NumberOut, told0.NumberIn);
    for (int h = 1; h <= MaxHouseSlots; h++) {
        s.HouseBoard[h] = told.HouseBoard[h];
        s.HouseName[h] = told.HouseName[h];
        s.HouseDay[h] = told.HouseDay[h];
    }
    s.Boards = told.Boards;
    // What the host refused is named here; a founding reaches its caller.
    for (const TRefusedEntry& r : told.Refused) {
        if (r.Node != node || r.Entry <= s.RefusedSeen) continue;
        s.RefusedSeen = r.Entry;
        if (r.Kind == ChangeFound) {
            s.Refused.push_back(r);
            LeagueLog("the host refused " + r.Player + "'s house " + r.Name + ": " + r.Why);
        } else {
            LeagueLog("the host refused entry " + IntToText(r.Entry) + ", " + r.Player + "'s " + r.Name + ": " + r.Why);
        }
    }
    // The copy's fleet numbers are the host's again; the fleets its own
    // unapplied changes make are noted anew as they are made again.
    std::erase_if(s.Made, [&](const TMadeFleet& m) { return m.Node == node; });
    if (!MatchJournal(s, told, peer.Applied)) return "JOURNAL.DAT could not be read or written";
    std::vector<TJournalEntry> entries;
    ReadJournal(GameFolder, entries);
    if (newGame) {
        size_t before = entries.size();
        std::erase_if(entries, [](const TJournalEntry& e) { return e.Change.Kind != ChangeFound; });
        std::string kept;
        EncodeJournal(entries, kept);
        if (!ReplaceFileSafely(GameFolder + JournalName, kept)) return "JOURNAL.DAT could not be written";
        LeagueLog("a new game from the host: " + Counted((int64_t)(before - entries.size()), "change") +
                  " made for the old one dropped");
    }
    for (const TJournalEntry& e : entries) {
        if (e.Change.Kind == ChangeFound) continue;
        TChange resolved = e.Change;
        int64_t made = -1;
        if (!ResolveMadeFleets(s, node, resolved) || !ApplyChange(resolved, GameFolder, Game.Header.Day, &made).empty())
            continue;
        reapplied++;
        if (e.Change.Kind == ChangeSplitFleet) NoteMadeFleet(s, node, e.Number, (int)made);
    }
    if (reapplied > 0 && !GameSave()) return "the game could not be saved";
    return "";
}

// A member: how far the host had read this board's journals when it made
// the game (0 when the packet does not say).
static uint32_t HostHeard(const TPacket& p)
{
    size_t pos = 0;
    std::string name, data;
    TLeagueState told;
    while (pos < p.Payload.size() && GetSection(p.Payload, pos, name, data))
        if (name == LeagueStateName && ParseLeagueState(data, told) && !told.Peers.empty()) return told.Peers[0].NumberIn;
    return 0;
}

bool LeagueReceive(const TLeagueConfig& c, std::string& summary)
{
    std::vector<std::string> others;
    std::vector<TWaiting> waiting = Waiting(c, &others);
    for (const std::string& o : others) LeagueLog("not taken, left in the inbound: " + o);
    std::string left = others.empty() ? "" : ", " + Counted((int64_t)others.size(), "packet") + " of another league left in the inbound";
    if (waiting.empty()) {
        summary = "nothing waiting" + left;
        return true;
    }
    if (!MaintenanceBegin(GameFolder, 60, 1800)) {
        summary = GameAccessFailure().empty() ? "the game stayed locked for a minute" : GameAccessFailure();
        return false;
    }
    TLeagueState s = ReadLeagueState(GameFolder);
    bool loaded = LoadGame(GamePath());
    int copyDay = loaded ? Game.Header.Day : 0;
    loaded = loaded && c.Host;
    int taken = 0, applied = 0, refused = 0, refusedChanges = 0, reapplied = 0;
    bool ok = true;
    for (const TWaiting& w : waiting) {
        std::string bytes, why;
        TPacket p;
        uint32_t heard = 0;
        std::string recounted;
        bool stale = false;   // a member: a copy of a game passed already, no problem
        if (!ReadWholeFile(w.Path, bytes)) {
            LeagueLog("PROBLEM: " + w.Path + " could not be read; left in the inbound");
            continue;
        }
        why = OpenPacket(bytes, LeagueKeyOf(c, w.Header.Sender), c.PacketLimit, p);
        TLeaguePeer* peer = nullptr;
        if (why.empty()) {
            if (c.Host && (!LeagueMember(c, p.Sender) || p.Kind != PacketJournal))
                why = "not a journal from a member of this league";
            else if (!c.Host && (p.Sender != c.HostNode || p.Kind != PacketState))
                why = "not the host's game";
            // A member takes a game of a later day than its copy's whatever
            // its number: a count damaged far ahead cannot shut the host out.
            // A game the host made after reading a journal sent since the
            // game taken last is newer whatever its number (the host was put
            // back whole from a backup and counts from an older number); one
            // made before that is a late copy of a game it replaced.
            else if (c.Host) {
                if (p.Number <= (peer = &LeaguePeer(s, p.Sender))->NumberIn)
                    why = "number " + IntToText(p.Number) + " was passed already (" + IntToText(peer->NumberIn) + ")";
            } else {
                peer = &LeaguePeer(s, p.Sender);
                heard = HostHeard(p);
                bool known = peer->Heard > 0 && peer->Heard <= peer->NumberOut;
                bool newer = known && heard > peer->Heard, older = known && heard < peer->Heard;
                if (older)
                    why = "it was made before the game taken last (after journal #" + IntToText(heard) + ", that one after #" +
                          IntToText(peer->Heard) + ")";
                else if (p.Number <= peer->NumberIn && p.Day <= copyDay && !newer)
                    why = "number " + IntToText(p.Number) + " was passed already (" + IntToText(peer->NumberIn) + ")";
                else if (p.Number <= peer->NumberIn)
                    recounted = "the host's game #" + IntToText(p.Number) + " was made after it read journal #" +
                                IntToText(heard) + ", later than the game taken last (#" + IntToText(peer->NumberIn) +
                                ", after journal #" + IntToText(peer->Heard) +
                                "): the host counts again from an older number (restored with its folder)";
                stale = older || !why.empty();
            }
        }
        if (!why.empty()) {
            Refuse(w.Path, why);
            refused++;
            // A member that refuses the host's game plays a stale day: a
            // problem for its sysop (a second copy of one taken is not).
            if (!c.Host && !stale) ok = false;
            continue;
        }
        if (c.Host) {
            if (!loaded) {
                LeagueLog("PROBLEM: THYRE.DAT could not be read; " + FileNameOf(w.Path) + " waits");
                ok = false;
                break;
            }
            ApplyJournal(c, s, p, applied, refusedChanges);
        } else {
            why = TakeState(s, c.Node, p, reapplied);
            if (!why.empty()) {
                Refuse(w.Path, why);
                refused++;
                ok = false;
                continue;
            }
            copyDay = p.Day;
            LeaguePeer(s, p.Sender).Heard = heard ? heard : HostHeard(p);
            if (!recounted.empty()) LeagueLog(recounted);
        }
        peer = &LeaguePeer(s, p.Sender);
        peer->NumberIn = p.Number;
        peer->TimeIn = UnixSeconds();
        taken++;
        DeleteFile(w.Path);
        LeagueLog("took " + FileNameOf(w.Path) + " from " + p.Sender);
    }
    if (c.Host && loaded && applied > 0 && !GameSave()) {
        summary = "THYRE.DAT could not be saved";
        GameRelease();
        return false;
    }
    if (!WriteLeagueState(GameFolder, s)) ok = false;
    GameRelease();
    summary = Counted(taken, "packet") + " taken" +
              (c.Host ? ", " + Counted(applied, "change") + " applied" : ", " + Counted(reapplied, "change") + " made again") +
              (refusedChanges ? ", " + Counted(refusedChanges, "change") + " refused" : "") +
              (refused ? ", " + Counted(refused, "packet") + " refused" : "") + left;
    return ok;
}

// ------------------------------------------------------------- commands

static std::string OptionText(const std::string& name)
{
    for (size_t i = 0; i + 1 < CommandArgs.size(); i++)
        if (CommandArgs[i] == name) return CommandArgs[i + 1];
    return "";
}

static void KeyGen(bool quiet)
{
    std::string path = GameFolder + LeagueKeyName;
    if (PathExists(path) && !HasOption("-force")) Fatal("LEAGUE.KEY exists already; -force makes a new one");
    TKeyPair keys;
    if (!MakeKeyPair(keys)) Fatal("no key could be made");
    if (!ReplaceFileSafely(path, keys.Private + "\r\n") || !RestrictToOwner(path))
        Fatal("LEAGUE.KEY could not be written: " + LastErrorText());
    TLeagueConfig c = ReadLeagueConfig(GameFolder);
    if (c.Present) {
        std::string node = c.Node;
        c.Keys.erase(std::remove_if(c.Keys.begin(), c.Keys.end(), [&](const auto& k) { return k.first == node; }),
                     c.Keys.end());
        c.Keys.push_back({node, keys.Public});
        if (!ReplaceFileSafely(GameFolder + LeagueConfigName, LeagueConfigText(c)))
            Fatal("LEAGUE.CFG could not be written: " + LastErrorText());
    }
    LeagueLog("a new key pair; the public key is " + keys.Public);
    if (!quiet) {
        Say("A new key pair is in LEAGUE.KEY (readable by its owner only).");
        Say("Give the other boards of the league this line for their LEAGUE.CFG:");
    }
    Say("Key = " + (c.Present ? c.Node : std::string("<this board's node>")) + " " + keys.Public);
}

static void Init()
{
    if (PathExists(GameFolder + LeagueConfigName) && !HasOption("-force"))
        Fatal("LEAGUE.CFG exists already; -force writes a new one");
    TLeagueConfig c;
    c.Name = OptionText("-league");
    c.Host = UpperText(OptionText("-role")) == "HOST";
    c.Node = OptionText("-node");
    c.Board = OptionText("-board");
    c.HostNode = c.Host ? c.Node : OptionText("-host");
    // Folders as whole paths: the nightly run starts in whatever folder.
    for (size_t i = 0; i + 1 < CommandArgs.size(); i++)
        if (CommandArgs[i] == "-inbound") c.Inbounds.push_back(FolderWithDelim(FullPath(CommandArgs[i + 1])));
    if (UpperText(OptionText("-transport")) == "MAILER") {
        c.Transport = TransportMailer;
        c.OutboundZone = ParseInt(OptionText("-zone"), 0);
    }
    c.Outbound = OptionText("-outbound").empty() ? "" : FolderWithDelim(FullPath(OptionText("-outbound")));
    if (c.Board.empty()) c.Board = c.Node;
    std::string role = UpperText(OptionText("-role"));
    if (role != "HOST" && role != "MEMBER") Fatal("league init needs -role host or -role member");
    // A new file over an old one keeps what the sysop wrote there that the
    // new options do not replace: the members (on a host), the other boards'
    // keys, this board's own key (under its new address), the packet limit.
    TLeagueConfig old = ReadLeagueConfig(GameFolder);
    std::vector<std::string> kept;
    if (old.Present) {
        c.PacketLimit = old.PacketLimit;
        if (c.Host) c.Members = old.Members;
        else if (!old.Members.empty())
            Say("Dropped from the old LEAGUE.CFG: " + Counted((int64_t)old.Members.size(), "Member line") +
                " (a member lists no members).");
        for (const auto& [node, key] : old.Keys)
            if (node != old.Node && node != c.Node) c.Keys.push_back({node, key});
        if (c.Host && !c.Members.empty()) kept.push_back(Counted((int64_t)c.Members.size(), "Member line"));
        if (!c.Keys.empty()) kept.push_back(Counted((int64_t)c.Keys.size(), "other board's Key line"));
    }
    std::string ownKey;
    if (ReadPrivateKey(ownKey)) c.Keys.push_back({c.Node, ownKey.substr(64)});
    if (!ReplaceFileSafely(GameFolder + LeagueConfigName, LeagueConfigText(c)))
        Fatal("LEAGUE.CFG could not be written: " + LastErrorText());
    TLeagueConfig read = ReadLeagueConfig(GameFolder);
    if (!read.Problem.empty()) Fatal("LEAGUE.CFG: " + read.Problem);
    LeagueLog("LEAGUE.CFG written: " + std::string(c.Host ? "host" : "member") + " " + c.Node + " of " + c.Name);
    Say("LEAGUE.CFG written: this board is " + std::string(c.Host ? "the host" : "a member") + " of \"" + c.Name + "\".");
    if (!kept.empty()) {
        std::string list;
        for (size_t i = 0; i < kept.size(); i++) list += (i ? " and " : "") + kept[i];
        Say("Kept from the old LEAGUE.CFG: " + list + ".");
    }
    if (!PathExists(GameFolder + LeagueKeyName)) KeyGen(false);
}

// Seconds since 1970 as a UTC date and time ("2026-12-08 21:39 UTC").
static std::string When(int64_t t)
{
    if (t <= 0) return "never";
    return DateTimeText(UtcAt(t)) + " UTC";
}

static void Status(const TLeagueConfig& c)
{
    TLeagueState s = ReadLeagueState(GameFolder);
    bool game = LoadGame(GamePath());
    if (game) FitHousesToGame(s);
    Say("League \"" + c.Name + "\": this board (" + c.Board + ", " + c.Node + ") is " +
        (c.Host ? "the host" : "a member; the host is " + c.HostNode) + ".");
    std::vector<std::string> nodes;
    if (c.Host)
        for (const TLeagueMember& m : c.Members) nodes.push_back(m.Node);
    else
        nodes.push_back(c.HostNode);
    for (const std::string& node : nodes) {
        TLeaguePeer& p = LeaguePeer(s, node);
        const TLeagueMember* m = LeagueMember(c, node);
        std::string houses;
        for (int h = 1; game && h <= MaxHouseSlots; h++)
            if (HouseRec(h).Status != StatusFree && s.HouseBoard[h] == node)
                houses += (houses.empty() ? "" : ", ") + StrGet(HouseRec(h).Name);
        Say("  " + node + (m ? " (" + m->Board + ", up to " + Counted(m->Houses, "house") + ")" : std::string(" (host)")) +
            ": last in #" + IntToText(p.NumberIn) + " at " + When(p.TimeIn) + ", last out #" + IntToText(p.NumberOut) +
            " at " + When(p.TimeOut) + ", journal applied to entry " + IntToText(p.Applied));
        if (c.Host) Say("    houses: " + (houses.empty() ? std::string("none") : houses));
        // A day and a half of games sent and nothing back: a board down, or
        // packets lost on the way.
        if (p.NumberOut > 0 && p.TimeOut - p.TimeIn > 36 * 3600)
            Say("    nothing has come from it since " + When(p.TimeIn) + ": it may have missed a game");
    }
    std::vector<TJournalEntry> entries;
    if (!c.Host && ReadJournal(GameFolder, entries))
        Say("  " + IntToText((int64_t)entries.size()) + " journal entr" + (entries.size() == 1 ? "y" : "ies") +
            " wait for the host.");
    std::string inbounds;
    for (const std::string& in : c.Inbounds) inbounds += (inbounds.empty() ? "" : " and ") + in;
    std::vector<std::string> others;
    size_t waiting = Waiting(c, &others).size();
    Say("  " + Counted((int64_t)waiting, "packet") + (waiting == 1 ? " waits" : " wait") + " in " + inbounds + ".");
    for (const std::string& o : others) Say("  Not taken, left in the inbound: " + o + ".");
    std::vector<std::string> bad;
    if (ListFolder(GameFolder + RefusedFolderName, bad) && !bad.empty())
        Say("  " + Counted((int64_t)bad.size(), "refused packet") + " kept in " + GameFolder + RefusedFolderName +
            " (MAINT.LOG says why).");
    for (const std::string& why : c.Ignored) Say("  LEAGUE.CFG: " + why + ".");
}

int CmdLeague()
{
    std::string word = CommandArgs.empty() ? "" : CommandArgs[0];
    if (word == "init") {
        Init();
        return 0;
    }
    if (word == "keygen") {
        KeyGen(false);
        return 0;
    }
    TLeagueConfig c = ReadLeagueConfig(GameFolder);
    if (!c.Present) Fatal("this board is in no league: there is no LEAGUE.CFG (ydmaint league init makes one)");
    if (!c.Problem.empty()) Fatal("LEAGUE.CFG: " + c.Problem);
    if (word == "status") {
        Status(c);
        return 0;
    }
    std::string summary;
    bool ok;
    if (word == "send")
        ok = LeagueSend(c, summary);
    else if (word == "receive")
        ok = LeagueReceive(c, summary);
    else
        Fatal("league takes init, keygen, status, send or receive");
    LeagueLog(ok ? word + ": " + summary : "PROBLEM: " + word + ": " + summary);
    Say(ok ? "league " + word + ": " + summary + "." : "ydmaint: PROBLEM: league " + word + ": " + summary + ".");
    return ok ? 0 : 1;
}
