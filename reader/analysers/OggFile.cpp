#include "OggFile.h"

#include <cmath>
#include <cstring>

#include "platform/win32/TextScan.h"
#include "reader/NumberChecks.h"
#include "reader/ReaderHelpers.h"

namespace {

// Comment names are told apart by their first three letters only.
const char* const kCommentNames[] = {"TITLE",    "VERSION",     "ARTIST", "LOCATION",  "ALBUM",      "DATE",
                                     "COMMENTS", "TRACKNUMBER", "AUTHOR", "COPYRIGHT", "DESCRIPTION"};

// Where the comment walk gives up: positions in the head block beyond this
// are never read as comments, and no comment is longer than this.
constexpr uint64_t kCommentAreaEnd = 65536;
constexpr uint32_t kMaxCommentLength = 65535;
// The page search stops this far before the end of a block.
constexpr size_t kPageSearchMargin = 100;

// Offsets from the start of a header page of one segment.
constexpr size_t kPageSegments = 26;
constexpr size_t kPageSerial = 14;
constexpr size_t kPageGranule = 6;
constexpr size_t kPacketKind = 29;  // second and third bytes of the packet
constexpr size_t kOgmSubtype = 37;
constexpr size_t kOgmTimeUnit = 45;
constexpr size_t kOgmSamplesPerUnit = 53;
constexpr size_t kOgmWidth = 73;   // video; the audio channel count sits here too
constexpr size_t kOgmHeight = 77;  // video; the audio byte rate sits here too
constexpr size_t kVorbisChannels = 39;
constexpr size_t kVorbisRate = 40;
constexpr size_t kVorbisNominalRate = 48;
// Offsets from the start of a Theora identification packet (big-endian
// fields).
constexpr size_t kTheoraVersion = 7;
constexpr size_t kTheoraPictureWidth = 14;   // 24 bits
constexpr size_t kTheoraPictureHeight = 17;  // 24 bits
constexpr size_t kTheoraRateNumerator = 22;
constexpr size_t kTheoraRateDenominator = 26;
constexpr size_t kTheoraShiftBits = 40;  // 16 bits: quality, granule shift, pixel format
// Offsets from the start of an Opus identification packet.
constexpr size_t kOpusChannels = 9;
constexpr size_t kOpusPreSkip = 10;
// Opus is always decoded at 48 kHz, whatever rate its source had.
constexpr uint32_t kOpusSampleRate = 48000;
// A granule position of all ones: no packet ends on the page.
constexpr uint64_t kNoGranule = ~uint64_t{0};

// A four-character format code read as a hexadecimal number; 0 when any
// character is not a hexadecimal digit.
WORD HexFormatTag(const char (&code)[4])
{
    unsigned value = 0;
    for (char c : code) {
        const int d = HexDigitValue(static_cast<unsigned char>(c));
        if (d < 0) return 0;
        value = value * 16 + static_cast<unsigned>(d);
    }
    return static_cast<WORD>(value);
}

// A quotient of the form floor(x) * 1000 that must fit the record; 0 when
// it does not.
int64_t TimesThousand(int64_t v)
{
    int64_t r;
    return __builtin_mul_overflow(v, int64_t{1000}, &r) ? 0 : r;
}

}  // namespace

OggFile::OggFile() : m_head(kBlockBytes, 0), m_tail(kBlockBytes, 0) { m_nFileType = FILETYPE_OGG; }

OggFile::~OggFile() = default;

const wchar_t* OggFile::Comment(CommentSlot slot) const
{
    return m_comments[slot] ? m_comments[slot]->c_str() : nullptr;
}

int OggFile::Analyse(const wchar_t* path)
{
    SetFilePath(path);
    m_status = STATUS_OK;
    if (!m_file.Open(path)) {
        m_status = STATUS_OPEN_FAILED;
        FillRecord();
        return m_status;
    }
    size_t h = 0, t = 0;
    bool read = m_file.Read(m_head.data(), kBlockBytes, &h);
    // The tail block: the last kBlockBytes + 1 bytes but the very last one.
    // A file that fits the head block leaves it empty.
    if (read && m_file.GetSize() > kBlockBytes) read = m_file.SeekTo(m_file.GetSize() - kBlockBytes - 1);
    if (read) read = m_file.Read(m_tail.data(), kBlockBytes, &t);
    if (!read)
        m_status = STATUS_DAMAGED;
    else if (!ParseHead(h)) {
        m_status = STATUS_OGG_FORMAT;
    } else {
        FindDuration(h, t);
    }
    FillRecord();
    m_file.Close();
    return m_status;
}

bool OggFile::ParseHead(size_t h)
{
    ByteSpan head(m_head.data(), h);
    if (h < 128 || !head.Matches(0, "OggS", 4)) return false;
    size_t page = 0;
    do {
        // The next capture pattern from page + 4 on; the page at its end
        // (h - 4) when there is none.
        size_t next = h - 4;
        const BYTE* p = m_head.data();
        for (size_t i = page + 4; i + 4 < h; ++i)
            if (p[i] == 'O' && std::memcmp(p + i, "OggS", 4) == 0) {
                next = i;
                break;
            }
        bool stop = false;
        HandlePage(head, page, stop);
        if (stop) break;
        page = next;
    } while (page < h - kPageSearchMargin);
    return true;
}

void OggFile::HandlePage(const ByteSpan& head, size_t page, bool& stopPages)
{
    // The header fields are read at fixed offsets that assume a page of one
    // segment, as OGM and Vorbis header pages are.
    BYTE segments = head.At(page + kPageSegments);
    const size_t packet = page + 27 + segments;
    BYTE packetType = head.At(packet);
    const int key = head.At(page + kPageSerial);
    if (packetType == 1) {
        if (m_firstStreamKey < 0) m_firstStreamKey = key;
        ReadStreamHeader(head, page, key);
    } else if (packetType == 3) {
        if (!ReadComments(head, page, segments)) stopPages = true;
    } else if (packetType == 0x80 && head.Matches(packet + 1, "theora", 6)) {
        if (m_firstStreamKey < 0) m_firstStreamKey = key;
        ReadTheoraHeader(head, packet, key);
    } else if (head.Matches(packet, "OpusHead", 8)) {
        if (m_firstStreamKey < 0) m_firstStreamKey = key;
        ReadOpusHeader(head, packet, key);
    }
}

template <class Slot>
Slot* OggFile::NewSlot(Slot (&slots)[kMaxStreams], int& count, int key)
{
    // Every header counts; only the first 16 streams of a kind are kept.
    ++count;
    for (Slot& slot : slots)
        if (slot.key < 0) {
            slot.key = key;
            return &slot;
        }
    return nullptr;
}

OggFile::VideoSlot* OggFile::NewVideoSlot(int key) { return NewSlot(m_video, m_videoCount, key); }

OggFile::AudioSlot* OggFile::NewAudioSlot(int key) { return NewSlot(m_audio, m_audioCount, key); }

void OggFile::ReadStreamHeader(const ByteSpan& head, size_t page, int key)
{
    BYTE k1 = head.At(page + kPacketKind), k2 = head.At(page + kPacketKind + 1);
    if (k1 == 'v' && k2 == 'i') {  // OGM video
        if (VideoSlot* v = NewVideoSlot(key)) {
            uint32_t unit = head.LE32(page + kOgmTimeUnit);
            v->fourcc = head.FourCC(page + kOgmSubtype);
            v->width = head.LE32(page + kOgmWidth);
            v->height = head.LE32(page + kOgmHeight);
            v->fps = unit ? static_cast<float>(10000000.0 / unit) : 0.0f;
        }
    } else if (k1 == 'v' && k2 == 'o') {  // Vorbis identification
        if (AudioSlot* a = NewAudioSlot(key)) {
            std::memcpy(a->format, "674F", 4);
            a->bitRate = head.LE32(page + kVorbisNominalRate);
            a->channels = head.At(page + kVorbisChannels);
            a->sampleRate = head.LE32(page + kVorbisRate);
        }
    } else if (k1 == 'a' && k2 == 'u') {  // OGM audio
        if (AudioSlot* a = NewAudioSlot(key)) {
            for (int i = 0; i < 4; ++i) a->format[i] = static_cast<char>(head.At(page + kOgmSubtype + i));
            a->bitRate = 8u * head.LE32(page + kOgmHeight);
            a->channels = head.At(page + kOgmWidth);
            a->sampleRate = head.LE32(page + kOgmSamplesPerUnit);
        }
    }
}

void OggFile::ReadTheoraHeader(const ByteSpan& head, size_t packet, int key)
{
    VideoSlot* v = NewVideoSlot(key);
    if (!v) return;
    v->theora = true;
    v->fourcc = MAKEFOURCC('T', 'H', 'E', 'O');
    // The visible picture, not the coded frame of whole macroblocks.
    v->width = head.BE24(packet + kTheoraPictureWidth);
    v->height = head.BE24(packet + kTheoraPictureHeight);
    v->rateNumerator = head.BE32(packet + kTheoraRateNumerator);
    v->rateDenominator = head.BE32(packet + kTheoraRateDenominator);
    v->fps = v->rateNumerator && v->rateDenominator
                 ? static_cast<float>(static_cast<double>(v->rateNumerator) / v->rateDenominator)
                 : 0.0f;
    v->granuleShift = (head.BE16(packet + kTheoraShiftBits) >> 5) & 0x1F;
    v->countsFromOne = head.BE24(packet + kTheoraVersion) >= 0x030201;
}

void OggFile::ReadOpusHeader(const ByteSpan& head, size_t packet, int key)
{
    AudioSlot* a = NewAudioSlot(key);
    if (!a) return;
    a->opus = true;
    std::memcpy(a->format, "704F", 4);
    a->channels = head.At(packet + kOpusChannels);
    a->sampleRate = kOpusSampleRate;
    a->preSkip = head.LE16(packet + kOpusPreSkip);
}

bool OggFile::ReadComments(const ByteSpan& head, size_t page, int segments)
{
    uint64_t vendorLength = head.LE32(page + segments + 34);
    uint64_t list = page + segments + 38 + vendorLength;
    if (list > head.size()) return false;
    uint32_t count = head.LE32(list);
    uint64_t p = list + 4;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t length = head.LE32(p);
        if (length > kMaxCommentLength) break;
        const uint64_t text = p + 4;
        // The name ends at the first '=' among the first 20 characters.
        uint32_t valueStart = 20;
        for (uint32_t j = 0; j < 20; ++j)
            if (head.At(text + j) == '=') {
                valueStart = j + 1;
                break;
            }
        if (length > valueStart) {
            for (size_t s = 0; s < COMMENT_COUNT; ++s) {
                if (head.At(text) != kCommentNames[s][0] || head.At(text + 1) != kCommentNames[s][1] ||
                    head.At(text + 2) != kCommentNames[s][2])
                    continue;
                if (!m_comments[s]) {
                    // What the head block holds of the value; the text
                    // conversion stops at a zero byte anyway.
                    uint64_t from = text + valueStart, to = text + length;
                    if (to > head.size()) to = head.size();
                    std::string value;
                    if (from < to) value.assign(reinterpret_cast<const char*>(head.data() + from), to - from);
                    m_comments[s] = std::make_unique<std::wstring>(ToWide(value));
                }
                break;
            }
        }
        p = text + length;
        if (p > kCommentAreaEnd) break;
    }
    return true;
}

void OggFile::FindDuration(size_t h, size_t t)
{
    const int key = m_firstStreamKey < 0 ? 0 : m_firstStreamKey;
    // A file that fits the head block is searched in the head block.
    ByteSpan block = t ? ByteSpan(m_tail.data(), t) : ByteSpan(m_head.data(), h);
    size_t bufferEnd = t ? t : kBlockBytes;
    if (bufferEnd < kPageSearchMargin) return;
    size_t start = bufferEnd - kPageSearchMargin;
    if (start >= block.size()) start = block.size() ? block.size() - 1 : 0;
    for (size_t p = start + 1; p-- > 0;) {
        if (!block.Matches(p, "OggS", 4) || block.At(p + kPageSerial) != key) continue;
        // Theora and Opus granules are read whole; a page on which no packet
        // ends has none, and an earlier page is looked for.
        const uint64_t whole = block.LE64(p + kPageGranule);
        const VideoSlot* theora = nullptr;
        const AudioSlot* opus = nullptr;
        for (int j = 0; j < kMaxStreams && !theora && !opus; ++j) {
            if (m_video[j].key == key && m_video[j].theora) theora = &m_video[j];
            if (m_audio[j].key == key && m_audio[j].opus) opus = &m_audio[j];
        }
        if (theora || opus) {
            if (whole == kNoGranule) continue;
            if (theora)
                SetTheoraDuration(*theora, whole);
            else
                SetOpusDuration(*opus, whole);
            return;
        }
        uint64_t granule = block.LE32(p + kPageGranule);
        for (int j = 0; j < kMaxStreams; ++j) {
            if (m_video[j].key == key && m_video[j].fps != 0) {
                m_duration =
                    TimesThousand(TruncToInt64OrZero(static_cast<long double>(granule) * 10000 / m_video[j].fps));
                return;
            }
            if (m_audio[j].key == key && m_audio[j].sampleRate != 0) {
                m_duration = TimesThousand(static_cast<int64_t>(granule * 10000 / m_audio[j].sampleRate));
                return;
            }
        }
        return;
    }
}

void OggFile::SetTheoraDuration(const VideoSlot& v, uint64_t g)
{
    if (v.rateNumerator == 0 || v.rateDenominator == 0) return;
    // The key frame's number above the shift, the frames since it below.
    const uint64_t mask = v.granuleShift >= 64 ? ~uint64_t{0} : (uint64_t{1} << v.granuleShift) - 1;
    const uint64_t high = v.granuleShift >= 64 ? 0 : g >> v.granuleShift;
    const unsigned __int128 frames = static_cast<unsigned __int128>(high) + (g & mask) + (v.countsFromOne ? 0 : 1);
    SetDuration(frames * 10000000u * v.rateDenominator / v.rateNumerator);
}

void OggFile::SetOpusDuration(const AudioSlot& a, uint64_t g)
{
    const uint64_t samples = g > a.preSkip ? g - a.preSkip : 0;
    SetDuration(static_cast<unsigned __int128>(samples) * 10000000u / kOpusSampleRate);
}

void OggFile::SetDuration(unsigned __int128 d)
{
    m_duration = d <= static_cast<unsigned __int128>(INT64_MAX) ? static_cast<int64_t>(d) : 0;
}

void OggFile::FillRecord()
{
    m_nStatus = m_status;
    for (int k = 0; k < kMaxStreams; ++k) {
        const AudioSlot& a = m_audio[k];
        if (a.key < 0) continue;
        WAVEFORMATEX& w = m_wfxAudio[k];
        w.wFormatTag = HexFormatTag(a.format);
        w.nChannels = static_cast<WORD>(a.channels);
        w.nSamplesPerSec = a.sampleRate;
        w.nAvgBytesPerSec = a.bitRate / 8;
        w.nBlockAlign = 0;
        w.wBitsPerSample = 0;
        w.cbSize = 18;
    }
    for (const VideoSlot& v : m_video) {
        if (v.key < 0) continue;
        BITMAPINFOHEADER& bmi = m_vih.bmiHeader;
        bmi.biSize = 40;
        bmi.biWidth = static_cast<LONG>(v.width);
        bmi.biHeight = static_cast<LONG>(v.height);
        bmi.biPlanes = 1;
        bmi.biBitCount = 1;
        bmi.biCompression = v.fourcc;
        bmi.biSizeImage = v.width * v.height * 4;
        m_vih.AvgTimePerFrame = v.fps != 0 ? TruncToInt64OrZero(10000000.0L / v.fps) : 0;
        break;
    }
    m_nAudioCount = m_audioCount > kMaxAudioFormats ? kMaxAudioFormats : m_audioCount;
    m_nVideoCount = m_videoCount;
    m_llFileSize = m_file.IsOpen() ? static_cast<int64_t>(m_file.GetSize()) : 0;
    m_llDuration = m_duration;
    int64_t perSecond =
        MulDivInt64OrZero(static_cast<uint64_t>(m_llFileSize), 10000000, static_cast<uint64_t>(m_duration));
    m_llBitRate = perSecond <= INT64_MAX / 8 ? perSecond * 8 : 0;
    // What is left of the whole rate once the audio streams are taken off.
    uint32_t video = static_cast<uint32_t>(m_llBitRate);
    for (const AudioSlot& a : m_audio) video = a.bitRate < video ? video - a.bitRate : 0;
    m_vih.dwBitRate = video;
    m_llFrameCount = m_vih.AvgTimePerFrame ? m_llDuration / m_vih.AvgTimePerFrame : 0;
}
