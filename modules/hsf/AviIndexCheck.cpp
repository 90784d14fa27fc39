#include "modules/hsf/AviIndexCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/win32/AviIndexChunk.h"
#include "platform/win32/ByteOrder.h"

namespace {

// Chunks looked at before the walk gives up on a file.
constexpr int kMostChunks = 100000;

class ChunkFile {
public:
    explicit ChunkFile(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK))
    {
        struct stat st;
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode)) m_size = st.st_size;
    }
    ~ChunkFile()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    ChunkFile(const ChunkFile&) = delete;
    ChunkFile& operator=(const ChunkFile&) = delete;

    int64_t Size() const { return m_size; }
    // A chunk header: its four-character id and its size.
    bool Header(int64_t at, char id[4], uint32_t* size) const
    {
        unsigned char h[8];
        if (at < 0 || at + 8 > m_size || ::pread(m_fd, h, 8, at) != 8) return false;
        std::memcpy(id, h, 4);
        *size = LoadLE32(h + 4);
        return true;
    }
    bool Id(int64_t at, char id[4]) const { return at >= 0 && at + 4 <= m_size && ::pread(m_fd, id, 4, at) == 4; }

private:
    int m_fd;
    int64_t m_size = -1;
};

bool Is(const char id[4], const char* name) { return std::memcmp(id, name, 4) == 0; }

// The end of a chunk of this size whose header starts at `at`.
int64_t EndOf(int64_t at, uint32_t size) { return at + 8 + size + (size & 1); }

// Whether a list (its body from `from` to `to`) or a stream list inside it
// holds an OpenDML super index.
bool HasSuperIndex(const ChunkFile& file, int64_t from, int64_t to, int* budget)
{
    for (int64_t at = from; at + 8 <= to && --*budget > 0;) {
        char id[4], type[4];
        uint32_t size = 0;
        if (!file.Header(at, id, &size)) return false;
        if (Is(id, "indx")) return true;
        if (Is(id, "LIST") && file.Id(at + 8, type) && Is(type, "strl") &&
            HasSuperIndex(file, at + 12, std::min(EndOf(at, size), to), budget))
            return true;
        at = EndOf(at, size);
    }
    return false;
}

}  // namespace

bool AviLacksWholeIndex(const std::string& nativePath)
{
    ChunkFile file(nativePath);
    char id[4], type[4];
    uint32_t size = 0;
    if (!file.Header(0, id, &size) || !Is(id, "RIFF") || !file.Id(8, type) || !Is(type, "AVI ")) return false;
    const int64_t end = std::min(EndOf(0, size), file.Size());
    bool movieWhole = false, idx1Whole = false, superIndex = false;
    int budget = kMostChunks;
    for (int64_t at = 12; at + 8 <= end && --budget > 0;) {
        if (!file.Header(at, id, &size)) break;
        const int64_t next = EndOf(at, size);
        if (Is(id, "LIST") && file.Id(at + 8, type)) {
            if (Is(type, "hdrl")) superIndex = HasSuperIndex(file, at + 12, std::min(next, end), &budget);
            if (Is(type, "movi")) movieWhole = at + 8 + static_cast<int64_t>(size) <= file.Size();
        } else if (Is(id, "idx1")) {
            idx1Whole = size >= kAviIndexEntryBytes && AviIndexChunkWhole(at, size, file.Size());
        }
        at = next;
    }
    return !(movieWhole && (idx1Whole || superIndex));
}
