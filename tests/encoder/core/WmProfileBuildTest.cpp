// The Windows Media profile of an ASF job, built over the runtime's own
// codec table from the connections of a writer's input pins.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "encoder/core/EncSettings.h"
#include "encoder/core/WmProfileHelper.h"
#include "encoder/core/WmStreamBuilders.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/BasePin.h"
#include "platform/wmf/WmCodecTable.h"
#include "platform/wmf/WmProfileManager.h"

namespace {

constexpr CLSID kTestFilter{0x5A0E2301, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0}};

// A pin that takes any type and, as an output, offers one.
class CTestPin final : public CBasePin {
public:
    CTestPin(CBaseFilter* filter, const wchar_t* name, PIN_DIRECTION direction, const CMediaType& offered)
        : CBasePin(filter, name, direction), offered_(offered)
    {
    }
    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position != 0 || direction_ != PINDIR_OUTPUT) return VFW_S_NO_MORE_ITEMS;
        *type = offered_;
        return S_OK;
    }

private:
    CMediaType offered_;
};

class CTestFilter final : public CBaseFilter {
public:
    CTestFilter(IUnknown* outer, PIN_DIRECTION direction, const std::vector<CMediaType>& types)
        : CBaseFilter(L"Test", outer, kTestFilter)
    {
        for (size_t i = 0; i < types.size(); ++i)
            pins_.push_back(
                std::make_unique<CTestPin>(this, (L"Pin" + std::to_wstring(i)).c_str(), direction, types[i]));
    }
    int GetPinCount() override { return static_cast<int>(pins_.size()); }
    void DisconnectAll()
    {
        for (auto& pin : pins_) pin->Disconnect();
    }
    CBasePin* GetPin(int n) override
    {
        return n >= 0 && n < GetPinCount() ? pins_[static_cast<size_t>(n)].get() : nullptr;
    }

private:
    std::vector<std::unique_ptr<CTestPin>> pins_;
};

ComPtr<IBaseFilter> MakeFilter(PIN_DIRECTION direction, const std::vector<CMediaType>& types)
{
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(S_OK, CreateComObject<CTestFilter>(nullptr, IID_IBaseFilter,
                                                 reinterpret_cast<void**>(filter.GetAddressOf()), direction, types));
    return filter;
}

CMediaType VideoType(LONG width, LONG height, REFERENCE_TIME frameTime, const GUID& format = FORMAT_VideoInfo)
{
    CMediaType t(MEDIATYPE_Video);
    t.SetSubtype(MEDIASUBTYPE_I420);
    t.SetFormatType(format);
    if (format == FORMAT_VideoInfo) {
        VIDEOINFOHEADER vih{};
        vih.AvgTimePerFrame = frameTime;
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = width;
        vih.bmiHeader.biHeight = height;
        t.SetFormat(reinterpret_cast<BYTE*>(&vih), sizeof vih);
    } else if (format == FORMAT_VideoInfo2) {
        VIDEOINFOHEADER2 vih2{};
        vih2.AvgTimePerFrame = frameTime;
        vih2.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih2.bmiHeader.biWidth = width;
        vih2.bmiHeader.biHeight = height;
        t.SetFormat(reinterpret_cast<BYTE*>(&vih2), sizeof vih2);
    }
    return t;
}

CMediaType AudioType()
{
    CMediaType t(MEDIATYPE_Audio);
    t.SetSubtype(MEDIASUBTYPE_PCM);
    t.SetFormatType(FORMAT_WaveFormatEx);
    WAVEFORMATEX wave{};
    wave.wFormatTag = 1;
    wave.nChannels = 2;
    wave.nSamplesPerSec = 48000;
    wave.wBitsPerSample = 16;
    wave.nBlockAlign = 4;
    wave.nAvgBytesPerSec = 192000;
    t.SetFormat(reinterpret_cast<BYTE*>(&wave), sizeof wave);
    return t;
}

// A writer whose inputs are connected, in order, to outputs offering the
// types; a null entry leaves that input unconnected.
struct ConnectedWriter {
    ComPtr<IBaseFilter> writer;
    std::vector<ComPtr<IBaseFilter>> sources;
    // Connected pins hold each other: both ends are disconnected.
    ~ConnectedWriter()
    {
        for (const ComPtr<IBaseFilter>& f : sources) static_cast<CTestFilter*>(f.Get())->DisconnectAll();
        if (writer) static_cast<CTestFilter*>(writer.Get())->DisconnectAll();
    }
};

ConnectedWriter MakeWriter(const std::vector<const CMediaType*>& types)
{
    ConnectedWriter w;
    std::vector<CMediaType> inputs(types.size(), CMediaType());
    w.writer = MakeFilter(PINDIR_INPUT, inputs);
    auto* writer = static_cast<CTestFilter*>(w.writer.Get());
    for (size_t i = 0; i < types.size(); ++i) {
        if (!types[i]) continue;
        ComPtr<IBaseFilter> source = MakeFilter(PINDIR_OUTPUT, {*types[i]});
        auto* out = static_cast<CTestFilter*>(source.Get())->GetPin(0);
        EXPECT_EQ(S_OK, out->Connect(writer->GetPin(static_cast<int>(i)), types[i]));
        w.sources.push_back(source);
    }
    return w;
}

std::wstring WordText(IWMStreamConfig* config, HRESULT (IWMStreamConfig::*get)(WCHAR*, WORD*))
{
    WCHAR text[64] = {};
    WORD chars = 64;
    return SUCCEEDED((config->*get)(text, &chars)) ? text : L"<error>";
}

std::wstring Language(IWMStreamConfig* config)
{
    ComPtr<IWMStreamConfig3> c3;
    if (FAILED(config->QueryInterface(IID_IWMStreamConfig3, reinterpret_cast<void**>(c3.GetAddressOf()))))
        return L"<none>";
    WCHAR text[16] = {};
    WORD chars = 16;
    return SUCCEEDED(c3->GetLanguage(text, &chars)) ? text : L"<error>";
}

// The stream's media type with its format bytes.
struct StreamType {
    WM_MEDIA_TYPE mt{};
    std::vector<BYTE> format;
};

StreamType TypeOf(IWMStreamConfig* config)
{
    StreamType out;
    ComPtr<IWMMediaProps> props;
    EXPECT_EQ(S_OK, config->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(props.GetAddressOf())));
    DWORD bytes = 0;
    EXPECT_EQ(S_OK, props->GetMediaType(nullptr, &bytes));
    std::vector<BYTE> block(bytes);
    EXPECT_EQ(S_OK, props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(block.data()), &bytes));
    std::memcpy(&out.mt, block.data(), sizeof out.mt);
    out.format.assign(block.begin() + sizeof(WM_MEDIA_TYPE), block.end());
    return out;
}

VIDEOINFOHEADER VideoInfoOf(IWMStreamConfig* config)
{
    StreamType t = TypeOf(config);
    VIDEOINFOHEADER vih{};
    EXPECT_GE(t.format.size(), sizeof vih);
    if (t.format.size() >= sizeof vih) std::memcpy(&vih, t.format.data(), sizeof vih);
    return vih;
}

DWORD VaultDword(IWMStreamConfig* config, const wchar_t* name, HRESULT* hr = nullptr)
{
    ComPtr<IWMPropertyVault> vault;
    HRESULT ignored = S_OK;
    HRESULT& status = hr ? *hr : ignored;
    status = config->QueryInterface(IID_IWMPropertyVault, reinterpret_cast<void**>(vault.GetAddressOf()));
    if (FAILED(status)) return 0xDEADBEEF;
    WMT_ATTR_DATATYPE type = WMT_TYPE_STRING;
    DWORD value = 0xDEADBEEF, bytes = sizeof value;
    status = vault->GetPropertyByName(name, &type, reinterpret_cast<BYTE*>(&value), &bytes);
    return value;
}

class WmProfileBuildTest : public ::testing::Test {
protected:
    void SetUp() override { settings = std::make_unique<CEncSettings>(); }
    void TearDown() override
    {
        settings.reset();
        WmSetRuntimePresentForTesting(true);
    }
    HRESULT Build(const std::vector<const CMediaType*>& types, ComPtr<IWMProfile>* profile)
    {
        ConnectedWriter w = MakeWriter(types);
        IWMProfile* raw = reinterpret_cast<IWMProfile*>(&w);  // must be cleared on failure
        HRESULT hr = settings->WmvEncoder.CreateProfile(&raw, w.writer.Get(), settings.get());
        profile->Attach(raw);
        return hr;
    }
    ComPtr<IWMStreamConfig> Stream(IWMProfile* profile, DWORD index)
    {
        ComPtr<IWMStreamConfig> config;
        EXPECT_EQ(S_OK, profile->GetStream(index, config.GetAddressOf()));
        return config;
    }
    std::unique_ptr<CEncSettings> settings;
};

TEST_F(WmProfileBuildTest, AudioThenVideoPinsGiveNumberedNamedStreamsInKorean)
{
    const CMediaType audio = AudioType();
    const CMediaType video = VideoType(640, 480, 400000);
    settings->WmvEncoder.nVideoKBitrate = 800;
    settings->WmvEncoder.nSecPerKeyframe = 4;
    settings->WmvEncoder.nVideoQuality = 70;
    settings->WmvEncoder.sAudioFormat = L"128 kbps, 44 kHz, stereo CBR";
    ComPtr<IWMProfile> profile;
    // The middle input is not connected and is skipped.
    ASSERT_EQ(S_OK, Build({&audio, nullptr, &video}, &profile));
    ASSERT_TRUE(profile);

    WCHAR name[32] = {};
    DWORD chars = 32;
    ASSERT_EQ(S_OK, profile->GetName(name, &chars));
    EXPECT_STREQ(L"RIVO_ENCODER", name);
    WMT_VERSION version = WMT_VER_4_0;
    ASSERT_EQ(S_OK, profile->GetVersion(&version));
    EXPECT_EQ(WMT_VER_9_0, version);
    DWORD count = 0;
    ASSERT_EQ(S_OK, profile->GetStreamCount(&count));
    ASSERT_EQ(2u, count);

    struct Expected {
        GUID type;
        WORD number;
        const wchar_t* name;
        const wchar_t* connection;
    } const expected[] = {{MEDIATYPE_Audio, 1, L"Audio1", L"HAsfWriter1"},
                          {MEDIATYPE_Video, 2, L"Video2", L"HAsfWriter2"}};
    for (DWORD i = 0; i < 2; ++i) {
        ComPtr<IWMStreamConfig> s = Stream(profile.Get(), i);
        ASSERT_TRUE(s);
        GUID type{};
        WORD number = 0;
        DWORD window = 0;
        ASSERT_EQ(S_OK, s->GetStreamType(&type));
        ASSERT_EQ(S_OK, s->GetStreamNumber(&number));
        ASSERT_EQ(S_OK, s->GetBufferWindow(&window));
        EXPECT_EQ(expected[i].type, type) << i;
        EXPECT_EQ(expected[i].number, number) << i;
        EXPECT_EQ(expected[i].name, WordText(s.Get(), &IWMStreamConfig::GetStreamName)) << i;
        EXPECT_EQ(expected[i].connection, WordText(s.Get(), &IWMStreamConfig::GetConnectionName)) << i;
        EXPECT_EQ(L"ko", Language(s.Get())) << i;
        EXPECT_EQ(3000u, window) << i;
        EXPECT_EQ(0u, VaultDword(s.Get(), L"_VBRENABLED")) << i;
    }

    // Audio: the chosen format of the chosen codec, as the runtime lists it.
    ComPtr<IWMStreamConfig> a = Stream(profile.Get(), 0);
    DWORD bitrate = 0;
    ASSERT_EQ(S_OK, a->GetBitrate(&bitrate));
    EXPECT_EQ(128000u, bitrate);
    StreamType at = TypeOf(a.Get());
    EXPECT_EQ(WMMEDIASUBTYPE_WMAudioV2, at.mt.subtype);
    ASSERT_GE(at.format.size(), sizeof(WAVEFORMATEX));
    WAVEFORMATEX wave;
    std::memcpy(&wave, at.format.data(), sizeof wave);
    EXPECT_EQ(44100u, wave.nSamplesPerSec);
    EXPECT_EQ(2, wave.nChannels);

    // Video: the connection's size at 25 frames per second.
    ComPtr<IWMStreamConfig> v = Stream(profile.Get(), 1);
    ASSERT_EQ(S_OK, v->GetBitrate(&bitrate));
    EXPECT_EQ(800u * 1024, bitrate);
    StreamType vt = TypeOf(v.Get());
    EXPECT_EQ(WMMEDIASUBTYPE_WMV2, vt.mt.subtype);
    VIDEOINFOHEADER vih = VideoInfoOf(v.Get());
    EXPECT_EQ(640, vih.bmiHeader.biWidth);
    EXPECT_EQ(480, vih.bmiHeader.biHeight);
    EXPECT_EQ(640, vih.rcSource.right);
    EXPECT_EQ(480, vih.rcTarget.bottom);
    EXPECT_EQ(800u * 1024, vih.dwBitRate);
    EXPECT_EQ(400000, vih.AvgTimePerFrame);
    ComPtr<IWMVideoMediaProps> vp;
    ASSERT_EQ(S_OK, v.As(&vp));
    DWORD quality = 0;
    LONGLONG spacing = 0;
    ASSERT_EQ(S_OK, vp->GetQuality(&quality));
    ASSERT_EQ(S_OK, vp->GetMaxKeyFrameSpacing(&spacing));
    EXPECT_EQ(70u, quality);
    EXPECT_EQ(40000000, spacing);
    EXPECT_EQ(70u, VaultDword(v.Get(), L"_VBRQUALITY"));
    HRESULT hr = S_OK;
    VaultDword(v.Get(), L"_RMAX", &hr);
    EXPECT_EQ(NS_E_UNSUPPORTED_PROPERTY, hr);  // rate-control mode 1 sets no peak rate
}

TEST_F(WmProfileBuildTest, FrameRateAndTheQualityItRaises)
{
    struct Case {
        const char* what;
        int rate, scale;
        REFERENCE_TIME frameTime;
        int storedQuality;
        LONGLONG expectedFrameTime;
        DWORD expectedQuality;
    } const cases[] = {
        {"settings 30000/1000", 30000, 1000, 400000, 10, 333333, 30},
        {"settings 30000/1001 rounds to 30", 30000, 1001, 0, 10, 333333, 30},
        {"no settings rate: the connection's 25", 0, 1000, 400000, 10, 400000, 25},
        {"neither: 30", 0, 0, 0, 10, 333333, 30},
        {"stored 20 at 25 is raised", 0, 0, 400000, 20, 400000, 25},
        {"stored above the rate stays", 0, 0, 400000, 90, 400000, 90},
        {"a third of a frame a second is 1, not a division by 0", 1, 3, 0, 0, 10000000, 1},
        {"3 s per frame is 1", 0, 0, 30000000, 0, 10000000, 1},
        {"a negative frame time is 1", 0, 0, -5, 0, 10000000, 1},
        {"120 frames a second raise the quality to 100 at most", 120, 1, 0, 50, 83333, 100},
    };
    const CMediaType audio = AudioType();
    for (const Case& c : cases) {
        settings->nVideoFrameRate = c.rate;
        settings->nVideoFrameScale = c.scale;
        settings->WmvEncoder.nVideoQuality = c.storedQuality;
        const CMediaType video = VideoType(320, 240, c.frameTime);
        ComPtr<IWMProfile> profile;
        ASSERT_EQ(S_OK, Build({&video, &audio}, &profile)) << c.what;
        ComPtr<IWMStreamConfig> v = Stream(profile.Get(), 0);
        ASSERT_TRUE(v) << c.what;
        EXPECT_EQ(c.expectedFrameTime, VideoInfoOf(v.Get()).AvgTimePerFrame) << c.what;
        ComPtr<IWMVideoMediaProps> vp;
        ASSERT_EQ(S_OK, v.As(&vp));
        DWORD quality = 0;
        ASSERT_EQ(S_OK, vp->GetQuality(&quality));
        EXPECT_EQ(c.expectedQuality, quality) << c.what;
        // The user's own setting is never changed by a build.
        EXPECT_EQ(c.storedQuality, settings->WmvEncoder.nVideoQuality) << c.what;
    }
}

TEST_F(WmProfileBuildTest, PictureFormatsAndTopDownPictures)
{
    const struct {
        const char* what;
        CMediaType type;
        LONG height;
    } cases[] = {
        {"second video information header", VideoType(352, 288, 400000, FORMAT_VideoInfo2), 288},
        {"top-down picture", VideoType(352, -288, 400000), 288},
    };
    for (const auto& c : cases) {
        ComPtr<IWMProfile> profile;
        ASSERT_EQ(S_OK, Build({&c.type}, &profile)) << c.what;
        VIDEOINFOHEADER vih = VideoInfoOf(Stream(profile.Get(), 0).Get());
        EXPECT_EQ(352, vih.bmiHeader.biWidth) << c.what;
        EXPECT_EQ(c.height, vih.bmiHeader.biHeight) << c.what;
        EXPECT_EQ(400000, vih.AvgTimePerFrame) << c.what;
    }
}

TEST_F(WmProfileBuildTest, FailuresLeaveNoProfile)
{
    CMediaType text(MEDIATYPE_Text);
    const CMediaType audio = AudioType();
    const CMediaType video = VideoType(320, 240, 400000);
    CMediaType noFormat(MEDIATYPE_Video);
    noFormat.SetSubtype(MEDIASUBTYPE_I420);

    struct Case {
        const char* what;
        std::vector<const CMediaType*> pins;
        void (*change)(CEncSettings&);
        HRESULT expected;
    } const cases[] = {
        {"a subtitle pin", {&audio, &text, &video}, nullptr, E_UNEXPECTED},
        {"a video pin without a picture format", {&noFormat}, nullptr, E_UNEXPECTED},
        {"an audio codec this machine lacks",
         {&audio},
         [](CEncSettings& s) { s.WmvEncoder.sAudioCodec = L"Windows Media Audio 9 Voice"; },
         E_FAIL},
    };
    for (const Case& c : cases) {
        settings = std::make_unique<CEncSettings>();
        if (c.change) c.change(*settings);
        ComPtr<IWMProfile> profile;
        EXPECT_EQ(c.expected, Build(c.pins, &profile)) << c.what;
        EXPECT_FALSE(profile) << c.what;
    }
}

TEST_F(WmProfileBuildTest, UnknownAudioFormatFallsBackToTheLastOneListed)
{
    settings->WmvEncoder.sAudioFormat = L"No Such Format";
    const CMediaType audio = AudioType();
    ComPtr<IWMProfile> profile;
    ASSERT_EQ(S_OK, Build({&audio}, &profile));
    DWORD bitrate = 0;
    ASSERT_EQ(S_OK, Stream(profile.Get(), 0)->GetBitrate(&bitrate));
    EXPECT_EQ(192000u, bitrate);  // the best format of the codec is listed last
}

TEST_F(WmProfileBuildTest, WithoutTheRuntimeThereIsNoCodecInformation)
{
    WmSetRuntimePresentForTesting(false);
    settings = std::make_unique<CEncSettings>();
    const CMediaType audio = AudioType();
    ComPtr<IWMProfile> profile;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, Build({&audio}, &profile));
    EXPECT_EQ(E_POINTER, settings->WmvEncoder.AddStreams(nullptr, nullptr, settings.get()));
}

TEST(WmStreamBuilders, MediaTypeCopyIsOneBlockOfThisBuildsRecordSize)
{
    WM_MEDIA_TYPE* copy = reinterpret_cast<WM_MEDIA_TYPE*>(&copy);
    EXPECT_EQ(E_NOTIMPL, CopyWmMediaType(&copy, nullptr));
    EXPECT_EQ(nullptr, copy);
    WM_MEDIA_TYPE source{};
    EXPECT_EQ(E_POINTER, CopyWmMediaType(nullptr, &source));

    BYTE format[37];
    for (size_t i = 0; i < sizeof format; ++i) format[i] = static_cast<BYTE>(i * 7);
    source.majortype = MEDIATYPE_Audio;
    source.subtype = WMMEDIASUBTYPE_WMAudioV2;
    source.formattype = FORMAT_WaveFormatEx;
    source.lSampleSize = 1024;
    source.pUnk = reinterpret_cast<IUnknown*>(&source);
    source.cbFormat = sizeof format;
    source.pbFormat = format;
    ASSERT_EQ(S_OK, CopyWmMediaType(&copy, &source));
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(reinterpret_cast<BYTE*>(copy) + sizeof(WM_MEDIA_TYPE), copy->pbFormat);
    EXPECT_EQ(0, std::memcmp(copy->pbFormat, format, sizeof format));
    EXPECT_EQ(WMMEDIASUBTYPE_WMAudioV2, copy->subtype);
    EXPECT_EQ(1024u, copy->lSampleSize);
    EXPECT_EQ(nullptr, copy->pUnk);
    CoTaskMemFree(copy);

    source.pbFormat = nullptr;
    EXPECT_EQ(E_INVALIDARG, CopyWmMediaType(&copy, &source));
    source.cbFormat = 0;
    ASSERT_EQ(S_OK, CopyWmMediaType(&copy, &source));
    EXPECT_EQ(nullptr, copy->pbFormat);
    CoTaskMemFree(copy);
}

TEST(WmStreamBuilders, VideoRateControlModesSetTheirProperties)
{
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    ComPtr<IWMProfileManager> manager;
    ASSERT_EQ(S_OK, WMCreateProfileManager(manager.GetAddressOf()));
    ComPtr<IWMCodecInfo3> info;
    ASSERT_EQ(S_OK, manager.As(&info));
    ComPtr<IWMProfile> profile;
    ASSERT_EQ(S_OK, manager->CreateEmptyProfile(WMT_VER_9_0, profile.GetAddressOf()));

    constexpr DWORD kAbsent = 0xDEADBEEF;
    struct Case {
        DWORD mode;
        BOOL vbr;
        DWORD peakBuffer;
        HRESULT expected;
        DWORD quality, rmax, bmax;
    } const cases[] = {
        {0, FALSE, 0, S_OK, kAbsent, kAbsent, kAbsent},   {1, FALSE, 0, S_OK, 60, kAbsent, kAbsent},
        {1, TRUE, 0, S_OK, 60, kAbsent, kAbsent},         {2, TRUE, 3000, S_OK, kAbsent, 900, 3000},
        {2, TRUE, 0, S_OK, kAbsent, 900, kAbsent},        {3, TRUE, 3000, S_OK, kAbsent, kAbsent, kAbsent},
        {4, FALSE, 0, E_FAIL, kAbsent, kAbsent, kAbsent},
    };
    for (const Case& c : cases) {
        ComPtr<IWMStreamConfig> config;
        HRESULT hr = BuildVideoStreamConfig(config.GetAddressOf(), info.Get(), profile.Get(), 1, 500000, 3000, 176, 144,
                                            15, 60, 2, c.vbr, c.mode, 60, 900, c.peakBuffer, 0x0409);
        ASSERT_EQ(c.expected, hr) << c.mode;
        if (FAILED(hr)) {
            EXPECT_FALSE(config);
            continue;
        }
        EXPECT_EQ(static_cast<DWORD>(c.vbr), VaultDword(config.Get(), L"_VBRENABLED")) << c.mode;
        EXPECT_EQ(c.quality, VaultDword(config.Get(), L"_VBRQUALITY")) << c.mode;
        EXPECT_EQ(c.rmax, VaultDword(config.Get(), L"_RMAX")) << c.mode;
        EXPECT_EQ(c.bmax, VaultDword(config.Get(), L"_BMAX")) << c.mode;
        EXPECT_EQ(L"en-us", Language(config.Get()));
        StreamType t = TypeOf(config.Get());
        EXPECT_EQ(WMMEDIASUBTYPE_WMV1, t.mt.subtype) << c.mode;  // codec 1
        EXPECT_EQ(666666, VideoInfoOf(config.Get()).AvgTimePerFrame) << c.mode;
    }

    ComPtr<IWMStreamConfig> config;
    EXPECT_EQ(E_INVALIDARG, BuildVideoStreamConfig(config.GetAddressOf(), info.Get(), nullptr, 0, 1, 1, 16, 16, 15, 0,
                                                   1, FALSE, 0, 0, 0, 0, 1042));
    EXPECT_EQ(E_POINTER, BuildAudioStreamConfig(nullptr, info.Get(), profile.Get(), 3000, 0, 0, FALSE, 0, 1042));
    // A locale the multi-language service does not know fails the stream.
    EXPECT_EQ(E_INVALIDARG,
              BuildAudioStreamConfig(config.GetAddressOf(), info.Get(), profile.Get(), 3000, 0, 0, FALSE, 0, 0x7FFF));
    EXPECT_FALSE(config);
    WM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(E_INVALIDARG, BuildVideoMediaType(&type, info.Get(), 0, 0, 16, 16, 1000, FALSE, 0));
    EXPECT_EQ(nullptr, type);
    profile = nullptr;
    info = nullptr;
    manager = nullptr;
    CoUninitialize();
}

}  // namespace
