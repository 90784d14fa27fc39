// The editing of the main window's job list: adding sources (one file, the
// files below a folder, a batch of paths sorted first), removing and moving
// the selected rows, and writing a job's texts into its row. It works on the
// job list and on the list view the job list fills; the main window keeps
// the current job's texts and the buttons, which follow what it did.
#pragma once

#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"

class CEncFileInfoList;
class CListCtrl;

class JobListEditor {
public:
    // The job list must be the one that fills the list view.
    JobListEditor(CEncFileInfoList& jobs, CListCtrl& list);

    // Adds a source through the job list; a refused one goes to the batch
    // report with the reason. The first row becomes selected and focused
    // when nothing is selected.
    void AddFile(const CString& path);
    // Adds the files in plain code-unit order of their paths.
    void AddSortedFiles(CStringList& files);
    // Adds every file below the folder, sorted.
    void AddFolder(const CString& folder);
    // The files below the folder (with recursive, the folders below it
    // breadth first), in the order the file system gives them.
    static void CollectFolderFiles(const CString& folder, CStringList& files, bool recursive);

    // Removes the selected jobs; the row that followed the first of them
    // (the last row when none followed) becomes selected and focused. False
    // when that left nothing selected: nothing was selected, or no row is
    // left.
    bool RemoveSelected();
    // Each moves the selected jobs one row up or down, or to the top or the
    // bottom, as far as the selected rows beside them let them; they stay
    // selected.
    void MoveUp();
    void MoveDown();
    void MoveToTop();
    void MoveToBottom();

    // Writes the job's column texts into its row again.
    void RefreshRow(int index);
    bool HasSelection() const;
    // The first selected row, or -1.
    int FirstSelectedRow() const;

private:
    bool IsSelected(int row) const;
    std::vector<int> SelectedRows() const;
    // Moves one job and selects it at its new row.
    void MoveRow(int from, int to);
    void SelectRow(int row, UINT state);

    CEncFileInfoList& m_jobs;
    CListCtrl& m_list;
};
