// Reads Ogg files: plain Ogg Vorbis and OGM (Ogg media) files whose streams
// carry the OGM stream header. It does not walk the whole file: it reads one
// block from the start and one from the end, takes the streams and comments
// from the header pages of the first and the playback time from the last
// page of the first stream in the second. Besides the OGM headers it knows
// the identification headers of Vorbis, Theora and Opus.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "reader/ByteOrder.h"
#include "reader/CheckedFile.h"
#include "reader/MediaFileInfo.h"

class OggFile : public MediaFileInfo {
public:
    static constexpr size_t kBlockBytes = 204800;
    static constexpr int kMaxStreams = 16;

    OggFile();
    ~OggFile() override;

    int Analyse(const wchar_t* path) override;

    // Comment texts for the report (null when absent).
    const wchar_t* GetTitle() const { return Comment(COMMENT_TITLE); }
    const wchar_t* GetComment() const { return Comment(COMMENT_COMMENTS); }
    const wchar_t* GetCreator() const { return Comment(COMMENT_AUTHOR); }
    const wchar_t* GetCopyright() const { return Comment(COMMENT_COPYRIGHT); }

private:
    enum CommentSlot {
        COMMENT_TITLE,
        COMMENT_VERSION,
        COMMENT_ARTIST,
        COMMENT_LOCATION,
        COMMENT_ALBUM,
        COMMENT_DATE,
        COMMENT_COMMENTS,
        COMMENT_TRACKNUMBER,
        COMMENT_AUTHOR,
        COMMENT_COPYRIGHT,
        COMMENT_DESCRIPTION,
        COMMENT_COUNT
    };
    struct VideoSlot {
        int key = -1;  // lowest byte of the stream's serial number; -1 when free
        DWORD fourcc = 0;
        uint32_t width = 0;
        uint32_t height = 0;
        float fps = 0;
        // Theora: the frame rate as a fraction, and how its granule
        // positions count frames.
        bool theora = false;
        uint32_t rateNumerator = 0, rateDenominator = 0;
        uint32_t granuleShift = 0;
        bool countsFromOne = true;  // streams of version 3.2.1 on
    };
    struct AudioSlot {
        int key = -1;
        char format[4] = {};  // format code as four characters ("674F" for Vorbis)
        uint32_t bitRate = 0;
        uint32_t channels = 0;
        uint32_t sampleRate = 0;
        // Opus: samples at the start that are not played.
        bool opus = false;
        uint32_t preSkip = 0;
    };

    const wchar_t* Comment(CommentSlot slot) const;
    bool ParseHead(size_t headBytes);
    void HandlePage(const ByteSpan& head, size_t page, bool& stopPages);
    // Counts a stream of the kind and gives it the first free slot (null
    // when all 16 are taken).
    VideoSlot* NewVideoSlot(int key);
    AudioSlot* NewAudioSlot(int key);
    template <class Slot>
    static Slot* NewSlot(Slot (&slots)[kMaxStreams], int& count, int key);
    void ReadStreamHeader(const ByteSpan& head, size_t page, int key);
    // The identification headers of Theora and Opus streams, whose packet
    // starts at packet.
    void ReadTheoraHeader(const ByteSpan& head, size_t packet, int key);
    void ReadOpusHeader(const ByteSpan& head, size_t packet, int key);
    // The duration of a Theora or Opus stream whose last granule position
    // is g.
    void SetTheoraDuration(const VideoSlot& v, uint64_t g);
    void SetOpusDuration(const AudioSlot& a, uint64_t g);
    void SetDuration(unsigned __int128 duration);
    bool ReadComments(const ByteSpan& head, size_t page, int segments);
    void FindDuration(size_t headBytes, size_t tailBytes);
    void FillRecord();

    CheckedFile m_file;
    int m_status = 0;
    std::vector<BYTE> m_head;
    std::vector<BYTE> m_tail;
    std::unique_ptr<std::wstring> m_comments[COMMENT_COUNT];
    VideoSlot m_video[kMaxStreams];
    AudioSlot m_audio[kMaxStreams];
    int m_videoCount = 0;
    int m_audioCount = 0;
    int m_firstStreamKey = -1;
    int64_t m_duration = 0;
};
