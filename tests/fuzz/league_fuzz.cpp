// Any bytes as a league packet, LEAGUE.DAT, LEAGUE.CFG, a journal or the
// score history (SCORES.DAT): the
// readers take them without a crash, and what they accept reads back the
// same once written again.  The seed packets are signed with the keys
// below, so mutations of their insides reach past the signature check.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/history.h"
#include "core/league.h"
#include "core/packet.h"
#include "tests/fuzz/fuzz_folder.h"

static const char* const HostKey = "d1baa2db7236a4bf6baa6f22614c8a0331cb0c15b9c97127dc5ef0a9676120c3";
static const char* const MemberKey = "a3c19000ea82c7ffa51727d2997e8861578c8348f25b5bc47c63396a58879256";

static void Payload(const TPacket& p)
{
    if (p.Kind == PacketJournal) {
        std::vector<TJournalEntry> entries;
        DecodeJournal(p.Payload, entries);
        return;
    }
    size_t pos = 0;
    std::string name, data;
    while (pos < p.Payload.size() && GetSection(p.Payload, pos, name, data)) {
        TLeagueState s;
        if (name == "LEAGUE.DAT") ParseLeagueState(data, s);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    std::string bytes((const char*)data, size), rest = bytes.substr(1);
    switch (data[0]) {
    case 'Y': {
        TPacket head, p;
        if (!PeekPacket(bytes, head)) return 0;
        std::string why = OpenPacket(bytes, head.Sender == "1:1/1" ? HostKey : MemberKey, 1 << 20, p);
        if (why.empty()) Payload(p);
        break;
    }
    case 1: {
        TLeagueState s, again;
        ParseLeagueState(rest, s);
        ParseLeagueState(LeagueStateText(s), again);
        if (LeagueStateText(again) != LeagueStateText(s)) std::abort();
        break;
    }
    case 2: {
        FuzzFile("LEAGUE.CFG", data + 1, size - 1);
        TLeagueConfig c = ReadLeagueConfig(FuzzFolder());
        (void)LeagueConfigText(c);
        break;
    }
    case 3: {
        std::vector<TJournalEntry> entries, again;
        if (!DecodeJournal(rest, entries)) break;
        std::string out;
        EncodeJournal(entries, out);
        if (!DecodeJournal(out, again) || again.size() != entries.size()) std::abort();
        break;
    }
    case 4: {
        // SCORES.DAT: whatever the reader keeps is in day order.
        FuzzFile(ScoresFileName, data + 1, size - 1);
        std::vector<TScoreRec> history;
        ReadScoreHistory(FuzzFolder(), history);
        for (size_t i = 1; i < history.size(); i++)
            if (history[i].Day <= history[i - 1].Day) std::abort();
        break;
    }
    default: {
        TPacket p;
        p.Payload = rest;
        Payload(p);
    }
    }
    return 0;
}
