// The syntax tree of the skin script language. Every node owns the nodes it
// points to and the node that follows it in its list; deleting a node takes
// its whole tree apart without recursion, however long its lists or deep its
// nesting.
#pragma once

#include <memory>
#include <vector>

#include "HXSVal.h"
#include "platform/win32/CString.h"

class SStmt;

// Deletes a node with everything it owns, iteratively.
struct SStmtDeleter {
    void operator()(SStmt* node) const;
};
template <class T>
using SStmtPtr = std::unique_ptr<T, SStmtDeleter>;

enum SStmtKind {
    STMT_IF = 1,
    STMT_VAR = 3,
    STMT_VAR_DECL = 4,
    STMT_FUNC_DECL = 5,
    STMT_ASSIGNMENT = 6,
    STMT_EXPRESSION = 7,
    STMT_COMPOUND = 8,
    STMT_RETURN = 9,
    STMT_CALL = 10,
};

enum SStmtOperator {
    OP_LITERAL = 0,
    OP_EQ = 1,
    OP_NE = 2,
    OP_LE = 3,
    OP_GE = 4,
    OP_LT = 5,
    OP_GT = 6,
    OP_ADD = 7,
    OP_SUB = 8,
    OP_MUL = 9,
    OP_DIV = 10,
    OP_MOD = 11,
    OP_NOT = 12,
    OP_NEG = 13,
};

// Return forms of SStmtReturn.
constexpr int RETURN_WITH_VALUE = 0;
constexpr int RETURN_NO_VALUE = 4;

class SStmt {
public:
    explicit SStmt(int kind) : m_kind(kind) {}
    virtual ~SStmt() = default;
    SStmt(const SStmt&) = delete;
    SStmt& operator=(const SStmt&) = delete;

    // Moves every node this one owns (its next node included) to the list,
    // leaving it owning none.
    virtual void ReleaseChildren(std::vector<SStmt*>& out);

    int m_kind;
    SStmtPtr<SStmt> m_next;
    int m_line = -1;
    int m_column = -1;
};

class SStmtVar : public SStmt {
public:
    SStmtVar() : SStmt(STMT_VAR) {}
    void ReleaseChildren(std::vector<SStmt*>& out) override;

    CString m_name;
    SStmtPtr<SStmt> m_index;  // the expression between brackets; may be absent
};

class SStmtIf : public SStmt {
public:
    SStmtIf() : SStmt(STMT_IF) {}
    void ReleaseChildren(std::vector<SStmt*>& out) override;

    SStmtPtr<SStmt> m_condition;
    SStmtPtr<SStmt> m_then;  // absent for an empty statement
    SStmtPtr<SStmt> m_else;
};

class SStmtVarDecl : public SStmt {
public:
    SStmtVarDecl() : SStmt(STMT_VAR_DECL) {}
    void ReleaseChildren(std::vector<SStmt*>& out) override;

    int m_type = HXSVAL_UNDEFINED;  // 1 double, 2 string, 3 int, 4 void
    SStmtPtr<SStmtVar> m_var;
};

class SStmtCompound : public SStmt {
public:
    SStmtCompound() : SStmt(STMT_COMPOUND) {}
    void ReleaseChildren(std::vector<SStmt*>& out) override;

    SStmtPtr<SStmt> m_firstDecl;  // SStmtVarDecl nodes
    SStmtPtr<SStmt> m_firstStmt;
};

class SStmtFuncDecl : public SStmt {
public:
    SStmtFuncDecl() : SStmt(STMT_FUNC_DECL) {}
    void ReleaseChildren(std::vector<SStmt*>& out) override;

    int m_returnType = HXSVAL_UNDEFINED;
    CString m_name;
    SStmtPtr<SStmt> m_firstParam;  // SStmtVarDecl nodes
    SStmtPtr<SStmtCompound> m_body;
};

class SStmtAssignment : public SStmt {
public:
    SStmtAssignment() : SStmt(STMT_ASSIGNMENT) {}
    void ReleaseChildren(std::vector<SStmt*>& out) override;

    SStmtPtr<SStmtVar> m_target;
    SStmtPtr<SStmt> m_value;
};

class SStmtExpression : public SStmt {
public:
    SStmtExpression() : SStmt(STMT_EXPRESSION) {}
    void ReleaseChildren(std::vector<SStmt*>& out) override;

    int m_operator = OP_LITERAL;
    SStmtPtr<SStmt> m_left;  // absent for unary operators
    SStmtPtr<SStmt> m_right;
    std::unique_ptr<HXSVal> m_constant;  // only for a literal
};

class SStmtReturn : public SStmt {
public:
    SStmtReturn() : SStmt(STMT_RETURN) {}
    void ReleaseChildren(std::vector<SStmt*>& out) override;

    int m_form = RETURN_NO_VALUE;
    SStmtPtr<SStmt> m_value;
};

class SStmtCall : public SStmt {
public:
    SStmtCall() : SStmt(STMT_CALL) {}
    void ReleaseChildren(std::vector<SStmt*>& out) override;

    CString m_name;
    SStmtPtr<SStmt> m_firstArg;
};
