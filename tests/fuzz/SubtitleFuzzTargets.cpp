#include "SubtitleFuzzTargets.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "encoder/subtitles/SamiFile.h"
#include "encoder/subtitles/SsaScript.h"
#include "encoder/subtitles/TextSubFile.h"
#include "platform/win32/CodePage.h"

namespace {

// One private folder per process for the input file.
class InputFile {
public:
    InputFile()
    {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/rivo-fuzz-XXXXXX";
        if (mkdtemp(tmpl.data())) {
            folder_ = tmpl;
            path_ = folder_ + "/input.sub";
        }
    }
    ~InputFile()
    {
        if (folder_.empty()) return;
        unlink(path_.c_str());
        rmdir(folder_.c_str());
    }
    // Writes the bytes; the path to read them back, or empty on failure.
    CString Write(const uint8_t* data, size_t size)
    {
        if (path_.empty()) return CString();
        FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return CString();
        bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
        ok = std::fclose(f) == 0 && ok;
        return ok ? CString(Utf8ToWide(path_)) : CString();
    }

private:
    std::string folder_;
    std::string path_;
};

InputFile& Input()
{
    static InputFile file;
    return file;
}

// Asks a provider everything the video filter would.
void Exercise(ISubPicProvider* p)
{
    int steps = 0;
    for (POSITION pos = p->GetFirstPosition(); pos && steps < 10000; pos = p->GetNextPosition(pos), ++steps) {
        const wchar_t* text = nullptr;
        REFERENCE_TIME start = 0;
        p->GetText(pos, &text);
        p->GetStartTime(pos, &start);
        if (text) (void)std::char_traits<wchar_t>::length(text);
    }
    for (POSITION pos = p->GetLastPosition(); pos && steps < 20000; pos = p->GetPrevPosition(pos), ++steps) {}
    POSITION hint = nullptr;
    for (REFERENCE_TIME t : {REFERENCE_TIME(0), REFERENCE_TIME(10000000), REFERENCE_TIME(-1), REFERENCE_TIME(INT64_MAX),
                             REFERENCE_TIME(36000000000)})
        hint = p->FindPosition(hint, t);
    p->SetTimeOffset(INT64_MIN);
    p->FindPosition(nullptr, INT64_MIN);
}

SubtitleOpenParams ParamsFrom(const uint8_t* data, size_t size)
{
    SubtitleOpenParams params;
    uint8_t selector = size > 0 ? data[size - 1] : 0;
    params.nCodePage = (selector & 1) ? ((selector & 16) ? 0 /* ANSI */ : 949) : -1;
    params.nLineJoinMode = (selector >> 1) & 1;
    params.nDefaultColor = (selector & 4) ? 0x00FF8040 : -1;
    params.nFrameRateNum = (selector & 8) ? 25000 : 23976;
    return params;
}

}  // namespace

int FuzzSamiFile(const uint8_t* data, size_t size)
{
    CString path = Input().Write(data, size);
    if (path.IsEmpty()) return 0;
    SubtitleOpenParams params = ParamsFrom(data, size);
    ISubPicProvider* p = CreateSamiProvider(path, &params);
    if (!p) return 0;
    p->AddRef();
    Exercise(p);
    ISamiLanguage* lang = nullptr;
    if (p->QueryInterface(IID_ISamiLanguage, reinterpret_cast<void**>(&lang)) == S_OK) {
        for (int i = -1; i <= lang->GetLanguageCount(); ++i) {
            lang->SetLanguage(lang->GetLanguageId(i));
            lang->HasLanguage(lang->GetLanguageId(i));
            Exercise(p);
        }
        lang->SetLanguage(1041);
        Exercise(p);
        lang->Release();
    }
    p->Release();
    return 0;
}

int FuzzMicroDvdAndSubRip(const uint8_t* data, size_t size)
{
    CString path = Input().Write(data, size);
    if (path.IsEmpty()) return 0;
    SubtitleOpenParams params = ParamsFrom(data, size);
    DetectTextSubtitleType(path);
    for (int type : {kSubtitleMicroDvd, kSubtitleSubRip}) {
        ISubPicProvider* p = CreateTextSubProvider(path, &params, type);
        if (!p) continue;
        p->AddRef();
        Exercise(p);
        p->Release();
    }
    return 0;
}

int FuzzSsaScript(const uint8_t* data, size_t size)
{
    CString path = Input().Write(data, size);
    if (path.IsEmpty()) return 0;
    SubtitleOpenParams params = ParamsFrom(data, size);
    ISubPicProvider* p = CreateTextSubProvider(path, &params, kSubtitleSsa);
    if (p) {
        p->AddRef();
        Exercise(p);
        p->Release();
    }
    // The text converter on its own, with the bytes as Latin-1 text.
    std::wstring text(data, data + size);
    bool known = false;
    ConvertSsaDialogueText(CString(text), -1);
    ConvertSsaOverrides(CString(text), 0x123456, &known);
    return 0;
}
