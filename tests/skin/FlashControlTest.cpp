// The hosted Flash player and the skin's Flash control: without a player
// (none exists here; modules that serve none) the control loads empty; with
// the tests' stand-in player registered by class id, the host makes its
// window, loads the movie the skin names, converts the background colour,
// relays FSCommand to a listener and takes it all down again; and the
// process's mouse hook keeps the right and middle buttons (and the left one
// outside the click band) away from the player's window, handing them to
// the skin window.
#include <gtest/gtest.h>

#include "platform/com/ComRuntime.h"
#include "platform/com/OleAuto.h"
#include "platform/com/UnknownImpl.h"
#include "platform/mfc/AxHostWindow.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/gui/Focus.h"
#include "skin/controls/HXConFlash.h"
#include "skin/hosting/CFlashMouseHookMan.h"
#include "skin/hosting/FlashListener.h"
#include "skin/hosting/HostedAddress.h"
#include "skin/hosting/ShockwaveFlash.h"
#include "tests/skin/ControlTestSupport.h"

namespace {

bool g_online = true;
bool Online() { return g_online; }

// A player of the tests: records what the host asks of it, shows itself in
// a recording window (double clicks on), and raises FSCommand on demand.
class FakeFlashPlayer final : public CUnknown,
                              public IShockwaveFlash,
                              public IAxHostedControl,
                              public IConnectionPointContainer,
                              public IConnectionPoint {
public:
    explicit FakeFlashPlayer(IUnknown* outer) : CUnknown(outer) { last = this; }
    ~FakeFlashPlayer() override
    {
        if (last == this) last = nullptr;
        if (sink) sink->Release();
    }
    RIVO_DECLARE_IUNKNOWN

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IShockwaveFlash || riid == IID_IDispatch)
            return GetInterface(static_cast<IShockwaveFlash*>(this), object);
        if (riid == IID_IAxHostedControl) return GetInterface(static_cast<IAxHostedControl*>(this), object);
        if (riid == IID_IConnectionPointContainer && events)
            return GetInterface(static_cast<IConnectionPointContainer*>(this), object);
        return CUnknown::NonDelegatingQueryInterface(riid, object);
    }
    // IDispatch
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
    // IShockwaveFlash
    HRESULT put_WMode(BSTR mode) override
    {
        wmode = mode ? mode : L"";
        return S_OK;
    }
    HRESULT LoadMovie(int layer, BSTR url) override
    {
        movies.push_back(std::to_wstring(layer) + L":" + (url ? url : L""));
        return std::wstring(url ? url : L"").find(L"broken") == std::wstring::npos ? S_OK : E_FAIL;
    }
    HRESULT Stop() override
    {
        ++stops;
        return S_OK;
    }
    HRESULT put_BackgroundColor(long color) override
    {
        background = color;
        return S_OK;
    }
    // IAxHostedControl
    HRESULT CreateControlWindow(HWND host, HWND* made) override
    {
        window = gui_test::MakeChild(host, 77, 0, 0, 10, 10, WS_CHILD | WS_VISIBLE, true);
        *made = window;
        return window ? S_OK : E_FAIL;
    }
    // IConnectionPointContainer and its one point
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override
    {
        if (iid != DIID_DShockwaveFlashEvents) return CONNECT_E_NOCONNECTION;
        return GetInterface(static_cast<IConnectionPoint*>(this), reinterpret_cast<void**>(point));
    }
    HRESULT GetConnectionInterface(IID* iid) override
    {
        *iid = DIID_DShockwaveFlashEvents;
        return S_OK;
    }
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** c) override
    {
        return GetInterface(static_cast<IConnectionPointContainer*>(this), reinterpret_cast<void**>(c));
    }
    HRESULT Advise(IUnknown* unknown, DWORD* cookie) override
    {
        if (sink) return CONNECT_E_ADVISELIMIT;
        if (FAILED(unknown->QueryInterface(DIID_DShockwaveFlashEvents, reinterpret_cast<void**>(&sink))))
            return CONNECT_E_CANNOTCONNECT;
        *cookie = 5;
        return S_OK;
    }
    HRESULT Unadvise(DWORD cookie) override
    {
        if (cookie != 5 || !sink) return CONNECT_E_NOCONNECTION;
        sink->Release();
        sink = nullptr;
        ++unadvised;
        return S_OK;
    }
    HRESULT EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    void FSCommand(const wchar_t* command, const wchar_t* arguments)
    {
        if (!sink) return;
        VARIANT args[2];
        args[0].vt = VT_BSTR;  // the last argument first
        args[0].bstrVal = SysAllocString(arguments);
        args[1].vt = VT_BSTR;
        args[1].bstrVal = SysAllocString(command);
        DISPPARAMS params{args, nullptr, 2, 0};
        sink->Invoke(DISPID_FSCOMMAND, IID_IUnknown, 0, 1, &params, nullptr, nullptr, nullptr);
        VariantClear(&args[0]);
        VariantClear(&args[1]);
    }

    static inline FakeFlashPlayer* last = nullptr;
    static inline bool events = true;
    std::wstring wmode;
    std::vector<std::wstring> movies;
    int stops = 0;
    long background = -1;
    HWND window = nullptr;
    IDispatch* sink = nullptr;
    int unadvised = 0;
};

HRESULT MakeFakePlayer(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<FakeFlashPlayer>(outer, riid, object);
}

class RecordingFlashListener : public FlashListener {
public:
    void FSCommand(CFlashWnd*, const CString& command, const CString& arguments) override
    {
        calls.push_back(command.str() + L"(" + arguments.str() + L")");
    }
    std::vector<std::wstring> calls;
};

class FlashTest : public skin_test::ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        g_online = true;
        HostedAddress::SetOnlineTest(&Online);
        FakeFlashPlayer::events = true;
    }
    void TearDown() override
    {
        if (registered_) CoRevokeClassFactory(CLSID_ShockwaveFlash);
        HostedAddress::SetOnlineTest(nullptr);
        ControlTest::TearDown();
        CoUninitialize();
    }
    void RegisterPlayer()
    {
        ASSERT_EQ(S_OK, CoRegisterClassFactory(CLSID_ShockwaveFlash, &factory_));
        registered_ = true;
    }
    // A click of the button at a point of the host window (which sits at the
    // screen's origin); with times 2, a double click.
    void Click(MouseButton button, POINT at, int times = 1)
    {
        clock_.Advance(5000);  // no double click with what came before
        for (int i = 0; i < times; ++i) {
            InjectMouseButton(button, true, at);
            InjectMouseButton(button, false, at);
        }
        gui_test::Pump();
    }

    CClassFactory factory_{&MakeFakePlayer};
    bool registered_ = false;
};

TEST_F(FlashTest, WithoutAPlayerTheControlLoadsEmpty)
{
    struct Case {
        const char* name;
        const wchar_t* module;  // null: by class id
    } cases[] = {
        {"by class id", nullptr},
        {"a module that serves other classes", L"FixtureServer.dll"},
        {"a module without a class object", L"FixturePlain.so"},
        {"a module that is not there", L"NoSuchPlayer.ocx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto flash = std::make_unique<HXConFlash>(&owner_);
        if (c.module) flash->SetModule(1, c.module);
        skin_test::Element e("<FlashControl URL=\"movie.swf\" BkgndColor=\"red\" OfflineHide=\"1\"/>");
        EXPECT_EQ(1, flash->LoadAttributes(host_, &surface_, e.get()));
        EXPECT_FALSE(flash->IsCreated());
        EXPECT_EQ(nullptr, flash->GetFlashHostWindow());
        EXPECT_EQ(nullptr, flash->GetModule());  // a module that gave no player is not kept
        EXPECT_EQ(0, flash->GetOfflineHide());   // nothing further is read
        EXPECT_TRUE(CFlashMouseHookMan::Current()->GetEntries().empty());
        flash->SetRect(0, 0, 40, 40, 1);
        EXPECT_TRUE(flash->IsShown());
    }
    EXPECT_EQ(nullptr, CFlashMouseHookMan::Current());
}

TEST_F(FlashTest, TheControlHostsThePlayerOnItsRectangle)
{
    RegisterPlayer();
    owner_.skinPath = L"/skins/blue";
    auto flash = Make<HXConFlash>("<FlashControl URL=\"./intro.swf\" OffURL=\"./off.swf\" BkgndColor=\"#102030\"/>");
    ASSERT_TRUE(flash->IsCreated());
    FakeFlashPlayer* player = FakeFlashPlayer::last;
    ASSERT_NE(nullptr, player);
    EXPECT_EQ(std::vector<std::wstring>{L"0:/skins/blue/intro.swf"}, player->movies);
    EXPECT_EQ(1, player->stops);
    EXPECT_EQ(0x102030, player->background);  // 0x00RRGGBB
    EXPECT_TRUE(player->wmode.empty());
    HWND hostWindow = flash->GetFlashHostWindow();
    ASSERT_TRUE(hostWindow);
    wchar_t title[64] = {};
    GetWindowTextW(hostWindow, title, 64);
    EXPECT_EQ(std::wstring(L"It'sMyFlashWnd"), title);
    EXPECT_EQ(host_, GetParent(hostWindow));
    EXPECT_TRUE(IsWindowVisible(hostWindow));
    EXPECT_EQ(player->window, flash->ControlWindow());
    EXPECT_EQ(reinterpret_cast<LRESULT>(player->GetInner()), SendMessageW(hostWindow, AtlGetControlMessage(), 0, 0));
    ASSERT_EQ(1u, CFlashMouseHookMan::Current()->GetEntries().size());
    EXPECT_EQ(player->window, CFlashMouseHookMan::Current()->GetEntries()[0].window);

    // The layout moves the host window, whose player window covers it.
    flash->SetRect(20, 30, 120, 80, 0);
    RECT r;
    GetWindowRect(player->window, &r);
    EXPECT_EQ(20, r.left);
    EXPECT_EQ(30, r.top);
    EXPECT_EQ(120, r.right - r.left);
    EXPECT_EQ(80, r.bottom - r.top);
    SetFocus(player->window);
    flash->SetRect(20, 30, 0, 80, 0);
    EXPECT_FALSE(IsWindowEnabled(hostWindow));
    EXPECT_NE(player->window, GetFocus());
    flash->SetRect(20, 30, 120, 80, 0);
    EXPECT_TRUE(IsWindowEnabled(hostWindow));

    // Destruction unadvises, releases and destroys.
    HWND playerWindow = player->window;
    flash.reset();
    EXPECT_FALSE(IsWindow(hostWindow));
    EXPECT_FALSE(IsWindow(playerWindow));
    EXPECT_EQ(nullptr, FakeFlashPlayer::last);  // released
    EXPECT_EQ(nullptr, CFlashMouseHookMan::Current());
}

TEST_F(FlashTest, OffLineMoviesAndHiding)
{
    RegisterPlayer();
    owner_.skinPath = L"/skins/blue";
    struct Case {
        bool online;
        const char* attributes;
        std::vector<std::wstring> movies;
        bool shown;
    } cases[] = {
        {true, "URL=\"./on.swf\" OffURL=\"./off.swf\" OfflineHide=\"1\"", {L"0:/skins/blue/on.swf"}, true},
        {false, "URL=\"./on.swf\" OffURL=\"./off.swf\"", {L"0:/skins/blue/off.swf"}, true},
        {false, "URL=\"./on.swf\" OfflineHide=\"1\"", {L"0:/skins/blue/on.swf"}, false},
        {true, "URL=\"./../up.swf\"", {}, true},
        {true, "", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        g_online = c.online;
        refreshed_.clear();
        auto flash = Make<HXConFlash>(std::string("<FlashControl ") + c.attributes + "/>");
        ASSERT_NE(nullptr, FakeFlashPlayer::last);
        EXPECT_EQ(c.movies, FakeFlashPlayer::last->movies);
        EXPECT_EQ(c.shown, flash->IsShown());
        gui_test::Pump();
        EXPECT_EQ(c.shown ? 0u : 1u, refreshed_.size());  // the window is told to lay out again
    }
}

TEST_F(FlashTest, TheHostRelaysFSCommandAndReportsTheMovieLoad)
{
    RegisterPlayer();
    RecordingFlashListener listener;
    {
        CFlashWnd host(&listener);
        EXPECT_EQ(0, host.CreateByClass(host_, RECT{0, 0, 50, 50}, L"/movies/broken.swf"));  // the load's result
        EXPECT_TRUE(host.IsCreated());
        EXPECT_EQ(0, host.CreateByClass(host_, RECT{0, 0, 50, 50}, L""));  // once
        FakeFlashPlayer* player = FakeFlashPlayer::last;
        ASSERT_NE(nullptr, player);
        EXPECT_EQ(0, player->stops);  // a failed load is not stopped
        EXPECT_EQ(1, host.LoadMovie(L"/movies/good.swf"));
        EXPECT_EQ(1, player->stops);
        host.SetBackgroundColor(RGB(1, 2, 3));
        EXPECT_EQ(0x010203, player->background);
        player->FSCommand(L"play", L"level 2");
        player->FSCommand(L"quit", L"");
        EXPECT_EQ((std::vector<std::wstring>{L"play(level 2)", L"quit()"}), listener.calls);
        host.Destroy();
        EXPECT_FALSE(host.IsCreated());
        EXPECT_EQ(nullptr, host.GetFlash());
    }
    // A player without events still plays.
    FakeFlashPlayer::events = false;
    CFlashWnd quiet;
    EXPECT_EQ(1, quiet.CreateByClass(host_, RECT{0, 0, 50, 50}, L"/movies/good.swf"));
    EXPECT_EQ(nullptr, FakeFlashPlayer::last->sink);
}

TEST_F(FlashTest, TheMouseHookHandsButtonsOutsideTheMovieToTheSkinWindow)
{
    RegisterPlayer();
    auto first = Make<HXConFlash>("<FlashControl/>");
    HWND movie = FakeFlashPlayer::last->window;
    auto second = Make<HXConFlash>("<FlashControl/>");
    CFlashMouseHookMan* manager = CFlashMouseHookMan::Current();
    ASSERT_NE(nullptr, manager);
    EXPECT_EQ(2, manager->GetRefCount());
    EXPECT_EQ(2u, manager->GetEntries().size());
    first->SetRect(20, 20, 100, 60, 0);
    second->SetRect(130, 20, 60, 60, 0);

    struct Case {
        const char* name;
        int edge, band;
        MouseButton button;
        POINT at;  // in the host window (= screen)
        int clicks;
        std::vector<UINT> movieGets;
        std::vector<UINT> skinGets;
    } cases[] = {
        {"right button",
         HXConFlash::kNoClickEdge,
         0,
         MouseButton::Right,
         {50, 40},
         1,
         {},
         {WM_RBUTTONDOWN, WM_RBUTTONUP}},
        {"middle button",
         HXConFlash::kNoClickEdge,
         0,
         MouseButton::Middle,
         {50, 40},
         1,
         {},
         {WM_MBUTTONDOWN, WM_MBUTTONUP}},
        {"right double click",
         HXConFlash::kNoClickEdge,
         0,
         MouseButton::Right,
         {50, 40},
         2,
         {},
         {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONUP}},
        {"left button without a band",
         HXConFlash::kNoClickEdge,
         0,
         MouseButton::Left,
         {50, 40},
         1,
         {WM_LBUTTONDOWN, WM_LBUTTONUP},
         {}},
        {"left button within the left band",
         ALIGN_LEFT,
         10,
         MouseButton::Left,
         {25, 40},
         1,
         {WM_LBUTTONDOWN, WM_LBUTTONUP},
         {}},
        {"left button outside the left band",
         ALIGN_LEFT,
         10,
         MouseButton::Left,
         {50, 40},
         1,
         {},
         {WM_LBUTTONDOWN, WM_LBUTTONUP}},
        {"left double click outside the band",
         ALIGN_LEFT,
         10,
         MouseButton::Left,
         {50, 40},
         2,
         {},
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONUP}},
        {"left button within the bottom band",
         ALIGN_BOTTOM,
         8,
         MouseButton::Left,
         {50, 75},
         1,
         {WM_LBUTTONDOWN, WM_LBUTTONUP},
         {}},
        {"left button above the bottom band",
         ALIGN_BOTTOM,
         8,
         MouseButton::Left,
         {50, 70},
         1,
         {},
         {WM_LBUTTONDOWN, WM_LBUTTONUP}},
        {"left button within the right band",
         ALIGN_RIGHT,
         5,
         MouseButton::Left,
         {117, 40},
         1,
         {WM_LBUTTONDOWN, WM_LBUTTONUP},
         {}},
        {"left button within the top band",
         ALIGN_TOP,
         5,
         MouseButton::Left,
         {50, 22},
         1,
         {WM_LBUTTONDOWN, WM_LBUTTONUP},
         {}},
    };
    const std::initializer_list<UINT> buttons = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                                 WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK,
                                                 WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        first->SetClickBand(c.edge, c.band);
        gui_test::Log().clear();
        Click(c.button, c.at, c.clicks);
        // The movie only ever sees what passes; its double clicks (the
        // class asks for them) would show as such.
        std::vector<UINT> movieGets = gui_test::MessagesOf(movie, buttons);
        if (c.clicks == 2 && !c.movieGets.empty())
            EXPECT_EQ(4u, movieGets.size());
        else
            EXPECT_EQ(c.movieGets, movieGets);
        EXPECT_EQ(c.skinGets, gui_test::MessagesOf(host_, buttons));
    }
    // The skin window is given its own client point.
    gui_test::Log().clear();
    first->SetClickBand(HXConFlash::kNoClickEdge, 0);
    Click(MouseButton::Right, POINT{61, 47});
    const auto logged = gui_test::LogOf({WM_RBUTTONDOWN});
    ASSERT_EQ(1u, logged.size());
    EXPECT_EQ(host_, logged[0].hwnd);
    EXPECT_EQ(MAKELONG(61, 47), static_cast<DWORD>(logged[0].lParam));
    EXPECT_EQ(MK_RBUTTON, logged[0].wParam);

    // The last control takes the hook with it; a new one installs it again.
    first.reset();
    EXPECT_EQ(1, CFlashMouseHookMan::Current()->GetRefCount());
    EXPECT_EQ(1u, CFlashMouseHookMan::Current()->GetEntries().size());
    second.reset();
    EXPECT_EQ(nullptr, CFlashMouseHookMan::Current());
    auto third = Make<HXConFlash>("<FlashControl/>");
    ASSERT_NE(nullptr, CFlashMouseHookMan::Current());
    EXPECT_NE(nullptr, CFlashMouseHookMan::Current()->GetHook());
    third->SetRect(20, 20, 100, 60, 0);
    gui_test::Log().clear();
    Click(MouseButton::Right, POINT{50, 40});
    EXPECT_TRUE(gui_test::MessagesOf(FakeFlashPlayer::last->window, buttons).empty());
    EXPECT_EQ((std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONUP}), gui_test::MessagesOf(host_, buttons));
}

}  // namespace
