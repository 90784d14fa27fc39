#include "tests/platform/dshow/GraphFixture.h"

#include <cstdlib>
#include <memory>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaRuntime.h"
#include "platform/win32/RegistryStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

// The registry store of the whole test program lives in a private folder.
class PrivateRegistry : public ::testing::Environment {
public:
    void SetUp() override
    {
        folder_ = std::make_unique<TempDir>();
        setenv("XDG_CONFIG_HOME", folder_->path().c_str(), 1);
        RegistryStoreReset();
    }
    void TearDown() override
    {
        RegistryStoreReset();
        folder_.reset();
    }

private:
    std::unique_ptr<TempDir> folder_;
};

const auto* const g_registry = ::testing::AddGlobalTestEnvironment(new PrivateRegistry);

}  // namespace

void GraphTest::SetUp()
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_EQ(RegisterMediaRuntime(), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(graph.GetAddressOf())),
              S_OK);
    ASSERT_EQ(graph.As(&control), S_OK);
    ASSERT_EQ(graph.As(&seeking), S_OK);
    ASSERT_EQ(graph.As(&events), S_OK);
}

void GraphTest::TearDown()
{
    if (control) control->Stop();
    events.Reset();
    seeking.Reset();
    control.Reset();
    graph.Reset();
    CoUninitialize();
}

CSyntheticSource* GraphTest::AddSource(const std::vector<SyntheticStreamSetup>& streams, const wchar_t* name)
{
    return Add(CSyntheticSource::Create(streams), name);
}

void GraphTest::Connect(IPin* out, IPin* in) { ASSERT_EQ(graph->ConnectDirect(out, in, nullptr), S_OK); }

std::vector<LONG> GraphTest::Drain(LONG firstTimeoutMs)
{
    std::vector<LONG> codes;
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    LONG timeout = firstTimeoutMs;
    while (events->GetEvent(&code, &p1, &p2, timeout) == S_OK) {
        codes.push_back(code);
        EXPECT_EQ(events->FreeEventParams(code, p1, p2), S_OK);
        timeout = 0;
    }
    return codes;
}

LONG GraphTest::RunToEnd()
{
    EXPECT_EQ(control->Run(), S_OK);
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(20000, &code), S_OK);
    return code;
}

SyntheticStreamSetup VideoStream(int samples, REFERENCE_TIME duration)
{
    SyntheticStreamSetup s;
    s.name = L"Video";
    s.major = MEDIATYPE_Video;
    s.samples = samples;
    s.sampleDuration = duration;
    return s;
}

SyntheticStreamSetup AudioStream(int samples, REFERENCE_TIME duration)
{
    SyntheticStreamSetup s;
    s.name = L"Audio";
    s.major = MEDIATYPE_Audio;
    s.samples = samples;
    s.sampleDuration = duration;
    return s;
}
