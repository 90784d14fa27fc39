#include "RegCompiler.h"

#include <cstring>

namespace {

bool IsRepeatOp(wchar_t c) { return c == L'*' || c == L'+' || c == L'?'; }

// Characters that end a literal run.
bool EndsRun(wchar_t c)
{
    return c == 0 || c == L'^' || c == L'$' || c == L'.' || c == L'[' || c == L'(' || c == L')' || c == L'|' ||
           c == L'\n' || IsRepeatOp(c);
}

}  // namespace

const wchar_t* RegErrorText(int code)
{
    switch (code) {
    case 1: return L"NULL argument to regexec";
    case 2: return L"corrupted regexp";
    case 3: return L"regexp corruption";
    case 4: return L"corrupted pointers";
    case 5: return L"internal error: bad call of regrepeat";
    case 6: return L"corrupted opcode";
    case 7: return L"NULL parm to regsub";
    case 8: return L"damaged regexp fed to regsub";
    case 9: return L"damaged match string";
    case 10: return L"NULL argument to regcomp";
    case 11: return L"regexp too big";
    case 12: return L"too many ()";
    case 13: return L"unterminated ()";
    case 14: return L"unmatched ()";
    case 15: return L"internal error: junk on end";
    case 16: return L"*+ operand could be empty";
    case 17: return L"nested *?+";
    case 18: return L"invalid [] range";
    case 19: return L"unmatched []";
    case 20: return L"internal error: \\0|) unexpected";
    case 21: return L"?+* follows nothing";
    case 22: return L"trailing \\";
    case 23: return L"internal error: strcspn 0";
    case 24: return L"NULL regexp";
    default: return L"Unknown error";
    }
}

int CRegProgramAccessor::NextNode(const RegUnit* program, int node)
{
    if (!program || node <= 0) return 0;
    RegUnit offset = program[node + 1];
    if (offset == 0) return 0;
    if (program[node] == kRegLoopBack) return node - static_cast<int>(offset);
    return node + static_cast<int>(offset);
}

// ---- Parser ----------------------------------------------------------------

wchar_t CRegCompilerBase::Peek(int ahead) const
{
    // Never looks past the terminating NUL.
    for (int i = 0; i < ahead; ++i)
        if (m_pattern[m_pos + static_cast<size_t>(i)] == 0) return 0;
    return m_pattern[m_pos + static_cast<size_t>(ahead)];
}

bool CRegCompilerBase::Parse(const wchar_t* pattern)
{
    m_pattern = pattern;
    m_pos = 0;
    m_groupCount = 1;
    m_failed = false;
    m_topFlags = 0;
    int top = ParseAlternatives(false, &m_topFlags);
    return top != 0 && !m_failed;
}

// A whole pattern or a group: alternatives joined by "|".
int CRegCompilerBase::ParseAlternatives(bool group, int* flags)
{
    *flags = kRegHasWidth;
    int first = 0;
    int groupNo = 0;
    if (group) {
        if (m_groupCount >= kRegMaxSubs) {
            Fail(kRegErrTooManyGroups);
            m_failed = true;
            return 0;
        }
        groupNo = m_groupCount++;
        first = EmitNode(kRegOpenGroup + static_cast<RegUnit>(groupNo));
    }

    for (;;) {
        int chainFlags = 0;
        int chain = ParseChain(&chainFlags);
        if (!chain) return 0;
        if (first)
            SetTail(first, chain);
        else
            first = chain;
        if (!(chainFlags & kRegHasWidth)) *flags &= ~kRegHasWidth;
        *flags |= chainFlags & kRegSpStart;
        if (Peek() != L'|') break;
        ++m_pos;
    }

    int ender = EmitNode(group ? kRegCloseGroup + static_cast<RegUnit>(groupNo) : kRegEnd);
    SetTail(first, ender);
    // Every alternative continues with the node after the alternatives.
    for (int node = first; node; node = Next(node)) SetOperandTail(node, ender);

    if (group) {
        if (Peek() != L')') {
            Fail(kRegErrUnterminatedGroup);
            m_failed = true;
            return 0;
        }
        ++m_pos;
    } else if (Peek() != 0) {
        Fail(Peek() == L')' ? kRegErrUnmatchedGroup : kRegErrJunk);
        m_failed = true;
        return 0;
    }
    return first;
}

// One alternative: an alternative node followed by a chain of pieces.
int CRegCompilerBase::ParseChain(int* flags)
{
    *flags = kRegWorst;
    int head = EmitNode(kRegAlternative);
    int last = 0;
    while (Peek() != 0 && Peek() != L'|' && Peek() != L')') {
        int pieceFlags = 0;
        int piece = ParsePiece(&pieceFlags);
        if (!piece) return 0;
        *flags |= pieceFlags & kRegHasWidth;
        if (!last)
            *flags |= pieceFlags & kRegSpStart;
        else
            SetTail(last, piece);
        last = piece;
    }
    if (!last) EmitNode(kRegEmpty);
    return head;
}

// An atom with an optional "*", "+" or "?".
int CRegCompilerBase::ParsePiece(int* flags)
{
    int atomFlags = 0;
    int atom = ParseAtom(&atomFlags);
    if (!atom) return 0;
    wchar_t op = Peek();
    if (!IsRepeatOp(op)) {
        *flags = atomFlags;
        return atom;
    }
    if (!(atomFlags & kRegHasWidth) && op != L'?') {
        Fail(kRegErrEmptyOperand);
        m_failed = true;
        return 0;
    }
    *flags = op != L'+' ? (kRegWorst | kRegSpStart) : (kRegWorst | kRegHasWidth);

    if (op == L'*' && (atomFlags & kRegSimple)) {
        InsertNode(kRegSimpleStar, atom);
    } else if (op == L'*') {
        // x* becomes: alternative (x, loop back to the alternative) or empty.
        InsertNode(kRegAlternative, atom);
        SetOperandTail(atom, EmitNode(kRegLoopBack));
        SetOperandTail(atom, atom);
        SetTail(atom, EmitNode(kRegAlternative));
        SetTail(atom, EmitNode(kRegEmpty));
    } else if (op == L'+' && (atomFlags & kRegSimple)) {
        InsertNode(kRegSimplePlus, atom);
    } else if (op == L'+') {
        // x+ becomes: x, then alternative (loop back to x) or empty.
        int loop = EmitNode(kRegAlternative);
        SetTail(atom, loop);
        SetTail(EmitNode(kRegLoopBack), atom);
        SetTail(loop, EmitNode(kRegAlternative));
        SetTail(atom, EmitNode(kRegEmpty));
    } else {
        // x? becomes: alternative (x) or empty.
        InsertNode(kRegAlternative, atom);
        SetTail(atom, EmitNode(kRegAlternative));
        int empty = EmitNode(kRegEmpty);
        SetTail(atom, empty);
        SetOperandTail(atom, empty);
    }
    ++m_pos;
    if (IsRepeatOp(Peek())) {
        Fail(kRegErrNested);
        m_failed = true;
        return 0;
    }
    return atom;
}

int CRegCompilerBase::ParseAtom(int* flags)
{
    *flags = kRegWorst;
    wchar_t c = Peek();
    switch (c) {
    case L'^': ++m_pos; return EmitNode(kRegStartOfText);
    case L'$': ++m_pos; return EmitNode(kRegEndOfText);
    case L'.':
        ++m_pos;
        *flags |= kRegHasWidth | kRegSimple;
        return EmitNode(kRegAny);
    case L'[': ++m_pos; return ParseSet(flags);
    case L'(': {
        ++m_pos;
        int groupFlags = 0;
        int node = ParseAlternatives(true, &groupFlags);
        if (!node) return 0;
        *flags |= groupFlags & (kRegHasWidth | kRegSpStart);
        return node;
    }
    case 0:
    case L'|':
    case L')':
        // The chain stops before these, so the parser never gets here.
        Fail(kRegErrUnexpected);
        m_failed = true;
        return 0;
    case L'*':
    case L'+':
    case L'?':
        Fail(kRegErrNothingBefore);
        m_failed = true;
        return 0;
    case L'\\':
        if (Peek(1) == 0) {
            Fail(kRegErrTrailingEscape);
            m_failed = true;
            return 0;
        }
        if (Peek(1) == L'<' || Peek(1) == L'>') {
            RegUnit op = Peek(1) == L'<' ? kRegWordStart : kRegWordEnd;
            m_pos += 2;
            return EmitNode(op);
        }
        return ParseRun(flags);
    default: return ParseRun(flags);
    }
}

// '[...]' or '[^...]'; the parse position is just after the "[".
int CRegCompilerBase::ParseSet(int* flags)
{
    int node;
    if (Peek() == L'^') {
        node = EmitNode(kRegAnyBut);
        ++m_pos;
    } else {
        node = EmitNode(kRegAnyOf);
    }
    if (Peek() == L']' || Peek() == L'-') {
        EmitChar(Peek());
        ++m_pos;
    }
    while (Peek() != 0 && Peek() != L']') {
        if (Peek() == L'-') {
            ++m_pos;
            if (Peek() == L']' || Peek() == 0) {
                EmitChar(L'-');
                continue;
            }
            // The range's first character was emitted already; add the rest.
            RegUnit from = static_cast<RegUnit>(m_pattern[m_pos - 2]);
            RegUnit to = static_cast<RegUnit>(Peek());
            if (from > to) {
                Fail(kRegErrBadRange);
                m_failed = true;
                return 0;
            }
            for (RegUnit ch = from + 1; ch <= to && ch > from; ++ch) EmitChar(ch);
            ++m_pos;
        } else {
            EmitChar(Peek());
            ++m_pos;
        }
    }
    EmitChar(0);
    if (Peek() != L']') {
        Fail(kRegErrUnmatchedSet);
        m_failed = true;
        return 0;
    }
    ++m_pos;
    *flags |= kRegHasWidth | kRegSimple;
    return node;
}

// A run of literal characters. The first character always belongs to the
// run; when a repetition follows a run of several characters, the last one
// is left for its own piece so that the operator applies to it alone.
int CRegCompilerBase::ParseRun(int* flags)
{
    int node = EmitNode(kRegLiteral);
    int count = 0;
    for (;;) {
        wchar_t c = Peek();
        if (c == 0) break;
        if (count > 0 && EndsRun(c)) break;
        size_t width = 1;
        wchar_t value = c;
        if (c == L'\\') {
            wchar_t escaped = Peek(1);
            if (escaped == 0 || escaped == L'<' || escaped == L'>') break;
            width = 2;
            value = escaped;
        }
        wchar_t after = m_pattern[m_pos + width];
        if (count > 0 && IsRepeatOp(after)) break;
        EmitChar(static_cast<RegUnit>(value));
        ++count;
        m_pos += width;
        if (IsRepeatOp(after)) break;
    }
    if (count == 0) {
        Fail(kRegErrEmptyRun);
        m_failed = true;
        return 0;
    }
    EmitChar(0);
    *flags |= kRegHasWidth;
    if (count == 1) *flags |= kRegSimple;
    return node;
}

// ---- Emitting pass -------------------------------------------------------------

CRegCompiler::CRegCompiler(std::vector<RegUnit>& buffer) : m_buffer(buffer)
{
    m_program = m_buffer.data();
    if (!m_buffer.empty()) m_buffer[0] = kRegMagic;
}

void CRegCompiler::EmitChar(RegUnit ch)
{
    if (m_end < m_buffer.size()) m_buffer[m_end] = ch;
    ++m_end;
}

int CRegCompiler::EmitNode(RegUnit opcode)
{
    size_t at = m_end;
    if (at + kRegNodeUnits <= m_buffer.size()) {
        m_buffer[at] = opcode;
        m_buffer[at + 1] = 0;
        m_buffer[at + 2] = 0;
    }
    m_end += kRegNodeUnits;
    return static_cast<int>(at);
}

void CRegCompiler::InsertNode(RegUnit opcode, int operand)
{
    size_t at = static_cast<size_t>(operand);
    if (m_end + kRegNodeUnits > m_buffer.size() || at > m_end) {
        m_end += kRegNodeUnits;  // the sizing pass already refused this
        return;
    }
    std::memmove(&m_buffer[at + kRegNodeUnits], &m_buffer[at], (m_end - at) * sizeof(RegUnit));
    m_end += kRegNodeUnits;
    m_buffer[at] = opcode;
    m_buffer[at + 1] = 0;
    m_buffer[at + 2] = 0;
}

void CRegCompiler::SetTail(int node, int target)
{
    if (!node) return;
    int last = node;
    for (int next = NextNode(m_program, last); next; next = NextNode(m_program, last)) last = next;
    RegUnit offset = m_buffer[static_cast<size_t>(last)] == kRegLoopBack ? static_cast<RegUnit>(last - target)
                                                                         : static_cast<RegUnit>(target - last);
    m_buffer[static_cast<size_t>(last) + 1] = offset;
}

void CRegCompiler::SetOperandTail(int node, int target)
{
    if (!node || m_buffer[static_cast<size_t>(node)] != kRegAlternative) return;
    SetTail(Operand(node), target);
}
