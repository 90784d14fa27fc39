// The pull side of the runtime: a reader filter over bytes in memory
// answering IAsyncReader directly, and a splitter whose pull thread reads
// it into a graph.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "platform/dshow/AsyncReader.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaSample.h"
#include "platform/dshow/OutputPin.h"
#include "platform/dshow/PullPin.h"
#include "tests/platform/dshow/GraphFixture.h"

namespace {

std::string Pattern(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

class MemoryStream final : public CAsyncStream {
public:
    explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
    HRESULT SetPointer(LONGLONG position) override
    {
        if (position < 0) return E_INVALIDARG;
        position_ = position;
        return S_OK;
    }
    HRESULT Read(BYTE* buffer, DWORD count, BOOL, LPDWORD read) override
    {
        LONGLONG size = static_cast<LONGLONG>(bytes_.size());
        DWORD n = position_ >= size ? 0 : static_cast<DWORD>(std::min<LONGLONG>(count, size - position_));
        if (n) std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        *read = n;
        return S_OK;
    }
    LONGLONG Size(LONGLONG* available) override
    {
        if (available) *available = static_cast<LONGLONG>(bytes_.size());
        return static_cast<LONGLONG>(bytes_.size());
    }
    DWORD Alignment() override { return 1; }
    void Lock() override { lock_.lock(); }
    void Unlock() override { lock_.unlock(); }

private:
    std::string bytes_;
    LONGLONG position_ = 0;
    std::recursive_mutex lock_;
};

CAsyncReader* MakeReader(CAsyncStream* stream)
{
    CMediaType type(MEDIATYPE_Stream);
    type.SetSubtype(MEDIASUBTYPE_Avi);
    HRESULT hr = E_FAIL;
    auto* r = new CAsyncReader(L"Memory Reader", nullptr, stream, type, &hr);
    EXPECT_EQ(hr, S_OK);
    r->NonDelegatingAddRef();
    return r;
}

// A splitter in its simplest form: the pulled bytes go out as they come,
// sharing the reader's buffers.
class ByteSplitter;

class ByteInput final : public CBasePin {
public:
    ByteInput(CBaseFilter* f, ByteSplitter* s) : CBasePin(f, L"Input", PINDIR_INPUT), splitter_(s) {}
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT CompleteConnect(IPin* pin) override;
    HRESULT BreakConnect() override;

private:
    ByteSplitter* splitter_;
};

class ByteOutput final : public CBaseOutputPin {
public:
    explicit ByteOutput(CBaseFilter* f) : CBaseOutputPin(f, L"Bytes") {}
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position != 0) return VFW_S_NO_MORE_ITEMS;
        *type = MakeTestType(MEDIATYPE_Stream);
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES*) override
    {
        ALLOCATOR_PROPERTIES want{4, 0, 1, 0}, got{};
        return allocator->SetProperties(&want, &got);
    }
};

class BytePull final : public CPullPin {
public:
    BytePull(CBaseFilter* f, ByteOutput* out) : filter_(f), out_(out) {}

protected:
    HRESULT Receive(IMediaSample* in) override
    {
        IMediaSample* out = nullptr;
        HRESULT hr = out_->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
        if (FAILED(hr)) return hr;
        CopySampleProperties(in, out);
        hr = ShareSampleData(in, out);
        if (SUCCEEDED(hr)) hr = out_->Deliver(out);
        out->Release();
        return hr;
    }
    HRESULT EndOfStream() override { return out_->DeliverEndOfStream(); }
    void OnError(HRESULT hr) override
    {
        filter_->NotifyEvent(EC_ERRORABORT, hr, 0);
        out_->DeliverEndOfStream();
    }
    HRESULT BeginFlush() override { return out_->DeliverBeginFlush(); }
    HRESULT EndFlush() override { return out_->DeliverEndFlush(); }

private:
    CBaseFilter* filter_;
    ByteOutput* out_;
};

class ByteSplitter final : public CBaseFilter {
public:
    explicit ByteSplitter(bool sync)
        : CBaseFilter(L"Byte Splitter", nullptr, CLSID{}),
          input_(std::make_unique<ByteInput>(this, this)),
          output_(std::make_unique<ByteOutput>(this)),
          pull_(std::make_unique<BytePull>(this, output_.get())),
          sync_(sync)
    {
    }
    ~ByteSplitter() override { pull_->Inactive(); }
    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override
    {
        if (n == 0) return input_.get();
        if (n == 1) return output_.get();
        return nullptr;
    }
    // The output is ready before the pull thread starts, and the thread is
    // gone before the output stops.
    HRESULT Pause() override
    {
        std::lock_guard<std::recursive_mutex> g(filterLock_);
        bool fromStopped = IsStopped();
        HRESULT hr = CBaseFilter::Pause();
        if (SUCCEEDED(hr) && fromStopped && input_->IsConnected()) hr = pull_->Active();
        return hr;
    }
    HRESULT Stop() override
    {
        std::lock_guard<std::recursive_mutex> g(filterLock_);
        pull_->Inactive();
        return CBaseFilter::Stop();
    }
    CPullPin* Pull() { return pull_.get(); }
    bool sync() const { return sync_; }

private:
    std::unique_ptr<ByteInput> input_;
    std::unique_ptr<ByteOutput> output_;
    std::unique_ptr<BytePull> pull_;
    bool sync_;
};

HRESULT ByteInput::CheckConnect(IPin* pin)
{
    HRESULT hr = CBasePin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    ComPtr<IAsyncReader> reader;
    return SUCCEEDED(pin->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(reader.GetAddressOf())))
               ? S_OK
               : VFW_E_NO_TRANSPORT;
}

HRESULT ByteInput::CompleteConnect(IPin* pin)
{
    return splitter_->Pull()->Connect(pin, nullptr, 4096, splitter_->sync());
}

HRESULT ByteInput::BreakConnect() { return splitter_->Pull()->Disconnect(); }

}  // namespace

TEST(AsyncReaderTest, ReadsQueuedAndSynchronously)
{
    const std::string bytes = Pattern(10000);
    MemoryStream stream(bytes);
    ComPtr<IBaseFilter> filter;
    filter.Attach(MakeReader(&stream));
    ComPtr<IPin> pin;
    ASSERT_EQ(filter->FindPin(L"Output", pin.GetAddressOf()), S_OK);
    ComPtr<IAsyncReader> reader;
    ASSERT_EQ(pin.As(&reader), S_OK);

    LONGLONG total = 0, available = 0;
    ASSERT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(total, 10000);
    char direct[100];
    ASSERT_EQ(reader->SyncRead(5000, 100, reinterpret_cast<BYTE*>(direct)), S_OK);
    EXPECT_EQ(std::string(direct, 100), bytes.substr(5000, 100));

    ALLOCATOR_PROPERTIES props{4, 1024, 1, 0};
    ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(reader->RequestAllocator(nullptr, &props, allocator.GetAddressOf()), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    // A range past the end is cut at the end.
    struct Range {
        LONGLONG first, end;
        HRESULT result;
        LONG actual;
    } ranges[] = {{0, 1024, S_OK, 1024}, {9000, 10024, S_OK, 1000}, {2048, 3072, S_OK, 1024}};
    for (size_t i = 0; i < 3; ++i) {
        IMediaSample* s = nullptr;
        ASSERT_EQ(allocator->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
        REFERENCE_TIME t0 = ranges[i].first * UNITS, t1 = ranges[i].end * UNITS;
        s->SetTime(&t0, &t1);
        ASSERT_EQ(reader->Request(s, i), S_OK);
        s->Release();  // the request keeps it
    }
    for (size_t i = 0; i < 3; ++i) {
        IMediaSample* s = nullptr;
        DWORD_PTR user = 99;
        HRESULT hr = reader->WaitForNext(10000, &s, &user);
        ASSERT_NE(s, nullptr);
        ASSERT_LT(user, 3u);
        EXPECT_EQ(hr, ranges[user].result);
        EXPECT_EQ(s->GetActualDataLength(), ranges[user].actual);
        BYTE* p = nullptr;
        s->GetPointer(&p);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(p), static_cast<size_t>(s->GetActualDataLength())),
                  bytes.substr(static_cast<size_t>(ranges[user].first), static_cast<size_t>(ranges[user].actual)));
        s->Release();
    }

    // Refused requests: no times, a range the sample cannot hold.
    IMediaSample* s = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(reader->Request(s, 0), VFW_E_SAMPLE_TIME_NOT_SET);
    REFERENCE_TIME t0 = 0, t1 = 2000 * UNITS;
    s->SetTime(&t0, &t1);
    EXPECT_EQ(reader->Request(s, 0), VFW_E_BUFFER_OVERFLOW);
    // While flushing nothing is taken, and nobody waits for nothing.
    ASSERT_EQ(reader->BeginFlush(), S_OK);
    t1 = 10 * UNITS;
    s->SetTime(&t0, &t1);
    EXPECT_EQ(reader->Request(s, 0), VFW_E_WRONG_STATE);
    IMediaSample* none = nullptr;
    DWORD_PTR user = 0;
    EXPECT_EQ(reader->WaitForNext(INFINITE, &none, &user), VFW_E_WRONG_STATE);
    ASSERT_EQ(reader->EndFlush(), S_OK);
    EXPECT_EQ(reader->SyncReadAligned(s), S_OK);
    EXPECT_EQ(s->GetActualDataLength(), 10);
    s->Release();
    allocator->Decommit();
}

TEST_F(GraphTest, SplitterPullsTheWholeStreamOrARangeOfIt)
{
    const std::string bytes = Pattern(100000);
    struct Case {
        bool sync;
        LONGLONG start, stop;  // stop -1: to the end
    } cases[] = {{true, 0, -1}, {false, 0, -1}, {false, 12345, 54321}};
    for (const auto& c : cases) {
        MemoryStream stream(bytes);
        auto* reader = Add(MakeReader(&stream), L"Reader");
        auto* splitter = new ByteSplitter(c.sync);
        splitter->NonDelegatingAddRef();
        Add(splitter, L"Splitter");
        auto* sink = Add(CCollectSink::Create(GUID_NULL), L"Sink");
        sink->keepBytes = true;
        Connect(reader->GetPin(0), splitter->GetPin(0));
        Connect(splitter->GetPin(1), sink->GetPin(0));
        ASSERT_EQ(splitter->Pull()->Seek(c.start, c.stop), S_OK);
        EXPECT_EQ(RunToEnd(), EC_COMPLETE) << c.sync;
        std::string got;
        REFERENCE_TIME expectStart = c.start * UNITS;
        for (const auto& r : sink->Records()) {
            EXPECT_EQ(r.start, expectStart);  // times are byte positions
            expectStart = r.stop;
            got += r.data;
        }
        size_t end = c.stop < 0 ? bytes.size() : static_cast<size_t>(c.stop);
        EXPECT_EQ(got, bytes.substr(static_cast<size_t>(c.start), end - static_cast<size_t>(c.start))) << c.sync;
        control->Stop();
        // The next case builds its own graph before this stream goes.
        TearDown();
        SetUp();
    }
}
