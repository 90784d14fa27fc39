// The registered window messages by which a graph object tells its owner
// window what happens (always posted, never sent), and the values they
// carry.
#pragma once

#include "platform/win32/WindowMessages.h"

struct SGraphMessages {
    // The graph's event notice: the owner answers it by calling the graph
    // object's OnGraphNotify.
    UINT graphNotify;
    // wParam: the new play state (kPlayState...).
    UINT playbackState;
    // The source was opened.
    UINT playbackReady;
    // The job ended; wParam: kEof... .
    UINT playbackEof;
    // Registered for the windows that listen to them; never posted.
    UINT playbackClosed;
    UINT error;
};

// Registers the messages by name on first use (any thread) and gives their
// ids: "WM_GRAPHNOTIFY", "WM_RIVO_PLAYBACK_STATE", "WM_RIVO_PLAYBACK_READY",
// "WM_RIVO_PLAYBACK_EOF", "WM_RIVO_PLAYBACK_CLOSED", "WM_RIVO_ERROR".
const SGraphMessages& GetGraphMessages();

// Play states of a graph object.
constexpr int kPlayStateClosed = 0;
constexpr int kPlayStateStopped = 2;  // opened, or stopped since
constexpr int kPlayStatePaused = 3;
constexpr int kPlayStateRunning = 4;
constexpr int kPlayStateBuffering = 5;

// How a job ended (wParam of "WM_RIVO_PLAYBACK_EOF").
constexpr WPARAM kEofFinished = 0;
constexpr WPARAM kEofWriterOutput = 0x0E01;   // 3585: the writer could not write its file
constexpr WPARAM kEofWriterEncoder = 0x0E02;  // 3586: the writer's encoder failed
constexpr WPARAM kEofNoVideo = 0x0E03;        // 3587: the output would lack its video
constexpr WPARAM kEofNoSound = 0x0E04;        // 3588: the output would lack its sound
constexpr WPARAM kEofErrorAbort = 0x0E10;     // 3600: the graph stopped on an error
