#include "Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <random>
#include <vector>

#include "CString.h"
#include "CodePage.h"
#include "NativePath.h"

namespace {

class FileObject : public KernelObject {
public:
    explicit FileObject(int fd) : fd_(fd) {}
    ~FileObject() override { close(fd_); }
    int fd() const { return fd_; }

private:
    int fd_;
};

class FindObject : public KernelObject {
public:
    std::string folder;
    std::vector<std::string> names;
    size_t next = 0;
};

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

BOOL FailErrno() { return Fail(Win32ErrorFromErrno(errno)); }

void ToFileTime(const struct timespec& ts, FILETIME* ft)
{
    // 100-ns units since 1601-01-01.
    uint64_t t =
        (static_cast<uint64_t>(ts.tv_sec) + 11644473600ull) * 10000000ull + static_cast<uint64_t>(ts.tv_nsec) / 100;
    ft->dwLowDateTime = static_cast<DWORD>(t);
    ft->dwHighDateTime = static_cast<DWORD>(t >> 32);
}

DWORD AttributesOf(const struct stat& st, const std::string& name)
{
    DWORD a = 0;
    if (S_ISDIR(st.st_mode))
        a |= FILE_ATTRIBUTE_DIRECTORY;
    else if (!S_ISREG(st.st_mode))
        a |= FILE_ATTRIBUTE_DEVICE;
    if (!(st.st_mode & 0222)) a |= FILE_ATTRIBUTE_READONLY;
    size_t slash = name.rfind('/');
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (base.size() > 1 && base[0] == '.' && base != "..") a |= FILE_ATTRIBUTE_HIDDEN;
    return a ? a : FILE_ATTRIBUTE_NORMAL;
}

bool FillFindData(const std::string& folder, const std::string& name, WIN32_FIND_DATAW* data)
{
    struct stat st;
    if (stat((folder + name).c_str(), &st) != 0 && lstat((folder + name).c_str(), &st) != 0) return false;
    *data = WIN32_FIND_DATAW();
    data->dwFileAttributes = AttributesOf(st, name);
    ToFileTime(st.st_mtim, &data->ftLastWriteTime);
    ToFileTime(st.st_atim, &data->ftLastAccessTime);
    ToFileTime(st.st_ctim, &data->ftCreationTime);
    uint64_t size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    data->nFileSizeLow = static_cast<DWORD>(size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    std::wstring w = FromNativePath(name);
    size_t n = std::min(w.size(), std::size(data->cFileName) - 1);
    std::wmemcpy(data->cFileName, w.data(), n);
    data->cFileName[n] = 0;
    return true;
}

}  // namespace

HANDLE CreateFileW(const wchar_t* path, DWORD desired, DWORD, void*, DWORD disposition, DWORD flags, HANDLE)
{
    if (!path || !*path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string p = ToNativePath(path);
    int oflags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    bool rd = desired & GENERIC_READ, wr = desired & GENERIC_WRITE;
    oflags |= (rd && wr) ? O_RDWR : (wr ? O_WRONLY : O_RDONLY);
    bool existed = access(p.c_str(), F_OK) == 0;
    switch (disposition) {
    case CREATE_NEW: oflags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: oflags |= O_CREAT; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: oflags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
        if (!wr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    if ((oflags & O_CREAT) && !wr && !rd) oflags |= O_RDONLY;
    int fd = open(p.c_str(), oflags, 0666);
    if (fd < 0) {
        DWORD e = errno == EEXIST ? ERROR_FILE_EXISTS : Win32ErrorFromErrno(errno);
        if (errno == ENOENT && disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING)
            e = ERROR_PATH_NOT_FOUND;
        SetLastError(e);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // Folders, FIFOs and devices are not files here.
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if ((disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) && ftruncate(fd, 0) != 0) {
        int e = errno;
        close(fd);
        SetLastError(Win32ErrorFromErrno(e));
        return INVALID_HANDLE_VALUE;
    }
    if (flags & FILE_FLAG_SEQUENTIAL_SCAN) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (flags & FILE_FLAG_RANDOM_ACCESS) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    auto* f = new FileObject(fd);
    SetLastError((existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)) ? ERROR_ALREADY_EXISTS
                                                                                           : ERROR_SUCCESS);
    return f->handle();
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void*)
{
    if (read) *read = 0;
    auto* f = KernelObject::As<FileObject>(file);
    if (!f) return FALSE;
    if (!buffer && toRead) return Fail(ERROR_INVALID_PARAMETER);
    DWORD got = 0;
    char* p = static_cast<char*>(buffer);
    while (got < toRead) {
        ssize_t r = ::read(f->fd(), p + got, toRead - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return FailErrno();
        if (r == 0) break;  // end of file: success with fewer bytes
        got += static_cast<DWORD>(r);
    }
    if (read) *read = got;
    return TRUE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void*)
{
    if (written) *written = 0;
    auto* f = KernelObject::As<FileObject>(file);
    if (!f) return FALSE;
    if (!buffer && toWrite) return Fail(ERROR_INVALID_PARAMETER);
    DWORD done = 0;
    const char* p = static_cast<const char*>(buffer);
    while (done < toWrite) {
        ssize_t w = ::write(f->fd(), p + done, toWrite - done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) {
            if (written) *written = done;
            return FailErrno();
        }
        done += static_cast<DWORD>(w);
    }
    if (written) *written = done;
    return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method)
{
    auto* f = KernelObject::As<FileObject>(file);
    if (!f) return FALSE;
    int whence = method == FILE_BEGIN     ? SEEK_SET
                 : method == FILE_CURRENT ? SEEK_CUR
                 : method == FILE_END     ? SEEK_END
                                          : -1;
    if (whence < 0) return Fail(ERROR_INVALID_PARAMETER);
    off_t base = 0;
    if (whence == SEEK_CUR) base = lseek(f->fd(), 0, SEEK_CUR);
    if (whence == SEEK_END) {
        struct stat st;
        if (fstat(f->fd(), &st) != 0) return FailErrno();
        base = st.st_size;
    }
    // Overflow-safe target computation; negative targets are refused.
    int64_t target;
    if (__builtin_add_overflow(static_cast<int64_t>(base), distance.QuadPart, &target) || target < 0)
        return Fail(ERROR_NEGATIVE_SEEK);
    off_t r = lseek(f->fd(), static_cast<off_t>(target), SEEK_SET);
    if (r < 0) return FailErrno();
    if (newPosition) newPosition->QuadPart = r;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distanceLow, LONG* distanceHigh, DWORD method)
{
    LARGE_INTEGER d;
    if (distanceHigh)
        d.QuadPart = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                          static_cast<uint32_t>(distanceLow));
    else
        d.QuadPart = distanceLow;  // sign-extended, as the platform's call does without a high part
    LARGE_INTEGER pos;
    if (!SetFilePointerEx(file, d, &pos, method)) return INVALID_SET_FILE_POINTER;
    if (distanceHigh) {
        *distanceHigh = static_cast<LONG>(pos.QuadPart >> 32);
    } else if (pos.QuadPart > 0xFFFFFFFFll) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(pos.QuadPart & 0xFFFFFFFFu);
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size)
{
    auto* f = KernelObject::As<FileObject>(file);
    if (!f) return FALSE;
    struct stat st;
    if (fstat(f->fd(), &st) != 0) return FailErrno();
    if (size) size->QuadPart = st.st_size;
    return TRUE;
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh)
{
    LARGE_INTEGER s;
    if (!GetFileSizeEx(file, &s)) return INVALID_FILE_SIZE;
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<uint64_t>(s.QuadPart) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<uint64_t>(s.QuadPart) & 0xFFFFFFFFu);
}

BOOL SetEndOfFile(HANDLE file)
{
    auto* f = KernelObject::As<FileObject>(file);
    if (!f) return FALSE;
    off_t pos = lseek(f->fd(), 0, SEEK_CUR);
    if (pos < 0 || ftruncate(f->fd(), pos) != 0) return FailErrno();
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file)
{
    auto* f = KernelObject::As<FileObject>(file);
    if (!f) return FALSE;
    return fsync(f->fd()) == 0 ? TRUE : FailErrno();
}

DWORD GetFileAttributesW(const wchar_t* path)
{
    if (!path || !*path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string p = ToNativePath(path);
    struct stat st;
    if (stat(p.c_str(), &st) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(st, p);
}

BOOL CreateDirectoryW(const wchar_t* path, void*)
{
    if (!path || !*path) return Fail(ERROR_PATH_NOT_FOUND);
    return mkdir(ToNativePath(path).c_str(), 0777) == 0 ? TRUE : FailErrno();
}

BOOL RemoveDirectoryW(const wchar_t* path)
{
    if (!path || !*path) return Fail(ERROR_PATH_NOT_FOUND);
    return rmdir(ToNativePath(path).c_str()) == 0 ? TRUE : FailErrno();
}

BOOL DeleteFileW(const wchar_t* path)
{
    if (!path || !*path) return Fail(ERROR_FILE_NOT_FOUND);
    std::string p = ToNativePath(path);
    struct stat st;
    if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    return unlink(p.c_str()) == 0 ? TRUE : FailErrno();
}

bool IsSameFileW(const wchar_t* a, const wchar_t* b)
{
    if (!a || !*a || !b || !*b) return false;
    struct stat sa, sb;
    if (stat(ToNativePath(a).c_str(), &sa) != 0 || stat(ToNativePath(b).c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

BOOL CopyFileW(const wchar_t* from, const wchar_t* to, BOOL failIfExists)
{
    if (!from || !to) return Fail(ERROR_INVALID_PARAMETER);
    std::string bytes;
    if (!ReadWholeFile(ToNativePath(from), &bytes)) return FailErrno();
    std::string dst = ToNativePath(to);
    if (failIfExists && access(dst.c_str(), F_OK) == 0) return Fail(ERROR_FILE_EXISTS);
    return WriteFileAtomically(dst, bytes) ? TRUE : FailErrno();
}

BOOL MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags)
{
    if (!from || !to) return Fail(ERROR_INVALID_PARAMETER);
    std::string src = ToNativePath(from), dst = ToNativePath(to);
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
        // No overwrite: link-then-unlink refuses an existing target atomically.
        if (link(src.c_str(), dst.c_str()) == 0) return unlink(src.c_str()) == 0 ? TRUE : FailErrno();
        if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
        if (errno != EXDEV && errno != EPERM && errno != ENOTSUP && errno != EMLINK) return FailErrno();
        if (access(dst.c_str(), F_OK) == 0) return Fail(ERROR_ALREADY_EXISTS);
    }
    if (rename(src.c_str(), dst.c_str()) == 0) return TRUE;
    if (errno == EXDEV && (flags & MOVEFILE_COPY_ALLOWED)) {
        if (!CopyFileW(from, to, !(flags & MOVEFILE_REPLACE_EXISTING))) return FALSE;
        return unlink(src.c_str()) == 0 ? TRUE : FailErrno();
    }
    return FailErrno();
}

DWORD GetLongPathNameW(const wchar_t* shortPath, wchar_t* longPath, DWORD size)
{
    if (!shortPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (GetFileAttributesW(shortPath) == INVALID_FILE_ATTRIBUTES) return 0;
    size_t n = std::wcslen(shortPath);
    if (!longPath || n + 1 > size) return static_cast<DWORD>(n + 1);
    std::wmemmove(longPath, shortPath, n + 1);
    return static_cast<DWORD>(n);
}

bool WildcardMatchNoCase(const wchar_t* pattern, const wchar_t* name)
{
    // Iterative matcher with single-star backtracking: linear in practice and
    // never recursive, whatever the pattern.
    const wchar_t* star = nullptr;
    const wchar_t* resume = nullptr;
    while (*name) {
        if (*pattern == L'*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == L'?' || (*pattern && ToLowerChar(*pattern) == ToLowerChar(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == L'*') ++pattern;
    return *pattern == 0;
}

HANDLE FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data)
{
    if (!pattern || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string p = ToNativePath(pattern);
    size_t slash = p.rfind('/');
    std::string folder = slash == std::string::npos ? std::string("./") : p.substr(0, slash + 1);
    std::wstring mask = FromNativePath(slash == std::string::npos ? p : p.substr(slash + 1));
    if (mask.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* d = opendir(folder.c_str());
    if (!d) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto* f = new FindObject();
    f->folder = folder;
    while (dirent* e = readdir(d)) {
        std::wstring w = FromNativePath(e->d_name);
        if (WildcardMatchNoCase(mask.c_str(), w.c_str())) f->names.emplace_back(e->d_name);
    }
    closedir(d);
    std::sort(f->names.begin(), f->names.end());
    while (f->next < f->names.size()) {
        if (FillFindData(f->folder, f->names[f->next++], data)) return f->handle();
    }
    delete f;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data)
{
    auto* f = KernelObject::As<FindObject>(find);
    if (!f || !data) return FALSE;
    while (f->next < f->names.size()) {
        if (FillFindData(f->folder, f->names[f->next++], data)) return TRUE;
    }
    return Fail(ERROR_NO_MORE_ITEMS);
}

BOOL FindClose(HANDLE find)
{
    auto* f = KernelObject::As<FindObject>(find);
    if (!f) return FALSE;
    delete f;
    return TRUE;
}

FILE* _wfopen(const wchar_t* path, const wchar_t* mode)
{
    if (!path || !mode) return nullptr;
    std::string m;
    for (const wchar_t* c = mode; *c; ++c) {
        if (*c == L',') break;     // ",ccs=" encodings are not used here
        if (*c == L't') continue;  // text mode is the only mode
        m += static_cast<char>(*c);
    }
    std::string p = ToNativePath(path);
    struct stat st;
    if (stat(p.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        errno = EISDIR;
        return nullptr;
    }
    m += 'e';  // close-on-exec
    return std::fopen(p.c_str(), m.c_str());
}

UINT GetTempFileNameW(const wchar_t* folder, const wchar_t* prefix, UINT unique, wchar_t* tempFileName)
{
    if (!folder || !prefix || !tempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'/' && base.back() != L'\\') base += L'/';
    base.append(prefix, std::min<size_t>(std::wcslen(prefix), 3));
    auto nameOf = [&](UINT n) {
        wchar_t digits[8];
        std::swprintf(digits, 8, L"%04X", n & 0xFFFF);
        return base + digits + L".TMP";
    };
    auto hand = [&](const std::wstring& name, UINT n) -> UINT {
        if (name.size() + 1 > MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return 0;
        }
        std::wmemcpy(tempFileName, name.c_str(), name.size() + 1);
        return n;
    };
    if (unique != 0) return hand(nameOf(unique), unique & 0xFFFF);
    if (base.size() + 9 > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    // Numbers are tried from a point of the process's own, each once.
    static std::atomic<UINT> next{std::random_device{}()};
    UINT start = next.fetch_add(1);
    for (UINT i = 0; i < 0xFFFF; ++i) {
        UINT n = (start + i) % 0xFFFF + 1;  // 1..FFFF: 0 means failure
        std::wstring name = nameOf(n);
        HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            next.fetch_add(i);
            return hand(name, n);
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return 0;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}
