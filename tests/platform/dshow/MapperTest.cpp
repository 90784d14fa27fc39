// The filter mapper: registration, matching with merit floor and
// wildcards, blocked filters, monikers and their property bags, and filters
// that ship with the program.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/FilterData.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaRuntime.h"
#include "platform/dshow/ShippedRegistrations.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegistryStore.h"
#include "tests/platform/dshow/GraphFixture.h"

namespace {

CLSID TestClass(WORD n)
{
    return CLSID{0x5A0E3000u + n, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0}};
}

struct Registered {
    CLSID clsid;
    const wchar_t* name;
    DWORD merit;
    GUID major, sub;  // the input pin's one type; GUID_NULL major: no input pin
};

class MapperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        ASSERT_EQ(RegisterMediaRuntime(), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                   reinterpret_cast<void**>(mapper.GetAddressOf())),
                  S_OK);
    }
    void TearDown() override
    {
        for (const auto& r : registered_) mapper->UnregisterFilter(nullptr, nullptr, r);
        mapper.Reset();
        CoUninitialize();
    }

    void Register(const Registered& r)
    {
        REGPINTYPES in{&r.major, &r.sub};
        REGPINTYPES out{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32};
        REGFILTERPINS2 pins[2] = {{0, 1, 1, &in, 0, nullptr, nullptr},
                                  {REG_PINFLAG_B_OUTPUT, 1, 1, &out, 0, nullptr, nullptr}};
        REGFILTER2 rf2{};
        rf2.dwVersion = 2;
        rf2.dwMerit = r.merit;
        rf2.cPins2 = r.major == GUID_NULL ? 1 : 2;
        rf2.rgPins2 = r.major == GUID_NULL ? &pins[1] : pins;
        ASSERT_EQ(mapper->RegisterFilter(r.clsid, r.name, nullptr, nullptr, nullptr, &rf2), S_OK);
        registered_.push_back(r.clsid);
        ownNames_.push_back(r.name);
    }

    // The friendly names of what matches, in the order given.
    std::vector<std::wstring> Match(DWORD floor, const GUID& major, const GUID& sub, BOOL exact = FALSE)
    {
        GUID pair[2] = {major, sub};
        ComPtr<IEnumMoniker> e;
        EXPECT_EQ(mapper->EnumMatchingFilters(e.GetAddressOf(), 0, exact, floor, TRUE, 1, pair, nullptr, nullptr, FALSE,
                                              FALSE, 0, nullptr, nullptr, nullptr),
                  S_OK);
        std::vector<std::wstring> names;
        IMoniker* m = nullptr;
        while (e->Next(1, &m, nullptr) == S_OK) {
            std::wstring name = Read(m, L"FriendlyName");
            // Only this test's filters count: others may share the registry.
            for (const auto& r : ownNames_)
                if (name == r) names.push_back(name);
            m->Release();
        }
        return names;
    }

    static std::wstring Read(IMoniker* m, const wchar_t* name)
    {
        ComPtr<IPropertyBag> bag;
        EXPECT_EQ(m->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(bag.GetAddressOf())),
                  S_OK);
        VARIANT v;
        VariantInit(&v);
        EXPECT_EQ(bag->Read(name, &v, nullptr), S_OK);
        std::wstring text = v.vt == VT_BSTR ? v.bstrVal : L"";
        VariantClear(&v);
        return text;
    }

    ComPtr<IFilterMapper2> mapper;
    std::vector<CLSID> registered_;
    std::vector<std::wstring> ownNames_;
};

const Registered kFilters[] = {
    {TestClass(1), L"Exact", MERIT_NORMAL, MEDIATYPE_Video, MEDIASUBTYPE_RGB32},
    {TestClass(2), L"AnyVideo", MERIT_PREFERRED, MEDIATYPE_Video, GUID_NULL},
    {TestClass(3), L"Blocked", MERIT_DO_NOT_USE, MEDIATYPE_Video, MEDIASUBTYPE_RGB32},
    {TestClass(4), L"Audio", MERIT_UNLIKELY, MEDIATYPE_Audio, MEDIASUBTYPE_PCM},
    {TestClass(5), L"NoInput", MERIT_PREFERRED + 1, GUID_NULL, GUID_NULL},
    {TestClass(6), L"Exact2", MERIT_NORMAL, MEDIATYPE_Video, MEDIASUBTYPE_RGB32},
};

}  // namespace

TEST_F(MapperTest, MatchesByTypeAboveTheFloorInMeritOrder)
{
    for (const auto& r : kFilters) Register(r);
    using Names = std::vector<std::wstring>;
    // Equal merits keep the registry's order of their keys.
    EXPECT_EQ(Match(MERIT_DO_NOT_USE + 1, MEDIATYPE_Video, MEDIASUBTYPE_RGB32),
              (Names{L"AnyVideo", L"Exact", L"Exact2"}));
    EXPECT_EQ(Match(MERIT_DO_NOT_USE + 1, MEDIATYPE_Video, MEDIASUBTYPE_RGB32, TRUE), (Names{L"Exact", L"Exact2"}));
    EXPECT_EQ(Match(MERIT_DO_NOT_USE + 1, MEDIATYPE_Video, MEDIASUBTYPE_YV12), (Names{L"AnyVideo"}));
    // A wildcard major type (and subtype) in the query takes every input.
    EXPECT_EQ(Match(MERIT_DO_NOT_USE + 1, GUID_NULL, GUID_NULL), (Names{L"AnyVideo", L"Exact", L"Exact2", L"Audio"}));
    EXPECT_EQ(Match(MERIT_DO_NOT_USE + 1, GUID_NULL, MEDIASUBTYPE_PCM), (Names{L"AnyVideo", L"Audio"}));
    // The blocked filter only shows below its own merit.
    EXPECT_EQ(Match(0, MEDIATYPE_Video, MEDIASUBTYPE_RGB32), (Names{L"AnyVideo", L"Exact", L"Exact2", L"Blocked"}));
    EXPECT_EQ(Match(MERIT_PREFERRED, GUID_NULL, GUID_NULL), (Names{L"AnyVideo"}));

    // Asking for output types: filters with a fitting output pin, and
    // without needing an input pin.
    GUID out[2] = {MEDIATYPE_Video, MEDIASUBTYPE_RGB32};
    ComPtr<IEnumMoniker> e;
    ASSERT_EQ(mapper->EnumMatchingFilters(e.GetAddressOf(), 0, FALSE, MERIT_PREFERRED, FALSE, 0, nullptr, nullptr,
                                          nullptr, FALSE, TRUE, 1, out, nullptr, nullptr),
              S_OK);
    IMoniker* m[3] = {};
    ULONG got = 0;
    e->Next(3, m, &got);
    ASSERT_EQ(got, 2u);
    // (Only this test's filters reach that merit.)
    EXPECT_EQ(Read(m[0], L"FriendlyName"), L"NoInput");
    EXPECT_EQ(Read(m[1], L"FriendlyName"), L"AnyVideo");
    m[0]->Release();
    m[1]->Release();
}

TEST_F(MapperTest, MonikersGiveBagsAndFilters)
{
    RegisterSyntheticClasses();
    Registered sink{CLSID_CollectSink, L"Recording Sink", MERIT_NORMAL, MEDIATYPE_Video, GUID_NULL};
    Register(sink);
    ComPtr<IMoniker> made;
    REGFILTER2 empty{};
    empty.dwVersion = 2;
    ASSERT_EQ(mapper->RegisterFilter(TestClass(9), L"Nothing", made.GetAddressOf(), nullptr, L"NamedInstance", &empty),
              S_OK);
    registered_.push_back(TestClass(9));
    mapper->UnregisterFilter(nullptr, L"NamedInstance", TestClass(9));

    GUID pair[2] = {MEDIATYPE_Video, MEDIASUBTYPE_YV12};
    ComPtr<IEnumMoniker> first, second;
    ASSERT_EQ(mapper->EnumMatchingFilters(first.GetAddressOf(), 0, FALSE, MERIT_NORMAL, TRUE, 1, pair, nullptr, nullptr,
                                          FALSE, FALSE, 0, nullptr, nullptr, nullptr),
              S_OK);
    ASSERT_EQ(first->Clone(second.GetAddressOf()), S_OK);
    ComPtr<IMoniker> a, b;
    ASSERT_EQ(first->Next(1, a.GetAddressOf(), nullptr), S_OK);
    ASSERT_EQ(second->Next(1, b.GetAddressOf(), nullptr), S_OK);
    EXPECT_EQ(a->IsEqual(b.Get()), S_OK);
    EXPECT_EQ(a->IsEqual(made.Get()), S_FALSE);
    LPOLESTR display = nullptr;
    ASSERT_EQ(a->GetDisplayName(nullptr, nullptr, &display), S_OK);
    EXPECT_EQ(std::wstring(display),
              L"@device:sw:" + GuidToString(CLSID_LegacyAmFilterCategory) + L"\\" + GuidToString(CLSID_CollectSink));
    CoTaskMemFree(display);

    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(a->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(bag.GetAddressOf())), S_OK);
    EXPECT_EQ(Read(a.Get(), L"CLSID"), GuidToString(CLSID_CollectSink));
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(bag->Read(L"FilterData", &v, nullptr), S_OK);
    ASSERT_EQ(v.vt, VT_ARRAY | VT_UI1);
    FilterRegistration reg;
    void* data = nullptr;
    SafeArrayAccessData(v.parray, &data);
    EXPECT_EQ(ReadFilterData(static_cast<BYTE*>(data), v.parray->rgsabound[0].cElements, &reg), S_OK);
    SafeArrayUnaccessData(v.parray);
    VariantClear(&v);
    EXPECT_EQ(reg.merit, MERIT_NORMAL);
    v.vt = VT_I4;
    EXPECT_EQ(bag->Read(L"FriendlyName", &v, nullptr), DISP_E_TYPEMISMATCH);
    v.vt = VT_EMPTY;
    EXPECT_EQ(bag->Read(L"Missing", &v, nullptr), E_FAIL);

    // A flag written into the bag reads back, as a truth value or a number.
    v.vt = VT_BOOL;
    v.boolVal = VARIANT_TRUE;
    ASSERT_EQ(bag->Write(L"_HIRESOUTPUT", &v), S_OK);
    VariantInit(&v);
    v.vt = VT_BOOL;
    ASSERT_EQ(bag->Read(L"_HIRESOUTPUT", &v, nullptr), S_OK);
    EXPECT_EQ(v.boolVal, VARIANT_TRUE);
    VariantInit(&v);
    ASSERT_EQ(bag->Read(L"_HIRESOUTPUT", &v, nullptr), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 1);

    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(a->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter.GetAddressOf())),
              S_OK);
    CLSID clsid{};
    filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_CollectSink);
}

TEST_F(MapperTest, ShippedFiltersAreFoundWithoutTouchingTheUsersStore)
{
    ShippedFilter shipped;
    shipped.clsid = TestClass(20);
    shipped.name = L"Shipped Decoder";
    FilterPinRegistration in;
    in.types.emplace_back(MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT);
    shipped.registration.merit = MERIT_NORMAL;
    shipped.registration.pins.push_back(in);
    ASSERT_EQ(AddShippedFilter(shipped), S_OK);
    ownNames_.push_back(shipped.name);
    EXPECT_EQ(Match(MERIT_DO_NOT_USE + 1, MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT),
              std::vector<std::wstring>{L"Shipped Decoder"});
    std::string file;
    ReadWholeFile(RegistryStore::Instance().FileOf(RegRoot::ClassesRoot), &file);
    EXPECT_EQ(file.find("Shipped Decoder"), std::string::npos);
    // Its class key names it too.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidToString(shipped.clsid)).c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    std::wstring name;
    EXPECT_EQ(RegGetTextValue(key, L"", &name), ERROR_SUCCESS);
    EXPECT_EQ(name, L"Shipped Decoder");
    RegCloseKey(key);
    // It cannot be unregistered.
    EXPECT_TRUE(FAILED(mapper->UnregisterFilter(nullptr, nullptr, shipped.clsid)));
}
