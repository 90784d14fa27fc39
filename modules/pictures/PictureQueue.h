// What passes from the streaming thread that delivers pictures to a thread
// of a filter's own (the video treatment's, the writer's encoding thread):
// pictures, in order with the stream's other events (a new segment, the end
// of the stream, the reset after a flush). Only a few pictures wait at a
// time, so the thread before runs at most that far ahead of the one after;
// events never wait.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

#include "platform/win32/MediaFormats.h"

extern "C" {
#include <libavutil/frame.h>
}

struct PictureQueueItem {
    enum class Kind { Picture, Segment, End, Reset };
    Kind kind = Kind::Picture;
    AVFrame* frame = nullptr;  // a picture, owned by the item
    REFERENCE_TIME start = 0;  // a segment; a picture's sample times where timed
    REFERENCE_TIME stop = 0;
    double rate = 1.0;
    bool timed = false;
};

class PictureQueue {
public:
    explicit PictureQueue(size_t pictures);
    ~PictureQueue();
    PictureQueue(const PictureQueue&) = delete;
    PictureQueue& operator=(const PictureQueue&) = delete;

    // Takes the item; a picture waits while the queue holds as many as it
    // may. False when the queue is closed or flushing (the item's picture
    // is then freed).
    bool Push(PictureQueueItem item);
    // Waits for the next item; false once the queue is closed. The taker
    // calls Done when it has finished with the item.
    bool Pop(PictureQueueItem* item);
    void Done();

    // Drops every waiting item and refuses pictures until EndFlush, which
    // waits until the taker has finished the item it holds and then queues
    // a reset, so that nothing from before the flush comes out after it.
    void BeginFlush();
    void EndFlush();
    bool Flushing() const;

    // Open takes items; Close drops what waits, wakes everyone and makes
    // Pop give false.
    void Open();
    void Close();

private:
    void DropAll();

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<PictureQueueItem> m_items;
    size_t m_pictures = 0;  // pictures in m_items
    size_t m_limit;
    bool m_open = false;
    bool m_flushing = false;
    bool m_busy = false;  // the taker holds an item
};
