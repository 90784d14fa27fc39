#include "AviFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/win32/FourCC.h"
#include "reader/ByteOrder.h"
#include "reader/NumberChecks.h"

namespace {

constexpr DWORD kInfoIds[] = {
    FourCC("IARL"), FourCC("IART"), FourCC("ICMS"), FourCC("ICMT"), FourCC("ICOP"), FourCC("ICRD"),
    FourCC("ICRP"), FourCC("IDIM"), FourCC("IDPI"), FourCC("IENG"), FourCC("IGNR"), FourCC("IKEY"),
    FourCC("ILGT"), FourCC("IMED"), FourCC("INAM"), FourCC("IPLT"), FourCC("IPRD"), FourCC("ISBJ"),
    FourCC("ISFT"), FourCC("ISHP"), FourCC("ISRC"), FourCC("ISRF"), FourCC("ITCH"),
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

// The idx1 index is read in blocks of this many bytes (whole entries).
constexpr size_t kIndexBlockBytes = 64 * 1024;
// OpenDML index chunks: the header after the chunk's id and size (entry
// size in 32-bit words, sub-type, type, entry count, chunk id, and 12 bytes
// of base offset or reserved words).
constexpr size_t kOpenDmlIndexHeaderBytes = 24;
constexpr BYTE kIndexOfIndexes = 0x00;
constexpr BYTE kIndexOfChunks = 0x01;
// A super index names one standard index per RIFF form; more than this many
// are not followed.
constexpr size_t kMaxSuperIndexEntries = 65536;
// In a standard index entry, the size's top bit marks a frame that is not a
// key frame.
constexpr uint32_t kNotKeyFrame = 0x80000000u;

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

bool AviFile::IsVideo(int stream) const { return LoadLE32(m_streams[stream].strh + kStrhType) == FourCC("vids"); }

bool AviFile::IsAudio(int stream) const { return LoadLE32(m_streams[stream].strh + kStrhType) == FourCC("auds"); }

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
        if (id == FourCC("LIST")) {
            BYTE type[4];
            if (!m_file.ReadExact(type, 4)) {
                m_status = STATUS_DAMAGED;
                break;
            }
            DWORD listType = LoadLE32(type);
            // The list size counts its 4-byte type; a smaller one is broken.
            uint64_t body = size >= 4 ? size - 4 : 0;
            if (listType == FourCC("hdrl")) {
                if (size < 4 || !ReadHeaderList(body)) {
                    m_status = STATUS_AVI_HEADER;
                    break;
                }
            } else if (listType == FourCC("movi")) {
                m_dataSize = static_cast<uint64_t>(size) + 8;
                m_moviSeen = true;
                if (size < 4 || !Move(body)) {
                    m_status = STATUS_AVI_MOVI;
                    break;
                }
            } else if (listType == FourCC("INFO")) {
                if (size < 4 || !ReadInfoList(body)) {
                    m_status = STATUS_AVI_INFO;
                    break;
                }
            } else if (size < 4 || !Move(body)) {
                m_status = STATUS_AVI_UNEXPECTED;
                break;
            }
        } else if (id == FourCC("idx1")) {
            // A bad index is noted and the walk goes on.
            m_indexValid = ReadIndex(size);
            if (!m_indexValid) m_status = STATUS_AVI_INDEX;
        } else if (!Move(size)) {  // top-level chunks are not padded
            m_status = STATUS_AVI_UNEXPECTED;
            break;
        }
    }
    if (m_status == STATUS_OK && !m_moviSeen) m_status = STATUS_AVI_MOVI;
    if (m_file.GetPosition() == end) WalkExtendedForms();
    // The OpenDML indexes of the first video stream cover every RIFF form.
    for (int i = 0; i < m_streamCount; ++i)
        if (IsVideo(i)) {
            if (!m_streams[i].superIndex.empty()) {
                m_openDmlIndex = true;
                m_openDmlIndexValid = ReadOpenDmlIndex(m_streams[i]);
                if (!m_openDmlIndexValid && m_status == STATUS_OK) m_status = STATUS_AVI_INDEX;
            }
            break;
        }
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
        if (id == FourCC("avih")) {
            if (!ReadIntoSlot(&m_avih, sizeof m_avih, chunk)) return false;
        } else if (id == FourCC("LIST")) {
            if (chunk < 4 || !m_file.ReadExact(b, 4)) return false;
            if (LoadLE32(b) == FourCC("strl")) {
                if (!ReadStreamList(chunk - 4)) return false;
            } else if (LoadLE32(b) == FourCC("odml")) {
                if (!ReadOpenDmlList(chunk - 4)) return false;
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
        if (id == FourCC("strh")) {
            if (m_streamCount >= kMaxStreams) break;
            if (!ReadIntoSlot(m_streams[m_streamCount].strh, kHeaderSlotBytes, chunk)) break;
            haveStrh = true;
        } else if (id == FourCC("strf")) {
            if (m_streamCount >= kMaxStreams || chunk > kFormatSlotBytes) break;
            if (!m_file.ReadExact(m_streams[m_streamCount].strf, static_cast<size_t>(chunk))) break;
            haveStrf = true;
        } else if (id == FourCC("indx") && m_streamCount < kMaxStreams) {
            if (!ReadSuperIndex(chunk, m_streams[m_streamCount])) break;
        } else if (!Move(chunk)) {
            break;
        }
        ok = true;
    }
    if (haveStrh && haveStrf) ++m_streamCount;
    return ok && haveStrh && haveStrf;
}

bool AviFile::ReadOpenDmlList(uint64_t size)
{
    // The OpenDML header: its dmlh chunk starts with the total frame count
    // of every RIFF form. Anything else in the list is passed over.
    const uint64_t end = m_file.GetPosition() + size;
    while (m_file.GetPosition() < end && end - m_file.GetPosition() >= 8) {
        DWORD id = 0, raw = 0;
        if (!ReadChunkHeader(id, raw)) return false;
        const uint64_t chunkEnd = m_file.GetPosition() + RoundUpEven(raw);
        if (id == FourCC("dmlh") && raw >= 4 && chunkEnd <= end) {
            BYTE b[4];
            if (!m_file.ReadExact(b, 4)) return false;
            m_totalFrames = LoadLE32(b);
            m_haveTotalFrames = true;
        }
        if (chunkEnd > end) break;
        if (!m_file.SeekTo(chunkEnd)) return false;
    }
    return m_file.SeekTo(end);
}

bool AviFile::ReadSuperIndex(uint64_t size, StreamSlot& slot)
{
    const uint64_t end = m_file.GetPosition() + size;
    BYTE h[kOpenDmlIndexHeaderBytes];
    if (size < sizeof h) return Move(size);
    if (!m_file.ReadExact(h, sizeof h)) return false;
    const uint16_t longsPerEntry = LoadLE16(h);
    const BYTE type = h[3];
    // Only an index of indexes (four words an entry) is followed; a
    // standard index in the header is passed over like any other chunk.
    if (type == kIndexOfIndexes && longsPerEntry == 4) {
        const uint64_t room = (size - sizeof h) / 16;
        const uint64_t count = std::min<uint64_t>({LoadLE32(h + 4), room, kMaxSuperIndexEntries});
        std::vector<BYTE> raw;
        if (!m_file.ReadBlock(raw, count * 16)) return false;
        slot.superIndex.clear();
        for (uint64_t i = 0; i < count; ++i) {
            const BYTE* e = raw.data() + i * 16;
            if (LoadLE64(e) != 0) slot.superIndex.push_back({LoadLE64(e), LoadLE32(e + 8), LoadLE32(e + 12)});
        }
    }
    return m_file.SeekTo(end);
}

void AviFile::WalkExtendedForms()
{
    // Each further form is RIFF "AVIX" holding a movie list of its own; the
    // walk stops quietly at anything else, as a file may hold other data
    // after its AVI forms.
    for (;;) {
        BYTE head[12];
        const uint64_t start = m_file.GetPosition();
        if (m_file.BytesLeft() < sizeof head || !m_file.ReadExact(head, sizeof head)) return;
        if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "AVIX", 4) != 0) return;
        const uint64_t end = start + 8 + RoundUpEven(LoadLE32(head + 4));
        while (m_file.GetPosition() + 12 <= end) {
            DWORD id = 0, size = 0;
            BYTE type[4];
            // A chunk too small to hold a list type is not an AVI chunk.
            if (!ReadChunkHeader(id, size) || size < 4) return;
            const uint64_t chunkEnd = m_file.GetPosition() + size;
            if (id == FourCC("LIST") && size >= 4 && m_file.ReadExact(type, 4) && LoadLE32(type) == FourCC("movi"))
                m_dataSize += static_cast<uint64_t>(size) + 8;
            if (!m_file.SeekTo(chunkEnd)) return;
        }
        if (!m_file.SeekTo(end)) return;
    }
}

void AviFile::AddVideoFrame(bool key, uint64_t& frame)
{
    if (key) m_keyFrames.Add(static_cast<double>(static_cast<uint64_t>(m_avih.dwMicroSecPerFrame) * frame) * 0.000001);
    ++frame;
}

bool AviFile::ReadOpenDmlIndex(const StreamSlot& video)
{
    m_keyFrames.Reset();
    m_openDmlVideoBytes = 0;
    uint64_t frame = 0;
    bool ok = true;
    for (const SuperIndexEntry& e : video.superIndex)
        if (!ReadStandardIndex(e, frame)) ok = false;
    return ok && !m_keyFrames.Decreased();
}

bool AviFile::ReadStandardIndex(const SuperIndexEntry& where, uint64_t& frame)
{
    DWORD id = 0, size = 0;
    BYTE h[kOpenDmlIndexHeaderBytes];
    if (!m_file.SeekTo(where.offset) || !ReadChunkHeader(id, size) || size < sizeof h || !m_file.ReadExact(h, sizeof h))
        return false;
    const uint16_t longsPerEntry = LoadLE16(h);
    const uint64_t count = LoadLE32(h + 4);
    const uint64_t entryBytes = 4ull * longsPerEntry;
    // Offset and size, and for a field index one more word per entry.
    if (h[3] != kIndexOfChunks || (longsPerEntry != 2 && longsPerEntry != 3) || count > (size - sizeof h) / entryBytes)
        return false;
    std::vector<BYTE> block(kIndexBlockBytes / entryBytes * entryBytes);
    for (uint64_t left = count; left > 0;) {
        const uint64_t n = std::min<uint64_t>(left, block.size() / entryBytes);
        if (!m_file.ReadExact(block.data(), static_cast<size_t>(n * entryBytes))) return false;
        for (uint64_t i = 0; i < n; ++i) {
            const uint32_t chunkSize = LoadLE32(block.data() + i * entryBytes + 4);
            m_openDmlVideoBytes += chunkSize & ~kNotKeyFrame;
            AddVideoFrame((chunkSize & kNotKeyFrame) == 0, frame);
        }
        left -= n;
    }
    return true;
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
    m_indexEntries = 0;
    m_indexVideoBytes = 0;
    m_keyFrames.Reset();
    // In blocks of whole entries, so that an index of any size takes the
    // same memory; a block cut short by the end of the file ends it.
    std::vector<BYTE> block(static_cast<size_t>(std::min<uint64_t>(size, kIndexBlockBytes)));
    uint64_t frame = 0, done = 0;
    while (done < size) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(size - done, block.size()));
        size_t got = 0;
        if (!m_file.Read(block.data(), want, &got)) {
            m_indexEntries = 0;
            m_indexVideoBytes = 0;
            m_keyFrames.Reset();
            m_file.SeekTo(start + size);
            return false;
        }
        for (size_t i = 0; i + sizeof(IndexEntry) <= got; i += sizeof(IndexEntry)) {
            const BYTE* e = block.data() + i;
            ++m_indexEntries;
            if (!IsVideoChunkId(LoadLE32(e))) continue;
            m_indexVideoBytes += LoadLE32(e + 12);
            AddVideoFrame((LoadLE32(e + 4) & AVIIF_KEYFRAME) != 0, frame);
        }
        done += got;
        if (got < want) break;
    }
    const int64_t headerAt = static_cast<int64_t>(start) - 8;
    if (AviIndexChunkWhole(headerAt, size, static_cast<int64_t>(m_file.GetSize()))) return !m_keyFrames.Decreased();
    // Cut short by the end of the file: keep what was read, and stand where
    // the chunk would end.
    m_file.Skip(size - done);
    return false;
}

uint32_t AviFile::VideoBitRate(int64_t duration) const
{
    if (duration == 0) return 0;
    // The frames' bytes from the index over the whole duration; only the
    // OpenDML indexes hold the frames of every RIFF form.
    auto fromIndex = [duration](uint64_t bytes) {
        long double perSecond = static_cast<long double>(bytes) * 10000000.0L / duration + 0.5L;
        return TruncToUInt32OrZero(std::floor(perSecond * 8));
    };
    if (m_openDmlIndex && m_openDmlIndexValid) return fromIndex(m_openDmlVideoBytes);
    if ((m_avih.dwFlags & AVIF_HASINDEX) && m_indexEntries != 0) return fromIndex(m_indexVideoBytes);
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
    m_llBitRate =
        duration
            ? TruncToInt64OrZero(std::floor(static_cast<long double>(m_llFileSize) * 80000000.0L / duration + 0.5L))
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

    // The OpenDML indexes count as the file's index when the first video
    // stream has them.
    const bool hasIndex = (m_avih.dwFlags & AVIF_HASINDEX) != 0 || m_openDmlIndex;
    const bool indexValid = m_openDmlIndex ? m_openDmlIndexValid : m_indexValid;
    KeyFrameIntervals k = m_keyFrames.Result();
    if (m_keyFrames.Count() >= 2) {
        if (hasIndex && hasVideo) {
            m_dKeyIntervalAvg = k.avg;
            m_dKeyIntervalMax = k.max;
            m_dKeyIntervalMin = k.min;
        }
        if (hasIndex && videoCount <= 2) m_dKeyIntervalStdDev = k.stdDev;
    }
    if (hasIndex && indexValid)
        m_nIndexStatus = INDEX_VALID;
    else if (hasIndex || m_indexEntries != 0)
        m_nIndexStatus = INDEX_INVALID;
    else
        m_nIndexStatus = INDEX_MISSING;
    // The OpenDML header counts the frames of every RIFF form; the main
    // header only those of the first.
    const uint64_t totalFrames = m_haveTotalFrames && m_totalFrames != 0 ? m_totalFrames : m_avih.dwTotalFrames;
    m_llFrameCount = (m_status != STATUS_AVI_HEADER && hasVideo) ? static_cast<int64_t>(totalFrames) : 0;
    m_llKeyFrameCount = (hasIndex && hasVideo) ? static_cast<int64_t>(m_keyFrames.Count()) : 0;

    BITMAPINFOHEADER& bmi = m_vih.bmiHeader;
    bmi.biSize = 40;
    bmi.biWidth = static_cast<LONG>(m_avih.dwWidth);
    bmi.biHeight = static_cast<LONG>(m_avih.dwHeight);
    bmi.biPlanes = 1;
    bmi.biBitCount = 1;
    bmi.biCompression = firstVideo >= 0 ? LoadLE32(m_streams[firstVideo].strf + 16) : 0;
    bmi.biSizeImage = m_avih.dwWidth * m_avih.dwHeight * 4;
    m_vih.AvgTimePerFrame =
        (m_status != STATUS_AVI_HEADER && hasVideo && totalFrames != 0)
            ? TruncToInt64OrZero(std::floor(static_cast<long double>(duration) / totalFrames + 0.5L))
            : 0;
    m_vih.dwBitRate = VideoBitRate(duration);
}
