// Reading sub-picture units out of the program stream's packs.
#include <gtest/gtest.h>

#include "VobSubTestUtil.h"

namespace {

POSITION Pos(int n) { return reinterpret_cast<POSITION>(static_cast<uintptr_t>(n)); }

// A unit that needs three packs.
SpuUnit Large()
{
    SpuUnit u;
    u.picture = SpuPicture(200, 60, 0);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) u.picture.At(x, y) = static_cast<uint8_t>((x + y) % 4);
    u.x = 10;
    u.y = 10;
    u.stopDelay = 90;
    return u;
}

struct Stream {
    std::string data;
    std::vector<std::string> lines[2];
};

ComPtr<CVobSubFile> Load(const Stream& s)
{
    std::vector<IndexLanguage> languages;
    for (int l = 0; l < 2; ++l)
        if (!s.lines[l].empty()) languages.push_back({l ? "ko" : "en", l, s.lines[l]});
    const std::string index = IndexText(7, IndexSettings(7, 720, 480, kTestPalette), languages);
    ComPtr<CVobSubFile> file(new CVobSubFile);
    if (!file->OpenFromMemory(CString(Utf8ToWide(index)), std::vector<BYTE>(s.data.begin(), s.data.end())))
        return nullptr;
    return file;
}

HRESULT Draw(CVobSubFile* file, int language, int position)
{
    if (file->SetStream(language == 0 || file->GetStreamCount() == 1 ? 0 : 1) != S_OK) return E_UNEXPECTED;
    TestSurface target(720, 480);
    RECT drawn;
    return file->GetPicture(Pos(position), &target.surface, &drawn);
}

TEST(VobSubPacket, UnitsAcrossPacksOfOtherStreams)
{
    const std::vector<std::string> big = PackSpuUnit(BuildSpuUnit(Large()), 0, 1000);
    const std::vector<std::string> small = PackSpuUnit(BuildSpuUnit(PlainUnit(20, 10, 5, 5, 2, 90)), 1, 1200);
    ASSERT_EQ(3u, big.size());
    ASSERT_EQ(1u, small.size());
    // en's packs with ko's unit between its first and second pack.
    Stream s;
    s.data = big[0] + small[0] + big[1] + big[2];
    s.lines[0] = {TimestampLine(1000, 0)};
    s.lines[1] = {TimestampLine(1200, 2048)};
    auto file = Load(s);
    ASSERT_TRUE(file);
    EXPECT_EQ(S_OK, Draw(file.Get(), 0, 1));
    EXPECT_EQ(S_OK, Draw(file.Get(), 1, 1));
    std::vector<BYTE> unit;
    ASSERT_TRUE(file->ReadPacket(0, 0, &unit));
    const std::string expected = BuildSpuUnit(Large());
    EXPECT_EQ(expected, std::string(unit.begin(), unit.end()));
}

TEST(VobSubPacket, DamagedOrMissingPacks)
{
    const std::vector<std::string> big = PackSpuUnit(BuildSpuUnit(Large()), 0, 1000);
    const std::string all = big[0] + big[1] + big[2];
    auto patched = [&](size_t at, char value) {
        std::string d = all;
        d[at] = value;
        return d;
    };
    const struct {
        const char* name;
        std::string data;
        int64_t filepos;  // of the first picture; the second is the unit at 0
    } rows[] = {
        {"the last pack missing", big[0] + big[1], 0},
        {"the last pack cut short", all.substr(0, all.size() - 100), 0},
        {"position beyond the data", all, 4096 * 4},
        {"position inside a pack", all, 1},
        {"position at a pack without a time stamp", all, 2048},
        {"not private stream 1", patched(17, '\xBE'), 0},
        {"no time stamp flag", patched(21, '\x00'), 0},
        {"first time stamp byte of another kind", patched(23, '\x31'), 0},
        {"header longer than the pack", patched(22, '\xFF'), 0},
        {"sub-stream of another language", patched(23 + 5, '\x21'), 0},
        {"not a sub-picture stream", patched(23 + 5, '\x80'), 0},
        {"unit size below its header",
         [&] {
             std::string d = patched(23 + 5 + 1, '\x00');
             d[23 + 5 + 2] = 2;
             return d;
         }(),
         0},
        {"continuation packs of another stream", patched(2048 + 23, '\x22'), 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Stream s;
        s.data = row.data;
        s.lines[0] = {TimestampLine(1000, row.filepos), TimestampLine(5000, 0)};
        auto file = Load(s);
        ASSERT_TRUE(file);
        // The damaged picture gives nothing and lasts no time; with the data
        // intact, the picture at the unit's real position still shows.
        EXPECT_EQ(E_FAIL, Draw(file.Get(), 0, 1));
        REFERENCE_TIME duration = -1;
        ASSERT_EQ(S_OK, file->GetDuration(Pos(1), &duration));
        EXPECT_EQ(0, duration);
        EXPECT_EQ(row.data == all ? S_OK : E_FAIL, Draw(file.Get(), 0, 2));
    }
}

TEST(VobSubPacket, StreamThatIsNotAProgramStream)
{
    Stream s;
    s.data = std::string(4096, '\0');
    s.lines[0] = {TimestampLine(1000, 0)};
    EXPECT_FALSE(Load(s));
    // Packs after a block that is not one are not part of the stream.
    const std::vector<std::string> unit = PackSpuUnit(BuildSpuUnit(PlainUnit(20, 10, 5, 5)), 0, 1000);
    s.data = unit[0] + std::string(2048, 'x') + unit[0];
    s.lines[0] = {TimestampLine(1000, 0), TimestampLine(2000, 4096)};
    auto file = Load(s);
    ASSERT_TRUE(file);
    EXPECT_EQ(2048u, file->GetSubData().size());
    EXPECT_EQ(S_OK, Draw(file.Get(), 0, 1));
    EXPECT_EQ(E_FAIL, Draw(file.Get(), 0, 2));
}

}  // namespace
