#include "encoder/pipeline/GraphBuilder.h"

#include "encoder/pipeline/FilterPins.h"
#include "encoder/pipeline/TextUtilities.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"

namespace {

// Two filters that render a pin by themselves: when one of them is the best
// candidate, the pin is handed back to the graph's own Render.
constexpr CLSID kRenderItself1{0xD3CD7858, 0x971A, 0x4838, {0xAC, 0xEC, 0x40, 0xCA, 0x5D, 0x52, 0x9D, 0xC8}};
constexpr CLSID kRenderItself2{0x0246CA20, 0x776D, 0x11D2, {0x80, 0x10, 0x00, 0x10, 0x4B, 0x9B, 0x85, 0x92}};

bool IsConnected(IPin* pin)
{
    IPin* peer = nullptr;
    if (FAILED(pin->ConnectedTo(&peer)) || !peer) return false;
    peer->Release();
    return true;
}

bool IsDirection(IPin* pin, PIN_DIRECTION wanted)
{
    PIN_DIRECTION d;
    return SUCCEEDED(pin->QueryDirection(&d)) && d == wanted;
}

}  // namespace

CGraphBuilder::CGraphBuilder(IGraphBuilder* graph) : m_graph(graph)
{
    if (m_graph) m_graph->AddRef();
    if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_ALL, IID_IFilterMapper2,
                                reinterpret_cast<void**>(&m_mapper))))
        m_mapper = nullptr;
}

CGraphBuilder::~CGraphBuilder()
{
    ResetDeadEnds();
    POSITION pos = m_overrides.GetHeadPosition();
    while (pos) delete m_overrides.GetNext(pos);
    m_overrides.RemoveAll();
    m_chain.RemoveAll();
    if (m_mapper) m_mapper->Release();
    if (m_graph) m_graph->Release();
}

void CGraphBuilder::AddOverrideFilter(CGraphFilter* filter)
{
    if (filter) m_overrides.AddTail(filter);
}

void CGraphBuilder::ResetDeadEnds()
{
    for (int i = 0; i < m_deadEnds.GetSize(); ++i) delete m_deadEnds[i];
    m_deadEnds.RemoveAll();
    m_streamCounter = 0;
}

const CGraphBuilder::DeadEnd* CGraphBuilder::GetDeadEnd(int index) const
{
    if (index < 0 || index >= m_deadEnds.GetSize()) return nullptr;
    return m_deadEnds[index];
}

HRESULT CGraphBuilder::RenderFile(const wchar_t* path)
{
    if (!m_graph) return E_POINTER;
    IBaseFilter* source = nullptr;
    HRESULT hr = m_graph->AddSourceFilter(path, path, &source);
    if (FAILED(hr) || !source) return hr;
    hr = RenderFilter(source);
    source->Release();
    return hr;
}

HRESULT CGraphBuilder::RenderFilter(IBaseFilter* filter)
{
    if (!m_graph || !m_mapper || !filter) return E_POINTER;
    if (FAILED(AddFilterToGraph(filter, nullptr))) return E_FAIL;
    int pins = 0, rendered = 0;
    IEnumPins* e = nullptr;
    if (SUCCEEDED(filter->EnumPins(&e)) && e) {
        IPin* pin = nullptr;
        while (e->Next(1, &pin, nullptr) == S_OK) {
            PIN_INFO info{};
            bool take = IsDirection(pin, PINDIR_OUTPUT) && !IsConnected(pin) && SUCCEEDED(pin->QueryPinInfo(&info));
            if (info.pFilter) info.pFilter->Release();
            if (take && info.achName[0] != L'~') {
                ++pins;
                if (RenderPin(pin) >= 0) ++rendered;
                ++m_streamCounter;
            }
            pin->Release();
        }
        e->Release();
    }
    if (pins == 0) {
        // The stream ends here: a dead end recorded for it earlier is void.
        for (int i = m_deadEnds.GetSize() - 1; i >= 0; --i) {
            if (m_deadEnds[i]->streamNumber == m_streamCounter) {
                delete m_deadEnds[i];
                m_deadEnds.RemoveAt(i);
            }
        }
    }
    if (rendered == pins) return pins == 0 ? S_FALSE : S_OK;
    return rendered == 0 ? VFW_E_CANNOT_RENDER : VFW_S_PARTIAL_RENDER;
}

HRESULT CGraphBuilder::RenderPin(IPin* pin)
{
    if (!m_graph || !m_mapper || !pin) return E_POINTER;
    if (!IsDirection(pin, PINDIR_OUTPUT) || IsConnected(pin)) return E_UNEXPECTED;
    bool nothingConnected = true;

    // The pin's own stream builder.
    IStreamBuilder* builder = nullptr;
    if (SUCCEEDED(pin->QueryInterface(IID_IStreamBuilder, reinterpret_cast<void**>(&builder))) && builder) {
        CPtrList snapshot;
        GetGraphFilters(snapshot);
        HRESULT hr = builder->Render(pin, m_graph);
        if (SUCCEEDED(hr)) {
            builder->Release();
            return S_OK;
        }
        builder->Backout(pin, m_graph);
        RemoveFiltersNotIn(snapshot);
        builder->Release();
    }

    // The graph's filter cache, in its order when the search began.
    IGraphConfig* config = nullptr;
    if (SUCCEEDED(m_graph->QueryInterface(IID_IGraphConfig, reinterpret_cast<void**>(&config))) && config) {
        IEnumFilters* cached = nullptr;
        CPtrList cache;
        if (SUCCEEDED(config->EnumCacheFilter(&cached)) && cached) {
            IBaseFilter* c = nullptr;
            while (cached->Next(1, &c, nullptr) == S_OK) cache.AddTail(c);  // the reference stays with the list
            cached->Release();
        }
        HRESULT found = E_FAIL;
        bool done = false;
        POSITION pos = cache.GetHeadPosition();
        while (pos) {
            auto* c = static_cast<IBaseFilter*>(cache.GetNext(pos));
            if (!done) {
                CPtrList snapshot;
                GetGraphFilters(snapshot);
                config->RemoveFilterFromCache(c);
                if (SUCCEEDED(ConnectPinToFilter(pin, c, nullptr))) {
                    nothingConnected = false;
                    HRESULT hr = RenderFilter(c);
                    if (hr >= 0) {
                        found = hr;
                        done = true;
                    }
                }
                if (!done) {
                    config->AddFilterToCache(c);
                    RemoveFiltersNotIn(snapshot);
                }
            }
            c->Release();
        }
        config->Release();
        if (done) return found;
    }

    // Filters already in the graph. What connects here stays connected.
    {
        CPtrList snapshot;
        GetGraphFilters(snapshot);
        POSITION pos = snapshot.GetHeadPosition();
        while (pos) {
            auto* g = static_cast<IBaseFilter*>(snapshot.GetNext(pos));
            if (FAILED(ConnectPinToFilter(pin, g, nullptr))) continue;
            nothingConnected = false;
            HRESULT hr = RenderFilter(g);
            if (hr >= 0) return hr;
        }
    }

    // Registered filters by merit.
    GuidArray pairs;
    GetPinTypePairs(pin, pairs);
    CArray<SortFilter, const SortFilter&> sorted;
    GatherCandidates(pairs, sorted);
    for (int i = 0; i < sorted.GetSize(); ++i) {
        CGraphFilter* k = sorted[i].filter;
        if (k->GetClsid() == kRenderItself1 || k->GetClsid() == kRenderItself2) {
            HRESULT hr = m_graph->Render(pin);
            ReleaseCandidates(sorted);
            return hr;
        }
        IBaseFilter* filter = nullptr;
        if (FAILED(k->CreateInstance(&filter)) || !filter) continue;
        CPtrList snapshot;
        GetGraphFilters(snapshot);
        if (FAILED(AddFilterToGraph(filter, k->GetName()))) {
            filter->Release();
            continue;
        }
        if (k->GetClsid() == CLSID_DMOWrapperFilter) {
            IPropertyBag* bag = nullptr;
            if (SUCCEEDED(filter->QueryInterface(IID_IPropertyBag, reinterpret_cast<void**>(&bag))) && bag) {
                VARIANT v;
                VariantInit(&v);
                v.vt = VT_BOOL;
                v.boolVal = VARIANT_TRUE;
                bag->Write(L"_HIRESOUTPUT", &v);
                bag->Release();
            }
        }
        bool connected = false;
        if (pairs.GetSize() == 2 && pairs[0] == MEDIATYPE_Stream && pairs[1] != GUID_NULL) {
            // A byte stream is first offered with exactly its type.
            CMediaType typed;
            typed.majortype = pairs[0];
            typed.subtype = pairs[1];
            typed.formattype = FORMAT_None;
            typed.bFixedSizeSamples = TRUE;
            typed.lSampleSize = 1;
            typed.bTemporalCompression = FALSE;
            connected = SUCCEEDED(ConnectPinToFilter(pin, filter, &typed));
        }
        if (!connected && FAILED(ConnectPinToFilter(pin, filter, nullptr))) {
            m_graph->RemoveFilter(filter);
            RemoveFiltersNotIn(snapshot);
            filter->Release();
            continue;
        }
        nothingConnected = false;
        int remembered = m_streamCounter;
        m_chain.AddTail(k);
        HRESULT hr = RenderFilter(filter);
        m_chain.RemoveTail();
        if (hr >= 0) {
            filter->Release();
            ReleaseCandidates(sorted);
            return hr;
        }
        m_streamCounter = remembered;
        m_graph->RemoveFilter(filter);
        RemoveFiltersNotIn(snapshot);
        filter->Release();
    }
    if (nothingConnected) RecordDeadEnd(pin);
    ReleaseCandidates(sorted);
    return E_FAIL;
}

bool CGraphBuilder::OnChain(const CLSID& clsid) const
{
    POSITION pos = m_chain.GetHeadPosition();
    while (pos)
        if (m_chain.GetNext(pos)->GetClsid() == clsid) return true;
    return false;
}

void CGraphBuilder::GatherCandidates(const GuidArray& pairs, CArray<SortFilter, const SortFilter&>& sorted)
{
    CArray<CGraphFilter*, CGraphFilter*> candidates;
    IEnumMoniker* found = nullptr;
    if (pairs.GetSize() > 0 &&
        SUCCEEDED(m_mapper->EnumMatchingFilters(&found, 0, FALSE, 0x200001, TRUE,
                                                static_cast<DWORD>(pairs.GetSize() / 2), pairs.GetData(), nullptr,
                                                nullptr, FALSE, FALSE, 0, nullptr, nullptr, nullptr)) &&
        found) {
        IMoniker* moniker = nullptr;
        while (found->Next(1, &moniker, nullptr) == S_OK) {
            auto* k = new CGraphRegFilter(moniker, kRegisteredMerit);
            moniker->Release();
            bool drop = false;
            IMoniker* kMoniker = k->GetMoniker();
            POSITION pos = m_overrides.GetHeadPosition();
            while (pos && !drop) {
                auto* o = dynamic_cast<CGraphRegFilter*>(m_overrides.GetNext(pos));
                if (!o) continue;
                IMoniker* oMoniker = o->GetMoniker();
                if (oMoniker && kMoniker && oMoniker->IsEqual(kMoniker) == S_OK) drop = true;
                if (oMoniker) oMoniker->Release();
                if (o->GetClsid() != GUID_NULL && o->GetClsid() == k->GetClsid()) drop = true;
            }
            if (kMoniker) kMoniker->Release();
            if (!drop && OnChain(k->GetClsid())) drop = true;
            if (drop)
                k->Release();
            else
                candidates.Add(k);
        }
        found->Release();
    }
    POSITION pos = m_overrides.GetHeadPosition();
    while (pos) {
        CGraphFilter* o = m_overrides.GetNext(pos);
        if (o->GetMerit() < kRegisteredMerit || m_chain.Find(o) || !o->IsMatch(pairs)) continue;
        o->AddUse();
        candidates.Add(o);
    }
    sorted.RemoveAll();
    for (int i = 0; i < candidates.GetSize(); ++i)
        sorted.Add(SortFilter{candidates[i], candidates[i]->IsExactMatch(pairs) ? 1 : 0});
    SortCandidates(sorted.GetData(), static_cast<size_t>(sorted.GetSize()));
}

void CGraphBuilder::ReleaseCandidates(CArray<SortFilter, const SortFilter&>& sorted)
{
    for (int i = 0; i < sorted.GetSize(); ++i) sorted[i].filter->Release();
    sorted.RemoveAll();
}

void CGraphBuilder::RecordDeadEnd(IPin* pin)
{
    auto* d = new DeadEnd;
    d->streamNumber = m_streamCounter;
    d->filterName = GetFilterName(GetPinFilter(pin));
    d->pinName = GetPinName(pin);
    GetPinMediaTypes(pin, d->mediaTypes);
    bool discard = d->mediaTypes.IsEmpty();
    if (!discard) {
        const CMediaType& first = d->mediaTypes.GetHead();
        if (first.majortype == MEDIATYPE_Video && first.subtype == MEDIASUBTYPE_DVD_SUBPICTURE) discard = true;
        // A lone byte stream, untyped text or subtitles of a source reached
        // without a registered filter are no stream the user lost.
        if (m_chain.IsEmpty() && d->mediaTypes.GetCount() == 1 &&
            (first.majortype == MEDIATYPE_Stream || (first.majortype == MEDIATYPE_Text && first.subtype == GUID_NULL) ||
             first.majortype == MEDIATYPE_Subtitle))
            discard = true;
    }
    if (discard) {
        delete d;
        return;
    }
    CString stream;
    stream.Format(L"Stream %d", d->streamNumber);
    d->names.AddTail(stream);
    POSITION pos = m_chain.GetHeadPosition();
    while (pos) d->names.AddTail(CString(m_chain.GetNext(pos)->GetName()));
    m_deadEnds.Add(d);
}

HRESULT CGraphBuilder::ConnectPinToFilter(IPin* output, IBaseFilter* filter, const AM_MEDIA_TYPE* type)
{
    if (!output || !filter) return E_INVALIDARG;
    if (FAILED(AddFilterToGraph(filter, nullptr))) return E_FAIL;
    IEnumPins* e = nullptr;
    if (FAILED(filter->EnumPins(&e)) || !e) return VFW_E_CANNOT_CONNECT;
    HRESULT result = VFW_E_CANNOT_CONNECT;
    IPin* pin = nullptr;
    while (e->Next(1, &pin, nullptr) == S_OK) {
        bool done =
            IsDirection(pin, PINDIR_INPUT) && !IsConnected(pin) && SUCCEEDED(m_graph->ConnectDirect(output, pin, type));
        pin->Release();
        if (done) {
            result = S_OK;
            break;
        }
    }
    e->Release();
    return result;
}

HRESULT CGraphBuilder::AddFilterToGraph(IBaseFilter* filter, const wchar_t* name)
{
    if (!m_graph || !filter) return E_POINTER;
    CPtrList present;
    GetGraphFilters(present);
    if (present.Find(filter)) return S_OK;
    FILTER_INFO info{};
    if (FAILED(filter->QueryFilterInfo(&info))) return E_FAIL;
    if (info.pGraph) {
        info.pGraph->Release();
        return S_OK;
    }
    CString graphName = name ? name : L"";
    if (graphName.IsEmpty()) {
        IFileSourceFilter* source = nullptr;
        if (SUCCEEDED(filter->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&source))) && source) {
            LPOLESTR file = nullptr;
            if (SUCCEEDED(source->GetCurFile(&file, nullptr)) && file) {
                graphName = file;
                CoTaskMemFree(file);
            }
            source->Release();
        }
    }
    if (graphName.IsEmpty()) {
        CLSID clsid = GetFilterClsid(filter);
        graphName = clsid == GUID_NULL ? CString(L"Unknown Filter") : ClsidToString(clsid);
    }
    return SUCCEEDED(m_graph->AddFilter(filter, graphName)) ? S_OK : E_FAIL;
}

void CGraphBuilder::GetGraphFilters(CPtrList& filters)
{
    filters.RemoveAll();
    if (!m_graph) return;
    IEnumFilters* e = nullptr;
    if (FAILED(m_graph->EnumFilters(&e)) || !e) return;
    IBaseFilter* f = nullptr;
    while (e->Next(1, &f, nullptr) == S_OK) {
        filters.AddTail(f);
        f->Release();  // a snapshot holds no references
    }
    e->Release();
}

void CGraphBuilder::RemoveFiltersNotIn(const CPtrList& snapshot)
{
    if (!m_graph) return;
    IEnumFilters* e = nullptr;
    if (FAILED(m_graph->EnumFilters(&e)) || !e) return;
    IBaseFilter* f = nullptr;
    while (e->Next(1, &f, nullptr) == S_OK) {
        if (!snapshot.Find(f)) {
            m_graph->RemoveFilter(f);
            e->Reset();
        }
        f->Release();
    }
    e->Release();
}

void CGraphBuilder::GetPinTypePairs(IPin* pin, GuidArray& pairs)
{
    pairs.RemoveAll();
    IEnumMediaTypes* e = nullptr;
    if (!pin || FAILED(pin->EnumMediaTypes(&e)) || !e) return;
    AM_MEDIA_TYPE* t = nullptr;
    while (e->Next(1, &t, nullptr) == S_OK) {
        bool known = false;
        for (int i = 0; i + 1 < pairs.GetSize() && !known; i += 2)
            known = pairs[i] == t->majortype && pairs[i + 1] == t->subtype;
        if (!known) {
            pairs.Add(t->majortype);
            pairs.Add(t->subtype);
        }
        DeleteMediaType(t);
    }
    e->Release();
}

void CGraphBuilder::GetPinMediaTypes(IPin* pin, CList<CMediaType, const CMediaType&>& types)
{
    types.RemoveAll();
    IEnumMediaTypes* e = nullptr;
    if (!pin || FAILED(pin->EnumMediaTypes(&e)) || !e) return;
    AM_MEDIA_TYPE* t = nullptr;
    while (e->Next(1, &t, nullptr) == S_OK) {
        bool known = false;
        POSITION pos = types.GetHeadPosition();
        while (pos && !known) {
            const CMediaType& have = types.GetNext(pos);
            known = have.majortype == t->majortype && have.subtype == t->subtype;
        }
        if (!known) types.AddTail(CMediaType(*t));
        DeleteMediaType(t);
    }
    e->Release();
}
