// The default skin of the program folder, rendered by the skin render tool
// as the main window builds it: at the design size and larger ones, in
// Korean and English, from the folder and from the package in a copy of the
// program folder that has no skin folder. Every bound name must be present
// and visible, no text clipped, and the folder and the package must give the
// same pictures. The tool must also find the faults it is there to find.
// The pictures are saved under the build's screenshot folder.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace {

const std::string kTool = std::string(RIVO_TEST_TOOLS_DIR) + "/rivo-skin-render";
const std::string kShots = RIVO_SCREENSHOT_DIR;

std::string BinDir()
{
    const char* bin = std::getenv("RIVO_BIN_DIR");
    return bin ? bin : "";
}

struct Render {
    int code = -1;
    std::string report;
    QImage picture;
};

// Runs the tool with a deadline; the picture is read back when written.
Render RunRender(const std::string& skin, const std::string& png, const std::string& arguments)
{
    Render r;
    RunTool("mkdir -p '" + kShots + "'");
    r.report = RunTool("timeout 120 '" + kTool + "' '" + skin + "' '" + png + "' " + arguments + " 2>&1", &r.code);
    r.picture.load(QString::fromStdString(png));
    return r;
}

// A copy of the program folder's language files and the skin package, and
// no skin folder: the program must then take the package.
std::string PackageOnlyProgram(const TempDir& dir)
{
    const std::string program = dir.File("program");
    int code = 0;
    const std::string out = RunTool("mkdir -p '" + program + "/skins' && cp -r '" + BinDir() + "/lang' '" + program +
                                        "/' && cp '" + BinDir() + "/skins/default.zip' '" + program + "/skins/' 2>&1",
                                    &code);
    EXPECT_EQ(0, code) << out;
    return program;
}

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

struct Case {
    int width, height;
    const char* lang;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.width << "x" << c.height << " " << c.lang; }

class DefaultSkinTest : public ::testing::TestWithParam<Case> {};

TEST_P(DefaultSkinTest, CompleteFromTheFolderAndTheSamePicturesFromThePackage)
{
    ASSERT_FALSE(BinDir().empty());
    const Case c = GetParam();
    const std::string name =
        "default_skin_" + std::string(c.lang) + "_" + std::to_string(c.width) + "x" + std::to_string(c.height);
    const std::string arguments = std::to_string(c.width) + " " + std::to_string(c.height) + " --lang " + c.lang;

    const Render folder = RunRender(BinDir() + "/skins/default", kShots + "/" + name + ".png", arguments);
    EXPECT_EQ(0, folder.code) << folder.report;
    EXPECT_NE(std::string::npos, folder.report.find(", 0 problem(s)")) << folder.report;
    ASSERT_FALSE(folder.picture.isNull()) << folder.report;
    EXPECT_EQ(c.width, folder.picture.width());
    EXPECT_EQ(c.height, folder.picture.height());

    // The palette where the layout puts it: the title strip across the top,
    // the window's colour between the panels, the start button's accent in
    // the bottom-right corner, the white of the job list's panel.
    struct Probe {
        int x, y;
        QRgb color;
        const char* what;
    } probes[] = {
        {c.width / 2, 4, 0x1E2A3A, "title strip"},
        {c.width - 60, 36, 0x1E2A3A, "title strip under the exit button"},
        {c.width / 2, 46, 0xEEF1F5, "window colour above the tool bar"},
        {c.width - 30, c.height - 16, 0x2F6FED, "start button"},
        {c.width / 2, c.height / 2 - 40, 0xFFFFFF, "job list"},
    };
    for (const Probe& p : probes) EXPECT_EQ(p.color, At(folder.picture, p.x, p.y)) << p.what;

    TempDir dir;
    const std::string program = PackageOnlyProgram(dir);
    const Render package = RunRender(program + "/skins/default.zip", kShots + "/" + name + "_zip.png", arguments);
    EXPECT_EQ(0, package.code) << package.report;
    ASSERT_FALSE(package.picture.isNull()) << package.report;
    EXPECT_TRUE(package.picture == folder.picture) << "the package renders another picture than the folder";
}

INSTANTIATE_TEST_SUITE_P(SizesAndLanguages, DefaultSkinTest,
                         ::testing::Values(Case{700, 560, "ko"}, Case{700, 560, "en"}, Case{1280, 800, "ko"},
                                           Case{1280, 800, "en"}, Case{1920, 1080, "ko"}),
                         [](const ::testing::TestParamInfo<Case>& i) {
                             return std::string(i.param.lang) + "_" + std::to_string(i.param.width);
                         });

TEST(DefaultSkinStates, HoverPressedAndDisabledCellsOfTheStartButton)
{
    ASSERT_FALSE(BinDir().empty());
    struct StateCase {
        const char* state;
        QRgb color;
    } cases[] = {{"", 0x2F6FED}, {"hover", 0x4A84F0}, {"pressed", 0x2459C4}, {"disabled", 0xA9C0EE}};
    for (const StateCase& s : cases) {
        const std::string name = std::string("default_skin_start_") + (*s.state ? s.state : "normal");
        const std::string arguments = *s.state ? std::string("--state ID_BTN_START=") + s.state : "";
        const Render r = RunRender(BinDir() + "/skins/default", kShots + "/" + name + ".png", arguments);
        EXPECT_EQ(0, r.code) << r.report;
        ASSERT_FALSE(r.picture.isNull()) << r.report;
        EXPECT_EQ(s.color, At(r.picture, 700 - 30, 560 - 16)) << s.state;
    }
}

// The generated bitmaps as the skin draws them: 24-bit BMP files, button
// strips of four equal cells, magenta (drawn see-through) outside the
// rounded corners of keyed pictures, and where a tool button has no plate
// (normal and disabled), so the tool bar shows through.
TEST(DefaultSkinArt, StripsOfFourCellsAndMagentaWhereTheBackgroundShowsThrough)
{
    ASSERT_FALSE(BinDir().empty());
    const QRgb kKey = 0xFF00FF;
    struct Art {
        const char* file;
        int cells;          // cells of a strip, 1 for a single picture
        bool keyedCorners;  // the corner pixels of each cell are magenta
        unsigned plated;    // cells (bit per cell) whose top edge is drawn
    } art[] = {
        {"button.bmp", 4, true, 0xF},      {"button_accent.bmp", 4, true, 0xF}, {"tool_add.bmp", 4, true, 0x6},
        {"tool_remove.bmp", 4, true, 0x6}, {"tool_up.bmp", 4, true, 0x6},       {"tool_down.bmp", 4, true, 0x6},
        {"title_exit.bmp", 4, false, 0xF}, {"title_option.bmp", 4, false, 0xF}, {"title_minimize.bmp", 4, false, 0xF},
        {"panel.bmp", 1, true, 0x1},       {"field.bmp", 1, true, 0x1},         {"logo.bmp", 1, true, 0x1},
        {"title.bmp", 1, false, 0x1},
    };
    for (const Art& a : art) {
        const std::string path = BinDir() + "/skins/default/" + a.file;
        const std::string bytes = ReadBytes(path);
        ASSERT_GT(bytes.size(), 54u) << a.file;
        EXPECT_EQ("BM", bytes.substr(0, 2)) << a.file;
        EXPECT_EQ(24, static_cast<unsigned char>(bytes[28])) << a.file << ": bits per pixel";
        QImage image;
        ASSERT_TRUE(image.load(QString::fromStdString(path))) << a.file;
        ASSERT_EQ(0, image.width() % a.cells) << a.file;
        const int cell = image.width() / a.cells;
        for (int c = 0; c < a.cells; ++c) {
            const int left = c * cell, bottom = image.height() - 1;
            EXPECT_EQ(a.keyedCorners, At(image, left, 0) == kKey) << a.file << " cell " << c;
            EXPECT_EQ(a.keyedCorners, At(image, left + cell - 1, bottom) == kKey) << a.file << " cell " << c;
            const bool plated = (a.plated >> c) & 1;
            EXPECT_EQ(plated, At(image, left + cell / 2, 1) != kKey) << a.file << " cell " << c << ": top edge";
        }
    }
}

// The tool finds what a broken skin gets wrong (a control missing, hidden,
// of the wrong kind or too small for its text, a "$" text no language file
// answers, no caption or resize border, a command sent by itself): each
// change to a copy of the default skin's document must be reported, with
// exit status 1.
TEST(DefaultSkinFaults, TheToolReportsWhatABrokenSkinGetsWrong)
{
    ASSERT_FALSE(BinDir().empty());
    const std::string xml = ReadBytes(BinDir() + "/skins/default/skin.xml");
    ASSERT_FALSE(xml.empty());
    struct Fault {
        const char* name;
        std::string from, to;
        std::string expected;
    } faults[] = {
        {"missing", "CID=\"ID_BTN_ADD\"", "", "missing: ID_BTN_ADD"},
        {"hidden", "CID=\"ID_BTN_EXIT\"", "CID=\"ID_BTN_EXIT\" Show=\"0\"", "not visible: ID_BTN_EXIT"},
        {"clipped", "Align=\"right\" Width=\"124\"", "Align=\"right\" Width=\"40\"", "text does not fit: \""},
        {"no list", "<WindowControl CID=\"IDC_LIST_FILES\"", "<WindowControl CID=\"IDC_NONE\"",
         "missing: IDC_LIST_FILES"},
        {"no preset menu", "MenuID=\"IDR_MENU_PRESET_POPUP\"", "",
         "not a pop-up button of the preset menu: ID_BTN_PRESET_POPUP"},
        {"untranslated", "Tooltip=\"$TIP_EXIT\"", "Tooltip=\"$TIP_NOWHERE\"",
         "text not in the language file: $TIP_NOWHERE"},
        {"no caption", "NcHitTest=\"HTCAPTION\"", "", "no title strip"},
        {"no border", "ResizeBorder=\"true\"", "", "no resize border"},
        {"command", "</ControlDefine>",
         "</ControlDefine><PostDefine><DoScript CMD=\"SCMD(&quot;ID_BTN_EXIT&quot;);\"/></PostDefine>",
         "command sent while loading: 32782"},
    };
    for (const Fault& f : faults) {
        TempDir dir;
        int code = 0;
        RunTool("mkdir -p '" + dir.File("program/skins") + "' && cp -r '" + BinDir() + "/lang' '" +
                    dir.File("program/") + "' && cp -r '" + BinDir() + "/skins/default' '" +
                    dir.File("program/skins/") + "'",
                &code);
        ASSERT_EQ(0, code);
        std::string broken = xml;
        const size_t at = broken.find(f.from);
        ASSERT_NE(std::string::npos, at) << f.name;
        broken.replace(at, f.from.size(), f.to);
        WriteBytes(dir.File("program/skins/default/skin.xml"), broken);
        const Render r = RunRender(dir.File("program/skins/default"), dir.File("out.png"), "");
        EXPECT_EQ(1, r.code) << f.name << "\n" << r.report;
        EXPECT_NE(std::string::npos, r.report.find(f.expected)) << f.name << "\n" << r.report;
    }
}

TEST(DefaultSkinFaults, BadArgumentsAndUnreadableSkinsEndWithStatusTwo)
{
    ASSERT_FALSE(BinDir().empty());
    TempDir dir;
    RunTool("mkdir -p '" + dir.File("program/skins/bad") + "' && cp -r '" + BinDir() + "/lang' '" +
            dir.File("program/") + "'");
    WriteBytes(dir.File("program/skins/bad/skin.xml"), "<HXSkin><SkinWindow>");
    const struct {
        std::string skin, arguments, expected;
    } cases[] = {
        {BinDir() + "/skins/default", "--lang fr", "usage:"},
        {BinDir() + "/skins/default", "700", "usage:"},
        {BinDir() + "/skins/default", "0 560", "usage:"},
        {BinDir() + "/skins/default", "--state ID_BTN_START=hover --state ID_BTN_ADD=pressed", "usage:"},
        {BinDir() + "/skins/default", "--state ID_NOT_THERE=hover", "names no control"},
        {dir.File("program/skins/none"), "", "does not build"},
        {dir.File("program/skins/bad"), "", "does not build"},
    };
    for (const auto& c : cases) {
        const Render r = RunRender(c.skin, dir.File("out.png"), c.arguments);
        EXPECT_EQ(2, r.code) << c.arguments << "\n" << r.report;
        EXPECT_NE(std::string::npos, r.report.find(c.expected)) << c.arguments << "\n" << r.report;
    }
}

}  // namespace
