#include "encoder/pipeline/GraphPreview.h"

void CGraphPreview::CloseGraph()
{
    Stop();
    CGraphMain::CloseGraph();
}
