#include "tests/skin/SkinWindowFixture.h"

#include "platform/win32/CodePage.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "skin/SkinMessages.h"
#include "tests/skin/SkinTestSupport.h"

namespace skin_test {

std::string SkinXml(const std::string& windowAttributes, const std::string& preDefine, const std::string& controls,
                    const std::string& extra)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<HXSkin>\n<SkinWindow " + windowAttributes + ">\n" + extra +
           "<PreDefine>\n" + preDefine + "</PreDefine>\n<ControlDefine>\n" + controls +
           "</ControlDefine>\n</SkinWindow>\n</HXSkin>\n";
}

void SkinWindowTest::SetUp()
{
    GuiTest::SetUp();
    host_ = gui_test::MakeTop(kHostX, kHostY, kWidth, kHeight);
    gui_test::Pump();
}

void SkinWindowTest::TearDown()
{
    window_.reset();
    GuiTest::TearDown();
}

std::string SkinWindowTest::WriteSkin(const std::string& xml, const std::map<std::string, std::string>& files,
                                      const std::string& folderName)
{
    std::map<std::string, std::string> all = files;
    all["skin.xml"] = xml;
    const std::string folder = dir_.File(folderName);
    WriteFiles(folder, all);
    return folder;
}

bool SkinWindowTest::Load(const std::string& xml, const std::map<std::string, std::string>& files,
                          const std::map<std::wstring, int>& bindings, bool expectSuccess)
{
    const std::string folder = WriteSkin(xml, files);
    window_ = std::make_unique<HXWindowMain>();
    if (!window_->Create(host_, RECT{0, 0, kWidth, kHeight}, WS_CHILD | WS_VISIBLE, 0x80)) {
        ADD_FAILURE() << "the skin window was not made";
        return false;
    }
    return LoadPath(folder, bindings, expectSuccess);
}

bool SkinWindowTest::LoadPath(const std::string& path, const std::map<std::wstring, int>& bindings, bool expectSuccess)
{
    const CString skinPath(Utf8ToWide(path));
    bool ok = window_->OpenSkin(skinPath, 0) && window_->LoadSkinDocument(L"skin.xml", 0, 0);
    if (ok)
        for (const auto& [name, id] : bindings) window_->AddCommandControl(name.c_str(), id);
    ok = ok && window_->BuildSkinWindow(-1);
    if (!ok && expectSuccess) ADD_FAILURE() << WideToUtf8(window_->GetLastErrorMessage().str());
    gui_test::Pump();
    return ok;
}

void SkinWindowTest::MoveTo(int x, int y)
{
    InjectMouseMove(Screen(x, y));
    gui_test::Pump();
}

void SkinWindowTest::Press(int x, int y, MouseButton button)
{
    InjectMouseMove(Screen(x, y));
    InjectMouseButton(button, true, Screen(x, y));
    gui_test::Pump();
}

void SkinWindowTest::Release(int x, int y, MouseButton button)
{
    InjectMouseMove(Screen(x, y));
    InjectMouseButton(button, false, Screen(x, y));
    gui_test::Pump();
}

void SkinWindowTest::Click(int x, int y, MouseButton button)
{
    Press(x, y, button);
    Release(x, y, button);
    // Far apart in time, so two clicks never make a double click.
    clock_.Advance(5000);
}

std::vector<WPARAM> SkinWindowTest::Commands() const
{
    std::vector<WPARAM> out;
    for (const gui_test::Logged& l : gui_test::Log())
        if (l.hwnd == host_ && l.message == WM_COMMAND) out.push_back(l.wParam);
    return out;
}

std::vector<WPARAM> SkinWindowTest::NotifyCodes() const
{
    std::vector<WPARAM> out;
    for (const gui_test::Logged& l : gui_test::Log())
        if (l.hwnd == host_ && l.message == SkinNotifyMessage()) out.push_back(l.wParam);
    return out;
}

COLORREF SkinWindowTest::OffscreenPixel(int x, int y) { return Pixel(window_->GetOffscreen(), x, y); }

COLORREF SkinWindowTest::ScreenPixel(int x, int y)
{
    HDC dc = GetDC(Skin());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(Skin(), dc);
    return c;
}

}  // namespace skin_test
