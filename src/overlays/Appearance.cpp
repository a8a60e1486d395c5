#include "overlays/Appearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QPalette>
#include <optional>

namespace brindlow {

namespace {

// 1 dark, 2 light, 0 no preference; none when the portal does not answer.
std::optional<unsigned> portalColorScheme() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop",
                                                       "/org/freedesktop/portal/desktop",
                                                       "org.freedesktop.portal.Settings", "Read");
    call << QString("org.freedesktop.appearance") << QString("color-scheme");
    const QDBusMessage reply = bus.call(call, QDBus::Block, 250);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    // The value comes wrapped in one or two variants.
    QVariant value = reply.arguments().front();
    while (value.canConvert<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const unsigned scheme = value.toUInt(&ok);
    return ok ? std::optional<unsigned>(scheme) : std::nullopt;
}

}  // namespace

bool isDarkAppearance() {
    if (const auto scheme = portalColorScheme(); scheme && *scheme != 0) return *scheme == 1;
    if (!qGuiApp) return false;
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

}  // namespace brindlow
