#include "ScriptLexer.h"

#include <cstddef>
#include <limits>

#include "platform/win32/CharClass.h"

namespace {

struct Word {
    std::wstring_view text;
    int type;
};

// Matched in this order at the start of every token.
constexpr Word kKeywords[] = {
    {L"if", TK_IF},         {L"else", TK_ELSE},     {L"while", TK_WHILE}, {L"int", TK_INT}, {L"double", TK_DOUBLE},
    {L"string", TK_STRING}, {L"return", TK_RETURN}, {L"void", TK_VOID},   {L"for", TK_FOR},
};
constexpr Word kOperators[] = {
    {L"==", TK_EQ}, {L"!=", TK_NE}, {L"<=", TK_LE}, {L">=", TK_GE}, {L"<", TK_LT}, {L">", TK_GT},
};

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsWordChar(wchar_t c) { return c == L'_' || IsDigit(c) || IsCharAlphaW(c); }

int Punctuation(wchar_t c)
{
    switch (c) {
    case L'!': return TK_NOT;
    case L'%': return TK_PERCENT;
    case L'(': return TK_LPAREN;
    case L')': return TK_RPAREN;
    case L'*': return TK_STAR;
    case L'+': return TK_PLUS;
    case L',': return TK_COMMA;
    case L'-': return TK_MINUS;
    case L'/': return TK_SLASH;
    case L';': return TK_SEMICOLON;
    case L'=': return TK_ASSIGN;
    case L'[': return TK_LBRACKET;
    case L']': return TK_RBRACKET;
    case L'{': return TK_LBRACE;
    case L'}': return TK_RBRACE;
    default: return 0;
    }
}

// The value of one digit of the base, or -1.
int DigitValue(wchar_t c, int base)
{
    int v = -1;
    if (IsDigit(c))
        v = c - L'0';
    else if (c >= L'a' && c <= L'f')
        v = c - L'a' + 10;
    return v < base ? v : -1;
}

}  // namespace

void ScriptLexer::Clear()
{
    m_tokens.clear();
    m_tokens.shrink_to_fit();
    m_texts.clear();
    m_texts.shrink_to_fit();
}

std::wstring_view ScriptLexer::GetText(const SToken& token) const
{
    if (token.textStart > m_texts.size() || token.textLength > m_texts.size() - token.textStart) return {};
    return std::wstring_view(m_texts).substr(token.textStart, token.textLength);
}

int ScriptLexer::Tokenize(const wchar_t* text)
{
    Clear();
    m_source = text ? text : L"";
    m_position = 0;
    m_line = 0;
    m_column = 0;
    m_end = false;
    try {
        for (;;) {
            SToken token = ReadToken();
            if (token.type == TK_END) break;
            if (token.type != TK_COMMENT) m_tokens.push_back(token);
        }
    } catch (HXS_ERR code) {
        return code;
    }
    return HXS_ERR_NONE;
}

wchar_t ScriptLexer::Peek(size_t ahead) const
{
    // Never reads beyond the text's terminating NUL.
    for (size_t i = 0; i < ahead; ++i)
        if (m_source[m_position + i] == 0) return 0;
    return m_source[m_position + ahead];
}

bool ScriptLexer::StartsWith(std::wstring_view s) const
{
    for (size_t i = 0; i < s.size(); ++i) {
        wchar_t c = m_source[m_position + i];
        if (c != s[i]) return false;  // also stops at the NUL
    }
    return true;
}

void ScriptLexer::Pass()
{
    wchar_t c = m_source[m_position];
    if (c == 0) return;
    if (c == L'\n') {
        ++m_line;
        m_column = 0;
    } else {
        ++m_column;
    }
    ++m_position;
    if (m_source[m_position] == 0) m_end = true;
}

void ScriptLexer::Pass(size_t count)
{
    for (size_t i = 0; i < count; ++i) Pass();
}

void ScriptLexer::SkipWhiteSpace()
{
    for (;;) {
        wchar_t c = m_source[m_position];
        if (c == 0) {
            m_end = true;
            return;
        }
        if (c != L'\t' && c != L'\r' && c != L' ' && c != L'\n') return;
        Pass();
    }
}

void ScriptLexer::StoreText(SToken& token, std::wstring_view text)
{
    if (m_texts.size() + text.size() > std::numeric_limits<uint32_t>::max()) throw HXS_ERR_TOKEN;
    token.textStart = static_cast<uint32_t>(m_texts.size());
    token.textLength = static_cast<uint32_t>(text.size());
    m_texts.append(text);
}

SToken ScriptLexer::ReadToken()
{
    SkipWhiteSpace();
    SToken token;
    token.line = m_line;
    token.column = m_column;
    if (m_end) return token;

    for (const Word& w : kKeywords) {
        if (StartsWith(w.text) && !IsWordChar(Peek(w.text.size()))) {
            token.type = w.type;
            Pass(w.text.size());
            return token;
        }
    }
    for (const Word& w : kOperators) {
        if (StartsWith(w.text)) {
            token.type = w.type;
            Pass(w.text.size());
            return token;
        }
    }
    if (StartsWith(L"/*")) {
        Pass(2);
        while (!StartsWith(L"*/")) {
            if (Peek() == 0) throw HXS_ERR_EOF_COMMENT;
            Pass();
        }
        Pass(2);
        token.type = TK_COMMENT;
        return token;
    }
    if (StartsWith(L"//")) {
        Pass(2);
        while (Peek() != 0 && Peek() != L'\n') Pass();
        token.type = TK_COMMENT;
        return token;
    }

    const wchar_t c = Peek();
    Pass();
    if (int type = Punctuation(c)) {
        token.type = type;
        return token;
    }
    if (c == L'"') {
        // No escapes: everything up to the next quotation mark, line feeds
        // included. A literal the text never closes is an error, not a
        // silent end of the text.
        size_t start = m_position;
        while (Peek() != L'"') {
            if (Peek() == 0) throw HXS_ERR_EOF_STRING;
            Pass();
        }
        token.type = TK_STRING_LITERAL;
        StoreText(token, std::wstring_view(m_source + start, m_position - start));
        Pass();
        return token;
    }
    if (c == L'.' || IsDigit(c)) {
        std::wstring text(1, c);
        while (IsWordChar(Peek()) || Peek() == L'.') {
            text += Peek();
            Pass();
        }
        for (wchar_t& ch : text)
            if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
        ConvertNumber(text, token);
        return token;
    }
    if (c == L'_' || IsCharAlphaW(c)) {
        size_t start = m_position - 1;
        while (IsWordChar(Peek())) Pass();
        token.type = TK_IDENTIFIER;
        StoreText(token, std::wstring_view(m_source + start, m_position - start));
        return token;
    }
    throw HXS_ERR_TOKEN;
}

void ScriptLexer::ConvertNumber(std::wstring_view text, SToken& token)
{
    int base = 10;
    size_t start = 0;
    if (text.starts_with(L"0x")) {
        base = 16;
        start = 2;
        if (text.size() == start) throw HXS_ERR_HEX_NUMBER;
    } else if (text.starts_with(L"0b")) {
        base = 2;
        start = 2;
        if (text.size() == start) throw HXS_ERR_BINARY_NUMBER;
    }
    // The integer wraps as 32-bit two's complement; the real goes on.
    uint32_t integer = 0;
    double real = 0;
    bool fraction = false;
    double scale = 0;
    for (size_t i = start; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'.') {
            if (fraction) throw HXS_ERR_REAL_NUMBER;
            fraction = true;
            scale = 1.0 / base;
            continue;
        }
        int v = DigitValue(c, base);
        if (v < 0) throw HXS_ERR_DECIMAL_NUMBER;
        if (!fraction) {
            integer = static_cast<uint32_t>(v) + static_cast<uint32_t>(base) * integer;
            real = real * base + v;
        } else {
            real = real + scale * v;
            scale = scale / base;
        }
    }
    if (fraction) {
        token.type = TK_REAL;
        token.dValue = real;
    } else {
        token.type = TK_INTEGER;
        token.nValue = static_cast<int32_t>(integer);
    }
}
