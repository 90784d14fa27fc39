// A rich-edit control of the platform's Rich Edit 2.0 library: creating one
// loads "RICHED20.DLL" (once for the process; it is freed at exit) and makes
// a window of the class "RichEdit20W".
#pragma once

#include "platform/mfc/RichEditCtrl.h"

class HRichEditCtrlEx : public CRichEditCtrl {
public:
    // FALSE when the rich-edit library cannot be had or the window not made.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    BOOL CreateEx(DWORD exStyle, DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // Loads the library the first time; false when it cannot be loaded.
    static bool LoadRichEditLibrary();
};
