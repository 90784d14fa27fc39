#include "ShellServices.h"

#include "platform/win32/DesktopTrash.h"
#include "platform/win32/NativePath.h"

#include <cwctype>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/win32/CString.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/Process.h"

namespace {

IShellService* g_service = nullptr;

bool Spawn(const std::wstring& program, const std::vector<std::wstring>& args, const std::wstring& folder)
{
    HANDLE h = SpawnProcess(program, args, folder);
    if (!h) return false;
    CloseHandle(h);
    return true;
}

class DesktopShell : public IShellService {
public:
    bool OpenFolder(const std::wstring& folder) override { return Spawn(L"xdg-open", {folder}, L""); }
    bool OpenAddress(const std::wstring& address) override { return Spawn(L"xdg-open", {address}, L""); }
    bool StartProgram(const std::wstring& program, const std::vector<std::wstring>& args,
                      const std::wstring& workingFolder) override
    {
        return Spawn(program, args, workingFolder);
    }
    bool MoveToTrash(const std::wstring& path) override
    {
        // Our own trash: the toolkit's call reported success while moving
        // the file into the current folder when no trash folder could be made.
        return MoveToDesktopTrash(ToNativePath(path));
    }
};

bool IsAddress(const std::wstring& s)
{
    size_t colon = s.find(L':');
    if (colon == std::wstring::npos || colon < 2) return false;  // a single letter is a drive
    for (size_t i = 0; i < colon; ++i)
        if (!(iswalnum(s[i]) || s[i] == L'+' || s[i] == L'-' || s[i] == L'.')) return false;
    return true;
}

HINSTANCE Result(int code) { return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(code)); }

}  // namespace

void SetShellService(IShellService* service) { g_service = service; }

IShellService& ShellService()
{
    static DesktopShell desktop;
    return g_service ? *g_service : desktop;
}

HINSTANCE ShellExecuteW(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, int)
{
    if (!file || !*file) return Result(SE_ERR_FNF);
    if (verb && *verb && CompareNoCase(verb, L"open") != 0) return Result(SE_ERR_NOASSOC);
    std::wstring target = file;
    std::wstring folder = directory ? directory : L"";
    IShellService& shell = ShellService();
    bool done = false;
    if (IsAddress(target)) {
        done = shell.OpenAddress(target);
    } else {
        std::string native = WideToUtf8(target);
        for (char& c : native)
            if (c == '\\') c = '/';
        struct stat st {};
        bool exists = ::stat(native.c_str(), &st) == 0;
        bool program = exists && S_ISREG(st.st_mode) && ::access(native.c_str(), X_OK) == 0;
        if (exists && S_ISDIR(st.st_mode)) {
            done = shell.OpenFolder(target);
        } else if (exists && !program) {
            done = shell.OpenAddress(target);
        } else {
            // A program here, or a stand-in named without ".exe" that the
            // process layer finds in the program folder.
            std::vector<std::wstring> args;
            if (parameters && *parameters) {
                args = SplitCommandLine(L"x " + std::wstring(parameters));
                if (!args.empty()) args.erase(args.begin());
            }
            done = shell.StartProgram(target, args, folder);
            if (!done && !program) return Result(SE_ERR_FNF);
        }
    }
    return Result(done ? 42 : SE_ERR_NOASSOC);
}
