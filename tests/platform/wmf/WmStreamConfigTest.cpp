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
