#include "GuiTestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QResource>
#include <cstdio>
#include <map>

#include "platform/win32/gui/Focus.h"

namespace gui_test {
namespace {

void Put16(std::vector<uint8_t>& v, uint16_t x)
{
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    Put16(v, static_cast<uint16_t>(x));
    Put16(v, static_cast<uint16_t>(x >> 16));
}

std::map<HWND, Handler>& Handlers()
{
    static std::map<HWND, Handler> h;
    return h;
}

LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Log().push_back(Logged{hwnd, message, wParam, lParam});
    auto it = Handlers().find(hwnd);
    if (it != Handlers().end() && it->second) {
        Handler h = it->second;  // the handler may replace itself
        if (auto r = h(hwnd, message, wParam, lParam)) return *r;
    }
    if (message == WM_NCDESTROY) Handlers().erase(hwnd);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

std::vector<Logged>& Log()
{
    static std::vector<Logged> log;
    return log;
}

std::vector<Logged> LogOf(std::initializer_list<UINT> messages)
{
    std::vector<Logged> out;
    for (const Logged& l : Log())
        for (UINT m : messages)
            if (l.message == m) out.push_back(l);
    return out;
}

std::vector<UINT> MessagesOf(HWND window, std::initializer_list<UINT> messages)
{
    std::vector<UINT> out;
    for (const Logged& l : Log()) {
        if (l.hwnd != window) continue;
        for (UINT m : messages)
            if (l.message == m) out.push_back(m);
    }
    return out;
}

void SetHandler(HWND window, Handler handler) { Handlers()[window] = std::move(handler); }

const wchar_t* RecordingClass(bool doubleClicks)
{
    static bool registered[2] = {false, false};
    const wchar_t* name = doubleClicks ? L"RecDbl" : L"Rec";
    if (!registered[doubleClicks]) {
        WNDCLASSEXW wc{};
        wc.style = doubleClicks ? CS_DBLCLKS : 0;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = name;
        wc.cbWndExtra = 16;
        if (RegisterClassExW(&wc)) registered[doubleClicks] = true;
    }
    return name;
}

HWND MakeTop(int x, int y, int w, int h, DWORD style, bool doubleClicks)
{
    return CreateWindowExW(0, RecordingClass(doubleClicks), L"top", style, x, y, w, h, nullptr, nullptr, nullptr,
                           nullptr);
}

HWND MakeChild(HWND parent, int id, int x, int y, int w, int h, DWORD style, bool doubleClicks)
{
    return CreateWindowExW(0, RecordingClass(doubleClicks), L"child", style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
}

int Pump() { return DispatchPendingMessages(); }

std::string SaveScreenshot(const QImage& image, const std::string& name)
{
    QString folder = QStringLiteral(RIVO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    QString path = folder + "/" + QString::fromStdString(name) + ".png";
    image.save(path, "PNG");
    return path.toStdString();
}

std::vector<uint8_t> SmallCursorFile(bool withAlpha)
{
    std::vector<uint8_t> v;
    Put16(v, 0);
    Put16(v, 2);
    Put16(v, 1);
    v.push_back(2);
    v.push_back(2);
    v.push_back(0);
    v.push_back(0);
    Put16(v, 1);  // hot spot x
    Put16(v, 0);  // hot spot y
    Put32(v, 40 + 16 + 8);
    Put32(v, 22);
    Put32(v, 40);
    Put32(v, 2);
    Put32(v, 4);  // colour and mask rows
    Put16(v, 1);
    Put16(v, 32);
    for (int i = 0; i < 6; ++i) Put32(v, 0);
    uint8_t a = withAlpha ? 255 : 0;
    // Bottom row first: green, blue.
    for (uint8_t b : {uint8_t(0), uint8_t(255), uint8_t(0), a, uint8_t(255), uint8_t(0), uint8_t(0), a}) v.push_back(b);
    // Top row: red, and a pixel the mask (or alpha 0) hides.
    for (uint8_t b : {uint8_t(0), uint8_t(0), uint8_t(255), a, uint8_t(9), uint8_t(9), uint8_t(9), uint8_t(0)})
        v.push_back(b);
    // AND mask, bottom row first: nothing hidden; top row: the second pixel.
    Put32(v, 0);
    Put32(v, 0x40);
    return v;
}

bool RegisterFolderAsResources(const std::string& folder, const std::string& type, const std::string& rccFile)
{
    QString qrc = QStringLiteral("<RCC><qresource prefix=\"/%1\">\n").arg(QString::fromStdString(type));
    const QDir base(QString::fromStdString(folder));
    QDirIterator it(base.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        qrc += QStringLiteral("<file alias=\"%1\">%2</file>\n").arg(base.relativeFilePath(file), file);
    }
    qrc += QStringLiteral("</qresource></RCC>\n");
    const std::string qrcFile = rccFile + ".qrc";
    QFile out(QString::fromStdString(qrcFile));
    if (!out.open(QIODevice::WriteOnly) || out.write(qrc.toUtf8()) < 0) {
        ADD_FAILURE() << "cannot write " << qrcFile;
        return false;
    }
    out.close();
    const std::string command = std::string(RIVO_RCC) + " --binary -o '" + rccFile + "' '" + qrcFile + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe)) output += buffer;
    const int status = pipe ? pclose(pipe) : -1;
    if (status != 0) {
        ADD_FAILURE() << command << " failed: " << output;
        return false;
    }
    if (!QResource::registerResource(QString::fromStdString(rccFile))) {
        ADD_FAILURE() << "cannot register " << rccFile;
        return false;
    }
    return true;
}

void GuiTest::SetUp()
{
    SetMessageClock(&clock_);
    SetMonitorProvider(&monitors_);
    ResetInputState();
    SetCursorPos(-1000, -1000);
    Log().clear();
}

void GuiTest::TearDown()
{
    std::vector<HWND> tops;
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tops));
    for (HWND h : tops) DestroyWindow(h);
    ReleaseCapture();
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {}
    ResetInputState();
    SetMessageClock(nullptr);
    SetMonitorProvider(nullptr);
    Handlers().clear();
    Log().clear();
}

}  // namespace gui_test
