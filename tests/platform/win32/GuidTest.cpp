#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Guid.h"

namespace {

using namespace std::string_literals;

const GUID kUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kSample{0x0D84C574, 0x0C1D, 0x466C, {0x9D, 0x7B, 0x49, 0xFD, 0x7B, 0xBF, 0x6E, 0x87}};

TEST(Guid, TextFormRoundTrips)
{
    // IUnknown's published identifier.
    EXPECT_EQ(L"{00000000-0000-0000-C000-000000000046}", GuidToString(kUnknown));
    GUID g;
    ASSERT_TRUE(GuidFromString(GuidToString(kSample), &g));
    EXPECT_EQ(kSample, g);
}

TEST(Guid, OnlyTheBracedPatternParses)
{
    struct Case {
        std::wstring text;
        bool parses;
        GUID value;
    };
    const Case cases[] = {
        {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}", true, kSample},
        {L"{0d84c574-0c1d-466c-9d7b-49fd7bbf6e87}", true, kSample},
        {L"{0d84C574-0C1d-466c-9D7b-49Fd7bBF6e87}", true, kSample},
        {L"{00000000-0000-0000-c000-000000000046}", true, kUnknown},
        {L"{00000000-0000-0000-0000-000000000000}", true, GUID_NULL},
        {L"", false, {}},
        {L"{}", false, {}},
        {L"0D84C574-0C1D-466C-9D7B-49FD7BBF6E87", false, {}},     // no braces
        {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87", false, {}},    // no closing brace
        {L"0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}", false, {}},    // no opening brace
        {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}x", false, {}},  // text after it
        {L" {0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}", false, {}},  // text before it
        {L"{ 0x84C574-+C1D-466C-9D7B-49FD7BBF6E87}", false, {}},  // prefix and sign
        {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E8}", false, {}},    // a digit short
        {L"{D84C574-0C1D-466C-9D7B-49FD7BBF6E87A}", false, {}},   // fields of other widths
        {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87A}", false, {}},  // a digit too many
        {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6EZZ}", false, {}},   // not hex
        {L"{0D84C574:0C1D-466C-9D7B-49FD7BBF6E87}", false, {}},   // wrong separator
        {L"{0D84C574-0C1D-466C-9D7B49-FD7BBF6E87}", false, {}},   // separator misplaced
        {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}}", false, {}},
        {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E8\0}"s, false, {}},  // an embedded NUL
        {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}\0"s, false, {}},
        {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}\0tail"s, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        GUID g = kSample;
        EXPECT_EQ(c.parses, GuidFromString(c.text, &g));
        EXPECT_EQ(c.parses ? c.value : GUID_NULL, g);
        // CLSIDFromString sees a text up to its first NUL only.
        if (c.text.find(L'\0') != std::wstring::npos) continue;
        GUID h = kSample;
        EXPECT_EQ(c.parses ? S_OK : E_INVALIDARG, CLSIDFromString(c.text.c_str(), &h));
        EXPECT_EQ(c.parses ? c.value : GUID_NULL, h);
    }
    GUID g = kSample;
    EXPECT_EQ(E_INVALIDARG, CLSIDFromString(nullptr, &g));
    EXPECT_EQ(GUID_NULL, g);
    EXPECT_EQ(E_INVALIDARG, CLSIDFromString(L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}", nullptr));
    EXPECT_FALSE(GuidFromString(L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}", nullptr));
}

}  // namespace
