#include "SubtitleFileText.h"

#include <algorithm>

#include "platform/win32/CodePage.h"
#include "platform/win32/CodePageDetect.h"
#include "platform/win32/Files.h"

namespace {

constexpr size_t kDetectBytes = 5000;

class FileCloser {
public:
    explicit FileCloser(HANDLE h) : h_(h) {}
    ~FileCloser()
    {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    HANDLE h_;
};

bool StartsWith(const std::string& bytes, const char* mark, size_t n)
{
    return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0;
}

std::wstring UpToNul(std::wstring text)
{
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

}  // namespace

bool ReadSubtitleBytes(const CString& path, int64_t maxBytes, std::string* bytes, bool* complete,
                       SubtitleReadFailure* failure)
{
    SubtitleReadFailure ignored;
    if (!failure) failure = &ignored;
    *failure = kSubtitleReadOk;
    bytes->clear();
    if (complete) *complete = false;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *failure = kSubtitleCannotOpen;
        return false;
    }
    FileCloser closer(file);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) {
        *failure = kSubtitleReadFailed;
        return false;
    }
    if (size.QuadPart >= kSubtitleFileLimit) {
        *failure = kSubtitleTooBig;
        return false;
    }
    int64_t want = maxBytes < 0 ? size.QuadPart : std::min<int64_t>(maxBytes, size.QuadPart);
    bytes->resize(static_cast<size_t>(want));
    size_t done = 0;
    while (done < bytes->size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes->data() + done, static_cast<DWORD>(bytes->size() - done), &got, nullptr)) {
            bytes->clear();
            *failure = kSubtitleReadFailed;
            return false;
        }
        if (got == 0) break;  // the file shrank while being read
        done += got;
    }
    bytes->resize(done);
    if (complete) *complete = static_cast<int64_t>(done) >= size.QuadPart;
    return true;
}

UINT ChooseSubtitleCodePage(const std::string& bytes, int codePageSetting, UINT preferredCodePage)
{
    if (codePageSetting >= 0) return static_cast<UINT>(codePageSetting);
    DetectEncodingInfo info;
    INT size = static_cast<INT>(std::min(bytes.size(), kDetectBytes));
    INT count = 1;
    if (DetectInputCodepage(MLDETECTCP_DBCS, preferredCodePage, bytes.data(), &size, &info, &count) == S_OK &&
        count >= 1) {
        switch (info.nCodePage) {
        case 932:
        case 936:
        case 949:
        case 950:
        case CP_UTF8:
            return info.nCodePage;
        default:
            break;
        }
    }
    return preferredCodePage;
}

std::wstring DecodeSubtitleBytes(const std::string& bytes, int codePageSetting, UINT preferredCodePage,
                                 UINT* codePageUsed)
{
    if (StartsWith(bytes, "\xFF\xFE", 2)) {
        if (codePageUsed) *codePageUsed = CP_UTF16LE;
        return UpToNul(Utf16LeBytesToWide(bytes.data() + 2, bytes.size() - 2));
    }
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) {
        if (codePageUsed) *codePageUsed = CP_UTF8;
        return UpToNul(Utf8ToWide(std::string_view(bytes).substr(3)));
    }
    UINT cp = ChooseSubtitleCodePage(bytes, codePageSetting, preferredCodePage);
    if (codePageUsed) *codePageUsed = cp;
    return UpToNul(MultiByteToWide(cp, bytes));
}
