// The system filters over the decoding libraries, made available in one
// step: the media runtime's own classes (RegisterMediaRuntime), the class
// factories of the file sources, splitters, decoders and renderers, and
// their shipped registrations (merit, pins and media types; the check
// bytes and "Source Filter" of the file types they read; the protocols the
// generic source opens). The program calls it once after CoInitialize.
#pragma once

#include <vector>

#include "platform/dshow/ShippedRegistrations.h"

// S_OK, also when everything is registered already; CO_E_NOTINITIALIZED
// outside an initialisation.
HRESULT RegisterSystemFilters();

// The registrations the system filters ship with, in the order they are
// added.
const std::vector<ShippedFilter>& SystemFilterRegistrations();
// The file types they add (or change: ASF files go to the generic source).
const std::vector<ShippedFileType>& SystemFileTypes();
