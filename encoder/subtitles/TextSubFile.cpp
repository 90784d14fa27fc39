#include "TextSubFile.h"

#include <cmath>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "SubtitleFileText.h"
#include "SubtitleLine.h"
#include "SubtitleTimeline.h"
#include "platform/win32/TextScan.h"

namespace {

constexpr int64_t kSniffBytes = 20480;
constexpr int kSniffLines = 100;

int SaturateMs(double ms)
{
    if (!(ms < static_cast<double>(std::numeric_limits<int>::max()))) return std::numeric_limits<int>::max();
    if (!(ms > static_cast<double>(std::numeric_limits<int>::min()))) return std::numeric_limits<int>::min();
    return static_cast<int>(ms);  // truncates toward zero
}

int SaturateMs(int64_t ms)
{
    if (ms > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (ms < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(ms);
}

// The frame's time at a rate, truncated to whole milliseconds.
int FrameToMs(int frame, double rate) { return SaturateMs(static_cast<double>(frame) * 1000.0 * (1.0 / rate)); }

// 0xBBGGRR as written in subtitle scripts, turned into 0xRRGGBB.
DWORD SwapRedBlue(DWORD bgr) { return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF); }

// One MicroDVD line of an entry (the text between two "|") with its tags
// turned into codes.
struct MicroDvdStyle {
    bool colourReset = false;
    bool boldLineEnd = false, italicLineEnd = false, underlineLineEnd = false;
};

CString ConvertMicroDvdLine(const CString& line, MicroDvdStyle& style)
{
    CString out;
    const std::wstring& s = line.str();
    size_t i = 0;
    while (i < s.size()) {
        size_t brace = s.find(L'{', i);
        if (brace == std::wstring::npos) {
            out += CString(std::wstring_view(s).substr(i));
            break;
        }
        out += CString(std::wstring_view(s).substr(i, brace - i));
        size_t close = s.find(L'}', brace);
        size_t tagEnd = close == std::wstring::npos ? s.size() : close;
        CString tag(std::wstring_view(s).substr(brace, tagEnd - brace));  // from "{", without "}"
        i = close == std::wstring::npos ? s.size() : close + 1;

        CString lower = tag;
        lower.MakeLower();
        wchar_t letter = tag.GetLength() > 1 ? tag.GetAt(1) : 0;
        bool lineScope = letter >= L'a' && letter <= L'z';
        if (lower.Left(4) == L"{c:$") {
            unsigned value = 0;
            if (ScanFormat(lower, L"{c:$%x", &value) == 1) {
                out += SubColourCode(SwapRedBlue(value));
                if (lineScope) style.colourReset = true;
            }
        } else if (lower.Left(3) == L"{f:" || lower.Left(3) == L"{s:" || lower.Left(3) == L"{h:" ||
                   lower.Left(3) == L"{o:") {
            // Font, size, character set and position have no code.
        } else if (lower.Left(3) == L"{y:") {
            CString letters = lower.Mid(3);
            if (letters.Find(L'b') >= 0) {
                out += kSubBoldOn;
                style.boldLineEnd = lineScope;
            }
            if (letters.Find(L'i') >= 0) {
                out += kSubItalicOn;
                style.italicLineEnd = lineScope;
            }
            if (letters.Find(L'u') >= 0) {
                out += kSubUnderlineOn;
                style.underlineLineEnd = lineScope;
            }
        } else {
            out += tag;  // not a tag: its text stays
        }
    }
    return out;
}

}  // namespace

// ---- Sniffing ------------------------------------------------------------------

int DetectTextSubtitleType(const CString& path)
{
    std::string bytes;
    bool complete = false;
    SubtitleReadFailure failure = kSubtitleReadOk;
    if (!ReadSubtitleBytes(path, kSniffBytes, &bytes, &complete, &failure))
        return failure == kSubtitleReadFailed ? kSubtitleUnknown : kSubtitleSami;
    const bool utf16 = bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0;
    if (!complete && !utf16) {
        // The cut may have split the last line (or a character): leave it
        // out before the code page is chosen by the bytes.
        size_t end = bytes.find_last_of('\n');
        if (end == std::string::npos) end = bytes.find_last_of('\r');
        bytes.resize(end == std::string::npos ? 0 : end + 1);
    }
    std::wstring text = DecodeSubtitleBytes(bytes, 0 /* the ANSI code page */, 0);
    if (!complete) {
        size_t end = text.find_last_of(L'\n');
        text.resize(end == std::wstring::npos ? 0 : end + 1);
    }

    const wchar_t* cursor = text.c_str();
    CString line;
    bool first = true;
    for (int n = 0; n < kSniffLines && ReadSubtitleLine(cursor, line); ++n) {
        // A script's first section: its events may come after embedded
        // fonts and pictures far more than a hundred lines long.
        CString trimmed = line;
        if (first && !trimmed.Trim().IsEmpty()) {
            first = false;
            if (trimmed.CompareNoCase(L"[Script Info]") == 0) return kSubtitleSsa;
        }
        if (line.Find(L"<SAMI>") >= 0) return kSubtitleSami;
        int a = 0, b = 0;
        if (ScanFormat(line, L"{%d}{%d}", &a, &b) == 2 || ScanFormat(line, L"{%d}{}", &a) == 1)
            return kSubtitleMicroDvd;
        int t[8] = {};
        CString sep1, sep2;
        if (ScanFormat(line, L"%d:%d:%d%[,.:]%d --> %d:%d:%d%[,.:]%d", &t[0], &t[1], &t[2], &sep1, &t[3], &t[4], &t[5],
                       &t[6], &sep2, &t[7]) == 10)
            return kSubtitleSubRip;
        if (line.Left(10) == L"Dialogue: ") return kSubtitleSsa;
    }
    return kSubtitleUnknown;
}

// ---- Loading -------------------------------------------------------------------

ISubPicProvider* CreateTextSubProvider(const CString& path, const SubtitleOpenParams* params, int type)
{
    if (!params) return nullptr;
    auto* file = new (std::nothrow) CTextSubFile;
    if (!file) return nullptr;
    file->SetPreferredCodePage(0);
    file->SetCodePageSetting(params->nCodePage);
    if (params->nFrameRateNum > 0 && params->nFrameRateDen > 0)
        file->SetFrameRate(params->nFrameRateNum, params->nFrameRateDen);
    if (!file->Load(path, params->nDefaultColor, type)) {
        delete file;
        return nullptr;
    }
    return static_cast<ISubPicProvider*>(file);
}

CTextSubFile::~CTextSubFile() { ClearEntries(); }

void CTextSubFile::ClearEntries()
{
    while (!m_entries.IsEmpty()) delete m_entries.RemoveHead();
}

bool CTextSubFile::Load(const CString& path, int defaultColor, int type)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    ClearEntries();
    m_text.Empty();
    std::string bytes;
    if (!ReadSubtitleBytes(path, -1, &bytes)) return false;
    UINT used = 0;
    m_text = DecodeSubtitleBytes(bytes, m_codePageSetting, static_cast<UINT>(m_preferredCodePage), &used);
    m_codePageUsed = static_cast<int>(used);
    if (type == kSubtitleUnknown) type = DetectTextSubtitleType(path);
    switch (type) {
    case kSubtitleMicroDvd: return ParseMicroDvd(defaultColor);
    case kSubtitleSubRip: return ParseSubRip();
    case kSubtitleSsa: return ParseSsaScript(defaultColor);
    default: return false;
    }
}

void CTextSubFile::Append(int start, const CString& text, bool isNull)
{
    auto* entry = new SSubText;
    entry->nStart = start;
    entry->text = text;
    entry->isNull = isNull;
    m_entries.AddTail(entry);
}

void CTextSubFile::AppendPoints(const SubtitleTimeline& timeline)
{
    for (const SubtitleTimeline::Point& point : timeline.Points()) Append(point.nStart, point.text, point.isNull);
}

// ---- MicroDVD -------------------------------------------------------------------

bool CTextSubFile::ParseMicroDvd(int defaultColor)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    double rate = m_rateNumerator < 1 || m_rateDenominator < 1
                      ? 23.976
                      : static_cast<double>(m_rateNumerator) / static_cast<double>(m_rateDenominator);
    SubtitleTimeline timeline(true /* null stop points */);
    const wchar_t* cursor = m_text.GetString();
    CString line;
    while (ReadSubtitleLine(cursor, line)) {
        line.Trim();
        if (line.IsEmpty()) continue;
        int startFrame = 0, endFrame = -1;
        if (ScanFormat(line, L"{%d}{%d}", &startFrame, &endFrame) != 2) {
            if (ScanFormat(line, L"{%d}{}", &startFrame) != 1) return false;
            endFrame = -1;
        }
        int first = line.Find(L'}');
        int second = first >= 0 ? line.Find(L'}', first + 1) : -1;
        CString body = second >= 0 ? line.Mid(second + 1) : CString();

        CString text;
        MicroDvdStyle style;
        int start = 0;
        while (true) {
            int bar = body.Find(L'|', start);
            CString piece = bar >= 0 ? body.Mid(start, bar - start) : body.Mid(start);
            text += ConvertMicroDvdLine(piece, style);
            if (bar < 0) break;
            if (style.colourReset) text += SubColourCodeFromColorRef(static_cast<DWORD>(defaultColor));
            if (style.boldLineEnd) text += kSubBoldOff;
            if (style.italicLineEnd) text += kSubItalicOff;
            if (style.underlineLineEnd) text += kSubUnderlineOff;
            text += kSubLineBreak;
            style.colourReset = false;
            start = bar + 1;
        }

        if (startFrame == 1 && endFrame == 1) {
            double fps = 0;
            // A rate that is zero, negative or not finite is no rate.
            if (ScanFormat(text, L"%f", &fps) == 1 && std::isfinite(fps) && fps > 0) rate = fps;
        }
        timeline.Add(FrameToMs(startFrame, rate), endFrame >= 0 ? FrameToMs(endFrame, rate) : -1, text);
    }
    AppendPoints(timeline);
    return !m_entries.IsEmpty();
}

// ---- SubRip ---------------------------------------------------------------------

bool CTextSubFile::ParseSubRip()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    SubtitleTimeline timeline(false /* empty stop points */);
    const wchar_t* cursor = m_text.GetString();
    CString line;
    while (ReadSubtitleLine(cursor, line)) {
        line.Trim();
        if (line.IsEmpty()) continue;
        int n[8] = {};
        wchar_t c[6] = {};
        int fields = ScanFormat(line, L"%d%c%d%c%d%c%d --> %d%c%d%c%d%c%d\n", &n[0], &c[0], &n[1], &c[1], &n[2], &c[2],
                                &n[3], &n[4], &c[3], &n[5], &c[4], &n[6], &c[5], &n[7]);
        if (fields == 1 || fields == -1) continue;
        if (fields != 14) return false;
        int start = SaturateMs(int64_t(n[0]) * 3600000 + int64_t(n[1]) * 60000 + int64_t(n[2]) * 1000 + n[3]);
        int end = SaturateMs(int64_t(n[4]) * 3600000 + int64_t(n[5]) * 60000 + int64_t(n[6]) * 1000 + n[7]);

        CString joined;
        bool sawEmpty = false;
        CString textLine;
        while (ReadSubtitleLine(cursor, textLine)) {
            textLine.Trim();
            if (sawEmpty) {
                int counter = 0;
                wchar_t after = 0;
                if (ScanFormat(textLine, L"%d%c", &counter, &after) == 1) break;  // the next counter
            }
            if (textLine.IsEmpty()) {
                sawEmpty = true;
                continue;
            }
            if (!joined.IsEmpty()) joined += kSubLineBreak;
            joined += textLine;
        }

        timeline.CloseGap(start);
        timeline.Add(start, end, joined);
    }
    AppendPoints(timeline);
    return !m_entries.IsEmpty();
}

// ---- Provider operations ----------------------------------------------------------

POSITION CTextSubFile::GetFirstPosition()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_entries.GetHeadPosition();
}

POSITION CTextSubFile::GetLastPosition()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_entries.GetTailPosition();
}

POSITION CTextSubFile::GetNextPosition(POSITION pos)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!pos) return nullptr;
    m_entries.GetNext(pos);
    return pos;
}

POSITION CTextSubFile::GetPrevPosition(POSITION pos)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!pos) return nullptr;
    m_entries.GetPrev(pos);
    return pos;
}

POSITION CTextSubFile::FindPosition(POSITION hint, REFERENCE_TIME t)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return FindTimedPosition(m_entries, hint, ToMilliseconds(t, m_offset));
}

HRESULT CTextSubFile::GetText(POSITION pos, const wchar_t** text)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!text) return E_INVALIDARG;
    *text = nullptr;
    if (!pos) return E_INVALIDARG;
    const SSubText* entry = m_entries.GetAt(pos);
    if (!entry) return S_FALSE;
    *text = entry->Text();
    return S_OK;
}

HRESULT CTextSubFile::GetStartTime(POSITION pos, REFERENCE_TIME* start)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!start) return E_INVALIDARG;
    *start = -1;
    if (!pos) return E_INVALIDARG;
    const SSubText* entry = m_entries.GetAt(pos);
    if (!entry) return S_FALSE;
    *start = FromMilliseconds(entry->nStart);
    return S_OK;
}

HRESULT CTextSubFile::SetTimeOffset(REFERENCE_TIME offset)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_offset = offset;
    return S_OK;
}

REFERENCE_TIME CTextSubFile::GetTimeOffset()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_offset;
}
