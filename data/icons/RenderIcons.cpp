// Writes the application icon as hicolor PNGs, hicolor/<n>x<n>/apps/brindlow.png under the
// folder given, one for each size given: the tray icon's own drawing with no title, so the
// launcher, the tray and brindlow.svg beside this file show the same strip.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

#include "app/qt/TrayIcon.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: brindlow-render-icons <folder> <size>...\n");
        return 64;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        if (size <= 0 || !root.mkpath(folder) ||
            !brindlow::statusIconImage(QString(), false, size)
                 .save(root.filePath(folder + "/brindlow.png"))) {
            std::fprintf(stderr, "brindlow-render-icons: cannot write the %s px icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
