// The desktop's trash (the freedesktop.org trash rules): a file moved
// there keeps its content, and a description beside it (original path and
// deletion time) lets the desktop's trash can put it back.
#pragma once

#include <string>

// Moves a file or folder (native path) to the trash of its file system: the
// user's home trash under the data folder when the file lies on the same
// device, else the trash at the top of the file's mount. False, with the file
// left where it is, when no trash can take it.
bool MoveToDesktopTrash(const std::string& nativePath);
