#include "ScriptNatives.h"

#include "foundation/ShellHelpers.h"
#include "platform/win32/TextScan.h"

namespace {

using Args = std::vector<HXSVal>;

IScriptWindow* Window(void* object) { return static_cast<IScriptWindow*>(object); }

// The id of a named control that the window holds.
bool FindControl(IScriptWindow* window, const CString& name, int& id)
{
    return window && window->FindControlId(name, id) && window->HasControl(id);
}

HXSVal SendCommand(void* object, const Args& args)
{
    int id = 0;
    IScriptWindow* window = Window(object);
    if (window && window->FindControlId(args[0].m_text, id)) window->SendCommand(id);
    return HXSVal();
}

HXSVal GetControlText(void* object, const Args& args)
{
    int id = 0;
    IScriptWindow* window = Window(object);
    return HXSVal::String(FindControl(window, args[0].m_text, id) ? window->GetControlText(id) : CString());
}

HXSVal SetControlText(void* object, const Args& args)
{
    int id = 0;
    IScriptWindow* window = Window(object);
    if (FindControl(window, args[0].m_text, id)) window->SetControlText(id, args[1].m_text);
    return HXSVal();
}

HXSVal SetControlTextColor(void* object, const Args& args)
{
    int id = 0;
    IScriptWindow* window = Window(object);
    if (!FindControl(window, args[0].m_text, id)) return HXSVal();
    // Scripts write colours as 0xRRGGBB; the control takes 0x00BBGGRR.
    const auto rgb = static_cast<uint32_t>(args[1].m_nValue);
    const COLORREF color = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    window->SetControlTextColor(id, color);
    window->RefreshControl(id);
    return HXSVal();
}

HXSVal MessageBoxText(void* object, const Args& args)
{
    if (IScriptWindow* window = Window(object)) window->ShowMessageBox(args[0].m_text, CString());
    return HXSVal();
}

HXSVal MessageBoxNum(void* object, const Args& args)
{
    CString text;
    text.Format(L"%d", args[0].m_nValue);
    if (IScriptWindow* window = Window(object)) window->ShowMessageBox(text, L"HXS");
    return HXSVal();
}

HXSVal ShowControl(void* object, const Args& args)
{
    IScriptWindow* window = Window(object);
    if (!window) return HXSVal();
    int id = 0;
    if (!window->FindControlId(args[0].m_text, id)) {
        window->ShowMessageBox(L"ShowControl() Failed - Can't Find Control ID", L"HXS");
    } else if (!window->HasControl(id)) {
        window->ShowMessageBox(L"ShowControl() Failed - Can't Find Child Control", L"HXS");
    } else {
        window->SetControlVisible(id, args[1].m_nValue != 0);
    }
    return HXSVal();
}

HXSVal GetControlShow(void* object, const Args& args)
{
    int id = 0;
    IScriptWindow* window = Window(object);
    return HXSVal::Int(FindControl(window, args[0].m_text, id) ? window->GetControlShown(id) : 0);
}

HXSVal RefreshAll(void* object, const Args& args)
{
    IScriptWindow* window = Window(object);
    if (!window) return HXSVal();
    int id = 0;
    if (args[0].m_text.IsEmpty())
        window->RelayoutAll();
    else if (window->FindControlId(args[0].m_text, id))
        window->RelayoutChildWindow(id);
    return HXSVal();
}

HXSVal SetImageNum(void* object, const Args& args)
{
    int id = 0;
    IScriptWindow* window = Window(object);
    if (FindControl(window, args[0].m_text, id)) window->SetControlImageNum(id, args[1].m_nValue);
    return HXSVal();
}

HXSVal Navigate(void* object, const Args& args)
{
    int id = 0;
    IScriptWindow* window = Window(object);
    if (FindControl(window, args[0].m_text, id)) window->NavigateControl(id, args[1].m_text);
    return HXSVal();
}

HXSVal OpenHomepage(void*, const Args& args)
{
    OpenUrlInDefaultBrowser(args[0].m_text);
    return HXSVal();
}

HXSVal Atoi(void*, const Args& args) { return HXSVal::Int(ReadDecimalPrefix(args[0].m_text)); }

HXSVal Itoa(void*, const Args& args)
{
    CString text;
    text.Format(L"%d", args[0].m_nValue);
    return HXSVal::String(text);
}

struct NativeEntry {
    const wchar_t* name;
    const wchar_t* alias;
    const wchar_t* signature;
    HXSNativeFunc function;
    bool onWindow;
};

constexpr NativeEntry kNatives[] = {
    {L"SendCommand", L"SCMD", L"Vs", SendCommand, true},
    {L"GetControlText", L"GCT", L"Ss", GetControlText, true},
    {L"SetControlText", L"SCT", L"Vss", SetControlText, true},
    {L"SetControlTextColor", L"SCTC", L"Vsi", SetControlTextColor, true},
    {L"MessageBox", L"MB", L"Vs", MessageBoxText, true},
    {L"MessageBoxNum", L"MBN", L"Vi", MessageBoxNum, true},
    {L"ShowControl", L"SC", L"Vsi", ShowControl, true},
    {L"GetControlShow", nullptr, L"Is", GetControlShow, true},
    {L"RefreshAll", L"RA", L"Vs", RefreshAll, true},
    {L"SetImageNum", L"SETIN", L"Vsi", SetImageNum, true},
    {L"Navigate", nullptr, L"Vss", Navigate, true},
    {L"OpenHomepage", nullptr, L"Vs", OpenHomepage, false},
    {L"atoi", nullptr, L"Is", Atoi, false},
    {L"itoa", nullptr, L"Si", Itoa, false},
};

}  // namespace

bool RegisterScriptNatives(HXScript& script, IScriptWindow* window)
{
    bool all = true;
    for (const NativeEntry& e : kNatives) {
        void* object = e.onWindow ? static_cast<void*>(window) : nullptr;
        all = script.RegisterApi(e.name, e.signature, e.function, object) && all;
        if (e.alias) all = script.RegisterApi(e.alias, e.signature, e.function, object) && all;
    }
    return all;
}
