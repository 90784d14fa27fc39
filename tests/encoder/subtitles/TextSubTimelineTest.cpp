// The timed points of the line-based text readers, read through the
// provider factory: files whose lines never overlap keep the exact points
// listed here; lines that overlap or start together are shown together.
#include <gtest/gtest.h>

#include <cstdio>

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

void CheckPoints(const PointsRow* rows, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(rows[i].name);
        TempDir dir;
        auto p = OpenThroughFactory(dir, rows[i].file, rows[i].content);
        ASSERT_TRUE(p);
        EXPECT_EQ(rows[i].points, AllEntries(p.Get()));
    }
}

TEST(TextSubTimeline, FilesWithoutOverlapsKeepTheirPoints)
{
    const PointsRow rows[] = {
        {"subrip: gaps, a closed gap, touching cues, an empty cue", "a.srt",
         "1\r\n00:00:01,000 --> 00:00:02,000\r\nOne\r\n\r\n"
         "2\r\n00:00:02,300 --> 00:00:03,000\r\nTwo\r\nlines\r\n\r\n"
         "3\r\n00:00:03,000 --> 00:00:04,100\r\nThree\r\n\r\n"
         "4\r\n00:00:05,000 --> 00:00:05,000\r\nZero\r\n\r\n"
         "5\r\n00:00:06,000 --> 00:00:07,000\r\n\r\n"
         "6\r\n00:01:00,000 --> 00:01:02,500\r\nLast\r\n",
         "1000:One | 2300:Two\\nlines | 3000:Three | 4100: | 5000:Zero | 5000: | 6000: | 7000: | 60000:Last | 62500:"},
        {"subrip: a zero-length cue where the one before ends, then a closed gap", "b.srt",
         "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n"
         "2\r\n00:00:02,000 --> 00:00:02,000\r\nZ\r\n\r\n"
         "3\r\n00:00:02,200 --> 00:00:03,000\r\nB\r\n",
         "1000:A | 2000:Z | 2200:B | 3000:"},
        {"microdvd: open ends, touching entries, a rate line", "a.sub",
         "{1}{1}25.000\r\n{25}{50}One\r\n{50}{75}Two|lines\r\n{100}{}Open\r\n{150}{175}After\r\n{200}{200}Zero\r\n",
         "40:25.000 | 40:<null> | 1000:One | 2000:<null> | 2000:Two\\nlines | 3000:<null> | 4000:Open | 6000:After | "
         "7000:<null> | 8000:Zero | 8000:<null>"},
        {"ass: events out of time order, a closed gap", "a.ass",
         std::string(kAssHead) + "Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,Late\r\n"
                                 "Dialogue: 0,0:00:01.00,0:00:02.20,Default,,0,0,0,,Early\r\n"
                                 "Dialogue: 0,0:00:02.40,0:00:03.00,Default,,0,0,0,,{\\i1}Middle{\\i0}\r\n"
                                 "Dialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,Next\r\n",
         "1000:Early | 2400:@@/Middle@@\\ | 3000:Next | 4000: | 5000:Late | 6000:"},
    };
    CheckPoints(rows, std::size(rows));
}

// Lines that overlap in time or start together show together, joined by
// line breaks in file order, for as long as each lasts.
TEST(TextSubTimeline, OverlappingLinesShowTogether)
{
    auto cue = [](int n, const char* from, const char* to, const char* text) {
        return std::to_string(n) + "\r\n" + from + " --> " + to + "\r\n" + text + "\r\n\r\n";
    };
    auto event = [](const char* from, const char* to, const char* text) {
        return std::string("Dialogue: 0,") + from + "," + to + ",Default,,0,0,0,," + text + "\r\n";
    };
    const PointsRow rows[] = {
        {"roll-up captions", "a.srt",
         cue(1, "00:00:01,000", "00:00:04,000", "A") + cue(2, "00:00:02,000", "00:00:05,000", "B") +
             cue(3, "00:00:03,000", "00:00:06,000", "C"),
         "1000:A | 2000:A\\nB | 3000:A\\nB\\nC | 4000:B\\nC | 5000:C | 6000:"},
        {"same start, different ends", "a.srt",
         cue(1, "00:00:01,000", "00:00:03,000", "Long") + cue(2, "00:00:01,000", "00:00:02,000", "Short"),
         "1000:Long\\nShort | 2000:Long | 3000:"},
        {"a line inside another, out of file order", "a.srt",
         cue(1, "00:00:02,000", "00:00:03,000", "Inner") + cue(2, "00:00:01,000", "00:00:05,000", "Outer"),
         "1000:Outer | 2000:Inner\\nOuter | 3000:Outer | 5000:"},
        {"lines out of time order without overlaps", "a.srt",
         cue(1, "00:00:03,000", "00:00:04,000", "Second") + cue(2, "00:00:01,000", "00:00:02,000", "First"),
         "1000:First | 2000: | 3000:Second | 4000:"},
        {"an overlap in the gap-closing half second", "a.srt",
         cue(1, "00:00:01,000", "00:00:02,400", "A") + cue(2, "00:00:02,200", "00:00:03,000", "B"),
         "1000:A | 2200:A\\nB | 2400:B | 3000:"},
        {"a closed gap beside an overlap", "a.srt",
         cue(1, "00:00:01,000", "00:00:02,200", "A") + cue(2, "00:00:02,400", "00:00:03,000", "B") +
             cue(3, "00:00:02,500", "00:00:02,800", "C"),
         "1000:A | 2400:B | 2500:B\\nC | 2800:B | 3000:"},
        {"an empty cue under a line hides nothing", "a.srt",
         cue(1, "00:00:01,000", "00:00:03,000", "Shown") + cue(2, "00:00:02,000", "00:00:02,500", ""),
         "1000:Shown | 3000:"},
        {"microdvd entries starting together", "a.sub", "{24}{}A\r\n{24}{}B|b\r\n{72}{96}C\r\n",
         "1001:A\\nB\\nb | 3003:C | 4004:<null>"},
        {"ass karaoke-style overlaps", "a.ass",
         std::string(kAssHead) + event("0:00:01.00", "0:00:05.00", "{\\b1}Line{\\b0}") +
             event("0:00:02.00", "0:00:03.00", "sign") + event("0:00:04.00", "0:00:06.00", "next"),
         "1000:@@<Line@@> | 2000:@@<Line@@>\\nsign | 3000:@@<Line@@> | 4000:@@<Line@@>\\nnext | 5000:next | 6000:"},
    };
    CheckPoints(rows, std::size(rows));
}

// A bilingual script with the same times for both languages shows both
// lines at every moment of every event, the first language on top.
TEST(TextSubTimeline, BilingualScriptShowsBothLanguages)
{
    struct Event {
        int from, to;  // hundredths
        const char* english;
        const char* korean;
    } const events[] = {
        {100, 350, "Good morning.", "좋은 아침입니다."},
        {350, 600, "How are you?", "잘 지내세요?"},
        {800, 1020, "Fine, thanks.", "네, 고마워요."},
        {1040, 1300, "See you.", "또 봐요."},
    };
    auto time = [](int hundredths) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "0:00:%02d.%02d", hundredths / 100, hundredths % 100);
        return std::string(buf);
    };
    std::string script = kAssHead;
    for (const Event& e : events)
        script += "Dialogue: 0," + time(e.from) + "," + time(e.to) + ",English,,0,0,0,," + e.english + "\r\n" +
                  "Dialogue: 0," + time(e.from) + "," + time(e.to) + ",Korean,,0,0,0,," + e.korean + "\r\n";
    TempDir dir;
    auto p = OpenThroughFactory(dir, "bilingual.ass", script);
    ASSERT_TRUE(p);
    for (const Event& e : events) {
        const std::string both = std::string(e.english) + "\\n" + e.korean;
        for (int ms = e.from * 10; ms < e.to * 10; ms += 10) {
            Shown shown = ShowAt(p.Get(), ms);
            ASSERT_EQ(both, shown.text) << ms;
        }
    }
    // Between the events (and after the last) nothing shows; the gap of
    // 0.2 s inside one half second is closed.
    EXPECT_EQ("", ShowAt(p.Get(), 7000).text);
    EXPECT_EQ("Fine, thanks.\\n네, 고마워요.", ShowAt(p.Get(), 10300).text);
    EXPECT_EQ("", ShowAt(p.Get(), 13000).text);
    EXPECT_EQ("<none>", ShowAt(p.Get(), 999).text);
}

// A file with thousands of lines all on screen at once would make joined
// texts without bound: each line's own point is served instead, in time
// order, and the file still loads.
TEST(TextSubTimeline, TooManyLinesAtOnceKeepTheirOwnPoints)
{
    std::string file;
    const int count = 3000;
    for (int i = 1; i <= count; ++i) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%d\r\n00:00:%02d,%03d --> 10:00:00,000\r\nline %d\r\n\r\n", i,
                      (count - i) / 1000, (count - i) % 1000, i);
        file += buf;
    }
    TempDir dir;
    auto p = OpenThroughFactory(dir, "many.srt", file);
    ASSERT_TRUE(p);
    EXPECT_EQ("line 3000", ShowAt(p.Get(), 0).text);
    EXPECT_EQ("line 1", ShowAt(p.Get(), 2999).text);
    EXPECT_EQ("line 1", ShowAt(p.Get(), 5000).text);
    int points = 0;
    for (POSITION pos = p->GetFirstPosition(); pos; pos = p->GetNextPosition(pos)) ++points;
    EXPECT_EQ(2 * count, points);
}

}  // namespace
