// A sound server of the test's own: a PulseAudio daemon with one silent
// output ("null sink") in a private folder, which this process's sound
// clients reach through PULSE_SERVER while it lives, and a recorder of what
// is played to it (the output's monitor, through parec). The daemon and
// the recorder are always ended by their process ids, with deadlines.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

class PrivateSoundServer {
public:
    // Starts the daemon and waits (at most 10 s) until it answers.
    PrivateSoundServer();
    // Ends the recorder and the daemon and gives PULSE_SERVER back.
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // False (with the reason) when the daemon is missing or did not answer.
    bool Started() const { return started_; }
    const std::string& Problem() const { return problem_; }

    // Records the output's monitor as 16-bit mono samples at kRecordRate
    // from now until StopRecording, which gives them.
    bool StartRecording();
    std::vector<int16_t> StopRecording();

    static constexpr int kRecordRate = 44100;

private:
    TempDir dir_;
    pid_t daemon_ = -1;
    pid_t recorder_ = -1;
    bool started_ = false;
    std::string problem_;
    std::string oldServer_;
    bool hadOldServer_ = false;
};

// Runs a program (no shell) with extra environment entries ("NAME=value"),
// its standard output to a file (or /dev/null when empty); the process id,
// -1 when it cannot start.
pid_t SpawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                   const std::string& outputFile);
// Ends the process: SIGTERM, then SIGKILL when it is still there after the
// grace time; waits for it.
void EndProcess(pid_t pid, int graceMs = 2000);

// How much of the samples' power lies at the frequency (Goertzel over short
// blocks, so that a jump of phase does not count against the tone), from 0
// to 1; and their RMS level in full scale.
double ToneShare(const std::vector<int16_t>& samples, int rate, double frequency);
double RmsLevel(const std::vector<int16_t>& samples);
