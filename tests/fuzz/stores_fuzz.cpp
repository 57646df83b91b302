// Any bytes as EVENTS.DAT and MSGS.DAT: every reader and rewriter of the
// stores takes them without a crash.
#include <cstdint>
#include <vector>

#include "core/stores.h"
#include "tests/fuzz/fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t half = size / 2;
    FuzzFile("EVENTS.DAT", data, half);
    FuzzFile("MSGS.DAT", data + half, size - half);
    std::string folder = FuzzFolder();
    std::vector<TEventRec> events;
    volatile size_t sink = 0;
    if (ReadEvents(folder, events))
        for (const TEventRec& e : events) sink = sink + EventText(e).size();
    for (int h = 0; h < 30; h++) sink = sink + (size_t)CountUnread(folder, h);
    std::vector<TMessageRec> box;
    if (ReadMailbox(folder, size ? data[0] : 1, box)) {
        for (const TMessageRec& m : box)
            for (int i = 0; i < MessageLines + 1; i++) sink = sink + MessageLine(m, i).size();
        MarkShownRead(folder, size ? data[0] : 1, box);
    }
    TrimMessages(folder, size > 1 ? data[1] : 3);
    TEventWriter ev;
    if (EventsBegin(ev, folder, size > 2 ? data[2] : 5)) {
        AddEvent(ev, 1, EventBattle, std::string((const char*)data, size));
        EventsEnd(ev);
    }
    return 0;
}
