// The Windows Media runtime's profile manager: the entry point
// WMCreateProfileManager and the codec information it answers
// (IWMCodecInfo3), over the runtime's codec table (WmCodecTable.h).
//
// Each profile manager keeps its own enumeration settings per codec,
// starting with variable bit rate off and one pass:
//  - "_VBRENABLED" (WMT_TYPE_BOOL, 4 bytes): off is always accepted; on only
//    by a codec that can encode with a variable bit rate, else
//    NS_E_UNSUPPORTED_PROPERTY.
//  - "_PASSESUSED" (WMT_TYPE_DWORD, 4 bytes): only for such a codec
//    (NS_E_UNSUPPORTED_PROPERTY otherwise), from 1 to its most passes
//    (E_INVALIDARG otherwise).
//  - Any other name: NS_E_UNSUPPORTED_PROPERTY. A wrong type or size, an
//    unknown codec or a null value: E_INVALIDARG.
// With variable bit rate off the codec's constant-bit-rate formats are
// listed; with it on, the formats for the current pass count.
//
// CreateEmptyProfile gives a new empty profile (WmProfile.h) that the
// encoder's profile code fills; the runtime ships no profiles of its own, so
// the profile loaders and SaveProfile answer E_NOTIMPL.
#pragma once

#include "platform/wmf/WmInterfaces.h"

// A new profile manager, counted once. Fails with REGDB_E_CLASSNOTREG when
// the runtime is absent (a test seam, see WmCodecTable.h).
HRESULT WMCreateProfileManager(IWMProfileManager** manager);
