// HVF.ax: the module serves one class, the video treatment filter.
#include "modules/common/ModuleClassTable.h"
#include "modules/hvf/VideoFilter.h"

namespace {

const ModuleClass kClasses[] = {
    {CLSID_HalvaneVideoFilter, CreateModuleObject<CVideoFilter>},
};

}  // namespace

RIVO_MODULE_EXPORTS(kClasses)
