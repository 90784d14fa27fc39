#include "tests/encoder/pipeline/GraphTestSupport.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "encoder/core/FilterModuleLoader.h"
#include "encoder/pipeline/GraphMessages.h"
#include "foundation/PathHelpers.h"
#include "modules/api/WriterFilters.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/NativePath.h"

namespace {

std::map<std::string, HMODULE>& LoadedModules()
{
    static std::map<std::string, HMODULE> modules;
    return modules;
}

std::string MessageName(const PostedMessage& post)
{
    const SGraphMessages& m = GetGraphMessages();
    if (post.message == m.playbackState) return "STATE " + std::to_string(post.wParam);
    if (post.message == m.playbackReady) return "READY";
    if (post.message == m.playbackEof) return "EOF " + std::to_string(post.wParam);
    return "OTHER " + std::to_string(post.message);
}

}  // namespace

void GraphTest::SetUp()
{
    CoreTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_EQ(S_OK, RegisterSystemFilters());
    ResetRecordingBehaviour();
    RecordingLog::Clear();
    for (const char* name : {"HVF.ax", "HAF.ax", "hwriter.dll"}) InstallModule(name);
    settings_.SetDefaultSettings();
    owner_.m_hWnd = reinterpret_cast<HWND>(0x5150);
    posts_ = std::make_unique<PostRecorder>();
}

void GraphTest::TearDown()
{
    owner_.m_hWnd = nullptr;
    posts_.reset();
    FreeFilterModules();
    for (auto& [name, module] : LoadedModules()) FreeLibrary(module);
    LoadedModules().clear();
    CoUninitialize();
    CoreTest::TearDown();
}

void GraphTest::InstallModule(const std::string& fileName)
{
    HMODULE handle = InstallRecorderModule(ProgramFolder(), fileName);
    ASSERT_NE(nullptr, handle) << fileName;
    LoadedModules()[fileName] = handle;
}

void GraphTest::RemoveModule(const std::string& fileName)
{
    auto it = LoadedModules().find(fileName);
    if (it != LoadedModules().end()) {
        FreeLibrary(it->second);
        LoadedModules().erase(it);
    }
    std::filesystem::remove(ProgramFolder() + fileName);
}

bool GraphTest::UseRealModules(const std::vector<std::string>& fileNames)
{
    const char* bin = std::getenv("RIVO_BIN_DIR");
    if (!bin) return false;
    for (const std::string& name : fileNames)
        if (!std::filesystem::exists(std::string(bin) + "/" + name)) return false;
    for (const std::string& name : fileNames) {
        RemoveModule(name);
        std::filesystem::copy_file(std::string(bin) + "/" + name, ProgramFolder() + name);
    }
    return true;
}

MessageTrace GraphTest::Pump(CGraphMain& graph, std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const UINT notify = GetGraphMessages().graphNotify;
    MessageTrace trace;
    auto deadline = Clock::now() + timeout;
    Clock::time_point quietUntil = Clock::time_point::max();
    while (Clock::now() < deadline && Clock::now() < quietUntil) {
        for (const PostedMessage& post : posts_->Take(std::chrono::milliseconds(20))) {
            if (post.message == notify) {
                graph.OnGraphNotify();
                continue;
            }
            std::string name = MessageName(post);
            trace.push_back(name);
            // After the end, a short quiet while shows whether anything
            // else still comes.
            if (name.rfind("EOF", 0) == 0) quietUntil = Clock::now() + std::chrono::milliseconds(400);
        }
    }
    return trace;
}

int GraphTest::StartJob(CGraphMain& graph, SourceTypeCode type, const std::string& source, const std::string& output)
{
    graph.SetFormatGuids(kAviWriterClassText, kMp4WriterClassText, kAsfWriterClassText);
    graph.SetDspModule(nullptr);
    if (!graph.BuildFilterChain(type, nullptr, &owner_)) return -100;
    graph.SetLogoInfo(nullptr);
    int opened = graph.Open(CString(Utf8ToWide(source)), CString(Utf8ToWide(output)));
    if (opened != 0) return opened;
    graph.SetAudioStream(0);
    graph.SetAudioSyncDelay(0);
    graph.SetAudioAmplify(0);
    graph.SetWriterPriority(settings_.nEncodePriority);
    graph.SetWriterPreviewEnabled(FALSE);
    graph.Play();
    return 0;
}

std::string SourcePart(const TempDir& dir, const std::string& source, const std::string& name, double share)
{
    std::string bytes = ReadBytes(source);
    WriteBytes(dir.File(name), bytes.substr(0, static_cast<size_t>(bytes.size() * share)));
    return dir.File(name);
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}
