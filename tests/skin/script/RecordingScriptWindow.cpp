#include "RecordingScriptWindow.h"

#include <sstream>

#include "platform/win32/CodePage.h"

namespace {

std::string Utf8(const CString& s) { return WideToUtf8(s.str()); }

}  // namespace

void RecordingScriptWindow::Bind(const CString& name, int id) { names[name] = id; }

void RecordingScriptWindow::AddControl(const CString& name, int id, Kind kind, const CString& text)
{
    Bind(name, id);
    Control& c = controls[id];
    c.kind = kind;
    c.text = text;
}

void RecordingScriptWindow::AddChildWindow(const CString& name, int id)
{
    Bind(name, id);
    childWindows[id] = true;
}

bool RecordingScriptWindow::FindControlId(const CString& name, int& id)
{
    auto it = names.find(name);
    if (it == names.end()) return false;
    id = it->second;
    return true;
}

bool RecordingScriptWindow::HasControl(int id) { return controls.count(id) != 0; }

CString RecordingScriptWindow::GetControlText(int id) { return controls.at(id).text; }

void RecordingScriptWindow::SetControlText(int id, const CString& text)
{
    controls.at(id).text = text;
    Note("SetControlText " + std::to_string(id) + " " + Utf8(text));
}

void RecordingScriptWindow::SetControlTextColor(int id, COLORREF color)
{
    controls.at(id).color = color;
    std::ostringstream os;
    os << "SetControlTextColor " << id << " 0x" << std::hex << color;
    Note(os.str());
}

void RecordingScriptWindow::RefreshControl(int id) { Note("RefreshControl " + std::to_string(id)); }

void RecordingScriptWindow::SetControlVisible(int id, bool shown)
{
    controls.at(id).shown = shown ? 1 : 0;
    Note("SetControlVisible " + std::to_string(id) + " " + (shown ? "1" : "0"));
}

int RecordingScriptWindow::GetControlShown(int id) { return controls.at(id).shown; }

void RecordingScriptWindow::SetControlImageNum(int id, int image)
{
    Control& c = controls.at(id);
    if (c.kind != Kind::Static && c.kind != Kind::Button) return;
    c.image = image;
    Note("SetControlImageNum " + std::to_string(id) + " " + std::to_string(image));
}

void RecordingScriptWindow::NavigateControl(int id, const CString& url)
{
    Control& c = controls.at(id);
    if (c.kind != Kind::Browser) return;
    c.url = url;
    Note("NavigateControl " + std::to_string(id) + " " + Utf8(url));
}

void RecordingScriptWindow::SendCommand(int id) { Note("SendCommand " + std::to_string(id)); }

void RecordingScriptWindow::ShowMessageBox(const CString& text, const CString& caption)
{
    Note("MessageBox [" + Utf8(text) + "] [" + Utf8(caption) + "]");
}

void RecordingScriptWindow::RelayoutAll() { Note("RelayoutAll"); }

bool RecordingScriptWindow::RelayoutChildWindow(int id)
{
    if (!childWindows.count(id)) return false;
    Note("RelayoutChildWindow " + std::to_string(id));
    return true;
}
