#include "encoder/jobs/EncFileInfoList.h"

#include <memory>

#include "encoder/core/LangTextTable.h"
#include "platform/mfc/CommonCtrls.h"

CEncFileInfoList::~CEncFileInfoList()
{
    for (CEncFileInfo* job : vec()) delete job;
}

std::array<CString, CEncFileInfoList::kColumnCount> CEncFileInfoList::GetColumnTexts(const CEncFileInfo& job)
{
    const CString none = LookupText(L"TEXT_LIST_FILES_NONE");
    auto stream = [&none](const CString& name, const CString& info) {
        return name.IsEmpty() ? none : name + L", " + info;
    };
    return {job.GetDurationText(),
            job.GetSourceFileName(),
            job.GetContainerName(),
            job.m_sSubtitlePath.IsEmpty() ? none : CString(LookupText(L"TEXT_LIST_FILES_OK")),
            job.GetSourceFolder(),
            stream(job.GetVideoFormatName(), job.GetVideoInfoText()),
            stream(job.GetAudioFormatName(), job.GetAudioInfoText())};
}

CEncFileInfo* CEncFileInfoList::AddFile(const CString& source, SourceRefusal* refusal)
{
    auto job = std::make_unique<CEncFileInfo>();
    job->Init(source);
    if (refusal) *refusal = job->m_nRefusal;
    if (job->m_sSourcePath.IsEmpty()) return nullptr;
    CEncFileInfo* added = job.release();
    Add(added);
    if (m_pListCtrl) {
        std::array<CString, kColumnCount> texts = GetColumnTexts(*added);
        int row = m_pListCtrl->InsertItem(m_pListCtrl->GetItemCount(), texts[0]);
        for (int column = 1; column < kColumnCount; ++column) m_pListCtrl->SetItemText(row, column, texts[column]);
    }
    return added;
}

int CEncFileInfoList::MoveJob(int from, int to)
{
    const int count = GetSize();
    if (from < 0 || to < 0 || from >= count || to >= count || from == to) return 0;
    // The entry goes in before the old one is taken out: behind the target
    // when moving down, in its place when moving up.
    const int insertAt = from < to ? to + 1 : to;
    const int removeAt = from < to ? from : from + 1;
    InsertAt(insertAt, GetAt(from));
    if (m_pListCtrl && from < m_pListCtrl->GetItemCount()) {
        CString texts[kColumnCount];
        for (int column = 0; column < kColumnCount; ++column) texts[column] = m_pListCtrl->GetItemText(from, column);
        int row = m_pListCtrl->InsertItem(insertAt, texts[0]);
        for (int column = 1; column < kColumnCount; ++column) m_pListCtrl->SetItemText(row, column, texts[column]);
        m_pListCtrl->DeleteItem(removeAt);
    }
    RemoveAt(removeAt);
    return 1;
}

void CEncFileInfoList::RemoveJobs(int index, int count)
{
    if (index < 0 || count <= 0 || index >= GetSize()) return;
    if (count > GetSize() - index) count = GetSize() - index;
    for (int i = 0; i < count; ++i) {
        delete GetAt(index);
        RemoveAt(index);
        if (m_pListCtrl && index < m_pListCtrl->GetItemCount()) m_pListCtrl->DeleteItem(index);
    }
}

void CEncFileInfoList::RemoveAll()
{
    for (CEncFileInfo* job : vec()) delete job;
    CArray::RemoveAll();
    if (m_pListCtrl) m_pListCtrl->DeleteAllItems();
}
