#include "HRichEditCtrlEx.h"

#include "platform/win32/Module.h"

namespace {

// The library's handle, kept for the process and freed at its end.
class RichEditLibrary {
public:
    ~RichEditLibrary()
    {
        if (m_module) FreeLibrary(m_module);
    }
    bool Load()
    {
        if (!m_module) m_module = LoadLibraryW(L"RICHED20.DLL");
        return m_module != nullptr;
    }

private:
    HMODULE m_module = nullptr;
};

RichEditLibrary& Library()
{
    static RichEditLibrary library;
    return library;
}

}  // namespace

bool HRichEditCtrlEx::LoadRichEditLibrary() { return Library().Load(); }

BOOL HRichEditCtrlEx::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CreateEx(0, style, rect, parent, id);
}

BOOL HRichEditCtrlEx::CreateEx(DWORD exStyle, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (!AfxInitRichEdit2() || !LoadRichEditLibrary()) return FALSE;
    return CWnd::CreateEx(exStyle, RICHEDIT_CLASSW, nullptr, style, rect, parent, id);
}
