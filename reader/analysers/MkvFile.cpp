#include "MkvFile.h"

#include <ebml/EbmlCrc32.h>
#include <ebml/EbmlHead.h>
#include <ebml/EbmlStream.h>
#include <ebml/EbmlSubHead.h>
#include <ebml/EbmlUnicodeString.h>
#include <matroska/KaxCluster.h>
#include <matroska/KaxCues.h>
#include <matroska/KaxCuesData.h>
#include <matroska/KaxInfo.h>
#include <matroska/KaxInfoData.h>
#include <matroska/KaxSeekHead.h>
#include <matroska/KaxSegment.h>
#include <matroska/KaxSemantic.h>
#include <matroska/KaxTrackAudio.h>
#include <matroska/KaxTrackEntryData.h>
#include <matroska/KaxTrackVideo.h>
#include <matroska/KaxTracks.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#include "MkvFileStream.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/FourCC.h"
#include "reader/NumberChecks.h"

using namespace libebml;
using namespace libmatroska;

namespace {

constexpr uint64_t kUnbounded = std::numeric_limits<uint64_t>::max();
// Matroska masters nest a handful of levels; deeper nesting is not a file.
constexpr int kMaxDepth = 16;

struct VideoCodec {
    const char* id;
    DWORD fourcc;
};
constexpr VideoCodec kVideoCodecs[] = {
    {"V_MPEG4/ISO/SP", FourCC("MP4V")},  {"V_MPEG4/ISO/ASP", FourCC("MP4V")},
    {"V_MPEG4/ISO/AP", FourCC("MP4V")},  {"V_MPEG4/MS/V3", FourCC("MP43")},
    {"V_REAL/RV10", FourCC("RV10")},     {"V_REAL/RV20", FourCC("RV20")},
    {"V_REAL/RV30", FourCC("RV30")},     {"V_REAL/RV40", FourCC("RV40")},
    {"V_QUICKTIME", FourCC("AZPR")},     {"V_MPEG1", FourCC("MPG1")},
    {"V_MPEG2", FourCC("MPG2")},         {"V_THEORA", FourCC("THEO")},
    {"V_MPEG4/ISO/AVC", FourCC("AVC1")}, {"V_MPEGH/ISO/HEVC", FourCC("HEVC")},
    {"V_VP8", FourCC("VP80")},           {"V_VP9", FourCC("VP90")},
    {"V_AV1", FourCC("AV01")},           {"V_MJPEG", FourCC("MJPG")},
};

struct AudioCodec {
    const char* id;
    WORD tag;
};
// RealAudio codecs take the table's 0xA3xx tags and the other codecs without
// a registered tag its 0xA4xx tags, so that the report can name them.
constexpr AudioCodec kAudioCodecs[] = {
    {"A_MPEG/L2", 0x0050},
    {"A_MPEG/L1", 0x0050},
    {"A_PCM/INT/BIG", 0x0001},
    {"A_PCM/INT/LIT", 0x0001},
    {"A_PCM/FLOAT/IEEE", 0x0001},
    {"A_AAC/MPEG2/MAIN", 0x00FF},
    {"A_AAC/MPEG2/LC", 0x00FF},
    {"A_AAC/MPEG2/LC/SBR", 0x00FF},
    {"A_AAC/MPEG2/SSR", 0x00FF},
    {"A_AAC/MPEG4/MAIN", 0x00FF},
    {"A_AAC/MPEG4/LC", 0x00FF},
    {"A_AAC/MPEG4/LC/SBR", 0x00FF},
    {"A_AAC/MPEG4/SSR", 0x00FF},
    {"A_AAC/MPEG4/LTP", 0x00FF},
    {"A_MPEG/L3", 0x0055},
    {"A_AC3", 0x2000},
    {"A_AC3/BSID9", 0x2000},
    {"A_AC3/BSID10", 0x2000},
    {"A_DTS", 0x2001},
    {"A_VORBIS", 0x674F},
    {"A_REAL/14_4", 0xA300},
    {"A_REAL/28_8", 0xA301},
    {"A_REAL/SIPR", 0xA303},
    {"A_REAL/COOK", 0xA304},
    {"A_REAL/ATRC", 0xA305},
    {"A_REAL/RALF", 0xA306},
    {"A_MPC", 0xA400},
    {"A_FLAC", 0xA401},
    {"A_QUICKTIME/QDMC", 0xA402},
    {"A_QUICKTIME/QDM2", 0xA403},
    {"A_TTA1", 0xA404},
    {"A_WAVPACK4", 0xA405},
    {"A_AAC", 0x00FF},
    {"A_OPUS", 0x704F},
};

template <class T>
bool Is(const EbmlElement& e)
{
    return EbmlId(e) == EBML_ID(T);
}

// The values this analyser uses, and the masters that lead to them; every
// other element is passed over unread.
bool Wanted(const EbmlElement& e)
{
    if (e.IsMaster())
        return Is<KaxTrackEntry>(e) || Is<KaxTrackVideo>(e) || Is<KaxTrackAudio>(e) || Is<KaxSeek>(e) ||
               Is<KaxCuePoint>(e) || Is<KaxCueTrackPositions>(e);
    return Is<EbmlCrc32>(e) || Is<EDocType>(e) || Is<KaxTimecodeScale>(e) || Is<KaxDuration>(e) ||
           Is<KaxWritingApp>(e) || Is<KaxTrackNumber>(e) || Is<KaxTrackType>(e) || Is<KaxTrackDefaultDuration>(e) ||
           Is<KaxCodecID>(e) || Is<KaxCodecPrivate>(e) || Is<KaxVideoPixelWidth>(e) || Is<KaxVideoPixelHeight>(e) ||
           Is<KaxVideoColourSpace>(e) || Is<KaxAudioSamplingFreq>(e) || Is<KaxAudioChannels>(e) ||
           Is<KaxAudioBitDepth>(e) || Is<KaxSeekID>(e) || Is<KaxSeekPosition>(e) || Is<KaxCueTime>(e) ||
           Is<KaxCueTrack>(e) || Is<KaxCueClusterPosition>(e);
}

uint64_t UInt(const EbmlElement& e) { return static_cast<const EbmlUInteger&>(e).GetValue(); }

// A float from the file as a whole number, 0 when it is none.
uint64_t Whole(double v)
{
    return std::isfinite(v) && v >= 0 && v < 18446744073709551616.0 ? static_cast<uint64_t>(v) : 0;
}

// The first count bytes of a binary element, zero-filled when it is shorter.
void CopyPrefix(const EbmlElement& e, void* out, size_t count)
{
    const auto& b = static_cast<const EbmlBinary&>(e);
    std::memset(out, 0, count);
    if (b.GetBuffer() != nullptr) std::memcpy(out, b.GetBuffer(), std::min<size_t>(count, b.GetSize()));
}

}  // namespace

DWORD MkvFile::VideoFourCC(const std::string& codecId)
{
    for (const VideoCodec& c : kVideoCodecs)
        if (codecId == c.id) return c.fourcc;
    return 0;
}

WORD MkvFile::AudioTag(const std::string& codecId)
{
    for (const AudioCodec& c : kAudioCodecs)
        if (codecId == c.id) return c.tag;
    return 0;
}

// One pass over the file with the libraries. Every element read lies wholly
// inside its parent and inside the file; a failure throws.
class MkvFile::Reader {
public:
    Reader(MkvFile& owner, CheckedFile& file) : m_owner(owner), m_io(file), m_stream(m_io) {}

    void Run();

private:
    // Reads the children of master, whose data runs from start to end:
    // leaves get their values, masters their children. Children of unknown
    // size or not wholly inside are not read; a CRC-32 child is kept aside.
    void ReadChildren(EbmlMaster& master, uint64_t start, uint64_t end, int depth, uint32_t* crc = nullptr,
                      uint64_t* crcEnd = nullptr);
    // Reads a text element's bytes as UTF-8; bytes that are not UTF-8 become
    // U+FFFD instead of ending the analysis.
    void ReadText(EbmlUnicodeString& text, uint64_t size);
    // Reads a whole level-1 element found at the current position.
    void ReadWhole(EbmlElement& e, uint32_t* crc = nullptr, uint64_t* crcEnd = nullptr);
    void ReadSeekHead(KaxSeekHead& head);
    void ReadInfo(KaxInfo& info);
    void ReadTracks(KaxTracks& tracks);
    void ReadTrackEntry(KaxTrackEntry& entry);
    void ReadCues(KaxCues& cues);
    uint64_t DataStart(const EbmlElement& e) const { return e.GetElementPosition() + e.HeadSize(); }

    MkvFile& m_owner;
    MkvFileStream m_io;
    EbmlStream m_stream;
    KaxSegment* m_segment = nullptr;
};

void MkvFile::Reader::ReadChildren(EbmlMaster& master, uint64_t start, uint64_t end, int depth, uint32_t* crc,
                                   uint64_t* crcEnd)
{
    if (depth > kMaxDepth) throw std::runtime_error("nested too deep");
    // A new master holds defaults for its mandatory children; only what the
    // file says is kept.
    for (EbmlElement* e : master.GetElementList()) delete e;
    master.GetElementList().clear();
    m_io.setFilePointer(static_cast<int64_t>(start));
    for (;;) {
        const uint64_t pos = m_io.getFilePointer();
        if (pos >= end) break;
        int upper = 0;
        std::unique_ptr<EbmlElement> child(m_stream.FindNextElement(EBML_CONTEXT(&master), upper, end - pos, true));
        if (!child) break;
        // An element of an upper level, or one whose end is not known: this
        // master ends here.
        if (upper > 0 || !child->IsFiniteSize()) break;
        const uint64_t childStart = m_io.getFilePointer();
        const uint64_t childEnd = childStart + child->GetSize();
        if (childEnd > end || childEnd > m_io.Size()) break;
        if (!child->IsDummy() && Wanted(*child)) {
            if (child->IsMaster())
                ReadChildren(static_cast<EbmlMaster&>(*child), childStart, childEnd, depth + 1);
            else if (auto* text = dynamic_cast<EbmlUnicodeString*>(child.get()))
                ReadText(*text, childEnd - childStart);
            else
                child->ReadData(m_io, SCOPE_ALL_DATA);
            if (Is<EbmlCrc32>(*child)) {
                if (crc && crcEnd && *crcEnd == 0) {
                    *crc = static_cast<EbmlCrc32&>(*child).GetCrc32();
                    *crcEnd = childEnd;
                }
            } else {
                master.PushElement(*child.release());
            }
        }
        m_io.setFilePointer(static_cast<int64_t>(childEnd));
    }
}

void MkvFile::Reader::ReadText(EbmlUnicodeString& text, uint64_t size)
{
    std::string bytes(static_cast<size_t>(size), '\0');
    if (m_io.read(bytes.data(), bytes.size()) != bytes.size())
        throw std::runtime_error("text past the end of the file");
    text.SetValue(UTFstring(Utf8ToWide(std::string_view(bytes.c_str()))));
}

void MkvFile::Reader::ReadWhole(EbmlElement& e, uint32_t* crc, uint64_t* crcEnd)
{
    const uint64_t start = DataStart(e);
    const uint64_t end = start + e.GetSize();
    // What the file does not hold cannot be read.
    if (!e.IsFiniteSize() || end > m_io.Size()) throw std::runtime_error("element past the end of the file");
    ReadChildren(static_cast<EbmlMaster&>(e), start, end, 1, crc, crcEnd);
}

void MkvFile::Reader::Run()
{
    m_io.setFilePointer(0);
    // The EBML header: its children are read (the document type is not
    // looked at) and it is passed over.
    std::unique_ptr<EbmlElement> head(m_stream.FindNextID(EBML_INFO(EbmlHead), kUnbounded));
    if (head && Is<EbmlHead>(*head) && head->IsFiniteSize() && DataStart(*head) + head->GetSize() <= m_io.Size()) {
        ReadWhole(*head);
        m_io.setFilePointer(static_cast<int64_t>(DataStart(*head) + head->GetSize()));
    } else {
        // No header: the segment is looked for from the start.
        m_io.setFilePointer(head ? static_cast<int64_t>(head->GetElementPosition()) : 0);
    }
    head.reset();

    // The segment: other top-level elements before it are passed over.
    std::unique_ptr<EbmlElement> found;
    for (;;) {
        found.reset(m_stream.FindNextID(EBML_INFO(KaxSegment), kUnbounded));
        if (!found) throw std::runtime_error("no segment");
        if (Is<KaxSegment>(*found)) break;
        if (!found->IsFiniteSize()) throw std::runtime_error("no segment");
        m_io.setFilePointer(static_cast<int64_t>(DataStart(*found) + found->GetSize()));
    }
    auto* segment = static_cast<KaxSegment*>(found.get());
    m_segment = segment;
    const uint64_t segmentStart = DataStart(*segment);
    const uint64_t segmentEnd = segment->IsFiniteSize() ? segmentStart + segment->GetSize() : kUnbounded;
    m_io.setFilePointer(static_cast<int64_t>(segmentStart));

    for (;;) {
        const uint64_t pos = m_io.getFilePointer();
        if (pos >= segmentEnd || pos >= m_io.Size()) break;
        int upper = 0;
        std::unique_ptr<EbmlElement> e(m_stream.FindNextElement(EBML_CONTEXT(segment), upper, kUnbounded, true));
        if (!e || upper > 0) break;
        if (Is<KaxCluster>(*e)) break;
        if (!e->IsFiniteSize()) break;
        const uint64_t end = DataStart(*e) + e->GetSize();
        if (!e->IsDummy()) {
            if (Is<KaxSeekHead>(*e))
                ReadSeekHead(static_cast<KaxSeekHead&>(*e));
            else if (Is<KaxInfo>(*e))
                ReadInfo(static_cast<KaxInfo&>(*e));
            else if (Is<KaxTracks>(*e))
                ReadTracks(static_cast<KaxTracks&>(*e));
            else if (Is<KaxCues>(*e))
                ReadCues(static_cast<KaxCues&>(*e));
        }
        // Attachments, chapters and everything else are passed over.
        m_io.setFilePointer(static_cast<int64_t>(end));
    }
    m_segment = nullptr;
}

void MkvFile::Reader::ReadSeekHead(KaxSeekHead& head)
{
    uint32_t crc = 0;
    uint64_t crcEnd = 0;
    ReadWhole(head, &crc, &crcEnd);
    const uint64_t end = DataStart(head) + head.GetSize();
    if (crcEnd != 0) {
        // The checksum covers what follows it in the seek head, taken in
        // pieces so that a large seek head needs no large buffer.
        EbmlCrc32 check;
        std::vector<binary> piece(64 * 1024);
        m_io.setFilePointer(static_cast<int64_t>(crcEnd));
        for (uint64_t left = end - crcEnd; left > 0;) {
            const uint32 n = static_cast<uint32>(std::min<uint64_t>(left, piece.size()));
            if (m_io.read(piece.data(), n) != n) return;
            check.Update(piece.data(), n);
            left -= n;
        }
        check.Finalize();
        if (check.GetCrc32() != crc) return;
    }
    KaxSeek* entry = head.FindFirstOf(EBML_INFO(KaxCues));
    if (!entry) return;
    const uint64_t target = m_segment->GetGlobalPosition(static_cast<uint64_t>(entry->Location()));
    const uint64_t back = m_io.getFilePointer();
    m_io.setFilePointer(static_cast<int64_t>(target));
    int upper = 0;
    std::unique_ptr<EbmlElement> e(m_stream.FindNextElement(EBML_CONTEXT(m_segment), upper, kUnbounded, true));
    if (e && upper <= 0 && Is<KaxCues>(*e) && e->IsFiniteSize()) ReadCues(static_cast<KaxCues&>(*e));
    m_io.setFilePointer(static_cast<int64_t>(back));
}

void MkvFile::Reader::ReadInfo(KaxInfo& info)
{
    ReadWhole(info);
    for (EbmlElement* e : info.GetElementList()) {
        if (Is<KaxTimecodeScale>(*e))
            m_owner.m_timecodeScale = UInt(*e);
        else if (Is<KaxDuration>(*e))
            m_owner.m_rawDuration = Whole(static_cast<const EbmlFloat&>(*e).GetValue());
        else if (Is<KaxWritingApp>(*e) && !m_owner.m_writingApp)
            m_owner.m_writingApp = static_cast<const EbmlUnicodeString&>(*e).GetValue().c_str();
    }
}

void MkvFile::Reader::ReadTracks(KaxTracks& tracks)
{
    ReadWhole(tracks);
    for (EbmlElement* e : tracks.GetElementList())
        if (Is<KaxTrackEntry>(*e)) ReadTrackEntry(static_cast<KaxTrackEntry&>(*e));
}

void MkvFile::Reader::ReadTrackEntry(KaxTrackEntry& entry)
{
    MkvFile& o = m_owner;
    uint64_t kind = 0, width = 0, height = 0, channels = 0, bitDepth = 0, defaultDuration = 0, rate = 0;
    DWORD colourSpace = 0;
    std::string codecId;
    bool haveBitmap = false, haveWave = false;
    BITMAPINFOHEADER bitmap{};
    WAVEFORMATEX wave{};
    for (EbmlElement* e : entry.GetElementList()) {
        if (Is<KaxTrackNumber>(*e)) {
            if (o.m_referenceTrack < 0) o.m_referenceTrack = static_cast<uint16_t>(UInt(*e));
        } else if (Is<KaxTrackType>(*e)) {
            kind = UInt(*e);
        } else if (Is<KaxTrackDefaultDuration>(*e)) {
            defaultDuration = UInt(*e);
        } else if (Is<KaxCodecID>(*e)) {
            codecId = static_cast<const EbmlString&>(*e).GetValue().substr(0, 1023);
        } else if (Is<KaxCodecPrivate>(*e)) {
            // Only when the codec id came first; short data is zero-filled.
            if (codecId == "V_MS/VFW/FOURCC") {
                CopyPrefix(*e, &bitmap, sizeof bitmap);
                haveBitmap = true;
            } else if (codecId == "A_MS/ACM") {
                CopyPrefix(*e, &wave, sizeof wave);
                haveWave = true;
            }
        } else if (Is<KaxTrackVideo>(*e)) {
            for (EbmlElement* v : static_cast<EbmlMaster&>(*e).GetElementList()) {
                if (Is<KaxVideoPixelWidth>(*v))
                    width = UInt(*v);
                else if (Is<KaxVideoPixelHeight>(*v))
                    height = UInt(*v);
                else if (Is<KaxVideoColourSpace>(*v))
                    CopyPrefix(*v, &colourSpace, sizeof colourSpace);
            }
        } else if (Is<KaxTrackAudio>(*e)) {
            for (EbmlElement* a : static_cast<EbmlMaster&>(*e).GetElementList()) {
                if (Is<KaxAudioSamplingFreq>(*a))
                    rate = Whole(static_cast<const EbmlFloat&>(*a).GetValue());
                else if (Is<KaxAudioChannels>(*a))
                    channels = UInt(*a);
                else if (Is<KaxAudioBitDepth>(*a))
                    bitDepth = UInt(*a);
            }
        }
    }

    if (kind == 1) {
        // The default duration is in nanoseconds whatever the timecode scale.
        o.m_vih.AvgTimePerFrame = static_cast<int64_t>(defaultDuration / 100);
        if (haveBitmap) {
            o.m_vih.bmiHeader = bitmap;
        } else {
            DWORD fourcc = VideoFourCC(codecId);
            if (codecId == "V_UNCOMPRESSED") fourcc = colourSpace;
            if (fourcc == 0) std::memcpy(&fourcc, codecId.c_str(), std::min<size_t>(4, codecId.size()));
            BITMAPINFOHEADER& b = o.m_vih.bmiHeader;
            b = BITMAPINFOHEADER{};
            b.biSize = 40;
            b.biWidth = static_cast<LONG>(static_cast<uint32_t>(width));
            b.biHeight = static_cast<LONG>(static_cast<uint32_t>(height));
            b.biPlanes = 1;
            b.biBitCount = 1;
            b.biCompression = fourcc;
            b.biSizeImage = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 4;
        }
        ++o.m_videoCount;
    } else if (kind == 2) {
        if (o.m_audioCount < kMaxAudioFormats) {
            WAVEFORMATEX& w = o.m_wfxAudio[o.m_audioCount];
            if (haveWave) {
                w = wave;
            } else {
                w = WAVEFORMATEX{};
                w.cbSize = 18;
                w.nChannels = static_cast<WORD>(channels);
                w.nSamplesPerSec = static_cast<DWORD>(rate);
                w.wBitsPerSample = static_cast<WORD>(bitDepth);
                w.wFormatTag = AudioTag(codecId);
            }
        }
        ++o.m_audioCount;
    }
}

void MkvFile::Reader::ReadCues(KaxCues& cues)
{
    cues.SetGlobalTimecodeScale(m_owner.m_timecodeScale);
    ReadWhole(cues);
    std::vector<CueRecord>& records = m_owner.m_cues;
    records.assign(cues.ListSize(), CueRecord{});
    size_t i = 0;
    for (EbmlElement* e : cues.GetElementList()) {
        CueRecord& r = records[i++];
        if (!Is<KaxCuePoint>(*e)) continue;
        for (EbmlElement* c : static_cast<EbmlMaster&>(*e).GetElementList()) {
            if (Is<KaxCueTime>(*c)) {
                r.time = UInt(*c);
            } else if (Is<KaxCueTrackPositions>(*c)) {
                for (EbmlElement* p : static_cast<EbmlMaster&>(*c).GetElementList()) {
                    if (Is<KaxCueTrack>(*p))
                        r.track = static_cast<uint16_t>(UInt(*p));
                    else if (Is<KaxCueClusterPosition>(*p))
                        r.clusterPosition = UInt(*p);
                }
            }
        }
    }
    std::stable_sort(records.begin(), records.end(), [](const CueRecord& a, const CueRecord& b) {
        return a.track != b.track ? a.track < b.track : a.time < b.time;
    });
}

MkvFile::MkvFile() { m_nFileType = FILETYPE_MKV; }

MkvFile::~MkvFile() = default;

int MkvFile::Analyse(const wchar_t* path)
{
    SetFilePath(path);
    m_nStatus = STATUS_NOT_ANALYSED;
    CheckedFile file;
    if (!file.Open(path)) return 0;
    m_fileSize = file.GetSize();
    try {
        Reader reader(*this, file);
        reader.Run();
    } catch (...) {
        // Whatever the libraries or the file throw ends the analysis; the
        // record keeps what was read.
        m_nStatus = STATUS_NOT_ANALYSED;
        m_llFileSize = static_cast<int64_t>(m_fileSize);
        return 0;
    }
    ComputeResults();
    m_nStatus = STATUS_OK;
    return 1;
}

void MkvFile::ComputeResults()
{
    m_llFileSize = static_cast<int64_t>(m_fileSize);
    m_llDuration = MulDivInt64OrZero(m_rawDuration, m_timecodeScale, 100);
    m_llBitRate = MulDivInt64OrZero(m_fileSize, 80000000, static_cast<uint64_t>(m_llDuration));
    m_llFrameCount = m_vih.AvgTimePerFrame > 0 ? m_llDuration / m_vih.AvgTimePerFrame : 0;
    m_nVideoCount = m_videoCount;
    m_nAudioCount = std::min(m_audioCount, kMaxAudioFormats);

    // Key frames: the cue points of the reference track.
    const uint16_t reference = static_cast<uint16_t>(m_referenceTrack);
    size_t first = m_cues.size();
    for (size_t i = 0; i < m_cues.size(); ++i)
        if (m_cues[i].track == reference) {
            first = i;
            break;
        }
    size_t n = 0;
    for (const CueRecord& r : m_cues) {
        if (r.track != reference) continue;
        ++n;
        if (r.clusterPosition == UINT64_MAX || r.time == UINT64_MAX) break;
    }
    if (n < 3 || first + n > m_cues.size()) return;
    uint64_t sum = 0, largest = 0, smallest = 0;
    for (size_t j = 0; j + 1 < n; ++j) {
        uint64_t d = m_cues[first + j + 1].time - m_cues[first + j].time;
        sum += d;
        if (j == 0 || d > largest) largest = d;
        if (j == 0 || d < smallest) smallest = d;
    }
    const uint64_t average = sum / (n - 1);
    uint64_t squares = 0;
    for (size_t j = 0; j + 1 < n; ++j) {
        uint64_t d = average - (m_cues[first + j + 1].time - m_cues[first + j].time);
        squares += d * d;  // unsigned: the square of the difference either way
    }
    const uint64_t deviation = static_cast<uint64_t>(std::sqrt(static_cast<long double>(squares / (n - 1))));
    const double toSeconds = static_cast<double>(m_timecodeScale) * 1e-9;
    m_nIndexStatus = INDEX_VALID;
    m_llKeyFrameCount = static_cast<int64_t>(n);
    m_dKeyIntervalAvg = static_cast<double>(average) * toSeconds;
    m_dKeyIntervalMax = static_cast<double>(largest) * toSeconds;
    m_dKeyIntervalMin = static_cast<double>(smallest) * toSeconds;
    m_dKeyIntervalStdDev = static_cast<double>(deviation) * toSeconds;
}
