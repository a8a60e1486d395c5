#pragma once

#include <QObject>
#include <functional>

namespace brindlow {

// "Quit Brindlow" on Ctrl+Q while a menu of ours is open (the tray menu shows the keys beside
// the item). Only menus: in the other windows of ours the keys may be meant for a field, such as
// a shortcut being recorded. Installed on the application; main thread.
class QuitShortcut final : public QObject {
  public:
    explicit QuitShortcut(std::function<void()> quit);
    ~QuitShortcut() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> quit_;
};

}  // namespace brindlow
