#include "CDlgShutdown.h"

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "foundation/ShellHelpers.h"
#include "platform/win32/Format.h"
#include "platform/win32/SystemPower.h"
#include "platform/win32/gui/MessageBox.h"

BEGIN_MESSAGE_MAP(CDlgShutdown, CDialog)
ON_WM_TIMER()
END_MESSAGE_MAP()

namespace {
constexpr UINT_PTR kCountdownTimer = 0;
constexpr UINT kTickMs = 1000;
constexpr int kTitleChars = 128;
}  // namespace

CDlgShutdown::CDlgShutdown(CWnd* parent) : CDialog(IDD_SHUTDOWN, parent) {}

BOOL CDlgShutdown::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetLangTextTable().ApplyDialogTexts(m_hWnd, IDD_SHUTDOWN);
    m_nSecondsLeft = 10;
    ShowSecondsLeft();
    SetTimer(kCountdownTimer, kTickMs);
    return TRUE;
}

void CDlgShutdown::ShowSecondsLeft()
{
    std::wstring title = FormatText(LookupText(L"TEXT_SHUTDOWN"), m_nSecondsLeft);
    if (title.size() > kTitleChars - 1) title.resize(kTitleChars - 1);
    SetWindowText(title.c_str());
}

void CDlgShutdown::OnTimer(UINT_PTR id)
{
    if (--m_nSecondsLeft < 0) {
        KillTimer(kCountdownTimer);
        EndDialog(static_cast<int>(kCountdownEnded));
    } else {
        ShowSecondsLeft();
    }
    CDialog::OnTimer(id);
}

bool ShutdownAfterEncoding(CWnd* owner)
{
    CDlgShutdown countdown(owner);
    if (countdown.DoModal() != CDlgShutdown::kCountdownEnded) return false;
    GetEncSettings().SaveSettings();
    // The system's login manager decides whether this user may switch the
    // computer off; there is no privilege of the process to raise first.
    UINT how = GetOsVersionCode() < 8 ? (EWX_SHUTDOWN | EWX_FORCE) : (EWX_POWEROFF | EWX_FORCE);
    if (ExitWindowsEx(how, 0)) return true;
    const wchar_t* reason = L"TEXT_SHUTDOWN_FAILED";
    switch (GetLastError()) {
    case ERROR_SERVICE_DOES_NOT_EXIST: reason = L"TEXT_SHUTDOWN_NO_LOGIND"; break;
    case ERROR_PRIVILEGE_NOT_HELD: reason = L"TEXT_SHUTDOWN_REFUSED"; break;
    default: break;
    }
    MessageBoxW(owner ? owner->GetSafeHwnd() : nullptr, LookupText(reason), LookupText(L"TEXT_APP_NAME"),
                MB_OK | MB_ICONWARNING);
    return false;
}
