// The maker's filter modules beside the program, as the program uses them:
// the module file names, the class ids of their filters, the names those
// filters are added to a graph under, and the extra interface of the AVI
// source. The modules are loaded without registration (CreateObjectFromModule);
// the treatment filters may also come from the component runtime by the same
// class id, the source filters only from HSF.ax.
//
// An interface's methods follow the three IUnknown methods in declaration
// order: a method's place in the table counts from 0 at QueryInterface.
#pragma once

#include "platform/com/Unknown.h"

inline constexpr const wchar_t* kVideoModuleFile = L"HVF.ax";
inline constexpr const wchar_t* kAudioModuleFile = L"HAF.ax";
inline constexpr const wchar_t* kSourceModuleFile = L"HSF.ax";

inline constexpr const wchar_t* kVideoFilterName = L"Halvane Video";
inline constexpr const wchar_t* kAudioFilterName = L"Halvane Audio";

// The video and audio treatment filters (HVF.ax, HAF.ax).
constexpr CLSID CLSID_HalvaneVideoFilter{0x4248B616, 0xE69E, 0x446D, {0xB0, 0x60, 0x74, 0xDE, 0x04, 0xFC, 0x6E, 0x51}};
constexpr CLSID CLSID_HalvaneAudioFilter{0x7CA92689, 0xF7AA, 0x4067, {0xB7, 0xEE, 0x86, 0x93, 0xFB, 0x26, 0x50, 0x85}};

// The source filters of HSF.ax; each one answers IFileSourceFilter.
constexpr CLSID CLSID_HalvaneAsfSource{0x07D8B782, 0xBC02, 0x485B, {0x8B, 0x45, 0x0C, 0x60, 0x73, 0x12, 0x7B, 0x2B}};
constexpr CLSID CLSID_HalvaneAviSource{0x6BA9DD10, 0x09B9, 0x4C8B, {0x89, 0xA8, 0x8A, 0xC4, 0x45, 0x60, 0x12, 0x14}};
constexpr CLSID CLSID_HalvaneOggSource{0x8B359726, 0xD939, 0x41A8, {0x8C, 0xBD, 0x69, 0xA2, 0x76, 0x75, 0xD9, 0x78}};
constexpr CLSID CLSID_HalvaneMpegSource{0x0D84C574, 0x0C1D, 0x466C, {0x9D, 0x7B, 0x49, 0xFD, 0x7B, 0xBF, 0x6E, 0x87}};
constexpr CLSID CLSID_HalvaneMatroskaSource{0x9794BD42, 0x281E, 0x45EE, {0x94, 0xCC, 0x70, 0xA2, 0x60, 0xE4, 0x07, 0xB5}};
constexpr CLSID CLSID_HalvaneMp4Source{0xD18284FE, 0xDE51, 0x4F33, {0xA9, 0xBB, 0xA8, 0xD3, 0xAE, 0x4B, 0x66, 0xBB}};
constexpr CLSID CLSID_HalvaneFlvSource{0x4CDD9B3E, 0x1D8E, 0x48DE, {0x8B, 0x5B, 0x80, 0xAF, 0xAD, 0xCB, 0x8C, 0xA1}};

// The AVI source's option interface: SetOption (place 3) is called with 1
// before the source loads its file.
constexpr IID IID_IAviSourceOption{0x6BA9DD11, 0x09B9, 0x4C8B, {0x89, 0xA8, 0x8A, 0xC4, 0x45, 0x60, 0x12, 0x14}};
struct IAviSourceOption : IUnknown {
    virtual HRESULT SetOption(int option) = 0;
};
RIVO_INTERFACE_ID(IAviSourceOption, IID_IAviSourceOption);
