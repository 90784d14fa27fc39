#include "platform/dshow/PayloadPool.h"

#include <cstdlib>
#include <new>

// A block of the pool: goes back to it when the last holder lets go.
class PayloadPool::Pooled final : public MediaPayload {
public:
    Pooled(BYTE* block, LONG size, std::shared_ptr<PayloadPool> pool)
        : MediaPayload(block, size), pool_(std::move(pool))
    {
    }
    ~Pooled() override { pool_->GiveBack(Data()); }

private:
    std::shared_ptr<PayloadPool> pool_;
};

std::shared_ptr<PayloadPool> PayloadPool::Create(LONG size, LONG align, size_t keep)
{
    if (size < 0 || align < 0 || (align & (align - 1)) != 0) return nullptr;
    return std::shared_ptr<PayloadPool>(new (std::nothrow) PayloadPool(size, align, keep));
}

PayloadPool::~PayloadPool()
{
    for (BYTE* block : kept_) std::free(block);
}

PayloadRef PayloadPool::Take()
{
    BYTE* block = nullptr;
    {
        std::lock_guard<std::mutex> g(lock_);
        if (!kept_.empty()) {
            block = kept_.back();
            kept_.pop_back();
        }
    }
    if (!block) block = AllocatePayloadBlock(size_, align_);
    if (!block) return PayloadRef();
    auto* p = new (std::nothrow) Pooled(block, size_, shared_from_this());
    if (!p) {
        GiveBack(block);
        return PayloadRef();
    }
    return PayloadRef(p);
}

size_t PayloadPool::Kept() const
{
    std::lock_guard<std::mutex> g(lock_);
    return kept_.size();
}

void PayloadPool::GiveBack(BYTE* block)
{
    {
        std::lock_guard<std::mutex> g(lock_);
        if (kept_.size() < keep_) {
            kept_.push_back(block);
            return;
        }
    }
    std::free(block);
}
