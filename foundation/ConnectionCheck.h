// The on-line test: asks the network libraries, loaded by name on first need
// and kept for the run, whether the computer counts as on line.
#pragma once

#include "platform/win32/WinTypes.h"

class CConnectionCheck {
public:
    CConnectionCheck() = default;
    ~CConnectionCheck();
    CConnectionCheck(const CConnectionCheck&) = delete;
    CConnectionCheck& operator=(const CConnectionCheck&) = delete;

    bool IsConnected();

private:
    HMODULE m_hWininet = nullptr;
    HMODULE m_hSensapi = nullptr;
    bool m_bWininetTried = false;
    bool m_bSensapiTried = false;
};

// The process-wide tester's answer.
bool IsInternetConnected();
