// The log a fixture module keeps of what was done to it, handed to the test
// through an exported function: copied into the caller's buffer (cut to fit,
// zero-terminated) and emptied. The result is the log's full length.
#pragma once

#include <cstring>
#include <string>

inline int TakeFixtureLog(std::string& log, char* text, int capacity)
{
    int n = static_cast<int>(log.size());
    if (text && capacity > 0) {
        int copy = n < capacity - 1 ? n : capacity - 1;
        std::memcpy(text, log.data(), static_cast<size_t>(copy));
        text[copy] = '\0';
    }
    log.clear();
    return n;
}
