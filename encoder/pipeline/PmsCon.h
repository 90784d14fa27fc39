// CPmsCon: the client end of a worker channel, the second base of the OGM
// writer graph. It holds one reference to its channel and one interface
// pointer, both absent until a channel is attached (nothing in this system
// attaches one), and closes the channel when it is destroyed: the worker is
// asked to quit, its thread is waited for, and both references are given
// back.
#pragma once

#include "encoder/pipeline/WorkerChannel.h"

class CPmsCon {
public:
    CPmsCon() = default;
    virtual ~CPmsCon();
    CPmsCon(const CPmsCon&) = delete;
    CPmsCon& operator=(const CPmsCon&) = delete;

    // Attaches a channel and the interface that goes with it (each gets a
    // reference of its own), closing any channel attached before.
    void AttachChannel(WorkerChannel* channel, IUnknown* object);
    // True when a channel was closed, false when there was none.
    bool Close();

private:
    WorkerChannel* m_pChannel = nullptr;
    IUnknown* m_pInterface = nullptr;
};
