#include "CoreEnvironment.h"

#include "foundation/PathHelpers.h"

CCoreEnvironment& CCoreEnvironment::Get()
{
    static CCoreEnvironment environment;
    return environment;
}

CString CCoreEnvironment::ProgramFolder() const
{
    return m_sProgramFolder.IsEmpty() ? GetModuleDirectory() : m_sProgramFolder;
}

void CCoreEnvironment::SetProgramFolder(const CString& folder)
{
    m_sProgramFolder = folder;
    if (!m_sProgramFolder.IsEmpty() && !IsPathSeparator(m_sProgramFolder[m_sProgramFolder.GetLength() - 1]))
        m_sProgramFolder += L'/';
}
