// A file written through the container library: streams described by the
// encoders that fill them, the header, packets from any thread (the
// library interleaves them by time), and the trailer (index, movie atom)
// that makes the file playable, written once at the end or when the run
// stops early.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/dshow/filters/LavHeaders.h"

class LavMuxer {
public:
    LavMuxer() = default;
    // Finishes a file that was started.
    ~LavMuxer();
    LavMuxer(const LavMuxer&) = delete;
    LavMuxer& operator=(const LavMuxer&) = delete;

    // The container by the library's short name ("avi", "mp4", "psp",
    // "asf"); nothing is written yet.
    bool Create(const char* formatName, const std::string& path);
    // Whether encoders must keep their headers out of the stream.
    bool NeedsGlobalHeader() const;
    // A stream like the encoder's output; the tag names it in the file (0:
    // the container's own name for the codec), the language an RFC 1766 tag
    // or empty. Its index, -1 on failure.
    int AddStream(const AVCodecContext* encoder, uint32_t tag, const std::string& language = std::string());
    // Opens the file and writes the header; false when the file cannot be
    // made or written.
    bool Start();
    // One packet of a stream, times in the given time base; false once
    // writing has failed.
    bool Write(int stream, AVPacket* packet, AVRational timeBase);
    // Writes the trailer and closes the file; true when everything written
    // reached the file. Later calls answer as the first did.
    bool Finish();
    bool Failed() const;

private:
    mutable std::mutex m_lock;
    AVFormatContext* m_pContext = nullptr;
    bool m_bStarted = false;
    bool m_bFinished = false;
    bool m_bFailed = false;
};
