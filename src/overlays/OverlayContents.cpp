#include "overlays/OverlayContents.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include "overlays/OverlayGeometry.h"
#include "overlays/QtColor.h"

namespace brindlow {

namespace {

class BorderView final : public QWidget {
  public:
    explicit BorderView(const BorderContent& content) : content_(content) {
        setAttribute(Qt::WA_TranslucentBackground);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        const BorderStroke stroke =
            borderStroke(Size{double(width()), double(height())}, content_.width());
        if (stroke.lineWidth <= 0 || stroke.path.width <= 0 || stroke.path.height <= 0) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(toQColor(content_.color()));
        pen.setWidthF(stroke.lineWidth);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const Rect& p = stroke.path;
        painter.drawRoundedRect(QRectF(p.x, p.y, p.width, p.height), stroke.cornerRadius,
                                stroke.cornerRadius);
    }

  private:
    const BorderContent& content_;
};

class DotView final : public QWidget {
  public:
    DotView() { setAttribute(Qt::WA_TranslucentBackground); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const QRectF bounds = QRectF(rect());
        painter.setBrush(Qt::white);
        painter.drawEllipse(bounds);
        painter.setBrush(toQColor(kBadgeRed));
        painter.drawEllipse(bounds.adjusted(2, 2, -2, -2));
    }
};

}  // namespace

BorderContent::BorderContent() = default;
BorderContent::~BorderContent() = default;

bool BorderContent::setStroke(double width, const Color& color) {
    if (width == width_ && color == color_) return false;
    width_ = width;
    color_ = color;
    if (widget_) widget_->update();
    return true;
}

QWidget* BorderContent::widget() {
    if (!widget_) widget_ = std::make_unique<BorderView>(*this);
    return widget_.get();
}

DotContent::DotContent() = default;
DotContent::~DotContent() = default;

QWidget* DotContent::widget() {
    if (!widget_) widget_ = std::make_unique<DotView>();
    return widget_.get();
}

}  // namespace brindlow
