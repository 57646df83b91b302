// Replays a fuzz target's corpus in the ordinary test build: every file of
// the folder given is fed to the target once.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/osfs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    std::string folder = FolderWithDelim(argv[1]);
    std::vector<std::string> names;
    if (!ListFolder(folder, names)) return 2;
    for (const std::string& n : names) {
        std::string data;
        if (!ReadWholeFile(folder + n, data)) return 2;
        LLVMFuzzerTestOneInput((const uint8_t*)data.data(), data.size());
    }
    std::printf("%zu inputs replayed\n", names.size());
    return 0;
}
