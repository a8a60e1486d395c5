#include "app/qt/DiagnosticsFileDialog.h"

#include <QDir>

#include "app/Diagnostics.h"

namespace brindlow {

std::unique_ptr<QFileDialog> makeDiagnosticsSaveDialog() {
    auto dialog = std::make_unique<QFileDialog>(nullptr, QStringLiteral("Save Diagnostics"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("Text files (*.txt)"));
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setDirectory(QDir::homePath());
    dialog->selectFile(QString::fromUtf8(Diagnostics::kSuggestedFileName));
    return dialog;
}

std::optional<std::filesystem::path> chooseDiagnosticsFile() {
    const auto dialog = makeDiagnosticsSaveDialog();
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    return std::filesystem::path(files.front().toStdString());
}

}  // namespace brindlow
