// The maker's filter modules beside the program, as the program and the
// modules share them: HVF.ax (video treatment), HAF.ax (audio treatment),
// HSF.ax (sources) and hwriter.dll (writers). They are component servers
// loaded without registration (CreateObjectFromModule); the treatment
// filters and the writers may also come from the component runtime by the
// same class id, the sources only from HSF.ax. Each module family has a
// header of its own; this one gathers them.
#pragma once

#include "encoder/pipeline/AudioFilterControl.h"
#include "encoder/pipeline/SourceFilters.h"
#include "encoder/pipeline/VideoFilterControl.h"
#include "encoder/pipeline/WriterFilters.h"
