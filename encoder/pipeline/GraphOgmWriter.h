// CGraphOgmWriter: the writer graph of OGM output. Its writer has a fixed
// class id and takes the settings' OGM codec block. It is also the client
// end of a worker channel (CPmsCon), closed before the graph goes; no
// channel is ever attached in this system.
#pragma once

#include "encoder/pipeline/PmsCon.h"
#include "encoder/pipeline/WriterGraph.h"

class CGraphOgmWriter : public CWriterGraph, public CPmsCon {
public:
    using CWriterGraph::CWriterGraph;
    ~CGraphOgmWriter() override;

protected:
    const CLSID* WriterClassId() const override { return &CLSID_HalvaneOgmWriter; }
    const wchar_t* WriterName() const override { return kOgmWriterName; }
    void ConfigureWriter(IBaseFilter* writer) override;

private:
    // The worker channel handed to the writer; stays empty here.
    IUnknown* m_pChannel = nullptr;
};
