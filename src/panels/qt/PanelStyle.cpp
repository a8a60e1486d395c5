#include "panels/qt/PanelStyle.h"

#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QPainter>

namespace brindlow::PanelStyle {

QColor frostedFill() {
    return QColor(32, 33, 36, kMaterialAlpha);
}

QColor regularMaterial() {
    return QColor(58, 60, 66, kMaterialAlpha);
}

QColor accent() {
    return QColor(0x4C, 0x8D, 0xFF);
}

QColor primaryText() {
    return QColor(240, 240, 240);
}

QColor secondaryText() {
    return QColor(160, 163, 170);
}

QColor badgeRed() {
    return QColor(255, 59, 48);
}

QFont systemFont(double pointSize, bool bold) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont captionFont() {
    return systemFont(9);
}

QFont monospaceFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(10);
    return font;
}

QPixmap iconPixmap(const Image& image, int side) {
    if (image.width > 0 && image.height > 0 &&
        image.argb.size() >= size_t(image.width) * size_t(image.height)) {
        QImage picture(reinterpret_cast<const uchar*>(image.argb.data()), image.width, image.height,
                       image.width * 4, QImage::Format_ARGB32);
        return QPixmap::fromImage(
            picture.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    // A generic window: a rounded frame with a title bar.
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(side * 0.08, side * 0.15, side * 0.84, side * 0.7);
    painter.setPen(QPen(secondaryText(), std::max(1.0, side / 20.0)));
    painter.setBrush(QColor(70, 72, 78));
    painter.drawRoundedRect(frame, side * 0.08, side * 0.08);
    painter.fillRect(QRectF(frame.x(), frame.y(), frame.width(), frame.height() * 0.22),
                     secondaryText());
    return pixmap;
}

QLabel* plainLabel(const QString& text, const QFont& font, const QColor& color) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    if (color.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
    return label;
}

}  // namespace brindlow::PanelStyle
