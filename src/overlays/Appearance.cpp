#include "overlays/Appearance.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QObject>
#include <QPalette>
#include <optional>

namespace brindlow {

namespace {

constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kPortalSettings = "org.freedesktop.portal.Settings";
constexpr const char* kAppearance = "org.freedesktop.appearance";
constexpr int kPortalTimeoutMs = 250;

// One setting of the appearance namespace; none when the portal does not answer.
std::optional<QVariant> readPortalSetting(const QDBusConnection& bus, const char* key) {
    if (!bus.isConnected()) return std::nullopt;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalSettings, "Read");
    call << QString(kAppearance) << QString(key);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kPortalTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    // The value comes wrapped in one or two variants.
    QVariant value = reply.arguments().front();
    while (value.canConvert<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
    return value;
}

// 1 dark, 2 light, 0 no preference; none when the portal does not answer.
std::optional<unsigned> portalColorScheme() {
    const auto value = readPortalSetting(QDBusConnection::sessionBus(), "color-scheme");
    if (!value) return std::nullopt;
    bool ok = false;
    const unsigned scheme = value->toUInt(&ok);
    return ok ? std::optional<unsigned>(scheme) : std::nullopt;
}

// The portal's answers so far, forgotten when it announces a change: the covers ask for the
// appearance on every update, and each question would be a round trip to the portal.
class PortalWatcher final : public QObject {
    Q_OBJECT
  public:
    std::optional<Color> accent;
    std::optional<std::optional<unsigned>> colorScheme;

  public slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant&) {
        if (group != kAppearance) return;
        if (key == "accent-color") accent.reset();
        if (key == "color-scheme") colorScheme.reset();
    }
};

// Made with the application (the bus and the object need one); none before.
PortalWatcher* portalWatcher() {
    if (!QCoreApplication::instance()) return nullptr;
    static PortalWatcher* watcher = [] {
        auto* made = new PortalWatcher;
        QDBusConnection::sessionBus().connect(kPortalService, kPortalPath, kPortalSettings,
                                              "SettingChanged", made,
                                              SLOT(settingChanged(QString, QString, QDBusVariant)));
        return made;
    }();
    return watcher;
}

}  // namespace

bool isDarkAppearance() {
    std::optional<unsigned> scheme;
    if (PortalWatcher* watcher = portalWatcher()) {
        if (!watcher->colorScheme) watcher->colorScheme = portalColorScheme();
        scheme = *watcher->colorScheme;
    } else {
        scheme = portalColorScheme();
    }
    if (scheme && *scheme != 0) return *scheme == 1;
    if (!qGuiApp) return false;
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

std::optional<Color> portalAccentColor(const QDBusConnection& bus) {
    const auto value = readPortalSetting(bus, "accent-color");
    if (!value || !value->canConvert<QDBusArgument>()) return std::nullopt;
    const QDBusArgument argument = value->value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::StructureType) return std::nullopt;
    double red = -1, green = -1, blue = -1;
    argument.beginStructure();
    argument >> red >> green >> blue;
    argument.endStructure();
    const auto inRange = [](double c) { return c >= 0 && c <= 1; };
    if (!inRange(red) || !inRange(green) || !inRange(blue)) return std::nullopt;
    return Color{red, green, blue, 1.0};
}

Color accentColor() {
    PortalWatcher* watcher = qGuiApp ? portalWatcher() : nullptr;
    if (!watcher) return kFallbackAccent;
    if (!watcher->accent) {
        watcher->accent = portalAccentColor(QDBusConnection::sessionBus());
        if (!watcher->accent) {
            const QColor highlight = QGuiApplication::palette().color(QPalette::Highlight);
            watcher->accent = highlight.isValid() ? Color{highlight.redF(), highlight.greenF(),
                                                          highlight.blueF(), 1}
                                                  : kFallbackAccent;
        }
    }
    return *watcher->accent;
}

}  // namespace brindlow

#include "Appearance.moc"
