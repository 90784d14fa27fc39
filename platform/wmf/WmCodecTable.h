// What the Windows Media runtime lists: its codecs, each with the formats it
// offers under each enumeration setting (variable bit rate off; on, for a
// number of passes). The built-in table lists only the encoders that the
// media layer really has here, under their own names, with formats measured
// against those encoders (see WmCodecTable.cpp).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/wmf/WmTypes.h"

struct SWmCodecFormat {
    // The enumeration setting that lists the format: variable bit rate off,
    // or on with the number of passes.
    bool bVbr = false;
    DWORD nPasses = 0;
    std::wstring sDescription;
    // The stream configuration the format stands for: its media type (the
    // codec's major type with this subtype, format type and format block)
    // and bit rate.
    GUID subtype{};
    GUID formattype{};
    BOOL bFixedSizeSamples = FALSE;
    BOOL bTemporalCompression = FALSE;
    ULONG lSampleSize = 0;
    std::vector<BYTE> format;
    DWORD nBitrate = 0;
};

struct SWmCodec {
    std::wstring sName;
    GUID majortype{};
    // The media layer's encoder behind the codec ("wmav2").
    std::string sEncoder;
    // Whether the codec knows the variable-bit-rate setting, and the most
    // passes it takes with it.
    bool bVbrCapable = false;
    DWORD nMaxPasses = 0;
    std::vector<SWmCodecFormat> formats;
};

using CWmCodecTable = std::vector<SWmCodec>;

// The codecs of this system.
const CWmCodecTable& BuiltInWmCodecTable();

// The table that profile managers made from now on report: the built-in one,
// or the one a test put in place.
std::shared_ptr<const CWmCodecTable> CurrentWmCodecTable();

// Test seams. A table of the test's own replaces the built-in one (null
// restores it); with present false, WMCreateProfileManager fails as on a
// machine without the runtime. Objects made before keep what they had.
void WmSetCodecTableForTesting(std::shared_ptr<const CWmCodecTable> table);
void WmSetRuntimePresentForTesting(bool present);
bool WmRuntimePresent();
