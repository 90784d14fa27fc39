#include "AviIndexFuzzTarget.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "MemoryFile.h"
#include "modules/hsf/AviIndexCheck.h"

int FuzzAviIndexCheck(const uint8_t* data, size_t size)
{
    // The input lives in an anonymous in-memory file, named through /proc.
    static MemoryFile input("rivo-avi-index-fuzz");
    if (!input.Write(data, size)) return 0;
    const bool avi = size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "AVI ", 4) == 0;
    if (AviLacksWholeIndex(input.Path()) && !avi) {
        std::fprintf(stderr, "a file that is no AVI form lacks its index\n");
        std::abort();
    }
    return 0;
}
