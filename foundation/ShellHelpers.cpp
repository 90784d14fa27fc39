#include "ShellHelpers.h"

#include <string>
#include <vector>

#include "PathHelpers.h"
#include "RegistryHelpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Process.h"

namespace {

constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool Spawn(const std::wstring& program, const std::vector<std::wstring>& args)
{
    HANDLE h = SpawnProcess(program, args, L"");
    if (!h) return false;
    CloseHandle(h);  // the browser runs on; it is reaped when it ends
    return true;
}

}  // namespace

CString GetProgramFilesFolder()
{
    CString folder;
    if (RegReadString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir",
                      folder) &&
        folder.GetLength() < 512)
        return folder;
    return L"/usr/bin";
}

bool RegReadShellFolder(const wchar_t* valueName, CString& folder, HKEY root)
{
    CString v;
    // The value is read into 1,024 bytes: 511 characters and the NUL.
    if (!RegReadString(root, kShellFolders, valueName, v) || v.GetLength() > 511) return false;
    folder = v;
    return true;
}

CString GetDataFolder(const CString& firstSubFolder, const CString& secondSubFolder, HKEY root)
{
    CString folder;
    if (!RegReadShellFolder(L"Common AppData", folder, root) && !RegReadShellFolder(L"AppData", folder, root) &&
        !RegReadShellFolder(L"Personal", folder, root) && !RegReadShellFolder(L"Personal", folder, HKEY_LOCAL_MACHINE))
        folder = GetModuleDirectory();
    if (!firstSubFolder.IsEmpty()) folder = CombinePath(folder, firstSubFolder, L"/");
    if (!secondSubFolder.IsEmpty()) folder = CombinePath(folder, secondSubFolder, L"/");
    if (!IsFolder(folder) && !CreateFolderPath(folder)) return GetModuleDirectory();
    if (folder.IsEmpty() || !IsPathSeparator(folder[folder.GetLength() - 1])) folder += L'/';
    return folder;
}

int GetOsVersionCode(CString* servicePack)
{
    if (servicePack) servicePack->Empty();
    return 14;
}

bool OpenUrlInDefaultBrowser(const CString& url)
{
    CString command = RegReadClassesRootDefault(L"http\\shell\\open\\command");
    if (!command.IsEmpty()) {
        // The command is split into its arguments first, then the address goes
        // in where "%1" stands: whatever the address holds, it stays one
        // argument, and no shell ever reads it.
        std::vector<std::wstring> args = SplitCommandLine(command.str());
        if (!args.empty()) {
            bool placed = false;
            for (size_t i = 1; i < args.size(); ++i) {
                size_t at;
                while ((at = args[i].find(L"%1")) != std::wstring::npos) {
                    args[i].replace(at, 2, url.str());
                    placed = true;
                }
            }
            if (!placed) args.push_back(url.str());
            std::wstring program = args.front();
            args.erase(args.begin());
            if (Spawn(program, args)) return true;
        }
    }
    return Spawn(L"xdg-open", {url.str()});
}
