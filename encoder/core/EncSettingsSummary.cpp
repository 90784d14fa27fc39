// The read-only texts and numbers of the settings record: rate values, the
// output size and name, the size prediction and the stream summaries the job
// list and the progress window show.

#include <climits>
#include <cstdlib>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "encoder/core/EncSettings.h"
#include "encoder/core/H264Module.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/OutputNaming.h"
#include "foundation/PathHelpers.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/PictureOrientation.h"
#include "platform/win32/CodePage.h"

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

}  // namespace

int CEncSettings::GetVideoBitrate() const
{
    switch (nEncFormat) {
    case 0:
        return AviEncoder.nVideoEncMode == 1 ? -1 : AviEncoder.nVideoKBitrate;
    case 1:
        return Mp4Encoder.nVideoEncMode == 1 ? -1 : Mp4Encoder.nVideoKBitrate;
    case 2:
        return WmvEncoder.nVideoKBitrate;
    case 3:
        return OgmEncoder.nVideoEncMode == 1 ? -1 : OgmEncoder.nVideoKBitrate;
    default:
        return -1;
    }
}

int CEncSettings::GetVideoQuality() const
{
    switch (nEncFormat) {
    case 0:
        return AviEncoder.nVideoEncMode == 1 ? AviEncoder.nVideoQuality : -1;
    case 1:
        return Mp4Encoder.nVideoEncMode == 1 ? Mp4Encoder.nVideoQuality : -1;
    case 2:
        return WmvEncoder.nVideoQuality;
    case 3:
        // The OGM writer takes its quality in every mode.
        return OgmEncoder.nVideoQuality;
    default:
        return -1;
    }
}

bool CEncSettings::IsTwoPassVideo() const
{
    switch (nEncFormat) {
    case 0:
        return AviEncoder.nVideoEncMode == 2;
    case 1:
        return Mp4Encoder.nVideoEncMode == 2;
    case 3:
        return OgmEncoder.nVideoEncMode == 2;
    default:
        return false;
    }
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
    DWORD fourcc = 0;
    switch (nEncFormat) {
    case 0: fourcc = AviEncoder.fccVideoCodec; break;
    case 1: fourcc = Mp4Encoder.fccVideoCodec; break;
    case 3: fourcc = OgmEncoder.fccVideoCodec; break;
    default: break;  // the Windows Media codecs take any size
    }
    if (IsH264Fourcc(fourcc)) return w <= 16384 && h <= 16384;
    DWORD upper = 0;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>(fourcc >> (8 * i));
        upper |= static_cast<DWORD>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) << (8 * i);
    }
    // MPEG-4 part 2 writes each side in 13 bits.
    for (DWORD code : {MAKEFOURCC('X', 'V', 'I', 'D'), MAKEFOURCC('D', 'I', 'V', 'X'), MAKEFOURCC('D', 'X', '5', '0'),
                       MAKEFOURCC('F', 'M', 'P', '4'), MAKEFOURCC('M', 'P', '4', 'V')})
        if (upper == code) return w < 8192 && h < 8192;
    return true;
}

CString CEncSettings::GetOutputFileName(const CString& sourcePath, int jobIndex, int counter) const
{
    static const wchar_t* const kExtensions[] = {L"avi", L"mp4", L"wmv", L"ogm"};
    const wchar_t* extension = nEncFormat >= 0 && nEncFormat < 4 ? kExtensions[nEncFormat] : L"avi";
    CString name;
    MakeOutputFileName(name, GetFileNameFromPath(sourcePath), sEtcNaming, extension, counter, jobIndex + 1);
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
    const wchar_t* word = L"ETC";
    bool predict = false;
    int64_t rate = 1000;
    switch (nEncFormat) {
    case 0:
        word = L"AVI";
        predict = AviEncoder.nVideoEncMode != 1;
        rate = static_cast<int64_t>(AviEncoder.nAudioKBitrate) + AviEncoder.nVideoKBitrate;
        break;
    case 1:
        word = L"MP4";
        predict = Mp4Encoder.nVideoEncMode != 1;
        rate = static_cast<int64_t>(Mp4Encoder.nAudioKBitrate) + Mp4Encoder.nVideoKBitrate;
        break;
    case 2:
        word = L"WMV";
        predict = true;
        rate = static_cast<int64_t>(WmvEncoder.nVideoKBitrate) + WmvEncoder.GetAudioBitrate() / 1000;
        break;
    case 3:
        word = L"OGM";
        predict = OgmEncoder.nVideoEncMode != 1;
        rate = static_cast<int64_t>(OgmEncoder.nAudioKBitrate) + OgmEncoder.nVideoKBitrate;
        break;
    default:
        break;
    }
    CString time;
    time.Format(L"%01d:%02d:%02d", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
    CString out = CString(word) + L", " + time + L", ";
    if (!predict) return out + LookupText(L"TEXT_FILESIZE_PREDICTION_NO");

    // seconds x rate x 1024 bits as bytes; a product beyond 64 bits (only
    // from absurd settings) stays at the largest value.
    int64_t bits = 0;
    if (__builtin_mul_overflow(static_cast<int64_t>(seconds), rate, &bits) ||
        __builtin_mul_overflow(bits, int64_t{1024}, &bits))
        bits = (seconds < 0) != (rate < 0) ? INT64_MIN : INT64_MAX;
    int64_t bytes = bits >> 3;
    // Every container but OGM adds about 640 bytes of structure a second.
    if (nEncFormat != 3 && __builtin_add_overflow(bytes, static_cast<int64_t>(seconds) * 640, &bytes))
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
    if (nEncFormat == 2) return WmvEncoder.sAudioFormat;

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
    switch (nEncFormat) {
    case 0:
        mode = AviEncoder.nAudioEncMode ? L"VBR" : L"CBR";
        bitrate.Format(L"%dKbps", AviEncoder.nAudioKBitrate);
        quality.Format(L"Quality %d", AviEncoder.nAudioQuality);
        break;
    case 1:
        mode = L"VBR";
        bitrate.Format(L"%dKbps", Mp4Encoder.nAudioKBitrate);
        quality.Format(L"Quality %d", Mp4Encoder.nAudioQuality);
        break;
    default:
        if (OgmEncoder.nAudioEncMode == 0) {
            mode = L"CBR";
            bitrate.Format(L"%dKbps", OgmEncoder.nAudioKBitrate);
        } else {
            mode = L"VBR";
            quality.Format(L"Quality %d", OgmEncoder.nAudioQuality);
        }
        break;
    }
    return JoinSummary(mode, {quality, channels, rate, bitrate});
}

CString CEncSettings::BoolToYesNo(int value) { return value ? L"yes" : L"no"; }

double CEncSettings::StringToDouble(const CString& text)
{
    std::string narrow = WideToMultiByte(CP_ACP, text.str());
    return ParseDoubleC(narrow.c_str());
}
