#include "LangTextTable.h"

#include <cstdio>
#include <cstring>

#include "encoder/core/DialogTextWindows.h"
#include "platform/win32/Files.h"

namespace {

IDialogTextWindows* g_dialogWindows = nullptr;

// The two characters backslash and n stand for a line break.
CString Unescape(const CString& text)
{
    CString s = text;
    s.Replace(L"\\n", L"\n");
    return s;
}

// Up to three words of a line, split at white space; missing words are "".
void SplitWords(const char* line, std::string words[3])
{
    const char* blanks = " \t\r\n\v\f";
    const char* p = line;
    for (int i = 0; i < 3; ++i) {
        p += std::strspn(p, blanks);
        size_t n = std::strcspn(p, blanks);
        words[i].assign(p, n);
        p += n;
    }
}

}  // namespace

IDialogTextWindows* GetDialogTextWindows() { return g_dialogWindows; }
void SetDialogTextWindows(IDialogTextWindows* windows) { g_dialogWindows = windows; }

int CLangTextTable::LoadLangFile(const CString& primaryPath, const CString& fallbackPath, const CString& idMapPath)
{
    m_textCache.clear();
    m_idMap.RemoveAll();
    m_primary.Load(primaryPath);
    m_fallback.Load(fallbackPath);

    // Without its id map the table names no control, not even OK and
    // Cancel, and keeps the code page it had.
    FILE* file = _wfopen(idMapPath, L"rt");
    if (!file) return 0;
    ReadIdMap(file);
    m_idMap.SetAt(L"1", L"IDOK");
    m_idMap.SetAt(L"2", L"IDCANCEL");
    m_nCodePage = m_primary.GetInt(L"GENERAL", L"CODEPAGE", 0, 10);
    std::fclose(file);
    return 1;
}

void CLangTextTable::ReadIdMap(FILE* file)
{
    // A line longer than the buffer is read in chunks, each taken as a line.
    char line[1024];
    while (std::fgets(line, sizeof line, file)) {
        std::string words[3];
        SplitWords(line, words);
        if (words[0].compare(0, 7, "#define") != 0 || (!words[1].empty() && words[1][0] == '_')) continue;
        m_idMap.SetAt(CString(words[2].c_str()), CString(words[1].c_str()));
    }
}

const wchar_t* CLangTextTable::GetLangText(const wchar_t* key)
{
    CString k = key;
    auto it = m_textCache.find(k);
    if (it != m_textCache.end()) return it->second->GetString();
    CString text;
    if (!m_primary.Lookup(L"TEXT", k, text)) text = m_fallback.GetString(L"TEXT", k, CString());
    auto stored = std::make_unique<CString>(Unescape(text));
    const wchar_t* result = stored->GetString();
    m_textCache.emplace(k, std::move(stored));
    return result;
}

CString CLangTextTable::DialogText(int controlId) const
{
    CString name;
    if (!m_idMap.Lookup(CString(FormatText(L"%d", controlId)), name)) return CString();
    return Unescape(m_primary.GetString(L"DLGTEXT", name, CString()));
}

void CLangTextTable::ApplyDialogTexts(HWND dialog, int dialogId)
{
    IDialogTextWindows* windows = g_dialogWindows;
    if (!windows) return;
    m_hCurrentDialog = dialog;
    for (HWND child : windows->EnumChildWindows(dialog)) {
        if (windows->GetParent(child) != m_hCurrentDialog) continue;  // only the dialog's own controls
        CString text = DialogText(windows->GetDlgCtrlID(child));
        if (!text.IsEmpty()) windows->SetWindowText(child, text);
    }
    CString caption = DialogText(dialogId);
    if (!caption.IsEmpty()) windows->SetWindowText(dialog, caption);
}

CLangTextTable& GetLangTextTable()
{
    static CLangTextTable table;
    return table;
}

const wchar_t* LookupText(const wchar_t* key) { return GetLangTextTable().GetLangText(key); }
