// A command line for CreateProcess, quoted so that the C runtime of the
// child splits it back into the same arguments.
#pragma once
#include <string>

// One argument, quoted where it needs it.
inline std::string QuoteArg(const std::string& a)
{
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) return a;
    std::string q = "\"";
    size_t slashes = 0;
    for (char c : a) {
        if (c == '\\') {
            slashes++;
            continue;
        }
        if (c == '"') q.append(slashes * 2 + 1, '\\');
        else q.append(slashes, '\\');
        slashes = 0;
        q += c;
    }
    q.append(slashes * 2, '\\');
    return q + "\"";
}
