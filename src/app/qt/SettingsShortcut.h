#pragma once

#include <QObject>
#include <functional>

namespace brindlow {

// The application's "Settings…" command on Ctrl+,: wherever a window of ours
// has the keyboard (a panel, a dialog, the tray menu), the keys open the
// settings. Installed on the application; main thread.
class SettingsShortcut final : public QObject {
  public:
    explicit SettingsShortcut(std::function<void()> openSettings);
    ~SettingsShortcut() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> openSettings_;
};

}  // namespace brindlow
