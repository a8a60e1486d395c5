#pragma once

#include <QImage>
#include <QMenu>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <string>

#include "app/MenuBarController.h"
#include "app/MenuModel.h"
#include "app/qt/StatusIcon.h"

namespace brindlow {

// The status item on X11: a tray icon whose picture carries the title (trays
// show no text beside an icon) and whose tooltip repeats it, with a menu that
// MenuBarController rebuilds at every opening. Main thread.
class TrayIcon final : public QObject, public StatusItem {
  public:
    explicit TrayIcon(MenuBarController& controller);
    ~TrayIcon() override;

    // Whether any tray host would embed the icon now.
    static bool isTrayAvailable();

    void show();
    void setTitle(const std::string& title, bool appearsDisabled) override;

    QSystemTrayIcon& icon() { return icon_; }
    QMenu& menu() { return menu_; }
    // The picture drawn at 64 pixels (the tray draws its own size).
    const QImage& picture() const { return picture_; }

  protected:
    // Keeps modifier keys alone from closing the open menu.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    MenuBarController& controller_;
    QMenu menu_;
    QSystemTrayIcon icon_;
    QImage picture_;
    StatusIconState state_;
};

// "Brindlow" followed by the title.
QString statusToolTip(const std::string& title);
// Replaces the menu's content with the model's items; submenus are owned by `menu`.
void renderMenu(QMenu& menu, const MenuModel& model);

}  // namespace brindlow
