#include "CommonDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>

#include "platform/win32/gui/WindowWidgetAccess.h"

namespace {

// Filter lists longer than this are not read further.
constexpr size_t kLongestFilterList = 1 << 20;

thread_local DWORD t_error = 0;
ICommonDialogs* g_dialogs = nullptr;

// Keeps the owner's top-level window from input while a dialog shows, as a
// modal dialog does.
class OwnerDisabled {
public:
    explicit OwnerDisabled(HWND owner) : root_(owner ? GetAncestor(owner, GA_ROOT) : nullptr)
    {
        if (root_ && IsWindowEnabled(root_)) EnableWindow(root_, FALSE);
        else root_ = nullptr;
    }
    ~OwnerDisabled()
    {
        if (root_ && IsWindow(root_)) EnableWindow(root_, TRUE);
    }
    OwnerDisabled(const OwnerDisabled&) = delete;
    OwnerDisabled& operator=(const OwnerDisabled&) = delete;
    QWidget* Parent() const { return root_ ? GetWindowQWidget(root_) : nullptr; }

private:
    HWND root_;
};

QString QtFilter(const std::pair<std::wstring, std::wstring>& f)
{
    QStringList patterns;
    for (const QString& p : QString::fromStdWString(f.second).split(u';', Qt::SkipEmptyParts))
        patterns << p.trimmed();
    QString name = QString::fromStdWString(f.first);
    if (patterns.isEmpty()) return name;
    return name + QStringLiteral(" (") + patterns.join(u' ') + u')';
}

class QtCommonDialogs : public ICommonDialogs {
public:
    FileDialogAnswer ShowFileDialog(const FileDialogRequest& request) override
    {
        FileDialogAnswer answer;
        OwnerDisabled owner(request.owner);
        QFileDialog dialog(owner.Parent(), QString::fromStdWString(request.title),
                           QString::fromStdWString(request.initialFolder));
        QStringList filters;
        for (const auto& f : request.filters) filters << QtFilter(f);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            dialog.selectNameFilter(filters.value(std::clamp(request.filterIndex, 0, static_cast<int>(filters.size()) - 1)));
        }
        if (request.save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            if (!request.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
        } else {
            dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles
                               : request.fileMustExist ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
        }
        if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdWString(request.defaultExtension));
        if (!request.initialName.empty()) dialog.selectFile(QString::fromStdWString(request.initialName));
        if (dialog.exec() != QDialog::Accepted) return answer;
        for (const QString& p : dialog.selectedFiles()) answer.paths.push_back(p.toStdWString());
        answer.filterIndex = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
        answer.ok = !answer.paths.empty();
        return answer;
    }
    std::optional<std::wstring> PickFolder(const FolderDialogRequest& request) override
    {
        OwnerDisabled owner(request.owner);
        QString folder = QFileDialog::getExistingDirectory(owner.Parent(), QString::fromStdWString(request.title),
                                                           QString::fromStdWString(request.startFolder),
                                                           QFileDialog::ShowDirsOnly);
        if (folder.isEmpty()) return std::nullopt;
        return folder.toStdWString();
    }
    std::optional<COLORREF> PickColor(ColorDialogRequest& request) override
    {
        OwnerDisabled owner(request.owner);
        for (int i = 0; i < 16; ++i)
            QColorDialog::setCustomColor(i, QColor(GetRValue(request.custom[i]), GetGValue(request.custom[i]),
                                                   GetBValue(request.custom[i])));
        QColor initial(GetRValue(request.initial), GetGValue(request.initial), GetBValue(request.initial));
        QColor chosen = QColorDialog::getColor(initial, owner.Parent());
        for (int i = 0; i < 16; ++i) {
            QColor c = QColorDialog::customColor(i);
            request.custom[i] = RGB(static_cast<BYTE>(c.red()), static_cast<BYTE>(c.green()), static_cast<BYTE>(c.blue()));
        }
        if (!chosen.isValid()) return std::nullopt;
        return RGB(static_cast<BYTE>(chosen.red()), static_cast<BYTE>(chosen.green()), static_cast<BYTE>(chosen.blue()));
    }
};

// "name\0patterns\0...\0\0" into pairs; a list without its end is read up
// to the limit only.
std::vector<std::pair<std::wstring, std::wstring>> ParseFilter(LPCWSTR filter)
{
    std::vector<std::pair<std::wstring, std::wstring>> out;
    if (!filter) return out;
    size_t used = 0;
    while (*filter && used < kLongestFilterList) {
        std::wstring name = filter;
        filter += name.size() + 1;
        used += name.size() + 1;
        // A name without patterns ends the list: the empty text is its end.
        if (!*filter) {
            out.emplace_back(std::move(name), std::wstring());
            break;
        }
        std::wstring patterns = filter;
        filter += patterns.size() + 1;
        used += patterns.size() + 1;
        out.emplace_back(std::move(name), std::move(patterns));
    }
    return out;
}

size_t LastSeparator(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"/\\");
    return slash == std::wstring::npos ? 0 : slash + 1;
}

BOOL RunFileDialog(OPENFILENAMEW* ofn, bool save)
{
    if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEW)) {
        t_error = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
        t_error = CDERR_INITIALIZATION;
        return FALSE;
    }
    FileDialogRequest r;
    r.owner = ofn->hwndOwner;
    r.save = save;
    r.multiple = !save && (ofn->Flags & OFN_ALLOWMULTISELECT);
    r.overwritePrompt = (ofn->Flags & OFN_OVERWRITEPROMPT) != 0;
    r.fileMustExist = (ofn->Flags & OFN_FILEMUSTEXIST) != 0;
    if (ofn->lpstrTitle) r.title = ofn->lpstrTitle;
    r.filters = ParseFilter(ofn->lpstrFilter);
    r.filterIndex = ofn->nFilterIndex > 0 ? static_cast<int>(ofn->nFilterIndex) - 1 : 0;
    if (ofn->lpstrInitialDir) r.initialFolder = ofn->lpstrInitialDir;
    r.initialName.assign(ofn->lpstrFile, wcsnlen(ofn->lpstrFile, ofn->nMaxFile));
    if (ofn->lpstrDefExt) r.defaultExtension = ofn->lpstrDefExt;
    FileDialogAnswer a = CommonDialogs().ShowFileDialog(r);
    if (!a.ok || a.paths.empty()) {
        t_error = 0;
        return FALSE;
    }
    if (save && !r.defaultExtension.empty()) {
        std::wstring& p = a.paths.front();
        if (p.find(L'.', LastSeparator(p)) == std::wstring::npos) p += L"." + r.defaultExtension;
    }
    // One path, or the folder and the names.
    std::wstring result;
    WORD offset = 0;
    if (a.paths.size() == 1) {
        result = a.paths.front();
        result += L'\0';
        offset = static_cast<WORD>(std::min<size_t>(LastSeparator(a.paths.front()), 0xFFFF));
    } else {
        std::wstring folder = a.paths.front().substr(0, LastSeparator(a.paths.front()));
        if (folder.size() > 1) folder.pop_back();
        result = folder + L'\0';
        offset = static_cast<WORD>(std::min<size_t>(result.size(), 0xFFFF));
        for (const std::wstring& p : a.paths) result += p.substr(LastSeparator(p)) + L'\0';
    }
    result += L'\0';
    if (result.size() > ofn->nMaxFile) {
        ofn->lpstrFile[0] = static_cast<wchar_t>(std::min<size_t>(result.size(), 0xFFFF));
        t_error = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::copy(result.begin(), result.end(), ofn->lpstrFile);
    ofn->nFileOffset = offset;
    ofn->nFileExtension = 0;
    if (a.paths.size() == 1) {
        size_t dot = a.paths.front().find_last_of(L'.');
        if (dot != std::wstring::npos && dot >= offset) ofn->nFileExtension = static_cast<WORD>(std::min<size_t>(dot + 1, 0xFFFF));
    }
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
        std::wstring name = a.paths.front().substr(LastSeparator(a.paths.front()));
        size_t n = std::min<size_t>(name.size(), ofn->nMaxFileTitle - 1);
        std::copy(name.begin(), name.begin() + static_cast<long>(n), ofn->lpstrFileTitle);
        ofn->lpstrFileTitle[n] = L'\0';
    }
    ofn->nFilterIndex = static_cast<DWORD>(a.filterIndex + 1);
    t_error = 0;
    return TRUE;
}

}  // namespace

void SetCommonDialogs(ICommonDialogs* dialogs) { g_dialogs = dialogs; }

ICommonDialogs& CommonDialogs()
{
    static QtCommonDialogs qt;
    return g_dialogs ? *g_dialogs : qt;
}

BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) { return RunFileDialog(ofn, false); }
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) { return RunFileDialog(ofn, true); }
DWORD CommDlgExtendedError() { return t_error; }

BOOL ChooseColorW(CHOOSECOLORW* cc)
{
    if (!cc || cc->lStructSize != sizeof(CHOOSECOLORW)) {
        t_error = CDERR_STRUCTSIZE;
        return FALSE;
    }
    ColorDialogRequest r;
    r.owner = cc->hwndOwner;
    r.initial = (cc->Flags & CC_RGBINIT) ? cc->rgbResult : 0;
    r.fullOpen = (cc->Flags & CC_FULLOPEN) && !(cc->Flags & CC_PREVENTFULLOPEN);
    if (cc->lpCustColors) std::copy(cc->lpCustColors, cc->lpCustColors + 16, r.custom);
    std::optional<COLORREF> chosen = CommonDialogs().PickColor(r);
    if (cc->lpCustColors) std::copy(r.custom, r.custom + 16, cc->lpCustColors);
    t_error = 0;
    if (!chosen) return FALSE;
    cc->rgbResult = *chosen;
    return TRUE;
}

// ---- CFileDialog -------------------------------------------------------------------------

CFileDialog::CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags,
                         LPCWSTR filter, CWnd* parent)
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
    return CString(path.substr(LastSeparator(path)));
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
    size_t at = LastSeparator(path);
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

// ---- CColorDialog ---------------------------------------------------------------------------

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent)
{
    m_cc.rgbResult = initial;
    m_cc.Flags = flags | (initial ? CC_RGBINIT : 0);
    m_cc.lpCustColors = custom_;
    CWnd* owner = parent ? parent : AfxGetMainWnd();
    m_cc.hwndOwner = owner ? owner->m_hWnd : nullptr;
}

INT_PTR CColorDialog::DoModal() { return ChooseColorW(&m_cc) ? IDOK : IDCANCEL; }
