// The skinned window of the framework: a window that covers a host window
// (in the encoder, the main dialog's client area) and draws a skin loaded
// from a skin folder, package or the program's resources. It owns the skin's
// controls, images, fonts, cursors and colour themes; paints everything into
// an off-screen bitmap and only ever copies from it to the screen; routes
// mouse, keyboard, focus and timer messages to the control under the cursor
// or to the one that holds the mouse capture, and forwards what no control
// takes to the host; shapes the window by regions; and runs the skin's
// script. A skin window nested in a skin (HXWindowChild) is at the same time
// a control of its parent skin window, which is why the window is also an
// HXConBase.
//
// The host drives it in this order: Create, SetLanguageFile, OpenSkin,
// LoadSkinDocument, AddCommandControl / AddWindowControl, BuildSkinWindow,
// then FindControl. Every failure leaves a skin error code and detail on the
// window (GetLastErrorMessage) and returns 0.
//
// The class's code is spread over files by job: HXWindowMain.cpp (the
// window, its message table and what it tells the host), ...Paint.cpp,
// ...Mouse.cpp, ...Controls.cpp (bindings and lookups), ...Skin.cpp
// (loading, building and clearing a skin), ...Regions.cpp and ...Script.cpp.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "foundation/IniFile.h"
#include "foundation/XmlDocument.h"
#include "skin/HDib.h"
#include "skin/HXConBase.h"
#include "skin/HXManAlign.h"
#include "skin/HXManTimer.h"
#include "skin/SColorTheme.h"
#include "skin/SHxControlInfo.h"
#include "skin/SkinOwner.h"
#include "skin/SkinPackage.h"
#include "skin/script/HXScript.h"
#include "skin/script/IScriptWindow.h"

class HXConButton;
class HXConStatic;
class HXSubFont;
class HXWindowChild;
class SkinDocumentLoader;

class HXWindowMain : public HXConBase, public SkinOwner, public IScriptWindow {
public:
    // Background modes.
    enum { BKGND_TILE = 0, BKGND_STRETCH = 1, BKGND_FRAME = 2, BKGND_COLOR = 3, BKGND_IMAGE = 4 };
    // Codes of "WM_HXSKIN_NOTIFY".
    enum {
        NOTIFY_HOVER = 0,
        NOTIFY_SCRIPT_ERROR = 1,
        NOTIFY_MENU_OPEN = 2,
        NOTIFY_MENU_CHOSEN = 3,
        NOTIFY_FOCUS_LOST = 4
    };
    static constexpr const wchar_t* kClassName = L"HXWINDOW";
    static constexpr DWORD kDefaultStyle = 0x56000000;  // WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
    static constexpr DWORD kAddedStyle = 0x06030000;    // WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_GROUP | WS_TABSTOP
    static constexpr UINT kTooltipMs = 2000;
    static constexpr int kCornerLength = 16;  // of the resize border's corners
    // Skin documents are a few kilobytes; one larger than this is refused
    // like one that cannot be read, so no hostile document keeps the window
    // busy parsing or drawing.
    static constexpr size_t kMaxDocumentBytes = 4u << 20;

    // A top window (no parent) makes its script host; a nested one shares
    // its parent's.
    explicit HXWindowMain(HXWindowMain* parent = nullptr);
    ~HXWindowMain() override;

    // ---- The window's own operations, in slot order -----------------------
    // The message handling; false sends the message to the default procedure.
    virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    virtual WNDPROC GetWindowProc();
    // Hands the colour theme to every control, nested windows included.
    virtual void BroadcastToControls(const SColorTheme& theme);

    // ---- The host's operations ---------------------------------------------------
    // 0 when the window exists already. A style of 0 stands for kDefaultStyle.
    int Create(HWND host, const RECT& rect, DWORD style, DWORD exStyle, UINT_PTR menuOrId = 0, int noClip = 0);
    // Loads the language file whose section holds the skin's "$" texts. The
    // code page given governs the next load, not this one.
    void SetLanguageFile(const CString& path, const CString& section, int codePage);
    int OpenSkin(const CString& path, int resource);
    int LoadSkinDocument(const CString& fileName, int codePage, int listCheck);
    int BuildSkinWindow(int themeIndex);
    int LoadSkinWindowNode(const CXmlNode* element, const CString& skinPath, int themeIndex);
    int AddCommandControl(const CString& name, int id);
    int AddWindowControl(const CString& name, int id, HWND window);
    // This window's ids, then those of the skin windows nested directly in it.
    HXConBase* FindControl(int id) override;
    HXConButton* FindButton(int id);
    HXConStatic* FindStatic(int id);
    // A nested skin window by its id (this window's ids only).
    HXWindowChild* FindChildWindow(int id);
    // The error code's text, a blank and the detail.
    CString GetLastErrorMessage() const;

    // ---- Skin files (a nested window asks its parent) ----------------------------
    // The whole file (at most maxBytes) with one NUL byte appended.
    bool ReadSkinFile(const CString& fileName, std::vector<BYTE>& data, size_t maxBytes = SkinPackage::kMaxFileBytes);
    int LoadSkinImage(HDib* image, const CString& fileName);
    // The image table searched by name; else loaded (and, with add, kept
    // under the name).
    HDib* GetImage(const CString& name, int add);
    HCURSOR LoadSkinCursor(const CString& fileName);
    int UnpackSkin(CString& folder) override;
    int GetSkinSource(CString& path, int& resource, int& packed) override;
    int SetColorTheme(int index);

    // ---- What controls ask of their window (SkinOwner) ---------------------------
    CString ResolveText(const CString& text) override;
    HDib* GetImage(const CString& name) override { return GetImage(name, 1); }
    HCURSOR FindCursor(const CString& name) override;
    HXSubFont* FindFont(const CString& name) override;
    int SetControlTimer(HXConBase* control, int key, int interval) override;
    LRESULT NotifyApplication(WPARAM code, LPARAM data) override;
    // The node of the window's control layout that places the control.
    HXManAlign* FindLayoutNode(const HXConBase* control) override;

    // ---- The window as a control of its parent -----------------------------------
    int ApplyColorTheme(const SColorTheme& theme) override;
    void DestroyControlWindow() override;

    // ---- Script ------------------------------------------------------------------------
    // Runs the text; on failure error 37 with the host's message and code.
    bool RunScript(const CString& text, HXSVal* result = nullptr);
    HXScript* GetScriptHost() const { return m_pScript.get(); }

    // ---- What the script's native functions ask of the window (IScriptWindow) ----
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

    // ---- Layout and painting ------------------------------------------------------
    // Every control refreshed, the controls laid out over the client area and
    // the whole window repainted.
    void Relayout() override;
    // The base's operation too: the window asks to be refreshed as a control
    // of its parent.
    using HXConBase::RefreshControl;
    // Draws the dirty rectangle (else everything) into the off-screen bitmap.
    void RepaintBitmap();
    // Copies the dirty rectangle (else the whole bitmap) to the window and
    // clears it.
    void CopyToScreen();
    // The control's rectangle becomes the dirty rectangle (an empty one clears it).
    void MarkDirty(HXConBase* control);
    HXConBase* ControlAt(POINT client);

    // ---- State -------------------------------------------------------------------------
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetHostWindow() const { return m_hHostWnd; }
    HXWindowMain* GetParentWindow() const { return m_pParent; }
    HXWindowMain* GetTopWindow();
    bool IsChildWindow() const { return m_bChild != 0; }
    HDib& GetOffscreen() { return m_dib; }
    const std::vector<HXConBase*>& GetControls() const { return m_controls; }
    const std::vector<HXConBase*>& GetRegionControls() const { return m_regionControls; }
    const SHxControlInfo* FindControlInfo(const CString& name);
    HXManAlign* GetControlLayout() const { return m_pControlAlign.get(); }
    HXManTimer& GetTimerManager() { return m_timers; }
    SkinPackage& GetPackage() { return m_package; }
    const CXmlDocument* GetDocument() const { return m_pDocument.get(); }
    SIZE GetSkinSize() const { return SIZE{m_nSkinWidth, m_nSkinHeight}; }
    int GetBackgroundMode() const { return m_nBkgndMode; }
    COLORREF GetBackgroundColor() const { return m_crBkgnd; }
    HRGN GetAppliedRegion() const { return m_hRegion; }
    const SColorTheme& GetCurrentTheme() const { return m_currentTheme; }
    int GetCurrentThemeIndex() const { return m_nThemeIndex; }
    size_t GetThemeCount() const { return m_themes.size(); }
    size_t GetImageCount() const { return m_images.size(); }
    HXConBase* GetCaptureControl() const { return m_bCapture ? m_pCapture : nullptr; }
    HXConBase* GetHoverControl() const { return m_bHover ? m_pHover : nullptr; }
    HXConBase* GetKeyboardControl() const { return m_pKeyboard; }
    HXConBase* GetLastReportedControl() const { return m_pLastReported; }

    struct Options {
        int resizeBorder = 0;
        int clientCaption = 0;
        int draggable = 0;
        int popupWindow = 0;
        int moveParent = 0;
        int actAsControl = 0;
        int minWidth = -1;
        int minHeight = -1;
        int maxWidth = -1;
        int maxHeight = -1;
    };
    const Options& GetOptions() const { return m_options; }

    // Clears the skin: controls, region controls, ids, document, layouts,
    // timers, script state, applied region, fonts, cursors, images, themes,
    // and the input state that pointed at controls. Bindings and window
    // options stay.
    void ClearSkin();

    // The live skin windows of the process.
    static int GetWindowCount();

protected:
    friend class SkinDocumentLoader;

    static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Forward(UINT message, WPARAM wParam, LPARAM lParam);
    // The point a mouse message carries: two signed 16-bit halves.
    static POINT PointOf(LPARAM lParam);

    LRESULT OnNcHitTest(LPARAM lParam);
    BOOL OnSetCursor(LPARAM lParam, LRESULT& result);
    LRESULT OnMouseMoveMessage(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnButtonDownMessage(UINT message, int button, POINT client, WPARAM wParam, LPARAM lParam, LRESULT& result);
    BOOL OnButtonUpMessage(UINT message, int button, POINT client, WPARAM wParam, LPARAM lParam, LRESULT& result);
    BOOL OnDoubleClickMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT OnMouseWheelMessage(WPARAM wParam, LPARAM lParam);
    void OnSizeMessage(UINT type, int width, int height);
    LRESULT OnControlNotify(WPARAM wParam, LPARAM lParam);
    void OnInvalidControl(HXConBase* control);
    void OnRefreshControl(HXConBase* control);
    // Lays the controls out over the client area, the layout's repaint
    // switch set as given meanwhile.
    void LayoutControls(int repaint);
    // Calls OnMouseLeave of the hover control when it differs from the
    // control given; true when that changed anything.
    bool EndHover(HXConBase* control);
    void TakeCapture(HXConBase* control, int button);
    void ReleaseControlCapture();
    bool HoldsControl(const HXConBase* control) const;
    void HideTooltip();

    // Regions: the new region replaces the applied one (owned afterwards).
    void ApplyRegion(HRGN region);
    bool LayoutRegions(UINT sizeType, int width, int height);

    struct ImageEntry {
        CString fileName;
        std::unique_ptr<HDib> image;
    };
    bool NameKnownBelow(const CString& name);
    const SHxControlInfo* FindControlInfoBelow(const CString& name);

    // Host and nesting.
    HWND m_hWnd = nullptr;
    HWND m_hHostWnd = nullptr;
    HXWindowMain* m_pParent = nullptr;
    int m_bChild = 0;

    // Drawing.
    HDib m_dib;
    HDib* m_pBkgndImage = nullptr;  // from the image table
    HDib m_bkgndCache;              // the stretched background
    COLORREF m_crBkgnd = 0;
    int m_nBkgndMode = BKGND_TILE;
    RECT m_rcDirty{};
    int m_bDirty = 0;

    // Controls (owned), in creation order: drawn in this order, hit-tested
    // in the reverse one.
    std::vector<HXConBase*> m_controls;
    std::vector<HXConBase*> m_regionControls;
    std::unique_ptr<HXManAlign> m_pControlAlign;
    std::unique_ptr<HXManAlign> m_pRegionAlign;
    std::map<int, HXConBase*> m_idMap;
    std::map<CString, SHxControlInfo> m_controlInfo;

    // Input.
    HXConBase* m_pCapture = nullptr;
    int m_bCapture = 0;
    int m_nCaptureButton = 0;
    HXConBase* m_pHover = nullptr;
    int m_bHover = 0;
    POINT m_ptLastMouse{-1, -1};
    HXConBase* m_pLastReported = nullptr;
    int m_bTracking = 0;
    HXConBase* m_pKeyboard = nullptr;

    Options m_options;
    int m_nSkinWidth = 0;
    int m_nSkinHeight = 0;

    // Resources.
    std::map<CString, ImageEntry> m_images;
    std::map<CString, std::unique_ptr<HXSubFont>> m_fonts;
    std::map<CString, HCURSOR> m_cursors;
    std::set<CString> m_themeExempt;
    std::vector<SColorTheme> m_themes;
    SColorTheme m_currentTheme;
    int m_nThemeIndex = -1;

    // Source (top window).
    SkinPackage m_package;
    std::unique_ptr<CIniFile> m_pLanguage;
    CString m_sLanguageSection;

    // Makes the window's own script host, the native functions on it.
    void MakeScriptHost();

    // Script (the top window's, shared by its nested windows), timers,
    // document, region.
    std::shared_ptr<HXScript> m_pScript;
    HXManTimer m_timers;
    std::unique_ptr<CXmlDocument> m_pDocument;
    HRGN m_hRegion = nullptr;
    HWND m_hRegionWindow = nullptr;  // the window the region was set on
};
