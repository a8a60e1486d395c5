// The desktop's accent read from a fake settings portal on a private session bus.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QThread>
#include <functional>

#include "overlays/Appearance.h"

namespace brindlow::test {
namespace {

// Answers the settings portal's Read on its own thread (the caller blocks on the reply).
class FakePortal final : public QDBusVirtualObject {
  public:
    std::function<QDBusMessage(const QDBusMessage&)> answer;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != "org.freedesktop.portal.Settings" ||
            message.member() != "Read") {
            return false;
        }
        connection.send(answer(message));
        return true;
    }
};

QDBusMessage accentReply(const QDBusMessage& call, double red, double green, double blue) {
    QDBusArgument rgb;
    rgb.beginStructure();
    rgb << red << green << blue;
    rgb.endStructure();
    // The portal wraps the value in a variant, inside the variant of the reply.
    const QDBusVariant inner(QVariant::fromValue(rgb));
    return call.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(inner))));
}

class AccentColorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon_.waitForStarted(5000)) << "dbus-daemon did not start";
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        ASSERT_FALSE(address_.isEmpty()) << "dbus-daemon printed no address";
        client_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address_, "brindlow-accent-client"));
        ASSERT_TRUE(client_->isConnected());
    }

    void TearDown() override {
        if (portal_) {
            QDBusConnection service("brindlow-fake-portal");
            service.unregisterObject("/org/freedesktop/portal/desktop");
            service.unregisterService("org.freedesktop.portal.Desktop");
        }
        QDBusConnection::disconnectFromBus("brindlow-fake-portal");
        client_.reset();
        QDBusConnection::disconnectFromBus("brindlow-accent-client");
        thread_.quit();
        thread_.wait();
        portal_.reset();
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }

    void startPortal(std::function<QDBusMessage(const QDBusMessage&)> answer) {
        thread_.start();
        portal_ = std::make_unique<FakePortal>();
        portal_->answer = std::move(answer);
        portal_->moveToThread(&thread_);
        QDBusConnection service = QDBusConnection::connectToBus(address_, "brindlow-fake-portal");
        ASSERT_TRUE(service.isConnected());
        ASSERT_TRUE(service.registerVirtualObject("/org/freedesktop/portal/desktop", portal_.get(),
                                                  QDBusConnection::SingleNode));
        ASSERT_TRUE(service.registerService("org.freedesktop.portal.Desktop"));
    }

    QProcess daemon_;
    QString address_;
    std::unique_ptr<QDBusConnection> client_;
    QThread thread_;
    std::unique_ptr<FakePortal> portal_;
};

TEST_F(AccentColorTest, TheAccentThePortalNames) {
    QString askedGroup, askedKey;
    startPortal([&](const QDBusMessage& call) {
        askedGroup = call.arguments().value(0).toString();
        askedKey = call.arguments().value(1).toString();
        return accentReply(call, 1.0, 0.5, 0.25);
    });
    ASSERT_FALSE(HasFatalFailure());
    const std::optional<Color> accent = portalAccentColor(*client_);
    ASSERT_TRUE(accent);
    EXPECT_EQ(*accent, (Color{1.0, 0.5, 0.25, 1.0}));
    EXPECT_EQ(askedGroup, "org.freedesktop.appearance");
    EXPECT_EQ(askedKey, "accent-color");
}

// Components out of 0 … 1 mean "no accent set"; an error reply means the portal has none.
TEST_F(AccentColorTest, NoAccentWhenThePortalHasNoneSaysNotSetOrIsNotThere) {
    EXPECT_FALSE(portalAccentColor(*client_)) << "no portal on the bus";
    bool set = false;
    startPortal([&](const QDBusMessage& call) {
        if (set) return accentReply(call, -1.0, -1.0, -1.0);
        return call.createErrorReply("org.freedesktop.portal.Error.NotFound",
                                     "Requested setting not found");
    });
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_FALSE(portalAccentColor(*client_));
    set = true;
    EXPECT_FALSE(portalAccentColor(*client_));
}

}  // namespace
}  // namespace brindlow::test
