#include "tests/support/GraphHelpers.h"

#include <gtest/gtest.h>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"

ComPtr<IGraphBuilder> CreateGraph()
{
    ComPtr<IGraphBuilder> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                               reinterpret_cast<void**>(graph.GetAddressOf())),
              S_OK);
    return graph;
}

ComPtr<IBaseFilter> CreateFilter(const CLSID& clsid)
{
    ComPtr<IBaseFilter> f;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IBaseFilter, reinterpret_cast<void**>(f.GetAddressOf())),
              S_OK);
    return f;
}

std::vector<ComPtr<IPin>> FilterPins(IBaseFilter* filter, PIN_DIRECTION direction, bool unconnectedOnly)
{
    std::vector<ComPtr<IPin>> out;
    ComPtr<IEnumPins> pins;
    if (!filter || FAILED(filter->EnumPins(pins.GetAddressOf()))) return out;
    IPin* p = nullptr;
    while (pins->Next(1, &p, nullptr) == S_OK) {
        ComPtr<IPin> pin;
        pin.Attach(p);
        PIN_DIRECTION d;
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction &&
            (!unconnectedOnly || FAILED(pin->ConnectedTo(peer.GetAddressOf()))))
            out.push_back(pin);
    }
    return out;
}

CMediaType FirstMediaType(IPin* pin)
{
    CMediaType out;
    ComPtr<IEnumMediaTypes> types;
    AM_MEDIA_TYPE* t = nullptr;
    if (pin && SUCCEEDED(pin->EnumMediaTypes(types.GetAddressOf())) && types->Next(1, &t, nullptr) == S_OK) {
        out = *t;
        DeleteMediaType(t);
    }
    return out;
}

LONG RunGraphToEnd(IGraphBuilder* graph, DWORD timeoutMs)
{
    ComPtr<IMediaControl> media;
    ComPtr<IMediaEvent> events;
    EXPECT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(media.GetAddressOf())), S_OK);
    EXPECT_EQ(graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf())), S_OK);
    if (!media || !events) return 0;
    EXPECT_EQ(media->Run(), S_OK);
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(timeoutMs, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    media->Stop();
    return code;
}
