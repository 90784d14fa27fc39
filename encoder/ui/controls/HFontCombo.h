// A drop-down list of the installed font families, sorted, each drawn by the
// control with a mark beside TrueType faces. Bitmap faces and the vertical
// "@" faces are left out. The subtitle page picks its font with it.
#pragma once

#include "encoder/ui/controls/HFontObj.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/mfc/StandardCtrls.h"

class HFontCombo : public CComboBox {
public:
    HFontCombo() = default;
    ~HFontCombo() override;

    // Reads the installed families and lists them sorted by the C library's
    // collation; a second fill lists them afresh.
    void Fill();
    // What the control keeps of a listed face; null for other names.
    const HFontObj* FontOf(const CString& face) const;
    // The item of the family that answers to the name in any of its
    // languages (the list shows each family by the name the system gives
    // it, "나눔고딕" for NanumGothic where that is Korean); -1 when no
    // listed family does.
    int FindFamily(const CString& name) const;

    void DrawItem(LPDRAWITEMSTRUCT item) override;

protected:
    int OnCreate(LPCREATESTRUCTW cs);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    static int EnumFace(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type, LPARAM lParam);
    static int TakeListedFace(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type, LPARAM lParam);
    void FreeFonts();
    // The TrueType mark (image 0), made when first drawn.
    CImageList* Marks();

    CImageList m_images;
    CMapStringToPtr m_fonts{10};  // face -> owned HFontObj
    CString m_sReserved1;
    CString m_sReserved2;
};
