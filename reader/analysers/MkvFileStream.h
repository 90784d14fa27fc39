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
    explicit MkvFileStream(CheckedFile& file) : file_(file), buffer_(kBufferBytes) {}

    // Reads up to size bytes at the position; fewer at the end of the file
    // (the rest of the buffer is zero-filled, so a short read never leaves
    // unset bytes behind).
    uint32_t read(void* buffer, size_t size) override;
    void setFilePointer(int64_t offset, libebml::seek_mode mode = libebml::seek_beginning) override;
    // Never used for reading; refuses.
    size_t write(const void* buffer, size_t size) override;
    uint64_t getFilePointer() override { return position_; }
    void close() override {}

    uint64_t Size() const { return file_.GetSize(); }

private:
    static constexpr size_t kBufferBytes = 64 * 1024;

    CheckedFile& file_;
    std::vector<uint8_t> buffer_;
    uint64_t bufferStart_ = 0;  // file position of buffer_[0]
    size_t bufferBytes_ = 0;    // valid bytes in buffer_
    uint64_t position_ = 0;
};
