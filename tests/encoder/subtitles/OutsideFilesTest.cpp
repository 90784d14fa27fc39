// Files nobody here wrote: SubRip and ASS files made by ffmpeg from each
// other must read the same through our readers.
#include <gtest/gtest.h>

#include "SubtitleTestUtil.h"
#include "encoder/subtitles/TextSubFile.h"
#include "platform/com/ComPtr.h"

namespace {

struct Point {
    int start;
    std::string text;
};

std::vector<Point> Read(const std::string& path, int expectedType)
{
    CString wpath(Utf8ToWide(path));
    EXPECT_EQ(expectedType, DetectTextSubtitleType(wpath)) << path;
    SubtitleOpenParams params;
    ComPtr<ISubPicProvider> p(CreateTextSubProvider(wpath, &params, kSubtitleUnknown));
    std::vector<Point> points;
    EXPECT_TRUE(p) << path;
    if (!p) return points;
    for (POSITION pos = p->GetFirstPosition(); pos; pos = p->GetNextPosition(pos)) {
        const wchar_t* text = nullptr;
        REFERENCE_TIME start = 0;
        p->GetText(pos, &text);
        p->GetStartTime(pos, &start);
        points.push_back({static_cast<int>(start / 10000), text ? Spell(text) : "<null>"});
    }
    return points;
}

void ExpectSame(const std::vector<Point>& a, const std::vector<Point>& b, const char* what)
{
    ASSERT_EQ(a.size(), b.size()) << what;
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(a[i].start, b[i].start, 1) << what << " point " << i;
        EXPECT_EQ(a[i].text, b[i].text) << what << " point " << i;
    }
}

// One script in three forms: as written (x.ass), converted by ffmpeg to
// SubRip (y.srt) and from that back to a script (z.ass).
struct ThreeForms {
    std::string x, y, z;
    bool noFfmpeg = false;

    // False when a conversion fails; noFfmpeg when there is no ffmpeg.
    bool Make(TempDir& dir, const std::string& events)
    {
        int code = -1;
        RunTool("ffmpeg -version", &code);
        if (code != 0) {
            noFfmpeg = true;
            return true;
        }
        x = dir.File("x.ass");
        y = dir.File("y.srt");
        z = dir.File("z.ass");
        WriteBytes(x,
                   "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n"
                   "[V4+ Styles]\n"
                   "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, "
                   "Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, "
                   "Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
                   "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n\n"
                   "[Events]\n"
                   "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n" +
                       events);
        RunTool("ffmpeg -nostdin -y -loglevel error -i '" + x + "' '" + y + "' 2>&1", &code);
        if (code != 0) return false;
        RunTool("ffmpeg -nostdin -y -loglevel error -i '" + y + "' '" + z + "' 2>&1", &code);
        return code == 0;
    }
};

TEST(OutsideFiles, FfmpegSubRipAndAssReadTheSame)
{
    TempDir dir;
    ThreeForms forms;
    ASSERT_TRUE(forms.Make(dir,
                           "Dialogue: 0,0:00:01.50,0:00:03.25,Default,,0,0,0,,Hello, world\n"
                           "Dialogue: 0,0:00:03.40,0:00:05.00,Default,,0,0,0,,Line one\\NLine two\n"
                           "Dialogue: 0,0:00:06.00,0:00:07.10,Default,,0,0,0,,한국어 자막입니다\n"
                           "Dialogue: 0,0:01:02.03,1:02:03.04,Default,,0,0,0,,Late: 1 < 2\n"));
    if (forms.noFfmpeg) GTEST_SKIP() << "ffmpeg is not installed";
    const std::string &x = forms.x, &y = forms.y, &z = forms.z;

    std::vector<Point> ass = Read(x, kSubtitleSsa);
    std::vector<Point> srt = Read(y, kSubtitleSubRip);
    std::vector<Point> back = Read(z, kSubtitleSsa);
    ASSERT_EQ(7u, ass.size());  // the stop point at 3.25 s fell to the gap closing
    EXPECT_EQ("Hello, world", ass[0].text);
    EXPECT_EQ(1500, ass[0].start);
    EXPECT_EQ("Line one\\nLine two", ass[1].text);
    EXPECT_EQ(3723040, ass.back().start);
    ExpectSame(ass, srt, "x.ass against y.srt");
    ExpectSame(ass, back, "x.ass against z.ass");
}

// Lines that overlap survive ffmpeg's conversions as separate cues; each
// form reads to the same joined points.
TEST(OutsideFiles, FfmpegKeepsOverlapsThatReadTheSame)
{
    TempDir dir;
    ThreeForms forms;
    ASSERT_TRUE(forms.Make(dir,
                           "Dialogue: 0,0:00:01.00,0:00:03.50,Default,,0,0,0,,Good morning.\n"
                           "Dialogue: 0,0:00:01.00,0:00:03.50,Default,,0,0,0,,좋은 아침입니다.\n"
                           "Dialogue: 0,0:00:02.00,0:00:05.00,Default,,0,0,0,,Roll one\n"
                           "Dialogue: 0,0:00:04.00,0:00:06.00,Default,,0,0,0,,Roll two\n"));
    if (forms.noFfmpeg) GTEST_SKIP() << "ffmpeg is not installed";
    const std::string &x = forms.x, &y = forms.y, &z = forms.z;

    std::vector<Point> ass = Read(x, kSubtitleSsa);
    const std::vector<Point> expected = {
        {1000, "Good morning.\\n좋은 아침입니다."},
        {2000, "Good morning.\\n좋은 아침입니다.\\nRoll one"},
        {3500, "Roll one"},
        {4000, "Roll one\\nRoll two"},
        {5000, "Roll two"},
        {6000, ""},
    };
    ExpectSame(expected, ass, "x.ass as written");
    ExpectSame(ass, Read(y, kSubtitleSubRip), "x.ass against y.srt");
    ExpectSame(ass, Read(z, kSubtitleSsa), "x.ass against z.ass");
}

}  // namespace
