// The RAR archive module over libarchive, which reads RAR 4 archives (stored
// and compressed entries) and RAR 5 archives as far as it supports them.
// Entries are read in archive order; their data reach the caller only
// through the data callback.
#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "modules/api/UnrarApi.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/NativePath.h"

#define RAR_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct RarArchive {
    archive* reader = nullptr;
    archive_entry* entry = nullptr;
    // The first header is read while opening, to know the archive is one;
    // it is handed out by the first RARReadHeaderEx.
    bool firstPending = false;
    int firstResult = ARCHIVE_OK;
    // A header was handed out and its data not yet passed over or read.
    bool entryOpen = false;
    // A damaged archive stays failed.
    bool broken = false;
    PROCESSDATAPROC dataProc = nullptr;
    CHANGEVOLPROC volumeProc = nullptr;
    std::string nativeName;
    std::wstring wideName;
};

RarArchive* FromHandle(HANDLE h) { return static_cast<RarArchive*>(h); }

template <size_t N>
void CopyText(char (&to)[N], const char* from)
{
    std::strncpy(to, from ? from : "", N - 1);
    to[N - 1] = 0;
}

template <size_t N>
void CopyText(wchar_t (&to)[N], const std::wstring& from)
{
    size_t n = std::min(from.size(), N - 1);
    std::wmemcpy(to, from.data(), n);
    to[n] = 0;
}

}  // namespace

RAR_EXPORT HANDLE RAROpenArchiveEx(RAROpenArchiveDataEx* data)
{
    if (!data) return nullptr;
    data->OpenResult = ERAR_EOPEN;
    std::string path;
    if (data->ArcNameW && *data->ArcNameW)
        path = ToNativePath(data->ArcNameW);
    else if (data->ArcName)
        path = data->ArcName;
    if (path.empty()) return nullptr;

    auto* rar = new (std::nothrow) RarArchive;
    if (!rar || !(rar->reader = archive_read_new())) {
        delete rar;
        data->OpenResult = ERAR_NO_MEMORY;
        return nullptr;
    }
    archive_read_support_format_rar(rar->reader);
    archive_read_support_format_rar5(rar->reader);
    int result = archive_read_open_filename(rar->reader, path.c_str(), 64 * 1024);
    if (result == ARCHIVE_OK) {
        result = archive_read_next_header(rar->reader, &rar->entry);
        if (result == ARCHIVE_OK || result == ARCHIVE_WARN || result == ARCHIVE_EOF) {
            rar->firstPending = true;
            rar->firstResult = result;
            rar->nativeName = path;
            rar->wideName = FromNativePath(path);
            data->OpenResult = ERAR_SUCCESS;
            return rar;
        }
        // libarchive reports an unrecognised format with EILSEQ on this system.
        data->OpenResult = archive_errno(rar->reader) == EILSEQ ? ERAR_UNKNOWN_FORMAT : ERAR_BAD_ARCHIVE;
    } else {
        data->OpenResult = archive_errno(rar->reader) == ENOENT ? ERAR_EOPEN : ERAR_BAD_ARCHIVE;
    }
    archive_read_free(rar->reader);
    delete rar;
    return nullptr;
}

RAR_EXPORT int RARCloseArchive(HANDLE archiveHandle)
{
    RarArchive* rar = FromHandle(archiveHandle);
    if (!rar) return ERAR_ECLOSE;
    int result = archive_read_free(rar->reader) == ARCHIVE_OK ? ERAR_SUCCESS : ERAR_ECLOSE;
    delete rar;
    return result;
}

RAR_EXPORT int RARReadHeaderEx(HANDLE archiveHandle, RARHeaderDataEx* header)
{
    RarArchive* rar = FromHandle(archiveHandle);
    if (!rar || !header) return ERAR_UNKNOWN;
    if (rar->broken) return ERAR_BAD_DATA;
    int result;
    if (rar->firstPending) {
        rar->firstPending = false;
        result = rar->firstResult;
    } else {
        // libarchive passes over the data of an entry left unread.
        result = archive_read_next_header(rar->reader, &rar->entry);
    }
    rar->entryOpen = false;
    if (result == ARCHIVE_EOF) return ERAR_END_ARCHIVE;
    if (result != ARCHIVE_OK && result != ARCHIVE_WARN) {
        rar->broken = true;
        return ERAR_BAD_DATA;
    }
    rar->entryOpen = true;

    std::memset(header, 0, sizeof(*header));
    CopyText(header->ArcName, rar->nativeName.c_str());
    CopyText(header->ArcNameW, rar->wideName);
    const char* name = archive_entry_pathname_utf8(rar->entry);
    std::wstring wideName;
    if (name) {
        wideName = Utf8ToWide(name);
    } else if (const wchar_t* w = archive_entry_pathname_w(rar->entry)) {
        wideName = w;
    }
    CopyText(header->FileName, WideToUtf8(wideName).c_str());
    CopyText(header->FileNameW, wideName);
    const la_int64_t size = archive_entry_size_is_set(rar->entry) ? archive_entry_size(rar->entry) : 0;
    const uint64_t unpacked = size > 0 ? static_cast<uint64_t>(size) : 0;
    header->UnpSize = static_cast<unsigned>(unpacked & 0xFFFFFFFFu);
    header->UnpSizeHigh = static_cast<unsigned>(unpacked >> 32);
    if (archive_entry_filetype(rar->entry) == AE_IFDIR) header->Flags |= RHDF_DIRECTORY;
    if (archive_entry_is_encrypted(rar->entry)) header->Flags |= RHDF_ENCRYPTED;
    header->FileAttr = archive_entry_mode(rar->entry);
    return ERAR_SUCCESS;
}

RAR_EXPORT int RARProcessFile(HANDLE archiveHandle, int operation, char* destPath, char* destName)
{
    (void)destPath;
    (void)destName;
    RarArchive* rar = FromHandle(archiveHandle);
    if (!rar) return ERAR_UNKNOWN;
    if (rar->broken || !rar->entryOpen) return ERAR_BAD_DATA;
    rar->entryOpen = false;
    if (operation == RAR_SKIP) {
        if (archive_read_data_skip(rar->reader) == ARCHIVE_OK) return ERAR_SUCCESS;
        rar->broken = true;
        return ERAR_BAD_DATA;
    }
    if (operation != RAR_TEST) {
        archive_read_data_skip(rar->reader);
        return ERAR_ECREATE;
    }
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        int result = archive_read_data_block(rar->reader, &block, &size, &offset);
        if (result == ARCHIVE_EOF) return ERAR_SUCCESS;
        if (result != ARCHIVE_OK && result != ARCHIVE_WARN) {
            rar->broken = true;
            return ERAR_BAD_DATA;
        }
        auto* bytes = static_cast<unsigned char*>(const_cast<void*>(block));
        while (rar->dataProc && size > 0) {
            int part = static_cast<int>(std::min<size_t>(size, INT_MAX));
            if (rar->dataProc(bytes, part) <= 0) {
                rar->broken = true;
                return ERAR_UNKNOWN;
            }
            bytes += part;
            size -= static_cast<size_t>(part);
        }
    }
}

RAR_EXPORT void RARSetChangeVolProc(HANDLE archiveHandle, CHANGEVOLPROC proc)
{
    // Kept for the interface's sake: volumes of one archive are not joined.
    if (RarArchive* rar = FromHandle(archiveHandle)) rar->volumeProc = proc;
}

RAR_EXPORT void RARSetProcessDataProc(HANDLE archiveHandle, PROCESSDATAPROC proc)
{
    if (RarArchive* rar = FromHandle(archiveHandle)) rar->dataProc = proc;
}

RAR_EXPORT void RARSetPassword(HANDLE archiveHandle, char* password)
{
    RarArchive* rar = FromHandle(archiveHandle);
    if (rar && password) archive_read_add_passphrase(rar->reader, password);
}
