// The fixture of the dialog layer's tests: the window layer's clean slate,
// a modal driver, a fake clipboard and a message-box answerer that records.
#pragma once

#include "ModalDriver.h"
#include "tests/platform/mfc/FakeClipboard.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/platform/win32/gui/RecordingMessageBoxAnswerer.h"

namespace mfc_test {

class MfcTest : public gui_test::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        SetClipboardService(&clipboard_);
        SetMessageBoxAnswerer(&answers_);
    }
    void TearDown() override
    {
        driver_.Verify();
        GuiTest::TearDown();
        SetClipboardService(nullptr);
        SetMessageBoxAnswerer(nullptr);
    }
    ModalDriver driver_;
    FakeClipboard clipboard_;
    RecordingMessageBoxAnswerer answers_;
};

}  // namespace mfc_test
