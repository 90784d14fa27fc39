// Where a writer filter's encoded packets go: a file of one container, its
// streams described by the encoders that fill them. Streams are added
// first, Start opens the file, packets follow from any thread, and Finish
// ends the file (trailer, index) once, also after a stop in the middle.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dshow/filters/LavHeaders.h"

class WriterOutput {
public:
    virtual ~WriterOutput() = default;

    // Whether encoders must keep their headers out of the stream.
    virtual bool NeedsGlobalHeader() const = 0;
    // A stream like the encoder's output; tag is the FourCC or wave format
    // tag the settings name the codec by, language an RFC 1766 tag or
    // empty. Its index, -1 when the container cannot hold it.
    virtual int AddStream(const AVCodecContext* encoder, uint32_t tag, const std::string& language) = 0;
    // A stream of timed text; -1 when the container holds none.
    virtual int AddTextStream() { return -1; }
    // Opens the file and writes its header; false when it cannot be made or
    // written.
    virtual bool Start() = 0;
    // One packet, times in the given time base; false once writing failed.
    virtual bool Write(int stream, AVPacket* packet, AVRational timeBase) = 0;
    // A caption in UTF-8, shown from start for duration (100-ns units).
    virtual bool WriteText(int, const std::string&, int64_t, int64_t) { return false; }
    // Ends the file; true when everything written reached it.
    virtual bool Finish() = 0;
};
