// x264.dll stands in the program folder exactly when libavcodec here has the
// libx264 encoder, and then that encoder really opens; the module loads and
// unloads through the program's loader, exports nothing (the program looks
// nothing up in it), and depends on the libavcodec that needs libx264, so it
// cannot load where they are missing.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "tests/support/TempDir.h"

namespace {

std::string ModulePath() { return std::string(std::getenv("RIVO_BIN_DIR")) + "/x264.dll"; }

TEST(X264Module, StandsInTheProgramFolderExactlyWhenTheEncoderExists)
{
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
    ASSERT_EQ(encoder != nullptr, std::filesystem::exists(ModulePath()));
    if (!encoder) GTEST_SKIP() << "libavcodec here has no libx264 encoder";

    // What the module's presence promises: the writers can open it.
    AVCodecContext* context = avcodec_alloc_context3(encoder);
    ASSERT_NE(nullptr, context);
    context->width = 64;
    context->height = 64;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, 25};
    EXPECT_EQ(0, avcodec_open2(context, encoder, nullptr));
    avcodec_free_context(&context);
}

TEST(X264Module, LoadsAndUnloadsAndExportsNothing)
{
    if (!std::filesystem::exists(ModulePath())) GTEST_SKIP() << "x264.dll is not built here";
    std::wstring path = Utf8ToWide(ModulePath());
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(module, GetModuleHandleW(L"x264.dll"));
    EXPECT_EQ(nullptr, GetProcAddress(module, "DllGetClassObject"));
    EXPECT_NE(0, FreeLibrary(module));
    EXPECT_EQ(nullptr, GetModuleHandleW(path.c_str()));

    int code = -1;
    std::string defined = RunTool("nm -D --defined-only '" + ModulePath() + "'", &code);
    EXPECT_EQ(0, code);
    EXPECT_EQ("", defined);

    // Needed: libavcodec, and by it libx264.
    std::string needed = RunTool("readelf -d '" + ModulePath() + "'", &code);
    EXPECT_NE(std::string::npos, needed.find("[libavcodec.so.")) << needed;
    std::string avcodec = RunTool("ldd '" + ModulePath() + "' | grep -o '/[^ ]*libavcodec[^ ]*'", &code);
    while (!avcodec.empty() && (avcodec.back() == '\n' || avcodec.back() == ' ')) avcodec.pop_back();
    ASSERT_FALSE(avcodec.empty());
    EXPECT_NE(std::string::npos, RunTool("readelf -d '" + avcodec + "'").find("[libx264.so.")) << avcodec;
}

}  // namespace
