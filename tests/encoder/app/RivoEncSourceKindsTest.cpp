// RivoEnc run as a user runs it, headless ("/automode /destpath=", with the
// shipped default settings and with each shipped preset), over the kinds of
// sources people convert: film and TV rates, phone rates and variable
// rates, containers that state no frame duration, phone video stored on its
// side or upright, HEVC, phone speech, 8- and 24-bit PCM, attached pictures,
// video that starts late, edit lists, fragments, B-pictures, AVI MPEG-4,
// FLV, MPEG-TS with AC-3, VP8 and VP9, picture sizes that are no multiple of
// 4, a file of one picture and a damaged time stamp. Each output is judged by ffprobe against
// what the ffmpeg command line makes of the same source at the same
// settings: as many pictures (within one), as long (within 0.1 s), the
// picture turned as players show the source, the source's frame rate, and
// its sound, as long as ffmpeg's.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// ffmpeg input arguments for the moving test picture.
std::string Picture(const std::string& size, const std::string& rate, double seconds)
{
    return "-f lavfi -i testsrc=size=" + size + ":rate=" + rate + ":duration=" + std::to_string(seconds);
}

// A kind of source: how it is made, and what judging it needs beyond the
// ffmpeg command line's output.
struct SourceKind {
    const char* name;
    const char* file;
    std::string (*make)(const TempDir& dir, const std::string& file);
    bool picture;  // false: a job of sound alone
    double rate;   // the frame rate players show; 0 where the source has none
    // The pictures a file of the source's rate holds, where the ffmpeg
    // command line's own output is no measure (see the source); -1 where
    // it is.
    int frames = -1;
};
void PrintTo(const SourceKind& k, std::ostream* os) { *os << k.name; }

const SourceKind kSourceKinds[] = {
    {"Film23976", "film.mp4",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f, Picture("160x120", "24000/1001", 2) + " " + TestTone(2) + " -c:v libx264 -c:a aac");
     },
     true, 24000.0 / 1001},
    {"Tv2997", "tv.mp4",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f, Picture("160x120", "30000/1001", 2) + " " + TestTone(2) + " -c:v libx264 -c:a aac");
     },
     true, 30000.0 / 1001},
    // Phones store their rates on a 90 kHz clock, where no picture lasts a
    // whole number of ticks.
    {"Phone2941", "phone2941.mp4",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          Picture("160x120", "2941/100", 2) + " " + TestTone(2) +
                              " -c:v libx264 -c:a aac -video_track_timescale 90000");
     },
     true, 29.41},
    {"Phone3007", "phone3007.mp4",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          Picture("160x120", "3007/100", 2) + " " + TestTone(2) +
                              " -c:v libx264 -c:a aac -video_track_timescale 90000");
     },
     true, 30.07},
    {"Phone1476", "phone1476.3gp",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(
             d, f, Picture("176x144", "1476/100", 2) + " " + TestTone(2, 8000) + " -c:v mpeg4 -c:a aac -ar 8000 -ac 1");
     },
     true, 14.76},
    // Pictures stamped in milliseconds with a jitter, in containers that
    // state no frame duration: the ffmpeg command line takes 80 pictures a
    // second from the stamps and writes 161 where the source shows 60.
    {"MatroskaWithoutFrameDuration", "noduration.mkv",
     [](const TempDir& d, const std::string& f) {
         std::string path = MakeMedia(
             d, f, JitteredPictures(2) + " " + TestTone(2) + JitteredStamps() + " -c:v libx264 -c:a libvorbis");
         DropMatroskaFrameDuration(path);
         return path;
     },
     true, 30, 60},
    {"FlvH264Aac", "h264.flv",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f, Picture("160x120", "30000/1001", 2) + " " + TestTone(2) + " -c:v libx264 -c:a aac");
     },
     true, 30000.0 / 1001},
    {"FlvWithoutFrameDuration", "jitter.flv",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(
             d, f, JitteredPictures(2) + " " + TestTone(2) + JitteredStamps() + " -c:v flv1 -c:a libmp3lame -ar 44100");
     },
     true, 30, 60},
    // A phone held upright: a wide picture whose display matrix turns it a
    // quarter, as phones write it.
    {"PhoneOnItsSide", "upright.mp4",
     [](const TempDir& d, const std::string& f) {
         std::string flat =
             MakeMedia(d, "flat.mp4", Picture("160x90", "30", 2) + " " + TestTone(2) + " -c:v libx264 -c:a aac");
         return WithDisplayMatrix(d, flat, f, 0, 1, -1, 0);
     },
     true, 30},
    // HEVC, as phones record it now, held the other way up.
    {"PhoneHevcTurnedBack", "hevc.mp4",
     [](const TempDir& d, const std::string& f) {
         std::string flat = MakeMedia(
             d, "flat-hevc.mp4",
             Picture("160x90", "30", 2) + " " + TestTone(2) + " -c:v libx265 -preset ultrafast -tag:v hvc1 -c:a aac");
         return WithDisplayMatrix(d, flat, f, 0, -1, 1, 0);
     },
     true, 30},
    // Phones that record in high dynamic range store 10 bits a sample.
    {"PhoneHevc10Bit", "hdr.mp4",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          Picture("160x90", "30", 2) + " " + TestTone(2) +
                              " -c:v libx265 -preset ultrafast -pix_fmt yuv420p10le -tag:v hvc1 -c:a aac");
     },
     true, 30},
    // Cameras add a time code track beside the pictures and the sound.
    {"CameraWithTimeCode", "camera-tc.mov",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          Picture("160x120", "30000/1001", 2) + " " + TestTone(2, 48000) +
                              " -c:v libx264 -c:a aac -timecode '01:00:00;00'");
     },
     true, 30000.0 / 1001},
    {"PhoneAmrSpeech", "speech.3gp",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          Picture("176x144", "15", 2) + " -i '" + AmrSpeechFile(d, "speech.amr", 100) +
                              "' -map 0:v -map 1:a -c:v mpeg4 -c:a copy");
     },
     true, 15},
    // Recorded on a phone with a frame rate that follows the light: each
    // picture's own duration on the 90 kHz clock. Its rate is the average,
    // 60 pictures over the 2.007 s the stream lasts.
    {"PhoneVariableRate", "variable.mp4",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          JitteredPictures(2) + " " + TestTone(2) + JitteredStamps() +
                              " -c:v libx264 -c:a aac -video_track_timescale 90000");
     },
     true, 90000.0 / 3011, 60},
    // A screen recording, stored upright at 60 pictures a second. For the
    // PSP's 30 the ffmpeg command line holds the last picture for two more
    // (2.067 s); a file of 2 s holds 60.
    {"PortraitAt60", "screen.mp4",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f, Picture("180x320", "60", 2) + " " + TestTone(2, 48000) + " -c:v libx264 -c:a aac");
     },
     true, 60, 120},
    {"Wave8Bit", "u8.wav",
     [](const TempDir& d, const std::string& f) { return MakeMedia(d, f, TestTone(2, 22050) + " -c:a pcm_u8"); }, false,
     0},
    {"Wave24Bit", "s24.wav",
     [](const TempDir& d, const std::string& f) { return MakeMedia(d, f, TestTone(2, 48000) + " -c:a pcm_s24le"); },
     false, 0},
    {"Camera8BitSound", "camera.mov",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f, Picture("160x120", "25", 2) + " " + TestTone(2, 22050) + " -c:v mjpeg -c:a pcm_u8");
     },
     true, 25},
    {"Avi24BitSound", "s24.avi",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f, Picture("160x120", "25", 2) + " " + TestTone(2, 48000) + " -c:v mpeg4 -c:a pcm_s24le");
     },
     true, 25},
    {"MatroskaWithCover", "covered.mkv",
     [](const TempDir& d, const std::string& f) {
         std::string cover = MakeMedia(d, "cover.png", "-f lavfi -i testsrc=size=295x104 -frames:v 1");
         return MakeMedia(d, f,
                          Picture("384x288", "25", 2) + " " + TestTone(2) + " -c:v mpeg4 -c:a libvorbis -attach '" +
                              cover + "' -metadata:s:t mimetype=image/png");
     },
     true, 25},
    // Downloads carry text subtitles beside the pictures and the sound.
    {"MatroskaWithSubtitles", "subtitled.mkv",
     [](const TempDir& d, const std::string& f) {
         const std::string text = d.File("lines.srt");
         WriteBytes(text, "1\n00:00:00,200 --> 00:00:01,500\nHello\n\n");
         return MakeMedia(d, f,
                          Picture("160x120", "24000/1001", 2) + " " + TestTone(2) + " -i '" + text +
                              "' -map 0:v -map 1:a -map 2:s -c:v libx264 -c:a aac -c:s srt");
     },
     true, 24000.0 / 1001},
    {"SongWithCover", "song.mp3",
     [](const TempDir& d, const std::string& f) {
         std::string cover = MakeMedia(d, "art.png", "-f lavfi -i testsrc=size=300x300 -frames:v 1");
         return MakeMedia(d, f,
                          TestTone(2) + " -i '" + cover +
                              "' -map 0:a -map 1:v -c:a libmp3lame -c:v png -disposition:v attached_pic "
                              "-id3v2_version 3");
     },
     false, 0},
    {"TransportStreamVideoLate", "late.ts",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          Picture("160x120", "25", 2) + " " + TestTone(2, 48000) +
                              " -filter_complex '[0:v]setpts=PTS+0.8/TB[v]' -map '[v]' -map 1:a "
                              "-c:v mpeg2video -c:a ac3");
     },
     true, 25},
    // Broadcast recordings: H.264 and six channels of AC-3 in MPEG-TS at
    // 29.97.
    {"TransportStreamH264Ac3", "broadcast.ts",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          Picture("160x120", "30000/1001", 2) + " " + TestTone(2, 48000) +
                              " -c:v libx264 -c:a ac3 -af 'pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0'");
     },
     true, 30000.0 / 1001},
    // Cut between key pictures without decoding: the edit list says where
    // the pictures start.
    {"Mp4EditList", "edited.mp4",
     [](const TempDir& d, const std::string& f) {
         std::string whole = MakeMedia(
             d, "whole.mp4", Picture("160x120", "25", 3) + " " + TestTone(3) + " -c:v libx264 -g 25 -c:a aac");
         return MakeMedia(d, f, "-ss 0.5 -i '" + whole + "' -c copy -t 2");
     },
     true, 25},
    // Written as it was recorded, in fragments, with B-pictures referring
    // to B-pictures.
    {"FragmentedMp4BPyramid", "fragments.mp4",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          Picture("160x120", "30000/1001", 2) + " " + TestTone(2) +
                              " -c:v libx264 -bf 3 -x264-params b-pyramid=normal -g 15 -c:a aac "
                              "-movflags frag_keyframe+empty_moov+default_base_moof");
     },
     true, 30000.0 / 1001},
    // The AVI MPEG-4 of film downloads: 23.976, B-pictures packed with the
    // picture before them.
    {"AviMpeg4Film", "film.avi",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(
             d, f,
             Picture("160x120", "24000/1001", 2) + " " + TestTone(2) + " -c:v mpeg4 -vtag XVID -bf 2 -c:a libmp3lame");
     },
     true, 24000.0 / 1001},
    // A camera's clip whose pictures start half a second after its sound:
    // the edit list begins with an empty stretch.
    {"Mp4VideoStartsLate", "late.mp4",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          Picture("160x120", "25", 2) + " " + TestTone(2.5) +
                              " -filter_complex '[0:v]setpts=PTS+0.5/TB[v]' -map '[v]' -map 1:a "
                              "-c:v libx264 -fps_mode passthrough -c:a aac");
     },
     true, 25},
    {"WebmVp8", "vp8.webm",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(
             d, f, Picture("160x120", "25", 2) + " " + TestTone(2, 48000) + " -c:v libvpx -b:v 300k -c:a libvorbis");
     },
     true, 25},
    {"WebmVp9", "vp9.webm",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(
             d, f, Picture("160x120", "25", 2) + " " + TestTone(2, 48000) + " -c:v libvpx-vp9 -b:v 300k -c:a libopus");
     },
     true, 25},
    {"Wide854x480", "wide.mp4",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f, Picture("854x480", "30000/1001", 1) + " " + TestTone(1) + " -c:v libx264 -c:a aac");
     },
     true, 30000.0 / 1001},
    {"Odd636x357", "odd.avi",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f, Picture("636x357", "25", 1) + " " + TestTone(1) + " -c:v mpeg4 -c:a libmp3lame");
     },
     true, 25},
    // One picture and a second of sound: the container states no rate, and
    // the ffmpeg command line takes its millisecond clock for 1000
    // pictures a second; the picture is one, held while the sound plays.
    {"WmvOfOnePicture", "one.wmv",
     [](const TempDir& d, const std::string& f) {
         return MakeMedia(d, f,
                          "-f lavfi -i testsrc=size=160x120:rate=25 " + TestTone(1) +
                              " -filter_complex '[0:v]trim=end_frame=1[v]' -map '[v]' -map 1:a "
                              "-c:v wmv2 -c:a wmav2");
     },
     true, 0, 1},
    // The 60th picture stamped 469,762 s late, as damaged files come.
    {"FlvWithAFarStamp", "far.flv", [](const TempDir& d, const std::string& f) { return FlvWithOneFarStamp(d, f); },
     true, 25},
};

// The shipped default settings and the shipped presets, and the ffmpeg
// command line's output arguments for the same settings.
struct ShippedSettings {
    const char* preset;  // "" for the default settings
    const char* extension;
    const char* reference;           // ffmpeg's output arguments
    const char* referenceExtension;  // the container ffmpeg writes them into
    bool psp;
};
const ShippedSettings kShipped[] = {
    {"", "avi", "-c:v mpeg4 -vtag XVID -b:v 1024k -c:a libmp3lame -b:a 128k -ac 2", "avi", false},
    {"avi-mpeg4-mp3", "avi", "-c:v mpeg4 -vtag XVID -b:v 1024k -c:a libmp3lame -b:a 128k -ac 2", "avi", false},
    // MP4 sound at 64 kbit/s or more is written at 48 kHz.
    {"mp4-h264-aac", "mp4", "-c:v libx264 -b:v 1024k -c:a aac -b:a 128k -ar 48000 -ac 2", "mp4", false},
    // The PSP plays 15 or 30 pictures a second: its writer writes 30 where
    // the preset says 29.97, and sound at 24 kHz with MPEG-4 video.
    {"mp4-psp", "mp4", "-c:v mpeg4 -b:v 768k -r 30 -c:a aac -b:a 128k -ar 24000 -ac 2", "mp4", true},
    // The ffmpeg command line writes no OGM with MPEG-4 video; Matroska
    // holds the same streams, each picture as a whole one.
    {"ogm-xvid-vorbis", "ogm", "-c:v mpeg4 -vtag XVID -b:v 1024k -c:a libvorbis -q:a 4 -ac 2 -fps_mode cfr", "mkv",
     false},
    // The preset's sound format: 128 kbit/s, 44 kHz, stereo.
    {"wmv", "wmv", "-c:v wmv2 -b:v 1024k -c:a wmav2 -b:a 128k -ar 44100 -ac 2", "wmv", false},
};

ProbedStreamInfo FirstOfKind(const ProbedFile& file, const std::string& kind)
{
    for (const ProbedStreamInfo& s : file.streams)
        if (s.kind == kind) return s;
    return {};
}

// Seconds of the first sound stream as the ffmpeg command line decodes it.
double SoundSeconds(const std::string& path)
{
    int code = -1;
    std::string count = RunTool("ffmpeg -hide_banner -loglevel error -nostdin -i " + Quoted(path) +
                                    " -map 0:a:0 -ac 1 -ar 8000 -f s16le - | wc -c",
                                &code);
    EXPECT_EQ(0, code) << path;
    return std::atof(count.c_str()) / 16000.0;
}

// The structural similarity (0 to 1) of the pictures two files show at a
// time, each decoded (and turned as its file says) by the ffmpeg command
// line and brought to one small grey size; -1 when ffmpeg cannot compare.
double SimilarityAt(const TempDir& dir, const std::string& a, const std::string& b, double seconds)
{
    std::string pictures[2];
    const std::string files[2] = {a, b};
    for (int i = 0; i < 2; ++i)
        pictures[i] = MakeMedia(
            dir, "shown" + std::to_string(i) + ".png",
            "-ss " + std::to_string(seconds) + " -i " + Quoted(files[i]) + " -frames:v 1 -vf scale=64:64,format=gray");
    int code = -1;
    std::string log = RunTool("ffmpeg -hide_banner -nostdin -i " + Quoted(pictures[0]) + " -i " + Quoted(pictures[1]) +
                                  " -lavfi ssim -f null - 2>&1",
                              &code);
    size_t found = log.rfind("All:");
    EXPECT_TRUE(code == 0 && found != std::string::npos) << log;
    return code == 0 && found != std::string::npos ? std::atof(log.c_str() + found + 4) : -1;
}

// What the pages of an Ogg file say of each logical stream.
struct OggStreamPages {
    std::string kind;  // "vorbis", "video", ...
    double rate = 0;   // samples or pictures a second, from its header
    int64_t lastGranule = 0;
    bool endFlagged = false;  // the last page carries the end-of-stream flag
    int falling = 0;          // pages whose granule is below an earlier one
};
std::map<uint32_t, OggStreamPages> ReadOggPages(const std::string& path)
{
    const std::string d = ReadBytes(path);
    auto le = [&](size_t at, int bytes) {
        uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(d[at + static_cast<size_t>(i)]);
        return v;
    };
    std::map<uint32_t, OggStreamPages> streams;
    std::map<uint32_t, int64_t> highest;
    for (size_t p = d.find("OggS"); p != std::string::npos && p + 27 <= d.size(); p = d.find("OggS", p)) {
        const uint8_t flags = static_cast<uint8_t>(d[p + 5]);
        const int64_t granule = static_cast<int64_t>(le(p + 6, 8));
        const uint32_t serial = static_cast<uint32_t>(le(p + 14, 4));
        const size_t segments = static_cast<uint8_t>(d[p + 26]);
        size_t body = p + 27 + segments, size = 0;
        if (body > d.size()) break;
        for (size_t i = 0; i < segments; ++i) size += static_cast<uint8_t>(d[p + 27 + i]);
        OggStreamPages& s = streams[serial];
        if ((flags & 2) && body + 33 <= d.size()) {
            // The first packet: a Vorbis identification header, or an OGM
            // stream header (its time unit in 100 ns and samples per unit).
            if (d.compare(body + 1, 6, "vorbis") == 0) {
                s.kind = "vorbis";
                s.rate = static_cast<double>(le(body + 12, 4));
            } else if (d.compare(body + 1, 5, "video") == 0) {
                s.kind = "video";
                const double unit = static_cast<double>(le(body + 17, 8)),
                             perUnit = static_cast<double>(le(body + 25, 8));
                s.rate = unit > 0 ? 1e7 / unit * perUnit : 0;
            } else {
                s.kind = "other";
            }
        }
        if (granule != -1) {
            auto [seen, first] = highest.emplace(serial, granule);
            if (!first && granule < seen->second) ++s.falling;
            if (!first && granule > seen->second) seen->second = granule;
        }
        s.lastGranule = granule;
        s.endFlagged = (flags & 4) != 0;
        p = body + size;
    }
    return streams;
}

class RivoEncSourceKindsTest : public ::testing::TestWithParam<SourceKind> {
protected:
    // The shape the source is shown in (turned as it says): its display
    // width over height.
    double ShownAspect(const std::string& source) const
    {
        std::string said =
            RunTool("ffmpeg -hide_banner -nostdin -i " + Quoted(source) +
                    " -frames:v 1 -f rawvideo -pix_fmt gray -vf 'scale=iw*sar:ih,showinfo' -y /dev/null 2>&1");
        const std::string key = " s:";
        size_t at = said.find(key);
        int w = 0, h = 0;
        if (at != std::string::npos) std::sscanf(said.c_str() + at + key.size(), "%dx%d", &w, &h);
        EXPECT_GT(w * h, 0) << said;
        return h > 0 ? static_cast<double>(w) / h : 1;
    }

    // The PSP's 320x240 picture of the source: cropped to 4:3 where that
    // cuts at most an eighth of it, else with bars (the presets' size rule).
    std::string PspGeometry(const std::string& source) const
    {
        const double shown = ShownAspect(source), target = 4.0 / 3;
        const double cut = 1 - std::min(shown, target) / std::max(shown, target);
        return cut <= 0.125 ? "scale=320:240:force_original_aspect_ratio=increase,crop=320:240"
                            : "scale=320:240:force_original_aspect_ratio=decrease,pad=320:240:-1:-1";
    }

    // What the ffmpeg command line makes of the given arguments, made once
    // for settings that ask the same of it (the defaults and the preset
    // they come from).
    std::string MadeOnce(const std::string& name, const std::string& arguments)
    {
        auto [made, first] = made_.emplace(arguments, std::string());
        if (first) made->second = MakeMedia(dir_, name, arguments);
        return made->second;
    }

    void Judge(const SourceKind& kind, const std::string& source, const ShippedSettings& settings)
    {
        const std::string label = *settings.preset ? settings.preset : "defaults";
        SCOPED_TRACE(label);
        const std::string out = dir_.File("out-" + label), home = dir_.File("home-" + label);
        fs::create_directories(out);
        std::vector<std::string> arguments = {"/automode", "/destpath=" + out};
        if (*settings.preset) arguments.push_back(std::string("/preset=") + settings.preset);
        arguments.push_back(source);
        int status = -1;
        // Each run converts two seconds: a run that takes 90 s has hung, and
        // six of them still end within the test run's deadline.
        const std::string said = RunTool(HeadlessProgramCommand(dir_.path(), home, arguments, 90), &status);
        ASSERT_NE(124, status) << "the run did not end within 90 s\n" << said;
        const std::string output = out + "/" + fs::path(source).stem().string() + "." + settings.extension;

        // The PSP plays only files with pictures: a job of sound alone fails
        // and says why, and leaves no file.
        if (settings.psp && !kind.picture) {
            EXPECT_EQ(1, status) << said;
            EXPECT_NE(std::string::npos, said.find("RivoEnc: failed: " + source + ": 0x00000e03")) << said;
            EXPECT_FALSE(fs::exists(output));
            return;
        }
        ASSERT_EQ(0, status) << said;
        ASSERT_TRUE(fs::exists(output)) << said;

        // The writers make a picture's sides even.
        const std::string pictures =
            kind.picture
                ? " -vf '" + (settings.psp ? PspGeometry(source) : std::string("crop=trunc(iw/2)*2:trunc(ih/2)*2")) +
                      "'"
                : std::string(" -vn");
        const std::string reference = MadeOnce("reference-" + label + "." + settings.referenceExtension,
                                               "-i " + Quoted(source) + pictures + " " + settings.reference);
        // An AVI of the ffmpeg command line marks a picture held over a place
        // of the frame grid by an empty chunk, which ffprobe does not count;
        // the same pictures in Matroska at a constant rate are all counted.
        std::string counted = reference;
        if (std::string(settings.referenceExtension) == "avi" && kind.picture)
            counted = MadeOnce("counted-" + label + ".mkv",
                               "-i " + Quoted(source) + pictures + " " + settings.reference + " -fps_mode cfr");

        const ProbedFile written = ProbeFile(output), expected = ProbeFile(reference);
        bool hasVideo = false, hasSound = false;
        ProbedStreamInfo video;
        for (const ProbedStreamInfo& s : written.streams) {
            if (s.kind == "video" && !hasVideo) video = s;
            hasVideo = hasVideo || s.kind == "video";
            hasSound = hasSound || s.kind == "audio";
        }
        // Attached pictures are never the video; every source has sound,
        // in as many channels and at the rate ffmpeg gives it.
        EXPECT_EQ(kind.picture, hasVideo);
        ASSERT_TRUE(hasSound);
        EXPECT_EQ(FirstOfKind(expected, "audio").channels, FirstOfKind(written, "audio").channels);
        EXPECT_EQ(FirstOfKind(expected, "audio").sampleRate, FirstOfKind(written, "audio").sampleRate);
        EXPECT_NEAR(expected.duration, written.duration, 0.1);
        EXPECT_NEAR(SoundSeconds(reference), SoundSeconds(output), 0.1);

        if (kind.picture) {
            const ProbedVideoTiming timing = ProbeVideoTiming(output), ffmpegTiming = ProbeVideoTiming(counted);
            for (const ProbedStreamInfo& s : expected.streams)
                if (s.kind == "video") {
                    EXPECT_EQ(s.width, video.width);
                    EXPECT_EQ(s.height, video.height);
                    break;
                }
            const double rate = settings.psp ? 30 : kind.rate;
            long long frames = ffmpegTiming.frames;
            if (kind.frames >= 0)
                frames = std::llround(kind.frames * (settings.psp && kind.rate > 0 ? 30 / kind.rate : 1));
            EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(timing.frames), 1.0)
                << "ffmpeg's count: " << ffmpegTiming.frames;
            // An AVI or MP4 file states the exact fraction; an OGM file a
            // time per picture in 100 ns, an ASF file times in milliseconds.
            const bool fraction = std::string(settings.extension) == "avi" || std::string(settings.extension) == "mp4";
            if (rate > 0 && timing.AverageRate() > 0) {
                EXPECT_NEAR(rate, timing.AverageRate(), fraction ? rate * 0.003 : 0.1)
                    << timing.avgNum << "/" << timing.avgDen;
            }
            // The picture as players show the source, turned and scaled.
            const double middle = timing.frames > 2 && timing.AverageRate() > 0
                                      ? static_cast<double>(timing.frames / 2) / timing.AverageRate()
                                      : 0;
            EXPECT_GT(SimilarityAt(dir_, output, reference, middle), 0.8) << "at " << middle << " s";
        }

        // An OGM file's pages: time stamps that never fall, and each stream's
        // last page, flagged as its end, says where the stream ends.
        if (std::string(settings.extension) == "ogm") {
            for (const auto& [serial, pages] : ReadOggPages(output)) {
                SCOPED_TRACE(pages.kind + " stream " + std::to_string(serial));
                EXPECT_EQ(0, pages.falling);
                EXPECT_TRUE(pages.endFlagged);
                EXPECT_GE(pages.lastGranule, 0);
                if (pages.kind == "vorbis" && pages.rate > 0) {
                    EXPECT_NEAR(SoundSeconds(output), static_cast<double>(pages.lastGranule) / pages.rate, 0.1);
                }
                if (pages.kind == "video") {
                    EXPECT_NEAR(static_cast<double>(ProbeVideoTiming(output).frames),
                                static_cast<double>(pages.lastGranule + 1), 1.0);
                }
            }
        }
    }

    RuntimeFolder runtime_;
    TempDir dir_;
    std::map<std::string, std::string> made_;
};

TEST_P(RivoEncSourceKindsTest, TheDefaultsAndEveryShippedPresetConvertItAsTheFfmpegCommandLineDoes)
{
    const SourceKind& kind = GetParam();
    const std::string source = kind.make(dir_, kind.file);
    ASSERT_FALSE(source.empty());
    for (const ShippedSettings& settings : kShipped) Judge(kind, source, settings);
}

INSTANTIATE_TEST_SUITE_P(Sources, RivoEncSourceKindsTest, ::testing::ValuesIn(kSourceKinds),
                         [](const ::testing::TestParamInfo<SourceKind>& i) { return std::string(i.param.name); });

}  // namespace
