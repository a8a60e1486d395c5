#pragma once

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QFileDialog;

namespace brindlow {

// The open and save dialogs of layout files. The save dialog proposes `proposedName` as given
// (the store already ends it in ".json") and adds ".json" to a typed name without a suffix, so
// that every exported file shows up again under the import filter. Both open in the home folder.
std::unique_ptr<QFileDialog> makeLayoutExportDialog(const std::string& proposedName);
std::unique_ptr<QFileDialog> makeLayoutImportDialog();

// Runs the dialog; none when the user cancels.
std::optional<std::filesystem::path> chooseLayoutExportFile(const std::string& proposedName);
std::optional<std::filesystem::path> chooseLayoutImportFile();

// `chosen` with ".json" added when its name has no suffix at all (some platform dialogs ignore
// the dialog's default suffix).
std::filesystem::path withLayoutSuffix(const std::filesystem::path& chosen);

}  // namespace brindlow
