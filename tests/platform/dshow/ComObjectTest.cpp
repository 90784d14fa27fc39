// The component-object base (counting, identity, aggregation) and the
// automation value types that the media runtime passes.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/ComPtr.h"
#include "platform/com/OleAuto.h"
#include "platform/com/UnknownImpl.h"

namespace {

constexpr IID IID_ITestValue{0x5A0E1001, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0}};

struct ITestValue : IUnknown {
    virtual int Value() = 0;
};

int g_alive = 0;

class TestObject final : public CUnknown, public ITestValue {
public:
    TestObject(IUnknown* outer, int value) : CUnknown(outer), value_(value) { ++g_alive; }
    ~TestObject() override { --g_alive; }
    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_ITestValue) return GetInterface(static_cast<ITestValue*>(this), object);
        return CUnknown::NonDelegatingQueryInterface(riid, object);
    }
    int Value() override { return value_; }

private:
    int value_;
};

// An outer object that aggregates a TestObject and shows its interface as
// its own.
class Outer final : public CUnknown {
public:
    explicit Outer(IUnknown* outer) : CUnknown(outer)
    {
        ++g_alive;
        EXPECT_EQ(CreateComObject<TestObject>(GetOwner(), IID_IUnknown, reinterpret_cast<void**>(&inner_), 7), S_OK);
    }
    ~Outer() override
    {
        inner_->Release();
        --g_alive;
    }
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_ITestValue) return inner_->QueryInterface(riid, object);
        return CUnknown::NonDelegatingQueryInterface(riid, object);
    }

private:
    IUnknown* inner_ = nullptr;
};

}  // namespace

RIVO_INTERFACE_ID(ITestValue, IID_ITestValue);

TEST(ComObjectTest, CountsAndKeepsOneIdentity)
{
    ITestValue* value = nullptr;
    ASSERT_EQ(CreateComObject<TestObject>(nullptr, IID_ITestValue, reinterpret_cast<void**>(&value), 3), S_OK);
    EXPECT_EQ(value->Value(), 3);
    IUnknown* a = nullptr;
    IUnknown* b = nullptr;
    ASSERT_EQ(value->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a)), S_OK);
    ASSERT_EQ(a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b)), S_OK);
    EXPECT_EQ(a, b);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(value->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    a->Release();
    b->Release();
    EXPECT_EQ(g_alive, 1);
    EXPECT_EQ(value->Release(), 0u);
    EXPECT_EQ(g_alive, 0);
}

TEST(ComObjectTest, AggregatedObjectCountsOnTheOuterObject)
{
    IUnknown* outer = nullptr;
    ASSERT_EQ(CreateComObject<Outer>(nullptr, IID_IUnknown, reinterpret_cast<void**>(&outer)), S_OK);
    EXPECT_EQ(g_alive, 2);
    ComPtr<ITestValue> value;
    ASSERT_EQ(ComPtr<IUnknown>(outer).As(&value), S_OK);
    EXPECT_EQ(value->Value(), 7);
    // The inner interface's IUnknown is the outer object's identity.
    IUnknown* identity = nullptr;
    ASSERT_EQ(value->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, outer);
    identity->Release();
    value.Reset();
    outer->Release();
    EXPECT_EQ(g_alive, 0);
}

TEST(ComObjectTest, AggregationAsksOnlyForTheInnerUnknown)
{
    IUnknown* someOuter = reinterpret_cast<IUnknown*>(0x10);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateComObject<TestObject>(someOuter, IID_ITestValue, &out, 1), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(g_alive, 0);
}

TEST(OleAutoTest, BstrKeepsLengthAndEmbeddedZeros)
{
    const wchar_t text[] = {L'a', 0, L'b'};
    BSTR s = SysAllocStringLen(text, 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(SysStringByteLen(s), 3u * sizeof(wchar_t));
    EXPECT_EQ(s[2], L'b');
    EXPECT_EQ(s[3], 0);
    SysFreeString(s);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    BSTR zeros = SysAllocStringLen(nullptr, 2);
    EXPECT_EQ(zeros[0], 0);
    EXPECT_EQ(SysStringLen(zeros), 2u);
    SysFreeString(zeros);
}

TEST(OleAutoTest, VariantCopyOwnsItsParts)
{
    VARIANT a;
    VariantInit(&a);
    a.vt = VT_BSTR;
    a.bstrVal = SysAllocString(L"FriendlyName");
    VARIANT b;
    VariantInit(&b);
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);
    EXPECT_NE(a.bstrVal, b.bstrVal);
    EXPECT_STREQ(b.bstrVal, L"FriendlyName");
    EXPECT_EQ(VariantClear(&a), S_OK);
    EXPECT_EQ(a.vt, VT_EMPTY);

    VARIANT arr;
    VariantInit(&arr);
    arr.vt = VT_ARRAY | VT_UI1;
    arr.parray = SafeArrayCreateVector(VT_UI1, 0, 5);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(arr.parray, &data), S_OK);
    std::memcpy(data, "\x01\x02\x03\x04\x05", 5);
    // Destroying an array whose data is open is refused.
    EXPECT_EQ(SafeArrayDestroy(arr.parray), DISP_E_ARRAYISLOCKED);
    ASSERT_EQ(SafeArrayUnaccessData(arr.parray), S_OK);
    ASSERT_EQ(VariantCopy(&b, &arr), S_OK);  // b's string is freed first
    ASSERT_NE(b.parray, arr.parray);
    LONG lower = -1, upper = -1;
    EXPECT_EQ(SafeArrayGetLBound(b.parray, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(b.parray, 1, &upper), S_OK);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 4);
    EXPECT_EQ(SafeArrayGetElemsize(b.parray), 1u);
    EXPECT_EQ(std::memcmp(b.parray->pvData, "\x01\x02\x03\x04\x05", 5), 0);
    EXPECT_EQ(VariantClear(&arr), S_OK);
    EXPECT_EQ(VariantClear(&b), S_OK);
    // Arrays of types without a fixed size are not made.
    EXPECT_EQ(SafeArrayCreateVector(VT_BSTR, 0, 1), nullptr);
}
