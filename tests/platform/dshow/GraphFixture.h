// A filter graph made through the component runtime, as the pipeline makes
// it, with helpers to add the synthetic filters, connect them and read the
// events. The registry store points at a private folder for the whole test
// program, so nothing a test registers reaches the user's store.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/GraphInterfaces.h"
#include "tests/platform/dshow/SyntheticFilters.h"
#include "tests/support/PostRecorder.h"

class GraphTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The filter joins the graph, which keeps it; the pointer stays valid
    // while the graph lives.
    template <class T>
    T* Add(T* filter, const wchar_t* name)
    {
        EXPECT_TRUE(SUCCEEDED(graph->AddFilter(filter, name)));
        filter->Release();
        return filter;
    }
    CSyntheticSource* AddSource(const std::vector<SyntheticStreamSetup>& streams, const wchar_t* name = L"Source");
    void Connect(IPin* out, IPin* in);
    // Event codes queued now (or within the time-out for the first one).
    std::vector<LONG> Drain(LONG firstTimeoutMs = 0);
    // Runs and waits for the end of the run; the completion code.
    LONG RunToEnd();

    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;
    ComPtr<IMediaEventEx> events;
};

SyntheticStreamSetup VideoStream(int samples, REFERENCE_TIME duration = 400000);
SyntheticStreamSetup AudioStream(int samples, REFERENCE_TIME duration = 200000);
