#include "SubtitleTimeline.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <utility>

namespace {

using Point = SubtitleTimeline::Point;

// Joining may take this many times the lines' size in work, at least the
// floor and at most the ceiling (in lines visited plus characters).
constexpr size_t kBudgetFactor = 32;
constexpr size_t kBudgetFloor = size_t(1) << 20;
constexpr size_t kBudgetCeiling = size_t(32) << 20;

constexpr int64_t kForever = std::numeric_limits<int64_t>::max();

bool ShowsNothing(const Point& p) { return p.isNull || p.text.IsEmpty(); }

bool IsTimeSorted(const std::vector<Point>& points)
{
    return std::is_sorted(points.begin(), points.end(),
                          [](const Point& a, const Point& b) { return a.nStart < b.nStart; });
}

void SortByTime(std::vector<Point>& points)
{
    std::stable_sort(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.nStart < b.nStart; });
}

// The point the time walk finds at t in a time-sorted list (the last one
// that starts at or before t), moving the cursor on; null before the first.
const Point* ShownAt(const std::vector<Point>& points, size_t& cursor, int t)
{
    while (cursor < points.size() && points[cursor].nStart <= t) ++cursor;
    return cursor == 0 ? nullptr : &points[cursor - 1];
}

}  // namespace

void SubtitleTimeline::Add(int start, int end, const CString& text)
{
    Line line;
    line.start = start;
    line.end = end;
    line.text = text;
    m_textSize += static_cast<size_t>(text.GetLength());
    m_lines.push_back(std::move(line));
}

void SubtitleTimeline::CloseGap(int start)
{
    if (m_lines.empty() || m_nullStops) return;
    Line& last = m_lines.back();
    if (last.end <= 0 || start / 500 != last.end / 500) return;
    last.gapClosed = true;
    last.closedUntil = start;
}

std::vector<Point> SubtitleTimeline::FilePoints() const
{
    std::vector<Point> points;
    points.reserve(m_lines.size() * 2);
    for (const Line& line : m_lines) {
        points.push_back({line.start, line.text, false});
        if (line.end >= 0 && !line.gapClosed) points.push_back({line.end, CString(), m_nullStops});
    }
    if (m_sortFilePoints) SortByTime(points);
    return points;
}

size_t SubtitleTimeline::WorkBudget() const
{
    const size_t size = m_textSize + m_lines.size();
    const size_t budget = size > kBudgetCeiling / kBudgetFactor ? kBudgetCeiling : size * kBudgetFactor;
    return std::max(budget, kBudgetFloor);
}

bool SubtitleTimeline::JoinedPoints(std::vector<Point>* points) const
{
    points->clear();
    // When each line shows: from its start to its end; a closed gap carries
    // it on to the next line, and with it the lines that were on screen
    // with it and end at the same moment (the other language of a
    // bilingual file); a line without an end lasts until the next line that
    // starts later (for ever when none does).
    std::vector<int> starts;
    starts.reserve(m_lines.size());
    for (const Line& line : m_lines) starts.push_back(line.start);
    std::sort(starts.begin(), starts.end());
    std::map<int, int> carriedTo;  // end -> start of the line that closed the gap
    for (const Line& line : m_lines) {
        if (!line.gapClosed || line.start >= line.end || line.closedUntil <= line.end) continue;
        auto [it, added] = carriedTo.emplace(line.end, line.closedUntil);
        if (!added) it->second = std::max(it->second, line.closedUntil);
    }

    struct Event {
        int64_t time;
        bool begins;
        size_t line;
    };
    std::vector<Event> events;
    events.reserve(m_lines.size() * 2);
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        int64_t from = line.start;
        int64_t to = kForever;
        if (line.end >= 0) {
            to = line.end;
            if (line.gapClosed && line.closedUntil > line.end) to = line.closedUntil;
            auto carried = carriedTo.find(line.end);
            if (carried != carriedTo.end() && line.start < line.end) to = std::max<int64_t>(to, carried->second);
        } else {
            auto later = std::upper_bound(starts.begin(), starts.end(), line.start);
            if (later != starts.end()) to = *later;
        }
        if (to <= from) continue;  // never shown
        events.push_back({from, true, i});
        if (to != kForever) events.push_back({to, false, i});
    }
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.time < b.time; });

    const size_t budget = WorkBudget();
    size_t work = 0;
    std::set<size_t> active;  // line numbers: file order
    CString shown;
    for (size_t k = 0; k < events.size();) {
        const int64_t t = events[k].time;
        for (; k < events.size() && events[k].time == t; ++k) {
            if (events[k].begins)
                active.insert(events[k].line);
            else
                active.erase(events[k].line);
        }
        CString text;
        for (size_t i : active) {
            const CString& piece = m_lines[i].text;
            work += 1 + static_cast<size_t>(piece.GetLength());
            if (work > budget) {
                points->clear();
                return false;
            }
            if (piece.IsEmpty()) continue;
            if (!text.IsEmpty()) text += L'\n';
            text += piece;
        }
        if (points->empty() ? text.IsEmpty() : text == shown) continue;
        points->push_back({static_cast<int>(t), text, text.IsEmpty() && m_nullStops});
        shown = text;
    }
    return true;
}

bool SubtitleTimeline::ShowTheSame(const std::vector<Point>& a, const std::vector<Point>& b)
{
    if (!IsTimeSorted(a) || !IsTimeSorted(b)) return false;
    std::vector<int> times;
    times.reserve(a.size() + b.size());
    for (const Point& p : a) times.push_back(p.nStart);
    for (const Point& p : b) times.push_back(p.nStart);
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    size_t ia = 0, ib = 0;
    for (int t : times) {
        const Point* pa = ShownAt(a, ia, t);
        const Point* pb = ShownAt(b, ib, t);
        const bool noneA = !pa || ShowsNothing(*pa);
        const bool noneB = !pb || ShowsNothing(*pb);
        if (noneA != noneB) return false;
        if (!noneA && pa->text != pb->text) return false;
    }
    return true;
}

std::vector<Point> SubtitleTimeline::Points() const
{
    std::vector<Point> file = FilePoints();
    std::vector<Point> joined;
    if (!JoinedPoints(&joined)) {
        // Too many lines at once to join: each point shows its own line.
        SortByTime(file);
        return file;
    }
    if (ShowTheSame(file, joined)) return file;
    return joined;
}
