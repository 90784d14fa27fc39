// HVF.ax as the program loads it from its folder: the filter by its class
// id through the program's loader, working in a graph of the system's
// filters; the module exports only its two entries and may be unloaded once
// nothing of it is alive.
#include <cstdlib>

#include "encoder/core/FilterModuleLoader.h"
#include "platform/win32/CodePage.h"
#include "tests/modules/hvf/TreatmentGraph.h"

namespace {

std::string ModulePath() { return std::string(std::getenv("RIVO_BIN_DIR")) + "/HVF.ax"; }

class HvfModuleTest : public TreatmentGraphTest {
protected:
    void TearDown() override
    {
        TreatmentGraphTest::TearDown();
        FreeFilterModules();
    }
};

TEST_F(HvfModuleTest, TheModulesFilterTreatsPicturesInAGraph)
{
    // The filter of the fixture leaves; the module's takes its place.
    ASSERT_EQ(graph->RemoveFilter(filterObject.Get()), S_OK);
    video.Reset();
    filterObject.Reset();
    filter = nullptr;
    std::wstring path = Utf8ToWide(ModulePath());
    ASSERT_EQ(CreateObjectFromModule(path.c_str(), CLSID_HalvaneVideoFilter, IID_IBaseFilter,
                                     reinterpret_cast<void**>(filterObject.GetAddressOf())),
              S_OK);
    ASSERT_EQ(filterObject.As(&video), S_OK);
    CLSID clsid{};
    ASSERT_EQ(filterObject->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_HalvaneVideoFilter);
    ASSERT_EQ(graph->AddFilter(filterObject.Get(), kVideoFilterName), S_OK);

    EXPECT_EQ(video->SetVideoFlip(1), S_OK);
    EXPECT_EQ(video->SetVideoHue(101), E_INVALIDARG);
    std::string source =
        MakeSource("module.avi", "-f lavfi -i testsrc2=size=160x120:rate=25:duration=0.4 -c:v mpeg4 -q:v 3");
    Open(source, CLSID_AviSplitter);
    std::vector<Picture> ours = RunToEnd();
    std::vector<std::string> theirs = FfmpegPictures(source, "vflip", 160, 120);
    ASSERT_EQ(ours.size(), 10u);
    ASSERT_EQ(theirs.size(), 10u);
    for (size_t i = 0; i < ours.size(); ++i) EXPECT_GT(Psnr(ours[i].data, theirs[i]), 40.0) << "picture " << i;
}

TEST_F(HvfModuleTest, OnlyTheTwoEntriesAreExported)
{
    int code = -1;
    std::string defined = RunTool("nm -D --defined-only '" + ModulePath() + "'", &code);
    ASSERT_EQ(code, 0) << defined;
    std::vector<std::string> names;
    std::istringstream in(defined);
    for (std::string line; std::getline(in, line);) {
        std::string name = line.substr(line.rfind(' ') + 1);
        if (line.find(" T ") != std::string::npos || line.find(" D ") != std::string::npos ||
            line.find(" B ") != std::string::npos)
            names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject"}));
}

}  // namespace
