// The names the encoder's main window binds in its skin, in the order it
// registers them (HXWindowMain::AddCommandControl), and the native job list
// it places through the skin as a window control. A skin may leave out any
// of them; the window then skips that button or text.
#pragma once

struct MainSkinBinding {
    const wchar_t* name;
    int id;
};

inline constexpr MainSkinBinding kMainSkinBindings[] = {
    {L"ID_BROWSER_AD", static_cast<int>(0xFF0000A1u)},
    {L"ID_BTN_ABOUT", 32789},
    {L"ID_BTN_PREVIEW", 32780},
    {L"ID_BTN_PARSEINFO", 32795},
    {L"ID_BTN_ADD", 32779},
    {L"ID_BTN_DEL", 32778},
    {L"ID_BTN_DELALL", 32777},
    {L"ID_BTN_START", 32781},
    {L"ID_BTN_OPTION", 32790},
    {L"ID_BTN_EXIT", 32782},
    {L"ID_BTN_BROWSE", 32783},
    {L"ID_BTN_SETINPUT", 32788},
    {L"ID_BTN_SETOUTPUT", 32786},
    {L"ID_ST_SRC_FILEINFO", static_cast<int>(0xFF000000u)},
    {L"ID_ST_SRC_FILEINFO_MORE", static_cast<int>(0xFF000001u)},
    {L"ID_ST_SRC_VCODEC", static_cast<int>(0xFF000002u)},
    {L"ID_ST_SRC_VFORMAT", static_cast<int>(0xFF000003u)},
    {L"ID_ST_SRC_ACODEC", static_cast<int>(0xFF000004u)},
    {L"ID_ST_SRC_AFORMAT", static_cast<int>(0xFF000005u)},
    {L"ID_ST_DST_FILEINFO", static_cast<int>(0xFF000010u)},
    {L"ID_ST_DST_FILEINFO_MORE", static_cast<int>(0xFF000011u)},
    {L"ID_ST_DST_VCODEC", static_cast<int>(0xFF000012u)},
    {L"ID_ST_DST_VFORMAT", static_cast<int>(0xFF000013u)},
    {L"ID_ST_DST_ACODEC", static_cast<int>(0xFF000014u)},
    {L"ID_ST_DST_AFORMAT", static_cast<int>(0xFF000015u)},
    {L"ID_ST_DST_FOLDER", 32787},
    {L"IDR_MENU_PRESET_POPUP", 157},
    {L"ID_BTN_PRESET_POPUP", 32794},
    {L"ID_BTN_LIST_UP", 32796},
    {L"ID_BTN_LIST_DOWN", 32797},
    {L"ID_BTN_LIST_TOP", 32798},
    {L"ID_BTN_LIST_BOTTOM", 32799},
};

// The hosted browser: a skin may have it; the window hides it.
inline constexpr int kMainSkinBrowserId = static_cast<int>(0xFF0000A1u);
// The preset pop-up menu's resource: bound for the pop-up button's MenuID,
// not a control.
inline constexpr int kMainSkinPresetMenuId = 157;

// The job list, a report-style list view, placed by the skin.
inline constexpr const wchar_t* kMainSkinJobListName = L"IDC_LIST_FILES";
inline constexpr int kMainSkinJobListId = 1002;
