// CGraphMain: one filter graph for one source file, the base of the writer
// graphs and of the preview graph. It holds the graph, the maker's video
// and audio treatment filters (HVF.ax, HAF.ax), the source filter chosen by
// the job's SourceTypeCode (SelectSource), an optional writer filter (added
// by Build in the writer graphs) and the settings that configure them.
//
// Its owners (the progress window, the source settings window) drive it on
// the user-interface thread: per job BuildFilterChain, Open, the per-job
// setters, SetSegment, Play; graph events come back as the registered
// message "WM_GRAPHNOTIFY", which the owner answers by calling
// OnGraphNotify, and the graph object reports the outcome with the
// registered messages of GraphMessages.h, always posted.
//
// A job posts at most one "WM_RIVO_PLAYBACK_EOF" per Play: a second pass
// that cannot start ends the job with kEofErrorAbort instead of leaving it waiting.
#pragma once

#include <memory>

#include "encoder/core/SourceProbe.h"
#include "encoder/pipeline/GraphMessages.h"
#include "modules/api/AudioFilterControl.h"
#include "modules/api/LogoInfo.h"
#include "modules/api/SubtitleStyle.h"
#include "modules/api/VideoFilterControl.h"
#include "modules/api/WriterFilters.h"
#include "platform/com/ComPtr.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"

class CEncSettings;
class CGraphBuilder;
class CSrcFileStream;
class CWnd;
struct ISubPicProvider;

// One filter of the built graph, with one reference held.
struct SFilterInfo {
    CString name;         // as the filter reports it
    CString description;  // the name, shortened, with the input's compression for two system filters
    ComPtr<IBaseFilter> filter;
};

class CGraphMain {
public:
    explicit CGraphMain(const CEncSettings* settings);
    virtual ~CGraphMain();
    CGraphMain(const CGraphMain&) = delete;
    CGraphMain& operator=(const CGraphMain&) = delete;

    // Creates the graph, the writer (Build) and the treatment filters and
    // pushes the settings into them; false when the graph or a treatment
    // filter cannot be made or Build fails, and then nothing stays built.
    // The segment of an earlier job is forgotten (0 and -1).
    virtual BOOL BuildFilterChain(SourceTypeCode sourceType, CWnd* previewWindow, CWnd* ownerWindow);
    // Releases the graph and every filter; state 0. Nothing without a graph.
    virtual void CloseGraph();
    // Adds the writer filter; the base adds nothing.
    virtual HRESULT Build(IGraphBuilder* graph);
    // Renders the source into the built graph: kOpenDone; kOpenRefused when
    // it cannot be rendered (or a renderer of its own is left beside the
    // writer, or the video was left out); kOpenNoStream when the source has
    // no output to render.
    virtual int Open(const CString& sourcePath, const CString& outputPath);
    // Bit 0: the video filter's part, bit 1: the audio filter's; the result
    // is RebuildFilterList's.
    virtual BOOL ConfigureAfterRender(int flags);
    virtual HRESULT Play();
    // true runs, false pauses.
    virtual HRESULT Run(BOOL play);
    virtual HRESULT Stop();
    // Both in 100-ns units; a negative stop sets no stop position.
    virtual HRESULT Seek(LONGLONG start, LONGLONG stop);
    virtual LONGLONG GetPosition();
    virtual LONGLONG GetDuration();
    // The largest position Seek takes; 0 or less when it is unknown.
    virtual LONGLONG GetSeekLimit();
    virtual LONGLONG GetEncodedPosition();
    // Seeks and, on success, remembers the segment for a second pass.
    virtual HRESULT SetSegment(LONGLONG start, LONGLONG stop);
    virtual LONGLONG GetEncodedDuration();
    virtual int GetCurrentPass();
    virtual int GetPassCount();
    virtual int GetWriterPassState();
    // The subtitle file beside the path, or beside the opened source.
    virtual CString FindSubtitleForSource(const CString& path);

    // The owners' calls.
    void SetLogoInfo(const SLogoInfo* logo);
    void SetDspModule(DspPluginModule* module);
    // The AVI, MP4 and ASF writer class ids as braced texts.
    void SetFormatGuids(const wchar_t* avi, const wchar_t* mp4, const wchar_t* asf);
    // Drains the graph's events; the last FreeEventParams result, 0 without
    // an event or a graph.
    HRESULT OnGraphNotify();
    BOOL SetWriterPriority(int priority);
    BOOL SetWriterPreviewEnabled(BOOL on);

    // The treatment filters' setters: one call each on the filter's control
    // interface, its result; E_FAIL without the filter or the interface.
    HRESULT SetVideoAspectMode(int mode);
    HRESULT SetVideoAspectRatio(double ratio);
    HRESULT SetVideoLogo(int logoNumber, const SLogoInfo* logo);
    HRESULT SetVideoFilterSubtitle(ISubPicProvider* provider);
    HRESULT SetSubtitleEnabled(int enabled);
    HRESULT SetSubtitlePosX(int value);
    HRESULT SetSubtitlePosY(int value);
    HRESULT SetSubtitleMarginX(int value);
    HRESULT SetSubtitleMarginY(int value);
    HRESULT SetSubtitleCharSpace(int value);
    HRESULT SetSubtitleLineSpace(int value);
    HRESULT SetSubtitleStyle(const SubtitleStyleRecord* style);
    HRESULT SetVideoFlip(int flip);
    HRESULT SetVideoDeblockMode(int mode, int flags);
    HRESULT SetVideoDeblockStrength(int strength);
    HRESULT SetVideoBlurEnabled(int enabled);
    HRESULT SetVideoBlurStrength(int strength);
    HRESULT SetVideoSharpenEnabled(int enabled);
    HRESULT SetVideoSharpenStrength(int strength);
    HRESULT SetVideoDeinterlace(int mode);
    HRESULT SetVideoBrightness(int value);
    HRESULT SetVideoContrast(int value);
    HRESULT SetVideoSaturation(int value);
    HRESULT SetVideoHue(int value);
    HRESULT SetVideoResizeA(int value);
    HRESULT SetVideoResizeB(int value);
    HRESULT SetVideoResizeC(int value);
    HRESULT SetVideoSize(int width, int height);
    HRESULT SetVideoPresetA(int value);
    HRESULT SetVideoPresetB(int value);
    HRESULT SetVideoPresetC(int value);
    HRESULT QueryVideoFilterSubtitleInfo(SubtitleInfoRecord* info);
    HRESULT SetVideoFrameRate(double framesPerSecond);
    HRESULT SetAudioChannels(int channels);
    HRESULT SetAudioBitsPerSample(int bits);
    HRESULT SetAudioSampleRate(int hz);
    HRESULT GetAudioSampleRate(int* hz);
    HRESULT SetAudioPlaybackRate(double rate);
    HRESULT SetAudioPitchFix(int keepPitch);
    HRESULT SetAudioGainLimit(double factor);
    HRESULT GetAudioStreamCount(int* count);
    HRESULT GetAudioStreamInfo(int index, wchar_t* text, int* length);
    // The stream counts as the audio filter counts them (its connected
    // inputs). When the render left some audio streams out and the index
    // lies past the ones that reached the filter, the job cannot be done as
    // asked: E_FAIL, and Play ends the job with kEofErrorAbort.
    HRESULT SetAudioStream(int index);
    HRESULT GetCurrentAudioStream(int* index);
    HRESULT SetAudioDspModule(DspPluginModule* module);
    HRESULT SetAudioNormalize(int on);
    HRESULT SetAudioNormalizeLevel(int percent);
    HRESULT SetAudioPresetA(int value);
    HRESULT SetAudioSyncDelay(int ms);
    HRESULT SetAudioAmplify(int db);

    // What the owners read.
    int GetPlayState() const { return m_nPlayState; }
    const CString& GetSourcePath() const { return m_sSourcePath; }
    const CString& GetOutputPath() const { return m_sOutputPath; }
    int GetVideoWidth() const { return m_nVideoWidth; }
    int GetVideoHeight() const { return m_nVideoHeight; }
    LONGLONG GetSegmentStart() const { return m_nSegmentStart; }
    LONGLONG GetSegmentStop() const { return m_nSegmentStop; }
    int GetFilterCount() const { return m_filters.GetSize(); }
    const SFilterInfo* GetFilterInfo(int index) const;
    int GetVideoEntry() const { return m_nVideoEntry; }
    int GetAudioEntry() const { return m_nAudioEntry; }
    // Lines that say which streams the last Open left out (the connect
    // search's dead ends) and why a job was refused; the same lines go to
    // the debug trace.
    const CStringArray& GetRenderLog() const { return m_renderLog; }

protected:
    // The state changes and "WM_RIVO_PLAYBACK_STATE" is posted; false when
    // it was the state already.
    bool SetPlayState(int state, LPARAM lParam = 0);
    // Posts one of the graph's messages to the owner window, if any.
    void PostToOwner(UINT message, WPARAM wParam, LPARAM lParam);
    // Posts "WM_RIVO_PLAYBACK_EOF" unless this Play has posted one already.
    void PostEndOfJob(WPARAM code);
    void FeedBlockedFilters(CGraphBuilder& builder);
    HRESULT SelectSource(CGraphBuilder& builder, const CString& path);
    BOOL RebuildFilterList();
    void SetupVideoWindow();
    void FitVideoWindow();
    BOOL RestartGraph();
    static bool IsFilterUnconnected(IBaseFilter* filter);
    // IMediaSeeking::GetCurrentPosition of the object; 0 without the
    // interface or when the call fails.
    static LONGLONG CurrentPositionOf(IUnknown* object);

    // The writer's settings interface, or null.
    ComPtr<IWriterSettings> WriterSettings() const;
    // The builder's dead ends as lines for the render log; whether the
    // video, and whether every audio stream, was among what they left out.
    void ReviewPartialRender(CGraphBuilder& builder, bool* videoLeftOut, bool* audioLeftOut);
    void AddRenderLog(const CString& line);
    // The base of BuildFilterChain without the writers' additions.
    BOOL BuildBaseFilterChain(SourceTypeCode sourceType, CWnd* previewWindow, CWnd* ownerWindow);
    // Everything released, in an order in which no filter outlives the file
    // stream it reads.
    void ReleaseAll();

    template <class Call>
    HRESULT CallVideo(Call call);
    template <class Call>
    HRESULT CallAudio(Call call);

    CArray<SFilterInfo*, SFilterInfo*> m_filters;
    int m_nVideoEntry = -1;
    int m_nAudioEntry = -1;
    CString m_sSourcePath;
    CString m_sOutputPath;
    LONGLONG m_nSegmentStart = 0;
    LONGLONG m_nSegmentStop = -1;
    SourceTypeCode m_nSourceType = 0;
    int m_nPlayState = kPlayStateClosed;
    int m_nVideoWidth = 0;
    int m_nVideoHeight = 0;
    DspPluginModule* m_pDspModule = nullptr;  // not owned
    ComPtr<IGraphBuilder> m_pGraph;
    ComPtr<IBaseFilter> m_pVideoFilter;
    ComPtr<IBaseFilter> m_pAudioFilter;
    // The module sources, by family.
    enum SourceSlot { kSlotAsf, kSlotAvi, kSlotOgg, kSlotFlv, kSlotMpeg, kSlotMatroska, kSlotMp4, kSlotCount };
    ComPtr<IBaseFilter> m_pSources[kSlotCount];
    ComPtr<IBaseFilter> m_pFileReader;  // the file-stream reader filter
    std::unique_ptr<CSrcFileStream> m_pFileStream;
    CWnd* m_pOwnerWnd = nullptr;
    CWnd* m_pPreviewWnd = nullptr;
    const CEncSettings* m_pSettings;
    ComPtr<IBaseFilter> m_pWriter;
    std::unique_ptr<GUID> m_pAviWriterClsid;
    std::unique_ptr<GUID> m_pMp4WriterClsid;
    std::unique_ptr<GUID> m_pAsfWriterClsid;
    SLogoInfo m_logo{};

    // An end of the job was posted since the last Play.
    bool m_bEndPosted = false;
    // Open left audio streams out; m_nRenderedAudioStreams reached the
    // audio filter.
    bool m_bAudioLeftOut = false;
    int m_nRenderedAudioStreams = 0;
    // The job was refused after Open (the chosen audio stream was left
    // out): Play ends it with kEofErrorAbort.
    bool m_bJobRefused = false;
    CStringArray m_renderLog;

private:
    void ReleaseSourceSlot(int slot);
    // Creates the module source of the slot, loads the path and renders it;
    // false (nothing done) when the module has no such source.
    bool LoadAndRender(CGraphBuilder& builder, int slot, const CLSID& clsid, const wchar_t* name, const CString& path,
                       HRESULT* result);
    HRESULT RenderFileStream(CGraphBuilder& builder, SourceTypeCode type, const CString& path);
    void ReleaseFileStream();
};
