#include "skin/SkinDocumentLoader.h"

#include <memory>

#include "platform/win32/TextScan.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Dialog.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/AttributeValues.h"
#include "skin/HXSubFont.h"
#include "skin/HXWindowChild.h"
#include "skin/HXWindowMain.h"
#include "skin/SkinControlFactory.h"
#include "skin/SkinErrors.h"

namespace {

bool IsOn(const CString& value) { return value == L"true" || value == L"1"; }

// Up to four numbers separated by commas; what does not parse stays -1.
void ParseLimits(const CString& text, int out[4])
{
    for (int i = 0; i < 4; ++i) out[i] = -1;
    const wchar_t* p = text.GetString();
    for (int i = 0; i < 4 && *p; ++i) {
        while (*p == L' ' || *p == L'\t') ++p;
        const wchar_t* start = p;
        if (*p == L'-' || *p == L'+') ++p;
        if (*p < L'0' || *p > L'9') return;
        out[i] = ReadDecimalPrefix(start);
        while (*p >= L'0' && *p <= L'9') ++p;
        while (*p == L' ' || *p == L'\t') ++p;
        if (*p != L',') return;
        ++p;
    }
}

}  // namespace

CString SkinDocumentLoader::ResolveThroughParent(const CString& text)
{
    if (text.IsEmpty() || text[0] != L'$') return text;
    HXWindowMain* resolver = m_window.GetParentWindow() ? m_window.GetParentWindow() : &m_window;
    return resolver->ResolveText(text);
}

int SkinDocumentLoader::LoadSkinWindow(const CXmlNode* element, int themeIndex)
{
    HXWindowMain& w = m_window;
    if (!element || element->GetName() != L"SkinWindow") {
        SetLastSkinError(w, SKINERR_NO_SKINWINDOW, nullptr);
        return 0;
    }
    element->GetAttributeInt(L"Width", w.m_nSkinWidth);
    element->GetAttributeInt(L"Height", w.m_nSkinHeight);
    int debug = 0;
    if (!w.m_pParent && element->GetAttributeInt(L"Debug", debug)) HXConBase::SetSkinDebugLevel(debug);

    CString value;
    CString image;
    if (element->GetAttribute(L"BkgndImage", image) && !image.IsEmpty()) {
        CString type;
        if (!element->GetAttribute(L"BkgndType", type)) {
            SetLastSkinError(w, SKINERR_NO_BKGND_TYPE, nullptr);
            return 0;
        }
        HDib* background = w.GetImage(image, 1);
        if (!background) {
            SetLastSkinError(w, SKINERR_IMAGE_OPEN, L"%s", image);
            return 0;
        }
        int mode = -1;
        if (type == L"tile")
            mode = HXWindowMain::BKGND_TILE;
        else if (type == L"stretch")
            mode = HXWindowMain::BKGND_STRETCH;
        else if (type == L"frame")
            mode = HXWindowMain::BKGND_FRAME;
        else if (type == L"none")
            mode = HXWindowMain::BKGND_IMAGE;
        if (mode < 0) {
            SetLastSkinError(w, SKINERR_BAD_BKGND_TYPE, L"%s", type);
            return 0;
        }
        w.m_pBkgndImage = background;
        w.m_nBkgndMode = mode;
    } else if (element->GetAttribute(L"BkgndColor", value)) {
        w.m_nBkgndMode = HXWindowMain::BKGND_COLOR;
        w.m_crBkgnd = ParseBackgroundColorAttribute(value);
    }

    // A skin can switch an option on; none switches one off.
    HXWindowMain::Options& o = w.m_options;
    if (element->GetAttribute(L"ResizeBorder", value) && IsOn(value)) o.resizeBorder = 1;
    if (element->GetAttribute(L"ClientCaption", value) && IsOn(value)) o.clientCaption = 1;
    if (element->GetAttribute(L"Draggable", value) && IsOn(value)) o.draggable = 1;
    int actAsControl = 0;
    if (element->GetAttributeInt(L"ActAsControl", actAsControl) && actAsControl) o.actAsControl = actAsControl;
    if (element->GetAttribute(L"PopupWindow", value) && IsOn(value)) {
        o.popupWindow = 1;
        if (element->GetAttribute(L"MoveParent", value) && IsOn(value)) o.moveParent = 1;
    }
    if (element->GetAttribute(L"EnableDblClk", value) && IsOn(value) && w.m_hWnd)
        SetClassLongPtrW(w.m_hWnd, GCL_STYLE,
                         static_cast<LONG_PTR>(GetClassLongPtrW(w.m_hWnd, GCL_STYLE) | CS_DBLCLKS));
    if (element->GetAttribute(L"MinMaxSize", value)) {
        int limits[4];
        ParseLimits(value, limits);
        o.minWidth = limits[0];
        o.minHeight = limits[1];
        o.maxWidth = limits[2];
        o.maxHeight = limits[3];
    }

    if (const CXmlNode* script = element->FindChildInstruction(L"Script", false)) {
        if (!w.m_pScript) w.MakeScriptHost();
        if (!w.RunScript(script->GetContent())) return 0;
    }
    if (const CXmlNode* pre = element->FindChildElement(L"PreDefine", false))
        if (!LoadPreDefine(pre)) return 0;
    w.SetColorTheme(themeIndex);

    if (const CXmlNode* regions = element->FindChildElement(L"RegionDefine", false)) {
        w.m_pRegionAlign = std::make_unique<HXManAlign>();
        w.m_pRegionAlign->SetRoot(&w);
        POSITION pos = regions->GetFirstChildPosition();
        while (const CXmlNode* child = regions->GetNextChild(pos))
            if (!CreateSkinControls(child, w.m_pRegionAlign.get(), w.m_regionControls)) return 0;
    }
    const CXmlNode* controls = element->FindChildElement(L"ControlDefine", false);
    if (!controls) {
        SetLastSkinError(w, SKINERR_MISSING_TAG, L"%s", L"ControlDefine");
        return 0;
    }
    w.m_pControlAlign = std::make_unique<HXManAlign>();
    w.m_pControlAlign->SetRoot(&w);
    POSITION pos = controls->GetFirstChildPosition();
    while (const CXmlNode* child = controls->GetNextChild(pos))
        if (!CreateSkinControls(child, w.m_pControlAlign.get(), w.m_controls)) return 0;
    if (const CXmlNode* post = element->FindChildElement(L"PostDefine", false))
        if (!LoadPreDefine(post)) return 0;
    return 1;
}

int SkinDocumentLoader::LoadPreDefine(const CXmlNode* section)
{
    POSITION pos = section->GetFirstChildPosition();
    while (const CXmlNode* item = section->GetNextChild(pos))
        if (!LoadDefinition(item)) return 0;
    return 1;
}

int SkinDocumentLoader::LoadDefinition(const CXmlNode* item)
{
    const CString name = item->GetName();
    if (item->m_nKind == CXmlNode::kElement) {
        if (name == L"ColorTheme") return LoadColorTheme(item);
        if (name == L"Font") return LoadFont(item);
        if (name == L"ImageFont") return LoadImageFont(item);
        if (name == L"Image") return LoadImage(item);
        if (name == L"Cursor") return LoadCursor(item);
        if (name == L"ColorThemeLockImage") return LoadLockImage(item);
        if (name == L"DefineControlID") return LoadControlId(item, false);
        if (name == L"DefineWindowControlID") return LoadControlId(item, true);
        if (name == L"DoScript") {
            CString script;
            if (!item->GetAttribute(L"CMD", script)) return 1;
            return m_window.RunScript(script) ? 1 : 0;
        }
    }
    // A definition this skin format does not have fails its section; the
    // host is told which one.
    if (name.IsEmpty())
        SetLastSkinError(m_window, SKINERR_TAG_PARSE, L"Line:%d Col:%d", item->m_nLine + 1, item->m_nColumn + 1);
    else
        SetLastSkinError(m_window, SKINERR_TAG_PARSE, L"%s", name);
    return 0;
}

int SkinDocumentLoader::LoadColorTheme(const CXmlNode* item)
{
    CString value, name;
    if (!item->GetAttribute(L"Value", value)) {
        SetLastSkinError(m_window, SKINERR_NO_THEME_VALUE, nullptr);
        return 0;
    }
    if (!item->GetAttribute(L"Name", name)) {
        SetLastSkinError(m_window, SKINERR_NO_THEME_NAME, nullptr);
        return 0;
    }
    SColorTheme theme;
    RECT offsets;
    ParseRectAttribute(value, &offsets);
    theme.red = offsets.left;
    theme.green = offsets.top;
    theme.blue = offsets.right;
    theme.name = (name.GetLength() > 0 && name[0] == L'$') ? m_window.ResolveText(name) : name;
    m_window.m_themes.push_back(theme);
    return 1;
}

int SkinDocumentLoader::LoadFont(const CXmlNode* item)
{
    HXSubFont* made = nullptr;
    CString name;
    if (!ParseFontAttribute(&m_window, item, &made, &name, nullptr) || !made) {
        delete made;
        CString fontName;
        item->GetAttribute(L"FontName", fontName);
        SetLastSkinError(m_window, SKINERR_FONT_CREATE, L"%s", fontName);
        return 0;
    }
    std::unique_ptr<HXSubFont> font(made);
    if (m_window.m_fonts.count(name)) {
        SetLastSkinError(m_window, SKINERR_DUPLICATE_FONT, L"%s", name);
        return 0;
    }
    m_window.m_fonts[name] = std::move(font);
    return 1;
}

int SkinDocumentLoader::LoadImageFont(const CXmlNode* item)
{
    CString name, image, characters;
    if (!item->GetAttribute(L"FontName", name)) {
        SetLastSkinError(m_window, SKINERR_IMAGEFONT_INFO, nullptr);
        return 0;
    }
    item->GetAttribute(L"Image", image);
    item->GetAttribute(L"Characters", characters);
    auto font = std::make_unique<HXSubFont>();
    if (!font->Load(&m_window, ResolveThroughParent(image), characters)) {
        SetLastSkinError(m_window, SKINERR_FONT_CREATE, L"%s", name);
        return 0;
    }
    if (m_window.m_fonts.count(name)) {
        SetLastSkinError(m_window, SKINERR_DUPLICATE_FONT, L"%s", name);
        return 0;
    }
    m_window.m_fonts[name] = std::move(font);
    return 1;
}

int SkinDocumentLoader::LoadImage(const CXmlNode* item)
{
    CString file, name;
    if (!item->GetAttribute(L"Image", file)) {
        SetLastSkinError(m_window, SKINERR_NO_IMAGE_FILE, nullptr);
        return 0;
    }
    file = ResolveThroughParent(file);
    if (!item->GetAttribute(L"ImageName", name)) {
        SetLastSkinError(m_window, SKINERR_NO_IMAGE_NAME, nullptr);
        return 0;
    }
    auto image = std::make_unique<HDib>();
    if (!m_window.LoadSkinImage(image.get(), file)) {
        SetLastSkinError(m_window, SKINERR_IMAGE_OPEN, L"%s", file);
        return 0;
    }
    // One image per name: a name already present keeps its first image.
    HXWindowMain* top = m_window.GetTopWindow();
    if (!top->m_images.count(name)) top->m_images[name] = HXWindowMain::ImageEntry{file, std::move(image)};
    return 1;
}

int SkinDocumentLoader::LoadCursor(const CXmlNode* item)
{
    CString name, file, predefined;
    if (!item->GetAttribute(L"CursorName", name)) {
        SetLastSkinError(m_window, SKINERR_CURSOR_INFO, nullptr);
        return 0;
    }
    if (m_window.m_cursors.count(name)) {
        SetLastSkinError(m_window, SKINERR_DUPLICATE_CURSOR, L"%s", name);
        return 0;
    }
    HCURSOR cursor = nullptr;
    if (item->GetAttribute(L"FileName", file) && !file.IsEmpty()) {
        cursor = m_window.LoadSkinCursor(file);
    } else if (item->GetAttribute(L"PredefinedCursor", predefined)) {
        if (const int id = ParseCursorAttribute(predefined))
            cursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(id)));
    }
    if (!cursor) {
        SetLastSkinError(m_window, SKINERR_CURSOR_OPEN, L"%s", file);
        return 0;
    }
    m_window.m_cursors[name] = cursor;
    return 1;
}

int SkinDocumentLoader::LoadLockImage(const CXmlNode* item)
{
    CString file;
    if (!item->GetAttribute(L"Image", file)) {
        SetLastSkinError(m_window, SKINERR_NO_IMAGE_FILE, nullptr);
        return 0;
    }
    // Images are loaded (and tinted) by the top window.
    m_window.GetTopWindow()->m_themeExempt.insert(ResolveThroughParent(file));
    return 1;
}

int SkinDocumentLoader::LoadControlId(const CXmlNode* item, bool windowControl)
{
    CString name;
    int id = 0;
    if ((!item->GetAttribute(L"ID", name) && !item->GetAttribute(L"CID", name)) ||
        !item->GetAttributeInt(L"Value", id)) {
        SetLastSkinError(m_window, SKINERR_DEFINE_CONTROL_ID, nullptr);
        return 0;
    }
    if (!windowControl) return m_window.AddCommandControl(name, id);
    HWND native = m_window.m_hHostWnd ? GetDlgItem(m_window.m_hHostWnd, id) : nullptr;
    if (!native) {
        SetLastSkinError(m_window, SKINERR_BAD_WINDOW_CONTROL_ID, L"%s", name);
        return 0;
    }
    return m_window.AddWindowControl(name, id, native);
}

int SkinDocumentLoader::CreateSkinControls(const CXmlNode* element, HXManAlign* layout, std::vector<HXConBase*>& list)
{
    HXWindowMain& w = m_window;
    const CString name = element->GetName();
    if (name.IsEmpty()) {
        SetLastSkinError(w, SKINERR_NO_CONTROL_TAG, L"Line:%d Col:%d", element->m_nLine + 1, element->m_nColumn + 1);
        return 0;
    }
    const SkinControlKind kind = SkinControlKindOf(name);
    if (kind == SkinControlKind::Font) return 1;
    if (kind == SkinControlKind::Unknown) {
        SetLastSkinError(w, SKINERR_BAD_CONTROL_TAG, L"%s", name);
        return 0;
    }
    std::unique_ptr<HXConBase> control(CreateSkinControl(kind, &w));
    if (!control) {
        // A kind of the skin format that this build cannot make.
        SetLastSkinError(w, SKINERR_CONTROL_CREATE, L"%s", name);
        return 0;
    }
    if (!control->LoadAttributes(w.m_hWnd, &w.m_dib, element)) {
        const int code = control->GetLastErrorCode() ? control->GetLastErrorCode() : SKINERR_CONTROL_CREATE;
        SetLastSkinError(w, code, L"%s(%s)", name, control->GetLastErrorText());
        return 0;
    }

    HXConBase* made = control.get();
    if (kind == SkinControlKind::SkinWindow) {
        // The nested window is a control of this one from here on.
        auto* nested = static_cast<HXWindowChild*>(control.release());
        list.push_back(nested);
        if (!nested->LoadSkinWindowNode(element, w.GetTopWindow()->m_package.GetPath(), -1)) {
            SetLastSkinError(w, nested->GetLastErrorCode(), L"%s(%s)", name, nested->GetLastErrorText());
            return 0;
        }
        SIZE size = nested->GetSkinSize();
        if (size.cx == 0 && size.cy == 0) {
            RECT r;
            GetWindowRect(nested->GetSafeHwnd(), &r);
            size = SIZE{r.right - r.left, r.bottom - r.top};
        }
        SetWindowPos(nested->GetSafeHwnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    }

    // The control's own name and id.
    SHxControlInfo binding;
    binding.kind = 0;
    binding.id = -1;
    CString idName;
    const bool hasId = element->GetAttribute(L"ID", idName) || element->GetAttribute(L"CID", idName);
    int enteredId = 0;
    bool entered = false;
    auto forget = [&] {
        if (entered) w.m_idMap.erase(enteredId);
    };
    if (hasId && !idName.IsEmpty() && idName != L"IDC_NONE") {
        const SHxControlInfo* info = w.FindControlInfo(idName);
        if (!info) {
            SetLastSkinError(w, SKINERR_UNDEFINED_CONTROL_ID, L"ControlName:%s, ControlID:%s", name, idName);
            return 0;
        }
        if (w.GetTopWindow()->FindControl(info->id)) {
            SetLastSkinError(w, SKINERR_DUPLICATE_CONTROL_ID, L"ControlName:%s, ControlID:%s", name, idName);
            return 0;
        }
        binding.kind = info->kind;
        binding.id = info->id;
        binding.window = info->window;
        w.m_idMap[info->id] = made;
        enteredId = info->id;
        entered = true;
    }
    struct Reference {
        const wchar_t* attribute;
        int* target;
    };
    const Reference references[] = {
        {L"ID2", &binding.secondId},
        {L"CID2", &binding.secondId},
        {L"CMD", &binding.command},
        {L"RCMD", &binding.rightCommand},
    };
    for (const Reference& r : references) {
        CString value;
        if (!element->GetAttribute(r.attribute, value) || value.IsEmpty()) continue;
        const SHxControlInfo* info = w.FindControlInfo(value);
        if (!info) {
            SetLastSkinError(w, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s=\"%s\"", r.attribute, value);
            forget();
            return 0;
        }
        *r.target = info->id;
    }
    made->SetBinding(binding);
    if (kind == SkinControlKind::Window && w.IsChildWindow() && binding.window && IsWindow(binding.window) &&
        GetParent(binding.window) != w.m_hWnd)
        SetParent(binding.window, w.m_hWnd);

    SAlignInfo align;
    int alignError = 0;
    if (!made->LoadAlign(element, &align, &alignError)) {
        SetLastSkinError(w, alignError, nullptr);
        forget();
        return 0;
    }
    made->SetDesignSize(align.width - align.gapLeft - align.gapRight, align.height - align.gapTop - align.gapBottom);
    HXManAlign* node = layout->AddChild(made, align, 1);
    if (kind == SkinControlKind::SkinWindow) return 1;

    list.push_back(control.release());
    POSITION pos = element->GetFirstChildPosition();
    while (const CXmlNode* child = element->GetNextChild(pos))
        if (!CreateSkinControls(child, node, list)) return 0;
    return 1;
}
