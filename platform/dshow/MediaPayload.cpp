#include "platform/dshow/MediaPayload.h"

#include <cstdlib>
#include <new>

namespace {

class HeapPayload final : public MediaPayload {
public:
    HeapPayload(BYTE* block, LONG size) : MediaPayload(block, size) {}
    ~HeapPayload() override { std::free(Data()); }
};

class ExternalPayload final : public MediaPayload {
public:
    ExternalPayload(BYTE* data, LONG size, std::function<void()> release)
        : MediaPayload(data, size), release_(std::move(release))
    {
    }
    ~ExternalPayload() override
    {
        if (release_) release_();
    }

private:
    std::function<void()> release_;
};

}  // namespace

BYTE* AllocatePayloadBlock(LONG size, LONG align)
{
    if (size < 0 || align < 0 || (align & (align - 1)) != 0) return nullptr;
    size_t alignment = align < static_cast<LONG>(sizeof(void*)) ? sizeof(void*) : static_cast<size_t>(align);
    size_t bytes = static_cast<size_t>(size);
    // aligned_alloc wants a multiple of the alignment, and at least one byte.
    size_t rounded = ((bytes ? bytes : 1) + alignment - 1) / alignment * alignment;
    return static_cast<BYTE*>(std::aligned_alloc(alignment, rounded));
}

PayloadRef CreateHeapPayload(LONG size, LONG align)
{
    auto* block = AllocatePayloadBlock(size, align);
    if (!block) return PayloadRef();
    auto* p = new (std::nothrow) HeapPayload(block, size);
    if (!p) {
        std::free(block);
        return PayloadRef();
    }
    return PayloadRef(p);
}

PayloadRef CreateExternalPayload(BYTE* data, LONG size, std::function<void()> release)
{
    if (size < 0 || (!data && size > 0)) return PayloadRef();
    auto* p = new (std::nothrow) ExternalPayload(data, size, std::move(release));
    return PayloadRef(p);
}
