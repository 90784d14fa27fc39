// The common dialogs (open and save file, folder picker, colour) as one
// replaceable service: by default Qt's dialogs, run modally with the owner
// disabled meanwhile; tests install one of their own. Over the service: the
// system's call shapes (GetOpenFileNameW, GetSaveFileNameW with their filter
// strings and result buffers, ChooseColorW), which the class library's
// CFileDialog and CColorDialog use. Paths come back with '/' separators.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/gui/UserTypes.h"

struct FileDialogRequest {
    HWND owner = nullptr;
    bool save = false;
    bool multiple = false;
    bool overwritePrompt = false;
    bool fileMustExist = false;
    std::wstring title;
    // Each filter's name and its patterns ("*.avi;*.mp4").
    std::vector<std::pair<std::wstring, std::wstring>> filters;
    int filterIndex = 0;  // 0-based
    std::wstring initialFolder;
    std::wstring initialName;
    std::wstring defaultExtension;  // without the dot
};

struct FileDialogAnswer {
    bool ok = false;
    std::vector<std::wstring> paths;  // full paths, in the order chosen
    int filterIndex = 0;              // 0-based
};

struct FolderDialogRequest {
    HWND owner = nullptr;
    std::wstring title;
    std::wstring startFolder;
};

struct ColorDialogRequest {
    HWND owner = nullptr;
    COLORREF initial = 0;
    bool fullOpen = false;
    COLORREF custom[16] = {};
};

class ICommonDialogs {
public:
    virtual ~ICommonDialogs() = default;
    virtual FileDialogAnswer ShowFileDialog(const FileDialogRequest& request) = 0;
    // The folder chosen; nothing when the user cancelled.
    virtual std::optional<std::wstring> PickFolder(const FolderDialogRequest& request) = 0;
    // The colour chosen; nothing when the user cancelled.
    virtual std::optional<COLORREF> PickColor(ColorDialogRequest& request) = 0;
};

// Installs a service (not owned); null restores Qt's dialogs.
void SetCommonDialogs(ICommonDialogs* dialogs);
ICommonDialogs& CommonDialogs();

// ---- The system's shapes -------------------------------------------------------------

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;

constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_INITIALIZATION = 0x0002;

struct OPENFILENAMEW {
    DWORD lStructSize = sizeof(OPENFILENAMEW);
    HWND hwndOwner = nullptr;
    HINSTANCE hInstance = nullptr;
    LPCWSTR lpstrFilter = nullptr;  // "name\0patterns\0...\0\0"
    LPWSTR lpstrCustomFilter = nullptr;
    DWORD nMaxCustFilter = 0;
    DWORD nFilterIndex = 0;  // 1-based
    LPWSTR lpstrFile = nullptr;
    DWORD nMaxFile = 0;
    LPWSTR lpstrFileTitle = nullptr;
    DWORD nMaxFileTitle = 0;
    LPCWSTR lpstrInitialDir = nullptr;
    LPCWSTR lpstrTitle = nullptr;
    DWORD Flags = 0;
    WORD nFileOffset = 0;
    WORD nFileExtension = 0;
    LPCWSTR lpstrDefExt = nullptr;
    LPARAM lCustData = 0;
    void* lpfnHook = nullptr;
    LPCWSTR lpTemplateName = nullptr;
    void* pvReserved = nullptr;
    DWORD dwReserved = 0;
    DWORD FlagsEx = 0;
};

// TRUE with the path (or, with several chosen, the folder followed by each
// name, NUL-separated and ended by an empty name) in lpstrFile; FALSE when
// cancelled or when the buffer is too small (CommDlgExtendedError says
// FNERR_BUFFERTOOSMALL and the buffer's first two bytes hold the size
// needed).
BOOL GetOpenFileNameW(OPENFILENAMEW* ofn);
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn);
DWORD CommDlgExtendedError();

constexpr DWORD CC_RGBINIT = 0x00000001;
constexpr DWORD CC_FULLOPEN = 0x00000002;
constexpr DWORD CC_PREVENTFULLOPEN = 0x00000004;
constexpr DWORD CC_ANYCOLOR = 0x00000100;

struct CHOOSECOLORW {
    DWORD lStructSize = sizeof(CHOOSECOLORW);
    HWND hwndOwner = nullptr;
    HWND hInstance = nullptr;
    COLORREF rgbResult = 0;
    COLORREF* lpCustColors = nullptr;  // 16 colours
    DWORD Flags = 0;
    LPARAM lCustData = 0;
    void* lpfnHook = nullptr;
    LPCWSTR lpTemplateName = nullptr;
};

BOOL ChooseColorW(CHOOSECOLORW* cc);
