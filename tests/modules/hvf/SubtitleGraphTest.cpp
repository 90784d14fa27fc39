// Subtitles in a running graph, from files of each kind the readers take
// (SubRip, Korean SAMI in code page 949, ASS, a VobSub pair): each shows in
// its region while its entry lasts and nowhere and never else; times follow
// the source's time line after a seek; switching subtitles off or taking
// the provider away leaves the pictures alone. Pictures with Korean
// subtitles are saved as screenshots for a person to look at.
#include <set>

#include "encoder/subtitles/SubtitleProviderFactory.h"
#include "platform/win32/CodePage.h"
#include "tests/encoder/subtitles/VobSubTestUtil.h"
#include "tests/modules/hvf/TreatmentGraph.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;

// Where a picture differs from the source's.
struct Changes {
    int count = 0;
    int left = kWidth, top = kHeight, right = 0, bottom = 0;  // right and bottom exclusive
    double meanX = 0;
};

Changes ChangesOf(const std::string& ours, const std::string& source)
{
    Changes c;
    I420View a{kWidth, kHeight, &ours}, b{kWidth, kHeight, &source};
    double sumX = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (std::abs(a.Y(x, y) - b.Y(x, y)) <= 6) continue;
            ++c.count;
            sumX += x;
            c.left = std::min(c.left, x);
            c.top = std::min(c.top, y);
            c.right = std::max(c.right, x + 1);
            c.bottom = std::max(c.bottom, y + 1);
        }
    if (c.count) c.meanX = sumX / c.count;
    return c;
}

// Pixels of the changed box for which the test holds.
template <class Test>
int CountIn(const std::string& picture, const Changes& box, Test test)
{
    I420View v{kWidth, kHeight, &picture};
    int n = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) n += test(v, x, y);
    return n;
}

class SubtitleGraphTest : public TreatmentGraphTest {
protected:
    void SetUp() override
    {
        TreatmentGraphTest::SetUp();
        // Three seconds of a flat dark picture at ten pictures a second.
        source = MakeSource("flat.avi", "-f lavfi -i color=c=0x303030:s=640x360:r=10:d=3 -c:v mpeg4 -q:v 2");
        plain = FfmpegPictures(source, "", kWidth, kHeight);
        ASSERT_EQ(plain.size(), 30u);
    }

    ComPtr<ISubPicProvider> Provider(const std::string& path, int codePage = 0)
    {
        SubtitleOpenParams params;
        params.nCodePage = codePage;
        params.nFrameRateNum = 10000;
        ISubPicProvider* raw = nullptr;
        EXPECT_EQ(OpenSubtitleProvider(&raw, CString(Utf8ToWide(path)), &params), S_OK) << path;
        // The factory hands the provider out without a reference.
        return ComPtr<ISubPicProvider>(raw);
    }

    // Runs with the provider; the pictures.
    std::vector<Picture> RunWith(ISubPicProvider* provider)
    {
        EXPECT_EQ(video->SetVideoFilterSubtitle(provider), S_OK);
        Open(source, CLSID_AviSplitter);
        std::vector<Picture> pictures = RunToEnd();
        EXPECT_EQ(pictures.size(), plain.size());
        return pictures;
    }

    // The pictures (by index) in which something was drawn.
    std::set<size_t> Drawn(const std::vector<Picture>& pictures, size_t offset = 0)
    {
        std::set<size_t> drawn;
        for (size_t i = 0; i < pictures.size(); ++i)
            if (ChangesOf(pictures[i].data, plain[i + offset]).count > 0) drawn.insert(i);
        return drawn;
    }

    static std::set<size_t> Range(size_t from, size_t to)
    {
        std::set<size_t> s;
        for (size_t i = from; i < to; ++i) s.insert(i);
        return s;
    }

    // A text entry drawn with the default place: centred across, its block
    // inside the margins, around 90 percent down.
    void ExpectBottomCentre(const Picture& picture, size_t index)
    {
        SCOPED_TRACE("picture " + std::to_string(index));
        Changes c = ChangesOf(picture.data, plain[index]);
        EXPECT_GT(c.count, 200);
        EXPECT_NEAR(c.meanX, kWidth / 2, 40);
        EXPECT_GE(c.left, kWidth * 2 / 100);
        EXPECT_LE(c.right, kWidth - kWidth * 2 / 100);
        EXPECT_GE(c.top, kHeight * 70 / 100);
        EXPECT_LE(c.bottom, kHeight - kHeight * 2 / 100);
    }

    std::string source;
    std::vector<std::string> plain;
};

TEST_F(SubtitleGraphTest, SubRipShowsWhileItsEntriesLast)
{
    WriteBytes(dir.File("movie.srt"),
               "1\r\n00:00:00,500 --> 00:00:01,500\r\nHello <b>subtitles</b>\r\n\r\n"
               "2\r\n00:00:02,000 --> 00:00:02,500\r\nSecond entry\r\n\r\n");
    ComPtr<ISubPicProvider> provider = Provider(dir.File("movie.srt"));
    ASSERT_TRUE(provider);
    std::vector<Picture> ours = RunWith(provider.Get());
    std::set<size_t> expected = Range(5, 15);
    for (size_t i : Range(20, 25)) expected.insert(i);
    EXPECT_EQ(Drawn(ours), expected);
    ExpectBottomCentre(ours[5], 5);
    ExpectBottomCentre(ours[22], 22);
    // One entry stays the same picture while it lasts.
    EXPECT_EQ(ours[6].data, ours[14].data);
}

TEST_F(SubtitleGraphTest, KoreanSamiInCodePage949)
{
    std::string sami =
        "<SAMI>\r\n<HEAD>\r\n<STYLE TYPE=\"text/css\">\r\n<!--\r\nP { margin-left:8pt; }\r\n"
        ".KRCC { Name:Korean; lang:ko-KR; SAMIType:CC; }\r\n-->\r\n</STYLE>\r\n</HEAD>\r\n<BODY>\r\n"
        "<SYNC Start=500><P Class=KRCC>안녕하세요, 자막 시험입니다\r\n"
        "<SYNC Start=1500><P Class=KRCC>&nbsp;\r\n"
        "<SYNC Start=2000><P Class=KRCC>두 번째 줄은 <font color=\"#ffff00\">노란색</font><br>"
        "그리고 <b>굵은 글씨</b>\r\n"
        "<SYNC Start=2800><P Class=KRCC>&nbsp;\r\n</BODY>\r\n</SAMI>\r\n";
    int code = -1;
    WriteBytes(dir.File("utf8.smi"), sami);
    std::string cp949 = RunTool("iconv -f UTF-8 -t CP949 '" + dir.File("utf8.smi") + "'", &code);
    ASSERT_EQ(code, 0);
    WriteBytes(dir.File("movie.smi"), cp949);
    ComPtr<ISubPicProvider> provider = Provider(dir.File("movie.smi"), 949);
    ASSERT_TRUE(provider);
    // The SAMI reader writes what it read with inline codes; the Hangul came
    // through the code page.
    const wchar_t* text = nullptr;
    POSITION pos = provider->FindPosition(nullptr, 6000000);
    ASSERT_EQ(provider->GetText(pos, &text), S_OK);
    EXPECT_NE(std::wstring(text).find(L"안녕하세요"), std::wstring::npos);

    std::vector<Picture> ours = RunWith(provider.Get());
    std::set<size_t> expected = Range(5, 15);
    for (size_t i : Range(20, 28)) expected.insert(i);
    EXPECT_EQ(Drawn(ours), expected);
    ExpectBottomCentre(ours[10], 10);
    ExpectBottomCentre(ours[24], 24);
    // The second entry has two lines: taller than the first.
    Changes one = ChangesOf(ours[10].data, plain[10]), two = ChangesOf(ours[24].data, plain[24]);
    EXPECT_GT(two.bottom - two.top, (one.bottom - one.top) * 3 / 2);
    // Yellow shows as low blue-difference chroma somewhere in the second.
    auto yellow = [](const I420View& v, int x, int y) { return v.U(x, y) < 60 && v.Y(x, y) > 150; };
    EXPECT_GT(CountIn(ours[24].data, two, yellow), 50);
    std::string first = SaveScreenshot(ours[10].data, kWidth, kHeight, "hvf_subtitles_sami_korean_1");
    std::string second = SaveScreenshot(ours[24].data, kWidth, kHeight, "hvf_subtitles_sami_korean_2");
    std::cout << "screenshots: " << first << " " << second << "\n";
}

TEST_F(SubtitleGraphTest, AssDialogue)
{
    WriteBytes(dir.File("movie.ass"),
               "[Script Info]\r\nScriptType: v4.00+\r\nPlayResX: 640\r\nPlayResY: 360\r\n\r\n"
               "[V4+ Styles]\r\nFormat: Name, Fontname, Fontsize\r\nStyle: Default,Arial,20\r\n\r\n"
               "[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
               "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,{\\b1}ASS{\\b0} dialogue\\Nsecond line\r\n"
               "Dialogue: 0,0:00:02.50,0:00:02.80,Default,,0,0,0,,{\\c&H0000FF&}한국어 {\\i1}자막{\\i0}\r\n");
    ComPtr<ISubPicProvider> provider = Provider(dir.File("movie.ass"));
    ASSERT_TRUE(provider);
    std::vector<Picture> ours = RunWith(provider.Get());
    std::set<size_t> expected = Range(10, 20);
    for (size_t i : Range(25, 28)) expected.insert(i);
    EXPECT_EQ(Drawn(ours), expected);
    ExpectBottomCentre(ours[15], 15);
    ExpectBottomCentre(ours[26], 26);
    // The override colour came through: red text, high red-difference.
    Changes c = ChangesOf(ours[26].data, plain[26]);
    EXPECT_GT(CountIn(ours[26].data, c, [](const I420View& v, int x, int y) { return v.V(x, y) > 200; }), 50);
    SaveScreenshot(ours[26].data, kWidth, kHeight, "hvf_subtitles_ass_korean");
}

TEST_F(SubtitleGraphTest, VobSubPicturesAsTheProviderDrawsThem)
{
    TestSet set;
    set.width = kWidth;
    set.height = kHeight;
    // An opaque box of palette colour 4 (white) at (260, 290), shown from
    // 1 s for 1024 ms (a stop command 90 x 1024/90 ms later).
    SpuUnit unit = PlainUnit(120, 40, 260, 290, 1, 90);
    unit.paletteIndices = 0x0040;  // pixel value 1 -> palette 4
    unit.contrasts = 0x00F0;       // value 1 opaque, 0 clear
    set.Add(0, "en", 1000, unit);
    std::string index = set.Write(dir, "movie");
    ComPtr<ISubPicProvider> provider = Provider(index);
    ASSERT_TRUE(provider);
    EXPECT_EQ(provider->GetProviderKind(), kSubProviderPicture);
    std::vector<Picture> ours = RunWith(provider.Get());
    EXPECT_EQ(Drawn(ours), Range(10, 21));
    // What the provider draws on a clear surface of the picture's size,
    // composited over the source's picture, is what the filter gave.
    TestSurface surface(kWidth, kHeight, 0xFF000000u);
    RECT drawn{};
    POSITION pos = provider->FindPosition(nullptr, 15000000);
    ASSERT_EQ(provider->GetPicture(pos, &surface.surface, &drawn), S_OK);
    I420View v{kWidth, kHeight, &ours[15].data}, under{kWidth, kHeight, &plain[15]};
    int wrong = 0, inside = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint32_t p = surface.At(x, y);
            int a = 255 - static_cast<int>(p >> 24);
            int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            double luma = 16.0 * a / 255 + (66 * r + 129 * g + 25 * b) / 256.0;
            double expected = under.Y(x, y) * (255 - a) / 255.0 + luma;
            wrong += std::abs(v.Y(x, y) - expected) > 2;
            inside += a == 255;
        }
    EXPECT_EQ(wrong, 0);
    // The box is opaque white but for its edges, which the provider's
    // sampling softens.
    EXPECT_GE(inside, 118 * 38);
    Changes c = ChangesOf(ours[15].data, plain[15]);
    EXPECT_GE(c.left, 259);
    EXPECT_GE(c.top, 289);
    EXPECT_LE(c.right, 381);
    EXPECT_LE(c.bottom, 331);
    EXPECT_NEAR(v.Y(300, 300), 235, 1);
    EXPECT_NEAR(v.U(300, 300), 128, 1);
    SaveScreenshot(ours[15].data, kWidth, kHeight, "hvf_subtitles_vobsub");
}

TEST_F(SubtitleGraphTest, AfterASeekEntriesFollowTheSourcesTimeLine)
{
    WriteBytes(dir.File("movie.srt"),
               "1\r\n00:00:01,000 --> 00:00:01,500\r\nat one second\r\n\r\n"
               "2\r\n00:00:02,000 --> 00:00:02,500\r\nat two seconds\r\n\r\n");
    ComPtr<ISubPicProvider> provider = Provider(dir.File("movie.srt"));
    ASSERT_EQ(video->SetVideoFilterSubtitle(provider.Get()), S_OK);
    Open(source, CLSID_AviSplitter);
    LONGLONG position = 10000000;
    ASSERT_EQ(seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
              S_OK);
    std::vector<Picture> ours = RunToEnd();
    ASSERT_EQ(ours.size(), 20u);
    EXPECT_EQ(ours[0].start, 0);
    // Output times restart at 0; the entries stay at the source's times.
    std::set<size_t> expected = Range(0, 5);
    for (size_t i : Range(10, 15)) expected.insert(i);
    EXPECT_EQ(Drawn(ours, 10), expected);
}

TEST_F(SubtitleGraphTest, SwitchedOffOrWithoutAProviderNothingIsDrawn)
{
    WriteBytes(dir.File("movie.srt"), "1\r\n00:00:00,000 --> 00:00:03,000\r\nalways\r\n\r\n");
    ComPtr<ISubPicProvider> provider = Provider(dir.File("movie.srt"));
    struct OffCase {
        const char* name;
        std::function<void(IVideoFilterControl*, ISubPicProvider*)> set;
        size_t drawn;
    };
    const OffCase cases[] = {
        {"on", [](IVideoFilterControl* v, ISubPicProvider* p) { v->SetVideoFilterSubtitle(p); }, 30},
        {"switched off",
         [](IVideoFilterControl* v, ISubPicProvider* p) {
             v->SetVideoFilterSubtitle(p);
             v->SetSubtitleEnabled(0);
         },
         0},
        {"provider taken away",
         [](IVideoFilterControl* v, ISubPicProvider* p) {
             v->SetVideoFilterSubtitle(p);
             v->SetVideoFilterSubtitle(nullptr);
         },
         0},
        {"switched on again",
         [](IVideoFilterControl* v, ISubPicProvider* p) {
             v->SetSubtitleEnabled(0);
             v->SetVideoFilterSubtitle(p);
             v->SetSubtitleEnabled(1);
         },
         30},
    };
    for (const OffCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.set(video.Get(), provider.Get());
        Open(source, CLSID_AviSplitter);
        std::vector<Picture> ours = RunToEnd();
        ASSERT_EQ(ours.size(), 30u);
        EXPECT_EQ(Drawn(ours).size(), c.drawn);
    }
}

TEST_F(SubtitleGraphTest, PlaceAndStyleValuesMoveAndChangeTheText)
{
    WriteBytes(dir.File("movie.srt"), "1\r\n00:00:00,000 --> 00:00:03,000\r\nplace and style\r\n\r\n");
    ComPtr<ISubPicProvider> provider = Provider(dir.File("movie.srt"));
    ASSERT_EQ(video->SetVideoFilterSubtitle(provider.Get()), S_OK);
    Open(source, CLSID_AviSplitter);
    std::vector<Picture> base = RunToEnd();
    Changes before = ChangesOf(base[5].data, plain[5]);

    // At the top left, the size that the program's rule gives for forty
    // characters on 640 pixels, red with a thick outline.
    SubtitleStyleRecord style{};
    InitSubtitleStyle(&style);
    style.fontSize = 2 * kWidth / 40;
    style.bodyColor = 0x0000FF;
    style.outlineWidth = 4;
    EXPECT_EQ(video->SetSubtitleStyle(&style), S_OK);
    EXPECT_EQ(video->SetSubtitlePosX(0), S_OK);
    EXPECT_EQ(video->SetSubtitlePosY(0), S_OK);
    EXPECT_EQ(video->SetSubtitleMarginX(10), S_OK);
    EXPECT_EQ(video->SetSubtitleMarginY(10), S_OK);
    std::vector<Picture> after = RunToEnd();
    Changes moved = ChangesOf(after[5].data, plain[5]);
    EXPECT_GE(moved.left, 64);
    EXPECT_LT(moved.left, 70);
    EXPECT_GE(moved.top, 36);
    EXPECT_LT(moved.top, 42);
    EXPECT_GT(moved.right - moved.left, before.right - before.left);
    EXPECT_GT(moved.count, before.count);
    EXPECT_GT(CountIn(after[5].data, moved, [](const I420View& v, int x, int y) { return v.V(x, y) > 200; }), 100);
}

}  // namespace
