#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace brindlow {

// The "Save Current Layout" prompt: a message, a name field that has the focus
// and the buttons Save and Cancel. Used by the tray menu and the overview.
class SaveLayoutPrompt final : public QDialog {
  public:
    explicit SaveLayoutPrompt(QWidget* parent = nullptr);

    QLineEdit& nameField() { return *name_; }
    QPushButton& saveButton() { return *save_; }
    QPushButton& cancelButton() { return *cancel_; }

    // Runs the prompt modally: the name as typed after Save, none otherwise.
    static std::optional<std::string> ask(QWidget* parent = nullptr);

  private:
    QLineEdit* name_;
    QPushButton* save_;
    QPushButton* cancel_;
};

}  // namespace brindlow
