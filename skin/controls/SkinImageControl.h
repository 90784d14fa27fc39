// What the skin's static and button controls share: up to six alternative
// images selected by number, a plain-colour image, the text attributes
// (font, texts, colours, alignment), an event script run on a click instead
// of the command, and the way a click reaches the application.
#pragma once

#include "skin/HDib.h"
#include "skin/HXConBase.h"

class SkinImageControl : public HXConBase {
public:
    static constexpr int kImageCount = 6;
    // Image types.
    enum { IMAGE_BITMAP = 0, IMAGE_TRANSPARENT = 1, IMAGE_COLOR = 2, IMAGE_NONE = 3 };

    using HXConBase::HXConBase;

    // Alternative 0 to 5 becomes the current image when it was given; with
    // repaint the window redraws the control. 0 and nothing changes otherwise.
    virtual int SelectImage(int number, int repaint);
    void OnSize(int width, int height) override;

    int GetImageType() const { return m_nImageType; }
    int GetImageNumber() const { return m_nImageNum; }
    HDib* GetCurrentImage() const { return m_pCurrentImage; }
    HDib* GetImageAt(int number) const { return (number >= 0 && number < kImageCount) ? m_images[number] : nullptr; }
    COLORREF GetControlColor() const { return m_crControl; }
    const CString& GetEventScript() const { return m_sEventScript; }

protected:
    // Called once the current image changed.
    virtual void OnImageSelected() {}
    // "Image" (required for the bitmap kinds: error 4; an image the window
    // does not have: error 5) and "Image2" to "Image6" (optional; error 5).
    int LoadImageAttributes(const CXmlNode* element, bool required);
    // "ControlColor", "FontName" (error 6), "Text" ... (textCount texts),
    // "FontColor", "FontShadowColor", "TextAlign", "OnEvent" and
    // "DefaultImageNum".
    int LoadTextAttributes(const CXmlNode* element, int textCount);
    // A "$" text resolved by the window.
    CString Resolve(const CString& text);
    // The colour image made (or remade larger) and filled for the size.
    void FitColorImage(int width, int height, bool refill);
    // The event script when there is one, else WM_COMMAND with the command
    // (the "CMD" binding, else the control's id).
    void RunEventOrCommand();
    void PostCommand();

    HDib* m_images[kImageCount] = {};  // the window's
    int m_nImageNum = 0;
    HDib* m_pCurrentImage = nullptr;
    HDib m_colorImage;
    COLORREF m_crControl = 0;
    int m_nImageType = IMAGE_NONE;
    CString m_sEventScript;
};
