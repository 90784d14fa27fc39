// CGraphBuilder: the connect search that completes a filter graph. Given a
// filter (usually the source just added), it connects every unconnected
// output pin to a downstream filter, then does the same for that filter,
// until every stream ends in a filter without outputs to render. A pin
// tries, in this order: its own stream builder, the graph's filter cache,
// the filters already in the graph, then the registered filters that take
// its types, highest merit first (CGraphFilter), never a blocked one and
// never a class already on the path; two known filters hand the pin back
// to the graph's own Render. A pin that nothing takes leaves a dead-end
// record that the owner can read to tell the user which stream was left
// out.
//
// One builder serves one attempt to open a source, on the thread that
// builds the graph.
#pragma once

#include "encoder/pipeline/GraphFilter.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/dshow/MapperInterfaces.h"
#include "platform/dshow/MediaType.h"
#include "platform/win32/CString.h"

class CGraphBuilder {
public:
    // One output pin that found no downstream filter at all.
    struct DeadEnd {
        int streamNumber = 0;
        CString filterName;
        CString pinName;
        // One per distinct (major type, subtype) pair of the pin.
        CList<CMediaType, const CMediaType&> mediaTypes{10};
        // "Stream %d", then the filters on the path to the pin, outermost
        // first.
        CStringList names{10};
    };

    // A null graph is allowed: every search then fails with E_POINTER.
    explicit CGraphBuilder(IGraphBuilder* graph);
    ~CGraphBuilder();
    CGraphBuilder(const CGraphBuilder&) = delete;
    CGraphBuilder& operator=(const CGraphBuilder&) = delete;

    // The builder owns the entry from now on; null is ignored.
    void AddOverrideFilter(CGraphFilter* filter);
    void ResetDeadEnds();

    // Adds the graph's source for the file (the path as its name) and
    // renders it.
    HRESULT RenderFile(const wchar_t* path);
    HRESULT RenderFilter(IBaseFilter* filter);
    HRESULT RenderPin(IPin* pin);
    HRESULT ConnectPinToFilter(IPin* output, IBaseFilter* filter, const AM_MEDIA_TYPE* type);
    HRESULT AddFilterToGraph(IBaseFilter* filter, const wchar_t* name);

    // Snapshots: the graph's filters now, without references.
    void GetGraphFilters(CPtrList& filters);
    void RemoveFiltersNotIn(const CPtrList& snapshot);
    // Distinct (major type, subtype) pairs of a pin, two entries each.
    void GetPinTypePairs(IPin* pin, GuidArray& pairs);
    void GetPinMediaTypes(IPin* pin, CList<CMediaType, const CMediaType&>& types);

    int GetDeadEndCount() const { return m_deadEnds.GetSize(); }
    const DeadEnd* GetDeadEnd(int index) const;

private:
    // The candidates for a pin, sorted; each entry holds a use.
    void GatherCandidates(const GuidArray& pairs, CArray<SortFilter, const SortFilter&>& sorted);
    void ReleaseCandidates(CArray<SortFilter, const SortFilter&>& sorted);
    bool OnChain(const CLSID& clsid) const;
    void RecordDeadEnd(IPin* pin);

    IGraphBuilder* m_graph = nullptr;
    IFilterMapper2* m_mapper = nullptr;
    int m_streamCounter = 0;
    CList<CGraphFilter*, CGraphFilter*> m_chain{10};      // not owned
    CList<CGraphFilter*, CGraphFilter*> m_overrides{10};  // owned
    CArray<DeadEnd*, DeadEnd*> m_deadEnds;                // owned
};
