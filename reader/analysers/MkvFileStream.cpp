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
        if (position_ >= bufferStart_ && position_ < bufferStart_ + bufferBytes_) {
            size_t at = static_cast<size_t>(position_ - bufferStart_);
            size_t n = std::min(size - done, bufferBytes_ - at);
            std::memcpy(out + done, buffer_.data() + at, n);
            done += n;
            position_ += n;
            continue;
        }
        if (position_ >= file_.GetSize()) break;
        size_t got = 0;
        if (size - done >= buffer_.size()) {
            // Large reads go straight to the caller's buffer.
            if (!file_.SeekTo(position_) || !file_.Read(out + done, size - done, &got))
                throw std::runtime_error("read failed");
            done += got;
            position_ += got;
            if (got == 0) break;
            continue;
        }
        if (!file_.SeekTo(position_) || !file_.Read(buffer_.data(), buffer_.size(), &got))
            throw std::runtime_error("read failed");
        bufferStart_ = position_;
        bufferBytes_ = got;
        if (got == 0) break;
    }
    if (done < size) std::memset(out + done, 0, size - done);
    return static_cast<uint32_t>(done);
}

void MkvFileStream::setFilePointer(int64_t offset, libebml::seek_mode mode)
{
    int64_t base = 0;
    if (mode == libebml::seek_current)
        base = static_cast<int64_t>(position_);
    else if (mode == libebml::seek_end)
        base = static_cast<int64_t>(file_.GetSize());
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) throw std::runtime_error("bad seek");
    // Past the end of the file is allowed; the next read there gets nothing.
    position_ = static_cast<uint64_t>(target);
}

size_t MkvFileStream::write(const void*, size_t) { throw std::runtime_error("read-only stream"); }
