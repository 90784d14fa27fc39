#include "CFileDialog.h"

#include <algorithm>
#include <cwchar>

namespace {

// Where the last part of a path starts (either separator counts).
size_t NameStart(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"/\\");
    return slash == std::wstring::npos ? 0 : slash + 1;
}

}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                         CWnd* parent)
    : open_(openFileDialog), name_(MAX_PATH, L'\0')
{
    if (filter) {
        filter_ = filter;
        std::replace(filter_.begin(), filter_.end(), L'|', L'\0');
        filter_ += L'\0';
    }
    if (defaultExtension) defaultExtension_ = defaultExtension;
    if (fileName) {
        size_t n = std::min<size_t>(wcslen(fileName), MAX_PATH - 1);
        std::copy(fileName, fileName + n, name_.begin());
    }
    CWnd* owner = parent ? parent : AfxGetMainWnd();
    owner_ = owner ? owner->m_hWnd : nullptr;
    m_ofn.hwndOwner = owner_;
    m_ofn.lpstrFilter = filter_.empty() ? nullptr : filter_.c_str();
    m_ofn.lpstrFile = name_.data();
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrDefExt = defaultExtension_.empty() ? nullptr : defaultExtension_.c_str();
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal()
{
    BOOL ok = open_ ? GetOpenFileNameW(&m_ofn) : GetSaveFileNameW(&m_ofn);
    return ok ? IDOK : IDCANCEL;
}

std::vector<std::wstring> CFileDialog::Paths() const
{
    std::vector<std::wstring> paths;
    if (!m_ofn.lpstrFile || m_ofn.nMaxFile == 0) return paths;
    const wchar_t* p = m_ofn.lpstrFile;
    const wchar_t* end = p + m_ofn.nMaxFile;
    std::wstring first(p, wcsnlen(p, m_ofn.nMaxFile));
    if (first.empty()) return paths;
    const wchar_t* next = p + first.size() + 1;
    if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT) || next >= end || !*next) {
        paths.push_back(first);
        return paths;
    }
    // The folder, then the names.
    while (next < end && *next) {
        std::wstring name(next, wcsnlen(next, static_cast<size_t>(end - next)));
        paths.push_back(first + (first.back() == L'/' ? L"" : L"/") + name);
        next += name.size() + 1;
    }
    return paths;
}

CString CFileDialog::GetPathName() const
{
    auto paths = Paths();
    return paths.empty() ? CString() : CString(paths.front());
}

CString CFileDialog::GetFileName() const
{
    std::wstring path = GetPathName().str();
    return CString(path.substr(NameStart(path)));
}

CString CFileDialog::GetFileExt() const
{
    std::wstring name = GetFileName().str();
    size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? CString() : CString(name.substr(dot + 1));
}

CString CFileDialog::GetFileTitle() const
{
    std::wstring name = GetFileName().str();
    size_t dot = name.find_last_of(L'.');
    return CString(dot == std::wstring::npos ? name : name.substr(0, dot));
}

CString CFileDialog::GetFolderPath() const
{
    std::wstring path = GetPathName().str();
    size_t at = NameStart(path);
    return CString(at > 1 ? path.substr(0, at - 1) : path.substr(0, at));
}

POSITION CFileDialog::GetStartPosition() const
{
    return Paths().empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<intptr_t>(1));
}

CString CFileDialog::GetNextPathName(POSITION& position) const
{
    auto paths = Paths();
    auto index = static_cast<size_t>(reinterpret_cast<intptr_t>(position)) - 1;
    if (!position || index >= paths.size()) {
        position = nullptr;
        return CString();
    }
    position = index + 1 < paths.size() ? reinterpret_cast<POSITION>(static_cast<intptr_t>(index + 2)) : nullptr;
    return CString(paths[index]);
}
