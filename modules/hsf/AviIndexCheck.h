// Whether an AVI file's index can be trusted, from its chunks alone: an
// "idx1" index the file holds whole (one entry at least) or an OpenDML
// super index in a stream list, and a movie list the file holds to its end.
// The walk reads chunk headers only, looks at a bounded number of them and
// follows no size past the file.
#pragma once

#include <string>

// True when the file (a native path) is an AVI file whose index is missing
// or cut off; false for an AVI file with a whole index and for any other file.
bool AviLacksWholeIndex(const std::string& nativePath);
