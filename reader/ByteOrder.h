// A bounded view of a block of bytes read from a file, over the byte-order
// readers every layer shares. Analysers that parse a block in memory go
// through ByteSpan, whose every access is checked against the bytes actually
// read: a byte past the end reads as 0, exactly as the unread part of a
// zero-filled buffer would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/win32/ByteOrder.h"
#include "platform/win32/WinTypes.h"

// A read-only view of size bytes. Offsets are 64-bit so that sums of an
// offset and a length taken from a file cannot wrap.
class ByteSpan {
public:
    ByteSpan() = default;
    ByteSpan(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    size_t size() const { return m_size; }
    const BYTE* data() const { return m_data; }
    // True when the count bytes from offset all lie inside the view.
    bool Has(uint64_t offset, uint64_t count) const { return offset <= m_size && count <= m_size - offset; }

    BYTE At(uint64_t offset) const { return offset < m_size ? m_data[offset] : 0; }
    uint16_t LE16(uint64_t offset) const { return LoadLE16(Bytes<2>(offset).b); }
    uint32_t LE32(uint64_t offset) const { return LoadLE32(Bytes<4>(offset).b); }
    uint64_t LE64(uint64_t offset) const { return LoadLE64(Bytes<8>(offset).b); }
    uint16_t BE16(uint64_t offset) const { return LoadBE16(Bytes<2>(offset).b); }
    uint32_t BE24(uint64_t offset) const { return LoadBE24(Bytes<3>(offset).b); }
    uint32_t BE32(uint64_t offset) const { return LoadBE32(Bytes<4>(offset).b); }
    // The four bytes from offset as a FourCC (first byte lowest).
    DWORD FourCC(uint64_t offset) const { return LE32(offset); }
    // True when the bytes at offset equal the count bytes of text.
    bool Matches(uint64_t offset, const void* text, size_t count) const
    {
        return Has(offset, count) && std::memcmp(m_data + offset, text, count) == 0;
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
            if (offset < m_size && i < m_size - offset) c.b[i] = m_data[offset + i];
        return c;
    }

    const BYTE* m_data = nullptr;
    size_t m_size = 0;
};
