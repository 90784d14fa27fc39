#include "skin/SkinControlFactory.h"

#include "skin/HXWindowChild.h"
#include "skin/controls/HXConButton.h"
#include "skin/controls/HXConRgn.h"
#include "skin/controls/HXConStatic.h"
#include "skin/controls/HXConWindow.h"

namespace {

struct KindName {
    const wchar_t* name;
    SkinControlKind kind;
};

const KindName kKinds[] = {
    {L"StaticControl", SkinControlKind::Static},
    {L"SplitterControl", SkinControlKind::Splitter},
    {L"ButtonControl", SkinControlKind::Button},
    {L"PopupMenuButtonControl", SkinControlKind::PopupMenuButton},
    {L"SliderControl", SkinControlKind::Slider},
    {L"WindowControl", SkinControlKind::Window},
    {L"SkinWindow", SkinControlKind::SkinWindow},
    {L"ListBoxControl", SkinControlKind::ListBox},
    {L"MarqueeControl", SkinControlKind::Marquee},
    {L"Font", SkinControlKind::Font},
    {L"Rgn", SkinControlKind::Rgn},
    {L"XSplitterControl", SkinControlKind::XSplitter},
    {L"BrowserControl", SkinControlKind::Browser},
    {L"FlashControl", SkinControlKind::Flash},
};

}  // namespace

SkinControlKind SkinControlKindOf(const CString& elementName)
{
    for (const KindName& k : kKinds)
        if (elementName == k.name) return k.kind;
    return SkinControlKind::Unknown;
}

HXConBase* CreateSkinControl(SkinControlKind kind, HXWindowMain* window)
{
    switch (kind) {
    case SkinControlKind::Static: return new HXConStatic(window);
    case SkinControlKind::Button: return new HXConButton(window);
    case SkinControlKind::Window: return new HXConWindow(window);
    case SkinControlKind::SkinWindow: return new HXWindowChild(window);
    case SkinControlKind::Rgn: return new HXConRgn(window);
    default: return nullptr;
    }
}
