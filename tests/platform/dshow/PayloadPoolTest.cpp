// The blocks of an allocator's samples: kept for the next sample when the
// last holder lets go, at most as many as the pool keeps, and alive while a
// holder has one even when the pool's owner has gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/dshow/PayloadPool.h"

TEST(PayloadPoolTest, BlocksComeBackForTheNextTakerUpToWhatThePoolKeeps)
{
    struct Case {
        const char* what;
        size_t keep;
        int taken;
    };
    const Case cases[] = {
        {"fewer back than kept", 3, 2},
        {"as many as kept", 2, 2},
        {"more back than kept", 2, 5},
        {"none kept", 0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto pool = PayloadPool::Create(1000, 64, c.keep);
        ASSERT_TRUE(pool);
        std::vector<PayloadRef> out;
        std::vector<BYTE*> blocks;
        for (int i = 0; i < c.taken; ++i) {
            out.push_back(pool->Take());
            ASSERT_TRUE(out.back());
            EXPECT_EQ(out.back()->Size(), 1000);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(out.back()->Data()) % 64, 0u);
            std::memset(out.back()->Data(), i, 1000);  // the whole block is ours to write
            blocks.push_back(out.back()->Data());
        }
        out.clear();
        const size_t kept = std::min(c.keep, static_cast<size_t>(c.taken));
        EXPECT_EQ(pool->Kept(), kept);
        // The next takers get the kept blocks before any new one.
        for (size_t i = 0; i < kept; ++i) {
            out.push_back(pool->Take());
            EXPECT_NE(std::find(blocks.begin(), blocks.end(), out.back()->Data()), blocks.end());
        }
        EXPECT_EQ(pool->Kept(), 0u);
    }
}

TEST(PayloadPoolTest, ABlockOutlivesThePoolsOwner)
{
    auto pool = PayloadPool::Create(256, 16, 4);
    ASSERT_TRUE(pool);
    PayloadRef held = pool->Take();
    ASSERT_TRUE(held);
    pool.reset();  // the allocator has gone; the holder still reads its block
    std::memset(held->Data(), 7, 256);
    EXPECT_EQ(held->Data()[255], 7);
    held.Reset();  // the block goes back to the pool, which then goes
}

TEST(PayloadPoolTest, UnusableArgumentsMakeNoPool)
{
    EXPECT_FALSE(PayloadPool::Create(-1, 16, 1));
    EXPECT_FALSE(PayloadPool::Create(16, 3, 1));
    EXPECT_FALSE(PayloadPool::Create(16, -16, 1));
}
