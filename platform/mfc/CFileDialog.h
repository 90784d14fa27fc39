// The class library's file dialog over GetOpenFileNameW / GetSaveFileNameW:
// the filter in the library's "name|patterns|...||" form, one or several
// chosen paths read back from the result buffer.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/CWnd.h"
#include "platform/mfc/CommonDialogs.h"

class CFileDialog {
public:
    // filter: "name|patterns|name|patterns||".
    CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension = nullptr, LPCWSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR filter = nullptr, CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK or IDCANCEL.
    INT_PTR DoModal();
    CString GetPathName() const;
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;
    CString GetFolderPath() const;
    // The chosen paths one by one.
    POSITION GetStartPosition() const;
    CString GetNextPathName(POSITION& position) const;

    OPENFILENAMEW m_ofn;

private:
    std::vector<std::wstring> Paths() const;
    BOOL open_;
    std::wstring filter_;
    std::wstring defaultExtension_;
    std::vector<wchar_t> name_;
    HWND owner_ = nullptr;
};
