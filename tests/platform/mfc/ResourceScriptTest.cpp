// The resource sources: parsing, the faults the compiler reports, and the
// files it wrote for the sample resources (ids header, controlid.data,
// tables registered at start).
#include <gtest/gtest.h>

#include <QImage>
#include <fstream>
#include <map>
#include <sstream>

#include "MfcSampleIds.h"
#include "platform/mfc/DialogResource.h"
#include "platform/mfc/ImageResource.h"
#include "platform/mfc/ResourceScript.h"
#include "platform/mfc/StandardControls.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/StaticControl.h"
#include "platform/win32/gui/Window.h"

using namespace resource_script;

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The map a reader of "#define NAME VALUE" lines builds.
std::map<std::string, long> ParseDefines(const std::string& text)
{
    std::map<std::string, long> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string keyword, name, value;
        if (!(words >> keyword >> name >> value) || keyword != "#define") continue;
        out[name] = std::stol(value);
    }
    return out;
}

TEST(ResourceScript, ParsesADialogWithItsControlsInTabOrder)
{
    const std::string text =
        "# comment line\n"
        "dialog IDD_ONE 120   # trailing comment\n"
        "  caption \"One \\\"quoted\\\" \\\\ \xED\x95\x9C\"\n"
        "  rect 5 6 200 100\n"
        "  font 9 \"MS Shell Dlg\"\n"
        "  style popup caption center\n"
        "  exstyle appwindow\n"
        "  class \"RivoEnc1.x\"\n"
        "  control IDC_LIST 1002 listview \"\" 1 2 30 40 report showselalways border tabstop ex:clientedge\n"
        "  control - -1 static \"Label\" 0 0 10 8 hidden\n"
        "  control IDC_CUSTOM 9 \"MyClass\" \"x\" 0 0 1 1 0x30 ex:0x4\n"
        "end\n";
    Script script;
    std::string error;
    ASSERT_TRUE(Parse(text, "one.dlg", &script, &error)) << error;
    ASSERT_EQ(1u, script.dialogs.size());
    const Dialog& d = script.dialogs[0];
    EXPECT_EQ("IDD_ONE", d.name);
    EXPECT_EQ(120, d.id);
    EXPECT_EQ(L"One \"quoted\" \\ \uD55C", d.caption);
    EXPECT_EQ(5, d.x);
    EXPECT_EQ(100, d.cy);
    EXPECT_EQ(9, d.pointSize);
    EXPECT_EQ(L"MS Shell Dlg", d.face);
    EXPECT_EQ(WS_POPUP | WS_CAPTION | 0x800u | 0x40u, d.style);  // center, and the font bit
    EXPECT_EQ(WS_EX_APPWINDOW, d.exStyle);
    EXPECT_EQ(L"RivoEnc1.x", d.className);
    ASSERT_EQ(3u, d.controls.size());
    EXPECT_EQ(L"SysListView32", d.controls[0].className);
    EXPECT_EQ(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | 0x1u | 0x8u, d.controls[0].style);
    EXPECT_EQ(WS_EX_CLIENTEDGE, d.controls[0].exStyle);
    EXPECT_EQ("", d.controls[1].name);
    EXPECT_EQ(WS_CHILD, d.controls[1].style);
    EXPECT_EQ(L"MyClass", d.controls[2].className);
    EXPECT_EQ(WS_CHILD | WS_VISIBLE | 0x30u, d.controls[2].style);
    EXPECT_EQ(0x4u, d.controls[2].exStyle);
}

TEST(ResourceScript, FaultsNameTheFileAndLine)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"frame X 1\n", "f.dlg:1: unknown statement"},
        {"dialog D 1\n  caption \"x\"\n", "has no \"end\""},
        {"dialog D 1\ncontrol A 2 edit \"\" 0 0 1 1 sparkly\nend\n", "f.dlg:2: unknown style \"sparkly\""},
        {"dialog D 1\ncontrol A 2 gizmo \"\" 0 0 1 1\nend\n", "unknown control class"},
        {"dialog D 1\ncaption \"open\nend\n", "f.dlg:2: text without its closing quote"},
        {"dialog D 70000\nend\n", "the dialog id 70000 is outside 1..65535"},
        {"dialog D 1\nrect 0 0 40000 10\nend\n", "the width 40000 is outside"},
        {"dialog D 1\ncaption \"a\\qb\"\nend\n", "unknown escape"},
        {"dialog 9D 1\nend\n", "is not a name"},
        {"dialog D 1 extra\nend\n", "unexpected words"},
        {"dialog D 1\ncaption \"\xC3\x28\"\nend\n", "not UTF-8"},
        {"dialog D 1\ncontrol A 2 edit \"\" 0 0 1\nend\n", "missing the height"},
        {"menu M 5\n popup \"p\"\n  item \"x\" ID_X 1 bold\n end\nend\n", "unknown menu item flag"},
        {"bitmap B 0 \"b.xpm\"\n", "outside 1..65535"},
        {"define X\n", "missing the value"},
    };
    for (const Case& c : cases) {
        Script script;
        std::string error;
        EXPECT_FALSE(Parse(c.text, "f.dlg", &script, &error)) << c.text;
        EXPECT_NE(std::string::npos, error.find(c.message)) << c.text << " gave: " << error;
        EXPECT_TRUE(script.dialogs.empty() && script.menus.empty());
    }
}

TEST(ResourceScript, ChecksTheWholeSet)
{
    struct Case {
        const char* first;
        const char* second;
        const char* message;
    };
    const Case cases[] = {
        {"dialog A 5\nend\n", "dialog B 5\nend\n", "dialog id 5 is also A's"},
        {"dialog A 5\ncontrol X 7 edit \"\" 0 0 1 1\ncontrol Y 7 edit \"\" 0 0 1 1\nend\n", "",
         "control id 7 is used twice"},
        {"dialog A 5\ncontrol X 7 edit \"\" 0 0 1 1\nend\n", "define X 8\n", "the name X stands for both 7 and 8"},
        {"menu M 3\nend\n", "menu N 3\nend\n", "menu id 3 is used twice"},
    };
    for (const Case& c : cases) {
        Script script;
        std::string error;
        ASSERT_TRUE(Parse(c.first, "a.dlg", &script, &error)) << error;
        ASSERT_TRUE(Parse(c.second, "b.dlg", &script, &error)) << error;
        EXPECT_FALSE(Check(script, &error));
        EXPECT_NE(std::string::npos, error.find(c.message)) << error;
    }
    // One name with one value in several dialogs is fine.
    Script fine;
    std::string error;
    ASSERT_TRUE(
        Parse("dialog A 1\ncontrol IDOK 1 button \"\" 0 0 1 1\ncontrol - -1 static \"\" 0 0 1 1\n"
              "control - -1 static \"\" 0 0 1 1\nend\n"
              "dialog B 2\ncontrol IDOK 1 button \"\" 0 0 1 1\nend\n",
              "c.dlg", &fine, &error));
    EXPECT_TRUE(Check(fine, &error)) << error;
}

TEST(ResourceScript, ControlIdDataIsTheIdsHeaderWithTheSystemNames)
{
    std::map<std::string, long> data = ParseDefines(ReadText(RIVO_MFC_CONTROLID));
    std::map<std::string, long> header = ParseDefines(ReadText(RIVO_MFC_IDS_HEADER));
    ASSERT_FALSE(header.empty());
    for (const auto& [name, value] : header) {
        ASSERT_TRUE(data.count(name)) << name;
        EXPECT_EQ(value, data[name]) << name;
    }
    for (const auto& [name, value] : data) {
        if (!header.count(name)) {
            EXPECT_TRUE(name == "IDOK" || name == "IDCANCEL") << name;
        }
    }
    EXPECT_EQ(200, data["IDD_SAMPLE"]);
    EXPECT_EQ(1001, data["IDC_NAME"]);
    EXPECT_EQ(1, data["IDOK"]);
    EXPECT_EQ(32772, data["ID_FILE_EXIT"]);
    EXPECT_EQ(301, data["IDB_MARK"]);
    EXPECT_EQ(32790, data["ID_SAMPLE_COMMAND"]);
    EXPECT_EQ(0u, data.count("-"));
    // The constants compiled into the tests agree with the files.
    EXPECT_EQ(IDD_SAMPLE, header["IDD_SAMPLE"]);
    EXPECT_EQ(IDC_NOTES, header["IDC_NOTES"]);
}

TEST(ResourceScript, RegisteredTablesHoldTheSources)
{
    const DialogResource* d = FindDialogResource(IDD_SAMPLE);
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(d, FindDialogResourceByName(L"IDD_SAMPLE"));
    EXPECT_STREQ(L"Sample settings", d->caption);
    EXPECT_EQ(9, d->pointSize);
    ASSERT_EQ(13u, d->controlCount);
    EXPECT_STREQ(L"Edit", d->controls[1].className);
    EXPECT_EQ(IDC_NAME, d->controls[1].id);
    EXPECT_STREQ(L"First line\r\nSecond line", d->controls[9].text);

    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(IDR_SAMPLE_MENU));
    ASSERT_NE(nullptr, menu);
    HMENU file = GetSubMenu(menu, 0);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(3, GetMenuItemCount(file));
    EXPECT_EQ(static_cast<UINT>(ID_FILE_EXIT), GetMenuItemID(file, 2));
    EXPECT_TRUE(GetMenuState(file, ID_FILE_EXIT, MF_BYCOMMAND) & MF_CHECKED);
    DestroyMenu(menu);

    HBITMAP mark = LoadBitmapW(nullptr, MAKEINTRESOURCEW(IDB_MARK));
    ASSERT_NE(nullptr, mark);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, mark);
    EXPECT_EQ(RGB(255, 0, 255), GetPixel(dc, 0, 0));
    EXPECT_EQ(RGB(0, 0, 128), GetPixel(dc, 1, 0));
    EXPECT_EQ(RGB(0, 0, 128), GetPixel(dc, 3, 1));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(mark);
    EXPECT_EQ(nullptr, LoadBitmapW(nullptr, MAKEINTRESOURCEW(999)));
}

TEST(ResourceScript, GeneratedSourceKeepsEveryCharacter)
{
    Script script;
    std::string error;
    ASSERT_TRUE(Parse("dialog D 1\ncaption \"a?\\t\xED\x95\x9C\xF0\x9F\x99\x82\"\nend\n", "d.dlg", &script, &error));
    std::string source = TablesSource(script, "X.h", "RegisterX", {});
    EXPECT_NE(std::string::npos, source.find("L\"a\\?\\011\\uD55C\\U0001F642\"")) << source;
    for (char c : source) EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80);
}

}  // namespace
