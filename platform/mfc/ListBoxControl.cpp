// The "ListBox" class over a QListWidget: items with data, one selection
// (or several with LBS_MULTIPLESEL / LBS_EXTENDEDSEL). Only the user's
// choice sends LBN_SELCHANGE (with LBS_NOTIFY); LB_SETCURSEL and LB_SETSEL
// change the selection silently. A double click sends LBN_DBLCLK.
#include <QListWidget>

#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/mfc/ItemList.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Window.h"

namespace mfc_controls {
namespace {

struct ListBoxControl : ControlWindow {
    using ControlWindow::ControlWindow;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    QWidget* Widget() const override { return view; }
    void OnFocusChanged(bool gained) override;

    ItemList list;
    int sel = -1;    // single selection
    int caret = -1;  // the focused item
    int top = 0;
    QPointer<QListWidget> view;
};

ListBoxControl* StateOf(HWND h) { return ControlWindow::Of<ListBoxControl>(h); }

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }
bool IsMulti(HWND h) { return (Style(h) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

void ShowSelection(HWND h, ListBoxControl& s)
{
    if (!s.view) return;
    ProgrammaticChange change;
    s.view->clearSelection();
    for (int i = 0; i < s.list.Count(); ++i) {
        bool selected = IsMulti(h) ? s.list.items[static_cast<size_t>(i)].selected : i == s.sel;
        if (selected) s.view->item(i)->setSelected(true);
    }
    int current = IsMulti(h) ? s.caret : s.sel;
    if (s.list.Valid(current)) s.view->setCurrentRow(current, QItemSelectionModel::NoUpdate);
}

void ShowItems(HWND h, ListBoxControl& s)
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
    ListBoxControl* s = StateOf(h);
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

void MakeWidget(HWND h, ListBoxControl& s)
{
    auto* view = new QListWidget;
    view->setFrameShape(QFrame::NoFrame);
    view->setSelectionMode((Style(h) & LBS_NOSEL)         ? QAbstractItemView::NoSelection
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

void ListBoxControl::OnFocusChanged(bool gained)
{
    if (Style() & LBS_NOTIFY) NotifyCommand(Handle(), gained ? LBN_SETFOCUS : LBN_KILLFOCUS);
}

LRESULT ListBoxControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND h = Handle();
    auto index = static_cast<INT_PTR>(wParam);
    switch (message) {
    case WM_CREATE: MakeWidget(h, *this); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: ForwardKey(view, message, wParam, lParam); return 0;
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
        std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        int at = message == LB_ADDSTRING ? list.Add(text, 0, (Style() & LBS_SORT) != 0) : list.Insert(index, text, 0);
        if (at < 0) return LB_ERR;
        if (sel >= at) ++sel;
        if (caret >= at) ++caret;
        ShowItems(h, *this);
        return at;
    }
    case LB_DELETESTRING:
        if (!list.Remove(index)) return LB_ERR;
        if (sel == index)
            sel = -1;
        else if (sel > index)
            --sel;
        if (caret >= list.Count()) caret = list.Count() - 1;
        ShowItems(h, *this);
        return list.Count();
    case LB_RESETCONTENT:
        list.items.clear();
        sel = caret = -1;
        ShowItems(h, *this);
        return 0;
    case LB_GETCOUNT: return list.Count();
    case LB_GETCURSEL: return IsMulti(h) ? caret : sel;
    case LB_SETCURSEL:
        if (IsMulti(h)) return LB_ERR;
        sel = list.Valid(index) ? static_cast<int>(index) : -1;
        caret = sel;
        ShowSelection(h, *this);
        return sel < 0 && index != -1 ? LB_ERR : sel;
    case LB_GETSEL:
        if (!list.Valid(index)) return LB_ERR;
        return IsMulti(h) ? list.items[wParam].selected : index == sel;
    case LB_SETSEL: {
        if (!IsMulti(h)) return LB_ERR;
        auto which = static_cast<INT_PTR>(lParam);
        if (which == -1) {
            for (ListItem& item : list.items) item.selected = wParam != 0;
        } else if (list.Valid(which)) {
            list.items[static_cast<size_t>(which)].selected = wParam != 0;
        } else {
            return LB_ERR;
        }
        ShowSelection(h, *this);
        return 0;
    }
    case LB_GETSELCOUNT: {
        if (!IsMulti(h)) return LB_ERR;
        int n = 0;
        for (const ListItem& item : list.items) n += item.selected ? 1 : 0;
        return n;
    }
    case LB_GETSELITEMS: {
        if (!IsMulti(h) || !lParam) return LB_ERR;
        auto* out = reinterpret_cast<int*>(lParam);
        int n = 0;
        for (int i = 0; i < list.Count() && n < static_cast<int>(wParam); ++i)
            if (list.items[static_cast<size_t>(i)].selected) out[n++] = i;
        return n;
    }
    case LB_GETCARETINDEX: return caret;
    case LB_SETCARETINDEX:
        if (!list.Valid(index)) return LB_ERR;
        caret = static_cast<int>(index);
        ShowSelection(h, *this);
        return 0;
    case LB_GETTEXT: {
        if (!list.Valid(index)) return LB_ERR;
        const std::wstring& text = list.items[wParam].text;
        if (auto* out = reinterpret_cast<LPWSTR>(lParam)) {
            std::copy(text.begin(), text.end(), out);
            out[text.size()] = L'\0';
        }
        return static_cast<LRESULT>(text.size());
    }
    case LB_GETTEXTLEN:
        if (!list.Valid(index)) return LB_ERR;
        return static_cast<LRESULT>(list.items[wParam].text.size());
    case LB_SETITEMDATA:
        if (!list.Valid(index)) return LB_ERR;
        list.items[wParam].data = static_cast<ULONG_PTR>(lParam);
        return TRUE;
    case LB_GETITEMDATA:
        if (!list.Valid(index)) return LB_ERR;
        return static_cast<LRESULT>(list.items[wParam].data);
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING: {
        std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        int found = list.Find(index, text, message == LB_FINDSTRINGEXACT);
        if (found < 0) return LB_ERR;
        if (message == LB_SELECTSTRING && !IsMulti(h)) {
            sel = caret = found;
            ShowSelection(h, *this);
        }
        return found;
    }
    case LB_GETTOPINDEX: return top;
    case LB_SETTOPINDEX:
        if (!list.Valid(index) && index != 0) return LB_ERR;
        top = static_cast<int>(index);
        if (view && list.Valid(index))
            view->scrollToItem(view->item(static_cast<int>(index)), QAbstractItemView::PositionAtTop);
        return 0;
    case LB_GETITEMHEIGHT: return view && list.Count() ? view->visualItemRect(view->item(0)).height() : 16;
    case LB_SETITEMHEIGHT: return 0;
    default: return Default(message, wParam, lParam);
    }
}

}  // namespace

void RegisterListBoxClass() { ControlWindow::Register<ListBoxControl>(L"ListBox"); }

}  // namespace mfc_controls
