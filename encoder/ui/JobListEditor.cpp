#include "encoder/ui/JobListEditor.h"

#include <algorithm>

#include "encoder/core/BatchReport.h"
#include "encoder/jobs/EncFileInfoList.h"
#include "foundation/PathHelpers.h"
#include "foundation/TextHelpers.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/win32/Files.h"

namespace {

// Why a source was not listed, for the batch report.
CString RefusalText(SourceRefusal refusal)
{
    switch (refusal) {
    case SourceRefusal::Unreadable: return L"the file is empty or of a kind nothing here reads";
    case SourceRefusal::NoReader: return L"no reader takes the file";
    case SourceRefusal::NoStream: return L"the file holds neither video nor audio that can be read";
    case SourceRefusal::PictureSize: return L"the chosen output format cannot take its picture size";
    default: return L"the source was refused";
    }
}

}  // namespace

JobListEditor::JobListEditor(CEncFileInfoList& jobs, CListCtrl& list) : m_jobs(jobs), m_list(list) {}

// ---- Adding sources ------------------------------------------------------------------

void JobListEditor::AddFile(const CString& path)
{
    SourceRefusal refusal = SourceRefusal::None;
    if (!m_jobs.AddFile(path, &refusal)) {
        const bool missing = path.Find(L"://") < 0 && GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES;
        GetBatchReport().SourceNotListed(path, missing ? CString(L"no such file") : RefusalText(refusal));
    }
    if (!HasSelection() && m_list.GetItemCount() > 0) SelectRow(0, LVIS_SELECTED | LVIS_FOCUSED);
}

void JobListEditor::AddSortedFiles(CStringList& files)
{
    SortStringList(files, 0);
    for (POSITION position = files.GetHeadPosition(); position;) AddFile(files.GetNext(position));
}

void JobListEditor::CollectFolderFiles(const CString& folder, CStringList& files, bool recursive)
{
    files.RemoveAll();
    // The folders to read, in the order found: each folder's sub-folders are
    // read after every folder found before them (breadth first).
    CStringArray folders;
    folders.Add(folder);
    for (int i = 0; i < folders.GetSize(); ++i) {
        const CString current = folders[i];
        // "*" rather than "*.*": on this file system a name need not hold a dot.
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW(CombinePath(current, L"*", L"/"), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const CString name(found.cFileName);
                if (name == L"." || name == L"..") continue;
                const CString path = CombinePath(current, name, L"/");
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    folders.Add(path);
                else
                    files.AddTail(path);
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        if (!recursive) break;
    }
}

void JobListEditor::AddFolder(const CString& folder)
{
    CStringList files;
    CollectFolderFiles(folder, files, true);
    AddSortedFiles(files);
}

// ---- Rows and the selection ------------------------------------------------------------

void JobListEditor::RefreshRow(int index)
{
    const CEncFileInfo* job = m_jobs.GetJob(index);
    if (!job) return;
    const auto texts = CEncFileInfoList::GetColumnTexts(*job);
    for (int column = 0; column < CEncFileInfoList::kColumnCount; ++column)
        m_list.SetItemText(index, column, texts[column]);
}

bool JobListEditor::HasSelection() const { return FirstSelectedRow() >= 0; }

int JobListEditor::FirstSelectedRow() const { return m_list.GetNextItem(-1, LVNI_SELECTED); }

bool JobListEditor::IsSelected(int row) const { return (m_list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0; }

std::vector<int> JobListEditor::SelectedRows() const
{
    std::vector<int> rows;
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

void JobListEditor::SelectRow(int row, UINT state) { m_list.SetItemState(row, state, state); }

// ---- Removing and moving ---------------------------------------------------------------

bool JobListEditor::RemoveSelected()
{
    const int count = m_list.GetItemCount();
    int removed = 0;
    int first = -1;
    for (int i = 0; i < count; ++i) {
        const int row = i - removed;
        if (!IsSelected(row)) continue;
        if (first < 0) first = row;
        m_jobs.RemoveJobs(row, 1);
        ++removed;
    }
    const int rows = m_list.GetItemCount();
    if (first < 0 || rows == 0) return false;
    SelectRow(std::min(first, rows - 1), LVIS_SELECTED | LVIS_FOCUSED);
    return true;
}

void JobListEditor::MoveRow(int from, int to)
{
    m_jobs.MoveJob(from, to);
    SelectRow(to, LVIS_SELECTED);
    m_list.EnsureVisible(to, TRUE);
}

void JobListEditor::MoveUp()
{
    const std::vector<int> rows = SelectedRows();
    m_list.SetRedraw(FALSE);
    for (int a : rows) {
        const int target = a - 1;
        if (target < 0 || IsSelected(target)) continue;
        MoveRow(a, target);
    }
    m_list.SetRedraw(TRUE);
}

void JobListEditor::MoveDown()
{
    const std::vector<int> rows = SelectedRows();
    m_list.SetRedraw(FALSE);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const int target = *it + 1;
        if (target >= m_list.GetItemCount() || IsSelected(target)) continue;
        MoveRow(*it, target);
    }
    m_list.SetRedraw(TRUE);
}

void JobListEditor::MoveToTop()
{
    const std::vector<int> rows = SelectedRows();
    m_list.SetRedraw(FALSE);
    int target = 0;
    for (int a : rows) {
        if (IsSelected(target)) continue;
        MoveRow(a, target);
        ++target;
    }
    m_list.SetRedraw(TRUE);
}

void JobListEditor::MoveToBottom()
{
    const std::vector<int> rows = SelectedRows();
    m_list.SetRedraw(FALSE);
    int target = m_list.GetItemCount() - 1;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (target >= m_list.GetItemCount() || IsSelected(target)) continue;
        MoveRow(*it, target);
        --target;
    }
    m_list.SetRedraw(TRUE);
}
