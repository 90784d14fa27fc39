// Loading a skin into the skinned window: the skin source and its files,
// the document, images, cursors and colour themes, building the window from
// the document, and clearing it all again.
#include "skin/HXWindowMain.h"

#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Regions.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/HXSubFont.h"
#include "skin/SkinDocumentLoader.h"
#include "skin/SkinErrors.h"
#include "skin/WindowRegion.h"

// ---- The skin source ----------------------------------------------------------------

int HXWindowMain::OpenSkin(const CString& path, int resource)
{
    HXWindowMain* top = GetTopWindow();
    if (top->m_package.Open(path, resource)) return 1;
    // The host reports the failure with the window's error text.
    SetLastSkinError(*this, SKINERR_BAD_SKIN_PATH, L"%s", path);
    return 0;
}

int HXWindowMain::GetSkinSource(CString& path, int& resource, int& packed)
{
    return GetTopWindow()->m_package.GetSource(path, resource, packed);
}

bool HXWindowMain::ReadSkinFile(const CString& fileName, std::vector<BYTE>& data, size_t maxBytes)
{
    if (!GetTopWindow()->m_package.ReadFile(fileName, data, maxBytes)) return false;
    data.push_back(0);
    return true;
}

int HXWindowMain::LoadSkinDocument(const CString& fileName, int codePage, int listCheck)
{
    ClearSkin();
    SkinPackage& package = GetTopWindow()->m_package;
    if (package.GetPath().IsEmpty()) {
        SetLastSkinError(*this, SKINERR_BAD_SKIN_PATH, nullptr);
        return 0;
    }
    m_pDocument = std::make_unique<CXmlDocument>();
    m_pDocument->m_nCodePage = codePage;
    std::vector<BYTE> data;
    if (!ReadSkinFile(fileName, data, kMaxDocumentBytes)) {
        SetLastSkinError(*this, SKINERR_BAD_SKIN_PATH, L"%s/%s", package.GetPath(), fileName);
        return 0;
    }
    if (!package.IsResource() && listCheck && !package.HasListFile()) {
        SetLastSkinError(*this, SKINERR_NO_LIST_FILE, nullptr);
        return 0;
    }
    // The NUL appended by the read is not part of the document.
    if (!m_pDocument->LoadFromMemory(data.data(), data.size() - 1)) {
        int line = 0, column = 0;
        m_pDocument->GetErrorPosition(line, column);
        SetLastSkinError(*this, SKINERR_XML_READ, L"Line:%d Col:%d Desc:%s", line, column, m_pDocument->GetErrorText());
        ClearSkin();
        return 0;
    }
    return 1;
}

int HXWindowMain::LoadSkinImage(HDib* image, const CString& fileName)
{
    if (m_pParent) return m_pParent->LoadSkinImage(image, fileName);
    if (!image || !m_package.LoadImage(image, fileName)) return 0;
    if (image->GetBitCount() != 24) image->ConvertDepth(24);
    if (image->GetBitCount() != 24) return 0;
    const SColorTheme& theme = m_currentTheme;
    if (!m_themeExempt.count(fileName) && (theme.red || theme.green || theme.blue))
        image->Tint(theme.red, theme.green, theme.blue, 1);
    return 1;
}

HDib* HXWindowMain::GetImage(const CString& name, int add)
{
    HXWindowMain* top = GetTopWindow();
    auto it = top->m_images.find(name);
    if (it != top->m_images.end()) return it->second.image.get();
    // Images are kept by the top window only, one per name.
    if (!add) return nullptr;
    auto image = std::make_unique<HDib>();
    if (!LoadSkinImage(image.get(), name)) return nullptr;
    HDib* result = image.get();
    top->m_images[name] = ImageEntry{name, std::move(image)};
    return result;
}

HCURSOR HXWindowMain::LoadSkinCursor(const CString& fileName) { return GetTopWindow()->m_package.LoadCursor(fileName); }

int HXWindowMain::UnpackSkin(CString& folder) { return GetTopWindow()->m_package.Unpack(folder); }

int HXWindowMain::SetColorTheme(int index)
{
    if (m_themes.empty()) return 0;
    const int count = static_cast<int>(m_themes.size());
    int selected = 0;
    if (index == -1)
        selected = (m_nThemeIndex < 0 || m_nThemeIndex + 1 >= count) ? 0 : m_nThemeIndex + 1;
    else
        selected = ((index % count) + count) % count;
    m_currentTheme = m_themes[selected];
    m_nThemeIndex = selected;
    HXWindowMain* top = GetTopWindow();
    if (top != this) top->m_currentTheme = m_currentTheme;
    // Reloaded in place, so the new tint applies to the pixels as the skin
    // stores them and every control keeps its image.
    for (auto& [name, entry] : top->m_images)
        if (!LoadSkinImage(entry.image.get(), entry.fileName)) return 0;
    BroadcastToControls(m_currentTheme);
    top->m_package.CloseArchive();
    return 1;
}

void HXWindowMain::BroadcastToControls(const SColorTheme& theme)
{
    for (HXConBase* control : m_controls) control->ApplyColorTheme(theme);
}

int HXWindowMain::ApplyColorTheme(const SColorTheme& theme)
{
    BroadcastToControls(theme);
    return 0;
}

// ---- Clearing -----------------------------------------------------------------------

void HXWindowMain::ClearSkin()
{
    // Nothing may keep pointing at the controls about to go.
    if (m_bCapture) ReleaseControlCapture();
    m_pCapture = nullptr;
    m_pHover = nullptr;
    m_bHover = 0;
    m_pKeyboard = nullptr;
    m_pLastReported = nullptr;
    m_ptLastMouse = POINT{-1, -1};

    std::vector<HXConBase*> controls;
    controls.swap(m_controls);
    for (HXConBase* control : controls) {
        control->DestroyControlWindow();
        delete control;
    }
    std::vector<HXConBase*> regions;
    regions.swap(m_regionControls);
    for (HXConBase* control : regions) delete control;
    m_idMap.clear();
    m_pDocument.reset();
    m_pControlAlign.reset();
    m_pRegionAlign.reset();
    m_timers.KillAllTimers();
    if (!m_bChild && !m_pParent && m_pScript) m_pScript->Reset(false);
    if (m_hRegion) ApplyRegion(nullptr);
    m_pBkgndImage = nullptr;
    m_bkgndCache.Clear();
    m_fonts.clear();
    for (auto& [name, cursor] : m_cursors) DestroyCursor(cursor);
    m_cursors.clear();
    m_images.clear();
    m_themeExempt.clear();
    m_themes.clear();
    m_nThemeIndex = -1;
    if (m_hWnd) {
        MSG pending;
        const UINT refresh = SkinRefreshControlMessage();
        while (PeekMessageW(&pending, m_hWnd, refresh, refresh, PM_REMOVE)) {}
    }
    m_bDirty = 0;
}

// ---- Building -----------------------------------------------------------------------

int HXWindowMain::BuildSkinWindow(int themeIndex)
{
    if (!m_pDocument) return 0;
    const CXmlNode* root = m_pDocument->m_pRoot;
    if (!root || root->GetName() != L"HXSkin") {
        SetLastSkinError(*this, SKINERR_BAD_ROOT, nullptr);
        return 0;
    }
    const CXmlNode* skinWindow = root->FindChildElement(L"SkinWindow", false);
    if (!skinWindow) {
        SetLastSkinError(*this, SKINERR_NO_SKINWINDOW, L"%s", L"SkinWindow");
        return 0;
    }
    HRGN region = nullptr;
    if (const CXmlNode* shape = skinWindow->FindChildElement(L"SetWindowRgn", false)) {
        int code = 0;
        CString detail;
        if (!ParseWindowRegion(shape, &region, &code, &detail, this)) {
            SetLastSkinError(*this, code, L"%s", detail);
            if (region) DeleteObject(region);
            return 0;
        }
    }
    SkinDocumentLoader loader(*this);
    if (!loader.LoadSkinWindow(skinWindow, themeIndex)) {
        if (region) DeleteObject(region);
        ClearSkin();
        return 0;
    }
    ApplyRegion(region);
    if (m_pScript && m_pScript->HasFunction(L"main")) {
        HXSVal value;
        int code = 0;
        m_pScript->Run(L"main();", value, code);
    }
    RECT client;
    if (m_hWnd && IsWindow(m_hWnd) && GetClientRect(m_hWnd, &client)) {
        if (m_pControlAlign) m_pControlAlign->Layout(m_pControlAlign.get(), client.right, client.bottom);
        LayoutRegions(SIZE_RESTORED, client.right, client.bottom);
        m_bDirty = 0;
        RepaintBitmap();
        CopyToScreen();
    }
    return 1;
}

int HXWindowMain::LoadSkinWindowNode(const CXmlNode* element, const CString& skinPath, int themeIndex)
{
    ClearSkin();
    if (!m_pParent) OpenSkin(skinPath, 0);
    SkinDocumentLoader loader(*this);
    if (!loader.LoadSkinWindow(element, themeIndex)) {
        ClearSkin();
        return 0;
    }
    if (m_pScript && m_pScript->HasFunction(L"main")) {
        HXSVal value;
        int code = 0;
        m_pScript->Run(L"main();", value, code);
    }
    m_bDirty = 0;
    RepaintBitmap();
    CopyToScreen();
    return 1;
}
