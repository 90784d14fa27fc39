// The desktop's shell services the windows use, behind one replaceable
// interface: opening a folder in the file manager, opening an address in the
// program the desktop has for it, starting a program, and moving a file to
// the trash. By default the desktop's own (xdg-open, the freedesktop.org
// trash through Qt, programs started from their argument vector); tests
// install one of their own. ShellExecuteW routes its requests to them.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/gui/UserTypes.h"

class IShellService {
public:
    virtual ~IShellService() = default;
    virtual bool OpenFolder(const std::wstring& folder) = 0;
    // An address (http:, https:, mailto:, file:) or a document path.
    virtual bool OpenAddress(const std::wstring& address) = 0;
    virtual bool StartProgram(const std::wstring& program, const std::vector<std::wstring>& args,
                              const std::wstring& workingFolder) = 0;
    // False leaves the file where it is.
    virtual bool MoveToTrash(const std::wstring& path) = 0;
};

// Installs a service (not owned); null restores the desktop's.
void SetShellService(IShellService* service);
IShellService& ShellService();

constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_NOASSOC = 31;

// With the verb "open" or none: an address opens in its program, a folder in
// the file manager, a program starts with the parameters (split by the
// command-line rules) in the given folder, any other file opens in the
// desktop's program for it. Greater than 32 on success; SE_ERR_FNF for a
// path that does not exist, SE_ERR_NOASSOC for other verbs or when the
// service could not do it.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, int show);
