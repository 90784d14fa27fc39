#include "RmFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/win32/FourCC.h"
#include "reader/EndianReaders.h"
#include "reader/NumberChecks.h"

namespace {

// RealAudio codecs in the order of their format tags.
constexpr DWORD kRealAudioCodecs[] = {FourCC("lpcJ"), FourCC("28_8"), FourCC("dnet"), FourCC("sipr"), FourCC("cook"),
                                      FourCC("atrc"), FourCC("ralf"), FourCC("raac"), FourCC("racp")};

int64_t AsRecordValue(uint64_t v) { return v > static_cast<uint64_t>(INT64_MAX) ? 0 : static_cast<int64_t>(v); }

// RealAudio files of version 3 hold the 14.4 kbit/s codec only.
constexpr uint64_t kVersion3BytesPerSecond = 14400 / 8;

}  // namespace

RmFile::RmFile() { m_nFileType = FILETYPE_RM; }

RmFile::~RmFile() = default;

WORD RmFile::RealAudioTag(DWORD fourcc)
{
    for (size_t i = 0; i < std::size(kRealAudioCodecs); ++i)
        if (kRealAudioCodecs[i] == fourcc) return static_cast<WORD>(kRealAudioTagFirst + i);
    return 0;
}

const char* RmFile::Cont(int i) const
{
    if (m_contents.empty() || !m_contents.front().texts[i]) return nullptr;
    return m_contents.front().texts[i]->c_str();
}

int RmFile::Analyse(const wchar_t* path)
{
    m_status = STATUS_OK;
    if (!m_file.Open(path)) {
        m_status = STATUS_OPEN_FAILED;
    } else {
        m_fileSize = m_file.GetSize();
        m_status = WalkChunks();
    }
    FillRecord(path);
    m_file.Close();
    return m_status;
}

int RmFile::WalkChunks()
{
    BigEndianReader in(m_file);
    for (;;) {
        const uint64_t start = in.GetFilePosition();
        if (start == m_fileSize) return STATUS_OK;
        DWORD id = 0, size = 0;
        if (!in.ReadFourCC(id)) return STATUS_SIZE_MISMATCH;
        if (id == FourCC(".ra\xFD")) {
            // A RealAudio file: one header, and nothing after it is read.
            return ReadRealAudioHeader() ? STATUS_OK : STATUS_RM_RA;
        }
        if (!in.ReadUInt32BE(size) || static_cast<int32_t>(size) <= 7) return STATUS_SIZE_MISMATCH;
        const uint64_t end = start + size;
        auto toEnd = [&] { return in.GetFilePosition() == end || in.SeekTo(end); };
        if (id == FourCC("DATA")) {
            m_dataTotal += size;
            if (!in.SeekTo(end)) return STATUS_RM_DATA;
        } else if (id == FourCC(".RMF")) {
            if (!ReadFileHeader(size)) return STATUS_RM_RMF;
        } else if (id == FourCC("PROP")) {
            if (!ReadProperties()) return STATUS_RM_PROP;
        } else if (id == FourCC("CONT")) {
            if (!ReadContent(end) || !toEnd()) return STATUS_RM_CONT;
        } else if (id == FourCC("MDPR")) {
            if (!ReadMediaProperties(end) || !toEnd()) return STATUS_RM_MDPR;
        } else if (id == FourCC("INDX")) {
            if (!ReadIndex(end) || !toEnd()) return STATUS_RM_INDX;
        } else if (!in.SeekTo(end)) {
            return STATUS_DAMAGED;
        }
    }
}

bool RmFile::ReadFileHeader(uint32_t chunkSize)
{
    BigEndianReader in(m_file);
    FileHeader& h = m_fileHeaders.emplace_back();
    if (!in.ReadUInt16BE(h.objectVersion)) return false;
    if (chunkSize == 16) {
        WORD v = 0;
        if (!in.ReadUInt16BE(v)) return false;
        h.fileVersion = v;
    } else if (!in.ReadUInt32BE(h.fileVersion)) {
        return false;
    }
    return in.ReadUInt32BE(h.headerCount);
}

bool RmFile::ReadProperties()
{
    BigEndianReader in(m_file);
    Properties& p = m_properties.emplace_back();
    return in.ReadUInt16BE(p.objectVersion) && in.ReadUInt32BE(p.maxBitRate) && in.ReadUInt32BE(p.avgBitRate) &&
           in.ReadUInt32BE(p.maxPacketSize) && in.ReadUInt32BE(p.avgPacketSize) && in.ReadUInt32BE(p.packetCount) &&
           in.ReadUInt32BE(p.durationMs) && in.ReadUInt32BE(p.preroll) && in.ReadUInt32BE(p.indexOffset) &&
           in.ReadUInt32BE(p.dataOffset) && in.ReadUInt16BE(p.streamCount) && in.ReadUInt16BE(p.flags);
}

bool RmFile::ReadContent(uint64_t chunkEnd)
{
    BigEndianReader in(m_file);
    Content& c = m_contents.emplace_back();
    if (!in.ReadUInt16BE(c.objectVersion)) return false;
    for (auto& text : c.texts) {
        WORD length = 0;
        std::vector<BYTE> bytes;
        const uint64_t pos = in.GetFilePosition();
        // A text must lie inside its chunk.
        if (!in.ReadUInt16BE(length) || pos + 2 + length > chunkEnd || !m_file.ReadBlock(bytes, length)) return false;
        if (length) text = std::string(bytes.begin(), bytes.end());
    }
    return true;
}

bool RmFile::ReadText8(std::string& out, uint64_t end)
{
    BYTE length = 0;
    std::vector<BYTE> bytes;
    if (!m_file.ReadExact(&length, 1) || m_file.GetPosition() + length > end || !m_file.ReadBlock(bytes, length))
        return false;
    out.assign(bytes.begin(), bytes.end());
    return true;
}

bool RmFile::ReadMediaProperties(uint64_t chunkEnd)
{
    BigEndianReader in(m_file);
    MediaProperties& m = m_streams.emplace_back();
    DWORD length = 0;
    if (!in.ReadUInt16BE(m.objectVersion) || !in.ReadUInt16BE(m.streamNumber) || !in.ReadUInt32BE(m.maxBitRate) ||
        !in.ReadUInt32BE(m.avgBitRate) || !in.ReadUInt32BE(m.maxPacketSize) || !in.ReadUInt32BE(m.avgPacketSize) ||
        !in.ReadUInt32BE(m.startTime) || !in.ReadUInt32BE(m.preroll) || !in.ReadUInt32BE(m.duration) ||
        !ReadText8(m.name, chunkEnd) || !ReadText8(m.mimeType, chunkEnd) || !in.ReadUInt32BE(length))
        return false;
    // The type-specific data must lie inside its chunk.
    return in.GetFilePosition() + length <= chunkEnd && m_file.ReadBlock(m.typeSpecific, length);
}

bool RmFile::ReadIndex(uint64_t chunkEnd)
{
    BigEndianReader in(m_file);
    Index& x = m_indexes.emplace_back();
    if (!in.ReadUInt16BE(x.objectVersion) || !in.ReadUInt32BE(x.entryCount) || !in.ReadUInt16BE(x.streamNumber) ||
        !in.ReadUInt32BE(x.nextIndexHeader))
        return false;
    // Entries that do not fit in the chunk (or the file) are not read; the
    // chunk still counts as read.
    const uint64_t bytes = static_cast<uint64_t>(x.entryCount) * 14;
    std::vector<BYTE> raw;
    if (in.GetFilePosition() + bytes <= chunkEnd && m_file.ReadBlock(raw, bytes)) {
        x.entriesRead = true;
        x.entries.resize(x.entryCount);
        for (size_t i = 0; i < x.entries.size(); ++i) {
            const BYTE* e = raw.data() + 14 * i;
            x.entries[i] = {LoadBE16(e), LoadBE32(e + 2), LoadBE32(e + 6), LoadBE32(e + 10)};
        }
    }
    return true;
}

bool RmFile::ReadRealAudioHeader()
{
    BigEndianReader in(m_file);
    RealAudioHeader& h = m_realAudio.emplace();
    if (!in.SeekTo(4) || !in.ReadUInt16BE(h.version)) return false;
    DWORD signature = 0;
    WORD skip16 = 0;
    if (h.version == 3) {
        if (!in.SkipBytes(12) || !in.ReadUInt32BE(h.dataSize)) return false;
    } else if (h.version == 4) {
        if (!in.SkipBytes(2) || !in.ReadFourCC(signature) || !in.ReadUInt32BE(h.dataSize) ||
            !in.ReadUInt16BE(h.version2) || !in.SkipBytes(4) || !in.ReadUInt16BE(h.flavour) ||
            !in.ReadUInt32BE(h.codedFrameSize) || !in.SkipBytes(4) || !in.ReadUInt32BE(h.bytesPerMinute) ||
            !in.SkipBytes(4) || !in.ReadUInt16BE(h.subPacketHeight) || !in.ReadUInt16BE(h.frameSize) ||
            !in.ReadUInt16BE(h.subPacketSize) || !in.ReadUInt16BE(skip16) || !in.ReadUInt16BE(h.sampleRate) ||
            !in.ReadUInt16BE(skip16) || !in.ReadUInt16BE(h.sampleSize) || !in.ReadUInt16BE(h.channels) ||
            !ReadText8(h.interleaver, m_fileSize) || !ReadText8(h.codec, m_fileSize) || !in.SkipBytes(3))
            return false;
    } else {
        return false;
    }
    for (auto& text : h.texts) {
        std::string t;
        if (!ReadText8(t, m_fileSize)) return false;
        if (!t.empty()) text = t;
    }
    return true;
}

void RmFile::FillKeyFrames(const MediaProperties* video)
{
    if (!video) return;
    const Index* index = nullptr;
    for (const Index& x : m_indexes)
        if (x.streamNumber == video->streamNumber) {
            index = &x;
            break;
        }
    if (!index || index->entryCount == 0) return;
    if (!index->entriesRead) {
        m_nIndexStatus = INDEX_INVALID;
        return;
    }
    m_nIndexStatus = INDEX_VALID;
    const size_t n = index->entries.size();
    if (n == 1) return;
    // Intervals between the entries' times, in milliseconds.
    uint64_t sum = 0;
    uint32_t largest = 0, smallest = index->entries[1].timestampMs - index->entries[0].timestampMs;
    for (size_t i = 0; i + 1 < n; ++i) {
        uint32_t d = index->entries[i + 1].timestampMs - index->entries[i].timestampMs;
        sum += d;
        largest = std::max(largest, d);
        smallest = std::min(smallest, d);
    }
    const uint32_t average = static_cast<uint32_t>(sum / (n - 1));
    // Squares in 64 bits: a difference can take all 32 bits.
    uint64_t squares = 0;
    for (size_t i = 0; i + 1 < n; ++i) {
        uint32_t d = index->entries[i + 1].timestampMs - index->entries[i].timestampMs;
        uint64_t diff = average > d ? average - d : d - average;
        squares += diff * diff;
    }
    const uint64_t deviation = static_cast<uint64_t>(std::sqrt(static_cast<long double>(squares / (n - 1))));
    m_llKeyFrameCount = static_cast<int64_t>(n);
    m_dKeyIntervalAvg = average * 0.001;
    m_dKeyIntervalMax = largest * 0.001;
    m_dKeyIntervalMin = smallest * 0.001;
    m_dKeyIntervalStdDev = static_cast<double>(deviation) * 0.001;
}

void RmFile::FillRecord(const wchar_t* path)
{
    SetFilePath(path);
    m_nStatus = m_status;
    m_llFileSize = AsRecordValue(m_fileSize);

    if (m_realAudio) {
        const RealAudioHeader& h = *m_realAudio;
        // The stream's own rate: what its header states for version 4, the
        // only rate of its one codec (14.4 kbit/s) for version 3. The sample
        // size, channels and rate describe the decoded sound, not the
        // stream.
        const uint64_t bytesPerSecond = h.version == 3 ? kVersion3BytesPerSecond : h.bytesPerMinute / 60;
        const uint64_t durationMs = bytesPerSecond ? m_fileSize * 1000 / bytesPerSecond : 0;
        m_llDataSize = h.dataSize;
        m_llBitRate = durationMs ? MulDivInt64OrZero(m_fileSize, 8000, durationMs) : 0;
        m_llDuration = MulDivInt64OrZero(durationMs, 10000, 1);
        m_nAudioCount = 1;
        m_nVideoCount = 0;
        WAVEFORMATEX& w = m_wfxAudio[0];
        w.nAvgBytesPerSec = static_cast<DWORD>(bytesPerSecond);
        w.nBlockAlign = 0;
        w.nChannels = h.channels;
        w.nSamplesPerSec = h.sampleRate;
        w.wBitsPerSample = h.sampleSize;
        w.cbSize = 18;
        DWORD codec = 0;
        std::memcpy(&codec, h.codec.data(), std::min<size_t>(4, h.codec.size()));
        w.wFormatTag = h.version == 3 ? kRealAudioTagFirst : RealAudioTag(codec);
        return;
    }

    const uint32_t durationMs = m_properties.empty() ? 0 : m_properties.front().durationMs;
    m_llDataSize = AsRecordValue(m_dataTotal);
    m_llBitRate = durationMs ? MulDivInt64OrZero(m_fileSize, 8000, durationMs) : 0;
    m_llDuration = static_cast<int64_t>(durationMs) * 10000;

    // The video stream: the first whose number has an index, else the last.
    const MediaProperties* video = nullptr;
    int videoCount = 0, audioCount = 0;
    for (const MediaProperties& s : m_streams) {
        if (s.IsVideo()) ++videoCount;
        if (s.IsAudio()) ++audioCount;
    }
    for (const MediaProperties& s : m_streams) {
        if (!s.IsVideo()) continue;
        bool indexed = std::any_of(m_indexes.begin(), m_indexes.end(),
                                   [&](const Index& x) { return x.streamNumber == s.streamNumber; });
        if (indexed) {
            video = &s;
            break;
        }
    }
    if (!video)
        for (const MediaProperties& s : m_streams)
            if (s.IsVideo()) video = &s;
    m_nVideoCount = videoCount;
    m_nAudioCount = std::min(audioCount, kMaxAudioFormats);

    FillKeyFrames(video);

    if (video) {
        ByteSpan t(video->typeSpecific.data(), video->typeSpecific.size());
        const uint32_t width = t.BE16(12), height = t.BE16(14), fps = t.BE16(22);
        // In doubles, as the frame rate is given: 25 × 0.001 × 2,520 is 63.
        m_llFrameCount = TruncToInt64OrZero(static_cast<double>(fps) * 0.001 * durationMs);
        BITMAPINFOHEADER& bmi = m_vih.bmiHeader;
        bmi.biSize = 40;
        bmi.biWidth = static_cast<LONG>(width);
        bmi.biHeight = static_cast<LONG>(height);
        bmi.biPlanes = 1;
        bmi.biBitCount = 1;
        bmi.biCompression = t.FourCC(8);
        bmi.biSizeImage = width * height * 4;
        m_vih.dwBitRate = video->avgBitRate;
        m_vih.AvgTimePerFrame =
            m_llFrameCount ? TruncToInt64OrZero(static_cast<long double>(durationMs) * 10000 / m_llFrameCount + 0.5L)
                           : 0;
    }

    int k = 0;
    for (const MediaProperties& s : m_streams) {
        if (!s.IsAudio()) continue;
        if (k >= kMaxAudioFormats) break;
        WAVEFORMATEX& w = m_wfxAudio[k++];
        w.cbSize = 18;
        w.nAvgBytesPerSec = s.avgBitRate / 8;
        w.nBlockAlign = 0;
        w.wBitsPerSample = 0;
        ByteSpan t(s.typeSpecific.data(), s.typeSpecific.size());
        const uint16_t version = t.BE16(4);
        if (version == 4) {
            // After the channels come two texts with a length byte each: the
            // interleaver, then the codec, whose first four bytes name it.
            w.nSamplesPerSec = t.BE16(48);
            w.nChannels = t.BE16(54);
            const uint64_t interleaver = t.At(56);
            w.wFormatTag = RealAudioTag(t.FourCC(56 + 1 + interleaver + 1));
        } else if (version == 5) {
            w.nSamplesPerSec = t.BE16(54);
            w.nChannels = t.BE16(60);
            w.wFormatTag = RealAudioTag(t.FourCC(66));
        } else {
            w.nSamplesPerSec = 0;
            w.nChannels = 0;
            w.wFormatTag = 0;
        }
    }
}
