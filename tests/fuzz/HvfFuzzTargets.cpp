#include "HvfFuzzTargets.h"

#include <string>
#include <vector>

#include "modules/hvf/LogoOverlay.h"
#include "modules/hvf/TextSubtitleRenderer.h"
#include "platform/win32/CodePage.h"

namespace {

// A small picture of each kind to draw on.
struct Pictures {
    std::vector<uint8_t> i420 = std::vector<uint8_t>(48 * 32 * 3 / 2, 0x80);
    std::vector<uint32_t> rgb = std::vector<uint32_t>(47 * 31, 0xFF808080u);
    PictureCanvas yuv, bgra;
    Pictures()
    {
        yuv.width = 48;
        yuv.height = 32;
        yuv.planes[0] = i420.data();
        yuv.planes[1] = i420.data() + 48 * 32;
        yuv.planes[2] = yuv.planes[1] + 24 * 16;
        yuv.lineSizes[0] = 48;
        yuv.lineSizes[1] = yuv.lineSizes[2] = 24;
        bgra.rgb = true;
        bgra.width = 47;
        bgra.height = 31;
        // Bottom-up, as RGB32 samples are.
        bgra.planes[0] = reinterpret_cast<uint8_t*>(rgb.data() + 30 * 47);
        bgra.lineSizes[0] = -47 * 4;
    }
};

int Value(const uint8_t* data, size_t size, size_t at, int low, int high)
{
    if (at >= size) return low;
    return low + data[at] % (high - low + 1);
}

}  // namespace

int FuzzLogoPicture(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string image = bytes, mask, maskName;
    if ((data[0] & 1) && !bytes.empty()) {
        size_t split = std::min<size_t>(static_cast<uint8_t>(bytes[0]) * 16u, bytes.size() - 1);
        image = bytes.substr(1, split);
        mask = bytes.substr(1 + split);
        maskName = "mask";
    }
    std::shared_ptr<const LogoPicture> logo;
    std::string error;
    HRESULT hr = LogoPicture::FromBytes(image, "image", mask, maskName, &logo, &error);
    if (FAILED(hr)) {
        // A refusal always says why.
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (static_cast<size_t>(logo->Width()) * logo->Height() != logo->Pixels().size()) __builtin_trap();
    Pictures p;
    SLogoInfo info{};
    info.posX = Value(data, size, 0, -20, 120);
    info.posY = Value(data, size, 1, -20, 120);
    info.marginX = Value(data, size, 2, -5, 60);
    info.marginY = Value(data, size, 3, -5, 60);
    info.end = kLogoToTheEnd;
    info.fade = data[0] & 2;
    info.opacity = 65535;
    for (REFERENCE_TIME t : {0LL, 5000000LL, 40000000LL}) {
        DrawLogo(p.yuv, *logo, info, t);
        DrawLogo(p.bgra, *logo, info, t);
    }
    return 0;
}

int FuzzSubtitleText(const uint8_t* data, size_t size)
{
    static TextSubtitleRenderer renderer;
    SubtitleSettings s;
    InitSubtitleStyle(&s.style);
    s.posX = Value(data, size, 0, 0, 100);
    s.posY = Value(data, size, 1, 0, 100);
    s.marginX = Value(data, size, 2, 0, 100);
    s.marginY = Value(data, size, 3, 0, 100);
    s.charSpace = Value(data, size, 4, -30, 30);
    s.lineSpace = Value(data, size, 5, -30, 30);
    s.style.fontSize = Value(data, size, 6, -4, 60);
    s.style.outlineWidth = Value(data, size, 7, 0, 12) / 2.0;
    s.style.shadowDepth = Value(data, size, 8, 0, 12) / 2.0;
    s.style.italic = Value(data, size, 9, 0, 1);
    s.style.bodyAlpha = static_cast<uint8_t>(Value(data, size, 10, 0, 255));
    // A face name of a fixed few, so that the fonts the renderer opens stay
    // as few from one input to the next: faces the system has and lacks,
    // none, and names with a comma, a control character, Hangul and the
    // record's whole length.
    static const std::u16string kFaces[] = {
        u"NanumGothic",      u"DejaVu Sans",     u"",     u"No Such Face",
        u"Face,With,Commas", u"Tab\tand\nbreak", u"굴림", std::u16string(255, u'x'),
    };
    const std::u16string& face = kFaces[Value(data, size, 11, 0, static_cast<int>(std::size(kFaces)) - 1)];
    std::copy(face.begin(), face.end(), s.style.faceName);
    s.style.faceName[face.size()] = 0;
    size_t skip = std::min<size_t>(size, 12);
    std::string text(reinterpret_cast<const char*>(data) + skip, size - skip);
    std::wstring wide = Utf8ToWide(text);
    Pictures p;
    renderer.Draw(p.yuv, wide, s);
    renderer.Draw(p.bgra, wide, s);
    return 0;
}
