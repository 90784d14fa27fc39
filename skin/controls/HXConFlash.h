// The skin's Flash control ("FlashControl"): a hosted Flash player kept on
// the control's rectangle, made from the skin window's Flash module when it
// names one, else by class id. Its movie is URL, or OffURL when the computer
// is off line; "./" addresses name movies of the skin. BkgndColor is the
// movie's background; OfflineHide hides the control while the computer is
// off line. The player's window is
// registered with the process's mouse hook, so that the right and middle
// buttons (and the left one outside the click band) reach the skin window.
//
// No player exists for this platform: making it fails, and the control
// loads successfully without a movie, an empty rectangle in the skin.
#pragma once

#include "skin/HXConBase.h"
#include "skin/hosting/CFlashWnd.h"

class CFlashMouseHookMan;

class HXConFlash : public HXConBase, public CFlashWnd {
public:
    static constexpr int kNoClickEdge = ALIGN_NONE;

    explicit HXConFlash(SkinOwner* owner);
    ~HXConFlash() override;

    // The common attributes, then the player; with one, URL, OffURL,
    // BkgndColor and OfflineHide, and the player's window is registered
    // with the mouse hook.
    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    void SetRect(int x, int y, int width, int height, int repaint) override;
    void OnSize(int width, int height) override;

    // Set by the skin window before loading when it names a Flash module.
    void SetModule(int flag, const CString& path);
    // Left-button messages reach the movie only within width pixels of the
    // edge (an Align code: left, top, right or bottom; kNoClickEdge: all).
    void SetClickBand(int edge, int width);

    int GetClickEdge() const { return m_nClickEdge; }
    int GetClickBand() const { return m_nClickBand; }
    int GetOfflineHide() const { return m_bOfflineHide; }

private:
    int m_bOfflineHide = 0;
    int m_nClickEdge = kNoClickEdge;
    int m_nClickBand = 0;
    int m_bModule = 0;
    CString m_sModulePath;
    CFlashMouseHookMan* m_pHookMan;
};
