#include "HXScriptParser.h"

#include <algorithm>

#include "foundation/DebugTrace.h"

namespace {

bool IsTypeKeyword(int k) { return k == TK_INT || k == TK_DOUBLE || k == TK_STRING || k == TK_VOID; }

int DeclaredType(int k)
{
    switch (k) {
    case TK_DOUBLE: return HXSVAL_DOUBLE;
    case TK_STRING: return HXSVAL_STRING;
    case TK_INT: return HXSVAL_INT;
    default: return HXSVAL_VOID;
    }
}

bool IsLiteral(int k) { return k == TK_REAL || k == TK_INTEGER || k == TK_STRING_LITERAL; }
bool IsComparison(int k) { return k >= TK_EQ && k <= TK_GT; }

// Tokens an expression can hold: keywords, braces and ";" never appear in one.
bool IsExpressionToken(int k)
{
    return (k >= TK_EQ && k <= TK_RPAREN) || (k >= TK_LBRACKET && k <= TK_COMMA) || (k >= TK_NOT && k <= TK_IDENTIFIER);
}

// Two neighbours that no expression holds: the end of an operand directly
// followed by the start of another (a call's name and its "(" excepted).
bool IsBadPair(int first, int second)
{
    bool endsOperand = first == TK_IDENTIFIER || IsLiteral(first) || first == TK_RPAREN || first == TK_RBRACKET;
    bool startsOperand = second == TK_IDENTIFIER || IsLiteral(second) || second == TK_LPAREN;
    if (!endsOperand || !startsOperand) return false;
    return !(first == TK_IDENTIFIER && second == TK_LPAREN);
}

int BinaryOperator(int k)
{
    switch (k) {
    case TK_EQ: return OP_EQ;
    case TK_NE: return OP_NE;
    case TK_LE: return OP_LE;
    case TK_GE: return OP_GE;
    case TK_LT: return OP_LT;
    case TK_GT: return OP_GT;
    case TK_PLUS: return OP_ADD;
    case TK_MINUS: return OP_SUB;
    case TK_STAR: return OP_MUL;
    case TK_SLASH: return OP_DIV;
    default: return OP_MOD;
    }
}

// Puts a node (when there is one) in front of a list built from its end.
void Prepend(SStmtPtr<SStmt>& head, SStmtPtr<SStmt> node)
{
    if (!node) return;
    node->m_next = std::move(head);
    head = std::move(node);
}

}  // namespace

// Counts the rule frames in use; beyond the limit the text is too deep.
class HXScriptParser::Nest {
public:
    Nest(HXScriptParser& parser, int tokenIndex) : m_parser(parser)
    {
        if (++m_parser.m_nesting > kMaxNesting || m_parser.m_stack.IsLow())
            m_parser.Raise(HXS_ERR_TOO_DEEP, tokenIndex);
    }
    ~Nest() { --m_parser.m_nesting; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;

private:
    HXScriptParser& m_parser;
};

int HXScriptParser::Parse(const ScriptLexer& lexer)
{
    m_program.reset();
    m_errorLine = -1;
    m_errorColumn = -1;
    m_lexer = &lexer;
    m_tokens = lexer.GetTokens().data();
    m_count = static_cast<int>(lexer.GetTokens().size());
    m_nesting = 0;
    m_stack = ScriptStackLimit();  // the stack of the thread that parses
    m_notStatements.clear();

    m_nextSemicolon.assign(static_cast<size_t>(m_count) + 1, m_count);
    for (int i = m_count - 1; i >= 0; --i)
        m_nextSemicolon[static_cast<size_t>(i)] =
            K(i) == TK_SEMICOLON ? i : m_nextSemicolon[static_cast<size_t>(i) + 1];
    m_match.assign(static_cast<size_t>(m_count), -1);
    std::vector<int> braces, parens;
    for (int i = 0; i < m_count; ++i) {
        const int k = K(i);
        std::vector<int>& open = k == TK_LBRACE || k == TK_RBRACE ? braces : parens;
        if (k == TK_LBRACE || k == TK_LPAREN) {
            open.push_back(i);
        } else if ((k == TK_RBRACE || k == TK_RPAREN) && !open.empty()) {
            m_match[static_cast<size_t>(i)] = open.back();
            m_match[static_cast<size_t>(open.back())] = i;
            open.pop_back();
        }
    }

    // Where the splits of the expression rules are found: the first "=" or
    // comparison at or after a token, the last "+"/"-", "*"/"/"/"%" or ","
    // at or before it.
    for (auto& v : m_next) v.assign(static_cast<size_t>(m_count) + 1, m_count);
    for (int i = m_count - 1; i >= 0; --i) {
        const size_t at = static_cast<size_t>(i);
        const int k = K(i);
        m_next[NEXT_ASSIGN][at] = k == TK_ASSIGN ? i : m_next[NEXT_ASSIGN][at + 1];
        m_next[NEXT_COMPARISON][at] = IsComparison(k) ? i : m_next[NEXT_COMPARISON][at + 1];
    }
    for (auto& v : m_prev) v.assign(static_cast<size_t>(m_count), -1);
    for (int i = 0; i < m_count; ++i) {
        const size_t at = static_cast<size_t>(i);
        const int k = K(i);
        const auto before = [&](int which) { return i > 0 ? m_prev[which][at - 1] : -1; };
        m_prev[PREV_ADDITIVE][at] = k == TK_PLUS || k == TK_MINUS ? i : before(PREV_ADDITIVE);
        m_prev[PREV_MULTIPLICATIVE][at] =
            k == TK_STAR || k == TK_SLASH || k == TK_PERCENT ? i : before(PREV_MULTIPLICATIVE);
        m_prev[PREV_COMMA][at] = k == TK_COMMA ? i : before(PREV_COMMA);
    }
    m_braceDepth.assign(static_cast<size_t>(m_count) + 1, 0);
    m_elseByDepth.clear();
    for (int i = 0; i < m_count; ++i) {
        const size_t at = static_cast<size_t>(i);
        const int k = K(i);
        if (k == TK_ELSE) m_elseByDepth[m_braceDepth[at]].push_back(i);
        m_braceDepth[at + 1] = m_braceDepth[at] + (k == TK_LBRACE ? 1 : k == TK_RBRACE ? -1 : 0);
    }

    int code = HXS_ERR_NONE;
    try {
        FindIfConditions();
        if (m_count > 0) {
            Node program;
            if (!TopList(0, m_count - 1, program)) Raise(HXS_ERR_UNEXPECTED_EOF, m_count - 1);
            m_program = std::move(program);
        }
    } catch (HXS_ERR e) {
        code = e;
    }
    m_nextSemicolon = {};
    m_notStatements.clear();
    for (auto& v : m_next) v = {};
    for (auto& v : m_prev) v = {};
    m_braceDepth = {};
    m_elseByDepth.clear();
    m_match = {};
    m_ifClose = {};
    m_badIfs = {};
    m_tokens = nullptr;
    m_count = 0;
    return code;
}

int HXScriptParser::K(int i) const { return i >= 0 && i < m_count ? m_tokens[i].type : 0; }

void HXScriptParser::Raise(int code, int tokenIndex)
{
    if (tokenIndex >= m_count) tokenIndex = m_count - 1;
    if (tokenIndex < 0) tokenIndex = 0;
    m_errorLine = m_count > 0 ? m_tokens[tokenIndex].line : 0;
    m_errorColumn = m_count > 0 ? m_tokens[tokenIndex].column : 0;
    DebugTrace(L"@@rHXScriptParser::Error(err:%d line:%d col:%d)", code, m_errorLine, m_errorColumn);
    throw static_cast<HXS_ERR>(code);
}

template <class T>
SStmtPtr<T> HXScriptParser::Make(int tokenIndex) const
{
    SStmtPtr<T> node(new T);
    node->m_line = m_tokens[tokenIndex].line;
    node->m_column = m_tokens[tokenIndex].column;
    return node;
}

CString HXScriptParser::TextAt(int i) const { return CString(m_lexer->GetText(m_tokens[i])); }

// Top-level statement list [f, l]: the last statement starts after the last
// "}" or ";" met at brace depth 0 on the way back, unless an "else" follows
// it or (for a "}") a ")" comes before it; then the rest, in a loop.
bool HXScriptParser::TopList(int f, int l, Node& out)
{
    Node head;
    while (l >= f) {
        int start = f;
        const int t = K(l);
        if (t == TK_RBRACE || t == TK_SEMICOLON) {
            int d = t == TK_RBRACE ? 1 : 0;
            for (int i = l - 1; i >= f; --i) {
                const int k = K(i);
                if ((k == TK_RBRACE || k == TK_SEMICOLON) && d == 0 && K(i + 1) != TK_ELSE &&
                    !(k == TK_RBRACE && K(i - 1) == TK_RPAREN)) {
                    start = i + 1;
                    break;
                }
                if (k == TK_RBRACE)
                    ++d;
                else if (k == TK_LBRACE)
                    --d;
            }
        }
        Node statement;
        if (!TopStatement(start, l, statement)) return false;
        Prepend(head, std::move(statement));
        l = start - 1;
    }
    out = std::move(head);
    return true;
}

bool HXScriptParser::TopStatement(int s, int e, Node& out)
{
    const int k = K(e);
    if (k == TK_SEMICOLON) {
        // A simple statement starting with "if" has tried the if statement
        // already; trying it again would only fail again.
        return VarDecl(s, e, out) || Simple(s, e, out);
    }
    if (k == TK_RBRACE) return FuncDecl(s, e, out) || Block(s, e, out) || IfStmt(s, e, out);
    return false;
}

bool HXScriptParser::Simple(int a, int b, Node& out)
{
    if (a > b) return false;
    // A range is a statement or not whichever rule asks: once it has failed
    // it is not searched again (trials of texts with unbalanced braces would
    // otherwise search the same ranges over and over).
    const uint64_t range = (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
    if (m_notStatements.count(range)) return false;
    Nest nest(*this, a);
    const int k = K(a);
    bool parsed = false;
    if (k == TK_LBRACE)
        parsed = Block(a, b, out);
    else if (k == TK_IF)
        parsed = IfStmt(a, b, out);
    else if (k == TK_RETURN)
        parsed = Return(a, b, out);
    if (!parsed) parsed = ExprStatement(a, b, out);
    if (!parsed) m_notStatements.insert(range);
    return parsed;
}

bool HXScriptParser::VarDecl(int a, int e, Node& out)
{
    if (e - a < 2 || !IsTypeKeyword(K(a)) || K(a + 1) != TK_IDENTIFIER || K(e) != TK_SEMICOLON) return false;
    Node size;
    if (e - a != 2) {
        if (K(a + 2) != TK_LBRACKET || K(e - 1) != TK_RBRACKET || !Expression(a + 3, e - 2, size)) return false;
    }
    auto var = Make<SStmtVar>(a + 1);
    var->m_name = TextAt(a + 1);
    var->m_index = std::move(size);
    auto decl = Make<SStmtVarDecl>(a);
    decl->m_type = DeclaredType(K(a));
    decl->m_var = std::move(var);
    out = std::move(decl);
    return true;
}

bool HXScriptParser::DeclList(int c, int b, Node& out)
{
    Node head;
    while (b >= c) {
        int start = c;
        for (int i = b - 1; i >= c; --i) {
            if (K(i) == TK_SEMICOLON) {
                start = i + 1;
                break;
            }
        }
        Node decl;
        if (!VarDecl(start, b, decl)) return false;
        Prepend(head, std::move(decl));
        b = start - 1;
    }
    out = std::move(head);
    return true;
}

// Block [f, l]: declarations end at the last ";" that closes a declaration,
// found segment by segment from the left; everything after it is statements.
bool HXScriptParser::Block(int f, int l, Node& out)
{
    if (f >= l || K(f) != TK_LBRACE || K(l) != TK_RBRACE) return false;
    // A block's braces balance, so its "}" is the partner of its "{". Only
    // the search of a text holding an if that cannot parse must go on, for
    // the error that it raises on the way.
    if (!m_exhaustive && m_match[static_cast<size_t>(f)] != l && FirstBadIf(f, l) < 0) return false;
    Nest nest(*this, f);
    int k = f;
    for (int p = f + 1; p + 1 <= l - 1;) {
        const int i = m_nextSemicolon[static_cast<size_t>(p) + 1];
        if (i > l - 1) break;
        Node trial;
        if (VarDecl(p, i, trial)) k = i;
        p = i + 1;
    }
    Node decls, statements;
    if (!DeclList(f + 1, k, decls) || !StmtList(k + 1, l - 1, statements)) return false;
    auto block = Make<SStmtCompound>(f);
    block->m_firstDecl = std::move(decls);
    block->m_firstStmt = std::move(statements);
    out = std::move(block);
    return true;
}

bool HXScriptParser::IfStmt(int a, int e, Node& out)
{
    if (e - a < 1 || K(a) != TK_IF || K(a + 1) != TK_LPAREN) return false;
    Nest nest(*this, a);
    const int j = m_ifClose[static_cast<size_t>(a)];
    if (j < 0 || j > e) return false;
    // The first "else" from a + 3 on at the brace depth of a + 3: a "{"
    // takes the counter down, a "}" up, and it must be back at 0.
    int elsePos = -1;
    if (a + 3 <= e) {
        auto depth = m_elseByDepth.find(m_braceDepth[static_cast<size_t>(a) + 3]);
        if (depth != m_elseByDepth.end()) {
            auto it = std::lower_bound(depth->second.begin(), depth->second.end(), a + 3);
            if (it != depth->second.end() && *it <= e) elsePos = *it;
        }
    }
    Node condition;
    if (!Expression(a + 2, j - 1, condition)) Raise(HXS_ERR_SYNTAX, a);
    Node thenPart, elsePart;
    if (elsePos < 0) {
        if (!Simple(j + 1, e, thenPart)) return false;
    } else if (!Simple(j + 1, elsePos - 1, thenPart) || !Simple(elsePos + 1, e, elsePart)) {
        return false;
    }
    auto node = Make<SStmtIf>(a);
    node->m_condition = std::move(condition);
    node->m_then = std::move(thenPart);
    node->m_else = std::move(elsePart);
    out = std::move(node);
    return true;
}

bool HXScriptParser::FuncDecl(int b, int e, Node& out)
{
    if (e - b < 2 || !IsTypeKeyword(K(b)) || K(b + 1) != TK_IDENTIFIER || K(b + 2) != TK_LPAREN) return false;
    Nest nest(*this, b);
    int afterParen = b + 3, close = -1;
    for (int i = b; i <= e - 1; ++i) {
        if (K(i) == TK_LPAREN) {
            afterParen = i + 1;
        } else if (K(i) == TK_RPAREN) {
            close = i;
            break;
        }
    }
    if (close < 0) return false;
    Node params, body;
    if (!ParamList(afterParen, close - 1, params) || !Block(close + 1, e, body)) return false;
    auto func = Make<SStmtFuncDecl>(b);
    func->m_returnType = DeclaredType(K(b));
    func->m_name = TextAt(b + 1);
    func->m_firstParam = std::move(params);
    func->m_body.reset(static_cast<SStmtCompound*>(body.release()));
    out = std::move(func);
    return true;
}

bool HXScriptParser::Return(int a, int b, Node& out)
{
    if (b - a < 1 || K(a) != TK_RETURN || K(b) != TK_SEMICOLON) return false;
    Node value;
    if (b - a > 1 && !Expression(a + 1, b - 1, value)) return false;
    auto node = Make<SStmtReturn>(a);
    node->m_form = value ? RETURN_WITH_VALUE : RETURN_NO_VALUE;
    node->m_value = std::move(value);
    out = std::move(node);
    return true;
}

bool HXScriptParser::ExprStatement(int a, int b, Node& out)
{
    if (a > b || K(b) != TK_SEMICOLON) return false;
    if (a == b) return true;  // an empty statement: no node
    return Expression(a, b - 1, out);
}

// The condition of every "if (": its ")" is the first one met at parenthesis
// depth 0 from the token after "(" on (not that token itself); whether it
// parses is known before the statements are searched.
void HXScriptParser::FindIfConditions()
{
    m_ifClose.assign(static_cast<size_t>(m_count), -1);
    m_badIfs.clear();
    for (int a = 0; a + 1 < m_count; ++a) {
        if (K(a) != TK_IF || K(a + 1) != TK_LPAREN) continue;
        int j = -1;
        for (int i = a + 2, counter = 0; i < m_count; ++i) {
            const int k = K(i);
            if (k == TK_RPAREN) {
                if (counter == 0 && i >= a + 3) {
                    j = i;
                    break;
                }
                --counter;
            } else if (k == TK_LPAREN) {
                // A matched pair comes back to the same count; inside it
                // nothing is at 0 unless the count was below 0. An unmatched
                // "(" never comes back at all.
                const int m = m_match[static_cast<size_t>(i)];
                if (counter >= 0 && m < 0) break;
                if (counter >= 0)
                    i = m;
                else
                    ++counter;
            }
        }
        m_ifClose[static_cast<size_t>(a)] = j;
        Node condition;
        if (j >= 0 && !Expression(a + 2, j - 1, condition)) m_badIfs.push_back(a);
    }
}

// The first if in [c, b] whose condition ends inside the range and does not
// parse. A statement list holding one cannot parse: trying the starts of its
// last statement from the left reaches that if at the latest, and the first
// such if that a trial meets raises 201.
int HXScriptParser::FirstBadIf(int c, int b) const
{
    auto it = std::lower_bound(m_badIfs.begin(), m_badIfs.end(), c);
    for (; it != m_badIfs.end() && *it <= b; ++it)
        if (m_ifClose[static_cast<size_t>(*it)] <= b) return *it;
    return -1;
}

// Where the last statement of a block's list [c, b] can start at the
// earliest: after the last ";" or "}" that a statement could not hold. A
// statement's braces balance, and every ";" or "}" of it at its own brace
// depth, but its last token, is followed by "else".
int HXScriptParser::LowerBound(int c, int b) const
{
    int depth = 0;
    int x = b - 1;
    if (K(b) == TK_LBRACE) return b + 1;
    if (K(b) == TK_RBRACE) {
        const int m = m_match[static_cast<size_t>(b)];
        if (m >= c && m < b)
            x = m - 1;
        else
            depth = 1;
    }
    for (; x >= c; --x) {
        const int k = K(x);
        if ((k == TK_SEMICOLON || k == TK_RBRACE) && depth == 0 && K(x + 1) != TK_ELSE) return x + 1;
        if (k == TK_RBRACE) {
            const int m = m_match[static_cast<size_t>(x)];
            if (m >= c && m < x)
                x = m;  // a whole block: the depth comes back
            else
                ++depth;
        } else if (k == TK_LBRACE && --depth < 0) {
            return x + 1;
        }
    }
    return c;
}

// The smallest d for which [d, b - 1] could be an expression, so that [d, b]
// could be an expression statement; b + 1 when none could.
int HXScriptParser::ExpressionTail(int lo, int b) const
{
    if (K(b) != TK_SEMICOLON) return b + 1;
    for (int x = b - 1; x >= lo; --x) {
        if (!IsExpressionToken(K(x))) return x + 1;
        if (x + 1 <= b - 1 && IsBadPair(K(x), K(x + 1))) return x + 1;
    }
    return lo;
}

// Block statement list [c, b]: the last statement starts at the smallest d
// for which [d, b] is a statement; then the rest before it, in a loop.
bool HXScriptParser::StmtList(int c, int b, Node& out)
{
    Node head;
    while (b >= c) {
        const int bad = m_exhaustive ? -1 : FirstBadIf(c, b);
        if (bad >= 0) {
            // The search tries each start from the left and stops at the
            // first trial that raises; only trials at an "if" or at a block
            // can raise, and the one at the bad if does.
            for (int x = c; x <= bad; ++x) {
                if (K(x) != TK_IF && !(K(x) == TK_LBRACE && K(b) == TK_RBRACE)) continue;
                Node trial;
                Simple(x, b, trial);
            }
            Raise(HXS_ERR_SYNTAX, bad);
        }
        const int lo = m_exhaustive ? c : LowerBound(c, b);
        const int expressionFrom = m_exhaustive ? c : ExpressionTail(lo, b);
        int d = -1;
        Node found;
        for (int x = lo; x <= b - 1; ++x) {
            const int k = K(x);
            if (x < expressionFrom && k != TK_LBRACE && k != TK_IF && k != TK_RETURN) continue;
            Node trial;
            if (Simple(x, b, trial)) {
                d = x;
                found = std::move(trial);
                break;
            }
        }
        if (d < 0) {
            // No start found: the whole range must be the statement, which
            // the search above has already shown it is not, unless it is a
            // single token.
            if (b > c || !Simple(c, b, found)) return false;
            d = c;
        }
        Prepend(head, std::move(found));
        b = d - 1;
    }
    out = std::move(head);
    return true;
}

bool HXScriptParser::ParamList(int p, int q, Node& out)
{
    Node head;
    for (int end = q;;) {
        if (p > end || (p == end && K(p) == TK_VOID)) break;
        int comma = -1;
        for (int i = end - 1; i >= p; --i) {
            if (K(i) == TK_COMMA) {
                comma = i;
                break;
            }
        }
        const int s = comma < 0 ? p : comma + 1;
        if (end - s != 1 || !IsTypeKeyword(K(s)) || K(s + 1) != TK_IDENTIFIER) return false;
        auto var = Make<SStmtVar>(s + 1);
        var->m_name = TextAt(s + 1);
        auto decl = Make<SStmtVarDecl>(s);
        decl->m_type = DeclaredType(K(s));
        decl->m_var = std::move(var);
        Prepend(head, std::move(decl));
        if (comma < 0) break;
        end = comma - 1;
    }
    out = std::move(head);
    return true;
}

// An expression where a statement needs one. Ranges holding a token or a
// pair of neighbours that no expression can hold fail at once.
bool HXScriptParser::Expression(int b, int e, Node& out)
{
    if (b > e) return false;
    for (int x = b; x <= e; ++x) {
        if (!IsExpressionToken(K(x))) return false;
        if (x < e && IsBadPair(K(x), K(x + 1))) return false;
    }
    return Assignment(b, e, out);
}

bool HXScriptParser::Assignment(int b, int e, Node& out)
{
    if (b > e) return false;
    Nest nest(*this, b);
    if (K(b) == TK_IDENTIFIER) {
        const int i = b + 1 <= e - 1 ? m_next[NEXT_ASSIGN][static_cast<size_t>(b) + 1] : m_count;
        SStmtPtr<SStmtVar> target;
        Node value;
        if (i <= e - 1 && VarRef(b, i - 1, target) && Assignment(i + 1, e, value)) {
            auto node = Make<SStmtAssignment>(b);
            node->m_target = std::move(target);
            node->m_value = std::move(value);
            out = std::move(node);
            return true;
        }
    }
    return Comparison(b, e, out);
}

// The binary node of the operator at i over [a, e] when both sides parse
// (the right, which does not recurse into its own level, first).
bool HXScriptParser::Split(int a, int e, int i, Rule leftRule, Rule rightRule, Node& out)
{
    Node left, right;
    if (!(this->*rightRule)(i + 1, e, right) || !(this->*leftRule)(a, i - 1, left)) return false;
    auto node = Make<SStmtExpression>(a);
    node->m_operator = BinaryOperator(K(i));
    node->m_left = std::move(left);
    node->m_right = std::move(right);
    out = std::move(node);
    return true;
}

// Each level splits at one operator only: the first comparison, the last
// "+" or "-", the last "*", "/" or "%" strictly inside the range. When that
// split fails the level is the next one over the whole range.
bool HXScriptParser::Comparison(int a, int e, Node& out)
{
    if (a > e) return false;
    Nest nest(*this, a);
    const int i = a + 1 <= e - 1 ? m_next[NEXT_COMPARISON][static_cast<size_t>(a) + 1] : m_count;
    if (i <= e - 1 && Split(a, e, i, &HXScriptParser::Additive, &HXScriptParser::Additive, out)) return true;
    return Additive(a, e, out);
}

bool HXScriptParser::Additive(int a, int e, Node& out)
{
    if (a > e) return false;
    Nest nest(*this, a);
    const int i = e - 1 >= a + 1 ? m_prev[PREV_ADDITIVE][static_cast<size_t>(e) - 1] : -1;
    if (i >= a + 1 && Split(a, e, i, &HXScriptParser::Additive, &HXScriptParser::Multiplicative, out)) return true;
    return Multiplicative(a, e, out);
}

bool HXScriptParser::Multiplicative(int a, int e, Node& out)
{
    if (a > e) return false;
    Nest nest(*this, a);
    const int i = e - 1 >= a + 1 ? m_prev[PREV_MULTIPLICATIVE][static_cast<size_t>(e) - 1] : -1;
    if (i >= a + 1 && Split(a, e, i, &HXScriptParser::Multiplicative, &HXScriptParser::Unary, out)) return true;
    return Unary(a, e, out);
}

bool HXScriptParser::Unary(int a, int e, Node& out)
{
    if (a > e) return false;
    Nest nest(*this, a);
    const int k = K(a);
    if (k != TK_NOT && k != TK_MINUS) return Primary(a, e, out);
    Node operand;
    if (!Unary(a + 1, e, operand)) return false;
    auto node = Make<SStmtExpression>(a);
    node->m_operator = k == TK_NOT ? OP_NOT : OP_NEG;
    node->m_right = std::move(operand);
    out = std::move(node);
    return true;
}

bool HXScriptParser::Primary(int a, int e, Node& out)
{
    if (a > e) return false;
    if (K(a) == TK_LPAREN && K(e) == TK_RPAREN && a < e && Assignment(a + 1, e - 1, out)) return true;
    SStmtPtr<SStmtVar> var;
    if (VarRef(a, e, var)) {
        out = std::move(var);
        return true;
    }
    if (a == e && IsLiteral(K(a))) {
        auto node = Make<SStmtExpression>(a);
        node->m_operator = OP_LITERAL;
        const SToken& t = m_tokens[a];
        if (t.type == TK_REAL)
            node->m_constant = std::make_unique<HXSVal>(HXSVal::Double(t.dValue));
        else if (t.type == TK_INTEGER)
            node->m_constant = std::make_unique<HXSVal>(HXSVal::Int(t.nValue));
        else
            node->m_constant = std::make_unique<HXSVal>(HXSVal::String(TextAt(a)));
        out = std::move(node);
        return true;
    }
    return Call(a, e, out);
}

bool HXScriptParser::VarRef(int a, int e, SStmtPtr<SStmtVar>& out)
{
    if (a > e || K(a) != TK_IDENTIFIER) return false;
    Node index;
    if (a != e) {
        if (e - a < 3 || K(a + 1) != TK_LBRACKET || K(e) != TK_RBRACKET || !Assignment(a + 2, e - 1, index))
            return false;
    }
    auto var = Make<SStmtVar>(a);
    var->m_name = TextAt(a);
    var->m_index = std::move(index);
    out = std::move(var);
    return true;
}

bool HXScriptParser::Call(int a, int e, Node& out)
{
    if (e - a < 2 || K(a) != TK_IDENTIFIER || K(a + 1) != TK_LPAREN || K(e) != TK_RPAREN) return false;
    Node args;
    if (!ArgList(a + 2, e - 1, args)) return false;
    auto call = Make<SStmtCall>(a);
    call->m_name = TextAt(a);
    call->m_firstArg = std::move(args);
    out = std::move(call);
    return true;
}

// Argument list [b, c]: the last argument after the last ",", the rest by
// this rule; when either fails the whole range is one argument.
bool HXScriptParser::ArgList(int b, int c, Node& out)
{
    if (b > c) return true;
    Nest nest(*this, b);
    const int i = c - 1 >= b ? m_prev[PREV_COMMA][static_cast<size_t>(c) - 1] : -1;
    Node last, rest;
    if (i >= b && Assignment(i + 1, c, last) && ArgList(b, i - 1, rest)) {
        if (!rest) {
            out = std::move(last);
        } else {
            SStmt* tail = rest.get();
            while (tail->m_next) tail = tail->m_next.get();
            tail->m_next = std::move(last);
            out = std::move(rest);
        }
        return true;
    }
    return Assignment(b, c, out);
}
