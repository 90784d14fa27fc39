// The skin's marquee ("MarqueeControl"): its first text as one line that
// scrolls through the control, continuously or back and forth, moved by a
// control timer. The text is rendered once into an image of its own size;
// each tick moves a source offset into that image and the control shows the
// part of the image the offset selects. A click or double click can reach
// the application as a command.
//
// A marquee without a skin font measures and draws its text in the system's
// GUI font, unsmoothed so that no edge takes on the key colour. A scroll delay of 0 or below
// is taken as the default 100 ms and a negative scroll amount by its size,
// so that a marquee always moves the way its direction says.
#pragma once

#include <memory>

#include "skin/HDib.h"
#include "skin/HXConBase.h"

class HXConMarquee : public HXConBase {
public:
    enum { BEHAVIOR_SCROLL = 0, BEHAVIOR_ALTERNATE = 1 };
    enum { DIR_LEFT = 0, DIR_RIGHT = 1, DIR_UP = 2, DIR_DOWN = 3 };
    static constexpr int kTimerKey = 1000;
    static constexpr int kDefaultDelay = 100;
    static constexpr int kPauseTicks = 30;

    explicit HXConMarquee(SkinOwner* owner);
    ~HXConMarquee() override;

    // Text ... Text5, Behavior and Direction (error 7), ScrollDelay,
    // ScrollAmount, AlternateWhenLargeText, NotifyClick (then the timer
    // starts), FontName (error 6), FontColor and FontShadowColor, then the
    // common attributes.
    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    int Draw() override;
    int LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode) override;
    // Stores the text; the image is rendered again unless the control is too small.
    void SetText(const wchar_t* text, int index) override;
    int OnButtonDown(int button, int x, int y, int* capture) override;
    int OnButtonUp(int button, int x, int y, int captured, int* value) override;
    int HitTest(int x, int y) override;
    void OnTimer(int key) override;

    void SetRunning(int run) { m_bRun = run ? 1 : 0; }
    POINT GetOffset() const { return POINT{m_nOffsetX, m_nOffsetY}; }
    SIZE GetTextSize() const { return SIZE{m_nTextWidth, m_nTextHeight}; }
    const HDib* GetTextImage() const { return m_pImage.get(); }
    int GetDelay() const { return m_nDelay; }
    int GetAmount() const { return m_nAmount; }
    int GetPause() const { return m_nPause; }
    int GetSign() const { return m_nSign; }

private:
    void RenderText();
    bool MeasureText(const CString& text, SIZE* size);
    void TickScroll(int width, int height);
    void TickAlternate(int width, int height);
    void PostCommand();

    std::unique_ptr<HDib> m_pImage;
    int m_nBehavior = BEHAVIOR_SCROLL;
    int m_nDelay = kDefaultDelay;
    int m_nAmount = 1;
    int m_nDirection = DIR_LEFT;
    int m_nOffsetX = 0;
    int m_nOffsetY = 0;
    int m_nTextWidth = 0;
    int m_nTextHeight = 0;
    int m_nSign = 1;
    int m_bRun = 1;
    int m_bAlternateWhenLarge = 0;
    int m_bParked = 0;
    int m_nNotifyClick = 0;
    int m_bPressed = 0;
    int m_nPause = -1;
};
