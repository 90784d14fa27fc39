// The job record: one source to be encoded. Made when the user adds a
// source, it learns what the source is by probing it and by building a
// temporary graph around it (never run), keeps the connection types of the
// source's video output and first audio output, the duration and the number
// of audio streams, and finds a subtitle file beside the source. The source
// settings window later stores the segment, audio stream, delay and gain in
// it; the encoding run reads it. It also gives the job list's display texts.
#pragma once

#include <cstdint>

#include "encoder/core/EncJobMedia.h"
#include "encoder/core/SourceProbe.h"
#include "encoder/core/SubtitleFileLookup.h"
#include "platform/dshow/MediaType.h"
#include "platform/win32/CString.h"

class CGraphBuilder;

// Why a source was refused.
enum class SourceRefusal {
    None,
    Unreadable,   // empty, missing, a failed address or a kind nothing here reads
    NoReader,     // no graph, or no source filter takes it
    NoStream,     // neither video nor audio
    PictureSize,  // the chosen format's encoder cannot take its picture
};

class CEncFileInfo {
public:
    CEncFileInfo() = default;
    ~CEncFileInfo();
    CEncFileInfo(const CEncFileInfo&) = delete;
    CEncFileInfo& operator=(const CEncFileInfo&) = delete;

    // Probes the source and fills the record. A refused source leaves the
    // source path empty and says why in m_nRefusal: an empty file, an HTTP
    // failure, a kind nothing here reads, no graph, no source filter,
    // neither video nor audio, or a picture the chosen format's encoder
    // cannot take after the treatments (the one refusal the user is told
    // of, in a message box that names the source).
    void Init(const CString& source);
    // Builds the probe graph on the builder's graph: the system's video
    // renderer, the treatment filters the modules give, then the maker's
    // source for the type code, else the system's choice of source. The
    // code of the final rendering call.
    HRESULT BuildSourceGraph(CGraphBuilder* builder, const CString& source, SourceTypeCode code);

    // The part after the last '/', '\' or '|'.
    CString GetSourceFileName() const;
    // The folder part with its trailing separator.
    CString GetSourceFolder() const;
    // "h:mm:ss [h:mm:ss - h:mm:ss]": the duration, the segment start and end.
    CString GetDurationText() const;
    // "640x480, 25.00fps, 800Kbps" (or "...Mbps" above 1000 kbit/s) from a
    // picture header, without the rate when the type states none; empty
    // without video or for another format.
    CString GetVideoInfoText() const;
    // "2Ch, 44.0KHz, 128Kbps" (or "...Mbps") from a wave format, without the
    // rate when the format states none; empty without audio or for another
    // format.
    CString GetAudioInfoText() const;
    // The display names of the two types; empty without the stream.
    CString GetVideoFormatName() const;
    CString GetAudioFormatName() const;
    // "AVI", "WMV", "MPG", "TS", "MP4", "OGM", "RM", "MKV" or "RIVO" by the
    // type code, else the source's extension in capitals.
    CString GetContainerName() const;
    // The container word, the duration and the file size.
    CString GetSummaryText() const;

    // What the settings' summaries read of the job; the types stay the
    // record's.
    SEncJobMedia GetJobMedia() const;

    CString m_sSourcePath;    // empty: refused
    CString m_sSubtitlePath;  // the subtitle file beside the source, or empty
    SourceTypeCode m_nTypeCode = 0;
    AM_MEDIA_TYPE* m_pVideoType = nullptr;  // owned copies, or null
    AM_MEDIA_TYPE* m_pAudioType = nullptr;
    int m_nAudioStream = 0;       // the chosen audio stream, from 0
    int m_nAudioStreamCount = 0;  // audio outputs of the source filter
    int m_nDuration = 0;          // seconds; 0 when unknown
    int m_nSegmentStart = 0;      // seconds
    int m_nSegmentEnd = 0;        // seconds; the segment counts when start < end
    int m_nAudioDelay = 0;        // milliseconds
    int m_nAudioGain = 0;         // decibels
    int64_t m_nFileSize = 0;      // -1 when it cannot be read
    SourceRefusal m_nRefusal = SourceRefusal::None;

private:
    void Clear();
};
