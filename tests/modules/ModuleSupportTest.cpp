// The support every filter module is built on, through a small module that
// only lists its classes (fixtures/SupportTestModule), copied into a
// temporary program folder under a module's name: objects by class id
// through the program's loader, the factory's rules, and the count that
// lets the component runtime unload the module.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "encoder/core/FilterModuleLoader.h"
#include "foundation/PathHelpers.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/NativePath.h"
#include "tests/modules/fixtures/SupportTestModule.h"
#include "tests/support/TempDir.h"

namespace {

class ModuleSupportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string fixture = ToNativePath((GetModuleDirectory() + L"SupportTestModule.ax").str());
        std::filesystem::copy_file(fixture, temp_.File("HAF.ax"));
        path_ = Utf8ToWide(temp_.File("HAF.ax"));
    }
    void TearDown() override
    {
        FreeFilterModules();
        if (module_) FreeLibrary(module_);
    }

    // The module loaded once more by the test, with its two exports.
    bool LoadDirectly()
    {
        module_ = LoadLibraryW(path_.c_str());
        if (!module_) return false;
        getClassObject_ = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module_, "DllGetClassObject"));
        canUnloadNow_ = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(module_, "DllCanUnloadNow"));
        return getClassObject_ && canUnloadNow_;
    }
    ComPtr<IClassFactory> Factory(REFCLSID clsid)
    {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(S_OK, getClassObject_(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())));
        return factory;
    }

    TempDir temp_;
    std::wstring path_;
    HMODULE module_ = nullptr;
    LPFNGETCLASSOBJECT getClassObject_ = nullptr;
    LPFNCANUNLOADNOW canUnloadNow_ = nullptr;
};

TEST_F(ModuleSupportTest, EachListedClassIsMadeThroughTheProgramsLoader)
{
    const struct {
        CLSID clsid;
        int which;
    } cases[] = {{CLSID_SupportTestFirst, 1}, {CLSID_SupportTestSecond, 2}};
    for (const auto& c : cases) {
        ComPtr<ISupportTestObject> object;
        EXPECT_EQ(S_OK, CreateObjectFromModule(path_.c_str(), c.clsid, IID_ISupportTestObject,
                                               reinterpret_cast<void**>(object.GetAddressOf())));
        ASSERT_TRUE(object);
        EXPECT_EQ(c.which, object->WhichClass());
    }

    const CLSID unknown{0x5E1F0003, 0x7A2B, 0x4C3D, {0x8E, 0x9F, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65}};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              CreateObjectFromModule(path_.c_str(), unknown, IID_ISupportTestObject, &object));
    EXPECT_EQ(nullptr, object);
    const IID notAnswered{0x5E1F00FE, 0x7A2B, 0x4C3D, {0x8E, 0x9F, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65}};
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, CreateObjectFromModule(path_.c_str(), CLSID_SupportTestFirst, notAnswered, &object));
    EXPECT_EQ(nullptr, object);
}

TEST_F(ModuleSupportTest, ClassObjectsAreFactoriesOnly)
{
    ASSERT_TRUE(LoadDirectly());
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_POINTER, getClassObject_(CLSID_SupportTestFirst, IID_IClassFactory, nullptr));
    EXPECT_EQ(E_NOINTERFACE, getClassObject_(CLSID_SupportTestFirst, IID_ISupportTestObject, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(S_OK, getClassObject_(CLSID_SupportTestFirst, IID_IUnknown, &object));
    ASSERT_NE(nullptr, object);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(S_OK, static_cast<IUnknown*>(object)->QueryInterface(IID_IClassFactory,
                                                                   reinterpret_cast<void**>(factory.GetAddressOf())));
    static_cast<IUnknown*>(object)->Release();
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_ISupportTestObject, nullptr));
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &object));
    EXPECT_EQ(nullptr, object);
}

TEST_F(ModuleSupportTest, AnAggregatedObjectGivesItsInnerUnknownAndDefersToTheOuter)
{
    ASSERT_TRUE(LoadDirectly());
    ComPtr<IClassFactory> factory = Factory(CLSID_SupportTestSecond);
    ASSERT_TRUE(factory);

    // The outer object: answers IUnknown itself and everything else through
    // the inner object it aggregates.
    struct Outer final : IUnknown {
        IUnknown* inner = nullptr;
        ULONG refs = 1;
        HRESULT QueryInterface(REFIID riid, void** object) override
        {
            if (riid == IID_IUnknown) {
                *object = this;
                ++refs;
                return S_OK;
            }
            return inner->QueryInterface(riid, object);
        }
        ULONG AddRef() override { return ++refs; }
        ULONG Release() override { return --refs; }
    } outer;

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_ISupportTestObject, &object));
    EXPECT_EQ(nullptr, object);
    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));

    ISupportTestObject* test = nullptr;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_ISupportTestObject, reinterpret_cast<void**>(&test)));
    EXPECT_EQ(2, test->WhichClass());
    EXPECT_EQ(2u, outer.refs);  // the interface's reference went to the outer object
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, test->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
    identity->Release();
    test->Release();
    EXPECT_EQ(1u, outer.refs);

    factory.Reset();
    EXPECT_EQ(S_FALSE, canUnloadNow_());  // the inner object still lives
    outer.inner->Release();
    EXPECT_EQ(S_OK, canUnloadNow_());
}

TEST_F(ModuleSupportTest, ObjectsFactoriesAndServerLocksKeepTheModule)
{
    ASSERT_TRUE(LoadDirectly());
    EXPECT_EQ(S_OK, canUnloadNow_());

    ComPtr<IClassFactory> factory = Factory(CLSID_SupportTestFirst);
    ASSERT_TRUE(factory);
    EXPECT_EQ(S_FALSE, canUnloadNow_());
    EXPECT_EQ(E_UNEXPECTED, factory->LockServer(FALSE));  // nothing to undo
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));

    ComPtr<ISupportTestObject> object;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_ISupportTestObject,
                                            reinterpret_cast<void**>(object.GetAddressOf())));
    factory.Reset();
    EXPECT_EQ(S_FALSE, canUnloadNow_());  // the object and the server lock
    object.Reset();
    EXPECT_EQ(S_FALSE, canUnloadNow_());  // the server lock

    factory = Factory(CLSID_SupportTestSecond);
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(E_UNEXPECTED, factory->LockServer(FALSE));
    factory.Reset();
    EXPECT_EQ(S_OK, canUnloadNow_());
}

TEST_F(ModuleSupportTest, TheRuntimeUnloadsTheModuleOnlyWhenNothingOfItLives)
{
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    ASSERT_EQ(S_OK, CoRegisterClassModule(CLSID_SupportTestFirst, path_.c_str()));
    ComPtr<ISupportTestObject> object;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SupportTestFirst, nullptr, CLSCTX_INPROC_SERVER, IID_ISupportTestObject,
                                     reinterpret_cast<void**>(object.GetAddressOf())));
    EXPECT_EQ(1, object->WhichClass());

    CoFreeUnusedLibraries();
    EXPECT_NE(nullptr, GetModuleHandleW(path_.c_str()));
    object.Reset();
    CoFreeUnusedLibraries();
    EXPECT_EQ(nullptr, GetModuleHandleW(path_.c_str()));

    CoRegisterClassModule(CLSID_SupportTestFirst, nullptr);
    CoUninitialize();
}

}  // namespace
