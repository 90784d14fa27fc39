#include "encoder/core/BatchReport.h"

#include <cstdio>

#include "platform/win32/CodePage.h"

namespace {
constexpr const wchar_t* kProgram = L"RivoEnc: ";
}

void BatchReport::Add(const std::wstring& line)
{
    // A line break inside a path or a text would split the line a script
    // reads: it is written as a blank.
    std::wstring one = kProgram + line;
    for (wchar_t& c : one)
        if (c == L'\n' || c == L'\r') c = L' ';
    m_lines.push_back(WideToUtf8(one));
    if (m_bSpeaking) {
        std::fprintf(stderr, "%s\n", m_lines.back().c_str());
        std::fflush(stderr);
    }
}

void BatchReport::Speak()
{
    if (m_bSpeaking) return;
    m_bSpeaking = true;
    for (const std::string& line : m_lines) std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void BatchReport::SourceNotListed(const CString& source, const CString& why)
{
    ++m_nNotListed;
    Add(L"not listed: " + source.str() + L": " + why.str());
}

void BatchReport::SwitchNotUsed(const CString& argument, const CString& why, bool stopsBatch)
{
    if (stopsBatch) m_bStopped = true;
    Add(L"switch not used: " + argument.str() + L": " + why.str());
}

void BatchReport::JobConverted(const CString& source, const CString& output)
{
    ++m_nConverted;
    Add(L"converted: " + source.str() + L" -> " + output.str());
}

void BatchReport::JobFailed(const CString& source, const CString& why)
{
    ++m_nFailed;
    Add(L"failed: " + source.str() + L": " + why.str());
}

void BatchReport::BatchNotRun(const CString& why)
{
    m_bNotRun = true;
    Add(L"not started: " + why.str());
}

int BatchReport::ExitStatus() const
{
    // No job that ran: nothing could be listed, or the batch never started.
    if (m_bNotRun || m_bStopped || m_nConverted + m_nFailed == 0) return kNotRun;
    return m_nFailed + m_nNotListed > 0 ? kSomeNotConverted : kAllConverted;
}

void BatchReport::Reset() { *this = BatchReport(); }

BatchReport& GetBatchReport()
{
    static BatchReport report;
    return report;
}
