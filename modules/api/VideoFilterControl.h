// The video treatment filter of HVF.ax ("Halvane Video": one video input,
// one video output) and the interface through which the graph configures it.
//
// Every setter works before and after the filter is connected; a value the
// filter refuses gives E_INVALIDARG and leaves the current value. Values the
// program passes, and what the filter does with them:
//
//  SetVideoPresetC(threads)   worker threads of the picture treatments
//                             (0..64); 0 (what the program passes) one per
//                             four processors, at least one: the treatment
//                             runs beside the decoder's own threads, and
//                             more of them only wait for each other.
//  SetVideoPresetA(format)    the output picture format offered first
//                             downstream (the other one is offered after
//                             it): 1 (passed) planar 4:2:0 (I420), 2 packed
//                             RGB32.
//  SetVideoPresetB(method)    how SetVideoDeinterlace(1) deinterlaces:
//                             1 blend the two fields, 2 double the lines of
//                             one field, 3 (passed) motion-adaptive; the
//                             frame rate is kept in every case.
//  SetVideoFrameRate(fps)     output frames per second (above 0, at most
//                             1000):
//                             frames are dropped or repeated on the source's
//                             time line. Until it is set the source's rate
//                             is kept.
//  SetVideoResizeA(on)        1 (passed) scale to SetVideoSize, 0 keep the
//                             source size.
//  SetVideoResizeB(method)    the scaling method: 0 fast bilinear,
//                             1 bilinear, 2 (passed) bicubic, 3 Lanczos.
//  SetVideoResizeC(rounding)  1 (passed) output sizes rounded down to even
//                             numbers, which 4:2:0 pictures need; 0 taken as
//                             given (SetVideoSize then refuses odd sizes).
//  SetVideoSize(w, h)         the output picture size in pixels, 16..8192
//                             each. The output type follows the size while
//                             the output is not connected; once it is, the
//                             pictures are fitted to the connected size
//                             until the next connection.
//  SetVideoAspectMode(mode)   how the source picture fits the output size
//                             when its shape is kept: 1 padded with black
//                             bars, 2 cropped to fill, 4 automatic (cropped
//                             when that cuts at most an eighth of the picture
//                             on the cut side, else padded); 0 (and until
//                             it is set) stretched to the output size.
//  SetVideoAspectRatio(r)     the display shape (width / height, 0.01..100)
//                             of the output picture; until it is set the
//                             shape of the output size.
//  SetVideoBrightness(v)      0..100, 50 neutral: luma moves by (v - 50)
//                             percent of full scale.
//  SetVideoContrast(v)        0..100, 50 neutral: luma contrast times v / 50.
//  SetVideoSaturation(v)      0..100, 50 neutral: chroma times v / 50.
//  SetVideoHue(v)             0..100, 50 neutral: hue turned by
//                             (v - 50) * 3.6 degrees.
//  SetVideoDeblockMode(m, f)  m 0 (passed): smooth the edges of the 8x8
//                             coding blocks; f 0 (passed): both directions,
//                             luma and chroma. Other values are refused.
//  SetVideoDeblockStrength    0..100: 10 normal, 20 strong (passed); 0 (and
//                             until it is set) no deblocking.
//  SetVideoBlurEnabled(on)    1 blur on, 0 off (the default).
//  SetVideoBlurStrength       0..100: 64 normal, 100 strong (passed).
//  SetVideoSharpenEnabled, SetVideoSharpenStrength: the same for sharpening.
//  SetVideoFlip(on)           non-zero: the picture is turned upside down.
//  SetVideoDeinterlace(mode)  1 deinterlace, 2 (and 0) leave as it is.
//  SetVideoLogo(n, logo)      logo number 0 only; the record is copied (see
//                             SLogoInfo) and its pictures are read at once;
//                             null or an empty image path removes the logo.
//                             A picture that is missing (HRESULT of
//                             ERROR_FILE_NOT_FOUND), unreadable
//                             (E_ACCESSDENIED) or no BMP, PNG or JPEG
//                             (VFW_E_INVALID_FILE_FORMAT) also removes it,
//                             with a line in the debug output.
//  SetVideoFilterSubtitle(p)  the subtitle provider (or null); the filter
//                             keeps its own reference and asks the provider
//                             on its streaming thread.
//  SetSubtitleEnabled(on)     non-zero draws the provider's subtitles.
//  SetSubtitlePosX/Y(v)       where the subtitle block's centre stands, in
//                             percent (0..100) of the picture's width and
//                             height.
//  SetSubtitleMarginX/Y(v)    the margins the block keeps from the edges, in
//                             percent (0..100) of the width and height.
//  SetSubtitleCharSpace(v)    extra room between characters, in percent of
//  SetSubtitleLineSpace(v)    a character's size (-30..30), and between lines.
//  SetSubtitleStyle(style)    face, size in pixels, weight, colours and
//                             transparencies (0 opaque, 255 clear), outline
//                             width and shadow depth in pixels; copied. A
//                             size of 0 or less stands for two output
//                             picture widths per 40 characters.
//  QueryVideoFilterSubtitleInfo(info)  see SubtitleInfoRecord; fails
//                             (VFW_E_NOT_CONNECTED) while the input is not
//                             connected, and (E_FAIL) when the source does
//                             not tell its frame rate.
//
// The filter also answers IBasicVideo with its output picture: the graph
// hands IBasicVideo to the first filter that offers it, so a graph that
// writes a file, without a renderer, reads the size that is encoded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "modules/api/LogoInfo.h"
#include "modules/api/ModuleInterface.h"
#include "modules/api/SubtitleStyle.h"

struct ISubPicProvider;

inline constexpr const wchar_t* kVideoModuleFile = L"HVF.ax";
inline constexpr const wchar_t* kVideoFilterName = L"Halvane Video";

constexpr CLSID CLSID_HalvaneVideoFilter{0x4248B616, 0xE69E, 0x446D, {0xB0, 0x60, 0x74, 0xDE, 0x04, 0xFC, 0x6E, 0x51}};
constexpr IID IID_IVideoFilterControl{0x4248B615, 0xE69E, 0x446D, {0xB0, 0x60, 0x74, 0xDE, 0x04, 0xFC, 0x6E, 0x51}};

// What QueryVideoFilterSubtitleInfo fills. The caller zeroes the record; the
// filter writes the source frame rate and leaves the other bytes alone.
struct SubtitleInfoRecord {
    uint8_t reserved[272];
    // The source's frame rate in frames per 1000 seconds (23976 for
    // 24000/1001 frames per second).
    int32_t frameRateMilli;
    uint8_t reserved2[8];
};
static_assert(offsetof(SubtitleInfoRecord, frameRateMilli) == 272);
static_assert(sizeof(SubtitleInfoRecord) == 284);

#define RIVO_IVIDEOFILTERCONTROL_METHODS(CALLED, UNCALLED)                 \
    UNCALLED(3, Reserved3, ())                                             \
    UNCALLED(4, Reserved4, ())                                             \
    UNCALLED(5, Reserved5, ())                                             \
    UNCALLED(6, Reserved6, ())                                             \
    CALLED(7, SetVideoAspectMode, (int mode))                              \
    UNCALLED(8, GetVideoAspectMode, (int*))                                \
    CALLED(9, SetVideoAspectRatio, (double ratio))                         \
    UNCALLED(10, GetVideoAspectRatio, (double*))                           \
    UNCALLED(11, Reserved11, ())                                           \
    UNCALLED(12, Reserved12, ())                                           \
    UNCALLED(13, Reserved13, ())                                           \
    UNCALLED(14, Reserved14, ())                                           \
    UNCALLED(15, Reserved15, ())                                           \
    UNCALLED(16, Reserved16, ())                                           \
    UNCALLED(17, Reserved17, ())                                           \
    UNCALLED(18, Reserved18, ())                                           \
    CALLED(19, SetVideoLogo, (int logoNumber, const SLogoInfo* logo))      \
    UNCALLED(20, GetVideoLogo, (int, SLogoInfo*))                          \
    CALLED(21, SetVideoFilterSubtitle, (ISubPicProvider * provider))       \
    UNCALLED(22, GetVideoFilterSubtitle, (ISubPicProvider**))              \
    CALLED(23, SetSubtitleEnabled, (int enabled))                          \
    UNCALLED(24, GetSubtitleEnabled, (int*))                               \
    CALLED(25, SetSubtitlePosX, (int percent))                             \
    UNCALLED(26, GetSubtitlePosX, (int*))                                  \
    CALLED(27, SetSubtitlePosY, (int percent))                             \
    UNCALLED(28, GetSubtitlePosY, (int*))                                  \
    CALLED(29, SetSubtitleMarginX, (int percent))                          \
    UNCALLED(30, GetSubtitleMarginX, (int*))                               \
    CALLED(31, SetSubtitleMarginY, (int percent))                          \
    UNCALLED(32, GetSubtitleMarginY, (int*))                               \
    CALLED(33, SetSubtitleCharSpace, (int percent))                        \
    UNCALLED(34, GetSubtitleCharSpace, (int*))                             \
    CALLED(35, SetSubtitleLineSpace, (int percent))                        \
    UNCALLED(36, GetSubtitleLineSpace, (int*))                             \
    UNCALLED(37, Reserved37, ())                                           \
    UNCALLED(38, Reserved38, ())                                           \
    CALLED(39, SetSubtitleStyle, (const SubtitleStyleRecord* style))       \
    UNCALLED(40, GetSubtitleStyle, (SubtitleStyleRecord*))                 \
    UNCALLED(41, Reserved41, ())                                           \
    UNCALLED(42, Reserved42, ())                                           \
    UNCALLED(43, Reserved43, ())                                           \
    UNCALLED(44, Reserved44, ())                                           \
    UNCALLED(45, Reserved45, ())                                           \
    UNCALLED(46, Reserved46, ())                                           \
    UNCALLED(47, Reserved47, ())                                           \
    UNCALLED(48, Reserved48, ())                                           \
    UNCALLED(49, Reserved49, ())                                           \
    UNCALLED(50, Reserved50, ())                                           \
    UNCALLED(51, Reserved51, ())                                           \
    UNCALLED(52, Reserved52, ())                                           \
    UNCALLED(53, Reserved53, ())                                           \
    UNCALLED(54, Reserved54, ())                                           \
    UNCALLED(55, Reserved55, ())                                           \
    UNCALLED(56, Reserved56, ())                                           \
    UNCALLED(57, Reserved57, ())                                           \
    UNCALLED(58, Reserved58, ())                                           \
    CALLED(59, SetVideoFlip, (int flip))                                   \
    UNCALLED(60, GetVideoFlip, (int*))                                     \
    UNCALLED(61, Reserved61, ())                                           \
    UNCALLED(62, Reserved62, ())                                           \
    CALLED(63, SetVideoDeblockMode, (int mode, int flags))                 \
    UNCALLED(64, GetVideoDeblockMode, (int*, int*))                        \
    CALLED(65, SetVideoDeblockStrength, (int strength))                    \
    UNCALLED(66, GetVideoDeblockStrength, (int*))                          \
    CALLED(67, SetVideoBlurEnabled, (int enabled))                         \
    UNCALLED(68, GetVideoBlurEnabled, (int*))                              \
    CALLED(69, SetVideoBlurStrength, (int strength))                       \
    UNCALLED(70, GetVideoBlurStrength, (int*))                             \
    CALLED(71, SetVideoSharpenEnabled, (int enabled))                      \
    UNCALLED(72, GetVideoSharpenEnabled, (int*))                           \
    CALLED(73, SetVideoSharpenStrength, (int strength))                    \
    UNCALLED(74, GetVideoSharpenStrength, (int*))                          \
    UNCALLED(75, Reserved75, ())                                           \
    UNCALLED(76, Reserved76, ())                                           \
    UNCALLED(77, Reserved77, ())                                           \
    UNCALLED(78, Reserved78, ())                                           \
    UNCALLED(79, Reserved79, ())                                           \
    UNCALLED(80, Reserved80, ())                                           \
    CALLED(81, SetVideoDeinterlace, (int mode))                            \
    UNCALLED(82, GetVideoDeinterlace, (int*))                              \
    CALLED(83, SetVideoBrightness, (int value))                            \
    UNCALLED(84, GetVideoBrightness, (int*))                               \
    CALLED(85, SetVideoContrast, (int value))                              \
    UNCALLED(86, GetVideoContrast, (int*))                                 \
    CALLED(87, SetVideoSaturation, (int value))                            \
    UNCALLED(88, GetVideoSaturation, (int*))                               \
    CALLED(89, SetVideoHue, (int value))                                   \
    UNCALLED(90, GetVideoHue, (int*))                                      \
    CALLED(91, SetVideoResizeA, (int on))                                  \
    UNCALLED(92, GetVideoResizeA, (int*))                                  \
    CALLED(93, SetVideoResizeB, (int method))                              \
    UNCALLED(94, GetVideoResizeB, (int*))                                  \
    UNCALLED(95, Reserved95, ())                                           \
    UNCALLED(96, Reserved96, ())                                           \
    CALLED(97, SetVideoResizeC, (int rounding))                            \
    UNCALLED(98, GetVideoResizeC, (int*))                                  \
    CALLED(99, SetVideoSize, (int width, int height))                      \
    UNCALLED(100, GetVideoSize, (int*, int*))                              \
    UNCALLED(101, Reserved101, ())                                         \
    UNCALLED(102, Reserved102, ())                                         \
    UNCALLED(103, Reserved103, ())                                         \
    UNCALLED(104, Reserved104, ())                                         \
    UNCALLED(105, Reserved105, ())                                         \
    UNCALLED(106, Reserved106, ())                                         \
    UNCALLED(107, Reserved107, ())                                         \
    UNCALLED(108, Reserved108, ())                                         \
    UNCALLED(109, Reserved109, ())                                         \
    UNCALLED(110, Reserved110, ())                                         \
    UNCALLED(111, Reserved111, ())                                         \
    UNCALLED(112, Reserved112, ())                                         \
    UNCALLED(113, Reserved113, ())                                         \
    UNCALLED(114, Reserved114, ())                                         \
    UNCALLED(115, Reserved115, ())                                         \
    UNCALLED(116, Reserved116, ())                                         \
    UNCALLED(117, Reserved117, ())                                         \
    UNCALLED(118, Reserved118, ())                                         \
    UNCALLED(119, Reserved119, ())                                         \
    UNCALLED(120, Reserved120, ())                                         \
    UNCALLED(121, Reserved121, ())                                         \
    UNCALLED(122, Reserved122, ())                                         \
    CALLED(123, SetVideoPresetA, (int format))                             \
    UNCALLED(124, GetVideoPresetA, (int*))                                 \
    CALLED(125, SetVideoPresetB, (int method))                             \
    UNCALLED(126, GetVideoPresetB, (int*))                                 \
    UNCALLED(127, Reserved127, ())                                         \
    UNCALLED(128, Reserved128, ())                                         \
    CALLED(129, SetVideoPresetC, (int threads))                            \
    UNCALLED(130, GetVideoPresetC, (int*))                                 \
    CALLED(131, QueryVideoFilterSubtitleInfo, (SubtitleInfoRecord * info)) \
    UNCALLED(132, Reserved132, ())                                         \
    UNCALLED(133, Reserved133, ())                                         \
    UNCALLED(134, Reserved134, ())                                         \
    UNCALLED(135, Reserved135, ())                                         \
    UNCALLED(136, Reserved136, ())                                         \
    UNCALLED(137, Reserved137, ())                                         \
    CALLED(138, SetVideoFrameRate, (double framesPerSecond))

RIVO_MODULE_INTERFACE(IVideoFilterControl, IID_IVideoFilterControl, RIVO_IVIDEOFILTERCONTROL_METHODS)
