#include "platform/dshow/filters/StreamMediaType.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/dshow/filters/CodecTable.h"
#include "platform/dshow/filters/FrameRate.h"

namespace {

constexpr size_t kMaxExtradata = 1 << 20;

// The quarter (0 right, 1 down, 2 left, 3 up, clockwise on a screen whose
// y axis points down) that a direction is nearest to; -1 for no direction.
int QuarterOf(double x, double y)
{
    if (x == 0 && y == 0) return -1;
    long q = std::lround(std::atan2(y, x) / (M_PI / 2));
    return static_cast<int>(((q % 4) + 4) % 4);
}

PictureOrientation OrientationOfStream(const AVStream* stream)
{
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(int32_t)) return PictureOrientation{};
    int32_t matrix[9];
    std::memcpy(matrix, data, sizeof matrix);
    return OrientationOfDisplayMatrix(matrix);
}

REFERENCE_TIME FrameTimeOfStream(const AVStream* stream)
{
    // The stream's average rate, else the library's guess from its first
    // time stamps; neither when it is the container's clock, not pictures.
    AVRational rate = stream->avg_frame_rate;
    if (!IsPictureRate(rate)) rate = stream->r_frame_rate;
    return IsPictureRate(rate) ? FrameTimeOfRate(rate) : 0;
}

bool VideoType(const AVStream* stream, CMediaType* type)
{
    const AVCodecParameters* p = stream->codecpar;
    if (p->width <= 0 || p->height <= 0 || static_cast<size_t>(p->extradata_size) > kMaxExtradata) return false;
    GUID subtype{};
    uint32_t tag = 0;
    CodecTable::Instance().SubtypeFor(AVMEDIA_TYPE_VIDEO, p->codec_id, p->codec_tag, &subtype, &tag);
    ULONG extra = p->extradata ? static_cast<ULONG>(p->extradata_size) : 0;
    // Pictures to be turned for showing, or whose pixels are not square,
    // say so in the second form of the header; the others keep the first.
    const PictureOrientation orientation = OrientationOfStream(stream);
    const bool turned = !orientation.IsUpright();
    const AVRational sar = p->sample_aspect_ratio;
    const bool shaped = sar.num > 0 && sar.den > 0 && sar.num != sar.den;
    const bool info2 = turned || shaped;
    const ULONG head = info2 ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER);
    BYTE* block = type->AllocFormatBuffer(head + extra);
    if (!block) return false;
    // The fields up to the bit rate and frame time stand alike in both.
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(block);
    vih->dwBitRate =
        p->bit_rate > 0 && p->bit_rate <= std::numeric_limits<DWORD>::max() ? static_cast<DWORD>(p->bit_rate) : 0;
    vih->AvgTimePerFrame = FrameTimeOfStream(stream);
    BITMAPINFOHEADER& bih = info2 ? reinterpret_cast<VIDEOINFOHEADER2*>(block)->bmiHeader : vih->bmiHeader;
    if (info2) {
        auto* v2 = reinterpret_cast<VIDEOINFOHEADER2*>(block);
        // The stored picture's own shape: the turn is told apart from it.
        AVRational shape = av_mul_q(AVRational{p->width, p->height}, shaped ? sar : AVRational{1, 1});
        v2->dwPictAspectRatioX = static_cast<DWORD>(shape.num);
        v2->dwPictAspectRatioY = static_cast<DWORD>(shape.den);
        v2->dwControlFlags = OrientationControlFlags(orientation);
    }
    bih.biSize = static_cast<DWORD>(sizeof(BITMAPINFOHEADER) + extra);
    bih.biWidth = p->width;
    bih.biHeight = p->height;
    bih.biPlanes = 1;
    bih.biBitCount = static_cast<WORD>(p->bits_per_coded_sample > 0 ? p->bits_per_coded_sample : 24);
    bih.biCompression = tag;
    bih.biSizeImage = static_cast<DWORD>(p->width) * static_cast<DWORD>(p->height) * 3;
    if (extra) std::memcpy(block + head, p->extradata, extra);
    type->SetType(MEDIATYPE_Video);
    type->SetSubtype(subtype);
    type->SetFormatType(info2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo);
    type->SetVariableSize();
    type->SetTemporalCompression(true);
    return true;
}

// Uncompressed little-endian PCM and float pass as the published types,
// for the renderers to take as they are.
bool PlainAudioSubtype(AVCodecID id, GUID* subtype, WORD* tag)
{
    switch (id) {
    case AV_CODEC_ID_PCM_U8:
    case AV_CODEC_ID_PCM_S16LE:
    case AV_CODEC_ID_PCM_S24LE:
    case AV_CODEC_ID_PCM_S32LE:
        *subtype = MEDIASUBTYPE_PCM;
        *tag = WAVE_FORMAT_PCM;
        return true;
    case AV_CODEC_ID_PCM_F32LE:
    case AV_CODEC_ID_PCM_F64LE:
        *subtype = MEDIASUBTYPE_IEEE_FLOAT;
        *tag = WAVE_FORMAT_IEEE_FLOAT;
        return true;
    default: return false;
    }
}

bool AudioType(const AVStream* stream, CMediaType* type)
{
    const AVCodecParameters* p = stream->codecpar;
    int channels = p->ch_layout.nb_channels;
    if (channels <= 0 || channels > 0xFFFF || p->sample_rate <= 0) return false;
    if (static_cast<size_t>(p->extradata_size) > kMaxExtradata) return false;
    GUID subtype{};
    WORD formatTag = 0;
    bool plain = PlainAudioSubtype(p->codec_id, &subtype, &formatTag);
    if (!plain) {
        uint32_t tag = 0;
        CodecTable::Instance().SubtypeFor(AVMEDIA_TYPE_AUDIO, p->codec_id, p->codec_tag, &subtype, &tag);
        formatTag = tag && tag <= 0xFFFF ? static_cast<WORD>(tag) : WAVE_FORMAT_EXTENSIBLE;
    }
    int bits = p->bits_per_coded_sample > 0 ? p->bits_per_coded_sample : av_get_bits_per_sample(p->codec_id);
    bool extensible = formatTag == WAVE_FORMAT_EXTENSIBLE || (plain && (channels > 2 || bits > 16));
    size_t head = extensible ? sizeof(WAVEFORMATEXTENSIBLE) : sizeof(WAVEFORMATEX);
    size_t extra = plain || !p->extradata ? 0 : static_cast<size_t>(p->extradata_size);
    if (head + extra - sizeof(WAVEFORMATEX) > 0xFFFF) return false;
    BYTE* block = type->AllocFormatBuffer(static_cast<ULONG>(head + extra));
    if (!block) return false;
    auto* wfx = reinterpret_cast<WAVEFORMATEX*>(block);
    wfx->wFormatTag = extensible ? WAVE_FORMAT_EXTENSIBLE : formatTag;
    wfx->nChannels = static_cast<WORD>(channels);
    wfx->nSamplesPerSec = static_cast<DWORD>(p->sample_rate);
    wfx->wBitsPerSample = static_cast<WORD>(bits > 0 ? bits : 0);
    if (plain) {
        wfx->nBlockAlign = static_cast<WORD>(channels * bits / 8);
        wfx->nAvgBytesPerSec = wfx->nSamplesPerSec * wfx->nBlockAlign;
    } else {
        wfx->nBlockAlign = static_cast<WORD>(p->block_align > 0 && p->block_align <= 0xFFFF ? p->block_align : 1);
        wfx->nAvgBytesPerSec = p->bit_rate > 0 ? static_cast<DWORD>(p->bit_rate / 8) : 0;
    }
    wfx->cbSize = static_cast<WORD>(head + extra - sizeof(WAVEFORMATEX));
    if (extensible) {
        auto* ext = reinterpret_cast<WAVEFORMATEXTENSIBLE*>(block);
        ext->Samples.wValidBitsPerSample = wfx->wBitsPerSample;
        ext->dwChannelMask =
            p->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? static_cast<DWORD>(p->ch_layout.u.mask & 0xFFFFFFFFu) : 0;
        ext->SubFormat = subtype;
    }
    if (extra) std::memcpy(block + head, p->extradata, extra);
    type->SetType(MEDIATYPE_Audio);
    type->SetSubtype(subtype);
    type->SetFormatType(FORMAT_WaveFormatEx);
    if (plain)
        type->SetSampleSize(wfx->nBlockAlign);
    else
        type->SetVariableSize();
    type->SetTemporalCompression(false);
    return true;
}

bool SetExtradata(AVCodecParameters* params, const BYTE* data, size_t size)
{
    av_freep(&params->extradata);
    params->extradata_size = 0;
    if (!size) return true;
    if (size > kMaxExtradata) return false;
    params->extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!params->extradata) return false;
    std::memcpy(params->extradata, data, size);
    params->extradata_size = static_cast<int>(size);
    return true;
}

}  // namespace

PictureOrientation OrientationOfDisplayMatrix(const int32_t matrix[9])
{
    // Where the picture's x and y axes go.
    const int x = QuarterOf(matrix[0], matrix[1]);
    const int y = QuarterOf(matrix[3], matrix[4]);
    PictureOrientation o;
    if (x < 0 || y < 0) return o;
    if (y == (x + 1) % 4) {
        // The y axis a quarter clockwise from the x axis, as stored: a turn.
        o.quarterTurns = x;
    } else if (y == (x + 3) % 4) {
        // A mirror turns the x axis to the left first.
        o.mirrored = true;
        o.quarterTurns = (x + 2) % 4;
    }
    return o;
}

bool MediaTypeOfStream(const AVStream* stream, CMediaType* type)
{
    if (!stream || !stream->codecpar || !type) return false;
    type->Reset();
    switch (stream->codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO: return VideoType(stream, type);
    case AVMEDIA_TYPE_AUDIO: return AudioType(stream, type);
    default: return false;
    }
}

bool CodecParametersOfType(const AM_MEDIA_TYPE& type, AVCodecParameters* params)
{
    AVCodecID id = CodecTable::Instance().CodecOf(type.majortype, type.subtype);
    if (id == AV_CODEC_ID_NONE) return false;
    if (type.majortype == MEDIATYPE_Video) {
        const BITMAPINFOHEADER* bih = BitmapHeaderOf(type);
        if (!bih || bih->biWidth <= 0 || bih->biHeight == 0 || bih->biWidth > 32768 || bih->biHeight > 32768 ||
            bih->biHeight < -32768)
            return false;
        size_t headerEnd = static_cast<size_t>(reinterpret_cast<const BYTE*>(bih) - type.pbFormat) + sizeof(*bih);
        const BYTE* extra = nullptr;
        size_t extraSize = 0;
        if (type.formattype == FORMAT_MPEG2Video || type.formattype == FORMAT_MPEGVideo) {
            // The sequence header follows the fixed part of the MPEG record.
            size_t at = type.formattype == FORMAT_MPEG2Video ? offsetof(MPEG2VIDEOINFO, dwSequenceHeader)
                                                             : offsetof(MPEG1VIDEOINFO, bSequenceHeader);
            size_t lengthAt = type.formattype == FORMAT_MPEG2Video ? offsetof(MPEG2VIDEOINFO, cbSequenceHeader)
                                                                   : offsetof(MPEG1VIDEOINFO, cbSequenceHeader);
            if (type.cbFormat >= lengthAt + 4) {
                DWORD length = 0;
                std::memcpy(&length, type.pbFormat + lengthAt, 4);
                if (at <= type.cbFormat && length <= type.cbFormat - at) {
                    extra = type.pbFormat + at;
                    extraSize = length;
                }
            }
        } else if (bih->biSize > sizeof(BITMAPINFOHEADER) && type.cbFormat > headerEnd) {
            extraSize = std::min<size_t>(bih->biSize - sizeof(BITMAPINFOHEADER), type.cbFormat - headerEnd);
            extra = type.pbFormat + headerEnd;
        }
        params->codec_type = AVMEDIA_TYPE_VIDEO;
        params->codec_id = id;
        params->codec_tag = bih->biCompression;
        params->width = bih->biWidth;
        params->height = bih->biHeight < 0 ? -bih->biHeight : bih->biHeight;
        params->bits_per_coded_sample = bih->biBitCount;
        return SetExtradata(params, extra, extraSize);
    }
    if (type.majortype == MEDIATYPE_Audio) {
        const WAVEFORMATEX* wfx = WaveFormatOf(type);
        if (!wfx || wfx->nChannels == 0 || wfx->nSamplesPerSec == 0 || wfx->nSamplesPerSec > 768000) return false;
        size_t head = sizeof(WAVEFORMATEX);
        if (wfx->wFormatTag == WAVE_FORMAT_EXTENSIBLE && wfx->cbSize >= 22) head = sizeof(WAVEFORMATEXTENSIBLE);
        size_t declared = sizeof(WAVEFORMATEX) + wfx->cbSize;
        size_t end = std::min<size_t>(declared, type.cbFormat);
        params->codec_type = AVMEDIA_TYPE_AUDIO;
        params->codec_id = id;
        params->codec_tag = wfx->wFormatTag == WAVE_FORMAT_EXTENSIBLE ? 0 : wfx->wFormatTag;
        params->sample_rate = static_cast<int>(wfx->nSamplesPerSec);
        av_channel_layout_uninit(&params->ch_layout);
        av_channel_layout_default(&params->ch_layout, wfx->nChannels);
        params->block_align = wfx->nBlockAlign;
        params->bit_rate = static_cast<int64_t>(wfx->nAvgBytesPerSec) * 8;
        params->bits_per_coded_sample = wfx->wBitsPerSample;
        return SetExtradata(params, end > head ? type.pbFormat + head : nullptr, end > head ? end - head : 0);
    }
    return false;
}
