#include "platform/mfc/TextBrowserBackend.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/gui/MessageQueue.h"

namespace {

constexpr const wchar_t* kClassName = L"RivoTextBrowser";

// Posted to a browser window when a navigation has been decided; wParam is
// the navigation's number, so that a later navigation makes it stale.
UINT NavigationDoneMessage()
{
    static const UINT id = RegisterWindowMessageW(L"RivoTextBrowserNavigationDone");
    return id;
}

QString ToQt(const CString& text) { return QString::fromStdWString(text.str()); }
CString FromQt(const QString& text) { return CString(text.toStdWString()); }

// What an address names for this browser: a readable local page (path set),
// the empty page, or an error status.
struct Target {
    QString path;
    bool blank = false;
    LONG status = 0;
};

bool HasScheme(const QString& url, QString* scheme)
{
    const int colon = url.indexOf(QLatin1Char(':'));
    if (colon < 1) return false;
    for (int i = 0; i < colon; ++i) {
        const QChar c = url[i];
        if (!(c.isLetterOrNumber() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.')))
            return false;
    }
    if (!url[0].isLetter()) return false;
    *scheme = url.left(colon).toLower();
    return true;
}

Target Classify(const QString& url, const QString& current)
{
    Target t;
    QString scheme, path;
    if (HasScheme(url, &scheme)) {
        if (scheme == QLatin1String("about") && url.compare(QLatin1String("about:blank"), Qt::CaseInsensitive) == 0) {
            t.blank = true;
            return t;
        }
        if (scheme != QLatin1String("file")) {
            t.status = INET_E_UNKNOWN_PROTOCOL;
            return t;
        }
        path = QUrl(url).toLocalFile();
    } else if (url.startsWith(QLatin1Char('/'))) {
        path = url;
    } else if (!current.isEmpty()) {
        path = QFileInfo(current).absoluteDir().filePath(url);
    }
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable() || info.size() > TextBrowserBackend::kMaxPageBytes) {
        t.status = INET_E_RESOURCE_NOT_FOUND;
        return t;
    }
    t.path = info.absoluteFilePath();
    return t;
}

class TextBrowserWindow;

// Reports the clicks in the page before the browser acts on them.
class ClickWatcher : public QObject {
public:
    explicit ClickWatcher(TextBrowserWindow* owner) : owner_(owner) {}
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TextBrowserWindow* owner_;
};

class TextBrowserWindow : public mfc_controls::ControlWindow {
public:
    using ControlWindow::ControlWindow;

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == NavigationDoneMessage()) {
            Finish(static_cast<int>(wParam));
            return 0;
        }
        if (message == WM_CREATE) {
            auto* browser = new QTextBrowser;
            browser->setOpenLinks(false);
            browser->setOpenExternalLinks(false);
            view = static_cast<QTextBrowser*>(mfc_controls::EmbedWidget(Handle(), browser));
            if (view) {
                watcher = std::make_unique<ClickWatcher>(this);
                view->viewport()->installEventFilter(watcher.get());
                const HWND self = Handle();
                QObject::connect(view.data(), &QTextBrowser::anchorClicked, view.data(), [self](const QUrl& link) {
                    auto* window = ControlWindow::Of<TextBrowserWindow>(self);
                    if (window) window->FollowLink(link);
                });
            }
            return 0;
        }
        if (message == WM_NCDESTROY) events = nullptr;
        return Default(message, wParam, lParam);
    }
    QWidget* Widget() const override { return view; }

    void Start(const CString& url)
    {
        bool cancel = false;
        if (events) events->BeforeNavigate(url, cancel);
        if (cancel) return;
        const int number = ++serial;
        pendingUrl = url;
        pending = Classify(ToQt(url), currentPath);
        PostMessageW(Handle(), NavigationDoneMessage(), static_cast<WPARAM>(number), 0);
    }

    void FollowLink(const QUrl& link)
    {
        const QUrl resolved = view ? view->source().resolved(link) : link;
        Start(FromQt(resolved.isLocalFile() ? resolved.toLocalFile() : resolved.toString()));
    }

    void Click(const QPoint& at)
    {
        if (!view || !events) return;
        const QStringList names = view->cursorForPosition(at).charFormat().anchorNames();
        events->DocumentClick(names.isEmpty() ? CString() : FromQt(names.first()));
    }

    WebBrowserEvents* events = nullptr;
    CString location;
    QString currentPath;

private:
    void Finish(int number)
    {
        if (number != serial) return;  // a later navigation took over
        const Target target = pending;
        const CString url = pendingUrl;
        if (target.status) {
            bool cancel = false;
            if (events) events->NavigateError(url, target.status, cancel);
            return;
        }
        QString title;
        if (view) {
            mfc_controls::ProgrammaticChange change;
            if (target.blank) {
                view->setSource(QUrl());
                view->clear();
            } else {
                view->setSource(QUrl::fromLocalFile(target.path));
            }
            title = view->documentTitle();
        }
        location = url;
        currentPath = target.path;
        // Each event may destroy the window; the handle tells.
        const HWND self = Handle();
        if (events) events->NavigateComplete(url);
        if (!IsWindow(self) || !events) return;
        events->TitleChange(FromQt(title));
        if (!IsWindow(self) || !events) return;
        events->DocumentComplete(url);
    }

    QPointer<QTextBrowser> view;
    std::unique_ptr<ClickWatcher> watcher;
    int serial = 0;
    Target pending;
    CString pendingUrl;
};

bool ClickWatcher::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) owner_->Click(mouse->position().toPoint());
    }
    return false;
}

void RegisterClass()
{
    static const bool once = [] {
        mfc_controls::ControlWindow::Register<TextBrowserWindow>(kClassName, 0);
        return true;
    }();
    (void)once;
}

}  // namespace

HWND TextBrowserBackend::CreateBrowserWindow(HWND parent, WebBrowserEvents* events)
{
    if (!parent || !IsWindow(parent)) return nullptr;
    RegisterClass();
    HWND window =
        CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
    if (auto* state = mfc_controls::ControlWindow::Of<TextBrowserWindow>(window)) state->events = events;
    return window;
}

void TextBrowserBackend::Navigate(HWND browser, const CString& url)
{
    if (auto* state = mfc_controls::ControlWindow::Of<TextBrowserWindow>(browser)) state->Start(url);
}

CString TextBrowserBackend::LocationUrl(HWND browser)
{
    auto* state = mfc_controls::ControlWindow::Of<TextBrowserWindow>(browser);
    return state ? state->location : CString();
}
