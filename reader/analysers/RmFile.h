// Reads RealMedia files (a sequence of tagged chunks starting with ".RMF")
// and standalone RealAudio files (starting with ".ra" and the byte 0xFD):
// sizes, duration, bit rate, the video stream, up to 16 audio streams, the
// content tags and key-frame statistics from the index of the video stream.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reader/ByteOrder.h"
#include "reader/CheckedFile.h"
#include "reader/MediaFileInfo.h"

// The records kept per chunk kind, fields in file order.
namespace rm {

struct FileHeader {
    uint16_t objectVersion = 0;
    uint32_t fileVersion = 0;
    uint32_t headerCount = 0;
};
struct Properties {
    uint16_t objectVersion = 0;
    uint32_t maxBitRate = 0, avgBitRate = 0, maxPacketSize = 0, avgPacketSize = 0, packetCount = 0;
    uint32_t durationMs = 0, preroll = 0, indexOffset = 0, dataOffset = 0;
    uint16_t streamCount = 0, flags = 0;
};
struct Content {
    uint16_t objectVersion = 0;
    std::optional<std::string> texts[4];  // title, author, copyright, comment
};
struct MediaProperties {
    uint16_t objectVersion = 0, streamNumber = 0;
    uint32_t maxBitRate = 0, avgBitRate = 0, maxPacketSize = 0, avgPacketSize = 0;
    uint32_t startTime = 0, preroll = 0, duration = 0;
    std::string name, mimeType;
    std::vector<BYTE> typeSpecific;

    bool IsVideo() const { return mimeType.compare(0, 5, "video") == 0; }
    bool IsAudio() const { return mimeType.compare(0, 5, "audio") == 0; }
};
struct IndexEntry {
    uint16_t version = 0;
    uint32_t timestampMs = 0, offset = 0, packetNumber = 0;
};
struct Index {
    uint16_t objectVersion = 0;
    uint32_t entryCount = 0;
    uint16_t streamNumber = 0;
    uint32_t nextIndexHeader = 0;
    bool entriesRead = false;
    std::vector<IndexEntry> entries;
};
struct RealAudioHeader {
    uint16_t version = 0;
    uint32_t dataSize = 0;
    uint16_t version2 = 0, flavour = 0;
    uint32_t codedFrameSize = 0;
    uint32_t bytesPerMinute = 0;  // the stream's average rate (version 4)
    uint16_t subPacketHeight = 0, frameSize = 0, subPacketSize = 0;
    uint16_t sampleRate = 0, sampleSize = 0, channels = 0;
    std::string interleaver, codec;
    std::optional<std::string> texts[4];
};

}  // namespace rm

class RmFile : public MediaFileInfo {
public:
    // Audio format tags of the RealAudio codecs, in the codec table's order:
    // lpcJ, 28_8, dnet, sipr, cook, atrc, ralf, raac, racp.
    static constexpr WORD kRealAudioTagFirst = 0xA300;

    RmFile();
    ~RmFile() override;

    int Analyse(const wchar_t* path) override;

    // Texts of the first CONT chunk for the report, in the ANSI code page
    // (null when absent).
    const char* GetTitle() const { return Cont(0); }
    const char* GetAuthor() const { return Cont(1); }
    const char* GetCopyright() const { return Cont(2); }

    // The format tag of a RealAudio codec FourCC (four bytes in file order);
    // 0 for any other.
    static WORD RealAudioTag(DWORD fourcc);

private:
    using FileHeader = rm::FileHeader;
    using Properties = rm::Properties;
    using Content = rm::Content;
    using MediaProperties = rm::MediaProperties;
    using IndexEntry = rm::IndexEntry;
    using Index = rm::Index;
    using RealAudioHeader = rm::RealAudioHeader;

    const char* Cont(int i) const;
    int WalkChunks();
    bool ReadFileHeader(uint32_t chunkSize);
    bool ReadProperties();
    bool ReadContent(uint64_t chunkEnd);
    bool ReadMediaProperties(uint64_t chunkEnd);
    bool ReadIndex(uint64_t chunkEnd);
    bool ReadRealAudioHeader();
    bool ReadText8(std::string& out, uint64_t end);
    void FillRecord(const wchar_t* path);
    void FillKeyFrames(const MediaProperties* video);

    CheckedFile m_file;
    int m_status = 0;
    uint64_t m_fileSize = 0;
    uint64_t m_dataTotal = 0;  // sum of the DATA chunks' sizes
    std::vector<FileHeader> m_fileHeaders;
    std::vector<Properties> m_properties;
    std::vector<Content> m_contents;
    std::vector<MediaProperties> m_streams;
    std::vector<Index> m_indexes;
    std::optional<RealAudioHeader> m_realAudio;
};
