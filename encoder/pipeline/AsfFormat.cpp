#include "AsfFormat.h"

#include <cstring>
#include <limits>
#include <string>

#include "foundation/DebugTrace.h"
#include "foundation/PathHelpers.h"
#include "platform/win32/AsfObjectGuids.h"
#include "platform/win32/ByteOrder.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace {

// Objects passed over whole.
constexpr GUID kSkipped[] = {asf::ExtendedContentEncryption, asf::Marker, asf::BitrateMutualExclusion, asf::Padding};

constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();

bool EqualsNoCase(const CString& text, const wchar_t* word) { return text.CompareNoCase(word) == 0; }

}  // namespace

CAsfFormat::~CAsfFormat()
{
    if (m_hFile) CloseHandle(m_hFile);
}

int CAsfFormat::Open(const CString& path)
{
    m_hFile =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
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
    BYTE head[asf::kHeaderObjectBytes];
    if (!Read(head, sizeof head)) return 0;
    const GUID guid = LoadGuidLE(head);
    if (guid != asf::Header) return 0;
    m_bHeader = true;
    m_header.guid = guid;
    m_header.size = LoadLE64(head + 16);
    m_nHeaderObjects = LoadLE32(head + asf::kObjectHeaderBytes);
    m_reserved[0] = head[28];
    m_reserved[1] = head[29];

    for (;;) {
        m_nObjectEnd = kNoLimit;
        const uint64_t start = m_nPosition;
        BYTE b[asf::kObjectHeaderBytes];
        if (!Read(b, sizeof b)) return 1;
        SObjectHeader object;
        object.guid = LoadGuidLE(b);
        object.size = LoadLE64(b + 16);
        // A size that does not even cover the object's header would make the
        // next step stand still or go back.
        if (object.size < asf::kObjectHeaderBytes) return 1;
        const uint64_t body = object.size - asf::kObjectHeaderBytes;
        // The end of the object when its size is a position a file can have.
        const uint64_t end = object.size > kNoLimit - start ? kNoLimit : start + object.size;

        bool ok = true;
        if (object.guid == asf::ContentDescription) {
            DebugTrace(L"ASF_Content_Description_Object");
            m_nObjectEnd = end;
            ok = ReadContentDescription();
        } else if (object.guid == asf::FileProperties) {
            DebugTrace(L"ASF_File_Properties_Object");
            m_nObjectEnd = end;
            ok = ReadFileProperties();
        } else if (object.guid == asf::HeaderExtension) {
            DebugTrace(L"ASF_Header_Extension_Object");
            m_nObjectEnd = end;
            WORD reserved = 0;
            ok = ReadGuid(&m_extensionReserved) && ReadWord(&reserved) && ReadDword(&m_nExtensionDataSize);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(m_nExtensionDataSize)) return 1;
        } else if (object.guid == asf::StreamProperties) {
            DebugTrace(L"ASF_Stream_Properties_Object");
            m_nObjectEnd = end;
            BYTE fields[54];
            ok = Read(fields, sizeof fields);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(static_cast<uint64_t>(LoadLE32(fields + 40)) + LoadLE32(fields + 44))) return 1;
        } else if (object.guid == asf::CodecList) {
            DebugTrace(L"ASF_Codec_List_Object");
            m_nObjectEnd = end;
            ok = ReadCodecList();
        } else if (object.guid == asf::ErrorCorrection) {
            DebugTrace(L"ASF_Error_Correction_Object");
            m_nObjectEnd = end;
            ok = ReadGuid(&m_errorCorrectionType) && ReadDword(&m_nErrorCorrectionLength);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(m_nErrorCorrectionLength)) return 1;
        } else if (object.guid == asf::Data) {
            DebugTrace(L"ASF_Data_Object");
            if (object.size < asf::kMinDataObjectBytes) return 1;
            m_nObjectEnd = end;
            WORD reserved = 0;
            ok = ReadGuid(&m_dataFileId) && ReadQword(&m_nTotalDataPackets) && ReadWord(&reserved);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(object.size - asf::kMinDataObjectBytes)) return 1;
        } else if (object.guid == asf::SimpleIndex) {
            DebugTrace(L"ASF_Simple_Index_Object");
            m_nObjectEnd = end;
            BYTE fields[32];
            ok = Read(fields, sizeof fields);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(static_cast<uint64_t>(LoadLE32(fields + 28)) * 6)) return 1;
        } else if (object.guid == asf::StreamBitrateProperties) {
            DebugTrace(L"ASF_Stream_Bitrate_Properties_Object");
            m_nObjectEnd = end;
            ok = ReadWord(&m_nBitrateRecords);
            m_nObjectEnd = kNoLimit;
            if (ok && !Skip(static_cast<uint64_t>(m_nBitrateRecords) * 6)) return 1;
        } else if (object.guid == asf::ExtendedContentDescription) {
            DebugTrace(L"ASF_Extended_Content_Description_Object");
            m_nObjectEnd = end;
            ok = ReadExtendedContentDescription();
        } else if (object.guid == asf::ScriptCommand) {
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
