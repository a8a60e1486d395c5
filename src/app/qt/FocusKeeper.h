#pragma once

#include <QObject>
#include <QPointer>
#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/ObserverToken.h"

class QWidget;
class QEvent;
class QWindow;

namespace brindlow {

class PanelDesktop;

// Keeps the focus where it was while a window of ours is shown without taking it. Some window
// managers focus every new window anyway (icewm, jwm, fvwm): the focus goes back to the window
// that had it. Others map a window that takes no focus under the active one (metacity): it is
// raised once the window manager has mapped it (and the focus is back where it was), still
// without the focus. The window manager's
// focus is heard as it publishes the active window (some tell it nowhere else, so the toolkit
// hears no focus change). Acts only in the moments after the window is shown, so a click of the
// user's later on still focuses it; ends when the window is asked for, when the focus goes on to
// another window, and when the window it kept the focus for is minimised, closed or sent to
// another desktop.
class FocusKeeper final : public QObject {
  public:
    // `previous`: the window that had the focus before `window` was shown.
    FocusKeeper(QWidget& window, PanelDesktop& desktop, std::optional<std::uint32_t> previous);
    ~FocusKeeper() override;
    FocusKeeper(const FocusKeeper&) = delete;
    FocusKeeper& operator=(const FocusKeeper&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool shortlyAfterShowing() const;
    void focusChanged(QWindow* now);
    // The window manager named `active` the active window.
    void activeChanged(std::optional<std::uint32_t> active);
    // Raises the window over the active one, once, when it is due.
    void raise();
    // Hands the focus back to `previous_`, if the user still has it shown.
    void handBack();

    QPointer<QWidget> window_;
    PanelDesktop& desktop_;
    std::optional<std::uint32_t> previous_;
    std::chrono::steady_clock::time_point shown_;
    bool mapped_ = false;
    bool raisePending_ = false;
    ObserverToken activeWatch_ = 0;
};

}  // namespace brindlow
