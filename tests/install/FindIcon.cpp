// Looks the application icon up by its name as the desktop does, in the icon themes of
// $XDG_DATA_DIRS: prints the sizes the hicolor theme offers for it and whether Brindlow's own
// lookup of an `Icon=` name finds it. Exits with 1 when either finds nothing.
#include <QGuiApplication>
#include <QIcon>
#include <QStandardPaths>
#include <cstdio>

#include "platform/x11/overlay/ThemedIcons.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const char* name = argc > 1 ? argv[1] : "brindlow";
    // Where a desktop looks for icon themes: "icons" in each data folder.
    QStringList themes;
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        themes << data + QStringLiteral("/icons");
    QIcon::setThemeSearchPaths(themes);
    QIcon::setThemeName(QStringLiteral("hicolor"));
    const QIcon themed = QIcon::fromTheme(QString::fromLocal8Bit(name));
    for (const QSize& size : themed.availableSizes())
        std::printf("%dx%d\n", size.width(), size.height());
    const auto image = brindlow::loadThemedIcon(name, 48);
    std::printf("lookup: %s\n", image ? "found" : "none");
    return themed.isNull() || !image ? 1 : 0;
}
