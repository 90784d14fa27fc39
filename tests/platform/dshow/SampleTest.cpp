// Samples and allocators: the pool, waiting and decommitting, and payloads
// that travel without copies.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "platform/com/ComPtr.h"
#include "platform/dshow/MemAllocator.h"

namespace {

ComPtr<IMemAllocator> MakeAllocator(LONG buffers, LONG bytes)
{
    ComPtr<IMemAllocator> a;
    EXPECT_EQ(CMemAllocator::CreateInstance(nullptr, IID_IMemAllocator, reinterpret_cast<void**>(a.GetAddressOf())),
              S_OK);
    ALLOCATOR_PROPERTIES want{buffers, bytes, 16, 0}, got{};
    EXPECT_EQ(a->SetProperties(&want, &got), S_OK);
    EXPECT_EQ(got.cBuffers, buffers);
    return a;
}

ComPtr<IMediaSamplePayload> PayloadSide(IMediaSample* s)
{
    ComPtr<IMediaSamplePayload> p;
    EXPECT_EQ(ComPtr<IMediaSample>(s).As(&p), S_OK);
    return p;
}

// A sample of another runtime: it forwards to one of ours but does not let
// payloads be attached, so its bytes can only be copied in.
class ForeignSample final : public IMediaSample {
public:
    explicit ForeignSample(IMediaSample* inner) : inner_(inner) {}
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IMediaSamplePayload) return E_NOINTERFACE;
        return inner_->QueryInterface(riid, object);
    }
    ULONG AddRef() override { return inner_->AddRef(); }
    ULONG Release() override { return inner_->Release(); }
    HRESULT GetPointer(BYTE** buffer) override { return inner_->GetPointer(buffer); }
    LONG GetSize() override { return inner_->GetSize(); }
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override { return inner_->GetTime(start, stop); }
    HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override { return inner_->SetTime(start, stop); }
    HRESULT IsSyncPoint() override { return inner_->IsSyncPoint(); }
    HRESULT SetSyncPoint(BOOL sync) override { return inner_->SetSyncPoint(sync); }
    HRESULT IsPreroll() override { return inner_->IsPreroll(); }
    HRESULT SetPreroll(BOOL preroll) override { return inner_->SetPreroll(preroll); }
    LONG GetActualDataLength() override { return inner_->GetActualDataLength(); }
    HRESULT SetActualDataLength(LONG length) override { return inner_->SetActualDataLength(length); }
    HRESULT GetMediaType(AM_MEDIA_TYPE** type) override { return inner_->GetMediaType(type); }
    HRESULT SetMediaType(AM_MEDIA_TYPE* type) override { return inner_->SetMediaType(type); }
    HRESULT IsDiscontinuity() override { return inner_->IsDiscontinuity(); }
    HRESULT SetDiscontinuity(BOOL d) override { return inner_->SetDiscontinuity(d); }
    HRESULT GetMediaTime(LONGLONG* start, LONGLONG* stop) override { return inner_->GetMediaTime(start, stop); }
    HRESULT SetMediaTime(LONGLONG* start, LONGLONG* stop) override { return inner_->SetMediaTime(start, stop); }

private:
    IMediaSample* inner_;
};

}  // namespace

TEST(SampleTest, PoolHandsOutItsBuffersAndTakesThemBack)
{
    ComPtr<IMemAllocator> a = MakeAllocator(2, 100);
    IMediaSample* s = nullptr;
    EXPECT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    ASSERT_EQ(a->Commit(), S_OK);
    IMediaSample* s1 = nullptr;
    IMediaSample* s2 = nullptr;
    ASSERT_EQ(a->GetBuffer(&s1, nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(a->GetBuffer(&s2, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(s1->GetSize(), 100);
    EXPECT_EQ(a->GetBuffer(&s, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
    ALLOCATOR_PROPERTIES want{1, 10, 1, 0}, got{};
    EXPECT_EQ(a->SetProperties(&want, &got), VFW_E_ALREADY_COMMITTED);

    // A sample's properties do not survive its trip back to the pool.
    REFERENCE_TIME t0 = 5, t1 = 9;
    s1->SetTime(&t0, &t1);
    s1->SetSyncPoint(TRUE);
    EXPECT_EQ(s1->SetActualDataLength(101), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(s1->SetActualDataLength(100), S_OK);
    s1->Release();
    ASSERT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    REFERENCE_TIME r0 = 0, r1 = 0;
    EXPECT_EQ(s->GetTime(&r0, &r1), VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(s->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(s->GetActualDataLength(), 0);
    s->SetTime(&t0, nullptr);
    EXPECT_EQ(s->GetTime(&r0, &r1), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(r1, t0 + 1);
    s->Release();
    s2->Release();
    EXPECT_EQ(a->Decommit(), S_OK);
}

TEST(SampleTest, DecommitWakesAWaitingThread)
{
    ComPtr<IMemAllocator> a = MakeAllocator(1, 8);
    ASSERT_EQ(a->Commit(), S_OK);
    IMediaSample* held = nullptr;
    ASSERT_EQ(a->GetBuffer(&held, nullptr, nullptr, 0), S_OK);
    auto waiter = std::async(std::launch::async, [&] {
        IMediaSample* s = nullptr;
        HRESULT hr = a->GetBuffer(&s, nullptr, nullptr, 0);
        if (s) s->Release();
        return hr;
    });
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    a->Decommit();
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(waiter.get(), VFW_E_NOT_COMMITTED);
    // The sample still out keeps its allocator: both go when released.
    IMemAllocator* raw = a.Detach();
    raw->Release();
    held->Release();
}

TEST(SampleTest, AttachedPayloadTravelsWithoutCopyAndIsGivenBack)
{
    ComPtr<IMemAllocator> a = MakeAllocator(2, 0);  // samples without memory of their own
    ASSERT_EQ(a->Commit(), S_OK);
    std::atomic<int> released{0};
    BYTE* bytes = new BYTE[32];
    std::memset(bytes, 0xAB, 32);
    PayloadRef payload = CreateExternalPayload(bytes, 32, [&] {
        delete[] bytes;
        ++released;
    });

    IMediaSample* first = nullptr;
    IMediaSample* second = nullptr;
    ASSERT_EQ(a->GetBuffer(&first, nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(a->GetBuffer(&second, nullptr, nullptr, 0), S_OK);
    BYTE* p = nullptr;
    EXPECT_EQ(first->GetSize(), 0);
    // A range outside the payload is refused.
    EXPECT_EQ(PayloadSide(first)->AttachPayload(payload.Get(), bytes + 30, 4), E_INVALIDARG);
    ASSERT_EQ(PayloadSide(first)->AttachPayload(payload.Get(), bytes + 8, 16), S_OK);
    payload.Reset();  // the sample holds the only reference now
    ASSERT_EQ(first->GetPointer(&p), S_OK);
    EXPECT_EQ(p, bytes + 8);
    EXPECT_EQ(first->GetActualDataLength(), 16);

    // Passed on to another sample: the same bytes, not a copy.
    ASSERT_EQ(ShareSampleData(first, second), S_OK);
    BYTE* q = nullptr;
    ASSERT_EQ(second->GetPointer(&q), S_OK);
    EXPECT_EQ(q, bytes + 8);
    EXPECT_EQ(second->GetActualDataLength(), 16);
    first->Release();
    EXPECT_EQ(released, 0);
    second->Release();
    EXPECT_EQ(released, 1);
}

TEST(SampleTest, SharedOwnBufferIsNotWrittenOverWhenTheSampleIsReused)
{
    ComPtr<IMemAllocator> source = MakeAllocator(1, 16);
    ComPtr<IMemAllocator> empty = MakeAllocator(1, 0);
    ASSERT_EQ(source->Commit(), S_OK);
    ASSERT_EQ(empty->Commit(), S_OK);
    IMediaSample* in = nullptr;
    IMediaSample* out = nullptr;
    ASSERT_EQ(source->GetBuffer(&in, nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(empty->GetBuffer(&out, nullptr, nullptr, 0), S_OK);
    BYTE* p = nullptr;
    in->GetPointer(&p);
    std::memset(p, 1, 16);
    in->SetActualDataLength(16);
    ASSERT_EQ(ShareSampleData(in, out), S_OK);
    in->Release();  // back in the pool while out still reads the bytes

    IMediaSample* again = nullptr;
    ASSERT_EQ(source->GetBuffer(&again, nullptr, nullptr, 0), S_OK);
    BYTE* fresh = nullptr;
    again->GetPointer(&fresh);
    EXPECT_NE(fresh, p);
    EXPECT_EQ(again->GetSize(), 16);
    std::memset(fresh, 2, 16);
    BYTE* shared = nullptr;
    out->GetPointer(&shared);
    EXPECT_EQ(shared, p);
    EXPECT_EQ(shared[15], 1);
    again->Release();
    out->Release();
}

// A sample whose block a holder downstream keeps takes another when it
// comes back; once the holder lets go, that block serves the next sample
// that needs one instead of new memory.
TEST(SampleTest, ABlockAHolderGivesBackServesTheNextSampleThatNeedsOne)
{
    ComPtr<IMemAllocator> source = MakeAllocator(1, 16);
    ASSERT_EQ(source->Commit(), S_OK);
    auto holdAndRelease = [&](BYTE** block) {
        IMediaSample* s = nullptr;
        EXPECT_EQ(source->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
        s->GetPointer(block);
        PayloadRef held(PayloadSide(s)->GetPayload());  // a writer's queued picture
        s->Release();
        return held;
    };
    BYTE* first = nullptr;
    PayloadRef firstHeld = holdAndRelease(&first);
    BYTE* second = nullptr;
    PayloadRef secondHeld = holdAndRelease(&second);
    EXPECT_NE(second, first);
    firstHeld.Reset();
    // The sample's block is the second one, still held: it takes the first.
    IMediaSample* s = nullptr;
    ASSERT_EQ(source->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    BYTE* p = nullptr;
    s->GetPointer(&p);
    EXPECT_NE(p, second);
    s->Release();
    BYTE* third = nullptr;
    PayloadRef thirdHeld = holdAndRelease(&third);
    EXPECT_NE(third, second);
    secondHeld.Reset();
    thirdHeld.Reset();
    ASSERT_EQ(source->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    s->GetPointer(&p);
    EXPECT_EQ(p, first);  // the block the first holder gave back
    EXPECT_EQ(s->GetSize(), 16);
    s->Release();
    EXPECT_EQ(source->Decommit(), S_OK);
}

TEST(SampleTest, PayloadIsAttachedToOurSamplesAndCopiedIntoForeignOnes)
{
    PayloadRef payload = CreateHeapPayload(64);
    ASSERT_TRUE(payload);
    for (int i = 0; i < 64; ++i) payload->Data()[i] = static_cast<BYTE>(i);
    BYTE* begin = payload->Data();
    struct Case {
        const char* name;
        bool foreign;
        LONG room;  // the sample's own buffer
        LONG offset;
        LONG size;
        HRESULT result;
    };
    const Case cases[] = {
        {"ours: attached", false, 0, 8, 16, S_OK},
        {"ours: a range past the payload", false, 0, 60, 8, E_INVALIDARG},
        {"foreign: copied", true, 32, 8, 16, S_OK},
        {"foreign: exactly its room", true, 16, 0, 16, S_OK},
        {"foreign: no room", true, 8, 0, 16, VFW_E_BUFFER_OVERFLOW},
        {"foreign: a range past the payload", true, 64, 60, 8, E_INVALIDARG},
        {"foreign: a negative size", true, 64, 0, -1, E_INVALIDARG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IMemAllocator> a = MakeAllocator(1, c.room);
        ASSERT_EQ(a->Commit(), S_OK);
        IMediaSample* ours = nullptr;
        ASSERT_EQ(a->GetBuffer(&ours, nullptr, nullptr, 0), S_OK);
        ForeignSample foreign(ours);
        IMediaSample* sample = c.foreign ? static_cast<IMediaSample*>(&foreign) : ours;
        EXPECT_EQ(PutPayload(sample, payload.Get(), begin + c.offset, c.size), c.result);
        BYTE* data = nullptr;
        ASSERT_EQ(sample->GetPointer(&data), S_OK);
        if (c.result == S_OK) {
            EXPECT_EQ(sample->GetActualDataLength(), c.size);
            if (c.foreign)
                EXPECT_NE(data, begin + c.offset);  // a copy in the sample's own buffer
            else
                EXPECT_EQ(data, begin + c.offset);  // the payload itself
            EXPECT_EQ(0, std::memcmp(data, begin + c.offset, static_cast<size_t>(c.size)));
        } else {
            EXPECT_EQ(sample->GetActualDataLength(), 0);
        }
        ours->Release();
    }
    EXPECT_EQ(PutPayload(nullptr, payload.Get(), begin, 1), E_POINTER);
}
