#include "tests/platform/dshow/SyntheticFilters.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaSample.h"
#include "platform/dshow/PictureMemory.h"

CMediaType MakeTestType(const GUID& major)
{
    CMediaType type(major);
    if (major == MEDIATYPE_Video) {
        type.SetSubtype(MEDIASUBTYPE_RGB32);
        type.SetFormatType(FORMAT_VideoInfo);
        VIDEOINFOHEADER vih{};
        vih.AvgTimePerFrame = 400000;
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = 8;
        vih.bmiHeader.biHeight = 2;
        vih.bmiHeader.biPlanes = 1;
        vih.bmiHeader.biBitCount = 32;
        vih.bmiHeader.biSizeImage = 64;
        type.SetFormat(&vih, sizeof(vih));
        type.SetSampleSize(64);
    } else if (major == MEDIATYPE_Audio) {
        type.SetSubtype(MEDIASUBTYPE_PCM);
        type.SetFormatType(FORMAT_WaveFormatEx);
        WAVEFORMATEX wfx{};
        wfx.wFormatTag = WAVE_FORMAT_PCM;
        wfx.nChannels = 2;
        wfx.nSamplesPerSec = 48000;
        wfx.wBitsPerSample = 16;
        wfx.nBlockAlign = 4;
        wfx.nAvgBytesPerSec = 192000;
        type.SetFormat(&wfx, sizeof(wfx));
        type.SetSampleSize(4);
    } else {
        type.SetSubtype(MEDIASUBTYPE_None);
        type.SetFormatType(FORMAT_None);
    }
    return type;
}

// ---- CSyntheticStream ---------------------------------------------------------------------

CSyntheticStream::CSyntheticStream(CSource* filter, const SyntheticStreamSetup& setup)
    : CSourceStream(filter, setup.name.c_str()), setup_(setup)
{
    SetDuration(setup.samples * setup.sampleDuration);
}

HRESULT CSyntheticStream::CheckMediaType(const CMediaType* type)
{
    return type->majortype == setup_.major && type->subtype == MakeTestType(setup_.major).subtype ? S_OK : S_FALSE;
}

HRESULT CSyntheticStream::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = MakeTestType(setup_.major);
    return S_OK;
}

HRESULT CSyntheticStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
    ALLOCATOR_PROPERTIES want = *props;
    if (want.cBuffers < 4) want.cBuffers = 4;
    want.cbBuffer = setup_.attachPayloads ? 0 : setup_.bytes;
    ALLOCATOR_PROPERTIES actual{};
    return allocator->SetProperties(&want, &actual);
}

HRESULT CSyntheticStream::OnThreadStartPlay()
{
    next_ = StartPosition();
    return S_OK;
}

void CSyntheticStream::OnSeek() { next_ = StartPosition(); }

HRESULT CSyntheticStream::FillBuffer(IMediaSample* sample)
{
    while (setup_.hold && setup_.hold->load() && !StopRequested())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    REFERENCE_TIME start = StartPosition();
    // Samples lie on a fixed grid of positions; after a seek the first one
    // is the first at or after the new start.
    if (next_ < start) next_ = start;
    REFERENCE_TIME aligned = (next_ + setup_.sampleDuration - 1) / setup_.sampleDuration * setup_.sampleDuration;
    if (aligned >= StopPosition() || aligned >= setup_.samples * setup_.sampleDuration) return S_FALSE;
    long index = static_cast<long>(aligned / setup_.sampleDuration);
    if (index == setup_.failAt) return E_FAIL;
    next_ = aligned + setup_.sampleDuration;

    if (setup_.attachPayloads) {
        BYTE* bytes = new BYTE[static_cast<size_t>(setup_.bytes)];
        std::memset(bytes, static_cast<int>(index & 0xFF), static_cast<size_t>(setup_.bytes));
        PayloadRef payload = CreateExternalPayload(bytes, setup_.bytes, [this, bytes] {
            delete[] bytes;
            ++payloadsReleased;
        });
        IMediaSamplePayload* target = nullptr;
        if (FAILED(sample->QueryInterface(IID_IMediaSamplePayload, reinterpret_cast<void**>(&target)))) return E_FAIL;
        HRESULT hr = target->AttachPayload(payload.Get(), bytes, setup_.bytes);
        target->Release();
        if (FAILED(hr)) return hr;
    } else {
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        if (setup_.bytes > 0) std::memset(data, static_cast<int>(index & 0xFF), static_cast<size_t>(setup_.bytes));
        sample->SetActualDataLength(setup_.bytes);
    }
    // Times count from the segment's start.
    REFERENCE_TIME t0 = aligned - start;
    REFERENCE_TIME t1 = t0 + setup_.sampleDuration;
    sample->SetTime(&t0, &t1);
    sample->SetSyncPoint(TRUE);
    ++delivered;
    return S_OK;
}

// ---- CSyntheticSource ---------------------------------------------------------------------

CSyntheticSource::CSyntheticSource(IUnknown* outer, const std::vector<SyntheticStreamSetup>& streams)
    : CSource(L"Synthetic Source", outer, CLSID_SyntheticSource)
{
    for (const auto& setup : streams) AddStream(std::make_unique<CSyntheticStream>(this, setup));
}

CSyntheticSource::~CSyntheticSource() { CBaseFilter::Stop(); }

CSyntheticSource* CSyntheticSource::Create(const std::vector<SyntheticStreamSetup>& streams)
{
    auto* f = new CSyntheticSource(nullptr, streams);
    f->NonDelegatingAddRef();
    return f;
}

// ---- CPassTransform -----------------------------------------------------------------------

CPassTransform::CPassTransform(IUnknown* outer, const GUID& major, const wchar_t* name, const GUID& outputMajor,
                               const CLSID& clsid)
    : CTransformFilter(name, outer, clsid), major_(major), outputMajor_(outputMajor == GUID_NULL ? major : outputMajor)
{
}

CPassTransform* CPassTransform::Create(const GUID& major, const wchar_t* name)
{
    auto* f = new CPassTransform(nullptr, major, name);
    f->NonDelegatingAddRef();
    return f;
}

HRESULT CPassTransform::CheckInputType(const CMediaType* type)
{
    return type->majortype == major_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CPassTransform::CheckTransform(const CMediaType* in, const CMediaType* out)
{
    return out->majortype == outputMajor_ && in->subtype == out->subtype ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CPassTransform::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = Input()->CurrentMediaType();
    type->SetType(outputMajor_);
    return S_OK;
}

HRESULT CPassTransform::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
    // The output carries the input's payloads: no memory of its own.
    ALLOCATOR_PROPERTIES want = *props;
    if (want.cBuffers < 4) want.cBuffers = 4;
    want.cbBuffer = 0;
    ALLOCATOR_PROPERTIES actual{};
    return allocator->SetProperties(&want, &actual);
}

HRESULT CPassTransform::Transform(IMediaSample* in, IMediaSample* out)
{
    HRESULT hr = ShareSampleData(in, out);
    if (SUCCEEDED(hr)) ++passed;
    BYTE* data = nullptr;
    if (SUCCEEDED(hr) && SUCCEEDED(in->GetPointer(&data))) {
        std::lock_guard<std::mutex> g(lock_);
        pointers_.push_back(data);
    }
    return hr;
}

std::vector<const BYTE*> CPassTransform::Pointers()
{
    std::lock_guard<std::mutex> g(lock_);
    return pointers_;
}

// ---- CCollectSink -------------------------------------------------------------------------

CCollectSink::CCollectSink(IUnknown* outer, const GUID& major, const wchar_t* name, bool record)
    : CBaseRenderer(CLSID_CollectSink, name, outer), major_(major), record_(record)
{
}

CCollectSink* CCollectSink::Create(const GUID& major, const wchar_t* name, bool record)
{
    auto* f = new CCollectSink(nullptr, major, name, record);
    f->NonDelegatingAddRef();
    return f;
}

HRESULT CCollectSink::CheckMediaType(const CMediaType* type)
{
    if (major_ == GUID_NULL) return S_OK;
    return type->majortype == major_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CCollectSink::DoRenderSample(IMediaSample* sample)
{
    long n = rendered.fetch_add(1);
    if (failAt >= 0 && n >= failAt) return E_FAIL;
    if (!record_) return S_OK;
    SinkRecord r;
    sample->GetTime(&r.start, &r.stop);
    r.bytes = sample->GetActualDataLength();
    BYTE* data = nullptr;
    if (SUCCEEDED(sample->GetPointer(&data)) && data && r.bytes > 0) {
        r.first = data[0];
        r.pointer = data;
        r.padded = SampleHoldsPaddedPicture(sample, r.bytes);
        if (keepBytes) r.data.assign(reinterpret_cast<const char*>(data), static_cast<size_t>(r.bytes));
    }
    std::lock_guard<std::mutex> g(lock_);
    records_.push_back(r);
    return S_OK;
}

std::vector<SinkRecord> CCollectSink::Records()
{
    std::lock_guard<std::mutex> g(lock_);
    return records_;
}

void CCollectSink::ClearRecords()
{
    std::lock_guard<std::mutex> g(lock_);
    records_.clear();
}

// ---- CSyntheticFileSource -----------------------------------------------------------------

namespace {

SyntheticStreamSetup FileStream(const wchar_t* name)
{
    SyntheticStreamSetup s;
    s.name = name;
    s.major = MEDIATYPE_Video;
    s.samples = 8;
    return s;
}

}  // namespace

CSyntheticFileSource::CSyntheticFileSource(IUnknown* outer)
    : CSource(L"Synthetic File Source", outer, CLSID_SyntheticFileSource)
{
    AddStream(std::make_unique<CSyntheticStream>(this, FileStream(L"Video")));
    AddStream(std::make_unique<CSyntheticStream>(this, FileStream(L"~Preview")));
}

CSyntheticFileSource::~CSyntheticFileSource() { CBaseFilter::Stop(); }

HRESULT CSyntheticFileSource::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IFileSourceFilter) return GetInterface(static_cast<IFileSourceFilter*>(this), object);
    return CSource::NonDelegatingQueryInterface(riid, object);
}

HRESULT CSyntheticFileSource::Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type)
{
    if (!fileName) return E_POINTER;
    loaded = fileName;
    if (type) loadedType = *type;
    return S_OK;
}

HRESULT CSyntheticFileSource::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type)
{
    if (!fileName) return E_POINTER;
    size_t bytes = (loaded.size() + 1) * sizeof(wchar_t);
    *fileName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!*fileName) return E_OUTOFMEMORY;
    std::memcpy(*fileName, loaded.c_str(), bytes);
    if (type) CopyMediaType(type, &loadedType);
    return S_OK;
}

namespace {

HRESULT MakeFileSource(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CSyntheticFileSource>(outer, riid, object);
}

HRESULT MakePass(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CPassTransform>(outer, riid, object, MEDIATYPE_Video, L"Pass");
}

HRESULT MakeDeadEnd(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CPassTransform>(outer, riid, object, MEDIATYPE_Video, L"Dead End", MEDIATYPE_Midi,
                                           CLSID_DeadEndTransform);
}

HRESULT MakeSink(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CCollectSink>(outer, riid, object, MEDIATYPE_Video, L"Sink", true);
}

}  // namespace

void RegisterSyntheticClasses()
{
    static CClassFactory fileSource(&MakeFileSource);
    static CClassFactory pass(&MakePass);
    static CClassFactory deadEnd(&MakeDeadEnd);
    static CClassFactory sink(&MakeSink);
    CoRegisterClassFactory(CLSID_SyntheticFileSource, &fileSource);
    CoRegisterClassFactory(CLSID_PassTransform, &pass);
    CoRegisterClassFactory(CLSID_DeadEndTransform, &deadEnd);
    CoRegisterClassFactory(CLSID_CollectSink, &sink);
}
