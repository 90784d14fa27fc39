// Turns the "SkinWindow" element of a skin document into a working skin
// window: window options, background, colour themes, fonts, images,
// cursors, control-name bindings, start-up script and the tree of controls
// with their layout. Every step stops at its first failure with the skin
// error code and detail left on the window.
#pragma once

#include <vector>

#include "foundation/XmlDocument.h"

class HXConBase;
class HXManAlign;
class HXWindowMain;

class SkinDocumentLoader {
public:
    explicit SkinDocumentLoader(HXWindowMain& window) : m_window(window) {}

    // The window's options, background, script, definitions, region
    // controls and controls from a "SkinWindow" element.
    int LoadSkinWindow(const CXmlNode* element, int themeIndex);
    // The definition items of a "PreDefine" or "PostDefine" section.
    int LoadPreDefine(const CXmlNode* section);
    // One control element with its children, created into the list and laid
    // out under the layout node.
    int CreateSkinControls(const CXmlNode* element, HXManAlign* layout, std::vector<HXConBase*>& list);

private:
    int LoadDefinition(const CXmlNode* item);
    int LoadColorTheme(const CXmlNode* item);
    int LoadFont(const CXmlNode* item);
    int LoadImageFont(const CXmlNode* item);
    int LoadImage(const CXmlNode* item);
    int LoadCursor(const CXmlNode* item);
    int LoadLockImage(const CXmlNode* item);
    int LoadControlId(const CXmlNode* item, bool windowControl);
    // Resolves a "$" text through the parent skin window, or this window
    // when it has none.
    CString ResolveThroughParent(const CString& text);

    HXWindowMain& m_window;
};
