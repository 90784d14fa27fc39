#include "platform/dshow/filters/VideoWindowPresenter.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/GdiObjects.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace {

constexpr wchar_t kClassName[] = L"RivoVideoRendererWindow";
// Posted by Present: a new picture waits.
constexpr UINT kNewPicture = WM_APP + 0x2A1;
// Posted by Clear: a fitted window hides.
constexpr UINT kClearPicture = WM_APP + 0x2A2;
constexpr wchar_t kStateProperty[] = L"RivoVideoRendererState";

}  // namespace

struct VideoWindowPresenter::State {
    std::mutex lock;
    std::vector<uint8_t> pixels;
    int width = 0;
    int height = 0;
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> showing{false};
    std::atomic<bool> pending{false};
    // The window follows its owner (ConfigureFitted).
    std::atomic<bool> fitted{false};
    std::atomic<int> ownerWidth{0};
    std::atomic<int> ownerHeight{0};

    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = static_cast<State*>(GetPropW(hwnd, kStateProperty));
        if (message == kNewPicture) {
            if (self && self->fitted) self->Fit(hwnd);
            if (self) self->pending = false;
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        }
        if (message == kClearPicture) {
            if (self && self->fitted) {
                ShowWindow(hwnd, SW_HIDE);
                self->showing = false;
            }
            return 0;
        }
        if (message == WM_NCHITTEST && self && self->fitted) return HTTRANSPARENT;
        if (message == WM_ERASEBKGND) return 1;
        if (message == WM_PAINT && self) {
            PAINTSTRUCT ps{};
            HDC dc = BeginPaint(hwnd, &ps);
            self->Paint(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    // Places the window at the picture's shape in the middle of the owner's
    // client area, as large as fits, and shows it.
    void Fit(HWND hwnd)
    {
        RECT client{};
        GetClientRect(GetParent(hwnd), &client);
        const int boxWidth = client.right - client.left;
        const int boxHeight = client.bottom - client.top;
        ownerWidth = boxWidth;
        ownerHeight = boxHeight;
        int pictureWidth = 0, pictureHeight = 0;
        {
            std::lock_guard<std::mutex> g(lock);
            pictureWidth = width;
            pictureHeight = height;
        }
        if (boxWidth <= 0 || boxHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) return;
        int w = boxWidth;
        int h = static_cast<int>(static_cast<int64_t>(boxWidth) * pictureHeight / pictureWidth);
        if (h > boxHeight) {
            h = boxHeight;
            w = static_cast<int>(static_cast<int64_t>(boxHeight) * pictureWidth / pictureHeight);
        }
        MoveWindow(hwnd, (boxWidth - w) / 2, (boxHeight - h) / 2, std::max(w, 1), std::max(h, 1), FALSE);
        if (!showing) {
            ShowWindow(hwnd, SW_SHOWNA);
            showing = true;
        }
    }

    void Paint(HWND hwnd, HDC dc)
    {
        RECT client{};
        GetClientRect(hwnd, &client);
        // The picture is copied under the lock and drawn after it, so that
        // a thread presenting the next one waits as little as can be.
        std::unique_lock<std::mutex> g(lock);
        if (width <= 0 || height <= 0) {
            g.unlock();
            FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            return;
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap || !bits) return;
        std::memcpy(bits, pixels.data(), pixels.size());
        const int pictureWidth = width;
        const int pictureHeight = height;
        g.unlock();
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, bitmap);
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, client.right - client.left, client.bottom - client.top, memory, 0, 0, pictureWidth,
                   pictureHeight, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(bitmap);
    }
};

VideoWindowPresenter::VideoWindowPresenter() : state_(std::make_shared<State>()) {}

VideoWindowPresenter::~VideoWindowPresenter() { Configure(nullptr, false, 0, 0, 0, 0); }

void VideoWindowPresenter::Configure(HWND owner, bool visible, int left, int top, int width, int height)
{
    HWND window = state_->window.load();
    if (!owner || !IsWindow(owner)) {
        state_->showing = false;
        if (window) {
            state_->window = nullptr;
            if (IsWindow(window)) DestroyWindow(window);
        }
        return;
    }
    if (window && GetParent(window) != owner) {
        DestroyWindow(window);
        window = nullptr;
    }
    if (!window) {
        WNDCLASSEXW wc{};
        if (!GetClassInfoExW(nullptr, kClassName, &wc)) {
            wc.lpfnWndProc = &State::Proc;
            wc.lpszClassName = kClassName;
            RegisterClassExW(&wc);
        }
        window = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, left, top, width, height, owner,
                                 nullptr, nullptr, nullptr);
        if (!window) return;
        SetPropW(window, kStateProperty, state_.get());
        state_->window = window;
    } else {
        MoveWindow(window, left, top, width, height, TRUE);
    }
    ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
    state_->showing = visible;
}

void VideoWindowPresenter::ConfigureFitted(HWND owner)
{
    state_->fitted = true;
    RECT client{};
    if (owner && IsWindow(owner)) GetClientRect(owner, &client);
    state_->ownerWidth = client.right - client.left;
    state_->ownerHeight = client.bottom - client.top;
    // Made hidden; the first picture shows it.
    Configure(owner, false, 0, 0, std::max<int>(state_->ownerWidth, 1), std::max<int>(state_->ownerHeight, 1));
}

bool VideoWindowPresenter::IsShowing() const { return state_->showing.load() && state_->window.load(); }

bool VideoWindowPresenter::IsBusy() const { return state_->pending.load(); }

void VideoWindowPresenter::OwnerSize(int* width, int* height) const
{
    *width = state_->ownerWidth.load();
    *height = state_->ownerHeight.load();
}

void VideoWindowPresenter::Clear()
{
    if (HWND window = state_->window.load()) PostMessageW(window, kClearPicture, 0, 0);
}

HWND VideoWindowPresenter::Window() const { return state_->window.load(); }

bool VideoWindowPresenter::Present(const uint8_t* pixels, int width, int height, int stride, bool wait)
{
    if (!pixels || width <= 0 || height <= 0 || stride < width * 4) return false;
    {
        std::unique_lock<std::mutex> g(state_->lock, std::defer_lock);
        if (wait)
            g.lock();
        else if (!g.try_lock())
            return false;
        state_->pixels.resize(static_cast<size_t>(width) * height * 4);
        for (int y = 0; y < height; ++y)
            std::memcpy(state_->pixels.data() + static_cast<size_t>(y) * width * 4,
                        pixels + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(width) * 4);
        state_->width = width;
        state_->height = height;
    }
    // One notice at a time: the window paints the latest picture.
    HWND window = state_->window.load();
    if (window && !state_->pending.exchange(true)) PostMessageW(window, kNewPicture, 0, 0);
    return true;
}
