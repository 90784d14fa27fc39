#include "UpdateCheck.h"

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/MessageDialogPort.h"
#include "foundation/ShellHelpers.h"
#include "foundation/TextHelpers.h"
#include "platform/win32/Process.h"

namespace {

// The date the launcher knows this build by.
const wchar_t kBuildDate[] = L"Feb  9 2007";

void ShowUpdateMessage(HWND owner, const wchar_t* textKey)
{
    ShowCoreMessage(owner, LookupText(textKey), LookupText(L"TEXT_APP_NAME"), kMessageOk);
}

}  // namespace

CString MakeLauncherParameter(const CString& languageAbbreviation, const CString& localVersionFilePath)
{
    CString agent = CString(L"RivoEncoder(") + languageAbbreviation + L", " + kBuildDate + L")";
    return CString(
        FormatText(L" <HVLAUNCHER_PARAM Command='checkversion'  AgentName='%s' ProgramID='RIVOENCODER' "
                   L"ForceCheck='%d' CheckMinorVersion='%d' LocalVersionFilePath='%s' />",
                   EscapeXmlText(agent, 1), 1, 0, EscapeXmlText(localVersionFilePath, 1)));
}

bool CheckForUpdate(HWND owner, DWORD* exitCode)
{
    DWORD unused = 0;
    DWORD& code = exitCode ? *exitCode : unused;
    code = 0;
    CString versionFile = GetDataFolder(L"Halvane", L"RivoEncoder", HKEY_CURRENT_USER) + L"HvVersion.ini";
    CString parameter = MakeLauncherParameter(GetEncSettings().sLangAbbr, versionFile);

    const CCoreEnvironment& env = CCoreEnvironment::Get();
    HANDLE process = SpawnProcess((env.ProgramFolder() + L"HvLauncher.exe").str(), {parameter.str()});
    if (!process) return false;

    bool upToDate = false;
    DWORD wait = WaitForSingleObject(process, env.m_nLauncherTimeoutMs);
    if (wait == WAIT_TIMEOUT) {
        // The launcher is left running.
        ShowUpdateMessage(owner, L"TEXT_UPDATE_CHECK_TIMEOUT");
    } else if (wait != WAIT_OBJECT_0) {
        ShowUpdateMessage(owner, L"TEXT_UPDATE_CHECK_FAILED");
    } else {
        DWORD result = 0;
        if (!GetExitCodeProcess(process, &result)) {
            ShowUpdateMessage(owner, L"TEXT_UPDATE_CHECK_FAILED");
        } else {
            code = result;
            upToDate = result == 0;
        }
    }
    CloseHandle(process);
    return upToDate;
}
