// Switching the computer off through the login manager (systemd-logind):
// the method PowerOff of org.freedesktop.login1.Manager on the object
// /org/freedesktop/login1 of the service org.freedesktop.login1, on the
// system bus. The call is interactive, so the login manager may have the
// user confirm who they are (polkit) where its rules ask for that; whether
// the user may switch the computer off is the login manager's decision.
//
// A test process must never reach the system bus: while the environment
// variable RIVO_TESTING is set, a service on the system bus (or on an
// address that names its socket) refuses every request before it connects.
// Tests talk to a private bus of their own.
#pragma once

#include <string>

#include "platform/win32/SystemPower.h"

class LogindPowerOffService : public IPowerOffService {
public:
    // The login manager on the system bus.
    LogindPowerOffService() = default;
    // The login manager on the bus at that D-Bus address.
    explicit LogindPowerOffService(std::string busAddress) : busAddress_(std::move(busAddress)) {}

    // Requested when the login manager took the request; NoService when
    // there is no bus or no login manager on it; Refused when it said no
    // (not authorised, or held back by an inhibitor); Failed otherwise, and
    // when the bus may not be used from this process.
    PowerOffResult PowerOff() override;

    // Whether a process may use the bus at the address ("" is the system
    // bus): not the system bus while RIVO_TESTING is set.
    static bool MayUseBus(const std::string& busAddress);
    // The result a D-Bus error name stands for.
    static PowerOffResult ResultOfError(const std::string& errorName);

    // Longest wait for the login manager's answer, which may include the
    // user's confirmation.
    int m_nTimeoutMs = 120000;

private:
    std::string busAddress_;
};

// Installs a service on the system bus as the process's power-off service;
// the program calls it at its start.
void InstallLogindPowerOffService();
