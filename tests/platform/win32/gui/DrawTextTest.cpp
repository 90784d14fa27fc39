// DrawText flag rules, rendered with a pinned font (NanumGothicCoding, 12
// pixels, no antialiasing) into a bottom-up 24-bit bitmap. Each case checks
// where the ink lies and compares the whole picture with a stored image
// (golden/drawtext_*.txt, '#' for ink); RIVO_UPDATE_GOLDEN=1 rewrites them.
#include <QFile>
#include <QTextStream>
#include <cstdlib>

#include "GuiTestSupport.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/DrawText.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/GdiText.h"

using namespace gui_test;

namespace {

constexpr int kW = 120, kH = 60;
const RECT kBox{10, 10, 110, 50};  // where the text is asked to go

struct Ink {
    int left = kW, top = kH, right = -1, bottom = -1;  // inclusive; right < 0: no ink
    bool any() const { return right >= 0; }
};

struct Rendered {
    QImage image;
    int result = 0;
    RECT rect;
    Ink ink;
    int lineHeight = 0;
    int charWidth = 0;
};

Rendered Render(const wchar_t* text, UINT format, RECT box = kBox)
{
    Rendered out;
    BITMAPINFO info{};
    info.bmiHeader.biWidth = kW;
    info.bmiHeader.biHeight = kH;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                             FIXED_PITCH, L"NanumGothicCoding");
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT all{0, 0, kW, kH};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    out.lineHeight = tm.tmHeight;
    SIZE one;
    GetTextExtentPoint32W(dc, L"x", 1, &one);
    out.charWidth = one.cx;
    out.rect = box;
    out.result = DrawTextW(dc, text, -1, &out.rect, format);
    out.image = QImage(kW, kH, QImage::Format_RGB32);
    const auto* p = static_cast<const uint8_t*>(bits);
    int stride = ((kW * 24 + 31) / 8) & ~3;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const uint8_t* px = p + (kH - 1 - y) * stride + x * 3;
            out.image.setPixel(x, y, qRgb(px[2], px[1], px[0]));
            if (px[0] < 128) {
                out.ink.left = std::min(out.ink.left, x);
                out.ink.right = std::max(out.ink.right, x);
                out.ink.top = std::min(out.ink.top, y);
                out.ink.bottom = std::max(out.ink.bottom, y);
            }
        }
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBmp);
    DeleteObject(font);
    DeleteDC(dc);
    DeleteObject(bmp);
    return out;
}

std::string AsText(const QImage& img)
{
    std::string s;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) s += qBlue(img.pixel(x, y)) < 128 ? '#' : '.';
        s += '\n';
    }
    return s;
}

void CompareWithGolden(const Rendered& r, const std::string& name)
{
    std::string actual = AsText(r.image);
    SaveScreenshot(r.image, "drawtext_" + name);
    std::string path = std::string(RIVO_GOLDEN_DIR) + "/drawtext_" + name + ".txt";
    if (std::getenv("RIVO_UPDATE_GOLDEN")) {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(actual.c_str(), static_cast<qint64>(actual.size()));
        return;
    }
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "no stored image " << path;
    std::string stored = f.readAll().toStdString();
    EXPECT_EQ(actual, stored) << "picture differs from " << path;
}

struct Case {
    const char* name;
    const wchar_t* text;
    UINT format;
    // Where the ink must lie, against the box and the line height.
    std::function<void(const Rendered&)> check;
};

class DrawTextFlags : public GuiTest, public testing::WithParamInterface<Case> {};

TEST_P(DrawTextFlags, InkAndPicture)
{
    const Case& c = GetParam();
    Rendered r = Render(c.text, c.format);
    c.check(r);
    CompareWithGolden(r, c.name);
}

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = {
        {"left_top", L"Left", DT_LEFT | DT_TOP,
         [](const Rendered& r) {
             EXPECT_LE(r.ink.left, kBox.left + 1);
             EXPECT_LT(r.ink.bottom, kBox.top + r.lineHeight);
             EXPECT_EQ(r.result, r.lineHeight);
         }},
        {"right", L"Right", DT_RIGHT,
         [](const Rendered& r) {
             EXPECT_GE(r.ink.right, kBox.right - 2);
             EXPECT_LT(r.ink.right, kBox.right);
         }},
        {"center", L"Mid", DT_CENTER,
         [](const Rendered& r) {
             int middle = (r.ink.left + r.ink.right) / 2;
             EXPECT_NEAR(middle, (kBox.left + kBox.right) / 2, 2);
         }},
        {"vcenter_single", L"Mid", DT_SINGLELINE | DT_VCENTER | DT_CENTER,
         [](const Rendered& r) {
             int top = (kBox.top + kBox.bottom - r.lineHeight) / 2;
             EXPECT_GE(r.ink.top, top);
             EXPECT_LT(r.ink.bottom, top + r.lineHeight);
             EXPECT_EQ(r.result, top - kBox.top + r.lineHeight);
         }},
        {"vcenter_needs_singleline", L"Top", DT_VCENTER,
         [](const Rendered& r) {
             EXPECT_LT(r.ink.bottom, kBox.top + r.lineHeight);  // no centring without DT_SINGLELINE
             EXPECT_EQ(r.result, r.lineHeight);
         }},
        {"bottom_single", L"Low", DT_SINGLELINE | DT_BOTTOM,
         [](const Rendered& r) {
             EXPECT_GE(r.ink.top, kBox.bottom - r.lineHeight);
             EXPECT_LT(r.ink.bottom, kBox.bottom);
             EXPECT_EQ(r.result, kBox.bottom - kBox.top);
         }},
        {"prefix", L"&File", DT_LEFT,
         [](const Rendered& r) {
             // Four letters, and an underline below the first only.
             EXPECT_LE(r.ink.right, kBox.left + 4 * r.charWidth);
             EXPECT_GE(r.ink.bottom, kBox.top + r.lineHeight - 4);
         }},
        {"noprefix", L"&File", DT_LEFT | DT_NOPREFIX,
         [](const Rendered& r) { EXPECT_GT(r.ink.right, kBox.left + 4 * r.charWidth); }},
        {"double_ampersand", L"A&&B", DT_LEFT,
         [](const Rendered& r) {
             EXPECT_GT(r.ink.right, kBox.left + 2 * r.charWidth);
             EXPECT_LE(r.ink.right, kBox.left + 3 * r.charWidth);
         }},
        {"end_ellipsis", L"A very long line that cannot fit at all", DT_SINGLELINE | DT_END_ELLIPSIS,
         [](const Rendered& r) { EXPECT_LT(r.ink.right, kBox.right); }},
        {"path_ellipsis", L"C:\\folder\\deeper\\file.txt", DT_SINGLELINE | DT_PATH_ELLIPSIS,
         [](const Rendered& r) { EXPECT_LT(r.ink.right, kBox.right); }},
        {"clipped", L"WWWWWWWWWWWWWWWWWWWWWWWWW", DT_SINGLELINE,
         [](const Rendered& r) { EXPECT_EQ(r.ink.right, kBox.right - 1); }},
        {"noclip", L"A very long line that cannot fit at all", DT_SINGLELINE | DT_NOCLIP,
         [](const Rendered& r) { EXPECT_GT(r.ink.right, kBox.right); }},
        {"wordbreak", L"one two three four", DT_WORDBREAK,
         [](const Rendered& r) {
             EXPECT_LT(r.ink.right, kBox.right);
             EXPECT_GE(r.ink.bottom, kBox.top + r.lineHeight);
             EXPECT_EQ(r.result, 2 * r.lineHeight);
         }},
        {"lines", L"one\ntwo\r\nsix", DT_LEFT, [](const Rendered& r) { EXPECT_EQ(r.result, 3 * r.lineHeight); }},
        {"singleline_joins", L"one\ntwo", DT_SINGLELINE,
         [](const Rendered& r) {
             EXPECT_EQ(r.result, r.lineHeight);
             EXPECT_GT(r.ink.right, kBox.left + 5 * r.charWidth);
         }},
        {"expandtabs", L"a\tb", DT_EXPANDTABS,
         [](const Rendered& r) { EXPECT_GE(r.ink.right, kBox.left + 8 * r.charWidth); }},
        {"tabstop4", L"a\tb", DT_EXPANDTABS | DT_TABSTOP | 0x0400,
         [](const Rendered& r) {
             // Bits 8-15 are the tab size here, not DT_CALCRECT: the text is drawn.
             EXPECT_TRUE(r.ink.any());
             EXPECT_GE(r.ink.right, kBox.left + 4 * r.charWidth);
             EXPECT_LT(r.ink.right, kBox.left + 6 * r.charWidth);
         }},
        {"tab_without_expand", L"a\tb", DT_LEFT,
         [](const Rendered& r) { EXPECT_LT(r.ink.right, kBox.left + 2 * r.charWidth); }},
        {"korean", L"확인 취소", DT_SINGLELINE | DT_CENTER | DT_VCENTER,
         [](const Rendered& r) { EXPECT_TRUE(r.ink.any()); }},
    };
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, DrawTextFlags, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

class DrawTextTest : public GuiTest {};

TEST_F(DrawTextTest, CalcRectMeasuresWithoutDrawing)
{
    Rendered one = Render(L"Hello", DT_CALCRECT | DT_SINGLELINE);
    EXPECT_FALSE(one.ink.any());
    EXPECT_EQ(one.rect.left, kBox.left);
    EXPECT_EQ(one.rect.right - one.rect.left, 5 * one.charWidth);
    EXPECT_EQ(one.rect.bottom - one.rect.top, one.lineHeight);
    Rendered two = Render(L"ab\nabcd", DT_CALCRECT);
    EXPECT_EQ(two.rect.right - two.rect.left, 4 * two.charWidth);
    EXPECT_EQ(two.rect.bottom - two.rect.top, 2 * two.lineHeight);
    Rendered wrapped = Render(L"aaaa bbbb cccc", DT_CALCRECT | DT_WORDBREAK, RECT{0, 0, 50, 10});
    EXPECT_LE(wrapped.rect.right, 50);
    EXPECT_EQ(wrapped.result, wrapped.rect.bottom);
    EXPECT_GE(wrapped.result, 2 * wrapped.lineHeight);
}

TEST_F(DrawTextTest, AWordWiderThanTheBoxIsBrokenBetweenCharacters)
{
    Rendered r = Render(L"abcdefghijklmnop", DT_WORDBREAK, RECT{10, 10, 10 + 40, 50});
    EXPECT_GE(r.result, 2 * r.lineHeight);
    EXPECT_LT(r.ink.right, 50);
}

TEST_F(DrawTextTest, ALongTextIsWrappedInOnePass)
{
    std::wstring text;
    for (int i = 0; i < 20000; ++i) text += L"word ";
    Rendered r = Render(text.c_str(), DT_WORDBREAK | DT_CALCRECT, RECT{0, 0, 100, 10});
    EXPECT_GT(r.result, 1000 * r.lineHeight);
}

TEST_F(DrawTextTest, NullAndEmptyTexts)
{
    Rendered empty = Render(L"", DT_LEFT);
    EXPECT_FALSE(empty.ink.any());
    EXPECT_EQ(empty.result, empty.lineHeight);
    EXPECT_EQ(DrawTextW(nullptr, L"x", -1, nullptr, 0), 0);
}

}  // namespace
