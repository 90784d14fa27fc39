// The video renderer's window: a child window of the window layer under the
// owner window the graph's user names, showing the latest picture scaled to
// the window. Configure runs on the owner's (user-interface) thread;
// Present may come from any thread: it keeps a copy of the picture and
// posts a message by which the window repaints itself on its own thread.
//
// Kept apart from the renderer because the window layer's drawing types
// and the media types share names.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/win32/WindowMessages.h"

class VideoWindowPresenter {
public:
    VideoWindowPresenter();
    ~VideoWindowPresenter();
    VideoWindowPresenter(const VideoWindowPresenter&) = delete;
    VideoWindowPresenter& operator=(const VideoWindowPresenter&) = delete;

    // Makes, moves, shows or hides the window; a null owner destroys it.
    void Configure(HWND owner, bool visible, int left, int top, int width, int height);
    // True while a visible window exists (any thread).
    bool IsShowing() const;
    // The window, for tests; null while there is none.
    HWND Window() const;
    // A picture as 32-bit pixels (blue, green, red, unused), rows top-down.
    void Present(const uint8_t* pixels, int width, int height, int stride);

private:
    struct State;
    std::shared_ptr<State> state_;
};
