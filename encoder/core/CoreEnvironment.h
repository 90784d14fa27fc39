// What the encoder core takes from the program around it: the folder it finds
// its outside programs, language files and control-id map in, how long it
// waits for outside programs, and the face of the system's GUI font. A program
// keeps the defaults; tests put a folder of their own and short waits in
// place.
#pragma once

#include <functional>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class CCoreEnvironment {
public:
    static CCoreEnvironment& Get();

    // The program folder with its trailing separator: the running program's
    // folder unless another one was set.
    CString ProgramFolder() const;
    // An empty folder goes back to the running program's folder.
    void SetProgramFolder(const CString& folder);

    // Longest waits for the update launcher and the subtitle converters.
    DWORD m_nLauncherTimeoutMs = 20000;
    DWORD m_nConverterTimeoutMs = 10000;

    // The face name of the stock GUI font, as the drawing layer reports it;
    // empty (no drawing layer) counts as no font.
    std::function<CString()> m_fnGuiFontFace;

private:
    CString m_sProgramFolder;
};
