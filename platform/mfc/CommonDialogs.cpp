#include "CommonDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>

#include "platform/win32/gui/QtAccess.h"
#include "platform/win32/gui/Window.h"

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
        if (root_ && IsWindowEnabled(root_))
            EnableWindow(root_, FALSE);
        else
            root_ = nullptr;
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
    for (const QString& p : QString::fromStdWString(f.second).split(u';', Qt::SkipEmptyParts)) patterns << p.trimmed();
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
            dialog.selectNameFilter(
                filters.value(std::clamp(request.filterIndex, 0, static_cast<int>(filters.size()) - 1)));
        }
        if (request.save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            if (!request.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
        } else {
            dialog.setFileMode(request.multiple        ? QFileDialog::ExistingFiles
                               : request.fileMustExist ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
        }
        if (!request.defaultExtension.empty())
            dialog.setDefaultSuffix(QString::fromStdWString(request.defaultExtension));
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
        QString folder =
            QFileDialog::getExistingDirectory(owner.Parent(), QString::fromStdWString(request.title),
                                              QString::fromStdWString(request.startFolder), QFileDialog::ShowDirsOnly);
        if (folder.isEmpty()) return std::nullopt;
        return folder.toStdWString();
    }
    std::optional<COLORREF> PickColor(ColorDialogRequest& request) override
    {
        OwnerDisabled owner(request.owner);
        for (int i = 0; i < 16; ++i)
            QColorDialog::setCustomColor(
                i, QColor(GetRValue(request.custom[i]), GetGValue(request.custom[i]), GetBValue(request.custom[i])));
        QColor initial(GetRValue(request.initial), GetGValue(request.initial), GetBValue(request.initial));
        QColor chosen = QColorDialog::getColor(initial, owner.Parent());
        for (int i = 0; i < 16; ++i) {
            QColor c = QColorDialog::customColor(i);
            request.custom[i] =
                RGB(static_cast<BYTE>(c.red()), static_cast<BYTE>(c.green()), static_cast<BYTE>(c.blue()));
        }
        if (!chosen.isValid()) return std::nullopt;
        return RGB(static_cast<BYTE>(chosen.red()), static_cast<BYTE>(chosen.green()),
                   static_cast<BYTE>(chosen.blue()));
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
        if (dot != std::wstring::npos && dot >= offset)
            ofn->nFileExtension = static_cast<WORD>(std::min<size_t>(dot + 1, 0xFFFF));
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
