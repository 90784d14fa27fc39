#include "WmProfileHelper.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "encoder/core/EncSettings.h"
#include "encoder/core/WmFormatHelpers.h"
#include "encoder/core/WmStreamBuilders.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/FilterInterfaces.h"
#include "platform/dshow/MediaType.h"
#include "platform/win32/Format.h"
#include "platform/wmf/WmProfileManager.h"

namespace {

// Third-enumeration formats carry this offset in their reference.
constexpr int kVbrPassOffset = 5000;

// Wide texts of the runtime are read in two calls: the count with its NUL,
// then the text into a buffer one longer.
template <class Call>
HRESULT ReadRuntimeText(Call call, CString& text)
{
    DWORD chars = 0;
    HRESULT hr = call(nullptr, &chars);
    if (FAILED(hr)) return hr;
    if (chars >= 0x100000) return E_OUTOFMEMORY;  // no name or description is that long
    DWORD size = chars + 1;
    WCHAR* buf = new (std::nothrow) WCHAR[size];
    if (!buf) return E_OUTOFMEMORY;
    hr = call(buf, &size);
    if (SUCCEEDED(hr)) {
        buf[chars] = 0;
        text = buf;
    }
    delete[] buf;
    return hr;
}

}  // namespace

CWmProfileHelper::CWmProfileHelper()
{
    m_bComInitialized = SUCCEEDED(CoInitialize(nullptr));
    EnumerateCodecs();
    SetDefaults();
}

CWmProfileHelper::~CWmProfileHelper()
{
    m_pCodecInfo.Reset();
    if (m_bComInitialized) CoUninitialize();
}

void CWmProfileHelper::EnumerateCodecs()
{
    m_VideoCodecNames.RemoveAll();
    m_AudioCodecNames.RemoveAll();
    m_pCodecInfo.Reset();
    if (FAILED(CreateWMProfileManager(m_pCodecInfo.GetAddressOf()))) {
        m_pCodecInfo.Reset();
        return;
    }
    FillCodecNames(MEDIATYPE_Video, m_VideoCodecNames);
    FillCodecNames(MEDIATYPE_Audio, m_AudioCodecNames);
}

void CWmProfileHelper::FillCodecNames(const GUID& majorType, CStringArray& names)
{
    DWORD count = 0;
    if (FAILED(m_pCodecInfo->GetCodecInfoCount(majorType, &count))) return;
    IWMCodecInfo3* info = m_pCodecInfo.Get();
    for (DWORD i = 0; i < count; ++i) {
        CString name;
        HRESULT hr = ReadRuntimeText(
            [&](WCHAR* buf, DWORD* chars) { return info->GetCodecName(majorType, i, buf, chars); }, name);
        // Out of memory ends the list; any other failure keeps an empty entry.
        if (hr == E_OUTOFMEMORY) return;
        names.Add(SUCCEEDED(hr) ? name : CString());
    }
}

void CWmProfileHelper::SetDefaults()
{
    sAudioCodec = L"Windows Media Audio 9";
    sAudioFormat = L"VBR Quality 90, 48 kHz, stereo VBR";
    sVideoCodec = L"Windows Media Video 9";
    nVideoKBitrate = 1024;
    nSecPerKeyframe = 10;
    nVideoQuality = 100;
    ResolveToInstalledCodecs();
}

void CWmProfileHelper::ResolveToInstalledCodecs()
{
    int video = FindVideoCodec(sVideoCodec, TRUE);
    if (video >= 0 && !m_VideoCodecNames[video].IsEmpty()) sVideoCodec = m_VideoCodecNames[video];

    int audio = FindAudioCodec(sAudioCodec, TRUE);
    if (audio < 0 || m_AudioCodecNames[audio].IsEmpty()) return;
    sAudioCodec = m_AudioCodecNames[audio];
    int reference = FindAudioFormat(sAudioCodec, sAudioFormat, TRUE);
    if (reference < 0) return;
    const DWORD passes = static_cast<DWORD>(reference / kVbrPassOffset);
    CString description;
    if (SUCCEEDED(SetCodecVBRSettings(m_pCodecInfo.Get(), MEDIATYPE_Audio, static_cast<DWORD>(audio),
                                      passes > 0 ? TRUE : FALSE, passes)) &&
        SUCCEEDED(ReadFormatDescription(static_cast<DWORD>(audio), static_cast<DWORD>(reference % kVbrPassOffset),
                                        description)))
        sAudioFormat = description;
}

namespace {

int FindName(const CStringArray& names, const CString& name)
{
    for (int i = 0; i < names.GetSize(); ++i)
        if (names[i] == name) return i;
    return -1;
}

}  // namespace

int CWmProfileHelper::FindVideoCodec(const CString& name, BOOL fallback) const
{
    if (m_VideoCodecNames.IsEmpty()) return -1;
    int i = FindName(m_VideoCodecNames, name);
    if (i >= 0 || !fallback) return i;
    i = FindName(m_VideoCodecNames, L"Windows Media Video 9");
    return i >= 0 ? i : 0;
}

int CWmProfileHelper::FindAudioCodec(const CString& name, BOOL fallback) const
{
    if (m_AudioCodecNames.IsEmpty()) return -1;
    int i = FindName(m_AudioCodecNames, name);
    if (i >= 0 || !fallback) return i;
    for (const wchar_t* standard : {L"Windows Media Audio 9", L"Windows Media Audio 9.1"}) {
        i = FindName(m_AudioCodecNames, standard);
        if (i >= 0) return i;
    }
    return 0;
}

DWORD GetCodecFormatCount(IWMCodecInfo3* info, REFGUID majorType, DWORD codec, BOOL vbr, DWORD passes)
{
    if (!info) return 0;
    if (FAILED(SetCodecVBRSettings(info, majorType, codec, vbr, passes))) return 0;
    DWORD count = 0;
    if (FAILED(info->GetCodecFormatCount(majorType, codec, &count))) return 0;
    return count;
}

HRESULT CWmProfileHelper::ReadFormatDescription(DWORD codec, DWORD format, CString& description) const
{
    IWMCodecInfo3* info = m_pCodecInfo.Get();
    return ReadRuntimeText(
        [&](WCHAR* buf, DWORD* chars) {
            return info->GetCodecFormatDesc(MEDIATYPE_Audio, codec, format, nullptr, buf, chars);
        },
        description);
}

int CWmProfileHelper::FindAudioFormat(const CString& codecName, const CString& description, BOOL fallback,
                                      HRESULT* status) const
{
    HRESULT ignored = S_OK;
    HRESULT& hr = status ? *status : ignored;
    if (!m_pCodecInfo) {
        hr = E_POINTER;
        return -1;
    }
    const int codec = FindAudioCodec(codecName, FALSE);
    if (codec < 0) {
        hr = E_INVALIDARG;
        return -1;
    }
    const struct {
        BOOL vbr;
        DWORD passes;
        int offset;
    } enumerations[] = {{FALSE, 0, 0}, {TRUE, 0, 0}, {TRUE, 1, kVbrPassOffset}};

    hr = S_OK;
    int last = -1;
    for (const auto& e : enumerations) {
        DWORD count =
            GetCodecFormatCount(m_pCodecInfo.Get(), MEDIATYPE_Audio, static_cast<DWORD>(codec), e.vbr, e.passes);
        // A reference holds at most kVbrPassOffset formats per enumeration.
        if (count > static_cast<DWORD>(kVbrPassOffset)) count = kVbrPassOffset;
        for (DWORD i = 0; i < count && SUCCEEDED(hr); ++i) {
            CString text;
            hr = ReadFormatDescription(static_cast<DWORD>(codec), i, text);
            if (FAILED(hr)) break;
            last = static_cast<int>(i) + e.offset;
            if (text == description) return last;
        }
        // A failed read ends the whole search.
        if (FAILED(hr)) break;
    }
    if (fallback) return last >= 0 ? last : 0;
    return -1;
}

int CWmProfileHelper::GetAudioBitrate() const
{
    constexpr int kUnknown = 64000;
    if (!m_pCodecInfo) return kUnknown;
    const int codec = FindAudioCodec(sAudioCodec, TRUE);
    const int reference = FindAudioFormat(sAudioCodec, sAudioFormat, FALSE);
    if (codec < 0 || reference < 0) return kUnknown;

    const DWORD passes = static_cast<DWORD>(reference / kVbrPassOffset);
    WM_MEDIA_TYPE* type = nullptr;
    if (FAILED(GetCodecFormatWithVBR(&type, m_pCodecInfo.Get(), nullptr, MEDIATYPE_Audio, static_cast<DWORD>(codec),
                                     static_cast<DWORD>(reference % kVbrPassOffset), passes > 0 ? TRUE : FALSE,
                                     passes)))
        return kUnknown;
    int bitrate = kUnknown;
    // Only a wave format block long enough to hold the average byte rate.
    constexpr size_t kAvgBytesEnd = offsetof(WAVEFORMATEX, nAvgBytesPerSec) + sizeof(DWORD);
    if (type->formattype == FORMAT_WaveFormatEx && type->pbFormat && type->cbFormat >= kAvgBytesEnd) {
        DWORD avgBytes = 0;
        std::memcpy(&avgBytes, type->pbFormat + offsetof(WAVEFORMATEX, nAvgBytesPerSec), sizeof avgBytes);
        const int64_t bits = static_cast<int64_t>(avgBytes) * 8;
        bitrate = bits > INT_MAX ? INT_MAX : static_cast<int>(bits);
    }
    CoTaskMemFree(type);
    return bitrate;
}

namespace {

constexpr DWORD kBufferWindowMs = 3000;
constexpr LCID kStreamLocale = 1042;

// Whole frames per second for the video stream: the settings' rate over
// scale when both are set, else from the connection's frame time, else 30;
// rounded to the nearest whole number and never below 1, so that the frame
// time derived from it is always defined.
DWORD StreamFrameRate(int rate, int scale, REFERENCE_TIME avgTimePerFrame)
{
    double fps = 30.0;
    if (rate > 0 && scale > 0)
        fps = static_cast<double>(rate) / scale;
    else if (avgTimePerFrame != 0)
        fps = 10000000.0 / static_cast<double>(avgTimePerFrame);
    const double rounded = std::floor(fps + 0.5);
    if (!(rounded >= 1.0)) return 1;
    return rounded > 1000000.0 ? 1000000 : static_cast<DWORD>(rounded);
}

// The picture size and frame time of a video connection, from its
// VIDEOINFOHEADER or VIDEOINFOHEADER2; false when it has neither.
bool ReadVideoConnection(const AM_MEDIA_TYPE& mt, LONG* width, LONG* height, REFERENCE_TIME* avgTimePerFrame)
{
    const BITMAPINFOHEADER* bmi = nullptr;
    if (mt.formattype == FORMAT_VideoInfo && mt.pbFormat && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
        bmi = &vih->bmiHeader;
        *avgTimePerFrame = vih->AvgTimePerFrame;
    } else if (mt.formattype == FORMAT_VideoInfo2 && mt.pbFormat && mt.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        const auto* vih2 = reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat);
        bmi = &vih2->bmiHeader;
        *avgTimePerFrame = vih2->AvgTimePerFrame;
    } else {
        return false;
    }
    *width = bmi->biWidth;
    // A top-down picture has a negative height; the stream's is its size.
    *height = bmi->biHeight < 0 ? -bmi->biHeight : bmi->biHeight;
    return true;
}

DWORD ClampToDword(int64_t v) { return v < 0 ? 0 : v > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<DWORD>(v); }

}  // namespace

HRESULT CWmProfileHelper::CreateProfile(IWMProfile** profile, IBaseFilter* filter, const CEncSettings* settings) const
{
    if (!profile) return E_POINTER;
    *profile = nullptr;
    ComPtr<IWMProfileManager> manager;
    HRESULT hr = WMCreateProfileManager(manager.GetAddressOf());
    if (FAILED(hr)) return hr;
    ComPtr<IWMProfile> built;
    if (FAILED(hr = manager->CreateEmptyProfile(WMT_VER_9_0, built.GetAddressOf()))) return hr;
    if (FAILED(hr = AddStreams(built.Get(), filter, settings))) return hr;
    if (FAILED(hr = built->SetName(L"RIVO_ENCODER"))) return hr;
    *profile = built.Detach();
    return S_OK;
}

HRESULT CWmProfileHelper::AddStreams(IWMProfile* profile, IBaseFilter* filter, const CEncSettings* settings) const
{
    if (!m_pCodecInfo || !filter || !settings) return E_POINTER;
    if (!profile) return E_INVALIDARG;
    const int videoCodec = FindVideoCodec(sVideoCodec, TRUE);
    const int audioCodec = FindAudioCodec(sAudioCodec, TRUE);
    const int audioFormat = FindAudioFormat(sAudioCodec, sAudioFormat, TRUE);
    if (videoCodec < 0 || audioCodec < 0 || audioFormat < 0) return E_FAIL;

    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.GetAddressOf());
    if (FAILED(hr)) return hr;
    WORD number = 1;
    for (;;) {
        ComPtr<IPin> pin;
        if (pins->Next(1, pin.GetAddressOf(), nullptr) != S_OK) break;
        ComPtr<IPin> peer;
        if (FAILED(pin->ConnectedTo(peer.GetAddressOf())) || !peer) continue;
        CMediaType mt;
        if (FAILED(hr = pin->ConnectionMediaType(&mt))) return hr;

        ComPtr<IWMStreamConfig> config;
        const wchar_t* word = nullptr;
        if (mt.majortype == MEDIATYPE_Audio) {
            const DWORD passes = static_cast<DWORD>(audioFormat / kVbrPassOffset);
            hr = BuildAudioStreamConfig(
                config.GetAddressOf(), m_pCodecInfo.Get(), profile, kBufferWindowMs, static_cast<DWORD>(audioCodec),
                static_cast<DWORD>(audioFormat % kVbrPassOffset), passes > 0 ? TRUE : FALSE, passes, kStreamLocale);
            word = L"Audio";
        } else if (mt.majortype == MEDIATYPE_Video) {
            LONG width = 0, height = 0;
            REFERENCE_TIME frameTime = 0;
            if (!ReadVideoConnection(mt, &width, &height, &frameTime)) return E_UNEXPECTED;
            const DWORD fps = StreamFrameRate(settings->nVideoFrameRate, settings->nVideoFrameScale, frameTime);
            // The quality is raised to the frame rate for this profile only.
            int64_t quality = nVideoQuality;
            if (quality < static_cast<int64_t>(fps)) quality = fps;
            if (quality > 100) quality = 100;
            const DWORD bitrate = ClampToDword(static_cast<int64_t>(nVideoKBitrate) * 1024);
            hr = BuildVideoStreamConfig(config.GetAddressOf(), m_pCodecInfo.Get(), profile,
                                        static_cast<DWORD>(videoCodec), bitrate, kBufferWindowMs, width, height, fps,
                                        static_cast<DWORD>(quality), static_cast<DWORD>(nSecPerKeyframe), FALSE, 1,
                                        static_cast<DWORD>(quality), static_cast<DWORD>(nVideoKBitrate),
                                        kBufferWindowMs, kStreamLocale);
            word = L"Video";
        } else {
            return E_UNEXPECTED;
        }
        if (FAILED(hr)) return hr;

        std::wstring name = FormatText(L"%s%d", word, static_cast<int>(number));
        std::wstring connection = FormatText(L"%s%d", L"HAsfWriter", static_cast<int>(number));
        if (FAILED(hr = config->SetStreamNumber(number))) return hr;
        if (FAILED(hr = config->SetStreamName(name.data()))) return hr;
        if (FAILED(hr = config->SetConnectionName(connection.data()))) return hr;
        if (FAILED(hr = profile->AddStream(config.Get()))) return hr;
        ++number;
    }
    return S_OK;
}
