// The skin's owner-drawn list ("ListBoxControl"): rows of equal height with
// up to ten column texts each, drawn into an image of its own with the
// skin's colours, background and frame images; single or multiple selection
// by mouse and keyboard; a skin slider as its scroll bar (the list links
// itself as the slider's parent) and a row of skin statics as its column
// header. Selection changes made with the mouse reach the application as
// "HXLBM_ITEMCHANGED" with the list's control id.
//
// The rows are this system's own interface (the skin format gives the list
// none): InsertRow / AddRow with the cell texts, SetCellText, RemoveRow,
// RemoveAll and SetHighlightedRow. Every change runs the scroll range and
// repaints the rows, unless it falls between BeginUpdate and EndUpdate,
// which do that once for a batch.
#pragma once

#include <memory>
#include <vector>

#include "skin/HDib.h"
#include "skin/HXConBase.h"
#include "skin/controls/HXConSliderParent.h"

class HXConSlider;
class HXConStatic;

class HXConListBox : public HXConBase, public HXConSliderParent {
public:
    enum { STYLE_MULTISELECT = 1, STYLE_DRAGENABLE = 2, STYLE_EZMULTISELECT = 4 };
    enum { ROW_SELECTED = 1, ROW_HIGHLIGHTED = 2 };
    enum { BKGND_IMAGE = 0, BKGND_NONE = 1 };
    enum { IMAGE_TILE = 0, IMAGE_STRETCH = 1, IMAGE_NONE = 2 };
    static constexpr int kMaxColumns = 10;
    static constexpr UINT kCellFormat = 0x8824;  // DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER

    struct SColumn {
        CString text;
        int truncated = 0;  // set at each paint: the text is wider than its cell
    };
    struct SItem {
        std::vector<SColumn> columns;
        UINT flags = 0;  // ROW_SELECTED, ROW_HIGHLIGHTED
    };

    explicit HXConListBox(SkinOwner* owner);
    ~HXConListBox() override;

    // ---- HXConBase --------------------------------------------------------------
    // The list's attributes (images: error 5; ItemHeight 0 or below: 8;
    // SliderControlID: 9; ColumnHeaderID missing: 10, unknown: 11; ColumnN:
    // 11; FontName: 6), then the common ones.
    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    int Draw() override;
    void OnSize(int width, int height) override;
    void OnRefresh() override;
    int ApplyColorTheme(const SColorTheme& theme) override;
    int OnMouseMove(int x, int y, int captured, int* track) override;
    int OnMouseLeave() override;
    int OnButtonDown(int button, int x, int y, int* capture) override;
    int OnButtonUp(int button, int x, int y, int captured, int* value) override;
    int OnKeyDown(UINT key, UINT repeat, UINT flags) override;

    // ---- The list's own operations, in slot order -----------------------------
    // Sets the dragging flag; 1.
    virtual int BeginDrag(int kind, int row, int x, int y);
    virtual int OnDoubleClick(int x, int y);
    // Enter on the current row.
    virtual int OnActivate(int row);
    // The rows into the list's image; with full also the frame image.
    virtual void Paint(int full);
    virtual void ClickRow(int row, int fromDown);

    // ---- HXConSliderParent ---------------------------------------------------------
    void OnSliderPosChange(int position, int sliderId) override;
    void OnSliderPosChangeEnd(int position, int sliderId) override;
    void OnSliderScanning(int position, int sliderId) override;

    // ---- Selection -------------------------------------------------------------------
    int IsSelected(int row) const;
    int FirstSelected() const;
    int LastSelected() const;
    void ClearSelection(int repaint);
    void SetSelected(int row, int select, int notify);
    void SelectRange(int a, int b, int select, int notify);
    void SelectAll(int select, int notify);
    void EnsureVisible(int row, int repaint);

    // ---- Rows ---------------------------------------------------------------------------
    // A row of these cell texts (the first ten) before index (at the end for
    // an index outside the rows); its index.
    int InsertRow(int index, const std::vector<CString>& cells);
    int AddRow(const std::vector<CString>& cells) { return InsertRow(-1, cells); }
    // 0 for a row or column outside the list.
    int SetCellText(int row, int column, const CString& text);
    int RemoveRow(int row);
    void RemoveAll();
    // Highlights one row (bit 1); -1 highlights none.
    void SetHighlightedRow(int row);
    void BeginUpdate();
    void EndUpdate();

    // ---- State ----------------------------------------------------------------------------
    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    CString GetCellText(int row, int column) const;
    int IsCellTruncated(int row, int column) const;
    int GetHighlightedRow() const { return m_nHighlighted; }
    int GetTop() const { return m_nTop; }
    int GetCurrent() const { return m_nCurrent; }
    int GetAnchor() const { return m_nAnchor; }
    int GetStyle() const { return m_nStyle; }
    int GetRowHeight() const { return m_nRowHeight; }
    int GetColumnCount() const { return m_nColumnCount; }
    bool IsDragging() const { return m_bDragging != 0; }
    bool HasColumnHeader() const { return m_bHeader != 0; }
    int GetSliderId() const { return m_nSliderId; }
    HXConSlider* GetSlider() const { return m_pSlider; }
    // The six colours: text, text background, selected text, selected
    // background, highlighted text, highlighted background.
    COLORREF GetColor(int index) const { return m_colors[index]; }
    const HDib& GetImage() const { return m_image; }
    int VisibleRows() const;
    // The row at a point's y (control coordinates), -1 above the rows.
    int RowAt(int y) const;
    RECT RowRect(int row) const;
    // The column whose span holds x, -1 when none does.
    int ColumnAt(int x) const;

private:
    int ResolveId(const CString& name, int* id, int error);
    void ScrollRange();
    void Notify();
    void Changed();
    // The width of column i as drawn: its header control's, else the one
    // before it (the first: the row's width).
    int ColumnWidth(int column, int previous) const;
    void LinkControls();
    void ReadLinkedSizes();
    bool InRange(int row) const { return row >= 0 && row < GetRowCount(); }
    void DrawRow(HDC dc, int row);

    int m_nBkgndKind = BKGND_NONE;
    int m_nImageMode = IMAGE_TILE;
    HDib* m_pBkgnd = nullptr;  // the window's images
    HDib* m_pFrame = nullptr;
    HDib m_image;
    HDib* m_pItemFrame = nullptr;
    HDib* m_pSelFrame = nullptr;
    HDib* m_pCurFrame = nullptr;
    HDib* m_pCurSelFrame = nullptr;
    int m_nRowHeight = 10;
    int m_nTop = 0;
    int m_nFrameWidth = 0;
    int m_nFrameHeight = 0;
    int m_nSliderWidth = 0;
    HXConSlider* m_pSlider = nullptr;
    int m_nSliderId = 0;
    int m_bFirstSize = 1;
    COLORREF m_colors[6] = {0x532F25, 0xBC7E6D, 0x532F25, 0xDDAC9D, 0xFFFFFF, 0xBC7E6D};
    COLORREF m_baseColors[6] = {0x532F25, 0xBC7E6D, 0x532F25, 0xDDAC9D, 0xFFFFFF, 0xBC7E6D};
    int m_nLastWidth = 0;
    int m_nLastHeight = 0;
    std::vector<std::unique_ptr<SItem>> m_rows;
    int m_nStyle = 0;
    int m_nHighlighted = -1;
    int m_nCurrent = -1;
    int m_nAnchor = -1;
    struct Press {
        int row = -1;
        int kind = 0;
        int x = 0;
        int y = 0;
        int begun = 0;
    } m_press;
    int m_bDragging = 0;
    int m_bHeader = 0;
    int m_nHeaderHeight = 0;
    int m_nHeaderId = 0;
    HXConStatic* m_pHeader = nullptr;
    int m_columnIds[kMaxColumns] = {};
    HXConStatic* m_columns[kMaxColumns] = {};
    int m_nColumnCount = 1;
    int m_nUpdateDepth = 0;
};
