// Recording stand-ins for the maker's treatment filters and writers, made by
// the test program and served under the modules' file names through the
// recorder module (fixtures/RecorderModule): they behave as filters (the
// treatment filters copy each uncompressed sample through, the writer
// takes one uncompressed video and one audio input and writes a small text
// file) and write every call of the program to one shared log, in the
// order the calls came.
//
// The writer makes its file (the statistics file in a first pass) when the
// first sample comes, raising its output failure when it cannot, and writes
// "pass <mode> video <samples> audio <samples>" into it at the end of the
// pass.
//
// Log lines: "<who>.<Method>(<arguments>)" with who one of video, audio,
// writer; numbers in decimal, doubles with %g, records by their telling
// fields, pointers as null or set.
#pragma once

#include <atomic>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "modules/api/OutsideFilterModules.h"
#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/InputPin.h"
#include "platform/dshow/PosPassThru.h"
#include "platform/dshow/TransformFilter.h"

// The shared call log.
class RecordingLog {
public:
    static void Add(const std::string& line);
    // The lines so far; the log is emptied.
    static std::vector<std::string> Take();
    // The lines that start with the prefix, in order (the log is kept).
    static std::vector<std::string> Lines(const std::string& prefix);
    static void Clear();
};

// What the stand-ins do besides recording; reset by ResetRecordingBehaviour.
struct RecordingBehaviour {
    // The writer raises the private failure event with this parameter at
    // its first sample (0: never) and takes nothing after it.
    std::atomic<int> writerFailure{0};
    // SetPassMode(2) fails.
    std::atomic<bool> refuseSecondPass{false};
    // The writer's Run answers the Windows Media runtime's "build the graph
    // again" code this many times.
    std::atomic<int> writerRunRestarts{0};
    // The writer has no IWriterSettings.
    std::atomic<bool> writerWithoutSettings{false};
    // The writer's audio input takes nothing.
    std::atomic<bool> writerRefusesAudio{false};
    // The source module's sources fail their Load.
    std::atomic<bool> sourceFailsLoad{false};
    // The treatment filters answer no control interface.
    std::atomic<bool> filtersWithoutControl{false};
};
RecordingBehaviour& Behaviour();
void ResetRecordingBehaviour();

// The host's maker of the stand-ins, by class id: the source module's
// sources, the two treatment filters, and a writer for any other class id
// (the writers' ids are configuration).
HRESULT CreateRecordingFilter(REFCLSID clsid, REFIID riid, void** object);

// Copies the recorder module (built beside the test program) into the
// folder under the file name, loads it and points it at
// CreateRecordingFilter: the program then finds the stand-ins under that
// module's name. The loaded module, null when it cannot be loaded.
HMODULE InstallRecorderModule(const std::string& folder, const std::string& fileName);

// A source of the source module: the system's generic source (aggregated)
// does the reading; the stand-in answers the AVI source's option, the MP4
// source's control and IFileSourceFilter itself and records them as
// "source.<Method>(<kind>, ...)".
class CRecordingSource final : public CUnknown,
                               public IFileSourceFilter,
                               public UncalledPlaces<IAviSourceOption>,
                               public UncalledPlaces<IMp4SourceControl> {
public:
    CRecordingSource(IUnknown* outer, const CLSID& clsid);
    ~CRecordingSource() override;
    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;
    // Makes the wrapped generic source; false when it cannot be made.
    bool MakeInner();

    HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;
    HRESULT SetOption(int option) override;
    HRESULT NotifyRelease(int releasing) override;

private:
    std::string kind_;
    bool avi_;
    bool mp4_;
    IUnknown* inner_ = nullptr;
};

// The kind word of a source module class ("avi", "mp4", ...); empty for
// any other class.
std::string SourceKind(REFCLSID clsid);

// What both treatment stand-ins do with the data: the output has the
// input's type, and each sample is copied through.
class CRecordingTransform : public CTransformFilter {
public:
    using CTransformFilter::CTransformFilter;

    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
};

class CRecordingVideoFilter final : public CRecordingTransform, public UncalledPlaces<IVideoFilterControl> {
public:
    explicit CRecordingVideoFilter(IUnknown* outer);
    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT CheckInputType(const CMediaType* type) override;

    HRESULT SetVideoAspectMode(int mode) override;
    HRESULT SetVideoAspectRatio(double ratio) override;
    HRESULT SetVideoLogo(int logoNumber, const SLogoInfo* logo) override;
    HRESULT SetVideoFilterSubtitle(ISubPicProvider* provider) override;
    HRESULT SetSubtitleEnabled(int enabled) override;
    HRESULT SetSubtitlePosX(int percent) override;
    HRESULT SetSubtitlePosY(int percent) override;
    HRESULT SetSubtitleMarginX(int percent) override;
    HRESULT SetSubtitleMarginY(int percent) override;
    HRESULT SetSubtitleCharSpace(int percent) override;
    HRESULT SetSubtitleLineSpace(int percent) override;
    HRESULT SetSubtitleStyle(const SubtitleStyleRecord* style) override;
    HRESULT SetVideoFlip(int flip) override;
    HRESULT SetVideoDeblockMode(int mode, int flags) override;
    HRESULT SetVideoDeblockStrength(int strength) override;
    HRESULT SetVideoBlurEnabled(int enabled) override;
    HRESULT SetVideoBlurStrength(int strength) override;
    HRESULT SetVideoSharpenEnabled(int enabled) override;
    HRESULT SetVideoSharpenStrength(int strength) override;
    HRESULT SetVideoDeinterlace(int mode) override;
    HRESULT SetVideoBrightness(int value) override;
    HRESULT SetVideoContrast(int value) override;
    HRESULT SetVideoSaturation(int value) override;
    HRESULT SetVideoHue(int value) override;
    HRESULT SetVideoResizeA(int on) override;
    HRESULT SetVideoResizeB(int method) override;
    HRESULT SetVideoResizeC(int rounding) override;
    HRESULT SetVideoSize(int width, int height) override;
    HRESULT SetVideoPresetA(int format) override;
    HRESULT SetVideoPresetB(int method) override;
    HRESULT SetVideoPresetC(int threads) override;
    HRESULT QueryVideoFilterSubtitleInfo(SubtitleInfoRecord* info) override;
    HRESULT SetVideoFrameRate(double framesPerSecond) override;
};

class CRecordingAudioFilter final : public CRecordingTransform, public UncalledPlaces<IAudioFilterControl> {
public:
    explicit CRecordingAudioFilter(IUnknown* outer);
    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT CheckInputType(const CMediaType* type) override;

    HRESULT SetAudioChannels(int channels) override;
    HRESULT SetAudioBitsPerSample(int bits) override;
    HRESULT SetAudioSampleRate(int hz) override;
    HRESULT GetAudioSampleRate(int* hz) override;
    HRESULT SetAudioPlaybackRate(double rate) override;
    HRESULT SetAudioPitchFix(int keepPitch) override;
    HRESULT SetAudioGainLimit(double factor) override;
    HRESULT GetAudioStreamCount(int* count) override;
    HRESULT GetAudioStreamInfo(int index, wchar_t* text, int* length) override;
    HRESULT SetAudioStream(int index) override;
    HRESULT GetCurrentAudioStream(int* index) override;
    HRESULT SetAudioDspModule(DspPluginModule* module) override;
    HRESULT SetAudioNormalize(int on) override;
    HRESULT SetAudioNormalizeLevel(int percent) override;
    HRESULT SetAudioPresetA(int quality) override;
    HRESULT SetAudioSyncDelay(int ms) override;
    HRESULT SetAudioAmplify(int db) override;

private:
    std::atomic<int> sampleRate_{0};
    std::atomic<int> stream_{0};
};

class CRecordingWriter;

class CRecordingWriterInput final : public CBaseInputPin {
public:
    CRecordingWriterInput(CRecordingWriter* writer, const wchar_t* name, const GUID& major);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    CRendererPosPassThru& Seeking() { return seeking_; }

private:
    CRecordingWriter* writer_;
    GUID major_;
    CRendererPosPassThru seeking_;
};

class CRecordingWriter final : public CBaseFilter,
                               public IFileSinkFilter,
                               public IAMFilterMiscFlags,
                               public UncalledPlaces<IWriterSettings>,
                               public UncalledPlaces<IAviWriterFormat>,
                               public UncalledPlaces<IMp4WriterFormat>,
                               public UncalledPlaces<IOgmWriterFormat>,
                               public UncalledPlaces<IAsfWriterProfile> {
public:
    CRecordingWriter(IUnknown* outer, const CLSID& clsid);
    ~CRecordingWriter() override;
    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    ULONG GetMiscFlags() override { return 1; }  // a renderer

    HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;

    HRESULT GetEncodedPosition(LONGLONG* position) override;
    HRESULT GetEncodedDuration(LONGLONG* duration) override;
    HRESULT SetFrameRate(int rate, int scale) override;
    HRESULT SetPriority(int priority) override;
    HRESULT SetPlaybackRate(double rate) override;
    HRESULT SetPassMode(int mode) override;
    HRESULT GetPassMode(int* mode) override;
    HRESULT SetPreview(int on) override;
    HRESULT SetCodecSettings(const SCodecSettings* codec) override;
    HRESULT SetCodecSettings(const SMp4CodecSettings* codec) override;
    HRESULT SetChannel(IUnknown* channel) override;
    HRESULT SetProfile(IWMProfile* profile) override;

    // The data path of the inputs.
    HRESULT OnSample(CRecordingWriterInput* pin, IMediaSample* sample);
    void OnEndOfStream(CRecordingWriterInput* pin);
    void OnFlush();

private:
    std::string Kind() const;
    // Every connected input has ended: the pass is over.
    void FinishPass();

    CLSID clsid_;
    std::unique_ptr<CRecordingWriterInput> video_;
    std::unique_ptr<CRecordingWriterInput> audio_;
    std::mutex lock_;
    std::wstring fileName_;
    int passMode_ = 0;
    bool videoEnded_ = false;
    bool audioEnded_ = false;
    bool failed_ = false;
    bool completeDue_ = false;  // the pass ended while paused: EC_COMPLETE at Run
    std::ofstream out_;         // the output (the statistics in a first pass)
    long videoSamples_ = 0;
    long audioSamples_ = 0;
    LONGLONG encoded_ = 0;
};
