// The timeline of the line-based readers on many generated files: lines
// that never overlap keep their one-by-one points, and where lines overlap
// the walk shows exactly the lines active at each moment.
#include <gtest/gtest.h>

#include <random>

#include "SubtitleTestUtil.h"
#include "encoder/subtitles/SubPicProviderImpl.h"
#include "encoder/subtitles/SubtitleTimeline.h"

namespace {

using Point = SubtitleTimeline::Point;

std::string Spelled(const std::vector<Point>& points)
{
    std::string out;
    for (const Point& p : points) {
        if (!out.empty()) out += " | ";
        out += std::to_string(p.nStart) + ":" + (p.isNull ? "<null>" : Spell(p.text.str()));
    }
    return out;
}

// What the providers' time walk shows at ms over these points ("" for
// nothing).
std::wstring ShownAt(const std::vector<Point>& points, int ms)
{
    CList<const Point*> list(10);
    for (const Point& p : points) list.AddTail(&p);
    POSITION found = FindTimedPosition(list, nullptr, ms);
    if (!found || list.GetAt(found)->isNull) return std::wstring();
    return list.GetAt(found)->text.str();
}

// Lines one after another, as SubRip and script files give them: gaps of
// every size (none, inside one half second, longer), lines of no length,
// and now and then a line without an end.
TEST(SubtitleTimeline, LinesWithoutOverlapsKeepTheirOneByOnePoints)
{
    std::mt19937 random(20240518);
    for (int file = 0; file < 300; ++file) {
        const bool nullStops = file % 3 == 0;
        SubtitleTimeline timeline(nullStops);
        int t = static_cast<int>(random() % 3000);
        const int count = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            static const int kGaps[] = {0, 0, 1, 120, 499, 500, 700, 3000};
            t += kGaps[random() % std::size(kGaps)];
            const int length = static_cast<int>(random() % 5) == 0 ? 0 : 1 + static_cast<int>(random() % 4000);
            const bool open = random() % 10 == 0;
            if (!nullStops) timeline.CloseGap(t);
            const CString text = random() % 8 == 0 ? CString() : CString(L"line " + std::to_wstring(i));
            timeline.Add(t, open ? -1 : t + length, text);
            if (open) {
                t += 1 + static_cast<int>(random() % 2000);  // the next line ends it
            } else {
                t += length;
            }
        }
        SCOPED_TRACE(Spelled(timeline.FilePoints()));
        EXPECT_EQ(Spelled(timeline.FilePoints()), Spelled(timeline.Points())) << "file " << file;
    }
}

// Lines placed at random, overlapping freely, each with its end: at every
// moment the walk shows the lines active then, in file order.
TEST(SubtitleTimeline, OverlappingLinesShowEveryActiveLine)
{
    std::mt19937 random(77);
    for (int file = 0; file < 200; ++file) {
        struct Line {
            int start, end;
            std::wstring text;
        };
        std::vector<Line> lines;
        SubtitleTimeline timeline(true);
        const int count = 1 + static_cast<int>(random() % 25);
        for (int i = 0; i < count; ++i) {
            const int start = static_cast<int>(random() % 40) * 100;
            const int end = start + static_cast<int>(random() % 30) * 100;
            const std::wstring text = random() % 6 == 0 ? std::wstring() : L"L" + std::to_wstring(i);
            lines.push_back({start, end, text});
            timeline.Add(start, end, CString(text));
        }
        const std::vector<Point> points = timeline.Points();
        for (int ms = -100; ms <= 7100; ms += 50) {
            std::wstring expected;
            for (const Line& l : lines) {
                if (l.start > ms || ms >= l.end || l.text.empty()) continue;
                if (!expected.empty()) expected += L'\n';
                expected += l.text;
            }
            ASSERT_EQ(Spell(expected), Spell(ShownAt(points, ms)))
                << "file " << file << " at " << ms << ": " << Spelled(points);
        }
        for (size_t i = 1; i < points.size(); ++i) ASSERT_LE(points[i - 1].nStart, points[i].nStart);
    }
}

TEST(SubtitleTimeline, WorkBudgetGrowsWithTheFileWithinBounds)
{
    SubtitleTimeline small(false);
    small.Add(0, 10, CString(L"x"));
    EXPECT_EQ(size_t(1) << 20, small.WorkBudget());
    SubtitleTimeline big(false);
    for (int i = 0; i < 4; ++i) big.Add(i, i + 1, CString(L'0' + i, 1 << 20));
    EXPECT_EQ(size_t(32) << 20, big.WorkBudget());
    std::vector<Point> joined;
    EXPECT_TRUE(big.JoinedPoints(&joined));
    EXPECT_EQ(5u, joined.size());
}

}  // namespace
