#include "platform/wmf/WmProfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dshow/MediaType.h"
#include "platform/wmf/WmProfileManager.h"
#include "platform/wmf/WmStreamConfig.h"

namespace {

ComPtr<IWMProfile> NewProfile()
{
    ComPtr<IWMProfileManager> manager;
    EXPECT_EQ(S_OK, WMCreateProfileManager(manager.GetAddressOf()));
    ComPtr<IWMProfile> profile;
    if (manager) {
        EXPECT_EQ(S_OK, manager->CreateEmptyProfile(WMT_VER_9_0, profile.GetAddressOf()));
    }
    return profile;
}

// A configuration made by the profile, numbered, with a codec's media type
// (or none).
ComPtr<IWMStreamConfig> NewStream(IWMProfile* profile, const GUID& major, WORD number, bool withType = true,
                                  const wchar_t* name = L"")
{
    ComPtr<IWMStreamConfig> config;
    EXPECT_EQ(S_OK, profile->CreateNewStream(major, config.GetAddressOf()));
    if (!config) return config;
    EXPECT_EQ(S_OK, config->SetStreamNumber(number));
    std::wstring text = name;
    EXPECT_EQ(S_OK, config->SetStreamName(text.data()));
    if (withType) {
        CMediaType type(major);
        type.SetSubtype(FourCCGuid(major == MEDIATYPE_Audio ? 0x0161 : MAKEFOURCC('W', 'M', 'V', '2')));
        WM_MEDIA_TYPE wm{};
        wm.majortype = type.majortype;
        wm.subtype = type.subtype;
        ComPtr<IWMMediaProps> props;
        EXPECT_EQ(S_OK, config.As(&props));
        EXPECT_EQ(S_OK, props->SetMediaType(&wm));
    }
    return config;
}

std::wstring StreamName(IWMStreamConfig* config)
{
    WCHAR text[64];
    WORD chars = 64;
    return SUCCEEDED(config->GetStreamName(text, &chars)) ? text : L"<error>";
}

TEST(WmProfile, EmptyProfileOfTheVersionAskedWithItsName)
{
    ComPtr<IWMProfileManager> manager;
    ASSERT_EQ(S_OK, WMCreateProfileManager(manager.GetAddressOf()));
    IWMProfile* bad = reinterpret_cast<IWMProfile*>(&manager);
    EXPECT_EQ(E_INVALIDARG, manager->CreateEmptyProfile(static_cast<WMT_VERSION>(0x00050000), &bad));
    EXPECT_EQ(nullptr, bad);
    EXPECT_EQ(E_POINTER, manager->CreateEmptyProfile(WMT_VER_9_0, nullptr));

    ComPtr<IWMProfile> profile = NewProfile();
    ASSERT_TRUE(profile);
    WMT_VERSION version = WMT_VER_4_0;
    ASSERT_EQ(S_OK, profile->GetVersion(&version));
    EXPECT_EQ(WMT_VER_9_0, version);
    DWORD count = 9;
    ASSERT_EQ(S_OK, profile->GetStreamCount(&count));
    EXPECT_EQ(0u, count);

    ASSERT_EQ(S_OK, profile->SetName(L"RIVO_ENCODER"));
    DWORD chars = 0;
    ASSERT_EQ(S_OK, profile->GetName(nullptr, &chars));
    EXPECT_EQ(13u, chars);
    std::vector<WCHAR> small(4);
    DWORD smallChars = 4;
    EXPECT_EQ(ASF_E_BUFFERTOOSMALL, profile->GetName(small.data(), &smallChars));
    std::vector<WCHAR> name(chars);
    ASSERT_EQ(S_OK, profile->GetName(name.data(), &chars));
    EXPECT_STREQ(L"RIVO_ENCODER", name.data());
}

TEST(WmProfile, StreamsJoinAsCopiesUnderNumbersOfTheirOwn)
{
    ComPtr<IWMProfile> profile = NewProfile();
    ASSERT_TRUE(profile);
    ComPtr<IWMStreamConfig> none;
    EXPECT_EQ(E_INVALIDARG, profile->CreateNewStream(MEDIATYPE_Text, none.GetAddressOf()));

    struct Case {
        const char* what;
        GUID major;
        WORD number;
        bool withType;
        HRESULT expected;
    } const cases[] = {
        {"audio 1", MEDIATYPE_Audio, 1, true, S_OK},
        {"video 2", MEDIATYPE_Video, 2, true, S_OK},
        {"number taken", MEDIATYPE_Video, 1, true, E_INVALIDARG},
        {"no number", MEDIATYPE_Video, 0, true, E_INVALIDARG},
        {"no codec", MEDIATYPE_Video, 3, false, E_INVALIDARG},
    };
    for (const Case& c : cases) {
        ComPtr<IWMStreamConfig> config = NewStream(profile.Get(), c.major, 1, c.withType, L"before");
        ASSERT_TRUE(config) << c.what;
        if (c.number) {
            ASSERT_EQ(S_OK, config->SetStreamNumber(c.number)) << c.what;
        } else {
            config = nullptr;
            ASSERT_EQ(S_OK, profile->CreateNewStream(c.major, config.GetAddressOf()));
        }
        EXPECT_EQ(c.expected, profile->AddStream(config.Get())) << c.what;
        // Changing the caller's configuration afterwards leaves the profile's.
        wchar_t after[] = L"after";
        config->SetStreamName(after);
    }
    EXPECT_EQ(E_POINTER, profile->AddStream(nullptr));

    DWORD count = 0;
    ASSERT_EQ(S_OK, profile->GetStreamCount(&count));
    ASSERT_EQ(2u, count);
    ComPtr<IWMStreamConfig> first, second, byNumber;
    ASSERT_EQ(S_OK, profile->GetStream(0, first.GetAddressOf()));
    ASSERT_EQ(S_OK, profile->GetStream(1, second.GetAddressOf()));
    EXPECT_EQ(E_INVALIDARG, profile->GetStream(2, byNumber.GetAddressOf()));
    GUID type{};
    ASSERT_EQ(S_OK, first->GetStreamType(&type));
    EXPECT_EQ(MEDIATYPE_Audio, type);
    EXPECT_EQ(L"before", StreamName(first.Get()));
    ASSERT_EQ(S_OK, profile->GetStreamByNumber(2, byNumber.GetAddressOf()));
    ASSERT_EQ(S_OK, byNumber->GetStreamType(&type));
    EXPECT_EQ(MEDIATYPE_Video, type);

    // A changed copy takes effect through ReconfigStream only.
    wchar_t renamed[] = L"renamed";
    ASSERT_EQ(S_OK, byNumber->SetStreamName(renamed));
    ComPtr<IWMStreamConfig> again;
    ASSERT_EQ(S_OK, profile->GetStreamByNumber(2, again.GetAddressOf()));
    EXPECT_EQ(L"before", StreamName(again.Get()));
    ASSERT_EQ(S_OK, profile->ReconfigStream(byNumber.Get()));
    again = nullptr;
    ASSERT_EQ(S_OK, profile->GetStreamByNumber(2, again.GetAddressOf()));
    EXPECT_EQ(L"renamed", StreamName(again.Get()));
    ComPtr<IWMStreamConfig> stray = NewStream(profile.Get(), MEDIATYPE_Audio, 7);
    EXPECT_EQ(E_INVALIDARG, profile->ReconfigStream(stray.Get()));

    ASSERT_EQ(S_OK, profile->RemoveStream(first.Get()));
    EXPECT_EQ(E_INVALIDARG, profile->RemoveStreamByNumber(1));
    ASSERT_EQ(S_OK, profile->GetStreamCount(&count));
    EXPECT_EQ(1u, count);
    IWMMutualExclusion* exclusion = nullptr;
    EXPECT_EQ(E_NOTIMPL, profile->CreateNewMutualExclusion(&exclusion));
}

}  // namespace
