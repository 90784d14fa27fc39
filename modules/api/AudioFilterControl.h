// The audio treatment filter of HAF.ax ("Halvane Audio": one input per audio
// stream of the source, one audio output) and the interface through which
// the graph configures it.
//
// The chosen stream goes through, in this order: the playback rate and the
// conversion to the output rate, channel count and precision, the
// normaliser, the amplification, the DSP module, and last the sync delay
// (on the output's time line).
//
// Every setter works before and after the filter is connected; a value the
// filter refuses gives E_INVALIDARG and leaves the current value. A getter
// given a null pointer gives E_POINTER. A rate or channel count that changes
// the output's format connects the output again when it is connected (the
// old format and value stay when downstream refuses the new one, and such a
// change is refused with VFW_E_NOT_STOPPED while the graph runs). The
// playback rate, pitch, delay and resampler take effect when the stream
// starts (from stopped, or after a seek); the levels, the DSP module and the
// stream at once. Values the program passes, and what the filter does with
// them:
//
//  SetAudioSampleRate(hz)     output samples per second, 8000..192000;
//                             0 (the initial value) keeps the source's rate.
//  GetAudioSampleRate(hz*)    the rate set, 0 while none was set.
//  SetAudioChannels(n)        1 mono, 2 stereo (passed); 0 (the initial
//                             value) keeps the source's channels.
//  SetAudioBitsPerSample(n)   16 (passed): signed 16-bit samples; the only
//                             precision the filter gives, others are refused.
//  SetAudioPresetA(quality)   the resampler: 1 (passed) its standard filter
//                             (as the ffmpeg command line resamples by
//                             default), 0 fastest (its shortest filter).
//  SetAudioPlaybackRate(r)    the speed factor, 1.0 normal; 0.1..10, so a
//                             rate of 0, below 0 or not finite (which would
//                             make the sound endless or empty) is refused.
//  SetAudioPitchFix(on)       non-zero keeps the pitch while the speed
//                             changes; 0 lets the pitch move with the speed.
//  SetAudioNormalize(on)      non-zero turns the normaliser on.
//  SetAudioNormalizeLevel(p)  0..100: the normaliser raises the sound until
//                             the loudest peak so far reaches p percent of
//                             full scale...
//  SetAudioGainLimit(g)       ...by at most this factor of amplitude (finite,
//                             1 or more; the program passes 10^0.4, +8 dB).
//                             The normaliser never lowers the sound.
//  SetAudioAmplify(db)        the job's gain, -60..60 dB (the factor
//                             10^(db/20)); samples clip at full scale.
//  SetAudioSyncDelay(ms)      -3600000..3600000: a positive delay puts that
//                             much silence in front of the sound, a negative
//                             one cuts that much from its start.
//  SetAudioDspModule(m)       the Winamp DSP module (or null) whose
//                             ModifySamples treats the interleaved 16-bit
//                             output samples, with room for twice the frames
//                             given (ClampDspSampleCount guards the count).
//                             The module is called under the filter's lock;
//                             once SetAudioDspModule(null) returns it is never
//                             called again, so its plug-in may be unloaded.
//  GetAudioStreamCount(n*)    the number of the source's audio streams (the
//                             connected inputs); 0 before the source is
//                             connected.
//  GetAudioStreamInfo(i, text, length*)  on entry *length is the size of
//                             text in characters (the program passes 260);
//                             a one-line description of stream i (codec,
//                             rate, channels, language when known) is
//                             written zero-terminated, cut to fit, and
//                             *length becomes its length. A bad index or
//                             size gives E_INVALIDARG with *length -1.
//  SetAudioStream(i)          the stream (from 0) that flows; the others are
//                             dropped. Negative is refused; an index past
//                             the connected streams lets stream 0 flow.
//  GetCurrentAudioStream(i*)  the stream that flows (0 when none was set).
#pragma once

#include "modules/api/DspPluginApi.h"
#include "modules/api/ModuleInterface.h"

inline constexpr const wchar_t* kAudioModuleFile = L"HAF.ax";
inline constexpr const wchar_t* kAudioFilterName = L"Halvane Audio";

constexpr CLSID CLSID_HalvaneAudioFilter{0x7CA92689, 0xF7AA, 0x4067, {0xB7, 0xEE, 0x86, 0x93, 0xFB, 0x26, 0x50, 0x85}};
constexpr IID IID_IAudioFilterControl{0x7CA92688, 0xF7AA, 0x4067, {0xB7, 0xEE, 0x86, 0x93, 0xFB, 0x26, 0x50, 0x85}};

#define RIVO_IAUDIOFILTERCONTROL_METHODS(CALLED, UNCALLED)                  \
    UNCALLED(3, Reserved3, ())                                              \
    UNCALLED(4, Reserved4, ())                                              \
    UNCALLED(5, Reserved5, ())                                              \
    UNCALLED(6, Reserved6, ())                                              \
    CALLED(7, SetAudioChannels, (int channels))                             \
    UNCALLED(8, GetAudioChannels, (int*))                                   \
    CALLED(9, SetAudioBitsPerSample, (int bits))                            \
    UNCALLED(10, GetAudioBitsPerSample, (int*))                             \
    CALLED(11, SetAudioSampleRate, (int hz))                                \
    CALLED(12, GetAudioSampleRate, (int* hz))                               \
    CALLED(13, SetAudioPlaybackRate, (double rate))                         \
    UNCALLED(14, GetAudioPlaybackRate, (double*))                           \
    CALLED(15, SetAudioPitchFix, (int keepPitch))                           \
    UNCALLED(16, GetAudioPitchFix, (int*))                                  \
    UNCALLED(17, Reserved17, ())                                            \
    UNCALLED(18, Reserved18, ())                                            \
    UNCALLED(19, Reserved19, ())                                            \
    UNCALLED(20, Reserved20, ())                                            \
    CALLED(21, SetAudioGainLimit, (double factor))                          \
    UNCALLED(22, GetAudioGainLimit, (double*))                              \
    UNCALLED(23, Reserved23, ())                                            \
    UNCALLED(24, Reserved24, ())                                            \
    UNCALLED(25, Reserved25, ())                                            \
    UNCALLED(26, Reserved26, ())                                            \
    UNCALLED(27, Reserved27, ())                                            \
    UNCALLED(28, Reserved28, ())                                            \
    CALLED(29, GetAudioStreamCount, (int* count))                           \
    CALLED(30, GetAudioStreamInfo, (int index, wchar_t* text, int* length)) \
    CALLED(31, SetAudioStream, (int index))                                 \
    CALLED(32, GetCurrentAudioStream, (int* index))                         \
    UNCALLED(33, Reserved33, ())                                            \
    UNCALLED(34, Reserved34, ())                                            \
    CALLED(35, SetAudioDspModule, (DspPluginModule * module))               \
    UNCALLED(36, GetAudioDspModule, (DspPluginModule**))                    \
    UNCALLED(37, Reserved37, ())                                            \
    UNCALLED(38, Reserved38, ())                                            \
    UNCALLED(39, Reserved39, ())                                            \
    UNCALLED(40, Reserved40, ())                                            \
    CALLED(41, SetAudioNormalize, (int on))                                 \
    UNCALLED(42, GetAudioNormalize, (int*))                                 \
    CALLED(43, SetAudioNormalizeLevel, (int percent))                       \
    UNCALLED(44, GetAudioNormalizeLevel, (int*))                            \
    CALLED(45, SetAudioPresetA, (int quality))                              \
    UNCALLED(46, GetAudioPresetA, (int*))                                   \
    UNCALLED(47, Reserved47, ())                                            \
    UNCALLED(48, Reserved48, ())                                            \
    UNCALLED(49, Reserved49, ())                                            \
    UNCALLED(50, Reserved50, ())                                            \
    UNCALLED(51, Reserved51, ())                                            \
    UNCALLED(52, Reserved52, ())                                            \
    UNCALLED(53, Reserved53, ())                                            \
    UNCALLED(54, Reserved54, ())                                            \
    UNCALLED(55, Reserved55, ())                                            \
    UNCALLED(56, Reserved56, ())                                            \
    UNCALLED(57, Reserved57, ())                                            \
    UNCALLED(58, Reserved58, ())                                            \
    UNCALLED(59, Reserved59, ())                                            \
    UNCALLED(60, Reserved60, ())                                            \
    UNCALLED(61, Reserved61, ())                                            \
    UNCALLED(62, Reserved62, ())                                            \
    UNCALLED(63, Reserved63, ())                                            \
    UNCALLED(64, Reserved64, ())                                            \
    CALLED(65, SetAudioSyncDelay, (int ms))                                 \
    UNCALLED(66, GetAudioSyncDelay, (int*))                                 \
    CALLED(67, SetAudioAmplify, (int db))

RIVO_MODULE_INTERFACE(IAudioFilterControl, IID_IAudioFilterControl, RIVO_IAUDIOFILTERCONTROL_METHODS)
