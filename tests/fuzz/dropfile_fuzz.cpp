// Any bytes as any of the eight drop files: read or refused, never a crash,
// and what is read is within its bounds.
#include <cstdint>
#include <cstdlib>

#include "door/dropfile.h"
#include "tests/fuzz/fuzz_folder.h"

static const char* const Names[8] = {"DOOR32.SYS",   "DOOR.SYS",    "DORINFO1.DEF", "CHAIN.TXT",
                                     "CALLINFO.BBS", "SFDOORS.DAT", "PCBOARD.SYS",  "EXITINFO.BBS"};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const char* name = Names[data[0] % 8];
    std::string path = FuzzFile(name, data + 1, size - 1);
    if (std::optional<TDoorInfo> d = ReadDropFile(path)) {
        if (d->ScreenRows < 1) std::abort();
        if (d->UserName.empty() && d->Alias.empty()) std::abort();
    }
    FindDropFile(FuzzFolder(), data[0]);
    DeleteFile(path);
    return 0;
}
