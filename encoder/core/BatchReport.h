// What a batch tells the script that started it. In automatic mode nobody
// reads the windows: each source named ends as one line on the standard
// error stream (converted, with its output; failed or not listed, with why),
// so do the switches that could not be used and a batch that could not
// start, and the program's exit status sums it up:
//   0  every listed job converted;
//   1  a job failed, or a source could not be listed (the others converted);
//   2  the batch did not run: nothing could be listed, a start check failed,
//      or a /preset= or /destpath= switch could not be used.
// Lines recorded before the report starts speaking (sources listed before
// the "/automode" switch was read) come out when it starts.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/CString.h"

class BatchReport {
public:
    enum : int { kAllConverted = 0, kSomeNotConverted = 1, kNotRun = 2 };

    // From now on every line goes to the standard error stream at once;
    // those recorded so far go first.
    void Speak();
    bool Speaking() const { return m_bSpeaking; }

    void SourceNotListed(const CString& source, const CString& why);
    // A switch that could not be used; with stopsBatch the batch must not
    // run (a preset or a destination the caller asked for is missing).
    void SwitchNotUsed(const CString& argument, const CString& why, bool stopsBatch);
    void JobConverted(const CString& source, const CString& output);
    void JobFailed(const CString& source, const CString& why);
    void BatchNotRun(const CString& why);

    // Whether a switch that stops the batch was reported.
    bool BatchStopped() const { return m_bStopped; }
    int ExitStatus() const;
    const std::vector<std::string>& Lines() const { return m_lines; }
    // Forgets everything (a new batch in the same process, in tests).
    void Reset();

private:
    void Add(const std::wstring& line);

    std::vector<std::string> m_lines;  // UTF-8, without the line break
    bool m_bSpeaking = false;
    bool m_bStopped = false;
    bool m_bNotRun = false;
    int m_nConverted = 0;
    int m_nFailed = 0;
    int m_nNotListed = 0;
};

// The process's one report.
BatchReport& GetBatchReport();
