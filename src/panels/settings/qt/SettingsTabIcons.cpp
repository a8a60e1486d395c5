#include "panels/settings/qt/SettingsTabIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "panels/settings/qt/SettingsControls.h"

namespace brindlow {

namespace {

// Each drawing fills the 32 × 32 square of drawnSymbol.
void draw(SettingsPageTab tab, QPainter& p) {
    switch (tab) {
        case SettingsPageTab::general: {  // a gear
            for (int i = 0; i < 8; ++i) {
                const double angle = i * M_PI / 4;
                p.drawLine(QPointF(16 + 9 * std::cos(angle), 16 + 9 * std::sin(angle)),
                           QPointF(16 + 13 * std::cos(angle), 16 + 13 * std::sin(angle)));
            }
            p.drawEllipse(QPointF(16, 16), 9, 9);
            p.drawEllipse(QPointF(16, 16), 3.5, 3.5);
            return;
        }
        case SettingsPageTab::layout:  // three columns
            p.drawRoundedRect(QRectF(3, 7, 26, 18), 3, 3);
            p.drawLine(QPointF(12, 7), QPointF(12, 25));
            p.drawLine(QPointF(20, 7), QPointF(20, 25));
            return;
        case SettingsPageTab::motion:  // wind
            p.drawLine(QPointF(4, 10), QPointF(22, 10));
            p.drawLine(QPointF(4, 16), QPointF(28, 16));
            p.drawLine(QPointF(4, 22), QPointF(18, 22));
            return;
        case SettingsPageTab::shortcuts:  // a keyboard
            p.drawRoundedRect(QRectF(3, 8, 26, 17), 3, 3);
            for (int x = 8; x <= 24; x += 4) p.drawPoint(QPointF(x, 13));
            p.drawLine(QPointF(10, 20), QPointF(22, 20));
            return;
        case SettingsPageTab::displays:  // two screens
            p.drawRect(QRectF(3, 7, 14, 11));
            p.drawRect(QRectF(15, 11, 14, 11));
            p.drawLine(QPointF(22, 22), QPointF(22, 27));
            p.drawLine(QPointF(18, 27), QPointF(26, 27));
            return;
        case SettingsPageTab::apps:  // four application tiles
            for (int x : {5, 17})
                for (int y : {5, 17}) p.drawRoundedRect(QRectF(x, y, 10, 10), 2.5, 2.5);
            return;
        case SettingsPageTab::appearance: {  // a brush
            p.drawLine(QPointF(27, 5), QPointF(14, 18));
            QPainterPath tip;
            tip.moveTo(14, 18);
            tip.cubicTo(8, 16, 6, 22, 4, 27);
            tip.cubicTo(10, 27, 16, 25, 14, 18);
            p.drawPath(tip);
            return;
        }
        case SettingsPageTab::layouts:  // a stack of layouts
            p.drawRoundedRect(QRectF(4, 14, 24, 13), 2.5, 2.5);
            p.drawLine(QPointF(7, 10), QPointF(25, 10));
            p.drawLine(QPointF(10, 6), QPointF(22, 6));
            return;
        case SettingsPageTab::terminal:  // a prompt
            p.drawRoundedRect(QRectF(3, 6, 26, 20), 3, 3);
            p.drawPolyline(QPolygonF({QPointF(8, 12), QPointF(12, 16), QPointF(8, 20)}));
            p.drawLine(QPointF(15, 20), QPointF(22, 20));
            return;
        case SettingsPageTab::about:  // "i" in a circle
            p.drawEllipse(QPointF(16, 16), 12, 12);
            p.drawLine(QPointF(16, 14), QPointF(16, 23));
            p.drawPoint(QPointF(16, 9.5));
            return;
    }
}

}  // namespace

const char* settingsTabIconName(SettingsPageTab tab) {
    switch (tab) {
        case SettingsPageTab::general:
            return "preferences-system";
        case SettingsPageTab::layout:
            return "view-grid";
        case SettingsPageTab::motion:
            return "input-touchpad";
        case SettingsPageTab::shortcuts:
            return "input-keyboard";
        case SettingsPageTab::displays:
            return "video-display";
        case SettingsPageTab::apps:
            return "applications-other";
        case SettingsPageTab::appearance:
            return "preferences-desktop-theme";
        case SettingsPageTab::layouts:
            return "view-list";
        case SettingsPageTab::terminal:
            return "utilities-terminal";
        case SettingsPageTab::about:
            return "help-about";
    }
    return "";
}

QIcon builtInSettingsTabIcon(SettingsPageTab tab) {
    return drawnSymbol([tab](QPainter& painter) { draw(tab, painter); });
}

QIcon settingsTabIcon(SettingsPageTab tab) {
    return QIcon::fromTheme(QString::fromLatin1(settingsTabIconName(tab)),
                            builtInSettingsTabIcon(tab));
}

}  // namespace brindlow
