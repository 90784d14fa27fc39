// The job list: the job records in list order, owned by the list, and the
// main window's report list control (when one is attached) with one row of
// seven columns per record, the rows in the records' order.
#pragma once

#include <array>

#include "encoder/core/jobs/EncFileInfo.h"
#include "platform/win32/Collections.h"

class CListCtrl;

class CEncFileInfoList : public CArray<CEncFileInfo*, CEncFileInfo*> {
public:
    static constexpr int kColumnCount = 7;

    CEncFileInfoList() = default;
    // Deletes the records still held; the rows stay with their control.
    ~CEncFileInfoList();
    CEncFileInfoList(const CEncFileInfoList&) = delete;
    CEncFileInfoList& operator=(const CEncFileInfoList&) = delete;

    // Rows follow the records from now on; null detaches. The control's
    // existing rows are left as they are.
    void SetListCtrl(CListCtrl* list) { m_pListCtrl = list; }
    CListCtrl* GetListCtrl() const { return m_pListCtrl; }

    // Probes the source and appends its record and row; null, with nothing
    // added, when the source is refused (and why, when asked).
    CEncFileInfo* AddFile(const CString& source, SourceRefusal* refusal = nullptr);
    // Moves the record and its row from one index to another; 1 when moved,
    // 0 when an index is out of range or both are equal.
    int MoveJob(int from, int to);
    // Deletes count records and their rows from index on; indexes outside
    // the list are ignored.
    void RemoveJobs(int index, int count);
    // Deletes every record and every row.
    void RemoveAll();

    int GetJobCount() const { return GetSize(); }
    // The record at the index, or null outside the list.
    CEncFileInfo* GetJob(int index) const { return index >= 0 && index < GetSize() ? GetAt(index) : nullptr; }

    // The texts of a record's row: duration, file name, container, subtitle
    // found or not, folder, video and audio descriptions.
    static std::array<CString, kColumnCount> GetColumnTexts(const CEncFileInfo& job);

private:
    CListCtrl* m_pListCtrl = nullptr;
};
