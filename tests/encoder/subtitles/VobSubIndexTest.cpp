// The index file, the language streams, the .ifo palette and the times of a
// picture-subtitle set.
#include <gtest/gtest.h>

#include "VobSubTestUtil.h"
#include "encoder/subtitles/VobSubLanguages.h"
#include "platform/com/ComRuntime.h"

namespace {

constexpr REFERENCE_TIME kMs = 10000;

std::string Header(int version = 7)
{
    return "# VobSub index file, v" + std::to_string(version) + " (do not modify this line!)\n";
}

bool Parses(const std::string& text, CVobSubFile& file) { return file.ParseVobSubIndex(CString(Utf8ToWide(text))); }

POSITION Pos(int n) { return reinterpret_cast<POSITION>(static_cast<uintptr_t>(n)); }
int Num(POSITION p) { return static_cast<int>(reinterpret_cast<uintptr_t>(p)); }

TEST(VobSubIndex, LinesThatFailTheWholeIndex)
{
    const std::string id = "id: en, index: 0\n";
    const struct {
        const char* name;
        std::string text;
    } rows[] = {
        {"no header", "size: 720x480\n"},
        {"version above 7", Header(8)},
        {"header without a number", "# VobSub index file, vX\n"},
        {"unknown key", Header() + "foo: 1\n"},
        {"langidx above 31", Header() + "langidx: 32\n"},
        {"negative langidx", Header() + "langidx: -1\n"},
        {"alt before any id", Header() + "alt: English\n"},
        {"delay before any id", Header() + "delay: 00:00:01:000\n"},
        {"timestamp before any id", Header() + "timestamp: 00:00:01:000, filepos: 000000000\n"},
        {"zero width", Header() + "size: 0x480\n"},
        {"negative height", Header() + "size: 720x-480\n"},
        {"size without height", Header() + "size: 720\n"},
        {"id index 32", Header() + "id: en, index: 32\n"},
        {"id without index", Header() + "id: en\n"},
        {"id of one letter", Header() + "id: e\n"},
        {"align word unknown", Header() + "align: ON at LEFT MIDDLE\n"},
        {"align with a word too many", Header() + "align: ON at LEFT TOP NOW\n"},
        {"align without on or off", Header() + "align: at LEFT TOP\n"},
        {"smooth unknown", Header() + "smooth: maybe\n"},
        {"forced subs unknown", Header() + "forced subs: maybe\n"},
        {"custom colors without tridx", Header() + "custom colors: ON, colors: 000000, 000000, 000000, 000000\n"},
        {"custom colors with three colours", Header() + "custom colors: ON, tridx: 0000, colors: 1, 2, 3\n"},
        {"palette of two colours", Header() + "palette: 000000, ffffff\n"},
        {"timestamp without filepos", Header() + id + "timestamp: 00:00:01:000\n"},
        {"timestamp of one number", Header() + id + "timestamp: 1000, filepos: 0\n"},
        {"delay of one number", Header() + id + "delay: 1000\n"},
        {"org of one number", Header() + "org: 5\n"},
        {"scale of version 7 with one number", Header() + "scale: 100%\n"},
        {"fadein/out of one number", Header() + "fadein/out: 50\n"},
        {"filepos beyond 63 bits", Header() + id + "timestamp: 00:00:01:000, filepos: ffffffffffffffff\n"},
        {"alpha not a number", Header() + "alpha: half\n"},
        {"time offset not a time", Header() + "time offset: soon\n"},
        {"old scale not a number", Header(4) + "scale: x\n"},
        {"langidx not a number", Header() + "langidx: x\n"},
        {"custom colors neither on nor off", Header() + "custom colors: maybe, tridx: 0000, colors: 1, 2, 3, 4\n"},
    };
    for (const auto& row : rows) {
        CVobSubFile file;
        EXPECT_FALSE(Parses(row.text, file)) << row.name;
    }
}

TEST(VobSubIndex, LinesThatAreIgnored)
{
    CVobSubFile file;
    ASSERT_TRUE(Parses(Header() + "\n   \n# a comment: with a colon\nno colon here\n: value without key\nalpha:   \n"
                                  "  size:  640x360  \n",
                       file));
    EXPECT_EQ(640, file.m_originalSize.cx);
    EXPECT_EQ(360, file.m_originalSize.cy);
}

TEST(VobSubIndex, SettingValues)
{
    CVobSubFile file;
    ASSERT_TRUE(Parses(Header() +
                           "size: 1280x720\norg: 12, -8\nscale: 80%, 120%\nalpha: 60%\nsmooth: OLD\n"
                           "fadein/out: 10, 20\nalign: ON at CENTER BOTTOM\ntime offset: -00:00:01:500\n"
                           "forced subs: ON\npalette: " +
                           PaletteText(kTestPalette, ", ") +
                           "\ncustom colors: ON, tridx: 1001, colors: 112233, 445566, 778899, aabbcc\nlangidx: 3\n",
                       file));
    EXPECT_EQ(1280, file.m_originalSize.cx);
    EXPECT_EQ(720, file.m_originalSize.cy);
    EXPECT_EQ(12, file.m_origin.x);
    EXPECT_EQ(-8, file.m_origin.y);
    EXPECT_EQ(12, file.m_offset.x);
    EXPECT_EQ(-8, file.m_offset.y);
    EXPECT_EQ(80, file.m_scaleX);
    EXPECT_EQ(120, file.m_scaleY);
    EXPECT_EQ(60, file.m_alpha);
    EXPECT_EQ(2, file.m_smooth);
    EXPECT_EQ(10, file.m_fadeIn);
    EXPECT_EQ(20, file.m_fadeOut);
    EXPECT_TRUE(file.m_alignOn);
    EXPECT_EQ(kVobSubAlignCenter, file.m_alignHorizontal);
    EXPECT_EQ(kVobSubAlignFar, file.m_alignVertical);
    EXPECT_EQ(-1500, file.m_timeOffsetMs);
    EXPECT_TRUE(file.m_forcedOnly);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(kTestPalette[i], file.m_palette[i]) << i;
    EXPECT_TRUE(file.m_customColorsOn);
    EXPECT_EQ(0b1001, file.m_transparentFlags);
    EXPECT_EQ(0x00112233u, file.m_customColors[0]);
    EXPECT_EQ(0xFF445566u, file.m_customColors[1]);
    EXPECT_EQ(0xFF778899u, file.m_customColors[2]);
    EXPECT_EQ(0x00AABBCCu, file.m_customColors[3]);
    EXPECT_EQ(3, file.GetCurrentLanguage());

    // Old versions give one scale for both directions; smooth and time
    // offset in their other spellings.
    CVobSubFile old;
    ASSERT_TRUE(Parses(Header(4) + "scale: 90%\nsmooth: on\ntime offset: 250\nalign: off\n", old));
    EXPECT_EQ(90, old.m_scaleX);
    EXPECT_EQ(90, old.m_scaleY);
    EXPECT_EQ(1, old.m_smooth);
    EXPECT_EQ(250, old.m_timeOffsetMs);
    EXPECT_FALSE(old.m_alignOn);
}

TEST(VobSubIndex, KeysAreReadInAnyLetterCase)
{
    CVobSubFile file;
    ASSERT_TRUE(Parses(Header() + "SIZE: 640x360\nAlpha: 50%\nCustom Colors: OFF, tridx: 0000, colors: 1, 2, 3, 4\n"
                                  "ID: en, index: 2\nTimeStamp: 00:00:01:000, filepos: 000000800\n",
                       file));
    EXPECT_EQ(640, file.m_originalSize.cx);
    EXPECT_EQ(50, file.m_alpha);
    EXPECT_FALSE(file.m_customColorsOn);
    ASSERT_EQ(1, file.GetLanguage(2).subpos.GetSize());
    EXPECT_EQ(0x800, file.GetLanguage(2).subpos[0].filepos);
}

TEST(VobSubIndex, LanguagesAndTimes)
{
    CVobSubFile file;
    ASSERT_TRUE(Parses(Header() + "id: en, index: 0\nalt: Commentary\n"
                                  "# Vob/Cell ID: 3, 7 (PTS: 90000)\n"
                                  "timestamp: 00:00:01:000, filepos: 000000000\n"
                                  "id: ko, index: 5\ndelay: -00:00:00:200\n"
                                  "timestamp: 00:00:01:500, filepos: 000000800\n"
                                  "timestamp: 01:02:03:004, filepos: 0000a1000\n"
                                  "id: cc, index: 6\n"
                                  "id: --, index: 7\n"
                                  "id: qq, index: 8\ndelay: 00:00:10:000\ndelay: -00:00:02:500\n"
                                  "timestamp: -00:00:01:000, filepos: 0\n",
                       file));
    const auto& en = file.GetLanguage(0);
    EXPECT_EQ(MakeLanguageCode(L'e', L'n'), en.id);
    EXPECT_EQ(CString(L"English"), en.name);
    EXPECT_EQ(CString(L"Commentary"), en.alt);
    ASSERT_EQ(1, en.subpos.GetSize());
    EXPECT_EQ(1000, en.subpos[0].start);
    EXPECT_EQ(3, en.subpos[0].vobid);
    EXPECT_EQ(7, en.subpos[0].cellid);
    EXPECT_EQ(90000, en.subpos[0].celltimestamp);

    const auto& ko = file.GetLanguage(5);
    EXPECT_EQ(CString(L"Korean"), ko.name);
    EXPECT_EQ(CString(L"Korean"), ko.alt);
    ASSERT_EQ(2, ko.subpos.GetSize());
    EXPECT_EQ(1300, ko.subpos[0].start);
    EXPECT_EQ(0x800, ko.subpos[0].filepos);
    EXPECT_EQ(((1 * 60 + 2) * 60 + 3) * 1000 + 4 - 200, ko.subpos[1].start);
    EXPECT_EQ(0xA1000, ko.subpos[1].filepos);

    // The out-of-order second row of the table is found too.
    EXPECT_EQ(CString(L"Closed Caption"), file.GetLanguage(6).name);
    EXPECT_EQ(CString(L"(Not detected)"), file.GetLanguage(7).name);
    EXPECT_EQ(CString(L"(Not detected)"), file.GetLanguage(8).name);
    ASSERT_EQ(1, file.GetLanguage(8).subpos.GetSize());
    EXPECT_EQ(10000 - 2500 - 1000, file.GetLanguage(8).subpos[0].start);
}

TEST(VobSubIndex, NegativeDelayNeverRunsTimesBackwards)
{
    CVobSubFile file;
    ASSERT_TRUE(Parses(Header() + "id: en, index: 0\ndelay: -00:00:02:000\n"
                                  "timestamp: 00:00:03:000, filepos: 0\n"   // 1000
                                  "timestamp: 00:00:02:500, filepos: 0\n"   // 500 -> 1000, delay -1500
                                  "timestamp: 00:00:04:000, filepos: 0\n",  // 2500
                       file));
    const auto& list = file.GetLanguage(0).subpos;
    ASSERT_EQ(3, list.GetSize());
    EXPECT_EQ(1000, list[0].start);
    EXPECT_EQ(1000, list[1].start);
    EXPECT_EQ(2500, list[2].start);
}

TEST(VobSubIndex, LanguageTable)
{
    EXPECT_EQ(143, GetLanguageNameCount());
    const struct {
        const char* code;
        const wchar_t* name;
    } rows[] = {
        {"--", L"(Not detected)"},   {"cc", L"Closed Caption"}, {"aa", L"Afar"},           {"bn", L"Bengali; Bangla"},
        {"lv", L"Latvian, Lettish"}, {"om", L"(Afan) Oromo"},   {"in", L"Indonesian"},     {"iw", L"Hebrew"},
        {"ko", L"Korean"},           {"zh", L"Chinese"},        {"xx", L"(Not detected)"}, {"EN", L"(Not detected)"},
    };
    for (const auto& row : rows)
        EXPECT_STREQ(row.name, FindLanguageName(MakeLanguageCode(row.code[0], row.code[1]))) << row.code;
}

// A set with two languages on disk.
TestSet TwoLanguages()
{
    TestSet set;
    set.Add(0, "en", 1000, PlainUnit(40, 20, 100, 400, 1, 90));  // 1024 ms
    set.Add(1, "ko", 1500, PlainUnit(30, 10, 50, 50, 2, -1));
    set.Add(0, "en", 4000, PlainUnit(60, 16, 300, 420, 2, 900));     // 10240 ms, cut by the next
    set.Add(0, "en", 6000, PlainUnit(20, 20, 10, 10, 3, -1));        // last: 3000 ms
    set.Add(1, "ko", 9000, PlainUnit(30, 10, 50, 50, 1, 45, true));  // 512 ms
    return set;
}

TEST(VobSubFile, OpensBySiblingNamesOnly)
{
    TempDir dir;
    TwoLanguages().Write(dir);
    for (const char* name : {"movie.idx", "movie.sub", "movie.IDX", "movie.rar", "movie.ifo", "movie"})
        EXPECT_TRUE(OpenVobSub(dir.File(name))) << name;
    WriteBytes(dir.File("movie.txt"), "x");
    EXPECT_FALSE(OpenVobSub(dir.File("movie.txt")));  // looks for movie.txt.idx
    EXPECT_FALSE(OpenVobSub(dir.File("other.idx")));
}

TEST(VobSubFile, SetsThatDoNotOpen)
{
    TempDir dir;
    TestSet set = TwoLanguages();
    set.Write(dir);

    // The .sub is not a program stream.
    WriteBytes(dir.File("movie.sub"), std::string(4096, 'x'));
    EXPECT_FALSE(OpenVobSub(dir.File("movie.idx")));
    // No .sub and no .rar.
    std::remove(dir.File("movie.sub").c_str());
    EXPECT_FALSE(OpenVobSub(dir.File("movie.idx")));
    // An index line that is not understood fails the set.
    set.extraSettings.push_back("foo: 1");
    set.Write(dir);
    EXPECT_FALSE(OpenVobSub(dir.File("movie.idx")));
}

TEST(VobSubFile, PositionsTimesAndDurations)
{
    TempDir dir;
    auto file = OpenVobSub(TwoLanguages().Write(dir));
    ASSERT_TRUE(file);
    ComPtr<ISubPicProvider> p(static_cast<ISubPicProvider*>(file.Get()));
    EXPECT_EQ(kSubProviderPicture, p->GetProviderKind());
    EXPECT_EQ(1, Num(p->GetFirstPosition()));
    EXPECT_EQ(3, Num(p->GetLastPosition()));
    EXPECT_EQ(2, Num(p->GetNextPosition(Pos(1))));
    EXPECT_EQ(0, Num(p->GetNextPosition(Pos(3))));
    EXPECT_EQ(0, Num(p->GetNextPosition(Pos(0))));
    EXPECT_EQ(0, Num(p->GetPrevPosition(Pos(1))));
    EXPECT_EQ(2, Num(p->GetPrevPosition(Pos(3))));

    const struct {
        int start, duration;
    } expected[] = {{1000, 1024}, {4000, 2000}, {6000, 3000}};
    for (int i = 0; i < 3; ++i) {
        REFERENCE_TIME start = 0, duration = 0;
        ASSERT_EQ(S_OK, p->GetStartTime(Pos(i + 1), &start));
        ASSERT_EQ(S_OK, p->GetDuration(Pos(i + 1), &duration));
        EXPECT_EQ(expected[i].start * kMs, start) << i;
        EXPECT_EQ(expected[i].duration * kMs, duration) << i;
    }
    REFERENCE_TIME t = 0;
    EXPECT_EQ(E_FAIL, p->GetStartTime(Pos(0), &t));
    EXPECT_EQ(E_INVALIDARG, p->GetStartTime(Pos(4), &t));
    EXPECT_EQ(E_FAIL, p->GetDuration(Pos(0), &t));
    EXPECT_EQ(E_INVALIDARG, p->GetDuration(Pos(9), &t));

    // The time walk, from every hint, including hints past the end.
    const struct {
        int ms, found;
    } probes[] = {{0, 0},    {999, 0},  {1000, 1}, {2023, 1}, {2024, 0}, {3999, 0},
                  {4000, 2}, {5999, 2}, {6000, 3}, {8999, 3}, {9000, 0}};
    for (const auto& probe : probes)
        for (int hint : {0, 1, 2, 3, 4, 1000})
            EXPECT_EQ(probe.found, Num(p->FindPosition(Pos(hint), probe.ms * kMs))) << probe.ms << " hint " << hint;
    // The time offset is added before the walk.
    ASSERT_EQ(S_OK, p->SetTimeOffset(-500 * kMs));
    EXPECT_EQ(-500 * kMs, p->GetTimeOffset());
    EXPECT_EQ(1, Num(p->FindPosition(nullptr, 1600 * kMs)));
    EXPECT_EQ(0, Num(p->FindPosition(nullptr, 1400 * kMs)));
}

TEST(VobSubFile, StreamsByLanguage)
{
    TempDir dir;
    TestSet set = TwoLanguages();
    set.languages[1].lines.insert(set.languages[1].lines.begin(), "alt: Hangul");
    set.extraSettings.push_back("langidx: 5");  // a language without pictures
    auto file = OpenVobSub(set.Write(dir));
    ASSERT_TRUE(file);
    // The current language has no pictures: nothing to walk.
    EXPECT_EQ(0, Num(file->GetFirstPosition()));
    EXPECT_EQ(0, Num(file->GetLastPosition()));

    ComPtr<ISubStream> streams;
    ASSERT_EQ(S_OK, ComPtr<ISubPicProvider>(static_cast<ISubPicProvider*>(file.Get())).As(&streams));
    EXPECT_EQ(2, streams->GetStreamCount());
    const wchar_t* names[] = {L"English", L"Hangul"};
    for (int i = 0; i < 2; ++i) {
        WCHAR* name = nullptr;
        LCID lcid = 99;
        ASSERT_EQ(S_OK, streams->GetStreamInfo(i, &name, &lcid));
        EXPECT_STREQ(names[i], name);
        EXPECT_EQ(0u, lcid);
        CoTaskMemFree(name);
    }
    EXPECT_EQ(S_OK, streams->GetStreamInfo(1, nullptr, nullptr));
    EXPECT_EQ(E_FAIL, streams->GetStreamInfo(2, nullptr, nullptr));
    EXPECT_EQ(E_FAIL, streams->GetStreamInfo(-1, nullptr, nullptr));

    ASSERT_EQ(S_OK, streams->SetStream(1));
    EXPECT_EQ(1, streams->GetStream());
    EXPECT_EQ(1, file->GetCurrentLanguage());
    EXPECT_EQ(2, Num(file->GetLastPosition()));
    REFERENCE_TIME duration = 0;
    ASSERT_EQ(S_OK, file->GetDuration(Pos(2), &duration));
    EXPECT_EQ(512 * kMs, duration);
    EXPECT_EQ(E_FAIL, streams->SetStream(2));
    EXPECT_EQ(1, streams->GetStream());
    ASSERT_EQ(S_OK, streams->SetStream(0));
    EXPECT_EQ(0, streams->GetStream());
}

TEST(VobSubFile, ForcedSubsShowOnlyForcedPictures)
{
    TempDir dir;
    TestSet set;
    set.Add(0, "en", 1000, PlainUnit(40, 20, 100, 100, 1, 90, false));
    set.Add(0, "en", 3000, PlainUnit(40, 20, 100, 100, 1, 90, true));
    for (bool forcedOnly : {false, true}) {
        set.extraSettings = {forcedOnly ? "forced subs: ON" : "forced subs: OFF"};
        auto file = OpenVobSub(set.Write(dir));
        ASSERT_TRUE(file);
        TestSurface target(720, 480);
        RECT drawn;
        EXPECT_EQ(forcedOnly ? E_FAIL : S_OK, file->GetPicture(Pos(1), &target.surface, &drawn)) << forcedOnly;
        EXPECT_EQ(S_OK, file->GetPicture(Pos(2), &target.surface, &drawn)) << forcedOnly;
        EXPECT_FALSE(file->GetLanguage(0).subpos[0].forced);
        EXPECT_TRUE(file->GetLanguage(0).subpos[1].forced);
    }
}

TEST(VobSubFile, VersionFiveTakesItsPaletteFromTheIfo)
{
    TempDir dir;
    TestSet set;
    set.version = 5;
    set.Add(0, "en", 1000, PlainUnit(40, 20, 100, 100, 1, 90));
    set.Write(dir);
    // Without an .ifo the set does not open.
    EXPECT_FALSE(OpenVobSub(dir.File("movie.idx")));

    uint8_t entries[16][3] = {};
    const struct {
        uint8_t y, cr, cb;
        uint32_t rgb;
    } colours[] = {
        {16, 128, 128, 0x000000}, {235, 128, 128, 0xFFFFFF}, {126, 128, 128, 0x808080}, {81, 240, 90, 0xE80807},
        {0, 128, 128, 0x000000},  {255, 128, 128, 0xFFFFFF}, {145, 34, 54, 0x12F212},   {41, 110, 240, 0x0303E3},
    };
    for (size_t i = 0; i < std::size(colours); ++i) {
        entries[i][0] = colours[i].y;
        entries[i][1] = colours[i].cr;
        entries[i][2] = colours[i].cb;
    }
    const std::string ifo = BuildIfo(entries);
    WriteBytes(dir.File("movie.ifo"), ifo);
    auto file = OpenVobSub(dir.File("movie.idx"));
    ASSERT_TRUE(file);
    EXPECT_EQ(5, file->GetIndexVersion());
    for (size_t i = 0; i < std::size(colours); ++i) EXPECT_EQ(colours[i].rgb, file->m_palette[i]) << i;

    // A short .ifo fails the palette, and so the set.
    WriteBytes(dir.File("movie.ifo"), ifo.substr(0, ifo.size() - 1));
    EXPECT_FALSE(OpenVobSub(dir.File("movie.idx")));
    WriteBytes(dir.File("movie.ifo"), ifo.substr(0, 100));
    EXPECT_FALSE(OpenVobSub(dir.File("movie.idx")));
}

TEST(VobSubFile, ProviderComesWithoutAReference)
{
    TempDir dir;
    const std::string idx = TwoLanguages().Write(dir);
    ISubPicProvider* p = CreateVobSubProvider(CString(Utf8ToWide(idx)));
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(1u, p->AddRef());
    ISubStream* s = nullptr;
    ASSERT_EQ(S_OK, p->QueryInterface(IID_ISubStream, reinterpret_cast<void**>(&s)));
    EXPECT_EQ(1u, s->Release());
    EXPECT_EQ(0u, p->Release());
    EXPECT_EQ(nullptr, CreateVobSubProvider(CString(Utf8ToWide(dir.File("none.idx")))));
}

}  // namespace
