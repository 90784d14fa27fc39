// Reading the index file of a picture-subtitle set: its settings, the
// language streams and the timed positions of their pictures.
#include <algorithm>

#include "SubtitleFileText.h"
#include "SubtitleLine.h"
#include "VobSubFile.h"
#include "VobSubLanguages.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/TextScan.h"

namespace {

int64_t ClampMs(int64_t ms) { return std::clamp(ms, -kVobSubTimeLimitMs, kVobSubTimeLimitMs); }

// An optional sign, then "h:m:s:ms" (any single character between the
// numbers) or, when allowed, one number of milliseconds.
bool ScanSignedTime(const wchar_t* text, bool allowMilliseconds, int64_t* ms)
{
    const wchar_t* p = text;
    while (IsSpaceChar(*p)) ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
    int h = 0, m = 0, s = 0, f = 0;
    wchar_t c1 = 0, c2 = 0, c3 = 0;
    int fields = ScanFormat(p, L"%d%c%d%c%d%c%d", &h, &c1, &m, &c2, &s, &c3, &f);
    int64_t value = 0;
    if (fields == 7)
        value = ((static_cast<int64_t>(h) * 60 + m) * 60 + s) * 1000 + f;
    else if (fields == 1 && allowMilliseconds)
        value = h;
    else
        return false;
    value = ClampMs(value);
    *ms = negative ? -value : value;
    return true;
}

// Hexadecimal digits after the blanks, as a 64-bit file position.
bool ScanFilePosition(const wchar_t* text, int64_t* pos)
{
    const wchar_t* p = text;
    while (IsSpaceChar(*p)) ++p;
    uint64_t value = 0;
    int digits = 0;
    for (;; ++p, ++digits) {
        int d;
        if (*p >= L'0' && *p <= L'9')
            d = *p - L'0';
        else if (*p >= L'a' && *p <= L'f')
            d = *p - L'a' + 10;
        else if (*p >= L'A' && *p <= L'F')
            d = *p - L'A' + 10;
        else
            break;
        if (value > (UINT64_MAX >> 4)) return false;
        value = (value << 4) | static_cast<uint64_t>(d);
    }
    if (digits == 0 || value > static_cast<uint64_t>(INT64_MAX)) return false;
    *pos = static_cast<int64_t>(value);
    return true;
}

bool Contains(const CString& text, const wchar_t* part) { return text.Find(part) >= 0; }
bool BeginsWith(const CString& text, const wchar_t* part) { return text.Find(part) == 0; }

// The number after a marker inside a value ("index:", "tridx:").
const wchar_t* After(const CString& text, const wchar_t* marker)
{
    int at = text.Find(marker);
    if (at < 0) return nullptr;
    return text.GetString() + at + std::char_traits<wchar_t>::length(marker);
}

bool ParseAlign(const CString& lower, bool* on, int* horizontal, int* vertical)
{
    int start = 0;
    CString word = lower.Tokenize(L" ", start);
    if (word == L"on" || word == L"1")
        *on = true;
    else if (word == L"off" || word == L"0")
        *on = false;
    else
        return false;
    word = lower.Tokenize(L" ", start);
    if (word == L"at") word = lower.Tokenize(L" ", start);
    if (start < 0 && word.IsEmpty()) return true;
    if (word == L"left")
        *horizontal = kVobSubAlignNear;
    else if (word == L"center")
        *horizontal = kVobSubAlignCenter;
    else if (word == L"right")
        *horizontal = kVobSubAlignFar;
    else
        return false;
    word = lower.Tokenize(L" ", start);
    if (start < 0 && word.IsEmpty()) return true;
    if (word == L"top")
        *vertical = kVobSubAlignNear;
    else if (word == L"center")
        *vertical = kVobSubAlignCenter;
    else if (word == L"bottom")
        *vertical = kVobSubAlignFar;
    else
        return false;
    word = lower.Tokenize(L" ", start);
    return start < 0 && word.IsEmpty();
}

}  // namespace

// One reading of an index: the set it fills, the state that the lines read
// so far hand on to later ones, and what each key's line does.
struct CVobSubFile::IndexReader {
    explicit IndexReader(CVobSubFile& set) : file(set) {}

    // A "# ... Vob/Cell ID:" comment gives the cell of the pictures after it.
    void ReadComment(const CString& line);
    // A "key: value" line (key in lower case, value trimmed and not empty,
    // also in lower case); false when the key or its value is not understood.
    bool ReadKey(const CString& key, const CString& value, const CString& lower);

    bool ReadSize(const CString& value, const CString& lower);
    bool ReadOrigin(const CString& value, const CString& lower);
    bool ReadScale(const CString& value, const CString& lower);
    bool ReadAlpha(const CString& value, const CString& lower);
    bool ReadSmooth(const CString& value, const CString& lower);
    bool ReadFade(const CString& value, const CString& lower);
    bool ReadAlign(const CString& value, const CString& lower);
    bool ReadTimeOffset(const CString& value, const CString& lower);
    bool ReadForcedSubs(const CString& value, const CString& lower);
    bool ReadLanguageIndex(const CString& value, const CString& lower);
    bool ReadPalette(const CString& value, const CString& lower);
    bool ReadCustomColors(const CString& value, const CString& lower);
    bool ReadId(const CString& value, const CString& lower);
    bool ReadAlt(const CString& value, const CString& lower);
    bool ReadDelay(const CString& value, const CString& lower);
    bool ReadTimestamp(const CString& value, const CString& lower);

    struct Key {
        const wchar_t* name;
        bool (IndexReader::*read)(const CString& value, const CString& lower);
    };
    static const Key kKeys[];

    CVobSubFile& file;
    int id = -1;        // the language of the last "id" line
    int64_t delay = 0;  // running delay of that language, ms
    int vobid = 0, cellid = 0, celltime = 0;
};

const CVobSubFile::IndexReader::Key CVobSubFile::IndexReader::kKeys[] = {
    {L"size", &IndexReader::ReadSize},
    {L"org", &IndexReader::ReadOrigin},
    {L"scale", &IndexReader::ReadScale},
    {L"alpha", &IndexReader::ReadAlpha},
    {L"smooth", &IndexReader::ReadSmooth},
    {L"fadein/out", &IndexReader::ReadFade},
    {L"align", &IndexReader::ReadAlign},
    {L"time offset", &IndexReader::ReadTimeOffset},
    {L"forced subs", &IndexReader::ReadForcedSubs},
    {L"langidx", &IndexReader::ReadLanguageIndex},
    {L"palette", &IndexReader::ReadPalette},
    {L"custom colors", &IndexReader::ReadCustomColors},
    {L"id", &IndexReader::ReadId},
    {L"alt", &IndexReader::ReadAlt},
    {L"delay", &IndexReader::ReadDelay},
    {L"timestamp", &IndexReader::ReadTimestamp},
};

void CVobSubFile::IndexReader::ReadComment(const CString& line)
{
    if (const wchar_t* cell = After(line, L"Vob/Cell ID:"))
        ScanFormat(cell, L"%d, %d (PTS: %d)", &vobid, &cellid, &celltime);
}

bool CVobSubFile::IndexReader::ReadKey(const CString& key, const CString& value, const CString& lower)
{
    for (const Key& known : kKeys)
        if (key == known.name) return (this->*known.read)(value, lower);
    return false;
}

bool CVobSubFile::IndexReader::ReadSize(const CString& value, const CString&)
{
    int w = 0, h = 0;
    if (ScanFormat(value, L"%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) return false;
    file.m_originalSize = SIZE{w, h};
    return true;
}

bool CVobSubFile::IndexReader::ReadOrigin(const CString& value, const CString&)
{
    int x = 0, y = 0;
    if (ScanFormat(value, L"%d,%d", &x, &y) != 2) return false;
    file.m_origin = file.m_offset = POINT{x, y};
    return true;
}

bool CVobSubFile::IndexReader::ReadScale(const CString& value, const CString&)
{
    int x = 0, y = 0;
    if (file.m_version > 4) {
        if (ScanFormat(value, L"%d%%,%d%%", &x, &y) != 2) return false;
    } else {
        if (ScanFormat(value, L"%d%%", &x) != 1) return false;
        y = x;
    }
    file.m_scaleX = x;
    file.m_scaleY = y;
    return true;
}

bool CVobSubFile::IndexReader::ReadAlpha(const CString& value, const CString&)
{
    return ScanFormat(value, L"%d", &file.m_alpha) == 1;
}

bool CVobSubFile::IndexReader::ReadSmooth(const CString&, const CString& lower)
{
    if (Contains(lower, L"old") || Contains(lower, L"2"))
        file.m_smooth = 2;
    else if (Contains(lower, L"on") || Contains(lower, L"1"))
        file.m_smooth = 1;
    else if (Contains(lower, L"off") || Contains(lower, L"0"))
        file.m_smooth = 0;
    else
        return false;
    return true;
}

bool CVobSubFile::IndexReader::ReadFade(const CString& value, const CString&)
{
    return ScanFormat(value, L"%d,%d", &file.m_fadeIn, &file.m_fadeOut) == 2;
}

bool CVobSubFile::IndexReader::ReadAlign(const CString&, const CString& lower)
{
    return ParseAlign(lower, &file.m_alignOn, &file.m_alignHorizontal, &file.m_alignVertical);
}

bool CVobSubFile::IndexReader::ReadTimeOffset(const CString& value, const CString&)
{
    return ScanSignedTime(value, true, &file.m_timeOffsetMs);
}

bool CVobSubFile::IndexReader::ReadForcedSubs(const CString&, const CString& lower)
{
    if (Contains(lower, L"on") || Contains(lower, L"1"))
        file.m_forcedOnly = true;
    else if (Contains(lower, L"off") || Contains(lower, L"0"))
        file.m_forcedOnly = false;
    else
        return false;
    return true;
}

bool CVobSubFile::IndexReader::ReadLanguageIndex(const CString& value, const CString&)
{
    int index = -1;
    if (ScanFormat(value, L"%d", &index) != 1 || index < 0 || index >= kVobSubLanguageCount) return false;
    file.m_currentLanguage = index;
    return true;
}

bool CVobSubFile::IndexReader::ReadPalette(const CString& value, const CString&)
{
    unsigned colours[16] = {};
    std::vector<ScanTarget> targets;
    CString format;
    for (int i = 0; i < 16; ++i) {
        targets.emplace_back(&colours[i]);
        format += i ? L",%x" : L"%x";
    }
    if (ScanFormatV(value, format, targets) != 16) return false;
    for (int i = 0; i < 16; ++i) file.m_palette[i] = colours[i] & 0x00FFFFFF;
    return true;
}

bool CVobSubFile::IndexReader::ReadCustomColors(const CString&, const CString& lower)
{
    bool on;
    if (BeginsWith(lower, L"on") || BeginsWith(lower, L"1"))
        on = true;
    else if (BeginsWith(lower, L"off") || BeginsWith(lower, L"0"))
        on = false;
    else
        return false;
    const wchar_t* tridxText = After(lower, L"tridx:");
    const wchar_t* coloursText = After(lower, L"colors:");
    unsigned tridx = 0;
    unsigned c[4] = {};
    if (!tridxText || !coloursText || ScanFormat(tridxText, L"%x", &tridx) != 1 ||
        ScanFormat(coloursText, L"%x,%x,%x,%x", &c[0], &c[1], &c[2], &c[3]) != 4)
        return false;
    file.m_customColorsOn = on;
    file.m_transparentFlags = 0;
    for (int i = 0; i < 4; ++i) {
        // Four hexadecimal digits, colour 0 first.
        bool transparent = ((tridx >> (4 * (3 - i))) & 0xF) != 0;
        if (transparent) file.m_transparentFlags |= 1 << i;
        file.m_customColors[i] = (c[i] & 0x00FFFFFF) | (transparent ? 0u : 0xFF000000u);
    }
    file.m_cachedLanguage = file.m_cachedIndex = -1;
    return true;
}

bool CVobSubFile::IndexReader::ReadId(const CString&, const CString& lower)
{
    const wchar_t* indexText = After(lower, L"index:");
    int index = -1;
    if (lower.GetLength() < 2 || !indexText || ScanFormat(indexText, L"%d", &index) != 1 || index < 0 ||
        index >= kVobSubLanguageCount)
        return false;
    Language& language = file.m_languages[index];
    language.id = MakeLanguageCode(lower[0], lower[1]);
    language.name = language.alt = FindLanguageName(language.id);
    id = index;
    delay = 0;
    return true;
}

bool CVobSubFile::IndexReader::ReadAlt(const CString& value, const CString&)
{
    if (id < 0) return false;
    file.m_languages[id].alt = value;
    return true;
}

bool CVobSubFile::IndexReader::ReadDelay(const CString& value, const CString&)
{
    int64_t ms = 0;
    if (id < 0 || !ScanSignedTime(value, false, &ms)) return false;
    delay = ClampMs(delay + ms);
    return true;
}

bool CVobSubFile::IndexReader::ReadTimestamp(const CString& value, const CString& lower)
{
    int64_t ms = 0, filepos = 0;
    const wchar_t* posText = After(lower, L"filepos:");
    if (id < 0 || !ScanSignedTime(value, false, &ms) || !posText || !ScanFilePosition(posText, &filepos)) return false;
    CArray<SubPos>& list = file.m_languages[id].subpos;
    int64_t start = ClampMs(delay + ms);
    // A negative delay must not make times run backwards.
    if (delay < 0 && !list.IsEmpty() && list[list.GetUpperBound()].start > start) {
        int64_t last = list[list.GetUpperBound()].start;
        delay = ClampMs(delay + (last - start));
        start = last;
    }
    SubPos sp;
    sp.filepos = filepos;
    sp.start = sp.stop = start;
    sp.vobid = static_cast<BYTE>(vobid);
    sp.cellid = static_cast<BYTE>(cellid);
    sp.celltimestamp = celltime;
    list.Add(sp);
    return true;
}

bool CVobSubFile::ParseVobSubIndexFile(const CString& path)
{
    std::string bytes;
    if (!ReadSubtitleBytes(path, -1, &bytes)) return false;
    return ParseVobSubIndex(CString(DecodeSubtitleBytes(bytes, CP_ACP, CP_ACP)));
}

bool CVobSubFile::ParseVobSubIndex(const CString& text)
{
    const wchar_t* cursor = text.GetString();
    CString line;
    if (!ReadSubtitleLine(cursor, line)) return false;
    line.Trim();
    const wchar_t* versionText = After(line, L"VobSub index file, v");
    int version = 0;
    if (!versionText || ScanFormat(versionText, L"%d", &version) != 1 || version > 7) return false;
    m_version = version;

    IndexReader reader(*this);
    while (ReadSubtitleLine(cursor, line)) {
        line.Trim();
        if (line.IsEmpty()) continue;
        if (line[0] == L'#') {
            reader.ReadComment(line);
            continue;
        }
        int colon = line.Find(L':');
        if (colon <= 0) continue;
        CString key = line.Left(colon);
        key.MakeLower();
        CString value = line.Mid(colon + 1);
        value.Trim();
        if (value.IsEmpty()) continue;
        CString lower = value;
        lower.MakeLower();
        if (!reader.ReadKey(key, value, lower)) return false;
    }
    return true;
}
