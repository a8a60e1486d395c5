#include "overlays/TabularDigits.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace brindlow {

namespace {

double digitCell(const QFontMetricsF& metrics) {
    double widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(digit)));
    return widest;
}

// Calls `run` for each stretch of digits or of other characters, in order.
template <typename Run>
void forEachRun(const QString& text, Run run) {
    qsizetype start = 0;
    while (start < text.size()) {
        const bool digits = text[start].isDigit();
        qsizetype end = start;
        while (end < text.size() && text[end].isDigit() == digits) ++end;
        run(QStringView(text).mid(start, end - start), digits);
        start = end;
    }
}

}  // namespace

double tabularWidth(const QFont& font, const QString& text) {
    const QFontMetricsF metrics(font);
    const double cell = digitCell(metrics);
    double width = 0;
    forEachRun(text, [&](QStringView run, bool digits) {
        width += digits ? cell * double(run.size()) : metrics.horizontalAdvance(run.toString());
    });
    return width;
}

void drawTabular(QPainter& painter, const QPointF& origin, const QFont& font, const QString& text) {
    const QFontMetricsF metrics(font);
    const double cell = digitCell(metrics);
    painter.save();
    painter.setFont(font);
    double x = origin.x();
    forEachRun(text, [&](QStringView run, bool digits) {
        if (!digits) {
            const QString part = run.toString();
            painter.drawText(QPointF(x, origin.y()), part);
            x += metrics.horizontalAdvance(part);
            return;
        }
        for (QChar digit : run) {
            const double own = metrics.horizontalAdvance(digit);
            painter.drawText(QPointF(x + (cell - own) / 2, origin.y()), QString(digit));
            x += cell;
        }
    });
    painter.restore();
}

TabularLabel::TabularLabel() {
    setAttribute(Qt::WA_TranslucentBackground);
}

void TabularLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    updateGeometry();
    update();
}

QSize TabularLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(tabularWidth(font(), text_))), int(std::ceil(metrics.height())));
}

void TabularLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetricsF metrics(font());
    const double baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    drawTabular(painter, QPointF(0, baseline), font(), text_);
}

}  // namespace brindlow
