#include "SubtitleFileText.h"

#include <algorithm>
#include <utility>

#include "platform/win32/CodePage.h"
#include "platform/win32/CodePageDetect.h"
#include "platform/win32/Files.h"

namespace {

constexpr size_t kDetectBytes = 5000;
constexpr UINT kAsciiCodePage = 20127;
// Below this many bytes detection has too little to go on: a line or two of
// Korean is easily taken for Western text.
constexpr size_t kShortText = 256;

class FileCloser {
public:
    explicit FileCloser(HANDLE h) : m_h(h) {}
    ~FileCloser()
    {
        if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    HANDLE m_h;
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

bool IsAscii(const std::string& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A text whose lines end in a carriage return alone (no line feed anywhere)
// is read as if they ended in carriage return and line feed, the line end
// every reader knows.
std::wstring WithLineFeeds(std::wstring text)
{
    if (text.find(L'\n') != std::wstring::npos || text.find(L'\r') == std::wstring::npos) return text;
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (wchar_t c : text) {
        out += c;
        if (c == L'\r') out += L'\n';
    }
    return out;
}

// Whether the code page detection names is taken for the data. Plain
// ASCII tells nothing; UTF-8 only for data that are UTF-8; for a short
// text only the far-eastern double-byte code pages (and valid UTF-8), as
// detection was first taken, else the code page the caller prefers.
bool TakesDetected(UINT detected, const std::string& bytes)
{
    if (detected == kAsciiCodePage || !IsValidCodePage(detected)) return false;
    if (detected == CP_UTF8) return IsValidUtf8(bytes);
    if (bytes.size() < kShortText) return detected == 932 || detected == 936 || detected == 949 || detected == 950;
    return true;
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
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
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
    UINT codePage = preferredCodePage;
    if (codePageSetting >= 0) {
        codePage = static_cast<UINT>(codePageSetting);
    } else {
        DetectEncodingInfo info;
        INT size = static_cast<INT>(std::min(bytes.size(), kDetectBytes));
        INT count = 1;
        if (DetectInputCodepage(MLDETECTCP_DBCS, preferredCodePage, bytes.data(), &size, &info, &count) == S_OK &&
            count >= 1 && TakesDetected(info.nCodePage, bytes))
            codePage = info.nCodePage;
    }
    // The ANSI code page of this platform's files is UTF-8: text that is
    // valid UTF-8 and not plain ASCII is read so, other text with the ANSI
    // code page.
    if (codePage == CP_ACP && !IsAscii(bytes) && IsValidUtf8(bytes)) return CP_UTF8;
    return codePage;
}

std::wstring DecodeSubtitleBytes(const std::string& bytes, int codePageSetting, UINT preferredCodePage,
                                 UINT* codePageUsed)
{
    UINT used = 0;
    std::wstring text;
    if (StartsWith(bytes, "\xFF\xFE", 2)) {
        used = CP_UTF16LE;
        text = Utf16LeBytesToWide(bytes.data() + 2, bytes.size() - 2);
    } else if (StartsWith(bytes, "\xFE\xFF", 2)) {
        used = CP_UTF16BE;
        std::string swapped = bytes.substr(2);
        for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
        text = Utf16LeBytesToWide(swapped.data(), swapped.size());
    } else if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) {
        used = CP_UTF8;
        text = Utf8ToWide(std::string_view(bytes).substr(3));
    } else {
        used = ChooseSubtitleCodePage(bytes, codePageSetting, preferredCodePage);
        text = MultiByteToWide(used, bytes);
    }
    if (codePageUsed) *codePageUsed = used;
    return WithLineFeeds(UpToNul(std::move(text)));
}
