// CGraphMp4Writer: the writer graph of MP4 output, with the PSP handheld's
// rules: its writer is the class given second to SetFormatGuids, configured
// with the settings' MP4 codec block; the frame rate of a PSP file is 15 or
// 30 frames per second, and the sample rate follows the audio bit rate (and
// for the PSP the video codec).
#pragma once

#include "encoder/pipeline/WriterGraph.h"

class CGraphMp4Writer : public CWriterGraph {
public:
    using CWriterGraph::CWriterGraph;

    // The base chain, then the sample-rate rules.
    BOOL BuildFilterChain(SourceTypeCode sourceType, CWnd* previewWindow, CWnd* ownerWindow) override;
    HRESULT Stop() override;

protected:
    const CLSID* WriterClassId() const override { return m_pMp4WriterClsid.get(); }
    const wchar_t* WriterName() const override { return kMp4WriterName; }
    void ConfigureWriter(IBaseFilter* writer) override;
};
