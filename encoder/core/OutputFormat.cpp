#include "encoder/core/OutputFormat.h"

#include "encoder/core/EncSettings.h"

namespace {

// The fields a block of any kind has, found by their names: the AVI and OGM
// block, the MP4 block (with its portable-player flags and without an audio
// mode) and the Windows Media helper (rates only, codecs by name).
template <class Settings, class Block>
SCodecFieldsOf<Settings> FieldsOfBlock(Block& block)
{
    SCodecFieldsOf<Settings> f;
    if constexpr (requires { block.bSupportPSP; }) f.bSupportPSP = &block.bSupportPSP;
    if constexpr (requires { block.fccVideoCodec; }) f.fccVideoCodec = &block.fccVideoCodec;
    if constexpr (requires { block.nVideoEncMode; }) f.nVideoEncMode = &block.nVideoEncMode;
    f.nVideoKBitrate = &block.nVideoKBitrate;
    f.nVideoQuality = &block.nVideoQuality;
    f.nSecPerKeyframe = &block.nSecPerKeyframe;
    if constexpr (requires { block.bH264Baseline13; }) f.bH264Baseline13 = &block.bH264Baseline13;
    if constexpr (requires { block.nAudioCodec; }) f.nAudioCodec = &block.nAudioCodec;
    if constexpr (requires { block.nAudioEncMode; }) f.nAudioEncMode = &block.nAudioEncMode;
    if constexpr (requires { block.nAudioKBitrate; }) f.nAudioKBitrate = &block.nAudioKBitrate;
    if constexpr (requires { block.nAudioQuality; }) f.nAudioQuality = &block.nAudioQuality;
    if constexpr (std::is_same_v<std::remove_const_t<Block>, CWmProfileHelper>) f.windowsMedia = &block;
    return f;
}

template <auto Block, class Settings>
SCodecFieldsOf<Settings> BlockOf(Settings& settings)
{
    return FieldsOfBlock<Settings>(settings.*Block);
}

constexpr SOutputFormat kFormats[] = {
    {
        .number = kEncFormatAvi,
        .name = L"AVI",
        .extension = L"avi",
        .listTextKey = L"TEXT_ENCTYPE_FORMAT_AVI",
        .codecBlock = &BlockOf<&CEncSettings::AviEncoder, CEncSettings>,
        .readCodecBlock = &BlockOf<&CEncSettings::AviEncoder, const CEncSettings>,
        .presetAudioCodec = L"MP3",
        .audioCodecTag = 0x0055,  // MPEG Layer-3
        .presetAudioQualityMost = 100,
        .lowerCaseVideoCodec = false,
        .videoQualityInEveryMode = false,
        .audioRateOrQuality = false,
        .containerBytesPerSecond = 640,
    },
    {
        .number = kEncFormatMp4,
        .name = L"MP4",
        .extension = L"mp4",
        .listTextKey = L"TEXT_ENCTYPE_FORMAT_MP4",
        .codecBlock = &BlockOf<&CEncSettings::Mp4Encoder, CEncSettings>,
        .readCodecBlock = &BlockOf<&CEncSettings::Mp4Encoder, const CEncSettings>,
        .presetAudioCodec = L"AAC",
        .audioCodecTag = 0x00FF,  // AAC
        .presetAudioQualityMost = 100,
        .lowerCaseVideoCodec = true,
        .videoQualityInEveryMode = false,
        .audioRateOrQuality = false,
        .containerBytesPerSecond = 640,
    },
    {
        .number = kEncFormatWmv,
        .name = L"WMV",
        .extension = L"wmv",
        .listTextKey = L"TEXT_ENCTYPE_FORMAT_WMV",
        .codecBlock = &BlockOf<&CEncSettings::WmvEncoder, CEncSettings>,
        .readCodecBlock = &BlockOf<&CEncSettings::WmvEncoder, const CEncSettings>,
        .presetAudioCodec = nullptr,
        .audioCodecTag = 0,
        .presetAudioQualityMost = 0,
        .lowerCaseVideoCodec = false,
        .videoQualityInEveryMode = true,
        .audioRateOrQuality = false,
        .containerBytesPerSecond = 640,
    },
    {
        .number = kEncFormatOgm,
        .name = L"OGM",
        .extension = L"ogm",
        .listTextKey = L"TEXT_ENCTYPE_FORMAT_OGM",
        .codecBlock = &BlockOf<&CEncSettings::OgmEncoder, CEncSettings>,
        .readCodecBlock = &BlockOf<&CEncSettings::OgmEncoder, const CEncSettings>,
        .presetAudioCodec = L"VORBIS",
        .audioCodecTag = 0x674F,  // Vorbis
        .presetAudioQualityMost = 10,
        .lowerCaseVideoCodec = false,
        .videoQualityInEveryMode = true,
        .audioRateOrQuality = true,
        .containerBytesPerSecond = 0,
    },
};

static_assert(OneRowPerFormatInNumberOrder(kFormats, &SOutputFormat::number), "the formats stand at their numbers");

}  // namespace

std::span<const SOutputFormat> OutputFormats() { return kFormats; }

const SOutputFormat* FindOutputFormat(int nEncFormat)
{
    return nEncFormat >= 0 && nEncFormat < kEncFormatCount ? &kFormats[nEncFormat] : nullptr;
}

const SOutputFormat* FindOutputFormatByName(const CString& name)
{
    CString upper = name;
    upper.MakeUpper();
    for (const SOutputFormat& f : kFormats)
        if (upper == f.name) return &f;
    return nullptr;
}

const SOutputFormat& OutputFormatOf(int nEncFormat)
{
    const SOutputFormat* format = FindOutputFormat(nEncFormat);
    return format ? *format : kFormats[kEncFormatAvi];
}

SCodecFields CodecFieldsOf(CEncSettings& settings)
{
    const SOutputFormat* format = FindOutputFormat(settings.nEncFormat);
    return format ? format->codecBlock(settings) : SCodecFields{};
}

SReadCodecFields CodecFieldsOf(const CEncSettings& settings)
{
    const SOutputFormat* format = FindOutputFormat(settings.nEncFormat);
    return format ? format->readCodecBlock(settings) : SReadCodecFields{};
}
