// The read-only texts and numbers of the settings record: rate values, the
// output size and name, the size prediction and the stream summaries the job
// list and the progress window show.

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "encoder/core/EncSettings.h"
#include "encoder/core/H264Module.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/OutputFormat.h"
#include "encoder/core/OutputNaming.h"
#include "foundation/PathHelpers.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/PictureOrientation.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/FourCC.h"

namespace {

// A side worked out in double precision, truncated toward zero and kept in
// the int range.
int TruncatedSide(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

// M, then each non-empty part after ", ".
CString JoinSummary(const CString& mode, std::initializer_list<CString> parts)
{
    CString out = mode;
    for (const CString& p : parts)
        if (!p.IsEmpty()) out += L", " + p;
    return out;
}

// The video encoder works in quality mode: it takes no bit rate.
bool IsQualityMode(const SReadCodecFields& f) { return f.nVideoEncMode && *f.nVideoEncMode == 1; }

}  // namespace

int CEncSettings::GetVideoBitrate() const
{
    const SReadCodecFields f = CodecFieldsOf(*this);
    if (!f.nVideoKBitrate || IsQualityMode(f)) return -1;
    return *f.nVideoKBitrate;
}

int CEncSettings::GetVideoQuality() const
{
    const SOutputFormat* format = FindOutputFormat(nEncFormat);
    if (!format) return -1;
    const SReadCodecFields f = format->readCodecBlock(*this);
    return format->videoQualityInEveryMode || IsQualityMode(f) ? *f.nVideoQuality : -1;
}

bool CEncSettings::IsTwoPassVideo() const
{
    const SReadCodecFields f = CodecFieldsOf(*this);
    return f.nVideoEncMode && *f.nVideoEncMode == 2;
}

void CEncSettings::GetOutputVideoSize(int sourceWidth, int sourceHeight, int& width, int& height) const
{
    const int w = nVideoSizeW;
    const int h = nVideoSizeH;
    const bool sourceKnown = sourceWidth > 0 && sourceHeight > 0;
    if (w > 0 && h > 0) {
        width = w;
        height = h;
    } else if (w > 0 && h == 0) {
        width = w;
        height = sourceKnown ? TruncatedSide(static_cast<double>(w) * sourceHeight / sourceWidth)
                             : TruncatedSide(static_cast<double>(w) * 3 * 0.25);
    } else if (w == 0 && h > 0) {
        height = h;
        width = sourceKnown ? TruncatedSide(static_cast<double>(h) * sourceWidth / sourceHeight)
                            : TruncatedSide(static_cast<double>(h) * 4 * 0.3333333333333333);
    } else {
        width = sourceWidth;
        height = sourceHeight;
    }
}

bool CEncSettings::CanEncodeVideoSize(int sourceWidth, int sourceHeight) const
{
    int width = sourceWidth, height = sourceHeight;
    if (nVideoSizeW != 0 || nVideoSizeH != 0) GetOutputVideoSize(sourceWidth, sourceHeight, width, height);
    // The writers encode the even size below an odd one.
    const long long w = std::llabs(static_cast<long long>(width)) & ~1LL;
    const long long h = std::llabs(static_cast<long long>(height)) & ~1LL;
    if (w < 2 || h < 2) return false;
    // The Windows Media codecs, named rather than coded, take any size.
    const SReadCodecFields f = CodecFieldsOf(*this);
    const DWORD fourcc = f.fccVideoCodec ? *f.fccVideoCodec : 0;
    if (IsH264Fourcc(fourcc)) return w <= 16384 && h <= 16384;
    const DWORD upper = FourCCUpper(fourcc);
    // MPEG-4 part 2 writes each side in 13 bits.
    for (DWORD code : {FourCC("XVID"), FourCC("DIVX"), FourCC("DX50"), FourCC("FMP4"), FourCC("MP4V")})
        if (upper == code) return w < 8192 && h < 8192;
    return true;
}

CString CEncSettings::GetOutputFileName(const CString& sourcePath, int jobIndex, int counter) const
{
    CString name;
    MakeOutputFileName(name, GetFileNameFromPath(sourcePath), sEtcNaming, OutputFormatOf(nEncFormat).extension, counter,
                       jobIndex + 1);
    return name;
}

CString CEncSettings::GetOutputFilePath(const CString& sourcePath, int jobIndex) const
{
    CString name = GetOutputFileName(sourcePath, jobIndex, nEtcNamingCnt);
    // Without a name the folder alone must not pass for an output file.
    if (name.IsEmpty()) return CString();
    return CombinePath(sDstFolder, name, L"/");
}

CString CEncSettings::GetFileSizePrediction(const SEncJobMedia& job) const
{
    const int seconds = job.nRangeStart < job.nRangeEnd ? job.nRangeEnd - job.nRangeStart : job.nDuration;
    const SOutputFormat* format = FindOutputFormat(nEncFormat);
    CString time;
    time.Format(L"%01d:%02d:%02d", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
    CString out = CString(format ? format->name : L"ETC") + L", " + time + L", ";
    // In quality mode the size is not known beforehand.
    const SReadCodecFields f = CodecFieldsOf(*this);
    if (!format || IsQualityMode(f)) return out + LookupText(L"TEXT_FILESIZE_PREDICTION_NO");
    // Windows Media names its audio format, which gives the audio rate.
    const int64_t audioKbps = f.nAudioKBitrate ? *f.nAudioKBitrate : f.windowsMedia->GetAudioBitrate() / 1000;
    const int64_t rate = static_cast<int64_t>(*f.nVideoKBitrate) + audioKbps;

    // seconds x rate x 1024 bits as bytes; a product beyond 64 bits (only
    // from absurd settings) stays at the largest value.
    int64_t bits = 0;
    if (__builtin_mul_overflow(static_cast<int64_t>(seconds), rate, &bits) ||
        __builtin_mul_overflow(bits, int64_t{1024}, &bits))
        bits = (seconds < 0) != (rate < 0) ? INT64_MIN : INT64_MAX;
    int64_t bytes = bits >> 3;
    // The container's own structure.
    if (__builtin_add_overflow(bytes, static_cast<int64_t>(seconds) * format->containerBytesPerSecond, &bytes))
        bytes = seconds < 0 ? INT64_MIN : INT64_MAX;
    return out + FormatFileSize(bytes) + LookupText(L"TEXT_FILESIZE_PREDICTION");
}

CString CEncSettings::GetVideoSummary(const SEncJobMedia* job) const
{
    if (!job || !job->pVideoType) return CString();
    // The picture as it is seen, turned as the source says.
    int shownWidth = 0;
    int shownHeight = 0;
    if (!ShownPictureSize(*job->pVideoType, &shownWidth, &shownHeight)) return CString();
    const REFERENCE_TIME frameTime = FrameTimeOf(*job->pVideoType);

    int width = 0;
    int height = 0;
    GetOutputVideoSize(shownWidth, shownHeight, width, height);
    CString size;
    size.Format(L"%dx%d", width, height);

    CString rate;
    if (nVideoFrameRate > 0 && nVideoFrameScale > 0)
        rate.Format(L"%.2ffps", static_cast<double>(nVideoFrameRate) / nVideoFrameScale);
    else
        rate.Format(L"%.2ffps", frameTime > 0 ? 10000000.0 / frameTime : 0.0);

    const int k = GetVideoBitrate();
    const int q = GetVideoQuality();
    CString bitrate;
    if (k >= 0 && k <= 1000)
        bitrate.Format(L"%dKbps", k);
    else if (k > 1000)
        bitrate.Format(L"%.1fMbps", k * 0.001);
    CString quality;
    if (q >= 0) quality.Format(L"Quality %d", q);
    const wchar_t* mode = q >= 0 && k < 0 ? L"VBR" : IsTwoPassVideo() ? L"2PASS-CBR" : L"CBR";
    return JoinSummary(mode, {quality, size, rate, bitrate});
}

CString CEncSettings::GetAudioSummary(const SEncJobMedia* job) const
{
    if (!job || !job->pAudioType) return CString();
    // A number that names no format shows the OGM block.
    const SOutputFormat* format = FindOutputFormat(nEncFormat);
    if (!format) format = FindOutputFormat(kEncFormatOgm);
    const SReadCodecFields f = format->readCodecBlock(*this);
    if (f.windowsMedia) return f.windowsMedia->sAudioFormat;

    const WAVEFORMATEX* wave = WaveFormatOf(*job->pAudioType);
    if (!wave) return CString();
    const DWORD samplesPerSec = wave->nSamplesPerSec;

    CString channels;
    channels.Format(L"%dCh", nAudioChannels);
    CString rate;
    if (nAudioSRate > 0)
        rate.Format(L"%2.1fKHz", nAudioSRate * 0.001);
    else
        rate.Format(L"%2.1fKHz", static_cast<double>(samplesPerSec / 1000));

    CString mode;
    CString bitrate;
    CString quality;
    // Without an audio mode the encoder works at a variable rate (AAC).
    const bool variable = !f.nAudioEncMode || *f.nAudioEncMode != 0;
    mode = variable ? L"VBR" : L"CBR";
    if (!format->audioRateOrQuality || !variable) bitrate.Format(L"%dKbps", *f.nAudioKBitrate);
    if (!format->audioRateOrQuality || variable) quality.Format(L"Quality %d", *f.nAudioQuality);
    return JoinSummary(mode, {quality, channels, rate, bitrate});
}

CString CEncSettings::BoolToYesNo(int value) { return value ? L"yes" : L"no"; }

double CEncSettings::StringToDouble(const CString& text)
{
    std::string narrow = WideToMultiByte(CP_ACP, text.str());
    return ParseDoubleC(narrow.c_str());
}
