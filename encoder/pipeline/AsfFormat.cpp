#include "AsfFormat.h"

#include <cstring>
#include <limits>
#include <string>

#include "foundation/DebugTrace.h"
#include "foundation/PathHelpers.h"
#include "platform/win32/ByteOrder.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace {

constexpr GUID kHeaderObject{0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr GUID kContentDescription{0x75B22633, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr GUID kFileProperties{0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr GUID kHeaderExtension{0x5FBF03B5, 0xA92E, 0x11CF, {0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr GUID kStreamProperties{0xB7DC0791, 0xA9B7, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr GUID kCodecList{0x86D15240, 0x311D, 0x11D0, {0xA3, 0xA4, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0xF6}};
constexpr GUID kErrorCorrection{0x75B22635, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr GUID kData{0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr GUID kSimpleIndex{0x33000890, 0xE5B1, 0x11CF, {0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB}};
constexpr GUID kStreamBitrateProperties{0x7BF875CE, 0x468D, 0x11D1, {0x8D, 0x82, 0x00, 0x60, 0x97, 0xC9, 0xA2, 0xB2}};
constexpr GUID kExtendedContentDescription{0xD2D0A440, 0xE307, 0x11D2, {0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50}};
constexpr GUID kScriptCommand{0x1EFB1A30, 0x0B62, 0x11D0, {0xA3, 0x9B, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0xF6}};
// Objects passed over whole: extended content encryption, marker, bit-rate
// mutual exclusion, padding.
constexpr GUID kSkipped[] = {
    {0x298AE614, 0x2622, 0x4C17, {0xB9, 0x35, 0xDA, 0xE0, 0x7E, 0xE9, 0x28, 0x9C}},
    {0xF487CD01, 0xA951, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}},
    {0xD6E229DC, 0x35DA, 0x11D1, {0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE}},
    {0x1806D474, 0xCADF, 0x4509, {0xA4, 0xBA, 0x9A, 0xAB, 0xCB, 0x96, 0xAA, 0xE8}},
};

constexpr uint64_t kObjectHeaderSize = 24;
constexpr uint64_t kDataObjectFixedSize = 50;
constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();

bool EqualsNoCase(const CString& text, const wchar_t* word) { return text.CompareNoCase(word) == 0; }

}  // namespace

CAsfFormat::~CAsfFormat()
{
    if (m_hFile) CloseHandle(m_hFile);
}

int CAsfFormat::Open(const CString& path)
{
    m_hFile = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                          nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) {
        m_hFile = nullptr;
        return 0;
    }
    m_nPosition = 0;
    m_nObjectEnd = kNoLimit;
    ParseObjects();
    CloseHandle(m_hFile);
    m_hFile = nullptr;
    return 1;
}

bool CAsfFormat::Read(void* buffer, DWORD bytes)
{
    // An object's records never reach past the object's own end.
    if (m_nPosition > m_nObjectEnd || bytes > m_nObjectEnd - m_nPosition) return false;
    DWORD read = 0;
    if (!ReadFile(m_hFile, buffer, bytes, &read, nullptr) || read != bytes) return false;
    m_nPosition += bytes;
    return true;
}

bool CAsfFormat::Skip(uint64_t distance)
{
    constexpr uint64_t kLastPosition = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (distance > kLastPosition - m_nPosition) return false;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(m_nPosition + distance);
    if (!SetFilePointerEx(m_hFile, to, nullptr, FILE_BEGIN)) return false;
    m_nPosition += distance;
    return true;
}

bool CAsfFormat::ReadWord(WORD* value)
{
    BYTE b[2];
    if (!Read(b, sizeof b)) return false;
    *value = LoadLE16(b);
    return true;
}

bool CAsfFormat::ReadDword(DWORD* value)
{
    BYTE b[4];
    if (!Read(b, sizeof b)) return false;
    *value = LoadLE32(b);
    return true;
}

bool CAsfFormat::ReadQword(uint64_t* value)
{
    BYTE b[8];
    if (!Read(b, sizeof b)) return false;
    *value = LoadLE64(b);
    return true;
}

bool CAsfFormat::ReadGuid(GUID* value)
{
    BYTE b[16];
    if (!Read(b, sizeof b)) return false;
    *value = LoadGuidLE(b);
    return true;
}

bool CAsfFormat::ReadString(DWORD bytes, CString* text)
{
    // Two zero bytes behind the string end it even when the file does not.
    std::vector<BYTE> buffer(static_cast<size_t>(bytes) + 2, 0);
    if (!Read(buffer.data(), bytes)) return false;
    size_t units = 0;
    while (units * 2 + 1 < buffer.size() && (buffer[units * 2] || buffer[units * 2 + 1])) ++units;
    *text = CString(Utf16LeBytesToWide(buffer.data(), units * 2));
    return true;
}

int CAsfFormat::ParseObjects()
{
    BYTE head[30];
    if (!Read(head, sizeof head)) return 0;
    const GUID guid = LoadGuidLE(head);
    if (guid != kHeaderObject) return 0;
    m_bHeader = true;
    m_header.guid = guid;
    m_header.size = LoadLE64(head + 16);
    m_nHeaderObjects = LoadLE32(head + 24);
    m_reserved[0] = head[28];
    m_reserved[1] = head[29];

    for (;;) {
        m_nObjectEnd = kNoLimit;
        const uint64_t start = m_nPosition;
        BYTE b[kObjectHeaderSize];
        if (!Read(b, sizeof b)) return 1;
        SObjectHeader object;
        object.guid = LoadGuidLE(b);
        object.size = LoadLE64(b + 16);
        // A size that does not even cover the object's header would make the
        // next step stand still or go back.
        if (object.size < kObjectHeaderSize) return 1;
        const uint64_t body = object.size - kObjectHeaderSize;
        // The end of the object when its size is a position a file can have.
        const uint64_t end = object.size > kNoLimit - start ? kNoLimit : start + object.size;

        bool ok = true;
        if (object.guid == kContentDescription) {
            DebugTrace(L"ASF_Content_Description_Object");
            m_nObjectEnd = end;
            ok = ReadContentDescription();
        } else if (object.guid == kFileProperties) {
            DebugTrace(L"ASF_File_Properties_Object");
            m_nObjectEnd = end;
            ok = ReadFileProperties();
        } else if (object.guid == kHeaderExtension) {
            DebugTrace(L"ASF_Header_Extension_Object");
            m_nObjectEnd = end;
            WORD reserved = 0;
            ok = ReadGuid(&m_extensionReserved) && ReadWord(&reserved) && ReadDword(&m_nExtensionDataSize);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(m_nExtensionDataSize)) return 1;
        } else if (object.guid == kStreamProperties) {
            DebugTrace(L"ASF_Stream_Properties_Object");
            m_nObjectEnd = end;
            BYTE fields[54];
            ok = Read(fields, sizeof fields);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(static_cast<uint64_t>(LoadLE32(fields + 40)) + LoadLE32(fields + 44))) return 1;
        } else if (object.guid == kCodecList) {
            DebugTrace(L"ASF_Codec_List_Object");
            m_nObjectEnd = end;
            ok = ReadCodecList();
        } else if (object.guid == kErrorCorrection) {
            DebugTrace(L"ASF_Error_Correction_Object");
            m_nObjectEnd = end;
            ok = ReadGuid(&m_errorCorrectionType) && ReadDword(&m_nErrorCorrectionLength);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(m_nErrorCorrectionLength)) return 1;
        } else if (object.guid == kData) {
            DebugTrace(L"ASF_Data_Object");
            if (object.size < kDataObjectFixedSize) return 1;
            m_nObjectEnd = end;
            WORD reserved = 0;
            ok = ReadGuid(&m_dataFileId) && ReadQword(&m_nTotalDataPackets) && ReadWord(&reserved);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(object.size - kDataObjectFixedSize)) return 1;
        } else if (object.guid == kSimpleIndex) {
            DebugTrace(L"ASF_Simple_Index_Object");
            m_nObjectEnd = end;
            BYTE fields[32];
            ok = Read(fields, sizeof fields);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(static_cast<uint64_t>(LoadLE32(fields + 28)) * 6)) return 1;
        } else if (object.guid == kStreamBitrateProperties) {
            DebugTrace(L"ASF_Stream_Bitrate_Properties_Object");
            m_nObjectEnd = end;
            ok = ReadWord(&m_nBitrateRecords);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(static_cast<uint64_t>(m_nBitrateRecords) * 6)) return 1;
        } else if (object.guid == kExtendedContentDescription) {
            DebugTrace(L"ASF_Extended_Content_Description_Object");
            m_nObjectEnd = end;
            ok = ReadExtendedContentDescription();
        } else if (object.guid == kScriptCommand) {
            DebugTrace(L"ASF_Script_Command_Object");
            m_nObjectEnd = end;
            ok = ReadScriptCommands();
        } else {
            bool skipped = false;
            for (const GUID& g : kSkipped) skipped = skipped || object.guid == g;
            if (!skipped) return 1;
            if (!Skip(body)) return 1;
        }
        if (!ok) return 0;
    }
}

bool CAsfFormat::ReadContentDescription()
{
    WORD lengths[5];
    for (WORD& length : lengths)
        if (!ReadWord(&length)) return false;
    CString* fields[5] = {&m_sTitle, &m_sAuthor, &m_sCopyright, &m_sDescription, &m_sRating};
    const wchar_t* traces[5] = {L"title : %s", L"m_contentDesc : %s", L"sCopyRight : %s", L"sDescription : %s",
                                L"sRating : %s"};
    for (int i = 0; i < 5; ++i) {
        if (!lengths[i]) continue;
        if (!ReadString(lengths[i], fields[i])) return false;
        DebugTrace(traces[i], fields[i]->GetString());
    }
    return true;
}

bool CAsfFormat::ReadFileProperties()
{
    SFileProperties& f = m_fileProperties;
    return ReadGuid(&f.fileId) && ReadQword(&f.fileSize) && ReadQword(&f.creationDate) &&
           ReadQword(&f.dataPacketsCount) && ReadQword(&f.playDuration) && ReadQword(&f.sendDuration) &&
           ReadQword(&f.preroll) && ReadDword(&f.flags) && ReadDword(&f.minDataPacketSize) &&
           ReadDword(&f.maxDataPacketSize) && ReadDword(&f.maxBitrate);
}

bool CAsfFormat::ReadCodecList()
{
    GUID reserved{};
    DWORD count = 0;
    if (!ReadGuid(&reserved) || !ReadDword(&count)) return false;
    for (DWORD i = 0; i < count; ++i) {
        _SCodecEntries e;
        if (!ReadWord(&e.nType) || !ReadWord(&e.nNameLength)) return false;
        if (!ReadString(static_cast<DWORD>(e.nNameLength) * 2, &e.sName)) return false;
        DebugTrace(L"codec name : %s", e.sName.GetString());
        if (!ReadWord(&e.nDescriptionLength)) return false;
        if (e.nDescriptionLength) {
            if (!ReadString(static_cast<DWORD>(e.nDescriptionLength) * 2, &e.sDescription)) return false;
            DebugTrace(L"codec desc : %s", e.sDescription.GetString());
        }
        if (!ReadWord(&e.nInformationLength)) return false;
        if (e.nInformationLength > m_nObjectEnd - m_nPosition || !Skip(e.nInformationLength)) return false;
        m_codecEntries.push_back(std::move(e));
    }
    return true;
}

bool CAsfFormat::ReadExtendedContentDescription()
{
    if (!ReadWord(&m_nExtendedDescriptors)) return false;
    for (WORD i = 0; i < m_nExtendedDescriptors; ++i) {
        WORD nameLength = 0, type = 0, valueLength = 0;
        CString name, value;
        if (!ReadWord(&nameLength) || !ReadString(nameLength, &name)) return false;
        if (!ReadWord(&type) || !ReadWord(&valueLength)) return false;
        if (type == 0) {
            if (!ReadString(valueLength, &value)) return false;
        } else if (valueLength > m_nObjectEnd - m_nPosition || !Skip(valueLength)) {
            return false;
        }
    }
    return true;
}

bool CAsfFormat::ReadScriptCommands()
{
    GUID reserved{};
    if (!ReadGuid(&reserved) || !ReadWord(&m_nCommandsCount) || !ReadWord(&m_nCommandTypesCount)) return false;
    bool captions = false;
    for (WORD i = 0; i < m_nCommandTypesCount; ++i) {
        WORD length = 0;
        CString type;
        if (!ReadWord(&length) || !ReadString(static_cast<DWORD>(length) * 2, &type)) return false;
        if (EqualsNoCase(type, L"TEXT") || EqualsNoCase(type, L"CAPTION")) captions = true;
    }
    for (WORD i = 0; i < m_nCommandsCount; ++i) {
        _SCommands c;
        if (!ReadDword(&c.nPresentationTime) || !ReadWord(&c.nTypeIndex) || !ReadWord(&c.nNameLength)) return false;
        if (!ReadString(static_cast<DWORD>(c.nNameLength) * 2, &c.sName)) return false;
        if (captions) m_commands.push_back(std::move(c));
    }
    return true;
}

int CAsfFormat::ExportCommandsAsSami(const CString& outputPath) const
{
    if (m_commands.empty()) return 0;
    FILE* out = _wfopen(outputPath, L"w");
    if (!out) return 0;
    // The body alone, each line ended with CR LF as SAMI files are.
    std::string text = "<BODY>\r\n";
    const uint32_t preroll = static_cast<uint32_t>(m_fileProperties.preroll);
    for (const _SCommands& c : m_commands) {
        std::string caption;
        const int chars = c.sName.GetLength();
        const int bytes = chars ? WideCharToMultiByte(CP_ACP, 0, c.sName, chars, nullptr, 0, nullptr, nullptr) : 0;
        if (bytes > 0) {
            caption.resize(static_cast<size_t>(bytes));
            if (WideCharToMultiByte(CP_ACP, 0, c.sName, chars, caption.data(), bytes, nullptr, nullptr) != bytes)
                caption.clear();
        }
        // The low 32 bits of both times, as a signed number: a command before
        // the preroll starts below 0.
        const auto start = static_cast<int32_t>(c.nPresentationTime - preroll);
        text += "<SYNC Start=" + std::to_string(start) + "><P Class=KRCC>" + caption + "\r\n";
    }
    text += "</BODY>\r\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    const bool closed = std::fclose(out) == 0;
    if (written && closed) return 1;
    // A body cut short is not left to be read as the captions.
    DeleteFileW(outputPath);
    return 0;
}

CString CAsfFormat::ExportCommandsToTemporarySami() const
{
    if (m_commands.empty()) return CString();
    const CString folder = GetTempFolder();
    if (folder.IsEmpty()) return CString();
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(folder, L"RivoEncoder", 0, name) == 0) return CString();
    CString path(name);
    if (ExportCommandsAsSami(path)) return path;
    DeleteFileW(path);
    return CString();
}
