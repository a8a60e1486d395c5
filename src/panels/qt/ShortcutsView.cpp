#include "panels/qt/ShortcutsView.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "panels/qt/PanelStyle.h"
#include "panels/qt/ShortcutGridView.h"

namespace brindlow {

ShortcutsView::ShortcutsView(QWidget* parent) : QWidget(parent) {}

Size ShortcutsView::setContent(const ShortcutsSheetContent& content) {
    delete body_;
    body_ = new QWidget(this);
    auto* column = new QVBoxLayout(body_);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);

    auto* header = new QHBoxLayout;
    header->addWidget(PanelStyle::plainLabel("Keyboard Shortcuts", PanelStyle::systemFont(16, true),
                                             PanelStyle::primaryText()),
                      0, Qt::AlignBaseline);
    header->addSpacing(24);
    header->addStretch(1);
    header->addWidget(
        PanelStyle::plainLabel("Change them in Settings > Shortcuts   \u00B7   Esc to close",
                               PanelStyle::systemFont(10), PanelStyle::secondaryText()),
        0, Qt::AlignBaseline);
    column->addLayout(header);

    auto* table = new QHBoxLayout;
    table->setSpacing(36);
    const std::vector<std::vector<ShortcutGroup>> columns = {
        {{ShortcutGuide::kMoveAroundTitle, &ShortcutGuide::moveAround()},
         {ShortcutGuide::kAppTitle, &ShortcutGuide::appRows()}},
        {{ShortcutGuide::kSizeAndPlaceTitle, &ShortcutGuide::sizeAndPlace()}},
        {{ShortcutGuide::kStacksTitle, &ShortcutGuide::stacks()}},
    };
    for (const auto& groups : columns) {
        auto* grid = new ShortcutGridView(groups, content.keys, true);
        grid->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        table->addWidget(grid, 0, Qt::AlignTop);
    }
    column->addLayout(table);
    if (ShortcutGuide::showsHeldKeys(content.keys))
        column->addWidget(PanelStyle::plainLabel(PanelStyle::text(ShortcutGuide::kHeldNote),
                                                 PanelStyle::systemFont(10),
                                                 PanelStyle::secondaryText()));

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setStyleSheet("color: rgba(255, 255, 255, 40);");
    column->addWidget(divider);

    auto* hints = new QVBoxLayout;
    hints->setSpacing(4);
    for (const std::string& hint : content.gestureHints)
        hints->addWidget(PanelStyle::plainLabel(PanelStyle::text(hint), PanelStyle::systemFont(10),
                                                PanelStyle::secondaryText()));
    column->addLayout(hints);

    const QSize size = body_->sizeHint();
    body_->setGeometry(0, 0, size.width(), size.height());
    body_->show();
    resize(size);
    return {double(size.width()), double(size.height())};
}

void ShortcutsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(PanelStyle::frostedFill());
    painter.drawRoundedRect(rect(), kCornerRadius, kCornerRadius);
}

void ShortcutsView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (body_) body_->setGeometry(rect());
}

}  // namespace brindlow
