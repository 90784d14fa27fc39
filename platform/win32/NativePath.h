// The border between the application's wide path texts and the file system's
// byte paths. Paths are UTF-8 on disk; a backslash in a wide path is a folder
// separator, since the application joins and splits paths with either.
#pragma once

#include <string>
#include <string_view>

std::string ToNativePath(std::wstring_view path);
std::wstring FromNativePath(std::string_view path);

// Replaces the file's content in one step: the bytes go to a new file in the
// same folder, are flushed to disk, and the new file is renamed over the old
// one. A crash at any moment leaves either the old or the new content. The
// mode applies when the file is created. Sets errno and returns false on
// failure, leaving the old file untouched.
bool WriteFileAtomically(const std::string& nativePath, std::string_view bytes, unsigned mode = 0644);

// Reads a whole file; false when it cannot be opened or read, or is larger
// than maxBytes. A FIFO, device or folder is never opened for reading.
bool ReadWholeFile(const std::string& nativePath, std::string* bytes, size_t maxBytes = size_t(-1));

// Creates the missing folders of an absolute path, each with the mode (0700
// for private ones, 0755 for folders other programs read); what exists is
// left as it is. True when the path is a folder then.
bool MakeFolders(const std::string& nativePath, unsigned mode);
