// One subtitle file of each kind the progress window hands to the graph:
// SubRip, SAMI, ASS and VobSub, each holding one line shown from 0 to 3
// seconds in the lower part of the picture.
#pragma once

#include <ostream>
#include <string>

#include "tests/support/TempDir.h"

struct SubtitleCase {
    const char* name;
    const char* file;
    // Writes the subtitle file into the folder; its path.
    std::string (*write)(const TempDir& dir, const std::string& file);
};

extern const SubtitleCase kSubtitleCases[4];

inline void PrintTo(const SubtitleCase& c, std::ostream* os) { *os << c.name; }
