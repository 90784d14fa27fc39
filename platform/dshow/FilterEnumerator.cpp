#include "platform/dshow/FilterEnumerator.h"

CEnumFilters::CEnumFilters(IUnknown* owner, IFilterListSource* source) : owner_(owner), source_(source)
{
    owner_->AddRef();
    Reset();
}

CEnumFilters::~CEnumFilters() { owner_->Release(); }

HRESULT CEnumFilters::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumFilters) {
        *object = static_cast<IEnumFilters*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CEnumFilters::AddRef() { return static_cast<ULONG>(++refs_); }

ULONG CEnumFilters::Release()
{
    LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT CEnumFilters::Next(ULONG count, IBaseFilter** filters, ULONG* fetched)
{
    if (!filters) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    if (fetched) *fetched = 0;
    if (version_ != source_->ListVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG got = 0;
    while (got < count && position_ < snapshot_.size()) {
        snapshot_[position_++].CopyTo(&filters[got++]);
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

HRESULT CEnumFilters::Skip(ULONG count)
{
    if (version_ != source_->ListVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    if (count > snapshot_.size() - position_) {
        position_ = snapshot_.size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT CEnumFilters::Reset()
{
    // The version is read first: a change after it shows as out of sync.
    version_ = source_->ListVersion();
    snapshot_ = source_->ListFilters();
    position_ = 0;
    return S_OK;
}

HRESULT CEnumFilters::Clone(IEnumFilters** clone)
{
    if (!clone) return E_POINTER;
    auto* copy = new CEnumFilters(owner_, source_);
    copy->snapshot_ = snapshot_;
    copy->position_ = position_;
    copy->version_ = version_;
    *clone = copy;
    return S_OK;
}
