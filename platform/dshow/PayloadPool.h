// PayloadPool: blocks of one size and alignment for the samples of one
// allocator. A sample whose bytes someone downstream still holds (a writer's
// queued picture, a decoder's reference) takes another block when it goes
// back to its allocator; the block it leaves behind comes back here when its
// last holder lets go, for the next sample that needs one, instead of going
// back to the C library. Picture blocks are large: the library may map each
// one afresh and the program then pays a page fault for every page of every
// picture it writes.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dshow/MediaPayload.h"

class PayloadPool : public std::enable_shared_from_this<PayloadPool> {
public:
    // Keeps at most `keep` blocks that nobody holds.
    static std::shared_ptr<PayloadPool> Create(LONG size, LONG align, size_t keep);
    ~PayloadPool();
    PayloadPool(const PayloadPool&) = delete;
    PayloadPool& operator=(const PayloadPool&) = delete;

    // A kept block, or a new one; empty when memory is short.
    PayloadRef Take();
    // Blocks kept now.
    size_t Kept() const;
    LONG Size() const { return size_; }
    LONG Align() const { return align_; }

private:
    class Pooled;
    PayloadPool(LONG size, LONG align, size_t keep) : size_(size), align_(align), keep_(keep) {}
    void GiveBack(BYTE* block);

    const LONG size_;
    const LONG align_;
    const size_t keep_;
    mutable std::mutex lock_;
    std::vector<BYTE*> kept_;
};
