// A fuzz input as a file: an anonymous in-memory file that each input
// replaces, named by its /proc/self/fd path, so nothing is written to disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class MemoryFile {
public:
    explicit MemoryFile(const char* name);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool valid() const { return fd_ >= 0; }
    // The file's whole content becomes the bytes; false when it cannot.
    bool Write(const uint8_t* data, size_t size);
    // The path that opens the file.
    std::string Path() const;

private:
    int fd_;
};
