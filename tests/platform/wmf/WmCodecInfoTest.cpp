#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/MediaType.h"
#include "platform/wmf/WmCodecTable.h"
#include "platform/wmf/WmProfileManager.h"
#include "tests/support/TempDir.h"

namespace {

ComPtr<IWMCodecInfo3> NewCodecInfo()
{
    ComPtr<IWMProfileManager> manager;
    EXPECT_EQ(S_OK, WMCreateProfileManager(manager.GetAddressOf()));
    ComPtr<IWMCodecInfo3> info;
    if (manager) {
        EXPECT_EQ(S_OK, manager.As(&info));
    }
    return info;
}

std::wstring CodecName(IWMCodecInfo3* info, const GUID& major, DWORD codec)
{
    DWORD chars = 0;
    if (FAILED(info->GetCodecName(major, codec, nullptr, &chars))) return L"<error>";
    std::vector<WCHAR> buf(chars);
    if (FAILED(info->GetCodecName(major, codec, buf.data(), &chars))) return L"<error>";
    return buf.data();
}

std::wstring FormatDesc(IWMCodecInfo3* info, const GUID& major, DWORD codec, DWORD format)
{
    DWORD chars = 0;
    if (FAILED(info->GetCodecFormatDesc(major, codec, format, nullptr, nullptr, &chars))) return L"<error>";
    std::vector<WCHAR> buf(chars);
    if (FAILED(info->GetCodecFormatDesc(major, codec, format, nullptr, buf.data(), &chars))) return L"<error>";
    return buf.data();
}

HRESULT SetBool(IWMCodecInfo3* info, const GUID& major, DWORD codec, BOOL value)
{
    return info->SetCodecEnumerationSetting(major, codec, g_wszVBREnabled, WMT_TYPE_BOOL,
                                            reinterpret_cast<const BYTE*>(&value), sizeof value);
}

HRESULT SetPasses(IWMCodecInfo3* info, const GUID& major, DWORD codec, DWORD passes)
{
    return info->SetCodecEnumerationSetting(major, codec, g_wszNumPasses, WMT_TYPE_DWORD,
                                            reinterpret_cast<const BYTE*>(&passes), sizeof passes);
}

DWORD FormatCount(IWMCodecInfo3* info, const GUID& major, DWORD codec)
{
    DWORD n = 0xDEAD;
    EXPECT_EQ(S_OK, info->GetCodecFormatCount(major, codec, &n));
    return n;
}

// The media type of a format, fetched in the runtime's two calls.
std::vector<BYTE> MediaTypeOf(IWMStreamConfig* config)
{
    ComPtr<IWMMediaProps> props;
    ComPtr<IWMStreamConfig>(config).As(&props);
    if (!props) return {};
    DWORD bytes = 0;
    EXPECT_EQ(S_OK, props->GetMediaType(nullptr, &bytes));
    std::vector<BYTE> buf(bytes);
    EXPECT_EQ(S_OK, props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(buf.data()), &bytes));
    return buf;
}

TEST(WmCodecInfo, ListsTheEncodersOfThisSystemUnderTheirOwnNames)
{
    ComPtr<IWMCodecInfo3> info = NewCodecInfo();
    ASSERT_TRUE(info);
    struct Case {
        GUID major;
        std::vector<std::wstring> names;
    } const cases[] = {
        {MEDIATYPE_Video, {L"Windows Media Video 8", L"Windows Media Video 7"}},
        {MEDIATYPE_Audio, {L"Windows Media Audio 2", L"Windows Media Audio 1"}},
        {MEDIATYPE_Text, {}},
    };
    for (const Case& c : cases) {
        DWORD n = 0xDEAD;
        ASSERT_EQ(S_OK, info->GetCodecInfoCount(c.major, &n));
        ASSERT_EQ(c.names.size(), n);
        for (DWORD i = 0; i < n; ++i) EXPECT_EQ(c.names[i], CodecName(info.Get(), c.major, i));
    }
}

TEST(WmCodecInfo, TextsComeInTwoCalls)
{
    ComPtr<IWMCodecInfo3> info = NewCodecInfo();
    ASSERT_TRUE(info);
    DWORD chars = 0;
    ASSERT_EQ(S_OK, info->GetCodecName(MEDIATYPE_Audio, 0, nullptr, &chars));
    EXPECT_EQ(22u, chars);  // "Windows Media Audio 2" and its NUL

    WCHAR small[8];
    DWORD smallChars = 8;
    EXPECT_EQ(ASF_E_BUFFERTOOSMALL, info->GetCodecName(MEDIATYPE_Audio, 0, small, &smallChars));
    EXPECT_EQ(22u, smallChars);

    EXPECT_EQ(E_INVALIDARG, info->GetCodecName(MEDIATYPE_Audio, 2, nullptr, &chars));
    EXPECT_EQ(E_POINTER, info->GetCodecName(MEDIATYPE_Audio, 0, nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, info->GetCodecFormatDesc(MEDIATYPE_Audio, 0, 78, nullptr, nullptr, &chars));
}

TEST(WmCodecInfo, EnumerationSettingsAnswerWhatTheEncodersCanDo)
{
    ComPtr<IWMCodecInfo3> info = NewCodecInfo();
    ASSERT_TRUE(info);
    const BOOL on = TRUE;
    struct Case {
        const char* what;
        HRESULT expected;
        HRESULT actual;
    } const cases[] = {
        // The audio encoders take a constant bit rate only.
        {"audio vbr off", S_OK, SetBool(info.Get(), MEDIATYPE_Audio, 0, FALSE)},
        {"audio vbr on", NS_E_UNSUPPORTED_PROPERTY, SetBool(info.Get(), MEDIATYPE_Audio, 0, TRUE)},
        {"audio passes", NS_E_UNSUPPORTED_PROPERTY, SetPasses(info.Get(), MEDIATYPE_Audio, 1, 1)},
        // The video encoders also run at a constant quality or in two passes.
        {"video vbr on", S_OK, SetBool(info.Get(), MEDIATYPE_Video, 0, TRUE)},
        {"video passes 2", S_OK, SetPasses(info.Get(), MEDIATYPE_Video, 0, 2)},
        {"video passes 0", E_INVALIDARG, SetPasses(info.Get(), MEDIATYPE_Video, 0, 0)},
        {"video passes 3", E_INVALIDARG, SetPasses(info.Get(), MEDIATYPE_Video, 1, 3)},
        {"unknown name", NS_E_UNSUPPORTED_PROPERTY,
         info->SetCodecEnumerationSetting(MEDIATYPE_Video, 0, L"_COMPLEXITY", WMT_TYPE_DWORD,
                                          reinterpret_cast<const BYTE*>(&on), 4)},
        {"wrong type", E_INVALIDARG,
         info->SetCodecEnumerationSetting(MEDIATYPE_Video, 0, g_wszVBREnabled, WMT_TYPE_DWORD,
                                          reinterpret_cast<const BYTE*>(&on), 4)},
        {"wrong size", E_INVALIDARG,
         info->SetCodecEnumerationSetting(MEDIATYPE_Video, 0, g_wszVBREnabled, WMT_TYPE_BOOL,
                                          reinterpret_cast<const BYTE*>(&on), 2)},
        {"unknown codec", E_INVALIDARG, SetBool(info.Get(), MEDIATYPE_Audio, 2, FALSE)},
        {"null value", E_INVALIDARG,
         info->SetCodecEnumerationSetting(MEDIATYPE_Audio, 0, g_wszVBREnabled, WMT_TYPE_BOOL, nullptr, 4)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, c.actual) << c.what;

    // What was accepted is what the codec now enumerates with.
    WMT_ATTR_DATATYPE type{};
    DWORD value = 0;
    DWORD bytes = sizeof value;
    ASSERT_EQ(S_OK, info->GetCodecEnumerationSetting(MEDIATYPE_Video, 0, g_wszNumPasses, &type,
                                                     reinterpret_cast<BYTE*>(&value), &bytes));
    EXPECT_EQ(WMT_TYPE_DWORD, type);
    EXPECT_EQ(2u, value);
}

TEST(WmCodecInfo, FormatListsFollowTheSettingsOfEachManager)
{
    ComPtr<IWMCodecInfo3> first = NewCodecInfo();
    ComPtr<IWMCodecInfo3> second = NewCodecInfo();
    ASSERT_TRUE(first && second);

    // Audio: the measured constant-bit-rate formats; nothing with VBR on,
    // which the codec refuses anyway.
    EXPECT_EQ(78u, FormatCount(first.Get(), MEDIATYPE_Audio, 0));
    EXPECT_EQ(78u, FormatCount(first.Get(), MEDIATYPE_Audio, 1));
    EXPECT_EQ(L"24 kbps, 8 kHz, mono CBR", FormatDesc(first.Get(), MEDIATYPE_Audio, 0, 0));
    EXPECT_EQ(L"128 kbps, 44 kHz, stereo CBR", FormatDesc(first.Get(), MEDIATYPE_Audio, 0, 59));
    EXPECT_EQ(L"192 kbps, 48 kHz, stereo CBR", FormatDesc(first.Get(), MEDIATYPE_Audio, 0, 77));

    // Video: one format under every setting the codec takes.
    for (DWORD passes : {1u, 2u}) {
        ASSERT_EQ(S_OK, SetBool(first.Get(), MEDIATYPE_Video, 0, TRUE));
        ASSERT_EQ(S_OK, SetPasses(first.Get(), MEDIATYPE_Video, 0, passes));
        EXPECT_EQ(1u, FormatCount(first.Get(), MEDIATYPE_Video, 0)) << passes;
    }
    // The other manager still has its own settings (VBR off).
    WMT_ATTR_DATATYPE type{};
    BOOL vbr = TRUE;
    DWORD bytes = sizeof vbr;
    ASSERT_EQ(S_OK, second->GetCodecEnumerationSetting(MEDIATYPE_Video, 0, g_wszVBREnabled, &type,
                                                       reinterpret_cast<BYTE*>(&vbr), &bytes));
    EXPECT_EQ(FALSE, vbr);
    EXPECT_EQ(1u, FormatCount(second.Get(), MEDIATYPE_Video, 0));
}

TEST(WmCodecInfo, AudioFormatsCarryTheirWaveFormatAndBitRate)
{
    ComPtr<IWMCodecInfo3> info = NewCodecInfo();
    ASSERT_TRUE(info);
    struct Case {
        DWORD codec, format;
        WORD tag, channels;
        DWORD rate, bitrate;
        WORD blockAlign;
    } const cases[] = {
        {0, 77, WAVE_FORMAT_WMAUDIO2, 2, 48000, 192000, 1024},
        {0, 59, WAVE_FORMAT_WMAUDIO2, 2, 44100, 128000, 743},
        {1, 46, WAVE_FORMAT_MSAUDIO1, 2, 32000, 192000, 768},  // the first version's shorter frames
        {1, 0, WAVE_FORMAT_MSAUDIO1, 1, 8000, 24000, 192},
    };
    for (const Case& c : cases) {
        ComPtr<IWMStreamConfig> config;
        ASSERT_EQ(S_OK, info->GetCodecFormat(MEDIATYPE_Audio, c.codec, c.format, config.GetAddressOf()));
        DWORD bitrate = 0;
        ASSERT_EQ(S_OK, config->GetBitrate(&bitrate));
        EXPECT_EQ(c.bitrate, bitrate);

        std::vector<BYTE> buf = MediaTypeOf(config.Get());
        ASSERT_GE(buf.size(), sizeof(WM_MEDIA_TYPE) + sizeof(WAVEFORMATEX));
        WM_MEDIA_TYPE mt;
        std::memcpy(&mt, buf.data(), sizeof mt);
        EXPECT_EQ(MEDIATYPE_Audio, mt.majortype);
        EXPECT_EQ(FourCCGuid(c.tag), mt.subtype);
        EXPECT_EQ(FORMAT_WaveFormatEx, mt.formattype);
        ASSERT_EQ(sizeof(WAVEFORMATEX), mt.cbFormat);
        // The format block lies right behind the record.
        ASSERT_EQ(buf.data() + sizeof(WM_MEDIA_TYPE), mt.pbFormat);
        WAVEFORMATEX wave;
        std::memcpy(&wave, mt.pbFormat, sizeof wave);
        EXPECT_EQ(c.tag, wave.wFormatTag);
        EXPECT_EQ(c.channels, wave.nChannels);
        EXPECT_EQ(c.rate, wave.nSamplesPerSec);
        EXPECT_EQ(c.bitrate / 8, wave.nAvgBytesPerSec);
        EXPECT_EQ(c.blockAlign, wave.nBlockAlign);

        // The description call hands out the same configuration.
        ComPtr<IWMStreamConfig> viaDesc;
        DWORD chars = 0;
        ASSERT_EQ(S_OK, info->GetCodecFormatDesc(MEDIATYPE_Audio, c.codec, c.format, viaDesc.GetAddressOf(), nullptr,
                                                 &chars));
        ASSERT_TRUE(viaDesc);
        EXPECT_EQ(buf.size(), MediaTypeOf(viaDesc.Get()).size());
    }
}

TEST(WmCodecInfo, VideoFormatIsAVideoInfoHeaderOfTheCodec)
{
    ComPtr<IWMCodecInfo3> info = NewCodecInfo();
    ASSERT_TRUE(info);
    ComPtr<IWMStreamConfig> config;
    ASSERT_EQ(S_OK, info->GetCodecFormat(MEDIATYPE_Video, 1, 0, config.GetAddressOf()));
    std::vector<BYTE> buf = MediaTypeOf(config.Get());
    ASSERT_GE(buf.size(), sizeof(WM_MEDIA_TYPE) + sizeof(VIDEOINFOHEADER));
    WM_MEDIA_TYPE mt;
    std::memcpy(&mt, buf.data(), sizeof mt);
    EXPECT_EQ(WMMEDIASUBTYPE_WMV1, mt.subtype);
    EXPECT_EQ(FORMAT_VideoInfo, mt.formattype);
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, buf.data() + sizeof(WM_MEDIA_TYPE), sizeof vih);
    EXPECT_EQ(MAKEFOURCC('W', 'M', 'V', '1'), vih.bmiHeader.biCompression);

    ComPtr<IWMVideoMediaProps> video;
    EXPECT_EQ(S_OK, config.As(&video));
}

TEST(WmCodecInfo, MissingRuntimeAndTablesOfTheTestsOwn)
{
    WmSetRuntimePresentForTesting(false);
    IWMProfileManager* manager = reinterpret_cast<IWMProfileManager*>(&manager);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, WMCreateProfileManager(&manager));
    EXPECT_EQ(nullptr, manager);
    WmSetRuntimePresentForTesting(true);

    auto table = std::make_shared<CWmCodecTable>();
    SWmCodec codec;
    codec.sName = L"Test Audio";
    codec.majortype = MEDIATYPE_Audio;
    table->push_back(codec);
    WmSetCodecTableForTesting(table);
    ComPtr<IWMCodecInfo3> replaced = NewCodecInfo();
    WmSetCodecTableForTesting(nullptr);
    ComPtr<IWMCodecInfo3> builtIn = NewCodecInfo();
    ASSERT_TRUE(replaced && builtIn);
    EXPECT_EQ(L"Test Audio", CodecName(replaced.Get(), MEDIATYPE_Audio, 0));
    EXPECT_EQ(0u, FormatCount(replaced.Get(), MEDIATYPE_Audio, 0));
    EXPECT_EQ(L"Windows Media Audio 2", CodecName(builtIn.Get(), MEDIATYPE_Audio, 0));
}

// The table's audio rows against the encoders themselves: every format, made
// by the encoder behind its codec from one second of sine, gives a stream
// whose wave format says what the row says.
TEST(WmCodecTableAgainstEncoder, EveryAudioFormatEncodesAsListed)
{
    TempDir temp;
    for (const SWmCodec& codec : BuiltInWmCodecTable()) {
        if (codec.majortype != MEDIATYPE_Audio) continue;
        std::string command =
            "ffmpeg -nostdin -y -hide_banner -loglevel error -f lavfi -i "
            "sine=frequency=440:sample_rate=48000:duration=1";
        std::vector<WAVEFORMATEX> expected;
        for (const SWmCodecFormat& f : codec.formats) {
            ASSERT_EQ(sizeof(WAVEFORMATEX), f.format.size());
            WAVEFORMATEX w;
            std::memcpy(&w, f.format.data(), sizeof w);
            const DWORD avgBytes = w.nAvgBytesPerSec;
            EXPECT_EQ(avgBytes * 8, f.nBitrate);
            command += " -map 0 -ar " + std::to_string(w.nSamplesPerSec) + " -ac " + std::to_string(w.nChannels) +
                       " -c:a " + codec.sEncoder + " -b:a " + std::to_string(f.nBitrate) + " " +
                       temp.File(std::to_string(expected.size()) + ".wma");
            expected.push_back(w);
        }
        int exitCode = -1;
        std::string output = RunTool(command + " 2>&1", &exitCode);
        ASSERT_EQ(0, exitCode) << codec.sEncoder << ": " << output;
        for (size_t i = 0; i < expected.size(); ++i) {
            const WAVEFORMATEX& w = expected[i];
            std::string bytes = ReadBytes(temp.File(std::to_string(i) + ".wma"));
            // The stream's wave format begins with tag, channels and rate.
            char head[8];
            std::memcpy(head, &w.wFormatTag, 2);
            std::memcpy(head + 2, &w.nChannels, 2);
            std::memcpy(head + 4, &w.nSamplesPerSec, 4);
            size_t at = bytes.find(std::string(head, 8));
            ASSERT_NE(std::string::npos, at) << codec.sEncoder << " row " << i;
            ASSERT_LE(at + sizeof(WAVEFORMATEX), bytes.size());
            WAVEFORMATEX got;
            std::memcpy(&got, bytes.data() + at, sizeof got);
            // Copies: the packed fields may lie at any address.
            const DWORD wantBytes = w.nAvgBytesPerSec, gotBytes = got.nAvgBytesPerSec;
            const WORD wantAlign = w.nBlockAlign, gotAlign = got.nBlockAlign;
            EXPECT_EQ(wantBytes, gotBytes) << codec.sEncoder << " row " << i;
            EXPECT_EQ(wantAlign, gotAlign) << codec.sEncoder << " row " << i;
        }
    }
}

}  // namespace
