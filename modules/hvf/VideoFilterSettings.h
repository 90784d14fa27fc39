// What the video treatment filter has been told: the values of its control
// interface, checked as they arrive (from the user-interface thread, while
// the streaming thread may be treating pictures) and read by the treatment
// thread as one consistent copy.
//
// The picture values (size, shape, adjustments, filters, deinterlacing,
// frame rate, output format) decide the picture chain; a change of any of
// them moves the picture generation on, so the chain is built again only
// when one of them really changed. The overlay values (logo, subtitles)
// are used as they stand for each picture.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "modules/api/LogoInfo.h"
#include "modules/api/SubPicProvider.h"
#include "modules/api/SubtitleStyle.h"
#include "platform/com/ComPtr.h"
#include "platform/win32/WinTypes.h"

class LogoPicture;

// The output picture formats.
constexpr int kOutputI420 = 1;
constexpr int kOutputRgb32 = 2;

// How the source picture fits a set output size.
constexpr int kAspectStretch = 0;
constexpr int kAspectPad = 1;
constexpr int kAspectCrop = 2;
constexpr int kAspectAuto = 4;

// Deinterlacing methods.
constexpr int kDeinterlaceBlend = 1;
constexpr int kDeinterlaceLineDouble = 2;
constexpr int kDeinterlaceMotion = 3;

struct PictureSettings {
    int threads = 0;  // 0: one per four processors
    int outputFormat = kOutputI420;
    bool deinterlace = false;
    int deinterlaceMethod = kDeinterlaceMotion;
    double frameRate = 0;  // 0: the source's
    bool resize = false;
    int scaleMethod = 2;  // 0 fast bilinear, 1 bilinear, 2 bicubic, 3 Lanczos
    bool roundToEven = true;
    int width = 0;  // 0: not set
    int height = 0;
    int aspectMode = kAspectStretch;
    double aspectRatio = 0;  // 0: the output size's own shape
    int brightness = 50;
    int contrast = 50;
    int saturation = 50;
    int hue = 50;
    int deblockStrength = 0;  // 0: no deblocking
    bool blur = false;
    int blurStrength = 64;
    bool sharpen = false;
    int sharpenStrength = 64;
    bool flip = false;

    bool operator==(const PictureSettings&) const = default;
};

struct SubtitleSettings {
    bool enabled = true;
    int posX = 50;  // the block's centre, percent of the width
    int posY = 90;
    int marginX = 2;  // percent of the width
    int marginY = 2;
    int charSpace = 0;  // percent of the character size
    int lineSpace = 0;
    SubtitleStyleRecord style{};
};

// One consistent copy of everything, for the treatment thread.
struct TreatmentSettings {
    PictureSettings picture;
    uint64_t pictureGeneration = 0;
    SubtitleSettings subtitles;
    ComPtr<ISubPicProvider> provider;
    std::shared_ptr<const LogoPicture> logo;  // null: no logo
    SLogoInfo logoInfo{};
};

class VideoFilterSettings {
public:
    VideoFilterSettings();

    // Each gives E_INVALIDARG for a value out of its range and keeps the
    // current value; E_POINTER for a null record.
    HRESULT SetThreads(int threads);
    HRESULT SetOutputFormat(int format);
    HRESULT SetDeinterlaceMethod(int method);
    HRESULT SetDeinterlace(int mode);
    HRESULT SetFrameRate(double framesPerSecond);
    HRESULT SetResize(int on);
    HRESULT SetScaleMethod(int method);
    HRESULT SetRounding(int rounding);
    HRESULT SetSize(int width, int height);
    HRESULT SetAspectMode(int mode);
    HRESULT SetAspectRatio(double ratio);
    HRESULT SetBrightness(int value);
    HRESULT SetContrast(int value);
    HRESULT SetSaturation(int value);
    HRESULT SetHue(int value);
    HRESULT SetDeblockMode(int mode, int flags);
    HRESULT SetDeblockStrength(int strength);
    HRESULT SetBlurEnabled(int on);
    HRESULT SetBlurStrength(int strength);
    HRESULT SetSharpenEnabled(int on);
    HRESULT SetSharpenStrength(int strength);
    HRESULT SetFlip(int flip);

    HRESULT SetSubtitleEnabled(int on);
    HRESULT SetSubtitlePosX(int percent);
    HRESULT SetSubtitlePosY(int percent);
    HRESULT SetSubtitleMarginX(int percent);
    HRESULT SetSubtitleMarginY(int percent);
    HRESULT SetSubtitleCharSpace(int percent);
    HRESULT SetSubtitleLineSpace(int percent);
    HRESULT SetSubtitleStyle(const SubtitleStyleRecord* style);
    // Keeps its own reference (null lets go of the current one).
    void SetProvider(ISubPicProvider* provider);
    // The logo record and its loaded picture; null takes the logo away.
    void SetLogo(const SLogoInfo* info, std::shared_ptr<const LogoPicture> picture);

    PictureSettings Picture() const;
    uint64_t PictureGeneration() const;
    TreatmentSettings Snapshot() const;
    // The generation of everything, picture and overlays: a copy taken at a
    // generation stays current while it does not move.
    uint64_t Generation() const;

private:
    template <class Change>
    HRESULT ChangePicture(bool valid, Change change);
    template <class Change>
    HRESULT ChangeOverlay(bool valid, Change change);

    mutable std::mutex m_lock;
    PictureSettings m_picture;
    uint64_t m_pictureGeneration = 1;
    uint64_t m_generation = 1;
    SubtitleSettings m_subtitles;
    ComPtr<ISubPicProvider> m_provider;
    std::shared_ptr<const LogoPicture> m_logo;
    SLogoInfo m_logoInfo{};
};
