// The graph's own building: Connect through one intermediate filter,
// Render of an output pin, RenderFile and AddSourceFilter.
//
// Render tries, for each pin, the filters already in the graph (newest
// first) and then the registered filters that take the pin's types (merit
// order, blocked filters left out), each followed by rendering of the new
// filter's outputs; a try that fails is undone: the connections it made are
// broken and the filters it added removed. Output pins whose names begin
// with "~" are not rendered.
#include <set>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/CheckBytes.h"
#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/FilterMapper.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/PinsOfFilter.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/Registry.h"

struct CFilterGraph::BuildLog {
    std::vector<std::pair<ComPtr<IPin>, ComPtr<IPin>>> connections;
    std::vector<ComPtr<IBaseFilter>> added;
    std::set<CLSID> path;  // classes on the way to the pin being rendered
};

namespace {

// Chains longer than this are not built.
constexpr int kMaxRenderDepth = 12;

bool IsConnected(IPin* pin)
{
    ComPtr<IPin> peer;
    return SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer;
}

bool IsHidden(IPin* pin)
{
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info))) return false;
    if (info.pFilter) info.pFilter->Release();
    return info.achName[0] == L'~';
}

IBaseFilter* FilterOfPin(IPin* pin)
{
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info)) || !info.pFilter) return nullptr;
    info.pFilter->Release();
    return info.pFilter;
}

CLSID ClassOf(IBaseFilter* filter)
{
    CLSID clsid{};
    if (FAILED(filter->GetClassID(&clsid))) clsid = GUID_NULL;
    return clsid;
}

struct Candidate {
    CLSID clsid;
    std::wstring name;
};

// Registered filters that take one of the pin's types, highest merit first.
std::vector<Candidate> CandidatesFor(IPin* output)
{
    std::vector<Candidate> out;
    std::vector<GUID> pairs;
    ComPtr<IEnumMediaTypes> types;
    if (SUCCEEDED(output->EnumMediaTypes(types.GetAddressOf())) && types) {
        AM_MEDIA_TYPE* t = nullptr;
        while (types->Next(1, &t, nullptr) == S_OK) {
            bool known = false;
            for (size_t i = 0; i < pairs.size(); i += 2)
                known = known || (pairs[i] == t->majortype && pairs[i + 1] == t->subtype);
            if (!known) {
                pairs.push_back(t->majortype);
                pairs.push_back(t->subtype);
            }
            DeleteMediaType(t);
        }
    }
    if (pairs.empty()) return out;
    ComPtr<IFilterMapper2> mapper;
    if (FAILED(CFilterMapper2::CreateInstance(nullptr, IID_IFilterMapper2,
                                              reinterpret_cast<void**>(mapper.GetAddressOf()))))
        return out;
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(mapper->EnumMatchingFilters(monikers.GetAddressOf(), 0, FALSE, MERIT_DO_NOT_USE + 1, TRUE,
                                           static_cast<DWORD>(pairs.size() / 2), pairs.data(), nullptr, nullptr, FALSE,
                                           FALSE, 0, nullptr, nullptr, nullptr)) ||
        !monikers)
        return out;
    IMoniker* m = nullptr;
    while (monikers->Next(1, &m, nullptr) == S_OK) {
        ComPtr<IMoniker> moniker;
        moniker.Attach(m);
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                          reinterpret_cast<void**>(bag.GetAddressOf()))))
            continue;
        Candidate c{};
        VARIANT v;
        VariantInit(&v);
        if (FAILED(bag->Read(L"CLSID", &v, nullptr)) || v.vt != VT_BSTR ||
            FAILED(CLSIDFromString(v.bstrVal, &c.clsid))) {
            VariantClear(&v);
            continue;
        }
        VariantClear(&v);
        if (SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR) c.name = v.bstrVal;
        VariantClear(&v);
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace

void CFilterGraph::RollBack(BuildLog& log, size_t connections, size_t filters)
{
    while (log.connections.size() > connections) {
        auto [out, in] = log.connections.back();
        log.connections.pop_back();
        out->Disconnect();
        in->Disconnect();
    }
    while (log.added.size() > filters) {
        ComPtr<IBaseFilter> f = log.added.back();
        log.added.pop_back();
        RemoveFilterLocked(f.Get());
    }
}

HRESULT CFilterGraph::ConnectToFilterLocked(IPin* output, IBaseFilter* filter, BuildLog& log)
{
    for (auto& input : PinsOfFilter(filter, PINDIR_INPUT)) {
        if (IsConnected(input.Get())) continue;
        if (SUCCEEDED(ConnectDirect(output, input.Get(), nullptr))) {
            log.connections.emplace_back(ComPtr<IPin>(output), input);
            return S_OK;
        }
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT CFilterGraph::AddCandidateLocked(const CLSID& clsid, const std::wstring& name, IBaseFilter** filter,
                                         BuildLog& log)
{
    ComPtr<IBaseFilter> f;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  reinterpret_cast<void**>(f.GetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = AddFilter(f.Get(), name.empty() ? nullptr : name.c_str());
    if (FAILED(hr)) return hr;
    log.added.push_back(f);
    return f.CopyTo(filter);
}

HRESULT CFilterGraph::RenderOutputsLocked(IBaseFilter* filter, BuildLog& log, int depth)
{
    std::vector<ComPtr<IPin>> pending;
    for (auto& pin : PinsOfFilter(filter, PINDIR_OUTPUT))
        if (!IsConnected(pin.Get()) && !IsHidden(pin.Get())) pending.push_back(pin);
    if (pending.empty()) return S_OK;  // the stream ends here
    size_t rendered = 0;
    for (auto& pin : pending)
        if (SUCCEEDED(RenderPinLocked(pin.Get(), log, depth))) ++rendered;
    if (rendered == pending.size()) return S_OK;
    return rendered ? VFW_S_PARTIAL_RENDER : VFW_E_CANNOT_RENDER;
}

HRESULT CFilterGraph::RenderPinLocked(IPin* output, BuildLog& log, int depth)
{
    if (depth > kMaxRenderDepth) return VFW_E_CANNOT_RENDER;
    size_t connections = log.connections.size(), filters = log.added.size();
    IBaseFilter* owner = FilterOfPin(output);

    for (IBaseFilter* g : FiltersNewestFirst()) {
        if (g == owner) continue;
        if (FAILED(ConnectToFilterLocked(output, g, log))) continue;
        if (SUCCEEDED(RenderOutputsLocked(g, log, depth + 1))) return S_OK;
        RollBack(log, connections, filters);
    }
    for (const Candidate& c : CandidatesFor(output)) {
        // A class is used at most once along one chain.
        if (log.path.count(c.clsid) || (owner && ClassOf(owner) == c.clsid)) continue;
        ComPtr<IBaseFilter> f;
        if (FAILED(AddCandidateLocked(c.clsid, c.name, f.GetAddressOf(), log))) continue;
        if (SUCCEEDED(ConnectToFilterLocked(output, f.Get(), log))) {
            log.path.insert(c.clsid);
            HRESULT hr = RenderOutputsLocked(f.Get(), log, depth + 1);
            log.path.erase(c.clsid);
            if (SUCCEEDED(hr)) return S_OK;
        }
        RollBack(log, connections, filters);
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT CFilterGraph::Render(IPin* output)
{
    if (!output) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    if (!PinInGraph(output)) return VFW_E_NOT_IN_GRAPH;
    PIN_DIRECTION d;
    if (FAILED(output->QueryDirection(&d)) || d != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (IsConnected(output)) return VFW_E_ALREADY_CONNECTED;
    BuildLog log;
    return RenderPinLocked(output, log, 0);
}

HRESULT CFilterGraph::Connect(IPin* output, IPin* input)
{
    if (!output || !input) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    HRESULT hr = ConnectDirect(output, input, nullptr);
    if (SUCCEEDED(hr) || hr == VFW_E_NOT_STOPPED || hr == VFW_E_NOT_IN_GRAPH || hr == VFW_E_INVALID_DIRECTION ||
        hr == VFW_E_ALREADY_CONNECTED)
        return hr;
    // One filter in between.
    BuildLog log;
    for (const Candidate& c : CandidatesFor(output)) {
        ComPtr<IBaseFilter> f;
        if (FAILED(AddCandidateLocked(c.clsid, c.name, f.GetAddressOf(), log))) continue;
        if (SUCCEEDED(ConnectToFilterLocked(output, f.Get(), log))) {
            for (auto& out : PinsOfFilter(f.Get(), PINDIR_OUTPUT)) {
                if (IsConnected(out.Get())) continue;
                if (SUCCEEDED(ConnectDirect(out.Get(), input, nullptr))) return S_OK;
            }
        }
        RollBack(log, 0, 0);
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT CFilterGraph::RenderFile(LPCWSTR file, LPCWSTR)
{
    if (!file) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    ComPtr<IBaseFilter> source;
    HRESULT hr = AddSourceFilter(file, file, source.GetAddressOf());
    if (FAILED(hr)) return hr;
    BuildLog log;
    hr = RenderOutputsLocked(source.Get(), log, 0);
    if (FAILED(hr)) {
        RollBack(log, 0, 0);
        RemoveFilterLocked(source.Get());
    }
    return hr;
}

HRESULT CFilterGraph::AddSourceFilter(LPCWSTR file, LPCWSTR filterName, IBaseFilter** filter)
{
    if (!file || !filter) return E_POINTER;
    *filter = nullptr;
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    std::wstring path(file);
    CLSID clsid = CLSID_AsyncReader;
    CMediaType type(MEDIATYPE_Stream);

    size_t scheme = path.find(L"://");
    if (scheme != std::wstring::npos && scheme > 1) {
        // An address: the protocol's key names its source.
        std::wstring protocol = path.substr(0, scheme);
        HKEY key = nullptr;
        std::wstring source;
        bool found = RegOpenKeyExW(HKEY_CLASSES_ROOT, protocol.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (found) {
            found = RegGetTextValue(key, L"Source Filter", &source) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
        if (!found || FAILED(CLSIDFromString(source.c_str(), &clsid))) return VFW_E_UNKNOWN_FILE_TYPE;
    } else {
        CheckBytesFile bytes;
        if (!bytes.Open(ToNativePath(path))) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        CheckBytesMatch match;
        if (FindTypeByCheckBytes(bytes, &match)) {
            type.SetType(match.major);
            type.SetSubtype(match.subtype);
            if (match.source != GUID_NULL) clsid = match.source;
        }
    }

    ComPtr<IBaseFilter> f;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  reinterpret_cast<void**>(f.GetAddressOf()));
    if (FAILED(hr)) return hr;
    ComPtr<IFileSourceFilter> load;
    if (FAILED(f.As(&load)) || !load) return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
    hr = AddFilter(f.Get(), filterName ? filterName : file);
    if (FAILED(hr)) return hr;
    hr = load->Load(file, &type);
    if (FAILED(hr)) {
        RemoveFilterLocked(f.Get());
        return hr;
    }
    *filter = f.Detach();
    return S_OK;
}
