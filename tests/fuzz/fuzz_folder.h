// A scratch folder for one fuzz process, and writing a file into it.
#pragma once
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "core/osfs.h"

inline std::string FuzzFolder()
{
    static std::string folder;
    if (folder.empty()) {
        char tmpl[] = "/tmp/thyre-fuzz-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        folder = std::string(tmpl) + "/";
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
