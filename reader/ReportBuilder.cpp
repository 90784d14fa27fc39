#include "ReportBuilder.h"

#include <cmath>
#include <iterator>
#include <string>

#include "CheckedFile.h"
#include "CodecTables.h"
#include "FormatDetection.h"
#include "ReaderHelpers.h"
#include "ReaderStrings.h"
#include "analysers/AsfFile.h"
#include "analysers/AviFile.h"
#include "analysers/MkvFile.h"
#include "analysers/Mp4File.h"
#include "analysers/OggFile.h"
#include "analysers/RmFile.h"
#include "platform/win32/FourCC.h"

namespace {

const wchar_t kEqualsLine[] = L"===================================================================";
const wchar_t kDashLine[] = L"-------------------------------------------------------------------";
const wchar_t kBanner[] = L"=========================[ By RivoReader ]==========================";

static_assert(std::size(kEqualsLine) == 68 && std::size(kDashLine) == 68);

// Bytes shown by the hex dump: 360 are read, whole lines of 16 are shown.
constexpr size_t kDumpBytes = 360;
constexpr size_t kDumpLineBytes = 16;

CString Res(UINT id) { return CString(GetResString(id)); }

// The text of a narrow tag, or nothing when the analyser has no such tag.
bool NarrowTag(const char* tag, CString& out)
{
    if (!tag) return false;
    out = CString(ToWide(tag));
    return true;
}

bool WideTag(const wchar_t* tag, CString& out)
{
    if (!tag) return false;
    out = CString(tag);
    return true;
}

}  // namespace

CString CReportBuilder::FormatGroupedInt64(int64_t value)
{
    CString s;
    s.Format(L"%I64d", value);
    for (int pos = s.GetLength() - 3; pos > 0; pos -= 3) s.Insert(pos, L',');
    return s;
}

CString CReportBuilder::FormatFileSize(int64_t bytes)
{
    // The fraction is cut to one decimal before printing, not rounded.
    auto cut = [bytes](double unit) { return std::floor(static_cast<double>(bytes) / unit * 10.0) * 0.1; };
    CString s;
    if (bytes > 1073741824LL || bytes > 0xFFFFFFFFLL)
        s.Format(L"%.1f GBytes", cut(1073741824.0));
    else if (bytes > 1048576)
        s.Format(L"%.1f MBytes", cut(1048576.0));
    else if (bytes >= 1025)
        s.Format(L"%.1f KBytes", cut(1024.0));
    else
        s.Format(L"%I64d Byte ", bytes);
    return s;
}

CString CReportBuilder::FormatBitRate(int64_t bitsPerSecond)
{
    CString s;
    if (bitsPerSecond >= 1000000)
        s.Format(L"%.2f MBits/Sec", static_cast<double>(bitsPerSecond) * 0.000001);
    else if (bitsPerSecond >= 1000)
        s.Format(L"%.2f KBits/Sec", static_cast<double>(bitsPerSecond) * 0.001);
    else
        s.Format(L"%.2f Bits/Sec", static_cast<double>(bitsPerSecond));
    return s;
}

CString CReportBuilder::FileNamePart(const CString& path)
{
    int cut = -1;
    for (int i = 0; i < path.GetLength(); ++i) {
        wchar_t c = path[i];
        if (c == L'/' || c == L'\\' || c == L'|') cut = i;
    }
    return path.Mid(cut + 1);
}

void CReportBuilder::AppendReportLine(const CString& text) { m_sink.AppendReportText(text + L"\r\n"); }

void CReportBuilder::AppendLabelled(UINT labelId, const CString& text) { AppendReportLine(Res(labelId) + text); }

void CReportBuilder::BuildReport(const CString& path)
{
    if (path.IsEmpty()) return;
    if (!FileExists(path)) {
        m_sink.ShowErrorMessage(Res(IDS_FILE_NOT_FOUND));
        return;
    }
    int type = DetectFileFormat(path);
    std::unique_ptr<MediaFileInfo> analyser = CreateFileParser(type);
    if (!analyser) {
        WriteBinaryDump(path);
        return;
    }
    // The return value is not needed: the status stays in the record.
    analyser->Analyse(path);
    WriteReport(path, *analyser);
}

void CReportBuilder::WriteReport(const CString& path, MediaFileInfo& info)
{
    m_pInfo = &info;
    m_path = path;
    AppendReportLine(kEqualsLine);
    AppendReportLine(Res(IDS_SECTION_BASIC));
    AppendReportLine(kDashLine);
    WriteBasicInfo();
    AppendReportLine(kDashLine);
    AppendReportLine(Res(IDS_SECTION_VIDEO));
    AppendReportLine(kDashLine);
    WriteVideoInfo();
    AppendReportLine(kDashLine);
    AppendReportLine(Res(IDS_SECTION_AUDIO));
    AppendReportLine(kDashLine);
    WriteAudioInfo();
    // Ogg and FLV analysers gather no key-frame statistics.
    if (info.m_nFileType != FILETYPE_OGG && info.m_nFileType != FILETYPE_FLV) {
        AppendReportLine(kDashLine);
        AppendReportLine(Res(IDS_SECTION_KEY_FRAME));
        AppendReportLine(kDashLine);
        WriteKeyFrameInfo();
    }
    AppendReportLine(kBanner);
    AppendReportLine(L"");
    m_pInfo = nullptr;
}

void CReportBuilder::WriteBasicInfo()
{
    const MediaFileInfo& r = *m_pInfo;
    AppendLabelled(IDS_LABEL_FILE_NAME, FileNamePart(m_path));
    if (r.m_nStatus != STATUS_OK) {
        UINT id = StatusTextId(r.m_nStatus);
        AppendLabelled(IDS_LABEL_STATE, id ? Res(id) : CString());
    }
    AppendLabelled(IDS_LABEL_FILE_FORMAT, Res(FileFormatTextId(r.m_nFileType)));
    auto sizeText = [](int64_t size) {
        CString s = FormatGroupedInt64(size) + L" Byte";
        s.AppendFormat(L" (%.1f MB)", static_cast<double>(size) / 1024 / 1024);
        return s;
    };
    if (r.m_llFileSize != 0) AppendLabelled(IDS_LABEL_FILE_SIZE, sizeText(r.m_llFileSize));
    if (r.m_llDataSize != 0) AppendLabelled(IDS_LABEL_DATA_SIZE, sizeText(r.m_llDataSize));
    if (r.m_llDuration != 0) {
        int64_t s = r.m_llDuration / 10000000;
        CString t;
        t.Format(L"%02d:%02d:%02d   (%d Sec)", s / 3600, (s % 3600) / 60, s % 60, s);
        AppendLabelled(IDS_LABEL_PLAYBACK_TIME, t);
    }
    if (r.m_llBitRate != 0) AppendLabelled(IDS_LABEL_AVG_BIT_RATE, FormatBitRate(r.m_llBitRate));
    WriteTagLines();
    AppendReportLine(L"");
}

void CReportBuilder::WriteTagLines()
{
    struct TagLine {
        UINT label;
        bool present;
        CString text;
    };
    TagLine lines[5];
    int count = 0;
    auto add = [&](UINT label, bool present, const CString& text) { lines[count++] = {label, present, text}; };
    CString t;
    switch (m_pInfo->m_nFileType) {
    case FILETYPE_AVI:
        if (auto* avi = dynamic_cast<AviFile*>(m_pInfo)) {
            add(IDS_LABEL_TITLE, NarrowTag(avi->GetTitle(), t), t);
            add(IDS_LABEL_CREATOR, NarrowTag(avi->GetCreator(), t), t);
            add(IDS_LABEL_COPYRIGHT, NarrowTag(avi->GetCopyright(), t), t);
            add(IDS_LABEL_USED_TOOL, NarrowTag(avi->GetUsedTool(), t), t);
            add(IDS_LABEL_COMMENT, NarrowTag(avi->GetComment(), t), t);
        }
        break;
    case FILETYPE_ASF:
        if (auto* asf = dynamic_cast<AsfFile*>(m_pInfo)) {
            add(IDS_LABEL_TITLE, WideTag(asf->GetTitle(), t), t);
            add(IDS_LABEL_CREATOR, WideTag(asf->GetAuthor(), t), t);
            add(IDS_LABEL_COPYRIGHT, WideTag(asf->GetCopyright(), t), t);
            add(IDS_LABEL_RATING, WideTag(asf->GetRating(), t), t);
        }
        break;
    case FILETYPE_MP4:
        if (auto* mp4 = dynamic_cast<Mp4File*>(m_pInfo)) {
            add(IDS_LABEL_TITLE, NarrowTag(mp4->GetTitle(), t), t);
            add(IDS_LABEL_CREATOR, NarrowTag(mp4->GetWriter(), t), t);
            add(IDS_LABEL_USED_TOOL, NarrowTag(mp4->GetTool(), t), t);
            add(IDS_LABEL_COPYRIGHT, NarrowTag(mp4->GetCopyright(), t), t);
        }
        break;
    case FILETYPE_RM:
        if (auto* rm = dynamic_cast<RmFile*>(m_pInfo)) {
            add(IDS_LABEL_TITLE, NarrowTag(rm->GetTitle(), t), t);
            add(IDS_LABEL_CREATOR, NarrowTag(rm->GetAuthor(), t), t);
            add(IDS_LABEL_COPYRIGHT, NarrowTag(rm->GetCopyright(), t), t);
        }
        break;
    case FILETYPE_MKV:
        if (auto* mkv = dynamic_cast<MkvFile*>(m_pInfo)) add(IDS_LABEL_USED_TOOL, WideTag(mkv->GetWritingApp(), t), t);
        break;
    case FILETYPE_OGG:
        if (auto* ogg = dynamic_cast<OggFile*>(m_pInfo)) {
            add(IDS_LABEL_TITLE, WideTag(ogg->GetTitle(), t), t);
            add(IDS_LABEL_COMMENT, WideTag(ogg->GetComment(), t), t);
            add(IDS_LABEL_CREATOR, WideTag(ogg->GetCreator(), t), t);
            add(IDS_LABEL_COPYRIGHT, WideTag(ogg->GetCopyright(), t), t);
        }
        break;
    default: break;  // FLV has no tags
    }
    for (int i = 0; i < count; ++i)
        if (lines[i].present) AppendLabelled(lines[i].label, lines[i].text);
}

void CReportBuilder::WriteVideoInfo()
{
    const MediaFileInfo& r = *m_pInfo;
    if (r.m_nVideoCount == 0) {
        CString n;
        n.Format(L"%d", r.m_nVideoCount);
        AppendLabelled(IDS_LABEL_VIDEO_COUNT, n);
        AppendReportLine(L"");
        return;
    }
    const BITMAPINFOHEADER& bmi = r.m_vih.bmiHeader;
    // Texts of the code end at its first zero byte.
    std::wstring upper = FourCCText(FourCCUpper(bmi.biCompression), L'\0');
    // Sorenson's H.263 is listed under the plain H.263 name.
    if (upper == L"S263") upper = L"H263";
    CString codec;
    if (const wchar_t* name = FindVideoCodecName(upper.c_str())) {
        codec = CString(name) + L" (" + CString(upper.c_str()) + L")";
    } else {
        const CString asStored(FourCCText(bmi.biCompression, L'\0').c_str());
        codec = Res(IDS_UNKNOWN_CODEC) + L" (" + asStored + L") ";
    }
    AppendLabelled(IDS_LABEL_VIDEO_CODEC, codec);
    if (bmi.biWidth != 0 && bmi.biHeight != 0) {
        CString s;
        s.Format(L"%d x %d  ( %.2f : 1 )", bmi.biWidth, bmi.biHeight,
                 static_cast<double>(static_cast<uint32_t>(bmi.biWidth)) / static_cast<uint32_t>(bmi.biHeight));
        AppendLabelled(IDS_LABEL_IMAGE_SIZE, s);
    }
    if (r.m_vih.dwBitRate != 0) AppendLabelled(IDS_LABEL_VIDEO_BIT_RATE, FormatBitRate(r.m_vih.dwBitRate));
    if (r.m_llFrameCount > 0 && r.m_llDuration > 10000000) {
        // The product is taken in 64-bit integers; one too large for them
        // is taken in extended precision instead of wrapping.
        int64_t product;
        double fps;
        if (!__builtin_mul_overflow(r.m_llFrameCount, int64_t{10000000}, &product))
            fps = static_cast<double>(product) / static_cast<double>(r.m_llDuration);
        else
            fps = static_cast<double>(static_cast<long double>(r.m_llFrameCount) * 10000000.0L / r.m_llDuration);
        CString s;
        s.Format(L"%.2f Frames/Sec", fps);
        AppendLabelled(IDS_LABEL_FRAME_RATE, s);
    }
    if (r.m_llFrameCount != 0) AppendLabelled(IDS_LABEL_FRAME_COUNT, FormatGroupedInt64(r.m_llFrameCount));
    AppendReportLine(L"");
}

void CReportBuilder::WriteAudioInfo()
{
    const MediaFileInfo& r = *m_pInfo;
    if (r.m_nAudioCount == 0) {
        CString n;
        n.Format(L"%d", r.m_nAudioCount);
        AppendLabelled(IDS_LABEL_AUDIO_COUNT, n);
        AppendReportLine(L"");
        return;
    }
    // The record holds 16 formats, whatever its count says.
    int count = r.m_nAudioCount < 0 ? 0 : (r.m_nAudioCount > kMaxAudioFormats ? kMaxAudioFormats : r.m_nAudioCount);
    for (int i = 0; i < count; ++i) {
        const WAVEFORMATEX& wfx = r.m_wfxAudio[i];
        WORD tag = wfx.wFormatTag;
        CString codec;
        if (const wchar_t* name = FindAudioCodecName(tag)) {
            if (r.m_nFileType == FILETYPE_AVI || r.m_nFileType == FILETYPE_ASF)
                codec.Format(L"%s (0x%04X)", name, tag);
            else
                codec = name;
        } else {
            codec.Format(L"%s (0x%04X)", GetResString(IDS_UNKNOWN_CODEC), tag);
        }
        AppendLabelled(IDS_LABEL_AUDIO_CODEC, codec);
        DWORD avgBytes = wfx.nAvgBytesPerSec;
        if (avgBytes != 0)
            AppendLabelled(IDS_LABEL_AUDIO_BIT_RATE, FormatBitRate(static_cast<uint32_t>(avgBytes * 8u)));
        DWORD rate = wfx.nSamplesPerSec;
        if (rate != 0) AppendLabelled(IDS_LABEL_SAMPLE_RATE, FormatGroupedInt64(rate) + L" Hz");
        WORD channels = wfx.nChannels;
        if (channels != 0) {
            CString s;
            s.Format(L"%d Channels", channels);
            if (channels == 1) s += L" (MONO)";
            if (channels == 2) s += L" (STEREO)";
            AppendLabelled(IDS_LABEL_CHANNELS, s);
        }
        AppendReportLine(L"");
    }
}

void CReportBuilder::WriteKeyFrameInfo()
{
    const MediaFileInfo& r = *m_pInfo;
    UINT indexText = r.m_nIndexStatus == INDEX_MISSING ? IDS_INDEX_MISSING
                     : r.m_nIndexStatus == INDEX_VALID ? IDS_INDEX_VALID
                                                       : IDS_INDEX_INVALID;
    AppendLabelled(IDS_LABEL_INDEX_STATUS, Res(indexText));
    if (r.m_nIndexStatus == INDEX_MISSING) {
        AppendReportLine(L"");
        return;
    }
    CString s;
    s.Format(L"%I64d", r.m_llKeyFrameCount);
    AppendLabelled(IDS_LABEL_KEY_FRAMES, s);
    const double values[] = {r.m_dKeyIntervalAvg, r.m_dKeyIntervalMax, r.m_dKeyIntervalMin, r.m_dKeyIntervalStdDev};
    const UINT labels[] = {IDS_LABEL_AVG_INTERVAL, IDS_LABEL_MAX_INTERVAL, IDS_LABEL_MIN_INTERVAL,
                           IDS_LABEL_STD_DEVIATION};
    for (int i = 0; i < 4; ++i) {
        s.Format(L"%.3f\tSec", values[i]);
        AppendLabelled(labels[i], s);
    }
}

void CReportBuilder::WriteBinaryDump(const CString& path)
{
    CheckedFile file;
    if (!file.Open(path)) {
        m_sink.ClearReport();
        m_sink.ShowErrorMessage(Res(FileExists(path) ? IDS_CANNOT_OPEN_FILE : IDS_FILE_NOT_FOUND));
        return;
    }
    // The whole 64-bit size, so that files of 4 GiB and more show their size.
    int64_t size = static_cast<int64_t>(file.GetSize());
    AppendReportLine(kEqualsLine);
    AppendReportLine(Res(IDS_SECTION_BASIC));
    AppendReportLine(kDashLine);
    AppendReportLine(Res(IDS_LABEL_FILE_NAME) + L" " + FileNamePart(path));
    AppendReportLine(Res(IDS_LABEL_FILE_SIZE) + L" " + FormatFileSize(size));
    AppendReportLine(Res(IDS_LABEL_FILE_FORMAT) + L" " + Res(IDS_FORMAT_UNKNOWN));
    AppendReportLine(L"");
    AppendReportLine(kDashLine);
    AppendReportLine(Res(IDS_SECTION_BINARY));
    AppendReportLine(kDashLine);

    BYTE head[kDumpBytes] = {};
    size_t got = 0;
    file.Read(head, sizeof head, &got);  // bytes not read stay 0 and show as 00
    file.Close();
    CString hex, ascii;
    for (size_t i = 0; i < kDumpBytes; ++i) {
        BYTE b = head[i];
        hex.AppendFormat(L"%02x ", b);
        ascii += (b >= 0x20 && b <= 0x7F) ? static_cast<wchar_t>(b) : L'.';
        if ((i + 1) % kDumpLineBytes == 0) {
            AppendReportLine(L" " + hex + L" " + ascii);
            hex.Empty();
            ascii.Empty();
        }
    }
    AppendReportLine(kBanner);
    AppendReportLine(L"");
}
