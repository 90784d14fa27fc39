#include "FlvFile.h"

#include <vector>

#include "reader/AacAudioConfig.h"
#include "reader/CheckedFile.h"
#include "reader/NumberChecks.h"

namespace {

constexpr size_t kTagHeaderBytes = 11;
constexpr size_t kPreviousSizeBytes = 4;
constexpr BYTE kAudioTag = 8;
constexpr BYTE kVideoTag = 9;
constexpr BYTE kScriptTag = 18;
// The AAC packet type of the tag that carries the decoder configuration.
constexpr BYTE kAacSequenceHeader = 0;

// True when the previous-tag-size field in front of a candidate tag header
// at t leads back to a tag header of that size, as it does in front of every
// real tag. Bytes inside tag data that merely look like a header (the end of
// an H.264 stream does) fail this. A link that reaches before the window
// cannot be followed and is taken as it stands; a size of 0 is only right in
// front of the first tag, right after the file header.
bool LinksBack(const ByteSpan& w, uint64_t t, bool wholeFile, uint64_t firstTag)
{
    if (t < kPreviousSizeBytes) return false;
    uint32_t previous = w.BE32(t - kPreviousSizeBytes);
    if (previous == 0) return wholeFile && t == firstTag;
    if (previous < kTagHeaderBytes) return false;
    uint64_t back = t - kPreviousSizeBytes;
    if (previous > back) return true;
    uint64_t header = back - previous;
    BYTE type = w.At(header);
    return (type == kAudioTag || type == kVideoTag || type == kScriptTag) &&
           w.BE24(header + 1) == previous - kTagHeaderBytes;
}

}  // namespace

FlvFile::FlvFile() { m_nFileType = FILETYPE_FLV; }

FlvFile::~FlvFile() = default;

void FlvFile::ReadAudioTag(const ByteSpan& d)
{
    const BYTE f = d.At(0);
    WAVEFORMATEX& w = m_wfxAudio[0];
    static const DWORD kRates[] = {5512, 11025, 22050, 44100};
    w.nSamplesPerSec = kRates[(f & 0x0C) >> 2];
    w.wBitsPerSample = (f & 0x02) ? 16 : 8;
    w.nChannels = (f & 0x01) ? 2 : 1;
    WORD tag = 0;
    auto fixed = [&w](DWORD rate) {
        w.nSamplesPerSec = rate;
        w.nChannels = 1;
    };
    switch (f & 0xF0) {
    case 0x00: tag = 0x0001; break;  // PCM
    case 0x10: tag = 0x0002; break;  // ADPCM
    case 0x20: tag = 0x0055; break;  // MPEG Layer-3
    case 0x30: tag = 0x0001; break;  // PCM, little-endian
    case 0x40:                       // Nellymoser 16 kHz mono
        tag = 0xA200;
        fixed(16000);
        break;
    case 0x50:  // Nellymoser 8 kHz mono
        tag = 0xA100;
        fixed(8000);
        break;
    case 0x60: tag = 0xA200; break;  // Nellymoser
    case 0x70:                       // G.711 A-law
        tag = 0x0006;
        fixed(8000);
        break;
    case 0x80:  // G.711 mu-law
        tag = 0x0007;
        fixed(8000);
        break;
    case 0xA0: {  // AAC
        tag = 0x00FF;
        // The flags always say 44 kHz stereo for AAC; the decoder
        // configuration that the first AAC tag carries says what the stream
        // is.
        AacAudioConfig config;
        if (d.At(1) == kAacSequenceHeader && d.size() > 2 &&
            AacAudioConfig::Parse(d.data() + 2, d.size() - 2, config)) {
            if (config.sampleRate) w.nSamplesPerSec = config.sampleRate;
            if (config.channels) w.nChannels = static_cast<WORD>(config.channels);
        }
        break;
    }
    case 0xE0:  // MPEG Layer-3 at 8 kHz
        tag = 0x0055;
        w.nSamplesPerSec = 8000;
        break;
    default: break;
    }
    w.wFormatTag = tag;
    w.nAvgBytesPerSec = 0;
    w.nBlockAlign = 0;
    w.cbSize = 0;
}

bool FlvFile::ReadVideoTag(const ByteSpan& d)
{
    // Bytes the picture header of each codec needs, counted from d0.
    static const size_t kNeeded[16] = {1, 1, 10, 5, 6, 9, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    if (d.size() == 0) return false;
    BYTE d0 = d.At(0);
    if ((d0 >> 4) != 1) return false;  // the first video tag must be a key frame
    int codec = d0 & 0x0F;
    if (d.size() < kNeeded[codec]) return false;
    BITMAPINFOHEADER& bmi = m_vih.bmiHeader;
    auto b = [&d](int i) { return static_cast<uint32_t>(d.At(static_cast<size_t>(i))); };
    switch (codec) {
    case 2: {  // Sorenson H.263
        bmi.biCompression = MAKEFOURCC('F', 'L', 'V', '1');
        uint32_t z = ((b(4) & 3) << 1) | (b(5) >> 7);
        static const LONG kSizes[][2] = {{352, 288}, {176, 144}, {128, 96}, {320, 240}, {160, 120}};
        if (z == 0) {
            bmi.biWidth = static_cast<LONG>(((b(5) << 1) | (b(6) >> 7)) & 0xFF);
            bmi.biHeight = static_cast<LONG>(((b(6) << 1) | (b(7) >> 7)) & 0xFF);
        } else if (z == 1) {
            bmi.biWidth = static_cast<LONG>(((((b(5) << 8) | b(6)) << 1) | (b(7) >> 7)) & 0xFFFF);
            bmi.biHeight = static_cast<LONG>(((((b(7) << 8) | b(8)) << 1) | (b(9) >> 7)) & 0xFFFF);
        } else if (z <= 6) {
            bmi.biWidth = kSizes[z - 2][0];
            bmi.biHeight = kSizes[z - 2][1];
        }
        break;
    }
    case 3:  // screen video
    case 6:  // screen video version 2
        bmi.biCompression = codec == 3 ? MAKEFOURCC('S', 'C', 'R', 'V') : MAKEFOURCC('S', 'C', 'R', '2');
        bmi.biWidth = static_cast<LONG>(((b(1) & 0x0F) << 8) | b(2));
        bmi.biHeight = static_cast<LONG>(((b(3) & 0x0F) << 8) | b(4));
        break;
    case 4:  // On2 VP6
        bmi.biCompression = MAKEFOURCC('F', 'L', 'V', '4');
        bmi.biWidth = static_cast<LONG>(b(5) * 16);
        bmi.biHeight = static_cast<LONG>(b(4) * 16);
        break;
    case 5:  // On2 VP6 with alpha
        bmi.biCompression = MAKEFOURCC('F', 'L', 'V', '4');
        bmi.biWidth = static_cast<LONG>(b(8) * 16);
        bmi.biHeight = static_cast<LONG>(b(7) * 16);
        break;
    case 7:  // H.264; its picture size is in its parameter sets, not read here
        bmi.biCompression = MAKEFOURCC('A', 'V', 'C', '1');
        break;
    default:  // no FourCC of its own: the table's "Unknown" row
        bmi.biCompression = MAKEFOURCC(' ', ' ', ' ', ' ');
        break;
    }
    return true;
}

int FlvFile::Analyse(const wchar_t* path)
{
    CheckedFile file;
    uint64_t lastTimestamp = 0;  // milliseconds
    int status = file.Open(path) ? Walk(file, lastTimestamp) : STATUS_OPEN_FAILED;
    m_nStatus = status;
    m_llFileSize = file.IsOpen() ? static_cast<int64_t>(file.GetSize()) : 0;
    m_llDuration = static_cast<int64_t>(lastTimestamp * 10000);
    m_llBitRate = MulDivInt64OrZero(static_cast<uint64_t>(m_llFileSize), 80000000, static_cast<uint64_t>(m_llDuration));
    file.Close();
    return status;
}

int FlvFile::Walk(CheckedFile& file, uint64_t& lastTimestamp)
{
    const uint64_t size = file.GetSize();
    if (size < 15) return STATUS_DAMAGED;
    size_t window = static_cast<size_t>(size < kWindowBytes ? size : kWindowBytes);
    std::vector<BYTE> buffer(window + 1, 0);
    if (!file.ReadExact(buffer.data(), window)) return STATUS_DAMAGED;
    ByteSpan w(buffer.data(), window);

    // The first audio and the first video tag among the first 50 tags.
    bool haveAudio = false, haveVideo = false;
    uint64_t p = w.BE32(5);  // header size: the first previous-tag-size field
    for (int i = 0; i < kMaxHeadTags; ++i) {
        if (p + kTagHeaderBytes >= window || (haveAudio && haveVideo)) break;
        BYTE type = w.At(p + 4);
        uint32_t dataSize = w.BE24(p + 5);
        uint64_t data = p + kPreviousSizeBytes + kTagHeaderBytes;
        uint64_t next = data + dataSize;
        if (next >= window) break;  // this tag is not whole in the window
        if (type == kAudioTag && !haveAudio && dataSize > 0) {
            ReadAudioTag(ByteSpan(buffer.data() + data, dataSize));
            haveAudio = true;
            m_nAudioCount = 1;
        } else if (type == kVideoTag && !haveVideo) {
            if (!ReadVideoTag(ByteSpan(buffer.data() + data, dataSize))) return STATUS_FLV_VIDEO_TAG;
            haveVideo = true;
            m_nVideoCount = 1;
        }
        p = next;
        if (p + kPreviousSizeBytes >= window) break;
    }

    // The window at the end of a file of 1 MiB or more.
    const uint64_t firstTag = w.BE32(5) + kPreviousSizeBytes;
    const bool wholeFile = size < kWindowBytes;
    if (!wholeFile) {
        if (!file.SeekTo(size - kWindowBytes) || !file.ReadExact(buffer.data(), kWindowBytes)) return STATUS_DAMAGED;
        window = kWindowBytes;
        w = ByteSpan(buffer.data(), window);
    }

    // The last tag: the last position that looks like a tag header with a
    // size, a timestamp and a zero stream id, and that the size field in
    // front of it links to the tag before.
    if (haveAudio || haveVideo) {
        for (size_t t = window - 13 + 1; t-- > 0;) {
            BYTE type = w.At(t);
            if (type != kAudioTag && type != kVideoTag) continue;
            uint32_t dataSize = w.BE24(t + 1);
            uint32_t timestamp = w.BE24(t + 4) | (static_cast<uint32_t>(w.At(t + 7)) << 24);
            if (dataSize == 0 || timestamp == 0 || w.At(t + 8) || w.At(t + 9) || w.At(t + 10)) continue;
            if (!LinksBack(w, t, wholeFile, firstTag)) continue;
            lastTimestamp = timestamp;
            return t + dataSize > window ? STATUS_FLV_INCOMPLETE : STATUS_OK;
        }
    }
    if (static_cast<int64_t>(w.BE24(0)) - 1 > static_cast<int64_t>(window)) return STATUS_FLV_INCOMPLETE;
    return STATUS_OK;
}
