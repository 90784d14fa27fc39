// The hosted browser: the choice and resolution of addresses ("./" pages of
// the skin, kept inside its folder), the host's event table and waiting
// (with a backend that raises events on command), the default text-browser
// backend on real local pages and refused remote ones, and the skin's
// browser control: made on the first navigation, hidden until a document
// completes, pending while too small, following its rectangle.
#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>
#include <map>

#include "platform/mfc/TextBrowserBackend.h"
#include "platform/mfc/WebBrowserBackend.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/QtAccess.h"
#include "skin/controls/HXConBrowser.h"
#include "skin/hosting/BrowserListener.h"
#include "skin/hosting/CWebBrowserWnd.h"
#include "skin/hosting/HostedAddress.h"
#include "tests/skin/ControlTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using skin_test::Pixel;

bool g_online = true;
bool Online() { return g_online; }

// A backend whose browser windows are recording test windows; the test
// raises the events itself.
class ScriptedBackend : public WebBrowserBackend {
public:
    HWND CreateBrowserWindow(HWND parent, WebBrowserEvents* e) override
    {
        ++creations;
        if (refuse) return nullptr;
        HWND w = gui_test::MakeChild(parent, 0, 0, 0, 0, 0);
        events[w] = e;
        last = w;
        return w;
    }
    void Navigate(HWND browser, const CString& url) override
    {
        navigations.push_back(url.str());
        location[browser] = url;
    }
    CString LocationUrl(HWND browser) override { return location[browser]; }

    int creations = 0;
    bool refuse = false;
    HWND last = nullptr;
    std::map<HWND, WebBrowserEvents*> events;
    std::map<HWND, CString> location;
    std::vector<std::wstring> navigations;
};

class RecordingListener : public BrowserListener {
public:
    void BeforeNavigate(CWebBrowserWnd*, const CString& url, BOOL* cancel) override
    {
        calls.push_back(L"before " + url.str());
        if (cancelNavigations) *cancel = TRUE;
    }
    void DocumentComplete(CWebBrowserWnd*, const CString& url) override { calls.push_back(L"complete " + url.str()); }
    void NewWindow(CWebBrowserWnd*, BOOL* cancel) override
    {
        calls.push_back(L"newwindow");
        *cancel = TRUE;
    }
    void StatusText(CWebBrowserWnd*, const CString& text) override { calls.push_back(L"status " + text.str()); }
    void Title(CWebBrowserWnd*, const CString& text) override { calls.push_back(L"title " + text.str()); }
    void Progress(CWebBrowserWnd*, LONG progress, LONG maximum) override
    {
        calls.push_back(L"progress " + std::to_wstring(progress) + L"/" + std::to_wstring(maximum));
    }
    void CommandState(CWebBrowserWnd*, LONG command, BOOL enabled) override
    {
        calls.push_back(L"command " + std::to_wstring(command) + (enabled ? L" on" : L" off"));
    }
    void NavigateError(CWebBrowserWnd*, const CString& url, LONG status, BOOL* cancel) override
    {
        calls.push_back(L"error " + url.str() + L" " + std::to_wstring(status) + (*cancel ? L" cancel" : L""));
    }
    void DocumentClick(CWebBrowserWnd*, const CString& id) override { calls.push_back(L"click " + id.str()); }

    bool cancelNavigations = false;
    std::vector<std::wstring> calls;
};

class BrowserTest : public skin_test::ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        g_online = true;
        HostedAddress::SetOnlineTest(&Online);
    }
    void TearDown() override
    {
        SetWebBrowserBackend(nullptr);
        HostedAddress::SetOnlineTest(nullptr);
        ControlTest::TearDown();
    }
    ScriptedBackend scripted_;
};

TEST_F(BrowserTest, AddressesChosenByConnectionAndResolvedInsideTheSkin)
{
    struct Choice {
        bool online;
        const wchar_t* url;
        const wchar_t* offUrl;
        const wchar_t* chosen;
    } choices[] = {
        {true, L"http://on", L"./off.html", L"http://on"},
        {false, L"http://on", L"./off.html", L"./off.html"},
        {false, L"http://on", L"", L"http://on"},  // off line without OffURL: URL
        {true, L"", L"./off.html", L""},
    };
    for (const Choice& c : choices) {
        g_online = c.online;
        EXPECT_EQ(CString(c.chosen), HostedAddress::Choose(c.url, c.offUrl)) << c.online << " " << c.url;
    }

    struct Resolution {
        const wchar_t* skin;  // empty: no skin source
        int packed;
        const wchar_t* address;
        const wchar_t* resolved;
    } cases[] = {
        {L"/skins/blue", 0, L"./page.html", L"/skins/blue/page.html"},
        {L"/skins/blue/", 0, L"./sub/page.html", L"/skins/blue/sub/page.html"},
        {L"/skins/blue.zip", 1, L"./intro.swf", L"/cache/unpacked/intro.swf"},
        {L"/skins/blue", 0, L"./../secret.txt", L""},
        {L"/skins/blue", 0, L"./sub/../../secret.txt", L""},
        {L"/skins/blue", 0, L"./sub\\..\\..\\secret.txt", L""},
        {L"/skins/blue", 0, L".//etc/passwd", L""},
        {L"/skins/blue", 0, L"./", L""},
        {L"", 0, L"./page.html", L""},
        {L"/skins/blue", 0, L"./..data/page.html", L"/skins/blue/..data/page.html"},
        {L"/skins/blue", 0, L"http://example.com/x", L"http://example.com/x"},
        {L"/skins/blue", 0, L"page.html", L"page.html"},
        {L"/skins/blue", 0, L"", L""},
    };
    for (const Resolution& c : cases) {
        owner_.skinPath = c.skin;
        owner_.packed = c.packed;
        owner_.unpackFolder = L"/cache/unpacked";
        EXPECT_EQ(CString(c.resolved), HostedAddress::Resolve(&owner_, c.address)) << c.address;
    }
    EXPECT_EQ(1, owner_.unpacks);
}

TEST_F(BrowserTest, HostEventsReachTheListener)
{
    SetWebBrowserBackend(&scripted_);
    RecordingListener listener;
    CWebBrowserWnd host(&listener);
    ASSERT_EQ(1, host.Create(host_));
    EXPECT_EQ(0, host.Create(host_));  // once
    HWND browser = host.GetBrowserWindow();
    ASSERT_TRUE(browser);
    WebBrowserEvents* e = scripted_.events[browser];
    host.Navigate(L"./first.html", 0);
    EXPECT_EQ(std::vector<std::wstring>{L"./first.html"}, scripted_.navigations);

    bool cancel = false;
    e->BeforeNavigate(L"./first.html", cancel);
    EXPECT_FALSE(cancel);
    listener.cancelNavigations = true;
    e->BeforeNavigate(L"./second.html", cancel);
    EXPECT_TRUE(cancel);
    e->StatusText(L"loading");
    e->ProgressChange(3, 10);
    e->CommandStateChange(2, true);
    e->TitleChange(L"First");
    e->DocumentClick(L"early");  // no document yet: not watched
    e->NavigateComplete(L"./first.html");
    e->DocumentClick(L"go");
    e->NavigateComplete(L"./later.html");  // a document is held already
    EXPECT_EQ(CString(L"./first.html"), host.GetDocumentUrl());
    EXPECT_FALSE(host.IsDocumentComplete());
    e->DocumentComplete(L"./first.html");
    EXPECT_TRUE(host.IsDocumentComplete());
    bool newCancel = false;
    e->NewWindow(newCancel);
    EXPECT_TRUE(newCancel);
    bool errorCancel = false;
    e->NavigateError(L"http://far", INET_E_UNKNOWN_PROTOCOL, errorCancel);
    EXPECT_TRUE(errorCancel);  // set before the listener is asked
    EXPECT_EQ(
        (std::vector<std::wstring>{L"before ./first.html", L"before ./second.html", L"status loading", L"progress 3/10",
                                   L"command 2 on", L"title First", L"click go", L"complete ./first.html", L"newwindow",
                                   L"error http://far " + std::to_wstring(INET_E_UNKNOWN_PROTOCOL) + L" cancel"}),
        listener.calls);

    // A new navigation watches the next document's clicks.
    listener.calls.clear();
    host.Navigate(L"./next.html", 0);
    EXPECT_FALSE(host.IsDocumentComplete());
    e->DocumentClick(L"stale");
    e->NavigateComplete(L"./next.html");
    e->DocumentClick(L"");
    EXPECT_EQ(CString(L"./next.html"), host.GetDocumentUrl());
    EXPECT_EQ((std::vector<std::wstring>{L"click "}), listener.calls);

    // Without a listener the events go nowhere, and nothing breaks.
    CWebBrowserWnd quiet;
    ASSERT_EQ(1, quiet.Create(host_));
    WebBrowserEvents* q = scripted_.events[quiet.GetBrowserWindow()];
    bool c = false;
    q->BeforeNavigate(L"x", c);
    q->NavigateError(L"x", 5, c);
    q->DocumentComplete(L"x");
    EXPECT_FALSE(c);
    EXPECT_TRUE(quiet.IsDocumentComplete());
}

TEST_F(BrowserTest, WaitingEndsOnCompletionErrorQuitOrTimeLimit)
{
    SetWebBrowserBackend(&scripted_);
    CWebBrowserWnd host;
    ASSERT_EQ(1, host.Create(host_));
    HWND browser = host.GetBrowserWindow();
    WebBrowserEvents* e = scripted_.events[browser];
    // Events posted before the wait arrive through the waiting loop.
    const UINT raise = RegisterWindowMessageW(L"TestRaiseBrowserEvent");
    gui_test::SetHandler(browser, [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message != raise) return std::nullopt;
        bool cancel = false;
        if (wParam == 1)
            e->DocumentComplete(L"page");
        else
            e->NavigateError(L"page", INET_E_RESOURCE_NOT_FOUND, cancel);
        return 0;
    });
    for (WPARAM kind : {1, 2}) {
        const auto start = std::chrono::steady_clock::now();
        PostMessageW(browser, raise, kind, 0);
        host.Navigate(L"page", 1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << kind;
    }

    // A quit request met while waiting is put back and ends the wait.
    PostQuitMessage(7);
    const auto start = std::chrono::steady_clock::now();
    host.Navigate(L"never", 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
    EXPECT_EQ(7u, msg.wParam);
}

TEST_F(BrowserTest, MouseWheelOffAndOwnWindows)
{
    SetWebBrowserBackend(&scripted_);
    CWebBrowserWnd host;
    ASSERT_EQ(1, host.Create(host_));
    HWND browser = host.GetBrowserWindow();
    HWND inner = gui_test::MakeChild(browser, 5, 0, 0, 10, 10);
    EXPECT_TRUE(host.IsOwnWindow(browser));
    EXPECT_TRUE(host.IsOwnWindow(inner));
    EXPECT_FALSE(host.IsOwnWindow(host_));
    EXPECT_FALSE(host.IsOwnWindow(nullptr));
    gui_test::Log().clear();
    SendMessageW(browser, WM_MOUSEWHEEL, static_cast<WPARAM>(120u << 16), 0);
    host.SetMouseWheelOff(1);
    EXPECT_EQ(1, SendMessageW(browser, WM_MOUSEWHEEL, static_cast<WPARAM>(120u << 16), 0));
    EXPECT_EQ(1u, gui_test::MessagesOf(browser, {WM_MOUSEWHEEL}).size());
    host.Move(3, 4, 50, 60, TRUE);
    RECT r;
    GetWindowRect(browser, &r);
    POINT origin{0, 0};
    ClientToScreen(host_, &origin);
    EXPECT_EQ(origin.x + 3, r.left);
    EXPECT_EQ(60, r.bottom - r.top);
    // Destroying the window gives its procedure back; the host forgets it.
    DestroyWindow(browser);
    EXPECT_EQ(nullptr, host.GetBrowserWindow());
}

// The default backend on real files.
TEST_F(BrowserTest, TextBrowserShowsLocalPagesAndRefusesRemoteOnes)
{
    TempDir dir;
    WriteBytes(dir.File("page.html"),
               "<html><head><title>Skin page</title></head><body style=\"background:#ffffff\">"
               "<h1 style=\"color:#0000ff\">Rivo</h1><p>Local <a id=\"go\" href=\"next.html\">next</a></p>"
               "<p><a href=\"http://example.com/\">away</a></p></body></html>");
    WriteBytes(dir.File("next.html"), "<html><head><title>Next</title></head><body>second</body></html>");
    RecordingListener listener;
    CWebBrowserWnd host(&listener);
    ASSERT_EQ(1, host.Create(host_));
    host.Move(0, 0, 240, 160, TRUE);
    const CString page(dir.WFile("page.html"));
    struct Case {
        CString url;
        std::vector<std::wstring> calls;
        bool complete;
    } cases[] = {
        {page, {L"before " + page.str(), L"title Skin page", L"complete " + page.str()}, true},
        {L"file://" + page,
         {L"before file://" + page.str(), L"title Skin page", L"complete file://" + page.str()},
         true},
        {L"next.html", {L"before next.html", L"title Next", L"complete next.html"}, true},  // beside the page shown
        {L"about:blank", {L"before about:blank", L"title ", L"complete about:blank"}, true},
        {L"http://example.com/",
         {L"before http://example.com/",
          L"error http://example.com/ " + std::to_wstring(INET_E_UNKNOWN_PROTOCOL) + L" cancel"},
         false},
        {L"javascript:alert(1)",
         {L"before javascript:alert(1)",
          L"error javascript:alert(1) " + std::to_wstring(INET_E_UNKNOWN_PROTOCOL) + L" cancel"},
         false},
        {CString(dir.WFile("missing.html")),
         {L"before " + dir.WFile("missing.html"),
          L"error " + dir.WFile("missing.html") + L" " + std::to_wstring(INET_E_RESOURCE_NOT_FOUND) + L" cancel"},
         false},
        {CString(dir.path().c_str()),
         {L"before " + CString(dir.path().c_str()).str(), L"error " + CString(dir.path().c_str()).str() + L" " +
                                                              std::to_wstring(INET_E_RESOURCE_NOT_FOUND) + L" cancel"},
         false},
    };
    for (const Case& c : cases) {
        listener.calls.clear();
        const auto start = std::chrono::steady_clock::now();
        host.Navigate(c.url, 1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << c.url.str().size();
        EXPECT_EQ(c.calls, listener.calls);
        EXPECT_EQ(c.complete, host.IsDocumentComplete());
    }
    // A cancelled navigation leaves the page as it was.
    host.Navigate(page, 1);
    listener.cancelNavigations = true;
    listener.calls.clear();
    host.Navigate(L"next.html", 0);
    gui_test::Pump();
    EXPECT_EQ(std::vector<std::wstring>{L"before next.html"}, listener.calls);
    EXPECT_EQ(page, CurrentWebBrowserBackend().LocationUrl(host.GetBrowserWindow()));
    QWidget* top = GetWindowQWidget(host_);
    ASSERT_NE(nullptr, top);
    const QImage shot = top->grab().toImage();
    gui_test::SaveScreenshot(shot, "skin_browser_text_backend");
    int blue = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) blue += shot.pixel(x, y) == qRgb(0, 0, 255);
    EXPECT_GT(blue, 10);  // the heading
}

// ---- The skin's browser control ---------------------------------------------------------

TEST_F(BrowserTest, ControlMakesItsBrowserOnTheFirstNavigationAndShowsItWhenComplete)
{
    SetWebBrowserBackend(&scripted_);
    owner_.skinPath = L"/skins/blue";
    auto browser = Make<HXConBrowser>("<BrowserControl URL=\"./start.html\" BkgndColor=\"#00FF00\"/>");
    // Too small at load: the address waits.
    EXPECT_EQ(CString(L"/skins/blue/start.html"), browser->GetPendingUrl());
    EXPECT_EQ(0, scripted_.creations);
    EXPECT_EQ(static_cast<COLORREF>(RGB(0, 255, 0)), browser->GetBackgroundColor());
    // While no page is shown the control is its background colour.
    browser->SetRect(20, 30, 100, 50, 1);
    EXPECT_EQ(1, scripted_.creations);
    HWND window = browser->GetBrowserWindow();
    ASSERT_TRUE(window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(browser->GetPendingUrl().IsEmpty());
    EXPECT_EQ(std::vector<std::wstring>{L"/skins/blue/start.html"}, scripted_.navigations);
    RECT r;
    GetClientRect(window, &r);
    EXPECT_EQ(100, r.right);
    EXPECT_EQ(50, r.bottom);
    EXPECT_EQ(RGB(0, 255, 0), Pixel(surface_, 20, 30));
    EXPECT_EQ(RGB(0, 255, 0), Pixel(surface_, 119, 79));
    EXPECT_EQ(RGB(0, 0, 0), Pixel(surface_, 120, 79));
    gui_test::SaveScreenshot(skin_test::ToQImage(surface_), "skin_browser_background");

    scripted_.events[window]->DocumentComplete(L"/skins/blue/start.html");
    EXPECT_TRUE(browser->IsPageShown());
    EXPECT_TRUE(IsWindowVisible(window));
    // An empty rectangle hides the window; a usable one shows it again.
    browser->SetRect(20, 30, 0, 0, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(IsWindowEnabled(window));
    browser->SetRect(10, 10, 80, 40, 0);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindowEnabled(window));
    GetWindowRect(window, &r);
    POINT origin{10, 10};
    ClientToScreen(host_, &origin);
    EXPECT_EQ(origin.x, r.left);
    EXPECT_EQ(origin.y, r.top);
    // Later navigations go straight to the browser.
    browser->Navigate(L"/skins/blue/other.html", 0);
    EXPECT_EQ(1, scripted_.creations);
    EXPECT_EQ(2u, scripted_.navigations.size());
}

TEST_F(BrowserTest, ControlCasesByConnectionSizeAndCreation)
{
    SetWebBrowserBackend(&scripted_);
    owner_.skinPath = L"/skins/blue";
    struct Case {
        const char* name;
        bool online;
        std::string attributes;
        bool refuse;
        std::vector<std::wstring> navigations;
        bool shownAfterComplete;
    } cases[] = {
        {"on line", true, "URL=\"http://a/\" OffURL=\"./off.html\"", false, {L"http://a/"}, true},
        {"off line", false, "URL=\"http://a/\" OffURL=\"./off.html\"", false, {L"/skins/blue/off.html"}, true},
        {"off line without OffURL", false, "URL=\"http://a/\"", false, {L"http://a/"}, true},
        {"off line hidden", false, "URL=\"./a.html\" OfflineHide=\"1\"", false, {L"/skins/blue/a.html"}, false},
        {"on line with OfflineHide", true, "URL=\"./a.html\" OfflineHide=\"1\"", false, {L"/skins/blue/a.html"}, true},
        {"climbing out of the skin", true, "URL=\"./../../etc/passwd\"", false, {}, false},
        {"no address", true, "", false, {}, false},
        {"no browser", true, "URL=\"./a.html\"", true, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_online = c.online;
        scripted_.navigations.clear();
        scripted_.refuse = c.refuse;
        auto browser = Make<HXConBrowser>("<BrowserControl " + c.attributes + "/>");
        browser->SetRect(0, 0, 50, 50, 0);
        EXPECT_EQ(c.navigations, scripted_.navigations);
        if (HWND w = browser->GetBrowserWindow()) {
            scripted_.events[w]->DocumentComplete(L"x");
            EXPECT_EQ(c.shownAfterComplete, IsWindowVisible(w) != FALSE);
        } else {
            EXPECT_FALSE(c.shownAfterComplete);
        }
        // A browser that could not be made stays empty.
        browser->Navigate(L"/later.html", 0);
        EXPECT_EQ(c.refuse ? 0u : c.navigations.size() + 1, scripted_.navigations.size());
    }
}

TEST_F(BrowserTest, ShrinkingToNothingGivesTheFocusBackToTheSkinWindow)
{
    SetWebBrowserBackend(&scripted_);
    auto browser = Make<HXConBrowser>("<BrowserControl/>");
    browser->SetRect(0, 0, 60, 40, 0);
    browser->Navigate(L"/p.html", 0);
    HWND window = browser->GetBrowserWindow();
    ASSERT_TRUE(window);
    SetFocus(window);
    ASSERT_EQ(window, GetFocus());
    browser->OnSize(0, 40);
    EXPECT_EQ(host_, GetFocus());
    EXPECT_FALSE(IsWindowEnabled(window));
    browser->OnSize(60, 40);
    EXPECT_TRUE(IsWindowEnabled(window));
    // Through the layout: the window is hidden and disabled, and the focus is
    // no longer inside it.
    SetFocus(window);
    browser->SetRect(0, 0, 0, 40, 0);
    EXPECT_FALSE(browser->IsOwnWindow(GetFocus()));
    EXPECT_FALSE(IsWindowEnabled(window));
}

}  // namespace
