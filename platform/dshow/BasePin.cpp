#include "platform/dshow/BasePin.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "platform/com/ComRuntime.h"
#include "platform/com/TaskMemoryText.h"
#include "platform/dshow/PinEnumerators.h"

CBasePin::CBasePin(CBaseFilter* filter, const wchar_t* name, PIN_DIRECTION direction)
    : filter_(filter), lock_(filter->FilterLock()), name_(name ? name : L""), direction_(direction)
{
}

CBasePin::~CBasePin()
{
    if (connected_) connected_->Release();
}

HRESULT CBasePin::QueryInterface(REFIID riid, void** object) { return NonDelegatingQueryInterface(riid, object); }

ULONG CBasePin::AddRef() { return filter_->GetOwner()->AddRef(); }

ULONG CBasePin::Release() { return filter_->GetOwner()->Release(); }

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin) return GetInterface(static_cast<IPin*>(this), object);
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type)
{
    if (!receivePin) return E_POINTER;
    if (direction_ != PINDIR_OUTPUT) return E_UNEXPECTED;  // connections start at outputs
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (connected_) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    if (type && !IsPartialMediaType(*type)) {
        CMediaType exact(*type);
        return AttemptConnection(receivePin, exact);
    }
    CMediaType partial;
    if (type) partial = *type;
    return AgreeMediaType(receivePin, type ? &partial : nullptr);
}

HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const CMediaType* partial)
{
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    // The receiving pin knows best what it wants: its types come first.
    for (int round = 0; round < 2; ++round) {
        IEnumMediaTypes* types = nullptr;
        HRESULT hr = round == 0 ? receivePin->EnumMediaTypes(&types) : EnumMediaTypes(&types);
        if (FAILED(hr) || !types) continue;
        hr = TryMediaTypes(receivePin, partial, types);
        types->Release();
        if (SUCCEEDED(hr)) return S_OK;
        if (hr != VFW_E_NO_ACCEPTABLE_TYPES) last = hr;
    }
    return last;
}

HRESULT CBasePin::TryMediaTypes(IPin* receivePin, const CMediaType* partial, IEnumMediaTypes* types)
{
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    for (;;) {
        AM_MEDIA_TYPE* candidate = nullptr;
        ULONG fetched = 0;
        if (types->Next(1, &candidate, &fetched) != S_OK || fetched != 1) break;
        CMediaType type(*candidate);
        DeleteMediaType(candidate);
        if (partial && !type.MatchesPartial(*partial)) continue;
        HRESULT hr = AttemptConnection(receivePin, type);
        if (SUCCEEDED(hr)) return hr;
        // A refused type only means: try the next one.
        if (hr != VFW_E_TYPE_NOT_ACCEPTED) last = hr;
    }
    return last;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType& type)
{
    HRESULT hr = CheckConnect(receivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(&type);
    if (hr != S_OK) {
        BreakConnect();
        return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
    }
    connected_ = receivePin;
    connected_->AddRef();
    hr = SetMediaType(&type);
    if (SUCCEEDED(hr)) {
        hr = receivePin->ReceiveConnection(this, &type);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(receivePin);
            if (SUCCEEDED(hr)) return S_OK;
            receivePin->Disconnect();
        }
    }
    connected_->Release();
    connected_ = nullptr;
    mt_.Reset();
    BreakConnect();
    return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
    if (!connector || !type) return E_POINTER;
    if (direction_ != PINDIR_INPUT) return E_UNEXPECTED;
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (connected_) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    CMediaType mt(*type);
    hr = CheckMediaType(&mt);
    if (hr != S_OK) {
        BreakConnect();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    connected_ = connector;
    connected_->AddRef();
    hr = SetMediaType(&mt);
    if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
    if (FAILED(hr)) {
        connected_->Release();
        connected_ = nullptr;
        mt_.Reset();
        BreakConnect();
        return hr;
    }
    return S_OK;
}

HRESULT CBasePin::Disconnect()
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    if (!connected_) return S_FALSE;
    HRESULT hr = BreakConnect();
    if (FAILED(hr)) return hr;
    connected_->Release();
    connected_ = nullptr;
    mt_.Reset();
    return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin)
{
    if (!pin) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    *pin = connected_;
    if (!connected_) return VFW_E_NOT_CONNECTED;
    connected_->AddRef();
    return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (!connected_) {
        *type = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(type, &mt_);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info)
{
    if (!info) return E_POINTER;
    info->pFilter = filter_;
    filter_->GetOwner()->AddRef();
    info->dir = direction_;
    size_t n = std::min(name_.size(), static_cast<size_t>(MAX_PIN_NAME - 1));
    std::wmemcpy(info->achName, name_.data(), n);
    info->achName[n] = 0;
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction) return E_POINTER;
    *direction = direction_;
    return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* id)
{
    if (!id) return E_POINTER;
    return CopyTextToTaskMemory(name_, id);
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    CMediaType mt(*type);
    return CheckMediaType(&mt) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types) return E_POINTER;
    *types = new CEnumMediaTypes(this);
    return S_OK;
}

// Every input feeds every output: the interface's own answer for that, not a
// gap.
HRESULT CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT CBasePin::EndOfStream() { return S_OK; }

HRESULT CBasePin::BeginFlush() { return S_OK; }

HRESULT CBasePin::EndFlush() { return S_OK; }

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    segmentStart_ = start;
    segmentStop_ = stop;
    segmentRate_ = rate;
    return S_OK;
}

HRESULT CBasePin::GetMediaType(int position, CMediaType*) { return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS; }

HRESULT CBasePin::SetMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    return mt_.Set(*type) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBasePin::CheckConnect(IPin* pin)
{
    PIN_DIRECTION other;
    HRESULT hr = pin->QueryDirection(&other);
    if (FAILED(hr)) return hr;
    return other == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() { return S_OK; }

HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }

HRESULT CBasePin::Active() { return S_OK; }

HRESULT CBasePin::Inactive() { return S_OK; }

HRESULT CBasePin::Run(REFERENCE_TIME) { return S_OK; }
