// CGraphAsfWriter: the writer graph of Windows Media (ASF) output. Its
// writer is the class given third to SetFormatGuids; it takes no codec
// block but a Windows Media profile made once the source is rendered (one
// stream per connected writer input), and the sound is always asked for at
// 48000 Hz.
#pragma once

#include "encoder/pipeline/WriterGraph.h"

class CGraphAsfWriter : public CWriterGraph {
public:
    using CWriterGraph::CWriterGraph;

    // The base chain, then 48000 Hz.
    BOOL BuildFilterChain(SourceTypeCode sourceType, CWnd* previewWindow, CWnd* ownerWindow) override;
    // The base, then the writer's profile.
    BOOL ConfigureAfterRender(int flags) override;

protected:
    const CLSID* WriterClassId() const override { return m_pAsfWriterClsid.get(); }
    const wchar_t* WriterName() const override { return kAsfWriterName; }
    void ConfigureWriter(IBaseFilter* writer) override;
};
