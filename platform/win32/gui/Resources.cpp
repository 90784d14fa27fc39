#include "Resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Window.h"
#include "platform/win32/Module.h"

namespace {

struct LoadedResource {
    std::vector<unsigned char> bytes;
};

// Every resource found stays loaded for the process's life, as a module's
// resources do; finding one again gives the same handle.
std::mutex g_mutex;
std::map<QString, std::unique_ptr<LoadedResource>>& Loaded()
{
    static std::map<QString, std::unique_ptr<LoadedResource>> loaded;
    return loaded;
}

QString ResourcePart(LPCWSTR part)
{
    if (IS_INTRESOURCE(part)) return QStringLiteral("#") + QString::number(reinterpret_cast<ULONG_PTR>(part));
    return QString::fromWCharArray(part);
}

// The entry of a folder whose name matches without regard to case; the
// exact spelling first.
QString FindEntryNoCase(const QString& folder, const QString& name, bool wantFolder)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) return QString();
    const QString exact = folder + QLatin1Char('/') + name;
    const QFileInfo info(exact);
    if (info.exists() && info.isDir() == wantFolder) return exact;
    const QDir dir(folder);
    const QStringList entries = dir.entryList(wantFolder ? QDir::Dirs | QDir::NoDotAndDotDot : QDir::Files, QDir::Name);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0) return folder + QLatin1Char('/') + e;
    return QString();
}

bool IsProgramModule(HMODULE module) { return module == nullptr || module == GetModuleHandleW(nullptr); }

LoadedResource* FromHandle(const void* handle)
{
    for (auto& [path, r] : Loaded())
        if (r.get() == handle) return r.get();
    return nullptr;
}

}  // namespace

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    if (!IsProgramModule(module) || !name || !type) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    const QString folder = FindEntryNoCase(QStringLiteral(":"), ResourcePart(type), true);
    if (folder.isEmpty()) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    // A name may lead through folders of the type ("images/a.bmp").
    QString path = folder;
    const QStringList parts = ResourcePart(name).split(QRegularExpression(QStringLiteral("[/\\\\]")));
    for (int i = 0; i < parts.size() && !path.isEmpty(); ++i) {
        if (parts[i] == QLatin1String("..") || parts[i] == QLatin1String("."))
            path.clear();
        else
            path = FindEntryNoCase(path, parts[i], i + 1 < parts.size());
    }
    if (path.isEmpty()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& slot = Loaded()[path.toLower()];
    if (!slot) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            Loaded().erase(path.toLower());
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        const QByteArray data = file.readAll();
        slot = std::make_unique<LoadedResource>();
        slot->bytes.assign(data.begin(), data.end());
    }
    return reinterpret_cast<HRSRC>(slot.get());
}

DWORD SizeofResource(HMODULE module, HRSRC resource)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    LoadedResource* r = IsProgramModule(module) ? FromHandle(resource) : nullptr;
    return r ? static_cast<DWORD>(r->bytes.size()) : 0;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return (IsProgramModule(module) && FromHandle(resource)) ? static_cast<HGLOBAL>(resource) : nullptr;
}

LPVOID LockResource(HGLOBAL data)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    LoadedResource* r = FromHandle(data);
    // An empty resource still has an address to hand out.
    static unsigned char empty = 0;
    if (!r) return nullptr;
    return r->bytes.empty() ? &empty : r->bytes.data();
}

BOOL FreeResource(HGLOBAL) { return FALSE; }
