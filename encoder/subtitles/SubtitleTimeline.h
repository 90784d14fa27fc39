// The timed points of a line-based subtitle file, made from its lines as
// the reader read them. A point starts showing its text (or nothing, for a
// stop point) and lasts until the next point, so at every moment the text
// shown is every line active then, joined by line breaks in file order.
//
// Files whose lines never overlap keep the points the lines give one by
// one in file order: each line's text at its start and a stop point at its
// end. Lines that overlap, start together or come out of time order get the
// joined points instead.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/win32/CString.h"

class SubtitleTimeline {
public:
    struct Point {
        int nStart = 0;  // ms
        CString text;
        bool isNull = false;  // a stop point without any text
    };

    // The stop points at line ends: null (true) or empty texts.
    explicit SubtitleTimeline(bool nullStops) : m_nullStops(nullStops) {}

    // A line from start to end (ms); an end below 0 means none: the line
    // lasts until the next line that starts later.
    void Add(int start, int end, const CString& text);
    // Half-second gap closing before a line that starts at `start`: when the
    // line before ended above 0 in the same half second, its stop point is
    // dropped and it lasts until this line starts (in joined points, so do
    // the lines shown with it that end at the same moment).
    void CloseGap(int start);
    // Sorts the one-by-one points by time (keeping file order for equal
    // times), as the script reader does for events out of order.
    void SortFilePoints() { m_sortFilePoints = true; }

    bool IsEmpty() const { return m_lines.empty(); }
    size_t LineCount() const { return m_lines.size(); }

    // The points to serve.
    std::vector<Point> Points() const;

    // The points one by one in file order (sorted when asked).
    std::vector<Point> FilePoints() const;
    // The joined points, false when building them would take more than the
    // work budget (then *points is left empty).
    bool JoinedPoints(std::vector<Point>* points) const;
    // True when both time-sorted lists show the same text at every moment
    // (a null and an empty text both show nothing).
    static bool ShowTheSame(const std::vector<Point>& a, const std::vector<Point>& b);

    // Work units (lines visited plus characters joined) that building the
    // joined points may take: a multiple of the lines' size, within bounds,
    // so that no file makes the reader run away with time or memory.
    size_t WorkBudget() const;

private:
    struct Line {
        int start = 0;
        int end = -1;
        bool gapClosed = false;  // its stop point fell to the gap closing
        int closedUntil = 0;     // the start of the line that closed it
        CString text;
    };

    bool m_nullStops;
    bool m_sortFilePoints = false;
    std::vector<Line> m_lines;
    size_t m_textSize = 0;
};
