// The OGM muxer and the Vorbis encoder of the writer module: files made of
// MPEG-4 Part 2 frames that the ffmpeg command line encodes, Vorbis from
// PCM, and text, read back by ffprobe, decoded by ffmpeg, and reported by
// the project's analyser and by ogminfo; the page structure checked byte by
// byte.
#include "modules/hwriter/OgmMuxer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <thread>

#include "modules/hwriter/VorbisEncoder.h"
#include "platform/win32/CodePage.h"
#include "tests/support/MediaFixtures.h"

namespace {

constexpr uint32_t kXvid = 'X' | ('V' << 8) | ('I' << 16) | ('D' << 24);
constexpr int64_t kFrameTime = 400000;  // 25 frames per second

// --- Fixtures ----------------------------------------------------------------

struct Frame {
    std::string bytes;
    bool key = false;
};

// Splits an MPEG-4 Part 2 elementary stream into frames: each frame is its
// video object plane with the headers in front of it; an intra plane is a
// key frame.
std::vector<Frame> SplitMpeg4(const std::string& es)
{
    std::vector<Frame> frames;
    size_t start = 0, headers = std::string::npos;
    bool inFrame = false, key = false;
    for (size_t p = 0; p + 4 < es.size(); ++p) {
        if (es[p] != 0 || es[p + 1] != 0 || es[p + 2] != 1) continue;
        const uint8_t code = static_cast<uint8_t>(es[p + 3]);
        if (code == 0xB6) {
            if (inFrame) {
                const size_t end = headers != std::string::npos ? headers : p;
                frames.push_back({es.substr(start, end - start), key});
                start = end;
            }
            inFrame = true;
            headers = std::string::npos;
            key = (static_cast<uint8_t>(es[p + 4]) >> 6) == 0;
        } else if (inFrame && headers == std::string::npos) {
            headers = p;
        }
    }
    if (inFrame) frames.push_back({es.substr(start), key});
    return frames;
}

std::vector<Frame> Mpeg4Frames(const TempDir& dir, double seconds, int gop)
{
    const std::string path =
        MakeMedia(dir, "video.m4v",
                  TestPicture(seconds, "320x240") + " -c:v mpeg4 -bf 0 -g " + std::to_string(gop) + " -q:v 5 -f m4v");
    return SplitMpeg4(ReadBytes(path));
}

std::vector<int16_t> Pcm(const TempDir& dir, double seconds)
{
    const std::string path = MakeMedia(dir, "audio.pcm", TestTone(seconds) + " -ac 2 -f s16le");
    const std::string bytes = ReadBytes(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// --- Reading the file back ---------------------------------------------------

struct OggPage {
    uint8_t flags = 0;  // 1 continued, 2 first, 4 last
    int64_t granule = 0;
    uint32_t serial = 0;
    std::vector<int> lacing;
    size_t body = 0;  // offset of the body in the file
};

struct OggPacket {
    uint32_t serial = 0;
    std::string bytes;
    size_t page = 0;          // page where it starts
    bool startsPage = false;  // first packet to start on a fresh page
};

struct OggFile {
    std::vector<OggPage> pages;
    std::vector<OggPacket> packets;  // in file order of their first byte
    bool wellFormed = true;
};

OggFile ParseOgg(const std::string& file)
{
    OggFile out;
    std::map<uint32_t, OggPacket> open;
    size_t at = 0;
    while (at < file.size()) {
        if (file.compare(at, 4, "OggS") != 0 || at + 27 > file.size()) {
            out.wellFormed = false;
            break;
        }
        OggPage page;
        page.flags = static_cast<uint8_t>(file[at + 5]);
        std::memcpy(&page.granule, file.data() + at + 6, 8);
        std::memcpy(&page.serial, file.data() + at + 14, 4);
        const int segments = static_cast<uint8_t>(file[at + 26]);
        size_t bodyBytes = 0;
        for (int i = 0; i < segments; ++i) {
            page.lacing.push_back(static_cast<uint8_t>(file[at + 27 + i]));
            bodyBytes += page.lacing.back();
        }
        page.body = at + 27 + segments;
        if (page.body + bodyBytes > file.size()) {
            out.wellFormed = false;
            break;
        }
        size_t offset = page.body;
        bool first = !(page.flags & 1);
        for (int lace : page.lacing) {
            OggPacket& p = open[page.serial];
            if (p.bytes.empty() && !(page.flags & 1 && offset == page.body)) {
                p.serial = page.serial;
                p.page = out.pages.size();
                p.startsPage = first && offset == page.body;
            }
            p.bytes.append(file, offset, static_cast<size_t>(lace));
            offset += static_cast<size_t>(lace);
            if (lace < 255) {
                out.packets.push_back(p);
                open.erase(page.serial);
            }
            first = false;
        }
        out.pages.push_back(page);
        at = page.body + bodyBytes;
    }
    return out;
}

// ffprobe's entries of the file, one map per stream, and the format's.
std::vector<std::map<std::string, std::string>> ProbeStreams(const std::string& path, std::string* duration)
{
    const std::string text = RunTool(
        "ffprobe -v error -show_entries stream=codec_type,codec_name,codec_tag_string,width,height,"
        "r_frame_rate,sample_rate,channels:format=duration -of default=nw=0 '" +
        path + "'");
    std::vector<std::map<std::string, std::string>> streams;
    std::istringstream in(text);
    bool inStream = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "[STREAM]") {
            streams.emplace_back();
            inStream = true;
        } else if (line == "[/STREAM]") {
            inStream = false;
        } else if (size_t eq = line.find('='); eq != std::string::npos) {
            if (inStream)
                streams.back()[line.substr(0, eq)] = line.substr(eq + 1);
            else if (line.compare(0, eq, "duration") == 0)
                *duration = line.substr(eq + 1);
        }
    }
    return streams;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) out.push_back(line);
    return out;
}

std::string Report(const std::string& path)
{
    return RunTool(std::string("'") + RIVO_TEST_TOOLS_DIR + "/rivoreader-report' '" + path + "' 2>&1");
}

// --- A whole file ------------------------------------------------------------

struct Muxed {
    int video = -1, audio = -1, text = -1;
    size_t frames = 0;
    long nominalBitrate = 0;
};

// Video, Vorbis audio and text fed as a writer graph's pins would: the
// audio of each frame's time after the frame, two texts on the way.
Muxed MuxAll(const TempDir& dir, const std::string& path, const std::vector<Frame>& frames,
             const std::vector<int16_t>& pcm)
{
    Muxed m;
    VorbisEncoder vorbis;
    EXPECT_TRUE(vorbis.OpenQuality(2, 44100, 0.3f));
    m.nominalBitrate = vorbis.NominalBitrate();
    OgmMuxer mux;
    m.video = mux.AddVideoStream({kXvid, 320, 240, kFrameTime});
    m.audio = mux.AddVorbisStream(vorbis.HeaderPackets(), 44100);
    m.text = mux.AddTextStream();
    EXPECT_TRUE(mux.Open(Utf8ToWide(path)));
    const int samplesPerFrame = 44100 / 25;
    size_t fed = 0;
    std::vector<OgmPacket> packets;
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(mux.WriteVideoFrame(m.video, reinterpret_cast<const uint8_t*>(frames[i].bytes.data()),
                                        frames[i].bytes.size(), static_cast<int64_t>(i) * kFrameTime, frames[i].key));
        const size_t until = std::min(pcm.size() / 2, (i + 1) * samplesPerFrame);
        packets.clear();
        EXPECT_TRUE(vorbis.Encode(pcm.data() + fed * 2, static_cast<int>(until - fed), &packets));
        fed = until;
        for (const OgmPacket& p : packets) EXPECT_TRUE(mux.WriteVorbisPacket(m.audio, p));
        if (i == 12) {
            EXPECT_TRUE(mux.WriteText(m.text, "Hello", 5000000, 10000000));
        }
        if (i == 37) {
            EXPECT_TRUE(mux.WriteText(m.text, "안녕", 15000000, 4000000));
        }
    }
    EXPECT_TRUE(mux.EndStream(m.video));
    packets.clear();
    EXPECT_TRUE(vorbis.Finish(&packets));
    for (const OgmPacket& p : packets) EXPECT_TRUE(mux.WriteVorbisPacket(m.audio, p));
    EXPECT_TRUE(mux.EndStream(m.audio));
    EXPECT_TRUE(mux.Close());
    m.frames = frames.size();
    (void)dir;
    return m;
}

class OgmMuxerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        fixtures = new TempDir;
        frames = new std::vector<Frame>(Mpeg4Frames(*fixtures, 2.0, 12));
        pcm = new std::vector<int16_t>(Pcm(*fixtures, 2.0));
    }
    static void TearDownTestSuite()
    {
        delete frames;
        delete pcm;
        delete fixtures;
    }
    static TempDir* fixtures;
    static std::vector<Frame>* frames;
    static std::vector<int16_t>* pcm;
};
TempDir* OgmMuxerTest::fixtures = nullptr;
std::vector<Frame>* OgmMuxerTest::frames = nullptr;
std::vector<int16_t>* OgmMuxerTest::pcm = nullptr;

TEST_F(OgmMuxerTest, FfprobeReadsTheStreamsAsWritten)
{
    ASSERT_EQ(50u, frames->size());
    TempDir dir;
    const std::string path = dir.File("out.ogm");
    MuxAll(dir, path, *frames, *pcm);

    std::string duration;
    auto streams = ProbeStreams(path, &duration);
    ASSERT_EQ(3u, streams.size());
    EXPECT_EQ("video", streams[0]["codec_type"]);
    EXPECT_EQ("mpeg4", streams[0]["codec_name"]);
    EXPECT_EQ("XVID", streams[0]["codec_tag_string"]);
    EXPECT_EQ("320", streams[0]["width"]);
    EXPECT_EQ("240", streams[0]["height"]);
    EXPECT_EQ("25/1", streams[0]["r_frame_rate"]);
    EXPECT_EQ("audio", streams[1]["codec_type"]);
    EXPECT_EQ("vorbis", streams[1]["codec_name"]);
    EXPECT_EQ("44100", streams[1]["sample_rate"]);
    EXPECT_EQ("2", streams[1]["channels"]);
    EXPECT_EQ("subtitle", streams[2]["codec_type"]);
    EXPECT_EQ("text", streams[2]["codec_name"]);
    EXPECT_NEAR(2.0, std::atof(duration.c_str()), 0.04) << "within one frame";

    // Every frame decodes, key frames where the encoder put them.
    auto counts = ProbeFrameCounts(path);
    ASSERT_GE(counts.size(), 2u);
    EXPECT_EQ(50, counts[0].frames);
    EXPECT_EQ((std::vector<std::string>{"0.000000", "0.480000", "0.960000", "1.440000", "1.920000"}),
              Lines(RunTool("ffprobe -v error -select_streams v:0 -skip_frame nokey -show_entries frame=pts_time "
                            "-of csv=p=0 '" +
                            path + "'")));
    int code = -1;
    EXPECT_EQ("", RunTool("ffmpeg -v error -nostdin -i '" + path + "' -f null - 2>&1", &code));
    EXPECT_EQ(0, code);
    // The texts at their times for their durations.
    EXPECT_EQ((std::vector<std::string>{"0.500000,1.000000", "1.500000,0.400000"}),
              Lines(RunTool("ffprobe -v error -select_streams s:0 -show_entries packet=pts_time,duration_time "
                            "-of csv=p=0 '" +
                            path + "'")));
    // The audio lasts as long as the tone.
    const auto audioTimes =
        Lines(RunTool("ffprobe -v error -select_streams a:0 -show_entries stream=duration_ts "
                      "-of csv=p=0 '" +
                      path + "'"));
    ASSERT_EQ(1u, audioTimes.size());
    EXPECT_NEAR(88200, std::atol(audioTimes[0].c_str()), 1);
}

TEST_F(OgmMuxerTest, TheAnalyserAndOgminfoReportTheFile)
{
    TempDir dir;
    const std::string path = dir.File("out.ogm");
    Muxed m = MuxAll(dir, path, *frames, *pcm);
    const std::string report = Report(path);
    EXPECT_NE(std::string::npos, report.find("File Format          : OGG/OGM format")) << report;
    EXPECT_NE(std::string::npos, report.find("(XVID)")) << report;
    EXPECT_NE(std::string::npos, report.find("Image Size           : 320 x 240")) << report;
    EXPECT_NE(std::string::npos, report.find("Frames/sec           : 25.00 Frames/Sec")) << report;
    EXPECT_NE(std::string::npos, report.find("Codec Type           : Ogg Vorbis - VORBIS_1")) << report;
    EXPECT_NE(std::string::npos, report.find("Sample ratio         : 44,100 Hz")) << report;
    EXPECT_NE(std::string::npos, report.find("Channel count        : 2 Channels")) << report;
    EXPECT_NE(std::string::npos, report.find("Playback Time        : 00:00:01")) << report;  // 49 frames of 50
    EXPECT_EQ(std::string::npos, report.find("damaged")) << report;
    EXPECT_EQ(std::string::npos, report.find("error")) << report;
    (void)m;

    if (RunTool("command -v ogminfo").empty()) GTEST_SKIP() << "ogminfo is not installed";
    int code = -1;
    const std::string info = RunTool("ogminfo -v '" + path + "' 2>&1", &code);
    EXPECT_EQ(0, code) << info;
    EXPECT_NE(std::string::npos, info.find("XVID")) << info;
    EXPECT_NE(std::string::npos, info.find("Vorbis")) << info;
    EXPECT_NE(std::string::npos, info.find("text")) << info;
}

TEST_F(OgmMuxerTest, PagesStartEndAndInterleaveAsOggWants)
{
    TempDir dir;
    const std::string path = dir.File("out.ogm");
    Muxed m = MuxAll(dir, path, *frames, *pcm);
    const OggFile ogg = ParseOgg(ReadBytes(path));
    ASSERT_TRUE(ogg.wellFormed);
    ASSERT_GE(ogg.pages.size(), 6u);

    // The first page of every stream comes first, one header alone on each,
    // in the order the streams were declared; no later page starts a stream.
    std::vector<uint32_t> serials;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(2, ogg.pages[i].flags) << i;
        EXPECT_EQ(1u, ogg.pages[i].lacing.size()) << i;
        serials.push_back(ogg.pages[i].serial);
    }
    EXPECT_NE(serials[0] & 0xFF, serials[1] & 0xFF);
    EXPECT_NE(serials[1] & 0xFF, serials[2] & 0xFF);
    for (size_t i = 3; i < ogg.pages.size(); ++i) EXPECT_FALSE(ogg.pages[i].flags & 2) << i;

    std::map<uint32_t, std::vector<const OggPacket*>> byStream;
    for (const OggPacket& p : ogg.packets) byStream[p.serial].push_back(&p);
    const auto& video = byStream[serials[0]];
    const auto& audio = byStream[serials[1]];
    const auto& text = byStream[serials[2]];
    // Headers: OGM stream header and comments; Vorbis's three.
    ASSERT_EQ(2u + 50u, video.size());
    EXPECT_EQ(57u, video[0]->bytes.size());
    EXPECT_EQ(0, video[0]->bytes.compare(0, 9, std::string("\x01video\0\0\0", 9)));
    EXPECT_EQ(0, video[0]->bytes.compare(9, 4, "XVID"));
    EXPECT_EQ('\x03', video[1]->bytes[0]);
    EXPECT_EQ(0, audio[0]->bytes.compare(0, 7, "\x01vorbis"));
    EXPECT_EQ(0, audio[2]->bytes.compare(0, 7, "\x05vorbis"));
    ASSERT_EQ(2u + 2u, text.size());
    EXPECT_EQ(0, text[0]->bytes.compare(0, 9, std::string("\x01text\0\0\0\0", 9)));

    // Data packets: the frames as given, key flags on the key frames, each
    // with a duration of one frame in one byte, each key frame at the start
    // of a page; texts with their durations in ms.
    for (size_t i = 0; i < 50; ++i) {
        const OggPacket& p = *video[2 + i];
        const bool key = (*frames)[i].key;
        EXPECT_EQ(key ? '\x48' : '\x40', p.bytes[0]) << i;
        EXPECT_EQ('\x01', p.bytes[1]) << i;
        EXPECT_EQ((*frames)[i].bytes, p.bytes.substr(2)) << i;
        if (key) {
            EXPECT_TRUE(p.startsPage) << i;
        }
    }
    // Key packets with two duration bytes (1000 ms, 400 ms), the text and a NUL.
    EXPECT_EQ(std::string("\x88\xE8\x03Hello", 8) + '\0', text[2]->bytes);
    EXPECT_EQ(std::string("\x88\x90\x01") + "안녕" + '\0', text[3]->bytes);

    // Per stream: granules never fall, the last page ends the stream and
    // nothing follows it.
    std::map<uint32_t, int64_t> lastGranule;
    std::map<uint32_t, bool> ended;
    for (const OggPage& page : ogg.pages) {
        EXPECT_FALSE(ended[page.serial]) << "a page after the end of stream " << page.serial;
        if (page.flags & 4) ended[page.serial] = true;
        if (page.granule == -1) continue;
        EXPECT_GE(page.granule, lastGranule[page.serial]);
        lastGranule[page.serial] = page.granule;
    }
    for (uint32_t s : serials) EXPECT_TRUE(ended[s]) << s;
    EXPECT_EQ(49, lastGranule[serials[0]]);     // the number of the last frame
    EXPECT_EQ(88200, lastGranule[serials[1]]);  // every sample of the tone
    EXPECT_EQ(1500, lastGranule[serials[2]]);   // the last text's start in ms

    // Audio and video pages come in the order of their times.
    int64_t latest = 0;
    for (const OggPage& page : ogg.pages) {
        if (page.granule <= 0 || page.serial == serials[2]) continue;
        const int64_t time = page.serial == serials[0] ? page.granule * kFrameTime : page.granule * 10000000 / 44100;
        EXPECT_GE(time + 10000, latest) << "page of stream " << page.serial << " at " << time;
        latest = std::max(latest, time);
    }
    EXPECT_GT(m.nominalBitrate, 0);
}

TEST_F(OgmMuxerTest, InputsFromThreadsOfTheirOwn)
{
    TempDir dir;
    const std::string path = dir.File("threads.ogm");
    VorbisEncoder vorbis;
    ASSERT_TRUE(vorbis.OpenConstantRate(2, 44100, 128000));
    OgmMuxer mux;
    const int v = mux.AddVideoStream({kXvid, 320, 240, kFrameTime});
    const int a = mux.AddVorbisStream(vorbis.HeaderPackets(), 44100);
    ASSERT_TRUE(mux.Open(Utf8ToWide(path)));
    std::thread videoPin([&] {
        for (size_t i = 0; i < frames->size(); ++i)
            mux.WriteVideoFrame(v, reinterpret_cast<const uint8_t*>((*frames)[i].bytes.data()),
                                (*frames)[i].bytes.size(), static_cast<int64_t>(i) * kFrameTime, (*frames)[i].key);
        mux.EndStream(v);
    });
    std::thread audioPin([&] {
        std::vector<OgmPacket> packets;
        for (size_t at = 0; at < pcm->size() / 2; at += 441) {
            packets.clear();
            vorbis.Encode(pcm->data() + at * 2, static_cast<int>(std::min<size_t>(441, pcm->size() / 2 - at)),
                          &packets);
            for (const OgmPacket& p : packets) mux.WriteVorbisPacket(a, p);
        }
        packets.clear();
        vorbis.Finish(&packets);
        for (const OgmPacket& p : packets) mux.WriteVorbisPacket(a, p);
        mux.EndStream(a);
    });
    videoPin.join();
    audioPin.join();
    ASSERT_TRUE(mux.Close());

    std::string duration;
    auto streams = ProbeStreams(path, &duration);
    ASSERT_EQ(2u, streams.size());
    EXPECT_EQ("mpeg4", streams[0]["codec_name"]);
    EXPECT_EQ("vorbis", streams[1]["codec_name"]);
    EXPECT_NEAR(2.0, std::atof(duration.c_str()), 0.04);
    int code = -1;
    EXPECT_EQ("", RunTool("ffmpeg -v error -nostdin -i '" + path + "' -f null - 2>&1", &code));
    EXPECT_EQ(0, code);
    const std::string report = Report(path);
    EXPECT_NE(std::string::npos, report.find("Codec Type           : Ogg Vorbis - VORBIS_1")) << report;
    EXPECT_NE(std::string::npos, report.find("Bit Rate             : 128.00 KBits/Sec")) << report;
}

TEST_F(OgmMuxerTest, StreamsWithoutDataAndGapsInTime)
{
    TempDir dir;
    const std::string path = dir.File("gaps.ogm");
    OgmMuxer mux;
    const int v = mux.AddVideoStream({kXvid, 320, 240, kFrameTime});
    ASSERT_EQ(1, mux.AddTextStream());
    ASSERT_TRUE(mux.Open(Utf8ToWide(path)));
    // Frames 0..9, then the source skips to frame 20; a time that goes back
    // still gets the next number.
    for (int i = 0; i < 14; ++i) {
        const int64_t time = i < 10 ? i * kFrameTime : i == 13 ? 0 : (i + 10) * kFrameTime;
        const Frame& f = (*frames)[static_cast<size_t>(i)];
        ASSERT_TRUE(mux.WriteVideoFrame(v, reinterpret_cast<const uint8_t*>(f.bytes.data()), f.bytes.size(), time,
                                        i == 0 || i == 12));
    }
    ASSERT_TRUE(mux.Close());  // the text stream never had a text
    EXPECT_FALSE(mux.Close());

    const OggFile ogg = ParseOgg(ReadBytes(path));
    ASSERT_TRUE(ogg.wellFormed);
    std::vector<int64_t> videoGranules;
    for (const OggPage& page : ogg.pages)
        if (page.serial == ogg.pages[0].serial && !(page.flags & 2) && page.granule >= 0)
            videoGranules.push_back(page.granule);
    ASSERT_FALSE(videoGranules.empty());
    EXPECT_EQ(23, videoGranules.back());  // 0..9, 20, 21, 22, then 23 for the one that went back
    EXPECT_TRUE(ogg.pages.back().flags & 4);
    int ends = 0;
    for (const OggPage& page : ogg.pages) ends += (page.flags & 4) ? 1 : 0;
    EXPECT_EQ(2, ends);
    EXPECT_EQ(
        (std::vector<std::string>{"0.000000", "0.040000", "0.080000", "0.120000", "0.160000", "0.200000", "0.240000",
                                  "0.280000", "0.320000", "0.360000", "0.800000", "0.840000", "0.880000", "0.920000"}),
        Lines(
            RunTool("ffprobe -v error -select_streams v:0 -show_entries packet=pts_time -of csv=p=0 '" + path + "'")));
}

// Readers take the time of a page's last packet from the page and count
// the other packets of the page from it by their durations: every packet
// tells its duration, so that every one gets its time, also where frames
// are left out, and the times rise.
TEST_F(OgmMuxerTest, EveryVideoPacketGetsItsTimeFromTheReader)
{
    // 25, 29.97 and 1000 frames a second (a millisecond clock taken for a
    // rate, as sources without one gave).
    for (int64_t frameTime : {kFrameTime, int64_t{333667}, int64_t{10000}}) {
        SCOPED_TRACE(frameTime);
        TempDir dir;
        const std::string path = dir.File("times.ogm");
        OgmMuxer mux;
        const int v = mux.AddVideoStream({kXvid, 320, 240, frameTime});
        ASSERT_TRUE(mux.Open(Utf8ToWide(path)));
        // Every third frame of the second half is left out.
        std::vector<std::string> wanted;
        for (size_t i = 0; i < frames->size(); ++i) {
            if (i >= 25 && i % 3 == 0) continue;
            const Frame& f = (*frames)[i];
            ASSERT_TRUE(mux.WriteVideoFrame(v, reinterpret_cast<const uint8_t*>(f.bytes.data()), f.bytes.size(),
                                            static_cast<int64_t>(i) * frameTime, f.key));
            wanted.push_back(std::to_string(i));
        }
        ASSERT_TRUE(mux.Close());
        EXPECT_EQ(wanted, Lines(RunTool("ffprobe -v error -select_streams v:0 -show_entries packet=pts -of csv=p=0 '" +
                                        path + "'")));
        const std::string warnings =
            RunTool("ffmpeg -hide_banner -nostdin -loglevel repeat+warning -i '" + path + "' -c copy -f null - 2>&1");
        EXPECT_EQ(warnings.find("non monotonically"), std::string::npos) << warnings;
    }
}

TEST(OgmMuxer, CallsOutOfOrderAreRefused)
{
    TempDir dir;
    OgmMuxer empty;
    EXPECT_FALSE(empty.Open(Utf8ToWide(dir.File("none.ogm"))));  // no stream

    OgmMuxer mux;
    EXPECT_EQ(-1, mux.AddVideoStream({kXvid, 0, 240, kFrameTime}));
    EXPECT_EQ(-1, mux.AddVideoStream({kXvid, 320, 240, 0}));
    EXPECT_EQ(-1, mux.AddVorbisStream({}, 44100));
    const int v = mux.AddVideoStream({kXvid, 16, 16, kFrameTime});
    const int t = mux.AddTextStream();
    ASSERT_EQ(0, v);
    ASSERT_EQ(1, t);
    const uint8_t byte = 0;
    EXPECT_FALSE(mux.WriteVideoFrame(v, &byte, 1, 0, true));  // before Open
    EXPECT_FALSE(mux.Open(Utf8ToWide(dir.File("missing/x.ogm"))));
    ASSERT_TRUE(mux.Open(Utf8ToWide(dir.File("x.ogm"))));
    EXPECT_FALSE(mux.Open(Utf8ToWide(dir.File("y.ogm"))));
    EXPECT_EQ(-1, mux.AddTextStream());
    EXPECT_FALSE(mux.WriteText(v, "x", 0, 0));                // a video stream
    EXPECT_FALSE(mux.WriteVideoFrame(t, &byte, 1, 0, true));  // a text stream
    EXPECT_FALSE(mux.WriteVideoFrame(5, &byte, 1, 0, true));
    EXPECT_FALSE(mux.WriteVideoFrame(v, nullptr, 1, 0, true));
    EXPECT_TRUE(mux.WriteVideoFrame(v, &byte, 1, 0, true));
    EXPECT_TRUE(mux.EndStream(v));
    EXPECT_FALSE(mux.EndStream(v));
    EXPECT_FALSE(mux.WriteVideoFrame(v, &byte, 1, kFrameTime, false));  // after its end
    EXPECT_TRUE(mux.Close());
    EXPECT_FALSE(mux.WriteText(t, "x", 0, 0));
}

TEST(OgmMuxer, AFailedWriteIsReportedAndStaysSo)
{
    TempDir dir;
    const std::string path = dir.File("limited.ogm");
    // In a child whose files may not grow beyond 64 kB.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        OgmMuxer mux;
        const int v = mux.AddVideoStream({kXvid, 320, 240, kFrameTime});
        if (!mux.Open(Utf8ToWide(path))) _exit(2);
        std::vector<uint8_t> frame(20000, 0x5A);
        bool refused = false;
        for (int i = 0; i < 20 && !refused; ++i)
            refused = !mux.WriteVideoFrame(v, frame.data(), frame.size(), i * kFrameTime, i % 5 == 0);
        const bool closed = mux.Close();
        _exit(refused && !closed ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
}

TEST(VorbisEncoder, SettingsLibvorbisRefusesAndCallsOutOfOrder)
{
    VorbisEncoder e;
    std::vector<OgmPacket> packets;
    const int16_t silence[4] = {};
    EXPECT_FALSE(e.Encode(silence, 2, &packets));  // not open
    EXPECT_FALSE(e.OpenQuality(0, 44100, 0.5f));
    EXPECT_FALSE(e.OpenQuality(2, 1000, 0.5f));
    EXPECT_FALSE(e.OpenConstantRate(2, 44100, 0));
    ASSERT_TRUE(e.OpenQuality(1, 22050, 0.0f));
    ASSERT_EQ(3u, e.HeaderPackets().size());
    EXPECT_EQ(0, std::memcmp(e.HeaderPackets()[0].data.data(), "\x01vorbis", 7));
    EXPECT_EQ(0, std::memcmp(e.HeaderPackets()[1].data.data(), "\x03vorbis", 7));
    EXPECT_EQ(0, std::memcmp(e.HeaderPackets()[2].data.data(), "\x05vorbis", 7));
    EXPECT_TRUE(e.Encode(silence, 4, &packets));
    EXPECT_TRUE(e.Finish(&packets));
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(4, packets.back().granulepos);  // the samples given, and no more
    EXPECT_FALSE(e.Finish(&packets));
    EXPECT_FALSE(e.Encode(silence, 4, &packets));
}

}  // namespace
