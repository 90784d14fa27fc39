// Media types: deep copies, partial types and the comparisons the pins use.
#include <gtest/gtest.h>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaType.h"
#include "tests/platform/dshow/SyntheticFilters.h"

TEST(MediaTypeTest, PublishedIdentifiersAndLayouts)
{
    // A few values the pipeline code compares against, as text.
    EXPECT_EQ(GuidToString(MEDIATYPE_Video), L"{73646976-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(GuidToString(MEDIATYPE_Stream), L"{E436EB83-524F-11CE-9F53-0020AF0BA770}");
    EXPECT_EQ(GuidToString(FORMAT_None), L"{0F6417D6-C318-11D0-A43F-00A0C9223196}");
    EXPECT_EQ(GuidToString(CLSID_FilterGraph), L"{E436EBB3-524F-11CE-9F53-0020AF0BA770}");
    EXPECT_EQ(GuidToString(MEDIASUBTYPE_YV12), L"{32315659-0000-0010-8000-00AA00389B71}");
}

TEST(MediaTypeTest, CopyIsDeepAndFreeLeavesNoFormat)
{
    CMediaType video = MakeTestType(MEDIATYPE_Video);
    AM_MEDIA_TYPE copy{};
    ASSERT_EQ(CopyMediaType(&copy, &video), S_OK);
    ASSERT_NE(copy.pbFormat, video.pbFormat);
    EXPECT_TRUE(IsEqualMediaType(copy, video));
    reinterpret_cast<VIDEOINFOHEADER*>(copy.pbFormat)->bmiHeader.biWidth = 16;
    EXPECT_FALSE(IsEqualMediaType(copy, video));
    FreeMediaType(copy);
    EXPECT_EQ(copy.pbFormat, nullptr);
    EXPECT_EQ(copy.cbFormat, 0u);

    AM_MEDIA_TYPE* given = CreateMediaType(&video);
    ASSERT_NE(given, nullptr);
    CMediaType back(*given);
    DeleteMediaType(given);
    EXPECT_TRUE(back == video);

    CMediaType moved(std::move(back));
    EXPECT_EQ(back.pbFormat, nullptr);
    EXPECT_TRUE(moved == video);
}

TEST(MediaTypeTest, PartialTypesMatchTheirWildcards)
{
    CMediaType full = MakeTestType(MEDIATYPE_Audio);
    struct Case {
        GUID major, sub, format;
        bool withFormatBytes;
        bool matches;
    } cases[] = {
        {GUID_NULL, GUID_NULL, GUID_NULL, false, true},
        {MEDIATYPE_Audio, GUID_NULL, GUID_NULL, false, true},
        {MEDIATYPE_Video, GUID_NULL, GUID_NULL, false, false},
        {MEDIATYPE_Audio, MEDIASUBTYPE_PCM, GUID_NULL, false, true},
        {MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT, GUID_NULL, false, false},
        {GUID_NULL, GUID_NULL, FORMAT_WaveFormatEx, false, true},
        {GUID_NULL, GUID_NULL, FORMAT_VideoInfo, false, false},
        {MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, true, true},
    };
    for (const auto& c : cases) {
        CMediaType partial(c.major);
        partial.SetSubtype(c.sub);
        partial.SetFormatType(c.format);
        if (c.withFormatBytes) partial.SetFormat(full.pbFormat, full.cbFormat);
        EXPECT_EQ(MediaTypeMatchesPartial(full, partial), c.matches) << GuidToString(c.major);
    }
    // Format bytes that differ do not match.
    CMediaType other = full;
    reinterpret_cast<WAVEFORMATEX*>(other.pbFormat)->nChannels = 6;
    EXPECT_FALSE(MediaTypeMatchesPartial(full, other));
    EXPECT_FALSE(full.IsPartial());
    EXPECT_TRUE(CMediaType(MEDIATYPE_Audio).IsPartial());
}
