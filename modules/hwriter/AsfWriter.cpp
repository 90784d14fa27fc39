#include "modules/hwriter/AsfWriter.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/dshow/MediaGuids.h"
#include "platform/win32/CodePage.h"

namespace {

// One stream of the profile as the writer needs it.
struct ProfileStream {
    GUID major{};
    GUID subtype{};
    std::vector<BYTE> format;  // the format block
    DWORD bitrate = 0;
    LONGLONG keySpacing = 0;  // video, 100-ns units
    DWORD quality = 0;
    std::string language;
};

bool ReadStream(IWMStreamConfig* config, ProfileStream* out)
{
    if (FAILED(config->GetStreamType(&out->major)) || FAILED(config->GetBitrate(&out->bitrate))) return false;
    ComPtr<IWMMediaProps> props;
    if (FAILED(config->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(props.GetAddressOf())))) return false;
    DWORD bytes = 0;
    if (FAILED(props->GetMediaType(nullptr, &bytes)) || bytes < sizeof(WM_MEDIA_TYPE)) return false;
    std::vector<BYTE> block(bytes);
    auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(block.data());
    if (FAILED(props->GetMediaType(type, &bytes))) return false;
    out->subtype = type->subtype;
    // The format block follows the record inside the same buffer.
    if (type->pbFormat && type->cbFormat && type->pbFormat >= block.data() + sizeof(WM_MEDIA_TYPE) &&
        type->pbFormat + type->cbFormat <= block.data() + block.size())
        out->format.assign(type->pbFormat, type->pbFormat + type->cbFormat);
    ComPtr<IWMVideoMediaProps> video;
    if (SUCCEEDED(config->QueryInterface(IID_IWMVideoMediaProps, reinterpret_cast<void**>(video.GetAddressOf())))) {
        video->GetMaxKeyFrameSpacing(&out->keySpacing);
        video->GetQuality(&out->quality);
    }
    ComPtr<IWMStreamConfig3> config3;
    if (SUCCEEDED(config->QueryInterface(IID_IWMStreamConfig3, reinterpret_cast<void**>(config3.GetAddressOf())))) {
        WORD chars = 0;
        if (SUCCEEDED(config3->GetLanguage(nullptr, &chars)) && chars > 0) {
            std::vector<WCHAR> text(chars);
            if (SUCCEEDED(config3->GetLanguage(text.data(), &chars))) out->language = WideToUtf8(text.data());
        }
    }
    return true;
}

}  // namespace

CAsfWriter::CAsfWriter(IUnknown* outer) : CWriterFilter(CLSID_HalvaneAsfWriter, L"Halvane Asf Writer", outer) {}

HRESULT CAsfWriter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IAsfWriterProfile) return GetInterface(static_cast<IAsfWriterProfile*>(this), object);
    return CWriterFilter::NonDelegatingQueryInterface(riid, object);
}

HRESULT CAsfWriter::SetProfile(IWMProfile* profile)
{
    if (!profile) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    if (!IsStopped()) return VFW_E_WRONG_STATE;
    m_pProfile = profile;
    return S_OK;
}

bool CAsfWriter::CodecRequestOfRun(EncoderRequest* request)
{
    if (!m_pProfile) return false;
    DWORD count = 0;
    if (FAILED(m_pProfile->GetStreamCount(&count))) return false;
    EncoderRequest r;
    m_nAudioRate = m_nAudioChannels = 0;
    m_strVideoLanguage.clear();
    m_strAudioLanguage.clear();
    for (DWORD i = 0; i < count; ++i) {
        ComPtr<IWMStreamConfig> config;
        ProfileStream s;
        if (FAILED(m_pProfile->GetStream(i, config.GetAddressOf())) || !ReadStream(config.Get(), &s)) return false;
        if (s.major == MEDIATYPE_Video) {
            // The subtype of a compressed video type is its FourCC.
            r.videoFourCC = s.subtype.Data1;
            r.videoMode = 0;
            r.videoKBitrate = static_cast<int>(std::lround(s.bitrate / 1000.0));
            r.videoQuality = static_cast<int>(s.quality);
            r.secPerKeyframe = static_cast<int>(std::lround(static_cast<double>(s.keySpacing) / 1e7));
            m_strVideoLanguage = s.language;
        } else if (s.major == MEDIATYPE_Audio) {
            if (s.format.size() < sizeof(WAVEFORMATEX)) return false;
            WAVEFORMATEX wave;
            std::memcpy(&wave, s.format.data(), sizeof wave);
            r.audioTag = wave.wFormatTag;
            r.audioMode = 0;
            r.audioKBitrate = static_cast<int>(std::lround(wave.nAvgBytesPerSec * 8 / 1000.0));
            r.audioQuality = 100;
            m_nAudioRate = static_cast<int>(wave.nSamplesPerSec);
            m_nAudioChannels = wave.nChannels;
            m_strAudioLanguage = s.language;
        }
    }
    *request = r;
    return true;
}

void CAsfWriter::AdjustAudio(AudioEncoderSetup* audio)
{
    audio->outputRate = m_nAudioRate;
    audio->outputChannels = m_nAudioChannels;
}

std::string CAsfWriter::StreamLanguage(CWriterInputPin::Kind kind)
{
    return kind == CWriterInputPin::Kind::Video ? m_strVideoLanguage : m_strAudioLanguage;
}
