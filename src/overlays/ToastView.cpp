#include "overlays/ToastView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QWidget>

#include "overlays/Appearance.h"
#include "overlays/OverlayGeometry.h"
#include "overlays/TabularDigits.h"

namespace brindlow {

namespace {

constexpr double kCorner = 16;
const QColor kOrange(255, 149, 0);
const QColor kPrimary(255, 255, 255);
const QColor kSecondary(255, 255, 255, 150);

QFont fontOfSize(int pixels, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QLabel* makeLabel(int pixels, QFont::Weight weight, const QColor& color, bool wraps) {
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setFont(fontOfSize(pixels, weight));
    label->setWordWrap(wraps);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

// The size bar's figures: 11 points, with digits that keep their width as the numbers change.
TabularLabel* makeFigures(const QColor& color) {
    auto* label = new TabularLabel;
    label->setFont(fontOfSize(11));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

// A circle of orange at low opacity behind a split-window glyph (two stacked panes).
class SymbolView final : public QWidget {
  public:
    SymbolView() { setFixedSize(32, 32); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        QColor disc = kOrange;
        disc.setAlphaF(0.18f);
        painter.setBrush(disc);
        painter.drawEllipse(QRectF(0, 0, 32, 32));
        QPen pen(kOrange);
        pen.setWidthF(1.6);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(9.5, 9.5, 13, 13), 2.5, 2.5);
        painter.drawLine(QPointF(9.5, 16), QPointF(22.5, 16));
    }
};

// The bar itself: the screen's share in grey, what does not fit in orange.
class SizeBarLine final : public QWidget {
  public:
    SizeBarLine() { setFixedHeight(6); }
    void setFigures(double needed, double available) {
        needed_ = needed;
        available_ = available;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        const SizeBarParts parts = sizeBarParts(width(), needed_, available_);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        QColor grey = kPrimary;
        grey.setAlphaF(0.2f);
        const double h = height();
        if (parts.grey > 0) {
            painter.setBrush(grey);
            painter.drawRoundedRect(QRectF(0, 0, parts.grey, h), h / 2, h / 2);
        }
        if (parts.orange > 0) {
            painter.setBrush(kOrange);
            painter.drawRoundedRect(QRectF(parts.grey + kSizeBarGap, 0, parts.orange, h), h / 2,
                                    h / 2);
        }
    }

  private:
    double needed_ = 1;
    double available_ = 0;
};

}  // namespace

class ToastView::Widget final : public QWidget {
  public:
    Widget() {
        setAttribute(Qt::WA_TranslucentBackground);
        setFixedWidth(kWidth);
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(14, 14, 14, 14);
        row->setSpacing(12);
        row->setAlignment(Qt::AlignTop);
        row->addWidget(new SymbolView, 0, Qt::AlignTop);

        auto* texts = new QVBoxLayout;
        texts->setSpacing(3);
        title_ = makeLabel(13, QFont::DemiBold, kPrimary, true);
        detail_ = makeLabel(12, QFont::Normal, kSecondary, true);
        texts->addWidget(title_);
        texts->addWidget(detail_);

        bar_ = new QWidget;
        auto* barColumn = new QVBoxLayout(bar_);
        barColumn->setContentsMargins(0, 7, 0, 0);
        barColumn->setSpacing(4);
        line_ = new SizeBarLine;
        barColumn->addWidget(line_);
        auto* labels = new QHBoxLayout;
        labels->setContentsMargins(0, 0, 0, 0);
        screen_ = makeFigures(kSecondary);
        needed_ = makeFigures(kOrange);
        labels->addWidget(screen_);
        labels->addStretch(1);
        labels->addWidget(needed_);
        barColumn->addLayout(labels);
        texts->addWidget(bar_);
        row->addLayout(texts, 1);
    }

    void present(const ToastMessage& message) {
        title_->setText(QString::fromStdString(message.title));
        detail_->setText(QString::fromStdString(message.detail));
        const bool barShown =
            message.needed && message.available && *message.available < *message.needed;
        bar_->setVisible(barShown);
        if (barShown) {
            line_->setFigures(double(*message.needed), double(*message.available));
            screen_->setText(QString("Screen %1 pt").arg(qlonglong(*message.available)));
            needed_->setText(QString("Needed %1 pt").arg(qlonglong(*message.needed)));
        }
        layout()->invalidate();
        layout()->activate();
        update();
    }

    int fittingHeight() {
        layout()->activate();
        const int h = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(kWidth)
                                                    : layout()->totalSizeHint().height();
        return std::max(h, layout()->totalMinimumSize().height());
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect());
        QPainterPath shape;
        shape.addRoundedRect(bounds, kCorner, kCorner);
        // The frosted material becomes a dark, nearly opaque fill (opaque without a compositor).
        painter.fillPath(shape, QColor(36, 36, 40, kMaterialAlpha));
        QColor edge = kPrimary;
        edge.setAlphaF(0.1f);
        QPen pen(edge);
        pen.setWidthF(1);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), kCorner - 0.5,
                                kCorner - 0.5);
    }

  private:
    QLabel* title_ = nullptr;
    QLabel* detail_ = nullptr;
    QWidget* bar_ = nullptr;
    SizeBarLine* line_ = nullptr;
    TabularLabel* screen_ = nullptr;
    TabularLabel* needed_ = nullptr;
};

ToastView::ToastView() = default;
ToastView::~ToastView() = default;

ToastView::Widget* ToastView::view() {
    if (!widget_) {
        widget_ = std::make_unique<Widget>();
        widget_->present(message_);
    }
    return widget_.get();
}

void ToastView::setMessage(const ToastMessage& message) {
    message_ = message;
    if (widget_) widget_->present(message);
}

Size ToastView::fittingSize() {
    return {double(kWidth), double(view()->fittingHeight())};
}

QWidget* ToastView::widget() {
    return view();
}

}  // namespace brindlow
