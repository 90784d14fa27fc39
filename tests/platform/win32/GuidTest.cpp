#include <gtest/gtest.h>

#include "platform/win32/Guid.h"

namespace {

TEST(Guid, TextFormsRoundTrip)
{
    // IUnknown's published identifier.
    const GUID unk{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    EXPECT_EQ(L"{00000000-0000-0000-C000-000000000046}", GuidToString(unk));
    GUID g;
    EXPECT_EQ(S_OK, CLSIDFromString(L"{00000000-0000-0000-c000-000000000046}", &g));
    EXPECT_EQ(unk, g);
    EXPECT_TRUE(GuidFromString(L"00000000-0000-0000-C000-000000000046", &g));
    EXPECT_EQ(unk, g);
}

TEST(Guid, MalformedTextIsRejected)
{
    const wchar_t* bad[] = {L"", L"{}", L"{00000000-0000-0000-C000-00000000004}",
                            L"{00000000-0000-0000-C000-0000000000467}", L"{00000000-0000-0000-C000-00000000004G}",
                            L"{00000000-0000-0000-C000-000000000046", L"00000000_0000-0000-C000-000000000046"};
    for (const wchar_t* t : bad) {
        GUID g{1};
        EXPECT_EQ(E_INVALIDARG, CLSIDFromString(t, &g)) << t;
        EXPECT_EQ(GUID_NULL, g);
    }
}

TEST(Guid, FourCCSubtype)
{
    EXPECT_EQ(L"{34363248-0000-0010-8000-00AA00389B71}", GuidToString(GuidFromFourCC(MAKEFOURCC('H', '2', '6', '4'))));
}

}  // namespace
