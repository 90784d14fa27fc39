// The sample DSP plug-in that comes with the program, so that the audio page
// has something to offer and the audio filter something real to run: two
// modules on 16-bit interleaved sound, half volume and swapped channels.
// Built against the plug-in C interface only; it has no configuration.
#include "modules/api/DspPluginApi.h"

namespace {

void NoConfig(DspPluginModule*) {}
int NoInit(DspPluginModule*) { return 0; }
void NoQuit(DspPluginModule*) {}

// Every sample times 0.5, rounded toward zero.
int HalveSamples(DspPluginModule*, short* samples, int frames, int bits, int channels, int)
{
    if (bits == 16 && samples && frames > 0 && channels > 0)
        for (long i = 0, n = static_cast<long>(frames) * channels; i < n; ++i)
            samples[i] = static_cast<short>(samples[i] / 2);
    return frames;
}

// The first two channels of every frame trade places; mono stays as it is.
int SwapChannels(DspPluginModule*, short* samples, int frames, int bits, int channels, int)
{
    if (bits == 16 && samples && frames > 0 && channels >= 2)
        for (long f = 0; f < frames; ++f) {
            short* frame = samples + f * channels;
            short left = frame[0];
            frame[0] = frame[1];
            frame[1] = left;
        }
    return frames;
}

char g_halfName[] = "Half volume (x0.5)";
char g_swapName[] = "Swap left and right channels";
char g_pluginName[] = "RivoEnc sample DSP";

DspPluginModule g_modules[] = {
    {g_halfName, nullptr, nullptr, NoConfig, NoInit, HalveSamples, NoQuit, nullptr},
    {g_swapName, nullptr, nullptr, NoConfig, NoInit, SwapChannels, NoQuit, nullptr},
};

DspPluginModule* GetModule(int index)
{
    if (index < 0 || index >= static_cast<int>(sizeof g_modules / sizeof g_modules[0])) return nullptr;
    return &g_modules[index];
}

DspPluginHeader g_header{kDspPluginVersion, g_pluginName, GetModule};

}  // namespace

extern "C" __attribute__((visibility("default"))) DspPluginHeader* winampDSPGetHeader2() { return &g_header; }
