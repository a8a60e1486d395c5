#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <utility>

class QMenu;

namespace brindlow {

// One Ctrl+<key> combination of the application, heard in the windows of ours that have the
// keyboard. Installed on the application; main thread.
class ApplicationShortcut : public QObject {
  public:
    enum class Where {
        anyWindow,  // wherever a window of ours has the keyboard
        openMenu,   // only in an open menu of ours, which closes first
    };

    ApplicationShortcut(int key, Where where, std::function<void()> action);
    ~ApplicationShortcut() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int key_;
    Where where_;
    std::function<void()> action_;
};

// The application's "Settings…" command on Ctrl+,: wherever a window of ours has the keyboard
// (a panel, a dialog, the tray menu), the keys open the settings.
class SettingsShortcut final : public ApplicationShortcut {
  public:
    explicit SettingsShortcut(std::function<void()> openSettings)
        : ApplicationShortcut(Qt::Key_Comma, Where::anyWindow, std::move(openSettings)) {}
};

// "Quit Brindlow" on Ctrl+Q while a menu of ours is open (the tray menu shows the keys beside
// the item). Only menus: in the other windows of ours the keys may be meant for a field, such as
// a shortcut being recorded.
class QuitShortcut final : public ApplicationShortcut {
  public:
    explicit QuitShortcut(std::function<void()> quit)
        : ApplicationShortcut(Qt::Key_Q, Where::openMenu, std::move(quit)) {}
};

// The application's own key commands ("Settings…" on Ctrl+,, "Quit Brindlow" on Ctrl+Q) as the
// items of a menu that is never shown: the shortcut recorder refuses their keys, since a global
// shortcut on them would take the keys from our own windows and menus. The items never run.
std::unique_ptr<QMenu> applicationKeysMenu();

}  // namespace brindlow
