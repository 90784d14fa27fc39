// HAF.ax: the module of the audio treatment filter.
#include "modules/api/AudioFilterControl.h"
#include "modules/common/ModuleClassTable.h"
#include "modules/haf/HalvaneAudioFilter.h"

namespace {

const ModuleClass kClasses[] = {
    {CLSID_HalvaneAudioFilter, CreateModuleObject<CHalvaneAudioFilter>},
};

}  // namespace

RIVO_MODULE_EXPORTS(kClasses)
