#include "FormatDetection.h"

#include <cstring>
#include <new>
#include <string_view>

#include "CheckedFile.h"
#include "EndianReaders.h"
#include "analysers/AsfFile.h"
#include "analysers/AviFile.h"
#include "analysers/FlvFile.h"
#include "analysers/MkvFile.h"
#include "analysers/Mp4File.h"
#include "analysers/OggFile.h"
#include "analysers/RmFile.h"
#include "platform/win32/AsfObjectGuids.h"

namespace {

// True when the file starts with the count bytes of magic.
bool StartsWith(const wchar_t* path, const void* magic, size_t count)
{
    CheckedFile file;
    if (!file.Open(path)) return false;
    BYTE head[16];
    if (count > sizeof head || !file.ReadExact(head, count)) return false;
    return std::memcmp(head, magic, count) == 0;
}

// The EBML DocType element's id, and the document types of Matroska files
// (WebM is Matroska under another name).
constexpr BYTE kDocTypeId[2] = {0x42, 0x82};
constexpr std::string_view kMatroskaDocTypes[] = {"matroska", "webm"};

// The length of a DocType element at p (count bytes available) whose value is
// a Matroska document type, padded with NUL bytes or not; 0 when there is
// none.
size_t MatroskaDocTypeAt(const BYTE* p, size_t count)
{
    if (count < 3 || std::memcmp(p, kDocTypeId, 2) != 0) return 0;
    // The value's size: a variable-length integer of one to eight bytes.
    const BYTE first = p[2];
    size_t width = 1;
    while (width <= 8 && !(first & (0x80 >> (width - 1)))) ++width;
    if (width > 8 || 2 + width > count) return 0;
    uint64_t size = first & (0xFFu >> width);
    for (size_t i = 1; i < width; ++i) size = (size << 8) | p[2 + i];
    const size_t header = 2 + width;
    if (size > count - header) return 0;
    std::string_view value(reinterpret_cast<const char*>(p + header), static_cast<size_t>(size));
    while (!value.empty() && value.back() == '\0') value.remove_suffix(1);
    for (std::string_view type : kMatroskaDocTypes)
        if (value == type) return header + static_cast<size_t>(size);
    return 0;
}

}  // namespace

bool ProbeAvi(const wchar_t* path)
{
    CheckedFile file;
    if (!file.Open(path)) return false;
    BYTE riff[4], size[4], form[4];
    if (!file.ReadExact(riff, 4) || !file.ReadExact(size, 4) || !file.ReadExact(form, 4)) return false;
    return std::memcmp(riff, "RIFF", 4) == 0 && std::memcmp(form, "AVI ", 4) == 0;
}

bool ProbeAsf(const wchar_t* path)
{
    CheckedFile file;
    if (!file.Open(path)) return false;
    LittleEndianReader in(file);
    GUID g;
    return in.ReadGuid(g) && GuidEqual(g, asf::Header);
}

bool ProbeMp4(const wchar_t* path)
{
    CheckedFile file;
    if (!file.Open(path)) return false;
    BigEndianReader in(file);
    for (;;) {
        DWORD size32 = 0, type = 0;
        if (!in.ReadUInt32BE(size32) || !in.ReadFourCC(type)) return false;
        if (type == MAKEFOURCC('m', 'o', 'o', 'v')) return true;
        uint64_t size = size32, header = 8;
        if (size32 == 1) {
            QWORD size64 = 0;
            if (!in.ReadUInt64BE(size64)) return false;
            size = size64;
            header = 16;
        }
        // A box smaller than its own header would move the walk backwards
        // (or nowhere) and never end: the file is not a box file.
        if (size < header) return false;
        if (!in.SkipBytes(size - header)) return false;
    }
}

bool ProbeRm(const wchar_t* path)
{
    CheckedFile file;
    if (!file.Open(path)) return false;
    BYTE head[4];
    if (!file.ReadExact(head, 4)) return false;
    return std::memcmp(head, ".RMF", 4) == 0 || std::memcmp(head, ".ra\xFD", 4) == 0;
}

bool ProbeMkv(const wchar_t* path)
{
    CheckedFile file;
    if (!file.Open(path)) return false;
    BYTE head[264];
    size_t count = 0;
    if (!file.Read(head, sizeof head, &count) || count <= 11) return false;
    // The DocType element may start anywhere in the bytes read, as long as
    // at least one byte follows it.
    for (size_t i = 0; i + 1 < count; ++i)
        if (MatroskaDocTypeAt(head + i, count - 1 - i) != 0) return true;
    return false;
}

bool ProbeOgg(const wchar_t* path) { return StartsWith(path, "OggS", 4); }

bool ProbeFlv(const wchar_t* path) { return StartsWith(path, "FLV", 3); }

int DetectFileFormat(const wchar_t* path)
{
    if (ProbeAvi(path)) return FILETYPE_AVI;
    if (ProbeAsf(path)) return FILETYPE_ASF;
    if (ProbeMp4(path)) return FILETYPE_MP4;
    if (ProbeRm(path)) return FILETYPE_RM;
    if (ProbeMkv(path)) return FILETYPE_MKV;
    if (ProbeOgg(path)) return FILETYPE_OGG;
    if (ProbeFlv(path)) return FILETYPE_FLV;
    return FILETYPE_UNKNOWN;
}

std::unique_ptr<MediaFileInfo> CreateFileParser(int type)
{
    switch (type) {
    case FILETYPE_AVI: return std::unique_ptr<MediaFileInfo>(new (std::nothrow) AviFile);
    case FILETYPE_ASF: return std::unique_ptr<MediaFileInfo>(new (std::nothrow) AsfFile);
    case FILETYPE_MP4: return std::unique_ptr<MediaFileInfo>(new (std::nothrow) Mp4File);
    case FILETYPE_RM: return std::unique_ptr<MediaFileInfo>(new (std::nothrow) RmFile);
    case FILETYPE_MKV: return std::unique_ptr<MediaFileInfo>(new (std::nothrow) MkvFile);
    case FILETYPE_OGG: return std::unique_ptr<MediaFileInfo>(new (std::nothrow) OggFile);
    case FILETYPE_FLV: return std::unique_ptr<MediaFileInfo>(new (std::nothrow) FlvFile);
    default: return nullptr;
    }
}
