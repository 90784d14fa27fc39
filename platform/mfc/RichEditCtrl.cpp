#include "RichEditCtrl.h"

#include "platform/mfc/ControlClasses.h"

BOOL AfxInitRichEdit2()
{
    RegisterControlClasses();
    return TRUE;
}

CString CRichEditCtrl::GetSelText() const
{
    CHARRANGE r;
    GetSel(r);
    std::wstring buffer(static_cast<size_t>(std::max(0L, static_cast<long>(r.cpMax - r.cpMin))) + 1, L'\0');
    long n = static_cast<long>(SendMessage(EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer.data())));
    buffer.resize(static_cast<size_t>(std::max(0L, n)));
    return CString(std::move(buffer));
}
