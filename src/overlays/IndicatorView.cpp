#include "overlays/IndicatorView.h"

#include <QEvent>
#include <QHelpEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWidget>
#include <map>
#include <set>

#include "overlays/Appearance.h"
#include "overlays/IndicatorGeometry.h"
#include "overlays/OverlayContents.h"
#include "overlays/QtColor.h"
#include "overlays/TabularDigits.h"

namespace brindlow {

namespace {

constexpr double kPadding = 14;
constexpr double kSpacing = 10;
constexpr double kIconSize = 30;
constexpr double kPinSize = 8;

QImage toQImage(const Image& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.argb.size() < std::size_t(image.width) * std::size_t(image.height)) {
        return {};
    }
    QImage copy(reinterpret_cast<const uchar*>(image.argb.data()), image.width, image.height,
                image.width * 4, QImage::Format_ARGB32);
    return copy.copy();
}

// The icon theme's pin when it has one; else a small white pushpin, needle to the lower left.
void paintPin(QPainter& painter, const QRectF& box) {
    if (const QIcon themed = QIcon::fromTheme(QStringLiteral("pin")); !themed.isNull()) {
        const qreal scale = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        const QPixmap pixmap = themed.pixmap(box.size().toSize(), scale);
        if (!pixmap.isNull()) {
            painter.drawPixmap(box, pixmap, QRectF(pixmap.rect()));
            return;
        }
    }
    painter.save();
    const double x = box.left();
    const double y = box.top();
    const double unit = box.width() / 8;
    QPen needle(Qt::white, 1.2 * unit, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(needle);
    painter.drawLine(QPointF(x + 0.8 * unit, y + 7.2 * unit), QPointF(x + 4 * unit, y + 4 * unit));
    // The plate across the needle, then the head.
    painter.setPen(QPen(Qt::white, 1.5 * unit, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(x + 2.6 * unit, y + 2.8 * unit),
                     QPointF(x + 5.2 * unit, y + 5.4 * unit));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(x + 5.4 * unit, y + 2.6 * unit), 2.3 * unit, 2.3 * unit);
    painter.restore();
}

QFont labelFont() {
    QFont font;
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    return font;
}

}  // namespace

class IndicatorView::Widget final : public QWidget {
  public:
    explicit Widget(IndicatorView& owner) : owner_(owner) {
        setAttribute(Qt::WA_TranslucentBackground);
        showToolTipsInactive();
        setMouseTracking(true);
    }

    // Qt shows a tooltip only in the active window unless the top-level window says otherwise,
    // and the pill's window never takes the focus.
    void showToolTipsInactive() { window()->setAttribute(Qt::WA_AlwaysShowToolTips); }

    // The left edge of the first cell, the pill's content being centred.
    double cellsLeft() const {
        const auto& display = owner_.display_;
        if (!display) return 0;
        double content = kIndicatorSlot * double(display->columns.size());
        if (display->focusedIndex) content += kSpacing + tabularWidth(labelFont(), label());
        return (width() - content) / 2;
    }

    // Icons of applications no longer on the display go: short-lived applications must not
    // pile up, and a process id that comes back may belong to another application.
    void keepIconsOf(const DisplaySnapshot& display) {
        std::set<std::int32_t> shown;
        for (const ColumnSnapshot& column : display.columns)
            for (const WindowSnapshot& window : column.windows) shown.insert(window.pid);
        std::erase_if(icons_, [&](const auto& entry) { return !shown.contains(entry.first); });
    }
    std::size_t iconCount() const { return icons_.size(); }

    QString label() const {
        const auto& display = owner_.display_;
        if (!display || !display->focusedIndex) return {};
        return QString("%1 of %2")
            .arg(qlonglong(*display->focusedIndex + 1))
            .arg(qlonglong(display->columns.size()));
    }

    std::optional<int> cellAt(QPointF point) const {
        const auto& display = owner_.display_;
        if (!display) return std::nullopt;
        const double top = (height() - kIndicatorCellHeight) / 2;
        if (point.y() < top || point.y() >= top + kIndicatorCellHeight) return std::nullopt;
        const double offset = point.x() - cellsLeft();
        if (offset < 0) return std::nullopt;
        const auto index = std::size_t(offset / kIndicatorSlot);
        if (index >= display->columns.size()) return std::nullopt;
        return int(index);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath pill;
        pill.addRoundedRect(QRectF(rect()), 14, 14);
        // The frosted material becomes a dark, nearly opaque fill.
        painter.fillPath(pill, QColor(36, 36, 40, kMaterialAlpha));
        painter.setClipPath(pill);
        const auto& display = owner_.display_;
        if (!display) return;
        const double left = cellsLeft();
        const double top = (height() - kIndicatorCellHeight) / 2;
        for (std::size_t i = 0; i < display->columns.size(); ++i) {
            if (dragging_ && std::size_t(*dragging_) == i) continue;  // drawn last, above the rest
            paintCell(painter, i, QPointF(left + kIndicatorSlot * double(i), top));
        }
        if (dragging_) {
            paintCell(painter, std::size_t(*dragging_),
                      QPointF(left + kIndicatorSlot * *dragging_ + dragOffset_, top));
        }
        if (display->focusedIndex) {
            const QFont font = labelFont();
            const QFontMetricsF metrics(font);
            painter.setPen(QColor(255, 255, 255, 150));
            const double x = left + kIndicatorSlot * double(display->columns.size()) + kSpacing;
            const double baseline = (height() - metrics.height()) / 2 + metrics.ascent();
            drawTabular(painter, QPointF(x, baseline), font, label());
        }
    }

    void paintCell(QPainter& painter, std::size_t index, QPointF origin) {
        const DisplaySnapshot& display = *owner_.display_;
        const ColumnSnapshot& column = display.columns[index];
        const bool focused = display.focusedIndex && std::size_t(*display.focusedIndex) == index;
        const std::size_t shown = std::min<std::size_t>(3, column.windows.size());
        // The icon group: 30-point icons, each later one 4 right and 3 up, with 4 of padding.
        const double groupWidth = kIconSize + 4.0 * double(shown ? shown - 1 : 0) + 8;
        const double groupHeight = kIconSize + 3.0 * double(shown ? shown - 1 : 0) + 8;
        const QRectF group(origin.x() + (kIndicatorSlot - groupWidth) / 2,
                           origin.y() + (kIndicatorCellHeight - groupHeight) / 2, groupWidth,
                           groupHeight);
        if (focused) {
            QColor fill = toQColor(accentColor());
            fill.setAlphaF(0.35f);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            painter.drawRoundedRect(group, 9, 9);
        }
        for (std::size_t k = 0; k < shown; ++k) {
            const WindowSnapshot& window = column.windows[k];
            const QRectF target(group.left() + 4 + 4.0 * double(k),
                                group.bottom() - 4 - kIconSize - 3.0 * double(k), kIconSize,
                                kIconSize);
            painter.setOpacity(window.isParked && !focused ? 0.55 : 1.0);
            const QImage icon = iconFor(window.pid);
            if (!icon.isNull()) {
                painter.drawImage(target, icon);
            } else {
                painter.setPen(QPen(QColor(220, 220, 225), 1.5));
                painter.setBrush(QColor(90, 90, 100));
                painter.drawRoundedRect(target.adjusted(2, 4, -2, -4), 3, 3);
            }
            painter.setOpacity(1.0);
        }
        if (column.pin) {
            // At the group's bottom-left corner, 2 right and 2 down.
            paintPin(painter,
                     QRectF(group.left() + 2, group.bottom() + 2 - kPinSize, kPinSize, kPinSize));
        }
        const bool badged = std::any_of(column.windows.begin(), column.windows.end(),
                                        [](const WindowSnapshot& w) { return w.hasBadge; });
        if (badged) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(toQColor(kBadgeRed));
            painter.drawEllipse(QRectF(group.right() - 2 - 9, group.top() + 2, 9, 9));
        }
    }

    QImage iconFor(std::int32_t pid) {
        auto found = icons_.find(pid);
        if (found != icons_.end()) return found->second;
        QImage icon = owner_.icons_ ? toQImage(owner_.icons_(pid)) : QImage();
        icons_.emplace(pid, icon);
        return icon;
    }

    bool event(QEvent* e) override {
        if (e->type() == QEvent::ParentChange) showToolTipsInactive();
        if (e->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(e);
            const auto cell = cellAt(help->pos());
            if (!cell) {
                QToolTip::hideText();
                return true;
            }
            const ColumnSnapshot& column = owner_.display_->columns[std::size_t(*cell)];
            // Application names and titles are text, never markup; each window keeps one line,
            // where a rich-text tooltip would wrap at a hyphen or a space.
            const QString escaped = QString::fromStdString(indicatorTooltip(column))
                                        .toHtmlEscaped()
                                        .replace("\n", "<br>");
            QToolTip::showText(help->globalPos(), "<p style='white-space:pre'>" + escaped + "</p>",
                               this);
            return true;
        }
        return QWidget::event(e);
    }

    void enterEvent(QEnterEvent*) override {
        if (owner_.handlers_.hoverChanged) owner_.handlers_.hoverChanged(true);
    }
    void leaveEvent(QEvent*) override {
        if (owner_.handlers_.hoverChanged) owner_.handlers_.hoverChanged(false);
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        pressed_ = cellAt(e->position());
        pressPoint_ = e->position();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!pressed_) return;
        const QPointF delta = e->position() - pressPoint_;
        if (!dragging_ && indicatorIsDrag(delta.x(), delta.y())) dragging_ = pressed_;
        if (dragging_) {
            dragOffset_ = delta.x();
            update();
        }
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !pressed_) return;
        const int index = *pressed_;
        const bool dragged = dragging_.has_value();
        const double translation = e->position().x() - pressPoint_.x();
        pressed_.reset();
        dragging_.reset();
        dragOffset_ = 0;
        update();
        const auto& display = owner_.display_;
        if (!display || std::size_t(index) >= display->columns.size()) return;
        if (dragged) {
            const int target = indicatorReorderTarget(index, translation, display->columns.size());
            if (owner_.handlers_.reorder) owner_.handlers_.reorder(index, target);
        } else if (const auto window = indicatorClickTarget(display->columns[std::size_t(index)])) {
            if (owner_.handlers_.jump) owner_.handlers_.jump(*window);
        }
    }

  private:
    IndicatorView& owner_;
    std::map<std::int32_t, QImage> icons_;
    std::optional<int> pressed_;
    QPointF pressPoint_;
    std::optional<int> dragging_;
    double dragOffset_ = 0;
};

IndicatorView::IndicatorView(IconProvider icons) : icons_(std::move(icons)) {}
IndicatorView::~IndicatorView() = default;

void IndicatorView::setDisplay(const DisplaySnapshot& display) {
    display_ = display;
    if (!widget_) return;
    widget_->keepIconsOf(display);
    widget_->update();
}

std::size_t IndicatorView::cachedIconCount() const {
    return widget_ ? widget_->iconCount() : 0;
}

void IndicatorView::setHandlers(Handlers handlers) {
    handlers_ = std::move(handlers);
}

QWidget* IndicatorView::widget() {
    if (!widget_) widget_ = std::make_unique<Widget>(*this);
    return widget_.get();
}

}  // namespace brindlow
