#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

class QWidget;

namespace brindlow {

// Keeps the application's titled windows (first run, settings) by identifier. A window is made on
// its first showing and kept for the life of the process: closing only hides it, and the next
// showing brings back the same window where it was, with its content in the state it had.
// Main thread only.
class WindowPresenter {
  public:
    using ContentMaker = std::function<std::unique_ptr<QWidget>()>;

    // The application no longer quits when its last window closes.
    WindowPresenter();
    ~WindowPresenter();
    WindowPresenter(const WindowPresenter&) = delete;
    WindowPresenter& operator=(const WindowPresenter&) = delete;

    // Shows the window kept under `id`: an existing one is un-minimised, raised and activated
    // without being resized, moved or rebuilt (`makeContent` is not called); otherwise a new
    // window titled `title` is made around `makeContent()`, sized to it (not resizable, closable
    // with its button or Ctrl+W, and minimisable; content taller than the primary screen scrolls
    // in a window that fits), centred on the primary screen and activated. With `activate` false it
    // is shown and raised but leaves the focus where it is (a window nobody asked for just now must
    // not take the keys).
    void show(const std::string& id, const std::string& title, const ContentMaker& makeContent,
              bool activate = true);
    // Callers of the first-run and settings windows: "firstRun" / "Welcome to Brindlow" and
    // "settings" / "Brindlow Settings".
    void showFirstRun(const std::string& id, const std::string& title,
                      const ContentMaker& makeContent) {
        show(id, title, makeContent);
    }
    void showSettings(const std::string& id, const std::string& title,
                      const ContentMaker& makeContent, bool activate = true) {
        show(id, title, makeContent, activate);
    }
    // Hides the window kept under `id`; nothing when there is none.
    void close(const std::string& id);

    // The window kept under `id`, or null.
    QWidget* window(const std::string& id) const;

  private:
    std::map<std::string, std::unique_ptr<QWidget>> windows_;
};

}  // namespace brindlow
