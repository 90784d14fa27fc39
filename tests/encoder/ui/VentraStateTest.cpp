// Status publication: the record at load, at a job's start, with progress
// and when the progress window goes, as a recording module receives it; a
// module without one export or both; no module at all; and the program's
// own module, which hands the last record back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "encoder/ui/VentraState.h"
#include "platform/win32/CodePage.h"
#include "tests/support/TempDir.h"

namespace {

// The module's history as the recording fixture kept it.
std::vector<VentraState> History(HMODULE module)
{
    using Count = int (*)();
    using At = int (*)(int, VentraState*);
    auto count = reinterpret_cast<Count>(GetProcAddress(module, "RecordedVentraCount"));
    auto at = reinterpret_cast<At>(GetProcAddress(module, "RecordedVentraAt"));
    std::vector<VentraState> out;
    if (!count || !at) return out;
    for (int i = 0; i < count(); ++i) {
        VentraState s;
        at(i, &s);
        out.push_back(s);
    }
    return out;
}

struct Flags {
    int running, percent, finished;
    bool operator==(const Flags&) const = default;
};
Flags FlagsOf(const VentraState& s) { return Flags{s.running, s.percent, s.finished}; }

void PrintTo(const Flags& f, std::ostream* os)
{
    *os << "{" << f.running << "," << f.percent << "," << f.finished << "}";
}

class VentraStateTest : public testing::Test {
protected:
    void TearDown() override
    {
        VentraState& record = GetVentraState();
        if (record.module) FreeLibrary(record.module);
        record = VentraState();
    }
    // A new program folder (named) with a fixture module of the test
    // programs' folder copied in as "Ventra.dll", or with none.
    CString ProgramFolderWith(const std::string& name, const char* fixture)
    {
        std::string folder = temp_.File(name);
        std::filesystem::create_directories(folder);
        if (fixture)
            std::filesystem::copy_file(std::string(RIVO_TEST_PROGRAM_DIR) + "/" + fixture, folder + "/Ventra.dll");
        return CString(Utf8ToWide(folder + "/"));
    }
    TempDir temp_;
};

TEST_F(VentraStateTest, RecordAtLoadJobStartProgressAndWindowEnd)
{
    VentraState& record = GetVentraState();
    ASSERT_EQ(1, LoadVentra(record, ProgramFolderWith("prog", "RecordingVentra.dll")));
    ASSERT_NE(nullptr, record.module);
    EXPECT_EQ(GetProcAddress(record.module, "SetVentra"), record.setEntry);
    EXPECT_EQ(GetProcAddress(record.module, "GetVentra"), record.getEntry);

    // Two jobs of one batch, then the window goes; a second batch starts.
    VentraSetRunning(1);
    VentraSetPercent(37);
    VentraSetPercent(100);
    VentraSetRunning(1);
    VentraSetPercent(12);
    VentraSetFinished(1);
    VentraSetRunning(1);
    std::vector<VentraState> seen = History(record.module);
    const std::vector<Flags> expected = {
        {0, 0, 0},                                                                            // published once at load
        {1, 0, 0}, {1, 37, 0}, {1, 100, 0}, {1, 100, 0}, {1, 12, 0}, {1, 12, 1}, {1, 12, 1},  // flags are never reset
    };
    ASSERT_EQ(expected.size(), seen.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(expected[i], FlagsOf(seen[i])) << i;
        // The module sees its own handle and entries in every record.
        EXPECT_EQ(record.module, seen[i].module) << i;
        EXPECT_EQ(record.setEntry, seen[i].setEntry) << i;
        EXPECT_EQ(record.getEntry, seen[i].getEntry) << i;
    }
}

TEST_F(VentraStateTest, LoadingAgainFreesTheModuleAndClearsTheFlags)
{
    VentraState& record = GetVentraState();
    CString folder = ProgramFolderWith("prog", "RecordingVentra.dll");
    ASSERT_EQ(1, LoadVentra(record, folder));
    VentraSetRunning(1);
    VentraSetFinished(1);
    ASSERT_EQ(1, LoadVentra(record, folder));
    EXPECT_EQ((Flags{0, 0, 0}), FlagsOf(record));
    // The module was unloaded, so its history starts afresh.
    std::vector<VentraState> seen = History(record.module);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ((Flags{0, 0, 0}), FlagsOf(seen[0]));
}

TEST_F(VentraStateTest, ModulesWithoutTheirExportsOrNoModule)
{
    struct Case {
        const char* fixture;
        int result;
        bool loaded, set, get;
        size_t published;  // records the module received by the end
    };
    const Case cases[] = {
        {nullptr, 0, false, false, false, 0},
        {"VentraNoExports.dll", 0, true, false, false, 0},
        {"VentraSetOnly.dll", 0, true, true, false, 3},
    };
    for (const Case& c : cases) {
        std::string name = c.fixture ? c.fixture : "none";
        SCOPED_TRACE(name);
        VentraState& record = GetVentraState();
        EXPECT_EQ(c.result, LoadVentra(record, ProgramFolderWith(name, c.fixture)));
        EXPECT_EQ(c.loaded, record.module != nullptr);
        EXPECT_EQ(c.set, record.setEntry != nullptr);
        EXPECT_EQ(c.get, record.getEntry != nullptr);
        // The values are kept whether or not anything is published.
        VentraSetRunning(1);
        VentraSetPercent(50);
        EXPECT_EQ((Flags{1, 50, 0}), FlagsOf(record));
        if (record.module) {
            EXPECT_EQ(c.published, History(record.module).size());
            FreeLibrary(record.module);
        }
        record = VentraState();
    }
}

TEST_F(VentraStateTest, ProgramModuleHandsBackTheLastRecord)
{
    const char* bin = std::getenv("RIVO_BIN_DIR");
    ASSERT_NE(nullptr, bin) << "the tests find the program folder through RIVO_BIN_DIR";
    CString folder = ProgramFolderWith("prog", nullptr);
    std::filesystem::copy_file(std::string(bin) + "/Ventra.dll", temp_.File("prog/Ventra.dll"));
    VentraState& record = GetVentraState();
    ASSERT_EQ(1, LoadVentra(record, folder));
    auto get = reinterpret_cast<PFN_GETVENTRA>(record.getEntry);
    VentraState copy;
    copy.percent = -1;
    ASSERT_EQ(1, get(&copy));
    EXPECT_EQ((Flags{0, 0, 0}), FlagsOf(copy));
    VentraSetRunning(1);
    VentraSetPercent(64);
    ASSERT_EQ(1, get(&copy));
    EXPECT_EQ((Flags{1, 64, 0}), FlagsOf(copy));
    EXPECT_EQ(record.module, copy.module);
    EXPECT_EQ(0, get(nullptr));
}

}  // namespace
