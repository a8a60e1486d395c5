#include "panels/qt/ShortcutGridView.h"

#include <QGridLayout>
#include <QLabel>

#include "panels/qt/PanelStyle.h"

namespace brindlow {

ShortcutGridView::ShortcutGridView(const std::vector<ShortcutGroup>& groups,
                                   const std::map<std::string, std::string>& keys, bool onDarkPanel,
                                   QWidget* parent)
    : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(3);
    grid->setColumnStretch(1, 1);
    const QColor primary = onDarkPanel ? PanelStyle::primaryText() : QColor();
    const QColor secondary = onDarkPanel ? PanelStyle::secondaryText() : QColor(110, 110, 115);
    int row = 0;
    for (size_t g = 0; g < groups.size(); ++g) {
        QLabel* header = PanelStyle::plainLabel(PanelStyle::text(groups[g].title),
                                                PanelStyle::systemFont(10, true), secondary);
        // Every section but the first keeps a gap above its header.
        if (g > 0) header->setContentsMargins(0, 8, 0, 0);
        grid->addWidget(header, row++, 0, 1, 2);
        for (const ShortcutGuide::Row& entry : *groups[g].rows) {
            const auto key = keys.find(entry.action);
            QLabel* keyLabel = key != keys.end()
                                   ? PanelStyle::plainLabel(PanelStyle::text(key->second),
                                                            PanelStyle::monospaceFont(), primary)
                                   : PanelStyle::plainLabel(ShortcutGuide::kNotSet,
                                                            PanelStyle::systemFont(10), secondary);
            grid->addWidget(keyLabel, row, 0, Qt::AlignLeft | Qt::AlignTop);
            QLabel* action = PanelStyle::plainLabel(PanelStyle::text(entry.action),
                                                    PanelStyle::systemFont(10), primary);
            action->setWordWrap(!onDarkPanel);
            // Without an alignment the label takes the column's width, so wrapping has room.
            grid->addWidget(action, row, 1);
            ++row;
        }
    }
}

}  // namespace brindlow
