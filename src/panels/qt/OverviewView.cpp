#include "panels/qt/OverviewView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "panels/qt/PanelStyle.h"

namespace brindlow {

namespace {

constexpr int kStackSpacing = 18;
constexpr int kTileSpacing = 6;
constexpr int kCardPadding = int(OverviewGeometry::kCardPadding);
constexpr int kHeaderHeight = 30;
constexpr int kHintHeight = 18;
constexpr int kTabsCaptionHeight = 16;
const char* const kHint =
    "\u2190 \u2192 choose \u00B7 Return jumps \u00B7 drag to reorder \u00B7 Esc closes";

int cardContentHeight(const ColumnSnapshot& column, double scale) {
    if (column.isTabbed) {
        const WindowSnapshot* active = column.activeWindow();
        const int tile = active ? int(OverviewGeometry::tileHeight(*active, scale)) : 0;
        return tile + (active ? kTileSpacing : 0) + kTabsCaptionHeight;
    }
    int height = 0;
    for (size_t i = 0; i < column.windows.size(); ++i)
        height +=
            int(OverviewGeometry::tileHeight(column.windows[i], scale)) + (i ? kTileSpacing : 0);
    return height;
}

}  // namespace

OverviewView::OverviewView(OverviewController& controller, IconSource icons, QWidget* parent)
    : QWidget(parent), controller_(controller), icons_(std::move(icons)) {
    setFocusPolicy(Qt::StrongFocus);
}

OverviewView::Layout OverviewView::layout() const {
    Layout result;
    const auto& display = controller_.model().display;
    if (!display) return result;
    const Size area{double(width()), double(height())};
    result.scale = OverviewGeometry::scale(&*display, area);
    int rowWidth = 0;
    int rowHeight = 0;
    std::vector<QSize> sizes;
    for (const ColumnSnapshot& column : display->columns) {
        const QSize size(int(OverviewGeometry::cardWidth(column, result.scale)) + 2 * kCardPadding,
                         cardContentHeight(column, result.scale) + 2 * kCardPadding);
        sizes.push_back(size);
        rowWidth += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
    rowWidth += int(OverviewGeometry::kCardSpacing) * std::max(0, int(sizes.size()) - 1);
    const int pad = int(OverviewGeometry::kSidePadding);
    const int total =
        kHeaderHeight + kStackSpacing + rowHeight + 2 * pad + kStackSpacing + kHintHeight;
    const int top = (height() - total) / 2;
    result.header = QRect(0, top, width(), kHeaderHeight);
    // Centred; a row wider than the panel scrolls between its paddings.
    result.overflow = std::max(0, rowWidth + 2 * pad - width());
    int x =
        result.overflow > 0 ? pad - std::min(scroll_, result.overflow) : (width() - rowWidth) / 2;
    const int cardsTop = top + kHeaderHeight + kStackSpacing + pad;
    for (const QSize& size : sizes) {
        result.cards.emplace_back(x, cardsTop, size.width(), size.height());
        x += size.width() + int(OverviewGeometry::kCardSpacing);
    }
    result.hint = QRect(0, cardsTop + rowHeight + pad + kStackSpacing, width(), kHintHeight);
    return result;
}

QRect OverviewView::cardRect(int index) const {
    const Layout l = layout();
    return index >= 0 && index < int(l.cards.size()) ? l.cards[size_t(index)] : QRect();
}

void OverviewView::modelChanged() {
    const Layout l = layout();
    const int selection = controller_.model().selection;
    if (l.overflow == 0) {
        scroll_ = 0;
    } else if (selection >= 0 && selection < int(l.cards.size())) {
        // The least scrolling that shows the whole selected card.
        const QRect card = l.cards[size_t(selection)];
        const int pad = int(OverviewGeometry::kSidePadding);
        if (card.left() < pad) scroll_ -= pad - card.left();
        if (card.right() > width() - pad) scroll_ += card.right() - (width() - pad);
        scroll_ = std::clamp(scroll_, 0, l.overflow);
    }
    update();
}

void OverviewView::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const int step = delta.x() != 0 ? delta.x() : delta.y();
    scroll_ = std::clamp(scroll_ - step, 0, layout().overflow);
    update();
}

int OverviewView::cardAt(QPoint point) const {
    const Layout l = layout();
    for (int i = 0; i < int(l.cards.size()); ++i)
        if (l.cards[size_t(i)].contains(point)) return i;
    return -1;
}

// Under the header and the hint: the backdrop lets the windows below show through, and their
// text would run into ours.
void OverviewView::plate(QPainter& painter, const QRect& text) {
    const QRectF around = QRectF(text).adjusted(-12, 1, 12, -1);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(PanelStyle::frostedFill());
    painter.drawRoundedRect(around, around.height() / 2, around.height() / 2);
    painter.restore();
}

void OverviewView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0, 0, 0, int(std::lround(0.45 * 255))));
    const auto& display = controller_.model().display;
    if (!display) return;
    const Layout l = layout();

    // Header: the display's name and, with a focused column, its position.
    const QFont nameFont = PanelStyle::systemFont(15, true);
    const QFont positionFont = PanelStyle::systemFont(12);
    const QString name = PanelStyle::text(display->name);
    QString position;
    if (display->focusedIndex)
        position = QString("%1 of %2").arg(*display->focusedIndex + 1).arg(display->columns.size());
    const int nameWidth = QFontMetrics(nameFont).horizontalAdvance(name);
    const int gap = position.isEmpty() ? 0 : 8;
    const int positionWidth = QFontMetrics(positionFont).horizontalAdvance(position);
    int x = (width() - nameWidth - gap - positionWidth) / 2;
    plate(painter, QRect(x, l.header.y(), nameWidth + gap + positionWidth, l.header.height()));
    painter.setPen(Qt::white);
    painter.setFont(nameFont);
    painter.drawText(QRect(x, l.header.y(), nameWidth + 2, l.header.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, name);
    if (!position.isEmpty()) {
        painter.setFont(positionFont);
        painter.setPen(QColor(255, 255, 255, 170));
        painter.drawText(
            QRect(x + nameWidth + gap, l.header.y(), positionWidth + 2, l.header.height()),
            Qt::AlignLeft | Qt::AlignVCenter, position);
    }

    // Cards; the dragged one last, so it is above its neighbours.
    auto paintAt = [&](int i) {
        QRect card = l.cards[size_t(i)];
        if (dragging_ == i) card.translate(int(std::lround(dragOffset_)), 0);
        paintCard(painter, display->columns[size_t(i)], card, l.scale,
                  i == controller_.model().selection, display->focusedIndex == i);
    };
    for (int i = 0; i < int(l.cards.size()); ++i)
        if (dragging_ != i) paintAt(i);
    if (dragging_ && *dragging_ < int(l.cards.size())) paintAt(*dragging_);

    painter.setFont(PanelStyle::captionFont());
    const int hintWidth = QFontMetrics(painter.font()).horizontalAdvance(kHint);
    plate(painter,
          QRect(l.hint.center().x() - hintWidth / 2, l.hint.y(), hintWidth, l.hint.height()));
    painter.setPen(QColor(255, 255, 255, int(std::lround(0.7 * 255))));
    painter.drawText(l.hint, Qt::AlignHCenter | Qt::AlignVCenter, kHint);
}

void OverviewView::paintCard(QPainter& painter, const ColumnSnapshot& column, QRect card,
                             double scale, bool selected, bool focused) const {
    const QRect inner = card.adjusted(kCardPadding, kCardPadding, -kCardPadding, -kCardPadding);
    const int tileWidth = inner.width();
    int y = inner.y();
    std::vector<const WindowSnapshot*> tiles;
    if (column.isTabbed) {
        if (const WindowSnapshot* active = column.activeWindow()) tiles.push_back(active);
    } else {
        for (const WindowSnapshot& window : column.windows) tiles.push_back(&window);
    }
    for (const WindowSnapshot* window : tiles) {
        const int tileHeight = int(OverviewGeometry::tileHeight(*window, scale));
        const QRect tile(inner.x(), y, tileWidth, tileHeight);
        painter.save();
        painter.setOpacity(window->isParked ? 0.75 : 1.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(PanelStyle::regularMaterial());
        painter.drawRoundedRect(tile, 10, 10);
        const QRect content = tile.adjusted(8, 8, -8, -8);
        const QFont caption = PanelStyle::captionFont();
        const QFontMetrics metrics(caption);
        const int textHeight = metrics.height() * 2;
        const int block =
            40 + kTileSpacing + textHeight + (window->hasBadge ? kTileSpacing + 8 : 0);
        int cy = content.y() + std::max(0, (content.height() - block) / 2);
        painter.drawPixmap(QRect(content.center().x() - 20, cy, 40, 40),
                           PanelStyle::iconPixmap(icons_ ? icons_(window->pid) : Image{}, 40));
        cy += 40 + kTileSpacing;
        painter.setFont(caption);
        painter.setPen(PanelStyle::primaryText());
        // Plain text, at most two lines.
        const QString title = PanelStyle::text(window->title.empty() ? window->app : window->title);
        painter.drawText(QRect(content.x(), cy, content.width(), textHeight),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         metrics.elidedText(title, Qt::ElideRight, content.width() * 2 - 8));
        cy += textHeight + kTileSpacing;
        if (window->hasBadge) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(PanelStyle::badgeRed());
            painter.drawEllipse(QRect(content.center().x() - 4, cy, 8, 8));
        }
        painter.restore();
        y += tileHeight + kTileSpacing;
    }
    if (column.isTabbed) {
        painter.setFont(PanelStyle::systemFont(8));
        painter.setPen(QColor(255, 255, 255, int(std::lround(0.8 * 255))));
        painter.drawText(QRect(inner.x(), y, tileWidth, kTabsCaptionHeight), Qt::AlignCenter,
                         QString("%1 tabs").arg(column.windows.size()));
    }
    if (selected || focused) {
        painter.setPen(QPen(selected ? PanelStyle::accent() : QColor(255, 255, 255, 153), 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(card).adjusted(1.5, 1.5, -1.5, -1.5), 12, 12);
    }
}

void OverviewView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int card = cardAt(event->position().toPoint());
    if (card < 0) {
        // The backdrop closes the overview.
        controller_.hide();
        return;
    }
    pressed_ = card;
    pressPoint_ = event->position().toPoint();
}

void OverviewView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_) return;
    const QPoint delta = event->position().toPoint() - pressPoint_;
    if (!dragging_ && std::hypot(delta.x(), delta.y()) < OverviewGeometry::kDragThreshold) return;
    dragging_ = pressed_;
    dragOffset_ = delta.x();
    update();
}

void OverviewView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    const int index = *pressed_;
    pressed_.reset();
    if (dragging_) {
        const double dx = event->position().x() - pressPoint_.x();
        dragging_.reset();
        dragOffset_ = 0;
        const auto& display = controller_.model().display;
        if (display && index < int(display->columns.size())) {
            const double width = OverviewGeometry::cardWidth(
                display->columns[size_t(index)],
                OverviewGeometry::scale(&*display, {double(this->width()), double(height())}));
            controller_.dragEnded(index, dx, width);
        }
        update();
        return;
    }
    controller_.choose(index);
}

}  // namespace brindlow
