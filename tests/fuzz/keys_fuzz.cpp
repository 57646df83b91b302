// Any bytes from a telnet caller: the telnet filter, the key reader and the
// line editor take them without a crash, and keys always come through again.
#include <cstdint>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

#include "door/door.h"
#include "door/keys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) std::abort();
    DoorAttach(ChannelSocket, sv[0], sv[0], size % 2 == 0, 3600);
    size_t cut = size / 2;
    if (send(sv[1], data, cut, MSG_NOSIGNAL) != (ssize_t)cut) std::abort();
    try {
        for (int i = 0; i < 4096 && !DoorReadKey(0).empty(); i++) {
        }
        if (send(sv[1], data + cut, size - cut, MSG_NOSIGNAL) != (ssize_t)(size - cut)) std::abort();
        TGetStrOpts opts;
        opts.MaxLen = (int32_t)(size % 80 + 1);
        opts.DigitsOnly = size % 3 == 0;
        opts.TimeoutMs = 0;
        std::string line = DoorGetStr(opts);
        if ((int)line.size() > opts.MaxLen) std::abort();
        DoorInputBuffer().clear();
    } catch (const EHangup&) {
    }
    DoorClose();
    close(sv[0]);
    close(sv[1]);
    return 0;
}
