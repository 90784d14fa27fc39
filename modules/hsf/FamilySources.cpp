#include "modules/hsf/FamilySources.h"

#include "modules/api/SourceFilters.h"

const std::vector<FamilySource>& FamilySources()
{
    static const std::vector<FamilySource> sources = {
        {&CLSID_HalvaneAsfSource, kAsfSourceName, {"asf"}},
        {&CLSID_HalvaneOggSource, kOggSourceName, {"ogg"}},
        {&CLSID_HalvaneMpegSource, kMpegSourceName, {"mpeg", "mpegts"}},
        {&CLSID_HalvaneMatroskaSource, kMatroskaSourceName, {"matroska"}},
        {&CLSID_HalvaneFlvSource, kFlvSourceName, {"flv"}},
    };
    return sources;
}

const FamilySource* FindFamilySource(REFCLSID clsid)
{
    for (const FamilySource& source : FamilySources())
        if (*source.clsid == clsid) return &source;
    return nullptr;
}
