#include "ComboSearch.h"

int FindExactItem(const CComboBox& box, const CString& text)
{
    for (int i = 0; i < box.GetCount(); ++i) {
        CString item;
        box.GetLBText(i, item);
        if (item == text) return i;
    }
    return -1;
}
