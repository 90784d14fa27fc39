#include "SubtitleLine.h"

bool ReadSubtitleLine(const wchar_t*& cursor, CString& line)
{
    line.Empty();
    if (!cursor || *cursor == 0) return false;
    const wchar_t* p = cursor;
    for (;;) {
        if (*p == 0) {
            line = CString(cursor, static_cast<int>(p - cursor));
            cursor = p;
            return true;
        }
        if (*p == L'\n') {
            line = CString(cursor, static_cast<int>(p - cursor));
            cursor = p + 1;
            return true;
        }
        if (*p == L'\r' && p[1] == L'\n') {
            line = CString(cursor, static_cast<int>(p - cursor));
            cursor = p + 2;
            return true;
        }
        ++p;
    }
}
