#include "CDialog.h"

#include "platform/win32/gui/Dialog.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::CDialog(LPCWSTR templateName, CWnd* parent) : m_lpszTemplateName(templateName), m_pParentWnd(parent)
{
    if (templateName && IS_INTRESOURCE(templateName))
        m_nIDTemplate = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(templateName));
}

CDialog::~CDialog() = default;

const DialogResource* CDialog::FindResource() const
{
    if (indirect_) return indirect_;
    if (m_lpszTemplateName && !IS_INTRESOURCE(m_lpszTemplateName)) return FindDialogResourceByName(m_lpszTemplateName);
    return FindDialogResource(static_cast<int>(m_nIDTemplate));
}

INT_PTR CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Until WM_INITDIALOG the dialog manager's defaults do; from then on the
    // object has the window and its messages come through the library's
    // procedure, so nothing more is answered here.
    if (message != WM_INITDIALOG || FromHandlePermanent(window)) return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog || dialog->m_hWnd) return FALSE;
    dialog->AttachAndSubclass(window);
    return AfxCallWndProc(dialog, window, message, wParam, lParam);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

HWND CDialog::CreateFrom(const DialogResource& resource, HWND owner)
{
    HWND h = CreateDialogFromResource(resource, owner, DialogProc, reinterpret_cast<LPARAM>(this));
    return (h && m_hWnd == h) ? h : nullptr;
}

HWND CDialog::PreModal()
{
    CWnd* parent = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    if (!parent || !parent->m_hWnd || !::IsWindow(parent->m_hWnd)) return nullptr;
    return ::GetAncestor(parent->m_hWnd, GA_ROOT);
}

INT_PTR CDialog::DoModal()
{
    const DialogResource* resource = FindResource();
    if (!resource || m_hWnd) return -1;
    HWND owner = PreModal();
    m_hDisabledOwner = nullptr;
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        m_hDisabledOwner = owner;
    }
    m_nModalResult = -1;
    m_nFlags |= WF_CONTINUEMODAL;
    HWND h = CreateFrom(*resource, owner);
    if (h && (m_nFlags & WF_CONTINUEMODAL)) RunModalLoop();
    m_nFlags &= ~(WF_CONTINUEMODAL | WF_MODALLOOP);
    if (m_hDisabledOwner) {
        ::EnableWindow(m_hDisabledOwner, TRUE);
        m_hDisabledOwner = nullptr;
    }
    if (m_hWnd) {
        if (owner && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(owner);
        DestroyWindow();
    }
    return m_nModalResult;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    m_nIDTemplate = templateId;
    m_lpszTemplateName = nullptr;
    m_pParentWnd = parent;
    const DialogResource* resource = FindResource();
    return resource ? CreateIndirect(*resource, parent) : FALSE;
}

BOOL CDialog::Create(LPCWSTR templateName, CWnd* parent)
{
    m_lpszTemplateName = templateName;
    m_nIDTemplate = (templateName && IS_INTRESOURCE(templateName))
                        ? static_cast<UINT>(reinterpret_cast<ULONG_PTR>(templateName))
                        : 0;
    m_pParentWnd = parent;
    const DialogResource* resource = FindResource();
    return resource ? CreateIndirect(*resource, parent) : FALSE;
}

BOOL CDialog::CreateIndirect(const DialogResource& resource, CWnd* parent)
{
    if (m_hWnd) return FALSE;
    indirect_ = &resource;
    m_nIDTemplate = static_cast<UINT>(resource.id);
    m_pParentWnd = parent;
    CWnd* owner = parent ? parent : AfxGetMainWnd();
    HWND h = CreateFrom(resource, owner ? owner->m_hWnd : nullptr);
    if (!h) return FALSE;
    if (resource.style & WS_VISIBLE) ::ShowWindow(h, (resource.style & WS_CHILD) ? SW_SHOWNA : SW_SHOW);
    return ::IsWindow(h);
}

void CDialog::EndDialog(int result)
{
    if (m_nFlags & (WF_MODALLOOP | WF_CONTINUEMODAL))
        EndModalLoop(result);
    else
        m_nModalResult = result;
    // The owner takes input again before the dialog hides, so that it is
    // the window activated then.
    if (m_hDisabledOwner) {
        ::EnableWindow(m_hDisabledOwner, TRUE);
        m_hDisabledOwner = nullptr;
    }
    if (m_hWnd) ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::NextDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
void CDialog::PrevDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 1, 0); }

void CDialog::GotoDlgCtrl(CWnd* control)
{
    if (control) ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control->m_hWnd), TRUE);
}

void CDialog::SetDefID(UINT id) { ::SendMessageW(m_hWnd, DM_SETDEFID, id, 0); }

DWORD CDialog::GetDefID() const { return static_cast<DWORD>(::SendMessageW(m_hWnd, DM_GETDEFID, 0, 0)); }

void CDialog::MapDialogRect(LPRECT r) const { ::MapDialogRect(m_hWnd, r); }

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) return ::IsDialogMessageW(m_hWnd, msg);
    return FALSE;
}
