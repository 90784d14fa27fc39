// CGraphPreview: a graph without a writer, in which the source settings
// window plays a source in its video pane (through the system's video and
// audio renderers) and reads its audio streams.
#pragma once

#include "encoder/pipeline/GraphMain.h"

class CGraphPreview : public CGraphMain {
public:
    using CGraphMain::CGraphMain;

    void CloseGraph() override;
};
