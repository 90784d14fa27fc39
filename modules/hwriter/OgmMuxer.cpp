#include "OgmMuxer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "platform/win32/Files.h"

namespace {

// The first byte of an OGM packet: header packets are odd (1 the stream
// header, 3 the comments); a data packet carries the number of bytes of
// its duration field and the key-frame flag.
constexpr uint8_t kOgmStreamHeader = 0x01;
constexpr uint8_t kOgmKeyFrame = 0x08;
// The OGM stream header after its first byte: type, subtype, size, time
// unit, samples per unit, default length, buffer size, bits per sample,
// padding, width and height (video), then padding to a multiple of 8 bytes,
// as the record is laid out where its 64-bit fields are aligned: 56 bytes,
// which is what readers of OGM files check.
constexpr uint32_t kOgmHeaderSize = 56;
// Text times are counted in milliseconds.
constexpr int64_t kTextTimeUnit = 10000;
// Pages wait for the other streams at most while this much is queued.
constexpr size_t kQueueLimit = 16u << 20;
constexpr int64_t kNoGranule = -1;

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Put64(std::vector<uint8_t>& out, uint64_t v)
{
    Put32(out, static_cast<uint32_t>(v));
    Put32(out, static_cast<uint32_t>(v >> 32));
}

std::vector<uint8_t> OgmStreamHeader(const char (&type)[9], uint32_t subtype, int64_t timeUnit, uint32_t bufferSize,
                                     uint16_t bitsPerSample, int32_t width, int32_t height)
{
    std::vector<uint8_t> h;
    h.reserve(1 + kOgmHeaderSize);
    h.push_back(kOgmStreamHeader);
    h.insert(h.end(), type, type + 8);
    Put32(h, subtype);
    Put32(h, kOgmHeaderSize);
    Put64(h, static_cast<uint64_t>(timeUnit));
    Put64(h, 1);  // samples per unit
    Put32(h, 1);  // default length: one unit
    Put32(h, bufferSize);
    Put16(h, bitsPerSample);
    Put16(h, 0);  // padding
    Put32(h, static_cast<uint32_t>(width));
    Put32(h, static_cast<uint32_t>(height));
    h.resize(1 + kOgmHeaderSize, 0);
    return h;
}

// The comment packet of an OGM stream, laid out as Vorbis comments are:
// the vendor and no comment.
std::vector<uint8_t> OgmCommentHeader()
{
    static const char kVendor[] = "RivoEnc OGM writer";
    std::vector<uint8_t> c{0x03, 'v', 'o', 'r', 'b', 'i', 's'};
    Put32(c, sizeof kVendor - 1);
    c.insert(c.end(), kVendor, kVendor + sizeof kVendor - 1);
    Put32(c, 0);
    c.push_back(0x01);  // framing bit
    return c;
}

// A data packet: the first byte, the duration in as few bytes as it needs
// (none for 0), then the payload.
std::vector<uint8_t> OgmDataPacket(bool keyFrame, uint64_t duration, const uint8_t* data, size_t size)
{
    int lengthBytes = 0;
    while (lengthBytes < 7 && (duration >> (8 * lengthBytes)) != 0) ++lengthBytes;
    std::vector<uint8_t> p;
    p.reserve(1 + lengthBytes + size);
    p.push_back(
        static_cast<uint8_t>((keyFrame ? kOgmKeyFrame : 0) | ((lengthBytes & 3) << 6) | ((lengthBytes & 4) >> 1)));
    for (int i = 0; i < lengthBytes; ++i) p.push_back(static_cast<uint8_t>(duration >> (8 * i)));
    if (size) p.insert(p.end(), data, data + size);
    return p;
}

// Where the payload of a data packet starts: after its first byte and the
// duration field that byte announces.
size_t OgmPayloadOffset(uint8_t first) { return 1 + static_cast<size_t>(((first & 2) << 1) | ((first >> 6) & 3)); }

}  // namespace

OgmMuxer::OgmMuxer() : m_nSerialBase(std::random_device{}()) {}

OgmMuxer::~OgmMuxer()
{
    std::lock_guard<std::mutex> g(m_lock);
    CloseLocked();
}

int OgmMuxer::AddStream(Kind kind)
{
    // Serial numbers of one file differ in their lowest byte as well, which
    // is all some readers compare.
    const int n = static_cast<int>(m_streams.size());
    auto s = std::make_unique<Stream>(kind);
    if (ogg_stream_init(&s->state, static_cast<int>(m_nSerialBase + static_cast<uint32_t>(n))) != 0) return -1;
    m_streams.push_back(std::move(s));
    return n;
}

int OgmMuxer::AddVideoStream(const OgmVideoFormat& format)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (m_bOpened || m_streams.size() >= 255) return -1;
    if (format.width <= 0 || format.height <= 0 || format.timePerFrame <= 0) return -1;
    const int n = AddStream(Kind::Video);
    if (n < 0) return -1;
    Stream& s = *m_streams.back();
    s.timePerFrame = format.timePerFrame;
    const uint64_t frameBytes = static_cast<uint64_t>(format.width) * static_cast<uint64_t>(format.height) * 3;
    const uint32_t buffer = frameBytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(frameBytes);
    s.headers.push_back(
        {OgmStreamHeader("video\0\0\0", format.fourcc, format.timePerFrame, buffer, 24, format.width, format.height),
         0});
    s.headers.push_back({OgmCommentHeader(), 0});
    return n;
}

int OgmMuxer::AddVorbisStream(const std::vector<OgmPacket>& headers, int sampleRate)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (m_bOpened || m_streams.size() >= 255) return -1;
    if (headers.size() != 3 || sampleRate <= 0 || headers[0].data.empty()) return -1;
    const int n = AddStream(Kind::Vorbis);
    if (n < 0) return -1;
    Stream& s = *m_streams.back();
    s.sampleRate = sampleRate;
    s.headers = headers;
    for (OgmPacket& h : s.headers) h.granulepos = 0;
    return n;
}

int OgmMuxer::AddTextStream()
{
    std::lock_guard<std::mutex> g(m_lock);
    if (m_bOpened || m_streams.size() >= 255) return -1;
    const int n = AddStream(Kind::Text);
    if (n < 0) return -1;
    Stream& s = *m_streams.back();
    s.headers.push_back({OgmStreamHeader("text\0\0\0\0", 0, kTextTimeUnit, 16384, 0, 0, 0), 0});
    s.headers.push_back({OgmCommentHeader(), 0});
    return n;
}

bool OgmMuxer::Open(const std::wstring& path)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (m_bOpened || m_streams.empty()) return false;
    m_file = _wfopen(path.c_str(), L"wb");
    if (!m_file) return false;
    m_bOpened = true;
    // The first page of every stream holds its first header alone; the
    // other headers follow, each stream's ending its page, before any data.
    for (size_t pass = 0; pass < 2; ++pass) {
        for (auto& sp : m_streams) {
            Stream& s = *sp;
            const size_t first = pass == 0 ? 0 : 1, last = pass == 0 ? 1 : s.headers.size();
            for (size_t i = first; i < last; ++i) {
                ogg_packet op{};
                op.packet = s.headers[i].data.data();
                op.bytes = static_cast<long>(s.headers[i].data.size());
                op.b_o_s = i == 0;
                op.granulepos = 0;
                op.packetno = s.packetNumber++;
                if (ogg_stream_packetin(&s.state, &op) != 0) m_bFailed = true;
            }
            ogg_page page;
            while (!m_bFailed && ogg_stream_flush(&s.state, &page) != 0) WritePage(page);
        }
    }
    return !m_bFailed;
}

bool OgmMuxer::Usable(int stream, Kind kind) const
{
    return m_bOpened && !m_bClosed && !m_bFailed && stream >= 0 && stream < static_cast<int>(m_streams.size()) &&
           m_streams[static_cast<size_t>(stream)]->kind == kind && !m_streams[static_cast<size_t>(stream)]->ended;
}

bool OgmMuxer::WriteVideoFrame(int stream, const uint8_t* data, size_t size, int64_t time, bool keyFrame)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (!Usable(stream, Kind::Video) || (size && !data)) return false;
    Stream& s = *m_streams[static_cast<size_t>(stream)];
    // The frame's number from its time, never the number of an earlier one.
    const double frames = std::nearbyint(static_cast<double>(time) / static_cast<double>(s.timePerFrame));
    int64_t granule = frames > 0 && frames < 9.0e18 ? static_cast<int64_t>(frames) : 0;
    const int64_t previous = s.hasPending ? s.pending.granulepos : s.lastGranule;
    if (granule <= previous) granule = previous + 1;
    // Every frame's packet carries its duration in frames: readers take the
    // time of a page's last packet from the page and count the others back
    // and forth by these durations. Frames the source left out lengthen the
    // frame before them.
    if (s.hasPending && granule - previous > 1 && !s.pending.data.empty()) {
        const size_t payload = std::min(OgmPayloadOffset(s.pending.data[0]), s.pending.data.size());
        s.pending.data = OgmDataPacket(s.pendingKey, static_cast<uint64_t>(granule - previous),
                                       s.pending.data.data() + payload, s.pending.data.size() - payload);
    }
    SubmitPending(s, false);
    s.pending.data = OgmDataPacket(keyFrame, 1, data, size);
    s.pending.granulepos = granule;
    s.pendingKey = keyFrame;
    s.hasPending = true;
    WritePages(false);
    return !m_bFailed;
}

bool OgmMuxer::WriteVorbisPacket(int stream, const OgmPacket& packet)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (!Usable(stream, Kind::Vorbis)) return false;
    Stream& s = *m_streams[static_cast<size_t>(stream)];
    SubmitPending(s, false);
    s.pending = packet;
    s.pendingKey = false;
    s.hasPending = true;
    WritePages(false);
    return !m_bFailed;
}

bool OgmMuxer::WriteText(int stream, const std::string& utf8, int64_t start, int64_t duration)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (!Usable(stream, Kind::Text)) return false;
    Stream& s = *m_streams[static_cast<size_t>(stream)];
    int64_t granule = start > 0 ? start / kTextTimeUnit : 0;
    const int64_t previous = s.hasPending ? s.pending.granulepos : s.lastGranule;
    if (granule < previous) granule = previous;
    const uint64_t ms = duration > 0 ? static_cast<uint64_t>(duration / kTextTimeUnit) : 0;
    SubmitPending(s, false);
    // Every text is a key packet and ends with a NUL, as OGM text streams
    // carry it.
    std::string text = utf8;
    text.push_back('\0');
    s.pending.data = OgmDataPacket(true, ms, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    s.pending.granulepos = granule;
    s.pendingKey = false;
    s.hasPending = true;
    WritePages(false);
    return !m_bFailed;
}

bool OgmMuxer::EndStream(int stream)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (stream < 0 || stream >= static_cast<int>(m_streams.size())) return false;
    Stream& s = *m_streams[static_cast<size_t>(stream)];
    if (!Usable(stream, s.kind)) return false;
    EndStreamLocked(s);
    WritePages(false);
    return !m_bFailed;
}

void OgmMuxer::EndStreamLocked(Stream& s)
{
    if (!s.hasPending) {
        // A stream without data still ends: an empty packet carries the flag
        // (for OGM streams one that holds only its first byte).
        s.pending.data = s.kind == Kind::Vorbis ? std::vector<uint8_t>() : std::vector<uint8_t>{0};
        s.pending.granulepos = s.lastGranule < 0 ? 0 : s.lastGranule;
        s.pendingKey = false;
        s.hasPending = true;
    }
    SubmitPending(s, true);
    CollectPages(s, true);
    s.ended = true;
}

void OgmMuxer::SubmitPending(Stream& s, bool endOfStream)
{
    if (!s.hasPending) return;
    // A key frame starts a page of its own; so does every text.
    if (s.pendingKey || s.kind == Kind::Text) CollectPages(s, true);
    ogg_packet op{};
    op.packet = s.pending.data.data();
    op.bytes = static_cast<long>(s.pending.data.size());
    op.granulepos = s.pending.granulepos;
    op.e_o_s = endOfStream ? 1 : 0;
    op.packetno = s.packetNumber++;
    if (ogg_stream_packetin(&s.state, &op) != 0) m_bFailed = true;
    s.lastGranule = s.pending.granulepos;
    s.currentTime = PageTime(s, s.pending.granulepos);
    s.hasPending = false;
    s.pending = OgmPacket();
    CollectPages(s, s.kind == Kind::Text);
}

void OgmMuxer::CollectPages(Stream& s, bool flush)
{
    ogg_page page;
    while ((flush ? ogg_stream_flush(&s.state, &page) : ogg_stream_pageout(&s.state, &page)) != 0) {
        Page p;
        p.bytes.reserve(static_cast<size_t>(page.header_len + page.body_len));
        p.bytes.insert(p.bytes.end(), page.header, page.header + page.header_len);
        p.bytes.insert(p.bytes.end(), page.body, page.body + page.body_len);
        const int64_t granule = ogg_page_granulepos(&page);
        p.time = granule == kNoGranule ? s.currentTime : PageTime(s, granule);
        m_nQueuedBytes += p.bytes.size();
        s.queue.push_back(std::move(p));
    }
}

int64_t OgmMuxer::PageTime(const Stream& s, int64_t granule) const
{
    switch (s.kind) {
    case Kind::Video: return granule * s.timePerFrame;
    case Kind::Vorbis: return static_cast<int64_t>(static_cast<long double>(granule) * 10000000 / s.sampleRate);
    case Kind::Text: return granule * kTextTimeUnit;
    }
    return 0;
}

void OgmMuxer::WritePages(bool force)
{
    while (!m_bFailed) {
        Stream* next = nullptr;
        for (auto& sp : m_streams)
            if (!sp->queue.empty() && (!next || sp->queue.front().time < next->queue.front().time)) next = sp.get();
        if (!next) return;
        if (!force && m_nQueuedBytes <= kQueueLimit) {
            // Text is sparse: it never holds the others back.
            for (auto& sp : m_streams)
                if (!sp->ended && sp->kind != Kind::Text && sp->queue.empty()) return;
        }
        Page page = std::move(next->queue.front());
        next->queue.pop_front();
        m_nQueuedBytes -= page.bytes.size();
        WriteBytes(page.bytes.data(), page.bytes.size());
    }
}

bool OgmMuxer::WriteBytes(const uint8_t* data, size_t size)
{
    if (m_bFailed) return false;
    if (std::fwrite(data, 1, size, m_file) != size) {
        m_bFailed = true;
        return false;
    }
    m_nWritten += size;
    return true;
}

bool OgmMuxer::WritePage(const ogg_page& page)
{
    return WriteBytes(page.header, static_cast<size_t>(page.header_len)) &&
           WriteBytes(page.body, static_cast<size_t>(page.body_len));
}

bool OgmMuxer::Close()
{
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_bOpened || m_bClosed) return false;
    CloseLocked();
    return !m_bFailed;
}

void OgmMuxer::CloseLocked()
{
    if (!m_bOpened || m_bClosed) return;
    for (auto& sp : m_streams)
        if (!sp->ended && !m_bFailed) EndStreamLocked(*sp);
    WritePages(true);
    if (std::fflush(m_file) != 0) m_bFailed = true;
    if (std::fclose(m_file) != 0) m_bFailed = true;
    m_file = nullptr;
    m_bClosed = true;
}

uint64_t OgmMuxer::BytesWritten() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_nWritten;
}
