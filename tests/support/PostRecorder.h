// Records what is posted through the message layer while it lives (it
// installs itself as the poster and puts the previous one back when it
// goes), for tests of code that posts to an owner window without a window
// layer.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/win32/WindowMessages.h"

struct PostedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class PostRecorder {
public:
    PostRecorder();
    ~PostRecorder();
    PostRecorder(const PostRecorder&) = delete;
    PostRecorder& operator=(const PostRecorder&) = delete;

    std::vector<PostedMessage> Posts();
    // The posts once there are at least count of them (a notice follows
    // its event a moment later); a test failure when they do not come in
    // time.
    std::vector<PostedMessage> WaitForPosts(size_t count);
    // Takes the posts that came since the last Take (or since the start),
    // waiting up to the time-out for the first one.
    std::vector<PostedMessage> Take(std::chrono::milliseconds timeout);

private:
    std::mutex lock_;
    std::vector<PostedMessage> posts_;
    size_t taken_ = 0;
    MessagePoster previous_;
};
