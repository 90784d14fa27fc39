// Skin documents turned into skin windows: every failure of a build with its
// error code and detail; what a successful build makes of options,
// backgrounds, themes, images, cursors and ids; nested skin windows; skins
// from resources; and hostile skins that fail with their error and leave a
// window that loads the next skin.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/win32/CodePage.h"
#include "platform/win32/gui/Cursors.h"
#include "skin/HXSubFont.h"
#include "skin/HXWindowChild.h"
#include "skin/SkinErrors.h"
#include "skin/controls/HXConButton.h"
#include "skin/controls/HXConStatic.h"
#include "tests/fuzz/SkinFuzzTargets.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/SkinWindowFixture.h"

namespace {

using namespace skin_test;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

const std::map<std::wstring, int> kBindings = {{L"ID_A", 501}, {L"ID_B", 502}, {L"ID_C", 503}, {L"ID_HOST", 504}};

std::string Box(const std::string& attributes = "", int left = 0)
{
    return "<StaticControl StaticControlType=\"color\" ControlColor=\"#00FF00\" Align=\"none\" Left=\"" +
           std::to_string(left) + "\" Top=\"0\" Width=\"10\" Height=\"10\" " + attributes + "/>\n";
}

std::map<std::string, std::string> Images()
{
    return {{"red.bmp", SolidBmp(4, 4, kRed)},
            {"grey.bmp", SolidBmp(4, 4, RGB(100, 100, 100))},
            {"glyphs.bmp", CellStripBmp(4, 6, {kRed, kGreen, kBlue})},
            {"arrow.cur", std::string(reinterpret_cast<const char*>(gui_test::SmallCursorFile(false).data()),
                                      gui_test::SmallCursorFile(false).size())}};
}

class SkinDocumentTest : public SkinWindowTest {
protected:
    // Loads the document and expects the build to fail with the code and detail.
    void ExpectFailure(const std::string& xml, int code, const std::wstring& detail)
    {
        SCOPED_TRACE(xml);
        EXPECT_FALSE(Load(xml, Images(), kBindings, false));
        EXPECT_EQ(code, window_->GetLastErrorCode());
        EXPECT_EQ(CString(detail.c_str()), window_->GetLastErrorText());
        // A failed build leaves an empty window.
        EXPECT_TRUE(window_->GetControls().empty());
        EXPECT_EQ(nullptr, window_->FindControl(501));
    }
};

TEST_F(SkinDocumentTest, BuildFailuresGiveTheirCodeAndDetail)
{
    struct Case {
        std::string xml;
        int code;
        std::wstring detail;
    } cases[] = {
        {"<Skin><SkinWindow><ControlDefine/></SkinWindow></Skin>", SKINERR_BAD_ROOT, L""},
        {"<HXSkin><Window/></HXSkin>", SKINERR_NO_SKINWINDOW, L"SkinWindow"},
        {"<HXSkin><SkinWindow/></HXSkin>", SKINERR_MISSING_TAG, L"ControlDefine"},
        {SkinXml("BkgndImage=\"red.bmp\"", "", ""), SKINERR_NO_BKGND_TYPE, L""},
        {SkinXml("BkgndImage=\"red.bmp\" BkgndType=\"fill\"", "", ""), SKINERR_BAD_BKGND_TYPE, L"fill"},
        {SkinXml("BkgndImage=\"gone.bmp\" BkgndType=\"tile\"", "", ""), SKINERR_IMAGE_OPEN, L"gone.bmp"},
        {SkinXml("", "", Box("CID=\"ID_A\"") + Box("CID=\"ID_A\"")), SKINERR_DUPLICATE_CONTROL_ID,
         L"ControlName:StaticControl, ControlID:ID_A"},
        {SkinXml("", "", Box("CID=\"UNBOUND\"")), SKINERR_UNDEFINED_CONTROL_ID,
         L"ControlName:StaticControl, ControlID:UNBOUND"},
        {SkinXml("", "", Box("CMD=\"NOPE\"")), SKINERR_BAD_ATTRIBUTE_VALUE, L"CMD=\"NOPE\""},
        {SkinXml("", "", Box("CID=\"ID_A\" RCMD=\"ID_ZZ\"")), SKINERR_BAD_ATTRIBUTE_VALUE, L"RCMD=\"ID_ZZ\""},
        {SkinXml("", "", "<FooControl Align=\"client\"/>"), SKINERR_BAD_CONTROL_TAG, L"FooControl"},
        {SkinXml("", "", "<XSplitterControl Align=\"client\"/>"), SKINERR_MISSING_ATTRIBUTE,
         L"XSplitterControl(ControlLT)"},
        {SkinXml("", "", "<StaticControl/>"), SKINERR_NO_ALIGN, L""},
        {SkinXml("", "", "<StaticControl Align=\"Left\"/>"), SKINERR_BAD_ALIGN, L""},
        {SkinXml("", "", "<ButtonControl ButtonControlType=\"transparent\" Split=\"6\" Align=\"client\"/>"),
         SKINERR_BAD_ATTRIBUTE_VALUE, L"ButtonControl(Split=6)"},
        {SkinXml("", "", "<StaticControl StaticControlType=\"bitmap\" Image=\"no.bmp\" Align=\"client\"/>"),
         SKINERR_IMAGE_OPEN, L"StaticControl(no.bmp)"},
        {SkinXml("", "", Box() + Box("CID=\"ID_B\"")), SKINERR_NONE, L""},
    };
    for (const Case& c : cases) {
        if (c.code == SKINERR_NONE) {
            EXPECT_TRUE(Load(c.xml, Images(), kBindings));
            continue;
        }
        ExpectFailure(c.xml, c.code, c.detail);
    }
}

TEST_F(SkinDocumentTest, TextAmongTheControlsIsANamelessNodeWithItsPosition)
{
    const std::string xml = SkinXml("", "", Box() + "stray words\n" + Box());
    // The text starts on the line after the first box, at its first column.
    const size_t at = xml.find("stray");
    const int line = static_cast<int>(std::count(xml.begin(), xml.begin() + static_cast<long>(at), '\n'));
    ExpectFailure(xml, SKINERR_NO_CONTROL_TAG, L"Line:" + std::to_wstring(line + 1) + L" Col:1");
}

TEST_F(SkinDocumentTest, DefinitionItemFailures)
{
    struct Case {
        std::string items;
        int code;
        std::wstring detail;
    } cases[] = {
        {"<ColorTheme Name=\"a\"/>", SKINERR_NO_THEME_VALUE, L""},
        {"<ColorTheme Value=\"1,2,3\"/>", SKINERR_NO_THEME_NAME, L""},
        {"<Font FontName=\"f\" FaceName=\"Sans\"/><Font FontName=\"f\" FaceName=\"Sans\"/>", SKINERR_DUPLICATE_FONT,
         L"f"},
        {"<ImageFont Image=\"glyphs.bmp\" Characters=\"abc\"/>", SKINERR_IMAGEFONT_INFO, L""},
        {"<ImageFont FontName=\"g\" Image=\"nothing.bmp\" Characters=\"abc\"/>", SKINERR_FONT_CREATE, L"g"},
        {"<ImageFont FontName=\"g\" Image=\"glyphs.bmp\"/>", SKINERR_FONT_CREATE, L"g"},
        {"<ImageFont FontName=\"g\" Image=\"glyphs.bmp\" Characters=\"abc\"/>"
         "<Font FontName=\"g\" FaceName=\"Sans\"/>",
         SKINERR_DUPLICATE_FONT, L"g"},
        {"<Image ImageName=\"x\"/>", SKINERR_NO_IMAGE_FILE, L""},
        {"<Image Image=\"red.bmp\"/>", SKINERR_NO_IMAGE_NAME, L""},
        {"<Image Image=\"absent.bmp\" ImageName=\"x\"/>", SKINERR_IMAGE_OPEN, L"absent.bmp"},
        {"<Cursor FileName=\"arrow.cur\"/>", SKINERR_CURSOR_INFO, L""},
        {"<Cursor CursorName=\"c\" FileName=\"arrow.cur\"/><Cursor CursorName=\"c\" PredefinedCursor=\"IDC_HAND\"/>",
         SKINERR_DUPLICATE_CURSOR, L"c"},
        {"<Cursor CursorName=\"c\" FileName=\"red.bmp\"/>", SKINERR_CURSOR_OPEN, L"red.bmp"},
        {"<Cursor CursorName=\"c\" PredefinedCursor=\"IDC_NOTHING\"/>", SKINERR_CURSOR_OPEN, L""},
        {"<ColorThemeLockImage/>", SKINERR_NO_IMAGE_FILE, L""},
        {"<DefineControlID Value=\"7\"/>", SKINERR_DEFINE_CONTROL_ID, L""},
        {"<DefineControlID ID=\"X\"/>", SKINERR_DEFINE_CONTROL_ID, L""},
        {"<DefineControlID CID=\"ID_A\" Value=\"7\"/>", SKINERR_DUPLICATE_CONTROL_ID, L"ID_A,7"},
        {"<DefineWindowControlID ID=\"W\" Value=\"4242\"/>", SKINERR_BAD_WINDOW_CONTROL_ID, L"W"},
        {"<Gadget/>", SKINERR_TAG_PARSE, L"Gadget"},
    };
    for (const Case& c : cases) ExpectFailure(SkinXml("", c.items, Box()), c.code, c.detail);
    // The same items after the controls fail as well.
    ExpectFailure(SkinXml("", "", Box(), "<PostDefine><Gadget/></PostDefine>"), SKINERR_TAG_PARSE, L"Gadget");
}

TEST_F(SkinDocumentTest, DocumentReadFailures)
{
    window_ = std::make_unique<HXWindowMain>();
    ASSERT_TRUE(window_->Create(host_, RECT{0, 0, kWidth, kHeight}, WS_CHILD | WS_VISIBLE, 0x80));
    EXPECT_EQ(0, window_->LoadSkinDocument(L"skin.xml", 0, 0));
    EXPECT_EQ(SKINERR_BAD_SKIN_PATH, window_->GetLastErrorCode());
    EXPECT_EQ(CString(), window_->GetLastErrorText());

    const std::string folder = WriteSkin(SkinXml("", "", Box()));
    ASSERT_EQ(1, window_->OpenSkin(CString(Utf8ToWide(folder)), 0));
    EXPECT_EQ(0, window_->LoadSkinDocument(L"other.xml", 0, 0));
    EXPECT_EQ(CString(GetSkinErrorText(13)) + L" " + CString(Utf8ToWide(folder)) + L"/other.xml",
              window_->GetLastErrorMessage());
    EXPECT_EQ(0, window_->LoadSkinDocument(L"skin.xml", 0, 1));
    EXPECT_EQ(SKINERR_NO_LIST_FILE, window_->GetLastErrorCode());
    WriteBytes(folder + "/LIST.ini", "");
    EXPECT_EQ(1, window_->LoadSkinDocument(L"skin.xml", 0, 1));

    // An XML error on the third line, in the parser's own counting.
    const std::string broken = "<HXSkin>\n<SkinWindow>\n<ControlDefine></Control>\n</SkinWindow></HXSkin>";
    WriteBytes(folder + "/broken.xml", broken);
    CXmlDocument oracle;
    ASSERT_FALSE(oracle.LoadFromMemory(broken.data(), broken.size()));
    int line = 0, column = 0;
    oracle.GetErrorPosition(line, column);
    EXPECT_EQ(2, line);
    EXPECT_EQ(0, window_->LoadSkinDocument(L"broken.xml", 0, 0));
    EXPECT_EQ(SKINERR_XML_READ, window_->GetLastErrorCode());
    EXPECT_EQ(CString(FormatText(L"Line:%d Col:%d Desc:%s", line, column, oracle.GetErrorText())),
              window_->GetLastErrorText());
    EXPECT_EQ(0, window_->BuildSkinWindow(-1)) << "nothing is left to build";
}

TEST_F(SkinDocumentTest, OptionsBackgroundsAndIdsOfASuccessfulBuild)
{
    ASSERT_TRUE(Load(SkinXml("Width=\"640\" Height=\"480\" BkgndImage=\"\" BkgndColor=\"FF0000\" ResizeBorder=\"TRUE\" "
                             "ClientCaption=\"true\" MinMaxSize=\"10,20,300\"",
                             "<DoScript/><DefineControlID ID=\"ID_DOC\" Value=\"777\"/>",
                             Box("CID=\"IDC_NONE\"") + "<Font FontName=\"skipped\"/>\n" + Box("CID=\"ID_DOC\"", 20)),
                     Images(), kBindings));
    EXPECT_EQ((SIZE{640, 480}), window_->GetSkinSize());
    EXPECT_EQ(HXWindowMain::BKGND_COLOR, window_->GetBackgroundMode());
    EXPECT_EQ(kRed, OffscreenPixel(200, 200));
    EXPECT_EQ(kGreen, OffscreenPixel(5, 5)) << "a control without an id is drawn";
    EXPECT_EQ(0, window_->GetOptions().resizeBorder) << "only true and 1 switch an option on";
    EXPECT_EQ(1, window_->GetOptions().clientCaption);
    EXPECT_EQ(10, window_->GetOptions().minWidth);
    EXPECT_EQ(20, window_->GetOptions().minHeight);
    EXPECT_EQ(300, window_->GetOptions().maxWidth);
    EXPECT_EQ(-1, window_->GetOptions().maxHeight);
    EXPECT_EQ(2u, window_->GetControls().size());
    EXPECT_EQ(nullptr, window_->FindControl(-1));
    ASSERT_NE(nullptr, window_->FindStatic(777));
    EXPECT_EQ(nullptr, window_->FindButton(777));
    // The document's own binding outlives the skin like the host's.
    EXPECT_EQ(777, window_->FindControlInfo(L"ID_DOC")->id);
}

TEST_F(SkinDocumentTest, BackgroundImageModes)
{
    struct Case {
        const char* type;
        int mode;
        COLORREF far;  // at (100, 100)
    } cases[] = {{"tile", HXWindowMain::BKGND_TILE, kRed},
                 {"none", HXWindowMain::BKGND_IMAGE, RGB(0x20, 0x30, 0x40)},
                 {"stretch", HXWindowMain::BKGND_STRETCH, kRed},
                 {"frame", HXWindowMain::BKGND_FRAME, kRed}};
    for (const Case& c : cases) {
        ASSERT_TRUE(Load(SkinXml(std::string("BkgndImage=\"red.bmp\" BkgndType=\"") + c.type + "\"", "",
                                 "<StaticControl Align=\"client\"/>"),
                         Images(), kBindings));
        EXPECT_EQ(c.mode, window_->GetBackgroundMode()) << c.type;
        EXPECT_EQ(kRed, OffscreenPixel(1, 1)) << c.type;
        if (c.mode != HXWindowMain::BKGND_IMAGE) {
            EXPECT_EQ(c.far, OffscreenPixel(100, 100)) << c.type;
        }
    }
}

TEST_F(SkinDocumentTest, ThemesTintImagesOnceAndLockedImagesKeepTheirPixels)
{
    const std::string xml =
        SkinXml("BkgndColor=\"000000\"",
                "<ColorTheme Value=\"10,-20,30\" Name=\"warm\"/><ColorTheme Value=\"-50,0,0\" Name=\"$THEME\"/>"
                "<ColorThemeLockImage Image=\"grey.bmp\"/>"
                "<Image Image=\"red.bmp\" ImageName=\"tinted\"/><Image Image=\"grey.bmp\" ImageName=\"locked\"/>"
                "<Image Image=\"grey.bmp\" ImageName=\"tinted\"/>",
                "<StaticControl StaticControlType=\"bitmap\" Image=\"tinted\" Align=\"none\" Left=\"0\" Top=\"0\" "
                "Width=\"4\" Height=\"4\"/>"
                "<StaticControl StaticControlType=\"bitmap\" Image=\"locked\" Align=\"none\" Left=\"10\" Top=\"0\" "
                "Width=\"4\" Height=\"4\"/>");
    ASSERT_TRUE(Load(xml, Images(), kBindings));
    EXPECT_EQ(2u, window_->GetThemeCount());
    EXPECT_EQ(0, window_->GetCurrentThemeIndex()) << "building with -1 shows the first theme";
    EXPECT_EQ(CString(L"warm"), window_->GetCurrentTheme().name);
    // One image per name: the second "tinted" item kept the first (red) one.
    EXPECT_EQ(2u, window_->GetImageCount());
    EXPECT_EQ(RGB(255, 0, 30), OffscreenPixel(1, 1));
    EXPECT_EQ(RGB(100, 100, 100), OffscreenPixel(11, 1));
    ASSERT_EQ(1, window_->SetColorTheme(-1));
    EXPECT_EQ(1, window_->GetCurrentThemeIndex());
    EXPECT_EQ(CString(L"$THEME"), window_->GetCurrentTheme().name);
    window_->Relayout();
    EXPECT_EQ(RGB(205, 0, 0), OffscreenPixel(1, 1));
    ASSERT_EQ(1, window_->SetColorTheme(-1));
    EXPECT_EQ(0, window_->GetCurrentThemeIndex()) << "twice with -1 returns to the first";
    window_->Relayout();
    EXPECT_EQ(RGB(255, 0, 30), OffscreenPixel(1, 1)) << "reloaded, not tinted twice";
    EXPECT_EQ(RGB(100, 100, 100), OffscreenPixel(11, 1));
    EXPECT_EQ(1, window_->SetColorTheme(5)) << "5 modulo 2";
    EXPECT_EQ(1, window_->GetCurrentThemeIndex());
    // A skin without themes goes on tinting with the last offsets.
    ASSERT_TRUE(LoadPath(WriteSkin(SkinXml("", "<Image Image=\"red.bmp\" ImageName=\"tinted\"/>",
                                           "<StaticControl StaticControlType=\"bitmap\" Image=\"tinted\" "
                                           "Align=\"none\" Left=\"0\" Top=\"0\" Width=\"4\" Height=\"4\"/>"),
                                   Images(), "plain")));
    EXPECT_EQ(0, window_->SetColorTheme(-1));
    EXPECT_EQ(-1, window_->GetCurrentThemeIndex());
    EXPECT_EQ(RGB(205, 0, 0), OffscreenPixel(1, 1));
}

TEST_F(SkinDocumentTest, CursorsFontsAndImageFonts)
{
    ASSERT_TRUE(Load(SkinXml("BkgndColor=\"000000\"",
                             "<Cursor CursorName=\"file\" FileName=\"arrow.cur\"/>"
                             "<Cursor CursorName=\"hand\" PredefinedCursor=\"IDC_HAND\"/>"
                             "<Font FontName=\"label\" FaceName=\"DefaultGUIFont\" Size=\"10\" Bold=\"1\"/>"
                             "<ImageFont FontName=\"digits\" Image=\"glyphs.bmp\" Characters=\"abc\"/>",
                             "<StaticControl CID=\"ID_A\" CursorName=\"file\" FontName=\"digits\" Text=\"cab\" "
                             "Align=\"none\" Left=\"0\" Top=\"0\" Width=\"12\" Height=\"6\" TextAlign=\"left top\"/>"
                             "<ButtonControl CID=\"ID_B\" CursorName=\"hand\" FontName=\"label\" "
                             "ButtonControlType=\"transparent\" Align=\"none\" Left=\"20\" Top=\"0\" Width=\"30\" "
                             "Height=\"20\"/>"),
                     Images(), kBindings));
    HXConBase* label = window_->FindControl(501);
    ASSERT_NE(nullptr, label->GetControlCursor());
    EXPECT_EQ(LoadCursorW(nullptr, IDC_HAND), window_->FindControl(502)->GetControlCursor());
    ASSERT_NE(nullptr, label->GetFont());
    EXPECT_TRUE(label->GetFont()->IsImageFont());
    EXPECT_FALSE(window_->FindControl(502)->GetFont()->IsImageFont());
    // The image font draws its cells: c, a, b.
    EXPECT_EQ(kBlue, OffscreenPixel(1, 1));
    EXPECT_EQ(kRed, OffscreenPixel(5, 1));
    EXPECT_EQ(kGreen, OffscreenPixel(9, 1));
}

TEST_F(SkinDocumentTest, NestedSkinWindows)
{
    const std::string inner =
        "<SkinWindow CID=\"ID_C\" Align=\"popup\" BkgndColor=\"0000FF\" Width=\"120\" "
        "Height=\"80\">\n<ControlDefine>\n" +
        Box("CID=\"ID_B\"") +
        "<SkinWindow Align=\"popup\" BkgndColor=\"00FF00\"><PreDefine><DefineControlID "
        "ID=\"DEEP\" Value=\"900\"/></PreDefine><ControlDefine>" +
        Box("CID=\"ID_HOST\"") + "</ControlDefine></SkinWindow>\n</ControlDefine>\n</SkinWindow>\n";
    ASSERT_TRUE(Load(SkinXml("BkgndColor=\"FF0000\"", "", Box("CID=\"ID_A\"") + inner), Images(), kBindings));
    HXWindowChild* nested = window_->FindChildWindow(503);
    ASSERT_NE(nullptr, nested);
    EXPECT_TRUE(nested->IsChildWindow());
    EXPECT_EQ(window_.get(), nested->GetParentWindow());
    EXPECT_EQ(window_->GetScriptHost(), nested->GetScriptHost()) << "one script host for the whole skin";
    RECT r;
    GetWindowRect(nested->GetSafeHwnd(), &r);
    EXPECT_EQ(120, r.right - r.left) << "sized by its Width and Height";
    EXPECT_EQ(80, r.bottom - r.top);
    EXPECT_TRUE(GetWindowLongPtrW(nested->GetSafeHwnd(), GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(kBlue, Pixel(nested->GetOffscreen(), 60, 60));
    // FindControl looks one level deep.
    EXPECT_NE(nullptr, window_->FindControl(501));
    EXPECT_NE(nullptr, window_->FindControl(502));
    EXPECT_EQ(nullptr, window_->FindControl(504));
    // Names bound two levels down are known to the top window.
    EXPECT_EQ(900, window_->FindControlInfo(L"DEEP")->id);
    EXPECT_EQ(0, window_->AddCommandControl(L"DEEP", 1));
    // The nested window swallows WM_CLOSE.
    SendMessageW(nested->GetSafeHwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(nested->GetSafeHwnd()));
    EXPECT_TRUE(gui_test::MessagesOf(host_, {WM_CLOSE}).empty());
    // Its controls' notifications travel up to the host.
    const UINT custom = WM_APP + 9;
    nested->FindControl(502)->SendControlNotify(custom, 1, 2);
    EXPECT_EQ(1u, gui_test::MessagesOf(host_, {custom}).size());
}

TEST_F(SkinDocumentTest, ASkinFromTheProgramsResources)
{
    const std::string folder =
        WriteSkin(SkinXml("BkgndImage=\"red.bmp\" BkgndType=\"tile\"", "", Box("CID=\"ID_A\"")), Images(), "resource");
    ASSERT_TRUE(gui_test::RegisterFolderAsResources(folder, "DOCSKIN", dir_.File("doc.rcc")));
    window_ = std::make_unique<HXWindowMain>();
    ASSERT_TRUE(window_->Create(host_, RECT{0, 0, kWidth, kHeight}, WS_CHILD | WS_VISIBLE, 0x80));
    ASSERT_EQ(1, window_->OpenSkin(L"DOCSKIN", 1));
    ASSERT_EQ(1, window_->LoadSkinDocument(L"skin.xml", 0, 1)) << "no list check for resources";
    for (const auto& [name, id] : kBindings) window_->AddCommandControl(name.c_str(), id);
    ASSERT_EQ(1, window_->BuildSkinWindow(-1)) << WideToUtf8(window_->GetLastErrorMessage().str());
    EXPECT_EQ(kRed, OffscreenPixel(300, 200));
    EXPECT_EQ(kGreen, OffscreenPixel(5, 5));
    CString path;
    int resource = 0, packed = 0;
    ASSERT_EQ(1, window_->GetSkinSource(path, resource, packed));
    EXPECT_EQ(CString(L"DOCSKIN"), path);
    EXPECT_EQ(1, resource);
    EXPECT_EQ(0, packed);
}

// ---- Hostile skins --------------------------------------------------------------------

class HostileSkinTest : public SkinDocumentTest {
protected:
    // A good skin is in the window first; the hostile one must fail with its
    // code, leave an empty window, and the good one must load again after it.
    void ExpectHostile(const std::string& path, int code, const std::wstring& detailStart, bool opens = true)
    {
        SCOPED_TRACE(path);
        ASSERT_TRUE(Load(SkinXml("BkgndColor=\"0000FF\"", "", Box("CID=\"ID_A\"")), Images(), kBindings));
        const std::string good = dir_.File("skin");
        const CString skinPath(Utf8ToWide(path));
        const bool opened = window_->OpenSkin(skinPath, 0) != 0;
        EXPECT_EQ(opens, opened);
        if (opened) {
            if (window_->LoadSkinDocument(L"skin.xml", 0, 0)) {
                EXPECT_EQ(0, window_->BuildSkinWindow(-1));
            }
        }
        EXPECT_EQ(code, window_->GetLastErrorCode());
        EXPECT_EQ(0, window_->GetLastErrorText().Find(CString(detailStart.c_str())))
            << WideToUtf8(window_->GetLastErrorText().str());
        // The window still answers and takes the next skin.
        SendMessageW(Skin(), WM_MOUSEMOVE, 0, 0);
        gui_test::Pump();
        ASSERT_TRUE(LoadPath(good));
        EXPECT_NE(nullptr, window_->FindControl(501));
        EXPECT_EQ(kGreen, ScreenPixel(5, 5));
    }
    std::string Zip(const std::string& name, const std::string& xml,
                    std::map<std::string, std::string> files = Images())
    {
        const std::string folder = WriteSkin(xml, files, name);
        const std::string archive = dir_.File(name + ".zip");
        EXPECT_TRUE(ZipFolder(folder, archive));
        return archive;
    }
};

TEST_F(HostileSkinTest, ATruncatedPackageDoesNotOpen)
{
    const std::string archive = Zip("cut", SkinXml("", "", Box()));
    const std::string bytes = ReadBytes(archive);
    WriteBytes(archive, bytes.substr(0, bytes.size() / 2));
    ExpectHostile(archive, SKINERR_BAD_SKIN_PATH, Utf8ToWide(archive), false);
}

TEST_F(HostileSkinTest, AMissingBitmapInAPackage)
{
    ExpectHostile(Zip("nobitmap", SkinXml("BkgndImage=\"gone.bmp\" BkgndType=\"tile\"", "", Box())), SKINERR_IMAGE_OPEN,
                  L"gone.bmp");
}

TEST_F(HostileSkinTest, ClimbingAndAbsoluteNamesInTheDocument)
{
    WriteBytes(dir_.File("outside.bmp"), SolidBmp(2, 2, kRed));
    for (const std::string name : {"../outside.bmp", "/etc/passwd", "..\\outside.bmp"})
        ExpectHostile(
            WriteSkin(SkinXml("BkgndImage=\"" + name + "\" BkgndType=\"tile\"", "", Box()), Images(), "climb"),
            SKINERR_IMAGE_OPEN, Utf8ToWide(name));
}

TEST_F(HostileSkinTest, DeepNesting)
{
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<StaticControl Align=\"client\">";
    for (int i = 0; i < 5000; ++i) deep += "</StaticControl>";
    ExpectHostile(Zip("deep", SkinXml("", "", deep)), SKINERR_XML_READ, L"Line:");
    // Nesting the parser takes is laid out and drawn to its depth.
    std::string nested;
    for (int i = 0; i < 200; ++i) nested += "<StaticControl Align=\"client\" Gaps=\"1,1,0,0\">";
    for (int i = 0; i < 200; ++i) nested += "</StaticControl>";
    ASSERT_TRUE(Load(SkinXml("", "", nested), Images(), kBindings));
    EXPECT_EQ(200u, window_->GetControls().size());
}

TEST_F(HostileSkinTest, HugeAttributes)
{
    const auto start = std::chrono::steady_clock::now();
    const std::string large(1 << 20, 'A');
    ExpectHostile(Zip("hugeimage", SkinXml("BkgndImage=\"" + large + "\" BkgndType=\"tile\"", "", Box())),
                  SKINERR_IMAGE_OPEN, L"AAAA");
    ExpectHostile(Zip("hugecid", SkinXml("", "", Box("CID=\"" + large + "\""))), SKINERR_UNDEFINED_CONTROL_ID,
                  L"ControlName:StaticControl, ControlID:AAAA");
    // A document larger than any skin's is not read at all.
    const std::string huge(HXWindowMain::kMaxDocumentBytes, 'A');
    const std::string archive = Zip("hugetext", SkinXml("", "", Box("Text=\"" + huge + "\"")));
    ExpectHostile(archive, SKINERR_BAD_SKIN_PATH, Utf8ToWide(archive) + L"/skin.xml");
    const std::string folder = WriteSkin(SkinXml("", "", Box("Text=\"" + huge + "\"")), Images(), "hugefolder");
    ExpectHostile(folder, SKINERR_BAD_SKIN_PATH, Utf8ToWide(folder) + L"/skin.xml");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST_F(HostileSkinTest, AHugeClaimedDocument)
{
    const std::string archive = Zip("claim", SkinXml("", "", Box()));
    ASSERT_TRUE(ClaimAGigabytePerEntry(archive));
    ExpectHostile(archive, SKINERR_BAD_SKIN_PATH, Utf8ToWide(archive) + L"/skin.xml");
}

// The document fuzz target's body on seed documents, cut and changed, so
// that every build runs it.
TEST(SkinFuzzReplay, Documents)
{
    const std::vector<std::string> seeds = {
        SkinXml(
            "BkgndImage=\"img.bmp\" BkgndType=\"tile\" ResizeBorder=\"1\" Draggable=\"true\" MinMaxSize=\"1,2,3\"",
            "<ColorTheme Value=\"9,-9,300\" Name=\"t\"/><Image Image=\"cells.bmp\" ImageName=\"c\"/>"
            "<Cursor CursorName=\"a\" FileName=\"arrow.cur\"/><Font FontName=\"f\" FaceName=\"Sans\"/>"
            "<ImageFont FontName=\"i\" Image=\"c\" Characters=\"0123\"/>"
            "<DefineControlID ID=\"ID_Z\" Value=\"900\"/>",
            "<ButtonControl CID=\"ID_A\" CMD=\"ID_CMD\" ButtonControlType=\"bitmap\" Image=\"btn.bmp\" "
            "Align=\"left\" Width=\"autosize\" CursorName=\"a\" Text=\"x\" FontName=\"f\"/>"
            "<StaticControl CID=\"ID_B\" StaticControlType=\"bitmap\" Image=\"c\" ImageType=\"tileanimation\" "
            "AniSplit=\"4\" Align=\"client\" NotifyClick=\"1\" Tooltip=\"t\"><StaticControl Align=\"center\" "
            "Width=\"50%\" Height=\"10\" FontName=\"i\" Text=\"3210\"/></StaticControl>"
            "<WindowControl CID=\"ID_NATIVE\" Align=\"nomove\"/>"
            "<SkinWindow CID=\"ID_C\" Align=\"popup\"><ControlDefine><StaticControl Align=\"client\"/>"
            "</ControlDefine></SkinWindow>",
            "<SetWindowRgn><Rgn Type=\"ellipse\" Param=\"0,0,50,50\"/></SetWindowRgn>"
            "<RegionDefine><Rgn Type=\"roundrect\" Param=\"4,4\" Align=\"client\"/>"
            "<Rgn Type=\"bitmap\" Param=\"img.bmp\" Mode=\"xor\" Align=\"none\" Width=\"autosize\"/></RegionDefine>"),
        SkinXml("BkgndColor=\"zz\"", "<Gadget/>", "<StaticControl/>"),
        SkinXml("", "<DoScript CMD=\"MB('a'); ShowControl('nothing', 1);\"/>",
                "<ButtonControl CID=\"ID_A\" ButtonControlType=\"transparent\" Align=\"client\" "
                "OnEvent=\"int r(int n) { return r(n + 1); } r(0);\" Text=\"$GCT('ID_A')\"/>",
                "<?Script void main() { SCTC('ID_A', 255); RA(''); } ?>"),
        SkinXml("",
                "<Image Image=\"cells.bmp\" ImageName=\"c\"/><Font FontName=\"f\" FaceName=\"Sans\"/>"
                "<DefineControlID ID=\"ID_P1\" Value=\"901\"/><DefineControlID ID=\"ID_P2\" Value=\"902\"/>"
                "<DefineControlID ID=\"ID_P3\" Value=\"903\"/><DefineControlID ID=\"ID_P4\" Value=\"904\"/>"
                "<DefineControlID ID=\"IDM_M\" Value=\"905\"/>",
                "<ListBoxControl CID=\"ID_LIST\" ItemHeight=\"12\" SliderControlID=\"ID_B\" FontName=\"f\" "
                "FrameImage=\"c\" ItemFrame=\"c\" Style=\"multiselect dragenable\" Align=\"left\" Width=\"60\"/>"
                "<SliderControl CID=\"ID_B\" Image=\"c\" ImageKnob=\"c\" KnobType=\"variable\" ScrollBar=\"1\" "
                "Orientation=\"vertical\" Align=\"left\" Width=\"8\"/>"
                "<SplitterControl StaticControlType=\"color\" ControlColor=\"#808080\" Align=\"left\" Width=\"4\" "
                "AssociateControl=\"ID_LIST\"/>"
                "<MarqueeControl Text=\"ticker\" Behavior=\"alternate\" ScrollDelay=\"0\" ScrollAmount=\"-3\" "
                "FontName=\"f\" NotifyClick=\"2\" Align=\"top\" Height=\"14\"/>"
                "<PopupMenuButtonControl CID=\"ID_CMD\" ButtonControlType=\"transparent\" MenuID=\"IDM_M\" "
                "SubMenu=\"0\" MenuPosition=\"up\" Align=\"right\" Width=\"20\"/>"
                "<BrowserControl URL=\"./../outside.html\" OffURL=\"./page.html\" Align=\"bottom\" Height=\"20\"/>"
                "<FlashControl URL=\"./m.swf\" Align=\"bottom\" Height=\"10\"/>"
                "<StaticControl CID=\"ID_P1\" Align=\"nomove\"/><StaticControl CID=\"ID_P2\" Align=\"nomove\"/>"
                "<StaticControl CID=\"ID_P3\" Align=\"nomove\"/><StaticControl CID=\"ID_P4\" Align=\"nomove\"/>"
                "<XSplitterControl ControlLT=\"ID_P1\" ControlRT=\"ID_P2\" ControlLB=\"ID_P3\" ControlRB=\"ID_P4\" "
                "ImageHFrame=\"c\" ImageVFrame=\"c\" ImageCenter=\"c\" PaneMinSize=\"10,10,10,10\" "
                "PaneAlignToLeft=\"0\" PaneWidth=\"-40\" Align=\"client\"/>"),
    };
    uint32_t state = 7;
    auto next = [&state] { return state = state * 1103515245u + 12345u; };
    for (const std::string& seed : seeds) {
        FuzzSkinDocument(reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
        for (size_t cut = 0; cut < seed.size(); cut += 97)
            FuzzSkinDocument(reinterpret_cast<const uint8_t*>(seed.data()), cut);
        for (int i = 0; i < 60; ++i) {
            std::string b = seed;
            for (int k = 0; k < 3; ++k) b[next() % b.size()] = static_cast<char>(next() % 96 + 32);
            FuzzSkinDocument(reinterpret_cast<const uint8_t*>(b.data()), b.size());
        }
    }
    SUCCEED();
}

}  // namespace
