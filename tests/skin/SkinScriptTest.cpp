// The skin window and its script: the document's script and "main", items
// that run script, the scripts of buttons and statics carried as "WM_HXSTRCMD"
// (apostrophes made quotes), failing scripts at load and on a click, "$"
// texts from the language file or from script, and the native functions on
// the window's controls.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/CodePage.h"
#include "skin/HXWindowChild.h"
#include "skin/SkinErrors.h"
#include "skin/SkinMessages.h"
#include "skin/controls/HXConButton.h"
#include "skin/controls/HXConStatic.h"
#include "tests/platform/win32/gui/RecordingMessageBoxAnswerer.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/SkinWindowFixture.h"

namespace {

using namespace skin_test;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kGrey = RGB(128, 128, 128);

const std::map<std::wstring, int> kBindings = {{L"ID_LABEL", 801}, {L"ID_BUTTON", 802}, {L"ID_GO", 803},
                                               {L"ID_PANEL", 804}, {L"ID_FAIL", 805},   {L"ID_POPUP", 806}};

std::map<std::string, std::string> Files()
{
    return {{"btn.bmp", CellStripBmp(20, 10, {kRed, kGreen, kBlue, kGrey})},
            {"alt.bmp", CellStripBmp(20, 10, {kGrey, kGrey, kGrey, kGrey})}};
}

std::string Label(const std::string& attributes)
{
    return "<StaticControl CID=\"ID_LABEL\" Align=\"none\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"20\" " +
           attributes + "/>\n";
}

std::string Button(const std::string& attributes)
{
    return "<ButtonControl CID=\"ID_BUTTON\" ButtonControlType=\"bitmap\" Image=\"btn.bmp\" Image2=\"alt.bmp\" "
           "Align=\"none\" Left=\"0\" Top=\"30\" Width=\"20\" Height=\"10\" " +
           attributes + "/>\n";
}

class SkinScriptTest : public SkinWindowTest {
protected:
    void SetUp() override
    {
        SkinWindowTest::SetUp();
        SetMessageBoxAnswerer(&answerer_);
    }
    void TearDown() override
    {
        SetMessageBoxAnswerer(nullptr);
        SkinWindowTest::TearDown();
    }
    std::string Script(const std::string& text) { return "<?Script " + text + " ?>\n"; }

    RecordingMessageBoxAnswerer answerer_;
};

TEST_F(SkinScriptTest, TheDocumentsScriptRunsAndMainRunsAfterTheBuild)
{
    ASSERT_TRUE(Load(SkinXml("BkgndColor=\"000000\"", "<DoScript CMD=\"count = count + 1;\"/>",
                             Label("Text=\"before\"") + Button(""),
                             Script("count = 10; void main() { SetControlText(\"ID_LABEL\", itoa(count)); }") +
                                 "<PostDefine><DoScript CMD=\"count = count * 2;\"/></PostDefine>\n"),
                     Files(), kBindings));
    EXPECT_EQ(CString(L"22"), window_->FindControl(801)->GetText(0)) << "script, DoScript items, then main";
}

TEST_F(SkinScriptTest, ButtonAndStaticScriptsReachTheirNatives)
{
    ASSERT_TRUE(Load(SkinXml("BkgndColor=\"000000\"", "",
                             Label("NotifyClick=\"1\" OnEvent=\"SetControlText('ID_LABEL', 'clicked');\"") +
                                 Button("OnEvent=\"SCMD('ID_GO'); SETIN('ID_BUTTON', 1);\" RCMD=\"ID_PANEL\"")),
                     Files(), kBindings));
    Click(5, 35);
    gui_test::Pump();
    EXPECT_EQ(std::vector<WPARAM>{803}, Commands()) << "the script's command, not the button's own";
    EXPECT_EQ(1, window_->FindButton(802)->GetImageNumber());
    EXPECT_EQ(kGrey, ScreenPixel(5, 35)) << "the selected image is drawn";
    Click(5, 35, MouseButton::Right);
    gui_test::Pump();
    EXPECT_EQ((std::vector<WPARAM>{803, 804}), Commands()) << "the right button posts its command";
    Click(50, 10);
    EXPECT_EQ(CString(L"clicked"), window_->FindControl(801)->GetText(0));
    EXPECT_EQ(SKINERR_NONE, window_->GetLastErrorCode());
}

TEST_F(SkinScriptTest, AFailingClickScriptSetsItsErrorAndTellsTheHost)
{
    ASSERT_TRUE(
        Load(SkinXml("BkgndColor=\"000000\"", "", Label("") + Button("OnEvent=\"x = 1 / 0;\"")), Files(), kBindings));
    Click(5, 35);
    gui_test::Pump();
    EXPECT_EQ(SKINERR_SCRIPT, window_->GetLastErrorCode());
    const CString detail = window_->GetLastErrorText();
    EXPECT_EQ(0, detail.Find(L"EXP:x = 1 / 0;"));
    EXPECT_NE(-1, detail.Find(CString(L" CODE:") + HXScript::GetErrorText(303)));
    const std::vector<WPARAM> codes = NotifyCodes();
    EXPECT_EQ(1, std::count(codes.begin(), codes.end(), WPARAM(HXWindowMain::NOTIFY_SCRIPT_ERROR)));
    EXPECT_TRUE(Commands().empty());
    // The window goes on working.
    EXPECT_NE(nullptr, window_->FindButton(802));
}

TEST_F(SkinScriptTest, AFailingScriptAtLoadFailsTheBuildAndTheNextSkinLoads)
{
    struct Case {
        std::string xml;
        std::wstring exp;
    } cases[] = {
        {SkinXml("", "", Label(""), Script("x = ;")), L"EXP:x = ;"},
        {SkinXml("", "<DoScript CMD=\"y = undefinedFunction(1);\"/>", Label("")), L"EXP:y = undefinedFunction(1);"},
        {SkinXml("", "", Label(""), "<PostDefine><DoScript CMD=\"1 / 0;\"/></PostDefine>"), L"EXP:1 / 0;"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Load(c.xml, Files(), kBindings, false));
        EXPECT_EQ(SKINERR_SCRIPT, window_->GetLastErrorCode());
        EXPECT_EQ(0, window_->GetLastErrorText().Find(CString(c.exp.c_str())))
            << WideToUtf8(window_->GetLastErrorText().str());
        EXPECT_TRUE(window_->GetControls().empty());
        ASSERT_TRUE(LoadPath(WriteSkin(SkinXml("", "", Label("Text=\"ok\"")), Files(), "good")));
        EXPECT_EQ(CString(L"ok"), window_->FindControl(801)->GetText(0));
    }
}

TEST_F(SkinScriptTest, DollarTextsComeFromTheLanguageFileElseFromScript)
{
    const std::string ini = dir_.File("lang.ini");
    WriteBytes(ini, "\xFF\xFE" + WideToUtf16LeBytes(L"[SKIN]\r\n$HELLO=안녕\r\n$itoa(5)=from the file\r\n"));
    const std::string folder = WriteSkin(SkinXml("", "",
                                                 Label("Text=\"$HELLO\" Tooltip=\"$itoa(6 * 7)\"") +
                                                     Button("Text=\"$itoa(5)\" Text2=\"$missing\" Text3=\"$1 +\"")),
                                         Files());
    window_ = std::make_unique<HXWindowMain>();
    ASSERT_TRUE(window_->Create(host_, RECT{0, 0, kWidth, kHeight}, WS_CHILD | WS_VISIBLE, 0x80));
    window_->SetLanguageFile(CString(Utf8ToWide(ini)), L"SKIN", 949);
    ASSERT_TRUE(LoadPath(folder, kBindings));
    HXConBase* label = window_->FindControl(801);
    HXConBase* button = window_->FindControl(802);
    EXPECT_EQ(CString(L"안녕"), label->GetText(0));
    EXPECT_EQ(CString(L"42"), label->GetTooltip());
    EXPECT_EQ(CString(L"from the file"), button->GetText(0)) << "the language file wins";
    EXPECT_EQ(CString(L"$missing"), button->GetText(1)) << "an undefined variable gives no string";
    EXPECT_EQ(CString(L"$1 +"), button->GetText(2)) << "a failing script gives the text itself";
    EXPECT_EQ(SKINERR_NONE, window_->GetLastErrorCode()) << "resolving sets no error";
    EXPECT_EQ(CString(L"text"), window_->ResolveText(L"text"));
}

TEST_F(SkinScriptTest, NativesOnTheWindowsControls)
{
    const std::string nested =
        "<SkinWindow CID=\"ID_POPUP\" Align=\"popup\"><ControlDefine>"
        "<StaticControl CID=\"ID_PANEL\" Align=\"client\"/></ControlDefine></SkinWindow>\n";
    ASSERT_TRUE(Load(SkinXml("BkgndColor=\"000000\"", "",
                             Label("Text=\"label\"") + Button("") + nested +
                                 "<StaticControl CID=\"ID_GO\" StaticControlType=\"color\" ControlColor=\"red\" "
                                 "Align=\"left\" Width=\"50\"/>"),
                     Files(), kBindings));
    HXScript* script = window_->GetScriptHost();
    ASSERT_NE(nullptr, script);
    auto run = [&](const wchar_t* text) {
        HXSVal value;
        int code = 0;
        EXPECT_TRUE(script->Run(text, value, code)) << WideToUtf8(text) << " " << code;
        return value;
    };
    EXPECT_EQ(CString(L"label"), run(L"GCT(\"ID_LABEL\");").m_text);
    run(L"SCTC(\"ID_LABEL\", 0xFF0000);");
    EXPECT_EQ(RGB(255, 0, 0), window_->FindControl(801)->GetTextColor());
    EXPECT_EQ(1, run(L"GetControlShow(\"ID_PANEL\");").m_nValue) << "one nesting level down";
    // Hiding the left strip gives its width to what follows once the
    // posted refresh has run.
    run(L"SC(\"ID_GO\", 0);");
    EXPECT_EQ(0, run(L"GetControlShow(\"ID_GO\");").m_nValue);
    gui_test::Pump();
    RECT r;
    window_->FindControl(803)->GetRect(&r);
    EXPECT_EQ(0, r.right - r.left);
    run(L"ShowControl(\"ID_NOWHERE\", 1);");
    run(L"MBN(42);");
    ASSERT_EQ(2u, answerer_.questions.size());
    EXPECT_EQ(L"ShowControl() Failed - Can't Find Control ID", answerer_.questions[0].text);
    EXPECT_EQ(L"42", answerer_.questions[1].text);
    EXPECT_EQ(L"HXS", answerer_.questions[1].caption);
    EXPECT_EQ(Skin(), answerer_.questions[1].owner);
    run(L"SendCommand(\"ID_GO\");");
    gui_test::Pump();
    EXPECT_EQ(std::vector<WPARAM>{803}, Commands());
    run(L"RA(\"\"); RefreshAll(\"ID_POPUP\"); SETIN(\"ID_LABEL\", 1);");
    // Clearing the skin keeps the natives and forgets the script's state.
    run(L"kept = 1;");
    ASSERT_TRUE(LoadPath(dir_.File("skin"), kBindings));
    EXPECT_EQ(HXSVAL_UNDEFINED, run(L"kept;").m_type);
    EXPECT_EQ(CString(L"label"), run(L"GCT(\"ID_LABEL\");").m_text);
}

}  // namespace
