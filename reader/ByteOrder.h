// Numbers out of bytes in either byte order, and a bounded view of a block of
// bytes read from a file. Analysers that parse a block in memory go through
// ByteSpan, whose every access is checked against the bytes actually read: a
// byte past the end reads as 0, exactly as the unread part of a zero-filled
// buffer would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/win32/WinTypes.h"

inline uint16_t LoadLE16(const BYTE* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadLE32(const BYTE* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t LoadLE64(const BYTE* p)
{
    return static_cast<uint64_t>(LoadLE32(p)) | (static_cast<uint64_t>(LoadLE32(p + 4)) << 32);
}
inline uint16_t LoadBE16(const BYTE* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t LoadBE24(const BYTE* p)
{
    return (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}
inline uint32_t LoadBE32(const BYTE* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
inline uint64_t LoadBE64(const BYTE* p)
{
    return (static_cast<uint64_t>(LoadBE32(p)) << 32) | LoadBE32(p + 4);
}

// Reverses the order of n bytes in place (n / 2 swaps; the middle byte of an
// odd n stays where it is).
inline void ReverseBytes(void* buffer, size_t n)
{
    BYTE* b = static_cast<BYTE*>(buffer);
    for (size_t i = 0, j = n; i < n / 2; ++i) {
        --j;
        BYTE t = b[i];
        b[i] = b[j];
        b[j] = t;
    }
}

// A read-only view of size bytes. Offsets are 64-bit so that sums of an
// offset and a length taken from a file cannot wrap.
class ByteSpan {
public:
    ByteSpan() = default;
    ByteSpan(const BYTE* data, size_t size) : data_(data), size_(size) {}

    size_t size() const { return size_; }
    const BYTE* data() const { return data_; }
    // True when the count bytes from offset all lie inside the view.
    bool Has(uint64_t offset, uint64_t count) const { return offset <= size_ && count <= size_ - offset; }

    BYTE At(uint64_t offset) const { return offset < size_ ? data_[offset] : 0; }
    uint16_t LE16(uint64_t offset) const { return LoadLE16(Bytes<2>(offset).b); }
    uint32_t LE32(uint64_t offset) const { return LoadLE32(Bytes<4>(offset).b); }
    uint64_t LE64(uint64_t offset) const { return LoadLE64(Bytes<8>(offset).b); }
    uint32_t BE24(uint64_t offset) const { return LoadBE24(Bytes<3>(offset).b); }
    uint32_t BE32(uint64_t offset) const { return LoadBE32(Bytes<4>(offset).b); }
    // The four bytes from offset as a FourCC (first byte lowest).
    DWORD FourCC(uint64_t offset) const { return LE32(offset); }
    // True when the bytes at offset equal the count bytes of text.
    bool Matches(uint64_t offset, const void* text, size_t count) const
    {
        return Has(offset, count) && std::memcmp(data_ + offset, text, count) == 0;
    }

private:
    template <size_t N>
    struct Chunk {
        BYTE b[N];
    };
    template <size_t N>
    Chunk<N> Bytes(uint64_t offset) const
    {
        Chunk<N> c{};
        for (size_t i = 0; i < N; ++i)
            if (offset < size_ && i < size_ - offset) c.b[i] = data_[offset + i];
        return c;
    }

    const BYTE* data_ = nullptr;
    size_t size_ = 0;
};
