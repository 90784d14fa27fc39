#include "ReaderFuzzTarget.h"

#include <sys/mman.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "platform/win32/CodePage.h"
#include "reader/FormatDetection.h"
#include "reader/ReportBuilder.h"

namespace {

// The input lives in an anonymous in-memory file, named by its descriptor's
// path, so that the analysers open it as they open any file and nothing is
// written to disk.
class InputFile {
public:
    InputFile() : fd_(memfd_create("rivo-reader-fuzz", MFD_CLOEXEC)) {}
    ~InputFile()
    {
        if (fd_ >= 0) close(fd_);
    }
    // Replaces the file's bytes; the path to read them back, or empty.
    CString Write(const uint8_t* data, size_t size)
    {
        if (fd_ < 0 || ftruncate(fd_, 0) != 0) return CString();
        size_t done = 0;
        while (done < size) {
            ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) return CString();
            done += static_cast<size_t>(n);
        }
        return CString(Utf8ToWide("/proc/self/fd/" + std::to_string(fd_)));
    }

private:
    int fd_;
};

class NullSink : public CReportSink {
public:
    void AppendReportText(const CString&) override {}
    void ClearReport() override {}
    void ShowErrorMessage(const CString&) override {}
};

}  // namespace

int FuzzMediaFile(const uint8_t* data, size_t size)
{
    static InputFile input;
    CString path = input.Write(data, size);
    if (path.IsEmpty()) return 0;
    NullSink sink;
    CReportBuilder builder(sink);
    builder.BuildReport(path);
    for (int type = FILETYPE_AVI; type <= FILETYPE_FLV; ++type) {
        std::unique_ptr<MediaFileInfo> analyser = CreateFileParser(type);
        if (!analyser) continue;
        analyser->Analyse(path);
        builder.WriteReport(path, *analyser);
    }
    return 0;
}
