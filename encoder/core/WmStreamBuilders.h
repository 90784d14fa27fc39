// The stream configurations of a Windows Media profile, built from a codec
// of the runtime's codec information: the media-type copy they pass around,
// the video media type of a picture size and rate, the audio and video
// stream configurations with their encoder properties, and the stream
// language. The profile builder of CWmProfileHelper rests on them.
//
// Media types handed out here are one block of task memory (free it with
// CoTaskMemFree): the WM_MEDIA_TYPE record first, its format block right
// behind it, pbFormat pointing there.
#pragma once

#include "platform/wmf/WmInterfaces.h"

// A copy of the type and its format block in one block. The copy carries no
// object (pUnk is null). E_POINTER without copy, E_NOTIMPL without source,
// E_OUTOFMEMORY; E_INVALIDARG for a source that claims format bytes it does
// not point at.
HRESULT CopyWmMediaType(WM_MEDIA_TYPE** copy, const WM_MEDIA_TYPE* source);

// The codec's first video format under the VBR settings, with the picture
// size, bit rate and frame time (10,000,000 / framesPerSecond) set in its
// VIDEOINFOHEADER. E_INVALIDARG for a rate of 0 or a size that is not
// positive; E_UNEXPECTED when the codec's format is not a VIDEOINFOHEADER.
HRESULT BuildVideoMediaType(WM_MEDIA_TYPE** type, IWMCodecInfo3* info, DWORD codec, DWORD framesPerSecond, LONG width,
                            LONG height, DWORD bitrate, BOOL vbr, DWORD passes);

// A new audio stream of the profile (not yet added to it) with the codec
// format's media type and bit rate, the buffer window, "_VBRENABLED" in its
// property vault and the language of the locale. E_POINTER without config,
// E_INVALIDARG without profile; otherwise the first failure.
HRESULT BuildAudioStreamConfig(IWMStreamConfig** config, IWMCodecInfo3* info, IWMProfile* profile, DWORD bufferWindow,
                               DWORD codec, DWORD format, BOOL vbr, DWORD passes, LCID locale);

// A new video stream of the profile (not yet added to it): bit rate, buffer
// window, the media type of BuildVideoMediaType, quality, the key-frame
// spacing, and in its property vault "_VBRENABLED" and, by rate-control
// mode, "_VBRQUALITY" (mode 1), "_RMAX" and, when peakBuffer is not 0,
// "_BMAX" (mode 2); modes 0 and 3 set nothing more. The passes follow the
// mode: 0, 1, 2, 2. E_POINTER without config, E_INVALIDARG without profile,
// E_FAIL for a mode above 3; otherwise the first failure.
HRESULT BuildVideoStreamConfig(IWMStreamConfig** config, IWMCodecInfo3* info, IWMProfile* profile, DWORD codec,
                               DWORD bitrate, DWORD bufferWindow, LONG width, LONG height, DWORD framesPerSecond,
                               DWORD quality, DWORD keyFrameSeconds, BOOL vbr, DWORD mode, DWORD vbrQuality,
                               DWORD peakRate, DWORD peakBuffer, LCID locale);

// The stream's language: the locale's RFC 1766 tag from the system's
// multi-language service. The service's failures are returned.
HRESULT SetStreamLanguage(IWMStreamConfig* config, LCID locale);
