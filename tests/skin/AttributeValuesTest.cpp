// Skin error texts and the attribute value parsers: a table of texts and
// the values they give for every parser, font elements, and window regions
// with their error codes and details.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>

#include "platform/win32/CodePage.h"
#include "skin/AttributeValues.h"
#include "skin/HXConBase.h"
#include "skin/HXSubFont.h"
#include "skin/SkinErrors.h"
#include "skin/WindowRegion.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

using skin_test::Element;

TEST(SkinErrors, TextsByCode)
{
    struct Case {
        int code;
        const wchar_t* text;
    } cases[] = {
        {0, L"오류 없음"},
        {1, L"Align 속성이 없음"},
        {2, L"Align 속성값이 잘못됨"},
        {12, L"알수 없는 타입"},
        {13, L"잘못된 XML 스킨 경로"},
        {22, L"중복된 컨트롤 아이디"},
        {37, L"스크립트 처리중 오류 발생"},
        {44, L"CombineRgn() 함수 호출 실패"},
        {46, L"스플리 터콘트롤에 연결된 콘트롤을 찾을 수 없음"},
        {48, L"MenuID 가 존재하지 않음."},
        {50, L"스킨 목록 파일(list.xml) 이 없음"},
        {51, L"Code:51"},
        {-1, L"Code:-1"},
        {1000000, L"Code:1000000"},
    };
    for (const Case& c : cases) EXPECT_STREQ(GetSkinErrorText(c.code), c.text) << c.code;
    std::set<std::wstring> distinct;
    for (int code = 0; code < kSkinErrorCount; ++code) distinct.insert(GetSkinErrorText(code));
    EXPECT_EQ(distinct.size(), 51u);
}

TEST(SkinErrors, ObjectsKeepTheLastCodeAndDetail)
{
    skin_test::FakeSkinOwner owner;
    HXConBase control(&owner);
    EXPECT_EQ(control.GetLastErrorCode(), 0);
    EXPECT_EQ(CString(GetSkinErrorText(control.GetLastErrorCode())) + L" " + control.GetLastErrorText(),
              CString(L"오류 없음 "));
    SetLastSkinError(control, SKINERR_DUPLICATE_CONTROL_ID, L"%s,%d", L"ID_BTN_START", 32790);
    EXPECT_EQ(CString(GetSkinErrorText(control.GetLastErrorCode())) + L" " + control.GetLastErrorText(),
              CString(L"중복된 컨트롤 아이디 ID_BTN_START,32790"));
    // The next error replaces both; no format leaves an empty detail.
    SetLastSkinError(control, SKINERR_BAD_ROOT, nullptr);
    EXPECT_EQ(control.GetLastErrorCode(), 16);
    EXPECT_TRUE(control.GetLastErrorText().IsEmpty());
    SetLastSkinError(control, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s=\"%s\"", L"CMD", L"IDC_NOPE");
    EXPECT_EQ(control.GetLastErrorText(), CString(L"CMD=\"IDC_NOPE\""));
}

TEST(AttributeValues, Rectangles)
{
    struct Case {
        const wchar_t* text;
        RECT want;
    } cases[] = {
        {L"1,2,3,4", {1, 2, 3, 4}},
        {L"10,20", {10, 20, 0, 0}},
        {L"", {0, 0, 0, 0}},
        {L"a,2,3,4", {0, 0, 0, 0}},
        {L"-5,-6,7,8", {-5, -6, 7, 8}},
        {L" 5, 6 ,7,8", {5, 6, 0, 0}},
        {L"1,2,3,4,5", {1, 2, 3, 4}},
        {L"99999999999,1,2,3", {2147483647, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        RECT r{9, 9, 9, 9};
        EXPECT_EQ(ParseRectAttribute(c.text, &r), 1);
        EXPECT_EQ(r, c.want) << WideToUtf8(c.text);
    }
}

TEST(AttributeValues, Points)
{
    struct Case {
        const wchar_t* text;
        int a, b;
    } cases[] = {{L"10,20", 10, 20}, {L"15", 15, -1}, {L"", -1, -1}, {L"x,3", -1, -1}, {L"0,0", 0, 0}, {L"7,y", 7, -1}};
    for (const Case& c : cases) {
        int a = -1, b = -1;
        EXPECT_EQ(ParsePointAttribute(c.text, &a, &b), 1);
        EXPECT_EQ(a, c.a) << WideToUtf8(c.text);
        EXPECT_EQ(b, c.b) << WideToUtf8(c.text);
    }
}

TEST(AttributeValues, Colours)
{
    const COLORREF none = static_cast<COLORREF>(-1);
    struct Case {
        const wchar_t* text;
        COLORREF color;
        COLORREF background;  // as a window's background colour
    } cases[] = {
        {L"#FF8000", RGB(255, 128, 0), RGB(255, 128, 0)},
        {L"#ff8000", RGB(255, 128, 0), RGB(255, 128, 0)},
        {L"#FF", RGB(255, 0, 0), RGB(255, 0, 0)},
        {L"#F", RGB(15, 0, 0), RGB(15, 0, 0)},
        {L"#", 0, 0},
        {L"#GG0000", 0, 0},
        {L"#ff 80 00", RGB(255, 128, 0), RGB(255, 128, 0)},
        {L"red", RGB(255, 0, 0), RGB(255, 0, 0)},
        {L"Red", RGB(255, 0, 0), RGB(255, 0, 0)},
        {L"RED", RGB(255, 0, 0), RGB(255, 0, 0)},
        {L"white", RGB(255, 255, 255), RGB(255, 255, 255)},
        {L"comflowerblue", RGB(0x64, 0x95, 0xED), RGB(0x64, 0x95, 0xED)},
        {L"cornflowerblue", 0, 0},
        {L"paleturqoise", RGB(0xAF, 0xEE, 0xEE), RGB(0xAF, 0xEE, 0xEE)},
        {L"aqua", RGB(0x00, 0xFF, 0x80), RGB(0x00, 0xFF, 0x80)},
        {L"fuchsia", RGB(0xFF, 0x00, 0xEE), RGB(0xFF, 0x00, 0xEE)},
        {L"lightblue", RGB(0xAD, 0xD8, 0xED), RGB(0xAD, 0xD8, 0xED)},
        {L"brown", RGB(0xA5, 0x2A, 0x2A), RGB(0xA5, 0x2A, 0x2A)},
        {L"transparent", none, none},
        {L"Transparent", none, none},
        {L"no such colour", 0, 0},
        {L"", 0, 0},
        // Six hex digits without "#": a background colour, but no text colour.
        {L"FF0000", 0, RGB(255, 0, 0)},
        {L"00ff7f", 0, RGB(0, 255, 127)},
        {L"facade", 0, RGB(0xFA, 0xCA, 0xDE)},
        {L"FF000", 0, 0},
        {L"FF00000", 0, 0},
        {L"GG0000", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseColorAttribute(c.text), c.color) << WideToUtf8(c.text);
        EXPECT_EQ(ParseBackgroundColorAttribute(c.text), c.background) << WideToUtf8(c.text);
    }
}

TEST(AttributeValues, HitTestNames)
{
    struct Case {
        const wchar_t* text;
        int code;
    } cases[] = {
        {L"HTTRANSPARENT", -1}, {L"HTNOWHERE", 0},   {L"HTCLIENT", 1},  {L"HTCAPTION", 2},     {L"HTSYSMENU", 3},
        {L"HTGROWBOX", 4},      {L"HTSIZE", 4},      {L"HTMENU", 5},    {L"HTHSCROLL", 6},     {L"HTVSCROLL", 7},
        {L"HTMINBUTTON", 8},    {L"HTMAXBUTTON", 9}, {L"HTLEFT", 10},   {L"HTRIGHT", 11},      {L"HTTOP", 12},
        {L"HTTOPLEFT", 13},     {L"HTTOPRIGHT", 14}, {L"HTBOTTOM", 15}, {L"HTBOTTOMLEFT", 16}, {L"HTBOTTOMRIGHT", 17},
        {L"HTBORDER", 18},      {L"HTOBJECT", 19},   {L"HTCLOSE", 20},  {L"HTHELP", 21},       {L"htcaption", -2},
        {L"HTCAPTION ", -2},    {L"", -2},           {L"2", -2},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseNcHitTest(c.text), c.code) << WideToUtf8(c.text);
}

TEST(AttributeValues, TextFormats)
{
    struct Case {
        const wchar_t* text;
        UINT flags;
    } cases[] = {
        {L"hcenter|vcenter|singleline", 0x25},
        {L"center", 0},
        {L"", 0},
        {L"HCENTER", 0},
        {L"top left", 0},
        {L"right,bottom,wordbreak", 0x1A},
        {L"expandtabs tabstop noclip externalleading", 0x3C0},
        {L"noprefix/internal/pathellipsis/endellipsis", 0xD800},
        {L"xxsinglelinexx", 0x20},
        {L"vcentervcenter", 0x4},
    };
    for (const Case& c : cases) {
        UINT flags = 0xFFFF;
        EXPECT_EQ(ParseTextFormat(c.text, &flags), 1);
        EXPECT_EQ(flags, c.flags) << WideToUtf8(c.text);
    }
}

TEST(AttributeValues, CursorNames)
{
    struct Case {
        const wchar_t* text;
        int id;
    } cases[] = {
        {L"IDC_APPSTARTING", 32650},
        {L"IDC_ARROW", 32512},
        {L"IDC_CROSS", 32515},
        {L"IDC_HAND", 32649},
        {L"IDC_HELP", 32651},
        {L"IDC_IBEAM", 32513},
        {L"IDC_ICON", 32641},
        {L"IDC_NO", 32648},
        {L"IDC_SIZE", 32640},
        {L"IDC_SIZEALL", 32646},
        {L"IDC_SIZENESW", 32643},
        {L"IDC_SIZENS", 32645},
        {L"IDC_SIZENWSE", 32642},
        {L"IDC_SIZEWE", 32644},
        {L"IDC_UPARROW", 32516},
        {L"IDC_WAIT", 32514},
        {L"idc_arrow", 0},
        {L"IDC_POINTER", 0},
        {L"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseCursorAttribute(c.text), c.id) << WideToUtf8(c.text);
}

TEST(AttributeValues, FontElements)
{
    EXPECT_EQ(FontHeightFromPoints(9), -12);
    EXPECT_EQ(FontHeightFromPoints(10), -13);
    EXPECT_EQ(FontHeightFromPoints(12), -16);
    EXPECT_EQ(FontHeightFromPoints(0), 0);
    EXPECT_EQ(FontHeightFromPoints(2147483647), -1000000);
    EXPECT_EQ(GetDefaultFontFace(), CString(L"NanumGothic"));

    skin_test::FakeSkinOwner owner;
    owner.texts[L"$FACE"] = L"DejaVu Sans";
    struct Case {
        const char* xml;
        const wchar_t* overrideFace;
        int result;
        const wchar_t* face;
        const wchar_t* name;
        int height;
        int weight;
    } cases[] = {
        {"<Font FontName=\"title\" FaceName=\"DejaVu Sans\" Size=\"10\" Bold=\"1\"/>", nullptr, 1, L"DejaVu Sans",
         L"title", -13, 700},
        {"<Font FontName=\"plain\" FaceName=\"DejaVu Sans\"/>", nullptr, 1, L"DejaVu Sans", L"plain", -12, 400},
        {"<Font FontName=\"r\" FaceName=\"$FACE\" Size=\"12\"/>", nullptr, 1, L"DejaVu Sans", L"r", -16, 400},
        {"<Font FontName=\"d\" FaceName=\"DefaultGUIFont\"/>", nullptr, 1, L"NanumGothic", L"d", -12, 400},
        {"<Font FontName=\"o\" FaceName=\"DefaultGUIFont\"/>", L"NanumGothic", 1, L"NanumGothic", L"o", -12, 400},
        {"<Font FontName=\"o2\" FaceName=\"Arial\"/>", L"DejaVu Sans", 1, L"DejaVu Sans", L"o2", -12, 400},
        {"<Fonts FontName=\"x\" FaceName=\"Arial\"/>", nullptr, 0, nullptr, nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        Element e(c.xml);
        HXSubFont* font = nullptr;
        CString name;
        EXPECT_EQ(ParseFontAttribute(&owner, e.get(), &font, &name, c.overrideFace), c.result) << c.xml;
        std::unique_ptr<HXSubFont> owned(font);
        if (!c.result) {
            EXPECT_EQ(font, nullptr);
            continue;
        }
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(name, CString(c.name));
        EXPECT_EQ(font->GetFace(), CString(c.face)) << c.xml;
        LOGFONTW lf;
        ASSERT_TRUE(GetObjectW(font->GetFont(), sizeof lf, &lf));
        EXPECT_EQ(lf.lfHeight, c.height) << c.xml;
        EXPECT_EQ(lf.lfWeight, c.weight) << c.xml;
        EXPECT_EQ(lf.lfQuality, ANTIALIASED_QUALITY);
        EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
        EXPECT_STREQ(lf.lfFaceName, c.face);
    }
}

// Which pixels of a 40 x 30 field a region holds, as '#' and '.'.
std::string Shape(HRGN region, int w = 40, int h = 30)
{
    std::string s;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s += PtInRegion(region, x, y) ? '#' : '.';
    return s;
}

TEST(WindowRegions, ChildrenCombineInOrder)
{
    skin_test::FakeSkinOwner owner;
    // A 6 x 2 mask: key colour everywhere but (1..3, 0) and (5, 1).
    auto mask = std::make_unique<HDib>();
    ASSERT_TRUE(mask->CreateFilled(6, 2, 24, HDib::kKeyColor));
    for (int x : {1, 2, 3}) skin_test::SetPixel24(*mask, x, 0, RGB(1, 2, 3));
    skin_test::SetPixel24(*mask, 5, 1, RGB(0, 0, 0));
    owner.images[L"mask.bmp"] = std::move(mask);

    auto make = [](std::initializer_list<HRGN> parts, std::initializer_list<int> modes) {
        HRGN r = CreateRectRgn(0, 0, 0, 0);
        auto m = modes.begin();
        for (HRGN p : parts) {
            CombineRgn(r, r, p, *m++);
            DeleteObject(p);
        }
        return r;
    };
    struct Case {
        const char* xml;
        std::function<HRGN()> want;
    } cases[] = {
        {"<SetWindowRgn><Rgn Type=\"rect\" Param=\"0,0,40,30\"/><Rgn Type=\"ellipse\" Param=\"10,5,30,25\" "
         "Mode=\"diff\"/></SetWindowRgn>",
         [&] {
             return make({CreateRectRgn(0, 0, 40, 30), CreateEllipticRgn(10, 5, 30, 25)}, {RGN_OR, RGN_DIFF});
         }},
        {"<SetWindowRgn><Rgn Type=\"roundrect\" Param=\"0,0,20,20,8,8\"/></SetWindowRgn>",
         [&] { return make({CreateRoundRectRgn(0, 0, 20, 20, 8, 8)}, {RGN_OR}); }},
        {"<SetWindowRgn><Rgn Type=\"rect\" Param=\"0,0,20,20\"/><Rgn Type=\"rect\" Param=\"10,10,30,30\" "
         "Mode=\"and\"/></SetWindowRgn>",
         [&] { return CreateRectRgn(10, 10, 20, 20); }},
        {"<SetWindowRgn><Rgn Type=\"rect\" Param=\"0,0,20,20\"/><Rgn Type=\"rect\" Param=\"10,10,30,30\" "
         "Mode=\"xor\"/></SetWindowRgn>",
         [&] {
             return make({CreateRectRgn(0, 0, 20, 20), CreateRectRgn(10, 10, 30, 30)}, {RGN_OR, RGN_XOR});
         }},
        {"<SetWindowRgn><Rgn Type=\"rect\" Param=\"0,0,20,20\"/><Rgn Type=\"rect\" Param=\"10,10,30,30\" "
         "Mode=\"copy\"/></SetWindowRgn>",
         [&] { return CreateRectRgn(0, 0, 20, 20); }},
        {"<SetWindowRgn><Rgn Type=\"rect\" Param=\"0,0,20,20\"/><Rgn Type=\"rect\" Param=\"10,10,30,30\" "
         "Mode=\"OR\"/></SetWindowRgn>",
         [&] {
             return make({CreateRectRgn(0, 0, 20, 20), CreateRectRgn(10, 10, 30, 30)}, {RGN_OR, RGN_OR});
         }},
        {"<SetWindowRgn><Rgn Type=\"bitmap\" Param=\"mask.bmp\"/></SetWindowRgn>",
         [&] {
             return make({CreateRectRgn(1, 0, 4, 1), CreateRectRgn(5, 1, 6, 2)}, {RGN_OR, RGN_OR});
         }},
        {"<SetWindowRgn></SetWindowRgn>", [&] { return CreateRectRgn(0, 0, 0, 0); }},
        {"<SetWindowRgn>\n  <Rgn Type=\"rect\" Param=\"1,1,2,2\"/>\n</SetWindowRgn>",
         [&] { return CreateRectRgn(1, 1, 2, 2); }},
    };
    for (const Case& c : cases) {
        Element e(c.xml);
        HRGN region = nullptr;
        int code = -1;
        CString detail = L"x";
        EXPECT_EQ(ParseWindowRegion(e.get(), &region, &code, &detail, &owner), 1) << c.xml;
        EXPECT_EQ(code, 0);
        EXPECT_TRUE(detail.IsEmpty());
        HRGN want = c.want();
        EXPECT_EQ(Shape(region), Shape(want)) << c.xml;
        DeleteObject(want);
        DeleteObject(region);
    }
}

TEST(WindowRegions, ErrorsCarryTheirCodeAndDetail)
{
    skin_test::FakeSkinOwner owner;
    owner.images[L"allkey.bmp"] = std::make_unique<HDib>();  // an empty image: no region can be made
    struct Case {
        const char* xml;
        int code;
        const wchar_t* detail;
        bool partial;  // the first child's rectangle is in the region left behind
    } cases[] = {
        {"<SetWindowRgn><Rgn Type=\"rect\" Param=\"0,0,5,5\"/><Rect Type=\"rect\" Param=\"1\"/></SetWindowRgn>", 42,
         L"Rect", true},
        {"<SetWindowRgn><Rgn Param=\"0,0,5,5\"/></SetWindowRgn>", 43, L"Rgn,Type", false},
        {"<SetWindowRgn><Rgn Type=\"rect\" Param=\"0,0,5,5\"/><Rgn Type=\"rect\"/></SetWindowRgn>", 4, L"Type,Param",
         true},
        {"<SetWindowRgn><Rgn Type=\"rect\" Param=\"\"/></SetWindowRgn>", 4, L"Type,Param", false},
        {"<SetWindowRgn><Rgn Type=\"star\" Param=\"1,2,3,4\"/></SetWindowRgn>", 12, L"star", false},
        {"<SetWindowRgn><Rgn Type=\"Rect\" Param=\"1,2,3,4\"/></SetWindowRgn>", 12, L"Rect", false},
        {"<SetWindowRgn><Rgn Type=\"bitmap\" Param=\"none.bmp\"/></SetWindowRgn>", 5, L"none.bmp", false},
        {"<SetWindowRgn><Rgn Type=\"bitmap\" Param=\"allkey.bmp\"/></SetWindowRgn>", 45, L"", false},
    };
    for (const Case& c : cases) {
        Element e(c.xml);
        HRGN region = nullptr;
        int code = 0;
        CString detail;
        EXPECT_EQ(ParseWindowRegion(e.get(), &region, &code, &detail, &owner), 0) << c.xml;
        EXPECT_EQ(code, c.code) << c.xml;
        EXPECT_EQ(detail, CString(c.detail)) << c.xml;
        ASSERT_NE(region, nullptr);
        EXPECT_EQ(PtInRegion(region, 2, 2) != 0, c.partial) << c.xml;
        DeleteObject(region);
    }
    Element other("<WindowRgn><Rgn Type=\"rect\" Param=\"0,0,5,5\"/></WindowRgn>");
    HRGN region = nullptr;
    int code = 0;
    EXPECT_EQ(ParseWindowRegion(other.get(), &region, &code, nullptr, &owner), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(region, nullptr);
}

TEST(WindowRegions, BitmapRegionsFollowThePixels)
{
    // A 70 x 40 checkerboard has 35 runs a row, 1,400 in all: more than one batch.
    HDib board;
    ASSERT_TRUE(board.Create(70, 40, 24));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 70; ++x) skin_test::SetPixel24(board, x, y, (x + y) % 2 ? HDib::kKeyColor : RGB(9, 9, 9));
    HRGN region = RegionFromBitmap(&board, HDib::kKeyColor);
    ASSERT_NE(region, nullptr);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 70; ++x) ASSERT_EQ(PtInRegion(region, x, y) != 0, (x + y) % 2 == 0) << x << "," << y;
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(box, (RECT{0, 0, 70, 40}));
    DeleteObject(region);
    // Palette images are looked at through their colours; an image of only
    // the key colour gives an empty region; an empty image none.
    const RGBQUAD pal[2] = {{255, 0, 255, 0}, {0, 0, 0, 0}};
    HDib mono;
    ASSERT_TRUE(mono.Create(9, 1, 1, 2, pal));
    skin_test::SetIndex(mono, 8, 0, 1);
    region = RegionFromBitmap(&mono, HDib::kKeyColor);
    ASSERT_NE(region, nullptr);
    EXPECT_FALSE(PtInRegion(region, 7, 0));
    EXPECT_TRUE(PtInRegion(region, 8, 0));
    DeleteObject(region);
    HDib keyOnly;
    ASSERT_TRUE(keyOnly.CreateFilled(5, 5, 24, HDib::kKeyColor));
    region = RegionFromBitmap(&keyOnly, HDib::kKeyColor);
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(GetRgnBox(region, &box), NULLREGION);
    DeleteObject(region);
    HDib empty;
    EXPECT_EQ(RegionFromBitmap(&empty, HDib::kKeyColor), nullptr);
}

}  // namespace
