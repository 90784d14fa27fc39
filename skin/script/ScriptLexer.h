// The lexer of the skin script language: turns a text into its tokens, with
// the line and column (from 0) at which each begins. Comments are dropped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ScriptErrors.h"

enum ScriptTokenKind {
    TK_END = 1,
    TK_COMMENT = 3,
    TK_IF = 4,
    TK_ELSE = 5,
    // "while" is a keyword that no statement accepts: the language has no loop.
    TK_WHILE = 6,
    TK_INT = 7,
    TK_DOUBLE = 8,
    TK_STRING = 9,
    TK_RETURN = 10,
    TK_VOID = 11,
    TK_FOR = 12,
    TK_EQ = 13,
    TK_NE = 14,
    TK_LE = 15,
    TK_GE = 16,
    TK_LT = 17,
    TK_GT = 18,
    TK_LPAREN = 19,
    TK_RPAREN = 20,
    TK_LBRACE = 21,
    TK_RBRACE = 22,
    TK_LBRACKET = 23,
    TK_RBRACKET = 24,
    TK_MINUS = 25,
    TK_PLUS = 26,
    TK_STAR = 27,
    TK_SLASH = 28,
    TK_PERCENT = 29,
    TK_ASSIGN = 30,
    TK_COMMA = 31,
    TK_SEMICOLON = 32,
    TK_NOT = 33,
    TK_REAL = 34,
    TK_INTEGER = 35,
    TK_STRING_LITERAL = 36,
    TK_IDENTIFIER = 37,
};

// One token. The text of identifiers and string literals lives in the
// lexer's text store (ScriptLexer::GetText), so that a long text's many
// tokens stay small.
struct SToken {
    int type = TK_END;
    int line = 0;
    int column = 0;
    int nValue = 0;     // an integer literal's value
    double dValue = 0;  // a real literal's value
    uint32_t textStart = 0;
    uint32_t textLength = 0;
};

class ScriptLexer {
public:
    // Empties the token list and reads every token of the text (which ends at
    // its first NUL). Returns 0 or the error code; the cursor then stands
    // where the error was found.
    int Tokenize(const wchar_t* text);
    // Deletes the tokens and their texts.
    void Clear();

    const std::vector<SToken>& GetTokens() const { return m_tokens; }
    std::wstring_view GetText(const SToken& token) const;
    // The cursor's position: after a failed Tokenize, where the error was found.
    int GetLine() const { return m_line; }
    int GetColumn() const { return m_column; }

    // Numbers: the text of a number token (already lower-cased) to an int or
    // a real token; raises 113 to 116.
    static void ConvertNumber(std::wstring_view text, SToken& token);

private:
    wchar_t Peek(size_t ahead = 0) const;
    bool StartsWith(std::wstring_view s) const;
    void Pass();
    void Pass(size_t count);
    void SkipWhiteSpace();
    SToken ReadToken();
    void StoreText(SToken& token, std::wstring_view text);

    std::vector<SToken> m_tokens;
    std::wstring m_texts;
    const wchar_t* m_source = L"";
    size_t m_position = 0;
    int m_line = 0;
    int m_column = 0;
    bool m_end = false;
};
