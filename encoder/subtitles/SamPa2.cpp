#include "SamPa2.h"

#include <algorithm>
#include <string>
#include <vector>

#include "HtmlColorMap.h"
#include "RegMatcher.h"
#include "SubPicProviderImpl.h"
#include "SubtitleFileText.h"
#include "modules/api/SubPicProvider.h"
#include "platform/win32/TextScan.h"

namespace {

bool IsTokenBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// Each run of blanks, tabs and line-end characters becomes its first
// character.
CString CollapseBlanks(const wchar_t* begin, const wchar_t* end)
{
    std::wstring out;
    out.reserve(static_cast<size_t>(end - begin));
    bool inRun = false;
    for (const wchar_t* p = begin; p < end; ++p) {
        if (IsTokenBlank(*p)) {
            if (!inRun) out += *p;
            inRun = true;
        } else {
            out += *p;
            inRun = false;
        }
    }
    return CString(std::move(out));
}

int TagKindOfName(const CString& name)
{
    static const struct {
        const wchar_t* name;
        int kind;
    } kNames[] = {
        {L"P", 2},      {L"BR", 3},      {L"FONT", 5},    {L"/FONT", 6},    {L"RUBY", 7},   {L"/RUBY", 8},
        {L"RT", 9},     {L"RP", 10},     {L"RB", 11},     {L"/RT", 12},     {L"/RP", 13},   {L"/RB", 14},
        {L"SAMI", 15},  {L"/SAMI", 16},  {L"HEAD", 17},   {L"/HEAD", 18},   {L"TITLE", 19}, {L"/TITLE", 20},
        {L"STYLE", 21}, {L"/STYLE", 22}, {L"BODY", 23},   {L"/BODY", 24},   {L"B", 25},     {L"/B", 26},
        {L"I", 27},     {L"/I", 28},     {L"CENTER", 29}, {L"/CENTER", 30}, {L"U", 31},     {L"/U", 32},
    };
    for (const auto& n : kNames)
        if (name == n.name) return n.kind;
    return 0;
}

// A pattern matched once against a text; true with the requested number of
// sub-matches.
bool MatchOnce(const wchar_t* pattern, const CString& text, int* subCount, CString* sub1 = nullptr,
               CString* sub2 = nullptr)
{
    CRegMatcher m(pattern, 1);
    if (!m.Match(text)) return false;
    *subCount = m.GetSubCount();
    if (sub1) *sub1 = m.GetSubMatch(1);
    if (sub2) *sub2 = m.GetSubMatch(2);
    return true;
}

const wchar_t* const kSyncPattern = L"< *SYNC *START *= *([0-9]*).*>";
const wchar_t* const kClassPattern = L"< *P *CLASS *= *([a-zA-Z_]*).*>";
const wchar_t* const kFontPattern = L"< *FONT *.*";
const wchar_t* const kFontColorPattern = L"< *FONT.*color *= *([^ ]*).*>";
const wchar_t* const kNamePattern = L"< *([^ ]*) *>";
const wchar_t* const kStylePattern = L"[^.]*\\.([.a-zA-Z_]*) *{ *Name *:[ ]*([^;]*);";

void AppendColor(CString& text, int color) { text += SubColourCodeFromColorRef(static_cast<DWORD>(color)); }

}  // namespace

CSamPa2::SSubtitle::~SSubtitle()
{
    while (!entries.IsEmpty()) delete entries.RemoveHead();
}

CSamPa2::CSamPa2() = default;

CSamPa2::~CSamPa2() { Clear(); }

void CSamPa2::Clear()
{
    m_text.Empty();
    m_tokens.RemoveAll();
    for (int i = 0; i < m_classes.GetSize(); ++i) delete m_classes[i];
    m_classes.RemoveAll();
    delete m_combined;
    m_combined = nullptr;
}

bool CSamPa2::Parse(const CString& path, int defaultColor)
{
    Clear();
    m_defaultColor = defaultColor;
    if (!ReadText(path)) return false;
    Tokenize();
    ReadStyleBlock();
    BuildEntries();
    for (int i = 0; i < m_classes.GetSize(); ++i) SortClass(m_classes[i]);
    DropEmptyClasses();
    BuildCombined();
    return true;
}

bool CSamPa2::ReadText(const CString& path)
{
    std::string bytes;
    if (!ReadSubtitleBytes(path, -1, &bytes)) return false;
    UINT used = 0;
    m_text = DecodeSubtitleBytes(bytes, m_codePageSetting, static_cast<UINT>(m_preferredCodePage), &used);
    m_codePageUsed = static_cast<int>(used);
    return true;
}

void CSamPa2::Tokenize()
{
    const wchar_t* p = m_text.GetString();
    while (*p) {
        while (*p == L'\r' || *p == L'\n') ++p;
        if (!*p) break;
        const wchar_t* end;
        if (p[0] == L'<' && p[1] == L'!' && p[2] == L'-' && p[3] == L'-') {
            end = p;
            while (*end && *end != L'>') ++end;
            if (*end) ++end;
        } else if (*p == L'<') {
            end = p + 1;
            while (*end && *end != L'>' && *end != L'\r' && *end != L'\n') ++end;
            if (*end == L'>') ++end;
        } else {
            end = p;
            while (*end && *end != L'<' && *end != L'\r' && *end != L'\n') ++end;
            if (*end == L'\r' || *end == L'\n') ++end;
        }
        if (*p == L'<')
            m_tokens.AddTail(CString(p, static_cast<int>(end - p)));
        else
            m_tokens.AddTail(CollapseBlanks(p, end));
        p = end;
    }
}

void CSamPa2::ReadStyleBlock()
{
    for (POSITION pos = m_tokens.GetHeadPosition(); pos;) {
        const CString& token = m_tokens.GetNext(pos);
        if (token.Left(4) != L"<!--") continue;
        int start = 0;
        while (start < token.GetLength()) {
            int end = token.Find(L'\n', start);
            if (end < 0) end = token.GetLength();
            CString line = token.Mid(start, end - start);
            start = end + 1;
            if (line.IsEmpty()) continue;
            int count = 0;
            CString name, language;
            if (MatchOnce(kStylePattern, line, &count, &name, &language) && count == 2) AddClass(name, language);
        }
    }
}

LCID CSamPa2::LcidFromClassName(const CString& name)
{
    CString head = name.Left(2);
    if (head.CompareNoCase(L"EN") == 0 || head.CompareNoCase(L"EG") == 0) return 1033;
    if (head.CompareNoCase(L"KO") == 0 || head.CompareNoCase(L"KR") == 0) return 1042;
    if (head.CompareNoCase(L"JP") == 0 || head.CompareNoCase(L"JA") == 0) return 1041;
    if (name.Find(L"KO") >= 0 || name.Find(L"KR") >= 0) return 1042;
    if (name.Find(L"EN") >= 0 || name.Find(L"EG") >= 0) return 1033;
    if (name.Find(L"JP") >= 0 || name.Find(L"JA") >= 0) return 1041;
    if (name.Find(L"SUBTTL") >= 0) return 1042;
    return 99999;
}

CSamPa2::SSubtitle* CSamPa2::FindClass(const CString& name) const
{
    for (int i = 0; i < m_classes.GetSize(); ++i)
        if (m_classes[i]->className.CompareNoCase(name) == 0) return m_classes[i];
    return nullptr;
}

CSamPa2::SSubtitle* CSamPa2::FindClassByLcid(LCID lcid) const
{
    for (int i = 0; i < m_classes.GetSize(); ++i)
        if (m_classes[i]->lcid == lcid) return m_classes[i];
    return nullptr;
}

bool CSamPa2::HasAnyEntry() const
{
    for (int i = 0; i < m_classes.GetSize(); ++i)
        if (!m_classes[i]->entries.IsEmpty()) return true;
    return false;
}

CSamPa2::SSubtitle* CSamPa2::AddClass(const wchar_t* name, const wchar_t* language)
{
    if (!name || !language) name = language = L"EGCC";
    if (SSubtitle* existing = FindClass(name)) return existing;
    if (!*name || !*language) return nullptr;
    auto* s = new SSubtitle;
    s->className = name;
    s->languageName = language;
    s->languageName.MakeUpper();
    s->lcid = LcidFromClassName(s->className);
    m_classes.Add(s);
    return s;
}

bool CSamPa2::ParseColor(CString text, COLORREF* color)
{
    text.Remove(L'"');
    text.MakeLower();
    if (HtmlColorMap().LookupColor(text, color)) return true;
    text.Remove(L'#');
    if (text.GetLength() != 6) return false;
    DWORD rgb = static_cast<DWORD>(ReadHexPrefix(text));
    *color = RGB(static_cast<BYTE>(rgb >> 16), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb));
    return true;
}

CSamPa2::STag CSamPa2::RecognizeTag(const CString& token)
{
    STag tag;
    CString upper = token;
    upper.MakeUpper();
    int count = 0;
    CString sub;
    if (upper.Find(L"SYNC") >= 0 && MatchOnce(kSyncPattern, upper, &count, &sub)) {
        if (count == 1) {
            tag.kind = kTagSync;
            tag.time = ReadDecimalPrefix(sub);
        }
        return tag;
    }
    if (upper.Find(L"CLASS") >= 0 && MatchOnce(kClassPattern, upper, &count, &sub)) {
        if (count == 1) {
            tag.kind = kTagParagraph;
            tag.hasClass = true;
            tag.className = sub;
        }
        return tag;
    }
    if (upper.Find(L"FONT") >= 0 && MatchOnce(kFontPattern, upper, &count)) {
        tag.kind = kTagFont;
        COLORREF color = 0;
        if (MatchOnce(kFontColorPattern, upper, &count, &sub) && ParseColor(sub, &color))
            tag.color = static_cast<int>(color);
        return tag;
    }
    if (MatchOnce(kNamePattern, upper, &count, &sub) && count == 1) tag.kind = TagKindOfName(sub);
    return tag;
}

void CSamPa2::BuildEntries()
{
    // Tokens in an array: the walk steps back to the token that closed an
    // entry.
    std::vector<const CString*> tokens;
    tokens.reserve(static_cast<size_t>(m_tokens.GetCount()));
    for (POSITION pos = m_tokens.GetHeadPosition(); pos;) tokens.push_back(&m_tokens.GetNext(pos));

    int start = 0;
    size_t i = 0;
    while (i < tokens.size()) {
        const CString& token = *tokens[i];
        if (token.GetAt(0) != L'<') {
            ++i;
            continue;
        }
        STag tag = RecognizeTag(token);
        if (tag.kind == kTagSync) start = tag.time;
        if (tag.kind != kTagParagraph) {
            ++i;
            continue;
        }

        // An open entry collects what follows its paragraph tag.
        CString text;
        int color = m_defaultColor;
        std::vector<int> saved;
        bool previousWasText = false;
        size_t j = i + 1;
        for (; j < tokens.size(); ++j) {
            const CString& t = *tokens[j];
            if (t.GetAt(0) != L'<') {
                if (previousWasText && !text.IsEmpty()) text += m_lineJoinMode ? L'\n' : L' ';
                text += t;
                previousWasText = true;
                continue;
            }
            previousWasText = false;
            STag inner = RecognizeTag(t);
            bool closes = false;
            switch (inner.kind) {
            case kTagSync:
            case kTagBodyEnd: closes = true; break;
            case kTagParagraph:
                if (tag.hasClass ? (inner.hasClass && inner.className.CompareNoCase(tag.className) == 0)
                                 : inner.hasClass)
                    text += L'\n';
                else
                    closes = true;
                break;
            case kTagBold: text += kSubBoldOn; break;
            case kTagBoldEnd: text += kSubBoldOff; break;
            case kTagItalic: text += kSubItalicOn; break;
            case kTagItalicEnd: text += kSubItalicOff; break;
            case kTagUnderline: text += kSubUnderlineOn; break;
            case kTagUnderlineEnd: text += kSubUnderlineOff; break;
            case kTagBreak: text += L'\n'; break;
            case kTagFont:
                saved.push_back(color);
                if (inner.color != -1) {
                    AppendColor(text, inner.color);
                    color = inner.color;
                }
                break;
            case kTagFontEnd:
                if (!saved.empty()) {
                    color = saved.back();
                    saved.pop_back();
                    AppendColor(text, color);
                }
                break;
            default: break;
            }
            if (closes) break;
        }
        AddEntry(tag.hasClass, tag.className, start, DecodeEntities(text));
        i = j;  // the closing token (or the end) is handled next
    }
}

CString CSamPa2::DecodeEntities(const CString& in)
{
    CString text = in;
    text.Remove(L'\r');
    text.Replace(L'\t', L' ');
    // Named references, replaced one name after the other in this order
    // (most also without their semicolon).
    static const struct {
        const wchar_t* name;
        const wchar_t* text;
    } kNamed[] = {
        {L"&nbsp;", L" "}, {L"&nbsp", L" "}, {L"&lt;", L"<"}, {L"&gt;", L">"},   {L"&gt", L">"},   {L"&amp;", L"&"},
        {L"&amp", L"&"},   {L"&shy;", L"-"}, {L"&shy", L"-"}, {L"&apos;", L"'"}, {L"&apos", L"'"}, {L"&quot;", L"\""},
    };
    for (const auto& named : kNamed) text.Replace(named.name, named.text);

    // Numeric references; a character that cannot stand in text is dropped.
    const std::wstring& s = text.str();
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (s[i] != L'&' || i + 1 >= s.size() || s[i + 1] != L'#') {
            out += s[i++];
            continue;
        }
        size_t k = i + 2;
        uint64_t value = 0;
        while (k < s.size() && s[k] >= L'0' && s[k] <= L'9') {
            if (value <= 0x10FFFF) value = value * 10 + static_cast<uint64_t>(s[k] - L'0');
            ++k;
        }
        bool hadDigits = k > i + 2;
        if (hadDigits && k < s.size() && s[k] == L';') ++k;
        if (hadDigits && value != 0 && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF))
            out += static_cast<wchar_t>(value);
        i = k;
    }
    return CString(std::move(out));
}

void CSamPa2::AddEntry(bool hasClass, const CString& className, int start, const CString& text)
{
    SSubtitle* target = nullptr;
    if (hasClass) {
        target = FindClass(className);
        if (!target) target = AddClass(className, className);
    } else if (m_classes.GetSize() == 1) {
        target = m_classes[0];
    } else {
        target = AddClass(L"EGCC", L"EGCC");
    }
    if (!target) return;  // an empty class name: the entry is dropped
    auto* entry = new SSubText;
    entry->nStart = start;
    entry->text = text;
    target->entries.AddTail(entry);
}

void CSamPa2::SortClass(SSubtitle* s)
{
    auto mergeEqual = [&] {
        POSITION pos = s->entries.GetHeadPosition();
        while (pos) {
            POSITION next = pos;
            s->entries.GetNext(next);
            if (!next) break;
            SSubText* a = s->entries.GetAt(pos);
            SSubText* b = s->entries.GetAt(next);
            if (a->nStart == b->nStart) {
                a->text += L'\n';
                a->text += b->text;
                delete b;
                s->entries.RemoveAt(next);
            } else {
                pos = next;
            }
        }
    };
    mergeEqual();
    std::vector<SSubText*> records;
    for (POSITION pos = s->entries.GetHeadPosition(); pos;) records.push_back(s->entries.GetNext(pos));
    std::stable_sort(records.begin(), records.end(),
                     [](const SSubText* a, const SSubText* b) { return a->nStart < b->nStart; });
    size_t k = 0;
    for (POSITION pos = s->entries.GetHeadPosition(); pos;) s->entries.GetNext(pos) = records[k++];
    mergeEqual();
}

void CSamPa2::DropEmptyClasses()
{
    for (int i = m_classes.GetSize() - 1; i >= 0; --i) {
        if (m_classes[i]->entries.IsEmpty()) {
            delete m_classes[i];
            m_classes.RemoveAt(i);
        }
    }
}

void CSamPa2::BuildCombined()
{
    if (m_classes.GetSize() < 2) return;
    auto merge = [](const CList<SSubText*>& a, const CList<SSubText*>& b, CList<SSubText*>& out) {
        POSITION pa = a.GetHeadPosition();
        POSITION pb = b.GetHeadPosition();
        const CString* lastA = nullptr;
        const CString* lastB = nullptr;
        while (pa || pb) {
            auto* entry = new SSubText;
            if (pa && pb) {
                const SSubText* ea = a.GetAt(pa);
                const SSubText* eb = b.GetAt(pb);
                if (ea->nStart == eb->nStart) {
                    entry->nStart = ea->nStart;
                    entry->text = eb->text + L'\n' + ea->text;
                    lastA = &ea->text;
                    lastB = &eb->text;
                    a.GetNext(pa);
                    b.GetNext(pb);
                } else if (ea->nStart < eb->nStart) {
                    entry->nStart = ea->nStart;
                    if (lastB && !lastB->IsEmpty()) entry->text = *lastB + L'\n';
                    entry->text += ea->text;
                    lastA = &ea->text;
                    a.GetNext(pa);
                } else {
                    entry->nStart = eb->nStart;
                    entry->text = eb->text;
                    if (lastA && !lastA->IsEmpty()) entry->text += L'\n' + *lastA;
                    lastB = &eb->text;
                    b.GetNext(pb);
                }
            } else if (pa) {
                const SSubText* ea = a.GetNext(pa);
                entry->nStart = ea->nStart;
                entry->text = ea->text;
            } else {
                const SSubText* eb = b.GetNext(pb);
                entry->nStart = eb->nStart;
                entry->text = eb->text;
            }
            out.AddTail(entry);
        }
    };

    SSubtitle* result = nullptr;
    const CList<SSubText*>* sofar = &m_classes[0]->entries;
    for (int i = 1; i < m_classes.GetSize(); ++i) {
        auto* next = new SSubtitle;
        merge(*sofar, m_classes[i]->entries, next->entries);
        delete result;
        result = next;
        sofar = &result->entries;
    }
    result->lcid = 0;
    m_combined = result;
}
