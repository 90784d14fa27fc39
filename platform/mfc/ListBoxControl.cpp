// The "ListBox" class over a QListWidget: items with data, one selection
// (or several with LBS_MULTIPLESEL / LBS_EXTENDEDSEL). Only the user's
// choice sends LBN_SELCHANGE (with LBS_NOTIFY); LB_SETCURSEL and LB_SETSEL
// change the selection silently. A double click sends LBN_DBLCLK.
#include <QListWidget>
#include <map>
#include <memory>

#include "platform/mfc/ControlClasses.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/mfc/ItemList.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Window.h"

namespace mfc_controls {
namespace {

struct ListBoxState {
    ItemList list;
    int sel = -1;    // single selection
    int caret = -1;  // the focused item
    int top = 0;
    HGDIOBJ font = nullptr;
    QPointer<QListWidget> view;
};

std::map<HWND, std::unique_ptr<ListBoxState>>& States()
{
    static std::map<HWND, std::unique_ptr<ListBoxState>> s;
    return s;
}

ListBoxState* StateOf(HWND h)
{
    auto it = States().find(h);
    return it == States().end() ? nullptr : it->second.get();
}

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }
bool IsMulti(HWND h) { return (Style(h) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

void ShowSelection(HWND h, ListBoxState& s)
{
    if (!s.view) return;
    ProgrammaticChange change;
    s.view->clearSelection();
    for (int i = 0; i < s.list.Count(); ++i) {
        bool selected = IsMulti(h) ? s.list.items[static_cast<size_t>(i)].selected : i == s.sel;
        if (selected) s.view->item(i)->setSelected(true);
    }
    int current = IsMulti(h) ? s.caret : s.sel;
    if (s.list.Valid(current))
        s.view->setCurrentRow(current, QItemSelectionModel::NoUpdate);
}

void ShowItems(HWND h, ListBoxState& s)
{
    if (!s.view) return;
    {
        ProgrammaticChange change;
        s.view->clear();
        for (const ListItem& item : s.list.items) s.view->addItem(QString::fromStdWString(item.text));
    }
    ShowSelection(h, s);
}

void OnUserSelection(HWND h)
{
    if (ProgrammaticChange::Active()) return;
    ListBoxState* s = StateOf(h);
    if (!s || !s->view) return;
    bool changed = false;
    if (IsMulti(h)) {
        for (int i = 0; i < s->list.Count(); ++i) {
            bool now = s->view->item(i)->isSelected();
            if (now != s->list.items[static_cast<size_t>(i)].selected) changed = true;
            s->list.items[static_cast<size_t>(i)].selected = now;
        }
        s->caret = s->view->currentRow();
    } else {
        int row = s->view->currentRow();
        auto selected = s->view->selectedItems();
        if (!selected.isEmpty()) row = s->view->row(selected.front());
        changed = row != s->sel;
        s->sel = row;
        s->caret = row;
    }
    if (changed && (Style(h) & LBS_NOTIFY)) NotifyCommand(h, LBN_SELCHANGE);
}

void MakeWidget(HWND h, ListBoxState& s)
{
    auto* view = new QListWidget;
    view->setFrameShape(QFrame::NoFrame);
    view->setSelectionMode((Style(h) & LBS_NOSEL) ? QAbstractItemView::NoSelection
                           : (Style(h) & LBS_EXTENDEDSEL) ? QAbstractItemView::ExtendedSelection
                           : (Style(h) & LBS_MULTIPLESEL) ? QAbstractItemView::MultiSelection
                                                          : QAbstractItemView::SingleSelection);
    if (!EmbedWidget(h, view)) return;
    s.view = view;
    QObject::connect(view, &QListWidget::itemSelectionChanged, view, [h] { OnUserSelection(h); });
    QObject::connect(view, &QListWidget::itemDoubleClicked, view, [h](QListWidgetItem*) {
        if (!ProgrammaticChange::Active() && (Style(h) & LBS_NOTIFY)) NotifyCommand(h, LBN_DBLCLK);
    });
}

LRESULT ListBoxProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        NotifyCreating(h);
        States()[h] = std::make_unique<ListBoxState>();
        return DefWindowProcW(h, message, wParam, lParam);
    }
    ListBoxState* s = StateOf(h);
    if (!s) return DefWindowProcW(h, message, wParam, lParam);
    auto index = static_cast<INT_PTR>(wParam);
    switch (message) {
    case WM_CREATE: MakeWidget(h, *s); return 0;
    case WM_NCDESTROY:
        States().erase(h);
        return DefWindowProcW(h, message, wParam, lParam);
    case WM_SIZE: PlaceInClientArea(h, s->view); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
        s->font = reinterpret_cast<HGDIOBJ>(wParam);
        if (s->view) s->view->setFont(FontOfHandle(s->font));
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
        if (s->view) s->view->setEnabled(wParam != 0);
        return 0;
    case WM_SETFOCUS:
        if (s->view) s->view->setFocus(Qt::OtherFocusReason);
        if (Style(h) & LBS_NOTIFY) NotifyCommand(h, LBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        if (s->view && s->view->hasFocus()) s->view->clearFocus();
        if (Style(h) & LBS_NOTIFY) NotifyCommand(h, LBN_KILLFOCUS);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: ForwardKey(s->view, message, wParam, lParam); return 0;
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
        std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        int at = message == LB_ADDSTRING ? s->list.Add(text, 0, (Style(h) & LBS_SORT) != 0) : s->list.Insert(index, text, 0);
        if (at < 0) return LB_ERR;
        if (s->sel >= at) ++s->sel;
        if (s->caret >= at) ++s->caret;
        ShowItems(h, *s);
        return at;
    }
    case LB_DELETESTRING:
        if (!s->list.Remove(index)) return LB_ERR;
        if (s->sel == index) s->sel = -1;
        else if (s->sel > index) --s->sel;
        if (s->caret >= s->list.Count()) s->caret = s->list.Count() - 1;
        ShowItems(h, *s);
        return s->list.Count();
    case LB_RESETCONTENT:
        s->list.items.clear();
        s->sel = s->caret = -1;
        ShowItems(h, *s);
        return 0;
    case LB_GETCOUNT: return s->list.Count();
    case LB_GETCURSEL: return IsMulti(h) ? s->caret : s->sel;
    case LB_SETCURSEL:
        if (IsMulti(h)) return LB_ERR;
        s->sel = s->list.Valid(index) ? static_cast<int>(index) : -1;
        s->caret = s->sel;
        ShowSelection(h, *s);
        return s->sel < 0 && index != -1 ? LB_ERR : s->sel;
    case LB_GETSEL:
        if (!s->list.Valid(index)) return LB_ERR;
        return IsMulti(h) ? s->list.items[wParam].selected : index == s->sel;
    case LB_SETSEL: {
        if (!IsMulti(h)) return LB_ERR;
        auto which = static_cast<INT_PTR>(lParam);
        if (which == -1) {
            for (ListItem& item : s->list.items) item.selected = wParam != 0;
        } else if (s->list.Valid(which)) {
            s->list.items[static_cast<size_t>(which)].selected = wParam != 0;
        } else {
            return LB_ERR;
        }
        ShowSelection(h, *s);
        return 0;
    }
    case LB_GETSELCOUNT: {
        if (!IsMulti(h)) return LB_ERR;
        int n = 0;
        for (const ListItem& item : s->list.items) n += item.selected ? 1 : 0;
        return n;
    }
    case LB_GETSELITEMS: {
        if (!IsMulti(h) || !lParam) return LB_ERR;
        auto* out = reinterpret_cast<int*>(lParam);
        int n = 0;
        for (int i = 0; i < s->list.Count() && n < static_cast<int>(wParam); ++i)
            if (s->list.items[static_cast<size_t>(i)].selected) out[n++] = i;
        return n;
    }
    case LB_GETCARETINDEX: return s->caret;
    case LB_SETCARETINDEX:
        if (!s->list.Valid(index)) return LB_ERR;
        s->caret = static_cast<int>(index);
        ShowSelection(h, *s);
        return 0;
    case LB_GETTEXT: {
        if (!s->list.Valid(index)) return LB_ERR;
        const std::wstring& text = s->list.items[wParam].text;
        if (auto* out = reinterpret_cast<LPWSTR>(lParam)) {
            std::copy(text.begin(), text.end(), out);
            out[text.size()] = L'\0';
        }
        return static_cast<LRESULT>(text.size());
    }
    case LB_GETTEXTLEN:
        if (!s->list.Valid(index)) return LB_ERR;
        return static_cast<LRESULT>(s->list.items[wParam].text.size());
    case LB_SETITEMDATA:
        if (!s->list.Valid(index)) return LB_ERR;
        s->list.items[wParam].data = static_cast<ULONG_PTR>(lParam);
        return TRUE;
    case LB_GETITEMDATA:
        if (!s->list.Valid(index)) return LB_ERR;
        return static_cast<LRESULT>(s->list.items[wParam].data);
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING: {
        std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        int found = s->list.Find(index, text, message == LB_FINDSTRINGEXACT);
        if (found < 0) return LB_ERR;
        if (message == LB_SELECTSTRING && !IsMulti(h)) {
            s->sel = s->caret = found;
            ShowSelection(h, *s);
        }
        return found;
    }
    case LB_GETTOPINDEX: return s->top;
    case LB_SETTOPINDEX:
        if (!s->list.Valid(index) && index != 0) return LB_ERR;
        s->top = static_cast<int>(index);
        if (s->view && s->list.Valid(index)) s->view->scrollToItem(s->view->item(static_cast<int>(index)), QAbstractItemView::PositionAtTop);
        return 0;
    case LB_GETITEMHEIGHT: return s->view && s->list.Count() ? s->view->visualItemRect(s->view->item(0)).height() : 16;
    case LB_SETITEMHEIGHT: return 0;
    default: return DefWindowProcW(h, message, wParam, lParam);
    }
}

}  // namespace

void RegisterListBoxClass() { RegisterControlClass(L"ListBox", ListBoxProc); }

}  // namespace mfc_controls
