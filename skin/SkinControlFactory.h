// The control kinds of a skin document by element name, in the order the
// names are compared, and the making of a control of a kind.
#pragma once

#include "platform/win32/CString.h"

class HXConBase;
class HXWindowMain;

enum class SkinControlKind {
    Static,
    Splitter,
    Button,
    PopupMenuButton,
    Slider,
    Window,
    SkinWindow,
    ListBox,
    Marquee,
    Font,  // not a control: passed over
    Rgn,
    XSplitter,
    Browser,
    Flash,
    Unknown,
};

SkinControlKind SkinControlKindOf(const CString& elementName);
// A new control of the kind owned by the window; null for Font, Unknown and
// the kinds this build does not make yet.
HXConBase* CreateSkinControl(SkinControlKind kind, HXWindowMain* window);
