// One compiled pattern and its matcher: leftmost-first, greedy backtracking
// over a wide text, recording up to ten sub-matches.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "RegCompiler.h"

class CRegProgram : public CRegErrorHandler {
public:
    // Compiles the pattern; flags non-zero asks for case-insensitive
    // matching. IsCompiled tells the outcome, the error text why not.
    CRegProgram(const wchar_t* pattern, int flags);
    // Adopts a program as it stands, without hints, and appends a zero
    // guard so that every operand string ends. Matching checks every node, so
    // a damaged program ends in an error, never in a stray read.
    explicit CRegProgram(std::vector<RegUnit> units);

    bool IsCompiled() const { return m_compiled; }
    // True when the pattern matches somewhere in the text. The sub-match
    // pointers point into the text, which must outlive them.
    bool Execute(const wchar_t* text);
    // After a successful match: the number of leading set sub-matches minus
    // one; after a failed one: -1.
    int GetSubCount() const { return m_subCount; }
    const wchar_t* SubStart(int i) const { return i >= 0 && i < kRegMaxSubs ? m_subStart[i] : nullptr; }
    const wchar_t* SubEnd(int i) const { return i >= 0 && i < kRegMaxSubs ? m_subEnd[i] : nullptr; }

    // Inspection of the compiled form (tests).
    const std::vector<RegUnit>& Units() const { return m_program; }
    int ProgramSize() const { return static_cast<int>(m_program.size()); }
    wchar_t FirstChar() const { return m_firstChar; }
    bool IsAnchored() const { return m_anchored; }
    // The literal run every match contains, or an empty text.
    std::wstring RequiredRun() const { return std::wstring(m_required, m_required + m_requiredLength); }

    // Rewrites a pattern for case-insensitive matching: outside sets every
    // cased letter c becomes "[Cc]".
    static std::wstring FoldCase(const wchar_t* pattern);

private:
    bool Attempt(const wchar_t* at);
    bool Run(int node, int depth);
    bool IsNode(int node) const;
    const RegUnit* OperandOf(int node) const;
    int Repeat(int node, const wchar_t* from, const wchar_t** end);

    std::vector<RegUnit> m_program;
    wchar_t m_firstChar = 0;
    bool m_anchored = false;
    const RegUnit* m_required = nullptr;
    size_t m_requiredLength = 0;
    bool m_compiled = false;
    int m_subCount = -1;
    const wchar_t* m_subStart[kRegMaxSubs] = {};
    const wchar_t* m_subEnd[kRegMaxSubs] = {};

    // Per match.
    const wchar_t* m_textStart = nullptr;
    const wchar_t* m_input = nullptr;
    int64_t m_budget = 0;
};
