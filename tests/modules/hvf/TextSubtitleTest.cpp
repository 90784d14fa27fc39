// Text subtitles drawn by the subtitle renderer: the script made from the
// style record and the position values, the size used when the record has
// none, and what is drawn: where, in which colours, and how a change of
// size, colour or outline changes it.
#include <gtest/gtest.h>

#include <functional>

#include "modules/hvf/TextSubtitleRenderer.h"

namespace {

SubtitleSettings Defaults()
{
    SubtitleSettings s;
    InitSubtitleStyle(&s.style);
    return s;
}

bool Has(const std::string& script, const std::string& part) { return script.find(part) != std::string::npos; }

TEST(TextSubtitleTest, TheScriptCarriesTheStyleAndThePlace)
{
    SubtitleSettings s = Defaults();
    s.style.fontSize = 32;
    s.style.bodyColor = 0x0000FF;  // red, as 0x00BBGGRR
    s.style.outlineColor = 0x00FF00;
    s.style.shadowColor = 0x123456;
    s.style.bodyAlpha = 0x10;
    s.style.outlineAlpha = 0x20;
    s.style.shadowAlpha = 0xA0;
    s.style.weight = 400;
    s.style.italic = 1;
    s.style.outlineWidth = 2.5;
    s.style.shadowDepth = 1.0;
    s.charSpace = 10;
    std::string script = TextSubtitleRenderer::Script(L"@@<hi@@>", s, 640, 360);
    EXPECT_TRUE(Has(script, "PlayResX: 640\nPlayResY: 360")) << script;
    EXPECT_TRUE(Has(script,
                    "Style: Default,arial,32,&H100000FF,&H100000FF,&H2000FF00,&HA0123456,0,-1,0,0,100,100,"
                    "3.20,0,1,2.50,1.00,5,12,12,7,1"))
        << script;
    // Laid out around the centre (Draw moves it to its place); soft edges.
    EXPECT_TRUE(Has(script, "{\\an5\\pos(320,180)\\be1}{\\b1}hi{\\b0}")) << script;
}

TEST(TextSubtitleTest, ACharacterSizeOfNoneIsTakenFromThePictureWidth)
{
    // Forty characters on a line: two widths of the picture per forty.
    SubtitleStyleRecord style{};
    InitSubtitleStyle(&style);
    style.fontSize = 0;
    EXPECT_EQ(TextSubtitleRenderer::FontSize(style, 640, 360), 32);
    EXPECT_EQ(TextSubtitleRenderer::FontSize(style, 1280, 720), 64);
    style.fontSize = -5;
    EXPECT_EQ(TextSubtitleRenderer::FontSize(style, 640, 360), 32);
    style.fontSize = 5000;
    EXPECT_EQ(TextSubtitleRenderer::FontSize(style, 640, 360), 360);
    style.fontSize = 26;
    EXPECT_EQ(TextSubtitleRenderer::FontSize(style, 640, 360), 26);
}

// An RGB picture of one colour to draw on.
struct Canvas {
    std::vector<uint32_t> pixels;
    PictureCanvas canvas;
    Canvas(int w, int h, uint32_t fill = 0xFF404040u) : pixels(static_cast<size_t>(w) * h, fill)
    {
        canvas.rgb = true;
        canvas.width = w;
        canvas.height = h;
        canvas.planes[0] = reinterpret_cast<uint8_t*>(pixels.data());
        canvas.lineSizes[0] = w * 4;
    }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * canvas.width + x] & 0xFFFFFFu; }
    // Pixels that are not the background, and those near a colour.
    int Changed(uint32_t background = 0x404040) const
    {
        int n = 0;
        for (uint32_t p : pixels) n += (p & 0xFFFFFF) != background;
        return n;
    }
    int Near(uint32_t rgb, int tolerance = 24) const
    {
        int n = 0;
        for (uint32_t p : pixels) {
            int d = 0;
            for (int s = 0; s < 24; s += 8)
                d = std::max(d, std::abs(static_cast<int>((p >> s) & 0xFF) - static_cast<int>((rgb >> s) & 0xFF)));
            n += d <= tolerance;
        }
        return n;
    }
};

TEST(TextSubtitleTest, TheTextIsDrawnAroundItsPlaceAndInsideTheMargins)
{
    struct PlaceCase {
        const char* name;
        int posX, posY, marginX, marginY;
        std::function<void(const TextBlockBounds&)> check;
    };
    const PlaceCase cases[] = {
        {"bottom centre", 50, 90, 2, 2,
         [](const TextBlockBounds& b) {
             // The line's box is centred there; the letters' own box lies
             // within a third of the size of it.
             EXPECT_NEAR((b.left + b.right) / 2, 320, 9);
             EXPECT_NEAR((b.top + b.bottom) / 2, 324, 9);
         }},
        {"top left keeps the margins", 0, 0, 5, 10,
         [](const TextBlockBounds& b) {
             EXPECT_EQ(b.left, 32);
             EXPECT_EQ(b.top, 36);
         }},
        {"bottom right keeps the margins", 100, 100, 5, 10,
         [](const TextBlockBounds& b) {
             EXPECT_EQ(b.right, 640 - 32);
             EXPECT_EQ(b.bottom, 360 - 36);
         }},
        {"a long text wraps by the room between the margins, not by its place", 10, 50, 10, 2,
         [](const TextBlockBounds& b) {
             // Against the left margin, and as wide as the same text in
             // the middle (two even lines within the 512 pixels of room).
             EXPECT_EQ(b.left, 64);
             EXPECT_NEAR(b.right - b.left, 298, 40);
             EXPECT_GT(b.bottom - b.top, 50);
         }},
    };
    TextSubtitleRenderer renderer;
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        SubtitleSettings s = Defaults();
        s.posX = c.posX;
        s.posY = c.posY;
        s.marginX = c.marginX;
        s.marginY = c.marginY;
        Canvas canvas(640, 360);
        std::wstring text =
            c.posX == 10 ? L"A long line of subtitle text that fills most of the picture" : L"Subtitle line";
        TextBlockBounds b = renderer.Draw(canvas.canvas, text, s);
        ASSERT_FALSE(b.Empty());
        c.check(b);
        // Nothing is drawn outside the bounds.
        for (int y = 0; y < 360; ++y)
            for (int x = 0; x < 640; ++x) {
                if (x < b.left || x >= b.right || y < b.top || y >= b.bottom) {
                    ASSERT_EQ(canvas.At(x, y), 0x404040u) << x << "," << y;
                }
            }
    }
}

TEST(TextSubtitleTest, StyleChangesChangeWhatIsDrawn)
{
    TextSubtitleRenderer renderer;
    SubtitleSettings base = Defaults();
    base.style.blur = 0;
    base.style.shadowDepth = 0;
    Canvas plain(640, 360);
    TextBlockBounds plainBounds = renderer.Draw(plain.canvas, L"Style test", base);
    ASSERT_FALSE(plainBounds.Empty());
    int plainWhite = plain.Near(0xFFFFFF), plainBlack = plain.Near(0x000000);
    EXPECT_GT(plainWhite, 100);
    EXPECT_GT(plainBlack, 50);

    SubtitleSettings bigger = base;
    bigger.style.fontSize = 52;
    Canvas big(640, 360);
    TextBlockBounds bigBounds = renderer.Draw(big.canvas, L"Style test", bigger);
    EXPECT_GT(bigBounds.right - bigBounds.left, 3 * (plainBounds.right - plainBounds.left) / 2);
    EXPECT_GT(big.Near(0xFFFFFF), 3 * plainWhite);

    SubtitleSettings red = base;
    red.style.bodyColor = 0x0000FF;
    Canvas redCanvas(640, 360);
    renderer.Draw(redCanvas.canvas, L"Style test", red);
    EXPECT_EQ(redCanvas.Near(0xFFFFFF), 0);
    EXPECT_NEAR(redCanvas.Near(0xFF0000), plainWhite, plainWhite / 10);

    SubtitleSettings thick = base;
    thick.style.outlineWidth = 4;
    Canvas thickCanvas(640, 360);
    renderer.Draw(thickCanvas.canvas, L"Style test", thick);
    EXPECT_GT(thickCanvas.Near(0x000000), 2 * plainBlack);

    SubtitleSettings clear = base;
    clear.style.bodyAlpha = 255;
    clear.style.outlineAlpha = 255;
    Canvas clearCanvas(640, 360);
    renderer.Draw(clearCanvas.canvas, L"Style test", clear);
    EXPECT_EQ(clearCanvas.Changed(), 0);

    SubtitleSettings shadow = base;
    shadow.style.shadowDepth = 4;
    shadow.style.shadowColor = 0x00FF00;
    shadow.style.shadowAlpha = 0;
    Canvas shadowCanvas(640, 360);
    renderer.Draw(shadowCanvas.canvas, L"Style test", shadow);
    EXPECT_GT(shadowCanvas.Near(0x00FF00), 50);
}

TEST(TextSubtitleTest, LinesAndSpacing)
{
    TextSubtitleRenderer renderer;
    SubtitleSettings s = Defaults();
    Canvas one(640, 360), two(640, 360), spaced(640, 360), wide(640, 360);
    TextBlockBounds b1 = renderer.Draw(one.canvas, L"line", s);
    TextBlockBounds b2 = renderer.Draw(two.canvas, L"line\nline", s);
    // A second line adds at least half the character size.
    EXPECT_GT(b2.bottom - b2.top, b1.bottom - b1.top + 13);
    s.lineSpace = 30;
    TextBlockBounds b3 = renderer.Draw(spaced.canvas, L"line\nline", s);
    EXPECT_GT(b3.bottom - b3.top, b2.bottom - b2.top + 2);
    s.lineSpace = 0;
    s.charSpace = 30;
    TextBlockBounds b4 = renderer.Draw(wide.canvas, L"line", s);
    EXPECT_GT(b4.right - b4.left, b1.right - b1.left + 10);
}

// One renderer drawing in turn with faces of the jobs of a batch (it keeps
// the fonts of one face only) draws each entry as a renderer new to that
// face does: size, spacing and picture size carry over.
TEST(TextSubtitleTest, AChangeOfFaceDrawsAsAFreshRendererDoes)
{
    struct FaceCase {
        const char16_t* face;
        int width, height, lineSpace;
    };
    const FaceCase cases[] = {
        {u"NanumGothic", 640, 360, 20}, {u"DejaVu Serif", 640, 360, 20}, {u"No Such Face", 320, 180, 0},
        {u"NanumGothic", 640, 360, 20}, {u"NanumGothic", 320, 180, 40},
    };
    TextSubtitleRenderer kept;
    for (const FaceCase& c : cases) {
        SubtitleSettings s = Defaults();
        std::u16string face = c.face;
        std::copy(face.begin(), face.end(), s.style.faceName);
        s.style.faceName[face.size()] = 0;
        s.lineSpace = c.lineSpace;
        Canvas ours(c.width, c.height), fresh(c.width, c.height);
        TextBlockBounds a = kept.Draw(ours.canvas, L"글자 and text\nline", s);
        TextSubtitleRenderer alone;
        TextBlockBounds b = alone.Draw(fresh.canvas, L"글자 and text\nline", s);
        EXPECT_FALSE(a.Empty());
        EXPECT_EQ(a.left, b.left);
        EXPECT_EQ(a.bottom, b.bottom);
        EXPECT_TRUE(ours.pixels == fresh.pixels) << std::string(face.begin(), face.end()) << " " << c.width;
    }
}

}  // namespace
