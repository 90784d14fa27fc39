// The maker's filter modules beside the program, as the program and the
// modules share them: HVF.ax (video treatment), HAF.ax (audio treatment),
// HSF.ax (sources) and hwriter.dll (writers). They are component servers
// loaded without registration (CreateObjectFromModule); the treatment
// filters and the writers may also come from the component runtime by the
// same class id, the sources only from HSF.ax. Each module family has a
// header of its own; this one gathers them.
#pragma once

#include "modules/api/AudioFilterControl.h"
#include "modules/api/SourceFilters.h"
#include "modules/api/VideoFilterControl.h"
#include "modules/api/WriterFilters.h"
