// Renders a skin headless the way the encoder's main window builds it: a
// skin window over a host window, the language file's SKIN section, the
// main window's names bound to a host that only records what it receives,
// and the job list as a real list view placed by the skin. Writes the
// window's picture as PNG and reports every bound name that is missing or not
// visible inside the window, and every control whose text does not fit.
//
//   rivo-skin-render SKIN_DIR_OR_ZIP OUT.png [WIDTH HEIGHT]
//                    [--state NAME=hover|pressed|disabled ...] [--lang ko|en]
//
// The language file is the one of the program folder the skin lies in
// (SKIN_DIR_OR_ZIP is <program>/skins/<name>[.zip]). Exit status: 0 when
// nothing is reported, 1 when something is, 2 when the skin cannot be
// rendered at all.
#include <QApplication>
#include <QImage>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "encoder/ui/MainSkinBindings.h"
#include "foundation/IniFile.h"
#include "platform/mfc/CommCtrl.h"
#include "platform/mfc/ControlClasses.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/DrawText.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/QtAccess.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/HXSubFont.h"
#include "skin/HXWindowMain.h"
#include "skin/SkinMessages.h"
#include "skin/controls/HXConButton.h"
#include "skin/controls/HXConPopupMenuButton.h"
#include "skin/controls/HXConStatic.h"

namespace {

namespace fs = std::filesystem;

struct StateRequest {
    std::string name;
    std::string state;  // hover, pressed, disabled
};

struct Options {
    std::string skin;
    std::string output;
    int width = 700;
    int height = 560;
    std::string lang = "ko";
    std::vector<StateRequest> states;
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: rivo-skin-render SKIN_DIR_OR_ZIP OUT.png [WIDTH HEIGHT] "
                 "[--state NAME=hover|pressed|disabled ...] [--lang ko|en]\n");
    return 2;
}

bool ParseOptions(int argc, char** argv, Options& o)
{
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--state" && i + 1 < argc) {
            const std::string v = argv[++i];
            const size_t eq = v.find('=');
            if (eq == std::string::npos || eq == 0) return false;
            StateRequest r{v.substr(0, eq), v.substr(eq + 1)};
            if (r.state != "hover" && r.state != "pressed" && r.state != "disabled") return false;
            o.states.push_back(r);
        } else if (a == "--lang" && i + 1 < argc) {
            o.lang = argv[++i];
            if (o.lang != "ko" && o.lang != "en") return false;
        } else if (a.rfind("--", 0) == 0) {
            return false;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2 && positional.size() != 4) return false;
    o.skin = positional[0];
    o.output = positional[1];
    if (positional.size() == 4) {
        o.width = std::atoi(positional[2].c_str());
        o.height = std::atoi(positional[3].c_str());
        // Beyond any screen the program meets; a bitmap that size is refused.
        if (o.width <= 0 || o.height <= 0 || o.width > 8192 || o.height > 8192) return false;
    }
    int mouse = 0;
    for (const StateRequest& r : o.states) mouse += r.state != "disabled";
    return mouse <= 1;  // one mouse: one hovered or pressed control
}

// The host: records the commands and skin notifications it receives, and
// answers every notification with 0 as a main window does that has nothing
// to add.
struct Received {
    UINT message;
    WPARAM wParam;
};
std::vector<Received> g_received;

LRESULT HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND || message == SkinNotifyMessage()) {
        g_received.push_back({message, wParam});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeHost(int width, int height)
{
    WNDCLASSEXW wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = L"RivoSkinRenderHost";
    RegisterClassExW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"RivoEnc", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                           nullptr, nullptr, nullptr);
}

// The job list as the main window makes it: a report list view with its
// seven columns headed by the language file's texts.
HWND MakeJobList(HWND host, const CIniFile& language)
{
    RegisterControlClasses();
    HWND list =
        CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 10, 10,
                        host, reinterpret_cast<HMENU>(static_cast<intptr_t>(kMainSkinJobListId)), nullptr, nullptr);
    if (!list) return nullptr;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, 0x420);
    const int widths[7] = {200, 230, 70, 60, 200, 240, 240};
    for (int i = 0; i < 7; ++i) {
        const std::wstring key = L"TEXT_LIST_FILES_HEAD" + std::to_wstring(i);
        CString heading = language.GetString(L"TEXT", CString(key.c_str()), L"");
        LVCOLUMNW column;
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.cx = widths[i];
        column.pszText = const_cast<wchar_t*>(heading.GetString());
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

std::string Narrow(const CString& text) { return WideToUtf8(text.str()); }

const wchar_t* NameOf(int id)
{
    if (id == kMainSkinJobListId) return kMainSkinJobListName;
    for (const MainSkinBinding& b : kMainSkinBindings)
        if (b.id == id) return b.name;
    return nullptr;
}

std::string Describe(HXConBase* control)
{
    const wchar_t* name = NameOf(control->GetBinding().id);
    RECT r;
    control->GetRect(&r);
    char where[64];
    std::snprintf(where, sizeof where, "(%ld,%ld,%ld,%ld)", static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right), static_cast<long>(r.bottom));
    return (name ? WideToUtf8(name) + " " : std::string("control at ")) + where;
}

bool Inside(const RECT& r, int width, int height)
{
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height;
}

// Every bound name the main window shows must be a shown control of a
// usable size inside the window. The browser may be absent; the preset menu
// is no control.
void CheckBoundNames(HXWindowMain& window, HWND list, int width, int height, std::vector<std::string>& problems)
{
    std::vector<MainSkinBinding> expected;
    for (const MainSkinBinding& b : kMainSkinBindings)
        if (b.id != kMainSkinBrowserId && b.id != kMainSkinPresetMenuId) expected.push_back(b);
    expected.push_back({kMainSkinJobListName, kMainSkinJobListId});
    for (const MainSkinBinding& b : expected) {
        HXConBase* control = window.FindControl(b.id);
        const std::string name = WideToUtf8(b.name);
        if (!control) {
            problems.push_back("missing: " + name);
            continue;
        }
        RECT r;
        control->GetRect(&r);
        if (!control->IsShown() || r.right <= r.left || r.bottom <= r.top || control->IsTooSmall())
            problems.push_back("not visible: " + Describe(control));
        else if (!Inside(r, width, height))
            problems.push_back("outside the window: " + Describe(control));
    }
    // What the main window looks its controls up as: the destination folder
    // label a static, the two buttons buttons, the preset button the pop-up
    // of the preset menu.
    struct Kind {
        int id;
        bool ok;
        const char* expected;
    };
    HXConBase* preset = window.FindControl(32794);
    auto* popup = dynamic_cast<HXConPopupMenuButton*>(preset);
    const Kind kinds[] = {
        {32787, dynamic_cast<HXConStatic*>(window.FindControl(32787)) != nullptr, "a static"},
        {32786, dynamic_cast<HXConButton*>(window.FindControl(32786)) != nullptr, "a button"},
        {32794, popup && popup->GetMenuId() == kMainSkinPresetMenuId, "a pop-up button of the preset menu"},
    };
    for (const Kind& k : kinds)
        if (window.FindControl(k.id) && !k.ok)
            problems.push_back("not " + std::string(k.expected) + ": " + Describe(window.FindControl(k.id)));
    // The list view itself, where the skin put it.
    RECT lr;
    if (!list || !GetWindowRect(list, &lr) || lr.right - lr.left < 1 || lr.bottom - lr.top < 1 ||
        !IsWindowVisible(list))
        problems.push_back("not visible: the job list's window");
}

// The main window has no frame of its own: the skin must give it a strip
// that drags it and a border that sizes it.
void CheckFrame(HXWindowMain& window, std::vector<std::string>& problems)
{
    bool caption = false;
    for (HXConBase* control : window.GetControls()) {
        RECT r;
        control->GetRect(&r);
        caption = caption ||
                  (control->GetNcHitTest() == HTCAPTION && control->IsShown() && r.right > r.left && r.bottom > r.top);
    }
    if (!caption) problems.push_back("no title strip: no shown control answers HTCAPTION");
    if (!window.GetOptions().resizeBorder) problems.push_back("no resize border");
}

// Texts that do not fit the text rectangle of their control (the control's
// rectangle less its inner gaps), and "$" texts the language file did not
// answer. Texts the control shortens itself with an ellipsis only need to
// fit in height.
void CheckTexts(HXWindowMain& window, int width, int height, std::vector<std::string>& problems)
{
    std::vector<HXConBase*> controls = window.GetControls();
    for (HXConBase* control : controls) {
        if (control->GetTooltip().Left(1) == L"$")
            problems.push_back("text not in the language file: " + Narrow(control->GetTooltip()) + " in " +
                               Describe(control));
        RECT r;
        control->GetRect(&r);
        if (!control->IsShown() || r.right <= r.left || r.bottom <= r.top) continue;
        const bool button = dynamic_cast<HXConButton*>(control) != nullptr;
        const RECT& g = control->GetInnerGaps();
        const int roomW = (r.right - g.right) - (r.left + g.left), roomH = (r.bottom - g.bottom) - (r.top + g.top);
        const bool shortens = (control->GetTextFormat() & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS)) != 0;
        for (int index = 0; index < (button ? 3 : 1); ++index) {
            const CString text = control->GetText(index);
            if (text.IsEmpty()) continue;
            if (text.Left(1) == L"$") {
                problems.push_back("text not in the language file: " + Narrow(text) + " in " + Describe(control));
                continue;
            }
            HXSubFont* font = control->GetFont();
            SIZE need{0, 0};
            if (!font || !font->MeasureText(text, &need)) {
                problems.push_back("text not measured (no skin font): \"" + Narrow(text) + "\" in " +
                                   Describe(control));
                continue;
            }
            if ((!shortens && need.cx > roomW) || need.cy > roomH)
                problems.push_back("text does not fit: \"" + Narrow(text) + "\" needs " + std::to_string(need.cx) +
                                   "x" + std::to_string(need.cy) + ", has " + std::to_string(roomW) + "x" +
                                   std::to_string(roomH) + " in " + Describe(control));
            else if (!Inside(r, width, height))
                problems.push_back("text outside the window: \"" + Narrow(text) + "\" in " + Describe(control));
        }
    }
}

bool ApplyStates(HXWindowMain& window, const Options& o)
{
    for (const StateRequest& s : o.states) {
        const SHxControlInfo* info = window.FindControlInfo(CString(Utf8ToWide(s.name)));
        HXConBase* control = info ? window.FindControl(info->id) : nullptr;
        if (!control) {
            std::fprintf(stderr, "rivo-skin-render: --state names no control of the skin: %s\n", s.name.c_str());
            return false;
        }
        if (s.state == "disabled") {
            control->SetEnabled(0, 1);
            continue;
        }
        RECT r;
        control->GetRect(&r);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(window.GetSafeHwnd(), &p);
        InjectMouseMove(p);
        if (s.state == "pressed") InjectMouseButton(MouseButton::Left, true, p);
        DispatchPendingMessages();
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!ParseOptions(argc, argv, o)) return Usage();
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    // <program>/skins/<skin>: the program folder holds lang/.
    const fs::path skinPath = fs::absolute(o.skin).lexically_normal();
    const fs::path program = skinPath.parent_path().parent_path();
    const fs::path languagePath = program / "lang" / (o.lang == "en" ? "english.ini" : "korean.ini");
    CIniFile language;
    if (!language.Load(CString(Utf8ToWide(languagePath.string())))) {
        std::fprintf(stderr, "rivo-skin-render: cannot read the language file %s\n", languagePath.c_str());
        return 2;
    }

    HWND host = MakeHost(o.width, o.height);
    HWND list = host ? MakeJobList(host, language) : nullptr;
    if (!host || !list) {
        std::fprintf(stderr, "rivo-skin-render: cannot make the host window\n");
        return 2;
    }
    HXWindowMain window;
    if (!window.Create(host, RECT{0, 0, 0, 0}, WS_CHILD | WS_VISIBLE, 0)) {
        std::fprintf(stderr, "rivo-skin-render: cannot make the skin window\n");
        return 2;
    }
    // The main window's order: language, skin source, document, bindings,
    // the job list, build.
    window.SetLanguageFile(CString(Utf8ToWide(languagePath.string())), L"SKIN", 0);
    std::vector<std::string> problems;
    bool built =
        window.OpenSkin(CString(Utf8ToWide(skinPath.string())), 0) && window.LoadSkinDocument(L"skin.xml", 0, 0);
    if (built) {
        for (const MainSkinBinding& b : kMainSkinBindings) window.AddCommandControl(b.name, b.id);
        window.AddWindowControl(kMainSkinJobListName, kMainSkinJobListId, list);
        built = window.BuildSkinWindow(-1);
    }
    if (!built) {
        std::fprintf(stderr, "rivo-skin-render: the skin does not build: %s\n",
                     Narrow(window.GetLastErrorMessage()).c_str());
        return 2;
    }
    MoveWindow(window.GetSafeHwnd(), 0, 0, o.width, o.height, TRUE);
    DispatchPendingMessages();
    if (!ApplyStates(window, o)) return 2;
    DispatchPendingMessages();

    CheckBoundNames(window, list, o.width, o.height, problems);
    CheckFrame(window, problems);
    CheckTexts(window, o.width, o.height, problems);

    QWidget* widget = GetWindowQWidget(host);
    const QImage picture = widget ? widget->grab().toImage() : QImage();
    if (picture.isNull() || !picture.save(QString::fromStdString(o.output), "PNG")) {
        std::fprintf(stderr, "rivo-skin-render: cannot write %s\n", o.output.c_str());
        return 2;
    }
    // A skin that sends the host commands by itself while it loads would
    // act behind the user's back.
    for (const Received& r : g_received)
        if (r.message == WM_COMMAND) problems.push_back("command sent while loading: " + std::to_string(r.wParam));
    for (const std::string& p : problems) std::printf("%s\n", p.c_str());
    std::printf("%s: %dx%d, %s, %zu problem(s)\n", o.output.c_str(), o.width, o.height, o.lang.c_str(),
                problems.size());
    return problems.empty() ? 0 : 1;
}
