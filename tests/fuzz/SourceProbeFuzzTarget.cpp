#include "SourceProbeFuzzTarget.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "MemoryFile.h"
#include "encoder/core/SourceProbe.h"
#include "platform/win32/CodePage.h"

namespace {

// The input lives in an anonymous in-memory file; the names the probes see
// are symbolic links to it in a private folder, so the extensions count and
// nothing but the links is written to disk.
class ProbeInput {
public:
    ProbeInput() : file_("rivo-probe-fuzz")
    {
        char pattern[] = "/tmp/rivo-probe-fuzz-XXXXXX";
        if (!file_.valid() || !mkdtemp(pattern)) return;
        folder_ = pattern;
        const std::string target = file_.Path();
        for (const char* name : {"clip.avi", "clip.dmb", "VIDEO_TS.IFO", "clip.MOV", "show.rec"}) {
            std::string link = folder_ + "/" + name;
            if (symlink(target.c_str(), link.c_str()) == 0) names_.push_back(link);
        }
        std::FILE* companion = std::fopen((folder_ + "/show.idx").c_str(), "wb");
        if (companion) std::fclose(companion);
    }
    ~ProbeInput()
    {
        for (const std::string& n : names_) unlink(n.c_str());
        if (!folder_.empty()) {
            unlink((folder_ + "/show.idx").c_str());
            rmdir(folder_.c_str());
        }
    }
    bool Write(const uint8_t* data, size_t size) { return file_.Write(data, size); }
    const std::vector<std::string>& Names() const { return names_; }

private:
    MemoryFile file_;
    std::string folder_;
    std::vector<std::string> names_;
};

bool IsLocalFileCode(SourceTypeCode code)
{
    static const SourceTypeCode kCodes[] = {
        kSourceUnknown,   kSourceIdxCompanion, kSourceRivoFile,    kSourceAvi,           kSourceAviBadIndex,
        kSourceAsf,       kSourceAsfNoIndex,   kSourceMpegProgram, kSourceMpegTransport, kSourceMpegTransportDmb,
        kSourceMp4,       kSourceOgg,          kSourceRealMedia,   kSourceMatroska,      kSourceRiffCdda,
        kSourceRiffCdxa,  kSourceVgm2,         kSourceFlv,         kSourceSwf,           kSourceDvd,
        kSourceEmptyFile,
    };
    for (SourceTypeCode c : kCodes)
        if (c == code) return true;
    return false;
}

}  // namespace

int FuzzSourceProbe(const uint8_t* data, size_t size)
{
    static ProbeInput input;
    if (!input.Write(data, size)) return 0;
    for (const std::string& name : input.Names()) {
        SourceTypeCode code = ProbeMediaSource(CString(Utf8ToWide(name)));
        if (!IsLocalFileCode(code)) {
            std::fprintf(stderr, "probing %s gave 0x%X\n", name.c_str(), static_cast<unsigned>(code));
            std::abort();
        }
    }
    return 0;
}
