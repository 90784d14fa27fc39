// The timed points of the line-based text readers, read through the
// provider factory: files whose lines never overlap keep the exact points
// listed here; lines that overlap or start together are shown together.
#include <gtest/gtest.h>

#include "SubtitleTestUtil.h"
#include "encoder/subtitles/SubtitleProviderFactory.h"
#include "platform/com/ComPtr.h"

namespace {

ComPtr<ISubPicProvider> OpenThroughFactory(TempDir& dir, const char* name, const std::string& bytes)
{
    WriteBytes(dir.File(name), bytes);
    SubtitleOpenParams params;
    ISubPicProvider* p = nullptr;
    if (OpenSubtitleProvider(&p, CString(dir.WFile(name)), &params) != S_OK) return ComPtr<ISubPicProvider>();
    return ComPtr<ISubPicProvider>(p);
}

const char kAssHead[] =
    "[Script Info]\r\nScriptType: v4.00+\r\n\r\n[V4+ Styles]\r\nFormat: Name, Fontname\r\nStyle: Default,Arial\r\n"
    "\r\n[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";

// Files without overlapping lines and the points they give, spelled
// "start:text" in list order ("<null>" a stop point without text).
struct PointsRow {
    const char* name;
    const char* file;
    std::string content;
    const char* points;
};

TEST(TextSubTimeline, FilesWithoutOverlapsKeepTheirPoints)
{
    const PointsRow rows[] = {
        {"subrip: gaps, a closed gap, touching cues, an empty cue",
         "a.srt",
         "1\r\n00:00:01,000 --> 00:00:02,000\r\nOne\r\n\r\n"
         "2\r\n00:00:02,300 --> 00:00:03,000\r\nTwo\r\nlines\r\n\r\n"
         "3\r\n00:00:03,000 --> 00:00:04,100\r\nThree\r\n\r\n"
         "4\r\n00:00:05,000 --> 00:00:05,000\r\nZero\r\n\r\n"
         "5\r\n00:00:06,000 --> 00:00:07,000\r\n\r\n"
         "6\r\n00:01:00,000 --> 00:01:02,500\r\nLast\r\n",
         "1000:One | 2300:Two\\nlines | 3000:Three | 4100: | 5000:Zero | 5000: | 6000: | 7000: | 60000:Last | 62500:"},
        {"microdvd: open ends, touching entries, a rate line",
         "a.sub",
         "{1}{1}25.000\r\n{25}{50}One\r\n{50}{75}Two|lines\r\n{100}{}Open\r\n{150}{175}After\r\n{200}{200}Zero\r\n",
         "40:25.000 | 40:<null> | 1000:One | 2000:<null> | 2000:Two\\nlines | 3000:<null> | 4000:Open | 6000:After | "
         "7000:<null> | 8000:Zero | 8000:<null>"},
        {"ass: events out of time order, a closed gap",
         "a.ass",
         std::string(kAssHead) + "Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,Late\r\n"
                                 "Dialogue: 0,0:00:01.00,0:00:02.20,Default,,0,0,0,,Early\r\n"
                                 "Dialogue: 0,0:00:02.40,0:00:03.00,Default,,0,0,0,,{\\i1}Middle{\\i0}\r\n"
                                 "Dialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,Next\r\n",
         "1000:Early | 2400:@@/Middle@@\\ | 3000:Next | 4000: | 5000:Late | 6000:"},
    };
    for (const PointsRow& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        auto p = OpenThroughFactory(dir, row.file, row.content);
        ASSERT_TRUE(p);
        EXPECT_EQ(row.points, AllEntries(p.Get()));
    }
}

}  // namespace
