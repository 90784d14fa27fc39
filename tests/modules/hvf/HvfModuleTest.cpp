// HVF.ax as the program loads it from its folder: the filter by its class
// id through the program's loader, working in a graph of the system's
// filters; the module exports only its two entries and may be unloaded once
// nothing of it is alive.
#include <cstdlib>

#include "encoder/core/FilterModuleLoader.h"
#include "platform/win32/CodePage.h"
#include "tests/modules/hvf/TreatmentGraph.h"

namespace {

// The program folder the test runner names (CTest sets it).
std::string ModulePath()
{
    const char* folder = std::getenv("RIVO_BIN_DIR");
    return std::string(folder ? folder : "bin") + "/HVF.ax";
}

class HvfModuleTest : public TreatmentGraphTest {
protected:
    void TearDown() override
    {
        TreatmentGraphTest::TearDown();
        FreeFilterModules();
    }

    // The filter of the fixture leaves the graph; the module's, made by the
    // program's loader, takes its place.
    void UseTheModulesFilter()
    {
        ASSERT_EQ(graph->RemoveFilter(filterObject.Get()), S_OK);
        video.Reset();
        filterObject.Reset();
        filter = nullptr;
        std::wstring path = Utf8ToWide(ModulePath());
        ASSERT_EQ(CreateObjectFromModule(path.c_str(), CLSID_HalvaneVideoFilter, IID_IBaseFilter,
                                         reinterpret_cast<void**>(filterObject.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(filterObject.As(&video), S_OK);
        ASSERT_EQ(graph->AddFilter(filterObject.Get(), kVideoFilterName), S_OK);
    }
};

TEST_F(HvfModuleTest, TheModulesFilterTreatsPicturesInAGraph)
{
    UseTheModulesFilter();
    CLSID clsid{};
    ASSERT_EQ(filterObject->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_HalvaneVideoFilter);

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

// Each method the program calls, through the module's method table by its
// place, with a value the program passes.
struct PlaceCall {
    const char* name;
    HRESULT (*call)(ModuleMethodTable<IVideoFilterControl>* table, void* object);
};

SLogoInfo NoLogo() { return SLogoInfo{}; }

const PlaceCall kCalls[] = {
    {"SetVideoPresetC", [](auto* t, void* o) { return t->SetVideoPresetC(o, 0); }},
    {"SetVideoPresetA", [](auto* t, void* o) { return t->SetVideoPresetA(o, 1); }},
    {"SetVideoPresetB", [](auto* t, void* o) { return t->SetVideoPresetB(o, 3); }},
    {"SetVideoFrameRate", [](auto* t, void* o) { return t->SetVideoFrameRate(o, 25.0); }},
    {"SetVideoResizeA", [](auto* t, void* o) { return t->SetVideoResizeA(o, 1); }},
    {"SetVideoResizeB", [](auto* t, void* o) { return t->SetVideoResizeB(o, 2); }},
    {"SetVideoResizeC", [](auto* t, void* o) { return t->SetVideoResizeC(o, 1); }},
    {"SetVideoSize", [](auto* t, void* o) { return t->SetVideoSize(o, 160, 120); }},
    {"SetVideoAspectMode", [](auto* t, void* o) { return t->SetVideoAspectMode(o, 4); }},
    {"SetVideoAspectRatio", [](auto* t, void* o) { return t->SetVideoAspectRatio(o, 160.0 / 120); }},
    {"SetVideoBrightness", [](auto* t, void* o) { return t->SetVideoBrightness(o, 50); }},
    {"SetVideoContrast", [](auto* t, void* o) { return t->SetVideoContrast(o, 50); }},
    {"SetVideoSaturation", [](auto* t, void* o) { return t->SetVideoSaturation(o, 50); }},
    {"SetVideoHue", [](auto* t, void* o) { return t->SetVideoHue(o, 50); }},
    {"SetVideoDeblockMode", [](auto* t, void* o) { return t->SetVideoDeblockMode(o, 0, 0); }},
    {"SetVideoDeblockStrength", [](auto* t, void* o) { return t->SetVideoDeblockStrength(o, 10); }},
    {"SetVideoBlurEnabled", [](auto* t, void* o) { return t->SetVideoBlurEnabled(o, 1); }},
    {"SetVideoBlurStrength", [](auto* t, void* o) { return t->SetVideoBlurStrength(o, 64); }},
    {"SetVideoSharpenEnabled", [](auto* t, void* o) { return t->SetVideoSharpenEnabled(o, 1); }},
    {"SetVideoSharpenStrength", [](auto* t, void* o) { return t->SetVideoSharpenStrength(o, 64); }},
    {"SetVideoFlip", [](auto* t, void* o) { return t->SetVideoFlip(o, 0); }},
    {"SetVideoDeinterlace", [](auto* t, void* o) { return t->SetVideoDeinterlace(o, 2); }},
    {"SetVideoLogo",
     [](auto* t, void* o) {
         SLogoInfo none = NoLogo();
         return t->SetVideoLogo(o, 0, &none);
     }},
    {"SetVideoFilterSubtitle", [](auto* t, void* o) { return t->SetVideoFilterSubtitle(o, nullptr); }},
    {"SetSubtitleStyle",
     [](auto* t, void* o) {
         SubtitleStyleRecord style{};
         InitSubtitleStyle(&style);
         return t->SetSubtitleStyle(o, &style);
     }},
    {"SetSubtitlePosX", [](auto* t, void* o) { return t->SetSubtitlePosX(o, 50); }},
    {"SetSubtitlePosY", [](auto* t, void* o) { return t->SetSubtitlePosY(o, 90); }},
    {"SetSubtitleMarginX", [](auto* t, void* o) { return t->SetSubtitleMarginX(o, 2); }},
    {"SetSubtitleMarginY", [](auto* t, void* o) { return t->SetSubtitleMarginY(o, 2); }},
    {"SetSubtitleCharSpace", [](auto* t, void* o) { return t->SetSubtitleCharSpace(o, 0); }},
    {"SetSubtitleLineSpace", [](auto* t, void* o) { return t->SetSubtitleLineSpace(o, 0); }},
    {"SetSubtitleEnabled", [](auto* t, void* o) { return t->SetSubtitleEnabled(o, 1); }},
};

TEST_F(HvfModuleTest, EveryMethodAtItsPlaceAnswersBeforeAndAfterTheConnection)
{
    UseTheModulesFilter();
    void* object = video.Get();
    auto* table = *static_cast<ModuleMethodTable<IVideoFilterControl>**>(object);
    SubtitleInfoRecord info{};
    EXPECT_EQ(table->QueryVideoFilterSubtitleInfo(object, &info), VFW_E_NOT_CONNECTED);
    for (const PlaceCall& c : kCalls) EXPECT_EQ(c.call(table, object), S_OK) << c.name << " before";
    Open(MakeSource("places.avi", "-f lavfi -i testsrc2=size=160x120:rate=25:duration=0.2 -c:v mpeg4"),
         CLSID_AviSplitter);
    for (const PlaceCall& c : kCalls) EXPECT_EQ(c.call(table, object), S_OK) << c.name << " after";
    ASSERT_EQ(table->QueryVideoFilterSubtitleInfo(object, &info), S_OK);
    EXPECT_EQ(info.frameRateMilli, 25000);
    std::vector<Picture> pictures = RunToEnd();
    EXPECT_EQ(pictures.size(), 5u);
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
