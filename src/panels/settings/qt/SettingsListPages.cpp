#include "panels/settings/qt/SettingsListPages.h"

#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "panels/settings/qt/SettingsControls.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"

namespace brindlow {

namespace {

// A list of rows in a frame added to `column` that scrolls up and down: however many rows there
// are, each keeps its height. The rows keep clear of the frame.
QVBoxLayout* scrollingList(QVBoxLayout& column) {
    auto* list = new QWidget;
    auto* listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(8, 6, 8, 6);
    auto* scroll = new QScrollArea;
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column.addWidget(scroll, 1);
    return listLayout;
}

// Empties the list. The rows are deleted later: this may run inside a signal of one of them.
void removeRows(QVBoxLayout& listLayout) {
    while (QLayoutItem* item = listLayout.takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

}  // namespace

// Rows are bound by their index in the rule list: a hand-edited file may hold
// two rules for one application, and an edit must change the row's own rule.
QWidget* appsPage(SettingsBinder& binder, const SettingsServices& services) {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->addWidget(
        noteLabel("Dialogs, fixed-size windows and Brindlow's own windows always "
                  "float. Add rules for apps that should float, or open at another "
                  "width."));
    QVBoxLayout* listLayout = scrollingList(*column);
    SettingsStore& store = binder.store();
    const auto edit = [&store](std::size_t index, auto change) {
        store.update([&](AppSettings& s) {
            if (index < s.appRules.size()) change(s.appRules[index]);
        });
    };
    struct Row {
        QComboBox* behaviour;
        QComboBox* width;
    };
    auto rows = std::make_shared<std::vector<Row>>();
    auto shownNames = std::make_shared<std::vector<std::string>>();
    binder.onRefresh([=, &store](const AppSettings& s) {
        std::vector<std::string> names;
        for (const AppRule& rule : s.appRules) names.push_back(rule.bundleID + "\n" + rule.name);
        if (names != *shownNames) {
            removeRows(*listLayout);
            rows->clear();
            *shownNames = names;
            for (std::size_t i = 0; i < s.appRules.size(); ++i) {
                // A long name is cut with an ellipsis, whole in its tooltip.
                const QString fullName = QString::fromStdString(s.appRules[i].name);
                auto* name = new QLabel;
                name->setFixedWidth(160);
                name->setText(name->fontMetrics().elidedText(fullName, Qt::ElideRight, 160));
                name->setToolTip(fullName);
                auto* behaviour = new QComboBox;
                behaviour->addItems({"Tile", "Always float"});
                behaviour->setFixedWidth(140);
                QObject::connect(
                    behaviour, &QComboBox::activated, behaviour, [edit, i](int choice) {
                        edit(i, [choice](AppRule& rule) {
                            rule.behavior = choice == 1 ? AppBehavior::floating : AppBehavior::tile;
                        });
                    });
                auto* width = new QComboBox;
                width->addItem("Default width");
                for (double fraction : kRuleWidths)
                    width->addItem(QString::fromStdString(percentText(fraction)));
                width->setFixedWidth(140);
                QObject::connect(width, &QComboBox::activated, width, [edit, i](int choice) {
                    edit(i, [choice](AppRule& rule) {
                        rule.defaultWidth =
                            choice <= 0 ? std::nullopt
                                        : std::optional(kRuleWidths[std::size_t(choice - 1)]);
                    });
                });
                QToolButton* remove = iconButton(removeIcon(), "Remove", [&store, i] {
                    store.update([&](AppSettings& settings) {
                        settings.appRules = removeRule(settings.appRules, i);
                    });
                });
                auto* line = new QWidget;
                auto* lineLayout = new QHBoxLayout(line);
                lineLayout->setContentsMargins(0, 0, 0, 0);
                lineLayout->addWidget(name);
                lineLayout->addWidget(behaviour);
                lineLayout->addWidget(width);
                lineLayout->addStretch(1);
                lineLayout->addWidget(remove);
                listLayout->addWidget(line);
                rows->push_back({behaviour, width});
            }
            listLayout->addStretch(1);
        }
        for (std::size_t i = 0; i < rows->size() && i < s.appRules.size(); ++i) {
            const AppRule& rule = s.appRules[i];
            const Row& row = (*rows)[i];
            const QSignalBlocker blockBehaviour(row.behaviour);
            const QSignalBlocker blockWidth(row.width);
            row.behaviour->setCurrentIndex(rule.behavior == AppBehavior::floating ? 1 : 0);
            int widthIndex = rule.defaultWidth ? -1 : 0;
            for (std::size_t w = 0; w < kRuleWidths.size(); ++w)
                if (rule.defaultWidth == kRuleWidths[w]) widthIndex = int(w) + 1;
            row.width->setCurrentIndex(widthIndex);
            // A width written by hand that is none of the choices shows as written.
            row.width->setPlaceholderText(
                rule.defaultWidth ? QString::fromStdString(percentText(*rule.defaultWidth)) : "");
            row.width->setEnabled(rule.behavior != AppBehavior::floating);
        }
    });

    auto* add = new QPushButton("Add App");
    add->setObjectName("addApp");
    add->setFixedWidth(140);
    auto* menu = new QMenu(add);
    add->setMenu(menu);
    QObject::connect(
        menu, &QMenu::aboutToShow, menu,
        [menu, &store, running = services.runningApplications, own = services.ownProcessID] {
            menu->clear();
            const auto candidates =
                ruleCandidates(store.settings().appRules,
                               running ? running() : std::vector<RunningApplication>{}, own);
            for (const RuleCandidate& candidate : candidates)
                menu->addAction(QString::fromStdString(candidate.name), [&store, candidate] {
                    store.update([&](AppSettings& s) {
                        s.appRules.push_back(
                            {candidate.bundleID, candidate.name, AppBehavior::tile, std::nullopt});
                    });
                });
        });
    column->addWidget(controlRow({add}));
    return page;
}

QWidget* layoutsPage(const SettingsServices& services) {
    LayoutsStore* store = services.layouts;
    if (!store) return nullptr;
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    auto* name = new QLineEdit;
    name->setObjectName("newName");
    name->setPlaceholderText("Name for the current layout");
    QPushButton* save = actionButton("Save Current Layout", [store, name] {
        store->saveCurrent(name->text().toStdString());
        name->clear();
    });
    save->setEnabled(false);
    QObject::connect(name, &QLineEdit::textChanged, save, [save](const QString& text) {
        save->setEnabled(canSaveLayoutName(text.toStdString()));
    });
    auto* saveRow = new QWidget;
    auto* saveLayout = new QHBoxLayout(saveRow);
    saveLayout->setContentsMargins(0, 0, 0, 0);
    saveLayout->addWidget(name, 1);
    saveLayout->addWidget(save);
    column->addWidget(saveRow);

    QVBoxLayout* listLayout = scrollingList(*column);
    listLayout->parentWidget()->setObjectName("layoutList");
    const auto rebuild = [store, listLayout] {
        removeRows(*listLayout);
        if (store->layouts().empty())
            listLayout->addWidget(
                noteLabel("No layouts yet. Arrange your windows, then save the "
                          "layout under a name like Work or Writing."));
        for (const NamedLayout& layout : store->layouts()) {
            auto* title =
                new QLabel("<b>" + QString::fromStdString(layout.name).toHtmlEscaped() + "</b>");
            const QDateTime created =
                QDateTime::fromSecsSinceEpoch(qint64(layout.created.unixSeconds()));
            auto* detail =
                noteLabel(QString::number(layout.snapshot.windowCount()) +
                          (layout.snapshot.windowCount() == 1 ? " window · " : " windows · ") +
                          QLocale().toString(created, QLocale::ShortFormat));
            // One line each: a wrapping label would make the row's height depend on its width.
            detail->setWordWrap(false);
            auto* text = new QWidget;
            auto* textLayout = new QVBoxLayout(text);
            textLayout->setContentsMargins(0, 0, 0, 0);
            textLayout->addWidget(title);
            textLayout->addWidget(detail);
            auto* rowWidget = new QWidget;
            rowWidget->setObjectName("layoutRow");
            rowWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
            auto* rowLayout = new QHBoxLayout(rowWidget);
            rowLayout->setContentsMargins(0, 0, 0, 0);
            rowLayout->addWidget(text, 1);
            rowLayout->addWidget(
                actionButton("Restore", [store, layout] { store->apply(layout); }));
            rowLayout->addWidget(
                actionButton("Export…", [store, layout] { store->exportLayout(layout); }));
            rowLayout->addWidget(iconButton(themedIcon("user-trash", QStyle::SP_TrashIcon),
                                            "Delete",
                                            [store, id = layout.id] { store->remove(id); }));
            listLayout->addWidget(rowWidget);
        }
        listLayout->addStretch(1);
    };
    rebuild();
    QPointer<QWidget> alive(page);
    store->addObserver([alive, rebuild] {
        if (alive) rebuild();
    });

    auto* importRow = new QWidget;
    auto* importLayout = new QHBoxLayout(importRow);
    importLayout->setContentsMargins(0, 0, 0, 0);
    importLayout->addWidget(actionButton("Import…", [store] { store->importLayouts(); }));
    QLabel* hint = noteLabel(
        "Also from the tray menu, and with <code>brindlow layout restore "
        "&lt;name&gt;</code>.");
    hint->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    importLayout->addWidget(hint, 1);
    column->addWidget(importRow);
    return page;
}

}  // namespace brindlow
