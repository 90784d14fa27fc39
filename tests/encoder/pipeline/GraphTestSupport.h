// The world of the graph tests: the encoder core's private folders and
// registry, the component runtime with the system filters, the recording
// stand-ins served as HVF.ax, HAF.ax and hwriter.dll from the test's
// program folder, a settings record with its defaults, and an owner window
// whose posts are recorded. RunJob plays the owner's part: it answers each
// "WM_GRAPHNOTIFY" with OnGraphNotify and collects the other messages until
// the job ends.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "encoder/core/EncSettings.h"
#include "encoder/pipeline/GraphMain.h"
#include "platform/mfc/CWnd.h"
#include "tests/encoder/core/CoreTestSupport.h"
#include "tests/encoder/pipeline/RecordingFilters.h"
#include "tests/support/PostRecorder.h"

// One message a graph posted, by name: "STATE 2", "READY", "EOF 0", ...
using MessageTrace = std::vector<std::string>;

class GraphTest : public CoreTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Installs the recorder module under the file name (done for the three
    // modules by SetUp); Remove takes one away again.
    void InstallModule(const std::string& fileName);
    void RemoveModule(const std::string& fileName);
    // Puts the real modules of the build's program folder in the place of
    // the stand-ins; false (the stand-ins stay) when one is not built.
    bool UseRealModules(const std::vector<std::string>& fileNames);
    // The names of the messages posted since the last call, answering
    // "WM_GRAPHNOTIFY" with the graph's OnGraphNotify; waits until an end of
    // the job and then a quiet while, or until the time-out.
    MessageTrace Pump(CGraphMain& graph, std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // The settings' job values a progress window sets, then the owner's
    // calls of a job in their order up to Play; the result of Open.
    int StartJob(CGraphMain& graph, SourceTypeCode type, const std::string& source, const std::string& output);

    CEncSettings settings_;
    CWnd owner_;
    // Records the graph's posts; a test with real windows drops it, so
    // that posts reach the window layer's queue.
    std::unique_ptr<PostRecorder> posts_;
};

// A job of a batch with a damaged source or an output that cannot be
// written, and how it ends.
struct BrokenJob {
    const char* name;
    // Makes the source (and anything else the case needs) from a good one;
    // the source path.
    std::string (*make)(const TempDir& dir, const std::string& good);
    const char* output;  // relative to the test folder
    int open;            // Open's result
    const char* eof;     // the end of the job when it opened
    bool outputLeft;     // a playable output file is there afterwards
    // Done once the job plays (null: nothing); false when it fails.
    bool (*during)(const std::string& source) = nullptr;
    // The process may not write files beyond 64 KB during the job, as on a
    // full disk.
    bool fileSizeLimit = false;
};

// A copy of the leading share (0 to 1) of a source file under the name in
// the folder: a cut file, an empty one, or a whole copy; its path.
std::string SourcePart(const TempDir& dir, const std::string& source, const std::string& name, double share);

// A text made of the lines, one per line, for readable comparisons.
std::string Joined(const std::vector<std::string>& lines);
