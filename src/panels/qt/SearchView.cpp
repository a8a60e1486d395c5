#include "panels/qt/SearchView.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "panels/qt/PanelStyle.h"

namespace brindlow {

namespace {

QPixmap magnifier(int side) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(PanelStyle::secondaryText(), 2));
    painter.drawEllipse(QRectF(2, 2, side * 0.6, side * 0.6));
    painter.drawLine(QPointF(side * 0.58, side * 0.58), QPointF(side - 2, side - 2));
    return pixmap;
}

}  // namespace

SearchView::SearchView(SearchModel& model, IconSource icons, std::function<void(int)> onChoose,
                       QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 16, 16, 16);
    // Its own gap: a nested layout otherwise takes the column's spacing of 0, and the caret
    // touches the magnifier.
    header->setSpacing(8);
    auto* icon = new QLabel;
    icon->setPixmap(magnifier(20));
    header->addWidget(icon);
    field_ = new QLineEdit;
    field_->setPlaceholderText("Search windows");
    field_->setFrame(false);
    field_->setFont(PanelStyle::systemFont(15));
    QPalette palette = field_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, PanelStyle::primaryText());
    palette.setColor(QPalette::PlaceholderText, PanelStyle::secondaryText());
    field_->setPalette(palette);
    header->addWidget(field_, 1);
    column->addLayout(header);

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setStyleSheet("color: rgba(255, 255, 255, 40);");
    column->addWidget(divider);

    scroll_ = new QScrollArea;
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(true);
    // The panel's own fill shows through the list.
    scroll_->setStyleSheet(
        "QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }");
    list_ = new SearchResultsList(model_, std::move(icons), std::move(onChoose), scroll_);
    scroll_->setWidget(list_);
    column->addWidget(scroll_, 1);

    QObject::connect(field_, &QLineEdit::textEdited,
                     [this](const QString& text) { model_.setQuery(text.toStdString()); });
    setFocusProxy(field_);
    modelChanged();
}

void SearchView::modelChanged() {
    const QString query = PanelStyle::text(model_.query());
    if (field_->text() != query) field_->setText(query);
    list_->relayout();
    const int selection = model_.selection();
    if (selection >= 0 && selection < int(model_.results().size())) {
        const QRect row = list_->rowRect(selection);
        scroll_->ensureVisible(row.center().x(), row.center().y(), 0, row.height() / 2 + 8);
    }
    list_->update();
}

void SearchView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(PanelStyle::frostedFill());
    painter.drawRoundedRect(rect(), kCornerRadius, kCornerRadius);
}

void SearchView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    field_->setFocus();
}

SearchResultsList::SearchResultsList(SearchModel& model, SearchView::IconSource icons,
                                     std::function<void(int)> onChoose, QWidget* parent)
    : QWidget(parent), model_(model), icons_(std::move(icons)), onChoose_(std::move(onChoose)) {}

QRect SearchResultsList::rowRect(int index) const {
    return {kPadding, kPadding + index * (kRowHeight + kRowSpacing), width() - 2 * kPadding,
            kRowHeight};
}

void SearchResultsList::relayout() {
    const int rows = int(model_.results().size());
    const int height =
        rows == 0 ? 120 : 2 * kPadding + rows * kRowHeight + (rows - 1) * kRowSpacing;
    setMinimumHeight(height);
    updateGeometry();
}

void SearchResultsList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto& results = model_.results();
    if (results.empty()) {
        painter.setPen(PanelStyle::secondaryText());
        painter.setFont(PanelStyle::systemFont(11));
        painter.drawText(QRect(0, 40 + kPadding, width(), 30), Qt::AlignHCenter | Qt::AlignTop,
                         "No windows match.");
        return;
    }
    for (int i = 0; i < int(results.size()); ++i) {
        const QRect row = rowRect(i);
        const WindowSnapshot& window = results[size_t(i)].window;
        if (i == model_.selection()) {
            QColor fill = PanelStyle::accent();
            fill.setAlphaF(0.3f);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            painter.drawRoundedRect(row, 8, 8);
        }
        const QRect content = row.adjusted(10, 6, -10, -6);
        const int iconSide = 28;
        const QRect iconRect(content.x(), content.center().y() - iconSide / 2, iconSide, iconSide);
        painter.drawPixmap(iconRect,
                           PanelStyle::iconPixmap(icons_ ? icons_(window.pid) : Image{}, iconSide));
        int right = content.right();
        if (window.hasBadge) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(PanelStyle::badgeRed());
            painter.drawEllipse(QRect(right - 8, content.center().y() - 4, 8, 8));
            right -= 18;
        }
        const int textX = iconRect.right() + 11;
        const int textWidth = right - textX;
        // Plain text: titles and names are never read as markup.
        const QString title = PanelStyle::text(window.title.empty() ? window.app : window.title);
        const QFont titleFont = PanelStyle::systemFont(11);
        painter.setFont(titleFont);
        painter.setPen(PanelStyle::primaryText());
        const QFontMetrics titleMetrics(titleFont);
        painter.drawText(QRect(textX, content.y(), textWidth, titleMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         titleMetrics.elidedText(title, Qt::ElideRight, textWidth));
        const QFont caption = PanelStyle::captionFont();
        painter.setFont(caption);
        painter.setPen(PanelStyle::secondaryText());
        const QFontMetrics captionMetrics(caption);
        const QString where =
            PanelStyle::text(window.app) + " \u00B7 " + PanelStyle::text(results[size_t(i)].place);
        painter.drawText(QRect(textX, content.y() + titleMetrics.height() + 1, textWidth,
                               captionMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         captionMetrics.elidedText(where, Qt::ElideRight, textWidth));
    }
}

void SearchResultsList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    for (int i = 0; i < int(model_.results().size()); ++i) {
        if (rowRect(i).contains(event->position().toPoint())) {
            if (onChoose_) onChoose_(i);
            return;
        }
    }
}

}  // namespace brindlow
