#include "MkvFileStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

uint32_t MkvFileStream::read(void* buffer, size_t size)
{
    // The library reads at most a few gigabytes at a time; its count is 32-bit.
    if (size > std::numeric_limits<uint32_t>::max()) throw std::runtime_error("read too large");
    uint8_t* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        if (m_position >= m_bufferStart && m_position < m_bufferStart + m_bufferBytes) {
            size_t at = static_cast<size_t>(m_position - m_bufferStart);
            size_t n = std::min(size - done, m_bufferBytes - at);
            std::memcpy(out + done, m_buffer.data() + at, n);
            done += n;
            m_position += n;
            continue;
        }
        if (m_position >= m_file.GetSize()) break;
        size_t got = 0;
        if (size - done >= m_buffer.size()) {
            // Large reads go straight to the caller's buffer.
            if (!m_file.SeekTo(m_position) || !m_file.Read(out + done, size - done, &got))
                throw std::runtime_error("read failed");
            done += got;
            m_position += got;
            if (got == 0) break;
            continue;
        }
        if (!m_file.SeekTo(m_position) || !m_file.Read(m_buffer.data(), m_buffer.size(), &got))
            throw std::runtime_error("read failed");
        m_bufferStart = m_position;
        m_bufferBytes = got;
        if (got == 0) break;
    }
    if (done < size) std::memset(out + done, 0, size - done);
    return static_cast<uint32_t>(done);
}

void MkvFileStream::setFilePointer(int64_t offset, libebml::seek_mode mode)
{
    int64_t base = 0;
    if (mode == libebml::seek_current)
        base = static_cast<int64_t>(m_position);
    else if (mode == libebml::seek_end)
        base = static_cast<int64_t>(m_file.GetSize());
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) throw std::runtime_error("bad seek");
    // Past the end of the file is allowed; the next read there gets nothing.
    m_position = static_cast<uint64_t>(target);
}

size_t MkvFileStream::write(const void*, size_t) { throw std::runtime_error("read-only stream"); }
