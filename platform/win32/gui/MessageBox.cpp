#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <atomic>
#include <cstdio>

#include "Window.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/DebugOutput.h"

namespace {

std::atomic<MessageBoxAnswerer*> g_answerer{nullptr};
std::atomic<bool> g_unattended{false};

struct ButtonSpec {
    QMessageBox::StandardButton qt;
    int id;
};

std::vector<ButtonSpec> ButtonsOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: return {{QMessageBox::Ok, IDOK}};
    }
}

class QtMessageBoxAnswerer : public MessageBoxAnswerer {
public:
    int Answer(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override
    {
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        std::vector<ButtonSpec> buttons = ButtonsOf(type);
        if (!app || app->thread() != QThread::currentThread()) return buttons.back().id;
        QMessageBox box;
        box.setWindowTitle(QString::fromStdWString(caption));
        box.setText(QString::fromStdWString(text));
        switch (type & 0xF0) {
        case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
        case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
        case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
        default: break;
        }
        QMessageBox::StandardButtons set;
        for (const ButtonSpec& b : buttons) set |= b.qt;
        box.setStandardButtons(set);
        size_t def = (type & MB_DEFBUTTON3) ? 2 : (type & MB_DEFBUTTON2) ? 1 : 0;
        if (def < buttons.size()) box.setDefaultButton(buttons[def].qt);
        // Like a modal window of ours: the owner takes no input meanwhile.
        bool disabled = owner && IsWindowEnabled(owner);
        if (disabled) EnableWindow(owner, FALSE);
        int r = box.exec();
        if (disabled && IsWindow(owner)) EnableWindow(owner, TRUE);
        for (const ButtonSpec& b : buttons)
            if (b.qt == r) return b.id;
        // Closed without a button: Cancel where there is one, else the only choice.
        for (const ButtonSpec& b : buttons)
            if (b.id == IDCANCEL) return IDCANCEL;
        return buttons.size() == 1 ? buttons[0].id : IDNO;
    }
};

}  // namespace

void SetMessageBoxAnswerer(MessageBoxAnswerer* answerer) { g_answerer = answerer; }

void SetUnattendedMessageBoxes(bool on) { g_unattended = on; }
bool UnattendedMessageBoxes() { return g_unattended.load(); }

bool RunsWithoutDisplay()
{
    return QGuiApplication::instance() && QGuiApplication::platformName() == QLatin1String("offscreen");
}

int DefaultMessageBoxAnswer(UINT type)
{
    const std::vector<ButtonSpec> buttons = ButtonsOf(type);
    const size_t index = (type & MB_DEFBUTTON3) ? 2 : (type & MB_DEFBUTTON2) ? 1 : 0;
    return (index < buttons.size() ? buttons[index] : buttons[0]).id;
}

void ReportUnattendedMessageBox(const std::wstring& caption, const std::wstring& text)
{
    // One line: the line breaks of the text (a list of files after a
    // blank line, say) become blanks.
    std::wstring line = caption + L": ";
    bool blank = false;
    for (wchar_t c : text) {
        if (c == L'\r' || c == L'\n') {
            if (!blank) line += L' ';
            blank = true;
            continue;
        }
        line += c;
        blank = false;
    }
    const std::string narrow = WideToUtf8(line);
    std::fprintf(stderr, "%s\n", narrow.c_str());
    std::fflush(stderr);
    OutputDebugStringW((L"message box: " + line).c_str());
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    static QtMessageBoxAnswerer qtAnswerer;
    MessageBoxAnswerer* a = g_answerer.load();
    if (owner && !IsWindow(owner)) owner = nullptr;
    // The system's box says "Error" when no caption is given.
    std::wstring title = caption ? caption : L"Error";
    if (!a && UnattendedMessageBoxes()) {
        ReportUnattendedMessageBox(title, text ? text : L"");
        return DefaultMessageBoxAnswer(type);
    }
    return (a ? a : &qtAnswerer)->Answer(owner, text ? text : L"", title, type);
}
