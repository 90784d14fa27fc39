#include "ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <random>

#include "PathHelpers.h"
#include "platform/win32/ByteOrder.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace {

constexpr DWORD kLocalHeaderSig = 0x04034B50;
constexpr DWORD kCentralHeaderSig = 0x02014B50;
constexpr DWORD kEndRecordSig = 0x06054B50;
constexpr DWORD kDescriptorSig = 0x08074B50;
constexpr WORD kFlagEncrypted = 0x1;
constexpr WORD kFlagDescriptor = 0x8;
constexpr DWORD kFolderAttribute = 0x10;
// More central directory records than a zip without 64-bit extensions can
// count are not looked at.
constexpr size_t kMaxCentralRecords = 1u << 20;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Stored names use '\' for '/', so both are the same separator here.
char NameFold(char c) { return c == '/' ? '\\' : AsciiLower(c); }

bool NamesEqual(const std::string& stored, const char* wanted)
{
    size_t n = std::strlen(wanted);
    if (stored.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (NameFold(stored[i]) != NameFold(wanted[i])) return false;
    return true;
}

// Creates the folders leading to the last separator of the path.
void CreateFolderChain(const CString& path)
{
    for (int i = path.GetLength() - 1; i > 0; --i)
        if (IsPathSeparator(path[i])) {
            CreateFolderPath(path.Left(i));
            return;
        }
}

CString FolderOf(const CString& path)
{
    for (int i = path.GetLength() - 1; i >= 0; --i)
        if (IsPathSeparator(path[i])) return path.Left(i + 1);
    return CString();
}

}  // namespace

// ---- Destinations --------------------------------------------------------------

class CZipReader::Sink {
public:
    virtual ~Sink() = default;
    // Returns how many of the bytes were taken.
    virtual size_t Take(const BYTE* data, size_t count) = 0;
};

class CZipReader::MemorySink : public Sink {
public:
    MemorySink(BYTE* buffer, size_t capacity) : m_buffer(buffer), m_capacity(capacity) {}
    size_t Take(const BYTE* data, size_t count) override
    {
        size_t n = std::min(count, m_capacity - m_used);
        std::memcpy(m_buffer + m_used, data, n);
        m_used += n;
        return n;
    }

private:
    BYTE* m_buffer;
    size_t m_capacity;
    size_t m_used = 0;
};

class CZipReader::FileSink : public Sink {
public:
    explicit FileSink(HANDLE file) : m_file(file) {}
    size_t Take(const BYTE* data, size_t count) override
    {
        DWORD written = 0;
        WriteFile(m_file, data, static_cast<DWORD>(count), &written, nullptr);
        return written;
    }

private:
    HANDLE m_file;
};

// ---- Opening -------------------------------------------------------------------

CZipReader::CZipReader() : m_hFile(INVALID_HANDLE_VALUE) { InitKeys(); }

CZipReader::~CZipReader() { Close(); }

bool CZipReader::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_listEntries.RemoveAll();
    m_byHeaderOffset.clear();
    m_pCurrent = nullptr;
    m_nErrorCode = 0;
    m_nPosition = 0;
    m_nFileSize = 0;
    m_bEof = false;
    m_bHasEncrypted = false;
    m_sPassword.clear();
    m_bCentralLoaded = false;
    m_centralSizes.clear();
    InitKeys();
    return true;
}

bool CZipReader::Fail(int code)
{
    m_nErrorCode = code;
    return false;
}

DWORD CZipReader::Read(void* buffer, DWORD count, bool* failed)
{
    DWORD got = 0;
    BOOL ok = ReadFile(m_hFile, buffer, count, &got, nullptr);
    if (failed) *failed = !ok;
    m_nPosition += got;
    if (got == 0 && count > 0) m_bEof = true;
    return ok ? got : 0;
}

bool CZipReader::SeekTo(uint64_t position)
{
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(m_hFile, to, nullptr, FILE_BEGIN)) return false;
    m_nPosition = position;
    return true;
}

bool CZipReader::Open(const wchar_t* path)
{
    Close();
    m_hFile =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) return Fail(kErrOpen);
    LARGE_INTEGER size;
    // Records address the archive with 32-bit offsets.
    if (!GetFileSizeEx(m_hFile, &size) || size.QuadPart < 0 || size.QuadPart > 0xFFFFFFFFll) {
        CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
        return Fail(kErrOpen);
    }
    m_nFileSize = static_cast<uint64_t>(size.QuadPart);
    m_bHasEncrypted = false;

    for (;;) {
        DWORD recordStart = static_cast<DWORD>(m_nPosition);
        BYTE sig[4];
        bool failed = false;
        DWORD n = Read(sig, 4, &failed);
        if (failed) return Fail(kErrSignature);
        if (n == 0) return true;  // end of the archive
        if (n < 4) return Fail(kErrSignature);
        bool ok;
        switch (LoadLE32(sig)) {
        case kLocalHeaderSig: ok = ReadLocalHeader(recordStart); break;
        case kCentralHeaderSig: ok = ReadCentralHeader(); break;
        case kEndRecordSig: ok = ReadEndRecord(); break;
        default: ok = false; break;
        }
        if (!ok) return false;
    }
}

bool CZipReader::ReadLocalHeader(DWORD headerOffset)
{
    BYTE h[26];
    if (Read(h, sizeof h) != sizeof h) return Fail(kErrLocalHeader);
    SLocalFileHeader e;
    e.wVersionNeeded = LoadLE16(h);
    e.wFlags = LoadLE16(h + 2);
    e.wMethod = LoadLE16(h + 4);
    e.wModTime = LoadLE16(h + 6);
    e.wModDate = LoadLE16(h + 8);
    e.dwCrc32 = LoadLE32(h + 10);
    e.dwCompressedSize = LoadLE32(h + 14);
    e.dwUncompressedSize = LoadLE32(h + 18);
    e.wNameLength = LoadLE16(h + 22);
    e.wExtraLength = LoadLE16(h + 24);

    e.sName.assign(e.wNameLength, '\0');
    if (e.wNameLength && Read(e.sName.data(), e.wNameLength) != e.wNameLength) return Fail(kErrName);
    // The name is a NUL-ended text.
    size_t nul = e.sName.find('\0');
    if (nul != std::string::npos) e.sName.resize(nul);
    std::replace(e.sName.begin(), e.sName.end(), '/', '\\');
    e.extra.resize(e.wExtraLength);
    if (e.wExtraLength && Read(e.extra.data(), e.wExtraLength) != e.wExtraLength) return Fail(kErrExtra);

    // A streamed entry's local header leaves its sizes at 0; they are in the
    // data descriptor after the data, so the data can only be passed over
    // with the sizes the central directory gives.
    if ((e.wFlags & kFlagDescriptor) && e.dwCompressedSize == 0) {
        LoadCentralSizes();
        auto it = m_centralSizes.find(headerOffset);
        if (it == m_centralSizes.end()) return Fail(kErrDescriptor);
        e.dwCrc32 = it->second.crc32;
        e.dwCompressedSize = it->second.compressedSize;
        e.dwUncompressedSize = it->second.uncompressedSize;
    }
    if (e.wFlags & kFlagEncrypted) {
        m_bHasEncrypted = true;
        if (Read(e.encryptionHeader, 12) != 12) return Fail(kErrLocalHeader);
        if (e.dwCompressedSize < 12) return Fail(kErrPastEnd);
        e.dwCompressedSize -= 12;
    }
    e.dwDataOffset = static_cast<DWORD>(m_nPosition);
    if (m_nPosition + e.dwCompressedSize > m_nFileSize) return Fail(kErrPastEnd);
    if (!SeekTo(m_nPosition + e.dwCompressedSize)) return Fail(kErrPastEnd);
    if ((e.wFlags & kFlagDescriptor) && !ReadDescriptor(e)) return false;
    e.dwHeaderOffset = headerOffset;
    POSITION p = m_listEntries.AddTail(e);
    m_byHeaderOffset[headerOffset] = &m_listEntries.GetAt(p);
    return true;
}

// The 12 bytes (16 with their signature) after a streamed entry's data.
bool CZipReader::ReadDescriptor(SLocalFileHeader& e)
{
    BYTE d[12];
    if (Read(d, 4) != 4) return Fail(kErrDescriptor);
    if (LoadLE32(d) == kDescriptorSig) {
        if (Read(d, 12) != 12) return Fail(kErrDescriptor);
    } else if (Read(d + 4, 8) != 8) {
        return Fail(kErrDescriptor);
    }
    e.dwDescriptorCrc32 = LoadLE32(d);
    e.dwDescriptorCompressedSize = LoadLE32(d + 4);
    e.dwDescriptorUncompressedSize = LoadLE32(d + 8);
    uint64_t stored = static_cast<uint64_t>(e.dwCompressedSize) + ((e.wFlags & kFlagEncrypted) ? 12 : 0);
    if (e.dwDescriptorCompressedSize != stored || e.dwDescriptorUncompressedSize != e.dwUncompressedSize)
        return Fail(kErrDescriptor);
    // The descriptor holds the CRC the data is checked against.
    e.dwCrc32 = e.dwDescriptorCrc32;
    return true;
}

bool CZipReader::ReadCentralHeader()
{
    BYTE h[42];
    if (Read(h, sizeof h) != sizeof h) return Fail(kErrCentralHeader);
    DWORD rest = static_cast<DWORD>(LoadLE16(h + 24)) + LoadLE16(h + 26) + LoadLE16(h + 28);
    std::vector<BYTE> skipped(rest);
    if (rest && Read(skipped.data(), rest) != rest) return Fail(kErrCentralHeader);
    auto it = m_byHeaderOffset.find(LoadLE32(h + 38));
    if (it == m_byHeaderOffset.end()) return false;
    it->second->dwExternalAttributes = LoadLE32(h + 34);
    return true;
}

bool CZipReader::ReadEndRecord()
{
    BYTE h[18];
    if (Read(h, sizeof h) != sizeof h) return Fail(kErrComment);
    WORD commentLength = LoadLE16(h + 16);
    std::vector<BYTE> comment(commentLength);
    if (commentLength && Read(comment.data(), commentLength) != commentLength) return Fail(kErrComment);
    return true;
}

// Reads the sizes of every central directory record once, by the local
// header offset they name. Anything that does not check out against the
// file leaves the table as far as it got.
void CZipReader::LoadCentralSizes()
{
    if (m_bCentralLoaded) return;
    m_bCentralLoaded = true;
    uint64_t resume = m_nPosition;
    uint64_t tail = std::min<uint64_t>(m_nFileSize, 22 + 0xFFFF);
    std::vector<BYTE> buf(static_cast<size_t>(tail));
    if (tail >= 22 && SeekTo(m_nFileSize - tail) && Read(buf.data(), static_cast<DWORD>(tail)) == tail) {
        for (size_t p = static_cast<size_t>(tail) - 22 + 1; p-- > 0;) {
            if (LoadLE32(&buf[p]) != kEndRecordSig || p + 22 + LoadLE16(&buf[p + 20]) > tail) continue;
            uint64_t endRecord = m_nFileSize - tail + p;
            DWORD cdSize = LoadLE32(&buf[p + 12]);
            DWORD cdOffset = LoadLE32(&buf[p + 16]);
            if (static_cast<uint64_t>(cdOffset) + cdSize > endRecord) break;
            uint64_t used = 0;
            while (used + 46 <= cdSize && m_centralSizes.size() < kMaxCentralRecords) {
                BYTE h[46];
                if (!SeekTo(cdOffset + used) || Read(h, sizeof h) != sizeof h || LoadLE32(h) != kCentralHeaderSig)
                    break;
                m_centralSizes[LoadLE32(h + 42)] = {LoadLE32(h + 16), LoadLE32(h + 20), LoadLE32(h + 24)};
                used += 46u + LoadLE16(h + 28) + LoadLE16(h + 30) + LoadLE16(h + 32);
            }
            break;
        }
    }
    SeekTo(resume);
    m_bEof = false;
}

// ---- Finding -------------------------------------------------------------------

bool CZipReader::FindEntry(const wchar_t* name)
{
    if (!name) {
        m_pCurrent = nullptr;
        return false;
    }
    std::string narrow = WideToMultiByte(static_cast<UINT>(m_nCodePage), name);
    return FindEntryNarrow(narrow.c_str());
}

bool CZipReader::FindEntryNarrow(const char* name)
{
    m_pCurrent = nullptr;
    if (!name) return false;
    for (POSITION p = m_listEntries.GetHeadPosition(); p;) {
        SLocalFileHeader& e = m_listEntries.GetNext(p);
        if (NamesEqual(e.sName, name)) {
            m_pCurrent = &e;
            return true;
        }
    }
    return false;
}

// ---- Extracting ----------------------------------------------------------------

void CZipReader::InitKeys()
{
    m_keys[0] = 0x12345678;
    m_keys[1] = 0x23456789;
    m_keys[2] = 0x34567890;
}

void CZipReader::UpdateKeys(BYTE plain)
{
    const z_crc_t* table = get_crc_table();
    m_keys[0] = table[(m_keys[0] ^ plain) & 0xFF] ^ (m_keys[0] >> 8);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813u + 1;
    m_keys[2] = table[(m_keys[2] ^ (m_keys[1] >> 24)) & 0xFF] ^ (m_keys[2] >> 8);
}

void CZipReader::Decrypt(BYTE* data, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        unsigned t = (m_keys[2] | 2) & 0xFFFF;
        data[i] = static_cast<BYTE>(data[i] ^ ((t * (t ^ 1)) >> 8));
        UpdateKeys(data[i]);
    }
}

bool CZipReader::CheckPassword()
{
    const SLocalFileHeader& e = *m_pCurrent;
    if (!(e.wFlags & kFlagEncrypted)) return true;
    if (m_sPassword.empty()) return Fail(kErrNoPassword);
    InitKeys();
    for (char c : m_sPassword) UpdateKeys(static_cast<BYTE>(c));
    BYTE header[12];
    std::memcpy(header, e.encryptionHeader, 12);
    Decrypt(header, 12);
    DWORD crc = (e.wFlags & kFlagDescriptor) ? e.dwDescriptorCrc32 : e.dwCrc32;
    return header[11] == static_cast<BYTE>(crc >> 24) ? true : Fail(kErrBadPassword);
}

bool CZipReader::Extract(Sink& sink)
{
    const SLocalFileHeader& e = *m_pCurrent;
    const bool encrypted = e.wFlags & kFlagEncrypted;
    const uint64_t expected = e.dwUncompressedSize;
    uint64_t remaining = e.dwCompressedSize;
    uint64_t total = 0;
    uLong crc = crc32(0, nullptr, 0);
    int error = 0;

    // Hands plain bytes on; never more than the entry says it holds.
    auto deliver = [&](const BYTE* data, size_t count) {
        size_t give = static_cast<size_t>(std::min<uint64_t>(count, expected - total));
        crc = crc32(crc, data, static_cast<uInt>(give));
        size_t took = give ? sink.Take(data, give) : 0;
        total += took;
        if (took < give || give < count) error = kErrWrite;
        return error == 0;
    };

    if (!SeekTo(e.dwDataOffset)) return Fail(kErrReadData);
    if (e.wMethod == 0) {
        BYTE buf[8192];
        while (remaining > 0) {
            DWORD chunk = static_cast<DWORD>(std::min<uint64_t>(sizeof buf, remaining));
            DWORD got = Read(buf, chunk);
            if (encrypted) Decrypt(buf, got);
            if (got && !deliver(buf, got)) break;
            remaining -= got;
            if (got < chunk) break;  // short read: the checks below fail it
        }
    } else if (e.wMethod == 8) {
        z_stream zs;
        std::memset(&zs, 0, sizeof zs);
        if (inflateInit2(&zs, -15) != Z_OK) return Fail(kErrInflate);
        BYTE in[4096];
        BYTE out[4096];
        for (;;) {
            if (zs.avail_in == 0 && remaining > 0) {
                DWORD chunk = static_cast<DWORD>(std::min<uint64_t>(sizeof in, remaining));
                if (Read(in, chunk) != chunk) {
                    error = kErrReadData;
                    break;
                }
                if (encrypted) Decrypt(in, chunk);
                remaining -= chunk;
                zs.next_in = in;
                zs.avail_in = chunk;
            }
            zs.next_out = out;
            zs.avail_out = sizeof out;
            int rc = inflate(&zs, Z_SYNC_FLUSH);
            size_t produced = sizeof out - zs.avail_out;
            if (produced && !deliver(out, produced)) break;
            if (rc == Z_STREAM_END) break;
            // Z_BUF_ERROR included: the data ran out before the stream ended.
            if (rc != Z_OK) {
                error = kErrInflate;
                break;
            }
        }
        inflateEnd(&zs);
    } else {
        return Fail(kErrMethod);
    }
    if (error) return Fail(error);
    if (crc != e.dwCrc32) return Fail(kErrCrc);
    if (total != expected) return Fail(kErrShort);
    return true;
}

bool CZipReader::ExtractToMemory(BYTE*& buffer, DWORD& size)
{
    if (!m_pCurrent || !IsOpen()) return false;
    DWORD n = m_pCurrent->dwUncompressedSize;
    if (static_cast<int32_t>(n) <= 0) return false;
    if (n > kMaxMemoryEntry) return Fail(kErrTooLarge);
    BYTE* data = static_cast<BYTE*>(std::calloc(n, 1));
    if (!data) return Fail(kErrTooLarge);
    MemorySink sink(data, n);
    if (!Extract(sink)) {
        std::free(data);
        return false;
    }
    buffer = data;
    size = n;
    return true;
}

bool CZipReader::ExtractToFile(const wchar_t* path)
{
    if (!m_pCurrent || !path) return false;
    CString target(path);
    if (m_pCurrent->dwExternalAttributes & kFolderAttribute) {
        if (target.IsEmpty() || !IsPathSeparator(target[target.GetLength() - 1])) target += L'/';
        if (target.GetLength() > kMaxFolderPath) return Fail(kErrPathTooLong);
        CreateFolderChain(target);
        return IsFolder(target);
    }
    if (!IsOpen()) return false;
    if (!CheckPassword()) return false;

    // The entry goes to a new file beside the target, which replaces the
    // target only once the whole entry checked out: a damaged entry leaves
    // neither a broken file nor a lost old one.
    static std::atomic<unsigned> counter{std::random_device{}()};
    CString folder = FolderOf(target);
    CString temp;
    auto openTemp = [&]() {
        for (int attempt = 0; attempt < 100; ++attempt) {
            temp.Format(L"%s.unzip-%08x", folder.GetString(), counter.fetch_add(1));
            HANDLE h = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
        }
        return INVALID_HANDLE_VALUE;
    };
    if (IsFolder(target)) return Fail(kErrCreate);
    HANDLE h = openTemp();
    if (h == INVALID_HANDLE_VALUE) {
        CreateFolderChain(target);
        h = openTemp();
        if (h == INVALID_HANDLE_VALUE) return Fail(kErrCreate);
    }
    FileSink sink(h);
    bool ok = Extract(sink);
    CloseHandle(h);
    if (ok && !MoveFileExW(temp, target, MOVEFILE_REPLACE_EXISTING)) ok = Fail(kErrCreate);
    if (!ok) DeleteFileW(temp);
    return ok;
}

bool CZipReader::ExtractEntryTo(const wchar_t* folder, const wchar_t* name)
{
    if (!m_pCurrent) return false;
    CString entryName =
        name ? CString(name) : CString(MultiByteToWide(static_cast<UINT>(m_nCodePage), m_pCurrent->sName));
    if (!IsSafeRelativePath(entryName)) return Fail(kErrUnsafeName);
    CString path = folder ? CString(folder) : CString();
    if (!path.IsEmpty() && !IsPathSeparator(path[path.GetLength() - 1])) path += L'/';
    path += entryName;
    if (path.GetLength() > kMaxEntryPath) return Fail(kErrPathTooLong);
    return ExtractToFile(path);
}

bool CZipReader::ExtractAllExcept(const wchar_t* folder, const char* extensions)
{
    std::string list = extensions ? extensions : "";
    std::transform(list.begin(), list.end(), list.begin(), AsciiLower);
    for (POSITION p = m_listEntries.GetHeadPosition(); p;) {
        SLocalFileHeader& e = m_listEntries.GetNext(p);
        m_pCurrent = &e;
        size_t dot = e.sName.rfind('.');
        if (dot != std::string::npos) {
            std::string ext = e.sName.substr(dot);
            std::transform(ext.begin(), ext.end(), ext.begin(), AsciiLower);
            if (list.find(ext) != std::string::npos) continue;
        }
        if (!ExtractEntryTo(folder)) return false;
    }
    return true;
}
