#include "WmCodecTable.h"

#include <cstring>
#include <mutex>

#include "platform/dshow/MediaType.h"
#include "platform/win32/Format.h"

namespace {

// One audio format as the encoder produced it: sample rate, channels, bit
// rate in kbit/s, and the block alignment the encoder chose for it.
struct SAudioRow {
    DWORD rate;
    WORD channels;
    DWORD kbps;
    WORD blockAlign;
};

// Measured with the media layer's encoders (FFmpeg 5.1, "wmav2" and
// "wmav1"): for every sample rate of 8000, 11025, 16000, 22050, 32000,
// 44100 and 48000 Hz, mono and stereo, and every bit rate of the ladder 24,
// 32, 48, 64, 96, 128, 160 and 192 kbit/s, one second of a 440 Hz sine was
// encoded into an ASF file and decoded again. Every candidate of 24 kbit/s
// and more encodes (below that the encoders refuse: "bitrate too low, need
// 24000"); the rows keep those at most a quarter of the 16-bit PCM rate
// (above that a format only grows the file). The stream's wave format
// reported the bit rate asked for and the block alignment of each row. The
// two encoders differ at 32 kHz only, where the first version codes frames
// of 1024 samples and the second of 2048.
//
// Rows run from the lowest sample rate to the highest, mono before stereo,
// bit rate rising, so the last format of a codec is its best one.
const SAudioRow kWmaV2Rows[] = {
    {8000, 1, 24, 192},    {8000, 1, 32, 256},    {8000, 2, 24, 192},    {8000, 2, 32, 256},    {8000, 2, 48, 384},
    {8000, 2, 64, 512},    {11025, 1, 24, 139},   {11025, 1, 32, 185},   {11025, 2, 24, 139},   {11025, 2, 32, 185},
    {11025, 2, 48, 278},   {11025, 2, 64, 371},   {16000, 1, 24, 96},    {16000, 1, 32, 128},   {16000, 1, 48, 192},
    {16000, 1, 64, 256},   {16000, 2, 24, 96},    {16000, 2, 32, 128},   {16000, 2, 48, 192},   {16000, 2, 64, 256},
    {16000, 2, 96, 384},   {16000, 2, 128, 512},  {22050, 1, 24, 139},   {22050, 1, 32, 185},   {22050, 1, 48, 278},
    {22050, 1, 64, 371},   {22050, 2, 24, 139},   {22050, 2, 32, 185},   {22050, 2, 48, 278},   {22050, 2, 64, 371},
    {22050, 2, 96, 557},   {22050, 2, 128, 743},  {22050, 2, 160, 928},  {32000, 1, 24, 192},   {32000, 1, 32, 256},
    {32000, 1, 48, 384},   {32000, 1, 64, 512},   {32000, 1, 96, 768},   {32000, 1, 128, 1024}, {32000, 2, 24, 192},
    {32000, 2, 32, 256},   {32000, 2, 48, 384},   {32000, 2, 64, 512},   {32000, 2, 96, 768},   {32000, 2, 128, 1024},
    {32000, 2, 160, 1280}, {32000, 2, 192, 1536}, {44100, 1, 24, 139},   {44100, 1, 32, 185},   {44100, 1, 48, 278},
    {44100, 1, 64, 371},   {44100, 1, 96, 557},   {44100, 1, 128, 743},  {44100, 1, 160, 928},  {44100, 2, 24, 139},
    {44100, 2, 32, 185},   {44100, 2, 48, 278},   {44100, 2, 64, 371},   {44100, 2, 96, 557},   {44100, 2, 128, 743},
    {44100, 2, 160, 928},  {44100, 2, 192, 1114}, {48000, 1, 24, 128},   {48000, 1, 32, 170},   {48000, 1, 48, 256},
    {48000, 1, 64, 341},   {48000, 1, 96, 512},   {48000, 1, 128, 682},  {48000, 1, 160, 853},  {48000, 1, 192, 1024},
    {48000, 2, 24, 128},   {48000, 2, 32, 170},   {48000, 2, 48, 256},   {48000, 2, 64, 341},   {48000, 2, 96, 512},
    {48000, 2, 128, 682},  {48000, 2, 160, 853},  {48000, 2, 192, 1024},
};

const SAudioRow kWmaV1Rows[] = {
    {8000, 1, 24, 192},   {8000, 1, 32, 256},    {8000, 2, 24, 192},    {8000, 2, 32, 256},   {8000, 2, 48, 384},
    {8000, 2, 64, 512},   {11025, 1, 24, 139},   {11025, 1, 32, 185},   {11025, 2, 24, 139},  {11025, 2, 32, 185},
    {11025, 2, 48, 278},  {11025, 2, 64, 371},   {16000, 1, 24, 96},    {16000, 1, 32, 128},  {16000, 1, 48, 192},
    {16000, 1, 64, 256},  {16000, 2, 24, 96},    {16000, 2, 32, 128},   {16000, 2, 48, 192},  {16000, 2, 64, 256},
    {16000, 2, 96, 384},  {16000, 2, 128, 512},  {22050, 1, 24, 139},   {22050, 1, 32, 185},  {22050, 1, 48, 278},
    {22050, 1, 64, 371},  {22050, 2, 24, 139},   {22050, 2, 32, 185},   {22050, 2, 48, 278},  {22050, 2, 64, 371},
    {22050, 2, 96, 557},  {22050, 2, 128, 743},  {22050, 2, 160, 928},  {32000, 1, 24, 96},   {32000, 1, 32, 128},
    {32000, 1, 48, 192},  {32000, 1, 64, 256},   {32000, 1, 96, 384},   {32000, 1, 128, 512}, {32000, 2, 24, 96},
    {32000, 2, 32, 128},  {32000, 2, 48, 192},   {32000, 2, 64, 256},   {32000, 2, 96, 384},  {32000, 2, 128, 512},
    {32000, 2, 160, 640}, {32000, 2, 192, 768},  {44100, 1, 24, 139},   {44100, 1, 32, 185},  {44100, 1, 48, 278},
    {44100, 1, 64, 371},  {44100, 1, 96, 557},   {44100, 1, 128, 743},  {44100, 1, 160, 928}, {44100, 2, 24, 139},
    {44100, 2, 32, 185},  {44100, 2, 48, 278},   {44100, 2, 64, 371},   {44100, 2, 96, 557},  {44100, 2, 128, 743},
    {44100, 2, 160, 928}, {44100, 2, 192, 1114}, {48000, 1, 24, 128},   {48000, 1, 32, 170},  {48000, 1, 48, 256},
    {48000, 1, 64, 341},  {48000, 1, 96, 512},   {48000, 1, 128, 682},  {48000, 1, 160, 853}, {48000, 1, 192, 1024},
    {48000, 2, 24, 128},  {48000, 2, 32, 170},   {48000, 2, 48, 256},   {48000, 2, 64, 341},  {48000, 2, 96, 512},
    {48000, 2, 128, 682}, {48000, 2, 160, 853},  {48000, 2, 192, 1024},
};

template <class T>
std::vector<BYTE> BytesOf(const T& record)
{
    std::vector<BYTE> bytes(sizeof(T));
    std::memcpy(bytes.data(), &record, sizeof(T));
    return bytes;
}

// The encoders take a constant bit rate only, so every format is listed with
// variable bit rate off. The codec's private bytes are the encoder's to
// write when it runs, so the wave format carries none.
template <size_t N>
SWmCodec AudioCodec(const wchar_t* name, const char* encoder, WORD tag, const SAudioRow (&rows)[N])
{
    SWmCodec codec;
    codec.sName = name;
    codec.majortype = MEDIATYPE_Audio;
    codec.sEncoder = encoder;
    for (const SAudioRow& row : rows) {
        WAVEFORMATEX wave{};
        wave.wFormatTag = tag;
        wave.nChannels = row.channels;
        wave.nSamplesPerSec = row.rate;
        wave.nAvgBytesPerSec = row.kbps * 1000 / 8;
        wave.nBlockAlign = row.blockAlign;
        wave.wBitsPerSample = 16;
        wave.cbSize = 0;

        SWmCodecFormat f;
        f.sDescription =
            FormatText(L"%d kbps, %d kHz, %s CBR", row.kbps, row.rate / 1000, row.channels == 1 ? L"mono" : L"stereo");
        f.subtype = FourCCGuid(tag);
        f.formattype = FORMAT_WaveFormatEx;
        f.bFixedSizeSamples = TRUE;
        f.lSampleSize = row.blockAlign;
        f.format = BytesOf(wave);
        f.nBitrate = row.kbps * 1000;
        codec.formats.push_back(std::move(f));
    }
    return codec;
}

// One format per enumeration setting: the picture size, rate and bit rate
// are the profile's to set. The encoders run at a constant bit rate, at a
// constant quality (variable bit rate in one pass) or in two passes.
SWmCodec VideoCodec(const wchar_t* name, const char* encoder, DWORD fourcc)
{
    SWmCodec codec;
    codec.sName = name;
    codec.majortype = MEDIATYPE_Video;
    codec.sEncoder = encoder;
    codec.bVbrCapable = true;
    codec.nMaxPasses = 2;

    VIDEOINFOHEADER vih{};
    vih.rcSource = {0, 0, 320, 240};
    vih.rcTarget = {0, 0, 320, 240};
    vih.dwBitRate = 256000;
    vih.AvgTimePerFrame = 333333;  // 30 frames per second
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = 320;
    vih.bmiHeader.biHeight = 240;
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = fourcc;

    const struct {
        bool vbr;
        DWORD passes;
    } settings[] = {{false, 0}, {true, 1}, {true, 2}};
    for (const auto& s : settings) {
        SWmCodecFormat f;
        f.bVbr = s.vbr;
        f.nPasses = s.passes;
        f.subtype = FourCCGuid(fourcc);
        f.formattype = FORMAT_VideoInfo;
        f.bTemporalCompression = TRUE;
        f.format = BytesOf(vih);
        f.nBitrate = vih.dwBitRate;
        codec.formats.push_back(std::move(f));
    }
    return codec;
}

CWmCodecTable MakeBuiltInTable()
{
    CWmCodecTable table;
    // The better codec of each kind comes first: index 0 is what a name the
    // machine lacks falls back to.
    table.push_back(VideoCodec(L"Windows Media Video 8", "wmv2", MAKEFOURCC('W', 'M', 'V', '2')));
    table.push_back(VideoCodec(L"Windows Media Video 7", "wmv1", MAKEFOURCC('W', 'M', 'V', '1')));
    table.push_back(AudioCodec(L"Windows Media Audio 2", "wmav2", WAVE_FORMAT_WMAUDIO2, kWmaV2Rows));
    table.push_back(AudioCodec(L"Windows Media Audio 1", "wmav1", WAVE_FORMAT_MSAUDIO1, kWmaV1Rows));
    return table;
}

struct SRuntimeState {
    std::mutex lock;
    std::shared_ptr<const CWmCodecTable> replacement;
    bool present = true;
};

SRuntimeState& State()
{
    static SRuntimeState state;
    return state;
}

}  // namespace

const CWmCodecTable& BuiltInWmCodecTable()
{
    static const CWmCodecTable table = MakeBuiltInTable();
    return table;
}

std::shared_ptr<const CWmCodecTable> CurrentWmCodecTable()
{
    SRuntimeState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    if (s.replacement) return s.replacement;
    // The built-in table lives for the whole process; the pointer owns nothing.
    return std::shared_ptr<const CWmCodecTable>(&BuiltInWmCodecTable(), [](const CWmCodecTable*) {});
}

void WmSetCodecTableForTesting(std::shared_ptr<const CWmCodecTable> table)
{
    SRuntimeState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    s.replacement = std::move(table);
}

void WmSetRuntimePresentForTesting(bool present)
{
    SRuntimeState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    s.present = present;
}

bool WmRuntimePresent()
{
    SRuntimeState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    return s.present;
}
