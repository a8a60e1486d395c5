#include "app/qt/StatusIcon.h"

#include <QFont>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>

namespace brindlow {

namespace {

const QColor kPlate(0x26, 0x28, 0x2C);
const QColor kPausedPlate(0x6A, 0x6E, 0x75);
const QColor kRim(0xFF, 0xFF, 0xFF, 0x38);
const QColor kInk(0xF4, 0xF4, 0xF4);
const QColor kFocusBlue(0x4C, 0x8D, 0xFF);
const QColor kBadgeRed(0xFF, 0x3B, 0x30);
// Narrower than this and digits stop reading as themselves.
constexpr double kNarrowestDigits = 0.72;

void drawPlate(QPainter& painter, const QRectF& square, const QColor& colour) {
    const double radius = square.width() * 0.2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(square, radius, radius);
    // A faint light rim keeps the plate's edge on a dark tray.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kRim, 1.0));
    painter.drawRoundedRect(square.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

// Three columns across `area`, the middle one wider and blue; edges on whole pixels, so that
// small sizes stay crisp.
void drawColumns(QPainter& painter, const QRectF& area) {
    const double gap = std::max(1.0, std::round(area.width() * 0.09));
    const double side = std::max(1.0, std::round((area.width() - 2 * gap) * 0.27));
    const double middle = area.width() - 2 * gap - 2 * side;
    const double radius = std::min(1.5, area.width() * 0.04);
    painter.setPen(Qt::NoPen);
    double x = area.left();
    int index = 0;
    for (const double width : {side, middle, side}) {
        painter.setBrush(index == 1 ? kFocusBlue : kInk);
        painter.drawRoundedRect(QRectF(x, area.top(), width, area.height()), radius, radius);
        x += width + gap;
        ++index;
    }
}

// `text` as large as it fits `area`, squeezed sideways a little before it gets shorter.
void drawFittedText(QPainter& painter, const QString& text, const QRectF& area) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(100);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF bounds = path.boundingRect();
    if (bounds.isEmpty()) return;
    double high = area.height() / bounds.height();
    double wide = std::min(high, area.width() / bounds.width());
    if (wide < high * kNarrowestDigits) high = wide / kNarrowestDigits;
    QTransform fit;
    fit.translate(area.center().x(), area.center().y());
    fit.scale(wide, high);
    fit.translate(-bounds.center().x(), -bounds.center().y());
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawPath(fit.map(path));
}

void drawPause(QPainter& painter, const QRectF& square) {
    const double s = square.width();
    const double bar = std::max(2.0, std::round(s * 0.17));
    const double height = std::round(s * 0.5);
    const double space = std::max(2.0, std::round(s * 0.14));
    const double left = square.left() + std::round((s - 2 * bar - space) / 2);
    const double top = square.top() + std::round((s - height) / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawRect(QRectF(left, top, bar, height));
    painter.drawRect(QRectF(left + bar + space, top, bar, height));
}

void drawBadge(QPainter& painter, const QRectF& square) {
    const double s = square.width();
    const double diameter = std::max(6.0, std::round(s * 0.42));
    const QRectF dot(square.right() - diameter, square.top(), diameter, diameter);
    // A ring of the tray's own emptiness would vanish on a dark tray: a light one.
    painter.setPen(QPen(kInk, std::max(1.0, s / 24.0)));
    painter.setBrush(kBadgeRed);
    painter.drawEllipse(dot.adjusted(0.5, 0.5, -0.5, -0.5));
}

class StatusIconEngine final : public QIconEngine {
  public:
    explicit StatusIconEngine(StatusIconState state) : state_(std::move(state)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const int side = std::min(rect.width(), rect.height());
        if (side <= 0) return;
        const QPoint at(rect.x() + (rect.width() - side) / 2,
                        rect.y() + (rect.height() - side) / 2);
        painter->drawImage(at, statusIconImage(state_, side));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap drawn(size);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return drawn;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    }
    QIconEngine* clone() const override { return new StatusIconEngine(state_); }
    QString key() const override { return QStringLiteral("brindlow-status"); }

  private:
    StatusIconState state_;
};

}  // namespace

StatusIconState statusIconState(const QString& title, bool appearsDisabled) {
    StatusIconState state;
    state.paused = appearsDisabled || title.contains(QChar(0x2016));
    state.badge = title.contains(QChar(0x25CF));
    for (const QString& word : title.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (word.contains(QLatin1Char('/')) && word.front().isDigit()) state.position = word;
    if (state.paused) state.position.clear();
    return state;
}

void drawAppGlyph(QPainter& painter, const QRectF& square) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    drawPlate(painter, square, kPlate);
    const double s = square.width();
    const double inset = std::round(s * 0.19);
    drawColumns(painter, square.adjusted(inset, inset, -inset, -inset));
    painter.restore();
}

QImage appIconImage(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawAppGlyph(painter, QRectF(0, 0, side, side));
    return image;
}

QImage statusIconImage(const StatusIconState& state, int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square(0, 0, side, side);
    const double s = side;
    if (state.paused) {
        drawPlate(painter, square, kPausedPlate);
        drawPause(painter, square);
    } else if (!state.position.isEmpty()) {
        drawPlate(painter, square, kPlate);
        const double margin = std::max(1.0, std::round(s * 0.08));
        double textTop = margin + 1;
        // Room for a band of the glyph above the digits from 20 pixels on.
        if (side >= 20) {
            const double band = std::round(s * 0.2);
            const double inset = std::round(s * 0.22);
            drawColumns(painter, QRectF(inset, margin + 1, s - 2 * inset, band));
            textTop = margin + 1 + band + std::max(1.0, std::round(s * 0.07));
        }
        drawFittedText(painter, state.position,
                       QRectF(margin, textTop, s - 2 * margin, s - margin - 1 - textTop));
    } else {
        drawAppGlyph(painter, square);
    }
    if (state.badge) drawBadge(painter, square);
    return image;
}

QImage statusIconImage(const QString& title, bool appearsDisabled, int side) {
    return statusIconImage(statusIconState(title, appearsDisabled), side);
}

QIcon statusIcon(const StatusIconState& state) {
    return QIcon(new StatusIconEngine(state));
}

}  // namespace brindlow
