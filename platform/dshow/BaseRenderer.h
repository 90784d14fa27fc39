// CBaseRenderer: a filter with one input pin and no output that consumes
// the stream (a video or audio renderer, a null sink, a writer with one
// input).
//
// Paused, it holds the first sample that arrives (the thread that delivered
// it waits) and counts as ready; GetState answers VFW_S_STATE_INTERMEDIATE
// until then. Running, it hands each sample to DoRenderSample: at once, or,
// when scheduling by the clock is on and the graph has a clock, when the
// sample's start time comes. At the end of the stream it raises EC_COMPLETE
// once (when running; an end reached while paused is reported at Run).
// Flushing, stopping and pausing release a held or waiting sample.
//
// It answers IMediaSeeking by passing calls upstream, with its own progress
// as the current position, and says it is a renderer through
// IAMFilterMiscFlags.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/InputPin.h"
#include "platform/dshow/PosPassThru.h"

class CBaseRenderer;

class CRendererInputPin final : public CBaseInputPin {
public:
    CRendererInputPin(CBaseRenderer* renderer, const wchar_t* name);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    CBaseRenderer* renderer_;
};

class CBaseRenderer : public CBaseFilter, public IAMFilterMiscFlags {
public:
    CBaseRenderer(const CLSID& clsid, const wchar_t* name, IUnknown* outer, const wchar_t* pinName = L"In");
    ~CBaseRenderer() override;

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;
    ULONG GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;
    CRendererInputPin* InputPin() { return pin_.get(); }

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;

    // What a derived renderer decides and does.
    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    // Called on the streaming thread for each sample, outside the
    // renderer's lock. A failure refuses further samples until a flush or
    // stop, and raises EC_ERRORABORT.
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
    virtual HRESULT SetMediaType(const CMediaType*) { return S_OK; }
    virtual HRESULT BreakConnect() { return S_OK; }
    virtual HRESULT CompleteConnect(IPin*) { return S_OK; }
    // The stream ended (streaming thread), before EC_COMPLETE is raised.
    virtual void OnEndOfStream() {}
    // A flush began (a seek): what the renderer still holds is dropped.
    virtual void OnBeginFlush() {}
    // The first sample of a position reached the paused renderer (after a
    // pause from the stopped state or a seek): a renderer that shows a
    // still picture shows it now (streaming thread, outside the
    // renderer's lock). The sample is held and rendered again once the
    // graph runs.
    virtual void OnPausedSample(IMediaSample*) {}

    // Data path entry points of the pin.
    HRESULT Receive(IMediaSample* sample);
    HRESULT EndOfStream();
    HRESULT BeginFlush();
    HRESULT EndFlush();
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

protected:
    // Hold each sample until its start time on the reference clock.
    void SetScheduleByClock(bool on) { scheduleByClock_ = on; }

private:
    // Waits (renderLock_ held) until the sample's start time has come on the
    // clock, or the state changes. False when the wait was cut short.
    bool WaitForRenderTime(std::unique_lock<std::mutex>& lock, REFERENCE_TIME start);
    void ResetStreamState();

    std::unique_ptr<CRendererInputPin> pin_;
    CRendererPosPassThru seeking_;
    bool scheduleByClock_ = false;

    std::mutex renderLock_;
    std::condition_variable changed_;  // state, flushing, readiness
    bool ready_ = false;               // a sample arrived while paused, or nothing will come
    bool eos_ = false;
    bool completeSent_ = false;
    bool flushing_ = false;
    bool failed_ = false;
};
