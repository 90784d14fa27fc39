// Readers of the objects of an Advanced Systems Format file. The analyser
// walks the objects; for each object whose GUID it knows it calls the reader
// here with the file just after the object's 24-byte header (GUID and Object
// Size). A reader reads the object's fields in file order and width, keeps a
// record of what it read, and answers kReadOk or the analysis status of its
// group: kHeaderFailure for the objects of the header and its extension,
// kDataFailure for the Data Object, kIndexFailure for the four index objects
// (STATUS_NOT_ANALYSED when no file is open).
//
// Every count and length is checked against the bytes the object and the
// file still hold before anything is read or kept for it, so a damaged count
// ends the reader instead of reading into the objects that follow.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/Guid.h"
#include "reader/EndianReaders.h"
#include "reader/MediaFileInfo.h"

namespace asf {

// Object GUIDs, in their usual text form.
inline constexpr GUID Header = {0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
inline constexpr GUID Data = {0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
inline constexpr GUID SimpleIndex = {0x33000890, 0xE5B1, 0x11CF, {0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB}};
inline constexpr GUID Index = {0xD6E229D3, 0x35DA, 0x11D1, {0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE}};
inline constexpr GUID MediaObjectIndex = {0xFEB103F8, 0x12AD, 0x4C64, {0x84, 0x0F, 0x2A, 0x1D, 0x2F, 0x7A, 0xD4, 0x8C}};
inline constexpr GUID TimecodeIndex = {0x3CB73FD0, 0x0C4A, 0x4803, {0x95, 0x3D, 0xED, 0xF7, 0xB6, 0x22, 0x8F, 0x0C}};

inline constexpr GUID FileProperties = {0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
inline constexpr GUID StreamProperties = {0xB7DC0791, 0xA9B7, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
inline constexpr GUID StreamBitrateProperties = {
    0x7BF875CE, 0x468D, 0x11D1, {0x8D, 0x82, 0x00, 0x60, 0x97, 0xC9, 0xA2, 0xB2}};
inline constexpr GUID ContentDescription = {
    0x75B22633, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
inline constexpr GUID ScriptCommand = {0x1EFB1A30, 0x0B62, 0x11D0, {0xA3, 0x9B, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0xF6}};
inline constexpr GUID Marker = {0xF487CD01, 0xA951, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
inline constexpr GUID HeaderExtension = {0x5FBF03B5, 0xA92E, 0x11CF, {0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
inline constexpr GUID BitrateMutualExclusion = {
    0xD6E229DC, 0x35DA, 0x11D1, {0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE}};
inline constexpr GUID CodecList = {0x86D15240, 0x311D, 0x11D0, {0xA3, 0xA4, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0xF6}};
inline constexpr GUID ExtendedContentDescription = {
    0xD2D0A440, 0xE307, 0x11D2, {0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50}};
inline constexpr GUID ErrorCorrection = {0x75B22635, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
inline constexpr GUID IndexParameters = {0xD6E229DF, 0x35DA, 0x11D1, {0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE}};
inline constexpr GUID MediaObjectIndexParameters = {
    0x6B203BAD, 0x3F11, 0x48E4, {0xAC, 0xA8, 0xD7, 0x61, 0x3D, 0xE2, 0xCF, 0xA7}};
inline constexpr GUID TimecodeIndexParameters = {
    0xF55E496D, 0x9797, 0x4B5D, {0x8C, 0x8B, 0x60, 0x4D, 0xFE, 0x9B, 0xFB, 0x24}};

inline constexpr GUID ExtendedStreamProperties = {
    0x14E6A5CB, 0xC672, 0x4332, {0x83, 0x99, 0xA9, 0x69, 0x52, 0x06, 0x5B, 0x5A}};
inline constexpr GUID AdvancedMutualExclusion = {
    0xA08649CF, 0x4775, 0x4670, {0x8A, 0x16, 0x6E, 0x35, 0x35, 0x75, 0x66, 0xCD}};
inline constexpr GUID GroupMutualExclusion = {
    0xD1465A40, 0x5A79, 0x4338, {0xB7, 0x1B, 0xE3, 0x6B, 0x8F, 0xD6, 0xC2, 0x49}};
inline constexpr GUID StreamPrioritization = {
    0xD4FED15B, 0x88D3, 0x454F, {0x81, 0xF0, 0xED, 0x5C, 0x45, 0x99, 0x9E, 0x24}};
inline constexpr GUID BandwidthSharing = {0xA69609E6, 0x517B, 0x11D2, {0xB6, 0xAF, 0x00, 0xC0, 0x4F, 0xD9, 0x08, 0xE9}};
inline constexpr GUID LanguageList = {0x7C4346A9, 0xEFE0, 0x4BFC, {0xB2, 0x29, 0x39, 0x3E, 0xDE, 0x41, 0x5C, 0x85}};
inline constexpr GUID Metadata = {0xC5F8CBEA, 0x5BAF, 0x4877, {0x84, 0x67, 0xAA, 0x8C, 0x44, 0xFA, 0x4C, 0xCA}};
inline constexpr GUID MetadataLibrary = {0x44231C94, 0x9498, 0x49D1, {0xA1, 0x41, 0x1D, 0x13, 0x4E, 0x45, 0x70, 0x54}};
// Inside the header extension this value names the compatibility object.
inline constexpr GUID Compatibility = Header;
inline constexpr GUID AdvancedContentEncryption = {
    0x43058533, 0x6981, 0x49E6, {0x9B, 0x74, 0xAD, 0x12, 0xCB, 0x86, 0xD5, 0x8C}};

// Stream types of the Stream Properties Object.
inline constexpr GUID VideoMedia = {0xBC19EFC0, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};
inline constexpr GUID AudioMedia = {0xF8699E40, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};

constexpr uint64_t kObjectHeaderBytes = 24;
constexpr uint64_t kMinDataObjectBytes = 50;

// A reader's answers are the analysis statuses the analyser reports.
constexpr int kReadOk = STATUS_OK;
constexpr int kHeaderFailure = STATUS_ASF_HEADER;
constexpr int kDataFailure = STATUS_ASF_DATA;
constexpr int kIndexFailure = STATUS_ASF_INDEX;

// What every record starts with.
struct ObjectRecord {
    GUID id;
    uint64_t size = 0;
};

struct FilePropertiesRecord : ObjectRecord {
    GUID fileId;
    uint64_t fileSize = 0;
    uint64_t creationDate = 0;
    uint64_t dataPacketsCount = 0;
    uint64_t playDuration = 0;
    uint64_t sendDuration = 0;
    uint64_t preroll = 0;
    uint32_t flags = 0;
    uint32_t minDataPacketSize = 0;
    uint32_t maxDataPacketSize = 0;
    uint32_t maxBitrate = 0;
};

struct StreamPropertiesRecord : ObjectRecord {
    GUID streamType;
    GUID errorCorrectionType;
    uint64_t timeOffset = 0;
    uint16_t flags = 0;
    uint32_t reserved = 0;
    std::vector<uint8_t> typeSpecific;
    std::vector<uint8_t> errorCorrection;

    int StreamNumber() const { return flags & 0x7F; }
};

struct BitrateRecord {
    uint16_t flags = 0;
    uint32_t averageBitrate = 0;
};

struct StreamBitratePropertiesRecord : ObjectRecord {
    std::vector<BitrateRecord> records;
};

struct ExtendedStreamPropertiesRecord : ObjectRecord {
    uint64_t startTime = 0;
    uint64_t endTime = 0;
    uint32_t dataBitrate = 0;
    uint32_t bufferSize = 0;
    uint32_t initialBufferFullness = 0;
    uint32_t alternateDataBitrate = 0;
    uint32_t alternateBufferSize = 0;
    uint32_t alternateInitialBufferFullness = 0;
    uint32_t maxObjectSize = 0;
    uint32_t flags = 0;
    uint16_t streamNumber = 0;
    uint16_t streamLanguageIdIndex = 0;
    uint64_t avgTimePerFrame = 0;
    uint16_t streamNameCount = 0;
    uint16_t payloadExtensionSystemCount = 0;
};

struct SimpleIndexEntry {
    uint32_t packetNumber = 0;
    uint16_t packetCount = 0;
};

struct SimpleIndexRecord : ObjectRecord {
    GUID fileId;
    uint64_t entryTimeInterval = 0;  // 100-nanosecond units
    uint32_t maxPacketCount = 0;
    std::vector<SimpleIndexEntry> entries;
};

// What the readers gather, owned by the analyser.
struct AsfRecords {
    bool filePropertiesMet = false;
    FilePropertiesRecord fileProperties;
    bool headerExtensionMet = false;
    ObjectRecord headerExtension;
    std::vector<StreamPropertiesRecord> streamProperties;
    std::vector<StreamBitratePropertiesRecord> streamBitrates;
    std::vector<ExtendedStreamPropertiesRecord> extendedStreamProperties;
    std::vector<SimpleIndexRecord> simpleIndexes;
    // Objects that are read to stay in step with the file and not used
    // further: their GUID and size, in file order.
    std::vector<ObjectRecord> otherObjects;
    std::vector<ObjectRecord> headerExtensionObjects;
    uint64_t dataSize = 0;  // Object Size of the Data Object
    bool indexValid = true;
    // Title, author, copyright, description and rating of the Content
    // Description Object; absent until one is read with text.
    std::optional<std::wstring> content[5];
};

enum ContentString { kTitle, kAuthor, kCopyright, kDescription, kRating };

class AsfObjectReader {
public:
    AsfObjectReader(LittleEndianReader& in, AsfRecords& records) : in_(in), rec_(records) {}

    // The readers of the header objects (group 21), in the order the header
    // walk asks for them. Each takes the Object Size (at least 24, checked by
    // the walk).
    int ReadFileProperties(uint64_t size);
    int ReadStreamProperties(uint64_t size);
    int ReadStreamBitrateProperties(uint64_t size);
    int ReadContentDescription(uint64_t size);
    int ReadScriptCommand(uint64_t size);
    int ReadMarker(uint64_t size);
    // Reads the extension's fields and walks its sub-objects.
    int ReadHeaderExtension(uint64_t size);
    int ReadBitrateMutualExclusion(uint64_t size);
    int ReadCodecList(uint64_t size);
    int ReadExtendedContentDescription(uint64_t size);
    int ReadErrorCorrection(uint64_t size);
    int ReadIndexParameters(uint64_t size);
    int ReadMediaObjectIndexParameters(uint64_t size);
    int ReadTimecodeIndexParameters(uint64_t size);

    // Sub-objects of the header extension (group 21).
    int ReadExtendedStreamProperties(uint64_t size);
    int ReadAdvancedMutualExclusion(uint64_t size);
    int ReadGroupMutualExclusion(uint64_t size);
    int ReadStreamPrioritization(uint64_t size);
    int ReadBandwidthSharing(uint64_t size);
    int ReadLanguageList(uint64_t size);
    int ReadMetadata(uint64_t size);
    int ReadMetadataLibrary(uint64_t size);
    int ReadCompatibility(uint64_t size);
    int ReadAdvancedContentEncryption(uint64_t size);

    // Objects after the header: the Data Object (group 22) and the index
    // objects (group 23; a failure also clears the index-valid flag).
    int ReadData(uint64_t size);
    int ReadSimpleIndex(uint64_t size);
    int ReadIndex(uint64_t size);
    int ReadMediaObjectIndex(uint64_t size);
    int ReadTimecodeIndex(uint64_t size);

    // Hands one object of the header to its reader by GUID; an unknown GUID
    // is passed over by size - 24 bytes. 1 or 21.
    int ReadHeaderObject(const GUID& id, uint64_t size);

private:
    // One object being read: where it ends, and how much of it (and of the
    // file) is left to read.
    class Scope;

    int ReadSubObject(const GUID& id, uint64_t start, uint64_t size);
    int ReadStreamNumbers(Scope& s, uint16_t count);
    int ReadIndexSpecifiersAndBlocks(Scope& s, bool timecode);
    int ReadIndexParametersBody(uint64_t size, const GUID& id);
    int Fail(int code);

    LittleEndianReader& in_;
    AsfRecords& rec_;
};

}  // namespace asf
