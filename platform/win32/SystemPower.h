// Switching the computer off. ExitWindowsEx hands the request to one
// replaceable power-off service: the program installs the system's (the
// login manager over D-Bus, in its own library) at its start, and tests
// install a recorder. Nothing is installed by default, so code that runs
// without the program's start-up can never switch a machine off.
#pragma once

#include "WinTypes.h"

constexpr UINT EWX_LOGOFF = 0x0;
constexpr UINT EWX_SHUTDOWN = 0x1;
constexpr UINT EWX_REBOOT = 0x2;
constexpr UINT EWX_FORCE = 0x4;
constexpr UINT EWX_POWEROFF = 0x8;

constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SERVICE_DOES_NOT_EXIST = 1060;
constexpr DWORD ERROR_PRIVILEGE_NOT_HELD = 1314;

enum class PowerOffResult {
    Requested,  // the system took the request; the computer goes off
    NoService,  // nothing on this system switches the computer off for us
    Refused,    // the system refused: the user may not, or it is held back
    Failed,     // any other failure
};

class IPowerOffService {
public:
    virtual ~IPowerOffService() = default;
    // Asks the system to end the session and switch the computer off.
    virtual PowerOffResult PowerOff() = 0;
};

// Installs the service (not owned; null removes it).
void SetPowerOffService(IPowerOffService* service);
IPowerOffService* GetPowerOffService();

// EWX_SHUTDOWN or EWX_POWEROFF (EWX_FORCE may be added; the system lets the
// session's programs end on their own terms either way) asks the service to
// switch the computer off: TRUE when the request was taken. FALSE with
// ERROR_NOT_SUPPORTED without a service, ERROR_SERVICE_DOES_NOT_EXIST when
// the system has nothing that switches the computer off,
// ERROR_PRIVILEGE_NOT_HELD when it refused, ERROR_GEN_FAILURE for any other
// failure, and ERROR_INVALID_PARAMETER for logging off or restarting, which
// are not offered. The reason code is not looked at.
BOOL ExitWindowsEx(UINT flags, DWORD reason);
