// A skin window for the native functions' tests: names bound to ids, some
// ids held as controls (of a kind: static, button, browser, other), nested
// windows by id, and a log of every window operation in calling order.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "skin/script/IScriptWindow.h"

class RecordingScriptWindow : public IScriptWindow {
public:
    enum class Kind { Static, Button, Browser, Other };
    struct Control {
        Kind kind = Kind::Other;
        CString text;
        COLORREF color = 0;
        int shown = 1;
        int image = -1;
        CString url;
    };

    // Binds a name to an id; with a kind, the window also holds a control
    // of that id.
    void Bind(const CString& name, int id);
    void AddControl(const CString& name, int id, Kind kind, const CString& text = CString());
    void AddChildWindow(const CString& name, int id);
    Control& At(int id) { return controls[id]; }

    bool FindControlId(const CString& name, int& id) override;
    bool HasControl(int id) override;
    CString GetControlText(int id) override;
    void SetControlText(int id, const CString& text) override;
    void SetControlTextColor(int id, COLORREF color) override;
    void RefreshControl(int id) override;
    void SetControlVisible(int id, bool shown) override;
    int GetControlShown(int id) override;
    void SetControlImageNum(int id, int image) override;
    void NavigateControl(int id, const CString& url) override;
    void SendCommand(int id) override;
    void ShowMessageBox(const CString& text, const CString& caption) override;
    void RelayoutAll() override;
    bool RelayoutChildWindow(int id) override;

    // Operations that change something, as "SetControlText 7 abc" and the like
    // (look-ups are not logged).
    std::vector<std::string> log;
    std::map<CString, int> names;
    std::map<int, Control> controls;
    std::map<int, bool> childWindows;

private:
    void Note(const std::string& entry) { log.push_back(entry); }
};
