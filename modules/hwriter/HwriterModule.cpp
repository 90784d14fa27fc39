// hwriter.dll: the writer filters, served by class id through the module's
// class factory.
#include "modules/api/WriterFilters.h"
#include "modules/common/ModuleClassTable.h"
#include "modules/hwriter/AsfWriter.h"
#include "modules/hwriter/AviWriter.h"
#include "modules/hwriter/Mp4Writer.h"
#include "modules/hwriter/OgmWriter.h"

namespace {

const ModuleClass kClasses[] = {
    {CLSID_HalvaneAviWriter, CreateModuleObject<CAviWriter>},
    {CLSID_HalvaneMp4Writer, CreateModuleObject<CMp4Writer>},
    {CLSID_HalvaneAsfWriter, CreateModuleObject<CAsfWriter>},
    {CLSID_HalvaneOgmWriter, CreateModuleObject<COgmWriter>},
};

}  // namespace

RIVO_MODULE_EXPORTS(kClasses)
