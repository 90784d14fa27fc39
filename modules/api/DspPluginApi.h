// The C interface of Winamp 2.x DSP plug-ins: a shared object exports one
// function that gives a header, and the header lists the plug-in's effect
// modules. User plug-ins are shared objects named "dsp_*.so"
// built against this layout; every function uses the C calling convention.
//
// The program's side: the plug-in host loads the file, reads the header,
// and selects and initialises one module (Init); the audio treatment filter
// then runs that module's ModifySamples on the decoded sound; the host shuts
// the module down (Quit) before it unloads the file.
#pragma once

#include "platform/win32/WinTypes.h"

struct HWND__;

struct DspPluginModule {
    // What the module does, in the ANSI code page; shown in the module list.
    char* description;
    // The window its configuration dialog belongs to; the host sets it.
    HWND__* hwndParent;
    // The plug-in file's module handle; the host sets it before Init.
    HMODULE hDllInstance;
    // Shows the module's configuration (may run a modal dialog).
    void (*Config)(DspPluginModule* self);
    // Prepares the module; its result is ignored.
    int (*Init)(DspPluginModule* self);
    // Treats sampleCount sample frames of interleaved signed samples of
    // bitsPerSample bits with channels channels at rate Hz, in place, and
    // returns how many sample frames the buffer holds afterwards. The buffer
    // has room for twice the frames given, so a module may lengthen the sound
    // up to that; a result beyond the room, or below zero, is not trusted
    // (see ClampDspSampleCount). Called on the streaming thread.
    int (*ModifySamples)(DspPluginModule* self, short* samples, int sampleCount, int bitsPerSample, int channels,
                         int rate);
    // Shuts the module down.
    void (*Quit)(DspPluginModule* self);
    // The module's own.
    void* userData;
};

struct DspPluginHeader {
    // kDspPluginVersion.
    int version;
    // The plug-in's name, in the ANSI code page; shown beside its file name.
    char* description;
    // Module index (from 0) -> module, null past the last one.
    DspPluginModule* (*getModule)(int index);
};

// The header version of the plug-ins this interface describes.
inline constexpr int kDspPluginVersion = 0x20;

// The one export of a plug-in and its type.
inline constexpr const char* kDspPluginHeaderExport = "winampDSPGetHeader2";
using DspPluginGetHeader = DspPluginHeader* (*)();

// The frame count a module reported after ModifySamples, made safe for a
// buffer with room for `capacity` frames: below zero gives 0, beyond the
// room gives the room. A module that reports more frames than the buffer
// holds must not make the caller read past it.
constexpr int ClampDspSampleCount(int reported, int capacity)
{
    if (capacity < 0) capacity = 0;
    if (reported < 0) return 0;
    return reported > capacity ? capacity : reported;
}
