// A scratch folder for one fuzz process, and writing a file into it.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/osfs.h"
#include "core/text.h"

inline std::string FuzzFolder()
{
    static std::string folder;
    if (folder.empty()) {
        std::string base = (std::filesystem::temp_directory_path() / "thyre-fuzz-").string() + IntToText(ProcessId());
        for (int n = 0; folder.empty(); n++) {
            if (n > 1000) std::abort();
            std::string dir = base + "-" + IntToText(n);
            if (MakeFolder(dir)) folder = FolderWithDelim(dir);
        }
        // Gone with the process, as far as the way out allows.
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
    }
    return folder;
}

inline std::string FuzzFile(const std::string& name, const uint8_t* data, size_t size)
{
    std::string path = FuzzFolder() + name;
    TFileHandle fd = FileCreate(path);
    if (fd < 0) std::abort();
    FileWrite(fd, data, size);
    FileClose(fd);
    return path;
}
