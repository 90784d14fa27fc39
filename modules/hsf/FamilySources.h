// The sources of HSF.ax that are the system's generic source held to one
// container family (the AVI and MP4 sources have classes of their own): by
// class id, the name each gives itself and the demultiplexers of its family,
// by the library's names.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/Guid.h"

struct FamilySource {
    const CLSID* clsid;
    const wchar_t* name;
    std::vector<std::string> family;
};

// ASF, Ogg, MPEG (program and transport streams), Matroska and Flash video.
const std::vector<FamilySource>& FamilySources();
// The entry of the class id, or null.
const FamilySource* FindFamilySource(REFCLSID clsid);
