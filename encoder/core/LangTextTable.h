// Localised texts: every visible text of the encoder comes from a language
// file, an INI file in the program's "lang" folder, looked up by its TEXT_
// key in the chosen file and else in the Korean file, which is the default and
// the fallback. Dialog captions are set by control name; a control-id map (a
// resource header or "controlid.data") turns control ids into names.
#pragma once

#include <memory>
#include <unordered_map>

#include "foundation/IniFile.h"
#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"
#include "platform/win32/WindowMessages.h"

class CLangTextTable {
public:
    CLangTextTable() = default;
    CLangTextTable(const CLangTextTable&) = delete;
    CLangTextTable& operator=(const CLangTextTable&) = delete;

    // Loads both language files and the control-id map. Missing language
    // files leave their texts empty. Returns 1, or 0 when the id map cannot
    // be opened: the id map then stays empty (without the fixed IDOK and
    // IDCANCEL names) and the code page keeps its previous value.
    int LoadLangFile(const CString& primaryPath, const CString& fallbackPath, const CString& idMapPath);
    // The text of a TEXT key, never null; an unknown key gives "". The text
    // stays valid until the next load or the table's end; the same key gives
    // the same pointer.
    const wchar_t* GetLangText(const wchar_t* key);
    // Sets the texts of the dialog's direct children and its caption from
    // section DLGTEXT of the chosen language file, by control name.
    void ApplyDialogTexts(HWND dialog, int dialogId);

    // GENERAL/CODEPAGE of the chosen language file; 0 until loaded or when
    // absent.
    int m_nCodePage = 0;

private:
    void ReadIdMap(FILE* file);
    // The DLGTEXT caption of one window by its control id; "" when none.
    CString DialogText(int controlId) const;

    CMapStringToString m_idMap{10};
    std::unordered_map<CString, std::unique_ptr<CString>> m_textCache;
    HWND m_hCurrentDialog = nullptr;
    CIniFile m_primary;
    CIniFile m_fallback;
};

// The language table of the run.
CLangTextTable& GetLangTextTable();
// The text of a TEXT key from the table of the run.
const wchar_t* LookupText(const wchar_t* key);
