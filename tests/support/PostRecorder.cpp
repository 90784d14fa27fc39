#include "tests/support/PostRecorder.h"

#include <cstddef>
#include <thread>
#include <utility>

#include "tests/support/WaitUntil.h"

PostRecorder::PostRecorder()
{
    previous_ = SetMessagePoster([this](HWND h, UINT m, WPARAM w, LPARAM l) {
        std::lock_guard<std::mutex> g(lock_);
        posts_.push_back(PostedMessage{h, m, w, l});
        return TRUE;
    });
}

PostRecorder::~PostRecorder() { SetMessagePoster(std::move(previous_)); }

std::vector<PostedMessage> PostRecorder::Posts()
{
    std::lock_guard<std::mutex> g(lock_);
    return posts_;
}

std::vector<PostedMessage> PostRecorder::Take(std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard<std::mutex> g(lock_);
            if (posts_.size() > taken_ || std::chrono::steady_clock::now() >= deadline) {
                std::vector<PostedMessage> fresh(posts_.begin() + static_cast<std::ptrdiff_t>(taken_), posts_.end());
                taken_ = posts_.size();
                return fresh;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<PostedMessage> PostRecorder::WaitForPosts(size_t count)
{
    EXPECT_TRUE(WaitUntil("the posts", [&] { return Posts().size() >= count; }));
    return Posts();
}
