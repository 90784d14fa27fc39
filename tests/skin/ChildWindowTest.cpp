// Windows inside skins: a native window placed by the layout, which keeps
// its clicks, and a nested skin window that opens as a popup and snaps to
// the work area when dragged.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/win32/CodePage.h"
#include "platform/win32/gui/Input.h"
#include "skin/HXWindowChild.h"
#include "skin/controls/HXConWindow.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/SkinWindowFixture.h"

namespace {

using namespace skin_test;

// The move loop waits for the button's release; should a test's input not
// bring it, the release is posted after a deadline and the test fails
// instead of waiting for ever.
class MoveLoopDeadline {
public:
    explicit MoveLoopDeadline(HWND window)
        : thread_([this, window] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_cv_.wait_for(lock, std::chrono::seconds(20), [this] { return done_; })) {
                  expired_ = true;
                  PostMessageW(window, WM_LBUTTONUP, 0, 0);
              }
          })
    {
    }
    ~MoveLoopDeadline()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        done_cv_.notify_all();
        thread_.join();
        EXPECT_FALSE(expired_) << "the move never ended";
    }

private:
    std::mutex mutex_;
    std::condition_variable done_cv_;
    bool done_ = false;
    std::atomic<bool> expired_{false};
    std::thread thread_;
};

// A hand goes on moving once the move has begun: the window's moves are
// injected when it enters its move, so that the cursor it reads then is
// where the press was.
class HandAfterMoveBegins {
public:
    HandAfterMoveBegins(HWND window, std::function<void()> moves) : window_(window)
    {
        s_moves = std::move(moves);
        s_next = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HandAfterMoveBegins::Proc)));
    }
    ~HandAfterMoveBegins()
    {
        if (IsWindow(window_)) SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_next));
        s_moves = nullptr;
    }

private:
    static LRESULT Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        const LRESULT result = CallWindowProcW(s_next, window, message, wParam, lParam);
        if (message == WM_ENTERSIZEMOVE && s_moves) std::exchange(s_moves, nullptr)();
        return result;
    }
    static inline WNDPROC s_next = nullptr;
    static inline std::function<void()> s_moves;
    HWND window_;
};

class ChildWindowTest : public SkinWindowTest {};

TEST_F(ChildWindowTest, ANativeWindowFollowsTheLayoutAndKeepsItsClicks)
{
    // The native window exists before the skin window, so it lies above it.
    HWND list = gui_test::MakeChild(host_, 1002, 0, 0, 5, 5);
    window_ = std::make_unique<HXWindowMain>();
    ASSERT_TRUE(window_->Create(host_, RECT{0, 0, kWidth, kHeight}, WS_CHILD | WS_VISIBLE, 0x80));
    ASSERT_EQ(1, window_->AddWindowControl(L"IDC_LIST_FILES", 1002, list));
    const std::string folder = WriteSkin(
        SkinXml("BkgndColor=\"000000\"", "",
                "<StaticControl CID=\"ID_UNDER\" NotifyClick=\"1\" StaticControlType=\"color\" ControlColor=\"red\" "
                "Align=\"client\"/>\n"
                "<StaticControl StaticControlType=\"color\" Align=\"top\" Height=\"30\"/>\n"
                "<WindowControl CID=\"IDC_LIST_FILES\" Align=\"client\" Gaps=\"10,0,10,10\"/>\n"));
    ASSERT_TRUE(LoadPath(folder, {{L"ID_UNDER", 77}}));
    RECT r;
    GetWindowRect(list, &r);
    EXPECT_EQ((RECT{kHostX + 10, kHostY + 30, kHostX + kWidth - 10, kHostY + kHeight - 10}), r);

    // The skin window grows with its host; the list follows.
    MoveWindow(Skin(), 0, 0, kWidth + 100, kHeight + 50, TRUE);
    gui_test::Pump();
    GetWindowRect(list, &r);
    EXPECT_EQ((RECT{kHostX + 10, kHostY + 30, kHostX + kWidth + 90, kHostY + kHeight + 40}), r);
    // Laying out at the same size does not move it again.
    gui_test::Log().clear();
    window_->Relayout();
    EXPECT_TRUE(gui_test::MessagesOf(list, {WM_WINDOWPOSCHANGING}).empty());

    gui_test::Log().clear();
    Click(200, 150);
    gui_test::Pump();
    EXPECT_EQ(1u, gui_test::MessagesOf(list, {WM_LBUTTONDOWN}).size());
    EXPECT_TRUE(Commands().empty()) << "the static under the list gets nothing";
    // Beside the list the static takes the click.
    Click(5, 150);
    gui_test::Pump();
    EXPECT_EQ(std::vector<WPARAM>{77}, Commands());
}

TEST_F(ChildWindowTest, ANestedSkinWindowIsAPopupThatSnapsWhenDragged)
{
    const std::string nested =
        "<SkinWindow CID=\"ID_POPUP\" Align=\"popup\" PopupWindow=\"true\" "
        "Draggable=\"true\" BkgndColor=\"0000FF\">\n<ControlDefine/>\n</SkinWindow>\n";
    ASSERT_TRUE(Load(SkinXml("BkgndColor=\"000000\"", "", nested), {}, {{L"ID_POPUP", 900}}));
    HXWindowChild* popup = window_->FindChildWindow(900);
    ASSERT_NE(nullptr, popup);
    HWND w = popup->GetSafeHwnd();
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ((RECT{0, 0, 300, 300}), r) << "without a size of its own it keeps the first 300 by 300";
    EXPECT_EQ(static_cast<LONG_PTR>(HXWindowChild::kStyle), GetWindowLongPtrW(w, GWL_STYLE) & HXWindowChild::kStyle);
    EXPECT_TRUE(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(w, popup->GetSnapManager().GetWindow());
    EXPECT_EQ(10, popup->GetSnapManager().GetDistance());
    EXPECT_TRUE(popup->GetSnapManager().IsSnappingWhileSizing());
    EXPECT_TRUE(popup->GetSnapManager().IsSubclassed());

    // Before any move the manager knows no work area to snap to: a position
    // the program sets stays as set, however near an edge.
    SetWindowPos(w, nullptr, 5, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    gui_test::Pump();
    GetWindowRect(w, &r);
    EXPECT_EQ(5, r.left);

    // Dragged so that its left edge comes 6 pixels from the work area's: flush.
    struct Case {
        int left;      // where the drag leaves the left edge
        int expected;  // where it ends
    } cases[] = {{6, 0}, {11, 11}, {-7, 0}, {1280 - 300 - 9, 1280 - 300}};
    for (const Case& c : cases) {
        GetWindowRect(w, &r);
        const POINT grab{r.left + 150, r.top + 150};
        const POINT end{grab.x + (c.left - r.left), grab.y};
        MoveLoopDeadline deadline(w);
        HandAfterMoveBegins hand(w, [&] {
            // The first step stays on the window, as a hand's does.
            InjectMouseMove(POINT{grab.x + (end.x > grab.x ? 1 : -1), grab.y});
            InjectMouseMove(POINT{(grab.x + end.x) / 2, grab.y});
            InjectMouseMove(end);
            InjectMouseButton(MouseButton::Left, false, end);
        });
        InjectMouseMove(grab);
        InjectMouseButton(MouseButton::Left, true, grab);
        gui_test::Pump();
        GetWindowRect(w, &r);
        EXPECT_EQ(c.expected, r.left) << "dragged to " << c.left;
        EXPECT_EQ(600, r.top);
        clock_.Advance(5000);
    }
    // After a move, a position the program sets snaps as a dragged one does.
    SetWindowPos(w, nullptr, 6, 500, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(w, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(500, r.top);
}

}  // namespace
