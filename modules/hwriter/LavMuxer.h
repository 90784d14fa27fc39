// A file written through the container library: streams described by the
// encoders that fill them, the header, packets from any thread (the
// library interleaves them by time), and the trailer (index, movie atom)
// that makes the file playable, written once at the end or when the run
// stops early.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "modules/hwriter/WriterOutput.h"

class LavMuxer final : public WriterOutput {
public:
    LavMuxer() = default;
    // Finishes a file that was started.
    ~LavMuxer() override;
    LavMuxer(const LavMuxer&) = delete;
    LavMuxer& operator=(const LavMuxer&) = delete;

    // The container by the library's short name ("avi", "mp4", "psp",
    // "asf"); nothing is written yet.
    bool Create(const char* formatName, const std::string& path);
    bool NeedsGlobalHeader() const override;
    // AVI names a stream by the tag; other containers by their own name for
    // the codec.
    int AddStream(const AVCodecContext* encoder, uint32_t tag, const std::string& language) override;
    bool Start() override;
    bool Write(int stream, AVPacket* packet, AVRational timeBase) override;
    // Writes the trailer and closes the file. Later calls answer as the
    // first did.
    bool Finish() override;
    bool Failed() const;

private:
    mutable std::mutex m_lock;
    AVFormatContext* m_pContext = nullptr;
    bool m_bStarted = false;
    bool m_bFinished = false;
    bool m_bFailed = false;
};
