#include "modules/hvf/VideoFilterSettings.h"

#include <cmath>

namespace {

bool InRange(int value, int low, int high) { return value >= low && value <= high; }
bool IsSwitch(int value) { return value == 0 || value == 1; }

// The sizes a picture may have on either side.
constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;

}  // namespace

VideoFilterSettings::VideoFilterSettings() { InitSubtitleStyle(&m_subtitles.style); }

template <class Change>
HRESULT VideoFilterSettings::ChangePicture(bool valid, Change change)
{
    if (!valid) return E_INVALIDARG;
    std::lock_guard<std::mutex> g(m_lock);
    PictureSettings before = m_picture;
    change(m_picture);
    if (!(before == m_picture)) {
        ++m_pictureGeneration;
        ++m_generation;
    }
    return S_OK;
}

template <class Change>
HRESULT VideoFilterSettings::ChangeOverlay(bool valid, Change change)
{
    if (!valid) return E_INVALIDARG;
    std::lock_guard<std::mutex> g(m_lock);
    change(m_subtitles);
    ++m_generation;
    return S_OK;
}

HRESULT VideoFilterSettings::SetThreads(int threads)
{
    return ChangePicture(InRange(threads, 0, 64), [&](PictureSettings& p) { p.threads = threads; });
}

HRESULT VideoFilterSettings::SetOutputFormat(int format)
{
    return ChangePicture(format == kOutputI420 || format == kOutputRgb32,
                         [&](PictureSettings& p) { p.outputFormat = format; });
}

HRESULT VideoFilterSettings::SetDeinterlaceMethod(int method)
{
    return ChangePicture(InRange(method, kDeinterlaceBlend, kDeinterlaceMotion),
                         [&](PictureSettings& p) { p.deinterlaceMethod = method; });
}

HRESULT VideoFilterSettings::SetDeinterlace(int mode)
{
    return ChangePicture(InRange(mode, 0, 2), [&](PictureSettings& p) { p.deinterlace = mode == 1; });
}

HRESULT VideoFilterSettings::SetFrameRate(double framesPerSecond)
{
    bool valid = std::isfinite(framesPerSecond) && framesPerSecond > 0 && framesPerSecond <= 1000;
    return ChangePicture(valid, [&](PictureSettings& p) { p.frameRate = framesPerSecond; });
}

HRESULT VideoFilterSettings::SetResize(int on)
{
    return ChangePicture(IsSwitch(on), [&](PictureSettings& p) { p.resize = on == 1; });
}

HRESULT VideoFilterSettings::SetScaleMethod(int method)
{
    return ChangePicture(InRange(method, 0, 3), [&](PictureSettings& p) { p.scaleMethod = method; });
}

HRESULT VideoFilterSettings::SetRounding(int rounding)
{
    if (!IsSwitch(rounding)) return E_INVALIDARG;
    std::lock_guard<std::mutex> g(m_lock);
    // Without rounding an odd size could not be given as 4:2:0 pictures.
    if (rounding == 0 && (m_picture.width % 2 || m_picture.height % 2)) return E_INVALIDARG;
    if (m_picture.roundToEven != (rounding == 1)) {
        m_picture.roundToEven = rounding == 1;
        ++m_pictureGeneration;
        ++m_generation;
    }
    return S_OK;
}

HRESULT VideoFilterSettings::SetSize(int width, int height)
{
    if (!InRange(width, kMinSide, kMaxSide) || !InRange(height, kMinSide, kMaxSide)) return E_INVALIDARG;
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_picture.roundToEven && (width % 2 || height % 2)) return E_INVALIDARG;
    if (m_picture.width != width || m_picture.height != height) {
        m_picture.width = width;
        m_picture.height = height;
        ++m_pictureGeneration;
        ++m_generation;
    }
    return S_OK;
}

HRESULT VideoFilterSettings::SetAspectMode(int mode)
{
    bool valid = mode == kAspectStretch || mode == kAspectPad || mode == kAspectCrop || mode == kAspectAuto;
    return ChangePicture(valid, [&](PictureSettings& p) { p.aspectMode = mode; });
}

HRESULT VideoFilterSettings::SetAspectRatio(double ratio)
{
    bool valid = std::isfinite(ratio) && ratio >= 0.01 && ratio <= 100;
    return ChangePicture(valid, [&](PictureSettings& p) { p.aspectRatio = ratio; });
}

HRESULT VideoFilterSettings::SetBrightness(int value)
{
    return ChangePicture(InRange(value, 0, 100), [&](PictureSettings& p) { p.brightness = value; });
}

HRESULT VideoFilterSettings::SetContrast(int value)
{
    return ChangePicture(InRange(value, 0, 100), [&](PictureSettings& p) { p.contrast = value; });
}

HRESULT VideoFilterSettings::SetSaturation(int value)
{
    return ChangePicture(InRange(value, 0, 100), [&](PictureSettings& p) { p.saturation = value; });
}

HRESULT VideoFilterSettings::SetHue(int value)
{
    return ChangePicture(InRange(value, 0, 100), [&](PictureSettings& p) { p.hue = value; });
}

HRESULT VideoFilterSettings::SetDeblockMode(int mode, int flags)
{
    // One kind of deblocking exists: the edges of the 8x8 blocks, both
    // directions, all planes.
    return mode == 0 && flags == 0 ? S_OK : E_INVALIDARG;
}

HRESULT VideoFilterSettings::SetDeblockStrength(int strength)
{
    return ChangePicture(InRange(strength, 0, 100), [&](PictureSettings& p) { p.deblockStrength = strength; });
}

HRESULT VideoFilterSettings::SetBlurEnabled(int on)
{
    return ChangePicture(IsSwitch(on), [&](PictureSettings& p) { p.blur = on == 1; });
}

HRESULT VideoFilterSettings::SetBlurStrength(int strength)
{
    return ChangePicture(InRange(strength, 0, 100), [&](PictureSettings& p) { p.blurStrength = strength; });
}

HRESULT VideoFilterSettings::SetSharpenEnabled(int on)
{
    return ChangePicture(IsSwitch(on), [&](PictureSettings& p) { p.sharpen = on == 1; });
}

HRESULT VideoFilterSettings::SetSharpenStrength(int strength)
{
    return ChangePicture(InRange(strength, 0, 100), [&](PictureSettings& p) { p.sharpenStrength = strength; });
}

HRESULT VideoFilterSettings::SetFlip(int flip)
{
    return ChangePicture(true, [&](PictureSettings& p) { p.flip = flip != 0; });
}

HRESULT VideoFilterSettings::SetSubtitleEnabled(int on)
{
    return ChangeOverlay(true, [&](SubtitleSettings& s) { s.enabled = on != 0; });
}

HRESULT VideoFilterSettings::SetSubtitlePosX(int percent)
{
    return ChangeOverlay(InRange(percent, 0, 100), [&](SubtitleSettings& s) { s.posX = percent; });
}

HRESULT VideoFilterSettings::SetSubtitlePosY(int percent)
{
    return ChangeOverlay(InRange(percent, 0, 100), [&](SubtitleSettings& s) { s.posY = percent; });
}

HRESULT VideoFilterSettings::SetSubtitleMarginX(int percent)
{
    return ChangeOverlay(InRange(percent, 0, 100), [&](SubtitleSettings& s) { s.marginX = percent; });
}

HRESULT VideoFilterSettings::SetSubtitleMarginY(int percent)
{
    return ChangeOverlay(InRange(percent, 0, 100), [&](SubtitleSettings& s) { s.marginY = percent; });
}

HRESULT VideoFilterSettings::SetSubtitleCharSpace(int percent)
{
    return ChangeOverlay(InRange(percent, -30, 30), [&](SubtitleSettings& s) { s.charSpace = percent; });
}

HRESULT VideoFilterSettings::SetSubtitleLineSpace(int percent)
{
    return ChangeOverlay(InRange(percent, -30, 30), [&](SubtitleSettings& s) { s.lineSpace = percent; });
}

HRESULT VideoFilterSettings::SetSubtitleStyle(const SubtitleStyleRecord* style)
{
    if (!style) return E_POINTER;
    return ChangeOverlay(true, [&](SubtitleSettings& s) { s.style = *style; });
}

void VideoFilterSettings::SetProvider(ISubPicProvider* provider)
{
    ComPtr<ISubPicProvider> keep(provider);
    std::lock_guard<std::mutex> g(m_lock);
    // The old provider is let go outside the lock, when keep goes.
    m_provider.Swap(keep);
    ++m_generation;
}

void VideoFilterSettings::SetLogo(const SLogoInfo* info, std::shared_ptr<const LogoPicture> picture)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (info && picture) {
        m_logoInfo = *info;
        m_logo = std::move(picture);
    } else {
        m_logoInfo = SLogoInfo{};
        m_logo.reset();
    }
    ++m_generation;
}

PictureSettings VideoFilterSettings::Picture() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_picture;
}

uint64_t VideoFilterSettings::PictureGeneration() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_pictureGeneration;
}

uint64_t VideoFilterSettings::Generation() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_generation;
}

TreatmentSettings VideoFilterSettings::Snapshot() const
{
    std::lock_guard<std::mutex> g(m_lock);
    TreatmentSettings t;
    t.picture = m_picture;
    t.pictureGeneration = m_pictureGeneration;
    t.subtitles = m_subtitles;
    t.provider = m_provider;
    t.logo = m_logo;
    t.logoInfo = m_logoInfo;
    return t;
}
