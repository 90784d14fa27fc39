#include "SStmt.h"

namespace {

void Move(SStmt* node, std::vector<SStmt*>& out)
{
    if (node) out.push_back(node);
}

}  // namespace

void SStmtDeleter::operator()(SStmt* node) const
{
    // A work list instead of recursion: a list of a million statements or a
    // thousand nested blocks never deepens the stack.
    std::vector<SStmt*> pending;
    Move(node, pending);
    while (!pending.empty()) {
        SStmt* n = pending.back();
        pending.pop_back();
        n->ReleaseChildren(pending);
        delete n;
    }
}

void SStmt::ReleaseChildren(std::vector<SStmt*>& out) { Move(m_next.release(), out); }

void SStmtVar::ReleaseChildren(std::vector<SStmt*>& out)
{
    SStmt::ReleaseChildren(out);
    Move(m_index.release(), out);
}

void SStmtIf::ReleaseChildren(std::vector<SStmt*>& out)
{
    SStmt::ReleaseChildren(out);
    Move(m_condition.release(), out);
    Move(m_then.release(), out);
    Move(m_else.release(), out);
}

void SStmtVarDecl::ReleaseChildren(std::vector<SStmt*>& out)
{
    SStmt::ReleaseChildren(out);
    Move(m_var.release(), out);
}

void SStmtCompound::ReleaseChildren(std::vector<SStmt*>& out)
{
    SStmt::ReleaseChildren(out);
    Move(m_firstDecl.release(), out);
    Move(m_firstStmt.release(), out);
}

void SStmtFuncDecl::ReleaseChildren(std::vector<SStmt*>& out)
{
    SStmt::ReleaseChildren(out);
    Move(m_firstParam.release(), out);
    Move(m_body.release(), out);
}

void SStmtAssignment::ReleaseChildren(std::vector<SStmt*>& out)
{
    SStmt::ReleaseChildren(out);
    Move(m_target.release(), out);
    Move(m_value.release(), out);
}

void SStmtExpression::ReleaseChildren(std::vector<SStmt*>& out)
{
    SStmt::ReleaseChildren(out);
    Move(m_left.release(), out);
    Move(m_right.release(), out);
}

void SStmtReturn::ReleaseChildren(std::vector<SStmt*>& out)
{
    SStmt::ReleaseChildren(out);
    Move(m_value.release(), out);
}

void SStmtCall::ReleaseChildren(std::vector<SStmt*>& out)
{
    SStmt::ReleaseChildren(out);
    Move(m_firstArg.release(), out);
}
