#include "LogindPowerOffService.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QString>
#include <atomic>
#include <cstdlib>

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kInterface = "org.freedesktop.login1.Manager";

bool Testing()
{
    const char* v = std::getenv("RIVO_TESTING");
    return v && *v;
}

bool NamesSystemBus(const std::string& address)
{
    if (address.empty()) return true;
    for (const char* socket : {"/run/dbus/system_bus_socket", "/var/run/dbus/system_bus_socket"})
        if (address.find(socket) != std::string::npos) return true;
    const char* system = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    return system && *system && address == system;
}

// One private connection per request, each under a name of its own.
QString ConnectionName()
{
    static std::atomic<int> serial{0};
    return QStringLiteral("rivo-logind-%1").arg(++serial);
}

}  // namespace

bool LogindPowerOffService::MayUseBus(const std::string& busAddress)
{
    return !(Testing() && NamesSystemBus(busAddress));
}

PowerOffResult LogindPowerOffService::ResultOfError(const std::string& errorName)
{
    // No one on the bus answers for the login manager.
    for (const char* name : {"org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
                             "org.freedesktop.DBus.Error.UnknownObject", "org.freedesktop.DBus.Error.UnknownInterface",
                             "org.freedesktop.DBus.Error.UnknownMethod", "org.freedesktop.DBus.Error.NoServer",
                             "org.freedesktop.DBus.Error.Disconnected"})
        if (errorName == name) return PowerOffResult::NoService;
    if (errorName.rfind("org.freedesktop.DBus.Error.Spawn.", 0) == 0) return PowerOffResult::NoService;
    // It answered, and said no.
    for (const char* name : {"org.freedesktop.DBus.Error.AccessDenied", "org.freedesktop.DBus.Error.AuthFailed",
                             "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired",
                             "org.freedesktop.PolicyKit1.Error.NotAuthorized"})
        if (errorName == name) return PowerOffResult::Refused;
    if (errorName.rfind("org.freedesktop.login1.", 0) == 0) return PowerOffResult::Refused;
    return PowerOffResult::Failed;
}

PowerOffResult LogindPowerOffService::PowerOff()
{
    if (!MayUseBus(busAddress_)) return PowerOffResult::Failed;
    QString name = ConnectionName();
    PowerOffResult result = PowerOffResult::Failed;
    {
        QDBusConnection bus = busAddress_.empty()
                                  ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, name)
                                  : QDBusConnection::connectToBus(QString::fromStdString(busAddress_), name);
        if (!bus.isConnected()) {
            result = PowerOffResult::NoService;
        } else {
            QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("PowerOff"));
            call << true;  // interactive: the login manager may ask the user
            QDBusMessage reply = bus.call(call, QDBus::Block, m_nTimeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage)
                result = PowerOffResult::Requested;
            else if (reply.type() == QDBusMessage::ErrorMessage)
                result = ResultOfError(reply.errorName().toStdString());
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return result;
}

void InstallLogindPowerOffService()
{
    static LogindPowerOffService service;
    SetPowerOffService(&service);
}
