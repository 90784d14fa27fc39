#include "Mp4File.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "reader/AacAudioConfig.h"
#include "reader/NumberChecks.h"

using namespace mp4;

namespace {

int64_t AsRecordValue(uint64_t v) { return v > static_cast<uint64_t>(INT64_MAX) ? 0 : static_cast<int64_t>(v); }

// Total bytes of a track's samples: sample_size × sample_count as a 32-bit
// product when all samples share one size, else the sum of the sizes.
uint64_t SampleBytes(const Track& t, bool sum32)
{
    if (!t.stsz) return 0;
    if (t.stsz->sampleSize != 0) return static_cast<uint32_t>(t.stsz->sampleSize * t.stsz->sampleCount);
    uint64_t sum = 0;
    for (uint32_t s : t.stsz->sizes) sum += s;
    return sum32 ? static_cast<uint32_t>(sum) : sum;
}

// (a × b) ÷ c in 128 bits, cut to its low 32 bits; 0 when c is 0.
uint32_t MulDivLow32(uint64_t a, uint64_t b, uint64_t c)
{
    if (c == 0) return 0;
    return static_cast<uint32_t>(static_cast<unsigned __int128>(a) * b / c);
}

// The object types of AAC (MPEG-4 audio and the MPEG-2 AAC profiles); 0x69
// is MPEG-2 layer 3.
bool IsAac(BYTE objectType) { return objectType == 0x40 || (objectType >= 0x66 && objectType <= 0x68); }

}  // namespace

Mp4File::Mp4File() { m_nFileType = FILETYPE_MP4; }

Mp4File::~Mp4File() = default;

const char* Mp4File::Item(mp4::Item which) const
{
    const auto& s = m_userData.items[which];
    return s ? s->c_str() : nullptr;
}

int Mp4File::Analyse(const wchar_t* path)
{
    m_status = STATUS_OK;
    if (!m_file.Open(path)) {
        m_status = STATUS_OPEN_FAILED;
    } else {
        m_fileSize = m_file.GetSize();
        m_status = WalkTopLevel();
        // A track that could not be read is the first problem met; the walk
        // went on past it for the other tracks and the media data.
        if (m_trackFailed) m_status = STATUS_MP4_HEADER;
    }
    FillRecord(path);
    m_file.Close();
    return m_status;
}

template <class Child>
bool Mp4File::WalkContainer(uint64_t end, Child&& child)
{
    BigEndianReader in(m_file);
    for (;;) {
        uint64_t pos = in.GetFilePosition();
        if (pos > end) return false;
        if (pos == end) return true;
        AtomHeader h;
        if (!ReadAtomHeader(in, h) || !child(h)) return false;
        if (in.GetFilePosition() != h.end && !in.SeekTo(h.end)) return false;
    }
}

int Mp4File::WalkTopLevel()
{
    BigEndianReader in(m_file);
    bool moovSeen = false, mdatSeen = false;
    for (;;) {
        uint64_t pos = in.GetFilePosition();
        if (pos == m_fileSize) {
            if (!moovSeen) return STATUS_MP4_NOT_MP4;
            return mdatSeen ? STATUS_OK : STATUS_MP4_DATA;
        }
        if (pos > m_fileSize) return STATUS_SIZE_MISMATCH;
        AtomHeader h;
        // The last box may run to the end of the file (size 0): recorders
        // that do not know the size of their media data in advance leave
        // it so.
        if (!ReadAtomHeader(in, h, m_fileSize)) return STATUS_SIZE_MISMATCH;
        if (h.type == FourCC("mdat")) {
            m_dataSize = h.size > std::numeric_limits<uint64_t>::max() - m_dataSize
                             ? std::numeric_limits<uint64_t>::max()
                             : m_dataSize + h.size;
            mdatSeen = true;
            if (!in.SeekTo(h.end)) return STATUS_MP4_DATA;
        } else if (h.type == FourCC("moov")) {
            moovSeen = true;
            int r = ReadMovie(h);
            if (r != STATUS_OK) return r;
        } else if (!in.SeekTo(h.end)) {
            return STATUS_SIZE_MISMATCH;
        }
        if (in.GetFilePosition() != h.end && !in.SeekTo(h.end)) return STATUS_SIZE_MISMATCH;
    }
}

int Mp4File::ReadMovie(const AtomHeader& moov)
{
    BigEndianReader in(m_file);
    Mp4BoxReader reader(in);
    bool userDataFailed = false;
    bool ok = WalkContainer(moov.end, [&](const AtomHeader& h) {
        if (h.type == FourCC("udta")) {
            userDataFailed = !ReadUserData(h);
            return !userDataFailed;
        }
        if (h.type == FourCC("mvhd")) return reader.ReadMvhd(h.end, m_mvhd);
        if (h.type == FourCC("trak")) {
            m_tracks.emplace_back();
            if (ReadTrack(h, m_tracks.back())) return true;
            // A track that cannot be read is not kept and is passed over;
            // the tracks before and after it stay.
            m_tracks.pop_back();
            m_trackFailed = true;
            return true;
        }
        return true;
    });
    if (userDataFailed) return STATUS_MP4_USER_DATA;
    return ok ? STATUS_OK : STATUS_MP4_HEADER;
}

bool Mp4File::ReadTrack(const AtomHeader& trak, Track& t)
{
    BigEndianReader in(m_file);
    Mp4BoxReader r(in);
    auto sampleTable = [&](const AtomHeader& h) {
        switch (h.type) {
        case FourCC("co64"): return r.ReadCo64(h.end, t);
        case FourCC("stsc"): return r.ReadStsc(h.end, t);
        case FourCC("stsd"): return r.ReadStsd(h.end, t);
        case FourCC("stsh"): return r.ReadStsh(h.end, t);
        case FourCC("stco"): return r.ReadStco(h.end, t);
        case FourCC("stdp"): return r.ReadStdp(h.end, t);
        case FourCC("stss"): return r.ReadStss(h.end, t);
        case FourCC("ctts"): return r.ReadCtts(h.end, t);
        case FourCC("stts"): return r.ReadStts(h.end, t);
        case FourCC("stsz"): return r.ReadStsz(h.end, t);
        default: return true;
        }
    };
    auto mediaInformation = [&](const AtomHeader& h) {
        switch (h.type) {
        case FourCC("hmhd"): return r.ReadHmhd(h.end, t);
        case FourCC("nmhd"): return r.ReadNmhd(h.end, t);
        case FourCC("smhd"): return r.ReadSmhd(h.end, t);
        case FourCC("vmhd"): return r.ReadVmhd(h.end, t);
        case FourCC("dinf"): return WalkContainer(h.end, [](const AtomHeader&) { return true; });
        case FourCC("stbl"): return WalkContainer(h.end, sampleTable);
        default: return true;
        }
    };
    auto media = [&](const AtomHeader& h) {
        switch (h.type) {
        case FourCC("mdhd"): return r.ReadMdhd(h.end, t);
        case FourCC("minf"): return WalkContainer(h.end, mediaInformation);
        case FourCC("hdlr"): return r.ReadHdlr(h.end, t);
        default: return true;
        }
    };
    return WalkContainer(trak.end, [&](const AtomHeader& h) {
        switch (h.type) {
        case FourCC("mdia"): return WalkContainer(h.end, media);
        case FourCC("tkhd"): return r.ReadTkhd(h.end, t);
        case FourCC("edts"):
            return WalkContainer(h.end,
                                 [&](const AtomHeader& e) { return e.type != FourCC("elst") || r.ReadElst(e.end, t); });
        default: return true;
        }
    });
}

bool Mp4File::ReadUserData(const AtomHeader& udta)
{
    BigEndianReader in(m_file);
    Mp4BoxReader r(in);
    return WalkContainer(udta.end, [&](const AtomHeader& h) {
        if (h.type == FourCC("cprt")) return r.ReadCprt(h, m_userData);
        if (h.type != FourCC("meta")) return true;
        VersionFlags vf;
        if (!r.ReadVersionFlags(vf)) return false;
        return WalkContainer(h.end, [&](const AtomHeader& list) {
            if (list.type != FourCC("ilst")) return true;
            return WalkContainer(list.end, [&](const AtomHeader& item) { return r.ReadItem(item, m_userData); });
        });
    });
}

const Track* Mp4File::VideoTrack() const
{
    for (const Track& t : m_tracks)
        if (t.HandlerType() == FourCC("vide")) return &t;
    return nullptr;
}

void Mp4File::BuildKeyFrameIntervals(const Track& video, uint32_t frameCount)
{
    m_keyIntervals.clear();
    if (!video.stss || video.stss->Count() == 0 || frameCount == 0) return;
    // The decode time before each run of the time-to-sample table, walked run
    // by run; samples past the frame count (or past the table) last 0.
    std::vector<uint64_t> runStart;  // first sample index (0-based) of each run
    std::vector<uint64_t> runTime;   // time before that sample
    std::vector<uint64_t> runDelta;
    uint64_t samples = 0, time = 0;
    if (video.stts)
        for (size_t i = 0; i < video.stts->Count() && samples < frameCount; ++i) {
            uint64_t count = std::min<uint64_t>(video.stts->columns[0][i], frameCount - samples);
            uint64_t delta = video.stts->columns[1][i];
            runStart.push_back(samples);
            runTime.push_back(time);
            runDelta.push_back(delta);
            samples += count;
            time += count * delta;
        }
    // Time before the sample at index m (0-based), that is the duration of
    // samples 0 .. m - 1.
    auto timeBefore = [&](uint64_t m) -> uint64_t {
        if (m >= samples) return time;
        size_t run = static_cast<size_t>(std::upper_bound(runStart.begin(), runStart.end(), m) - runStart.begin()) - 1;
        return runTime[run] + (m - runStart[run]) * runDelta[run];
    };
    const std::vector<uint64_t>& sync = video.stss->columns[0];
    m_keyIntervals.assign(sync.size(), 0);
    for (size_t i = 0; i + 1 < sync.size(); ++i) {
        // Samples are numbered from 1; a number of 0 stands for no sample.
        uint64_t from = sync[i] ? sync[i] - 1 : 0, to = sync[i + 1] ? sync[i + 1] - 1 : 0;
        if (to > from) m_keyIntervals[i] = static_cast<uint32_t>(timeBefore(to) - timeBefore(from));
    }
}

uint32_t Mp4File::VideoBitRate(const Track* video, uint32_t frameCount, uint64_t duration) const
{
    if (!video) return 0;
    const uint32_t scale = video->mdhd ? video->mdhd->timescale : 0;
    if (video->stss && video->stss->Count() > 1) {
        uint64_t bytes = SampleBytes(*video, false);
        uint32_t span = 0;
        for (size_t i = 0; i + 1 < m_keyIntervals.size(); ++i) span += m_keyIntervals[i];
        return MulDivLow32(scale, bytes, span) * 8;
    }
    if (video->SampleEntry() == FourCC("mp4v")) {
        const SampleDescription& d = *video->stsd;
        if (d.es && d.es->avgBitrate != 0 && d.es->avgBitrate <= d.es->maxBitrate) return d.es->avgBitrate;
        if (video->stsz && video->stsz->sampleSize != 0)
            return MulDivLow32(static_cast<uint64_t>(frameCount) * video->stsz->sampleSize, 10000000, duration) * 8;
        return MulDivLow32(SampleBytes(*video, false), 10000000, duration) * 8;
    }
    return 0;
}

void Mp4File::FillAudio(int k, const Track& sound, uint64_t duration)
{
    const DWORD entry = sound.SampleEntry();
    uint32_t bitRate = 0;
    if (entry == FourCC("s723")) {
        bitRate = 6400;
    } else if (duration != 0) {
        long double perSecond = std::floor(static_cast<long double>(SampleBytes(sound, true)) * 10000000.0L /
                                               static_cast<long double>(duration) +
                                           0.5L);
        bitRate = static_cast<uint32_t>(static_cast<uint64_t>(TruncToInt64OrZero(perSecond)) * 8);
    }
    WAVEFORMATEX& w = m_wfxAudio[k];
    w.nAvgBytesPerSec = bitRate / 8;
    w.nBlockAlign = 0;
    w.wBitsPerSample = 0;
    w.cbSize = 18;
    if (entry == FourCC("mp4a")) {
        const SampleDescription& d = *sound.stsd;
        if (d.soundVersion2) {
            w.nSamplesPerSec = d.v2SampleRate;
            w.nChannels = static_cast<WORD>(d.v2Channels);
        } else {
            w.nSamplesPerSec = d.sampleRateInteger + (d.sampleRateFraction ? 65536u * d.sampleRateFraction : 0u);
            w.nChannels = d.channelCount;
        }
        BYTE oti = d.es ? d.es->objectTypeIndication : 0;
        // Muxers write 2 channels into the entry whatever the stream holds;
        // the AAC decoder configuration says how many there are.
        AacAudioConfig config;
        if (IsAac(oti) &&
            AacAudioConfig::Parse(d.es->decoderSpecificInfo.data(), d.es->decoderSpecificInfo.size(), config) &&
            config.channels != 0)
            w.nChannels = static_cast<WORD>(config.channels);
        if (oti == 0x40 || (oti >= 0x66 && oti <= 0x69))
            w.wFormatTag = 0x00FF;
        else if (oti == 0x6B)
            w.wFormatTag = 0x0055;
        else
            w.wFormatTag = 0;
    } else if (IsSpeechEntry(entry)) {
        w.nSamplesPerSec = 8000;
        w.nChannels = 1;
        w.wFormatTag = entry == FourCC("s723")                              ? 0x0042
                       : entry == FourCC("evrc") || entry == FourCC("sevc") ? 0xA2EB
                       : entry == FourCC("sqcp")                            ? 0xA2EA
                                                                            : 0xA2FE;
    } else {
        w.nSamplesPerSec = 0;
        w.nChannels = 0;
        w.wFormatTag = 0;
    }
}

void Mp4File::FillRecord(const wchar_t* path)
{
    SetFilePath(path);
    m_nStatus = m_status;
    m_llFileSize = AsRecordValue(m_fileSize);
    m_llDataSize = AsRecordValue(m_dataSize);

    // The movie header's duration, exact to 100 ns: rates divide by it, and
    // the report's time line shows its whole seconds.
    uint64_t duration = 0;
    if (m_mvhd.timescale != 0) {
        unsigned __int128 d = static_cast<unsigned __int128>(m_mvhd.duration) * 10000000 / m_mvhd.timescale;
        if (d <= static_cast<unsigned __int128>(INT64_MAX)) duration = static_cast<uint64_t>(d);
    }
    m_llDuration = static_cast<int64_t>(duration);
    m_llBitRate =
        duration ? TruncToInt64OrZero(std::floor(
                       static_cast<long double>(m_dataSize) * 80000000.0L / static_cast<long double>(duration) + 0.5L))
                 : 0;

    int videoCount = 0, soundCount = 0;
    for (const Track& t : m_tracks) {
        if (t.HandlerType() == FourCC("vide")) ++videoCount;
        if (t.HandlerType() == FourCC("soun")) ++soundCount;
    }
    m_nVideoCount = videoCount;
    m_nAudioCount = std::min(soundCount, kMaxAudioFormats);

    const Track* video = VideoTrack();
    uint32_t frameCount = 0;
    if (video && video->stts)
        for (uint64_t c : video->stts->columns[0]) frameCount += static_cast<uint32_t>(c);
    m_llFrameCount = frameCount;
    if (video) BuildKeyFrameIntervals(*video, frameCount);

    BITMAPINFOHEADER& bmi = m_vih.bmiHeader;
    bmi.biSize = 40;
    bmi.biPlanes = 1;
    bmi.biBitCount = 1;
    if (video) {
        uint32_t width = video->tkhd ? video->tkhd->width >> 16 : 0;
        uint32_t height = video->tkhd ? video->tkhd->height >> 16 : 0;
        bmi.biWidth = static_cast<LONG>(width);
        bmi.biHeight = static_cast<LONG>(height);
        bmi.biCompression = FourCCUpper(video->SampleEntry());
        bmi.biSizeImage = height * width * 4;
    }
    m_vih.AvgTimePerFrame =
        frameCount ? TruncToInt64OrZero(std::floor(static_cast<long double>(duration) / frameCount + 0.5L)) : 0;
    m_vih.dwBitRate = VideoBitRate(video, frameCount, duration);

    const size_t syncCount = video && video->stss ? video->stss->Count() : 0;
    m_nIndexStatus = video && video->stss ? INDEX_VALID : INDEX_MISSING;
    m_llKeyFrameCount = static_cast<int64_t>(syncCount);
    const uint32_t scale = video && video->mdhd ? video->mdhd->timescale : 0;
    if (!m_keyIntervals.empty() && syncCount >= 2 && scale != 0) {
        const size_t n = syncCount;
        long double sum = 0, largest = 0, smallest = m_keyIntervals[0];
        for (size_t i = 0; i + 1 < n; ++i) {
            uint32_t d = m_keyIntervals[i];
            sum += d;
            largest = std::max<long double>(largest, d);
            if (d != 0 && d < smallest) smallest = d;
        }
        const long double average = sum / (n - 1) / scale;
        long double squares = 0;
        for (size_t i = 0; i + 1 < n; ++i) {
            long double x = average - static_cast<long double>(m_keyIntervals[i]) / scale;
            squares += x * x;
        }
        m_dKeyIntervalAvg = static_cast<double>(average);
        m_dKeyIntervalMax = static_cast<double>(largest / scale);
        m_dKeyIntervalMin = static_cast<double>(smallest / scale);
        m_dKeyIntervalStdDev = static_cast<double>(std::sqrt(squares / (n - 1)));
    }

    int k = 0;
    for (const Track& t : m_tracks) {
        if (k >= m_nAudioCount) break;
        if (t.HandlerType() == FourCC("soun")) FillAudio(k++, t, duration);
    }
}
