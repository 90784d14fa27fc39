#include "CheckedFile.h"

#include <algorithm>
#include <limits>

#include "platform/win32/Files.h"
#include "platform/win32/KernelObject.h"

namespace {
// One ReadFile call moves at most this much, well inside its 32-bit count.
constexpr size_t kMaxReadStep = size_t{1} << 30;
constexpr uint64_t kMaxPosition = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
}  // namespace

CheckedFile::~CheckedFile() { Close(); }

bool CheckedFile::Open(const wchar_t* path)
{
    Close();
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size) || size.QuadPart < 0) {
        DWORD e = GetLastError();
        CloseHandle(h);
        SetLastError(e ? e : ERROR_READ_FAULT);
        return false;
    }
    m_handle = h;
    m_size = static_cast<uint64_t>(size.QuadPart);
    m_position = 0;
    return true;
}

void CheckedFile::Close()
{
    if (m_handle) CloseHandle(m_handle);
    m_handle = nullptr;
    m_size = 0;
    m_position = 0;
}

bool CheckedFile::Read(void* buffer, size_t count, size_t* got)
{
    *got = 0;
    if (!m_handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    BYTE* out = static_cast<BYTE*>(buffer);
    while (*got < count) {
        DWORD step = static_cast<DWORD>(std::min(count - *got, kMaxReadStep));
        DWORD n = 0;
        if (!ReadFile(m_handle, out + *got, step, &n, nullptr)) return false;
        *got += n;
        m_position += n;
        if (n < step) break;  // end of the file
    }
    return true;
}

bool CheckedFile::ReadExact(void* buffer, size_t count)
{
    size_t got = 0;
    return Read(buffer, count, &got) && got == count;
}

bool CheckedFile::ReadBlock(std::vector<BYTE>& out, uint64_t count)
{
    if (!m_handle || count > BytesLeft() || count > std::numeric_limits<size_t>::max() / 2) return false;
    out.assign(static_cast<size_t>(count), 0);
    return ReadExact(out.data(), out.size());
}

bool CheckedFile::SeekTo(uint64_t position)
{
    if (!m_handle || position > kMaxPosition) return false;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    LARGE_INTEGER now;
    if (!SetFilePointerEx(m_handle, to, &now, FILE_BEGIN)) return false;
    m_position = static_cast<uint64_t>(now.QuadPart);
    return m_position == position;
}

bool CheckedFile::Skip(uint64_t count)
{
    if (count > kMaxPosition - m_position) return false;
    if (count == 0) return m_handle != nullptr;
    return SeekTo(m_position + count);
}
