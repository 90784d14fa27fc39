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
    program_.assign(static_cast<size_t>(sizing.Size()), 0);
    CRegCompiler emitting(program_);
    if (!emitting.Parse(pattern)) {
        SetError(emitting.GetErrorCode());
        program_.clear();
        return;
    }

    // Hints that spare most attempts; only for a single top-level alternative.
    const RegUnit* p = program_.data();
    int first = 1;
    int next = CRegProgramAccessor::NextNode(p, first);
    if (next && p[next] == kRegEnd) {
        int head = CRegProgramAccessor::Operand(first);
        if (p[head] == kRegLiteral)
            firstChar_ = static_cast<wchar_t>(p[CRegProgramAccessor::Operand(head)]);
        else if (p[head] == kRegStartOfText)
            anchored_ = true;
        if (sizing.TopFlags() & kRegSpStart) {
            for (int node = head; node; node = CRegProgramAccessor::NextNode(p, node)) {
                if (p[node] != kRegLiteral) continue;
                const RegUnit* run = p + CRegProgramAccessor::Operand(node);
                size_t len = RunLength(run);
                if (len >= requiredLength_) {
                    required_ = run;
                    requiredLength_ = len;
                }
            }
        }
    }
    compiled_ = true;
}

CRegProgram::CRegProgram(std::vector<RegUnit> units) : program_(std::move(units)), compiled_(true)
{
    program_.insert(program_.end(), kRegNodeUnits, 0);
}

bool CRegProgram::IsNode(int node) const
{
    return node >= 1 && static_cast<size_t>(node) + kRegNodeUnits <= program_.size();
}

// The operand of a node; an empty string when it would lie past the program.
const RegUnit* CRegProgram::OperandOf(int node) const
{
    static const RegUnit kNone[1] = {0};
    size_t at = static_cast<size_t>(CRegProgramAccessor::Operand(node));
    return node >= 1 && at < program_.size() ? &program_[at] : kNone;
}

bool CRegProgram::Execute(const wchar_t* text)
{
    ClearError();
    subCount_ = -1;
    if (!text) {
        SetError(kRegErrNullText);
        return false;
    }
    if (program_.empty() || program_[0] != kRegMagic) {
        SetError(kRegErrCorrupted);
        return false;
    }

    size_t length = std::wcslen(text);
    if (required_) {
        std::wstring run(required_, required_ + requiredLength_);
        if (!std::wcsstr(text, run.c_str())) return false;
    }

    textStart_ = text;
    budget_ = kStepsBase + kStepsPerChar * static_cast<int64_t>(length + 1);
    bool found = false;
    if (anchored_) {
        found = Attempt(text);
    } else if (firstChar_) {
        for (const wchar_t* s = std::wcschr(text, firstChar_); s && !found && budget_ > 0;
             s = std::wcschr(s + 1, firstChar_))
            found = Attempt(s);
    } else {
        for (const wchar_t* s = text;; ++s) {
            if (Attempt(s)) {
                found = true;
                break;
            }
            if (*s == 0 || budget_ <= 0) break;
        }
    }
    if (found) {
        subCount_ = 0;
        while (subCount_ < kRegMaxSubs && subStart_[subCount_]) ++subCount_;
        --subCount_;
    }
    return found;
}

bool CRegProgram::Attempt(const wchar_t* at)
{
    for (int i = 0; i < kRegMaxSubs; ++i) subStart_[i] = subEnd_[i] = nullptr;
    input_ = at;
    if (!Run(1, 0)) return false;
    subStart_[0] = at;
    subEnd_[0] = input_;
    return true;
}

// Runs the program from a node against the current input; on success the
// input stands after the matched text.
bool CRegProgram::Run(int node, int depth)
{
    if (depth > kMaxDepth) return false;
    const RegUnit* p = program_.data();
    while (node) {
        if (--budget_ < 0) return false;
        if (!IsNode(node)) break;
        int next = CRegProgramAccessor::NextNode(p, node);
        const RegUnit* operand = OperandOf(node);
        RegUnit op = p[node];
        switch (op) {
        case kRegStartOfText:
            if (input_ != textStart_) return false;
            break;
        case kRegEndOfText:
            if (*input_ != 0) return false;
            break;
        case kRegAny:
            if (*input_ == 0) return false;
            ++input_;
            break;
        case kRegAnyOf:
            if (*input_ == 0 || !InOperand(operand, *input_)) return false;
            ++input_;
            break;
        case kRegAnyBut:
            if (*input_ == 0 || InOperand(operand, *input_)) return false;
            ++input_;
            break;
        case kRegLiteral: {
            size_t i = 0;
            for (; operand[i]; ++i)
                if (static_cast<RegUnit>(input_[i]) != operand[i]) return false;
            input_ += i;
            break;
        }
        case kRegEmpty:
        case kRegLoopBack:
            break;
        case kRegWordStart:
            if (!IsWordChar(*input_) || (input_ > textStart_ && IsWordChar(input_[-1]))) return false;
            break;
        case kRegWordEnd:
            if (IsWordChar(*input_)) return false;
            break;
        case kRegAlternative: {
            if (!next || !IsNode(next) || p[next] != kRegAlternative) {
                next = CRegProgramAccessor::Operand(node);  // the only choice
                break;
            }
            const wchar_t* save = input_;
            for (int alt = node; IsNode(alt) && p[alt] == kRegAlternative; alt = CRegProgramAccessor::NextNode(p, alt)) {
                if (Run(CRegProgramAccessor::Operand(alt), depth + 1)) return true;
                input_ = save;
                if (budget_ < 0) return false;
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
            const wchar_t* save = input_;
            const wchar_t* end = nullptr;
            int count = Repeat(CRegProgramAccessor::Operand(node), save, &end);
            if (count < 0) return false;
            while (count >= least) {
                if (--budget_ < 0) return false;
                if (following == 0 || static_cast<RegUnit>(save[count]) == following) {
                    input_ = save + count;
                    if (Run(next, depth + 1)) return true;
                }
                --count;
            }
            input_ = save;
            return false;
        }
        case kRegEnd:
            return true;
        default:
            if (op > kRegOpenGroup && op < kRegOpenGroup + kRegMaxSubs) {
                int slot = static_cast<int>(op - kRegOpenGroup);
                const wchar_t* save = input_;
                if (!Run(next, depth + 1)) return false;
                if (!subStart_[slot]) subStart_[slot] = save;
                return true;
            }
            if (op > kRegCloseGroup && op < kRegCloseGroup + kRegMaxSubs) {
                int slot = static_cast<int>(op - kRegCloseGroup);
                const wchar_t* save = input_;
                if (!Run(next, depth + 1)) return false;
                if (!subEnd_[slot]) subEnd_[slot] = save;
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
    const RegUnit* p = program_.data();
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
    default:
        SetError(kRegErrRepeat);
        return -1;
    }
    *end = s;
    budget_ -= (s - from) / 16;
    return static_cast<int>(s - from);
}
