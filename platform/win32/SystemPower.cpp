#include "SystemPower.h"

#include <atomic>

namespace {
std::atomic<IPowerOffService*> g_service{nullptr};
}  // namespace

void SetPowerOffService(IPowerOffService* service) { g_service = service; }
IPowerOffService* GetPowerOffService() { return g_service.load(); }

BOOL ExitWindowsEx(UINT flags, DWORD)
{
    if (!(flags & (EWX_SHUTDOWN | EWX_POWEROFF)) || (flags & EWX_REBOOT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    IPowerOffService* service = g_service.load();
    if (!service) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    switch (service->PowerOff()) {
    case PowerOffResult::Requested: SetLastError(ERROR_SUCCESS); return TRUE;
    case PowerOffResult::NoService: SetLastError(ERROR_SERVICE_DOES_NOT_EXIST); return FALSE;
    case PowerOffResult::Refused: SetLastError(ERROR_PRIVILEGE_NOT_HELD); return FALSE;
    case PowerOffResult::Failed: break;
    }
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
}
