// The registrations that come with the program: filters the program ships
// and the check bytes of the file types its sources read. They go into the
// read-only shipped layer of HKEY_CLASSES_ROOT (RegistryStore), so the
// filter mapper, the monikers and any reader of the registry see them
// without an install step, and nothing of them is written to the user's
// store.
#pragma once

#include <string>
#include <vector>

#include "platform/dshow/FilterData.h"

struct ShippedFilter {
    CLSID clsid{};
    std::wstring name;
    FilterRegistration registration;
    GUID category{};  // GUID_NULL: the ordinary filter category
};

struct ShippedFileType {
    GUID major{};
    GUID subtype{};
    std::vector<std::wstring> lines;  // check-byte lines "0", "1", ...
    CLSID source{};                   // "Source Filter"; GUID_NULL for none
};

// Writes "CLSID\{clsid}" (default value: the name) and the instance key
// under the category ("FriendlyName", "CLSID", "FilterData").
HRESULT AddShippedFilter(const ShippedFilter& filter);
// Writes "Media Type\{major}\{subtype}" with its lines and source.
HRESULT AddShippedFileType(const ShippedFileType& type);

// The program's own registrations; once per process, later calls do
// nothing.
void InstallShippedRegistrations();
