#include "panels/settings/qt/LayoutFileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace brindlow {

namespace {

const QString kLayoutFilter = QStringLiteral("Brindlow layouts (*.json)");

// Where a dialog opens: the home folder, never the folder Brindlow happened to be started from.
QString startFolder() {
    return QDir::homePath();
}

std::optional<std::filesystem::path> run(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    return std::filesystem::path(files.front().toStdString());
}

}  // namespace

std::unique_ptr<QFileDialog> makeLayoutExportDialog(const std::string& proposedName) {
    auto dialog = std::make_unique<QFileDialog>(nullptr, QStringLiteral("Export Layout"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(kLayoutFilter);
    dialog->setDefaultSuffix(QStringLiteral("json"));
    dialog->setDirectory(startFolder());
    dialog->selectFile(QString::fromStdString(proposedName));
    return dialog;
}

std::unique_ptr<QFileDialog> makeLayoutImportDialog() {
    auto dialog = std::make_unique<QFileDialog>(nullptr, QStringLiteral("Import Layouts"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setDirectory(startFolder());
    dialog->setNameFilter(kLayoutFilter);
    return dialog;
}

std::optional<std::filesystem::path> chooseLayoutExportFile(const std::string& proposedName) {
    const auto dialog = makeLayoutExportDialog(proposedName);
    const std::optional<std::filesystem::path> chosen = run(*dialog);
    if (!chosen) return std::nullopt;
    return withLayoutSuffix(*chosen);
}

std::optional<std::filesystem::path> chooseLayoutImportFile() {
    const auto dialog = makeLayoutImportDialog();
    return run(*dialog);
}

std::filesystem::path withLayoutSuffix(const std::filesystem::path& chosen) {
    if (chosen.has_extension() || chosen.filename().empty()) return chosen;
    std::filesystem::path named = chosen;
    named += ".json";
    return named;
}

}  // namespace brindlow
