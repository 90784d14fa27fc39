// The parser of the skin script language. It works on ranges of token
// indexes, never consuming tokens one by one: each rule yields a node (or an
// empty list), fails so that its caller tries its next alternative, or raises
// an error. The rules, their order of alternatives and their grouping quirks
// (operator splits that ignore parentheses, an "else" that belongs to the
// outermost "if" that reaches it) are the language.
//
// The search gives the same trees and errors as trying every alternative in
// turn, without the time that costs: where a rule splits is found through
// indexes built once per text, starts and blocks that cannot succeed are not
// tried, and a range that failed is not tried again. Statement lists are
// parsed by loops, not recursion; other nesting (blocks, parentheses, chains
// of operators or arguments) is followed to a fixed depth, or as far as the
// stack allows, beyond which the text fails with HXS_ERR_TOO_DEEP.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "SStmt.h"
#include "ScriptLexer.h"
#include "ScriptStackLimit.h"

class HXScriptParser {
public:
    // Parser rule frames followed at most at once.
    static constexpr int kMaxNesting = 3000;

    // Parses the lexer's tokens into a program. Returns 0 (the program may be
    // empty) or the error code, with the position of the token at which it
    // was raised.
    int Parse(const ScriptLexer& lexer);
    const SStmt* GetProgram() const { return m_program.get(); }
    SStmtPtr<SStmt> TakeProgram() { return std::move(m_program); }
    void Forget() { m_program.reset(); }
    int GetErrorLine() const { return m_errorLine; }
    int GetErrorColumn() const { return m_errorColumn; }

    // A statement list finds where its last statement starts by trying every
    // start in turn. The parser skips starts and blocks that cannot succeed;
    // with this switch it tries them all, as a check that skipping changes
    // nothing.
    void SetExhaustiveSearch(bool on) { m_exhaustive = on; }

private:
    using Node = SStmtPtr<SStmt>;
    using Rule = bool (HXScriptParser::*)(int, int, Node&);
    class Nest;

    int K(int i) const;
    [[noreturn]] void Raise(int code, int tokenIndex);
    template <class T>
    SStmtPtr<T> Make(int tokenIndex) const;
    CString TextAt(int i) const;

    bool TopList(int f, int l, Node& out);
    bool TopStatement(int s, int e, Node& out);
    bool Simple(int a, int b, Node& out);
    bool VarDecl(int a, int e, Node& out);
    bool DeclList(int c, int b, Node& out);
    bool Block(int f, int l, Node& out);
    bool IfStmt(int a, int e, Node& out);
    bool FuncDecl(int b, int e, Node& out);
    bool Return(int a, int b, Node& out);
    bool ExprStatement(int a, int b, Node& out);
    bool StmtList(int c, int b, Node& out);
    bool ParamList(int p, int q, Node& out);
    bool Expression(int b, int e, Node& out);
    bool Assignment(int b, int e, Node& out);
    bool Split(int a, int e, int i, Rule leftRule, Rule rightRule, Node& out);
    bool Comparison(int a, int e, Node& out);
    bool Additive(int a, int e, Node& out);
    bool Multiplicative(int a, int e, Node& out);
    bool Unary(int a, int e, Node& out);
    bool Primary(int a, int e, Node& out);
    bool VarRef(int a, int e, SStmtPtr<SStmtVar>& out);
    bool Call(int a, int e, Node& out);
    bool ArgList(int b, int c, Node& out);

    int LowerBound(int c, int b) const;
    int ExpressionTail(int lo, int b) const;
    void FindIfConditions();
    int FirstBadIf(int c, int b) const;

    const ScriptLexer* m_lexer = nullptr;
    const SToken* m_tokens = nullptr;
    int m_count = 0;
    std::vector<int> m_nextSemicolon;  // index of the first ";" at or after i, m_count when none
    enum { NEXT_ASSIGN, NEXT_COMPARISON };
    enum { PREV_ADDITIVE, PREV_MULTIPLICATIVE, PREV_COMMA };
    std::vector<int> m_next[2];     // the first token of the kind at or after i, m_count when none
    std::vector<int> m_prev[3];     // the last token of the kind at or before i, -1 when none
    std::vector<int> m_braceDepth;  // "{" less "}" before token i
    std::unordered_map<int, std::vector<int>> m_elseByDepth;  // the "else" tokens at each brace depth, ascending
    std::vector<int> m_match;                      // the partner of a brace or parenthesis, -1 when it has none
    std::vector<int> m_ifClose;                    // for an "if (": the ")" that ends its condition, -1 when none
    std::vector<int> m_badIfs;                     // ascending: the ifs whose condition does not parse
    std::unordered_set<uint64_t> m_notStatements;  // ranges (first << 32 | last) known to be no statement
    int m_nesting = 0;
    ScriptStackLimit m_stack;
    bool m_exhaustive = false;
    Node m_program;
    int m_errorLine = -1;
    int m_errorColumn = -1;
};
