// The output formats and what goes with each: the number the settings keep
// in nEncFormat, the name presets and size predictions give it, the file
// extension, where its codec values lie in the settings record, and the
// audio codec a preset names for it. Everything that differs by output
// format reads this table; the pipeline keeps the writer graph of each
// format in a table of its own by the same numbers.
#pragma once

#include <cstddef>
#include <span>
#include <type_traits>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class CEncSettings;
class CWmProfileHelper;

// The numbers are stored values (the registry keeps the settings), so they
// never change.
enum EncFormat : int {
    kEncFormatAvi = 0,
    kEncFormatMp4 = 1,
    kEncFormatWmv = 2,  // Windows Media (ASF)
    kEncFormatOgm = 3,
};
constexpr int kEncFormatCount = 4;

// Whether a table kept by format has one row for each format, standing at
// the format's number.
template <class Row, std::size_t N>
constexpr bool OneRowPerFormatInNumberOrder(const Row (&rows)[N], EncFormat Row::*format)
{
    if (N != kEncFormatCount) return false;
    for (std::size_t i = 0; i < N; ++i)
        if (rows[i].*format != static_cast<int>(i)) return false;
    return true;
}

// The values of one format's codec block, wherever its kind of block keeps
// them: null where the format has no such value. Over CEncSettings the
// fields can be written; over const CEncSettings they are only read.
template <class Settings>
struct SCodecFieldsOf {
    template <class T>
    using Field = std::conditional_t<std::is_const_v<Settings>, const T, T>*;

    Field<BOOL> bSupportPSP = nullptr;     // MP4
    Field<DWORD> fccVideoCodec = nullptr;  // all but WMV, which names its codecs
    Field<int> nVideoEncMode = nullptr;    // all but WMV: 0 constant bit rate, 1 quality, 2 two passes
    Field<int> nVideoKBitrate = nullptr;
    Field<int> nVideoQuality = nullptr;
    Field<int> nSecPerKeyframe = nullptr;
    Field<BOOL> bH264Baseline13 = nullptr;  // MP4
    Field<int> nAudioCodec = nullptr;       // all but WMV: the wave format tag
    Field<int> nAudioEncMode = nullptr;     // AVI and OGM: 0 constant bit rate, else variable
    Field<int> nAudioKBitrate = nullptr;    // all but WMV
    Field<int> nAudioQuality = nullptr;     // all but WMV
    // WMV: the codecs by name, the audio format and the audio bit rate it
    // gives.
    Field<CWmProfileHelper> windowsMedia = nullptr;
};
using SCodecFields = SCodecFieldsOf<CEncSettings>;
using SReadCodecFields = SCodecFieldsOf<const CEncSettings>;

struct SOutputFormat {
    EncFormat number;
    // "AVI", "MP4", "WMV", "OGM": a preset's "dest_file_type" and the word of
    // the size prediction.
    const wchar_t* name;
    // The output file's default extension.
    const wchar_t* extension;
    // The language text that names the format in the output settings' list.
    const wchar_t* listTextKey;
    // The format's codec block in the settings record.
    SCodecFields (*codecBlock)(CEncSettings& settings);
    SReadCodecFields (*readCodecBlock)(const CEncSettings& settings);
    // The preset's "audio_codec" for the format; null where the settings
    // name the codec themselves (WMV).
    const wchar_t* presetAudioCodec;
    // The wave format tag a preset sets, whatever its audio codec text says;
    // 0 where the codec goes by name (WMV).
    int audioCodecTag;
    // A preset keeps the audio quality within 0 and this (where the format
    // has an audio quality).
    int presetAudioQualityMost;
    // The writer knows its FourCCs in lower case: a preset's video codec is
    // lowered before it is taken (MP4).
    bool lowerCaseVideoCodec;
    // The writer takes the video quality in every mode, not only in quality
    // mode (WMV, OGM).
    bool videoQualityInEveryMode;
    // The audio encoder takes the bit rate at a constant rate and the
    // quality at a variable one, never both (OGM's Vorbis).
    bool audioRateOrQuality;
    // What the container adds to the streams, in bytes a second, for the
    // size prediction.
    int containerBytesPerSecond;
};

// The formats in number order.
std::span<const SOutputFormat> OutputFormats();
// The format a stored number names; null for a number that names none.
const SOutputFormat* FindOutputFormat(int nEncFormat);
// The format of a name, in any letter case; null for another name.
const SOutputFormat* FindOutputFormatByName(const CString& name);
// The format the windows, the output name and the writer take for a stored
// number: AVI for a number that names none.
const SOutputFormat& OutputFormatOf(int nEncFormat);

// The chosen format's codec values; all null when nEncFormat names no
// format.
SCodecFields CodecFieldsOf(CEncSettings& settings);
SReadCodecFields CodecFieldsOf(const CEncSettings& settings);
