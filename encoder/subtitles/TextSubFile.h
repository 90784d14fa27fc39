// The provider of the three line-based text formats (MicroDVD, SubRip,
// SSA/ASS): one list of timed points made from the file's lines (see
// SubtitleTimeline: in file order, or in time order with the lines that
// overlap joined). A point with text starts showing it; a point whose text
// is null or empty (a stop point) shows nothing until the next point.
#pragma once

#include "SubPicProviderImpl.h"

class SubtitleTimeline;

// Kinds that the sniffer tells.
enum TextSubtitleType {
    kSubtitleUnknown = -1,
    kSubtitleSami = 0,
    kSubtitleMicroDvd = 1,
    kSubtitleSubRip = 2,
    kSubtitleSsa = 3,
};

// Looks at the first lines of a file: 0 SAMI (also for a file that cannot
// be opened or is too large, so the SAMI reader gets to refuse it),
// 1 MicroDVD, 2 SubRip, 3 SSA/ASS (also any file whose first line that is
// not blank is "[Script Info]"), -1 unknown.
int DetectTextSubtitleType(const CString& path);

class CTextSubFile : public ISubPicProviderImpl {
public:
    struct SSubText {
        int nStart = 0;  // ms
        CString text;
        bool isNull = false;  // a stop point without any text
        const wchar_t* Text() const { return isNull ? nullptr : text.GetString(); }
    };

    CTextSubFile() = default;
    ~CTextSubFile() override;

    void SetPreferredCodePage(int cp) { m_preferredCodePage = cp; }
    void SetCodePageSetting(int cp) { m_codePageSetting = cp; }
    void SetFrameRate(int numerator, int denominator)
    {
        m_rateNumerator = numerator;
        m_rateDenominator = denominator;
    }
    int CodePageUsed() const { return m_codePageUsed; }

    // Reads and parses the file as the given type (-1: sniff it again).
    bool Load(const CString& path, int defaultColor, int type);
    // The readers; they work on the loaded text.
    bool ParseMicroDvd(int defaultColor);
    bool ParseSubRip();
    bool ParseSsaScript(int defaultColor);

    POSITION GetFirstPosition() override;
    POSITION GetLastPosition() override;
    POSITION GetNextPosition(POSITION pos) override;
    POSITION GetPrevPosition(POSITION pos) override;
    POSITION FindPosition(POSITION hint, REFERENCE_TIME t) override;
    HRESULT GetText(POSITION pos, const wchar_t** text) override;
    HRESULT GetStartTime(POSITION pos, REFERENCE_TIME* start) override;
    HRESULT SetTimeOffset(REFERENCE_TIME offset) override;
    REFERENCE_TIME GetTimeOffset() override;

    // Only for readers that fill the text directly (tests, fuzzing).
    void SetText(const CString& text) { m_text = text; }

private:
    void Append(int start, const CString& text, bool isNull = false);
    // Appends the points of the lines a reader read.
    void AppendPoints(const SubtitleTimeline& timeline);
    void ClearEntries();

    CList<SSubText*> m_entries{10};
    CString m_text;
    int m_preferredCodePage = 949;
    int m_codePageSetting = -1;
    int m_codePageUsed = 0;
    int m_rateNumerator = 23976;
    int m_rateDenominator = 1000;
    REFERENCE_TIME m_offset = 0;
};

// A new provider for a MicroDVD, SubRip or SSA/ASS file, handed out without
// a reference for the caller; null when params is null or the file does not
// load.
ISubPicProvider* CreateTextSubProvider(const CString& path, const SubtitleOpenParams* params, int type);
