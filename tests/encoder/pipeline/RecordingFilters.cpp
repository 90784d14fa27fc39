#include "tests/encoder/pipeline/RecordingFilters.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "foundation/PathHelpers.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/UncompressedTypes.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/MediaFormats.h"
#include "platform/win32/Module.h"
#include "platform/win32/NativePath.h"
#include "platform/wmf/WmInterfaces.h"
#include "tests/encoder/pipeline/fixtures/RecorderModule.h"

namespace {

std::mutex g_logLock;
std::vector<std::string> g_log;

std::string Text(int value) { return std::to_string(value); }
std::string Text(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}
std::string Text(const void* pointer) { return pointer ? "set" : "null"; }

template <class... A>
HRESULT Record(const std::string& who, const char* method, const A&... args)
{
    std::string line = who + "." + method + "(";
    bool first = true;
    ((line += (first ? "" : ", ") + Text(args), first = false), ...);
    RecordingLog::Add(line + ")");
    return S_OK;
}

std::string Utf16Text(const char16_t* text)
{
    std::u16string units;
    while (*text) units.push_back(*text++);
    return WideToUtf8(Utf16ToWide(units));
}

// A packed picture: the treatment stand-in does not honour a padded layout.
bool IsPackedPicture(const CMediaType& type)
{
    if (!IsUncompressedVideo(type) || type.formattype != FORMAT_VideoInfo) return false;
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    const RECT& r = vih->rcSource;
    if (r.right <= r.left || r.bottom <= r.top) return true;
    LONG height = vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
    return r.left == 0 && r.top == 0 && r.right == vih->bmiHeader.biWidth && r.bottom == height;
}

}  // namespace

void RecordingLog::Add(const std::string& line)
{
    std::lock_guard<std::mutex> g(g_logLock);
    g_log.push_back(line);
}

std::vector<std::string> RecordingLog::Take()
{
    std::lock_guard<std::mutex> g(g_logLock);
    std::vector<std::string> lines;
    lines.swap(g_log);
    return lines;
}

std::vector<std::string> RecordingLog::Lines(const std::string& prefix)
{
    std::lock_guard<std::mutex> g(g_logLock);
    std::vector<std::string> lines;
    for (const std::string& line : g_log)
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
}

void RecordingLog::Clear()
{
    std::lock_guard<std::mutex> g(g_logLock);
    g_log.clear();
}

RecordingBehaviour& Behaviour()
{
    static RecordingBehaviour behaviour;
    return behaviour;
}

void ResetRecordingBehaviour()
{
    RecordingBehaviour& b = Behaviour();
    b.writerFailure = 0;
    b.refuseSecondPass = false;
    b.writerRunRestarts = 0;
    b.writerWithoutSettings = false;
    b.writerRefusesAudio = false;
    b.filtersWithoutControl = false;
    b.sourceFailsLoad = false;
}

std::string SourceKind(REFCLSID clsid)
{
    struct Kind {
        const CLSID* clsid;
        const char* word;
    };
    static const Kind kKinds[] = {
        {&CLSID_HalvaneAsfSource, "asf"},   {&CLSID_HalvaneAviSource, "avi"},      {&CLSID_HalvaneOggSource, "ogg"},
        {&CLSID_HalvaneMpegSource, "mpeg"}, {&CLSID_HalvaneMatroskaSource, "mkv"}, {&CLSID_HalvaneMp4Source, "mp4"},
        {&CLSID_HalvaneFlvSource, "flv"},
    };
    for (const Kind& k : kKinds)
        if (*k.clsid == clsid) return k.word;
    return "";
}

HRESULT CreateRecordingFilter(REFCLSID clsid, REFIID riid, void** object)
{
    if (!SourceKind(clsid).empty()) {
        if (!object) return E_POINTER;
        *object = nullptr;
        auto* source = new CRecordingSource(nullptr, clsid);
        source->NonDelegatingAddRef();
        HRESULT hr = source->MakeInner() ? source->NonDelegatingQueryInterface(riid, object) : E_FAIL;
        source->NonDelegatingRelease();
        return hr;
    }
    if (clsid == CLSID_HalvaneVideoFilter) return CreateComObject<CRecordingVideoFilter>(nullptr, riid, object);
    if (clsid == CLSID_HalvaneAudioFilter) return CreateComObject<CRecordingAudioFilter>(nullptr, riid, object);
    return CreateComObject<CRecordingWriter>(nullptr, riid, object, clsid);
}

// ---- Sources ------------------------------------------------------------------------------------

CRecordingSource::CRecordingSource(IUnknown* outer, const CLSID& clsid)
    : CUnknown(outer),
      kind_(SourceKind(clsid)),
      avi_(clsid == CLSID_HalvaneAviSource),
      mp4_(clsid == CLSID_HalvaneMp4Source)
{
    RecordingLog::Add("source.Create(" + kind_ + ")");
}

CRecordingSource::~CRecordingSource()
{
    if (inner_) inner_->Release();
}

bool CRecordingSource::MakeInner()
{
    return SUCCEEDED(CoCreateInstance(CLSID_MediaSource, GetOwner(), CLSCTX_INPROC_SERVER, IID_IUnknown,
                                      reinterpret_cast<void**>(&inner_))) &&
           inner_;
}

HRESULT CRecordingSource::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IFileSourceFilter) return GetInterface(static_cast<IFileSourceFilter*>(this), object);
    if (riid == IID_IAviSourceOption && avi_) return GetInterface(static_cast<IAviSourceOption*>(this), object);
    if (riid == IID_IMp4SourceControl && mp4_) return GetInterface(static_cast<IMp4SourceControl*>(this), object);
    if (riid == IID_IUnknown) return CUnknown::NonDelegatingQueryInterface(riid, object);
    if (!object) return E_POINTER;
    return inner_ ? inner_->QueryInterface(riid, object) : (*object = nullptr, E_NOINTERFACE);
}

HRESULT CRecordingSource::Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type)
{
    Record("source", "Load", static_cast<const void*>(fileName));
    if (Behaviour().sourceFailsLoad) return E_FAIL;
    ComPtr<IFileSourceFilter> load;
    if (FAILED(inner_->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(load.GetAddressOf()))))
        return E_NOINTERFACE;
    return load->Load(fileName, type);
}

HRESULT CRecordingSource::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type)
{
    ComPtr<IFileSourceFilter> load;
    if (FAILED(inner_->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(load.GetAddressOf()))))
        return E_NOINTERFACE;
    return load->GetCurFile(fileName, type);
}

HRESULT CRecordingSource::SetOption(int option) { return Record("source", "SetOption", option); }

HRESULT CRecordingSource::NotifyRelease(int releasing) { return Record("source", "NotifyRelease", releasing); }

// ---- Treatment stand-ins -----------------------------------------------------------------------

HRESULT CRecordingTransform::CheckTransform(const CMediaType* in, const CMediaType* out)
{
    return *in == *out ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CRecordingTransform::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = Input()->CurrentMediaType();
    return S_OK;
}

HRESULT CRecordingTransform::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
    const CMediaType& type = Input()->CurrentMediaType();
    ALLOCATOR_PROPERTIES want = *props;
    want.cBuffers = std::max<LONG>(want.cBuffers, 4);
    LONG size = static_cast<LONG>(type.lSampleSize);
    if (type.formattype == FORMAT_WaveFormatEx) size = 1 << 20;
    want.cbBuffer = std::max<LONG>(size, 4096);
    ALLOCATOR_PROPERTIES actual{};
    return allocator->SetProperties(&want, &actual);
}

HRESULT CRecordingTransform::Transform(IMediaSample* in, IMediaSample* out)
{
    BYTE* source = nullptr;
    BYTE* target = nullptr;
    if (FAILED(in->GetPointer(&source)) || FAILED(out->GetPointer(&target))) return E_FAIL;
    LONG bytes = std::min(in->GetActualDataLength(), out->GetSize());
    std::memcpy(target, source, static_cast<size_t>(bytes));
    out->SetActualDataLength(bytes);
    return S_OK;
}

// ---- Video --------------------------------------------------------------------------------------

CRecordingVideoFilter::CRecordingVideoFilter(IUnknown* outer)
    : CRecordingTransform(L"Recording Video", outer, CLSID_HalvaneVideoFilter)
{
}

HRESULT CRecordingVideoFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IVideoFilterControl && !Behaviour().filtersWithoutControl)
        return GetInterface(static_cast<IVideoFilterControl*>(this), object);
    return CTransformFilter::NonDelegatingQueryInterface(riid, object);
}

HRESULT CRecordingVideoFilter::CheckInputType(const CMediaType* type)
{
    return IsPackedPicture(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

#define RIVO_RECORD(Class, who, Name, Type) \
    HRESULT Class::Name(Type value) { return Record(who, #Name, value); }

RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoAspectMode, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoAspectRatio, double)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoFilterSubtitle, ISubPicProvider*)
RIVO_RECORD(CRecordingVideoFilter, "video", SetSubtitleEnabled, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetSubtitlePosX, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetSubtitlePosY, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetSubtitleMarginX, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetSubtitleMarginY, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetSubtitleCharSpace, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetSubtitleLineSpace, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoFlip, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoDeblockStrength, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoBlurEnabled, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoBlurStrength, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoSharpenEnabled, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoSharpenStrength, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoDeinterlace, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoBrightness, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoContrast, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoSaturation, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoHue, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoResizeA, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoResizeB, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoResizeC, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoPresetA, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoPresetB, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoPresetC, int)
RIVO_RECORD(CRecordingVideoFilter, "video", SetVideoFrameRate, double)

HRESULT CRecordingVideoFilter::SetVideoLogo(int logoNumber, const SLogoInfo* logo)
{
    RecordingLog::Add("video.SetVideoLogo(" + Text(logoNumber) + ", " +
                      (logo ? Utf16Text(logo->imagePath) + " " + Text(static_cast<int>(logo->opacity)) : "null") + ")");
    return S_OK;
}

HRESULT CRecordingVideoFilter::SetSubtitleStyle(const SubtitleStyleRecord* style)
{
    if (!style) return Record("video", "SetSubtitleStyle", static_cast<const void*>(nullptr));
    RecordingLog::Add("video.SetSubtitleStyle(" + Utf16Text(style->faceName) + " " + Text(style->fontSize) + " " +
                      Text(style->weight) + " " + Text(style->blur) + " " + Text(static_cast<int>(style->bodyColor)) +
                      " " + Text(static_cast<int>(style->shadowAlpha)) + " " + Text(style->outlineWidth) + " " +
                      Text(style->shadowDepth) + ")");
    return S_OK;
}

HRESULT CRecordingVideoFilter::SetVideoDeblockMode(int mode, int flags)
{
    return Record("video", "SetVideoDeblockMode", mode, flags);
}

HRESULT CRecordingVideoFilter::SetVideoSize(int width, int height)
{
    return Record("video", "SetVideoSize", width, height);
}

HRESULT CRecordingVideoFilter::QueryVideoFilterSubtitleInfo(SubtitleInfoRecord* info)
{
    Record("video", "QueryVideoFilterSubtitleInfo", static_cast<const void*>(info));
    if (!info) return E_POINTER;
    const CMediaType& type = Input()->CurrentMediaType();
    if (!Input()->IsConnected() || type.formattype != FORMAT_VideoInfo) return VFW_E_NOT_CONNECTED;
    LONGLONG frame = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->AvgTimePerFrame;
    info->frameRateMilli = frame > 0 ? static_cast<int32_t>(10000000000LL / frame) : 0;
    return S_OK;
}

// ---- Audio --------------------------------------------------------------------------------------

CRecordingAudioFilter::CRecordingAudioFilter(IUnknown* outer)
    : CRecordingTransform(L"Recording Audio", outer, CLSID_HalvaneAudioFilter)
{
}

HRESULT CRecordingAudioFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IAudioFilterControl && !Behaviour().filtersWithoutControl)
        return GetInterface(static_cast<IAudioFilterControl*>(this), object);
    return CTransformFilter::NonDelegatingQueryInterface(riid, object);
}

HRESULT CRecordingAudioFilter::CheckInputType(const CMediaType* type)
{
    return IsUncompressedAudio(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioChannels, int)
RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioBitsPerSample, int)
RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioPlaybackRate, double)
RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioPitchFix, int)
RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioGainLimit, double)
RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioDspModule, DspPluginModule*)
RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioNormalize, int)
RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioNormalizeLevel, int)
RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioPresetA, int)
RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioSyncDelay, int)
RIVO_RECORD(CRecordingAudioFilter, "audio", SetAudioAmplify, int)
#undef RIVO_RECORD

HRESULT CRecordingAudioFilter::SetAudioSampleRate(int hz)
{
    sampleRate_ = hz;
    return Record("audio", "SetAudioSampleRate", hz);
}

HRESULT CRecordingAudioFilter::GetAudioSampleRate(int* hz)
{
    Record("audio", "GetAudioSampleRate");
    if (!hz) return E_POINTER;
    *hz = sampleRate_;
    return S_OK;
}

HRESULT CRecordingAudioFilter::GetAudioStreamCount(int* count)
{
    Record("audio", "GetAudioStreamCount");
    if (!count) return E_POINTER;
    *count = Input()->IsConnected() ? 1 : 0;
    return S_OK;
}

HRESULT CRecordingAudioFilter::GetAudioStreamInfo(int index, wchar_t* text, int* length)
{
    Record("audio", "GetAudioStreamInfo", index);
    if (!text || !length) return E_POINTER;
    if (index != 0 || *length < 2) {
        *length = -1;
        return E_INVALIDARG;
    }
    std::wstring info = L"stream 0";
    size_t n = std::min(info.size(), static_cast<size_t>(*length - 1));
    std::wmemcpy(text, info.data(), n);
    text[n] = 0;
    *length = static_cast<int>(n);
    return S_OK;
}

HRESULT CRecordingAudioFilter::SetAudioStream(int index)
{
    stream_ = index;
    return Record("audio", "SetAudioStream", index);
}

HRESULT CRecordingAudioFilter::GetCurrentAudioStream(int* index)
{
    Record("audio", "GetCurrentAudioStream");
    if (!index) return E_POINTER;
    *index = stream_;
    return S_OK;
}

// ---- Writer -------------------------------------------------------------------------------------

CRecordingWriterInput::CRecordingWriterInput(CRecordingWriter* writer, const wchar_t* name, const GUID& major)
    : CBaseInputPin(writer, name), writer_(writer), major_(major), seeking_(writer->GetOwner(), this)
{
}

HRESULT CRecordingWriterInput::CheckMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    bool ok = major_ == MEDIATYPE_Video ? IsUncompressedVideo(*type)
                                        : IsUncompressedAudio(*type) && !Behaviour().writerRefusesAudio;
    return ok ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CRecordingWriterInput::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    REFERENCE_TIME start = 0, stop = 0;
    if (SUCCEEDED(sample->GetTime(&start, &stop))) seeking_.SetRenderedTime(stop);
    return writer_->OnSample(this, sample);
}

HRESULT CRecordingWriterInput::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return SUCCEEDED(hr) ? S_OK : hr;
    seeking_.SetEndOfStream();
    writer_->OnEndOfStream(this);
    return S_OK;
}

HRESULT CRecordingWriterInput::BeginFlush()
{
    CBaseInputPin::BeginFlush();
    writer_->OnFlush();
    return S_OK;
}

HRESULT CRecordingWriterInput::EndFlush()
{
    seeking_.Reset();
    return CBaseInputPin::EndFlush();
}

HRESULT CRecordingWriterInput::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    seeking_.SetSegmentStart(start);
    return CBaseInputPin::NewSegment(start, stop, rate);
}

CRecordingWriter::CRecordingWriter(IUnknown* outer, const CLSID& clsid)
    : CBaseFilter(L"Recording Writer", outer, clsid),
      clsid_(clsid),
      video_(std::make_unique<CRecordingWriterInput>(this, L"Video", MEDIATYPE_Video)),
      audio_(std::make_unique<CRecordingWriterInput>(this, L"Audio", MEDIATYPE_Audio))
{
}

CRecordingWriter::~CRecordingWriter() = default;

std::string CRecordingWriter::Kind() const
{
    if (clsid_ == CLSID_HalvaneAviWriter) return "avi";
    if (clsid_ == CLSID_HalvaneMp4Writer) return "mp4";
    if (clsid_ == CLSID_HalvaneAsfWriter) return "asf";
    if (clsid_ == CLSID_HalvaneOgmWriter) return "ogm";
    return "other";
}

HRESULT CRecordingWriter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IFileSinkFilter) return GetInterface(static_cast<IFileSinkFilter*>(this), object);
    if (riid == IID_IAMFilterMiscFlags) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), object);
    if (riid == IID_IMediaSeeking) {
        CRecordingWriterInput* pin = video_->IsConnected() || !audio_->IsConnected() ? video_.get() : audio_.get();
        return GetInterface(static_cast<IMediaSeeking*>(&pin->Seeking()), object);
    }
    if (riid == IID_IWriterSettings && !Behaviour().writerWithoutSettings)
        return GetInterface(static_cast<IWriterSettings*>(this), object);
    if (riid == IID_IAviWriterFormat && clsid_ == CLSID_HalvaneAviWriter)
        return GetInterface(static_cast<IAviWriterFormat*>(this), object);
    if (riid == IID_IMp4WriterFormat && clsid_ == CLSID_HalvaneMp4Writer)
        return GetInterface(static_cast<IMp4WriterFormat*>(this), object);
    if (riid == IID_IOgmWriterFormat && clsid_ == CLSID_HalvaneOgmWriter)
        return GetInterface(static_cast<IOgmWriterFormat*>(this), object);
    if (riid == IID_IAsfWriterProfile && clsid_ == CLSID_HalvaneAsfWriter)
        return GetInterface(static_cast<IAsfWriterProfile*>(this), object);
    return CBaseFilter::NonDelegatingQueryInterface(riid, object);
}

CBasePin* CRecordingWriter::GetPin(int n)
{
    if (n == 0) return video_.get();
    if (n == 1) return audio_.get();
    return nullptr;
}

HRESULT CRecordingWriter::Stop()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    return CBaseFilter::Stop();
}

HRESULT CRecordingWriter::Pause()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (State() == State_Stopped) {
        std::lock_guard<std::mutex> l(lock_);
        if (out_.is_open()) out_.close();
        videoEnded_ = audioEnded_ = false;
        failed_ = false;
        completeDue_ = false;
        videoSamples_ = audioSamples_ = 0;
        encoded_ = 0;
    }
    return CBaseFilter::Pause();
}

HRESULT CRecordingWriter::Run(REFERENCE_TIME start)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (Behaviour().writerRunRestarts > 0) {
        --Behaviour().writerRunRestarts;
        return static_cast<HRESULT>(0xC00D002Bu);
    }
    HRESULT hr = CBaseFilter::Run(start);
    if (FAILED(hr)) return hr;
    bool complete = false;
    {
        std::lock_guard<std::mutex> l(lock_);
        complete = completeDue_;
        completeDue_ = false;
    }
    if (complete) NotifyEvent(EC_COMPLETE, S_OK, 0);
    return S_OK;
}

HRESULT CRecordingWriter::SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE*)
{
    if (!fileName) return E_POINTER;
    std::lock_guard<std::mutex> l(lock_);
    fileName_ = fileName;
    RecordingLog::Add("writer.SetFileName(" + WideToUtf8(fileName_) + ")");
    return S_OK;
}

HRESULT CRecordingWriter::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE*)
{
    if (!fileName) return E_POINTER;
    std::lock_guard<std::mutex> l(lock_);
    size_t bytes = (fileName_.size() + 1) * sizeof(wchar_t);
    *fileName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!*fileName) return E_OUTOFMEMORY;
    std::memcpy(*fileName, fileName_.c_str(), bytes);
    return S_OK;
}

HRESULT CRecordingWriter::GetEncodedPosition(LONGLONG* position)
{
    if (!position) return E_POINTER;
    std::lock_guard<std::mutex> l(lock_);
    *position = encoded_;
    return S_OK;
}

HRESULT CRecordingWriter::GetEncodedDuration(LONGLONG* duration)
{
    if (!duration) return E_POINTER;
    return video_->Seeking().GetDuration(duration);
}

HRESULT CRecordingWriter::SetFrameRate(int rate, int scale) { return Record("writer", "SetFrameRate", rate, scale); }
HRESULT CRecordingWriter::SetPriority(int priority) { return Record("writer", "SetPriority", priority); }
HRESULT CRecordingWriter::SetPlaybackRate(double rate) { return Record("writer", "SetPlaybackRate", rate); }
HRESULT CRecordingWriter::SetPreview(int on) { return Record("writer", "SetPreview", on); }

HRESULT CRecordingWriter::SetPassMode(int mode)
{
    Record("writer", "SetPassMode", mode);
    if (mode == 2 && Behaviour().refuseSecondPass) return E_FAIL;
    std::lock_guard<std::mutex> l(lock_);
    passMode_ = mode;
    return S_OK;
}

HRESULT CRecordingWriter::GetPassMode(int* mode)
{
    if (!mode) return E_POINTER;
    std::lock_guard<std::mutex> l(lock_);
    *mode = passMode_;
    return S_OK;
}

HRESULT CRecordingWriter::SetCodecSettings(const SCodecSettings* codec)
{
    if (!codec) return E_POINTER;
    RecordingLog::Add("writer.SetCodecSettings(" + Kind() + " " + Text(static_cast<int>(codec->fccVideoCodec)) + " " +
                      Text(codec->nVideoEncMode) + " " + Text(codec->nVideoKBitrate) + " " + Text(codec->nAudioCodec) +
                      ")");
    return S_OK;
}

HRESULT CRecordingWriter::SetCodecSettings(const SMp4CodecSettings* codec)
{
    if (!codec) return E_POINTER;
    RecordingLog::Add("writer.SetCodecSettings(" + Kind() + " " + Text(codec->bSupportPSP) + " " +
                      Text(static_cast<int>(codec->fccVideoCodec)) + " " + Text(codec->nVideoEncMode) + " " +
                      Text(codec->nAudioKBitrate) + ")");
    return S_OK;
}

HRESULT CRecordingWriter::SetChannel(IUnknown* channel) { return Record("writer", "SetChannel", channel); }

HRESULT CRecordingWriter::SetProfile(IWMProfile* profile)
{
    if (!profile) return Record("writer", "SetProfile", profile);
    DWORD streams = 0;
    profile->GetStreamCount(&streams);
    RecordingLog::Add("writer.SetProfile(" + std::to_string(streams) + " streams)");
    return S_OK;
}

HRESULT CRecordingWriter::OnSample(CRecordingWriterInput* pin, IMediaSample* sample)
{
    int failure = Behaviour().writerFailure;
    {
        std::lock_guard<std::mutex> l(lock_);
        if (failed_) return S_FALSE;
        // The file is made when the first sample comes, as a writer makes
        // it when it starts to write; one that cannot be made is a failure
        // of the output.
        if (failure == 0 && !out_.is_open()) {
            std::string path = ToNativePath(fileName_) + (passMode_ == 1 ? ".stats" : "");
            if (!fileName_.empty()) out_.open(path, std::ios::trunc);
            if (!out_.is_open()) failure = kWriterFailureOutput;
        }
        if (failure != 0) failed_ = true;
        REFERENCE_TIME start = 0, stop = 0;
        if (SUCCEEDED(sample->GetTime(&start, &stop))) encoded_ = std::max(encoded_, stop);
        if (pin == video_.get())
            ++videoSamples_;
        else
            ++audioSamples_;
    }
    if (failure != 0) {
        NotifyEvent(EC_WRITER_FAILURE, failure, 0);
        return S_FALSE;
    }
    return S_OK;
}

void CRecordingWriter::OnEndOfStream(CRecordingWriterInput* pin)
{
    {
        std::lock_guard<std::mutex> l(lock_);
        if (pin == video_.get())
            videoEnded_ = true;
        else
            audioEnded_ = true;
        if ((video_->IsConnected() && !videoEnded_) || (audio_->IsConnected() && !audioEnded_) || failed_) return;
    }
    FinishPass();
}

void CRecordingWriter::OnFlush()
{
    std::lock_guard<std::mutex> l(lock_);
    videoEnded_ = audioEnded_ = false;
    completeDue_ = false;
}

void CRecordingWriter::FinishPass()
{
    {
        std::lock_guard<std::mutex> l(lock_);
        RecordingLog::Add("writer.EndOfPass(" + Text(passMode_) + ", " + std::to_string(videoSamples_) + ")");
        // The first of two passes leaves only its statistics.
        if (out_.is_open()) {
            out_ << "pass " << passMode_ << " video " << videoSamples_ << " audio " << audioSamples_ << "\n";
            out_.close();
        }
        if (State() != State_Running) {
            completeDue_ = true;
            return;
        }
    }
    NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HMODULE InstallRecorderModule(const std::string& folder, const std::string& fileName)
{
    std::string fixture = ToNativePath((GetModuleDirectory() + L"RecorderModule.so").str());
    std::string module = folder + fileName;
    std::filesystem::copy_file(fixture, module, std::filesystem::copy_options::overwrite_existing);
    HMODULE handle = LoadLibraryW(Utf8ToWide(module).c_str());
    if (!handle) return nullptr;
    auto setHost = reinterpret_cast<RecorderModuleSetHostFn>(GetProcAddress(handle, "RecorderModuleSetHost"));
    if (!setHost) {
        FreeLibrary(handle);
        return nullptr;
    }
    setHost(CreateRecordingFilter);
    return handle;
}
