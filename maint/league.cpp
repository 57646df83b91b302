// The league's commands: setting a board up, its keys, the exchange of
// packets (a member's journal to the host, the host's game to each member)
// and what the nightly run does on each kind of board.
#include "maint/league.h"

#include <algorithm>
#include <cstring>

#include "core/access.h"
#include "core/chronicle.h"
#include "core/files.h"
#include "core/gamefile.h"
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
        std::string game, events, fame, letters;
        ReadWholeFile(GamePath(), game);
        ReadWholeFile(GameFolder + EventsFileName, events);
        ReadWholeFile(GameFolder + FameFileName, fame);
        ReadWholeFile(GameFolder + MessagesFileName, letters);
        // What every member is told of the league; each its own applied point.
        TLeagueState told;
        for (int h = 1; h <= MaxHouseSlots; h++) told.HouseBoard[h] = s.HouseBoard[h].empty() ? c.Node : s.HouseBoard[h];
        told.Boards.push_back({c.Node, c.Board});
        for (const TLeagueMember& other : c.Members) told.Boards.push_back({other.Node, other.Board});
        for (const TLeagueMember& m : c.Members) {
            TLeaguePeer& peer = LeaguePeer(s, m.Node);
            told.Peers = {peer};
            TPacket p;
            p.Kind = PacketState;
            p.League = c.Name;
            p.Sender = c.Node;
            p.Receiver = m.Node;
            p.Day = Game.Header.Day;
            p.Number = peer.NumberOut + 1;
            PutSection(p.Payload, GameFileName, game);
            PutSection(p.Payload, EventsFileName, events);
            PutSection(p.Payload, MessagesFileName, MemberLetters(letters, s, m.Node));
            PutSection(p.Payload, FameFileName, fame);
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

// This league's packets for this board in the inbound, oldest number first.
static std::vector<TWaiting> Waiting(const TLeagueConfig& c)
{
    std::vector<TWaiting> out;
    for (const std::string& inbound : c.Inbounds) {
    std::vector<std::string> names;
    if (!ListFolder(inbound, names)) continue;
    for (const std::string& n : names) {
        if (!EndsWith(UpperText(n), ".YTP") || !StartsWith(UpperText(n), "THYRE_")) continue;
        std::string bytes;
        TWaiting w;
        w.Path = inbound + n;
        if (!ReadWholeFile(w.Path, bytes) || !PeekPacket(bytes, w.Header)) w.Header = TPacket();
        // Another league's or another board's packets are left where they are.
        if (!w.Header.League.empty() && (w.Header.League != c.Name || w.Header.Receiver != c.Node)) continue;
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

// The host: a member's journal entries it has not applied yet, each through
// the door's own checks, only for that member's houses.
static void ApplyJournal(const TLeagueConfig& c, TLeagueState& s, const TPacket& p, int& applied, int& refused)
{
    std::vector<TJournalEntry> entries;
    DecodeJournal(p.Payload, entries);
    TLeaguePeer& peer = LeaguePeer(s, p.Sender);
    const TLeagueMember* member = LeagueMember(c, p.Sender);
    int day = Game.Header.Day;
    // Fleets made long ago are named by their numbers in the member's
    // entries now: the notes of them are let go.
    std::erase_if(s.Made, [&](const TMadeFleet& m) {
        return m.Node == p.Sender && (int64_t)m.Entry + MadeNotesKept < (int64_t)peer.Applied;
    });
    for (const TJournalEntry& e : entries) {
        if (e.Number <= peer.Applied) continue;   // applied from an earlier packet
        peer.Applied = e.Number;
        const TChange& ch = e.Change;
        std::string refusal;
        int64_t made = 0;
        if (ch.Kind == ChangeFound) {
            if (HousesOf(s, p.Sender) >= member->Houses)
                refusal = "the board has founded all the houses the league allows it";
        } else if (!IsHouse(ch.House) || s.HouseBoard[ch.House] != p.Sender) {
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
        if (refusal.empty()) refusal = ApplyChange(resolved, GameFolder, day, &made);
        if (refusal.empty()) {
            applied++;
            if (ch.Kind == ChangeFound) s.HouseBoard[made] = p.Sender;
            if (ch.Kind == ChangeSplitFleet) NoteMadeFleet(s, p.Sender, e.Number, (int)made);
            continue;
        }
        refused++;
        LeagueLog("refused " + p.Sender + "'s entry " + IntToText(e.Number) + " (" + ChangeName(ch) + "): " + refusal);
        if (ch.Kind != ChangeFound && IsHouse(ch.House))
            SendMessage(GameFolder, 0, ch.House, day,
                        {"Your " + ChangeName(ch) + " of day " + IntToText(e.Day) + " could not be carried out:", refusal});
    }
}

// A member: the host's game replaces the copy, and the callers' changes the
// host has not yet applied are made again on it.
static std::string TakeState(TLeagueState& s, const std::string& node, const TPacket& p, int& reapplied)
{
    std::string game, events, letters, fame, league;
    size_t pos = 0;
    std::string name, data;
    bool haveGame = false, haveLeague = false;
    while (pos < p.Payload.size()) {
        if (!GetSection(p.Payload, pos, name, data)) return "its sections are damaged";
        if (name == GameFileName) game = data, haveGame = true;
        else if (name == EventsFileName) events = data;
        else if (name == MessagesFileName) letters = data;
        else if (name == FameFileName) fame = data;
        else if (name == LeagueStateName) league = data, haveLeague = true;
    }
    TLeagueState told;
    if (!haveGame || !haveLeague || !ParseLeagueState(league, told)) return "it lacks the game or the league's state";
    // A game whose day went back is a new game: the changes made for the
    // old one are dropped, but a house asked for is still asked for.
    bool newGame = LoadGame(GamePath()) && p.Day < Game.Header.Day;
    // The game is checked before it replaces anything.
    if (!LoadGameBytes(game)) return "the game it carries cannot be read";
    if (!ReplaceFileSafely(GamePath(), game) || !ReplaceFileSafely(GameFolder + EventsFileName, events) ||
        !ReplaceFileSafely(GameFolder + MessagesFileName, letters) ||
        (!fame.empty() && !ReplaceFileSafely(GameFolder + FameFileName, fame)))
        return "the game's files could not be written: " + LastErrorText();
    uint32_t applied = told.Peers.empty() ? 0 : told.Peers[0].Applied;
    TLeaguePeer& peer = LeaguePeer(s, p.Sender);
    peer.Applied = std::max(peer.Applied, applied);
    for (int h = 1; h <= MaxHouseSlots; h++) s.HouseBoard[h] = told.HouseBoard[h];
    s.Boards = told.Boards;
    // The copy's fleet numbers are the host's again; the fleets its own
    // unapplied changes make are noted anew as they are made again.
    std::erase_if(s.Made, [&](const TMadeFleet& m) { return m.Node == node; });
    std::vector<TJournalEntry> entries;
    ReadJournal(GameFolder, entries);
    if (newGame) {
        std::erase_if(entries, [](const TJournalEntry& e) { return e.Change.Kind != ChangeFound; });
        std::string kept;
        EncodeJournal(entries, kept);
        if (!ReplaceFileSafely(GameFolder + JournalName, kept)) return "JOURNAL.DAT could not be written";
        LeagueLog("a new game from the host: the changes made for the old one are dropped");
    }
    for (const TJournalEntry& e : entries) {
        if (e.Number <= peer.Applied || e.Change.Kind == ChangeFound) continue;
        TChange resolved = e.Change;
        int64_t made = -1;
        if (!ResolveMadeFleets(s, node, resolved) || !ApplyChange(resolved, GameFolder, Game.Header.Day, &made).empty())
            continue;
        reapplied++;
        if (e.Change.Kind == ChangeSplitFleet) NoteMadeFleet(s, node, e.Number, (int)made);
    }
    if (reapplied > 0 && !GameSave()) return "the game could not be saved";
    JournalTrim(GameFolder, peer.Applied);
    return "";
}

bool LeagueReceive(const TLeagueConfig& c, std::string& summary)
{
    std::vector<TWaiting> waiting = Waiting(c);
    if (waiting.empty()) {
        summary = "nothing waiting";
        return true;
    }
    if (!MaintenanceBegin(GameFolder, 60, 1800)) {
        summary = GameAccessFailure().empty() ? "the game stayed locked for a minute" : GameAccessFailure();
        return false;
    }
    TLeagueState s = ReadLeagueState(GameFolder);
    bool loaded = c.Host && LoadGame(GamePath());
    int taken = 0, applied = 0, refused = 0, reapplied = 0;
    bool ok = true;
    for (const TWaiting& w : waiting) {
        std::string bytes, why;
        TPacket p;
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
            else if (p.Number <= (peer = &LeaguePeer(s, p.Sender))->NumberIn)
                why = "number " + IntToText(p.Number) + " was passed already (" + IntToText(peer->NumberIn) + ")";
        }
        if (!why.empty()) {
            Refuse(w.Path, why);
            refused++;
            continue;
        }
        if (c.Host) {
            if (!loaded) {
                LeagueLog("PROBLEM: THYRE.DAT could not be read; " + FileNameOf(w.Path) + " waits");
                ok = false;
                break;
            }
            ApplyJournal(c, s, p, applied, refused);
        } else {
            why = TakeState(s, c.Node, p, reapplied);
            if (!why.empty()) {
                Refuse(w.Path, why);
                refused++;
                continue;
            }
            loaded = true;
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
              (refused ? ", " + IntToText(refused) + " refused" : "");
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
    if (!ReplaceFileSafely(GameFolder + LeagueConfigName, LeagueConfigText(c)))
        Fatal("LEAGUE.CFG could not be written: " + LastErrorText());
    TLeagueConfig read = ReadLeagueConfig(GameFolder);
    if (!read.Problem.empty()) Fatal("LEAGUE.CFG: " + read.Problem);
    LeagueLog("LEAGUE.CFG written: " + std::string(c.Host ? "host" : "member") + " " + c.Node + " of " + c.Name);
    Say("LEAGUE.CFG written: this board is " + std::string(c.Host ? "the host" : "a member") + " of \"" + c.Name + "\".");
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
    }
    std::vector<TJournalEntry> entries;
    if (!c.Host && ReadJournal(GameFolder, entries))
        Say("  " + IntToText((int64_t)entries.size()) + " journal entr" + (entries.size() == 1 ? "y" : "ies") +
            " wait for the host.");
    std::string inbounds;
    for (const std::string& in : c.Inbounds) inbounds += (inbounds.empty() ? "" : " and ") + in;
    Say("  " + Counted((int64_t)Waiting(c).size(), "packet") + " wait in " + inbounds);
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
