// A small skin with each control kind, rendered headless from a folder, from
// the same files packed by the zip tool and from the program's resources, in
// its normal, hover, pressed and animated states: the three renders of each
// state must be the same picture, the pictures must hold the expected
// colours at known points, and what the window shows must be what its
// off-screen bitmap holds. The pictures are saved under the build's
// screenshot folder.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/win32/CodePage.h"
#include "platform/win32/gui/Regions.h"
#include "skin/controls/HXConButton.h"
#include "skin/controls/HXConStatic.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/SkinWindowFixture.h"

namespace {

using namespace skin_test;

constexpr COLORREF kLight = RGB(220, 220, 225), kDark = RGB(200, 200, 210);
constexpr COLORREF kPanel = RGB(0x33, 0x55, 0x77);
constexpr COLORREF kNormal = RGB(70, 130, 180), kHover = RGB(100, 170, 230), kPressed = RGB(30, 80, 130),
                   kDisabled = RGB(160, 160, 160);
constexpr COLORREF kKey = RGB(255, 0, 255);

// A 24 by 16 button cell of one colour with a dark one-pixel border and
// magenta corners (drawn transparent).
COLORREF ButtonPixel(COLORREF fill, int x, int y)
{
    const int cx = x % 24;
    if ((cx == 0 || cx == 23) && (y == 0 || y == 15)) return kKey;
    if (cx == 0 || cx == 23 || y == 0 || y == 15) return RGB(20, 30, 40);
    return fill;
}

std::map<std::string, std::string> RenderFiles()
{
    const COLORREF cells[4] = {kNormal, kHover, kPressed, kDisabled};
    return {
        {"bg.bmp", Bmp24(8, 8, [](int x, int y) { return ((x / 4 + y / 4) % 2) ? kDark : kLight; })},
        {"title.bmp", Bmp24(90, 20, [](int x, int) { return RGB(40 + x / 3, 60, 90); })},
        {"frame.bmp", Bmp24(30, 30,
                            [](int x, int y) {
                                if (x < 10 && y < 10) return RGB(200, 60, 60);
                                if (x >= 20 && y >= 20) return RGB(60, 200, 60);
                                if (x >= 10 && x < 20 && y >= 10 && y < 20) return RGB(250, 240, 200);
                                return RGB(120, 90, 60);
                            })},
        {"buttons.bmp", Bmp24(96, 16, [&](int x, int y) { return ButtonPixel(cells[x / 24], x, y); })},
        {"anim.bmp", CellStripBmp(12, 12, {RGB(255, 0, 0), RGB(255, 160, 0), RGB(255, 255, 0), RGB(0, 200, 0)})},
        {"digits.bmp", Bmp24(40, 8,
                             [](int x, int y) {
                                 return ((x % 4) == 1 || y == 3) ? RGB(0, 0, 0) : kKey;  // ten crude glyphs
                             })},
        {"LIST.xml", "<list/>"},
    };
}

std::string RenderSkinXml()
{
    return SkinXml(
        "Width=\"320\" Height=\"200\" BkgndImage=\"bg.bmp\" BkgndType=\"tile\" ResizeBorder=\"true\"",
        "<Image Image=\"buttons.bmp\" ImageName=\"btn\"/>\n"
        "<Font FontName=\"label\" FaceName=\"DefaultGUIFont\" Size=\"9\" Bold=\"1\"/>\n"
        "<ImageFont FontName=\"digits\" Image=\"digits.bmp\" Characters=\"0123456789\"/>\n"
        "<Cursor CursorName=\"hand\" PredefinedCursor=\"IDC_HAND\"/>\n",
        "<StaticControl CID=\"ID_TITLE\" StaticControlType=\"bitmap\" Image=\"title.bmp\" ImageType=\"hframe\" "
        "Align=\"top\" Height=\"20\" NcHitTest=\"HTCAPTION\" Text=\"$TITLE\" FontName=\"label\" FontColor=\"white\" "
        "InnerGaps=\"6,0,0,0\"/>\n"
        "<StaticControl StaticControlType=\"color\" ControlColor=\"#335577\" Align=\"left\" Width=\"60\"/>\n"
        "<StaticControl StaticControlType=\"bitmap\" Image=\"frame.bmp\" ImageType=\"fillframe\" Align=\"none\" "
        "Rect=\"70,30,170,110\"/>\n"
        "<StaticControl CID=\"ID_ANIM\" StaticControlType=\"bitmap\" Image=\"anim.bmp\" ImageType=\"animation\" "
        "AniSplit=\"4\" Align=\"none\" Left=\"180\" Top=\"30\" Width=\"autosize\" Height=\"autosize\"/>\n"
        "<StaticControl StaticControlType=\"transparent\" FontName=\"digits\" Text=\"2048\" Align=\"none\" "
        "Left=\"200\" Top=\"30\" Width=\"40\" Height=\"8\" TextAlign=\"left top\"/>\n"
        "<ButtonControl CID=\"ID_ONE\" ButtonControlType=\"bitmap\" Image=\"btn\" Split=\"4\" Align=\"none\" "
        "Left=\"70\" Top=\"130\" Width=\"autosize\" Height=\"autosize\" CursorName=\"hand\" Tooltip=\"$TIP\"/>\n"
        "<ButtonControl CID=\"ID_TWO\" ButtonControlType=\"bitmap\" Image=\"btn\" Split=\"4\" Align=\"none\" "
        "Left=\"100\" Top=\"130\" Width=\"autosize\" Height=\"autosize\"/>\n"
        "<ButtonControl CID=\"ID_OFF\" ButtonControlType=\"bitmap\" Image=\"btn\" Split=\"4\" Enable=\"0\" "
        "Align=\"none\" Left=\"130\" Top=\"130\" Width=\"autosize\" Height=\"autosize\"/>\n"
        "<ButtonControl CID=\"ID_WIDE\" ButtonControlType=\"fillframe\" Image=\"btn\" Split=\"4\" Text=\"OK\" "
        "FontName=\"label\" FontColor=\"white\" Align=\"none\" Left=\"160\" Top=\"130\" Width=\"80\" Height=\"30\"/>\n"
        "<StaticControl CID=\"ID_CLICK\" NotifyClick=\"1\" StaticControlType=\"color\" ControlColor=\"#FFCC00\" "
        "Align=\"rightbottom\" Width=\"30\" Height=\"20\" Gaps=\"0,0,8,8\"/>\n"
        "<WindowControl CID=\"IDC_NATIVE\" Align=\"none\" Left=\"190\" Top=\"40\" Width=\"50\" Height=\"50\"/>\n",
        "<RegionDefine>\n<Rgn Type=\"rect\" Align=\"client\"/>\n"
        "<Rgn Type=\"rect\" Mode=\"diff\" Align=\"lefttop\" Width=\"4\" Height=\"4\"/>\n</RegionDefine>\n");
}

const std::map<std::wstring, int> kBindings = {{L"ID_TITLE", 601}, {L"ID_ANIM", 602}, {L"ID_ONE", 603},
                                               {L"ID_TWO", 604},   {L"ID_OFF", 605},  {L"ID_WIDE", 606},
                                               {L"ID_CLICK", 607}};

QImage Picture(const HDib& dib, int width, int height)
{
    QImage out(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = Pixel(dib, x, y);
            out.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    return out;
}

class SkinRenderTest : public SkinWindowTest {
protected:
    static constexpr int kW = 320, kH = 200;

    // Builds the skin from the path in a new window of the skin's size.
    void BuildFrom(const std::string& path, int resource)
    {
        window_ = std::make_unique<HXWindowMain>();
        native_ = gui_test::MakeChild(host_, 700, 0, 0, 1, 1);
        ASSERT_TRUE(window_->Create(host_, RECT{0, 0, kW, kH}, WS_CHILD | WS_VISIBLE, 0x80));
        const std::string ini = dir_.File("lang.ini");
        WriteBytes(ini, "\xFF\xFE" + WideToUtf16LeBytes(L"[SKIN]\r\n$TITLE=스킨 제목\r\n$TIP=눌러 보세요\r\n"));
        window_->SetLanguageFile(CString(Utf8ToWide(ini)), L"SKIN", 0);
        ASSERT_TRUE(window_->AddWindowControl(L"IDC_NATIVE", 700, native_));
        ASSERT_EQ(1, window_->OpenSkin(CString(Utf8ToWide(path)), resource));
        ASSERT_EQ(1, window_->LoadSkinDocument(L"skin.xml", 0, 1)) << WideToUtf8(window_->GetLastErrorMessage().str());
        for (const auto& [name, id] : kBindings) window_->AddCommandControl(name.c_str(), id);
        ASSERT_EQ(1, window_->BuildSkinWindow(-1)) << WideToUtf8(window_->GetLastErrorMessage().str());
        gui_test::Pump();
    }

    // The states rendered, in order: normal, hover on button two, pressed
    // button two, and the animation one tick later with the mouse away.
    std::vector<QImage> RenderStates(const std::string& source)
    {
        std::vector<QImage> pictures;
        auto take = [&](const std::string& state) {
            pictures.push_back(Picture(window_->GetOffscreen(), kW, kH));
            gui_test::SaveScreenshot(pictures.back(), "skin_render_" + source + "_" + state);
            // The window shows what its bitmap holds.
            for (POINT p : {POINT{5, 5}, POINT{135, 55}, POINT{170, 158}, POINT{245, 55}, POINT{300, 185}})
                EXPECT_EQ(OffscreenPixel(p.x, p.y), ScreenPixel(p.x, p.y)) << source << " " << state;
        };
        take("normal");
        MoveTo(170, 158);
        take("hover");
        Press(170, 158);
        take("pressed");
        Release(170, 158);
        MoveTo(300, 100);
        clock_.Advance(1000);
        gui_test::Pump();
        take("animated");
        return pictures;
    }

    HWND native_ = nullptr;
};

TEST_F(SkinRenderTest, FolderPackageAndResourcesRenderTheSamePictures)
{
    const std::string folder = WriteSkin(RenderSkinXml(), RenderFiles(), "render");
    const std::string archive = dir_.File("render.zip");
    ASSERT_TRUE(ZipFolder(folder, archive));
    ASSERT_TRUE(gui_test::RegisterFolderAsResources(folder, "RENDERSKIN", dir_.File("render.rcc")));

    BuildFrom(folder, 0);
    const std::vector<QImage> fromFolder = RenderStates("folder");
    ASSERT_EQ(4u, fromFolder.size());

    // Known colours at known points of each state.
    struct Probe {
        size_t state;
        POINT p;
        COLORREF color;
        const char* what;
    } probes[] = {
        {0, {300, 60}, kLight, "background tile, light square"},
        {0, {304, 60}, kDark, "background tile, dark square"},
        {0, {30, 100}, kPanel, "left panel"},
        {0, {135, 55}, RGB(200, 60, 60), "frame's top-left corner"},
        {0, {225, 125}, RGB(60, 200, 60), "frame's bottom-right corner"},
        {0, {180, 90}, RGB(250, 240, 200), "frame's filled centre"},
        {0, {245, 55}, RGB(255, 0, 0), "animation, first cell"},
        {3, {245, 55}, RGB(255, 160, 0), "animation, second cell after a tick"},
        {0, {140, 158}, kNormal, "button one"},
        {0, {130, 150}, kDark, "button corner is transparent"},
        {0, {170, 158}, kNormal, "button two"},
        {1, {170, 158}, kHover, "button two hovered"},
        {2, {170, 158}, kPressed, "button two pressed"},
        {3, {170, 158}, kNormal, "button two after the mouse left"},
        {0, {200, 158}, kDisabled, "disabled button"},
        {2, {200, 158}, kDisabled, "disabled button while another is pressed"},
        {0, {300, 185}, RGB(255, 204, 0), "right-bottom static with its gaps"},
        {0, {315, 195}, kLight, "the right-bottom static's gaps"},
        {0, {261, 50}, RGB(0, 0, 0), "image-font glyph"},
        {0, {260, 50}, kDark, "image-font key colour"},
    };
    for (const Probe& p : probes) {
        const QRgb c = fromFolder[p.state].pixel(p.p.x, p.p.y);
        EXPECT_EQ(p.color, RGB(qRed(c), qGreen(c), qBlue(c))) << p.what;
    }
    // The title's text is the language file's, drawn over the title strip.
    EXPECT_EQ(CString(L"스킨 제목"), window_->FindStatic(601)->GetText(0));
    EXPECT_EQ(CString(L"눌러 보세요"), window_->FindControl(603)->GetTooltip());
    int ink = 0;
    for (int x = 6; x < 100; ++x)
        for (int y = 2; y < 18; ++y) ink += fromFolder[0].pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(ink, 20);
    // Fixed places are taken inside what the title and the panel leave.
    // The native window sits where the layout put it; the region control
    // cut the top-left corner out of the host's shape.
    RECT r;
    GetWindowRect(native_, &r);
    EXPECT_EQ((RECT{kHostX + 250, kHostY + 60, kHostX + 300, kHostY + 110}), r);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(host_, shape));
    EXPECT_FALSE(PtInRegion(shape, 1, 1));
    EXPECT_TRUE(PtInRegion(shape, 10, 10));
    EXPECT_FALSE(PtInRegion(shape, kW + 5, 10));
    DeleteObject(shape);

    struct Source {
        std::string name;
        std::string path;
        int resource;
    } sources[] = {{"zip", archive, 0}, {"resource", "RENDERSKIN", 1}};
    for (const Source& s : sources) {
        window_.reset();
        DestroyWindow(native_);
        BuildFrom(s.path, s.resource);
        const std::vector<QImage> pictures = RenderStates(s.name);
        ASSERT_EQ(fromFolder.size(), pictures.size());
        for (size_t i = 0; i < pictures.size(); ++i)
            EXPECT_TRUE(pictures[i] == fromFolder[i]) << s.name << " state " << i;
    }
}

TEST_F(SkinRenderTest, ResizingLaysOutAndRepaintsTheWholeWindow)
{
    BuildFrom(WriteSkin(RenderSkinXml(), RenderFiles(), "render"), 0);
    MoveWindow(Skin(), 0, 0, 480, 260, TRUE);
    gui_test::Pump();
    EXPECT_GE(window_->GetOffscreen().GetWidth(), 480);
    const QImage big = Picture(window_->GetOffscreen(), 480, 260);
    gui_test::SaveScreenshot(big, "skin_render_resized");
    auto at = [&](int x, int y) {
        const QRgb c = big.pixel(x, y);
        return RGB(qRed(c), qGreen(c), qBlue(c));
    };
    EXPECT_EQ(RGB(255, 204, 0), at(460, 240)) << "the right-bottom static followed the corner";
    EXPECT_EQ(kPanel, at(30, 250)) << "the left panel grew downwards";
    // The bitmap only grows.
    MoveWindow(Skin(), 0, 0, 200, 150, TRUE);
    gui_test::Pump();
    EXPECT_GE(window_->GetOffscreen().GetWidth(), 200);
    EXPECT_EQ(RGB(255, 204, 0), OffscreenPixel(180, 135));
}

}  // namespace
