// HSF.ax: the module of the sources, one class per container family.
#include "modules/api/SourceFilters.h"
#include "modules/common/ModuleClassTable.h"
#include "modules/hsf/FamilySources.h"
#include "modules/hsf/HalvaneAviSource.h"
#include "modules/hsf/HalvaneMp4Source.h"

namespace {

// A source of the family the class id names.
template <const CLSID& Clsid>
HRESULT CreateFamilySource(IUnknown* outer, REFIID riid, void** object)
{
    const FamilySource* source = FindFamilySource(Clsid);
    if (!source) return CLASS_E_CLASSNOTAVAILABLE;
    return CreateComObject<ModuleObject<CLavSource>>(outer, riid, object, Clsid, source->name, source->family);
}

const ModuleClass kClasses[] = {
    {CLSID_HalvaneAsfSource, CreateFamilySource<CLSID_HalvaneAsfSource>},
    {CLSID_HalvaneAviSource, CreateModuleObject<CHalvaneAviSource>},
    {CLSID_HalvaneOggSource, CreateFamilySource<CLSID_HalvaneOggSource>},
    {CLSID_HalvaneMpegSource, CreateFamilySource<CLSID_HalvaneMpegSource>},
    {CLSID_HalvaneMatroskaSource, CreateFamilySource<CLSID_HalvaneMatroskaSource>},
    {CLSID_HalvaneMp4Source, CreateModuleObject<CHalvaneMp4Source>},
    {CLSID_HalvaneFlvSource, CreateFamilySource<CLSID_HalvaneFlvSource>},
};

}  // namespace

RIVO_MODULE_EXPORTS(kClasses)
