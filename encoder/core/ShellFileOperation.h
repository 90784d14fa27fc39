// A prepared file operation of the desktop shell, and moving a file to the
// user's trash (the freedesktop.org trash: the file keeps its content and can
// be put back from the desktop's trash can).
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"
#include "platform/win32/WindowMessages.h"

constexpr UINT FO_MOVE = 0x1;
constexpr UINT FO_COPY = 0x2;
constexpr UINT FO_DELETE = 0x3;
constexpr UINT FO_RENAME = 0x4;

using FILEOP_FLAGS = WORD;
constexpr FILEOP_FLAGS FOF_MULTIDESTFILES = 0x1;
constexpr FILEOP_FLAGS FOF_SILENT = 0x4;
constexpr FILEOP_FLAGS FOF_NOCONFIRMATION = 0x10;
constexpr FILEOP_FLAGS FOF_ALLOWUNDO = 0x40;
constexpr FILEOP_FLAGS FOF_NOCONFIRMMKDIR = 0x200;
constexpr FILEOP_FLAGS FOF_NOERRORUI = 0x400;

class CShellFileOperation {
public:
    CShellFileOperation() = default;
    CShellFileOperation(const CShellFileOperation&) = delete;
    CShellFileOperation& operator=(const CShellFileOperation&) = delete;

    // Runs the prepared operation; true only when it ran and reported 0.
    // Each output is optional.
    bool Execute(bool* started, int* result, bool* aborted);

    CStringList m_sources{10};
    CStringList m_destinations{10};
    CString m_sProgressTitle;
    BOOL m_bValid = FALSE;
    HWND m_hOwner = nullptr;
    UINT m_nOperation = 0;
    FILEOP_FLAGS m_nFlags = 0;
};

// Moves one file to the trash. False when it could not be moved; the file
// then stays where it is.
bool RecycleFile(HWND owner, const CString& path);
