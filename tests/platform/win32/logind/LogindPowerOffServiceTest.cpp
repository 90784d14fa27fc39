// The login manager's power-off over D-Bus, against a private daemon: the
// exact call (service, object, interface, method, the interactive flag), the
// login manager's answers, a bus without a login manager and no bus at all.
// The system bus is never used: the process is marked as a test, and the
// service refuses the system bus then.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QThread>
#include <mutex>
#include <string>
#include <vector>

#include "PrivateBus.h"
#include "platform/win32/logind/LogindPowerOffService.h"

namespace {

// A stand-in login manager: records each call and answers with a reply, or
// with the error of the given name.
class FakeLoginManager : public QDBusVirtualObject {
public:
    struct Call {
        std::string interface, member, path;
        QVariantList args;
    };
    QString introspect(const QString&) const override { return QString(); }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        std::string error;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(Call{message.interface().toStdString(), message.member().toStdString(),
                                  message.path().toStdString(), message.arguments()});
            error = errorName_;
        }
        connection.send(error.empty() ? message.createReply()
                                      : message.createErrorReply(QString::fromStdString(error), "not now"));
        return true;
    }
    void AnswerWith(const std::string& errorName)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        errorName_ = errorName;
    }
    std::vector<Call> Calls()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

private:
    std::mutex mutex_;
    std::vector<Call> calls_;
    std::string errorName_;
};

// The stand-in served on a thread of its own, since the service's call
// blocks the test's thread until the answer comes.
class ServedLoginManager {
public:
    explicit ServedLoginManager(const std::string& address)
    {
        thread_.start();
        manager.moveToThread(&thread_);
        QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(address), kName);
        ok = bus.isConnected() && bus.registerService("org.freedesktop.login1") &&
             bus.registerVirtualObject("/org/freedesktop/login1", &manager);
    }
    ~ServedLoginManager()
    {
        QDBusConnection::connectToBus(QString(), kName).unregisterObject("/org/freedesktop/login1");
        QDBusConnection::disconnectFromBus(kName);
        // The manager goes with this object once its thread has ended.
        thread_.quit();
        thread_.wait();
    }
    ServedLoginManager(const ServedLoginManager&) = delete;
    ServedLoginManager& operator=(const ServedLoginManager&) = delete;
    QThread thread_;  // outlives the manager, which lives in it
    FakeLoginManager manager;
    bool ok = false;

private:
    static inline const QString kName = QStringLiteral("fake-login-manager");
};

TEST(LogindPowerOffServiceTest, AsksTheLoginManagerInteractivelyAndReadsItsAnswers)
{
    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << "dbus-daemon did not start";
    ServedLoginManager login(bus.address());
    ASSERT_TRUE(login.ok);
    struct Case {
        std::string error;
        PowerOffResult result;
    };
    const Case cases[] = {
        {"", PowerOffResult::Requested},
        {"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired", PowerOffResult::Refused},
        {"org.freedesktop.login1.BlockedByInhibitorLock", PowerOffResult::Refused},
        {"org.freedesktop.DBus.Error.AccessDenied", PowerOffResult::Refused},
        {"org.freedesktop.DBus.Error.Failed", PowerOffResult::Failed},
    };
    LogindPowerOffService service(bus.address());
    service.m_nTimeoutMs = 10000;
    size_t calls = 0;
    for (const Case& c : cases) {
        login.manager.AnswerWith(c.error);
        EXPECT_EQ(c.result, service.PowerOff()) << c.error;
        std::vector<FakeLoginManager::Call> seen = login.manager.Calls();
        ASSERT_EQ(++calls, seen.size()) << c.error;
        const FakeLoginManager::Call& call = seen.back();
        EXPECT_EQ("org.freedesktop.login1.Manager", call.interface);
        EXPECT_EQ("PowerOff", call.member);
        EXPECT_EQ("/org/freedesktop/login1", call.path);
        ASSERT_EQ(1, call.args.size());
        EXPECT_EQ(QMetaType::Bool, call.args[0].metaType().id());
        EXPECT_TRUE(call.args[0].toBool());
    }
}

TEST(LogindPowerOffServiceTest, WithoutALoginManagerOrABusThereIsNoService)
{
    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << "dbus-daemon did not start";
    LogindPowerOffService empty(bus.address());
    EXPECT_EQ(PowerOffResult::NoService, empty.PowerOff());
    LogindPowerOffService dead(bus.DeadAddress());
    EXPECT_EQ(PowerOffResult::NoService, dead.PowerOff());
}

TEST(LogindPowerOffServiceTest, ATestProcessMayNotUseTheSystemBus)
{
    // Only the rule is asked here: no request is ever made to the system bus.
    ASSERT_NE(nullptr, std::getenv("RIVO_TESTING"));
    for (const char* address :
         {"", "unix:path=/run/dbus/system_bus_socket", "unix:path=/var/run/dbus/system_bus_socket,guid=0"})
        EXPECT_FALSE(LogindPowerOffService::MayUseBus(address)) << address;
    EXPECT_TRUE(LogindPowerOffService::MayUseBus("unix:path=/tmp/private/bus"));
}

TEST(LogindPowerOffServiceTest, ErrorNamesByMeaning)
{
    struct Case {
        const char* name;
        PowerOffResult result;
    };
    const Case cases[] = {
        {"org.freedesktop.DBus.Error.ServiceUnknown", PowerOffResult::NoService},
        {"org.freedesktop.DBus.Error.NameHasNoOwner", PowerOffResult::NoService},
        {"org.freedesktop.DBus.Error.Spawn.ChildExited", PowerOffResult::NoService},
        {"org.freedesktop.PolicyKit1.Error.NotAuthorized", PowerOffResult::Refused},
        {"org.freedesktop.DBus.Error.NoReply", PowerOffResult::Failed},
        {"", PowerOffResult::Failed},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, LogindPowerOffService::ResultOfError(c.name)) << c.name;
}

}  // namespace
