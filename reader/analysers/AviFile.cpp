#include "AviFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "reader/ByteOrder.h"
#include "reader/NumberChecks.h"

namespace {

constexpr DWORD FCC(const char (&s)[5]) { return MAKEFOURCC(s[0], s[1], s[2], s[3]); }

constexpr DWORD kInfoIds[] = {
    FCC("IARL"), FCC("IART"), FCC("ICMS"), FCC("ICMT"), FCC("ICOP"), FCC("ICRD"), FCC("ICRP"), FCC("IDIM"),
    FCC("IDPI"), FCC("IENG"), FCC("IGNR"), FCC("IKEY"), FCC("ILGT"), FCC("IMED"), FCC("INAM"), FCC("IPLT"),
    FCC("IPRD"), FCC("ISBJ"), FCC("ISFT"), FCC("ISHP"), FCC("ISRC"), FCC("ISRF"), FCC("ITCH"),
};

// Chunk sizes inside lists are padded to even lengths; 64-bit so that the
// largest 32-bit size cannot wrap.
uint64_t RoundUpEven(DWORD size) { return (static_cast<uint64_t>(size) + 1) & ~uint64_t{1}; }

// True for index entries and chunks of video data: the id ends in "dc"
// (compressed) or "db" (uncompressed), whatever the stream number.
bool IsVideoChunkId(DWORD ckid)
{
    char c2 = static_cast<char>((ckid >> 16) & 0xFF), c3 = static_cast<char>(ckid >> 24);
    return c2 == 'd' && (c3 == 'c' || c3 == 'b');
}

// Offsets of the AVISTREAMHEADER fields used here.
constexpr size_t kStrhType = 0;
constexpr size_t kStrhScale = 20;
constexpr size_t kStrhRate = 24;
constexpr size_t kStrhLength = 32;

}  // namespace

AviFile::AviFile() : m_streams(new StreamSlot[kMaxStreams]())
{
    m_nFileType = FILETYPE_AVI;
    static_assert(std::size(kInfoIds) == INFO_COUNT);
}

AviFile::~AviFile() = default;

const char* AviFile::Info(InfoSlot slot) const { return m_info[slot] ? m_info[slot]->c_str() : nullptr; }

bool AviFile::IsVideo(int stream) const { return LoadLE32(m_streams[stream].strh + kStrhType) == FCC("vids"); }

bool AviFile::IsAudio(int stream) const { return LoadLE32(m_streams[stream].strh + kStrhType) == FCC("auds"); }

bool AviFile::ReadChunkHeader(DWORD& id, DWORD& size)
{
    BYTE b[8];
    if (!m_file.ReadExact(b, sizeof b)) return false;
    id = LoadLE32(b);
    size = LoadLE32(b + 4);
    return true;
}

bool AviFile::Move(uint64_t count)
{
    // Moving past the end of the file is not a failure by itself; the next
    // read there is.
    return m_file.GetPosition() != 0 && m_file.Skip(count);
}

bool AviFile::ReadIntoSlot(void* slot, size_t slotSize, uint64_t size)
{
    size_t keep = static_cast<size_t>(std::min<uint64_t>(size, slotSize));
    if (!m_file.ReadExact(slot, keep)) return false;
    return keep == size || Move(size - keep);
}

int AviFile::Analyse(const wchar_t* path)
{
    m_status = STATUS_OK;
    if (!m_file.Open(path)) {
        m_status = STATUS_OPEN_FAILED;
        FillRecord(path);
        return m_status;
    }
    BYTE head[12];
    DWORD riffSize = 0;
    if (!m_file.ReadExact(head, sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "AVI ", 4) != 0 || (riffSize = LoadLE32(head + 4)) == 0) {
        m_status = STATUS_AVI_NOT_AVI;
        FillRecord(path);
        m_file.Close();
        return m_status;
    }
    m_riffSize = RoundUpEven(riffSize);
    const uint64_t end = m_riffSize + 8;

    while (m_file.GetPosition() != end) {
        if (m_file.GetPosition() > end) {
            m_status = STATUS_SIZE_MISMATCH;
            break;
        }
        DWORD id = 0, size = 0;
        if (!ReadChunkHeader(id, size)) {
            m_status = STATUS_DAMAGED;
            break;
        }
        if (id == FCC("LIST")) {
            BYTE type[4];
            if (!m_file.ReadExact(type, 4)) {
                m_status = STATUS_DAMAGED;
                break;
            }
            DWORD listType = LoadLE32(type);
            // The list size counts its 4-byte type; a smaller one is broken.
            uint64_t body = size >= 4 ? size - 4 : 0;
            if (listType == FCC("hdrl")) {
                if (size < 4 || !ReadHeaderList(body)) {
                    m_status = STATUS_AVI_HEADER;
                    break;
                }
            } else if (listType == FCC("movi")) {
                m_dataSize = static_cast<uint64_t>(size) + 8;
                m_moviSeen = true;
                if (size < 4 || !Move(body)) {
                    m_status = STATUS_AVI_MOVI;
                    break;
                }
            } else if (listType == FCC("INFO")) {
                if (size < 4 || !ReadInfoList(body)) {
                    m_status = STATUS_AVI_INFO;
                    break;
                }
            } else if (size < 4 || !Move(body)) {
                m_status = STATUS_AVI_UNEXPECTED;
                break;
            }
        } else if (id == FCC("idx1")) {
            // A bad index is noted and the walk goes on.
            m_indexValid = ReadIndex(size);
            if (!m_indexValid) m_status = STATUS_AVI_INDEX;
        } else if (!Move(size)) {  // top-level chunks are not padded
            m_status = STATUS_AVI_UNEXPECTED;
            break;
        }
    }
    if (m_status == STATUS_OK && !m_moviSeen) m_status = STATUS_AVI_MOVI;
    FillRecord(path);
    m_file.Close();
    return m_status;
}

bool AviFile::ReadHeaderList(uint64_t size)
{
    const uint64_t end = m_file.GetPosition() + size;
    while (m_file.GetPosition() != end) {
        if (m_file.GetPosition() > end) return false;
        BYTE b[4];
        DWORD id = 0, raw = 0;
        if (!m_file.ReadExact(b, 4)) return false;
        id = LoadLE32(b);
        if (!m_file.ReadExact(b, 4)) return false;
        raw = LoadLE32(b);
        uint64_t chunk = RoundUpEven(raw);
        // Nothing may reach past the end of the header list.
        if (m_file.GetPosition() > end || chunk > end - m_file.GetPosition()) return false;
        if (id == FCC("avih")) {
            if (!ReadIntoSlot(&m_avih, sizeof m_avih, chunk)) return false;
        } else if (id == FCC("LIST")) {
            if (chunk < 4 || !m_file.ReadExact(b, 4)) return false;
            if (LoadLE32(b) == FCC("strl")) {
                if (!ReadStreamList(chunk - 4)) return false;
            } else if (!Move(chunk - 4)) {
                return false;
            }
        } else if (!Move(chunk)) {
            return false;
        }
    }
    return true;
}

bool AviFile::ReadStreamList(uint64_t size)
{
    const uint64_t end = m_file.GetPosition() + size;
    bool haveStrh = false, haveStrf = false, ok = true;
    while (ok && m_file.GetPosition() != end) {
        ok = false;
        if (m_file.GetPosition() > end) break;
        DWORD id = 0, raw = 0;
        if (!ReadChunkHeader(id, raw)) break;
        uint64_t chunk = RoundUpEven(raw);
        if (m_file.GetPosition() > end || chunk > end - m_file.GetPosition()) break;
        if (id == FCC("strh")) {
            if (m_streamCount >= kMaxStreams) break;
            if (!ReadIntoSlot(m_streams[m_streamCount].strh, kHeaderSlotBytes, chunk)) break;
            haveStrh = true;
        } else if (id == FCC("strf")) {
            if (m_streamCount >= kMaxStreams || chunk > kFormatSlotBytes) break;
            if (!m_file.ReadExact(m_streams[m_streamCount].strf, static_cast<size_t>(chunk))) break;
            haveStrf = true;
        } else if (!Move(chunk)) {
            break;
        }
        ok = true;
    }
    if (haveStrh && haveStrf) ++m_streamCount;
    return ok && haveStrh && haveStrf;
}

bool AviFile::ReadInfoList(uint64_t size)
{
    const uint64_t end = m_file.GetPosition() + size;
    while (m_file.GetPosition() != end) {
        if (m_file.GetPosition() > end) return false;
        DWORD id = 0, raw = 0;
        if (!ReadChunkHeader(id, raw)) return false;
        uint64_t item = RoundUpEven(raw);
        if (m_file.GetPosition() > end || item > end - m_file.GetPosition()) return false;
        const DWORD* known = std::find(std::begin(kInfoIds), std::end(kInfoIds), id);
        size_t slot = static_cast<size_t>(known - std::begin(kInfoIds));
        if (slot < INFO_COUNT && !m_info[slot]) {
            // The text is stored zero-terminated (IKEY, a list of keywords,
            // with one more zero).
            std::vector<BYTE> data;
            if (!m_file.ReadBlock(data, item)) return false;
            auto text = std::make_unique<std::string>(data.begin(), data.end());
            text->append(slot == INFO_IKEY ? 2 : 1, '\0');
            m_info[slot] = std::move(text);
        } else if (!Move(item)) {  // the first value of a tag stays
            return false;
        }
    }
    return true;
}

bool AviFile::ReadIndex(uint64_t size)
{
    const uint64_t start = m_file.GetPosition();
    // Only the last index chunk counts.
    m_index.clear();
    m_keyTimes.clear();
    if (size > kMaxIndexBytes) {
        // Too large to read: passed over, so that the walk goes on after it.
        m_file.Skip(size);
        return false;
    }
    std::vector<BYTE> buffer(static_cast<size_t>(std::min(size, m_file.BytesLeft())));
    size_t got = 0;
    if (!m_file.Read(buffer.data(), buffer.size(), &got)) {
        m_file.SeekTo(start + size);
        return false;
    }
    const uint64_t usPerFrame = m_avih.dwMicroSecPerFrame;
    bool valid = true;
    uint64_t frame = 0;
    double previous = 0;
    size_t entries = got / sizeof(IndexEntry);
    m_index.resize(entries);
    for (size_t i = 0; i < entries; ++i) {
        const BYTE* e = buffer.data() + i * sizeof(IndexEntry);
        IndexEntry& entry = m_index[i];
        entry.ckid = LoadLE32(e);
        entry.dwFlags = LoadLE32(e + 4);
        entry.dwChunkOffset = LoadLE32(e + 8);
        entry.dwChunkLength = LoadLE32(e + 12);
        if (!IsVideoChunkId(entry.ckid)) continue;
        if (entry.dwFlags & AVIIF_KEYFRAME) {
            double t = static_cast<double>(usPerFrame * frame) * 0.000001;
            if (t < previous) valid = false;
            previous = t;
            m_keyTimes.push_back(t);
        }
        ++frame;
    }
    if (got == size) return valid;
    // Cut short by the end of the file: keep what was read, and stand where
    // the chunk would end.
    m_file.Skip(size - got);
    return false;
}

uint32_t AviFile::VideoBitRate(int64_t duration) const
{
    if (duration == 0) return 0;
    if ((m_avih.dwFlags & AVIF_HASINDEX) && !m_index.empty()) {
        uint32_t bytes = 0;  // a 32-bit sum, as the index's own lengths are
        for (const IndexEntry& e : m_index)
            if (IsVideoChunkId(e.ckid)) bytes += e.dwChunkLength;
        long double perSecond = static_cast<long double>(bytes) * 10000000.0L / duration + 0.5L;
        return TruncToUInt32OrZero(std::floor(perSecond * 8));
    }
    uint64_t audio = 0;
    bool anyAudio = false;
    for (int i = 0; i < m_streamCount; ++i)
        if (IsAudio(i)) {
            anyAudio = true;
            audio += 8ull * LoadLE32(m_streams[i].strf + 8);  // nAvgBytesPerSec
        }
    uint64_t total = static_cast<uint64_t>(m_llBitRate);
    if (!anyAudio) return static_cast<uint32_t>(total);
    return audio > total ? 0 : static_cast<uint32_t>(total - audio);
}

void AviFile::FillRecord(const wchar_t* path)
{
    SetFilePath(path);
    m_nStatus = m_status;
    m_llFileSize = m_file.IsOpen() ? static_cast<int64_t>(m_file.GetSize()) : 0;
    m_llDataSize = static_cast<int64_t>(m_dataSize);

    // The longest stream: dwLength * dwScale * 10,000,000 / dwRate.
    int64_t duration = 0;
    for (int i = 0; i < m_streamCount; ++i) {
        const BYTE* h = m_streams[i].strh;
        int64_t d = MulDivInt64OrZero(static_cast<uint64_t>(LoadLE32(h + kStrhLength)) * LoadLE32(h + kStrhScale),
                                      10000000, LoadLE32(h + kStrhRate));
        duration = std::max(duration, d);
    }
    m_llDuration = duration;
    m_llBitRate = duration ? TruncToInt64OrZero(std::floor(static_cast<long double>(m_llFileSize) * 80000000.0L /
                                                               duration + 0.5L))
                           : 0;

    int firstVideo = -1, videoCount = 0, audioCount = 0;
    for (int i = 0; i < m_streamCount; ++i) {
        if (IsVideo(i)) {
            if (firstVideo < 0) firstVideo = i;
            ++videoCount;
        } else if (IsAudio(i) && audioCount < kMaxAudioFormats) {
            const BYTE* f = m_streams[i].strf;
            WAVEFORMATEX& w = m_wfxAudio[audioCount++];
            w.wFormatTag = LoadLE16(f);
            w.nChannels = LoadLE16(f + 2);
            w.nSamplesPerSec = LoadLE32(f + 4);
            w.nAvgBytesPerSec = LoadLE32(f + 8);
            w.nBlockAlign = LoadLE16(f + 12);
            w.wBitsPerSample = LoadLE16(f + 14);
            w.cbSize = 18;
        }
    }
    m_nVideoCount = videoCount;
    m_nAudioCount = audioCount;
    const bool hasVideo = videoCount > 0;

    const bool hasIndex = (m_avih.dwFlags & AVIF_HASINDEX) != 0;
    KeyFrameIntervals k = ComputeKeyFrameIntervals(m_keyTimes.data(), m_keyTimes.size());
    if (m_keyTimes.size() >= 2) {
        if (hasIndex && hasVideo) {
            m_dKeyIntervalAvg = k.avg;
            m_dKeyIntervalMax = k.max;
            m_dKeyIntervalMin = k.min;
        }
        if (hasIndex && videoCount <= 2) m_dKeyIntervalStdDev = k.stdDev;
    }
    if (hasIndex && m_indexValid)
        m_nIndexStatus = INDEX_VALID;
    else if (hasIndex || !m_index.empty())
        m_nIndexStatus = INDEX_INVALID;
    else
        m_nIndexStatus = INDEX_MISSING;
    m_llFrameCount = (m_status != STATUS_AVI_HEADER && hasVideo) ? m_avih.dwTotalFrames : 0;
    m_llKeyFrameCount = (hasIndex && hasVideo) ? static_cast<int64_t>(m_keyTimes.size()) : 0;

    BITMAPINFOHEADER& bmi = m_vih.bmiHeader;
    bmi.biSize = 40;
    bmi.biWidth = static_cast<LONG>(m_avih.dwWidth);
    bmi.biHeight = static_cast<LONG>(m_avih.dwHeight);
    bmi.biPlanes = 1;
    bmi.biBitCount = 1;
    bmi.biCompression = firstVideo >= 0 ? LoadLE32(m_streams[firstVideo].strf + 16) : 0;
    bmi.biSizeImage = m_avih.dwWidth * m_avih.dwHeight * 4;
    m_vih.AvgTimePerFrame =
        (m_status != STATUS_AVI_HEADER && hasVideo && m_avih.dwTotalFrames != 0)
            ? TruncToInt64OrZero(std::floor(static_cast<long double>(duration) / m_avih.dwTotalFrames + 0.5L))
            : 0;
    m_vih.dwBitRate = VideoBitRate(duration);
}
