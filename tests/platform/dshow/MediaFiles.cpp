#include "tests/platform/dshow/MediaFiles.h"

#include <cstdlib>
#include <memory>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/win32/RegistryStore.h"

namespace {

class PrivateRegistryStore : public ::testing::Environment {
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

// In a program that also has the graph fixture's environment, the one set
// up last is in force; either keeps the store private.
::testing::Environment* const g_store = ::testing::AddGlobalTestEnvironment(new PrivateRegistryStore);

}  // namespace

#if defined(__SANITIZE_THREAD__)
// The decoding libraries are not built for the race detector: their buffers'
// reference counts and the progress their decoding threads report to each
// other are atomics it cannot see, so memory handed between their threads
// looks like a race inside them. The sound server's client library is the
// same: its loop thread takes what the caller's thread made through queues
// of its own atomics.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libavutil.so\nrace:libavcodec.so\nrace:libpulsecommon\nrace:libpulse.so\n";
}
#endif

void SystemFilterTest::SetUp()
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_EQ(RegisterSystemFilters(), S_OK);
}

void SystemFilterTest::TearDown() { CoUninitialize(); }
