#include "PropertySheet.h"

#include <algorithm>

#include "platform/mfc/StandardControls.h"
#include "platform/win32/gui/UserLanguage.h"

namespace {

// OK, Cancel and Apply in the languages the system speaks.
const wchar_t* const kEnglishButtons[] = {L"OK", L"Cancel", L"&Apply"};
const wchar_t* const kKoreanButtons[] = {L"\uD655\uC778", L"\uCDE8\uC18C", L"\uC801\uC6A9(&A)"};
const wchar_t* const kJapaneseButtons[] = {L"OK", L"\u30AD\u30E3\u30F3\u30BB\u30EB", L"\u9069\u7528(&A)"};

constexpr short kMargin = 4;
constexpr short kTabRow = 14;  // the tab row, in dialog units
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kSmallestPage = 100;

}  // namespace

// ---- Pages ---------------------------------------------------------------------------------

CPropertyPage::CPropertyPage(UINT templateId, UINT) : CDialog(templateId) {}

BOOL CPropertyPage::OnSetActive() { return TRUE; }
BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

void CPropertyPage::SetModified(BOOL changed)
{
    if (m_pSheet) m_pSheet->PageModified(changed);
}

std::wstring CPropertyPage::Caption() const
{
    const DialogResource* r = FindResource();
    return (r && r->caption) ? std::wstring(r->caption) : std::wstring();
}

BOOL CPropertyPage::CreatePage(CPropertySheet* sheet)
{
    const DialogResource* r = FindResource();
    if (!r || m_hWnd) return FALSE;
    // A page is a child of the sheet and part of it, whatever its resource
    // says: Enter and Escape work the sheet's buttons and Tab walks from the
    // sheet's controls through the page's.
    child_ = *r;
    child_.style = (r->style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | DS_CENTER |
                                 WS_VISIBLE | WS_DISABLED)) |
                   WS_CHILD | DS_CONTROL;
    child_.exStyle = r->exStyle & ~(WS_EX_APPWINDOW | WS_EX_DLGMODALFRAME);
    m_pSheet = sheet;
    UINT id = m_nIDTemplate;
    BOOL ok = CreateIndirect(child_, sheet);
    m_nIDTemplate = id;
    return ok;
}

// ---- The sheet ------------------------------------------------------------------------------

CPropertySheet::CPropertySheet(LPCWSTR caption, CWnd* parent, UINT selectPage)
    : CDialog(static_cast<UINT>(0), parent), caption_(caption ? caption : L""), start_(selectPage)
{
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    if (!page) return;
    page->m_pSheet = this;
    pages_.push_back(page);
    if (tab_.m_hWnd) tab_.InsertItem(GetPageCount() - 1, page->Caption().c_str());
}

CPropertyPage* CPropertySheet::GetPage(int index) const
{
    return (index >= 0 && index < GetPageCount()) ? pages_[static_cast<size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const
{
    auto it = std::find(pages_.begin(), pages_.end(), page);
    return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void CPropertySheet::SetTitle(LPCWSTR title)
{
    caption_ = title ? title : L"";
    if (m_hWnd) SetWindowText(caption_.c_str());
}

void CPropertySheet::BuildLayout()
{
    short width = kSmallestPage, height = kSmallestPage / 2;
    for (CPropertyPage* page : pages_) {
        if (const DialogResource* r = page->FindResource()) {
            width = std::max(width, r->cx);
            height = std::max(height, r->cy);
        }
    }
    short tabWidth = static_cast<short>(width + 2 * kMargin);
    short tabHeight = static_cast<short>(height + kTabRow + 2 * kMargin);
    short buttonsTop = static_cast<short>(kMargin + tabHeight + kMargin);
    short right = static_cast<short>(kMargin + tabWidth);
    auto button = [&](int slot, int id, const wchar_t* text, DWORD style) {
        short x = static_cast<short>(right - (3 - slot) * (kButtonWidth + kMargin) + kMargin);
        return DialogControlResource{id, L"", L"Button",  text,         WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                                     0,  x,   buttonsTop, kButtonWidth, kButtonHeight};
    };
    controls_[0] = DialogControlResource{AFX_IDC_TAB_CONTROL,
                                         L"",
                                         L"SysTabControl32",
                                         L"",
                                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                                         0,
                                         kMargin,
                                         kMargin,
                                         tabWidth,
                                         tabHeight};
    // The sheet's own buttons speak the user's language, as the system's do.
    LANGID language = GetUserDefaultLangID();
    const wchar_t* const* texts = language == 1042   ? kKoreanButtons
                                  : language == 1041 ? kJapaneseButtons
                                                     : kEnglishButtons;
    controls_[1] = button(0, IDOK, texts[0], BS_DEFPUSHBUTTON);
    controls_[2] = button(1, IDCANCEL, texts[1], BS_PUSHBUTTON);
    controls_[3] = button(2, ID_APPLY_NOW, texts[2], BS_PUSHBUTTON | WS_DISABLED);
    resource_ = DialogResource{0,
                               L"",
                               caption_.c_str(),
                               WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER,
                               0,
                               0,
                               0,
                               static_cast<short>(right + kMargin),
                               static_cast<short>(buttonsTop + kButtonHeight + kMargin),
                               9,
                               L"MS Shell Dlg",
                               L"",
                               controls_,
                               4};
}

const DialogResource* CPropertySheet::FindResource() const { return &resource_; }

INT_PTR CPropertySheet::DoModal()
{
    BuildLayout();
    return CDialog::DoModal();
}

void CPropertySheet::PlacePage(CPropertyPage* page)
{
    if (!page || !page->m_hWnd || !tab_.m_hWnd) return;
    RECT area;
    tab_.GetClientRect(&area);
    tab_.AdjustRect(FALSE, &area);
    tab_.MapWindowPoints(this, &area);
    page->SetWindowPos(nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CPropertySheet::Activate(int index)
{
    CPropertyPage* page = GetPage(index);
    if (!page) return false;
    if (!page->m_hWnd) {
        if (!page->CreatePage(this)) return false;
        PlacePage(page);
    }
    if (!page->OnSetActive()) return false;
    CPropertyPage* old = GetActivePage();
    active_ = index;
    page->ShowWindow(SW_SHOW);
    if (old && old != page && old->m_hWnd) old->ShowWindow(SW_HIDE);
    if (tab_.m_hWnd && tab_.GetCurSel() != index) tab_.SetCurSel(index);
    return true;
}

BOOL CPropertySheet::SetActivePage(int index)
{
    if (!GetPage(index)) return FALSE;
    if (!m_hWnd) {
        start_ = static_cast<UINT>(index);
        return TRUE;
    }
    if (index == active_) return TRUE;
    if (CPropertyPage* current = GetActivePage(); current && current->m_hWnd && !current->OnKillActive()) return FALSE;
    return Activate(index) ? TRUE : FALSE;
}

BOOL CPropertySheet::OnInitDialog()
{
    CDialog::OnInitDialog();
    tab_.SubclassDlgItem(AFX_IDC_TAB_CONTROL, this);
    for (int i = 0; i < GetPageCount(); ++i) tab_.InsertItem(i, pages_[static_cast<size_t>(i)]->Caption().c_str());
    if (m_psh.dwFlags & PSH_NOAPPLYNOW)
        if (CWnd* apply = GetDlgItem(ID_APPLY_NOW)) apply->ShowWindow(SW_HIDE);
    Activate(std::min<int>(static_cast<int>(start_), GetPageCount() - 1));
    return TRUE;
}

void CPropertySheet::PageModified(BOOL changed)
{
    if (CWnd* apply = m_hWnd ? GetDlgItem(ID_APPLY_NOW) : nullptr) apply->EnableWindow(changed);
}

BOOL CPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDOK: {
        CPropertyPage* current = GetActivePage();
        if (current && current->m_hWnd && !current->OnKillActive()) return TRUE;
        for (CPropertyPage* page : pages_)
            if (page->m_hWnd) page->OnOK();
        EndDialog(IDOK);
        return TRUE;
    }
    case IDCANCEL:
        for (CPropertyPage* page : pages_)
            if (page->m_hWnd) page->OnCancel();
        EndDialog(IDCANCEL);
        return TRUE;
    case ID_APPLY_NOW: {
        CPropertyPage* current = GetActivePage();
        if (current && current->m_hWnd && !current->OnKillActive()) return TRUE;
        for (CPropertyPage* page : pages_)
            if (page->m_hWnd) page->OnApply();
        PageModified(FALSE);
        return TRUE;
    }
    default: return CDialog::OnCommand(wParam, lParam);
    }
}

BOOL CPropertySheet::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header && tab_.m_hWnd && header->hwndFrom == tab_.m_hWnd) {
        if (header->code == TCN_SELCHANGING) {
            CPropertyPage* current = GetActivePage();
            *result = (current && current->m_hWnd && !current->OnKillActive()) ? TRUE : FALSE;
            return TRUE;
        }
        if (header->code == TCN_SELCHANGE) {
            int wanted = tab_.GetCurSel();
            if (!Activate(wanted) && active_ >= 0) tab_.SetCurSel(active_);
            *result = 0;
            return TRUE;
        }
    }
    return CDialog::OnNotify(wParam, lParam, result);
}
