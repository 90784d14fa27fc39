#include "skin/ClipScopes.h"

#include <algorithm>

DibClipScope::DibClipScope(HDib* dib, const RECT& rect) : m_pDib(dib)
{
    if (!m_pDib) return;
    m_bHadClip = m_pDib->GetClipRect(&m_rcOld);
    RECT clip = rect;
    if (m_bHadClip) {
        clip.left = std::max(clip.left, m_rcOld.left);
        clip.top = std::max(clip.top, m_rcOld.top);
        clip.right = std::min(clip.right, m_rcOld.right);
        clip.bottom = std::min(clip.bottom, m_rcOld.bottom);
    }
    m_pDib->SetClipRect(&clip);
}

DibClipScope::~DibClipScope()
{
    if (m_pDib) m_pDib->SetClipRect(m_bHadClip ? &m_rcOld : nullptr);
}

DcClipScope::DcClipScope(HDC dc, const HDib* dib) : m_hDC(dc)
{
    RECT clip;
    if (!m_hDC || !dib || !dib->GetClipRect(&clip)) return;
    m_nSaved = SaveDC(m_hDC);
    IntersectClipRect(m_hDC, clip.left, clip.top, clip.right, clip.bottom);
}

DcClipScope::~DcClipScope()
{
    if (m_nSaved) RestoreDC(m_hDC, m_nSaved);
}
