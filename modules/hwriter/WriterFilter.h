// CWriterFilter: what every writer filter of the writer module shares. It
// has an input for pictures and one for sound (and, in a format that keeps
// captions, one for timed text), takes its output file
// through IFileSinkFilter, its run settings through IWriterSettings, and
// answers IMediaSeeking upstream with the encoded position as its own.
//
// A run begins when the filter leaves the stopped state: the encoders are
// opened from the format's codec settings and the output file is started.
// Pictures are encoded on an encoding thread of the writer's own, which a
// short queue feeds, so that the thread delivering them (the video
// treatment's) goes on with the next picture meanwhile; sound and captions
// are encoded on the thread that delivers them. Both are held while the
// filter is paused. When every connected input has ended,
// the encoders are drained, the file gets its trailer and EC_COMPLETE is
// raised. Stopping before that drains the encoders and writes the trailer
// just the same, so a cancelled run leaves a file that plays as far as it
// came.
//
// Two passes: in the first (pass mode 1) only the video is encoded, the
// output file is not written and the encoder's statistics go to the output
// path + ".stats" (for H.264, libx264 keeps its own statistics under that
// name and its macro-block tree beside it). SetPassMode(2) makes the next
// run the second pass, which reads them and removes them when it ends.
//
// A failure of the writer's own (the output cannot be made or written, an
// encoder cannot be opened with the settings or fails) raises the private
// event EC_WRITER_FAILURE with kWriterFailureOutput or kWriterFailureEncoder
// once, after which the run takes no more samples and raises no EC_COMPLETE.
// A file that would lack a stream is no output: when a connected input
// ends without a picture (or any sound) having reached its encoder, or the
// format needs a stream whose input is not connected, the run fails with
// kWriterFailureNoVideo or kWriterFailureNoSound and the file it made is
// removed.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "modules/api/WriterFilters.h"
#include "modules/hwriter/LavEncoder.h"
#include "modules/hwriter/LavMuxer.h"
#include "modules/hwriter/WriterInputPin.h"
#include "modules/hwriter/WriterPreview.h"
#include "modules/hwriter/WriterSeeking.h"
#include "modules/pictures/PictureQueue.h"
#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/FilterInterfaces.h"

// The codec settings of one run, whatever format block they came from.
struct EncoderRequest {
    DWORD videoFourCC = 0;
    int videoMode = 0;  // 0 constant bit rate, 1 quality, 2 two passes
    int videoKBitrate = 0;
    int videoQuality = 0;
    int secPerKeyframe = 0;
    bool h264Baseline13 = false;
    int audioTag = 0;
    int audioMode = 0;  // 0 constant bit rate, 1 variable
    int audioKBitrate = 0;
    int audioQuality = 0;
};

class CWriterFilter : public CBaseFilter,
                      public IFileSinkFilter,
                      public UncalledPlaces<IWriterSettings>,
                      public IWriterPreview,
                      public IAMFilterMiscFlags {
public:
    // takesText: the format keeps captions, so the writer has a text input.
    CWriterFilter(const CLSID& clsid, const wchar_t* name, IUnknown* outer, bool takesText = false);
    ~CWriterFilter() override;

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    int GetPinCount() override { return static_cast<int>(m_inputs.size()); }
    CBasePin* GetPin(int n) override;

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;

    // IAMFilterMiscFlags: the writer ends the streams it takes.
    ULONG GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

    // IFileSinkFilter
    HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;

    // IWriterSettings
    HRESULT GetEncodedPosition(LONGLONG* position) override;
    HRESULT GetEncodedDuration(LONGLONG* duration) override;
    HRESULT SetFrameRate(int rate, int scale) override;
    HRESULT SetPriority(int priority) override;
    HRESULT SetPlaybackRate(double rate) override;
    HRESULT SetPassMode(int mode) override;
    HRESULT GetPassMode(int* mode) override;
    HRESULT SetPreview(int on) override;

    // IWriterPreview: while the preview is on, scaled-down copies of the
    // pictures being encoded go to the sink.
    HRESULT SetPreviewSink(IWriterPreviewSink* sink) override;

    // The inputs' data path (their streaming threads).
    HRESULT ReceiveFrom(CWriterInputPin* pin, IMediaSample* sample);
    void EndOfStreamFrom(CWriterInputPin* pin);
    void BeginFlushOf(CWriterInputPin* pin);
    void EndFlushOf(CWriterInputPin* pin);

protected:
    // The format's codec settings for the run (from its codec block); false
    // when none were given.
    virtual bool CodecRequestOfRun(EncoderRequest* request) = 0;
    // The output file of a run (not yet started): the container library's
    // container of the given short name unless the format has its own.
    virtual const char* ContainerName() const = 0;
    virtual std::unique_ptr<WriterOutput> CreateOutput(const std::wstring& path, const std::string& nativePath);
    // A format may change what the encoders are given (the frame rate, the
    // picture size).
    virtual void AdjustVideo(VideoEncoderSetup*) {}
    virtual void AdjustAudio(AudioEncoderSetup*) {}
    // The language the format gives a stream (an RFC 1766 tag), or empty.
    virtual std::string StreamLanguage(CWriterInputPin::Kind) { return std::string(); }
    // Whether the format holds a file only with both a picture and a sound
    // stream.
    virtual bool NeedsPictureAndSound() const { return false; }

private:
    enum class Failure { None, Output, Encoder, NoVideo, NoSound };

    // The stream a run that ended lacks (None when every connected input
    // reached its encoder).
    Failure MissingStream();

    void StartRun();
    bool OpenEncoders(const EncoderRequest& request, bool* encoderFailed);
    // Drains the encoders of the inputs that have not ended.
    void DrainInputs();
    // Ends the run once: the trailer, or the first pass's statistics, and
    // the statistics files that are no longer needed. complete: every input
    // reached its end.
    void FinishRun(bool complete);
    void Fail(Failure failure);
    bool Failed() const;
    // Waits while the filter is paused; false when it stopped or the input
    // flushes meanwhile.
    bool WaitWhilePaused(CWriterInputPin* pin);
    bool WritePacket(CWriterInputPin* pin, AVPacket* packet);
    // The encoding thread: takes the pictures of the video input in order,
    // and its end.
    void StartEncodingThread();
    void StopEncodingThread();
    void EncodingLoop();
    HRESULT QueuePicture(CWriterInputPin* pin, IMediaSample* sample);
    // Encodes a picture; takes over the frame.
    void EncodePicture(CWriterInputPin* pin, AVFrame* frame, bool timed, REFERENCE_TIME start, REFERENCE_TIME stop);
    // The end of an input's stream: its encoder drained and, once every
    // input has ended, the run finished.
    void EndStream(CWriterInputPin* pin);
    // The place on the video encoder's frame grid nearest a stream time.
    int64_t PlaceOnGrid(REFERENCE_TIME time, AVRational timeBase) const;
    HRESULT EncodeSound(CWriterInputPin* pin, IMediaSample* sample);
    HRESULT WriteCaption(CWriterInputPin* pin, IMediaSample* sample);
    void ApplyPriorityToThisThread() const;
    std::string StatsPath() const;
    void RemoveStatsFiles() const;

    std::unique_ptr<CWriterInputPin> m_pVideoPin;
    std::unique_ptr<CWriterInputPin> m_pAudioPin;
    std::unique_ptr<CWriterInputPin> m_pTextPin;  // null unless the format keeps captions
    std::vector<CWriterInputPin*> m_inputs;       // in pin order
    CWriterSeeking m_seeking;

    // Settings (filter lock).
    std::wstring m_strFileName;
    int m_nFrameRate = 0;
    int m_nFrameScale = 0;
    std::atomic<int> m_nPriority{0};
    double m_dPlaybackRate = 1.0;
    int m_nPassMode = 0;
    WriterPreview m_preview;

    // Pictures on their way to the encoding thread.
    PictureQueue m_pictures;
    std::thread m_encodingThread;

    // The run.
    mutable std::mutex m_runLock;
    std::condition_variable m_changed;
    std::unique_ptr<WriterOutput> m_pOutput;
    Failure m_failure = Failure::None;
    bool m_bRunOpen = false;   // a run has started and not finished
    bool m_bComplete = false;  // every input ended
    bool m_bCompleteSent = false;
    int m_nRunPass = 0;  // 0 one pass, 1 first, 2 second
    bool m_bRunH264 = false;
    std::string m_strOutput;  // native path of the run's output
};
