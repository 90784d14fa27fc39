#include "platform/com/MultiLanguage.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/win32/CodePage.h"

namespace {

class MultiLanguage : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }
};

// The tag as the service gives it, "<code>" for a failure.
std::string Tag(IMultiLanguage* ml, LCID lcid)
{
    BSTR tag = reinterpret_cast<BSTR>(&tag);
    HRESULT hr = ml->GetRfc1766FromLcid(lcid, &tag);
    if (FAILED(hr)) return tag ? "<not cleared>" : "<" + std::to_string(static_cast<uint32_t>(hr)) + ">";
    std::string text = WideToUtf8(tag);
    SysFreeString(tag);
    return text;
}

TEST_F(MultiLanguage, ServedWithoutRegistrationAndTagsEveryOptionLanguage)
{
    // As the profile code asks for it: every context but the remote one.
    ComPtr<IMultiLanguage> ml;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CMultiLanguage, nullptr, 7, IID_IMultiLanguage,
                                     reinterpret_cast<void**>(ml.GetAddressOf())));
    ASSERT_TRUE(ml);

    // The subtitle languages the option sheet offers, and a few more.
    const struct {
        LCID lcid;
        const char* tag;
    } rows[] = {
        {0x0404, "zh-tw"}, {0x0804, "zh-cn"}, {0x0409, "en-us"}, {0x040C, "fr"},    {0x0407, "de"},
        {0x0408, "el"},    {0x040E, "hu"},    {0x0410, "it"},    {0x0411, "ja"},    {1042, "ko"},
        {0x0419, "ru"},    {0x040A, "es"},    {0x0809, "en-gb"}, {0x0416, "pt-br"},
    };
    for (const auto& r : rows) EXPECT_EQ(r.tag, Tag(ml.Get(), r.lcid)) << r.lcid;

    const std::string invalid = "<" + std::to_string(static_cast<uint32_t>(E_INVALIDARG)) + ">";
    EXPECT_EQ(invalid, Tag(ml.Get(), 0));
    EXPECT_EQ(invalid, Tag(ml.Get(), 0x7FFF));
    EXPECT_EQ(E_INVALIDARG, ml->GetRfc1766FromLcid(1042, nullptr));
    EXPECT_EQ(E_NOTIMPL, ml->ConvertStringReset());
}

TEST(MultiLanguageOutsideInit, NeedsAnInitialisedRuntime)
{
    void* object = nullptr;
    EXPECT_EQ(CO_E_NOTINITIALIZED,
              CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_ALL, IID_IMultiLanguage, &object));
    EXPECT_EQ(nullptr, object);
}

}  // namespace
