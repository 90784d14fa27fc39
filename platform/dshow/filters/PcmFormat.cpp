#include "platform/dshow/filters/PcmFormat.h"

#include "platform/dshow/MediaGuids.h"

bool PcmFormatOfType(const AM_MEDIA_TYPE& type, PcmFormat* format)
{
    const WAVEFORMATEX* wfx = WaveFormatOf(type);
    if (type.majortype != MEDIATYPE_Audio || !wfx || wfx->nChannels == 0 || wfx->nSamplesPerSec == 0 ||
        wfx->nSamplesPerSec > INT32_MAX)
        return false;
    const bool isFloat = type.subtype == MEDIASUBTYPE_IEEE_FLOAT;
    if (!isFloat && type.subtype != MEDIASUBTYPE_PCM) return false;
    PcmFormat f;
    const WORD bits = wfx->wBitsPerSample;
    if (isFloat && bits == 32) {
        f.sampleFormat = AV_SAMPLE_FMT_FLT;
    } else if (isFloat && bits == 64) {
        f.sampleFormat = AV_SAMPLE_FMT_DBL;
    } else if (!isFloat && bits == 32) {
        f.sampleFormat = AV_SAMPLE_FMT_S32;
    } else if (!isFloat && bits == 24) {
        f.sampleFormat = AV_SAMPLE_FMT_S32;
        f.packed24 = true;
    } else if (!isFloat && bits == 16) {
        f.sampleFormat = AV_SAMPLE_FMT_S16;
    } else if (!isFloat && bits == 8) {
        f.sampleFormat = AV_SAMPLE_FMT_U8;
    } else {
        return false;
    }
    f.channels = wfx->nChannels;
    f.rate = static_cast<int>(wfx->nSamplesPerSec);
    if (wfx->wFormatTag == WAVE_FORMAT_EXTENSIBLE && type.cbFormat >= sizeof(WAVEFORMATEXTENSIBLE))
        f.mask = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(type.pbFormat)->dwChannelMask;
    *format = f;
    return true;
}

void PcmTypeOfFormat(const PcmFormat& f, CMediaType* type)
{
    type->Reset();
    const bool isFloat = f.sampleFormat == AV_SAMPLE_FMT_FLT || f.sampleFormat == AV_SAMPLE_FMT_DBL;
    const GUID& subtype = isFloat ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
    const bool extensible = f.channels > 2;
    const ULONG size = extensible ? sizeof(WAVEFORMATEXTENSIBLE) : sizeof(WAVEFORMATEX);
    BYTE* block = type->AllocFormatBuffer(size);
    if (!block) return;
    auto* wfx = reinterpret_cast<WAVEFORMATEX*>(block);
    wfx->wFormatTag = extensible ? WAVE_FORMAT_EXTENSIBLE : (isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM);
    wfx->nChannels = static_cast<WORD>(f.channels);
    wfx->nSamplesPerSec = static_cast<DWORD>(f.rate);
    wfx->wBitsPerSample = static_cast<WORD>(f.SampleBytes() * 8);
    wfx->nBlockAlign = static_cast<WORD>(f.BlockBytes());
    wfx->nAvgBytesPerSec = wfx->nSamplesPerSec * wfx->nBlockAlign;
    wfx->cbSize = static_cast<WORD>(size - sizeof(WAVEFORMATEX));
    if (extensible) {
        auto* ext = reinterpret_cast<WAVEFORMATEXTENSIBLE*>(block);
        ext->Samples.wValidBitsPerSample = wfx->wBitsPerSample;
        ext->dwChannelMask = static_cast<DWORD>(f.mask & 0xFFFFFFFFu);
        ext->SubFormat = subtype;
    }
    type->SetType(MEDIATYPE_Audio);
    type->SetSubtype(subtype);
    type->SetFormatType(FORMAT_WaveFormatEx);
    type->SetSampleSize(wfx->nBlockAlign);
    type->SetTemporalCompression(false);
}

void PcmChannelLayout(const PcmFormat& f, AVChannelLayout* layout)
{
    *layout = AVChannelLayout{};
    if (f.mask && av_popcount64(f.mask) == f.channels && av_channel_layout_from_mask(layout, f.mask) == 0) return;
    av_channel_layout_default(layout, f.channels);
}

void WidenPacked24(const uint8_t* from, size_t count, int32_t* to)
{
    for (size_t i = 0; i < count; ++i, from += 3)
        to[i] = static_cast<int32_t>(static_cast<uint32_t>(from[0]) << 8 | static_cast<uint32_t>(from[1]) << 16 |
                                     static_cast<uint32_t>(from[2]) << 24);
}
