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
    std::lock_guard<std::recursive_mutex> hold(lock_);
    parser_.SetLineJoinMode(lineJoinMode);
    parser_.SetCodePageSetting(codePage);
    parser_.SetPreferredCodePage(0);
    if (!parser_.Parse(path, defaultColor) || !parser_.HasAnyEntry()) return false;
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
    if (cached_) return cached_;
    CSamPa2::SSubtitle* s = language_ == 0 ? parser_.GetCombined() : parser_.FindClassByLcid(language_);
    if (!s && language_ == 0 && parser_.GetClassCount() == 1) s = parser_.GetClass(0);
    cached_ = s ? &s->entries : nullptr;
    return cached_;
}

POSITION CSamiFile::GetFirstPosition()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    EntryList* list = CurrentList();
    return list ? list->GetHeadPosition() : nullptr;
}

POSITION CSamiFile::GetLastPosition()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    EntryList* list = CurrentList();
    return list ? list->GetTailPosition() : nullptr;
}

POSITION CSamiFile::Step(POSITION pos, bool forward)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    bool fresh = cached_ == nullptr;
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
    std::lock_guard<std::recursive_mutex> hold(lock_);
    EntryList* list = CurrentList();
    if (!list) return nullptr;
    if (restart_) {
        hint = nullptr;
        restart_ = false;
    }
    return FindTimedPosition(*list, hint, ToMilliseconds(t, offset_));
}

HRESULT CSamiFile::GetText(POSITION pos, const wchar_t** text)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
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
    std::lock_guard<std::recursive_mutex> hold(lock_);
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
    std::lock_guard<std::recursive_mutex> hold(lock_);
    offset_ = offset;
    return S_OK;
}

REFERENCE_TIME CSamiFile::GetTimeOffset()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return offset_;
}

// The language queries take the lock too: the selection they read may be
// changing on another thread.
int CSamiFile::GetLanguageCount()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return parser_.GetClassCount();
}

LCID CSamiFile::GetLanguageId(int index)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    const CSamPa2::SSubtitle* s = parser_.GetClass(index);
    return s ? s->lcid : 0;
}

HRESULT CSamiFile::SetLanguage(LCID lcid)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (lcid != 0 && parser_.FindClassByLcid(lcid))
        language_ = lcid;
    else if (parser_.GetClassCount() == 1)
        language_ = parser_.GetClass(0)->lcid;
    else
        language_ = 0;
    cached_ = nullptr;
    restart_ = true;
    return S_OK;
}

LCID CSamiFile::GetLanguage()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return language_;
}

BOOL CSamiFile::HasLanguage(LCID lcid)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (lcid == 0) return parser_.HasAnyEntry() ? 1 : 0;
    return parser_.FindClassByLcid(lcid) ? 1 : 0;
}
