#include "tests/support/PrivateSoundServer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

extern char** environ;

namespace {

constexpr const char* kSinkName = "rivo_test_sink";

bool SocketAnswers(const std::string& path)
{
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return ok;
}

}  // namespace

pid_t SpawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                   const std::string& outputFile)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& extra : environment)
            if (extra.substr(0, extra.find('=')) == name) replaced = true;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string out = outputFile.empty() ? "/dev/null" : outputFile;
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

void EndProcess(pid_t pid, int graceMs)
{
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || done < 0) return;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

PrivateSoundServer::PrivateSoundServer()
{
    if (const char* old = std::getenv("PULSE_SERVER")) {
        hadOldServer_ = true;
        oldServer_ = old;
    }
    for (const char* d : {"home", "run", "config"}) mkdir(dir_.File(d).c_str(), 0700);
    std::string socketPath = dir_.File("native");
    {
        std::ofstream script(dir_.File("server.pa"));
        script << "load-module module-null-sink sink_name=" << kSinkName << " rate=" << kRecordRate << " channels=2\n"
               << "set-default-sink " << kSinkName << "\n"
               << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << socketPath << "\n";
    }
    daemon_ = SpawnProgram(
        {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--disable-shm=yes",
         "--log-target=stderr", "-F", dir_.File("server.pa")},
        {"HOME=" + dir_.File("home"), "XDG_RUNTIME_DIR=" + dir_.File("run"), "XDG_CONFIG_HOME=" + dir_.File("config")},
        "");
    if (daemon_ < 0) {
        problem_ = "pulseaudio could not be started";
        return;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!SocketAnswers(socketPath)) {
        int status = 0;
        if (waitpid(daemon_, &status, WNOHANG) == daemon_) {
            daemon_ = -1;
            problem_ = "pulseaudio ended at once";
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            problem_ = "pulseaudio did not answer within 10 s";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    setenv("PULSE_SERVER", ("unix:" + socketPath).c_str(), 1);
    started_ = true;
}

PrivateSoundServer::~PrivateSoundServer()
{
    EndProcess(recorder_);
    EndProcess(daemon_);
    if (hadOldServer_)
        setenv("PULSE_SERVER", oldServer_.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
}

bool PrivateSoundServer::StartRecording()
{
    if (!started_) return false;
    EndProcess(recorder_);
    recorder_ = SpawnProgram({"parec", "--raw", "--format=s16le", "--rate=" + std::to_string(kRecordRate),
                              "--channels=1", "--latency-msec=20", std::string("--device=") + kSinkName + ".monitor"},
                             {"HOME=" + dir_.File("home")}, dir_.File("recording.raw"));
    // The recorder needs a moment to attach to the monitor.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return recorder_ > 0;
}

std::vector<int16_t> PrivateSoundServer::StopRecording()
{
    // What is still in flight reaches the file before the recorder ends.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EndProcess(recorder_);
    recorder_ = -1;
    std::ifstream in(dir_.File("recording.raw"), std::ios::binary);
    std::vector<int16_t> samples;
    int16_t s;
    while (in.read(reinterpret_cast<char*>(&s), sizeof s)) samples.push_back(s);
    return samples;
}

double ToneShare(const std::vector<int16_t>& samples, int rate, double frequency)
{
    if (samples.empty() || rate <= 0) return 0;
    // The power at the frequency is measured in blocks of a twentieth of a
    // second and added up: a recording that pauses, seeks or misses a few
    // samples carries the tone on with another phase, which a single sum
    // over the whole recording would partly cancel.
    const size_t block = std::max(1, rate / 20);
    const double coefficient = 2 * std::cos(2 * M_PI * frequency / rate);
    double tone = 0, total = 0;
    for (size_t start = 0; start < samples.size(); start += block) {
        const size_t end = std::min(samples.size(), start + block);
        double s1 = 0, s2 = 0;
        for (size_t i = start; i < end; ++i) {
            double x = samples[i] / 32768.0;
            double s0 = x + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
            total += x * x;
        }
        // A pure tone of amplitude A over N samples gives power (A N / 2)^2
        // and a total of A^2 N / 2: the block's tone energy is power / (N / 2).
        tone += (s1 * s1 + s2 * s2 - coefficient * s1 * s2) / ((end - start) / 2.0);
    }
    return total > 0 ? std::min(1.0, tone / total) : 0;
}

double RmsLevel(const std::vector<int16_t>& samples)
{
    if (samples.empty()) return 0;
    double total = 0;
    for (int16_t v : samples) total += (v / 32768.0) * (v / 32768.0);
    return std::sqrt(total / samples.size());
}
