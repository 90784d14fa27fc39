#include "platform/com/ComRuntime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "platform/com/ComPtr.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "tests/platform/fixtures/FixtureServer.h"

namespace {

// {8A1B2C3D-0001-4000-8000-00AA00BB00CC} and neighbours: classes of the tests.
constexpr CLSID kLocalClass{0x8A1B2C3D, 0x0001, 0x4000, {0x80, 0x00, 0x00, 0xAA, 0x00, 0xBB, 0x00, 0xCC}};
constexpr CLSID kUnknownClass{0x8A1B2C3D, 0x0002, 0x4000, {0x80, 0x00, 0x00, 0xAA, 0x00, 0xBB, 0x00, 0xCC}};
constexpr CLSID kMissingModuleClass{0x8A1B2C3D, 0x0003, 0x4000, {0x80, 0x00, 0x00, 0xAA, 0x00, 0xBB, 0x00, 0xCC}};
constexpr CLSID kPlainModuleClass{0x8A1B2C3D, 0x0004, 0x4000, {0x80, 0x00, 0x00, 0xAA, 0x00, 0xBB, 0x00, 0xCC}};
constexpr CLSID kWrongClassInModule{0x8A1B2C3D, 0x0005, 0x4000, {0x80, 0x00, 0x00, 0xAA, 0x00, 0xBB, 0x00, 0xCC}};

// A test object with a visible reference count, and its factory.
class LocalObject final : public IFixtureValue {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IFixtureValue) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IFixtureValue*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override
    {
        ULONG left = --refs;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetValue(int* value) override
    {
        *value = 7;
        return S_OK;
    }
    ULONG refs = 1;
};

// Lives on the test's stack: the count shows what the runtime holds.
class LocalFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* o = new LocalObject;
        HRESULT hr = o->QueryInterface(riid, object);
        o->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
    ULONG refs = 1;
};

bool FixtureModuleLoaded() { return GetModuleHandleW(L"FixtureServer.dll") != nullptr; }

long FixtureLiveObjects()
{
    HMODULE m = GetModuleHandleW(L"FixtureServer.dll");
    auto live = m ? reinterpret_cast<FixtureLiveObjectsFn>(GetProcAddress(m, "FixtureLiveObjects")) : nullptr;
    return live ? live() : -1;
}

class Com : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ASSERT_EQ(CoRegisterClassModule(CLSID_FixtureObject, L"fixtureserver.dll"), S_OK);
    }
    void TearDown() override { CoUninitialize(); }
};

}  // namespace

TEST(ComInit, CountsPerThreadAndChecksTheModel)
{
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    EXPECT_EQ(CoInitialize(nullptr), RPC_E_CHANGED_MODE);  // not counted
    EXPECT_EQ(CoInitializeEx(nullptr, 0x100), E_INVALIDARG);
    std::thread([] {
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    }).join();
    CoUninitialize();
    void* object = nullptr;
    EXPECT_EQ(CoRegisterClassModule(CLSID_FixtureObject, L"FixtureServer.dll"), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_FixtureObject, nullptr, CLSCTX_ALL, IID_IUnknown, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();
    CoUninitialize();
    EXPECT_FALSE(FixtureModuleLoaded());

    // Outside any initialisation nothing is created, and extra calls are harmless.
    CoUninitialize();
    object = &object;
    EXPECT_EQ(CoCreateInstance(CLSID_FixtureObject, nullptr, CLSCTX_ALL, IID_IUnknown, &object), CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    LocalFactory factory;
    EXPECT_EQ(CoRegisterClassFactory(kLocalClass, &factory), CO_E_NOTINITIALIZED);
    EXPECT_EQ(factory.refs, 1u);
    EXPECT_FALSE(FixtureModuleLoaded());
}

TEST_F(Com, CreatesObjectsFromAClassModule)
{
    EXPECT_FALSE(FixtureModuleLoaded());
    ComPtr<IFixtureValue> value;
    ASSERT_EQ(CoCreateInstance(CLSID_FixtureObject, nullptr, CLSCTX_INPROC_SERVER, IID_IFixtureValue,
                               reinterpret_cast<void**>(value.ReleaseAndGetAddressOf())),
              S_OK);
    int v = 0;
    EXPECT_EQ(value->GetValue(&v), S_OK);
    EXPECT_EQ(v, kFixtureValue);
    EXPECT_TRUE(FixtureModuleLoaded());
    EXPECT_EQ(FixtureLiveObjects(), 1);  // the object; the factory is gone

    // The module stays loaded after its objects are gone ...
    value.Reset();
    EXPECT_EQ(FixtureLiveObjects(), 0);
    EXPECT_TRUE(FixtureModuleLoaded());
    // ... until the last initialisation ends (see the fixture's TearDown) or
    // the module says it may go.
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_FixtureObject, CLSCTX_ALL, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
              S_OK);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(FixtureModuleLoaded()) << "unloaded while its factory is held";
    factory.Reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(FixtureModuleLoaded());

    // A nested initialisation does not unload it; the last one does.
    void* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FixtureObject, nullptr, CLSCTX_ALL, IID_IFixtureName, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    EXPECT_TRUE(FixtureModuleLoaded());
}

TEST_F(Com, ClassLookupFailures)
{
    ASSERT_EQ(CoRegisterClassModule(kMissingModuleClass, L"NoSuchServer.dll"), S_OK);
    ASSERT_EQ(CoRegisterClassModule(kPlainModuleClass, L"FixturePlain.so"), S_OK);
    ASSERT_EQ(CoRegisterClassModule(kWrongClassInModule, L"FixtureServer.dll"), S_OK);
    struct Row {
        CLSID clsid;
        DWORD context;
        HRESULT hr;
    } rows[] = {
        {kUnknownClass, CLSCTX_ALL, REGDB_E_CLASSNOTREG},
        {kMissingModuleClass, CLSCTX_ALL, CO_E_DLLNOTFOUND},
        {kPlainModuleClass, CLSCTX_ALL, CO_E_ERRORINDLL},
        {kWrongClassInModule, CLSCTX_ALL, CLASS_E_CLASSNOTAVAILABLE},
        {CLSID_FixtureObject, CLSCTX_LOCAL_SERVER, REGDB_E_CLASSNOTREG},
    };
    for (const Row& row : rows) {
        void* object = &object;
        EXPECT_EQ(CoCreateInstance(row.clsid, nullptr, row.context, IID_IUnknown, &object), row.hr)
            << WideToUtf8(GuidToString(row.clsid));
        EXPECT_EQ(object, nullptr);
        object = &object;
        EXPECT_EQ(CoGetClassObject(row.clsid, row.context, nullptr, IID_IClassFactory, &object), row.hr);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(CoCreateInstance(CLSID_FixtureObject, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);

    // The factory's own refusals come back as they are.
    void* object = &object;
    EXPECT_EQ(CoCreateInstance(CLSID_FixtureObject, nullptr, CLSCTX_ALL, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    LocalObject* outer = new LocalObject;
    EXPECT_EQ(CoCreateInstance(CLSID_FixtureObject, outer, CLSCTX_ALL, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    outer->Release();
    EXPECT_EQ(FixtureLiveObjects(), 0);

    // A removed name makes the class unknown again.
    ASSERT_EQ(CoRegisterClassModule(kMissingModuleClass, nullptr), S_OK);
    EXPECT_EQ(CoCreateInstance(kMissingModuleClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
}

TEST_F(Com, RegisteredFactoriesComeFirstAndAreReleased)
{
    LocalFactory factory;
    ASSERT_EQ(CoRegisterClassFactory(kLocalClass, &factory), S_OK);
    EXPECT_EQ(factory.refs, 2u);
    EXPECT_EQ(CoRegisterClassFactory(kLocalClass, &factory), CO_E_OBJISREG);
    EXPECT_EQ(factory.refs, 2u);

    ComPtr<IFixtureValue> value;
    ASSERT_EQ(CoCreateInstance(kLocalClass, nullptr, CLSCTX_INPROC_SERVER, IID_IFixtureValue,
                               reinterpret_cast<void**>(value.GetAddressOf())),
              S_OK);
    int v = 0;
    value->GetValue(&v);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(factory.refs, 2u);

    // A factory of ours for the module's class wins over the module.
    ASSERT_EQ(CoRegisterClassFactory(CLSID_FixtureObject, &factory), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_FixtureObject, nullptr, CLSCTX_ALL, IID_IFixtureValue,
                               reinterpret_cast<void**>(value.ReleaseAndGetAddressOf())),
              S_OK);
    value->GetValue(&v);
    EXPECT_EQ(v, 7);
    EXPECT_FALSE(FixtureModuleLoaded());
    EXPECT_EQ(factory.refs, 3u);

    EXPECT_EQ(CoRevokeClassFactory(kLocalClass), S_OK);
    EXPECT_EQ(CoRevokeClassFactory(kLocalClass), CO_E_OBJNOTREG);
    EXPECT_EQ(factory.refs, 2u);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kLocalClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);

    // The end of the last initialisation releases what is still registered.
    value.Reset();
    CoUninitialize();
    EXPECT_EQ(factory.refs, 1u);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);  // for TearDown
    EXPECT_EQ(CoCreateInstance(kLocalClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
}

TEST_F(Com, QueryInterfaceKeepsOneIdentity)
{
    ComPtr<IFixtureValue> value;
    ASSERT_EQ(CoCreateInstance(CLSID_FixtureObject, nullptr, CLSCTX_ALL, IID_IFixtureValue,
                               reinterpret_cast<void**>(value.GetAddressOf())),
              S_OK);
    ComPtr<IFixtureName> name;
    ASSERT_EQ(value.As(&name), S_OK);
    // Two interfaces of one object are different pointers ...
    EXPECT_NE(static_cast<void*>(value.Get()), static_cast<void*>(name.Get()));
    int length = 0;
    EXPECT_EQ(name->GetNameLength(&length), S_OK);
    EXPECT_EQ(length, 7);
    // ... with the same IUnknown, whichever is asked.
    ComPtr<IUnknown> fromValue, fromName, again;
    ASSERT_EQ(value.As(&fromValue), S_OK);
    ASSERT_EQ(name.As(&fromName), S_OK);
    EXPECT_EQ(fromValue, fromName);
    ComPtr<IFixtureValue> back;
    ASSERT_EQ(fromName.As(&back), S_OK);
    EXPECT_EQ(back, value);
    ASSERT_EQ(back.As(&again), S_OK);
    EXPECT_EQ(again, fromValue);

    // An interface the object lacks: E_NOINTERFACE and nothing held.
    ComPtr<IClassFactory> none;
    EXPECT_EQ(value.As(&none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    ComPtr<IUnknown> empty;
    EXPECT_EQ(empty.As(&none), E_POINTER);

    // Everything above is released with the pointers.
    value.Reset();
    name.Reset();
    fromValue.Reset();
    fromName.Reset();
    back.Reset();
    again.Reset();
    EXPECT_EQ(FixtureLiveObjects(), 0);
}

TEST(ComPtr, CountsReferences)
{
    auto* object = new LocalObject;  // count 1, ours
    {
        ComPtr<IFixtureValue> a(object);
        EXPECT_EQ(object->refs, 2u);
        ComPtr<IFixtureValue> b = a;
        EXPECT_EQ(object->refs, 3u);
        ComPtr<IUnknown> c = std::move(b);  // moves, converting to the base
        EXPECT_EQ(object->refs, 3u);
        EXPECT_EQ(b, nullptr);
        c = a;  // a copy replaces a copy
        EXPECT_EQ(object->refs, 3u);
        c = nullptr;
        EXPECT_EQ(object->refs, 2u);
        IFixtureValue* out = nullptr;
        EXPECT_EQ(a.CopyTo(&out), S_OK);
        EXPECT_EQ(object->refs, 3u);
        ComPtr<IFixtureValue> d;
        d.Attach(out);  // takes the copy over
        EXPECT_EQ(object->refs, 3u);
        IFixtureValue* detached = d.Detach();
        EXPECT_EQ(d, nullptr);
        detached->Release();
        EXPECT_EQ(object->refs, 2u);
        a = a;  // self-assignment keeps the reference
        EXPECT_EQ(object->refs, 2u);
    }
    EXPECT_EQ(object->refs, 1u);
    object->Release();
}

TEST(ComTaskMemory, AllocatesGrowsAndFrees)
{
    auto* p = static_cast<char*>(CoTaskMemAlloc(16));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "0123456789abcdef", 16);
    p = static_cast<char*>(CoTaskMemRealloc(p, 4096));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::memcmp(p, "0123456789abcdef", 16), 0);
    EXPECT_EQ(CoTaskMemRealloc(p, 0), nullptr);  // freed
    void* q = CoTaskMemRealloc(nullptr, 8);
    EXPECT_NE(q, nullptr);
    CoTaskMemFree(q);
    CoTaskMemFree(nullptr);
}

namespace {

TEST(ComLibrary, LoadsAndFreesLikeTheModuleCalls)
{
    HMODULE m = CoLoadLibrary(L"fixtureserver.DLL", TRUE);
    ASSERT_NE(nullptr, m);
    EXPECT_NE(nullptr, GetProcAddress(m, "DllGetClassObject"));
    CoFreeLibrary(m);
    EXPECT_EQ(nullptr, CoLoadLibrary(L"no-such-module.dll", TRUE));
}

}  // namespace
