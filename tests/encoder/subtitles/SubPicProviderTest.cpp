#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "encoder/subtitles/SubPicProviderImpl.h"

namespace {

struct Entry {
    int nStart;
    const wchar_t* text;
};

std::atomic<int> g_destroyed{0};

// A provider over a fixed list of entries, as the text providers keep them.
class ListProvider : public ISubPicProviderImpl {
public:
    explicit ListProvider(std::initializer_list<Entry> entries)
    {
        for (const auto& e : entries) list_.AddTail(new Entry(e));
    }
    ~ListProvider() override
    {
        while (!list_.IsEmpty()) delete list_.RemoveHead();
        ++g_destroyed;
    }
    POSITION GetFirstPosition() override { return list_.GetHeadPosition(); }
    POSITION GetLastPosition() override { return list_.GetTailPosition(); }
    POSITION GetNextPosition(POSITION p) override
    {
        list_.GetNext(p);
        return p;
    }
    POSITION GetPrevPosition(POSITION p) override
    {
        list_.GetPrev(p);
        return p;
    }
    POSITION FindPosition(POSITION hint, REFERENCE_TIME t) override
    {
        return FindTimedPosition(list_, hint, ToMilliseconds(t, offset_));
    }
    HRESULT GetStartTime(POSITION p, REFERENCE_TIME* t) override
    {
        *t = FromMilliseconds(list_.GetAt(p)->nStart);
        return S_OK;
    }
    HRESULT SetTimeOffset(REFERENCE_TIME o) override
    {
        offset_ = o;
        return S_OK;
    }
    REFERENCE_TIME GetTimeOffset() override { return offset_; }
    int StartAt(POSITION p) { return list_.GetAt(p)->nStart; }

private:
    CList<Entry*> list_;
    REFERENCE_TIME offset_ = 0;
};

TEST(SubPicProvider, ReferenceCountStartsAtZeroAndNeverReportsBelowOne)
{
    g_destroyed = 0;
    auto* p = new ListProvider({{0, L"a"}});
    EXPECT_EQ(1u, p->AddRef());
    EXPECT_EQ(2u, p->AddRef());
    EXPECT_EQ(1u, p->Release());
    EXPECT_EQ(0, g_destroyed.load());
    EXPECT_EQ(0u, p->Release());
    EXPECT_EQ(1, g_destroyed.load());
}

TEST(SubPicProvider, QueryInterface)
{
    auto* p = new ListProvider({});
    p->AddRef();
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_POINTER, p->QueryInterface(IID_ISubPicProvider, nullptr));
    EXPECT_EQ(E_NOINTERFACE, p->QueryInterface(IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    ASSERT_EQ(S_OK, p->QueryInterface(IID_ISubPicProvider, &out));
    EXPECT_EQ(static_cast<ISubPicProvider*>(p), out);
    void* unknown = nullptr;
    ASSERT_EQ(S_OK, p->QueryInterface(IID_IUnknown, &unknown));
    EXPECT_EQ(out, unknown);
    EXPECT_EQ(2u, p->Release());
    EXPECT_EQ(1u, p->Release());
    EXPECT_EQ(0u, p->Release());
}

TEST(SubPicProvider, BaseDefaults)
{
    auto* p = new ListProvider({});
    p->AddRef();
    const wchar_t* text = nullptr;
    REFERENCE_TIME d = 0;
    EXPECT_EQ(0, p->GetProviderKind());
    EXPECT_EQ(E_NOTIMPL, p->GetText(nullptr, &text));
    EXPECT_EQ(E_NOTIMPL, p->GetPicture(nullptr, nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL, p->GetDuration(nullptr, &d));
    p->Release();
}

TEST(SubPicProvider, MillisecondsFromMediaTime)
{
    struct Row {
        REFERENCE_TIME t, offset;
        int ms;
    } rows[] = {
        {15000000, 0, 1500},
        {15009999, 0, 1500},
        {15000000, -5000000, 1000},
        {1000, -20000000, 0},  // below zero gives 0
        {-1, 0, 0},
        {INT64_MAX, INT64_MAX, INT32_MAX},
        {INT64_MIN, INT64_MIN, 0},
        {INT64_MAX / 2, 0, INT32_MAX},
    };
    for (const auto& r : rows) EXPECT_EQ(r.ms, ISubPicProviderImpl::ToMilliseconds(r.t, r.offset)) << r.t;
    EXPECT_EQ(INT64_C(21474836470000), ISubPicProviderImpl::FromMilliseconds(INT32_MAX));
}

// The shared time walk, from every hint.
TEST(SubPicProvider, FindPositionWalk)
{
    auto* p = new ListProvider({{1000, L"a"}, {2000, L"b"}, {2000, L"c"}, {5000, L"d"}});
    p->AddRef();
    std::vector<POSITION> hints = {nullptr};
    for (POSITION q = p->GetFirstPosition(); q; q = p->GetNextPosition(q)) hints.push_back(q);
    struct Row {
        int ms;
        int start;  // -1: none
    } rows[] = {{0, -1},      {999, -1},    {1000, 1000}, {1999, 1000},
                {2000, 2000}, {4999, 2000}, {5000, 5000}, {99999, 5000}};
    for (POSITION hint : hints) {
        for (const auto& r : rows) {
            POSITION found = p->FindPosition(hint, REFERENCE_TIME(r.ms) * 10000);
            if (r.start < 0) {
                EXPECT_EQ(nullptr, found) << r.ms;
            } else {
                ASSERT_NE(nullptr, found) << r.ms;
                EXPECT_EQ(r.start, p->StartAt(found)) << r.ms;
            }
        }
    }
    // Equal starts: the later entry of the two wins going forward.
    POSITION third = p->GetNextPosition(p->GetNextPosition(p->GetFirstPosition()));
    EXPECT_EQ(third, p->FindPosition(nullptr, 30000000));
    // A negative offset that moves the time below 0 yields the entry at 0 ms.
    auto* z = new ListProvider({{0, L"zero"}, {100, L"x"}});
    z->AddRef();
    z->SetTimeOffset(-50000000);
    EXPECT_EQ(z->GetFirstPosition(), z->FindPosition(nullptr, 10000));
    z->Release();
    p->Release();
}

TEST(SubPicProvider, EmptyListFindsNothing)
{
    auto* p = new ListProvider({});
    p->AddRef();
    EXPECT_EQ(nullptr, p->FindPosition(nullptr, 0));
    p->Release();
}

TEST(SubPicProvider, ColourCodesHaveSixDigits)
{
    EXPECT_EQ(CString(L"@@^ff0000"), SubColourCode(0xFF0000));
    EXPECT_EQ(CString(L"@@^ffffff"), SubColourCode(0xFFFFFFFFu));
    EXPECT_EQ(CString(L"@@^234567"), SubColourCode(0x1234567));
    EXPECT_EQ(CString(L"@@^ff0000"), SubColourCodeFromColorRef(RGB(255, 0, 0)));
    EXPECT_EQ(CString(L"@@^ffffff"), SubColourCodeFromColorRef(0xFFFFFFFFu));
    EXPECT_EQ(CString(L"@@^563412"), SubColourCodeFromColorRef(0x7F123456));
}

TEST(SubPicProvider, OpenParamsLayout)
{
    SubtitleOpenParams p;
    EXPECT_EQ(-1, p.nDefaultColor);
    EXPECT_EQ(0, p.nLineJoinMode);
    EXPECT_EQ(-1, p.nCodePage);
    EXPECT_EQ(23976, p.nFrameRateNum);
    EXPECT_EQ(1000, p.nFrameRateDen);
    EXPECT_EQ(0u, offsetof(SubtitleOpenParams, nDefaultColor));
    EXPECT_EQ(8u, offsetof(SubtitleOpenParams, nCodePage));
    EXPECT_EQ(16u, offsetof(SubtitleOpenParams, nFrameRateDen));
}

}  // namespace
