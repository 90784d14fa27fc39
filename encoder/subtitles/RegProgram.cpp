#include "RegProgram.h"

#include <cwchar>

namespace {

// Pathological patterns and texts must not hang the reader or exhaust the
// stack: a match gives up (no match) after this many node steps per text
// character, or when backtracking nests this deep. Patterns used on real
// subtitle text stay far below both.
constexpr int64_t kStepsPerChar = 64;
constexpr int64_t kStepsBase = 4096;
constexpr int kMaxDepth = 500;

bool IsCased(wchar_t c) { return ToUpperChar(c) != c || ToLowerChar(c) != c; }

bool IsWordChar(wchar_t c)
{
    if (c == L'_') return true;
    if ((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) return true;
    return c >= 0x80 && IsCased(c);
}

bool InOperand(const RegUnit* set, wchar_t c)
{
    for (; *set; ++set)
        if (*set == static_cast<RegUnit>(c)) return true;
    return false;
}

size_t RunLength(const RegUnit* run)
{
    size_t n = 0;
    while (run[n]) ++n;
    return n;
}

}  // namespace

std::wstring CRegProgram::FoldCase(const wchar_t* pattern)
{
    std::wstring out;
    bool inSet = false;
    size_t setStart = 0;  // index in the pattern of the first member position
    for (size_t i = 0; pattern[i]; ++i) {
        wchar_t c = pattern[i];
        if (inSet) {
            out += c;
            // A "]" directly after "[" or "[^" is a member.
            if (c == L']' && i != setStart) inSet = false;
            continue;
        }
        if (c == L'[') {
            inSet = true;
            out += c;
            setStart = i + 1;
            if (pattern[setStart] == L'^') {
                out += L'^';
                ++i;
                ++setStart;
            }
            continue;
        }
        if (c == L'\\' && pattern[i + 1]) {
            wchar_t escaped = pattern[i + 1];
            if (IsCased(escaped)) {
                out += L'[';
                out += ToUpperChar(escaped);
                out += ToLowerChar(escaped);
                out += L']';
            } else {
                out += c;
                out += escaped;
            }
            ++i;
            continue;
        }
        if (IsCased(c)) {
            out += L'[';
            out += ToUpperChar(c);
            out += ToLowerChar(c);
            out += L']';
            continue;
        }
        out += c;
    }
    return out;
}

CRegProgram::CRegProgram(const wchar_t* pattern, int flags)
{
    ClearError();
    if (!pattern) {
        SetError(kRegErrNullPattern);
        return;
    }
    std::wstring folded;
    if (flags) {
        folded = FoldCase(pattern);
        pattern = folded.c_str();
    }

    CRegValidator sizing;
    if (!sizing.Parse(pattern)) {
        SetError(sizing.GetErrorCode());
        return;
    }
    if (sizing.Size() >= kRegMaxUnits) {
        SetError(kRegErrTooBig);
        return;
    }
    m_program.assign(static_cast<size_t>(sizing.Size()), 0);
    CRegCompiler emitting(m_program);
    if (!emitting.Parse(pattern)) {
        SetError(emitting.GetErrorCode());
        m_program.clear();
        return;
    }

    // Hints that spare most attempts; only for a single top-level alternative.
    const RegUnit* p = m_program.data();
    int first = 1;
    int next = CRegProgramAccessor::NextNode(p, first);
    if (next && p[next] == kRegEnd) {
        int head = CRegProgramAccessor::Operand(first);
        if (p[head] == kRegLiteral)
            m_firstChar = static_cast<wchar_t>(p[CRegProgramAccessor::Operand(head)]);
        else if (p[head] == kRegStartOfText)
            m_anchored = true;
        if (sizing.TopFlags() & kRegSpStart) {
            for (int node = head; node; node = CRegProgramAccessor::NextNode(p, node)) {
                if (p[node] != kRegLiteral) continue;
                const RegUnit* run = p + CRegProgramAccessor::Operand(node);
                size_t len = RunLength(run);
                if (len >= m_requiredLength) {
                    m_required = run;
                    m_requiredLength = len;
                }
            }
        }
    }
    m_compiled = true;
}

CRegProgram::CRegProgram(std::vector<RegUnit> units) : m_program(std::move(units)), m_compiled(true)
{
    m_program.insert(m_program.end(), kRegNodeUnits, 0);
}

bool CRegProgram::IsNode(int node) const
{
    return node >= 1 && static_cast<size_t>(node) + kRegNodeUnits <= m_program.size();
}

// The operand of a node; an empty string when it would lie past the program.
const RegUnit* CRegProgram::OperandOf(int node) const
{
    static const RegUnit kNone[1] = {0};
    size_t at = static_cast<size_t>(CRegProgramAccessor::Operand(node));
    return node >= 1 && at < m_program.size() ? &m_program[at] : kNone;
}

bool CRegProgram::Execute(const wchar_t* text)
{
    ClearError();
    m_subCount = -1;
    if (!text) {
        SetError(kRegErrNullText);
        return false;
    }
    if (m_program.empty() || m_program[0] != kRegMagic) {
        SetError(kRegErrCorrupted);
        return false;
    }

    size_t length = std::wcslen(text);
    if (m_required) {
        std::wstring run(m_required, m_required + m_requiredLength);
        if (!std::wcsstr(text, run.c_str())) return false;
    }

    m_textStart = text;
    m_budget = kStepsBase + kStepsPerChar * static_cast<int64_t>(length + 1);
    bool found = false;
    if (m_anchored) {
        found = Attempt(text);
    } else if (m_firstChar) {
        for (const wchar_t* s = std::wcschr(text, m_firstChar); s && !found && m_budget > 0;
             s = std::wcschr(s + 1, m_firstChar))
            found = Attempt(s);
    } else {
        for (const wchar_t* s = text;; ++s) {
            if (Attempt(s)) {
                found = true;
                break;
            }
            if (*s == 0 || m_budget <= 0) break;
        }
    }
    if (found) {
        m_subCount = 0;
        while (m_subCount < kRegMaxSubs && m_subStart[m_subCount]) ++m_subCount;
        --m_subCount;
    }
    return found;
}

bool CRegProgram::Attempt(const wchar_t* at)
{
    for (int i = 0; i < kRegMaxSubs; ++i) m_subStart[i] = m_subEnd[i] = nullptr;
    m_input = at;
    if (!Run(1, 0)) return false;
    m_subStart[0] = at;
    m_subEnd[0] = m_input;
    return true;
}

// Runs the program from a node against the current input; on success the
// input stands after the matched text.
bool CRegProgram::Run(int node, int depth)
{
    if (depth > kMaxDepth) return false;
    const RegUnit* p = m_program.data();
    while (node) {
        if (--m_budget < 0) return false;
        if (!IsNode(node)) break;
        int next = CRegProgramAccessor::NextNode(p, node);
        const RegUnit* operand = OperandOf(node);
        RegUnit op = p[node];
        switch (op) {
        case kRegStartOfText:
            if (m_input != m_textStart) return false;
            break;
        case kRegEndOfText:
            if (*m_input != 0) return false;
            break;
        case kRegAny:
            if (*m_input == 0) return false;
            ++m_input;
            break;
        case kRegAnyOf:
            if (*m_input == 0 || !InOperand(operand, *m_input)) return false;
            ++m_input;
            break;
        case kRegAnyBut:
            if (*m_input == 0 || InOperand(operand, *m_input)) return false;
            ++m_input;
            break;
        case kRegLiteral: {
            size_t i = 0;
            for (; operand[i]; ++i)
                if (static_cast<RegUnit>(m_input[i]) != operand[i]) return false;
            m_input += i;
            break;
        }
        case kRegEmpty:
        case kRegLoopBack: break;
        case kRegWordStart:
            if (!IsWordChar(*m_input) || (m_input > m_textStart && IsWordChar(m_input[-1]))) return false;
            break;
        case kRegWordEnd:
            if (IsWordChar(*m_input)) return false;
            break;
        case kRegAlternative: {
            if (!next || !IsNode(next) || p[next] != kRegAlternative) {
                next = CRegProgramAccessor::Operand(node);  // the only choice
                break;
            }
            const wchar_t* save = m_input;
            for (int alt = node; IsNode(alt) && p[alt] == kRegAlternative;
                 alt = CRegProgramAccessor::NextNode(p, alt)) {
                if (Run(CRegProgramAccessor::Operand(alt), depth + 1)) return true;
                m_input = save;
                if (m_budget < 0) return false;
            }
            return false;
        }
        case kRegSimpleStar:
        case kRegSimplePlus: {
            // Take as many as possible, then give back one at a time; when a
            // literal follows, only try where its first character stands.
            RegUnit following = 0;
            if (IsNode(next) && p[next] == kRegLiteral) following = OperandOf(next)[0];
            int least = op == kRegSimpleStar ? 0 : 1;
            const wchar_t* save = m_input;
            const wchar_t* end = nullptr;
            int count = Repeat(CRegProgramAccessor::Operand(node), save, &end);
            if (count < 0) return false;
            while (count >= least) {
                if (--m_budget < 0) return false;
                if (following == 0 || static_cast<RegUnit>(save[count]) == following) {
                    m_input = save + count;
                    if (Run(next, depth + 1)) return true;
                }
                --count;
            }
            m_input = save;
            return false;
        }
        case kRegEnd: return true;
        default:
            if (op > kRegOpenGroup && op < kRegOpenGroup + kRegMaxSubs) {
                int slot = static_cast<int>(op - kRegOpenGroup);
                const wchar_t* save = m_input;
                if (!Run(next, depth + 1)) return false;
                if (!m_subStart[slot]) m_subStart[slot] = save;
                return true;
            }
            if (op > kRegCloseGroup && op < kRegCloseGroup + kRegMaxSubs) {
                int slot = static_cast<int>(op - kRegCloseGroup);
                const wchar_t* save = m_input;
                if (!Run(next, depth + 1)) return false;
                if (!m_subEnd[slot]) m_subEnd[slot] = save;
                return true;
            }
            SetError(kRegErrCorruption);
            return false;
        }
        node = next;
    }
    SetError(kRegErrPointers);
    return false;
}

// How many characters from `from` the one-character operand of a simple
// star or plus node matches; -1 for an operand that is not one character.
int CRegProgram::Repeat(int node, const wchar_t* from, const wchar_t** end)
{
    const RegUnit* p = m_program.data();
    if (!IsNode(node)) {
        SetError(kRegErrRepeat);
        return -1;
    }
    const RegUnit* operand = OperandOf(node);
    const wchar_t* s = from;
    switch (p[node]) {
    case kRegAny:
        while (*s) ++s;
        break;
    case kRegLiteral:
        while (*s && static_cast<RegUnit>(*s) == operand[0]) ++s;
        break;
    case kRegAnyOf:
        while (*s && InOperand(operand, *s)) ++s;
        break;
    case kRegAnyBut:
        while (*s && !InOperand(operand, *s)) ++s;
        break;
    default: SetError(kRegErrRepeat); return -1;
    }
    *end = s;
    m_budget -= (s - from) / 16;
    return static_cast<int>(s - from);
}
