#include "SamiFile.h"

#include <new>

ISubPicProvider* CreateSamiProvider(const CString& path, const SubtitleOpenParams* params)
{
    if (!params) return nullptr;
    auto* file = new (std::nothrow) CSamiFile;
    if (!file) return nullptr;
    if (!file->Load(path, params->nDefaultColor, params->nLineJoinMode, params->nCodePage)) {
        delete file;
        return nullptr;
    }
    return static_cast<ISubPicProvider*>(file);
}

bool CSamiFile::Load(const CString& path, int defaultColor, int lineJoinMode, int codePage)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_parser.SetLineJoinMode(lineJoinMode);
    m_parser.SetCodePageSetting(codePage);
    m_parser.SetPreferredCodePage(0);
    if (!m_parser.Parse(path, defaultColor) || !m_parser.HasAnyEntry()) return false;
    SetLanguage(0);
    return true;
}

HRESULT CSamiFile::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_ISamiLanguage) {
        *object = static_cast<ISamiLanguage*>(this);
        AddRef();
        return S_OK;
    }
    return ISubPicProviderImpl::NonDelegatingQueryInterface(riid, object);
}

CSamiFile::EntryList* CSamiFile::CurrentList()
{
    if (m_cached) return m_cached;
    CSamPa2::SSubtitle* s = m_language == 0 ? m_parser.GetCombined() : m_parser.FindClassByLcid(m_language);
    if (!s && m_language == 0 && m_parser.GetClassCount() == 1) s = m_parser.GetClass(0);
    m_cached = s ? &s->entries : nullptr;
    return m_cached;
}

POSITION CSamiFile::GetFirstPosition()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    EntryList* list = CurrentList();
    return list ? list->GetHeadPosition() : nullptr;
}

POSITION CSamiFile::GetLastPosition()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    EntryList* list = CurrentList();
    return list ? list->GetTailPosition() : nullptr;
}

POSITION CSamiFile::Step(POSITION pos, bool forward)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    bool fresh = m_cached == nullptr;
    EntryList* list = CurrentList();
    if (!list) return nullptr;
    if (fresh) return list->GetHeadPosition();
    if (!pos) return nullptr;
    if (forward)
        list->GetNext(pos);
    else
        list->GetPrev(pos);
    return pos;
}

POSITION CSamiFile::GetNextPosition(POSITION pos) { return Step(pos, true); }

POSITION CSamiFile::GetPrevPosition(POSITION pos) { return Step(pos, false); }

POSITION CSamiFile::FindPosition(POSITION hint, REFERENCE_TIME t)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    EntryList* list = CurrentList();
    if (!list) return nullptr;
    if (m_restart) {
        hint = nullptr;
        m_restart = false;
    }
    return FindTimedPosition(*list, hint, ToMilliseconds(t, m_offset));
}

HRESULT CSamiFile::GetText(POSITION pos, const wchar_t** text)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (text) *text = nullptr;
    EntryList* list = CurrentList();
    if (!list) return E_FAIL;
    if (!pos || !text) return E_INVALIDARG;
    const CSamPa2::SSubText* entry = list->GetAt(pos);
    if (!entry) return S_FALSE;
    *text = entry->text.GetString();
    return S_OK;
}

HRESULT CSamiFile::GetStartTime(POSITION pos, REFERENCE_TIME* start)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    EntryList* list = CurrentList();
    if (!list) return E_FAIL;
    if (!start) return E_INVALIDARG;
    *start = -1;
    if (!pos) return E_INVALIDARG;
    const CSamPa2::SSubText* entry = list->GetAt(pos);
    if (!entry) return S_FALSE;
    *start = FromMilliseconds(entry->nStart);
    return S_OK;
}

HRESULT CSamiFile::SetTimeOffset(REFERENCE_TIME offset)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_offset = offset;
    return S_OK;
}

REFERENCE_TIME CSamiFile::GetTimeOffset()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_offset;
}

// The language queries take the lock too: the selection they read may be
// changing on another thread.
int CSamiFile::GetLanguageCount()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_parser.GetClassCount();
}

LCID CSamiFile::GetLanguageId(int index)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    const CSamPa2::SSubtitle* s = m_parser.GetClass(index);
    return s ? s->lcid : 0;
}

HRESULT CSamiFile::SetLanguage(LCID lcid)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (lcid != 0 && m_parser.FindClassByLcid(lcid))
        m_language = lcid;
    else if (m_parser.GetClassCount() == 1)
        m_language = m_parser.GetClass(0)->lcid;
    else
        m_language = 0;
    m_cached = nullptr;
    m_restart = true;
    return S_OK;
}

LCID CSamiFile::GetLanguage()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_language;
}

BOOL CSamiFile::HasLanguage(LCID lcid)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (lcid == 0) return m_parser.HasAnyEntry() ? 1 : 0;
    return m_parser.FindClassByLcid(lcid) ? 1 : 0;
}
