// The Windows Media part of the settings: the installed Windows Media codecs
// (from the runtime's codec information) and the stored WMV choices. Codecs
// and the audio format are stored by their display names and resolved to
// indices when used, with fixed fallbacks for names the machine lacks.
//
// An audio format is carried as one integer, its reference: the format's
// index within the enumeration it was found in, plus 5000 when that was the
// third one (variable bit rate on, one pass). Decoding: reference / 5000 is
// the pass count (VBR on when above 0), reference % 5000 the index.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"
#include "platform/wmf/WmInterfaces.h"

class CEncSettings;
struct IBaseFilter;

class CWmProfileHelper {
public:
    // Initialises the component runtime for the calling thread, lists the
    // installed codecs and sets the defaults.
    CWmProfileHelper();
    // Releases the codec information and ends the thread's initialisation
    // made by the constructor.
    ~CWmProfileHelper();
    CWmProfileHelper(const CWmProfileHelper&) = delete;
    CWmProfileHelper& operator=(const CWmProfileHelper&) = delete;

    // Drops the codec information and both lists, then lists the codecs of
    // a new profile manager; without the runtime the lists stay empty.
    void EnumerateCodecs();
    // The default WMV settings. Their codec and format names are the
    // standard ones; when the runtime lists codecs, each is resolved through
    // the fallback lookups below and the name found is stored, so that the
    // defaults always name what this machine has.
    void SetDefaults();

    // The index of the first codec named exactly so; -1 when the list is
    // empty or, without fallback, when no codec is named so. With fallback:
    // the index of "Windows Media Video 9" (video), or of "Windows Media
    // Audio 9", else "Windows Media Audio 9.1" (audio), else 0.
    int FindVideoCodec(const CString& name, BOOL fallback) const;
    int FindAudioCodec(const CString& name, BOOL fallback) const;

    // The reference of the audio format described so, searched in three
    // enumerations of the codec (named exactly, no fallback for the codec):
    // VBR off; VBR on with passes 0; VBR on with passes 1. -1 when the codec
    // is unknown or there is no codec information. When nothing matches:
    // with fallback the reference of the last format examined (0 when none
    // was listed), else -1. The runtime's status goes to *status (S_OK on a
    // match; E_POINTER without codec information, E_INVALIDARG for an unknown
    // codec, E_OUTOFMEMORY, or the last answer of the runtime otherwise).
    int FindAudioFormat(const CString& codec, const CString& description, BOOL fallback,
                        HRESULT* status = nullptr) const;

    // Bits per second of the chosen audio format; 64000 when it cannot be
    // found or is not a wave format.
    int GetAudioBitrate() const;

    // The profile of an ASF job, "RIVO_ENCODER" (version 9.0), with one
    // stream per connected pin of the filter (the ASF writer, its inputs
    // connected): see AddStreams. On success *profile holds a reference; on
    // failure it is null and the first failing status is returned.
    HRESULT CreateProfile(IWMProfile** profile, IBaseFilter* filter, const CEncSettings* settings) const;
    // Adds the streams, numbered from 1 in pin order and named "Audio<n>" or
    // "Video<n>" with the connection name "HAsfWriter<n>", each with the
    // language of locale 1042 and a buffer window of 3000 ms:
    //  - audio: the stored audio codec and format (VBR and passes as the
    //    format's reference says);
    //  - video: the stored video codec, this helper's bit rate (kbit/s times
    //    1024), key-frame spacing and quality, the picture size of the
    //    connection, and a frame rate from the settings' rate and scale, else
    //    from the connection's frame time, else 30 (at least 1 frame per
    //    second); constant bit rate, rate-control mode 1. The quality used is
    //    raised to that frame rate when below it (at most 100); the stored
    //    quality itself stays as it is.
    // E_POINTER without codec information, filter or settings; E_FAIL when a
    // stored codec or format does not resolve; E_UNEXPECTED for a connected
    // pin of another major type or a video connection without a picture
    // format; otherwise the first failure of the runtime.
    HRESULT AddStreams(IWMProfile* profile, IBaseFilter* filter, const CEncSettings* settings) const;

    // The codec information (null without the runtime) and the codec names
    // by index (an entry whose name could not be read is empty).
    IWMCodecInfo3* GetCodecInfo() const { return m_pCodecInfo.Get(); }
    const CStringArray& GetVideoCodecNames() const { return m_VideoCodecNames; }
    const CStringArray& GetAudioCodecNames() const { return m_AudioCodecNames; }

    // The description of one audio format under the codec's current
    // enumeration settings (SetCodecVBRSettings); E_OUTOFMEMORY when it
    // cannot be held, else the runtime's answer. Needs the codec
    // information.
    HRESULT ReadFormatDescription(DWORD codec, DWORD format, CString& description) const;

private:
    void FillCodecNames(const GUID& majorType, CStringArray& names);
    // Stores the names the fallback lookups find for the stored ones.
    void ResolveToInstalledCodecs();

    ComPtr<IWMCodecInfo3> m_pCodecInfo;
    CStringArray m_VideoCodecNames;
    CStringArray m_AudioCodecNames;
    bool m_bComInitialized = false;

public:
    CString sAudioCodec;
    CString sAudioFormat;
    CString sVideoCodec;
    int nVideoKBitrate = 0;
    int nSecPerKeyframe = 0;
    int nVideoQuality = 0;
};

// The number of formats of the codec under the given enumeration settings
// (SetCodecVBRSettings); 0 when info is null or either call fails.
DWORD GetCodecFormatCount(IWMCodecInfo3* info, REFGUID majorType, DWORD codec, BOOL vbr, DWORD passes);
