// Developer tool: prints, for each file named on the command line, exactly
// the text that RivoReader's report builder appends to its report box (lines
// end with "\r\n"; text is written as UTF-8). Messages that the program would
// show in a message box go to standard error, one a line.
//
//   rivoreader-report FILE...
//
// Exit status: 0 when every file gave a report, 1 when any gave a message
// instead, 2 for a wrong command line.
#include <cstdio>
#include <string>

#include "platform/win32/CodePage.h"
#include "platform/win32/NativePath.h"
#include "reader/ReportBuilder.h"

namespace {

class StreamSink : public CReportSink {
public:
    void AppendReportText(const CString& text) override
    {
        std::string bytes = WideToUtf8(text.str());
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    }
    // Emptying the box cannot take back text already printed; the builder
    // only does it before it has appended anything for the file.
    void ClearReport() override {}
    void ShowErrorMessage(const CString& text) override
    {
        std::string bytes = WideToUtf8(text.str());
        std::fprintf(stderr, "%s\n", bytes.c_str());
        messages = true;
    }
    bool messages = false;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: rivoreader-report FILE...\n");
        return 2;
    }
    StreamSink sink;
    CReportBuilder builder(sink);
    for (int i = 1; i < argc; ++i) {
        builder.BuildReport(CString(FromNativePath(argv[i])));
        std::fflush(stdout);
    }
    return sink.messages ? 1 : 0;
}
