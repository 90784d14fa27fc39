// The compiler of the subtitle readers' small regular-expression language.
//
// A pattern becomes a program of units (one unit holds one wide character):
// unit 0 is the magic value, then nodes of three units each (opcode, offset
// to the next node, one spare unit) followed by their operand. Literal runs
// and character sets keep their characters as a NUL-ended string in the
// operand; an alternative or a repetition is followed by its sub-program.
//
// Compiling runs the same recursive-descent parser twice: a sizing pass
// (CRegValidator) that only counts units, then an emitting pass
// (CRegCompiler) that writes into a buffer of exactly that size.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

using RegUnit = uint32_t;

constexpr RegUnit kRegMagic = 0xFF9C;
constexpr int kRegNodeUnits = 3;
constexpr int kRegMaxUnits = 0x7FFF;  // a program of this many units or more is refused
constexpr int kRegMaxSubs = 10;       // sub-match 0 and nine groups

enum RegOpcode : RegUnit {
    kRegEnd = 0,
    kRegStartOfText = 1,
    kRegEndOfText = 2,
    kRegAny = 3,
    kRegAnyOf = 4,
    kRegAnyBut = 5,
    kRegAlternative = 6,
    kRegLoopBack = 7,
    kRegLiteral = 8,
    kRegEmpty = 9,
    kRegSimpleStar = 10,
    kRegSimplePlus = 11,
    kRegWordStart = 12,
    kRegWordEnd = 13,
    kRegOpenGroup = 20,   // + group number 1..9
    kRegCloseGroup = 30,  // + group number 1..9
};

// Error codes; RegErrorText gives their texts.
enum RegError {
    kRegErrNullText = 1,
    kRegErrCorrupted = 2,
    kRegErrCorruption = 3,
    kRegErrPointers = 4,
    kRegErrRepeat = 5,
    kRegErrOpcode = 6,
    kRegErrSubNull = 7,
    kRegErrSubDamaged = 8,
    kRegErrSubString = 9,
    kRegErrNullPattern = 10,
    kRegErrTooBig = 11,
    kRegErrTooManyGroups = 12,
    kRegErrUnterminatedGroup = 13,
    kRegErrUnmatchedGroup = 14,
    kRegErrJunk = 15,
    kRegErrEmptyOperand = 16,
    kRegErrNested = 17,
    kRegErrBadRange = 18,
    kRegErrUnmatchedSet = 19,
    kRegErrUnexpected = 20,
    kRegErrNothingBefore = 21,
    kRegErrTrailingEscape = 22,
    kRegErrEmptyRun = 23,
    kRegErrNoProgram = 24,
};

const wchar_t* RegErrorText(int code);

// Keeps the text (and code) of the last error.
class CRegErrorHandler {
public:
    void SetError(int code)
    {
        m_errorCode = code;
        m_errorText = RegErrorText(code);
    }
    void ClearError()
    {
        m_errorCode = 0;
        m_errorText.Empty();
    }
    int GetErrorCode() const { return m_errorCode; }
    const CString& GetErrorText() const { return m_errorText; }
    bool HasError() const { return m_errorCode != 0; }

private:
    int m_errorCode = 0;
    CString m_errorText;
};

// Knows the program buffer and steps from node to node. Without a buffer
// (the sizing pass) every step ends the chain.
class CRegProgramAccessor {
public:
    static RegUnit Opcode(const RegUnit* program, int node) { return program[node]; }
    static int Operand(int node) { return node + kRegNodeUnits; }
    // The following node, or 0 when there is none.
    static int NextNode(const RegUnit* program, int node);

protected:
    RegUnit* m_program = nullptr;
};

// Flags the parser passes up about what it has parsed.
enum RegParseFlags {
    kRegWorst = 0,
    kRegHasWidth = 1,  // never matches the empty string
    kRegSimple = 2,    // exactly one character: fit for a simple star or plus
    kRegSpStart = 4,   // starts with a star or plus
};

class CRegCompilerBase {
public:
    virtual ~CRegCompilerBase() = default;

    // Parses the whole pattern; returns false with the error set.
    bool Parse(const wchar_t* pattern);
    // What the parser found about the whole pattern (RegParseFlags).
    int TopFlags() const { return m_topFlags; }

protected:
    // The five emit operations, in this order; places are unit indexes, 0
    // means none.
    virtual void EmitChar(RegUnit ch) = 0;
    virtual int EmitNode(RegUnit opcode) = 0;
    virtual void InsertNode(RegUnit opcode, int operand) = 0;
    virtual void SetTail(int node, int target) = 0;
    virtual void SetOperandTail(int node, int target) = 0;

    // Reports a syntax error to the pass's error handler.
    virtual void Fail(int code) = 0;
    // The node after a node (0 in the sizing pass).
    virtual int Next(int node) const = 0;

private:
    int ParseAlternatives(bool group, int* flags);
    int ParseChain(int* flags);
    int ParsePiece(int* flags);
    int ParseAtom(int* flags);
    int ParseSet(int* flags);
    int ParseRun(int* flags);

    wchar_t Peek(int ahead = 0) const;

    const wchar_t* m_pattern = nullptr;
    size_t m_pos = 0;
    int m_groupCount = 1;
    bool m_failed = false;
    int m_topFlags = 0;
};

// The sizing pass: counts the units the program needs (the magic unit
// included).
class CRegValidator : public CRegCompilerBase, public CRegProgramAccessor, public CRegErrorHandler {
public:
    int64_t Size() const { return m_size; }

protected:
    void EmitChar(RegUnit) override { ++m_size; }
    int EmitNode(RegUnit) override
    {
        m_size += kRegNodeUnits;
        return 1;  // any place but "none"
    }
    void InsertNode(RegUnit, int) override { m_size += kRegNodeUnits; }
    void SetTail(int, int) override {}
    void SetOperandTail(int, int) override {}
    void Fail(int code) override { SetError(code); }
    int Next(int) const override { return 0; }

private:
    int64_t m_size = 1;
};

// The emitting pass: writes the program into a buffer sized by the
// validator.
class CRegCompiler : public CRegCompilerBase, public CRegProgramAccessor, public CRegErrorHandler {
public:
    explicit CRegCompiler(std::vector<RegUnit>& buffer);

protected:
    void EmitChar(RegUnit ch) override;
    int EmitNode(RegUnit opcode) override;
    void InsertNode(RegUnit opcode, int operand) override;
    void SetTail(int node, int target) override;
    void SetOperandTail(int node, int target) override;
    void Fail(int code) override { SetError(code); }
    int Next(int node) const override { return NextNode(m_program, node); }

private:
    std::vector<RegUnit>& m_buffer;
    size_t m_end = 1;  // the next free unit
};
