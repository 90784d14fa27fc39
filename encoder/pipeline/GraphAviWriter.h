// CGraphAviWriter: the writer graph of AVI output. Its writer is the class
// given first to SetFormatGuids, configured with the settings' AVI codec
// block.
#pragma once

#include "encoder/pipeline/WriterGraph.h"

class CGraphAviWriter : public CWriterGraph {
public:
    using CWriterGraph::CWriterGraph;

protected:
    const CLSID* WriterClassId() const override { return m_pAviWriterClsid.get(); }
    const wchar_t* WriterName() const override { return kAviWriterName; }
    void ConfigureWriter(IBaseFilter* writer) override;
};
