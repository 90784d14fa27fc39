#include "platform/dshow/GraphEvents.h"

#include <chrono>

#include "platform/win32/WindowMessages.h"

namespace {

bool IsCompletion(LONG code) { return code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT; }

template <class Pred>
bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, LONG msTimeout, Pred pred)
{
    if (msTimeout < 0 || static_cast<DWORD>(msTimeout) == INFINITE) {
        cv.wait(lock, pred);
        return true;
    }
    return cv.wait_for(lock, std::chrono::milliseconds(msTimeout), pred);
}

}  // namespace

bool CGraphEvents::Queue(const Event& e)
{
    queue_.push_back(e);
    if (armed_ && completion_ == 0 && IsCompletion(e.code)) completion_ = e.code;
    changed_.notify_all();
    return window_ != 0 && !(flags_ & AM_MEDIAEVENT_NONOTIFY);
}

void CGraphEvents::Post()
{
    OAHWND window;
    LONG message;
    LONG_PTR instance;
    {
        std::lock_guard<std::mutex> g(lock_);
        window = window_;
        message = message_;
        instance = instance_;
    }
    if (window) PostMessageW(reinterpret_cast<HWND>(window), static_cast<UINT>(message), 0, instance);
}

void CGraphEvents::Notify(LONG code, LONG_PTR param1, LONG_PTR param2)
{
    bool post = false;
    {
        std::lock_guard<std::mutex> g(lock_);
        if (code == EC_COMPLETE && defaultComplete_) {
            // Counted per renderer; the owner hears of it once, at the end.
            if (!armed_ || completeQueued_) return;
            if (pending_.erase(param2) == 0) return;
            if (!pending_.empty()) return;
            completeQueued_ = true;
            post = Queue(Event{EC_COMPLETE, S_OK, 0});
        } else {
            post = Queue(Event{code, param1, param2});
            // A run that failed does not also complete: the renderers' ends
            // that follow the failure are not reported.
            if (code == EC_ERRORABORT && armed_) completeQueued_ = true;
        }
    }
    if (post) Post();
}

HRESULT CGraphEvents::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout)
{
    if (!code || !param1 || !param2) return E_POINTER;
    std::unique_lock<std::mutex> l(lock_);
    if (!WaitFor(changed_, l, msTimeout, [&] { return !queue_.empty(); })) {
        *code = 0;
        *param1 = *param2 = 0;
        return E_ABORT;
    }
    Event e = queue_.front();
    queue_.pop_front();
    *code = e.code;
    *param1 = e.param1;
    *param2 = e.param2;
    return S_OK;
}

HRESULT CGraphEvents::WaitForCompletion(LONG msTimeout, LONG* code)
{
    if (!code) return E_POINTER;
    std::unique_lock<std::mutex> l(lock_);
    *code = 0;
    if (!WaitFor(changed_, l, msTimeout, [&] { return completion_ != 0 || !armed_; })) return E_ABORT;
    if (completion_ == 0) return VFW_E_WRONG_STATE;  // stopped meanwhile
    *code = completion_;
    return S_OK;
}

HRESULT CGraphEvents::CancelDefaultHandling(LONG code)
{
    if (code != EC_COMPLETE) return S_FALSE;
    std::lock_guard<std::mutex> g(lock_);
    defaultComplete_ = false;
    return S_OK;
}

HRESULT CGraphEvents::RestoreDefaultHandling(LONG code)
{
    if (code != EC_COMPLETE) return S_FALSE;
    std::lock_guard<std::mutex> g(lock_);
    defaultComplete_ = true;
    return S_OK;
}

HRESULT CGraphEvents::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instance)
{
    bool pending = false;
    {
        std::lock_guard<std::mutex> g(lock_);
        window_ = window;
        message_ = message;
        instance_ = instance;
        pending = window != 0 && !queue_.empty() && !(flags_ & AM_MEDIAEVENT_NONOTIFY);
    }
    // Events queued before the window was named are announced now.
    if (pending) Post();
    return S_OK;
}

HRESULT CGraphEvents::SetNotifyFlags(LONG flags)
{
    if (flags & ~AM_MEDIAEVENT_NONOTIFY) return E_INVALIDARG;
    std::lock_guard<std::mutex> g(lock_);
    flags_ = flags;
    return S_OK;
}

LONG CGraphEvents::GetNotifyFlags()
{
    std::lock_guard<std::mutex> g(lock_);
    return flags_;
}

void CGraphEvents::Arm(const std::set<LONG_PTR>& renderers)
{
    std::lock_guard<std::mutex> g(lock_);
    armed_ = true;
    renderers_ = renderers;
    pending_ = renderers;
    completeQueued_ = false;
    completion_ = 0;
    changed_.notify_all();
}

void CGraphEvents::Rearm()
{
    std::lock_guard<std::mutex> g(lock_);
    if (!armed_) return;
    pending_ = renderers_;
    completeQueued_ = false;
    completion_ = 0;
}

void CGraphEvents::Disarm()
{
    std::lock_guard<std::mutex> g(lock_);
    armed_ = false;
    renderers_.clear();
    pending_.clear();
    completeQueued_ = false;
    completion_ = 0;
    changed_.notify_all();
}

void CGraphEvents::OnRun()
{
    bool post = false;
    {
        std::lock_guard<std::mutex> g(lock_);
        if (armed_ && defaultComplete_ && renderers_.empty() && !completeQueued_) {
            completeQueued_ = true;
            post = Queue(Event{EC_COMPLETE, S_OK, 0});
        }
    }
    if (post) Post();
}
