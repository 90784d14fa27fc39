// Small helpers over the Windows Media runtime's codec information: getting
// it, choosing which format list a codec enumerates, and fetching a format's
// media type. The WMV codec helper of the settings and the profile builder
// both rest on them.
#pragma once

#include "platform/wmf/WmInterfaces.h"

// The codec information of a new profile manager. When *info already holds
// one, that one gets a further reference (the caller then owns one more) and
// S_OK. E_POINTER without info; otherwise the runtime's failure.
HRESULT CreateWMProfileManager(IWMCodecInfo3** info);

// Selects the codec's format list: "_VBRENABLED" = vbr and, when vbr is on
// and that was accepted, "_PASSESUSED" = passes. A codec that does not know
// the VBR setting (NS_E_UNSUPPORTED_PROPERTY) while vbr is off counts as
// success. E_INVALIDARG without info.
HRESULT SetCodecVBRSettings(IWMCodecInfo3* info, REFGUID majorType, DWORD codec, BOOL vbr, DWORD passes);

// The media type of a codec format under the codec's current settings, as
// one block of task memory (the record, then its format block; free it with
// CoTaskMemFree). Without info a profile manager of its own is made for the
// call. With config, the format's stream configuration is handed out too,
// with a reference. On failure *type (and *config) are null.
HRESULT GetCodecFormatMediaType(WM_MEDIA_TYPE** type, IWMCodecInfo3* info, IWMStreamConfig** config, REFGUID majorType,
                                DWORD codec, DWORD format);

// SetCodecVBRSettings, then GetCodecFormatMediaType; the first failure.
HRESULT GetCodecFormatWithVBR(WM_MEDIA_TYPE** type, IWMCodecInfo3* info, IWMStreamConfig** config, REFGUID majorType,
                              DWORD codec, DWORD format, BOOL vbr, DWORD passes);
