// The class library's dialog: a window made from a registered dialog
// resource, run modally (DoModal: the owner is disabled and a loop of its own
// serves every posted message, timer and input of the thread until
// EndDialog) or modeless (Create: the caller's loop serves it; a modeless
// dialog that owns itself deletes itself in PostNcDestroy). OnInitDialog
// loads the controls (UpdateData(FALSE)); Enter and Escape reach OnOK and
// OnCancel through the dialog's keyboard handling; OnOK saves and validates
// the controls (UpdateData(TRUE)) before it ends the dialog.
#pragma once

#include "platform/mfc/CWnd.h"
#include "platform/mfc/DialogResource.h"

class CDialog : public CWnd {
public:
    // The window's own Create stays callable beside the control's.
    using CWnd::Create;
    CDialog() = default;
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    explicit CDialog(LPCWSTR templateName, CWnd* parent = nullptr);
    ~CDialog() override;

    // The result of EndDialog; -1 when the resource is unknown or the window
    // could not be made.
    virtual INT_PTR DoModal();
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    BOOL Create(LPCWSTR templateName, CWnd* parent = nullptr);
    // A dialog from a resource table that is not registered (the table
    // must stay while the window lives).
    BOOL CreateIndirect(const DialogResource& resource, CWnd* parent = nullptr);
    // Ends a modal dialog's loop with the result; a modeless dialog is hidden.
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    void GotoDlgCtrl(CWnd* control);
    void SetDefID(UINT id);
    DWORD GetDefID() const;
    void MapDialogRect(LPRECT r) const;
    BOOL PreTranslateMessage(MSG* msg) override;

    UINT GetTemplateId() const { return m_nIDTemplate; }
    // The resource of this dialog (registered by id or name), or null.
    virtual const DialogResource* FindResource() const;

protected:
    // The window that owns a modal dialog: the parent's top-level window,
    // else the main window's.
    HWND PreModal();

    UINT m_nIDTemplate = 0;
    LPCWSTR m_lpszTemplateName = nullptr;
    CWnd* m_pParentWnd = nullptr;
    HWND m_hDisabledOwner = nullptr;  // while modal

    // The procedure the window layer calls; it attaches the object at
    // WM_INITDIALOG.
    static INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    HWND CreateFrom(const DialogResource& resource, HWND owner);
    const DialogResource* indirect_ = nullptr;
};
