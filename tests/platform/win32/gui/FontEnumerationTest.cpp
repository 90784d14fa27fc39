// Font families through fontconfig: installed fonts with their localised
// names for the ANSI code page, the kind of each font, and the requests by
// character set and by face name, over fonts made by the test.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "FontFixtures.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/FontEnumeration.h"
#include "tests/support/TempDir.h"

using namespace gui_test;

namespace {

struct Seen {
    std::wstring face;
    BYTE charSet;
    DWORD type;
    BYTE pitchAndFamily;
    std::wstring script;
};

int Collect(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type, LPARAM lParam)
{
    auto* seen = reinterpret_cast<std::vector<Seen>*>(lParam);
    const auto* full = reinterpret_cast<const ENUMLOGFONTEXW*>(font);
    seen->push_back(Seen{font->lfFaceName, font->lfCharSet, type, metrics->tmPitchAndFamily, full->elfScript});
    return 1;
}

std::vector<Seen> Enumerate(const std::wstring& face = L"", BYTE charSet = DEFAULT_CHARSET)
{
    LOGFONTW request;
    request.lfCharSet = charSet;
    wcsncpy(request.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    std::vector<Seen> seen;
    EnumFontFamiliesExW(nullptr, &request, Collect, reinterpret_cast<LPARAM>(&seen), 0);
    return seen;
}

std::map<std::wstring, DWORD> TypesByFace(const std::vector<Seen>& seen)
{
    std::map<std::wstring, DWORD> out;
    for (const Seen& s : seen) out[s.face] = s.type;
    return out;
}

class FontEnumerationTest : public testing::Test {
protected:
    void TearDown() override { SetAnsiCodePage(949); }
    TempDir temp_;
};

TEST_F(FontEnumerationTest, InstalledKoreanFamilyIsNamedInTheLanguageOfTheAnsiCodePage)
{
    if (InstalledFontFile("NanumGothic.ttf").empty()) GTEST_SKIP() << "fonts-nanum is not installed";
    struct Case {
        UINT codePage;
        std::wstring shown;
        std::wstring hidden;
    };
    for (const Case& c : {Case{949, L"나눔고딕", L"NanumGothic"}, Case{1252, L"NanumGothic", L"나눔고딕"}}) {
        SetAnsiCodePage(c.codePage);
        std::vector<Seen> seen = Enumerate();
        std::set<BYTE> sets;
        for (const Seen& s : seen) {
            EXPECT_NE(c.hidden, s.face) << c.codePage;
            if (s.face == c.shown) {
                sets.insert(s.charSet);
                EXPECT_EQ(TRUETYPE_FONTTYPE, s.type);
                EXPECT_EQ(7, s.pitchAndFamily & 7) << "variable pitch, outline, TrueType";
            }
        }
        EXPECT_TRUE(sets.count(HANGUL_CHARSET)) << c.codePage;
        EXPECT_TRUE(sets.count(ANSI_CHARSET)) << c.codePage;
        // Asking by either name finds the family.
        for (const std::wstring& name : {c.shown, c.hidden}) {
            std::vector<Seen> one = Enumerate(name, HANGUL_CHARSET);
            ASSERT_EQ(1u, one.size()) << c.codePage;
            EXPECT_EQ(c.shown, one[0].face);
            EXPECT_EQ(L"Hangul", one[0].script);
        }
    }
}

TEST_F(FontEnumerationTest, PrivateFontsGiveTheirKindsAndAnswerRequests)
{
    std::string sans = InstalledFontFile("DejaVuSans.ttf");
    if (sans.empty()) GTEST_SKIP() << "fonts-dejavu-core is not installed";
    std::string raster = temp_.File("raster.bdf");
    WriteBitmapFont(raster, "RivoRaster");
    std::string renamed = temp_.File("renamed.ttf");
    ASSERT_TRUE(WriteRenamedFont(sans, renamed, "DejaVu Sans", "RivoOutline"));
    PrivateFontConfiguration fonts({raster, renamed});
    ASSERT_TRUE(fonts.ok());

    std::map<std::wstring, DWORD> types = TypesByFace(Enumerate());
    ASSERT_EQ(2u, types.size());
    EXPECT_EQ(RASTER_FONTTYPE, types[L"RivoRaster"]);
    EXPECT_EQ(TRUETYPE_FONTTYPE, types[L"RivoOutline"]);

    // Each family once per character set it covers: the outline font covers
    // Western and Cyrillic text, the one-glyph raster font no language and
    // shows as Western.
    std::vector<Seen> western = Enumerate(L"", ANSI_CHARSET);
    EXPECT_EQ(2u, western.size());
    std::vector<Seen> cyrillic = Enumerate(L"", RUSSIAN_CHARSET);
    ASSERT_EQ(1u, cyrillic.size());
    EXPECT_EQ(L"RivoOutline", cyrillic[0].face);
    EXPECT_TRUE(Enumerate(L"", HANGUL_CHARSET).empty());
    EXPECT_EQ(1u, TypesByFace(Enumerate(L"rivoraster")).size());
    EXPECT_TRUE(Enumerate(L"Missing Face").empty());

    // A callback answering 0 stops the enumeration, which answers 0.
    int calls = 0;
    LOGFONTW all;
    all.lfCharSet = DEFAULT_CHARSET;
    int result = EnumFontFamiliesExW(
        nullptr, &all,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) { return ++*reinterpret_cast<int*>(p), 0; },
        reinterpret_cast<LPARAM>(&calls), 0);
    EXPECT_EQ(0, result);
    EXPECT_EQ(1, calls);
}

}  // namespace
