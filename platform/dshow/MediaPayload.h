// The bytes behind a media sample, counted so that they can travel through
// the graph without copies: a sample holds its payload by reference, and a
// filter that passes data on unchanged (or a demuxer handing on the packets
// of a decoding library) attaches the same payload to the sample it
// delivers. The memory goes back to whoever owns it when the last holder
// lets go.
#pragma once

#include <atomic>
#include <functional>
#include <utility>

#include "platform/win32/WinTypes.h"

class MediaPayload {
public:
    MediaPayload(const MediaPayload&) = delete;
    MediaPayload& operator=(const MediaPayload&) = delete;

    void AddRef() noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
    void Release() noexcept
    {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
    // True while more than one holder shares the payload.
    bool IsShared() const noexcept { return refs_.load(std::memory_order_acquire) > 1; }

    BYTE* Data() const noexcept { return data_; }
    LONG Size() const noexcept { return size_; }

protected:
    MediaPayload(BYTE* data, LONG size) : data_(data), size_(size) {}
    virtual ~MediaPayload() = default;

private:
    std::atomic<LONG> refs_{1};
    BYTE* data_;
    LONG size_;
};

// Holds one reference to a payload.
class PayloadRef {
public:
    PayloadRef() = default;
    // Takes over a reference the caller holds.
    explicit PayloadRef(MediaPayload* adopt) noexcept : p_(adopt) {}
    PayloadRef(const PayloadRef& other) noexcept : p_(other.p_)
    {
        if (p_) p_->AddRef();
    }
    PayloadRef(PayloadRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~PayloadRef() { Reset(); }
    PayloadRef& operator=(PayloadRef other) noexcept
    {
        std::swap(p_, other.p_);
        return *this;
    }
    // Adds a reference of its own.
    static PayloadRef Share(MediaPayload* p) noexcept
    {
        if (p) p->AddRef();
        return PayloadRef(p);
    }

    MediaPayload* Get() const noexcept { return p_; }
    MediaPayload* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void Reset() noexcept
    {
        if (MediaPayload* old = std::exchange(p_, nullptr)) old->Release();
    }

private:
    MediaPayload* p_ = nullptr;
};

// Memory of its own: size bytes at the given alignment (a power of two; 0
// or 1 for none), uninitialised. Empty when memory is short or the arguments
// are not usable.
PayloadRef CreateHeapPayload(LONG size, LONG align = 16);
// The block behind such memory, freed with std::free; null when memory is
// short or the arguments are not usable.
BYTE* AllocatePayloadBlock(LONG size, LONG align);

// Memory owned elsewhere (a packet or frame of a decoding library): release
// runs once, when the last holder lets go, on whichever thread that is.
PayloadRef CreateExternalPayload(BYTE* data, LONG size, std::function<void()> release);
