#pragma once

#include <QLineEdit>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "input/KeyboardShortcuts/Registry.h"
#include "input/KeyboardShortcuts/Shortcut.h"

class QMenu;

namespace brindlow {
class HotKeys;
}

namespace brindlow::KeyboardShortcuts {

// Told when a recorder starts (true) and stops (false) recording, so controls
// that answer a shortcut can let go of it meanwhile. Main thread.
ObserverToken addRecorderActivityListener(std::function<void(bool isActive)> listener);
void removeRecorderActivityListener(ObserverToken token);

// The field in which the user chooses the shortcut of a name: it shows the
// stored shortcut, records while it has the focus (the registry is paused
// meanwhile, so no global shortcut runs), refuses keys that cannot make a
// shortcut, warns about shortcuts one of our menus or another program uses,
// and clears the shortcut with its clear button or Backspace / Delete. While
// it records it holds the keyboard, so that a combination another program
// (above all the window manager) grabs reaches it, and every key, the
// application's own shortcuts included, goes to it.
class Recorder : public QLineEdit {
  public:
    using OnChange = std::function<void(const std::optional<Shortcut>&)>;

    // A warning shown to the user; the answer is the index of the chosen button.
    struct Alert {
        QString message;
        QString informativeText;
        std::vector<QString> buttons;
    };
    using AlertPresenter = std::function<int(const Alert& alert, QWidget* parent)>;

    // `hotKeys` answers whether another program holds a combination (none: not asked).
    Recorder(Registry& registry, Name name, OnChange onChange = {}, HotKeys* hotKeys = nullptr,
             QWidget* parent = nullptr);
    ~Recorder() override;

    const Name& shortcutName() const { return name_; }
    void setShortcutName(const Name& name);
    // The menu whose items' shortcuts may not be recorded (the tray menu).
    void setConflictMenu(QMenu* menu) { conflictMenu_ = menu; }
    // How warnings are shown; a modal message box by default.
    void setAlertPresenter(AlertPresenter presenter) { presentAlert_ = std::move(presenter); }
    bool isRecording() const { return recording_; }
    // Shows the stored shortcut again in the key names of the keyboard layout in use, unless it
    // records; true when the text changed.
    bool showKeyNamesAgain();
    // The clear button: shown only while a shortcut is shown.
    QAction* clearAction() const { return clearAction_; }

    QSize sizeHint() const override;

    static constexpr int kMinimumWidth = 130;
    // Built-in texts.
    static QString recordText() { return QStringLiteral("Record Shortcut"); }
    static QString pressText() { return QStringLiteral("Press Shortcut"); }

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showStoredShortcut();
    void showClearButtonIfShowingAShortcut();
    void startRecording();
    void endRecording();
    void blur();
    void clearShortcut();
    void store(const Shortcut& shortcut);
    int alert(const Alert& alert);
    void refocus();

    Registry& registry_;
    Name name_;
    OnChange onChange_;
    HotKeys* hotKeys_;
    QMenu* conflictMenu_ = nullptr;
    QAction* clearAction_ = nullptr;
    AlertPresenter presentAlert_;
    bool recording_ = false;
    ObserverToken changeToken_ = 0;
};

}  // namespace brindlow::KeyboardShortcuts
