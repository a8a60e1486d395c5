#include "input/TrackpadSettings.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStringList>
#include <QUrl>
#include <cstdlib>

#include "input/SwipeConflicts.h"

namespace brindlow {

namespace {

struct DesktopSettings {
    std::string_view desktop;  // as $XDG_CURRENT_DESKTOP names it
    std::vector<std::string> command;
};

const std::vector<DesktopSettings>& knownDesktops() {
    static const std::vector<DesktopSettings> desktops = {
        {"GNOME", {"gnome-control-center", "mouse"}},
        {"Unity", {"gnome-control-center", "mouse"}},
        {"KDE", {"systemsettings", "kcm_touchpad"}},
        {"XFCE", {"xfce4-mouse-settings"}},
        {"X-Cinnamon", {"cinnamon-settings", "mouse"}},
        {"MATE", {"mate-mouse-properties"}},
        {"Budgie", {"gnome-control-center", "mouse"}},
    };
    return desktops;
}

}  // namespace

bool systemSwipeConflicts(int fingers) {
    return swipeConflict(fingers, SwipeConflictSources::fromEnvironment()).has_value();
}

std::optional<std::vector<std::string>> touchpadSettingsCommand(std::string_view currentDesktop) {
    while (!currentDesktop.empty()) {
        const size_t colon = currentDesktop.find(':');
        const std::string_view name = currentDesktop.substr(0, colon);
        for (const DesktopSettings& known : knownDesktops())
            if (known.desktop == name) return known.command;
        if (colon == std::string_view::npos) break;
        currentDesktop.remove_prefix(colon + 1);
    }
    return std::nullopt;
}

void openTrackpadSettings() {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    const auto command = touchpadSettingsCommand(desktop ? desktop : "");
    if (!command) return;
    QStringList arguments;
    for (size_t i = 1; i < command->size(); ++i) arguments << QString::fromStdString((*command)[i]);
    // A failed start is ignored: the settings window has nothing better to offer.
    QProcess::startDetached(QString::fromStdString(command->front()), arguments);
}

void openTrackpadSettings(int fingers) {
    const auto conflict = swipeConflict(fingers, SwipeConflictSources::fromEnvironment());
    if (!conflict) {
        openTrackpadSettings();
        return;
    }
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdString(conflict->configuration.string())));
}

}  // namespace brindlow
