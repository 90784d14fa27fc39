#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/DialogTextWindows.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/MessageDialogPort.h"
#include "encoder/core/WindowLayerServices.h"
#include "foundation/gui/MessageDialog.h"
#include "platform/win32/gui/GdiObjects.h"
#include "platform/win32/gui/Window.h"
#include "tests/encoder/core/CoreTestSupport.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"

using namespace gui_test;

namespace {

class WindowLayerServicesTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        InstallWindowLayerServices();
    }
    void TearDown() override
    {
        SetMessageDialogPort(nullptr);
        SetDialogTextWindows(nullptr);
        CCoreEnvironment::Get().m_fnGuiFontFace = nullptr;
        GuiTest::TearDown();
    }
    static std::wstring TextOf(HWND w)
    {
        wchar_t buf[256] = {};
        GetWindowTextW(w, buf, 256);
        return buf;
    }
    TempDir temp_;
};

TEST_F(WindowLayerServicesTest, DialogTextsLandOnTheDialogsOwnControls)
{
    WriteUtf16Text(temp_.File("english.ini"),
                   "[DLGTEXT]\nIDD_MAIN=Main window\nIDC_LIST=Files\\nhere\nIDC_INNER=never\nIDOK=OK\n");
    WriteBytes(temp_.File("controlid.data"), "#define IDD_MAIN 102\n#define IDC_LIST 1000\n#define IDC_INNER 1001\n");
    CLangTextTable table;
    ASSERT_EQ(1, table.LoadLangFile(CString(temp_.WFile("english.ini")), CString(temp_.WFile("english.ini")),
                                    CString(temp_.WFile("controlid.data"))));

    HWND dialog = MakeTop(10, 10, 300, 200, WS_POPUP);
    HWND list = MakeChild(dialog, 1000, 0, 0, 100, 20);
    HWND ok = MakeChild(dialog, 1, 0, 30, 100, 20);
    HWND box = MakeChild(dialog, 1002, 0, 60, 100, 20);
    HWND inner = MakeChild(box, 1001, 0, 0, 50, 10);  // a grandchild keeps its text
    for (HWND w : {dialog, list, ok, box, inner}) SetWindowTextW(w, L"before");

    table.ApplyDialogTexts(dialog, 102);
    EXPECT_EQ(L"Main window", TextOf(dialog));
    EXPECT_EQ(L"Files\nhere", TextOf(list));
    EXPECT_EQ(L"OK", TextOf(ok));
    EXPECT_EQ(L"before", TextOf(box));
    EXPECT_EQ(L"before", TextOf(inner));
}

TEST_F(WindowLayerServicesTest, SubtitleFontFollowsTheStockGuiFont)
{
    LOGFONTW stock;
    ASSERT_EQ(static_cast<int>(sizeof stock), GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock));
    CString face = stock.lfFaceName;
    ASSERT_FALSE(face.IsEmpty());
    CString expected = (face == L"MS Shell Dlg" || face == L"System") ? CString(L"Arial") : face;
    EXPECT_EQ(expected, GetDefaultSubtitleFont());
}

TEST_F(WindowLayerServicesTest, MainDialogClassIsRegistered)
{
    WNDCLASSEXW wc;
    ASSERT_TRUE(GetClassInfoExW(nullptr, L"RivoEnc1.x", &wc));
    EXPECT_EQ(30, wc.cbWndExtra);
    EXPECT_EQ(0u, wc.style);
}

TEST_F(WindowLayerServicesTest, MessagesShowInTheProgramsMessageDialog)
{
    struct Case {
        UINT type;
        int answer;
    } const cases[] = {{kMessageOk, kAnswerOk}, {kMessageYesNo, kAnswerYes}};
    // A hidden helper window acts from inside the dialog's own loop.
    std::deque<std::function<void()>> steps;
    HWND helper = MakeTop(-500, -500, 10, 10, WS_POPUP);
    SetHandler(helper, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_APP || steps.empty()) return std::nullopt;
        auto step = steps.front();
        steps.pop_front();
        step();
        return 0;
    });
    for (const Case& c : cases) {
        std::wstring caption, text;
        steps.push_back([&] {
            HWND d = FindWindowW(L"#32770", nullptr);
            caption = TextOf(d);
            text = TextOf(GetDlgItem(d, 27));
            PostMessageW(d, MessageDialogCloseMessage(), 0, 0);
        });
        PostMessageW(helper, WM_APP, 0, 0);
        EXPECT_EQ(c.answer, ShowCoreMessage(nullptr, L"업데이트 확인", L"RivoEnc", c.type));
        EXPECT_EQ(L"RivoEnc", caption);
        EXPECT_EQ(L"업데이트 확인", text);
    }
}

}  // namespace
