#include "platform/wmf/WmStreamConfig.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/com/ComPtr.h"

namespace {

ComPtr<IWMStreamConfig> NewConfig(const GUID& major, const std::vector<BYTE>& format)
{
    CMediaType type(major);
    type.SetFormatType(major == MEDIATYPE_Audio ? FORMAT_WaveFormatEx : FORMAT_VideoInfo);
    if (!format.empty()) type.SetFormat(format.data(), static_cast<ULONG>(format.size()));
    ComPtr<IWMStreamConfig> config;
    config.Attach(CWmStreamConfig::Create(major, type, 64000));
    return config;
}

// The runtime's form of a media type, pointing at the type's own format block.
WM_MEDIA_TYPE AsWm(const CMediaType& t)
{
    WM_MEDIA_TYPE w{};
    w.majortype = t.majortype;
    w.subtype = t.subtype;
    w.formattype = t.formattype;
    w.cbFormat = t.cbFormat;
    w.pbFormat = t.pbFormat;
    return w;
}

TEST(WmStreamConfig, NamesComeInTwoCallsAndNumbersStayInTheFileRange)
{
    ComPtr<IWMStreamConfig> config = NewConfig(MEDIATYPE_Audio, {});
    ASSERT_TRUE(config);
    wchar_t name[] = L"Audio1";
    ASSERT_EQ(S_OK, config->SetStreamName(name));
    WORD chars = 0;
    ASSERT_EQ(S_OK, config->GetStreamName(nullptr, &chars));
    EXPECT_EQ(7, chars);
    WCHAR small[3];
    WORD smallChars = 3;
    EXPECT_EQ(ASF_E_BUFFERTOOSMALL, config->GetStreamName(small, &smallChars));
    std::vector<WCHAR> buf(chars);
    ASSERT_EQ(S_OK, config->GetStreamName(buf.data(), &chars));
    EXPECT_STREQ(L"Audio1", buf.data());
    EXPECT_EQ(E_POINTER, config->SetConnectionName(nullptr));

    struct Case {
        WORD number;
        HRESULT expected;
    } const cases[] = {{0, E_INVALIDARG}, {1, S_OK}, {63, S_OK}, {64, E_INVALIDARG}};
    for (const Case& c : cases) EXPECT_EQ(c.expected, config->SetStreamNumber(c.number)) << c.number;
    WORD number = 0;
    ASSERT_EQ(S_OK, config->GetStreamNumber(&number));
    EXPECT_EQ(63, number);
}

TEST(WmStreamConfig, MediaTypeOfTheStreamsKindOnlyAndCopiedWhole)
{
    std::vector<BYTE> wave(sizeof(WAVEFORMATEX), 0x11);
    ComPtr<IWMStreamConfig> config = NewConfig(MEDIATYPE_Audio, wave);
    ASSERT_TRUE(config);
    ComPtr<IWMMediaProps> props;
    ASSERT_EQ(S_OK, config.As(&props));
    ComPtr<IWMVideoMediaProps> video;
    EXPECT_EQ(E_NOINTERFACE, config.As(&video));  // an audio stream

    DWORD bytes = 0;
    ASSERT_EQ(S_OK, props->GetMediaType(nullptr, &bytes));
    EXPECT_EQ(sizeof(WM_MEDIA_TYPE) + wave.size(), bytes);
    std::vector<BYTE> buf(bytes - 1);
    DWORD shortBytes = bytes - 1;
    EXPECT_EQ(ASF_E_BUFFERTOOSMALL, props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(buf.data()), &shortBytes));

    // A video type is refused; an audio type with its block replaces the old one.
    WM_MEDIA_TYPE videoType = AsWm(CMediaType(MEDIATYPE_Video));
    EXPECT_EQ(E_INVALIDARG, props->SetMediaType(&videoType));
    CMediaType audio(MEDIATYPE_Audio);
    std::vector<BYTE> bigger(40, 0x22);
    audio.SetFormat(bigger.data(), static_cast<ULONG>(bigger.size()));
    WM_MEDIA_TYPE audioType = AsWm(audio);
    ASSERT_EQ(S_OK, props->SetMediaType(&audioType));
    WM_MEDIA_TYPE broken = audioType;
    broken.pbFormat = nullptr;
    EXPECT_EQ(E_INVALIDARG, props->SetMediaType(&broken));

    ASSERT_EQ(S_OK, props->GetMediaType(nullptr, &bytes));
    buf.assign(bytes, 0);
    ASSERT_EQ(S_OK, props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(buf.data()), &bytes));
    WM_MEDIA_TYPE got;
    std::memcpy(&got, buf.data(), sizeof got);
    EXPECT_EQ(40u, got.cbFormat);
    EXPECT_EQ(nullptr, got.pUnk);
    EXPECT_EQ(0, std::memcmp(buf.data() + sizeof(WM_MEDIA_TYPE), bigger.data(), 40));
}

TEST(WmStreamConfig, VideoStreamsKeepKeyFrameSpacingAndQuality)
{
    ComPtr<IWMStreamConfig> config = NewConfig(MEDIATYPE_Video, {});
    ComPtr<IWMVideoMediaProps> video;
    ASSERT_EQ(S_OK, config.As(&video));
    EXPECT_EQ(S_OK, video->SetMaxKeyFrameSpacing(10 * 10000000LL));
    EXPECT_EQ(E_INVALIDARG, video->SetQuality(101));
    EXPECT_EQ(S_OK, video->SetQuality(100));
    LONGLONG spacing = 0;
    DWORD quality = 0;
    ASSERT_EQ(S_OK, video->GetMaxKeyFrameSpacing(&spacing));
    ASSERT_EQ(S_OK, video->GetQuality(&quality));
    EXPECT_EQ(100000000LL, spacing);
    EXPECT_EQ(100u, quality);
}

}  // namespace

namespace {

DWORD DwordProperty(IWMPropertyVault* vault, const wchar_t* name, WMT_ATTR_DATATYPE* type, HRESULT* hr)
{
    DWORD value = 0, bytes = sizeof value;
    *hr = vault->GetPropertyByName(name, type, reinterpret_cast<BYTE*>(&value), &bytes);
    return value;
}

TEST(WmStreamConfig, PropertyVaultKeepsTypedValuesByName)
{
    ComPtr<IWMStreamConfig> config = NewConfig(MEDIATYPE_Video, {});
    ComPtr<IWMPropertyVault> vault;
    ASSERT_EQ(S_OK, config.As(&vault));

    DWORD on = TRUE, quality = 75;
    WORD small = 1;
    struct Case {
        const char* what;
        const wchar_t* name;
        WMT_ATTR_DATATYPE type;
        BYTE* value;
        DWORD bytes;
        HRESULT expected;
    } const cases[] = {
        {"bool of 4 bytes", L"_VBRENABLED", WMT_TYPE_BOOL, reinterpret_cast<BYTE*>(&on), 4, S_OK},
        {"dword of 4 bytes", L"_VBRQUALITY", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&quality), 4, S_OK},
        {"dword of 2 bytes", L"_RMAX", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&small), 2, E_INVALIDARG},
        {"word of 2 bytes", L"_W", WMT_TYPE_WORD, reinterpret_cast<BYTE*>(&small), 2, S_OK},
        {"unknown type", L"_X", static_cast<WMT_ATTR_DATATYPE>(9), reinterpret_cast<BYTE*>(&on), 4, E_INVALIDARG},
        {"bytes without a value", L"_Y", WMT_TYPE_BINARY, nullptr, 3, E_INVALIDARG},
        {"empty name", L"", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&on), 4, E_INVALIDARG},
        {"null name", nullptr, WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&on), 4, E_POINTER},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, vault->SetProperty(c.name, c.type, c.value, c.bytes)) << c.what;

    DWORD count = 0;
    ASSERT_EQ(S_OK, vault->GetPropertyCount(&count));
    EXPECT_EQ(3u, count);
    WMT_ATTR_DATATYPE type = WMT_TYPE_STRING;
    HRESULT hr = E_FAIL;
    EXPECT_EQ(75u, DwordProperty(vault.Get(), L"_VBRQUALITY", &type, &hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(WMT_TYPE_DWORD, type);
    DwordProperty(vault.Get(), L"_BMAX", &type, &hr);
    EXPECT_EQ(NS_E_UNSUPPORTED_PROPERTY, hr);

    // Setting a name again replaces its value; sizes come in two calls.
    quality = 90;
    ASSERT_EQ(S_OK, vault->SetProperty(L"_VBRQUALITY", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&quality), 4));
    EXPECT_EQ(90u, DwordProperty(vault.Get(), L"_VBRQUALITY", &type, &hr));
    DWORD bytes = 0;
    ASSERT_EQ(S_OK, vault->GetPropertyByName(L"_VBRQUALITY", &type, nullptr, &bytes));
    EXPECT_EQ(4u, bytes);
    BYTE one = 0;
    DWORD oneByte = 1;
    EXPECT_EQ(ASF_E_BUFFERTOOSMALL, vault->GetPropertyByName(L"_VBRQUALITY", &type, &one, &oneByte));

    DWORD nameChars = 0;
    ASSERT_EQ(S_OK, vault->GetPropertyByIndex(0, nullptr, &nameChars, &type, nullptr, &bytes));
    EXPECT_EQ(12u, nameChars);  // "_VBRENABLED" and its NUL
    EXPECT_EQ(E_INVALIDARG, vault->GetPropertyByIndex(3, nullptr, &nameChars, &type, nullptr, &bytes));

    ASSERT_EQ(S_OK, vault->Clear());
    ASSERT_EQ(S_OK, vault->GetPropertyCount(&count));
    EXPECT_EQ(0u, count);
}

TEST(WmStreamConfig, LanguageTransportAndCopiesOfEverything)
{
    std::vector<BYTE> vih(sizeof(VIDEOINFOHEADER), 0x33);
    ComPtr<IWMStreamConfig> config = NewConfig(MEDIATYPE_Video, vih);
    ComPtr<IWMStreamConfig3> config3;
    ASSERT_EQ(S_OK, config.As(&config3));
    wchar_t ko[] = L"ko";
    ASSERT_EQ(S_OK, config3->SetLanguage(ko));
    EXPECT_EQ(E_POINTER, config3->SetLanguage(nullptr));
    EXPECT_EQ(E_INVALIDARG, config3->SetTransportType(static_cast<WMT_TRANSPORT_TYPE>(2)));
    ASSERT_EQ(S_OK, config3->SetTransportType(WMT_Transport_Type_Reliable));
    EXPECT_EQ(E_NOTIMPL, config3->AddDataUnitExtension(GUID_NULL, 0, nullptr, 0));
    wchar_t name[] = L"Video2", connection[] = L"HAsfWriter2";
    ASSERT_EQ(S_OK, config->SetStreamNumber(2));
    ASSERT_EQ(S_OK, config->SetStreamName(name));
    ASSERT_EQ(S_OK, config->SetConnectionName(connection));
    ASSERT_EQ(S_OK, config->SetBufferWindow(3000));
    ComPtr<IWMVideoMediaProps> video;
    ASSERT_EQ(S_OK, config.As(&video));
    ASSERT_EQ(S_OK, video->SetQuality(80));
    ASSERT_EQ(S_OK, video->SetMaxKeyFrameSpacing(50000000));
    ComPtr<IWMPropertyVault> vault;
    ASSERT_EQ(S_OK, config.As(&vault));
    DWORD on = TRUE;
    ASSERT_EQ(S_OK, vault->SetProperty(L"_VBRENABLED", WMT_TYPE_BOOL, reinterpret_cast<BYTE*>(&on), 4));

    ComPtr<IWMStreamConfig> copy;
    ASSERT_EQ(S_OK, CWmStreamConfig::Copy(config.Get(), copy.GetAddressOf()));
    // The copy is a configuration of its own.
    wchar_t other[] = L"Other";
    ASSERT_EQ(S_OK, config->SetStreamName(other));

    WORD number = 0;
    DWORD bitrate = 0, window = 0, quality = 0;
    ASSERT_EQ(S_OK, copy->GetStreamNumber(&number));
    ASSERT_EQ(S_OK, copy->GetBitrate(&bitrate));
    ASSERT_EQ(S_OK, copy->GetBufferWindow(&window));
    EXPECT_EQ(2, number);
    EXPECT_EQ(64000u, bitrate);
    EXPECT_EQ(3000u, window);
    WCHAR text[32];
    WORD chars = 32;
    ASSERT_EQ(S_OK, copy->GetStreamName(text, &chars));
    EXPECT_STREQ(L"Video2", text);
    chars = 32;
    ASSERT_EQ(S_OK, copy->GetConnectionName(text, &chars));
    EXPECT_STREQ(L"HAsfWriter2", text);
    ComPtr<IWMStreamConfig3> copy3;
    ASSERT_EQ(S_OK, copy.As(&copy3));
    chars = 32;
    ASSERT_EQ(S_OK, copy3->GetLanguage(text, &chars));
    EXPECT_STREQ(L"ko", text);
    WMT_TRANSPORT_TYPE transport = WMT_Transport_Type_Unreliable;
    ASSERT_EQ(S_OK, copy3->GetTransportType(&transport));
    EXPECT_EQ(WMT_Transport_Type_Reliable, transport);
    ComPtr<IWMVideoMediaProps> copyVideo;
    ASSERT_EQ(S_OK, copy.As(&copyVideo));
    LONGLONG spacing = 0;
    ASSERT_EQ(S_OK, copyVideo->GetQuality(&quality));
    ASSERT_EQ(S_OK, copyVideo->GetMaxKeyFrameSpacing(&spacing));
    EXPECT_EQ(80u, quality);
    EXPECT_EQ(50000000, spacing);
    ComPtr<IWMPropertyVault> copyVault;
    ASSERT_EQ(S_OK, copy.As(&copyVault));
    WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
    HRESULT hr = E_FAIL;
    EXPECT_EQ(1u, DwordProperty(copyVault.Get(), L"_VBRENABLED", &type, &hr));
    EXPECT_EQ(WMT_TYPE_BOOL, type);
    DWORD bytes = 0;
    ASSERT_EQ(S_OK, copyVideo->GetMediaType(nullptr, &bytes));
    std::vector<BYTE> buf(bytes);
    ASSERT_EQ(S_OK, copyVideo->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(buf.data()), &bytes));
    EXPECT_EQ(0, std::memcmp(buf.data() + sizeof(WM_MEDIA_TYPE), vih.data(), vih.size()));
}

}  // namespace
