// The OGM muxer of the OGM writer, on libogg: an Ogg file whose logical
// streams are video and text in the OGM stream format and Vorbis audio as
// libvorbis makes it.
//
// Streams are declared first (in the order their pins are connected), then
// Open writes the first page of every stream (the stream headers), then the
// other header pages, and data follows. Each input feeds its own stream,
// from any thread: video frames in decoding order with their times and key
// flags, Vorbis packets with their granule positions, and text with its
// start and duration. Times are in 100-ns units from the start of the file.
//
// Granule positions follow the OGM convention: a video packet's is the
// number of its frame (from 0, from its time over the frame time, always
// rising), a text packet's its start in milliseconds, a Vorbis packet's the
// samples up to its end. Every video packet also carries its duration in
// frames (more than one where the source left frames out), from which
// readers time the packets of a page. Key frames start a page of their own; every text
// packet gets a page. Pages of the streams are written in the order of
// their times, as far as the inputs allow: a page waits until every other
// audio and video stream that has not ended has a page as well, or until
// too much waits. Each stream's last page carries the end-of-stream flag,
// set by EndStream (a pin's end of stream) or by Close.
//
// A failure to write makes every later call answer false; the file written
// so far stays as it is.
#pragma once

#include <ogg/ogg.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "modules/hwriter/OgmPacket.h"

struct OgmVideoFormat {
    uint32_t fourcc = 0;  // first character in the low byte ("XVID")
    int32_t width = 0;
    int32_t height = 0;
    int64_t timePerFrame = 0;  // 100-ns units
};

class OgmMuxer {
public:
    OgmMuxer();
    // Closes the file when it is still open (as Close does).
    ~OgmMuxer();
    OgmMuxer(const OgmMuxer&) = delete;
    OgmMuxer& operator=(const OgmMuxer&) = delete;

    // The stream's number, or -1 for a format that cannot be written or
    // when the file is already open. Vorbis streams take libvorbis's three
    // header packets and the sample rate they name.
    int AddVideoStream(const OgmVideoFormat& format);
    int AddVorbisStream(const std::vector<OgmPacket>& headers, int sampleRate);
    int AddTextStream();

    // Creates (or empties) the file and writes the header pages; false when
    // no stream was declared, the file cannot be made or written, or it is
    // open already.
    bool Open(const std::wstring& path);

    // False for a stream of another kind, one that has ended, before Open,
    // after Close and after a failure to write.
    bool WriteVideoFrame(int stream, const uint8_t* data, size_t size, int64_t time, bool keyFrame);
    bool WriteVorbisPacket(int stream, const OgmPacket& packet);
    // Text in UTF-8, shown from start for duration.
    bool WriteText(int stream, const std::string& utf8, int64_t start, int64_t duration);
    // The stream's last page gets the end-of-stream flag; a stream without
    // data gets an empty last packet.
    bool EndStream(int stream);

    // Ends every stream, writes every page and closes the file; true when
    // everything was written.
    bool Close();

    // Bytes written so far.
    uint64_t BytesWritten() const;

private:
    enum class Kind { Video, Vorbis, Text };
    struct Page {
        std::vector<uint8_t> bytes;
        int64_t time;
    };
    struct Stream {
        explicit Stream(Kind k) : kind(k) {}
        ~Stream() { ogg_stream_clear(&state); }
        Stream(const Stream&) = delete;
        Stream& operator=(const Stream&) = delete;
        Kind kind;
        ogg_stream_state state{};
        std::vector<OgmPacket> headers;
        int64_t timePerFrame = 0;  // video
        int sampleRate = 0;        // Vorbis
        int64_t packetNumber = 0;
        int64_t lastGranule = -1;
        int64_t currentTime = 0;  // of the packet last given to the stream
        bool hasPending = false;
        OgmPacket pending;
        bool pendingKey = false;
        bool ended = false;
        std::deque<Page> queue;
    };

    int AddStream(Kind kind);
    bool Usable(int stream, Kind kind) const;
    // Gives the held packet to libogg (flagging the stream's end when asked)
    // and queues the pages it completes.
    void SubmitPending(Stream& s, bool endOfStream);
    // Queues the stream's finished pages; with flush, also the open one.
    void CollectPages(Stream& s, bool flush);
    // Gives the last packet (or an empty one) with the end-of-stream flag.
    void EndStreamLocked(Stream& s);
    int64_t PageTime(const Stream& s, int64_t granule) const;
    // Writes queued pages in time order: only those no other stream can
    // still precede, unless forced or too much is queued.
    void WritePages(bool force);
    bool WriteBytes(const uint8_t* data, size_t size);
    bool WritePage(const ogg_page& page);
    void CloseLocked();

    mutable std::mutex m_lock;
    std::vector<std::unique_ptr<Stream>> m_streams;
    FILE* m_file = nullptr;
    bool m_bOpened = false;
    bool m_bClosed = false;
    bool m_bFailed = false;
    uint64_t m_nWritten = 0;
    size_t m_nQueuedBytes = 0;
    uint32_t m_nSerialBase = 0;
};
