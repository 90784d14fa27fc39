// The H.264 module check: the module of the program folder loads (and is
// freed at once) only when it stands there and its libraries load; every
// video code the module encodes is known as H.264.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "CoreTestSupport.h"
#include "encoder/core/H264Module.h"
#include "platform/win32/Module.h"

namespace {

class H264ModuleTest : public CoreTest {};

TEST_F(H264ModuleTest, LoadsOnlyTheProgramFoldersWorkingModule)
{
    const std::string target = ProgramFolder() + "x264.dll";
    EXPECT_FALSE(CanLoadH264Module());
    std::ofstream(target) << "not a shared object";
    EXPECT_FALSE(CanLoadH264Module());
    const std::string built = std::string(std::getenv("RIVO_BIN_DIR")) + "/x264.dll";
    if (!std::filesystem::exists(built)) GTEST_SKIP() << "x264.dll is not built here";
    std::filesystem::copy_file(built, target, std::filesystem::copy_options::overwrite_existing);
    EXPECT_TRUE(CanLoadH264Module());
    EXPECT_EQ(nullptr, GetModuleHandleW(L"x264.dll"));  // freed again
}

TEST_F(H264ModuleTest, EveryCodeOfTheModuleIsH264)
{
    struct Row {
        DWORD fourcc;
        bool h264;
    };
    const Row rows[] = {{MAKEFOURCC('a', 'v', 'c', '1'), true},  {MAKEFOURCC('H', '2', '6', '4'), true},
                        {MAKEFOURCC('X', '2', '6', '4'), true},  {MAKEFOURCC('x', '2', '6', '4'), true},
                        {MAKEFOURCC('h', '2', '6', '4'), false}, {MAKEFOURCC('X', 'V', 'I', 'D'), false},
                        {MAKEFOURCC('m', 'p', '4', 'v'), false}, {0, false}};
    for (const Row& row : rows) EXPECT_EQ(row.h264, IsH264Fourcc(row.fourcc)) << std::hex << row.fourcc;
}

}  // namespace
