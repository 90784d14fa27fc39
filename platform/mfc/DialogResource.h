// Compiled dialog resources: the tables the resource compiler writes from the
// resource sources, registered by the program at start, and the loader that
// makes a dialog window of one. The loader builds the dialog template the
// window layer reads (the dialog font, the controls in tab order with their
// classes, styles and texts), and the layer places every control absolutely,
// converting dialog units with the dialog font's base units.
#pragma once

#include <cstddef>

#include "platform/win32/gui/UserTypes.h"

struct DialogControlResource {
    int id;
    const wchar_t* name;       // "" when unnamed
    const wchar_t* className;  // window class
    const wchar_t* text;
    DWORD style;  // WS_CHILD and, unless hidden, WS_VISIBLE included
    DWORD exStyle;
    short x, y, cx, cy;  // dialog units
};

struct DialogResource {
    int id;
    const wchar_t* name;
    const wchar_t* caption;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;  // dialog units
    WORD pointSize;      // 0: the system font
    const wchar_t* fontFace;
    const wchar_t* className;  // "": the dialog class
    const DialogControlResource* controls;
    size_t controlCount;
};

// Registers a dialog (the table is not copied and must outlive the program's
// use of it; the compiler's tables are static). A later registration of the
// same id replaces the earlier one.
void RegisterDialogResource(const DialogResource* resource);
// By id, or by a name (IS_INTRESOURCE values are ids); null when unknown.
const DialogResource* FindDialogResource(int id);
const DialogResource* FindDialogResourceByName(LPCWSTR name);

// Makes the dialog window of a resource through the window layer, hidden
// whatever the resource says (the caller shows it), with the procedure and
// parameter the layer hands to WM_INITDIALOG. The window carries its
// resource id (DialogResourceIdOf). Null when the window or one of its
// controls could not be made.
HWND CreateDialogFromResource(const DialogResource& resource, HWND owner, DLGPROC proc, LPARAM param);
// The resource id a dialog window was made from; 0 for other windows.
int DialogResourceIdOf(HWND window);
// The visible dialog made from the resource id that is topmost among our
// windows (children included, in stacking order); null when none shows.
HWND FindDialogByResourceId(int id);
