#include "MessageQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "Input.h"
#include "Paint.h"
#include "Timers.h"
#include "Window.h"
#include "WindowObject.h"

using namespace win32_gui;

namespace {

HWND const kThreadOnly = reinterpret_cast<HWND>(-1);

// Milliseconds until a timer or a hover is due (-1 for neither).
long long MsUntilNextWake()
{
    long long timer = MsUntilNextTimer(), hover = MsUntilHover();
    if (timer < 0) return hover;
    if (hover < 0) return timer;
    return std::min(timer, hover);
}

// Delivers queued messages from the Qt event loop while no loop of ours is
// retrieving them. Lives on the UI thread as a child of the application.
class Dispatcher : public QObject {
public:
    static QEvent::Type WakeType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    Dispatcher()
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Deliver(); });
    }

    bool event(QEvent* e) override
    {
        if (e->type() == WakeType()) {
            Deliver();
            return true;
        }
        return QObject::event(e);
    }

    void Deliver();
    void ArmTimer()
    {
        long long ms = MsUntilNextWake();
        if (ms < 0) {
            timer_.stop();
            return;
        }
        timer_.start(static_cast<int>(std::min<long long>(ms, 0x7FFFFFFF)));
    }

private:
    QTimer timer_;
};

struct Queue {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<MSG> posted;
    bool quit = false;
    int quitCode = 0;
    bool wakePending = false;
    Dispatcher* dispatcher = nullptr;  // guarded by lock
    std::thread::id uiThread;
    bool uiThreadKnown = false;
    int retrieving = 0;  // loops of ours waiting for messages
    int delivering = 0;  // the dispatcher is at work
    MSG current;         // the last message retrieved
};

Queue& Q()
{
    static Queue q;
    return q;
}

// The queue is the destination of every PostMessageW of the program.
const bool g_posterInstalled = [] {
    SetMessagePoster([](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> BOOL {
        if (window && window != HWND_BROADCAST && !IsLiveHandle(window)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        MSG m;
        m.hwnd = window;
        m.message = message;
        m.wParam = wParam;
        m.lParam = lParam;
        m.time = static_cast<DWORD>(MessageClockNow());
        Queue& q = Q();
        {
            std::lock_guard<std::mutex> guard(q.lock);
            q.posted.push_back(m);
        }
        WakeQueue();
        return TRUE;
    });
    return true;
}();

bool HasQtApplicationHere()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && app->thread() == QThread::currentThread();
}

void EnsureDispatcher()
{
    if (!HasQtApplicationHere()) return;
    Queue& q = Q();
    {
        std::lock_guard<std::mutex> guard(q.lock);
        if (q.dispatcher) return;
    }
    auto* d = new Dispatcher;
    d->setParent(QCoreApplication::instance());
    QObject::connect(d, &QObject::destroyed, [] {
        Queue& queue = Q();
        std::lock_guard<std::mutex> guard(queue.lock);
        queue.dispatcher = nullptr;
        queue.wakePending = false;
    });
    std::lock_guard<std::mutex> guard(q.lock);
    q.dispatcher = d;
}

// Expands a message posted to every top-level window.
void ExpandBroadcasts()
{
    Queue& q = Q();
    std::lock_guard<std::mutex> guard(q.lock);
    for (size_t i = 0; i < q.posted.size(); ++i) {
        if (q.posted[i].hwnd != HWND_BROADCAST) continue;
        MSG m = q.posted[i];
        q.posted.erase(q.posted.begin() + static_cast<long>(i));
        std::vector<HWND> targets = TopLevelWindows();
        for (size_t k = 0; k < targets.size(); ++k) {
            m.hwnd = targets[k];
            q.posted.insert(q.posted.begin() + static_cast<long>(i + k), m);
        }
        i += targets.size();
        --i;
    }
}

bool TakePosted(const MessageFilter& filter, bool remove, MSG* out)
{
    ExpandBroadcasts();
    Queue& q = Q();
    std::lock_guard<std::mutex> guard(q.lock);
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!filter.Matches(it->hwnd, it->message)) continue;
        if (filter.skipQuit && it->message == WM_QUIT) continue;
        *out = *it;
        if (remove) q.posted.erase(it);
        return true;
    }
    return false;
}

bool TakeQuit(const MessageFilter& filter, bool remove, MSG* out)
{
    if (filter.skipQuit || !filter.InRange(WM_QUIT)) return false;
    Queue& q = Q();
    std::lock_guard<std::mutex> guard(q.lock);
    if (!q.quit) return false;
    *out = MSG{};
    out->message = WM_QUIT;
    out->wParam = static_cast<WPARAM>(q.quitCode);
    if (remove) q.quit = false;
    return true;
}

bool Peek(const MessageFilter& filter, bool remove, MSG* msg)
{
    NoteUiThread();
    EnsureDispatcher();
    // Converting the oldest input first lets a leave report it causes come
    // out ahead of the move that caused it.
    PrepareInput();
    MSG m;
    bool found = TakePosted(filter, remove, &m) || TakeInputMessage(filter, remove, &m) ||
                 TakeQuit(filter, remove, &m) || TakePaintMessage(filter, &m) || TakeDueTimer(filter, remove, &m) ||
                 TakeHoverMessage(filter, remove, &m);
    if (!found) return false;
    if (!m.time) m.time = static_cast<DWORD>(MessageClockNow());
    if (m.pt.x == 0 && m.pt.y == 0 && m.message != WM_QUIT) m.pt = CurrentCursorPos();
    if (remove) Q().current = m;
    *msg = m;
    return true;
}

// Blocks until something may have arrived: a post, a Qt event (input) or
// the next timer.
void WaitForWork()
{
    Queue& q = Q();
    if (HasQtApplicationHere()) {
        EnsureDispatcher();
        ++q.retrieving;
        if (q.dispatcher) q.dispatcher->ArmTimer();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
        --q.retrieving;
        return;
    }
    long long ms = MsUntilNextWake();
    std::unique_lock<std::mutex> guard(q.lock);
    auto ready = [&] { return !q.posted.empty() || q.quit; };
    if (ms < 0)
        q.changed.wait(guard, ready);
    else
        q.changed.wait_for(guard, std::chrono::milliseconds(std::max<long long>(ms, 1)), ready);
}

void Dispatcher::Deliver()
{
    Queue& q = Q();
    {
        std::lock_guard<std::mutex> guard(q.lock);
        q.wakePending = false;
    }
    if (q.retrieving == 0 && q.delivering == 0) {
        ++q.delivering;
        // A bounded batch, so a window that keeps making work (a paint that
        // invalidates again) cannot keep Qt from its own events.
        MessageFilter all;
        all.skipQuit = true;
        MSG m;
        int count = 0;
        while (count < 500 && Peek(all, true, &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
            ++count;
        }
        --q.delivering;
        if (count == 500) WakeQueue();
    }
    ArmTimer();
}

}  // namespace

namespace win32_gui {

bool MessageFilter::Matches(HWND target, UINT message) const
{
    if (!InRange(message)) return false;
    if (!window) return true;
    if (window == kThreadOnly) return target == nullptr;
    return target == window || IsChild(window, target);
}

bool IsUiThread()
{
    Queue& q = Q();
    if (HasQtApplicationHere()) return true;
    return q.uiThreadKnown && q.uiThread == std::this_thread::get_id();
}

void NoteUiThread()
{
    Queue& q = Q();
    if (q.uiThreadKnown) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (app && app->thread() != QThread::currentThread()) return;
    q.uiThread = std::this_thread::get_id();
    q.uiThreadKnown = true;
}

void WakeQueue()
{
    Queue& q = Q();
    std::lock_guard<std::mutex> guard(q.lock);
    q.changed.notify_all();
    if (q.dispatcher && !q.wakePending) {
        q.wakePending = true;
        QCoreApplication::postEvent(q.dispatcher, new QEvent(Dispatcher::WakeType()));
    }
}

void DropPostedMessages(HWND window, UINT message)
{
    Queue& q = Q();
    std::lock_guard<std::mutex> guard(q.lock);
    for (auto it = q.posted.begin(); it != q.posted.end();) {
        if (it->hwnd == window && (message == 0 || it->message == message))
            it = q.posted.erase(it);
        else
            ++it;
    }
}

}  // namespace win32_gui

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    NoteUiThread();
    if (window == HWND_BROADCAST) {
        std::vector<HWND> targets = TopLevelWindows();
        for (HWND h : targets)
            if (IsWindow(h)) SendMessageW(h, message, wParam, lParam);
        return 0;
    }
    auto hold = Hold(window);
    if (!hold) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!IsUiThread()) {
        // Windows live on the UI thread only; other threads post.
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return CallWindowProcW(hold->proc, window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode)
{
    Queue& q = Q();
    {
        std::lock_guard<std::mutex> guard(q.lock);
        q.quit = true;
        q.quitCode = exitCode;
    }
    WakeQueue();
}

BOOL PeekMessageW(MSG* msg, HWND window, UINT first, UINT last, UINT removeFlags)
{
    if (!msg) return FALSE;
    MessageFilter f{window, first, last, false};
    return Peek(f, (removeFlags & PM_REMOVE) != 0, msg) ? TRUE : FALSE;
}

BOOL GetMessageW(MSG* msg, HWND window, UINT first, UINT last)
{
    if (!msg) return -1;
    if (window && window != kThreadOnly && !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    MessageFilter f{window, first, last, false};
    while (!Peek(f, true, msg)) {
        if (window && window != kThreadOnly && !IsWindow(window)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        WaitForWork();
    }
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

LRESULT DispatchMessageW(const MSG* msg)
{
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        // Only the procedure of a live timer is called, never an arbitrary address.
        if (!IsLiveTimerProc(msg->hwnd, msg->wParam, proc)) return 0;
        proc(msg->hwnd, WM_TIMER, msg->wParam, static_cast<DWORD>(MessageClockNow()));
        return 0;
    }
    if (!msg->hwnd) return 0;
    auto hold = Hold(msg->hwnd);
    if (!hold) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CallWindowProcW(hold->proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WaitMessage()
{
    MessageFilter f;
    MSG m;
    while (!Peek(f, false, &m)) WaitForWork();
    return TRUE;
}

DWORD GetMessageTime() { return Q().current.time; }

DWORD GetMessagePos()
{
    const POINT& p = Q().current.pt;
    return MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(std::hash<std::thread::id>()(std::this_thread::get_id())); }

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)threadId;  // one UI thread: every thread message goes to its queue
    return PostMessageW(nullptr, message, wParam, lParam);
}

int DispatchPendingMessages()
{
    MessageFilter f;
    f.skipQuit = true;
    int count = 0;
    MSG m;
    while (Peek(f, true, &m)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
        ++count;
    }
    return count;
}
