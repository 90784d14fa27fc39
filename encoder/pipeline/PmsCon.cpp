#include "PmsCon.h"

#include <utility>

CPmsCon::~CPmsCon() { Close(); }

void CPmsCon::AttachChannel(WorkerChannel* channel, IUnknown* object)
{
    Close();
    if (channel) channel->AddRef();
    if (object) object->AddRef();
    m_pChannel = channel;
    m_pInterface = object;
}

bool CPmsCon::Close()
{
    if (!m_pChannel) return false;
    m_pChannel->Call(WorkerChannel::kQuitCommand, 0, 0);
    std::thread worker = m_pChannel->TakeWorkerThread();
    if (worker.joinable()) worker.join();
    std::exchange(m_pChannel, nullptr)->Release();
    if (IUnknown* object = std::exchange(m_pInterface, nullptr)) object->Release();
    return true;
}
