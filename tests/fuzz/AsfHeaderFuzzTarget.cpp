#include "AsfHeaderFuzzTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "MemoryFile.h"
#include "encoder/pipeline/AsfFormat.h"
#include "platform/win32/CodePage.h"

namespace {

// The input lives in an anonymous in-memory file; the export goes to a
// private folder of the run.
class AsfInput {
public:
    AsfInput() : file_("rivo-asf-fuzz")
    {
        char pattern[] = "/tmp/rivo-asf-fuzz-XXXXXX";
        if (mkdtemp(pattern)) folder_ = pattern;
    }
    ~AsfInput()
    {
        if (folder_.empty()) return;
        unlink(Output().c_str());
        rmdir(folder_.c_str());
    }
    bool Write(const uint8_t* data, size_t size) { return !folder_.empty() && file_.Write(data, size); }
    std::string Input() const { return file_.Path(); }
    std::string Output() const { return folder_ + "/out.smi"; }

private:
    MemoryFile file_;
    std::string folder_;
};

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int FuzzAsfHeader(const uint8_t* data, size_t size)
{
    static AsfInput input;
    if (!input.Write(data, size)) return 0;
    CAsfFormat asf;
    if (asf.Open(CString(Utf8ToWide(input.Input()))) != 1) std::abort();
    const std::string out = input.Output();
    unlink(out.c_str());
    const int written = asf.ExportCommandsAsSami(CString(Utf8ToWide(out)));
    struct stat st {};
    const bool exists = stat(out.c_str(), &st) == 0;
    if (written != (asf.Commands().empty() ? 0 : 1) || exists != (written == 1)) std::abort();
    if (written) {
        std::ifstream in(out, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (text.rfind("<BODY>\r\n", 0) != 0 || !EndsWith(text, "</BODY>\r\n")) std::abort();
    }
    return 0;
}
