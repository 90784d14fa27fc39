// The "ComboBox" class over a QComboBox: drop-down lists, editable combo
// boxes and owner-drawn ones. The control keeps the items, their data, the
// selection and the edit text; the widget shows them. Only the user's choice
// (a click in the list, a key, the wheel) sends CBN_SELCHANGE, with the edit
// text still the old one as the system's combo boxes do; CB_SETCURSEL and
// CB_SELECTSTRING change the selection silently. Typing in an editable
// combo sends CBN_EDITUPDATE and CBN_EDITCHANGE.
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/mfc/ItemList.h"
#include "platform/mfc/OwnerDraw.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/GdiText.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace mfc_controls {
namespace {

class ComboWidget;

struct ComboBoxControl : ControlWindow {
    using ControlWindow::ControlWindow;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    QWidget* Widget() const override;
    void OnFocusChanged(bool gained) override;

    ItemList list;
    int sel = -1;
    std::wstring editText;  // editable combo boxes
    int fieldHeight = 0;    // owner draw: the selection field
    int itemHeight = 0;     // owner draw: the list items
    int limit = 0;
    int droppedHeight = 0;  // the height the program gave, list included
    QPointer<ComboWidget> box;
};

ComboBoxControl* StateOf(HWND h) { return ControlWindow::Of<ComboBoxControl>(h); }

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }
bool IsEditable(HWND h) { return (Style(h) & CBS_TYPEMASK) != CBS_DROPDOWNLIST; }
bool IsOwnerDraw(HWND h) { return (Style(h) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }
bool HasStrings(HWND h) { return !IsOwnerDraw(h) || (Style(h) & CBS_HASSTRINGS); }

// Draws owner-drawn items through the parent.
class OwnerDrawDelegate : public QStyledItemDelegate {
public:
    OwnerDrawDelegate(HWND window, QObject* parent) : QStyledItemDelegate(parent), window_(window) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        ComboBoxControl* s = StateOf(window_);
        if (!s || !s->list.Valid(index.row())) return;
        UINT state = 0;
        if (option.state & QStyle::State_Selected) state |= ODS_SELECTED;
        if (option.state & QStyle::State_HasFocus) state |= ODS_FOCUS;
        QImage image = DrawItemByOwner(window_, ODT_COMBOBOX, index.row(), state,
                                       s->list.items[static_cast<size_t>(index.row())].data, option.rect.width(),
                                       option.rect.height(), s->Font());
        painter->drawImage(option.rect.topLeft(), image);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        ComboBoxControl* s = StateOf(window_);
        return QSize(option.rect.width(), s && s->itemHeight ? s->itemHeight : 16);
    }

private:
    HWND window_;
};

void OnDropDown(HWND h, bool open);

class ComboWidget : public QComboBox {
public:
    explicit ComboWidget(HWND window) : window_(window) {}
    void showPopup() override
    {
        OnDropDown(window_, true);
        QComboBox::showPopup();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        OnDropDown(window_, false);
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        ComboBoxControl* s = StateOf(window_);
        if (!s || !IsOwnerDraw(window_) || isEditable()) {
            QComboBox::paintEvent(e);
            return;
        }
        // The frame and arrow as the style draws them, the selection field
        // by the owner.
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        option.currentIcon = QIcon();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        if (!s->list.Valid(s->sel) || field.isEmpty()) return;
        UINT state = ODS_COMBOBOXEDIT;
        if (hasFocus()) state |= ODS_SELECTED | ODS_FOCUS;
        if (!isEnabled()) state |= ODS_DISABLED;
        QImage image =
            DrawItemByOwner(window_, ODT_COMBOBOX, s->sel, state, s->list.items[static_cast<size_t>(s->sel)].data,
                            field.width(), field.height(), s->Font());
        painter.drawImage(field.topLeft(), image);
    }

private:
    HWND window_;
};

const std::wstring& ItemText(const ComboBoxControl& s, int i) { return s.list.items[static_cast<size_t>(i)].text; }

// ---- Showing the state ----------------------------------------------------------

void ShowSelection(ComboBoxControl& s)
{
    if (!s.box) return;
    ProgrammaticChange change;
    s.box->setCurrentIndex(s.sel);
    if (s.box->isEditable() && s.box->lineEdit()) s.box->lineEdit()->setText(QString::fromStdWString(s.editText));
    s.box->update();
}

void ShowItems(ComboBoxControl& s)
{
    if (!s.box) return;
    ProgrammaticChange change;
    s.box->clear();
    for (const ListItem& item : s.list.items) s.box->addItem(QString::fromStdWString(item.text));
    ShowSelection(s);
}

// ---- The user's actions ----------------------------------------------------------------

void OnActivated(HWND h, int index)
{
    if (ProgrammaticChange::Active()) return;
    ComboBoxControl* s = StateOf(h);
    if (!s || !s->list.Valid(index)) return;
    s->sel = index;
    NotifyCommand(h, CBN_SELCHANGE);
    if (!(s = StateOf(h))) return;
    // The edit field takes the chosen text after the notification.
    if (IsEditable(h) && s->list.Valid(s->sel)) s->editText = ItemText(*s, s->sel);
    ShowSelection(*s);
}

void OnEditTyped(HWND h, const QString& text)
{
    if (ProgrammaticChange::Active()) return;
    ComboBoxControl* s = StateOf(h);
    if (!s) return;
    s->editText = text.toStdWString();
    NotifyCommand(h, CBN_EDITUPDATE);
    if (IsWindow(h)) NotifyCommand(h, CBN_EDITCHANGE);
}

void OnDropDown(HWND h, bool open)
{
    if (ProgrammaticChange::Active()) return;
    NotifyCommand(h, open ? CBN_DROPDOWN : CBN_CLOSEUP);
}

bool IsDropped(const ComboBoxControl& s) { return s.box && s.box->view() && s.box->view()->isVisible(); }

// Enter or Escape while the list is open closes it: Enter chooses the
// highlighted item as a click would, Escape leaves the choice as it was.
void CloseList(HWND h, ComboBoxControl& s, WPARAM key)
{
    const int highlighted = s.box->view()->currentIndex().row();
    s.box->hidePopup();
    if (key == VK_RETURN && highlighted >= 0) OnActivated(h, highlighted);
}

void MakeWidget(HWND h, ComboBoxControl& s)
{
    auto* box = new ComboWidget(h);
    if (!EmbedWidget(h, box)) return;
    s.box = box;
    if (IsEditable(h)) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCompleter(nullptr);
        WatchInput(h, box->lineEdit());
        QObject::connect(box->lineEdit(), &QLineEdit::textEdited, box, [h](const QString& t) { OnEditTyped(h, t); });
    }
    if (IsOwnerDraw(h)) box->setItemDelegate(new OwnerDrawDelegate(h, box));
    if (box->view()) WatchInput(h, box->view());
    QObject::connect(box, &QComboBox::activated, box, [h](int index) { OnActivated(h, index); });
}

int DefaultItemHeight(const ComboBoxControl& s);

// The height of the window: the selection field only, as the list drops
// down below it.
int FieldWindowHeight(HWND h, const ComboBoxControl& s)
{
    int field = s.box ? s.box->sizeHint().height() : DefaultItemHeight(s) + 6;
    if (IsOwnerDraw(h) && s.fieldHeight) field = std::max(field, s.fieldHeight + 6);
    return field;
}

int DefaultItemHeight(const ComboBoxControl& s)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, s.Font() ? s.Font() : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    DeleteDC(dc);
    return tm.tmHeight + 2;
}

LRESULT CopyText(const std::wstring& text, LPARAM buffer, WPARAM size)
{
    return CopyTextOut(text, reinterpret_cast<LPWSTR>(buffer), static_cast<size_t>(size));
}

// Defined here, where ComboWidget is complete.
QWidget* ComboBoxControl::Widget() const { return box; }

void ComboBoxControl::OnFocusChanged(bool gained) { NotifyCommand(Handle(), gained ? CBN_SETFOCUS : CBN_KILLFOCUS); }

LRESULT ComboBoxControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND h = Handle();
    const bool sorted = (Style() & CBS_SORT) != 0;
    switch (message) {
    case WM_CREATE:
        MakeWidget(h, *this);
        if (IsOwnerDraw(h)) {
            int fallback = DefaultItemHeight(*this);
            fieldHeight = MeasureItemByOwner(h, ODT_COMBOBOX, -1, 0, fallback);
            itemHeight = MeasureItemByOwner(h, ODT_COMBOBOX, 0, 0, fallback);
        }
        if ((Style() & CBS_TYPEMASK) != CBS_SIMPLE) {
            RECT r;
            GetWindowRect(h, &r);
            SetWindowPos(h, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return 0;
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (pos && !(pos->flags & SWP_NOSIZE) && (Style() & CBS_TYPEMASK) != CBS_SIMPLE) {
            int field = FieldWindowHeight(h, *this);
            if (pos->cy != field) droppedHeight = pos->cy;
            pos->cy = field;
        }
        return Default(message, wParam, lParam);
    }
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_WANTARROWS | (IsEditable(h) ? DLGC_HASSETSEL : 0);
        // While its list is open, Enter and Escape are the list's: they
        // close it (choosing or not), never the dialog.
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (IsDropped(*this) && msg && msg->message == WM_KEYDOWN &&
            (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if (IsDropped(*this) && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
            CloseList(h, *this, wParam);
            return 0;
        }
        [[fallthrough]];
    case WM_KEYUP:
    case WM_CHAR: {
        QWidget* target = box;
        // Text keys of an editable combo box go to its edit field.
        if (box && box->isEditable() && message == WM_CHAR) target = box->lineEdit();
        if (box && box->isEditable() && message != WM_CHAR && wParam != VK_UP && wParam != VK_DOWN &&
            wParam != VK_PRIOR && wParam != VK_NEXT && wParam != VK_F4)
            target = box->lineEdit();
        ForwardKey(target, message, wParam, lParam);
        return 0;
    }
    case WM_SETTEXT: {
        std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        if (IsEditable(h)) {
            editText = text;
            sel = list.Find(-1, text, true);
            ShowSelection(*this);
            return TRUE;
        }
        int found = list.Find(-1, text, true);
        if (found < 0) return CB_ERR;
        sel = found;
        ShowSelection(*this);
        return TRUE;
    }
    case WM_GETTEXT:
        if (IsEditable(h)) return CopyText(editText, lParam, wParam);
        return CopyText(list.Valid(sel) ? ItemText(*this, sel) : std::wstring(), lParam, wParam);
    case WM_GETTEXTLENGTH:
        if (IsEditable(h)) return static_cast<LRESULT>(editText.size());
        return list.Valid(sel) ? static_cast<LRESULT>(ItemText(*this, sel).size()) : 0;
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
        std::wstring text;
        ULONG_PTR data = 0;
        if (HasStrings(h))
            text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        else
            data = static_cast<ULONG_PTR>(lParam);
        int index = message == CB_ADDSTRING ? list.Add(text, data, sorted && HasStrings(h))
                                            : list.Insert(static_cast<INT_PTR>(wParam), text, data);
        if (index < 0) return CB_ERR;
        if (sel >= index) ++sel;
        ShowItems(*this);
        return index;
    }
    case CB_DELETESTRING: {
        auto index = static_cast<INT_PTR>(wParam);
        if (!list.Remove(index)) return CB_ERR;
        if (sel == index)
            sel = -1;
        else if (sel > index)
            --sel;
        ShowItems(*this);
        return list.Count();
    }
    case CB_RESETCONTENT:
        list.items.clear();
        sel = -1;
        if (IsEditable(h)) editText.clear();
        ShowItems(*this);
        return CB_OKAY;
    case CB_GETCOUNT: return list.Count();
    case CB_GETCURSEL: return sel;
    case CB_SETCURSEL: {
        auto index = static_cast<INT_PTR>(wParam);
        if (!list.Valid(index)) {
            sel = -1;
            if (IsEditable(h)) editText.clear();
            ShowSelection(*this);
            return CB_ERR;
        }
        sel = static_cast<int>(index);
        if (IsEditable(h)) editText = ItemText(*this, sel);
        ShowSelection(*this);
        return index;
    }
    case CB_GETLBTEXT:
        if (!list.Valid(static_cast<INT_PTR>(wParam))) return CB_ERR;
        if (!HasStrings(h)) {
            if (lParam) *reinterpret_cast<ULONG_PTR*>(lParam) = list.items[wParam].data;
            return sizeof(ULONG_PTR);
        }
        return CopyText(ItemText(*this, static_cast<int>(wParam)), lParam,
                        ItemText(*this, static_cast<int>(wParam)).size() + 1);
    case CB_GETLBTEXTLEN:
        if (!list.Valid(static_cast<INT_PTR>(wParam))) return CB_ERR;
        return HasStrings(h) ? static_cast<LRESULT>(ItemText(*this, static_cast<int>(wParam)).size())
                             : static_cast<LRESULT>(sizeof(ULONG_PTR));
    case CB_SETITEMDATA:
        if (!list.Valid(static_cast<INT_PTR>(wParam))) return CB_ERR;
        list.items[wParam].data = static_cast<ULONG_PTR>(lParam);
        return TRUE;
    case CB_GETITEMDATA:
        if (!list.Valid(static_cast<INT_PTR>(wParam))) return CB_ERR;
        return static_cast<LRESULT>(list.items[wParam].data);
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING: {
        std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        int found = list.Find(static_cast<INT_PTR>(wParam), text, message == CB_FINDSTRINGEXACT);
        if (found < 0) return CB_ERR;
        if (message == CB_SELECTSTRING) {
            sel = found;
            if (IsEditable(h)) editText = ItemText(*this, found);
            ShowSelection(*this);
        }
        return found;
    }
    case CB_SHOWDROPDOWN:
        if (box) {
            if (wParam)
                box->showPopup();
            else
                box->hidePopup();
        }
        return TRUE;
    case CB_GETDROPPEDCONTROLRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r) return CB_ERR;
        GetWindowRect(h, r);
        r->bottom = r->top + std::max(static_cast<int>(r->bottom - r->top), droppedHeight);
        return TRUE;
    }
    case CB_GETDROPPEDSTATE: return (box && box->view() && box->view()->isVisible()) ? TRUE : FALSE;
    case CB_SETITEMHEIGHT:
        if (static_cast<INT_PTR>(wParam) == -1)
            fieldHeight = static_cast<int>(lParam);
        else
            itemHeight = static_cast<int>(lParam);
        if (box) box->update();
        return 0;
    case CB_GETITEMHEIGHT:
        if (static_cast<INT_PTR>(wParam) == -1) return fieldHeight ? fieldHeight : DefaultItemHeight(*this);
        return itemHeight ? itemHeight : DefaultItemHeight(*this);
    case CB_LIMITTEXT:
        limit = static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE));
        if (box && box->lineEdit()) box->lineEdit()->setMaxLength(limit ? limit : 0x7FFFFFFE);
        return TRUE;
    case CB_GETEDITSEL: {
        if (!box || !box->lineEdit()) return CB_ERR;
        QLineEdit* e = box->lineEdit();
        int start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
        int end = e->hasSelectedText() ? start + static_cast<int>(e->selectedText().size()) : start;
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
        return MAKELONG(static_cast<WORD>(start), static_cast<WORD>(end));
    }
    case CB_SETEDITSEL: {
        if (!IsEditable(h)) return CB_ERR;
        if (box && box->lineEdit()) {
            auto start = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
            auto end = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
            int n = static_cast<int>(editText.size());
            ProgrammaticChange change;
            if (start < 0)
                box->lineEdit()->deselect();
            else
                box->lineEdit()->setSelection(std::min<int>(start, n),
                                              (end < 0 ? n : std::min<int>(end, n)) - std::min<int>(start, n));
        }
        return TRUE;
    }
    case CB_GETTOPINDEX: return 0;
    case CB_SETDROPPEDWIDTH: return static_cast<LRESULT>(wParam);
    default: return Default(message, wParam, lParam);
    }
}

}  // namespace

void RegisterComboBoxClass() { ControlWindow::Register<ComboBoxControl>(L"ComboBox"); }

}  // namespace mfc_controls
