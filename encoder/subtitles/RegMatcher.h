// What the subtitle readers use of the regular-expression engine: compile a
// pattern once, match texts, read the sub-matches as new strings.
#pragma once

#include <memory>

#include "RegProgram.h"
#include "platform/win32/CString.h"

class CRegMatcher {
public:
    // flags non-zero: case-insensitive.
    CRegMatcher(const wchar_t* pattern, int flags);

    // True when the pattern matches somewhere in the text; keeps a copy of
    // the text for the sub-matches.
    bool Match(const wchar_t* text);
    // The sub-match count of the last match (-1 after a failed one); -1 with
    // error 24 when there is no program.
    int GetSubCount();
    // Sub-match i (0 the whole match, 1-9 the groups); empty when it was not
    // set, when i is outside 0..9 or when there is no program (error 24).
    CString GetSubMatch(int i);

    // The text of the last error; empty when the last operation succeeded.
    CString GetErrorText() const;
    const CRegProgram* Program() const { return m_program.get(); }

private:
    CString m_text;
    CRegErrorHandler m_error;
    std::unique_ptr<CRegProgram> m_program;
};
