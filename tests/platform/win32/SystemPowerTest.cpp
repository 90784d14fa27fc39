// ExitWindowsEx hands power-off requests to the installed service and turns
// its answers into the system's error codes; nothing is installed by default.
#include <gtest/gtest.h>

#include "platform/win32/SystemPower.h"
#include "tests/support/RecordingPowerOffService.h"

namespace {

TEST(SystemPowerTest, WithoutAServiceNothingIsSwitchedOff)
{
    ASSERT_EQ(nullptr, GetPowerOffService());
    EXPECT_FALSE(ExitWindowsEx(EWX_POWEROFF | EWX_FORCE, 0));
    EXPECT_EQ(ERROR_NOT_SUPPORTED, GetLastError());
}

TEST(SystemPowerTest, RequestsReachTheServiceAndItsAnswersBecomeErrorCodes)
{
    struct Case {
        UINT flags;
        PowerOffResult answer;
        BOOL result;
        DWORD error;
        int requests;
    };
    const Case cases[] = {
        {EWX_POWEROFF | EWX_FORCE, PowerOffResult::Requested, TRUE, ERROR_SUCCESS, 1},
        {EWX_SHUTDOWN | EWX_FORCE, PowerOffResult::Requested, TRUE, ERROR_SUCCESS, 1},
        {EWX_POWEROFF, PowerOffResult::NoService, FALSE, ERROR_SERVICE_DOES_NOT_EXIST, 1},
        {EWX_POWEROFF, PowerOffResult::Refused, FALSE, ERROR_PRIVILEGE_NOT_HELD, 1},
        {EWX_POWEROFF, PowerOffResult::Failed, FALSE, ERROR_GEN_FAILURE, 1},
        // Logging off and restarting are not offered.
        {EWX_LOGOFF, PowerOffResult::Requested, FALSE, ERROR_INVALID_PARAMETER, 0},
        {EWX_REBOOT | EWX_SHUTDOWN, PowerOffResult::Requested, FALSE, ERROR_INVALID_PARAMETER, 0},
    };
    for (const Case& c : cases) {
        ScopedPowerOffRecorder power;
        power.recorder.result = c.answer;
        SetLastError(12345);
        EXPECT_EQ(c.result, ExitWindowsEx(c.flags, 0)) << c.flags;
        EXPECT_EQ(c.error, GetLastError()) << c.flags;
        EXPECT_EQ(c.requests, power.recorder.requests) << c.flags;
    }
    EXPECT_EQ(nullptr, GetPowerOffService());
}

}  // namespace
