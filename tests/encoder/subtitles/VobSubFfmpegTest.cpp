// Sub-picture units repacked by ffmpeg's DVD muxer decode to the pictures
// that ffmpeg's own decoder makes of them, at the times it gives them.
#include <gtest/gtest.h>

#include <sstream>

#include "VobSubTestUtil.h"

namespace {

constexpr int kWidth = 360;
constexpr int kHeight = 240;
constexpr uint32_t kBackground = 0x284878;

using Frame = std::vector<uint32_t>;  // 0xRRGGBB, rows top-down

std::string RunChecked(const std::string& command)
{
    int exitCode = -1;
    std::string out = RunTool(command + " 2>&1", &exitCode);
    EXPECT_EQ(0, exitCode) << command << "\n" << out;
    return out;
}

// A picture that needs short runs in every line, so that its unit spans
// several packs.
SpuPicture Busy(int w, int h)
{
    SpuPicture p(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.At(x, y) = static_cast<uint8_t>(((x / 3) + (y / 2)) % 4);
    return p;
}

SpuPicture Stripes(int w, int h)
{
    SpuPicture p(w, h, 0);
    p.Box(0, 0, w, h, 1);
    p.Box(2, 2, w - 4, h - 4, 0);
    for (int y = 4; y < h - 4; y += 4) p.Box(4, y, w - 8, 2, 2);
    p.Box(w / 3, 3, w / 3, h - 6, 3);
    return p;
}

struct Picture {
    int language;
    int64_t ms;
    SpuUnit unit;
};

std::vector<Picture> Pictures()
{
    std::vector<Picture> list;
    SpuUnit a;
    a.picture = Stripes(120, 40);
    a.x = 20;
    a.y = 30;
    a.paletteIndices = 0xA410;  // 3 -> 10, 2 -> 4 (white), 1 -> 1 (red), 0 -> 0
    a.contrasts = 0xB8F0;       // half-transparent white, opaque red, clear background
    a.stopDelay = 90;
    list.push_back({0, 1000, a});

    SpuUnit b;
    b.picture = Busy(300, 120);
    b.x = 30;
    b.y = 100;
    b.paletteIndices = 0x5DC0;
    b.contrasts = 0xF6F0;
    b.stopDelay = 135;
    b.fillLineEnds = true;
    list.push_back({0, 3000, b});

    SpuUnit c = a;
    c.picture = Stripes(64, 30);
    c.x = 200;
    c.y = 180;
    c.forced = true;
    c.stopDelay = 225;
    c.contrasts = 0x4FF0;
    list.push_back({0, 5500, c});

    SpuUnit d;
    d.picture = Stripes(80, 25);
    d.x = 250;
    d.y = 10;
    d.paletteIndices = 0x3E9B;
    d.contrasts = 0xFA5F;  // the background value is opaque too
    d.stopDelay = 90;
    d.fillLineEnds = true;
    list.push_back({1, 2000, d});

    SpuUnit e;
    e.picture = Busy(33, 17);
    e.x = 5;
    e.y = 200;
    e.paletteIndices = 0x7182;
    e.contrasts = 0x3C9F;
    e.stopDelay = 180;
    list.push_back({1, 7000, e});
    return list;
}

int64_t ReadPts(const BYTE* b)
{
    return (static_cast<int64_t>((b[0] >> 1) & 7) << 30) | (static_cast<int64_t>(b[1]) << 22) |
           (static_cast<int64_t>(b[2] >> 1) << 15) | (static_cast<int64_t>(b[3]) << 7) | (b[4] >> 1);
}

// The index of a program stream: every pack that starts a sub-picture unit.
std::vector<IndexLanguage> ScanUnits(const std::string& data)
{
    std::vector<IndexLanguage> languages = {{"en", 0, {}}, {"ko", 1, {}}};
    for (size_t at = 0; at + 2048 <= data.size(); at += 2048) {
        const auto* b = reinterpret_cast<const BYTE*>(data.data() + at);
        if (b[0] || b[1] || b[2] != 1 || b[3] != 0xBA || b[14] || b[15] || b[16] != 1 || b[17] != 0xBD) continue;
        if (!(b[21] & 0x80)) continue;
        const int id = b[23 + b[22]];
        if ((id & 0xE0) != 0x20 || (id & 0x1F) > 1) continue;
        languages[id & 0x1F].lines.push_back(TimestampLine(ReadPts(b + 23) / 90, static_cast<int64_t>(at)));
    }
    return languages;
}

// The frames ffmpeg shows with one subtitle stream over a plain video, each
// different picture once, in order.
std::vector<Frame> FfmpegPictures(const TempDir& dir, const std::string& sub, int stream)
{
    const std::string raw = dir.File("frames" + std::to_string(stream) + ".rgb");
    char background[16];
    std::snprintf(background, sizeof(background), "0x%06x", kBackground);
    RunChecked("ffmpeg -nostdin -v error -y -f lavfi -i color=c=" + std::string(background) +
               ":s=" + std::to_string(kWidth) + "x" + std::to_string(kHeight) + ":r=5:d=10,format=rgb24 -palette " +
               PaletteText(kTestPalette, ",") + " -i " + sub + " -filter_complex '[0:v][1:s:" + std::to_string(stream) +
               "]overlay=format=rgb[v]' -map '[v]' -f rawvideo -pix_fmt rgb24 " + raw);
    const std::string bytes = ReadBytes(raw);
    const size_t frameBytes = static_cast<size_t>(kWidth) * kHeight * 3;
    EXPECT_EQ(0u, bytes.size() % frameBytes);
    std::vector<Frame> pictures;
    for (size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
        Frame f(static_cast<size_t>(kWidth) * kHeight);
        bool plain = true;
        for (size_t i = 0; i < f.size(); ++i) {
            const auto* p = reinterpret_cast<const BYTE*>(bytes.data() + at + i * 3);
            f[i] = (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
            plain = plain && f[i] == kBackground;
        }
        if (!plain && (pictures.empty() || pictures.back() != f)) pictures.push_back(std::move(f));
    }
    return pictures;
}

struct Shown {
    int64_t startMs;
    int64_t durationMs;
};

// ffmpeg's decoded subtitles of one stream: start and display time.
std::vector<Shown> FfmpegTimes(const std::string& sub, int stream)
{
    std::istringstream lines(RunChecked("ffprobe -v error -select_streams s:" + std::to_string(stream) +
                                        " -show_frames -show_entries subtitle=pts,end_display_time -of csv=p=0 " +
                                        sub));
    std::vector<Shown> times;
    std::string line;
    while (std::getline(lines, line)) {
        long long pts = 0, end = 0;
        if (std::sscanf(line.c_str(), "%lld,%lld", &pts, &end) == 2) times.push_back({pts / 1000, end});
    }
    return times;
}

TEST(VobSubFfmpeg, RepackedUnitsDecodeLikeFfmpeg)
{
    TempDir dir;
    TestSet set;
    set.width = kWidth;
    set.height = kHeight;
    const std::vector<Picture> pictures = Pictures();
    for (const Picture& p : pictures) set.Add(p.language, p.language ? "ko" : "en", p.ms, p.unit);
    set.Write(dir, "original");

    // ffmpeg reads our set and packs the same units into a DVD program
    // stream of its own making.
    const std::string repacked = dir.File("repacked.sub");
    RunChecked("ffmpeg -nostdin -v error -y -i " + dir.File("original.idx") +
               " -map 0:s:0 -map 0:s:1 -c:s copy -f dvd " + repacked);
    const std::string stream = ReadBytes(repacked);
    const std::vector<IndexLanguage> units = ScanUnits(stream);
    ASSERT_EQ(3u, units[0].lines.size());
    ASSERT_EQ(2u, units[1].lines.size());
    WriteBytes(dir.File("repacked.idx"), IndexText(7, IndexSettings(7, kWidth, kHeight, kTestPalette), units));
    auto file = OpenVobSub(dir.File("repacked.idx"));
    ASSERT_TRUE(file);
    ASSERT_EQ(2, file->GetStreamCount());

    size_t first = 0;  // the first of the stream's pictures in Pictures()
    for (int number : {0, 1}) {
        SCOPED_TRACE(number);
        ASSERT_EQ(S_OK, file->SetStream(number));
        const std::vector<Shown> times = FfmpegTimes(repacked, number);
        const std::vector<Frame> shown = FfmpegPictures(dir, repacked, number);
        const int count = static_cast<int>(units[number].lines.size());
        ASSERT_EQ(static_cast<size_t>(count), times.size());
        ASSERT_EQ(static_cast<size_t>(count), shown.size());

        for (int i = 0; i < count; ++i) {
            SCOPED_TRACE(i);
            const SpuUnit& unit = pictures[first + i].unit;
            const POSITION pos = reinterpret_cast<POSITION>(static_cast<uintptr_t>(i + 1));
            REFERENCE_TIME start = 0, duration = 0;
            ASSERT_EQ(S_OK, file->GetStartTime(pos, &start));
            ASSERT_EQ(S_OK, file->GetDuration(pos, &duration));
            // (ffmpeg shows a unit without a stop command for no time at
            // all, so every unit here has one.)
            EXPECT_EQ(times[i].startMs * 10000, start);
            EXPECT_EQ(times[i].durationMs * 10000, duration);
            EXPECT_EQ(static_cast<int64_t>(unit.stopDelay) * 1024 / 90 * 10000, duration);

            // The decoded picture, blended over the video as ffmpeg blends:
            // every pixel equal.
            ASSERT_TRUE(file->DecodePicture(i, -1));
            const CVobSubImage& image = file->GetImage();
            Frame decoded(static_cast<size_t>(kWidth) * kHeight, kBackground);
            for (int y = 0; y < image.Height(); ++y)
                for (int x = 0; x < image.Width(); ++x) {
                    const int fx = image.m_rect.left + x, fy = image.m_rect.top + y;
                    if (fx < 0 || fy < 0 || fx >= kWidth || fy >= kHeight) continue;
                    decoded[static_cast<size_t>(fy) * kWidth + fx] =
                        BlendStraight(image.Pixels()[y * image.Width() + x], kBackground);
                }
            int different = 0;
            for (size_t p = 0; p < decoded.size(); ++p) different += decoded[p] != shown[i][p];
            EXPECT_EQ(0, different);

            // The drawn picture, blended by its inverted alpha: the same
            // colours wherever the picture is even under the drawing's
            // 2 x 2 sampling, and nothing outside the drawn rectangle.
            TestSurface target(kWidth, kHeight);
            RECT drawn;
            ASSERT_EQ(S_OK, file->GetPicture(pos, &target.surface, &drawn));
            EXPECT_EQ(image.m_rect, drawn);
            int compared = 0, far = 0, outside = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const uint32_t mine = BlendRendered(target.At(x, y), kBackground);
                    const uint32_t theirs = shown[i][static_cast<size_t>(y) * kWidth + x];
                    const int sx = x - drawn.left, sy = y - drawn.top;
                    if (sx < 0 || sy < 0 || x >= drawn.right || y >= drawn.bottom) {
                        outside += mine != kBackground || theirs != kBackground;
                        continue;
                    }
                    if (sx + 1 >= image.Width() || sy + 1 >= image.Height()) continue;
                    const DWORD* px = image.Pixels() + sy * image.Width() + sx;
                    if (px[0] != px[1] || px[0] != px[image.Width()] || px[0] != px[image.Width() + 1]) continue;
                    ++compared;
                    far += ChannelDistance(mine, theirs) > 2;
                }
            EXPECT_EQ(0, outside);
            EXPECT_EQ(0, far);
            EXPECT_GT(compared, image.Width() * image.Height() / 4);
        }
        first += static_cast<size_t>(count);
    }
}

}  // namespace
