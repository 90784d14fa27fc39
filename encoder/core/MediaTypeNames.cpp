#include "encoder/core/MediaTypeNames.h"

#include "encoder/core/CodecNameTables.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/OutputFormat.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/win32/FourCC.h"

namespace {

constexpr GUID kAacSubtype = FourCCGuid(0x000000FF);

// Data2 0x0000, Data3 0x0010 and the fixed tail of the FourCC subtypes.
bool IsFourCCSubtype(const GUID& subtype) { return subtype == FourCCGuid(subtype.Data1); }

}  // namespace

CString GetVideoCodecName(DWORD fourcc)
{
    const std::wstring key = FourCCText(FourCCUpper(fourcc), L'\0');
    for (const SVideoCodecNameRow& row : VideoCodecNameTable())
        if (std::wstring_view(row.fourcc, 4) == key) return row.name;
    return L"Unknown";
}

CString GetAudioFormatTagName(WORD tag)
{
    for (const SAudioTagNameRow& row : AudioTagNameTable())
        if (row.tag == tag) return row.name;
    return L"Unknown";
}

CString GetStreamTypeName(const AM_MEDIA_TYPE* type)
{
    if (!type) return L"Unknown";
    const GUID& sub = type->subtype;
    if (type->majortype == MEDIATYPE_Video) {
        if (IsFourCCSubtype(sub)) return GetVideoCodecName(sub.Data1);
        if (sub == MEDIASUBTYPE_MPEG1Payload) return L"MPEG-1 Video";
        if (sub == MEDIASUBTYPE_MPEG2_VIDEO) return L"MPEG-2 Video";
    } else if (type->majortype == MEDIATYPE_Audio) {
        if (IsFourCCSubtype(sub)) return GetAudioFormatTagName(static_cast<WORD>(sub.Data1 & 0xFFFF));
        if (sub == MEDIASUBTYPE_DOLBY_AC3) return L"AC3";
        if (sub == kAacSubtype) return L"AAC";
        if (sub == MEDIASUBTYPE_DTS) return L"DTS";
    }
    return L"Unknown";
}

CString GetOutputVideoCodecName(const CEncSettings& settings, const SEncJobMedia* job)
{
    if (!job || !job->pVideoType) return CString();
    const SReadCodecFields f = CodecFieldsOf(settings);
    if (f.fccVideoCodec) return GetVideoCodecName(*f.fccVideoCodec);
    if (f.windowsMedia) return f.windowsMedia->sVideoCodec;
    return CString();
}

CString GetOutputAudioCodecName(const CEncSettings& settings, const SEncJobMedia* job)
{
    if (!job || !job->pAudioType) return CString();
    const SReadCodecFields f = CodecFieldsOf(settings);
    if (f.nAudioCodec) return GetAudioFormatTagName(static_cast<WORD>(*f.nAudioCodec));
    if (f.windowsMedia) return f.windowsMedia->sAudioCodec;
    return CString();
}

int GetBitmapInfoHeader(const AM_MEDIA_TYPE* type, BITMAPINFOHEADER* header)
{
    if (!type || !header) return 0;
    const BITMAPINFOHEADER* found = BitmapHeaderOf(*type);
    if (!found) return 0;
    *header = *found;
    return 1;
}
