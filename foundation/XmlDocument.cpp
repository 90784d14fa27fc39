#include "XmlDocument.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "TextHelpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/TextScan.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// "%u" as the scanf family reads it: false when no digits follow the white
// space and sign; a minus sign negates modulo 2^32; too large saturates.
bool WideToUInt(const wchar_t* s, UINT& out)
{
    while (*s == L' ' || (*s >= L'\t' && *s <= L'\r')) ++s;
    bool negative = false;
    if (*s == L'+' || *s == L'-') negative = *s++ == L'-';
    if (*s < L'0' || *s > L'9') return false;
    uint64_t v = 0;
    for (; *s >= L'0' && *s <= L'9'; ++s) {
        v = v * 10 + static_cast<uint64_t>(*s - L'0');
        if (v > 0xFFFFFFFFull) v = 0x100000000ull;
    }
    if (v > 0xFFFFFFFFull) {
        out = 0xFFFFFFFFu;
        return true;
    }
    out = negative ? static_cast<UINT>(0u - static_cast<UINT>(v)) : static_cast<UINT>(v);
    return true;
}

// True when the bytes after an opening "<?" hold "utf-8" in double quotes
// (case ignored) before the first carriage return, line feed or '?'.
bool DeclaresUtf8(std::string_view bytes)
{
    static const char kWord[] = "\"utf-8\"";
    constexpr size_t kLen = sizeof kWord - 1;
    for (size_t i = 2; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\r' || c == '\n' || c == '?') return false;
        if (bytes.size() - i < kLen) return false;
        bool hit = true;
        for (size_t k = 0; k < kLen && hit; ++k) {
            char b = bytes[i + k];
            if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
            hit = b == kWord[k];
        }
        if (hit) return true;
    }
    return false;
}

const wchar_t* ErrorMessage(int code)
{
    switch (code) {
    case 0: return L"오류 없음";
    case 1: return L"태그 시작(<)이 없음";
    case 2: return L"잘못된 토큰";
    case 3: return L"태그의 시작과 끝이 일치하지 않음";
    case 4: return L"태그의 종료('>')가 제대로 안됨";
    case 5: return L"잘못된 태그 이름(Processing Instruction)";
    case 6: return L"Processing Instruction 내 잘못된 토큰";
    case 7: return L"Processing Instruction 태그의 끝이 > 로 끝나지 않음";
    case 8: return L"잘못된 태그 이름";
    case 9: return L"태그내 잘못된 속성";
    case 10: return L"태그내 잘못된 속성값";
    case 11: return L"중복된 속성값";
    case 12: return L"태그가 제대로 종료 안됨";
    case 13: return L"잘못된 끝";
    case 14: return L"주석문의 종료가 잘못됨";
    case 15: return L"--> 형태로 주석문이 끝나지 않음";
    case 16: return L"주석의 끝이 닫히지 않음";
    case 17: return L"태그가 너무 깊이 중첩됨";
    default: return nullptr;
    }
}

}  // namespace

// ---- CXmlNode ------------------------------------------------------------------

CXmlNode::CXmlNode(int kind, int attributeMapSize) : m_nKind(kind), m_listChildren(10)
{
    if (attributeMapSize > 0) m_mapAttributes.InitHashTable(static_cast<UINT>(attributeMapSize));
}

CXmlNode::~CXmlNode()
{
    for (POSITION p = m_listChildren.GetHeadPosition(); p;) delete m_listChildren.GetNext(p);
    CString key;
    void* value = nullptr;
    for (POSITION p = m_mapAttributes.GetStartPosition(); p;) {
        m_mapAttributes.GetNextAssoc(p, key, value);
        delete static_cast<CString*>(value);
    }
}

POSITION CXmlNode::GetFirstChildPosition() const
{
    return m_nKind == kElement ? m_listChildren.GetHeadPosition() : nullptr;
}

CXmlNode* CXmlNode::GetNextChild(POSITION& pos) const
{
    if (!pos || m_nKind != kElement) return nullptr;
    return m_listChildren.GetNext(pos);
}

CString CXmlNode::GetName() const { return m_nKind == kText ? CString() : m_sName; }

bool CXmlNode::GetAttribute(const wchar_t* name, CString& value) const
{
    void* p = nullptr;
    if (m_nKind != kElement || !name || !m_mapAttributes.Lookup(name, p)) return false;
    value = *static_cast<CString*>(p);
    return true;
}

bool CXmlNode::GetAttributeInt(const wchar_t* name, int& value) const
{
    CString text;
    if (!GetAttribute(name, text)) return false;
    value = ReadDecimalPrefix(text);
    return true;
}

bool CXmlNode::GetAttributeUInt(const wchar_t* name, UINT& value) const
{
    CString text;
    if (!GetAttribute(name, text)) return false;
    WideToUInt(text, value);
    return true;
}

CString CXmlNode::GetAttributeString(const wchar_t* name, const wchar_t* defaultValue) const
{
    if (m_nKind != kElement) return CString();
    CString text;
    return GetAttribute(name, text) ? text : CString(defaultValue);
}

CXmlNode* CXmlNode::FindChild(int kind, const wchar_t* name, bool ignoreCase) const
{
    if (m_nKind != kElement || !name) return nullptr;
    for (POSITION p = m_listChildren.GetHeadPosition(); p;) {
        CXmlNode* child = m_listChildren.GetNext(p);
        if (child->m_nKind != kind) continue;
        if (ignoreCase ? child->m_sName.CompareNoCase(name) == 0 : child->m_sName.Compare(name) == 0) return child;
    }
    return nullptr;
}

CXmlNode* CXmlNode::FindChildElement(const wchar_t* name, bool ignoreCase) const
{
    return FindChild(kElement, name, ignoreCase);
}

CXmlNode* CXmlNode::FindChildInstruction(const wchar_t* name, bool ignoreCase) const
{
    return FindChild(kInstruction, name, ignoreCase);
}

// ---- CXmlDocument --------------------------------------------------------------

CXmlDocument::CXmlDocument() = default;

CXmlDocument::~CXmlDocument() { Clear(); }

void CXmlDocument::Clear()
{
    delete m_pDeclaration;
    delete m_pRoot;
    m_pDeclaration = nullptr;
    m_pRoot = nullptr;
    m_sText.clear();
    m_sText.shrink_to_fit();
    m_nPos = 0;
    m_nLine = 0;
    m_nColumn = 0;
    m_bEnd = false;
    m_tokStart = {0, 0, 0};
    m_nErrorCode = 0;
    m_sErrorDetail.Empty();
}

bool CXmlDocument::LoadFile(const wchar_t* path)
{
    Clear();
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    // A skin file is small: a size the reader could not hold in memory as
    // wide text is refused rather than allocated.
    if (!GetFileSizeEx(h, &size) || size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > kMaxFileBytes) {
        CloseHandle(h);
        return false;
    }
    size_t length = static_cast<size_t>(size.QuadPart);
    BYTE* bytes = static_cast<BYTE*>(std::malloc(length + 2));
    if (!bytes) {
        CloseHandle(h);
        return false;
    }
    DWORD read = 0;
    BOOL ok = ReadFile(h, bytes, static_cast<DWORD>(length), &read, nullptr);
    CloseHandle(h);
    if (!ok || read != length) {
        std::free(bytes);
        return false;
    }
    bytes[length] = 0;
    bytes[length + 1] = 0;
    return Parse(bytes, length, true);
}

bool CXmlDocument::LoadFromMemory(const void* bytes, size_t length)
{
    Clear();
    if (!bytes) return false;
    // The bytes are only read while they are converted to wide text, so the
    // caller's buffer serves as the copy.
    return Parse(static_cast<BYTE*>(const_cast<void*>(bytes)), length, false);
}

bool CXmlDocument::Parse(BYTE* bytes, size_t length, bool takeOwnership)
{
    Clear();
    if (!bytes || length < 2) {
        if (takeOwnership) std::free(bytes);
        return false;
    }
    std::string_view data(reinterpret_cast<const char*>(bytes), length);
    if (static_cast<BYTE>(data[0]) == 0xFF && static_cast<BYTE>(data[1]) == 0xFE) {
        m_sText = Utf16LeBytesToWide(data.data() + 2, data.size() - 2);
    } else {
        UINT codePage;
        if (data.size() >= 3 && static_cast<BYTE>(data[0]) == 0xEF && static_cast<BYTE>(data[1]) == 0xBB &&
            static_cast<BYTE>(data[2]) == 0xBF) {
            data.remove_prefix(3);
            codePage = CP_UTF8;
        } else if (data.size() >= 2 && data[0] == '<' && data[1] == '?' && DeclaresUtf8(data)) {
            codePage = CP_UTF8;
        } else {
            codePage = static_cast<UINT>(m_nCodePage != 0 ? m_nCodePage : m_nFallbackCodePage);
        }
        m_sText = MultiByteToWide(codePage, data);
    }
    if (takeOwnership) std::free(bytes);
    // The text ends at its first NUL character.
    size_t nul = m_sText.find(L'\0');
    if (nul != std::wstring::npos) m_sText.resize(nul);
    m_nPos = 0;
    m_nLine = 0;
    m_nColumn = 0;
    m_bEnd = m_sText.empty();
    return ParseText();
}

CString CXmlDocument::GetErrorText() const
{
    const wchar_t* message = ErrorMessage(m_nErrorCode);
    CString text;
    if (message)
        text = message;
    else
        text.Format(L"Code:%d", m_nErrorCode);
    return text + L" " + m_sErrorDetail;
}

bool CXmlDocument::GetErrorPosition(int& line, int& column) const
{
    line = m_nLine;
    column = m_nColumn;
    return true;
}

bool CXmlDocument::Fail(int code, const CString& detail)
{
    m_nErrorCode = code;
    m_sErrorDetail = detail;
    return false;
}

CXmlNode* CXmlDocument::NewNode(int kind) const
{
    CXmlNode* node = new CXmlNode(kind, m_nAttributeMapSize);
    node->m_nLine = m_tokStart.line;
    node->m_nColumn = m_tokStart.column;
    return node;
}

// ---- Lexer -----------------------------------------------------------------------

void CXmlDocument::Advance()
{
    wchar_t c = m_sText[m_nPos++];
    if (c == L'\n') {
        ++m_nLine;
        m_nColumn = 0;
    } else if (c != L'\r') {
        ++m_nColumn;
    }
    m_bEnd = AtEnd();
}

void CXmlDocument::GoTo(const Mark& m)
{
    m_nPos = m.pos;
    m_nLine = m.line;
    m_nColumn = m.column;
    m_bEnd = AtEnd();
}

bool CXmlDocument::SkipBlanks()
{
    while (!AtEnd() && IsBlank(m_sText[m_nPos])) Advance();
    return !AtEnd();
}

// After "<!--": up to the next "--", which must be followed by '>'.
bool CXmlDocument::SkipComment()
{
    for (;;) {
        if (AtEnd()) return Fail(kErrCommentUnclosed);
        if (m_sText[m_nPos] == L'-' && m_nPos + 1 < m_sText.size() && m_sText[m_nPos + 1] == L'-') {
            Advance();
            Advance();
            break;
        }
        Advance();
    }
    if (!SkipBlanks()) return Fail(kErrCommentEnd);
    if (m_sText[m_nPos] != L'>') return Fail(kErrCommentNotClosedByGt);
    Advance();
    return true;
}

// After any other "<!": up to the next '>'. A bracketed part (the internal
// subset of a document type declaration) is passed over whole, so the
// declarations inside it do not end the skip early.
bool CXmlDocument::SkipDeclaration()
{
    size_t depth = 0;
    while (!AtEnd()) {
        wchar_t c = m_sText[m_nPos];
        Advance();
        if (c == L'[')
            ++depth;
        else if (c == L']' && depth > 0)
            --depth;
        else if (c == L'>' && depth == 0)
            return true;
    }
    return Fail(kErrCommentUnclosed);
}

CXmlDocument::Tok CXmlDocument::NextToken(bool inTag, CString* word)
{
    for (;;) {
        if (!SkipBlanks()) {
            Fail(kErrUnexpectedEnd);
            return Tok::End;
        }
        m_tokStart = Here();
        const wchar_t* s = m_sText.c_str() + m_nPos;  // NUL-ended
        wchar_t c = s[0];
        switch (c) {
        case L'<':
            if (s[1] == L'!') {
                bool skipped;
                if (s[2] == L'-' && s[3] == L'-') {
                    for (int i = 0; i < 4; ++i) Advance();
                    skipped = SkipComment();
                } else {
                    Advance();
                    Advance();
                    skipped = SkipDeclaration();
                }
                if (!skipped) return Tok::End;
                continue;  // the token after it stands in its place
            }
            Advance();
            return Tok::Lt;
        case L'>': Advance(); return Tok::Gt;
        case L'/': Advance(); return Tok::Slash;
        case L'=': Advance(); return Tok::Eq;
        case L'?': Advance(); return Tok::Question;
        case L'-':
            if (s[1] == L'-') {
                Advance();
                Advance();
                return Tok::DashDash;
            }
            break;
        case L'"': {
            Advance();
            size_t first = m_nPos;
            while (!AtEnd() && m_sText[m_nPos] != L'"') Advance();
            size_t last = m_nPos;
            if (!AtEnd()) Advance();  // the closing quote
            if (word) *word = UnescapeXmlText(CString(std::wstring_view(m_sText).substr(first, last - first)));
            return Tok::Word;
        }
        default: break;
        }
        size_t first = m_nPos;
        while (!AtEnd()) {
            wchar_t d = m_sText[m_nPos];
            if (IsBlank(d) || d == L'<' || d == L'>' || d == L'=' || (inTag && d == L'/')) break;
            Advance();
        }
        if (word) *word = UnescapeXmlText(CString(std::wstring_view(m_sText).substr(first, m_nPos - first)));
        return Tok::Word;
    }
}

// ---- Parser ------------------------------------------------------------------------

bool CXmlDocument::ParseText()
{
    Mark start = Here();
    Tok t = NextToken(true);
    if (t == Tok::End) return false;
    if (t == Tok::Lt) {
        Mark lt = m_tokStart;
        Tok t2 = NextToken(true);
        if (t2 == Tok::End) return false;
        if (t2 == Tok::Question) {
            m_tokStart = lt;
            m_pDeclaration = NewNode(CXmlNode::kElement);
            if (!ReadInstruction(m_pDeclaration)) return false;
        } else {
            GoTo(start);
        }
    } else {
        GoTo(start);
    }
    m_pRoot = NewNode(CXmlNode::kElement);
    return ReadElement(m_pRoot, 1);
}

// After "<?".
bool CXmlDocument::ReadInstruction(CXmlNode* node)
{
    CString name;
    Tok t = NextToken(true, &name);
    if (t == Tok::End) return false;
    if (t != Tok::Word) return Fail(kErrBadInstructionName);
    node->m_sName = name;

    if (name == L"Script") {
        // The script text is kept exactly as written, up to "?>".
        size_t first = m_nPos;
        while (!AtEnd()) {
            if (m_sText[m_nPos] == L'?' && m_nPos + 1 < m_sText.size() && m_sText[m_nPos + 1] == L'>') {
                node->m_sContent = CString(std::wstring_view(m_sText).substr(first, m_nPos - first));
                Advance();
                Advance();
                return true;
            }
            Advance();
        }
        return Fail(kErrInstructionNotClosed);
    }

    for (;;) {
        CString attr;
        t = NextToken(true, &attr);
        if (t == Tok::End) return false;
        if (t == Tok::Question) {
            Tok t2 = NextToken(true);
            if (t2 == Tok::End) return false;
            return t2 == Tok::Gt ? true : Fail(kErrInstructionNotClosed);
        }
        if (t != Tok::Word) return Fail(kErrBadInstructionToken);
        Mark afterName = Here();
        CString value;
        Tok t2 = NextToken(true);
        if (t2 == Tok::End) return false;
        if (t2 == Tok::Eq) {
            Tok t3 = NextToken(true, &value);
            if (t3 == Tok::End) return false;
            if (t3 != Tok::Word) return Fail(kErrBadInstructionToken);
        } else {
            GoTo(afterName);  // a name alone: empty value, the token is read again
        }
        void* old = nullptr;
        if (node->m_mapAttributes.Lookup(attr, old)) delete static_cast<CString*>(old);
        node->m_mapAttributes.SetAt(attr, new CString(value));
        if (name == L"xml" && attr == L"encoding" && value.CompareNoCase(L"utf-8") != 0 &&
            value.CompareNoCase(L"EUC-KR") == 0)
            m_nFallbackCodePage = 949;
    }
}

bool CXmlDocument::ReadElement(CXmlNode* node, int depth)
{
    Tok t = NextToken(true);
    if (t == Tok::End) return false;
    if (t != Tok::Lt) return Fail(kErrNoTagStart);
    node->m_nLine = m_tokStart.line;
    node->m_nColumn = m_tokStart.column;

    CString name;
    t = NextToken(true, &name);
    if (t == Tok::End) return false;
    if (t != Tok::Word) return Fail(kErrBadTagName);
    node->m_sName = name;

    // Start tag.
    for (;;) {
        CString attr;
        t = NextToken(true, &attr);
        if (t == Tok::End) return false;
        if (t == Tok::Gt) break;
        if (t == Tok::Slash) {
            Tok t2 = NextToken(true);
            if (t2 == Tok::End) return false;
            return t2 == Tok::Gt ? true : Fail(kErrTagNotClosed);
        }
        if (t != Tok::Word) continue;  // '=', '?', '<' and "--" standing alone
        Tok t2 = NextToken(true);
        if (t2 == Tok::End) return false;
        if (t2 != Tok::Eq) return Fail(kErrBadAttribute);
        CString value;
        Tok t3 = NextToken(true, &value);
        if (t3 == Tok::End) return false;
        if (t3 != Tok::Word) return Fail(kErrBadAttributeValue, attr);
        void* old = nullptr;
        if (node->m_mapAttributes.Lookup(attr, old)) return Fail(kErrDuplicateAttribute, attr);
        node->m_mapAttributes.SetAt(attr, new CString(value));
    }

    // Content up to the end tag.
    for (;;) {
        CString word;
        t = NextToken(false, &word);
        if (t == Tok::End) return false;
        if (t == Tok::Lt) {
            Mark lt = m_tokStart;
            CString next;
            Tok t2 = NextToken(true, &next);
            if (t2 == Tok::End) return false;
            if (t2 == Tok::Question) {
                m_tokStart = lt;
                CXmlNode* child = NewNode(CXmlNode::kInstruction);
                node->m_listChildren.AddTail(child);
                if (!ReadInstruction(child)) return false;
            } else if (t2 == Tok::Slash) {
                return ReadEndTag(node);
            } else if (t2 == Tok::Word) {
                GoTo(lt);
                if (depth >= kMaxDepth) return Fail(kErrTooDeep);
                m_tokStart = lt;
                CXmlNode* child = NewNode(CXmlNode::kElement);
                node->m_listChildren.AddTail(child);
                if (!ReadElement(child, depth + 1)) return false;
            }
            // '<' and anything else: both tokens are dropped.
            continue;
        }
        if (t == Tok::Gt) return Fail(kErrBadToken);

        // A text node: the run of tokens up to the next '<' or '>'.
        CXmlNode* child = NewNode(CXmlNode::kText);
        node->m_listChildren.AddTail(child);
        std::wstring text;
        for (bool first = true;; first = false) {
            switch (t) {
            case Tok::Slash: text += L'/'; break;
            case Tok::Eq: text += L'='; break;
            case Tok::Question: text += L'?'; break;
            case Tok::DashDash: text += L"--"; break;
            default:
                if (!first) text += L' ';
                text += word.str();
                break;
            }
            t = NextToken(true, &word);
            if (t == Tok::End) return false;
            if (t == Tok::Lt || t == Tok::Gt) {
                GoTo(m_tokStart);  // read again by the content loop
                break;
            }
        }
        CString decoded(std::move(text));
        if (decoded.Find(L'&') >= 0) {
            decoded.Replace(L"&amp;", L"&");
            decoded.Replace(L"&gt;", L">");
            decoded.Replace(L"&lt;", L"<");
            decoded.Replace(L"&quot;", L"\"");
            decoded.Replace(L"&apos;", L"'");
        }
        child->m_sName = decoded;
    }
}

// After "</".
bool CXmlDocument::ReadEndTag(CXmlNode* node)
{
    CString name;
    Tok t = NextToken(true, &name);
    if (t == Tok::End) return false;
    if (t != Tok::Word || name != node->m_sName) {
        CString detail;
        detail.Format(L"%s,%s", node->m_sName.GetString(), name.GetString());
        return Fail(kErrTagMismatch, detail);
    }
    t = NextToken(true);
    if (t == Tok::End) return false;
    if (t != Tok::Gt) {
        // The element still counts as read; the code stays for the caller.
        m_nErrorCode = kErrEndTagNotClosed;
        m_sErrorDetail.Empty();
    }
    return true;
}
