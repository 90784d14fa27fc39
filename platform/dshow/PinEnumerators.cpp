#include "platform/dshow/PinEnumerators.h"

// ---- CEnumPins ----------------------------------------------------------------------------

CEnumPins::CEnumPins(CBaseFilter* filter, int position)
    : filter_(filter), position_(position), version_(filter->PinVersion())
{
    filter_->GetOwner()->AddRef();
}

CEnumPins::~CEnumPins() { filter_->GetOwner()->Release(); }

HRESULT CEnumPins::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumPins) {
        *object = static_cast<IEnumPins*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CEnumPins::AddRef() { return static_cast<ULONG>(++refs_); }

ULONG CEnumPins::Release()
{
    LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched)
{
    if (!pins) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    if (fetched) *fetched = 0;
    if (version_ != filter_->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG got = 0;
    while (got < count) {
        CBasePin* pin = filter_->GetPin(position_);
        if (!pin) break;
        ++position_;
        pin->AddRef();
        pins[got++] = pin;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Skip(ULONG count)
{
    if (version_ != filter_->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    int total = filter_->GetPinCount();
    if (position_ + static_cast<long long>(count) > total) {
        position_ = total;
        return S_FALSE;
    }
    position_ += static_cast<int>(count);
    return S_OK;
}

HRESULT CEnumPins::Reset()
{
    version_ = filter_->PinVersion();
    position_ = 0;
    return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** clone)
{
    if (!clone) return E_POINTER;
    if (version_ != filter_->PinVersion()) {
        *clone = nullptr;
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    auto* copy = new CEnumPins(filter_, position_);
    copy->version_ = version_;
    *clone = copy;
    return S_OK;
}

// ---- CEnumMediaTypes ----------------------------------------------------------------------

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, int position)
    : pin_(pin), position_(position), version_(pin->TypeVersion())
{
    pin_->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() { pin_->Release(); }

HRESULT CEnumMediaTypes::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes) {
        *object = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CEnumMediaTypes::AddRef() { return static_cast<ULONG>(++refs_); }

ULONG CEnumMediaTypes::Release()
{
    LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched)
{
    if (!types) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    if (fetched) *fetched = 0;
    if (version_ != pin_->TypeVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG got = 0;
    while (got < count) {
        CMediaType type;
        if (pin_->GetMediaType(position_, &type) != S_OK) break;
        ++position_;
        AM_MEDIA_TYPE* copy = CreateMediaType(&type);
        if (!copy) {
            for (ULONG i = 0; i < got; ++i) DeleteMediaType(types[i]);
            return E_OUTOFMEMORY;
        }
        types[got++] = copy;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Skip(ULONG count)
{
    if (version_ != pin_->TypeVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    while (count > 0) {
        CMediaType type;
        if (pin_->GetMediaType(position_, &type) != S_OK) return S_FALSE;
        ++position_;
        --count;
    }
    return S_OK;
}

HRESULT CEnumMediaTypes::Reset()
{
    version_ = pin_->TypeVersion();
    position_ = 0;
    return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** clone)
{
    if (!clone) return E_POINTER;
    if (version_ != pin_->TypeVersion()) {
        *clone = nullptr;
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    auto* copy = new CEnumMediaTypes(pin_, position_);
    copy->version_ = version_;
    *clone = copy;
    return S_OK;
}
