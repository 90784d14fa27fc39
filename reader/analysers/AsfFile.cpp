#include "AsfFile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "reader/ByteOrder.h"
#include "reader/KeyFrameIntervalAccumulator.h"
#include "reader/NumberChecks.h"

using namespace asf;

namespace {

// A 64-bit count from the file as a value of the record: one that does not
// fit in the record's signed field is taken as unknown.
int64_t AsRecordValue(uint64_t v) { return v > static_cast<uint64_t>(INT64_MAX) ? 0 : static_cast<int64_t>(v); }

// ⌊bytes × 80,000,000 / duration + 0.5⌋: the average bit rate of bytes spread
// over a duration in 100-nanosecond units.
int64_t RoundedBitRate(uint64_t bytes, uint64_t duration)
{
    if (duration == 0) return 0;
    return TruncToInt64OrZero(
        std::floor(static_cast<long double>(bytes) * 80000000.0L / static_cast<long double>(duration) + 0.5L));
}

bool IsVideo(const StreamPropertiesRecord& s) { return s.streamType == VideoMedia; }
bool IsAudio(const StreamPropertiesRecord& s) { return s.streamType == AudioMedia; }

ByteSpan TypeSpecific(const StreamPropertiesRecord& s)
{
    return ByteSpan(s.typeSpecific.data(), s.typeSpecific.size());
}

}  // namespace

AsfFile::AsfFile() { m_nFileType = FILETYPE_ASF; }

AsfFile::~AsfFile() = default;

const wchar_t* AsfFile::Content(ContentString which) const
{
    const auto& text = m_records.content[which];
    return text ? text->c_str() : nullptr;
}

int AsfFile::Analyse(const wchar_t* path)
{
    m_status = STATUS_OK;
    if (!m_file.Open(path)) {
        m_status = STATUS_OPEN_FAILED;
    } else {
        m_status = ReadHeader();
        if (m_status == STATUS_OK) {
            for (const StreamPropertiesRecord& s : m_records.streamProperties)
                if (IsVideo(s)) {
                    m_videoStream = static_cast<uint16_t>(s.StreamNumber());
                    break;
                }
            m_status = WalkTopLevel();
        }
    }
    FillRecord(path);
    m_file.Close();
    return m_status;
}

int AsfFile::ReadHeader()
{
    LittleEndianReader in(m_file);
    GUID id;
    if (!in.ReadGuid(id) || id != Header) return STATUS_ASF_NOT_ASF;
    QWORD headerSize = 0;
    DWORD objects = 0;
    BYTE reserved1 = 0, reserved2 = 0;
    if (!in.ReadUInt64(headerSize) || !in.ReadUInt32(objects) || !in.ReadByte(reserved1) || !in.ReadByte(reserved2))
        return STATUS_ASF_HEADER;
    AsfObjectReader reader(in, m_records);
    for (;;) {
        uint64_t pos = in.GetFilePosition();
        if (pos > headerSize) return STATUS_ASF_HEADER;
        if (pos == headerSize) break;
        QWORD size = 0;
        // An object smaller than its own header is not readable.
        if (!in.ReadGuid(id) || !in.ReadUInt64(size) || size < kObjectHeaderBytes) return STATUS_ASF_HEADER;
        if (reader.ReadHeaderObject(id, size) != kReadOk) return STATUS_ASF_HEADER;
    }
    const bool complete =
        m_records.filePropertiesMet && m_records.headerExtensionMet && !m_records.streamProperties.empty();
    return complete ? STATUS_OK : STATUS_ASF_HEADER;
}

int AsfFile::WalkTopLevel()
{
    LittleEndianReader in(m_file);
    AsfObjectReader reader(in, m_records);
    const uint64_t end = m_records.fileProperties.fileSize;
    bool dataSeen = false;
    for (;;) {
        uint64_t pos = in.GetFilePosition();
        if (pos == end) break;
        if (pos > end) return STATUS_SIZE_MISMATCH;
        GUID id;
        QWORD size = 0;
        if (!in.ReadGuid(id) || !in.ReadUInt64(size) || size < kObjectHeaderBytes) return STATUS_SIZE_MISMATCH;
        if (id == Data) {
            if (reader.ReadData(size) != kReadOk) return STATUS_ASF_DATA;
            dataSeen = true;
        } else if (id == SimpleIndex || id == Index || id == MediaObjectIndex || id == TimecodeIndex) {
            int r = id == SimpleIndex        ? reader.ReadSimpleIndex(size)
                    : id == Index            ? reader.ReadIndex(size)
                    : id == MediaObjectIndex ? reader.ReadMediaObjectIndex(size)
                                             : reader.ReadTimecodeIndex(size);
            if (r != kReadOk) return STATUS_ASF_INDEX;
        } else if (!in.SkipBytes(size - kObjectHeaderBytes)) {
            return STATUS_SIZE_MISMATCH;
        }
        // The next object is read where the reader stopped.
    }
    return dataSeen ? STATUS_OK : STATUS_ASF_DATA;
}

const StreamPropertiesRecord* AsfFile::VideoStreamProperties() const
{
    if (m_nVideoCount == 0) return nullptr;
    for (const StreamPropertiesRecord& s : m_records.streamProperties)
        if (s.StreamNumber() == m_videoStream) return &s;
    return nullptr;
}

void AsfFile::FillRecord(const wchar_t* path)
{
    SetFilePath(path);
    m_nStatus = m_status;
    m_llFileSize = m_file.IsOpen() ? AsRecordValue(m_file.GetSize()) : 0;
    m_llDataSize = AsRecordValue(m_records.dataSize);
    const uint64_t duration = static_cast<uint64_t>(AsRecordValue(m_records.fileProperties.sendDuration));
    m_llBitRate = RoundedBitRate(m_records.dataSize, duration);
    m_llDuration = static_cast<int64_t>(duration);

    int videoCount = 0, audioCount = 0;
    for (const StreamPropertiesRecord& s : m_records.streamProperties) {
        if (IsVideo(s)) ++videoCount;
        if (IsAudio(s)) ++audioCount;
    }
    m_nVideoCount = videoCount;
    // The record describes at most 16 audio streams; the others are not
    // counted in it.
    m_nAudioCount = std::min(audioCount, kMaxAudioFormats);

    // Frame count from the video stream's extended properties; a time per
    // frame of 0 gives none.
    uint64_t frames = 0;
    if (videoCount)
        for (const ExtendedStreamPropertiesRecord& e : m_records.extendedStreamProperties)
            if (e.streamNumber == m_videoStream) {
                frames = e.avgTimePerFrame ? duration / e.avgTimePerFrame : 0;
                break;
            }
    m_llFrameCount = AsRecordValue(frames);

    BITMAPINFOHEADER& bmi = m_vih.bmiHeader;
    bmi.biSize = 40;
    bmi.biPlanes = 1;
    bmi.biBitCount = 1;
    if (const StreamPropertiesRecord* v = VideoStreamProperties()) {
        // Type-specific data shorter than the fields reads as zeros.
        ByteSpan t = TypeSpecific(*v);
        uint32_t width = t.LE32(0), height = t.LE32(4);
        bmi.biWidth = static_cast<LONG>(width);
        bmi.biHeight = static_cast<LONG>(height);
        bmi.biCompression = t.LE32(27);
        bmi.biSizeImage = width * height * 4;
    }
    m_vih.AvgTimePerFrame =
        frames ? TruncToInt64OrZero(std::floor(static_cast<long double>(duration) / frames + 0.5L)) : 0;
    m_vih.dwBitRate = VideoBitRate(duration);

    int k = 0;
    for (const StreamPropertiesRecord& s : m_records.streamProperties) {
        if (!IsAudio(s)) continue;
        if (k >= kMaxAudioFormats) break;
        ByteSpan t = TypeSpecific(s);
        WAVEFORMATEX& w = m_wfxAudio[k++];
        w.wFormatTag = t.LE16(0);
        w.nChannels = t.LE16(2);
        w.nSamplesPerSec = t.LE32(4);
        w.nAvgBytesPerSec = t.LE32(8);
        w.nBlockAlign = 0;
        w.wBitsPerSample = 0;
        w.cbSize = 18;
    }

    FillKeyFrames();
    if (!m_records.indexValid)
        m_nIndexStatus = INDEX_INVALID;
    else if (!m_records.simpleIndexes.empty())
        m_nIndexStatus = INDEX_VALID;
    else
        m_nIndexStatus = INDEX_MISSING;
}

uint32_t AsfFile::VideoBitRate(uint64_t duration) const
{
    if (m_status == STATUS_NOT_ANALYSED || m_nVideoCount == 0 || duration == 0) return 0;
    if (!m_records.streamBitrates.empty()) {
        for (const BitrateRecord& b : m_records.streamBitrates.front().records)
            if ((b.flags & 0x7F) == m_videoStream) return b.averageBitrate;
        return 0;
    }
    if (!m_records.extendedStreamProperties.empty()) {
        for (const ExtendedStreamPropertiesRecord& e : m_records.extendedStreamProperties)
            if (e.streamNumber == m_videoStream) return e.dataBitrate;
        return 0;
    }
    // The whole rate less what the audio streams announce; a rate that
    // would go below zero stays at 0.
    auto lessAudio = [this](uint32_t rate) {
        for (const StreamPropertiesRecord& s : m_records.streamProperties) {
            if (!IsAudio(s)) continue;
            uint64_t audio = 8ull * TypeSpecific(s).LE32(8);
            rate = audio > rate ? 0 : static_cast<uint32_t>(rate - audio);
        }
        return rate;
    };
    if (m_nVideoCount == 1) return lessAudio(static_cast<uint32_t>(RoundedBitRate(m_records.dataSize, duration)));
    // Several video streams share what is left; a duration below one second
    // gives no rate.
    uint64_t seconds = duration / 10000000;
    if (seconds == 0) return 0;
    uint32_t total = static_cast<uint32_t>(m_records.dataSize / seconds * 8);
    return lessAudio(total) / static_cast<uint32_t>(m_nVideoCount);
}

void AsfFile::FillKeyFrames()
{
    m_llKeyFrameCount = 0;
    if (m_nVideoCount == 0) return;
    // The video stream's index is the n-th Simple Index Object, n being the
    // number of video streams numbered below it.
    size_t n = 0;
    for (const StreamPropertiesRecord& s : m_records.streamProperties)
        if (IsVideo(s) && s.StreamNumber() < m_videoStream) ++n;
    if (n >= static_cast<size_t>(m_nVideoCount) || n >= m_records.simpleIndexes.size()) return;
    const SimpleIndexRecord& index = m_records.simpleIndexes[n];
    if (index.entries.empty()) return;

    // Each run of entries with one packet number stands for one key frame.
    std::vector<uint64_t> runs(1, 1);
    for (size_t j = 1; j < index.entries.size(); ++j) {
        if (index.entries[j].packetNumber != index.entries[j - 1].packetNumber)
            runs.push_back(1);
        else
            ++runs.back();
    }
    const size_t K = runs.size();
    m_llKeyFrameCount = static_cast<int64_t>(K);
    // A run starts where the index first points at its key frame, so the
    // runs between two such starts are the intervals between key frames.
    // The first run also holds the entries before the first key frame (the
    // preroll among them) and the last one is open-ended: neither is an
    // interval. Every value, the average included, comes from the K - 2
    // runs between them.
    const long double step = static_cast<long double>(index.entryTimeInterval) * 0.0000001L;
    KeyFrameIntervalAccumulator keyFrames;
    long double t = 0;
    for (size_t k = 1; k < K; ++k) {
        keyFrames.Add(static_cast<double>(t));
        t += runs[k] * step;
    }
    SetKeyFrameIntervals(keyFrames.Result());
}
