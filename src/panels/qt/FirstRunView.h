#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "panels/FirstRunModel.h"
#include "settings/AppSettings.h"

class QLabel;
class QPushButton;
class QTimer;
class QVBoxLayout;

namespace brindlow {

// The welcome window's content: the five steps, the shortcut guide and the hints, kept current
// by a refresh every second while shown and by every settings change. "Get Started" (also
// Return or Enter anywhere in the window) runs `onDone`. Main thread.
class FirstRunView final : public QWidget {
  public:
    static constexpr int kWidth = 860;
    static constexpr double kRefreshInterval = 1.0;

    FirstRunView(FirstRunModel& model, std::function<AppSettings()> settings,
                 std::function<void()> onDone, QWidget* parent = nullptr);
    ~FirstRunView() override;

    // Draws the current state again (the model and the settings).
    void rebuild();
    QPushButton* getStartedButton() const { return getStarted_; }
    bool refreshing() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    FirstRunModel& model_;
    std::function<AppSettings()> settings_;
    std::function<void()> onDone_;
    QWidget* steps_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    QPushButton* getStarted_ = nullptr;
    std::unique_ptr<QTimer> timer_;
    // What is drawn now; an equal state is not drawn again.
    struct Shown {
        bool trusted = false;
        std::vector<std::string> conflicts;
        std::map<std::string, std::string> keys;
        AppSettings settings;
        friend bool operator==(const Shown&, const Shown&) = default;
    };
    std::optional<Shown> shown_;
};

}  // namespace brindlow
