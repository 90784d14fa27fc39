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
    // Makes the window follow the owner instead: hidden until a picture
    // comes, then placed in the middle of the owner's client area at the
    // picture's shape, as large as fits; clicks pass through it to what lies
    // beneath. User-interface thread.
    void ConfigureFitted(HWND owner);
    // True while a visible window exists (any thread).
    bool IsShowing() const;
    // The window, for tests; null while there is none.
    HWND Window() const;
    // A picture as 32-bit pixels (blue, green, red, unused), rows top-down.
    // Without wait, a picture that would wait while the window's thread
    // copies the last one is dropped; false when it was not taken.
    bool Present(const uint8_t* pixels, int width, int height, int stride, bool wait = true);
    // True while a presented picture waits for the window's thread (any
    // thread): a picture presented now would only replace it.
    bool IsBusy() const;
    // The owner's client size as the window's thread last saw it, 0 and 0
    // before (any thread); fitted windows only.
    void OwnerSize(int* width, int* height) const;
    // A fitted window hides until the next picture (any thread).
    void Clear();

private:
    struct State;
    std::shared_ptr<State> state_;
};
