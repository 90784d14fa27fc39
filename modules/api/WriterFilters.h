// The writer filters of hwriter.dll and the interfaces through which the
// writer graphs configure them. Every writer has one or more inputs, answers
// IFileSinkFilter (SetFileName gives the output file) and IMediaSeeking (its
// current position is the encoded position), and IWriterSettings; the AVI,
// MP4 and OGM writers have a format interface that takes the settings
// record's codec block, the ASF writer one that takes a Windows Media
// profile.
#pragma once

#include "modules/api/CodecSettings.h"
#include "modules/api/ModuleInterface.h"

struct IWMProfile;

inline constexpr const wchar_t* kWriterModuleFile = L"hwriter.dll";

// The AVI, MP4 and ASF writers' class ids are configuration that the
// progress window hands to the graphs as texts; these are the ones
// hwriter.dll serves. The OGM writer's class id is fixed.
constexpr CLSID CLSID_HalvaneAviWriter{0xA91A64AC, 0x7594, 0x4E1D, {0x8D, 0x6E, 0x39, 0x83, 0x7C, 0xDF, 0x3B, 0x37}};
constexpr CLSID CLSID_HalvaneMp4Writer{0x86A96741, 0x2419, 0x4EAC, {0x9F, 0x1B, 0xFA, 0x99, 0x63, 0x42, 0xF3, 0xF2}};
constexpr CLSID CLSID_HalvaneAsfWriter{0xD68CCB8D, 0xD1A2, 0x40B7, {0x92, 0x5E, 0x52, 0xC3, 0x26, 0x7B, 0x2A, 0x6A}};
constexpr CLSID CLSID_HalvaneOgmWriter{0x8F4F7CD4, 0xF805, 0x4915, {0x8E, 0x9A, 0x4A, 0xA5, 0x86, 0xAA, 0x71, 0x17}};
inline constexpr const wchar_t* kAviWriterClassText = L"{A91A64AC-7594-4E1D-8D6E-39837CDF3B37}";
inline constexpr const wchar_t* kMp4WriterClassText = L"{86A96741-2419-4EAC-9F1B-FA996342F3F2}";
inline constexpr const wchar_t* kAsfWriterClassText = L"{D68CCB8D-D1A2-40B7-925E-52C3267B2A6A}";

// The names the writers are added to a graph under.
inline constexpr const wchar_t* kAviWriterName = L"Halvane Avi Writer";
inline constexpr const wchar_t* kMp4WriterName = L"Halvane Mp4 Writer";
inline constexpr const wchar_t* kAsfWriterName = L"Halvane Asf Writer";
inline constexpr const wchar_t* kOgmWriterName = L"Halvane Ogg Writer";

// The private event a writer raises when it meets a failure of its own
// (after which it raises no EC_COMPLETE), with its first parameter; the
// second parameter is 0.
constexpr LONG EC_WRITER_FAILURE = 0x8064;
// The output file cannot be created or written (no such folder, no room, no
// permission).
constexpr LONG kWriterFailureOutput = 1;
// An encoder cannot be opened with the settings, or fails while encoding.
constexpr LONG kWriterFailureEncoder = 2;
// The file would lack its video, or its sound: the stream reached its end
// without a single picture (or sound) to encode, or the format needs one
// the source does not have. No file is left.
constexpr LONG kWriterFailureNoVideo = 3;
constexpr LONG kWriterFailureNoSound = 4;

// Settings every writer takes. Setters refuse a value with E_INVALIDARG and
// keep the current one; getters given a null pointer give E_POINTER.
//
//  GetEncodedPosition(t*)   how far the writer has encoded, in 100-ns units
//                           of the source's time line from the start of the
//                           run (a segment's start is 0).
//  GetEncodedDuration(t*)   the length the run encodes on the same time line:
//                           the source's duration, or the segment's length.
//  SetFrameRate(rate, scale) the output frame rate rate / scale frames per
//                           second (both above 0).
//  SetPriority(p)           0 normal, -1 the encoding threads run below
//                           normal priority so that the desktop stays
//                           responsive.
//  SetPlaybackRate(r)       the speed factor the audio filter also gets
//                           (0.1..10, 1.0 normal): video times are divided
//                           by it.
//  SetPassMode(m)           0 one pass; 1 the first of two passes, which
//                           only gathers statistics (into the output path +
//                           ".stats") and writes no output; 2 starts the
//                           second pass, which encodes with them. Only
//                           between runs.
//  GetPassMode(m*)          0, 1 or 2 as set; after the first pass it stays
//                           1 until SetPassMode(2).
//  SetPreview(on)           non-zero: the writer also shows the pictures it
//                           encodes, through the preview sink the program
//                           gave it (IWriterPreview); 0 shows nothing and
//                           clears the sink's picture.
constexpr IID IID_IWriterSettings{0xF79310DB, 0xD891, 0x429F, {0x93, 0xF3, 0xCD, 0x03, 0x20, 0xDC, 0xBE, 0x0E}};

#define RIVO_IWRITERSETTINGS_METHODS(CALLED, UNCALLED)   \
    CALLED(3, GetEncodedPosition, (LONGLONG * position)) \
    CALLED(4, GetEncodedDuration, (LONGLONG * duration)) \
    CALLED(5, SetFrameRate, (int rate, int scale))       \
    UNCALLED(6, GetFrameRate, (int*, int*))              \
    CALLED(7, SetPriority, (int priority))               \
    UNCALLED(8, GetPriority, (int*))                     \
    CALLED(9, SetPlaybackRate, (double rate))            \
    UNCALLED(10, GetPlaybackRate, (double*))             \
    CALLED(11, SetPassMode, (int mode))                  \
    CALLED(12, GetPassMode, (int* mode))                 \
    CALLED(13, SetPreview, (int on))

RIVO_MODULE_INTERFACE(IWriterSettings, IID_IWriterSettings, RIVO_IWRITERSETTINGS_METHODS)

// Where a writer shows the pictures it encodes while its preview is on: the
// program's side, made by the writer graph over its preview window. The
// writer calls it on its streaming thread, and none of the calls waits for
// the window's thread.
//
//  GetPictureBox(w*, h*)    S_OK with the size the pictures are shown at
//                           (the writer sends none larger) when a picture
//                           is welcome now; S_FALSE while the last one has
//                           not been shown yet, or while there is nowhere
//                           to show it.
//  ShowPicture(...)         a picture as 32-bit pixels (blue, green, red,
//                           unused), rows top-down, stride bytes apart;
//                           the sink copies it. S_FALSE when it was
//                           dropped.
//  ClearPicture()           nothing is shown until the next picture.
constexpr IID IID_IWriterPreviewSink{0x642B0B5C, 0x6B16, 0x4233, {0xB6, 0x5B, 0xBC, 0x4C, 0xE0, 0xA9, 0x97, 0x20}};

#define RIVO_IWRITERPREVIEWSINK_METHODS(CALLED, UNCALLED)                           \
    CALLED(3, GetPictureBox, (int* width, int* height))                             \
    CALLED(4, ShowPicture, (const BYTE* pixels, int width, int height, int stride)) \
    CALLED(5, ClearPicture, ())

RIVO_MODULE_INTERFACE(IWriterPreviewSink, IID_IWriterPreviewSink, RIVO_IWRITERPREVIEWSINK_METHODS)

// The writer's side: SetPreviewSink(sink or null) gives the sink; the writer
// keeps its own reference until another is given or the writer goes.
constexpr IID IID_IWriterPreview{0x8BEF0DEF, 0x9982, 0x4B74, {0xA3, 0x3C, 0xFD, 0x94, 0x36, 0x95, 0x52, 0x9C}};

#define RIVO_IWRITERPREVIEW_METHODS(CALLED, UNCALLED) CALLED(3, SetPreviewSink, (IWriterPreviewSink * sink))

RIVO_MODULE_INTERFACE(IWriterPreview, IID_IWriterPreview, RIVO_IWRITERPREVIEW_METHODS)

// The format interfaces. SetCodecSettings gives a pointer to the format's
// codec block inside the settings record, which lives for the whole run;
// the writer copies the block. Null gives E_POINTER.
constexpr IID IID_IAviWriterFormat{0xA91A64AD, 0x7594, 0x4E1D, {0x8D, 0x6E, 0x39, 0x83, 0x7C, 0xDF, 0x3B, 0x37}};
constexpr IID IID_IMp4WriterFormat{0x86A96742, 0x2419, 0x4EAC, {0x9F, 0x1B, 0xFA, 0x99, 0x63, 0x42, 0xF3, 0xF2}};
constexpr IID IID_IOgmWriterFormat{0x8F4F7CD5, 0xF805, 0x4915, {0x8E, 0x9A, 0x4A, 0xA5, 0x86, 0xAA, 0x71, 0x17}};

#define RIVO_IAVIWRITERFORMAT_METHODS(CALLED, UNCALLED) CALLED(3, SetCodecSettings, (const SCodecSettings* codec))

#define RIVO_IMP4WRITERFORMAT_METHODS(CALLED, UNCALLED) CALLED(3, SetCodecSettings, (const SMp4CodecSettings* codec))

// SetChannel gives the OGM writer a worker channel (an interface of the
// channel object, or null); none is ever attached here.
#define RIVO_IOGMWRITERFORMAT_METHODS(CALLED, UNCALLED)        \
    CALLED(3, SetCodecSettings, (const SCodecSettings* codec)) \
    UNCALLED(4, Reserved4, ())                                 \
    CALLED(5, SetChannel, (IUnknown * channel))

RIVO_MODULE_INTERFACE(IAviWriterFormat, IID_IAviWriterFormat, RIVO_IAVIWRITERFORMAT_METHODS)
RIVO_MODULE_INTERFACE(IMp4WriterFormat, IID_IMp4WriterFormat, RIVO_IMP4WRITERFORMAT_METHODS)
RIVO_MODULE_INTERFACE(IOgmWriterFormat, IID_IOgmWriterFormat, RIVO_IOGMWRITERFORMAT_METHODS)

// The ASF writer's profile: the streams and codecs it writes. The writer
// keeps its own reference to the profile; null gives E_POINTER.
constexpr IID IID_IAsfWriterProfile{0xD68CCB8E, 0xD1A2, 0x40B7, {0x92, 0x5E, 0x52, 0xC3, 0x26, 0x7B, 0x2A, 0x6A}};

#define RIVO_IASFWRITERPROFILE_METHODS(CALLED, UNCALLED) CALLED(3, SetProfile, (IWMProfile * profile))

RIVO_MODULE_INTERFACE(IAsfWriterProfile, IID_IAsfWriterProfile, RIVO_IASFWRITERPROFILE_METHODS)
