#include "ShellFileOperation.h"

#include "platform/win32/DebugOutput.h"
#include "platform/win32/DesktopTrash.h"
#include "platform/win32/Files.h"
#include "platform/win32/NativePath.h"

namespace {

bool MoveToTrash(const CString& path) { return MoveToDesktopTrash(ToNativePath(path.str())); }

// The desktop's answer to one operation: 0 when every source was handled.
// Deleting is the only operation the encoder asks for; with FOF_ALLOWUNDO
// it moves each source to the trash, else it removes it.
int RunOperation(UINT operation, FILEOP_FLAGS flags, const CStringList& sources, bool* aborted)
{
    *aborted = false;
    if (operation != FO_DELETE) {
        RIVO_TRACE_GAP(L"an operation other than delete");
        return static_cast<int>(ERROR_NOT_SUPPORTED);
    }
    for (POSITION p = sources.GetHeadPosition(); p;) {
        const CString& source = sources.GetNext(p);
        bool done = (flags & FOF_ALLOWUNDO) ? MoveToTrash(source) : DeleteFileW(source) != FALSE;
        if (!done) return static_cast<int>(ERROR_ACCESS_DENIED);
    }
    return 0;
}

}  // namespace

bool CShellFileOperation::Execute(bool* started, int* result, bool* aborted)
{
    if (started) *started = false;
    if (!m_bValid || m_sources.IsEmpty()) return false;
    if (m_nOperation != FO_MOVE && m_nOperation != FO_COPY && m_nOperation != FO_DELETE && m_nOperation != FO_RENAME)
        return false;
    if (m_nOperation != FO_DELETE) {
        int targets = m_destinations.GetCount();
        if (targets == 0 || (targets != 1 && targets != m_sources.GetCount())) return false;
        if (targets > 1) m_nFlags |= FOF_MULTIDESTFILES;
    }
    bool wasAborted = false;
    int code = RunOperation(m_nOperation, m_nFlags, m_sources, &wasAborted);
    if (started) *started = true;
    if (result) *result = code;
    if (aborted) *aborted = wasAborted;
    return code == 0;
}

bool RecycleFile(HWND owner, const CString& path)
{
    CShellFileOperation op;
    op.m_sources.AddTail(path);
    op.m_hOwner = owner;
    op.m_nOperation = FO_DELETE;
    op.m_nFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    op.m_bValid = TRUE;
    return op.Execute(nullptr, nullptr, nullptr);
}
