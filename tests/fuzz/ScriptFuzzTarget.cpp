#include "ScriptFuzzTarget.h"

#include <string>

#include "platform/win32/CodePage.h"
#include "skin/script/HXScript.h"
#include "skin/script/ScriptNatives.h"

namespace {

// A window of three controls whose operations do nothing.
class QuietWindow : public IScriptWindow {
public:
    bool FindControlId(const CString& name, int& id) override
    {
        if (name.IsEmpty() || name.GetLength() > 1) return false;
        id = name[0] % 4;
        return true;
    }
    bool HasControl(int id) override { return id != 3; }
    CString GetControlText(int id) override { return id == 0 ? L"text" : L""; }
    void SetControlText(int, const CString&) override {}
    void SetControlTextColor(int, COLORREF) override {}
    void RefreshControl(int) override {}
    void SetControlVisible(int, bool) override {}
    int GetControlShown(int id) override { return id == 1 ? 1 : 0; }
    void SetControlImageNum(int, int) override {}
    void NavigateControl(int, const CString&) override {}
    void SendCommand(int) override {}
    void ShowMessageBox(const CString&, const CString&) override {}
    void RelayoutAll() override {}
    bool RelayoutChildWindow(int id) override { return id == 2; }
};

HXSVal NoHomepage(void*, const std::vector<HXSVal>&) { return HXSVal(); }

}  // namespace

int FuzzScript(const uint8_t* data, size_t size)
{
    const std::wstring text = Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size));
    QuietWindow window;
    HXScript host;
    // Registered first, so that the real one (which starts a browser) is
    // refused: a second native of a name never replaces the first.
    host.RegisterApi(L"OpenHomepage", L"Vs", NoHomepage);
    RegisterScriptNatives(host, &window);
    host.GetMachine().SetStepLimit(20000);
    for (int run = 0; run < 2; ++run) {
        HXSVal out;
        int code = 0;
        if (!host.Run(text.c_str(), out, code)) {
            (void)host.GetErrorMessage();
            (void)HXScript::GetErrorText(code);
        }
    }
    host.Reset(false);
    return 0;
}
