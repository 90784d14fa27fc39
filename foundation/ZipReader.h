// Reader of zip archives for packed skins: lists the entries, finds one by
// name, and unpacks it (stored or deflated) into memory or a file, or unpacks
// a whole archive into a folder except files of given extensions. Entries
// encrypted with the traditional PKWARE scheme are recognised; no password
// can be given, so they fail.
//
// Archives come from outside: every size and offset read from one is checked
// against the file before it is used, output never exceeds the size an entry
// declares, and entry names that would lead outside the destination folder
// are refused.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"
#include "platform/win32/WinTypes.h"

// One entry: the local header fields as stored (little-endian in the file),
// then what the reader learns around it.
struct SLocalFileHeader {
    WORD wVersionNeeded = 0;
    WORD wFlags = 0;   // bit 0 encrypted, bit 3 sizes and CRC in a data descriptor
    WORD wMethod = 0;  // 0 stored, 8 deflated
    WORD wModTime = 0;
    WORD wModDate = 0;
    // For an entry with a data descriptor, the CRC and sizes its descriptor
    // (and the central directory) give.
    DWORD dwCrc32 = 0;
    DWORD dwCompressedSize = 0;  // without the 12-byte encryption header
    DWORD dwUncompressedSize = 0;
    WORD wNameLength = 0;
    WORD wExtraLength = 0;
    // In the archive's code page, '/' replaced by '\'.
    std::string sName;
    std::vector<BYTE> extra;
    DWORD dwDescriptorCrc32 = 0;
    DWORD dwDescriptorCompressedSize = 0;
    DWORD dwDescriptorUncompressedSize = 0;
    BYTE encryptionHeader[12] = {};
    DWORD dwDataOffset = 0;
    DWORD dwHeaderOffset = 0;
    // From the central directory; bit 0x10 marks a folder.
    DWORD dwExternalAttributes = 0xF000;
};

class CZipReader {
public:
    enum {
        kErrOpen = 1,
        kErrSignature = 2,
        kErrLocalHeader = 3,
        kErrNameMemory = 4,
        kErrName = 5,
        kErrExtraMemory = 6,
        kErrExtra = 7,
        kErrCentralHeader = 8,
        kErrCentralNameMemory = 9,
        // A record whose sizes or offsets the file cannot hold.
        kErrPastEnd = 10,
        // A data descriptor that cannot be read, or whose sizes have no
        // central directory record or disagree with it.
        kErrDescriptor = 11,
        kErrCommentMemory = 17,
        kErrComment = 18,
        kErrReadData = 21,
        kErrInflate = 22,
        kErrCrc = 24,
        kErrMethod = 25,
        // The data gave fewer bytes than the entry's uncompressed size.
        kErrShort = 26,
        kErrNoPassword = 32,
        kErrBadPassword = 33,
        kErrWrite = 48,
        kErrCreate = 49,
        // An entry name that is absolute, carries a drive or climbs with "..".
        kErrUnsafeName = 50,
        // A destination path longer than the reader accepts.
        kErrPathTooLong = 51,
        // An entry too large to be unpacked into memory.
        kErrTooLarge = 52,
    };
    static constexpr int kMaxEntryPath = 520;
    static constexpr int kMaxFolderPath = 260;
    static constexpr DWORD kMaxMemoryEntry = 256u * 1024 * 1024;

    CZipReader();
    ~CZipReader();
    CZipReader(const CZipReader&) = delete;
    CZipReader& operator=(const CZipReader&) = delete;

    // Reads every record of the archive; true when they all read.
    bool Open(const wchar_t* path);
    bool Close();
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

    // Makes the first entry of that name current (ASCII case ignored, '/'
    // and '\' alike); the wide name is converted to the archive's code page.
    bool FindEntry(const wchar_t* name);
    bool FindEntryNarrow(const char* name);

    // Unpacks the current entry into a new buffer (freed with free()).
    bool ExtractToMemory(BYTE*& buffer, DWORD& size);
    // Unpacks the current entry into the file, replacing it only once the
    // whole entry checked out; a folder entry creates the folder.
    bool ExtractToFile(const wchar_t* path);
    // Unpacks the current entry to folder/name (the stored name when none).
    bool ExtractEntryTo(const wchar_t* folder, const wchar_t* name = nullptr);
    // Unpacks every entry whose extension does not occur in the list text
    // (".bmp;.xml;.ini"); stops at the first failure.
    bool ExtractAllExcept(const wchar_t* folder, const char* extensions);

    int GetErrorCode() const { return m_nErrorCode; }
    const CList<SLocalFileHeader>& GetEntries() const { return m_listEntries; }
    const SLocalFileHeader* GetCurrentEntry() const { return m_pCurrent; }

    // Code page of the entry names; 0 is the ANSI code page.
    int m_nCodePage = 0;

private:
    class Sink;
    class MemorySink;
    class FileSink;
    struct CentralSizes {
        DWORD crc32;
        DWORD compressedSize;
        DWORD uncompressedSize;
    };

    DWORD Read(void* buffer, DWORD count, bool* failed = nullptr);
    bool SeekTo(uint64_t position);
    bool ReadLocalHeader(DWORD headerOffset);
    bool ReadCentralHeader();
    bool ReadEndRecord();
    bool ReadDescriptor(SLocalFileHeader& e);
    void LoadCentralSizes();
    bool Extract(Sink& sink);
    bool CheckPassword();
    void InitKeys();
    void UpdateKeys(BYTE plain);
    void Decrypt(BYTE* data, size_t count);
    bool Fail(int code);

    HANDLE m_hFile;
    CList<SLocalFileHeader> m_listEntries{10};
    std::unordered_map<DWORD, SLocalFileHeader*> m_byHeaderOffset;
    SLocalFileHeader* m_pCurrent = nullptr;
    uint64_t m_nPosition = 0;
    uint64_t m_nFileSize = 0;
    bool m_bEof = false;
    int m_nErrorCode = 0;
    bool m_bHasEncrypted = false;
    std::string m_sPassword;
    DWORD m_keys[3] = {};
    // Sizes of streamed entries, by local header offset, read from the
    // central directory when the first such entry is met.
    bool m_bCentralLoaded = false;
    std::unordered_map<DWORD, CentralSizes> m_centralSizes;
};
