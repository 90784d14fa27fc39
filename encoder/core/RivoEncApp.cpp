#include "RivoEncApp.h"

#include <algorithm>

#include "encoder/core/BatchReport.h"
#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/DesktopFileType.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/FilterModuleLoader.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/MessageDialogPort.h"
#include "encoder/core/PresetFileType.h"
#include "encoder/core/UpdateCheck.h"
#include "foundation/PathHelpers.h"
#include "foundation/ShellHelpers.h"
#include "platform/com/ComRuntime.h"
#include "platform/win32/Files.h"

PFN_GETLONGPATHNAME g_pfnGetLongPathName = nullptr;

namespace {

// The icon resource of the program's own message boxes.
constexpr UINT kProgramIcon = 128;

const wchar_t* const kMediaExtensions[] = {
    L".mpeg", L".mpg", L".dat",  L".mpe", L".mpv2", L".mp2v", L".m2t", L".m2ts", L".m1v", L".m2v", L".mp4", L".k3g",
    L".vob",  L".trp", L".tp",   L".ts",  L".avi",  L".divx", L".asx", L".wmx",  L".wvx", L".asf", L".wm",  L".wmv",
    L".wmd",  L".rm",  L".rmvb", L".ram", L".mov",  L".ivf",  L".ogm", L".mkv",  L".vp6", L".xvd", L".flv",
};

// The control-id map: the resource header beside the program or one folder
// above it, else "controlid.data" (taken even when missing).
CString ControlIdMapPath(const CString& programFolder)
{
    if (FileExists(programFolder + L"resource.h")) return programFolder + L"resource.h";
    if (FileExists(programFolder + L"../resource.h")) return programFolder + L"../resource.h";
    return programFolder + L"controlid.data";
}

}  // namespace

void LoadLongPathApi()
{
    // The file layer has the call itself; there is no module to look it up in.
    g_pfnGetLongPathName = &GetLongPathNameW;
}

int GetFileKindByExtension(const CString& path)
{
    CString extension = GetFileExtension(path);
    extension.MakeLower();
    extension.Trim();
    if (extension.IsEmpty()) return 0;
    for (const wchar_t* media : kMediaExtensions)
        if (extension == media) return 1;
    if (extension == L".ini" || extension == L".rvp") return 2;
    return 0;
}

bool IsCommandLineSwitch(const CString& argument)
{
    const std::wstring& text = argument.str();
    if (text.size() < 2 || text[0] != L'/') return false;
    const size_t nameEnd = std::min(text.find(L'='), text.size());
    for (size_t i = 1; i < nameEnd; ++i)
        if (text[i] == L'/' || text[i] == L'\\') return false;
    // Paths begin with the separator here too.
    return GetFileAttributesW(argument) == INVALID_FILE_ATTRIBUTES;
}

CString JoinEncoderCommandLine(const std::vector<std::wstring>& arguments)
{
    std::wstring text;
    for (const std::wstring& argument : arguments) {
        if (!text.empty()) text += L' ';
        const size_t equals = argument.find(L'=');
        const bool isSwitch = IsCommandLineSwitch(CString(argument));
        if (isSwitch && equals != std::wstring::npos &&
            (equals + 1 >= argument.size() || argument[equals + 1] != L'"')) {
            std::wstring value;
            for (wchar_t c : argument.substr(equals + 1)) {
                if (c == L'&')
                    value += L"&amp;";
                else if (c == L'"')
                    value += L"&quot;";
                else
                    value += c;
            }
            text += argument.substr(0, equals + 1) + L'"' + value + L'"';
        } else if (!isSwitch && (argument.empty() || argument.find_first_of(L" \t\r\n\"") != std::wstring::npos)) {
            // Inside quotes a backslash escapes: each one, and each quote,
            // gets one before it so the split gives the path back as it is.
            std::wstring quoted;
            for (wchar_t c : argument) {
                if (c == L'\\' || c == L'"') quoted += L'\\';
                quoted += c;
            }
            text += L'"' + quoted + L'"';
        } else if (argument.empty() || argument.find_first_of(L" \t") != std::wstring::npos) {
            text += L'"' + argument + L'"';
        } else {
            text += argument;
        }
    }
    return CString(text);
}

CRivoEncApp::CRivoEncApp(MainDialogFactory mainDialogFactory) : m_mainDialogFactory(std::move(mainDialogFactory)) {}

BOOL CRivoEncApp::InitInstance()
{
    m_bComInitialized = SUCCEEDED(CoInitialize(nullptr));
    SetCoreMessageIcon(nullptr, kProgramIcon);
    LoadLongPathApi();

    CEncSettings& settings = GetEncSettings();
    settings.InitSettings(1);

    const CString folder = CCoreEnvironment::Get().ProgramFolder();
    GetLangTextTable().LoadLangFile(folder + L"lang/" + settings.sLangIniFileName, folder + L"lang/korean.ini",
                                    ControlIdMapPath(folder));

    // Only the exact, whole command line is a file-type command.
    if (m_lpCmdLine == L"/regassoc" || m_lpCmdLine == L"/unregassoc") {
        if (m_lpCmdLine == L"/regassoc")
            RegisterPresetFileType();
        else
            UnregisterPresetFileType();
        NotifyDesktopAssociationChanged();
        m_bNoSaveSettings = TRUE;
        return FALSE;
    }

    DWORD exitCode = 0;
    if (!CheckForUpdate(nullptr, &exitCode)) {
        ShowUpdateFailure(exitCode);
        return FALSE;
    }

    if (m_mainDialogFactory) {
        std::unique_ptr<IRivoEncMainDialog> dialog = m_mainDialogFactory();
        if (dialog) {
            m_pMainWnd = dialog.get();
            dialog->DoModal();
            m_pMainWnd = nullptr;
        }
    }
    return FALSE;
}

void CRivoEncApp::ShowUpdateFailure(DWORD exitCode)
{
    const CString caption = LookupText(L"TEXT_APP_NAME");
    if (exitCode == kLauncherNewerVersionRequired) {
        // A newer version is required: offer the home page.
        if (ShowCoreMessage(nullptr, LookupText(L"TEXT_UPDATE_CHECK_UPDATE_NEEDED"), caption, kMessageYesNo) ==
            kAnswerYes)
            OpenUrlInDefaultBrowser(GetEncSettings().sHomePage);
        else
            ShowCoreMessage(nullptr, LookupText(L"TEXT_UPDATE_CHECK_EXIT_PROGRAM"), caption, kMessageOk);
        return;
    }
    CString text = CString(
        FormatText(L"%s(code:%d)", LookupText(L"TEXT_UPDATE_CHECK_FAILE_AND_EXIT"), static_cast<int>(exitCode)));
    ShowCoreMessage(nullptr, text, caption, kMessageOk);
}

int CRivoEncApp::ExitInstance()
{
    if (!m_bNoSaveSettings) GetEncSettings().SaveSettings();
    FreeFilterModules();
    if (m_bComInitialized) CoUninitialize();
    m_bComInitialized = false;
    return GetEncSettings().bAutoMode ? GetBatchReport().ExitStatus() : 0;
}
