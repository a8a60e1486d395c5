#include "app/qt/TrayIcon.h"

#include <QAction>
#include <QCursor>
#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace brindlow {

namespace {

constexpr QRgb kGlyphColor = 0xFFF2F2F2;
constexpr QRgb kOutlineColor = 0xFF202020;
constexpr double kDisabledOpacity = 0.45;

// A light shape with a dark outline reads on light and dark trays alike.
void strokeAndFill(QPainter& painter, const QPainterPath& path, double outline) {
    painter.setPen(QPen(QColor::fromRgba(kOutlineColor), outline * 2, Qt::SolidLine, Qt::RoundCap,
                        Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(kGlyphColor));
    painter.drawPath(path);
}

// Three columns side by side inside `area`, the middle one wider: the strip.
QPainterPath stripGlyph(const QRectF& area) {
    QPainterPath path;
    const double gap = area.width() * 0.08;
    const double side = (area.width() - 2 * gap) * 0.28;
    const double middle = area.width() - 2 * gap - 2 * side;
    const double radius = area.width() * 0.05;
    double x = area.left();
    for (const double width : {side, middle, side}) {
        path.addRoundedRect(QRectF(x, area.top(), width, area.height()), radius, radius);
        x += width + gap;
    }
    return path;
}

QString escapedTitle(const std::string& text) {
    // A single "&" would mark a mnemonic.
    return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

QImage statusIconImage(const QString& title, bool appearsDisabled, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(appearsDisabled ? kDisabledOpacity : 1.0);
    const double unit = size / 64.0;
    const QString text = title.trimmed();
    if (text.isEmpty()) {
        strokeAndFill(painter, stripGlyph(QRectF(6 * unit, 14 * unit, 52 * unit, 36 * unit)),
                      2 * unit);
        return image;
    }
    strokeAndFill(painter, stripGlyph(QRectF(12 * unit, 3 * unit, 40 * unit, 22 * unit)),
                  1.5 * unit);
    // The largest bold font whose text fits the lower part of the square.
    const QRectF textArea(1 * unit, 28 * unit, 62 * unit, 35 * unit);
    QFont font;
    font.setBold(true);
    int pixels = int(textArea.height());
    for (; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        const QRectF bounds = QFontMetricsF(font).tightBoundingRect(text);
        if (bounds.width() <= textArea.width() && bounds.height() <= textArea.height()) break;
    }
    font.setPixelSize(pixels);
    QPainterPath path;
    const QRectF bounds = QFontMetricsF(font).tightBoundingRect(text);
    const QPointF origin(textArea.center().x() - bounds.center().x(),
                         textArea.center().y() - bounds.center().y());
    path.addText(origin, font, text);
    strokeAndFill(painter, path, 2.5 * unit);
    return image;
}

QString statusToolTip(const std::string& title) {
    return QStringLiteral("Brindlow") + QString::fromStdString(title);
}

void renderMenu(QMenu& menu, const MenuModel& model) {
    // clear() drops the submenus' actions but not the submenus it parents.
    for (QMenu* old : menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) old->deleteLater();
    menu.clear();
    for (const MenuItem& item : model) {
        switch (item.kind) {
            case MenuItem::Kind::separator:
                menu.addSeparator();
                break;
            case MenuItem::Kind::submenu: {
                QMenu* inner = menu.addMenu(escapedTitle(item.title));
                inner->setEnabled(item.enabled);
                renderMenu(*inner, item.submenu);
                break;
            }
            case MenuItem::Kind::action: {
                QString text = escapedTitle(item.title);
                // Text after a tab is drawn as the item's keys.
                if (!item.shortcutText.empty())
                    text += QLatin1Char('\t') + QString::fromStdString(item.shortcutText);
                QAction* action = menu.addAction(text);
                action->setEnabled(item.enabled);
                if (item.checked) {
                    action->setCheckable(true);
                    action->setChecked(*item.checked);
                }
                if (item.action)
                    QObject::connect(action, &QAction::triggered, [run = item.action] { run(); });
                break;
            }
        }
    }
}

TrayIcon::TrayIcon(MenuBarController& controller) : controller_(controller) {
    menu_.setTitle(QStringLiteral("Brindlow"));
    QObject::connect(&menu_, &QMenu::aboutToShow, this, [this] {
        renderMenu(menu_, controller_.rebuildMenu());
        for (QMenu* inner : menu_.findChildren<QMenu*>()) inner->installEventFilter(this);
        controller_.menuWillOpen();
    });
    menu_.installEventFilter(this);
    QObject::connect(&menu_, &QMenu::aboutToHide, this, [this] { controller_.menuDidClose(); });
    icon_.setContextMenu(&menu_);
    // A plain click opens the menu too, as a status item does.
    QObject::connect(&icon_, &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger && !menu_.isVisible())
                             menu_.popup(QCursor::pos());
                     });
    setTitle({}, false);
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    // A menu closes on Alt. A global shortcut typed while it is open starts with its modifiers;
    // closed by them, the menu would give the shortcuts back before the rest of the keys came,
    // and the shortcut would fire. While it is open none does.
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            return true;
        default:
            return QObject::eventFilter(watched, event);
    }
}

TrayIcon::~TrayIcon() {
    icon_.hide();
    icon_.setContextMenu(nullptr);
}

bool TrayIcon::isTrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::show() {
    icon_.show();
}

void TrayIcon::setTitle(const std::string& title, bool appearsDisabled) {
    picture_ = statusIconImage(QString::fromStdString(title), appearsDisabled);
    icon_.setIcon(QIcon(QPixmap::fromImage(picture_)));
    icon_.setToolTip(statusToolTip(title));
}

}  // namespace brindlow
