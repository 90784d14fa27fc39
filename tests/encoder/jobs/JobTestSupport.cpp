#include "tests/encoder/jobs/JobTestSupport.h"

#include <cstdlib>

#include "encoder/core/FilterModuleLoader.h"
#include "encoder/core/LangTextTable.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/win32/CodePage.h"

void JobTest::SetUp()
{
    CoreTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_EQ(S_OK, RegisterSystemFilters());
    const char* bin = std::getenv("RIVO_BIN_DIR");
    ASSERT_NE(nullptr, bin) << "the tests find the program folder through RIVO_BIN_DIR";
    CString lang = CString(Utf8ToWide(std::string(bin) + "/lang/"));
    GetLangTextTable().LoadLangFile(lang + L"english.ini", lang + L"korean.ini", L"");
}

void JobTest::TearDown()
{
    FreeFilterModules();
    CoUninitialize();
    CoreTest::TearDown();
}

TestHttpReply ServeBytes(const TestHttpRequest& request, const std::string& bytes)
{
    TestHttpReply reply;
    reply.headers = {{"Content-Type", "application/octet-stream"}, {"Accept-Ranges", "bytes"}};
    std::string range = request.Header("Range");
    size_t first = 0;
    if (range.rfind("bytes=", 0) == 0) first = std::strtoull(range.c_str() + 6, nullptr, 10);
    if (first >= bytes.size() && !bytes.empty()) {
        reply.statusLine = "HTTP/1.1 416 Range Not Satisfiable";
        return reply;
    }
    if (!range.empty()) {
        reply.statusLine = "HTTP/1.1 206 Partial Content";
        reply.headers.push_back({"Content-Range", "bytes " + std::to_string(first) + "-" +
                                                      std::to_string(bytes.size() - 1) + "/" +
                                                      std::to_string(bytes.size())});
    }
    reply.body = bytes.substr(first);
    return reply;
}
