#include "app/qt/SaveLayoutPrompt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brindlow {

SaveLayoutPrompt::SaveLayoutPrompt(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Brindlow"));
    auto* layout = new QVBoxLayout(this);
    auto* message = new QLabel(QStringLiteral("Save Current Layout"), this);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    auto* informative = new QLabel(
        QStringLiteral(
            "Brindlow remembers which apps sit in which columns, their widths, stacks and pins."),
        this);
    informative->setWordWrap(true);
    name_ = new QLineEdit(this);
    name_->setPlaceholderText(QStringLiteral("Layout name, for example Work"));
    name_->setFixedSize(260, 24);
    auto* buttons = new QDialogButtonBox(this);
    save_ = buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    save_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(message);
    layout->addWidget(informative);
    layout->addWidget(name_);
    layout->addWidget(buttons);
    name_->setFocus();
}

std::optional<std::string> SaveLayoutPrompt::ask(QWidget* parent) {
    SaveLayoutPrompt prompt(parent);
    // exec() shows it modally and brings it to the front.
    if (prompt.exec() != QDialog::Accepted) return std::nullopt;
    return prompt.nameField().text().toStdString();
}

}  // namespace brindlow
