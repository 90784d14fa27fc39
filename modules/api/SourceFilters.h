// The source filters of HSF.ax, one per container family, and their extra
// interfaces. Each source answers IFileSourceFilter: Load(path, null) opens
// the file. The sources come only from HSF.ax, never from the component
// runtime.
#pragma once

#include "modules/api/ModuleInterface.h"

inline constexpr const wchar_t* kSourceModuleFile = L"HSF.ax";

constexpr CLSID CLSID_HalvaneAsfSource{0x07D8B782, 0xBC02, 0x485B, {0x8B, 0x45, 0x0C, 0x60, 0x73, 0x12, 0x7B, 0x2B}};
constexpr CLSID CLSID_HalvaneAviSource{0x6BA9DD10, 0x09B9, 0x4C8B, {0x89, 0xA8, 0x8A, 0xC4, 0x45, 0x60, 0x12, 0x14}};
constexpr CLSID CLSID_HalvaneOggSource{0x8B359726, 0xD939, 0x41A8, {0x8C, 0xBD, 0x69, 0xA2, 0x76, 0x75, 0xD9, 0x78}};
constexpr CLSID CLSID_HalvaneMpegSource{0x0D84C574, 0x0C1D, 0x466C, {0x9D, 0x7B, 0x49, 0xFD, 0x7B, 0xBF, 0x6E, 0x87}};
constexpr CLSID CLSID_HalvaneMatroskaSource{
    0x9794BD42, 0x281E, 0x45EE, {0x94, 0xCC, 0x70, 0xA2, 0x60, 0xE4, 0x07, 0xB5}};
constexpr CLSID CLSID_HalvaneMp4Source{0xD18284FE, 0xDE51, 0x4F33, {0xA9, 0xBB, 0xA8, 0xD3, 0xAE, 0x4B, 0x66, 0xBB}};
constexpr CLSID CLSID_HalvaneFlvSource{0x4CDD9B3E, 0x1D8E, 0x48DE, {0x8B, 0x5B, 0x80, 0xAF, 0xAD, 0xCB, 0x8C, 0xA1}};

// The names the sources are added to a graph under.
inline constexpr const wchar_t* kAsfSourceName = L"Halvane ASF Source";
inline constexpr const wchar_t* kAviSourceName = L"Halvane Avi Source";
inline constexpr const wchar_t* kOggSourceName = L"Halvane Ogg Source";
inline constexpr const wchar_t* kMpegSourceName = L"Halvane Mpeg Source";
inline constexpr const wchar_t* kMatroskaSourceName = L"Halvane Matroska Source";
inline constexpr const wchar_t* kMp4SourceName = L"Halvane MP4 Source";
inline constexpr const wchar_t* kFlvSourceName = L"Halvane Flv Source";

// The AVI source's option interface. SetOption is called before Load:
// 1 (what the program passes) reads a file whose index is missing or cut
// off by walking its chunks; 0 (the initial value) needs the index. Other
// values are refused with E_INVALIDARG; after Load it gives
// VFW_E_WRONG_STATE.
constexpr IID IID_IAviSourceOption{0x6BA9DD11, 0x09B9, 0x4C8B, {0x89, 0xA8, 0x8A, 0xC4, 0x45, 0x60, 0x12, 0x14}};

#define RIVO_IAVISOURCEOPTION_METHODS(CALLED, UNCALLED) CALLED(3, SetOption, (int option))

RIVO_MODULE_INTERFACE(IAviSourceOption, IID_IAviSourceOption, RIVO_IAVISOURCEOPTION_METHODS)

// The MP4 source's control. NotifyRelease(1) is called just before the
// program releases the source: the source stops reading, ends its threads
// and closes its file at once, so nothing of it outlives the release even
// while another reference is still held. Other values are refused with
// E_INVALIDARG.
constexpr IID IID_IMp4SourceControl{0xD18284FF, 0xDE51, 0x4F33, {0xA9, 0xBB, 0xA8, 0xD3, 0xAE, 0x4B, 0x66, 0xBB}};

#define RIVO_IMP4SOURCECONTROL_METHODS(CALLED, UNCALLED) \
    UNCALLED(3, Reserved3, ())                           \
    CALLED(4, NotifyRelease, (int releasing))

RIVO_MODULE_INTERFACE(IMp4SourceControl, IID_IMp4SourceControl, RIVO_IMP4SOURCECONTROL_METHODS)
