#include "platform/dshow/CheckBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/win32/Registry.h"
#include "platform/win32/TextScan.h"

CheckBytesFile::~CheckBytesFile()
{
    if (file_) std::fclose(file_);
}

bool CheckBytesFile::Open(const std::string& nativePath)
{
    if (file_) std::fclose(file_);
    file_ = nullptr;
    // Opened without waiting, so that a FIFO nobody writes to cannot hold
    // the caller: only a regular file is read.
    int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file_ = fdopen(fd, "rb");
    if (!file_) {
        ::close(fd);
        return false;
    }
    size_ = st.st_size;
    return true;
}

bool CheckBytesFile::Read(long long offset, size_t count, std::string* out)
{
    if (!file_) return false;
    long long at = offset < 0 ? size_ + offset : offset;
    if (at < 0 || at > size_ || static_cast<long long>(count) > size_ - at) return false;
    if (fseeko(file_, static_cast<off_t>(at), SEEK_SET) != 0) return false;
    out->resize(count);
    return count == 0 || std::fread(out->data(), 1, count, file_) == count;
}

namespace {

std::wstring_view Trim(std::wstring_view s)
{
    while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
    return s;
}

bool ParseDecimal(std::wstring_view s, long long* out)
{
    s = Trim(s);
    bool negative = !s.empty() && s.front() == L'-';
    if (negative) s.remove_prefix(1);
    if (s.empty() || s.size() > 18) return false;
    long long v = 0;
    for (wchar_t c : s) {
        if (c < L'0' || c > L'9') return false;
        v = v * 10 + (c - L'0');
    }
    *out = negative ? -v : v;
    return true;
}

bool ParseHex(std::wstring_view s, std::string* out)
{
    s = Trim(s);
    if (s.size() % 2) return false;
    out->clear();
    for (size_t i = 0; i < s.size(); i += 2) {
        int hi = HexDigitValue(s[i]), lo = HexDigitValue(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<char>((hi << 4) | lo));
    }
    return true;
}

bool QuadrupleMatches(std::wstring_view offsetText, std::wstring_view countText, std::wstring_view maskText,
                      std::wstring_view valueText, CheckBytesFile& file)
{
    long long offset = 0, count = 0;
    std::string mask, value, bytes;
    if (!ParseDecimal(offsetText, &offset) || !ParseDecimal(countText, &count)) return false;
    if (count <= 0 || static_cast<size_t>(count) > kMaxCheckBytes) return false;
    if (!ParseHex(maskText, &mask) || !ParseHex(valueText, &value)) return false;
    if (value.size() != static_cast<size_t>(count) || mask.size() > value.size()) return false;
    if (!file.Read(offset, static_cast<size_t>(count), &bytes)) return false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char m = i < mask.size() ? static_cast<unsigned char>(mask[i]) : 0xFF;
        if ((static_cast<unsigned char>(bytes[i]) & m) != (static_cast<unsigned char>(value[i]) & m)) return false;
    }
    return true;
}

std::vector<std::wstring> SubKeys(HKEY key)
{
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = 256;
        if (RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, chars);
    }
    return names;
}

// Whether one of the key's numbered lines matches.
bool KeyMatches(HKEY key, CheckBytesFile& file)
{
    for (int n = 0;; ++n) {
        std::wstring line;
        if (RegGetTextValue(key, std::to_wstring(n).c_str(), &line) != ERROR_SUCCESS) return false;
        if (MatchCheckBytesLine(line, file)) return true;
    }
}

}  // namespace

bool MatchCheckBytesLine(std::wstring_view line, CheckBytesFile& file)
{
    std::vector<std::wstring_view> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = line.find(L',', start);
        fields.push_back(
            line.substr(start, comma == std::wstring_view::npos ? std::wstring_view::npos : comma - start));
        if (comma == std::wstring_view::npos) break;
        start = comma + 1;
    }
    if (fields.empty() || fields.size() % 4 != 0) return false;
    for (size_t i = 0; i < fields.size(); i += 4)
        if (!QuadrupleMatches(fields[i], fields[i + 1], fields[i + 2], fields[i + 3], file)) return false;
    return true;
}

bool FindTypeByCheckBytes(CheckBytesFile& file, CheckBytesMatch* match)
{
    HKEY types = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Media Type", 0, KEY_READ, &types) != ERROR_SUCCESS) return false;
    bool found = false;
    for (const auto& majorName : SubKeys(types)) {
        GUID major;
        if (!GuidFromString(majorName, &major)) continue;  // "Extensions" and the like
        HKEY majorKey = nullptr;
        if (RegOpenKeyExW(types, majorName.c_str(), 0, KEY_READ, &majorKey) != ERROR_SUCCESS) continue;
        for (const auto& subName : SubKeys(majorKey)) {
            GUID sub;
            if (!GuidFromString(subName, &sub)) continue;
            HKEY subKey = nullptr;
            if (RegOpenKeyExW(majorKey, subName.c_str(), 0, KEY_READ, &subKey) != ERROR_SUCCESS) continue;
            if (KeyMatches(subKey, file)) {
                match->major = major;
                match->subtype = sub;
                match->source = GUID_NULL;
                std::wstring source;
                GUID clsid;
                if (RegGetTextValue(subKey, L"Source Filter", &source) == ERROR_SUCCESS &&
                    GuidFromString(source, &clsid))
                    match->source = clsid;
                found = true;
            }
            RegCloseKey(subKey);
            if (found) break;
        }
        RegCloseKey(majorKey);
        if (found) break;
    }
    RegCloseKey(types);
    return found;
}
