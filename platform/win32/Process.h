// Starting and watching other programs. A child is started straight from an
// argument vector (never through a shell); the command-line form splits its
// text by the emulated platform's rules first. Only the standard streams are
// passed on to the child.
//
// Outside programs are stand-in executables in the program folder named
// without ".exe"; a program name ending in ".exe" that does not exist is
// therefore also tried without it.
//
// A process handle is signalled when the child ends. A child whose handles
// are all closed while it still runs is left running and reaped in the
// background when it ends, so it never stays behind as a zombie.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "KernelObject.h"
#include "WinTypes.h"

constexpr DWORD STILL_ACTIVE = 259;

// Creation flags. Console, window and priority flags are accepted and have no
// effect here; a suspended start is not supported.
constexpr DWORD CREATE_SUSPENDED = 0x00000004;
constexpr DWORD DETACHED_PROCESS = 0x00000008;
constexpr DWORD CREATE_NEW_CONSOLE = 0x00000010;
constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020;
constexpr DWORD IDLE_PRIORITY_CLASS = 0x00000040;
constexpr DWORD HIGH_PRIORITY_CLASS = 0x00000080;
constexpr DWORD CREATE_NEW_PROCESS_GROUP = 0x00000200;
constexpr DWORD CREATE_UNICODE_ENVIRONMENT = 0x00000400;
constexpr DWORD BELOW_NORMAL_PRIORITY_CLASS = 0x00004000;
constexpr DWORD ABOVE_NORMAL_PRIORITY_CLASS = 0x00008000;
constexpr DWORD CREATE_NO_WINDOW = 0x08000000;

// STARTUPINFOW.dwFlags. The show-window value is kept but means nothing to a
// program without windows of ours; standard handles cannot be replaced.
constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
constexpr DWORD STARTF_USESIZE = 0x00000002;
constexpr DWORD STARTF_USEPOSITION = 0x00000004;
constexpr DWORD STARTF_USESTDHANDLES = 0x00000100;

struct STARTUPINFOW {
    DWORD cb = 0;
    LPWSTR lpReserved = nullptr;
    LPWSTR lpDesktop = nullptr;
    LPWSTR lpTitle = nullptr;
    DWORD dwX = 0;
    DWORD dwY = 0;
    DWORD dwXSize = 0;
    DWORD dwYSize = 0;
    DWORD dwXCountChars = 0;
    DWORD dwYCountChars = 0;
    DWORD dwFillAttribute = 0;
    DWORD dwFlags = 0;
    WORD wShowWindow = 0;
    WORD cbReserved2 = 0;
    LPBYTE lpReserved2 = nullptr;
    HANDLE hStdInput = nullptr;
    HANDLE hStdOutput = nullptr;
    HANDLE hStdError = nullptr;
};
using LPSTARTUPINFOW = STARTUPINFOW*;

struct PROCESS_INFORMATION {
    HANDLE hProcess = nullptr;
    HANDLE hThread = nullptr;
    DWORD dwProcessId = 0;
    DWORD dwThreadId = 0;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// Starts a program. With appName null the program is the first token of
// cmdLine; otherwise appName is the program and cmdLine (when given) holds
// the whole argument vector, its first token included. A bare program name is
// searched in the program folder (without regard to case), then the current
// folder, then PATH; a name with a folder is taken relative to the current
// folder. An unquoted first token that names no program is extended up to
// each following blank in turn, so a program path with blanks still works
// unquoted. security attributes are ignored; inheritHandles does not pass on
// more than the standard streams. env, when given, is a block of
// NUL-terminated "NAME=value" texts ended by an empty one, wide with
// CREATE_UNICODE_ENVIRONMENT, ANSI otherwise. curDir, when given, is the
// child's working folder. On success hProcess and hThread are two handles of
// the same child (close both) and the ids are the child's process id.
// Errors: ERROR_FILE_NOT_FOUND (no such program), ERROR_ACCESS_DENIED (not
// executable), ERROR_DIRECTORY (bad curDir), ERROR_NOT_SUPPORTED (a suspended
// start or replaced standard handles), ERROR_INVALID_PARAMETER.
BOOL CreateProcessW(LPCWSTR appName, LPWSTR cmdLine, void* processAttributes, void* threadAttributes,
                    BOOL inheritHandles, DWORD flags, void* env, LPCWSTR curDir, STARTUPINFOW* startupInfo,
                    PROCESS_INFORMATION* processInfo);

// Starts program (found as by CreateProcessW) with the arguments args (not
// counting the program itself) in workingFolder (empty: ours). Returns the
// process handle, or null with GetLastError set.
HANDLE SpawnProcess(const std::wstring& program, const std::vector<std::wstring>& args,
                    const std::wstring& workingFolder = std::wstring());

// STILL_ACTIVE while the child runs; afterwards its exit status, or 128 plus
// the signal number for a child ended by a signal (the given code after
// TerminateProcess). Fails with ERROR_ACCESS_DENIED when the child's end was
// collected elsewhere and its code is unknown.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
// Ends the child at once; its exit code becomes exitCode. Fails with
// ERROR_ACCESS_DENIED when the child has already ended.
BOOL TerminateProcess(HANDLE process, UINT exitCode);

// Splits a command line by the emulated platform's rules: blanks and tabs
// separate arguments; double quotes group; inside quotes "" is one literal
// quote; 2n backslashes before a quote give n backslashes and the quote
// opens or closes a group, 2n+1 give n backslashes and a literal quote;
// other backslashes are literal. The first token (the program) is read by
// the simpler program-name rule: a quoted run, or text up to the first blank,
// with no backslash escapes.
std::vector<std::wstring> SplitCommandLine(std::wstring_view cmdLine);
