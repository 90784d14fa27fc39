// The items of list boxes and combo boxes: texts with item data, in the
// order added or sorted, and the system's two ways of finding one (by
// prefix and exactly, both without regard to case, from the item after a
// start index round to it).
#pragma once

#include <string>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

namespace mfc_controls {

struct ListItem {
    std::wstring text;
    ULONG_PTR data = 0;
    bool selected = false;  // list boxes with several selections
};

class ItemList {
public:
    std::vector<ListItem> items;

    int Count() const { return static_cast<int>(items.size()); }
    bool Valid(INT_PTR i) const { return i >= 0 && i < Count(); }
    // Appends, or inserts in order when sorted; the new index.
    int Add(const std::wstring& text, ULONG_PTR data, bool sorted)
    {
        size_t at = items.size();
        if (sorted) {
            at = 0;
            while (at < items.size() && CompareNoCase(items[at].text, text) <= 0) ++at;
        }
        items.insert(items.begin() + static_cast<long>(at), ListItem{text, data, false});
        return static_cast<int>(at);
    }
    // Inserts before the index (-1: at the end); -1 for an index past the end.
    int Insert(INT_PTR index, const std::wstring& text, ULONG_PTR data)
    {
        if (index < 0) index = Count();
        if (index > Count()) return -1;
        items.insert(items.begin() + index, ListItem{text, data, false});
        return static_cast<int>(index);
    }
    bool Remove(INT_PTR index)
    {
        if (!Valid(index)) return false;
        items.erase(items.begin() + index);
        return true;
    }
    int Find(INT_PTR start, const std::wstring& text, bool exact) const
    {
        const int n = Count();
        if (n == 0) return -1;
        int first = (start < 0 || start >= n) ? 0 : static_cast<int>(start) + 1;
        for (int k = 0; k < n; ++k) {
            const std::wstring& item = items[static_cast<size_t>((first + k) % n)].text;
            bool match = exact ? CompareNoCase(item, text) == 0
                               : item.size() >= text.size() &&
                                     CompareNoCase(std::wstring_view(item).substr(0, text.size()), text) == 0;
            if (match) return (first + k) % n;
        }
        return -1;
    }
};

}  // namespace mfc_controls
