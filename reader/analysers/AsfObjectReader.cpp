#include "AsfObjectReader.h"

#include <algorithm>
#include <limits>

#include "platform/win32/ByteOrder.h"
#include "platform/win32/CodePage.h"

namespace asf {

// The bounds of one object: reads inside it never pass its end nor the end
// of the file, and a count is accepted only when the bytes it needs are
// still there.
class AsfObjectReader::Scope {
public:
    // The file stands just after the object's 24-byte header.
    Scope(LittleEndianReader& in, uint64_t size) : m_in(in)
    {
        uint64_t pos = in.GetFilePosition();
        uint64_t start = pos >= kObjectHeaderBytes ? pos - kObjectHeaderBytes : 0;
        m_end =
            size > std::numeric_limits<uint64_t>::max() - start ? std::numeric_limits<uint64_t>::max() : start + size;
    }

    uint64_t Left() const
    {
        uint64_t limit = std::min(m_end, m_in.File().GetSize());
        uint64_t pos = m_in.GetFilePosition();
        return pos < limit ? limit - pos : 0;
    }
    // True when count items of unit bytes each still fit.
    bool Holds(uint64_t count, uint64_t unit) const { return unit == 0 || count <= Left() / unit; }

    bool U8(BYTE& v) { return Holds(1, 1) && m_in.ReadByte(v); }
    bool U16(WORD& v) { return Holds(1, 2) && m_in.ReadUInt16(v); }
    bool U32(DWORD& v) { return Holds(1, 4) && m_in.ReadUInt32(v); }
    bool U64(QWORD& v) { return Holds(1, 8) && m_in.ReadUInt64(v); }
    bool Guid(GUID& v) { return Holds(1, 16) && m_in.ReadGuid(v); }
    bool Bytes(std::vector<uint8_t>& out, uint64_t count)
    {
        return Holds(count, 1) && m_in.File().ReadBlock(out, count);
    }
    bool Skip(uint64_t count) { return Holds(count, 1) && m_in.SkipBytes(count); }
    // A string whose length the file gives in bytes: half the length,
    // rounded up, in UTF-16 code units (an odd length takes one byte more).
    bool StringOfBytes(uint64_t byteLength, std::u16string& out) { return Units((byteLength + 1) / 2, out); }
    // A string whose length the file gives in characters.
    bool Units(uint64_t count, std::u16string& out)
    {
        std::vector<uint8_t> raw;
        if (!Bytes(raw, count * 2)) return false;
        out.resize(static_cast<size_t>(count));
        for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char16_t>(LoadLE16(raw.data() + 2 * i));
        return true;
    }
    // Passes over a string without keeping it.
    bool SkipStringOfBytes(uint64_t byteLength) { return Skip((byteLength + 1) / 2 * 2); }
    bool SkipUnits(uint64_t count) { return Skip(count * 2); }

private:
    LittleEndianReader& m_in;
    uint64_t m_end = 0;
};

namespace {

ObjectRecord Record(const GUID& id, uint64_t size)
{
    ObjectRecord r;
    r.id = id;
    r.size = size;
    return r;
}

}  // namespace

int AsfObjectReader::Fail(int code) { return m_in.File().IsOpen() ? code : STATUS_NOT_ANALYSED; }

// --- Objects of the header ---------------------------------------------------

int AsfObjectReader::ReadFileProperties(uint64_t size)
{
    // Met as soon as its reading starts, whatever follows.
    m_rec.filePropertiesMet = true;
    Scope s(m_in, size);
    FilePropertiesRecord r;
    r.id = FileProperties;
    r.size = size;
    if (!s.Guid(r.fileId) || !s.U64(r.fileSize) || !s.U64(r.creationDate) || !s.U64(r.dataPacketsCount) ||
        !s.U64(r.playDuration) || !s.U64(r.sendDuration) || !s.U64(r.preroll) || !s.U32(r.flags) ||
        !s.U32(r.minDataPacketSize) || !s.U32(r.maxDataPacketSize) || !s.U32(r.maxBitrate))
        return Fail(kHeaderFailure);
    m_rec.fileProperties = r;
    return kReadOk;
}

int AsfObjectReader::ReadStreamProperties(uint64_t size)
{
    Scope s(m_in, size);
    StreamPropertiesRecord r;
    r.id = StreamProperties;
    r.size = size;
    DWORD typeSpecificLength = 0, errorCorrectionLength = 0;
    if (!s.Guid(r.streamType) || !s.Guid(r.errorCorrectionType) || !s.U64(r.timeOffset) || !s.U32(typeSpecificLength) ||
        !s.U32(errorCorrectionLength) || !s.U16(r.flags) || !s.U32(r.reserved) ||
        !s.Bytes(r.typeSpecific, typeSpecificLength) || !s.Bytes(r.errorCorrection, errorCorrectionLength))
        return Fail(kHeaderFailure);
    m_rec.streamProperties.push_back(std::move(r));
    return kReadOk;
}

int AsfObjectReader::ReadStreamBitrateProperties(uint64_t size)
{
    Scope s(m_in, size);
    StreamBitratePropertiesRecord r;
    r.id = StreamBitrateProperties;
    r.size = size;
    WORD count = 0;
    if (!s.U16(count) || !s.Holds(count, 6)) return Fail(kHeaderFailure);
    r.records.resize(count);
    for (BitrateRecord& b : r.records)
        if (!s.U16(b.flags) || !s.U32(b.averageBitrate)) return Fail(kHeaderFailure);
    m_rec.streamBitrates.push_back(std::move(r));
    return kReadOk;
}

int AsfObjectReader::ReadContentDescription(uint64_t size)
{
    Scope s(m_in, size);
    WORD lengths[5] = {};
    for (WORD& l : lengths)
        if (!s.U16(l)) return Fail(kHeaderFailure);
    std::u16string texts[5];
    for (int i = 0; i < 5; ++i)
        if (!s.StringOfBytes(lengths[i], texts[i])) return Fail(kHeaderFailure);
    for (int i = 0; i < 5; ++i) {
        std::u16string& t = texts[i];
        if (!t.empty() && t.back() != 0) t.push_back(0);
        // A text of at least one code unit before its terminator replaces
        // an earlier one; an empty length keeps what was there.
        if (t.size() >= 2) m_rec.content[i] = Utf16ToWide(std::u16string_view(t.c_str()));
    }
    m_rec.otherObjects.push_back(Record(ContentDescription, size));
    return kReadOk;
}

int AsfObjectReader::ReadScriptCommand(uint64_t size)
{
    Scope s(m_in, size);
    GUID reserved;
    WORD commands = 0, types = 0;
    if (!s.Guid(reserved) || !s.U16(commands) || !s.U16(types)) return Fail(kHeaderFailure);
    for (WORD i = 0; i < types; ++i) {
        WORD length = 0;
        if (!s.U16(length) || !s.SkipUnits(length)) return Fail(kHeaderFailure);
    }
    for (WORD i = 0; i < commands; ++i) {
        DWORD time = 0;
        WORD typeIndex = 0, length = 0;
        if (!s.U32(time) || !s.U16(typeIndex) || !s.U16(length) || !s.SkipUnits(length)) return Fail(kHeaderFailure);
    }
    m_rec.otherObjects.push_back(Record(ScriptCommand, size));
    return kReadOk;
}

int AsfObjectReader::ReadMarker(uint64_t size)
{
    Scope s(m_in, size);
    GUID reserved;
    DWORD markers = 0;
    WORD reserved2 = 0, nameLength = 0;
    if (!s.Guid(reserved) || !s.U32(markers) || !s.U16(reserved2) || !s.U16(nameLength) ||
        !s.SkipStringOfBytes(nameLength))
        return Fail(kHeaderFailure);
    // A marker takes at least 34 bytes.
    if (!s.Holds(markers, 34)) return Fail(kHeaderFailure);
    for (DWORD i = 0; i < markers; ++i) {
        QWORD offset = 0, time = 0;
        WORD entryLength = 0;
        DWORD sendTime = 0, flags = 0, descriptionLength = 0;
        if (!s.U64(offset) || !s.U64(time) || !s.U16(entryLength) || !s.U32(sendTime) || !s.U32(flags) ||
            !s.U32(descriptionLength) || !s.Skip(descriptionLength))
            return Fail(kHeaderFailure);
        // What the entry holds beyond its fields and description.
        int64_t rest = static_cast<int64_t>(entryLength) - 12 - static_cast<int64_t>(descriptionLength);
        if (rest > 0 && !s.Skip(static_cast<uint64_t>(rest))) return Fail(kHeaderFailure);
    }
    m_rec.otherObjects.push_back(Record(Marker, size));
    return kReadOk;
}

int AsfObjectReader::ReadHeaderExtension(uint64_t size)
{
    m_rec.headerExtensionMet = true;
    Scope s(m_in, size);
    GUID reserved1;
    WORD reserved2 = 0;
    DWORD dataSize = 0;
    if (!s.Guid(reserved1) || !s.U16(reserved2) || !s.U32(dataSize)) return Fail(kHeaderFailure);
    const uint64_t end = m_in.GetFilePosition() + dataSize;
    for (;;) {
        uint64_t pos = m_in.GetFilePosition();
        if (pos > end) return Fail(kHeaderFailure);
        if (pos == end) break;
        GUID id;
        QWORD objectSize = 0;
        // An object smaller than its own header cannot be read (and would
        // move the walk backwards).
        if (!m_in.ReadGuid(id) || !m_in.ReadUInt64(objectSize) || objectSize < kObjectHeaderBytes)
            return Fail(kHeaderFailure);
        int r = ReadSubObject(id, pos, objectSize);
        if (r != kReadOk) return r;
    }
    m_rec.headerExtension = Record(HeaderExtension, size);
    return kReadOk;
}

int AsfObjectReader::ReadSubObject(const GUID& id, uint64_t start, uint64_t size)
{
    int r;
    if (id == ExtendedStreamProperties) {
        r = ReadExtendedStreamProperties(size);
        // The rest of the object (an embedded Stream Properties Object, say)
        // is passed over.
        if (r == kReadOk && (size > std::numeric_limits<uint64_t>::max() - start || !m_in.File().SeekTo(start + size)))
            r = Fail(kHeaderFailure);
        return r;
    }
    if (id == AdvancedMutualExclusion) return ReadAdvancedMutualExclusion(size);
    if (id == GroupMutualExclusion) return ReadGroupMutualExclusion(size);
    if (id == StreamPrioritization) return ReadStreamPrioritization(size);
    if (id == BandwidthSharing) return ReadBandwidthSharing(size);
    if (id == LanguageList) return ReadLanguageList(size);
    if (id == Metadata) return ReadMetadata(size);
    if (id == MetadataLibrary) return ReadMetadataLibrary(size);
    if (id == Compatibility) return ReadCompatibility(size);
    if (id == AdvancedContentEncryption) return ReadAdvancedContentEncryption(size);
    return m_in.SkipBytes(size - kObjectHeaderBytes) ? kReadOk : Fail(kHeaderFailure);
}

int AsfObjectReader::ReadStreamNumbers(Scope& s, uint16_t count)
{
    if (!s.Skip(static_cast<uint64_t>(count) * 2)) return Fail(kHeaderFailure);
    return kReadOk;
}

int AsfObjectReader::ReadBitrateMutualExclusion(uint64_t size)
{
    Scope s(m_in, size);
    GUID type;
    WORD count = 0;
    if (!s.Guid(type) || !s.U16(count) || ReadStreamNumbers(s, count) != kReadOk) return Fail(kHeaderFailure);
    m_rec.otherObjects.push_back(Record(BitrateMutualExclusion, size));
    return kReadOk;
}

int AsfObjectReader::ReadCodecList(uint64_t size)
{
    Scope s(m_in, size);
    GUID reserved;
    DWORD entries = 0;
    if (!s.Guid(reserved) || !s.U32(entries)) return Fail(kHeaderFailure);
    // An entry takes at least 8 bytes.
    if (!s.Holds(entries, 8)) return Fail(kHeaderFailure);
    for (DWORD i = 0; i < entries; ++i) {
        WORD type = 0, nameLength = 0, descriptionLength = 0, infoLength = 0;
        if (!s.U16(type) || !s.U16(nameLength) || !s.SkipUnits(nameLength) || !s.U16(descriptionLength) ||
            !s.SkipUnits(descriptionLength) || !s.U16(infoLength) || !s.Skip(infoLength))
            return Fail(kHeaderFailure);
    }
    m_rec.otherObjects.push_back(Record(CodecList, size));
    return kReadOk;
}

int AsfObjectReader::ReadExtendedContentDescription(uint64_t size)
{
    Scope s(m_in, size);
    WORD count = 0;
    if (!s.U16(count)) return Fail(kHeaderFailure);
    for (WORD i = 0; i < count; ++i) {
        WORD nameLength = 0, valueType = 0, valueLength = 0;
        if (!s.U16(nameLength) || !s.SkipStringOfBytes(nameLength) || !s.U16(valueType) || !s.U16(valueLength) ||
            !s.Skip(valueLength))
            return Fail(kHeaderFailure);
    }
    m_rec.otherObjects.push_back(Record(ExtendedContentDescription, size));
    return kReadOk;
}

int AsfObjectReader::ReadErrorCorrection(uint64_t size)
{
    Scope s(m_in, size);
    GUID type;
    DWORD length = 0;
    if (!s.Guid(type) || !s.U32(length) || !s.Skip(length)) return Fail(kHeaderFailure);
    m_rec.otherObjects.push_back(Record(ErrorCorrection, size));
    return kReadOk;
}

int AsfObjectReader::ReadIndexParametersBody(uint64_t size, const GUID& id)
{
    Scope s(m_in, size);
    DWORD interval = 0;
    WORD specifiers = 0;
    if (!s.U32(interval) || !s.U16(specifiers) || !s.Skip(static_cast<uint64_t>(specifiers) * 4))
        return Fail(kHeaderFailure);
    m_rec.otherObjects.push_back(Record(id, size));
    return kReadOk;
}

int AsfObjectReader::ReadIndexParameters(uint64_t size) { return ReadIndexParametersBody(size, IndexParameters); }

int AsfObjectReader::ReadMediaObjectIndexParameters(uint64_t size)
{
    return ReadIndexParametersBody(size, MediaObjectIndexParameters);
}

int AsfObjectReader::ReadTimecodeIndexParameters(uint64_t size)
{
    return ReadIndexParametersBody(size, TimecodeIndexParameters);
}

int AsfObjectReader::ReadHeaderObject(const GUID& id, uint64_t size)
{
    if (id == FileProperties) return ReadFileProperties(size);
    if (id == StreamProperties) return ReadStreamProperties(size);
    if (id == StreamBitrateProperties) return ReadStreamBitrateProperties(size);
    if (id == ContentDescription) return ReadContentDescription(size);
    if (id == ScriptCommand) return ReadScriptCommand(size);
    if (id == Marker) return ReadMarker(size);
    if (id == HeaderExtension) return ReadHeaderExtension(size);
    if (id == BitrateMutualExclusion) return ReadBitrateMutualExclusion(size);
    if (id == CodecList) return ReadCodecList(size);
    if (id == ExtendedContentDescription) return ReadExtendedContentDescription(size);
    if (id == ErrorCorrection) return ReadErrorCorrection(size);
    if (id == IndexParameters) return ReadIndexParameters(size);
    if (id == MediaObjectIndexParameters) return ReadMediaObjectIndexParameters(size);
    if (id == TimecodeIndexParameters) return ReadTimecodeIndexParameters(size);
    return m_in.SkipBytes(size - kObjectHeaderBytes) ? kReadOk : Fail(kHeaderFailure);
}

// --- Sub-objects of the header extension -------------------------------------

int AsfObjectReader::ReadExtendedStreamProperties(uint64_t size)
{
    Scope s(m_in, size);
    ExtendedStreamPropertiesRecord r;
    r.id = ExtendedStreamProperties;
    r.size = size;
    if (!s.U64(r.startTime) || !s.U64(r.endTime) || !s.U32(r.dataBitrate) || !s.U32(r.bufferSize) ||
        !s.U32(r.initialBufferFullness) || !s.U32(r.alternateDataBitrate) || !s.U32(r.alternateBufferSize) ||
        !s.U32(r.alternateInitialBufferFullness) || !s.U32(r.maxObjectSize) || !s.U32(r.flags) ||
        !s.U16(r.streamNumber) || !s.U16(r.streamLanguageIdIndex) || !s.U64(r.avgTimePerFrame) ||
        !s.U16(r.streamNameCount) || !s.U16(r.payloadExtensionSystemCount))
        return Fail(kHeaderFailure);
    for (WORD i = 0; i < r.streamNameCount; ++i) {
        WORD language = 0, length = 0;
        if (!s.U16(language) || !s.U16(length) || !s.SkipStringOfBytes(length)) return Fail(kHeaderFailure);
    }
    for (WORD i = 0; i < r.payloadExtensionSystemCount; ++i) {
        GUID system;
        WORD dataSize = 0;
        DWORD infoLength = 0;
        if (!s.Guid(system) || !s.U16(dataSize) || !s.U32(infoLength) || !s.Skip(infoLength))
            return Fail(kHeaderFailure);
    }
    m_rec.extendedStreamProperties.push_back(r);
    return kReadOk;
}

int AsfObjectReader::ReadAdvancedMutualExclusion(uint64_t size)
{
    Scope s(m_in, size);
    GUID type;
    WORD count = 0;
    if (!s.Guid(type) || !s.U16(count) || ReadStreamNumbers(s, count) != kReadOk) return Fail(kHeaderFailure);
    m_rec.headerExtensionObjects.push_back(Record(AdvancedMutualExclusion, size));
    return kReadOk;
}

int AsfObjectReader::ReadGroupMutualExclusion(uint64_t size)
{
    Scope s(m_in, size);
    GUID type;
    WORD records = 0;
    if (!s.Guid(type) || !s.U16(records)) return Fail(kHeaderFailure);
    for (WORD i = 0; i < records; ++i) {
        WORD count = 0;
        if (!s.U16(count) || ReadStreamNumbers(s, count) != kReadOk) return Fail(kHeaderFailure);
    }
    m_rec.headerExtensionObjects.push_back(Record(GroupMutualExclusion, size));
    return kReadOk;
}

int AsfObjectReader::ReadStreamPrioritization(uint64_t size)
{
    Scope s(m_in, size);
    WORD records = 0;
    if (!s.U16(records) || !s.Skip(static_cast<uint64_t>(records) * 4)) return Fail(kHeaderFailure);
    m_rec.headerExtensionObjects.push_back(Record(StreamPrioritization, size));
    return kReadOk;
}

int AsfObjectReader::ReadBandwidthSharing(uint64_t size)
{
    Scope s(m_in, size);
    GUID type;
    DWORD bitrate = 0, bufferSize = 0;
    WORD count = 0;
    if (!s.Guid(type) || !s.U32(bitrate) || !s.U32(bufferSize) || !s.U16(count) ||
        ReadStreamNumbers(s, count) != kReadOk)
        return Fail(kHeaderFailure);
    m_rec.headerExtensionObjects.push_back(Record(BandwidthSharing, size));
    return kReadOk;
}

int AsfObjectReader::ReadLanguageList(uint64_t size)
{
    Scope s(m_in, size);
    WORD records = 0;
    if (!s.U16(records)) return Fail(kHeaderFailure);
    for (WORD i = 0; i < records; ++i) {
        BYTE length = 0;
        if (!s.U8(length) || !s.SkipStringOfBytes(length)) return Fail(kHeaderFailure);
    }
    m_rec.headerExtensionObjects.push_back(Record(LanguageList, size));
    return kReadOk;
}

int AsfObjectReader::ReadMetadata(uint64_t size)
{
    Scope s(m_in, size);
    WORD records = 0;
    if (!s.U16(records)) return Fail(kHeaderFailure);
    for (WORD i = 0; i < records; ++i) {
        WORD reserved = 0, stream = 0, nameLength = 0, type = 0;
        DWORD dataLength = 0;
        if (!s.U16(reserved) || !s.U16(stream) || !s.U16(nameLength) || !s.U16(type) || !s.U32(dataLength) ||
            !s.SkipStringOfBytes(nameLength) || !s.Skip(dataLength))
            return Fail(kHeaderFailure);
    }
    m_rec.headerExtensionObjects.push_back(Record(Metadata, size));
    return kReadOk;
}

int AsfObjectReader::ReadMetadataLibrary(uint64_t size)
{
    Scope s(m_in, size);
    WORD records = 0;
    if (!s.U16(records)) return Fail(kHeaderFailure);
    for (WORD i = 0; i < records; ++i) {
        WORD language = 0, stream = 0, nameLength = 0, type = 0;
        DWORD dataLength = 0;
        if (!s.U16(language) || !s.U16(stream) || !s.U16(nameLength) || !s.U16(type) || !s.U32(dataLength) ||
            !s.SkipStringOfBytes(nameLength) || !s.Skip(dataLength))
            return Fail(kHeaderFailure);
    }
    m_rec.headerExtensionObjects.push_back(Record(MetadataLibrary, size));
    return kReadOk;
}

int AsfObjectReader::ReadCompatibility(uint64_t size)
{
    Scope s(m_in, size);
    BYTE profile = 0, mode = 0;
    if (!s.U8(profile) || !s.U8(mode)) return Fail(kHeaderFailure);
    m_rec.headerExtensionObjects.push_back(Record(Compatibility, size));
    return kReadOk;
}

int AsfObjectReader::ReadAdvancedContentEncryption(uint64_t size)
{
    Scope s(m_in, size);
    WORD records = 0;
    if (!s.U16(records)) return Fail(kHeaderFailure);
    for (WORD i = 0; i < records; ++i) {
        GUID system;
        DWORD version = 0, dataSize = 0;
        WORD objects = 0;
        if (!s.Guid(system) || !s.U32(version) || !s.U16(objects)) return Fail(kHeaderFailure);
        for (WORD j = 0; j < objects; ++j) {
            WORD type = 0, length = 0;
            if (!s.U16(type) || !s.U16(length) || !s.Skip(length)) return Fail(kHeaderFailure);
        }
        if (!s.U32(dataSize) || !s.Skip(dataSize)) return Fail(kHeaderFailure);
    }
    m_rec.headerExtensionObjects.push_back(Record(AdvancedContentEncryption, size));
    return kReadOk;
}

// --- Objects after the header ------------------------------------------------

int AsfObjectReader::ReadData(uint64_t size)
{
    if (size < kMinDataObjectBytes) return Fail(kDataFailure);
    Scope s(m_in, size);
    GUID fileId;
    QWORD packets = 0;
    WORD reserved = 0;
    if (!s.Guid(fileId) || !s.U64(packets) || !s.U16(reserved)) return Fail(kDataFailure);
    // The packets are passed over unread (past the end of a cut file too:
    // the next read there fails).
    if (!m_in.SkipBytes(size - kMinDataObjectBytes)) return Fail(kDataFailure);
    m_rec.dataSize = size;
    m_rec.otherObjects.push_back(Record(Data, size));
    return kReadOk;
}

int AsfObjectReader::ReadSimpleIndex(uint64_t size)
{
    Scope s(m_in, size);
    SimpleIndexRecord r;
    r.id = SimpleIndex;
    r.size = size;
    DWORD count = 0;
    if (!s.Guid(r.fileId) || !s.U64(r.entryTimeInterval) || !s.U32(r.maxPacketCount) || !s.U32(count) ||
        !s.Holds(count, 6)) {
        m_rec.indexValid = false;
        return Fail(kIndexFailure);
    }
    std::vector<uint8_t> raw;
    if (!s.Bytes(raw, static_cast<uint64_t>(count) * 6)) {
        m_rec.indexValid = false;
        return Fail(kIndexFailure);
    }
    r.entries.resize(count);
    for (size_t i = 0; i < r.entries.size(); ++i) {
        const uint8_t* e = raw.data() + i * 6;
        r.entries[i].packetNumber = LoadLE32(e);
        r.entries[i].packetCount = LoadLE16(e + 4);
    }
    m_rec.simpleIndexes.push_back(std::move(r));
    return kReadOk;
}

// The Index, Media Object Index and Timecode Index objects: a 32-bit field
// (the entry time interval, the entry count interval, or reserved), then the
// index specifiers and the blocks of entries, passed over.
int AsfObjectReader::ReadIndexObject(uint64_t size, const GUID& id, bool timecode)
{
    Scope s(m_in, size);
    DWORD interval = 0;
    WORD specifiers = 0;
    DWORD blocks = 0;
    bool ok = s.U32(interval) && s.U16(specifiers) && s.U32(blocks) && s.Skip(static_cast<uint64_t>(specifiers) * 4);
    const uint64_t positions = static_cast<uint64_t>(specifiers) * 8;
    // Each entry: (a timecode and) one offset per specifier.
    const uint64_t entryBytes = (timecode ? 4 : 0) + static_cast<uint64_t>(specifiers) * 4;
    for (DWORD b = 0; ok && b < blocks; ++b) {
        DWORD entries = 0;
        WORD range = 0;
        ok = s.U32(entries) && (!timecode || s.U16(range)) && s.Skip(positions) && s.Holds(entries, entryBytes) &&
             s.Skip(entries * entryBytes);
    }
    if (!ok) {
        m_rec.indexValid = false;
        return Fail(kIndexFailure);
    }
    m_rec.otherObjects.push_back(Record(id, size));
    return kReadOk;
}

int AsfObjectReader::ReadIndex(uint64_t size) { return ReadIndexObject(size, Index, false); }

int AsfObjectReader::ReadMediaObjectIndex(uint64_t size) { return ReadIndexObject(size, MediaObjectIndex, false); }

int AsfObjectReader::ReadTimecodeIndex(uint64_t size) { return ReadIndexObject(size, TimecodeIndex, true); }

}  // namespace asf
