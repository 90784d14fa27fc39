// RivoEnc on a test's own X server, typed into with real key presses
// (xdotool's XTEST events) as a user types, with a private home and a
// program folder of its own whose presets folder is a copy, so that nothing
// the build made is changed. On the first run the program shows its notice,
// then the preset manager; the keys reach the add-preset window through Tab
// and Space, and "Ab" is typed into its name box with Shift held for the
// capital letter: the preset is then saved under that name. Every wait has a
// deadline.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualDesktop.h"
#include "tests/support/WaitUntil.h"

namespace fs = std::filesystem;

namespace {

// A program that starts slowly under the sanitizers, on a busy machine.
constexpr std::chrono::milliseconds kWindowWait{120000};
constexpr std::chrono::milliseconds kPoll{200};

class RivoEncKeyboardTest : public ::testing::Test {
protected:
    // The program folder: the build's entries linked, the program itself
    // hard-linked (so that it takes this folder as its own) or copied, and
    // the presets folder copied, since the test adds a preset to it.
    void MakeProgramFolder()
    {
        fs::create_directories(Folder());
        for (const auto& entry : fs::directory_iterator(BinDir())) {
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

    bool Running()
    {
        if (!ended_ && desktop_->HasEnded(program_, nullptr)) ended_ = true;
        return !ended_;
    }
    // The window's width times its height, as the X server has it.
    long long AreaOf(const std::string& window) const
    {
        const ScreenRect r = desktop_->Geometry(window);
        return static_cast<long long>(r.width) * r.height;
    }
    // Waits for a window of the program not among those already known
    // (the smallest, when several come at once); "" after the deadline.
    std::string WaitForNewWindow(std::vector<std::string>& known)
    {
        std::string found;
        WaitUntil(
            "a new window",
            [&] {
                if (!Running()) return true;
                for (const std::string& w : desktop_->Windows(program_))
                    if (std::find(known.begin(), known.end(), w) == known.end() &&
                        (found.empty() || AreaOf(w) < AreaOf(found)))
                        found = w;
                return !found.empty();
            },
            kWindowWait, kPoll);
        if (!found.empty()) known.push_back(found);
        return found;
    }
    void Xdotool(const std::string& arguments) const { desktop_->Tool("xdotool " + arguments); }
    // Gives the window the keyboard and presses the keys (xdotool names).
    void Keys(const std::string& window, const std::string& keys) const
    {
        Xdotool("windowfocus --sync " + window);
        Xdotool("key --delay 150 " + keys);
    }

    TempDir dir_;
    std::unique_ptr<VirtualDesktop> desktop_;
    pid_t program_ = -1;
    bool ended_ = false;
};

TEST_F(RivoEncKeyboardTest, ACapitalLetterTypedWithShiftReachesTheAddPresetNameBox)
{
    desktop_ = std::make_unique<VirtualDesktop>(false, 1280, 800);
    ASSERT_TRUE(desktop_->Started()) << desktop_->Problem();
    MakeProgramFolder();
    program_ = desktop_->Start({Folder() + "/RivoEnc"}, DesktopProgramEnvironment(dir_.File("desktop")),
                               dir_.File("program.log"));
    ASSERT_GT(program_, 0);
    // The main window, then the first run's notice over it.
    std::vector<std::string> known;
    ASSERT_TRUE(WaitUntil(
        "the main window and the notice", [&] { return !Running() || desktop_->Windows(program_).size() >= 2; },
        kWindowWait, kPoll));
    const std::string notice = WaitForNewWindow(known);
    ASSERT_FALSE(notice.empty());
    for (const std::string& w : desktop_->Windows(program_))
        if (std::find(known.begin(), known.end(), w) == known.end()) known.push_back(w);
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
    desktop_->Shot(std::string(RIVO_SCREENSHOT_DIR) + "/encoder_app_xvfb_preset_name.png");
    Keys(add, "Return");
    // OK saved the current settings as a preset of that name.
    const std::string preset = Folder() + "/presets/Ab.rvp";
    EXPECT_TRUE(WaitUntil(
        "the preset named Ab", [&] { return fs::exists(preset); }, kWindowWait, kPoll))
        << "presets: " << RunTool("ls " + Quoted(Folder() + "/presets"));
    EXPECT_TRUE(Running()) << ReadBytes(dir_.File("program.log"));
}

}  // namespace
