#include "RegMatcher.h"

#include <new>

CRegMatcher::CRegMatcher(const wchar_t* pattern, int flags)
{
    program_.reset(new (std::nothrow) CRegProgram(pattern, flags));
}

bool CRegMatcher::Match(const wchar_t* text)
{
    error_.ClearError();
    if (!program_) {
        error_.SetError(kRegErrNoProgram);
        return false;
    }
    if (!program_->IsCompiled()) return false;  // the compile error stays readable
    if (!text) return program_->Execute(nullptr);
    text_ = text;
    return program_->Execute(text_.GetString());
}

int CRegMatcher::GetSubCount()
{
    error_.ClearError();
    if (!program_) {
        error_.SetError(kRegErrNoProgram);
        return -1;
    }
    return program_->GetSubCount();
}

CString CRegMatcher::GetSubMatch(int i)
{
    error_.ClearError();
    if (!program_) {
        error_.SetError(kRegErrNoProgram);
        return CString();
    }
    const wchar_t* start = program_->SubStart(i);
    const wchar_t* end = program_->SubEnd(i);
    if (!start || !end || end < start) return CString();
    return CString(start, static_cast<int>(end - start));
}

CString CRegMatcher::GetErrorText() const
{
    if (error_.HasError()) return error_.GetErrorText();
    if (program_) return program_->GetErrorText();
    return CString();
}
