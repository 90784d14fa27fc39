// The job record over real sources the ffmpeg command line makes, with
// ffprobe as the oracle: the type code, the stored media types, the picture
// size, the audio streams and the duration; the refusals (picture sizes,
// empty files, failed addresses, kinds nothing reads, files that would
// block); the subtitle search beside a source; the display texts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <regex>
#include <string>

#include "encoder/core/EncSettings.h"
#include "encoder/core/FilterModuleLoader.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/MediaTypeNames.h"
#include "encoder/jobs/EncFileInfo.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/win32/CodePage.h"
#include "tests/encoder/core/CoreTestSupport.h"
#include "tests/encoder/core/FakeMessagePort.h"
#include "tests/encoder/jobs/JobTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/MediaFixtures.h"

namespace {

struct SourceCase {
    const char* name;
    const char* file;
    const char* args;  // codecs after the inputs
    int extraTones;    // audio inputs beyond the first
    bool picture;      // a picture input
    SourceTypeCode code;
    const char* container;
    // The names the display tables give the splitter's types; null where the
    // tables hold no name for them.
    const wchar_t* videoName;
    const wchar_t* audioName;
};

void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.file; }

// What may follow a stream's summary: a bit rate above 0, or nothing.
const std::string kKnownBitRate = "(, [1-9][0-9]*Kbps|, [0-9]+\\.[0-9]Mbps)?";

class JobSourceTest : public JobTest, public ::testing::WithParamInterface<SourceCase> {};

// Every stored fact of the record against what ffprobe says of the file.
TEST_P(JobSourceTest, RecordAgreesWithFfprobe)
{
    const SourceCase& c = GetParam();
    std::string inputs = c.picture ? TestPicture(3.5) : "";
    std::string maps;
    const int tones = 1 + c.extraTones;
    for (int i = 0; i < tones; ++i) inputs += " " + TestTone(3.5, i == 0 ? 44100 : (i == 1 ? 22050 : 48000));
    if (c.extraTones) {
        for (int i = 0; i < tones + (c.picture ? 1 : 0); ++i) maps += " -map " + std::to_string(i);
    }
    std::string path = MakeMedia(temp(), c.file, inputs + maps + " " + c.args);
    ProbedFile probed = ProbeFile(path);

    CEncFileInfo job;
    job.Init(CString(Utf8ToWide(path)));
    ASSERT_EQ(CString(Utf8ToWide(path)), job.m_sSourcePath) << "refused";
    EXPECT_EQ(c.code, job.m_nTypeCode) << std::hex << job.m_nTypeCode;
    EXPECT_EQ(CString(Utf8ToWide(c.container)), job.GetContainerName());

    const ProbedStreamInfo* video = nullptr;
    std::vector<const ProbedStreamInfo*> audio;
    for (const ProbedStreamInfo& s : probed.streams) {
        if (s.kind == "video" && !video) video = &s;
        if (s.kind == "audio") audio.push_back(&s);
    }
    ASSERT_EQ(video != nullptr, job.m_pVideoType != nullptr);
    if (video) {
        EXPECT_EQ(MEDIATYPE_Video, job.m_pVideoType->majortype);
        BITMAPINFOHEADER picture{};
        ASSERT_EQ(1, GetBitmapInfoHeader(job.m_pVideoType, &picture));
        EXPECT_EQ(video->width, picture.biWidth);
        EXPECT_EQ(video->height, std::abs(picture.biHeight));
        if (c.videoName) {
            EXPECT_EQ(CString(c.videoName), job.GetVideoFormatName());
        }
        // The size and rate, then the bit rate only where the source tells
        // one: never a rate of nothing.
        std::string size = std::to_string(video->width) + "x" + std::to_string(video->height) + ", 25.00fps";
        EXPECT_TRUE(std::regex_match(WideToUtf8(job.GetVideoInfoText().str()), std::regex(size + kKnownBitRate)))
            << WideToUtf8(job.GetVideoInfoText().str());
    }
    EXPECT_EQ(static_cast<int>(audio.size()), job.m_nAudioStreamCount);
    EXPECT_EQ(0, job.m_nAudioStream);
    ASSERT_EQ(!audio.empty(), job.m_pAudioType != nullptr);
    if (!audio.empty()) {
        EXPECT_EQ(MEDIATYPE_Audio, job.m_pAudioType->majortype);
        const WAVEFORMATEX* wave = WaveFormatOf(*job.m_pAudioType);
        ASSERT_NE(nullptr, wave);
        // The first audio stream's type.
        EXPECT_EQ(audio[0]->channels, wave->nChannels);
        EXPECT_EQ(audio[0]->sampleRate, static_cast<int>(wave->nSamplesPerSec));
        if (c.audioName) {
            EXPECT_EQ(CString(c.audioName), job.GetAudioFormatName());
        }
        std::string head =
            std::to_string(audio[0]->channels) + "Ch, " + std::to_string(audio[0]->sampleRate / 1000) + ".0KHz";
        EXPECT_TRUE(std::regex_match(WideToUtf8(job.GetAudioInfoText().str()), std::regex(head + kKnownBitRate)))
            << WideToUtf8(job.GetAudioInfoText().str());
    }
    EXPECT_EQ(static_cast<int>(std::floor(probed.duration)), job.m_nDuration) << probed.duration;
    struct stat st;
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(static_cast<int64_t>(st.st_size), job.m_nFileSize);
    EXPECT_TRUE(job.m_sSubtitlePath.IsEmpty());
    EXPECT_TRUE(messages_.shown.empty());
}

const SourceCase kSourceCases[] = {
    {"Avi", "movie.avi", "-c:v mpeg4 -vtag XVID -c:a libmp3lame -b:a 64k", 0, true, kSourceAvi, "AVI", L"MPEG-4",
     L"MPEG Layer-3"},
    {"Asf", "movie.asf", "-c:v wmv2 -c:a wmav2 -f asf", 0, true, kSourceAsf, "WMV", L"Windows Media Video 8",
     L"Window Media Audio 8"},
    {"Mp4", "movie.mp4", "-c:v libx264 -preset veryfast -c:a aac", 0, true, kSourceMp4, "MP4", L"H.264/AVC (AVC1)",
     L"AAC"},
    {"QuickTime", "movie.mov", "-c:v mpeg4 -c:a aac", 0, true, kSourceUnknown, "MOV", L"MPEG-4", L"AAC"},
    {"Ogg", "movie.ogg", "-c:v libtheora -c:a libvorbis", 0, true, kSourceOgg, "OGM", nullptr, L"Vorbis"},
    {"Matroska", "movie.mkv", "-c:v mpeg4 -c:a libvorbis", 0, true, kSourceMatroska, "MKV", L"MPEG-4 (FMP4)",
     L"Vorbis"},
    {"Flv", "movie.flv", "-c:v flv1 -c:a libmp3lame -ar 44100", 0, true, kSourceFlv, "FLV",
     L"Sorenson Spark (Flash Video)", L"MPEG Layer-3"},
    {"ProgramStream", "movie.mpg", "-c:v mpeg1video -c:a mp2 -f mpeg", 0, true, kSourceMpegProgram, "MPG", L"MPEG 1/2",
     L"MPEG (Microsoft Corporation)"},
    {"TransportStream", "movie.ts", "-c:v mpeg2video -c:a mp2 -f mpegts", 0, true, kSourceMpegTransport, "TS",
     L"MPEG 1/2", L"MPEG (Microsoft Corporation)"},
    {"TransportStreamDmb", "movie.dmb", "-c:v mpeg2video -c:a mp2 -f mpegts", 0, true, kSourceMpegTransportDmb, "DMB",
     L"MPEG 1/2", L"MPEG (Microsoft Corporation)"},
    {"RealMedia", "movie.rm", "-c:v rv20 -c:a ac3 -f rm", 0, true, kSourceRealMedia, "RM", nullptr, L"AC3"},
    {"Swf", "movie.swf", "-c:v flv1 -c:a libmp3lame -ar 44100 -f swf", 0, true, kSourceSwf, "SWF", nullptr, nullptr},
    {"AudioOnlyMp3", "song.mp3", "-c:a libmp3lame", 0, false, kSourceUnknown, "MP3", nullptr, L"MPEG Layer-3"},
    {"AudioOnlyWave", "song.wav", "-c:a pcm_s16le", 0, false, kSourceUnknown, "WAV", nullptr, L"PCM AUDIO(code 0x01)"},
    // MPEG-4 part 2 as the ffmpeg command line writes it into AVI (FMP4),
    // and the codecs of Matroska and WebM files.
    {"AviFmp4", "fmp4.avi", "-c:v mpeg4 -c:a libmp3lame", 0, true, kSourceAvi, "AVI", L"MPEG-4 (FMP4)",
     L"MPEG Layer-3"},
    {"MatroskaH264Vorbis", "h264.mkv", "-c:v libx264 -preset veryfast -c:a libvorbis", 0, true, kSourceMatroska, "MKV",
     L"H.264/AVC", L"Vorbis"},
    {"WebmVp8Vorbis", "vp8.webm", "-c:v libvpx -b:v 200k -c:a libvorbis", 0, true, kSourceMatroska, "MKV", L"VP8",
     L"Vorbis"},
    {"WebmVp9Opus", "vp9.webm", "-c:v libvpx-vp9 -b:v 200k -c:a libopus", 0, true, kSourceMatroska, "MKV", L"VP9",
     L"Opus"},
    {"MatroskaMpeg4Opus", "opus.mkv", "-c:v mpeg4 -c:a libopus", 0, true, kSourceMatroska, "MKV", L"MPEG-4 (FMP4)",
     L"Opus"},
    // HEVC, as phones record it, under the tags the splitters give it in
    // MP4 and in Matroska.
    {"Mp4Hevc", "hevc.mp4", "-c:v libx265 -preset ultrafast -tag:v hvc1 -c:a aac", 0, true, kSourceMp4, "MP4",
     L"H.265/HEVC (HVC1)", L"AAC"},
    {"MatroskaHevc", "hevc.mkv", "-c:v libx265 -preset ultrafast -c:a libvorbis", 0, true, kSourceMatroska, "MKV",
     L"H.265/HEVC (HEV1)", L"Vorbis"},
    {"ThreeAudioStreams", "three.mkv", "-c:v mpeg4 -c:a:0 libvorbis -c:a:1 mp2 -c:a:2 flac", 2, true, kSourceMatroska,
     "MKV", L"MPEG-4 (FMP4)", L"Vorbis"},
};

INSTANTIATE_TEST_SUITE_P(Sources, JobSourceTest, ::testing::ValuesIn(kSourceCases),
                         [](const ::testing::TestParamInfo<SourceCase>& i) { return std::string(i.param.name); });

// Only a picture the chosen encoder cannot take after the treatments is
// refused, with a message that names the source: the writers make any size
// even, and the set output size scales it anyway.
TEST_F(JobTest, PictureSizesTheEncodersCannotTakeAreRefusedWithAMessage)
{
    struct Case {
        const char* size;
        const char* codec;  // of the source
        int setW, setH;     // the output size of the settings; 0 x 0 keeps the source's
        bool accepted;
    };
    const Case cases[] = {
        {"854x480", "mpeg4", 0, 0, true},     {"636x357", "mpeg4", 0, 0, true},  {"642x481", "mpeg4", 0, 0, true},
        {"1366x768", "mpeg4", 0, 0, true},    {"8200x16", "mjpeg", 0, 0, false},  // beyond MPEG-4 part 2's 13 bits a
                                                                                  // side
        {"8200x16", "mjpeg", 160, 120, true},
    };
    CEncSettings& settings = GetEncSettings();
    settings.nEncFormat = 0;
    settings.AviEncoder.fccVideoCodec = MAKEFOURCC('X', 'V', 'I', 'D');
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " to " << c.setW << "x" << c.setH);
        settings.nVideoSizeW = c.setW;
        settings.nVideoSizeH = c.setH;
        messages_.shown.clear();
        std::string path =
            MakeMedia(temp(), std::string(c.size) + "_" + c.codec + ".avi",
                      TestPicture(1.0, c.size) + " " + TestTone(1.0) + " -c:v " + c.codec + " -c:a pcm_s16le");
        CEncFileInfo job;
        job.Init(CString(Utf8ToWide(path)));
        EXPECT_EQ(c.accepted, !job.m_sSourcePath.IsEmpty());
        EXPECT_EQ(c.accepted ? SourceRefusal::None : SourceRefusal::PictureSize, job.m_nRefusal);
        if (c.accepted) {
            EXPECT_TRUE(messages_.shown.empty());
            continue;
        }
        ASSERT_EQ(1u, messages_.shown.size());
        EXPECT_EQ(WideToUtf8(LookupText(L"TEXT_BAD_VIDEOSIZE")) + "\n\n" + path, messages_.shown[0].text);
        EXPECT_EQ("RivoEnc", messages_.shown[0].caption);
        EXPECT_EQ(kMessageOk, messages_.shown[0].type);
    }
    settings.nVideoSizeW = settings.nVideoSizeH = 0;
}

// A picture attached to the file (a song's cover, a film's attachment) is
// never the job's video: no question about its size, and a song with a
// cover is a job of sound.
TEST_F(JobTest, AttachedPicturesAreNeverTheJobsVideo)
{
    std::string cover = MakeMedia(temp(), "cover.png", "-f lavfi -i testsrc=size=295x104 -frames:v 1");
    std::string film =
        MakeMedia(temp(), "film.mkv",
                  TestPicture(1.0, "384x288") + " " + TestTone(1.0) + " -c:v mpeg4 -c:a libvorbis -attach '" + cover +
                      "' -metadata:s:t mimetype=image/png");
    std::string song = MakeMedia(temp(), "song.mp3",
                                 TestTone(1.0) + " -i '" + cover +
                                     "' -map 0:a -map 1:v -c:a libmp3lame -c:v png "
                                     "-disposition:v attached_pic -id3v2_version 3");
    CEncFileInfo filmJob;
    filmJob.Init(CString(Utf8ToWide(film)));
    ASSERT_FALSE(filmJob.m_sSourcePath.IsEmpty());
    ASSERT_NE(nullptr, filmJob.m_pVideoType);
    BITMAPINFOHEADER picture{};
    ASSERT_EQ(1, GetBitmapInfoHeader(filmJob.m_pVideoType, &picture));
    EXPECT_EQ(384, picture.biWidth);
    EXPECT_EQ(288, std::abs(picture.biHeight));
    EXPECT_EQ(1, filmJob.m_nAudioStreamCount);

    CEncFileInfo songJob;
    songJob.Init(CString(Utf8ToWide(song)));
    ASSERT_FALSE(songJob.m_sSourcePath.IsEmpty());
    EXPECT_EQ(nullptr, songJob.m_pVideoType);
    ASSERT_NE(nullptr, songJob.m_pAudioType);
    EXPECT_EQ(1, songJob.m_nAudioStreamCount);
    EXPECT_EQ(1, songJob.m_nDuration);
    EXPECT_TRUE(messages_.shown.empty());
}

// A phone's 3GP with AMR-NB speech: the job names the speech by its codec,
// not "Unknown" nor the codec the library's first tag for it would name.
TEST_F(JobTest, APhonesSpeechIsNamedAmr)
{
    std::string phone = MakeMedia(temp(), "phone.3gp",
                                  TestPicture(1.0, "176x144") + " -i '" + AmrSpeechFile(temp(), "speech.amr", 50) +
                                      "' -map 0:v -map 1:a -c:v mpeg4 -c:a copy");
    CEncFileInfo job;
    job.Init(CString(Utf8ToWide(phone)));
    ASSERT_FALSE(job.m_sSourcePath.IsEmpty());
    ASSERT_NE(nullptr, job.m_pAudioType);
    EXPECT_EQ(CString(L"AMR-NB"), job.GetAudioFormatName());
    EXPECT_EQ(CString(L"MPEG-4"), job.GetVideoFormatName());
}

TEST_F(JobTest, SourcesNothingCanUseAreRefusedQuietly)
{
    WriteBytes(temp().File("empty.avi"), "");
    std::string noise;
    for (int i = 0; i < 20000; ++i) noise.push_back(static_cast<char>((i * 7919) >> 3));
    WriteBytes(temp().File("noise.avi"), noise);
    WriteBytes(temp().File("VIDEO_TS.IFO"), "DVDVIDEO-VTS" + std::string(2000, '\0'));
    WriteBytes(temp().File("show.rec"), std::string("RIVO\x01\0\0\0", 8) + std::string(100, 'r'));
    WriteBytes(temp().File("song.vgm"), "VGM2" + std::string(100, 'v'));
    std::string fifo = temp().File("pipe.mpg");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));

    const std::string cases[] = {
        temp().File("empty.avi"),   temp().File("noise.avi"), temp().File("VIDEO_TS.IFO"),
        temp().File("show.rec"),    temp().File("song.vgm"),  fifo,
        temp().File("missing.avi"), "(Default DVD Device)",   "rivos://stream.example/1",
        "0010abcdefghijkl",
    };
    for (const std::string& source : cases) {
        auto start = std::chrono::steady_clock::now();
        CEncFileInfo job;
        job.Init(CString(Utf8ToWide(source)));
        EXPECT_TRUE(job.m_sSourcePath.IsEmpty()) << source;
        EXPECT_NE(SourceRefusal::None, job.m_nRefusal) << source;
        EXPECT_NE(SourceRefusal::PictureSize, job.m_nRefusal) << source;
        EXPECT_EQ(nullptr, job.m_pVideoType) << source;
        EXPECT_EQ(nullptr, job.m_pAudioType) << source;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << source;
    }
    EXPECT_TRUE(messages_.shown.empty());
}

// An address that answered the first probe with a failure never gets a
// graph, which would ask it again.
TEST_F(JobTest, AnAddressThatFailedIsNeverOpenedByAGraph)
{
    for (const char* line : {"HTTP/1.1 404 Not Found", "HTTP/1.1 403 Forbidden", "HTTP/1.1 503 Service Unavailable"}) {
        LoopbackHttpServer server([&](const TestHttpRequest&) {
            TestHttpReply r;
            r.statusLine = line;
            r.body = "no";
            return r;
        });
        CEncFileInfo job;
        job.Init(CString(server.WUrl("/movie.avi")));
        EXPECT_TRUE(job.m_sSourcePath.IsEmpty()) << line;
        EXPECT_TRUE(IsFailedSourceCode(job.m_nTypeCode)) << line;
        // The first probe's read and its status question, nothing after.
        EXPECT_EQ(2u, server.RequestCount()) << line;
        for (const TestHttpRequest& r : server.Requests()) EXPECT_EQ("HttpGetFile", r.Header("User-Agent"));
    }
}

// An ASF file served over HTTP is a stream: the system's source reads it
// over the network.
TEST_F(JobTest, AsfOverHttpIsReadAsAStream)
{
    std::string bytes = ReadBytes(
        MakeMedia(temp(), "served.asf", TestPicture(2.0) + " " + TestTone(2.0) + " -c:v wmv2 -c:a wmav2 -f asf"));
    LoopbackHttpServer server([&](const TestHttpRequest& r) { return ServeBytes(r, bytes); });
    CEncFileInfo job;
    job.Init(CString(server.WUrl("/live.asf")));
    EXPECT_EQ(kSourceAsfStream, job.m_nTypeCode);
    ASSERT_FALSE(job.m_sSourcePath.IsEmpty());
    EXPECT_NE(nullptr, job.m_pVideoType);
    EXPECT_EQ(1, job.m_nAudioStreamCount);
    EXPECT_EQ(CString(L"WMV"), job.GetContainerName());
    EXPECT_EQ(-1, job.m_nFileSize);
    EXPECT_EQ(CString(L"WMV, 0:00:02, Unknown"), job.GetSummaryText());
}

TEST_F(JobTest, SubtitleBesideTheSource)
{
    namespace fs = std::filesystem;
    struct Case {
        const char* source;
        std::vector<const char*> present;
        const char* found;  // "" for none
    };
    const Case cases[] = {
        {"a.avi", {"a.smi", "a.rt"}, "a.rt"},
        {"a.avi", {"a.txt", "a.ass", "a.ssa"}, "a.ssa"},
        {"a.avi", {"a.SMI"}, "a.SMI"},
        {"a.avi", {"A.Srt"}, "A.Srt"},
        {"a-b.avi", {"a_b.smi"}, "a_b.smi"},
        {"a_b.avi", {"a-b.smi"}, "a-b.smi"},
        {"a-b_c.avi", {"a-b-c.smi"}, "a-b-c.smi"},
        {"a-b.avi", {"a_b.srt"}, ""},  // only the smi name has variants
        {"x-y/a-b.avi", {"x-y/a_b.smi"}, "x-y/a_b.smi"},
        {"x_y/a_b.avi", {"x_y/a-b.smi"}, "x_y/a-b.smi"},
        {"x-y/a-b.avi", {"x_y/a_b.smi"}, ""},  // never in another folder
        {"a.avi", {"a.smi/"}, ""},             // a folder is no subtitle
        {"noextension", {"noextension.smi"}, ""},
        {"a.b/c", {"a.smi", "a.b/c.smi"}, ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        fs::path root = temp().File("subs" + std::to_string(n++));
        fs::create_directories(root);
        fs::path source = root / c.source;
        fs::create_directories(source.parent_path());
        WriteBytes(source.string(), "x");
        for (const char* p : c.present) {
            std::string name = p;
            if (name.back() == '/')
                fs::create_directories(root / name);
            else
                WriteBytes((root / name).string(), "sub");
        }
        std::string expected = *c.found ? (root / c.found).string() : "";
        EXPECT_EQ(CString(Utf8ToWide(expected)), FindSubtitleFile(CString(Utf8ToWide(source.string())))) << c.source;
    }

    // All eleven names present: each wins in turn when the ones before it go.
    const char* order[] = {"rt", "smi", "smil", "srt", "idx", "sub", "rar", "cap", "ssa", "ass", "txt"};
    fs::path root = temp().File("order");
    fs::create_directories(root);
    WriteBytes((root / "m.avi").string(), "x");
    for (const char* e : order) WriteBytes((root / (std::string("m.") + e)).string(), "s");
    for (const char* e : order) {
        fs::path expected = root / (std::string("m.") + e);
        EXPECT_EQ(CString(Utf8ToWide(expected.string())),
                  FindSubtitleFile(CString(Utf8ToWide((root / "m.avi").string()))));
        fs::remove(expected);
    }
    EXPECT_EQ(CString(), FindSubtitleFile(CString(Utf8ToWide((root / "m.avi").string()))));
}

TEST_F(JobTest, AJobFindsItsSubtitleWhenAdded)
{
    std::string path = MakeMedia(temp(), "clip-one.avi", TestPicture(1.0) + " -c:v mpeg4 -vtag XVID");
    WriteBytes(temp().File("clip_one.smi"), "<SAMI></SAMI>");
    CEncFileInfo job;
    job.Init(CString(Utf8ToWide(path)));
    ASSERT_FALSE(job.m_sSourcePath.IsEmpty());
    EXPECT_EQ(CString(Utf8ToWide(temp().File("clip_one.smi"))), job.m_sSubtitlePath);
    EXPECT_EQ(nullptr, job.m_pAudioType);
    EXPECT_EQ(0, job.m_nAudioStreamCount);
}

}  // namespace

namespace {

// A video type with a picture header in the given format's layout.
AM_MEDIA_TYPE* VideoType(const GUID& format, DWORD bitRate, REFERENCE_TIME frameTime, LONG width, LONG height)
{
    CMediaType type(MEDIATYPE_Video);
    type.SetSubtype(FourCCGuid(0x44495658));  // "XVID"
    type.SetFormatType(format);
    const bool two = format == FORMAT_VideoInfo2 || format == FORMAT_MPEG2Video;
    BYTE* block = type.AllocFormatBuffer(two ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER));
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(block);  // the leading fields are shared
    vih->dwBitRate = bitRate;
    vih->AvgTimePerFrame = frameTime;
    BITMAPINFOHEADER* bih = two ? &reinterpret_cast<VIDEOINFOHEADER2*>(block)->bmiHeader : &vih->bmiHeader;
    bih->biSize = sizeof(BITMAPINFOHEADER);
    bih->biWidth = width;
    bih->biHeight = height;
    return CreateMediaType(&type);
}

AM_MEDIA_TYPE* AudioType(WORD tag, WORD channels, DWORD rate, DWORD bytesPerSecond,
                         const GUID& format = FORMAT_WaveFormatEx)
{
    CMediaType type(MEDIATYPE_Audio);
    type.SetSubtype(FourCCGuid(tag));
    type.SetFormatType(format);
    auto* wave = reinterpret_cast<WAVEFORMATEX*>(type.AllocFormatBuffer(sizeof(WAVEFORMATEX)));
    wave->wFormatTag = tag;
    wave->nChannels = channels;
    wave->nSamplesPerSec = rate;
    wave->nAvgBytesPerSec = bytesPerSecond;
    return CreateMediaType(&type);
}

TEST(JobTexts, VideoInfoByFormatAndRate)
{
    struct Case {
        GUID format;
        DWORD bitRate;
        REFERENCE_TIME frameTime;
        const wchar_t* text;
    };
    const Case cases[] = {
        {FORMAT_VideoInfo, 800000, 400000, L"640x480, 25.00fps, 800Kbps"},
        {FORMAT_VideoInfo, 1000000, 400000, L"640x480, 25.00fps, 1000Kbps"},
        {FORMAT_VideoInfo, 1001000, 400000, L"640x480, 25.00fps, 1.0Mbps"},
        {FORMAT_VideoInfo, 1000999, 417083, L"640x480, 23.98fps, 1000Kbps"},
        {FORMAT_MPEGVideo, 2500000, 333667, L"640x480, 29.97fps, 2.5Mbps"},
        {FORMAT_VideoInfo2, 0, 0, L"640x480, 0.00fps"},  // no bit rate known: none shown
        {FORMAT_VideoInfo, 999, 400000, L"640x480, 25.00fps, 0Kbps"},
        {FORMAT_MPEG2Video, 4000000, -5, L"640x480, 0.00fps, 4.0Mbps"},
        {FORMAT_WaveFormatEx, 800000, 400000, L""},
    };
    for (const Case& c : cases) {
        CEncFileInfo job;
        job.m_pVideoType = VideoType(c.format, c.bitRate, c.frameTime, 640, 480);
        EXPECT_EQ(CString(c.text), job.GetVideoInfoText()) << c.bitRate;
    }
    CEncFileInfo none;
    EXPECT_EQ(CString(), none.GetVideoInfoText());
    EXPECT_EQ(CString(), none.GetVideoFormatName());
}

TEST(JobTexts, AudioInfoByRate)
{
    struct Case {
        WORD channels;
        DWORD rate;
        DWORD bytesPerSecond;
        GUID format;
        const wchar_t* text;
    };
    const Case cases[] = {
        {2, 44100, 16000, FORMAT_WaveFormatEx, L"2Ch, 44.0KHz, 128Kbps"},
        {1, 22050, 8000, FORMAT_WaveFormatEx, L"1Ch, 22.0KHz, 64Kbps"},
        {2, 8000, 1000, FORMAT_WaveFormatEx, L"2Ch, 8.0KHz, 8Kbps"},
        {6, 48000, 576000, FORMAT_WaveFormatEx, L"6Ch, 48.0KHz, 4.6Mbps"},
        {2, 48000, 125000, FORMAT_WaveFormatEx, L"2Ch, 48.0KHz, 1000Kbps"},
        {2, 48000, 125125, FORMAT_WaveFormatEx, L"2Ch, 48.0KHz, 1.0Mbps"},
        {2, 48000, 0, FORMAT_WaveFormatEx, L"2Ch, 48.0KHz"},  // no bit rate known: none shown
        {2, 44100, 16000, FORMAT_VideoInfo, L""},
    };
    for (const Case& c : cases) {
        CEncFileInfo job;
        job.m_pAudioType = AudioType(0x55, c.channels, c.rate, c.bytesPerSecond, c.format);
        EXPECT_EQ(CString(c.text), job.GetAudioInfoText()) << c.rate;
        EXPECT_EQ(CString(L"MPEG Layer-3"), job.GetAudioFormatName());
    }
}

TEST(JobTexts, DurationContainerAndSummary)
{
    CEncFileInfo job;
    job.m_sSourcePath = L"/films/holiday/Trip.Part-1.flv";
    job.m_nTypeCode = kSourceFlv;
    job.m_nDuration = 3 * 3600 + 4 * 60 + 5;
    job.m_nSegmentStart = 61;
    job.m_nSegmentEnd = 3599;
    job.m_nFileSize = 1536;
    EXPECT_EQ(CString(L"3:04:05 [0:01:01 - 0:59:59]"), job.GetDurationText());
    EXPECT_EQ(CString(L"Trip.Part-1.flv"), job.GetSourceFileName());
    EXPECT_EQ(CString(L"/films/holiday/"), job.GetSourceFolder());
    EXPECT_EQ(CString(L"FLV"), job.GetContainerName());
    EXPECT_EQ(CString(L"FLV, 3:04:05, 1.5KB"), job.GetSummaryText());
    job.m_nFileSize = -1;
    EXPECT_EQ(CString(L"FLV, 3:04:05, Unknown"), job.GetSummaryText());

    struct Case {
        SourceTypeCode code;
        const wchar_t* path;
        const wchar_t* word;
    };
    const Case cases[] = {
        {kSourceStreamAddress, L"x.avi", L"RIVO"},
        {kSourceRivoFile, L"x", L"RIVO"},
        {kSourceAvi, L"x.mkv", L"AVI"},
        {kSourceAviHttp, L"x", L"AVI"},
        {kSourceAsfNoIndex, L"x.asf", L"WMV"},
        {kSourceAsfStream, L"mms://h/x", L"WMV"},
        {kSourceMpegProgram, L"x", L"MPG"},
        {kSourceMpegTransport, L"x", L"TS"},
        {kSourceMpegTransportDmb, L"a/x.dmb", L"DMB"},
        {kSourceMp4, L"x", L"MP4"},
        {kSourceMp4Http, L"x", L"MP4"},
        {kSourceOgg, L"x", L"OGM"},
        {kSourceOggHttp, L"a/x.ogg", L"OGG"},
        {kSourceRealMedia, L"x", L"RM"},
        {kSourceMatroska, L"x", L"MKV"},
        {kSourceUnknown, L"a.b/clip.Mov", L"MOV"},
        {kSourceUnknown, L"a.b/clip", L""},
        {kSourceSwf, L"x.swf", L"SWF"},
    };
    for (const Case& c : cases) {
        CEncFileInfo j;
        j.m_nTypeCode = c.code;
        j.m_sSourcePath = c.path;
        EXPECT_EQ(CString(c.word), j.GetContainerName()) << std::hex << c.code;
    }
}

}  // namespace
