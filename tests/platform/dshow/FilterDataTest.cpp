// FilterData blobs: written from REGFILTER2, parsed back, and refused
// without harm when cut short or forged.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/FilterData.h"
#include "platform/dshow/FilterMapper.h"
#include "platform/dshow/MediaGuids.h"

namespace {

ComPtr<IAMFilterData> Data()
{
    ComPtr<IAMFilterData> d;
    EXPECT_EQ(CFilterMapper2::CreateInstance(nullptr, IID_IAMFilterData, reinterpret_cast<void**>(d.GetAddressOf())),
              S_OK);
    return d;
}

std::string Blob(REGFILTER2& rf2)
{
    BYTE* bytes = nullptr;
    ULONG count = 0;
    EXPECT_EQ(Data()->CreateFilterData(&rf2, &bytes, &count), S_OK);
    std::string out(reinterpret_cast<char*>(bytes), count);
    CoTaskMemFree(bytes);
    return out;
}

const GUID kCategory{0x5A0E2001, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0}};

}  // namespace

TEST(FilterDataTest, WrittenAndParsedBack)
{
    REGPINTYPES inTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_YV12}, {&MEDIATYPE_Video, &GUID_NULL}};
    REGPINTYPES outTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32}};
    REGFILTERPINS2 pins[] = {
        {REG_PINFLAG_B_RENDERER, 1, 2, inTypes, 0, nullptr, &kCategory},
        {REG_PINFLAG_B_OUTPUT, 1, 1, outTypes, 0, nullptr, nullptr},
    };
    REGFILTER2 rf2{};
    rf2.dwVersion = 2;
    rf2.dwMerit = MERIT_NORMAL + 3;
    rf2.cPins2 = 2;
    rf2.rgPins2 = pins;
    std::string blob = Blob(rf2);
    // The header as laid out: version, merit, pins.
    uint32_t head[3];
    std::memcpy(head, blob.data(), 12);
    EXPECT_EQ(head[0], 2u);
    EXPECT_EQ(head[1], MERIT_NORMAL + 3);
    EXPECT_EQ(head[2], 2u);

    BYTE* parsed = nullptr;
    ASSERT_EQ(Data()->ParseFilterData(reinterpret_cast<BYTE*>(blob.data()), static_cast<ULONG>(blob.size()), &parsed),
              S_OK);
    const auto* back = reinterpret_cast<const REGFILTER2*>(parsed);
    EXPECT_EQ(back->dwVersion, 2u);
    EXPECT_EQ(back->dwMerit, MERIT_NORMAL + 3);
    ASSERT_EQ(back->cPins2, 2u);
    EXPECT_EQ(back->rgPins2[0].dwFlags, REG_PINFLAG_B_RENDERER);
    ASSERT_EQ(back->rgPins2[0].nMediaTypes, 2u);
    EXPECT_EQ(*back->rgPins2[0].lpMediaType[0].clsMinorType, MEDIASUBTYPE_YV12);
    EXPECT_EQ(*back->rgPins2[0].lpMediaType[1].clsMinorType, GUID_NULL);
    ASSERT_NE(back->rgPins2[0].clsPinCategory, nullptr);
    EXPECT_EQ(*back->rgPins2[0].clsPinCategory, kCategory);
    EXPECT_EQ(back->rgPins2[1].dwFlags, REG_PINFLAG_B_OUTPUT);
    EXPECT_EQ(back->rgPins2[1].clsPinCategory, nullptr);
    EXPECT_EQ(*back->rgPins2[1].lpMediaType[0].clsMajorType, MEDIATYPE_Video);
    CoTaskMemFree(parsed);  // one block holds it all
}

TEST(FilterDataTest, VersionOnePinsBecomeFlags)
{
    REGPINTYPES types[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};
    REGFILTERPINS pins[] = {{nullptr, TRUE, FALSE, FALSE, TRUE, nullptr, nullptr, 1, types},
                            {nullptr, FALSE, TRUE, TRUE, FALSE, nullptr, nullptr, 1, types}};
    REGFILTER2 rf2{};
    rf2.dwVersion = 1;
    rf2.dwMerit = MERIT_UNLIKELY;
    rf2.cPins = 2;
    rf2.rgPins = pins;
    std::string blob = Blob(rf2);
    FilterRegistration reg;
    ASSERT_EQ(ReadFilterData(reinterpret_cast<const BYTE*>(blob.data()), blob.size(), &reg), S_OK);
    ASSERT_EQ(reg.pins.size(), 2u);
    EXPECT_EQ(reg.pins[0].flags, REG_PINFLAG_B_RENDERER | REG_PINFLAG_B_MANY);
    EXPECT_EQ(reg.pins[1].flags, REG_PINFLAG_B_OUTPUT | REG_PINFLAG_B_ZERO);
    // A version the blob cannot say, or a null type, is refused.
    rf2.dwVersion = 3;
    BYTE* bytes = nullptr;
    ULONG count = 0;
    EXPECT_EQ(Data()->CreateFilterData(&rf2, &bytes, &count), E_INVALIDARG);
    rf2.dwVersion = 1;
    REGPINTYPES broken[] = {{&MEDIATYPE_Audio, nullptr}};
    pins[0].lpMediaType = broken;
    EXPECT_EQ(Data()->CreateFilterData(&rf2, &bytes, &count), E_INVALIDARG);
    EXPECT_EQ(bytes, nullptr);
}

TEST(FilterDataTest, CutAndForgedBlobsAreRefused)
{
    REGPINTYPES types[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_YV12}};
    REGFILTERPINS2 pins[] = {{0, 1, 1, types, 0, nullptr, nullptr},
                             {REG_PINFLAG_B_OUTPUT, 1, 1, types, 0, nullptr, nullptr}};
    REGFILTER2 rf2{};
    rf2.dwVersion = 2;
    rf2.dwMerit = MERIT_NORMAL;
    rf2.cPins2 = 2;
    rf2.rgPins2 = pins;
    const std::string blob = Blob(rf2);
    // Every shorter prefix is refused (and read within its bounds: the
    // sanitizers watch).
    for (size_t n = 0; n < blob.size(); ++n) {
        std::string cut = blob.substr(0, n);
        FilterRegistration reg;
        EXPECT_EQ(ReadFilterData(reinterpret_cast<const BYTE*>(cut.data()), cut.size(), &reg), E_INVALIDARG) << n;
    }
    auto forged = [&](size_t at, uint32_t value) {
        std::string b = blob;
        std::memcpy(&b[at], &value, 4);
        FilterRegistration reg;
        return ReadFilterData(reinterpret_cast<const BYTE*>(b.data()), b.size(), &reg);
    };
    EXPECT_EQ(forged(0, 1), E_INVALIDARG);                      // version 1 is not the blob's layout
    EXPECT_EQ(forged(8, 0x40000000u), E_INVALIDARG);            // more pins than bytes
    EXPECT_EQ(forged(16 + 12, 0xFFFFFFFFu), E_INVALIDARG);      // more types than bytes
    EXPECT_EQ(forged(16 + 24 + 8, 0xFFFFFFF0u), E_INVALIDARG);  // a GUID offset outside
    EXPECT_EQ(forged(16 + 24 + 8, 4), E_INVALIDARG);            // a GUID offset inside the header
    EXPECT_EQ(forged(16 + 16, 1), E_INVALIDARG);                // mediums
    EXPECT_EQ(forged(4, 7), S_OK);                              // any merit is fine
}
