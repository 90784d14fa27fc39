// CAsfFormat: the ASF header reader of a job's source. It walks the objects
// of a Windows Media file, keeps the content description, the file
// properties, the codec list and the script commands, and writes the caption
// commands as a minimal SAMI body that is then read like any SAMI file.
//
// The walk follows the objects one after another, past the header into the
// data object and what follows it, and stops without a failure at the first
// object it does not know, at a short read, and at an object whose size is
// smaller than its own fixed part (24 bytes, 50 for the data object), so it
// always moves forward. Every skip is a forward move of the full 64-bit
// distance. All integers are little-endian; strings are UTF-16LE.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/Guid.h"
#include "platform/win32/WinTypes.h"

class CAsfFormat {
public:
    struct _SCodecEntries {
        WORD nType = 0;
        WORD nNameLength = 0;  // characters
        CString sName;
        WORD nDescriptionLength = 0;  // characters
        CString sDescription;
        WORD nInformationLength = 0;  // bytes, skipped
    };

    struct _SCommands {
        DWORD nPresentationTime = 0;  // milliseconds
        WORD nTypeIndex = 0;
        WORD nNameLength = 0;  // characters
        CString sName;         // the caption text
    };

    struct SObjectHeader {
        GUID guid{};
        uint64_t size = 0;
    };

    // The ASF File Properties Object's fields.
    struct SFileProperties {
        GUID fileId{};
        uint64_t fileSize = 0;
        uint64_t creationDate = 0;
        uint64_t dataPacketsCount = 0;
        uint64_t playDuration = 0;
        uint64_t sendDuration = 0;
        uint64_t preroll = 0;  // milliseconds
        DWORD flags = 0;
        DWORD minDataPacketSize = 0;
        DWORD maxDataPacketSize = 0;
        DWORD maxBitrate = 0;
    };

    CAsfFormat() = default;
    virtual ~CAsfFormat();
    CAsfFormat(const CAsfFormat&) = delete;
    CAsfFormat& operator=(const CAsfFormat&) = delete;

    // 0 when the file cannot be opened; otherwise the objects are walked and
    // the file closed, and the result is 1 whatever the walk found. A second
    // Open on the same object adds to the lists.
    int Open(const CString& path);
    // Writes the commands as a SAMI body, lines ended with CR LF, each text
    // in the ANSI code page: 1 when the file was written; 0 when there are
    // no commands (nothing is written), when the file cannot be opened for
    // writing, or when writing fails (the file is removed).
    int ExportCommandsAsSami(const CString& outputPath) const;
    // Exports into a new file of the private temporary folder whose name no
    // one else holds; the path, or an empty text (and no file left) when
    // nothing was written. The caller deletes the file after reading it.
    CString ExportCommandsToTemporarySami() const;

    // What the walk kept.
    bool HasHeaderObject() const { return m_bHeader; }
    const SObjectHeader& HeaderObject() const { return m_header; }
    DWORD HeaderObjectCount() const { return m_nHeaderObjects; }
    const SFileProperties& FileProperties() const { return m_fileProperties; }
    const CString& Title() const { return m_sTitle; }
    const CString& Author() const { return m_sAuthor; }
    const CString& Copyright() const { return m_sCopyright; }
    const CString& Description() const { return m_sDescription; }
    const CString& Rating() const { return m_sRating; }
    const std::vector<_SCodecEntries>& CodecEntries() const { return m_codecEntries; }
    const std::vector<_SCommands>& Commands() const { return m_commands; }
    WORD CommandsCount() const { return m_nCommandsCount; }
    WORD CommandTypesCount() const { return m_nCommandTypesCount; }
    uint64_t DataPacketsTotal() const { return m_nTotalDataPackets; }
    WORD StreamBitrateRecords() const { return m_nBitrateRecords; }
    WORD ExtendedDescriptors() const { return m_nExtendedDescriptors; }

protected:
    // The walk: 1 when it ended at the end of what it could read or at an
    // object it does not know, 0 when the file is no ASF file or an object
    // reader failed.
    int ParseObjects();

private:
    bool Read(void* buffer, DWORD bytes);
    // Moves forward by the distance; false when the target lies beyond any
    // position a file can have.
    bool Skip(uint64_t distance);
    // A UTF-16LE string of the given byte length, ending at its first zero
    // character.
    bool ReadString(DWORD bytes, CString* text);
    bool ReadWord(WORD* value);
    bool ReadDword(DWORD* value);
    bool ReadQword(uint64_t* value);
    bool ReadGuid(GUID* value);

    bool ReadContentDescription();
    bool ReadFileProperties();
    bool ReadCodecList();
    bool ReadExtendedContentDescription();
    bool ReadScriptCommands();

    HANDLE m_hFile = nullptr;
    uint64_t m_nPosition = 0;
    // Reads of an object's records stop at the object's end.
    uint64_t m_nObjectEnd = 0;

    bool m_bHeader = false;
    SObjectHeader m_header;
    DWORD m_nHeaderObjects = 0;
    BYTE m_reserved[2] = {};
    SFileProperties m_fileProperties;
    CString m_sTitle, m_sAuthor, m_sCopyright, m_sDescription, m_sRating;
    GUID m_extensionReserved{};
    DWORD m_nExtensionDataSize = 0;
    GUID m_errorCorrectionType{};
    DWORD m_nErrorCorrectionLength = 0;
    GUID m_dataFileId{};
    uint64_t m_nTotalDataPackets = 0;
    WORD m_nBitrateRecords = 0;
    WORD m_nExtendedDescriptors = 0;
    WORD m_nCommandsCount = 0;
    WORD m_nCommandTypesCount = 0;
    std::vector<_SCodecEntries> m_codecEntries;
    std::vector<_SCommands> m_commands;
};
