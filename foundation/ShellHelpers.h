// System folders and information, and opening an address in the user's
// browser.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/Registry.h"

// The programs folder: the value "ProgramFilesDir" of HKEY_LOCAL_MACHINE
// Software/Microsoft/Windows/CurrentVersion when readable, else /usr/bin; no
// trailing separator.
CString GetProgramFilesFolder();
// A value of root\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell
// Folders (read at most 1,024 bytes); true when read.
bool RegReadShellFolder(const wchar_t* valueName, CString& folder, HKEY root);
// The user's data folder with the sub-folders appended (either may be empty),
// created when missing, with a trailing separator; the program folder when it
// cannot be made.
CString GetDataFolder(const CString& firstSubFolder, const CString& secondSubFolder, HKEY root);
// The system version code; here always the newest family the codes name (14).
int GetOsVersionCode(CString* servicePack = nullptr);
// Starts the browser command registered for http in HKEY_CLASSES_ROOT with the
// address as one argument, else the desktop's default handler; true when a
// program was started.
bool OpenUrlInDefaultBrowser(const CString& url);
