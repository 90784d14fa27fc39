// The graph's event queue. Filters raise events on any thread (through the
// graph's IMediaEventSink); the owner drains them on its own thread with
// GetEvent, usually after the registered message that each queued event
// posts to its notify window (PostMessageW, never sent).
//
// Completion is handled here unless the owner cancels it: the graph names
// the renderers that take part when it starts streaming (Arm), each one's
// EC_COMPLETE is counted, and a single EC_COMPLETE (S_OK, 0) is queued when
// the last one has ended, or at Run when there is none; after EC_ERRORABORT
// the run does not complete. Stopping disarms; a seek arms again with the
// same renderers.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>

#include "platform/dshow/DShowTypes.h"

class CGraphEvents {
public:
    CGraphEvents() = default;
    CGraphEvents(const CGraphEvents&) = delete;
    CGraphEvents& operator=(const CGraphEvents&) = delete;

    // A filter's event (any thread).
    void Notify(LONG code, LONG_PTR param1, LONG_PTR param2);

    // E_ABORT when nothing came within the time-out (INFINITE waits).
    HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout);
    // Waits until the stream ended (EC_COMPLETE), failed (EC_ERRORABORT) or
    // was aborted (EC_USERABORT) since the graph started; E_ABORT on
    // time-out. The events stay in the queue.
    HRESULT WaitForCompletion(LONG msTimeout, LONG* code);
    HRESULT CancelDefaultHandling(LONG code);
    HRESULT RestoreDefaultHandling(LONG code);
    // null window (0) stops the notices.
    HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instance);
    HRESULT SetNotifyFlags(LONG flags);
    LONG GetNotifyFlags();

    // The graph's side.
    void Arm(const std::set<LONG_PTR>& renderers);
    void Rearm();
    void Disarm();
    // Called when the graph runs: with no renderer the stream has ended.
    void OnRun();

private:
    struct Event {
        LONG code;
        LONG_PTR param1;
        LONG_PTR param2;
    };
    // Queues and returns whether a notice is due (lock_ held).
    bool Queue(const Event& e);
    void Post();

    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Event> queue_;
    OAHWND window_ = 0;
    LONG message_ = 0;
    LONG_PTR instance_ = 0;
    LONG flags_ = 0;
    bool defaultComplete_ = true;

    bool armed_ = false;
    std::set<LONG_PTR> renderers_;  // all taking part
    std::set<LONG_PTR> pending_;    // not ended yet
    bool completeQueued_ = false;
    LONG completion_ = 0;  // the first completion code since arming, 0 while none
};
