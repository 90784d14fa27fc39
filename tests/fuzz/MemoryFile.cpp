#include "MemoryFile.h"

#include <sys/mman.h>
#include <unistd.h>

MemoryFile::MemoryFile(const char* name) : fd_(memfd_create(name, MFD_CLOEXEC)) {}

MemoryFile::~MemoryFile()
{
    if (fd_ >= 0) close(fd_);
}

bool MemoryFile::Write(const uint8_t* data, size_t size)
{
    if (fd_ < 0 || ftruncate(fd_, 0) != 0) return false;
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string MemoryFile::Path() const { return "/proc/self/fd/" + std::to_string(fd_); }
