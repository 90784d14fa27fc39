// CWriterGraph: what the four writer graphs share. Each adds one writer
// filter of hwriter.dll (else the component runtime's object of the same
// class) to the graph and configures it from the settings record; the
// output file is given to the writer before the source is rendered, the
// encoded position is the writer's, and closing stops the graph first.
#pragma once

#include "encoder/pipeline/GraphMain.h"
#include "encoder/pipeline/PreviewPaneSink.h"

class CWriterGraph : public CGraphMain {
public:
    using CGraphMain::CGraphMain;

    void CloseGraph() override;
    // Adds the writer. A writer that can be made neither from the module
    // nor through the component runtime fails the chain: the job cannot
    // make its file, and the streams must not end in players instead. With
    // a preview window, the writer shows its pictures there while its
    // preview is on.
    HRESULT Build(IGraphBuilder* graph) override;
    // The writer's file first (SetOutputFile), then the source.
    int Open(const CString& sourcePath, const CString& outputPath) override;
    // The writer's current position; 0 without a writer or its seeking.
    LONGLONG GetPosition() override;

    // Gives the writer its output file (IFileSinkFilter::SetFileName) and
    // keeps the path on success; E_POINTER without a path.
    HRESULT SetOutputFile(const CString& path);

protected:
    // The writer's class id (null when none is configured) and the name it
    // joins the graph under.
    virtual const CLSID* WriterClassId() const = 0;
    virtual const wchar_t* WriterName() const = 0;
    // The format interface and the writer settings, once the writer is in
    // the graph; their failures are ignored.
    virtual void ConfigureWriter(IBaseFilter* writer) = 0;

    // The settings every writer of a codec block takes: one or two passes
    // by the video mode, the frame rate when both values are set, and the
    // playback rate.
    void ConfigurePassesAndRates(IWriterSettings* settings, int videoEncMode);
    // The playback rate of the settings as the writer takes it.
    double PlaybackRate() const;

private:
    // Where the writer's preview pictures go: the preview window's pane,
    // made with the first job that has a preview window.
    ComPtr<PreviewPaneSink> m_pPreviewSink;
};
