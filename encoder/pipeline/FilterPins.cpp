#include "encoder/pipeline/FilterPins.h"

#include "platform/com/ComPtr.h"
#include "platform/dshow/MediaGuids.h"

namespace {

// The major type of a pin's connection; false when it is not connected.
bool ConnectionMajor(IPin* pin, GUID* major)
{
    if (!pin) return false;
    AM_MEDIA_TYPE type{};
    if (FAILED(pin->ConnectionMediaType(&type))) return false;
    *major = type.majortype;
    FreeMediaType(type);
    return true;
}

}  // namespace

HRESULT CountFilterPins(IBaseFilter* filter, int* inputs, int* outputs)
{
    if (!filter || !inputs || !outputs) return E_POINTER;
    *inputs = 0;
    *outputs = 0;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.GetAddressOf())) || !pins) return E_FAIL;
    HRESULT last = E_FAIL;  // stays so when there is no pin
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction;
        last = pin->QueryDirection(&direction);
        if (SUCCEEDED(last) && direction == PINDIR_INPUT)
            ++*inputs;
        else
            ++*outputs;
        pin->Release();
    }
    return last;
}

HRESULT FindFilterPin(IBaseFilter* filter, PIN_DIRECTION direction, int n, IPin** pin)
{
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!filter) return E_POINTER;
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.GetAddressOf());
    if (FAILED(hr)) return hr;
    if (!pins) return E_FAIL;
    IPin* candidate = nullptr;
    while (pins->Next(1, &candidate, nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(candidate->QueryDirection(&d)) && d == direction && n-- == 0) {
            *pin = candidate;  // the enumerator's reference goes to the caller
            return S_OK;
        }
        candidate->Release();
    }
    return E_FAIL;
}

IPin* GetInputPin(IBaseFilter* filter, int n)
{
    IPin* pin = nullptr;
    FindFilterPin(filter, PINDIR_INPUT, n, &pin);
    return pin;
}

IPin* GetOutputPin(IBaseFilter* filter, int n)
{
    IPin* pin = nullptr;
    FindFilterPin(filter, PINDIR_OUTPUT, n, &pin);
    return pin;
}

IPin* FindPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction)
{
    if (!filter) return nullptr;
    IPin* pin = nullptr;
    if (FAILED(FindFilterPin(filter, direction, 0, &pin)) || !pin) return nullptr;
    pin->Release();
    return pin;
}

bool IsFilterOfType(IBaseFilter* filter, const GUID* major)
{
    int inputs = 0, outputs = 0;
    CountFilterPins(filter, &inputs, &outputs);
    if (inputs < 1 || outputs < 1) return false;
    ComPtr<IPin> in, out;
    in.Attach(GetInputPin(filter, 0));
    out.Attach(GetOutputPin(filter, 0));
    GUID inMajor{}, outMajor{};
    if (!ConnectionMajor(in.Get(), &inMajor) || !ConnectionMajor(out.Get(), &outMajor)) return false;
    return !major || (inMajor == *major && outMajor == *major);
}

bool IsVideoFilter(IBaseFilter* filter) { return IsFilterOfType(filter, &MEDIATYPE_Video); }

bool IsAudioFilter(IBaseFilter* filter) { return IsFilterOfType(filter, &MEDIATYPE_Audio); }

bool IsRendererFor(IBaseFilter* filter, const GUID* major)
{
    int inputs = 0, outputs = 0;
    CountFilterPins(filter, &inputs, &outputs);
    if (inputs < 1 || outputs != 0) return false;
    ComPtr<IPin> in;
    in.Attach(GetInputPin(filter, 0));
    GUID inMajor{};
    if (!ConnectionMajor(in.Get(), &inMajor)) return false;
    return !major || inMajor == *major;
}

HRESULT FindSourceFilter(IFilterGraph* graph, IBaseFilter** filter)
{
    if (!graph) return E_NOINTERFACE;
    if (!filter) return E_POINTER;
    *filter = nullptr;
    ComPtr<IEnumFilters> filters;
    if (FAILED(graph->EnumFilters(filters.GetAddressOf())) || !filters) return E_FAIL;
    IBaseFilter* f = nullptr;
    while (filters->Next(1, &f, nullptr) == S_OK) {
        ComPtr<IBaseFilter> candidate;
        candidate.Attach(f);
        int inputs = 0, outputs = 0;
        HRESULT hr = CountFilterPins(f, &inputs, &outputs);
        if (FAILED(hr)) return hr;
        if (outputs < 1 || inputs > 1) continue;
        if (inputs == 1) {
            ComPtr<IPin> in;
            in.Attach(GetInputPin(f, 0));
            GUID major{};
            if (!ConnectionMajor(in.Get(), &major)) continue;
            if (major != MEDIATYPE_Stream && major != MEDIATYPE_Interleaved) continue;
        }
        *filter = candidate.Detach();
        return S_OK;
    }
    return E_FAIL;
}

CString GetFilterName(IBaseFilter* filter)
{
    if (!filter) return CString();
    FILTER_INFO info{};
    if (FAILED(filter->QueryFilterInfo(&info))) return CString();
    ReleaseFilterInfo(&info);
    info.achName[MAX_FILTER_NAME - 1] = 0;
    return CString(info.achName);
}

CString GetPinName(IPin* pin)
{
    if (!pin) return CString();
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info))) return CString();
    if (info.pFilter) info.pFilter->Release();
    info.achName[MAX_PIN_NAME - 1] = 0;
    return CString(info.achName);
}

CLSID GetFilterClsid(IPersist* filter)
{
    CLSID clsid{};
    if (!filter || FAILED(filter->GetClassID(&clsid))) return CLSID{};
    return clsid;
}

IBaseFilter* GetPinFilter(IPin* pin)
{
    if (!pin) return nullptr;
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info)) || !info.pFilter) return nullptr;
    // Borrowed: the pin's filter lives as long as the pin.
    info.pFilter->Release();
    return info.pFilter;
}

void ReleaseFilterInfo(FILTER_INFO* info)
{
    if (info && info->pGraph) {
        info->pGraph->Release();
        info->pGraph = nullptr;
    }
}
