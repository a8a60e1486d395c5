#include "overlays/GapView.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "overlays/DesktopPictureSelection.h"

namespace brindlow {

class GapView::Widget final : public QWidget {
  public:
    explicit Widget(GapView& owner) : owner_(owner) { setAttribute(Qt::WA_TranslucentBackground); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const auto& picture = owner_.picture_;
        const auto target =
            picture ? gapPictureRect(Size{double(picture->width), double(picture->height)},
                                     owner_.screen_, owner_.slice_)
                    : std::nullopt;
        if (!target) {
            // The frosted material becomes a dark translucent fill.
            painter.fillRect(rect(), QColor(30, 30, 34, 220));
            return;
        }
        if (converted_.first != picture) {
            const QImage view(reinterpret_cast<const uchar*>(picture->argb.data()), picture->width,
                              picture->height, picture->width * 4, QImage::Format_ARGB32);
            converted_ = {picture, view.copy()};
        }
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(target->x, target->y, target->width, target->height),
                          converted_.second);
    }

  private:
    GapView& owner_;
    std::pair<std::shared_ptr<const Image>, QImage> converted_;
};

GapView::GapView() = default;
GapView::~GapView() = default;

void GapView::show(std::shared_ptr<const Image> picture, const Rect& screen, const Rect& slice) {
    picture_ = std::move(picture);
    screen_ = screen;
    slice_ = slice;
    if (widget_) widget_->update();
}

QWidget* GapView::widget() {
    if (!widget_) widget_ = std::make_unique<Widget>(*this);
    return widget_.get();
}

}  // namespace brindlow
