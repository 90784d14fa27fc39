// RivoEnc on a private virtual X server (Xvfb, its display number taken with
// -displayfd), driven by real key presses (xdotool's XTEST events) as a user
// types, with a private home and a program folder of its own whose presets
// folder is a copy, so that nothing the build made is changed. On the first
// run the program shows its notice, then the preset manager; the keys
// reach the add-preset window through Tab and Space, and "Ab" is typed
// into its name box with Shift held for the capital letter: the preset is
// then saved under that name. Every wait has a deadline.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "tests/support/PrivateSoundServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// A program that starts slowly under the sanitizers, on a busy machine.
constexpr std::chrono::milliseconds kWindowWait{120000};
constexpr std::chrono::milliseconds kPoll{200};

// A process started with an argument vector (no shell) and environment
// entries of its own, its output to a file; ended (TERM, then KILL) and
// reaped when the object goes.
class Process {
public:
    Process(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
            const std::string& output)
        : pid_(SpawnProgram(arguments, environment, output))
    {
    }
    ~Process() { EndProcess(pid_, 5000); }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    pid_t pid() const { return pid_; }
    bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    pid_t pid_;
};

// A virtual X server on a display nobody uses, which it chooses and tells
// through -displayfd.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const TempDir& dir)
    {
        int fds[2];
        if (pipe(fds) != 0) return;
        fcntl(fds[0], F_SETFD, FD_CLOEXEC);
        xvfb_ = std::make_unique<Process>(
            std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                     "1280x800x24", "-nolisten", "tcp"},
            std::vector<std::string>{}, dir.File("xvfb.log"));
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        const auto end = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < end && number.find('\n') == std::string::npos) {
            if (poll(&p, 1, 200) <= 0) continue;
            char buffer[32];
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0) break;
            number.append(buffer, static_cast<size_t>(n));
        }
        close(fds[0]);
        if (number.find('\n') != std::string::npos) name_ = ":" + number.substr(0, number.find('\n'));
    }
    const std::string& name() const { return name_; }  // "" when it did not start

private:
    std::unique_ptr<Process> xvfb_;
    std::string name_;
};

class RivoEncDesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/xdotool"})
            ASSERT_TRUE(fs::exists(tool)) << tool << " is missing (scripts/setup.sh installs it)";
        display_ = std::make_unique<VirtualDisplay>(dir_);
        ASSERT_FALSE(display_->name().empty()) << ReadBytes(dir_.File("xvfb.log"));
        MakeProgramFolder();
    }
    void TearDown() override
    {
        program_.reset();
        display_.reset();
    }

    // The program folder: the build's entries linked, the program itself
    // hard-linked (so that it takes this folder as its own) or copied, and
    // the presets folder copied, since the test adds a preset to it.
    void MakeProgramFolder()
    {
        const fs::path bin = BinDir();
        fs::create_directories(Folder());
        for (const auto& entry : fs::directory_iterator(bin)) {
            const fs::path target = fs::path(Folder()) / entry.path().filename();
            const std::string name = entry.path().filename().string();
            std::error_code ec;
            if (name == "RivoEnc") {
                fs::create_hard_link(entry.path(), target, ec);
                if (ec) fs::copy_file(entry.path(), target);
            } else if (name == "presets") {
                fs::copy(entry.path(), target, fs::copy_options::recursive);
            } else {
                fs::create_symlink(entry.path(), target);
            }
        }
    }
    std::string Folder() const { return dir_.File("bin"); }

    void Start()
    {
        const std::string home = dir_.File("home");
        const std::string runtime = dir_.File("runtime");
        fs::create_directories(home);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        program_ = std::make_unique<Process>(
            std::vector<std::string>{Folder() + "/RivoEnc"},
            std::vector<std::string>{"DISPLAY=" + display_->name(), "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config",
                                     "XDG_DATA_HOME=" + home + "/.local/share", "XDG_CACHE_HOME=" + home + "/.cache",
                                     "XDG_RUNTIME_DIR=" + runtime, "QT_QPA_PLATFORM=xcb"},
            dir_.File("program.log"));
        ASSERT_GT(program_->pid(), 0);
    }

    std::string Xdotool(const std::string& arguments) const
    {
        return RunTool("env DISPLAY=" + display_->name() + " timeout 20 xdotool " + arguments + " 2>/dev/null");
    }
    // The program's windows, as the X server lists them.
    std::set<std::string> Windows() const
    {
        std::set<std::string> windows;
        std::istringstream lines(Xdotool("search --pid " + std::to_string(program_->pid())));
        for (std::string line; std::getline(lines, line);)
            if (!line.empty()) windows.insert(line);
        return windows;
    }
    // The window's width times its height, as the X server has it.
    long long AreaOf(const std::string& window) const
    {
        const std::string shell = Xdotool("getwindowgeometry --shell " + window);
        auto value = [&](const std::string& name) {
            const size_t at = shell.find(name + "=");
            return at == std::string::npos ? 0LL : std::atoll(shell.c_str() + at + name.size() + 1);
        };
        return value("WIDTH") * value("HEIGHT");
    }
    // Waits for a window of the program not among those already known
    // (the smallest, when several come at once); "" after the deadline.
    std::string WaitForNewWindow(std::set<std::string>& known)
    {
        std::string found;
        WaitUntil(
            "a new window",
            [&] {
                if (!program_->Running()) return true;
                for (const std::string& w : Windows())
                    if (!known.count(w) && (found.empty() || AreaOf(w) < AreaOf(found))) found = w;
                return !found.empty();
            },
            kWindowWait, kPoll);
        if (!found.empty()) known.insert(found);
        return found;
    }
    // Gives the window the keyboard and presses the keys (xdotool names).
    void Keys(const std::string& window, const std::string& keys) const
    {
        Xdotool("windowfocus --sync " + window);
        Xdotool("key --delay 150 " + keys);
    }
    void SaveScreen(const std::string& name) const
    {
        const std::string folder = std::string(RIVO_SCREENSHOT_DIR);
        fs::create_directories(folder);
        RunTool("timeout 30 ffmpeg -loglevel error -y -f x11grab -video_size 1280x800 -i " + display_->name() +
                " -frames:v 1 " + Quoted(folder + "/" + name + ".png"));
    }

    TempDir dir_;
    std::unique_ptr<VirtualDisplay> display_;
    std::unique_ptr<Process> program_;
};

TEST_F(RivoEncDesktopTest, ACapitalLetterTypedWithShiftReachesTheAddPresetNameBox)
{
    Start();
    // The main window, then the first run's notice over it.
    std::set<std::string> known;
    ASSERT_TRUE(WaitUntil(
        "the main window and the notice", [&] { return !program_->Running() || Windows().size() >= 2; }, kWindowWait,
        kPoll));
    const std::string notice = WaitForNewWindow(known);
    ASSERT_FALSE(notice.empty());
    for (const std::string& w : Windows()) known.insert(w);
    Keys(notice, "Return");
    // The preset manager: the list has the keyboard; Tab past the preset's
    // details and the folder button to Add, and Space presses it.
    const std::string presets = WaitForNewWindow(known);
    ASSERT_FALSE(presets.empty()) << "the preset manager did not open";
    Keys(presets, "Tab Tab Tab space");
    // The add-preset window: from its first choice Tab to the name box.
    const std::string add = WaitForNewWindow(known);
    ASSERT_FALSE(add.empty()) << "the add-preset window did not open: a key went round";
    Keys(add, "Tab");
    Xdotool("keydown shift key a keyup shift key b");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    SaveScreen("encoder_app_xvfb_preset_name");
    Keys(add, "Return");
    // OK saved the current settings as a preset of that name.
    const std::string preset = Folder() + "/presets/Ab.rvp";
    EXPECT_TRUE(WaitUntil("the preset named Ab", [&] { return fs::exists(preset); }, kWindowWait, kPoll))
        << "presets: " << RunTool("ls " + Quoted(Folder() + "/presets"));
    EXPECT_TRUE(program_->Running()) << ReadBytes(dir_.File("program.log"));
}

}  // namespace
