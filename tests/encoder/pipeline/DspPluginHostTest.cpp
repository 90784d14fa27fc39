// The DSP plug-in host: where it finds a plug-in file and when it is usable,
// the order in which it selects, initialises and shuts modules down, the
// preparation for a configuration dialog, the sample plug-in that comes with
// the program, and the guard on the frame count a module reports.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "encoder/pipeline/PluginDsp.h"
#include "foundation/PathHelpers.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/NativePath.h"
#include "tests/encoder/pipeline/fixtures/DspRecorderPlugin.h"
#include "tests/support/TempDir.h"

namespace {

// Native paths of the plug-ins the build made.
std::string SamplePlugin() { return std::string(std::getenv("RIVO_BIN_DIR")) + "/Plugins/dsp_rivo_sample.so"; }
std::string BesideTests(const char* name) { return ToNativePath((GetModuleDirectory() + CString(name)).str()); }

std::wstring Wide(const std::string& native) { return Utf8ToWide(native); }

TEST(DspPluginHost, WhereThePluginIsFoundAndWhenItIsUsable)
{
    TempDir temp;
    std::filesystem::copy_file(BesideTests("dsp_rivo_noexport.so"), temp.File("dsp_noexport.so"));
    WriteBytes(temp.File("dsp_text.so"), "This is not a shared object.\n");

    struct Case {
        const char* what;
        std::string path;
        bool handle;             // a module was loaded
        bool header;             // the host is usable
        int modules;             // modules its header lists
        std::string loadedFrom;  // the file that was loaded, when not the path
    };
    const Case cases[] = {
        {"the sample plug-in in the program's plug-in folder", SamplePlugin(), true, true, 2, ""},
        {"a plug-in whose folder no longer holds it, beside the program", temp.File("dsp_rivo_recorder.so"), true, true,
         3, BesideTests("dsp_rivo_recorder.so")},
        {"a shared object without the header export", temp.File("dsp_noexport.so"), true, false, 0, ""},
        {"a missing file", temp.File("dsp_missing.so"), false, false, 0, ""},
        {"a file that is not a shared object", temp.File("dsp_text.so"), false, false, 0, ""},
        {"an empty path", "", false, false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring path = Wide(c.path);
        std::wstring loaded = c.loadedFrom.empty() ? path : Wide(c.loadedFrom);
        {
            CPlugin_dsp host(path.c_str());
            EXPECT_EQ(c.handle, host.GetHandle() != nullptr);
            EXPECT_EQ(c.header, host.IsLoaded());
            EXPECT_EQ(c.header, host.GetHeader() != nullptr);
            EXPECT_EQ(c.header ? CString(path.c_str()) : CString(), host.GetPath());
            EXPECT_EQ(nullptr, host.GetModule());
            if (c.handle) {
                EXPECT_EQ(host.GetHandle(), GetModuleHandleW(loaded.c_str()));
            }
            int modules = 0;
            while (host.GetHeader() && host.GetHeader()->getModule(modules)) ++modules;
            EXPECT_EQ(c.modules, modules);
            if (!c.header) {
                EXPECT_EQ(nullptr, host.SelectModule(0, nullptr));
                EXPECT_EQ(nullptr, host.PrepareModule(0));
            }
        }
        if (!loaded.empty()) {
            EXPECT_EQ(nullptr, GetModuleHandleW(loaded.c_str())) << "freed with the host";
        }
    }
}

TEST(DspPluginHost, AnAlternativePathIsTriedAfterThePath)
{
    TempDir temp;
    std::wstring sample = Wide(SamplePlugin());
    HDll dll;
    EXPECT_NE(nullptr, dll.CPluginDspLoadLibrary(Wide(temp.File("dsp_gone.so")).c_str(), sample.c_str()));
    EXPECT_TRUE(dll.IsLoaded());
    EXPECT_EQ(dll.GetHandle(), GetModuleHandleW(sample.c_str()));
    EXPECT_NE(0, dll.Free());
    EXPECT_EQ(0, dll.Free());
    EXPECT_FALSE(dll.IsLoaded());
    EXPECT_EQ(nullptr, GetModuleHandleW(sample.c_str()));
}

// The recording plug-in, held loaded by the test as well so that its log
// and its module records outlive the host.
class DspRecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = Wide(BesideTests("dsp_rivo_recorder.so"));
        module_ = LoadLibraryW(path_.c_str());
        ASSERT_NE(nullptr, module_);
        log_ = reinterpret_cast<DspRecorderLogFn>(GetProcAddress(module_, "DspRecorderLog"));
        ASSERT_NE(nullptr, log_);
        Log();
    }
    void TearDown() override
    {
        AfxSetMainWnd(nullptr);
        if (module_) FreeLibrary(module_);
    }
    std::string Log()
    {
        char text[512];
        log_(text, sizeof text);
        return text;
    }

    std::wstring path_;
    HMODULE module_ = nullptr;
    DspRecorderLogFn log_ = nullptr;
};

TEST_F(DspRecorderTest, SelectingQuitsTheOldModuleBeforeInitialisingTheNew)
{
    const HWND first = reinterpret_cast<HWND>(0x1001);
    const HWND second = reinterpret_cast<HWND>(0x1002);
    auto* host = new CPlugin_dsp(path_.c_str());
    ASSERT_NE(nullptr, host->GetHeader());
    EXPECT_EQ("", Log());
    DspPluginModule* zero = host->GetHeader()->getModule(0);
    DspPluginModule* one = host->GetHeader()->getModule(1);
    DspPluginModule* bare = host->GetHeader()->getModule(2);
    Log();

    struct Step {
        int index;
        HWND parent;
        DspPluginModule* result;
        const char* log;
        HWND parentAfter;  // of the result
    };
    const Step steps[] = {
        // Initialised without a window and with the instance; the window
        // comes after Init.
        {0, first, zero, "get:0 get:0 init:0,instance ", first},
        // The current one again: nothing changes, not even the window.
        {0, second, zero, "get:0 ", first},
        {1, second, one, "get:1 quit:0 get:1 init:1,instance ", second},
        // Past the last module: the old one is already shut down.
        {3, first, nullptr, "get:3 quit:1 get:3 ", nullptr},
        {3, first, nullptr, "get:3 ", nullptr},
        // A module without Init or Quit is selected and left safely.
        {2, first, bare, "get:2 get:2 ", first},
        {1, first, one, "get:1 get:1 init:1,instance ", first},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.index);
        EXPECT_EQ(s.result, host->SelectModule(s.index, s.parent));
        EXPECT_EQ(s.result, host->GetModule());
        EXPECT_EQ(s.log, Log());
        if (s.result) {
            EXPECT_EQ(s.parentAfter, s.result->hwndParent);
            EXPECT_EQ(host->GetHandle(), s.result->hDllInstance);
        }
    }

    delete host;
    EXPECT_EQ("quit:1 ", Log());
    EXPECT_EQ(nullptr, one->hwndParent);
    EXPECT_EQ(nullptr, one->hDllInstance);
}

TEST_F(DspRecorderTest, PreparingForTheDialogGivesTheMainWindowWithoutSelecting)
{
    CPlugin_dsp host(path_.c_str());
    ASSERT_NE(nullptr, host.GetHeader());
    CWnd mainWindow(reinterpret_cast<HWND>(0x2001));

    AfxSetMainWnd(nullptr);
    DspPluginModule* module = host.PrepareModule(1);
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(nullptr, module->hwndParent);
    EXPECT_EQ(host.GetHandle(), module->hDllInstance);

    AfxSetMainWnd(&mainWindow);
    EXPECT_EQ(module, host.PrepareModule(1));
    EXPECT_EQ(mainWindow.m_hWnd, module->hwndParent);
    EXPECT_EQ(nullptr, host.PrepareModule(3));
    EXPECT_EQ(nullptr, host.GetModule());
    EXPECT_EQ("get:1 get:1 get:3 ", Log());  // never initialised
    AfxSetMainWnd(nullptr);
    mainWindow.m_hWnd = nullptr;
}

TEST(DspSamplePlugin, HalvesTheVolumeAndSwapsTheChannels)
{
    std::wstring path = Wide(SamplePlugin());
    CPlugin_dsp host(path.c_str());
    ASSERT_NE(nullptr, host.GetHeader());
    EXPECT_EQ(kDspPluginVersion, host.GetHeader()->version);
    EXPECT_STREQ("RivoEnc sample DSP", host.GetHeader()->description);

    struct Case {
        int module;
        const char* description;
        int channels;
        std::vector<short> in;
        std::vector<short> out;
    };
    const Case cases[] = {
        {0, "Half volume (x0.5)", 2, {1000, -1000, 3, -3, 32767, -32768}, {500, -500, 1, -1, 16383, -16384}},
        {0, "Half volume (x0.5)", 1, {7, -7, 0}, {3, -3, 0}},
        {1, "Swap left and right channels", 2, {1, 2, 3, 4, 5, 6}, {2, 1, 4, 3, 6, 5}},
        {1, "Swap left and right channels", 3, {1, 2, 3, 4, 5, 6}, {2, 1, 3, 5, 4, 6}},
        {1, "Swap left and right channels", 1, {1, 2, 3}, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        DspPluginModule* module = host.SelectModule(c.module, nullptr);
        ASSERT_NE(nullptr, module);
        EXPECT_STREQ(c.description, module->description);
        std::vector<short> samples = c.in;
        samples.resize(c.in.size() * 2);  // the room the audio filter gives
        int frames = static_cast<int>(c.in.size()) / c.channels;
        EXPECT_EQ(frames, module->ModifySamples(module, samples.data(), frames, 16, c.channels, 44100));
        samples.resize(c.in.size());
        EXPECT_EQ(c.out, samples);
    }
}

TEST(DspPluginHost, TheReportedFrameCountIsHeldToTheRoom)
{
    struct Case {
        int reported;
        int capacity;
        int result;
    };
    const Case cases[] = {
        {-5, 10, 0},       {0, 10, 0},       {7, 10, 7}, {10, 10, 10}, {11, 10, 10},
        {INT_MAX, 10, 10}, {INT_MIN, 10, 0}, {5, -1, 0}, {5, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, ClampDspSampleCount(c.reported, c.capacity)) << c.reported << " in " << c.capacity;
}

}  // namespace
