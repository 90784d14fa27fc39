#include "encoder/core/jobs/EncFileInfo.h"

#include <algorithm>
#include <cstdint>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/FilterModuleLoader.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/MediaTypeNames.h"
#include "encoder/core/MessageDialogPort.h"
#include "encoder/core/OutputNaming.h"
#include "encoder/pipeline/FilterPins.h"
#include "encoder/pipeline/GraphBuilder.h"
#include "encoder/pipeline/OutsideFilterModules.h"
#include "foundation/PathHelpers.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Folders.h"
#include "platform/win32/NativePath.h"

namespace {

constexpr LONGLONG kUnitsPerSecond = 10000000;

// The maker's source filter for a type code; null for the codes the system
// renders.
const CLSID* ModuleSourceFor(SourceTypeCode code)
{
    switch (code) {
    case kSourceAvi:
    case kSourceAviBadIndex: return &CLSID_HalvaneAviSource;
    case kSourceAsf: return &CLSID_HalvaneAsfSource;
    case kSourceMpegProgram:
    case kSourceMpegTransport: return &CLSID_HalvaneMpegSource;
    case kSourceMp4: return &CLSID_HalvaneMp4Source;
    case kSourceOgg: return &CLSID_HalvaneOggSource;
    case kSourceMatroska: return &CLSID_HalvaneMatroskaSource;
    case kSourceFlv: return &CLSID_HalvaneFlvSource;
    default: return nullptr;
    }
}

// Kinds that are classified but that nothing on this system reads: DVDs
// (no DVD reader in the decoding libraries) and the maker's own headers,
// stream addresses and formats. They are refused without a graph.
bool IsUnreadableKind(SourceTypeCode code)
{
    switch (code) {
    case kSourceDvd:
    case kSourceStreamAddress:
    case kSourceIdxCompanion:
    case kSourceRivoFile:
    case kSourceXgmHttp:
    case kSourceVgm2: return true;
    default: return false;
    }
}

void SplitTime(int seconds, int& h, int& m, int& s)
{
    h = seconds / 3600;
    m = seconds % 3600 / 60;
    s = seconds % 60;
}

}  // namespace

CEncFileInfo::~CEncFileInfo() { Clear(); }

void CEncFileInfo::Clear()
{
    m_sSourcePath.Empty();
    m_sSubtitlePath.Empty();
    DeleteMediaType(m_pVideoType);
    DeleteMediaType(m_pAudioType);
    m_pVideoType = nullptr;
    m_pAudioType = nullptr;
    m_nTypeCode = 0;
    m_nAudioStream = 0;
    m_nAudioStreamCount = 0;
    m_nDuration = 0;
    m_nSegmentStart = 0;
    m_nSegmentEnd = 0;
    m_nAudioDelay = 0;
    m_nAudioGain = 0;
    m_nFileSize = 0;
    m_nRefusal = SourceRefusal::None;
}

void CEncFileInfo::Init(const CString& source)
{
    Clear();
    m_nTypeCode = ProbeMediaSource(source);
    // An empty file, and an address that answered with a failure: no graph
    // is ever built over them.
    m_nRefusal = SourceRefusal::Unreadable;
    if (IsFailedSourceCode(m_nTypeCode) || IsUnreadableKind(m_nTypeCode)) return;

    m_nRefusal = SourceRefusal::NoReader;
    ComPtr<IGraphBuilder> graph;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph.GetAddressOf()))) ||
        !graph)
        return;
    ComPtr<IBaseFilter> sourceFilter;
    {
        CGraphBuilder builder(graph.Get());
        BuildSourceGraph(&builder, source, m_nTypeCode);
    }
    if (FAILED(FindSourceFilter(graph.Get(), sourceFilter.GetAddressOf())) || !sourceFilter) return;

    for (int i = 0;; ++i) {
        ComPtr<IPin> pin;
        pin.Attach(GetOutputPin(sourceFilter.Get(), i));
        if (!pin) break;
        CMediaType type;
        if (FAILED(pin->ConnectionMediaType(&type))) continue;
        if (type.majortype == MEDIATYPE_Video) {
            DeleteMediaType(m_pVideoType);
            m_pVideoType = CreateMediaType(&type);
        } else if (type.majortype == MEDIATYPE_Audio) {
            if (m_nAudioStreamCount == 0) {
                m_pAudioType = CreateMediaType(&type);
                m_nAudioStream = 0;
            }
            ++m_nAudioStreamCount;
        }
    }

    ComPtr<IMediaSeeking> seeking;
    LONGLONG duration = 0;
    if (SUCCEEDED(graph.As(&seeking)) && SUCCEEDED(seeking->GetDuration(&duration)) && duration > 0)
        m_nDuration = static_cast<int>(std::min<LONGLONG>(duration / kUnitsPerSecond, INT32_MAX));
    seeking.Reset();
    sourceFilter.Reset();
    graph.Reset();

    // Only a picture the chosen encoder cannot take after the treatments
    // (which scale it, and which the writers make even) is refused; the
    // message names the source, since several may be added at once.
    BITMAPINFOHEADER picture{};
    if (m_pVideoType && GetBitmapInfoHeader(m_pVideoType, &picture) &&
        !GetEncSettings().CanEncodeVideoSize(picture.biWidth, picture.biHeight)) {
        m_nRefusal = SourceRefusal::PictureSize;
        CWnd* main = AfxGetMainWnd();
        ShowCoreMessage(main ? main->GetSafeHwnd() : nullptr,
                        CString(LookupText(L"TEXT_BAD_VIDEOSIZE")) + L"\n\n" + source, LookupText(L"TEXT_APP_NAME"),
                        kMessageOk);
        return;
    }
    m_nRefusal = SourceRefusal::NoStream;
    if (!m_pVideoType && !m_pAudioType) return;

    m_nRefusal = SourceRefusal::None;
    m_sSourcePath = source;
    m_sSubtitlePath = FindSubtitleFile(source);
    m_nFileSize = GetFileSize64ByName(source);
}

HRESULT CEncFileInfo::BuildSourceGraph(CGraphBuilder* builder, const CString& source, SourceTypeCode code)
{
    if (!builder) return E_POINTER;
    ComPtr<IBaseFilter> renderer;
    if (SUCCEEDED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                                   reinterpret_cast<void**>(renderer.GetAddressOf()))) &&
        renderer)
        builder->AddFilterToGraph(renderer.Get(), L"Video Renderer");
    if (ComPtr<IBaseFilter> video = CreateFilterFromModule(kVideoModuleFile, CLSID_HalvaneVideoFilter, true))
        builder->AddFilterToGraph(video.Get(), kVideoFilterName);
    if (ComPtr<IBaseFilter> audio = CreateFilterFromModule(kAudioModuleFile, CLSID_HalvaneAudioFilter, true))
        builder->AddFilterToGraph(audio.Get(), kAudioFilterName);

    if (const CLSID* clsid = ModuleSourceFor(code)) {
        // The maker's source is taken only when it loads the file and has an
        // output; otherwise the system chooses as for any other file.
        if (ComPtr<IBaseFilter> module = CreateFilterFromModule(kSourceModuleFile, *clsid, false)) {
            ComPtr<IAviSourceOption> option;
            if (SUCCEEDED(module.As(&option))) option->SetOption(1);
            ComPtr<IFileSourceFilter> load;
            int inputs = 0;
            int outputs = 0;
            if (SUCCEEDED(module.As(&load)) && SUCCEEDED(load->Load(source, nullptr)) &&
                SUCCEEDED(CountFilterPins(module.Get(), &inputs, &outputs)) && outputs > 0 &&
                SUCCEEDED(builder->AddFilterToGraph(module.Get(), L"Halvane Source")))
                return builder->RenderFilter(module.Get());
        }
    }
    return builder->RenderFile(source);
}

CString CEncFileInfo::GetSourceFileName() const { return GetFileNameFromPath(m_sSourcePath); }

CString CEncFileInfo::GetSourceFolder() const { return GetFolderPart(m_sSourcePath); }

CString CEncFileInfo::GetDurationText() const
{
    int h[3], m[3], s[3];
    SplitTime(m_nDuration, h[0], m[0], s[0]);
    SplitTime(m_nSegmentStart, h[1], m[1], s[1]);
    SplitTime(m_nSegmentEnd, h[2], m[2], s[2]);
    CString text;
    text.Format(L"%01d:%02d:%02d [%01d:%02d:%02d - %01d:%02d:%02d]", h[0], m[0], s[0], h[1], m[1], s[1], h[2], m[2],
                s[2]);
    return text;
}

CString CEncFileInfo::GetVideoInfoText() const
{
    if (!m_pVideoType) return CString();
    const BITMAPINFOHEADER* picture = BitmapHeaderOf(*m_pVideoType);
    if (!picture) return CString();
    const DWORD bitRate = BitRateOf(*m_pVideoType);
    const int kbps = static_cast<int>(bitRate / 1000);
    const REFERENCE_TIME frameTime = FrameTimeOf(*m_pVideoType);
    const double fps = frameTime > 0 ? static_cast<double>(kUnitsPerSecond) / frameTime : 0.0;
    CString text;
    // A container that states no bit rate (Matroska, Ogg) gives 0: no rate
    // is shown rather than a rate of nothing.
    if (bitRate == 0)
        text.Format(L"%dx%d, %.2ffps", static_cast<int>(picture->biWidth), static_cast<int>(picture->biHeight), fps);
    else if (kbps <= 1000)
        text.Format(L"%dx%d, %.2ffps, %dKbps", static_cast<int>(picture->biWidth), static_cast<int>(picture->biHeight),
                    fps, kbps);
    else
        text.Format(L"%dx%d, %.2ffps, %.1fMbps", static_cast<int>(picture->biWidth),
                    static_cast<int>(picture->biHeight), fps, kbps * 0.001);
    return text;
}

CString CEncFileInfo::GetAudioInfoText() const
{
    if (!m_pAudioType) return CString();
    const WAVEFORMATEX* wave = WaveFormatOf(*m_pAudioType);
    if (!wave) return CString();
    const double kiloHertz = static_cast<double>(wave->nSamplesPerSec / 1000);
    const int kbps = static_cast<int>(static_cast<uint32_t>(wave->nAvgBytesPerSec * 8u) / 1000);
    CString text;
    if (wave->nAvgBytesPerSec == 0)
        text.Format(L"%dCh, %2.1fKHz", static_cast<int>(wave->nChannels), kiloHertz);
    else if (kbps <= 1000)
        text.Format(L"%dCh, %2.1fKHz, %dKbps", static_cast<int>(wave->nChannels), kiloHertz, kbps);
    else
        text.Format(L"%dCh, %2.1fKHz, %.1fMbps", static_cast<int>(wave->nChannels), kiloHertz, kbps * 0.001);
    return text;
}

CString CEncFileInfo::GetVideoFormatName() const { return m_pVideoType ? GetStreamTypeName(m_pVideoType) : CString(); }

CString CEncFileInfo::GetAudioFormatName() const { return m_pAudioType ? GetStreamTypeName(m_pAudioType) : CString(); }

CString CEncFileInfo::GetContainerName() const
{
    const int code = m_nTypeCode;
    if (code >= 1 && code <= 3) return L"RIVO";
    if (code >= 257 && code <= 259) return L"AVI";
    if (code >= 513 && code <= 515) return L"WMV";
    if (code == 769) return L"MPG";
    if (code == 771) return L"TS";
    if (code == 785 || code == 786) return L"MP4";
    if (code == 1025) return L"OGM";
    if (code == 1281) return L"RM";
    if (code == 1537) return L"MKV";
    CString extension = GetFileExtension(m_sSourcePath);
    if (!extension.IsEmpty() && extension[0] == L'.') extension = extension.Mid(1);
    return extension.MakeUpper();
}

CString CEncFileInfo::GetSummaryText() const
{
    int h, m, s;
    SplitTime(m_nDuration, h, m, s);
    CString time;
    time.Format(L"%01d:%02d:%02d", h, m, s);
    // A size that could not be read (an address, a file gone since) is
    // not a size of -1 bytes.
    CString size = m_nFileSize < 0 ? CString(L"Unknown") : FormatFileSize(m_nFileSize);
    return GetContainerName() + L", " + time + L", " + size;
}

SEncJobMedia CEncFileInfo::GetJobMedia() const
{
    return SEncJobMedia{m_pVideoType, m_pAudioType, m_nDuration, m_nSegmentStart, m_nSegmentEnd};
}
