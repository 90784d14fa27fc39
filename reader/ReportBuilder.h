// Turns one analysed file into the fixed-layout plain-text report of
// RivoReader: basic information with tags, the video stream, the audio
// streams, key-frame statistics and a closing banner; or, for a file no
// analyser accepts, a hex dump of its first bytes. Every line ends with
// "\r\n". Labels and sentences come from the string table.
#pragma once

#include <cstdint>

#include "MediaFileInfo.h"
#include "platform/win32/CString.h"

// Where the report goes: the report box of the window, or any other text
// target. Message boxes are the window's; other targets show them as they
// can.
class CReportSink {
public:
    virtual ~CReportSink() = default;
    // Appends text to the end of the report.
    virtual void AppendReportText(const CString& text) = 0;
    // Empties the report.
    virtual void ClearReport() = 0;
    // A message for the user, shown with the error icon.
    virtual void ShowErrorMessage(const CString& text) = 0;
};

class CReportBuilder {
public:
    explicit CReportBuilder(CReportSink& sink) : m_sink(sink) {}

    // Analyses the file at path and appends its report. An empty path does
    // nothing; a path that names no regular file shows the missing-file
    // message and appends nothing. The report is not cleared first.
    void BuildReport(const CString& path);
    // Appends the report of a record that has been analysed (its type code
    // says which sections and tags it has).
    void WriteReport(const CString& path, MediaFileInfo& info);
    // The report of a file that no analyser accepts: size and a hex dump.
    void WriteBinaryDump(const CString& path);
    // Appends text and "\r\n".
    void AppendReportLine(const CString& text);

    // "%I64d" with "," between groups of three digits: 1200000 -> 1,200,000.
    static CString FormatGroupedInt64(int64_t value);
    // The dump's size text in GBytes, MBytes, KBytes (one decimal, cut) or
    // "n Byte " (with its trailing blank).
    static CString FormatFileSize(int64_t bytes);
    // A bit rate as "1.23 MBits/Sec", "1.23 KBits/Sec" or "123.00 Bits/Sec".
    static CString FormatBitRate(int64_t bitsPerSecond);
    // The text after the last '/', '\' or '|' of a path.
    static CString FileNamePart(const CString& path);

private:
    void WriteBasicInfo();
    void WriteTagLines();
    void WriteVideoInfo();
    void WriteAudioInfo();
    void WriteKeyFrameInfo();
    void AppendLabelled(UINT labelId, const CString& text);

    CReportSink& m_sink;
    MediaFileInfo* m_pInfo = nullptr;  // the record of the report being written
    CString m_path;
};
