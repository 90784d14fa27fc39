#include "platform/dshow/filters/FileAsyncStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/win32/NativePath.h"

namespace {

HRESULT FromErrno(int e)
{
    switch (e) {
    case ENOENT: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case ENOTDIR: return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM: return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case ENAMETOOLONG: return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    default: return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    }
}

}  // namespace

CFileAsyncStream::~CFileAsyncStream() { Close(); }

void CFileAsyncStream::Close()
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
    position_ = 0;
}

HRESULT CFileAsyncStream::Open(const std::wstring& path)
{
    Close();
    if (path.empty()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::string native = ToNativePath(path);
    // Non-blocking, so that opening a FIFO cannot wait for a writer; the
    // flag is dropped again once the file is known to be regular.
    int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FromErrno(errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    }
    ::fcntl(fd, F_SETFL, 0);
    std::lock_guard<std::recursive_mutex> g(lock_);
    fd_ = fd;
    size_ = st.st_size;
    position_ = 0;
    return S_OK;
}

HRESULT CFileAsyncStream::SetPointer(LONGLONG position)
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (fd_ < 0) return E_UNEXPECTED;
    if (position < 0) return HRESULT_FROM_WIN32(ERROR_NEGATIVE_SEEK);
    position_ = position;
    return S_OK;
}

HRESULT CFileAsyncStream::Read(BYTE* buffer, DWORD count, BOOL, LPDWORD read)
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (read) *read = 0;
    if (fd_ < 0) return E_UNEXPECTED;
    if (count && !buffer) return E_POINTER;
    DWORD done = 0;
    while (done < count) {
        ssize_t n = ::pread(fd_, buffer + done, count - done, static_cast<off_t>(position_ + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
        }
        if (n == 0) break;  // end of file
        done += static_cast<DWORD>(n);
    }
    position_ += done;
    if (read) *read = done;
    return S_OK;
}

LONGLONG CFileAsyncStream::Size(LONGLONG* available)
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (available) *available = size_;
    return size_;
}
