#include "WorkerChannel.h"

#include <new>

WorkerChannel::WorkerChannel(IUnknown* outer) : CUnknown(outer) {}

WorkerChannel::~WorkerChannel()
{
    // A worker holds a reference while it runs, so a thread still attached
    // here is ending: it is waited for, unless it is the one giving the last
    // reference back.
    std::thread worker = TakeWorkerThread();
    if (!worker.joinable()) return;
    if (worker.get_id() == std::this_thread::get_id())
        worker.detach();
    else
        worker.join();
}

WorkerChannel* WorkerChannel::Create()
{
    auto* channel = new (std::nothrow) WorkerChannel(nullptr);
    if (channel) channel->NonDelegatingAddRef();
    return channel;
}

HRESULT WorkerChannel::Call(int command, int param1, int param2)
{
    std::lock_guard<std::mutex> call(m_callLock);
    std::unique_lock<std::mutex> state(m_stateLock);
    if (!m_worker) return E_FAIL;
    m_nCommand = command;
    m_nParam1 = param1;
    m_nParam2 = param2;
    m_bRequest = true;
    m_signal.notify_all();
    m_signal.wait(state, [this] { return m_bReply; });
    m_bReply = false;
    return m_result;
}

std::thread WorkerChannel::TakeWorkerThread()
{
    std::lock_guard<std::mutex> state(m_stateLock);
    std::unique_ptr<std::thread> worker = std::move(m_worker);
    return worker ? std::move(*worker) : std::thread();
}

bool WorkerChannel::AttachWorkerThread(std::thread&& worker)
{
    std::lock_guard<std::mutex> state(m_stateLock);
    if (m_worker || !worker.joinable()) return false;
    m_worker = std::make_unique<std::thread>(std::move(worker));
    return true;
}

void WorkerChannel::ReceiveRequest(int* command, int* param1, int* param2)
{
    std::unique_lock<std::mutex> state(m_stateLock);
    m_signal.wait(state, [this] { return m_bRequest; });
    m_bRequest = false;
    *command = m_nCommand;
    *param1 = m_nParam1;
    *param2 = m_nParam2;
}

void WorkerChannel::SendReply(HRESULT result)
{
    std::lock_guard<std::mutex> state(m_stateLock);
    m_result = result;
    m_bReply = true;
    m_signal.notify_all();
}
