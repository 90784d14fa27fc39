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

    bool IsCompiled() const { return compiled_; }
    // True when the pattern matches somewhere in the text. The sub-match
    // pointers point into the text, which must outlive them.
    bool Execute(const wchar_t* text);
    // After a successful match: the number of leading set sub-matches minus
    // one; after a failed one: -1.
    int GetSubCount() const { return subCount_; }
    const wchar_t* SubStart(int i) const { return i >= 0 && i < kRegMaxSubs ? subStart_[i] : nullptr; }
    const wchar_t* SubEnd(int i) const { return i >= 0 && i < kRegMaxSubs ? subEnd_[i] : nullptr; }

    // Inspection of the compiled form (tests).
    const std::vector<RegUnit>& Units() const { return program_; }
    int ProgramSize() const { return static_cast<int>(program_.size()); }
    wchar_t FirstChar() const { return firstChar_; }
    bool IsAnchored() const { return anchored_; }
    // The literal run every match contains, or an empty text.
    std::wstring RequiredRun() const { return std::wstring(required_, required_ + requiredLength_); }

    // Rewrites a pattern for case-insensitive matching: outside sets every
    // cased letter c becomes "[Cc]".
    static std::wstring FoldCase(const wchar_t* pattern);

private:
    bool Attempt(const wchar_t* at);
    bool Run(int node, int depth);
    bool IsNode(int node) const;
    const RegUnit* OperandOf(int node) const;
    int Repeat(int node, const wchar_t* from, const wchar_t** end);

    std::vector<RegUnit> program_;
    wchar_t firstChar_ = 0;
    bool anchored_ = false;
    const RegUnit* required_ = nullptr;
    size_t requiredLength_ = 0;
    bool compiled_ = false;
    int subCount_ = -1;
    const wchar_t* subStart_[kRegMaxSubs] = {};
    const wchar_t* subEnd_[kRegMaxSubs] = {};

    // Per match.
    const wchar_t* textStart_ = nullptr;
    const wchar_t* input_ = nullptr;
    int64_t budget_ = 0;
};
