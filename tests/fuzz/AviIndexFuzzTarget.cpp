#include "AviIndexFuzzTarget.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "modules/hsf/AviIndexCheck.h"

namespace {

// The input lives in an anonymous in-memory file, named through /proc.
class IndexInput {
public:
    IndexInput() : fd_(memfd_create("rivo-avi-index-fuzz", MFD_CLOEXEC)) {}
    ~IndexInput()
    {
        if (fd_ >= 0) close(fd_);
    }
    bool Write(const uint8_t* data, size_t size)
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
    std::string Name() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

}  // namespace

int FuzzAviIndexCheck(const uint8_t* data, size_t size)
{
    static IndexInput input;
    if (!input.Write(data, size)) return 0;
    const bool avi = size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "AVI ", 4) == 0;
    if (AviLacksWholeIndex(input.Name()) && !avi) {
        std::fprintf(stderr, "a file that is no AVI form lacks its index\n");
        std::abort();
    }
    return 0;
}
