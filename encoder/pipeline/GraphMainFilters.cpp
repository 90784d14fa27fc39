// CGraphMain: the graph around the maker's treatment filters (HVF.ax and
// HAF.ax), the settings pushed into them before the source is rendered,
// the set-up that needs the rendered source, and the one-call setters.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "encoder/core/EncSettings.h"
#include "encoder/core/FilterModuleLoader.h"
#include "encoder/pipeline/FilterPins.h"
#include "encoder/pipeline/GraphMain.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/MediaFormats.h"

template <class Call>
HRESULT CGraphMain::CallVideo(Call call)
{
    ComPtr<IVideoFilterControl> control;
    if (!m_pVideoFilter || FAILED(m_pVideoFilter.As(&control)) || !control) return E_FAIL;
    return call(control.Get());
}

template <class Call>
HRESULT CGraphMain::CallAudio(Call call)
{
    ComPtr<IAudioFilterControl> control;
    if (!m_pAudioFilter || FAILED(m_pAudioFilter.As(&control)) || !control) return E_FAIL;
    return call(control.Get());
}

BOOL CGraphMain::BuildFilterChain(SourceTypeCode sourceType, CWnd* previewWindow, CWnd* ownerWindow)
{
    // A new job: the segment belongs to the job that set it. The object
    // serves a whole batch, and a job without a segment must convert whole,
    // its second pass included. (A restart of the same job keeps it.)
    m_nSegmentStart = 0;
    m_nSegmentStop = -1;
    return BuildBaseFilterChain(sourceType, previewWindow, ownerWindow);
}

BOOL CGraphMain::BuildBaseFilterChain(SourceTypeCode sourceType, CWnd* previewWindow, CWnd* ownerWindow)
{
    CloseGraph();
    m_renderLog.RemoveAll();
    m_nSourceType = sourceType;
    m_pPreviewWnd = previewWindow;
    m_pOwnerWnd = ownerWindow;

    // A chain that cannot be completed leaves nothing behind, so that Open
    // fails instead of rendering into whatever was made.
    auto fail = [this] {
        ReleaseAll();
        return FALSE;
    };
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                reinterpret_cast<void**>(m_pGraph.GetAddressOf()))) ||
        !m_pGraph)
        return fail();
    if (FAILED(Build(m_pGraph.Get()))) return fail();
    m_pVideoFilter = CreateFilterFromModule(kVideoModuleFile, CLSID_HalvaneVideoFilter, true);
    if (!m_pVideoFilter) return fail();
    m_pAudioFilter = CreateFilterFromModule(kAudioModuleFile, CLSID_HalvaneAudioFilter, true);
    if (!m_pAudioFilter) return fail();
    m_pGraph->AddFilter(m_pVideoFilter.Get(), kVideoFilterName);
    m_pGraph->AddFilter(m_pAudioFilter.Get(), kAudioFilterName);

    if (HWND owner = ownerWindow ? ownerWindow->GetSafeHwnd() : nullptr) {
        ComPtr<IMediaEventEx> events;
        if (SUCCEEDED(m_pGraph.As(&events)) && events)
            events->SetNotifyWindow(reinterpret_cast<OAHWND>(owner), static_cast<LONG>(GetGraphMessages().graphNotify),
                                    0);
    }

    if (!m_pSettings) return TRUE;
    const CEncSettings& s = *m_pSettings;
    SetVideoPresetC(0);
    SetVideoPresetA(1);
    SetVideoPresetB(3);
    if (s.nVideoFrameRate > 0 && s.nVideoFrameScale > 0)
        SetVideoFrameRate(static_cast<double>(s.nVideoFrameRate) / s.nVideoFrameScale);
    const int width = s.nJobOutputWidth;
    const int height = s.nJobOutputHeight;
    if (width > 0 && height > 0) {
        SetVideoResizeA(1);
        SetVideoResizeB(2);
        SetVideoResizeC(1);
        SetVideoSize(width, height);
        if (s.bVideoKeepRatio) {
            SetVideoAspectMode(s.nVideoRatioMethod == 0 ? 1 : s.nVideoRatioMethod == 1 ? 2 : 4);
            SetVideoAspectRatio(static_cast<double>(width) / height);
        }
    }
    SetVideoBrightness(s.nVideoBrightness);
    SetVideoContrast(s.nVideoContrast);
    SetVideoSaturation(s.nVideoSaturation);
    SetVideoHue(s.nVideoHue);
    if (s.bVideoDeblock) {
        SetVideoDeblockMode(0, 0);
        SetVideoDeblockStrength(s.bVideoDeblockMore ? 20 : 10);
    }
    if (s.bVideoBlur) {
        SetVideoBlurEnabled(1);
        SetVideoBlurStrength(s.bVideoBlurMore ? 100 : 64);
    }
    if (s.bVideoSharpen) {
        SetVideoSharpenEnabled(1);
        SetVideoSharpenStrength(s.bVideoSharpenMore ? 100 : 64);
    }
    SetVideoFlip(s.bVideoFlip);
    SetVideoDeinterlace(s.bVideoDeinterlace ? 1 : 2);
    SetAudioSampleRate(s.nAudioSRate);
    SetAudioNormalize(s.bAudioNM);
    SetAudioNormalizeLevel(s.nAudioNMValue);
    SetAudioPresetA(1);
    SetAudioGainLimit(std::pow(10.0, 0.4));
    SetAudioChannels(s.nAudioChannels);
    SetAudioBitsPerSample(16);
    SetAudioPlaybackRate(s.nEtcPBRate * 0.01);
    SetAudioPitchFix(s.bEtcPBRatePitchFix);
    return TRUE;
}

BOOL CGraphMain::ConfigureAfterRender(int flags)
{
    if (m_pVideoFilter && IsFilterUnconnected(m_pVideoFilter.Get())) {
        if (m_pGraph) m_pGraph->RemoveFilter(m_pVideoFilter.Get());
        m_pVideoFilter.Reset();
    }
    if (m_pAudioFilter && IsFilterUnconnected(m_pAudioFilter.Get())) {
        if (m_pGraph) m_pGraph->RemoveFilter(m_pAudioFilter.Get());
        m_pAudioFilter.Reset();
    }

    if (flags & 1) {
        SetupVideoWindow();
        ComPtr<IBasicVideo> basic;
        if (m_pGraph && SUCCEEDED(m_pGraph.As(&basic)) && basic) {
            m_nVideoWidth = 0;
            m_nVideoHeight = 0;
            LONG width = 0, height = 0;
            if (SUCCEEDED(basic->GetVideoSize(&width, &height))) {
                m_nVideoWidth = width;
                m_nVideoHeight = height;
            }
        }
        // Without a video window (a writer graph) the size comes from what
        // the video filter gives on: a subtitle height worked out from a
        // width of 0 would draw nothing.
        if (m_nVideoWidth <= 0 && m_pVideoFilter) {
            CMediaType type;
            IPin* output = FindPinByDirection(m_pVideoFilter.Get(), PINDIR_OUTPUT);
            if (output && SUCCEEDED(output->ConnectionMediaType(&type)) && type.formattype == FORMAT_VideoInfo &&
                type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
                const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
                const RECT& r = vih->rcTarget;
                bool whole = r.right <= r.left || r.bottom <= r.top;
                LONG height = vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
                m_nVideoWidth = whole ? vih->bmiHeader.biWidth : r.right - r.left;
                m_nVideoHeight = whole ? height : r.bottom - r.top;
            }
        }
        if (m_logo.imagePath[0] != 0) SetVideoLogo(0, &m_logo);
        if (m_pSettings) {
            const CEncSettings& s = *m_pSettings;
            SubtitleStyleRecord style;
            InitSubtitleStyle(&style);
            std::u16string face = WideToUtf16(s.sSubFontName.str());
            size_t length = std::min(face.size(), std::size(style.faceName) - 1);
            // A face cut to fit keeps whole characters.
            if (length > 0 && length < face.size() && face[length - 1] >= 0xD800 && face[length - 1] <= 0xDBFF)
                --length;
            std::memcpy(style.faceName, face.data(), length * sizeof(char16_t));
            style.faceName[length] = 0;
            style.fontSize = s.nSubCharsInLine != 0 ? 2 * m_nVideoWidth / s.nSubCharsInLine : 0;
            style.weight = s.bSubBold ? 700 : 400;
            style.blur = s.bSubBlur;
            style.bodyColor = static_cast<uint32_t>(s.nSubBodyColor);
            style.outlineColor = static_cast<uint32_t>(s.nSubOutlineColor);
            style.shadowColor = static_cast<uint32_t>(s.nSubShadowColor);
            style.bodyAlpha = static_cast<uint8_t>(s.nSubBodyAlpha & 0xFF);
            style.outlineAlpha = static_cast<uint8_t>(s.nSubOutlineAlpha & 0xFF);
            style.shadowAlpha = static_cast<uint8_t>(s.nSubShadowAlpha & 0xFF);
            style.outlineWidth = s.nSubOutlineWidth * 0.1;
            style.shadowDepth = s.nSubShadowDepth * 0.1;
            SetSubtitleStyle(&style);
            SetSubtitlePosX(s.nSubPosX);
            SetSubtitlePosY(s.nSubPosY);
            SetSubtitleMarginX(s.nSubMarginX);
            SetSubtitleMarginY(s.nSubMarginY);
            SetSubtitleCharSpace(s.nSubCharSpace);
            SetSubtitleLineSpace(s.nSubLineSpace);
            SetSubtitleEnabled(s.bSubActive);
        }
    }

    if (flags & 2) {
        SetAudioDspModule(m_pDspModule);
        int rate = 0;
        GetAudioSampleRate(&rate);
        if (m_pAudioFilter && m_pSettings && m_pSettings->nAudioSRate == 0 && rate == 0) {
            for (int i = 0;; ++i) {
                ComPtr<IPin> pin;
                pin.Attach(GetInputPin(m_pAudioFilter.Get(), i));
                if (!pin) break;
                CMediaType type;
                if (FAILED(pin->ConnectionMediaType(&type))) continue;
                if (type.majortype == MEDIATYPE_Audio && type.formattype == FORMAT_WaveFormatEx &&
                    type.cbFormat >= sizeof(WAVEFORMATEX) - 2) {
                    SetAudioSampleRate(
                        static_cast<int>(reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)->nSamplesPerSec));
                    break;
                }
            }
        }
    }
    return RebuildFilterList();
}

// ---- Setters ----------------------------------------------------------------------------------------

#define RIVO_VIDEO_SETTER(Name, Type)                                                         \
    HRESULT CGraphMain::Name(Type value)                                                      \
    {                                                                                         \
        return CallVideo([&](IVideoFilterControl* control) { return control->Name(value); }); \
    }
#define RIVO_AUDIO_SETTER(Name, Type)                                                         \
    HRESULT CGraphMain::Name(Type value)                                                      \
    {                                                                                         \
        return CallAudio([&](IAudioFilterControl* control) { return control->Name(value); }); \
    }

RIVO_VIDEO_SETTER(SetVideoAspectMode, int)
RIVO_VIDEO_SETTER(SetVideoAspectRatio, double)
RIVO_VIDEO_SETTER(SetVideoFilterSubtitle, ISubPicProvider*)
RIVO_VIDEO_SETTER(SetSubtitleEnabled, int)
RIVO_VIDEO_SETTER(SetSubtitlePosX, int)
RIVO_VIDEO_SETTER(SetSubtitlePosY, int)
RIVO_VIDEO_SETTER(SetSubtitleMarginX, int)
RIVO_VIDEO_SETTER(SetSubtitleMarginY, int)
RIVO_VIDEO_SETTER(SetSubtitleCharSpace, int)
RIVO_VIDEO_SETTER(SetSubtitleLineSpace, int)
RIVO_VIDEO_SETTER(SetSubtitleStyle, const SubtitleStyleRecord*)
RIVO_VIDEO_SETTER(SetVideoFlip, int)
RIVO_VIDEO_SETTER(SetVideoDeblockStrength, int)
RIVO_VIDEO_SETTER(SetVideoBlurEnabled, int)
RIVO_VIDEO_SETTER(SetVideoBlurStrength, int)
RIVO_VIDEO_SETTER(SetVideoSharpenEnabled, int)
RIVO_VIDEO_SETTER(SetVideoSharpenStrength, int)
RIVO_VIDEO_SETTER(SetVideoDeinterlace, int)
RIVO_VIDEO_SETTER(SetVideoBrightness, int)
RIVO_VIDEO_SETTER(SetVideoContrast, int)
RIVO_VIDEO_SETTER(SetVideoSaturation, int)
RIVO_VIDEO_SETTER(SetVideoHue, int)
RIVO_VIDEO_SETTER(SetVideoResizeA, int)
RIVO_VIDEO_SETTER(SetVideoResizeB, int)
RIVO_VIDEO_SETTER(SetVideoResizeC, int)
RIVO_VIDEO_SETTER(SetVideoPresetA, int)
RIVO_VIDEO_SETTER(SetVideoPresetB, int)
RIVO_VIDEO_SETTER(SetVideoPresetC, int)
RIVO_VIDEO_SETTER(QueryVideoFilterSubtitleInfo, SubtitleInfoRecord*)
RIVO_VIDEO_SETTER(SetVideoFrameRate, double)
RIVO_AUDIO_SETTER(SetAudioChannels, int)
RIVO_AUDIO_SETTER(SetAudioBitsPerSample, int)
RIVO_AUDIO_SETTER(SetAudioSampleRate, int)
RIVO_AUDIO_SETTER(GetAudioSampleRate, int*)
RIVO_AUDIO_SETTER(SetAudioPlaybackRate, double)
RIVO_AUDIO_SETTER(SetAudioPitchFix, int)
RIVO_AUDIO_SETTER(SetAudioGainLimit, double)
RIVO_AUDIO_SETTER(GetAudioStreamCount, int*)
RIVO_AUDIO_SETTER(GetCurrentAudioStream, int*)
RIVO_AUDIO_SETTER(SetAudioDspModule, DspPluginModule*)
RIVO_AUDIO_SETTER(SetAudioNormalize, int)
RIVO_AUDIO_SETTER(SetAudioNormalizeLevel, int)
RIVO_AUDIO_SETTER(SetAudioPresetA, int)
RIVO_AUDIO_SETTER(SetAudioSyncDelay, int)
RIVO_AUDIO_SETTER(SetAudioAmplify, int)
#undef RIVO_VIDEO_SETTER
#undef RIVO_AUDIO_SETTER

HRESULT CGraphMain::SetVideoLogo(int logoNumber, const SLogoInfo* logo)
{
    return CallVideo([&](IVideoFilterControl* control) { return control->SetVideoLogo(logoNumber, logo); });
}

HRESULT CGraphMain::SetVideoDeblockMode(int mode, int flags)
{
    return CallVideo([&](IVideoFilterControl* control) { return control->SetVideoDeblockMode(mode, flags); });
}

HRESULT CGraphMain::SetVideoSize(int width, int height)
{
    return CallVideo([&](IVideoFilterControl* control) { return control->SetVideoSize(width, height); });
}

HRESULT CGraphMain::GetAudioStreamInfo(int index, wchar_t* text, int* length)
{
    return CallAudio([&](IAudioFilterControl* control) { return control->GetAudioStreamInfo(index, text, length); });
}

HRESULT CGraphMain::SetAudioStream(int index)
{
    if (m_bAudioLeftOut && index >= m_nRenderedAudioStreams) {
        // The chosen stream is one the render left out: another one would
        // flow in its place.
        CString line;
        line.Format(L"Audio stream %d of the job was left out: the job is not converted.", index + 1);
        AddRenderLog(line);
        m_bJobRefused = true;
        return E_FAIL;
    }
    return CallAudio([&](IAudioFilterControl* control) { return control->SetAudioStream(index); });
}
