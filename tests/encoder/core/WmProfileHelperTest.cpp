#include "encoder/core/WmProfileHelper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "encoder/core/WmFormatHelpers.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaType.h"
#include "platform/wmf/WmCodecTable.h"
#include "tests/support/TempDir.h"

namespace {

// Every test leaves the runtime as it found it: present, with its own table.
class WmProfileHelperTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        WmSetCodecTableForTesting(nullptr);
        WmSetRuntimePresentForTesting(true);
    }
    static void UseTable(const CWmCodecTable& table)
    {
        WmSetCodecTableForTesting(std::make_shared<CWmCodecTable>(table));
    }
};

SWmCodecFormat AudioFormat(const wchar_t* description, DWORD bitrate, bool vbr = false, DWORD passes = 0,
                           const GUID& formattype = FORMAT_WaveFormatEx, size_t formatBytes = sizeof(WAVEFORMATEX))
{
    WAVEFORMATEX wave{};
    wave.wFormatTag = 0x0161;
    wave.nChannels = 2;
    wave.nSamplesPerSec = 48000;
    wave.nAvgBytesPerSec = bitrate / 8;
    wave.nBlockAlign = 1024;
    SWmCodecFormat f;
    f.bVbr = vbr;
    f.nPasses = passes;
    f.sDescription = description;
    f.subtype = FourCCGuid(0x0161);
    f.formattype = formattype;
    f.format.resize(formatBytes);
    std::memcpy(f.format.data(), &wave, formatBytes < sizeof wave ? formatBytes : sizeof wave);
    f.nBitrate = bitrate;
    return f;
}

SWmCodec Codec(const wchar_t* name, const GUID& major, std::vector<SWmCodecFormat> formats = {},
               bool vbrCapable = false)
{
    SWmCodec c;
    c.sName = name;
    c.majortype = major;
    c.bVbrCapable = vbrCapable;
    c.nMaxPasses = vbrCapable ? 2 : 0;
    c.formats = std::move(formats);
    return c;
}

std::vector<std::wstring> Names(const CStringArray& names)
{
    std::vector<std::wstring> out;
    for (int i = 0; i < names.GetSize(); ++i) out.push_back(names[i].str());
    return out;
}

TEST_F(WmProfileHelperTest, ListsTheRuntimesCodecsAndResolvesTheStandardDefaults)
{
    CWmProfileHelper helper;
    ASSERT_NE(nullptr, helper.GetCodecInfo());
    EXPECT_EQ((std::vector<std::wstring>{L"Windows Media Video 8", L"Windows Media Video 7"}),
              Names(helper.GetVideoCodecNames()));
    EXPECT_EQ((std::vector<std::wstring>{L"Windows Media Audio 2", L"Windows Media Audio 1"}),
              Names(helper.GetAudioCodecNames()));

    // The standard names are not installed here: the fallbacks give codec 0
    // and the last format examined, the best one listed.
    EXPECT_EQ(L"Windows Media Video 8", helper.sVideoCodec);
    EXPECT_EQ(L"Windows Media Audio 2", helper.sAudioCodec);
    EXPECT_EQ(L"192 kbps, 48 kHz, stereo CBR", helper.sAudioFormat);
    EXPECT_EQ(1024, helper.nVideoKBitrate);
    EXPECT_EQ(10, helper.nSecPerKeyframe);
    EXPECT_EQ(100, helper.nVideoQuality);
    EXPECT_EQ(192000, helper.GetAudioBitrate());

    helper.sAudioCodec = L"Windows Media Audio 1";
    helper.sAudioFormat = L"32 kbps, 8 kHz, mono CBR";
    EXPECT_EQ(32000, helper.GetAudioBitrate());
    helper.sAudioFormat = L"VBR Quality 90, 48 kHz, stereo VBR";  // not listed: no bit rate to tell
    EXPECT_EQ(64000, helper.GetAudioBitrate());
}

TEST_F(WmProfileHelperTest, CodecLookupsAndTheirFallbacks)
{
    struct Case {
        std::vector<const wchar_t*> audio;
        const wchar_t* name;
        BOOL fallback;
        int expected;
    } const cases[] = {
        {{L"A", L"B"}, L"B", FALSE, 1},
        {{L"A", L"B"}, L"b", FALSE, -1},  // exact, case included
        {{L"A", L"B"}, L"C", FALSE, -1},
        {{L"A", L"B"}, L"C", TRUE, 0},
        {{L"A", L"Windows Media Audio 9.1", L"Windows Media Audio 9"}, L"C", TRUE, 2},
        {{L"A", L"Windows Media Audio 9.1"}, L"C", TRUE, 1},
        {{}, L"C", TRUE, -1},  // no codec to fall back to
    };
    for (const Case& c : cases) {
        CWmCodecTable table;
        for (const wchar_t* name : c.audio) table.push_back(Codec(name, MEDIATYPE_Audio));
        table.push_back(Codec(L"Other Video", MEDIATYPE_Video));
        table.push_back(Codec(L"Windows Media Video 9", MEDIATYPE_Video));
        UseTable(table);
        CWmProfileHelper helper;
        EXPECT_EQ(c.expected, helper.FindAudioCodec(c.name, c.fallback)) << c.audio.size() << " " << c.fallback;
        EXPECT_EQ(1, helper.FindVideoCodec(L"Missing", TRUE));
        EXPECT_EQ(-1, helper.FindVideoCodec(L"Missing", FALSE));
    }
}

TEST_F(WmProfileHelperTest, FormatReferencesOverTheThreeEnumerations)
{
    // Constant-bit-rate formats, and one quality format listed only with VBR
    // on for one pass.
    UseTable({Codec(L"Windows Media Audio 9", MEDIATYPE_Audio,
                    {AudioFormat(L"64 kbps CBR", 64000), AudioFormat(L"96 kbps CBR", 96000),
                     AudioFormat(L"VBR Quality 90, 48 kHz, stereo VBR", 128000, true, 1),
                     AudioFormat(L"two-pass", 160000, true, 2)},
                    true)});
    CWmProfileHelper helper;
    EXPECT_EQ(L"Windows Media Audio 9", helper.sAudioCodec);
    EXPECT_EQ(L"VBR Quality 90, 48 kHz, stereo VBR", helper.sAudioFormat);

    struct Case {
        const wchar_t* codec;
        const wchar_t* description;
        BOOL fallback;
        int reference;
        HRESULT status;
    } const cases[] = {
        {L"Windows Media Audio 9", L"96 kbps CBR", FALSE, 1, S_OK},
        {L"Windows Media Audio 9", L"VBR Quality 90, 48 kHz, stereo VBR", FALSE, 5000, S_OK},
        // Two-pass formats are in none of the three enumerations.
        {L"Windows Media Audio 9", L"two-pass", FALSE, -1, S_OK},
        // With fallback: the last format examined, in the third enumeration.
        {L"Windows Media Audio 9", L"missing", TRUE, 5000, S_OK},
        {L"Missing Codec", L"96 kbps CBR", TRUE, -1, E_INVALIDARG},
    };
    for (const Case& c : cases) {
        HRESULT status = E_UNEXPECTED;
        EXPECT_EQ(c.reference, helper.FindAudioFormat(c.codec, c.description, c.fallback, &status))
            << WideToUtf8(c.description);
        EXPECT_EQ(c.status, status) << WideToUtf8(c.description);
    }

    // The bit rate of a third-enumeration format is asked with VBR on for one
    // pass: its own 128000, not the first constant-bit-rate format's 64000.
    EXPECT_EQ(128000, helper.GetAudioBitrate());
    helper.sAudioFormat = L"96 kbps CBR";
    EXPECT_EQ(96000, helper.GetAudioBitrate());
}

TEST_F(WmProfileHelperTest, FallbackWithoutAnyFormatIsZeroAndFormatsThatAreNoWaveFormatReportTheDefaultRate)
{
    UseTable({Codec(L"Empty", MEDIATYPE_Audio),
              Codec(L"Odd", MEDIATYPE_Audio,
                    {AudioFormat(L"not a wave format", 256000, false, 0, FORMAT_None),
                     AudioFormat(L"cut wave format", 256000, false, 0, FORMAT_WaveFormatEx, 10)})});
    CWmProfileHelper helper;
    EXPECT_EQ(0, helper.FindAudioFormat(L"Empty", L"anything", TRUE));
    EXPECT_EQ(-1, helper.FindAudioFormat(L"Empty", L"anything", FALSE));

    helper.sAudioCodec = L"Odd";
    for (const wchar_t* description : {L"not a wave format", L"cut wave format"}) {
        helper.sAudioFormat = description;
        EXPECT_EQ(64000, helper.GetAudioBitrate()) << WideToUtf8(description);
    }
}

TEST_F(WmProfileHelperTest, WithoutTheRuntimeEveryLookupFails)
{
    WmSetRuntimePresentForTesting(false);
    CWmProfileHelper helper;
    EXPECT_EQ(nullptr, helper.GetCodecInfo());
    EXPECT_TRUE(helper.GetVideoCodecNames().IsEmpty());
    EXPECT_TRUE(helper.GetAudioCodecNames().IsEmpty());
    // The standard names stay: there is nothing to resolve them against.
    EXPECT_EQ(L"Windows Media Video 9", helper.sVideoCodec);
    EXPECT_EQ(L"Windows Media Audio 9", helper.sAudioCodec);
    EXPECT_EQ(L"VBR Quality 90, 48 kHz, stereo VBR", helper.sAudioFormat);

    EXPECT_EQ(-1, helper.FindVideoCodec(L"Windows Media Video 9", TRUE));
    EXPECT_EQ(-1, helper.FindAudioCodec(L"Windows Media Audio 9", TRUE));
    HRESULT status = S_OK;
    EXPECT_EQ(-1, helper.FindAudioFormat(helper.sAudioCodec, helper.sAudioFormat, TRUE, &status));
    EXPECT_EQ(E_POINTER, status);
    EXPECT_EQ(64000, helper.GetAudioBitrate());
    EXPECT_EQ(0u, GetCodecFormatCount(nullptr, MEDIATYPE_Audio, 0, FALSE, 0));

    WM_MEDIA_TYPE* type = reinterpret_cast<WM_MEDIA_TYPE*>(&status);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, GetCodecFormatMediaType(&type, nullptr, nullptr, MEDIATYPE_Audio, 0, 0));
    EXPECT_EQ(nullptr, type);

    // Enumerating again once the runtime is there fills the lists.
    WmSetRuntimePresentForTesting(true);
    helper.EnumerateCodecs();
    EXPECT_EQ(2, helper.GetAudioCodecNames().GetSize());
}

// A codec information object that records the enumeration settings it is
// given and answers them with a chosen status.
class RecordingCodecInfo final : public IWMCodecInfo3 {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetCodecInfoCount(REFGUID, DWORD*) override { return E_NOTIMPL; }
    HRESULT GetCodecFormatCount(REFGUID, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT GetCodecFormat(REFGUID, DWORD, DWORD, IWMStreamConfig**) override { return E_NOTIMPL; }
    HRESULT GetCodecName(REFGUID, DWORD, WCHAR*, DWORD*) override { return E_NOTIMPL; }
    HRESULT GetCodecFormatDesc(REFGUID, DWORD, DWORD, IWMStreamConfig**, WCHAR*, DWORD*) override { return E_NOTIMPL; }
    HRESULT GetCodecFormatProp(REFGUID, DWORD, DWORD, LPCWSTR, WMT_ATTR_DATATYPE*, BYTE*, DWORD*) override
    {
        return E_NOTIMPL;
    }
    HRESULT GetCodecProp(REFGUID, DWORD, LPCWSTR, WMT_ATTR_DATATYPE*, BYTE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT SetCodecEnumerationSetting(REFGUID, DWORD, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE* value,
                                       DWORD bytes) override
    {
        DWORD v = 0;
        std::memcpy(&v, value, sizeof v);
        calls +=
            WideToUtf8(name) + "=" + std::to_string(v) + "/" + std::to_string(type) + "/" + std::to_string(bytes) + " ";
        return answer;
    }
    HRESULT GetCodecEnumerationSetting(REFGUID, DWORD, LPCWSTR, WMT_ATTR_DATATYPE*, BYTE*, DWORD*) override
    {
        return E_NOTIMPL;
    }

    ULONG refs = 1;
    HRESULT answer = S_OK;
    std::string calls;
};

TEST(WmFormatHelpers, VbrSettingsAreSetInOrderAndAnUnknownSettingWhileOffIsNoFailure)
{
    struct Case {
        BOOL vbr;
        DWORD passes;
        HRESULT answer;
        HRESULT expected;
        const char* calls;
    } const cases[] = {
        {FALSE, 2, S_OK, S_OK, "_VBRENABLED=0/3/4 "},
        {TRUE, 2, S_OK, S_OK, "_VBRENABLED=1/3/4 _PASSESUSED=2/0/4 "},
        {FALSE, 0, NS_E_UNSUPPORTED_PROPERTY, S_OK, "_VBRENABLED=0/3/4 "},
        {TRUE, 1, NS_E_UNSUPPORTED_PROPERTY, NS_E_UNSUPPORTED_PROPERTY, "_VBRENABLED=1/3/4 "},
        {TRUE, 1, E_FAIL, E_FAIL, "_VBRENABLED=1/3/4 "},
    };
    for (const Case& c : cases) {
        RecordingCodecInfo info;
        info.answer = c.answer;
        EXPECT_EQ(c.expected, SetCodecVBRSettings(&info, MEDIATYPE_Audio, 0, c.vbr, c.passes)) << c.calls;
        EXPECT_EQ(c.calls, info.calls);
    }
    EXPECT_EQ(E_INVALIDARG, SetCodecVBRSettings(nullptr, MEDIATYPE_Audio, 0, FALSE, 0));
}

TEST(WmFormatHelpers, ProfileManagerOfAnExistingInterfaceIsThatOneWithAReference)
{
    RecordingCodecInfo info;
    IWMCodecInfo3* held = &info;
    EXPECT_EQ(S_OK, CreateWMProfileManager(&held));
    EXPECT_EQ(&info, held);
    EXPECT_EQ(2u, info.refs);
    EXPECT_EQ(E_POINTER, CreateWMProfileManager(nullptr));

    IWMCodecInfo3* fresh = nullptr;
    ASSERT_EQ(S_OK, CreateWMProfileManager(&fresh));
    ASSERT_NE(nullptr, fresh);
    fresh->Release();
}

TEST(WmFormatHelpers, FormatMediaTypeIsOneBlockWithItsConfiguration)
{
    ComPtr<IWMCodecInfo3> info;
    ASSERT_EQ(S_OK, CreateWMProfileManager(info.GetAddressOf()));
    IWMStreamConfig* config = nullptr;
    WM_MEDIA_TYPE* type = nullptr;
    // The settings need the caller's codec information.
    EXPECT_EQ(E_INVALIDARG, GetCodecFormatWithVBR(&type, nullptr, &config, MEDIATYPE_Audio, 0, 77, FALSE, 0));
    // Audio codec 0, VBR off: the last format is 192 kbps, 48 kHz, stereo.
    ASSERT_EQ(S_OK, GetCodecFormatWithVBR(&type, info.Get(), &config, MEDIATYPE_Audio, 0, 77, FALSE, 0));
    ASSERT_NE(nullptr, type);
    ASSERT_NE(nullptr, config);
    EXPECT_EQ(FORMAT_WaveFormatEx, type->formattype);
    EXPECT_EQ(reinterpret_cast<BYTE*>(type) + sizeof(WM_MEDIA_TYPE), type->pbFormat);
    DWORD bitrate = 0;
    EXPECT_EQ(S_OK, config->GetBitrate(&bitrate));
    EXPECT_EQ(192000u, bitrate);
    config->Release();
    CoTaskMemFree(type);

    // No such format (a manager of its own for the call): nothing handed out.
    type = reinterpret_cast<WM_MEDIA_TYPE*>(&bitrate);
    config = reinterpret_cast<IWMStreamConfig*>(&bitrate);
    EXPECT_EQ(E_INVALIDARG, GetCodecFormatMediaType(&type, nullptr, &config, MEDIATYPE_Audio, 0, 78));
    EXPECT_EQ(nullptr, type);
    EXPECT_EQ(nullptr, config);
}

}  // namespace
