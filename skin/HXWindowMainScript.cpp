// The skin's script in the skinned window: the script host, running a
// script, the texts the skin resolves through the language file or the
// script, and the view of the window that the script's native functions
// work on.
#include "skin/HXWindowMain.h"

#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/MessageQueue.h"
#include "skin/HXWindowChild.h"
#include "skin/SkinErrors.h"
#include "skin/controls/HXConBrowser.h"
#include "skin/controls/SkinImageControl.h"
#include "skin/script/ScriptNatives.h"

void HXWindowMain::MakeScriptHost()
{
    m_pScript = std::make_shared<HXScript>();
    RegisterScriptNatives(*m_pScript, this);
}

bool HXWindowMain::RunScript(const CString& text, HXSVal* result)
{
    if (!m_pScript) return true;
    HXSVal value;
    int code = 0;
    if (m_pScript->Run(text, value, code)) {
        if (result) *result = value;
        return true;
    }
    SetLastSkinError(*this, SKINERR_SCRIPT, L"EXP:%s CODE:%s", m_pScript->GetErrorMessage(),
                     HXScript::GetErrorText(code));
    return false;
}

void HXWindowMain::SetLanguageFile(const CString& path, const CString& section, int codePage)
{
    HXWindowMain* top = GetTopWindow();
    if (!top->m_pLanguage) top->m_pLanguage = std::make_unique<CIniFile>();
    // The code page given governs the next load; this one reads with the
    // reader's previous one.
    top->m_pLanguage->Load(path);
    top->m_pLanguage->m_nCodePage = codePage;
    top->m_sLanguageSection = section;
}

CString HXWindowMain::ResolveText(const CString& text)
{
    if (text.IsEmpty() || text[0] != L'$') return text;
    HXWindowMain* top = GetTopWindow();
    if (top->m_pLanguage) {
        const CString value = top->m_pLanguage->GetString(top->m_sLanguageSection, text, L"");
        if (!value.IsEmpty()) return value;
    }
    if (m_pScript) {
        HXSVal value;
        int code = 0;
        if (m_pScript->Run(text.Mid(1) + L";", value, code) && value.m_type == HXSVAL_STRING) return value.m_text;
    }
    return text;
}

// ---- The native script functions' view of the window --------------------------------

bool HXWindowMain::FindControlId(const CString& name, int& id)
{
    const SHxControlInfo* info = FindControlInfo(name);
    if (!info) return false;
    id = info->id;
    return true;
}

bool HXWindowMain::HasControl(int id) { return FindControl(id) != nullptr; }

CString HXWindowMain::GetControlText(int id)
{
    HXConBase* control = FindControl(id);
    return control ? control->GetText(0) : CString();
}

void HXWindowMain::SetControlText(int id, const CString& text)
{
    if (HXConBase* control = FindControl(id)) control->SetText(text, 0);
}

void HXWindowMain::SetControlTextColor(int id, COLORREF color)
{
    if (HXConBase* control = FindControl(id)) control->SetTextColor(color);
}

void HXWindowMain::RefreshControl(int id)
{
    if (HXConBase* control = FindControl(id)) control->RefreshControl();
}

void HXWindowMain::SetControlVisible(int id, bool shown)
{
    if (HXConBase* control = FindControl(id)) control->SetVisible(shown ? 1 : 0, 1);
}

int HXWindowMain::GetControlShown(int id)
{
    HXConBase* control = FindControl(id);
    return control && control->IsShown() ? 1 : 0;
}

void HXWindowMain::SetControlImageNum(int id, int image)
{
    if (auto* control = dynamic_cast<SkinImageControl*>(FindControl(id))) control->SelectImage(image, 1);
}

void HXWindowMain::NavigateControl(int id, const CString& url)
{
    // Only a browser control navigates; other controls ignore it.
    if (auto* browser = dynamic_cast<HXConBrowser*>(FindControl(id))) browser->Navigate(url, 0);
}

void HXWindowMain::SendCommand(int id)
{
    if (m_hWnd) SendMessageW(m_hWnd, WM_COMMAND, static_cast<WPARAM>(static_cast<UINT>(id)), 0);
}

void HXWindowMain::ShowMessageBox(const CString& text, const CString& caption)
{
    MessageBoxW(m_hWnd, text, caption, MB_OK);
}

void HXWindowMain::RelayoutAll() { Relayout(); }

bool HXWindowMain::RelayoutChildWindow(int id)
{
    HXWindowChild* nested = FindChildWindow(id);
    if (!nested) return false;
    nested->Relayout();
    return true;
}
