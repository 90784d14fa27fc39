#include "tests/support/VirtualDesktop.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/support/PrivateSoundServer.h"

namespace {

std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool Ended(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const ScreenRect& r)
{
    return os << r.width << "x" << r.height << " at " << r.x << "," << r.y;
}

unsigned ScreenShot::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    if (at + 2 >= rgb.size()) return 0;
    auto byte = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(rgb[i])); };
    return (byte(at) << 16) | (byte(at + 1) << 8) | byte(at + 2);
}

VirtualDesktop::VirtualDesktop(bool windowManager, int width, int height) : width_(width), height_(height)
{
    for (const char* d : {"home", "config", "cache"}) mkdir(dir_.File(d).c_str(), 0700);
    // The server writes the number of the display it took on its standard
    // output once it accepts connections.
    const std::string number = dir_.File("display");
    server_ =
        SpawnProgram({"Xvfb", "-displayfd", "1", "-screen", "0",
                      std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp", "-noreset"},
                     {}, number);
    if (server_ < 0) {
        problem_ = "Xvfb could not be started (scripts/setup.sh installs it)";
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        const std::string text = ReadBytes(number);
        if (text.find('\n') != std::string::npos) {
            display_ = ":" + text.substr(0, text.find('\n'));
            break;
        }
        if (Ended(server_)) {
            server_ = -1;
            problem_ = "Xvfb ended at once";
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            problem_ = "Xvfb gave no display within 10 s";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (windowManager) {
        // The manager runs its start-up command once it manages the screen.
        const std::string ready = dir_.File("manager-ready");
        manager_ = SpawnProgram({"openbox", "--sm-disable", "--startup", "touch " + ready},
                                {"DISPLAY=" + display_, "HOME=" + dir_.File("home"),
                                 "XDG_CONFIG_HOME=" + dir_.File("config"), "XDG_CACHE_HOME=" + dir_.File("cache")},
                                "");
        if (manager_ < 0) {
            problem_ = "openbox could not be started (scripts/setup.sh installs it)";
            return;
        }
        while (!std::filesystem::exists(ready)) {
            if (Ended(manager_)) {
                manager_ = -1;
                problem_ = "openbox ended at once";
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline + std::chrono::seconds(10)) {
                problem_ = "openbox did not start within 10 s";
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    started_ = true;
}

VirtualDesktop::~VirtualDesktop()
{
    for (pid_t pid : programs_) EndProcess(pid, 5000);
    EndProcess(manager_);
    EndProcess(server_);
}

std::string VirtualDesktop::Tool(const std::string& commandLine, int* exitCode) const
{
    return RunTool("DISPLAY=" + display_ + " timeout -k 2 20 " + commandLine + " 2>/dev/null", exitCode);
}

pid_t VirtualDesktop::Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                            const std::string& outputFile)
{
    std::vector<std::string> env = environment;
    env.push_back("DISPLAY=" + display_);
    const pid_t pid = SpawnProgram(argv, env, outputFile);
    if (pid > 0) programs_.push_back(pid);
    return pid;
}

bool VirtualDesktop::HasEnded(pid_t pid, int* status)
{
    auto it = std::find(programs_.begin(), programs_.end(), pid);
    if (it == programs_.end()) return false;
    int raw = 0;
    if (waitpid(pid, &raw, WNOHANG) != pid) return false;
    programs_.erase(it);
    if (status) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return true;
}

std::vector<std::string> VirtualDesktop::Windows(pid_t pid) const
{
    std::vector<std::string> windows;
    std::istringstream lines(Tool("xdotool search --onlyvisible --pid " + std::to_string(pid)));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) windows.push_back(line);
    return windows;
}

ScreenRect VirtualDesktop::Geometry(const std::string& window) const
{
    const std::string text = Tool("xdotool getwindowgeometry --shell " + window);
    ScreenRect r;
    std::smatch m;
    for (auto [name, value] : {std::pair{"X", &r.x}, {"Y", &r.y}, {"WIDTH", &r.width}, {"HEIGHT", &r.height}})
        if (std::regex_search(text, m, std::regex(std::string("(^|\n)") + name + "=(-?[0-9]+)")))
            *value = std::stoi(m[2].str());
    return r;
}

ScreenShot VirtualDesktop::Shot(const std::string& pngPath) const
{
    ScreenShot shot;
    std::filesystem::create_directories(std::filesystem::path(pngPath).parent_path());
    const std::string size = std::to_string(width_) + "x" + std::to_string(height_);
    shot.rgb = RunTool("timeout 30 ffmpeg -loglevel error -f x11grab -video_size " + size + " -i " + display_ +
                       " -map 0 -frames:v 1 -y " + Quoted(pngPath) +
                       " -map 0 -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    if (shot.rgb.size() == static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3) {
        shot.width = width_;
        shot.height = height_;
    }
    return shot;
}
