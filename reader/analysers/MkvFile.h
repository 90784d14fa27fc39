// Reads Matroska files through the EBML and Matroska libraries: the writing
// application, the tracks (picture, audio formats, frame duration), the
// duration, and key-frame statistics from the cue points of the first track.
// The libraries recognise and decode the elements; this analyser decides
// which ones to read and keeps every read inside its parent element and the
// file, so that no size taken from the file makes the libraries allocate or
// read beyond what the file holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reader/CheckedFile.h"
#include "reader/MediaFileInfo.h"

namespace libebml {
class EbmlElement;
class EbmlMaster;
class EbmlStream;
}  // namespace libebml
namespace libmatroska {
class KaxSegment;
}

class MkvFileStream;

class MkvFile : public MediaFileInfo {
public:
    // Audio format tags of the codecs that have no registered one, in the
    // codec table's order: MPC, FLAC, QDMC, QDM2, TTA, WavPack.
    static constexpr WORD kOtherAudioTagFirst = 0xA400;

    MkvFile();
    ~MkvFile() override;

    // 1 when completed; 0 when the file could not be read (status 0).
    int Analyse(const wchar_t* path) override;

    // The writing application, shown as the used tool (null when absent).
    const wchar_t* GetWritingApp() const { return m_writingApp ? m_writingApp->c_str() : nullptr; }

    // The FourCC of a video codec id, 0 when the table has none; the audio
    // format tag of an audio codec id, 0 when unknown.
    static DWORD VideoFourCC(const std::string& codecId);
    static WORD AudioTag(const std::string& codecId);

private:
    struct CueRecord {
        uint16_t track = 0xFFFF;
        uint64_t time = UINT64_MAX;
        uint64_t clusterPosition = UINT64_MAX;
    };
    // One walk over the file; throws on any failure of the libraries or of
    // the file.
    class Reader;

    void ComputeResults();

    std::optional<std::wstring> m_writingApp;
    std::vector<CueRecord> m_cues;
    int m_videoCount = 0;
    int m_audioCount = 0;
    int32_t m_referenceTrack = -1;  // the first TrackNumber met
    uint64_t m_timecodeScale = 1000000;
    uint64_t m_rawDuration = 0;  // in timecode units
    uint64_t m_fileSize = 0;
};
