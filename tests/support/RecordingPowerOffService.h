// A power-off service for tests: it switches nothing off, counts the
// requests, answers with `result`, and runs `onRequest` (if set) at each
// request, so that a test can look at the state the caller left behind.
#pragma once

#include <functional>

#include "platform/win32/SystemPower.h"

class RecordingPowerOffService : public IPowerOffService {
public:
    PowerOffResult PowerOff() override
    {
        ++requests;
        if (onRequest) onRequest();
        return result;
    }
    int requests = 0;
    PowerOffResult result = PowerOffResult::Requested;
    std::function<void()> onRequest;
};

// Installs a recorder for the lifetime of the object and removes it after.
class ScopedPowerOffRecorder {
public:
    ScopedPowerOffRecorder() { SetPowerOffService(&recorder); }
    ~ScopedPowerOffRecorder() { SetPowerOffService(nullptr); }
    ScopedPowerOffRecorder(const ScopedPowerOffRecorder&) = delete;
    ScopedPowerOffRecorder& operator=(const ScopedPowerOffRecorder&) = delete;
    RecordingPowerOffService recorder;
};
