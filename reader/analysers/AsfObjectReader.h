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

#include "platform/win32/AsfObjectGuids.h"
#include "platform/win32/Guid.h"
#include "reader/EndianReaders.h"
#include "reader/MediaFileInfo.h"

namespace asf {

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
    AsfObjectReader(LittleEndianReader& in, AsfRecords& records) : m_in(in), m_rec(records) {}

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
    int ReadIndexObject(uint64_t size, const GUID& id, bool timecode);
    int ReadIndexParametersBody(uint64_t size, const GUID& id);
    int Fail(int code);

    LittleEndianReader& m_in;
    AsfRecords& m_rec;
};

}  // namespace asf
