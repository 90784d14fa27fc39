// The request/reply channel between the OGM writer graph and a worker
// thread: a client hands the worker one command with two parameters and
// waits, without a time-out, for the worker's result. Clients are served one
// at a time: a second client waits until the first one has its reply.
//
// The channel is shared by the client and the worker and counted through its
// IUnknown. The worker side (attaching the thread, taking requests and
// answering them) exists for whoever runs a worker; the writer graph itself
// never attaches one. A worker answers every request, command 0x8066 (quit)
// included, and ends after answering that one; it never calls the channel
// from inside an exchange, and it holds a reference to the channel while it
// runs.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/com/UnknownImpl.h"

class WorkerChannel final : public CUnknown, public IUnknown {
public:
    // The command that asks the worker to quit.
    static constexpr int kQuitCommand = 0x8066;

    explicit WorkerChannel(IUnknown* outer);
    // A thread still attached (ending, since it gave its reference back) is
    // waited for.
    ~WorkerChannel() override;

    // A new channel counted once; null when memory is short.
    static WorkerChannel* Create();

    RIVO_DECLARE_IUNKNOWN

    // Client side: the worker's result; E_FAIL at once when no worker thread
    // is attached.
    HRESULT Call(int command, int param1, int param2);
    // Takes the worker thread out of the channel (none is left behind);
    // empty when there was none.
    std::thread TakeWorkerThread();

    // Worker side: attaches the thread that serves the channel (one at a
    // time: false, and the caller keeps its thread, when one is attached
    // already), waits for the next request and answers it.
    bool AttachWorkerThread(std::thread&& worker);
    void ReceiveRequest(int* command, int* param1, int* param2);
    void SendReply(HRESULT result);

private:
    // Serialises clients: held for a whole exchange.
    std::mutex m_callLock;
    // Guards everything below; the two signals reset when they are taken,
    // as the auto-reset events of the original channel do.
    std::mutex m_stateLock;
    std::condition_variable m_signal;
    bool m_bRequest = false;
    bool m_bReply = false;
    int m_nCommand = 0;
    int m_nParam1 = 0;
    int m_nParam2 = 0;
    HRESULT m_result = S_OK;
    std::unique_ptr<std::thread> m_worker;
};
