// CGraphMain: life of the graph, opening a source, running, seeking, the
// encoded position and passes, the events, and the list of the built
// graph's filters. The source selection is in GraphMainSource.cpp, the
// treatment filters' set-up in GraphMainFilters.cpp.
#include "encoder/pipeline/GraphMain.h"

#include <cstring>

#include "encoder/core/EncSettings.h"
#include "encoder/core/SubtitleFileLookup.h"
#include "encoder/pipeline/FilterPins.h"
#include "encoder/pipeline/GraphBuilder.h"
#include "encoder/pipeline/SrcFileStream.h"
#include "foundation/DebugTrace.h"
#include "modules/api/SourceFilters.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/FourCC.h"
#include "platform/win32/MediaFormats.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace {

constexpr LONGLONG kOneSecond = 10000000;
// The Windows Media runtime's answer when a graph must be built again
// before it can run.
constexpr HRESULT kRunNeedsRestart = static_cast<HRESULT>(0xC00D002Bu);
constexpr LONG kVideoWindowStyle = 0x46000000;  // WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
constexpr int kLongNameLimit = 42;
constexpr int kShortNameLength = 40;

HWND HandleOf(CWnd* window) { return window ? window->GetSafeHwnd() : nullptr; }

// The connection type of the filter's first input pin.
bool FirstInputType(IBaseFilter* filter, CMediaType* type)
{
    IPin* pin = FindPinByDirection(filter, PINDIR_INPUT);
    return pin && SUCCEEDED(pin->ConnectionMediaType(type));
}

// The list entry's description: the name, shortened when long, with the
// input's compression for the system's AVI decompressor and its sound
// codec wrapper.
CString DescribeFilter(IBaseFilter* filter, const CString& name)
{
    CString description = name;
    if (description.GetLength() > kLongNameLimit) description = description.Left(kShortNameLength) + L"...";
    CLSID clsid = GetFilterClsid(filter);
    CMediaType type;
    if (clsid == CLSID_AVIDec && FirstInputType(filter, &type) && type.formattype == FORMAT_VideoInfo &&
        type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        DWORD compression = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biCompression;
        static const wchar_t* const kPlain[] = {L" (RGB)", L" (RLE8)", L" (RLE4)", L" (BITF)"};
        if (compression <= 3) {
            description += kPlain[compression];
        } else {
            description += L" (" + FourCCText(compression, L'\0') + L")";
        }
    } else if (clsid == CLSID_ACMWrapper && FirstInputType(filter, &type) && type.formattype == FORMAT_WaveFormatEx &&
               type.cbFormat >= sizeof(WAVEFORMATEX) - 2) {
        CString text;
        text.Format(L"%s (0x%04x)", description.GetString(),
                    static_cast<int>(reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)->wFormatTag));
        description = text;
    }
    return description;
}

bool IsConnected(IPin* pin)
{
    if (!pin) return false;
    ComPtr<IPin> other;
    return SUCCEEDED(pin->ConnectedTo(other.GetAddressOf())) && other;
}

// The input pins of the filter that are connected.
int ConnectedInputs(IBaseFilter* filter)
{
    int count = 0;
    for (int i = 0;; ++i) {
        ComPtr<IPin> pin;
        pin.Attach(GetInputPin(filter, i));
        if (!pin) return count;
        if (IsConnected(pin.Get())) ++count;
    }
}

}  // namespace

CGraphMain::CGraphMain(const CEncSettings* settings) : m_pSettings(settings) {}

CGraphMain::~CGraphMain() { ReleaseAll(); }

void CGraphMain::ReleaseAll()
{
    // The filters first, the graph (which holds them too) after them, and
    // the file stream the reader reads only once nothing can read it.
    m_pWriter.Reset();
    m_pFileReader.Reset();
    for (int slot = 0; slot < kSlotCount; ++slot) ReleaseSourceSlot(slot);
    m_pAudioFilter.Reset();
    m_pVideoFilter.Reset();
    for (int i = 0; i < m_filters.GetSize(); ++i) delete m_filters[i];
    m_filters.RemoveAll();
    m_nVideoEntry = -1;
    m_nAudioEntry = -1;
    m_pGraph.Reset();
    m_pFileStream.reset();
}

void CGraphMain::ReleaseSourceSlot(int slot)
{
    if (!m_pSources[slot]) return;
    if (slot == kSlotMp4) {
        ComPtr<IMp4SourceControl> control;
        if (SUCCEEDED(m_pSources[slot].As(&control)) && control) control->NotifyRelease(1);
    }
    m_pSources[slot].Reset();
}

void CGraphMain::CloseGraph()
{
    if (!m_pGraph) return;
    ReleaseAll();
    SetPlayState(kPlayStateClosed);
}

HRESULT CGraphMain::Build(IGraphBuilder*) { return S_OK; }

bool CGraphMain::SetPlayState(int state, LPARAM lParam)
{
    if (state == m_nPlayState) return false;
    m_nPlayState = state;
    PostToOwner(GetGraphMessages().playbackState, static_cast<WPARAM>(state), lParam);
    return true;
}

void CGraphMain::PostToOwner(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HWND owner = HandleOf(m_pOwnerWnd)) ::PostMessageW(owner, message, wParam, lParam);
}

void CGraphMain::PostEndOfJob(WPARAM code)
{
    if (m_bEndPosted) return;
    m_bEndPosted = true;
    PostToOwner(GetGraphMessages().playbackEof, code, 0);
}

void CGraphMain::AddRenderLog(const CString& line)
{
    m_renderLog.Add(line);
    DebugTrace(L"%s", line.GetString());
}

// ---- Open ---------------------------------------------------------------------------------------

int CGraphMain::Open(const CString& sourcePath, const CString& outputPath)
{
    (void)outputPath;  // the writers keep it (SetOutputFile)
    if (!m_pGraph) {
        AddRenderLog(L"No graph was built for the job.");
        return kOpenRefused;
    }
    m_bAudioLeftOut = false;
    m_nRenderedAudioStreams = 0;
    m_bJobRefused = false;

    CGraphBuilder builder(m_pGraph.Get());
    FeedBlockedFilters(builder);
    CPtrList before;
    builder.GetGraphFilters(before);
    auto refuse = [&](int code, HRESULT why) {
        CString line;
        if (code == kOpenNoStream)
            line.Format(L"The source has no stream to convert: %s", sourcePath.GetString());
        else
            line.Format(L"The source cannot be read (0x%08x): %s", static_cast<unsigned>(why), sourcePath.GetString());
        AddRenderLog(line);
        return code;
    };
    HRESULT hr = SelectSource(builder, sourcePath);
    if (hr == S_FALSE) return refuse(kOpenNoStream, hr);
    if (FAILED(hr)) {
        if (m_nSourceType == kSourceAvi)
            m_nSourceType = kSourceAviBadIndex;
        else if (m_nSourceType == kSourceRiffCdxa)
            m_nSourceType = kSourceUnknown;
        else
            return refuse(kOpenRefused, hr);
        // What the failed attempt left in the graph would take part in the
        // second one: only the filters the graph had before stay.
        builder.RemoveFiltersNotIn(before);
        hr = SelectSource(builder, sourcePath);
        if (hr == S_FALSE) return refuse(kOpenNoStream, hr);
        if (FAILED(hr)) return refuse(kOpenRefused, hr);
    }

    if (builder.GetDeadEndCount() > 0) {
        // A stream nobody takes may be left out (a subtitle or data
        // stream, another audio stream), but not the picture, nor all of
        // the sound: the job would make a file without them and call it
        // done. The dead ends tell, whatever the result says: a stream
        // left out behind a splitter still counts the splitter's input as
        // rendered.
        bool videoLeftOut = false;
        bool audioLeftOut = false;
        ReviewPartialRender(builder, &videoLeftOut, &audioLeftOut);
        if (videoLeftOut || audioLeftOut) {
            AddRenderLog(videoLeftOut ? CString(L"The video stream of the source cannot be converted.")
                                      : CString(L"No audio stream of the source can be converted."));
            return kOpenRefused;
        }
    }

    if (m_nPlayState != kPlayStateStopped) SetPlayState(kPlayStateStopped);
    m_sSourcePath = sourcePath;
    ConfigureAfterRender(3);

    if (m_pWriter) {
        for (int i = 0; i < m_filters.GetSize(); ++i) {
            IBaseFilter* filter = m_filters[i] ? m_filters[i]->filter.Get() : nullptr;
            if (!filter) break;
            if (filter == m_pWriter.Get()) continue;
            if (IsRendererFor(filter, &MEDIATYPE_Video) || IsRendererFor(filter, &MEDIATYPE_Audio)) {
                AddRenderLog(L"A stream went to a player instead of the writer: " + m_filters[i]->name);
                return kOpenRefused;
            }
        }
    }

    PostToOwner(GetGraphMessages().playbackReady, 0, 0);
    return kOpenDone;
}

void CGraphMain::ReviewPartialRender(CGraphBuilder& builder, bool* videoLeftOut, bool* audioLeftOut)
{
    bool anyVideo = false;
    bool anyAudio = false;
    for (int i = 0; i < builder.GetDeadEndCount(); ++i) {
        const CGraphBuilder::DeadEnd* end = builder.GetDeadEnd(i);
        if (!end) continue;
        CString types;
        for (POSITION p = end->mediaTypes.GetHeadPosition(); p;) {
            const CMediaType& type = end->mediaTypes.GetNext(p);
            if (type.majortype == MEDIATYPE_Video) anyVideo = true;
            if (type.majortype == MEDIATYPE_Audio) anyAudio = true;
            CString major;
            if (type.majortype == MEDIATYPE_Video)
                major = L"video";
            else if (type.majortype == MEDIATYPE_Audio)
                major = L"audio";
            else
                major = L"other";
            types += (types.IsEmpty() ? L"" : L", ") + major;
        }
        CString path;
        for (POSITION p = end->names.GetHeadPosition(); p;) {
            path += (path.IsEmpty() ? L"" : L" > ") + end->names.GetNext(p);
        }
        CString line;
        line.Format(L"Left out: %s, pin \"%s\" of \"%s\" (%s)", path.GetString(), end->pinName.GetString(),
                    end->filterName.GetString(), types.IsEmpty() ? L"no type" : types.GetString());
        AddRenderLog(line);
    }
    // A second picture stream (a cover picture, another angle) may stay
    // out as long as one reached the video filter.
    if (anyVideo && !(m_pVideoFilter && ConnectedInputs(m_pVideoFilter.Get()) > 0)) *videoLeftOut = true;
    if (anyAudio) {
        m_nRenderedAudioStreams = m_pAudioFilter ? ConnectedInputs(m_pAudioFilter.Get()) : 0;
        m_bAudioLeftOut = true;
        if (m_nRenderedAudioStreams == 0) *audioLeftOut = true;
    }
}

// ---- Running ------------------------------------------------------------------------------------

HRESULT CGraphMain::Play() { return Run(TRUE); }

HRESULT CGraphMain::Run(BOOL play)
{
    ComPtr<IMediaControl> control;
    if (m_nPlayState < kPlayStateStopped || !m_pGraph || FAILED(m_pGraph.As(&control)) || !control) return S_OK;
    if (!play) {
        SetPlayState(kPlayStatePaused);
        HRESULT hr = control->Pause();
        return FAILED(hr) ? hr : S_OK;
    }
    // A play from the stopped state is a new run of the job: it may end
    // once again.
    if (m_nPlayState == kPlayStateStopped) m_bEndPosted = false;
    if (m_bJobRefused) {
        PostEndOfJob(kEofErrorAbort);
        return E_FAIL;
    }
    OAFilterState state = 0;
    control->GetState(1000, &state);
    HRESULT hr = control->Run();
    if (hr == kRunNeedsRestart) return RestartGraph() ? S_OK : E_FAIL;
    if (FAILED(hr)) return hr;
    SetPlayState(kPlayStateRunning);
    return hr;
}

BOOL CGraphMain::RestartGraph()
{
    CString source = m_sSourcePath;
    CString output = m_sOutputPath;
    BuildBaseFilterChain(m_nSourceType, m_pPreviewWnd, m_pOwnerWnd);
    if (Open(source, output) != 0) return FALSE;
    ComPtr<IMediaControl> control;
    if (!m_pGraph || FAILED(m_pGraph.As(&control)) || !control || FAILED(control->Run())) return FALSE;
    SetPlayState(kPlayStateRunning);
    return TRUE;
}

HRESULT CGraphMain::Stop()
{
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;
    if (!m_pGraph || FAILED(m_pGraph.As(&control)) || !control || FAILED(m_pGraph.As(&seeking)) || !seeking)
        return S_OK;
    HRESULT hr = control->Stop();
    if (SUCCEEDED(hr)) SetPlayState(kPlayStateStopped);
    return hr;
}

HRESULT CGraphMain::Seek(LONGLONG start, LONGLONG stop)
{
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;
    if (!m_pGraph || FAILED(m_pGraph.As(&control)) || !control || FAILED(m_pGraph.As(&seeking)) || !seeking)
        return E_FAIL;
    // A limit of 0 or less means the length is not known: nothing is cut to
    // it, and no position ever becomes negative.
    LONGLONG limit = GetSeekLimit();
    if (start < 0) start = 0;
    if (limit > 0 && start > limit) start = limit - kOneSecond > 0 ? limit - kOneSecond : 0;

    OAFilterState state = State_Stopped;
    control->GetState(20, &state);
    bool running = state == State_Running;
    if (running) control->Pause();

    HRESULT hr;
    if (stop < 0) {
        hr = seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    } else {
        if (stop < start) stop = start;
        if (limit > 0 && stop > limit) stop = limit;
        hr = seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning);
    }
    if (running) return control->Run();
    return hr;
}

HRESULT CGraphMain::SetSegment(LONGLONG start, LONGLONG stop)
{
    HRESULT hr = Seek(start, stop);
    if (SUCCEEDED(hr)) {
        m_nSegmentStart = start;
        m_nSegmentStop = stop;
    }
    return hr;
}

// ---- Positions and passes -------------------------------------------------------------------------

LONGLONG CGraphMain::CurrentPositionOf(IUnknown* object)
{
    ComPtr<IMediaSeeking> seeking;
    LONGLONG position = 0;
    if (!object ||
        FAILED(object->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seeking.GetAddressOf()))) ||
        !seeking || FAILED(seeking->GetCurrentPosition(&position)))
        return 0;
    return position;
}

LONGLONG CGraphMain::GetPosition() { return CurrentPositionOf(m_pGraph.Get()); }

LONGLONG CGraphMain::GetDuration()
{
    ComPtr<IMediaSeeking> seeking;
    LONGLONG duration = 0;
    if (!m_pGraph || FAILED(m_pGraph.As(&seeking)) || !seeking || FAILED(seeking->GetDuration(&duration))) return 0;
    return duration;
}

LONGLONG CGraphMain::GetSeekLimit() { return GetDuration(); }

ComPtr<IWriterSettings> CGraphMain::WriterSettings() const
{
    ComPtr<IWriterSettings> settings;
    if (!m_pWriter || FAILED(m_pWriter.As(&settings))) settings.Reset();
    return settings;
}

LONGLONG CGraphMain::GetEncodedPosition()
{
    LONGLONG position = 0;
    if (ComPtr<IWriterSettings> settings = WriterSettings())
        if (SUCCEEDED(settings->GetEncodedPosition(&position))) return position;
    return GetPosition();
}

LONGLONG CGraphMain::GetEncodedDuration()
{
    LONGLONG duration = 0;
    if (ComPtr<IWriterSettings> settings = WriterSettings())
        if (SUCCEEDED(settings->GetEncodedDuration(&duration))) return duration;
    return GetDuration();
}

int CGraphMain::GetWriterPassState()
{
    int mode = 0;
    ComPtr<IWriterSettings> settings = WriterSettings();
    if (!settings || FAILED(settings->GetPassMode(&mode))) return 0;
    return mode;
}

int CGraphMain::GetCurrentPass() { return GetWriterPassState() == 2 ? 2 : 1; }

int CGraphMain::GetPassCount() { return GetWriterPassState() < 1 ? 1 : 2; }

CString CGraphMain::FindSubtitleForSource(const CString& path)
{
    return FindSubtitleFile(path.IsEmpty() ? m_sSourcePath : path);
}

// ---- Owners' calls ----------------------------------------------------------------------------------

void CGraphMain::SetLogoInfo(const SLogoInfo* logo)
{
    if (logo)
        std::memcpy(&m_logo, logo, sizeof m_logo);
    else
        std::memset(&m_logo, 0, sizeof m_logo);
}

void CGraphMain::SetDspModule(DspPluginModule* module)
{
    m_pDspModule = module;
    SetAudioDspModule(module);
}

void CGraphMain::SetFormatGuids(const wchar_t* avi, const wchar_t* mp4, const wchar_t* asf)
{
    std::unique_ptr<GUID>* targets[] = {&m_pAviWriterClsid, &m_pMp4WriterClsid, &m_pAsfWriterClsid};
    const wchar_t* texts[] = {avi, mp4, asf};
    for (int i = 0; i < 3; ++i) {
        if (!*targets[i]) *targets[i] = std::make_unique<GUID>();
        CLSIDFromString(texts[i], targets[i]->get());
    }
}

BOOL CGraphMain::SetWriterPriority(int priority)
{
    ComPtr<IWriterSettings> settings = WriterSettings();
    return settings && SUCCEEDED(settings->SetPriority(priority));
}

BOOL CGraphMain::SetWriterPreviewEnabled(BOOL on)
{
    ComPtr<IWriterSettings> settings = WriterSettings();
    return settings && SUCCEEDED(settings->SetPreview(on ? 1 : 0));
}

// ---- Events ---------------------------------------------------------------------------------------

HRESULT CGraphMain::OnGraphNotify()
{
    ComPtr<IMediaEventEx> events;
    if (!m_pGraph || FAILED(m_pGraph.As(&events)) || !events) return S_OK;
    HRESULT last = S_OK;
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (m_pGraph && SUCCEEDED(events->GetEvent(&code, &param1, &param2, 0))) {
        last = events->FreeEventParams(code, param1, param2);
        switch (code) {
        case EC_COMPLETE: {
            ComPtr<IMediaControl> control;
            if (GetWriterPassState() == 1 && SUCCEEDED(m_pGraph.As(&control)) && control) {
                // The first of two passes ended: the second one runs over
                // the same segment. When it cannot start, the job ends
                // with an error instead of waiting for an end that never
                // comes.
                control->StopWhenReady();
                ComPtr<IWriterSettings> settings = WriterSettings();
                HRESULT hr = settings ? settings->SetPassMode(2) : E_NOINTERFACE;
                if (SUCCEEDED(hr)) hr = Seek(m_nSegmentStart, m_nSegmentStop);
                if (SUCCEEDED(hr)) {
                    OAFilterState state = 0;
                    control->GetState(1000, &state);
                    hr = control->Run();
                }
                if (FAILED(hr)) {
                    CString line;
                    line.Format(L"The second pass could not start (0x%08x).", static_cast<unsigned>(hr));
                    AddRenderLog(line);
                    PostEndOfJob(kEofErrorAbort);
                    Stop();
                }
            } else {
                PostEndOfJob(kEofFinished);
                Stop();
            }
            break;
        }
        case EC_ERRORABORT:
            PostEndOfJob(kEofErrorAbort);
            Stop();
            break;
        case EC_BUFFERING_DATA:
            if (param1 == 1) {
                if (m_nPlayState != kPlayStateBuffering) SetPlayState(kPlayStateBuffering);
            } else if (m_nPlayState == kPlayStateBuffering) {
                m_nPlayState = kPlayStateRunning;
            }
            break;
        case EC_WRITER_FAILURE:
            if (param1 == kWriterFailureOutput) {
                PostEndOfJob(kEofWriterOutput);
                Stop();
            } else if (param1 == kWriterFailureEncoder) {
                PostEndOfJob(kEofWriterEncoder);
                Stop();
            } else if (param1 == kWriterFailureNoVideo || param1 == kWriterFailureNoSound) {
                // The writer made no file: the job fails and says which
                // stream its output would have lacked.
                PostEndOfJob(param1 == kWriterFailureNoVideo ? kEofNoVideo : kEofNoSound);
                Stop();
            }
            break;
        default: break;
        }
    }
    return last;
}

// ---- The filter list and the video window ----------------------------------------------------------

const SFilterInfo* CGraphMain::GetFilterInfo(int index) const
{
    return index >= 0 && index < m_filters.GetSize() ? m_filters[index] : nullptr;
}

BOOL CGraphMain::RebuildFilterList()
{
    m_nVideoEntry = -1;
    m_nAudioEntry = -1;
    for (int i = 0; i < m_filters.GetSize(); ++i) delete m_filters[i];
    m_filters.RemoveAll();
    if (!m_pGraph) return FALSE;
    ComPtr<IEnumFilters> filters;
    if (FAILED(m_pGraph->EnumFilters(filters.GetAddressOf())) || !filters) return FALSE;
    IBaseFilter* filter = nullptr;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        auto* info = new SFilterInfo;
        info->filter.Attach(filter);  // the enumerator's reference
        info->name = GetFilterName(filter);
        info->description = DescribeFilter(filter, info->name);
        int index = m_filters.Add(info);
        if (IsVideoFilter(filter))
            m_nVideoEntry = index;
        else if (IsAudioFilter(filter))
            m_nAudioEntry = index;
    }
    return TRUE;
}

void CGraphMain::SetupVideoWindow()
{
    HWND preview = HandleOf(m_pPreviewWnd);
    ComPtr<IMediaEventEx> events;
    ComPtr<IVideoWindow> window;
    if (!preview || !m_pGraph || FAILED(m_pGraph.As(&events)) || !events || FAILED(m_pGraph.As(&window)) || !window)
        return;
    OAHWND handle = reinterpret_cast<OAHWND>(preview);
    window->put_MessageDrain(handle);
    window->put_Visible(0);
    window->put_Owner(handle);
    window->put_WindowStyle(kVideoWindowStyle);
    window->put_WindowStyleEx(0);
    FitVideoWindow();
    window->put_Visible(0);
    window->SetWindowForeground(0);
}

void CGraphMain::FitVideoWindow()
{
    HWND preview = HandleOf(m_pPreviewWnd);
    ComPtr<IVideoWindow> window;
    RECT client{};
    if (!preview || !m_pGraph || FAILED(m_pGraph.As(&window)) || !window || !GetClientRect(preview, &client)) return;
    window->SetWindowPosition(client.left, client.top, client.right - client.left, client.bottom - client.top);
}

bool CGraphMain::IsFilterUnconnected(IBaseFilter* filter)
{
    if (IPin* input = FindPinByDirection(filter, PINDIR_INPUT)) return !IsConnected(input);
    if (IPin* output = FindPinByDirection(filter, PINDIR_OUTPUT)) return !IsConnected(output);
    return true;
}
