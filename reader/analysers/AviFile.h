// Reads RIFF AVI files: walks the top-level chunks of the RIFF form, reads
// the header list (main header and stream lists), notes the movie list,
// reads the INFO tags and the idx1 index, and fills the result record. It
// never reads media data. Files over 1 GB (OpenDML) go on in further RIFF
// forms after the first: their movie lists count in the data size, and the
// total frame count and the OpenDML indexes of the first video stream,
// which cover every RIFF form, replace what the first RIFF's headers and
// idx1 index say.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/AviIndexChunk.h"
#include "reader/CheckedFile.h"
#include "reader/KeyFrameIntervalAccumulator.h"
#include "reader/MediaFileInfo.h"

class AviFile : public MediaFileInfo {
public:
    static constexpr int kMaxStreams = 16;
    static constexpr size_t kHeaderSlotBytes = 64;
    static constexpr size_t kFormatSlotBytes = 1024;
    static constexpr DWORD AVIF_HASINDEX = 0x10;
    static constexpr DWORD AVIIF_KEYFRAME = 0x10;

    struct MainAVIHeader {
        DWORD dwMicroSecPerFrame;
        DWORD dwMaxBytesPerSec;
        DWORD dwPaddingGranularity;
        DWORD dwFlags;
        DWORD dwTotalFrames;
        DWORD dwInitialFrames;
        DWORD dwStreams;
        DWORD dwSuggestedBufferSize;
        DWORD dwWidth;
        DWORD dwHeight;
        DWORD dwReserved[4];
    };
    static_assert(sizeof(MainAVIHeader) == 56);

    struct IndexEntry {
        DWORD ckid;
        DWORD dwFlags;
        DWORD dwChunkOffset;
        DWORD dwChunkLength;
    };
    static_assert(sizeof(IndexEntry) == kAviIndexEntryBytes);

    AviFile();
    ~AviFile() override;

    int Analyse(const wchar_t* path) override;

    // Tag texts for the report, in the ANSI code page (null when absent).
    const char* GetTitle() const { return Info(INFO_INAM); }
    const char* GetCreator() const { return Info(INFO_ITCH); }
    const char* GetCopyright() const { return Info(INFO_ICOP); }
    const char* GetUsedTool() const { return Info(INFO_ISFT); }
    const char* GetComment() const { return Info(INFO_ICMT); }

private:
    // The INFO tags kept, in this order.
    enum InfoSlot {
        INFO_IARL,
        INFO_IART,
        INFO_ICMS,
        INFO_ICMT,
        INFO_ICOP,
        INFO_ICRD,
        INFO_ICRP,
        INFO_IDIM,
        INFO_IDPI,
        INFO_IENG,
        INFO_IGNR,
        INFO_IKEY,
        INFO_ILGT,
        INFO_IMED,
        INFO_INAM,
        INFO_IPLT,
        INFO_IPRD,
        INFO_ISBJ,
        INFO_ISFT,
        INFO_ISHP,
        INFO_ISRC,
        INFO_ISRF,
        INFO_ITCH,
        INFO_COUNT
    };
    // One entry of an OpenDML super index: where a standard index of the
    // stream lies.
    struct SuperIndexEntry {
        uint64_t offset;
        uint32_t size;
        uint32_t duration;
    };
    // One stream list: the data of its strh chunk (an AVISTREAMHEADER) and
    // of its strf chunk (a BITMAPINFOHEADER or WAVEFORMATEX), as read, and
    // the entries of its OpenDML super index (indx chunk), if it has one.
    struct StreamSlot {
        BYTE strh[kHeaderSlotBytes];
        BYTE strf[kFormatSlotBytes];
        std::vector<SuperIndexEntry> superIndex;
    };

    const char* Info(InfoSlot slot) const;

    bool ReadChunkHeader(DWORD& id, DWORD& size);
    bool Move(uint64_t count);
    bool ReadHeaderList(uint64_t size);
    bool ReadStreamList(uint64_t size);
    bool ReadInfoList(uint64_t size);
    bool ReadOpenDmlList(uint64_t size);
    // The super index of the stream list being read (stream slot).
    bool ReadSuperIndex(uint64_t size, StreamSlot& slot);
    // Reads the idx1 index in blocks, keeping its counts and the key-frame
    // statistics, not the entries.
    bool ReadIndex(uint64_t size);
    // The movie lists of the RIFF forms that follow the first one.
    void WalkExtendedForms();
    // Reads the standard indexes that the stream's super index names;
    // false when one of them cannot be read.
    bool ReadOpenDmlIndex(const StreamSlot& video);
    bool ReadStandardIndex(const SuperIndexEntry& where, uint64_t& frame);
    void AddVideoFrame(bool key, uint64_t& frame);
    // Reads size bytes of a chunk into a slot of slotSize bytes: what fits
    // is stored, the rest is passed over.
    bool ReadIntoSlot(void* slot, size_t slotSize, uint64_t size);
    void FillRecord(const wchar_t* path);
    uint32_t VideoBitRate(int64_t duration) const;
    bool IsVideo(int stream) const;
    bool IsAudio(int stream) const;

    CheckedFile m_file;
    int m_status = 0;
    uint64_t m_riffSize = 0;  // rounded up to even
    uint64_t m_dataSize = 0;  // movi list size + 8
    bool m_moviSeen = false;
    MainAVIHeader m_avih{};
    std::unique_ptr<StreamSlot[]> m_streams;
    int m_streamCount = 0;
    // What the idx1 index held: its entries, and the bytes of its video
    // entries (a 32-bit sum, as the index's own lengths are).
    uint64_t m_indexEntries = 0;
    uint32_t m_indexVideoBytes = 0;
    bool m_indexValid = false;
    // The total frame count of the OpenDML header, when there is one.
    bool m_haveTotalFrames = false;
    uint32_t m_totalFrames = 0;
    // The first video stream's OpenDML indexes, when it has some: read
    // whole or not, and the bytes of its frames.
    bool m_openDmlIndex = false;
    bool m_openDmlIndexValid = false;
    uint64_t m_openDmlVideoBytes = 0;
    // Key frames of the index in use (the OpenDML indexes, else idx1).
    KeyFrameIntervalAccumulator m_keyFrames;
    std::unique_ptr<std::string> m_info[INFO_COUNT];
};
