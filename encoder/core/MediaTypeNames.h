// Readable names of what a job holds and what the settings make of it: a
// stream's media type, a video FourCC and a WAVE format tag by the display
// tables, the output codecs of the chosen format, and the picture header of a
// video type.
#pragma once

#include "encoder/core/EncJobMedia.h"
#include "platform/dshow/MediaType.h"
#include "platform/win32/CString.h"

class CEncSettings;

// "Unknown" for a null type and for anything the tables do not name. Video
// and audio subtypes of the FourCC form go through the two tables; the MPEG
// video, AC3, AAC and DTS subtypes have names of their own.
CString GetStreamTypeName(const AM_MEDIA_TYPE* type);
// The FourCC's four characters (first in the low byte), upper-cased, looked
// up in the video table; "Unknown" when no row is equal.
CString GetVideoCodecName(DWORD fourcc);
// The first row with the tag; "Unknown" when there is none.
CString GetAudioFormatTagName(WORD tag);

// The output codec of the chosen format for a job: the video FourCC or the
// audio tag setting of the AVI, MP4 or OGM block through the tables, the
// Windows Media codec name for WMV. Empty without a job, when the job lacks
// that stream, or for a format that does not exist.
CString GetOutputVideoCodecName(const CEncSettings& settings, const SEncJobMedia* job);
CString GetOutputAudioCodecName(const CEncSettings& settings, const SEncJobMedia* job);

// Copies the 40-byte picture header of a video type's format block; 1 when
// the block holds one (checked against its length), else 0.
int GetBitmapInfoHeader(const AM_MEDIA_TYPE* type, BITMAPINFOHEADER* header);
