#pragma once

#include <QFileDialog>
#include <filesystem>
#include <memory>
#include <optional>

namespace brindlow {

// The dialog of "Save Diagnostics…": opens in the home folder with the suggested file name,
// never in the folder Brindlow happened to be started from.
std::unique_ptr<QFileDialog> makeDiagnosticsSaveDialog();

// Runs the dialog; none when the user cancels.
std::optional<std::filesystem::path> chooseDiagnosticsFile();

}  // namespace brindlow
