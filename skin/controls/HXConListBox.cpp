#include "skin/controls/HXConListBox.h"

#include <algorithm>

#include "platform/win32/Format.h"
#include "platform/win32/gui/DrawText.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/GdiText.h"
#include "platform/win32/gui/Input.h"
#include "skin/AttributeValues.h"
#include "skin/ClipScopes.h"
#include "skin/FrameDrawing.h"
#include "skin/HXSubFont.h"
#include "skin/SkinErrors.h"
#include "skin/SkinMessages.h"
#include "skin/SkinOwner.h"
#include "skin/controls/HXConSlider.h"
#include "skin/controls/HXConStatic.h"

namespace {

constexpr COLORREF kNone = static_cast<COLORREF>(-1);

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

COLORREF Tinted(COLORREF base, const SColorTheme& theme)
{
    if (base == kNone) return kNone;
    auto channel = [](int value, int offset) { return static_cast<BYTE>(std::clamp(value + offset, 0, 255)); };
    return RGB(channel(GetRValue(base), theme.red), channel(GetGValue(base), theme.green),
               channel(GetBValue(base), theme.blue));
}

// "&" doubled, so that a tooltip shows the text as it is.
CString DoubledAmpersands(const CString& text)
{
    CString out;
    for (int i = 0; i < text.GetLength(); ++i) {
        out += text[i];
        if (text[i] == L'&') out += L'&';
    }
    return out;
}

}  // namespace

HXConListBox::HXConListBox(SkinOwner* owner) : HXConBase(owner) { m_nFlags |= kFlagFocusOnClick; }

HXConListBox::~HXConListBox() = default;

// ---- Loading ----------------------------------------------------------------------------

int HXConListBox::ResolveId(const CString& name, int* id, int error)
{
    if (m_pOwner && m_pOwner->FindControlId(name, *id)) return 1;
    SetLastSkinError(*this, error, L"%s", name);
    return 0;
}

int HXConListBox::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    m_hHost = host;
    m_pSurface = surface;
    if (!element) return HXConBase::LoadAttributes(host, surface, element);
    CString value;
    if (element->GetAttribute(L"BkgndImage", value)) {
        if (!LoadImageAttribute(element, L"BkgndImage", &m_pBkgnd)) return 0;
        m_nBkgndKind = BKGND_IMAGE;
        if (element->GetAttribute(L"ImageType", value)) {
            if (value == L"tile")
                m_nImageMode = IMAGE_TILE;
            else if (value == L"stretch")
                m_nImageMode = IMAGE_STRETCH;
            else if (value == L"none")
                m_nImageMode = IMAGE_NONE;
        }
    }
    if (element->GetAttribute(L"FrameImage", value) && !value.IsEmpty()) {
        if (!LoadImageAttribute(element, L"FrameImage", &m_pFrame)) return 0;
        m_nFrameWidth = m_pFrame->GetWidth() / 3;
        m_nFrameHeight = m_pFrame->GetHeight() / 3;
    }
    if (element->GetAttribute(L"Style", value)) {
        if (value.Find(L"multiselect") >= 0) m_nStyle |= STYLE_MULTISELECT;
        if (value.Find(L"dragenable") >= 0 || value.Find(L"draggable") >= 0) m_nStyle |= STYLE_DRAGENABLE;
        if (value.Find(L"ezmultiselect") >= 0) m_nStyle |= STYLE_EZMULTISELECT;
    }
    static const wchar_t* const kColors[6] = {L"ClrDefaultText", L"ClrDefaultTextBk", L"ClrSelText",
                                              L"ClrSelTextBk",   L"ClrCurText",       L"ClrCurTextBk"};
    for (int i = 0; i < 6; ++i)
        if (element->GetAttribute(kColors[i], value)) m_colors[i] = ParseColorAttribute(value);
    std::copy(std::begin(m_colors), std::end(m_colors), std::begin(m_baseColors));
    if (!LoadImageAttribute(element, L"ItemFrame", &m_pItemFrame) ||
        !LoadImageAttribute(element, L"SelItemFrame", &m_pSelFrame) ||
        !LoadImageAttribute(element, L"CurItemFrame", &m_pCurFrame) ||
        !LoadImageAttribute(element, L"CurSelItemFrame", &m_pCurSelFrame))
        return 0;
    if (element->GetAttribute(L"ItemHeight", value)) {
        element->GetAttributeInt(L"ItemHeight", m_nRowHeight);
        // Rows are laid out by dividing by their height: none, or a negative
        // one, cannot be a list.
        if (m_nRowHeight <= 0) {
            SetLastSkinError(*this, SKINERR_ZERO_ITEM_HEIGHT, L"%s", value);
            return 0;
        }
    }
    if (element->GetAttribute(L"SliderControlID", value) && !ResolveId(value, &m_nSliderId, SKINERR_NO_SLIDER))
        return 0;
    element->GetAttributeInt(L"ColumnHeader", m_bHeader);
    if (m_bHeader) {
        if (!element->GetAttribute(L"ColumnHeaderID", value)) {
            SetLastSkinError(*this, SKINERR_NO_COLUMN_HEADER_ID, L"%s", L"ColumnHeaderID");
            return 0;
        }
        if (!ResolveId(value, &m_nHeaderId, SKINERR_NO_COLUMN_HEADER)) return 0;
        for (int i = 0; i < kMaxColumns; ++i) {
            if (!element->GetAttribute(FormatText(L"Column%d", i).c_str(), value) || value.IsEmpty()) continue;
            if (!ResolveId(value, &m_columnIds[i], SKINERR_NO_COLUMN_HEADER)) return 0;
            m_nColumnCount = i + 1;
        }
    }
    if (element->GetAttribute(L"FontName", value)) {
        m_pFont = m_pOwner ? m_pOwner->FindFont(value) : nullptr;
        if (!m_pFont) {
            SetLastSkinError(*this, SKINERR_BAD_FONT_NAME, L"%s", value);
            return 0;
        }
    }
    return HXConBase::LoadAttributes(host, surface, element);
}

// ---- Geometry --------------------------------------------------------------------------

int HXConListBox::VisibleRows() const
{
    if (m_nRowHeight <= 0) return 0;
    return std::max(0, (m_nLastHeight - 2 * m_nFrameHeight - m_nHeaderHeight) / m_nRowHeight);
}

int HXConListBox::RowAt(int y) const
{
    const long long offset = static_cast<long long>(y) - m_nHeaderHeight - m_nFrameHeight;
    if (offset < 0 || m_nRowHeight <= 0) return -1;
    return static_cast<int>(std::min<long long>(offset / m_nRowHeight + m_nTop, INT32_MAX));
}

RECT HXConListBox::RowRect(int row) const
{
    RECT r;
    r.left = m_nFrameWidth;
    r.top = m_nHeaderHeight + m_nRowHeight * (row - m_nTop) + m_nFrameHeight;
    r.right = m_nLastWidth - m_nFrameWidth - m_nSliderWidth;
    r.bottom = r.top + m_nRowHeight;
    return r;
}

int HXConListBox::ColumnWidth(int column, int previous) const
{
    if (column >= 0 && column < kMaxColumns && m_columns[column]) {
        SIZE size;
        m_columns[column]->GetSize(&size);
        return size.cx;
    }
    return previous;
}

int HXConListBox::ColumnAt(int x) const
{
    if (m_nColumnCount <= 1) return 0;
    if (x < 0 || x >= m_nLastWidth) return -1;
    const RECT row = RowRect(m_nTop);
    int width = row.right - row.left;
    long long start = 0;
    for (int i = 0; i < m_nColumnCount; ++i) {
        width = ColumnWidth(i, width);
        if (x >= start && x <= start + width) return i;
        start += width;
    }
    return -1;
}

// ---- Linking and sizing --------------------------------------------------------------

void HXConListBox::LinkControls()
{
    if (!m_pOwner) return;
    if (m_nSliderId) {
        m_pSlider = dynamic_cast<HXConSlider*>(m_pOwner->FindControl(m_nSliderId));
        if (m_pSlider) m_pSlider->SetSliderParent(this);
    }
    if (m_bHeader) {
        // The header and its columns are statics of the skin; another kind
        // under their ids is not taken for them.
        m_pHeader = dynamic_cast<HXConStatic*>(m_pOwner->FindControl(m_nHeaderId));
        for (int i = 0; i < kMaxColumns; ++i)
            m_columns[i] = m_columnIds[i] ? dynamic_cast<HXConStatic*>(m_pOwner->FindControl(m_columnIds[i])) : nullptr;
    }
}

void HXConListBox::ReadLinkedSizes()
{
    SIZE size;
    m_nSliderWidth = 0;
    if (m_pSlider) {
        m_pSlider->GetSize(&size);
        m_nSliderWidth = std::max<LONG>(0, size.cx);
    }
    m_nHeaderHeight = 0;
    if (m_pHeader) {
        m_pHeader->GetSize(&size);
        m_nHeaderHeight = std::max<LONG>(0, size.cy);
    }
}

void HXConListBox::OnSize(int width, int height)
{
    const bool fresh = width > 0 && height > 0 && (width != m_nLastWidth || height != m_nLastHeight);
    m_nLastWidth = width;
    m_nLastHeight = height;
    if (!fresh) return;
    if (m_bFirstSize) {
        m_bFirstSize = 0;
        LinkControls();
        ReadLinkedSizes();
    }
    if (m_image.IsEmpty() || m_image.GetWidth() < width || m_image.GetHeight() < height)
        m_image.Create(std::max(width, m_image.GetWidth()), std::max(height, m_image.GetHeight()), 24);
    Paint(1);
    if (m_bHeader) RefreshControl();
}

void HXConListBox::OnRefresh()
{
    ReadLinkedSizes();
    Paint(1);
}

int HXConListBox::ApplyColorTheme(const SColorTheme& theme)
{
    for (int i = 0; i < 6; ++i) m_colors[i] = Tinted(m_baseColors[i], theme);
    Paint(0);
    return 1;
}

// ---- Painting ------------------------------------------------------------------------------

void HXConListBox::ScrollRange()
{
    const int visible = VisibleRows();
    const int count = GetRowCount();
    if (visible < count) {
        m_nTop = std::clamp(m_nTop, 0, count - visible);
        if (m_pSlider) {
            m_pSlider->SetRange(0, count - visible, visible, 0);
            m_pSlider->SetPosition(m_nTop);
        }
    } else {
        m_nTop = 0;
        if (m_pSlider) m_pSlider->SetRange(-1, -1, 0);
    }
}

void HXConListBox::Paint(int full)
{
    if (!m_nListFlag || m_nRowHeight <= 0 || m_image.IsEmpty()) return;
    ScrollRange();
    const int w = m_nLastWidth, h = m_nLastHeight;
    const RECT whole{0, 0, w, h};
    // The image may be larger than the list: nothing is drawn beyond it.
    DibClipScope clip(&m_image, whole);
    if (!full && m_pFrame)
        DrawFrame(*m_pFrame, &m_image, RECT{0, 0, m_pFrame->GetWidth(), m_pFrame->GetHeight()}, whole, 0, 0);
    if (m_nBkgndKind == BKGND_NONE) {
        m_image.FillClip(RGB(0, 0, 0));
    } else if (m_nImageMode == IMAGE_TILE && m_pBkgnd) {
        const RECT inner{m_nFrameWidth, m_nHeaderHeight + m_nFrameHeight, w - m_nFrameWidth, h - m_nFrameHeight};
        if (inner.right > inner.left && inner.bottom > inner.top) m_pBkgnd->Tile(&m_image, inner, 0, 0, 1);
    }
    HDC dc = m_image.GetDC();
    if (!dc) return;
    const int selected = m_pFont ? m_pFont->Begin(dc) : 0;
    SetBkMode(dc, TRANSPARENT);
    const int end = std::min<long long>(GetRowCount(), static_cast<long long>(m_nTop) + VisibleRows());
    for (int row = m_nTop; row < end; ++row) DrawRow(dc, row);
    if (selected) m_pFont->End(dc);
    m_image.ReleaseDC();
}

void HXConListBox::DrawRow(HDC dc, int row)
{
    SItem& item = *m_rows[static_cast<size_t>(row)];
    const bool sel = (item.flags & ROW_SELECTED) != 0, cur = (item.flags & ROW_HIGHLIGHTED) != 0;
    const COLORREF background = sel ? m_colors[3] : cur ? m_colors[5] : m_colors[1];
    const COLORREF text = cur ? m_colors[4] : sel ? m_colors[2] : m_colors[0];
    const RECT r = RowRect(row);
    if (r.right <= r.left) return;
    if (background != kNone) {
        DibClipScope rowClip(&m_image, r);
        m_image.FillClip(background);
    }
    // Row frames: the selected look wins, the highlight goes over it unless
    // the skin has a frame for both.
    auto frame = [&](const HDib* image) {
        if (image) DrawFrame(*image, &m_image, RECT{0, 0, image->GetWidth(), image->GetHeight()}, r, 1, 1);
    };
    if (sel && cur && m_pCurSelFrame) {
        frame(m_pCurSelFrame);
    } else {
        frame(sel ? m_pSelFrame : m_pItemFrame);
        if (cur) frame(m_pCurFrame);
    }
    DcClipScope dcClip(dc, &m_image);
    int left = r.left;
    int width = r.right - r.left;
    const int cells = std::min<int>(m_nColumnCount, static_cast<int>(item.columns.size()));
    for (int i = 0; i < cells; ++i) {
        width = ColumnWidth(i, width);
        RECT cell{left + (i == 0 ? m_rcInnerGaps.left : 0), r.top, left + width - 2, r.bottom};
        SColumn& column = item.columns[static_cast<size_t>(i)];
        SIZE extent{};
        if (!column.text.IsEmpty()) {
            if (m_pFont) {
                m_pFont->MeasureText(column.text, &extent);
                m_pFont->DrawText(dc, &m_image, column.text, cell, kCellFormat, text);
            } else {
                GetTextExtentPoint32W(dc, column.text, column.text.GetLength(), &extent);
                ::SetTextColor(dc, text);
                RECT box = cell;
                DrawTextW(dc, column.text, -1, &box, kCellFormat);
            }
        }
        column.truncated = (cell.right - cell.left) < extent.cx ? 1 : 0;
        left += width;
    }
}

int HXConListBox::Draw()
{
    if (!m_bShown || IsTooSmall() || m_image.IsEmpty() || !m_pSurface) return HXConBase::Draw();
    RECT r;
    GetRect(&r);
    m_image.Copy(m_pSurface, r.left, r.top, 0, 0, std::min(m_nLastWidth, m_image.GetWidth()),
                 std::min(m_nLastHeight, m_image.GetHeight()));
    return HXConBase::Draw();
}

// ---- Selection ------------------------------------------------------------------------------

void HXConListBox::Notify()
{
    Paint(0);
    InvalidateControl();
    SendControlNotify(ListBoxItemChangedMessage(), static_cast<WPARAM>(m_binding.id), 0);
}

int HXConListBox::IsSelected(int row) const
{
    return InRange(row) && (m_rows[static_cast<size_t>(row)]->flags & ROW_SELECTED) ? 1 : 0;
}

int HXConListBox::FirstSelected() const
{
    for (int i = 0; i < GetRowCount(); ++i)
        if (IsSelected(i)) return i;
    return -1;
}

int HXConListBox::LastSelected() const
{
    for (int i = GetRowCount() - 1; i >= 0; --i)
        if (IsSelected(i)) return i;
    return -1;
}

void HXConListBox::ClearSelection(int repaint)
{
    for (auto& row : m_rows) row->flags &= ~static_cast<UINT>(ROW_SELECTED);
    if (repaint) {
        Paint(0);
        InvalidateControl();
    }
}

void HXConListBox::SetSelected(int row, int select, int notify)
{
    if (!InRange(row)) return;
    SItem& item = *m_rows[static_cast<size_t>(row)];
    if (select) {
        if (!(m_nStyle & STYLE_MULTISELECT)) ClearSelection(0);
        item.flags |= ROW_SELECTED;
        m_nCurrent = m_nAnchor = row;
    } else {
        item.flags &= ~static_cast<UINT>(ROW_SELECTED);
        if (row == m_nCurrent) m_nCurrent = m_nAnchor = -1;
    }
    if (notify) Notify();
}

void HXConListBox::SelectRange(int a, int b, int select, int notify)
{
    if (!(m_nStyle & STYLE_MULTISELECT) || !InRange(a) || !InRange(b)) return;
    const int low = std::min(a, b), high = std::max(a, b);
    for (int i = low; i <= high; ++i) {
        if (select)
            m_rows[static_cast<size_t>(i)]->flags |= ROW_SELECTED;
        else
            m_rows[static_cast<size_t>(i)]->flags &= ~static_cast<UINT>(ROW_SELECTED);
    }
    if (select)
        m_nCurrent = b;
    else if (m_nCurrent >= low && m_nCurrent <= high)
        m_nCurrent = m_nAnchor = -1;
    if (notify) Notify();
}

void HXConListBox::SelectAll(int select, int notify)
{
    if (m_nStyle & STYLE_MULTISELECT) SelectRange(0, GetRowCount() - 1, select, notify);
}

void HXConListBox::EnsureVisible(int row, int repaint)
{
    const int visible = VisibleRows();
    if (!InRange(row) || visible <= 0) return;
    if (row < m_nTop)
        m_nTop = row;
    else if (row >= m_nTop + visible)
        m_nTop = row - visible + 1;
    if (repaint) {
        Paint(0);
        InvalidateControl();
    }
}

// ---- Rows -------------------------------------------------------------------------------------

void HXConListBox::Changed()
{
    if (m_nUpdateDepth > 0) return;
    Paint(0);
    InvalidateControl();
}

void HXConListBox::BeginUpdate() { ++m_nUpdateDepth; }

void HXConListBox::EndUpdate()
{
    if (m_nUpdateDepth > 0 && --m_nUpdateDepth == 0) Changed();
}

int HXConListBox::InsertRow(int index, const std::vector<CString>& cells)
{
    auto item = std::make_unique<SItem>();
    const size_t n = std::min<size_t>(cells.size(), kMaxColumns);
    item->columns.resize(n);
    for (size_t i = 0; i < n; ++i) item->columns[i].text = cells[i];
    if (!InRange(index)) index = GetRowCount();
    m_rows.insert(m_rows.begin() + index, std::move(item));
    // Indexes at or after the new row move down with their rows.
    for (int* mark : {&m_nHighlighted, &m_nCurrent, &m_nAnchor, &m_press.row})
        if (*mark >= index) ++*mark;
    Changed();
    return index;
}

int HXConListBox::SetCellText(int row, int column, const CString& text)
{
    if (!InRange(row) || column < 0 || column >= kMaxColumns) return 0;
    auto& columns = m_rows[static_cast<size_t>(row)]->columns;
    if (static_cast<size_t>(column) >= columns.size()) columns.resize(static_cast<size_t>(column) + 1);
    columns[static_cast<size_t>(column)].text = text;
    Changed();
    return 1;
}

int HXConListBox::RemoveRow(int row)
{
    if (!InRange(row)) return 0;
    m_rows.erase(m_rows.begin() + row);
    for (int* mark : {&m_nHighlighted, &m_nCurrent, &m_nAnchor, &m_press.row}) {
        if (*mark == row)
            *mark = -1;
        else if (*mark > row)
            --*mark;
    }
    Changed();
    return 1;
}

void HXConListBox::RemoveAll()
{
    // The highlight is forgotten with its row, never written into a row
    // already deleted; the caret, the anchor and a pressed row go too.
    if (InRange(m_nHighlighted))
        m_rows[static_cast<size_t>(m_nHighlighted)]->flags &= ~static_cast<UINT>(ROW_HIGHLIGHTED);
    m_nHighlighted = m_nCurrent = m_nAnchor = m_press.row = -1;
    m_rows.clear();
    m_nTop = 0;
    Paint(0);
    InvalidateControl();
}

void HXConListBox::SetHighlightedRow(int row)
{
    if (InRange(m_nHighlighted))
        m_rows[static_cast<size_t>(m_nHighlighted)]->flags &= ~static_cast<UINT>(ROW_HIGHLIGHTED);
    m_nHighlighted = InRange(row) ? row : -1;
    if (m_nHighlighted >= 0) m_rows[static_cast<size_t>(m_nHighlighted)]->flags |= ROW_HIGHLIGHTED;
    Changed();
}

CString HXConListBox::GetCellText(int row, int column) const
{
    if (!InRange(row) || column < 0) return CString();
    const auto& columns = m_rows[static_cast<size_t>(row)]->columns;
    return static_cast<size_t>(column) < columns.size() ? columns[static_cast<size_t>(column)].text : CString();
}

int HXConListBox::IsCellTruncated(int row, int column) const
{
    if (!InRange(row) || column < 0) return 0;
    const auto& columns = m_rows[static_cast<size_t>(row)]->columns;
    return static_cast<size_t>(column) < columns.size() ? columns[static_cast<size_t>(column)].truncated : 0;
}

// ---- Slider -----------------------------------------------------------------------------------

void HXConListBox::OnSliderPosChange(int position, int)
{
    m_nTop = position;
    Paint(0);
    InvalidateControl();
}

void HXConListBox::OnSliderPosChangeEnd(int, int) {}

void HXConListBox::OnSliderScanning(int, int) {}

// ---- Mouse and keys ------------------------------------------------------------------------

int HXConListBox::BeginDrag(int, int, int, int)
{
    m_bDragging = 1;
    return 1;
}

int HXConListBox::OnDoubleClick(int, int) { return 0; }

int HXConListBox::OnActivate(int) { return 0; }

void HXConListBox::ClickRow(int row, int fromDown)
{
    if (!(m_nStyle & STYLE_MULTISELECT)) {
        const int first = FirstSelected();
        if (first >= 0) {
            m_rows[static_cast<size_t>(first)]->flags &= ~static_cast<UINT>(ROW_SELECTED);
            if (first == m_nCurrent) m_nCurrent = m_nAnchor = -1;
        }
        if (!InRange(row)) return;
        m_rows[static_cast<size_t>(row)]->flags |= ROW_SELECTED;
        m_nCurrent = m_nAnchor = row;
        Notify();
        return;
    }
    if (KeyDown(VK_SHIFT) && m_nCurrent >= 0) {
        ClearSelection(0);
        SelectRange(m_nAnchor, row, 1, 1);
        return;
    }
    if (KeyDown(VK_CONTROL) || (m_nStyle & STYLE_EZMULTISELECT)) {
        if (!IsSelected(row)) {
            SetSelected(row, 1, 1);
        } else {
            m_rows[static_cast<size_t>(row)]->flags &= ~static_cast<UINT>(ROW_SELECTED);
            if (row == m_nCurrent) m_nCurrent = m_nAnchor = -1;
            Notify();
        }
        return;
    }
    // A press on a selected row of a draggable list may start dragging them all.
    if (fromDown && IsSelected(row) && (m_nStyle & STYLE_DRAGENABLE)) return;
    ClearSelection(0);
    SetSelected(row, 1, 1);
}

int HXConListBox::OnButtonDown(int button, int x, int y, int* capture)
{
    m_press = Press{-1, button, x, y, 0};
    if (button == 1 || button == 2) {
        const int row = RowAt(y);
        if (!InRange(row)) {
            ClearSelection(1);
            return 1;
        }
        if (button == 2 && IsSelected(row)) return 1;
        if ((m_nStyle & STYLE_DRAGENABLE) && capture) *capture = 1;
        m_press.row = row;
        if (!(m_nStyle & STYLE_EZMULTISELECT)) ClickRow(row, 1);
        return 1;
    }
    if (button == 4) return OnDoubleClick(x, y);
    return 0;
}

int HXConListBox::OnMouseMove(int x, int y, int captured, int*)
{
    if (captured && !m_bDragging && m_press.row >= 0) {
        const int row = RowAt(y);
        if (row != m_press.row && IsSelected(m_press.row)) {
            BeginDrag(m_press.kind, m_press.row, m_press.x, m_press.y);
            m_press.begun = 1;
            return 1;
        }
    }
    // A cell cut short by its column shows its whole text as the tooltip.
    m_sTooltip.Empty();
    const int row = RowAt(y);
    const int column = ColumnAt(x);
    if (InRange(row) && IsCellTruncated(row, column)) m_sTooltip = DoubledAmpersands(GetCellText(row, column));
    return 0;
}

int HXConListBox::OnMouseLeave()
{
    m_sTooltip.Empty();
    return 0;
}

int HXConListBox::OnButtonUp(int, int, int y, int, int*)
{
    if (m_bDragging) {
        m_bDragging = 0;
        return 1;
    }
    const int row = m_press.row;
    if (row >= 0 && RowAt(y) == row) {
        const bool ez = (m_nStyle & STYLE_EZMULTISELECT) != 0;
        if (KeyDown(VK_SHIFT) || KeyDown(VK_CONTROL) || m_press.begun || ez) {
            m_press.begun = 0;
            if (ez) ClickRow(row, 0);
        } else {
            if (!(IsSelected(row) && FirstSelected() == row && LastSelected() == row)) {
                ClearSelection(0);
                SetSelected(row, 1, 1);
            }
            m_press.row = -1;
        }
    }
    return 1;
}

int HXConListBox::OnKeyDown(UINT key, UINT, UINT)
{
    if (m_rows.empty() || !m_bShown || IsTooSmall()) return 0;
    const int count = GetRowCount();
    const int visible = VisibleRows();
    long long target = 0;
    switch (key) {
    case VK_RETURN: return OnActivate(m_nCurrent);
    case VK_PRIOR: target = static_cast<long long>(m_nCurrent) - visible; break;
    case VK_NEXT: target = static_cast<long long>(m_nCurrent) + visible; break;
    case VK_END: target = count; break;
    case VK_HOME: target = 0; break;
    case VK_UP: target = m_nCurrent < 0 ? m_nTop : m_nCurrent - 1; break;
    case VK_DOWN: target = m_nCurrent < 0 ? m_nTop : m_nCurrent + 1; break;
    case 'A':
        if (!KeyDown(VK_CONTROL)) return 0;
        SelectAll(1, 1);
        return 1;
    default: return 0;
    }
    const int to = static_cast<int>(std::clamp<long long>(target, 0, count - 1));
    ClearSelection(0);
    if (KeyDown(VK_SHIFT)) {
        SelectRange(m_nAnchor, to, 1, 0);
        m_nCurrent = to;
    } else {
        m_rows[static_cast<size_t>(to)]->flags |= ROW_SELECTED;
        m_nCurrent = m_nAnchor = to;
    }
    EnsureVisible(to, 1);
    return 1;
}
