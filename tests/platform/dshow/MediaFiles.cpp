#include "tests/platform/dshow/MediaFiles.h"

#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <sstream>

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
// looks like a race inside them.
extern "C" const char* __tsan_default_suppressions() { return "race:libavutil.so\nrace:libavcodec.so\n"; }
#endif

std::string TestPicture(double seconds, const std::string& size)
{
    return "-f lavfi -i testsrc=size=" + size + ":rate=25:duration=" + std::to_string(seconds);
}

std::string TestTone(double seconds, int rate)
{
    return "-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(rate) +
           ":duration=" + std::to_string(seconds);
}

std::string MakeMedia(const TempDir& dir, const std::string& name, const std::string& args)
{
    std::string out = dir.File(name);
    int code = -1;
    std::string log = RunTool("ffmpeg -hide_banner -loglevel error -nostdin -y " + args + " '" + out + "' 2>&1", &code);
    EXPECT_EQ(code, 0) << "ffmpeg failed for " << name << ": " << log;
    struct stat st;
    EXPECT_TRUE(stat(out.c_str(), &st) == 0 && st.st_size > 0) << "ffmpeg made no " << name;
    return out;
}

std::vector<ProbedStream> ProbeFrameCounts(const std::string& path)
{
    int code = -1;
    std::string out = RunTool("ffprobe -v error -count_frames -show_entries stream=index,codec_type,nb_read_frames "
                              "-of csv=p=0 '" + path + "'",
                              &code);
    EXPECT_EQ(code, 0) << "ffprobe failed for " << path;
    // Programs list their streams again: each index counts once.
    std::vector<ProbedStream> streams;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        size_t first = line.find(','), second = line.find(',', first + 1);
        if (second == std::string::npos) continue;
        size_t index = static_cast<size_t>(std::atoll(line.c_str()));
        if (index < streams.size()) continue;
        ProbedStream s;
        s.kind = line.substr(first + 1, second - first - 1);
        s.frames = std::atoll(line.c_str() + second + 1);
        streams.resize(index);
        streams.push_back(s);
    }
    return streams;
}

void SystemFilterTest::SetUp()
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_EQ(RegisterSystemFilters(), S_OK);
}

void SystemFilterTest::TearDown() { CoUninitialize(); }
