#include "GraphWindowTest.h"

#include "UiTestIds.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "encoder/core/EncSettings.h"
#include "encoder/core/FilterModuleLoader.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "tests/encoder/pipeline/RecordingFilters.h"
#include "tests/support/MediaFixtures.h"

namespace fs = std::filesystem;

TestEncodingHost::TestEncodingHost() : window(IDD_TEST_LOG) { window.Create(IDD_TEST_LOG); }

TestEncodingHost::~TestEncodingHost()
{
    if (window.m_hWnd) window.DestroyWindow();
}

void GraphWindowTest::SetUp()
{
    UiTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_EQ(S_OK, RegisterSystemFilters());
    ResetRecordingBehaviour();
    RecordingLog::Clear();
    for (const char* name : {"HVF.ax", "HAF.ax", "hwriter.dll"}) {
        HMODULE module = InstallRecorderModule(ProgramFolder(), name);
        ASSERT_NE(nullptr, module) << name;
        modules_[name] = module;
    }
    fs::create_directories(Out());
    CEncSettings& settings = GetEncSettings();
    settings.sDstFolder = CString(Utf8ToWide(Out() + "/"));
    settings.nEncFormat = 0;
    settings.bAutoMode = 0;
}

void GraphWindowTest::TearDown()
{
    jobs_.RemoveAll();
    FreeFilterModules();
    for (auto& [name, module] : modules_) FreeLibrary(module);
    modules_.clear();
    CoUninitialize();
    GetEncSettings().bAutoMode = 0;
    UiTest::TearDown();
}

bool GraphWindowTest::UseRealModule(const std::string& fileName)
{
    const char* bin = std::getenv("RIVO_BIN_DIR");
    const std::string real = std::string(bin ? bin : "") + "/" + fileName;
    if (!bin || !fs::exists(real)) return false;
    auto it = modules_.find(fileName);
    if (it != modules_.end()) {
        FreeLibrary(it->second);
        modules_.erase(it);
    }
    fs::copy_file(real, ProgramFolder() + fileName, fs::copy_options::overwrite_existing);
    return true;
}

void GraphWindowTest::ClearOut() const
{
    fs::remove_all(Out());
    fs::create_directories(Out());
}

std::string GraphWindowTest::Media(const std::string& name, const std::string& args) const
{
    return MakeMedia(media_, name, args);
}

std::string GraphWindowTest::GoodAvi(const std::string& name, double seconds) const
{
    return Media(name, TestPicture(seconds) + " " + TestTone(seconds) + " -c:v mpeg4 -c:a pcm_s16le");
}

CEncFileInfo* GraphWindowTest::Add(const std::string& path)
{
    CEncFileInfo* job = jobs_.AddFile(CString(Utf8ToWide(path)));
    EXPECT_NE(nullptr, job) << path;
    return job;
}

std::string GraphWindowTest::OutputOf(const std::string& source, const char* extension) const
{
    return Out() + "/" + fs::path(source).stem().string() + "." + extension;
}

bool GraphWindowTest::PumpUntil(const std::function<bool()>& done)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        mfc_test::PumpDialogMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string GraphWindowTest::FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
