// The "SysListView32" class in report view over a QTreeWidget: columns,
// rows with texts in their columns, item data, check boxes (state images 1
// and 2), and selection and focus states. The control keeps all of it and
// handles the mouse and the keys itself, so that every state change, the
// program's own (LVM_SETITEMSTATE, LVM_SETITEM) as well as the user's, goes
// through one path: LVN_ITEMCHANGING, which the parent may refuse, then
// LVN_ITEMCHANGED. One row holds the focus; a single-selection list holds
// one selected row. Clicks send NM_CLICK, NM_RCLICK and NM_DBLCLK; with
// LVS_EX_INFOTIP the parent gives the tip (LVN_GETINFOTIPW). WM_SETREDRAW
// FALSE keeps the widget as it is until redrawing is switched on again.
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QTreeWidget>
#include <algorithm>

#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/mfc/ImageList.h"
#include "platform/mfc/ImageListPicture.h"
#include "platform/win32/CString.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace mfc_controls {
namespace {

constexpr int kInfoTipChars = 1024;
constexpr UINT LVKF_ALT = 0x0001;
constexpr UINT LVKF_CONTROL = 0x0002;
constexpr UINT LVKF_SHIFT = 0x0004;
constexpr UINT LVFI_WRAP = 0x0020;
constexpr DWORD LVGIT_UNFOLDED = 0x0001;

struct Row {
    std::vector<std::wstring> texts;
    UINT state = 0;
    LPARAM param = 0;
    int image = -1;
};

struct Column {
    std::wstring text;
    int width = 50;
    int fmt = LVCFMT_LEFT;
};

struct ListViewControl : ControlWindow {
    using ControlWindow::ControlWindow;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    QWidget* Widget() const override { return view; }
    void OnFocusChanged(bool gained) override;

    std::vector<Column> columns;
    std::vector<Row> rows;
    DWORD exStyle = 0;
    bool redraw = true;
    bool dirty = false;  // changes waiting for the redraw switch
    int mark = -1;       // the selection mark (shift selections start here)
    HIMAGELIST images[3] = {nullptr, nullptr, nullptr};
    COLORREF background = 0xFFFFFF;
    QPointer<QTreeWidget> view;
};

ListViewControl* StateOf(HWND h) { return ControlWindow::Of<ListViewControl>(h); }

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }
bool SingleSelection(HWND h) { return (Style(h) & LVS_SINGLESEL) != 0; }
int RowCount(const ListViewControl& s) { return static_cast<int>(s.rows.size()); }
bool ValidRow(const ListViewControl& s, INT_PTR i) { return i >= 0 && i < RowCount(s); }
bool HasCheckBoxes(const ListViewControl& s) { return (s.exStyle & LVS_EX_CHECKBOXES) != 0; }
bool IsChecked(const Row& r) { return ((r.state & LVIS_STATEIMAGEMASK) >> 12) == 2; }

std::wstring TextOf(const Row& r, int column)
{
    return column >= 0 && static_cast<size_t>(column) < r.texts.size() ? r.texts[static_cast<size_t>(column)]
                                                                       : std::wstring();
}

// ---- Showing the state ------------------------------------------------------------------

void ShowRow(HWND, ListViewControl& s, int i)
{
    if (!s.view || !s.redraw) {
        s.dirty = true;
        return;
    }
    QTreeWidgetItem* item = s.view->topLevelItem(i);
    if (!item) return;
    ProgrammaticChange change;
    const Row& r = s.rows[static_cast<size_t>(i)];
    for (size_t c = 0; c < s.columns.size(); ++c) {
        item->setText(static_cast<int>(c), QString::fromStdWString(TextOf(r, static_cast<int>(c))));
        int fmt = s.columns[c].fmt & 3;
        item->setTextAlignment(static_cast<int>(c), (fmt == LVCFMT_RIGHT    ? Qt::AlignRight
                                                     : fmt == LVCFMT_CENTER ? Qt::AlignHCenter
                                                                            : Qt::AlignLeft) |
                                                        Qt::AlignVCenter);
    }
    if (HasCheckBoxes(s))
        item->setCheckState(0, IsChecked(r) ? Qt::Checked : Qt::Unchecked);
    else
        item->setData(0, Qt::CheckStateRole, QVariant());
    QImage icon = s.images[LVSIL_SMALL] ? ImageListPicture(s.images[LVSIL_SMALL], r.image) : QImage();
    item->setIcon(0, icon.isNull() ? QIcon() : QIcon(QPixmap::fromImage(icon)));
    item->setSelected((r.state & LVIS_SELECTED) != 0);
    if (r.state & LVIS_FOCUSED) s.view->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
}

void ShowAll(HWND h, ListViewControl& s)
{
    if (!s.view || !s.redraw) {
        s.dirty = true;
        return;
    }
    s.dirty = false;
    {
        ProgrammaticChange change;
        s.view->clear();
        s.view->setColumnCount(static_cast<int>(std::max<size_t>(1, s.columns.size())));
        QStringList labels;
        for (const Column& c : s.columns) labels << QString::fromStdWString(c.text);
        s.view->setHeaderLabels(labels);
        for (size_t c = 0; c < s.columns.size(); ++c) s.view->setColumnWidth(static_cast<int>(c), s.columns[c].width);
        s.view->header()->setVisible(!(Style(h) & LVS_NOCOLUMNHEADER) && !s.columns.empty());
        QList<QTreeWidgetItem*> items;
        for (size_t i = 0; i < s.rows.size(); ++i) items.append(new QTreeWidgetItem);
        s.view->addTopLevelItems(items);
    }
    for (int i = 0; i < RowCount(s); ++i) ShowRow(h, s, i);
}

// ---- State changes ------------------------------------------------------------------------

NMLISTVIEW StateNote(const ListViewControl& s, int row, UINT oldState, UINT newState)
{
    NMLISTVIEW nm;
    nm.iItem = row;
    nm.uOldState = oldState;
    nm.uNewState = newState;
    nm.uChanged = LVIF_STATE;
    nm.lParam = s.rows[static_cast<size_t>(row)].param;
    return nm;
}

// Sets the row's state bits under the mask with the two notifications;
// false when nothing changed or the parent refused.
bool ChangeState(HWND h, int row, UINT state, UINT mask)
{
    ListViewControl* s = StateOf(h);
    if (!s || !ValidRow(*s, row)) return false;
    UINT old = s->rows[static_cast<size_t>(row)].state;
    UINT now = (old & ~mask) | (state & mask);
    if (now == old) return false;
    NMLISTVIEW changing = StateNote(*s, row, old, now);
    if (NotifyParent(h, LVN_ITEMCHANGING, &changing.hdr)) return false;
    // The parent may have changed the list meanwhile.
    if (!(s = StateOf(h)) || !ValidRow(*s, row)) return false;
    old = s->rows[static_cast<size_t>(row)].state;
    now = (old & ~mask) | (state & mask);
    if (now == old) return false;
    s->rows[static_cast<size_t>(row)].state = now;
    ShowRow(h, *s, row);
    NMLISTVIEW changed = StateNote(*s, row, old, now);
    NotifyParent(h, LVN_ITEMCHANGED, &changed.hdr);
    return true;
}

// Clears the bits from every row but one (-1: every row).
void ClearOthers(HWND h, int keep, UINT bits)
{
    for (int i = 0;; ++i) {
        ListViewControl* s = StateOf(h);
        if (!s || i >= RowCount(*s)) return;
        if (i != keep && (s->rows[static_cast<size_t>(i)].state & bits)) ChangeState(h, i, 0, bits);
    }
}

// One row's state as the program or the user sets it: one focused row, and
// one selected row in a single-selection list.
void SetItemState(HWND h, int row, UINT state, UINT mask)
{
    if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED)) ClearOthers(h, row, LVIS_FOCUSED);
    if (SingleSelection(h) && (mask & LVIS_SELECTED) && (state & LVIS_SELECTED)) ClearOthers(h, row, LVIS_SELECTED);
    ChangeState(h, row, state, mask);
}

void SetAllStates(HWND h, UINT state, UINT mask)
{
    for (int i = 0;; ++i) {
        ListViewControl* s = StateOf(h);
        if (!s || i >= RowCount(*s)) return;
        UINT m = mask;
        // One focused row at most, one selected in a single-selection list.
        if ((state & LVIS_FOCUSED) && i > 0) m &= ~LVIS_FOCUSED;
        if ((state & LVIS_SELECTED) && SingleSelection(h) && i > 0) m &= ~LVIS_SELECTED;
        ChangeState(h, i, state, m);
    }
}

int FocusedRow(const ListViewControl& s)
{
    for (int i = 0; i < RowCount(s); ++i)
        if (s.rows[static_cast<size_t>(i)].state & LVIS_FOCUSED) return i;
    return -1;
}

void EnsureVisible(ListViewControl& s, int row)
{
    if (s.view && ValidRow(s, row) && s.redraw) s.view->scrollToItem(s.view->topLevelItem(row));
}

// ---- The user's actions -------------------------------------------------------------------

UINT KeyFlags(Qt::KeyboardModifiers m)
{
    UINT f = 0;
    if (m & Qt::AltModifier) f |= LVKF_ALT;
    if (m & Qt::ControlModifier) f |= LVKF_CONTROL;
    if (m & Qt::ShiftModifier) f |= LVKF_SHIFT;
    return f;
}

UINT KeyFlags()
{
    UINT f = 0;
    if (GetKeyState(VK_MENU) & 0x8000) f |= LVKF_ALT;
    if (GetKeyState(VK_CONTROL) & 0x8000) f |= LVKF_CONTROL;
    if (GetKeyState(VK_SHIFT) & 0x8000) f |= LVKF_SHIFT;
    return f;
}

void NotifyActivate(HWND h, UINT code, int row, POINT client, UINT keyFlags)
{
    NMITEMACTIVATE nm;
    nm.iItem = row;
    nm.ptAction = client;
    nm.uKeyFlags = keyFlags;
    NotifyParent(h, code, &nm.hdr);
}

// A click (or key move) that makes the row the focused one, as the
// modifiers say.
void SelectByUser(HWND h, int row, UINT keyFlags, bool toggle)
{
    ListViewControl* s = StateOf(h);
    if (!s) return;
    if (!ValidRow(*s, row)) {
        if (!(keyFlags & (LVKF_CONTROL | LVKF_SHIFT))) ClearOthers(h, -1, LVIS_SELECTED);
        return;
    }
    if ((keyFlags & LVKF_SHIFT) && !SingleSelection(h) && ValidRow(*s, s->mark)) {
        int from = std::min(s->mark, row), to = std::max(s->mark, row);
        for (int i = 0;; ++i) {
            ListViewControl* cur = StateOf(h);
            if (!cur || i >= RowCount(*cur)) break;
            if ((i < from || i > to) && (cur->rows[static_cast<size_t>(i)].state & LVIS_SELECTED))
                ChangeState(h, i, 0, LVIS_SELECTED);
        }
        for (int i = from; i <= to; ++i)
            if (i != row) ChangeState(h, i, LVIS_SELECTED, LVIS_SELECTED);
        SetItemState(h, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    } else if (toggle && !SingleSelection(h)) {
        UINT selected = s->rows[static_cast<size_t>(row)].state & LVIS_SELECTED;
        SetItemState(h, row, (selected ^ LVIS_SELECTED) | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        if ((s = StateOf(h))) s->mark = row;
    } else if (toggle) {
        SetItemState(h, row, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        ClearOthers(h, row, LVIS_SELECTED);
        SetItemState(h, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        if ((s = StateOf(h))) s->mark = row;
    }
}

void ToggleCheck(HWND h, int row)
{
    ListViewControl* s = StateOf(h);
    if (!s || !ValidRow(*s, row) || !HasCheckBoxes(*s)) return;
    UINT next = IsChecked(s->rows[static_cast<size_t>(row)]) ? 1 : 2;
    ChangeState(h, row, INDEXTOSTATEIMAGEMASK(next), LVIS_STATEIMAGEMASK);
}

POINT ClientPointOf(const ListViewControl& s, const QPoint& viewportPoint)
{
    QPoint p = s.view->viewport()->mapTo(s.view, viewportPoint);
    return POINT{p.x(), p.y()};
}

bool OnCheckBox(const ListViewControl& s, QTreeWidgetItem* item, const QPoint& viewportPoint)
{
    if (!item || !HasCheckBoxes(s)) return false;
    QRect cell = s.view->visualItemRect(item);
    // The check box leads the first column.
    return viewportPoint.x() >= cell.left() && viewportPoint.x() < cell.left() + 22;
}

class ListViewInput : public QObject {
public:
    ListViewInput(HWND window, QObject* parent) : QObject(parent), window_(window) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        ListViewControl* s = StateOf(window_);
        if (!s || !s->view) return false;
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* m = static_cast<QMouseEvent*>(e);
            if (!PrepareMousePress(window_) || !(s = StateOf(window_))) return true;
            QPoint at = m->position().toPoint();
            QTreeWidgetItem* item = s->view->itemAt(at);
            int row = item ? s->view->indexOfTopLevelItem(item) : -1;
            POINT client = ClientPointOf(*s, at);
            // The modifiers as they were when the button went down.
            UINT flags = KeyFlags(m->modifiers());
            if (e->type() == QEvent::MouseButtonDblClick) {
                if (m->button() == Qt::LeftButton) {
                    if (OnCheckBox(*s, item, at)) ToggleCheck(window_, row);
                    NotifyActivate(window_, NM_DBLCLK, row, client, flags);
                } else if (m->button() == Qt::RightButton) {
                    NotifyActivate(window_, NM_RDBLCLK, row, client, flags);
                }
                return true;
            }
            if (m->button() == Qt::LeftButton && OnCheckBox(*s, item, at)) {
                ToggleCheck(window_, row);
            } else if (m->button() == Qt::LeftButton || m->button() == Qt::RightButton) {
                bool keep = m->button() == Qt::RightButton && row >= 0 &&
                            (s->rows[static_cast<size_t>(row)].state & LVIS_SELECTED);
                if (!keep) SelectByUser(window_, row, flags, (flags & LVKF_CONTROL) != 0);
            }
            if (IsWindow(window_))
                NotifyActivate(window_, m->button() == Qt::RightButton ? NM_RCLICK : NM_CLICK, row, client, flags);
            return true;
        }
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove: return true;  // no drag selection
        case QEvent::ToolTip: {
            if (!(s->exStyle & LVS_EX_INFOTIP)) return false;
            auto* help = static_cast<QHelpEvent*>(e);
            QTreeWidgetItem* item = s->view->itemAt(help->pos());
            int row = item ? s->view->indexOfTopLevelItem(item) : -1;
            if (row < 0) return true;
            std::wstring buffer(kInfoTipChars, L'\0');
            NMLVGETINFOTIPW tip;
            tip.dwFlags = LVGIT_UNFOLDED;
            tip.pszText = buffer.data();
            tip.cchTextMax = kInfoTipChars;
            tip.iItem = row;
            tip.lParam = s->rows[static_cast<size_t>(row)].param;
            NotifyParent(window_, LVN_GETINFOTIPW, &tip.hdr);
            buffer[kInfoTipChars - 1] = L'\0';
            QString text = QString::fromWCharArray(buffer.c_str());
            if (text.isEmpty())
                QToolTip::hideText();
            else if ((s = StateOf(window_)) && s->view)
                QToolTip::showText(help->globalPos(), text, s->view);
            return true;
        }
        default: return false;
        }
    }

private:
    HWND window_;
};

bool HandleKey(HWND h, WPARAM key)
{
    ListViewControl* s = StateOf(h);
    if (!s) return false;
    NMLVKEYDOWN down;
    down.wVKey = static_cast<WORD>(key);
    NotifyParent(h, LVN_KEYDOWN, &down.hdr);
    if (!(s = StateOf(h))) return true;
    int count = RowCount(*s);
    if (count == 0) return true;
    int focus = FocusedRow(*s);
    int page = 10;
    if (s->view && s->view->topLevelItem(0)) {
        int rowHeight = std::max(1, s->view->visualItemRect(s->view->topLevelItem(0)).height());
        page = std::max(1, s->view->viewport()->height() / rowHeight - 1);
    }
    int target = focus;
    switch (key) {
    case VK_UP: target = focus < 0 ? 0 : std::max(0, focus - 1); break;
    case VK_DOWN: target = focus < 0 ? 0 : std::min(count - 1, focus + 1); break;
    case VK_HOME: target = 0; break;
    case VK_END: target = count - 1; break;
    case VK_PRIOR: target = std::max(0, (focus < 0 ? 0 : focus) - page); break;
    case VK_NEXT: target = std::min(count - 1, (focus < 0 ? 0 : focus) + page); break;
    case VK_SPACE:
        if (focus < 0) return true;
        if (HasCheckBoxes(*s) && !(GetKeyState(VK_CONTROL) & 0x8000))
            ToggleCheck(h, focus);
        else
            SelectByUser(h, focus, KeyFlags(), (GetKeyState(VK_CONTROL) & 0x8000) != 0);
        return true;
    default: return false;
    }
    UINT flags = KeyFlags();
    SelectByUser(h, target, flags, (flags & LVKF_CONTROL) != 0);
    if ((s = StateOf(h))) EnsureVisible(*s, target);
    return true;
}

void MakeWidget(HWND h, ListViewControl& s)
{
    auto* view = new QTreeWidget;
    view->setFrameShape(QFrame::NoFrame);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setItemsExpandable(false);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setColumnCount(1);
    view->header()->setSectionsMovable(false);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsClickable(!(Style(h) & LVS_NOSORTHEADER));
    if (!EmbedWidget(h, view)) return;
    s.view = view;
    view->viewport()->installEventFilter(new ListViewInput(h, view));
    QObject::connect(view->header(), &QHeaderView::sectionClicked, view, [h](int column) {
        if (ProgrammaticChange::Active()) return;
        NMLISTVIEW nm;
        nm.iItem = -1;
        nm.iSubItem = column;
        NotifyParent(h, LVN_COLUMNCLICK, &nm.hdr);
    });
    QObject::connect(view->header(), &QHeaderView::sectionResized, view, [h](int column, int, int size) {
        if (ProgrammaticChange::Active()) return;
        ListViewControl* st = StateOf(h);
        if (st && column >= 0 && static_cast<size_t>(column) < st->columns.size())
            st->columns[static_cast<size_t>(column)].width = size;
    });
    ShowAll(h, s);
}

// ---- Messages ---------------------------------------------------------------------------------

LRESULT CopyText(const std::wstring& text, LPWSTR buffer, int size)
{
    return CopyTextOut(text, buffer, static_cast<size_t>(std::max(0, size)));
}

void SetText(ListViewControl& s, int row, int column, LPCWSTR text)
{
    if (column < 0 || column > 255) return;
    Row& r = s.rows[static_cast<size_t>(row)];
    if (r.texts.size() <= static_cast<size_t>(column)) r.texts.resize(static_cast<size_t>(column) + 1);
    r.texts[static_cast<size_t>(column)] = (text && text != LPSTR_TEXTCALLBACKW) ? text : L"";
}

int InsertItem(HWND h, ListViewControl& s, const LVITEMW* item)
{
    if (!item || item->iSubItem != 0) return -1;
    int at = std::clamp(item->iItem, 0, RowCount(s));
    Row r;
    if (item->mask & LVIF_TEXT)
        r.texts.push_back((item->pszText && item->pszText != LPSTR_TEXTCALLBACKW) ? item->pszText : L"");
    if (item->mask & LVIF_PARAM) r.param = item->lParam;
    if (item->mask & LVIF_IMAGE) r.image = item->iImage;
    if (item->mask & LVIF_STATE) r.state = item->state & item->stateMask;
    if (HasCheckBoxes(s) && !(r.state & LVIS_STATEIMAGEMASK)) r.state |= INDEXTOSTATEIMAGEMASK(1);
    if (Style(h) & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
        bool descending = (Style(h) & LVS_SORTDESCENDING) != 0;
        at = 0;
        while (at < RowCount(s)) {
            int c = CompareNoCase(TextOf(s.rows[static_cast<size_t>(at)], 0), TextOf(r, 0));
            if (descending ? c < 0 : c > 0) break;
            ++at;
        }
    }
    // One focused row, one selected in a single-selection list.
    if (r.state & LVIS_FOCUSED)
        for (Row& o : s.rows) o.state &= ~LVIS_FOCUSED;
    if ((r.state & LVIS_SELECTED) && SingleSelection(h))
        for (Row& o : s.rows) o.state &= ~LVIS_SELECTED;
    s.rows.insert(s.rows.begin() + at, std::move(r));
    if (s.mark >= at) ++s.mark;
    if (s.view && s.redraw) {
        ProgrammaticChange change;
        s.view->insertTopLevelItem(at, new QTreeWidgetItem);
    }
    if (s.redraw) {
        for (int i = 0; i < RowCount(s); ++i) ShowRow(h, s, i);
    } else {
        s.dirty = true;
    }
    NMLISTVIEW nm;
    nm.iItem = at;
    NotifyParent(h, LVN_INSERTITEM, &nm.hdr);
    return at;
}

BOOL DeleteItem(HWND h, INT_PTR row)
{
    ListViewControl* s = StateOf(h);
    if (!s || !ValidRow(*s, row)) return FALSE;
    NMLISTVIEW nm;
    nm.iItem = static_cast<int>(row);
    nm.lParam = s->rows[static_cast<size_t>(row)].param;
    NotifyParent(h, LVN_DELETEITEM, &nm.hdr);
    if (!(s = StateOf(h)) || !ValidRow(*s, row)) return FALSE;
    s->rows.erase(s->rows.begin() + row);
    if (s->mark == row)
        s->mark = -1;
    else if (s->mark > row)
        --s->mark;
    if (s->view && s->redraw) {
        ProgrammaticChange change;
        delete s->view->takeTopLevelItem(static_cast<int>(row));
    } else {
        s->dirty = true;
    }
    return TRUE;
}

BOOL DeleteAll(HWND h)
{
    ListViewControl* s = StateOf(h);
    if (!s) return FALSE;
    NMLISTVIEW all;
    all.iItem = -1;
    bool quiet = NotifyParent(h, LVN_DELETEALLITEMS, &all.hdr) != 0;
    if (!(s = StateOf(h))) return FALSE;
    if (!quiet) {
        for (int i = 0; i < RowCount(*s); ++i) {
            NMLISTVIEW nm;
            nm.iItem = i;
            nm.lParam = s->rows[static_cast<size_t>(i)].param;
            NotifyParent(h, LVN_DELETEITEM, &nm.hdr);
            if (!(s = StateOf(h))) return FALSE;
        }
    }
    s->rows.clear();
    s->mark = -1;
    ShowAll(h, *s);
    return TRUE;
}

int NextItem(const ListViewControl& s, INT_PTR start, UINT flags)
{
    UINT need = flags & (LVNI_FOCUSED | LVNI_SELECTED | LVNI_CUT | LVNI_DROPHILITED);
    bool up = (flags & (LVNI_ABOVE | LVNI_TOLEFT)) != 0;
    int n = RowCount(s);
    int i = start < 0 ? (up ? n - 1 : 0) : static_cast<int>(up ? start - 1 : start + 1);
    if (start >= n && !up) return -1;
    for (; i >= 0 && i < n; i += up ? -1 : 1)
        if ((s.rows[static_cast<size_t>(i)].state & need) == need) return i;
    return -1;
}

void GetItem(const ListViewControl& s, LVITEMW* item)
{
    const Row& r = s.rows[static_cast<size_t>(item->iItem)];
    if (item->mask & LVIF_TEXT) CopyText(TextOf(r, item->iSubItem), item->pszText, item->cchTextMax);
    if (item->mask & LVIF_STATE) item->state = r.state & item->stateMask;
    if (item->mask & LVIF_PARAM) item->lParam = r.param;
    if (item->mask & LVIF_IMAGE) item->iImage = r.image;
}

RECT ItemRect(const ListViewControl& s, int row, int part)
{
    RECT r{};
    if (!s.view || !s.view->topLevelItem(row)) return r;
    QRect cell = s.view->visualItemRect(s.view->topLevelItem(row));
    if (part == LVIR_BOUNDS) {
        cell.setLeft(0);
        int total = 0;
        for (const Column& c : s.columns) total += c.width;
        cell.setWidth(std::max(total, cell.width()));
    } else if (part == LVIR_LABEL || part == LVIR_ICON) {
        cell.setWidth(s.columns.empty() ? cell.width() : s.columns[0].width);
    }
    QPoint topLeft = s.view->viewport()->mapTo(s.view, cell.topLeft());
    r = RECT{topLeft.x(), topLeft.y(), topLeft.x() + cell.width(), topLeft.y() + cell.height()};
    return r;
}

void ListViewControl::OnFocusChanged(bool gained)
{
    NMHDR nm;
    NotifyParent(Handle(), gained ? NM_SETFOCUS : NM_KILLFOCUS, &nm);
}

LRESULT ListViewControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND h = Handle();
    auto row = static_cast<INT_PTR>(wParam);
    switch (message) {
    case WM_CREATE: MakeWidget(h, *this); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        if (!HandleKey(h, wParam)) ForwardKey(view, message, wParam, lParam);
        return 0;
    case WM_SETREDRAW:
        redraw = wParam != 0;
        if (view) view->setUpdatesEnabled(redraw);
        if (redraw && dirty) ShowAll(h, *this);
        return 0;
    case LVM_GETITEMCOUNT: return RowCount(*this);
    case LVM_GETSELECTEDCOUNT: {
        int n = 0;
        for (const Row& r : rows) n += (r.state & LVIS_SELECTED) ? 1 : 0;
        return n;
    }
    case LVM_INSERTITEMW: return InsertItem(h, *this, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_DELETEITEM: return DeleteItem(h, row);
    case LVM_DELETEALLITEMS: return DeleteAll(h);
    case LVM_SETITEMW: {
        auto* item = reinterpret_cast<const LVITEMW*>(lParam);
        if (!item || !ValidRow(*this, item->iItem)) return FALSE;
        int r = item->iItem;
        if (item->mask & LVIF_TEXT) SetText(*this, r, item->iSubItem, item->pszText);
        if (item->iSubItem == 0) {
            if (item->mask & LVIF_PARAM) rows[static_cast<size_t>(r)].param = item->lParam;
            if (item->mask & LVIF_IMAGE) rows[static_cast<size_t>(r)].image = item->iImage;
        }
        ShowRow(h, *this, r);
        if (item->iSubItem == 0 && (item->mask & LVIF_STATE)) SetItemState(h, r, item->state, item->stateMask);
        return TRUE;
    }
    case LVM_GETITEMW: {
        auto* item = reinterpret_cast<LVITEMW*>(lParam);
        if (!item || !ValidRow(*this, item->iItem)) return FALSE;
        GetItem(*this, item);
        return TRUE;
    }
    case LVM_SETITEMTEXTW: {
        auto* item = reinterpret_cast<const LVITEMW*>(lParam);
        if (!item || !ValidRow(*this, row)) return FALSE;
        SetText(*this, static_cast<int>(row), item->iSubItem, item->pszText);
        ShowRow(h, *this, static_cast<int>(row));
        return TRUE;
    }
    case LVM_GETITEMTEXTW: {
        auto* item = reinterpret_cast<LVITEMW*>(lParam);
        if (!item || !ValidRow(*this, row)) return 0;
        return CopyText(TextOf(rows[static_cast<size_t>(row)], item->iSubItem), item->pszText, item->cchTextMax);
    }
    case LVM_SETITEMSTATE: {
        auto* item = reinterpret_cast<const LVITEMW*>(lParam);
        if (!item) return FALSE;
        if (row == -1)
            SetAllStates(h, item->state, item->stateMask);
        else if (ValidRow(*this, row))
            SetItemState(h, static_cast<int>(row), item->state, item->stateMask);
        else
            return FALSE;
        return TRUE;
    }
    case LVM_GETITEMSTATE:
        if (!ValidRow(*this, row)) return 0;
        return rows[static_cast<size_t>(row)].state & static_cast<UINT>(lParam);
    case LVM_GETNEXTITEM: return NextItem(*this, row, static_cast<UINT>(lParam));
    case LVM_FINDITEMW: {
        auto* find = reinterpret_cast<const LVFINDINFOW*>(lParam);
        if (!find) return -1;
        int n = RowCount(*this);
        int first = row < 0 ? 0 : static_cast<int>(row) + 1;
        int span = (find->flags & LVFI_WRAP) ? n : n - first;
        for (int k = 0; k < span; ++k) {
            int i = (first + k) % std::max(1, n);
            const Row& r = rows[static_cast<size_t>(i)];
            if ((find->flags & LVFI_PARAM) && r.param != find->lParam) continue;
            if ((find->flags & (LVFI_STRING | LVFI_PARTIAL)) && find->psz) {
                std::wstring text = TextOf(r, 0), want = find->psz;
                bool match = (find->flags & LVFI_PARTIAL)
                                 ? text.size() >= want.size() && CompareNoCase(text.substr(0, want.size()), want) == 0
                                 : CompareNoCase(text, want) == 0;
                if (!match) continue;
            }
            return i;
        }
        return -1;
    }
    case LVM_ENSUREVISIBLE:
        if (!ValidRow(*this, row)) return FALSE;
        EnsureVisible(*this, static_cast<int>(row));
        return TRUE;
    case LVM_INSERTCOLUMNW: {
        auto* column = reinterpret_cast<const LVCOLUMNW*>(lParam);
        if (!column) return -1;
        auto at = static_cast<size_t>(std::clamp<INT_PTR>(row, 0, static_cast<INT_PTR>(columns.size())));
        Column c;
        if (column->mask & LVCF_TEXT && column->pszText) c.text = column->pszText;
        if (column->mask & LVCF_WIDTH) c.width = std::max(0, column->cx);
        if (column->mask & LVCF_FMT) c.fmt = column->fmt;
        columns.insert(columns.begin() + static_cast<long>(at), c);
        for (Row& r : rows)
            if (r.texts.size() > at) r.texts.insert(r.texts.begin() + static_cast<long>(at), std::wstring());
        ShowAll(h, *this);
        return static_cast<LRESULT>(at);
    }
    case LVM_SETCOLUMNW:
    case LVM_GETCOLUMNW: {
        auto* column = reinterpret_cast<LVCOLUMNW*>(lParam);
        if (!column || row < 0 || static_cast<size_t>(row) >= columns.size()) return FALSE;
        Column& c = columns[static_cast<size_t>(row)];
        if (message == LVM_GETCOLUMNW) {
            if (column->mask & LVCF_TEXT) CopyText(c.text, column->pszText, column->cchTextMax);
            if (column->mask & LVCF_WIDTH) column->cx = c.width;
            if (column->mask & LVCF_FMT) column->fmt = c.fmt;
            return TRUE;
        }
        if ((column->mask & LVCF_TEXT) && column->pszText) c.text = column->pszText;
        if (column->mask & LVCF_WIDTH) c.width = std::max(0, column->cx);
        if (column->mask & LVCF_FMT) c.fmt = column->fmt;
        ShowAll(h, *this);
        return TRUE;
    }
    case LVM_DELETECOLUMN:
        if (row < 0 || static_cast<size_t>(row) >= columns.size()) return FALSE;
        columns.erase(columns.begin() + row);
        for (Row& r : rows)
            if (r.texts.size() > static_cast<size_t>(row)) r.texts.erase(r.texts.begin() + row);
        ShowAll(h, *this);
        return TRUE;
    case LVM_SETCOLUMNWIDTH: {
        if (row < 0 || static_cast<size_t>(row) >= columns.size()) return FALSE;
        int cx = static_cast<int>(static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))));
        if ((cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER) && view) {
            view->resizeColumnToContents(static_cast<int>(row));
            cx = view->columnWidth(static_cast<int>(row));
            if (cx == LVSCW_AUTOSIZE_USEHEADER)
                cx = std::max(cx, view->header()->sectionSizeHint(static_cast<int>(row)));
        }
        columns[static_cast<size_t>(row)].width = std::max(0, cx);
        if (view) {
            ProgrammaticChange change;
            view->setColumnWidth(static_cast<int>(row), columns[static_cast<size_t>(row)].width);
        }
        return TRUE;
    }
    case LVM_GETCOLUMNWIDTH:
        if (row < 0 || static_cast<size_t>(row) >= columns.size()) return 0;
        return columns[static_cast<size_t>(row)].width;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        DWORD old = exStyle;
        DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
        exStyle = (old & ~mask) | (static_cast<DWORD>(lParam) & mask);
        if ((exStyle & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES))
            for (Row& r : rows)
                if (!(r.state & LVIS_STATEIMAGEMASK)) r.state |= INDEXTOSTATEIMAGEMASK(1);
        if (view) view->setMouseTracking(true);
        ShowAll(h, *this);
        return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return exStyle;
    case LVM_SETIMAGELIST: {
        if (row < 0 || row > 2) return 0;
        HIMAGELIST old = images[row];
        images[row] = reinterpret_cast<HIMAGELIST>(lParam);
        ShowAll(h, *this);
        return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST: return (row < 0 || row > 2) ? 0 : reinterpret_cast<LRESULT>(images[row]);
    case LVM_SETBKCOLOR: background = static_cast<COLORREF>(lParam); return TRUE;
    case LVM_GETBKCOLOR: return background;
    case LVM_GETSELECTIONMARK: return mark;
    case LVM_SETSELECTIONMARK: {
        int old = mark;
        mark = ValidRow(*this, lParam) ? static_cast<int>(lParam) : -1;
        return old;
    }
    case LVM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || !ValidRow(*this, row)) return FALSE;
        *r = ItemRect(*this, static_cast<int>(row), r->left);
        return TRUE;
    }
    case LVM_HITTEST: {
        auto* hit = reinterpret_cast<LVHITTESTINFO*>(lParam);
        if (!hit) return -1;
        hit->iItem = -1;
        hit->flags = LVHT_NOWHERE;
        if (view) {
            QPoint at = view->viewport()->mapFrom(view, QPoint(hit->pt.x, hit->pt.y));
            if (QTreeWidgetItem* item = view->itemAt(at)) {
                hit->iItem = view->indexOfTopLevelItem(item);
                hit->flags = OnCheckBox(*this, item, at) ? LVHT_ONITEMSTATEICON : LVHT_ONITEMLABEL;
            }
        }
        return hit->iItem;
    }
    case LVM_GETTOPINDEX:
        if (view && view->topLevelItemCount()) {
            QTreeWidgetItem* top = view->itemAt(QPoint(1, 1));
            return top ? view->indexOfTopLevelItem(top) : 0;
        }
        return 0;
    case LVM_GETCOUNTPERPAGE: {
        if (!view || !view->topLevelItemCount()) return 0;
        int rowHeight = std::max(1, view->visualItemRect(view->topLevelItem(0)).height());
        return view->viewport()->height() / rowHeight;
    }
    case LVM_REDRAWITEMS:
        if (view) view->viewport()->update();
        return TRUE;
    default: return Default(message, wParam, lParam);
    }
}

}  // namespace

void RegisterListViewClass() { ControlWindow::Register<ListViewControl>(WC_LISTVIEWW); }

}  // namespace mfc_controls
