// A league's daily exchange on a game at every limit (25 houses on 300
// systems, 40 nights in): the size of the host's state packet and of a busy
// member's day of journal, and the time to make (compress and sign), open
// (check and unpack) and apply each.  Each time is the median of 21 runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/change.h"
#include "core/files.h"
#include "core/founding.h"
#include "core/galaxy.h"
#include "core/gamefile.h"
#include "core/league.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/packet.h"
#include "core/replace.h"
#include "core/routes.h"
#include "turn/turn.h"

template <typename F>
static double MedianMs(F f)
{
    std::vector<double> ms;
    for (int i = 0; i < 21; i++) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

int main()
{
    char tmpl[] = "/tmp/thyre-league-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    std::string folder = std::string(tmpl) + "/";
    TNewGame p;
    p.Players = 25;
    p.SystemsPerHouse = 12;
    p.Seed = 2026;
    p.Days = 0;
    GenerateGalaxy(p);
    for (int i = 0; i < 25; i++) FoundHouse("House " + std::to_string(i), "ai" + std::to_string(i), 1);
    for (int n = 0; n < 40; n++) PlayNight(folder);
    SaveGame(folder + GameFileName);
    TKeyPair keys;
    if (!MakeKeyPair(keys)) return 1;

    // The host's game for one member.
    std::string game, events, letters;
    ReadWholeFile(folder + GameFileName, game);
    ReadWholeFile(folder + EventsFileName, events);
    ReadWholeFile(folder + MessagesFileName, letters);
    TPacket state;
    state.Kind = PacketState;
    state.League = "Bench League";
    state.Sender = "21:1/100";
    state.Receiver = "21:1/101";
    state.Day = Game.Header.Day;
    state.Number = 41;
    PutSection(state.Payload, GameFileName, game);
    PutSection(state.Payload, EventsFileName, events);
    PutSection(state.Payload, MessagesFileName, letters);
    std::string bytes;
    double make = MedianMs([&] { bytes = MakePacket(state, keys.Private, 64 << 20); });
    TPacket opened;
    double open = MedianMs([&] { OpenPacket(bytes, keys.Public, 64 << 20, opened); });
    double apply = MedianMs([&] {
        size_t pos = 0;
        std::string name, data;
        while (GetSection(opened.Payload, pos, name, data)) ReplaceFileSafely(folder + "copy-" + name, data);
        LoadGame(folder + "copy-" + std::string(GameFileName));
    });
    std::printf("state packet: %zu bytes (%zu unpacked); make %.2f ms, open %.2f ms, apply %.2f ms\n", bytes.size(),
                state.Payload.size(), make, open, apply);

    // A busy member's day: eight houses, thirty changes each.
    LoadGame(folder + GameFileName);
    std::vector<TJournalEntry> day;
    for (int h = 1; h <= 8; h++) {
        int fleet = -1;
        for (int f = 0; f < Game.Header.FleetCount && fleet < 0; f++)
            if (Game.Fleets[f].House == h) fleet = f;
        for (int i = 0; i < 30; i++) {
            TJournalEntry e;
            e.Number = (uint32_t)day.size() + 1;
            e.Day = Game.Header.Day;
            e.Change.House = (uint8_t)h;
            e.Change.Player = "Player " + std::to_string(h);
            switch (i % 5) {
            case 0: e.Change.Kind = ChangeResearch, e.Change.Args[0] = i % 4; break;
            case 1: e.Change.Kind = ChangeBuildShips, e.Change.Args[0] = HouseRec(h).HomeWorld, e.Change.Args[2] = 1; break;
            case 2: e.Change.Kind = ChangeOrderFleet, e.Change.Args[0] = fleet, e.Change.Args[1] = OrderHold; break;
            case 3: e.Change.Kind = ChangeLetter, e.Change.Args[0] = 1 + (h % 25), e.Change.Text = "Shall we talk about the border?"; break;
            default: e.Change.Kind = ChangeTrade, e.Change.Args[1] = 1, e.Change.Args[2] = 5; break;
            }
            day.push_back(e);
        }
    }
    TPacket journal;
    journal.Kind = PacketJournal;
    journal.League = state.League;
    journal.Sender = "21:1/101";
    journal.Receiver = "21:1/100";
    journal.Day = Game.Header.Day;
    journal.Number = 41;
    EncodeJournal(day, journal.Payload);
    make = MedianMs([&] { bytes = MakePacket(journal, keys.Private, 64 << 20); });
    open = MedianMs([&] { OpenPacket(bytes, keys.Public, 64 << 20, opened); });
    TGame before = Game;
    apply = MedianMs([&] {
        Game = before;
        std::vector<TJournalEntry> entries;
        DecodeJournal(opened.Payload, entries);
        for (const TJournalEntry& e : entries) ApplyChange(e.Change, folder, Game.Header.Day);
    });
    std::printf("a member's day of journal (%zu changes): %zu bytes (%zu unpacked); make %.2f ms, open %.2f ms, "
                "apply %.2f ms\n",
                day.size(), bytes.size(), journal.Payload.size(), make, open, apply);
    std::vector<std::string> names;
    ListFolder(folder, names);
    for (const std::string& n : names) DeleteFile(folder + n);
    RemoveFolder(folder);
    return 0;
}
