// Filters made for the runtime's tests and its benchmark: a source with one
// streaming thread per output, a transform that passes data on without
// copying, and a sink that records what reached it.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/BaseRenderer.h"
#include "platform/dshow/SourceFilter.h"
#include "platform/dshow/TransformFilter.h"

// {5A0E0001-0000-4000-8000-00A0B0C0D0E0} and neighbours: the test classes.
constexpr CLSID CLSID_SyntheticSource{0x5A0E0001, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0}};
constexpr CLSID CLSID_PassTransform{0x5A0E0002, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0}};
constexpr CLSID CLSID_CollectSink{0x5A0E0003, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0}};
constexpr CLSID CLSID_SyntheticFileSource{0x5A0E0004, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0}};
constexpr CLSID CLSID_DeadEndTransform{0x5A0E0005, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0}};

// A complete media type of the major type: video gets a small
// VIDEOINFOHEADER (RGB32), audio a PCM wave format; others none.
CMediaType MakeTestType(const GUID& major);

struct SyntheticStreamSetup {
    std::wstring name = L"Out";
    GUID major{};
    int samples = 10;                         // samples from position 0 to the end
    REFERENCE_TIME sampleDuration = 400000;   // 40 ms
    LONG bytes = 64;                          // payload bytes per sample
    int failAt = -1;                          // FillBuffer fails at this index
    bool attachPayloads = false;              // deliver attached payloads, not allocator memory
    const std::atomic<bool>* hold = nullptr;  // while set, FillBuffer waits
};

class CSyntheticStream final : public CSourceStream {
public:
    CSyntheticStream(CSource* filter, const SyntheticStreamSetup& setup);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT FillBuffer(IMediaSample* sample) override;
    void OnSeek() override;
    HRESULT OnThreadStartPlay() override;

    // Samples delivered since the filter was made, and external payloads
    // given back.
    std::atomic<long> delivered{0};
    std::atomic<long> payloadsReleased{0};

private:
    SyntheticStreamSetup setup_;
    REFERENCE_TIME next_ = 0;  // position of the next sample
    long index_ = 0;
};

class CSyntheticSource final : public CSource {
public:
    CSyntheticSource(IUnknown* outer, const std::vector<SyntheticStreamSetup>& streams);
    ~CSyntheticSource() override;
    // A counted filter, as a caller would get it from a factory.
    static CSyntheticSource* Create(const std::vector<SyntheticStreamSetup>& streams);
    CSyntheticStream* SyntheticStream(int n) { return static_cast<CSyntheticStream*>(Stream(n)); }
};

// A source opened by file name: a video output "Video" and a hidden video
// output "~Preview"; the file itself is not read.
class CSyntheticFileSource final : public CSource, public IFileSourceFilter {
public:
    explicit CSyntheticFileSource(IUnknown* outer);
    ~CSyntheticFileSource() override;
    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;
    HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;

    std::wstring loaded;
    CMediaType loadedType;
};

// Class factories for the test classes, registered with the component
// runtime: the synthetic file source, a pass transform and a recording
// sink for video, and a transform whose output nobody takes.
void RegisterSyntheticClasses();

// Accepts one major type and passes each sample on, sharing its payload.
// Its output may claim another major type (a transform whose output nobody
// takes).
class CPassTransform final : public CTransformFilter {
public:
    CPassTransform(IUnknown* outer, const GUID& major, const wchar_t* name, const GUID& outputMajor = GUID_NULL,
                   const CLSID& clsid = CLSID_PassTransform);
    static CPassTransform* Create(const GUID& major, const wchar_t* name = L"Pass");

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

    std::atomic<long> passed{0};
    // Where the bytes of each sample passed on lay.
    std::vector<const BYTE*> Pointers();

private:
    GUID major_;
    GUID outputMajor_;
    std::mutex lock_;
    std::vector<const BYTE*> pointers_;
};

struct SinkRecord {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    LONG bytes = 0;
    BYTE first = 0;                 // the first payload byte (the source writes its index)
    std::string data;               // the whole payload, when the sink keeps it
    const BYTE* pointer = nullptr;  // where the payload lay
    bool padded = false;            // the sample tells of the room the libraries need after its bytes
};

// Accepts one major type (GUID_NULL: any) and records every sample.
class CCollectSink final : public CBaseRenderer {
public:
    CCollectSink(IUnknown* outer, const GUID& major, const wchar_t* name, bool record);
    static CCollectSink* Create(const GUID& major, const wchar_t* name = L"Sink", bool record = true);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
    void OnEndOfStream() override { ++endOfStreams; }

    std::vector<SinkRecord> Records();
    void ClearRecords();
    // DoRenderSample fails from this sample on (counting from 0).
    std::atomic<long> failAt{-1};
    // Keep each sample's bytes (set before streaming).
    bool keepBytes = false;
    std::atomic<long> rendered{0};
    std::atomic<long> endOfStreams{0};
    using CBaseRenderer::SetScheduleByClock;

private:
    GUID major_;
    bool record_;
    std::mutex lock_;
    std::vector<SinkRecord> records_;
};
