#include "SkinFuzzTargets.h"

#include <memory>
#include <string>

#include <stdlib.h>

#include "platform/win32/CodePage.h"
#include "platform/win32/Folders.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/AttributeValues.h"
#include "skin/HDib.h"
#include "skin/HXConBase.h"
#include "skin/HXSubFont.h"
#include "skin/HXWindowMain.h"
#include "skin/SkinOwner.h"
#include "skin/WindowRegion.h"

namespace {

// A skin window that knows one image and resolves no text.
class FuzzOwner : public SkinOwner {
public:
    CString ResolveText(const CString& text) override { return text; }
    HDib* GetImage(const CString& name) override { return name == L"img" ? &image : nullptr; }
    HCURSOR FindCursor(const CString&) override { return nullptr; }
    HXSubFont* FindFont(const CString&) override { return nullptr; }
    int SetControlTimer(HXConBase*, int, int) override { return 1; }
    LRESULT NotifyApplication(WPARAM, LPARAM) override { return 0; }
    bool FindControlId(const CString&, int&) override { return false; }
    HXConBase* FindControl(int) override { return nullptr; }
    HXManAlign* FindLayoutNode(const HXConBase*) override { return nullptr; }
    void Relayout() override {}
    int GetSkinSource(CString&, int&, int&) override { return 0; }
    int UnpackSkin(CString&) override { return 0; }
    HDib image;
};

// A 24-bit BMP of cells side by side, each of one grey.
std::string CellsBmp(int cellWidth, int height, int cells)
{
    const int width = cellWidth * cells;
    const int stride = (width * 3 + 3) & ~3;
    std::string out = "BM";
    auto put = [&out](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const uint32_t dataSize = static_cast<uint32_t>(stride * height);
    put(54 + dataSize, 4), put(0, 4), put(54, 4), put(40, 4), put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4), put(1, 2), put(24, 2), put(0, 4), put(dataSize, 4);
    put(0, 4), put(0, 4), put(0, 4), put(0, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const char grey = static_cast<char>(40 + 50 * (x / cellWidth));
            out += (x % cellWidth == 0) ? static_cast<char>(0xFF) : grey;
            out += (x % cellWidth == 0) ? static_cast<char>(0x00) : grey;
            out += (x % cellWidth == 0) ? static_cast<char>(0xFF) : grey;
        }
        out.append(static_cast<size_t>(stride - width * 3), '\0');
    }
    return out;
}

// The skin folder (made once per process) with the files a document may
// name: img.bmp, cells.bmp (four cells), btn.bmp and arrow.cur.
const std::string& FuzzSkinFolder()
{
    static const std::string folder = [] {
        std::string base = GetPrivateRuntimeFolder();
        if (base.empty()) base = "/tmp/";
        std::string pattern = base + "skinfuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) return std::string();
        WriteFileAtomically(pattern + "/img.bmp", CellsBmp(8, 8, 1));
        WriteFileAtomically(pattern + "/cells.bmp", CellsBmp(6, 6, 4));
        WriteFileAtomically(pattern + "/btn.bmp", CellsBmp(10, 5, 4));
        WriteFileAtomically(pattern + "/LIST.ini", "");
        // A 1 by 1 cursor: directory, entry, 32-bit DIB (colour and mask rows).
        std::string cursor;
        auto put = [&cursor](uint32_t v, int bytes) {
            for (int b = 0; b < bytes; ++b) cursor += static_cast<char>((v >> (8 * b)) & 0xFF);
        };
        put(0, 2), put(2, 2), put(1, 2);
        put(1, 1), put(1, 1), put(0, 1), put(0, 1), put(0, 2), put(0, 2), put(48, 4), put(22, 4);
        put(40, 4), put(1, 4), put(2, 4), put(1, 2), put(32, 2);
        for (int k = 0; k < 6; ++k) put(0, 4);
        put(0xFF0000FF, 4), put(0, 4);
        WriteFileAtomically(pattern + "/arrow.cur", cursor);
        return pattern;
    }();
    return folder;
}

}  // namespace

int FuzzSkinDocument(const uint8_t* data, size_t size)
{
    const std::string& folder = FuzzSkinFolder();
    if (folder.empty()) return 0;
    if (!WriteFileAtomically(folder + "/skin.xml", std::string(reinterpret_cast<const char*>(data), size))) return 0;
    static HWND host = nullptr;
    if (!host || !IsWindow(host)) {
        WNDCLASSEXW wc;
        if (!GetClassInfoExW(nullptr, L"SkinFuzzHost", &wc)) {
            wc = WNDCLASSEXW();
            wc.lpfnWndProc = DefWindowProcW;
            wc.lpszClassName = L"SkinFuzzHost";
            RegisterClassExW(&wc);
        }
        host = CreateWindowExW(0, L"SkinFuzzHost", L"", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr,
                               nullptr, nullptr);
    }
    // Scripts may show message boxes (answered at once) and may loop (they
    // stop after a number of steps).
    struct InstantAnswers : MessageBoxAnswerer {
        int Answer(HWND, const std::wstring&, const std::wstring&, UINT) override { return IDOK; }
    };
    static InstantAnswers answers;
    SetMessageBoxAnswerer(&answers);
    // A popup-menu button's menu closes at once with nothing chosen.
    struct ClosedMenus : MenuPresenter {
        UINT Present(HMENU, UINT, POINT, HWND) override { return 0; }
    };
    static ClosedMenus menus;
    SetMenuPresenter(&menus);
    {
        HXWindowMain window;
        if (!window.Create(host, RECT{0, 0, 160, 120}, WS_CHILD | WS_VISIBLE, 0x80)) return 0;
        window.GetScriptHost()->GetMachine().SetStepLimit(20000);
        static const wchar_t* const kNames[] = {L"ID_A", L"ID_B", L"ID_C", L"ID_CMD", L"ID_LIST"};
        int id = 100;
        if (window.OpenSkin(CString(FromNativePath(folder)), 0) && window.LoadSkinDocument(L"skin.xml", 0, 1)) {
            for (const wchar_t* name : kNames) window.AddCommandControl(name, id++);
            window.AddWindowControl(L"ID_NATIVE", 7, host);
            if (window.BuildSkinWindow(-1)) {
                HWND skin = window.GetSafeHwnd();
                MoveWindow(skin, 0, 0, 320, 240, TRUE);
                const POINT points[] = {{5, 5}, {40, 30}, {150, 100}, {300, 200}, {-5, 10}};
                for (const POINT p : points) {
                    POINT screen = p;
                    ClientToScreen(skin, &screen);
                    SetCursorPos(screen.x, screen.y);
                    const LPARAM at = static_cast<LPARAM>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
                    const LPARAM atScreen =
                        static_cast<LPARAM>(MAKELONG(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
                    SendMessageW(skin, WM_NCHITTEST, 0, atScreen);
                    SendMessageW(skin, WM_SETCURSOR, reinterpret_cast<WPARAM>(skin), MAKELONG(HTCLIENT, WM_MOUSEMOVE));
                    SendMessageW(skin, WM_MOUSEMOVE, 0, at);
                    SendMessageW(skin, WM_LBUTTONDOWN, MK_LBUTTON, at);
                    SendMessageW(skin, WM_LBUTTONUP, 0, at);
                    SendMessageW(skin, WM_RBUTTONDBLCLK, 0, at);
                    SendMessageW(skin, WM_RBUTTONUP, 0, at);
                    SendMessageW(skin, WM_MOUSEWHEEL, MAKELONG(0, 120), atScreen);
                }
                SendMessageW(skin, WM_MOUSELEAVE, 0, 0);
                window.SetColorTheme(-1);
                window.Relayout();
                for (int i = 100; i < id; ++i)
                    if (HXConBase* control = window.FindControl(i)) control->SetVisible(!control->IsShown(), 1);
                // A draggable skin asked the system to drag it: with no hand
                // on the mouse the drag would wait for ever, so it is dropped.
                MSG drag;
                for (int i = 0; i < 100 && PeekMessageW(&drag, nullptr, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE);
                     ++i) {}
                // A bounded number of messages: posted refreshes and commands.
                for (int i = 0; i < 50 && DispatchPendingMessages() > 0; ++i) {}
            }
        }
    }
    // What the window left queued is dispatched, a bounded number of times
    // (a window that needs painting is asked again until it is painted).
    for (int i = 0; i < 50 && DispatchPendingMessages() > 0; ++i) {}
    return 0;
}

int FuzzSkinBitmap(const uint8_t* data, size_t size)
{
    HDib dib;
    if (!dib.LoadBmp(data, size)) return 0;
    // Pictures that big are the loader's business, not the drawing's.
    if (static_cast<long long>(dib.GetWidth()) * dib.GetHeight() > (1 << 20)) return 0;
    HRGN region = RegionFromBitmap(&dib, HDib::kKeyColor);
    if (region) DeleteObject(region);
    if (!dib.ConvertDepth(24)) return 0;
    HDib target;
    if (!target.CreateFilled(37, 23, 24, RGB(1, 2, 3))) return 0;
    const int w = dib.GetWidth(), h = dib.GetHeight();
    dib.Copy(&target, -w / 2, 3, 1, -2, -1, -1);
    dib.CopyKeyed(&target, 30, 20, 0, 0, w, h);
    dib.Blend(&target, 2, -7, 3, 1, w, h, static_cast<int>(size & 0xFF));
    dib.BlendKeyed(&target, 0, 0, 0, 0, -1, -1, 128);
    dib.StretchCopy(&target, -3, -3, 50, 9, 1, 1, w, h);
    dib.DrawGridCell(&target, 4, 4, 3, 1, 2, 1, 1, -1);
    dib.Tile(&target, RECT{-5, -5, 40, 30}, 3, -2, 1);
    dib.Tint(10, -20, 300, 1);
    HDib wide;
    dib.ConvertDepth(32, &wide);
    return 0;
}

int FuzzSkinAttributes(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring text = Utf8ToWide(bytes);
    RECT r;
    ParseRectAttribute(text.c_str(), &r);
    int a = -1, b = -1;
    ParsePointAttribute(text.c_str(), &a, &b);
    ParseColorAttribute(text.c_str());
    ParseBackgroundColorAttribute(text.c_str());
    ParseNcHitTest(text.c_str());
    UINT flags = 0;
    ParseTextFormat(text.c_str(), &flags);
    ParseCursorAttribute(text.c_str());

    CXmlDocument doc;
    if (!doc.LoadFromMemory(data, size) || !doc.m_pRoot) return 0;
    FuzzOwner owner;
    owner.image.CreateFilled(8, 4, 24, HDib::kKeyColor);
    owner.image.Fill(RGB(1, 1, 1));
    HRGN region = nullptr;
    int code = 0;
    CString detail;
    ParseWindowRegion(doc.m_pRoot, &region, &code, &detail, &owner);
    if (region) DeleteObject(region);
    HXSubFont* font = nullptr;
    CString name;
    if (ParseFontAttribute(&owner, doc.m_pRoot, &font, &name, nullptr)) {
        SIZE extent;
        font->MeasureText(name, &extent);
        delete font;
    }
    HDib surface;
    surface.CreateFilled(64, 48, 24, 0);
    HXConBase control(&owner);
    control.LoadAttributes(nullptr, &surface, doc.m_pRoot);
    SAlignInfo info;
    control.LoadAlign(doc.m_pRoot, &info, &code);
    control.SetRect(info.left, info.top, info.width, info.height, 1);
    control.SetText(control.GetTooltip(), 0);
    control.DrawControlText(0);
    control.IsTooSmall();
    surface.ReleaseDC();
    return 0;
}
