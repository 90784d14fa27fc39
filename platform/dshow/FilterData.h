// The "FilterData" blob of a filter registration, in the version-2 layout,
// little-endian throughout:
//
//   0  version (2)           4  merit
//   8  pin count            12  reserved (0)
//   then per pin a 24-byte header: signature "0pi3", flags (REG_PINFLAG_*),
//   instances, media type count, medium count, offset of the pin category
//   GUID (0 for none); after it, per media type, 16 bytes: signature
//   "0ty3", reserved, offset of the major type GUID, offset of the subtype
//   GUID.
//
// The GUIDs follow the last pin, each stored once; offsets count from the
// start of the blob. Mediums are not written (a registration that has them
// is refused).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/dshow/MapperInterfaces.h"
#include "platform/win32/Guid.h"

struct FilterPinRegistration {
    DWORD flags = 0;  // REG_PINFLAG_*
    UINT instances = 0;
    std::vector<std::pair<GUID, GUID>> types;  // (major type, subtype); GUID_NULL is a wildcard
    bool hasCategory = false;
    GUID category{};

    bool IsOutput() const { return (flags & REG_PINFLAG_B_OUTPUT) != 0; }
};

struct FilterRegistration {
    DWORD merit = 0;
    std::vector<FilterPinRegistration> pins;
};

// From REGFILTER2 (version 1 or 2). E_INVALIDARG for other versions, null
// type pointers or mediums.
HRESULT FilterRegistrationFromRegFilter2(const REGFILTER2& data, FilterRegistration* out);
// The blob. E_INVALIDARG when it cannot hold the registration.
HRESULT WriteFilterData(const FilterRegistration& registration, std::string* blob);
// Reads a blob; every count and offset is checked against its length.
// E_INVALIDARG for another version or anything that does not fit.
HRESULT ReadFilterData(const BYTE* data, size_t bytes, FilterRegistration* out);
// One block of task memory holding a version-2 REGFILTER2 and everything it
// points to; null when memory is short.
BYTE* CreateRegFilter2Block(const FilterRegistration& registration);
