#include "core/league.h"

#include <algorithm>
#include <cctype>

#include "core/model.h"
#include "core/osfs.h"
#include "core/replace.h"
#include "core/settings.h"
#include "core/text.h"

// A comma-separated value's fields, trimmed.
static std::vector<std::string> Fields(const std::string& value)
{
    std::vector<std::string> out;
    size_t pos = 0;
    for (;;) {
        size_t comma = value.find(',', pos);
        out.push_back(TrimText(value.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos)));
        if (comma == std::string::npos) return out;
        pos = comma + 1;
    }
}

// A node's address: letters, digits and ":/.@-_", at most LeagueNodeMax.
static bool GoodNode(const std::string& node)
{
    if (node.empty() || node.size() > LeagueNodeMax) return false;
    for (char ch : node)
        if (!std::isalnum((unsigned char)ch) && std::string(":/.@-_").find(ch) == std::string::npos) return false;
    return true;
}

TLeagueConfig ReadLeagueConfig(const std::string& folder)
{
    TLeagueConfig c;
    std::string text;
    if (!ReadWholeFile(folder + LeagueConfigName, text)) return c;
    c.Present = true;
    auto problem = [&c](const std::string& p) {
        if (c.Problem.empty()) c.Problem = p;
    };
    for (const auto& [key, value] : KeyValueLines(text)) {
        if (key == "LEAGUE") c.Name = value.substr(0, LeagueNameMax);
        else if (key == "ROLE") {
            std::string role = UpperText(value);
            if (role != "HOST" && role != "MEMBER") problem("Role must be host or member");
            c.Host = role == "HOST";
        } else if (key == "NODE") c.Node = value;
        else if (key == "BOARD") c.Board = value.substr(0, LeagueNameMax);
        else if (key == "HOST") c.HostNode = value;
        else if (key == "INBOUND") {
            if (!value.empty() && c.Inbounds.size() < 8) c.Inbounds.push_back(FolderWithDelim(value));
        } else if (key == "TRANSPORT") {
            std::string t = UpperText(value);
            if (t != "FOLDER" && t != "MAILER") problem("Transport must be folder or mailer");
            c.Transport = t == "MAILER" ? TransportMailer : TransportFolder;
        } else if (key == "OUTBOUNDZONE") c.OutboundZone = (int)Clamp(ParseInt(value, 0), 0, 32767);
        else if (key == "OUTBOUND") c.Outbound = value.empty() ? "" : FolderWithDelim(value);
        else if (key == "PACKETLIMIT") c.PacketLimit = Clamp(ParseInt(value, 0), 4096, 256 * 1024 * 1024);
        else if (key == "MEMBER") {
            std::vector<std::string> f = Fields(value);
            TLeagueMember m;
            m.Node = f[0];
            m.Board = f.size() > 1 ? f[1].substr(0, LeagueNameMax) : m.Node;
            m.Houses = f.size() > 2 ? (int)Clamp(ParseInt(f[2], 0), 0, (int)MaxHouseSlots) : (int)MaxHouseSlots;
            if (!GoodNode(m.Node)) problem("a member's node \"" + m.Node + "\" is not an address");
            else if ((int)c.Members.size() >= LeagueMembersMax) problem("more than 24 members");
            // Two boards with one address would take each other's packets.
            else if (LeagueMember(c, m.Node))
                c.Ignored.push_back("the Member line \"" + value + "\" repeats the address " + m.Node + "; it is ignored");
            else c.Members.push_back(m);
        } else if (key == "KEY") {
            size_t space = value.find(' ');
            if (space == std::string::npos) {
                problem("a Key line needs a node and a key");
                continue;
            }
            std::string node = TrimText(value.substr(0, space));
            if (!LeagueKeyOf(c, node).empty())
                c.Ignored.push_back("a second Key line for " + node + " is ignored");
            else
                c.Keys.push_back({node, TrimText(value.substr(space + 1))});
        }
    }
    for (size_t i = 0; i < c.Members.size(); i++)
        if (c.Members[i].Node == c.Node) {
            c.Ignored.push_back("a Member line names this board's own address " + c.Node + "; it is ignored");
            c.Members.erase(c.Members.begin() + (long)i--);
        }
    if (c.Name.empty()) problem("no League name");
    if (!GoodNode(c.Node)) problem("no Node address for this board");
    if (!GoodNode(c.HostNode)) problem("no Host address");
    if (c.Host && c.HostNode != c.Node) problem("the host's Node and Host differ");
    if (!c.Host && c.HostNode == c.Node) problem("a member's Node is the Host's");
    if (c.Inbounds.empty() || c.Outbound.empty()) problem("no Inbound or Outbound folder");
    if (c.Transport == TransportMailer) {
        TFtnAddress a;
        if (!ParseFtnAddress(c.Node, a) || !ParseFtnAddress(c.HostNode, a))
            problem("with a mailer every node is an address such as 21:1/100");
        for (const TLeagueMember& m : c.Members)
            if (!ParseFtnAddress(m.Node, a)) problem("with a mailer every node is an address such as 21:1/100");
        if (c.OutboundZone == 0) problem("with a mailer OutboundZone names the zone of the outbound folder");
    }
    if (c.Board.empty()) c.Board = c.Node;
    return c;
}

std::string LeagueConfigText(const TLeagueConfig& c)
{
    std::string out;
    auto line = [&out](const std::string& l) { out += l + "\r\n"; };
    line("; Yvarn Thyre league settings: one galaxy played from several boards.");
    line("; The host runs the night; members send their callers' changes to it.");
    line("League = " + c.Name);
    line("Role = " + std::string(c.Host ? "host" : "member"));
    line("; This board's address and name, and the host's address");
    line("Node = " + c.Node);
    line("Board = " + c.Board);
    line("Host = " + c.HostNode);
    line("; Where packets arrive and where they are left for the other boards");
    for (const std::string& in : c.Inbounds) line("Inbound = " + in);
    line("Outbound = " + c.Outbound);
    if (c.Transport == TransportMailer) {
        line("; A mailer carries the packets: Outbound is its outbound folder for the zone below");
        line("Transport = mailer");
        line("OutboundZone = " + IntToText(c.OutboundZone));
    }
    if (c.Host) {
        line("; The members (host only): address, board name, most houses its callers found");
        for (const TLeagueMember& m : c.Members)
            line("Member = " + m.Node + ", " + m.Board + ", " + IntToText(m.Houses));
    }
    line("; Each board's public key (ydmaint league keygen prints this board's)");
    for (const auto& [node, key] : c.Keys) line("Key = " + node + " " + key);
    return out;
}

const TLeagueMember* LeagueMember(const TLeagueConfig& c, const std::string& node)
{
    for (const TLeagueMember& m : c.Members)
        if (m.Node == node) return &m;
    return nullptr;
}

std::string LeagueKeyOf(const TLeagueConfig& c, const std::string& node)
{
    for (const auto& [n, key] : c.Keys)
        if (n == node) return key;
    return "";
}

// ---------------------------------------------------------------- LEAGUE.DAT

TLeagueState ReadLeagueState(const std::string& folder)
{
    TLeagueState s;
    std::string text;
    if (ReadWholeFile(folder + LeagueStateName, text)) ParseLeagueState(text, s);
    return s;
}

static uint32_t Count32(const std::string& text)
{
    int64_t v;
    return ParseInt64(text, v) && v >= 0 && v <= 0xFFFFFFFFLL ? (uint32_t)v : 0;
}

bool ParseLeagueState(const std::string& text, TLeagueState& s)
{
    s = TLeagueState();
    for (const auto& [key, value] : KeyValueLines(text)) {
        std::vector<std::string> f = Fields(value);
        if (key == "NEXTENTRY") s.NextEntry = Count32(value) ? Count32(value) : 1;
        else if (key == "PEER" && f.size() >= 6 && GoodNode(f[0]) && s.Peers.size() < LeagueMembersMax + 1) {
            TLeaguePeer p;
            p.Node = f[0];
            p.Applied = Count32(f[1]);
            p.NumberIn = Count32(f[2]);
            p.NumberOut = Count32(f[3]);
            ParseInt64(f[4], p.TimeIn);
            ParseInt64(f[5], p.TimeOut);
            if (f.size() >= 7) p.Heard = Count32(f[6]);
            s.Peers.push_back(p);
        } else if (key == "MADE" && f.size() >= 3 && GoodNode(f[0]) && s.Made.size() < 100000) {
            TMadeFleet m;
            m.Node = f[0];
            m.Entry = Count32(f[1]);
            int64_t fleet;
            if (ParseInt64(f[2], fleet) && fleet >= 0 && fleet < MaxFleets) {
                m.Fleet = (int)fleet;
                s.Made.push_back(m);
            }
        } else if (key == "BOARD" && f.size() >= 2 && GoodNode(f[0]) && s.Boards.size() < LeagueMembersMax + 1) {
            // A board's name may hold commas: it is the rest of the line.
            std::string name = TrimText(value.substr(value.find(',') + 1)).substr(0, LeagueNameMax);
            s.Boards.push_back({f[0], TrimText(name)});
        } else if (key == "HOUSE" && f.size() >= 2) {
            int64_t h;
            if (ParseInt64(f[0], h) && h >= 1 && h <= MaxHouseSlots && GoodNode(f[1])) {
                s.HouseBoard[h] = f[1];
                // The house's founding day and name (the rest of the line).
                if (f.size() >= 4) {
                    s.HouseDay[h] = (uint16_t)Clamp(ParseInt(f[2], 0), 0, 65535);
                    size_t at = value.find(',', value.find(',', value.find(',') + 1) + 1);
                    s.HouseName[h] = TrimText(TrimText(value.substr(at + 1)).substr(0, HouseNameMax));
                }
            }
        } else if (key == "MARK" && f.size() >= 3 && GoodNode(f[0]) && s.Marks.size() < 100000) {
            s.Marks.push_back({f[0], Count32(f[1]), Count32(f[2])});
        } else if (key == "REFUSEDSEEN") {
            s.RefusedSeen = Count32(value);
        } else if (key == "REFUSED" && f.size() >= 7 && GoodNode(f[0]) && s.Refused.size() < 2000) {
            TRefusedEntry r;
            r.Node = f[0];
            r.Entry = Count32(f[1]);
            r.Day = (uint16_t)Clamp(ParseInt(f[2], 0), 0, 65535);
            r.Kind = (uint8_t)Clamp(ParseInt(f[3], 0), 0, 255);
            r.Player = TrimText(f[4].substr(0, PlayerNameMax));
            r.Name = TrimText(f[5].substr(0, 60));
            size_t at = 0;
            for (int i = 0; i < 6; i++) at = value.find(',', at) + 1;
            r.Why = TrimText(TrimText(value.substr(at)).substr(0, 200));
            s.Refused.push_back(r);
        }
    }
    return true;
}

std::string LeagueStateText(const TLeagueState& s)
{
    std::string out = "; Written by the league's exchanges: do not edit.\r\n";
    out += "NextEntry = " + IntToText(s.NextEntry) + "\r\n";
    for (const TLeaguePeer& p : s.Peers)
        out += "Peer = " + p.Node + ", " + IntToText(p.Applied) + ", " + IntToText(p.NumberIn) + ", " +
               IntToText(p.NumberOut) + ", " + IntToText(p.TimeIn) + ", " + IntToText(p.TimeOut) +
               (p.Heard ? ", " + IntToText(p.Heard) : std::string()) + "\r\n";
    for (const auto& [node, name] : s.Boards) out += "Board = " + node + ", " + name + "\r\n";
    for (const TMadeFleet& m : s.Made)
        out += "Made = " + m.Node + ", " + IntToText(m.Entry) + ", " + IntToText(m.Fleet) + "\r\n";
    for (int h = 1; h <= MaxHouseSlots; h++)
        if (!s.HouseBoard[h].empty())
            out += "House = " + IntToText(h) + ", " + s.HouseBoard[h] +
                   (s.HouseName[h].empty() ? "" : ", " + IntToText(s.HouseDay[h]) + ", " + s.HouseName[h]) + "\r\n";
    for (const TEntryMark& m : s.Marks)
        out += "Mark = " + m.Node + ", " + IntToText(m.Entry) + ", " + IntToText(m.Mark) + "\r\n";
    if (s.RefusedSeen) out += "RefusedSeen = " + IntToText(s.RefusedSeen) + "\r\n";
    auto plain = [](std::string t) {
        for (char& ch : t)
            if (ch == ',' || ch == '\r' || ch == '\n') ch = ' ';
        return t;
    };
    for (const TRefusedEntry& r : s.Refused)
        out += "Refused = " + r.Node + ", " + IntToText(r.Entry) + ", " + IntToText(r.Day) + ", " + IntToText(r.Kind) + ", " + plain(r.Player) +
               ", " + plain(r.Name) + ", " + plain(r.Why) + "\r\n";
    return out;
}

bool WriteLeagueState(const std::string& folder, const TLeagueState& s)
{
    return ReplaceFileSafely(folder + LeagueStateName, LeagueStateText(s));
}

TLeaguePeer& LeaguePeer(TLeagueState& s, const std::string& node)
{
    for (TLeaguePeer& p : s.Peers)
        if (p.Node == node) return p;
    s.Peers.push_back(TLeaguePeer());
    s.Peers.back().Node = node;
    return s.Peers.back();
}

void NoteHouseBoard(TLeagueState& s, int h, const std::string& node)
{
    if (h < 1 || h > MaxHouseSlots) return;
    s.HouseBoard[h] = node;
    s.HouseName[h] = StrGet(HouseRec(h).Name);
    s.HouseDay[h] = HouseRec(h).JoinedDay;
}

void FitHousesToGame(TLeagueState& s)
{
    for (int h = 1; h <= MaxHouseSlots; h++) {
        if (s.HouseBoard[h].empty() || s.HouseName[h].empty()) continue;
        const THouse& hr = HouseRec(h);
        if (hr.Status != StatusFree && hr.JoinedDay == s.HouseDay[h] && SameText(StrGet(hr.Name), s.HouseName[h]))
            continue;
        s.HouseBoard[h].clear();
        s.HouseName[h].clear();
        s.HouseDay[h] = 0;
    }
}

std::string TakeFoundingRefusal(const std::string& folder, const std::string& player)
{
    if (!PathExists(folder + LeagueStateName)) return "";
    TLeagueState s = ReadLeagueState(folder);
    for (size_t i = 0; i < s.Refused.size(); i++) {
        if (s.Refused[i].Kind != ChangeFound || !SameText(s.Refused[i].Player, player)) continue;
        std::string text = "Your house " + s.Refused[i].Name + " could not be founded: " + s.Refused[i].Why + ".";
        s.Refused.erase(s.Refused.begin() + (long)i);
        WriteLeagueState(folder, s);
        return text;
    }
    return "";
}

// ---------------------------------------------------------------- journal

uint32_t JournalMark(const TJournalEntry& e)
{
    std::string bytes;
    EncodeJournal({e}, bytes);
    uint32_t h = 2166136261u;
    for (unsigned char ch : bytes) h = (h ^ ch) * 16777619u;
    return h;
}

void EncodeJournal(const std::vector<TJournalEntry>& entries, std::string& out)
{
    for (const TJournalEntry& e : entries) {
        PutLittle(out, e.Number, 4);
        PutLittle(out, e.Day, 2);
        EncodeChange(e.Change, out);
    }
}

bool DecodeJournal(const std::string& in, std::vector<TJournalEntry>& out)
{
    size_t pos = 0;
    while (pos < in.size()) {
        TJournalEntry e;
        uint64_t number, day;
        if (!GetLittle(in, pos, 4, number) || !GetLittle(in, pos, 2, day) || !DecodeChange(in, pos, e.Change)) return false;
        e.Number = (uint32_t)number;
        e.Day = (uint16_t)day;
        // Numbered upwards: anything else is not a journal.
        if (!out.empty() && e.Number <= out.back().Number) return false;
        out.push_back(e);
    }
    return true;
}

bool ReadJournal(const std::string& folder, std::vector<TJournalEntry>& out)
{
    out.clear();
    std::string data;
    if (!PathExists(folder + JournalName)) return true;
    return ReadWholeFile(folder + JournalName, data) && DecodeJournal(data, out);
}

void NoteMadeFleet(TLeagueState& s, const std::string& node, uint32_t entry, int fleet)
{
    std::erase_if(s.Made, [&](const TMadeFleet& m) { return m.Node == node && (m.Fleet == fleet || m.Entry == entry); });
    s.Made.push_back({node, entry, fleet});
}

bool ResolveMadeFleets(const TLeagueState& s, const std::string& node, TChange& c)
{
    int which[2];
    FleetArgs(c, which);
    for (int i : which) {
        if (i < 0 || !IsFleetMadeBy(c.Args[i])) continue;
        uint32_t entry = FleetMadeByEntry(c.Args[i]);
        auto m = std::find_if(s.Made.begin(), s.Made.end(),
                              [&](const TMadeFleet& x) { return x.Node == node && x.Entry == entry; });
        if (m == s.Made.end()) return false;
        c.Args[i] = m->Fleet;
    }
    return true;
}

bool JournalAppend(const std::string& folder, int day, const TChange& c, int madeFleet)
{
    TLeagueState s = ReadLeagueState(folder);
    std::string node = ReadLeagueConfig(folder).Node;
    std::vector<TJournalEntry> entries;
    if (!ReadJournal(folder, entries)) return false;
    TJournalEntry e;
    e.Number = s.NextEntry;
    e.Day = (uint16_t)Clamp(day, 0, 65535);
    e.Change = c;
    int which[2];
    FleetArgs(c, which);
    for (int i : which)
        for (const TMadeFleet& m : s.Made)
            if (i >= 0 && m.Node == node && m.Fleet == c.Args[i]) e.Change.Args[i] = FleetMadeBy(m.Entry);
    if (madeFleet >= 0) NoteMadeFleet(s, node, e.Number, madeFleet);
    entries.push_back(e);
    std::string data;
    EncodeJournal(entries, data);
    s.NextEntry++;
    // The journal first: a number used twice would be refused at the host,
    // a number skipped is harmless.
    return ReplaceFileSafely(folder + JournalName, data) && WriteLeagueState(folder, s);
}

bool JournalTrim(const std::string& folder, uint32_t applied)
{
    std::vector<TJournalEntry> entries, kept;
    if (!ReadJournal(folder, entries)) return false;
    for (const TJournalEntry& e : entries)
        if (e.Number > applied) kept.push_back(e);
    if (kept.size() == entries.size()) return true;
    std::string data;
    EncodeJournal(kept, data);
    return ReplaceFileSafely(folder + JournalName, data);
}

bool LeagueHouseHere(const std::string& folder, int house)
{
    TLeagueConfig c = ReadLeagueConfig(folder);
    if (!c.Present || house < 1 || house > MaxHouseSlots) return true;
    TLeagueState s = ReadLeagueState(folder);
    FitHousesToGame(s);
    const std::string& board = s.HouseBoard[house];
    // The host's own houses were founded there before any member joined,
    // or by its callers since.
    return board == c.Node || (c.Host && board.empty());
}

TLeagueLook LookAtLeague(const std::string& folder)
{
    TLeagueLook look;
    TLeagueConfig c = ReadLeagueConfig(folder);
    if (!c.Present) return look;
    look.Name = c.Name;
    TLeagueState s = ReadLeagueState(folder);
    FitHousesToGame(s);
    // The host knows every board from its own file; a member from the host's word.
    std::vector<std::pair<std::string, std::string>> boards = s.Boards;
    boards.push_back({c.Node, c.Board});
    for (const TLeagueMember& m : c.Members) boards.push_back({m.Node, m.Board});
    for (int h = 1; h <= MaxHouseSlots; h++) {
        std::string node = s.HouseBoard[h].empty() && c.Host ? c.Node : s.HouseBoard[h];
        for (const auto& [n, name] : boards)
            if (n == node) look.HouseBoardName[h] = name;
    }
    return look;
}

void ForgetLeagueHouses(const std::string& folder)
{
    if (!PathExists(folder + LeagueStateName)) return;
    TLeagueState s = ReadLeagueState(folder);
    for (int h = 0; h <= MaxHouseSlots; h++) {
        s.HouseBoard[h].clear();
        s.HouseName[h].clear();
        s.HouseDay[h] = 0;
    }
    s.Made.clear();
    WriteLeagueState(folder, s);
}

std::string LeagueMemberRefusal(const std::string& folder)
{
    TLeagueConfig c = ReadLeagueConfig(folder);
    if (!c.Present || c.Host) return "";
    return "this board is a member of the league \"" + c.Name + "\": its game is the host's (" + c.HostNode +
           "), which plays the nights and starts the games";
}

bool ParseFtnAddress(const std::string& text, TFtnAddress& a)
{
    a = TFtnAddress();
    std::string t = text;
    size_t at = t.find('@');
    if (at != std::string::npos) {
        a.Domain = t.substr(at + 1);
        t = t.substr(0, at);
        if (a.Domain.empty() || a.Domain.size() > 20) return false;
        for (char ch : a.Domain)
            if (!std::isalnum((unsigned char)ch) && ch != '.' && ch != '-' && ch != '_') return false;
    }
    // Every part a number within the limits the outbound's names allow.
    auto number = [](const std::string& part, int high, int& out) {
        int64_t v;
        if (part.empty() || part.size() > 5 || !ParseInt64(part, v) || v < 0 || v > high) return false;
        for (char ch : part)
            if (ch < '0' || ch > '9') return false;
        out = (int)v;
        return true;
    };
    size_t colon = t.find(':'), slash = t.find('/'), dot = t.find('.');
    if (colon == std::string::npos || slash == std::string::npos || slash < colon) return false;
    std::string point = dot == std::string::npos ? "" : t.substr(dot + 1);
    std::string node = t.substr(slash + 1, dot == std::string::npos ? std::string::npos : dot - slash - 1);
    if (dot != std::string::npos && (dot < slash || !number(point, 65535, a.Point))) return false;
    return number(t.substr(0, colon), 4095, a.Zone) && a.Zone > 0 &&
           number(t.substr(colon + 1, slash - colon - 1), 65535, a.Net) && number(node, 65535, a.Node);
}

std::string FlowFilePath(const TLeagueConfig& c, const TFtnAddress& a)
{
    // The outbound root holds its own zone; another zone has root.zzz beside it.
    std::string root = c.Outbound;
    if (a.Zone != c.OutboundZone) {
        std::string bare = root;
        while (!bare.empty() && IsPathDelim(bare.back())) bare.pop_back();
        root = bare + "." + HexText((uint64_t)a.Zone, 3) + root.substr(bare.size());
    }
    std::string netNode = HexText((uint64_t)a.Net, 4) + HexText((uint64_t)a.Node, 4);
    if (a.Point == 0) return root + netNode + ".flo";
    return root + netNode + ".pnt" + root.substr(root.size() - 1) + "0000" + HexText((uint64_t)a.Point, 4) + ".flo";
}

std::string BusyFlagPath(const std::string& flowFile) { return flowFile.substr(0, flowFile.size() - 4) + ".bsy"; }
