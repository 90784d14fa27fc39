// Before the main window opens, an outside launcher beside the program
// ("HvLauncher") is asked whether this build may run. It gets one XML element
// as its only argument and answers with its exit code: 0 up to date, 41 a
// newer version is required, anything else a failure.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"
#include "platform/win32/WindowMessages.h"

// The launcher's exit code when a newer version is required.
constexpr DWORD kLauncherNewerVersionRequired = 41;

// The launcher's argument for the given language abbreviation and local
// version file (both escaped for XML here).
CString MakeLauncherParameter(const CString& languageAbbreviation, const CString& localVersionFilePath);

// True only when the launcher ran and ended with exit code 0. exitCode is 0
// at the start and holds the launcher's exit code when one was read. A
// launcher that does not start fails quietly; one that outlives its time
// (left running) or whose exit code cannot be read fails with a message of
// its own.
bool CheckForUpdate(HWND owner, DWORD* exitCode);
