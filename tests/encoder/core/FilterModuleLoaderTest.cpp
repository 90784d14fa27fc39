#include <gtest/gtest.h>

#include "encoder/core/FilterModuleLoader.h"
#include "foundation/PathHelpers.h"
#include "platform/com/ComPtr.h"
#include "platform/win32/Module.h"
#include "tests/encoder/core/fixtures/CoreTestModule.h"

namespace {

// The fixtures lie beside the test program.
CString Fixture(const wchar_t* name) { return GetModuleDirectory() + name; }

class FilterModuleLoaderTest : public ::testing::Test {
protected:
    void TearDown() override { FreeFilterModules(); }

    static int Made(const CString& path, HRESULT* result = nullptr)
    {
        ComPtr<ICoreTestFilter> filter;
        HRESULT hr = CreateObjectFromModule(path, CLSID_CoreTestFilter, IID_ICoreTestFilter,
                                            reinterpret_cast<void**>(filter.GetAddressOf()));
        if (result) *result = hr;
        return filter ? filter->MadeByThisLoad() : 0;
    }
};

TEST_F(FilterModuleLoaderTest, ObjectsStraightOrThroughTheFactory)
{
    for (const wchar_t* name : {L"CoreDirect.ax", L"CoreFactory.ax"}) {
        HRESULT hr = E_FAIL;
        EXPECT_EQ(1, Made(Fixture(name), &hr)) << name;
        EXPECT_EQ(S_OK, hr) << name;
    }
}

TEST_F(FilterModuleLoaderTest, CaseVariantsOfOnePathShareTheLoadedModule)
{
    CString upper = Fixture(L"CoreFactory.ax");
    CString lower = Fixture(L"corefactory.AX");
    EXPECT_EQ(1, Made(upper));
    EXPECT_EQ(2, Made(lower));  // the same loaded copy made the second object
    EXPECT_EQ(3, Made(upper));
    EXPECT_NE(nullptr, GetModuleHandleW(upper));

    FreeFilterModules();
    EXPECT_EQ(nullptr, GetModuleHandleW(upper));
    EXPECT_EQ(1, Made(upper));  // loaded afresh
}

TEST_F(FilterModuleLoaderTest, FailuresUnloadWhatTheyLoaded)
{
    const CLSID otherClass{0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
    CString path = Fixture(L"CoreDirect.ax");
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, CreateObjectFromModule(path, otherClass, IID_ICoreTestFilter, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(nullptr, GetModuleHandleW(path));

    EXPECT_EQ(E_FAIL,
              CreateObjectFromModule(Fixture(L"CoreNoExport.ax"), CLSID_CoreTestFilter, IID_ICoreTestFilter, &object));
    EXPECT_EQ(nullptr, GetModuleHandleW(Fixture(L"CoreNoExport.ax")));
    EXPECT_EQ(E_FAIL,
              CreateObjectFromModule(Fixture(L"NoSuchModule.ax"), CLSID_CoreTestFilter, IID_ICoreTestFilter, &object));
    EXPECT_EQ(E_POINTER, CreateObjectFromModule(path, CLSID_CoreTestFilter, IID_ICoreTestFilter, nullptr));

    // A cached module stays loaded when a later object cannot be made.
    EXPECT_EQ(1, Made(path));
    EXPECT_EQ(E_NOINTERFACE, CreateObjectFromModule(path, CLSID_CoreTestFilter, IID_IClassFactory, &object));
    EXPECT_NE(nullptr, GetModuleHandleW(path));
    // The direct ask and the factory ask of the failed call each made (and
    // dropped) an object of the same loaded copy.
    EXPECT_EQ(4, Made(path));
}

TEST(StreamAddressTexts, StreamIdText)
{
    struct Case {
        const wchar_t* text;
        int result;
    } const cases[] = {
        {L"0010abcdefghijkl", 1},   // 16 characters, led by 0x0010
        {L"0010abcdefghijklm", 0},  // one more
        {L"0010abcdefgh jkl", 0},   // a blank
        {L"1", 1},
        {L"", 0},  // nothing is no stream id
        {L"0004", 1},
        {L"000Z", 0},              // reads 0
        {L"0010abcdefghijk~", 0},  // '~' lies above 'z'
        {L"0010abcdefghijk\uD55C", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, IsStreamIdText(c.text)) << c.text;
}

TEST(StreamAddressTexts, StreamSchemeUrl)
{
    struct Case {
        const wchar_t* text;
        int result;
    } const cases[] = {
        {L"RIVOS://media.test/live/1", 1},
        {L"rivos://media.test:8080/a?b=c", 1},
        {L"http://media.test/live/1", 0},
        {L"not an address", 0},
        {L"", 0},
        {L"rivosx://media.test/", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, IsStreamSchemeUrl(c.text)) << c.text;
}

}  // namespace
