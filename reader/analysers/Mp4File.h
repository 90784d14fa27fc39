// Reads ISO base media files (MP4, 3GP, 3G2, MOV): walks the top-level boxes,
// sums the media-data boxes without reading them, and reads the movie box
// down to the sample tables of every track through the box readers. The
// first video track gives the picture, frame count, bit rate and key frames
// (from its sync-sample table), the sound tracks up to 16 audio formats, the
// movie header the duration, the user data the tags.
#pragma once

#include <cstdint>
#include <vector>

#include "reader/CheckedFile.h"
#include "reader/MediaFileInfo.h"
#include "reader/analysers/Mp4BoxReader.h"

class Mp4File : public MediaFileInfo {
public:
    Mp4File();
    ~Mp4File() override;

    int Analyse(const wchar_t* path) override;

    // Tags for the report, as narrow text (null when absent).
    const char* GetTitle() const { return Item(mp4::kName); }
    const char* GetWriter() const { return Item(mp4::kWriter); }
    const char* GetTool() const { return Item(mp4::kTool); }
    const char* GetCopyright() const { return m_userData.copyright ? m_userData.copyright->c_str() : nullptr; }

private:
    // What a failing walk below the movie box means.
    enum class Walk { Ok, Track, UserData };

    const char* Item(mp4::Item which) const;
    int WalkTopLevel();
    int ReadMovie(const mp4::AtomHeader& moov);
    bool ReadTrack(const mp4::AtomHeader& trak, mp4::Track& t);
    bool ReadUserData(const mp4::AtomHeader& udta);
    // Walks the children of a container ending at end, handing each to
    // child(header) (which answers false on failure); false when the walk
    // fails.
    template <class Child>
    bool WalkContainer(uint64_t end, Child&& child);

    const mp4::Track* VideoTrack() const;
    void BuildKeyFrameIntervals(const mp4::Track& video, uint32_t frameCount);
    void FillRecord(const wchar_t* path);
    uint32_t VideoBitRate(const mp4::Track* video, uint32_t frameCount, uint64_t duration) const;
    void FillAudio(int k, const mp4::Track& sound, uint64_t duration);

    CheckedFile m_file;
    int m_status = 0;
    bool m_trackFailed = false;  // a track of the movie could not be read
    uint64_t m_fileSize = 0;
    uint64_t m_dataSize = 0;
    mp4::MovieHeader m_mvhd;
    std::vector<mp4::Track> m_tracks;
    mp4::UserData m_userData;
    // One interval per sync sample of the video track, in its media time
    // scale; the last is 0.
    std::vector<uint32_t> m_keyIntervals;
};
