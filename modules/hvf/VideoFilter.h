// The video treatment filter of HVF.ax ("Halvane Video"): one video input,
// one video output, configured through IVideoFilterControl (see
// VideoFilterControl.h for every value and its meaning).
//
// Pictures are treated on a thread of the filter's own: the thread that
// delivers them only hands each picture (without copying it) to a short
// queue and returns, so decoding, treatment and whatever lies downstream
// (an encoder) work at the same time. The treatment thread runs the picture
// chain (PictureChain), copies each treated picture into an output sample,
// draws the logo and the subtitles into it and delivers it; a picture that
// nothing changes and nothing is drawn on leaves in the input's own bytes,
// without a copy. The end of the stream leaves after the last queued
// picture; a flush drops the queue.
//
// Output types, at the output size that the settings give for the
// connected input, turned as its type says it is to be seen
// (PictureOrientation.h); IBasicVideo answers that size. When that is the
// input picture's size and the input is I420, first I420 in the input's own
// (padded) layout, rcSource giving the picture; then the chosen format
// packed (I420 or RGB32), then the other one.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "modules/api/VideoFilterControl.h"
#include "modules/hvf/LogoPicture.h"
#include "modules/hvf/OutputPictureInfo.h"
#include "modules/hvf/PictureChain.h"
#include "modules/hvf/SubtitleOverlay.h"
#include "modules/hvf/VideoFilterSettings.h"
#include "modules/pictures/PictureFormat.h"
#include "modules/pictures/PictureQueue.h"
#include "platform/dshow/TransformFilter.h"

class CVideoFilter : public CTransformFilter, public UncalledPlaces<IVideoFilterControl> {
public:
    explicit CVideoFilter(IUnknown* outer);
    ~CVideoFilter() override;

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // IVideoFilterControl
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

    // CTransformFilter
    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT BreakConnect(PIN_DIRECTION direction) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT StartStreaming() override;
    HRESULT Stop() override;

    // How many times the picture chain has been built since the filter was
    // made (the chain is built again only when something it depends on
    // changes), and the failure of the last logo that could not be loaded.
    long ChainBuilds() const { return m_chainBuilds.load(); }
    std::string LogoError() const;

private:
    // The output layout for the input layout under the current settings;
    // rgb chooses the format (the settings' when not given).
    bool ProposedOutput(int position, PictureFormat* format);
    // The output layout: the connection's, else the proposed one.
    bool CurrentOutput(PictureFormat* format);

    // The treatment thread.
    void TreatmentLoop();
    void TreatPicture(AVFrame* frame);
    bool BuildChain(const ChainInput& input, const PictureFormat& output);
    // Sends the end to the chain and delivers what it still holds.
    void FinishChain();
    void PullAndDeliver();
    void DeliverPicture(AVFrame* picture);
    void Fail(HRESULT hr);
    void StopTreatment();

    VideoFilterSettings m_settings;
    OutputPictureInfo m_pictureInfo;

    // The connections' layouts (any thread).
    mutable std::mutex m_formatLock;
    PictureFormat m_input;
    PictureFormat m_output;
    bool m_haveInput = false;
    bool m_haveOutput = false;

    PictureQueue m_queue;
    std::thread m_thread;
    // What the treatment thread last met: a failure it passes upstream.
    std::atomic<HRESULT> m_result{S_OK};

    // The treatment thread's own state.
    TreatmentSettings m_current;
    uint64_t m_currentGeneration = 0;
    PictureChain m_chain;
    uint64_t m_chainGeneration = 0;
    PictureFormat m_chainOutput;
    SubtitleOverlay m_subtitles;
    REFERENCE_TIME m_segmentStart = 0;
    REFERENCE_TIME m_nextTime = 0;
    bool m_discontinuity = true;
    std::atomic<long> m_chainBuilds{0};

    mutable std::mutex m_logoLock;
    std::string m_logoError;
};
