// A static control that shows one colour as a filled rectangle (the colour
// swatches of the subtitle page). Disabled, it shows the colour of button
// faces whatever colour it holds.
#pragma once

#include "platform/mfc/StandardCtrls.h"

class HColorStatic : public CStatic {
public:
    // Keeps the colour and repaints without erasing.
    void SetColor(COLORREF color);
    COLORREF GetColor() const { return m_color; }

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* dc);
    void OnEnable(BOOL enable);
    DECLARE_MESSAGE_MAP()

private:
    COLORREF m_color = 0xFFFFFF;
};
