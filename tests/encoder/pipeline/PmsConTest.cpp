// The OGM writer graph's worker channel: one exchange at a time, the quit
// command on close, and nothing to do when no channel was ever attached.
#include "encoder/pipeline/PmsCon.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <vector>

namespace {

// Runs the call on a thread of its own and gives its result; a call that
// has not returned after 10 s ends the test program instead of hanging it.
template <class F>
auto Within(F call)
{
    auto result = std::async(std::launch::async, call);
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        std::fprintf(stderr, "a channel call did not return within 10 s\n");
        std::fflush(stderr);
        std::_Exit(1);
    }
    return result.get();
}

struct Request {
    int command, param1, param2;
};

// A worker as a channel's user would run one: it answers command + both
// parameters for every request, S_OK for quit, and then ends. It keeps a
// reference to the channel while it runs.
struct TestWorker {
    std::mutex lock;
    std::vector<Request> requests;
    std::atomic<bool> ended{false};

    void Start(WorkerChannel* channel)
    {
        channel->AddRef();
        std::thread t([this, channel] {
            for (;;) {
                Request r{};
                channel->ReceiveRequest(&r.command, &r.param1, &r.param2);
                {
                    std::lock_guard<std::mutex> g(lock);
                    requests.push_back(r);
                }
                // Gives other clients time to step on a request in flight.
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                if (r.command == WorkerChannel::kQuitCommand) {
                    channel->SendReply(S_OK);
                    break;
                }
                channel->SendReply(static_cast<HRESULT>(r.command + r.param1 + r.param2));
            }
            ended = true;
            channel->Release();
        });
        ASSERT_TRUE(channel->AttachWorkerThread(std::move(t)));
    }
};

TEST(PmsCon, WithoutAChannelCloseDoesNothing)
{
    CPmsCon con;
    EXPECT_FALSE(con.Close());
    EXPECT_FALSE(con.Close());
    // The destructor closes again and finds nothing.
}

TEST(PmsCon, CallWithoutAWorkerFailsAtOnce)
{
    WorkerChannel* channel = WorkerChannel::Create();
    ASSERT_NE(nullptr, channel);
    EXPECT_EQ(E_FAIL, Within([&] { return channel->Call(1, 2, 3); }));
    EXPECT_FALSE(channel->TakeWorkerThread().joinable());
    channel->Release();
}

TEST(PmsCon, CloseAsksTheWorkerToQuitWaitsForItAndGivesItsReferencesBack)
{
    WorkerChannel* channel = WorkerChannel::Create();
    ASSERT_NE(nullptr, channel);
    TestWorker worker;
    worker.Start(channel);
    WorkerChannel* other = WorkerChannel::Create();
    std::thread second([] {});
    EXPECT_FALSE(channel->AttachWorkerThread(std::move(second)));  // one worker at a time
    ASSERT_TRUE(second.joinable());
    second.join();

    CPmsCon con;
    con.AttachChannel(channel, other);  // any interface goes with the channel
    EXPECT_EQ(10 + 20 + 30, Within([&] { return channel->Call(10, 20, 30); }));

    EXPECT_TRUE(Within([&] { return con.Close(); }));
    EXPECT_TRUE(worker.ended);
    {
        std::lock_guard<std::mutex> g(worker.lock);
        ASSERT_EQ(2u, worker.requests.size());
        EXPECT_EQ(WorkerChannel::kQuitCommand, worker.requests[1].command);
        EXPECT_EQ(0, worker.requests[1].param1);
        EXPECT_EQ(0, worker.requests[1].param2);
    }
    // The worker's handle was taken: a later call fails at once.
    EXPECT_EQ(E_FAIL, Within([&] { return channel->Call(1, 1, 1); }));
    EXPECT_FALSE(con.Close());
    // Only the test's own references are left.
    EXPECT_EQ(0u, channel->Release());
    EXPECT_EQ(0u, other->Release());
}

TEST(PmsCon, ClientsAreServedOneExchangeAtATime)
{
    WorkerChannel* channel = WorkerChannel::Create();
    ASSERT_NE(nullptr, channel);
    TestWorker worker;
    worker.Start(channel);

    constexpr int kClients = 4, kCalls = 25;
    std::atomic<int> wrong{0};
    Within([&] {
        std::vector<std::thread> clients;
        for (int c = 0; c < kClients; ++c)
            clients.emplace_back([&, c] {
                for (int i = 0; i < kCalls; ++i)
                    if (channel->Call(c, i, 1000) != c + i + 1000) ++wrong;
            });
        for (std::thread& t : clients) t.join();
        return 0;
    });
    EXPECT_EQ(0, wrong.load());  // every client got the answer to its own request

    {
        CPmsCon con;
        con.AttachChannel(channel, nullptr);
        channel->Release();
        // The destructor closes the channel and the last reference goes.
    }
    EXPECT_TRUE(worker.ended);
    std::lock_guard<std::mutex> g(worker.lock);
    EXPECT_EQ(static_cast<size_t>(kClients * kCalls + 1), worker.requests.size());
}

}  // namespace
