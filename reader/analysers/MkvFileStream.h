// The EBML library's view of the file under analysis: a read-only stream
// over the analysers' checked file (64-bit positions, opened shared as every
// probe opens it), with a read buffer so that the library's byte-by-byte
// scanning for element ids stays cheap. A failed read or an impossible seek
// raises an exception, as the library expects of its streams.
#pragma once

#include <ebml/IOCallback.h>

#include <cstdint>
#include <vector>

#include "reader/CheckedFile.h"

class MkvFileStream : public libebml::IOCallback {
public:
    explicit MkvFileStream(CheckedFile& file) : m_file(file), m_buffer(kBufferBytes) {}

    // Reads up to size bytes at the position; fewer at the end of the file
    // (the rest of the buffer is zero-filled, so a short read never leaves
    // unset bytes behind).
    uint32_t read(void* buffer, size_t size) override;
    void setFilePointer(int64_t offset, libebml::seek_mode mode = libebml::seek_beginning) override;
    // Never used for reading; refuses.
    size_t write(const void* buffer, size_t size) override;
    uint64_t getFilePointer() override { return m_position; }
    void close() override {}

    uint64_t Size() const { return m_file.GetSize(); }

private:
    static constexpr size_t kBufferBytes = 64 * 1024;

    CheckedFile& m_file;
    std::vector<uint8_t> m_buffer;
    uint64_t m_bufferStart = 0;  // file position of m_buffer[0]
    size_t m_bufferBytes = 0;    // valid bytes in m_buffer
    uint64_t m_position = 0;
};
