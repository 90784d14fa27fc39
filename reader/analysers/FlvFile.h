// Reads Flash Video files. The first audio and video tags in a window at the
// start of the file give the audio format and the video codec and picture
// size; the timestamp of the last tag in a window at the end gives the
// playback time and from it the average bit rate.
#pragma once

#include <cstdint>

#include "reader/ByteOrder.h"
#include "reader/CheckedFile.h"
#include "reader/MediaFileInfo.h"

class FlvFile : public MediaFileInfo {
public:
    static constexpr size_t kWindowBytes = 1048576;  // 1 MiB
    static constexpr int kMaxHeadTags = 50;

    FlvFile();
    ~FlvFile() override;

    // The path is not kept in the record.
    int Analyse(const wchar_t* path) override;

private:
    // Reads the head window, the first tags and the tail window; returns
    // the status and the last tag's timestamp.
    int Walk(CheckedFile& file, uint64_t& lastTimestamp);
    // The first audio tag: its first data byte gives the format; for AAC the
    // decoder configuration that follows gives the rate and channels.
    void ReadAudioTag(const ByteSpan& data);
    // The first video tag; false when it is not a key frame or too short to
    // hold the picture header its codec needs.
    bool ReadVideoTag(const ByteSpan& data);
};
