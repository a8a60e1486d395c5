#include "panels/settings/qt/SettingsWindow.h"

#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "panels/settings/qt/SettingsControls.h"
#include "panels/settings/qt/SettingsPages.h"
#include "panels/settings/qt/SettingsTabIcons.h"
#include "settings/SettingsStore.h"

namespace brindlow {

SettingsWindow::SettingsWindow(SettingsStore& store, SettingsServices services, QWidget* parent)
    : QWidget(parent),
      binder_(std::make_unique<SettingsBinder>(store)),
      services_(std::move(services)) {
    setObjectName(kID);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget;
    layout->addWidget(tabs_);
    for (SettingsPageTab tab : kSettingsPageTabs) {
        QWidget* content = makeSettingsPage(tab, *binder_, services_);
        if (!content) continue;
        content->setObjectName(QString::fromUtf8(tabName(tab).data(), int(tabName(tab).size())));
        tabs_->addTab(content, settingsTabIcon(tab),
                      QString::fromUtf8(tabLabel(tab).data(), int(tabLabel(tab).size())));
        pages_.emplace_back(tab, content);
    }
    // Wide enough for the ten tabs, symbols and labels side by side at the current font.
    tabs_->setFixedSize(std::max(kMinimumWidth, tabs_->tabBar()->sizeHint().width() + 24), kHeight);
    binder_->refresh();
    QPointer<SettingsWindow> alive(this);
    store.addObserver([alive] {
        if (alive) alive->binder_->refresh();
    });
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::select(SettingsPageTab tab) {
    if (QWidget* content = page(tab)) tabs_->setCurrentWidget(content);
}

SettingsPageTab SettingsWindow::selected() const {
    for (const auto& [tab, content] : pages_)
        if (content == tabs_->currentWidget()) return tab;
    return SettingsPageTab::general;
}

QWidget* SettingsWindow::page(SettingsPageTab tab) const {
    for (const auto& [candidate, content] : pages_)
        if (candidate == tab) return content;
    return nullptr;
}

}  // namespace brindlow
