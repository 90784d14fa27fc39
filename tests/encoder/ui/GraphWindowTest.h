// The fixture of the windows that run graphs (the progress window, the
// source settings window): the encoder windows' fixture with the component
// runtime and its system filters, the recording stand-ins served as
// HVF.ax, HAF.ax and hwriter.dll from the program folder, an output folder
// as the settings' destination, media made by the ffmpeg command line and
// a job list.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "UiTestSupport.h"
#include "encoder/jobs/EncFileInfoList.h"
#include "encoder/ui/EncodingHost.h"
#include "platform/mfc/CDialog.h"
#include "tests/support/TempDir.h"

// The main window's part for a progress window: a plain window that owns
// it and counts how often it was given back its controls.
class TestEncodingHost : public CEncodingHost {
public:
    TestEncodingHost();
    ~TestEncodingHost() override;
    CWnd* GetHostWindow() override { return &window; }
    void EndModalChild() override { ++ended; }
    CDialog window;
    int ended = 0;
};

class GraphWindowTest : public UiTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The destination folder (native, no trailing '/').
    std::string Out() const { return temp().File("out"); }
    // Empties the destination folder.
    void ClearOut() const;
    std::string Media(const std::string& name, const std::string& args) const;
    // An AVI of the test picture (MPEG-4) and a tone (PCM).
    std::string GoodAvi(const std::string& name, double seconds = 2.0) const;
    // Probes the source and appends its job (a test failure when refused).
    CEncFileInfo* Add(const std::string& path);
    // What the default naming rule makes of the source in the destination.
    std::string OutputOf(const std::string& source, const char* extension = "avi") const;
    // Puts the build's real module in the place of its stand-in; false
    // (the stand-in stays) when the build has not made it.
    bool UseRealModule(const std::string& fileName);
    // Serves the windows' messages until the condition holds; false after a
    // minute.
    static bool PumpUntil(const std::function<bool()>& done);
    static std::string FileText(const std::string& path);

    TempDir media_;
    CEncFileInfoList jobs_;

private:
    std::map<std::string, HMODULE> modules_;
};
