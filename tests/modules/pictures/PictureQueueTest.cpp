// The queue between a streaming thread and a filter's own thread: order,
// the bound on waiting pictures, flushing and closing, with a real taker
// thread on the other side.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "modules/pictures/PictureQueue.h"

namespace {

using Kind = PictureQueueItem::Kind;
using namespace std::chrono_literals;

// A picture whose place tells it apart.
PictureQueueItem Picture(int64_t place)
{
    PictureQueueItem item{Kind::Picture, av_frame_alloc()};
    item.frame->pts = place;
    item.start = place;
    item.stop = place + 1;
    item.timed = true;
    return item;
}

// What a taker saw: the kind of each item and, for pictures, their place.
struct Seen {
    Kind kind;
    int64_t place;
    bool operator==(const Seen& o) const { return kind == o.kind && place == o.place; }
};

std::vector<Seen> TakeAll(PictureQueue& queue)
{
    std::vector<Seen> seen;
    PictureQueueItem item;
    while (queue.Pop(&item)) {
        seen.push_back({item.kind, item.frame ? item.frame->pts : -1});
        av_frame_free(&item.frame);
        queue.Done();
        if (seen.back().kind == Kind::End) break;
    }
    return seen;
}

TEST(PictureQueue, ItemsComeOutInTheOrderTheyWentInWhileTheProducerWaitsForRoom)
{
    PictureQueue queue(2);
    queue.Open();
    std::atomic<int> pushed{0};
    std::thread producer([&] {
        PictureQueueItem segment{Kind::Segment};
        segment.start = 5;
        queue.Push(segment);
        for (int i = 0; i < 50; ++i) {
            EXPECT_TRUE(queue.Push(Picture(i)));
            ++pushed;
        }
        queue.Push(PictureQueueItem{Kind::End});
    });
    // Nobody takes: the producer stops at the bound.
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (pushed.load() < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(pushed.load(), 2);
    std::vector<Seen> seen = TakeAll(queue);
    producer.join();
    ASSERT_EQ(seen.size(), 52u);
    EXPECT_EQ(seen.front(), (Seen{Kind::Segment, -1}));
    for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[1 + i], (Seen{Kind::Picture, i})) << i;
    EXPECT_EQ(seen.back(), (Seen{Kind::End, -1}));
}

TEST(PictureQueue, EventsNeverWaitForRoom)
{
    PictureQueue queue(1);
    queue.Open();
    ASSERT_TRUE(queue.Push(Picture(0)));
    // The queue is full of pictures; the end still goes in at once.
    auto end = std::async(std::launch::async, [&] { return queue.Push(PictureQueueItem{Kind::End}); });
    ASSERT_EQ(end.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(end.get());
    EXPECT_EQ(TakeAll(queue), (std::vector<Seen>{{Kind::Picture, 0}, {Kind::End, -1}}));
}

TEST(PictureQueue, AFlushDropsWhatWaitsAndNothingFromBeforeItComesOutAfterIt)
{
    PictureQueue queue(4);
    queue.Open();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(queue.Push(Picture(i)));
    // The taker holds the first picture while the flush begins.
    PictureQueueItem held;
    ASSERT_TRUE(queue.Pop(&held));
    queue.BeginFlush();
    EXPECT_TRUE(queue.Flushing());
    EXPECT_FALSE(queue.Push(Picture(99)));  // refused, and freed
    auto endFlush = std::async(std::launch::async, [&] { queue.EndFlush(); });
    // The end of the flush waits for the taker to finish its item.
    EXPECT_EQ(endFlush.wait_for(50ms), std::future_status::timeout);
    av_frame_free(&held.frame);
    queue.Done();
    ASSERT_EQ(endFlush.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(queue.Flushing());
    ASSERT_TRUE(queue.Push(Picture(10)));
    queue.Push(PictureQueueItem{Kind::End});
    EXPECT_EQ(TakeAll(queue), (std::vector<Seen>{{Kind::Reset, -1}, {Kind::Picture, 10}, {Kind::End, -1}}));
}

TEST(PictureQueue, ClosingWakesBothSides)
{
    PictureQueue queue(1);
    queue.Open();
    ASSERT_TRUE(queue.Push(Picture(0)));
    auto blockedPush = std::async(std::launch::async, [&] { return queue.Push(Picture(1)); });
    EXPECT_EQ(blockedPush.wait_for(50ms), std::future_status::timeout);
    queue.Close();
    ASSERT_EQ(blockedPush.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(blockedPush.get());
    PictureQueueItem item;
    auto pop = std::async(std::launch::async, [&] { return queue.Pop(&item); });
    ASSERT_EQ(pop.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(pop.get());
    // Opened again, it starts empty.
    queue.Open();
    ASSERT_TRUE(queue.Push(PictureQueueItem{Kind::End}));
    EXPECT_EQ(TakeAll(queue), (std::vector<Seen>{{Kind::End, -1}}));
}

}  // namespace
