#include "Folders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <vector>

#include "CString.h"
#include "CodePage.h"
#include "Module.h"
#include "NativePath.h"

namespace {

// A folder we may keep private files in: a real folder, ours, closed to others.
bool IsPrivateFolder(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return false;
    if ((st.st_mode & 077) != 0 && chmod(path.c_str(), 0700) != 0) return false;
    return true;
}

bool MakePrivateFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return IsPrivateFolder(path);
}

std::string WithSlash(std::string s)
{
    if (s.empty() || s.back() != '/') s += '/';
    return s;
}

}  // namespace

std::string GetProgramPathNative()
{
    static const std::string path = [] {
        std::vector<char> buf(4096);
        for (;;) {
            ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
            if (n < 0) return std::string();
            if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
            buf.resize(buf.size() * 2);
        }
    }();
    return path;
}

std::string GetProgramFolderNative()
{
    std::string p = GetProgramPathNative();
    size_t slash = p.rfind('/');
    return slash == std::string::npos ? std::string("./") : p.substr(0, slash + 1);
}

std::string GetPrivateRuntimeFolder()
{
    static std::mutex m;
    static std::string cached;
    static std::string cachedFor;
    std::lock_guard<std::mutex> g(m);
    // The answer follows the environment it was made from.
    const char* envXdg = std::getenv("XDG_RUNTIME_DIR");
    const char* envTmp = std::getenv("TMPDIR");
    std::string key = std::string(envXdg ? envXdg : "") + '\n' + (envTmp ? envTmp : "");
    if (!cached.empty() && cachedFor == key && IsPrivateFolder(cached)) return cached;
    cached.clear();
    cachedFor = key;
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg == '/') {
        std::string base = WithSlash(xdg);
        if (IsPrivateFolder(base.substr(0, base.size() - 1)) && MakePrivateFolder(base + "rivoenc")) {
            cached = base + "rivoenc/";
            return cached;
        }
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string base = WithSlash(tmp && *tmp == '/' ? tmp : "/tmp");
    std::string named = base + "rivoenc-" + std::to_string(geteuid());
    if (MakePrivateFolder(named)) {
        cached = named + "/";
        return cached;
    }
    // Someone else holds the predictable name: use a fresh one for this run.
    std::string tmpl = base + "rivoenc-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data())) cached = std::string(buf.data()) + "/";
    return cached;
}

std::string GetUserCacheFolder()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
        base = WithSlash(home) + ".cache";
    } else {
        return std::string();
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    // The folders on the way may be shared ones; only our own must be private.
    for (size_t pos = 1; pos < base.size(); ++pos)
        if (base[pos] == '/') mkdir(base.substr(0, pos).c_str(), 0700);
    if (mkdir(base.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
    const std::string folder = base + "/rivoenc";
    return MakePrivateFolder(folder) ? folder + "/" : std::string();
}

std::string FindPathNoCase(const std::string& folderNative, const std::string& relativeNative)
{
    std::string current = WithSlash(folderNative.empty() ? std::string(".") : folderNative);
    std::string rel = relativeNative;
    std::replace(rel.begin(), rel.end(), '\\', '/');
    size_t pos = 0;
    std::string result;
    while (pos <= rel.size()) {
        size_t next = rel.find('/', pos);
        std::string part = rel.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
        pos = next == std::string::npos ? rel.size() + 1 : next + 1;
        if (part.empty() || part == ".") continue;
        std::string exact = current + part;
        struct stat st;
        std::string found;
        if (part == ".." || lstat(exact.c_str(), &st) == 0) {
            found = exact;
        } else {
            DIR* d = opendir(current.c_str());
            if (!d) return std::string();
            std::wstring want = Utf8ToWide(part);
            std::vector<std::string> matches;
            while (dirent* e = readdir(d)) {
                if (CompareNoCase(Utf8ToWide(e->d_name), want) == 0) matches.emplace_back(e->d_name);
            }
            closedir(d);
            if (matches.empty()) return std::string();
            std::sort(matches.begin(), matches.end());
            found = current + matches.front();
        }
        result = found;
        current = found + "/";
    }
    return result;
}

std::string GetCurrentFolderNative()
{
    std::vector<char> buf(4096);
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return std::string();
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

std::string FindPathNoCaseFromCurrent(const std::string& path)
{
    if (!path.empty() && path[0] == '/') return FindPathNoCase("/", path.substr(1));
    std::string cwd = GetCurrentFolderNative();
    return cwd.empty() ? std::string() : FindPathNoCase(cwd, path);
}

DWORD GetModuleFileNameW(HMODULE module, wchar_t* buffer, DWORD size)
{
    if (module && module != GetModuleHandleW(nullptr)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    std::wstring p = FromNativePath(GetProgramPathNative());
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (p.size() >= size) {  // truncated, as the platform's call does
        std::wmemcpy(buffer, p.data(), size - 1);
        buffer[size - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::wmemcpy(buffer, p.c_str(), p.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(p.size());
}

DWORD GetTempPathW(DWORD size, wchar_t* buffer)
{
    std::wstring p = FromNativePath(GetPrivateRuntimeFolder());
    if (p.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    if (!buffer || p.size() + 1 > size) return static_cast<DWORD>(p.size() + 1);
    std::wmemcpy(buffer, p.c_str(), p.size() + 1);
    return static_cast<DWORD>(p.size());
}
