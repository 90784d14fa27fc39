#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

class QtClipboard : public IClipboardService {
public:
    bool SetText(const std::wstring& text) override
    {
        QClipboard* c = Board();
        if (!c) return false;
        c->setText(QString::fromStdWString(text));
        return true;
    }
    std::optional<std::wstring> GetText() override
    {
        QClipboard* c = Board();
        if (!c) return std::nullopt;
        QString text = c->text();
        if (text.isNull()) return std::nullopt;
        return text.toStdWString();
    }

private:
    static QClipboard* Board()
    {
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
    }
};

IClipboardService* g_service = nullptr;

}  // namespace

void SetClipboardService(IClipboardService* service) { g_service = service; }

IClipboardService& ClipboardService()
{
    static QtClipboard desktop;
    return g_service ? *g_service : desktop;
}
