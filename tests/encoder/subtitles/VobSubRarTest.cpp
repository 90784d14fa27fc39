// The archive module "unrar.dll" over stored RAR 4 archives written by the
// tests, and picture-subtitle sets whose .sub lies in such an archive.
#include <gtest/gtest.h>

#include "RarWriter.h"
#include "VobSubTestUtil.h"
#include "modules/api/UnrarApi.h"
#include "platform/win32/Module.h"

namespace {

POSITION Pos(int n) { return reinterpret_cast<POSITION>(static_cast<uintptr_t>(n)); }

struct Api {
    HMODULE module = LoadLibraryW(L"unrar.dll");
    RAROpenArchiveExProc open = Get<RAROpenArchiveExProc>("RAROpenArchiveEx");
    RARCloseArchiveProc close = Get<RARCloseArchiveProc>("RARCloseArchive");
    RARReadHeaderExProc readHeader = Get<RARReadHeaderExProc>("RARReadHeaderEx");
    RARProcessFileProc process = Get<RARProcessFileProc>("RARProcessFile");
    RARSetChangeVolProcProc setChangeVol = Get<RARSetChangeVolProcProc>("RARSetChangeVolProc");
    RARSetProcessDataProcProc setData = Get<RARSetProcessDataProcProc>("RARSetProcessDataProc");
    RARSetPasswordProc setPassword = Get<RARSetPasswordProc>("RARSetPassword");

    ~Api()
    {
        if (module) FreeLibrary(module);
    }
    template <class F>
    F Get(const char* name)
    {
        return module ? reinterpret_cast<F>(GetProcAddress(module, name)) : nullptr;
    }
    bool Complete() const { return open && close && readHeader && process && setChangeVol && setData && setPassword; }
    HANDLE Open(const std::string& path, unsigned* result = nullptr)
    {
        std::wstring wide = Utf8ToWide(path);
        RAROpenArchiveDataEx data{};
        data.ArcNameW = wide.data();
        data.OpenMode = RAR_OM_EXTRACT;
        HANDLE h = open(&data);
        if (result) *result = data.OpenResult;
        return h;
    }
};

std::string g_received;
int g_answer = 1;
int Receive(unsigned char* block, int size)
{
    g_received.append(reinterpret_cast<const char*>(block), static_cast<size_t>(size));
    return g_answer;
}

std::string Bytes(size_t n, unsigned seed)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    return s;
}

TEST(UnrarModule, ListsAndTestsStoredEntries)
{
    Api api;
    ASSERT_TRUE(api.Complete());
    TempDir dir;
    const std::vector<RarEntry> entries = {
        {"readme.txt", "hello", -1}, {"folder\\data.bin", Bytes(70000, 1), -1}, {"Movie.SUB", Bytes(4096, 2), -1}};
    WriteBytes(dir.File("a.rar"), BuildStoredRar4(entries));

    unsigned result = 99;
    HANDLE h = api.Open(dir.File("a.rar"), &result);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(static_cast<unsigned>(ERAR_SUCCESS), result);
    api.setData(h, Receive);
    api.setChangeVol(h, nullptr);
    g_answer = 1;
    RARHeaderDataEx header;
    for (size_t i = 0; i < entries.size(); ++i) {
        ASSERT_EQ(ERAR_SUCCESS, api.readHeader(h, &header)) << i;
        EXPECT_EQ(Utf8ToWide(dir.File("a.rar")), std::wstring(header.ArcNameW));
        EXPECT_EQ(entries[i].data.size(), header.UnpSize | (static_cast<uint64_t>(header.UnpSizeHigh) << 32));
        if (i == 1) {
            // Skipped entries leave the next header where it belongs.
            EXPECT_EQ(ERAR_SUCCESS, api.process(h, RAR_SKIP, nullptr, nullptr));
            continue;
        }
        EXPECT_EQ(Utf8ToWide(entries[i].name), std::wstring(header.FileNameW));
        EXPECT_STREQ(entries[i].name.c_str(), header.FileName);
        g_received.clear();
        EXPECT_EQ(ERAR_SUCCESS, api.process(h, RAR_TEST, nullptr, nullptr));
        EXPECT_EQ(entries[i].data, g_received);
    }
    EXPECT_EQ(ERAR_END_ARCHIVE, api.readHeader(h, &header));
    EXPECT_EQ(ERAR_SUCCESS, api.close(h));
}

TEST(UnrarModule, Failures)
{
    Api api;
    ASSERT_TRUE(api.Complete());
    TempDir dir;
    unsigned result = 0;
    EXPECT_EQ(nullptr, api.Open(dir.File("none.rar"), &result));
    EXPECT_EQ(static_cast<unsigned>(ERAR_EOPEN), result);
    WriteBytes(dir.File("text.rar"), "this is no archive at all, just some text that is long enough");
    EXPECT_EQ(nullptr, api.Open(dir.File("text.rar"), &result));
    EXPECT_NE(static_cast<unsigned>(ERAR_SUCCESS), result);
    RAROpenArchiveDataEx empty{};
    EXPECT_EQ(nullptr, api.open(&empty));
    EXPECT_EQ(nullptr, api.open(nullptr));

    const std::string archive = BuildStoredRar4({{"one.sub", Bytes(5000, 3), -1}, {"two.sub", "x", -1}});
    WriteBytes(dir.File("a.rar"), archive);
    // The narrow name serves when there is no wide one; a backslash
    // separates folders.
    std::string narrow = dir.File("a.rar");
    RAROpenArchiveDataEx byNarrow{};
    byNarrow.ArcName = narrow.data();
    HANDLE h = api.open(&byNarrow);
    ASSERT_NE(nullptr, h);
    api.close(h);
    std::string backslashed = dir.path() + "\\a.rar";
    h = api.Open(backslashed);
    ASSERT_NE(nullptr, h);

    api.setData(h, Receive);
    EXPECT_EQ(ERAR_BAD_DATA, api.process(h, RAR_TEST, nullptr, nullptr));  // no header read yet
    RARHeaderDataEx header;
    ASSERT_EQ(ERAR_SUCCESS, api.readHeader(h, &header));
    g_answer = 0;  // the receiver stops the entry
    g_received.clear();
    EXPECT_NE(ERAR_SUCCESS, api.process(h, RAR_TEST, nullptr, nullptr));
    g_answer = 1;
    api.close(h);

    h = api.Open(dir.File("a.rar"));
    ASSERT_NE(nullptr, h);
    ASSERT_EQ(ERAR_SUCCESS, api.readHeader(h, &header));
    EXPECT_EQ(ERAR_ECREATE, api.process(h, RAR_EXTRACT, nullptr, nullptr));  // nothing is written to files
    ASSERT_EQ(ERAR_SUCCESS, api.readHeader(h, &header));
    EXPECT_STREQ(L"two.sub", header.FileNameW);
    api.close(h);

    // A damaged entry header and an archive cut inside the data fail. (The
    // archive library does not check the data checksum of stored entries:
    // damaged data reach the caller, whose own checks must hold.)
    std::string damaged = archive;
    damaged[20 + 30] ^= 0x55;
    for (const std::string& bad : {damaged, archive.substr(0, archive.size() / 2)}) {
        WriteBytes(dir.File("bad.rar"), bad);
        h = api.Open(dir.File("bad.rar"));
        int tested = ERAR_SUCCESS;
        if (h) {
            api.setData(h, Receive);
            tested = api.readHeader(h, &header);
            if (tested == ERAR_SUCCESS) tested = api.process(h, RAR_TEST, nullptr, nullptr);
            api.close(h);
        }
        EXPECT_TRUE(!h || tested != ERAR_SUCCESS) << bad.size();
    }
}

// A set whose .sub lies in movie.rar.
struct RarSet {
    TestSet set;
    RarSet()
    {
        set.Add(0, "en", 1000, PlainUnit(40, 20, 100, 50, 1, 90));
        set.Add(0, "en", 3000, PlainUnit(60, 30, 200, 300, 2, 90));
        set.Add(1, "ko", 2000, PlainUnit(30, 12, 10, 10, 3, 45));
    }
    void Write(TempDir& dir, std::vector<RarEntry> entries) const
    {
        WriteBytes(dir.File("movie.idx"), set.Index());
        WriteBytes(dir.File("movie.rar"), BuildStoredRar4(entries));
    }
};

TEST(VobSubRar, SubInsideTheArchive)
{
    TempDir dir;
    RarSet rar;
    rar.Write(
        dir,
        {{"notes.txt", "about", -1}, {"movie.idx", rar.set.Index(), -1}, {"MOVIE.Sub", rar.set.stream.Data(), -1}});
    auto fromRar = OpenVobSub(dir.File("movie.idx"));
    ASSERT_TRUE(fromRar);
    // The module was loaded for the open and freed after it.
    EXPECT_EQ(nullptr, GetModuleHandleW(L"unrar.dll"));
    EXPECT_EQ(rar.set.stream.Data().size(), fromRar->GetSubData().size());
    EXPECT_EQ(2, fromRar->GetStreamCount());

    TempDir plainDir;
    auto plain = OpenVobSub(rar.set.Write(plainDir));
    ASSERT_TRUE(plain);
    for (int stream : {0, 1}) {
        ASSERT_EQ(S_OK, fromRar->SetStream(stream));
        ASSERT_EQ(S_OK, plain->SetStream(stream));
        for (int i = 1; i <= static_cast<int>(reinterpret_cast<uintptr_t>(plain->GetLastPosition())); ++i) {
            TestSurface a(720, 480), b(720, 480);
            RECT ra, rb;
            ASSERT_EQ(S_OK, fromRar->GetPicture(Pos(i), &a.surface, &ra));
            ASSERT_EQ(S_OK, plain->GetPicture(Pos(i), &b.surface, &rb));
            EXPECT_EQ(rb, ra);
            EXPECT_EQ(b.pixels, a.pixels);
            REFERENCE_TIME da = 0, db = 0;
            fromRar->GetDuration(Pos(i), &da);
            plain->GetDuration(Pos(i), &db);
            EXPECT_EQ(db, da);
        }
    }
}

TEST(VobSubRar, ArchivesThatDoNotOpenTheSet)
{
    RarSet rar;
    const std::string data = rar.set.stream.Data();
    const struct {
        const char* name;
        std::vector<RarEntry> entries;
    } rows[] = {
        {"no .sub entry", {{"movie.idx", "x", -1}, {"movie.sub.txt", data, -1}}},
        {"a .sub that is not a program stream", {{"movie.sub", std::string(4096, 'z'), -1}}},
        {"an empty .sub", {{"movie.sub", "", -1}}},
        {"a stated size beyond the limit", {{"movie.sub", data, int64_t(1) << 40}}},
        {"a stated size larger than the data", {{"movie.sub", data, static_cast<int64_t>(data.size()) + 4096}}},
        {"no entries at all", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        rar.Write(dir, row.entries);
        EXPECT_FALSE(OpenVobSub(dir.File("movie.idx")));
    }
    // An archive that is not one, and one cut short.
    TempDir dir;
    rar.Write(dir, {});
    WriteBytes(dir.File("movie.rar"), "Rar!\x1A\x07");
    EXPECT_FALSE(OpenVobSub(dir.File("movie.idx")));
    const std::string whole = BuildStoredRar4({{"movie.sub", data, -1}});
    WriteBytes(dir.File("movie.rar"), whole.substr(0, whole.size() - 3000));
    EXPECT_FALSE(OpenVobSub(dir.File("movie.idx")));
}

TEST(VobSubRar, NothingBeyondTheStatedSizeIsKept)
{
    RarSet rar;
    const std::string data = rar.set.stream.Data();
    TempDir dir;
    rar.Write(dir, {{"movie.sub", data, 2048}});
    auto file = OpenVobSub(dir.File("movie.idx"));
    // The archive reader delivers all the stored data; only the stated
    // 2048 bytes become the stream, so only the first unit shows.
    ASSERT_TRUE(file);
    EXPECT_EQ(2048u, file->GetSubData().size());
    TestSurface target(720, 480);
    RECT drawn;
    EXPECT_EQ(S_OK, file->GetPicture(Pos(1), &target.surface, &drawn));
    EXPECT_EQ(E_FAIL, file->GetPicture(Pos(2), &target.surface, &drawn));
}

}  // namespace
