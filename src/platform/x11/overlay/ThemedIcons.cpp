#include "platform/x11/overlay/ThemedIcons.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QStandardPaths>

#include "platform/x11/overlay/QtImageConversion.h"

namespace brindlow {

namespace {

// Largest first: the icon is drawn at up to 64 pixels on dense screens.
constexpr const char* kHicolorSizes[] = {"scalable", "256x256", "128x128", "96x96", "64x64",
                                         "48x48",    "32x32",   "24x24",   "22x22", "16x16"};

// Without Qt's SVG image plugin an SVG file gives no picture: the PNGs beside it are looked at.
bool readable(const char* suffix) {
    static const bool svg = QImageReader::supportedImageFormats().contains("svg");
    return svg || qstrcmp(suffix, ".svg") != 0;
}

QIcon findIcon(const QString& name) {
    if (QFileInfo(name).isAbsolute()) return QFileInfo::exists(name) ? QIcon(name) : QIcon();
    QString bare = name;
    for (const char* suffix : {".png", ".svg", ".xpm"}) {
        if (bare.endsWith(suffix)) bare.chop(int(qstrlen(suffix)));
    }
    QIcon themed = QIcon::fromTheme(bare);
    if (!themed.isNull()) return themed;
    const QStringList dataFolders =
        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    // Every theme falls back to hicolor, where applications install their icons; the toolkit
    // may know no theme at all (a desktop without settings for it).
    for (const char* size : kHicolorSizes) {
        for (const QString& data : dataFolders) {
            for (const char* suffix : {".svg", ".png"}) {
                if (!readable(suffix)) continue;
                const QString file = QDir(data).filePath(
                    QString("icons/hicolor/%1/apps/").arg(size) + bare + suffix);
                if (QFileInfo::exists(file)) return QIcon(file);
            }
        }
    }
    // Old applications still install into the legacy pixmaps folder.
    for (const QString& data : dataFolders) {
        for (const char* suffix : {".png", ".svg", ".xpm"}) {
            if (!readable(suffix)) continue;
            const QString file = QDir(data).filePath("pixmaps/" + bare + suffix);
            if (QFileInfo::exists(file)) return QIcon(file);
        }
    }
    return {};
}

}  // namespace

std::optional<Image> loadThemedIcon(const std::string& icon, int size) {
    if (!qGuiApp || icon.empty()) return std::nullopt;
    const QIcon found = findIcon(QString::fromStdString(icon));
    if (found.isNull()) return std::nullopt;
    return imageFromQt(found.pixmap(QSize(size, size)).toImage());
}

}  // namespace brindlow
