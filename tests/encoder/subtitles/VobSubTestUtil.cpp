#include "VobSubTestUtil.h"

#include <algorithm>
#include <cstdlib>

const std::vector<uint32_t> kTestPalette = {
    0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080, 0x404040, 0xC0C0C0,
    0x203040, 0xF0E0D0, 0x336699, 0x996633, 0x10F080, 0x8010F0, 0xF08010, 0x7F7F7F,
};

SpuUnit PlainUnit(int w, int h, int x, int y, uint8_t value, int stopDelay, bool forced)
{
    SpuUnit u;
    u.picture = SpuPicture(w, h, value);
    u.x = x;
    u.y = y;
    u.stopDelay = stopDelay;
    u.forced = forced;
    return u;
}

void TestSet::Add(int language, const std::string& code, int64_t timeMs, const SpuUnit& unit)
{
    auto it =
        std::find_if(languages.begin(), languages.end(), [&](const IndexLanguage& l) { return l.index == language; });
    if (it == languages.end()) {
        languages.push_back(IndexLanguage{code, language, {}});
        it = languages.end() - 1;
    }
    const int64_t pos = stream.Add(BuildSpuUnit(unit), language, timeMs);
    it->lines.push_back(TimestampLine(timeMs, pos));
}

std::string TestSet::Index() const
{
    return IndexText(
        version,
        IndexSettings(version, width, height, version >= 6 ? kTestPalette : std::vector<uint32_t>{}, extraSettings),
        languages);
}

std::string TestSet::Write(TempDir& dir, const std::string& name) const
{
    WriteBytes(dir.File(name + ".idx"), Index());
    WriteBytes(dir.File(name + ".sub"), stream.Data());
    return dir.File(name + ".idx");
}

ComPtr<CVobSubFile> OpenVobSub(const std::string& path)
{
    ComPtr<CVobSubFile> file(new CVobSubFile);
    if (!file->Open(CString(Utf8ToWide(path)))) return nullptr;
    return file;
}

TestSurface::TestSurface(int w, int h, uint32_t fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill)
{
    surface.width = w;
    surface.height = h;
    surface.pitch = w * 4;
    surface.bitsPerPixel = 32;
    surface.bits = reinterpret_cast<BYTE*>(pixels.data());
}

namespace {
uint32_t Channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }
}  // namespace

uint32_t BlendStraight(uint32_t pixel, uint32_t background)
{
    const uint32_t a = pixel >> 24;
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
        // Rounded division by 255, as the overlay filter does it.
        const uint32_t v = Channel(background, shift) * (255 - a) + Channel(pixel, shift) * a;
        out |= (((v + 128) * 257) >> 16) << shift;
    }
    return out;
}

uint32_t BlendRendered(uint32_t pixel, uint32_t background)
{
    const uint32_t keep = pixel >> 24;  // 255 keeps the background whole
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
        const uint32_t v = (Channel(background, shift) * keep + 127) / 255 + Channel(pixel, shift);
        out |= std::min<uint32_t>(v, 255) << shift;
    }
    return out;
}

int ChannelDistance(uint32_t a, uint32_t b)
{
    int d = 0;
    for (int shift : {16, 8, 0})
        d = std::max(d, std::abs(static_cast<int>(Channel(a, shift)) - static_cast<int>(Channel(b, shift))));
    return d;
}
